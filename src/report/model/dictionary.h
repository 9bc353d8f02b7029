#pragma once

#include "common/variant.h"
#include "report/model/link.h"
#include "report/model/variables.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <map>
#include <memory>
#include <vector>

class TBinaryReader;
class TBinaryWriter;
class TfrDataRegistry;
class TfrReport;
class TfrTableSource;

// A field found for a name: its table (the link reads as nothing once the
// table is gone) and field name.
struct TfrCacheItem {
    TfrLink<TfrTableSource> table;
    QString field;
};

// One entry of the old dictionary layout: kind, index and three short strings
// (dataset name, field or expression, variable name).
struct TfrOldDictEntry {
    std::uint8_t kind = 0;
    std::int32_t index = 0;
    QString dataset;
    QString text;
    QString variable;
};

// The report's dictionary: user variables grouped into categories, display
// aliases of datasets and fields, aliases of band data sources and the cache of
// names resolved to fields.
class TfrDataDictionary {
public:
    explicit TfrDataDictionary(TfrReport& report) : m_report(report) {}
    TfrDataDictionary(const TfrDataDictionary&) = delete;
    TfrDataDictionary& operator=(const TfrDataDictionary&) = delete;

    // Categories (names starting with a space) and variables in display order.
    TfrVariables variables;
    // Dataset or dataset.field -> alias text.
    TfrVariables aliases;
    // Report dataset name -> alias text.
    TfrVariables bandSources;

    void clear();

    // The dictionary block of templates: loading clears first and reads either
    // layout of a stream of the given format version (throws EFormatError on
    // damaged data); saving writes the current layout (throws Exception for
    // texts the format cannot hold).
    void loadFromStream(TBinaryReader& stream, int version);
    void saveToStream(TBinaryWriter& stream) const;
    // Dictionary files (*.frd): a version byte, then the block. Loading throws
    // Exception when the file cannot be read and EFormatError when it is damaged
    // (the dictionary is then empty); saving replaces the file only when
    // everything was written.
    void loadFromFile(const QString& fileName);
    void saveToFile(const QString& fileName) const;

    // A name the dictionary knows: a cached field, a variable (whose value, when
    // it is a field reference, is cached as that field), or a field reference
    // itself. May add a cache entry.
    bool isVariable(const QString& name);
    // The value of a cached field, of a variable (a global variable of the same
    // name wins; a non-empty text is evaluated as an expression), else empty.
    // Variables that refer to each other end in an error.
    TVariant value(const QString& name);
    // Sets a variable's expression text (appended when absent).
    void setVariable(const QString& name, const TVariant& value) { variables.set(name, value); }

    QString realDataSetName(const QString& alias) const;
    QString realFieldName(const QString& alias) const;
    QString realDataSourceName(const QString& alias) const;
    QString aliasName(const QString& name) const;

    QStringList categoryList() const;
    // Variables of a category (names without the category marker).
    QStringList variablesOf(const QString& category) const;
    // Tables of the application, filtered and relabelled by the alias table, sorted.
    QStringList datasetList() const;
    // Field names of a table (given by name or alias), relabelled or dropped by aliases.
    QStringList fieldList(const QString& dataset) const;
    // Report datasets offered as band sources, filtered and relabelled, sorted.
    QStringList bandSourceList() const;

    // Field look-up: the table and field a reference names, or nothing.
    bool resolveField(const QString& reference, TfrCacheItem& item) const;
    const std::map<QString, TfrCacheItem>& fieldCache() const { return m_cache; }
    void clearCache() { m_cache.clear(); }

    // The table bare field names belong to. While building, the builder installs
    // a provider (the data band chosen by the band being built); otherwise the
    // report dataset's table.
    std::function<TfrTableSource*()> defaultTableProvider;
    TfrTableSource* defaultTable() const;

    // Loading helpers for the dictionary block of templates.
    // Converts the old layout: entries and the list of names that follows them.
    void loadOldLayout(const std::vector<TfrOldDictEntry>& entries, const QStringList& names);
    // After loading a dictionary of an older layout: a list in the old
    // convention (first name without a leading space) swaps the markers of
    // categories and variables.
    void convertOldConvention();
    // The clean-up a marker of -1 asks for: drops empty aliases of fields that do
    // not resolve and empty band-source aliases.
    void removeStaleAliases();

    // Built-in names of the old layout by index (1 means an expression).
    static const QStringList& oldBuiltInNames();

private:
    TfrDataRegistry& registry() const;
    static QString cacheKey(const QString& name) { return name.toUpper(); }

    TfrReport& m_report;
    std::map<QString, TfrCacheItem> m_cache; // keyed by upper-cased name
    QStringList m_evaluating;                // variables being evaluated (cycle guard)
};

