#include "report/addins/roundrect.h"

#include "common/binio.h"
#include "common/rounding.h"
#include "report/render/drawing.h"

#include <QPainter>
#include <algorithm>
#include <cstdlib>

namespace {

// Elliptic gradients and boxes larger than this many pixels across are not
// drawn: no report has one, and a damaged file cannot make the painter work
// on giant figures. (Strips and rows are cut to what is seen.)
constexpr std::int64_t kMaxFigure = std::int64_t(1) << 24;

std::int32_t R(double v) { return roundHalfEven(v); }

// a * b / c rounded to nearest, halves away from zero.
std::int64_t mulDiv(std::int64_t a, std::int64_t b, std::int64_t c) {
    const std::int64_t n = a * b;
    const std::int64_t q = (std::abs(n) + std::abs(c) / 2) / std::abs(c);
    return (n < 0) != (c < 0) ? -q : q;
}

// A colour's channels as drawn (transparent as white).
QColor drawnColor(TfrColor c) { return frcolor::isTransparent(c) ? QColor(Qt::white) : frcolor::toQColor(c); }

// Fills [left, right) x [top, bottom) cut to the area.
void fillCut(QPainter& p, std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom,
             const QColor& color, const QRect& area) {
    left = std::max<std::int64_t>(left, area.left());
    top = std::max<std::int64_t>(top, area.top());
    right = std::min<std::int64_t>(right, std::int64_t(area.right()) + 1);
    bottom = std::min<std::int64_t>(bottom, std::int64_t(area.bottom()) + 1);
    if (left < right && top < bottom)
        p.fillRect(QRect(int(left), int(top), int(right - left), int(bottom - top)), color);
}

// One-pixel lines across a span of `length` pixels from `start`: the lines
// from each edge take the steps 0 .. length div 2 towards the middle, as if
// drawn from both edges at once, step after step (a line both reach keeps
// the later step, so the middle has the begin colour). Only the lines at
// [visibleFrom, visibleTo] are drawn.
template <class DrawLine>
void edgesToMiddle(std::int64_t start, std::int64_t length, std::int64_t visibleFrom, std::int64_t visibleTo,
                   TfrColor end, TfrColor begin, DrawLine line) {
    const std::int64_t half = length / 2;
    const int steps = int(std::clamp<std::int64_t>(half, 1, INT32_MAX));
    const std::int64_t last = std::min(start + length - 1, visibleTo);
    for (std::int64_t pos = std::max(start, visibleFrom); pos <= last; ++pos) {
        const std::int64_t fromTop = pos - start, fromBottom = length - 1 - fromTop;
        const std::int64_t k = std::max(fromTop <= half ? fromTop : -1, fromBottom <= half ? fromBottom : -1);
        line(pos, frGradientColor(end, begin, int(k), steps));
    }
}

void drawGradient(QPainter& p, const TfrRoundRectView& rr, const TfrDrawGeometry& g, const QRect& area) {
    const std::int32_t style = std::max(0, rr.roundSize);
    const TfrColor end = rr.fillColor, begin = rr.shadowColor;
    const std::int64_t x = g.x, y = g.y, w = g.width, h = g.height;
    if (w <= 0 || h <= 0)
        return;
    switch (style) {
    case gsHorizontal:
        for (int i = 0; i < 256; ++i)
            fillCut(p, x + w * i / 256, y, x + w * (i + 1) / 256, y + h, frGradientColor(end, begin, i, 255), area);
        break;
    case gsVertical:
        for (int i = 0; i < 256; ++i)
            fillCut(p, x, y + h * i / 256, x + w, y + h * (i + 1) / 256, frGradientColor(end, begin, i, 255), area);
        break;
    case gsElliptic: {
        if (w > kMaxFigure || h > kMaxFigure)
            break;
        p.save();
        p.setClipRect(QRectF(double(x), double(y), double(w), double(h)), Qt::IntersectClip);
        p.setPen(Qt::NoPen);
        const QPointF centre(double(x) + double(w) / 2, double(y) + double(h) / 2);
        for (int n = 0; n <= 155; ++n) {
            const double k = 1.5 * (156 - n) / 156;
            p.setBrush(frGradientColor(end, begin, n, 155));
            p.drawEllipse(centre, double(w) * k / 2, double(h) * k / 2);
        }
        p.restore();
        break;
    }
    case gsRectangle:
        for (int i = 0; i < 256; ++i) {
            const std::int64_t dx = w * i / 512, dy = h * i / 512;
            fillCut(p, x + dx, y + dy, x + w - dx, y + h - dy, frGradientColor(end, begin, i, 255), area);
        }
        break;
    case gsVertCenter:
        edgesToMiddle(y, h, area.top(), area.bottom(), end, begin, [&](std::int64_t row, const QColor& color) {
            fillCut(p, x, row, x + w, row + 1, color, area);
        });
        break;
    case gsHorizCenter:
        edgesToMiddle(x, w, area.left(), area.right(), end, begin, [&](std::int64_t column, const QColor& color) {
            fillCut(p, column, y, column + 1, y + h, color, area);
        });
        break;
    default:
        break;
    }
}

// The box's shape from (left, top) to before (right, bottom).
void drawBox(QPainter& p, std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom,
             std::int32_t corner, bool rounded) {
    if (right - left < 1 || bottom - top < 1 || right - left > kMaxFigure || bottom - top > kMaxFigure)
        return;
    const QRectF r(double(left), double(top), double(right - left - 1), double(bottom - top - 1));
    if (rounded)
        p.drawRoundedRect(r, corner / 2.0, corner / 2.0);
    else
        p.drawRect(r);
}

void drawShadowBox(QPainter& p, const TfrRoundRectView& rr, const TfrDrawGeometry& g, std::int32_t shadow,
                   std::int32_t corner, double sy) {
    const std::int32_t s = R(shadow * sy), r = R(corner * sy);
    p.save();
    const QColor shade = frcolor::toQColor(rr.shadowColor);
    p.setPen(QPen(shade, 1));
    p.setBrush(shade);
    drawBox(p, std::int64_t(g.x) + s, std::int64_t(g.y) + s, g.right, g.bottom, r, rr.roundCorners);
    const QColor fill = drawnColor(rr.fillColor);
    QPen pen(rr.allSides() ? frcolor::toQColor(rr.frameColor) : fill, std::max(1, R(g.frameWidth)));
    pen.setJoinStyle(Qt::MiterJoin);
    p.setPen(pen);
    p.setBrush(fill);
    drawBox(p, g.x, g.y, std::int64_t(g.right) - s, std::int64_t(g.bottom) - s, r, rr.roundCorners);
    p.restore();
}

void drawRoundRect(const TfrView& view, TfrDrawContext& c) {
    const auto* rr = frCast<TfrRoundRectView>(&view);
    if (!rr || !c.measurer)
        return;
    const std::int32_t side = std::max(0, std::min(view.width, view.height));
    const bool gradient = rr->gradient();
    const std::int32_t shadow = gradient ? 0 : std::clamp(rr->shadowWidth, 0, side);
    const std::int32_t corner = std::clamp(rr->roundSize, 0, side);
    if (c.painter && !c.exportHook) {
        const TfrDrawGeometry g = frBeginDraw(view, frBoxOf(view), c.transform);
        const QRect area = frVisibleArea(c);
        if (gradient) {
            drawGradient(*c.painter, *rr, g, area);
            frShowFrame(view, g, view.frameTyp, c);
        } else {
            if (c.designer)
                fillCut(*c.painter, g.x, g.y, g.right, g.bottom, Qt::white, area);
            drawShadowBox(*c.painter, *rr, g, shadow, corner, c.transform.sy);
        }
    }
    TfrMemoView text;
    text.assign(view);
    text.width -= shadow;
    text.height -= shadow;
    text.gapX += corner / 4;
    text.gapY += corner / 4;
    frDrawMemoText(text, c);
}

TVariant intValue(std::int64_t v) { return TVariant(static_cast<std::int32_t>(v)); }

} // namespace

QColor frGradientColor(TfrColor end, TfrColor begin, int step, int steps) {
    const QColor e = drawnColor(end), b = drawnColor(begin);
    auto channel = [&](int from, int to) { return int(from + mulDiv(step, to - from, std::max(1, steps))); };
    return QColor(std::clamp(channel(e.red(), b.red()), 0, 255), std::clamp(channel(e.green(), b.green()), 0, 255),
                  std::clamp(channel(e.blue(), b.blue()), 0, 255));
}

TfrRoundRectView::TfrRoundRectView() { frameTyp = 255; }

bool TfrRoundRectView::allSides() const {
    const std::uint16_t all = frftLeft | frftTop | frftRight | frftBottom;
    return (frameTyp & all) == all;
}

void TfrRoundRectView::assign(const TfrView& source) {
    TfrMemoView::assign(source);
    if (const auto* s = frCast<TfrRoundRectView>(&source)) {
        shadowColor = s->shadowColor;
        shadowWidth = s->shadowWidth;
        roundCorners = s->roundCorners;
        roundSize = s->roundSize;
    }
}

void TfrRoundRectView::loadFromStream(TBinaryReader& in, const TfrStreamContext& context) {
    TfrMemoView::loadFromStream(in, context);
    shadowColor = in.readU32();
    shadowWidth = in.readI32();
    in.readU8(); // the all-sides flag: the frame says it
    roundCorners = in.readU8() != 0;
    roundSize = in.readI32();
}

void TfrRoundRectView::saveToStream(TBinaryWriter& out, const TfrStreamContext& context) const {
    TfrMemoView::saveToStream(out, context);
    out.writeU32(shadowColor);
    out.writeI32(shadowWidth);
    out.writeU8(allSides() ? 1 : 0);
    out.writeU8(roundCorners ? 1 : 0);
    out.writeI32(roundSize);
}

const TfrPropTable& TfrRoundRectView::classProperties() {
    using V = TfrRoundRectView;
    static const TfrPropTable table = [] {
        TfrPropTable t(&TfrMemoView::classProperties());
        t.add<V>(QStringLiteral("ShadowColor"), frdtColor, [](const V& o) { return intValue(o.shadowColor); },
                 [](V& o, const TVariant& v) { o.shadowColor = frColorOf(v); });
        t.add<V>(QStringLiteral("ShadowWidth"), frdtInteger, [](const V& o) { return intValue(o.shadowWidth); },
                 [](V& o, const TVariant& v) { o.shadowWidth = v.toInt(); });
        t.add<V>(QStringLiteral("RoundRect"), frdtBoolean, [](const V& o) { return TVariant(o.roundCorners); },
                 [](V& o, const TVariant& v) { o.roundCorners = v.toBool(); });
        t.add<V>(QStringLiteral("RoundSize"), frdtInteger, [](const V& o) { return intValue(o.roundSize); },
                 [](V& o, const TVariant& v) { o.roundSize = v.toInt(); });
        t.add<V>(QStringLiteral("Gradient"), frdtBoolean, [](const V& o) { return TVariant(o.gradient()); },
                 [](V& o, const TVariant& v) {
                     if (v.toBool()) {
                         o.shadowWidth = TfrRoundRectView::gradientMode;
                         o.roundSize = gsHorizontal;
                     } else {
                         o.shadowWidth = 10;
                     }
                 });
        t.add<V>(QStringLiteral("Style"), frdtInteger,
                 [](const V& o) { return intValue(o.gradient() ? o.roundSize : 0); },
                 [](V& o, const TVariant& v) { o.roundSize = v.toInt(); });
        t.add<V>(QStringLiteral("BeginColor"), frdtColor, [](const V& o) { return intValue(o.shadowColor); },
                 [](V& o, const TVariant& v) { o.shadowColor = frColorOf(v); });
        t.add<V>(QStringLiteral("EndColor"), frdtColor, [](const V& o) { return intValue(o.fillColor); },
                 [](V& o, const TVariant& v) { o.fillColor = frColorOf(v); });
        return t;
    }();
    return table;
}

const TfrObjectClass& TfrRoundRectView::classInfo() {
    static const TfrObjectClass c = [] {
        TfrObjectClass c = frAddInClass<TfrRoundRectView>(QStringLiteral("TfrRoundRectView"), QStringLiteral("RoundRect"),
                                                          TfrMemoView::classInfo());
        c.paint = drawRoundRect;
        c.constants = {{QStringLiteral("gsHorizontal"), gsHorizontal}, {QStringLiteral("gsVertical"), gsVertical},
                       {QStringLiteral("gsElliptic"), gsElliptic},     {QStringLiteral("gsRectangle"), gsRectangle},
                       {QStringLiteral("gsVertCenter"), gsVertCenter}, {QStringLiteral("gsHorizCenter"), gsHorizCenter}};
        return c;
    }();
    return c;
}
