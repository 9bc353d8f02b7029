#pragma once

#include <QString>
#include <QStringList>

class QTextStream;

// ostrand-cli: the selection and its export without windows, for scripts.
// Runs with the arguments after the program name; messages and errors go to
// err. Returns the process exit status: 0 on success, 1 when the work failed
// (settings file, configuration, output), 2 for bad arguments.
int runCli(const QStringList& arguments, QTextStream& out, QTextStream& err);

// The text of --help.
QString cliUsage();
