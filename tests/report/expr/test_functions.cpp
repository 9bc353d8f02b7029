#include "exprfixture.h"

#include "report/expr/aggregates.h"
#include "report/expr/functions.h"
#include "report/model/objects.h"

namespace {

struct Row {
    const char16_t* expression;
    const char16_t* expected;
};

void expectRows(ExprTest& t, std::initializer_list<Row> rows, const char* family) {
    for (const Row& r : rows) {
        const QString expr = QString::fromUtf16(r.expression);
        try {
            EXPECT_EQ(t.ctx.evaluate(expr).toString(), QString::fromUtf16(r.expected)) << family << ": " << expr.toStdString();
        } catch (const Exception& e) {
            ADD_FAILURE() << family << ": " << expr.toStdString() << ": " << e.what();
        }
    }
}

class FunctionsTest : public ExprTest {};

} // namespace

TEST_F(FunctionsTest, Strings) {
    expectRows(*this,
               {
                   {u"NAMECASE('iVAN')", u"Ivan"},
                   {u"NAMECASE('')", u""},
                   {u"NAMECASE('пЕТР')", u"Петр"},
                   {u"POS('b', 'abc')", u"2"},
                   {u"POS('z', 'abc')", u"0"},
                   {u"LENGTH('Насос')", u"5"},
                   {u"UPPERCASE('ёлка')", u"ЁЛКА"},
                   {u"LOWERCASE('ПУСК')", u"пуск"},
                   {u"TRIM('  a b ' + CRLF)", u"a b"},
                   {u"FORMATFLOAT('#,##0.00', 1234.5)", u"1 234.50"},
                   {u"FORMATFLOAT('0.0', '2.25')", u"2.3"},
                   {u"FORMATDATETIME('dd mmm yyyy', STRTODATE('05.11.1998'))", u"05 ноя 1998"},
                   {u"FORMATTEXT('(00) 00', '1234')", u"(12) 34"},
                   {u"FORMATTEXT('00-00', 12345)", u"12-345"},
               },
               "strings");
}

TEST_F(FunctionsTest, DatesNumbersAndOthers) {
    expectRows(*this,
               {
                   {u"DAYOF(STRTODATE('05.11.1998'))", u"5"},
                   {u"MONTHOF(STRTODATE('05.11.1998'))", u"11"},
                   {u"YEAROF('05.11.1998')", u"1998"},
                   {u"MAXNUM(2, 10)", u"10"},
                   {u"MINNUM(2, 10)", u"2"},
                   {u"MAXNUM('b', 'a')", u"b"},
                   {u"FIELDISNULL('DS.Nothing')", u"True"},
                   {u"FIELDISNULL('DS.Name')", u"False"},
                   {u"NoSuchFunction(1)", u"0"},
                   {u"SUM([Qty])", u"0"}, // outside a build: no data
               },
               "dates and numbers");
}

TEST_F(FunctionsTest, InputAndMessagesGoThroughTheInteraction) {
    ui.inputs.push_back(QStringLiteral("42"));
    EXPECT_EQ(text(QStringLiteral("INPUT('Сколько?', ' 7')")), "42");
    ASSERT_EQ(ui.prompts.size(), 1u);
    EXPECT_TRUE(ui.prompts[0].contains(u"Сколько?"));
    ui.inputs.push_back(std::nullopt); // cancelled: the preset text
    EXPECT_EQ(text(QStringLiteral("INPUT('Сколько?', 7)")), "7");

    ui.answers.push_back(TUserInteraction::No);
    EXPECT_EQ(eval(QStringLiteral("MESSAGEBOX('Печатать?', 'Отчет', mb_YesNo + mb_IconQuestion)")).toInt(), 7);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Печатать?");
    EXPECT_EQ(ui.messages[0].title, "Отчет");
    EXPECT_EQ(ui.messages[0].buttons, TUserInteraction::Yes | TUserInteraction::No);
    EXPECT_EQ(ui.messages[0].icon, TUserInteraction::QuestionIcon);
    EXPECT_EQ(eval(QStringLiteral("MESSAGEBOX('a', 'b', mb_Ok)")).toInt(), 1);
}

TEST_F(FunctionsTest, ArraysAndScriptFunctions) {
    expectRows(*this,
               {
                   {u"SETARRAY(A, 1, 5)", u"0"},
                   {u"GETARRAY(A, 1)", u"5"},
                   {u"A[1] * 2", u"10"},
                   {u"SETARRAY(A, 'k', 'v')", u"0"},
                   {u"A['k']", u"v"},
               },
               "arrays");
    EXPECT_TRUE(eval(QStringLiteral("GETARRAY(A, 2)")).isNull());
    EXPECT_EQ(engine.globalVariables().get(QStringLiteral("Arr_A_1")).toInt(), 5);

    engine.globalVariables().set(QStringLiteral("N"), TVariant(std::int32_t(4)));
    eval(QStringLiteral("INC(N)"));
    eval(QStringLiteral("INC(N)"));
    eval(QStringLiteral("DEC(N)"));
    EXPECT_EQ(engine.globalVariables().get(QStringLiteral("N")).toInt(), 5);

    TfrExprState& state = build;
    TfrExprBand band;
    state.currentBand = &band;
    QStringList shown;
    state.showBand = [&](const QString& name) { shown << name; };
    ctx.setBuild(&state);
    eval(QStringLiteral("NEWPAGE() + NEWCOLUMN() + NEWPAGE()"));
    eval(QStringLiteral("SHOWBAND( Band2 )"));
    eval(QStringLiteral("STOPREPORT()"));
    EXPECT_EQ(band.pendingPageBreaks, 2);
    EXPECT_EQ(band.pendingColumnBreaks, 1);
    EXPECT_EQ(shown, QStringList({"Band2"}));
    EXPECT_TRUE(state.terminated);

    QStringList userCalls;
    report.onUserFunction = [&](const QString& name, const std::vector<TVariant>& args, TVariant& result) {
        userCalls << name + u':' + args[0].toString();
        result = TVariant(QStringLiteral("user"));
    };
    EXPECT_EQ(text(QStringLiteral("MyFunc(1 + 2)")), "user");
    EXPECT_EQ(userCalls, QStringList({"MYFUNC:1 + 2"}));
}

TEST_F(FunctionsTest, RegistryAndDescriptions) {
    TfrFunctionRegistry& r = ctx.functions();
    ASSERT_EQ(r.libraries().size(), 2u);
    EXPECT_EQ(r.installed().categories(),
              QStringList({"Агрегатные", "Арифметические", "Базы данных", "Дата и время", "Интерпретатор",
                           "Логические", "Отчет", "Прочие", "Строковые"}));
    EXPECT_EQ(r.installed().functions(QStringLiteral("Агрегатные")), QStringList({"AVG", "COUNT", "MAX", "MIN", "SUM"}));
    EXPECT_EQ(r.installed().functions(TfrInstalledFunctions::allCategories()).size(), 67);
    EXPECT_EQ(r.installed().description(QStringLiteral("count")),
              "COUNT(<ИмяБэнда>)/Возвращает количество строк данных, образованных бэндом <ИмяБэнда>. Пример: Count(Band1).");
    // Every description is the syntax, a slash and a Russian explanation.
    for (const TfrFunctionDescription& d : r.installed().entries())
        EXPECT_GT(d.description.indexOf(u'/'), 0) << d.name.toStdString();

    // A library of its own, registered once, taking calls before nobody else.
    class Extra : public TfrFunctionLibrary {
    public:
        Extra() : TfrFunctionLibrary({QStringLiteral("TWICE")}) {}
        static QString staticClassName() { return QStringLiteral("Extra"); }
        QString className() const override { return staticClassName(); }
        void execute(TfrExprContext& c, int, const TfrCallArgs& a, TVariant& result) override {
            result = c.evaluate(a.p1) * TVariant(std::int32_t(2));
        }
        void registerDescriptions(TfrInstalledFunctions& installed) const override {
            installed.add(this, QStringLiteral("TWICE"), QStringLiteral("Прочие"), QStringLiteral("TWICE(<x>)/Удваивает."));
        }
    };
    r.registerLibrary<Extra>();
    r.registerLibrary<Extra>();
    EXPECT_EQ(r.libraries().size(), 3u);
    EXPECT_EQ(eval(QStringLiteral("twice(21)")).toInt(), 42);
    r.unregisterLibrary(Extra::staticClassName());
    EXPECT_EQ(r.libraries().size(), 2u);
    EXPECT_TRUE(r.installed().description(QStringLiteral("TWICE")).isEmpty());
    EXPECT_EQ(text(QStringLiteral("twice(21)")), "0");
    // At most 64 libraries.
    for (int i = 0; i < 62; ++i)
        r.registerLibrary(QStringLiteral("L%1").arg(i), [] { return std::make_unique<Extra>(); });
    EXPECT_THROW(r.registerLibrary(QStringLiteral("L99"), [] { return std::make_unique<Extra>(); }), Exception);
}

// A fake band loop: a master data band over three records and a footer
// reading SUM, AVG, MIN, MAX and COUNT of it.
TEST_F(FunctionsTest, AggregatesRegisterAccumulateReadAndReset) {
    TfrExprState& state = build;
    ctx.setBuild(&state);
    TfrExprBand data;
    data.type = btMasterData;
    data.name = QStringLiteral("MasterData1");
    TfrExprBand footer;
    footer.type = btMasterFooter;
    footer.name = QStringLiteral("Footer1");
    TfrExprBand other;
    other.type = btDetailData;
    other.name = QStringLiteral("DetailData1");

    TfrVariables& vars = report.dictionary().variables;
    vars.set(QStringLiteral("Total"), TVariant(QStringLiteral("SUM([Qty], MasterData1, 1)")));
    const QStringList lines = {QStringLiteral("Итого: [SUM([Qty])] шт., среднее [AVG([Qty], MasterData1)]"),
                               QStringLiteral("[MIN([Qty])] [MAX([Qty])] [COUNT(MasterData1)] [COUNT(MasterData1, 1)]"),
                               QStringLiteral("[Total] [SUM([Qty], DetailData1)] [MIN([Price])]")};
    const QStringList calls = fraggregates::callsInLines(lines, &vars);
    EXPECT_EQ(calls.size(), 9);
    // The footer reads from the data band registered last.
    fraggregates::registerCalls(ctx, footer, other, calls);
    fraggregates::registerCalls(ctx, footer, data, calls);
    EXPECT_FALSE(state.registering);
    EXPECT_EQ(footer.aggregateBand, &data);
    EXPECT_EQ(data.aggregates.count(), 8); // the detail band's call names another band
    EXPECT_EQ(other.aggregates.count(), 1);
    EXPECT_EQ(data.aggregates.value(data.aggregates.indexOf(QStringLiteral("Footer1\x01\x0C\x01[Price]\x01\x01"))).toDouble(), 1e300);

    auto read = [&](const QString& expr) {
        state.currentBand = &footer;
        return ctx.evaluate(expr);
    };
    EXPECT_EQ(read(QStringLiteral("AVG([Qty])")).toInt(), 0); // no records yet
    EXPECT_EQ(read(QStringLiteral("MIN([Price])")).toDouble(), 1e300);

    // Records: Qty 3, 5 (from the table) and an invisible one with Qty 10.
    int evaluations = 0;
    report.onGetValue = [&](const QString& name, TVariant&) {
        if (name == u"Qty")
            ++evaluations;
    };
    state.currentBand = &data;
    table.first();
    fraggregates::accumulate(ctx, data);
    table.next();
    fraggregates::accumulate(ctx, data);
    addRecord(QStringLiteral("Задвижка"), 10, 7.5);
    table.last();
    data.visible = false;
    fraggregates::accumulate(ctx, data);
    data.visible = true;
    // One expression text shared by several slots is evaluated once per record.
    EXPECT_EQ(evaluations, 3);

    struct Case {
        const char16_t* expr;
        double expected;
    } cases[] = {
        {u"SUM([Qty])", 8},          {u"AVG([Qty], MasterData1)", 8.0 / 3}, {u"MIN([Qty])", 3},
        {u"MAX([Qty])", 5},          {u"COUNT(MasterData1)", 2},           {u"COUNT(MasterData1, 1)", 3},
        {u"[Total]", 18},            {u"MIN([Price])", 0.25},
    };
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(read(QString::fromUtf16(c.expr)).toDouble(), c.expected) << QString::fromUtf16(c.expr).toStdString();
    EXPECT_TRUE(read(QStringLiteral("SUM([Qty] * 2)")).isNull()); // never registered: no slot
    state.currentBand = &other;
    EXPECT_EQ(ctx.evaluate(QStringLiteral("SUM([Qty])")).toString(), "0"); // no aggregate band

    fraggregates::reset(footer);
    EXPECT_EQ(data.aggregateCount, 0);
    EXPECT_EQ(read(QStringLiteral("SUM([Qty])")).toInt(), 0);
    EXPECT_EQ(read(QStringLiteral("MIN([Qty])")).toDouble(), 1e300);
    EXPECT_EQ(read(QStringLiteral("AVG([Qty], MasterData1)")).toInt(), 0);
}

TEST_F(FunctionsTest, AggregatesWithoutBandNameFollowTheFooterType) {
    TfrExprState& state = build;
    ctx.setBuild(&state);
    struct Case {
        int footerType;
        int dataType;
        bool registers;
    } cases[] = {
        {btGroupFooter, btMasterData, true},     {btReportSummary, btMasterData, true},
        {btPageFooter, btMasterData, true},      {btGroupFooter, btDetailData, false},
        {btDetailFooter, btDetailData, true},    {btSubDetailFooter, btSubDetailData, true},
        {btCrossFooter, btCrossData, true},      {btPageHeader, btMasterData, false},
    };
    for (const Case& c : cases) {
        TfrExprBand footer, data;
        footer.type = c.footerType;
        footer.name = QStringLiteral("F");
        data.type = c.dataType;
        data.name = QStringLiteral("D");
        fraggregates::registerCalls(ctx, footer, data, {QStringLiteral("SUM([Qty])")});
        EXPECT_EQ(data.aggregates.count(), c.registers ? 1 : 0) << c.footerType << " " << c.dataType;
    }
}

TEST_F(FunctionsTest, AggregatesInBandsWithCrossObjectsKeepOneSlotPerColumn) {
    TfrExprState& state = build;
    ctx.setBuild(&state);
    TfrExprBand data, footer;
    data.type = btMasterData;
    data.name = QStringLiteral("MasterData1");
    data.holdsCrossObjects = true;
    footer.type = btMasterFooter;
    footer.name = QStringLiteral("Footer1");
    footer.holdsCrossObjects = true;
    fraggregates::registerCalls(ctx, footer, data, {QStringLiteral("SUM([Qty])")});
    ASSERT_EQ(data.aggregates.count(), 1);
    EXPECT_TRUE(data.aggregates.name(0).startsWith(QStringLiteral("0\x01" "Footer1\x01")));
    state.currentBand = &data;
    for (int column = 1; column <= 2; ++column) {
        state.columnNo = column;
        table.first();
        fraggregates::accumulate(ctx, data); // Qty 3
        table.next();
        fraggregates::accumulate(ctx, data); // Qty 5
    }
    EXPECT_EQ(data.aggregates.count(), 3);
    EXPECT_EQ(data.aggregates.get(QStringLiteral("1\x01" "Footer1\x01\x0B\x01[Qty]\x01\x01")).toInt(), 8);
    EXPECT_EQ(data.aggregates.get(QStringLiteral("2\x01" "Footer1\x01\x0B\x01[Qty]\x01\x01")).toInt(), 8);
    fraggregates::reset(footer);
    EXPECT_EQ(data.aggregates.get(QStringLiteral("1\x01" "Footer1\x01\x0B\x01[Qty]\x01\x01")).toInt(), 0);
}
