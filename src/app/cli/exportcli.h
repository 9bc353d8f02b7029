#pragma once

#include <QString>
#include <QStringList>

class QTextStream;
class TfrEngine;
class TfrReport;

// Report exports for the command-line program.

// What to export: the filter by its file type ("txt", "pdf", or any other
// registered extension), the output file and the page list ("1,3,5-12",
// empty: all pages).
struct TfrCliExport {
    QString type;
    QString output;
    QString pages;
};

// Exports a report's prepared pages without dialogs through the program's
// filters. Returns the exit status: 0 written, 1 failed (the message went to
// err), 2 an unknown type or a page list that is not a list.
int frCliExportReport(TfrReport& report, const TfrCliExport& request, QTextStream& err);

// Handles --frp FILE.frp --export TYPE OUT [--pages LIST]; -1 when
// `arguments` hold no --export, else the exit status.
int runExportCli(TfrEngine& engine, const QStringList& arguments, QTextStream& out, QTextStream& err);
