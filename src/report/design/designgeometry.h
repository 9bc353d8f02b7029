#pragma once

#include "report/render/geometry.h"

#include <QPoint>
#include <QSize>
#include <cstdint>
#include <vector>

// The arithmetic of the designer's editing, on boxes in report pixels: grid
// snapping, fitting to the grid, scaling a group by its handle, the alignment
// palette, side-by-side placement and the neighbour in a direction. The
// document applies what these compute to the objects.
namespace frdesign {

inline std::int64_t rightOf(const TfrBox& b) { return std::int64_t(b.left) + b.width; }
inline std::int64_t bottomOf(const TfrBox& b) { return std::int64_t(b.top) + b.height; }

// A mouse position on the grid: truncated towards zero to a multiple of `grid`.
std::int32_t snapToGrid(std::int32_t v, int grid);
QPoint snapToGrid(QPoint p, int grid);

// The nearest multiple of `grid` (halves to the even multiple).
std::int32_t roundToGrid(std::int32_t v, int grid);

// "Расположить объекты по сетке": position and size rounded to the grid; a
// width or height that becomes 0 is one grid step.
TfrBox fitToGrid(const TfrBox& box, int grid);

// A box scaled inside its group: the group's top-left corner is `origin`;
// the offset from it and the far edges are scaled and rounded on their own,
// so that boxes that touched still touch.
TfrBox scaleInGroup(const TfrBox& box, QPoint origin, double kx, double ky);

// The corner a point snaps to while a line is drawn: the nearest corner of
// `boxes` no farther than `distance` (in both directions), else the point.
QPoint snapToCorner(QPoint p, const std::vector<TfrBox>& boxes, int distance);

// The alignment palette.
enum class TfrAlign { Left, Right, Top, Bottom, HCenter, VCenter, HCenterWindow, VCenterWindow, HSpread, VSpread };

// Fewest objects a command needs selected.
int minimumCount(TfrAlign align);

// New places of `boxes` (their sizes kept): edges or centres on those of
// `reference` (centres rounded towards zero), the whole set centred in an area
// of `area` pixels, or spread in steps of whole pixels between the first and
// the last (sorted by Left or Top).
std::vector<TfrBox> alignBoxes(TfrAlign align, const std::vector<TfrBox>& boxes, const TfrBox& reference, QSize area);

// Boxes placed side by side in the order of their Left, the first at `edge`
// (or, with `toRight`, the last ending at `edge`).
std::vector<TfrBox> sideBySide(const std::vector<TfrBox>& boxes, std::int32_t edge, bool toRight);

enum class TfrDirection { Left, Right, Up, Down };

// The index of the nearest box lying wholly beyond `from` in a direction
// (nearest by the gap along it plus the distance of the centres across it;
// the first of equals), or -1.
int nearestInDirection(const TfrBox& from, const std::vector<TfrBox>& candidates, TfrDirection direction);

// Where `from` stands moved in a direction until it touches `to`.
TfrBox moveToTouch(const TfrBox& from, const TfrBox& to, TfrDirection direction);

} // namespace frdesign
