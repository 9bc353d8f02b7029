// What the expression builder and the pickers insert: plain and bracketed
// names, field references behind aliases, the built-in variables, and the
// function browser's argument boxes and calls.

#include "report/design/designpickers.h"

#include "common/interaction.h"
#include "report/expr/functions.h"
#include "report/memdata/memtablesource.h"
#include "report/model/dataset.h"
#include "report/model/dictionary.h"
#include "report/model/engine.h"
#include "report/model/report.h"
#include "table/memtable.h"

#include <gtest/gtest.h>

namespace {

TEST(ExpressionBuilder, PlainNamesStayAndOthersAreBracketed) {
    const std::pair<const char*, const char*> cases[] = {
        {"Total", "Total"},
        {"total_1.Sum", "total_1.Sum"},
        {"PAGE1", "PAGE1"},
        {"Машина", "[Машина]"},
        {"DS.\"PointNo\"", "[DS.\"PointNo\"]"},
        {"Page#", "[Page#]"},
        {"Имя поля", "[Имя поля]"},
        {"Total sum", "[Total sum]"},
        {"Totalш", "[Totalш]"},
    };
    for (const auto& [name, inserted] : cases)
        EXPECT_EQ(frExpressionOperand(QString::fromUtf8(name)), QString::fromUtf8(inserted)) << name;
}

TEST(FunctionBrowser, ArgumentBoxesFollowTheSyntax) {
    const std::pair<const char*, int> cases[] = {
        {"LENGTH(<Строка>)", 1},
        {"POS(<Подстрока>, <Строка>)", 2},
        {"AVG(<Выражение> [,ИмяБэнда [,1]])", 3},
        {"F(a, b, c, d, e)", 3},
        {"F()", 1},
        {"<Число1> MOD <Число2>", 0},
        {"NOT <Значение>", 0},
        {"<Значение1> AND <Значение2>", 0},
        {"DATE", 0},
        {"PAGE#", 0},
        // Commas outside the argument list do not count.
        {"COPY(<Строка>), a, b", 1},
    };
    for (const auto& [syntax, boxes] : cases)
        EXPECT_EQ(frFunctionArgumentCount(QString::fromUtf8(syntax)), boxes) << syntax;

    EXPECT_EQ(frFunctionCall(QStringLiteral("COPY"), {QStringLiteral("s"), QStringLiteral(" "), QStringLiteral(" 2")}),
              QStringLiteral("COPY(s, 2)"));
    EXPECT_EQ(frFunctionCall(QStringLiteral("POS"), {QString(), QStringLiteral("'abc'")}), QStringLiteral("POS('abc')"));
    EXPECT_EQ(frFunctionCall(QStringLiteral("F"), {}), QStringLiteral("F()"));
    EXPECT_EQ(frFunctionSyntax(QStringLiteral("POS(<a>, <b>)/Позиция подстроки")), QStringLiteral("POS(<a>, <b>)"));
    EXPECT_EQ(frFunctionExplanation(QStringLiteral("POS(<a>, <b>)/Позиция / подстроки")),
              QStringLiteral("Позиция / подстроки"));
    EXPECT_EQ(frFunctionExplanation(QStringLiteral("DATE")), QString());
}

TEST(FunctionBrowser, ListsTheLibrariesDescriptions) {
    TfrEngine engine;
    const auto& entries = frFunctionDescriptions(engine);
    const auto pos = std::find_if(entries.begin(), entries.end(),
                                  [](const TfrFunctionDescription& d) { return d.name == u"POS"; });
    ASSERT_NE(pos, entries.end());
    EXPECT_EQ(frFunctionSyntax(pos->description), QStringLiteral("POS(<Подстрока>, <Строка>)"));
    EXPECT_FALSE(frFunctionExplanation(pos->description).isEmpty());
    EXPECT_EQ(frFunctionArgumentCount(frFunctionSyntax(pos->description)), 2);
    EXPECT_TRUE(frFunctionsOf(engine, pos->category).contains(QStringLiteral("POS")));
    EXPECT_TRUE(frFunctionCategories(engine).contains(QStringLiteral("Базы данных")));
    EXPECT_EQ(frFunctionDescription(engine, QStringLiteral("pos")), pos->description);
    // Every built-in function's syntax gives it a sensible number of boxes.
    for (const TfrFunctionDescription& d : entries) {
        const QString syntax = frFunctionSyntax(d.description);
        EXPECT_EQ(frFunctionArgumentCount(syntax) > 0, syntax.startsWith(d.name + u'(')) << d.name.toStdString();
    }
}

class PickerDictionary : public ::testing::Test {
protected:
    PickerDictionary() {
        table.addFieldDef(QStringLiteral("Name"), TFieldType::String, 30);
        table.addFieldDef(QStringLiteral("Qty"), TFieldType::Integer);
        registry.addTable(&source);
        report.setDataRegistry(&registry);
    }
    ~PickerDictionary() override { report.setDataRegistry(nullptr); }

    TRecordingInteraction ui;
    TfrEngine engine{&ui};
    TfrReport report{engine};
    TMemTable table{QStringLiteral("DS")};
    TfrMemTableSource source{table};
    TfrDataRegistry registry{QStringLiteral("frmMain")};
};

TEST_F(PickerDictionary, FieldReferencesNameTheRealDatasetAndFieldBehindTheirAliases) {
    TfrDataDictionary& d = report.dictionary();
    EXPECT_EQ(frFieldReference(report, QStringLiteral("DS"), QStringLiteral("Qty")), QStringLiteral("DS.\"Qty\""));
    d.aliases.set(QStringLiteral("DS"), QStringLiteral("Выборка"));
    d.aliases.set(QStringLiteral("DS.Qty"), QStringLiteral("Количество"));
    // The field "Name" is shown under the alias another field also carries
    // elsewhere: the picker takes this dataset's field.
    d.aliases.set(QStringLiteral("Other.Title"), QStringLiteral("Имя"));
    d.aliases.set(QStringLiteral("DS.Name"), QStringLiteral("Имя"));
    ASSERT_EQ(d.datasetList(), QStringList{QStringLiteral("Выборка")});
    ASSERT_EQ(d.fieldList(QStringLiteral("Выборка")), QStringList({QStringLiteral("Имя"), QStringLiteral("Количество")}));
    for (const auto& [field, reference] : {std::pair{"Количество", "DS.\"Qty\""}, std::pair{"Имя", "DS.\"Name\""}}) {
        const QString ref = frFieldReference(report, QStringLiteral("Выборка"), QString::fromUtf8(field));
        EXPECT_EQ(ref, QString::fromUtf8(reference));
        // The reference resolves as a build reads it.
        TfrCacheItem item;
        EXPECT_TRUE(d.resolveField(ref, item)) << field;
        EXPECT_TRUE(d.isVariable(ref)) << field;
    }
    // Names no dataset shows stay as given.
    EXPECT_EQ(frFieldReference(report, QStringLiteral("X"), QStringLiteral("Y")), QStringLiteral("X.\"Y\""));
}

TEST_F(PickerDictionary, TheVariablePickerOffersTheDictionaryAndTheBuiltInVariables) {
    TfrDataDictionary& d = report.dictionary();
    d.setVariable(QStringLiteral(" Параметры сервера"), QString());
    d.setVariable(QStringLiteral("Машина"), QStringLiteral("'M1'"));
    d.setVariable(QStringLiteral("Total"), QStringLiteral("1"));
    const QStringList categories = frVariableCategories(d);
    ASSERT_EQ(categories, QStringList({QStringLiteral("Параметры сервера"), frSystemVariablesCategory()}));
    EXPECT_EQ(frVariablesOf(d, categories[0]), QStringList({QStringLiteral("Машина"), QStringLiteral("Total")}));
    const QStringList system = frVariablesOf(d, categories[1]);
    EXPECT_TRUE(system.contains(QStringLiteral("PAGE#")));
    EXPECT_TRUE(system.contains(QStringLiteral("DATE")));
    EXPECT_FALSE(system.contains(QString()));
    EXPECT_TRUE(frVariablesOf(d, QStringLiteral("Нет такой")).isEmpty());

    // A dictionary category with the built-in category's name wins and is listed once.
    d.setVariable(u' ' + frSystemVariablesCategory(), QString());
    d.setVariable(QStringLiteral("Mine"), QString());
    EXPECT_EQ(frVariableCategories(d).count(frSystemVariablesCategory()), 1);
    EXPECT_EQ(frVariablesOf(d, frSystemVariablesCategory()), QStringList{QStringLiteral("Mine")});
}

TEST_F(PickerDictionary, TheLastPickedDatasetIsKeptPerEngine) {
    EXPECT_TRUE(frLastPickedDataset(engine).isEmpty());
    frLastPickedDataset(engine) = QStringLiteral("DS");
    EXPECT_EQ(frLastPickedDataset(engine), QStringLiteral("DS"));
    TfrEngine other{&ui};
    EXPECT_TRUE(frLastPickedDataset(other).isEmpty());
}

} // namespace
