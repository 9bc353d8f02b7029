#pragma once

#include <QString>
#include <QStringList>
#include <vector>

class TfrDataDictionary;
class TfrEngine;
class TfrReport;
struct TfrFunctionDescription;

// What the expression builder, the field, variable and function pickers list
// and insert, without widgets.

// A database field, variable or function name as the expression builder
// inserts it: unchanged when, in upper case, it holds only the letters A-Z,
// digits, "." and "_"; else enclosed in square brackets (so references with
// quotes or Cyrillic letters are bracketed).
QString frExpressionOperand(const QString& name);

// The reference the field picker returns for a dataset and a field as the
// dictionary lists them (by alias where one is defined): the real dataset
// name, a period and the real field name in double quotes, so that it
// resolves without the alias table. Names the report's datasets do not
// show stay as given.
QString frFieldReference(TfrReport& report, const QString& dataset, const QString& field);

// The dataset the field picker opened on last in an engine's run (empty at
// first), and where it is kept.
QString& frLastPickedDataset(TfrEngine& engine);

// The built-in variables the variable picker offers besides the
// dictionary's (page number, date, report facts ...), under their own
// category after the dictionary's categories.
QString frSystemVariablesCategory();
QStringList frSystemVariableNames();
// The categories the variable picker offers and the variables of one: the
// dictionary's, then the built-in ones.
QStringList frVariableCategories(const TfrDataDictionary& dictionary);
QStringList frVariablesOf(const TfrDataDictionary& dictionary, const QString& category);

// A function's entry in the browser, split: its syntax ("POS(<Подстрока>,
// <Строка>)") and its explanation (the description's parts before and after
// the first "/"; a description without "/" is all syntax).
QString frFunctionSyntax(const QString& description);
QString frFunctionExplanation(const QString& description);
// How many argument boxes the arguments dialog shows: none when the syntax
// has no argument list ("(" right after the name), else one plus one for
// each comma inside the list, at most three.
int frFunctionArgumentCount(const QString& syntax);
// The call inserted from the arguments dialog: the name, "(", the non-empty
// arguments (trimmed) separated by ", ", and ")".
QString frFunctionCall(const QString& name, const QStringList& arguments);

// The engine's function descriptions (the function browser's list), their
// categories (sorted) and the names of one category (sorted; every function
// for "Все функции").
const std::vector<TfrFunctionDescription>& frFunctionDescriptions(TfrEngine& engine);
QStringList frFunctionCategories(TfrEngine& engine);
QStringList frFunctionsOf(TfrEngine& engine, const QString& category);
// The description of a function by name (case ignored), empty when unknown.
QString frFunctionDescription(TfrEngine& engine, const QString& name);
