#pragma once

#include "report/model/printer.h"

#include <memory>
#include <vector>

// Devices for the printers installed on the machine (empty when none is).
std::vector<std::unique_ptr<TfrPrinterDevice>> frPlatformPrinterDevices();

// Makes the installed printers the report engine's printers, the virtual printer
// last; without installed printers the virtual printer is selected.
void frAttachPlatformPrinters(TfrPrinter& printer);
