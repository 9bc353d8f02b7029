#include "report/addins/widgets/checkboxeditor.h"

#include "report/addins/shapes.h"
#include "report/addins/widgets/addineditors.h"
#include "report/designer/editorparts.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

TfrCheckBoxEditorForm::TfrCheckBoxEditorForm(TfrDesignDocument& document, const TfrCheckBoxView& view, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("CheckBox объект"));
    TfrReport& report = document.report();

    m_expression = new QLineEdit(view.memo.value(0), this);
    m_expression->setObjectName(QStringLiteral("Expression"));
    m_expression->setMinimumWidth(280);
    auto* label = new QLabel(QStringLiteral("&Выражение (отметка при значении, отличном от 0)"), this);
    label->setBuddy(m_expression);
    auto* expression = new QPushButton(QStringLiteral("Вставить выражение"), this);
    expression->setObjectName(QStringLiteral("InsertExpression"));
    connect(expression, &QPushButton::clicked, this, [this, &report] { frInsertExpression(report, m_expression); });
    auto* field = new QPushButton(QStringLiteral("Вставить поле БД"), this);
    field->setObjectName(QStringLiteral("InsertField"));
    connect(field, &QPushButton::clicked, this, [this, &report] { frInsertField(report, m_expression); });

    auto* look = new QGroupBox(QStringLiteral("Отметка"), this);
    m_style = new QButtonGroup(this);
    auto* cross = new QRadioButton(QStringLiteral("&Крестик"), look);
    cross->setObjectName(QStringLiteral("Cross"));
    auto* check = new QRadioButton(QStringLiteral("&Галочка"), look);
    check->setObjectName(QStringLiteral("Check"));
    m_style->addButton(cross, csCross);
    m_style->addButton(check, csCheck);
    if (QAbstractButton* b = m_style->button(view.checkStyle))
        b->setChecked(true);
    m_color = new TfrColorSwatch(view.checkColor, look);
    m_color->setObjectName(QStringLiteral("Color"));
    auto* colorLabel = new QLabel(QStringLiteral("Цвет"), look);
    auto* lookLayout = new QGridLayout(look);
    lookLayout->addWidget(cross, 0, 0);
    lookLayout->addWidget(check, 1, 0);
    lookLayout->addWidget(colorLabel, 0, 1);
    lookLayout->addWidget(m_color, 1, 1);

    QDialogButtonBox* buttons = frOkCancelButtons(*this);

    auto* insert = new QHBoxLayout;
    insert->addWidget(expression);
    insert->addWidget(field);
    insert->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(m_expression);
    layout->addLayout(insert);
    layout->addWidget(look);
    layout->addWidget(buttons);
}

void TfrCheckBoxEditorForm::apply(TfrCheckBoxView& view) const {
    // An empty memo stays empty when no expression was written.
    if (!view.memo.isEmpty() || !m_expression->text().isEmpty())
        view.setDataField(m_expression->text());
    if (m_style->checkedId() >= 0)
        view.checkStyle = std::uint8_t(m_style->checkedId());
    view.checkColor = m_color->color();
}

TfrDesignerClassInfo frCheckBoxDesignerInfo() {
    return {frAddInIcon(QStringLiteral("addin-checkbox")), QStringLiteral("Вставить CheckBox объект"),
            frRunAddInEditor<TfrCheckBoxView, TfrCheckBoxEditorForm>};
}
