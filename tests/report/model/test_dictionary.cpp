#include "common/binio.h"
#include "report/model/dictionary.h"
#include "report/model/engine.h"
#include "report/model/report.h"
#include "report/memdata/memtablesource.h"
#include "table/memtable.h"

#include <gtest/gtest.h>

namespace {

// A stand-in for the expression parser: 'text' is a string, [Name] the value of
// a dictionary name, anything else an integer.
TVariant evaluateForTest(TfrReport& report, const QString& expr) {
    if (expr.size() >= 2 && expr.startsWith(u'\'') && expr.endsWith(u'\''))
        return TVariant(expr.mid(1, expr.size() - 2));
    if (expr.startsWith(u'[') && expr.endsWith(u']')) {
        const QString name = expr.mid(1, expr.size() - 2);
        report.dictionary().isVariable(name);
        return report.dictionary().value(name);
    }
    return TVariant(expr.toInt());
}

class DictionaryTest : public ::testing::Test {
protected:
    void SetUp() override {
        engine.evaluator = evaluateForTest;
        table.addFieldDef(QStringLiteral("Name"), TFieldType::String, 30);
        table.addFieldDef(QStringLiteral("Qty"), TFieldType::Integer);
        table.open();
        add(QStringLiteral("Насос"), 3);
        add(QStringLiteral("Клапан"), 5);
        table.first();
        frDS.setDataSet(&source);
        registry.addDataset(&frDS);
        registry.addTable(&source);
        report.setDataRegistry(&registry);
        report.setDataset(&frDS);
    }
    void add(const QString& name, int qty) {
        table.append();
        table.fieldByName(QStringLiteral("Name")).setAsString(name);
        table.fieldByName(QStringLiteral("Qty")).setAsInteger(qty);
        table.post();
    }

    TfrEngine engine;
    TMemTable table{QStringLiteral("DS")};
    TfrMemTableSource source{table};
    TfrDBDataSet frDS{QStringLiteral("frDS")};
    TfrDataRegistry registry{QStringLiteral("frmMain")};
    TfrReport report{engine};
    TfrDataDictionary& dict = report.dictionary();
};

} // namespace

TEST(ReportVariables, ListSemantics) {
    TfrVariables v;
    v.set(QStringLiteral("B"), TVariant(std::int32_t(1)));
    v.set(QStringLiteral("a"), TVariant(std::int32_t(2)));
    v.set(QStringLiteral("b"), TVariant(std::int32_t(3))); // replaces, keeps the first spelling
    EXPECT_EQ(v.names(), QStringList({"B", "a"}));
    EXPECT_EQ(v.get(QStringLiteral("B")).toInt(), 3);
    EXPECT_TRUE(v.get(QStringLiteral("zz")).isEmpty());
    EXPECT_EQ(v.indexOf(QStringLiteral("A")), 1);
    EXPECT_EQ(v.value(7).kind(), TVariant::Kind::Integer);
    EXPECT_EQ(v.value(-1).toInt(), 0);
    EXPECT_EQ(v.name(9), "");
    v.setValue(9, TVariant(true)); // ignored
    v.setName(9, QStringLiteral("x"));
    EXPECT_EQ(v.count(), 2);
    v.insert(1, QStringLiteral("Mid"));
    EXPECT_EQ(v.names(), QStringList({"B", "Mid", "a"}));
    EXPECT_EQ(v.get(QStringLiteral("mid")).toInt(), 0);
    v.remove(5);
    v.remove(0);
    EXPECT_EQ(v.names(), QStringList({"Mid", "a"}));

    TfrVariables sorted(true);
    sorted.set(QStringLiteral("Zeta"), TVariant(std::int32_t(1)));
    sorted.set(QStringLiteral("alpha"), TVariant(std::int32_t(2)));
    sorted.set(QStringLiteral("Beta"), TVariant(std::int32_t(3)));
    EXPECT_EQ(sorted.names(), QStringList({"alpha", "Beta", "Zeta"}));
    EXPECT_EQ(sorted.indexOf(QStringLiteral("BETA")), 1);
    sorted.assign(v);
    EXPECT_EQ(sorted.names(), QStringList({"a", "Mid"}));
}

TEST_F(DictionaryTest, VariableReadsItsFieldThroughTheCache) {
    dict.setVariable(QStringLiteral("Изделие"), TVariant(QStringLiteral("DS.\"Name\"")));
    EXPECT_TRUE(dict.isVariable(QStringLiteral("изделие")));
    EXPECT_EQ(dict.fieldCache().size(), 1u);
    EXPECT_EQ(dict.value(QStringLiteral("Изделие")).toString(), "Насос");
    table.next();
    EXPECT_EQ(dict.value(QStringLiteral("Изделие")).toString(), "Клапан");
}

TEST_F(DictionaryTest, BareFieldNamesBelongToTheDefaultDataset) {
    EXPECT_TRUE(dict.isVariable(QStringLiteral("Qty")));
    EXPECT_EQ(dict.value(QStringLiteral("QTY")).toInt(), 3);
    EXPECT_TRUE(dict.isVariable(QStringLiteral("DS.Name")));
    EXPECT_TRUE(dict.isVariable(QStringLiteral("frmMain.DS.\"Qty\"")));
    EXPECT_FALSE(dict.isVariable(QStringLiteral("Price")));
    EXPECT_FALSE(dict.isVariable(QStringLiteral("DS2.Name")));

    // While building, the builder's provider chooses the table.
    TMemTable other(QStringLiteral("DS2"));
    other.addFieldDef(QStringLiteral("Price"), TFieldType::Float);
    TfrMemTableSource otherSource(other);
    dict.defaultTableProvider = [&] { return static_cast<TfrTableSource*>(&otherSource); };
    EXPECT_TRUE(dict.isVariable(QStringLiteral("Price")));
}

TEST_F(DictionaryTest, AliasesTranslateDatasetAndFieldNames) {
    dict.aliases.set(QStringLiteral("DS"), TVariant(QStringLiteral("Выборка")));
    dict.aliases.set(QStringLiteral("DS.Qty"), TVariant(QStringLiteral("Количество")));
    EXPECT_TRUE(dict.isVariable(QStringLiteral("Выборка.Количество")));
    EXPECT_EQ(dict.value(QStringLiteral("Выборка.Количество")).toInt(), 3);
    EXPECT_EQ(dict.realDataSetName(QStringLiteral("выборка")), "DS");
    EXPECT_EQ(dict.realFieldName(QStringLiteral("Количество")), "Qty");
    EXPECT_EQ(dict.realDataSetName(QStringLiteral("Other")), "Other");
    EXPECT_EQ(dict.aliasName(QStringLiteral("DS")), "Выборка");
    dict.bandSources.set(QStringLiteral("frDS"), TVariant(QStringLiteral("Главный")));
    EXPECT_EQ(dict.aliasName(QStringLiteral("frDS")), "Главный");
    EXPECT_EQ(dict.realDataSourceName(QStringLiteral("Главный")), "frDS");
    EXPECT_EQ(dict.aliasName(QStringLiteral("nothing")), "nothing");
}

TEST_F(DictionaryTest, ExpressionsAndGlobals) {
    dict.setVariable(QStringLiteral("Text"), TVariant(QStringLiteral("'abc'")));
    dict.setVariable(QStringLiteral("Unset"), TVariant(QString()));
    dict.setVariable(QStringLiteral("Shadowed"), TVariant(QStringLiteral("'dictionary'")));
    EXPECT_EQ(dict.value(QStringLiteral("text")).toString(), "abc");

    engine.evaluator = nullptr; // the parser must not be asked for an empty value
    EXPECT_TRUE(dict.isVariable(QStringLiteral("Unset")));
    EXPECT_TRUE(dict.value(QStringLiteral("Unset")).isEmpty());
    EXPECT_THROW(dict.value(QStringLiteral("Text")), Exception);

    engine.globalVariables().set(QStringLiteral("SHADOWED"), TVariant(std::int32_t(42)));
    EXPECT_EQ(dict.value(QStringLiteral("Shadowed")).toInt(), 42);
    EXPECT_TRUE(dict.value(QStringLiteral("Unknown")).isEmpty());
}

TEST_F(DictionaryTest, VariablesReferringToEachOtherEndInAnError) {
    dict.setVariable(QStringLiteral("A"), TVariant(QStringLiteral("[B]")));
    dict.setVariable(QStringLiteral("B"), TVariant(QStringLiteral("[a]")));
    dict.setVariable(QStringLiteral("Self"), TVariant(QStringLiteral("[Self]")));
    dict.setVariable(QStringLiteral("C"), TVariant(QStringLiteral("[D]")));
    dict.setVariable(QStringLiteral("D"), TVariant(QStringLiteral("7")));
    try {
        dict.value(QStringLiteral("A"));
        FAIL() << "no error";
    } catch (const Exception& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("ссылается сама на себя"))) << e.what();
    }
    EXPECT_THROW(dict.value(QStringLiteral("Self")), Exception);
    // The guard is released after an error: independent chains still work.
    EXPECT_EQ(dict.value(QStringLiteral("C")).toInt(), 7);
    EXPECT_EQ(dict.value(QStringLiteral("C")).toInt(), 7);
}

TEST_F(DictionaryTest, CategoriesAndLists) {
    dict.setVariable(QStringLiteral(" Общие"), TVariant(QString()));
    dict.setVariable(QStringLiteral("X"), TVariant(QStringLiteral("1")));
    dict.setVariable(QStringLiteral("Y"), TVariant(QStringLiteral("2")));
    dict.setVariable(QStringLiteral(" Пустая"), TVariant(QString()));
    dict.variables.insert(dict.variables.count(), QString());
    dict.setVariable(QStringLiteral("Z"), TVariant(QStringLiteral("3")));
    EXPECT_EQ(dict.categoryList(), QStringList({"Общие", "Пустая"}));
    EXPECT_EQ(dict.variablesOf(QStringLiteral("общие")), QStringList({"X", "Y"}));
    EXPECT_TRUE(dict.variablesOf(QStringLiteral("Пустая")).isEmpty());
    EXPECT_TRUE(dict.variablesOf(QStringLiteral("None")).isEmpty());

    TMemTable second(QStringLiteral("DS2"));
    second.addFieldDef(QStringLiteral("Key"), TFieldType::String, 5);
    TfrMemTableSource secondSource(second);
    registry.addTable(&secondSource);
    EXPECT_EQ(dict.datasetList(), QStringList({"DS", "DS2"}));
    EXPECT_EQ(dict.fieldList(QStringLiteral("DS")), QStringList({"Name", "Qty"}));
    EXPECT_EQ(dict.bandSourceList(), QStringList({"frDS"}));

    dict.aliases.set(QStringLiteral("DS"), TVariant(QStringLiteral("Выборка")));
    dict.aliases.set(QStringLiteral("DS.Name"), TVariant(QString()));       // hidden
    dict.aliases.set(QStringLiteral("DS.Qty"), TVariant(QStringLiteral("Кол")));
    EXPECT_EQ(dict.datasetList(), QStringList({"Выборка"}));
    EXPECT_EQ(dict.fieldList(QStringLiteral("Выборка")), QStringList({"Кол"}));

    TfrUserDataset other(QStringLiteral("frUser"));
    registry.addDataset(&other);
    dict.bandSources.set(QStringLiteral("frUser"), TVariant(QStringLiteral("Пользовательский")));
    EXPECT_EQ(dict.bandSourceList(), QStringList({"Пользовательский"}));
}

TEST_F(DictionaryTest, OldLayoutConversion) {
    std::vector<TfrOldDictEntry> entries = {
        {2, 1, QString(), QStringLiteral("1+2"), QStringLiteral("Var")},
        {1, 0, QStringLiteral("DS"), QStringLiteral("Name"), QStringLiteral("Field")},
        {2, 2, QString(), QString(), QStringLiteral("Today")},
        {2, 99, QString(), QString(), QStringLiteral("Far")},
        {5, 0, QStringLiteral("X"), QStringLiteral("Y"), QStringLiteral("Odd")},
    };
    dict.loadOldLayout(entries, {QStringLiteral("Cat"), QStringLiteral(" Var"), QStringLiteral(" Field"),
                                 QStringLiteral(" Today"), QStringLiteral(" Far"), QStringLiteral(" Odd")});
    dict.convertOldConvention();
    EXPECT_EQ(dict.variables.names(), QStringList({" Cat", "Var", "Field", "Today", "Far", "Odd"}));
    EXPECT_EQ(dict.variables.get(QStringLiteral("Var")).toString(), "1+2");
    EXPECT_EQ(dict.variables.get(QStringLiteral("Field")).toString(), "DS.\"Name\"");
    EXPECT_EQ(dict.variables.get(QStringLiteral("Today")).toString(), "DATE");
    EXPECT_EQ(dict.variables.get(QStringLiteral("Far")).toString(), "");
    EXPECT_EQ(dict.variables.get(QStringLiteral("Odd")).toString(), "");
    EXPECT_EQ(dict.variablesOf(QStringLiteral("Cat")).size(), 5);
    EXPECT_EQ(dict.value(QStringLiteral("Field")).toString(), "Насос");
}

TEST_F(DictionaryTest, NewConventionIsLeftAlone) {
    dict.setVariable(QStringLiteral(" Cat"), TVariant(QString()));
    dict.setVariable(QStringLiteral("Var"), TVariant(QString()));
    dict.convertOldConvention();
    EXPECT_EQ(dict.variables.names(), QStringList({" Cat", "Var"}));
    dict.clear();
    dict.convertOldConvention(); // empty list: nothing to do
    EXPECT_TRUE(dict.variables.isEmpty());
}

TEST_F(DictionaryTest, StaleAliasCleanUp) {
    dict.aliases.set(QStringLiteral("DS.Name"), TVariant(QString()));    // resolves: kept
    dict.aliases.set(QStringLiteral("DS.Gone"), TVariant(QString()));    // no such field: dropped
    dict.aliases.set(QStringLiteral("DS.Other"), TVariant(QStringLiteral("shown"))); // has an alias: kept
    dict.bandSources.set(QStringLiteral("frDS"), TVariant(QString()));
    dict.bandSources.set(QStringLiteral("frX"), TVariant(QStringLiteral("X")));
    dict.removeStaleAliases();
    EXPECT_EQ(dict.aliases.names(), QStringList({"DS.Name", "DS.Other"}));
    EXPECT_EQ(dict.bandSources.names(), QStringList({"frX"}));
}

TEST_F(DictionaryTest, ClearEmptiesEverything) {
    dict.setVariable(QStringLiteral("V"), TVariant(QStringLiteral("DS.Qty")));
    dict.isVariable(QStringLiteral("V"));
    dict.aliases.set(QStringLiteral("DS"), TVariant(QStringLiteral("x")));
    dict.bandSources.set(QStringLiteral("frDS"), TVariant(QStringLiteral("y")));
    dict.clear();
    EXPECT_TRUE(dict.variables.isEmpty());
    EXPECT_TRUE(dict.aliases.isEmpty());
    EXPECT_TRUE(dict.bandSources.isEmpty());
    EXPECT_TRUE(dict.fieldCache().empty());
}

TEST_F(DictionaryTest, CachedFieldsOfADestroyedTableAreDropped) {
    auto temp = std::make_unique<TMemTable>(QStringLiteral("TMP"));
    temp->addFieldDef(QStringLiteral("X"), TFieldType::Integer);
    temp->open();
    temp->append();
    temp->fieldByName(QStringLiteral("X")).setAsInteger(9);
    temp->post();
    auto tempSource = std::make_unique<TfrMemTableSource>(*temp);
    registry.addTable(tempSource.get());
    dict.setVariable(QStringLiteral("V"), TVariant(QStringLiteral("TMP.X")));
    EXPECT_EQ(dict.value(QStringLiteral("V")).toInt(), 9);
    registry.remove(tempSource.get());
    tempSource.reset();
    temp.reset();
    // The variable is no longer a field; its text goes to the evaluator.
    EXPECT_TRUE(dict.isVariable(QStringLiteral("V")));
    EXPECT_FALSE(dict.isVariable(QStringLiteral("TMP.X")));
    EXPECT_EQ(dict.value(QStringLiteral("V")).toInt(), 0); // the test evaluator reads "TMP.X" as 0
}

TEST_F(DictionaryTest, ResolutionOrderCacheThenVariablesThenFields) {
    // A variable hides a field of the same name.
    dict.setVariable(QStringLiteral("Qty"), TVariant(QStringLiteral("'variable'")));
    EXPECT_TRUE(dict.isVariable(QStringLiteral("Qty")));
    EXPECT_EQ(dict.value(QStringLiteral("Qty")).toString(), "variable");
    EXPECT_TRUE(dict.fieldCache().empty());

    // A name already cached as a field stays a field.
    EXPECT_TRUE(dict.isVariable(QStringLiteral("Name")));
    dict.setVariable(QStringLiteral("Name"), TVariant(QStringLiteral("'late'")));
    EXPECT_EQ(dict.value(QStringLiteral("NAME")).toString(), "Насос");
    dict.clearCache();
    EXPECT_EQ(dict.value(QStringLiteral("Name")).toString(), "late");
}

TEST_F(DictionaryTest, FieldAliasesBelongToTheirOwnDataset) {
    // DS2 also has a Qty field; its alias must not answer for DS, whose name
    // is a prefix of DS2's.
    TMemTable second(QStringLiteral("DS2"));
    second.addFieldDef(QStringLiteral("Qty"), TFieldType::Integer);
    second.open();
    TfrMemTableSource secondSource(second);
    registry.addTable(&secondSource);
    dict.aliases.set(QStringLiteral("DS2.Qty"), TVariant(QStringLiteral("Остаток")));
    EXPECT_TRUE(dict.isVariable(QStringLiteral("DS2.Остаток")));
    EXPECT_FALSE(dict.isVariable(QStringLiteral("DS.Остаток")));
    dict.aliases.set(QStringLiteral("DS.Qty"), TVariant(QStringLiteral("Остаток")));
    EXPECT_TRUE(dict.isVariable(QStringLiteral("DS.Остаток")));
    EXPECT_EQ(dict.value(QStringLiteral("DS.Остаток")).toInt(), 3);
}

TEST_F(DictionaryTest, CurrentLayoutStartingWithAVariableRoundTrips) {
    // A dictionary of the layout this program writes whose first entry is a
    // variable, not a category, is taken as it is.
    dict.setVariable(QStringLiteral("Var"), TVariant(QStringLiteral("1")));
    dict.setVariable(QStringLiteral(" Cat"), TVariant(QString()));
    dict.setVariable(QStringLiteral("Inner"), TVariant(QStringLiteral("2")));
    QByteArray bytes;
    TBinaryWriter out(bytes);
    dict.saveToStream(out);
    for (int round = 0; round < 2; ++round) {
        TBinaryReader in(bytes);
        dict.loadFromStream(in, 25);
        EXPECT_EQ(dict.variables.names(), QStringList({"Var", " Cat", "Inner"})) << round;
        QByteArray again;
        TBinaryWriter w(again);
        dict.saveToStream(w);
        EXPECT_EQ(again, bytes) << round;
    }
}
