#include "report/model/mainreport.h"

#include "report/model/engine.h"
#include "table/memtable.h"

TfrMainReport::TfrMainReport(TMemTable& ds, TMemTable& ds2, TfrDataRegistry* registry)
    : m_registry(registry ? *registry : TfrEngine::current().dataRegistry()),
      m_ds(ds, QStringLiteral("DS")),
      m_ds2(ds2, QStringLiteral("DS2")) {
    m_frDS.setDataSet(&m_ds);
    m_registry.addTable(&m_ds);
    m_registry.addTable(&m_ds2);
    m_registry.addDataset(&m_frDS);
    m_report.setDataRegistry(&m_registry);
    m_report.dataset = &m_frDS;
}

TfrMainReport::~TfrMainReport() {
    m_registry.remove(&m_frDS);
    m_registry.remove(&m_ds);
    m_registry.remove(&m_ds2);
}
