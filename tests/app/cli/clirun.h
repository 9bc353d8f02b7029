#pragma once

// One ostrand-cli run inside the test program: its exit status and what it
// wrote to stdout and stderr.

#include "app/cli/cli.h"

#include <QString>
#include <QStringList>
#include <QTextStream>

struct CliRun {
    int status;
    QString out;
    QString err;
};

inline CliRun cli(const QStringList& args) {
    QString out, err;
    QTextStream o(&out), e(&err);
    const int status = runCli(args, o, e);
    o.flush();
    e.flush();
    return {status, out, err};
}
