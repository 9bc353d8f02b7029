// Prepared pages: page streams, rebuilding objects, drawing, hit testing and
// the prepared-report file with its older variants and damaged copies.

#include "common/binio.h"
#include "common/interaction.h"
#include "common/textfile.h"
#include "report/builder/preparedpages.h"
#include "report/render/textlayout.h"
#include "report/render/textmeasure.h"
#include "report/model/engine.h"
#include "report/model/streamio.h"

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString E = QString(frLineEnd);

class TfrTestAddIn : public TfrMemoView {
public:
    TfrTestAddIn() { objectType = gtAddIn; }
    QString className() const override { return QStringLiteral("TfrTestAddIn"); }
};

QByteArray bmpBytes() {
    QImage image(3, 2, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    return out;
}

// An enhanced metafile header of 20 x 10 pixels (enough for the placeholder).
QByteArray emfBytes() {
    QByteArray emf(44, '\0');
    emf[0] = 1;
    emf[16] = 19;
    emf[20] = 9;
    emf.replace(40, 4, QByteArray(" EMF"));
    return emf;
}

class Prepared : public ::testing::Test {
protected:
    Prepared() {
        frSetTextMeasurer(engine, measurer);
        engine.registerAddIn({QStringLiteral("TfrTestAddIn"), [] { return std::make_unique<TfrTestAddIn>(); }, {}, {}, false});
        report.pages().add();
        report.pages().add();
        TfrPage& second = *report.pages().page(1);
        second.changePaper(frPaperA4, 0, 0, 7, poLandscape);
        second.margins = {10, 20, 30, 40};
        second.useMargins = false;
    }

    TfrPage& templatePage(int i) { return *report.pages().page(i); }

    template <class T>
    std::unique_ptr<T> make(int kind, const QString& name, int l, int t, int w, int h, const QString& className = {}) {
        std::unique_ptr<TfrView> v = engine.createObject(kind, className);
        v->setName(name);
        v->setBounds(l, t, w, h);
        return std::unique_ptr<T>(static_cast<T*>(v.release()));
    }

    // Two pages: a memo, a line, a picture, a band, a sub-report frame and an
    // add-in on the first; the second landscape, with margins, stretched to
    // the printable area.
    void fill(TfrEMFPages& pages) {
        pages.add(templatePage(0));
        auto memo = make<TfrMemoView>(gtMemo, "Memo1", 20, 30, 200, 40);
        memo->memo1 = QStringList{QStringLiteral("Подстанция Северная") + E, "220" + E};
        memo->frameTyp = 15;
        memo->font.style = fsBold;
        pages.appendObject(0, *memo);
        auto line = make<TfrLineView>(gtLine, "Line1", 20, 80, 300, 0);
        pages.appendObject(0, *line);
        auto picture = make<TfrPictureView>(gtPicture, "Picture1", 400, 30, 60, 40);
        picture->picture.setData(TfrPicture::Bitmap, bmpBytes());
        pages.appendObject(0, *picture);
        auto band = make<TfrBandView>(gtBand, "Band1", 0, 0, 700, 20);
        pages.appendObject(0, *band);
        auto sub = make<TfrSubReportView>(gtSubReport, "SubReport1", 0, 100, 100, 20);
        pages.appendObject(0, *sub);
        auto addIn = make<TfrTestAddIn>(gtAddIn, "Custom1", 20, 120, 80, 20, "TfrTestAddIn");
        addIn->memo1 = QStringList{"add-in" + E};
        pages.appendObject(0, *addIn);
        pages.add(templatePage(1));
        auto second = make<TfrMemoView>(gtMemo, "Memo2", 10, 10, 100, 20);
        second->memo1 = QStringList{QStringLiteral("Стр. 2") + E};
        pages.appendObject(1, *second);
    }

    std::shared_ptr<TfrFixedMeasurer> measurer = std::make_shared<TfrFixedMeasurer>(6);
    TRecordingInteraction ui;
    TfrEngine engine{&ui};
    TfrReport report{engine};
};

// A hand-made file: version byte (or none), flag, printer name, pages of the
// given fields, generator byte.
struct FilePage {
    std::uint16_t size = 9;
    std::int32_t width = 2100, height = 2970;
    std::uint8_t orientation = 0;
    std::int32_t bin = 3;
    std::uint8_t marginUse = 1;
    TfrMargins margins{5, 6, 7, 8};
    QByteArray stream;
};

QByteArray handMade(int version, const std::vector<FilePage>& pages, std::uint8_t flag = 0) {
    QByteArray data;
    TBinaryWriter out(data);
    if (version >= 24)
        out.writeU8(std::uint8_t(version));
    out.writeU8(flag);
    if (version >= 24) {
        frstream::writeString(out, QStringLiteral("Виртуальный принтер"));
    } else {
        out.writeBytes(QByteArray("Printer"));
        out.writeU8(0);
    }
    out.writeU32(std::uint32_t(pages.size()));
    for (const FilePage& p : pages) {
        const qsizetype at = out.pos();
        out.writeU32(0);
        out.writeU16(p.size);
        out.writeI32(p.width);
        out.writeI32(p.height);
        out.writeU8(p.orientation);
        if (version >= 24)
            out.writeI32(p.bin);
        out.writeU8(p.marginUse);
        if (version >= 24) {
            out.writeI32(p.margins.left);
            out.writeI32(p.margins.top);
            out.writeI32(p.margins.right);
            out.writeI32(p.margins.bottom);
        }
        out.writeBytes(p.stream);
        out.patchU32(at, std::uint32_t(out.pos()));
    }
    out.writeU8(77);
    return data;
}

QByteArray memoStream(const QString& text) {
    QByteArray s;
    TBinaryWriter out(s);
    out.writeU8(25);
    TfrMemoView m;
    m.setName("Memo1");
    m.setBounds(10, 10, 100, 20);
    m.memo1 = QStringList{text + E};
    out.writeU8(gtMemo);
    m.saveToStream(out, TfrStreamContext{25, TfrSaveMode::Prepared});
    return s;
}

} // namespace

TEST_F(Prepared, FileWrittenAndReadBackIsByteIdentical) {
    TfrEMFPages pages(report);
    int begun = 0;
    report.onBeginPage = [&](TfrPage&) { ++begun; };
    fill(pages);
    EXPECT_EQ(begun, 2);
    const QByteArray first = pages.saveToStream();
    ASSERT_GT(first.size(), 100);
    EXPECT_EQ(std::uint8_t(first[0]), 25);
    EXPECT_EQ(std::uint8_t(first[1]), 0);
    EXPECT_EQ(std::uint8_t(first[first.size() - 1]), 88); // the generator byte

    TfrReport other(engine);
    TfrEMFPages loaded(other);
    const TfrLoadResult result = loaded.loadFromStream(first);
    ASSERT_TRUE(result.ok()) << result.messages.join("; ").toStdString();
    EXPECT_TRUE(result.messages.isEmpty());
    ASSERT_EQ(loaded.count(), 2);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(loaded[i].paperSize, pages[i].paperSize);
        EXPECT_EQ(loaded[i].paperWidth, pages[i].paperWidth);
        EXPECT_EQ(loaded[i].paperHeight, pages[i].paperHeight);
        EXPECT_EQ(loaded[i].orientation, pages[i].orientation);
        EXPECT_EQ(loaded[i].bin, pages[i].bin);
        EXPECT_EQ(loaded[i].marginUse, pages[i].marginUse);
        EXPECT_EQ(loaded[i].margins, pages[i].margins);
        EXPECT_EQ(loaded[i].prnInfo, pages[i].prnInfo);
        EXPECT_EQ(loaded[i].stream(), pages[i].stream());
        EXPECT_EQ(loaded[i].page, nullptr); // objects only when needed
    }
    EXPECT_EQ(loaded[1].orientation, poLandscape);
    EXPECT_EQ(loaded[1].bin, 7);
    EXPECT_EQ(loaded[1].margins, (TfrMargins{10, 20, 30, 40}));
    EXPECT_EQ(loaded[1].marginUse, 0);
    EXPECT_EQ(loaded.saveToStream(), first);

    const TfrPage& page = loaded.loadPage(0);
    ASSERT_EQ(page.count(), 6);
    const QString kinds[] = {"TfrMemoView", "TfrLineView", "TfrPictureView", "TfrBandView", "TfrSubReportView",
                             "TfrTestAddIn"};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(page.object(i)->className(), kinds[i]);
    const auto& memo = static_cast<const TfrMemoView&>(*page.object(0));
    EXPECT_EQ(memo.name(), "Memo1");
    EXPECT_EQ(memo.memo1, (QStringList{QStringLiteral("Подстанция Северная") + E, "220" + E}));
    EXPECT_EQ(memo.memo, memo.memo1); // editable as the memo
    EXPECT_EQ(memo.font.style, fsBold);
    EXPECT_EQ(memo.frameTyp, 15);
    EXPECT_EQ(static_cast<const TfrPictureView&>(*page.object(2)).picture.image.size(), QSize(3, 2));
    EXPECT_EQ(static_cast<const TfrMemoView&>(*page.object(5)).memo1, QStringList{"add-in" + E});
    EXPECT_NE(loaded[0].page, nullptr);
    EXPECT_EQ(loaded[1].page, nullptr);
}

TEST_F(Prepared, OlderVersionsLoadWithTheirDefaults) {
    // Version 24 keeps bin and margins.
    FilePage p;
    p.stream = memoStream("v24");
    TfrEMFPages v24(report);
    ASSERT_TRUE(v24.loadFromStream(handMade(24, {p})).ok());
    ASSERT_EQ(v24.count(), 1);
    EXPECT_EQ(v24[0].bin, 3);
    EXPECT_EQ(v24[0].margins, (TfrMargins{5, 6, 7, 8}));
    EXPECT_EQ(report.info.generatorByte, 77);

    // A file without version byte: no bin, no margins.
    TfrEMFPages v0(report);
    const TfrLoadResult r = v0.loadFromStream(handMade(0, {p, p}));
    ASSERT_TRUE(r.ok()) << r.messages.join("; ").toStdString();
    EXPECT_EQ(r.version, 0);
    ASSERT_EQ(v0.count(), 2);
    EXPECT_EQ(v0[1].bin, -1);
    EXPECT_EQ(v0[1].margins, TfrMargins());
    EXPECT_EQ(v0.loadPage(1).object(0)->workingText(), QStringList{"v24" + E});
}

TEST_F(Prepared, OldestFilesKeepEachPageAsAPicture) {
    QByteArray data;
    TBinaryWriter out(data);
    out.writeBytes(QByteArray("Printer"));
    out.writeU8(0);
    out.writeU32(1);
    const qsizetype at = out.pos();
    out.writeU32(0);
    out.writeU16(9);
    out.writeI32(2100);
    out.writeI32(2970);
    out.writeU8(0);
    out.writeU8(1);
    out.writeBytes(emfBytes());
    out.patchU32(at, std::uint32_t(out.pos()));
    TfrEMFPages pages(report);
    const TfrLoadResult r = pages.loadFromStream(data);
    ASSERT_TRUE(r.ok()) << r.messages.join("; ").toStdString();
    ASSERT_EQ(pages.count(), 1);
    EXPECT_EQ(pages[0].bin, -1);
    const TfrPage& page = pages.loadPage(0);
    ASSERT_EQ(page.count(), 1);
    const auto& picture = dynamic_cast<const TfrPictureView&>(*page.object(0));
    EXPECT_EQ(picture.picture.kind, TfrPicture::Metafile);
    EXPECT_EQ(picture.picture.data, emfBytes());
    EXPECT_EQ(frBoxOf(picture), (TfrBox{0, 0, pages[0].prnInfo.pgw, pages[0].prnInfo.pgh}));
    // Saved again, it is a current file with the picture kept.
    TfrEMFPages again(report);
    ASSERT_TRUE(again.loadFromStream(pages.saveToStream()).ok());
    EXPECT_EQ(again[0].stream(), pages[0].stream());
}

TEST_F(Prepared, CompressedPagesLoadEmptyAndSaySo) {
    FilePage p;
    p.stream = QByteArray("\x78\x9c compressed bytes");
    TfrEMFPages pages(report);
    const TfrLoadResult r = pages.loadFromStream(handMade(25, {p}, 1));
    ASSERT_TRUE(r.ok());
    ASSERT_EQ(r.messages.size(), 1);
    EXPECT_TRUE(r.messages[0].contains(QStringLiteral("сжаты")));
    ASSERT_EQ(pages.count(), 1);
    EXPECT_EQ(pages.loadPage(0).count(), 0);
}

TEST_F(Prepared, DamagedFilesEndInAClearError) {
    TfrEMFPages good(report);
    fill(good);
    const QByteArray file = good.saveToStream();
    auto tryAll = [&](const QByteArray& data) {
        TfrEMFPages pages(report);
        const TfrLoadResult r = pages.loadFromStream(data);
        if (!r.ok()) {
            EXPECT_EQ(pages.count(), 0);
            EXPECT_FALSE(r.messages.isEmpty());
            return;
        }
        for (int i = 0; i < pages.count(); ++i) {
            try {
                pages.loadPage(i);
                QImage image(60, 80, QImage::Format_RGB32);
                QPainter painter(&image);
                pages.draw(i, painter, image.rect());
            } catch (const Exception& e) {
                EXPECT_FALSE(e.message().isEmpty());
            }
        }
    };
    for (qsizetype n = 0; n < file.size(); ++n)
        tryAll(file.left(n));
    for (qsizetype i = 0; i < file.size(); ++i) {
        QByteArray flipped = file;
        flipped[i] = char(flipped[i] ^ 0xFF);
        tryAll(flipped);
    }
}

TEST_F(Prepared, HostileFieldsAreRefused) {
    struct Case {
        const char* what;
        QByteArray data;
        bool loads;
    };
    FilePage p;
    p.stream = memoStream("x");
    QByteArray manyPages = handMade(25, {});
    manyPages.chop(1);
    const qsizetype countAt = manyPages.size() - 4; // after the printer name's 19 bytes
    manyPages[countAt] = char(0xFF);
    manyPages[countAt + 1] = char(0xFF);
    manyPages[countAt + 2] = char(0xFF);
    manyPages[countAt + 3] = char(0xFF);
    manyPages.append(char(88));
    QByteArray backwards = handMade(25, {p});
    backwards[countAt + 4] = 1; // the end of the page before its start
    backwards[countAt + 5] = 0;
    backwards[countAt + 6] = 0;
    backwards[countAt + 7] = 0;
    const Case cases[] = {
        {"empty", QByteArray(), false},
        {"page count far beyond the file", manyPages, false},
        {"end offset before the record", backwards, false},
        {"no generator byte", handMade(25, {p}).chopped(1), false},
        {"good", handMade(25, {p}), true},
    };
    for (const Case& c : cases) {
        TfrEMFPages pages(report);
        const TfrLoadResult r = pages.loadFromStream(c.data);
        EXPECT_EQ(r.ok(), c.loads) << c.what;
        if (!c.loads) {
            ASSERT_EQ(r.messages.size(), 1) << c.what;
            EXPECT_TRUE(r.messages[0].startsWith(QStringLiteral("Файл не является подготовленным отчётом"))) << c.what;
        }
    }
}

TEST_F(Prepared, DamagedPageStreamsFailWhenRebuilt) {
    struct Case {
        const char* what;
        QByteArray stream;
        bool classMissing;
    };
    QByteArray unknownKind("\x19\x07", 2);
    QByteArray badVersion = memoStream("x");
    badVersion[0] = char(99);
    QByteArray truncated = memoStream("x").chopped(3);
    QByteArray missing;
    {
        TBinaryWriter out(missing);
        out.writeU8(25);
        out.writeU8(gtAddIn);
        frstream::writeString(out, QStringLiteral("TfrNotRegistered"));
    }
    const Case cases[] = {
        {"unknown object kind", unknownKind, false},
        {"unknown object version", badVersion, false},
        {"truncated record", truncated, false},
        {"unregistered add-in class", missing, true},
    };
    for (const Case& c : cases) {
        FilePage p;
        p.stream = c.stream;
        TfrEMFPages pages(report);
        ASSERT_TRUE(pages.loadFromStream(handMade(25, {p})).ok()) << c.what;
        try {
            pages.loadPage(0);
            ADD_FAILURE() << c.what << ": rebuilt";
        } catch (const EClassNotFound& e) {
            EXPECT_TRUE(c.classMissing) << c.what;
            EXPECT_TRUE(e.message().contains("TfrNotRegistered"));
        } catch (const EFormatError& e) {
            EXPECT_FALSE(c.classMissing) << c.what;
            EXPECT_TRUE(e.message().startsWith(QStringLiteral("Страница 1:"))) << e.message().toStdString();
        }
        EXPECT_EQ(pages[0].page, nullptr);
    }
}

TEST_F(Prepared, EditedPageKeepsItsEdits) {
    TfrEMFPages pages(report);
    fill(pages);
    TfrPage& page = pages.loadPage(0);
    auto& memo = static_cast<TfrMemoView&>(*page.object(0));
    memo.memo = QStringList{QStringLiteral("Исправлено") + E};
    memo.left = 33;
    page.deleteObject(1);
    pages.savePage(0);
    pages.releasePage(0);
    TfrEMFPages reread(report);
    ASSERT_TRUE(reread.loadFromStream(pages.saveToStream()).ok());
    const TfrPage& again = reread.loadPage(0);
    ASSERT_EQ(again.count(), 5);
    EXPECT_EQ(again.object(0)->workingText(), QStringList{QStringLiteral("Исправлено") + E});
    EXPECT_EQ(again.object(0)->left, 33);
    EXPECT_EQ(again.object(1)->className(), "TfrPictureView");

    // Appending to a page drops objects rebuilt before.
    reread.appendObject(0, *again.object(0));
    EXPECT_EQ(reread[0].page, nullptr);
    EXPECT_EQ(reread.loadPage(0).count(), 6);
}

TEST_F(Prepared, DrawingIntoTwiceThePageSizeDoublesCoordinates) {
    TfrPage& small = templatePage(0);
    small.changePaper(frPaperCustom, 500, 500, -1, poPortrait); // 5 cm square
    TfrEMFPages pages(report);
    pages.add(small);
    const int w = pages[0].prnInfo.pgw, h = pages[0].prnInfo.pgh;
    ASSERT_GT(w, 100);
    auto memo = make<TfrMemoView>(gtMemo, "Memo1", 50, 40, 30, 20);
    memo->frameTyp = frftTop | frftLeft;
    pages.appendObject(0, *memo);
    QImage image(2 * w, 2 * h, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        pages.draw(0, painter, QRect(0, 0, 2 * w, 2 * h));
    }
    // x 50 -> 100, y 40 -> 80, right 80 -> 160; a frame of width R(2) = 2.
    EXPECT_NE(image.pixel(130, 80), qRgb(255, 255, 255));
    EXPECT_NE(image.pixel(130, 79), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(130, 82), qRgb(255, 255, 255));
    EXPECT_NE(image.pixel(100, 100), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(102, 100), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(165, 80), qRgb(255, 255, 255));
}

TEST_F(Prepared, LinksFollowPagesOpenWebAddressesAndRefuseTheRest) {
    TfrEMFPages pages(report);
    pages.add(templatePage(0));
    const std::pair<const char*, const char*> objects[] = {
        {"URL1", "@3"}, {"URL2", "https://example.org/a?b=1"}, {"url3", "file:///etc/passwd"},
        {"URL4", "calc.exe"}, {"URL5", "C:\\Windows\\notepad.exe"}, {"Memo1", "https://example.org"},
    };
    int x = 10;
    for (const auto& [name, tag] : objects) {
        auto m = make<TfrMemoView>(gtMemo, name, x, 10, 40, 20);
        m->tag = tag;
        pages.appendObject(0, *m);
        x += 50;
    }
    std::vector<QUrl> opened;
    pages.openLink = [&](const QUrl& url) {
        opened.push_back(url);
        return true;
    };
    int clicks = 0;
    report.onObjectClick = [&](TfrView&) { ++clicks; };

    TfrHitResult r = pages.objectAt(0, {20, 20}, true);
    EXPECT_TRUE(r.handled);
    EXPECT_EQ(r.text, "@3");
    EXPECT_TRUE(opened.empty());

    r = pages.objectAt(0, {70, 20}, true);
    EXPECT_TRUE(r.text.isEmpty());
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], QUrl("https://example.org/a?b=1"));
    EXPECT_EQ(r.opened, opened[0]);

    for (int at : {120, 170, 220}) {
        r = pages.objectAt(0, {at, 20}, true);
        EXPECT_TRUE(r.handled);
        EXPECT_FALSE(r.refusal.isEmpty()) << at;
    }
    EXPECT_EQ(opened.size(), 1u);
    ASSERT_EQ(ui.messages.size(), 3u);
    EXPECT_TRUE(ui.messages[0].text.contains("file:///etc/passwd"));
    EXPECT_TRUE(ui.messages[1].text.contains(QStringLiteral("открываются только адреса http, https и mailto")));

    // Not a link: only the click event.
    r = pages.objectAt(0, {270, 20}, true);
    EXPECT_EQ(r.object->name(), "Memo1");
    EXPECT_TRUE(r.text.isEmpty());
    EXPECT_EQ(opened.size(), 1u);
    EXPECT_EQ(clicks, 6);

    // Hovering over a link: the hand and the tag.
    r = pages.objectAt(0, {70, 25}, false);
    EXPECT_TRUE(r.handCursor);
    EXPECT_EQ(r.text, "https://example.org/a?b=1");
    EXPECT_EQ(opened.size(), 1u);
    r = pages.objectAt(0, {5, 5}, false);
    EXPECT_EQ(r.object, nullptr);
    EXPECT_FALSE(r.handled);
}

TEST(Links, OnlyWebAndMailAddressesOpen) {
    const std::pair<const char*, bool> cases[] = {
        {"http://example.org", true},
        {"HTTPS://example.org/path", true},
        {" https://пример.рф/ ", true},
        {"mailto:someone@example.org", true},
        {"http://", false},
        {"mailto:", false},
        {"file:///etc/passwd", false},
        {"javascript:alert(1)", false},
        {"calc.exe", false},
        {"C:\\Windows\\system32\\cmd.exe", false},
        {"\\\\server\\share\\x.exe", false},
        {"/usr/bin/xterm", false},
        {"ftp://example.org", false},
        {"", false},
    };
    for (const auto& [target, allowed] : cases)
        EXPECT_EQ(frLinkRefusal(QString::fromUtf8(target)).isEmpty(), allowed) << target;
}

TEST_F(Prepared, BandAlignedObjectsTakeTheirPlaceOnThePage) {
    TfrPage& page = templatePage(0);
    page.margins = {20, 0, 30, 0}; // printable from 20 to page width - 30
    const int left = page.printableLeft(), right = page.printableRight();
    struct Case {
        std::uint8_t align;
        TfrBox box, placed;
    };
    const Case cases[] = {
        {baLeft, {300, 10, 40, 10}, {left, 10, 40, 10}},
        {baLeft, {400, 10, 40, 10}, {left + 40, 10, 40, 10}},  // after the first
        {baRight, {500, 10, 50, 10}, {right - 50, 10, 50, 10}},
        {baCenter, {0, 30, 100, 10}, {left + (right - left - 100) / 2, 30, 100, 10}},
        {baWidth, {5, 50, 10, 10}, {left, 50, right - left - 1, 10}},
        {baRest, {200, 10, 5, 10}, {left + 80, 10, right - 50 - (left + 80), 10}},
        {baTop, {7, 70, 8, 9}, {7, 70, 8, 9}},
        {baNone, {7, 80, 8, 9}, {7, 80, 8, 9}},
    };
    TfrEMFPages pages(report);
    pages.add(page);
    // The baRest object stands between the two baLeft ones and the baRight one.
    const int order[] = {0, 1, 2, 3, 4, 6, 7, 5};
    for (int i : order) {
        auto m = make<TfrMemoView>(gtMemo, QStringLiteral("M%1").arg(i), cases[i].box.left, cases[i].box.top,
                                   cases[i].box.width, cases[i].box.height);
        m->bandAlign = cases[i].align;
        pages.appendObject(0, *m);
    }
    const TfrPage& placed = pages.loadPage(0);
    for (int i : order)
        EXPECT_EQ(frBoxOf(*placed.findObject(QStringLiteral("M%1").arg(i))), cases[i].placed) << "case " << i;
}

TEST_F(Prepared, AutoWidthMemosTakeTheirWidthWhenRebuilt) {
    TfrEMFPages pages(report);
    pages.add(templatePage(0));
    auto m = make<TfrMemoView>(gtMemo, "Memo1", 100, 10, 300, 20);
    m->setFlag(frflags::AutoWidth, true);
    m->alignment = frtaRight;
    m->memo1 = QStringList{"abcde" + E};
    pages.appendObject(0, *m);
    const TfrView& placed = *pages.loadPage(0).object(0);
    EXPECT_EQ(placed.width, 30 + 1 + 4 + 1);
    EXPECT_EQ(placed.left, 100 + 300 - 36); // right-aligned text keeps its right edge
}

TEST_F(Prepared, ExportGivesObjectsInStreamOrderAndReleases) {
    TfrEMFPages pages(report);
    fill(pages);
    QStringList names;
    pages.exportPage(0, [&](TfrView& v) { names << v.name(); });
    EXPECT_EQ(names, (QStringList{"Memo1", "Line1", "Picture1", "Band1", "SubReport1", "Custom1"}));
    EXPECT_EQ(pages[0].page, nullptr);
}

TEST_F(Prepared, FilesOfTheReport) {
    QTemporaryDir dir;
    TfrEMFPages& pages = frPreparedPages(report);
    fill(pages);
    const QString path = dir.filePath("report.frp");
    frSavePreparedReport(report, path);
    EXPECT_THROW(frSavePreparedReport(report, dir.path()), Exception);

    TfrReport other(engine);
    other.info.name = "was here";
    const TfrLoadResult r = frLoadPreparedReport(other, path);
    ASSERT_TRUE(r.ok());
    EXPECT_TRUE(other.info.name.isEmpty());
    EXPECT_EQ(frPreparedPages(other).count(), 2);
    EXPECT_TRUE(frPreparedPages(other).loadedFromFile);
    EXPECT_EQ(frPreparedPages(other).saveToStream(), *textfile::readBytes(path));

    EXPECT_EQ(frLoadPreparedReport(other, dir.filePath("absent.frp")).status, TfrLoadResult::Status::NotFound);
    EXPECT_EQ(frLoadPreparedReport(other, dir.path()).status, TfrLoadResult::Status::NotFound);
}

TEST_F(Prepared, FuzzerFindingsLoadHarmlessly) {
    const QDir dir(QStringLiteral(OSTRAND_TEST_DATA_DIR "/fuzz"));
    const QStringList files = dir.entryList(QDir::Files);
    for (const QString& name : files) {
        const auto data = textfile::readBytes(dir.filePath(name));
        ASSERT_TRUE(data) << name.toStdString();
        TfrEMFPages pages(report);
        if (!pages.loadFromStream(*data).ok())
            continue;
        QImage image(100, 140, QImage::Format_RGB32);
        QPainter painter(&image);
        for (int i = 0; i < pages.count() && i < 50; ++i) {
            try {
                pages.draw(i, painter, image.rect());
                pages.objectAt(i, {10, 10}, false);
            } catch (const Exception&) {
            }
        }
    }
}

TEST_F(Prepared, MarginsAtTheEndsOfTheirRangeGiveEdgesWithinRange) {
    FilePage p;
    p.margins = {INT32_MIN, INT32_MAX, INT32_MIN, INT32_MIN};
    p.stream = memoStream("x");
    TfrEMFPages pages(report);
    ASSERT_TRUE(pages.loadFromStream(handMade(25, {p})).ok());
    const TfrPage& page = pages.loadPage(0);
    EXPECT_EQ(page.printableLeft(), INT32_MIN);
    EXPECT_EQ(page.printableRight(), INT32_MAX); // paper width - INT32_MIN
    EXPECT_EQ(page.printableBottom(), INT32_MAX);
    EXPECT_EQ(page.printableBottom(-5), INT32_MAX);
    EXPECT_GT(page.columnWidth(), 0);
}

TEST_F(Prepared, CustomPapersAtTheEndsOfTheRangeAreTakenEach) {
    // Widths 2^32 - 1 apart: their difference must not wrap to "equal".
    FilePage a, b;
    a.size = b.size = frPaperCustom;
    a.width = INT32_MIN;
    b.width = INT32_MAX;
    TfrEMFPages pages(report);
    ASSERT_TRUE(pages.loadFromStream(handMade(25, {a, b})).ok());
    EXPECT_LT(pages[0].prnInfo.pgw, 0);
    EXPECT_GT(pages[1].prnInfo.pgw, 0);
}
