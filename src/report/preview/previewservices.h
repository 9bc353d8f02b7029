#pragma once

#include "report/preview/previewlayout.h"

#include <QStringList>
#include <functional>

class QWidget;
class TfrEngine;
class TfrReport;

// What the preview window gets from printing and export. The pages are in
// the report while these run; a service that is not there leaves its button
// disabled (print) or its entries out of the save dialog (export).
struct TfrPreviewServices {
    // The print dialog and printing of the report's pages; `currentPage` is
    // 0-based. `printerChanged` is asked when the dialog chose another
    // printer than the one selected before (their indexes): the preview sets
    // the report up on the new printer and builds it anew when it may; false
    // prints nothing. True when something was printed.
    std::function<bool(TfrReport& report, int currentPage, QWidget* parent,
                       const std::function<bool(int previousPrinter, int chosenPrinter)>& printerChanged)>
        print;
    // The export entries of the save dialog after the prepared-report file,
    // as dialog filters ("Текстовый файл (*.txt)"), and the one preselected
    // (0-based in the whole list; 0: the prepared-report file).
    std::function<QStringList(TfrEngine& engine)> exportFilters;
    std::function<int(TfrEngine& engine)> defaultEntry;
    // Exports the report's pages through export entry `index` (0-based in
    // exportFilters), with a progress window over `parent`; false when
    // cancelled.
    std::function<bool(TfrReport& report, int index, const QString& fileName, QWidget* parent)> exportReport;
};

// The engine's preview services (none until installed).
TfrPreviewServices& frPreviewServices(TfrEngine& engine);

// Printing through the print dialog and export through the engine's
// registered export filters.
TfrPreviewServices frStandardPreviewServices();

// The zoom last chosen in a preview; the next preview of the engine starts
// with it.
struct TfrPreviewZoomState {
    TfrZoomMode mode = TfrZoomMode::PageWidth;
    double zoom = 1.0;
};
