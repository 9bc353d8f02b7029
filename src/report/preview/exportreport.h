#pragma once

#include <QString>

class QWidget;
class TfrExportFilter;
class TfrReport;

// Exports a report through a filter as the preview does: with the report's
// ShowProgress a progress window ("Подготовка отчета", "Формируется
// страница: n из m") whose cancel button ends the export after the current
// page; errors are told through the report engine's interaction (caption
// "Ошибка"), and so are the filter's notes. True when the file was written.
bool frExportWithProgress(TfrReport& report, TfrExportFilter& filter, const QString& fileName, QWidget* parent);

// Saves or exports a report under a name chosen in the save dialog: entry 1
// of the dialog's list is the prepared-report file, entry k > 1 the export
// filter at position k - 2 of the engine's registry, written to the name
// with its extension replaced by the filter's. True when something was
// written.
bool frSaveReportTo(TfrReport& report, const QString& fileName, int entry, QWidget* parent);

// The save dialog of the preview: the prepared-report entry and one entry per
// registered filter, the first Default filter preselected; then
// frSaveReportTo. False when the dialog was cancelled or nothing was written.
bool frSaveReportAs(TfrReport& report, QWidget* parent);
