#pragma once

// One input of the barcode fuzzer, also replayed by the add-in tests for every
// input the fuzzer found harmful (tests/report/addins/data/fuzz).
//
// The first bytes set the generator: type byte (numbers past the table too),
// Modul (a signed byte), a flag byte (Checksum, CheckSumMethod, which angle),
// Ratio and Angle as raw doubles (any bits: infinities, NaN, huge values),
// Height, Top and Left as raw 32-bit numbers; the rest is the code page 1251
// text. The generator encodes, measures, is scaled by setting Width and draws
// onto a small image. Every failure must be an Exception, a pattern must hold
// element codes only and its width must not be negative.

#include "common/cp1251.h"
#include "common/exception.h"
#include "report/addins/barcode.h"

#include <QByteArrayView>
#include <QImage>
#include <QPainter>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace frfuzz {

template <class T>
inline T takeRaw(QByteArrayView& input) {
    T value{};
    const std::size_t n = std::min(sizeof(T), std::size_t(input.size()));
    std::memcpy(&value, input.data(), n);
    input = input.sliced(qsizetype(n));
    return value;
}

inline void runBarcodeInput(QByteArrayView input) {
    TfrBarcode code;
    code.setTyp(TfrBarcodeType(takeRaw<std::uint8_t>(input)));
    code.setModul(takeRaw<std::int8_t>(input));
    const std::uint8_t flags = takeRaw<std::uint8_t>(input);
    code.setChecksum(flags & 1);
    code.setCheckSumMethod(flags & 2 ? csmNone : csmModulo10);
    code.setRatio(takeRaw<double>(input));
    const double angle = takeRaw<double>(input);
    static const double kAngles[7] = {0, 90, 180, 270, -90, 360, 45};
    code.setAngle((flags >> 2) % 8 == 7 ? angle : kAngles[(flags >> 2) % 8]);
    code.setHeight(takeRaw<std::int32_t>(input));
    code.setTop(takeRaw<std::int32_t>(input));
    code.setLeft(takeRaw<std::int32_t>(input));
    code.setText(cp1251::decode(input));

    try {
        const QByteArray pattern = code.encode();
        for (const char c : pattern)
            if (!((c >= '0' && c <= '3') || (c >= '5' && c <= '8') || (c >= 'A' && c <= 'D')))
                std::abort(); // an element code outside the table
        if (code.width() < 0)
            std::abort();
        code.setWidth(std::int32_t(flags) * 40);
        QImage image(64, 48, QImage::Format_RGB32);
        QPainter painter(&image);
        code.drawOn(painter);
    } catch (const Exception&) {
    }
}

} // namespace frfuzz
