#pragma once

#include <QColor>
#include <QString>
#include <cstdint>

// Codes, bit sets and shared value types of the report objects. Every part of
// the report engine (template files, builder, designer, exports) uses these
// numbers; they are part of the template file contract.

// Report pixels: 18 pixels are 5 mm.
namespace frunits {
constexpr double kPixelsPerMm = 18.0 / 5.0;
// The printer geometry works with 18600/203 report pixels per inch.
constexpr double kPrinterPixelsPerInch = 18600.0 / 203.0;
std::int32_t mmToPixels(double mm);      // rounded, ties to even
double pixelsToMm(double pixels);
std::int32_t tenthsToPixels(std::int32_t tenths); // paper tenths of a millimetre -> pixels
std::int32_t pixelsToTenths(std::int32_t pixels);
} // namespace frunits

// Object kind codes (ObjectType).
enum : std::uint8_t {
    gtMemo = 0,
    gtPicture = 1,
    gtBand = 2,
    gtSubReport = 3,
    gtLine = 4,
    gtAddIn = 10,
};

// Band type codes; the designer shows them by the names of frBandName().
enum TfrBandType : int {
    btReportTitle = 0,
    btReportSummary = 1,
    btPageHeader = 2,
    btPageFooter = 3,
    btMasterHeader = 4,
    btMasterData = 5,
    btMasterFooter = 6,
    btDetailHeader = 7,
    btDetailData = 8,
    btDetailFooter = 9,
    btSubDetailHeader = 10,
    btSubDetailData = 11,
    btSubDetailFooter = 12,
    btOverlay = 13,
    btColumnHeader = 14,
    btColumnFooter = 15,
    btGroupHeader = 16,
    btGroupFooter = 17,
    btCrossHeader = 18,
    btCrossData = 19,
    btCrossFooter = 20,
    btChild = 21,
    btNone = 22,
};
constexpr int frBandTypeCount = 23;

// Flags bits. Bit 0 is common to all classes; the others depend on the class.
namespace frflags {
constexpr std::uint16_t Stretched = 1;
// memo
constexpr std::uint16_t WordWrap = 2;
constexpr std::uint16_t WordBreak = 4;
constexpr std::uint16_t AutoWidth = 8;
constexpr std::uint16_t TextOnly = 16;
constexpr std::uint16_t Suppress = 32;
constexpr std::uint16_t HideZeros = 64;
constexpr std::uint16_t Underlines = 128;
constexpr std::uint16_t RTLReading = 256;
// band
constexpr std::uint16_t FormNewPage = 2;
constexpr std::uint16_t PrintIfSubsetEmpty = 4;
constexpr std::uint16_t Breaked = 8;
constexpr std::uint16_t OnFirstPage = 16;
constexpr std::uint16_t OnLastPage = 32;
constexpr std::uint16_t RepeatHeader = 64;
constexpr std::uint16_t PrintChildIfInvisible = 128;
// picture
constexpr std::uint16_t PictCenter = 2;
constexpr std::uint16_t PictKeepAspect = 4;
// any class: the object wants to hear about every memo printed while building
constexpr std::uint16_t WantHook = 32768;
} // namespace frflags

// FrameTyp bits of objects other than bands.
enum : std::uint16_t { frftNone = 0, frftRight = 1, frftBottom = 2, frftLeft = 4, frftTop = 8 };

// FrameStyle values.
enum : std::uint16_t { psSolid = 0, psDash = 1, psDot = 2, psDashDot = 3, psDashDotDot = 4, psDouble = 5 };

// Alignment bits of a memo.
enum : std::uint32_t {
    frtaLeft = 0,
    frtaRight = 1,
    frtaCenter = 2,
    frtaJustify = 3,
    frtaVertical = 4,
    frtaMiddle = 8,
    frtaDown = 16,
};

// BandAlign values.
enum : std::uint8_t { baNone = 0, baLeft = 1, baRight = 2, baCenter = 3, baWidth = 4, baBottom = 5, baTop = 6, baRest = 7 };

// Restrictions bits honoured by the designer.
enum : std::uint16_t {
    frrfDontEditMemo = 1,
    frrfDontEditScript = 2,
    frrfDontEditContents = 4,
    frrfDontModify = 8,
    frrfDontSize = 16,
    frrfDontMove = 32,
    frrfDontDelete = 64,
};

// Font style bits in streams and expressions.
enum : std::uint16_t { fsItalic = 1, fsBold = 2, fsUnderline = 4, fsStrikeOut = 8 };

// BlobType of a picture object.
enum : std::uint8_t { btBMP = 0, btJPG = 1, btICO = 2, btWMF = 3 };

// Page types, orientation, dialog-form border and position.
enum : std::uint8_t { ptReport = 0, ptDialog = 1 };
enum : std::uint8_t { poPortrait = 0, poLandscape = 1 };
enum : std::uint8_t { bsSizeable = 2, bsDialog = 3 };
enum : std::uint8_t { poDesigned = 0, poScreenCenter = 4 };

// Paper codes with a meaning of their own.
constexpr std::int32_t frPaperA4 = 9;
constexpr std::int32_t frPaperCustom = 256;
// Page bin meaning "printer default" as pages store it.
constexpr std::int32_t frPageDefaultBin = 0xFFFF;

// Display format code: bits 24-27 category, 16-23 predefined format index (4 =
// custom format string), 8-15 decimals, 0-7 decimal separator.
namespace frformat {
constexpr std::uint32_t category(std::uint32_t code) { return (code >> 24) & 0x0F; }
constexpr std::uint32_t formatIndex(std::uint32_t code) { return (code >> 16) & 0xFF; }
constexpr std::uint32_t decimals(std::uint32_t code) { return (code >> 8) & 0xFF; }
constexpr char16_t separator(std::uint32_t code) { return char16_t(code & 0xFF); }
constexpr std::uint32_t make(std::uint32_t category, std::uint32_t index, std::uint32_t decimals, char16_t separator) {
    return ((category & 0x0F) << 24) | ((index & 0xFF) << 16) | ((decimals & 0xFF) << 8) | (std::uint32_t(separator) & 0xFF);
}
enum : std::uint32_t { fmtText = 0, fmtNumber = 1, fmtDate = 2, fmtTime = 3, fmtBoolean = 4 };
constexpr std::uint32_t customIndex = 4;
// The default of every object but bands: "." as separator, two decimals.
constexpr std::uint32_t defaultCode = u'.' + 0x200;
} // namespace frformat

// Colours: 0x00BBGGRR, 0x80000000 + n for system colour n, 0x1FFFFFFF transparent.
using TfrColor = std::uint32_t;
constexpr TfrColor clTransparent = 0x1FFFFFFF;
constexpr TfrColor clBlack = 0x000000;
constexpr TfrColor clWhite = 0xFFFFFF;
constexpr TfrColor clSystemColor = 0x80000000;
constexpr TfrColor clBtnFace = clSystemColor + 15;
constexpr int frSystemColorCount = 25;

namespace frcolor {
bool isSystem(TfrColor color);
bool isTransparent(TfrColor color);
// The fixed RGB value a colour is drawn with: system colours map to the
// classic desktop scheme, so that drawing never depends on the running desktop.
// Returns 0x00BBGGRR; transparent stays transparent.
TfrColor resolve(TfrColor color);
// A colour for painting; transparent gives Qt::transparent.
QColor toQColor(TfrColor color);
TfrColor fromQColor(const QColor& color);
} // namespace frcolor

// Names of the band types as the designer shows them, indexed by code 0-22;
// empty for other codes.
QString frBandName(int bandType);

// Character set of fonts read from files that store none.
constexpr std::uint16_t frDefaultCharset = 204;

// The template format version this program writes.
constexpr int frCurrentStreamVersion = 25;

// Kind word of a named property as the object inspector reads it. The values
// combine: a left coordinate is frdtSize | frdtInteger.
enum : std::uint16_t {
    frdtString = 1,
    frdtInteger = 2,
    frdtFloat = 4,
    frdtBoolean = 8,
    frdtColor = 16,
    frdtEnum = 32,
    frdtHasEditor = 64,
    frdtSize = 128,
    frdtOneObject = 256, // the property applies to one selected object only (name, memo text)
};
