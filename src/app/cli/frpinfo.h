#pragma once

#include <QString>
#include <QStringList>

class QTextStream;
class TfrEngine;

// Tools over prepared-report files (*.frp) for the command-line program.

// A readable description of a prepared report: the page count, every page's
// paper and margins, and one line per object (kind, name, position, size and
// text lines). Returns false, after describing what it could, when the file
// does not load or a page's objects cannot be read.
bool frPreparedInfo(TfrEngine& engine, const QString& path, QTextStream& out, QTextStream& err);

// Draws page `page` (1-based) of a prepared report at `dpi` dots per inch to a
// PNG file. Throws Exception when the file does not load, the page does not
// exist or is too large to draw, or the picture cannot be written. Needs a
// QGuiApplication (fonts).
void frRenderPreparedPage(TfrEngine& engine, const QString& path, int page, const QString& png, int dpi = 96);

// Handles the options --frp-info and --frp-render; -1 when `arguments` is
// neither, else the exit status (0 done, 1 failed, 2 bad arguments).
int runPreparedReportTool(TfrEngine& engine, const QStringList& arguments, QTextStream& out, QTextStream& err);
