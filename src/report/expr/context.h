#pragma once

#include "common/variant.h"
#include "report/expr/exprstate.h"
#include "report/expr/parser.h"
#include "report/model/link.h"

#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class TfrEngine;
class TfrReport;
class TfrView;
class TfrTableSource;
class TUserInteraction;
class TfrFunctionRegistry;

// Everything an expression of one report is evaluated with: the report
// (dictionary, objects, events), its engine (constants, global variables,
// function libraries, and the user-interaction services INPUT and MESSAGEBOX
// use), and, while building, what the builder tells expressions (TfrExprState).
// It owns the parser, so programs are converted once per context: the builder
// makes one per build.
//
// A context registers itself with its engine for its lifetime, so that the
// dictionary's evaluator (installed by installExpressionEvaluator) reaches it.
class TfrExprContext {
public:
    explicit TfrExprContext(TfrReport& report, TfrExprState* build = nullptr);
    ~TfrExprContext();
    TfrExprContext(const TfrExprContext&) = delete;
    TfrExprContext& operator=(const TfrExprContext&) = delete;

    TfrEngine& engine() { return m_engine; }
    TfrReport& report() { return m_report; }
    TUserInteraction& interaction();
    TfrParser& parser() { return m_parser; }
    TfrFunctionRegistry& functions() { return m_functions; }

    // The builder's state; null outside a build. Not owned.
    TfrExprState* build() const { return m_build; }
    void setBuild(TfrExprState* build) { m_build = build; }
    bool registering() const { return m_build && m_build->registering; }
    // The builder's state, or the context's own idle one (page 1, start date and
    // time taken when the context was made) outside a build.
    const TfrExprState& state() const { return m_build ? *m_build : m_idle; }
    TfrView* currentObject() const { return m_build ? m_build->currentObject : m_currentObject; }
    // The current object outside a build (tests, the command line).
    void setCurrentObject(TfrView* object) { m_currentObject = object; }

    TVariant evaluate(const QString& text) { return m_parser.evaluate(text); }
    TVariant evaluatePostfix(const QString& postfix) { return m_parser.evaluatePostfix(postfix); }

    // The value of a name: the user's OnGetValue, the dictionary, VALUE, the
    // system variables, global variables, object properties, constants, and last
    // the name evaluated as an expression. A name nothing knows raises
    // "Переменная не определена: "name"" (outside the registration pass).
    void lookupValue(const QString& name, TVariant& value);
    // The same, keeping what it learnt about the name in `hint` (a slot that
    // belongs to one place the name is read from).
    void lookupValue(const QString& name, TVariant& value, std::shared_ptr<void>& hint);
    TVariant lookupValue(const QString& name) {
        TVariant v;
        lookupValue(name, v);
        return v;
    }
    // A call the parser does not handle: libraries, script functions, the
    // report's OnUserFunction. The result is preset to the text "0".
    void callFunction(const QString& name, const QString& p1, const QString& p2, const QString& p3, TVariant& result);

    // The value of the bracket being printed (VALUE) and its text.
    TVariant currentValue;
    QString currentExpression;
    // Forgets the name being evaluated by the last step of the lookup.
    void clearGuard() { m_guard.reset(); }

    // Assignment of INC and DEC (the script interpreter installs its own);
    // without it the value goes to the engine's global variables.
    std::function<void(const QString& name, const TVariant& value)> assign;

    // Memo-level caches (memotext.cpp): a bracket's text split into expression
    // and inline format, kept for the context's lifetime.
    struct BracketFormat {
        QString expression;
        bool hasFormat = false;
        std::uint32_t format = 0;
        QString formatText;
        mutable std::shared_ptr<void> hint; // of the expression's lookup
    };
    std::shared_ptr<const BracketFormat> cachedBracket(const QString& text) const;
    std::shared_ptr<const BracketFormat> cacheBracket(const QString& text, BracketFormat format);
    // A memo line taken apart: literal text before each bracket, the bracket's
    // text, and the text after the last one.
    struct MemoLine {
        struct Piece {
            QString literal;
            QString bracket;
            mutable std::shared_ptr<const BracketFormat> format; // found on first use
        };
        std::vector<Piece> pieces;
        QString tail;
    };
    std::shared_ptr<const MemoLine> cachedLine(const QString& line) const;
    std::shared_ptr<const MemoLine> cacheLine(const QString& line, MemoLine parts);

private:
    struct Resolution;
    std::shared_ptr<Resolution> remember(const QString& name, Resolution resolution);
    void evaluateName(const QString& name, TVariant& value, const TfrProgram* program = nullptr);
    bool lookupDictionary(const QString& name, TVariant& value);
    void variableValue(const QString& name, int index, TVariant& value, Resolution* resolution);
    bool lookupSystem(const QString& name, TVariant& value);
    bool lookupLate(const QString& name, TVariant& value);
    bool lookupProperty(const QString& name, TVariant& value);
    bool callScriptFunction(const QString& name, const QString& p1, const QString& p2, const QString& p3,
                            TVariant& result);

    TfrEngine& m_engine;
    TfrReport& m_report;
    TfrFunctionRegistry& m_functions; // the engine's
    TfrExprState* m_build;
    TfrExprState m_idle;
    TfrView* m_currentObject = nullptr;
    TfrParser m_parser;
    std::optional<QString> m_guard;

    // How names were resolved before, so that a name read for every record
    // skips the sources that did not know it. A field stays a field (the
    // dictionary keeps its fields for good); a name that only evaluating it as
    // an expression resolved is valid while the default table and the current
    // object are the same (bare field names and property names depend on them).
    struct Resolution {
        enum Kind : std::uint8_t { Field, Variable, Expression } kind = Expression;
        int index = -1; // Variable: position in the dictionary's list
        // Variable: its expression; Expression: the name. Converted once and
        // owned by the parser (programs hold hints that lead back here).
        std::weak_ptr<const TfrProgram> program;
        QString programText;
        TfrLink<TfrTableSource> field; // Field: the table and field
        QString fieldName;
        TfrTableSource* table = nullptr; // Expression: the default table when resolved
        const TfrView* object = nullptr;
    };
    QHash<QString, std::shared_ptr<Resolution>> m_resolved;
    std::shared_ptr<Resolution> m_lastResolution; // made by the dictionary step of the last lookup
    QStringList m_evaluatingVariables;
    QHash<QString, std::shared_ptr<const BracketFormat>> m_brackets;
    QHash<QString, std::shared_ptr<const MemoLine>> m_lines;
};

// Installs the engine's dictionary evaluator: a variable's expression is
// evaluated in the innermost live context of its report, else in a context
// made for that one evaluation.
void installExpressionEvaluator(TfrEngine& engine);
