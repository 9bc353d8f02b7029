#include "report/export/programfilters.h"

#include "report/export/pdfexport.h"
#include "report/export/textexport.h"

void frRegisterProgramFilters(TfrExportFilters& filters) {
    if (auto* text = static_cast<TfrTextExport*>(filters.add(std::make_unique<TfrTextExport>()))) {
        text->scaleX = 1;
        text->scaleY = 1;
    }
    filters.add(std::make_unique<TfrPdfExport>());
}
