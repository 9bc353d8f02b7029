#pragma once

#include "report/addins/barcode.h"
#include "report/model/objects.h"
#include "report/render/geometry.h"

// The barcode object. Its first memo line holds the code: a literal, or a
// bracketed expression (a data field) that a build evaluates for the
// prepared copy. It sizes itself to the code: the pattern's width times the
// zoom becomes its width (angles 0 and 180) or its height (90 and 270), and
// its caption shows the code under the bars.
//
// Drawn (designer, preview, exports): nothing for a negative width or
// height, for a memo of exactly one empty line or for the code "0" (what a
// failed expression prints); otherwise its fill, the bars as filled
// rectangles turned by the angle and stretched by the zoom, the caption in "Courier New"
// 12 pixels high (the generator's text, a computed check digit included) in
// a 14-pixel strip on the far side of the bars, and its frame. A code that
// cannot be encoded draws the fill and frame only; building it fails.
//
// Stored after the common object data, in templates and prepared pages: 24
// bytes, little-endian: the check-digit flag, the caption flag, a reserved
// byte (0), the type number, the zoom convention byte (2; an older template's
// 1 means its zoom is twice the real one and is halved on loading), three
// bytes of padding (0), the zoom (double) and the angle in degrees (double).
class TfrBarCodeView : public TfrView {
public:
    TfrBarCodeView();
    const TfrObjectClass& objectClass() const override { return classInfo(); }
    static const TfrObjectClass& classInfo();
    // The view's properties and "Barcode" (the editor; reads the type's
    // name), "DataField" (the code line), and for scripts and the editor
    // "BarType" (the type by number or name), "Checksum", "ShowText", "Zoom",
    // "Angle".
    static const TfrPropTable& classProperties();

    bool checksum = true; // add or compute the check digit
    bool showText = true; // the caption under the bars
    // The type number (TfrBarcodeType); a number past the types is kept and
    // cannot be encoded.
    std::uint8_t barType = bcCode39;
    double zoom = 1.0;
    // 0, 90, 180 or 270 (drawn as 0 when it is none of them).
    double angle = 0.0;

    void assign(const TfrView& source) override;
    void loadFromStream(TBinaryReader& stream, const TfrStreamContext& context) override;
    void saveToStream(TBinaryWriter& stream, const TfrStreamContext& context) const override;
};

// The code the object shows: its first memo line, or "12345678" for an empty
// memo, an empty first line, a line that is an expression not yet evaluated
// (starts with "[") and, for a numeric type, a line that does not read as a
// number.
QString frBarcodeText(const TfrBarCodeView& view);

// The generator as the object draws a code: the object's type, angle and
// check-digit flag, Modul 1, Ratio 2, spaces in the fill colour (white when
// transparent).
TfrBarcode frBarcodeGenerator(const TfrBarCodeView& view, const QString& code);

// Where the object is drawn: its own place, its width (angles 0, 180) or
// height (90, 270) the width of its code's pattern times the zoom, rounded.
// Throws the generator's error when the code cannot be encoded. The builder
// gives prepared copies this size; the designer sets it after an edit.
TfrBox frBarcodeBox(const TfrBarCodeView& view);
