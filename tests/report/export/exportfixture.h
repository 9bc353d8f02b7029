#pragma once

// A report with hand-made prepared pages for the export and printing tests:
// memos laid out with a fixed-width measurer, so that nothing depends on fonts.

#include "report/builder/preparedpages.h"
#include "report/render/textlayout.h"
#include "report/render/textmeasure.h"
#include "report/model/engine.h"

#include <QStringList>
#include <memory>

class ExportFixture {
public:
    ExportFixture() {
        frSetTextMeasurer(engine, std::make_shared<TfrFixedMeasurer>(6));
        report.pages().add();
    }

    TfrEMFPages& pages() { return frPreparedPages(report); }

    // Appends a page on the paper of the template page.
    int addPage() {
        pages().add(*report.pages().page(0));
        return pages().count() - 1;
    }

    // A memo with laid-out lines (each a paragraph) and no gaps, so that its
    // lines start at its left edge.
    std::unique_ptr<TfrMemoView> memo(const QString& name, int l, int t, int w, int h, const QStringList& lines,
                                      std::uint16_t frame = 0) {
        auto m = std::unique_ptr<TfrMemoView>(static_cast<TfrMemoView*>(engine.createObject(gtMemo).release()));
        m->setName(name);
        m->setBounds(l, t, w, h);
        m->gapX = 0;
        m->gapY = 0;
        m->frameTyp = frame;
        for (const QString& line : lines)
            m->memo1 << line + frLineEnd;
        return m;
    }

    void put(int page, const TfrView& view) { pages().appendObject(page, view); }

    TfrEngine engine;
    TfrReport report{engine};
};
