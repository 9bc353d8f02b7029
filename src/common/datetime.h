#pragma once

#include <QDateTime>
#include <QString>
#include <cstdint>

// Date-times as the program exchanges them: a double counting days since
// 30 December 1899, the fraction being the time of day.
namespace datetime {

double fromQDateTime(const QDateTime& dt);
QDateTime toQDateTime(double days); // local time, millisecond precision

// Now as a day count.
double now();

// A file time in 100-ns units since 1 January 1601 (UTC) and back.
QDateTime fromFileTime(std::uint64_t fileTime); // UTC
std::uint64_t toFileTime(const QDateTime& dt);

// Text of a day count: "dd.mm.yyyy", followed by " h:nn:ss" when there is a time
// of day; only the time when the date part is zero.
QString toText(double days);

} // namespace datetime
