#pragma once

#include "common/variant.h"

#include <QString>
#include <cstdint>

// Number and date-time formatting of reports: patterns, the display formats of
// objects and edit masks. Nothing here depends on the process locale: the
// separators are parameters and the Russian month and day names come from the
// tables of formats.cpp.
namespace frformats {

constexpr char16_t kThousandSeparator = u' ';
constexpr char16_t kDateSeparator = u'.';
constexpr char16_t kTimeSeparator = u':';

// Number pattern: 0 digit, # digit if significant, the first . the decimal
// point, , in the integer part turns on thousands grouping, E+ E- e+ e-
// scientific notation, text in single or double quotes literal, up to three
// sections (positive;negative;zero). Other characters are copied.
QString formatNumber(const QString& pattern, double value, char16_t decimalSeparator = u'.',
                     char16_t thousandSeparator = kThousandSeparator);

// Fixed notation with exactly `decimals` decimal digits and at most 15
// significant digits; numbers of 1e15 and more in scientific notation.
// `grouping` adds thousands separators (the "number" notation).
QString formatFixed(double value, int decimals, bool grouping, char16_t decimalSeparator = u'.',
                    char16_t thousandSeparator = kThousandSeparator);

// Date-time pattern: d dd ddd dddd ddddd dddddd, m mm mmm mmmm, yy yyyy, h hh,
// n nn, s ss, z zzz, am/pm a/p, / (date separator), : (time separator), quoted
// literals. Raises for a day count outside the years 1 to 9999.
QString formatDateTime(const QString& pattern, double dateTime);
// "5 ноября 1998".
QString longDate(double dateTime);

// The value as a date-time: numbers as they are, texts read as dates ("dd.mm.yyyy"
// with an optional " h:nn[:ss]"). Raises when neither works.
double toDateTime(const TVariant& value);

// Text of a value under a display format (category, type, digits, separator)
// and its format text. Empty, null and blank values give an empty text;
// anything that fails to format gives the value's plain text.
QString formatValue(const TVariant& value, std::uint32_t format, const QString& formatText);

// Edit mask of FORMATTEXT applied to a text (the mask without its ";0; "
// tail): 0 A C L # 9 a c l data positions, ! < > directives, \ escapes, / and :
// the date and time separators, anything else literal.
QString formatMaskText(const QString& mask, const QString& text);

// The catalogue of display formats: names of the categories and of the types
// of each category (empty where a category has fewer types).
const QStringList& categoryNames();
QString typeName(int category, int type);

} // namespace frformats
