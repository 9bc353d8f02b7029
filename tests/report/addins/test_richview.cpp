// The rich-text object: its class, properties and stored form, templates and
// prepared pages that hold it, and its drawing as vector text.

#include "richtest.h"

#include "common/binio.h"
#include "common/cp1251.h"
#include "report/addins/programaddins.h"
#include "report/addins/richview.h"
#include "report/builder/preparedpages.h"
#include "report/model/engine.h"
#include "report/model/report.h"
#include "report/render/drawing.h"
#include "richtext/richedit.h"
#include "richtext/rtfreader.h"
#include "richtext/rtfwriter.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextDocument>
#include <gtest/gtest.h>

using namespace richtest;

namespace {

QByteArray rtf(const QString& body) {
    return "{\\rtf1\\ansi\\ansicpg1251\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset204 Arial;}}\\plain\\f0\\fs20 " +
           cp1251::encode(body) + "}";
}

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class RichView : public ::testing::Test {
public:
    RichView() {
        frRegisterProgramAddIns(engine);
        report.pages().add();
    }

    TfrRichView& rich(const QByteArray& content, int left = 20, int top = 20, int width = 300, int height = 60) {
        auto* r = static_cast<TfrRichView*>(
            report.pages().page(0)->add(engine.createObject(gtAddIn, QStringLiteral("TfrRichView"))));
        r->createUniqueName(&report);
        r->setBounds(left, top, width, height);
        r->setDocumentBytes(content);
        return *r;
    }

    // The rich-text objects of a report loaded from the bytes.
    std::vector<const TfrRichView*> loaded(TfrReport& into, const QByteArray& bytes, TfrLoadResult* result = nullptr) {
        const TfrLoadResult r = into.loadFromStream(bytes);
        if (result)
            *result = r;
        std::vector<const TfrRichView*> out;
        for (const auto& v : into.pages().page(0)->objects())
            if (const auto* rv = frCast<TfrRichView>(v.get()))
                out.push_back(rv);
        return out;
    }

    TfrEngine engine;
    TfrReport report{engine};
};

// Where the object's own data starts in its stored form: after the common
// object data, which a plain TfrView writes alike.
qsizetype ownDataStart(const TfrRichView& r) {
    QByteArray common;
    TBinaryWriter out(common);
    r.TfrView::saveToStream(out, {});
    return common.size();
}

} // namespace

TEST_F(RichView, IsRegisteredAsAnAddInClassExportedAsText) {
    std::unique_ptr<TfrView> v = engine.createObject(gtAddIn, QStringLiteral("TfrRichView"));
    ASSERT_TRUE(frCast<TfrRichView>(v.get()));
    EXPECT_EQ(v->objectType, gtAddIn);
    EXPECT_EQ(v->baseName(), u"Rich");
    EXPECT_TRUE(v->objectClass().isA(TfrStretcheable::classInfo()));
    EXPECT_EQ(v->objectClass().exportKind, TfrExportKind::Text);
    EXPECT_TRUE(v->stretched());
}

// The properties the inspector lists beyond those of every object, with
// their kinds; TextOnly is bit 16 of Flags; Lines reads the plain text and
// takes RTF or plain text (Unicode kept).
TEST_F(RichView, PropertiesMapToTheObject) {
    TfrRichView& r = rich(rtf(QStringLiteral("{\\b Жирный}\\par текст")));
    const struct {
        const char16_t* name;
        std::uint16_t kind;
    } listed[] = {{u"GapX", 2}, {u"GapY", 2}, {u"Lines", 320}, {u"Stretched", 8}, {u"TextOnly", 8}, {u"DataField", 321}};
    const std::vector<const TfrPropRec*> props = r.propList();
    for (const auto& p : listed) {
        const auto it = std::find_if(props.begin(), props.end(), [&](const TfrPropRec* rec) { return rec->name == p.name; });
        ASSERT_NE(it, props.end()) << QString::fromUtf16(p.name).toStdString();
        EXPECT_EQ((*it)->kind, p.kind) << QString::fromUtf16(p.name).toStdString();
    }
    EXPECT_EQ(r.getPropValue(QStringLiteral("Lines"))->toString(), u"Жирный\r\nтекст");
    r.setPropValue(QStringLiteral("TextOnly"), TVariant(true));
    EXPECT_EQ(r.flags, frflags::Stretched | frflags::TextOnly);
    r.setPropValue(QStringLiteral("Flags"), TVariant(std::int32_t(frflags::Stretched)));
    EXPECT_EQ(r.getPropValue(QStringLiteral("TextOnly"))->toBool(), false);
    r.setPropValue(QStringLiteral("Lines"), TVariant(QStringLiteral("одна\r\nдве €ž 漢")));
    EXPECT_EQ(richtext::plainText(r.document()), u"одна\nдве €ž 漢");
    r.setPropValue(QStringLiteral("Lines"), TVariant(cp1251::decode(rtf(QStringLiteral("{\\i курсив}")))));
    EXPECT_EQ(richtext::plainText(r.document()), u"курсив");
    EXPECT_TRUE(richtext::charFormatAt(r.document(), 0).fontItalic());
    r.setPropValue(QStringLiteral("DataField"), TVariant(QStringLiteral("[DS.\"Notes\"]")));
    EXPECT_EQ(r.memo, QStringList{QStringLiteral("[DS.\"Notes\"]")});
}

// Copies share a document until one of them changes it.
TEST_F(RichView, CopiesShareTheDocumentUntilOneChangesIt) {
    TfrRichView& r = rich(rtf(QStringLiteral("общий")));
    TfrRichView copy;
    copy.assign(r);
    EXPECT_EQ(&copy.document(), &r.document());
    richtext::replaceRange(copy.changeDocument(), 0, 5, u"свой");
    EXPECT_EQ(richtext::plainText(copy.document()), u"свой");
    EXPECT_EQ(richtext::plainText(r.document()), u"общий");
    richtext::replaceRange(r.changeDocument(), 0, 0, u"+");
    EXPECT_EQ(richtext::plainText(r.document()), u"+общий");
    EXPECT_EQ(richtext::plainText(copy.document()), u"свой");
}

// The stored form: the content flag, the end offset written back as the
// absolute position after the RTF, then the RTF; an empty document has flag
// 0 and only the offset. Reading continues at the offset in every case.
TEST_F(RichView, StoredFormHoldsTheFlagTheEndOffsetAndTheRtf) {
    for (const QByteArray& content : {rtf(QStringLiteral("Итог {\\b 5}")), QByteArray()}) {
        TfrRichView& r = rich(content);
        QByteArray bytes("prefix");
        TBinaryWriter out(bytes);
        r.saveToStream(out, {});
        const qsizetype end = bytes.size();
        out.writeU32(0xC0FFEE);
        const qsizetype own = 6 + ownDataStart(r);
        const bool empty = content.isEmpty();
        EXPECT_EQ(std::uint8_t(bytes[own]), empty ? 0 : 1);
        TBinaryReader offset(bytes);
        offset.seek(own + 1);
        EXPECT_EQ(offset.readU32(), std::uint32_t(end));
        EXPECT_EQ(bytes.mid(own + 5, end - own - 5), empty ? QByteArray() : richtext::writeRtf(r.document()));

        TfrRichView back;
        TBinaryReader in(bytes);
        in.seek(6);
        back.loadFromStream(in, {});
        EXPECT_EQ(in.pos(), end);
        EXPECT_EQ(in.readU32(), 0xC0FFEEu);
        EXPECT_EQ(paragraphs(back.document()), paragraphs(r.document()));
    }
}

// Damaged stored forms: an end offset outside the stream is refused; an RTF
// text that cannot be read, or a flag that promises none, leaves the object
// empty and reading goes on at the end offset, with one message naming the
// object for what could not be read.
TEST_F(RichView, ADamagedStoredFormIsBoundedByItsEndOffset) {
    TfrRichView& r = rich(rtf(QStringLiteral("текст")));
    QByteArray good;
    TBinaryWriter out(good);
    r.saveToStream(out, {});
    const qsizetype own = ownDataStart(r);
    auto withOffset = [&](std::uint32_t offset) {
        QByteArray b = good;
        TBinaryWriter(b).patchU32(own + 1, offset);
        return b;
    };
    auto withRtf = [&](std::uint8_t flag, const QByteArray& body) {
        QByteArray b = good.left(own);
        TBinaryWriter w(b);
        w.writeU8(flag);
        w.writeU32(std::uint32_t(own + 5 + body.size()));
        w.writeBytes(body);
        return b + "tail";
    };
    for (const QByteArray& bytes : {withOffset(std::uint32_t(own)), withOffset(std::uint32_t(good.size() + 1))}) {
        TfrRichView back;
        TBinaryReader in(bytes);
        EXPECT_THROW(back.loadFromStream(in, {}), EFormatError);
    }
    const QByteArray deep = "{\\rtf1 " + QByteArray(200, '{') + "x" + QByteArray(200, '}') + "}";
    const struct {
        const char* name;
        QByteArray bytes;
        int messages;
    } cases[] = {
        {"RTF too deep", withRtf(1, deep), 1},
        {"RTF cut short", withRtf(1, "{\\rtf1 {\\b unfinished"), 1},
        {"a flag of 2", withRtf(2, rtf(QStringLiteral("не читается"))), 0},
    };
    for (const auto& c : cases) {
        TfrRichView back;
        QStringList messages;
        TBinaryReader in(c.bytes);
        back.loadFromStream(in, TfrStreamContext{25, TfrSaveMode::Design, &messages});
        EXPECT_EQ(in.readBytes(4), "tail") << c.name;
        EXPECT_EQ(richtext::textLength(back.document()), 0) << c.name;
        ASSERT_EQ(messages.size(), c.messages) << c.name;
        if (c.messages) {
            EXPECT_TRUE(messages[0].startsWith(u"Объект Rich1: текст RTF не прочитан")) << messages[0].toStdString();
        }
    }
}

// A document written by a word processor survives a template save and
// load with the same text and formatting runs; a template whose rich text
// is damaged loads with the object empty and one message naming it.
TEST_F(RichView, TemplatesKeepTheDocument) {
    const TfrRichView& source = rich(fileBytes(QStringLiteral(OSTRAND_RICHTEXT_DATA_DIR "/libreoffice.rtf")));
    rich(QByteArray());
    const std::vector<Paragraph> read = paragraphs(source.document());
    const QByteArray saved = report.saveToStream();
    TfrReport back(engine);
    TfrLoadResult result;
    const auto objects = loaded(back, saved, &result);
    ASSERT_TRUE(result.ok());
    EXPECT_TRUE(result.messages.isEmpty());
    ASSERT_EQ(objects.size(), 2u);
    EXPECT_GT(richtext::textLength(objects[0]->document()), 20);
    EXPECT_EQ(paragraphs(objects[0]->document()), read);
    EXPECT_EQ(richtext::textLength(objects[1]->document()), 0);
    EXPECT_EQ(back.saveToStream(), saved);

    // The first object's RTF damaged in place: its end offset still bounds it.
    QByteArray damaged = saved;
    const qsizetype at = damaged.indexOf("{\\rtf1");
    ASSERT_GT(at, 0);
    damaged.replace(at + 6, 200, QByteArray(200, '{')); // nested too deep
    TfrReport hurt(engine);
    const auto kept = loaded(hurt, damaged, &result);
    EXPECT_TRUE(result.ok());
    ASSERT_EQ(result.messages.size(), 1);
    EXPECT_TRUE(result.messages[0].contains(objects[0]->name()));
    ASSERT_EQ(kept.size(), 2u);
    EXPECT_EQ(richtext::textLength(kept[0]->document()), 0);
}

// Drawn on any canvas (preview, printer, PDF) the text is vector text: the
// recording canvas sees every character drawn as text, inside the object
// and behind its frame; a PDF holds it as text.
TEST_F(RichView, DrawsItsTextAsVectorText) {
    TfrRichView& r = rich(rtf(QStringLiteral("Первая строка текста\\par {\\b вторая} строка")));
    for (const bool printing : {false, true}) {
        TRecordingDevice device;
        QPainter painter(&device);
        TfrDrawContext c;
        c.painter = &painter;
        c.transform.sx = c.transform.sy = 2;
        c.transform.printing = printing;
        c.transform.printerDpi = 600;
        frDrawObject(r, c);
        EXPECT_EQ(drawnText(device.drawn), u"Перваястрокатекставтораястрока") << printing;
    }
    r.frameTyp = frftLeft | frftTop | frftRight | frftBottom;
    r.fillColor = 0x00FFFF; // yellow
    QImage image(400, 120, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        TfrDrawContext c;
        c.painter = &painter;
        frDrawObject(r, c);
    }
    EXPECT_EQ(image.pixelColor(r.left, r.top + 30), QColor(Qt::black)) << "frame";
    EXPECT_EQ(image.pixelColor(r.left + r.width - 5, r.top + 50), QColor(Qt::yellow)) << "background";
    int dark = 0;
    for (int x = r.left; x < r.left + r.width; ++x)
        for (int y = r.top + 2; y < r.top + 20; ++y)
            dark += qGray(image.pixel(x, y)) < 100;
    EXPECT_GT(dark, 50) << "the first line's letters";

    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        GTEST_SKIP() << "pdftotext is not installed";
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("rich.pdf"));
    {
        QPdfWriter writer(pdf);
        QPainter painter(&writer);
        TfrDrawContext c;
        c.painter = &painter;
        c.transform.sx = c.transform.sy = writer.resolution() / 96.0;
        frDrawObject(r, c);
    }
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    ASSERT_TRUE(text.waitForFinished(60000));
    const QString out = QString::fromUtf8(text.readAllStandardOutput());
    EXPECT_TRUE(out.contains(u"Первая строка текста")) << out.toStdString();
    EXPECT_TRUE(out.contains(u"вторая строка")) << out.toStdString();
}

namespace {

// The RTF of a rich-text object as a prepared page stores it, in a file.
QString storedRtfFile(TfrEngine& engine, TfrReport& report, const TfrRichView& r, const QTemporaryDir& dir) {
    TfrEMFPages pages(engine);
    pages.add(*report.pages().page(0));
    pages.appendObject(0, r);
    const TfrView& stored = *pages.loadPage(0).objects().at(0);
    const QString file = dir.filePath(QStringLiteral("rich.rtf"));
    QFile f(file);
    if (!f.open(QIODevice::WriteOnly) || f.write(richtext::writeRtf(frCast<TfrRichView>(&stored)->document())) <= 0)
        return {};
    return file;
}

} // namespace

// What the project's writer stores, an independent reader reads: unrtf
// finds the text and the bold run of a prepared object's RTF.
TEST_F(RichView, UnrtfReadsTheStoredRtf) {
    if (QStandardPaths::findExecutable(QStringLiteral("unrtf")).isEmpty())
        GTEST_SKIP() << "unrtf is not installed";
    QTemporaryDir dir;
    const QString file = storedRtfFile(engine, report, rich(rtf(QStringLiteral("Итог: {\\b 1 234,50} шт."))), dir);
    ASSERT_FALSE(file.isEmpty());
    QProcess unrtf;
    unrtf.start(QStringLiteral("unrtf"), {QStringLiteral("--html"), file});
    ASSERT_TRUE(unrtf.waitForFinished(60000));
    const QString html = QString::fromUtf8(unrtf.readAllStandardOutput());
    EXPECT_TRUE(html.contains(u"&#1048;&#1090;&#1086;&#1075;:")) << html.toStdString(); // Итог:
    EXPECT_TRUE(html.contains(u"<b>1 234,50</b>")) << html.toStdString();
}

// Optional: LibreOffice, where installed, converts the stored RTF into RTF
// of its own, which reads back with the same text and runs.
TEST_F(RichView, LibreOfficeReadsTheStoredRtf) {
    const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (soffice.isEmpty())
        GTEST_SKIP() << "LibreOffice is not installed";
    QTemporaryDir dir;
    const QString file = storedRtfFile(engine, report, rich(rtf(QStringLiteral("Итог: {\\b 1 234,50} шт."))), dir);
    ASSERT_FALSE(file.isEmpty());
    QProcess lo;
    lo.start(soffice, {"-env:UserInstallation=file://" + dir.filePath("profile"), "--headless", "--convert-to", "rtf",
                       "--outdir", dir.filePath("out"), file});
    ASSERT_TRUE(lo.waitForFinished(180000));
    const QByteArray converted = fileBytes(dir.filePath("out/rich.rtf"));
    if (converted.isEmpty())
        GTEST_SKIP() << "LibreOffice wrote nothing";
    TfrRichView back;
    back.setDocumentBytes(converted);
    EXPECT_EQ(richtext::plainText(back.document()), u"Итог: 1 234,50 шт.");
    const std::vector<Paragraph> p = paragraphs(back.document());
    ASSERT_EQ(p.size(), 1u);
    ASSERT_EQ(p[0].runs.size(), 3u);
    EXPECT_TRUE(p[0].runs[1].bold);
    EXPECT_FALSE(p[0].runs[0].bold || p[0].runs[2].bold);
}
