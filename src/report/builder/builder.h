#pragma once

#include "common/exception.h"

#include <QString>
#include <cstdint>

class TfrCompositeReport;
class TfrEngine;
class TfrMemoView;
class TfrReport;
class TfrTextMeasurer;

// Told about a build while it runs: the page being built and whether the user
// wants it to end. The program's progress window implements it (with the
// "Отмена" button); headless runs print a line; tests cancel on a given page.
class TfrBuildProgress {
public:
    virtual ~TfrBuildProgress() = default;
    // Page `page` (1-based) is being built. `total` is the page count of the
    // first pass while the second of two passes runs, else 0; `firstOfTwo`
    // tells the first of two passes (which only counts pages).
    virtual void pageStarted(int page, int total, bool firstOfTwo) = 0;
    // A script assigned PROGRESS.
    virtual void scriptText(const QString& text) { (void)text; }
    // Asked after every band and at every page; true ends the build after the
    // current band, keeping the pages built so far.
    virtual bool cancelRequested() = 0;
    // A dialog page is shown (true) and closed again (false): a progress
    // window stays out of its way meanwhile.
    virtual void dialogShown(bool shown) { (void)shown; }
};

// The progress line of a build: "Формируется страница:  5", "... 5 из 12"
// (second of two passes) or "Выполняется 1-й проход:  5".
QString frProgressLine(int page, int total, bool firstOfTwo);

// The caption of the progress window: "Подготовка отчета", with " - " and the
// report's title when it has one.
QString frProgressCaption(const TfrReport& report);

// The limits of a build unless its caller sets others (the program's builds,
// and ostrand-cli's unless --max-pages says otherwise): so many pages, and
// so many band printings for each of them.
inline constexpr int frDefaultMaxPages = 10000;
inline constexpr std::int64_t frBandPrintsPerPage = 2000;

struct TfrBuildOptions {
    // Text measurement of memos; the engine's measurer when null.
    const TfrTextMeasurer* measurer = nullptr;
    // Progress and cancelling; none when null (the build then never counts as
    // cancelled).
    TfrBuildProgress* progress = nullptr;
    // Most prepared pages a build may make (0: no limit). A template whose
    // build never ends stops there with an error.
    int maxPages = frDefaultMaxPages;
    // Band printings a build may make (0: no limit): bands that take no room
    // repeated without end make no pages. However these are set, a page holds
    // at most TfrEMFPages::maxObjectsPerPage objects.
    std::int64_t maxBandPrints = frDefaultMaxPages * frBandPrintsPerPage;
    // Code lines one run of a script may execute (0: no limit).
    std::int64_t maxScriptSteps = 0;
    // A failed build shows its error text in the message box "Ошибка" of the
    // engine's interaction (callers that report the error themselves turn it off).
    bool showError = true;
};

struct TfrBuildResult {
    enum class Status { Done, Cancelled, Failed };
    Status status = Status::Done;
    // The error text of a failed build.
    QString error;
    // Prepared pages made (all of them are kept, also when cancelled; a failed
    // build keeps none).
    int pages = 0;
    bool ok() const { return status == Status::Done; }
};

// Builds a report's prepared pages (frPreparedPages(report)) from its
// template and data: one or two passes, data loops, groups, page and column
// breaks, band rendering. The template is saved to memory before and loaded
// back after the build, so building never changes it.
TfrBuildResult frBuildReport(TfrReport& report, const TfrBuildOptions& options = {});

// Builds the reports of a composite report one after another into its own
// prepared pages, each from its template as frBuildReport does: a report
// whose first page has PrintToPrevPage and the paper (size, width, height,
// orientation) of the last page built so far goes on on that page. With a
// dataset the whole sequence is built once per record. DoublePassReport of
// the composite report decides the passes (TOTALPAGES counts the pages of all
// reports); the pages begun and ended are told to the report building them
// and to the composite report. The first report that fails or is stopped
// ends the build.
TfrBuildResult frBuildCompositeReport(TfrCompositeReport& composite, const TfrBuildOptions& options = {});

// Installs frBuildReport (with default options) as the engine's way of
// preparing reports (TfrReport::prepareReport).
void installReportBuilder(TfrEngine& engine);
