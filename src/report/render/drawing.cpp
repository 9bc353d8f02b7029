#include "report/render/drawing.h"

#include "common/rounding.h"
#include "report/render/textlayout.h"
#include "report/render/textmeasure.h"
#include "report/model/engine.h"

#include <QPainter>
#include <QPaintDevice>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

std::int32_t R(double v) { return roundHalfEven(v); }

std::int32_t sat(std::int64_t v) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, std::numeric_limits<std::int32_t>::min(),
                                                              std::numeric_limits<std::int32_t>::max()));
}

} // namespace

QRect frVisibleArea(const TfrDrawContext& c) {
    constexpr int kHuge = 1 << 28;
    if (!c.visibleArea.isEmpty())
        return c.visibleArea;
    QRect area(-kHuge, -kHuge, 2 * kHuge, 2 * kHuge);
    if (!c.painter)
        return area;
    if (const QPaintDevice* device = c.painter->device()) {
        bool invertible = false;
        const QTransform inverse = c.painter->worldTransform().inverted(&invertible);
        if (invertible)
            area = inverse.mapRect(QRectF(0, 0, device->width(), device->height())).toAlignedRect().adjusted(-2, -2, 2, 2);
    }
    if (c.painter->hasClipping())
        area = area.intersected(c.painter->clipBoundingRect().toAlignedRect().adjusted(-2, -2, 2, 2));
    return area;
}

namespace {

// [left, right) x [top, bottom) cut to the area (coordinates anywhere in 64
// bits); empty when nothing is left.
QRect cutToArea(std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom, const QRect& area) {
    left = std::max<std::int64_t>(left, area.left());
    top = std::max<std::int64_t>(top, area.top());
    right = std::min<std::int64_t>(right, std::int64_t(area.right()) + 1);
    bottom = std::min<std::int64_t>(bottom, std::int64_t(area.bottom()) + 1);
    if (right <= left || bottom <= top)
        return QRect();
    return QRect(int(left), int(top), int(right - left), int(bottom - top));
}

// Fills [left, right) x [top, bottom), cut to the area; coordinates may be
// anywhere in 64 bits.
void fillEdges(QPainter& p, std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom,
               const QColor& color, const QRect& area) {
    left = std::max<std::int64_t>(left, area.left());
    top = std::max<std::int64_t>(top, area.top());
    right = std::min<std::int64_t>(right, std::int64_t(area.right()) + 1);
    bottom = std::min<std::int64_t>(bottom, std::int64_t(area.bottom()) + 1);
    if (right <= left || bottom <= top)
        return;
    p.fillRect(QRect(int(left), int(top), int(right - left), int(bottom - top)), color);
}

// Dash patterns of the frame styles, in pattern units: on, off, on, off ...
struct TDashPattern {
    std::uint16_t style;
    int lengths[6];
    int count;
};
constexpr TDashPattern kDashPatterns[] = {
    {psDash, {18, 6}, 2},
    {psDot, {3, 3}, 2},
    {psDashDot, {9, 6, 3, 6}, 4},
    {psDashDotDot, {9, 3, 3, 3, 3, 3}, 6},
};

const TDashPattern* dashPattern(std::uint16_t style) {
    for (const TDashPattern& d : kDashPatterns)
        if (d.style == style)
            return &d;
    return nullptr;
}

// One straight frame line from `from` to `to` (inclusive) at `across` (a row
// for horizontal lines, a column for vertical ones), `width` pixels wide,
// centred on it as pens are: offsets -(W div 2) ... W - 1 - (W div 2). A solid
// line also reaches half its width past its ends, so that frame corners are
// closed. A dashed or dotted one is `width` one-pixel lines in the pattern,
// its units `unit` pixels long.
void frameLine(QPainter& p, bool horizontal, std::int64_t across, std::int64_t from, std::int64_t to,
               std::int64_t width, const TDashPattern* dashes, std::int64_t unit, const QColor& color,
               const QRect& area) {
    if (from > to)
        std::swap(from, to);
    width = std::max<std::int64_t>(1, width);
    const std::int64_t lo = across - width / 2;
    const std::int64_t hi = lo + width; // exclusive
    auto fill = [&](std::int64_t a0, std::int64_t a1, std::int64_t c0, std::int64_t c1) {
        if (horizontal)
            fillEdges(p, a0, c0, a1, c1, color, area);
        else
            fillEdges(p, c0, a0, c1, a1, color, area);
    };
    if (!dashes) {
        fill(from - width / 2, to + width - width / 2, lo, hi);
        return;
    }
    // Only the dashes that reach the area are drawn.
    const std::int64_t areaFrom = horizontal ? area.left() : area.top();
    const std::int64_t areaTo = horizontal ? std::int64_t(area.right()) + 1 : std::int64_t(area.bottom()) + 1;
    const std::int64_t crossFrom = std::max(lo, std::int64_t(horizontal ? area.top() : area.left()));
    const std::int64_t crossTo = std::min(hi, horizontal ? std::int64_t(area.bottom()) + 1 : std::int64_t(area.right()) + 1);
    if (crossFrom >= crossTo)
        return;
    unit = std::max<std::int64_t>(1, unit);
    std::int64_t period = 0;
    for (int i = 0; i < dashes->count; ++i)
        period += dashes->lengths[i] * unit;
    std::int64_t pos = from;
    if (areaFrom > pos)
        pos += (areaFrom - pos) / period * period;
    const std::int64_t end = std::min(to + 1, areaTo);
    while (pos < end) {
        for (int i = 0; i < dashes->count && pos < end; ++i) {
            const std::int64_t len = dashes->lengths[i] * unit;
            if (i % 2 == 0) // one-pixel lines side by side make one block
                fill(pos, std::min(pos + len, to + 1), crossFrom, crossTo);
            pos += len;
        }
    }
}

QColor qcolor(TfrColor c) { return frcolor::toQColor(c); }

} // namespace

// Blanks and punctuation between two runs of the same direction take that
// direction; numbers after left-to-right letters belong to them.
std::vector<qsizetype> frRightToLeftOrder(QStringView s) {
    enum Kind { L, Rtl, Number, Neutral };
    const qsizetype n = s.size();
    std::vector<Kind> kind(static_cast<std::size_t>(n));
    for (qsizetype i = 0; i < n; ++i) {
        switch (s[i].direction()) {
        case QChar::DirL: kind[i] = L; break;
        case QChar::DirR:
        case QChar::DirAL: kind[i] = Rtl; break;
        case QChar::DirEN:
        case QChar::DirAN: kind[i] = Number; break;
        default: kind[i] = Neutral; break;
        }
    }
    // Numbers after left-to-right text belong to it.
    Kind lastStrong = Rtl;
    for (qsizetype i = 0; i < n; ++i) {
        if (kind[i] == L || kind[i] == Rtl)
            lastStrong = kind[i];
        else if (kind[i] == Number && lastStrong == L)
            kind[i] = L;
    }
    // Neutrals between equal directions take it, others read right to left.
    auto direction = [](Kind k) { return k == L ? L : Rtl; }; // numbers count as right to left here
    for (qsizetype i = 0; i < n;) {
        if (kind[i] != Neutral) {
            ++i;
            continue;
        }
        qsizetype j = i;
        while (j < n && kind[j] == Neutral)
            ++j;
        const Kind before = i > 0 ? direction(kind[i - 1]) : Rtl;
        const Kind after = j < n ? direction(kind[j]) : Rtl;
        const Kind resolved = before == after ? before : Rtl;
        for (qsizetype k = i; k < j; ++k)
            kind[k] = resolved;
        i = j;
    }
    std::vector<qsizetype> order(static_cast<std::size_t>(n));
    for (qsizetype i = 0; i < n; ++i)
        order[i] = i;
    // Levels: right to left 1, left to right and numbers 2. Runs of level 2 are
    // reversed, then the whole line.
    for (qsizetype i = 0; i < n;) {
        if (kind[i] == Rtl) {
            ++i;
            continue;
        }
        qsizetype j = i;
        while (j < n && kind[j] != Rtl)
            ++j;
        std::reverse(order.begin() + i, order.begin() + j);
        i = j;
    }
    std::reverse(order.begin(), order.end());
    return order;
}

namespace {

// ---------------------------------------------------------------- text lines

// One text line as placed on the canvas: its characters' left edges along
// the line (relative to its start) and its width.
struct TPlacedLine {
    QString text;
    std::vector<double> lefts;
    std::int32_t width = 0;
};

bool isBlank(QChar c) { return c == u' ' || c == QChar(0xA0); }

// Places a line at scale `scale` along it: design advances scaled, the
// character spacing `spacing` (already scaled) after every character, and
// `extra` pixels spread over the blanks (the first ones get one more when the
// pixels do not divide evenly).
TPlacedLine placeLine(const TfrTextMeasurer& m, const TfrFont& font, const QString& text, double scale,
                      std::int32_t spacing, std::int64_t extra, bool rightToLeft) {
    TPlacedLine line;
    line.text = text;
    const qsizetype n = text.size();
    std::vector<int> adv;
    adv.reserve(static_cast<std::size_t>(n));
    m.advances(font, text, adv);
    std::int64_t designWidth = 0;
    for (int a : adv)
        designWidth += a;
    line.width = sat(std::int64_t(R(designWidth * scale)) + std::int64_t(spacing) * n);
    qsizetype blanks = 0;
    if (extra > 0)
        for (QChar c : text)
            blanks += isBlank(c) ? 1 : 0;
    const std::int64_t each = blanks ? extra / blanks : 0;
    std::int64_t rest = blanks ? extra % blanks : 0;
    std::vector<qsizetype> order;
    if (rightToLeft) {
        order = frRightToLeftOrder(text);
    } else {
        order.resize(static_cast<std::size_t>(n));
        for (qsizetype i = 0; i < n; ++i)
            order[i] = i;
    }
    line.lefts.assign(static_cast<std::size_t>(n), 0.0);
    std::int64_t designPos = 0;
    std::int64_t added = 0;
    qsizetype index = 0;
    for (qsizetype k : order) {
        line.lefts[k] = designPos * scale + double(spacing) * index + double(added);
        designPos += adv[static_cast<std::size_t>(k)];
        ++index;
        if (blanks && isBlank(text[k])) {
            added += each + (rest > 0 ? 1 : 0);
            if (rest > 0)
                --rest;
        }
    }
    return line;
}

int fontPixels(const TfrFont& font, double scale, const TfrDrawTransform& t) {
    if (t.printing && t.printerDpi > 0)
        return std::max(1, R(std::clamp(font.size, 1, 1500) * double(std::min(t.printerDpi, 2400)) / 72.0));
    return std::max(1, frFontPixelHeight(font.size, scale));
}

// Shows the laid-out lines of a memo (the drawing or export of its text).
void showText(const TfrMemoView& memo, const TfrDrawGeometry& g, const TfrTextLayout& layout,
              TfrDrawContext& c, bool partMeasuring) {
    const TfrTextMeasurer& m = *c.measurer;
    const TfrDrawTransform& t = c.transform;
    const bool vertical = memo.alignment & frtaVertical;
    const bool exporting = static_cast<bool>(c.exportHook);
    const bool drawing = c.painter && !exporting && !partMeasuring;
    const std::uint32_t horizontal = memo.alignment & frtaJustify;
    const bool rtl = memo.flag(frflags::RTLReading);
    const TfrEdges& dr = g.drawRect;
    const TfrEdges clip{sat(std::int64_t(dr.left) + 1), dr.top, sat(std::int64_t(dr.right) - 2),
                        sat(std::int64_t(dr.bottom) - 1)};
    const QRect area = frVisibleArea(c);
    const QColor color = qcolor(memo.font.color);

    std::int32_t x = g.x, y = g.y;
    const std::int32_t textHeight = R(layout.textHeight * (vertical ? t.sx : t.sy));
    // Text is cut at the memo's edges. The clip is set only once a line does
    // not fit inside them, so the common memo whose lines all fit draws
    // without one (a printer or PDF then gets no clip per memo).
    bool clipped = false;
    const auto clipFrom = [&] {
        if (drawing && !clipped) {
            c.painter->save();
            c.painter->setClipRect(cutToArea(clip.left, clip.top, clip.right, clip.bottom, area), Qt::IntersectClip);
            clipped = true;
        }
    };
    if (vertical || (memo.font.style & fsItalic))
        clipFrom(); // rotated lines and slanted glyphs are not checked
    const int count = static_cast<int>(layout.lines.size());
    if (!vertical) {
        if (!partMeasuring) {
            if (memo.alignment & frtaMiddle)
                y = sat(std::int64_t(y) + (std::int64_t(dr.height()) - textHeight) / 2);
            else if (memo.alignment & frtaDown)
                y = sat(std::int64_t(dr.bottom) - textHeight - 1);
        }
        const int px = fontPixels(memo.font, t.sy, t);
        const std::int64_t pitch = std::max<std::int64_t>(1, std::int64_t(R(memo.lineSpacing * t.sy)) + px);
        const std::int32_t spacing = R(memo.charSpacing * t.sx);
        std::int64_t cursor = std::int64_t(y) + g.gapY;
        for (int i = 0; i < count; ++i) {
            if (partMeasuring && clip.bottom < cursor + pitch)
                break;
            if (drawing && cursor > area.bottom())
                break; // nothing below can be seen
            bool paragraphEnd = false;
            const QString text = frStripLineEnd(layout.lines[i], &paragraphEnd);
            paragraphEnd = paragraphEnd || text.isEmpty();
            TPlacedLine line = placeLine(m, memo.font, text, t.sx, spacing, 0, rtl);
            std::uint32_t align = horizontal;
            if (c.designer && count == 1 && text.startsWith(u'[') && line.width > dr.width())
                align = frtaRight;
            std::int64_t xpos;
            switch (align) {
            case frtaRight: xpos = std::int64_t(x) + dr.width() - g.gapX - line.width - 1; break;
            case frtaCenter: xpos = std::int64_t(x) + g.gapX + (dr.width() - 2 * std::int64_t(g.gapX) - line.width) / 2; break;
            default: xpos = std::int64_t(x) + g.gapX; break;
            }
            if (align == frtaJustify && !paragraphEnd) {
                const std::int64_t extra = std::int64_t(dr.width()) - 2 * std::int64_t(g.gapX) - line.width;
                if (extra > 0)
                    line = placeLine(m, memo.font, text, t.sx, spacing, extra, rtl);
            }
            if (exporting) {
                std::uint16_t bits = memo.frameTyp;
                if (count > 1)
                    bits &= i == 0 ? ~frftBottom : (i == count - 1 ? ~frftTop : ~(frftTop | frftBottom));
                c.exportHook(TfrExportLine{dr, sat(xpos), sat(cursor), &memo, bits, text, &memo.font, memo.alignment});
            } else if (drawing && cursor + pitch >= area.top()) {
                // Descenders reach about a fifth of the font size below it.
                if (xpos < clip.left || xpos + line.width > clip.right || cursor < clip.top ||
                    cursor + std::max<std::int64_t>(pitch, px + (px + 3) / 4) > clip.bottom)
                    clipFrom();
                for (double& left : line.lefts)
                    left += double(xpos);
                m.drawText(*c.painter, memo.font, px, line.text, line.lefts, double(cursor), color);
            }
            ++c.linesDrawn;
            cursor += pitch;
        }
    } else {
        if (!partMeasuring) {
            if (memo.alignment & frtaMiddle)
                x = sat(std::int64_t(x) + (std::int64_t(dr.width()) - textHeight) / 2);
            else if (memo.alignment & frtaDown)
                x = sat(std::int64_t(dr.right) - textHeight);
        }
        const int px = fontPixels(memo.font, t.sx, t);
        const std::int64_t pitch = std::max<std::int64_t>(1, std::int64_t(R(memo.lineSpacing * t.sx)) + px);
        const std::int32_t spacing = R(memo.charSpacing * t.sy);
        std::int64_t cursor = std::int64_t(x) + g.gapX;
        for (int i = 0; i < count; ++i) {
            if (partMeasuring && clip.right < cursor + pitch)
                break;
            if (drawing && cursor > area.right())
                break;
            bool paragraphEnd = false;
            const QString text = frStripLineEnd(layout.lines[i], &paragraphEnd);
            paragraphEnd = paragraphEnd || text.isEmpty();
            TPlacedLine line = placeLine(m, memo.font, text, t.sy, spacing, 0, rtl);
            std::int64_t ypos;
            switch (horizontal) {
            case frtaRight: ypos = std::int64_t(y) + g.gapY + line.width; break;
            case frtaCenter:
                ypos = std::int64_t(dr.bottom) - g.gapY - (dr.height() - 2 * std::int64_t(g.gapY) - line.width) / 2 - 1;
                break;
            case frtaJustify: ypos = std::int64_t(y) + dr.height() - g.gapY; break;
            default: ypos = std::int64_t(dr.bottom) - g.gapY; break;
            }
            if (horizontal == frtaJustify && !paragraphEnd) {
                const std::int64_t extra = std::int64_t(dr.height()) - 2 * std::int64_t(g.gapY) - line.width;
                if (extra > 0)
                    line = placeLine(m, memo.font, text, t.sy, spacing, extra, rtl);
            }
            if (exporting) {
                c.exportHook(TfrExportLine{dr, sat(cursor), sat(ypos), &memo, 0, text, &memo.font, memo.alignment});
            } else if (drawing && cursor + pitch >= area.left()) {
                // Read bottom to top: the line's start is at (cursor, ypos), its
                // characters' cells extend up from there and right from cursor.
                c.painter->save();
                c.painter->translate(double(cursor), double(ypos));
                c.painter->rotate(-90);
                m.drawText(*c.painter, memo.font, px, line.text, line.lefts, 0.0, color);
                c.painter->restore();
            }
            ++c.linesDrawn;
            cursor += pitch;
        }
    }
    if (clipped)
        c.painter->restore();
}

void showUnderlines(const TfrMemoView& memo, const TfrDrawGeometry& g, TfrDrawContext& c) {
    const TfrDrawTransform& t = c.transform;
    const int px = fontPixels(memo.font, t.sy, t);
    const std::int64_t pitch = std::max<std::int64_t>(1, std::int64_t(R(memo.lineSpacing * t.sy)) + px);
    const std::int64_t lines = std::max<std::int64_t>(0, g.height / pitch);
    const std::int64_t first = std::int64_t(g.y) + g.gapY + R(2 * t.sy) + px;
    const QRect area = frVisibleArea(c);
    // Only the underlines inside the area.
    std::int64_t from = 0;
    if (area.top() > first + 1)
        from = std::min(lines, (std::int64_t(area.top()) - first) / pitch - 1);
    const std::int64_t width = std::max(1, R(g.frameWidth));
    const QColor color = qcolor(memo.frameColor);
    for (std::int64_t i = std::max<std::int64_t>(0, from); i < lines; ++i) {
        const std::int64_t row = first + pitch * i;
        if (row - width > area.bottom())
            break;
        frameLine(*c.painter, true, row, g.x, std::int64_t(g.x) + g.width - 1, width, nullptr, 1, color, area);
    }
}

// A memo's lines as drawn: a prepared memo's end with the line-end marker of
// laid-out text, which a last line of its own does not need.
QStringList storedText(const TfrMemoView& memo) {
    QStringList text = memo.memo;
    if (!text.isEmpty() && text.last() == QString(frLineEnd))
        text.removeLast();
    return text;
}

// Size of a metafile in pixels from its header (enhanced metafiles: the
// bounds; placeable ones: the box in their units per inch); empty when the
// header cannot tell.
QSize metafileSize(const QByteArray& data) {
    auto u32 = [&](qsizetype at) {
        return std::uint32_t(std::uint8_t(data[at])) | std::uint32_t(std::uint8_t(data[at + 1])) << 8 |
               std::uint32_t(std::uint8_t(data[at + 2])) << 16 | std::uint32_t(std::uint8_t(data[at + 3])) << 24;
    };
    auto i16 = [&](qsizetype at) {
        return std::int16_t(std::uint16_t(std::uint8_t(data[at])) | std::uint16_t(std::uint8_t(data[at + 1])) << 8);
    };
    if (data.size() >= 44 && u32(0) == 1 && u32(40) == 0x464D4520u) { // " EMF"
        const std::int64_t w = std::int64_t(std::int32_t(u32(16))) - std::int32_t(u32(8)) + 1;
        const std::int64_t h = std::int64_t(std::int32_t(u32(20))) - std::int32_t(u32(12)) + 1;
        if (w > 0 && h > 0 && w < 100000 && h < 100000)
            return QSize(int(w), int(h));
    } else if (data.size() >= 22 && u32(0) == 0x9AC6CDD7u) {
        const int inch = std::uint16_t(i16(14));
        const int w = i16(10) - i16(6), h = i16(12) - i16(8);
        if (inch > 0 && w > 0 && h > 0)
            return QSize(std::max(1, w * 96 / inch), std::max(1, h * 96 / inch));
    }
    return QSize();
}

} // namespace

// ---------------------------------------------------------------- shared steps

void frShowBackground(const TfrView& view, const TfrDrawGeometry& g, TfrDrawContext& c) {
    if (!c.painter || frcolor::isTransparent(view.fillColor))
        return;
    fillEdges(*c.painter, g.x, g.y, g.right, g.bottom, qcolor(view.fillColor), frVisibleArea(c));
}

void frShowFrame(const TfrView& view, const TfrDrawGeometry& g, std::uint16_t frameTyp, TfrDrawContext& c) {
    if (!c.painter)
        return;
    QPainter& p = *c.painter;
    const QRect area = frVisibleArea(c);
    frameTyp &= frftRight | frftBottom | frftLeft | frftTop;
    if (!frameTyp) {
        if (c.designer) // where a frameless object stands
            for (const auto& [horizontal, across, from, to] :
                 {std::tuple{false, g.right, g.y, g.bottom}, std::tuple{false, g.x, g.y, g.bottom},
                  std::tuple{true, g.bottom, g.x, g.right}, std::tuple{true, g.y, g.x, g.right}})
                frameLine(p, horizontal, across, from, to, 1, dashPattern(psDot), 1, QColor(0xC0, 0xC0, 0xC0), area);
        return;
    }
    const std::int64_t width = std::max(1, R(g.frameWidth));
    const QColor frame = qcolor(view.frameColor);
    const bool transparentFill = frcolor::isTransparent(view.fillColor);
    const QColor fill = qcolor(view.fillColor);
    const TDashPattern* dashes = view.frameStyle == psDouble ? nullptr : dashPattern(view.frameStyle);
    const std::int64_t unitX = std::max(1, R(c.transform.sx)), unitY = std::max(1, R(c.transform.sy));
    struct TSide {
        std::uint16_t bit;
        bool horizontal;
        std::int64_t across, from, to;
        int outward; // the direction a double line's outer line lies in
    };
    const TSide sides[] = {
        {frftRight, false, g.right, g.y, g.bottom, 1},
        {frftLeft, false, g.x, g.y, g.bottom, -1},
        {frftBottom, true, g.bottom, g.x, g.right, 1},
        {frftTop, true, g.y, g.x, g.right, -1},
    };
    for (const TSide& s : sides) {
        if (!(frameTyp & s.bit))
            continue;
        const std::int64_t unit = s.horizontal ? unitX : unitY;
        if (view.frameStyle == psDouble) {
            const std::int64_t shift = R(g.frameWidth);
            frameLine(p, s.horizontal, s.across - shift, s.from, s.to, width, nullptr, unit, frame, area);
            if (!transparentFill)
                frameLine(p, s.horizontal, s.across, s.from, s.to, width, nullptr, unit, fill, area);
            frameLine(p, s.horizontal, s.across + shift, s.from, s.to, width, nullptr, unit, frame, area);
        } else {
            frameLine(p, s.horizontal, s.across, s.from, s.to, width, dashes, unit, frame, area);
        }
    }
}

// ---------------------------------------------------------------- memo

TfrBox frAutoWidthBox(const TfrTextMeasurer& measurer, const TfrMemoView& memo) {
    TfrBox box = frBoxOf(memo);
    const QStringList text = storedText(memo);
    if (text.isEmpty())
        return box;
    const std::int32_t w = frAutoWidth(measurer, memo, text);
    if (memo.alignment & frtaVertical) {
        box.height = w;
    } else {
        if (memo.alignment & frtaRight)
            box.left = sat(std::int64_t(box.left) + box.width - w);
        box.width = w;
    }
    return box;
}

namespace {

// Draws a memo: with `box` its background, frame and underlines first, then
// its text.
void drawMemo(const TfrMemoView& memo, TfrDrawContext& c, bool box) {
    const TfrTextMeasurer& m = *c.measurer;
    const bool autoWidth = memo.flag(frflags::AutoWidth) && !c.designer;
    const QStringList text = storedText(memo);
    const TfrBox place = autoWidth ? frAutoWidthBox(m, memo) : frBoxOf(memo);
    TfrBox layoutBox = place;
    if (autoWidth) { // never wrapped
        if (memo.alignment & frtaVertical)
            layoutBox.height = sat(std::int64_t(layoutBox.height) + 100);
        else
            layoutBox.width = sat(std::int64_t(layoutBox.width) + 100);
    }
    const TfrTextLayout layout = frLayoutMemo(m, memo, memo.font, layoutBox, text, c.designer);
    const TfrDrawGeometry g = frBeginDraw(memo, place, c.transform);
    c.linesDrawn = 0;
    if (box && !c.exportHook && c.painter) {
        frShowBackground(memo, g, c);
        frShowFrame(memo, g, memo.frameTyp, c);
        if (memo.flag(frflags::Underlines))
            showUnderlines(memo, g, c);
    }
    if (!layout.lines.isEmpty())
        showText(memo, g, layout, c, false);
}

} // namespace

void frDrawMemo(const TfrView& view, TfrDrawContext& c) {
    if (const auto* memo = frCast<TfrMemoView>(&view); memo && c.measurer)
        drawMemo(*memo, c, true);
}

void frDrawMemoText(const TfrMemoView& memo, TfrDrawContext& c) {
    if (c.measurer)
        drawMemo(memo, c, false);
}

int frCountFittingLines(const TfrTextMeasurer& measurer, const TfrMemoView& memo, const QStringList& lines) {
    TfrDrawContext c;
    c.measurer = &measurer;
    TfrTextLayout layout;
    layout.lines = lines;
    const TfrDrawGeometry g = frBeginDraw(memo, frBoxOf(memo), c.transform);
    showText(memo, g, layout, c, true);
    return c.linesDrawn;
}

// ---------------------------------------------------------------- line, picture, outline

void frDrawLine(const TfrView& view, TfrDrawContext& c) {
    TfrBox box = frBoxOf(view);
    std::uint16_t side;
    if (box.height < box.width) {
        side = frftTop;
        box.height = 0;
    } else {
        side = frftLeft;
        box.width = 0;
    }
    const TfrDrawGeometry g = frBeginDraw(view, box, c.transform, side);
    frShowFrame(view, g, side, c);
}

void frDrawPicture(const TfrView& view, TfrDrawContext& c) {
    const auto* pv = frCast<TfrPictureView>(&view);
    if (!pv || !c.painter)
        return;
    QPainter& p = *c.painter;
    const TfrDrawGeometry g = frBeginDraw(view, frBoxOf(view), c.transform);
    frShowBackground(view, g, c);
    const TfrEdges& dr = g.drawRect;
    const TfrPicture& pic = pv->picture;
    const bool metafile = pic.kind == TfrPicture::Metafile;
    QSize size = metafile ? metafileSize(pic.data) : pic.image.size();
    if (!pic.isEmpty() && (metafile || !pic.image.isNull())) {
        const bool stretched = view.flag(frflags::Stretched) || size.isEmpty();
        const bool center = view.flag(frflags::PictCenter);
        std::int64_t tx = dr.left, ty = dr.top, tw = dr.width(), th = dr.height();
        if (stretched) {
            if (view.flag(frflags::PictKeepAspect) && !size.isEmpty() && g.width > 0 && g.height > 0) {
                const double kx = double(g.width) / size.width(), ky = double(g.height) / size.height();
                if (kx >= ky)
                    tw = R(size.width() * ky);
                else
                    th = R(size.height() * kx);
            }
        } else {
            tw = R(size.width() * c.transform.sx);
            th = R(size.height() * c.transform.sy);
        }
        if (center) {
            tx += (std::int64_t(dr.width()) - tw) / 2;
            ty += (std::int64_t(dr.height()) - th) / 2;
        }
        const QRect area = frVisibleArea(c);
        const QRectF target{double(tx), double(ty), double(tw), double(th)};
        const QRectF clip = cutToArea(dr.left, dr.top, dr.right, dr.bottom, area);
        if (!clip.isEmpty() && tw > 0 && th > 0 && target.intersects(clip)) {
            p.save();
            p.setClipRect(clip, Qt::IntersectClip);
            if (metafile) {
                // The platform's metafiles are not rendered here: a placeholder
                // shows where the picture stands; its bytes are kept.
                const QRectF r = target.intersected(clip.adjusted(0, 0, -1, -1));
                p.setPen(QPen(QColor(0x80, 0x80, 0x80), 0));
                p.setBrush(Qt::NoBrush);
                p.drawRect(r);
                p.drawLine(r.topLeft(), r.bottomRight());
                p.drawLine(r.bottomLeft(), r.topRight());
            } else {
                p.setRenderHint(QPainter::SmoothPixmapTransform);
                p.drawImage(target, pic.image);
            }
            p.restore();
        }
    } else if (c.designer) {
        frDrawPlaceholder(g, QStringLiteral("[Рисунок]"), c);
    }
    frShowFrame(view, g, view.frameTyp, c);
}

void frDrawPlaceholder(const TfrDrawGeometry& g, const QString& caption, TfrDrawContext& c) {
    if (!c.painter)
        return;
    QPainter& p = *c.painter;
    const TfrEdges& dr = g.drawRect;
    const QRect clip = cutToArea(dr.left, dr.top, dr.right, dr.bottom, frVisibleArea(c));
    if (clip.isEmpty())
        return;
    p.save();
    p.setClipRect(clip, Qt::IntersectClip);
    const QRect sign(g.x + 1, g.y + 2, 16, 16);
    p.setPen(QPen(QColor(0x80, 0x80, 0x80), 0));
    p.setBrush(QColor(0xE0, 0xE0, 0xE0));
    p.drawRect(sign.adjusted(0, 0, -1, -1));
    if (c.measurer) {
        TfrFont font;
        font.size = 8;
        TPlacedLine line = placeLine(*c.measurer, font, caption, 1.0, 0, 0, false);
        for (double& left : line.lefts)
            left += g.x + 20;
        c.measurer->drawText(p, font, frFontPixelHeight(8), caption, line.lefts, g.y + 3, Qt::black);
    }
    p.restore();
}

void frDrawOutline(const TfrView& view, TfrDrawContext& c) {
    if (!c.designer || !c.painter)
        return;
    const TfrDrawGeometry g = frBeginDraw(view, frBoxOf(view), c.transform, 0);
    const QRect area = frVisibleArea(c);
    const QColor grey(0x80, 0x80, 0x80);
    frameLine(*c.painter, false, g.right, g.y, g.bottom, 1, dashPattern(psDot), 1, grey, area);
    frameLine(*c.painter, false, g.x, g.y, g.bottom, 1, dashPattern(psDot), 1, grey, area);
    frameLine(*c.painter, true, g.bottom, g.x, g.right, 1, dashPattern(psDot), 1, grey, area);
    frameLine(*c.painter, true, g.y, g.x, g.right, 1, dashPattern(psDot), 1, grey, area);
}

// ---------------------------------------------------------------- painters of classes

const TfrObjectPainter* frPainterOf(const TfrObjectClass& objectClass) {
    static const TfrObjectPainter memo = frDrawMemo, line = frDrawLine, picture = frDrawPicture,
                                  outline = frDrawOutline;
    for (const TfrObjectClass* c = &objectClass; c; c = c->base) {
        if (c->paint)
            return &c->paint;
        switch (c->kind) {
        case gtMemo: return &memo;
        case gtLine: return &line;
        case gtPicture: return &picture;
        case gtBand:
        case gtSubReport: return &outline;
        default: break;
        }
    }
    return nullptr;
}

void frDrawObject(const TfrView& view, TfrDrawContext& context) {
    if (const TfrObjectPainter* painter = frPainterOf(view.objectClass()))
        (*painter)(view, context);
}
