#pragma once

#include "common/exception.h"
#include "common/variant.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <memory>
#include <vector>

class TfrVariables;

// Operator codes of the postfix form. Templates and compiled scripts keep
// postfix strings, so these values never change.
namespace frop {
constexpr char16_t GreaterEqual = 1;
constexpr char16_t LessEqual = 2;
constexpr char16_t NotEqual = 3;
constexpr char16_t Or = 4;
constexpr char16_t And = 5;
constexpr char16_t Int = 6;
constexpr char16_t Frac = 7;
constexpr char16_t Negate = 9;
constexpr char16_t Plus = 10; // unary plus: no operation
constexpr char16_t Str = 11;
constexpr char16_t Not = 12;
constexpr char16_t Mod = 13;
constexpr char16_t Round = 14;
} // namespace frop

// An expression or memo text that cannot be read or evaluated: malformed
// postfix, too many pending values, too deep nesting, an unterminated bracket
// or quote. The message says which.
class EExpressionError : public Exception {
public:
    using Exception::Exception;
};

// Readers shared by the parser, the function splitter, memo expansion and the
// script interpreter. Positions are 0-based indexes into the text.
namespace frreader {

// Skips characters with codes up to 32, then reads up to (not including) a
// terminator: CR, space, ( ) * + - / < = > [ — unless it stands inside double
// quotes. `pos` is left on the terminator or at the end. May be empty.
QString readIdentifier(const QString& text, qsizetype& pos);

// `pos` is on the opening single quote. Returns the literal with both quotes
// (doubled quotes kept) and leaves `pos` after the closing quote. An
// unterminated literal runs to the end; `terminated` tells which happened.
QString readQuoted(const QString& text, qsizetype& pos, bool* terminated = nullptr);

// From `start` on, the first `[` at depth 0 sets `start`; brackets inside single
// or double quotes are not counted. Returns the text strictly inside the
// bracket pair and leaves `end` on the closing bracket. When the first
// character is not `[`, `start` and `end` stay equal and the result is empty.
// Without a matching bracket `end` is the text's length and `terminated` false.
QString readBracketed(const QString& text, qsizetype& start, qsizetype& end, bool* terminated = nullptr);

// Arguments of a call: `pos` is on the opening parenthesis. The first argument
// goes to p1, each later one before the last to p2, and the last one to p1, p2
// or p3 by the number of commas (more than two commas: the last one is
// dropped). Commas and parentheses inside single quotes do not count. `pos` is
// left after the closing parenthesis. An unclosed call raises EExpressionError.
struct Arguments {
    QString p1, p2, p3;
};
Arguments splitArguments(const QString& text, qsizetype& pos);

} // namespace frreader

class TfrProgram;

// Expressions: conversion to the postfix form and its evaluation over a stack
// of 32 values. Names and calls the parser does not know itself go to the two
// hooks. Converted programs are kept (by their postfix text and by their
// source text) for the parser's lifetime, so one parser per build converts
// every expression once.
class TfrParser {
public:
    static constexpr int stackSize = 32;
    // Nested evaluations (arguments, brackets, variables holding expressions).
    static constexpr int maxDepth = 64;
    // Longest expression text accepted.
    static constexpr qsizetype maxTextLength = 65536;
    // Programs kept before the cache starts afresh.
    static constexpr int maxCachedPrograms = 8192;
    // Instructions one evaluation (with everything it evaluates in turn) may
    // run: variables that use other variables several times each multiply.
    static constexpr std::int64_t maxSteps = 20'000'000;

    // `hint` belongs to the place of the name in a converted program: the hook
    // may keep there what it learnt about the name, to find it faster next time.
    using ResolveName = std::function<void(const QString& name, TVariant& value, std::shared_ptr<void>& hint)>;
    using CallFunction = std::function<void(const QString& name, const QString& p1, const QString& p2,
                                            const QString& p3, TVariant& result)>;

    TfrParser();
    ~TfrParser();
    TfrParser(const TfrParser&) = delete;
    TfrParser& operator=(const TfrParser&) = delete;

    // Both receive their value preset to null. Without a hook names read as
    // null and calls give null.
    ResolveName onResolveName;
    CallFunction onCallFunction;

    TVariant evaluate(const QString& text);
    static QString convertToPostfix(const QString& text);
    TVariant evaluatePostfix(const QString& postfix);

    // A text converted once and kept by the caller, then evaluated as often as
    // needed (the same as evaluate(text), without looking the text up).
    std::shared_ptr<const TfrProgram> program(const QString& text);
    TVariant evaluate(const TfrProgram& program);

    // Forgets every converted program.
    void clearCache();

private:
    friend class TfrProgram;
    const TfrProgram& programForText(const QString& text);
    const TfrProgram& programForPostfix(const QString& postfix);
    TVariant run(const TfrProgram& program);

    // One value stack per nesting level, kept between evaluations.
    std::vector<std::unique_ptr<std::array<TVariant, stackSize>>> m_stacks;
    QHash<QString, std::shared_ptr<TfrProgram>> m_byText;
    QHash<QString, std::shared_ptr<TfrProgram>> m_byPostfix;
    int m_depth = 0;
    std::int64_t m_steps = 0;
};

// Finds the calls of the functions named in a list inside an expression text
// (aggregates, for instance). Bracketed names and names of variables are
// followed into the variable's expression text.
class TfrFunctionSplitter {
public:
    static constexpr int maxDepth = 64;
    // Texts one split may visit (variables used several times each multiply).
    static constexpr int maxTexts = 100'000;

    TfrFunctionSplitter(const QStringList& matchList, QStringList& result, const TfrVariables* variables)
        : m_match(matchList), m_result(result), m_variables(variables) {}

    // Appends every matched call text, inner calls before the calls holding
    // them. A call whose parentheses do not close ends the scan of that text.
    // Variables that refer to each other deeper than maxDepth raise
    // EExpressionError.
    void split(const QString& text);

private:
    void split(const QString& text, int depth);
    bool isVariable(const QString& name, QString& value) const;

    QStringList m_match;
    int m_texts = 0;
    QStringList& m_result;
    const TfrVariables* m_variables;
};
