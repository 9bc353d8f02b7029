#include "exprfixture.h"

#include "report/model/objects.h"
#include "report/model/page.h"

namespace {

class LookupTest : public ExprTest {};

} // namespace

TEST_F(LookupTest, SystemVariablesComeFromTheBuildState) {
    TfrExprState& state = build;
    TfrExprBand band;
    band.lineNo = 4;
    band.lineThrough = 17;
    state.currentBand = &band;
    state.pageNo = 3;
    state.totalPages = 9;
    state.columnNo = 2;
    state.currentNo = 21;
    state.cursorY = 100;
    state.bottomLimit = 1000;
    state.rightLimit = 700;
    state.finalPass = true;
    state.startDate = 36104; // 5 November 1998
    state.startTime = 0.5;
    ctx.setBuild(&state);
    report.info.name = QStringLiteral("Сводка");
    report.info.versionMajor = QStringLiteral("2");
    struct Row {
        const char16_t* expr;
        const char16_t* text;
    } rows[] = {
        {u"PAGE#", u"3"},         {u"[Page#]", u"3"},        {u"TOTALPAGES", u"9"},  {u"LINE#", u"4"},
        {u"LINETHROUGH#", u"17"}, {u"COLUMN#", u"2"},        {u"CURRENT#", u"21"},   {u"CURY", u"100"},
        {u"FREESPACE", u"900"},   {u"PAGEHEIGHT", u"1000"},  {u"PAGEWIDTH", u"700"}, {u"FINALPASS", u"True"},
        {u"DATE", u"05.11.1998"}, {u"TIME", u"12:00:00"},    {u"REPORTNAME", u"Сводка"}, {u"VMAJOR", u"2"},
        {u"CALCWIDTH", u"0"},     {u"clRed", u"255"},        {u"mb_YesNo", u"4"},    {u"[CRLF]", u"\r\n"},
    };
    for (const Row& r : rows)
        EXPECT_EQ(text(QString::fromUtf16(r.expr)), QString::fromUtf16(r.text)) << QString::fromUtf16(r.expr).toStdString();
    EXPECT_TRUE(eval(QStringLiteral("Null")).isNull());
    // Outside a build: page 1, the context's own start date.
    ctx.setBuild(nullptr);
    EXPECT_EQ(eval(QStringLiteral("PAGE#")).toInt(), 1);
    EXPECT_GT(eval(QStringLiteral("DATE")).toDouble(), 40000);
}

TEST_F(LookupTest, ResolutionOrder) {
    // Dataset fields, plain and qualified.
    EXPECT_EQ(text(QStringLiteral("[Name]")), "Насос");
    EXPECT_EQ(eval(QStringLiteral("[DS.Qty] * 2")).toInt(), 6);
    EXPECT_EQ(eval(QStringLiteral("Qty + 1")).toInt(), 4);
    EXPECT_EQ(eval(QStringLiteral("DS.\"Price\" * 2")).toDouble(), 2469);

    // A dictionary variable named DATE hides the system variable; variables hold expressions.
    TfrVariables& vars = report.dictionary().variables;
    vars.set(QStringLiteral("DATE"), TVariant(QStringLiteral("'мой день'")));
    vars.set(QStringLiteral("Итог"), TVariant(QStringLiteral("[Qty] * 10")));
    vars.set(QStringLiteral("Fixed"), TVariant(std::int32_t(7)));
    vars.set(QStringLiteral("Empty"), TVariant(QString()));
    EXPECT_EQ(text(QStringLiteral("DATE")), "мой день");
    EXPECT_EQ(eval(QStringLiteral("[Итог] + 1")).toInt(), 31);
    EXPECT_EQ(eval(QStringLiteral("Fixed")).toInt(), 7);
    EXPECT_TRUE(eval(QStringLiteral("[Empty]")).isEmpty());
    // A global variable of the same name wins over a dictionary variable.
    engine.globalVariables().set(QStringLiteral("Fixed"), TVariant(std::int32_t(8)));
    EXPECT_EQ(eval(QStringLiteral("Fixed")).toInt(), 8);
    // A script's variable (absent from the dictionary) is readable later.
    engine.globalVariables().set(QStringLiteral("X"), TVariant(QStringLiteral("из скрипта")));
    EXPECT_EQ(text(QStringLiteral("X")), "из скрипта");
    // The engine's evaluator (the dictionary's) comes back to this context.
    EXPECT_EQ(engine.evaluate(report, QStringLiteral("[Итог] / 2")).toInt(), 15);
    report.dictionary().isVariable(QStringLiteral("Итог"));
    EXPECT_EQ(report.dictionary().value(QStringLiteral("Итог")).toInt(), 30);

    // OnGetValue comes first, even for system names.
    report.onGetValue = [](const QString& name, TVariant& v) {
        if (name == u"PAGE#")
            v = TVariant(std::int32_t(99));
    };
    EXPECT_EQ(eval(QStringLiteral("PAGE#")).toInt(), 99);
    report.onGetValue = nullptr;

    // VALUE is the value of the bracket being printed.
    ctx.currentValue = TVariant(std::int32_t(12));
    EXPECT_EQ(eval(QStringLiteral("VALUE * 2")).toInt(), 24);
}

TEST_F(LookupTest, ObjectAndPageProperties) {
    TfrPage& page = *report.pages()[report.pages().add()];
    auto memo = std::make_unique<TfrMemoView>();
    TfrMemoView* m = memo.get();
    m->setName(QStringLiteral("Memo1"));
    m->width = 120;
    m->memo = QStringList({QStringLiteral("первая"), QStringLiteral("вторая")});
    page.add(std::move(memo));
    EXPECT_EQ(eval(QStringLiteral("Memo1.Width")).toInt(), 120);
    EXPECT_EQ(eval(QStringLiteral("[Page1.Width]")).toInt(), page.getPropValue(QStringLiteral("Width"))->toInt());
    // Without an object part: the current object.
    ctx.setCurrentObject(m);
    EXPECT_EQ(eval(QStringLiteral("Width + 1")).toInt(), 121);
    EXPECT_EQ(text(QStringLiteral("Font.Name")), "Arial");
    EXPECT_EQ(eval(QStringLiteral("CALCWIDTH")).toInt(), 120);
    // Memo lines through the array syntax.
    EXPECT_EQ(text(QStringLiteral("GETARRAY(Memo1.Memo, 1)")), "вторая");
    eval(QStringLiteral("SETARRAY(Memo1.Memo, 0, 'новая')"));
    EXPECT_EQ(m->memo.value(0), "новая");
}

TEST_F(LookupTest, UnknownAndSelfReferringNames) {
    EXPECT_EQ(error(QStringLiteral("Nonsense + 1")), "Переменная не определена: \"NONSENSE\"");
    EXPECT_EQ(error(QStringLiteral("[Nonsense]")), "Переменная не определена: \"NONSENSE\"");
    TfrVariables& vars = report.dictionary().variables;
    vars.set(QStringLiteral("A"), TVariant(QStringLiteral("[B] + 1")));
    vars.set(QStringLiteral("B"), TVariant(QStringLiteral("[A] + 1")));
    EXPECT_TRUE(error(QStringLiteral("[A]")).contains(u"ссылается сама на себя")) << error(QStringLiteral("[A]")).toStdString();
    // After an error the next lookup works again.
    EXPECT_EQ(text(QStringLiteral("[Name]")), "Насос");
    // During the registration pass an unknown name is empty, not an error.
    TfrExprState& state = build;
    state.registering = true;
    ctx.setBuild(&state);
    EXPECT_EQ(error(QStringLiteral("[Nonsense]")), "no error");
}
