// The PDF filter: exported through the framework with a page list, read back
// by pdftotext; a selection without pages writes nothing.

#include "common/exception.h"
#include "common/textfile.h"
#include "demopages.h"
#include "report/build/preparedpages.h"
#include "report/export/pagelist.h"
#include "report/export/pdfexport.h"
#include "report/model/engine.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(PdfExport, ExportsTheChosenPagesAsText) {
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        GTEST_SKIP() << "poppler-utils is not installed";
    TfrEngine engine;
    TfrReport report(engine);
    report.pages().add();
    writeDemoPages(report, frPreparedPages(report), 4);
    QTemporaryDir dir;
    const QString path = dir.filePath("r.pdf");
    TfrPdfExport pdf;
    TfrExportOptions options;
    options.pages = frSelectPages(QStringLiteral("2-3"), 4).pages;
    ASSERT_EQ(frExportReport(report, pdf, path, options), TfrExportResult::Written);
    QProcess proc;
    proc.start(QStringLiteral("pdftotext"), {path, QStringLiteral("-")});
    ASSERT_TRUE(proc.waitForFinished(60000));
    const QString text = QString::fromUtf8(proc.readAllStandardOutput());
    const QStringList byPage = text.split(QChar(u'\f'), Qt::SkipEmptyParts);
    ASSERT_EQ(byPage.size(), 2) << text.toStdString();
    EXPECT_TRUE(byPage[0].contains(QStringLiteral("Стр. 2 из 4")));
    EXPECT_TRUE(byPage[1].contains(QStringLiteral("Стр. 3 из 4")));
    EXPECT_TRUE(text.contains(QStringLiteral("Положение выключателя В-110 Т1")));

    // No page chosen: an error, and the old file stays.
    options.pages = std::vector<int>{};
    EXPECT_THROW(frExportReport(report, pdf, path, options), Exception);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.readAll().startsWith("%PDF"));
}

} // namespace
