#pragma once

// Reading charts back from their pixels: the automatic colours, where a
// colour stands, how often it occurs.

#include "report/addins/chartdraw.h"

#include <QImage>
#include <QRect>

namespace chartpixels {

inline QRgb color(qsizetype i) { return frChartColor(i).rgb(); }

// The pixels of exactly one colour (inside `within`, the whole image when null).
inline QRect bounds(const QImage& image, QRgb rgb, QRect within = {}) {
    if (within.isNull())
        within = image.rect();
    QRect r;
    for (int y = within.top(); y <= within.bottom(); ++y)
        for (int x = within.left(); x <= within.right(); ++x)
            if (image.pixel(x, y) == rgb)
                r |= QRect(x, y, 1, 1);
    return r;
}

inline int count(const QImage& image, QRgb rgb) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += image.pixel(x, y) == rgb;
    return n;
}

// Sizes of filled faces: their outlines take about a pixel from each.
inline double ratio(int a, int b) { return double(a + 1) / double(b + 1); }

// A grey of the walls and frames (lines are smoothed, so any neutral grey).
inline bool grey(QRgb p) { return qRed(p) == qGreen(p) && qGreen(p) == qBlue(p) && qRed(p) < 240; }

} // namespace chartpixels
