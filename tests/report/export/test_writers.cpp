#include "readers.h"

#include "common/cp1251.h"
#include "report/export/csvwriter.h"
#include "report/export/htmlwriter.h"
#include "report/export/rtfwriter.h"

#include <QBuffer>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TfrTextRec text(std::int32_t x, const QString& s, std::int32_t size = 10, std::uint16_t style = 0,
                   TfrColor color = clBlack, const QString& font = QStringLiteral("Arial")) {
    TfrTextRec c;
    c.x = x;
    c.text = s;
    c.fontName = font;
    c.fontSize = size;
    c.fontStyle = style;
    c.fontColor = color;
    c.rect = TfrEdges{x, 0, x + 50, 14};
    return c;
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

} // namespace

TEST(CsvLine, PlacesCellsInFieldsByTheirX) {
    struct Case {
        const char* name;
        std::vector<std::int32_t> xs;
        double scale;
        QString expected;
    } cases[] = {
        {"one, two and four", {0, 64, 192}, 1, "a;b;;c"},
        {"first in field two", {128}, 1, ";;a"},
        {"same field joins", {0, 20}, 1, "ab"},
        {"half a field rounds to even (0.5 -> 0, 1.5 -> 2)", {32, 96}, 1, "a;;b"},
        {"scale two halves the field width", {0, 32}, 2, "a;b"},
        {"left of the page stays in field zero", {-500, 64}, 1, "a;b"},
    };
    for (const Case& c : cases) {
        TfrTextExport::Row row;
        for (std::size_t i = 0; i < c.xs.size(); ++i)
            row.push_back(text(c.xs[i], QString(QChar(u'a' + int(i)))));
        EXPECT_EQ(frcsv::line(row, u';', c.scale), c.expected) << c.name;
    }
}

TEST(CsvLine, FarRightCellIsBounded) {
    const QString line = frcsv::line({text(2000000000, QStringLiteral("x"))}, u';', 1);
    EXPECT_EQ(line.size(), frcsv::maxField + 1);
    EXPECT_TRUE(line.endsWith(QStringLiteral(";x")));
}

TEST(CsvField, QuotesWhatWouldSplitOrJoinFields) {
    struct Case {
        QString text;
        QChar delimiter;
        QString expected;
    } cases[] = {
        {"plain", u';', "plain"},
        {"a;b", u';', "\"a;b\""},
        {"a;b", u'\t', "a;b"},
        {"a\tb", u'\t', "\"a\tb\""},
        {"say \"hi\"", u';', "\"say \"\"hi\"\"\""},
        {"\"", u';', "\"\"\"\""},
        {"a\rb", u';', "\"a\rb\""},
        {"a\nb", u',', "\"a\nb\""},
        {"", u';', ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(frcsv::field(c.text, c.delimiter), c.expected) << c.text.toStdString();
}

TEST(CsvReader, QuotedFieldsComeBackWhole) {
    // Line ends inside a text, besides what the export tests send through
    // the filter.
    const QStringList texts = {"line\r\nbreak", "lf\nonly", "say \"hi\"", "a;b,c\td", "Привет; «ёлка»"};
    QTemporaryDir dir;
    for (QChar delimiter : {u';', u',', u'\t'}) {
        TfrTextExport::Row row;
        for (int i = 0; i < texts.size(); ++i)
            row.push_back(text(i * 64, texts[i]));
        const QString path = dir.filePath(QStringLiteral("q.csv"));
        writeFile(path, cp1251::encode(frcsv::line(row, delimiter, 1)) + "\r\n");
        EXPECT_EQ(readers::csvRecords(path, delimiter), QList<QStringList>{texts}) << char(delimiter.unicode());
    }
}

TEST(HtmlCell, CarriesColourSizeAndStyle) {
    struct Case {
        const char* name;
        TfrTextRec cell;
        QString expected;
    } cases[] = {
        {"red 8-point bold", text(0, "t", 8, fsBold, 0x0000FF),
         "<td><Font Color=\"#FF0000\" Size=2><b>t</td>"},
        {"black 10-point: no font tag", text(0, "t", 10), "<td>t</td>"},
        {"white counts as no colour", text(0, "t", 12, 0, clWhite), "<td>t</td>"},
        {"no colour counts as none", text(0, "t", 12, 0, clTransparent), "<td>t</td>"},
        {"only a size: two blanks before it", text(0, "t", 14), "<td><Font  Size=4>t</td>"},
        {"colour parts in red, green, blue order", text(0, "t", 11, 0, 0x123456),
         "<td><Font Color=\"#563412\">t</td>"},
        {"style tags italic, bold, underline", text(0, "t", 10, fsUnderline | fsBold | fsItalic | fsStrikeOut),
         "<td><i><b><u>t</td>"},
        {"markup characters escaped", text(0, "a<b & \"c\">", 10), "<td>a&lt;b &amp; &quot;c&quot;&gt;</td>"},
        {"picture", frhtml::pictureCell(5, 6, 70, 80, 0, "htm0.jpg"),
         "<td><img src=\"htm0.jpg\" width=\"70\" height=\"80\"></td>"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(frhtml::cell(c.cell, false), c.expected) << c.name;
    EXPECT_EQ(frhtml::cell(text(0, "a<b>c</b>", 10), true), "<td>a<b>c</b></td>") << "raw texts";
}

TEST(HtmlCell, SizeAttributeAtTheRangeEnds) {
    const std::pair<int, const char*> cases[] = {{0, "7"},   {5, "7"},   {6, "1"},   {7, "1"},   {8, "2"},
                                                 {9, "2"},   {10, ""},   {13, ""},   {14, "4"},  {17, "4"},
                                                 {18, "5"},  {23, "5"},  {24, "6"},  {35, "6"},  {36, "7"},
                                                 {-8, "7"}};
    for (auto [points, attribute] : cases)
        EXPECT_EQ(frhtml::sizeAttribute(points), QString::fromLatin1(attribute)) << points;
}

TEST(RtfRow, ByteLayout) {
    struct Case {
        const char* name;
        frrtf::TfrRtfOptions options;
        TfrTextExport::Row row;
        QByteArray expected;
    } cases[] = {
        {"tab stops at 20 twips a pixel", {}, {text(10, "a"), text(100, "b")},
         "\\pard\\tx200\\tx2000{\\tab\\f0\\fs20\\cf1 a\\tab b\\par}\r\n"},
        {"a table row", {.convertToTable = true}, {text(10, "a"), text(100, "b")},
         "\\trowd \\trgaph108\\cellx2000\\cellx3000 \\trleft200 \\pard \\intbl {\\f0\\fs20\\cf1 a}\\cell "
         "{\\f0\\fs20\\cf1 b}\\cell \\pard \\intbl \\row\r\n"},
        {"right-aligned text on a right tab stop", {}, {[] {
             TfrTextRec c = text(30, "r");
             c.alignment = frtaRight;
             return c;
         }()},
         "\\pard\\tqr\\tx600{\\tab\\f0\\fs20\\cf1 r\\par}\r\n"},
        {"changes only: font, size, style, colour", {},
         {text(0, "a", 10, fsBold), text(10, "b", 12, fsBold), text(20, "c", 12, fsBold, 0xFF, "Courier"),
          text(30, "d", 12, fsBold | fsItalic | fsUnderline, 0xFF, "Courier")},
         "\\pard\\tx0\\tx200\\tx400\\tx600{\\tab\\f0\\fs20\\b\\cf1 a\\tab\\fs24 b\\tab\\f1\\cf2 c"
         "\\tab\\i\\b\\ul d\\par}\r\n"},
        {"bits that turn off are switched off", {},
         {text(0, "a", 10, fsBold | fsItalic | fsUnderline), text(10, "b", 10, fsItalic), text(20, "c", 10, 0)},
         "\\pard\\tx0\\tx200\\tx400{\\tab\\f0\\fs20\\i\\b\\ul\\cf1 a\\tab\\i\\b0\\ul0 b\\tab\\i0 c\\par}\r\n"},
        {"table cells carry every format word and no off words", {.convertToTable = true},
         {text(0, "a", 10, fsBold), text(10, "b", 10, 0)},
         "\\trowd \\trgaph108\\cellx200\\cellx1200 \\trleft0 \\pard \\intbl {\\f0\\fs20\\b\\cf1 a}\\cell "
         "{\\f0\\fs20\\cf1 b}\\cell \\pard \\intbl \\row\r\n"},
        {"scale 2.6 doubles the twips", {.scaleX = 2.6}, {text(10, "a")},
         "\\pard\\tx400{\\tab\\f0\\fs20\\cf1 a\\par}\r\n"},
        {"braces, backslashes and Russian letters", {}, {text(0, "}{\\ Яя")},
         "\\pard\\tx0{\\tab\\f0\\fs20\\cf1 \\}\\{\\\\ \\'df\\'ff\\par}\r\n"},
    };
    for (const Case& c : cases) {
        frrtf::TfrRtfDocument doc(c.options);
        doc.addPage({c.row});
        QByteArray body = doc.finish();
        body = body.mid(body.indexOf("}\r\n", body.indexOf("{\\colortbl")) + 3);
        if (c.options.convertToTable)
            body.chop(int(qstrlen("\\pard\r\n\\par}")));
        else
            body.chop(int(qstrlen("\\par}")));
        EXPECT_EQ(body, c.expected) << c.name;
    }
}

TEST(RtfDocument, TablesPagesAndEmptyRows) {
    frrtf::TfrRtfDocument doc({.killEmptyLines = false});
    doc.addPage({{text(0, "a", 10, 0, clWhite)}, {}, {text(0, "b", 10, 0, 0x00FF00)}});
    doc.addPage({{text(0, "c", 10, 0, clBlack)}});
    const QByteArray expected = "{\\fonttbl{\\f0\\fcharset204 Arial}}\r\n"
                                "{\\colortbl;\\red0\\green0\\blue0;\\red0\\green255\\blue0;}\r\n"
                                "\\pard\\tx0{\\tab\\f0\\fs20\\cf1 a\\par}\r\n"
                                "{\\pard \\par}\r\n"
                                "\\pard\\tx0{\\tab\\f0\\fs20\\cf2 b\\par}\r\n"
                                "\\page\r\n"
                                "\\pard\\tx0{\\tab\\f0\\fs20\\cf1 c\\par}\r\n"
                                "\\par}";
    EXPECT_EQ(doc.finish(), expected);

    frrtf::TfrRtfDocument noBreaks({.pageBreaks = false});
    noBreaks.addPage({{text(0, "a")}, {}});
    noBreaks.addPage({{text(0, "b")}});
    const QByteArray out = noBreaks.finish();
    EXPECT_FALSE(out.contains("\\page"));
    EXPECT_FALSE(out.contains("{\\pard \\par}")) << "empty rows are left out by default";
}

TEST(RtfDocument, FontAndColourTablesWrapBefore255Characters) {
    frrtf::TfrRtfDocument doc;
    TfrTextExport::Row row;
    for (int i = 0; i < 60; ++i)
        row.push_back(text(i * 10, "x", 10, 0, TfrColor(0x010101 * (i + 1)),
                           QStringLiteral("Font number %1 {odd}").arg(i)));
    doc.addPage({row});
    const QByteArray out = doc.finish();
    const QList<QByteArray> lines = out.split('\n');
    int tableLines = 0;
    for (const QByteArray& line : lines) {
        if (line.startsWith("\\pard"))
            break;
        ++tableLines;
        EXPECT_LE(line.size(), 254 + 1) << line.constData(); // + the CR
        EXPECT_TRUE(line.endsWith('\r'));
    }
    EXPECT_GT(tableLines, 4);
    EXPECT_TRUE(out.contains("{\\f59\\fcharset204 Font number 59 \\{odd\\}}"));
    EXPECT_TRUE(out.contains("\\red60\\green60\\blue60;"));
}

TEST(RtfPicture, BitmapInAMetafileAsHexadecimalText) {
    QImage image(3, 2, QImage::Format_RGB888);
    image.fill(Qt::red);
    QByteArray bmp;
    QBuffer buffer(&bmp);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(image.save(&buffer, "BMP"));
    ASSERT_TRUE(frrtf::isBitmapFile(bmp));
    const std::uint32_t size = std::uint32_t(bmp.size());
    const QByteArray group = frrtf::pictureGroup({.x = 13, .y = 13, .width = 30, .height = 20, .pictureWidth = 3,
                                                  .pictureHeight = 2, .bitmap = bmp},
                                                 1.3);
    const QList<QByteArray> lines = group.split('\n');
    EXPECT_EQ(lines[0], "\\pard\\phmrg\\posx260\\posy200\\absh400\\absw600{\\pict\\wmetafile8\\picw794\\pich529 "
                        "\\picbmp\\picbpp4\r");
    auto le = [](std::uint32_t n, int bytes) {
        QByteArray s;
        for (int i = 0; i < bytes; ++i)
            s += QByteArray::number((n >> (8 * i)) & 0xFF, 16).toUpper().rightJustified(2, '0');
        return s;
    };
    const std::uint32_t v = size / 2 + 7;
    EXPECT_EQ(lines[1], "010009000003" + le(v + 36, 4) + "0000" + le(v, 4) +
                            "0000050000000b0200000000050000000c02" + "02000300" +
                            "05000000090200000000050000000102ffffff000400000007010300" + le(v, 4) +
                            "430f2000cc000000" + "02000300" + "00000000" + "02000300" + "00000000\r");
    // The bitmap after its 14-byte file header, 64 bytes a line.
    QByteArray hex;
    for (qsizetype i = 2; i < lines.size(); ++i)
        hex += lines[i].trimmed();
    const QByteArray tail = "030000000000}\\par";
    ASSERT_TRUE(hex.endsWith(tail));
    hex.chop(tail.size());
    EXPECT_EQ(QByteArray::fromHex(hex), bmp.mid(14));
    for (qsizetype i = 2; i + 1 < lines.size() - 1; ++i)
        EXPECT_EQ(lines[i].size(), 129) << "full lines of 64 bytes";

    EXPECT_FALSE(frrtf::isBitmapFile(bmp.left(bmp.size() - 1))) << "a file size the header does not give";
    EXPECT_FALSE(frrtf::isBitmapFile("BM"));
}
