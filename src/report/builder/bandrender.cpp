// Band rendering: one band instance printed at the cursor of the current
// prepared page (stretching, splitting, band columns, child bands, cross
// rows, sub-reports, object printing).

#include "report/builder/builderimpl.h"

#include "report/builder/preparedpages.h"
#include "report/render/textlayout.h"
#include "report/expr/aggregates.h"
#include "report/expr/memotext.h"

#include <QRect>

namespace frbuild {

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
                        // and plays this band again; its script has run.
                        if (run.skip) {
                            band.skipScriptOnce = true;
                            return true;
                        }
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
            // A band whose sub-reports go on on the next page is not done yet.
            auto body = [&](TBand& b) {
                renderBody(b);
                if (!b.subPages.empty())
                    result = true;
            };
            if (isDataType(band.type) && band.dataset && band.next && !band.next->dataset) {
                body(band);
                for (TBand* b = band.next; b && !b->dataset; b = b->next)
                    if (b->visible()) {
                        setCounters(*b);
                        body(*b);
                    }
                setCounters(band);
            } else {
                body(band);
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
        if (band.type != btPageFooter || m_flow.pageIndex >= m_pages.count() - 1)
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
        for (TfrView* o : band.objects)
            if (!(band.crossed && m_crossCell.count(o))) {
                m_state.currentBand = &band.expr;
                h = std::max(h, measureObject(*o));
            }
        if (band.crossed && band.type != btPageFooter)
            h = std::max(h, measureCrossColumns(band));
        m_state.currentBand = &band.expr;
        m_state.currentObject = band.view;
    }
    band.calcHeight = std::max(band.calcHeight, h);
    return h;
}

// The bottom of a stretching object's content on its band (its design
// bottom for others is the band's height, measured already).
std::int32_t TBuilder::measureObject(TfrView& view) {
    const TfrObjectBuilder& builder = frObjectBuilder(view);
    if (!builder.stretches())
        return 0;
    m_state.currentObject = &view;
    try {
        return view.top + builder.contentHeight(view, m_print);
    } catch (...) {
        noteFailure(&view);
        throw;
    }
}

// The cells of a crossed band measured in every cross column, as they will
// print there: the deepest bottom. The texts measured are not kept for
// printing, which expands every column again.
std::int32_t TBuilder::measureCrossColumns(TBand& band) {
    TPageRun& run = *m_page;
    if (m_report.onBeginColumn && band.view)
        m_report.onBeginColumn(*band.view);
    TBand* data = run.band(btCrossData);
    if (!exists(data))
        return 0;
    std::int32_t h = 0;
    std::unique_ptr<TfrDataset> padding;
    TfrDataset* ds = crossColumns(band, *data, padding);
    for (m_state.columnNo = 1; ds && !ds->eof() && !terminated(); ++m_state.columnNo, ds->next()) {
        m_state.currentObject = data->view;
        std::int32_t width = data->width;
        if (m_report.onPrintColumn)
            m_report.onPrintColumn(m_state.columnNo, width);
        for (TfrView* o : band.objects) {
            const auto it = m_crossCell.find(o);
            if (it == m_crossCell.end())
                continue;
            enterCross(*it->second, band);
            h = std::max(h, measureObject(*o));
            frObjectBuilder(*o).measureDiscarded(*o, m_print);
        }
    }
    m_state.columnNo = 1;
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
            // A stretched overlay moves the cursor too; a page footer stands
            // below the bottom limit, and moving the cursor past it would
            // break the page from within the footer again and again.
            if (!moved && band.type != btPageFooter)
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
        const auto* sub = frCast<TfrSubReportView>(band.objects[i]);
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
    if (playSubReports(band, false) && m_pages.count() == pagesBefore)
        curY() = std::max(curY(), startY + band.height);
    return true;
}

// Plays the band's sub-reports until all finished (`continuing`: they went on
// from an earlier page and first take the parent's cursor). False when the
// band is the body of a sub-report itself and has to continue on the
// grandparent's next page.
bool TBuilder::playSubReports(TBand& band, bool continuing) {
    TPageRun& parent = *m_page;
    for (bool handOver = continuing;; handOver = true) {
        if (handOver)
            for (TPageRun* page : band.subPages) {
                page->cursorY = curY();
                page->bottom = bottom();
            }
        bool all = true;
        std::int32_t lowest = curY();
        for (std::size_t i = 0; i < band.subPages.size(); ++i) {
            if (band.subFinished[i])
                continue;
            TPageRun& page = *band.subPages[i];
            if (play(page))
                all = false;
            else
                band.subFinished[i] = true;
            lowest = std::max(lowest, page.cursorY);
        }
        if (all) {
            curY() += std::max(std::max(band.calcHeight, band.height), lowest - curY());
            parent.continueBand = nullptr;
            for (TPageRun* page : band.subPages)
                page->records.clear();
            band.subPages.clear();
            band.subFinished.clear();
            return true;
        }
        if (parent.skip) {
            parent.continueBand = &band;
            return false;
        }
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
                if (sub.continueBand)
                    stopped = !playSubReports(*sub.continueBand, true);
                else
                    stopped = render(*e.band);
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

void TBuilder::renderObject(TBand& band, TfrView& view, bool part) {
    printObjectAt(band, view, m_page->columnOffset - m_page->leftLimit, band.y, part);
}

void TBuilder::printObjectAt(TBand& band, TfrView& view, std::int32_t dx, std::int32_t dy, bool part) {
    m_state.currentBand = &band.expr;
    m_state.currentObject = &view;
    const TfrObjectBuilder& builder = frObjectBuilder(view);
    try {
        if (!m_drawingDisabled || band.maySplit) {
            builder.print(view, placeOf(band, view, dx, dy), part, m_print);
        } else {
            builder.skip(view, m_print);
        }
    } catch (...) {
        noteFailure(&view);
        throw;
    }
}

TfrPrintPlace TBuilder::placeOf(const TBand& band, const TfrView& view, std::int32_t dx, std::int32_t dy) const {
    TfrPrintPlace place;
    place.dx = dx;
    place.dy = dy;
    switch (view.bandAlign) {
    case baNone:
        break;
    case baTop:
        place.top = band.y;
        break;
    case baBottom:
        place.top = band.y + std::max(band.calcHeight, band.height) - view.height;
        place.bandAlign = baNone;
        break;
    default: {
        const TfrBox box = alignedBox(band, view);
        place.width = box.width;
        if (view.bandAlign == baWidth && isCrossType(band.type))
            place.bandAlign = baNone; // the cell spans its column, not the page
        else
            place.left = box.left;
        break;
    }
    }
    return place;
}

TfrBox TBuilder::alignedBox(const TBand& band, const TfrView& view) const {
    TfrBox box = frBoxOf(view);
    if (!frAlignsHorizontally(view.bandAlign))
        return box;
    if (view.bandAlign == baWidth && isCrossType(band.type)) {
        box.width = band.width;
        return box;
    }
    // Among the objects of its row on the band (cross cells stand in their
    // own bands' coordinates), between the page's edges.
    std::vector<const TfrView*> row;
    std::size_t at = 0;
    for (const TfrView* o : band.objects) {
        if (o->top != view.top || (band.crossed && m_crossCell.count(o)))
            continue;
        if (o == &view)
            at = row.size();
        row.push_back(o);
    }
    if (at == row.size() || row[at] != &view) {
        at = row.size();
        row.push_back(&view);
    }
    const TfrBox aligned = frBandAlignedBoxes(row, m_page->leftLimit, m_page->rightLimit)[at];
    box.left = aligned.left;
    box.width = aligned.width;
    return box;
}

void TBuilder::enterCross(TBand& cross, TBand& band) {
    cross.expr.lineNo = band.expr.lineNo;
    cross.expr.lineThrough = band.expr.lineThrough;
    if (cross.type == btCrossData)
        cross.expr.aggregateBand = &band.expr;
    m_state.currentBand = &cross.expr;
}

TfrDataset* TBuilder::crossColumns(TBand& band, TBand& data, std::unique_ptr<TfrDataset>& padding) {
    TfrDataset* ds = data.dataset ? data.dataset : band.crossDataset;
    if (!ds)
        return nullptr;
    ds->first();
    if (band.type == btMasterFooter && ds->eof()) {
        padding = std::make_unique<TfrVirtualDataset>(m_page->maxCrossColumns);
        ds = padding.get();
        ds->first();
    }
    return ds;
}

void TBuilder::printCells(TBand& cross, TBand& band, std::int32_t x) {
    enterCross(cross, band);
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
    setPageIndex(m_flow.pageIndex + 1);
    if (m_flow.pageIndex >= m_pages.count()) {
        addPage();
        emitBand(run.band(btOverlay));
        TBand* header = run.band(btPageHeader);
        if (exists(header) && (rowPage > 0 || header->hasFlag(frflags::OnFirstPage))) {
            TRestore<std::int32_t> top(curY(), run.topLimit);
            emitBand(header);
        }
        progress(m_flow.pageIndex + 1);
    }
    if (TBand* crossHeader = run.band(btCrossHeader); exists(crossHeader) && crossHeader->hasFlag(frflags::RepeatHeader)) {
        printCells(*crossHeader, band, x);
        x += crossHeader->width;
    }
}

void TBuilder::renderCrossRow(TBand& band) {
    TPageRun& run = *m_page;
    const int rowPage = m_flow.pageIndex;
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
        std::unique_ptr<TfrDataset> padding;
        TfrDataset* ds = crossColumns(band, *data, padding);
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

void TBuilder::renderSplit(TBand& band) {
    struct Item {
        TfrView* view;
        QRect design;
        bool toPrint = true;
        bool fullLater = false;
    };
    std::vector<Item> items;
    // Cross cells print with their columns, and only where the band fits whole.
    for (TfrView* o : band.objects) {
        if (o->objectType == gtSubReport || (band.crossed && m_crossCell.count(o)))
            continue;
        items.push_back({o, QRect(o->left, o->top, o->width, o->height)});
        frObjectBuilder(*o).splitStarts(*o, m_print);
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
                const TfrObjectBuilder& builder = frObjectBuilder(o);
                if (o.top >= 0 && o.top < avail) {
                    if (o.top + o.height < avail) {
                        renderObject(band, o);
                        it.toPrint = false;
                        lastBottom = std::max(lastBottom, o.top + o.height);
                    } else if (builder.stretches()) {
                        const std::int32_t saved = o.height;
                        o.height = avail - o.top + 1;
                        const std::int32_t r = std::clamp(builder.remainingHeight(o, o.height, m_print), 0, kMaxCoordinate);
                        if (o.height >= builder.minimumHeight(o, m_print))
                            renderObject(band, o, true);
                        o.height = saved;
                        moveBelow(o, r);
                        o.height += r;
                    } else {
                        o.top = avail;
                    }
                } else if (o.top + o.height < 0) {
                    it.toPrint = false; // wholly above the portion (no height): nothing to print
                } else if (o.top < 0) {
                    if (o.top + o.height < avail) {
                        if (o.stretched()) {
                            it.fullLater = true;
                        } else {
                            o.height = o.top + o.height;
                            o.top = 0;
                            renderObject(band, o, true);
                        }
                        it.toPrint = false;
                        lastBottom = std::max(lastBottom, std::max(0, o.top + o.height));
                    } else {
                        const std::int32_t top = o.top, height = o.height;
                        o.top = 0;
                        o.height = avail;
                        const std::int32_t r = std::clamp(builder.remainingHeight(o, avail, m_print), 0, kMaxCoordinate);
                        renderObject(band, o, true);
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
        if (band.crossed)
            renderCrossRow(band);
    }
    for (Item& it : items)
        if (it.fullLater) {
            it.view->top = 0;
            it.view->height = band.splitHeight;
            renderObject(band, *it.view, true);
        }
    for (Item& it : items) {
        it.view->left = it.design.x();
        it.view->top = it.design.y();
        it.view->width = it.design.width();
        it.view->height = it.design.height();
    }
    curY() += band.splitHeight;
}

} // namespace frbuild
