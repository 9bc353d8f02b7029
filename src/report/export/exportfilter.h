#pragma once

#include "report/render/drawing.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QIODevice;
class TfrEMFPages;
class TfrEngine;
class TfrReport;
class TfrView;

// An export filter turns a built report (its prepared pages) into a file. The
// export (frExportReport) drives it with a fixed sequence of calls:
//   showModal                      (options dialog; anything but OK stops)
//   onBeginDoc
//   per exported page:  onBeginPage, exportPage (onData per object, onText
//                       per text line of a memo), onEndPage
//   onEndDoc
// and writes what the filter puts into stream() to the file through a
// temporary file, so a failed export keeps the old file.
//
// A filter knows its class name (for the registry), its file-type
// description and extension. Its options dialog, when it has one, is a
// function the widget layer installs (optionsDialog); the engine itself never
// shows anything, and a filter without an installed dialog exports without
// asking.
class TfrExportFilter {
public:
    TfrExportFilter();
    virtual ~TfrExportFilter();
    TfrExportFilter(const TfrExportFilter&) = delete;
    TfrExportFilter& operator=(const TfrExportFilter&) = delete;

    virtual QString className() const = 0;
    // File-type text of file dialogs ("Текстовый файл (*.txt)") and the file
    // mask ("*.txt").
    virtual QString description() const = 0;
    virtual QString extension() const = 0;

    // Published properties: the filter the save dialog preselects, and
    // whether showModal asks the options dialog.
    bool isDefault = false;
    bool showDialog = true;

    // The options dialog: reads and changes the filter's options and returns
    // true for OK. Installed by the widget layer.
    using OptionsDialog = std::function<bool(TfrExportFilter& filter)>;
    OptionsDialog optionsDialog;

    // Events: before the export (may change the file name; clearing
    // `proceed` ends the export before anything is written) and after it.
    std::function<void(QString& fileName, bool& proceed)> onBeforeExport;
    std::function<void(const QString& fileName)> onAfterExport;

    // The file being written (as the before-export event left it).
    const QString& fileName() const { return m_fileName; }

    // The calls of an export, in their order. The base versions do nothing;
    // showModal asks optionsDialog when showDialog is on and one is installed,
    // else says OK.
    virtual bool showModal();
    virtual void onBeginDoc() {}
    virtual void onEndDoc() {}
    virtual void onBeginPage() {}
    virtual void onEndPage() {}
    // One call per object of a page (x, y: its position in report pixels).
    virtual void onData(std::int32_t x, std::int32_t y, const TfrView& view) {}
    // One call per text line of a memo: the draw rectangle, where the line
    // starts, the frame sides that belong to it, the text and the object.
    virtual void onText(const TfrExportLine& line) {}

    // Gives a page's objects to the filter: onData for every object in page
    // order, and for memos their laid-out lines to onText (drawn at scale 1
    // through the export hook of drawing). Filters that draw whole pages
    // (PDF) override it.
    virtual void exportPage(TfrEMFPages& pages, int index);

    // A filter that writes the file itself under fileName() (in onEndDoc,
    // through a temporary file of its own) gets no stream.
    virtual bool writesOwnFile() const { return false; }

    // While an export runs: the output, the report, the number of pages
    // exported and the position of the current one among them (0-based), and
    // its index among the report's prepared pages.
    QIODevice& stream() const;
    TfrReport* report() const { return m_report; }
    int pageCount() const { return m_pageCount; }
    int pageNo() const { return m_pageNo; }
    int pageIndex() const { return m_pageIndex; }

    // Notes for the caller, collected during the export (e.g. texts that
    // could not be placed); emptied when an export starts.
    QStringList messages;

private:
    friend class TfrExportRun;
    QString m_fileName;
    QIODevice* m_stream = nullptr;
    TfrReport* m_report = nullptr;
    int m_pageCount = 0, m_pageNo = -1, m_pageIndex = -1;
};

// Gives one object to a filter as exportPage does: onData, then, for objects
// whose class is exported as text, one onText per laid-out line.
void frExportObject(TfrEngine& engine, TfrExportFilter& filter, const TfrView& view);

// The picture an export that carries pictures writes for an object whose
// class is exported as a picture: the picture it holds, else a drawing of it
// (on white, at twice the report's resolution); empty for other classes and
// for objects too large to draw (a side over kMaxPictureSide image pixels).
inline constexpr std::int64_t kMaxPictureSide = 16384;
TfrPicture frExportPicture(TfrEngine& engine, const TfrView& view);

// How an export runs.
struct TfrExportOptions {
    // The prepared pages to export (0-based, ascending); nothing: all.
    std::optional<std::vector<int>> pages;
    // Whether the filter's showModal is asked; headless runs switch it off.
    bool dialogs = true;
    // After every page: the pages done and the total. Returning false stops
    // the export after that page; the document is still ended and written.
    std::function<bool(int done, int total)> progress;
};

enum class TfrExportResult { Written, Cancelled };

// Exports the report's prepared pages through `filter` to `fileName`. The
// before-export event or the options dialog may cancel (Cancelled: nothing is
// written). The file is written through a temporary file and replaces the
// target only when the whole export succeeded; a target that is not a
// regular file is refused. Errors (the file, the filter, damaged pages) throw
// Exception and leave an existing file as it was.
TfrExportResult frExportReport(TfrReport& report, TfrExportFilter& filter, const QString& fileName,
                               const TfrExportOptions& options = {});

// Texts of the export's progress window.
QString frExportProgressCaption(const QString& title); // "Подготовка отчета" [+ " - " + title]
QString frExportProgressLabel(int pageNo, int total);  // "Формируется страница:  n из total"

// A scale edit's text as a number: "." or "," as decimal separator; a text
// that cannot be read, or a value that is not a positive finite number, gives 1.
double frReadScale(const QString& text);
// A scale as the options dialogs show it ("1", "1.3").
QString frScaleText(double scale);

// `fileName` with its extension replaced by the one of a file mask ("*.rtf":
// ".rtf"); a name without extension gets it appended.
QString frReplaceExtension(const QString& fileName, const QString& mask);

// The report's name: the base name of its template file ("points" for
// ".../points.frf" or "C:\...\points.frf"); empty for a report of no
// file ("Untitled").
QString frReportName(const TfrReport& report);
// The title of a document made of a report (a PDF file): its Title, else
// its name.
QString frReportDocumentTitle(const TfrReport& report);

// One registered filter.
struct TfrExportFilterEntry {
    TfrExportFilter* filter = nullptr;
    QString description;
    QString extension; // file mask, "*.txt"
};

// The export filters of an engine in registration order, at most maxFilters.
// The registry owns its filters; their owner configures them through the
// pointers add returns.
class TfrExportFilters {
public:
    static constexpr int maxFilters = 64;

    // Registers a filter under its own description and extension, or the
    // ones given. A filter whose class and extension are already registered
    // is not added (nullptr); a full registry throws Exception.
    TfrExportFilter* add(std::unique_ptr<TfrExportFilter> filter);
    TfrExportFilter* add(std::unique_ptr<TfrExportFilter> filter, const QString& description, const QString& extension);
    // Removes (and destroys) the last filter of that class; false when none.
    bool remove(const QString& className);

    int count() const { return static_cast<int>(m_entries.size()); }
    const TfrExportFilterEntry& operator[](int index) const { return m_entries.at(static_cast<std::size_t>(index)); }
    // The first filter whose extension is "*." + `suffix` (case ignored).
    TfrExportFilter* findByExtension(const QString& suffix) const;

    // The save dialog of the preview: the prepared-report entry, then one
    // entry per filter, as "description|mask" pairs joined by "|"; the
    // entries as name filters of Qt's file dialogs ("Файл отчета (*.frp)");
    // and the 1-based entry preselected: 2 + the position of the first
    // Default filter, 1 when none is.
    QString saveDialogFilter() const;
    QStringList nameFilters() const;
    int defaultEntry() const;
    // The filter of save-dialog entry k (1-based; 1, the prepared report, and
    // entries out of range: none).
    TfrExportFilter* filterOfEntry(int entry) const;
    // The extension of save-dialog entry k as a file mask ("*.frp" for 1).
    QString extensionOfEntry(int entry) const;

private:
    std::vector<std::unique_ptr<TfrExportFilter>> m_owned;
    std::vector<TfrExportFilterEntry> m_entries;
};

// The engine's export filters.
TfrExportFilters& frExportFilters(TfrEngine& engine);

// The prepared-report entry of the save dialog.
QString frPreparedReportDescription(); // "Файл отчета (*.frp)"
