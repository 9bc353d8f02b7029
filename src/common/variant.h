#pragma once

#include <QString>
#include <cstdint>
#include <variant>

// The dynamic value exchanged by table columns, dictionary variables,
// expressions, scripts and object properties.
//
// Rules: "+" concatenates two strings and adds numbers; a string meeting a
// number is converted to a number (failure is an error); a double converted to
// an integer rounds to nearest with ties to even; a boolean reads as "True" or
// "False"; null equals only null; null and empty read as the empty string;
// numbers and text convert with "." as the decimal separator. A date-time is a
// double counting days since 30 December 1899.
class TVariant {
public:
    enum class Kind { Empty, Null, Boolean, Byte, Integer, Double, DateTime, String };

    TVariant() = default; // empty
    TVariant(bool v) : m_kind(Kind::Boolean), m_value(v) {}
    TVariant(std::uint8_t v) : m_kind(Kind::Byte), m_value(std::int32_t(v)) {}
    TVariant(std::int32_t v) : m_kind(Kind::Integer), m_value(v) {}
    TVariant(double v) : m_kind(Kind::Double), m_value(v) {}
    TVariant(const QString& v) : m_kind(Kind::String), m_value(v) {}
    TVariant(QString&& v) : m_kind(Kind::String), m_value(std::move(v)) {}
    TVariant(const char16_t* v) : TVariant(QString::fromUtf16(v)) {}
    TVariant(const char*) = delete; // texts are QString; say which encoding

    static TVariant null();
    static TVariant dateTime(double days);

    Kind kind() const { return m_kind; }
    bool isEmpty() const { return m_kind == Kind::Empty; }
    bool isNull() const { return m_kind == Kind::Null; }
    bool isNullOrEmpty() const { return m_kind == Kind::Null || m_kind == Kind::Empty; }
    bool isString() const { return m_kind == Kind::String; }
    bool isNumeric() const; // byte, integer, double or date-time
    bool isIntegral() const { return m_kind == Kind::Byte || m_kind == Kind::Integer; }

    // Conversions; they throw Exception when the value cannot be converted.
    QString toString() const;
    double toDouble() const;
    std::int32_t toInt() const;
    bool toBool() const;

    // Name of the kind for messages ("String", "Integer", ...).
    static QString kindName(Kind kind);

    // Strict equality of kinds and values as the table and the dictionary use it
    // (null equals only null; numbers compare by value across numeric kinds;
    // strings compare case-sensitively).
    bool operator==(const TVariant& other) const;

    TVariant operator+(const TVariant& other) const;
    TVariant operator-(const TVariant& other) const;
    TVariant operator*(const TVariant& other) const;
    TVariant operator/(const TVariant& other) const;

private:
    Kind m_kind = Kind::Empty;
    std::variant<std::monostate, bool, std::int32_t, double, QString> m_value;

    TVariant(Kind kind, double v) : m_kind(kind), m_value(v) {}
    [[noreturn]] void conversionError(Kind target) const;
};
