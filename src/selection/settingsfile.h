#pragma once

#include "table/memtable.h"

#include <QString>
#include <QStringList>
#include <vector>

// The line grammar of settings files (*.cfg). Line 1 names the configuration
// file on the TM server; every line (line 1 included) is then one of:
//   ";..."              a comment
//   "Node=spec, spec"   a column line (any line holding "=")
//   "LookupFile:name"   the lookup settings file (the first one counts)
//   "LookupFields:a, b" columns copied from the lookup table
// and anything else is ignored. A column specification is "Prop" or
// "Prop(Type;Size;Label;FieldName)".
namespace settings {

enum class LineKind { Comment, Column, LookupFile, LookupFields, Other };

LineKind classify(const QString& line);

// One column a column line defines.
struct ColumnSpec {
    QString propName;
    TFieldType type = TFieldType::String;
    int size = 10;      // string length and display width
    QString label;      // never empty: the column name when not given
    QString fieldName;  // the column's name: FieldName, else propName
};

inline constexpr int MaxItems = 20;
inline constexpr int DefaultSize = 10;

// Text before the first "=".
QString nodeName(const QString& line);
// The columns of a column line, in order (empty positions define none).
std::vector<ColumnSpec> columns(const QString& line);
// The property names the walk reads for a node of this column line, in order.
QStringList propertyNames(const QString& line);
// The file name of a lookup-file line, not trimmed.
QString lookupFile(const QString& line);
// The names of a lookup-fields line up to the first empty one.
QStringList lookupFields(const QString& line);

} // namespace settings
