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
