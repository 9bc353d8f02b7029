#pragma once

#include <functional>

class QWidget;
class TfrReport;

// Prints a report's prepared pages as the preview's print button does: the
// print dialog (without it, when the report's ShowPrintDialog is off, its
// default copies and collation on the current printer), then the printer
// with a progress window that can stop it, or a PDF file the user names.
// `currentPage` (0-based) is the page the preview shows. When the dialog
// chose another printer than the one current before, `printerChanged` is
// asked first (the preview builds the report anew for it when RebuildPrinter
// is on); returning false prints nothing. Errors and skipped page numbers are
// told through the report engine's interaction. True when something was
// printed or written.
bool frPrintReport(TfrReport& report, int currentPage, QWidget* parent,
                   const std::function<bool()>& printerChanged = {});
