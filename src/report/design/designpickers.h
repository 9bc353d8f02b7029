#pragma once

#include <QString>
#include <QStringList>
#include <vector>

class TfrEngine;
struct TfrFunctionDescription;

// What the expression builder and the function browser insert, without
// widgets.

// A database field, variable or function name as the expression builder
// inserts it: unchanged when, in upper case, it holds only the letters A-Z,
// digits, "." and "_"; else enclosed in square brackets (so references with
// quotes or Cyrillic letters are bracketed).
QString frExpressionOperand(const QString& name);

// A function's entry in the browser, split: its syntax ("POS(<Подстрока>,
// <Строка>)") and its explanation (the description's parts before and after
// the first "/"; a description without "/" is all syntax).
QString frFunctionSyntax(const QString& description);
QString frFunctionExplanation(const QString& description);
// How many argument boxes the arguments dialog shows: none when the syntax
// has no argument list ("(" after the name), else one plus one for each
// comma, at most three.
int frFunctionArgumentCount(const QString& syntax);
// The call inserted from the arguments dialog: the name, "(", the non-empty
// arguments separated by ", ", and ")".
QString frFunctionCall(const QString& name, const QStringList& arguments);

// The engine's function descriptions (the function browser's list).
const std::vector<TfrFunctionDescription>& frFunctionDescriptions(TfrEngine& engine);
