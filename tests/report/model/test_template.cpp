// Template streams: golden bytes built from the stored layouts, reading of old
// versions, failures of damaged files, round trips.

#include "common/binio.h"
#include "common/cp1251.h"
#include "common/datetime.h"
#include "common/interaction.h"
#include "common/textfile.h"
#include "report/model/engine.h"
#include "report/model/jpeg.h"
#include "report/model/report.h"
#include "report/model/streamio.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <map>
#include <gtest/gtest.h>

namespace {

const QString kDataDir = QStringLiteral(OSTRAND_TEST_DATA_DIR);
const QString kBadFormat = QStringLiteral("Неверный FRF формат");

QByteArray dataFile(const QString& name) {
    const auto bytes = textfile::readBytes(kDataDir + u'/' + name);
    if (!bytes)
        ADD_FAILURE() << "missing test file " << name.toStdString();
    return bytes.value_or(QByteArray());
}

// Bytes built by hand from the stored layouts.
struct Bytes {
    QByteArray b;
    Bytes& u8(int v) {
        b.append(static_cast<char>(v));
        return *this;
    }
    Bytes& u16(int v) { return u8(v & 0xFF).u8((v >> 8) & 0xFF); }
    Bytes& u32(std::uint32_t v) { return u16(v & 0xFFFF).u16(v >> 16); }
    Bytes& i32(std::int32_t v) { return u32(static_cast<std::uint32_t>(v)); }
    Bytes& raw(const QByteArray& r) {
        b.append(r);
        return *this;
    }
    Bytes& str(const QString& s) {
        const QByteArray e = cp1251::encode(s);
        return u16(static_cast<int>(e.size())).raw(e).u8(0);
    }
    Bytes& list(const QStringList& lines) {
        u16(static_cast<int>(lines.size()));
        if (lines.isEmpty())
            return u8(0);
        for (int i = 0; i < lines.size(); ++i) {
            const QByteArray e = cp1251::encode(lines[i]);
            u16(static_cast<int>(e.size())).raw(e).u8(i + 1 < lines.size() ? 13 : 0);
        }
        return *this;
    }
    Bytes& b16(bool v) { return u16(v ? 0xFFFF : 0); }
};

// The page record of a new page named Page1 on A4 with all defaults.
QByteArray defaultPageRecord(const QString& name = QStringLiteral("Page1")) {
    Bytes p;
    p.u8(255).i32(-1).i32(9).i32(2100).i32(2970).i32(0).i32(0).i32(0).i32(0).u8(0).i32(0xFFFF);
    p.b16(false).b16(true).i32(0).i32(0).u8(0).str(name).u8(3).str("Form").u32(0x8000000F);
    p.i32(220).i32(120).i32(380).i32(300).u8(4).list({});
    return p.b;
}

// The base payload of a fresh object with default geometry values.
Bytes basePayload(const QString& name, int minor, std::uint16_t flags, std::uint32_t fill, std::uint32_t format) {
    Bytes b;
    b.str(name).u8(2).u8(minor).i32(0).i32(0).i32(0).i32(0).u16(flags).u16(0).i32(1).u32(0).u16(0).u32(fill);
    b.u32(format).str("").list({}).list({}).b16(true).u16(0).str("").i32(2).i32(1).u8(0);
    return b;
}

// An add-in for tests: a memo with one field of its own.
class TfrTestAddIn : public TfrMemoView {
public:
    TfrTestAddIn() { objectType = gtAddIn; }
    const TfrObjectClass& objectClass() const override { return classInfo(); }
    static const TfrObjectClass& classInfo() {
        static const TfrObjectClass c =
            frAddInClass<TfrTestAddIn>(QStringLiteral("TfrTestAddIn"), QStringLiteral("Memo"), TfrMemoView::classInfo());
        return c;
    }
    std::int32_t extra = 0;
    void loadFromStream(TBinaryReader& in, const TfrStreamContext& context) override {
        TfrMemoView::loadFromStream(in, context);
        extra = in.readI32();
    }
    void saveToStream(TBinaryWriter& out, const TfrStreamContext& context) const override {
        TfrMemoView::saveToStream(out, context);
        out.writeI32(extra);
    }
};

class Template : public ::testing::Test {
protected:
    TfrEngine engine;
    TRecordingInteraction ui;
    TScopedInteraction uiScope{ui};

    // The test add-in, registered under `name` (its objects keep their own class).
    void registerAddIn(const QString& name = QStringLiteral("TfrTestAddIn")) {
        if (name == TfrTestAddIn::classInfo().className) {
            engine.registerClass(TfrTestAddIn::classInfo());
            return;
        }
        static std::map<QString, TfrObjectClass> others;
        const auto it = others.try_emplace(name, frAddInClass<TfrTestAddIn>(name, "Memo", TfrMemoView::classInfo())).first;
        engine.registerClass(it->second);
    }

    // Shows what a load reports, as the program does.
    TfrLoadResult present(const TfrLoadResult& result) {
        for (const QString& m : result.messages)
            ui.showError(m);
        return result;
    }

    // Saves and cuts the last eight bytes (the last-change date).
    static QByteArray saveCut(const TfrReport& r) {
        const QByteArray out = r.saveToStream();
        EXPECT_GT(out.size(), 8);
        return out.left(out.size() - 8);
    }
};

} // namespace

// ------------------------------------------------------------------ primitives

TEST_F(Template, ListsAndStringsHaveTheirStoredForm) {
    auto written = [](auto fn) {
        QByteArray out;
        TBinaryWriter w(out);
        fn(w);
        return out;
    };
    EXPECT_EQ(written([](TBinaryWriter& w) { frstream::writeStrings(w, {}); }), QByteArray("\0\0\0", 3));
    EXPECT_EQ(written([](TBinaryWriter& w) { frstream::writeStrings(w, {"A"}); }), QByteArray("\1\0\1\0A\0", 6));
    EXPECT_EQ(written([](TBinaryWriter& w) { frstream::writeStrings(w, {"ab", ""}); }),
              QByteArray("\2\0\2\0ab\r\0\0\0", 10));
    EXPECT_EQ(written([](TBinaryWriter& w) { frstream::writeString(w, "Я"); }), QByteArray("\1\0\xDF\0", 4));

    // Before version 23: zero-terminated, 13 ends a line.
    int version = 22;
    auto readList = [&version](const QByteArray& bytes) {
        TBinaryReader r(bytes);
        return frstream::readStrings(r, version);
    };
    EXPECT_EQ(readList(QByteArray("a\rb\0", 4)), QStringList({"a", "b"}));
    EXPECT_EQ(readList(QByteArray("a\r\0", 3)), QStringList({"a"}));
    EXPECT_EQ(readList(QByteArray("\r\0", 2)), QStringList({""}));
    EXPECT_EQ(readList(QByteArray("\0", 1)), QStringList());
    EXPECT_THROW(readList(QByteArray("abc")), EFormatError); // no terminator
    version = 25;
    EXPECT_EQ(readList(QByteArray("\2\0\1\0x\r\1\0y\0", 10)), QStringList({"x", "y"}));
    EXPECT_THROW(readList(QByteArray("\1\0\5\0ab", 6)), EFormatError); // length past the end
}

TEST_F(Template, OverlongTextsAreRefusedNotCut) {
    QByteArray out;
    TBinaryWriter w(out);
    EXPECT_NO_THROW(frstream::writeString(w, QString(65535, u'x')));
    EXPECT_THROW(frstream::writeString(w, QString(65536, u'x')), Exception);
    QStringList many;
    for (int i = 0; i < 65536; ++i)
        many << QString();
    EXPECT_THROW(frstream::writeStrings(w, many), Exception);
    many.removeLast();
    EXPECT_NO_THROW(frstream::writeStrings(w, many));
}

TEST_F(Template, FrameWidthEncoding) {
    EXPECT_EQ(frstream::encodeFrameWidth(0.5f), 500);
    EXPECT_EQ(frstream::encodeFrameWidth(2.0f), 2);
    EXPECT_EQ(frstream::encodeFrameWidth(10.0f), 10);
    EXPECT_EQ(frstream::encodeFrameWidth(12.0f), 12000);
    EXPECT_EQ(frstream::encodeFrameWidth(1.5f), 1500);
    EXPECT_EQ(frstream::encodeFrameWidth(1e12f), 2147483647); // saturates, no overflow
    EXPECT_FLOAT_EQ(frstream::decodeFrameWidth(1), 1.0f);
    EXPECT_FLOAT_EQ(frstream::decodeFrameWidth(10), 10.0f);
    EXPECT_FLOAT_EQ(frstream::decodeFrameWidth(500), 0.5f);
    EXPECT_FLOAT_EQ(frstream::decodeFrameWidth(1500), 1.5f);
    EXPECT_FLOAT_EQ(frstream::decodeFrameWidth(12000), 12.0f);

    // In an object record the width sits right after the 16-byte rectangle,
    // the flags and the frame type.
    TfrLineView line;
    line.setName("L");
    line.frameWidth = 0.5f;
    QByteArray out;
    TBinaryWriter w(out);
    line.saveToStream(w, TfrStreamContext{});
    TBinaryReader r(out);
    r.seek(4 + 2 + 16 + 4);
    EXPECT_EQ(r.readI32(), 500);
}

// ------------------------------------------------------------------ golden reports

TEST_F(Template, EmptyReportGoldenBytes) {
    TfrReport r(engine);
    r.pages().add();
    r.pages()[0]->name = "Page1";
    r.info.createDate = 45000.5;
    const QByteArray out = saveCut(r);

    Bytes e;
    e.u8(25).b16(false).b16(false).str(QString(QChar(1))); // virtual printer
    e.raw(defaultPageRecord());
    e.u8(254).u16(0xFFFE).u32(0).u32(0).u32(0);
    e.u8(252);
    for (int i = 0; i < 8; ++i)
        e.u16(0);
    e.u8(88).u8(0).raw(QByteArray(reinterpret_cast<const char*>(&r.info.createDate), 8));
    EXPECT_EQ(e.b.size() + 8, 149 + 1);
    EXPECT_EQ(out.toHex(' ').toStdString(), e.b.toHex(' ').toStdString());
    EXPECT_EQ(defaultPageRecord().size(), 91);
}

TEST_F(Template, PrinterNameIsWrittenAsSelected) {
    TfrReport r(engine);
    r.pages().add();
    const QByteArray out = r.saveToStream();
    EXPECT_EQ(out.mid(5, 4), QByteArray("\1\0\1\0", 4));
    // Reading 0x01 selects the virtual printer.
    present(r.loadFromStream(out));
    EXPECT_EQ(r.printerName, TfrPrinter::virtualPrinterName());
}

TEST_F(Template, NewMemoRecordIs124Bytes) {
    TfrReport r(engine);
    r.pages().add();
    r.pages()[0]->name = "Page1";
    auto* memo = r.pages()[0]->add(engine.createObject(gtMemo));
    memo->setName("Memo1");
    const QByteArray out = r.saveToStream();
    const int at = 1 + 4 + 4 + 91; // version, flags, printer name, page record
    Bytes e;
    e.u8(0).u8(0).u32(at + 124);
    e.raw(basePayload("Memo1", 0, 3, 0x1FFFFFFF, '.' + 0x200).b);
    e.str("Arial").i32(10).u16(0).u32(0).u32(0).u16(204).u16(2).u32(0).u32(0xFFFFFF).str("").i32(2).i32(0);
    ASSERT_EQ(e.b.size(), 124);
    EXPECT_EQ(out.mid(at, 124).toHex(' ').toStdString(), e.b.toHex(' ').toStdString());
    EXPECT_EQ(static_cast<unsigned char>(out.at(at + 124)), 254); // dictionary follows
}

TEST_F(Template, PageRecordsThenObjectsPageByPage) {
    TfrReport r(engine);
    r.pages().add();
    r.pages().add();
    r.pages()[0]->name = "Page1";
    r.pages()[1]->name = "Page2";
    r.pages()[1]->add(engine.createObject(gtLine))->setName("Line1");
    r.pages()[0]->add(engine.createObject(gtLine))->setName("Line2");
    const QByteArray out = r.saveToStream();
    const int first = 9 + 91 + 91;
    EXPECT_EQ(out.mid(9, 91), defaultPageRecord("Page1"));
    EXPECT_EQ(out.mid(100, 91), defaultPageRecord("Page2"));
    EXPECT_EQ(out.mid(first, 2), QByteArray("\4\0", 2));                       // Line2 on page 0 first
    EXPECT_EQ(out.mid(first + 2 + 4 + 2, 5), QByteArray("Line2"));
}

TEST_F(Template, DictionaryBlockGoldenAndLayouts) {
    TfrReport r(engine);
    r.dictionary().variables.set(" Кат", TVariant(QString()));
    r.dictionary().variables.set("X", TVariant(std::int32_t(5)));
    r.dictionary().aliases.set("frDS", TVariant(QString("Выборка")));
    QByteArray out;
    TBinaryWriter w(out);
    r.dictionary().saveToStream(w);
    Bytes e;
    e.u16(0xFFFE).u32(2).str(" Кат").str("").str("X").str("5").u32(1).str("frDS").str("Выборка").u32(0);
    EXPECT_EQ(out, e.b);

    TfrReport back(engine);
    TBinaryReader in(out);
    back.dictionary().loadFromStream(in, 25);
    EXPECT_EQ(back.dictionary().variables.names(), QStringList({" Кат", "X"}));
    EXPECT_EQ(back.dictionary().variables.get("X").toString(), "5");
    EXPECT_TRUE(back.dictionary().variables.get("X").isString());
    EXPECT_TRUE(in.atEnd());

    // Old layout: one expression entry, then Cat and " Var" in the old convention.
    Bytes old;
    old.u32(2);
    old.u8(2).i32(1).u8(0).u8(3).raw("'a'").u8(3).raw("Var");
    old.u8(2).i32(2).u8(0).u8(0).u8(3).raw("Day");
    old.list({"Cat", " Var", " Day"});
    TBinaryReader oin(old.b);
    back.dictionary().loadFromStream(oin, 25);
    EXPECT_EQ(back.dictionary().variables.names(), QStringList({" Cat", "Var", "Day"}));
    EXPECT_EQ(back.dictionary().variables.get("Var").toString(), "'a'");
    EXPECT_EQ(back.dictionary().variables.get("Day").toString(), "DATE");

    // Marker -1: empty aliases of unknown fields and empty band sources go.
    Bytes clean;
    clean.u16(0xFFFF).u32(0).u32(2).str("NoSuch.Field").str("").str("Kept").str("x").u32(2).str("A").str("").str("B").str("b");
    TBinaryReader cin(clean.b);
    back.dictionary().loadFromStream(cin, 25);
    EXPECT_EQ(back.dictionary().aliases.names(), QStringList({"Kept"}));
    EXPECT_EQ(back.dictionary().bandSources.names(), QStringList({"B"}));

    // A name listed twice is kept twice (look-ups find the first).
    Bytes dup;
    dup.u16(0xFFFE).u32(3).str(" a").str("1").str("b").str("2").str(" A").str("3").u32(0).u32(0);
    TBinaryReader din(dup.b);
    back.dictionary().loadFromStream(din, 25);
    EXPECT_EQ(back.dictionary().variables.names(), QStringList({" a", "b", " A"}));
    EXPECT_EQ(back.dictionary().variables.get(" a").toString(), "1");
}

TEST_F(Template, DictionaryFiles) {
    QTemporaryDir dir;
    const QString path = dir.filePath("d.frd");
    TfrReport r(engine);
    r.dictionary().variables.set(" Параметры сервера", TVariant(QString()));
    r.dictionary().variables.set("Машина", TVariant(QString("'NT1'")));
    r.dictionary().saveToFile(path);
    const QByteArray bytes = *textfile::readBytes(path);
    EXPECT_EQ(static_cast<unsigned char>(bytes[0]), 25);
    EXPECT_EQ(bytes.mid(1, 2), QByteArray("\xFE\xFF", 2));

    TfrReport back(engine);
    back.dictionary().loadFromFile(path);
    EXPECT_EQ(back.dictionary().variables.get("Машина").toString(), "'NT1'");

    QFile::resize(path, bytes.size() - 3);
    EXPECT_THROW(back.dictionary().loadFromFile(path), EFormatError);
    EXPECT_TRUE(back.dictionary().variables.isEmpty());
    EXPECT_THROW(back.dictionary().loadFromFile(dir.filePath("none.frd")), Exception);
}

// ------------------------------------------------------------------ round trips

TEST_F(Template, TestTemplatesSaveBackIdentically) {
    for (const char* name : {"empty.frf", "objects.frf", "pictures.frf", "dialog.frf"}) {
        SCOPED_TRACE(name);
        const QByteArray file = dataFile(name);
        TfrReport r(engine);
        present(r.loadFromStream(file));
        EXPECT_TRUE(ui.messages.empty()) << ui.texts().join('|').toStdString();
        const QByteArray out = saveCut(r);
        EXPECT_EQ(out.toHex(' ').toStdString(), file.left(file.size() - 8).toHex(' ').toStdString());
    }
}

TEST_F(Template, ObjectsTemplateContents) {
    TfrReport r(engine);
    present(r.loadFromStream(dataFile("objects.frf")));
    ASSERT_EQ(r.pages().count(), 2);
    EXPECT_TRUE(r.doublePassReport);
    const TfrPage& p1 = *r.pages()[0];
    EXPECT_EQ(p1.script, QStringList({"begin", "  x := 1;", "end"}));
    EXPECT_EQ(p1.margins, (TfrMargins{36, 36, 36, 36}));
    const TfrPage& p2 = *r.pages()[1];
    EXPECT_EQ(p2.pSize, 256);
    EXPECT_EQ(p2.pWidth, 1500);
    EXPECT_EQ(p2.orientation, poLandscape);
    EXPECT_TRUE(p2.printToPrevPage);

    auto* band = dynamic_cast<TfrBandView*>(r.findObject("MasterData1"));
    ASSERT_TRUE(band);
    EXPECT_EQ(band->bandType(), 3);
    EXPECT_EQ(band->dataSourceName(), "frDS");
    EXPECT_EQ(band->master, "Band0");
    EXPECT_EQ(band->columnWidth, 300);
    auto* memo = dynamic_cast<TfrMemoView*>(r.findObject("Memo1"));
    ASSERT_TRUE(memo);
    EXPECT_FLOAT_EQ(memo->frameWidth, 0.5f);
    EXPECT_EQ(memo->memo, QStringList({"[frDS.\"Имя\"]", "вторая строка"}));
    EXPECT_EQ(memo->restrictions, 0x0103);
    EXPECT_EQ(memo->bandAlign, baCenter);
    EXPECT_EQ(memo->font.name, "Times New Roman");
    EXPECT_EQ(memo->font.charset, 1);
    EXPECT_EQ(memo->highlightStr, "Value > 0");
    EXPECT_EQ(memo->lineSpacing, 5);
    EXPECT_FLOAT_EQ(r.findObject("Memo2")->frameWidth, 12.0f);
    EXPECT_FALSE(r.findObject("Memo2")->visible);
    auto* pic = dynamic_cast<TfrPictureView*>(r.findObject("Picture1"));
    ASSERT_TRUE(pic);
    EXPECT_EQ(pic->picture.kind, TfrPicture::Bitmap);
    EXPECT_EQ(pic->picture.image.size(), QSize(2, 2));
    EXPECT_EQ(pic->blobType, btJPG);
    auto* sub = dynamic_cast<TfrSubReportView*>(r.findObject("SubReport1"));
    ASSERT_TRUE(sub);
    EXPECT_EQ(sub->subPage, 1);
    EXPECT_EQ(sub->parentPage(), r.pages()[1]);
    EXPECT_EQ(r.info.name, "Отчёт");
    EXPECT_EQ(r.info.comment, "строка 1\r\nстрока 2");
    EXPECT_EQ(r.dictionary().aliases.get("frDS.Имя").toString(), "Имя узла");
}

TEST_F(Template, PicturesOfEveryKind) {
    TfrReport r(engine);
    present(r.loadFromStream(dataFile("pictures.frf")));
    ASSERT_TRUE(ui.messages.empty());
    auto pic = [&](const char* n) { return dynamic_cast<TfrPictureView*>(r.findObject(n)); };
    EXPECT_EQ(pic("Picture1")->picture.kind, TfrPicture::Jpeg);
    EXPECT_EQ(pic("Picture1")->picture.image.size(), QSize(8, 4));
    EXPECT_EQ(pic("Picture1")->picture.data, dataFile("picture.jpg"));
    EXPECT_EQ(pic("Picture2")->picture.kind, TfrPicture::Icon);
    EXPECT_EQ(pic("Picture2")->picture.image.size(), QSize(2, 2));
    EXPECT_EQ(pic("Picture3")->picture.kind, TfrPicture::Metafile);
    EXPECT_TRUE(pic("Picture3")->picture.image.isNull());
    EXPECT_TRUE(pic("Picture4")->picture.isEmpty());
}

TEST_F(Template, EveryKindBuiltInMemorySurvivesSaveAndLoad) {
    registerAddIn();
    TfrReport r(engine);
    r.pages().add();
    r.pages().add();
    TfrPage& p = *r.pages()[0];
    p.name = "Первая";
    p.script = {"a", "", "b"};
    r.pages()[1]->name = "Dialog";
    r.pages()[1]->pageType = ptDialog;
    r.pages()[1]->borderStyle = bsSizeable;
    r.pages()[1]->position = poDesigned;
    auto add = [&](int kind, const QString& name, const QString& cls = QString()) {
        TfrView* v = p.add(engine.createObject(kind, cls));
        v->setName(name);
        v->setBounds(1, 2, 3, 4);
        return v;
    };
    auto* band = static_cast<TfrBandView*>(add(gtBand, "Band1"));
    band->setBandType(btMasterData);
    band->childBand = "Child";
    auto* memo = static_cast<TfrMemoView*>(add(gtMemo, "Memo1"));
    memo->memo = {"[Поле]", ""};
    memo->frameWidth = 2.25f;
    memo->highlight.fontColor = 0xFF;
    static_cast<TfrSubReportView*>(add(gtSubReport, "SubReport1"))->subPage = 1;
    add(gtLine, "Line1")->frameWidth = 0.5f;
    QImage img(3, 2, QImage::Format_RGB32);
    img.fill(Qt::red);
    static_cast<TfrPictureView*>(add(gtPicture, "Picture1"))->picture.setData(TfrPicture::Jpeg, frjpeg::encode(img));
    static_cast<TfrPictureView*>(add(gtPicture, "Picture2"))->picture.setData(TfrPicture::Metafile, "raw metafile");
    auto* addIn = static_cast<TfrTestAddIn*>(add(gtAddIn, "Test1", "TfrTestAddIn"));
    addIn->extra = 77;
    r.dictionary().variables.set(" Категория", TVariant(QString()));
    r.dictionary().variables.set("V", TVariant(QString("1")));
    r.dictionary().bandSources.set("frDS", TVariant(QString("Данные")));
    r.info.password = "pw";
    r.info.author = "A";

    const QByteArray first = saveCut(r);
    TfrReport back(engine);
    present(back.loadFromStream(r.saveToStream()));
    ASSERT_TRUE(ui.messages.empty()) << ui.texts().join('|').toStdString();
    EXPECT_EQ(saveCut(back).toHex(' ').toStdString(), first.toHex(' ').toStdString());
    EXPECT_EQ(static_cast<TfrTestAddIn*>(back.findObject("Test1"))->extra, 77);
    EXPECT_EQ(back.pages()[0]->name, "Первая");
    EXPECT_EQ(back.pages()[1]->pageType, ptDialog);
    EXPECT_EQ(back.pages()[1]->position, poDesigned);
    EXPECT_EQ(back.info.password, "pw");
    EXPECT_EQ(static_cast<TfrPictureView*>(back.findObject("Picture1"))->picture.image.size(), QSize(3, 2));
}

// ------------------------------------------------------------------ old versions

TEST_F(Template, FileWithoutVersionByteReadsAsVersion21) {
    TfrReport r(engine);
    present(r.loadFromStream(dataFile("old21.frf")));
    ASSERT_TRUE(ui.messages.empty()) << ui.texts().join('|').toStdString();
    ASSERT_EQ(r.pages().count(), 1);
    const TfrPage& p = *r.pages()[0];
    EXPECT_EQ(p.name, "Page1");
    EXPECT_EQ(p.bin, 0xFFFF);
    EXPECT_TRUE(p.script.isEmpty()); // the marker was the paper size
    ASSERT_EQ(p.count(), 3);
    EXPECT_EQ(p.object(0)->name(), "Band1");
    EXPECT_EQ(p.object(1)->name(), "Memo1");
    EXPECT_EQ(p.object(2)->name(), "Memo2");
    EXPECT_TRUE(p.object(1)->flag(frflags::WordWrap)); // forced on
    EXPECT_EQ(p.object(1)->memo, QStringList({"Текст", "строка 2"}));
    EXPECT_EQ(static_cast<TfrBandView*>(p.object(0))->dataSourceName(), "frDS");
    EXPECT_EQ(r.dictionary().variables.names(), QStringList({" Cat", "Var"}));
    // Saved again it is a version-25 file that reads back the same.
    const QByteArray once = saveCut(r);
    TfrReport again(engine);
    present(again.loadFromStream(r.saveToStream()));
    EXPECT_EQ(saveCut(again), once);
}

TEST_F(Template, FileWithoutVersionByteKeepingTheDefaultPrinter) {
    // KeepDefaultPrinter true makes the first byte 0xFF: no version, still a
    // file without a version byte. 26 to 254 stay refused.
    QByteArray file = dataFile("old21.frf");
    file[0] = '\xFF';
    file[1] = '\xFF';
    TfrReport r(engine);
    const TfrLoadResult result = r.loadFromStream(file);
    EXPECT_TRUE(result.ok()) << result.messages.join('|').toStdString();
    EXPECT_EQ(result.version, 21);
    EXPECT_TRUE(r.keepDefaultPrinter);
    ASSERT_EQ(r.pages().count(), 1);
    EXPECT_EQ(r.pages()[0]->count(), 3);
    for (char first : {'\x1A', '\xFE'}) {
        QByteArray newer = saveCut(r) + QByteArray(8, 0);
        newer[0] = first;
        TfrReport n(engine);
        EXPECT_EQ(n.loadFromStream(newer).status, TfrLoadResult::Status::Failed);
    }
}

TEST_F(Template, SavingChangesNothingAndRepeatsItsBytes) {
    TfrReport r(engine);
    ASSERT_TRUE(r.loadFromStream(dataFile("old21.frf")).ok());
    TfrView* band = r.pages()[0]->object(0);
    TfrView* memo = r.pages()[0]->object(1);
    const std::uint8_t bandMinor = band->objectVersionMinor, memoMajor = memo->objectVersionMajor;
    const double lastChange = r.info.lastChangeDate;
    const QByteArray first = r.saveToStream();
    const QByteArray second = r.saveToStream();
    EXPECT_EQ(first, second);
    // Versions and dates are decided for the output, not stored back.
    EXPECT_EQ(band->objectVersionMinor, bandMinor);
    EXPECT_EQ(memo->objectVersionMajor, memoMajor);
    EXPECT_EQ(r.info.lastChangeDate, lastChange);
    // What was written says version 2 (bands 2.1), and a load of it saves the same bytes.
    TfrReport back(engine);
    ASSERT_TRUE(back.loadFromStream(first).ok());
    EXPECT_EQ(back.pages()[0]->object(0)->objectVersionMajor, 2);
    EXPECT_EQ(back.pages()[0]->object(0)->objectVersionMinor, 1);
    EXPECT_EQ(back.saveToStream(), first);
}

TEST_F(Template, Versions22And23) {
    TfrReport r22(engine);
    present(r22.loadFromStream(dataFile("old22.frf")));
    ASSERT_TRUE(ui.messages.empty()) << ui.texts().join('|').toStdString();
    const TfrPage& p = *r22.pages()[0];
    EXPECT_EQ(p.script, QStringList({"a := 1"}));
    ASSERT_EQ(p.count(), 3);
    EXPECT_FALSE(p.object(1)->flag(frflags::WordWrap)); // stored flags kept
    EXPECT_EQ(p.object(1)->name(), "Memo1");           // generated
    EXPECT_EQ(static_cast<TfrMemoView*>(p.object(1))->font.charset, 204); // stored 0 ignored

    TfrReport r23(engine);
    present(r23.loadFromStream(dataFile("old23.frf")));
    ASSERT_TRUE(ui.messages.empty()) << ui.texts().join('|').toStdString();
    const TfrPage& q = *r23.pages()[0];
    ASSERT_EQ(q.count(), 3);
    EXPECT_EQ(q.object(0)->name(), "Band1"); // names stored from version 23
    EXPECT_EQ(static_cast<TfrMemoView*>(q.object(1))->font.charset, 0);
    EXPECT_EQ(q.name, "Page1");
    EXPECT_EQ(r23.dictionary().variables.get("Var").toString(), "'a'");
}

TEST_F(Template, PageFieldConversionsOnReading) {
    // Border style 0 and 1 become 3 and 2; any non-zero position becomes 4.
    QByteArray file = dataFile("empty.frf");
    const int bs = 9 + 1 + 4 * 8 + 1 + 4 + 2 + 2 + 4 + 4 + 1 + 8; // border style of the page record
    ASSERT_EQ(static_cast<unsigned char>(file[bs]), 3);
    const int pos = bs + 1 + 7 + 4 + 16;
    ASSERT_EQ(static_cast<unsigned char>(file[pos]), 4);
    for (auto [stored, expected] : {std::pair{0, 3}, {1, 2}, {2, 2}, {7, 7}}) {
        file[bs] = static_cast<char>(stored);
        TfrReport r(engine);
        present(r.loadFromStream(file));
        EXPECT_EQ(r.pages()[0]->borderStyle, expected);
    }
    file[pos] = 1;
    TfrReport r(engine);
    present(r.loadFromStream(file));
    EXPECT_EQ(r.pages()[0]->position, poScreenCenter);
    file[pos] = 0;
    present(r.loadFromStream(file));
    EXPECT_EQ(r.pages()[0]->position, poDesigned);
}

// ------------------------------------------------------------------ failures

TEST_F(Template, VersionAbove25KeepsPagesAndClearsDictionary) {
    TfrReport r(engine);
    r.pages().add();
    r.dictionary().variables.set("X", TVariant(QString("1")));
    QByteArray file = dataFile("empty.frf");
    file[0] = 26;
    present(r.loadFromStream(file));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, kBadFormat);
    EXPECT_EQ(ui.messages[0].title, "Ошибка");
    EXPECT_EQ(r.pages().count(), 1);
    EXPECT_TRUE(r.dictionary().variables.isEmpty());
}

TEST_F(Template, EmptyStreamOnlyClearsTheDictionary) {
    TfrReport r(engine);
    r.pages().add();
    r.pages().add();
    r.dictionary().variables.set("X", TVariant(QString("1")));
    present(r.loadFromStream(QByteArray()));
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(r.pages().count(), 2);
    EXPECT_TRUE(r.dictionary().variables.isEmpty());
}

TEST_F(Template, DamagedFilesLeaveOneEmptyPage) {
    const QByteArray good = dataFile("objects.frf");
    QList<QByteArray> bad;
    bad << good.left(good.size() / 2);                        // cut in an object record... then beyond
    bad << good.left(9 + 40);                                  // cut inside a page record
    QByteArray code = dataFile("empty.frf");
    code.insert(9, '\x07');                                    // a kind code that is no kind
    bad << code;
    code[9] = '\xF0';                                          // no record code at all
    bad << code;
    QByteArray info = dataFile("dialog.frf");
    ASSERT_EQ(info[info.size() - 19], '2');                    // last password hex digit
    info[info.size() - 19] = 'Z';
    bad << info;
    for (const QByteArray& b : bad) {
        SCOPED_TRACE(bad.indexOf(b));
        ui.messages.clear();
        TfrReport r(engine);
        r.pages().add();
        r.pages().add();
        present(r.loadFromStream(b));
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].text, kBadFormat);
        ASSERT_EQ(r.pages().count(), 1);
        EXPECT_EQ(r.pages()[0]->count(), 0);
    }
}

TEST_F(Template, DamagedObjectIsSkippedByItsEndOffset) {
    // Picture1 of objects.frf gets a picture end offset past the stream: the
    // object fails, reading goes on at its record's end offset.
    QByteArray file = dataFile("objects.frf");
    const int at = file.indexOf("Picture1");
    ASSERT_GT(at, 0);
    // The picture end offset follows the 87-byte base payload (from the name's
    // length field), the kind and the blob type; the 70-byte BMP follows it.
    const int picEnd = at - 2 + 87 + 2;
    TBinaryReader probe(file);
    probe.seek(picEnd);
    ASSERT_EQ(probe.readU32(), static_cast<std::uint32_t>(picEnd + 4 + 70));
    file[picEnd + 3] = '\x7F';
    TfrReport r(engine);
    const TfrLoadResult result = present(r.loadFromStream(file));
    // The load succeeds, the damaged object is dropped and named.
    EXPECT_TRUE(result.ok());
    EXPECT_EQ(result.damagedObjects, QStringList({"Picture1"}));
    // The message names it with the reason its record failed.
    ASSERT_EQ(ui.texts().size(), 1);
    EXPECT_TRUE(ui.texts()[0].startsWith("Повреждённые объекты шаблона пропущены: Picture1 (Picture data end offset "))
        << ui.texts()[0].toStdString();
    ASSERT_TRUE(r.findObject("SubReport1")); // the record after it
    EXPECT_FALSE(r.findObject("Picture1"));
    EXPECT_TRUE(r.findObject("Memo1"));
}

TEST_F(Template, PayloadReadPastItsEndOffsetLosesOnlyThatObject) {
    // Two memos; the first one's end offset is moved back into its payload,
    // so reading it runs past the end: the first memo is dropped, the second
    // one and the dictionary still load.
    TfrReport r(engine);
    r.pages().add();
    r.pages()[0]->name = "Page1";
    r.pages()[0]->add(engine.createObject(gtMemo))->setName("Memo1");
    r.pages()[0]->add(engine.createObject(gtMemo))->setName("Memo2");
    r.dictionary().variables.set("V", TVariant(QString("1")));
    QByteArray file = r.saveToStream();
    const int at = 1 + 4 + 4 + 91; // first object record
    std::uint32_t end = 0;
    std::memcpy(&end, file.constData() + at + 2, 4);
    ASSERT_EQ(end, static_cast<std::uint32_t>(at + 124));
    // Shorten the record by 10 bytes and put the bytes of the next record there.
    QByteArray damaged = file.left(at + 114) + file.mid(at + 124);
    const std::uint32_t shortEnd = at + 114;
    std::memcpy(damaged.data() + at + 2, &shortEnd, 4);
    // Offsets after the first record moved back by 10.
    std::uint32_t secondEnd = 0;
    std::memcpy(&secondEnd, damaged.constData() + at + 114 + 2, 4);
    secondEnd -= 10;
    std::memcpy(damaged.data() + at + 114 + 2, &secondEnd, 4);
    TfrReport back(engine);
    const TfrLoadResult result = back.loadFromStream(damaged);
    EXPECT_TRUE(result.ok()) << result.messages.join('|').toStdString();
    EXPECT_EQ(result.damagedObjects, QStringList({"Memo1"}));
    EXPECT_FALSE(back.findObject("Memo1"));
    EXPECT_TRUE(back.findObject("Memo2"));
    EXPECT_EQ(back.dictionary().variables.get("V").toString(), "1");
}

TEST_F(Template, EndOffsetsThatPointBackAreDamage) {
    TfrReport r(engine);
    r.pages().add();
    r.pages()[0]->name = "Page1";
    r.pages()[0]->add(engine.createObject(gtMemo))->setName("Memo1");
    QByteArray file = r.saveToStream();
    const int at = 1 + 4 + 4 + 91;
    for (std::uint32_t end : {std::uint32_t(at + 2), std::uint32_t(at + 50), std::uint32_t(file.size() + 1)}) {
        ui.messages.clear();
        QByteArray b = file;
        std::memcpy(b.data() + at + 2, &end, 4);
        TfrReport back(engine);
        present(back.loadFromStream(b));
        ASSERT_EQ(ui.messages.size(), 1u) << end;
        EXPECT_EQ(ui.messages[0].text, kBadFormat);
    }
}

TEST_F(Template, MissingAddInIsSkippedAndReported) {
    TfrReport r(engine);
    present(r.loadFromStream(dataFile("missing_addin.frf")));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Report contains the following non-plugged components:\rTfrSomethingView\r"
                                   "You must include these components into your project.");
    EXPECT_EQ(ui.messages[0].title, "Ошибка");
    ASSERT_EQ(r.pages().count(), 1);
    EXPECT_EQ(r.pages()[0]->count(), 2);
    EXPECT_TRUE(r.findObject("Memo2"));

    // A second load starts with an empty list.
    ui.messages.clear();
    present(r.loadFromStream(dataFile("missing_addin.frf")));
    EXPECT_EQ(ui.messages[0].text.count("TfrSomethingView"), 1);

    // Registered, it loads (its own payload is read by its class).
    ui.messages.clear();
    TfrReport old(engine);
    present(old.loadFromStream(dataFile("missing_addin_old.frf")));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_TRUE(ui.messages[0].text.contains("TfrSomethingView\r"));
    ASSERT_EQ(old.pages().count(), 1);
    EXPECT_EQ(old.pages()[0]->count(), 1); // objects before the add-in stay
}

TEST_F(Template, RenamedClassesOfOlderFiles) {
    registerAddIn("TfrDBLookupControl");
    // A framed memo becomes a memo and 8 more bytes are skipped; the lookup
    // controls of two data access kinds become one class.
    for (const char* cls : {"TFRFRAMEDMEMOVIEW", "TfrIBXLookupControl", "TFRBDELOOKUPCONTROL"}) {
        SCOPED_TRACE(cls);
        ui.messages.clear();
        TfrReport r(engine);
        r.pages().add();
        r.pages()[0]->name = "Page1";
        const QByteArray head = r.saveToStream().left(9 + 91);
        const bool framed = QByteArray(cls) == "TFRFRAMEDMEMOVIEW";
        Bytes rec;
        rec.u8(10).str(cls).u8(0);
        const int payloadStart = head.size() + rec.b.size() + 4;
        Bytes payload = basePayload("M1", 0, 3, 0x1FFFFFFF, 0);
        payload.str("Arial").i32(10).u16(0).u32(0).u32(0).u16(204).u16(2).u32(0).u32(0).str("").i32(2).i32(0);
        if (!framed)
            payload.i32(42);
        else
            payload.raw(QByteArray(8, '\x55'));
        rec.u32(payloadStart + payload.b.size()).raw(payload.b);
        QByteArray file = head + rec.b;
        file += Bytes().u8(254).u16(0xFFFE).u32(0).u32(0).u32(0).u8(252).b;
        TfrReport back(engine);
        present(back.loadFromStream(file));
        EXPECT_TRUE(ui.messages.empty()) << ui.texts().join('|').toStdString();
        ASSERT_EQ(back.pages()[0]->count(), 1);
        TfrView* v = back.pages()[0]->object(0);
        EXPECT_EQ(v->name(), "M1");
        if (framed) {
            EXPECT_EQ(v->className(), "TfrMemoView");
        } else {
            EXPECT_EQ(v->className(), "TfrTestAddIn");
            EXPECT_EQ(static_cast<TfrTestAddIn*>(v)->extra, 42);
        }
    }
}

TEST_F(Template, PasswordIsAskedForFilesOnly) {
    QTemporaryDir dir;
    const QString path = dir.filePath("p.frf");
    TfrReport r(engine);
    present(r.loadFromStream(dataFile("objects.frf")));
    r.info.password = "Пароль1";
    r.info.passwordProtected = true;
    r.saveToFile(path);
    const QByteArray bytes = *textfile::readBytes(path);

    TfrReport mem(engine);
    present(mem.loadFromStream(bytes)); // in memory: no question
    EXPECT_TRUE(ui.prompts.empty());
    EXPECT_EQ(mem.pages().count(), 2);

    ui.inputs = {QString("Пароль1")};
    TfrReport right(engine);
    EXPECT_TRUE(right.loadFromFile(path, frPasswordDialog(ui)).ok());
    EXPECT_EQ(ui.prompts.size(), 1u);
    EXPECT_EQ(right.pages().count(), 2);
    EXPECT_EQ(right.fileName, path);

    for (std::optional<QString> answer : {std::optional<QString>("пароль1"), std::optional<QString>()}) {
        ui.inputs = {answer};
        TfrReport wrong(engine);
        // A refused password fails the load and records no file name, so that
        // nothing can save the blank report over the protected template.
        const TfrLoadResult result = wrong.loadFromFile(path, frPasswordDialog(ui));
        EXPECT_EQ(result.status, TfrLoadResult::Status::PasswordRefused);
        EXPECT_FALSE(result.messages.isEmpty());
        ASSERT_EQ(wrong.pages().count(), 1);
        EXPECT_EQ(wrong.pages()[0]->count(), 0);
        EXPECT_EQ(wrong.pages()[0]->name, "Page1");
        EXPECT_FALSE(wrong.info.passwordProtected);
        EXPECT_TRUE(wrong.info.password.isEmpty());
        EXPECT_TRUE(wrong.dictionary().variables.isEmpty());
        EXPECT_EQ(wrong.fileName, "Untitled");
    }
    // Without a way to ask, the password counts as refused.
    TfrReport unasked(engine);
    EXPECT_EQ(unasked.loadFromFile(path).status, TfrLoadResult::Status::PasswordRefused);
}

TEST_F(Template, FilesLoadSaveAndFailSafely) {
    QTemporaryDir dir;
    TfrReport r(engine);
    r.pages().add();
    EXPECT_EQ(r.loadFromFile(dir.filePath("absent.frf")).status, TfrLoadResult::Status::NotFound);
    EXPECT_EQ(r.pages().count(), 1);
    EXPECT_EQ(r.fileName, "Untitled");

    const QString path = dir.filePath("t.frf");
    r.saveToFile(path);
    const QByteArray saved = *textfile::readBytes(path);
    // A report that cannot be written leaves the file as it was.
    for (int i = 0; i < 256; ++i)
        r.pages().add();
    EXPECT_THROW(r.saveToFile(path), Exception);
    EXPECT_EQ(*textfile::readBytes(path), saved);
    while (r.pages().count() > 256)
        r.pages().remove(r.pages().count() - 1);
    EXPECT_NO_THROW(r.saveToStream());
    TfrView* big = r.pages()[0]->add(engine.createObject(gtMemo));
    big->setName("Memo7");
    big->memo << QString(70000, u'x');
    try {
        r.saveToFile(path);
        ADD_FAILURE() << "saved a line of 70000 characters";
    } catch (const Exception& e) {
        EXPECT_TRUE(e.message().startsWith("Объект Memo7: Текст длиной 70000 символов")) << e.what();
    }
    EXPECT_EQ(*textfile::readBytes(path), saved);

    TfrReport back(engine);
    EXPECT_TRUE(back.loadFromFile(path).ok());
    EXPECT_EQ(back.fileName, path);
    EXPECT_EQ(back.pages().count(), 1);
}

TEST_F(Template, TemplateFilesForNewReports) {
    registerAddIn();
    QTemporaryDir dir;
    const QString path = dir.filePath("t.frt");
    TfrReport r(engine);
    present(r.loadFromStream(dataFile("objects.frf")));
    QImage preview(4, 3, QImage::Format_RGB32);
    preview.fill(Qt::blue);
    r.saveTemplate(path, {"Шаблон", "описание"}, preview);
    const QByteArray bytes = *textfile::readBytes(path);
    TBinaryReader in(bytes);
    EXPECT_EQ(frstream::readStrings(in, 25), QStringList({"Шаблон", "описание"}));
    const std::uint32_t offset = in.readU32();
    EXPECT_EQ(in.readU8(), 1);
    EXPECT_EQ(bytes.mid(in.pos(), 2), "BM");
    // The page section without the version byte; object end offsets differ
    // since they count from the start of the file.
    EXPECT_EQ(bytes.mid(offset, 4 + 4 + 2 * 91), r.saveToStream().mid(1, 4 + 4 + 2 * 91));

    TfrReport other(engine);
    other.pages().add();
    QStringList desc;
    QImage pic;
    EXPECT_TRUE(other.loadTemplate(path, desc, pic, false));
    EXPECT_EQ(desc, QStringList({"Шаблон", "описание"}));
    EXPECT_EQ(pic.size(), QSize(4, 3));
    EXPECT_EQ(other.pages().count(), 1);
    EXPECT_TRUE(other.loadTemplate(path, desc, pic, true));
    EXPECT_EQ(other.pages().count(), 2);
    EXPECT_TRUE(other.findObject("Memo1"));

    // No picture: has-picture 0 and the page section right after it.
    r.saveTemplate(path, {}, QImage());
    EXPECT_TRUE(other.loadTemplate(path, desc, pic, true));
    EXPECT_TRUE(desc.isEmpty());
    EXPECT_TRUE(pic.isNull());

    // Damage and missing classes go to the caller.
    QByteArray cut = *textfile::readBytes(path);
    textfile::writeAtomically(path, cut.left(cut.size() - 20));
    EXPECT_THROW(other.loadTemplate(path, desc, pic, true), EFormatError);
    TfrEngine bare; // no add-ins registered
    TfrReport unplugged(bare);
    r.pages()[0]->add(std::make_unique<TfrTestAddIn>())->setName("T1");
    r.saveTemplate(path, {}, QImage());
    EXPECT_THROW(unplugged.loadTemplate(path, desc, pic, true), EClassNotFound);
    EXPECT_FALSE(other.loadTemplate(dir.filePath("absent.frt"), desc, pic, true));
}

TEST_F(Template, EmbeddedTemplateProperty) {
    TfrReport r(engine);
    present(r.loadFromStream(dataFile("dialog.frf")));
    EXPECT_EQ(r.reportForm(), QByteArray("\x19\0\0\0", 4));
    r.storeInDFM = true;
    const QByteArray form = r.reportForm();
    TBinaryReader in(form);
    EXPECT_EQ(in.readU32(), 25u);
    EXPECT_EQ(in.readU32(), static_cast<std::uint32_t>(form.size() - 8));
    TfrReport back(engine);
    present(back.setReportForm(form));
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(back.pages().count(), 2);
    present(back.setReportForm(form.left(20)));
    EXPECT_EQ(ui.messages.size(), 1u);
}

// ------------------------------------------------------------------ pictures

TEST_F(Template, JpegThroughLibjpeg) {
    QImage img(16, 8, QImage::Format_RGB32);
    img.fill(QColor(10, 200, 30));
    const QByteArray jpg = frjpeg::encode(img, 95);
    EXPECT_EQ(jpg.left(2), QByteArray("\xFF\xD8"));
    const QImage back = frjpeg::decode(jpg);
    ASSERT_EQ(back.size(), QSize(16, 8));
    EXPECT_NEAR(qGreen(back.pixel(3, 3)), 200, 4);
    EXPECT_THROW(frjpeg::decode(jpg.left(jpg.size() / 2)), EFormatError);
    EXPECT_THROW(frjpeg::decode("not a jpeg"), EFormatError);
    EXPECT_THROW(frjpeg::decode(QByteArray()), EFormatError);
    EXPECT_THROW(frjpeg::decode(jpg, 100), EFormatError); // above the pixel limit

    // A damaged JPEG in a template: no image, bytes kept and written back.
    TfrPictureView v;
    v.picture.setData(TfrPicture::Jpeg, jpg.left(30));
    EXPECT_TRUE(v.picture.image.isNull());
    EXPECT_FALSE(v.picture.error.isEmpty());
    QByteArray out;
    TBinaryWriter w(out);
    v.saveToStream(w, TfrStreamContext{});
    EXPECT_TRUE(out.endsWith(jpg.left(30)));
}

// ------------------------------------------------------------------ tools

// Inputs the fuzzer found harmful once: each must load without harm, and
// when it loads cleanly, what is saved must load and save back the same.
TEST_F(Template, FuzzerFindingsLoadHarmlessly) {
    const QDir dir(kDataDir + "/fuzz");
    const QStringList files = dir.entryList(QDir::Files);
    EXPECT_FALSE(files.isEmpty());
    for (const QString& f : files) {
        SCOPED_TRACE(f.toStdString());
        const QByteArray bytes = *textfile::readBytes(dir.filePath(f));
        TfrReport r(engine);
        present(r.loadFromStream(bytes));
        EXPECT_LE(ui.messages.size(), 1u);
        if (ui.messages.empty()) {
            QByteArray first;
            try {
                first = saveCut(r);
            } catch (const Exception&) {
            }
            if (!first.isEmpty()) {
                TfrReport again(engine);
                present(again.loadFromStream(r.saveToStream()));
                EXPECT_TRUE(ui.messages.empty());
                EXPECT_EQ(saveCut(again), first);
            }
        }
        ui.messages.clear();
        TBinaryReader in(bytes);
        try {
            r.dictionary().loadFromStream(in, 25);
        } catch (const Exception&) {
        }
    }
}


TEST_F(Template, GeneratedNamesOfLargeOldFiles) {
    // A version-22 file of many pages and memos: names are generated in the
    // order of the records.
    Bytes f;
    f.u8(22).b16(false).b16(false).u8(1).u8(0);
    const int pages = 300, memos = 3000;
    for (int i = 0; i < pages; ++i) {
        f.u8(255).i32(9).i32(2100).i32(2970).i32(0).i32(0).i32(0).i32(0).u8(0).raw(QByteArray(6, 0));
        f.b16(false).b16(true).i32(1).i32(0);
    }
    for (int i = 0; i < memos; ++i) {
        f.u8(0).u8(static_cast<std::uint8_t>(i % 250));
        f.i32(0).i32(0).i32(10).i32(10).u16(0).u16(0).i32(1).u32(0).u16(0).u32(0).u32(0).u8(0).u8(0);
        f.raw("Arial").u8(0).i32(10).u16(0).u32(0).u32(0).u16(0).u16(0).u32(0).u32(0).u8(0);
    }
    f.u8(252);
    TfrReport r(engine);
    present(r.loadFromStream(f.b));
    ASSERT_TRUE(ui.messages.empty()) << ui.texts().join('|').toStdString();
    ASSERT_EQ(r.pages().count(), pages);
    EXPECT_EQ(r.pages()[0]->name, "Page1");
    EXPECT_EQ(r.pages()[pages - 1]->name, "Page300");
    EXPECT_EQ(r.pages()[0]->object(0)->name(), "Memo1");
    EXPECT_EQ(r.pages()[0]->object(1)->name(), "Memo251");
    EXPECT_EQ(r.pages()[249]->object(11)->name(), "Memo3000");
}

TEST_F(Template, PreparedModeWritesTheWorkingText) {
    TfrMemoView m;
    m.setName("M");
    m.memo = {"expanded"};
    m.script = {"design only"};
    m.formatStr = "fmt";
    m.highlightStr = "cond";
    const TfrStreamContext prepared{25, TfrSaveMode::Prepared};
    QByteArray out;
    TBinaryWriter w(out);
    m.saveToStream(w, prepared);
    Bytes e;
    e.str("M").u8(2).u8(0).i32(0).i32(0).i32(0).i32(0).u16(3).u16(0).i32(1).u32(0).u16(0).u32(0x1FFFFFFF);
    e.list({"expanded"}).u16(0).str("").i32(2).i32(1).u8(0);
    e.str("Arial").i32(10).u16(0).u32(0).u32(0).u16(204).i32(2).i32(0); // no highlight
    EXPECT_EQ(out.toHex(' ').toStdString(), e.b.toHex(' ').toStdString());

    TfrMemoView back;
    TBinaryReader in(out);
    back.loadFromStream(in, prepared);
    EXPECT_TRUE(in.atEnd());
    EXPECT_EQ(back.memo, QStringList({"expanded"}));
    EXPECT_TRUE(back.script.isEmpty());
    EXPECT_EQ(back.name(), "M");
}

TEST_F(Template, TinyPicturesClaimingHugeImagesAreRefused) {
    // A BMP header claiming 6000 x 6000 pixels (144 MB decoded) over a few bytes.
    Bytes bmp;
    bmp.raw("BM").u32(70).u32(0).u32(54).u32(40).i32(6000).i32(6000).u16(1).u16(24).u32(0).u32(16);
    bmp.u32(0).u32(0).u32(0).u32(0).raw(QByteArray(16, '\x7F'));
    TfrPicture p;
    p.setData(TfrPicture::Bitmap, bmp.b);
    EXPECT_TRUE(p.image.isNull());
    EXPECT_FALSE(p.error.isEmpty());
    EXPECT_EQ(p.data, bmp.b); // kept as read

    // A JPEG whose frame header is patched to 4000 x 4000: refused for its
    // size before any decoding, not for its missing data.
    QImage img(8, 8, QImage::Format_RGB32);
    img.fill(Qt::white);
    QByteArray jpg = frjpeg::encode(img);
    const int sof = jpg.indexOf("\xFF\xC0");
    ASSERT_GT(sof, 0);
    jpg[sof + 5] = '\x0F';
    jpg[sof + 6] = '\xA0';
    jpg[sof + 7] = '\x0F';
    jpg[sof + 8] = '\xA0';
    p.setData(TfrPicture::Jpeg, jpg);
    EXPECT_TRUE(p.image.isNull());
    EXPECT_TRUE(p.error.contains("too large")) << p.error.toStdString();
}

TEST_F(Template, ExtensionRecordEndsThePageSection) {
    // No extension component is installed: code 253 and one more byte end the
    // page section; the information block follows.
    const QByteArray empty = dataFile("empty.frf");
    const QByteArray infoBlock = empty.right(34);
    QByteArray file = empty.left(9 + 91) + QByteArray("\xFD\x00", 2) + infoBlock;
    TfrReport r(engine);
    present(r.loadFromStream(file));
    EXPECT_TRUE(ui.messages.empty()) << ui.texts().join('|').toStdString();
    EXPECT_EQ(r.pages().count(), 1);
    EXPECT_DOUBLE_EQ(r.info.createDate, 46000.25);

    // Without an information block the information is reset (dates now).
    present(r.loadFromStream(empty.left(9 + 91) + QByteArray("\xFC", 1)));
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_NEAR(r.info.createDate, datetime::now(), 1.0 / 24);
}

TEST_F(Template, EveryCutOfATemplateIsRefusedOrComplete) {
    registerAddIn();
    for (const char* name : {"objects.frf", "old21.frf", "old23.frf", "pictures.frf"}) {
        SCOPED_TRACE(name);
        const QByteArray file = dataFile(name);
        int refused = 0;
        for (qsizetype n = 1; n < file.size(); ++n) {
            ui.messages.clear();
            TfrEngine engine;
            TfrReport r(engine);
            present(r.loadFromStream(file.left(n)));
            ASSERT_LE(ui.messages.size(), 1u) << n;
            if (!ui.messages.empty()) {
                ++refused;
                EXPECT_EQ(ui.messages[0].text, kBadFormat) << n;
                EXPECT_EQ(r.pages().count(), 1) << n;
            }
        }
        // Only cuts inside the information block (or right at its start) can
        // load: everything before it is needed.
        EXPECT_GE(refused, file.size() - 1 - 34 - 1);
    }
}
