#include "report/expr/memotext.h"

#include "common/cp1251.h"
#include "report/expr/context.h"
#include "report/expr/formats.h"
#include "report/expr/parser.h"
#include "report/model/constants.h"
#include "report/model/objects.h"

namespace frmemo {

namespace {

bool isDigit(QChar c) { return c >= u'0' && c <= u'9'; }

std::shared_ptr<const TfrExprContext::BracketFormat> bracketFormat(TfrExprContext& context, const QString& text) {
    if (std::shared_ptr<const TfrExprContext::BracketFormat> cached = context.cachedBracket(text))
        return cached;
    TfrExprContext::BracketFormat f;
    const qsizetype mark = text.indexOf(QStringLiteral(" #"));
    if (mark < 0) {
        f.expression = text;
    } else {
        f.expression = text.left(mark);
        f.hasFormat = readInlineFormat(text.mid(mark + 2), f.format, f.formatText);
    }
    return context.cacheBracket(text, std::move(f));
}

} // namespace

bool readInlineFormat(const QString& source, std::uint32_t& code, QString& formatText) {
    QString f = source;
    if (f.isEmpty())
        return false;
    if (isDigit(f[0]))
        f.prepend(u'N');
    const char16_t kind = f[0].unicode();
    if (kind == u'N' || kind == u'n') {
        const bool fixed = f.size() > 1 && isDigit(f[1]);
        std::uint32_t type = fixed ? 1 : 0;
        std::uint32_t digits = 0;
        unsigned char separator = 0;
        for (qsizetype i = f.size() - 1; i >= 1; --i) {
            const char16_t c = f[i].unicode();
            if (c != u',' && c != u'-' && c != u'.')
                continue;
            separator = cp1251::toByte(f[i]);
            f[i] = u'.';
            if (fixed) {
                qsizetype k = i + 1;
                while (k < f.size() && isDigit(f[k]))
                    ++k;
                const QString run = f.mid(i + 1, k - i - 1);
                if (run.isEmpty())
                    throw Exception(QStringLiteral("«%1» не является целым числом").arg(run));
                bool ok = false;
                const int n = run.size() > 9 ? 1000 : run.toInt(&ok);
                if (n > 255)
                    throw Exception(QStringLiteral("Слишком много знаков после запятой в формате «%1»").arg(source.left(100)));
                digits = std::uint32_t(n);
            }
            break;
        }
        if (!fixed) {
            type = frformat::customIndex;
            formatText = f.mid(1);
        }
        code = frformat::make(frformat::fmtNumber, type, digits, char16_t(separator));
        return true;
    }
    if (kind == u'B' || kind == u'b') {
        code = frformat::make(frformat::fmtBoolean, frformat::customIndex, 0, 0);
        formatText = f.mid(1);
        return true;
    }
    if (kind == u'D' || kind == u'd' || kind == u'T' || kind == u't') {
        code = frformat::make(frformat::fmtDate, frformat::customIndex, 0, 0);
        formatText = f.mid(1);
        return true;
    }
    return false;
}

namespace {

QString evaluate(TfrExprContext& context, const TfrExprContext::BracketFormat& bracket, const TfrView* object) {
    context.clearGuard();
    std::uint32_t format = object ? object->format : 0;
    const QString* formatText = nullptr;
    if (bracket.hasFormat) {
        // The inline number formats without a text of their own keep the object's.
        format = bracket.format;
        formatText = frformat::formatIndex(format) == frformat::customIndex || !object ? &bracket.formatText
                                                                                       : &object->formatStr;
    } else if (object) {
        formatText = &object->formatStr;
    }
    context.currentExpression = bracket.expression;
    context.currentValue = TVariant(std::int32_t(0));
    context.lookupValue(bracket.expression, context.currentValue, bracket.hint);
    TVariant& value = context.currentValue;
    if (object && object->flag(frflags::HideZeros) && !value.isString()) {
        try {
            if (value == TVariant(std::int32_t(0)))
                value = TVariant(QString());
        } catch (const Exception&) {
        }
    }
    if (context.registering())
        return QString();
    return frformats::formatValue(value, format, formatText ? *formatText : QString());
}

} // namespace

QString evaluateBracket(TfrExprContext& context, const QString& text, const TfrView* object) {
    const std::shared_ptr<const TfrExprContext::BracketFormat> bracket = bracketFormat(context, text);
    return evaluate(context, *bracket, object);
}

// A line taken apart once: literal pieces and bracket texts in turn.
std::shared_ptr<const TfrExprContext::MemoLine> memoLine(TfrExprContext& context, const QString& line) {
    if (std::shared_ptr<const TfrExprContext::MemoLine> cached = context.cachedLine(line))
        return cached;
    TfrExprContext::MemoLine parts;
    qsizetype p = 0, literalStart = 0;
    for (;;) {
        while (p < line.size() && line[p] != u'[')
            ++p;
        if (p >= line.size())
            break;
        qsizetype start = p, end = p;
        bool terminated = true;
        QString inner = frreader::readBracketed(line, start, end, &terminated);
        if (!terminated || end == start)
            break;
        parts.pieces.push_back({line.mid(literalStart, start - literalStart), std::move(inner), nullptr});
        p = literalStart = end + 1;
    }
    parts.tail = line.mid(literalStart);
    return context.cacheLine(line, std::move(parts));
}

QString expandText(TfrExprContext& context, const QString& line, const TfrView* object) {
    const std::shared_ptr<const TfrExprContext::MemoLine> kept = memoLine(context, line);
    const TfrExprContext::MemoLine& parts = *kept;
    if (parts.pieces.empty())
        return line;
    QString out;
    out.reserve(line.size() + 32 * qsizetype(parts.pieces.size()));
    for (const TfrExprContext::MemoLine::Piece& piece : parts.pieces) {
        out += piece.literal;
        if (!piece.format)
            piece.format = bracketFormat(context, piece.bracket);
        const std::shared_ptr<const TfrExprContext::BracketFormat> bracket = piece.format;
        out += evaluate(context, *bracket, object);
    }
    out += parts.tail;
    return out;
}

QStringList expandMemo(TfrExprContext& context, TfrMemoView& memo) {
    QStringList lines;
    const bool textOnly = memo.flag(frflags::TextOnly);
    for (const QString& line : memo.memo) {
        if (line.isEmpty() || textOnly) {
            lines << line;
            continue;
        }
        const QString expanded = expandText(context, line, &memo);
        if (expanded.isEmpty()) {
            lines << QString();
            continue;
        }
        QString normal = expanded;
        normal.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
        lines << normal.split(u'\n');
    }
    return lines;
}

bool highlightApplies(TfrExprContext& context, const QString& conditionPostfix) {
    if (conditionPostfix.trimmed().isEmpty())
        return false;
    try {
        const TVariant v = context.evaluatePostfix(conditionPostfix);
        return !v.isNullOrEmpty() && !(v == TVariant(std::int32_t(0)));
    } catch (const Exception&) {
        return false;
    }
}

} // namespace frmemo
