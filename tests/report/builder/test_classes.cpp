// Add-in classes take part in builds through their class alone: their own
// stretch behaviour, their own prepared records, hearing of printed objects.

#include "buildfixture.h"

#include "report/builder/objectbuild.h"
#include "report/model/buildstate.h"

namespace {

// Grows by 30 pixels per memo line and prints "tall:<lines>" in parts.
class TfrTallView : public TfrView {
public:
    TfrTallView() { objectType = gtAddIn; }
    const TfrObjectClass& objectClass() const override { return classInfo(); }
    static const TfrObjectClass& classInfo();
};

class TTallBuilder : public TfrObjectBuilder {
public:
    bool stretches() const override { return true; }
    std::int32_t contentHeight(TfrView& view, TfrPrintContext&) const override {
        return 30 * std::int32_t(view.memo.size());
    }
    void print(TfrView& view, const TfrPrintPlace& place, bool part, TfrPrintContext& c) const override {
        TfrView& image = printImage(view, place, c);
        image.memo = QStringList{QStringLiteral("tall:%1%2").arg(view.memo.size()).arg(part ? "+" : "")};
        c.output(image);
    }
};

const TfrObjectClass& TfrTallView::classInfo() {
    static const TfrObjectClass c = [] {
        TfrObjectClass c = frAddInClass<TfrTallView>("TfrTallView", "Tall", TfrView::classInfo());
        c.builder = std::make_shared<TTallBuilder>();
        return c;
    }();
    return c;
}

// Collects the texts printed before it in the build and prints them joined,
// then starts again (as a chart collects its values).
class TfrCollectorView : public TfrView {
public:
    TfrCollectorView() {
        objectType = gtAddIn;
        flags = frflags::WantHook;
    }
    const TfrObjectClass& objectClass() const override { return classInfo(); }
    static const TfrObjectClass& classInfo();
};

struct TCollected {
    QStringList texts;
};

class TCollectorBuilder : public TfrObjectBuilder {
public:
    void objectPrinted(TfrView& listener, const TfrView& printed, const QStringList& text,
                       TfrPrintContext& c) const override {
        c.state.objectState<TCollected>(listener).texts << printed.name() + u'=' + frStripLineEnd(text.value(0));
    }
    void print(TfrView& view, const TfrPrintPlace& place, bool, TfrPrintContext& c) const override {
        TCollected& collected = c.state.objectState<TCollected>(view);
        TfrView& image = printImage(view, place, c);
        image.memo = QStringList{collected.texts.join(u',')};
        collected.texts.clear();
        c.output(image);
    }
};

const TfrObjectClass& TfrCollectorView::classInfo() {
    static const TfrObjectClass c = [] {
        TfrObjectClass c = frAddInClass<TfrCollectorView>("TfrCollectorView", "Collector", TfrView::classInfo());
        c.builder = std::make_shared<TCollectorBuilder>();
        return c;
    }();
    return c;
}

class ClassesTest : public BuildTest {
public:
    ClassesTest() {
        engine.registerClass(TfrTallView::classInfo());
        engine.registerClass(TfrCollectorView::classInfo());
    }
    TfrView& addIn(const QString& className, int y, int height, const QStringList& memo = {}) {
        TfrView* v = page().add(engine.createObject(gtAddIn, className));
        v->createUniqueName(&report);
        v->setBounds(40, y, 100, height);
        v->memo = memo;
        return *v;
    }
};

} // namespace

TEST_F(ClassesTest, AnAddInStretchesItsBandWithItsOwnBehaviour) {
    addRecord("A", "x", 1);
    band(btMasterData, 0, 20, "Data", "frDS").flags = frflags::Stretched;
    TfrView& tall = addIn("TfrTallView", 0, 20, {"a", "b", "c"});
    tall.flags = frflags::Stretched;
    band(btReportSummary, 100, 20, "Summary");
    memo(100, "end");
    ASSERT_TRUE(build().ok());
    ASSERT_EQ(listing(), (std::vector<QStringList>{{"tall:3", "end"}}));
    // The data band grew to the add-in's 90 pixels: the summary follows it.
    const std::vector<Placed> at = placed(0);
    EXPECT_EQ(at[1].top - at[0].top, 90);
}

TEST_F(ClassesTest, AnAddInSplitsOverPagesInParts) {
    addRecord("A", "x", 1);
    TfrBandView& data = band(btMasterData, 0, 20, "Data", "frDS");
    data.flags = frflags::Stretched | frflags::Breaked;
    QStringList many;
    for (int i = 0; i < 60; ++i)
        many << QString::number(i);
    TfrView& tall = addIn("TfrTallView", 0, 20, many);
    tall.flags = frflags::Stretched;
    ASSERT_TRUE(build().ok());
    const std::vector<QStringList> pages = listing();
    ASSERT_GT(pages.size(), 1u);
    for (const QStringList& p : pages)
        EXPECT_EQ(p, QStringList{"tall:60+"});
}

TEST_F(ClassesTest, AListenerHearsEveryPrintedTextOfItsBuild) {
    addRecord("A", "x", 1);
    addRecord("B", "y", 2);
    band(btMasterData, 0, 20, "Data", "frDS");
    memo(0, "[Name]").setName("Value");
    band(btReportSummary, 100, 20, "Summary");
    TfrView& collector = addIn("TfrCollectorView", 100, 20);
    ASSERT_TRUE(build().ok());
    EXPECT_EQ(listing(), (std::vector<QStringList>{{"x", "y", "Value=x,Value=y"}}));
    // What it collected belongs to the build: the template object has nothing,
    // and a second build collects afresh.
    EXPECT_TRUE(collector.memo.isEmpty());
    ASSERT_TRUE(build().ok());
    EXPECT_EQ(listing(), (std::vector<QStringList>{{"x", "y", "Value=x,Value=y"}}));
}
