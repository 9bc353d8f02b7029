#pragma once

#include "common/exception.h"
#include "common/variant.h"
#include "report/model/dataset.h"
#include "report/model/printer.h"
#include "report/model/variables.h"

#include <QImage>
#include <QString>
#include <QStringList>
#include <any>
#include <cstdint>
#include <functional>
#include <memory>
#include <typeindex>
#include <unordered_map>
#include <vector>

class TfrReport;
class TfrView;

// An add-in class registered for templates: class name, factory, toolbar image,
// hint and whether it is a dialog control.
struct TfrAddInObjectInfo {
    QString className;
    std::function<std::unique_ptr<TfrView>()> create;
    QImage buttonImage;
    QString hint;
    bool isControl = false;
};

// Raised when a template names an add-in class that no registered class provides.
class EClassNotFound : public Exception {
public:
    using Exception::Exception;
};

// Compression of prepared-report files; the built-in one is disabled and
// passes data through unchanged.
class TfrCompressor {
public:
    virtual ~TfrCompressor() = default;
    bool enabled = false;
    virtual QByteArray compress(const QByteArray& source) { return source; }
    virtual QByteArray decompress(const QByteArray& source) { return source; }
};

// The process-wide state of the report engine, shared by all reports: constant
// table, global script variables, add-in registry, object serial counter,
// missing-class message, the printer, the named datasets and tables, the band
// names and the hooks that later layers (expressions, builder, preview,
// designer) install. One engine is current at a time; tests create their own.
class TfrEngine {
public:
    static constexpr int maxAddIns = 64;
    static constexpr int currentStreamVersion = 25;

    TfrEngine();
    ~TfrEngine();
    TfrEngine(const TfrEngine&) = delete;
    TfrEngine& operator=(const TfrEngine&) = delete;

    // The current engine (created on first use when none is installed).
    static TfrEngine& current();
    // Installs an engine (not owned; nullptr goes back to the default one) and
    // returns the previous one.
    static TfrEngine* install(TfrEngine* engine);

    // Named constants expressions may use (sorted).
    TfrVariables& constants() { return m_constants; }
    // Values scripts assign to names that are neither objects nor properties
    // (sorted); they override dictionary variables of the same name.
    TfrVariables& globalVariables() { return m_globals; }
    // Adds btBMP..btWMF to the constants (done when the first picture is created).
    void addBlobTypeConstants();

    // Add-in registry: at most maxAddIns classes. Registering a class already
    // present does nothing; registering into a full registry throws.
    void registerAddIn(TfrAddInObjectInfo info);
    const std::vector<TfrAddInObjectInfo>& addIns() const { return m_addIns; }
    const TfrAddInObjectInfo* findAddIn(const QString& className) const; // exact, case-sensitive

    // Object creation by kind code: 0-4 the built-in classes, 10 the add-in
    // class of that name (kind set to 10); other codes create nothing. An
    // unregistered class sets the missing-class flag, appends the name and a
    // carriage return to the missing-class message and throws EClassNotFound
    // carrying that message.
    std::unique_ptr<TfrView> createObject(int kind, const QString& className = QString());

    // Serial numbers of objects (ObjectId).
    std::int32_t nextObjectId() { return m_objectSerial++; }
    std::int32_t peekObjectId() const { return m_objectSerial; }

    bool missingClass = false;
    QString missingClassMessage;
    void resetMissingClass() {
        missingClass = false;
        missingClassMessage.clear();
    }

    // Version of the template stream being read; writers set it to 25.
    int streamVersion = currentStreamVersion;

    // Default character set of fonts.
    std::uint16_t defaultCharset = 204;
    // Localised texts.
    QString bandName(int bandType) const;
    QStringList& bandNames() { return m_bandNames; }
    QString untitledName() const { return QStringLiteral("Untitled"); }

    TfrPrinter& printer() { return *m_printer; }
    TfrCompressor& compressor() { return *m_compressor; }
    void setCompressor(std::unique_ptr<TfrCompressor> compressor);

    // The named report datasets and tables of the program's main window; a
    // report uses it unless it has a registry of its own.
    TfrDataRegistry& dataRegistry() { return m_dataRegistry; }

    // Evaluates an expression for a report (installed by the expression layer).
    // Without it, dictionary variables holding expressions cannot be read.
    std::function<TVariant(TfrReport& report, const QString& expression)> evaluator;
    TVariant evaluate(TfrReport& report, const QString& expression);

    // The report being built, if any (set by the builder); pages then report
    // their effective printable edges as margins.
    TfrReport* buildingReport = nullptr;

    // Operations later layers provide: build, preview, print, design.
    std::function<bool(TfrReport&)> prepareReportHook;
    std::function<void(TfrReport&)> showPreparedReportHook;
    std::function<void(TfrReport&)> designReportHook;

    // Process-wide state of later layers (parser, interpreter, function
    // libraries, format tables ...), kept here so that a fresh engine starts them
    // afresh. Created on first use with T's default constructor.
    template <class T>
    T& state() {
        auto it = m_states.find(std::type_index(typeid(T)));
        if (it == m_states.end())
            it = m_states.emplace(std::type_index(typeid(T)), std::make_shared<T>()).first;
        return *std::static_pointer_cast<T>(it->second);
    }

private:
    void fillConstants();

    TfrVariables m_constants{true};
    TfrVariables m_globals{true};
    std::vector<TfrAddInObjectInfo> m_addIns;
    std::int32_t m_objectSerial = 0;
    QStringList m_bandNames;
    std::unique_ptr<TfrPrinter> m_printer;
    std::unique_ptr<TfrCompressor> m_compressor;
    TfrDataRegistry m_dataRegistry;
    std::unordered_map<std::type_index, std::shared_ptr<void>> m_states;
};

// Installs a fresh engine for the lifetime of a scope (tests).
class TfrScopedEngine {
public:
    TfrScopedEngine() : m_previous(TfrEngine::install(&m_engine)) {}
    ~TfrScopedEngine() { TfrEngine::install(m_previous); }
    TfrEngine& engine() { return m_engine; }
    TfrScopedEngine(const TfrScopedEngine&) = delete;
    TfrScopedEngine& operator=(const TfrScopedEngine&) = delete;

private:
    TfrEngine m_engine;
    TfrEngine* m_previous;
};
