#pragma once

#include "report/model/report.h"

#include <QString>

// Tools over report template files (*.frf) for the command-line program.

// The kind of an object as the tools print it: memo, picture, band,
// subreport, line or addin.
QString frKindName(const TfrView& view);
// A text on one line: CR and LF written as \r and \n.
QString frOneLine(QString text);

// A readable description of a template: the format version read, the pages
// with their paper and objects (kind, class, name, position and size), the
// dictionary variables and the messages of the load. The first line is "OK"
// when the template loaded whole (nothing of it skipped: messages that only
// warn of objects kept as read, such as a chart picture this program cannot
// show, do not count), "FAILED" otherwise; `ok` receives the same verdict. A
// protected template asks `password`.
QString frTemplateInfo(TfrEngine& engine, const QString& path, const TfrPasswordPrompt& password = {},
                       bool* ok = nullptr);

// Loads a template and saves it again to `target` (the same file when
// `target` is empty). Returns an empty text on success, otherwise the messages
// of the load (a load that did not read the template whole, a refused
// password included, writes nothing) or the save error; the target is not
// touched on failure.
QString frResaveTemplate(TfrEngine& engine, const QString& source, const QString& target = QString(),
                         const TfrPasswordPrompt& password = {});
