// ostrand-cli: the selection and its export without windows, for scripts.

#include "app/cli/cli.h"
#include "common/numformat.h"

#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    numfmt::usePointAsDecimalSeparator();
    QTextStream out(stdout);
    QTextStream err(stderr);
    const int status = runCli(app.arguments().mid(1), out, err);
    out.flush();
    err.flush();
    return status;
}
