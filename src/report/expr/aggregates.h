#pragma once

#include "common/variant.h"

#include <QString>
#include <QStringList>

class TfrExprContext;
class TfrVariables;
struct TfrExprBand;
struct TfrCallArgs;

// Aggregate functions SUM, AVG, MIN, MAX, COUNT and their slots in data bands.
//
// A slot key is a list of fields, each followed by character 1: the cross
// column (only in bands that hold cross-band objects; "0" in the registered
// slot), the name of the footer band holding the call, the kind character, the
// first argument as written and the flag argument as written.
namespace fraggregates {

enum Kind : char16_t { Sum = 11, Min = 12, Max = 13, Avg = 14, Count = 15 };

// The names an aggregate splitter looks for.
const QStringList& names();

// Aggregate calls of memo lines: every bracketed group of every line, with the
// calls found through the variables (the dictionary's), inner calls first.
QStringList callsInLines(const QStringList& lines, const TfrVariables* variables);

// The function body behind SUM ... COUNT: registers a slot during the
// registration pass, otherwise reads it.
void call(TfrExprContext& context, Kind kind, const TfrCallArgs& args, TVariant& result);

// Registration of the calls found in the band `current` for the data band
// `target`: each call text is evaluated as its own postfix form while the
// registration pass is on. The build state's registration fields are restored
// afterwards, also on an error.
void registerCalls(TfrExprContext& context, TfrExprBand& current, TfrExprBand& target, const QStringList& calls);

// One record of a data band: every slot takes the record's value, the band's
// record count grows by one (also for invisible rows). `columnNo` is the cross
// column being printed.
void accumulate(TfrExprContext& context, TfrExprBand& band);

// A footer starts a new group: the slots its calls read go back to their start
// values and its aggregate band's record count to 0.
void reset(TfrExprBand& footer);

} // namespace fraggregates
