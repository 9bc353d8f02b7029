#include "report/designer/propertyeditors.h"

#include "report/design/designdoc.h"
#include "report/designer/designerclasses.h"
#include "report/designer/editorparts.h"
#include "report/model/objects.h"

namespace {

// "Font" of a text: the font chosen in the font dialog (its colour stays).
bool editFont(TfrDesignDocument& doc, TfrView& view, QWidget* parent) {
    auto* memo = frCast<TfrMemoView>(&view);
    if (!memo || (view.restrictions & frrfDontModify))
        return false;
    const std::optional<TfrFont> font = frEditorPickers().font(memo->font, parent);
    if (!font || *font == memo->font)
        return false;
    doc.recordChange({&view});
    memo->font = *font;
    return true;
}

// "DataField": the field picker's reference, set through the property.
bool editDataField(TfrDesignDocument& doc, TfrView& view, QWidget* parent) {
    const std::optional<QString> field = frEditorPickers().field(doc.report(), parent);
    return field && doc.setProperty({&view}, QStringLiteral("DataField"), TVariant(*field));
}

} // namespace

void frRegisterPropertyEditors() {
    frRegisterPropertyEditor(QStringLiteral("Font"), editFont, &TfrMemoView::classInfo());
    frRegisterPropertyEditor(QStringLiteral("DataField"), editDataField);
}
