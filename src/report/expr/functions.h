#pragma once

#include "common/variant.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

class TfrEngine;
class TfrExprContext;
class TfrFunctionLibrary;

// One function of the designer's function browser.
struct TfrFunctionDescription {
    const TfrFunctionLibrary* library = nullptr;
    QString name;
    QString category;
    QString description; // syntax, "/", explanation
};

// Descriptions of the functions of every registered library, in registration
// order. Owns the records, not the libraries.
class TfrInstalledFunctions {
public:
    static QString allCategories() { return QStringLiteral("Все функции"); }

    // Ignores a description without a category and a name already present.
    void add(const TfrFunctionLibrary* library, const QString& name, const QString& category,
             const QString& description);
    void removeLibrary(const TfrFunctionLibrary* library);
    // The description of the first entry with that name (case ignored), else empty.
    QString description(const QString& name) const;
    // Distinct categories, sorted.
    QStringList categories() const;
    // Sorted names of a category, of every entry for an empty category or
    // "Все функции".
    QStringList functions(const QString& category) const;
    const std::vector<TfrFunctionDescription>& entries() const { return m_entries; }

private:
    std::vector<TfrFunctionDescription> m_entries;
};

// Arguments of a call as written (not yet evaluated; empty when absent).
struct TfrCallArgs {
    const QString& p1;
    const QString& p2;
    const QString& p3;
};

// A library of functions: a list of names whose positions number them.
class TfrFunctionLibrary {
public:
    virtual ~TfrFunctionLibrary() = default;
    virtual QString className() const = 0;

    const QStringList& names() const { return m_names; }
    // Calls execute when the name (upper-cased) is one of the library's.
    bool tryCall(TfrExprContext& context, const QString& name, const TfrCallArgs& args, TVariant& result);
    virtual void execute(TfrExprContext& context, int number, const TfrCallArgs& args, TVariant& result) = 0;
    // Adds the library's descriptions to the browser's list.
    virtual void registerDescriptions(TfrInstalledFunctions& installed) const {}

protected:
    explicit TfrFunctionLibrary(QStringList names) : m_names(std::move(names)) {}

private:
    QStringList m_names; // upper case
};

// The registry of function libraries of an engine (at most maxLibraries), with
// their descriptions. A new registry holds the standard and the database
// library.
class TfrFunctionRegistry {
public:
    static constexpr int maxLibraries = 64;
    using Factory = std::function<std::unique_ptr<TfrFunctionLibrary>()>;

    TfrFunctionRegistry();
    ~TfrFunctionRegistry();

    // Nothing happens when a library of the same class is registered; a full
    // registry raises.
    void registerLibrary(const QString& className, const Factory& create);
    template <class T>
    void registerLibrary() {
        registerLibrary(T::staticClassName(), [] { return std::make_unique<T>(); });
    }
    void unregisterLibrary(const QString& className);

    const std::vector<std::unique_ptr<TfrFunctionLibrary>>& libraries() const { return m_libraries; }
    TfrInstalledFunctions& installed() { return m_installed; }
    const TfrInstalledFunctions& installed() const { return m_installed; }

    // Offers a call to the libraries in order; true when one took it.
    bool call(TfrExprContext& context, const QString& name, const TfrCallArgs& args, TVariant& result);

private:
    std::vector<std::unique_ptr<TfrFunctionLibrary>> m_libraries;
    TfrInstalledFunctions m_installed;
};

// The standard functions (aggregates, dates, strings, input and messages).
class TfrStdFunctionLibrary : public TfrFunctionLibrary {
public:
    TfrStdFunctionLibrary();
    static QString staticClassName() { return QStringLiteral("TfrStdFunctionLibrary"); }
    QString className() const override { return staticClassName(); }
    void execute(TfrExprContext& context, int number, const TfrCallArgs& args, TVariant& result) override;
    void registerDescriptions(TfrInstalledFunctions& installed) const override;
};

// FIELDISNULL.
class TDatabaseFunctionLibrary : public TfrFunctionLibrary {
public:
    TDatabaseFunctionLibrary();
    static QString staticClassName() { return QStringLiteral("TDatabaseFunctionLibrary"); }
    QString className() const override { return staticClassName(); }
    void execute(TfrExprContext& context, int number, const TfrCallArgs& args, TVariant& result) override;
    void registerDescriptions(TfrInstalledFunctions& installed) const override;
};
