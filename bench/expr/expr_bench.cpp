// Memo expansion of a typical data line over a 100 000-record table: a
// dataset field, a formatted number, a dictionary variable and an aggregate.

#include "benchsupport.h"
#include "common/interaction.h"
#include "report/expr/aggregates.h"
#include "report/expr/context.h"
#include "report/expr/memotext.h"
#include "report/memdata/mainreport.h"
#include "report/model/dataset.h"
#include "report/model/engine.h"
#include "report/model/objects.h"
#include "report/model/report.h"
#include "table/memtable.h"

#include <QCoreApplication>
#include <benchmark/benchmark.h>

namespace {

constexpr int kRecords = 100'000;

struct Fixture {
    TRecordingInteraction ui;
    TfrEngine engine{&ui};
    TMemTable table{QStringLiteral("DS")}, table2{QStringLiteral("DS2")};
    TfrMainReport main{engine, table, table2};
    TfrReport& report = main.report();
    TfrMemoView memo;
    TfrExprState state;
    TfrExprBand data, footer;

    Fixture() {
        table.addFieldDef(QStringLiteral("Name"), TFieldType::String, 40);
        table.addFieldDef(QStringLiteral("Qty"), TFieldType::Integer);
        table.addFieldDef(QStringLiteral("Price"), TFieldType::Float);
        table.open();
        for (int i = 0; i < kRecords; ++i) {
            table.append();
            table.fieldByName(QStringLiteral("Name")).setAsString(QStringLiteral("Объект %1").arg(i));
            table.fieldByName(QStringLiteral("Qty")).setAsInteger(i % 97);
            table.fieldByName(QStringLiteral("Price")).setAsFloat(i * 1.25);
            table.post();
        }
        table.first();
        report.dictionary().variables.set(QStringLiteral("Сумма"), TVariant(QStringLiteral("[Qty] * [Price]")));
        installExpressionEvaluator(engine);
        memo.setName(QStringLiteral("Memo1"));
        data.type = btMasterData;
        data.name = QStringLiteral("MasterData1");
        footer.type = btMasterFooter;
        footer.name = QStringLiteral("Footer1");
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

const QString kLine = QStringLiteral("[Name]: [Price #N8.2] руб., всего [Сумма], итог [SUM([Qty])]");

// Expansions per second of the line, one per record, the table walked record
// by record; the aggregate is registered once and read from the footer.
void BM_ExpandDataLine(benchmark::State& s) {
    Fixture& f = fixture();
    TfrExprContext ctx(f.report, &f.state);
    fraggregates::registerCalls(ctx, f.footer, f.data, fraggregates::callsInLines({kLine}, &f.report.dictionary().variables));
    f.state.currentBand = &f.footer;
    std::size_t chars = 0;
    f.table.first();
    for (auto _ : s) {
        const QString out = frmemo::expandText(ctx, kLine, &f.memo);
        chars += std::size_t(out.size());
        f.table.next();
        if (f.table.eof())
            f.table.first();
    }
    s.SetItemsProcessed(s.iterations());
    s.counters["chars"] = benchmark::Counter(double(chars) / double(s.iterations()));
}
BENCHMARK(BM_ExpandDataLine)->Iterations(kRecords)->Repetitions(3)->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond);

// The same line with the aggregate accumulated for every record, as the data
// band does before its footer reads it.
void BM_ExpandAndAccumulate(benchmark::State& s) {
    Fixture& f = fixture();
    TfrExprContext ctx(f.report, &f.state);
    fraggregates::registerCalls(ctx, f.footer, f.data, fraggregates::callsInLines({kLine}, &f.report.dictionary().variables));
    f.table.first();
    for (auto _ : s) {
        f.state.currentBand = &f.data;
        fraggregates::accumulate(ctx, f.data);
        f.state.currentBand = &f.footer;
        benchmark::DoNotOptimize(frmemo::expandText(ctx, kLine, &f.memo));
        f.table.next();
        if (f.table.eof())
            f.table.first();
    }
    s.SetItemsProcessed(s.iterations());
}
BENCHMARK(BM_ExpandAndAccumulate)->Iterations(kRecords)->Repetitions(3)->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond);

// One bracket alone, for the cost of each kind.
void BM_OneBracket(benchmark::State& s, const QString& line) {
    Fixture& f = fixture();
    TfrExprContext ctx(f.report, &f.state);
    fraggregates::registerCalls(ctx, f.footer, f.data, fraggregates::callsInLines({line}, &f.report.dictionary().variables));
    f.state.currentBand = &f.footer;
    f.table.first();
    for (auto _ : s) {
        benchmark::DoNotOptimize(frmemo::expandText(ctx, line, &f.memo));
        f.table.next();
        if (f.table.eof())
            f.table.first();
    }
    s.SetItemsProcessed(s.iterations());
}
BENCHMARK_CAPTURE(BM_OneBracket, field, QStringLiteral("[Name]"))->Iterations(kRecords);
BENCHMARK_CAPTURE(BM_OneBracket, number, QStringLiteral("[Price #N8.2]"))->Iterations(kRecords);
BENCHMARK_CAPTURE(BM_OneBracket, variable, QStringLiteral("[Сумма]"))->Iterations(kRecords);
BENCHMARK_CAPTURE(BM_OneBracket, aggregate, QStringLiteral("[SUM([Qty])]"))->Iterations(kRecords);

} // namespace

int main(int argc, char** argv) { return benchsupport::run<QCoreApplication>(argc, argv); }
