#include "report/expr/interpreter.h"

#include "report/expr/context.h"
#include "report/model/dictionary.h"
#include "report/model/engine.h"
#include "report/model/objects.h"
#include "report/model/page.h"
#include "report/model/report.h"

#include <algorithm>
#include <vector>

namespace frcode {

QString addressText(int address) {
    QString text(2, QChar());
    text[0] = QChar(char16_t(address & 0xFF));
    text[1] = QChar(char16_t((address >> 8) & 0xFF));
    return text;
}

int addressOf(const QString& line) {
    if (line.size() < 3)
        return -1;
    return line[1].unicode() | (line[2].unicode() << 8);
}

} // namespace frcode

namespace {

// The compiler's messages. The first ten are the ones a script author meets in
// the designer; the rest guard the compiler's limits.
namespace msg {
const QString needSemicolonOrEnd = QStringLiteral("Need \";\" or \"end\" here");
const QString needThen = QStringLiteral("Need \"then\" here");
const QString needSemicolonOrUntil = QStringLiteral("Need \";\" or \"until\" here");
const QString needDo = QStringLiteral("Need \"do\" here");
const QString needTo = QStringLiteral("Need \"to\" here");
const QString gotoNumber = QStringLiteral("\"goto\" label must be a number");
const QString needAssign = QStringLiteral("Need \":=\" here");
const QString needRParen = QStringLiteral("Need \")\" here");
const QString needRBracket = QStringLiteral("Need \"]\" here");
const QString needCommaOrRParen = QStringLiteral("Need \",\" or \")\" here");
const QString needSemicolon = QStringLiteral("Need \";\" here");
const QString needExpression = QStringLiteral("Need an expression here");
const QString needName = QStringLiteral("Need a variable name here");
const QString unterminatedString = QStringLiteral("Unterminated string");
const QString tooLong = QStringLiteral("Script is longer than %1 characters").arg(TfrInterpretator::maxSourceLength);
const QString tooManyLabels = QStringLiteral("Too many labels (at most %1)").arg(TfrInterpretator::maxLabels);
const QString labelTooLong = QStringLiteral("Label is longer than %1 characters").arg(TfrInterpretator::maxLabelLength);
const QString labelTwice = QStringLiteral("Label %1 is defined twice");
const QString labelMissing = QStringLiteral("Label %1 is not defined");
const QString tooManyLines = QStringLiteral("Script is too long: more than %1 code lines").arg(TfrInterpretator::maxCodeLines);
const QString tooDeep = QStringLiteral("Statements or brackets nested deeper than %1").arg(TfrInterpretator::maxNesting);
} // namespace msg

const QString kExitCall = QStringLiteral("EXIT(0)");

struct CompileError {
    qsizetype pos;
    QString message;
};

bool isNameStart(QChar c) { return c.isLetter(); }
bool isNameChar(QChar c) { return c.isLetterOrNumber() || c == u'.' || c == u'_'; }
bool isDigit(QChar c) { return c >= u'0' && c <= u'9'; }

// Comments become blanks, so positions stay those of the source as written
// and a comment ends the token before it. Quoted texts keep their braces and
// slashes.
QString blankComments(const QString& source) {
    QString t = source;
    const qsizetype n = t.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = t[i];
        if (c == u'\'') {
            for (++i; i < n && t[i] != u'\''; ++i) {
            }
            ++i;
        } else if (c == u'{') {
            for (; i < n && t[i] != u'}'; ++i)
                t[i] = u' ';
            if (i < n)
                t[i++] = u' ';
        } else if (c == u'/' && i + 1 < n && t[i + 1] == u'/') {
            for (; i < n && t[i] != u'\r'; ++i)
                t[i] = u' ';
        } else {
            ++i;
        }
    }
    return t;
}

// Recursive descent over the joined source. `m_pos` always stands right after
// the last token taken, so an error points at the first character after what
// was understood.
class ScriptCompiler {
public:
    ScriptCompiler(const QString& text, QStringList& code) : m_text(blankComments(text)), m_code(code) {}

    void compile() {
        if (m_text.trimmed().isEmpty())
            return;
        for (;;) {
            statement(0);
            const qsizetype q = skipFrom(m_pos);
            if (q >= m_text.size())
                break;
            if (m_text[q] != u';')
                fail(m_pos, msg::needSemicolon);
            m_pos = q + 1;
        }
        resolveJumps();
    }

private:
    [[noreturn]] void fail(qsizetype pos, const QString& message) { throw CompileError{pos, message}; }

    qsizetype skipFrom(qsizetype q) const {
        while (q < m_text.size() && m_text[q].unicode() <= 32)
            ++q;
        return q;
    }
    // The keyword stands at q as a word of its own.
    bool wordAt(qsizetype q, QLatin1StringView word) const {
        const qsizetype end = q + word.size();
        if (end > m_text.size())
            return false;
        if (QStringView(m_text).mid(q, word.size()).compare(word, Qt::CaseInsensitive) != 0)
            return false;
        return end == m_text.size() || !isNameChar(m_text[end]);
    }
    bool atWord(QLatin1StringView word) const { return wordAt(skipFrom(m_pos), word); }
    bool acceptWord(QLatin1StringView word) {
        const qsizetype q = skipFrom(m_pos);
        if (!wordAt(q, word))
            return false;
        m_pos = q + word.size();
        return true;
    }
    bool acceptChar(QChar c) {
        const qsizetype q = skipFrom(m_pos);
        if (q >= m_text.size() || m_text[q] != c)
            return false;
        m_pos = q + 1;
        return true;
    }
    bool isReserved(QStringView word) const {
        static const char* const words[] = {"BEGIN", "END", "IF",    "THEN", "ELSE", "WHILE", "DO", "REPEAT",
                                            "UNTIL", "FOR", "TO",    "GOTO", "EXIT", "AND",   "OR", "MOD", "NOT"};
        for (const char* w : words)
            if (word.compare(QLatin1StringView(w), Qt::CaseInsensitive) == 0)
                return true;
        return false;
    }
    // A statement ends before these (an empty statement stands there).
    bool atStatementEnd(qsizetype q) const {
        return q >= m_text.size() || m_text[q] == u';' || wordAt(q, QLatin1StringView("END")) ||
               wordAt(q, QLatin1StringView("UNTIL")) || wordAt(q, QLatin1StringView("ELSE"));
    }
    void checkDepth(int depth) const {
        if (depth > TfrInterpretator::maxNesting)
            throw CompileError{m_pos, msg::tooDeep};
    }

    // --- code lines

    int addLine(const QString& line, qsizetype pos) {
        if (m_code.size() >= TfrInterpretator::maxCodeLines)
            fail(pos, msg::tooManyLines);
        m_code.append(line);
        return int(m_code.size() - 1);
    }
    QString postfix(const QString& expression, qsizetype pos) {
        try {
            return TfrParser::convertToPostfix(expression);
        } catch (const Exception& e) {
            fail(pos, e.message());
        }
    }
    int emitJump(char16_t kind, const QString& condition = {}, qsizetype pos = 0) {
        QString line = QChar(kind) + frcode::addressText(0);
        if (kind == frcode::JumpIfZero)
            line += postfix(condition, pos);
        return addLine(line, pos);
    }
    void patch(int line, int address) {
        QString& l = m_code[line];
        const QString a = frcode::addressText(address);
        l[1] = a[0];
        l[2] = a[1];
    }
    int here() const { return int(m_code.size()); }

    void resolveJumps() {
        for (const Goto& g : m_gotos) {
            const auto it = std::find_if(m_labels.begin(), m_labels.end(),
                                         [&](const Label& l) { return l.text == g.label; });
            if (it == m_labels.end())
                fail(g.pos, msg::labelMissing.arg(g.label.chopped(1)));
            patch(g.line, it->line);
        }
        for (int line : m_exits)
            patch(line, here());
    }

    // --- statements

    void statement(int depth) {
        checkDepth(depth);
        const qsizetype q = skipFrom(m_pos);
        if (atStatementEnd(q))
            return;
        const QChar c = m_text[q];
        if (acceptWord(QLatin1StringView("BEGIN")))
            return block(depth);
        if (acceptWord(QLatin1StringView("IF")))
            return ifStatement(depth);
        if (acceptWord(QLatin1StringView("WHILE")))
            return whileStatement(depth);
        if (acceptWord(QLatin1StringView("REPEAT")))
            return repeatStatement(depth);
        if (acceptWord(QLatin1StringView("FOR")))
            return forStatement(depth);
        if (acceptWord(QLatin1StringView("GOTO")))
            return gotoStatement();
        if (acceptWord(QLatin1StringView("EXIT"))) {
            m_exits.push_back(emitJump(frcode::Jump, {}, q));
            return;
        }
        if (isDigit(c)) {
            qsizetype e = q;
            while (e < m_text.size() && isDigit(m_text[e]))
                ++e;
            const qsizetype colon = skipFrom(e);
            if (colon < m_text.size() && m_text[colon] == u':' &&
                (colon + 1 >= m_text.size() || m_text[colon + 1] != u'=')) {
                label(q, m_text.mid(q, e - q) + u':');
                m_pos = colon + 1;
                return statement(depth + 1);
            }
        }
        if (isNameStart(c)) {
            qsizetype e = q;
            while (e < m_text.size() && isNameChar(m_text[e]))
                ++e;
            const QString name = m_text.mid(q, e - q);
            if (!isReserved(name)) {
                m_pos = e;
                QString index;
                if (e < m_text.size() && m_text[e] == u'[') {
                    m_pos = e + 1;
                    index = expressionText(depth + 1);
                    if (!acceptChar(u']'))
                        fail(m_pos, msg::needRBracket);
                }
                const qsizetype a = skipFrom(m_pos);
                if (a + 1 < m_text.size() && m_text[a] == u':' && m_text[a + 1] == u'=') {
                    m_pos = a + 2;
                    const qsizetype at = skipFrom(m_pos);
                    const QString value = expressionText(depth + 1);
                    if (index.isNull())
                        addLine(name + u' ' + postfix(value, at), q);
                    else
                        addLine(QChar(frcode::Evaluate) +
                                 postfix(QStringLiteral("SETARRAY(%1, %2, %3)").arg(name, index, value), at),
                             q);
                    return;
                }
                if (index.isNull() && atStatementEnd(a)) {
                    addLine(QChar(frcode::Evaluate) + postfix(name + QStringLiteral("(0)"), q), q);
                    return;
                }
            }
        }
        m_pos = q;
        const QString call = expressionText(depth + 1);
        addLine(QChar(frcode::Evaluate) + postfix(call, q), q);
    }

    void block(int depth) {
        for (;;) {
            statement(depth + 1);
            if (acceptChar(u';'))
                continue;
            if (acceptWord(QLatin1StringView("END")))
                return;
            fail(m_pos, msg::needSemicolonOrEnd);
        }
    }

    void ifStatement(int depth) {
        const qsizetype at = skipFrom(m_pos);
        const QString condition = expressionText(depth + 1);
        if (!acceptWord(QLatin1StringView("THEN")))
            fail(m_pos, msg::needThen);
        const int test = emitJump(frcode::JumpIfZero, condition, at);
        statement(depth + 1);
        if (acceptWord(QLatin1StringView("ELSE"))) {
            const int skip = emitJump(frcode::Jump, {}, m_pos);
            patch(test, here());
            statement(depth + 1);
            patch(skip, here());
        } else {
            patch(test, here());
        }
    }

    void whileStatement(int depth) {
        const qsizetype at = skipFrom(m_pos);
        const QString condition = expressionText(depth + 1);
        if (!acceptWord(QLatin1StringView("DO")))
            fail(m_pos, msg::needDo);
        const int test = emitJump(frcode::JumpIfZero, condition, at);
        statement(depth + 1);
        const int back = emitJump(frcode::Jump, {}, m_pos);
        patch(back, test);
        patch(test, here());
    }

    void repeatStatement(int depth) {
        const int start = here();
        for (;;) {
            statement(depth + 1);
            if (acceptChar(u';'))
                continue;
            if (acceptWord(QLatin1StringView("UNTIL")))
                break;
            fail(m_pos, msg::needSemicolonOrUntil);
        }
        const qsizetype at = skipFrom(m_pos);
        const QString condition = expressionText(depth + 1);
        patch(emitJump(frcode::JumpIfZero, condition, at), start);
    }

    void forStatement(int depth) {
        const qsizetype q = skipFrom(m_pos);
        qsizetype e = q;
        if (q < m_text.size() && isNameStart(m_text[q]))
            while (e < m_text.size() && isNameChar(m_text[e]))
                ++e;
        const QString name = m_text.mid(q, e - q);
        if (name.isEmpty() || isReserved(name))
            fail(m_pos, msg::needName);
        m_pos = e;
        const qsizetype a = skipFrom(m_pos);
        if (!(a + 1 < m_text.size() && m_text[a] == u':' && m_text[a + 1] == u'='))
            fail(m_pos, msg::needAssign);
        m_pos = a + 2;
        const qsizetype startAt = skipFrom(m_pos);
        const QString start = expressionText(depth + 1);
        if (!acceptWord(QLatin1StringView("TO")))
            fail(m_pos, msg::needTo);
        const qsizetype endAt = skipFrom(m_pos);
        const QString end = expressionText(depth + 1);
        if (!acceptWord(QLatin1StringView("DO")))
            fail(m_pos, msg::needDo);
        addLine(name + u' ' + postfix(start, startAt), q);
        const int test = emitJump(frcode::JumpIfZero, name + QStringLiteral(" <= (") + end + u')', endAt);
        statement(depth + 1);
        addLine(name + u' ' + postfix(name + QStringLiteral(" + 1"), q), q);
        patch(emitJump(frcode::Jump, {}, q), test);
        patch(test, here());
    }

    void gotoStatement() {
        const qsizetype q = skipFrom(m_pos);
        qsizetype e = q;
        while (e < m_text.size() && isDigit(m_text[e]))
            ++e;
        if (e == q || (e < m_text.size() && isNameChar(m_text[e])))
            fail(m_pos, msg::gotoNumber);
        m_pos = e;
        const QString text = m_text.mid(q, e - q) + u':';
        if (text.size() > TfrInterpretator::maxLabelLength)
            fail(q, msg::labelTooLong);
        m_gotos.push_back({emitJump(frcode::Jump, {}, q), text, q});
    }

    void label(qsizetype pos, const QString& text) {
        if (text.size() > TfrInterpretator::maxLabelLength)
            fail(pos, msg::labelTooLong);
        for (const Label& l : m_labels)
            if (l.text == text)
                fail(pos, msg::labelTwice.arg(text.chopped(1)));
        if (int(m_labels.size()) >= TfrInterpretator::maxLabels)
            fail(pos, msg::tooManyLabels);
        m_labels.push_back({text, here()});
    }

    // --- expressions: validated here, evaluated by the expression parser

    QString expressionText(int depth) {
        const qsizetype start = skipFrom(m_pos);
        expression(depth);
        QString text = m_text.mid(start, m_pos - start);
        text.replace(u'\r', u' ');
        return text;
    }

    void expression(int depth) {
        checkDepth(depth);
        simple(depth);
        const qsizetype q = skipFrom(m_pos);
        if (q < m_text.size()) {
            const QChar c = m_text[q];
            const QChar d = q + 1 < m_text.size() ? m_text[q + 1] : QChar();
            int length = 0;
            if ((c == u'<' && (d == u'=' || d == u'>')) || (c == u'>' && d == u'='))
                length = 2;
            else if (c == u'<' || c == u'>' || c == u'=')
                length = 1;
            if (length) {
                m_pos = q + length;
                simple(depth);
            }
        }
    }

    void simple(int depth) {
        term(depth);
        for (;;) {
            const qsizetype q = skipFrom(m_pos);
            if (q < m_text.size() && (m_text[q] == u'+' || m_text[q] == u'-'))
                m_pos = q + 1;
            else if (!acceptWord(QLatin1StringView("OR")))
                return;
            term(depth);
        }
    }

    void term(int depth) {
        factor(depth);
        for (;;) {
            const qsizetype q = skipFrom(m_pos);
            if (q < m_text.size() && (m_text[q] == u'*' || m_text[q] == u'/'))
                m_pos = q + 1;
            else if (!acceptWord(QLatin1StringView("AND")) && !acceptWord(QLatin1StringView("MOD")))
                return;
            factor(depth);
        }
    }

    void factor(int depth) {
        checkDepth(depth);
        const qsizetype q = skipFrom(m_pos);
        if (q >= m_text.size())
            fail(m_pos, msg::needExpression);
        const QChar c = m_text[q];
        if (c == u'(') {
            m_pos = q + 1;
            expression(depth + 1);
            if (!acceptChar(u')'))
                fail(m_pos, msg::needRParen);
        } else if (c == u'[') {
            bracket(q);
        } else if (c == u'+' || c == u'-') {
            m_pos = q + 1;
            expression(depth + 1);
        } else if (acceptWord(QLatin1StringView("NOT"))) {
            expression(depth + 1);
        } else if (isDigit(c)) {
            qsizetype e = q;
            while (e < m_text.size() && isDigit(m_text[e]))
                ++e;
            if (e + 1 < m_text.size() && m_text[e] == u'.' && isDigit(m_text[e + 1]))
                for (++e; e < m_text.size() && isDigit(m_text[e]); ++e) {
                }
            m_pos = e;
        } else if (c == u'\'') {
            qsizetype e = q + 1;
            for (;;) {
                while (e < m_text.size() && m_text[e] != u'\'')
                    ++e;
                if (e >= m_text.size())
                    fail(q, msg::unterminatedString);
                if (e + 1 < m_text.size() && m_text[e + 1] == u'\'') {
                    e += 2;
                    continue;
                }
                break;
            }
            m_pos = e + 1;
        } else if (isNameStart(c)) {
            qsizetype e = q;
            while (e < m_text.size() && isNameChar(m_text[e]))
                ++e;
            // A keyword cannot be an operand; IF( is the parser's own function.
            if (isReserved(QStringView(m_text).mid(q, e - q)) && (e >= m_text.size() || m_text[e] != u'('))
                fail(m_pos, msg::needExpression);
            m_pos = e;
            if (e < m_text.size() && m_text[e] == u'(') {
                m_pos = e + 1;
                if (!acceptChar(u')')) {
                    for (;;) {
                        expression(depth + 1);
                        if (acceptChar(u','))
                            continue;
                        if (acceptChar(u')'))
                            break;
                        fail(m_pos, msg::needCommaOrRParen);
                    }
                }
            }
            if (m_pos < m_text.size() && m_text[m_pos] == u'[') {
                ++m_pos;
                expression(depth + 1);
                if (!acceptChar(u']'))
                    fail(m_pos, msg::needRBracket);
            }
        } else {
            fail(m_pos, msg::needExpression);
        }
    }

    // [ text with balanced brackets ], quotes respected.
    void bracket(qsizetype q) {
        int level = 0;
        QChar quote;
        for (qsizetype e = q; e < m_text.size(); ++e) {
            const QChar c = m_text[e];
            if (!quote.isNull()) {
                if (c == quote)
                    quote = QChar();
            } else if (c == u'\'' || c == u'"') {
                quote = c;
            } else if (c == u'[') {
                ++level;
            } else if (c == u']' && --level == 0) {
                m_pos = e + 1;
                return;
            }
        }
        fail(q, msg::needRBracket);
    }

    struct Label {
        QString text; // digits and colon
        int line;
    };
    struct Goto {
        int line;
        QString label;
        qsizetype pos;
    };

    const QString m_text;
    QStringList& m_code;
    qsizetype m_pos = 0;
    std::vector<Label> m_labels;
    std::vector<Goto> m_gotos;
    std::vector<int> m_exits;
};

QString errorLine(const QString& text, qsizetype pos, const QString& message) {
    pos = std::clamp<qsizetype>(pos, 0, text.size());
    const QStringView before = QStringView(text).left(pos);
    const qsizetype line = before.count(u'\r') + 1;
    const qsizetype column = pos - (before.lastIndexOf(u'\r') + 1) + 1;
    return QStringLiteral("Line %1/%2: %3").arg(line).arg(column).arg(message);
}

} // namespace

// ---------------------------------------------------------------------------

TfrInterpretator::TfrInterpretator() {
    m_parser.onResolveName = [this](const QString& name, TVariant& value, std::shared_ptr<void>& hint) {
        getValue(name, value, hint);
    };
    m_parser.onCallFunction = [this](const QString& name, const QString& p1, const QString& p2, const QString& p3,
                                     TVariant& result) { callFunction(name, p1, p2, p3, result); };
}

TfrInterpretator::~TfrInterpretator() = default;

bool TfrInterpretator::prepareCode(const QStringList& source, QStringList& code, QStringList& errors) {
    QString text;
    for (const QString& line : source) {
        text += line;
        text += u'\r';
    }
    text.replace(u'\t', u' ');
    code.clear();
    errors.clear();
    if (text.size() > maxSourceLength) {
        errors.append(errorLine(text, maxSourceLength, msg::tooLong));
        return false;
    }
    try {
        ScriptCompiler(text, code).compile();
    } catch (const CompileError& e) {
        // Code with jumps not yet resolved must not run.
        code.clear();
        errors.append(errorLine(text, e.pos, e.message));
        return false;
    }
    return true;
}

void TfrInterpretator::runCode(const QStringList& code) {
    const TVariant zero(std::int32_t(0));
    const qsizetype count = code.size();
    std::int64_t steps = 0;
    qsizetype i = 0;
    while (i < count) {
        ++steps;
        if (stepBudget > 0 && steps > stepBudget)
            throw EScriptStopped(EScriptStopped::Reason::StepBudget,
                                 QStringLiteral("Сценарий остановлен: выполнено %1 шагов, больше разрешённого")
                                     .arg(stepBudget));
        if (steps % cancelCheckInterval == 0 && cancelRequested && cancelRequested())
            throw EScriptStopped(EScriptStopped::Reason::Cancelled, QStringLiteral("Сценарий прерван пользователем"));
        const QString& line = code[i];
        if (line.isEmpty()) {
            ++i;
            continue;
        }
        switch (line[0].unicode()) {
        case frcode::JumpIfZero:
        case frcode::Jump: {
            const int address = frcode::addressOf(line);
            if (address < 0 || address > count)
                throw Exception(QStringLiteral("Неверная строка кода сценария: %1").arg(i));
            if (line[0] == QChar(frcode::Jump) || m_parser.evaluatePostfix(line.mid(3)) == zero)
                i = address;
            else
                ++i;
            break;
        }
        case frcode::Evaluate:
            m_parser.evaluatePostfix(line.mid(1));
            ++i;
            break;
        default: {
            const qsizetype space = line.indexOf(u' ');
            if (space <= 0)
                throw Exception(QStringLiteral("Неверная строка кода сценария: %1").arg(i));
            const QString name = line.left(space);
            const TVariant value = m_parser.evaluatePostfix(line.mid(space + 1));
            if (value.isString() && value.toString().size() > maxValueLength)
                throw Exception(QStringLiteral("Сценарий: значение для %1 длиннее %2 символов").arg(name).arg(maxValueLength));
            setValue(name, value);
            ++i;
        }
        }
    }
}

void TfrInterpretator::splitCode(const QStringList& code, const QStringList& matchList, const TfrVariables* variables,
                                 QStringList& result) {
    TfrFunctionSplitter splitter(matchList, result, variables);
    for (const QString& line : code) {
        if (line.isEmpty())
            continue;
        switch (line[0].unicode()) {
        case frcode::JumpIfZero: splitter.split(line.mid(3)); break;
        case frcode::Jump: break;
        case frcode::Evaluate: splitter.split(line.mid(1)); break;
        default: {
            const qsizetype space = line.indexOf(u' ');
            if (space > 0)
                splitter.split(line.mid(space + 1));
        }
        }
    }
}

// ---------------------------------------------------------------------------

TInterpretator::TInterpretator(TfrExprContext& context) : m_context(context), m_previousAssign(context.assign) {
    m_context.assign = [this](const QString& name, const TVariant& value) { setValue(name, value); };
}

TInterpretator::~TInterpretator() { m_context.assign = m_previousAssign; }

void TInterpretator::getValue(const QString& name, TVariant& value, std::shared_ptr<void>& hint) {
    m_context.lookupValue(name, value, hint);
}

void TInterpretator::callFunction(const QString& name, const QString& p1, const QString& p2, const QString& p3,
                                  TVariant& result) {
    m_context.callFunction(name, p1, p2, p3, result);
}

void TInterpretator::setValue(const QString& name, const TVariant& value) {
    TfrVariables& globals = m_context.engine().globalVariables();
    if (const int index = globals.indexOf(name); index >= 0) {
        globals.setValue(index, value);
        return;
    }
    TfrDataDictionary& dictionary = m_context.report().dictionary();
    if (dictionary.variables.indexOf(name) >= 0 && dictionary.isVariable(name)) {
        dictionary.setVariable(name, value);
        return;
    }
    TfrExprState* build = m_context.build();
    if (name.compare(u"MODALRESULT", Qt::CaseInsensitive) == 0) {
        if (build && build->setModalResult)
            build->setModalResult(value.toInt());
        return;
    }
    if (name.compare(u"CURY", Qt::CaseInsensitive) == 0) {
        if (build) {
            build->cursorY = value.toInt();
            if (TfrExprBand* band = build->currentBand;
                band && (band->pendingPageBreaks > 0 || band->pendingColumnBreaks > 0))
                band->cursorYAfterBreaks = true;
        }
        return;
    }
    if (name.compare(u"PROGRESS", Qt::CaseInsensitive) == 0) {
        if (build && build->showProgress)
            build->showProgress(value.toString());
        return;
    }
    QString property;
    if (TfrObject* object = propertyOwner(name, property); object && object->hasProperty(property)) {
        object->setPropValue(property, value);
        return;
    }
    globals.set(name, value);
}

// The object a name's property belongs to, as the value lookup finds it:
// PageN.Property, Object.Property, or a property of the current object (which
// may itself be dotted, as Font.Name).
TfrObject* TInterpretator::propertyOwner(const QString& name, QString& property) const {
    TfrReport& report = m_context.report();
    TfrView* current = m_context.currentObject();
    const qsizetype dot = name.indexOf(u'.');
    if (dot < 0) {
        property = name;
        return current;
    }
    const QString objectPart = name.left(dot);
    property = name.mid(dot + 1);
    if (const std::optional<TfrPage*> page = report.pageByNumberName(objectPart))
        return *page;
    if (TfrView* object = report.findObject(objectPart))
        return object;
    if (current && current->hasProperty(name)) {
        property = name;
        return current;
    }
    return nullptr;
}
