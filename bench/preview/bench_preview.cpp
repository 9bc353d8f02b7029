// The preview over a report of many pages: laying the pages out at a zoom,
// and scrolling, where every step paints the pages in view from their
// compact streams.

#include "benchsupport.h"
#include "demopages.h"

#include "report/builder/preparedpages.h"
#include "report/model/engine.h"
#include "report/preview/previewform.h"

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QPainter>
#include <benchmark/benchmark.h>

namespace {

void BM_Layout(benchmark::State& state) {
    const std::vector<QSize> sizes(std::size_t(state.range(0)), QSize(758, 1071));
    for (auto _ : state) {
        TfrPreviewLayout layout = frLayoutPreview(sizes, 0.25, TfrZoomMode::Fixed, {1200, 800});
        benchmark::DoNotOptimize(layout.pages.data());
    }
    state.counters["pages"] = double(state.range(0));
}
BENCHMARK(BM_Layout)->ArgName("pages")->Arg(10000)->Unit(benchmark::kMicrosecond);

// One scroll step down (Page Down: 200 pixels) through the middle of the
// report and the repaint of the view it causes, at page width or at 25 %
// (several pages in view).
void BM_ScrollStep(benchmark::State& state) {
    TfrEngine engine;
    TfrReport report(engine);
    TfrEMFPages& pages = frPreparedPages(report);
    writeDemoPages(report, pages, 10000);
    TfrPreviewForm form(report);
    form.setWindowState(Qt::WindowNoState);
    form.resize(1200, 800);
    form.show();
    QApplication::processEvents();
    if (state.range(0) == 0)
        form.setZoom(TfrZoomMode::PageWidth);
    else
        form.setZoom(TfrZoomMode::Fixed, int(state.range(0)));
    form.setCurrentPage(5000);
    QWidget* box = form.paintBox();
    QImage canvas(box->size(), QImage::Format_ARGB32_Premultiplied);
    QKeyEvent pageDown(QEvent::KeyPress, Qt::Key_PageDown, Qt::NoModifier);
    for (auto _ : state) {
        QApplication::sendEvent(&form, &pageDown);
        QPainter painter(&canvas);
        box->render(&painter);
    }
    state.counters["page"] = form.currentPage() + 1;
    state.counters["steps/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ScrollStep)->ArgName("zoom")->Arg(0)->Arg(25)->Unit(benchmark::kMillisecond);

// A search through the whole report for a text it does not hold: every page
// is rebuilt from its stream and its texts collected in drawing order.
void BM_SearchAllPages(benchmark::State& state) {
    TfrEngine engine;
    TfrReport report(engine);
    TfrEMFPages& pages = frPreparedPages(report);
    writeDemoPages(report, pages, int(state.range(0)));
    TfrPreviewForm form(report);
    form.setWindowState(Qt::WindowNoState);
    form.resize(1200, 800);
    form.show();
    QApplication::processEvents();
    for (auto _ : state)
        benchmark::DoNotOptimize(form.find(QStringLiteral("нет такого текста"), false, true));
    state.counters["pages/s"] =
        benchmark::Counter(double(state.iterations()) * double(state.range(0)), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SearchAllPages)->ArgName("pages")->Arg(1000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) { return benchsupport::run<QApplication>(argc, argv); }
