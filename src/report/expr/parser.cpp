#include "report/expr/parser.h"

#include "common/numformat.h"
#include "report/expr/exprvalues.h"
#include "report/model/variables.h"

#include <array>
#include <cmath>
#include <vector>

// ---------------------------------------------------------------------------
// Readers

namespace {

bool isIdentifierTerminator(char16_t c) {
    switch (c) {
    case u'\r':
    case u' ':
    case u'(':
    case u')':
    case u'*':
    case u'+':
    case u'-':
    case u'/':
    case u'<':
    case u'=':
    case u'>':
    case u'[': return true;
    default: return false;
    }
}

QString unclosedCallMessage(const QString& text) {
    return QStringLiteral("Не закрыта скобка в вызове функции: %1").arg(text.left(200));
}

} // namespace

namespace frreader {

QString readIdentifier(const QString& text, qsizetype& pos) {
    const qsizetype n = text.size();
    while (pos < n && text[pos].unicode() <= 32)
        ++pos;
    const qsizetype start = pos;
    int quotes = 0;
    while (pos < n) {
        const char16_t c = text[pos].unicode();
        if (c == u'"')
            ++quotes;
        else if ((quotes & 1) == 0 && isIdentifierTerminator(c))
            break;
        ++pos;
    }
    return text.mid(start, pos - start);
}

QString readQuoted(const QString& text, qsizetype& pos, bool* terminated) {
    const qsizetype start = pos;
    const qsizetype n = text.size();
    qsizetype i = pos + 1;
    while (i < n) {
        const qsizetype q = text.indexOf(u'\'', i);
        if (q < 0)
            break;
        if (q + 1 < n && text[q + 1] == u'\'') {
            i = q + 2;
            continue;
        }
        pos = q + 1;
        if (terminated)
            *terminated = true;
        return text.mid(start, pos - start);
    }
    pos = n;
    if (terminated)
        *terminated = false;
    return text.mid(start);
}

QString readBracketed(const QString& text, qsizetype& start, qsizetype& end, bool* terminated) {
    const qsizetype n = text.size();
    int depth = 0;
    bool inSingle = false, inDouble = false;
    qsizetype i = start;
    end = start;
    if (terminated)
        *terminated = true;
    for (; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (c == u'\'' && !inDouble)
            inSingle = !inSingle;
        else if (c == u'"' && !inSingle)
            inDouble = !inDouble;
        else if (!inSingle && !inDouble) {
            if (c == u'[') {
                if (depth == 0)
                    start = i;
                ++depth;
            } else if (c == u']') {
                --depth;
            }
        }
        if (depth <= 0) {
            end = i;
            break;
        }
    }
    if (i >= n && n > start) {
        if (depth > 0) {
            end = n;
            if (terminated)
                *terminated = false;
            return text.mid(start + 1);
        }
    }
    if (end > start)
        return text.mid(start + 1, end - start - 1);
    return QString();
}

Arguments splitArguments(const QString& text, qsizetype& pos) {
    Arguments a;
    const qsizetype n = text.size();
    int depth = 1;
    bool inQuote = false;
    int commas = 0;
    qsizetype argStart = pos + 1;
    for (qsizetype i = pos + 1; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (c == u'\'') {
            inQuote = !inQuote;
            continue;
        }
        if (inQuote)
            continue;
        if (c == u'(') {
            ++depth;
        } else if (c == u')') {
            if (--depth == 0) {
                QString last = text.mid(argStart, i - argStart);
                if (commas == 0)
                    a.p1 = std::move(last);
                else if (commas == 1)
                    a.p2 = std::move(last);
                else if (commas == 2)
                    a.p3 = std::move(last);
                pos = i + 1;
                return a;
            }
        } else if (c == u',' && depth == 1) {
            QString arg = text.mid(argStart, i - argStart);
            if (commas == 0)
                a.p1 = std::move(arg);
            else
                a.p2 = std::move(arg);
            ++commas;
            argStart = i + 1;
        }
    }
    throw EExpressionError(unclosedCallMessage(text));
}

} // namespace frreader

// ---------------------------------------------------------------------------
// Conversion to postfix

namespace {

int priority(char16_t c) {
    switch (c) {
    case frop::GreaterEqual:
    case frop::LessEqual:
    case frop::NotEqual:
    case u'<':
    case u'=':
    case u'>': return 3;
    case u'+':
    case u'-':
    case frop::Negate:
    case frop::Plus: return 2;
    case u'*':
    case u'/':
    case frop::Mod:
    case frop::And:
    case frop::Or:
    case frop::Not: return 1;
    case frop::Int:
    case frop::Frac:
    case frop::Round:
    case frop::Str: return 0;
    case u'(': return 5;
    default: return 4;
    }
}

char16_t keywordCode(const QString& upper) {
    struct Keyword {
        const char16_t* name;
        char16_t code;
    };
    static const Keyword keywords[] = {
        {u"INT", frop::Int}, {u"FRAC", frop::Frac}, {u"ROUND", frop::Round}, {u"OR", frop::Or},
        {u"AND", frop::And}, {u"NOT", frop::Not},   {u"STR", frop::Str},     {u"MOD", frop::Mod},
    };
    if (upper.size() > 5)
        return 0;
    for (const Keyword& k : keywords)
        if (upper == QStringView(k.name))
            return k.code;
    return 0;
}

void operatorStep(char16_t c, bool& lastWasOperand, std::vector<char16_t>& stack, QString& result) {
    if (!lastWasOperand) {
        if (c == u'-')
            c = frop::Negate;
        else if (c == u'+')
            c = frop::Plus;
    }
    lastWasOperand = false;
    const int p = priority(c);
    if (stack.empty() || p < priority(stack.back())) {
        stack.push_back(c);
        return;
    }
    while (!stack.empty() && p >= priority(stack.back())) {
        result += QChar(stack.back());
        stack.pop_back();
    }
    stack.push_back(c);
}

bool startsNumber(const QString& operand) {
    if (operand.isEmpty())
        return false;
    const char16_t c = operand[0].unicode();
    return c == u',' || c == u'.' || (c >= u'0' && c <= u'9');
}

QString unclosedBracketMessage(const QString& text) {
    return QStringLiteral("Не закрыта квадратная скобка в выражении: %1").arg(text.left(200));
}

QString unclosedQuoteMessage(const QString& text) {
    return QStringLiteral("Не закрыта кавычка в выражении: %1").arg(text.left(200));
}

qsizetype semicolonOutsideQuotes(const QString& token) {
    bool quoted = false;
    for (qsizetype k = 0; k < token.size(); ++k) {
        if (token[k] == u'"')
            quoted = !quoted;
        else if (token[k] == u';' && !quoted)
            return k;
    }
    return -1;
}

void checkLength(const QString& text) {
    if (text.size() > TfrParser::maxTextLength)
        throw EExpressionError(
            QStringLiteral("Выражение длиннее %1 символов: %2...").arg(TfrParser::maxTextLength).arg(text.left(100)));
}

} // namespace

QString TfrParser::convertToPostfix(const QString& text) {
    checkLength(text);
    QString result;
    result.reserve(text.size() + 16);
    std::vector<char16_t> stack;
    bool lastWasOperand = false;
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        const char16_t c = text[i].unicode();
        switch (c) {
        case u'\r':
        case u' ': ++i; continue;
        case u'(':
            stack.push_back(u'(');
            lastWasOperand = false;
            ++i;
            continue;
        case u')': {
            auto open = stack.end();
            for (auto it = stack.end(); it != stack.begin();) {
                --it;
                if (*it == u'(') {
                    open = it;
                    break;
                }
            }
            if (open != stack.end()) {
                for (auto it = stack.end(); it != open + 1;) {
                    --it;
                    result += QChar(*it);
                }
                stack.erase(open, stack.end());
            }
            ++i;
            continue;
        }
        case u'*':
        case u'+':
        case u'-':
        case u'/':
        case u'<':
        case u'=':
        case u'>': {
            char16_t op = c;
            const char16_t next = i + 1 < n ? text[i + 1].unicode() : 0;
            if (c == u'<' && next == u'>') {
                op = frop::NotEqual;
                ++i;
            } else if (c == u'>' && next == u'=') {
                op = frop::GreaterEqual;
                ++i;
            } else if (c == u'<' && next == u'=') {
                op = frop::LessEqual;
                ++i;
            }
            operatorStep(op, lastWasOperand, stack, result);
            ++i;
            continue;
        }
        case u';': i = n; continue;
        default: break;
        }

        // Operand.
        QString operand;
        if (c == u'\'') {
            bool terminated = true;
            operand = frreader::readQuoted(text, i, &terminated);
            if (!terminated)
                throw EExpressionError(unclosedQuoteMessage(text));
        } else if (c == u'[') {
            qsizetype start = i, end = i;
            bool terminated = true;
            const QString inner = frreader::readBracketed(text, start, end, &terminated);
            if (!terminated)
                throw EExpressionError(unclosedBracketMessage(text));
            operand = u'[' + inner + u']';
            i = end + 1;
        } else {
            operand = frreader::readIdentifier(text, i);
            // A semicolon outside double quotes ends the expression.
            if (const qsizetype stop = semicolonOutsideQuotes(operand); stop >= 0) {
                i -= operand.size() - stop;
                operand.truncate(stop);
                if (operand.isEmpty()) {
                    i = n;
                    break;
                }
            }
            if (i < n && text[i] == u'[') {
                qsizetype start = i, end = i;
                bool terminated = true;
                const QString inner = frreader::readBracketed(text, start, end, &terminated);
                if (!terminated)
                    throw EExpressionError(unclosedBracketMessage(text));
                operand += u'[' + inner + u']';
                i = end + 1;
            }
        }
        lastWasOperand = true;
        if (startsNumber(operand)) {
            result += operand;
            result += u' ';
            continue;
        }
        if (const char16_t code = keywordCode(operand.toUpper())) {
            operatorStep(code, lastWasOperand, stack, result);
            continue;
        }
        if (i < n && text[i] == u'(') {
            // The call text as written: from the name to the closing parenthesis.
            const qsizetype nameStart = i - operand.size();
            frreader::splitArguments(text, i);
            result += QStringView(text).mid(nameStart, i - nameStart);
            continue;
        }
        result += operand;
        result += u' ';
    }
    for (auto it = stack.rbegin(); it != stack.rend(); ++it)
        result += QChar(*it);
    return result;
}

// ---------------------------------------------------------------------------
// Programs: a postfix string read once into instructions

namespace {

enum class TfrOpKind : std::uint8_t { Push, Name, Bracket, Call, If, Copy, StrToDate, StrToTime, Unary, Binary };

bool isBinaryCode(char16_t c) {
    switch (c) {
    case frop::GreaterEqual:
    case frop::LessEqual:
    case frop::NotEqual:
    case u'<':
    case u'=':
    case u'>':
    case u'+':
    case u'-':
    case u'*':
    case u'/':
    case frop::Mod:
    case frop::And:
    case frop::Or: return true;
    default: return false;
    }
}

bool isUnaryCode(char16_t c) {
    switch (c) {
    case frop::Negate:
    case frop::Not:
    case frop::Int:
    case frop::Frac:
    case frop::Round:
    case frop::Str: return true;
    default: return false;
    }
}

QString malformedMessage(const QString& postfix) {
    return QStringLiteral("Ошибка в выражении: оператору не хватает операндов");
}

} // namespace

struct TfrInstruction {
    TfrOpKind kind = TfrOpKind::Push;
    char16_t code = 0;
    TVariant value;     // Push
    QString name;       // Name, Bracket (as written), calls (upper-cased)
    QString p1, p2, p3; // call arguments as written
    // Arguments the parser evaluates itself, converted on first use.
    mutable std::array<std::shared_ptr<TfrProgram>, 3> args;
    // What the name hook learnt about a name (Name, Bracket).
    mutable std::shared_ptr<void> hint;
};

class TfrProgram {
public:
    std::vector<TfrInstruction> code;
    bool pushesValue = false;

    static std::shared_ptr<TfrProgram> compile(const QString& postfix);
};

std::shared_ptr<TfrProgram> TfrProgram::compile(const QString& s) {
    checkLength(s);
    auto program = std::make_shared<TfrProgram>();
    const qsizetype n = s.size();
    int depth = 0;
    auto push = [&](TfrInstruction&& ins) {
        if (++depth > TfrParser::stackSize)
            throw EExpressionError(
                QStringLiteral("Ошибка в выражении: больше %1 значений ожидают операции").arg(TfrParser::stackSize));
        program->code.push_back(std::move(ins));
    };
    qsizetype i = 0;
    while (i < n) {
        const char16_t c = s[i].unicode();
        if (c == u' ' || c == frop::Plus) {
            ++i;
            continue;
        }
        if (c == u'\'') {
            bool terminated = true;
            const QString literal = frreader::readQuoted(s, i, &terminated);
            if (!terminated)
                throw EExpressionError(unclosedQuoteMessage(s));
            QString value = literal.mid(1, literal.size() - 2);
            value.replace(QStringLiteral("''"), QStringLiteral("'"));
            TfrInstruction ins;
            ins.value = TVariant(std::move(value));
            push(std::move(ins));
            continue;
        }
        if (c == u'[') {
            qsizetype start = i, end = i;
            bool terminated = true;
            QString inner = frreader::readBracketed(s, start, end, &terminated);
            if (!terminated)
                throw EExpressionError(unclosedBracketMessage(s));
            TfrInstruction ins;
            ins.kind = TfrOpKind::Bracket;
            ins.name = std::move(inner);
            push(std::move(ins));
            i = end + 1;
            continue;
        }
        if (isBinaryCode(c)) {
            if (depth < 2)
                throw EExpressionError(malformedMessage(s));
            --depth;
            TfrInstruction ins;
            ins.kind = TfrOpKind::Binary;
            ins.code = c;
            program->code.push_back(std::move(ins));
            ++i;
            continue;
        }
        if (isUnaryCode(c)) {
            if (depth < 1)
                throw EExpressionError(malformedMessage(s));
            TfrInstruction ins;
            ins.kind = TfrOpKind::Unary;
            ins.code = c;
            program->code.push_back(std::move(ins));
            ++i;
            continue;
        }
        const qsizetype before = i;
        const QString t = frreader::readIdentifier(s, i);
        const char16_t next = i < n ? s[i].unicode() : 0;
        if (t.isEmpty() && next != u'(' && next != u'[') {
            if (i == before)
                throw EExpressionError(QStringLiteral("Ошибка в выражении: неожиданный символ «%1»").arg(QChar(c)));
            continue; // blanks only
        }
        TfrInstruction ins;
        if (startsNumber(t)) {
            QString number = t;
            number.replace(u',', u'.');
            const auto d = numfmt::parseFloat(number);
            if (!d || t.contains(u' '))
                throw EExpressionError(QStringLiteral("«%1» не является числом").arg(t.left(100)));
            ins.value = TVariant(*d);
        } else if (t.compare(u"TRUE", Qt::CaseInsensitive) == 0) {
            ins.value = TVariant(true);
        } else if (t.compare(u"FALSE", Qt::CaseInsensitive) == 0) {
            ins.value = TVariant(false);
        } else if (next == u'[') {
            qsizetype start = i, end = i;
            bool terminated = true;
            const QString inner = frreader::readBracketed(s, start, end, &terminated);
            if (!terminated)
                throw EExpressionError(unclosedBracketMessage(s));
            i = end + 1;
            ins.kind = TfrOpKind::Call;
            ins.name = QStringLiteral("GETARRAY");
            ins.p1 = t;
            ins.p2 = u' ' + inner;
        } else if (next == u'(') {
            const frreader::Arguments a = frreader::splitArguments(s, i);
            ins.name = t.toUpper();
            ins.p1 = a.p1;
            ins.p2 = a.p2;
            ins.p3 = a.p3;
            if (ins.name == u"IF")
                ins.kind = TfrOpKind::If;
            else if (ins.name == u"COPY")
                ins.kind = TfrOpKind::Copy;
            else if (ins.name == u"STRTODATE")
                ins.kind = TfrOpKind::StrToDate;
            else if (ins.name == u"STRTOTIME")
                ins.kind = TfrOpKind::StrToTime;
            else
                ins.kind = TfrOpKind::Call;
        } else {
            ins.kind = TfrOpKind::Name;
            ins.name = t.toUpper();
        }
        push(std::move(ins));
    }
    program->pushesValue = depth >= 1;
    return program;
}

// ---------------------------------------------------------------------------
// Evaluation

namespace {

// Counts nested evaluations of one parser and refuses to go deeper than the
// limit; the count goes back down when the evaluation ends, also by an error.
class TDepthCounter {
public:
    TDepthCounter(int& depth, std::int64_t& steps) : m_depth(depth) {
        if (m_depth >= TfrParser::maxDepth)
            throw EExpressionError(
                QStringLiteral("Выражение вложено глубже %1 уровней").arg(TfrParser::maxDepth));
        if (m_depth == 0)
            steps = 0; // a new evaluation from outside
        ++m_depth;
    }
    ~TDepthCounter() { --m_depth; }
    TDepthCounter(const TDepthCounter&) = delete;
    TDepthCounter& operator=(const TDepthCounter&) = delete;

private:
    int& m_depth;
};

QString argumentText(const TVariant& v) { return v.toString(); }

std::int32_t textToInt(const QString& text) {
    if (const auto i = numfmt::parseInt(text.trimmed()))
        return *i;
    throw Exception(QStringLiteral("«%1» не является целым числом").arg(text.left(100)));
}

} // namespace

TfrParser::TfrParser() = default;
TfrParser::~TfrParser() = default;

void TfrParser::clearCache() {
    m_byText.clear();
    m_byPostfix.clear();
}

const TfrProgram& TfrParser::programForText(const QString& text) {
    auto it = m_byText.constFind(text);
    if (it != m_byText.constEnd())
        return **it;
    if (m_byText.size() >= maxCachedPrograms)
        m_byText.clear();
    auto program = TfrProgram::compile(convertToPostfix(text));
    return **m_byText.insert(text, std::move(program));
}

const TfrProgram& TfrParser::programForPostfix(const QString& postfix) {
    auto it = m_byPostfix.constFind(postfix);
    if (it != m_byPostfix.constEnd())
        return **it;
    if (m_byPostfix.size() >= maxCachedPrograms)
        m_byPostfix.clear();
    auto program = TfrProgram::compile(postfix);
    return **m_byPostfix.insert(postfix, std::move(program));
}

std::shared_ptr<const TfrProgram> TfrParser::program(const QString& text) {
    auto it = m_byText.constFind(text);
    if (it != m_byText.constEnd())
        return *it;
    if (m_byText.size() >= maxCachedPrograms)
        m_byText.clear();
    std::shared_ptr<TfrProgram> p = TfrProgram::compile(convertToPostfix(text));
    m_byText.insert(text, p);
    return p;
}

TVariant TfrParser::evaluate(const TfrProgram& program) {
    TDepthCounter depth(m_depth, m_steps);
    return run(program);
}

TVariant TfrParser::evaluate(const QString& text) {
    TDepthCounter depth(m_depth, m_steps);
    const std::shared_ptr<const TfrProgram> keep = program(text); // the cache may start afresh while it runs
    return run(*keep);
}

TVariant TfrParser::evaluatePostfix(const QString& postfix) {
    TDepthCounter depth(m_depth, m_steps);
    std::shared_ptr<TfrProgram> keep;
    auto it = m_byPostfix.constFind(postfix);
    if (it != m_byPostfix.constEnd()) {
        keep = *it;
    } else {
        if (m_byPostfix.size() >= maxCachedPrograms)
            m_byPostfix.clear();
        keep = TfrProgram::compile(postfix);
        m_byPostfix.insert(postfix, keep);
    }
    return run(*keep);
}

TVariant TfrParser::run(const TfrProgram& program) {
    if (program.code.empty())
        return TVariant(std::int32_t(0));
    // Every caller holds a depth counter, so the level is at least 1.
    const std::size_t level = std::size_t(m_depth - 1);
    while (m_stacks.size() <= level)
        m_stacks.push_back(std::make_unique<std::array<TVariant, stackSize>>());
    std::array<TVariant, stackSize>& stack = *m_stacks[level];
    int sp = 0; // next free slot

    // An argument the parser evaluates itself, converted once per instruction.
    auto argument = [this](const TfrInstruction& ins, int index, const QString& text) -> TVariant {
        TDepthCounter depth(m_depth, m_steps);
        std::shared_ptr<TfrProgram>& slot = ins.args[static_cast<std::size_t>(index)];
        if (!slot)
            slot = TfrProgram::compile(convertToPostfix(text));
        const std::shared_ptr<TfrProgram> keep = slot;
        return run(*keep);
    };

    m_steps += std::int64_t(program.code.size());
    if (m_steps > maxSteps)
        throw EExpressionError(QStringLiteral("Выражение слишком сложное: больше %1 шагов вычисления").arg(maxSteps));
    for (const TfrInstruction& ins : program.code) {
        switch (ins.kind) {
        case TfrOpKind::Push: stack[sp++] = ins.value; break;
        case TfrOpKind::Name:
        case TfrOpKind::Bracket: {
            TVariant v = TVariant::null();
            if (onResolveName)
                onResolveName(ins.name, v, ins.hint);
            stack[sp++] = std::move(v);
            break;
        }
        case TfrOpKind::Call: {
            TVariant v = TVariant::null();
            if (onCallFunction)
                onCallFunction(ins.name, ins.p1, ins.p2, ins.p3, v);
            stack[sp++] = std::move(v);
            break;
        }
        case TfrOpKind::If: {
            const TVariant condition = argument(ins, 0, ins.p1);
            const bool holds = frvalues::conditionHolds(condition);
            stack[sp++] = holds ? argument(ins, 1, ins.p2) : argument(ins, 2, ins.p3);
            break;
        }
        case TfrOpKind::Copy: {
            const QString s = argumentText(argument(ins, 0, ins.p1));
            const std::int32_t from = textToInt(argumentText(argument(ins, 1, ins.p2)));
            const std::int32_t count = textToInt(argumentText(argument(ins, 2, ins.p3)));
            stack[sp++] = TVariant(frvalues::copy(s, from, count));
            break;
        }
        case TfrOpKind::StrToDate:
            stack[sp++] = TVariant::dateTime(frvalues::strToDate(argumentText(argument(ins, 0, ins.p1))));
            break;
        case TfrOpKind::StrToTime:
            stack[sp++] = TVariant::dateTime(frvalues::strToTime(argumentText(argument(ins, 0, ins.p1))));
            break;
        case TfrOpKind::Unary: stack[sp - 1] = frvalues::unary(ins.code, stack[sp - 1]); break;
        case TfrOpKind::Binary:
            stack[sp - 2] = frvalues::binary(ins.code, stack[sp - 2], stack[sp - 1]);
            --sp;
            break;
        }
    }
    return program.pushesValue ? std::move(stack[0]) : TVariant(std::int32_t(0));
}

// ---------------------------------------------------------------------------
// Function splitter

bool TfrFunctionSplitter::isVariable(const QString& name, QString& value) const {
    if (!m_variables || name.isEmpty())
        return false;
    const int index = m_variables->indexOf(name);
    if (index < 0)
        return false;
    value = m_variables->value(index).toString();
    return true;
}

void TfrFunctionSplitter::split(const QString& text) {
    m_texts = 0;
    split(text, 0);
}

void TfrFunctionSplitter::split(const QString& source, int depth) {
    if (depth > maxDepth)
        throw EExpressionError(QStringLiteral("Выражение вложено глубже %1 уровней").arg(maxDepth));
    if (++m_texts > maxTexts)
        throw EExpressionError(QStringLiteral("Выражение слишком сложное: больше %1 частей").arg(maxTexts));
    const QString text = source.trimmed();
    if (text.isEmpty() || text[0] == u'\'')
        return;
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        if (text[i] == u'[') {
            qsizetype start = i, end = i;
            bool terminated = true;
            QString inner = frreader::readBracketed(text, start, end, &terminated);
            QString value;
            if (isVariable(inner, value))
                inner = value;
            split(inner, depth + 1);
            if (!terminated)
                return;
            i = end + 1;
            continue;
        }
        const qsizetype before = i;
        const QString ident = frreader::readIdentifier(text, i);
        if (i < n && text[i] == u'(') {
            const qsizetype nameStart = i - ident.size();
            frreader::Arguments a;
            try {
                a = frreader::splitArguments(text, i);
            } catch (const EExpressionError&) {
                return; // not a complete call: nothing to find in it
            }
            split(a.p1, depth + 1);
            split(a.p2, depth + 1);
            split(a.p3, depth + 1);
            if (m_match.contains(ident, Qt::CaseInsensitive))
                m_result.append(text.mid(nameStart, i - nameStart));
            continue;
        }
        QString value;
        if (isVariable(ident, value)) {
            split(value, depth + 1);
            if (i == before)
                return;
            continue;
        }
        if (i < n) {
            switch (text[i].unicode()) {
            case u'\r':
            case u' ':
            case u'*':
            case u'+':
            case u'-':
            case u'/':
            case u'<':
            case u'=':
            case u'>': ++i; continue;
            default: break;
            }
        }
        if (ident.isEmpty() || i == before)
            return;
    }
}
