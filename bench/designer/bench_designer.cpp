// The designer on large pages: one mouse drag of 500 selected objects by a
// grid step, taking it back, repainting the page area, and opening a
// template of 10 000 objects in the designer window.

#include "benchsupport.h"

#include "report/design/designdoc.h"
#include "report/design/designpaint.h"
#include "report/designer/designerform.h"
#include "report/model/engine.h"
#include "report/model/page.h"
#include "report/model/report.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

// A page of `count` text objects in rows of 20 (ten rows a band), each with
// a frame and a field reference or caption, under bands as templates have them.
void fillPage(TfrReport& report, int count) {
    TfrEngine& engine = report.engine();
    TfrPage& page = *report.pages().page(report.pages().add());
    page.name = QStringLiteral("Page1");
    const int rows = (count + 19) / 20;
    for (int b = 0; b * 10 < rows; ++b) {
        auto band = engine.createObject(gtBand);
        band->setName(QStringLiteral("MasterData%1").arg(b + 1));
        static_cast<TfrBandView&>(*band).setBandType(btMasterData);
        band->setBounds(0, b * 200, 758, 200);
        page.add(std::move(band));
    }
    for (int i = 0; i < count; ++i) {
        auto memo = engine.createObject(gtMemo);
        memo->setName(QStringLiteral("Memo%1").arg(i + 1));
        memo->setBounds(38 + (i % 20) * 34, (i / 20) * 20, 34, 20);
        memo->memo = QStringList{i % 2 ? QStringLiteral("[DS.\"Value%1\"]").arg(i % 7) : QStringLiteral("Текст %1").arg(i)};
        memo->frameTyp = frftLeft | frftTop | frftRight | frftBottom;
        page.add(std::move(memo));
    }
}

struct Page2000 {
    TfrEngine engine;
    TfrReport report{engine};
    std::unique_ptr<TfrDesignDocument> doc;

    Page2000() {
        fillPage(report, 2000);
        doc = std::make_unique<TfrDesignDocument>(report, true);
        // 500 objects: the first 25 rows.
        std::vector<TfrView*> views;
        for (int i = 1; i <= 500; ++i)
            views.push_back(report.findObject(QStringLiteral("Memo%1").arg(i)));
        doc->selectObjects(views);
    }
    // One mouse drag by a grid step, right or back left.
    void move(int step) {
        const TfrView* first = doc->referenceObject();
        const QPoint from(first->left + 5, first->top + 5);
        doc->beginMove(from);
        doc->dragTo(from + QPoint(step, 0), false);
        doc->release(from + QPoint(step, 0), Qt::NoModifier);
    }
};

void BM_MoveSelection(benchmark::State& state) {
    Page2000 p;
    const int grid = p.doc->gridSize();
    int step = grid;
    for (auto _ : state) {
        p.move(step);
        step = -step;
    }
    state.counters["objects"] = 500;
    state.counters["undo"] = p.doc->undoStack().count();
}
BENCHMARK(BM_MoveSelection)->Unit(benchmark::kMillisecond);

void BM_UndoMove(benchmark::State& state) {
    Page2000 p;
    for (auto _ : state) {
        state.PauseTiming();
        p.move(p.doc->gridSize());
        state.ResumeTiming();
        p.doc->undo();
    }
    state.counters["objects"] = 500;
}
BENCHMARK(BM_UndoMove)->Unit(benchmark::kMillisecond);

// The whole page area (paper 758 x 1071 at 100 %) with the selection's handles.
void BM_RepaintPage(benchmark::State& state) {
    Page2000 p;
    const QSize size = p.doc->pageSize() + QSize(frBandTitleWidth + 20, 20);
    QImage canvas(size, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        QPainter painter(&canvas);
        frPaintDesignPage(painter, *p.doc, QPoint(frBandTitleWidth + 10, 10), canvas.rect());
    }
    state.counters["objects"] = double(p.report.pages().page(0)->count());
}
BENCHMARK(BM_RepaintPage)->Unit(benchmark::kMillisecond);

// Loading a template file of 10 000 objects on one page, opening the
// designer window on it and its first paint.
void BM_OpenTemplate(benchmark::State& state) {
    const QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("large.frf"));
    {
        TfrEngine engine;
        TfrReport report(engine);
        fillPage(report, 10000);
        report.saveToFile(file);
    }
    TfrEngine engine;
    for (auto _ : state) {
        TfrReport report(engine);
        if (!report.loadFromFile(file).ok())
            state.SkipWithError("the template does not load");
        TfrDesignerForm form(report);
        form.resize(1200, 800);
        form.show();
        form.pageArea()->repaint();
        QApplication::processEvents();
        state.PauseTiming();
        form.hide();
        state.ResumeTiming();
    }
    state.counters["objects"] = 10000;
}
BENCHMARK(BM_OpenTemplate)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) { return benchsupport::run<QApplication>(argc, argv); }
