#pragma once

#include <QIcon>

// The tool bar pictograms, drawn in code at 16, 24 and 32 pixels.
namespace appicons {

QIcon connection(); // a plug on its cable
QIcon perform();    // a circular arrow
QIcon save();       // a diskette
QIcon report();     // a printer with a page
QIcon design();     // a pencil

} // namespace appicons
