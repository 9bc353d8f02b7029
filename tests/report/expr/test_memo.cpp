#include "exprfixture.h"

#include "report/expr/memotext.h"
#include "report/model/objects.h"

namespace {

class MemoTest : public ExprTest {
protected:
    MemoTest() { ctx.setCurrentObject(&memo); }
    QString expand(const QString& line) { return frmemo::expandText(ctx, line, &memo); }
    TfrMemoView memo;
};

} // namespace

TEST_F(MemoTest, ExpansionAndInlineFormats) {
    using namespace frformat;
    memo.format = make(fmtText, 0, 2, u',');
    struct Row {
        std::uint32_t format;
        const char16_t* line;
        const char16_t* expected;
    } rows[] = {
        {make(fmtText, 0, 2, u','), u"[1+1]", u"2"},
        {make(fmtNumber, 1, 2, u','), u"[1+1]", u"2,00"},
        {make(fmtNumber, 1, 2, u','), u"[Price #N8.2]", u"1234.50"},
        {make(fmtText, 0, 2, u','), u"[Price #8.2]", u"1234.50"},
        {make(fmtText, 0, 0, 0), u"[Price #N8,3]", u"1234,500"},
        {make(fmtText, 0, 0, 0), u"[Price #N0.00]", u"1235"},
        {make(fmtText, 0, 0, 0), u"[Price #N#,##0.00]", u"1 234.50"},
        {make(fmtText, 0, 0, 0), u"[Price * 1000 #N#,##0]", u"1234500,000"}, // the comma is the separator
        {make(fmtText, 0, 0, 0), u"[Qty > 1 #BНет;Да]", u"Да"},
        {make(fmtText, 0, 0, 0), u"[Qty > 5 #bНет;Да]", u"Нет"},
        {make(fmtText, 0, 0, 0), u"[STRTODATE('05.11.1998') #Ddd.mm.yyyy]", u"05.11.1998"},
        {make(fmtText, 0, 0, 0), u"[STRTOTIME('14:05') #Thh:nn]", u"14:05"},
        {make(fmtNumber, 1, 1, u'.'), u"[Qty #Xyz]", u"3.0"},
        {make(fmtText, 0, 0, 0), u"Итого: [Qty] шт. по [Price] — [Name]", u"Итого: 3 шт. по 1234.5 — Насос"},
        {make(fmtText, 0, 0, 0), u"[IF([Qty] > 0, '[+]', '[-]')]", u"[+]"},
        {make(fmtText, 0, 0, 0), u"['[Name]'] [Name]", u"[Name] Насос"},
        {make(fmtText, 0, 0, 0), u"[[Qty] + 1]", u"4"},
        {make(fmtText, 0, 0, 0), u"без скобок", u"без скобок"},
        {make(fmtText, 0, 0, 0), u"[Qty] и [Name", u"3 и [Name"},
        {make(fmtText, 0, 0, 0), u"[]", u"0"},
    };
    for (const Row& r : rows) {
        memo.format = r.format;
        EXPECT_EQ(expand(QString::fromUtf16(r.line)), QString::fromUtf16(r.expected)) << QString::fromUtf16(r.line).toStdString();
    }
    // "N8." asks for decimals but gives none.
    EXPECT_THROW(expand(QStringLiteral("[Price #N8.]")), Exception);
    EXPECT_THROW(expand(QStringLiteral("[Price #N8.99999999999]")), Exception);
}

TEST_F(MemoTest, NullsZerosAndMemoLines) {
    using namespace frformat;
    table.append();
    table.post(); // a record of nulls
    table.last();
    engine.globalVariables().set(QStringLiteral("Nothing"), TVariant::null());
    for (std::uint32_t category : {fmtText, fmtNumber, fmtDate, fmtTime, fmtBoolean}) {
        memo.format = make(category, 1, 2, u',');
        EXPECT_EQ(expand(QStringLiteral("[DS.Name]|[Nothing]|")), "||") << category;
    }
    EXPECT_TRUE(eval(QStringLiteral("FIELDISNULL('DS.Name')")).toBool());
    table.first();
    memo.format = make(fmtText, 0, 0, 0);
    memo.setFlag(frflags::HideZeros, true);
    EXPECT_EQ(expand(QStringLiteral("[Qty - 3]|['0']|[Qty]")), "|0|3");
    memo.setFlag(frflags::HideZeros, false);
    EXPECT_EQ(expand(QStringLiteral("[Qty - 3]")), "0");

    engine.globalVariables().set(QStringLiteral("Multi"), TVariant(QStringLiteral("a\r\nb")));
    memo.memo = QStringList({QStringLiteral("[Name]"), QString(), QStringLiteral("[Multi]"), QStringLiteral("[Multi2]")});
    engine.globalVariables().set(QStringLiteral("Multi2"), TVariant(QStringLiteral("[Name]")));
    EXPECT_EQ(frmemo::expandMemo(ctx, memo), QStringList({"Насос", "", "a", "b", "[Name]"})); // values are not expanded again
    memo.setFlag(frflags::TextOnly, true);
    EXPECT_EQ(frmemo::expandMemo(ctx, memo), memo.memo);
}

TEST_F(MemoTest, ValueAndCurrentExpression) {
    expand(QStringLiteral("[Qty * 2 #N8.1]"));
    EXPECT_EQ(ctx.currentExpression, "Qty * 2");
    EXPECT_EQ(ctx.currentValue.toInt(), 6);
    QStringList seen;
    report.onGetValue = [&](const QString& name, TVariant&) { seen << name; };
    expand(QStringLiteral("[Qty * 2]"));
    EXPECT_EQ(seen.value(0), "Qty * 2"); // the user's handler sees the whole bracket first
    // During the registration pass nothing is formatted.
    TfrExprState& state = build;
    state.registering = true;
    ctx.setBuild(&state);
    EXPECT_EQ(expand(QStringLiteral("<[Qty]>")), "<>");
}

TEST_F(MemoTest, HighlightConditions) {
    const QString condition = TfrParser::convertToPostfix(QStringLiteral("[Qty] > 4"));
    table.first();
    EXPECT_FALSE(frmemo::highlightApplies(ctx, condition));
    table.next();
    EXPECT_TRUE(frmemo::highlightApplies(ctx, condition));
    struct Row {
        const char16_t* condition;
        bool applies;
    } rows[] = {
        {u"", false},        {u"1", true},          {u"0", false},          {u"TRUE", true},
        {u"FALSE", false},   {u"[Nonsense]", false}, {u"1 / 0", false},     {u"'x'", true},
        {u"Null", false},    {u"7 mod 0", false},
    };
    for (const Row& r : rows)
        EXPECT_EQ(frmemo::highlightApplies(ctx, TfrParser::convertToPostfix(QString::fromUtf16(r.condition))), r.applies)
            << QString::fromUtf16(r.condition).toStdString();
}
