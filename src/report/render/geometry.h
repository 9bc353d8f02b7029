#pragma once

#include <cstdint>
#include <vector>

class TfrView;

// Position and size of an object in report pixels (its own, or where band
// alignment and automatic width put it for one drawing).
struct TfrBox {
    std::int32_t left = 0, top = 0, width = 0, height = 0;
    bool operator==(const TfrBox&) const = default;
};
TfrBox frBoxOf(const TfrView& view);

// Band alignment of objects among themselves between the printable left and
// right edges of a page: where each object of `objects` stands, in list
// order (where an object went counts for the objects after it). Objects of
// one row (the same top) line up: baLeft after the nearest baLeft object on
// its left (or at the left edge), baRight before the nearest baRight object
// on its right (or at the right edge), baRest between those two; baCenter
// centres between the edges, baWidth spans them. Other alignments keep the
// object's box; nothing vertical changes here.
std::vector<TfrBox> frBandAlignedBoxes(const std::vector<const TfrView*>& objects, std::int32_t leftLimit,
                                       std::int32_t rightLimit);
// Whether an alignment places an object between the page's edges.
bool frAlignsHorizontally(std::uint8_t bandAlign);

// How report pixels reach a canvas: x' = R(x * sx) + ox, y' = R(y * sy) + oy.
// `printing` is set only when drawing directly on a printer's canvas: fonts
// then keep their point size at the printer's resolution `printerDpi`.
struct TfrDrawTransform {
    double sx = 1.0, sy = 1.0;
    std::int32_t ox = 0, oy = 0;
    bool printing = false;
    int printerDpi = 0;
};

// A rectangle whose right and bottom edges are exclusive.
struct TfrEdges {
    std::int32_t left = 0, top = 0, right = 0, bottom = 0;
    std::int64_t width() const { return std::int64_t(right) - left; }
    std::int64_t height() const { return std::int64_t(bottom) - top; }
    bool operator==(const TfrEdges&) const = default;
};

// Where an object is drawn under a transform: scaled position and size, frame
// width (fractional), the gaps widened by half the frame, the scaled right and
// bottom edges and the draw rectangle inside the frame lines that are on. The
// object itself is never changed.
struct TfrDrawGeometry {
    std::int32_t x = 0, y = 0, width = 0, height = 0;
    double frameWidth = 0;
    std::int32_t gapX = 0, gapY = 0;
    std::int32_t right = 0, bottom = 0; // R((x0 + width0) * sx + ox), R((y0 + height0) * sy + oy)
    TfrEdges drawRect;
};

// The geometry of `view` placed at `box` under `transform`; `frameTyp` gives
// the frame lines that narrow the draw rectangle (lines pass their own).
TfrDrawGeometry frBeginDraw(const TfrView& view, const TfrBox& box, const TfrDrawTransform& transform,
                            std::uint16_t frameTyp);
TfrDrawGeometry frBeginDraw(const TfrView& view, const TfrBox& box, const TfrDrawTransform& transform);
