// Scripts: a typical band script run once per record of a 100 000-record
// table, and a tight loop for the cost of one executed code line.

#include "benchsupport.h"
#include "common/interaction.h"
#include "report/expr/context.h"
#include "report/expr/interpreter.h"
#include "report/memdata/mainreport.h"
#include "report/model/dataset.h"
#include "report/model/engine.h"
#include "report/model/objects.h"
#include "report/model/page.h"
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
    TfrMemoView* memo = nullptr;

    Fixture() {
        table.addFieldDef(QStringLiteral("Name"), TFieldType::String, 40);
        table.addFieldDef(QStringLiteral("Qty"), TFieldType::Integer);
        table.open();
        for (int i = 0; i < kRecords; ++i) {
            table.append();
            table.fieldByName(QStringLiteral("Name")).setAsString(QStringLiteral("Объект %1").arg(i));
            table.fieldByName(QStringLiteral("Qty")).setAsInteger(i % 97);
            table.post();
        }
        table.first();
        installExpressionEvaluator(engine);
        TfrPage& page = *report.pages()[report.pages().add()];
        auto m = std::make_unique<TfrMemoView>();
        memo = m.get();
        memo->setName(QStringLiteral("Memo1"));
        page.add(std::move(m));
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

const QStringList kBandScript = {
    QStringLiteral("begin"),
    QStringLiteral("  if [Qty] > 50 then Memo1.FillColor := clRed else Memo1.FillColor := clWhite;"),
    QStringLiteral("  Total := Total + [Qty];"),
    QStringLiteral("  Memo1.Visible := [Qty] <> 0"),
    QStringLiteral("end"),
};

// Runs per second of the band script, one per record.
void BM_BandScriptPerRecord(benchmark::State& s) {
    Fixture& f = fixture();
    TfrExprState state;
    TfrExprContext ctx(f.report, &state);
    TInterpretator interpreter(ctx);
    QStringList code, errors;
    interpreter.prepareCode(kBandScript, code, errors);
    f.engine.globalVariables().set(QStringLiteral("Total"), TVariant(std::int32_t(0)));
    f.table.first();
    for (auto _ : s) {
        interpreter.runCode(code);
        f.table.next();
        if (f.table.eof())
            f.table.first();
    }
    s.SetItemsProcessed(s.iterations());
}
BENCHMARK(BM_BandScriptPerRecord)->Iterations(kRecords)->Repetitions(3)->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond);

// Executed code lines per second: a loop of three lines a pass.
void BM_LoopSteps(benchmark::State& s) {
    Fixture& f = fixture();
    TfrExprContext ctx(f.report);
    TInterpretator interpreter(ctx);
    QStringList code, errors;
    interpreter.prepareCode({QStringLiteral("begin i := 0; while i < 100000 do i := i + 1 end")}, code, errors);
    for (auto _ : s)
        interpreter.runCode(code);
    s.SetItemsProcessed(s.iterations() * 300'002);
}
BENCHMARK(BM_LoopSteps)->Unit(benchmark::kMillisecond);

// Compilation of the band script.
void BM_Compile(benchmark::State& s) {
    TfrInterpretator interpreter;
    QStringList code, errors;
    for (auto _ : s)
        benchmark::DoNotOptimize(interpreter.prepareCode(kBandScript, code, errors));
}
BENCHMARK(BM_Compile);

} // namespace

int main(int argc, char** argv) { return benchsupport::run<QCoreApplication>(argc, argv); }
