// The add-in objects in templates and prepared reports: their stored bytes,
// round trips byte for byte, builds into prepared files and back, the forms
// of older templates, damaged records, and the properties scripts and the
// editors use.

#include "buildfixture.h"

#include "common/binio.h"
#include "common/exception.h"
#include "common/textfile.h"
#include "report/addins/barcodeview.h"
#include "report/addins/oleview.h"
#include "report/addins/programaddins.h"
#include "report/addins/roundrect.h"
#include "report/addins/shapes.h"
#include "report/model/streamio.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <cstring>

namespace {

// A compound file's signature followed by `size` - 8 bytes of noise.
QByteArray compoundFile(qsizetype size) {
    QByteArray bytes = TfrOleDocument::storageSignature;
    QRandomGenerator random(27);
    while (bytes.size() < size)
        bytes.append(char(random.bounded(256)));
    return bytes;
}

class AddInFiles : public BuildTest {
public:
    AddInFiles() { frRegisterProgramAddIns(engine); }

    template <class T>
    T& add(const QString& className, const QString& name, int top = 10, int pg = 0) {
        TfrView* v = page(pg).add(engine.createObject(gtAddIn, className));
        v->setName(name);
        v->setBounds(40, top, 120, 40);
        return *frCast<T>(v);
    }

    // One object of every kind, none with its defaults, on a title band.
    void addEveryKind() {
        band(btReportTitle, 0, 300, "Title");
        auto& bar = add<TfrBarCodeView>("TfrBarCodeView", "Bar1", 10);
        bar.memo = QStringList{"[DS.Qty]"};
        bar.barType = bcCode128B;
        bar.checksum = false;
        bar.showText = false;
        bar.zoom = 2;
        bar.angle = 90;
        auto& shape = add<TfrShapeView>("TfrShapeView", "Shape1", 60);
        shape.shape = skTriangle;
        shape.fillColor = 0x00FF00;
        auto& check = add<TfrCheckBoxView>("TfrCheckBoxView", "Check1", 110);
        check.memo = QStringList{"[DS.Qty] > 1"};
        check.checkStyle = csCheck;
        check.checkColor = 0x0000FF;
        auto& round = add<TfrRoundRectView>("TfrRoundRectView", "RoundRect1", 160);
        round.memo = QStringList{"Итого: [DS.Name]"};
        round.shadowColor = 0x404040;
        round.shadowWidth = 4;
        round.roundCorners = false;
        round.roundSize = 12;
        auto& ole = add<TfrOLEView>("TfrOLEView", "Ole1", 210);
        ole.document = {true, 1, compoundFile(100 * 1024)};
        add<TfrOLEView>("TfrOLEView", "Ole2", 260); // holds nothing
    }

    TfrView* prepared(TfrEMFPages& pages, const QString& name) {
        for (const auto& v : pages.loadPage(0).objects())
            if (v->name() == name)
                return v.get();
        return nullptr;
    }
};

// Where an object's record ends, from its end offset.
qsizetype recordEnd(const QByteArray& file, const QByteArray& className, const QByteArray& name,
                    qsizetype* start = nullptr) {
    const qsizetype at = file.indexOf(QByteArray(1, char(className.size())) + '\0' + className);
    if (at < 1 || file.indexOf(name, at) < 0)
        return -1;
    std::uint32_t end = 0;
    std::memcpy(&end, file.constData() + at + 2 + className.size() + 1 + 1, 4);
    if (start)
        *start = at - 1; // the code byte
    return qsizetype(end);
}

} // namespace

TEST_F(AddInFiles, EveryKindSavesTheSameBytesAfterALoad) {
    addEveryKind();
    const QByteArray first = report.saveToStream();
    TfrReport loaded(engine);
    const TfrLoadResult result = loaded.loadFromStream(first);
    ASSERT_TRUE(result.ok()) << result.messages.join('|').toStdString();
    EXPECT_TRUE(result.messages.isEmpty());
    EXPECT_EQ(loaded.saveToStream(), first);
    const auto* ole = frCast<TfrOLEView>(loaded.findObject("Ole1"));
    ASSERT_TRUE(ole);
    EXPECT_EQ(ole->document, frCast<TfrOLEView>(report.findObject("Ole1"))->document);
    EXPECT_FALSE(frCast<TfrOLEView>(loaded.findObject("Ole2"))->document.held);
    const auto* round = frCast<TfrRoundRectView>(loaded.findObject("RoundRect1"));
    ASSERT_TRUE(round);
    EXPECT_EQ(round->memo, QStringList{"Итого: [DS.Name]"});
    EXPECT_EQ(round->shadowWidth, 4);
    EXPECT_EQ(round->roundSize, 12);
    EXPECT_FALSE(round->roundCorners);
}

TEST_F(AddInFiles, EveryKindSurvivesABuildIntoAPreparedFileAndBack) {
    addRecord("A", "x", 2);
    addEveryKind();
    ASSERT_TRUE(build().ok());
    QTemporaryDir dir;
    const QString file = dir.filePath("addins.frp");
    frSavePreparedReport(report, file);
    TfrReport reader(engine);
    ASSERT_TRUE(frLoadPreparedReport(reader, file).ok());
    TfrEMFPages& pages = frPreparedPages(reader);
    ASSERT_EQ(pages.count(), 1);
    // Written as read.
    TfrEMFPages again(engine);
    ASSERT_TRUE(again.loadFromStream(pages.saveToStream()).ok());
    EXPECT_EQ(again.saveToStream(), pages.saveToStream());

    const auto* bar = frCast<TfrBarCodeView>(prepared(pages, "Bar1"));
    ASSERT_TRUE(bar);
    EXPECT_EQ(bar->memo, QStringList{"2"});
    EXPECT_EQ(bar->barType, bcCode128B);
    EXPECT_EQ(bar->zoom, 2);
    EXPECT_EQ(bar->angle, 90);
    EXPECT_FALSE(bar->showText);
    const auto* shape = frCast<TfrShapeView>(prepared(pages, "Shape1"));
    ASSERT_TRUE(shape);
    EXPECT_EQ(shape->shape, skTriangle);
    const auto* check = frCast<TfrCheckBoxView>(prepared(pages, "Check1"));
    ASSERT_TRUE(check);
    EXPECT_EQ(check->memo, QStringList{"1"}); // a comparison gives 1
    EXPECT_EQ(check->checkStyle, csCheck);
    EXPECT_EQ(check->checkColor, 0x0000FFu);
    const auto* round = frCast<TfrRoundRectView>(prepared(pages, "RoundRect1"));
    ASSERT_TRUE(round);
    EXPECT_EQ(BuildTest::textOf(*round), "Итого: x");
    EXPECT_EQ(round->shadowColor, 0x404040u);
    const auto* ole = frCast<TfrOLEView>(prepared(pages, "Ole1"));
    ASSERT_TRUE(ole);
    EXPECT_EQ(ole->document, frCast<TfrOLEView>(report.findObject("Ole1"))->document);
    pages.releasePage(0);
}

TEST_F(AddInFiles, StoredFieldsFollowTheCommonData) {
    auto& bar = add<TfrBarCodeView>("TfrBarCodeView", "Bar1");
    add<TfrOLEView>("TfrOLEView", "Ole1");
    EXPECT_EQ(bar.memo, QStringList{"12345678"});
    const QByteArray file = report.saveToStream();
    // A new barcode: check digit and caption on, Code 39, zoom convention 2,
    // zoom 1, angle 0.
    const qsizetype barEnd = recordEnd(file, "TfrBarCodeView", "Bar1");
    ASSERT_GT(barEnd, 24);
    QByteArray expected("\x01\x01\x00\x03\x02\x00\x00\x00", 8);
    expected += QByteArray("\x00\x00\x00\x00\x00\x00\xF0\x3F", 8) + QByteArray(8, '\0');
    EXPECT_EQ(file.mid(barEnd - 24, 24).toHex(), expected.toHex());
    // An OLE object holding nothing: the common data (72 bytes with its name
    // "Ole1") and a zero byte.
    qsizetype oleStart = 0;
    const qsizetype oleEnd = recordEnd(file, "TfrOLEView", "Ole1", &oleStart);
    EXPECT_EQ(oleEnd - oleStart, 1 + 13 + 1 + 4 + 72 + 1);
    EXPECT_EQ(file[oleEnd - 1], '\0');
}

TEST_F(AddInFiles, AnOldBarcodesZoomIsHalvedAndWrittenInTheNewConvention) {
    auto& bar = add<TfrBarCodeView>("TfrBarCodeView", "Bar1");
    bar.zoom = 3;
    QByteArray file = report.saveToStream();
    const qsizetype end = recordEnd(file, "TfrBarCodeView", "Bar1");
    file[end - 24 + 4] = 1; // the old convention
    TfrReport loaded(engine);
    ASSERT_TRUE(loaded.loadFromStream(file).ok());
    EXPECT_EQ(frCast<TfrBarCodeView>(loaded.findObject("Bar1"))->zoom, 1.5);
    const QByteArray again = loaded.saveToStream();
    EXPECT_EQ(again[end - 24 + 4], 2);
}

TEST_F(AddInFiles, ABadOleSignatureLosesThatObjectWithItsReason) {
    add<TfrOLEView>("TfrOLEView", "Ole1").document = {true, 1, compoundFile(64)};
    add<TfrOLEView>("TfrOLEView", "Ole2").document = {true, 1, compoundFile(64)};
    memo(100, "after");
    QByteArray file = report.saveToStream();
    const qsizetype at = file.indexOf("BDOC");
    ASSERT_GT(at, 0);
    file[at] = 'X';
    TfrReport loaded(engine);
    const TfrLoadResult result = loaded.loadFromStream(file);
    EXPECT_TRUE(result.ok());
    EXPECT_EQ(result.damagedObjects, QStringList{"Ole1"});
    EXPECT_EQ(result.damageReasons, QStringList{"Invalid stream format"});
    EXPECT_EQ(result.messages, QStringList{"Повреждённые объекты шаблона пропущены: Ole1 (Invalid stream format)"});
    EXPECT_FALSE(loaded.findObject("Ole1"));
    ASSERT_TRUE(loaded.findObject("Ole2"));
    EXPECT_EQ(frCast<TfrOLEView>(loaded.findObject("Ole2"))->document.storage, compoundFile(64));
    EXPECT_TRUE(loaded.findObject("Memo1"));
}

TEST_F(AddInFiles, AnOleSizePastItsRecordIsRefusedThoughTheFileHoldsThatMuch) {
    add<TfrOLEView>("TfrOLEView", "Ole1").document = {true, 1, compoundFile(16)};
    for (int i = 0; i < 20; ++i)
        memo(100 + i, QString(500, u'x'));
    QByteArray file = report.saveToStream();
    const qsizetype at = file.indexOf("BDOC");
    const std::uint32_t size = 5000; // inside the file, past the record
    std::memcpy(file.data() + at + 8, &size, 4);
    TfrReport loaded(engine);
    const TfrLoadResult result = loaded.loadFromStream(file);
    EXPECT_TRUE(result.ok());
    ASSERT_EQ(result.damagedObjects, QStringList{"Ole1"});
    EXPECT_TRUE(result.damageReasons[0].startsWith("OLE object of 5000 bytes")) << result.damageReasons[0].toStdString();
    EXPECT_EQ(loaded.allObjects().size(), 20u);
}

TEST_F(AddInFiles, CheckBoxesOfVersion23HaveNoStyleOrColour) {
    // A version-23 file by hand: no end offsets, names stored, no fields of
    // version 24 in the common data; two check boxes, then a memo.
    using namespace frstream;
    QByteArray file;
    TBinaryWriter out(file);
    out.writeU8(23);
    writeBool16(out, false);
    writeBool16(out, false);
    writeString(out, QString());
    out.writeU8(255); // page
    out.writeI32(-1);
    for (std::int32_t v : {9, 2100, 2970, 0, 0, 0, 0})
        out.writeI32(v);
    out.writeU8(0);
    writeBool16(out, false);
    writeBool16(out, true);
    out.writeI32(1);
    out.writeI32(0);
    writeStrings(out, {});
    auto common = [&](const QString& name, const QStringList& text) {
        writeString(out, name);
        for (std::int32_t v : {40, 10, 20, 20})
            out.writeI32(v);
        out.writeU16(0);
        out.writeU16(15);
        out.writeI32(2);
        out.writeU32(0);
        out.writeU16(0);
        out.writeU32(clTransparent);
        out.writeU32(frformat::defaultCode);
        writeString(out, QString());
        writeStrings(out, text);
        writeStrings(out, {});
        writeBool16(out, true);
    };
    for (const char* name : {"Check1", "Check2"}) {
        out.writeU8(gtAddIn);
        writeString(out, "TfrCheckBoxView");
        out.writeU8(0);
        common(name, {"1"});
    }
    out.writeU8(gtMemo);
    out.writeU8(0);
    common("Memo1", {"after"});
    writeString(out, "Arial");
    out.writeI32(10);
    out.writeU16(0);
    out.writeU32(0);
    out.writeU32(0);
    out.writeU16(204);
    out.writeU16(2);
    out.writeU32(0);
    out.writeU32(clWhite);
    writeString(out, QString());
    out.writeU8(252);

    TfrReport loaded(engine);
    const TfrLoadResult result = loaded.loadFromStream(file);
    ASSERT_TRUE(result.ok()) << result.messages.join('|').toStdString();
    for (const char* name : {"Check1", "Check2"}) {
        const auto* check = frCast<TfrCheckBoxView>(loaded.findObject(name));
        ASSERT_TRUE(check) << name;
        EXPECT_EQ(check->checkStyle, csCross);
        EXPECT_EQ(check->checkColor, clBlack);
        EXPECT_EQ(check->memo, QStringList{"1"});
    }
    ASSERT_TRUE(loaded.findObject("Memo1"));
    EXPECT_EQ(loaded.findObject("Memo1")->memo, QStringList{"after"});
}

TEST_F(AddInFiles, NewObjectsHaveTheirDefaults) {
    const auto& check = add<TfrCheckBoxView>("TfrCheckBoxView", "Check1");
    EXPECT_EQ(check.frameTyp, 15);
    EXPECT_EQ(check.frameWidth, 2.0f);
    const auto& round = add<TfrRoundRectView>("TfrRoundRectView", "RoundRect1");
    EXPECT_EQ(round.frameTyp, 255);
    EXPECT_EQ(round.shadowWidth, 6);
    EXPECT_EQ(round.roundSize, 10);
    EXPECT_EQ(round.shadowColor, 0x808080u);
    EXPECT_TRUE(round.roundCorners && round.allSides());
    const auto& ole = add<TfrOLEView>("TfrOLEView", "Ole1");
    EXPECT_EQ(ole.flags, frflags::Stretched);
    const struct {
        const char* className;
        const char* baseName;
    } names[] = {{"TfrBarCodeView", "Bar"},  {"TfrShapeView", "Shape"}, {"TfrCheckBoxView", "Check"},
                 {"TfrRoundRectView", "RoundRect"}, {"TfrOLEView", "Ole"}};
    for (const auto& n : names)
        EXPECT_EQ(engine.findAddIn(n.className)->baseName, n.baseName);
}

TEST_F(AddInFiles, ObjectsOfAKindBringTheirConstants) {
    const struct {
        const char* className;
        const char* constant;
        int value;
    } cases[] = {{"TfrShapeView", "skDiagonal2", 5},  {"TfrShapeView", "skRoundRectangle", 1},
                 {"TfrCheckBoxView", "csCheck", 1},   {"TfrRoundRectView", "gsHorizCenter", 5},
                 {"TfrRoundRectView", "gsElliptic", 2}};
    for (const auto& c : cases)
        EXPECT_FALSE(engine.constants().contains(c.constant)) << c.constant;
    for (const char* className : {"TfrShapeView", "TfrCheckBoxView", "TfrRoundRectView"})
        engine.createObject(gtAddIn, className);
    for (const auto& c : cases)
        EXPECT_EQ(engine.constants().get(c.constant).toInt(), c.value) << c.constant;
}

TEST_F(AddInFiles, PropertiesSetTheStoredFields) {
    auto& round = add<TfrRoundRectView>("TfrRoundRectView", "RoundRect1");
    EXPECT_EQ(round.getPropValue("Style")->toInt(), 0); // outside gradient mode
    ASSERT_TRUE(round.setPropValue("Gradient", TVariant(true)));
    EXPECT_EQ(round.shadowWidth, -99);
    EXPECT_EQ(round.roundSize, 0);
    round.setPropValue("Style", TVariant(std::int32_t(gsElliptic)));
    EXPECT_EQ(round.getPropValue("Style")->toInt(), 2);
    EXPECT_TRUE(round.getPropValue("Gradient")->toBool());
    round.setPropValue("Gradient", TVariant(false));
    EXPECT_EQ(round.shadowWidth, 10); // not the default 6
    round.setPropValue("BeginColor", TVariant(std::int32_t(0x123456)));
    round.setPropValue("EndColor", TVariant(std::int32_t(0x654321)));
    EXPECT_EQ(round.shadowColor, 0x123456u);
    EXPECT_EQ(round.fillColor, 0x654321u);
    EXPECT_TRUE(round.hasProperty(u"Font.Name")); // still a memo

    auto& shape = add<TfrShapeView>("TfrShapeView", "Shape1");
    shape.setPropValue("Shape", TVariant(QStringLiteral("skEllipse")));
    EXPECT_EQ(shape.shape, skEllipse);
    auto& check = add<TfrCheckBoxView>("TfrCheckBoxView", "Check1");
    check.setPropValue("CheckStyle", TVariant(QStringLiteral("csCheck")));
    EXPECT_EQ(check.checkStyle, csCheck);
    auto& bar = add<TfrBarCodeView>("TfrBarCodeView", "Bar1");
    bar.setPropValue("BarType", TVariant(QStringLiteral("EAN13")));
    bar.setPropValue("Zoom", TVariant(2.5));
    bar.setPropValue("Angle", TVariant(std::int32_t(270)));
    bar.setPropValue("ShowText", TVariant(false));
    EXPECT_EQ(bar.barType, bcCodeEAN13);
    EXPECT_EQ(bar.zoom, 2.5);
    EXPECT_EQ(bar.angle, 270);
    EXPECT_FALSE(bar.showText);
    EXPECT_EQ(bar.getPropValue("Barcode")->toString(), "EAN13");

    // The inspector lists the editors' entries; the fields the editors set
    // are for scripts and editors only.
    auto listed = [](const TfrView& v, const char* name) {
        for (const TfrPropRec* p : v.propList())
            if (p->name == name)
                return true;
        return false;
    };
    EXPECT_TRUE(listed(bar, "Barcode") && listed(bar, "DataField"));
    EXPECT_FALSE(listed(bar, "Zoom"));
    auto& ole = add<TfrOLEView>("TfrOLEView", "Ole1");
    EXPECT_TRUE(listed(ole, "OLE") && listed(ole, "Stretched") && listed(ole, "DataField"));
    EXPECT_EQ(ole.findProperty(u"OLE")->kind, 320);
    EXPECT_EQ(ole.findProperty(u"DataField")->kind, 321);
}

TEST_F(AddInFiles, AnOleObjectEmbedsCompoundFilesOnly) {
    QTemporaryDir dir;
    const QString doc = dir.filePath("book.xls"), text = dir.filePath("notes.txt");
    textfile::writeAtomically(doc, compoundFile(3000));
    textfile::writeAtomically(text, "plain text");
    auto& ole = add<TfrOLEView>("TfrOLEView", "Ole1");
    ASSERT_TRUE(ole.setPropValue("OLE", TVariant(doc)));
    EXPECT_TRUE(ole.getPropValue("OLE")->toBool());
    EXPECT_EQ(ole.document.storage, compoundFile(3000));
    EXPECT_THROW(ole.setPropValue("OLE", TVariant(text)), Exception);
    EXPECT_EQ(ole.document.storage, compoundFile(3000)); // kept
    ole.setPropValue("OLE", TVariant(QString()));
    EXPECT_FALSE(ole.document.held);
}

TEST_F(AddInFiles, CheckBoxesPrintTheirValueAsAWholeNumber) {
    addRecord("A", "x", 5);
    band(btMasterData, 0, 30, "Data", "frDS");
    for (const char* expression : {"TRUE", "FALSE", "[DS.Qty] / 2", "0 - [DS.Qty] / 2", "", "[DS.Qty] > 1"})
        add<TfrCheckBoxView>("TfrCheckBoxView", QStringLiteral("Check%1").arg(page().count()), 0).memo =
            QStringList{expression};
    ASSERT_TRUE(build().ok());
    EXPECT_EQ(listing(), (std::vector<QStringList>{{"-1", "0", "2", "-2", "", "1"}}));
    // A value that is no number fails the build, naming the object.
    add<TfrCheckBoxView>("TfrCheckBoxView", "Wrong", 0).memo = QStringList{"[DS.Name]"};
    const TfrBuildResult result = build();
    ASSERT_FALSE(result.ok());
    EXPECT_TRUE(result.error.contains("Объект: Wrong")) << result.error.toStdString();
}
