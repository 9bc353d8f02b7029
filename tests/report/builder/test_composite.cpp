// Composite reports: the reports of a list built one after another into one
// set of prepared pages.

#include "buildfixture.h"

namespace {

using Pages = std::vector<QStringList>;

// The reports of a composite report, each one page with a title of its own
// (20 pixels high) and a page footer showing its page.
class CompositeTest : public BuildTest {
public:
    TfrReport& addReport(const QString& title) {
        auto r = std::make_unique<TfrReport>(engine);
        r->setDataRegistry(&registry);
        r->setDataset(&frDS);
        r->fileName = title + QStringLiteral(".frf");
        TfrPage& p = *r->pages().page(r->pages().add());
        p.margins = {20, 20, 20, 20};
        add(p, btReportTitle, 0, 20, title);
        add(p, btPageFooter, 200, 20, QStringLiteral("[PAGE#]/[TOTALPAGES]")).flags =
            frflags::OnFirstPage | frflags::OnLastPage;
        reports.push_back(std::move(r));
        composite.reports.emplace_back(reports.back().get());
        return *reports.back();
    }

    // A band with one memo of `text` on it.
    TfrBandView& add(TfrPage& p, int type, int y, int height, const QString& text) {
        auto* b = static_cast<TfrBandView*>(p.add(engine.createObject(gtBand)));
        b->setBandType(type);
        b->createUniqueName(p.report());
        b->setBounds(0, y, 500, height);
        b->flags = 0;
        auto* m = static_cast<TfrMemoView*>(p.add(engine.createObject(gtMemo)));
        m->createUniqueName(p.report());
        m->setBounds(40, y, 400, 16);
        m->memo = QStringList{text};
        return *b;
    }

    TfrBuildResult buildComposite(TfrBuildOptions options = {}) {
        options.measurer = measurer.get();
        return frBuildCompositeReport(composite, options);
    }

    std::vector<std::unique_ptr<TfrReport>> reports;
    TfrCompositeReport composite{engine};
};

} // namespace

// The next report goes on on the last page when its first page asks for it
// and has the same paper.
TEST_F(CompositeTest, ReportsFollowEachOtherOrShareThePage) {
    struct Case {
        const char* what;
        bool printToPrevPage;
        std::uint8_t orientation;
        Pages pages;
    };
    const Case cases[] = {
        {"pages of their own", false, poPortrait, {{"a", "1/0"}, {"b", "2/0"}}},
        // The page has its footer from the first report already.
        {"on the page before", true, poPortrait, {{"a", "1/0", "b"}}},
        {"other paper", true, poLandscape, {{"a", "1/0"}, {"b", "2/0"}}},
    };
    for (const Case& c : cases) {
        reports.clear();
        composite.reports.clear();
        addReport("a");
        TfrPage& second = *addReport("b").pages().page(0);
        second.printToPrevPage = c.printToPrevPage;
        second.changePaper(second.pSize, second.pWidth, second.pHeight, second.bin, c.orientation);
        const TfrBuildResult r = buildComposite();
        ASSERT_TRUE(r.ok()) << c.what << ": " << r.error.toStdString();
        EXPECT_EQ(listing(composite), c.pages) << c.what;
    }
}

TEST_F(CompositeTest, SecondReportStartsBelowTheFirstOnASharedPage) {
    addReport("a");
    addReport("b").pages().page(0)->printToPrevPage = true;
    ASSERT_TRUE(buildComposite().ok());
    const auto objects = placed(composite, 0);
    ASSERT_EQ(objects.size(), 3u);
    EXPECT_EQ(objects[0].text, "a");
    EXPECT_EQ(objects[2].text, "b");
    EXPECT_EQ(objects[2].top, objects[0].top + 20);
}

// Two passes count the pages of all reports; with a dataset the whole
// sequence repeats once per record; the composite report hears of every page.
TEST_F(CompositeTest, TwoPassesDatasetsAndEvents) {
    addRecord("A", "x", 1);
    addRecord("B", "y", 2);
    addReport("a");
    addReport("b");
    composite.doublePassReport = true;
    composite.setDataset(&frDS);
    QStringList events;
    composite.onBeginPage = [&](int i) { events << QStringLiteral("b%1").arg(i); };
    composite.onEndPage = [&](int i) { events << QStringLiteral("e%1").arg(i); };
    const TfrBuildResult r = buildComposite();
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    EXPECT_EQ(listing(composite), (Pages{{"a", "1/4"}, {"b", "2/4"}, {"a", "3/4"}, {"b", "4/4"}}));
    // Both passes, four pages each.
    EXPECT_EQ(events.join(u' '), "b0 e0 b1 e1 b2 e2 b3 e3 b0 e0 b1 e1 b2 e2 b3 e3");
    // The templates are left as they were.
    EXPECT_EQ(reports[0]->pages().page(0)->count(), 4);
}

// A report that fails ends the whole build with its error, and no pages.
TEST_F(CompositeTest, AFailingReportFailsTheBuild) {
    addReport("a");
    add(*addReport("b").pages().page(0), btMasterData, 40, 20, "[NoSuchName]").setDataSourceName("2");
    addReport("c");
    const TfrBuildResult r = buildComposite();
    EXPECT_EQ(r.status, TfrBuildResult::Status::Failed);
    EXPECT_TRUE(r.error.contains("b.frf")) << r.error.toStdString();
    EXPECT_EQ(r.pages, 0);
    EXPECT_EQ(frPreparedPages(composite).count(), 0);
    EXPECT_EQ(ui.messages.size(), 1u);
}
