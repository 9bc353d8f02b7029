// Prepared pages: printing a demo-like report into page streams, the memory
// its pages take, the prepared-report file, and rebuilding and drawing a page.
//
// Pages come from tests/report/support/demopages.cpp: a title, a table header,
// 40 rows of six framed memos and a footer per page, printed through the memo
// printer with the program's font measurer.

#include "benchsupport.h"
#include "demopages.h"
#include "report/builder/preparedpages.h"
#include "report/model/engine.h"

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <map>
#include <sys/resource.h>

namespace {

TfrEngine& engine() {
    static TfrEngine e;
    return e;
}

// The pages of one report of `count` pages, printed once per process.
TfrEMFPages& demo(int count) {
    static std::map<int, std::pair<std::unique_ptr<TfrReport>, std::unique_ptr<TfrEMFPages>>> made;
    auto& [report, pages] = made[count];
    if (!pages) {
        report = std::make_unique<TfrReport>(engine());
        pages = std::make_unique<TfrEMFPages>(*report);
        writeDemoPages(*report, *pages, count);
    }
    return *pages;
}

// Printing pages: memos laid out and written into the streams.
void BM_PrintPages(benchmark::State& state) {
    const int count = int(state.range(0));
    qint64 bytes = 0, held = 0;
    for (auto _ : state) {
        TfrReport report(engine());
        TfrEMFPages pages(report);
        writeDemoPages(report, pages, count);
        bytes = pages.streamBytes();
        held = pages.heldBytes();
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["pages/s"] = benchmark::Counter(double(count) * state.iterations(), benchmark::Counter::kIsRate);
    state.counters["bytes_per_page"] = double(bytes) / count;
    state.counters["held_per_page"] = double(held) / count;
}
BENCHMARK(BM_PrintPages)->ArgName("pages")->Arg(100)->Unit(benchmark::kMillisecond);

// A report of many pages held in memory: stream bytes per page and the
// process's peak (run one size per process to read it for that size).
void BM_HoldPages(benchmark::State& state) {
    const int count = int(state.range(0));
    TfrEMFPages& pages = demo(count);
    for (auto _ : state)
        benchmark::DoNotOptimize(pages.count());
    state.counters["bytes_per_page"] = double(pages.streamBytes()) / count;
    state.counters["held_per_page"] = double(pages.heldBytes()) / count;
    state.counters["held_MB"] = double(pages.heldBytes()) / (1 << 20);
    state.counters["peak_MB"] = benchsupport::peakMegabytes();
}
BENCHMARK(BM_HoldPages)->ArgName("pages")->Arg(100)->Arg(10000)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_SaveFile(benchmark::State& state) {
    TfrEMFPages& pages = demo(int(state.range(0)));
    qint64 size = 0;
    for (auto _ : state) {
        const QByteArray file = pages.saveToStream();
        size = file.size();
        benchmark::DoNotOptimize(file.data());
    }
    state.SetBytesProcessed(size * state.iterations());
    state.counters["file_MB"] = double(size) / (1 << 20);
}
BENCHMARK(BM_SaveFile)->ArgName("pages")->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_LoadFile(benchmark::State& state) {
    const QByteArray file = demo(int(state.range(0))).saveToStream();
    for (auto _ : state) {
        TfrReport report(engine());
        TfrEMFPages pages(report);
        if (!pages.loadFromStream(file).ok())
            state.SkipWithError("the file does not load");
        benchmark::DoNotOptimize(pages.count());
    }
    state.SetBytesProcessed(file.size() * state.iterations());
}
BENCHMARK(BM_LoadFile)->ArgName("pages")->Arg(10000)->Unit(benchmark::kMillisecond);

// Rebuilding one page's objects from its stream and releasing them.
void BM_RebuildPage(benchmark::State& state) {
    TfrEMFPages& pages = demo(100);
    for (auto _ : state) {
        benchmark::DoNotOptimize(pages.loadPage(1).count());
        pages.releasePage(1);
    }
}
BENCHMARK(BM_RebuildPage)->Unit(benchmark::kMicrosecond);

// Drawing a page as the preview does at 100 % (the objects rebuilt already),
// and at 300 dots per inch as for a printer.
void BM_DrawPage(benchmark::State& state) {
    TfrEMFPages& pages = demo(100);
    const double k = double(state.range(0)) / frunits::kPrinterPixelsPerInch;
    QImage image(int(pages[1].prnInfo.pgw * k), int(pages[1].prnInfo.pgh * k), QImage::Format_RGB32);
    pages.loadPage(1);
    for (auto _ : state) {
        image.fill(Qt::white);
        QPainter painter(&image);
        pages.draw(1, painter, image.rect());
    }
}
BENCHMARK(BM_DrawPage)->ArgName("dpi")->Arg(96)->Arg(300)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) { return benchsupport::run<QGuiApplication>(argc, argv); }
