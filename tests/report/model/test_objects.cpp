#include "report/model/buildstate.h"
#include "report/model/engine.h"
#include "report/model/objects.h"
#include "report/model/page.h"
#include "report/model/report.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QtEndian>

#include <deque>
#include <gtest/gtest.h>

namespace {

class TfrCustomView : public TfrView {
public:
    const TfrObjectClass& objectClass() const override { return classInfo(); }
    static const TfrObjectClass& classInfo() {
        static const TfrObjectClass c =
            frAddInClass<TfrCustomView>(QStringLiteral("TfrCustomView"), QStringLiteral("Custom"), TfrView::classInfo());
        return c;
    }
};

std::vector<TVariant> args(std::initializer_list<TVariant> list) { return list; }

} // namespace

TEST(ReportObjects, NewMemoHasTheDocumentedDefaults) {
    TfrEngine engine;
    TfrMemoView m;
    EXPECT_EQ(m.objectType, gtMemo);
    EXPECT_EQ(m.baseName(), "Memo");
    EXPECT_EQ(m.flags, 3);
    EXPECT_EQ(m.font.name, "Arial");
    EXPECT_EQ(m.font.size, 10);
    EXPECT_EQ(m.font.style, 0);
    EXPECT_EQ(m.font.color, 0u);
    EXPECT_EQ(m.font.charset, 204);
    EXPECT_EQ(m.lineSpacing, 2);
    EXPECT_EQ(m.charSpacing, 0);
    EXPECT_EQ(m.gapX, 2);
    EXPECT_EQ(m.gapY, 1);
    EXPECT_FLOAT_EQ(m.frameWidth, 1.0f);
    EXPECT_EQ(m.fillColor, 0x1FFFFFFFu);
    EXPECT_EQ(m.frameTyp, 0);
    EXPECT_EQ(m.frameColor, 0u);
    EXPECT_EQ(m.frameStyle, 0);
    EXPECT_EQ(m.alignment, 0u);
    EXPECT_EQ(m.highlight.fontStyle, 2);
    EXPECT_EQ(m.highlight.fontColor, 0u);
    EXPECT_EQ(m.highlight.fillColor, 0xFFFFFFu);
    EXPECT_TRUE(m.highlightStr.isEmpty());
    EXPECT_EQ(m.format, 0x22Eu); // "." as separator, two decimals
    EXPECT_TRUE(m.visible);
    EXPECT_EQ(m.restrictions, 0);
    EXPECT_EQ(m.bandAlign, 0);
    EXPECT_EQ(m.objectVersionMajor, 0);
    EXPECT_EQ(m.objectVersionMinor, 0);
}

TEST(ReportObjects, OtherKindsHaveTheirDefaults) {
    TfrEngine engine;
    TfrBandView b;
    EXPECT_EQ(b.objectType, gtBand);
    EXPECT_EQ(b.baseName(), "Band");
    EXPECT_EQ(b.columns, 1);
    EXPECT_EQ(b.columnWidth, 200);
    EXPECT_EQ(b.columnGap, 20);
    EXPECT_EQ(b.newColumnAfter, 1);
    EXPECT_EQ(b.flags, 48);
    EXPECT_EQ(b.format, 0u);

    TfrPictureView p;
    EXPECT_EQ(p.objectType, gtPicture);
    EXPECT_EQ(p.baseName(), "Picture");
    EXPECT_EQ(p.flags, 5);
    EXPECT_EQ(p.blobType, btBMP);
    EXPECT_TRUE(p.picture.isEmpty());

    TfrLineView l;
    EXPECT_EQ(l.objectType, gtLine);
    EXPECT_EQ(l.baseName(), "Line");
    EXPECT_EQ(l.frameTyp, 4);
    EXPECT_EQ(l.fillColor, 0xFFFFFFu);
    EXPECT_EQ(l.flags, 1);

    TfrSubReportView s;
    EXPECT_EQ(s.objectType, gtSubReport);
    EXPECT_EQ(s.baseName(), "SubReport");
    EXPECT_EQ(s.subPage, 0);

    TfrCustomView v;
    EXPECT_EQ(v.objectType, gtAddIn);
    EXPECT_EQ(v.flags, 1);
}

TEST(ReportObjects, BandTypeLivesInFrameTyp) {
    TfrEngine engine;
    TfrBandView b;
    b.setBandType(0x80 | btMasterData);
    EXPECT_EQ(b.frameTyp, btMasterData); // low 7 bits kept as the whole field
    b.frameTyp = 0x0110;
    EXPECT_EQ(b.bandType(), 0x10); // reading takes the low byte
    EXPECT_EQ(frBandName(btMasterData), "Master data");
    EXPECT_EQ(frBandName(btNone), "Нет");
    EXPECT_EQ(frBandName(23), "");
}

TEST(ReportObjects, SerialNumbersComeFromTheEngineCounter) {
    TfrEngine engine;
    const auto a = engine.createObject(gtMemo);
    const auto b = engine.createObject(gtBand);
    EXPECT_EQ(a->objectId, 0);
    EXPECT_EQ(b->objectId, 1);
    EXPECT_EQ(engine.peekObjectId(), 2);
    TfrEngine fresh;
    EXPECT_EQ(fresh.createObject(gtLine)->objectId, 0);
    // Constructing an object touches no engine.
    TfrMemoView loose;
    EXPECT_EQ(engine.peekObjectId(), 2);
}

TEST(ReportObjects, PictureConstantsAppearWithTheFirstPicture) {
    TfrEngine engine;
    TfrVariables& c = engine.constants();
    EXPECT_FALSE(c.contains(QStringLiteral("btJPG")));
    TfrPictureView constructed; // constructing changes no engine state
    EXPECT_FALSE(c.contains(QStringLiteral("btJPG")));
    engine.createObject(gtPicture);
    EXPECT_EQ(c.get(QStringLiteral("btjpg")).toInt(), 1);
    EXPECT_EQ(c.get(QStringLiteral("btWMF")).toInt(), 3);
}

TEST(ReportObjects, CreationByKindCode) {
    TfrEngine scoped;
    TfrEngine& e = scoped;
    EXPECT_NE(dynamic_cast<TfrMemoView*>(e.createObject(0).get()), nullptr);
    EXPECT_NE(dynamic_cast<TfrPictureView*>(e.createObject(1).get()), nullptr);
    EXPECT_NE(dynamic_cast<TfrBandView*>(e.createObject(2).get()), nullptr);
    EXPECT_NE(dynamic_cast<TfrSubReportView*>(e.createObject(3).get()), nullptr);
    EXPECT_NE(dynamic_cast<TfrLineView*>(e.createObject(4).get()), nullptr);
    // Each object names its class: kind, names and what the class derives from.
    for (int kind = 0; kind <= 4; ++kind) {
        const std::unique_ptr<TfrView> v = e.createObject(kind);
        EXPECT_EQ(&v->objectClass(), frBuiltInClass(kind));
        EXPECT_EQ(v->objectClass().kind, kind);
        EXPECT_EQ(v->objectClass().builtIn(), &v->objectClass());
    }
    EXPECT_TRUE(TfrMemoView::classInfo().isA(TfrStretcheable::classInfo()));
    EXPECT_FALSE(TfrBandView::classInfo().isA(TfrStretcheable::classInfo()));
    EXPECT_EQ(frCast<TfrMemoView>(e.createObject(2).get()), nullptr);
    EXPECT_EQ(e.createObject(5), nullptr);
    EXPECT_EQ(e.createObject(11), nullptr);

    e.registerClass(TfrCustomView::classInfo());
    auto v = e.createObject(10, QStringLiteral("TfrCustomView"));
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->objectType, gtAddIn);
    EXPECT_EQ(v->className(), "TfrCustomView");
    EXPECT_EQ(v->baseName(), "Custom");
    EXPECT_EQ(v->objectClass().builtIn(), nullptr);
}

TEST(ReportObjects, MissingAddInClassesAccumulateInTheMessage) {
    TfrEngine scoped;
    TfrEngine& e = scoped;
    e.registerClass(TfrCustomView::classInfo());
    // Class names are matched exactly.
    try {
        e.createObject(10, QStringLiteral("TFRCUSTOMVIEW"));
        FAIL() << "no error";
    } catch (const EClassNotFound& ex) {
        EXPECT_EQ(ex.message(), "TFRCUSTOMVIEW\r");
    }
    // A load collects the names of every missing class in its own text.
    QString missing;
    EXPECT_THROW(e.createObject(10, QStringLiteral("TFRCUSTOMVIEW"), &missing), EClassNotFound);
    try {
        e.createObject(10, QStringLiteral("TfrBarCodeView"), &missing);
        FAIL() << "no error";
    } catch (const EClassNotFound& ex) {
        EXPECT_EQ(ex.message(), "TFRCUSTOMVIEW\rTfrBarCodeView\r");
    }
    EXPECT_EQ(missing, "TFRCUSTOMVIEW\rTfrBarCodeView\r");
}

TEST(ReportObjects, AddInRegistryRefusesAFullTable) {
    TfrEngine scoped;
    TfrEngine& e = scoped;
    static std::deque<TfrObjectClass> classes;
    auto make = [](const QString& name) -> const TfrObjectClass& {
        return classes.emplace_back(frAddInClass<TfrCustomView>(name, "Custom", TfrView::classInfo()));
    };
    for (int i = 0; i < TfrEngine::maxAddIns; ++i)
        e.registerClass(make(QStringLiteral("TfrView%1").arg(i)));
    EXPECT_EQ(e.addIns().size(), 64u);
    // A class already present is accepted silently even when full.
    EXPECT_NO_THROW(e.registerClass(make(QStringLiteral("TfrView3"))));
    EXPECT_THROW(e.registerClass(make(QStringLiteral("TfrOneTooMany"))), Exception);
    // A class that cannot make objects is refused.
    TfrEngine other;
    TfrObjectClass noFactory = make(QStringLiteral("TfrNoFactory"));
    noFactory.create = nullptr;
    EXPECT_THROW(other.registerClass(noFactory), Exception);
    EXPECT_EQ(e.addIns().size(), 64u);
    EXPECT_EQ(e.findAddIn(QStringLiteral("TfrOneTooMany")), nullptr);
}

TEST(ReportObjects, UniqueNamesIgnoreCaseAcrossPages) {
    TfrEngine engine;
    TfrReport report(engine);
    report.pages().add();
    report.pages().add();
    auto a = std::make_unique<TfrMemoView>();
    a->setName(QStringLiteral("Memo1"));
    report.pages()[0]->add(std::move(a));
    auto b = std::make_unique<TfrMemoView>();
    b->setName(QStringLiteral("memo2"));
    report.pages()[1]->add(std::move(b));

    TfrView* c = report.pages()[0]->add(std::make_unique<TfrMemoView>());
    c->setName(QStringLiteral("Memo1")); // its own old name does not count
    c->createUniqueName();
    EXPECT_EQ(c->name(), "Memo3");

    TfrView* band = report.pages()[1]->add(std::make_unique<TfrBandView>());
    band->createUniqueName();
    EXPECT_EQ(band->name(), "Band1");
}

TEST(ReportObjects, UniqueNameStaysEmptyWhenAllAreTaken) {
    TfrEngine engine;
    TfrReport report(engine);
    report.pages().add();
    TfrPage* page = report.pages()[0];
    for (int i = 1; i <= 10000; ++i) {
        auto l = std::make_unique<TfrLineView>();
        l->setName(QStringLiteral("Line%1").arg(i));
        page->add(std::move(l));
    }
    TfrView* extra = page->add(std::make_unique<TfrLineView>());
    extra->setName(QStringLiteral("Something"));
    extra->createUniqueName();
    EXPECT_TRUE(extra->name().isEmpty());
}

TEST(ReportObjects, PropertiesByNameIgnoreCase) {
    TfrEngine engine;
    TfrMemoView m;
    EXPECT_TRUE(m.setPropValue(QStringLiteral("font.name"), TVariant(QStringLiteral("Courier New"))));
    EXPECT_EQ(m.font.name, "Courier New");
    EXPECT_EQ(m.getPropValue(QStringLiteral("FONT.NAME"))->toString(), "Courier New");
    EXPECT_TRUE(m.setPropValue(QStringLiteral("Font.Style"), TVariant(std::int32_t(fsBold | fsItalic))));
    EXPECT_EQ(m.font.style, 3);

    EXPECT_TRUE(m.getPropValue(QStringLiteral("wordwrap"))->toBool());
    m.setPropValue(QStringLiteral("WORDWRAP"), TVariant(false));
    EXPECT_EQ(m.flags, 1);
    m.setPropValue(QStringLiteral("Stretched"), TVariant(false));
    EXPECT_EQ(m.flags, 0);
    m.setPropValue(QStringLiteral("HideZeros"), TVariant(true));
    EXPECT_EQ(m.flags, 64);

    m.setPropValue(QStringLiteral("left"), TVariant(std::int32_t(15)));
    EXPECT_EQ(m.left, 15);
    EXPECT_EQ(m.getPropValue(QStringLiteral("Left"))->kind(), TVariant::Kind::Integer);

    // Enumerations take a number or a value name.
    m.setPropValue(QStringLiteral("FrameStyle"), TVariant(QStringLiteral("psDot")));
    EXPECT_EQ(m.frameStyle, psDot);
    m.setPropValue(QStringLiteral("BandAlign"), TVariant(std::int32_t(7)));
    EXPECT_EQ(m.bandAlign, baRest);

    // System colours round-trip through the 32-bit signed value scripts use.
    m.setPropValue(QStringLiteral("FillColor"), engine.constants().get(QStringLiteral("clBtnFace")));
    EXPECT_EQ(m.fillColor, 0x8000000Fu);
    EXPECT_EQ(m.getPropValue(QStringLiteral("fillcolor"))->toInt(), static_cast<std::int32_t>(0x8000000Fu));

    // Restrictions keep the high byte that a file brought.
    m.restrictions = 0x0300;
    m.setPropValue(QStringLiteral("Restrictions"), TVariant(std::int32_t(0x41)));
    EXPECT_EQ(m.restrictions, 0x0341);
    EXPECT_EQ(m.getPropValue(QStringLiteral("Restrictions"))->toInt(), 0x41);
}

TEST(ReportObjects, MissingPropertiesAndMethodsAreReported) {
    TfrEngine engine;
    TfrLineView l;
    EXPECT_FALSE(l.getPropValue(QStringLiteral("Font.Name")).has_value());
    EXPECT_FALSE(l.setPropValue(QStringLiteral("WordWrap"), TVariant(true)));
    EXPECT_FALSE(l.hasProperty(QStringLiteral("Alignment")));
    EXPECT_TRUE(l.hasProperty(QStringLiteral("gapx"))); // script-only property
    EXPECT_FALSE(l.doMethod(QStringLiteral("LINES.ADD"), args({TVariant(QStringLiteral("x"))})).has_value());
    EXPECT_FALSE(l.doMethod(QStringLiteral("NOSUCHMETHOD"), {}).has_value());
}

TEST(ReportObjects, PropertyListsFollowTheClass) {
    TfrEngine engine;
    TfrMemoView m;
    const auto& list = m.propList();
    ASSERT_FALSE(list.empty());
    EXPECT_EQ(list.front()->name, "Name");
    const TfrPropRec* fs = m.findProperty(QStringLiteral("framestyle"));
    ASSERT_NE(fs, nullptr);
    EXPECT_EQ(fs->kind, frdtEnum);
    EXPECT_EQ(fs->enumNames, QStringList({"psSolid", "psDash", "psDot", "psDashDot", "psDashDotDot", "psDouble"}));
    EXPECT_EQ(fs->enumValues.back(), 5);
    // A property listed in the base and again by the memo appears once.
    int gapCount = 0;
    for (const TfrPropRec* p : list)
        gapCount += p->name == "GapX";
    EXPECT_EQ(gapCount, 1);
    EXPECT_NE(m.findProperty(QStringLiteral("Lines.Count")), nullptr);

    TfrPictureView p;
    const TfrPropRec* bt = p.findProperty(QStringLiteral("BlobType"));
    ASSERT_NE(bt, nullptr);
    EXPECT_EQ(bt->enumNames.size(), 4);
}

TEST(ReportObjects, BandPropertiesDependOnTheBandType) {
    TfrEngine engine;
    TfrBandView b;
    b.setBandType(btPageFooter);
    EXPECT_EQ(b.findProperty(QStringLiteral("ChildBand")), nullptr);
    EXPECT_FALSE(b.getPropValue(QStringLiteral("ChildBand")).has_value());
    EXPECT_FALSE(b.getPropValue(QStringLiteral("Stretched")).has_value());
    EXPECT_TRUE(b.getPropValue(QStringLiteral("OnLastPage"))->toBool());
    EXPECT_NE(b.findProperty(QStringLiteral("EOF")), nullptr);
    EXPECT_NE(b.findProperty(QStringLiteral("OnBeforePrint")), nullptr);
    // Scripts reach a band's memo; the inspector does not list it.
    EXPECT_NE(b.findProperty(QStringLiteral("Memo")), nullptr);
    for (const TfrPropRec* p : b.propList())
        EXPECT_NE(p->name, "Memo");

    b.setBandType(btMasterData);
    EXPECT_NE(b.findProperty(QStringLiteral("DataSource")), nullptr);
    EXPECT_NE(b.findProperty(QStringLiteral("Columns")), nullptr);
    EXPECT_NE(b.findProperty(QStringLiteral("PrintIfSubsetEmpty")), nullptr);
    EXPECT_EQ(b.findProperty(QStringLiteral("Condition")), nullptr);
    EXPECT_TRUE(b.setPropValue(QStringLiteral("datasource"), TVariant(QStringLiteral("frDS"))));
    EXPECT_EQ(b.dataSourceName(), "frDS");
    EXPECT_TRUE(b.setPropValue(QStringLiteral("FormNewPage"), TVariant(true)));
    EXPECT_EQ(b.flags, 48 | 2);
    EXPECT_FALSE(b.setPropValue(QStringLiteral("RepeatHeader"), TVariant(true)));

    b.setBandType(btGroupHeader);
    EXPECT_TRUE(b.setPropValue(QStringLiteral("Condition"), TVariant(QStringLiteral("[DS.\"Kind\"]"))));
    EXPECT_EQ(b.groupCondition(), "[DS.\"Kind\"]");
    EXPECT_TRUE(b.setPropValue(QStringLiteral("Master"), TVariant(QStringLiteral("MasterData1"))));
    EXPECT_EQ(b.master, "MasterData1");
    EXPECT_NE(b.findProperty(QStringLiteral("RepeatHeader")), nullptr);

    for (int t : {0, 1, 5, 6, 8, 9, 11, 12, 16})
        EXPECT_TRUE(TfrBandView::offers(t, QStringLiteral("FormNewPage"))) << t;
    for (int t : {2, 3, 4, 7, 10, 13, 14, 15, 17, 18, 21, 22})
        EXPECT_FALSE(TfrBandView::offers(t, QStringLiteral("FormNewPage"))) << t;
    EXPECT_TRUE(TfrBandView::offers(btCrossData, QStringLiteral("DataSource")));
    EXPECT_FALSE(TfrBandView::offers(btCrossData, QStringLiteral("Columns")));
}

TEST(ReportObjects, MemoLinesThroughMethodsAndProperties) {
    TfrEngine engine;
    TfrMemoView m;
    EXPECT_EQ(m.doMethod(QStringLiteral("MEMO.ADD"), args({TVariant(QStringLiteral("first"))}))->toInt(), 0);
    EXPECT_EQ(m.doMethod(QStringLiteral("lines.add"), args({TVariant(QStringLiteral("Second"))}))->toInt(), 1);
    EXPECT_EQ(m.doMethod(QStringLiteral("MEMO.INDEXOF"), args({TVariant(QStringLiteral("SECOND"))}))->toInt(), 1);
    EXPECT_EQ(m.doMethod(QStringLiteral("MEMO.INDEXOF"), args({TVariant(QStringLiteral("third"))}))->toInt(), -1);
    EXPECT_EQ(m.getPropValue(QStringLiteral("Memo"))->toString(), "first\r\nSecond");
    EXPECT_EQ(m.getPropValue(QStringLiteral("Memo.Count"))->toInt(), 2);
    EXPECT_EQ(m.getPropValue(QStringLiteral("Lines.Count"))->toInt(), 2);
    EXPECT_EQ(m.getPropValue(QStringLiteral("DataField"))->toString(), "first");

    m.doMethod(QStringLiteral("SETINDEXPROPERTY"),
               args({TVariant(QStringLiteral("MEMO")), TVariant(QStringLiteral("changed")), TVariant(std::int32_t(1))}));
    EXPECT_EQ(m.memo[1], "changed");
    EXPECT_EQ(m.doMethod(QStringLiteral("GETINDEXPROPERTY"),
                         args({TVariant(QStringLiteral("LINES")), TVariant(std::int32_t(0))}))->toString(),
              "first");
    EXPECT_THROW(m.doMethod(QStringLiteral("GETINDEXPROPERTY"),
                            args({TVariant(QStringLiteral("MEMO")), TVariant(std::int32_t(2))})),
                 Exception);
    EXPECT_THROW(m.doMethod(QStringLiteral("MEMO.DELETE"), args({TVariant(std::int32_t(5))})), Exception);
    m.doMethod(QStringLiteral("MEMO.DELETE"), args({TVariant(std::int32_t(0))}));
    EXPECT_EQ(m.memo, QStringList({"changed"}));

    m.setPropValue(QStringLiteral("Memo"), TVariant(QStringLiteral("a\r\nb\nc\r\n")));
    EXPECT_EQ(m.memo, QStringList({"a", "b", "c"}));
    m.doMethod(QStringLiteral("MEMO.CLEAR"), {});
    EXPECT_TRUE(m.memo.isEmpty());

    m.doMethod(QStringLiteral("HIDE"), {});
    EXPECT_FALSE(m.visible);
    m.doMethod(QStringLiteral("Show"), {});
    EXPECT_TRUE(m.visible);
    m.height = 40;
    EXPECT_EQ(m.doMethod(QStringLiteral("CALCHEIGHT"), {})->toInt(), 40);
}

TEST(ReportObjects, BandMethodsMoveTheDatasetOfTheBuild) {
    TfrEngine engine;
    TfrReport report(engine);
    report.pages().add();
    auto* b = static_cast<TfrBandView*>(report.pages()[0]->add(engine.createObject(gtBand)));
    b->setBandType(btMasterData);
    // Without a build the methods exist and do nothing, and the band is at its end.
    EXPECT_TRUE(b->doMethod(QStringLiteral("NEXT"), {}).has_value());
    EXPECT_TRUE(b->getPropValue(QStringLiteral("EOF"))->toBool());
    TfrVirtualDataset ds(2);
    TfrBuildState state;
    state.setDataset(*b, &ds);
    {
        // The dataset is the build's, not the band's: outside the build it is not seen.
        TfrBuildScope scope(report, state);
        b->doMethod(QStringLiteral("FIRST"), {});
        EXPECT_FALSE(b->getPropValue(QStringLiteral("EOF"))->toBool());
        b->doMethod(QStringLiteral("next"), {});
        b->doMethod(QStringLiteral("NEXT"), {});
        EXPECT_EQ(ds.recNo, 2);
        EXPECT_TRUE(b->getPropValue(QStringLiteral("eof"))->toBool());
        b->doMethod(QStringLiteral("PRIOR"), {});
        EXPECT_EQ(ds.recNo, 1);
    }
    EXPECT_EQ(report.buildState(), nullptr);
    b->doMethod(QStringLiteral("PRIOR"), {});
    EXPECT_EQ(ds.recNo, 1);
}

TEST(ReportObjects, ColoursResolveToFixedRgb) {
    EXPECT_EQ(frcolor::resolve(0x000080u), 0x000080u);
    EXPECT_EQ(frcolor::resolve(clTransparent), clTransparent);
    EXPECT_EQ(frcolor::resolve(0x80000005u), 0xFFFFFFu); // window
    EXPECT_EQ(frcolor::resolve(0x80000008u), 0x000000u); // window text
    EXPECT_EQ(frcolor::resolve(0x800000FFu), 0x000000u); // unknown index
    EXPECT_EQ(frcolor::toQColor(0x0000FFu), QColor(255, 0, 0));
    EXPECT_EQ(frcolor::toQColor(clTransparent).alpha(), 0);
    EXPECT_EQ(frcolor::fromQColor(QColor(0x11, 0x22, 0x33)), 0x332211u);
}

TEST(ReportObjects, ConstantTableHoldsTheNamedValues) {
    TfrEngine scoped;
    TfrVariables& c = scoped.constants();
    EXPECT_TRUE(c.sorted());
    EXPECT_EQ(c.get(QStringLiteral("clRed")).toInt(), 0xFF);
    EXPECT_EQ(c.get(QStringLiteral("CLTRANSPARENT")).toInt(), 0x1FFFFFFF);
    EXPECT_EQ(static_cast<std::uint32_t>(c.get(QStringLiteral("clScrollBar")).toInt()), 0x80000000u);
    EXPECT_EQ(static_cast<std::uint32_t>(c.get(QStringLiteral("clInfoBk")).toInt()), 0x80000018u);
    EXPECT_EQ(c.get(QStringLiteral("mrNo")).toInt(), 7);
    EXPECT_EQ(c.get(QStringLiteral("mb_IconWarning")).toInt(), 48);
    EXPECT_EQ(c.get(QStringLiteral("frtaDown")).toInt(), 16);
    EXPECT_EQ(c.get(QStringLiteral("psDouble")).toInt(), 5);
    EXPECT_EQ(c.get(QStringLiteral("CRLF")).toString(), "\r\n");
    EXPECT_TRUE(c.get(QStringLiteral("Null")).isNull());
    // 17 colours + 25 system colours + 5 results + 4 font styles + 5 frame sides
    // + 6 alignments + 8 band alignments + 6 frame styles + 8 box flags + CRLF + Null.
    EXPECT_EQ(c.count(), 42 + 5 + 4 + 5 + 6 + 8 + 6 + 8 + 2);
}

TEST(ReportObjects, DataFieldIsTheFirstMemoLineOnly) {
    TfrMemoView m;
    m.memo = {"[Old]", "second", "third"};
    EXPECT_TRUE(m.setPropValue(QStringLiteral("DataField"), TVariant(QStringLiteral("[New]"))));
    EXPECT_EQ(m.memo, QStringList({"[New]", "second", "third"}));
    EXPECT_EQ(m.getPropValue(QStringLiteral("datafield"))->toString(), "[New]");
    TfrPictureView p;
    p.setPropValue(QStringLiteral("DataField"), TVariant(QStringLiteral("DS.Photo")));
    EXPECT_EQ(p.memo, QStringList({"DS.Photo"}));
}

TEST(ReportObjects, ColoursAboveTheSignedRangeAreKept) {
    // System colours given as numbers (doubles above 0x7FFFFFFF) keep their
    // bits for objects and pages alike.
    TfrEngine engine;
    TfrReport report(engine);
    TfrPage* page = report.pages()[report.pages().add()];
    TfrMemoView m;
    for (TfrObject* o : std::initializer_list<TfrObject*>{&m, page}) {
        const QString prop = o == page ? QStringLiteral("Color") : QStringLiteral("FillColor");
        EXPECT_TRUE(o->setPropValue(prop, TVariant(double(0x8000000F))));
        EXPECT_EQ(static_cast<std::uint32_t>(o->getPropValue(prop)->toInt()), 0x8000000Fu) << prop.toStdString();
        EXPECT_TRUE(o->setPropValue(prop, TVariant(std::int32_t(0xFF))));
        EXPECT_EQ(o->getPropValue(prop)->toInt(), 0xFF);
    }
    EXPECT_EQ(page->color, 0xFFu);
}

// A bitmap decodes; one whose header promises more pixels than its bytes can
// justify is refused before decoding, and the image reader's process-wide
// allocation limit is left as it was.
TEST(ReportObjects, BitmapsAreHeldToTheirPixelBudget) {
    QImage small(8, 4, QImage::Format_RGB32);
    small.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(small.save(&buffer, "BMP"));
    const int limit = QImageReader::allocationLimit();

    TfrPicture picture;
    picture.setData(TfrPicture::Bitmap, bytes);
    EXPECT_EQ(picture.image.size(), QSize(8, 4));
    EXPECT_TRUE(picture.error.isEmpty());

    QByteArray huge = bytes;
    qToLittleEndian<qint32>(20000, huge.data() + 18); // width
    qToLittleEndian<qint32>(20000, huge.data() + 22); // height
    picture.setData(TfrPicture::Bitmap, huge);
    EXPECT_TRUE(picture.image.isNull());
    EXPECT_FALSE(picture.error.isEmpty());
    EXPECT_EQ(picture.data, huge); // the stored bytes are kept as they were
    EXPECT_EQ(QImageReader::allocationLimit(), limit);
}
