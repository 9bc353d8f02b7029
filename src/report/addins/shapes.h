#pragma once

#include "report/model/objects.h"

// Figures of a shape object (the stored kind byte).
enum : std::uint8_t {
    skRectangle = 0,
    skRoundRectangle = 1, // corners of a quarter of the smaller side, both ways
    skEllipse = 2,
    skTriangle = 3,       // corners bottom right, bottom left, middle of the top edge
    skDiagonal1 = 4,      // bottom left to top right
    skDiagonal2 = 5,      // top left to bottom right
};

// A geometric figure filling the object's rectangle, right and bottom edges
// included: outlined with a solid pen of the frame colour and the frame width
// (whole pixels), filled with the fill colour unless that is transparent.
// The object's frame sides are drawn too, its fill is the figure's only.
// Stored after the common object data: the kind, one byte.
class TfrShapeView : public TfrView {
public:
    TfrShapeView();
    const TfrObjectClass& objectClass() const override { return classInfo(); }
    static const TfrObjectClass& classInfo();
    // The view's properties and "Shape" (the kind, by number or constant name).
    static const TfrPropTable& classProperties();

    std::uint8_t shape = skRectangle; // kinds past skDiagonal2 draw no figure

    void assign(const TfrView& source) override;
    void loadFromStream(TBinaryReader& stream, const TfrStreamContext& context) override;
    void saveToStream(TBinaryWriter& stream, const TfrStreamContext& context) const override;
};

// Marks of a check box.
enum : std::uint8_t { csCross = 0, csCheck = 1 };

// A check mark or a cross shown when the expression of its first memo line is
// not zero. A build evaluates the expression for the prepared copy, which
// holds the value as a whole number (true is -1). Drawn: the fill, then the
// mark in CheckColor, a square as high as the draw rectangle centred at its
// top, cut to it; then the frame. The designer always shows the mark; a
// prepared copy whose first line is empty or starts with "0" shows none.
// Exports of text get "X" for a mark and an empty text otherwise.
//
// Stored after the common object data: CheckStyle (one byte) and CheckColor
// (32 bits); templates of format version 23 and older have neither (a black
// cross).
class TfrCheckBoxView : public TfrView {
public:
    TfrCheckBoxView();
    const TfrObjectClass& objectClass() const override { return classInfo(); }
    static const TfrObjectClass& classInfo();
    // The view's properties and "CheckStyle", "CheckColor", "DataField".
    static const TfrPropTable& classProperties();

    std::uint8_t checkStyle = csCross;
    TfrColor checkColor = clBlack;

    // Whether the mark shows outside the designer.
    bool checked() const;

    void assign(const TfrView& source) override;
    void loadFromStream(TBinaryReader& stream, const TfrStreamContext& context) override;
    void saveToStream(TBinaryWriter& stream, const TfrStreamContext& context) const override;
};
