#include "common/datetime.h"
#include "report/model/engine.h"
#include "report/model/report.h"
#include "report/model/reportvars.h"
#include "table/memtable.h"

#include <QTimeZone>
#include <gtest/gtest.h>

namespace {

// File time (100-ns units since 1601, UTC) of a UTC date-time.
std::uint64_t fileTimeOf(const QDateTime& utc) { return datetime::toFileTime(utc); }

TVariant unquote(TfrReport& report, const QString& expr) {
    if (expr.startsWith(u'\'') && expr.endsWith(u'\''))
        return TVariant(expr.mid(1, expr.size() - 2));
    if (expr.startsWith(u'[') && expr.endsWith(u']')) {
        const QString name = expr.mid(1, expr.size() - 2);
        report.dictionary().isVariable(name);
        return report.dictionary().value(name);
    }
    return TVariant(expr);
}

} // namespace

TEST(ReportModel, NewReportDefaults) {
    TfrScopedEngine engine;
    TfrReport r;
    EXPECT_EQ(r.pages().count(), 0);
    EXPECT_EQ(r.fileName, "Untitled");
    EXPECT_EQ(r.defaultCopies, 1);
    EXPECT_TRUE(r.defaultCollate);
    EXPECT_TRUE(r.printIfEmpty);
    EXPECT_TRUE(r.showPrintDialog);
    EXPECT_TRUE(r.showProgress);
    EXPECT_TRUE(r.modalPreview);
    EXPECT_TRUE(r.modifyPrepared);
    EXPECT_FALSE(r.storeInDFM);
    EXPECT_FALSE(r.rebuildPrinter);
    EXPECT_EQ(r.reportType, TfrReportType::rtSimple);
    EXPECT_EQ(r.initialZoom, TfrPreviewZoom::pzDefault);
    EXPECT_EQ(r.previewButtons, 127u); // all but page set-up
    EXPECT_EQ(r.info.generatorByte, 88);
    EXPECT_EQ(r.dataset, nullptr);
}

TEST(ReportModel, ClearKeepsThePrinterButResetsTheRest) {
    TfrScopedEngine engine;
    TfrReport r;
    r.pages().add();
    r.pages()[0]->add(std::make_unique<TfrMemoView>());
    r.dictionary().setVariable(QStringLiteral("V"), TVariant(QStringLiteral("1")));
    r.keepDefaultPrinter = true;
    r.printerName = QStringLiteral("Office");
    r.doublePassReport = true;
    r.info.name = QStringLiteral("Отчёт");
    r.info.password = QStringLiteral("secret");
    r.info.passwordProtected = true;
    r.info.createDate = r.info.lastChangeDate = 1.0;
    r.info.generatorByte = 1;

    const double before = datetime::now();
    r.clear();
    const double after = datetime::now();
    EXPECT_EQ(r.pages().count(), 0);
    EXPECT_TRUE(r.dictionary().variables.isEmpty());
    EXPECT_TRUE(r.keepDefaultPrinter);
    EXPECT_EQ(r.printerName, "Office");
    EXPECT_FALSE(r.doublePassReport);
    EXPECT_TRUE(r.info.name.isEmpty());
    EXPECT_TRUE(r.info.password.isEmpty());
    EXPECT_FALSE(r.info.passwordProtected);
    EXPECT_EQ(r.info.generatorByte, 88);
    EXPECT_GE(r.info.createDate, before);
    EXPECT_LE(r.info.createDate, after);
    EXPECT_GE(r.info.lastChangeDate, before);
}

TEST(ReportModel, FindObjectSearchesPagesInOrder) {
    TfrScopedEngine engine;
    TfrReport r;
    r.pages().add();
    r.pages().add();
    TfrView* second = r.pages()[1]->add(std::make_unique<TfrMemoView>());
    second->setName(QStringLiteral("Total"));
    TfrView* first = r.pages()[0]->add(std::make_unique<TfrLineView>());
    first->setName(QStringLiteral("TOTAL"));
    EXPECT_EQ(r.findObject(QStringLiteral("total")), first);
    EXPECT_EQ(r.findObject(QStringLiteral("none")), nullptr);
    EXPECT_EQ(r.allObjects().size(), 2u);
}

TEST(ReportModel, BuildAndDesignNeedTheirLayers) {
    TfrScopedEngine scoped;
    TfrReport r;
    EXPECT_THROW(r.prepareReport(), Exception);
    EXPECT_THROW(r.designReport(), Exception);
    int built = 0, shown = 0;
    scoped.engine().prepareReportHook = [&](TfrReport&) { return ++built == 1; };
    scoped.engine().showPreparedReportHook = [&](TfrReport&) { ++shown; };
    r.showReport();
    r.showReport(); // the second build "fails": nothing is shown
    EXPECT_EQ(built, 2);
    EXPECT_EQ(shown, 1);
}

TEST(ReportModel, EngineStateSlotsAreFreshPerEngine) {
    struct Counter {
        int n = 0;
    };
    {
        TfrScopedEngine scoped;
        TfrEngine::current().state<Counter>().n = 5;
        EXPECT_EQ(scoped.engine().state<Counter>().n, 5);
    }
    TfrScopedEngine other;
    EXPECT_EQ(TfrEngine::current().state<Counter>().n, 0);
}

TEST(ReportVariablesOfTheProgram, AppendedInOrderWithQuotes) {
    TfrScopedEngine engine;
    TfrReport r;
    r.dictionary().setVariable(QStringLiteral("Own"), TVariant(QStringLiteral("1")));
    const QDateTime utc(QDate(2024, 3, 5), QTime(7, 8, 59), QTimeZone::utc());
    SetReportVariables(r, QStringLiteral("NTSRV"), QStringLiteral("TMS'1"), fileTimeOf(utc));
    const TfrVariables& v = r.dictionary().variables;
    EXPECT_EQ(v.names(), QStringList({"Own", " Параметры сервера", "Машина", "Сервер", "Файл_изменён"}));
    EXPECT_EQ(v.get(QStringLiteral(" Параметры сервера")).toString(), "");
    EXPECT_EQ(v.get(QStringLiteral("Машина")).toString(), "'NTSRV'");
    EXPECT_EQ(v.get(QStringLiteral("Сервер")).toString(), "'TMS'1'");
    const QString local = utc.toLocalTime().toString(QStringLiteral("dd.MM.yyyy HH:mm"));
    EXPECT_EQ(v.get(QStringLiteral("Файл_изменён")).toString(), u'\'' + local + u'\'');
    EXPECT_EQ(r.dictionary().variablesOf(QStringLiteral("Параметры сервера")),
              QStringList({"Машина", "Сервер", "Файл_изменён"}));
}

TEST(ReportVariablesOfTheProgram, FileTimeIsShownInLocalTime) {
    const QDateTime utc(QDate(2023, 12, 31), QTime(23, 30), QTimeZone::utc());
    const QString text = frFileTimeText(fileTimeOf(utc));
    EXPECT_EQ(text, utc.toLocalTime().toString(QStringLiteral("dd.MM.yyyy HH:mm")));
    EXPECT_EQ(text.size(), 16);
    // The same instant read back as local time.
    const QDateTime back = QDateTime::fromString(text, QStringLiteral("dd.MM.yyyy HH:mm"));
    EXPECT_EQ(back.toUTC(), utc);
}

TEST(ReportVariablesOfTheProgram, ExistingEntriesAreReplacedInPlace) {
    TfrScopedEngine engine;
    TfrReport r;
    TfrVariables& v = r.dictionary().variables;
    v.set(QStringLiteral("сервер"), TVariant(QStringLiteral("'old'")));
    v.set(QStringLiteral("Other"), TVariant(QStringLiteral("2")));
    v.set(QStringLiteral(" Параметры сервера"), TVariant(QStringLiteral("x")));
    SetReportVariables(r, QStringLiteral("A"), QStringLiteral("B"), 0);
    EXPECT_EQ(v.names(), QStringList({"сервер", "Other", " Параметры сервера", "Машина", "Файл_изменён"}));
    EXPECT_EQ(v.get(QStringLiteral("Сервер")).toString(), "'B'");
    EXPECT_EQ(v.get(QStringLiteral(" Параметры сервера")).toString(), "");
    // Repeating it changes nothing.
    SetReportVariables(r, QStringLiteral("A"), QStringLiteral("B"), 0);
    EXPECT_EQ(v.count(), 5);
}

// A report built in memory the way the main window sets it up: frDS bound to
// the selection table DS, a master data band walking it, memos reading its
// fields and the connection variables through the dictionary.
TEST(ReportModel, ReportOverTheSelectionTable) {
    TfrScopedEngine scoped;
    scoped.engine().evaluator = unquote;

    TMemTable ds(QStringLiteral("DS"));
    ds.addFieldDef(QStringLiteral("Name"), TFieldType::String, 40);
    ds.addFieldDef(QStringLiteral("Addr"), TFieldType::Integer);
    ds.open();
    const std::pair<const char16_t*, int> rows[] = {{u"ТС 1", 10}, {u"ТС 2", 20}, {u"ТИ 7", 30}};
    for (const auto& [name, addr] : rows) {
        ds.append();
        ds.fieldByName(QStringLiteral("Name")).setAsString(QString::fromUtf16(name));
        ds.fieldByName(QStringLiteral("Addr")).setAsInteger(addr);
        ds.post();
    }
    TfrMemTableSource dsSource(ds);
    TfrDBDataSet frDS(QStringLiteral("frDS"));
    frDS.setDataSet(&dsSource);
    TfrDataRegistry& registry = scoped.engine().dataRegistry();
    registry.addTable(&dsSource);
    registry.addDataset(&frDS);

    TfrReport report;
    report.dataset = &frDS;
    TfrPage* page = report.pages()[report.pages().add()];
    page->name = report.uniquePageName();
    auto addBand = [&](int type, int top) {
        auto b = std::make_unique<TfrBandView>();
        b->setBandType(type);
        b->setBounds(0, top, 700, 20);
        TfrView* v = page->add(std::move(b));
        v->createUniqueName();
        return static_cast<TfrBandView*>(v);
    };
    auto addMemo = [&](const QString& text, int top) {
        auto m = std::make_unique<TfrMemoView>();
        m->setBounds(10, top, 200, 18);
        m->memo << text;
        TfrView* v = page->add(std::move(m));
        v->createUniqueName();
        return v;
    };
    addBand(btPageHeader, 20);
    addMemo(QStringLiteral("[Сервер]"), 22);
    TfrBandView* data = addBand(btMasterData, 60);
    data->setDataSourceName(QStringLiteral("frDS"));
    addMemo(QStringLiteral("[Name]"), 62);
    addMemo(QStringLiteral("[DS.\"Addr\"]"), 62);
    SetReportVariables(report, QStringLiteral("SRV"), QStringLiteral("TMS"), 0);

    EXPECT_EQ(page->name, "Page1");
    EXPECT_EQ(report.findObject(QStringLiteral("band2")), data);
    EXPECT_EQ(report.findObject(QStringLiteral("Memo3"))->memo.value(0), "[DS.\"Addr\"]");

    // Walk the band's dataset and read what its memos name.
    std::unique_ptr<TfrDataset> owned;
    TfrDataset* walked = frResolveBandDataSource(data->dataSourceName(), report.dataRegistry(), owned);
    ASSERT_EQ(walked, &frDS);
    data->dataset = walked;
    TfrDataDictionary& dict = report.dictionary();
    QStringList lines;
    walked->first();
    while (!data->getPropValue(QStringLiteral("EOF"))->toBool()) {
        ASSERT_TRUE(dict.isVariable(QStringLiteral("Name")));
        ASSERT_TRUE(dict.isVariable(QStringLiteral("DS.\"Addr\"")));
        lines << dict.value(QStringLiteral("Name")).toString() + u'=' +
                     dict.value(QStringLiteral("DS.\"Addr\"")).toString();
        data->doMethod(QStringLiteral("NEXT"), {});
    }
    walked->exit();
    EXPECT_EQ(lines, QStringList({"ТС 1=10", "ТС 2=20", "ТИ 7=30"}));
    EXPECT_TRUE(dict.isVariable(QStringLiteral("Сервер")));
    EXPECT_EQ(dict.value(QStringLiteral("Сервер")).toString(), "TMS");
    EXPECT_EQ(dict.value(QStringLiteral("Машина")).toString(), "SRV");
    EXPECT_EQ(dict.datasetList(), QStringList({"DS"}));
    EXPECT_EQ(dict.bandSourceList(), QStringList({"frDS"}));

    // Objects are reached by name and property as scripts do.
    TfrView* memo = report.findObject(QStringLiteral("MEMO2"));
    ASSERT_NE(memo, nullptr);
    EXPECT_TRUE(memo->setPropValue(QStringLiteral("Font.Size"), TVariant(std::int32_t(12))));
    EXPECT_EQ(static_cast<TfrMemoView*>(memo)->font.size, 12);
    registry.clear();
}
