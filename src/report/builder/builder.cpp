#include "report/builder/builderimpl.h"

#include "report/builder/preparedpages.h"
#include "report/render/textmeasure.h"
#include "report/expr/aggregates.h"
#include "report/expr/memotext.h"
#include "report/model/engine.h"

#include <QDateTime>
#include <QFileInfo>

#include <functional>

namespace frbuild {

TBuilder::TBuilder(TfrReport& report, TfrEMFPages& pages, const TfrBuildOptions& options,
                   const TfrReportEvents* master)
    : m_report(report), m_options(options), m_pages(pages), m_scope(report, m_buildState),
      m_context(report, &m_state), m_interpreter(m_context),
      m_measurer(options.measurer ? *options.measurer : frTextMeasurer(report.engine())),
      m_print(m_buildState, m_measurer), m_master(master) {
    setUpPrintContext();
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
    m_buildState.calcHeight = [this](TfrView& view) { return frObjectBuilder(view).contentHeight(view, m_print); };
    // Bare field names belong to the table of the data band being built.
    report.dictionary().defaultTableProvider = [this] { return defaultTable(); };
}
TBuilder::~TBuilder() { m_report.dictionary().defaultTableProvider = nullptr; }

void TBuilder::setUpPrintContext() {
    TfrPrintContext& c = m_print;
    c.expandLine = [this](const QString& line, TfrView& view) {
        return frmemo::expandText(m_context, line, frCast<TfrMemoView>(&view));
    };
    c.expandBracket = [this](const QString& bracket, TfrView& view) {
        m_state.currentObject = &view;
        return frmemo::evaluateBracket(m_context, bracket, &view);
    };
    c.expandTag = [this](const QString& tag, TfrView&) { return frmemo::expandText(m_context, tag, nullptr); };
    c.evaluate = [this](const QString& expression, TfrView& view) {
        m_state.currentObject = &view;
        return m_context.evaluatePostfix(TfrParser::convertToPostfix(expression));
    };
    c.conditionHolds = [this](const QString& condition, TfrView&) {
        try {
            return frmemo::highlightApplies(m_context, TfrParser::convertToPostfix(condition));
        } catch (const Exception&) {
            return false;
        }
    };
    c.checkExpression = [](const QString& expression) { TfrParser::convertToPostfix(expression); };
    c.runScript = [this](TfrView& view) {
        runObjectScript(view);
        m_state.currentObject = &view;
    };
    c.beforePrint = [this](TfrView& view, QStringList&) {
        if (m_report.onBeforePrint)
            m_report.onBeforePrint(view);
    };
    c.alignedBox = [this](const TfrView& view) {
        const auto it = m_bandOf.find(m_state.currentBand);
        return it == m_bandOf.end() ? frBoxOf(view) : alignedBox(*it->second, view);
    };
    c.loadDataField = [this](TfrView& view) { loadDataField(view); };
    c.output = [this](const TfrView& image) { output(image); };
}

void TBuilder::loadDataField(TfrView& view) {
    const auto it = m_bindings.find(&view);
    if (it == m_bindings.end())
        return;
    if (TfrTableSource* table = it->second.table.get()) {
        const int field = table->fieldIndex(it->second.field);
        if (field >= 0)
            view.getBlob(*table, field);
    }
}

void TBuilder::output(const TfrView& image) {
    // A file holds so many objects a page; a band repeated without taking
    // room must not fill memory on one page either.
    int& onPage = m_flow.objectsOnPage.at(static_cast<std::size_t>(m_flow.pageIndex));
    if (onPage >= TfrEMFPages::maxObjectsPerPage)
        throw EBuildError(text::objectLimit(m_flow.pageIndex + 1, TfrEMFPages::maxObjectsPerPage,
                                            m_rendering.empty() ? QString() : m_rendering.back()->name()));
    m_pages.appendObject(m_flow.pageIndex, image);
    ++onPage;
    if (m_notified.empty() || image.objectClass().exportKind != TfrExportKind::Text)
        return;
    for (TfrView* listener : m_notified)
        frObjectBuilder(*listener).objectPrinted(*listener, image, image.memo, m_print);
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

std::int32_t TBuilder::calcWidth(TfrView& view) { return frObjectBuilder(view).contentWidth(view, m_print); }

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

TfrBuildResult TBuilder::guarded(const std::function<void()>& body) {
    TfrBuildResult result;
    try {
        body();
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
    result.pages = m_pages.count();
    return result;
}

TfrBuildResult TBuilder::run() {
    TfrBuildResult result = guarded([this] { twoPassControl(); });
    if (result.status == TfrBuildResult::Status::Failed || m_dialogCancelled) {
        m_pages.clear();
        result.pages = 0;
    }
    return result;
}

TfrBuildResult TBuilder::runPass(const TPass& pass, TFlow& flow) {
    m_twoPasses = pass.twoPasses;
    m_firstOfTwo = m_print.firstOfTwoPasses = pass.firstOfTwo;
    m_drawingDisabled = pass.firstOfTwo;
    m_state.finalPass = !pass.firstOfTwo;
    m_state.totalPages = pass.totalPages;
    m_state.terminated = false;
    m_flow = std::move(flow);
    setPageIndex(m_flow.pageIndex);
    TfrBuildResult result = guarded([this] {
        buildPass(true, true);
        stoppedCountsAsCancelled();
    });
    flow = std::move(m_flow);
    return result;
}

void TBuilder::stoppedCountsAsCancelled() {
    // A build stopped by a script counts as cancelled where the user could
    // have cancelled it.
    if (terminated() && m_options.progress)
        m_cancelled = true;
}

void TBuilder::twoPassControl() {
    m_twoPasses = m_report.doublePassReport;
    TBuildMemory& memory = m_report.engine().state<TBuildMemory>();
    auto startPass = [this] {
        m_state.terminated = false;
        m_drawingDisabled = false;
        m_state.finalPass = true;
        m_flow = TFlow{};
        setPageIndex(0);
        m_pages.clear();
    };
    if (m_twoPasses) {
        startPass();
        m_state.totalPages = memory.totalPages;
        m_drawingDisabled = true;
        m_state.finalPass = false;
        m_firstOfTwo = true;
        m_print.firstOfTwoPasses = true;
        buildPass(true, false);
        if (m_dialogCancelled)
            return;
        m_state.totalPages = memory.totalPages = m_pages.count();
        if (terminated()) {
            m_pages.clear();
            m_cancelled = true;
            return;
        }
        startPass();
        m_firstOfTwo = false;
        m_print.firstOfTwoPasses = false;
        buildPass(false, true);
    } else {
        m_state.totalPages = memory.totalPages = 0;
        startPass();
        buildPass(true, true);
    }
    stoppedCountsAsCancelled();
}

void TBuilder::buildPass(bool firstPass, bool lastPass) {
    m_report.dictionary().clearCache();
    TfrDataset* reportData = m_report.reportType == TfrReportType::rtMultiple ? m_report.dataset() : nullptr;
    if (reportData) {
        reportData->init();
        reportData->first();
    }
    if (firstPass) {
        if (m_report.onCrossBeginDoc)
            m_report.onCrossBeginDoc();
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
                if (const auto* sub = frCast<TfrSubReportView>(v.get()))
                    if (sub->subPage >= 0 && sub->subPage < static_cast<int>(m_runs.size()))
                        m_runs[static_cast<std::size_t>(sub->subPage)]->skip = true;
        if (!askDialogPages()) {
            m_dialogCancelled = m_cancelled = true;
            if (reportData)
                reportData->exit();
            return;
        }
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
        for (auto& run : m_runs)
            for (const auto& v : run->page->objects())
                frObjectBuilder(*v).forgetPrinted(*v, m_print);
        for (auto& run : m_runs)
            for (auto& band : run->bands)
                if (band->dataset)
                    band->dataset->first();
    }
    for (;;) {
        progress(m_flow.pageIndex + 1);
        for (std::size_t i = 0; i < m_runs.size(); ++i) {
            TPageRun& run = *m_runs[i];
            setPage(&run);
            if (run.page->pageType == ptDialog)
                continue;
            if (!run.page->visible)
                runScript(run.script, nullptr);
            if (!run.skip && run.page->visible) {
                layoutPage();
                m_flow.appendMode = false;
                if (i + 1 < m_runs.size() && m_runs[i + 1]->page->printToPrevPage &&
                    m_runs[i + 1]->page->pageType != ptDialog) {
                    m_flow.appendMode = true;
                    setPageIndex(m_flow.pageIndex - 1);
                }
                if (!m_flow.appendMode) {
                    setPageIndex(m_pages.count());
                    progress(m_flow.pageIndex);
                }
            }
            if (terminated())
                break;
        }
        progress(m_flow.pageIndex);
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
            const auto* sub = frCast<TfrSubReportView>(v.get());
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

namespace {

constexpr std::int32_t kMaxColumns = 100;

std::int32_t bounded(std::int32_t v, std::int32_t low = -kMaxCoordinate, std::int32_t high = kMaxCoordinate) {
    return std::clamp(v, low, high);
}

void boundGeometry(TfrPage& page) {
    page.margins = {bounded(page.margins.left, 0), bounded(page.margins.top, 0), bounded(page.margins.right, 0),
                    bounded(page.margins.bottom, 0)};
    page.columns = std::clamp(page.columns, 0, kMaxColumns);
    page.columnGap = bounded(page.columnGap, 0);
    for (const auto& v : page.objects()) {
        v->left = bounded(v->left);
        v->top = bounded(v->top);
        v->width = bounded(v->width);
        v->height = bounded(v->height);
        v->gapX = bounded(v->gapX);
        v->gapY = bounded(v->gapY);
        v->frameWidth = std::clamp(v->frameWidth, -float(kMaxCoordinate), float(kMaxCoordinate));
        if (auto* band = frCast<TfrBandView>(v.get())) {
            band->columns = std::clamp(band->columns, 0, kMaxColumns);
            band->columnWidth = bounded(band->columnWidth);
            band->columnGap = bounded(band->columnGap);
        }
    }
}

} // namespace

std::unique_ptr<TBand> TBuilder::newBand(TPageRun& run, TfrBandView& view, int type) {
    auto band = std::make_unique<TBand>();
    band->type = type;
    band->page = &run;
    band->expr.type = type;
    fillBand(*band, view);
    return band;
}

void TBuilder::fillBand(TBand& band, TfrBandView& view) {
    band.view = &view;
    band.flags = view.flags;
    band.script = m_scripts[&view];
    band.expr.name = view.name();
}

void TBuilder::setUpBands(TPageRun& run) {
    TfrPage& page = *run.page;
    boundGeometry(page);
    // Band-aligned objects take their places between the page's edges first:
    // the width a baWidth object takes decides whether it is a cross cell.
    frAlignObjectsOnPage(page);
    run.script = compile(page.script, page.name);
    std::unordered_set<TfrView*> placed;
    for (const auto& v : page.objects()) {
        frObjectBuilder(*v).setUp(*v, m_print);
        if (v->flag(frflags::WantHook))
            m_notified.push_back(v.get());
        if (v->objectType == gtBand)
            placed.insert(v.get());
        m_scripts[v.get()] = compile(v->script, v->name());
    }
    // Cross bands first: the objects lying across their width are their
    // cells and join the horizontal band they lie in as well. Every band
    // object of a cross type fills the one band of the type (the last one
    // gives it its settings) and brings its cells.
    std::unordered_set<TfrView*> cells;
    for (int type : {btCrossHeader, btCrossData, btCrossFooter}) {
        TBand* b = nullptr;
        for (const auto& v : page.objects()) {
            auto* bv = frCast<TfrBandView>(v.get());
            if (!bv || bv->bandType() != type)
                continue;
            if (!b) {
                run.bands.push_back(newBand(run, *bv, type));
                b = run.bands.back().get();
                run.first[static_cast<std::size_t>(type)] = b;
            } else {
                m_buildState.setDataset(*b->view, nullptr);
                b->dataset = nullptr;
                b->ownedDataset.reset();
                fillBand(*b, *bv);
            }
            b->x = bv->left;
            b->width = bv->width;
            if (!bv->dataSourceName().contains(u';'))
                setDataset(*b, bv->dataSourceName());
            for (const auto& o : page.objects()) {
                TfrView* obj = o.get();
                if (placed.count(obj) || cells.count(obj) || obj->objectType == gtSubReport)
                    continue;
                if (obj->left >= b->x && obj->left + obj->width <= b->x + b->width) {
                    obj->left -= b->x;
                    m_crossCell[obj] = b;
                    cells.insert(obj);
                    b->objects.push_back(obj);
                }
            }
        }
    }
    // Horizontal bands in type order, template order within a type.
    for (int type = 0; type < frBandTypeCount; ++type) {
        if (type == btCrossHeader || type == btCrossData || type == btCrossFooter || type == btNone)
            continue;
        std::vector<TBand*> chain;
        for (const auto& v : page.objects()) {
            auto* bv = frCast<TfrBandView>(v.get());
            if (!bv || bv->bandType() != type)
                continue;
            auto band = newBand(run, *bv, type);
            TBand& b = *band;
            b.y = bv->top;
            b.height = bv->height;
            b.stretched = b.hasFlag(frflags::Stretched);
            const bool subPage = run.skip;
            b.newPageAfter = b.hasFlag(frflags::FormNewPage) && !subPage;
            b.printIfSubsetEmpty = b.hasFlag(frflags::PrintIfSubsetEmpty);
            b.maySplit = b.hasFlag(frflags::Breaked) && !subPage;
            b.printChildIfInvisible = b.hasFlag(frflags::PrintChildIfInvisible);
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
    for (bool subReports : {false, true})
        for (const auto& o : page.objects())
            if (!placed.count(o.get()) && (o->objectType == gtSubReport) == subReports)
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
    // Scripts reading the page's margins during the build read these edges.
    m_buildState.setPrintableEdges(page, {run.leftLimit, run.topLimit, run.rightLimit, page.printableBottom()});
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
    for (TfrView* o : band.objects) {
        calls << fraggregates::callsInLines(frObjectBuilder(*o).expressionLines(*o), variables);
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
    m_flow.pageIndex = index;
    m_state.pageNo = index + 1;
}

void TBuilder::addPage() {
    if (m_options.maxPages > 0 && m_pages.count() >= m_options.maxPages)
        throw EBuildError(text::pageLimit(m_options.maxPages));
    m_pages.add(*m_page->page);
    m_flow.objectsOnPage.resize(static_cast<std::size_t>(m_pages.count()));
    const int index = m_pages.count() - 1;
    if (m_report.onBeginPage)
        m_report.onBeginPage(index);
    if (m_master && m_master->onBeginPage)
        m_master->onBeginPage(index);
}

void TBuilder::endPageEvent(int index) {
    if (m_report.onEndPage)
        m_report.onEndPage(index);
    if (m_master && m_master->onEndPage)
        m_master->onEndPage(index);
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
            if (m_flow.appendMode)
                setPageIndex(m_flow.pageIndex + 1);
            return;
        }
    }
    run.suppressRepeated = false;
    const bool normal = !run.recordMode;
    if (normal) {
        runScript(run.script, nullptr);
        if (m_flow.appendMode && m_flow.savedY == m_flow.savedBottom) {
            m_flow.appendMode = false;
            m_flow.prevFooterPrinted = false;
            setPageIndex(m_pages.count());
        }
        bottom() = m_flow.appendMode && m_flow.prevFooterPrinted ? m_flow.savedBottom : run.bottomAtStart;
        run.pageColumn = 0;
        run.columnOffset = run.leftLimit;
        run.columnsRestartY = run.topLimit;
        if (m_flow.appendMode) {
            curY() = m_flow.savedY;
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
    m_flow.savedY = run.pageColumn != 0 ? run.bottomAtStart : curY();
    m_flow.savedBottom = bottom();
    run.pageColumn = 0;
    run.columnOffset = run.leftLimit;
    const int index = m_flow.pageIndex;
    TBand* footer = run.band(btPageFooter);
    if (!m_report.onManualBuild && exists(footer) &&
        ((m_flow.pageIndex == 0 && footer->hasFlag(frflags::OnFirstPage)) || footer->hasFlag(frflags::OnLastPage))) {
        TRestore<std::uint16_t> flags(footer->flags, footer->flags | frflags::OnFirstPage);
        m_flow.prevFooterPrinted = true;
        finishPages();
    } else {
        m_flow.prevFooterPrinted = false;
        for (int i = index; i < m_pages.count(); ++i)
            endPageEvent(i);
    }
    setPageIndex(index + 1);
    run.lastPrinted = nullptr;
}

void TBuilder::resetLineNo(TBand& band, std::int32_t value) {
    band.expr.lineNo = value;
    for (TfrView* o : band.objects)
        frObjectBuilder(*o).forgetPrinted(*o, m_print);
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
    progress(m_flow.pageIndex + 1);
    if (!run.suppressRepeated)
        emitBand(run.band(btColumnFooter));
    finishPages();
    bottom() = run.bottomAtStart;
    addPage();
    m_flow.appendMode = false;
    emitBand(run.band(btOverlay));
    curY() = run.topLimit;
    emitBand(run.band(btPageHeader));
    emitBand(run.band(btColumnHeader));
}

void TBuilder::finishPages() {
    TPageRun& run = *m_page;
    run.pageColumn = 0;
    run.columnOffset = run.leftLimit;
    // Every page left hears of it; the footer prints where its flags say.
    TBand* footer = run.band(btPageFooter);
    const bool footerHere = m_flow.pageIndex != 0 || (footer && footer->hasFlag(frflags::OnFirstPage));
    for (int i = m_flow.pageIndex; i < m_pages.count(); ++i) {
        setPageIndex(i);
        endPageEvent(i);
        if (footerHere && !(m_flow.appendMode && m_flow.prevFooterPrinted))
            emitBand(footer);
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

} // namespace frbuild


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

namespace frbuild {

TfrBuildResult buildAndGive(TfrReport& report, const TfrBuildOptions& options,
                            const std::function<TfrBuildResult(TfrEMFPages&)>& build) {
    TfrBuildResult result;
    auto pages = std::make_shared<TfrEMFPages>(report.engine());
    try {
        result = build(*pages);
    } catch (const Exception& e) {
        // A template that cannot be stored is not built.
        result.status = TfrBuildResult::Status::Failed;
        result.error = e.message();
        pages->clear();
    }
    pages->printerName = report.engine().printer().printerName();
    pages->generatorByte = report.info.generatorByte;
    report.setPreparedPages(std::move(pages));
    if (result.status == TfrBuildResult::Status::Failed && options.showError)
        report.engine().interaction().messageBox(result.error, TUserInteraction::errorTitle(),
                                                 TUserInteraction::ErrorIcon, TUserInteraction::Ok);
    return result;
}

} // namespace frbuild

TfrBuildResult frBuildReport(TfrReport& report, const TfrBuildOptions& options) {
    return frbuild::buildAndGive(report, options, [&](TfrEMFPages& pages) {
        // The build works on a copy of the template: the report's own objects
        // are never touched, so whoever holds them (the designer) keeps them.
        const std::unique_ptr<TfrReport> work = report.workingCopy();
        frbuild::TBuilder builder(*work, pages, options);
        if (report.onBeginDoc)
            report.onBeginDoc();
        const TfrBuildResult result = builder.run();
        if (report.onEndDoc)
            report.onEndDoc();
        return result;
    });
}

void installReportBuilder(TfrEngine& engine) {
    engine.prepareReportHook = [](TfrReport& report) { return frBuildReport(report).ok(); };
}
