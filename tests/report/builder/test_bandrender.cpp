// Band rendering: sub-reports over pages, cross rows, band alignment, the
// text of memos as printed.

#include "buildfixture.h"

namespace {

using Pages = std::vector<QStringList>;

QStringList numbered(const QString& prefix, int from, int to) {
    QStringList out;
    for (int i = from; i <= to; ++i)
        out << prefix + QString::number(i);
    return out;
}

std::int32_t globalInt(TfrEngine& engine, const char* name) {
    return engine.globalVariables().value(engine.globalVariables().indexOf(name)).toInt();
}

} // namespace

// --- Sub-reports that run past the page ----------------------------------------

// A sub-report page (rows of 20 pixels) inside a sub-report page: every
// inner row prints once, the rows that do not fit go on on the next pages.
TEST_F(BuildTest, NestedSubReportsContinueOverPages) {
    for (int innerRows : {30, 60}) {
        report.clear();
        addPage();
        band(btMasterData, 0, 20, "Outer", "1");
        memo(0, "o[LINE#]");
        subReport(200, 0, 200, 20, 1);
        addPage();
        band(btMasterData, 0, 20, "Middle", "2", 1);
        memo(0, "m[LINE#]", 1);
        subReport(200, 0, 200, 20, 2, 1);
        addPage();
        band(btMasterData, 0, 20, "Inner", QString::number(innerRows), 2);
        memo(0, "i[LINE#]", 2);
        TfrBuildOptions options;
        options.maxPages = 20;
        const TfrBuildResult r = build(options);
        ASSERT_TRUE(r.ok()) << innerRows << ": " << r.error.toStdString();
        const QStringList expected =
            QStringList{"o1", "m1"} + numbered("i", 1, innerRows) + QStringList{"m2"} + numbered("i", 1, innerRows);
        const Pages pages = listing();
        EXPECT_EQ(allTexts(pages).join(u' '), expected.join(u' ')) << innerRows;
        const int perPage = pageRoom() / 20;
        EXPECT_EQ(static_cast<int>(pages.size()), (2 * innerRows + perPage - 1) / perPage) << innerRows;
    }
}

// A band whose sub-report continues on the next page: the sub-report band
// that did not fit runs its script once, and the band holding the
// sub-report runs its own at its next record.
TEST_F(BuildTest, ScriptsRunOnceWhenASubReportContinues) {
    const int rows = pageRoom() / 20 + 5;
    engine.globalVariables().set("OuterRuns", TVariant(std::int32_t(0)));
    engine.globalVariables().set("InnerRuns", TVariant(std::int32_t(0)));
    band(btMasterData, 0, 20, "Outer", "2").script = QStringList{"Inc(OuterRuns)"};
    memo(0, "o[LINE#]");
    subReport(200, 0, 200, 20, 1);
    addPage();
    band(btMasterData, 0, 20, "Inner", QString::number(rows), 1).script = QStringList{"Inc(InnerRuns)"};
    memo(0, "i[LINE#]", 1);
    const TfrBuildResult r = build();
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    EXPECT_EQ(allTexts(listing()),
              QStringList{"o1"} + numbered("i", 1, rows) + QStringList{"o2"} + numbered("i", 1, rows));
    EXPECT_EQ(globalInt(engine, "OuterRuns"), 2);
    EXPECT_EQ(globalInt(engine, "InnerRuns"), 2 * rows);
}

// A sub-report lying outside every band prints with the objects outside bands.
TEST_F(BuildTest, SubReportOutsideBandsPrints) {
    band(btReportTitle, 0, 20, "Title");
    memo(0, "t");
    subReport(0, 300, 200, 20, 1);
    addPage();
    band(btMasterData, 0, 20, "Rows", "3", 1);
    memo(0, "s[LINE#]", 1);
    const TfrBuildResult r = build();
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    const Pages pages = listing();
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(pages[0], (QStringList{"s1", "s2", "s3", "t"}));
    // The rows stand where the sub-report stands; the flow goes on below them.
    const auto objects = placed(0);
    EXPECT_EQ(objects[0].top, 300);
    EXPECT_EQ(objects[2].top, 340);
    EXPECT_EQ(objects[3].top, 360);
}

// --- Band alignment --------------------------------------------------------------

// Band-aligned memos are laid out where their alignment puts them, and the
// prepared page holds them there.
TEST_F(BuildTest, AlignedMemosAreLaidOutWhereTheyStand) {
    const int left = page().printableLeft(), right = page().printableRight();
    const QString text = QStringLiteral("слово ").repeated(8).trimmed(); // 47 characters, 282 pixels
    band(btReportTitle, 0, 20, "Title");
    TfrMemoView& a = memo(0, "A");
    a.setBounds(40, 0, 60, 16);
    a.bandAlign = baLeft;
    TfrMemoView& rest = memo(0, text);
    rest.setBounds(110, 0, 60, 16);
    rest.bandAlign = baRest;
    TfrMemoView& c = memo(0, "C");
    c.setBounds(200, 0, 60, 16);
    c.bandAlign = baRight;
    TfrMemoView& wide = memo(0, text);
    wide.setBounds(40, 0, 60, 16);
    wide.bandAlign = baWidth;
    wide.top = 4;
    TfrMemoView& bottom = memo(0, "низ");
    bottom.setBounds(300, 0, 60, 10);
    bottom.bandAlign = baBottom;
    ASSERT_TRUE(build().ok());
    EXPECT_EQ(listing(), (Pages{{"A", text, "C", text, "низ"}}));
    const auto objects = placed(0);
    EXPECT_EQ(objects[0].left, left);
    EXPECT_EQ(objects[1].left, left + 60);
    EXPECT_EQ(objects[1].width, right - 60 - (left + 60));
    EXPECT_EQ(objects[2].left, right - 60);
    EXPECT_EQ(objects[3].left, left);
    EXPECT_EQ(objects[3].width, right - left - 1);
    // At the band's bottom, and written as placed.
    EXPECT_EQ(objects[4].top, objects[0].top + 20 - 10);
    EXPECT_EQ(frPreparedPages(report).loadPage(0).object(4)->bandAlign, baNone);
}

// A baWidth cell of a cross band spans its column: written with the cross
// band's width at its column, it is not spread over the page when drawn.
TEST_F(BuildTest, WidthAlignedCrossCellsSpanTheirColumn) {
    const int left = page().printableLeft(), right = page().printableRight();
    band(btMasterData, 0, 20, "Rows", "1");
    // The cross band spans the page, so the cell widened to the page lies in it.
    band(btCrossData, 0, 0, "Columns", "3").setBounds(0, 0, right, 400);
    TfrMemoView& cell = memo(0, "[COLUMN#]");
    cell.setBounds(100, 0, 50, 16);
    cell.bandAlign = baWidth;
    report.onPrintColumn = [](int, std::int32_t& width) { width = 100; };
    ASSERT_TRUE(build().ok());
    EXPECT_EQ(listing(), (Pages{{"1", "2", "3"}}));
    const auto objects = placed(0);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(objects[static_cast<std::size_t>(i)].left, left + 100 * i) << i;
        EXPECT_EQ(objects[static_cast<std::size_t>(i)].width, right) << i;
    }
}

// --- Cross bands -------------------------------------------------------------------

// A crossed band stretches to the tallest cell of all its columns.
TEST_F(BuildTest, CrossedBandIsMeasuredInEveryColumn) {
    addRecord("", "x", 1);
    addRecord("", "a b c d e f", 2);
    band(btMasterData, 0, 18, "Rows", "2").flags = frflags::Stretched;
    memo(0, "r[LINE#]").setBounds(20, 0, 60, 16);
    band(btCrossData, 0, 0, "Columns", "frDS").setBounds(100, 0, 100, 400);
    // Two pixels of text a line: one letter.
    memo(0, "[Name]").setBounds(110, 0, 12, 16);
    QStringList columns;
    report.onPrintColumn = [&](int column, std::int32_t&) { columns << QString::number(column); };
    ASSERT_TRUE(build().ok());
    EXPECT_EQ(listing(), (Pages{{"r1", "x", "a/b/c/d/e/f", "r2", "x", "a/b/c/d/e/f"}}));
    const auto objects = placed(0);
    const TfrMemoView& cell = *static_cast<TfrMemoView*>(report.findObject("Memo2"));
    EXPECT_EQ(objects[3].top - objects[0].top,
              6 * frLinePitch(cell.lineSpacing, frFontPixelHeight(cell.font.size)) + 2 * cell.gapY);
    // Measured and printed, column by column.
    EXPECT_EQ(columns.join(u' '), QStringLiteral("1 2 1 2 1 2 1 2"));
}

// A crossed band that may split prints its columns where it fits whole, and
// no cell at the cell's own place where it splits.
TEST_F(BuildTest, SplittingCrossedBandPrintsNoStrayCells) {
    const int rows = pageRoom() / 20 + 3;
    band(btMasterData, 0, 20, "Rows", QString::number(rows)).flags = frflags::Breaked;
    memo(0, "r[LINE#]").setBounds(20, 0, 60, 12);
    band(btCrossData, 0, 0, "Columns", "2").setBounds(100, 0, 100, 400);
    memo(0, "c[COLUMN#]").setBounds(110, 0, 60, 12);
    ASSERT_TRUE(build().ok());
    int cells = 0, labels = 0;
    for (int p = 0; p < static_cast<int>(listing().size()); ++p)
        for (const Placed& o : placed(p)) {
            if (o.text.startsWith(u'c')) {
                ++cells;
                EXPECT_GE(o.left, 110) << o.text.toStdString() << " on page " << p;
            } else {
                ++labels;
            }
        }
    EXPECT_EQ(labels, rows);
    // Only the row that split over the page break has no cells.
    EXPECT_EQ(cells, 2 * (rows - 1));
}

// Every band object of a cross type brings its cells; the last one gives the
// band its settings (here the dataset).
TEST_F(BuildTest, EveryCrossBandObjectBringsItsCells) {
    band(btMasterData, 0, 20, "Rows", "1");
    memo(0, "r").setBounds(20, 0, 60, 16);
    band(btCrossData, 0, 0, "ColumnsA", "5").setBounds(100, 0, 100, 400);
    memo(0, "a[COLUMN#]").setBounds(110, 0, 60, 16);
    band(btCrossData, 0, 0, "ColumnsB", "2").setBounds(300, 0, 100, 400);
    memo(0, "b[COLUMN#]").setBounds(310, 0, 60, 16);
    ASSERT_TRUE(build().ok());
    EXPECT_EQ(listing(), (Pages{{"r", "a1", "b1", "a2", "b2"}}));
}

// --- Stretched bands that are placed, not flowed -----------------------------------

// A stretched overlay moves the cursor below itself; a stretched page footer
// stays at the page's bottom and moves nothing.
TEST_F(BuildTest, StretchedOverlayMovesTheCursor) {
    band(btOverlay, 0, 50, "Overlay").flags = frflags::Stretched;
    memo(0, "фон");
    band(btReportTitle, 100, 20, "Title");
    memo(100, "t");
    band(btPageFooter, 200, 20, "Footer").flags = frflags::Stretched | frflags::OnFirstPage | frflags::OnLastPage;
    memo(200, "f");
    ASSERT_TRUE(build().ok());
    EXPECT_EQ(listing(), (Pages{{"фон", "t", "f"}}));
    const auto objects = placed(0);
    EXPECT_EQ(objects[1].top, page().printableTop() + 50);
    EXPECT_EQ(objects[2].top, page().printableBottom() - 20);
}

// --- Memo text as printed ----------------------------------------------------------

TEST_F(BuildTest, MemoTextIsWrappedAsLaidOut) {
    struct Case {
        const char* what;
        QString text;
        std::uint16_t flags;
        int width;
        QString printed;
        int drawnWidth;
    };
    const Case cases[] = {
        // AutoWidth wraps at the design width, then takes its widest line:
        // 4 characters, the frame, both gaps and a pixel.
        {"AutoWidth", "aaaa bbbb cccc", frflags::WordWrap | frflags::AutoWidth, 40, "aaaa/bbbb/cccc", 24 + 1 + 4 + 1},
        // A blank and a word longer than the line: the word is cut, no empty line first.
        {"leading blank", " abcdefghij", frflags::WordWrap, 28, " abc/defg/hij", 28},
    };
    for (const Case& c : cases) {
        report.clear();
        addPage();
        band(btReportTitle, 0, 20, "Title").flags = frflags::Stretched;
        TfrMemoView& m = memo(0, c.text);
        m.flags = c.flags;
        m.setBounds(40, 0, c.width, 16);
        ASSERT_TRUE(build().ok()) << c.what;
        EXPECT_EQ(listing().at(0).value(0), c.printed) << c.what;
        EXPECT_EQ(placed(0)[0].width, c.drawnWidth) << c.what;
    }
}

// --- Geometry out of all proportion --------------------------------------------------

// Frame widths and gaps of billions of pixels in a template: a stretched memo
// that can never fit a line ends the build with an error naming its band
// (the heights left over are held within bounds on the way).
TEST_F(BuildTest, OutsizedFramesAndGapsEndInAnError) {
    band(btReportTitle, 0, 20, "Title").flags = frflags::Stretched;
    TfrMemoView& m = memo(0, QString());
    m.memo = numbered("L", 1, 300);
    m.flags |= frflags::Stretched;
    m.frameWidth = 1e9f;
    m.gapY = 2000000000;
    const TfrBuildResult result = build();
    EXPECT_FALSE(result.ok());
    EXPECT_TRUE(result.error.contains(QStringLiteral("Title"))) << result.error.toStdString();
}
