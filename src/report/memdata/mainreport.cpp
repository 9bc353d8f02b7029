#include "report/memdata/mainreport.h"

#include "report/model/engine.h"
#include "table/memtable.h"

TfrMainReport::TfrMainReport(TfrEngine& engine, TMemTable& ds, TMemTable& ds2, TfrDataRegistry* registry)
    : m_ds(ds, QStringLiteral("DS")), m_ds2(ds2, QStringLiteral("DS2")), m_report(engine) {
    TfrDataRegistry& names = registry ? *registry : engine.dataRegistry();
    m_frDS.setDataSet(&m_ds);
    names.addTable(&m_ds);
    names.addTable(&m_ds2);
    names.addDataset(&m_frDS);
    m_report.setDataRegistry(&names);
    m_report.setDataset(&m_frDS);
    // The main window's preview offers page set-up too.
    m_report.previewButtons |= pbPageSetup;
}
