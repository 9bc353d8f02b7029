// Composite reports: the reports of a list built one after another into one
// set of prepared pages.

#include "report/builder/builderimpl.h"

#include "report/builder/preparedpages.h"
#include "report/model/engine.h"

namespace frbuild {
namespace {

// The first page a report lays out (dialog pages are only shown).
const TfrPage* firstReportPage(const TfrReport& report) {
    for (int i = 0; i < report.pages().count(); ++i)
        if (report.pages().page(i)->pageType != ptDialog)
            return report.pages().page(i);
    return nullptr;
}

// Whether a report goes on on the last page built so far.
bool joinsLastPage(const TfrReport& report, const TfrEMFPages& pages) {
    const TfrPage* first = firstReportPage(report);
    if (!first || !first->printToPrevPage || pages.count() == 0)
        return false;
    const TfrPreparedPage& last = pages[pages.count() - 1];
    return last.paperSize == first->pSize && last.paperWidth == first->pWidth && last.paperHeight == first->pHeight &&
           last.orientation == first->orientation;
}

class TCompositeBuild {
public:
    TCompositeBuild(TfrCompositeReport& composite, TfrEMFPages& pages, const TfrBuildOptions& options)
        : m_composite(composite), m_pages(pages), m_options(options) {
        for (const TfrLink<TfrReport>& link : composite.reports)
            if (TfrReport* report = link.get())
                m_reports.push_back(report);
    }

    TfrBuildResult run() {
        TBuildMemory& memory = m_composite.engine().state<TBuildMemory>();
        TPass pass;
        pass.twoPasses = pass.firstOfTwo = m_composite.doublePassReport;
        pass.totalPages = pass.twoPasses ? memory.totalPages : (memory.totalPages = 0);
        for (;;) {
            m_pages.clear();
            TfrBuildResult result = sequence(pass);
            if (result.status == TfrBuildResult::Status::Failed)
                m_pages.clear();
            else if (pass.firstOfTwo)
                memory.totalPages = m_pages.count();
            if (pass.firstOfTwo && result.ok() && !m_stopped) {
                pass.firstOfTwo = false;
                pass.totalPages = m_pages.count();
                continue;
            }
            if (pass.firstOfTwo && result.status != TfrBuildResult::Status::Failed) {
                // A first pass that was stopped leaves nothing to show.
                m_pages.clear();
                result.status = TfrBuildResult::Status::Cancelled;
            }
            result.pages = m_pages.count();
            return result;
        }
    }

private:
    // Every report once, or once per record of the composite's dataset.
    TfrBuildResult sequence(const TPass& pass) {
        TFlow flow;
        m_stopped = false;
        TfrDataset* data = m_composite.dataset();
        if (data) {
            data->init();
            data->first();
        }
        TfrBuildResult result;
        while (!m_stopped && !(data && data->eof())) {
            for (TfrReport* report : m_reports) {
                std::unique_ptr<TfrReport> work;
                try {
                    work = report->workingCopy();
                } catch (const Exception& e) {
                    // A template that cannot be stored is not built.
                    result.status = TfrBuildResult::Status::Failed;
                    result.error = e.message();
                    m_stopped = true;
                    break;
                }
                TBuilder builder(*work, m_pages, m_options, &m_composite);
                if (joinsLastPage(*work, m_pages)) {
                    flow.appendMode = true;
                    flow.pageIndex = m_pages.count() - 1;
                }
                result = builder.runPass(pass, flow);
                if (!result.ok() || builder.stopped()) {
                    m_stopped = true;
                    break;
                }
            }
            if (!data)
                break;
            data->next();
        }
        if (data)
            data->exit();
        return result;
    }

    TfrCompositeReport& m_composite;
    TfrEMFPages& m_pages;
    const TfrBuildOptions& m_options;
    std::vector<TfrReport*> m_reports;
    bool m_stopped = false;
};

} // namespace
} // namespace frbuild

TfrBuildResult frBuildCompositeReport(TfrCompositeReport& composite, const TfrBuildOptions& options) {
    return frbuild::buildAndGive(composite, options, [&](TfrEMFPages& pages) {
        if (composite.onBeginDoc)
            composite.onBeginDoc();
        const TfrBuildResult result = frbuild::TCompositeBuild(composite, pages, options).run();
        if (composite.onEndDoc)
            composite.onEndDoc();
        return result;
    });
}
