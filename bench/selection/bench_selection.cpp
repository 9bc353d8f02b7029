// Selection from generated configuration trees: three node levels giving five
// configured columns, joined on one key against a lookup selection of 10000
// records, with masks that keep everything and with selective masks.
//
// The configuration is written once into <temp>/ostrand-bench-selection and
// reused by later runs.
//
// Counters: leaves/s (leaves of the main tree per second of wall time),
// records (records of the finished table), peak_MB (the process's peak resident
// memory so far; run one size alone, e.g. --benchmark_filter=/1000000/, for a
// figure that belongs to that size only).

#include "benchsupport.h"
#include "benchconfig.h"
#include "common/interaction.h"
#include "selection/selectionengine.h"

#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <utime.h>

namespace {

class BenchHost : public TSelectionHost {
public:
    bool selective = false;
    std::optional<QString> chooseSettingsFile() override { return std::nullopt; }
    bool showFilterDialog(TFilterRows& rows) override {
        for (int i = 0; i < rows.count(); ++i)
            rows.setValue(i, QString());
        if (selective) {
            rows.setValue(3, QStringLiteral("1*"));     // Val
            rows.setValue(5, QStringLiteral("*СЕТИ"));  // Owner
        }
        return true;
    }
    QString ntServerName() const override { return QStringLiteral("BENCH-NT"); }
    QString tmServerName() const override { return QStringLiteral("TM1"); }
    void setWindowTitle(const QString&) override {}
    void addRecentFile(const QString&) override {}
    void detachGrid() override {}
    void attachGrid(TMemTable&) override {}
    void setStatusText(const QString&) override {}
};

// A new modification time makes the library parse the tree again.
void touch(const QStringList& files, int round) {
    for (const QString& f : files) {
        utimbuf t{};
        t.actime = t.modtime = 1700000000 + round;
        utime(QFile::encodeName(f).constData(), &t);
    }
}

// Args: leaves, selective masks (0/1), cold (0/1: the trees are parsed anew
// in every iteration).
void BM_Selection(benchmark::State& state) {
    const int leaves = int(state.range(0));
    const benchconfig::TConfig& d = benchconfig::config(QStringLiteral("ostrand-bench-selection"), leaves);
    qputenv("OSTRAND_CONFIG_ROOT", QFile::encodeName(d.root));
    TRecordingInteraction ui; // no message is expected; count them if any
    TScopedInteraction scope(ui);
    BenchHost host;
    host.selective = state.range(1) != 0;
    const bool cold = state.range(2) != 0;
    TSelectionEngine engine(host);
    // Warm runs measure the selection with the parsed trees kept by the
    // library; this first load parses them.
    if (!cold && !engine.LoadSettingsFile(d.mainCfg, true))
        state.SkipWithError("load failed");
    int round = 0;
    for (auto _ : state) {
        if (cold) {
            state.PauseTiming();
            touch(d.trees, ++round);
            state.ResumeTiming();
        }
        // With a path given the load runs as from the recent list: the filter
        // dialog (the host) sets the masks, then the selection is made.
        if (!engine.LoadSettingsFile(d.mainCfg, true))
            state.SkipWithError("load failed");
    }
    state.counters["leaves/s"] = benchmark::Counter(double(leaves) * double(state.iterations()),
                                                    benchmark::Counter::kIsRate);
    state.counters["records"] = engine.DS().recordCount();
    state.counters["messages"] = double(ui.messages.size());
    state.counters["peak_MB"] = benchsupport::peakMegabytes();
}

} // namespace

BENCHMARK(BM_Selection)
    ->ArgNames({"leaves", "selective", "cold"})
    ->ArgsProduct({{10000, 100000, 1000000}, {0, 1}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

BENCHMARK_MAIN();
