#pragma once

#include "report/memdata/memtablesource.h"
#include "report/model/dataset.h"
#include "report/model/report.h"

class TMemTable;

// The report set-up of the program's main window: one report whose dataset is
// the TfrDBDataSet "frDS" walking the selection table "DS", with "DS" and the
// look-up table "DS2" registered under their names so that templates find them
// ("frDS" as a band data source, DS."field" and DS2."field" as field
// references). The tables must outlive this object; what it registers drops
// out of the registry when it is destroyed.
class TfrMainReport {
public:
    // registry: where the names are registered; the engine's by default.
    TfrMainReport(TfrEngine& engine, TMemTable& ds, TMemTable& ds2, TfrDataRegistry* registry = nullptr);
    TfrMainReport(const TfrMainReport&) = delete;
    TfrMainReport& operator=(const TfrMainReport&) = delete;

    TfrReport& report() { return m_report; }
    TfrDBDataSet& frDS() { return m_frDS; }
    TfrMemTableSource& dsSource() { return m_ds; }
    TfrMemTableSource& ds2Source() { return m_ds2; }

private:
    TfrMemTableSource m_ds;
    TfrMemTableSource m_ds2;
    TfrDBDataSet m_frDS{QStringLiteral("frDS")};
    TfrReport m_report;
};
