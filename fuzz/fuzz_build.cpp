// Fuzz target for the report builder: every input is read as a report
// template and, when it loads, built over a small selection with bounded
// pages, band printings and script steps, on its own and twice after itself
// as a composite report. Any outcome but a crash, a hang or a template
// changed by the build is fine.

#include "fuzzsupport.h"
#include "common/interaction.h"
#include "report/addins/programaddins.h"
#include "report/builder/builder.h"
#include "report/render/textmeasure.h"
#include "report/expr/context.h"
#include "report/memdata/memtablesource.h"
#include "report/model/engine.h"
#include "report/model/report.h"
#include "table/memtable.h"

#include <QtGlobal>

#include <cstdint>
#include <cstdlib>

namespace {

struct Fixture {
    Fixture() {
        installExpressionEvaluator(engine);
        frRegisterProgramAddIns(engine);
        table.addFieldDef(QStringLiteral("Sub"), TFieldType::String, 20);
        table.addFieldDef(QStringLiteral("Qty"), TFieldType::Integer);
        table.open();
        for (int i = 0; i < 12; ++i) {
            table.append();
            table.fieldByName(QStringLiteral("Sub")).setAsString(QStringLiteral("S%1").arg(i / 4));
            table.fieldByName(QStringLiteral("Qty")).setAsInteger(i);
            table.post();
        }
        frDS.setDataSet(&source);
        registry.addDataset(&frDS);
        registry.addTable(&source);
    }
    TRecordingInteraction ui;
    TfrEngine engine{&ui};
    TMemTable table{QStringLiteral("DS")};
    TfrMemTableSource source{table};
    TfrDBDataSet frDS{QStringLiteral("frDS")};
    TfrDataRegistry registry{QStringLiteral("frmMain")};
    TfrFixedMeasurer measurer{6};
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    qInstallMessageHandler(frfuzz::quietQtMessages);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Fixture f;
    TfrReport report(f.engine);
    report.setDataRegistry(&f.registry);
    report.setDataset(&f.frDS);
    if (!report.loadFromStream(QByteArrayView(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size))).ok())
        return 0;
    QByteArray before;
    try {
        before = report.saveToStream();
    } catch (const Exception&) {
        return 0; // not representable: the build could not restore it
    }
    f.ui.messages.clear();
    TfrBuildOptions options;
    options.measurer = &f.measurer;
    options.maxPages = 20;
    options.maxBandPrints = 5000;
    options.maxScriptSteps = 100000;
    frBuildReport(report, options);
    if (report.saveToStream() != before)
        std::abort(); // the build changed the template
    // The template twice after itself, as a composite report (the second
    // goes on on the first's last page when its first page asks for it).
    TfrCompositeReport composite(f.engine);
    composite.reports = {TfrLink<TfrReport>(&report), TfrLink<TfrReport>(&report)};
    composite.doublePassReport = report.doublePassReport;
    frBuildCompositeReport(composite, options);
    if (report.saveToStream() != before)
        std::abort();
    f.engine.globalVariables().clear();
    return 0;
}
