#include "report/export/programfilters.h"

#include "report/export/formatfilters.h"
#include "report/export/pdfexport.h"
#include "report/export/textexport.h"

void frRegisterProgramFilters(TfrExportFilters& filters) {
    if (auto* text = static_cast<TfrTextExport*>(filters.add(std::make_unique<TfrTextExport>()))) {
        text->scaleX = 1;
        text->scaleY = 1;
    }
    if (auto* rtf = static_cast<TfrRTFExport*>(filters.add(std::make_unique<TfrRTFExport>()))) {
        rtf->scaleX = 1.3;
        rtf->scaleY = 1;
        rtf->isDefault = true;
    }
    if (auto* csv = static_cast<TfrCSVExport*>(filters.add(std::make_unique<TfrCSVExport>())))
        csv->setDelimiter(QStringLiteral(";"));
    if (auto* htm = static_cast<TfrHTMExport*>(filters.add(std::make_unique<TfrHTMExport>()))) {
        htm->scaleX = 1;
        htm->scaleY = 1;
    }
    filters.add(std::make_unique<TfrPdfExport>());
}
