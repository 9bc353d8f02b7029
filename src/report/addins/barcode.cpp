#include "report/addins/barcode.h"

#include "common/exception.h"
#include "common/rounding.h"

#include <QPainter>
#include <QtMath>
#include <algorithm>
#include <limits>
#include <optional>
#include <vector>

namespace {

const QString kClassName = QStringLiteral("TfrBarcode");

struct TypeInfo {
    const char* name;
    bool numeric;
};
constexpr TypeInfo kTypes[frBarcodeTypeCount] = {
    {"2_5_interleaved", true}, {"2_5_industrial", true}, {"2_5_matrix", true},
    {"Code39", false}, {"Code39 Extended", false},
    {"Code128A", false}, {"Code128B", false}, {"Code128C", true},
    {"Code93", false}, {"Code93 Extended", false},
    {"MSI", true}, {"PostNet", true}, {"Codebar", false},
    {"EAN8", true}, {"EAN13", true}, {"UPC_A", true}, {"UPC_E0", true}, {"UPC_E1", true},
    {"UPC Supp2", true}, {"UPC Supp5", true},
    {"EAN128A", false}, {"EAN128B", false}, {"EAN128C", true},
};

// ---------------------------------------------------------------- element codes

char spaceCode(int width) { return char('0' + width); }
char barCode(int width) { return char('5' + width); }
char shortBarCode(int width) { return char('A' + width); }

// Appends width digits "1".."4" (modules at a Ratio of 2), bars and spaces
// alternating, the first a bar unless `barFirst` is false.
void appendWidths(QByteArray& out, const char* digits, bool barFirst = true) {
    bool bar = barFirst;
    for (const char* d = digits; *d; ++d, bar = !bar)
        out += bar ? barCode(*d - '1') : spaceCode(*d - '1');
}

// Appends narrow ("n") and wide ("w") elements, bars and spaces alternating,
// the first a bar.
void appendNarrowWide(QByteArray& out, const char* elements) {
    bool bar = true;
    for (const char* e = elements; *e; ++e, bar = !bar)
        out += bar ? barCode(*e == 'w' ? 1 : 0) : spaceCode(*e == 'w' ? 1 : 0);
}

int digitOf(QChar c) { return c.unicode() - u'0'; }
bool isDigit(QChar c) { return c >= u'0' && c <= u'9'; }

// The text brought to n characters: cut to its first n, or leading zeros.
QString fitted(const QString& text, int n) {
    return text.size() >= n ? text.left(n) : QString(n - text.size(), u'0') + text;
}

// Modulo-10 check digit: weights 3 and 1 alternately from the rightmost digit
// (weight 3). Characters that are not digits (GS1-128 texts of code sets A and
// B) take no part and no weight.
QChar modulo10(QStringView text) {
    int sum = 0;
    int weight = 3;
    for (qsizetype i = text.size(); i-- > 0;) {
        if (!isDigit(text[i]))
            continue;
        sum = (sum + digitOf(text[i]) * weight) % 10;
        weight = 4 - weight;
    }
    return QChar(u'0' + (10 - sum) % 10);
}

// ---------------------------------------------------------------- 2 of 5

// The five elements of each digit; two of them wide. Code 39 uses the same
// table for its bars.
const char* const k2of5[10] = {"nnwwn", "wnnnw", "nwnnw", "wwnnn", "nnwnw",
                               "wnwnn", "nwwnn", "nnnww", "wnnwn", "nwnwn"};

QByteArray interleaved2of5(const QString& text) {
    QByteArray out = "5050"; // start: narrow bar, space, bar, space
    // Digits in pairs, the first as bars, the second as the spaces between them;
    // a last odd digit has no partner and is left out.
    for (qsizetype i = 0; i + 1 < text.size(); i += 2) {
        const char* bars = k2of5[digitOf(text[i])];
        const char* spaces = k2of5[digitOf(text[i + 1])];
        for (int k = 0; k < 5; ++k) {
            out += barCode(bars[k] == 'w' ? 1 : 0);
            out += spaceCode(spaces[k] == 'w' ? 1 : 0);
        }
    }
    return out + "605"; // stop: wide bar, narrow space, narrow bar
}

QByteArray industrial2of5(const QString& text) {
    // Only the bars carry data; every space is narrow, the one after a digit's
    // last bar being the gap between characters.
    QByteArray out = "606050"; // start: wide, wide, narrow bar
    for (QChar c : text) {
        for (const char* e = k2of5[digitOf(c)]; *e; ++e) {
            out += barCode(*e == 'w' ? 1 : 0);
            out += spaceCode(0);
        }
    }
    return out + "60506"; // stop: wide, narrow, wide bar
}

QByteArray matrix2of5(const QString& text) {
    // Each digit is three bars and two spaces of the 2 of 5 table, then a narrow
    // gap. Start and stop lead with a bar one and a half wide elements wide
    // (four modules at 3 : 1).
    QByteArray out = "705050";
    for (QChar c : text) {
        appendNarrowWide(out, k2of5[digitOf(c)]);
        out += spaceCode(0);
    }
    return out + "70505";
}

// ---------------------------------------------------------------- Code 39 and Code 93

// The characters of Code 39 and Code 93 in the order of their values 0..42.
const QString kCode39Set = QStringLiteral("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%");
constexpr int kCode39Star = -1;

// The nine elements of the Code 39 character of a value, or of the start and
// stop character "*". The 40 characters before "$" are the ten bar patterns
// of the 2 of 5 table (in the order 1..9, 0) with one wide space: the second
// for digits, the third for A..J, the fourth for K..T, the first for U..Z,
// "-", ".", " " and "*"; "$", "/", "+" and "%" have narrow bars and three wide
// spaces.
void appendCode39(QByteArray& out, int value) {
    static const char* const kWideSpaces[4] = {"nwnwnwnnn", "nwnwnnnwn", "nwnnnwnwn", "nnnwnwnwn"};
    if (value >= 39) {
        appendNarrowWide(out, kWideSpaces[value - 39]);
        return;
    }
    const int group = value < 0 ? 3 : value / 10;
    const int rank = value < 0 ? 9 : value % 10;
    const char* bars = k2of5[group == 0 ? rank : (rank + 1) % 10];
    const int wideSpace = group == 0 ? 1 : group == 3 ? 0 : group + 1;
    char elements[10] = {};
    for (int k = 0; k < 5; ++k)
        elements[2 * k] = bars[k];
    for (int k = 0; k < 4; ++k)
        elements[2 * k + 1] = k == wideSpace ? 'w' : 'n';
    appendNarrowWide(out, elements);
}

// A character of the full-ASCII sets as one or two characters of the Code 39
// set, the first of two being one of the shifts "$", "%", "/", "+".
QString fullAscii(char16_t c) {
    auto pair = [](char16_t shift, int letter) { return QString(QChar(shift)) + QChar(letter); };
    if (c == 0)
        return QStringLiteral("%U");
    if (c <= 26)
        return pair(u'$', u'A' + c - 1);
    if (c <= 31)
        return pair(u'%', u'A' + c - 27);
    if (c == u' ' || c == u'-' || c == u'.' || (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z'))
        return QString(QChar(c));
    if (c <= u'/')
        return pair(u'/', u'A' + c - 33);
    if (c == u':')
        return QStringLiteral("/Z");
    if (c <= u'?')
        return pair(u'%', u'F' + c - 59);
    if (c == u'@')
        return QStringLiteral("%V");
    if (c <= u'_')
        return pair(u'%', u'K' + c - 91);
    if (c == u'`')
        return QStringLiteral("%W");
    if (c <= u'z')
        return pair(u'+', u'A' + c - 97);
    return pair(u'%', u'P' + c - 123);
}

// The full-ASCII form of a text; characters past 127 are dropped.
QString fullAsciiText(const QString& text) {
    QString out;
    for (QChar c : text)
        if (c.unicode() < 128)
            out += fullAscii(c.unicode());
    return out;
}

QByteArray code39(const QString& text, bool checksum) {
    QByteArray out;
    appendCode39(out, kCode39Star);
    out += spaceCode(0);
    int sum = 0;
    for (QChar c : text) {
        // Characters outside the set, "*" among them (it would end the code
        // for a reader), are skipped.
        const int value = int(kCode39Set.indexOf(c));
        if (value < 0)
            continue;
        appendCode39(out, value);
        out += spaceCode(0);
        sum = (sum + value) % 43;
    }
    if (checksum) {
        appendCode39(out, sum);
        out += spaceCode(0);
    }
    appendCode39(out, kCode39Star); // the stop is followed by the quiet zone, not by a gap
    return out;
}

// Width digits of the Code 93 characters of values 0..46: the 43 characters of
// kCode39Set, then the shifts ($), (%), (/), (+).
const char* const kCode93[47] = {
    "131112", "111213", "111312", "111411", "121113", "121212", "121311", "111114", "131211", "141111",
    "211113", "211212", "211311", "221112", "221211", "231111", "112113", "112212", "112311", "122112",
    "132111", "111123", "111222", "111321", "121122", "131121", "212112", "212211", "211122", "211221",
    "221121", "222111", "112122", "112221", "122121", "123111", "121131", "311112", "311211", "321111",
    "112131", "113121", "211131", "121221", "312111", "311121", "122211",
};

// Code 93 of the character values: start, values, the check characters C
// (weights 1..20 from the right) and K (weights 1..15, over C too), stop and
// termination bar.
QByteArray code93(std::vector<int> values) {
    for (const int cycle : {20, 15}) {
        int sum = 0;
        int weight = 1;
        for (auto v = values.rbegin(); v != values.rend(); ++v) {
            sum = (sum + *v * weight) % 47;
            weight = weight % cycle + 1;
        }
        values.push_back(sum);
    }
    QByteArray out;
    appendWidths(out, "111141");
    for (const int v : values)
        appendWidths(out, kCode93[v]);
    appendWidths(out, "1111411");
    return out;
}

QByteArray code93Plain(const QString& text) {
    std::vector<int> values;
    for (QChar c : text) {
        const int value = int(kCode39Set.indexOf(c));
        if (value < 0)
            throw Exception(QStringLiteral("%1:Code93 bad Data <%2>").arg(kClassName, text));
        values.push_back(value);
    }
    return code93(std::move(values));
}

QByteArray code93Extended(const QString& text) {
    // The full-ASCII shifts are Code 93's own characters 43..46, not "$", "%",
    // "/" and "+".
    static const QString kShifts = QStringLiteral("$%/+");
    std::vector<int> values;
    for (QChar c : text) {
        if (c.unicode() >= 128)
            continue;
        const QString pair = fullAscii(c.unicode());
        if (pair.size() == 2)
            values.push_back(43 + int(kShifts.indexOf(pair[0])));
        values.push_back(int(kCode39Set.indexOf(pair.back())));
    }
    return code93(std::move(values));
}

// ---------------------------------------------------------------- Code 128 and GS1-128

// Width digits of the Code 128 values 0..105 (102 is FNC1, 103..105 the starts
// of code sets A, B and C); then the stop.
const char* const kCode128[106] = {
    "212222", "222122", "222221", "121223", "121322", "131222", "122213", "122312", "132212", "221213",
    "221312", "231212", "112232", "122132", "122231", "113222", "123122", "123221", "223211", "221132",
    "221231", "213212", "223112", "312131", "311222", "321122", "321221", "312212", "322112", "322211",
    "212123", "212321", "232121", "111323", "131123", "131321", "112313", "132113", "132311", "211313",
    "231113", "231311", "112133", "112331", "132131", "113123", "113321", "133121", "313121", "211331",
    "231131", "213113", "213311", "213131", "311123", "311321", "331121", "312113", "312311", "332111",
    "314111", "221411", "431111", "111224", "111422", "121124", "121421", "141122", "141221", "112214",
    "112412", "122114", "122411", "142112", "142211", "241211", "221114", "413111", "241112", "134111",
    "111242", "121142", "121241", "114212", "124112", "124211", "411212", "421112", "421211", "212141",
    "214121", "412121", "111143", "111341", "131141", "114113", "114311", "411113", "411311", "113141",
    "114131", "311141", "411131", "211412", "211214", "211232",
};
const char* const kCode128Stop = "2331112";
constexpr int kFnc1 = 102;

enum class CodeSet { A, B, C };

// Values of a text in code set A (ASCII 32..95, then the controls 0..31) or B
// (ASCII 32..127); characters outside the set become a space.
std::vector<int> code128Values(const QString& text, CodeSet set) {
    std::vector<int> values;
    values.reserve(std::size_t(text.size()));
    for (QChar ch : text) {
        const int c = ch.unicode();
        if (c >= 32 && c < (set == CodeSet::A ? 96 : 128))
            values.push_back(c - 32);
        else if (set == CodeSet::A && c < 32)
            values.push_back(c + 64);
        else
            values.push_back(0);
    }
    return values;
}

// Values of a digit text in code set C: pairs, the text led by a "0" when its
// length is odd.
std::vector<int> code128PairValues(const QString& text) {
    const QString even = text.size() % 2 ? QLatin1Char('0') + text : text;
    std::vector<int> values;
    values.reserve(std::size_t(even.size() / 2));
    for (qsizetype i = 0; i < even.size(); i += 2)
        values.push_back(digitOf(even[i]) * 10 + digitOf(even[i + 1]));
    return values;
}

// Start of the set, FNC1 for GS1-128, the values, the modulo-103 check (the
// start value plus each value times its position) and the stop.
QByteArray code128(const QString& text, CodeSet set, bool gs1) {
    const int start = 103 + int(set);
    std::vector<int> values = set == CodeSet::C ? code128PairValues(text) : code128Values(text, set);
    if (gs1)
        values.insert(values.begin(), kFnc1);
    QByteArray out;
    appendWidths(out, kCode128[start]);
    int sum = start % 103;
    std::int64_t position = 1;
    for (const int v : values) {
        appendWidths(out, kCode128[v]);
        sum = int((sum + position++ % 103 * v) % 103);
    }
    appendWidths(out, kCode128[sum]);
    appendWidths(out, kCode128Stop);
    return out;
}

// ---------------------------------------------------------------- MSI, POSTNET, Codabar

QByteArray msi(const QString& text) {
    // The check digit doubles every other digit from the rightmost one and adds
    // the digits of the products and of the other digits.
    int sum = 0;
    bool doubled = true;
    for (qsizetype i = text.size(); i-- > 0; doubled = !doubled) {
        const int d = digitOf(text[i]) * (doubled ? 2 : 1);
        sum = (sum + d / 10 + d % 10) % 10;
    }
    const QString digits = text + QChar(u'0' + (10 - sum) % 10);
    QByteArray out = "60"; // start: wide bar, narrow space
    for (QChar c : digits)
        for (int bit = 3; bit >= 0; --bit)
            out += (digitOf(c) >> bit) & 1 ? "60" : "51"; // 1: wide bar, narrow space; 0: narrow bar, wide space
    return out + "515";
}

QByteArray postnet(const QString& text) {
    // Two full and three short bars per digit, weights 7, 4, 2, 1, 0; bars and
    // spaces of the same narrow width (a pitch of about 22 bars an inch).
    static const char* const kBars[10] = {"11000", "00011", "00101", "00110", "01001",
                                          "01010", "01100", "10001", "10010", "10100"};
    QByteArray out = "50";
    for (QChar c : text) {
        for (const char* b = kBars[digitOf(c)]; *b; ++b) {
            out += *b == '1' ? barCode(0) : shortBarCode(0);
            out += spaceCode(0);
        }
    }
    return out + barCode(0);
}

QByteArray codabar(const QString& text) {
    static const QString kSet = QStringLiteral("0123456789-$:/.+");
    static const char* const kElements[16] = {
        "nnnnnww", "nnnnwwn", "nnnwnnw", "wwnnnnn", "nnwnnwn", "wnnnnwn", "nwnnnnw", "nwnnwnn",
        "nwwnnnn", "wnnwnnn", "nnnwwnn", "nnwwnnn", "wnnnwnw", "wnwnnnw", "wnwnwnn", "nnwnwnw",
    };
    QByteArray out;
    appendNarrowWide(out, "nnwwnwn"); // start A
    for (QChar c : text) {
        // Characters outside the set (the start and stop letters among them)
        // have no pattern and are skipped.
        const qsizetype i = kSet.indexOf(c);
        if (i < 0)
            continue;
        out += spaceCode(0);
        appendNarrowWide(out, kElements[i]);
    }
    out += spaceCode(0);
    appendNarrowWide(out, "nwnwnnw"); // stop B
    return out;
}

// ---------------------------------------------------------------- EAN and UPC

// Width digits of the odd-parity (L) digit codes, space first. Even parity
// (G) is the same read backwards; the right-hand (R) codes are L with a bar
// first.
const char* const kEanOdd[10] = {"3211", "2221", "2122", "1411", "1132", "1231", "1114", "1312", "1213", "3112"};

enum class Side { Odd, Even, Right };

void appendEanDigit(QByteArray& out, QChar digit, Side side) {
    const char* odd = kEanOdd[digitOf(digit)];
    if (side == Side::Even) {
        const char reversed[5] = {odd[3], odd[2], odd[1], odd[0], 0};
        appendWidths(out, reversed, false);
    } else {
        appendWidths(out, odd, side == Side::Right);
    }
}

// Digits with the parities "o" (odd) or "e" (even) of a pattern.
void appendEanDigits(QByteArray& out, QStringView digits, const char* parities) {
    for (qsizetype i = 0; i < digits.size(); ++i)
        appendEanDigit(out, digits[i], parities[i] == 'e' ? Side::Even : Side::Odd);
}

void appendEanRight(QByteArray& out, QStringView digits) {
    for (QChar c : digits)
        appendEanDigit(out, c, Side::Right);
}

const char* const kGuard = "505";
const char* const kCentre = "05050";

// The parities of the six left digits of EAN-13, chosen by its first digit.
const char* const kEan13Parities[10] = {"oooooo", "ooeoee", "ooeeoe", "ooeeeo", "oeooee",
                                        "oeeooe", "oeeeoo", "oeoeoe", "oeoeeo", "oeeoeo"};

// Guard, left half, centre, right half, guard; the left half in odd parity
// unless parities are given.
QByteArray eanSymbol(QStringView left, QStringView right, const char* parities = "oooooo") {
    QByteArray out = kGuard;
    appendEanDigits(out, left, parities);
    out += kCentre;
    appendEanRight(out, right);
    return out + kGuard;
}

// The UPC-A number (without its check digit) a UPC-E code of number system
// `system` stands for.
QString upcAOfUpcE(QChar system, QStringView d) {
    QString a(system);
    switch (d[5].unicode()) {
    case u'0': case u'1': case u'2':
        return a.append(d.mid(0, 2)).append(d[5]).append(u"0000").append(d.mid(2, 3));
    case u'3':
        return a.append(d.mid(0, 3)).append(u"00000").append(d.mid(3, 2));
    case u'4':
        return a.append(d.mid(0, 4)).append(u"00000").append(d[4]);
    default:
        return a.append(d.mid(0, 5)).append(u"0000").append(d[5]);
    }
}

// Parities of the six UPC-E digits of number system 0 by check digit; number
// system 1 takes the opposite ones.
const char* const kUpcEParities[10] = {"eeeooo", "eeoeoo", "eeooeo", "eeoooe", "eoeeoo",
                                       "eooeeo", "eoooee", "eoeoeo", "eoeooe", "eooeoe"};

// Parities of the add-on digits: by value modulo 4 (two digits), by check value (five).
const char* const kSupp2Parities[4] = {"oo", "oe", "eo", "ee"};
const char* const kSupp5Parities[10] = {"eeooo", "eoeoo", "eooeo", "eoooe", "oeeoo",
                                        "ooeeo", "oooee", "oeoeo", "oeooe", "ooeoe"};

// Start "1011", then the digits separated by "01".
QByteArray addOn(QStringView digits, const char* parities) {
    QByteArray out = "506";
    for (qsizetype i = 0; i < digits.size(); ++i) {
        if (i)
            out += "05";
        appendEanDigit(out, digits[i], parities[i] == 'e' ? Side::Even : Side::Odd);
    }
    return out;
}

// ---------------------------------------------------------------- encoding

// One encoding: the text to encode and the settings it depends on; `newText`
// is what the generator's Text becomes, if anything.
struct Encoding {
    QString text;
    bool checksum = false;
    TfrCheckSumMethod method = csmModulo10;
    std::optional<QString> newText;

    QString withCheckDigit(QString digits) const {
        if (method == csmModulo10)
            digits += modulo10(digits);
        return digits;
    }

    // EAN-8, EAN-13, UPC-A: the text with its check digit or as it is, refused
    // unless it then has n digits.
    QString fixedWithCheck(int n, const char* name) const {
        const QString digits = checksum ? withCheckDigit(fitted(text, n - 1)) : fitted(text, n);
        if (digits.size() != n)
            throw Exception(QStringLiteral("Invalid Text len (%1)").arg(QLatin1String(name)));
        return digits;
    }

    QByteArray upcE(QChar system) {
        const QString six = fitted(text, 7).left(6);
        // The check digit is the one of the UPC-A number the code stands for,
        // as readers compute it when they expand the code.
        const QChar check = modulo10(upcAOfUpcE(system, six));
        const char* parities = kUpcEParities[digitOf(check)];
        char chosen[7] = {};
        for (int i = 0; i < 6; ++i)
            chosen[i] = system == u'0' ? parities[i] : (parities[i] == 'e' ? 'o' : 'e');
        if (checksum)
            newText = six + check;
        QByteArray out = kGuard;
        appendEanDigits(out, six, chosen);
        return out + "050505";
    }

    QByteArray run(TfrBarcodeType type) {
        switch (type) {
        case bcCode_2_5_interleaved:
            return interleaved2of5(text);
        case bcCode_2_5_industrial:
            return industrial2of5(text);
        case bcCode_2_5_matrix:
            return matrix2of5(text);
        case bcCode39:
            return code39(text, checksum);
        case bcCode39Extended:
            return code39(fullAsciiText(text), checksum);
        case bcCode128A:
            return code128(text, CodeSet::A, false);
        case bcCode128B:
            return code128(text, CodeSet::B, false);
        case bcCode128C:
            return code128(text, CodeSet::C, false);
        case bcCode93:
            return code93Plain(text);
        case bcCode93Extended:
            return code93Extended(text);
        case bcCodeMSI:
            return msi(text);
        case bcCodePostNet:
            return postnet(text);
        case bcCodeCodabar:
            return codabar(text);
        case bcCodeEAN8: {
            const QString d = fixedWithCheck(8, "EAN8");
            return eanSymbol(QStringView(d).mid(0, 4), QStringView(d).mid(4));
        }
        case bcCodeEAN13: {
            const QString d = fixedWithCheck(13, "EAN13");
            newText = d;
            return eanSymbol(QStringView(d).mid(1, 6), QStringView(d).mid(7), kEan13Parities[digitOf(d[0])]);
        }
        case bcCodeUPC_A: {
            const QString d = fixedWithCheck(12, "UPC_A");
            if (checksum)
                newText = d;
            return eanSymbol(QStringView(d).mid(0, 6), QStringView(d).mid(6));
        }
        case bcCodeUPC_E0:
            return upcE(u'0');
        case bcCodeUPC_E1:
            return upcE(u'1');
        case bcCodeUPC_Supp2: {
            const QString d = fitted(text, 2);
            return addOn(d, kSupp2Parities[(digitOf(d[0]) * 10 + digitOf(d[1])) % 4]);
        }
        case bcCodeUPC_Supp5: {
            const QString d = fitted(text, 5);
            int sum = 0;
            for (int i = 0; i < 5; ++i)
                sum += digitOf(d[i]) * (i % 2 ? 9 : 3);
            const QChar check(u'0' + sum % 10);
            if (checksum)
                newText = d + check;
            return addOn(d, kSupp5Parities[sum % 10]);
        }
        case bcCodeEAN128A:
        case bcCodeEAN128B:
        case bcCodeEAN128C: {
            const CodeSet set = CodeSet(type - bcCodeEAN128A);
            return code128(checksum ? withCheckDigit(text) : text, set, true);
        }
        }
        throw Exception(QStringLiteral("%1: wrong BarcodeType").arg(kClassName));
    }
};

} // namespace

QString frBarcodeTypeName(int type) {
    return type >= 0 && type < frBarcodeTypeCount ? QString::fromLatin1(kTypes[type].name) : QString();
}

bool frBarcodeTypeNumeric(int type) { return type >= 0 && type < frBarcodeTypeCount && kTypes[type].numeric; }

void TfrBarcode::changed() {
    if (onChange)
        onChange();
}

template <class T>
void TfrBarcode::update(T& member, const T& value) {
    if (member == value)
        return;
    member = value;
    changed();
}

void TfrBarcode::setHeight(std::int32_t value) { update(m_height, value); }
void TfrBarcode::setText(const QString& value) { update(m_text, value); }
void TfrBarcode::setTop(std::int32_t value) { update(m_top, value); }
void TfrBarcode::setLeft(std::int32_t value) { update(m_left, value); }
void TfrBarcode::setRatio(double value) { update(m_ratio, value); }
void TfrBarcode::setTyp(TfrBarcodeType value) { update(m_typ, value); }
void TfrBarcode::setChecksum(bool value) { update(m_checksum, value); }
void TfrBarcode::setAngle(double value) { update(m_angle, value); }

void TfrBarcode::setModul(int value) {
    if (value >= 1 && value <= 49)
        update(m_modul, value);
}

TfrBarcode::Widths TfrBarcode::moduleWidths() const {
    double ratio = m_ratio;
    switch (m_typ) {
    case bcCode_2_5_matrix:
        ratio = std::clamp(ratio, 2.25, 3.0);
        break;
    case bcCode128A: case bcCode128B: case bcCode128C: case bcCode93: case bcCode93Extended:
    case bcCodeMSI: case bcCodePostNet: case bcCodeEAN128A: case bcCodeEAN128B: case bcCodeEAN128C:
        break;
    default:
        ratio = std::clamp(ratio, 2.0, 3.0);
    }
    // Kept within 1..63: never a zero or negative width (a Ratio below one
    // module, or not a number), and w3 = 2 * w1 still fits a signed byte.
    const int w1 = std::clamp(roundHalfEven(m_modul * ratio), 1, 63);
    return {{m_modul, w1, w1 * 3 / 2, w1 * 2}};
}

QByteArray TfrBarcode::encode() {
    Encoding job{m_text, m_checksum, m_checkSumMethod, std::nullopt};
    if (frBarcodeTypeNumeric(m_typ)) {
        job.text = m_text.trimmed();
        if (!std::all_of(job.text.cbegin(), job.text.cend(), isDigit))
            throw Exception(QStringLiteral("Barcode must be numeric"));
    }
    QByteArray pattern = job.run(m_typ);
    if (job.newText)
        m_text = *job.newText;
    return pattern;
}

namespace {

std::vector<TfrBarElement> elementsOf(const QByteArray& pattern, const int (&w)[4]) {
    std::vector<TfrBarElement> elements;
    elements.reserve(std::size_t(pattern.size()));
    for (const char code : pattern) {
        if (code >= '0' && code <= '3')
            elements.push_back({w[code - '0'], false, false});
        else if (code >= '5' && code <= '8')
            elements.push_back({w[code - '5'], true, false});
        else if (code >= 'A' && code <= 'D')
            elements.push_back({w[code - 'A'], true, true});
        else
            throw Exception(QStringLiteral("%1: internal Error").arg(kClassName));
    }
    return elements;
}

std::int64_t totalWidth(const std::vector<TfrBarElement>& elements) {
    std::int64_t total = 0;
    for (const TfrBarElement& e : elements)
        total += e.width;
    return total;
}

int clampToInt(std::int64_t v) {
    return int(std::clamp<std::int64_t>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

} // namespace

std::vector<TfrBarElement> TfrBarcode::elements() {
    const QByteArray pattern = encode();
    return elementsOf(pattern, moduleWidths().w);
}

std::int32_t TfrBarcode::width() { return clampToInt(totalWidth(elements())); }

void TfrBarcode::setWidth(std::int32_t value) {
    const std::int64_t current = width();
    if (current <= 0)
        return;
    const std::int64_t modul = std::int64_t(m_modul) * value / current;
    if (modul >= 1 && modul <= 49)
        setModul(int(modul));
}

void TfrBarcode::drawOn(QPainter& painter) {
    const std::vector<TfrBarElement> elements = this->elements();
    const double theta = qDegreesToRadians(m_angle);
    const double s = std::sin(theta);
    const double c = std::cos(theta);
    const double w = double(totalWidth(elements));
    const double h = m_height;

    // The origin moved so that the turned rectangle lies right of and below
    // it, every product rounded on its own.
    auto r = [](double v) { return std::int64_t(roundHalfEven(v)); };
    std::int64_t ox = 0, oy = 0;
    if (s >= 0 && c >= 0) {
        oy = r(s * w);
    } else if (s >= 0) {
        ox = r(-c * w);
        oy = r(s * w) - r(c * h);
    } else if (c >= 0) {
        ox = r(-s * h);
    } else {
        ox = r(-c * w) - r(s * h);
        oy = r(-c * h);
    }
    const std::int64_t originX = m_left + ox;
    const std::int64_t originY = m_top + oy;
    auto turned = [&](std::int64_t px, std::int64_t py) {
        return QPoint(clampToInt(originX + roundHalfEven(c * double(px) + s * double(py))),
                      clampToInt(originY + roundHalfEven(-s * double(px) + c * double(py))));
    };

    painter.save();
    QPen pen;
    pen.setWidth(1);
    pen.setJoinStyle(Qt::MiterJoin);
    std::int64_t x = 0;
    for (const TfrBarElement& e : elements) {
        const QColor& colour = e.bar ? colorBar : color;
        const std::int64_t length = e.shortBar ? std::int64_t(m_height) * 2 / 5 : m_height;
        const std::int64_t right = x + e.width - 1;
        const QPoint corners[4] = {turned(x, 0), turned(x, length), turned(right, length), turned(right, 0)};
        pen.setColor(colour);
        painter.setPen(pen);
        painter.setBrush(colour);
        painter.drawPolygon(corners, 4);
        x += e.width;
    }
    painter.restore();
}
