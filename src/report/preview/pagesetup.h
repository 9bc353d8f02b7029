#pragma once

#include "report/model/page.h"

#include <cstdint>

class TfrReport;

// What the page set-up of the preview chose: margins in report pixels, the
// paper (its code, 256 for a custom size, and portrait width and height in
// tenths of a millimetre) and the orientation.
struct TfrPageSetup {
    TfrMargins margins;
    std::int32_t paperSize = 0;
    std::int32_t paperWidth = 0, paperHeight = 0;
    std::int32_t orientation = 0;
};

// Margins between report pixels and millimetres (x 500 / 18 gives
// hundredths of a millimetre, x 18 / 500 goes back).
double frPixelsToMillimetres(std::int32_t pixels);
std::int32_t frMillimetresToPixels(double millimetres);

// Gives every report page of the template (dialog pages keep theirs) the
// margins and the paper chosen, through the engine's printer.
void frApplyPageSetup(TfrReport& report, const TfrPageSetup& setup);
