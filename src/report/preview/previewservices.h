#pragma once

#include "report/preview/previewlayout.h"

#include <QStringList>
#include <functional>

class QWidget;
class TfrEngine;
class TfrReport;

// What the preview window gets from printing and export, installed once per
// engine by whoever provides them. The pages are in the report while these
// run; a service that is not installed leaves its button disabled.
struct TfrPreviewServices {
    // The print dialog and printing: `currentPage` is 1-based. Returns true
    // when the report was built again (the window then shows the new pages).
    std::function<bool(TfrReport& report, int currentPage, QWidget* parent)> print;
    // Export filters offered by the save dialog after the prepared-report
    // file, as dialog filters ("Текстовый файл (*.txt)").
    std::function<QStringList(TfrEngine& engine)> exportFilters;
    // Exports the report's pages through filter `index` of that list.
    std::function<void(TfrReport& report, int index, const QString& fileName)> exportReport;
};

// The engine's preview services.
TfrPreviewServices& frPreviewServices(TfrEngine& engine);

// The zoom last chosen in a preview; the next preview of the engine starts
// with it.
struct TfrPreviewZoomState {
    TfrZoomMode mode = TfrZoomMode::PageWidth;
    double zoom = 1.0;
};
