#include "report/expr/exprvalues.h"

#include "common/exception.h"
#include "common/numformat.h"
#include "report/expr/parser.h"

#include <QDate>
#include <QStringList>
#include <cmath>

namespace frvalues {

namespace {

TVariant byte(bool v) { return TVariant(std::uint8_t(v ? 1 : 0)); }

double nearestIntegerOrSelf(double x) {
    const double r = std::nearbyint(x);
    return std::fabs(x - r) <= 1e-10 ? r : x;
}

TVariant logical(char16_t code, const TVariant& a, const TVariant& b) {
    if (a.kind() == TVariant::Kind::Boolean && b.kind() == TVariant::Kind::Boolean)
        return TVariant(code == frop::And ? (a.toBool() && b.toBool()) : (a.toBool() || b.toBool()));
    const std::int32_t x = a.toInt(), y = b.toInt();
    return TVariant(std::int32_t(code == frop::And ? (x & y) : (x | y)));
}

TVariant divide(const TVariant& a, const TVariant& b) {
    if (a.isNull() || b.isNull())
        return TVariant::null();
    if (b.toDouble() == 0)
        return TVariant(std::int32_t(0));
    return a / b;
}

TVariant modulo(const TVariant& a, const TVariant& b) {
    const std::int32_t x = a.toInt(), y = b.toInt();
    if (y == 0)
        throw Exception(QStringLiteral("Division by zero"));
    if (y == -1)
        return TVariant(std::int32_t(0)); // also for the smallest integer, whose quotient overflows
    return TVariant(std::int32_t(x % y));
}

TVariant negate(const TVariant& v) {
    if (v.isNull())
        return v;
    if (v.isIntegral())
        return v.toInt() == INT32_MIN ? TVariant(2147483648.0) : TVariant(std::int32_t(-v.toInt()));
    if (v.kind() == TVariant::Kind::DateTime)
        return TVariant::dateTime(-v.toDouble());
    return TVariant(-v.toDouble());
}

} // namespace

int compare(const TVariant& a, const TVariant& b, bool& ordered) {
    ordered = true;
    if (a.isNull() || b.isNull()) {
        ordered = false;
        return a.isNull() && b.isNull() ? 0 : 1;
    }
    const bool aText = a.isString() || a.isEmpty(), bText = b.isString() || b.isEmpty();
    if (aText && bText && (a.isString() || b.isString())) {
        const int c = QString::compare(a.toString(), b.toString(), Qt::CaseSensitive);
        return c < 0 ? -1 : c > 0 ? 1 : 0;
    }
    const double x = a.toDouble(), y = b.toDouble();
    return x < y ? -1 : x > y ? 1 : 0;
}

TVariant binary(char16_t code, const TVariant& a, const TVariant& b) {
    switch (code) {
    case u'+': return a + b;
    case u'-': return a - b;
    case u'*': return a * b;
    case u'/': return divide(a, b);
    case frop::Mod: return modulo(a, b);
    case frop::And:
    case frop::Or: return logical(code, a, b);
    default: break;
    }
    bool ordered = true;
    const int c = compare(a, b, ordered);
    switch (code) {
    case u'=': return byte(c == 0);
    case frop::NotEqual: return byte(c != 0);
    case u'<': return byte(ordered && c < 0);
    case u'>': return byte(ordered && c > 0);
    case frop::LessEqual: return byte(ordered && c <= 0);
    case frop::GreaterEqual: return byte(ordered && c >= 0);
    default: throw EExpressionError(QStringLiteral("Ошибка в выражении: неизвестная операция %1").arg(int(code)));
    }
}

TVariant unary(char16_t code, const TVariant& v) {
    switch (code) {
    case frop::Negate: return negate(v);
    case frop::Not: return byte(v == TVariant(std::int32_t(0)));
    case frop::Int: {
        const double x = nearestIntegerOrSelf(v.toDouble());
        return TVariant(std::trunc(x));
    }
    case frop::Frac: {
        const double x = nearestIntegerOrSelf(v.toDouble());
        return TVariant(x - std::trunc(x));
    }
    case frop::Round: return TVariant(std::nearbyint(v.toDouble()));
    case frop::Str: return TVariant(v.toString());
    default: throw EExpressionError(QStringLiteral("Ошибка в выражении: неизвестная операция %1").arg(int(code)));
    }
}

bool conditionHolds(const TVariant& condition) {
    if (condition.kind() == TVariant::Kind::Boolean)
        return condition.toBool();
    const QString text = condition.toString();
    const auto d = numfmt::parseFloat(text);
    if (!d)
        throw Exception(QStringLiteral("«%1» не является числом").arg(text.left(100)));
    return std::trunc(*d) != 0;
}

QString copy(const QString& text, std::int32_t from, std::int32_t count) {
    if (count <= 0)
        return QString();
    const qsizetype start = from < 1 ? 0 : qsizetype(from) - 1;
    if (start >= text.size())
        return QString();
    return text.mid(start, count);
}

namespace {

[[noreturn]] void notADate(const QString& text, bool time) {
    throw Exception(time ? QStringLiteral("«%1» не является временем").arg(text.left(100))
                         : QStringLiteral("«%1» не является датой").arg(text.left(100)));
}

bool readNumber(QStringView part, int& value, int maxDigits) {
    if (part.isEmpty() || part.size() > maxDigits)
        return false;
    value = 0;
    for (QChar c : part) {
        if (c < u'0' || c > u'9')
            return false;
        value = value * 10 + (c.unicode() - u'0');
    }
    return true;
}

} // namespace

double strToDate(const QString& source) {
    const QString text = source.trimmed();
    QString normal = text;
    normal.replace(u'/', u'.').replace(u'-', u'.');
    const QStringList parts = normal.split(u'.');
    if (parts.size() < 2 || parts.size() > 3)
        notADate(text, false);
    int day = 0, month = 0, year = QDate::currentDate().year();
    if (!readNumber(parts[0], day, 2) || !readNumber(parts[1], month, 2))
        notADate(text, false);
    if (parts.size() == 3) {
        if (!readNumber(parts[2], year, 4))
            notADate(text, false);
        if (parts[2].size() <= 2)
            year += year < 50 ? 2000 : 1900;
    }
    const QDate date(year, month, day);
    if (!date.isValid())
        notADate(text, false);
    return double(date.toJulianDay() - QDate(1899, 12, 30).toJulianDay());
}

double strToTime(const QString& source) {
    const QString text = source.trimmed();
    const QStringList parts = text.split(u':');
    if (parts.size() < 2 || parts.size() > 3)
        notADate(text, true);
    int h = 0, m = 0, s = 0;
    if (!readNumber(parts[0], h, 2) || !readNumber(parts[1], m, 2) ||
        (parts.size() == 3 && !readNumber(parts[2], s, 2)) || h > 23 || m > 59 || s > 59)
        notADate(text, true);
    return (h * 3600.0 + m * 60.0 + s) / 86400.0;
}

} // namespace frvalues
