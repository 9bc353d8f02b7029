#pragma once

// The report builder's inner parts, shared by the page sequencing
// (builder.cpp), the band rendering (bandrender.cpp) and composite reports
// (composite.cpp). Nothing outside these files uses them.

#include "report/builder/builder.h"
#include "report/builder/objectbuild.h"
#include "report/expr/context.h"
#include "report/expr/exprstate.h"
#include "report/expr/interpreter.h"
#include "report/model/buildstate.h"
#include "report/model/report.h"

#include <algorithm>
#include <array>
#include <climits>
#include <functional>
#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <vector>

class TfrEMFPages;

namespace frbuild {

// (header, data, footer) of the three data levels.
inline constexpr std::array<std::array<int, 3>, 3> kLevels = {{{btMasterHeader, btMasterData, btMasterFooter},
                                                               {btDetailHeader, btDetailData, btDetailFooter},
                                                               {btSubDetailHeader, btSubDetailData, btSubDetailFooter}}};

// Bands inside bands (child bands, SHOWBAND, headers of new pages) nest at most so deep.
inline constexpr int kMaxRenderDepth = 64;
// Split portions of one band that move nothing up before the band counts as unprintable.
inline constexpr int kMaxStalledPortions = 3;
// Geometry read from a template is bounded before a build works with it, so
// that no sum of positions, sizes and column steps leaves 32 bits; heights an
// object's builder reports are held to the same bound.
inline constexpr std::int32_t kMaxCoordinate = 1 << 20;

namespace text {
inline const QString expressionError = QStringLiteral("Возникла ошибка при обработке выражения");
inline const QString document = QStringLiteral("Документ:");
inline const QString object = QStringLiteral("Объект:");
inline QString childCycle(const QString& band) {
    return QStringLiteral("Цепочка дочерних полос (ChildBand) полосы «%1» возвращается к ней самой").arg(band);
}
inline QString bandInsideItself(const QString& band) {
    return QStringLiteral("Полоса «%1» выводится внутри самой себя (SHOWBAND, дочерняя полоса или заголовок новой "
                          "страницы)")
        .arg(band);
}
inline QString tooDeep(const QString& band) {
    return QStringLiteral("Слишком глубокая вложенность полос при выводе полосы «%1»").arg(band);
}
inline QString subReportCycle(const QString& object) {
    return QStringLiteral("Подотчёт «%1» включает свою же страницу (прямо или через другие подотчёты)").arg(object);
}
inline QString neverFits(const QString& band) {
    return QStringLiteral("Полоса «%1» не помещается на странице: для неё нет места даже на пустой странице").arg(band);
}
inline QString pageLimit(int pages) {
    return QStringLiteral("Отчёт превысил предел в %1 страниц; построение остановлено").arg(pages);
}
inline QString bandLimit(std::int64_t prints) {
    return QStringLiteral("Отчёт превысил предел в %1 выводов полос; построение остановлено").arg(prints);
}
inline QString objectLimit(int page, int objects, const QString& band) {
    return QStringLiteral("На странице %1 больше %2 объектов (при выводе полосы «%3»); построение остановлено")
        .arg(page)
        .arg(objects)
        .arg(band);
}
inline QString scriptError(const QString& owner, const QStringList& errors) {
    return QStringLiteral("Ошибка в скрипте «%1»: %2").arg(owner, errors.join(u' '));
}
} // namespace text

// A structural fault of the template (not of an expression): its text stands alone.
class EBuildError : public Exception {
public:
    using Exception::Exception;
};

inline bool isDataType(int type) { return type == btMasterData || type == btDetailData || type == btSubDetailData; }
inline bool isPositioned(int type) { return type == btPageFooter || type == btOverlay || type == btNone; }
inline bool isCrossType(int type) { return type == btCrossHeader || type == btCrossData || type == btCrossFooter; }

struct TPageRun;

// One band of a page while the page is built.
struct TBand {
    int type = btNone;
    TPageRun* page = nullptr;
    TfrBandView* view = nullptr; // none for the free-object band
    TBand* next = nullptr;       // the chain of bands of one type, in Y order
    TBand* header = nullptr;
    TBand* footer = nullptr;
    TBand* dataBand = nullptr;
    TBand* child = nullptr;
    std::vector<TBand*> groups; // a data band's group headers, outermost first
    std::int32_t x = 0, width = 0; // cross bands
    std::int32_t y = 0, height = 0;
    std::uint16_t flags = 0;
    // A horizontal band holding cells of cross bands, and the dataset its
    // cross columns walk when the cross data band has none.
    bool crossed = false;
    TfrDataset* crossDataset = nullptr;
    bool stretched = false, newPageAfter = false, printIfSubsetEmpty = false, maySplit = false,
         printChildIfInvisible = false;
    std::vector<TfrView*> objects; // band-local coordinates; a cross band's: its cells
    QStringList script;            // compiled
    TfrDataset* dataset = nullptr;
    std::unique_ptr<TfrDataset> ownedDataset;
    QString condition; // group headers: postfix
    TVariant lastGroupValue;
    TfrExprBand expr;
    std::int32_t calcHeight = -1, splitHeight = 0;
    bool suppressReset = false, skipScriptOnce = false;
    int bandColumn = 1;
    std::int32_t savedOffset = 0;
    // Sub-reports running in this band: their pages, and which finished.
    std::vector<TPageRun*> subPages;
    std::vector<bool> subFinished;

    bool exists() const { return view != nullptr || (type == btNone && !objects.empty()); }
    bool visible() const { return view ? view->visible : true; }
    QString name() const { return view ? view->name() : QStringLiteral("(объекты вне полос)"); }
    bool hasFlag(std::uint16_t bit) const { return (flags & bit) != 0; }
};

// One template page while it is built.
struct TPageRun {
    TfrPage* page = nullptr;
    std::vector<std::unique_ptr<TBand>> bands;
    std::array<TBand*, frBandTypeCount> first{};
    QStringList script;
    std::int32_t topLimit = 0, leftLimit = 0, rightLimit = 0, bottomAtStart = 0;
    std::int32_t columnOffset = 0, columnsRestartY = 0, columnWidth = 0, columnGap = 0;
    int pageColumn = 0, columnCount = 1;
    TBand* lastPrinted = nullptr;
    bool suppressRepeated = false;
    bool skip = false;
    std::int32_t currentNo = 1;
    // A sub-report page records what its data loops show and plays it back
    // inside the band that holds the sub-report.
    enum class Action { Show, First, Next };
    struct Entry {
        TBand* band;
        Action action;
    };
    bool recordMode = false;
    std::vector<Entry> records;
    std::size_t playPos = 0;
    TBand* continueBand = nullptr;
    // The most cross columns a row printed (an empty master footer row prints as many).
    int maxCrossColumns = 0;
    // Its cursor and bottom limit while another page is current.
    std::int32_t cursorY = 0, bottom = 0;

    TBand* band(int type) const { return first[static_cast<std::size_t>(type)]; }
};

inline bool exists(const TBand* b) { return b && b->exists(); }

// Marks a band as being rendered for the lifetime of a scope.
class TRenderMark {
public:
    TRenderMark(std::vector<TBand*>& stack, TBand& band) : m_stack(stack) {
        if (std::find(stack.begin(), stack.end(), &band) != stack.end())
            throw EBuildError(text::bandInsideItself(band.name()));
        if (static_cast<int>(stack.size()) >= kMaxRenderDepth)
            throw EBuildError(text::tooDeep(band.name()));
        stack.push_back(&band);
    }
    ~TRenderMark() { m_stack.pop_back(); }
    TRenderMark(const TRenderMark&) = delete;
    TRenderMark& operator=(const TRenderMark&) = delete;

private:
    std::vector<TBand*>& m_stack;
};

// Saves a value and puts it back when the scope ends.
template <class T>
class TRestore {
public:
    TRestore(T& target, T value) : m_target(target), m_saved(target) { target = std::move(value); }
    ~TRestore() { m_target = std::move(m_saved); }
    TRestore(const TRestore&) = delete;
    TRestore& operator=(const TRestore&) = delete;

private:
    T& m_target;
    T m_saved;
};

// Where the prepared pages stand between template pages, and between the
// reports of a composite report, which fill the same pages one after another.
struct TFlow {
    int pageIndex = 0;
    // The next template page continues on the page of the one before.
    bool appendMode = false;
    // Whether the template page before printed its page footer, and where its
    // cursor and bottom limit ended.
    bool prevFooterPrinted = false;
    std::int32_t savedY = 0, savedBottom = 0;
    // Objects written on each prepared page.
    std::vector<int> objectsOnPage;
};

// One pass over the reports of a composite report.
struct TPass {
    bool twoPasses = false;
    bool firstOfTwo = false; // only counts pages
    std::int32_t totalPages = 0;
};

// What one build leaves for the next in the same engine: during the first of
// two passes TOTALPAGES still holds the page count an earlier build made.
struct TBuildMemory {
    std::int32_t totalPages = 0;
};

// Builds a report into prepared pages. The report is a build-only copy of
// the template (TfrReport::workingCopy): the builder works on its objects.
// `master` is the composite report whose pages are filled, if any: it hears
// of the pages begun and ended too.
class TBuilder {
public:
    TBuilder(TfrReport& report, TfrEMFPages& pages, const TfrBuildOptions& options,
             const TfrReportEvents* master = nullptr);
    ~TBuilder();
    TBuilder(const TBuilder&) = delete;
    TBuilder& operator=(const TBuilder&) = delete;

    // The report on its own: one or two passes.
    TfrBuildResult run();
    // One pass of the report in a composite report, going on from `flow`
    // (which it leaves where the report ended). A failed pass keeps its pages.
    TfrBuildResult runPass(const TPass& pass, TFlow& flow);
    // A script stopped the build (STOPREPORT), or it was cancelled.
    bool stopped() const { return terminated(); }

private:
    TfrBuildResult guarded(const std::function<void()>& body);
    void setUpPrintContext();

    // Passes.
    void twoPassControl();
    void stoppedCountsAsCancelled();
    void buildPass(bool firstPass, bool lastPass);
    // Asks the dialog pages in page order; false when one was cancelled.
    bool askDialogPages();
    void setUpBands(TPageRun& run);
    void linkBands(TPageRun& run);
    void checkCycles();
    void preScan(TPageRun& run);
    void scanBand(TBand& band, TBand& target);
    void setDataset(TBand& band, const QString& text);
    // A runtime band of a template band: its type, page, object, flags, script
    // and the name expressions see.
    std::unique_ptr<TBand> newBand(TPageRun& run, TfrBandView& view, int type);
    void fillBand(TBand& band, TfrBandView& view);

    // Page sequencing.
    void setPage(TPageRun* run);
    void layoutPage();
    void runLevel(int level);
    void showStack();
    void emitBand(TBand* band);
    void emitBandByName(const QString& name);
    void startNewPage();
    void finishPages();
    void startNewColumn(TBand& band);
    bool breakIfNoRoom(TBand& band, std::int32_t y, std::int32_t height, bool probe);
    void addPage();
    void endPageEvent(int index);
    void setPageIndex(int index);
    void progress(int n);
    bool cancelRequested();
    void pollCancel();

    // Band rendering.
    bool render(TBand& band);
    void renderBody(TBand& band);
    bool renderObjects(TBand& band);
    void renderCrossRow(TBand& band);
    void printCells(TBand& cross, TBand& band, std::int32_t x);
    void makeColumnRoom(TBand& band, std::int32_t& x, std::int32_t width, int rowPage);
    void printObjectAt(TBand& band, TfrView& view, std::int32_t dx, std::int32_t dy, bool part = false);
    TfrPrintPlace placeOf(const TBand& band, const TfrView& view, std::int32_t dx, std::int32_t dy) const;
    TfrBox alignedBox(const TBand& band, const TfrView& view) const;
    bool runSubReports(TBand& band, std::size_t from);
    bool playSubReports(TBand& band, bool continuing);
    bool play(TPageRun& sub);
    void renderObject(TBand& band, TfrView& view, bool part = false);
    void output(const TfrView& image);
    void renderSplit(TBand& band);
    std::int32_t measureHeight(TBand& band);
    std::int32_t measureOne(TBand& band);
    std::int32_t measureObject(TfrView& view);
    std::int32_t measureCrossColumns(TBand& band);
    void enterCross(TBand& cross, TBand& band);
    // The cross columns of a row (`padding` holds a dataset made for them), at
    // its first record.
    TfrDataset* crossColumns(TBand& band, TBand& data, std::unique_ptr<TfrDataset>& padding);
    void accumulate(TBand& band);
    void resetAggregates(TBand& band);
    void setCounters(TBand& band);
    void resetLineNo(TBand& band, std::int32_t value);
    TVariant groupValue(TBand& group);
    void runScript(const QStringList& code, TfrView* object);
    void noteFailure(TfrView* object);
    void runObjectScript(TfrView& view);
    void loadDataField(TfrView& view);
    QStringList compile(const QStringList& source, const QString& owner);
    std::int32_t calcWidth(TfrView& view);
    TfrTableSource* defaultTable() const;
    void bindFields(TPageRun& run);

    bool terminated() const { return m_state.terminated; }
    std::int32_t& curY() { return m_state.cursorY; }
    std::int32_t& bottom() { return m_state.bottomLimit; }

    TfrReport& m_report;
    const TfrBuildOptions& m_options;
    TfrEMFPages& m_pages;
    TfrBuildState m_buildState;
    TfrBuildScope m_scope;
    TfrExprState m_state;
    TfrExprContext m_context;
    TInterpretator m_interpreter;
    const TfrTextMeasurer& m_measurer;
    TfrPrintContext m_print;

    std::vector<std::unique_ptr<TPageRun>> m_runs;
    std::unordered_map<const TfrView*, QStringList> m_scripts;
    // Objects showing a data field's content (pictures): the field.
    std::unordered_map<const TfrView*, TfrCacheItem> m_bindings;
    // Runtime bands by what expressions see of them.
    std::unordered_map<const TfrExprBand*, TBand*> m_bandOf;
    // Objects lying in cross bands: the cross band whose cells they are.
    std::unordered_map<const TfrView*, TBand*> m_crossCell;
    std::vector<TfrView*> m_notified;
    TPageRun* m_page = nullptr;
    std::vector<TBand*> m_stack;       // bands waiting to be shown
    std::vector<TBand*> m_rendering;   // bands being rendered, outermost first
    int m_deepest = 0;
    TFlow m_flow;
    const TfrReportEvents* m_master;
    bool m_drawingDisabled = false;
    bool m_twoPasses = false;
    bool m_firstOfTwo = false;
    bool m_cancelled = false;
    bool m_dialogCancelled = false;
    std::int64_t m_bandPrints = 0;
    // The object being printed or measured when the build failed.
    TfrView* m_failedObject = nullptr;
    bool m_failed = false;
};

// Builds into a new page list with `build` (an Exception it throws fails the
// build), then gives the list to `report` and shows a failure's error box
// when the options ask for it.
TfrBuildResult buildAndGive(TfrReport& report, const TfrBuildOptions& options,
                            const std::function<TfrBuildResult(TfrEMFPages&)>& build);

} // namespace frbuild
