// Exports of a demo-like report: text (plain, and with frames in box-drawing
// characters) and PDF, written to a temporary folder through the export
// framework.
//
// Pages come from tests/report/support/demopages.cpp (251 objects a page, 40
// table rows of six framed memos), printed with the program's font measurer.

#include "benchsupport.h"
#include "demopages.h"
#include "report/builder/preparedpages.h"
#include "report/export/pdfexport.h"
#include "report/export/textexport.h"
#include "report/model/engine.h"

#include <benchmark/benchmark.h>

#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>

namespace {

struct Demo {
    TfrEngine engine;
    TfrReport report{engine};
    QTemporaryDir dir;
    explicit Demo(int pages) {
        report.pages().add();
        writeDemoPages(report, frPreparedPages(report), pages);
    }
};

Demo& demo() {
    static Demo d(100);
    return d;
}

void run(benchmark::State& state, TfrExportFilter& filter, const QString& name) {
    Demo& d = demo();
    const QString path = d.dir.filePath(name);
    TfrExportOptions options;
    options.dialogs = false;
    for (auto _ : state)
        frExportReport(d.report, filter, path, options);
    const int pages = frPreparedPages(d.report).count();
    state.counters["pages/s"] = benchmark::Counter(double(pages) * state.iterations(), benchmark::Counter::kIsRate);
    state.counters["bytes_per_page"] = double(QFileInfo(path).size()) / pages;
}

void BM_TextExport(benchmark::State& state) {
    TfrTextExport text;
    run(state, text, QStringLiteral("plain.txt"));
}
BENCHMARK(BM_TextExport)->Unit(benchmark::kMillisecond);

void BM_TextExportFrames(benchmark::State& state) {
    TfrTextExport text;
    text.exportFrames = true;
    text.usePseudographic = true;
    text.convertToOEM = true;
    run(state, text, QStringLiteral("frames.txt"));
}
BENCHMARK(BM_TextExportFrames)->Unit(benchmark::kMillisecond);

void BM_PdfExport(benchmark::State& state) {
    TfrPdfExport pdf;
    run(state, pdf, QStringLiteral("r.pdf"));
}
BENCHMARK(BM_PdfExport)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) { return benchsupport::run<QGuiApplication>(argc, argv); }
