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
