#include "report/expr/context.h"

#include "common/datetime.h"
#include "common/interaction.h"
#include "report/expr/functions.h"
#include "report/model/dictionary.h"
#include "report/model/engine.h"
#include "report/model/objects.h"
#include "report/model/page.h"
#include "report/model/report.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// The contexts alive for an engine, innermost last (per-engine state).
struct TfrLiveContexts {
    std::vector<TfrExprContext*> list;
};

enum class TSystemName {
    Page, Date, Time, Line, LineThrough, Column, Current, TotalPages, ReportComment, ReportName, ReportAuthor,
    VMajor, VMinor, VRelease, VBuild, ReportDate, ReportLastChange, CalcWidth,
    // read only when nothing earlier knows the name
    CurY, FreeSpace, FinalPass, PageHeight, PageWidth,
};

const QHash<QString, TSystemName>& systemNames() {
    static const QHash<QString, TSystemName> names = {
        {QStringLiteral("PAGE#"), TSystemName::Page},
        {QStringLiteral("DATE"), TSystemName::Date},
        {QStringLiteral("TIME"), TSystemName::Time},
        {QStringLiteral("LINE#"), TSystemName::Line},
        {QStringLiteral("LINETHROUGH#"), TSystemName::LineThrough},
        {QStringLiteral("COLUMN#"), TSystemName::Column},
        {QStringLiteral("CURRENT#"), TSystemName::Current},
        {QStringLiteral("TOTALPAGES"), TSystemName::TotalPages},
        {QStringLiteral("REPORTCOMMENT"), TSystemName::ReportComment},
        {QStringLiteral("REPORTNAME"), TSystemName::ReportName},
        {QStringLiteral("REPORTAUTOR"), TSystemName::ReportAuthor},
        {QStringLiteral("VMAJOR"), TSystemName::VMajor},
        {QStringLiteral("VMINOR"), TSystemName::VMinor},
        {QStringLiteral("VRELEASE"), TSystemName::VRelease},
        {QStringLiteral("VBUILD"), TSystemName::VBuild},
        {QStringLiteral("REPORTDATE"), TSystemName::ReportDate},
        {QStringLiteral("REPORTLASTCHANGE"), TSystemName::ReportLastChange},
        {QStringLiteral("CALCWIDTH"), TSystemName::CalcWidth},
        {QStringLiteral("CURY"), TSystemName::CurY},
        {QStringLiteral("FREESPACE"), TSystemName::FreeSpace},
        {QStringLiteral("FINALPASS"), TSystemName::FinalPass},
        {QStringLiteral("PAGEHEIGHT"), TSystemName::PageHeight},
        {QStringLiteral("PAGEWIDTH"), TSystemName::PageWidth},
    };
    return names;
}

bool isLateName(TSystemName n) { return n >= TSystemName::CurY; }

// Keeps a dictionary variable on the list of variables being evaluated while
// its expression runs.
class TVariableEvaluation {
public:
    TVariableEvaluation(QStringList& list, const QString& key) : m_list(list) { m_list.append(key); }
    ~TVariableEvaluation() { m_list.removeLast(); }
    TVariableEvaluation(const TVariableEvaluation&) = delete;
    TVariableEvaluation& operator=(const TVariableEvaluation&) = delete;

private:
    QStringList& m_list;
};

QString undefinedMessage(const QString& name) {
    return QStringLiteral("Переменная не определена: \"%1\"").arg(name);
}

} // namespace

TfrExprContext::TfrExprContext(TfrReport& report, TfrExprState* build)
    : m_engine(report.engine()), m_report(report), m_functions(m_engine.state<TfrFunctionRegistry>()), m_build(build) {
    m_parser.onResolveName = [this](const QString& name, TVariant& value, std::shared_ptr<void>& hint) {
        lookupValue(name, value, hint);
    };
    m_parser.onCallFunction = [this](const QString& name, const QString& p1, const QString& p2, const QString& p3,
                                     TVariant& result) { callFunction(name, p1, p2, p3, result); };
    m_engine.state<TfrLiveContexts>().list.push_back(this);
    const double now = datetime::now();
    m_idle.startDate = std::trunc(now);
    m_idle.startTime = now - std::trunc(now);
}

TfrExprContext::~TfrExprContext() { std::erase(m_engine.state<TfrLiveContexts>().list, this); }


std::shared_ptr<const TfrExprContext::BracketFormat> TfrExprContext::cachedBracket(const QString& text) const {
    return m_brackets.value(text);
}

std::shared_ptr<const TfrExprContext::BracketFormat> TfrExprContext::cacheBracket(const QString& text,
                                                                                   BracketFormat format) {
    if (m_brackets.size() >= TfrParser::maxCachedPrograms)
        m_brackets.clear();
    auto p = std::make_shared<const BracketFormat>(std::move(format));
    m_brackets.insert(text, p);
    return p;
}

std::shared_ptr<const TfrExprContext::MemoLine> TfrExprContext::cachedLine(const QString& line) const {
    return m_lines.value(line);
}

std::shared_ptr<const TfrExprContext::MemoLine> TfrExprContext::cacheLine(const QString& line, MemoLine parts) {
    if (m_lines.size() >= TfrParser::maxCachedPrograms)
        m_lines.clear();
    auto p = std::make_shared<const MemoLine>(std::move(parts));
    m_lines.insert(line, p);
    return p;
}

TUserInteraction& TfrExprContext::interaction() { return m_engine.interaction(); }

// ---------------------------------------------------------------------------
// Value lookup

void TfrExprContext::lookupValue(const QString& name, TVariant& value) {
    std::shared_ptr<void> hint;
    lookupValue(name, value, hint);
}

void TfrExprContext::lookupValue(const QString& name, TVariant& value, std::shared_ptr<void>& hint) {
    value = TVariant();
    if (m_report.onGetValue) {
        m_report.onGetValue(name, value);
        if (!value.isEmpty())
            return;
    }
    value = TVariant(std::int32_t(0));
    TfrDataDictionary& dictionary = m_report.dictionary();
    if (!hint) {
        if (auto it = m_resolved.constFind(name); it != m_resolved.constEnd())
            hint = *it;
    }
    if (hint) {
        // Kept alive by the hint even when the table starts afresh.
        const std::shared_ptr<Resolution> r = std::static_pointer_cast<Resolution>(hint);
        if (r->kind == Resolution::Field) {
            if (TfrTableSource* table = r->field.get()) {
                value = table->valueForExpression(r->fieldName);
                return;
            }
        } else if (r->kind == Resolution::Variable) {
            if (dictionary.variables.name(r->index).compare(name, Qt::CaseInsensitive) == 0) {
                variableValue(name, r->index, value, r.get());
                return;
            }
        } else if (r->table == dictionary.defaultTable() && r->object == currentObject()) {
            TfrVariables& globals = m_engine.globalVariables();
            if (const int index = globals.indexOf(name); index >= 0) {
                value = globals.value(index);
                return;
            }
            std::shared_ptr<const TfrProgram> program = r->program.lock();
            if (!program) {
                program = m_parser.program(name);
                r->program = program;
            }
            evaluateName(name, value, program.get());
            return;
        }
        m_resolved.remove(name);
        hint.reset();
    }
    m_lastResolution = nullptr;
    if (lookupDictionary(name, value)) {
        if (m_lastResolution)
            hint = std::move(m_lastResolution);
        return;
    }
    if (name == u"VALUE") {
        value = currentValue;
        return;
    }
    if (lookupSystem(name, value))
        return;
    TfrVariables& globals = m_engine.globalVariables();
    if (const int index = globals.indexOf(name); index >= 0) {
        value = globals.value(index);
        return;
    }
    value = TVariant();
    if (lookupLate(name, value))
        return;
    lookupProperty(name, value);
    if (!value.isEmpty())
        return;
    Resolution r;
    r.table = dictionary.defaultTable();
    r.object = currentObject();
    hint = remember(name, std::move(r));
    evaluateName(name, value);
}

std::shared_ptr<TfrExprContext::Resolution> TfrExprContext::remember(const QString& name, Resolution resolution) {
    if (m_resolved.size() >= TfrParser::maxCachedPrograms)
        m_resolved.clear();
    auto r = std::make_shared<Resolution>(std::move(resolution));
    m_resolved.insert(name, r);
    return r;
}

// The last source of a name: the name evaluated as an expression, unless it is
// the name being evaluated that way already (it refers to itself, or nothing
// knows it).
void TfrExprContext::evaluateName(const QString& name, TVariant& value, const TfrProgram* program) {
    value = TVariant();
    if (!m_guard || *m_guard != name) {
        m_guard = name;
        value = program ? m_parser.evaluate(*program) : m_parser.evaluate(name);
        m_guard.reset();
        return;
    }
    if (!registering())
        throw Exception(undefinedMessage(name));
}

bool TfrExprContext::lookupDictionary(const QString& name, TVariant& value) {
    TfrDataDictionary& dictionary = m_report.dictionary();
    if (!dictionary.isVariable(name))
        return false;
    const int index = dictionary.variables.indexOf(name);
    const auto field = dictionary.fieldCache().find(name.toUpper());
    if (index < 0 || field != dictionary.fieldCache().end()) {
        value = dictionary.value(name); // a dataset field
        if (field != dictionary.fieldCache().end()) {
            Resolution r;
            r.kind = Resolution::Field;
            r.field = field->second.table;
            r.fieldName = field->second.field;
            m_lastResolution = remember(name, std::move(r));
        }
        return true;
    }
    Resolution r;
    r.kind = Resolution::Variable;
    r.index = index;
    const std::shared_ptr<Resolution> kept = remember(name, std::move(r));
    variableValue(name, index, value, kept.get());
    m_lastResolution = kept; // after the lookups the variable's expression made
    return true;
}

// A dictionary variable: a global variable of the same name wins; a text is an
// expression, evaluated here with a guard against variables that refer to each
// other.
void TfrExprContext::variableValue(const QString& name, int index, TVariant& value, Resolution* resolution) {
    TfrDataDictionary& dictionary = m_report.dictionary();
    TfrVariables& globals = m_engine.globalVariables();
    if (const int g = globals.indexOf(name); g >= 0) {
        value = globals.value(g);
        return;
    }
    const TVariant& v = dictionary.variables.entries()[std::size_t(index)].value;
    if (!v.isString()) {
        value = v;
        return;
    }
    const QString text = v.toString();
    if (text.isEmpty()) {
        value = TVariant();
        return;
    }
    if (m_evaluatingVariables.contains(name, Qt::CaseInsensitive))
        throw Exception(QStringLiteral("Переменная \"%1\" ссылается сама на себя").arg(name));
    TVariableEvaluation evaluation(m_evaluatingVariables, name);
    if (!resolution) {
        value = m_parser.evaluate(text);
        return;
    }
    // The converted expression is kept with the name's resolution.
    std::shared_ptr<const TfrProgram> program = resolution->program.lock();
    if (!program || resolution->programText != text) {
        program = m_parser.program(text);
        resolution->program = program;
        resolution->programText = text;
    }
    value = m_parser.evaluate(*program);
}

bool TfrExprContext::lookupSystem(const QString& name, TVariant& value) {
    const auto it = systemNames().constFind(name);
    if (it == systemNames().constEnd() || isLateName(*it))
        return false;
    const TfrExprState& s = state();
    const TfrReportInfo& info = m_report.info;
    const TfrExprBand* band = s.currentBand;
    switch (*it) {
    case TSystemName::Page: value = TVariant(s.pageNo); break;
    case TSystemName::Date: value = TVariant::dateTime(s.startDate); break;
    case TSystemName::Time: value = TVariant::dateTime(s.startTime); break;
    case TSystemName::Line: value = TVariant(band ? band->lineNo : 0); break;
    case TSystemName::LineThrough: value = TVariant(band ? band->lineThrough : 0); break;
    case TSystemName::Column: value = TVariant(s.columnNo); break;
    case TSystemName::Current: value = TVariant(s.currentNo); break;
    case TSystemName::TotalPages: value = TVariant(s.totalPages); break;
    case TSystemName::ReportComment: value = TVariant(info.comment); break;
    case TSystemName::ReportName: value = TVariant(info.name); break;
    case TSystemName::ReportAuthor: value = TVariant(info.author); break;
    case TSystemName::VMajor: value = TVariant(info.versionMajor); break;
    case TSystemName::VMinor: value = TVariant(info.versionMinor); break;
    case TSystemName::VRelease: value = TVariant(info.versionRelease); break;
    case TSystemName::VBuild: value = TVariant(info.versionBuild); break;
    case TSystemName::ReportDate: value = TVariant::dateTime(info.createDate); break;
    case TSystemName::ReportLastChange: value = TVariant::dateTime(info.lastChangeDate); break;
    case TSystemName::CalcWidth: {
        TfrView* object = currentObject();
        if (!object)
            value = TVariant(std::int32_t(0));
        else if (s.calcWidth)
            value = TVariant(s.calcWidth(*object));
        else
            value = TVariant(object->width);
        break;
    }
    default: return false;
    }
    return true;
}

bool TfrExprContext::lookupLate(const QString& name, TVariant& value) {
    const auto it = systemNames().constFind(name);
    if (it == systemNames().constEnd() || !isLateName(*it))
        return false;
    const TfrExprState& s = state();
    switch (*it) {
    case TSystemName::CurY: value = TVariant(s.cursorY); break;
    case TSystemName::FreeSpace: value = TVariant(std::int32_t(s.bottomLimit - s.cursorY)); break;
    case TSystemName::FinalPass: value = TVariant(s.finalPass); break;
    case TSystemName::PageHeight: value = TVariant(s.bottomLimit); break;
    case TSystemName::PageWidth: value = TVariant(s.rightLimit); break;
    default: return false;
    }
    return true;
}

bool TfrExprContext::lookupProperty(const QString& name, TVariant& value) {
    TfrObject* object = nullptr;
    QString property;
    const qsizetype dot = name.indexOf(u'.');
    if (dot < 0) {
        object = currentObject();
        property = name;
    } else {
        const QString objectPart = name.left(dot);
        property = name.mid(dot + 1);
        if (const std::optional<TfrPage*> page = m_report.pageByNumberName(objectPart)) {
            object = *page;
        } else {
            object = m_report.findObject(objectPart);
            if (!object) {
                TfrView* current = currentObject();
                if (current && current->getPropValue(objectPart).has_value()) {
                    object = current;
                    property = name;
                }
            }
        }
    }
    if (object && !property.isEmpty()) {
        if (std::optional<TVariant> v = object->getPropValue(property)) {
            value = std::move(*v);
            return true;
        }
    }
    TfrVariables& constants = m_engine.constants();
    if (const int index = constants.indexOf(name); index >= 0) {
        value = constants.value(index);
        return true;
    }
    return false;
}

// ---------------------------------------------------------------------------
// Function dispatch

void TfrExprContext::callFunction(const QString& name, const QString& p1, const QString& p2, const QString& p3,
                                  TVariant& result) {
    result = TVariant(QStringLiteral("0"));
    const TfrCallArgs args{p1, p2, p3};
    if (functions().call(*this, name, args, result))
        return;
    if (callScriptFunction(name, p1, p2, p3, result))
        return;
    if (m_report.onUserFunction)
        m_report.onUserFunction(name, {TVariant(p1), TVariant(p2), TVariant(p3)}, result);
}

namespace {

// "Arr_" + name + "_" + index: an index that is text is used as it is, anything
// else as a decimal integer.
QString arrayEntry(const QString& name, const TVariant& index) {
    const QString i = index.isString() ? index.toString() : QString::number(index.toInt());
    return QStringLiteral("Arr_") + name + u'_' + i;
}

} // namespace

bool TfrExprContext::callScriptFunction(const QString& name, const QString& p1, const QString& p2, const QString& p3,
                                        TVariant& result) {
    TfrExprState* s = m_build;
    if (name == u"STOPREPORT") {
        if (s)
            s->terminated = true;
        return true;
    }
    if (name == u"NEWPAGE" || name == u"NEWCOLUMN") {
        if (s && s->currentBand)
            ++(name == u"NEWPAGE" ? s->currentBand->pendingPageBreaks : s->currentBand->pendingColumnBreaks);
        return true;
    }
    if (name == u"SHOWBAND") {
        if (s && s->showBand)
            s->showBand(p1.trimmed());
        return true;
    }
    if (name == u"INC" || name == u"DEC") {
        const QString variable = p1.trimmed();
        const TVariant v = lookupValue(variable) + TVariant(std::int32_t(name == u"INC" ? 1 : -1));
        if (assign)
            assign(variable, v);
        else
            m_engine.globalVariables().set(variable, v);
        return true;
    }
    if (name == u"SETARRAY" || name == u"GETARRAY") {
        const QString array = p1.trimmed();
        const bool set = name == u"SETARRAY";
        const qsizetype dot = array.indexOf(u'.');
        if (dot >= 0) {
            TfrView* object = m_report.findObject(array.left(dot));
            const QString property = array.mid(dot + 1).toUpper();
            const TVariant index = m_parser.evaluate(p2);
            if (!object)
                return true;
            if (set) {
                object->doMethod(QStringLiteral("SETINDEXPROPERTY"), {TVariant(property), m_parser.evaluate(p3), index});
            } else if (std::optional<TVariant> v =
                           object->doMethod(QStringLiteral("GETINDEXPROPERTY"), {TVariant(property), index})) {
                result = std::move(*v);
            }
            return true;
        }
        const QString entry = arrayEntry(array, m_parser.evaluate(p2));
        if (set) {
            m_engine.globalVariables().set(entry, m_parser.evaluate(p3));
        } else {
            const int i = m_engine.globalVariables().indexOf(entry);
            result = i < 0 ? TVariant::null() : m_engine.globalVariables().value(i);
        }
        return true;
    }
    const qsizetype dot = name.indexOf(u'.');
    if (dot > 0) {
        TfrView* object = m_report.findObject(name.left(dot));
        if (!object)
            return false;
        std::vector<TVariant> args;
        for (const QString* p : {&p1, &p2, &p3})
            if (!p->trimmed().isEmpty())
                args.push_back(m_parser.evaluate(*p));
        if (std::optional<TVariant> v = object->doMethod(name.mid(dot + 1), args))
            result = std::move(*v);
        return true;
    }
    return false;
}

// ---------------------------------------------------------------------------
// The dictionary's evaluator

void installExpressionEvaluator(TfrEngine& engine) {
    engine.evaluator = [&engine](TfrReport& report, const QString& text) -> TVariant {
        const std::vector<TfrExprContext*>& live = engine.state<TfrLiveContexts>().list;
        for (auto it = live.rbegin(); it != live.rend(); ++it)
            if (&(*it)->report() == &report)
                return (*it)->evaluate(text);
        TfrExprContext context(report);
        return context.evaluate(text);
    };
}
