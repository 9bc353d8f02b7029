#pragma once

#include <QStringList>

class QTextStream;

// ostrand-cli --eval EXPR / --expand TEXT: the value of a report expression or
// a memo line expanded, optionally against a template's dictionary
// (--template FILE) and the first record of a selection (--server, --tm,
// --user, --password, --settings; the report dataset is frDS over DS). The
// result goes to out; an error to err with status 1; bad arguments give 2.
bool isExpressionCommand(const QStringList& arguments);
int runExpressionCli(const QStringList& arguments, QTextStream& out, QTextStream& err);
