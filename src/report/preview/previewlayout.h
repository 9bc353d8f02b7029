#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <optional>
#include <vector>

// The arithmetic of the preview window, kept apart from its widgets: zoom,
// where the pages stand, scrolling limits, the current page and the page
// jumps of links. Sizes are in screen pixels unless they say report pixels.

enum class TfrZoomMode {
    Fixed = 0,     // the chosen percentage
    PageWidth = 1, // the current page fills the box's width
    WholePage = 2, // the current page fills the box's height
    TwoPages = 3,  // two current pages side by side fill the width
};

// The percentages the zoom menu offers, largest first.
inline constexpr int kPreviewZoomPercents[] = {200, 150, 100, 75, 50, 25, 10};

// Zoom factors are kept within these bounds, so that a page of damaged size
// never asks for pages of millions of pixels or of none.
inline constexpr double kMinPreviewZoom = 0.01;
inline constexpr double kMaxPreviewZoom = 10.0;

// The zoom factor (1 = 100 %) of a mode for the painting box `box` and the
// current page's size in report pixels; Fixed gives `fixedZoom`.
double frPreviewZoom(TfrZoomMode mode, double fixedZoom, QSize box, QSize pageSize);

// What the zoom box shows: the rounded percentage and "%".
QString frZoomCaption(double zoom);

// The percentages zooming in and out steps through, smallest first.
inline constexpr int kPreviewZoomSteps[] = {10, 25, 50, 75, 100, 125, 150, 200, 300, 400, 600, 800, 1000};

// The zoom factor one step in (`direction` > 0) or out (< 0) from `zoom`:
// the next step beyond it; a zoom past the last step in that direction stays.
double frZoomStep(double zoom, int direction);

// A percentage the user typed into the zoom box ("130", "130 %", "130%"),
// as a zoom factor within the bounds; nothing when it is no number.
std::optional<double> frParseZoom(const QString& text);

// Where the pages stand at a zoom in a box, and how far the view scrolls.
struct TfrPreviewLayout {
    std::vector<QRect> pages; // in the coordinates of the unscrolled page area
    int perRow = 1;
    int hMax = 0, vMax = 0; // scroll ranges (0: nothing to scroll)
};

// Lays out pages of the given sizes (report pixels): rows of as many pages as
// fit the box (whole page: one, two pages: two) from a 10-pixel margin with
// 10-pixel gaps; a page alone in its row and narrower than the box is centred.
TfrPreviewLayout frLayoutPreview(const std::vector<QSize>& pageSizes, double zoom, TfrZoomMode mode, QSize box);

// The page (0-based) whose rectangle holds the line 11 pixels below the top of
// a view scrolled to `vPos`; `fallback` when the line falls between pages.
int frPageAtScroll(const TfrPreviewLayout& layout, int vPos, int fallback);

// The vertical scroll position that puts page `index` 10 pixels below the top
// of the box, within the scroll range.
int frScrollToPage(const TfrPreviewLayout& layout, int index);

// The page (0-based) after moving `delta` pages from `current`, kept within
// the report.
int frStepPage(int current, int delta, int count);

// Where a view must scroll along one axis to show a found text ending at `to`
// on a page starting at `pageStart`: the page start goes 10 pixels from the
// near edge of a box of `extent` pixels, unless the text would then end past
// the far edge, where it is brought instead. Within 0 and `max`.
int frScrollToShow(int extent, int to, int pageStart, int max);

// The page nearest to a point of the unscrolled page area (the page holding
// it when there is one); -1 without pages.
int frNearestPage(const TfrPreviewLayout& layout, QPoint point);

// The scroll position that keeps the point of the page area under `anchor`
// (a point of the box) under it when the layout changes from `before` at
// `zoomBefore`, scrolled to `scrollBefore`, to `after` at `zoomAfter`: the
// point is taken on its page (the nearest page when it falls between
// pages) and found on the same page at the new zoom. Within the new scroll
// ranges.
QPoint frScrollKeeping(const TfrPreviewLayout& before, double zoomBefore, QPoint scrollBefore,
                       const TfrPreviewLayout& after, double zoomAfter, QPoint anchor);

// The page a link text leads to: the number after "@" (at least 1) when it
// does not exceed the page count; 0-based. Nothing for other texts.
std::optional<int> frLinkTargetPage(const QString& text, int pageCount);
