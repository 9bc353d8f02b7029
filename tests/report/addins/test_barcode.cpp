// The barcode generator: bar patterns against the symbologies' published
// tables (written here as module strings, "1" a bar module, "0" a space
// module, "s" a short-bar module), widths, drawing pixel by pixel at every
// angle, and printed codes read back by zbarimg.

#include "barcodescan.h"
#include "common/exception.h"
#include "report/addins/barcode.h"

#include <QPainter>
#include <QTemporaryDir>
#include <array>
#include <cmath>
#include <functional>
#include <limits>
#include <gtest/gtest.h>

namespace {

// The pattern as modules, element widths w0..w3 given (Modul 1 and Ratio 2:
// 1, 2, 3, 4 modules). Fails the test on a code outside the element table.
std::string modules(const QByteArray& pattern, std::array<int, 4> w = {1, 2, 3, 4}) {
    std::string out;
    for (const char code : pattern) {
        if (code >= '0' && code <= '3')
            out.append(std::size_t(w[code - '0']), '0');
        else if (code >= '5' && code <= '8')
            out.append(std::size_t(w[code - '5']), '1');
        else if (code >= 'A' && code <= 'D')
            out.append(std::size_t(w[code - 'A']), 's');
        else
            ADD_FAILURE() << "element code " << code;
    }
    return out;
}

TfrBarcode generator(TfrBarcodeType type, const QString& text, bool checksum = false, double ratio = 2.0) {
    TfrBarcode code;
    code.setTyp(type);
    code.setText(text);
    code.setChecksum(checksum);
    code.setRatio(ratio);
    return code;
}

std::string encoded(TfrBarcodeType type, const QString& text, bool checksum = false) {
    TfrBarcode code = generator(type, text, checksum);
    return modules(code.encode());
}

QString encodingError(TfrBarcode& code) {
    try {
        code.encode();
    } catch (const Exception& e) {
        return e.message();
    }
    return {};
}

// Digit codes of EAN and UPC, from the symbology's tables.
const char* const L[10] = {"0001101", "0011001", "0010011", "0111101", "0100011",
                           "0110001", "0101111", "0111011", "0110111", "0001011"};
const char* const G[10] = {"0100111", "0110011", "0011011", "0100001", "0011101",
                           "0111001", "0000101", "0010001", "0001001", "0010111"};
const char* const R[10] = {"1110010", "1100110", "1101100", "1000010", "1011100",
                           "1001110", "1010000", "1000100", "1001000", "1110100"};

} // namespace

TEST(BarcodeTypes, NamesAndNumericTypesInStoredOrder) {
    const struct {
        const char* name;
        bool numeric;
    } expected[frBarcodeTypeCount] = {
        {"2_5_interleaved", true}, {"2_5_industrial", true}, {"2_5_matrix", true}, {"Code39", false},
        {"Code39 Extended", false}, {"Code128A", false}, {"Code128B", false}, {"Code128C", true},
        {"Code93", false}, {"Code93 Extended", false}, {"MSI", true}, {"PostNet", true},
        {"Codebar", false}, {"EAN8", true}, {"EAN13", true}, {"UPC_A", true},
        {"UPC_E0", true}, {"UPC_E1", true}, {"UPC Supp2", true}, {"UPC Supp5", true},
        {"EAN128A", false}, {"EAN128B", false}, {"EAN128C", true},
    };
    for (int t = 0; t < frBarcodeTypeCount; ++t) {
        EXPECT_EQ(frBarcodeTypeName(t), QLatin1String(expected[t].name)) << t;
        EXPECT_EQ(frBarcodeTypeNumeric(t), expected[t].numeric) << t;
    }
    EXPECT_EQ(bcCodeEAN128C, 22);
    EXPECT_TRUE(frBarcodeTypeName(23).isEmpty());
    EXPECT_FALSE(frBarcodeTypeNumeric(-1));
}

TEST(BarcodePatterns, TwoOfFive) {
    // Interleaved: start nnnn, pairs (first digit bars, second spaces), stop wnn;
    // of 12345 the last digit has no partner.
    EXPECT_EQ(encoded(bcCode_2_5_interleaved, "12345"), "1010"
                                                        "11010010101100" // 1 = wnnnw in bars, 2 = nwnnw in spaces
                                                        "11011010010100" // 3 = wwnnn, 4 = nnwnw
                                                        "1101");
    EXPECT_EQ(encoded(bcCode_2_5_interleaved, "1234"), encoded(bcCode_2_5_interleaved, "12345"));
    // Industrial: bars only, narrow spaces; start wwn, stop wnw.
    EXPECT_EQ(encoded(bcCode_2_5_industrial, "1"), "11011010"
                                                   "110101010110"
                                                   "1101011");
    // Matrix at 3 : 1: start and stop lead with a four-module bar; a digit is
    // bars and spaces of the 2 of 5 table and a narrow gap.
    TfrBarcode matrix = generator(bcCode_2_5_matrix, "0", false, 3.0);
    EXPECT_EQ(modules(matrix.encode(), {1, 3, 4, 6}), "111101010"
                                                      "1011100010" // 0 = nnwwn
                                                      "11110101");
}

TEST(BarcodePatterns, Code39) {
    // At 3 : 1, from the standard's table; every character is followed by a
    // narrow gap but the stop.
    const std::string star = "100010111011101";
    const std::string a = "111010100010111";
    TfrBarcode code = generator(bcCode39, "A", true, 3.0);
    EXPECT_EQ(modules(code.encode(), {1, 3, 4, 6}), star + "0" + a + "0" + a + "0" + star); // check of A is A
    // Characters outside the set, "*" and lower case among them, are skipped;
    // the check sums 1 + $ = 1 + 39 = 40, "/".
    code = generator(bcCode39, "a*1$", true, 3.0);
    EXPECT_EQ(modules(code.encode(), {1, 3, 4, 6}),
              star + "0" + "111010001010111" + "0" + "100010001000101" + "0" + "100010001010001" + "0" + star);
    // Full ASCII: "a" is "+A"; the text stays as it is.
    code = generator(bcCode39Extended, "a", false, 3.0);
    EXPECT_EQ(modules(code.encode(), {1, 3, 4, 6}), star + "0" + "100010100010001" + "0" + a + "0" + star);
    EXPECT_EQ(code.text(), "a");
    // Characters past 127 are dropped.
    EXPECT_EQ(encoded(bcCode39Extended, QStringLiteral("Я")), encoded(bcCode39, ""));
}

TEST(BarcodePatterns, Code39FullAsciiPairs) {
    // Controls, punctuation and lower case as the full-ASCII table pairs them.
    const struct {
        QString text;
        const char* plain;
    } cases[] = {
        {QString(QChar(0)), "%U"}, {QString(QChar(1)), "$A"}, {QString(QChar(26)), "$Z"}, {QString(QChar(27)), "%A"},
        {QString(QChar(31)), "%E"}, {"!", "/A"}, {",", "/L"}, {"-./", "-./O"}, {":", "/Z"}, {";", "%F"},
        {"?", "%J"}, {"@", "%V"}, {"[", "%K"}, {"_", "%O"}, {"`", "%W"}, {"z", "+Z"}, {"{", "%P"},
        {QString(QChar(127)), "%T"}, {"09 AZ", "09 AZ"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(encoded(bcCode39Extended, c.text), encoded(bcCode39, QString::fromLatin1(c.plain))) << c.plain;
}

TEST(BarcodePatterns, Code128) {
    const std::string startA = "11010000100", startB = "11010010000", startC = "11010011100";
    const std::string fnc1 = "11110101110", stop = "1100011101011";
    // The edge case of the odd-length set C text: 123 is the pairs 01 and 23;
    // check (105 + 1 * 1 + 2 * 23) mod 103 = 49.
    EXPECT_EQ(encoded(bcCode128C, "123"), startC + "11001101100" + "11101101110" + "11010001110" + stop);
    // H = 40, i = 73, check (104 + 40 + 146) mod 103 = 84.
    EXPECT_EQ(encoded(bcCode128B, "Hi"), startB + "11000101000" + "10000110100" + "10011110100" + stop);
    // In set A a tab is 73 and lower case has no code: a space (0); check
    // (103 + 73 + 0) mod 103 = 73.
    EXPECT_EQ(encoded(bcCode128A, "\ta"), startA + "10000110100" + "11011001100" + "10000110100" + stop);
    // Set B has no controls and nothing past 127: spaces.
    EXPECT_EQ(encoded(bcCode128B, QStringLiteral("\tЖ")), encoded(bcCode128B, "  "));
    // GS1-128 C with the check digit: 10 gets 9, then a leading 0: FNC1, 01, 09;
    // check (105 + 102 + 2 * 1 + 3 * 9) mod 103 = 30.
    EXPECT_EQ(encoded(bcCodeEAN128C, "10", true), startC + fnc1 + "11001101100" + "11001001000" + "11011011000" + stop);
    // Without Checksum no digit is added: FNC1, 10; check (105 + 102 + 20) mod 103 = 21.
    EXPECT_EQ(encoded(bcCodeEAN128C, "10"), startC + fnc1 + "11001000100" + "11011100100" + stop);
    // GS1-128 B: the check digit counts the digits only (3 * 1 = 3, digit 7);
    // FNC1, "A1" = 33, 17; check (104 + 102 + 2 * 33 + 3 * 17 + 4 * 23) mod 103 = 3.
    EXPECT_EQ(encoded(bcCodeEAN128B, "A1", true),
              startB + fnc1 + "10100011000" + "10011100110" + "11101101110" + "10010011000" + stop);
    TfrBarcode none = generator(bcCodeEAN128B, "A1", true);
    none.setCheckSumMethod(csmNone);
    EXPECT_EQ(modules(none.encode()), encoded(bcCodeEAN128B, "A1"));
}

TEST(BarcodePatterns, Code93) {
    const std::string start = "101011110", stop = "1010111101";
    // A = 10; C = 10 (A), K = 10 * 1 + 10 * 2 = 30 (U).
    EXPECT_EQ(encoded(bcCode93, "A"), start + "110101000" + "110101000" + "110010110" + stop);
    // Full ASCII: a = (+)A; C = 10 + 46 * 2 = 102 mod 47 = 8, K = 8 + 20 + 138 = 166 mod 47 = 25 (P).
    EXPECT_EQ(encoded(bcCode93Extended, "a"), start + "100110010" + "110101000" + "100010010" + "100010110" + stop);
    // The C weights run 1..20 and start again: twenty-one "1" give C = (210 + 1) mod 47 = 23 (N).
    const std::string ones = encoded(bcCode93, QString(21, u'1'));
    EXPECT_EQ(ones.substr(9 + 21 * 9, 9), "101000110");
    TfrBarcode bad = generator(bcCode93, "AbC");
    EXPECT_EQ(encodingError(bad), "TfrBarcode:Code93 bad Data <AbC>");
}

TEST(BarcodePatterns, MsiPostnetCodabar) {
    // MSI: start 110, a digit as four bits (1 = 110, 0 = 100), stop 1001; the
    // check digit of 1234567 is 4.
    std::string msi = "110";
    for (const char bit : std::string("0001" "0010" "0011" "0100" "0101" "0110" "0111" "0100"))
        msi += bit == '1' ? "110" : "100";
    EXPECT_EQ(encoded(bcCodeMSI, "1234567"), msi + "1001");
    // POSTNET: frame bars at both ends, 1 = short short short full full.
    EXPECT_EQ(encoded(bcCodePostNet, "1"), "10" "s0s0s01010" "1");
    // Codabar: start A, characters between narrow gaps, stop B; others skipped.
    const std::string codabar = "1011001001" "0" "101011001" "0" "1001001011";
    EXPECT_EQ(encoded(bcCodeCodabar, "1"), codabar);
    EXPECT_EQ(encoded(bcCodeCodabar, "x1AB"), codabar);
}

TEST(BarcodePatterns, EanAndUpc) {
    const std::string guard = "101", centre = "01010";
    struct Case {
        TfrBarcodeType type;
        QString text;
        bool checksum;
        std::string modules;
        QString textAfter;
    } cases[] = {
        // Checksum: 12 digits and their check digit 1; first digit 4 = LGLLGG.
        {bcCodeEAN13, "400638133393", true,
         guard + L[0] + G[0] + L[6] + L[3] + G[8] + G[1] + centre + R[3] + R[3] + R[3] + R[9] + R[3] + R[1] + guard,
         "4006381333931"},
        // Without: a leading zero, nothing computed; first digit 0 = LLLLLL.
        {bcCodeEAN13, "400638133393", false,
         guard + L[4] + L[0] + L[0] + L[6] + L[3] + L[8] + centre + R[1] + R[3] + R[3] + R[3] + R[9] + R[3] + guard,
         "0400638133393"},
        // Too long: cut to its first 12 digits, check digit 8.
        {bcCodeEAN13, "12345678901234", true,
         guard + L[2] + L[3] + G[4] + L[5] + G[6] + G[7] + centre + R[8] + R[9] + R[0] + R[1] + R[2] + R[8] + guard,
         "1234567890128"},
        {bcCodeEAN8, "9638507", true, guard + L[9] + L[6] + L[3] + L[8] + centre + R[5] + R[0] + R[7] + R[4] + guard,
         "9638507"},
        {bcCodeUPC_A, "03600029145", true,
         guard + L[0] + L[3] + L[6] + L[0] + L[0] + L[0] + centre + R[2] + R[9] + R[1] + R[4] + R[5] + R[2] + guard,
         "036000291452"},
        {bcCodeUPC_A, "36000291452", false,
         guard + L[0] + L[3] + L[6] + L[0] + L[0] + L[0] + centre + R[2] + R[9] + R[1] + R[4] + R[5] + R[2] + guard,
         "36000291452"},
        // UPC-E 123450 stands for UPC-A 0 12000 00345, check digit 5: EOOEEO
        // (not 3, the check digit of the six digits, which readers refuse).
        {bcCodeUPC_E0, "1234503", true, guard + G[1] + L[2] + L[3] + G[4] + G[5] + L[0] + "010101", "1234505"},
        {bcCodeUPC_E0, "1234503", false, guard + G[1] + L[2] + L[3] + G[4] + G[5] + L[0] + "010101", "1234503"},
        // Number system 1: 1 12345 0000 6, check digit 2, the parities of system 0 swapped: OOEEOE.
        {bcCodeUPC_E1, "1234560", true, guard + L[1] + L[2] + G[3] + G[4] + L[5] + G[6] + "010101", "1234562"},
        // UPC-E ending in 3 and 4: 1 123 00000 45 (check 8: EOEOOE, swapped), 1 1234 00000 5 (check 0: EEEOOO, swapped).
        {bcCodeUPC_E1, "1234530", true, guard + L[1] + G[2] + L[3] + G[4] + G[5] + L[3] + "010101", "1234538"},
        {bcCodeUPC_E1, "1234540", true, guard + L[1] + L[2] + L[3] + G[4] + G[5] + G[4] + "010101", "1234540"},
        // Add-ons: 34 mod 4 = 2, GL; 52495: 3 * 14 + 9 * 11 = 141, 1, GLGLL.
        {bcCodeUPC_Supp2, "34", true, std::string("1011") + G[3] + "01" + L[4], "34"},
        {bcCodeUPC_Supp5, "52495", true,
         std::string("1011") + G[5] + "01" + L[2] + "01" + G[4] + "01" + L[9] + "01" + L[5], "524951"},
        {bcCodeUPC_Supp5, "52495", false,
         std::string("1011") + G[5] + "01" + L[2] + "01" + G[4] + "01" + L[9] + "01" + L[5], "52495"},
    };
    for (const Case& c : cases) {
        TfrBarcode code = generator(c.type, c.text, c.checksum);
        EXPECT_EQ(modules(code.encode()), c.modules) << frBarcodeTypeName(c.type).toStdString() << " " << c.text.toStdString();
        EXPECT_EQ(code.text(), c.textAfter) << frBarcodeTypeName(c.type).toStdString() << " " << c.text.toStdString();
    }
}

TEST(BarcodeEncoding, ErrorsLeaveTheTextAsItWas) {
    const struct {
        TfrBarcodeType type;
        QString text;
        TfrCheckSumMethod method;
        const char* message;
    } cases[] = {
        {bcCodeEAN13, "12a", csmModulo10, "Barcode must be numeric"},
        {bcCode_2_5_interleaved, "1.5", csmModulo10, "Barcode must be numeric"},
        {bcCodeEAN128C, QStringLiteral("١٢"), csmModulo10, "Barcode must be numeric"}, // digits of another script
        {TfrBarcodeType(23), "1", csmModulo10, "TfrBarcode: wrong BarcodeType"},
        {TfrBarcodeType(255), "1", csmModulo10, "TfrBarcode: wrong BarcodeType"},
        // Checksum without a method appends nothing: one digit short.
        {bcCodeEAN8, "1234567", csmNone, "Invalid Text len (EAN8)"},
        {bcCodeEAN13, "123456789012", csmNone, "Invalid Text len (EAN13)"},
        {bcCodeUPC_A, "12345678901", csmNone, "Invalid Text len (UPC_A)"},
    };
    for (const auto& c : cases) {
        TfrBarcode code = generator(c.type, c.text, true);
        code.setCheckSumMethod(c.method);
        EXPECT_EQ(encodingError(code), QLatin1String(c.message)) << c.text.toStdString();
        EXPECT_EQ(code.text(), c.text);
    }
    // Numeric texts are trimmed before the check.
    TfrBarcode trimmed = generator(bcCodeEAN13, " 400638133393 ", true);
    EXPECT_EQ(modules(trimmed.encode()), encoded(bcCodeEAN13, "400638133393", true));
}

TEST(BarcodeWidths, RatioIsClampedPerType) {
    struct Case {
        TfrBarcodeType type;
        int modul;
        double ratio;
        int width;
    } cases[] = {
        // Code 39 "": two stars (three wide, six narrow elements) and a gap;
        // 1.5 is raised to 2.0 (wide 4 at Modul 2), 3.5 lowered to 3.0 (6).
        {bcCode39, 2, 1.5, 2 * (3 * 4 + 6 * 2) + 2},
        {bcCode39, 2, 2.0, 2 * (3 * 4 + 6 * 2) + 2},
        {bcCode39, 2, 3.5, 2 * (3 * 6 + 6 * 2) + 2},
        // Code 128 B "": start 211214, check 222122, stop 2331112; 1.5 stays:
        // widths 2, 3, 4, 6 against 2, 4, 6, 8.
        {bcCode128B, 2, 1.5, (3 * 2 + 2 * 3 + 6) + (5 * 3 + 2) + (3 * 2 + 2 * 3 + 2 * 4)},
        {bcCode128B, 2, 2.0, (3 * 2 + 2 * 4 + 8) + (5 * 4 + 2) + (3 * 2 + 2 * 4 + 2 * 6)},
        // Matrix 2 of 5 "": 2.0 is raised to 2.25: wide 9, start bar 13 at Modul 4.
        {bcCode_2_5_matrix, 4, 2.0, 2 * 13 + 9 * 4},
        // Modul 49 at 3: the wide element is kept at 63, so the widest (126)
        // still fits a signed byte: 2 * (3 * 63 + 6 * 49) + 49.
        {bcCode39, 49, 3.0, 2 * (3 * 63 + 6 * 49) + 49},
        // ... and in Code 128 B "": start 49 + 63 + 49 + 63 + 49 + 126.
        {bcCode128B, 49, 3.0, (3 * 49 + 2 * 63 + 126) + (5 * 63 + 49) + (3 * 49 + 2 * 94 + 2 * 63)},
        // A ratio of nothing or of no number never gives zero widths: 1, 1, 1, 2.
        {bcCode128B, 1, 0.0, (3 + 2 + 2) + (5 + 1) + (3 + 2 + 2)},
        {bcCode128B, 1, std::nan(""), (3 + 2 + 2) + (5 + 1) + (3 + 2 + 2)},
        {bcCode128B, 1, -5.0, (3 + 2 + 2) + (5 + 1) + (3 + 2 + 2)},
    };
    for (const Case& c : cases) {
        TfrBarcode code = generator(c.type, "", false, c.ratio);
        code.setModul(c.modul);
        EXPECT_EQ(code.width(), c.width) << frBarcodeTypeName(c.type).toStdString() << " " << c.modul << " " << c.ratio;
        if (!std::isnan(c.ratio)) {
            EXPECT_EQ(code.ratio(), c.ratio); // the property keeps its value
        }
    }
}

TEST(BarcodeWidths, ModulOutsideItsRangeIsIgnoredAndWidthScalesIt) {
    TfrBarcode code = generator(bcCode128B, "");
    for (const int m : {3, 0, 50, -1})
        code.setModul(m);
    EXPECT_EQ(code.modul(), 3);
    code.setModul(49);
    EXPECT_EQ(code.modul(), 49);
    code.setModul(1);
    ASSERT_EQ(code.width(), 35);
    code.setWidth(80); // 1 * 80 div 35
    EXPECT_EQ(code.modul(), 2);
    EXPECT_EQ(code.width(), 70);
    code.setWidth(30); // 2 * 30 div 70 = 0: ignored
    EXPECT_EQ(code.modul(), 2);
    code.setWidth(std::numeric_limits<std::int32_t>::max()); // far past 49: ignored
    EXPECT_EQ(code.modul(), 2);
}

TEST(BarcodeProperties, OnChangeOnlyForChangedValues) {
    TfrBarcode code;
    int calls = 0;
    code.onChange = [&] { ++calls; };
    const struct {
        const char* name;
        std::function<void()> same, other;
    } cases[] = {
        {"Height", [&] { code.setHeight(0); }, [&] { code.setHeight(5); }},
        {"Text", [&] { code.setText({}); }, [&] { code.setText("1"); }},
        {"Top", [&] { code.setTop(0); }, [&] { code.setTop(-3); }},
        {"Left", [&] { code.setLeft(0); }, [&] { code.setLeft(7); }},
        {"Modul", [&] { code.setModul(1); }, [&] { code.setModul(2); }},
        {"Ratio", [&] { code.setRatio(2.0); }, [&] { code.setRatio(2.5); }},
        {"Typ", [&] { code.setTyp(bcCodeEAN13); }, [&] { code.setTyp(bcCode39); }},
        {"Checksum", [&] { code.setChecksum(false); }, [&] { code.setChecksum(true); }},
        {"Angle", [&] { code.setAngle(0); }, [&] { code.setAngle(90); }},
    };
    for (const auto& c : cases) {
        calls = 0;
        c.same();
        EXPECT_EQ(calls, 0) << c.name;
        c.other();
        EXPECT_EQ(calls, 1) << c.name;
    }
    calls = 0;
    code.setModul(60); // ignored, not changed
    code.setCheckSumMethod(csmNone);
    code.color = Qt::red;
    EXPECT_EQ(calls, 0);
}

namespace {

// What the generator draws at a pixel: nothing, a space or a bar.
enum class Ink { None, Space, Bar };

Ink inkOf(QRgb pixel) {
    if (pixel == qRgb(255, 255, 255))
        return Ink::Space;
    if (pixel == qRgb(0, 0, 0))
        return Ink::Bar;
    return Ink::None;
}

// The image the drawing rules give for a module string (element widths 2):
// module column px of rows py = 0..h (h the element's height, inclusive), at
// the angle, origin (left, top), W wide and H high.
QImage expectedImage(const std::string& mods, int height, int angle, int left, int top, QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::blue);
    const int w = int(mods.size());
    for (int px = 0; px < w; ++px) {
        const int h = mods[std::size_t(px)] == 's' ? height * 2 / 5 : height;
        for (int py = std::min(0, h); py <= std::max(0, h); ++py) {
            QPoint p;
            switch (angle) {
            case 0: p = {left + px, top + py}; break;
            case 90: p = {left + py, top + w - px}; break;
            case 180: p = {left + w - px, top + height - py}; break;
            default: p = {left + height - py, top + px}; break;
            }
            image.setPixel(p, mods[std::size_t(px)] == '0' ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
        }
    }
    return image;
}

} // namespace

TEST(BarcodeDrawing, EveryAngleTurnsThePatternInsideItsBox) {
    // POSTNET "1" at Modul 2: full and short bars and spaces, all two pixels wide.
    const std::string mods = modules(generator(bcCodePostNet, "1").encode(), {2, 4, 6, 8});
    ASSERT_EQ(mods, "1100ss00ss00ss0011001100" "11");
    const struct {
        double angle;
        int as;
    } cases[] = {{0, 0}, {90, 90}, {180, 180}, {270, 270}, {-90, 270}, {360, 0}, {450, 90}};
    for (const auto& c : cases) {
        TfrBarcode code = generator(bcCodePostNet, "1");
        code.setModul(2);
        code.setHeight(10);
        code.setLeft(5);
        code.setTop(3);
        code.setAngle(c.angle);
        QImage image(40, 40, QImage::Format_RGB32);
        image.fill(Qt::blue);
        QPainter painter(&image);
        code.drawOn(painter);
        painter.end();
        const QImage expected = expectedImage(mods, 10, c.as, 5, 3, image.size());
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                ASSERT_EQ(inkOf(image.pixel(x, y)), inkOf(expected.pixel(x, y)))
                    << "angle " << c.angle << " at " << x << "," << y;
    }
}

TEST(BarcodeDrawing, NegativeHeightStandsShortBarsOnTheBaseline) {
    TfrBarcode code = generator(bcCodePostNet, "1");
    code.setModul(2);
    code.setTop(12);
    code.setHeight(-10);
    QImage image(40, 20, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QPainter painter(&image);
    code.drawOn(painter);
    painter.end();
    const QImage expected = expectedImage(modules(code.encode(), {2, 4, 6, 8}), -10, 0, 0, 12, image.size());
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ASSERT_EQ(inkOf(image.pixel(x, y)), inkOf(expected.pixel(x, y))) << x << "," << y;
    EXPECT_EQ(inkOf(image.pixel(4, 8)), Ink::Bar); // a short bar's top: 12 - 10 * 2 div 5
    EXPECT_EQ(inkOf(image.pixel(4, 7)), Ink::None);
}

TEST(BarcodeDrawing, KeepsThePainterAndDrawsNothingOnAnError) {
    QImage image(60, 30, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QPainter painter(&image);
    const QPen pen(Qt::green, 3, Qt::DashLine);
    const QBrush brush(Qt::red, Qt::Dense4Pattern);
    QFont font(QStringLiteral("Courier New"));
    font.setPixelSize(12);
    painter.setPen(pen);
    painter.setBrush(brush);
    painter.setFont(font);
    TfrBarcode code = generator(bcCodeEAN8, "1234567", true);
    code.setHeight(20);
    code.colorBar = Qt::darkRed;
    code.color = Qt::yellow;
    code.drawOn(painter);
    EXPECT_EQ(painter.pen(), pen);
    EXPECT_EQ(painter.brush(), brush);
    EXPECT_EQ(painter.font(), font);
    EXPECT_EQ(image.pixel(0, 0), QColor(Qt::darkRed).rgb());  // the first guard bar
    EXPECT_EQ(image.pixel(1, 20), QColor(Qt::yellow).rgb()); // the space after it, to the bottom row
    EXPECT_EQ(image.pixel(1, 21), QColor(Qt::blue).rgb());

    QImage untouched(60, 30, QImage::Format_RGB32);
    untouched.fill(Qt::blue);
    QPainter other(&untouched);
    TfrBarcode bad = generator(bcCodeEAN8, "12x");
    bad.setHeight(20);
    EXPECT_THROW(bad.drawOn(other), Exception);
    other.end();
    EXPECT_EQ(untouched.pixel(0, 0), QColor(Qt::blue).rgb());
}

namespace {

QString printableAscii() {
    QString s;
    for (char16_t c = 32; c < 127; ++c)
        s += QChar(c);
    return s;
}

QString allPairs() {
    QString s;
    for (int i = 0; i < 100; ++i)
        s += QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0'));
    return s;
}

} // namespace

TEST(BarcodeScan, PrintedCodesReadBackAtEveryAngle) {
    if (!barcodescan::haveScanner())
        GTEST_SKIP() << "zbar-tools is not installed";
    const struct {
        TfrBarcodeType type;
        QString text;
        bool checksum;
        const char* symbology;
        QString data;
    } cases[] = {
        {bcCodeEAN13, "400638133393", true, "EAN-13", "4006381333931"},
        {bcCodeEAN8, "9638507", true, "EAN-8", "96385074"},
        {bcCodeUPC_A, "03600029145", true, "EAN-13", "0036000291452"},
        // zbar gives the UPC-A number a UPC-E code stands for, with the check
        // digit the parities tell.
        {bcCodeUPC_E0, "1234503", true, "EAN-13", "0012000003455"},
        {bcCodeUPC_E0, "0123456", false, "EAN-13", "0001234000057"},
        {bcCodeUPC_E0, "4567894", false, "EAN-13", "0045678000099"},
        {bcCode39, "CODE-39 $/+%", true, "CODE-39", "CODE-39 $/+%A"},
        // zbar does not decode full ASCII in Code 39: it gives the pairs.
        {bcCode39Extended, "Hello, world!", false, "CODE-39", "H+E+L+L+O/L +W+O+R+L+D/A"},
        {bcCode93, "CODE 93-$/+%.", false, "CODE-93", "CODE 93-$/+%."},
        {bcCode93Extended, printableAscii(), false, "CODE-93", printableAscii()},
        {bcCode128A, "HELLO\t[1]", false, "CODE-128", "HELLO\t[1]"},
        {bcCode128B, printableAscii(), false, "CODE-128", printableAscii()},
        {bcCode128C, allPairs(), false, "CODE-128", allPairs()},
        {bcCode128C, "123", false, "CODE-128", "0123"},
        {bcCode_2_5_interleaved, "12345678901", false, "I2/5", "1234567890"},
        {bcCodeCodabar, "0123456789-$:/.+", false, "Codabar", "A0123456789-$:/.+B"},
        {bcCodeEAN128A, "0112345678901231", false, "CODE-128", "0112345678901231"},
        {bcCodeEAN128B, "10abc", false, "CODE-128", "10abc"},
        {bcCodeEAN128C, "1234567890123", true, "CODE-128", "12345678901231"},
    };
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const auto& c : cases) {
        for (const int angle : {0, 90, 180, 270}) {
            TfrBarcode code = generator(c.type, c.text, c.checksum);
            code.setModul(2);
            code.setHeight(60);
            code.setAngle(angle);
            const QString path = dir.filePath(QStringLiteral("%1-%2.png").arg(int(c.type)).arg(angle));
            ASSERT_TRUE(barcodescan::render(code, 150, 24).save(path));
            const QList<barcodescan::TSymbol> symbols = barcodescan::scanFile(path);
            const std::string what = frBarcodeTypeName(c.type).toStdString() + " at " + std::to_string(angle);
            ASSERT_EQ(symbols.size(), 1) << what;
            EXPECT_EQ(symbols[0].type, QLatin1String(c.symbology)) << what;
            EXPECT_EQ(symbols[0].data, c.data.toLatin1()) << what;
        }
    }
}
