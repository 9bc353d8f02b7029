#pragma once

#include <QString>
#include <QStringView>
#include <cstdint>
#include <optional>

// Conversions between numbers and text. The decimal separator is always ".".
namespace numfmt {

// Makes "." the decimal separator of every conversion of the process, Qt's and
// the C library's. Call it after the Q(Core)Application exists, since creating
// one sets the C library's locale from the environment.
void usePointAsDecimalSeparator();

// General format with up to 15 significant digits: fixed notation while the
// integer part has at most 15 digits and the magnitude is at least 0.0001,
// otherwise scientific ("1.5E-5", "1E20"); no trailing zeros, "0" for zero.
QString formatFloat(double value);
// The same text written into out (at least FloatChars bytes, no terminating
// zero); returns its length.
inline constexpr int FloatChars = 32;
int formatFloat(double value, char* out);

// A decimal number: optional sign, digits with an optional "." part and an
// optional exponent ("E" or "e", optional sign, digits). Blanks at either end are
// allowed; anything else fails.
std::optional<double> parseFloat(QStringView text);

// A decimal 32-bit integer: optional sign and digits, nothing else.
std::optional<std::int32_t> parseInt(QStringView text);

} // namespace numfmt
