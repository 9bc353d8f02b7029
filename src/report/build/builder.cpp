#include "report/build/builder.h"

#include "report/build/memoprint.h"
#include "report/build/preparedpages.h"
#include "report/build/textlayout.h"
#include "report/build/textmeasure.h"
#include "report/expr/aggregates.h"
#include "report/expr/context.h"
#include "report/expr/exprstate.h"
#include "report/expr/interpreter.h"
#include "report/expr/memotext.h"
#include "report/model/buildstate.h"
#include "report/model/engine.h"
#include "report/model/report.h"

#include <QDateTime>
#include <QFileInfo>
#include <QRect>

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace {

// (header, data, footer) of the three data levels.
constexpr std::array<std::array<int, 3>, 3> kLevels = {{{btMasterHeader, btMasterData, btMasterFooter},
                                                        {btDetailHeader, btDetailData, btDetailFooter},
                                                        {btSubDetailHeader, btSubDetailData, btSubDetailFooter}}};

// Bands inside bands (child bands, SHOWBAND, headers of new pages) nest at most so deep.
constexpr int kMaxRenderDepth = 64;
// Split portions of one band that move nothing up before the band counts as unprintable.
constexpr int kMaxStalledPortions = 3;

namespace text {
const QString expressionError = QStringLiteral("Возникла ошибка при обработке выражения");
const QString document = QStringLiteral("Документ:");
const QString object = QStringLiteral("Объект:");
QString childCycle(const QString& band) {
    return QStringLiteral("Цепочка дочерних полос (ChildBand) полосы «%1» возвращается к ней самой").arg(band);
}
QString bandInsideItself(const QString& band) {
    return QStringLiteral("Полоса «%1» выводится внутри самой себя (SHOWBAND, дочерняя полоса или заголовок новой "
                          "страницы)")
        .arg(band);
}
QString tooDeep(const QString& band) {
    return QStringLiteral("Слишком глубокая вложенность полос при выводе полосы «%1»").arg(band);
}
QString subReportCycle(const QString& object) {
    return QStringLiteral("Подотчёт «%1» включает свою же страницу (прямо или через другие подотчёты)").arg(object);
}
QString neverFits(const QString& band) {
    return QStringLiteral("Полоса «%1» не помещается на странице: для неё нет места даже на пустой странице").arg(band);
}
QString pageLimit(int pages) {
    return QStringLiteral("Отчёт превысил предел в %1 страниц; построение остановлено").arg(pages);
}
QString bandLimit(std::int64_t prints) {
    return QStringLiteral("Отчёт превысил предел в %1 выводов полос; построение остановлено").arg(prints);
}
QString scriptError(const QString& owner, const QStringList& errors) {
    return QStringLiteral("Ошибка в скрипте «%1»: %2").arg(owner, errors.join(u' '));
}
} // namespace text

// A structural fault of the template (not of an expression): its text stands alone.
class EBuildError : public Exception {
public:
    using Exception::Exception;
};

bool isDataType(int type) { return type == btMasterData || type == btDetailData || type == btSubDetailData; }
bool isPositioned(int type) { return type == btPageFooter || type == btOverlay || type == btNone; }

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
    std::vector<TfrView*> objects; // band-local coordinates
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

bool exists(const TBand* b) { return b && b->exists(); }

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

class TBuilder {
public:
    TBuilder(TfrReport& report, const TfrBuildOptions& options)
        : m_report(report), m_options(options), m_pages(frPreparedPages(report)), m_scope(report, m_buildState),
          m_context(report, &m_state), m_interpreter(m_context),
          m_measurer(options.measurer ? *options.measurer : frTextMeasurer(report.engine())),
          m_printer(report.engine(), m_measurer, memoHooks()) {
        const QDateTime now = QDateTime::currentDateTime();
        const double days = QDate(1899, 12, 30).daysTo(now.date());
        m_state.startDate = days;
        m_state.startTime = now.time().msecsSinceStartOfDay() / 86400000.0;
        m_state.showBand = [this](const QString& name) { emitBandByName(name); };
        m_state.calcWidth = [this](TfrView& view) { return calcWidth(view); };
        if (options.progress)
            m_state.showProgress = [this](const QString& t) { m_options.progress->scriptText(t); };
        m_interpreter.stepBudget = options.maxScriptSteps;
        m_interpreter.cancelRequested = [this] { return cancelRequested(); };
        // Bare field names belong to the table of the data band being built.
        report.dictionary().defaultTableProvider = [this] { return defaultTable(); };
    }
    ~TBuilder() { m_report.dictionary().defaultTableProvider = nullptr; }
    TBuilder(const TBuilder&) = delete;
    TBuilder& operator=(const TBuilder&) = delete;

    TfrBuildResult run();

private:
    TfrMemoHooks memoHooks();

    // Passes.
    void twoPassControl();
    void buildPass(bool firstPass, bool lastPass);
    void setUpBands(TPageRun& run);
    void linkBands(TPageRun& run);
    void checkCycles();
    void preScan(TPageRun& run);
    void scanBand(TBand& band, TBand& target);
    void setDataset(TBand& band, const QString& text);

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
    void printObjectAt(TBand& band, TfrView& view, std::int32_t dx, std::int32_t dy);
    bool runSubReports(TBand& band, std::size_t from);
    bool playSubReports(TBand& band);
    bool play(TPageRun& sub);
    void renderObject(TBand& band, TfrView& view);
    void printObject(TfrView& view);
    void renderSplit(TBand& band);
    std::int32_t measureHeight(TBand& band);
    std::int32_t measureOne(TBand& band);
    void accumulate(TBand& band);
    void resetAggregates(TBand& band);
    void setCounters(TBand& band);
    void resetLineNo(TBand& band, std::int32_t value);
    TVariant groupValue(TBand& group);
    void runScript(const QStringList& code, TfrView* object);
    void noteFailure(TfrView* object);
    void runObjectScript(TfrView& view);
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
    TfrMemoPrinter m_printer;

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
    int m_pageIndex = 0;
    bool m_drawingDisabled = false;
    bool m_twoPasses = false;
    bool m_firstOfTwo = false;
    bool m_appendMode = false;
    bool m_prevFooterPrinted = false;
    std::int32_t m_savedY = 0, m_savedBottom = 0;
    bool m_cancelled = false;
    std::int64_t m_bandPrints = 0;
    // The object being printed or measured when the build failed.
    TfrView* m_failedObject = nullptr;
    bool m_failed = false;
};

TfrMemoHooks TBuilder::memoHooks() {
    TfrMemoHooks hooks;
    hooks.expandLine = [this](const QString& line, TfrMemoView& memo) {
        return frmemo::expandText(m_context, line, &memo);
    };
    hooks.runScript = [this](TfrView& view) { runObjectScript(view); };
    hooks.beforePrint = [this](TfrView& view, QStringList&) {
        if (m_report.onBeforePrint)
            m_report.onBeforePrint(view);
    };
    hooks.highlightHolds = [this](const TfrMemoView& memo) {
        try {
            return frmemo::highlightApplies(m_context, TfrParser::convertToPostfix(memo.highlightStr));
        } catch (const Exception&) {
            return false;
        }
    };
    hooks.expandTag = [this](const QString& tag, TfrView&) { return frmemo::expandText(m_context, tag, nullptr); };
    return hooks;
}

QStringList TBuilder::compile(const QStringList& source, const QString& owner) {
    const bool blank = std::all_of(source.begin(), source.end(), [](const QString& l) { return l.trimmed().isEmpty(); });
    if (blank)
        return {};
    QStringList code, errors;
    if (!m_interpreter.prepareCode(source, code, errors))
        throw EBuildError(text::scriptError(owner, errors));
    return code;
}

void TBuilder::runScript(const QStringList& code, TfrView* object) {
    if (code.isEmpty())
        return;
    m_state.currentObject = object;
    try {
        m_interpreter.runCode(code);
    } catch (...) {
        noteFailure(object);
        throw;
    }
}

void TBuilder::noteFailure(TfrView* object) {
    if (!m_failed) {
        m_failed = true;
        m_failedObject = object;
    }
}

void TBuilder::runObjectScript(TfrView& view) {
    const auto it = m_scripts.find(&view);
    if (it != m_scripts.end())
        runScript(it->second, &view);
}

std::int32_t TBuilder::calcWidth(TfrView& view) {
    auto* memo = dynamic_cast<TfrMemoView*>(&view);
    if (!memo)
        return view.width;
    m_printer.expand(*memo);
    int widest = 0;
    for (const QString& line : memo->memo1)
        widest = std::max(widest, m_measurer.width(memo->font, line, memo->charSpacing));
    return widest + 2 * memo->gapX;
}

TfrTableSource* TBuilder::defaultTable() const {
    const auto it = m_bandOf.find(m_state.currentBand);
    if (it != m_bandOf.end()) {
        const TBand* b = it->second;
        const TBand* outer = b->dataBand ? b->dataBand->dataBand : nullptr;
        for (const TBand* candidate : {b, static_cast<const TBand*>(b->dataBand), outer})
            if (candidate && candidate->dataset && candidate->dataset->table())
                return candidate->dataset->table();
    }
    TfrDataset* report = m_report.dataset();
    return report ? report->table() : nullptr;
}

void TBuilder::bindFields(TPageRun& run) {
    for (const auto& v : run.page->objects()) {
        if (v->objectType == gtBand || v->memo.isEmpty())
            continue;
        const QString text = frListText(v->memo);
        if (text.size() <= 2 || !text.startsWith(u'[') || (v->objectType == gtMemo && v->flag(frflags::TextOnly)))
            continue;
        const QString name = text.left(text.lastIndexOf(u']')).mid(1);
        TfrCacheItem item;
        if (!name.isEmpty() && m_report.dictionary().resolveField(name, item) && item.table.get())
            m_bindings[v.get()] = item;
    }
}

// ---------------------------------------------------------------------------
// Passes

TfrBuildResult TBuilder::run() {
    TfrBuildResult result;
    try {
        twoPassControl();
    } catch (const EScriptStopped& e) {
        if (e.reason() == EScriptStopped::Reason::Cancelled) {
            m_cancelled = true;
        } else {
            result.status = TfrBuildResult::Status::Failed;
            result.error = e.message();
        }
    } catch (const EBuildError& e) {
        result.status = TfrBuildResult::Status::Failed;
        result.error = text::document + u' ' + QFileInfo(m_report.fileName).fileName() + u'\r' + e.message();
    } catch (const Exception& e) {
        result.status = TfrBuildResult::Status::Failed;
        QString t = text::expressionError;
        TfrView* object = m_failed ? m_failedObject : m_state.currentObject;
        if (object)
            for (const QString& line : object->memo)
                t += u'\r' + line;
        t += QStringLiteral("\r\r") + text::document + u' ' + QFileInfo(m_report.fileName).fileName() + u'\r';
        if (object)
            t += text::object + u' ' + object->name() + u'\r';
        t += e.message();
        result.error = t;
    }
    if (result.status == TfrBuildResult::Status::Done && m_cancelled)
        result.status = TfrBuildResult::Status::Cancelled;
    if (result.status == TfrBuildResult::Status::Failed)
        m_pages.clear();
    result.pages = m_pages.count();
    return result;
}

void TBuilder::twoPassControl() {
    m_twoPasses = m_report.doublePassReport;
    auto startPass = [this] {
        m_state.terminated = false;
        m_appendMode = false;
        m_drawingDisabled = false;
        m_state.finalPass = true;
        setPageIndex(0);
        m_pages.clear();
    };
    if (m_twoPasses) {
        startPass();
        m_drawingDisabled = true;
        m_state.finalPass = false;
        m_firstOfTwo = true;
        m_printer.firstOfTwoPasses = true;
        buildPass(true, false);
        m_state.totalPages = m_pages.count();
        if (terminated()) {
            m_pages.clear();
            m_cancelled = true;
            return;
        }
        startPass();
        m_firstOfTwo = false;
        m_printer.firstOfTwoPasses = false;
        buildPass(false, true);
    } else {
        m_state.totalPages = 0;
        startPass();
        buildPass(true, true);
    }
}

void TBuilder::buildPass(bool firstPass, bool lastPass) {
    m_report.dictionary().clearCache();
    TfrDataset* reportData = m_report.reportType == TfrReportType::rtMultiple ? m_report.dataset() : nullptr;
    if (reportData) {
        reportData->init();
        reportData->first();
    }
    if (firstPass) {
        m_runs.clear();
        m_scripts.clear();
        m_bindings.clear();
        m_bandOf.clear();
        m_crossCell.clear();
        m_notified.clear();
        for (int i = 0; i < m_report.pages().count(); ++i) {
            auto run = std::make_unique<TPageRun>();
            run->page = m_report.pages().page(i);
            m_runs.push_back(std::move(run));
        }
        checkCycles();
        // Pages shown by sub-reports are not built on their own.
        for (auto& run : m_runs)
            for (const auto& v : run->page->objects())
                if (const auto* sub = dynamic_cast<const TfrSubReportView*>(v.get()))
                    if (sub->subPage >= 0 && sub->subPage < static_cast<int>(m_runs.size()))
                        m_runs[static_cast<std::size_t>(sub->subPage)]->skip = true;
        for (auto& run : m_runs)
            if (run->page->pageType != ptDialog)
                setUpBands(*run);
        for (auto& run : m_runs)
            if (run->page->pageType != ptDialog) {
                setPage(run.get());
                for (auto& band : run->bands)
                    m_bandOf[&band->expr] = band.get();
                bindFields(*run);
                preScan(*run);
            }
    } else {
        // The second of two passes keeps the bands: only Suppress memories and
        // the band datasets start again.
        m_printer.forgetAllPrinted();
        for (auto& run : m_runs)
            for (auto& band : run->bands)
                if (band->dataset)
                    band->dataset->first();
    }
    for (;;) {
        progress(m_pageIndex + 1);
        for (std::size_t i = 0; i < m_runs.size(); ++i) {
            TPageRun& run = *m_runs[i];
            setPage(&run);
            if (run.page->pageType == ptDialog)
                continue;
            if (!run.page->visible)
                runScript(run.script, nullptr);
            if (!run.skip && run.page->visible) {
                layoutPage();
                m_appendMode = false;
                if (i + 1 < m_runs.size() && m_runs[i + 1]->page->printToPrevPage &&
                    m_runs[i + 1]->page->pageType != ptDialog) {
                    m_appendMode = true;
                    setPageIndex(m_pageIndex - 1);
                }
                if (!m_appendMode) {
                    setPageIndex(m_pages.count());
                    progress(m_pageIndex);
                }
            }
            if (terminated())
                break;
        }
        progress(m_pageIndex);
        if (!reportData)
            break;
        reportData->next();
        if (terminated() || reportData->eof())
            break;
    }
    if (lastPass) {
        for (auto& run : m_runs)
            for (auto& band : run->bands)
                if (band->dataset)
                    band->dataset->exit();
    }
    if (reportData)
        reportData->exit();
}

void TBuilder::checkCycles() {
    // Sub-reports: a page may not show itself, directly or through others.
    const TfrPages& pages = m_report.pages();
    std::vector<int> state(static_cast<std::size_t>(pages.count()), 0); // 0 new, 1 on the path, 2 done
    std::function<void(int)> visit = [&](int p) {
        state[static_cast<std::size_t>(p)] = 1;
        for (const auto& v : pages.page(p)->objects()) {
            const auto* sub = dynamic_cast<const TfrSubReportView*>(v.get());
            if (!sub || sub->subPage < 0 || sub->subPage >= pages.count())
                continue;
            const int target = sub->subPage;
            if (state[static_cast<std::size_t>(target)] == 1)
                throw EBuildError(text::subReportCycle(sub->name()));
            if (state[static_cast<std::size_t>(target)] == 0)
                visit(target);
        }
        state[static_cast<std::size_t>(p)] = 2;
    };
    for (int p = 0; p < pages.count(); ++p)
        if (state[static_cast<std::size_t>(p)] == 0)
            visit(p);
}

void TBuilder::setDataset(TBand& band, const QString& dataText) {
    const QString t = dataText.trimmed();
    if (t.contains(u';') || t.isEmpty()) {
    } else if (t[0] >= u'1' && t[0] <= u'9') {
        qsizetype n = 0;
        while (n < t.size() && t[n].isDigit())
            ++n;
        bool ok = false;
        std::int64_t count = t.left(n).toLongLong(&ok);
        if (!ok || count > INT32_MAX)
            count = INT32_MAX;
        band.ownedDataset = std::make_unique<TfrVirtualDataset>(static_cast<std::int32_t>(count));
        band.dataset = band.ownedDataset.get();
    } else {
        band.dataset = m_report.dataRegistry().findDataset(t);
    }
    if (!band.dataset && band.type == btMasterData && m_report.reportType == TfrReportType::rtSimple)
        band.dataset = m_report.dataset();
    if (band.dataset) {
        band.dataset->init();
        m_buildState.setDataset(*band.view, band.dataset);
    }
}

void TBuilder::setUpBands(TPageRun& run) {
    TfrPage& page = *run.page;
    run.script = compile(page.script, page.name);
    std::unordered_set<TfrView*> placed;
    for (const auto& v : page.objects()) {
        if (auto* memo = dynamic_cast<TfrMemoView*>(v.get()); memo && !memo->highlightStr.isEmpty())
            TfrParser::convertToPostfix(memo->highlightStr); // a faulty condition shows here
        if (v->flag(frflags::WantHook))
            m_notified.push_back(v.get());
        if (v->objectType == gtBand)
            placed.insert(v.get());
        m_scripts[v.get()] = compile(v->script, v->name());
    }
    // Cross bands first: the objects lying across their width are their
    // cells and join the horizontal band they lie in as well.
    std::unordered_set<TfrView*> cells;
    for (int type : {btCrossHeader, btCrossData, btCrossFooter}) {
        for (const auto& v : page.objects()) {
            auto* bv = dynamic_cast<TfrBandView*>(v.get());
            if (!bv || bv->bandType() != type || run.first[static_cast<std::size_t>(type)])
                continue;
            auto band = std::make_unique<TBand>();
            TBand& b = *band;
            b.type = type;
            b.page = &run;
            b.view = bv;
            b.x = bv->left;
            b.width = bv->width;
            b.flags = bv->flags;
            b.script = m_scripts[bv];
            b.expr.type = type;
            b.expr.name = bv->name();
            if (!bv->dataSourceName().contains(u';'))
                setDataset(b, bv->dataSourceName());
            for (const auto& o : page.objects()) {
                TfrView* obj = o.get();
                if (placed.count(obj) || cells.count(obj) || obj->objectType == gtSubReport)
                    continue;
                if (obj->left >= b.x && obj->left + obj->width <= b.x + b.width) {
                    obj->left -= b.x;
                    m_crossCell[obj] = &b;
                    cells.insert(obj);
                }
            }
            run.first[static_cast<std::size_t>(type)] = &b;
            run.bands.push_back(std::move(band));
        }
    }
    // Horizontal bands in type order, template order within a type.
    for (int type = 0; type < frBandTypeCount; ++type) {
        if (type == btCrossHeader || type == btCrossData || type == btCrossFooter || type == btNone)
            continue;
        std::vector<TBand*> chain;
        for (const auto& v : page.objects()) {
            auto* bv = dynamic_cast<TfrBandView*>(v.get());
            if (!bv || bv->bandType() != type)
                continue;
            auto band = std::make_unique<TBand>();
            TBand& b = *band;
            b.type = type;
            b.page = &run;
            b.view = bv;
            b.y = bv->top;
            b.height = bv->height;
            b.flags = bv->flags;
            b.stretched = b.hasFlag(frflags::Stretched);
            const bool subPage = run.skip;
            b.newPageAfter = b.hasFlag(frflags::FormNewPage) && !subPage;
            b.printIfSubsetEmpty = b.hasFlag(frflags::PrintIfSubsetEmpty);
            b.maySplit = b.hasFlag(frflags::Breaked) && !subPage;
            b.printChildIfInvisible = b.hasFlag(frflags::PrintChildIfInvisible);
            b.script = m_scripts[bv];
            b.expr.type = type;
            b.expr.name = bv->name();
            if (type == btGroupHeader)
                b.condition = TfrParser::convertToPostfix(bv->groupCondition());
            else
                setDataset(b, bv->dataSourceName());
            for (const auto& o : page.objects()) {
                TfrView* obj = o.get();
                if (placed.count(obj) || obj->objectType == gtSubReport)
                    continue;
                if (obj->top >= b.y && obj->top <= b.y + b.height) {
                    placed.insert(obj);
                    obj->top -= b.y;
                    b.objects.push_back(obj);
                    if (cells.count(obj)) {
                        b.crossed = true;
                        b.expr.holdsCrossObjects = true;
                    }
                }
            }
            for (const auto& o : page.objects()) {
                TfrView* obj = o.get();
                if (placed.count(obj) || obj->objectType != gtSubReport)
                    continue;
                if (obj->top >= b.y && obj->top <= b.y + b.height) {
                    placed.insert(obj);
                    obj->top -= b.y;
                    b.objects.push_back(obj);
                }
            }
            chain.push_back(&b);
            run.bands.push_back(std::move(band));
        }
        std::stable_sort(chain.begin(), chain.end(), [](const TBand* a, const TBand* b) { return a->y < b->y; });
        for (std::size_t i = 0; i + 1 < chain.size(); ++i)
            chain[i]->next = chain[i + 1];
        run.first[static_cast<std::size_t>(type)] = chain.empty() ? nullptr : chain.front();
    }
    // Everything else prints where it stands.
    auto freeBand = std::make_unique<TBand>();
    freeBand->type = btNone;
    freeBand->page = &run;
    freeBand->expr.type = btNone;
    freeBand->stretched = false;
    for (const auto& o : page.objects())
        if (!placed.count(o.get()) && o->objectType != gtSubReport)
            freeBand->objects.push_back(o.get());
    run.first[btNone] = freeBand.get();
    run.bands.push_back(std::move(freeBand));
    linkBands(run);
    // "Band=dataset;..." in the cross data band names the datasets of the
    // horizontal bands' cross columns.
    if (TBand* crossData = run.band(btCrossData); crossData && crossData->view->dataSourceName().contains(u';')) {
        for (const QString& pair : crossData->view->dataSourceName().split(u';', Qt::SkipEmptyParts)) {
            const qsizetype eq = pair.indexOf(u'=');
            if (eq <= 0)
                continue;
            const QString name = pair.left(eq).trimmed();
            for (auto& b : run.bands)
                if (b->view && b->type >= btMasterHeader && b->type <= btChild &&
                    b->view->name().compare(name, Qt::CaseInsensitive) == 0)
                    b->crossDataset = m_report.dataRegistry().findDataset(pair.mid(eq + 1).trimmed());
        }
    }

    run.topLimit = page.printableTop();
    run.leftLimit = page.printableLeft();
    run.rightLimit = page.printableRight();
    const TBand* footer = run.band(btPageFooter);
    run.bottomAtStart = page.printableBottom(footer ? footer->height : 0);
    run.columnCount = std::max(1, page.columns);
    run.columnGap = page.columnGap;
    run.columnWidth = (run.rightLimit - run.leftLimit - (run.columnCount - 1) * run.columnGap) / run.columnCount;
    run.currentNo = 1;
}

void TBuilder::linkBands(TPageRun& run) {
    for (const auto& level : kLevels) {
        TBand* data = run.band(level[1]);
        for (TBand* h = run.band(level[0]); h; h = h->next)
            for (TBand* d = data; d; d = d->next)
                if (d->y > h->y + h->height) {
                    if (!d->header) {
                        d->header = h;
                        h->dataBand = d;
                    }
                    break;
                }
        for (TBand* f = run.band(level[2]); f; f = f->next) {
            TBand* target = nullptr;
            TBand* prev = nullptr;
            bool found = false;
            for (TBand* d = data; d; d = d->next) {
                if (d->y + d->height > f->y) {
                    target = prev;
                    found = true;
                    break;
                }
                prev = d;
            }
            if (!found)
                target = prev;
            if (target && !target->footer) {
                target->footer = f;
                f->dataBand = target;
            }
        }
    }
    // Group headers pair with footers from the inside out.
    std::vector<TBand*> headers, footers;
    for (TBand* g = run.band(btGroupHeader); g; g = g->next)
        headers.push_back(g);
    for (TBand* g = run.band(btGroupFooter); g; g = g->next)
        footers.push_back(g);
    for (std::size_t i = 0; i < headers.size() && i < footers.size(); ++i)
        headers[headers.size() - 1 - i]->footer = footers[i];
    // Child bands by name.
    for (auto& band : run.bands) {
        if (!band->view || band->view->childBand.trimmed().isEmpty())
            continue;
        const QString name = band->view->childBand.trimmed();
        for (auto& other : run.bands)
            if (other->view && other->view->name().compare(name, Qt::CaseInsensitive) == 0) {
                band->child = other.get();
                break;
            }
    }
    for (auto& band : run.bands) {
        std::unordered_set<const TBand*> seen{band.get()};
        for (const TBand* c = band->child; c; c = c->child)
            if (!seen.insert(c).second)
                throw EBuildError(text::childCycle(c->name()));
    }
    // Group headers attach to data bands.
    if (TBand* master = run.band(btMasterData)) {
        for (TBand* g = run.band(btGroupHeader); g; g = g->next) {
            TBand* target = master;
            const QString name = g->view->master.trimmed();
            if (!name.isEmpty())
                for (TBand* d = master; d; d = d->next)
                    if (d->view->name().compare(name, Qt::CaseInsensitive) == 0) {
                        target = d;
                        break;
                    }
            target->groups.push_back(g);
            g->dataBand = target;
        }
    }
}

void TBuilder::scanBand(TBand& band, TBand& target) {
    QStringList calls;
    const TfrVariables* variables = &m_report.dictionary().variables;
    TfrInterpretator::splitCode(band.script, fraggregates::names(), variables, calls);
    std::vector<TfrView*> objects = band.objects;
    if (band.type == btCrossHeader || band.type == btCrossData || band.type == btCrossFooter)
        for (const auto& [view, cross] : m_crossCell)
            if (cross == &band)
                objects.push_back(const_cast<TfrView*>(view));
    for (TfrView* o : objects) {
        calls << fraggregates::callsInLines(o->memo, variables);
        TfrInterpretator::splitCode(m_scripts[o], fraggregates::names(), variables, calls);
    }
    if (!calls.isEmpty())
        fraggregates::registerCalls(m_context, band.expr, target.expr, calls);
}

void TBuilder::preScan(TPageRun& run) {
    static const std::array<std::vector<int>, 3> scanned = {
        std::vector<int>{btPageFooter, btColumnFooter, btMasterFooter, btGroupFooter, btReportSummary},
        std::vector<int>{btPageFooter, btColumnFooter, btMasterFooter, btDetailFooter, btGroupFooter, btReportSummary},
        std::vector<int>{btPageFooter, btColumnFooter, btMasterFooter, btDetailFooter, btSubDetailFooter, btGroupFooter,
                         btReportSummary}};
    if (TBand* crossData = run.band(btCrossData))
        if (TBand* crossFooter = run.band(btCrossFooter))
            scanBand(*crossFooter, *crossData);
    for (std::size_t level = 0; level < kLevels.size(); ++level) {
        TBand* d = run.band(kLevels[level][1]);
        for (bool firstBand = true; d && (firstBand || d->dataset); d = d->next, firstBand = false)
            for (int type : scanned[level])
                for (TBand* f = run.band(type); f; f = f->next)
                    for (TBand* c = f; c; c = c->child)
                        scanBand(*c, *d);
    }
}

// ---------------------------------------------------------------------------
// Page sequencing

void TBuilder::setPage(TPageRun* run) {
    if (m_page) {
        m_page->currentNo = m_state.currentNo;
        m_page->cursorY = m_state.cursorY;
        m_page->bottom = m_state.bottomLimit;
    }
    m_page = run;
    if (run) {
        m_state.currentNo = run->currentNo;
        m_state.rightLimit = run->rightLimit;
        m_state.cursorY = run->cursorY;
        m_state.bottomLimit = run->bottom;
    }
}

void TBuilder::setPageIndex(int index) {
    m_pageIndex = index;
    m_state.pageNo = index + 1;
}

void TBuilder::addPage() {
    if (m_options.maxPages > 0 && m_pages.count() >= m_options.maxPages)
        throw EBuildError(text::pageLimit(m_options.maxPages));
    m_pages.add(*m_page->page);
}

bool TBuilder::cancelRequested() {
    if (!m_cancelled && m_options.progress && m_options.progress->cancelRequested())
        m_cancelled = true;
    return m_cancelled;
}

void TBuilder::pollCancel() {
    if (cancelRequested())
        m_state.terminated = true;
}

void TBuilder::progress(int n) {
    if (m_report.onProgress)
        m_report.onProgress(n);
    else if (m_options.progress)
        m_options.progress->pageStarted(n, m_twoPasses && !m_firstOfTwo ? m_state.totalPages : 0, m_firstOfTwo);
    pollCancel();
}

void TBuilder::layoutPage() {
    TPageRun& run = *m_page;
    if (!m_report.printIfEmpty) {
        bool empty = true;
        if (TBand* master = run.band(btMasterData); master && master->dataset) {
            try {
                master->dataset->first();
                empty = master->dataset->eof();
            } catch (const Exception&) {
                empty = true;
            }
        }
        if (empty) {
            if (m_appendMode)
                setPageIndex(m_pageIndex + 1);
            return;
        }
    }
    run.suppressRepeated = false;
    const bool normal = !run.recordMode;
    if (normal) {
        runScript(run.script, nullptr);
        if (m_appendMode && m_savedY == m_savedBottom) {
            m_appendMode = false;
            m_prevFooterPrinted = false;
            setPageIndex(m_pages.count());
        }
        bottom() = m_appendMode && m_prevFooterPrinted ? m_savedBottom : run.bottomAtStart;
        run.pageColumn = 0;
        run.columnOffset = run.leftLimit;
        run.columnsRestartY = run.topLimit;
        if (m_appendMode) {
            curY() = m_savedY;
        } else {
            addPage();
            curY() = run.topLimit;
            emitBand(run.band(btOverlay));
            emitBand(run.band(btNone));
        }
        if (!m_report.onManualBuild) {
            const int pagesBefore = m_pages.count();
            emitBand(run.band(btReportTitle));
            if (m_pages.count() == pagesBefore) {
                if (TBand* header = run.band(btPageHeader); exists(header) && header->hasFlag(frflags::OnFirstPage))
                    emitBand(header);
                emitBand(run.band(btColumnHeader));
            }
        }
    }
    if (!m_report.onManualBuild) {
        m_stack.clear();
        m_deepest = 0;
        for (int level = 3; level >= 1; --level)
            if (exists(run.band(kLevels[static_cast<std::size_t>(level - 1)][1]))) {
                m_deepest = level;
                break;
            }
        if (m_deepest > 0)
            runLevel(1);
    }
    if (!normal)
        return;
    if (m_report.onManualBuild) {
        m_report.onManualBuild(*run.page);
    } else {
        run.suppressRepeated = true;
        emitBand(run.band(btColumnFooter));
        TBand* columnFooter = run.band(btColumnFooter);
        {
            std::int32_t dummy = 0;
            TRestore<std::int32_t> zero(columnFooter ? columnFooter->height : dummy, 0);
            emitBand(run.band(btReportSummary));
        }
        run.suppressRepeated = false;
    }
    m_savedY = run.pageColumn != 0 ? run.bottomAtStart : curY();
    m_savedBottom = bottom();
    run.pageColumn = 0;
    run.columnOffset = run.leftLimit;
    const int index = m_pageIndex;
    TBand* footer = run.band(btPageFooter);
    if (!m_report.onManualBuild && exists(footer) &&
        ((m_pageIndex == 0 && footer->hasFlag(frflags::OnFirstPage)) || footer->hasFlag(frflags::OnLastPage))) {
        TRestore<std::uint16_t> flags(footer->flags, footer->flags | frflags::OnFirstPage);
        m_prevFooterPrinted = true;
        finishPages();
    } else {
        m_prevFooterPrinted = false;
        if (m_report.onEndPage)
            m_report.onEndPage(index);
    }
    setPageIndex(index + 1);
    run.lastPrinted = nullptr;
}

void TBuilder::resetLineNo(TBand& band, std::int32_t value) {
    band.expr.lineNo = value;
    for (TfrView* o : band.objects)
        m_printer.forgetLastPrinted(*o);
}

TVariant TBuilder::groupValue(TBand& group) {
    TRestore<TfrExprBand*> current(m_state.currentBand, &group.expr);
    m_state.currentObject = group.view;
    return m_context.evaluatePostfix(group.condition);
}

void TBuilder::runLevel(int level) {
    TPageRun& run = *m_page;
    for (TBand* b = run.band(kLevels[static_cast<std::size_t>(level - 1)][1]); b; b = b->next) {
        if (!b->dataset)
            continue;
        TfrDataset& ds = *b->dataset;
        ds.first();
        if (run.recordMode) {
            run.records.push_back({b, TPageRun::Action::First});
        } else {
            resetLineNo(*b, 1);
            b->expr.lineThrough = 1;
        }
        for (TBand* g : b->groups) {
            resetLineNo(*g, 0);
            g->expr.lineThrough = 0;
        }
        if (ds.eof())
            continue;
        if (b->header)
            m_stack.push_back(b->header);
        for (TBand* g : b->groups) {
            m_stack.push_back(g);
            ++g->expr.lineNo;
            ++g->expr.lineThrough;
        }
        if (b->footer)
            resetAggregates(*b->footer);
        while (!ds.eof() && !terminated()) {
            m_stack.push_back(b);
            if (b->printIfSubsetEmpty)
                showStack();
            bool printed = true;
            if (level < m_deepest) {
                runLevel(level + 1);
                if (!m_stack.empty()) {
                    if (b->printIfSubsetEmpty) {
                        showStack();
                    } else {
                        m_stack.pop_back();
                        printed = false;
                    }
                }
            } else {
                showStack();
            }
            ds.next();
            for (std::size_t i = 0; i < b->groups.size(); ++i) {
                TBand& g = *b->groups[i];
                const bool atEnd = ds.eof();
                bool changed = atEnd || g.lastGroupValue.isEmpty();
                if (!changed)
                    changed = !(groupValue(g) == g.lastGroupValue);
                if (!changed)
                    continue;
                bool steppedBack = false;
                if (!atEnd) {
                    try {
                        ds.prior();
                        steppedBack = true;
                    } catch (const Exception&) {
                    }
                }
                for (std::size_t j = b->groups.size(); j-- > i;) {
                    TBand& inner = *b->groups[j];
                    if (j > i) {
                        resetLineNo(inner, 0);
                        if (inner.footer)
                            resetLineNo(*inner.footer, 0);
                    }
                    if (inner.footer)
                        m_stack.push_back(inner.footer);
                }
                showStack();
                if (atEnd)
                    break;
                if (steppedBack)
                    ds.next();
                if (g.newPageAfter && g.visible())
                    startNewPage();
                for (std::size_t j = i; j < b->groups.size(); ++j) {
                    m_stack.push_back(b->groups[j]);
                    ++b->groups[j]->expr.lineNo;
                    ++b->groups[j]->expr.lineThrough;
                }
                resetLineNo(*b, 0);
                break;
            }
            if (run.recordMode) {
                run.records.push_back({b, TPageRun::Action::Next});
            } else if (printed) {
                ++b->expr.lineNo;
                ++b->expr.lineThrough;
                ++m_state.currentNo;
                if (!ds.eof() && b->newPageAfter && b->visible())
                    startNewPage();
            }
        }
        if (!m_stack.empty())
            m_stack.pop_back();
        else
            emitBand(b->footer);
    }
}

void TBuilder::showStack() {
    std::vector<TBand*> bands;
    bands.swap(m_stack);
    for (TBand* b : bands)
        emitBand(b);
}

void TBuilder::emitBand(TBand* band) {
    if (!exists(band))
        return;
    if (m_page->recordMode)
        m_page->records.push_back({band, TPageRun::Action::Show});
    else
        render(*band);
}

void TBuilder::emitBandByName(const QString& name) {
    if (!m_page || name.isEmpty())
        return;
    for (TBand* type : m_page->first)
        for (TBand* b = type; b; b = b->next)
            if (b->view && b->view->name().compare(name, Qt::CaseInsensitive) == 0) {
                TfrView* object = m_state.currentObject;
                TfrExprBand* band = m_state.currentBand;
                render(*b);
                m_state.currentObject = object;
                m_state.currentBand = band;
                return;
            }
}

void TBuilder::startNewPage() {
    TPageRun& run = *m_page;
    if (run.skip)
        return;
    progress(m_pageIndex + 2);
    if (!run.suppressRepeated)
        emitBand(run.band(btColumnFooter));
    finishPages();
    bottom() = run.bottomAtStart;
    addPage();
    m_appendMode = false;
    emitBand(run.band(btOverlay));
    curY() = run.topLimit;
    emitBand(run.band(btPageHeader));
    emitBand(run.band(btColumnHeader));
}

void TBuilder::finishPages() {
    TPageRun& run = *m_page;
    run.pageColumn = 0;
    run.columnOffset = run.leftLimit;
    TBand* footer = run.band(btPageFooter);
    if (m_pageIndex != 0 || (footer && footer->hasFlag(frflags::OnFirstPage))) {
        for (int i = m_pageIndex; i < m_pages.count(); ++i) {
            setPageIndex(i);
            if (!(m_appendMode && m_prevFooterPrinted)) {
                if (m_report.onEndPage)
                    m_report.onEndPage(i);
                emitBand(footer);
            }
        }
    }
    setPageIndex(m_pages.count());
}

void TBuilder::startNewColumn(TBand& band) {
    TPageRun& run = *m_page;
    if (run.skip)
        return; // a sub-report continues on the parent's next page instead
    if (run.pageColumn < run.columnCount - 1) {
        emitBand(run.band(btColumnFooter));
        ++run.pageColumn;
        run.columnOffset += run.columnWidth + run.columnGap;
        curY() = run.columnsRestartY;
        emitBand(run.band(btColumnHeader));
    } else {
        startNewPage();
    }
    for (TBand* g = run.band(btGroupHeader); g && g != &band; g = g->next) {
        if (g->hasFlag(frflags::RepeatHeader) && !run.suppressRepeated) {
            TRestore<bool> keep(g->suppressReset, true);
            emitBand(g);
        }
    }
    if (isDataType(band.type) && band.header && band.header->hasFlag(frflags::RepeatHeader))
        emitBand(band.header);
}

bool TBuilder::breakIfNoRoom(TBand& band, std::int32_t y, std::int32_t height, bool probe) {
    if (band.type == btColumnFooter)
        return false;
    const TBand* footer = m_page->band(btColumnFooter);
    const std::int64_t need = std::int64_t(y) + height + (exists(footer) ? footer->height : 0);
    if (bottom() >= need)
        return false;
    if (!probe)
        startNewColumn(band);
    return true;
}

// ---------------------------------------------------------------------------
// Band rendering

void TBuilder::setCounters(TBand& band) {
    if (!band.dataset && !isPositioned(band.type) && m_page) {
        const TBand* first = m_page->band(band.type);
        if (first && first != &band && band.type != btChild) {
            band.expr.lineNo = first->expr.lineNo;
            band.expr.lineThrough = first->expr.lineThrough;
        }
    }
    band.expr.visible = band.visible();
    m_state.currentBand = &band.expr;
}

void TBuilder::accumulate(TBand& band) {
    TRestore<TfrExprBand*> current(m_state.currentBand, &band.expr);
    band.expr.visible = band.visible();
    fraggregates::accumulate(m_context, band.expr);
}

void TBuilder::resetAggregates(TBand& band) {
    fraggregates::reset(band.expr);
    if (band.type == btGroupHeader) {
        for (TBand* g = &band; g; g = g->next)
            g->lastGroupValue = groupValue(*g);
    }
}

bool TBuilder::render(TBand& band) {
    TRenderMark mark(m_rendering, band);
    if (m_options.maxBandPrints > 0 && ++m_bandPrints > m_options.maxBandPrints)
        throw EBuildError(text::bandLimit(m_options.maxBandPrints));
    // Bands rendered inside this one (headers of a new page, child bands,
    // SHOWBAND) leave the current band and object as they found them.
    TRestore<TfrExprBand*> outerBand(m_state.currentBand, m_state.currentBand);
    TRestore<TfrView*> outerObject(m_state.currentObject, m_state.currentObject);
    TPageRun& run = *m_page;
    m_state.currentObject = band.view;
    setCounters(band);
    band.calcHeight = -1;
    band.expr.pendingPageBreaks = band.expr.pendingColumnBreaks = 0;
    band.expr.cursorYAfterBreaks = false;
    if (m_report.onBeginBand && band.view)
        m_report.onBeginBand(*band.view);
    if (TBand* last = run.lastPrinted; last && last != &band && last->exists() && last->bandColumn > 1) {
        run.columnOffset = last->savedOffset;
        curY() += last->height;
        last->bandColumn = 1;
    }
    if (!band.skipScriptOnce)
        runScript(band.script, band.view);
    band.skipScriptOnce = false;
    m_state.currentObject = band.view;
    m_state.currentBand = &band.expr;
    const std::int32_t scriptY = curY();
    if (terminated())
        return false;
    const bool hadBreaks = band.expr.pendingPageBreaks > 0 || band.expr.pendingColumnBreaks > 0;
    for (; band.expr.pendingPageBreaks > 0; --band.expr.pendingPageBreaks) {
        run.pageColumn = run.columnCount - 1;
        startNewColumn(band);
    }
    for (; band.expr.pendingColumnBreaks > 0; --band.expr.pendingColumnBreaks)
        startNewColumn(band);
    if (hadBreaks && band.expr.cursorYAfterBreaks)
        curY() = scriptY;
    setCounters(band);

    TRestore<bool> maySplit(band.maySplit, band.maySplit);
    bool result = false;
    if (band.visible()) {
        if (band.type == btColumnHeader)
            run.columnsRestartY = curY();
        if (band.type == btPageFooter)
            band.y = bottom();
        if (band.exists()) {
            band.calcHeight = std::max(band.calcHeight, band.height);
            if (band.type != btPageFooter && band.type != btOverlay && band.type != btColumnFooter &&
                band.type != btNone) {
                const std::int32_t h = measureHeight(band);
                if (curY() + h > bottom() && !band.maySplit) {
                    if (bottom() - run.topLimit >= h || curY() != run.topLimit) {
                        // The parent of a sub-report continues on its next page
                        // and plays this band again.
                        if (run.skip)
                            return true;
                        breakIfNoRoom(band, 0, 10000, false);
                        result = true;
                        // Headers repeated on the new page may leave too little
                        // room for it ever to fit whole: split it there.
                        if (curY() + h > bottom())
                            band.maySplit = true;
                    } else {
                        band.maySplit = true;
                    }
                }
            }
            if (isDataType(band.type) && band.dataset && band.next && !band.next->dataset) {
                renderBody(band);
                for (TBand* b = band.next; b && !b->dataset; b = b->next)
                    if (b->visible()) {
                        setCounters(*b);
                        renderBody(*b);
                    }
                setCounters(band);
            } else {
                renderBody(band);
                if (band.child)
                    render(*band.child);
                if (!isDataType(band.type) && band.type != btGroupHeader && band.newPageAfter && band.visible())
                    startNewPage();
            }
        }
    } else {
        if (band.child && band.printChildIfInvisible)
            render(*band.child);
        if (isDataType(band.type))
            accumulate(band);
    }
    if (!band.suppressReset) {
        if (band.type != btPageFooter || m_pageIndex >= m_pages.count() - 1)
            resetAggregates(band);
    }
    if (m_report.onEndBand && band.view)
        m_report.onEndBand(*band.view);
    pollCancel();
    return result;
}

std::int32_t TBuilder::measureOne(TBand& band) {
    std::int32_t h = band.height;
    if (band.stretched) {
        for (TfrView* o : band.objects) {
            if (!dynamic_cast<TfrStretcheable*>(o))
                continue;
            m_state.currentBand = &band.expr;
            m_state.currentObject = o;
            try {
                h = std::max(h, o->top + m_printer.calcHeight(*o));
            } catch (...) {
                noteFailure(o);
                throw;
            }
        }
        m_state.currentObject = band.view;
    }
    band.calcHeight = std::max(band.calcHeight, h);
    return h;
}

std::int32_t TBuilder::measureHeight(TBand& band) {
    if (isDataType(band.type) && band.dataset && band.next && !band.next->dataset) {
        std::int64_t sum = measureOne(band);
        for (TBand* b = band.next; b && !b->dataset; b = b->next)
            if (b->visible())
                sum += measureOne(*b);
        return static_cast<std::int32_t>(std::min<std::int64_t>(sum, INT32_MAX / 4));
    }
    return measureOne(band);
}

void TBuilder::renderBody(TBand& band) {
    if (!band.exists())
        return;
    TPageRun& run = *m_page;
    const std::int32_t designY = band.y;
    const bool positioned = isPositioned(band.type);
    if (!positioned)
        band.y = curY();
    if (band.stretched) {
        const std::int32_t h = std::max(band.calcHeight, band.height);
        std::vector<std::pair<TfrView*, std::int32_t>> heights;
        for (TfrView* o : band.objects)
            if (o->stretched() && o->height > 0) {
                heights.emplace_back(o, o->height);
                o->height = h - o->top;
            }
        band.splitHeight = h;
        if (!band.maySplit && !positioned) {
            breakIfNoRoom(band, band.y, h, false);
            band.y = curY();
        }
        if (band.maySplit) {
            renderSplit(band);
        } else {
            const bool moved = renderObjects(band);
            if (band.crossed && band.type != btPageFooter)
                renderCrossRow(band);
            if (!moved && !positioned)
                curY() += h;
        }
        for (auto& [o, height] : heights)
            o->height = height;
    } else {
        if (!positioned && !band.maySplit) {
            breakIfNoRoom(band, curY(), band.height, false);
            band.y = curY();
        }
        if (band.maySplit) {
            band.splitHeight = std::max(band.calcHeight, band.height);
            renderSplit(band);
        } else {
            const bool moved = renderObjects(band);
            if (band.crossed && band.type != btPageFooter)
                renderCrossRow(band);
            if (!moved && !positioned)
                curY() += band.height;
        }
    }
    if (run.lastPrinted != &band)
        band.bandColumn = 1;
    run.lastPrinted = &band;
    if (band.view && band.view->columns > 1 && band.view->newColumnAfter == 1) {
        if (band.bandColumn == 1)
            band.savedOffset = run.columnOffset;
        ++band.bandColumn;
        if (band.bandColumn > band.view->columns) {
            run.columnOffset = band.savedOffset;
            band.bandColumn = 1;
        } else {
            run.columnOffset = (band.view->columnWidth + band.view->columnGap) * (band.bandColumn - 1) + band.savedOffset;
            curY() -= std::max(band.calcHeight, band.height);
        }
    }
    band.y = designY;
    if (isDataType(band.type))
        accumulate(band);
}

bool TBuilder::renderObjects(TBand& band) {
    for (std::size_t i = 0; i < band.objects.size(); ++i) {
        if (terminated())
            break;
        TfrView& o = *band.objects[i];
        if (o.objectType == gtSubReport) {
            if (o.visible)
                return runSubReports(band, i);
            continue;
        }
        if (band.crossed && m_crossCell.count(&o))
            continue; // printed with its cross band's columns
        renderObject(band, o);
    }
    return false;
}

bool TBuilder::runSubReports(TBand& band, std::size_t from) {
    TPageRun& parent = *m_page;
    // Recording runs the sub-report pages' data loops inside the parent's.
    TRestore<int> deepest(m_deepest, m_deepest);
    TRestore<std::vector<TBand*>> stack(m_stack, {});
    band.subPages.clear();
    band.subFinished.clear();
    for (std::size_t i = from; i < band.objects.size(); ++i) {
        const auto* sub = dynamic_cast<const TfrSubReportView*>(band.objects[i]);
        if (!sub || !sub->visible || sub->subPage < 0 || sub->subPage >= static_cast<int>(m_runs.size()))
            continue;
        TPageRun& page = *m_runs[static_cast<std::size_t>(sub->subPage)];
        page.records.clear();
        page.playPos = 0;
        page.continueBand = nullptr;
        page.recordMode = true;
        setPage(&page);
        try {
            layoutPage();
        } catch (...) {
            page.recordMode = false;
            setPage(&parent);
            throw;
        }
        page.recordMode = false;
        setPage(&parent);
        page.cursorY = sub->top + band.y;
        page.bottom = bottom();
        page.columnOffset = parent.columnOffset + sub->left;
        page.leftLimit = parent.leftLimit;
        page.topLimit = parent.topLimit;
        page.rightLimit = parent.rightLimit;
        page.columnCount = 1;
        page.pageColumn = 0;
        band.subPages.push_back(&page);
        band.subFinished.push_back(false);
    }
    parent.continueBand = nullptr;
    const std::int32_t startY = curY();
    const int pagesBefore = m_pages.count();
    const bool finished = playSubReports(band);
    if (!finished)
        return true; // the grandparent continues this band on its next page
    for (TPageRun* page : band.subPages)
        page->records.clear();
    band.subPages.clear();
    band.subFinished.clear();
    if (m_pages.count() == pagesBefore)
        curY() = std::max(curY(), startY + band.height);
    return true;
}

// Plays the band's sub-reports until all finished; false when the band is the
// body of a sub-report itself and has to continue on the grandparent's next page.
bool TBuilder::playSubReports(TBand& band) {
    TPageRun& parent = *m_page;
    bool firstCycle = true;
    for (;;) {
        if (!firstCycle)
            for (TPageRun* page : band.subPages) {
                page->cursorY = curY();
                page->bottom = bottom();
            }
        firstCycle = false;
        bool all = true;
        std::int32_t lowest = curY();
        for (std::size_t i = 0; i < band.subPages.size(); ++i) {
            if (band.subFinished[i])
                continue;
            TPageRun& page = *band.subPages[i];
            if (play(page)) {
                all = false;
            } else {
                band.subFinished[i] = true;
            }
            lowest = std::max(lowest, page.cursorY);
        }
        if (all) {
            curY() += std::max(std::max(band.calcHeight, band.height), lowest - curY());
            parent.continueBand = nullptr;
            return true;
        }
        if (parent.skip) {
            parent.continueBand = &band;
            return false;
        }
        band.skipScriptOnce = true;
        const int pagesBefore = m_pages.count();
        startNewPage();
        if (terminated())
            return true;
        if (m_pages.count() == pagesBefore)
            throw EBuildError(text::neverFits(band.name()));
    }
}

bool TBuilder::play(TPageRun& sub) {
    TPageRun* parent = m_page;
    setPage(&sub);
    bool stopped = false;
    try {
        while (sub.playPos < sub.records.size() && !terminated()) {
            const TPageRun::Entry& e = sub.records[sub.playPos];
            switch (e.action) {
            case TPageRun::Action::Show:
                if (sub.continueBand) {
                    if (!playSubReports(*sub.continueBand))
                        stopped = true;
                } else if (render(*e.band)) {
                    stopped = true;
                }
                break;
            case TPageRun::Action::First:
                e.band->dataset->first();
                resetLineNo(*e.band, 1);
                break;
            case TPageRun::Action::Next:
                e.band->dataset->next();
                ++e.band->expr.lineNo;
                ++e.band->expr.lineThrough;
                ++m_state.currentNo;
                break;
            }
            if (stopped)
                break;
            ++sub.playPos;
        }
    } catch (...) {
        setPage(parent);
        throw;
    }
    setPage(parent);
    return stopped;
}

void TBuilder::renderObject(TBand& band, TfrView& view) {
    printObjectAt(band, view, m_page->columnOffset - m_page->leftLimit, band.y);
}

void TBuilder::printObjectAt(TBand& band, TfrView& view, std::int32_t dx, std::int32_t dy) {
    m_state.currentBand = &band.expr;
    m_state.currentObject = &view;
    if (!m_drawingDisabled || band.maySplit) {
        const std::int32_t left = view.left, top = view.top;
        view.left += dx;
        view.top += dy;
        if (view.bandAlign == baBottom)
            view.top = band.y + std::max(band.calcHeight, band.height) - view.height;
        else if (view.bandAlign == baTop)
            view.top = band.y;
        try {
            printObject(view);
        } catch (...) {
            noteFailure(&view);
            view.left = left;
            view.top = top;
            throw;
        }
        view.left = left;
        view.top = top;
        if (auto* memo = dynamic_cast<TfrMemoView*>(&view))
            for (TfrView* listener : m_notified)
                listener->memoPrinted(*memo);
    } else {
        auto* memo = dynamic_cast<TfrMemoView*>(&view);
        if (memo && m_printer.drawMode(view) != TfrDrawMode::Whole)
            m_printer.setDrawMode(view, TfrDrawMode::Whole);
        else
            runObjectScript(view);
    }
}

void TBuilder::printCells(TBand& cross, TBand& band, std::int32_t x) {
    cross.expr.lineNo = band.expr.lineNo;
    cross.expr.lineThrough = band.expr.lineThrough;
    if (cross.type == btCrossData)
        cross.expr.aggregateBand = &band.expr;
    for (TfrView* o : band.objects) {
        if (terminated())
            break;
        const auto it = m_crossCell.find(o);
        if (it == m_crossCell.end() || it->second != &cross)
            continue;
        // Cross cells stand at the column's x and the horizontal band's y.
        printObjectAt(cross, *o, x, band.y);
    }
}

void TBuilder::makeColumnRoom(TBand& band, std::int32_t& x, std::int32_t width, int rowPage) {
    TPageRun& run = *m_page;
    if (std::int64_t(x) + width <= run.rightLimit || x <= run.leftLimit)
        return;
    // The row goes on on the next prepared page at the same height.
    x = run.leftLimit;
    setPageIndex(m_pageIndex + 1);
    if (m_pageIndex >= m_pages.count()) {
        addPage();
        emitBand(run.band(btOverlay));
        TBand* header = run.band(btPageHeader);
        if (exists(header) && (rowPage > 0 || header->hasFlag(frflags::OnFirstPage))) {
            TRestore<std::int32_t> top(curY(), run.topLimit);
            emitBand(header);
        }
        progress(m_pageIndex + 1);
    }
    if (TBand* crossHeader = run.band(btCrossHeader); exists(crossHeader) && crossHeader->hasFlag(frflags::RepeatHeader)) {
        printCells(*crossHeader, band, x);
        x += crossHeader->width;
    }
}

void TBuilder::renderCrossRow(TBand& band) {
    TPageRun& run = *m_page;
    const int rowPage = m_pageIndex;
    m_state.columnNo = 1;
    std::int32_t x = 0;
    if (m_report.onBeginColumn && band.view)
        m_report.onBeginColumn(*band.view);
    if (TBand* header = run.band(btCrossHeader); exists(header)) {
        runScript(header->script, header->view);
        printCells(*header, band, header->x);
        x = header->x + header->width;
    }
    if (TBand* data = run.band(btCrossData); exists(data)) {
        if (x == 0)
            x = data->x;
        TfrDataset* ds = data->dataset ? data->dataset : band.crossDataset;
        std::unique_ptr<TfrDataset> padding;
        if (ds) {
            ds->first();
            if (band.type == btMasterFooter && ds->eof()) {
                padding = std::make_unique<TfrVirtualDataset>(run.maxCrossColumns);
                ds = padding.get();
                ds->first();
            }
        }
        int columns = 0;
        while (ds && !ds->eof() && !terminated()) {
            m_state.currentObject = data->view;
            std::int32_t width = data->width;
            if (m_report.onPrintColumn)
                m_report.onPrintColumn(m_state.columnNo, width);
            runScript(data->script, data->view);
            makeColumnRoom(band, x, width, rowPage);
            printCells(*data, band, x);
            accumulate(*data);
            if (isDataType(band.type))
                accumulate(band);
            x += width;
            ++m_state.columnNo;
            ++columns;
            ds->next();
        }
        run.maxCrossColumns = std::max(run.maxCrossColumns, columns);
    }
    if (TBand* footer = run.band(btCrossFooter); exists(footer)) {
        if (x == 0)
            x = footer->x;
        runScript(footer->script, footer->view);
        makeColumnRoom(band, x, footer->width, rowPage);
        printCells(*footer, band, x);
        resetAggregates(*footer);
    }
    setPageIndex(rowPage);
}

void TBuilder::printObject(TfrView& view) {
    if (auto* memo = dynamic_cast<TfrMemoView*>(&view)) {
        m_printer.print(*memo, m_pages, m_pageIndex);
        return;
    }
    m_printer.setDrawMode(view, TfrDrawMode::Whole);
    if (const auto it = m_bindings.find(&view); it != m_bindings.end()) {
        if (TfrTableSource* table = it->second.table.get()) {
            const int field = table->fieldIndex(it->second.field);
            if (field >= 0)
                view.getBlob(*table, field);
        }
    }
    if (m_report.onBeforePrint)
        m_report.onBeforePrint(view);
    runObjectScript(view);
    m_state.currentObject = &view;
    if (!view.visible)
        return;
    const QString tag = view.tag;
    if (tag.contains(u'['))
        view.tag = frmemo::expandText(m_context, tag, nullptr);
    try {
        m_pages.appendObject(m_pageIndex, view);
    } catch (...) {
        view.tag = tag;
        throw;
    }
    view.tag = tag;
}

void TBuilder::renderSplit(TBand& band) {
    struct Item {
        TfrView* view;
        QRect design;
        bool toPrint = true;
        bool fullLater = false;
    };
    std::vector<Item> items;
    for (TfrView* o : band.objects) {
        if (o->objectType == gtSubReport)
            continue;
        items.push_back({o, QRect(o->left, o->top, o->width, o->height)});
        if (auto* memo = dynamic_cast<TfrMemoView*>(o); memo && !frIsLaidOut(memo->memo1))
            m_printer.requestExpansion(*o);
        if (o->bandAlign == baBottom)
            o->top = band.splitHeight - o->height;
    }
    auto moveBelow = [&](const TfrView& o, std::int32_t by) {
        if (by == 0)
            return;
        for (Item& it : items)
            if (it.toPrint && it.view != &o && it.view->top >= o.top + o.height && it.view->left >= o.left &&
                it.view->left <= o.left + o.width)
                it.view->top += by;
    };
    const TBand* columnFooter = m_page->band(btColumnFooter);
    if (breakIfNoRoom(band, band.y, band.splitHeight, true)) {
        std::int32_t lastBottom = 0;
        std::int64_t lastRemaining = INT64_MAX;
        int stalled = 0;
        while (!terminated()) {
            const std::int32_t avail =
                bottom() - (exists(columnFooter) ? columnFooter->height : 0) - band.y - 2;
            if (avail <= 0) {
                if (band.y <= m_page->topLimit)
                    throw EBuildError(text::neverFits(band.name()));
                breakIfNoRoom(band, band.y, 10000, false);
                band.y = curY();
                if (++stalled > kMaxStalledPortions)
                    throw EBuildError(text::neverFits(band.name()));
                continue;
            }
            lastBottom = 0;
            for (Item& it : items) {
                if (!it.toPrint)
                    continue;
                TfrView& o = *it.view;
                const bool stretchable = dynamic_cast<TfrStretcheable*>(&o) != nullptr;
                if (o.top >= 0 && o.top < avail) {
                    if (o.top + o.height < avail) {
                        renderObject(band, o);
                        it.toPrint = false;
                        lastBottom = std::max(lastBottom, o.top + o.height);
                    } else if (stretchable) {
                        const std::int32_t saved = o.height;
                        o.height = avail - o.top + 1;
                        const std::int32_t r = m_printer.remainHeight(o, o.height);
                        if (o.height >= m_printer.minHeight(o)) {
                            m_printer.setDrawMode(o, TfrDrawMode::Part);
                            renderObject(band, o);
                        }
                        o.height = saved;
                        moveBelow(o, r);
                        o.height += r;
                    } else {
                        o.top = avail;
                    }
                } else if (o.top < 0 && o.top + o.height >= 0) {
                    if (o.top + o.height < avail) {
                        if (o.stretched()) {
                            it.fullLater = true;
                        } else {
                            o.height = o.top + o.height;
                            o.top = 0;
                            m_printer.setDrawMode(o, TfrDrawMode::Part);
                            renderObject(band, o);
                        }
                        it.toPrint = false;
                        lastBottom = std::max(lastBottom, std::max(0, o.top + o.height));
                    } else {
                        const std::int32_t top = o.top, height = o.height;
                        o.top = 0;
                        o.height = avail;
                        const std::int32_t r = m_printer.remainHeight(o, avail);
                        m_printer.setDrawMode(o, TfrDrawMode::Part);
                        renderObject(band, o);
                        o.top = top;
                        o.height = height;
                        moveBelow(o, r);
                        o.height += r;
                    }
                }
            }
            std::int64_t remaining = 0;
            bool left = false;
            for (Item& it : items)
                if (it.toPrint) {
                    it.view->top -= avail;
                    remaining = std::max<std::int64_t>(remaining, std::int64_t(it.view->top) + it.view->height);
                    left = true;
                }
            if (!left)
                break;
            // Each portion must move something up; one that cannot stops here.
            stalled = remaining >= lastRemaining ? stalled + 1 : 0;
            if (stalled > kMaxStalledPortions)
                throw EBuildError(text::neverFits(band.name()));
            lastRemaining = remaining;
            breakIfNoRoom(band, band.y, 10000, false);
            band.y = curY();
        }
        band.splitHeight = lastBottom;
    } else {
        renderObjects(band);
    }
    for (Item& it : items)
        if (it.fullLater) {
            it.view->top = 0;
            it.view->height = band.splitHeight;
            m_printer.setDrawMode(*it.view, TfrDrawMode::Part);
            renderObject(band, *it.view);
        }
    for (Item& it : items) {
        it.view->left = it.design.x();
        it.view->top = it.design.y();
        it.view->width = it.design.width();
        it.view->height = it.design.height();
    }
    curY() += band.splitHeight;
}

} // namespace

QString frProgressLine(int page, int total, bool firstOfTwo) {
    const QString prefix =
        firstOfTwo ? QStringLiteral("Выполняется 1-й проход:") : QStringLiteral("Формируется страница:");
    QString line = prefix + QStringLiteral("  ") + QString::number(page);
    if (total > 0)
        line += QStringLiteral(" из ") + QString::number(total);
    return line;
}

QString frProgressCaption(const TfrReport& report) {
    QString caption = QStringLiteral("Подготовка отчета");
    if (!report.title.isEmpty())
        caption += QStringLiteral(" - ") + report.title;
    return caption;
}

TfrBuildResult frBuildReport(TfrReport& report, const TfrBuildOptions& options) {
    // Building works on the template objects themselves (band-local positions,
    // script effects); the template comes back from this copy afterwards.
    const QByteArray snapshot = report.saveToStream();
    TfrBuildResult result;
    {
        TBuilder builder(report, options);
        if (report.onBeginDoc)
            report.onBeginDoc();
        result = builder.run();
        if (report.onEndDoc)
            report.onEndDoc();
    }
    const TfrLoadResult restored = report.loadFromStream(snapshot);
    if (!restored.ok() && result.status != TfrBuildResult::Status::Failed) {
        result.status = TfrBuildResult::Status::Failed;
        result.error = restored.messages.join(u'\r');
    }
    if (result.status == TfrBuildResult::Status::Failed && options.showError)
        report.engine().interaction().messageBox(result.error, TUserInteraction::errorTitle(),
                                                 TUserInteraction::ErrorIcon, TUserInteraction::Ok);
    return result;
}

void installReportBuilder(TfrEngine& engine) {
    engine.prepareReportHook = [](TfrReport& report) { return frBuildReport(report).ok(); };
}
