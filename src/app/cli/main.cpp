// ostrand-cli: the selection and its export without windows, for scripts.

#include "app/cli/cli.h"
#include "common/numformat.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QTextStream>
#include <cstdio>
#include <cstring>
#include <memory>

int main(int argc, char* argv[]) {
    // Prepared reports are drawn with fonts: those commands run a windowless
    // graphical application.
    std::unique_ptr<QCoreApplication> application;
    if (argc > 1 && std::strncmp(argv[1], "--frp-", 6) == 0) {
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
