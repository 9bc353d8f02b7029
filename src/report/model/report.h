#pragma once

#include "common/variant.h"
#include "report/model/dataset.h"
#include "report/model/dictionary.h"
#include "report/model/link.h"
#include "report/model/page.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QImage;
class TBinaryReader;
class TBinaryWriter;
class TfrBandView;
class TfrDataRegistry;
class TfrBuildState;
class TfrEngine;
class TUserInteraction;
class TfrView;

// Descriptive fields of a report, reachable from expressions.
struct TfrReportInfo {
    QString comment; // REPORTCOMMENT, may hold line breaks
    QString name;    // REPORTNAME
    QString author;  // REPORTAUTOR
    QString versionMajor, versionMinor, versionRelease, versionBuild;
    double createDate = 0;     // REPORTDATE
    double lastChangeDate = 0; // REPORTLASTCHANGE
    bool passwordProtected = false;
    QString password;
    std::uint8_t generatorByte = 88;

    // Empties the texts and the password, clears the protection flag and sets
    // both dates to now.
    void reset();
};

// The prepared pages a report owns; the builder supplies the implementation.
class TfrPreparedPages {
public:
    virtual ~TfrPreparedPages() = default;
    virtual int count() const = 0;
    virtual void clear() = 0;
};

// What a template load did. The model never shows anything itself: the caller
// presents `messages` (the texts, in order, with the caption "Ошибка") the way
// it talks to its user.
struct TfrLoadResult {
    enum class Status {
        Loaded,          // the template is in the report (maybe with damaged objects skipped)
        NotFound,        // no such file: nothing changed
        Failed,          // not a template or damaged: see messages
        PasswordRefused, // protected, and the password was not given
        ClassesMissing,  // add-in classes no registered class provides
    };
    Status status = Status::Loaded;
    QStringList messages;
    // Add-in classes not provided, once per occurrence.
    QStringList missingClasses;
    // Objects skipped because their records were damaged (their names), and
    // why each was (the error its record ended in).
    QStringList damagedObjects;
    QStringList damageReasons;
    // The format version read (21 for files without a version byte).
    int version = 0;

    bool ok() const { return status == Status::Loaded; }
    // Loaded with nothing left out: the messages, if any, only warn of
    // objects kept as read (a picture this program cannot show ...).
    bool whole() const { return ok() && damagedObjects.isEmpty(); }
};

// Asks for the password of a protected template read from a file; nothing when
// the user cancels.
using TfrPasswordPrompt = std::function<std::optional<QString>()>;
// The password dialog of templates (caption "Пароль", prompt "Введите пароль
// для открытия отчета") through the given interaction, which must outlive the
// prompt.
TfrPasswordPrompt frPasswordDialog(TUserInteraction& interaction);

enum class TfrReportType { rtSimple, rtMultiple };
enum class TfrPreviewZoom { pzDefault, pzPageWidth, pzOnePage, pzTwoPages };
// Preview buttons (bit set).
enum : std::uint32_t {
    pbZoom = 1,
    pbLoad = 2,
    pbSave = 4,
    pbPrint = 8,
    pbFind = 16,
    pbHelp = 32,
    pbExit = 64,
    pbPageSetup = 128,
};

// The published settings of building, preview and printing; templates do not
// store them.
struct TfrReportSettings {
    std::int32_t defaultCopies = 1;
    bool defaultCollate = true;
    bool grayedButtons = false;
    TfrPreviewZoom initialZoom = TfrPreviewZoom::pzDefault;
    bool mdiPreview = false;
    bool modalPreview = true;
    bool modifyPrepared = true;
    bool printIfEmpty = true;
    TfrReportType reportType = TfrReportType::rtSimple;
    bool showPrintDialog = true;
    bool showProgress = true;
    bool storeInDFM = false;
    QString title;
    bool rebuildPrinter = false;
    bool useDefaultDataSetName = false;
    std::uint32_t previewButtons = pbZoom | pbLoad | pbSave | pbPrint | pbFind | pbHelp | pbExit;
};

// The events of a report (raised by the builder, preview and printing).
struct TfrReportEvents {
    std::function<void()> onBeginDoc, onEndDoc;
    // Page numbers are 0-based prepared-page indexes.
    std::function<void(int pageNo)> onBeginPage, onEndPage;
    std::function<void(TfrBandView&)> onBeginBand, onEndBand;
    std::function<void(const QString& name, TVariant& value)> onGetValue;
    std::function<void(TfrView&)> onBeforePrint;
    std::function<void(const QString& name, const std::vector<TVariant>& args, TVariant& result)> onUserFunction;
    std::function<void(int n)> onProgress;
    std::function<void(TfrBandView&)> onBeginColumn;
    std::function<void(int columnNo, std::int32_t& width)> onPrintColumn;
    std::function<void(TfrPage&)> onManualBuild;
    // Before the bands are set up in the first pass of a build.
    std::function<void()> onCrossBeginDoc;
    std::function<void(TfrView&)> onObjectClick;
    std::function<void(TfrView&)> onMouseOverObject;
    std::function<void()> onPrintReport;
    std::function<void(TfrView&)> onCustomizeObject;
};

// Told when a report is given other prepared pages.
using TfrPagesWatcher = std::function<void()>;

// The report: pages, dictionary, information and the settings of building,
// preview and printing. A report belongs to the engine it is made with, which
// must outlive it.
class TfrReport : public TfrObject, public TfrLinkable, public TfrReportSettings, public TfrReportEvents {
public:
    explicit TfrReport(TfrEngine& engine);
    ~TfrReport() override;

    TfrEngine& engine() const { return m_engine; }

    TfrPages& pages() { return m_pages; }
    const TfrPages& pages() const { return m_pages; }
    TfrDataDictionary& dictionary() { return m_dictionary; }

    // The prepared pages (the building layer's TfrEMFPages). A build, or a
    // prepared-report file, gives the report a new list: whoever shows a list
    // keeps the one it took and hears of the new one through its watcher.
    TfrPreparedPages* preparedPages() const { return m_prepared.get(); }
    const std::shared_ptr<TfrPreparedPages>& sharedPreparedPages() const { return m_prepared; }
    // Gives the report another list and tells the watchers.
    void setPreparedPages(std::shared_ptr<TfrPreparedPages> pages);
    // Takes the list away: the report holds none until it is given one.
    std::shared_ptr<TfrPreparedPages> takePreparedPages() { return std::move(m_prepared); }
    // `watcher` is told of every new list for as long as it lives (the report
    // keeps a weak reference).
    void watchPreparedPages(const std::shared_ptr<TfrPagesWatcher>& watcher);

    TfrReportInfo info;
    bool keepDefaultPrinter = false;
    bool doublePassReport = false;
    QString printerName;
    QString fileName = QStringLiteral("Untitled");

    // The report dataset (published property Dataset); nothing once the
    // dataset is destroyed.
    TfrDataset* dataset() const { return m_dataset.get(); }
    void setDataset(TfrDataset* dataset) { m_dataset = dataset; }

    // The named datasets and tables the report's templates refer to; the
    // engine's registry unless one was set.
    TfrDataRegistry& dataRegistry() const;
    void setDataRegistry(TfrDataRegistry* registry) { m_registry = registry; }

    // New report: frees all pages, clears the dictionary, switches two passes
    // off and resets the information; the printer choice stays.
    void clear();

    // First object whose name matches without regard to case, page by page.
    TfrView* findObject(const QString& name) const;
    // All objects of all pages, page by page.
    std::vector<TfrView*> allObjects() const;
    // First free "Page" + n.
    QString uniquePageName() const;
    // The page expressions and scripts name "Page" + its number (1-based,
    // case ignored): nothing when `name` has another form, else the page, or
    // null when the report has no page of that number.
    std::optional<TfrPage*> pageByNumberName(const QString& name) const;
    // True when some object of the report is named so (case ignored).
    bool objectNameExists(const QString& name) const;

    // Selects the named printer unless KeepDefaultPrinter is set and the name is
    // listed; stores the name in any case.
    void changePrinter(const QString& name);
    // Makes printer `index` current and re-applies every page's paper; on
    // failure returns to the previous printer and returns false (the caller
    // tells the user frPrinterSetupFailedText()).
    bool selectPrinter(int index);

    // The build under way, if any (attached by TfrBuildScope).
    TfrBuildState* buildState() const { return m_buildState; }

    // A report of its own to build from: the template as saved (so a build
    // never touches this report's objects), with this report's settings,
    // events, file name, dataset and data registry. Throws Exception when the
    // template cannot be saved or read back.
    std::unique_ptr<TfrReport> workingCopy() const;

    // Templates (report files *.frf). Saving writes format version 25 as the
    // report holds it (the information's last-change date included: whoever
    // saves an edit sets it), changes nothing in the report and throws
    // Exception, before anything is written, when the report cannot be
    // represented (more than 256 pages, texts or lists too long for their
    // length fields). Loading never throws for bad data; its result says what
    // happened and leaves the report as follows:
    //   Failed, version above 25: pages kept, dictionary cleared;
    //   Failed, damaged stream: pages deleted, one empty page added;
    //   ClassesMissing: the pages read so far kept;
    //   PasswordRefused: emptied to one blank page, information reset;
    //   Loaded with damagedObjects: the objects whose records were damaged
    //   are skipped, everything else is loaded.
    // A protected template read from a file asks `password` (without one the
    // password counts as refused); templates read from memory are not asked.
    QByteArray saveToStream() const;
    TfrLoadResult loadFromStream(QByteArrayView data);
    // Loads a template file; the report records the file name only when the
    // load succeeded. NotFound (nothing changed) when there is no readable file.
    TfrLoadResult loadFromFile(const QString& fileName, const TfrPasswordPrompt& password = {});
    // Writes through a temporary file that replaces the target only on success.
    void saveToFile(const QString& fileName) const;

    // Template files for new reports (*.frt): a description, a preview picture
    // (stored as BMP; a null image stores none) and the page section.
    void saveTemplate(const QString& fileName, const QStringList& description, const QImage& picture) const;
    // Reads the description and picture; with `loadPages` also the pages (the
    // report is cleared first). Returns false when the file cannot be read.
    // Throws EClassNotFound for add-in classes no registered class provides and
    // EFormatError for damaged files.
    bool loadTemplate(const QString& fileName, QStringList& description, QImage& picture, bool loadPages);

    // The embedded template property: the number 25, then, with StoreInDFM,
    // the size and bytes of a report-file stream.
    QByteArray reportForm() const;
    TfrLoadResult setReportForm(QByteArrayView data);

    // Build, preview and design, provided by later layers through the engine's
    // hooks; without them an error is raised.
    bool prepareReport();
    void showPreparedReport();
    void showReport();
    void designReport();

    const TfrPropTable& properties() const override { return classProperties(); }
    static const TfrPropTable& classProperties();

private:
    friend class TfrBuildScope;
    friend class TfrTemplateReader;
    void reapplyPagePapers();
    TfrLoadResult loadStream(QByteArrayView data, const TfrPasswordPrompt& password, bool fromFile);
    // Template stream parts (template.cpp).
    void writePageSection(TBinaryWriter& out) const;
    void writeInfo(TBinaryWriter& out) const;

    TfrEngine& m_engine;
    TfrPages m_pages;
    TfrDataDictionary m_dictionary;
    std::shared_ptr<TfrPreparedPages> m_prepared;
    std::vector<std::weak_ptr<TfrPagesWatcher>> m_pagesWatchers;
    TfrDataRegistry* m_registry = nullptr;
    TfrLink<TfrDataset> m_dataset;
    TfrBuildState* m_buildState = nullptr;
};

// The text shown when a printer chosen for a report cannot be set up.
QString frPrinterSetupFailedText();

// Builds the reports of its list one after another into its own prepared
// pages (the building layer implements it).
class TfrCompositeReport : public TfrReport {
public:
    using TfrReport::TfrReport;
    std::vector<TfrLink<TfrReport>> reports;
};
