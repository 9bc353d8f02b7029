#include "report/preview/pageeditor.h"

#include "report/model/engine.h"

namespace {

struct TfrPageEditorState {
    TfrPageEditor editor;
};

} // namespace

TfrPageEditor& frPageEditor(TfrEngine& engine) { return engine.state<TfrPageEditorState>().editor; }
