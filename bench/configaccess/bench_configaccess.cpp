// Opening a generated configuration tree through the local library and walking
// all of it as a selection does: for every node its children, its name and
// three properties.
//
// The trees come from scripts/gen-config-tree.py (Level1/Level2/Leaf) and are
// written once to <temp>/ostrand-bench-configaccess/L<N>, then reused. Before
// every iteration the file's modification time changes, so every open reads
// and parses the file again.
//
// Counters: nodes/s (nodes walked per second of wall time, the open included),
// nodes, peak_MB (the process's peak resident memory so far: run one size per
// process, e.g. --benchmark_filter=/1000000, for a figure of that size alone),
// tree_MB (BM_Read: the memory the parsed tree holds).

#include "benchsupport.h"
#include "selection/configaccess/configtree.h"
#include "selection/configaccess/halvex.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <sys/resource.h>
#include <utime.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <map>

namespace {

const char* const kProperties[] = {"Number", "Name", "Value"};

// The configuration root of a tree of the given size, made when missing.
QString rootFor(int leaves) {
    static std::map<int, QString> roots;
    auto it = roots.find(leaves);
    if (it != roots.end())
        return it->second;
    const QString root = QDir::tempPath() + QStringLiteral("/ostrand-bench-configaccess/L%1").arg(leaves);
    const QString file = root + QStringLiteral("/BENCH-NT/TM_SERVER/TM1/BIG.xml");
    if (!QFileInfo::exists(file)) {
        QDir().mkpath(QFileInfo(file).path());
        const int rc = QProcess::execute(QStringLiteral("python3"),
                                         {QStringLiteral(OSTRAND_SOURCE_DIR "/scripts/gen-config-tree.py"),
                                          QStringLiteral("tree"), QStringLiteral("--leaves"), QString::number(leaves),
                                          QStringLiteral("--keys"), QStringLiteral("10000"), QStringLiteral("--out"), file});
        if (rc != 0) {
            std::fprintf(stderr, "gen-config-tree.py failed (%d)\n", rc);
            std::abort();
        }
    }
    return roots.emplace(leaves, root).first->second;
}

QString fileFor(int leaves) { return rootFor(leaves) + QStringLiteral("/BENCH-NT/TM_SERVER/TM1/BIG.xml"); }

// Gives the file another modification time, so the library parses it again.
void touch(const QString& file) {
    static std::time_t stamp = 1600000000;
    ++stamp;
    const utimbuf times{stamp, stamp};
    ::utime(QFile::encodeName(file).constData(), &times);
}

std::int64_t walk(std::int32_t node, char* buffer) {
    std::int64_t count = 0;
    for (std::int32_t i = 0;; ++i) {
        const std::int32_t child = hvtNodeEnum(node, i);
        if (child == 0)
            break;
        ++count;
        hvtNodeGetName(child, buffer, HALVEX_BUFFER_SIZE);
        benchmark::DoNotOptimize(buffer[0]);
        for (const char* property : kProperties) {
            buffer[0] = '\0';
            hvtNPropGetText(child, property, buffer, HALVEX_BUFFER_SIZE);
            benchmark::DoNotOptimize(buffer[0]);
        }
        count += walk(child, buffer);
    }
    return count;
}

// hvsConfFileOpen on a changed file, then the whole walk.
void BM_OpenAndWalk(benchmark::State& state) {
    const int leaves = static_cast<int>(state.range(0));
    const QString root = rootFor(leaves);
    const QString file = fileFor(leaves);
    qputenv("OSTRAND_CONFIG_ROOT", QFile::encodeName(root));
    hvsSetUser("", "");
    char buffer[HALVEX_BUFFER_SIZE];
    char error[HALVEX_BUFFER_SIZE];
    std::int64_t nodes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        touch(file);
        state.ResumeTiming();
        std::uint64_t fileTime = 0;
        const std::int32_t top =
            hvsConfFileOpen("BENCH-NT", "TM_SERVER\\TM1\\BIG", HALVEX_OPEN_FLAGS, &fileTime, nullptr, error, HALVEX_BUFFER_SIZE);
        if (top == 0) {
            state.SkipWithError(error);
            return;
        }
        nodes = walk(top, buffer);
    }
    state.counters["nodes"] = static_cast<double>(nodes);
    state.counters["nodes/s"] =
        benchmark::Counter(static_cast<double>(nodes) * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["peak_MB"] = benchsupport::peakMegabytes();
}
BENCHMARK(BM_OpenAndWalk)->ArgName("leaves")->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();

// The parse alone (the file read in pieces into the compact tree).
void BM_Read(benchmark::State& state) {
    const QString file = fileFor(static_cast<int>(state.range(0)));
    double treeMb = 0;
    std::uint32_t nodes = 0;
    for (auto _ : state) {
        QFile f(file);
        if (!f.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
            state.SkipWithError("cannot open the tree");
            return;
        }
        const auto tree = configaccess::TConfigTree::read(f);
        nodes = tree->nodeCount();
        treeMb = static_cast<double>(tree->memoryUsage()) / (1024.0 * 1024.0);
    }
    state.counters["nodes"] = nodes;
    state.counters["tree_MB"] = treeMb;
    state.counters["peak_MB"] = benchsupport::peakMegabytes();
    state.SetBytesProcessed(static_cast<std::int64_t>(QFileInfo(file).size()) * state.iterations());
}
BENCHMARK(BM_Read)->ArgName("leaves")->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
