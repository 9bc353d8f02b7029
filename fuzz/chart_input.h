#pragma once

// One input of the chart fuzzer, also replayed by the chart tests for every
// input the fuzzer found harmful (tests/report/addins/data/fuzz).
//
// The first byte chooses the stream's format version (21 to 25), the chart's
// settings block follows, and the bytes after it are the chart's memo (code
// page 1251, lines split at LF). Settings that read are written, read and
// written again, and both must agree (a name too long for the stream must be
// refused); the memo is read into series and drawn with those settings, or
// the empty chart is drawn when it holds nothing to draw. Needs a
// QGuiApplication (fonts).

#include "common/binio.h"
#include "common/cp1251.h"
#include "report/addins/chartdraw.h"
#include "report/model/streamio.h"

#include <QByteArrayView>
#include <QImage>
#include <QPainter>

#include <cstdlib>

namespace frfuzz {

inline QByteArray writtenChartSettings(const TfrChartSettings& s) {
    QByteArray bytes;
    TBinaryWriter out(bytes);
    frWriteChartSettings(out, s);
    return bytes;
}

inline void runChartInput(QByteArrayView input) {
    if (input.isEmpty())
        return;
    const int version = 21 + std::uint8_t(input[0]) % 5;
    TBinaryReader in(input.sliced(1));
    TfrChartSettings settings;
    try {
        settings = frReadChartSettings(in, version);
    } catch (const EFormatError&) {
        return; // a cut block is refused
    }
    bool holdable = true;
    for (const QString* name : {&settings.captionObject, &settings.valueObject, &settings.restCaption})
        holdable = holdable && name->size() <= frstream::maxLength;
    if (holdable) {
        const QByteArray first = writtenChartSettings(settings);
        TBinaryReader again(first);
        const TfrChartSettings reread = frReadChartSettings(again, 25);
        if (!again.atEnd() || reread != settings || writtenChartSettings(reread) != first)
            std::abort(); // writer and reader disagree
    } else {
        try {
            writtenChartSettings(settings);
            std::abort(); // a name too long for the stream must be refused
        } catch (const Exception&) {
        }
    }

    const QStringList memo = cp1251::decode(input.sliced(1 + in.pos())).split(u'\n');
    QImage image(160, 120, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    const QRectF rect(4, 4, 152, 112);
    if (!frDrawChartMemo(painter, rect, 1.0, settings, memo, Qt::white))
        frDrawChart(painter, rect, 1.0, settings, TfrChartData{}, Qt::white);
}

} // namespace frfuzz
