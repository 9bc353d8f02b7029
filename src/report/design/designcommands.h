#pragma once

#include "common/exception.h"

#include <QString>
#include <QStringList>

class TfrDesignDocument;

// The designer's commands by name, as ostrand-cli --edit runs them
// ("insert text 10 20 96 20", "align left") and as the designer window's
// menus and tool bars name them. A command line is read (bounded, checked
// against the command's arguments) before it runs, so a malformed one
// changes nothing.

// A command line that is not one of the commands with its arguments.
class EDesignCommandSyntax : public Exception {
public:
    using Exception::Exception;
};

// One command line read: the command's name and its arguments.
struct TfrDesignCommand {
    QString name;
    QStringList args;
};

// The longest command line, and the most arguments, read.
inline constexpr int kMaxCommandLength = 8192;
inline constexpr int kMaxCommandArguments = 64;

// Reads a command line: words separated by spaces, a word in double quotes
// may hold spaces ("" inside stands for one quote); "set" and "inspect" take
// the rest of the line as one argument. Throws EDesignCommandSyntax.
TfrDesignCommand frParseDesignCommand(const QString& line);

// What running a command did: whether it applied, why not, and what it
// printed (list).
struct TfrDesignCommandResult {
    bool applied = false;
    QString message;
    QString output;
};

// Runs a command read by frParseDesignCommand on the document's current page.
TfrDesignCommandResult frRunDesignCommand(TfrDesignDocument& document, const TfrDesignCommand& command);
// Reads and runs a line.
TfrDesignCommandResult frRunDesignCommand(TfrDesignDocument& document, const QString& line);

// The command list for --help: one command a line with its arguments.
QString frDesignCommandHelp();
