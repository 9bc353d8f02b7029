#include "app/cli/cli.h"
#include "common/cp1251.h"
#include "report/model/engine.h"
#include "report/model/report.h"

#include "clirun.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <gtest/gtest.h>

namespace {

class ScriptCli : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QString write(const QString& name, const QString& text) {
        QFile f(dir.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(cp1251::encode(text));
        return f.fileName();
    }
    QTemporaryDir dir;
};

} // namespace

TEST_F(ScriptCli, PrintsTheGlobalVariablesLeft) {
    CliRun r = cli({"--run-script", "begin b := 1; a := b + 1; c := 'x' + 'y' end"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "a=2\nb=1\nc=xy\n");

    // A code page 1251 file after "@", several lines.
    const QString file = write(QStringLiteral("script.txt"), QStringLiteral("begin\r\n  Имя := 'Насос';\r\n  N := 3\r\nend\r\n"));
    r = cli({"--run-script", "@" + file});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "N=3\nИмя=Насос\n");
}

TEST_F(ScriptCli, SeesTheTemplateDictionary) {
    const QString file = dir.filePath(QStringLiteral("vars.frf"));
    {
        TfrEngine engine;
        TfrReport report(engine);
        report.pages().add();
        report.dictionary().variables.set(QStringLiteral("Порог"), TVariant(QStringLiteral("5")));
        report.saveToFile(file);
    }
    const CliRun r = cli({"--template", file, "--run-script", "begin x := [Порог] * 2; Порог := 7 end"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    // The dictionary variable is set in the dictionary, not among the globals.
    EXPECT_EQ(r.out, "x=10\n");
}

TEST_F(ScriptCli, ErrorsAndEndlessScripts) {
    CliRun r = cli({"--run-script", "begin a := 1 b := 2 end"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Line 1/13: Need \";\" or \"end\" here\n");

    r = cli({"--run-script", "begin i := 0; while 1 = 1 do i := i + 1 end", "--max-steps", "1000"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.startsWith("Сценарий остановлен")) << r.err.toStdString();
    EXPECT_EQ(r.out, "i=333\n"); // left by the run: three code lines a pass

    r = cli({"--run-script", "i := i + 1"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.startsWith("Переменная не определена")) << r.err.toStdString();

    EXPECT_EQ(cli({"--run-script", "@" + dir.filePath("none.txt")}).status, 1);
    EXPECT_EQ(cli({"--run-script", "@" + dir.path()}).status, 1);
    EXPECT_EQ(cli({"--run-script", "a := 1", "--template", dir.filePath("none.frf")}).status, 1);

    EXPECT_EQ(cli({"--run-script"}).status, 2);
    EXPECT_EQ(cli({"--run-script", "a := 1", "--max-steps", "0"}).status, 2);
    EXPECT_EQ(cli({"--run-script", "a := 1", "--bogus"}).status, 2);
}
