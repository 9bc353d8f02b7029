#include "report/preview/pageeditor.h"

#include "report/model/engine.h"

namespace {

struct TfrPageEditorState {
    TfrPageEditor editor;
    std::function<bool()> greyButtons;
};

} // namespace

TfrPageEditor& frPageEditor(TfrEngine& engine) { return engine.state<TfrPageEditorState>().editor; }

std::function<bool()>& frDesignerGreyButtons(TfrEngine& engine) {
    return engine.state<TfrPageEditorState>().greyButtons;
}
