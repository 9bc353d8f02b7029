// ostrand-cli --frp-info and --frp-render on a hand-made prepared report: a
// page showing what drawing does and three pages like a demo report. The
// rendered pages are kept in the build folder (tests/app/cli/output).

#include "app/cli/cli.h"
#include "app/cli/frpinfo.h"
#include "common/textfile.h"
#include "demopages.h"
#include "report/builder/preparedpages.h"
#include "report/model/engine.h"

#include "clirun.h"

#include <QDir>
#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextStream>
#include <gtest/gtest.h>

namespace {

class FrpTools : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        QDir().mkpath(outputDir());
        TfrEngine engine;
        TfrReport report(engine);
        TfrEMFPages& pages = frPreparedPages(report);
        const auto jpeg = textfile::readBytes(QStringLiteral(OSTRAND_SOURCE_DIR "/tests/report/model/data/picture.jpg"));
        writeShowcasePage(report, pages, jpeg.value_or(QByteArray()));
        writeDemoPages(report, pages, 3);
        frSavePreparedReport(report, frp());
    }
    static QString outputDir() { return QStringLiteral(OSTRAND_TEST_OUTPUT_DIR); }
    static QString frp() { return outputDir() + QStringLiteral("/demo.frp"); }
    static QString output(const QString& name) { return outputDir() + u'/' + name; }
};

int inkPixels(const QImage& image, const QRect& area) {
    int ink = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            ink += image.pixel(x, y) != qRgb(255, 255, 255) ? 1 : 0;
    return ink;
}

} // namespace

TEST_F(FrpTools, InfoListsPagesAndObjects) {
    const CliRun r = cli({"--frp-info", frp()});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    const QStringList lines = r.out.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_EQ(lines[0], "Pages: 4");
    EXPECT_TRUE(lines[1].startsWith("Page 1: paper 9, 2100 x 2970, portrait, bin 65535, margins 0 0 0 0, margins used"))
        << lines[1].toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("  memo \"Title\" at 40,40 size 670 x 30: \"Возможности рисования отчёта\"")));
    EXPECT_TRUE(r.out.contains(QStringLiteral("  picture \"Picture1\" at 380,485 size 120 x 90: ")));
    EXPECT_TRUE(r.out.contains(QStringLiteral("  line \"Line1\" at 40,590 size 670 x 0: ")));
    EXPECT_TRUE(r.out.contains(QStringLiteral("  memo \"Cell\" at 80,132 size 170 x 18: \"ПС 220 кВ Северная\"")));
    EXPECT_TRUE(r.out.contains(QStringLiteral("\"Стр. 3 из 3\"")));
    // A hyphenated paragraph: its lines one after another.
    EXPECT_TRUE(r.out.contains(QRegularExpression(QStringLiteral("memo \"Hyphenated\" at [^\n]*[а-я]-\" \"[а-я]"))))
        << r.out.toStdString();
    // Every object is one line: 4 page lines, the page count, the objects.
    int objects = 0;
    for (const QString& line : lines)
        objects += line.startsWith("  ") ? 1 : 0;
    EXPECT_EQ(lines.size(), 1 + 4 + objects);
}

TEST_F(FrpTools, InfoFailsForFilesThatDoNotLoad) {
    QTemporaryDir dir;
    const QString bad = dir.filePath("bad.frp");
    textfile::writeAtomically(bad, textfile::readBytes(frp())->left(40));
    CliRun r = cli({"--frp-info", bad});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("не является подготовленным отчётом")));
    EXPECT_EQ(cli({"--frp-info", dir.filePath("absent.frp")}).status, 1);
    EXPECT_EQ(cli({"--frp-info"}).status, 2);
}

TEST_F(FrpTools, RenderDrawsAPageToPng) {
    const QString showcase = output("showcase.png");
    CliRun r = cli({"--frp-render", frp(), "--page", "1", "--png", showcase});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    QImage image(showcase);
    ASSERT_FALSE(image.isNull());
    // A4 at 96 dots per inch: 758 x 1071 report pixels of 18600/203 per inch.
    ASSERT_EQ(image.size(), QSize(794, 1122));
    const double k = 96 / (18600.0 / 203.0);
    // The title has ink; the space between title and alignment row has none.
    EXPECT_GT(inkPixels(image, QRect(int(300 * k), int(45 * k), int(150 * k), int(20 * k))), 100);
    EXPECT_EQ(inkPixels(image, QRect(int(40 * k), int(72 * k), int(600 * k), int(14 * k))), 0);
    // The margin below the last object stays white.
    EXPECT_EQ(inkPixels(image, QRect(0, int(620 * k), 794, 1122 - int(620 * k))), 0);

    const QString demo = output("demo-page.png");
    r = cli({"--frp-render", frp(), "--page", "2", "--png", demo, "--dpi", "150"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    image = QImage(demo);
    EXPECT_EQ(image.width(), 1241);
    EXPECT_GT(inkPixels(image, image.rect()), 20000);
}

TEST_F(FrpTools, RenderRefusesWhatItCannotDo) {
    QTemporaryDir dir;
    const QString png = dir.filePath("p.png");
    EXPECT_EQ(cli({"--frp-render", frp(), "--page", "9", "--png", png}).status, 1);
    EXPECT_EQ(cli({"--frp-render", frp(), "--page", "1", "--png", png, "--dpi", "5000"}).status, 1);
    EXPECT_EQ(cli({"--frp-render", frp(), "--page", "1", "--png", dir.path()}).status, 1);
    EXPECT_EQ(cli({"--frp-render", frp(), "--page", "x", "--png", png}).status, 2);
    EXPECT_EQ(cli({"--frp-render", frp(), "--png", png}).status, 2);
    EXPECT_EQ(cli({"--frp-render", frp(), "--page", "1", "--png"}).status, 2);
    EXPECT_FALSE(QFile::exists(png));
}
