// Printing memos into prepared pages: expansion, measuring, Suppress, split
// memos, highlight and the tag, with a fake expansion instead of expressions.

#include "report/render/drawing.h"
#include "report/builder/memoprint.h"
#include "report/builder/preparedpages.h"
#include "report/render/textlayout.h"
#include "report/render/textmeasure.h"
#include "report/model/engine.h"

#include <QMap>
#include <gtest/gtest.h>

namespace {

const QString E = QString(frLineEnd);

// Lines as paragraphs: each with its marker.
QStringList marked(QStringList lines) {
    for (QString& line : lines)
        line += E;
    return lines;
}

class MemoPrint : public ::testing::Test {
protected:
    MemoPrint() {
        frSetTextMeasurer(engine, measurer);
        report.pages().add();
        pages.add(*report.pages().page(0));
        // "[name]" stands for a value of `values`.
        hooks.expandLine = [this](const QString& line, TfrMemoView&) {
            QString out = line;
            for (auto it = values.begin(); it != values.end(); ++it)
                out.replace(u'[' + it.key() + u']', it.value());
            return out;
        };
    }

    TfrMemoView& memo(QStringList text, int height = 40) {
        auto* m = static_cast<TfrMemoView*>(report.pages().page(0)->add(engine.createObject(gtMemo)));
        m->setName(QStringLiteral("Memo%1").arg(report.pages().page(0)->count()));
        m->setBounds(0, 0, 100, height);
        m->memo = std::move(text);
        return *m;
    }

    // The texts of the memos printed on a page.
    std::vector<QStringList> printed(int page) {
        std::vector<QStringList> out;
        for (const auto& v : pages.loadPage(page).objects())
            out.push_back(v->workingText());
        pages.releasePage(page);
        return out;
    }

    std::shared_ptr<TfrFixedMeasurer> measurer = std::make_shared<TfrFixedMeasurer>(6);
    TfrEngine engine;
    TfrReport report{engine};
    TfrEMFPages pages{report};
    TfrMemoHooks hooks;
    QMap<QString, QString> values;
};

} // namespace

TEST_F(MemoPrint, ExpandsDesignLinesIntoTheWorkingText) {
    values = {{"X", "value"}, {"M", "one\r\ntwo"}, {"Empty", ""}};
    TfrMemoPrinter printer(engine, *measurer, hooks);
    TfrMemoView& m = memo({"a [X]", "", "[M]", "[Empty]"});
    printer.print(m, pages, 0);
    // Printed text is laid out: every line here a paragraph.
    EXPECT_EQ(m.memo1, marked({"a value", "", "one", "two", ""}));
    EXPECT_EQ(printed(0), std::vector<QStringList>{m.memo1});

    m.setFlag(frflags::TextOnly, true);
    printer.print(m, pages, 0);
    EXPECT_EQ(m.memo1, marked({"a [X]", "", "[M]", "[Empty]"}));
}

TEST_F(MemoPrint, BeforePrintTextIsNotExpandedAgain) {
    values = {{"X", "value"}};
    hooks.beforePrint = [](TfrView&, QStringList& text) { text = QStringList{"[X] by script"}; };
    TfrMemoPrinter printer(engine, *measurer, hooks);
    TfrMemoView& m = memo({"[X]"});
    printer.print(m, pages, 0);
    EXPECT_EQ(m.memo1, marked({"[X] by script"}));
    // Asked for by band splitting, the design text is expanded after all.
    printer.requestExpansion(m);
    printer.print(m, pages, 0);
    EXPECT_EQ(m.memo1, marked({"value"}));
}

TEST_F(MemoPrint, MeasuringLaysOutAndPrintingKeepsTheLayout) {
    TfrMemoPrinter printer(engine, *measurer, hooks);
    // Two words narrower than the object: one line with its marker.
    TfrMemoView& m = memo({QStringLiteral("Два слова")});
    EXPECT_EQ(printer.calcHeight(m), 17);
    EXPECT_EQ(m.memo1, QStringList{QStringLiteral("Два слова") + E});
    EXPECT_EQ(printer.drawMode(m), TfrDrawMode::Height);
    printer.print(m, pages, 0);
    EXPECT_EQ(printer.drawMode(m), TfrDrawMode::Whole);
    EXPECT_EQ(printed(0), std::vector<QStringList>{{QStringLiteral("Два слова") + E}});

    // Drawn from the page, even much narrower and at another scale, it is not
    // wrapped again.
    TfrPage& page = pages.loadPage(0);
    page.object(0)->width = 20;
    std::vector<QString> lines;
    TfrDrawContext c;
    c.measurer = measurer.get();
    c.transform.sx = c.transform.sy = 0.5;
    c.exportHook = [&](const TfrExportLine& line) { lines.push_back(line.text); };
    frDrawMemo(*page.object(0), c);
    EXPECT_EQ(lines, std::vector<QString>{QStringLiteral("Два слова")});

    // Invisible: no height, nothing printed.
    TfrMemoView& hidden = memo({"text"});
    hidden.visible = false;
    EXPECT_EQ(printer.calcHeight(hidden), 0);
    printer.print(hidden, pages, 0);
    EXPECT_EQ(printed(0).size(), 1u);
}

TEST_F(MemoPrint, SuppressPrintsARepeatedValueOnce) {
    TfrMemoPrinter printer(engine, *measurer, hooks);
    TfrMemoView& m = memo({"[V]"});
    m.setFlag(frflags::Suppress, true);
    for (const char* v : {"A", "A", "B", "B", "A"}) {
        values["V"] = v;
        printer.print(m, pages, 0);
    }
    EXPECT_EQ(printed(0), (std::vector<QStringList>{marked({"A"}), marked({"B"}), marked({"A"})}));

    // Measured with the value printed last, a suppressed memo needs no height
    // (its band keeps its design height).
    values["V"] = "A";
    EXPECT_EQ(printer.calcHeight(m), 0);
    printer.print(m, pages, 0);
    values["V"] = "C";
    EXPECT_EQ(printer.calcHeight(m), 17);

    // A new group forgets the value: it prints again.
    values["V"] = "A";
    printer.print(m, pages, 0);
    printer.forgetLastPrinted(m);
    printer.print(m, pages, 0);
    EXPECT_EQ(printed(0).size(), 5u);
}

TEST_F(MemoPrint, SuppressRecordsMeasuredTextInTheFirstOfTwoPasses) {
    TfrMemoPrinter printer(engine, *measurer, hooks);
    printer.firstOfTwoPasses = true;
    TfrMemoView& m = memo({"same"});
    m.setFlag(frflags::Suppress, true);
    EXPECT_EQ(printer.calcHeight(m), 17);
    EXPECT_EQ(printer.calcHeight(m), 0);
    printer.forgetAllPrinted();
    EXPECT_EQ(printer.calcHeight(m), 17);
}

TEST_F(MemoPrint, SplitMemoPrintsWhatFitsAndKeepsTheRest) {
    TfrMemoPrinter printer(engine, *measurer, hooks);
    QStringList ten;
    for (int i = 1; i <= 10; ++i)
        ten << QStringLiteral("line %1").arg(i);
    TfrMemoView& m = memo(ten, 200);
    EXPECT_EQ(printer.calcHeight(m), 10 * 15 + 2);
    // Height 64: lines end at 1 + 15 n; four end above 64.
    m.height = 64;
    printer.setDrawMode(m, TfrDrawMode::Part);
    printer.print(m, pages, 0);
    ASSERT_EQ(printed(0).size(), 1u);
    EXPECT_EQ(printed(0)[0], marked(ten.mid(0, 4)));
    EXPECT_EQ(m.memo1.size(), 6);

    pages.add(*report.pages().page(0));
    m.height = 200;
    printer.setDrawMode(m, TfrDrawMode::Part);
    printer.print(m, pages, 1);
    EXPECT_EQ(printed(1)[0], marked(ten.mid(4)));
    EXPECT_TRUE(m.memo1.isEmpty());
    EXPECT_EQ(printer.drawMode(m), TfrDrawMode::Whole);
}

TEST_F(MemoPrint, SplitPartOfWrappedLinesIsMarkedLaidOut) {
    TfrMemoPrinter printer(engine, *measurer, hooks);
    // One paragraph wrapping to many lines (16 characters a line).
    TfrMemoView& m = memo({QString("word ").repeated(40).trimmed()}, 400);
    printer.calcHeight(m);
    const int lines = m.memo1.size();
    ASSERT_GT(lines, 5);
    m.height = 34; // two lines
    printer.setDrawMode(m, TfrDrawMode::Part);
    printer.print(m, pages, 0);
    const QStringList part = printed(0)[0];
    ASSERT_EQ(part.size(), 3);
    EXPECT_FALSE(part[0].contains(frLineEnd));
    EXPECT_EQ(part[2], E); // the part is never wrapped again
    EXPECT_EQ(m.memo1.size(), lines - 2);
}

TEST_F(MemoPrint, HighlightTagAndBottomAlignmentApplyToTheWrittenObjectOnly) {
    hooks.highlightHolds = [](const TfrMemoView& m) { return m.highlightStr == "yes"; };
    hooks.expandTag = [](const QString& tag, TfrView&) { return QString(tag).replace("[T]", "42"); };
    TfrMemoPrinter printer(engine, *measurer, hooks);
    TfrMemoView& m = memo({"x"});
    m.highlightStr = "yes";
    m.highlight = TfrHighlightAttr{fsItalic, 0x0000FF, 0x00FF00};
    m.tag = "@[T]";
    m.bandAlign = baBottom;
    printer.print(m, pages, 0);
    const TfrPage& page = pages.loadPage(0);
    const auto* written = static_cast<const TfrMemoView*>(page.object(0));
    EXPECT_EQ(written->font.style, fsItalic);
    EXPECT_EQ(written->font.color, 0x0000FFu);
    EXPECT_EQ(written->fillColor, 0x00FF00u);
    EXPECT_EQ(written->tag, "@42");
    EXPECT_EQ(written->bandAlign, baNone);
    EXPECT_EQ(m.font, TfrFont());
    EXPECT_EQ(m.fillColor, clTransparent);
    EXPECT_EQ(m.tag, "@[T]");
    EXPECT_EQ(m.bandAlign, baBottom);

    // The highlight font measures the text: bold is not wider with fixed
    // widths, but the condition is asked while measuring too.
    int asked = 0;
    hooks.highlightHolds = [&](const TfrMemoView&) { return ++asked, false; };
    TfrMemoPrinter second(engine, *measurer, hooks);
    second.calcHeight(m);
    EXPECT_EQ(asked, 1);
}

TEST_F(MemoPrint, CalcHeightScriptMethodReachesThePrinterWhileItExists) {
    TfrMemoView& m = memo({"one", "two", "three"}, 5);
    {
        TfrMemoPrinter printer(engine, *measurer, hooks);
        EXPECT_EQ(m.doMethod("CALCHEIGHT", {})->toInt(), 3 * 15 + 2);
    }
    EXPECT_EQ(m.doMethod("CALCHEIGHT", {})->toInt(), 5);
}

TEST_F(MemoPrint, LinesMeasureAsTheirHeight) {
    TfrMemoPrinter printer(engine, *measurer, hooks);
    TfrLineView line;
    line.setBounds(0, 0, 1, 77);
    EXPECT_EQ(printer.calcHeight(line), 77);
    EXPECT_EQ(printer.minHeight(line), 1);
    EXPECT_EQ(printer.remainHeight(line, 50), 0);
    TfrMemoView& m = memo({"x"});
    EXPECT_EQ(printer.minHeight(m), 19);
    EXPECT_EQ(printer.remainHeight(m, 4 + 30), 4);
}
