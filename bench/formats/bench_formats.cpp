// CSV, HTML and RTF export of a demo-like report: pages per second through
// the whole export (pages rebuilt from their streams, memo lines laid out and
// handed to the filter, the line table, the format writer, the file through
// a temporary file) and the bytes a page gives.
//
// Pages come from tests/report/support/demopages.cpp (251 objects a page).

#include "benchsupport.h"
#include "demopages.h"
#include "report/builder/preparedpages.h"
#include "report/export/exportfilter.h"
#include "report/export/formatfilters.h"
#include "report/model/engine.h"

#include <benchmark/benchmark.h>

#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>

namespace {

TfrEngine& engine() {
    static TfrEngine e;
    return e;
}

TfrReport& demo() {
    static std::unique_ptr<TfrReport> report;
    if (!report) {
        report = std::make_unique<TfrReport>(engine());
        report->pages().add();
        writeDemoPages(*report, frPreparedPages(*report), 100);
    }
    return *report;
}

template <class Filter>
void BM_Export(benchmark::State& state) {
    QTemporaryDir dir;
    Filter filter;
    if constexpr (std::is_same_v<Filter, TfrRTFExport>)
        filter.convertToTable = state.range(0) != 0;
    TfrExportOptions headless;
    headless.dialogs = false;
    const QString path = dir.filePath(QStringLiteral("out"));
    TfrReport& report = demo();
    for (auto _ : state)
        frExportReport(report, filter, path, headless);
    const int pages = frPreparedPages(report).count();
    state.counters["pages/s"] = benchmark::Counter(double(pages) * state.iterations(), benchmark::Counter::kIsRate);
    state.counters["bytes_per_page"] = double(QFileInfo(path).size()) / pages;
}

BENCHMARK_TEMPLATE(BM_Export, TfrCSVExport)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Export, TfrHTMExport)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Export, TfrRTFExport)->ArgName("table")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Export, TfrTextExport)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) { return benchsupport::run<QGuiApplication>(argc, argv); }
