// Text export: columns and rows, overlapping texts, frames with corners, tees
// and crosses, empty lines, page breaks, the DOS code page, scales and text
// far down a page.

#include "exportfixture.h"

#include "common/cp1251.h"
#include "common/exception.h"
#include "common/textfile.h"
#include "report/export/textexport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class TextExport : public ::testing::Test, public ExportFixture {
protected:
    TextExport() {
        view = memo(QStringLiteral("M"), 0, 0, 10, 10, {});
        filter.onBeginPage();
    }
    // A text line of `view` as drawing gives it.
    void text(int x, int y, const QString& s, TfrEdges rect = {}, std::uint16_t frame = 0) {
        filter.onText(TfrExportLine{rect, x, y, view.get(), frame, s, &view->font, view->alignment});
    }
    // The page's lines with frame cells as plain characters (or box bytes).
    QStringList lines() {
        QStringList out;
        for (const QString& l : filter.pageLines())
            out << QString::fromLatin1(filter.encodeLine(l));
        return out;
    }

    std::unique_ptr<TfrMemoView> view;
    TfrTextExport filter;
};

TEST_F(TextExport, ColumnsRowsAndOverlaps) {
    filter.pageBreaks = false;
    text(0, 0, "ab");
    text(130, 0, "cd");          // column 20
    text(13, 14, "xyz");         // row 1, column 2
    text(19, 14, "QQ");          // column 3 overlaps: written right after
    view->alignment = frtaRight; // right-aligned text ends at its rectangle's right edge
    text(0, 28, "end", {0, 28, 65, 42});
    EXPECT_EQ(lines(), (QStringList{"ab" + QString(18, ' ') + "cd", "  xyzQQ", "       end"}));
}

TEST_F(TextExport, EmptyRowsAndPageBreaks) {
    text(0, 0, "a");
    text(0, 42, "b"); // row 3
    EXPECT_EQ(lines(), (QStringList{"a", "b", "\f"}));
    filter.killEmptyLines = false;
    EXPECT_EQ(lines(), (QStringList{"a", "", "", "b", "\f"}));
    // Among equal x the newest text comes first.
    text(0, 0, "N");
    EXPECT_EQ(filter.lines()[0][0].text, "N");
}

TEST_F(TextExport, FramedCellsShareBordersAsTeesAndCrosses) {
    filter.exportFrames = true;
    filter.pageBreaks = false;
    text(13, 0, "AB", {13, 0, 65, 14}, frftLeft | frftRight | frftTop | frftBottom);
    // Cells count from 1: the left line stands one character before the text.
    EXPECT_EQ(lines(), (QStringList{" +-------+ ", " |AB     | ", " +-------+ "}));

    // A neighbour to the right shares the vertical line: tees at its ends.
    text(91, 0, "CD", {65, 0, 130, 14}, frftLeft | frftRight | frftTop | frftBottom);
    filter.usePseudographic = true;
    const QStringList box = lines();
    ASSERT_EQ(box.size(), 3);
    EXPECT_EQ(box[0].toLatin1(), QByteArray(" \xDA") + QByteArray(7, '\xC4') + "\xC2" + QByteArray(9, '\xC4') + "\xBF ");
    EXPECT_EQ(box[1].toLatin1(), QByteArray(" \xB3" "AB     \xB3" "    CD   \xB3 "));
    EXPECT_EQ(box[2].toLatin1(), QByteArray(" \xC0") + QByteArray(7, '\xC4') + "\xC1" + QByteArray(9, '\xC4') + "\xD9 ");

    // A row below whose top line meets the bottom line: tees on the sides, a cross inside.
    text(13, 28, "EF", {13, 28, 65, 42}, frftLeft | frftRight | frftTop | frftBottom);
    text(91, 28, "GH", {65, 28, 130, 42}, frftLeft | frftRight | frftTop | frftBottom);
    const QStringList grid = lines();
    ASSERT_EQ(grid.size(), 5);
    EXPECT_EQ(grid[2].toLatin1(), QByteArray(" \xC3") + QByteArray(7, '\xC4') + "\xC5" + QByteArray(9, '\xC4') + "\xB4 ");
    EXPECT_EQ(grid[3].toLatin1(), QByteArray(" \xB3" "EF     \xB3" "    GH   \xB3 "));
}

TEST_F(TextExport, TopLineAboveTextMovesTheTextDown) {
    filter.exportFrames = true;
    filter.pageBreaks = false;
    text(0, 0, "head");
    text(13, 14, "AB", {13, 14, 65, 28}, frftTop | frftBottom); // no room above: a line is added
    EXPECT_EQ(lines(), (QStringList{"head", " --------- ", "  AB", " --------- "}));
}

TEST_F(TextExport, SideLineBeforeATopLineOnTheFirstRow) {
    filter.exportFrames = true;
    filter.pageBreaks = false;
    text(0, 0, "a", {0, 0, 20, 14}, frftRight);
    text(26, 0, "b", {26, 0, 46, 14}, frftTop);
    EXPECT_EQ(lines(), (QStringList{"   ---- ", "a | b"}));
}

TEST_F(TextExport, TextFarDownThePageIsKept) {
    filter.pageBreaks = false;
    filter.scaleY = 3; // rows of 14 / 3 pixels: y = 1050 is row 225
    text(0, 0, "top");
    text(0, 1050, "bottom");
    const QStringList out = lines();
    EXPECT_EQ(out, (QStringList{"top", "bottom"}));
    filter.killEmptyLines = false;
    EXPECT_EQ(filter.pageLines().size(), 226);
    // Damaged coordinates far outside any page are left out and counted.
    text(0, -500, "above");
    text(0, 2000000000, "below");
    EXPECT_EQ(filter.pageLines().size(), 226);
    // Text left of the page starts at its edge; text beyond the last column is left out.
    filter.onBeginPage();
    text(-2000000000, 0, "L");
    text(0, 0, "R");
    text(2000000000, 0, "far");
    EXPECT_EQ(lines(), (QStringList{"LR"}));
}

// Inputs the fuzzer found harmful (a page list line, then a prepared-report
// file): every page exported as text with frames, in bounded time and memory.
TEST(TextExportFindings, FuzzerInputsExportHarmlessly) {
    const QDir dir(QStringLiteral(OSTRAND_TEST_DATA_DIR "/fuzz"));
    const QStringList inputs = dir.entryList(QDir::Files);
    ASSERT_FALSE(inputs.isEmpty());
    for (const QString& name : inputs) {
        const QByteArray input = textfile::readFile(dir.filePath(name), textfile::MaxFileSize);
        TfrEngine engine;
        TfrReport report(engine);
        TfrEMFPages& pages = frPreparedPages(report);
        pages.loadFromStream(QByteArrayView(input).sliced(input.indexOf('\n') + 1));
        TfrTextExport text;
        text.exportFrames = true;
        text.killEmptyLines = false;
        for (int i = 0; i < pages.count(); ++i) {
            text.onBeginPage();
            try {
                pages.exportPage(i, [&](TfrView& view) { frExportObject(engine, text, view); });
            } catch (const Exception&) {
            }
            for (const QString& line : text.pageLines())
                EXPECT_LE(line.size(), TfrTextExport::maxColumns + 1) << name.toStdString();
        }
    }
}

TEST_F(TextExport, WritesPagesInCodePage1251OrDos) {
    QTemporaryDir dir;
    const int page = addPage();
    put(page, *memo(QStringLiteral("A"), 0, 0, 100, 20, {QStringLiteral("Ёлка №1")}));
    put(addPage(), *memo(QStringLiteral("B"), 13, 14, 100, 20, {QStringLiteral("я")}));
    const QString path = dir.filePath("out.txt");
    TfrTextExport text;
    ASSERT_EQ(frExportReport(report, text, path), TfrExportResult::Written);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), cp1251::encode(u"Ёлка №1\r\n\f\r\n  я\r\n\f\r\n"));
    f.close();
    text.convertToOEM = true;
    text.pageBreaks = false;
    frExportReport(report, text, path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("\xF0\xAB\xAA\xA0 \xFC" "1\r\n  \xEF\r\n"));
    EXPECT_EQ(frToOem(u"Я€"), QByteArray("\x9F?"));
}

} // namespace

#include "demopages.h"

namespace {

// A demo page's table with frames: neighbouring cells share their lines,
// right-aligned numbers stay inside their cells, and a cell without text
// keeps its frame.
TEST(TextExportDemo, TableCellsShareLinesAndKeepTheirTexts) {
    TfrEngine engine;
    TfrReport report(engine);
    report.pages().add();
    writeDemoPages(report, frPreparedPages(report), 1, 5);
    QTemporaryDir dir;
    TfrTextExport text;
    text.exportFrames = true;
    frExportReport(report, text, dir.filePath("d.txt"));
    QFile f(dir.filePath("d.txt"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QStringList lines = cp1251::decode(f.readAll()).split(QStringLiteral("\r\n"));
    QStringList table;
    for (const QString& l : lines)
        if (l.trimmed().startsWith(u'+') || l.trimmed().startsWith(u'|'))
            table << l;
    ASSERT_EQ(table.size(), 13) << lines.join('\n').toStdString(); // header and five rows with their borders
    for (const QString& l : table) {
        EXPECT_EQ(l.size(), table[0].size()) << l.toStdString();
        EXPECT_EQ(l.count(l.trimmed().startsWith(u'+') ? u'+' : u'|'), 7) << l.toStdString();
        EXPECT_FALSE(l.contains(QStringLiteral("||"))) << l.toStdString();
    }
    EXPECT_TRUE(table[3].contains(QStringLiteral("|    1| ПС 220 кВ Северная"))) << table[3].toStdString();
    EXPECT_TRUE(table[7].contains(QStringLiteral("|   ТС  |           |"))) << table[7].toStdString(); // no unit
}

} // namespace
