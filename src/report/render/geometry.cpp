#include "report/render/geometry.h"

#include "common/rounding.h"
#include "report/model/objects.h"

#include <algorithm>
#include <limits>

namespace {

// Coordinates of damaged files may sit at the ends of the 32-bit range: sums
// saturate instead of wrapping.
std::int32_t sat(std::int64_t v) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, std::numeric_limits<std::int32_t>::min(),
                                                              std::numeric_limits<std::int32_t>::max()));
}

std::int32_t R(double v) { return roundHalfEven(v); }

} // namespace

TfrBox frBoxOf(const TfrView& v) { return {v.left, v.top, v.width, v.height}; }

TfrDrawGeometry frBeginDraw(const TfrView& view, const TfrBox& box, const TfrDrawTransform& t) {
    return frBeginDraw(view, box, t, view.frameTyp);
}

TfrDrawGeometry frBeginDraw(const TfrView& view, const TfrBox& box, const TfrDrawTransform& t,
                            std::uint16_t frameTyp) {
    const double sx = t.sx, sy = t.sy;
    const double w = view.frameWidth;
    TfrDrawGeometry g;
    g.x = sat(std::int64_t(R(box.left * sx)) + t.ox);
    g.y = sat(std::int64_t(R(box.top * sy)) + t.oy);
    g.width = R(sx * box.width);
    g.height = R(sy * box.height);
    g.frameWidth = sx * w;
    g.gapX = sat(std::int64_t(R(sx * w / 2)) + R(sx * view.gapX));
    g.gapY = sat(std::int64_t(R(sy * view.gapY)) + R(sy * w / 2) / 2);
    g.right = R((double(box.left) + box.width) * sx + t.ox);
    g.bottom = R((double(box.top) + box.height) * sy + t.oy);
    TfrEdges& d = g.drawRect;
    d.left = g.x;
    if (frameTyp & frftLeft)
        d.left = sat(std::int64_t(d.left) + R((sx * w - 1) / 2));
    d.top = g.y;
    if (frameTyp & frftTop)
        d.top = sat(std::int64_t(d.top) + R((sy * w - 1) / 2));
    std::int64_t right = g.right;
    if (frameTyp & frftRight)
        right -= R(sx * w / 2);
    d.right = sat(right + 1);
    std::int64_t bottom = g.bottom;
    if (frameTyp & frftBottom)
        bottom -= R(sy * w / 2);
    d.bottom = sat(bottom + 1);
    return g;
}
