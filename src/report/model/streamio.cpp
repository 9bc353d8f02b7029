#include "report/model/streamio.h"

#include "common/binio.h"
#include "common/cp1251.h"
#include "common/rounding.h"

#include <cmath>

namespace frstream {

QString text(const QByteArray& b) { return cp1251::decode(b); }

QByteArray bytes(const QString& s, int limit) {
    if (s.size() > limit)
        throw Exception(QStringLiteral("Текст длиной %1 символов не помещается в шаблон (не более %2): \"%3...\"")
                            .arg(s.size())
                            .arg(limit)
                            .arg(s.left(40)));
    return cp1251::encode(s);
}

namespace {

// Bytes up to (excluding) the next zero byte; the zero byte is consumed. A
// stream that ends before it is damaged.
QByteArray readZeroTerminated(TBinaryReader& in) {
    QByteArray out;
    for (;;) {
        const std::uint8_t b = in.readU8();
        if (b == 0)
            return out;
        out.append(static_cast<char>(b));
    }
}

} // namespace

QString readString(TBinaryReader& in, int version) {
    if (version >= 23) {
        const std::uint16_t n = in.readU16();
        const QByteArray b = in.readBytes(n);
        in.readU8(); // terminator
        return text(b);
    }
    return text(readZeroTerminated(in));
}

void writeString(TBinaryWriter& out, const QString& s) {
    const QByteArray b = bytes(s);
    out.writeU16(static_cast<std::uint16_t>(b.size()));
    out.writeBytes(b);
    out.writeU8(0);
}

QStringList readStrings(TBinaryReader& in, int version) {
    QStringList lines;
    if (version >= 23) {
        if (in.readU16() == 0) {
            in.readU8();
            return lines;
        }
        // The count is only tested for zero: lines follow until a separator
        // other than 13. Every line takes at least three bytes, so the loop ends
        // with the stream at the latest.
        for (;;) {
            const std::uint16_t n = in.readU16();
            lines << text(in.readBytes(n));
            if (in.readU8() != 13)
                return lines;
        }
    }
    const QByteArray all = readZeroTerminated(in);
    QByteArray line;
    for (char c : all) {
        if (c == 13) {
            lines << text(line);
            line.clear();
        } else {
            line.append(c);
        }
    }
    if (!line.isEmpty())
        lines << text(line);
    return lines;
}

void writeStrings(TBinaryWriter& out, const QStringList& lines) {
    if (lines.size() > maxLength)
        throw Exception(QStringLiteral("Список из %1 строк не помещается в шаблон (не более %2 строк)")
                            .arg(lines.size())
                            .arg(maxLength));
    out.writeU16(static_cast<std::uint16_t>(lines.size()));
    if (lines.isEmpty()) {
        out.writeU8(0);
        return;
    }
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QByteArray b = bytes(lines[i]);
        out.writeU16(static_cast<std::uint16_t>(b.size()));
        out.writeBytes(b);
        out.writeU8(i + 1 < lines.size() ? 13 : 0);
    }
}

QString readShortString(TBinaryReader& in) {
    const std::uint8_t n = in.readU8();
    return text(in.readBytes(n));
}

bool readBool16(TBinaryReader& in) { return in.readU16() != 0; }
void writeBool16(TBinaryWriter& out, bool v) { out.writeU16(v ? 0xFFFF : 0); }

float decodeFrameWidth(std::int32_t v) {
    if (v <= 10)
        return static_cast<float>(v);
    return static_cast<float>(v / 1000.0);
}

std::int32_t encodeFrameWidth(float w) {
    const double d = w;
    if (std::isfinite(d) && d == std::floor(d) && d <= 10 && d >= -2147483648.0)
        return static_cast<std::int32_t>(d);
    return roundHalfEven(d * 1000.0); // saturates; NaN gives 0
}

} // namespace frstream
