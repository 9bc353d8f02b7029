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

    // 15 significant digits: d.dddddddddddddde±xx, taken apart in fixed
    // buffers (this runs for every number an expression prints).
    char buf[40];
    const char* end = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 14).ptr;
    const char* p = buf;
    const bool negative = *p == '-';
    if (negative)
        ++p;
    const char* e = p;
    while (e < end && *e != 'e')
        ++e;
    int exponent = 0;
    std::from_chars(e + 1 + (e[1] == '+' ? 1 : 0), end, exponent);
    char digits[20];
    int n = 0;
    digits[n++] = p[0];
    for (const char* q = p + 2; q < e && n < 19; ++q)
        digits[n++] = *q;
    while (n > 1 && digits[n - 1] == '0')
        --n;

    char out[64];
    int k = 0;
    auto put = [&](char c) { out[k++] = c; };
    if (negative)
        put('-');
    if (exponent < 15 && exponent >= -4) {
        if (exponent >= 0) {
            const int intLen = exponent + 1;
            for (int i = 0; i < intLen; ++i)
                put(i < n ? digits[i] : '0');
            if (n > intLen) {
                put('.');
                for (int i = intLen; i < n; ++i)
                    put(digits[i]);
            }
        } else {
            put('0');
            put('.');
            for (int i = 0; i < -exponent - 1; ++i)
                put('0');
            for (int i = 0; i < n; ++i)
                put(digits[i]);
        }
    } else {
        put(digits[0]);
        if (n > 1) {
            put('.');
            for (int i = 1; i < n; ++i)
                put(digits[i]);
        }
        put('E');
        k = int(std::to_chars(out + k, out + sizeof out, exponent).ptr - out);
    }
    return QString::fromLatin1(out, k);
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
