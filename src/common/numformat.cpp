#include "numformat.h"

#include <QLocale>

#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <string>

namespace numfmt {

void usePointAsDecimalSeparator() {
    QLocale::setDefault(QLocale::c());
    std::setlocale(LC_NUMERIC, "C");
}

QString formatFloat(double value) {
    if (std::isnan(value))
        return QStringLiteral("NAN");
    if (std::isinf(value))
        return value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
    if (value == 0)
        return QStringLiteral("0");

    // 15 significant digits: d.dddddddddddddde±xx
    char buf[40];
    const char* end = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 14).ptr;
    std::string s(static_cast<const char*>(buf), end);
    const bool negative = s[0] == '-';
    if (negative)
        s.erase(0, 1);
    const auto ePos = s.find('e');
    int exponent = std::stoi(s.substr(ePos + 1));
    std::string digits = s.substr(0, 1) + s.substr(2, ePos - 2);
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();

    std::string out;
    if (negative)
        out += '-';
    if (exponent < 15 && exponent >= -4) {
        if (exponent >= 0) {
            const std::size_t intLen = static_cast<std::size_t>(exponent) + 1;
            if (digits.size() <= intLen) {
                out += digits;
                out.append(intLen - digits.size(), '0');
            } else {
                out += digits.substr(0, intLen);
                out += '.';
                out += digits.substr(intLen);
            }
        } else {
            out += "0.";
            out.append(static_cast<std::size_t>(-exponent - 1), '0');
            out += digits;
        }
    } else {
        out += digits.substr(0, 1);
        if (digits.size() > 1) {
            out += '.';
            out += digits.substr(1);
        }
        out += 'E';
        out += std::to_string(exponent);
    }
    return QString::fromLatin1(out.data(), static_cast<qsizetype>(out.size()));
}

std::optional<double> parseFloat(QStringView text) {
    qsizetype b = 0, e = text.size();
    while (b < e && text[b] == u' ')
        ++b;
    while (e > b && text[e - 1] == u' ')
        --e;
    std::string s;
    s.reserve(static_cast<std::size_t>(e - b));
    qsizetype i = b;
    auto at = [&](qsizetype k) { return k < e ? text[k].unicode() : char16_t(0); };
    auto isDigit = [](char16_t c) { return c >= u'0' && c <= u'9'; };
    if (at(i) == u'+' || at(i) == u'-')
        s += static_cast<char>(text[i++].unicode());
    int mantissaDigits = 0;
    while (isDigit(at(i))) {
        s += static_cast<char>(text[i++].unicode());
        ++mantissaDigits;
    }
    if (at(i) == u'.') {
        s += '.';
        ++i;
        while (isDigit(at(i))) {
            s += static_cast<char>(text[i++].unicode());
            ++mantissaDigits;
        }
    }
    if (mantissaDigits == 0)
        return std::nullopt;
    if (at(i) == u'e' || at(i) == u'E') {
        s += 'e';
        ++i;
        if (at(i) == u'+' || at(i) == u'-')
            s += static_cast<char>(text[i++].unicode());
        if (!isDigit(at(i)))
            return std::nullopt;
        while (isDigit(at(i)))
            s += static_cast<char>(text[i++].unicode());
    }
    if (i != e)
        return std::nullopt;
    const char* first = s.data();
    if (*first == '+')
        ++first;
    double v = 0;
    const auto r = std::from_chars(first, s.data() + s.size(), v);
    if (r.ec != std::errc() || !std::isfinite(v))
        return std::nullopt;
    return v;
}

std::optional<std::int32_t> parseInt(QStringView text) {
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
        negative = text[i++] == u'-';
    if (i == text.size())
        return std::nullopt;
    std::int64_t v = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return std::nullopt;
        v = v * 10 + (c - u'0');
        if (v > 2147483648LL)
            return std::nullopt;
    }
    if (negative)
        v = -v;
    if (v > 2147483647LL)
        return std::nullopt;
    return static_cast<std::int32_t>(v);
}

} // namespace numfmt
