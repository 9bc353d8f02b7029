// A whole ostrand-cli run as a user starts it: the program is started as a
// process on a generated configuration of N leaves (three node levels, five
// configured columns joined on one key against a 10000-record lookup
// selection with two more columns: seven columns), makes the selection and
// saves it as delimited text or as an Excel workbook.
//
// The configuration is written once into <temp>/ostrand-bench-cli and reused
// by later runs. Every iteration is a new process, so the library parses the
// trees anew each time.
//
// Counters: leaves/s (leaves per second of wall time), cpu_ms (user and system
// time of one run, the average: on a shared machine the wall time also holds
// the time the run waited for a core), peak_MB (the largest peak resident
// memory of one run), out_MB (size of the written file).

#include "benchconfig.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

extern char** environ;

namespace {

// Runs the program and waits for it; false when it failed. Takes the largest
// peak resident memory (MB) and adds the CPU time (ms) of the run.
bool runCli(const std::vector<std::string>& args, const std::string& root, double& peakMB, double& cpuMs) {
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e)
        if (std::string(*e).rfind("OSTRAND_CONFIG_ROOT=", 0) != 0)
            env.emplace_back(*e);
    env.push_back("OSTRAND_CONFIG_ROOT=" + root);
    std::vector<char*> envp;
    for (std::string& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        return false;
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid)
        return false;
    peakMB = std::max(peakMB, double(usage.ru_maxrss) / 1024.0);
    cpuMs += (double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e6 + double(usage.ru_utime.tv_usec) +
              double(usage.ru_stime.tv_usec)) / 1e3;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Args: leaves, output type (0: tab, 1: xlsx).
void BM_CliExport(benchmark::State& state) {
    const int leaves = int(state.range(0));
    const char* type = state.range(1) == 0 ? "tab" : "xlsx";
    const benchconfig::TConfig& d = benchconfig::config(QStringLiteral("ostrand-bench-cli"), leaves);
    QDir().mkpath(d.base + QStringLiteral("/out"));
    const QString out = d.base + QStringLiteral("/out/selection.") + QLatin1String(type);
    // OSTRAND_BENCH_CLI names another build of the program (before and after
    // figures of a change).
    const QByteArray program = qEnvironmentVariableIsSet("OSTRAND_BENCH_CLI") ? qgetenv("OSTRAND_BENCH_CLI")
                                                                               : QByteArray(OSTRAND_CLI);
    const std::vector<std::string> args = {program.toStdString(),
                                           "--server", "BENCH-NT", "--tm", "TM1",
                                           "--settings", QFile::encodeName(d.mainCfg).toStdString(),
                                           "--save", QFile::encodeName(out).toStdString()};
    const std::string root = QFile::encodeName(d.root).toStdString();
    double peakMB = 0;
    double cpuMs = 0;
    for (auto _ : state)
        if (!runCli(args, root, peakMB, cpuMs))
            state.SkipWithError("ostrand-cli failed");
    state.counters["cpu_ms"] = cpuMs / double(std::max<benchmark::IterationCount>(state.iterations(), 1));
    state.counters["leaves/s"] =
        benchmark::Counter(double(leaves) * double(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["peak_MB"] = peakMB;
    state.counters["out_MB"] = double(QFileInfo(out).size()) / 1e6;
}

} // namespace

BENCHMARK(BM_CliExport)
    ->ArgNames({"leaves", "xlsx"})
    ->ArgsProduct({{100000, 1000000}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

BENCHMARK_MAIN();
