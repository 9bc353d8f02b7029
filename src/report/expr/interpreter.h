#pragma once

#include "common/exception.h"
#include "common/variant.h"
#include "report/expr/parser.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>

class TfrExprContext;
class TfrObject;
class TfrVariables;

// A script run ended before its end: the user cancelled the build, or the run
// used up its step budget (a script that never leaves a loop).
class EScriptStopped : public Exception {
public:
    enum class Reason { Cancelled, StepBudget };
    EScriptStopped(Reason reason, const QString& message) : Exception(message), m_reason(reason) {}
    Reason reason() const { return m_reason; }

private:
    Reason m_reason;
};

// Code lines of a compiled script. A line's number is its index; addresses are
// line numbers in two characters, low byte first.
namespace frcode {
// JumpIfZero, address, postfix condition: when the condition equals 0 go to the
// address, else to the next line.
constexpr char16_t JumpIfZero = 1;
// Jump, address.
constexpr char16_t Jump = 2;
// Evaluate, postfix expression: evaluated, the value dropped.
constexpr char16_t Evaluate = 3;
// Any other line is an assignment: the name, one space, the postfix expression.

QString addressText(int address);
int addressOf(const QString& line); // from the line's second and third characters
} // namespace frcode

// Scripts of objects, bands and pages: compiled into code lines whose
// expressions are postfix strings, and run. Names are read and assigned and
// calls are made through the three virtual operations, which do nothing here;
// TInterpretator binds them to a report.
//
// The language: begin/end blocks, if/then/else, while/do, repeat/until,
// for/to/do (step 1, the end expression evaluated before every pass), numbered
// labels with goto, exit, assignments (name := expression, name[index] :=
// expression), calls and procedures (a name alone). Keywords ignore case;
// comments are { ... } and // to the end of the line.
class TfrInterpretator {
public:
    // The source with a carriage return after every line.
    static constexpr qsizetype maxSourceLength = 32000;
    static constexpr int maxLabels = 101;
    static constexpr int maxLabelLength = 16; // digits and the colon
    static constexpr int maxCodeLines = 65535;
    // Blocks, statements and brackets inside each other.
    static constexpr int maxNesting = 100;
    // Longest text a script may assign: a loop doubling a text stops here
    // instead of exhausting memory.
    static constexpr qsizetype maxValueLength = 1 << 20;
    // Steps between two questions to cancelRequested.
    static constexpr int cancelCheckInterval = 4096;

    TfrInterpretator();
    virtual ~TfrInterpretator();
    TfrInterpretator(const TfrInterpretator&) = delete;
    TfrInterpretator& operator=(const TfrInterpretator&) = delete;

    virtual void getValue(const QString& name, TVariant& value, std::shared_ptr<void>& hint) {}
    virtual void setValue(const QString& name, const TVariant& value) {}
    virtual void callFunction(const QString& name, const QString& p1, const QString& p2, const QString& p3,
                              TVariant& result) {}

    // Compiles the source lines into `code` (which may be `source` itself).
    // On the first error `errors` gets "Line L/C: message" (line and column from
    // 1, in the source as written), the code is left empty and the result is
    // false.
    bool prepareCode(const QStringList& source, QStringList& code, QStringList& errors);
    // Runs code lines. Errors of expressions and assignments propagate; a run
    // that is cancelled or exceeds the step budget raises EScriptStopped.
    void runCode(const QStringList& code);
    // The calls of the functions in `matchList` made by the expressions of the
    // code lines (TfrFunctionSplitter over each).
    static void splitCode(const QStringList& code, const QStringList& matchList, const TfrVariables* variables,
                          QStringList& result);

    // Code lines one run may execute; 0 means no limit.
    std::int64_t stepBudget = 0;
    // Asked every cancelCheckInterval steps; true stops the run.
    std::function<bool()> cancelRequested;

    TfrParser& parser() { return m_parser; }

private:
    TfrParser m_parser;
};

// The interpreter of a report: names are read through the context's value
// lookup, calls go to its function dispatch, and assignments go, in this order,
// to a global variable of that name, a dictionary variable, MODALRESULT, CURY,
// PROGRESS, a property of an object (Object.Property, or a property of the
// current object), and else to a new global variable. While it lives, INC and
// DEC of the context assign through it.
class TInterpretator : public TfrInterpretator {
public:
    explicit TInterpretator(TfrExprContext& context);
    ~TInterpretator() override;

    void getValue(const QString& name, TVariant& value, std::shared_ptr<void>& hint) override;
    void setValue(const QString& name, const TVariant& value) override;
    void callFunction(const QString& name, const QString& p1, const QString& p2, const QString& p3,
                      TVariant& result) override;

    TfrExprContext& context() { return m_context; }

private:
    TfrObject* propertyOwner(const QString& name, QString& property) const;

    TfrExprContext& m_context;
    std::function<void(const QString&, const TVariant&)> m_previousAssign;
};
