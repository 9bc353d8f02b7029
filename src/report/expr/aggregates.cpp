#include "report/expr/aggregates.h"

#include "report/expr/exprstate.h"
#include "report/expr/context.h"
#include "report/expr/functions.h"
#include "report/expr/exprvalues.h"
#include "report/expr/parser.h"
#include "report/model/variables.h"

namespace fraggregates {

namespace {

constexpr char16_t kFieldEnd = 1;
constexpr double kMinStart = 1e300;

TVariant startValue(char16_t kind) { return kind == Min ? TVariant(kMinStart) : TVariant(std::int32_t(0)); }

// The data band type a footer's aggregates without a band name read.
int dataTypeFor(int footerType) {
    switch (footerType) {
    case btReportSummary:
    case btPageFooter:
    case btMasterFooter:
    case btGroupFooter: return btMasterData;
    case btDetailFooter: return btDetailData;
    case btSubDetailFooter: return btSubDetailData;
    case btCrossFooter: return btCrossData;
    default: return -1;
    }
}

QString tail(char16_t kind, const QString& expression, const QString& flag) {
    QString k;
    k += QChar(kind);
    k += QChar(kFieldEnd);
    k += expression;
    k += QChar(kFieldEnd);
    k += flag;
    k += QChar(kFieldEnd);
    return k;
}

QStringList fields(const QString& key) {
    QStringList f = key.split(QChar(kFieldEnd));
    if (!f.isEmpty() && f.last().isEmpty())
        f.removeLast();
    return f;
}

class TRegistrationScope {
public:
    TRegistrationScope(TfrExprState& state, TfrExprBand& current, TfrExprBand& target)
        : m_state(state), m_registering(state.registering), m_current(state.currentBand), m_target(state.targetBand) {
        state.registering = true;
        state.currentBand = &current;
        state.targetBand = &target;
    }
    ~TRegistrationScope() {
        m_state.registering = m_registering;
        m_state.currentBand = m_current;
        m_state.targetBand = m_target;
    }
    TRegistrationScope(const TRegistrationScope&) = delete;
    TRegistrationScope& operator=(const TRegistrationScope&) = delete;

private:
    TfrExprState& m_state;
    bool m_registering;
    TfrExprBand* m_current;
    TfrExprBand* m_target;
};

void registerSlot(TfrExprState& state, char16_t kind, const QString& expression, const QString& bandText,
                  const QString& flag) {
    TfrExprBand* current = state.currentBand;
    TfrExprBand* target = state.targetBand;
    if (!current || !target)
        return;
    QString bandName = bandText.trimmed();
    if (bandName.isEmpty()) {
        if (dataTypeFor(current->type) != target->type)
            return;
        bandName = target->name;
    }
    if (target->name.compare(bandName, Qt::CaseInsensitive) != 0)
        return;
    QString key;
    if (current->type != btCrossFooter && current->holdsCrossObjects) {
        key += u'0';
        key += QChar(kFieldEnd);
    }
    key += current->name;
    key += QChar(kFieldEnd);
    key += tail(kind, expression, flag);
    target->aggregates.set(key, startValue(kind));
    current->aggregateBand = target;
}

} // namespace

const QStringList& names() {
    static const QStringList list = {QStringLiteral("AVG"), QStringLiteral("COUNT"), QStringLiteral("MAX"),
                                     QStringLiteral("MIN"), QStringLiteral("SUM")};
    return list;
}

QStringList callsInLines(const QStringList& lines, const TfrVariables* variables) {
    QStringList calls;
    TfrFunctionSplitter splitter(names(), calls, variables);
    for (const QString& line : lines) {
        qsizetype p = 0;
        while (p < line.size()) {
            p = line.indexOf(u'[', p);
            if (p < 0)
                break;
            qsizetype start = p, end = p;
            bool terminated = true;
            const QString inner = frreader::readBracketed(line, start, end, &terminated);
            if (!terminated)
                break;
            splitter.split(inner);
            p = end + 1;
        }
    }
    return calls;
}

void call(TfrExprContext& context, Kind kind, const TfrCallArgs& args, TVariant& result) {
    TfrExprState* state = context.build();
    if (!state)
        return; // outside a build aggregates have no data: the preset "0"
    const QString& expression = kind == Count ? QString() : args.p1;
    const QString& bandText = kind == Count ? args.p1 : args.p2;
    const QString& flag = kind == Count ? args.p2 : args.p3;
    if (state->registering) {
        registerSlot(*state, kind, expression, bandText, flag);
        return;
    }
    TfrExprBand* current = state->currentBand;
    if (!current || !current->aggregateBand)
        return;
    TfrExprBand* data = current->aggregateBand;
    TfrExprBand* slotList = data;
    // The key is made in one piece: this runs for every aggregate printed.
    const QString column = current->type == btCrossData ? QString::number(state->columnNo) : QString();
    const QString& footer = current->type == btCrossData ? data->name : current->name;
    QString key;
    key.reserve(column.size() + footer.size() + expression.size() + flag.size() + 6);
    if (current->type == btCrossData) {
        key += column;
        key += QChar(kFieldEnd);
        slotList = data->aggregateBand;
        if (!slotList) {
            result = TVariant::null();
            return;
        }
    }
    key += footer;
    key += QChar(kFieldEnd);
    key += QChar(kind);
    key += QChar(kFieldEnd);
    key += expression;
    key += QChar(kFieldEnd);
    key += flag;
    key += QChar(kFieldEnd);
    const int index = slotList->aggregates.indexOf(key);
    if (index < 0) {
        result = TVariant::null();
        return;
    }
    TVariant value = slotList->aggregates.value(index);
    if (kind == Avg) {
        if (data->aggregateCount <= 0)
            value = TVariant(std::int32_t(0));
        else if (!value.isNull())
            value = TVariant(value.toDouble() / data->aggregateCount);
    }
    result = std::move(value);
}

void registerCalls(TfrExprContext& context, TfrExprBand& current, TfrExprBand& target, const QStringList& calls) {
    TfrExprState* state = context.build();
    if (!state)
        return;
    TRegistrationScope scope(*state, current, target);
    for (const QString& c : calls)
        context.evaluatePostfix(c);
}

void accumulate(TfrExprContext& context, TfrExprBand& band) {
    TfrExprState* state = context.build();
    const QString column = QString::number(state ? state->columnNo : 1);
    TfrVariables& slotList = band.aggregates;
    if (band.holdsCrossObjects) {
        // Every registered slot gets its copy for the current column.
        for (int i = 0; i < slotList.count(); ++i) {
            const QString& key = slotList.name(i);
            if (!key.startsWith(u'0') || key.size() < 2 || key[1] != QChar(kFieldEnd))
                continue;
            const QString columnKey = column + key.mid(1);
            if (!slotList.contains(columnKey)) {
                slotList.set(columnKey, TVariant(std::int32_t(0)));
                i = -1; // the list changed: scan again
            }
        }
    }
    QString lastExpression;
    TVariant lastValue(std::int32_t(0));
    bool haveLast = false;
    for (int i = 0; i < slotList.count(); ++i) {
        QStringList f = fields(slotList.name(i));
        if (band.holdsCrossObjects) {
            if (f.isEmpty() || f[0] == u"0" || f[0] != column)
                continue;
            f.removeFirst();
        }
        if (f.size() < 4)
            continue;
        const char16_t kind = f[1].isEmpty() ? 0 : f[1][0].unicode();
        const QString& expression = f[2];
        const QString flag = f[3].trimmed();
        TVariant v(std::int32_t(0));
        if (kind != Count) {
            if (haveLast && expression == lastExpression) {
                v = lastValue;
            } else {
                v = context.evaluate(expression);
                lastExpression = expression;
                lastValue = v;
                haveLast = true;
            }
        }
        if (!band.visible && flag != u"1")
            continue;
        TVariant slot = slotList.value(i);
        if (slot.isNull())
            slot = TVariant(std::int32_t(0));
        if (v.isNull())
            v = TVariant(std::int32_t(0));
        switch (kind) {
        case Sum:
        case Avg: slotList.setValue(i, slot + v); break;
        case Min: {
            bool ordered = true;
            if (frvalues::compare(v, slot, ordered) < 0 && ordered)
                slotList.setValue(i, v);
            break;
        }
        case Max: {
            bool ordered = true;
            if (frvalues::compare(v, slot, ordered) > 0 && ordered)
                slotList.setValue(i, v);
            break;
        }
        case Count: slotList.setValue(i, slot + TVariant(std::int32_t(1))); break;
        default: break;
        }
    }
    ++band.aggregateCount;
}

void reset(TfrExprBand& footer) {
    TfrExprBand* data = footer.aggregateBand;
    if (!data)
        return;
    TfrVariables& slotList = data->aggregates;
    for (int i = 0; i < slotList.count(); ++i) {
        const QStringList f = fields(slotList.name(i));
        // With a column field the footer is the second field.
        const int footerField = f.size() >= 5 ? 1 : 0;
        if (f.size() <= footerField + 1 || f[footerField].compare(footer.name, Qt::CaseInsensitive) != 0)
            continue;
        const char16_t kind = f[footerField + 1].isEmpty() ? 0 : f[footerField + 1][0].unicode();
        slotList.setValue(i, startValue(kind));
    }
    data->aggregateCount = 0;
}

} // namespace fraggregates
