#include "report/addins/widgets/roundrecteditor.h"

#include "report/addins/roundrect.h"
#include "report/addins/widgets/addineditors.h"
#include "report/designer/editorparts.h"
#include "report/render/drawing.h"
#include "report/render/textmeasure.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {

// The styles in the order of their numbers; underscores are shown as spaces.
const QString kStyles = QStringLiteral("Вертикальный,Горизонтальный,Эллипс,Прямоугольный,Гориз._центр,Верт._центр");
constexpr int kSampleWidth = 220, kSampleHeight = 90;

// A whole number typed in an edit, or `fallback`.
std::int32_t numberIn(const QLineEdit* edit, std::int32_t fallback) {
    bool ok = false;
    const int v = edit->text().trimmed().toInt(&ok);
    return ok ? v : fallback;
}

QLineEdit* numberEdit(const QString& text, const QString& name, QWidget* parent) {
    auto* e = new QLineEdit(text, parent);
    e->setObjectName(name);
    e->setValidator(new QIntValidator(0, 9999, e));
    e->setMaximumWidth(60);
    return e;
}

TfrColorSwatch* swatch(TfrColor color, const QString& name, QWidget* parent) {
    auto* s = new TfrColorSwatch(color, parent);
    s->setObjectName(name);
    return s;
}

} // namespace

TfrRoundRectEditorForm::TfrRoundRectEditorForm(TfrDesignDocument& document, const TfrRoundRectView& view,
                                               QWidget* parent)
    : QDialog(parent), m_document(document), m_sample(std::make_unique<TfrRoundRectView>()), m_style(view.roundSize) {
    setWindowTitle(QStringLiteral("Прямоугольник с тенью"));
    m_sample->assign(view);
    TfrReport& report = document.report();

    m_memo = new QPlainTextEdit(view.memo.join(u'\n'), this);
    m_memo->setObjectName(QStringLiteral("Memo"));
    m_memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    auto* expression = new QPushButton(QStringLiteral("&Выражение..."), this);
    expression->setObjectName(QStringLiteral("InsertExpression"));
    connect(expression, &QPushButton::clicked, this, [this, &report] { frInsertExpression(report, m_memo); });
    auto* field = new QPushButton(QStringLiteral("&Поле БД..."), this);
    field->setObjectName(QStringLiteral("InsertField"));
    connect(field, &QPushButton::clicked, this, [this, &report] { frInsertField(report, m_memo); });
    if (view.restrictions & frrfDontEditMemo) {
        m_memo->setReadOnly(true);
        expression->setEnabled(false);
        field->setEnabled(false);
    }

    m_gradient = new QCheckBox(QStringLiteral("&Градиент"), this);
    m_gradient->setObjectName(QStringLiteral("Gradient"));
    m_gradient->setChecked(view.gradient());

    auto* shadow = new QWidget(this);
    m_shadowWidth = numberEdit(QString::number(view.shadowWidth), QStringLiteral("ShadowWidth"), shadow);
    m_shadowColor = swatch(view.shadowColor, QStringLiteral("ShadowColor"), shadow);
    m_roundCorners = new QCheckBox(QStringLiteral("&Закругление"), shadow);
    m_roundCorners->setObjectName(QStringLiteral("RoundCorners"));
    m_roundCorners->setChecked(view.roundCorners);
    m_roundSize = numberEdit(QString::number(view.roundSize), QStringLiteral("RoundSize"), shadow);
    auto* widthLabel = new QLabel(QStringLiteral("&Размер тени"), shadow);
    widthLabel->setBuddy(m_shadowWidth);
    auto* shadowLayout = new QGridLayout(shadow);
    shadowLayout->addWidget(widthLabel, 0, 0);
    shadowLayout->addWidget(m_shadowWidth, 0, 1);
    shadowLayout->addWidget(new QLabel(QStringLiteral("Цвет"), shadow), 1, 0);
    shadowLayout->addWidget(m_shadowColor, 1, 1);
    shadowLayout->addWidget(m_roundCorners, 2, 0);
    shadowLayout->addWidget(m_roundSize, 2, 1);

    auto* gradient = new QWidget(this);
    m_beginColor = swatch(view.shadowColor, QStringLiteral("BeginColor"), gradient);
    m_endColor = swatch(view.fillColor, QStringLiteral("EndColor"), gradient);
    m_styleList = new QComboBox(gradient);
    m_styleList->setObjectName(QStringLiteral("Style"));
    for (const QString& s : kStyles.split(u','))
        m_styleList->addItem(QString(s).replace(u'_', u' '));
    // Drawing takes a negative style as the first; one past the list shows
    // none chosen.
    m_styleList->setCurrentIndex(!view.gradient() || view.roundSize < 0  ? 0
                                 : view.roundSize < m_styleList->count() ? view.roundSize
                                                                         : -1);
    auto* styleLabel = new QLabel(QStringLiteral("&Стиль"), gradient);
    styleLabel->setBuddy(m_styleList);
    auto* gradientLayout = new QGridLayout(gradient);
    gradientLayout->addWidget(new QLabel(QStringLiteral("Начальный цвет"), gradient), 0, 0);
    gradientLayout->addWidget(m_beginColor, 0, 1);
    gradientLayout->addWidget(new QLabel(QStringLiteral("Конечный цвет"), gradient), 1, 0);
    gradientLayout->addWidget(m_endColor, 1, 1);
    gradientLayout->addWidget(styleLabel, 2, 0);
    gradientLayout->addWidget(m_styleList, 2, 1);

    m_panels = new QStackedWidget(this);
    m_panels->setObjectName(QStringLiteral("Panels"));
    m_panels->addWidget(shadow);
    m_panels->addWidget(gradient);
    m_panels->setCurrentIndex(view.gradient() ? 1 : 0);

    m_sampleView = new QLabel(this);
    m_sampleView->setObjectName(QStringLiteral("Sample"));
    m_sampleView->setFixedSize(kSampleWidth, kSampleHeight);

    QDialogButtonBox* buttons = frOkCancelButtons(*this);

    auto* insert = new QHBoxLayout;
    insert->addWidget(expression);
    insert->addWidget(field);
    insert->addStretch();
    auto* layout = new QGridLayout(this);
    layout->addWidget(m_memo, 0, 0, 1, 2);
    layout->addLayout(insert, 1, 0, 1, 2);
    layout->addWidget(m_gradient, 2, 0);
    layout->addWidget(m_panels, 3, 0);
    auto* sample = new QVBoxLayout;
    sample->addWidget(new QLabel(QStringLiteral("Образец:"), this));
    sample->addWidget(m_sampleView);
    layout->addLayout(sample, 2, 1, 2, 1);
    layout->addWidget(buttons, 4, 0, 1, 2);

    // The shadow colour is the gradient's begin colour: both swatches show it.
    connect(m_shadowColor, &TfrColorSwatch::changed, this, [this] { m_beginColor->setColor(m_shadowColor->color()); });
    connect(m_beginColor, &TfrColorSwatch::changed, this, [this] { m_shadowColor->setColor(m_beginColor->color()); });
    connect(m_gradient, &QCheckBox::toggled, this, &TfrRoundRectEditorForm::switchGradient);
    for (TfrColorSwatch* s : {m_shadowColor, m_beginColor, m_endColor})
        connect(s, &TfrColorSwatch::changed, this, &TfrRoundRectEditorForm::updateSample);
    for (QLineEdit* e : {m_shadowWidth, m_roundSize})
        connect(e, &QLineEdit::textChanged, this, &TfrRoundRectEditorForm::updateSample);
    connect(m_roundCorners, &QCheckBox::toggled, this, &TfrRoundRectEditorForm::updateSample);
    connect(m_styleList, &QComboBox::currentIndexChanged, this, &TfrRoundRectEditorForm::updateSample);
    connect(m_memo, &QPlainTextEdit::textChanged, this, &TfrRoundRectEditorForm::updateSample);
    updateSample();
}

TfrRoundRectEditorForm::~TfrRoundRectEditorForm() = default;

void TfrRoundRectEditorForm::switchGradient(bool on) {
    m_shadowWidth->setText(on ? QStringLiteral("-99") : QStringLiteral("10"));
    m_roundSize->setText(on ? QStringLiteral("0") : QStringLiteral("10"));
    if (on)
        m_styleList->setCurrentIndex(0);
    m_panels->setCurrentIndex(on ? 1 : 0);
    updateSample();
}

void TfrRoundRectEditorForm::apply(TfrRoundRectView& view) const {
    // An empty memo stays empty when nothing was written.
    const QString text = m_memo->toPlainText();
    if (!m_memo->isReadOnly() && !(text.isEmpty() && view.memo.isEmpty()))
        view.memo = text.split(u'\n');
    view.shadowColor = m_shadowColor->color();
    view.fillColor = m_endColor->color();
    view.roundCorners = m_roundCorners->isChecked();
    if (m_gradient->isChecked()) {
        view.shadowWidth = TfrRoundRectView::gradientMode;
        view.roundSize = m_styleList->currentIndex() >= 0 ? m_styleList->currentIndex() : m_style;
    } else {
        view.shadowWidth = numberIn(m_shadowWidth, 6);
        view.roundSize = numberIn(m_roundSize, 10);
    }
}

void TfrRoundRectEditorForm::updateSample() {
    apply(*m_sample);
    m_sample->setBounds(0, 0, kSampleWidth, kSampleHeight);
    QPixmap picture(kSampleWidth, kSampleHeight);
    picture.fill(Qt::white);
    QPainter p(&picture);
    TfrDrawContext c;
    c.painter = &p;
    c.measurer = &frTextMeasurer(m_document.engine());
    c.designer = true;
    frDrawObject(*m_sample, c);
    p.end();
    m_sampleView->setPixmap(picture);
}

TfrDesignerClassInfo frRoundRectDesignerInfo() {
    return {frAddInIcon(QStringLiteral("addin-roundrect")), QStringLiteral("Вставить прямоугольник с тенью"),
            frRunAddInEditor<TfrRoundRectView, TfrRoundRectEditorForm>};
}
