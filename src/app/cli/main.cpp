// ostrand-cli: the selection and its export without windows, for scripts.

#include "app/cli/cli.h"
#include "common/numformat.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QTextStream>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#if defined(__linux__) && defined(__GLIBC__)
#include <unistd.h>
#endif

int main(int argc, char* argv[]) {
#if defined(__linux__) && defined(__GLIBC__)
    // A large selection touches a few hundred megabytes once. With the
    // allocator asking for transparent huge pages most of the page faults go
    // (on a virtual machine a third of a million-record run). The allocator
    // reads the setting when the process starts only, so the program starts
    // itself once more with it; a setting the user made is left alone.
    if (!std::getenv("GLIBC_TUNABLES") && setenv("GLIBC_TUNABLES", "glibc.malloc.hugetlb=1", 1) == 0)
        execv("/proc/self/exe", argv); // returns only when it failed: go on as we are
#endif
    // Prepared reports are drawn and exported, reports built and database
    // fields inserted by the designer's commands with fonts: those commands
    // run a windowless graphical application.
    std::unique_ptr<QCoreApplication> application;
    bool drawsPages = argc > 1 && std::strncmp(argv[1], "--frp", 5) == 0;
    for (int i = 1; i < argc && !drawsPages; ++i)
        drawsPages = std::strcmp(argv[i], "--export") == 0 || std::strcmp(argv[i], "--report") == 0 ||
                     std::strcmp(argv[i], "--edit") == 0;
    if (drawsPages) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        application = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        application = std::make_unique<QCoreApplication>(argc, argv);
    }
    QCoreApplication& app = *application;
    numfmt::usePointAsDecimalSeparator();
    QTextStream out(stdout);
    QTextStream err(stderr);
    const int status = runCli(app.arguments().mid(1), out, err);
    out.flush();
    err.flush();
    return status;
}
