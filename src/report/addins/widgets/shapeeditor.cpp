#include "report/addins/widgets/shapeeditor.h"

#include "report/addins/shapes.h"
#include "report/addins/widgets/addineditors.h"
#include "report/designer/editorparts.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

// The figures in the order of their kinds.
const char16_t* const kKindNames[] = {
    u"&Прямоугольник", u"&Скругленный прямоугольник", u"&Эллипс",
    u"&Треугольник",   u"Диагональ &снизу вверх",     u"Диагональ с&верху вниз",
};

} // namespace

TfrShapeEditorForm::TfrShapeEditorForm(TfrDesignDocument&, const TfrShapeView& view, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("Фигура"));
    auto* group = new QGroupBox(QStringLiteral("Вид фигуры"), this);
    auto* groupLayout = new QVBoxLayout(group);
    m_kinds = new QButtonGroup(this);
    int kind = 0;
    for (const char16_t* name : kKindNames) {
        auto* b = new QRadioButton(QString::fromUtf16(name), group);
        b->setObjectName(QStringLiteral("Kind%1").arg(kind));
        m_kinds->addButton(b, kind++);
        groupLayout->addWidget(b);
    }
    if (QAbstractButton* b = m_kinds->button(view.shape))
        b->setChecked(true);
    QDialogButtonBox* buttons = frOkCancelButtons(*this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(buttons);
}

void TfrShapeEditorForm::apply(TfrShapeView& view) const {
    if (m_kinds->checkedId() >= 0)
        view.shape = std::uint8_t(m_kinds->checkedId());
}

TfrDesignerClassInfo frShapeDesignerInfo() {
    return {frAddInIcon(QStringLiteral("addin-shape")), QStringLiteral("Вставить фигуру"),
            frRunAddInEditor<TfrShapeView, TfrShapeEditorForm>};
}
