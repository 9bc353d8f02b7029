#pragma once

#include "report/export/printing.h"
#include "report/model/printer.h"

#include <memory>
#include <vector>

class QPainter;
class QPrinter;
class QWidget;

// Devices for the printers installed on the machine (empty when none is).
std::vector<std::unique_ptr<TfrPrinterDevice>> frPlatformPrinterDevices();

// Makes the installed printers the report engine's printers, the virtual printer
// last; without installed printers the virtual printer is selected.
void frAttachPlatformPrinters(TfrPrinter& printer);

// Takes the printer list again from `installed` (printers may have been
// installed or removed since it was read). While the names stay the same
// the devices in use are kept, with the settings made on them; otherwise
// the list is replaced and the printer selected before stays selected when
// it is still there.
void frReadPrintersAgain(TfrPrinter& printer, std::vector<std::unique_ptr<TfrPrinterDevice>> installed);

// The Qt printer behind the selected platform printer; nothing for the
// virtual printer.
QPrinter* frQtPrinter(TfrPrinter& printer);

// Whether the selected printer has a properties dialog (the paper, its
// orientation and margins as the platform's printer set-up offers them);
// the virtual printer and printers not reached through the platform have none.
bool frHasPrinterProperties(TfrPrinter& printer);
// Shows the selected printer's properties; on OK they stay with the printer
// and the report printer reads them again. False when there are none or the
// dialog was cancelled.
bool frShowPrinterProperties(TfrPrinter& printer, QWidget* parent);

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
