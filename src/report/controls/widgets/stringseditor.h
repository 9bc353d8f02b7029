#pragma once

#include <QStringList>

class QWidget;
class TfrDesignDocument;
class TfrView;

// The string-list editor "Редактор строк": a multi-line edit with cut, copy
// and paste, OK and Cancel. True when the user pressed OK; `lines` then
// holds the edited lines.
bool frEditStrings(QStringList& lines, QWidget* parent);

// The designer's editor of list boxes and combo boxes (their Items) and memo
// controls (their Lines): nothing opens when the object's restrictions forbid
// changing its options; a change is one undo entry (true).
bool frEditControlStrings(TfrDesignDocument& document, TfrView& view, QWidget* parent);
