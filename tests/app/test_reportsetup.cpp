// The main window's report set-up: the dictionary variables of the program
// and a report over the selection table.

#include "common/datetime.h"
#include "report/memdata/memtablesource.h"
#include "report/memdata/reportvars.h"
#include "report/model/buildstate.h"
#include "report/model/engine.h"
#include "report/model/report.h"
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

TEST(ReportVariablesOfTheProgram, AppendedInOrderWithQuotes) {
    TfrEngine engine;
    TfrReport r(engine);
    r.dictionary().setVariable(QStringLiteral("Own"), TVariant(QStringLiteral("1")));
    const QDateTime utc(QDate(2024, 3, 5), QTime(7, 8, 59), QTimeZone::utc());
    SetReportVariables(r, QStringLiteral("NTSRV"), QStringLiteral("TMS'1"), fileTimeOf(utc));
    const TfrVariables& v = r.dictionary().variables;
    EXPECT_EQ(v.names(), QStringList({"Own", " Параметры сервера", "Машина", "Сервер", "Файл_изменён"}));
    EXPECT_EQ(v.get(QStringLiteral(" Параметры сервера")).toString(), "");
    EXPECT_EQ(v.get(QStringLiteral("Машина")).toString(), "'NTSRV'");
    // An apostrophe inside is doubled, so the literal reads back as the name.
    EXPECT_EQ(v.get(QStringLiteral("Сервер")).toString(), "'TMS''1'");
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
    TfrEngine engine;
    TfrReport r(engine);
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
    TfrEngine scoped;
    scoped.evaluator = unquote;

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
    TfrDataRegistry& registry = scoped.dataRegistry();
    registry.addTable(&dsSource);
    registry.addDataset(&frDS);

    TfrReport report(scoped);
    report.setDataset(&frDS);
    TfrPage* page = report.pages()[report.pages().add()];
    page->name = report.uniquePageName();
    auto addBand = [&](int type, int top) {
        auto b = scoped.createObject(gtBand);
        static_cast<TfrBandView&>(*b).setBandType(type);
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
    TfrBuildState state;
    state.setDataset(*data, walked);
    TfrBuildScope building(report, state);
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
