// A whole report: a list of 10,000 or 100,000 rows (five text columns, a
// column header on every page, "Страница X из Y" in the page footer, so two
// passes) from template load to finished PDF file, and the floor beside it:
// the same rows and page layout (45 rows a page, header and footer texts)
// drawn by a bare loop of QPainter text calls into Qt's PDF writer, the least
// any report engine can spend on that output.
//
// Runs one size per process to read the peak memory for that size, e.g.
//   bench_report --benchmark_filter='/10000$'

#include "benchsupport.h"
#include "report/builder/builder.h"
#include "report/builder/preparedpages.h"
#include "report/expr/context.h"
#include "report/export/pdfwriter.h"
#include "report/memdata/memtablesource.h"
#include "report/model/engine.h"
#include "report/model/report.h"
#include "table/memtable.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>

#include <map>
#include <memory>
#include <sys/resource.h>

namespace {

constexpr int kRowsPerPage = 45;
constexpr int kColumns = 5;
// Report pixels: an A4 page (1069 pixels high) with margins of 10 pixels at
// top and bottom holds the header, 45 rows of 22 pixels and the footer.
constexpr int kRowHeight = 22, kHeaderHeight = 20, kFooterHeight = 20;
const int kColumnWidths[kColumns] = {60, 220, 120, 140, 160};

QTemporaryDir& workDir() {
    static QTemporaryDir dir;
    return dir;
}

QString cell(int row, int column) {
    switch (column) {
    case 0: return QString::number(row + 1);
    case 1: return QStringLiteral("Точка телемеханики %1").arg(row % 977);
    case 2: return QStringLiteral("ПС %1").arg(row / 50);
    case 3: return QStringLiteral("Район %1").arg(row % 13);
    default: return QStringLiteral("Владелец %1").arg(row % 7);
    }
}

// The selection of `rows` records, made once per size.
TMemTable& table(int rows) {
    static std::map<int, std::unique_ptr<TMemTable>> made;
    auto& t = made[rows];
    if (!t) {
        t = std::make_unique<TMemTable>(QStringLiteral("DS"));
        for (int c = 0; c < kColumns; ++c)
            t->addFieldDef(QStringLiteral("F%1").arg(c + 1), TFieldType::String, 40);
        t->open();
        for (int r = 0; r < rows; ++r) {
            t->append();
            for (int c = 0; c < kColumns; ++c)
                t->field(c).setAsString(cell(r, c));
            t->post();
        }
    }
    return *t;
}

TfrMemoView& addMemo(TfrEngine& engine, TfrPage& page, int left, int top, int width, int height, const QString& text) {
    auto* m = static_cast<TfrMemoView*>(page.add(engine.createObject(gtMemo)));
    m->createUniqueName();
    m->setBounds(left, top, width, height);
    m->flags = 0;
    m->memo = QStringList{text};
    m->font.size = 9;
    return *m;
}

TfrBandView& addBand(TfrEngine& engine, TfrPage& page, int type, int top, int height, const QString& data = {}) {
    auto* b = static_cast<TfrBandView*>(page.add(engine.createObject(gtBand)));
    b->setBandType(type);
    b->createUniqueName();
    b->setBounds(0, top, 760, height);
    b->flags = 0;
    b->setDataSourceName(data);
    return *b;
}

// The list template, written once.
QString templateFile() {
    static QString file;
    if (file.isEmpty()) {
        TfrEngine engine;
        TfrReport report(engine);
        TfrPage& page = *report.pages().page(report.pages().add());
        page.margins = {20, 10, 20, 10};
        report.doublePassReport = true;
        addBand(engine, page, btPageHeader, 10, kHeaderHeight).flags = frflags::OnFirstPage;
        addBand(engine, page, btMasterData, 60, kRowHeight, QStringLiteral("frDS"));
        addBand(engine, page, btPageFooter, 120, kFooterHeight).flags = frflags::OnFirstPage | frflags::OnLastPage;
        int x = 20;
        for (int c = 0; c < kColumns; ++c) {
            addMemo(engine, page, x, 10, kColumnWidths[c], kHeaderHeight, QStringLiteral("Колонка %1").arg(c + 1));
            addMemo(engine, page, x, 60, kColumnWidths[c], kRowHeight, QStringLiteral("[DS.\"F%1\"]").arg(c + 1));
            x += kColumnWidths[c];
        }
        addMemo(engine, page, 20, 120, 700, kFooterHeight, QStringLiteral("Страница [PAGE#] из [TOTALPAGES]"));
        file = workDir().filePath(QStringLiteral("list.frf"));
        report.saveToFile(file);
    }
    return file;
}

// Template load -> two-pass build -> PDF file.
void BM_ReportToPdf(benchmark::State& state) {
    const int rows = int(state.range(0));
    TMemTable& ds = table(rows);
    const QString tmpl = templateFile();
    const QString pdf = workDir().filePath(QStringLiteral("report.pdf"));
    TfrEngine engine;
    installExpressionEvaluator(engine);
    int pages = 0;
    qint64 held = 0;
    for (auto _ : state) {
        TfrMemTableSource source(ds);
        TfrDBDataSet frDS(QStringLiteral("frDS"));
        frDS.setDataSet(&source);
        TfrDataRegistry registry(QStringLiteral("frmMain"));
        registry.addDataset(&frDS);
        registry.addTable(&source);
        TfrReport report(engine);
        report.setDataRegistry(&registry);
        report.setDataset(&frDS);
        if (!report.loadFromFile(tmpl).ok())
            state.SkipWithError("template does not load");
        TfrBuildOptions options;
        options.showError = false;
        const TfrBuildResult r = frBuildReport(report, options);
        if (!r.ok()) {
            state.SkipWithError(qPrintable(r.error));
            break;
        }
        if (state.range(1) != 0)
            frWritePdf(frPreparedPages(report), pdf);
        pages = r.pages;
        held = frPreparedPages(report).heldBytes();
    }
    state.counters["pages"] = pages;
    state.counters["rows/s"] = benchmark::Counter(double(rows) * state.iterations(), benchmark::Counter::kIsRate);
    state.counters["held_MB"] = double(held) / (1 << 20);
    state.counters["peak_MB"] = benchsupport::peakMegabytes();
    state.counters["pdf_MB"] = state.range(1) ? double(QFileInfo(pdf).size()) / (1 << 20) : 0.0;
}
BENCHMARK(BM_ReportToPdf)
    ->ArgNames({"rows", "pdf"})
    ->Args({10000, 1})
    ->Args({100000, 1})
    ->Args({10000, 0})
    ->Args({100000, 0})
    ->Unit(benchmark::kMillisecond);

// The floor: the same texts placed by hand.
void BM_FloorPdf(benchmark::State& state) {
    const int rows = int(state.range(0));
    TMemTable& ds = table(rows);
    const QString pdf = workDir().filePath(QStringLiteral("floor.pdf"));
    const int pageCount = (rows + kRowsPerPage - 1) / kRowsPerPage;
    for (auto _ : state) {
        QPdfWriter writer(pdf);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        writer.setResolution(96);
        QPainter painter(&writer);
        QFont font(QStringLiteral("Arial"));
        font.setPixelSize(12);
        painter.setFont(font);
        int row = 0;
        ds.first();
        for (int p = 0; p < pageCount; ++p) {
            if (p > 0)
                writer.newPage();
            int x = 20;
            for (int c = 0; c < kColumns; ++c) {
                painter.drawText(QRect(x, 10, kColumnWidths[c], kHeaderHeight), QStringLiteral("Колонка %1").arg(c + 1));
                x += kColumnWidths[c];
            }
            int y = 10 + kHeaderHeight;
            for (int i = 0; i < kRowsPerPage && row < rows; ++i, ++row, ds.next()) {
                x = 20;
                for (int c = 0; c < kColumns; ++c) {
                    painter.drawText(QRect(x, y, kColumnWidths[c], kRowHeight),
                                     ds.field(c).asString());
                    x += kColumnWidths[c];
                }
                y += kRowHeight;
            }
            painter.drawText(QRect(20, 1069 - 10 - kFooterHeight, 700, kFooterHeight),
                             QStringLiteral("Страница %1 из %2").arg(p + 1).arg(pageCount));
        }
        painter.end();
    }
    state.counters["pages"] = pageCount;
    state.counters["rows/s"] = benchmark::Counter(double(rows) * state.iterations(), benchmark::Counter::kIsRate);
    state.counters["peak_MB"] = benchsupport::peakMegabytes();
    state.counters["pdf_MB"] = double(QFileInfo(pdf).size()) / (1 << 20);
}
BENCHMARK(BM_FloorPdf)->ArgName("rows")->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) { return benchsupport::run<QGuiApplication>(argc, argv); }
