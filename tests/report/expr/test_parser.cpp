#include "report/expr/parser.h"
#include "report/model/variables.h"

#include <gtest/gtest.h>

namespace {

// Postfix strings with spaces as "_" and operator codes as {n}.
QString visible(const QString& postfix) {
    QString out;
    for (QChar c : postfix) {
        if (c == u' ')
            out += u'_';
        else if (c.unicode() < 32)
            out += QStringLiteral("{%1}").arg(c.unicode());
        else
            out += c;
    }
    return out;
}

// A parser whose names are looked up in a table and whose calls are recorded.
struct TableParser {
    TfrParser parser;
    TfrVariables names;
    QStringList looked;
    QStringList calls;
    TableParser() {
        parser.onResolveName = [this](const QString& name, TVariant& v, std::shared_ptr<void>&) {
            looked << name;
            v = names.contains(name) ? names.get(name) : TVariant::null();
        };
        parser.onCallFunction = [this](const QString& name, const QString& p1, const QString& p2, const QString& p3,
                                       TVariant& result) {
            calls << name + u'|' + p1 + u'|' + p2 + u'|' + p3;
            result = TVariant(QStringLiteral("called"));
        };
    }
};

} // namespace

TEST(Postfix, ConversionTable) {
    struct Case {
        const char16_t* infix;
        const char16_t* postfix;
    } cases[] = {
        {u"1 + 2 * 3", u"1_2_3_*+"},
        {u"(a + b) * c", u"a_b_+c_*"},
        {u"IF(x > 1, 'a', 'b') + y", u"IF(x_>_1,_'a',_'b')y_+"},
        {u"a - b - c", u"a_b_-c_-"},
        {u"-a * b", u"a_b_*{9}"},
        {u"+a", u"a_{10}"},
        {u"a >= 1", u"a_1_{1}"},
        {u"a <= 1", u"a_1_{2}"},
        {u"a <> 1", u"a_1_{3}"},
        {u"a > 1 and b < 2", u"a_1_b_{5}>2_<"},
        {u"a mod b", u"a_b_{13}"},
        {u"not a", u"a_{12}"},
        {u"INT(x)", u"x_{6}"},
        {u"int x + 1", u"x_{6}1_+"},
        {u"str(1)", u"1_{11}"},
        {u"frac x", u"x_{7}"},
        {u"round(x)", u"x_{14}"},
        {u"a or b", u"a_b_{4}"},
        {u"'It''s' + [Name]", u"'It''s'_[Name]_+"},
        {u"Arr[2] + 1", u"Arr[2]_1_+"},
        {u"1,5 + 1", u"1,5_1_+"},
        {u"a + b; c", u"a_b_+"},
        {u"frDS.\"Field name\" * 2", u"frDS.\"Field_name\"_2_*"},
        {u"a + b;c", u"a_b_+"},
        {u"'x;y' + \"a;b\"", u"'x;y'_\"a;b\"_+"},
        {u"", u""},
        {u"f(1,5)", u"f(1,5)"},
        {u"a)", u"a_"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(visible(TfrParser::convertToPostfix(QString::fromUtf16(c.infix))), QString::fromUtf16(c.postfix))
            << QString::fromUtf16(c.infix).toStdString();
}

TEST(Postfix, EvaluationAndPrecedence) {
    TableParser p;
    p.names.set(QStringLiteral("A"), TVariant(std::int32_t(2)));
    p.names.set(QStringLiteral("B"), TVariant(std::int32_t(3)));
    struct Case {
        const char16_t* expr;
        const char16_t* text;
        TVariant::Kind kind;
    } cases[] = {
        {u"1 + 2 * 3", u"7", TVariant::Kind::Double},
        {u"(1 + 2) * 3", u"9", TVariant::Kind::Double},
        {u"1,5 + 1", u"2.5", TVariant::Kind::Double},
        {u"1.5 + 1", u"2.5", TVariant::Kind::Double},
        {u"5 / 0", u"0", TVariant::Kind::Integer},
        {u"7 / 2", u"3.5", TVariant::Kind::Double},
        {u"7 mod 3", u"1", TVariant::Kind::Integer},
        {u"not 0", u"1", TVariant::Kind::Byte},
        {u"not 5", u"0", TVariant::Kind::Byte},
        {u"2 > 1", u"1", TVariant::Kind::Byte},
        {u"2 < 1", u"0", TVariant::Kind::Byte},
        {u"2 >= 2", u"1", TVariant::Kind::Byte},
        {u"2 <= 1", u"0", TVariant::Kind::Byte},
        {u"2 <> 1", u"1", TVariant::Kind::Byte},
        {u"'a' = 'a'", u"1", TVariant::Kind::Byte},
        {u"'a' < 'b'", u"1", TVariant::Kind::Byte},
        {u"INT(2.99999999999)", u"3", TVariant::Kind::Double},
        {u"INT(-2.5)", u"-2", TVariant::Kind::Double},
        {u"INT 7.9", u"7", TVariant::Kind::Double},
        {u"FRAC(-2.5)", u"-0.5", TVariant::Kind::Double},
        {u"FRAC(1.99999999999)", u"0", TVariant::Kind::Double},
        {u"ROUND(0.5)", u"0", TVariant::Kind::Double},
        {u"ROUND(2.5)", u"2", TVariant::Kind::Double},
        {u"ROUND(3.5)", u"4", TVariant::Kind::Double},
        {u"STR(12) + 'x'", u"12x", TVariant::Kind::String},
        {u"''", u"", TVariant::Kind::String},
        {u"'It''s'", u"It's", TVariant::Kind::String},
        {u"'a''''b'", u"a''b", TVariant::Kind::String},
        {u"'ab' + 'cd'", u"abcd", TVariant::Kind::String},
        {u"", u"0", TVariant::Kind::Integer},
        {u"-a * b", u"-6", TVariant::Kind::Integer},
        {u"a * (-b)", u"-6", TVariant::Kind::Integer},
        {u"(a > 1) and (b < 2)", u"0", TVariant::Kind::Integer},
        {u"a > 1 and b < 2", u"1", TVariant::Kind::Byte}, // a > (1 and b) < 2
        {u"true", u"True", TVariant::Kind::Boolean},
        {u"FALSE or true", u"True", TVariant::Kind::Boolean},
        {u"6 and 3", u"2", TVariant::Kind::Integer},
        {u"a + b; 100", u"5", TVariant::Kind::Integer},
        {u"IF(1 > 0, 'a', 'b')", u"a", TVariant::Kind::String},
        {u"IF(0, 'a', 'b')", u"b", TVariant::Kind::String},
        {u"IF(0.9, 'a', 'b')", u"b", TVariant::Kind::String},
        {u"IF(true, 'a', 'b')", u"a", TVariant::Kind::String},
        {u"COPY('abcdef', 2, 3)", u"bcd", TVariant::Kind::String},
        {u"COPY('abcdef', 5, 100)", u"ef", TVariant::Kind::String},
        {u"COPY('abc', 9, 1)", u"", TVariant::Kind::String},
        {u"STRTODATE('05.11.1998')", u"05.11.1998", TVariant::Kind::DateTime},
        {u"STRTOTIME('2:43:35')", u"2:43:35", TVariant::Kind::DateTime},
        {u"-2147483647 - 1", u"-2147483648", TVariant::Kind::Double},
    };
    for (const Case& c : cases) {
        const QString expr = QString::fromUtf16(c.expr);
        TVariant v;
        try {
            v = p.parser.evaluate(expr);
        } catch (const Exception& e) {
            ADD_FAILURE() << expr.toStdString() << ": " << e.what();
            continue;
        }
        EXPECT_EQ(v.toString(), QString::fromUtf16(c.text)) << expr.toStdString();
        EXPECT_EQ(v.kind(), c.kind) << expr.toStdString();
    }
}

TEST(Postfix, NamesCallsAndLaziness) {
    TableParser p;
    p.names.set(QStringLiteral("[Qty]"), TVariant(std::int32_t(4)));
    // Plain names reach the hook upper-cased, bracketed texts as written.
    p.parser.evaluate(QStringLiteral("price + [Qty]"));
    EXPECT_EQ(p.looked, QStringList({"PRICE", "Qty"}));
    // Only the branch taken is evaluated.
    p.looked.clear();
    EXPECT_EQ(p.parser.evaluate(QStringLiteral("IF(1 > 0, 'a', [Missing])")).toString(), "a");
    EXPECT_TRUE(p.looked.isEmpty());
    // Calls keep their argument texts; four arguments drop the second.
    p.parser.evaluate(QStringLiteral("sum([Qty], Band1, 1) + f(a, b, c, d) + g(1,5) + h('x,y', (1,2))"));
    EXPECT_EQ(p.calls, QStringList({"SUM|[Qty]| Band1| 1", "F|a| c|", "G|1|5|", "H|'x,y'| (1,2)|"}));
    // Arr[2] is GETARRAY(Arr, 2).
    p.calls.clear();
    p.parser.evaluate(QStringLiteral("Arr[2]"));
    EXPECT_EQ(p.calls, QStringList({"GETARRAY|Arr| 2|"}));
    // A dataset name, a dot and a quoted field name with a space is one name.
    p.looked.clear();
    p.parser.evaluate(QStringLiteral("frDS.\"Field name\" * 2"));
    EXPECT_EQ(p.looked, QStringList({"FRDS.\"FIELD NAME\""}));
}

TEST(Postfix, ProgramsAreConvertedOnce) {
    TableParser p;
    int calls = 0;
    p.parser.onResolveName = [&](const QString&, TVariant& v, std::shared_ptr<void>&) {
        ++calls;
        v = TVariant(std::int32_t(calls));
    };
    // The same text gives fresh values each time (nothing but the conversion is kept).
    EXPECT_EQ(p.parser.evaluate(QStringLiteral("x + 0")).toInt(), 1);
    EXPECT_EQ(p.parser.evaluate(QStringLiteral("x + 0")).toInt(), 2);
    EXPECT_EQ(p.parser.evaluatePostfix(TfrParser::convertToPostfix(QStringLiteral("x * 10"))).toInt(), 30);
    p.parser.clearCache();
    EXPECT_EQ(p.parser.evaluate(QStringLiteral("x + 0")).toInt(), 4);
}

TEST(Postfix, BadInputEndsInClearErrors) {
    TableParser p;
    // A hook that evaluates every name again: unbounded recursion.
    TfrParser recursive;
    recursive.onResolveName = [&](const QString& name, TVariant& v, std::shared_ptr<void>&) {
        v = recursive.evaluate(name + u'+' + u'1');
    };
    const QString deep = QString(500, u'(') + u'1' + QString(500, u')');
    QString many;
    for (int i = 0; i < 40; ++i)
        many += QStringLiteral("%1 ").arg(i);
    struct Case {
        QString text;
        const char16_t* fragment;
    } cases[] = {
        {QStringLiteral("7 mod 0"), u"Division by zero"},
        {QStringLiteral("a * -b"), u"не хватает операндов"},
        {QStringLiteral("*"), u"не хватает операндов"},
        {QStringLiteral("1.2.3"), u"не является числом"},
        {QStringLiteral("12abc"), u"не является числом"},
        {QStringLiteral("f(1, 2"), u"Не закрыта скобка"},
        {QStringLiteral("[Name"), u"квадратная скобка"},
        {QStringLiteral("Arr[1"), u"квадратная скобка"},
        {QStringLiteral("'abc"), u"кавычка"},
        {QStringLiteral("IF(1, 'a', 'b'"), u"Не закрыта скобка"},
        {QStringLiteral("COPY('abc', 'x', 1)"), u"не является целым"},
        {QStringLiteral("IF('yes', 1, 2)"), u"не является числом"},
        {QStringLiteral("STRTODATE('31.02.2000')"), u"не является датой"},
        {many, u"больше 32 значений"},
        {QString(TfrParser::maxTextLength + 1, u'1'), u"длиннее"},
    };
    for (const Case& c : cases) {
        try {
            p.parser.evaluate(c.text);
            ADD_FAILURE() << "no error: " << c.text.left(60).toStdString();
        } catch (const Exception& e) {
            EXPECT_TRUE(e.message().contains(QString::fromUtf16(c.fragment))) << e.what();
        }
    }
    EXPECT_EQ(p.parser.evaluate(deep).toInt(), 1); // parentheses are no nesting of evaluations
    try {
        recursive.evaluate(QStringLiteral("x"));
        ADD_FAILURE() << "no error";
    } catch (const EExpressionError& e) {
        EXPECT_TRUE(e.message().contains(u"глубже")) << e.what();
    }
    // Malformed postfix handed in directly.
    for (const QString& postfix : {QStringLiteral("1 \x05"), QStringLiteral("\x06"), QStringLiteral(")"),
                                   QStringLiteral("1 2 3 ") + QString(30, u'+')}) {
        EXPECT_THROW(p.parser.evaluatePostfix(postfix), EExpressionError) << visible(postfix).toStdString();
    }
}

TEST(Readers, IdentifierQuotedBracketedArguments) {
    qsizetype pos = 0;
    const QString t = QStringLiteral("  DS.\"a b\"+x");
    EXPECT_EQ(frreader::readIdentifier(t, pos), "DS.\"a b\"");
    EXPECT_EQ(pos, 10);

    pos = 0;
    EXPECT_EQ(frreader::readQuoted(QStringLiteral("'a''b' + 1"), pos), "'a''b'");
    EXPECT_EQ(pos, 6);
    bool terminated = true;
    pos = 0;
    EXPECT_EQ(frreader::readQuoted(QStringLiteral("'abc"), pos, &terminated), "'abc");
    EXPECT_FALSE(terminated);

    const QString line = QStringLiteral("[IF([X] > 0, '[+]', \"]\")] tail");
    qsizetype start = 0, end = 0;
    EXPECT_EQ(frreader::readBracketed(line, start, end), "IF([X] > 0, '[+]', \"]\")");
    EXPECT_EQ(start, 0);
    EXPECT_EQ(end, 24);
    start = end = 0;
    EXPECT_EQ(frreader::readBracketed(QStringLiteral("x[1]"), start, end), "");
    EXPECT_EQ(start, end);
    start = 0;
    frreader::readBracketed(QStringLiteral("[a[b]"), start, end, &terminated);
    EXPECT_FALSE(terminated);

    pos = 1;
    const frreader::Arguments a = frreader::splitArguments(QStringLiteral("f(a, (b, c), 'd,)', e)"), pos);
    EXPECT_EQ(a.p1, "a");
    EXPECT_EQ(a.p2, " 'd,)'"); // replaced by the third argument; the fourth goes nowhere
    EXPECT_EQ(a.p3, "");
    EXPECT_EQ(pos, 22);
}

TEST(FunctionSplitter, FindsCallsThroughBracketsAndVariables) {
    TfrVariables vars;
    vars.set(QStringLiteral("Total"), TVariant(QStringLiteral("SUM([Qty]) * 2")));
    vars.set(QStringLiteral("Loop"), TVariant(QStringLiteral("[Loop] + 1")));
    const QStringList match = {QStringLiteral("SUM"), QStringLiteral("MAX"), QStringLiteral("COUNT")};
    struct Case {
        const char16_t* text;
        QStringList found;
    } cases[] = {
        {u"SUM(MAX(x))", {"MAX(x)", "SUM(MAX(x))"}},
        {u"1 + sum([Qty], Band1) * count(Band1)", {"sum([Qty], Band1)", "count(Band1)"}},
        {u"[Total] + 1", {"SUM([Qty])"}},
        {u"Total", {"SUM([Qty])"}},
        {u"'SUM(x)'", {}},
        {u"IF(a > 0, MAX(b), 0)", {"MAX(b)"}},
        {u"SUM(x", {}},
        {u"avg(x)", {}},
    };
    for (const Case& c : cases) {
        QStringList found;
        TfrFunctionSplitter(match, found, &vars).split(QString::fromUtf16(c.text));
        EXPECT_EQ(found, c.found) << QString::fromUtf16(c.text).toStdString();
    }
    QStringList found;
    EXPECT_THROW(TfrFunctionSplitter(match, found, &vars).split(QStringLiteral("[Loop]")), EExpressionError);
}

#include "expr_input.h"

#include <QDir>
#include <QFile>

// Every input the fuzzer found harmful goes through the fuzzer's steps again
// (a leak shows under the sanitizer build of the suite).
TEST(ExpressionFuzzFindings, ReplayHarmlessly) {
    const QDir dir(QStringLiteral(OSTRAND_TEST_DATA_DIR "/fuzz"));
    const QStringList files = dir.entryList(QDir::Files);
    ASSERT_FALSE(files.isEmpty());
    for (const QString& name : files) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << name.toStdString();
        frfuzz::World world;
        frfuzz::runExpressionInput(world, f.readAll());
    }
}
