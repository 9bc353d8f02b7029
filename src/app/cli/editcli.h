#pragma once

#include <QStringList>

class QTextStream;

// ostrand-cli --edit IN.frf [--do "COMMAND ARGS"]... [--save OUT]: opens a
// template in the designer's document without a window, runs the commands in
// order on the current page (the names the designer window uses, see
// frDesignCommandHelp) and saves the result (a report file, or by its
// extension a template *.frt or dictionary *.frd). Every command line is read
// before any runs: a malformed one is status 2 and nothing is written. A
// command that cannot apply changes nothing, says why on err and the rest go
// on. What commands print (list) goes to out. Status 0 done, 1 when the
// template cannot be opened or the result cannot be saved, 2 bad arguments.
bool isEditCommand(const QStringList& arguments);
int runEditCli(const QStringList& arguments, QTextStream& out, QTextStream& err);
