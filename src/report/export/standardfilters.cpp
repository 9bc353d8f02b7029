#include "report/export/standardfilters.h"

#include "report/export/exportfilter.h"
#include "report/export/formatfilters.h"

void frRegisterReportFilters(TfrEngine& engine) {
    TfrExportFilters& filters = frExportFilters(engine);
    filters.add(std::make_unique<TfrTextExport>());
    auto rtf = std::make_unique<TfrRTFExport>();
    rtf->isDefault = true;
    filters.add(std::move(rtf));
    filters.add(std::make_unique<TfrCSVExport>());
    filters.add(std::make_unique<TfrHTMExport>());
}
