// The PDF file of prepared pages, read back by poppler's tools: page count,
// paper sizes and orientation, the texts as text, fonts embedded; failures
// keep the file that was there.

#include "common/exception.h"
#include "common/textfile.h"
#include "demopages.h"
#include "report/builder/preparedpages.h"
#include "report/export/exportfilter.h"
#include "report/export/pdfexport.h"
#include "report/export/pdfwriter.h"
#include "report/model/engine.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Runs a poppler tool on a file; nothing when the tool is missing or fails.
std::optional<QString> poppler(const QString& tool, QStringList args) {
    if (QStandardPaths::findExecutable(tool).isEmpty())
        return std::nullopt;
    QProcess proc;
    proc.start(tool, args);
    if (!proc.waitForFinished(60000) || proc.exitStatus() != QProcess::NormalExit || proc.exitCode() != 0)
        return std::nullopt;
    return QString::fromUtf8(proc.readAllStandardOutput());
}

class PdfWriter : public ::testing::Test {
protected:
    PdfWriter() {
        report.pages().add();
        report.pages().add();
        report.pages().page(1)->changePaper(frPaperA4, 0, 0, -1, poLandscape);
    }
    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    static bool haveTools() { return !QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty(); }

    TfrEngine engine;
    TfrReport report{engine};
    TfrEMFPages& pages = frPreparedPages(report);
    QTemporaryDir dir;
};

TEST_F(PdfWriter, PagesKeepPaperOrientationAndSearchableTexts) {
    if (!haveTools())
        GTEST_SKIP() << "poppler-utils is not installed";
    writeDemoPages(report, pages, 3);
    pages.add(*report.pages().page(1)); // a landscape page last
    int progressCalls = 0;
    frWritePdf(pages, path("r.pdf"), {QStringLiteral("Точки ОИК"), {}, [&](int done, int total) {
                                          ++progressCalls;
                                          EXPECT_EQ(total, 4);
                                          EXPECT_EQ(done, progressCalls);
                                      }});
    EXPECT_EQ(progressCalls, 4);
    const QString info = poppler(QStringLiteral("pdfinfo"), {QStringLiteral("-f"), QStringLiteral("1"), QStringLiteral("-l"),
                                                             QStringLiteral("4"), path("r.pdf")}).value_or(QString());
    EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+4\\n")))) << info.toStdString();
    EXPECT_TRUE(info.contains(QStringLiteral("Точки ОИК"))) << info.toStdString();
    // A4 is 595 x 842 points; the last page lies on its side.
    const QRegularExpression size(QStringLiteral("Page\\s+(\\d) size:\\s+([\\d.]+) x ([\\d.]+) pts"));
    int checked = 0;
    for (auto it = size.globalMatch(info); it.hasNext(); ++checked) {
        const auto m = it.next();
        const double w = m.captured(2).toDouble(), h = m.captured(3).toDouble();
        const bool landscape = m.captured(1) == u"4";
        EXPECT_NEAR(landscape ? h : w, 595, 1.5) << m.captured(0).toStdString();
        EXPECT_NEAR(landscape ? w : h, 842, 1.5) << m.captured(0).toStdString();
    }
    EXPECT_EQ(checked, 4);

    const QString text = poppler(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path("r.pdf"), QStringLiteral("-")}).value_or(QString());
    EXPECT_TRUE(text.contains(QStringLiteral("Точки телемеханики ОИК"))) << text.left(400).toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Положение выключателя В-110 Т1")));
    EXPECT_TRUE(text.contains(QStringLiteral("Стр. 3 из 3")));
    // Form feeds separate pages: page 2's footer comes after the first one.
    const QStringList byPage = text.split(QChar(u'\f'));
    ASSERT_GE(byPage.size(), 4);
    EXPECT_TRUE(byPage[1].contains(QStringLiteral("Стр. 2 из 3")));

    const QString fonts = poppler(QStringLiteral("pdffonts"), {path("r.pdf")}).value_or(QString());
    const QStringList rows = fonts.split(u'\n', Qt::SkipEmptyParts).mid(2);
    ASSERT_FALSE(rows.isEmpty()) << fonts.toStdString();
    // Columns of pdffonts: embedded, subset, Unicode map.
    for (const QString& row : rows)
        EXPECT_TRUE(row.contains(QRegularExpression(QStringLiteral("\\byes\\s+(yes|no)\\s+yes\\b")))) << "not embedded: " << row.toStdString();
    // Drawing for the file leaves no page rebuilt in memory.
    for (int i = 0; i < pages.count(); ++i)
        EXPECT_EQ(pages[i].page, nullptr) << i;
}

TEST_F(PdfWriter, ChosenPagesAreWrittenInTheirOrder) {
    if (!haveTools())
        GTEST_SKIP() << "poppler-utils is not installed";
    writeDemoPages(report, pages, 3);
    frWritePdf(pages, path("two.pdf"), {{}, {2, 0}, {}});
    const QString text = poppler(QStringLiteral("pdftotext"), {path("two.pdf"), QStringLiteral("-")}).value_or(QString());
    const QStringList byPage = text.split(QChar(u'\f'));
    ASSERT_GE(byPage.size(), 2);
    EXPECT_TRUE(byPage[0].contains(QStringLiteral("Стр. 3 из 3")));
    EXPECT_TRUE(byPage[1].contains(QStringLiteral("Стр. 1 из 3")));
    EXPECT_FALSE(text.contains(QStringLiteral("Стр. 2 из 3")));
}

TEST_F(PdfWriter, TheExportNamesTheReportAndTheProgram) {
    if (!haveTools())
        GTEST_SKIP() << "poppler-utils is not installed";
    writeDemoPages(report, pages, 1);
    const struct {
        const char* title;
        const char* fileName;
        const char* shown; // pdfinfo's title line
    } cases[] = {
        {"", "/data/reports/points.frf", "points"},
        {"", "C:\\Отчёты\\Сводка ОИК.frf", "Сводка ОИК"},
        {"Точки телемеханики", "/data/points.frf", "Точки телемеханики"},
        {"", "Untitled", ""},
    };
    for (const auto& c : cases) {
        report.title = QString::fromUtf8(c.title);
        report.fileName = QString::fromUtf8(c.fileName);
        TfrPdfExport pdf;
        TfrExportOptions options;
        options.dialogs = false;
        ASSERT_EQ(frExportReport(report, pdf, path("named.pdf"), options), TfrExportResult::Written) << c.fileName;
        const QString info = poppler(QStringLiteral("pdfinfo"), {path("named.pdf")}).value_or(QString());
        const QRegularExpression line(QStringLiteral("^(Title|Creator):[ ]*(.*)$"), QRegularExpression::MultilineOption);
        QString title, creator;
        for (auto it = line.globalMatch(info); it.hasNext();) {
            const auto m = it.next();
            (m.captured(1) == u"Title" ? title : creator) = m.captured(2).trimmed();
        }
        EXPECT_EQ(title, QString::fromUtf8(c.shown)) << info.toStdString();
        EXPECT_EQ(creator, QStringLiteral("Ostrand")) << info.toStdString();
    }
}

TEST_F(PdfWriter, FailuresKeepTheFileThatWasThere) {
    writeDemoPages(report, pages, 2);
    const QString target = path("old.pdf");
    textfile::writeAtomically(target, QByteArray("old"));
    auto keeps = [&](const TfrPdfOptions& options, const char* says) {
        try {
            frWritePdf(pages, target, options);
            ADD_FAILURE() << "no error for " << says;
        } catch (const Exception& e) {
            EXPECT_TRUE(e.message().contains(QString::fromUtf8(says))) << e.message().toStdString();
        }
        EXPECT_EQ(textfile::readBytes(target).value_or(QByteArray()), QByteArray("old"));
    };
    keeps({{}, {0, 2}, {}}, "нет страницы 3");
    keeps({{}, {-1}, {}}, "нет страницы 0");
    pages[1].prnInfo.pgw = 1 << 30; // a damaged file's paper
    keeps({}, "Страница 2 размером");

    TfrReport empty(engine);
    EXPECT_THROW(frWritePdf(frPreparedPages(empty), target, {}), Exception);
    EXPECT_EQ(textfile::readBytes(target).value_or(QByteArray()), QByteArray("old"));

    // A folder in the target's place is refused, not replaced.
    QDir(dir.path()).mkdir(QStringLiteral("folder.pdf"));
    pages[1].prnInfo.pgw = pages[0].prnInfo.pgw;
    EXPECT_THROW(frWritePdf(pages, path("folder.pdf"), {}), Exception);
    EXPECT_TRUE(QFileInfo(path("folder.pdf")).isDir());
}

} // namespace
