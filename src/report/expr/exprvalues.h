#pragma once

#include "common/variant.h"

#include <QString>
#include <cstdint>

// Operators and the few built-in conversions of expressions, on values.
namespace frvalues {

// Applies an operator code of the postfix form (frop:: or one of + - * / < = >).
TVariant binary(char16_t code, const TVariant& left, const TVariant& right);
TVariant unary(char16_t code, const TVariant& operand);

// -1, 0 or 1; `ordered` false when a null takes part (then only equality
// is defined: null equals null).
int compare(const TVariant& left, const TVariant& right, bool& ordered);

// The condition of IF: a boolean as it is, anything else through its text as a
// number whose integer part is not zero. A text that is no number raises.
bool conditionHolds(const TVariant& condition);

// `count` characters of `text` from the 1-based position `from` (cut at the end).
QString copy(const QString& text, std::int32_t from, std::int32_t count);

// Dates and times written the way the program writes them: "dd.mm.yyyy" (also
// "dd.mm.yy", "/" or "-" between the parts) and "h:nn[:ss]". Raise when the
// text is no date or time.
double strToDate(const QString& text);
double strToTime(const QString& text);

} // namespace frvalues
