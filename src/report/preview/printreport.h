#pragma once

#include <functional>
#include <memory>
#include <vector>

class QWidget;
class TfrPrintDevice;
class TfrPrintForm;
class TfrPrinter;
class TfrPrinterDevice;
class TfrReport;

// What printing reaches besides the report; empty members take the
// platform's (tests put recording devices and a dialog of their own here).
struct TfrPrintHooks {
    // Asked when the dialog chose another printer (`chosenPrinter`, its
    // index) than the one selected before (`previousPrinter`): the preview
    // sets the report up on the new printer and builds it anew when it may.
    // False prints nothing. Without it printing goes on on the printer chosen.
    std::function<bool(int previousPrinter, int chosenPrinter)> printerChanged;
    // The installed printers, read again before the dialog opens.
    std::function<std::vector<std::unique_ptr<TfrPrinterDevice>>()> installedPrinters;
    // Shows the print dialog and returns its result (QDialog::Accepted to print).
    std::function<int(TfrPrintForm& form)> runDialog;
    // The print jobs of the selected printer; null when it cannot print.
    std::function<std::unique_ptr<TfrPrintDevice>(TfrPrinter& printer)> jobDevice;
};

// Prints a report's prepared pages as the preview's print button does: the
// printer list read again, the print dialog (without it, when the report's
// ShowPrintDialog is off, its default copies and collation on the current
// printer), then the printer, in a progress window that can stop it when the
// report shows progress (ShowProgress on, no OnProgress handler), or a PDF
// file the user names (proposed under the report's name). `currentPage`
// (0-based) is the page the preview shows. The pages printed are the ones the
// report holds once the printer change was answered (a rebuild gives it new
// ones). Errors and skipped page numbers are told through the report
// engine's interaction. True when something was printed or written.
bool frPrintReport(TfrReport& report, int currentPage, QWidget* parent, const TfrPrintHooks& hooks = {});
