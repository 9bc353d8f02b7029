#include "exprfixture.h"
#include "report/expr/interpreter.h"
#include "report/model/objects.h"
#include "report/model/page.h"

namespace {

class ScriptTest : public ExprTest {
public:
    // The compile error, or "" when the script compiled.
    QString compile(const QString& script) {
        QStringList errors;
        interpreter.prepareCode(script.split(u'\n'), code, errors);
        return errors.join(u'\n');
    }
    // Compiles and runs; the error of either step, or "".
    QString run(const QString& script) {
        const QString compileError = compile(script);
        if (!compileError.isEmpty())
            return compileError;
        try {
            interpreter.runCode(code);
        } catch (const Exception& e) {
            return e.message();
        }
        return {};
    }
    QString global(const QString& name) {
        const int i = engine.globalVariables().indexOf(name);
        return i < 0 ? QStringLiteral("<none>") : engine.globalVariables().value(i).toString();
    }
    TfrMemoView* addMemo(const QString& name) {
        if (report.pages().count() == 0)
            report.pages().add();
        auto memo = std::make_unique<TfrMemoView>();
        TfrMemoView* m = memo.get();
        m->setName(name);
        report.pages()[0]->add(std::move(memo));
        return m;
    }

    TInterpretator interpreter{ctx};
    QStringList code;
};

// Statement kinds: the script runs without error and leaves the global
// variables listed ("name=value" separated by blanks).
struct StatementCase {
    const char* name;
    const char16_t* script;
    const char16_t* globals;
};

const StatementCase statementCases[] = {
    {"block", u"begin a := 1; b := a + 1 end", u"a=1 b=2"},
    {"top level list without begin", u"a := 1; b := a * 5;", u"a=1 b=5"},
    {"keywords ignore case", u"BEGIN A := 1; If a = 1 Then B := 'да' END", u"a=1 b=да"},
    {"if then", u"if 1 < 2 then a := 1 else a := 2", u"a=1"},
    {"if else", u"if 1 > 2 then a := 1 else a := 2", u"a=2"},
    {"else binds to the inner if", u"begin a := 0; if 1 = 1 then if 1 = 2 then a := 1 else a := 2 end", u"a=2"},
    {"empty then part", u"begin a := 0; if 1 = 1 then else a := 1 end", u"a=0"},
    {"while", u"begin i := 0; while i < 3 do i := i + 1 end", u"i=3"},
    {"while with a block", u"begin i := 0; s := ''; while i < 3 do begin i := i + 1; s := s + 'x' end end",
     u"i=3 s=xxx"},
    {"repeat runs once", u"begin i := 10; repeat i := i + 1 until i >= 5 end", u"i=11"},
    {"repeat with several statements", u"begin i := 0; repeat i := i + 1; j := i * 2 until i = 3 end", u"i=3 j=6"},
    {"for from 1 to 0 never runs", u"begin n := 0; for i := 1 to 0 do n := n + 1 end", u"n=0 i=1"},
    {"for sums", u"begin s := 0; for i := 1 to 4 do s := s + i end", u"s=10 i=5"},
    {"for end evaluated every pass", u"begin n := 3; s := 0; for i := 1 to n do begin s := s + i; n := 2 end end",
     u"s=3 i=3"},
    {"goto back", u"begin i := 0; 10: i := i + 1; if i < 3 then goto 10 end", u"i=3"},
    {"goto forward to a label before end",
     u"begin s := ''; for i := 1 to 3 do begin if i = 2 then goto 5; s := s + 'x'; 5: end end", u"s=xx"},
    {"exit stops the script", u"begin a := 1; exit; a := 2 end", u"a=1"},
    {"exit inside a loop", u"begin i := 0; while 1 = 1 do begin i := i + 1; if i = 4 then exit end end", u"i=4"},
    {"comments", u"begin a := 1 {c}; // line\n b := a + 1 end", u"a=1 b=2"},
    {"comment marks inside quotes", u"a := '{x}//y'", u"a={x}//y"},
    {"comment ends the token", u"begin x{note} := 1 end", u"x=1"},
    {"brace comment over lines", u"begin a := 1; {b := 2;\n c := 3;} d := 4 end", u"a=1 b=<none> c=<none> d=4"},
    {"array element", u"begin a[2] := 5; b := GETARRAY(a, 2) end", u"Arr_a_2=5 b=5"},
    {"INC assigns through the interpreter", u"begin i := 5; inc(i); inc(i) end", u"i=7"},
    {"operators", u"begin if (5 mod 2 = 1) and (1 <> 2) or (1 > 2) then a := 1; if not (1 = 2) then b := 1 end",
     u"a=1 b=1"},
    {"the parser's IF function", u"a := IF(2 > 1, 'да', 'нет')", u"a=да"},
    {"multi-line expression", u"begin a := 1 +\n 2 end", u"a=3"},
    {"tabs are blanks", u"begin\ta :=\t2\tend", u"a=2"},
    {"empty script", u"  ", u""},
};

class StatementTest : public ScriptTest, public ::testing::WithParamInterface<StatementCase> {};

TEST_P(StatementTest, LeavesGlobals) {
    const StatementCase& c = GetParam();
    const QString error = run(QString::fromUtf16(c.script));
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    const QStringList pairs = QString::fromUtf16(c.globals).split(u' ', Qt::SkipEmptyParts);
    for (const QString& pair : pairs) {
        const qsizetype eq = pair.indexOf(u'=');
        EXPECT_EQ(global(pair.left(eq)), pair.mid(eq + 1)) << pair.left(eq).toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Statements, StatementTest, ::testing::ValuesIn(statementCases),
                         [](const auto& info) {
                             std::string n = info.param.name;
                             for (char& ch : n)
                                 if (!isalnum(static_cast<unsigned char>(ch)))
                                     ch = '_';
                             return n;
                         });

// Compile errors: the exact line with line and column.
struct ErrorCase {
    const char16_t* script;
    const char16_t* error;
};

const ErrorCase errorCases[] = {
    {u"begin a := 1 b := 2 end", u"Line 1/13: Need \";\" or \"end\" here"},
    {u"begin\n  a := 1;\n  b := 2 c := 3\nend", u"Line 3/9: Need \";\" or \"end\" here"},
    {u"begin {c} a := 1 {long comment} b := 2 end", u"Line 1/17: Need \";\" or \"end\" here"},
    {u"begin a := 1", u"Line 1/13: Need \";\" or \"end\" here"},
    {u"if 1 > 0 x := 1", u"Line 1/9: Need \"then\" here"},
    {u"while 1 x", u"Line 1/8: Need \"do\" here"},
    {u"repeat a := 1 b", u"Line 1/14: Need \";\" or \"until\" here"},
    {u"for i = 1 to 2 do ;", u"Line 1/6: Need \":=\" here"},
    {u"for i := 1 til 2 do ;", u"Line 1/11: Need \"to\" here"},
    {u"for i := 1 to 2 x", u"Line 1/16: Need \"do\" here"},
    {u"for 5 := 1 to 2 do ;", u"Line 1/4: Need a variable name here"},
    {u"goto x", u"Line 1/5: \"goto\" label must be a number"},
    {u"goto 1x", u"Line 1/5: \"goto\" label must be a number"},
    {u"a := (1 + 2", u"Line 1/12: Need \")\" here"},
    {u"a := f(1 2)", u"Line 1/9: Need \",\" or \")\" here"},
    {u"a := [Qty", u"Line 1/6: Need \"]\" here"},
    {u"x[1 := 2", u"Line 1/4: Need \"]\" here"},
    {u"a := ", u"Line 1/5: Need an expression here"},
    {u"a := 1 +", u"Line 1/9: Need an expression here"},
    {u"a := then", u"Line 1/5: Need an expression here"},
    {u"a := 'abc", u"Line 1/6: Unterminated string"},
    {u"a := 1 b := 2", u"Line 1/7: Need \";\" here"},
    {u"a := 1 end", u"Line 1/7: Need \";\" here"},
    {u"goto 10", u"Line 1/6: Label 10 is not defined"},
    {u"begin 1: a := 1; 1: a := 2 end", u"Line 1/18: Label 1 is defined twice"},
    {u"1234567890123456: a := 1", u"Line 1/1: Label is longer than 16 characters"},
    {u"goto 1234567890123456", u"Line 1/6: Label is longer than 16 characters"},
};

class CompileErrorTest : public ScriptTest, public ::testing::WithParamInterface<ErrorCase> {};

TEST_P(CompileErrorTest, ReportsLineAndColumn) {
    const ErrorCase& c = GetParam();
    EXPECT_EQ(compile(QString::fromUtf16(c.script)), QString::fromUtf16(c.error));
    // Half-compiled code never runs.
    EXPECT_TRUE(code.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Errors, CompileErrorTest, ::testing::ValuesIn(errorCases));

TEST_F(ScriptTest, CodeLineForms) {
    // A name alone is a procedure call with the argument 0.
    ASSERT_EQ(compile(QStringLiteral("NewPage")), "");
    ASSERT_EQ(code.size(), 1);
    EXPECT_EQ(code[0], QChar(frcode::Evaluate) + TfrParser::convertToPostfix(QStringLiteral("NewPage(0)")));

    // while: test (to the end), body, jump back to the test.
    ASSERT_EQ(compile(QStringLiteral("while i < 3 do i := i + 1")), "");
    ASSERT_EQ(code.size(), 3);
    EXPECT_EQ(code[0][0], QChar(frcode::JumpIfZero));
    EXPECT_EQ(frcode::addressOf(code[0]), 3);
    EXPECT_EQ(code[0].mid(3), TfrParser::convertToPostfix(QStringLiteral("i < 3")));
    EXPECT_EQ(code[1], QStringLiteral("i ") + TfrParser::convertToPostfix(QStringLiteral("i + 1")));
    EXPECT_EQ(code[2][0], QChar(frcode::Jump));
    EXPECT_EQ(frcode::addressOf(code[2]), 0);

    // The source list may be the code list itself.
    QStringList inPlace{QStringLiteral("begin a := 1;"), QStringLiteral("b := 2 end")};
    QStringList errors;
    EXPECT_TRUE(interpreter.prepareCode(inPlace, inPlace, errors));
    EXPECT_EQ(inPlace.size(), 2);
    EXPECT_TRUE(inPlace[1].startsWith(QStringLiteral("b ")));
}

TEST_F(ScriptTest, ProceduresReachTheBuild) {
    TfrExprBand band;
    build.currentBand = &band;
    ctx.setBuild(&build);
    ASSERT_EQ(run(QStringLiteral("begin NewPage; NewColumn end")), "");
    EXPECT_EQ(band.pendingPageBreaks, 1);
    EXPECT_EQ(band.pendingColumnBreaks, 1);
}

TEST_F(ScriptTest, ReadingAnUnassignedVariableFails) {
    EXPECT_EQ(run(QStringLiteral("i := i + 1")), "Переменная не определена: \"I\"");
}

TEST_F(ScriptTest, AssignmentsReachObjectProperties) {
    TfrMemoView* m = addMemo(QStringLiteral("Memo1"));
    const QString colour =
        QStringLiteral("if [Qty] > 4 then Memo1.FillColor := clRed else Memo1.FillColor := clWhite");
    ASSERT_EQ(run(colour), ""); // Qty 3
    EXPECT_EQ(m->fillColor, clWhite);
    table.next(); // Qty 5
    ASSERT_EQ(run(colour), "");
    EXPECT_EQ(m->fillColor, TfrColor(0xFF)); // clRed
    EXPECT_EQ(global(QStringLiteral("Memo1.FillColor")), "<none>");

    // In the object's own script a bare property name is the object's.
    ctx.setCurrentObject(m);
    ASSERT_EQ(run(QStringLiteral("begin Visible := False; Font.Name := 'Courier New' end")), "");
    EXPECT_FALSE(m->visible);
    EXPECT_EQ(m->getPropValue(QStringLiteral("Font.Name"))->toString(), "Courier New");
    EXPECT_EQ(global(QStringLiteral("Visible")), "<none>");

    // Methods as procedures and calls.
    ASSERT_EQ(run(QStringLiteral("begin Memo1.Show; Memo1.Memo.Clear; Memo1.Memo.Add('строка') end")), "");
    EXPECT_TRUE(m->visible);
    EXPECT_EQ(m->memo, QStringList{QStringLiteral("строка")});
    ASSERT_EQ(run(QStringLiteral("Memo1.Hide")), "");
    EXPECT_FALSE(m->visible);
}

TEST_F(ScriptTest, AssignmentTargetsInOrder) {
    TfrVariables& vars = report.dictionary().variables;
    vars.set(QStringLiteral("Title"), TVariant(QStringLiteral("'старое'")));
    vars.set(QStringLiteral("Both"), TVariant(std::int32_t(1)));
    engine.globalVariables().set(QStringLiteral("Both"), TVariant(std::int32_t(2)));
    ASSERT_EQ(run(QStringLiteral("begin Title := 7; Both := 3; Fresh := 4 end")), "");
    // A dictionary variable is set in the dictionary.
    EXPECT_EQ(vars.get(QStringLiteral("Title")).toInt(), 7);
    EXPECT_EQ(global(QStringLiteral("Title")), "<none>");
    // A global variable of the same name wins over the dictionary.
    EXPECT_EQ(global(QStringLiteral("Both")), "3");
    EXPECT_EQ(vars.get(QStringLiteral("Both")).toInt(), 1);
    EXPECT_EQ(global(QStringLiteral("Fresh")), "4");
}

TEST_F(ScriptTest, EngineValues) {
    TfrExprBand band;
    band.pendingPageBreaks = 1;
    build.currentBand = &band;
    QStringList progress;
    std::vector<int> results;
    build.showProgress = [&](const QString& text) { progress << text; };
    build.setModalResult = [&](int r) { results.push_back(r); };
    ctx.setBuild(&build);
    ASSERT_EQ(run(QStringLiteral("begin CurY := 40; Progress := 'Страница ' + '2'; ModalResult := mrOk end")), "");
    EXPECT_EQ(build.cursorY, 40);
    EXPECT_TRUE(band.cursorYAfterBreaks);
    EXPECT_EQ(progress, QStringList{QStringLiteral("Страница 2")});
    EXPECT_EQ(results, std::vector<int>{1});
    for (const char* name : {"CurY", "Progress", "ModalResult"})
        EXPECT_EQ(global(QString::fromLatin1(name)), "<none>") << name;
}

TEST_F(ScriptTest, SplitCodeFindsAggregateCalls) {
    ASSERT_EQ(compile(QStringLiteral("begin a := SUM([Qty]); if MAX([Qty]) > 1 then b := 1; c := 2 end")), "");
    QStringList found;
    TfrInterpretator::splitCode(code, {QStringLiteral("SUM"), QStringLiteral("MAX")}, nullptr, found);
    EXPECT_EQ(found.size(), 2) << found.join(u'|').toStdString();
}

// --- limits

TEST_F(ScriptTest, SourceLength) {
    // The source counts a carriage return after every line.
    const QString longest = QStringLiteral("a := '") + QString(TfrInterpretator::maxSourceLength - 8, u'x') + u'\'';
    EXPECT_EQ(compile(longest), "");
    EXPECT_EQ(compile(longest + u' '), QStringLiteral("Line 1/32001: Script is longer than 32000 characters"));
}

TEST_F(ScriptTest, LabelCount) {
    auto labels = [](int n) {
        QString s = QStringLiteral("begin ");
        for (int i = 1; i <= n; ++i)
            s += QStringLiteral("%1: a := %1;\n").arg(i);
        return s + QStringLiteral("goto 1 end");
    };
    EXPECT_EQ(compile(labels(TfrInterpretator::maxLabels)), "");
    EXPECT_EQ(compile(labels(TfrInterpretator::maxLabels + 1)), "Line 102/1: Too many labels (at most 101)");
    EXPECT_EQ(compile(QStringLiteral("begin 123456789012345: a := 1; goto 123456789012345 end")), "");
}

TEST_F(ScriptTest, DeepNestingIsAnError) {
    const int deep = TfrInterpretator::maxNesting + 50;
    const QString tooDeep = QStringLiteral("Statements or brackets nested deeper than 100");
    QString labels;
    for (int i = 1; i <= deep; ++i)
        labels += QStringLiteral("%1: ").arg(i);
    const QString cases[] = {
        QStringLiteral("begin ").repeated(deep) + QStringLiteral("end ").repeated(deep),
        QStringLiteral("a := ") + QString(deep, u'(') + u'1' + QString(deep, u')'),
        QStringLiteral("a := ") + QString(5000, u'-') + u'1',
        QStringLiteral("a := ") + QStringLiteral("not ").repeated(deep) + u'1',
        QStringLiteral("if 1 = 1 then ").repeated(deep) + QStringLiteral("a := 1"),
        labels,
        QStringLiteral("a := ") + QStringLiteral("f(").repeated(deep) + u'1' + QString(deep, u')'),
    };
    for (const QString& script : cases)
        EXPECT_TRUE(compile(script).endsWith(tooDeep)) << script.left(40).toStdString() << ": "
                                                        << compile(script).toStdString();
    // Ordinary depths work.
    EXPECT_EQ(run(QStringLiteral("begin ").repeated(30) + QStringLiteral("a := ((((1)))) ") +
                  QStringLiteral("end ").repeated(30)),
              "");
    EXPECT_EQ(global(QStringLiteral("a")), "1");
}

TEST_F(ScriptTest, StepBudgetStopsAnEndlessLoop) {
    interpreter.stepBudget = 10000;
    for (const char* script : {"while 1 = 1 do ;", "begin 1: goto 1 end", "repeat until 1 = 2"}) {
        ASSERT_EQ(compile(QString::fromLatin1(script)), "");
        try {
            interpreter.runCode(code);
            ADD_FAILURE() << script << " ended";
        } catch (const EScriptStopped& e) {
            EXPECT_EQ(e.reason(), EScriptStopped::Reason::StepBudget);
            EXPECT_EQ(e.message(), "Сценарий остановлен: выполнено 10000 шагов, больше разрешённого");
        }
    }
    // The budget counts executed lines: this loop takes 11 steps.
    const QString counted = QStringLiteral("begin i := 0; while i < 3 do i := i + 1 end");
    interpreter.stepBudget = 11;
    EXPECT_EQ(run(counted), "");
    interpreter.stepBudget = 10;
    EXPECT_TRUE(run(counted).startsWith(QStringLiteral("Сценарий остановлен")));
}

TEST_F(ScriptTest, CancelFlagStopsAnEndlessLoop) {
    int asked = 0;
    interpreter.cancelRequested = [&] { return ++asked == 3; };
    ASSERT_EQ(compile(QStringLiteral("begin i := 0; 1: i := i + 1; goto 1 end")), "");
    try {
        interpreter.runCode(code);
        FAIL() << "ended";
    } catch (const EScriptStopped& e) {
        EXPECT_EQ(e.reason(), EScriptStopped::Reason::Cancelled);
        EXPECT_EQ(e.message(), "Сценарий прерван пользователем");
    }
    EXPECT_EQ(asked, 3);
    // Two lines per pass: i ended near three check intervals' worth of steps.
    EXPECT_NEAR(engine.globalVariables().get(QStringLiteral("i")).toInt(),
                3 * TfrInterpretator::cancelCheckInterval / 2, 2);
}

TEST_F(ScriptTest, AssignedTextsAreBounded) {
    EXPECT_EQ(run(QStringLiteral("begin s := 'x'; while 1 = 1 do s := s + s end")),
              "Сценарий: значение для s длиннее 1048576 символов");
    EXPECT_EQ(global(QStringLiteral("s")).size(), TfrInterpretator::maxValueLength);
}

TEST_F(ScriptTest, MalformedCodeLinesAreErrors) {
    // Code lines normally come from the compiler; damaged ones end in an error.
    for (const QString& line : {QString(QChar(frcode::Jump)), QChar(frcode::Jump) + frcode::addressText(9),
                                QStringLiteral("novalue")}) {
        try {
            interpreter.runCode({line});
            ADD_FAILURE() << "ran";
        } catch (const Exception& e) {
            EXPECT_TRUE(e.message().startsWith(QStringLiteral("Неверная строка кода сценария"))) << e.message().toStdString();
        }
    }
}

} // namespace
