#pragma once

// The editors of the built-in objects the designer's edit command opens, and
// the property editors of memos' display format and highlight. Each works on
// its own copies of the values and applies them only on OK, with one undo
// entry (the rules are report/design/designeditors.h):
//  - "Редактор текста": the text (`Memo`) above the script, for text objects;
//    bands and dialog controls show only their script;
//  - the picture editor: load a file or clear;
//  - "Источник данных" (master, detail and subdetail data bands),
//    "Источники данных" (cross data band), "Группа" (group header);
//  - "Формат переменной" (DisplayFormat) and "Условное выделение" (Highlight).

class QWidget;
class TfrDesignDocument;
class TfrView;

// Registers the editors above with the designer's class registry
// (TfrMemoView, TfrPictureView, TfrBandView, keeping what else is registered
// for them) and as the property editors "DisplayFormat", "Highlight" and the
// bands' "OnBeforePrint" (their script). Called by frInstallDesigner; calling
// it again does no harm.
void frRegisterBuiltInEditors();

// The text and script editor of an object (Ctrl+Enter): text and script for
// text objects and the other non-band objects, the script alone for bands and
// dialog controls. Nothing opens when the object's restrictions forbid
// editing its contents. True when the object was changed.
bool frEditTextAndScript(TfrDesignDocument& document, TfrView& view, QWidget* parent);
