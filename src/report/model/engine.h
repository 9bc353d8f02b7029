#pragma once

#include "common/exception.h"
#include "common/interaction.h"
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
struct TfrObjectClass;

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

// The state of the report engine shared by all reports of a process: constant
// table, global script variables, add-in registry, object serial counter,
// missing-class message, the printer, the named datasets and tables, the
// user-interaction services and the hooks that later layers (expressions,
// builder, preview, designer) install. The program creates one engine in
// main() (ostrand-cli and every test create their own) and hands it to each
// report it makes; a report keeps a reference to its engine, so the engine
// must outlive its reports.
class TfrEngine {
public:
    static constexpr int maxAddIns = 64;

    // Questions and messages of reports (input and message functions of
    // scripts) go to `interaction`, which must outlive the engine; without one
    // they go to the console.
    explicit TfrEngine(TUserInteraction* interaction = nullptr);
    ~TfrEngine();
    TfrEngine(const TfrEngine&) = delete;
    TfrEngine& operator=(const TfrEngine&) = delete;

    TUserInteraction& interaction() { return *m_interaction; }

    // Named constants expressions may use (sorted).
    TfrVariables& constants() { return m_constants; }
    const TfrVariables& constants() const { return m_constants; }
    // Values scripts assign to names that are neither objects nor properties
    // (sorted); they override dictionary variables of the same name.
    TfrVariables& globalVariables() { return m_globals; }

    // Add-in registry: at most maxAddIns classes, kept by address (classes
    // are process-wide constants). Registering a class already present (by
    // name) does nothing; registering into a full registry, or a class that
    // cannot create objects, throws.
    void registerClass(const TfrObjectClass& objectClass);
    const std::vector<const TfrObjectClass*>& addIns() const { return m_addIns; }
    const TfrObjectClass* findAddIn(const QString& className) const; // exact, case-sensitive

    // Object creation by kind code: 0-4 the built-in classes, 10 the add-in
    // class of that name (kind set to 10); other codes create nothing. The new
    // object takes the next serial number as its ObjectId; the first picture
    // adds the blob-type constants btBMP..btWMF, an add-in the constants of
    // its class. An unregistered class appends
    // the name and a carriage return to `missing` (the load in progress keeps
    // it) and throws EClassNotFound carrying that text.
    std::unique_ptr<TfrView> createObject(int kind, const QString& className = QString(), QString* missing = nullptr);

    // Serial numbers of objects (ObjectId).
    std::int32_t nextObjectId() {
        const std::int32_t id = m_objectSerial;
        m_objectSerial = static_cast<std::int32_t>(static_cast<std::uint32_t>(id) + 1u); // wraps, never overflows
        return id;
    }
    std::int32_t peekObjectId() const { return m_objectSerial; }

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

    // Operations later layers provide: build, preview, print, design.
    std::function<bool(TfrReport&)> prepareReportHook;
    std::function<void(TfrReport&)> showPreparedReportHook;
    std::function<void(TfrReport&)> designReportHook;

    // State of later layers (parser, interpreter, function libraries, format
    // tables ...) kept with the engine, so that every engine starts them
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
    void addBlobTypeConstants();

    TConsoleInteraction m_console;
    TUserInteraction* m_interaction;
    TfrVariables m_constants{true};
    TfrVariables m_globals{true};
    std::vector<const TfrObjectClass*> m_addIns;
    std::int32_t m_objectSerial = 0;
    std::unique_ptr<TfrPrinter> m_printer;
    std::unique_ptr<TfrCompressor> m_compressor;
    TfrDataRegistry m_dataRegistry;
    std::unordered_map<std::type_index, std::shared_ptr<void>> m_states;
};
