#pragma once

#include "common/variant.h"

#include <QString>
#include <QStringList>

class TfrExprContext;
class TfrMemoView;
class TfrView;

// Memo texts: bracketed expressions replaced by their formatted values.
namespace frmemo {

// Evaluates one bracket's content ("expression" or "expression #format") and
// formats the value with the inline format or the object's display format
// (text without an object). During the aggregate registration pass nothing is
// formatted and the result is empty.
QString evaluateBracket(TfrExprContext& context, const QString& text, const TfrView* object);

// Replaces every bracketed expression of a line by its value. Brackets inside
// quotes do not end an expression; inserted values are not scanned again; a
// bracket that never closes leaves the rest of the line as it is.
QString expandText(TfrExprContext& context, const QString& line, const TfrView* object);

// The expanded lines of a memo object (its working text): lines are expanded
// unless the object has TextOnly; a value with line breaks gives several lines.
QStringList expandMemo(TfrExprContext& context, TfrMemoView& memo);

// Whether a memo's highlight applies: its condition, in postfix form, gives a
// value other than 0. A failing condition never highlights.
bool highlightApplies(TfrExprContext& context, const QString& conditionPostfix);

// An inline format ("#N8.2", "#BНет;Да" ...) read into a display format and
// format text; false when the text is no inline format the object's format
// gives way to.
bool readInlineFormat(const QString& format, std::uint32_t& code, QString& formatText);

} // namespace frmemo
