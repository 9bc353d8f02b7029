#include "grid/gridexport.h"

#include "common/cp1251.h"
#include "common/textfile.h"
#include "gridtestutil.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#ifndef Q_OS_WIN
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#endif

using namespace gridtest;

namespace {

QByteArray hex(const char* text) { return QByteArray::fromHex(QByteArray(text).replace(' ', "")); }
QByteArray cp(const QString& s) { return cp1251::encode(s); }
QByteArray readFile(const QString& path) { return textfile::readBytes(path).value_or("<missing>"); }

// One BIFF record of the written file.
struct Record {
    int type;
    QByteArray data;
};

std::vector<Record> records(const QByteArray& bytes) {
    std::vector<Record> out;
    qsizetype p = 0;
    while (p + 4 <= bytes.size()) {
        const int type = uchar(bytes[p]) | (uchar(bytes[p + 1]) << 8);
        const int len = uchar(bytes[p + 2]) | (uchar(bytes[p + 3]) << 8);
        out.push_back({type, bytes.mid(p + 4, len)});
        p += 4 + len;
    }
    EXPECT_EQ(p, bytes.size());
    return out;
}

int u16(const QByteArray& d, int at) { return uchar(d[at]) | (uchar(d[at + 1]) << 8); }

// The fixed part of a worksheet as laid out for this grid's appearance: BOF,
// CODEPAGE, GUTS, PALETTE, the five Arial fonts, the five grid fonts, one font per column,
// the 29 fixed formats, one format per column, the column widths, DIMENSIONS.
// Columns: alignment byte (0x21 left, 0x23 right) and width in pixels.
QByteArray worksheetStart(int groups, const std::vector<std::pair<int, int>>& columns) {
    QByteArray b;
    b += hex("09 04 06 00 00 00 10 00 00 00");
    b += hex("42 00 02 00 E3 04"); // code page 1251
    b += hex("80 00 08 00 00 00 00 00 00 00 00 00");
    b += hex("92 00 36 00 0D 00"
             "00 00 00 00" // header font: window text
             "C0 C0 C0 00" // header: button face
             "00 00 00 00" // group text: none
             "C0 C0 C0 00" // group rows: button face
             "00 00 00 00" // grid font
             "FF FF FF 00" // grid: window
             "00 00 00 00" // window frame
             "FF FF FF 00" // window
             "00 00 00 00" // band font
             "C0 C0 C0 00" // band
             "00 00 00 00" // row footer text
             "E0 E0 E0 00" // row footer: 3-D light
             "00 00 00 00"); // grid lines: none
    for (int i = 0; i < 4; ++i)
        b += hex("31 02 0C 00 C8 00 00 00 FF 7F 05") + "Arial";
    const QByteArray ms = hex("31 02 14 00 A0 00 00 00");
    b += ms + hex("0C 00 0D") + "MS Sans Serif";
    b += hex("31 02 0C 00 A0 00 00 00 08 00 05") + "Arial";
    b += ms + hex("0A 00 0D") + "MS Sans Serif";
    b += hex("31 02 0C 00 A0 00 00 00 10 00 05") + "Arial";
    b += ms + hex("12 00 0D") + "MS Sans Serif";
    for (std::size_t i = 0; i < columns.size(); ++i)
        b += ms + hex("0C 00 0D") + "MS Sans Serif";
    const char* xf[29] = {
        "00 00 F5 FF 20 00 00 CE 00 00 00 00", "01 00 F5 FF 20 F4 00 CE 00 00 00 00",
        "01 00 F5 FF 20 F4 00 CE 00 00 00 00", "02 00 F5 FF 20 F4 00 CE 00 00 00 00",
        "02 00 F5 FF 20 F4 00 CE 00 00 00 00", "00 00 F5 FF 20 F4 00 CE 00 00 00 00",
        "00 00 F5 FF 20 F4 00 CE 00 00 00 00", "00 00 F5 FF 20 F4 00 CE 00 00 00 00",
        "00 00 F5 FF 20 F4 00 CE 00 00 00 00", "00 00 F5 FF 20 F4 00 CE 00 00 00 00",
        "00 00 F5 FF 20 F4 00 CE 00 00 00 00", "00 00 F5 FF 20 F4 00 CE 00 00 00 00",
        "00 00 F5 FF 20 F4 00 CE 00 00 00 00", "00 00 F5 FF 20 F4 00 CE 00 00 00 00",
        "00 00 F5 FF 20 F4 00 CE 00 00 00 00", "00 00 01 00 20 00 00 CE 00 00 00 00",
        "01 21 F5 FF 20 F8 00 CE 00 00 00 00", "01 1F F5 FF 20 F8 00 CE 00 00 00 00",
        "01 20 F5 FF 20 F8 00 CE 00 00 00 00", "01 1E F5 FF 20 F8 00 CE 00 00 00 00",
        "01 0D F5 FF 20 F8 00 CE 00 00 00 00", "05 00 01 00 21 78 41 03 A1 A1 A1 A1",
        "06 00 01 00 22 78 41 02 71 71 71 71", "07 00 01 00 21 78 C1 02 00 00 00 00",
        "05 00 01 00 22 78 C1 02 B9 B9 B9 B9", "05 00 01 00 22 78 C1 02 B9 00 B9 00",
        "08 00 01 00 22 78 41 02 71 71 71 00", "09 00 01 00 21 78 C1 02 B9 B9 B9 B9",
        "09 00 01 00 21 78 C1 02 B9 00 B9 00"};
    for (const char* x : xf)
        b += hex("43 04 0C 00") + hex(x);
    for (std::size_t i = 0; i < columns.size(); ++i) {
        b += hex("43 04 0C 00");
        b += char(10 + i);
        b += hex("00 01 00");
        b += char(columns[i].first);
        b += hex("78 41 03 A1 A1 A1 A1");
    }
    auto colinfo = [&](int col, int width) {
        b += hex("7D 00 0C 00");
        for (int v : {col, col, width, 15, 0, 0}) {
            b += char(v & 0xFF);
            b += char(v >> 8);
        }
    };
    for (int g = 0; g < groups; ++g)
        colinfo(g, 400);
    for (std::size_t i = 0; i < columns.size(); ++i)
        colinfo(groups + int(i), columns[i].second * 36);
    b += hex("00 02 0A 00 00 00 FF FF 00 00 FF 00 00 00");
    return b;
}

class GridExportTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    TMemTable table{QStringLiteral("DS")};
    TGridRows grid;

    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }

    // Name (label "Имя", 10 characters), N integer (5), V float (8).
    void define() {
        defineTable(table, {"Name:s:40:Имя:10", "N:i:0::5", "V:f:0::8"});
    }
    void attach() { grid.rebuildColumns(table); }
};

} // namespace

TEST_F(GridExportTest, EmptySelectionWritesOnlyTheHeader) {
    define();
    attach();
    ExportGridToText(grid, path("e.tab"), true, QStringLiteral("\t"), QString(), QString());
    EXPECT_EQ(readFile(path("e.tab")), cp(u"Имя\tN\tV\r\n\r\n"_qs));

    ExportGridToExcel(grid, path("e.xls"), true);
    QByteArray xls = worksheetStart(0, {{0x21, 64}, {0x23, 34}, {0x23, 52}});
    xls += hex("04 02 0B 00 00 00 00 00 16 00 03 00 C8 EC FF");
    xls += hex("04 02 09 00 00 00 01 00 16 00 01 00 4E");
    xls += hex("04 02 09 00 00 00 02 00 16 00 01 00 56");
    xls += hex("0A 00 00 00");
    EXPECT_EQ(readFile(path("e.xls")).toHex(' '), xls.toHex(' '));

    ExportGridToHTML(grid, path("e.htm"), true);
    const QByteArray html = cp(
        u"<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 3.2//EN\">\r\n"
        "<HTML>\r\n"
        "<HEAD>\r\n"
        "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=windows-1251\">\r\n"
        "<TITLE>SelectionGrid1</TITLE> \r\n"
        "<STYLE>\r\n"
        "<!--\r\n"
        ".Band{font-family: Arial; font-size: 8pt; color: #000000}\r\n"
        ".Header{font-family: Arial; font-size: 8pt; color: #000000}\r\n"
        ".Footer{font-family: MS Sans Serif; font-size: 8pt; color: #000000}\r\n"
        ".RowFooter{font-family: MS Sans Serif; font-size: 8pt; color: #000000}\r\n"
        ".Group{font-family: MS Sans Serif; font-size: 8pt; color: #000000}\r\n"
        "-->\r\n"
        "</STYLE>\r\n"
        "</HEAD> \r\n"
        "<BODY BGCOLOR=#C0C0C0>\r\n"
        "<TABLE BORDER=1 CELLSPACING=0 CELLPADDING=1 BGCOLOR=#C0C0C0><TR><TD>\r\n"
        "<TABLE BORDER=1 CELLSPACING=0 CELLPADDING=1 BGCOLOR=#C0C0C0>\r\n"
        "<TR VALIGN=\"TOP\" class=\"Header\" BGCOLOR=#C0C0C0><TD NOWRAP WIDTH=64 ALIGN=\"LEFT\">Имя</TD>"
        "<TD NOWRAP WIDTH=34 ALIGN=\"LEFT\">N</TD><TD NOWRAP WIDTH=52 ALIGN=\"LEFT\">V</TD></TR>\r\n"
        "</TABLE>\r\n"
        "</TD></TR></TABLE>\r\n"
        "</BODY>\r\n"
        "</HTML>\r\n"_qs);
    EXPECT_EQ(readFile(path("e.htm")), html);
}

TEST_F(GridExportTest, OneGroupedColumnInAllThreeFormats) {
    define();
    addRow(table, {"a<b", "7", "1.5"});
    addRow(table, {"a<b", "", ""});
    addRow(table, {"c&d", "536870912", "-3"});
    attach();
    grid.groupBy(QStringLiteral("Name"));

    ExportGridToText(grid, path("g.tab"), true, QStringLiteral("\t"), QString(), QString());
    EXPECT_EQ(readFile(path("g.tab")), cp(u"N\tV\r\n"
                                          "\r\n"
                                          "Имя : a<b  Записей: 2 \r\n"
                                          "7\t1.5\r\n"
                                          "\t\r\n"
                                          "Имя : c&d  Записей: 1 \r\n"
                                          "536870912\t-3\r\n"_qs));

    ExportGridToHTML(grid, path("g.htm"), true);
    const QString cell = QStringLiteral(
        "<TD NOWRAP ALIGN=\"RIGHT\" BGCOLOR=#FFFFFF><FONT STYLE=\"font-family: MS Sans Serif; font-size: 8pt; "
        "color: #000000\">%1</FONT></TD>");
    const QString indent = QStringLiteral("<TD NOWRAP BGCOLOR=#C0C0C0 WIDTH=10></TD>");
    const QByteArray html = readFile(path("g.htm"));
    const QByteArray body = cp(
        u"<TABLE BORDER=1 CELLSPACING=0 CELLPADDING=1 BGCOLOR=#C0C0C0>\r\n"
        "<TR VALIGN=\"TOP\" class=\"Header\" BGCOLOR=#C0C0C0><TD NOWRAP WIDTH=10 COLSPAN=1></TD>"
        "<TD NOWRAP WIDTH=34 ALIGN=\"LEFT\">N</TD><TD NOWRAP WIDTH=52 ALIGN=\"LEFT\">V</TD></TR>\r\n"
        "<TR class=\"Group\" BGCOLOR=#C0C0C0><TD NOWRAP ALIGN=\"LEFT\" COLSPAN=3>Имя : a&lt;b  Записей: 2 </TD></TR>\r\n"_qs +
        u"<TR>"_qs + indent + cell.arg(u"7"_qs) + cell.arg(u"1.5"_qs) + u"</TR>\r\n"_qs + u"<TR>"_qs + indent +
        cell.arg(u"&nbsp;"_qs) + cell.arg(u"&nbsp;"_qs) + u"</TR>\r\n"_qs +
        u"<TR class=\"Group\" BGCOLOR=#C0C0C0><TD NOWRAP ALIGN=\"LEFT\" COLSPAN=3>Имя : c&amp;d  Записей: 1 "
        "</TD></TR>\r\n"_qs +
        u"<TR>"_qs + indent + cell.arg(u"536870912"_qs) + cell.arg(u"-3"_qs) + u"</TR>\r\n"_qs +
        u"</TABLE>\r\n</TD></TR></TABLE>\r\n</BODY>\r\n</HTML>\r\n"_qs);
    ASSERT_TRUE(html.endsWith(body)) << html.toStdString();

    ExportGridToExcel(grid, path("g.xls"), true);
    QByteArray xls = worksheetStart(1, {{0x23, 34}, {0x23, 52}});
    // Header: an empty indent cell, then the captions.
    xls += hex("01 02 06 00 00 00 00 00 17 00");
    xls += hex("04 02 09 00 00 00 01 00 16 00 01 00 4E");
    xls += hex("04 02 09 00 00 00 02 00 16 00 01 00 56");
    // Group row: its text in column 0, blanks elsewhere.
    const QByteArray groupA = cp(u"Имя : a<b  Записей: 2 "_qs);
    ASSERT_EQ(groupA.size(), 22);
    xls += hex("04 02 1E 00 01 00 00 00 17 00 16 00") + groupA;
    xls += hex("01 02 06 00 01 00 01 00 17 00");
    xls += hex("01 02 06 00 01 00 02 00 17 00");
    // 7 as RK 30, 1.5 as NUMBER.
    xls += hex("01 02 06 00 02 00 00 00 17 00");
    xls += hex("7E 02 0A 00 02 00 01 00 1D 00 1E 00 00 00");
    xls += hex("03 02 0E 00 02 00 02 00 1E 00 00 00 00 00 00 00 F8 3F");
    // No value: a blank cell with the column's format.
    xls += hex("01 02 06 00 03 00 00 00 17 00");
    xls += hex("01 02 06 00 03 00 01 00 1D 00");
    xls += hex("01 02 06 00 03 00 02 00 1E 00");
    const QByteArray groupC = cp(u"Имя : c&d  Записей: 1 "_qs);
    xls += hex("04 02 1E 00 04 00 00 00 17 00 16 00") + groupC;
    xls += hex("01 02 06 00 04 00 01 00 17 00");
    xls += hex("01 02 06 00 04 00 02 00 17 00");
    // 2^29 does not fit the RK form: a NUMBER.
    xls += hex("01 02 06 00 05 00 00 00 17 00");
    xls += hex("03 02 0E 00 05 00 01 00 1D 00 00 00 00 00 00 00 C0 41");
    xls += hex("03 02 0E 00 05 00 02 00 1E 00 00 00 00 00 00 00 08 C0");
    xls += hex("0A 00 00 00");
    EXPECT_EQ(readFile(path("g.xls")).toHex(' '), xls.toHex(' '));
}

TEST_F(GridExportTest, HtmlEscapesTextsAndDeclaresTheCodePage) {
    defineTable(table, {"Caption:s:40:A&B \"<x>\""});
    addRow(table, {"say \"hi\" & <b>"});
    addRow(table, {"Ёж"});
    attach();
    ExportGridToHTML(grid, path("x.htm"), true);
    const QByteArray html = readFile(path("x.htm"));
    EXPECT_TRUE(html.startsWith("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 3.2//EN\">\r\n<HTML>\r\n<HEAD>\r\n"
                                "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=windows-1251\">\r\n"
                                "<TITLE>"));
    EXPECT_TRUE(html.contains("ALIGN=\"LEFT\">A&amp;B &quot;&lt;x&gt;&quot;</TD>"));
    EXPECT_TRUE(html.contains("color: #000000\">say &quot;hi&quot; &amp; &lt;b&gt;</FONT></TD>"));
    EXPECT_TRUE(html.contains("color: #000000\">\xA8\xE6</FONT></TD>")); // cp1251
    EXPECT_FALSE(html.contains("<b>"));
}

TEST_F(GridExportTest, TextWriterUsesSeparatorAndTextsAroundValues) {
    define();
    addRow(table, {"x\ty", "1", "2.5"});
    attach();
    ExportGridToText(grid, path("t.txt"), true, QStringLiteral(";"), QStringLiteral("\""), QStringLiteral("'"));
    EXPECT_EQ(readFile(path("t.txt")), cp(u"Имя;N;V\r\n\r\n\"x y';\"1';\"2.5'\r\n"_qs));
}

TEST_F(GridExportTest, TabAndLineEndsInsideTextsBecomeBlanks) {
    defineTable(table, {"Name:s:40:Им\tя", "Kind:s:40:Вид"});
    addRow(table, {"a\tb\r\nc\rd\ne\x01", "k\n1"});
    addRow(table, {"\t", "k\n1"});
    attach();
    ExportGridToText(grid, path("n.tab"), true, QStringLiteral("\t"), QString(), QString());
    EXPECT_EQ(readFile(path("n.tab")), cp(u"Им я\tВид\r\n\r\na b  c d e \tk 1\r\n \tk 1\r\n"_qs));
    // Group texts too; every line still has one field per column.
    grid.groupBy(QStringLiteral("Kind"));
    ExportGridToText(grid, path("n.tab"), true, QStringLiteral("\t"), QString(), QString());
    EXPECT_EQ(readFile(path("n.tab")), cp(u"Им я\r\n\r\nВид : k 1  Записей: 2 \r\na b  c d e \r\n \r\n"_qs));
}

TEST_F(GridExportTest, TwoExportsAreByteIdentical) {
    define();
    for (int i = 0; i < 50; ++i)
        addRow(table, {QStringLiteral("имя %1").arg(i % 7), QString::number(i), QString::number(i / 3.0)});
    attach();
    grid.groupBy(QStringLiteral("Name"));
    grid.sortBy(QStringLiteral("V"), true);
    for (const char* ext : {"tab", "xls", "htm"}) {
        const QString a = path("a.") + QLatin1String(ext), b = path("b.") + QLatin1String(ext);
        for (const QString& p : {a, b}) {
            if (QByteArray(ext) == "tab")
                ExportGridToText(grid, p, true, QStringLiteral("\t"), QString(), QString());
            else if (QByteArray(ext) == "xls")
                ExportGridToExcel(grid, p, true);
            else
                ExportGridToHTML(grid, p, true);
        }
        EXPECT_GT(readFile(a).size(), 500);
        EXPECT_EQ(readFile(a), readFile(b)) << ext;
    }
}

TEST_F(GridExportTest, SpreadsheetRefusesMoreThan16384RowsBeforeWritingAnything) {
    defineTable(table, {"N:i"});
    for (int i = 0; i < 16383; ++i)
        addRow(table, {QString::number(i)});
    attach();
    // The header and 16383 data rows fit: the last row number is 16383.
    ExportGridToExcel(grid, path("max.xls"), true);
    int lastRow = 0;
    for (const Record& r : records(readFile(path("max.xls"))))
        if (r.type == 0x027E)
            lastRow = std::max(lastRow, u16(r.data, 0));
    EXPECT_EQ(lastRow, 16383);

    addRow(table, {"16383"});
    attach();
    const QByteArray before = readFile(path("max.xls"));
    const QString msg = errorOf([&] { ExportGridToExcel(grid, path("max.xls"), true); });
    EXPECT_TRUE(msg.contains(u"16384"_qs)) << msg.toStdString();
    EXPECT_TRUE(msg.contains(u"*.xlsx"_qs)) << msg.toStdString();
    EXPECT_TRUE(msg.contains(u"HTML"_qs)) << msg.toStdString();
    EXPECT_TRUE(msg.contains(u"текстов"_qs)) << msg.toStdString();
    // Without the header row one more data row fits.
    grid.appearance().showHeaders = false;
    ExportGridToExcel(grid, path("noheader.xls"), true);
    grid.appearance().showHeaders = true;
    EXPECT_EQ(readFile(path("max.xls")), before);
    EXPECT_FALSE(QFile::exists(path("none.xls")));
    errorOf([&] { ExportGridToExcel(grid, path("none.xls"), true); });
    EXPECT_FALSE(QFile::exists(path("none.xls")));
    // Text and HTML have no such limit.
    ExportGridToText(grid, path("all.tab"), true, QStringLiteral("\t"), QString(), QString());
    EXPECT_TRUE(readFile(path("all.tab")).endsWith("16382\r\n16383\r\n"));
}

TEST_F(GridExportTest, SpreadsheetLimitsOfTheRecordFormat) {
    defineTable(table, {"S:s:400::20000", "N:i"});
    addRow(table, {QString(300, u'ж'), "-536870912"});
    addRow(table, {"", "536870911"});
    addRow(table, {"", "-536870913"});
    attach();
    ExportGridToExcel(grid, path("l.xls"), true);
    std::vector<Record> labels, rks, numbers, colinfo;
    for (const Record& r : records(readFile(path("l.xls")))) {
        if (r.type == 0x0204)
            labels.push_back(r);
        if (r.type == 0x027E)
            rks.push_back(r);
        if (r.type == 0x0203)
            numbers.push_back(r);
        if (r.type == 0x007D)
            colinfo.push_back(r);
    }
    // Labels are cut to 255 characters.
    ASSERT_EQ(labels.size(), 2u + 3u);
    EXPECT_EQ(u16(labels[2].data, 6), 255);
    EXPECT_EQ(labels[2].data.size(), 8 + 255);
    // The RK range ends at -2^29 and 2^29 - 1.
    ASSERT_EQ(rks.size(), 2u);
    EXPECT_EQ(rks[0].data.mid(6), hex("02 00 00 80"));
    EXPECT_EQ(rks[1].data.mid(6), hex("FE FF FF 7F"));
    ASSERT_EQ(numbers.size(), 1u);
    double v;
    std::memcpy(&v, numbers[0].data.constData() + 6, 8);
    EXPECT_EQ(v, -536870913.0);
    // A width of 20000 characters is clamped to 16 bits.
    ASSERT_EQ(colinfo.size(), 2u);
    EXPECT_EQ(u16(colinfo[0].data, 4), 0xFFFF);
}

namespace {
// A writer that fails half-way through.
class FailingExport : public TGridExportText {
public:
    using TGridExportText::TGridExportText;
    void writeRow(int row) override {
        if (row == 1)
            throw Exception(QStringLiteral("disk full"));
        TGridExportText::writeRow(row);
    }
};
} // namespace

TEST_F(GridExportTest, AFailedSaveKeepsTheExistingFile) {
    define();
    addRow(table, {"a", "1", "1"});
    addRow(table, {"b", "2", "2"});
    attach();
    textfile::writeAtomically(path("keep.tab"), "old contents");
    FailingExport e(grid, path("keep.tab"));
    EXPECT_EQ(errorOf([&] { e.execute(); }), QStringLiteral("disk full"));
    EXPECT_EQ(readFile(path("keep.tab")), QByteArray("old contents"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"keep.tab"}); // no temporary left

    const QString bad = path("no/such/dir/x.tab");
    EXPECT_EQ(errorOf([&] { ExportGridToHTML(grid, bad, true); }), QStringLiteral("Cannot create file %1").arg(bad));
    // A directory or a FIFO in the way of the target stays what it is; every
    // writer refuses it.
    QDir(dir.path()).mkdir(QStringLiteral("sub"));
#ifndef Q_OS_WIN
    ASSERT_EQ(::mkfifo(QFile::encodeName(path("fifo")).constData(), 0600), 0);
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/null"), path("null")));
#endif
    for (const char* target : {"sub", "fifo", "null"}) {
        if (!QFileInfo(path(target)).exists())
            continue;
        for (int type = 0; type < 4; ++type) {
            SCOPED_TRACE(std::string(target) + " " + std::to_string(type));
            const QString msg = errorOf([&] {
                switch (type) {
                case 0: ExportGridToText(grid, path(target), true, QStringLiteral("\t"), QString(), QString()); break;
                case 1: ExportGridToExcel(grid, path(target), true); break;
                case 2: ExportGridToHTML(grid, path(target), true); break;
                default: ExportGridToXlsx(grid, path(target), true); break;
                }
            });
            EXPECT_TRUE(msg.contains(u"не обычный файл"_qs)) << msg.toStdString();
            EXPECT_FALSE(QFileInfo(path(target)).isFile());
        }
    }
    EXPECT_TRUE(QFileInfo(path("sub")).isDir());
    EXPECT_TRUE(QFileInfo(path("null")).isSymLink());
}

#ifndef Q_OS_WIN
TEST_F(GridExportTest, AFullDiskIsReportedWithTheSystemsReason) {
    // A file size limit makes the system refuse writes as a full disk does.
    defineTable(table, {"Name:s:40"});
    for (int i = 0; i < 3000; ++i)
        addRow(table, {QStringLiteral("значение %1").arg(i)});
    attach();
    textfile::writeAtomically(path("full.tab"), "old");
    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 8192;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    // (The workbook library does not notice failed writes of its own
    // temporary files, which a size limit hits before its output; on a full
    // disk its output fails as well, and the message names the system's
    // reason.)
    QStringList messages;
    for (int type = 0; type < 3; ++type)
        messages << errorOf([&] {
            switch (type) {
            case 0: ExportGridToText(grid, path("full.tab"), true, QStringLiteral("\t"), QString(), QString()); break;
            case 1: ExportGridToExcel(grid, path("full.tab"), true); break;
            default: ExportGridToHTML(grid, path("full.tab"), true); break;
            }
        });
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    for (int type = 0; type < 3; ++type)
        EXPECT_EQ(messages[type], "Ошибка записи файла " + path("full.tab") + ": " + qt_error_string(EFBIG)) << type;
    EXPECT_EQ(readFile(path("full.tab")), QByteArray("old"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"full.tab"});
}
#endif

TEST_F(GridExportTest, DetachedGridGivesAnEmptyFile) {
    textfile::writeAtomically(path("d.tab"), "old");
    ExportGridToText(grid, path("d.tab"), true, QStringLiteral("\t"), QString(), QString());
    EXPECT_EQ(readFile(path("d.tab")), QByteArray());
    ExportGridToExcel(grid, path("d.xls"), true);
    EXPECT_EQ(readFile(path("d.xls")), QByteArray());
}

// --- Real readers --------------------------------------------------------------

namespace {
QString pythonWithXlrd() {
    for (const QString& p : {QStringLiteral("/usr/bin/python3"), QStringLiteral("python3")}) {
        QProcess proc;
        proc.start(p, {QStringLiteral("-c"), QStringLiteral("import xlrd")});
        if (proc.waitForFinished(30000) && proc.exitStatus() == QProcess::NormalExit && proc.exitCode() == 0)
            return p;
    }
    return {};
}
} // namespace

TEST_F(GridExportTest, SpreadsheetReadsBackThroughXlrd) {
    const QString python = pythonWithXlrd();
    if (python.isEmpty())
        GTEST_SKIP() << "python3 with xlrd is not installed";
    define();
    addRow(table, {"Объект <1>", "7", "1.5"});
    addRow(table, {"Объект <1>", "-536870913", ""});
    addRow(table, {"Б", "", "2.25"});
    attach();
    grid.groupBy(QStringLiteral("Name"));
    ExportGridToExcel(grid, path("r.xls"), true);
    const char* script = R"PY(
import sys, xlrd
book = xlrd.open_workbook(sys.argv[1])
sheet = book.sheet_by_index(0)
out = []
for r in range(sheet.nrows):
    cells = []
    for c in range(sheet.ncols):
        v = sheet.cell_value(r, c)
        cells.append(repr(v) if isinstance(v, float) else v)
    out.append('|'.join(cells))
sys.stdout.buffer.write('\n'.join(out).encode('utf-8'))
)PY";
    QProcess proc;
    proc.start(python, {QStringLiteral("-c"), QString::fromLatin1(script), path("r.xls")});
    ASSERT_TRUE(proc.waitForFinished(60000));
    ASSERT_EQ(proc.exitCode(), 0) << proc.readAllStandardError().toStdString();
    const QString got = QString::fromUtf8(proc.readAllStandardOutput());
    EXPECT_EQ(got, u"|N|V\n"
                   "Имя : Б  Записей: 1 ||\n"
                   "||2.25\n"
                   "Имя : Объект <1>  Записей: 2 ||\n"
                   "|7.0|1.5\n"
                   "|-536870913.0|"_qs);
}

TEST_F(GridExportTest, SpreadsheetOpensInLibreOffice) {
    const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (soffice.isEmpty())
        GTEST_SKIP() << "soffice is not installed";
    define();
    addRow(table, {"abc", "7", "1.5"});
    attach();
    ExportGridToExcel(grid, path("lo.xls"), true);
    QProcess proc;
    proc.setWorkingDirectory(dir.path());
    // A profile of its own, so that runs in parallel do not meet in one.
    proc.start(soffice, {QStringLiteral("-env:UserInstallation=file://") + dir.filePath("lo-profile"),
                         QStringLiteral("--headless"), QStringLiteral("--convert-to"), QStringLiteral("csv"),
                         QStringLiteral("--outdir"), dir.path(), path("lo.xls")});
    ASSERT_TRUE(proc.waitForFinished(120000));
    const QByteArray csv = readFile(path("lo.csv"));
    EXPECT_TRUE(csv.startsWith(cp(u"Имя,N,V"_qs)) || csv.contains("N,V")) << csv.toStdString();
    EXPECT_TRUE(csv.contains("abc,7,1.5")) << csv.toStdString();
}

TEST_F(GridExportTest, SpreadsheetAtItsRowLimitReadsInXlrdAndLibreOffice) {
    const QString python = pythonWithXlrd();
    if (python.isEmpty())
        GTEST_SKIP() << "python3 with xlrd is not installed";
    defineTable(table, {"N:i", "S:s:20:Текст"});
    for (int i = 0; i < TGridExportExcel::MaxRows - 1; ++i)
        addRow(table, {QString::number(i), u"строка"_qs});
    attach();
    ExportGridToExcel(grid, path("limit.xls"), true);
    QProcess proc;
    proc.start(python, {QStringLiteral("-c"),
                        QStringLiteral("import sys, xlrd\n"
                                       "s = xlrd.open_workbook(sys.argv[1]).sheet_by_index(0)\n"
                                       "sys.stdout.buffer.write(('%d %s %r' % (s.nrows, s.cell_value(0, 1), "
                                       "s.cell_value(s.nrows - 1, 0))).encode('utf-8'))\n"),
                        path("limit.xls")});
    ASSERT_TRUE(proc.waitForFinished(120000));
    ASSERT_EQ(proc.exitCode(), 0) << proc.readAllStandardError().toStdString();
    EXPECT_EQ(QString::fromUtf8(proc.readAllStandardOutput()), u"16384 Текст 16382.0"_qs);

    const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (soffice.isEmpty())
        GTEST_SKIP() << "soffice is not installed";
    QProcess lo;
    lo.start(soffice, {QStringLiteral("-env:UserInstallation=file://") + dir.filePath("lo-profile"),
                       QStringLiteral("--headless"), QStringLiteral("--convert-to"),
                       QStringLiteral("csv:Text - txt - csv (StarCalc):44,34,76"), QStringLiteral("--outdir"),
                       dir.path(), path("limit.xls")});
    ASSERT_TRUE(lo.waitForFinished(180000));
    const QList<QByteArray> lines = readFile(path("limit.csv")).split('\n');
    ASSERT_GE(lines.size(), 16384);
    EXPECT_EQ(lines[0], QByteArray("N,Текст"));
    EXPECT_EQ(lines[16383], QByteArray("16382,строка"));
}

// --- Excel workbook --------------------------------------------------------------

namespace {
QString pythonWithOpenpyxl() {
    QProcess proc;
    proc.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), QStringLiteral("import openpyxl")});
    if (proc.waitForFinished(30000) && proc.exitStatus() == QProcess::NormalExit && proc.exitCode() == 0)
        return QStringLiteral("/usr/bin/python3");
    return {};
}

// Reads a workbook with openpyxl and compares every cell with the delimited-text
// export of the same grid: header captions, group rows (text at the group's
// level, bold, outline level) and record values (numbers as numbers, empty
// cells as no cell). Prints "same" or the first difference.
const char* kCompareWithText = R"PY(
import sys, openpyxl
book = openpyxl.load_workbook(sys.argv[1])
sheet = book.worksheets[0]
groups = int(sys.argv[3])
lines = open(sys.argv[2], 'rb').read().decode('cp1251').split('\r\n')
assert lines[-1] == '' and lines[1] == '', 'layout of the text file'
lines = [lines[0]] + lines[2:-1]
rows = list(sheet.iter_rows())
def fail(msg):
    sys.stdout.write(msg)
    sys.exit(0)
if len(rows) != len(lines):
    fail('rows %d, lines %d' % (len(rows), len(lines)))
width = groups + len(lines[0].split('\t'))
for r, (row, line) in enumerate(zip(rows, lines)):
    cells = [c.value for c in row] + [None] * (width - len(row))
    level = sheet.row_dimensions[r + 1].outlineLevel
    fields = line.split('\t')
    if r > 0 and any(cells[g] is not None for g in range(groups)):
        g = next(g for g in range(groups) if cells[g] is not None)
        if cells[g] != line or not row[g].font.b or level != g or any(v is not None for v in cells[g + 1:]):
            fail('group row %d: %r level %d, text %r' % (r, cells, level, line))
        continue
    if r > 0 and level != groups:
        fail('row %d: outline level %d' % (r, level))
    for i, text in enumerate(fields):
        v = cells[groups + i]
        if v is None:
            same = text == ''
        elif isinstance(v, str):
            same = v == text and r == 0 or (v == text and text != '')
        else:
            same = text != '' and float(text) == v and type(v) in (int, float)
        if not same:
            fail('row %d column %d: %r, text %r' % (r, i, v, text))
sys.stdout.write('same %d' % len(rows))
)PY";
} // namespace

TEST_F(GridExportTest, WorkbookReadsBackLikeTheTextExport) {
    const QString python = pythonWithOpenpyxl();
    if (python.isEmpty())
        GTEST_SKIP() << "python3 with openpyxl is not installed";
    defineTable(table, {"Name:s:40:Имя:10", "Kind:s:20:Вид", "N:i:0::5", "V:f:0::8"});
    addRow(table, {"Объект <1> & \"2\"", "ТС", "7", "1.5"});
    addRow(table, {"Ёлка", "ТИ", "", ""});
    addRow(table, {"", "ТС", "-536870913", "1E20"});
    addRow(table, {"x", "", "2147483647", "-0.000123456789012345"});
    addRow(table, {"ctl\x01\x1f\tx\r\n", "ТИ", "0", "3"});
    attach();
    struct Case {
        const char* name;
        std::vector<const char*> groupBy;
    };
    for (const Case& c : {Case{"plain", {}}, Case{"one", {"Kind"}}, Case{"two", {"Kind", "Name"}}}) {
        SCOPED_TRACE(c.name);
        std::vector<TGroupColumn> grouping;
        for (const char* g : c.groupBy)
            grouping.push_back({QString::fromLatin1(g), false});
        grid.setGrouping(grouping);
        grid.sortBy(QStringLiteral("N"), true);
        ExportGridToText(grid, path("w.tab"), true, QStringLiteral("\t"), QString(), QString());
        ExportGridToXlsx(grid, path("w.xlsx"), true);
        QProcess proc;
        proc.start(python, {QStringLiteral("-c"), QString::fromLatin1(kCompareWithText), path("w.xlsx"),
                            path("w.tab"), QString::number(c.groupBy.size())});
        ASSERT_TRUE(proc.waitForFinished(60000));
        ASSERT_EQ(proc.exitCode(), 0) << proc.readAllStandardError().toStdString();
        EXPECT_EQ(QString::fromUtf8(proc.readAllStandardOutput()),
                  QStringLiteral("same %1").arg(1 + grid.rowCount()));
    }
}
