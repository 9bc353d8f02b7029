// The report builder: data loops, groups, page sequencing, two passes,
// splitting, columns, cancelling, and the errors that end runaway templates.

#include "buildfixture.h"

#include "common/textfile.h"

#include <QDir>
#include <QRegularExpression>

namespace {

using Pages = std::vector<QStringList>;

// Cancels when asked on the given page.
class CancelOnPage : public TfrBuildProgress {
public:
    explicit CancelOnPage(int page) : m_page(page) {}
    void pageStarted(int page, int, bool) override { m_current = page; }
    bool cancelRequested() override { return m_current >= m_page; }

private:
    int m_page;
    int m_current = 0;
};

} // namespace

// --- The simplest list, empty data, PrintIfEmpty, numbers as datasets -------

TEST_F(BuildTest, ListWithTitleHeaderDataAndFooter) {
    addRecord("A", "one", 1);
    addRecord("A", "two", 2);
    band(btReportTitle, 0, 20, "Title");
    memo(0, "Отчёт");
    band(btColumnHeader, 30, 20, "Header");
    memo(30, "Имя");
    band(btMasterData, 60, 20, "Data", "frDS");
    memo(60, "[LINE#] [Name] [Qty]");
    band(btPageFooter, 200, 20, "Footer").flags = frflags::OnFirstPage | frflags::OnLastPage;
    memo(200, "Страница [PAGE#] из [TOTALPAGES]");
    report.doublePassReport = true;
    const TfrBuildResult r = build();
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    EXPECT_EQ(listing(), (Pages{{"Отчёт", "Имя", "1 one 1", "2 two 2", "Страница 1 из 1"}}));
}

TEST_F(BuildTest, EmptyDataAndPrintIfEmpty) {
    band(btReportTitle, 0, 20, "Title");
    memo(0, "T");
    band(btMasterData, 60, 20, "Data", "frDS");
    memo(60, "[Name]");
    band(btReportSummary, 100, 20, "Summary");
    memo(100, "S");

    // Printed when empty: everything but the data.
    ASSERT_TRUE(build().ok());
    EXPECT_EQ(listing(), (Pages{{"T", "S"}}));

    // Not printed when empty: no page at all, and still a success.
    report.printIfEmpty = false;
    const TfrBuildResult r = build();
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(r.pages, 0);
}

TEST_F(BuildTest, NumbersAsDatasetsAndDetailLevels) {
    band(btMasterData, 0, 20, "Master", "3");
    memo(0, "M[LINE#]");
    band(btDetailData, 30, 20, "Detail", "2");
    memo(30, "d[LINE#]");
    band(btDetailFooter, 60, 20, "DetailFooter");
    memo(60, "f");
    ASSERT_TRUE(build().ok());
    EXPECT_EQ(listing(), (Pages{{"M1", "d1", "d2", "f", "M2", "d1", "d2", "f", "M3", "d1", "d2", "f"}}));
}

TEST_F(BuildTest, MasterWithoutDetailRecordsNeedsPrintIfSubsetEmpty) {
    // Detail records per master record: 2, none, 1.
    TfrUserDataset master(QStringLiteral("M")), detail(QStringLiteral("D"));
    master.rangeEnd = TfrRangeEnd::reCount;
    master.rangeEndCount = 3;
    const int counts[] = {2, 0, 1};
    detail.onCheckEOF = [&](TfrDataset& d, bool& eof) { eof = d.recNo >= counts[std::min(master.recNo, 2)]; };
    registry.addDataset(&master);
    registry.addDataset(&detail);
    band(btMasterData, 0, 20, "Master", "M");
    memo(0, "M[LINE#]");
    band(btDetailData, 30, 20, "Detail", "D");
    memo(30, "d");
    ASSERT_TRUE(build().ok());
    // The second master record prints nothing and is not counted.
    EXPECT_EQ(listing(), (Pages{{"M1", "d", "d", "M2", "d"}}));

    // A build gives the template back as it was: objects are found anew.
    report.findObject("Master")->flags |= frflags::PrintIfSubsetEmpty;
    ASSERT_TRUE(build().ok());
    EXPECT_EQ(listing(), (Pages{{"M1", "d", "d", "M2", "M3", "d"}}));
}

// --- Groups and their footers, Suppress across groups -----------------------

class GroupTest : public BuildTest {
public:
    GroupTest() {
        addRecord("П1", "a", 1);
        addRecord("П1", "b", 2);
        addRecord("П2", "c", 3);
        addRecord("П3", "d", 4);
        addRecord("П3", "e", 5);
        band(btGroupHeader, 0, 20, "GroupHeader", "[Sub]");
        memo(0, "<[Sub]>");
        band(btMasterData, 30, 20, "Data", "frDS");
        memo(30, "[LINE#][Name]");
        band(btGroupFooter, 60, 20, "GroupFooter");
        memo(60, "[Name] n=[COUNT()] s=[SUM([Qty])]");
        band(btReportSummary, 90, 20, "Summary");
        memo(90, "всего [SUM([Qty])]");
    }
};

TEST_F(GroupTest, FootersSeeTheLastRecordOfTheirGroup) {
    const TfrBuildResult r = build();
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    EXPECT_EQ(listing(), (Pages{{"<П1>", "1a", "2b", "b n=2 s=3", "<П2>", "1c", "c n=1 s=3", "<П3>", "1d", "2e",
                                 "e n=2 s=9", "всего 15"}}));
}

TEST_F(GroupTest, FormNewPageStartsEveryGroupButTheFirstOnANewPage) {
    report.findObject("GroupHeader")->flags |= frflags::FormNewPage;
    ASSERT_TRUE(build().ok());
    const Pages pages = listing();
    ASSERT_EQ(pages.size(), 3u);
    EXPECT_EQ(pages[0].first(), "<П1>");
    EXPECT_EQ(pages[1].first(), "<П2>");
    EXPECT_EQ(pages[2], (QStringList{"<П3>", "1d", "2e", "e n=2 s=9", "всего 15"}));
}

TEST_F(GroupTest, SuppressedValuePrintsAgainInEveryNewGroup) {
    // Every record shows the same constant: printed once per group.
    TfrMemoView& m = memo(30, "[Sub]=[1]");
    m.setBounds(300, 30, 100, 16);
    m.memo = QStringList{"x"};
    m.setFlag(frflags::Suppress, true);
    ASSERT_TRUE(build().ok());
    const QStringList texts = listing().at(0);
    EXPECT_EQ(texts.count("x"), 3);
}

// --- Page footers, two passes, page sequencing ------------------------------

class PagedTest : public BuildTest {
public:
    static constexpr int rowHeight = 100;
    // A list of `rows` records of `rowHeight` with a page footer showing the page.
    void list(int rows, std::uint16_t footerFlags) {
        band(btMasterData, 0, rowHeight, "Data", QString::number(rows));
        memo(0, "r[LINE#]");
        band(btPageFooter, 200, 20, "Footer").flags = footerFlags;
        memo(200, "[PAGE#]/[TOTALPAGES]");
        perPage = (pageRoom() - 20) / rowHeight;
    }
    static QStringList footers(const Pages& pages) {
        QStringList out;
        for (const QStringList& p : pages)
            for (const QString& t : p)
                if (t.contains(u'/'))
                    out << t;
        return out;
    }
    int perPage = 0;
};

TEST_F(PagedTest, PageFooterOnFirstAndLastPagesFollowsItsFlags) {
    struct Case {
        std::uint16_t flags;
        QStringList footers;
    };
    const Case cases[] = {
        {0, {"2/0"}},
        {frflags::OnFirstPage, {"1/0", "2/0"}},
        {frflags::OnLastPage, {"2/0", "3/0"}},
        {frflags::OnFirstPage | frflags::OnLastPage, {"1/0", "2/0", "3/0"}},
    };
    for (const Case& c : cases) {
        report.clear();
        addPage();
        list(0, c.flags);
        static_cast<TfrBandView*>(report.findObject("Data"))->setDataSourceName(QString::number(2 * perPage + 1));
        ASSERT_TRUE(build().ok());
        const Pages pages = listing();
        ASSERT_EQ(pages.size(), 3u);
        EXPECT_EQ(footers(pages), c.footers) << "flags " << c.flags;
    }
}

TEST_F(PagedTest, TwoPassesKnowTheTotalAndTheFinalPass) {
    list(1, frflags::OnFirstPage | frflags::OnLastPage);
    static_cast<TfrBandView*>(report.findObject("Data"))->setDataSourceName(QString::number(perPage + 1));
    memo(0, "[FINALPASS]").setBounds(300, 0, 100, 16);
    report.doublePassReport = true;
    ASSERT_TRUE(build().ok());
    const Pages pages = listing();
    EXPECT_EQ(footers(pages), (QStringList{"1/2", "2/2"}));
    EXPECT_TRUE(pages[0].contains("True"));
    EXPECT_FALSE(pages[0].contains("False"));

    report.doublePassReport = false;
    ASSERT_TRUE(build().ok());
    EXPECT_EQ(footers(listing()), (QStringList{"1/0", "2/0"}));

    // The first of two passes still sees the count the last build left:
    // here 2 from another two-pass build, read by the report title.
    report.doublePassReport = true;
    ASSERT_TRUE(build().ok());
    band(btReportTitle, 300, 10, "Title");
    memo(300, "t").script = QStringList{"if not FinalPass then FirstPassTotal := TotalPages"};
    ASSERT_TRUE(build().ok());
    EXPECT_EQ(engine.globalVariables().value(engine.globalVariables().indexOf("FirstPassTotal")).toInt(), 2);
}

TEST_F(PagedTest, PrintToPrevPageContinuesUnlessThePageEndedFull) {
    band(btReportTitle, 0, 20, "Title1");
    memo(0, "first");
    addPage().printToPrevPage = true;
    band(btReportTitle, 0, 20, "Title2", QString(), 1);
    memo(0, "second", 1);
    ASSERT_TRUE(build().ok());
    EXPECT_EQ(listing(), (Pages{{"first", "second"}}));

    // The first page filled exactly: the second starts a page of its own.
    report.findObject("Title1")->height = pageRoom();
    ASSERT_TRUE(build().ok());
    EXPECT_EQ(listing(), (Pages{{"first"}, {"second"}}));
}

TEST_F(BuildTest, MultipleReportRepeatsThePagesPerReportRecord) {
    addRecord("A", "x", 1);
    addRecord("B", "y", 2);
    addRecord("C", "z", 3);
    report.reportType = TfrReportType::rtMultiple;
    band(btReportTitle, 0, 20, "Title");
    memo(0, "[Name]");
    band(btMasterData, 30, 20, "Data", "2");
    memo(30, "[LINE#]");
    ASSERT_TRUE(build().ok());
    EXPECT_EQ(listing(), (Pages{{"x", "1", "2"}, {"y", "1", "2"}, {"z", "1", "2"}}));
}

TEST_F(BuildTest, BandColumnsPrintSideBySide) {
    TfrBandView& data = band(btMasterData, 0, 20, "Data", "4");
    data.columns = 3;
    data.columnWidth = 100;
    data.columnGap = 10;
    memo(0, "[LINE#]");
    band(btReportSummary, 40, 20, "Summary");
    memo(40, "end");
    ASSERT_TRUE(build().ok());
    const auto objects = placed(0);
    ASSERT_EQ(objects.size(), 5u);
    const int top = objects[0].top;
    const int left = objects[0].left;
    EXPECT_EQ(objects[1].left, left + 110);
    EXPECT_EQ(objects[2].left, left + 220);
    EXPECT_EQ(objects[1].top, top);
    EXPECT_EQ(objects[2].top, top);
    // The fourth starts the next row under the first; the summary below it.
    EXPECT_EQ(objects[3].left, left);
    EXPECT_EQ(objects[3].top, top + 20);
    EXPECT_EQ(objects[4].text, "end");
    EXPECT_EQ(objects[4].top, top + 40);
}

TEST_F(BuildTest, PageColumnsFillDownThenAcross) {
    page().columns = 2;
    page().columnGap = 10;
    const int rows = pageRoom() / 100;
    band(btMasterData, 0, 100, "Data", QString::number(rows + 1));
    memo(0, "[LINE#]");
    ASSERT_TRUE(build().ok());
    const auto objects = placed(0);
    ASSERT_EQ(objects.size(), static_cast<std::size_t>(rows + 1));
    EXPECT_EQ(objects[static_cast<std::size_t>(rows)].top, objects[0].top);
    EXPECT_GT(objects[static_cast<std::size_t>(rows)].left, objects[0].left);
}

// --- Stretching and splitting -------------------------------------------------

TEST_F(BuildTest, SplitBandContinuesItsTextOnTheNextPage) {
    // 16-pixel lines; twice as many lines as fit on a page.
    const int lines = 2 * pageRoom() / 16;
    QStringList text;
    for (int i = 1; i <= lines; ++i)
        text << QStringLiteral("L%1").arg(i);
    TfrBandView& b = band(btReportTitle, 0, 20, "Title");
    b.flags = frflags::Stretched | frflags::Breaked;
    TfrMemoView& m = memo(0, "");
    m.memo = text;
    m.flags = frflags::Stretched;
    m.gapY = 0;
    m.lineSpacing = 0;
    ASSERT_TRUE(build().ok());
    const Pages pages = listing();
    ASSERT_GE(pages.size(), 2u);
    // Every line printed once, in order, over the pages.
    QStringList all;
    for (const QStringList& p : pages)
        for (const QString& t : p)
            all << t.split(u'/');
    all.removeAll(QString());
    EXPECT_EQ(all.join(u' ').toStdString(), text.join(u' ').toStdString());
}

TEST_F(BuildTest, BandThatDoesNotFitMovesToTheNextPageBelowRepeatedHeader) {
    const int rows = (pageRoom() - 20) / 100 + 1;
    band(btMasterHeader, 0, 20, "Header").flags = frflags::RepeatHeader;
    memo(0, "head");
    band(btMasterData, 30, 100, "Data", QString::number(rows));
    memo(30, "[LINE#]");
    ASSERT_TRUE(build().ok());
    const Pages pages = listing();
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(pages[1], (QStringList{"head", QString::number(rows)}));
    const auto second = placed(1);
    EXPECT_EQ(second[1].top, second[0].top + 20);
}

// --- Events and progress ----------------------------------------------------------

// Every prepared page hears that it begins and ends (by its 0-based index),
// with or without a page footer printed on it.
TEST_F(PagedTest, EveryPageBeginsAndEndsOnce) {
    struct Case {
        const char* what;
        bool footer;
        std::uint16_t flags;
    };
    const Case cases[] = {
        {"no page footer", false, 0},
        {"footer between first and last", true, 0},
        {"footer on the last page", true, frflags::OnLastPage},
        {"footer on every page", true, frflags::OnFirstPage | frflags::OnLastPage},
    };
    for (const Case& c : cases) {
        report.clear();
        addPage();
        list(0, c.flags);
        static_cast<TfrBandView*>(report.findObject("Data"))->setDataSourceName(QString::number(2 * perPage + 1));
        if (!c.footer)
            page().deleteObject(page().indexOf(report.findObject("Footer")));
        QStringList events;
        report.onBeginDoc = [&] { events << "doc"; };
        report.onCrossBeginDoc = [&] { events << "cross"; };
        report.onBeginPage = [&](int i) { events << QStringLiteral("begin %1").arg(i); };
        report.onEndPage = [&](int i) { events << QStringLiteral("end %1").arg(i); };
        report.onEndDoc = [&] { events << "end doc"; };
        ASSERT_TRUE(build().ok()) << c.what;
        ASSERT_EQ(listing().size(), 3u) << c.what;
        EXPECT_EQ(events.join(", "), "doc, cross, begin 0, end 0, begin 1, end 1, begin 2, end 2, end doc") << c.what;
    }
}

// The progress line names the page being built: the first from the start,
// each following one when it is begun, the count at the end.
TEST_F(PagedTest, ProgressNamesThePageBeingBuilt) {
    class Recording : public TfrBuildProgress {
    public:
        void pageStarted(int page, int, bool) override { pages << QString::number(page); }
        bool cancelRequested() override { return false; }
        QStringList pages;
    } progress;
    list(0, 0);
    static_cast<TfrBandView*>(report.findObject("Data"))->setDataSourceName(QString::number(2 * perPage + 1));
    TfrBuildOptions options;
    options.progress = &progress;
    ASSERT_TRUE(build(options).ok());
    EXPECT_EQ(progress.pages.join(u' '), "1 1 2 3 3");
}

// STOPREPORT ends the build: where the user could have cancelled (a progress
// is shown) it counts as cancelled, in one pass as in two; the pages built
// so far stay after one pass.
TEST_F(BuildTest, StopReportCountsAsCancelledWhereTheUserCouldCancel) {
    class Silent : public TfrBuildProgress {
    public:
        void pageStarted(int, int, bool) override {}
        bool cancelRequested() override { return false; }
    } progress;
    band(btMasterData, 0, 20, "Data", "10").script = QStringList{"if [LINE#] = 3 then StopReport"};
    memo(0, "[LINE#]");
    struct Case {
        bool twoPasses, withProgress;
        TfrBuildResult::Status status;
        int pages;
    };
    const Case cases[] = {
        {false, true, TfrBuildResult::Status::Cancelled, 1},
        {true, true, TfrBuildResult::Status::Cancelled, 0},
        {false, false, TfrBuildResult::Status::Done, 1},
    };
    for (const Case& c : cases) {
        report.doublePassReport = c.twoPasses;
        TfrBuildOptions options;
        options.progress = c.withProgress ? &progress : nullptr;
        const TfrBuildResult r = build(options);
        EXPECT_EQ(r.status, c.status) << c.twoPasses << c.withProgress;
        EXPECT_EQ(r.pages, c.pages) << c.twoPasses << c.withProgress;
    }
}

// --- Cancelling, errors, the template kept --------------------------------------

TEST_F(BuildTest, CancelEndsTheBuildAndKeepsThePagesBuilt) {
    band(btMasterData, 0, 100, "Data", "1000");
    memo(0, "[LINE#]");
    CancelOnPage progress(3);
    TfrBuildOptions options;
    options.progress = &progress;
    const TfrBuildResult r = build(options);
    EXPECT_EQ(r.status, TfrBuildResult::Status::Cancelled);
    EXPECT_GE(r.pages, 3);
    EXPECT_LE(r.pages, 4);
    EXPECT_EQ(frPreparedPages(report).count(), r.pages);
}

TEST_F(BuildTest, BuildLeavesTheTemplatesObjectsAsTheyWere) {
    addRecord("A", "x", 1);
    addRecord("B", "y", 2);
    band(btMasterData, 0, 20, "Data", "frDS");
    TfrMemoView& m = memo(0, "[Name]");
    m.script = QStringList{"Memo1.Visible := False; Data.Height := 300"};
    band(btPageFooter, 200, 20, "Footer");
    struct Seen {
        const TfrView* address;
        std::int32_t id;
        std::int32_t top;
    };
    auto objects = [this] {
        std::vector<Seen> out;
        for (TfrView* v : report.allObjects())
            out.push_back({v, v->objectId, v->top});
        return out;
    };
    auto same = [](const std::vector<Seen>& a, const std::vector<Seen>& b) {
        return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](const Seen& x, const Seen& y) {
                   return x.address == y.address && x.id == y.id && x.top == y.top;
               });
    };
    const std::vector<Seen> before = objects();
    const QByteArray bytes = report.saveToStream();
    // During the build the script's changes and the band-local places belong
    // to the build's copy, never to the template.
    std::vector<Seen> during;
    report.onBeginBand = [&](TfrBandView& b) {
        if (during.empty())
            during = objects();
        EXPECT_NE(b.parentPage()->report(), &report);
    };
    ASSERT_TRUE(build().ok());
    EXPECT_TRUE(same(objects(), before));
    EXPECT_TRUE(same(during, before));
    EXPECT_TRUE(m.visible);
    const TfrPreparedPages* first = report.preparedPages();
    ASSERT_TRUE(build().ok());
    EXPECT_TRUE(same(objects(), before));
    EXPECT_EQ(report.saveToStream(), bytes);
    // Every build gives the report a new list of pages.
    EXPECT_NE(report.preparedPages(), first);
    EXPECT_EQ(listing(), (std::vector<QStringList>{{}}));
}

TEST_F(BuildTest, ExpressionErrorFailsWithTheOneMessageBox) {
    band(btMasterData, 0, 20, "Data", "2");
    memo(0, "[NoSuchName]");
    const TfrBuildResult r = build();
    EXPECT_EQ(r.status, TfrBuildResult::Status::Failed);
    EXPECT_EQ(frPreparedPages(report).count(), 0);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].title, "Ошибка");
    const QString& t = ui.messages[0].text;
    EXPECT_TRUE(t.startsWith("Возникла ошибка при обработке выражения\r[NoSuchName]\r\rДокумент: test.frf\rОбъект: Memo1\r"))
        << t.toStdString();
    EXPECT_TRUE(t.contains("NoSuchName")) << t.toStdString();
}

TEST_F(BuildTest, TemplateThatCannotBeStoredIsNotBuilt) {
    // More pages than a template holds: it could not be restored after a build.
    while (report.pages().count() <= 256)
        addPage();
    const TfrBuildResult r = build();
    EXPECT_EQ(r.status, TfrBuildResult::Status::Failed);
    EXPECT_EQ(report.pages().count(), 257);
    EXPECT_EQ(ui.messages.size(), 1u);
}

// Templates that would loop or recurse for ever end in an error naming the
// band or object.
TEST_F(BuildTest, RunawayTemplatesEndInAClearError) {
    struct Case {
        const char* what;
        std::function<void()> make;
        int maxPages;
        QString expected;
    };
    const std::vector<Case> cases = {
        {"child chain back to itself",
         [this] {
             band(btReportTitle, 0, 20, "Title").childBand = "ChildA";
             band(btChild, 30, 20, "ChildA").childBand = "ChildB";
             band(btChild, 60, 20, "ChildB").childBand = "ChildA";
         },
         0, "ChildA"},
        {"SHOWBAND of itself",
         [this] { band(btReportTitle, 0, 20, "Title").script = QStringList{"ShowBand(Title)"}; }, 0, "«Title»"},
        {"sub-report of its own page",
         [this] {
             addPage();
             auto* sub = static_cast<TfrSubReportView*>(page(1).add(engine.createObject(gtSubReport)));
             sub->setName("SubReport1");
             sub->subPage = 1;
         },
         0, "«SubReport1»"},
        {"sub-reports through each other",
         [this] {
             addPage();
             addPage();
             auto* a = static_cast<TfrSubReportView*>(page(1).add(engine.createObject(gtSubReport)));
             a->setName("SubA");
             a->subPage = 2;
             auto* b = static_cast<TfrSubReportView*>(page(2).add(engine.createObject(gtSubReport)));
             b->setName("SubB");
             b->subPage = 1;
         },
         0, "«Sub"},
        {"no room on any page",
         [this] {
             // The page header takes the whole page: the data never fits.
             band(btPageHeader, 0, pageRoom(), "Header").flags = frflags::OnFirstPage;
             band(btMasterData, pageRoom() + 10, 50, "Data", "3");
             memo(pageRoom() + 10, "x");
         },
         0, "«Data»"},
        {"a build that never ends",
         [this] {
             band(btMasterData, 0, 100, "Data", "999999999");
             memo(0, "[LINE#]");
         },
         5, "предел в 5 страниц"},
    };
    for (const Case& c : cases) {
        report.clear();
        addPage();
        ui.messages.clear();
        c.make();
        TfrBuildOptions options;
        options.maxPages = c.maxPages;
        const TfrBuildResult r = build(options);
        EXPECT_EQ(r.status, TfrBuildResult::Status::Failed) << c.what;
        EXPECT_TRUE(r.error.contains(c.expected)) << c.what << ": " << r.error.toStdString();
        EXPECT_EQ(ui.messages.size(), 1u) << c.what;
    }
}

// The program's builds, made with the default options, end runaway templates
// too: at the page limit, and at the objects one page holds when a band
// taking no room repeats without end.
TEST_F(BuildTest, DefaultLimitsEndRunawayBuilds) {
    installReportBuilder(engine);
    band(btMasterData, 0, pageRoom(), "Data", "999999999");
    memo(0, "[LINE#]");
    EXPECT_FALSE(report.prepareReport());
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_TRUE(ui.messages[0].text.contains(QStringLiteral("предел в %1 страниц").arg(frDefaultMaxPages)))
        << ui.messages[0].text.toStdString();

    report.findObject("Data")->height = 0;
    ui.messages.clear();
    EXPECT_FALSE(report.prepareReport());
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_TRUE(ui.messages[0].text.contains(
        QStringLiteral("больше %1 объектов (при выводе полосы «Data»)").arg(TfrEMFPages::maxObjectsPerPage)))
        << ui.messages[0].text.toStdString();
}

// --- Sub-reports ----------------------------------------------------------------

TEST_F(BuildTest, SubReportPrintsItsPageInsideTheBand) {
    band(btMasterData, 0, 40, "Master", "2");
    memo(0, "M[LINE#]");
    auto* sub = static_cast<TfrSubReportView*>(page().add(engine.createObject(gtSubReport)));
    sub->setName("SubReport1");
    sub->setBounds(200, 0, 200, 40);
    sub->subPage = 1;
    addPage();
    band(btMasterData, 0, 20, "SubData", "3", 1);
    memo(0, "s[LINE#]", 1);
    const TfrBuildResult r = build();
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    EXPECT_EQ(listing(), (Pages{{"M1", "s1", "s2", "s3", "M2", "s1", "s2", "s3"}}));
    // The second master record starts below the first one's sub-report.
    const auto objects = placed(0);
    EXPECT_EQ(objects[4].top, objects[3].top + 20);
    EXPECT_EQ(objects[1].left, objects[0].left + 200);
}

TEST_F(BuildTest, LongSubReportContinuesOnTheNextPageBelowThePageHeader) {
    const int rows = pageRoom() / 20 + 5;
    band(btPageHeader, 0, 20, "Header");
    memo(0, "head");
    engine.globalVariables().set("TitleRuns", TVariant(std::int32_t(0)));
    band(btReportTitle, 30, 20, "Title").script = QStringList{"Inc(TitleRuns)"};
    memo(30, "[TitleRuns]");
    auto* sub = static_cast<TfrSubReportView*>(page().add(engine.createObject(gtSubReport)));
    sub->setName("SubReport1");
    sub->setBounds(0, 30, 200, 20);
    sub->subPage = 1;
    addPage();
    band(btMasterData, 0, 20, "SubData", QString::number(rows), 1);
    memo(0, "s[LINE#]", 1);
    const TfrBuildResult r = build();
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    const Pages pages = listing();
    ASSERT_EQ(pages.size(), 2u);
    // The title's script ran once; every row printed once.
    EXPECT_EQ(pages[0].first(), "1");
    EXPECT_EQ(pages[1].first(), "head");
    EXPECT_EQ(pages[0].size() + pages[1].size(), static_cast<std::size_t>(rows + 2));
    EXPECT_EQ(pages[1].last(), QStringLiteral("s%1").arg(rows));
}

// --- Cross bands ------------------------------------------------------------------

TEST_F(BuildTest, CrossBandPrintsOneCellPerColumnAndOverflowsToTheNextPage) {
    band(btMasterData, 0, 20, "Rows", "2");
    memo(0, "r[LINE#]").setBounds(20, 0, 60, 16);
    TfrBandView& columns = band(btCrossData, 0, 0, "Columns", "3");
    columns.setBounds(100, 0, 100, 400);
    memo(0, "[LINE#].[COLUMN#]").setBounds(110, 0, 80, 16);
    ASSERT_TRUE(build().ok());
    EXPECT_EQ(listing(), (Pages{{"r1", "1.1", "1.2", "1.3", "r2", "2.1", "2.2", "2.3"}}));
    const auto objects = placed(0);
    EXPECT_EQ(objects[1].left, 110);
    EXPECT_EQ(objects[2].left, 210);
    EXPECT_EQ(objects[3].left, 310);
    EXPECT_EQ(objects[3].top, objects[0].top);

    // Columns past the right edge go on on a page of their own, at the same height.
    static_cast<TfrBandView*>(report.findObject("Columns"))->setDataSourceName("9");
    ASSERT_TRUE(build().ok());
    const Pages pages = listing();
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_TRUE(pages[0].contains("1.1") && pages[0].contains("2.1"));
    EXPECT_TRUE(pages[1].contains("1.9") && pages[1].contains("2.9"));
    EXPECT_FALSE(pages[1].contains("r2"));
}

// Templates the build fuzzer found harmful build to an end now (run under the
// sanitizers by OSTRAND_SANITIZE=1 scripts/test.sh), and leave the template
// as it was.
TEST_F(BuildTest, FuzzerFindingsBuildHarmlessly) {
    const QDir dir(QStringLiteral(OSTRAND_TEST_DATA_DIR "/fuzz-build"));
    const QStringList files = dir.entryList(QDir::Files);
    ASSERT_FALSE(files.isEmpty());
    for (const QString& name : files) {
        const auto data = textfile::readBytes(dir.filePath(name));
        ASSERT_TRUE(data) << name.toStdString();
        TfrReport fuzzed(engine);
        fuzzed.setDataRegistry(&registry);
        fuzzed.setDataset(&frDS);
        if (!fuzzed.loadFromStream(*data).ok())
            continue;
        const QByteArray before = fuzzed.saveToStream();
        TfrBuildOptions options;
        options.measurer = measurer.get();
        options.maxPages = 20;
        options.maxBandPrints = 5000;
        options.maxScriptSteps = 100000;
        options.showError = false;
        frBuildReport(fuzzed, options);
        EXPECT_EQ(fuzzed.saveToStream(), before) << name.toStdString();
    }
}
