#include "report/model/constants.h"
#include "report/model/engine.h"
#include "report/model/report.h"
#include "report/preview/pagesetup.h"
#include "report/preview/previewlayout.h"
#include "report/preview/previewsearch.h"

#include <gtest/gtest.h>
#include <tuple>

TEST(PreviewZoom, ModesFitThePageToTheBox) {
    struct Case {
        TfrZoomMode mode;
        double fixed;
        QSize box, page;
        double zoom;
    };
    const Case cases[] = {
        {TfrZoomMode::PageWidth, 0.5, {778, 500}, {758, 1071}, 1.0},
        {TfrZoomMode::PageWidth, 1.0, {399, 500}, {758, 1071}, 0.5},
        {TfrZoomMode::WholePage, 1.0, {2000, 555}, {758, 1070}, 0.5},
        {TfrZoomMode::TwoPages, 1.0, {1546, 500}, {758, 1071}, 1.0},
        {TfrZoomMode::Fixed, 0.75, {100, 100}, {758, 1071}, 0.75},
        // Degenerate boxes and pages stay within bounds.
        {TfrZoomMode::PageWidth, 1.0, {0, 0}, {758, 1071}, kMinPreviewZoom},
        {TfrZoomMode::WholePage, 1.0, {800, 600}, {0, 0}, kMaxPreviewZoom},
    };
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(frPreviewZoom(c.mode, c.fixed, c.box, c.page), c.zoom) << int(c.mode) << ' ' << c.box.width();
    EXPECT_EQ(frZoomCaption(1.0), "100%");
    EXPECT_EQ(frZoomCaption(0.255), "26%");
}

TEST(PreviewLayout, SmallPagesShareARowAndLonePagesAreCentred) {
    const std::vector<QSize> three(3, QSize(758, 1071));
    // At 25 % a page is 190 wide: three need 10 + 3 x 200 = 610 pixels.
    TfrPreviewLayout l = frLayoutPreview(three, 0.25, TfrZoomMode::Fixed, {700, 500});
    EXPECT_EQ(l.perRow, 3);
    ASSERT_EQ(l.pages.size(), 3u);
    EXPECT_EQ(l.pages[0], QRect(10, 10, 190, 268));
    EXPECT_EQ(l.pages[1], QRect(210, 10, 190, 268));
    EXPECT_EQ(l.pages[2], QRect(410, 10, 190, 268));
    EXPECT_EQ(l.hMax, 0);
    EXPECT_EQ(l.vMax, 0);

    // Two fit a narrower box; the third opens the next row on the left, under
    // the first (only pages standing one to a row are centred).
    l = frLayoutPreview(three, 0.25, TfrZoomMode::Fixed, {500, 300});
    EXPECT_EQ(l.perRow, 2);
    EXPECT_EQ(l.pages[1], QRect(210, 10, 190, 268));
    EXPECT_EQ(l.pages[2], QRect(10, 288, 190, 268));
    EXPECT_EQ(l.vMax, 288 + 268 - 300 + 10);

    // One per row: a narrower page is centred; the next row starts 10 below.
    const std::vector<QSize> mixed{{758, 1071}, {400, 500}};
    l = frLayoutPreview(mixed, 1.0, TfrZoomMode::Fixed, {778, 600});
    EXPECT_EQ(l.perRow, 1);
    EXPECT_EQ(l.pages[0], QRect(10, 10, 758, 1071));
    EXPECT_EQ(l.pages[1], QRect(189, 1091, 400, 500));
    EXPECT_EQ(l.vMax, 1091 + 500 - 600 + 10);

    // A page wider than the box stays at the margin and can be scrolled to.
    l = frLayoutPreview({{758, 1071}}, 2.0, TfrZoomMode::Fixed, {800, 600});
    EXPECT_EQ(l.pages[0].left(), 10);
    EXPECT_EQ(l.hMax, 10 + 1516 - 800 + 10);

    // Two pages: the odd last page stands on the left, as in a book.
    l = frLayoutPreview(three, 0.25, TfrZoomMode::TwoPages, {1200, 600});
    EXPECT_EQ(l.pages[1], QRect(210, 10, 190, 268));
    EXPECT_EQ(l.pages[2], QRect(10, 288, 190, 268));

    // Whole page and two pages keep their counts per row whatever the box.
    EXPECT_EQ(frLayoutPreview(three, 0.1, TfrZoomMode::WholePage, {2000, 500}).perRow, 1);
    EXPECT_EQ(frLayoutPreview(three, 0.1, TfrZoomMode::TwoPages, {2000, 500}).perRow, 2);
}

TEST(PreviewLayout, ScrollingFindsTheCurrentPageAndPagesStayInTheReport) {
    // Rows of two pages of different heights, then a lone page.
    const std::vector<QSize> sizes{{100, 300}, {100, 200}, {100, 300}};
    const TfrPreviewLayout l = frLayoutPreview(sizes, 1.0, TfrZoomMode::TwoPages, {230, 200});
    ASSERT_EQ(l.pages[2].top(), 320);
    EXPECT_EQ(frPageAtScroll(l, 0, 7), 0);
    EXPECT_EQ(frPageAtScroll(l, 298, 7), 0);     // line 309: still the first page
    EXPECT_EQ(frPageAtScroll(l, 300, 7), 7);     // line 311: between rows
    EXPECT_EQ(frPageAtScroll(l, 309, 7), 2);     // line 320: the next row
    EXPECT_EQ(frPageAtScroll(l, 100000, 7), 7);  // below everything
    EXPECT_EQ(frScrollToPage(l, 2), 310);
    EXPECT_EQ(frScrollToPage(l, 0), 0);
    EXPECT_EQ(frScrollToPage(l, 5), 0);

    struct Step {
        int current, delta, count, page;
    };
    const Step steps[] = {{0, 1, 3, 1}, {2, 1, 3, 2}, {0, -1, 3, 0}, {1, 1000000, 3, 2},
                          {1, -2147483647, 3, 0}, {0, 1, 0, 0}};
    for (const Step& s : steps)
        EXPECT_EQ(frStepPage(s.current, s.delta, s.count), s.page) << s.current << ' ' << s.delta;
}

TEST(PreviewZoom, StepsAndTypedPercentages) {
    const std::tuple<double, int, double> steps[] = {
        {1.0, 1, 1.25}, {1.0, -1, 0.75}, {1.1, 1, 1.25}, {1.1, -1, 1.0}, {0.999, 1, 1.25}, // within half a percent: on 100 %
        {0.1, -1, 0.1}, {10.0, 1, 10.0}, {0.05, 1, 0.1}, {0.05, -1, 0.05},
    };
    for (const auto& [zoom, direction, next] : steps)
        EXPECT_DOUBLE_EQ(frZoomStep(zoom, direction), next) << zoom << ' ' << direction;

    const std::pair<const char*, double> typed[] = {
        {"130", 1.3}, {" 130 % ", 1.3}, {"75%", 0.75}, {"100000", kMaxPreviewZoom}, {"0.5", kMinPreviewZoom},
        {"abc", -1}, {"", -1}, {"0", -1}, {"-50", -1}, {"nan", -1}, {"inf", -1}, {"1e300", -1},
    };
    for (const auto& [text, zoom] : typed)
        EXPECT_DOUBLE_EQ(frParseZoom(QString::fromUtf8(text)).value_or(-1), zoom) << text;
}

TEST(PreviewZoom, ChangingTheZoomKeepsThePointUnderTheMouse) {
    const std::vector<QSize> sizes(3, QSize(700, 1000));
    const QSize box(800, 600);
    const TfrPreviewLayout at100 = frLayoutPreview(sizes, 1.0, TfrZoomMode::Fixed, box);
    const TfrPreviewLayout at200 = frLayoutPreview(sizes, 2.0, TfrZoomMode::Fixed, box);
    const TfrPreviewLayout at50 = frLayoutPreview(sizes, 0.5, TfrZoomMode::Fixed, box);
    // Page 2 (0-based 1) stands at 50, 1020 at 100 %. The mouse at box point
    // 300, 200 with the view scrolled to 0, 1000 is over page pixel 250, 180.
    ASSERT_EQ(at100.pages[1].topLeft(), QPoint(50, 1020));
    const QPoint anchor(300, 200), scroll(0, 1000);
    const QPoint zoomed = frScrollKeeping(at100, 1.0, scroll, at200, 2.0, anchor);
    // At 200 % that page pixel is at page left + 500, page top + 360.
    const QPoint page2 = at200.pages[1].topLeft();
    EXPECT_EQ(zoomed + anchor, page2 + QPoint(500, 360));
    // Back to 100 %: the same place as before.
    EXPECT_EQ(frScrollKeeping(at200, 2.0, zoomed, at100, 1.0, anchor), scroll);
    // Zooming out far: as near as the scroll ranges allow.
    const QPoint out = frScrollKeeping(at100, 1.0, scroll, at50, 0.5, anchor);
    EXPECT_GE(out.y(), 0);
    EXPECT_LE(out.y(), at50.vMax);
    EXPECT_EQ(out.x(), 0);
    // A point between pages belongs to the nearest page.
    const QPoint gap(400, 1015 - 1000); // 5 pixels above page 2
    const QPoint kept = frScrollKeeping(at100, 1.0, scroll, at200, 2.0, gap);
    EXPECT_EQ(kept.y() + gap.y(), at200.pages[1].top() - 10);
    // Without pages nothing moves beyond the ranges.
    EXPECT_EQ(frScrollKeeping({}, 1.0, {50, 50}, {}, 2.0, {0, 0}), QPoint(0, 0));
}

TEST(PreviewLayout, FoundTextsAreScrolledIntoView) {
    // The page start goes 10 from the top ...
    EXPECT_EQ(frScrollToShow(500, 1400, 1100, 5000), 1090);
    // ... unless the text would end below the box: then it ends at the bottom.
    EXPECT_EQ(frScrollToShow(500, 1800, 1100, 5000), 1300);
    // Within the scroll range.
    EXPECT_EQ(frScrollToShow(500, 4900, 1100, 4000), 4000);
    EXPECT_EQ(frScrollToShow(500, 20, 5, 4000), 0);
}

TEST(PreviewLinks, PageNumbersAfterTheAtSign) {
    const std::pair<const char*, int> cases[] = {
        {"@2", 1}, {"@0", 0}, {"@", 0}, {"@1", 0}, {"Стр.@3", 2}, {"@4", -1}, {"@99999999999999999999", -1},
        {"no link", -1},
    };
    for (const auto& [text, page] : cases)
        EXPECT_EQ(frLinkTargetPage(QString::fromUtf8(text), 3).value_or(-1), page) << text;
}

TEST(PreviewPageSetup, MarginsAndPaperGoToTheReportPages) {
    // 18 report pixels are 5 mm.
    const std::pair<int, double> margins[] = {{0, 0.0}, {18, 5.0}, {36, 10.0}, {72, 20.0}, {-18, -5.0}};
    for (const auto& [pixels, millimetres] : margins) {
        EXPECT_DOUBLE_EQ(frPixelsToMillimetres(pixels), millimetres);
        EXPECT_EQ(frMillimetresToPixels(millimetres), pixels);
    }
    EXPECT_EQ(frMillimetresToPixels(1.0), 4); // 3.6
    EXPECT_EQ(frMillimetresToPixels(1e300), 36000);

    TfrEngine engine;
    TfrReport report(engine);
    report.pages().add();
    report.pages().add();
    report.pages()[1]->pageType = ptDialog;
    const TfrMargins dialogMargins = report.pages()[1]->margins;
    TfrPageSetup setup;
    setup.margins = {36, 18, 36, 72};
    setup.paperSize = 11; // A5
    setup.paperWidth = 2100;
    setup.paperHeight = 1480;
    setup.orientation = poLandscape;
    frApplyPageSetup(report, setup);
    const TfrPage& page = *report.pages()[0];
    EXPECT_EQ(page.margins, setup.margins);
    EXPECT_EQ(page.pSize, 11);
    EXPECT_EQ(page.pWidth, 2100);
    EXPECT_EQ(page.orientation, poLandscape);
    EXPECT_GT(page.prnInfo.pgw, page.prnInfo.pgh); // the geometry follows the landscape paper
    EXPECT_EQ(report.pages()[1]->margins, dialogMargins);
}

TEST(PreviewSearch, AStoppedSearchLeavesTheResumePointWhereItWas) {
    const std::vector<std::vector<TfrDrawnText>> texts{
        {{QStringLiteral("нет"), QRect()}},
        {{QStringLiteral("тоже нет"), QRect()}},
        {{QStringLiteral("Здесь"), QRect(1, 2, 3, 4)}},
    };
    int searched = 0;
    const auto textsOf = [&](int page) {
        ++searched;
        return texts.at(std::size_t(page));
    };
    TfrTextSearch search;
    search.start(QStringLiteral("здесь"), false, true, 0);
    EXPECT_FALSE(search.findNext(3, textsOf, [](int page) { return page < 1; }));
    EXPECT_EQ(searched, 1);
    EXPECT_FALSE(search.found());
    ASSERT_TRUE(search.findNext(3, textsOf));
    EXPECT_EQ(search.hitPage(), 2);
    EXPECT_EQ(search.hitBounds(), QRect(1, 2, 3, 4));
    EXPECT_EQ(search.text(), QStringLiteral("здесь")); // as typed
}
