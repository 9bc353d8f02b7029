#pragma once

#include "report/addins/chartdata.h"

#include <QColor>
#include <QRectF>
#include <QString>

class QPainter;

// Drawing of charts with a painter, as vector drawing (paths, polygons and
// text), so that a chart stays sharp in the preview, on paper and in a PDF.
//
// A chart is laid out in chart units, one unit per report pixel: the size of
// the target rectangle divided by the scale (the painter units per report
// pixel). Fonts, lines, marks and gaps have fixed sizes in chart units, so a
// chart looks the same at every zoom and on every device, only larger or
// smaller. Drawing stays inside the rectangle.
//
// What is drawn: the background; the legend at the right (the points of a
// single series or of a pie, the series titles otherwise; entries that do not
// fit are left out); for every kind but pie the walls (the outline of the
// plot area; in 3-D the left, bottom and back walls, unfilled, with the depth
// going up and to the right at 45 degrees) and, with axes, the value and
// category labels and a grid; the series (several series side by side in bar
// charts, one behind the other in 3-D otherwise); in 3-D bars and points are
// boxes, lines and areas ribbons, and a pie is seen from 45 degrees above
// with its rim; with marks, a small caption at every point (left out where
// it would overlap the mark before it). Pies start at twelve o'clock and go
// clockwise; several series give pies side by side, titled beneath.

// The automatic colours, taken in turn by the points of a multicoloured
// series (and of a pie) or by the series.
QColor frChartColor(qsizetype index);

// The text of a point's mark: its value ("1 234.5"), its share of the
// series' total of absolute values ("25 %"), its caption, or the caption
// followed by the share or the value. A point without caption shows its
// value in place of the caption.
QString frChartMarkText(TfrChartMarkStyle style, const QString& caption, double value, double total);

// Draws `data` as set into `rect`, on a background of `background`. Nothing
// is drawn for a rectangle without area or a scale that is not positive.
void frDrawChart(QPainter& painter, const QRectF& rect, double scale, const TfrChartSettings& settings,
                 const TfrChartData& data, const QColor& background);

// The chart of a chart object's memo (frChartData): drawn as above, or, when
// the memo holds nothing to draw, nothing at all and false returned (the
// object then shows only its own background).
bool frDrawChartMemo(QPainter& painter, const QRectF& rect, double scale, const TfrChartSettings& settings,
                     const QStringList& memo, const QColor& background);
