#include "variant.h"

#include "datetime.h"
#include "exception.h"
#include "numformat.h"
#include "rounding.h"

#include <cmath>

TVariant TVariant::null() {
    TVariant v;
    v.m_kind = Kind::Null;
    return v;
}

TVariant TVariant::dateTime(double days) { return TVariant(Kind::DateTime, days); }

bool TVariant::isNumeric() const {
    return m_kind == Kind::Byte || m_kind == Kind::Integer || m_kind == Kind::Double || m_kind == Kind::DateTime;
}

QString TVariant::kindName(Kind kind) {
    switch (kind) {
    case Kind::Empty: return QStringLiteral("Empty");
    case Kind::Null: return QStringLiteral("Null");
    case Kind::Boolean: return QStringLiteral("Boolean");
    case Kind::Byte: return QStringLiteral("Byte");
    case Kind::Integer: return QStringLiteral("Integer");
    case Kind::Double: return QStringLiteral("Double");
    case Kind::DateTime: return QStringLiteral("Date");
    case Kind::String: return QStringLiteral("String");
    }
    return {};
}

void TVariant::conversionError(Kind target) const {
    throw Exception(QStringLiteral("Could not convert variant of type (%1) into type (%2)")
                        .arg(kindName(m_kind), kindName(target)));
}

QString TVariant::toString() const {
    switch (m_kind) {
    case Kind::Empty:
    case Kind::Null: return QString();
    case Kind::Boolean: return std::get<bool>(m_value) ? QStringLiteral("True") : QStringLiteral("False");
    case Kind::Byte:
    case Kind::Integer: return QString::number(std::get<std::int32_t>(m_value));
    case Kind::Double: return numfmt::formatFloat(std::get<double>(m_value));
    case Kind::DateTime: return datetime::toText(std::get<double>(m_value));
    case Kind::String: return std::get<QString>(m_value);
    }
    return QString();
}

double TVariant::toDouble() const {
    switch (m_kind) {
    case Kind::Empty: return 0;
    case Kind::Null: conversionError(Kind::Double);
    case Kind::Boolean: return std::get<bool>(m_value) ? -1 : 0;
    case Kind::Byte:
    case Kind::Integer: return std::get<std::int32_t>(m_value);
    case Kind::Double:
    case Kind::DateTime: return std::get<double>(m_value);
    case Kind::String: {
        const QString& s = std::get<QString>(m_value);
        if (const auto d = numfmt::parseFloat(s))
            return *d;
        if (s.compare(u"true", Qt::CaseInsensitive) == 0)
            return -1;
        if (s.compare(u"false", Qt::CaseInsensitive) == 0)
            return 0;
        conversionError(Kind::Double);
    }
    }
    return 0;
}

std::int32_t TVariant::toInt() const {
    switch (m_kind) {
    case Kind::Byte:
    case Kind::Integer: return std::get<std::int32_t>(m_value);
    case Kind::String:
        if (const auto i = numfmt::parseInt(std::get<QString>(m_value)))
            return *i;
        break;
    case Kind::Null: conversionError(Kind::Integer);
    default: break;
    }
    const double d = toDouble();
    if (!(d > -2147483649.0 && d < 2147483648.0))
        conversionError(Kind::Integer);
    return roundHalfEven(d);
}

bool TVariant::toBool() const {
    switch (m_kind) {
    case Kind::Empty: return false;
    case Kind::Null: conversionError(Kind::Boolean);
    case Kind::Boolean: return std::get<bool>(m_value);
    case Kind::String: {
        const QString& s = std::get<QString>(m_value);
        if (s.compare(u"true", Qt::CaseInsensitive) == 0)
            return true;
        if (s.compare(u"false", Qt::CaseInsensitive) == 0)
            return false;
        if (const auto d = numfmt::parseFloat(s))
            return *d != 0;
        conversionError(Kind::Boolean);
    }
    default: return toDouble() != 0;
    }
}

bool TVariant::operator==(const TVariant& other) const {
    if (isNull() || other.isNull())
        return isNull() && other.isNull();
    if (m_kind == Kind::String && other.m_kind == Kind::String)
        return std::get<QString>(m_value) == std::get<QString>(other.m_value);
    if (isEmpty() && other.isEmpty())
        return true;
    if (m_kind == Kind::Boolean && other.m_kind == Kind::Boolean)
        return std::get<bool>(m_value) == std::get<bool>(other.m_value);
    if (m_kind == Kind::String || other.m_kind == Kind::String) {
        // A string meets another kind: empty compares as the empty string,
        // a number compares by value.
        if (isEmpty() || other.isEmpty())
            return toString() == other.toString();
        try {
            return toDouble() == other.toDouble();
        } catch (const Exception&) {
            return false;
        }
    }
    return toDouble() == other.toDouble();
}

namespace {

bool bothIntegral(const TVariant& a, const TVariant& b) {
    auto integralLike = [](const TVariant& v) {
        return v.isIntegral() || v.kind() == TVariant::Kind::Boolean || v.isEmpty();
    };
    return integralLike(a) && integralLike(b);
}

TVariant fromInt64(std::int64_t v) {
    if (v >= INT32_MIN && v <= INT32_MAX)
        return TVariant(static_cast<std::int32_t>(v));
    return TVariant(static_cast<double>(v));
}

// Result kind of arithmetic on two numbers: a date-time survives addition and
// subtraction with plain numbers.
TVariant numeric(double v, const TVariant& a, const TVariant& b, bool keepDate) {
    if (keepDate && (a.kind() == TVariant::Kind::DateTime) != (b.kind() == TVariant::Kind::DateTime))
        return TVariant::dateTime(v);
    return TVariant(v);
}

} // namespace

TVariant TVariant::operator+(const TVariant& other) const {
    if (isNull() || other.isNull())
        return TVariant::null();
    if (m_kind == Kind::String && other.m_kind == Kind::String)
        return TVariant(std::get<QString>(m_value) + std::get<QString>(other.m_value));
    if (isEmpty() && other.m_kind == Kind::String)
        return other;
    if (other.isEmpty() && m_kind == Kind::String)
        return *this;
    if (bothIntegral(*this, other))
        return fromInt64(std::int64_t(toInt()) + other.toInt());
    return numeric(toDouble() + other.toDouble(), *this, other, true);
}

TVariant TVariant::operator-(const TVariant& other) const {
    if (isNull() || other.isNull())
        return TVariant::null();
    if (bothIntegral(*this, other))
        return fromInt64(std::int64_t(toInt()) - other.toInt());
    const bool dates = m_kind == Kind::DateTime && other.m_kind == Kind::DateTime;
    return dates ? TVariant(toDouble() - other.toDouble())
                 : numeric(toDouble() - other.toDouble(), *this, other, true);
}

TVariant TVariant::operator*(const TVariant& other) const {
    if (isNull() || other.isNull())
        return TVariant::null();
    if (bothIntegral(*this, other))
        return fromInt64(std::int64_t(toInt()) * other.toInt());
    return TVariant(toDouble() * other.toDouble());
}

TVariant TVariant::operator/(const TVariant& other) const {
    if (isNull() || other.isNull())
        return TVariant::null();
    const double d = other.toDouble();
    if (d == 0)
        throw Exception(QStringLiteral("Division by zero"));
    return TVariant(toDouble() / d);
}
