#pragma once

// One input of the RTF fuzzer, also replayed by the rich-text tests for
// every input the fuzzer found harmful (tests/richtext/data/fuzz).
//
// The input is read as a rich-text document; a refused input must say why
// and leave the document empty. A document that reads is written as RTF,
// which must read again to the same text and write again to the same bytes.
// Then it is laid out range after range into a narrow rectangle (every range
// must make progress and stay in the text; one layout of the whole document
// must fit the first range exactly so and every later one with progress
// inside the text), the height of the rest is measured (a rectangle that high
// must hold it), and with a painter the ranges are drawn.

#include "common/exception.h"
#include "richtext/richedit.h"
#include "richtext/richlayout.h"
#include "richtext/rtfreader.h"
#include "richtext/rtfwriter.h"

#include <QByteArrayView>
#include <QTextDocument>

namespace frfuzz {

// What went wrong with the input, nullptr when nothing did.
inline const char* runRtfInput(QByteArrayView input, QPainter* painter) {
    QTextDocument doc;
    try {
        richtext::readRtf(input, doc);
    } catch (const EFormatError& e) {
        if (e.message().isEmpty() || richtext::textLength(doc) != 0)
            return "a refusal without a message, or with text left";
        return nullptr;
    }
    const QByteArray rtf = richtext::writeRtf(doc);
    QTextDocument again;
    try {
        richtext::readRtf(rtf, again);
    } catch (const EFormatError&) {
        return "what the writer wrote does not read";
    }
    if (richtext::plainText(again) != richtext::plainText(doc))
        return "the text read back differs";
    if (richtext::writeRtf(again) != rtf)
        return "the document read back writes differently";

    // Most ranges laid out one after the other; the rest is measured at once.
    constexpr int maxRanges = 64;
    const int length = richtext::textLength(doc);
    const double width = 720 + double(input.size() % 7) * 720;
    const richtext::DocumentLayout layout(doc, width);
    int from = 0;
    for (int ranges = 0; from < length && ranges < maxRanges; ++ranges) {
        const int next = richtext::formatRange(doc, from, QRectF(0, 0, width, 720), painter);
        if (next <= from || next > length)
            return "a range made no progress or left the text";
        const int fitted = layout.fit(from, 720);
        if (fitted <= from || fitted > length || (from == 0 && fitted != next))
            return "the whole document's layout fits a range wrongly";
        from = next;
    }
    const double height = richtext::rangeHeight(doc, from, width);
    if (!(height >= 0) || (from < length && richtext::formatRange(doc, from, QRectF(0, 0, width, height)) != length))
        return "the measured height does not hold the text";
    return nullptr;
}

} // namespace frfuzz
