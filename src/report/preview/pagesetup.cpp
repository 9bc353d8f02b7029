#include "report/preview/pagesetup.h"

#include "common/rounding.h"
#include "report/model/constants.h"
#include "report/model/report.h"

#include <algorithm>

double frPixelsToMillimetres(std::int32_t pixels) { return pixels * 500.0 / 18.0 / 100.0; }

std::int32_t frMillimetresToPixels(double millimetres) {
    // Margins of a sheet: no more than ten metres either way.
    return roundHalfEven(std::clamp(millimetres, -10000.0, 10000.0) * 100.0 * 18.0 / 500.0);
}

void frApplyPageSetup(TfrReport& report, const TfrPageSetup& setup) {
    for (int i = 0; i < report.pages().count(); ++i) {
        TfrPage* page = report.pages()[i];
        if (page->pageType != ptReport)
            continue;
        page->margins = setup.margins;
        page->changePaper(setup.paperSize, setup.paperWidth, setup.paperHeight, page->bin, setup.orientation);
    }
}
