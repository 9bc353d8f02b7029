#include "report/addins/widgets/barcodeeditor.h"

#include "common/numformat.h"
#include "report/addins/barcodeview.h"
#include "report/addins/widgets/addineditors.h"
#include "report/designer/editorparts.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <iterator>

namespace {

const int kAngles[] = {0, 90, 180, 270};

// A zoom the editor takes: a positive finite number.
std::optional<double> zoomOf(const QString& text) {
    const auto v = numfmt::parseFloat(text.trimmed());
    if (!v || !std::isfinite(*v) || *v <= 0)
        return std::nullopt;
    return v;
}

} // namespace

TfrBarcodeEditorForm::TfrBarcodeEditorForm(TfrDesignDocument& document, const TfrBarCodeView& view, QWidget* parent)
    : QDialog(parent), m_document(document), m_barType(view.barType), m_zoom(view.zoom) {
    setWindowTitle(QStringLiteral("Редактор штрих-кода"));

    m_code = new QLineEdit(view.memo.value(0), this);
    m_code->setObjectName(QStringLiteral("Code"));
    auto* expression = new QPushButton(QStringLiteral("Вставить выражение"), this);
    expression->setObjectName(QStringLiteral("InsertExpression"));
    connect(expression, &QPushButton::clicked, this, [this] { frInsertExpression(m_document.report(), m_code); });
    auto* codeLabel = new QLabel(QStringLiteral("&Код"), this);
    codeLabel->setBuddy(m_code);

    m_type = new QComboBox(this);
    m_type->setObjectName(QStringLiteral("Type"));
    for (int i = 0; i < frBarcodeTypeCount; ++i)
        m_type->addItem(frBarcodeTypeName(i));
    // A type number past the table (kept from a file) shows none chosen and
    // is kept until one is chosen.
    m_type->setCurrentIndex(view.barType < frBarcodeTypeCount ? view.barType : -1);
    auto* typeLabel = new QLabel(QStringLiteral("&Тип штрихкода"), this);
    typeLabel->setBuddy(m_type);

    auto* options = new QGroupBox(QStringLiteral("Опции"), this);
    m_checksum = new QCheckBox(QStringLiteral("Контрольная &сумма"), options);
    m_checksum->setObjectName(QStringLiteral("Checksum"));
    m_checksum->setChecked(view.checksum);
    m_caption = new QCheckBox(QStringLiteral("&Подпись"), options);
    m_caption->setObjectName(QStringLiteral("Caption"));
    m_caption->setChecked(view.showText);
    m_zoomEdit = new QLineEdit(numfmt::formatFloat(view.zoom), options);
    m_zoomEdit->setObjectName(QStringLiteral("Zoom"));
    auto* zoomLabel = new QLabel(QStringLiteral("&Масштаб:"), options);
    zoomLabel->setBuddy(m_zoomEdit);
    auto* plus = new QPushButton(QStringLiteral("+"), options);
    plus->setObjectName(QStringLiteral("ZoomIn"));
    auto* minus = new QPushButton(QStringLiteral("-"), options);
    minus->setObjectName(QStringLiteral("ZoomOut"));
    for (QPushButton* b : {plus, minus})
        b->setFixedWidth(28);
    connect(plus, &QPushButton::clicked, this,
            [this] { m_zoomEdit->setText(numfmt::formatFloat(zoomOf(m_zoomEdit->text()).value_or(m_zoom) + 1)); });
    connect(minus, &QPushButton::clicked, this, [this] {
        m_zoomEdit->setText(numfmt::formatFloat(std::max(1.0, zoomOf(m_zoomEdit->text()).value_or(m_zoom) - 1)));
    });
    auto* optionsLayout = new QGridLayout(options);
    optionsLayout->addWidget(m_checksum, 0, 0, 1, 4);
    optionsLayout->addWidget(m_caption, 1, 0, 1, 4);
    optionsLayout->addWidget(zoomLabel, 2, 0);
    optionsLayout->addWidget(m_zoomEdit, 2, 1);
    optionsLayout->addWidget(plus, 2, 2);
    optionsLayout->addWidget(minus, 2, 3);

    auto* orientation = new QGroupBox(QStringLiteral("Ориентация"), this);
    auto* orientationLayout = new QVBoxLayout(orientation);
    m_angle = new QButtonGroup(this);
    for (int a : kAngles) {
        auto* b = new QRadioButton(QString::number(a), orientation);
        b->setObjectName(QStringLiteral("Angle%1").arg(a));
        m_angle->addButton(b, a);
        orientationLayout->addWidget(b);
    }
    // An angle that is none of the four (drawn as 0) shows 0.
    const auto* stored = std::find_if(std::begin(kAngles), std::end(kAngles), [&](int a) { return a == view.angle; });
    m_angle->button(stored != std::end(kAngles) ? *stored : 0)->setChecked(true);

    QDialogButtonBox* buttons = frOkCancelButtons(*this);

    auto* layout = new QGridLayout(this);
    layout->addWidget(codeLabel, 0, 0, 1, 2);
    layout->addWidget(m_code, 1, 0);
    layout->addWidget(expression, 1, 1);
    layout->addWidget(typeLabel, 2, 0, 1, 2);
    layout->addWidget(m_type, 3, 0, 1, 2);
    layout->addWidget(options, 4, 0);
    layout->addWidget(orientation, 4, 1);
    layout->addWidget(buttons, 5, 0, 1, 2);
}

void TfrBarcodeEditorForm::apply(TfrBarCodeView& view) const {
    view.memo = QStringList{m_code->text()};
    view.barType = m_type->currentIndex() >= 0 ? std::uint8_t(m_type->currentIndex()) : m_barType;
    view.checksum = m_checksum->isChecked();
    view.showText = m_caption->isChecked();
    view.zoom = zoomOf(m_zoomEdit->text()).value_or(m_zoom);
    view.angle = m_angle->checkedId();
    const TfrBox box = frBarcodeBox(view);
    view.width = box.width;
    view.height = box.height;
}

void TfrBarcodeEditorForm::accept() {
    TUserInteraction& ui = m_document.engine().interaction();
    if (!zoomOf(m_zoomEdit->text())) {
        ui.showError(QStringLiteral("Масштаб должен быть положительным числом"));
        m_zoomEdit->setFocus();
        return;
    }
    const QString code = m_code->text();
    if (!code.startsWith(u'[')) {
        try {
            TfrBarCodeView scratch;
            apply(scratch);
            frBarcodeGenerator(scratch, code).width();
        } catch (const Exception&) {
            ui.messageBox(QStringLiteral("Ошибка в коде"), TUserInteraction::errorTitle(), TUserInteraction::ErrorIcon,
                          TUserInteraction::Ok);
            m_code->setFocus();
            return;
        }
    }
    QDialog::accept();
}

TfrDesignerClassInfo frBarcodeDesignerInfo() {
    return {frAddInIcon(QStringLiteral("addin-barcode")), QStringLiteral("Вставить штрихкод"),
            frRunAddInEditor<TfrBarCodeView, TfrBarcodeEditorForm>};
}
