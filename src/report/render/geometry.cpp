#include "report/render/geometry.h"

#include "common/rounding.h"
#include "report/model/objects.h"

#include <algorithm>
#include <limits>
#include <map>
#include <unordered_map>

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

bool frAlignsHorizontally(std::uint8_t a) {
    return a == baLeft || a == baRight || a == baCenter || a == baWidth || a == baRest;
}

std::vector<TfrBox> frBandAlignedBoxes(const std::vector<const TfrView*>& objects, std::int32_t leftLimit,
                                       std::int32_t rightLimit) {
    std::vector<TfrBox> boxes;
    boxes.reserve(objects.size());
    for (const TfrView* v : objects)
        boxes.push_back(frBoxOf(*v));
    // Per row (same top): the baLeft and baRight objects by their x.
    struct Row {
        std::multimap<std::int32_t, std::size_t> lefts, rights;
    };
    std::unordered_map<std::int32_t, Row> rows;
    for (std::size_t i = 0; i < objects.size(); ++i) {
        if (objects[i]->bandAlign == baLeft)
            rows[boxes[i].top].lefts.emplace(boxes[i].left, i);
        else if (objects[i]->bandAlign == baRight)
            rows[boxes[i].top].rights.emplace(boxes[i].left, i);
    }
    auto move = [&](std::multimap<std::int32_t, std::size_t>& map, std::size_t i, std::int64_t x) {
        for (auto it = map.lower_bound(boxes[i].left); it != map.end() && it->first == boxes[i].left; ++it)
            if (it->second == i) {
                map.erase(it);
                break;
            }
        boxes[i].left = sat(x);
        map.emplace(boxes[i].left, i);
    };
    // The right edge of the nearest baLeft object left of x, or the left limit.
    auto leftEdge = [&](const Row& row, std::int32_t x) -> std::int64_t {
        auto it = row.lefts.lower_bound(x);
        if (it == row.lefts.begin())
            return leftLimit;
        --it;
        return std::int64_t(boxes[it->second].left) + boxes[it->second].width;
    };
    // The left edge of the nearest baRight object right of x, if there is one.
    auto rightNeighbour = [&](const Row& row, std::int32_t x) -> const TfrBox* {
        auto it = row.rights.upper_bound(x);
        return it == row.rights.end() ? nullptr : &boxes[it->second];
    };
    for (std::size_t i = 0; i < objects.size(); ++i) {
        TfrBox& b = boxes[i];
        switch (objects[i]->bandAlign) {
        case baLeft: {
            Row& row = rows[b.top];
            move(row.lefts, i, leftEdge(row, b.left));
            break;
        }
        case baRight: {
            Row& row = rows[b.top];
            const TfrBox* n = rightNeighbour(row, b.left);
            move(row.rights, i, n ? std::int64_t(n->left) - b.width - 1 : std::int64_t(rightLimit) - b.width);
            break;
        }
        case baCenter:
            b.left = sat(leftLimit + (std::int64_t(rightLimit) - leftLimit - b.width) / 2);
            break;
        case baRest: {
            const Row& row = rows[b.top];
            const TfrBox* n = rightNeighbour(row, b.left);
            const std::int64_t x = leftEdge(row, b.left);
            const std::int64_t right = n ? n->left : rightLimit;
            b.left = sat(x);
            b.width = sat(std::max<std::int64_t>(0, right - x));
            break;
        }
        case baWidth:
            b.left = leftLimit;
            b.width = sat(std::max<std::int64_t>(0, std::int64_t(rightLimit) - leftLimit - 1));
            break;
        default:
            break;
        }
    }
    return boxes;
}

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
