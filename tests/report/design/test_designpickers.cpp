#include "report/design/designpickers.h"

#include "report/expr/functions.h"
#include "report/model/engine.h"

#include <gtest/gtest.h>

namespace {

TEST(ExpressionBuilder, PlainNamesStayAndOthersAreBracketed) {
    const std::pair<const char*, const char*> cases[] = {
        {"Total", "Total"},
        {"total_1.Sum", "total_1.Sum"},
        {"Машина", "[Машина]"},
        {"DS.\"PointNo\"", "[DS.\"PointNo\"]"},
        {"Page#", "[Page#]"},
        {"Имя поля", "[Имя поля]"},
        {"Total sum", "[Total sum]"},
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
        {"<Число1> MOD <Число2>", 0},
        {"NOT <Значение>", 0},
        {"DATE", 0},
    };
    for (const auto& [syntax, boxes] : cases)
        EXPECT_EQ(frFunctionArgumentCount(QString::fromUtf8(syntax)), boxes) << syntax;

    EXPECT_EQ(frFunctionCall(QStringLiteral("COPY"), {QStringLiteral("s"), QStringLiteral(" "), QStringLiteral("2")}),
              QStringLiteral("COPY(s, 2)"));
    EXPECT_EQ(frFunctionCall(QStringLiteral("F"), {}), QStringLiteral("F()"));
    EXPECT_EQ(frFunctionSyntax(QStringLiteral("POS(<a>, <b>)/Позиция подстроки")), QStringLiteral("POS(<a>, <b>)"));
    EXPECT_EQ(frFunctionExplanation(QStringLiteral("POS(<a>, <b>)/Позиция / подстроки")), QStringLiteral("Позиция / подстроки"));
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
}

} // namespace
