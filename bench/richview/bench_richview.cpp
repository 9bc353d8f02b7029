// Rich-text objects: a document of 3 000 characters (six paragraphs, three
// fonts, sizes and styles, six brackets) measured for a stretching band,
// printed split over pages, and a report of 1 000 such objects beside the
// same report with plain memos of the same text.

#include "benchsupport.h"
#include "common/cp1251.h"
#include "report/addins/programaddins.h"
#include "report/addins/richbuild.h"
#include "report/addins/richview.h"
#include "report/builder/builder.h"
#include "report/builder/preparedpages.h"
#include "report/expr/context.h"
#include "report/memdata/memtablesource.h"
#include "report/model/buildstate.h"
#include "report/model/engine.h"
#include "report/model/report.h"
#include "report/render/textmeasure.h"
#include "richtext/richedit.h"
#include "table/memtable.h"

#include <benchmark/benchmark.h>

#include <QGuiApplication>

namespace {

// The six paragraphs' texts, each with one bracket.
QStringList paragraphs() {
    const QString words = QStringLiteral("Текущее значение на подстанции Северная превысило уставку, дежурный "
                                         "диспетчер принял меры. ");
    QStringList out;
    for (int i = 0; i < 6; ++i) {
        QString text = QStringLiteral("Точка [DS.\"Name\"]: ");
        while (text.size() < 499)
            text += words;
        text.truncate(499);
        out << text;
    }
    return out;
}

// The document's RTF: justified, left-aligned and centred paragraphs with
// indents, Arial 10, Arial 12 bold in colour, Times New Roman 9 italic.
QByteArray documentRtf() {
    QByteArray s = "{\\rtf1\\ansi\\ansicpg1251\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset204 Arial;}"
                   "{\\f1\\froman\\fcharset204 Times New Roman;}}{\\colortbl;\\red192\\green0\\blue0;}\r\n";
    int i = 0;
    for (const QString& text : paragraphs()) {
        const qsizetype third = text.size() / 3;
        s += "\\pard" + QByteArray(i % 3 == 0 ? "\\qj" : i % 3 == 1 ? "\\ql" : "\\qc") + "\\li" +
             QByteArray::number(i * 100) + (i % 2 ? "\\fi360" : "") + "\\sa120\\plain\\f0\\fs20 " +
             cp1251::encode(text.left(third)) + "{\\b\\fs24\\cf1 " + cp1251::encode(text.mid(third, third)) +
             "}{\\f1\\i\\fs18 " + cp1251::encode(text.mid(2 * third)) + "}\\par\r\n";
        ++i;
    }
    return s + "}";
}

// A report over `rows` records of DS (Name) with one stretching data band
// holding one object per record: the rich-text document, or a memo of the
// same paragraphs. `split`: the band may split over pages, and starts below
// a title band of `titleHeight` pixels.
struct TBench {
    static constexpr int kDataTop = 1000;
    TBench(int rows, bool rich, int width, bool split, int titleHeight = 0) {
        table.addFieldDef(QStringLiteral("Name"), TFieldType::String, 40);
        table.open();
        for (int r = 0; r < rows; ++r) {
            table.append();
            table.field(0).setAsString(QStringLiteral("ТМ-%1").arg(r));
            table.post();
        }
        frDS.setDataSet(&source);
        registry.addDataset(&frDS);
        registry.addTable(&source);
        installExpressionEvaluator(engine);
        frRegisterProgramAddIns(engine);
        report.setDataRegistry(&registry);
        report.setDataset(&frDS);
        TfrPage& page = *report.pages().page(report.pages().add());
        page.margins = {20, 20, 20, 20};
        if (titleHeight > 0)
            addBand(page, btReportTitle, 0, titleHeight);
        TfrBandView& band = addBand(page, btMasterData, kDataTop, 100);
        band.flags = frflags::Stretched | (split ? frflags::Breaked : 0);
        band.setDataSourceName(QStringLiteral("frDS"));
        std::unique_ptr<TfrView> object;
        if (rich) {
            object = engine.createObject(gtAddIn, QStringLiteral("TfrRichView"));
            static_cast<TfrRichView&>(*object).setDocumentBytes(documentRtf());
        } else {
            object = engine.createObject(gtMemo);
            object->memo = paragraphs();
        }
        object->setBounds(20, kDataTop, width, 100);
        page.add(std::move(object))->createUniqueName();
    }

    TfrBandView& addBand(TfrPage& page, int type, int top, int height) {
        auto* band = static_cast<TfrBandView*>(page.add(engine.createObject(gtBand)));
        band->setBandType(type);
        band->createUniqueName();
        band->setBounds(0, top, 760, height);
        band->flags = 0;
        return *band;
    }

    TMemTable table{QStringLiteral("DS")};
    TfrMemTableSource source{table};
    TfrDBDataSet frDS{QStringLiteral("frDS")};
    TfrDataRegistry registry{QStringLiteral("frmMain")};
    TfrEngine engine;
    TfrReport report{engine};
};

// 8 cm and 5 cm at 96 pixels to the inch.
constexpr int kWide = 302, kNarrow = 189;

// The content height of the object for a stretching band: the document
// copied, its six brackets expanded, its height measured in one layout.
void BM_MeasureRich(benchmark::State& state) {
    TfrRichView rich;
    rich.setBounds(0, 0, kWide, 100);
    rich.setDocumentBytes(documentRtf());
    TfrBuildState buildState;
    TfrFixedMeasurer measurer(6);
    TfrPrintContext context(buildState, measurer);
    context.expandBracket = [](const QString&, TfrView&) { return QStringLiteral("ТМ-1234"); };
    const TfrRichBuilder builder;
    std::int32_t height = 0;
    for (auto _ : state)
        height = builder.contentHeight(rich, context);
    state.counters["chars"] = richtext::textLength(rich.document());
    state.counters["height_px"] = height;
}
BENCHMARK(BM_MeasureRich)->Unit(benchmark::kMicrosecond);

// A build whose one band holds the document 5 cm wide, split over pages.
void BM_PrintSplit(benchmark::State& state) {
    // Below a title of 600 pixels, the 5 cm column takes the rest of the
    // first A4 page and most of the second.
    TBench bench(1, true, kNarrow, true, 600);
    int pages = 0;
    for (auto _ : state) {
        TfrBuildOptions options;
        options.showError = false;
        const TfrBuildResult r = frBuildReport(bench.report, options);
        if (!r.ok()) {
            state.SkipWithError(qPrintable(r.error));
            break;
        }
        pages = r.pages;
    }
    state.counters["pages"] = pages;
}
BENCHMARK(BM_PrintSplit)->Unit(benchmark::kMillisecond);

// A report of 1 000 objects of the document 8 cm wide: rich text (rich:1)
// or plain memos of the same paragraphs (rich:0).
void BM_Report(benchmark::State& state) {
    const int rows = int(state.range(0));
    TBench bench(rows, state.range(1) != 0, kWide, false);
    int pages = 0;
    for (auto _ : state) {
        TfrBuildOptions options;
        options.showError = false;
        const TfrBuildResult r = frBuildReport(bench.report, options);
        if (!r.ok()) {
            state.SkipWithError(qPrintable(r.error));
            break;
        }
        pages = r.pages;
    }
    state.counters["pages"] = pages;
    state.counters["objects/s"] = benchmark::Counter(double(rows) * state.iterations(), benchmark::Counter::kIsRate);
    state.counters["held_MB"] = double(frPreparedPages(bench.report).heldBytes()) / (1 << 20);
}
BENCHMARK(BM_Report)->ArgNames({"objects", "rich"})->Args({1000, 0})->Args({1000, 1})->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) { return benchsupport::run<QGuiApplication>(argc, argv); }
