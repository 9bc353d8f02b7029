// Rich-text objects in builds: expansion of their brackets in the formats
// around them, measuring for stretching bands, splitting over pages without
// losing or repeating text, data fields, and the exports of their lines.

#include "buildfixture.h"

#include "common/cp1251.h"
#include "report/addins/programaddins.h"
#include "report/addins/richbuild.h"
#include "report/addins/richview.h"
#include "report/export/exportfilter.h"
#include "report/export/programfilters.h"
#include "report/model/buildstate.h"
#include "richtext/richedit.h"
#include "richtext/richlayout.h"
#include "richtext/rtfreader.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>

namespace {

// RTF of a test's text: the text in code page 1251, Arial 10 by default.
QByteArray rtf(const QString& body) {
    return "{\\rtf1\\ansi\\ansicpg1251\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset204 Arial;}"
           "{\\f1\\froman\\fcharset204 Times New Roman;}}\\plain\\f0\\fs20 " +
           cp1251::encode(body) + "}";
}

// About `chars` characters of Russian prose in six paragraphs with bold and
// italic runs, one bracket [Name] in each.
QByteArray prose(int chars) {
    const QString words = QStringLiteral("Значение [Name] на подстанции Северная превысило уставку, дежурный "
                                         "диспетчер принял меры. ");
    QString body;
    for (int i = 0; i < 6; ++i) {
        QString text;
        while (text.size() < chars / 6 - 1)
            text += words;
        text.truncate(chars / 6 - 1);
        const qsizetype third = text.size() / 3;
        body += QStringLiteral("\\pard%1\\sa120 ").arg(i % 2 ? "\\fi360" : "\\qj") + text.left(third) + "{\\b\\fs24 " +
                text.mid(third, third) + "}{\\f1\\i\\fs18 " + text.mid(2 * third) + "}\\par ";
    }
    return rtf(body);
}

class RichBuild : public BuildTest {
public:
    RichBuild() { frRegisterProgramAddIns(engine); }

    TfrRichView& rich(int y, int width, int height, const QByteArray& content, int pg = 0) {
        auto* r = static_cast<TfrRichView*>(page(pg).add(engine.createObject(gtAddIn, QStringLiteral("TfrRichView"))));
        r->createUniqueName(&report);
        r->setBounds(40, y, width, height);
        r->setDocumentBytes(content);
        return *r;
    }

    // The rich-text objects of every prepared page, in print order.
    struct Printed {
        QString text;
        int top, height;
        std::shared_ptr<const QTextDocument> document;
    };
    std::vector<std::vector<Printed>> printedRich() {
        std::vector<std::vector<Printed>> out;
        TfrEMFPages& pages = frPreparedPages(report);
        for (int i = 0; i < pages.count(); ++i) {
            std::vector<Printed> onPage;
            for (const auto& v : pages.loadPage(i).objects())
                if (const auto* r = frCast<TfrRichView>(v.get()))
                    onPage.push_back({richtext::plainText(r->document()), r->top, r->height, r->sharedDocument()});
            pages.releasePage(i);
            out.push_back(onPage);
        }
        return out;
    }

    // The document a rich-text object prints: its own, [Name] expanded to
    // the one record's "x".
    static std::shared_ptr<QTextDocument> expanded(const TfrRichView& r) {
        auto copy = frCopyRichDocument(r.document());
        frExpandRich(*copy, [&](const QString&) { return QStringLiteral("x"); });
        return copy;
    }
};

// The parts of a split text joined: where a part ended at a paragraph end,
// that end belongs between it and the next part.
QString joined(const std::vector<QString>& parts, const QString& whole) {
    QString out;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        out += parts[i];
        if (i + 1 < parts.size() && whole.mid(out.size(), 1) == u"\n")
            out += u'\n';
    }
    return out;
}

bool boldAt(const QTextDocument& doc, int position) {
    return richtext::charFormatAt(doc, position).fontWeight() >= QFont::Bold;
}

} // namespace

// A bracket's value takes the format of the bracket it replaces: the bold
// sum stays bold, whether the whole text is bold or only the bracket.
TEST_F(RichBuild, AnExpandedValueKeepsTheFormatOfItsBracket) {
    addRecord("A", "x", 2);
    addRecord("B", "y", 3);
    band(btMasterData, 0, 20, "Data", "frDS");
    band(btReportSummary, 40, 30, "Summary");
    rich(40, 300, 30, rtf(QStringLiteral("{\\b Итог: [SUM([Qty])]}")));
    rich(40, 300, 30, rtf(QStringLiteral("Итог: {\\b [SUM([Qty])]} шт.")));
    ASSERT_TRUE(build().ok()) << ui.texts().join(u'\n').toStdString();
    const auto pages = printedRich();
    ASSERT_EQ(pages.size(), 1u);
    ASSERT_EQ(pages[0].size(), 2u);
    const QTextDocument& allBold = *pages[0][0].document;
    const QTextDocument& sumBold = *pages[0][1].document;
    EXPECT_EQ(pages[0][0].text, u"Итог: 5");
    EXPECT_EQ(pages[0][1].text, u"Итог: 5 шт.");
    EXPECT_TRUE(boldAt(allBold, 0));
    EXPECT_TRUE(boldAt(allBold, 6));
    EXPECT_FALSE(boldAt(sumBold, 0));
    EXPECT_TRUE(boldAt(sumBold, 6));
    EXPECT_FALSE(boldAt(sumBold, 8));
}

// Brackets expand as memo brackets do: in the object's display format,
// with inline formats, nested and quoted brackets read as one expression,
// values never read again, a value's line breaks as paragraphs, and an
// unclosed bracket left as it stands; TextOnly prints them all as written.
TEST_F(RichBuild, ExpandsBracketsAsMemosDoUnlessTextOnly) {
    addRecord("a\r\nb", "[Sub]", 7);
    band(btMasterData, 0, 100, "Data", "frDS");
    const QString text = QStringLiteral("[Qty] [Qty #N8.3] [IF([Qty] > 0, '[+]', '[-]')] [Name] [Sub] [Qty");
    TfrRichView& formatted = rich(0, 400, 30, rtf(text));
    formatted.format = frformat::make(frformat::fmtNumber, 1, 2, u',');
    TfrRichView& textOnly = rich(40, 400, 30, rtf(text));
    textOnly.setPropValue(QStringLiteral("TextOnly"), TVariant(true));
    ASSERT_TRUE(build().ok()) << ui.texts().join(u'\n').toStdString();
    const auto pages = printedRich();
    ASSERT_EQ(pages.size(), 1u);
    ASSERT_EQ(pages[0].size(), 2u);
    EXPECT_EQ(pages[0][0].text, u"7,00 7.000 [+] [Sub] a\nb [Qty");
    EXPECT_EQ(pages[0][1].text, text);
    EXPECT_EQ(pages[0][0].document->blockCount(), 2);
}

// The document's text may not grow without bound while it is expanded.
TEST(RichExpansion, RefusesATextThatGrowsTooLong) {
    QTextDocument doc;
    richtext::readRtf(cp1251::encode(u"[a] [b]"), doc);
    const QString big(richtext::MaxDocumentChars / 2 + 1, u'x');
    int asked = 0;
    EXPECT_THROW(frExpandRich(doc, [&](const QString&) { return ++asked, big; }), Exception);
    EXPECT_EQ(asked, 2);
}

// The height of a text is the least whole height that holds it, which is what
// a binary search over heights finds: 20 layouts where one does.
TEST(RichMeasure, IsTheLeastHeightThatHoldsTheText) {
    QTextDocument doc;
    richtext::readRtf(prose(3000), doc);
    const int length = richtext::textLength(doc);
    // The search over heights h in pixels, each laid out at h * 15 twips.
    auto bySearch = [&](int from, double width) {
        std::int32_t low = 0, high = 1000000;
        while (high - low > 1) {
            const std::int32_t mid = low + (high - low) / 2;
            (richtext::formatRange(doc, from, QRectF(0, 0, width, frRichTwips(mid))) >= length ? high : low) = mid;
        }
        return high < 2 ? 8 : high;
    };
    const int secondParagraph = doc.findBlockByNumber(1).position();
    for (double width : {1500.0, 4535.0, 9000.0})
        for (int from : {0, 40, secondParagraph, length - 300})
            EXPECT_EQ(frMeasureRichHeight(doc, from, width), bySearch(from, width)) << width << " " << from;
    // A single line: every height "fits" it (a range takes its first line
    // whatever the room), so the search would say 8 pixels, too low for it.
    QTextDocument line;
    richtext::readRtf(rtf(QStringLiteral("{\\fs48 Одна строка}")), line);
    EXPECT_EQ(frMeasureRichHeight(line, 0, 9000), frRichPixels(richtext::rangeHeight(line, 0, 9000)));
    EXPECT_GT(frMeasureRichHeight(line, 0, 9000), 30);
    QTextDocument empty;
    EXPECT_EQ(frMeasureRichHeight(empty, 0, 9000), 8);
}

// 3 000 characters in an object 100 pixels high on a stretched band: the
// object and its band grow to the text's whole height, and all of it prints.
TEST_F(RichBuild, AStretchedObjectGrowsToItsWholeText) {
    addRecord("A", "x", 1);
    TfrBandView& data = band(btMasterData, 0, 100, "Data", "frDS");
    data.flags = frflags::Stretched;
    TfrRichView& r = rich(0, 650, 100, prose(3000));
    band(btReportSummary, 200, 20, "Summary");
    memo(200, "end");
    ASSERT_TRUE(build().ok()) << ui.texts().join(u'\n').toStdString();
    const auto pages = printedRich();
    ASSERT_EQ(pages.size(), 1u);
    ASSERT_EQ(pages[0].size(), 1u);
    const Printed& p = pages[0][0];
    EXPECT_EQ(p.text, richtext::plainText(*expanded(r)));
    const int height = frMeasureRichHeight(*p.document, 0, frRichTextWidth(r)) + 2 * r.gapY;
    EXPECT_GT(height, 300);
    EXPECT_EQ(p.height, height);
    // The summary follows the grown band.
    const std::vector<Placed> at = placed(0);
    ASSERT_EQ(at.size(), 2u);
    EXPECT_EQ(at[1].top - at[0].top, height);
}

// Split over pages, each part holds what fits its page from the first
// character the part before did not take: joined, the parts are the
// expanded text, nothing lost, nothing twice; each part's lines fit its
// object, and the next band follows the last part.
TEST_F(RichBuild, ASplitObjectPrintsEveryCharacterOnce) {
    addRecord("A", "x", 1);
    for (const int chars : {3000, 12000}) {
        SCOPED_TRACE(chars);
        report.pages().clear();
        addPage();
        TfrBandView& data = band(btMasterData, 0, 120, "Data", "frDS");
        data.flags = frflags::Stretched | frflags::Breaked;
        TfrRichView& r = rich(0, 250, 100, prose(chars));
        band(btReportSummary, 200, 20, "Summary");
        memo(200, "after");
        ASSERT_TRUE(build().ok()) << ui.texts().join(u'\n').toStdString();
        const auto pages = printedRich();
        ASSERT_EQ(pages.size(), chars == 3000 ? 2u : 7u);
        std::vector<QString> parts;
        for (const auto& onPage : pages) {
            ASSERT_EQ(onPage.size(), 1u);
            const Printed& p = onPage[0];
            parts.push_back(p.text);
            EXPECT_LE(richtext::rangeHeight(*p.document, 0, frRichTextWidth(r)),
                      frRichTwips(p.height - 2 * r.gapY) + richtext::FitTolerance);
        }
        const std::shared_ptr<QTextDocument> full = expanded(r);
        const QString whole = richtext::plainText(*full);
        EXPECT_EQ(joined(parts, whole), whole);
        // The second part begins where the first page's part stopped fitting.
        const int next = richtext::formatRange(
            *full, 0, QRectF(0, 0, frRichTextWidth(r), frRichTwips(pages[0][0].height - 2 * r.gapY)));
        EXPECT_TRUE(whole.mid(next).startsWith(parts[1])) << next;
        // The summary comes after the text's end on the last page.
        const std::vector<Placed> last = placed(int(pages.size()) - 1);
        ASSERT_EQ(last.size(), 2u);
        EXPECT_EQ(last[1].text, u"after");
        EXPECT_GE(last[1].top, last[0].top + pages.back()[0].height);
    }
}

// A letter higher than any page still prints, one part a page, and the build
// ends: every part takes at least one line.
TEST_F(RichBuild, ALineThatNeverFitsStillAdvances) {
    addRecord("A", "x", 1);
    TfrBandView& data = band(btMasterData, 0, 50, "Data", "frDS");
    data.flags = frflags::Stretched | frflags::Breaked;
    TfrRichView& r = rich(0, 400, 40, rtf(QStringLiteral("{\\fs3000 Ж}\\par {\\fs3000 Ы}\\par конец")));
    ASSERT_TRUE(build().ok()) << ui.texts().join(u'\n').toStdString();
    std::vector<QString> parts;
    for (const auto& onPage : printedRich())
        for (const Printed& p : onPage)
            parts.push_back(p.text);
    EXPECT_EQ(joined(parts, richtext::plainText(r.document())), u"Ж\nЫ\nконец");
    EXPECT_LE(parts.size(), 4u);
}

// A data field bound to the object gives every record's document: RTF or
// plain text; an empty field prints an empty object.
TEST_F(RichBuild, ADataFieldGivesEveryRecordItsDocument) {
    addRecord("A", "{\\rtf1 {\\b Жирный} текст}", 1);
    addRecord("B", "простой", 2);
    addRecord("C", "", 3);
    band(btMasterData, 0, 30, "Data", "frDS");
    TfrRichView& r = rich(0, 300, 30, rtf(QStringLiteral("шаблон")));
    r.setPropValue(QStringLiteral("DataField"), TVariant(QStringLiteral("[Name]")));
    ASSERT_TRUE(build().ok()) << ui.texts().join(u'\n').toStdString();
    const auto pages = printedRich();
    ASSERT_EQ(pages.size(), 1u);
    ASSERT_EQ(pages[0].size(), 3u);
    EXPECT_EQ(pages[0][0].text, u"Жирный текст");
    EXPECT_TRUE(boldAt(*pages[0][0].document, 0));
    EXPECT_FALSE(boldAt(*pages[0][0].document, 7));
    EXPECT_EQ(pages[0][1].text, u"простой");
    EXPECT_EQ(pages[0][2].text, u"");
}

// The text, CSV, HTML and RTF exports receive the printed lines of the
// object; the RTF export writes them in their fonts.
TEST_F(RichBuild, ExportsReceiveThePrintedLines) {
    addRecord("A", "x", 1);
    band(btMasterData, 0, 60, "Data", "frDS");
    rich(0, 400, 60, rtf(QStringLiteral("Первая [Name]\\par {\\b Вторая строка}")));
    ASSERT_TRUE(build().ok()) << ui.texts().join(u'\n').toStdString();
    frRegisterProgramFilters(frExportFilters(engine));
    QTemporaryDir dir;
    for (const char* suffix : {"txt", "csv", "htm", "rtf"}) {
        SCOPED_TRACE(suffix);
        TfrExportFilter* filter = frExportFilters(engine).findByExtension(QString::fromLatin1(suffix));
        ASSERT_TRUE(filter);
        const QString file = dir.filePath(QStringLiteral("out.") + suffix);
        TfrExportOptions options;
        options.dialogs = false;
        ASSERT_EQ(frExportReport(report, *filter, file, options), TfrExportResult::Written);
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        if (QByteArray(suffix) == "rtf") {
            QTextDocument back;
            richtext::readRtf(bytes, back);
            const QString text = richtext::plainText(back);
            const qsizetype second = text.indexOf(u"Вторая строка");
            ASSERT_GE(second, 0) << text.toStdString();
            EXPECT_TRUE(text.contains(u"Первая x"));
            EXPECT_TRUE(boldAt(back, int(second)));
            EXPECT_FALSE(boldAt(back, int(text.indexOf(u"Первая"))));
        } else {
            const QString text = cp1251::decode(bytes);
            EXPECT_TRUE(text.contains(u"Первая x")) << text.toStdString();
            EXPECT_TRUE(text.contains(u"Вторая строка")) << text.toStdString();
        }
    }
}

// One printing of a split object is prepared once: its script, OnBeforePrint
// and expansion run before the first part (measured with the band, or when
// the band splits without measuring it), not again for the parts after it.
// An invisible object measures 0 and prints nothing, and a skipped one (the
// first of two passes) runs its script unless it was measured.
TEST(RichPrinting, PreparesEachPrintingOnce) {
    TfrEngine engine;
    TfrReport report{engine};
    report.pages().add();
    TfrEMFPages pages{engine};
    pages.add(*report.pages().page(0));
    TfrBuildState state;
    TfrFixedMeasurer measurer(6);
    TfrPrintContext c{state, measurer};
    int scripts = 0, brackets = 0;
    std::vector<QString> printed;
    c.runScript = [&](TfrView&) { ++scripts; };
    c.expandBracket = [&](const QString&, TfrView&) { return QString::number(++brackets); };
    c.output = [&](const TfrView& image) {
        printed.push_back(richtext::plainText(frCast<TfrRichView>(&image)->document()));
    };
    TfrRichView r;
    r.setBounds(0, 0, 200, 40);
    r.setDocumentBytes(prose(3000));
    TfrRichBuilder builder;
    const int n = int(richtext::plainText(r.document()).count(u"[Name]"));
    // Measured with a stretching band, then split into parts of 40 pixels.
    const std::int32_t height = builder.contentHeight(r, c);
    EXPECT_GT(height, 200);
    builder.splitStarts(r, c);
    auto printParts = [&] {
        for (int guard = 0; guard < 100 && builder.remainingHeight(r, r.height, c) > 0; ++guard)
            builder.print(r, {}, true, c);
    };
    printParts();
    EXPECT_EQ(scripts, 1);
    EXPECT_EQ(brackets, n);
    EXPECT_GT(printed.size(), 5u);
    // A band that splits without measuring: prepared at its first part.
    printed.clear();
    builder.splitStarts(r, c);
    printParts();
    EXPECT_EQ(scripts, 2);
    EXPECT_EQ(brackets, 2 * n);
    EXPECT_TRUE(printed.front().startsWith(QStringLiteral("Значение %1 ").arg(n + 1)));
    // Invisible: measures 0 and prints nothing, the print after measuring
    // without running the script again; a skip after measuring runs none.
    r.visible = false;
    printed.clear();
    EXPECT_EQ(builder.contentHeight(r, c), 0);
    builder.print(r, {}, false, c);
    EXPECT_EQ(scripts, 3);
    builder.print(r, {}, false, c);
    EXPECT_EQ(scripts, 4);
    EXPECT_TRUE(printed.empty());
    builder.contentHeight(r, c);
    builder.skip(r, c);
    EXPECT_EQ(scripts, 5);
    builder.skip(r, c);
    EXPECT_EQ(scripts, 6);
}
