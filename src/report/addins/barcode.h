#pragma once

#include <QByteArray>
#include <QColor>
#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

class QPainter;

// The symbologies in their stored order: the number is the type byte that
// templates keep. A stored number past the table is kept as it is and refused
// when the code is encoded.
enum TfrBarcodeType : std::uint8_t {
    bcCode_2_5_interleaved,
    bcCode_2_5_industrial,
    bcCode_2_5_matrix,
    bcCode39,
    bcCode39Extended,
    bcCode128A,
    bcCode128B,
    bcCode128C,
    bcCode93,
    bcCode93Extended,
    bcCodeMSI,
    bcCodePostNet,
    bcCodeCodabar,
    bcCodeEAN8,
    bcCodeEAN13,
    bcCodeUPC_A,
    bcCodeUPC_E0,
    bcCodeUPC_E1,
    bcCodeUPC_Supp2,
    bcCodeUPC_Supp5,
    bcCodeEAN128A,
    bcCodeEAN128B,
    bcCodeEAN128C,
};
constexpr int frBarcodeTypeCount = 23;

// The name the editor shows for a type ("2_5_interleaved", "Code39 Extended"...);
// empty for a number past the table.
QString frBarcodeTypeName(int type);
// Whether a type takes digits only (false for a number past the table).
bool frBarcodeTypeNumeric(int type);

// How the check digit that `Checksum` asks for is computed.
enum TfrCheckSumMethod : std::uint8_t { csmNone, csmModulo10 };

// One element of a bar pattern: its width in pixels, and whether it is a bar
// (else a space) and a short one.
struct TfrBarElement {
    int width;
    bool bar;
    bool shortBar;
};

// Turns a text into the bar pattern of one symbology and draws it.
//
// A pattern is a string of element codes, each a space or a bar of one of four
// widths w0..w3: "0".."3" spaces, "5".."8" full-height bars, "A".."D" short bars
// (two fifths of the height). w0 = Modul; w1 = Modul * Ratio rounded to nearest
// (ties to even), kept within 1..63 so that every width is at least one pixel
// and w3 still fits a signed byte; w2 = w1 * 3 div 2; w3 = w1 * 2. Ratio is
// first clamped for the type (Matrix 2 of 5 into 2.25..3.0; Code 128, Code 93,
// MSI, POSTNET and GS1-128 not at all; every other type into 2.0..3.0); the
// property keeps the value it was given. Code 128, Code 93, GS1-128, EAN and UPC
// elements are their symbology's width digits 1..4 as w0..w3, so a Ratio of 2
// gives exactly 1, 2, 3 and 4 modules.
//
// Encoding checks numeric types (the trimmed text must be digits only:
// "Barcode must be numeric") and the type number ("TfrBarcode: wrong
// BarcodeType"), then runs the type's encoder. EAN-8, EAN-13, UPC-A and the
// add-ons bring the text to their length first (a longer text is cut, a shorter
// one gets leading zeros). Some encoders rewrite `Text` to what they encoded,
// so that a caption shows it: EAN-13 (its 13 digits), and with `Checksum` UPC-A
// (12 digits), UPC-E (six digits and the check digit) and the 5-digit add-on
// (five digits and its check value). That rewrite does not call OnChange.
//
// Errors are Exception with the message the user sees.
class TfrBarcode {
public:
    TfrBarcode() = default;

    // Bar height in pixels; negative heights draw upwards from Top.
    std::int32_t height() const { return m_height; }
    void setHeight(std::int32_t value);
    const QString& text() const { return m_text; }
    void setText(const QString& value);
    // The drawing origin.
    std::int32_t top() const { return m_top; }
    void setTop(std::int32_t value);
    std::int32_t left() const { return m_left; }
    void setLeft(std::int32_t value);
    // Width of the narrowest element in pixels, 1..49; other values are ignored.
    int modul() const { return m_modul; }
    void setModul(int value);
    // Wide-to-narrow ratio.
    double ratio() const { return m_ratio; }
    void setRatio(double value);
    TfrBarcodeType typ() const { return m_typ; }
    void setTyp(TfrBarcodeType value);
    // Adds (or, for EAN and UPC, computes) the check digit.
    bool checksum() const { return m_checksum; }
    void setChecksum(bool value);
    TfrCheckSumMethod checkSumMethod() const { return m_checkSumMethod; }
    void setCheckSumMethod(TfrCheckSumMethod value) { m_checkSumMethod = value; }
    // Rotation in degrees, counter-clockwise.
    double angle() const { return m_angle; }
    void setAngle(double value);
    // Background (spaces) and bars.
    QColor color = Qt::white;
    QColor colorBar = Qt::black;
    // Called whenever Modul, Ratio, Typ, Angle, Text, Top, Left, Checksum or
    // Height receives a different value through its setter.
    std::function<void()> onChange;

    // The bar pattern of the text (see above); may rewrite Text.
    QByteArray encode();
    // The pattern's elements with their widths; encodes, so it may throw and
    // rewrite Text. An element code outside the table throws "TfrBarcode:
    // internal Error".
    std::vector<TfrBarElement> elements();
    // Sum of the widths of the pattern's elements (saturating at the 32-bit
    // limit); encodes, so it may throw and rewrite Text.
    std::int32_t width();
    // Sets Modul to Modul * value div the current width when that width is
    // positive (a result outside 1..49 is ignored like any other).
    void setWidth(std::int32_t value);

    // Draws the pattern rotated by Angle: every element is the filled and
    // outlined (pen width 1) quadrilateral (x, 0), (x, h), (x + w - 1, h),
    // (x + w - 1, 0), h being Height for spaces and full bars and Height * 2 div
    // 5 for short bars, each corner (px, py) turned to (c px + s py, -s px + c py)
    // and rounded, with s and c the sine and cosine of Angle. The origin (Left,
    // Top) is moved so that the turned width-by-height rectangle lies right of
    // and below it. Bars are drawn in colorBar, spaces in color; the painter's
    // pen, brush and font are kept. Encodes first: an error leaves the painter
    // untouched.
    void drawOn(QPainter& painter);

private:
    struct Widths {
        int w[4];
    };
    Widths moduleWidths() const;
    template <class T>
    void update(T& member, const T& value);
    void changed();

    std::int32_t m_height = 0;
    QString m_text;
    std::int32_t m_top = 0;
    std::int32_t m_left = 0;
    int m_modul = 1;
    double m_ratio = 2.0;
    TfrBarcodeType m_typ = bcCodeEAN13;
    bool m_checksum = false;
    TfrCheckSumMethod m_checkSumMethod = csmModulo10;
    double m_angle = 0.0;
};
