// One million selection records: sorting, grouping and the three writers.
#include "grid/collation.h"
#include "grid/gridexport.h"
#include "grid/gridrows.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFileInfo>
#include <QString>

namespace {

constexpr int Rows = 1000000;

const char16_t* const Kinds[] = {u"ТС", u"ТИ", u"ТУ", u"ТР", u"Аналог", u"Дискрет", u"Счётчик", u"Ёмкость"};

// RecNo, Name (a distinct text per record), Kind (a few hundred values),
// Number (integer), Value (float).
TMemTable& table(int rows) {
    static std::map<int, std::unique_ptr<TMemTable>> tables;
    auto& t = tables[rows];
    if (t)
        return *t;
    t = std::make_unique<TMemTable>(QStringLiteral("DS"));
    t->addFieldDef(QStringLiteral("RecNo"), TFieldType::Integer);
    t->addFieldDef(QStringLiteral("Name"), TFieldType::String, 40);
    t->addFieldDef(QStringLiteral("Kind"), TFieldType::String, 20);
    t->addFieldDef(QStringLiteral("Number"), TFieldType::Integer);
    t->addFieldDef(QStringLiteral("Value"), TFieldType::Float);
    t->open();
    t->field(0).setVisible(false);
    std::uint32_t seed = 12345;
    auto next = [&] { return seed = seed * 1103515245u + 12345u; };
    for (int i = 0; i < rows; ++i) {
        t->append();
        t->field(0).setAsInteger(i + 1);
        const std::uint32_t r = next();
        t->field(1).setAsString(QStringLiteral("Объект %1 ветвь %2").arg((r >> 8) % 1000003).arg(i % 97));
        t->field(2).setAsString(QString::fromUtf16(Kinds[i % 8]) + QString::number((r >> 4) % 40));
        t->field(3).setAsInteger(std::int32_t(r % 100000));
        t->field(4).setAsFloat(double(r % 1000000) / 100.0);
        t->post();
    }
    return *t;
}

TGridRows& grid(int rows) {
    static std::map<int, std::unique_ptr<TGridRows>> grids;
    auto& g = grids[rows];
    if (!g) {
        g = std::make_unique<TGridRows>();
        g->rebuildColumns(table(rows));
    }
    return *g;
}

// Ungrouped, unsorted rows loaded anew (sort keys and groups made again).
void freshLoad(TGridRows& g) {
    g.setGrouping({});
    g.clearSort();
    g.reload();
}

// Sort keys are made on first use after a load: every iteration starts from a
// fresh load so that the figure includes them.
void BM_SortByStringColumn(benchmark::State& state) {
    TGridRows& g = grid(Rows);
    for (auto _ : state) {
        state.PauseTiming();
        freshLoad(g);
        state.ResumeTiming();
        g.sortBy(QStringLiteral("Name"));
    }
    state.counters["rows"] = g.rowCount();
}
BENCHMARK(BM_SortByStringColumn)->Unit(benchmark::kMillisecond)->Iterations(3);

// The collation ranking alone, over the distinct texts of the Name column.
void BM_RankTexts(benchmark::State& state) {
    TGridRows& g = grid(Rows);
    g.reload();
    std::vector<QByteArrayView> texts;
    const int name = g.findColumn(QStringLiteral("Name"));
    for (int r = 0; r < g.recordCount(); ++r)
        texts.push_back(g.cellBytes(r, name));
    for (auto _ : state)
        benchmark::DoNotOptimize(gridcollation::rank(texts));
}
BENCHMARK(BM_RankTexts)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_GroupByOneColumn(benchmark::State& state) {
    TGridRows& g = grid(Rows);
    for (auto _ : state) {
        state.PauseTiming();
        freshLoad(g);
        state.ResumeTiming();
        g.groupBy(QStringLiteral("Kind"));
    }
    state.counters["groups"] = g.groupNumberCount();
    g.setGrouping({});
}
BENCHMARK(BM_GroupByOneColumn)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_LoadRows(benchmark::State& state) {
    TGridRows& g = grid(Rows);
    g.setGrouping({});
    g.clearSort();
    for (auto _ : state)
        g.reload();
}
BENCHMARK(BM_LoadRows)->Unit(benchmark::kMillisecond)->Iterations(2);

template <typename Write>
void writeFile(benchmark::State& state, int rows, bool grouped, const char* name, Write write) {
    TGridRows& g = grid(rows);
    g.clearSort();
    g.setGrouping(grouped ? std::vector<TGroupColumn>{{QStringLiteral("Kind"), false}} : std::vector<TGroupColumn>{});
    const QString path = QDir::temp().filePath(QString::fromLatin1(name));
    qint64 bytes = 0;
    for (auto _ : state) {
        write(g, path);
        bytes += QFileInfo(path).size();
    }
    state.SetBytesProcessed(bytes);
    state.counters["file_MB"] = double(QFileInfo(path).size()) / 1e6;
    QFile::remove(path);
    g.setGrouping({});
}

void BM_WriteText(benchmark::State& state) {
    writeFile(state, Rows, state.range(0), "ostrand_bench_grid.tab", [](const TGridRows& g, const QString& p) {
        ExportGridToText(g, p, true, QStringLiteral("\t"), QString(), QString());
    });
}
BENCHMARK(BM_WriteText)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_WriteHTML(benchmark::State& state) {
    writeFile(state, Rows, state.range(0), "ostrand_bench_grid.htm",
              [](const TGridRows& g, const QString& p) { ExportGridToHTML(g, p, true); });
}
BENCHMARK(BM_WriteHTML)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_WriteSpreadsheetAtItsLimit(benchmark::State& state) {
    writeFile(state, TGridExportExcel::MaxRows - 1, false, "ostrand_bench_grid.xls",
              [](const TGridRows& g, const QString& p) { ExportGridToExcel(g, p, true); });
}
BENCHMARK(BM_WriteSpreadsheetAtItsLimit)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

void BM_WriteWorkbook(benchmark::State& state) {
    writeFile(state, Rows, state.range(0), "ostrand_bench_grid.xlsx",
              [](const TGridRows& g, const QString& p) { ExportGridToXlsx(g, p, true); });
}
BENCHMARK(BM_WriteWorkbook)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
