#include "cp1251.h"

#include <array>

namespace cp1251 {
namespace {

// Characters of the bytes 0x80..0xBF; 0xC0..0xFF are U+0410..U+044F.
constexpr char16_t kHigh[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
};

struct Tables {
    std::array<char16_t, 256> toUnicode{};
    std::array<unsigned char, 0x2200> fromUnicode{}; // 0 = not mapped (except U+0000)
    std::array<unsigned char, 256> upper{};
    std::array<unsigned char, 256> lower{};

    Tables() {
        for (int b = 0; b < 256; ++b) {
            char16_t u;
            if (b < 0x80)
                u = char16_t(b);
            else if (b < 0xC0)
                u = kHigh[b - 0x80];
            else
                u = char16_t(0x0410 + (b - 0xC0));
            toUnicode[b] = u;
            fromUnicode[u] = static_cast<unsigned char>(b);
        }
        // Case pairs are the Unicode case pairs that stay inside the code page.
        for (int b = 0; b < 256; ++b) {
            upper[b] = lower[b] = static_cast<unsigned char>(b);
            const QChar ch(toUnicode[b]);
            const QChar up = ch.toUpper();
            const QChar lo = ch.toLower();
            if (up != ch && mapped(up.unicode()))
                upper[b] = fromUnicode[up.unicode()];
            if (lo != ch && mapped(lo.unicode()))
                lower[b] = fromUnicode[lo.unicode()];
        }
    }

    bool mapped(char16_t u) const { return u == 0 || (u < fromUnicode.size() && fromUnicode[u] != 0); }
};

const Tables& tables() {
    static const Tables t;
    return t;
}

} // namespace

QChar toChar(unsigned char byte) { return QChar(tables().toUnicode[byte]); }

bool isRepresentable(QChar ch) { return tables().mapped(ch.unicode()); }

bool isRepresentable(QStringView text) {
    const auto& t = tables();
    for (const QChar ch : text)
        if (!t.mapped(ch.unicode()))
            return false;
    return true;
}

unsigned char toByte(QChar ch) {
    const auto& t = tables();
    const char16_t u = ch.unicode();
    if (!t.mapped(u))
        return '?';
    return t.fromUnicode[u];
}

QString decode(QByteArrayView bytes) {
    const auto& t = tables();
    QString out(bytes.size(), Qt::Uninitialized);
    QChar* dst = out.data();
    for (qsizetype i = 0; i < bytes.size(); ++i)
        dst[i] = QChar(t.toUnicode[static_cast<unsigned char>(bytes[i])]);
    return out;
}

QByteArray encode(QStringView text) {
    QByteArray out(text.size(), Qt::Uninitialized);
    char* dst = out.data();
    for (qsizetype i = 0; i < text.size(); ++i)
        dst[i] = static_cast<char>(toByte(text[i]));
    return out;
}

QChar toUpper(QChar ch) {
    if (!isRepresentable(ch))
        return ch;
    const auto& t = tables();
    return QChar(t.toUnicode[t.upper[toByte(ch)]]);
}

QChar toLower(QChar ch) {
    if (!isRepresentable(ch))
        return ch;
    const auto& t = tables();
    return QChar(t.toUnicode[t.lower[toByte(ch)]]);
}

QString toUpper(QStringView text) {
    QString out(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i)
        out[i] = toUpper(text[i]);
    return out;
}

QString toLower(QStringView text) {
    QString out(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i)
        out[i] = toLower(text[i]);
    return out;
}

} // namespace cp1251
