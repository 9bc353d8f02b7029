// The CSV, HTML and RTF filters on hand-made prepared pages with hostile
// texts, each export read back by an independent reader; pictures beside the
// HTML page and inside the RTF document; the registered set of filters.

#include "demopages.h"
#include "exportfixture.h"
#include "readers.h"

#include "common/exception.h"
#include "common/textfile.h"
#include "report/export/formatfilters.h"
#include "report/export/programfilters.h"
#include "report/model/jpeg.h"

#include <QBuffer>
#include <QDir>
#include <QJsonArray>
#include <QJsonObject>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Texts that break naive writers: delimiters, quotes, markup, RTF groups and
// control words, Russian letters, blanks at the ends.
const QStringList hostile = {
    "a;b,c\td", "say \"hi\"", "\"\"", "<script>alert('x')</script> & <b>", "&amp; &lt;",
    "} {\\b bold} \\par \\", "Привет, мир; «ёлка» №1", "  blanks at both ends  ",
};

const QString textA = QStringLiteral("a;b \"q\"");
const QString textB = QStringLiteral("<b>&amp;</b>");
const QString textC = QStringLiteral("} {\\ Привет, «мир»");

class Formats : public ::testing::Test, public ExportFixture {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        const int p0 = addPage();
        // Row 0: fields 0, 1 and 3; a bold text, then a plain one, then a
        // white one in the same font.
        auto a = memo(QStringLiteral("A"), 0, 0, 60, 14, {QStringLiteral("a;b \"q\"")});
        a->font.style = fsBold;
        put(p0, *a);
        put(p0, *memo(QStringLiteral("B"), 64, 0, 120, 14, {QStringLiteral("<b>&amp;</b>")}));
        auto c = memo(QStringLiteral("C"), 192, 0, 120, 14, {QStringLiteral("} {\\ Привет, «мир»")});
        c->font.color = clWhite;
        put(p0, *c);
        // Two lines: rows 4 and 5.
        put(p0, *memo(QStringLiteral("D"), 0, 56, 100, 30, {QStringLiteral("first"), QStringLiteral("second")}));
        const int p1 = addPage();
        put(p1, *memo(QStringLiteral("E"), 0, 0, 200, 14, {QStringLiteral("page two; end")}));
        // Then one hostile text a row, every other row.
        for (int i = 0; i < hostile.size(); ++i) {
            auto m = memo(QStringLiteral("H%1").arg(i), 0, 28 * (i + 1), 300, 14, {hostile[i]});
            m->font.style = std::uint16_t(i & 7);
            m->font.name = i % 2 ? QStringLiteral("Times {New} Roman") : QStringLiteral("Arial");
            put(p1, *m);
        }
    }

    QString path(const QString& name) const { return dir.filePath(name); }

    TfrExportResult run(TfrExportFilter& filter, const QString& name) {
        TfrExportOptions headless;
        headless.dialogs = false;
        return frExportReport(report, filter, path(name), headless);
    }

    std::unique_ptr<TfrPictureView> picture(const QString& name, int l, int t, TfrPicture::Kind kind,
                                            const QImage& image) {
        auto p = std::unique_ptr<TfrPictureView>(
            static_cast<TfrPictureView*>(engine.createObject(gtPicture).release()));
        p->setName(name);
        p->setBounds(l, t, 40, 30);
        QByteArray bytes;
        if (kind == TfrPicture::Jpeg) {
            bytes = frjpeg::encode(image);
        } else {
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            image.save(&buffer, "BMP");
        }
        p->picture.setData(kind, bytes);
        return p;
    }

    QTemporaryDir dir;
};

} // namespace

TEST_F(Formats, CsvFieldsComeBackFromPythonsReader) {
    for (QChar delimiter : {u';', u','}) {
        TfrCSVExport csv;
        ASSERT_TRUE(csv.setDelimiter(QString(delimiter)));
        ASSERT_EQ(run(csv, "r.csv"), TfrExportResult::Written);
        QList<QStringList> expected = {{textA, textB, "", textC}, {"first"}, {"second"}, {"page two; end"}};
        for (const QString& h : hostile)
            expected << QStringList{h};
        EXPECT_EQ(readers::csvRecords(path("r.csv"), delimiter), expected);
    }
    TfrCSVExport csv;
    csv.killEmptyLines = false;
    run(csv, "e.csv");
    // Rows 1 to 3 of the first page are empty lines, the second page follows
    // directly, its hostile texts on every other row.
    EXPECT_EQ(readers::fileBytes(path("e.csv")).count("\r\n"), 7 + 2 * hostile.size());
    EXPECT_FALSE(csv.setDelimiter("\"")) << "a quote cannot delimit quoted fields";
    EXPECT_FALSE(csv.setDelimiter(""));
    EXPECT_EQ(csv.delimiter(), u';');
}

TEST_F(Formats, HtmlCellsComeBackFromPythonsParserWithoutInjectedTags) {
    TfrHTMExport htm;
    ASSERT_EQ(run(htm, "r.htm"), TfrExportResult::Written);
    QJsonObject page = readers::run("html_cells.py", {path("r.htm")}).toObject();
    EXPECT_EQ(page["charset"].toString(), "windows-1251");
    QJsonArray expected{QJsonArray{textA, textB, textC}, QJsonArray{"first"}, QJsonArray{"second"},
                        QJsonArray{"page two; end"}};
    for (const QString& h : hostile)
        expected.append(QJsonArray{h});
    EXPECT_EQ(page["rows"].toArray(), expected);
    // Only the page's own tags: no text opened one.
    const QStringList own = {"html", "head", "meta", "body", "table", "tr", "td", "font", "i", "b", "u"};
    QStringList tags;
    for (const QJsonValue tag : page["tags"].toArray())
        tags << tag.toString();
    for (const QString& tag : tags)
        EXPECT_TRUE(own.contains(tag)) << tag.toStdString();
    EXPECT_EQ(tags.count("b"), 1 + 4) << "the bold texts only";

    htm.rawTexts = true;
    run(htm, "raw.htm");
    page = readers::run("html_cells.py", {path("raw.htm")}).toObject();
    EXPECT_EQ(page["rows"].toArray()[0].toArray()[1].toString(), "&") << "raw texts keep their markup";
    EXPECT_EQ(page["tags"].toArray().toVariantList().count(QVariant("b")), 1 + 4 + 2);
}

TEST_F(Formats, RtfTextsComeBackFromUnrtfAndStylesTurnOff) {
    for (bool table : {false, true}) {
        TfrRTFExport rtf;
        rtf.convertToTable = table;
        ASSERT_EQ(run(rtf, "r.rtf"), TfrExportResult::Written);
        const QString read = readers::run("rtf_text.py", {path("r.rtf")}).toString().simplified();
        qsizetype at = 0;
        // The reader shows tabs as blanks and runs of blanks as one.
        for (const QString& text : QStringList{textA, textB, textC, "first", "second", "page two; end"} + hostile) {
            const QString t = text.simplified();
            const qsizetype found = read.indexOf(t, at);
            EXPECT_GE(found, at) << t.toStdString() << " in " << read.toStdString();
            at = std::max(at, found);
        }
        const QByteArray bytes = readers::fileBytes(path("r.rtf"));
        EXPECT_TRUE(bytes.startsWith("{\\rtf1\\ansi\\ansicpg1251\r\n"));
        EXPECT_EQ(bytes.count("\\page\r\n"), 1);
        if (!table) {
            EXPECT_TRUE(bytes.contains("\\tab\\b0 <b>&amp;</b>\\tab \\} \\{\\\\ \\'cf")) << bytes.constData();
        }
    }
}

TEST_F(Formats, NoPagesGiveOnlyTheDocumentFrame) {
    TfrReport empty(engine);
    TfrExportOptions headless;
    headless.dialogs = false;
    TfrCSVExport csv;
    TfrHTMExport htm;
    TfrRTFExport rtf;
    frExportReport(empty, csv, path("e.csv"), headless);
    frExportReport(empty, htm, path("e.htm"), headless);
    frExportReport(empty, rtf, path("e.rtf"), headless);
    EXPECT_EQ(readers::fileBytes(path("e.csv")), "");
    EXPECT_EQ(readers::fileBytes(path("e.htm")),
              "<HTML>\r\n<Head>\r\n<Meta HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=windows-1251\">\r\n"
              "</Head>\r\n<Body bgColor=\"#FFFFFF\">\r\n<Table>\r\n</Table>\r\n</Body>\r\n</HTML>\r\n");
    EXPECT_EQ(readers::fileBytes(path("e.rtf")), "{\\rtf1\\ansi\\ansicpg1251\r\n\\margl600\\margr600\\margt600\\margb600\r\n"
                                                 "{\\fonttbl}\r\n{\\colortbl;}\r\n\\par}");
}

TEST_F(Formats, PicturesBesideTheHtmlPageAndInsideTheRtfDocument) {
    QImage image(8, 6, QImage::Format_RGB32);
    image.fill(Qt::blue);
    auto first = picture("P1", 0, 100, TfrPicture::Jpeg, image);
    auto second = picture("P2", 300, 100, TfrPicture::Jpeg, image);
    put(0, *first);
    put(0, *second);
    put(1, *picture("P3", 0, 50, TfrPicture::Bitmap, image));

    TfrHTMExport htm;
    run(htm, "plain.htm");
    EXPECT_FALSE(QFile::exists(path("htm0.jpg"))) << "pictures only when asked";
    htm.exportPictures = true;
    ASSERT_EQ(run(htm, "p.htm"), TfrExportResult::Written);
    const QJsonObject page = readers::run("html_cells.py", {path("p.htm")}).toObject();
    EXPECT_EQ(page["images"].toArray(), (QJsonArray{"htm0.jpg", "htm1.jpg", "htm2.bmp"}));
    EXPECT_EQ(readers::fileBytes(path("htm0.jpg")), first->picture.data);
    EXPECT_EQ(QImage(path("htm2.bmp")).size(), image.size());
    EXPECT_EQ(QDir(dir.path()).entryList({"*.tmp*", ".*tmp*"}, QDir::Files | QDir::Hidden), QStringList{})
        << "no temporary files left";

    // A picture target that is not a regular file is refused, and the page
    // keeps its old contents.
    textfile::writeAtomically(path("q.htm"), "old");
    QFile::remove(path("htm1.jpg"));
    ASSERT_TRUE(QDir(dir.path()).mkpath("htm1.jpg"));
    EXPECT_THROW(run(htm, "q.htm"), Exception);
    EXPECT_EQ(readers::fileBytes(path("q.htm")), "old");

    TfrRTFExport rtf;
    run(rtf, "plain.rtf");
    EXPECT_FALSE(readers::fileBytes(path("plain.rtf")).contains("\\pict"));
    rtf.exportBitmaps = true;
    run(rtf, "p.rtf");
    const QByteArray bytes = readers::fileBytes(path("p.rtf"));
    EXPECT_EQ(bytes.count("{\\pict\\wmetafile8"), 3);
    EXPECT_TRUE(readers::run("rtf_text.py", {path("p.rtf")}).toString().contains("page two; end"));
}

namespace {

// An add-in that holds no text and paints a red square: what barcodes and
// charts are to the exports.
class TfrSquareView : public TfrView {
public:
    TfrSquareView() { objectType = gtAddIn; }
    const TfrObjectClass& objectClass() const override { return classInfo(); }
    static const TfrObjectClass& classInfo() {
        static const TfrObjectClass c = [] {
            TfrObjectClass c = frAddInClass<TfrSquareView>("TfrSquareView", "Square", TfrView::classInfo());
            c.paint = [](const TfrView& v, TfrDrawContext& d) {
                if (!d.painter)
                    return;
                const TfrDrawTransform& t = d.transform;
                d.painter->fillRect(QRectF(t.ox + v.left * t.sx, t.oy + v.top * t.sy, v.width * t.sx, v.height * t.sy),
                                    Qt::red);
            };
            return c;
        }();
        return c;
    }
};

} // namespace

TEST_F(Formats, ObjectsWithoutTextGoIntoHtmlAndRtfAsTheirDrawing) {
    engine.registerClass(TfrSquareView::classInfo());
    addPage();
    std::unique_ptr<TfrView> square = engine.createObject(gtAddIn, "TfrSquareView");
    square->setName("Square1");
    square->setBounds(40, 60, 30, 20);
    put(0, *square);
    TfrHTMExport htm;
    htm.exportPictures = true;
    ASSERT_EQ(run(htm, "square.htm"), TfrExportResult::Written);
    const QJsonObject page = readers::run("html_cells.py", {path("square.htm")}).toObject();
    EXPECT_EQ(page["images"].toArray(), (QJsonArray{"htm0.bmp"}));
    const QImage drawn(path("htm0.bmp"));
    ASSERT_EQ(drawn.size(), QSize(60, 40)); // twice the report's resolution
    EXPECT_EQ(drawn.pixelColor(30, 20), QColor(Qt::red));
    TfrRTFExport rtf;
    rtf.exportBitmaps = true;
    run(rtf, "square.rtf");
    EXPECT_EQ(readers::fileBytes(path("square.rtf")).count("{\\pict\\wmetafile8"), 1);
}

TEST(FormatRegistry, TheProgramsFiltersInOrderWithRtfPreselected) {
    TfrEngine engine;
    TfrExportFilters& filters = frExportFilters(engine);
    frRegisterProgramFilters(filters);
    frRegisterProgramFilters(filters); // nothing twice
    ASSERT_EQ(filters.count(), 5);
    EXPECT_EQ(filters.defaultEntry(), 3);
    const auto* rtf = dynamic_cast<const TfrRTFExport*>(filters[1].filter);
    ASSERT_NE(rtf, nullptr);
    EXPECT_DOUBLE_EQ(rtf->scaleX, 1.3);
    EXPECT_DOUBLE_EQ(rtf->scaleY, 1);
    EXPECT_EQ(dynamic_cast<const TfrCSVExport*>(filters[2].filter)->delimiter(), u';');
}

// Optional: LibreOffice, where installed, opens the RTF and HTML exports as
// spreadsheets (the import filters of its spreadsheet, the part servers
// usually have) and finds their texts.
TEST_F(Formats, LibreOfficeReadsTheRtfAndHtmlExports) {
    const QString soffice = QStandardPaths::findExecutable("soffice");
    if (soffice.isEmpty())
        GTEST_SKIP() << "LibreOffice is not installed";
    TfrRTFExport rtf;
    TfrHTMExport htm;
    run(rtf, "lo.rtf");
    run(htm, "lo.htm");
    QTemporaryDir profile;
    const std::pair<QString, QString> imports[] = {{"lo.rtf", "Rich Text Format (StarCalc)"},
                                                   {"lo.htm", "HTML (StarCalc)"}};
    for (const auto& [name, filter] : imports) {
        const QString out = dir.filePath("lo-" + name.right(3));
        QProcess proc;
        proc.start(soffice, {"-env:UserInstallation=file://" + profile.path(), "--headless", "--infilter=" + filter,
                             "--convert-to", "csv:Text - txt - csv (StarCalc):9,34,76", "--outdir", out, path(name)});
        ASSERT_TRUE(proc.waitForFinished(180000)) << "LibreOffice did not finish";
        if (!QFile::exists(out + "/lo.csv"))
            GTEST_SKIP() << "LibreOffice cannot import " << filter.toStdString() << ": "
                         << proc.readAllStandardError().toStdString();
        QStringList fields;
        for (const QStringList& record : readers::csvRecords(out + "/lo.csv", u'\t', "utf-8"))
            fields += record;
        const QString text = fields.join(u'\n');
        for (const QString& t : {textA, textB, textC, QString("page two; end")})
            EXPECT_TRUE(text.contains(t)) << name.toStdString() << ": " << t.toStdString() << " in "
                                          << text.toStdString();
    }
}

// The demo report's pages through the program's registered filters with
// their options, read back: every row's texts, every page's title and
// footer; the showcase page with its picture through both picture options.
TEST(DemoReport, ExportsThroughTheRegisteredFilters) {
    TfrEngine engine;
    frRegisterProgramFilters(frExportFilters(engine));
    TfrReport report(engine);
    report.pages().add();
    writeDemoPages(report, frPreparedPages(report), 3);
    QTemporaryDir dir;
    TfrExportFilters& filters = frExportFilters(engine);
    TfrExportOptions headless;
    headless.dialogs = false;
    auto exportAs = [&](const QString& suffix) {
        const QString path = dir.filePath("demo." + suffix);
        EXPECT_EQ(frExportReport(report, *filters.findByExtension(suffix), path, headless), TfrExportResult::Written);
        return path;
    };
    const QString point = QStringLiteral("Положение выключателя В-110 Т1");

    QList<QStringList> records = readers::csvRecords(exportAs("csv"), u';');
    int titles = 0, points = 0;
    for (const QStringList& r : records) {
        titles += r.contains(QStringLiteral("Точки телемеханики ОИК"));
        // A right-aligned number ends where the next column starts, so both
        // fall into one field.
        points += r.filter(point).size();
    }
    EXPECT_EQ(titles, 3);
    EXPECT_EQ(points, 20) << "every sixth of 120 rows";
    EXPECT_TRUE(records.last().contains(QStringLiteral("Стр. 3 из 3")));

    const QJsonObject page = readers::run("html_cells.py", {exportAs("htm")}).toObject();
    QStringList cells;
    for (const QJsonValue row : page["rows"].toArray())
        for (const QJsonValue cell : row.toArray())
            cells << cell.toString();
    EXPECT_EQ(cells.count(point), 20);
    EXPECT_EQ(cells.count(QStringLiteral("Точки телемеханики ОИК")), 3);
    EXPECT_TRUE(cells.contains(QStringLiteral("Стр. 2 из 3")));

    const QString rtf = readers::run("rtf_text.py", {exportAs("rtf")}).toString();
    EXPECT_EQ(rtf.count(point), 20);
    EXPECT_LT(rtf.indexOf(QStringLiteral("Стр. 1 из 3")), rtf.indexOf(QStringLiteral("Стр. 3 из 3")));

    TfrReport showcase(engine);
    showcase.pages().add();
    QImage image(16, 12, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    writeShowcasePage(showcase, frPreparedPages(showcase), frjpeg::encode(image));
    auto* htm = static_cast<TfrHTMExport*>(filters.findByExtension("htm"));
    auto* rtfFilter = static_cast<TfrRTFExport*>(filters.findByExtension("rtf"));
    htm->exportPictures = true;
    rtfFilter->exportBitmaps = true;
    ASSERT_EQ(frExportReport(showcase, *htm, dir.filePath("show.htm"), headless), TfrExportResult::Written);
    EXPECT_EQ(QImage(dir.filePath("htm0.jpg")).size(), image.size());
    ASSERT_EQ(frExportReport(showcase, *rtfFilter, dir.filePath("show.rtf"), headless), TfrExportResult::Written);
    EXPECT_EQ(readers::fileBytes(dir.filePath("show.rtf")).count("{\\pict"), 1);
    EXPECT_TRUE(readers::run("rtf_text.py", {dir.filePath("show.rtf")}).toString().contains(QStringLiteral("Посередине")));
}
