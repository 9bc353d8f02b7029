// ostrand-cli: the selection and its export without windows, for scripts.

#include "app/cli/cli.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTextStream>
#include <clocale>
#include <cstdio>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QLocale::setDefault(QLocale::c());
    std::setlocale(LC_NUMERIC, "C");
    QTextStream out(stdout);
    QTextStream err(stderr);
    const int status = runCli(app.arguments().mid(1), out, err);
    out.flush();
    err.flush();
    return status;
}
