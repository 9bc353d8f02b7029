#pragma once

#include <QStringList>

class QTextStream;

// ostrand-cli --run-script TEXT|@FILE [--template FILE] [--max-steps N]:
// compiles a report script (given as text, or @ and a code page 1251 file) and
// runs it against a template's dictionary, then prints the global variables it
// leaves, one "name=value" a line. A compile or run error goes to err with
// status 1 (the variables set before a run error are printed first); bad
// arguments give 2. The run stops after N executed code lines (default
// defaultMaxSteps), so a script that never ends cannot hang the command.
namespace scriptcli {
constexpr long long defaultMaxSteps = 10'000'000;
// Largest script file read.
constexpr long long maxFileSize = 1 << 20;
} // namespace scriptcli

bool isScriptCommand(const QStringList& arguments);
int runScriptCli(const QStringList& arguments, QTextStream& out, QTextStream& err);
