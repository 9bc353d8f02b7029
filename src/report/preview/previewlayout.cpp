#include "report/preview/previewlayout.h"

#include "common/rounding.h"

#include <algorithm>
#include <iterator>
#include <cstdint>

namespace {

constexpr int kMargin = 10; // around and between pages
// Coordinates of the page area stay below this, however many pages there are.
constexpr std::int64_t kMaxCoordinate = 1'000'000'000;

std::int64_t clampCoordinate(std::int64_t v) { return std::clamp<std::int64_t>(v, 0, kMaxCoordinate); }

int scaled(int reportPixels, double zoom) {
    return static_cast<int>(std::clamp<std::int64_t>(roundHalfEven64(reportPixels * zoom), 1, 1'000'000));
}

} // namespace

double frPreviewZoom(TfrZoomMode mode, double fixedZoom, QSize box, QSize pageSize) {
    const double w = std::max(1, pageSize.width());
    const double h = std::max(1, pageSize.height());
    double zoom = fixedZoom;
    switch (mode) {
    case TfrZoomMode::Fixed:
        break;
    case TfrZoomMode::PageWidth:
        zoom = (box.width() - 20) / w;
        break;
    case TfrZoomMode::WholePage:
        zoom = (box.height() - 20) / h;
        break;
    case TfrZoomMode::TwoPages:
        zoom = (box.width() - 30) / (2 * w);
        break;
    }
    if (!(zoom >= kMinPreviewZoom)) // NaN too
        return kMinPreviewZoom;
    return std::min(zoom, kMaxPreviewZoom);
}

QString frZoomCaption(double zoom) { return QString::number(roundHalfEven(zoom * 100)) + u'%'; }

double frZoomStep(double zoom, int direction) {
    // Within half a percent of a step counts as on it; beyond the last step
    // in either direction the zoom stays.
    const double percent = zoom * 100;
    double next = percent;
    if (direction > 0) {
        next = std::max<double>(percent, kPreviewZoomSteps[std::size(kPreviewZoomSteps) - 1]);
        for (int step : kPreviewZoomSteps)
            if (step > percent + 0.5) {
                next = step;
                break;
            }
    } else if (direction < 0) {
        next = std::min<double>(percent, kPreviewZoomSteps[0]);
        for (int step : kPreviewZoomSteps)
            if (step < percent - 0.5)
                next = step;
    }
    return std::clamp(next / 100, kMinPreviewZoom, kMaxPreviewZoom);
}

std::optional<double> frParseZoom(const QString& text) {
    QString t = text.trimmed();
    if (t.endsWith(u'%'))
        t.chop(1);
    bool ok = false;
    const double percent = t.trimmed().toDouble(&ok);
    if (!ok || !(percent > 0) || percent > 1e6)
        return std::nullopt;
    return std::clamp(percent / 100, kMinPreviewZoom, kMaxPreviewZoom);
}

TfrPreviewLayout frLayoutPreview(const std::vector<QSize>& pageSizes, double zoom, TfrZoomMode mode, QSize box) {
    TfrPreviewLayout layout;
    const int count = static_cast<int>(pageSizes.size());
    std::vector<QSize> sizes;
    sizes.reserve(pageSizes.size());
    for (const QSize& s : pageSizes)
        sizes.emplace_back(scaled(s.width(), zoom), scaled(s.height(), zoom));

    if (mode == TfrZoomMode::WholePage) {
        layout.perRow = 1;
    } else if (mode == TfrZoomMode::TwoPages) {
        layout.perRow = 2;
    } else {
        int n = 0;
        std::int64_t x = kMargin;
        for (const QSize& s : sizes) {
            x += s.width() + kMargin;
            if (x > box.width())
                break;
            ++n;
        }
        layout.perRow = std::max(1, n);
    }

    layout.pages.resize(sizes.size());
    std::int64_t y = kMargin, right = 0, bottom = 0;
    for (int first = 0; first < count; first += layout.perRow) {
        const int last = std::min(count, first + layout.perRow);
        std::int64_t x = kMargin, rowHeight = 0;
        for (int i = first; i < last; ++i) {
            const QSize s = sizes[static_cast<std::size_t>(i)];
            std::int64_t left = x;
            // Only a page standing alone in every row is centred: the odd
            // last page of two-page mode stays on the left, as in a book.
            if (layout.perRow == 1 && s.width() < box.width())
                left = (box.width() - s.width()) / 2;
            const std::int64_t top = clampCoordinate(y);
            layout.pages[static_cast<std::size_t>(i)] =
                QRect(int(clampCoordinate(left)), int(top), s.width(), s.height());
            right = std::max(right, left + s.width());
            bottom = std::max(bottom, top + s.height());
            x = left + s.width() + kMargin;
            rowHeight = std::max<std::int64_t>(rowHeight, s.height());
        }
        y = clampCoordinate(y + rowHeight + kMargin);
    }
    layout.hMax = int(std::clamp<std::int64_t>(right - box.width() + kMargin, 0, kMaxCoordinate));
    layout.vMax = int(std::clamp<std::int64_t>(bottom - box.height() + kMargin, 0, kMaxCoordinate));
    return layout;
}

int frPageAtScroll(const TfrPreviewLayout& layout, int vPos, int fallback) {
    const std::int64_t line = std::int64_t(vPos) + 11;
    // Rows stand from the top and the pages of a row share its top: the row
    // that may hold the line is the last one starting at or above it.
    const auto& pages = layout.pages;
    const auto end = std::partition_point(pages.begin(), pages.end(), [line](const QRect& r) { return r.top() <= line; });
    if (end == pages.begin())
        return fallback;
    const int rowTop = (end - 1)->top();
    auto first = end;
    while (first != pages.begin() && (first - 1)->top() == rowTop)
        --first;
    for (auto it = first; it != end; ++it)
        if (it->top() + std::int64_t(it->height()) > line)
            return int(it - pages.begin());
    return fallback;
}

int frScrollToPage(const TfrPreviewLayout& layout, int index) {
    if (index < 0 || index >= int(layout.pages.size()))
        return 0;
    return std::clamp(layout.pages[std::size_t(index)].top() - kMargin, 0, layout.vMax);
}

int frStepPage(int current, int delta, int count) {
    if (count <= 0)
        return 0;
    const std::int64_t target = std::int64_t(current) + delta;
    return int(std::clamp<std::int64_t>(target, 0, count - 1));
}

int frScrollToShow(int extent, int to, int pageStart, int max) {
    std::int64_t p = std::int64_t(pageStart) - kMargin;
    if (std::int64_t(to) - p > extent)
        p = std::int64_t(to) - extent;
    return int(std::clamp<std::int64_t>(p, 0, std::max(0, max)));
}

int frNearestPage(const TfrPreviewLayout& layout, QPoint p) {
    int best = -1;
    std::int64_t bestDistance = 0;
    for (std::size_t i = 0; i < layout.pages.size(); ++i) {
        const QRect& r = layout.pages[i];
        const std::int64_t dx = std::max<std::int64_t>({std::int64_t(r.left()) - p.x(), 0, std::int64_t(p.x()) - r.right()});
        const std::int64_t dy = std::max<std::int64_t>({std::int64_t(r.top()) - p.y(), 0, std::int64_t(p.y()) - r.bottom()});
        const std::int64_t d = dx * dx + dy * dy;
        if (best < 0 || d < bestDistance) {
            best = int(i);
            bestDistance = d;
        }
        if (d == 0)
            break;
    }
    return best;
}

QPoint frScrollKeeping(const TfrPreviewLayout& before, double zoomBefore, QPoint scrollBefore,
                       const TfrPreviewLayout& after, double zoomAfter, QPoint anchor) {
    const QPoint point = anchor + scrollBefore;
    const int page = frNearestPage(before, point);
    if (page < 0 || std::size_t(page) >= after.pages.size() || !(zoomBefore > 0))
        return QPoint(std::clamp(scrollBefore.x(), 0, after.hMax), std::clamp(scrollBefore.y(), 0, after.vMax));
    // The point in the page's report pixels, then where it stands now.
    const QRect& was = before.pages[std::size_t(page)];
    const QRect& now = after.pages[std::size_t(page)];
    const double k = zoomAfter / zoomBefore;
    const std::int64_t x = now.left() + roundHalfEven64((point.x() - was.left()) * k) - anchor.x();
    const std::int64_t y = now.top() + roundHalfEven64((point.y() - was.top()) * k) - anchor.y();
    return QPoint(int(std::clamp<std::int64_t>(x, 0, after.hMax)), int(std::clamp<std::int64_t>(y, 0, after.vMax)));
}

std::optional<int> frLinkTargetPage(const QString& text, int pageCount) {
    const qsizetype at = text.indexOf(u'@');
    if (at < 0)
        return std::nullopt;
    std::int64_t n = 0;
    for (qsizetype i = at + 1; i < text.size() && text[i].isDigit() && n <= pageCount; ++i)
        n = n * 10 + text[i].digitValue();
    n = std::max<std::int64_t>(n, 1);
    if (n > pageCount)
        return std::nullopt;
    return int(n - 1);
}
