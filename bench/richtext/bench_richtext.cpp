// The rich-text component on a document of 3 000 characters in six
// paragraphs (justified, indented, centred; three fonts, sizes and styles,
// Russian text in code page 1251): reading its RTF, writing it, laying it out
// into rectangles in twips (measuring, drawing, the height of a range by
// binary search and at once), and replacing its bracketed expressions.

#include "benchsupport.h"
#include "richtext/richedit.h"
#include "richtext/richlayout.h"
#include "richtext/rtfreader.h"
#include "richtext/rtfwriter.h"

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTextDocument>

namespace {

// The document's RTF, as a word processor would write it.
const QByteArray& documentRtf() {
    static const QByteArray rtf = [] {
        const QString words = QStringLiteral("Текущее значение [Value] на подстанции Северная превысило уставку "
                                             "[Limit], дежурный диспетчер принял меры. ");
        QByteArray s = "{\\rtf1\\ansi\\ansicpg1251\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset204 Arial;}"
                       "{\\f1\\froman\\fcharset204 Times New Roman;}}{\\colortbl;\\red192\\green0\\blue0;}\r\n";
        for (int i = 0; i < 6; ++i) {
            QString text;
            while (text.size() < 499)
                text += words;
            text.truncate(499);
            const qsizetype third = text.size() / 3;
            s += "\\pard" + QByteArray(i % 3 == 0 ? "\\qj" : i % 3 == 1 ? "\\ql" : "\\qc") + "\\li" +
                 QByteArray::number(i * 100) + (i % 2 ? "\\fi360" : "") + "\\sa120\\plain\\f0\\fs20 " +
                 richtext::escape(text.left(third)) + "{\\b\\fs24\\cf1 " + richtext::escape(text.mid(third, third)) +
                 "}{\\f1\\i\\fs18 " + richtext::escape(text.mid(2 * third)) + "}\\par\r\n";
        }
        return s + "}";
    }();
    return rtf;
}

const QTextDocument& document() {
    static QTextDocument doc;
    if (doc.isEmpty())
        richtext::readRtf(documentRtf(), doc);
    return doc;
}

// A report object's rectangle: 8 cm wide (4 535 twips), a page part 5 cm high.
constexpr double kWidth = 4535;
constexpr double kPartHeight = 2835;

void BM_ReadRtf(benchmark::State& state) {
    for (auto _ : state) {
        QTextDocument doc;
        richtext::readRtf(documentRtf(), doc);
        benchmark::DoNotOptimize(doc.characterCount());
    }
    state.SetBytesProcessed(state.iterations() * documentRtf().size());
    state.counters["chars"] = richtext::textLength(document());
}

void BM_WriteRtf(benchmark::State& state) {
    qsizetype size = 0;
    for (auto _ : state)
        size = richtext::writeRtf(document()).size();
    state.counters["bytes"] = double(size);
}

// The whole document laid out into one tall rectangle, measuring only.
void BM_FormatWhole(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(richtext::formatRange(document(), 0, QRectF(0, 0, kWidth, 1e6)));
}

// The document printed in parts: range after range into page parts, each
// measured only (draw:0) or drawn into a 96 dpi image (draw:1).
void BM_FormatParts(benchmark::State& state) {
    const bool draw = state.range(0) != 0;
    QImage image(int(kWidth * 96 / 1440), int(kPartHeight * 96 / 1440), QImage::Format_RGB32);
    int parts = 0;
    for (auto _ : state) {
        QPainter painter(&image);
        painter.scale(96 / richtext::TwipsPerInch, 96 / richtext::TwipsPerInch);
        parts = 0;
        for (int from = 0; from < richtext::textLength(document()); ++parts)
            from = richtext::formatRange(document(), from, QRectF(0, 0, kWidth, kPartHeight), draw ? &painter : nullptr);
    }
    state.counters["parts"] = parts;
}

// The height the document needs: at once, and by the report object's binary
// search over heights in screen pixels (about twenty layouts).
void BM_RangeHeight(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(richtext::rangeHeight(document(), 0, kWidth));
}

void BM_HeightBySearch(benchmark::State& state) {
    int steps = 0;
    for (auto _ : state) {
        int low = 0, high = 1000000;
        steps = 0;
        while (high - low > 1) {
            const int mid = low + (high - low) / 2;
            ++steps;
            if (richtext::formatRange(document(), 0, QRectF(0, 0, kWidth, mid * 1440.0 / 96)) >=
                richtext::textLength(document()))
                high = mid;
            else
                low = mid;
        }
        benchmark::DoNotOptimize(high);
    }
    state.counters["layouts"] = steps;
}

// Every bracketed expression of a copy of the document replaced by a value
// in its format, searching on after each (54 brackets).
void BM_ReplaceBrackets(benchmark::State& state) {
    int replaced = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::unique_ptr<QTextDocument> doc(document().clone());
        state.ResumeTiming();
        replaced = 0;
        for (int from = 0;;) {
            const QString text = richtext::plainText(*doc);
            const qsizetype open = text.indexOf(u'[', from);
            const qsizetype close = open < 0 ? -1 : text.indexOf(u']', open);
            if (close < 0)
                break;
            from = richtext::replaceRange(*doc, int(open), int(close) + 1, QStringLiteral("1 234,50"));
            ++replaced;
        }
    }
    state.counters["brackets"] = replaced;
}

BENCHMARK(BM_ReadRtf)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WriteRtf)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FormatWhole)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FormatParts)->ArgName("draw")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RangeHeight)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_HeightBySearch)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReplaceBrackets)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) { return benchsupport::run<QGuiApplication>(argc, argv); }
