// Printing memos into prepared pages: expansion, measuring, Suppress, split
// memos, highlight and the tag, with a fake expansion instead of expressions.

#include "report/builder/memoprint.h"
#include "report/builder/preparedpages.h"
#include "report/model/buildstate.h"
#include "report/model/engine.h"
#include "report/render/drawing.h"
#include "report/render/textlayout.h"
#include "report/render/textmeasure.h"

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
        context.expandLine = [this](const QString& line, TfrView&) {
            QString out = line;
            for (auto it = values.begin(); it != values.end(); ++it)
                out.replace(u'[' + it.key() + u']', it.value());
            return out;
        };
        context.output = [this](const TfrView& image) { pages.appendObject(page, image); };
    }

    void print(TfrMemoView& m, bool part = false) { builder.print(m, {}, part, context); }
    std::int32_t calcHeight(TfrView& v) { return frObjectBuilder(v).contentHeight(v, context); }
    // The memo's working text in the build.
    QStringList working(const TfrMemoView& m) {
        const TfrMemoPrintState* s = state.findObjectState<TfrMemoPrintState>(m);
        return s ? s->text : QStringList();
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
            out.push_back(v->memo);
        pages.releasePage(page);
        return out;
    }

    std::shared_ptr<TfrFixedMeasurer> measurer = std::make_shared<TfrFixedMeasurer>(6);
    TfrEngine engine;
    TfrReport report{engine};
    TfrEMFPages pages{engine};
    TfrBuildState state;
    TfrPrintContext context{state, *measurer};
    TfrMemoBuilder builder;
    QMap<QString, QString> values;
    int page = 0;
};

} // namespace

TEST_F(MemoPrint, ExpandsDesignLinesIntoTheWorkingText) {
    values = {{"X", "value"}, {"M", "one\r\ntwo"}, {"Empty", ""}};
    TfrMemoView& m = memo({"a [X]", "", "[M]", "[Empty]"});
    print(m);
    // Printed text is laid out: every line here a paragraph.
    EXPECT_EQ(working(m), marked({"a value", "", "one", "two", ""}));
    EXPECT_EQ(printed(0), std::vector<QStringList>{working(m)});

    m.setFlag(frflags::TextOnly, true);
    print(m);
    EXPECT_EQ(working(m), marked({"a [X]", "", "[M]", "[Empty]"}));
}

TEST_F(MemoPrint, BeforePrintTextIsNotExpandedAgain) {
    values = {{"X", "value"}};
    context.beforePrint = [](TfrView&, QStringList& text) { text = QStringList{"[X] by script"}; };
    TfrMemoView& m = memo({"[X]"});
    print(m);
    EXPECT_EQ(working(m), marked({"[X] by script"}));
    // Laid-out text that a band splitting finds is kept: it is the rest of
    // the memo still to print.
    builder.splitStarts(m, context);
    print(m, true);
    EXPECT_EQ(printed(0).back(), marked({"[X] by script"}));
    // A memo a split finds unmeasured takes its design text, expanded.
    TfrMemoView& fresh = memo({"[X]"});
    builder.splitStarts(fresh, context);
    print(fresh, true);
    EXPECT_EQ(printed(0).back(), marked({"value"}));
}

TEST_F(MemoPrint, MeasuringLaysOutAndPrintingKeepsTheLayout) {
    // Two words narrower than the object: one line with its marker.
    TfrMemoView& m = memo({QStringLiteral("Два слова")});
    EXPECT_EQ(calcHeight(m), 17);
    EXPECT_EQ(working(m), QStringList{QStringLiteral("Два слова") + E});
    // Printing takes the measured text: the design text is not expanded again.
    m.memo = QStringList{QStringLiteral("changed after measuring")};
    print(m);
    EXPECT_EQ(printed(0), std::vector<QStringList>{{QStringLiteral("Два слова") + E}});
    m.memo = QStringList{QStringLiteral("Два слова")};

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
    EXPECT_EQ(calcHeight(hidden), 0);
    print(hidden);
    EXPECT_EQ(printed(0).size(), 1u);
}

TEST_F(MemoPrint, SuppressPrintsARepeatedValueOnce) {
    TfrMemoView& m = memo({"[V]"});
    m.setFlag(frflags::Suppress, true);
    for (const char* v : {"A", "A", "B", "B", "A"}) {
        values["V"] = v;
        print(m);
    }
    EXPECT_EQ(printed(0), (std::vector<QStringList>{marked({"A"}), marked({"B"}), marked({"A"})}));

    // Measured with the value printed last, a suppressed memo needs no height
    // (its band keeps its design height).
    values["V"] = "A";
    EXPECT_EQ(calcHeight(m), 0);
    print(m);
    values["V"] = "C";
    EXPECT_EQ(calcHeight(m), 17);

    // A new group forgets the value: it prints again.
    values["V"] = "A";
    print(m);
    builder.forgetPrinted(m, context);
    print(m);
    EXPECT_EQ(printed(0).size(), 5u);
}

TEST_F(MemoPrint, SuppressRecordsMeasuredTextInTheFirstOfTwoPasses) {
    context.firstOfTwoPasses = true;
    TfrMemoView& m = memo({"same"});
    m.setFlag(frflags::Suppress, true);
    EXPECT_EQ(calcHeight(m), 17);
    EXPECT_EQ(calcHeight(m), 0);
    builder.forgetPrinted(m, context);
    EXPECT_EQ(calcHeight(m), 17);
}

TEST_F(MemoPrint, SplitMemoPrintsWhatFitsAndKeepsTheRest) {
    QStringList ten;
    for (int i = 1; i <= 10; ++i)
        ten << QStringLiteral("line %1").arg(i);
    TfrMemoView& m = memo(ten, 200);
    EXPECT_EQ(calcHeight(m), 10 * 15 + 2);
    // Height 64: lines end at 1 + 15 n; four end above 64.
    m.height = 64;
    print(m, true);
    ASSERT_EQ(printed(0).size(), 1u);
    EXPECT_EQ(printed(0)[0], marked(ten.mid(0, 4)));
    EXPECT_EQ(working(m).size(), 6);

    pages.add(*report.pages().page(0));
    m.height = 200;
    page = 1;
    print(m, true);
    EXPECT_EQ(printed(1)[0], marked(ten.mid(4)));
    EXPECT_TRUE(working(m).isEmpty());
}

TEST_F(MemoPrint, SplitPartOfWrappedLinesIsMarkedLaidOut) {
    // One paragraph wrapping to many lines (16 characters a line).
    TfrMemoView& m = memo({QString("word ").repeated(40).trimmed()}, 400);
    calcHeight(m);
    const int lines = working(m).size();
    ASSERT_GT(lines, 5);
    m.height = 34; // two lines
    print(m, true);
    const QStringList part = printed(0)[0];
    ASSERT_EQ(part.size(), 3);
    EXPECT_FALSE(part[0].contains(frLineEnd));
    EXPECT_EQ(part[2], E); // the part is never wrapped again
    EXPECT_EQ(working(m).size(), lines - 2);
}

TEST_F(MemoPrint, HighlightAndTagApplyToTheWrittenObjectOnly) {
    context.conditionHolds = [](const QString& condition, TfrView&) { return condition == "yes"; };
    context.expandTag = [](const QString& tag, TfrView&) { return QString(tag).replace("[T]", "42"); };
    TfrMemoView& m = memo({"x"});
    m.highlightStr = "yes";
    m.highlight = TfrHighlightAttr{fsItalic, 0x0000FF, 0x00FF00};
    m.tag = "@[T]";
    print(m);
    const TfrPage& page = pages.loadPage(0);
    const auto* written = static_cast<const TfrMemoView*>(page.object(0));
    EXPECT_EQ(written->font.style, fsItalic);
    EXPECT_EQ(written->font.color, 0x0000FFu);
    EXPECT_EQ(written->fillColor, 0x00FF00u);
    EXPECT_EQ(written->tag, "@42");
    EXPECT_EQ(m.font, TfrFont());
    EXPECT_EQ(m.fillColor, clTransparent);
    EXPECT_EQ(m.tag, "@[T]");

    // The highlight font measures the text: bold is not wider with fixed
    // widths, but the condition is asked while measuring too.
    int asked = 0;
    context.conditionHolds = [&](const QString&, TfrView&) { return ++asked, false; };
    calcHeight(m);
    EXPECT_EQ(asked, 1);
}

TEST_F(MemoPrint, CalcHeightScriptMethodReachesTheBuildWhileItRuns) {
    TfrMemoView& m = memo({"one", "two", "three"}, 5);
    state.calcHeight = [this](TfrView& v) { return calcHeight(v); };
    {
        TfrBuildScope scope(report, state);
        EXPECT_EQ(m.doMethod("CALCHEIGHT", {})->toInt(), 3 * 15 + 2);
    }
    EXPECT_EQ(m.doMethod("CALCHEIGHT", {})->toInt(), 5);
}

TEST_F(MemoPrint, LinesMeasureAsTheirHeight) {
    TfrLineView line;
    line.setBounds(0, 0, 1, 77);
    const TfrObjectBuilder& lines = frObjectBuilder(line);
    EXPECT_TRUE(lines.stretches());
    EXPECT_EQ(calcHeight(line), 77);
    EXPECT_EQ(lines.minimumHeight(line, context), 1);
    EXPECT_EQ(lines.remainingHeight(line, 50, context), 0);
    TfrMemoView& m = memo({"x"});
    EXPECT_EQ(builder.minimumHeight(m, context), 19);
    EXPECT_EQ(builder.remainingHeight(m, 4 + 30, context), 4);
    // Pictures neither stretch nor measure anything but their height.
    TfrPictureView picture;
    picture.setBounds(0, 0, 10, 33);
    EXPECT_FALSE(frObjectBuilder(picture).stretches());
    EXPECT_EQ(calcHeight(picture), 33);
}
