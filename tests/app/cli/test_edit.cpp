// ostrand-cli --edit: templates changed by the designer's commands without a window.

#include "clirun.h"

#include "common/textfile.h"
#include "report/model/engine.h"
#include "report/model/objects.h"
#include "report/model/report.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString DemoTemplate = QStringLiteral(OSTRAND_SOURCE_DIR "/examples/settings/points.frf");

class EditCli : public ::testing::Test {
protected:
    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    QTemporaryDir dir;
};

TEST_F(EditCli, CommandsChangeTheTemplateAndTheResultIsSaved) {
    const CliRun r = cli({"--edit", DemoTemplate, "--do", "grid 8", "--do", "insert text 40 400 96 20", "--do",
                          "set Memo=Итого", "--do", "frame all", "--do", "drag 13 21", "--do", "copy", "--do",
                          "paste 200 400", "--do", "list", "--save", path("out.frf")});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith(QStringLiteral("Страница 1 из 1: "))) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("  Memo18 TfrMemoView 48 416 96 20 «Итого»\n"))) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("* Memo19 TfrMemoView 200 400 96 20 «Итого»\n"))) << r.out.toStdString();

    TfrEngine engine;
    TfrReport report(engine);
    ASSERT_TRUE(report.loadFromFile(path("out.frf")).ok());
    const TfrView* added = report.findObject(QStringLiteral("Memo18"));
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(added->frameTyp, frftLeft | frftTop | frftRight | frftBottom);
    EXPECT_NE(report.findObject(QStringLiteral("MasterData1")), nullptr);
    // The template given is left as it was.
    TfrReport demo(engine);
    ASSERT_TRUE(demo.loadFromFile(DemoTemplate).ok());
    EXPECT_EQ(demo.findObject(QStringLiteral("Memo18")), nullptr);
}

TEST_F(EditCli, ACommandThatCannotApplySaysWhyAndTheOthersRun) {
    const CliRun r = cli({"--edit", DemoTemplate, "--do", "delete", "--do", "select Nobody", "--do", "select Memo1",
                          "--do", "delete", "--do", "undo", "--do", "redo", "--save", path("out.frf")});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.err, QStringLiteral("--do «delete»: Нет выделенных объектов\n"
                                    "--do «select Nobody»: На странице нет объекта Nobody\n"));
    TfrEngine engine;
    TfrReport report(engine);
    ASSERT_TRUE(report.loadFromFile(path("out.frf")).ok());
    EXPECT_EQ(report.findObject(QStringLiteral("Memo1")), nullptr);
}

TEST_F(EditCli, MalformedCommandLinesChangeNothing) {
    const char* const bad[][8] = {
        {"--edit", "IN", "--do", "align sideways", "--save", "OUT"},
        {"--edit", "IN", "--do", "insert text 1", "--save", "OUT"},
        {"--edit", "IN", "--do"},
        {"--edit", "IN", "--undo"},
        {"--do", "list"},
    };
    for (const auto& args : bad) {
        QStringList list;
        for (const char* a : args)
            if (a)
                list << (QString::fromLatin1(a) == u"IN" ? DemoTemplate
                         : QString::fromLatin1(a) == u"OUT" ? path("bad.frf")
                                                             : QString::fromUtf8(a));
        const CliRun r = cli(list);
        EXPECT_EQ(r.status, 2) << list.join(u' ').toStdString();
        EXPECT_TRUE(r.err.contains(QStringLiteral("Справка: ostrand-cli --help"))) << r.err.toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(path("bad.frf")));
}

TEST_F(EditCli, UnreadableTemplatesAndFailedSavesAreStatusOne) {
    EXPECT_EQ(cli({"--edit", path("missing.frf"), "--save", path("out.frf")}).status, 1);
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("taken.frf")));
    const CliRun r = cli({"--edit", DemoTemplate, "--save", path("taken.frf")});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("Ошибка: "))) << r.err.toStdString();
    // Saved as a dictionary by its extension.
    ASSERT_EQ(cli({"--edit", DemoTemplate, "--save", path("vars.frd")}).status, 0);
    EXPECT_TRUE(QFileInfo(path("vars.frd")).isFile());
}

TEST(EditCliHelp, ListsTheCommands) {
    const CliRun r = cli({"--help"});
    EXPECT_TRUE(r.out.contains(QStringLiteral("--edit IN.frf")));
    EXPECT_TRUE(r.out.contains(QStringLiteral("align left|right|top|bottom|hcenter|vcenter|hcenter-window|vcenter-window|hspread|vspread")));
    EXPECT_TRUE(r.out.contains(QStringLiteral("move-page FROM TO")));
}

} // namespace
