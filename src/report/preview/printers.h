#pragma once

#include "report/export/printing.h"
#include "report/model/printer.h"

#include <memory>
#include <vector>

class QPainter;
class QPrinter;

// Devices for the printers installed on the machine (empty when none is).
std::vector<std::unique_ptr<TfrPrinterDevice>> frPlatformPrinterDevices();

// Makes the installed printers the report engine's printers, the virtual printer
// last; without installed printers the virtual printer is selected.
void frAttachPlatformPrinters(TfrPrinter& printer);

// The Qt printer behind the selected platform printer; nothing for the
// virtual printer.
QPrinter* frQtPrinter(TfrPrinter& printer);

// Print jobs on a Qt printer (CUPS on Linux): a job is one painting on the
// printer, a new sheet a new page of it; pages are drawn at the printer's
// resolution with fonts at their point size.
class TfrQtPrintDevice : public TfrPrintDevice {
public:
    explicit TfrQtPrintDevice(QPrinter& printer);
    ~TfrQtPrintDevice() override;
    bool canCopy() const override;
    void beginJob(const QString& title, int copies) override;
    void newSheet() override;
    void drawPage(TfrEMFPages& pages, int index, const QRect& target) override;
    void endJob() override;
    void abortJob() override;

private:
    QPrinter& m_printer;
    std::unique_ptr<QPainter> m_painter;
};
