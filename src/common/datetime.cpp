#include "datetime.h"

#include <QTimeZone>
#include <cmath>

namespace datetime {
namespace {
const QDate kEpoch(1899, 12, 30);
constexpr qint64 kMsPerDay = 86400000;
constexpr std::uint64_t kFileTimeToUnixEpoch = 116444736000000000ULL; // 100-ns units
} // namespace

double fromQDateTime(const QDateTime& dt) {
    const qint64 days = kEpoch.daysTo(dt.date());
    const double fraction = dt.time().msecsSinceStartOfDay() / double(kMsPerDay);
    // Before the epoch the fraction counts away from zero, as the day count does.
    return days >= 0 ? days + fraction : days - fraction;
}

QDateTime toQDateTime(double days) {
    const double whole = std::trunc(days);
    const double fraction = std::fabs(days - whole);
    qint64 ms = std::llround(fraction * kMsPerDay);
    qint64 dayCount = static_cast<qint64>(whole);
    if (ms >= kMsPerDay) {
        ms -= kMsPerDay;
        dayCount += days >= 0 ? 1 : -1;
    }
    return QDateTime(kEpoch.addDays(dayCount), QTime::fromMSecsSinceStartOfDay(static_cast<int>(ms)));
}

double now() { return fromQDateTime(QDateTime::currentDateTime()); }

QDateTime fromFileTime(std::uint64_t fileTime) {
    const qint64 unix100ns = static_cast<qint64>(fileTime - kFileTimeToUnixEpoch);
    return QDateTime::fromMSecsSinceEpoch(unix100ns / 10000, QTimeZone::utc());
}

std::uint64_t toFileTime(const QDateTime& dt) {
    return static_cast<std::uint64_t>(dt.toMSecsSinceEpoch()) * 10000ULL + kFileTimeToUnixEpoch;
}

QString toText(double days) {
    const QDateTime dt = toQDateTime(days);
    const bool hasDate = std::trunc(days) != 0;
    const bool hasTime = dt.time().msecsSinceStartOfDay() != 0;
    QString out;
    if (hasDate || !hasTime)
        out = dt.date().toString(QStringLiteral("dd.MM.yyyy"));
    if (hasTime) {
        if (!out.isEmpty())
            out += u' ';
        out += dt.time().toString(QStringLiteral("H:mm:ss"));
    }
    return out;
}

} // namespace datetime
