// ostrand-cli --frp FILE --export txt|rtf|csv|htm|pdf OUT [--pages LIST] on a prepared
// report like the demo report: the files written, page lists, and what is
// refused.

#include "app/cli/cli.h"
#include "common/cp1251.h"
#include "common/textfile.h"
#include "demopages.h"
#include "report/builder/preparedpages.h"
#include "richtext/rtfwriter.h"
#include "report/model/engine.h"

#include "clirun.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>
#include <gtest/gtest.h>

namespace {

class CliExport : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        TfrEngine engine;
        TfrReport report(engine);
        report.pages().add();
        writeDemoPages(report, frPreparedPages(report), 3);
        frSavePreparedReport(report, frp());
    }
    QString frp() const { return dir.filePath("demo.frp"); }
    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    QString text(const char* name) const {
        return cp1251::decode(textfile::readBytes(path(name)).value_or(QByteArray("<missing>")));
    }
    QTemporaryDir dir;
};

TEST_F(CliExport, WritesTextOfTheListedPages) {
    CliRun r = cli({"--frp", frp(), "--export", "txt", path("all.txt")});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QString all = text("all.txt");
    EXPECT_TRUE(all.contains(QStringLiteral("Положение выключателя В-110 Т1")));
    EXPECT_EQ(all.count(u'\f'), 3);
    EXPECT_TRUE(all.contains(QStringLiteral("Стр. 3 из 3")));

    // Pages outside the report are skipped with a message.
    r = cli({"--frp", frp(), "--pages", "2,7", "--export", "TXT", path("two.txt")});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("7")) << r.err.toStdString();
    const QString two = text("two.txt");
    EXPECT_EQ(two.count(u'\f'), 1);
    EXPECT_TRUE(two.contains(QStringLiteral("Стр. 2 из 3")));
    EXPECT_FALSE(two.contains(QStringLiteral("Стр. 1 из 3")));
}

TEST_F(CliExport, WritesCsvHtmlAndRtfWithTheProgramsOptions) {
    const QString last = QStringLiteral("Стр. 3 из 3");
    const struct {
        const char* type;
        QByteArray starts, holds;
    } cases[] = {
        {"csv", "", cp1251::encode(last)},
        {"htm", "<HTML>", cp1251::encode(last)},
        {"RTF", "{\\rtf1\\ansi\\ansicpg1251", richtext::escape(last)},
    };
    for (const auto& c : cases) {
        const QString out = path("r.") + QString::fromLatin1(c.type).toLower();
        const CliRun r = cli({"--frp", frp(), "--export", c.type, out, "--pages", "3"});
        ASSERT_EQ(r.status, 0) << c.type << ": " << r.err.toStdString();
        const QByteArray bytes = textfile::readBytes(out).value_or(QByteArray());
        EXPECT_TRUE(bytes.startsWith(c.starts)) << c.type;
        EXPECT_TRUE(bytes.contains(c.holds)) << c.type;
        EXPECT_FALSE(bytes.contains(cp1251::encode(QStringLiteral("Стр. 2 из 3")))) << c.type;
    }
}

TEST_F(CliExport, WritesPdfThatPdftotextReads) {
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        GTEST_SKIP() << "poppler-utils is not installed";
    const CliRun r = cli({"--frp", frp(), "--export", "pdf", path("r.pdf"), "--pages", "3-"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    QProcess proc;
    proc.start(QStringLiteral("pdftotext"), {path("r.pdf"), QStringLiteral("-")});
    ASSERT_TRUE(proc.waitForFinished(60000));
    const QString pdf = QString::fromUtf8(proc.readAllStandardOutput());
    EXPECT_TRUE(pdf.contains(QStringLiteral("Стр. 3 из 3"))) << pdf.left(300).toStdString();
    EXPECT_FALSE(pdf.contains(QStringLiteral("Стр. 2 из 3")));
}

TEST_F(CliExport, RefusesWhatItCannotDo) {
    textfile::writeAtomically(path("old.txt"), "old");
    const struct {
        QStringList args;
        int status;
        const char* says;
    } cases[] = {
        {{"--frp", frp(), "--export", "doc", path("old.txt")}, 2, "txt, rtf, csv, htm, pdf"},
        {{"--frp", frp(), "--export", "txt", path("old.txt"), "--pages", "1-x"}, 2, "1-x"},
        {{"--export", "txt", path("old.txt")}, 2, "--frp"},
        {{"--frp", frp(), "--export", "txt"}, 2, "--export"},
        {{"--frp", path("none.frp"), "--export", "txt", path("old.txt")}, 1, "none.frp"},
        {{"--frp", frp(), "--export", "pdf", path("old.txt"), "--pages", "9"}, 1, "PDF"},
    };
    for (const auto& c : cases) {
        const CliRun r = cli(c.args);
        EXPECT_EQ(r.status, c.status) << c.args.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.says))) << r.err.toStdString();
        EXPECT_EQ(text("old.txt"), "old");
    }
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder.txt"));
    EXPECT_EQ(cli({"--frp", frp(), "--export", "txt", path("folder.txt")}).status, 1);
}

} // namespace
