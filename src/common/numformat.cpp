#include "numformat.h"

#include <QLocale>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <string>

namespace numfmt {

void usePointAsDecimalSeparator() {
    QLocale::setDefault(QLocale::c());
    std::setlocale(LC_NUMERIC, "C");
}

int formatFloat(double value, char* out) {
    auto put = [out](const char* text) {
        const int n = int(std::strlen(text));
        std::memcpy(out, text, std::size_t(n));
        return n;
    };
    if (std::isnan(value))
        return put("NAN");
    if (std::isinf(value))
        return put(value < 0 ? "-INF" : "INF");
    if (value == 0)
        return put("0");

    // 15 significant digits, correctly rounded: d.dddddddddddddde±xx
    char buf[40];
    const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 14);
    const char* p = buf;
    const bool negative = *p == '-';
    if (negative)
        ++p;
    const char* end = res.ptr;
    const char* e = std::find(p, end, 'e');
    int exponent = 0;
    std::from_chars(e + 1 + (e[1] == '+' ? 1 : 0), end, exponent);
    char digits[16];
    int nd = 0;
    digits[nd++] = p[0];
    for (const char* d = p + 2; d < e; ++d)
        digits[nd++] = *d;
    while (nd > 1 && digits[nd - 1] == '0')
        --nd;

    char* o = out;
    if (negative)
        *o++ = '-';
    if (exponent < 15 && exponent >= -4) {
        if (exponent >= 0) {
            const int intLen = exponent + 1;
            if (nd <= intLen) {
                o = std::copy(digits, digits + nd, o);
                o = std::fill_n(o, intLen - nd, '0');
            } else {
                o = std::copy(digits, digits + intLen, o);
                *o++ = '.';
                o = std::copy(digits + intLen, digits + nd, o);
            }
        } else {
            *o++ = '0';
            *o++ = '.';
            o = std::fill_n(o, -exponent - 1, '0');
            o = std::copy(digits, digits + nd, o);
        }
    } else {
        *o++ = digits[0];
        if (nd > 1) {
            *o++ = '.';
            o = std::copy(digits + 1, digits + nd, o);
        }
        *o++ = 'E';
        o = std::to_chars(o, out + FloatChars, exponent).ptr;
    }
    return int(o - out);
}

QString formatFloat(double value) {
    char buf[FloatChars];
    return QString::fromLatin1(buf, formatFloat(value, buf));
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
