#pragma once

// What the benchmark programs share: the peak resident memory of the process
// and a main that runs the benchmarks inside a Qt application.

#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QtGlobal>

#include <sys/resource.h>

namespace benchsupport {

// The process's peak resident memory so far, in megabytes.
inline double peakMegabytes() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_maxrss) / 1024.0; // kilobytes on Linux
}

// Runs the benchmarks inside an application of type App: QCoreApplication,
// or QGuiApplication / QApplication where fonts or widgets are needed (on the
// offscreen platform unless another one is set).
template <class App>
int run(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    App app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

} // namespace benchsupport
