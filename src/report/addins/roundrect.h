#pragma once

#include "report/model/objects.h"

// Gradient styles of a rounded rectangle (its corner size in gradient mode).
enum : std::int32_t {
    gsHorizontal = 0,  // 256 vertical strips, left (end colour) to right (begin colour)
    gsVertical = 1,    // 256 horizontal strips, top to bottom
    gsElliptic = 2,    // 156 concentric ellipses from 1.5 times the size to the centre
    gsRectangle = 3,   // 256 concentric rectangles to the centre
    gsVertCenter = 4,  // one-pixel rows from the top and bottom edges to the middle
    gsHorizCenter = 5, // one-pixel columns from the left and right edges to the middle
};

// A text object whose box has a drop shadow and optionally rounded corners,
// or, in gradient mode (shadow width -99), a colour gradient from the fill
// colour (end) to the shadow colour (begin) instead.
//
// Drawn: the text keeps away from the corners (both gaps grow by a quarter of
// the corner size) and, outside gradient mode, from the shadow (the text
// rectangle's right and bottom edges move in by the shadow width). Outside
// gradient mode the designer first fills the whole area white; the shadow is
// the box's shape moved right and down by the shadow width, in the shadow
// colour; the box (a rounded rectangle with the corner size, or a rectangle)
// fills the rest in the fill colour (white when transparent), outlined in the
// frame colour when all four frame sides are on and in the fill colour
// otherwise. In gradient mode the gradient fills the object and the frame
// sides that are on are drawn over it. Shadow width and corner size are
// taken within 0 and the smaller side of the object; a negative style is 0,
// one past 5 draws no gradient.
//
// Stored after the memo's data: the shadow colour (32 bits), the shadow width
// (signed 32), the all-frame-sides flag (one byte, written as the frame
// says), the rounded-corners flag (one byte) and the corner size or gradient
// style (signed 32).
class TfrRoundRectView : public TfrMemoView {
public:
    static constexpr std::int32_t gradientMode = -99;

    TfrRoundRectView();
    const TfrObjectClass& objectClass() const override { return classInfo(); }
    static const TfrObjectClass& classInfo();
    // The memo's properties and "ShadowColor", "ShadowWidth", "RoundRect",
    // "RoundSize", "Gradient" (true sets gradient mode with style 0, false a
    // shadow of 10), "Style" (the gradient style; 0 outside gradient mode),
    // "BeginColor" (the shadow colour), "EndColor" (the fill colour).
    static const TfrPropTable& classProperties();

    TfrColor shadowColor = 0x808080; // also the gradient's begin colour
    std::int32_t shadowWidth = 6;
    bool roundCorners = true;
    std::int32_t roundSize = 10; // the gradient style in gradient mode

    bool gradient() const { return shadowWidth == gradientMode; }
    // Whether the frame has all four sides (the box is then outlined in the frame colour).
    bool allSides() const;

    void assign(const TfrView& source) override;
    void loadFromStream(TBinaryReader& stream, const TfrStreamContext& context) override;
    void saveToStream(TBinaryWriter& stream, const TfrStreamContext& context) const override;
};

// The colour of gradient step `step` of `steps` between the end colour (step
// 0) and the begin colour (the last step): each channel end + step * (begin -
// end) / steps, the product divided with rounding (halves away from zero).
QColor frGradientColor(TfrColor end, TfrColor begin, int step, int steps);
