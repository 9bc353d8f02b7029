#include "report/design/designgeometry.h"

#include "common/rounding.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <numeric>

namespace frdesign {

namespace {

std::int32_t clamp32(std::int64_t v) {
    return static_cast<std::int32_t>(
        std::clamp<std::int64_t>(v, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

} // namespace

std::int32_t snapToGrid(std::int32_t v, int grid) { return grid > 0 ? v / grid * grid : v; }

QPoint snapToGrid(QPoint p, int grid) { return QPoint(snapToGrid(p.x(), grid), snapToGrid(p.y(), grid)); }

std::int32_t roundToGrid(std::int32_t v, int grid) {
    if (grid <= 0)
        return v;
    return clamp32(std::int64_t(roundHalfEven(double(v) / grid)) * grid);
}

TfrBox fitToGrid(const TfrBox& box, int grid) {
    TfrBox b{roundToGrid(box.left, grid), roundToGrid(box.top, grid), roundToGrid(box.width, grid),
             roundToGrid(box.height, grid)};
    if (grid > 0 && b.width == 0)
        b.width = grid;
    if (grid > 0 && b.height == 0)
        b.height = grid;
    return b;
}

TfrBox scaleInGroup(const TfrBox& box, QPoint origin, double kx, double ky) {
    const double dx = double(box.left) - origin.x(), dy = double(box.top) - origin.y();
    const std::int64_t left = std::int64_t(origin.x()) + roundHalfEven(dx * kx);
    const std::int64_t right = std::int64_t(origin.x()) + roundHalfEven((dx + box.width) * kx);
    const std::int64_t top = std::int64_t(origin.y()) + roundHalfEven(dy * ky);
    const std::int64_t bottom = std::int64_t(origin.y()) + roundHalfEven((dy + box.height) * ky);
    return TfrBox{clamp32(left), clamp32(top), clamp32(right - left), clamp32(bottom - top)};
}

QPoint snapToCorner(QPoint p, const std::vector<TfrBox>& boxes, int distance) {
    QPoint best = p;
    std::int64_t bestDistance = std::numeric_limits<std::int64_t>::max();
    for (const TfrBox& b : boxes) {
        const std::int64_t xs[] = {b.left, rightOf(b)}, ys[] = {b.top, bottomOf(b)};
        for (std::int64_t x : xs)
            for (std::int64_t y : ys) {
                const std::int64_t ax = std::llabs(x - p.x()), ay = std::llabs(y - p.y());
                if (ax > distance || ay > distance)
                    continue;
                const std::int64_t d = ax * ax + ay * ay;
                if (d < bestDistance) {
                    bestDistance = d;
                    best = QPoint(clamp32(x), clamp32(y));
                }
            }
    }
    return best;
}

int minimumCount(TfrAlign align) {
    switch (align) {
    case TfrAlign::HCenterWindow:
    case TfrAlign::VCenterWindow: return 1;
    case TfrAlign::HSpread:
    case TfrAlign::VSpread: return 3;
    default: return 2;
    }
}

std::vector<TfrBox> alignBoxes(TfrAlign align, const std::vector<TfrBox>& boxes, const TfrBox& ref, QSize area) {
    std::vector<TfrBox> out = boxes;
    if (boxes.empty())
        return out;
    switch (align) {
    case TfrAlign::Left:
        for (TfrBox& b : out)
            b.left = ref.left;
        break;
    case TfrAlign::Right:
        for (TfrBox& b : out)
            b.left = clamp32(rightOf(ref) - b.width);
        break;
    case TfrAlign::Top:
        for (TfrBox& b : out)
            b.top = ref.top;
        break;
    case TfrAlign::Bottom:
        for (TfrBox& b : out)
            b.top = clamp32(bottomOf(ref) - b.height);
        break;
    case TfrAlign::HCenter:
        for (TfrBox& b : out)
            b.left = clamp32(std::int64_t(ref.left) + ref.width / 2 - b.width / 2);
        break;
    case TfrAlign::VCenter:
        for (TfrBox& b : out)
            b.top = clamp32(std::int64_t(ref.top) + ref.height / 2 - b.height / 2);
        break;
    case TfrAlign::HCenterWindow:
    case TfrAlign::VCenterWindow: {
        const bool h = align == TfrAlign::HCenterWindow;
        std::int64_t lo = std::numeric_limits<std::int64_t>::max(), hi = std::numeric_limits<std::int64_t>::min();
        for (const TfrBox& b : boxes) {
            lo = std::min<std::int64_t>(lo, h ? b.left : b.top);
            hi = std::max(hi, h ? rightOf(b) : bottomOf(b));
        }
        const std::int64_t shift = ((h ? area.width() : area.height()) - (hi - lo)) / 2 - lo;
        for (TfrBox& b : out)
            (h ? b.left : b.top) = clamp32((h ? b.left : b.top) + shift);
        break;
    }
    case TfrAlign::HSpread:
    case TfrAlign::VSpread: {
        const bool h = align == TfrAlign::HSpread;
        std::vector<std::size_t> order(boxes.size());
        std::iota(order.begin(), order.end(), 0);
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            return h ? boxes[a].left < boxes[b].left : boxes[a].top < boxes[b].top;
        });
        auto pos = [h](TfrBox& b) -> std::int32_t& { return h ? b.left : b.top; };
        const std::int64_t first = pos(out[order.front()]), last = pos(out[order.back()]);
        const std::int64_t step = (last - first) / std::int64_t(order.size() - 1);
        for (std::size_t i = 1; i + 1 < order.size(); ++i)
            pos(out[order[i]]) = clamp32(std::int64_t(pos(out[order[i - 1]])) + step);
        break;
    }
    }
    return out;
}

std::vector<TfrBox> sideBySide(const std::vector<TfrBox>& boxes, std::int32_t edge, bool toRight) {
    std::vector<std::size_t> order(boxes.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return boxes[a].left < boxes[b].left; });
    std::vector<TfrBox> out = boxes;
    std::int64_t x = edge;
    if (toRight)
        for (const TfrBox& b : boxes)
            x -= b.width;
    for (std::size_t i : order) {
        out[i].left = clamp32(x);
        x += boxes[i].width;
    }
    return out;
}

int nearestInDirection(const TfrBox& from, const std::vector<TfrBox>& candidates, TfrDirection direction) {
    int best = -1;
    std::int64_t bestScore = std::numeric_limits<std::int64_t>::max();
    const std::int64_t cx = 2 * std::int64_t(from.left) + from.width, cy = 2 * std::int64_t(from.top) + from.height;
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        const TfrBox& c = candidates[i];
        std::int64_t gap = 0, across = 0;
        switch (direction) {
        case TfrDirection::Right: gap = c.left - rightOf(from); break;
        case TfrDirection::Left: gap = from.left - rightOf(c); break;
        case TfrDirection::Down: gap = c.top - bottomOf(from); break;
        case TfrDirection::Up: gap = from.top - bottomOf(c); break;
        }
        if (gap < 0)
            continue;
        if (direction == TfrDirection::Left || direction == TfrDirection::Right)
            across = std::llabs(2 * std::int64_t(c.top) + c.height - cy) / 2;
        else
            across = std::llabs(2 * std::int64_t(c.left) + c.width - cx) / 2;
        const std::int64_t score = gap + across;
        if (score < bestScore) {
            bestScore = score;
            best = int(i);
        }
    }
    return best;
}

TfrBox moveToTouch(const TfrBox& from, const TfrBox& to, TfrDirection direction) {
    TfrBox b = from;
    switch (direction) {
    case TfrDirection::Right: b.left = clamp32(std::int64_t(to.left) - from.width); break;
    case TfrDirection::Left: b.left = clamp32(rightOf(to)); break;
    case TfrDirection::Down: b.top = clamp32(std::int64_t(to.top) - from.height); break;
    case TfrDirection::Up: b.top = clamp32(bottomOf(to)); break;
    }
    return b;
}

} // namespace frdesign
