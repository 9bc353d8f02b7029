#pragma once

#include <QStringList>

class QTextStream;

// ostrand-cli --report TEMPLATE.frf [--report NEXT.frf ...]: builds a report
// (several templates: one after another into one prepared report, a template
// whose first page has PrintToPrevPage going on on the page before, in two
// passes when one of them asks for two) over the selection the
// selection options make (--server, --tm, --user, --password, --settings,
// --mask; without them frDS is an empty selection) and writes the prepared
// report (--prepared OUT.frp), a PDF file of it (--pdf OUT.pdf; needs a
// QGuiApplication for the fonts, as the build does) and/or an export
// (--export txt|rtf|csv|htm|pdf OUT [--pages LIST]). With a selection the
// dictionary variables "Машина", "Сервер" and "Файл_изменён" are set as the
// main window sets them. --max-pages N bounds the build (default
// 10000 pages, and 2000 band printings for each of them, so that bands that
// take no room cannot repeat without end either). Status 0 done, 1 failed, 2 bad arguments.
bool isReportCommand(const QStringList& arguments);
int runReportCli(const QStringList& arguments, QTextStream& out, QTextStream& err);
