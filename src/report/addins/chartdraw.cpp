#include "report/addins/chartdraw.h"

#include "common/numformat.h"
#include "report/expr/formats.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

namespace {

// Sizes in chart units (report pixels).
constexpr int kFontPixels = 11;      // 8 points
constexpr double kPad = 6;           // from the chart's edge to its contents
constexpr double kTick = 4;          // axis ticks
constexpr double kGap = 3;           // between a tick, bar or leader and its text
constexpr double kLegendGap = 8;     // between the plot and the legend
constexpr double kMarker = 4;        // half the side of a point's marker
constexpr double kLeader = 10;       // the line from a pie slice to its mark
constexpr double kDepthShare = 0.15; // 3-D depth: share of the smaller side of the plot
constexpr double kBarShare = 0.7;    // share of a category that its bars take
constexpr double kRimShare = 0.15;   // 3-D pie: rim height as a share of the radius
constexpr double kSin45 = 0.70710678118654752;
constexpr double kMaxMagnitude = 1e300; // values are drawn within it, so ranges stay finite
constexpr double kMaxSide = 1e7;        // largest chart side drawn

const QColor kWall(0x80, 0x80, 0x80);
const QColor kAxis(0x30, 0x30, 0x30);
const QColor kGrid(0xC8, 0xC8, 0xC8);
const QColor kMarkFill(0xFF, 0xFF, 0xE1);
const QColor kLegendFill(Qt::white);
const QColor kText(Qt::black);

constexpr QRgb kPalette[] = {
    0x2E6FC0, // blue
    0xE04E39, // red
    0xF2A900, // amber
    0x3A9E4F, // green
    0x8E5BC7, // violet
    0x1FA8B8, // cyan
    0xD85C9A, // rose
    0x8C6D3F, // brown
    0x7F8C99, // slate
    0xA6C83A, // lime
    0x1F3F7A, // navy
    0xF07D1A, // orange
};

QString numberText(double v) {
    return std::fabs(v) < 1e15 ? frformats::formatNumber(QStringLiteral("#,##0.###"), v) : numfmt::formatFloat(v);
}

// The value scale of the plot: a range that begins and ends at ticks a
// round step apart (1, 2, 2.5 or 5 times a power of ten).
struct TValueScale {
    double lo = 0, hi = 1, step = 1;
    std::int64_t firstTick = 0;
    int intervals = 1;
    int decimals = 0;

    double tick(int i) const { return double(firstTick + i) * step; }
    QString label(int i) const { return frformats::formatFixed(tick(i), decimals, true); }
    // Share of the range up to v, v held within the range.
    double share(double v) const { return (std::clamp(v, lo, hi) - lo) / (hi - lo); }
};

TValueScale valueScale(double lo, double hi, bool withZero, int wantedIntervals) {
    if (withZero) {
        lo = std::min(lo, 0.0);
        hi = std::max(hi, 0.0);
    }
    lo = std::clamp(lo, -kMaxMagnitude, kMaxMagnitude);
    hi = std::clamp(hi, -kMaxMagnitude, kMaxMagnitude);
    const double magnitude = std::max(std::fabs(lo), std::fabs(hi));
    if (hi - lo <= std::max(magnitude * 1e-9, 1e-200)) { // one value, or values too close to tell apart
        const double half = magnitude > 1e-200 ? magnitude / 2 : 1;
        if (!withZero || hi > 0 || lo == 0)
            hi += half; // a range from zero grows away from it
        if (!withZero || lo < 0)
            lo -= half;
    }
    const double raw = (hi - lo) / wantedIntervals;
    const double exponent = std::floor(std::log10(raw));
    const double power = std::pow(10.0, exponent);
    const double f = raw / power;
    const double nice = f <= 1 ? 1 : f <= 2 ? 2 : f <= 2.5 ? 2.5 : f <= 5 ? 5 : 10;
    TValueScale s;
    s.step = nice * power;
    s.firstTick = std::int64_t(std::floor(lo / s.step + 1e-9));
    const std::int64_t lastTick = std::int64_t(std::ceil(hi / s.step - 1e-9));
    s.intervals = int(std::max<std::int64_t>(1, lastTick - s.firstTick));
    s.lo = s.tick(0);
    s.hi = s.tick(s.intervals);
    s.decimals = std::clamp(int(-exponent) + (nice == 2.5 ? 1 : 0) - (nice == 10 ? 1 : 0), 0, 15);
    return s;
}

TfrChartKind drawnKind(TfrChartKind kind) { return kind <= TfrChartKind::Pie ? kind : TfrChartKind::Line; }

// Legend, axes and marks: Arial 8, unhinted, so that the layout does not
// depend on the device.
QFont chartFont() {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(kFontPixels);
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setKerning(false);
    return font;
}

// The series as drawn: values that are no finite numbers as 0, the others
// within kMaxMagnitude, so that sums and ranges stay finite.
QList<TfrChartSeries> drawnSeries(const TfrChartData& data) {
    QList<TfrChartSeries> series = data.series;
    for (TfrChartSeries& s : series)
        for (double& v : s.values)
            v = std::isfinite(v) ? std::clamp(v, -kMaxMagnitude, kMaxMagnitude) : 0;
    return series;
}

struct TMark {
    QRectF box;
    QString text;
    QLineF leader; // pies: from the slice to the mark
};

class TChart {
public:
    TChart(QPainter& painter, const QSizeF& size, const TfrChartSettings& settings, const TfrChartData& data);
    void draw();

private:
    QColor pointColor(qsizetype series, qsizetype point) const;
    QString pointName(qsizetype series, qsizetype point) const;
    QRectF drawLegend(QRectF area);
    void drawCartesian(const QRectF& area);
    void drawPie(const QRectF& area);
    void drawPieOf(qsizetype series, const QRectF& cell);
    void drawFace(const QPolygonF& face, const QColor& fill, bool outline = true);
    void drawBlock(const QRectF& front, const QColor& fill, double depth);
    void drawMarks(const std::vector<TMark>& marks);
    void drawText(const QRectF& box, int flags, const QString& text);
    QSizeF markSize(const QString& text) const;
    QPointF depthOffset(double share) const { return {share * m_dx, -share * m_dy}; }

    QPainter& m_p;
    QSizeF m_size;
    const TfrChartSettings& m_settings;
    TfrChartKind m_kind;
    bool m_pointsInLegend; // a single series or a pie: the legend lists points
    QList<TfrChartSeries> m_series;
    QFont m_font;
    QFontMetricsF m_metrics;
    double m_lineHeight;
    std::vector<QStringList> m_markTexts; // per series and point
    double m_dx = 0, m_dy = 0;            // 3-D depth of the plot
};

TChart::TChart(QPainter& painter, const QSizeF& size, const TfrChartSettings& settings, const TfrChartData& data)
    : m_p(painter), m_size(size), m_settings(settings), m_kind(drawnKind(settings.kind)),
      m_pointsInLegend(settings.singleSeries || m_kind == TfrChartKind::Pie), m_series(drawnSeries(data)),
      m_font(chartFont()), m_metrics(m_font), m_lineHeight(std::ceil(m_metrics.height())) {
    if (settings.marks)
        for (const TfrChartSeries& series : m_series) {
            double total = 0;
            for (double v : series.values)
                total += std::fabs(v);
            QStringList texts;
            for (qsizetype i = 0; i < series.values.size(); ++i)
                texts.append(frChartMarkText(settings.markStyle, series.captions.value(i), series.values[i], total));
            m_markTexts.push_back(std::move(texts));
        }
}

QColor TChart::pointColor(qsizetype series, qsizetype point) const {
    return frChartColor(m_settings.multicolored && m_pointsInLegend ? point : series);
}

// How a point is named in the legend and on the category axis: its caption;
// without one, its number in several-series mode and its value otherwise.
QString TChart::pointName(qsizetype series, qsizetype point) const {
    const TfrChartSeries& s = m_series[series];
    const QString caption = s.captions.value(point);
    if (!caption.isEmpty())
        return caption;
    return m_settings.singleSeries ? numberText(s.values.value(point)) : QString::number(point + 1);
}

void TChart::draw() {
    m_p.setFont(m_font);
    QRectF area = QRectF(QPointF(0, 0), m_size).adjusted(kPad, kPad, -kPad, -kPad);
    if (area.width() < 4 || area.height() < 4)
        return;
    if (m_settings.legend)
        area = drawLegend(area);
    if (m_kind == TfrChartKind::Pie)
        drawPie(area);
    else
        drawCartesian(area);
}

void TChart::drawText(const QRectF& box, int flags, const QString& text) {
    m_p.setPen(kText);
    m_p.drawText(box, flags | Qt::TextSingleLine, text);
}

QSizeF TChart::markSize(const QString& text) const {
    return {std::ceil(m_metrics.horizontalAdvance(text)) + 6, m_lineHeight + 2};
}

QRectF TChart::drawLegend(QRectF area) {
    struct TEntry {
        QColor color;
        QString text;
    };
    std::vector<TEntry> entries;
    if (m_pointsInLegend) {
        if (!m_series.isEmpty()) {
            const TfrChartSeries& s = m_series.first();
            for (qsizetype i = 0; i < s.values.size(); ++i)
                entries.push_back({pointColor(0, i), pointName(0, i)});
        }
    } else {
        for (qsizetype i = 0; i < m_series.size(); ++i)
            entries.push_back({frChartColor(i), m_series[i].title});
    }
    const double row = m_lineHeight + 2;
    const std::size_t shown = std::min(entries.size(), std::size_t(std::max(0.0, (area.height() - 6) / row)));
    if (shown == 0)
        return area;
    const double symbol = m_lineHeight - 3;
    const double textRoom = area.width() * 0.35 - symbol - 15;
    if (textRoom < m_metrics.averageCharWidth() * 3)
        return area; // no room for a legend worth reading
    double textWidth = 0;
    for (std::size_t i = 0; i < shown; ++i)
        textWidth = std::max(textWidth, m_metrics.horizontalAdvance(entries[i].text));
    textWidth = std::min(std::ceil(textWidth), textRoom);
    const QSizeF size(5 + symbol + 5 + textWidth + 5, double(shown) * row + 6);
    const QRectF box(QPointF(area.right() - size.width(), area.center().y() - size.height() / 2), size);
    m_p.setPen(QPen(kWall, 1));
    m_p.setBrush(kLegendFill);
    m_p.drawRect(box);
    for (std::size_t i = 0; i < shown; ++i) {
        const double top = box.top() + 3 + double(i) * row;
        m_p.setPen(QPen(entries[i].color.darker(150), 1));
        m_p.setBrush(entries[i].color);
        m_p.drawRect(QRectF(box.left() + 5, top + (row - symbol) / 2, symbol, symbol));
        const QRectF textBox(box.left() + 10 + symbol, top, textWidth, row);
        drawText(textBox, Qt::AlignLeft | Qt::AlignVCenter,
                 m_metrics.elidedText(entries[i].text, Qt::ElideRight, textWidth));
    }
    area.setRight(box.left() - kLegendGap);
    return area;
}

// A filled face, outlined darker or (faces too thin for an outline, faces
// that join others) in its own colour, so that no seam shows between faces.
void TChart::drawFace(const QPolygonF& face, const QColor& fill, bool outline) {
    m_p.setPen(QPen(outline ? fill.darker(150) : fill, 1));
    m_p.setBrush(fill);
    m_p.drawPolygon(face);
}

// A bar or a point's marker: its front, and in 3-D its top and right side
// going back `depth` (a share of the plot's depth).
void TChart::drawBlock(const QRectF& front, const QColor& fill, double depth) {
    const bool outline = std::min(front.width(), front.height()) >= 3;
    if (m_settings.view3d && depth > 0) {
        const QPointF d = depthOffset(depth);
        drawFace(QPolygonF{front.topLeft(), front.topRight(), front.topRight() + d, front.topLeft() + d},
                 fill.lighter(120), outline);
        drawFace(QPolygonF{front.topRight(), front.bottomRight(), front.bottomRight() + d, front.topRight() + d},
                 fill.darker(140), outline);
    }
    drawFace(QPolygonF(front), fill, outline);
}

// Marks of one series, each left out where it would overlap the mark drawn
// before it.
void TChart::drawMarks(const std::vector<TMark>& marks) {
    QRectF last;
    for (const TMark& mark : marks) {
        if (!last.isNull() && last.intersects(mark.box))
            continue;
        last = mark.box;
        m_p.setPen(QPen(kWall, 1));
        if (!mark.leader.isNull())
            m_p.drawLine(mark.leader);
        m_p.setBrush(kMarkFill);
        m_p.drawRect(mark.box);
        drawText(mark.box, Qt::AlignCenter, mark.text);
    }
}

void TChart::drawCartesian(const QRectF& area) {
    const bool horizontal = m_kind == TfrChartKind::HorizontalBars;
    const bool bars = m_kind == TfrChartKind::Bars || horizontal;
    const qsizetype k = m_series.size();
    qsizetype n = 0;
    double lo = std::numeric_limits<double>::infinity(), hi = -lo;
    for (const TfrChartSeries& s : m_series) {
        n = std::max(n, s.values.size());
        for (double v : s.values) {
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
    }
    if (lo > hi)
        lo = hi = 0;
    const double valueSide = horizontal ? area.width() : area.height();
    const int wanted = std::clamp(int(valueSide / (horizontal ? 80 : 3 * m_lineHeight)), 2, 10);
    const TValueScale scale = valueScale(lo, hi, bars || m_kind == TfrChartKind::Area, wanted);

    // Room for labels and marks around the plot.
    const double labelCap = area.width() * 0.3;
    QStringList valueLabels, categoryLabels;
    double valueLabelWidth = 0, categoryLabelWidth = 0;
    if (m_settings.axes) {
        for (int i = 0; i <= scale.intervals; ++i) {
            valueLabels.append(scale.label(i));
            valueLabelWidth = std::max(valueLabelWidth, m_metrics.horizontalAdvance(valueLabels.last()));
        }
        for (qsizetype i = 0; i < n; ++i) {
            categoryLabels.append(m_metrics.elidedText(pointName(0, i), Qt::ElideRight, labelCap));
            categoryLabelWidth = std::max(categoryLabelWidth, m_metrics.horizontalAdvance(categoryLabels.last()));
        }
    }
    double markWidth = 0;
    for (const QStringList& texts : m_markTexts)
        for (const QString& t : texts)
            markWidth = std::max(markWidth, markSize(t).width());
    const double markHeight = m_lineHeight + 2 + kGap;
    double left = 0, right = 0, top = 0, bottom = 0;
    if (m_settings.axes) {
        bottom = m_lineHeight + kTick + kGap;
        if (horizontal) {
            left = categoryLabelWidth + kTick + kGap;
            right = m_metrics.horizontalAdvance(valueLabels.last()) / 2;
        } else {
            left = valueLabelWidth + kTick + kGap;
            top = m_lineHeight / 2;
        }
    }
    if (m_settings.marks && !m_markTexts.empty()) {
        if (horizontal) {
            right = std::max(right, markWidth + kGap);
            if (scale.lo < 0)
                left += markWidth + kGap;
        } else {
            top = std::max(top, markHeight + (m_kind == TfrChartKind::Points ? kMarker : 0));
            if (bars && scale.lo < 0)
                bottom += markHeight;
        }
    }
    const double depth = m_settings.view3d ? kDepthShare * std::min(area.width(), area.height()) : 0;
    m_dx = m_dy = depth * kSin45;
    const QRectF plot(QPointF(area.left() + left, area.top() + top + m_dy),
                      QPointF(area.right() - right - m_dx, area.bottom() - bottom));
    if (plot.width() < 4 || plot.height() < 4)
        return;
    const QRectF back = plot.translated(m_dx, -m_dy);

    // Where categories and values lie along their axes.
    const double categoryStart = horizontal ? plot.top() : plot.left();
    const double categoryLength = horizontal ? plot.height() : plot.width();
    const double slot = categoryLength / double(std::max<qsizetype>(n, 1));
    auto category = [&](qsizetype i) { return categoryStart + (double(i) + 0.5) * slot; };
    auto value = [&](double v) {
        return horizontal ? plot.left() + scale.share(v) * plot.width() : plot.bottom() - scale.share(v) * plot.height();
    };
    const double base = value(0);

    // Walls, grid and axes.
    m_p.setBrush(Qt::NoBrush);
    m_p.setPen(QPen(kWall, 1));
    if (m_settings.view3d) {
        m_p.drawPolygon(QPolygonF{plot.topLeft(), back.topLeft(), back.bottomLeft(), plot.bottomLeft()});
        m_p.drawPolygon(QPolygonF{plot.bottomLeft(), back.bottomLeft(), back.bottomRight(), plot.bottomRight()});
        m_p.drawRect(back);
    } else {
        m_p.drawRect(plot);
    }
    if (m_settings.axes) {
        m_p.setPen(QPen(kGrid, 1, Qt::DotLine));
        for (int i = 0; i <= scale.intervals; ++i) {
            const double at = value(scale.tick(i));
            if (horizontal) {
                m_p.drawLine(QPointF(at + m_dx, back.top()), QPointF(at + m_dx, back.bottom()));
                if (m_settings.view3d)
                    m_p.drawLine(QPointF(at, plot.bottom()), QPointF(at + m_dx, back.bottom()));
            } else {
                m_p.drawLine(QPointF(back.left(), at - m_dy), QPointF(back.right(), at - m_dy));
                if (m_settings.view3d)
                    m_p.drawLine(QPointF(plot.left(), at), QPointF(back.left(), at - m_dy));
            }
        }
        m_p.setPen(QPen(kAxis, 1));
        m_p.drawLine(plot.topLeft(), plot.bottomLeft());
        m_p.drawLine(plot.bottomLeft(), plot.bottomRight());
        const double w = labelCap * 2;
        for (int i = 0; i <= scale.intervals; ++i) {
            const double at = value(scale.tick(i));
            m_p.setPen(QPen(kAxis, 1));
            if (horizontal) {
                m_p.drawLine(QPointF(at, plot.bottom()), QPointF(at, plot.bottom() + kTick));
                drawText(QRectF(at - w / 2, plot.bottom() + kTick + kGap, w, m_lineHeight), Qt::AlignHCenter | Qt::AlignTop,
                         valueLabels[i]);
            } else {
                m_p.drawLine(QPointF(plot.left() - kTick, at), QPointF(plot.left(), at));
                drawText(QRectF(plot.left() - kTick - kGap - w, at - m_lineHeight / 2, w, m_lineHeight),
                         Qt::AlignRight | Qt::AlignVCenter, valueLabels[i]);
            }
        }
        const double need = horizontal ? m_lineHeight : categoryLabelWidth + 6;
        const qsizetype every = std::max<qsizetype>(1, qsizetype(std::ceil(need / slot)));
        for (qsizetype i = 0; i < n; i += every) {
            const double at = category(i);
            if (horizontal)
                drawText(QRectF(plot.left() - kTick - kGap - w, at - m_lineHeight / 2, w, m_lineHeight),
                         Qt::AlignRight | Qt::AlignVCenter, categoryLabels[i]);
            else
                drawText(QRectF(at - w / 2, plot.bottom() + kTick + kGap, w, m_lineHeight), Qt::AlignHCenter | Qt::AlignTop,
                         categoryLabels[i]);
        }
    }

    std::vector<std::vector<TMark>> marks(std::size_t(m_markTexts.size()));
    auto markAt = [&](qsizetype s, qsizetype i, QPointF anchor, Qt::Alignment side) {
        if (!m_settings.marks)
            return;
        const QString& text = m_markTexts[std::size_t(s)][i];
        const QSizeF size = markSize(text);
        QRectF box(QPointF(), size);
        if (side == Qt::AlignTop)
            box.moveCenter(QPointF(anchor.x(), anchor.y() - kGap - size.height() / 2));
        else if (side == Qt::AlignBottom)
            box.moveCenter(QPointF(anchor.x(), anchor.y() + kGap + size.height() / 2));
        else if (side == Qt::AlignRight)
            box.moveCenter(QPointF(anchor.x() + kGap + size.width() / 2, anchor.y()));
        else
            box.moveCenter(QPointF(anchor.x() - kGap - size.width() / 2, anchor.y()));
        marks[std::size_t(s)].push_back({box, text, {}});
    };

    if (bars) {
        // Left to right (top to bottom drawn last for horizontal bars), so
        // nearer blocks cover the sides of those behind.
        const double group = slot * kBarShare;
        const double thickness = group / double(std::max<qsizetype>(k, 1));
        for (qsizetype j = 0; j < n * k; ++j) {
            const qsizetype i = horizontal ? n - 1 - j / k : j / k;
            const qsizetype s = horizontal ? k - 1 - j % k : j % k;
            const TfrChartSeries& series = m_series[s];
            if (i >= series.values.size())
                continue;
            const double v = series.values[i];
            const double from = category(i) - group / 2 + double(s) * thickness;
            const double end = value(v);
            const QRectF front = horizontal ? QRectF(QPointF(std::min(base, end), from), QPointF(std::max(base, end), from + thickness))
                                            : QRectF(QPointF(from, std::min(base, end)), QPointF(from + thickness, std::max(base, end)));
            drawBlock(front, pointColor(s, i), 1);
            if (horizontal)
                markAt(s, i, v >= 0 ? QPointF(end + m_dx, front.center().y() - m_dy / 2) : QPointF(end, front.center().y()),
                       v >= 0 ? Qt::AlignRight : Qt::AlignLeft);
            else
                markAt(s, i, v >= 0 ? QPointF(front.center().x() + m_dx / 2, end - m_dy) : QPointF(front.center().x(), end),
                       v >= 0 ? Qt::AlignTop : Qt::AlignBottom);
        }
    } else {
        // One depth slot per series in 3-D, the first series in front: drawn
        // from the back.
        const double share = 1.0 / double(std::max<qsizetype>(k, 1));
        for (qsizetype s = k - 1; s >= 0; --s) {
            const TfrChartSeries& series = m_series[s];
            const qsizetype count = series.values.size();
            if (count == 0)
                continue;
            const QPointF shift = depthOffset(double(s) * share);
            const QPointF d = depthOffset(share);
            std::vector<QPointF> at;
            for (qsizetype i = 0; i < count; ++i)
                at.push_back(QPointF(category(i), value(series.values[i])) + shift);
            const bool lone = count == 1 && m_kind != TfrChartKind::Points;
            if (m_kind == TfrChartKind::Points || lone) {
                const double cube = std::min(share, 2 * kMarker / std::max(depth, 1e-9));
                for (qsizetype i = 0; i < count; ++i) {
                    const QPointF c = at[std::size_t(i)] + (m_settings.view3d ? depthOffset((share - cube) / 2) : QPointF());
                    drawBlock(QRectF(c - QPointF(kMarker, kMarker), c + QPointF(kMarker, kMarker)), pointColor(s, i), cube);
                    markAt(s, i, c + depthOffset(cube / 2) - QPointF(0, kMarker), Qt::AlignTop);
                }
                continue;
            }
            // The line in pieces, each half of a segment in the colour of
            // its nearer point.
            struct TPiece {
                QPointF a, b;
                QColor color;
            };
            std::vector<TPiece> pieces;
            for (qsizetype i = 0; i + 1 < count; ++i) {
                const QPointF a = at[std::size_t(i)], b = at[std::size_t(i) + 1], middle = (a + b) / 2;
                const QColor first = pointColor(s, i), second = pointColor(s, i + 1);
                if (first == second) {
                    pieces.push_back({a, b, first});
                } else {
                    pieces.push_back({a, middle, first});
                    pieces.push_back({middle, b, second});
                }
            }
            const double floor = base + shift.y();
            const bool area = m_kind == TfrChartKind::Area;
            if (area && m_settings.view3d) {
                const QPointF end = at.back();
                drawFace(QPolygonF{QPointF(end.x(), floor), end, end + d, QPointF(end.x(), floor) + d},
                         pieces.back().color.darker(140));
            }
            for (const TPiece& piece : pieces) {
                if (m_settings.view3d) {
                    drawFace(QPolygonF{piece.a, piece.b, piece.b + d, piece.a + d},
                             area ? piece.color.lighter(120) : piece.color);
                } else if (!area) {
                    m_p.setPen(QPen(piece.color, 2, Qt::SolidLine, Qt::RoundCap));
                    m_p.drawLine(piece.a, piece.b);
                }
            }
            if (area) {
                QPolygonF outline{QPointF(at.front().x(), floor)};
                for (const QPointF& p : at)
                    outline << p;
                outline << QPointF(at.back().x(), floor);
                for (const TPiece& piece : pieces)
                    drawFace(QPolygonF{QPointF(piece.a.x(), floor), piece.a, piece.b, QPointF(piece.b.x(), floor)},
                             piece.color, false);
                m_p.setPen(QPen(pieces.front().color.darker(150), 1));
                m_p.setBrush(Qt::NoBrush);
                m_p.drawPolygon(outline);
            }
            for (qsizetype i = 0; i < count; ++i)
                markAt(s, i, at[std::size_t(i)], Qt::AlignTop);
        }
    }
    for (const std::vector<TMark>& m : marks)
        drawMarks(m);
}

void TChart::drawPie(const QRectF& area) {
    const qsizetype k = m_series.size();
    const double width = area.width() / double(std::max<qsizetype>(k, 1));
    for (qsizetype s = 0; s < k; ++s)
        drawPieOf(s, QRectF(area.left() + double(s) * width, area.top(), width, area.height()));
}

// One pie in its cell, with its marks around it and, with several series, its
// title beneath, the whole centred in the cell.
void TChart::drawPieOf(qsizetype s, const QRectF& cell) {
    const TfrChartSeries& series = m_series[s];
    const bool view3d = m_settings.view3d;
    QSizeF room(0, 0); // what the marks need beside the pie
    if (m_settings.marks) {
        for (const QString& t : m_markTexts[std::size_t(s)])
            room = room.expandedTo(markSize(t));
        room += QSizeF(kLeader + kGap, kLeader + kGap);
    }
    const double title = m_settings.singleSeries ? 0 : m_lineHeight + kGap;
    const double tilt = view3d ? kSin45 : 1;
    const double rimShare = view3d ? kRimShare : 0;
    double rx = std::min(cell.width() / 2 - room.width(),
                         ((cell.height() - title) / 2 - room.height()) / (tilt + rimShare / 2));
    rx = std::max(rx, std::min(cell.width(), cell.height()) * 0.15);
    const double ry = rx * tilt, rim = rx * rimShare;
    if (rx < 2)
        return;
    const double height = 2 * (ry + room.height()) + rim + title;
    const QPointF centre(cell.center().x(), cell.center().y() - height / 2 + room.height() + ry);
    if (title > 0)
        drawText(QRectF(cell.left(), centre.y() + ry + rim + room.height() + kGap, cell.width(), m_lineHeight),
                 Qt::AlignHCenter | Qt::AlignTop, m_metrics.elidedText(series.title, Qt::ElideRight, cell.width()));
    const QRectF top(centre - QPointF(rx, ry), centre + QPointF(rx, ry));
    const QRectF bottom = top.translated(0, rim);
    double total = 0;
    for (double v : series.values)
        total += std::fabs(v);
    if (!(total > 0)) {
        m_p.setPen(QPen(kWall, 1));
        m_p.setBrush(Qt::NoBrush);
        m_p.drawEllipse(top);
        return;
    }
    // Slices in the painter's angles: degrees counter-clockwise from three
    // o'clock; the first slice starts at twelve and they go clockwise.
    struct TSlice {
        double start, sweep; // sweep <= 0
    };
    std::vector<TSlice> slices;
    double done = 0;
    for (double v : series.values) {
        slices.push_back({90 - 360 * done / total, -360 * std::fabs(v) / total});
        done += std::fabs(v);
    }
    if (view3d) {
        // The rim: the parts of the slices on the near half (180 to 360 degrees).
        for (std::size_t i = 0; i < slices.size(); ++i) {
            double from = slices[i].start + slices[i].sweep, to = slices[i].start; // from <= to
            const double turn = std::floor(from / 360) * 360;
            from -= turn;
            to -= turn;
            for (double half = 180; half < to; half += 360) {
                const double a = std::max(from, half), b = std::min(to, half + 180);
                if (b <= a)
                    continue;
                QPainterPath rimPath;
                rimPath.arcMoveTo(top, a);
                rimPath.arcTo(top, a, b - a);
                QPainterPath lower;
                lower.arcMoveTo(bottom, b);
                rimPath.lineTo(lower.currentPosition());
                rimPath.arcTo(bottom, b, a - b);
                rimPath.closeSubpath();
                const QColor color = pointColor(s, qsizetype(i)).darker(130);
                m_p.setPen(QPen(color.darker(130), 1));
                m_p.setBrush(color);
                m_p.drawPath(rimPath);
            }
        }
    }
    std::vector<TMark> marks;
    for (std::size_t i = 0; i < slices.size(); ++i) {
        const QColor color = pointColor(s, qsizetype(i));
        if (slices[i].sweep < 0) {
            QPainterPath slice(centre);
            slice.arcTo(top, slices[i].start, slices[i].sweep);
            slice.closeSubpath();
            m_p.setPen(QPen(color.darker(150), 1));
            m_p.setBrush(color);
            m_p.drawPath(slice);
        }
        if (!m_settings.marks)
            continue;
        const double middle = (slices[i].start + slices[i].sweep / 2) * std::numbers::pi / 180;
        const QPointF direction(std::cos(middle), -std::sin(middle));
        const QPointF edge = centre + QPointF(rx * direction.x(), ry * direction.y() + (direction.y() > 0 ? rim : 0));
        const QPointF end = edge + kLeader * direction;
        const QString& text = m_markTexts[std::size_t(s)][qsizetype(i)];
        const QSizeF size = markSize(text);
        QRectF box(QPointF(), size);
        if (std::fabs(direction.x()) < 0.3)
            box.moveCenter(end + QPointF(0, (direction.y() < 0 ? -1 : 1) * size.height() / 2));
        else
            box.moveCenter(end + QPointF((direction.x() < 0 ? -1 : 1) * size.width() / 2, 0));
        marks.push_back({box, text, QLineF(edge, end)});
    }
    drawMarks(marks);
}

} // namespace

QColor frChartColor(qsizetype index) {
    constexpr qsizetype count = qsizetype(std::size(kPalette));
    return QColor(kPalette[((index % count) + count) % count]);
}

QString frChartMarkText(TfrChartMarkStyle style, const QString& caption, double value, double total) {
    const QString number = numberText(value);
    const QString percent =
        frformats::formatNumber(QStringLiteral("##0.##"), total > 0 ? std::fabs(value) / total * 100 : 0) +
        QStringLiteral(" %");
    auto withCaption = [&](const QString& text) { return caption.isEmpty() ? text : caption + u' ' + text; };
    switch (style) {
    case TfrChartMarkStyle::Percent: return percent;
    case TfrChartMarkStyle::Caption: return caption.isEmpty() ? number : caption;
    case TfrChartMarkStyle::CaptionPercent: return withCaption(percent);
    case TfrChartMarkStyle::CaptionValue: return withCaption(number);
    case TfrChartMarkStyle::Value:
    default: return number;
    }
}

void frDrawChart(QPainter& painter, const QRectF& rect, double scale, const TfrChartSettings& settings,
                 const TfrChartData& data, const QColor& background) {
    if (!(scale > 0) || !std::isfinite(scale) || !(rect.width() > 0) || !(rect.height() > 0))
        return;
    const QSizeF size = rect.size() / scale;
    if (!(size.width() <= kMaxSide) || !(size.height() <= kMaxSide))
        return;
    painter.save();
    painter.setClipRect(rect, Qt::IntersectClip);
    painter.fillRect(rect, background);
    painter.translate(rect.topLeft());
    painter.scale(scale, scale);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    TChart(painter, size, settings, data).draw();
    painter.restore();
}

bool frDrawChartMemo(QPainter& painter, const QRectF& rect, double scale, const TfrChartSettings& settings,
                     const QStringList& memo, const QColor& background) {
    const std::optional<TfrChartData> data = frChartData(settings, memo);
    if (!data)
        return false;
    frDrawChart(painter, rect, scale, settings, *data, background);
    return true;
}
