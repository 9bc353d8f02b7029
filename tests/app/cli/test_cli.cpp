#include "app/cli/cli.h"
#include "common/cp1251.h"
#include "common/textfile.h"
#include "report/model/engine.h"
#include "report/model/report.h"

#include "clirun.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>
#include <gtest/gtest.h>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#endif

namespace {

const QString Settings = QStringLiteral(OSTRAND_EXAMPLES_DIR "/settings/points.cfg");

QStringList demo(const QString& save) {
    return {"--server", "DEMO-NT", "--tm", "TM1", "--user", "engineer", "--password", "demo",
            "--settings", Settings, "--save", save};
}

QStringList lines(const QString& path) { return textfile::readLines(path); }

class Cli : public ::testing::Test {
protected:
    void SetUp() override {
        // The bundled demo configuration.
        qunsetenv("OSTRAND_CONFIG_ROOT");
        ASSERT_TRUE(dir.isValid());
    }
    QString path(const QString& name) const { return dir.filePath(name); }
    QTemporaryDir dir;
};

} // namespace

TEST_F(Cli, HelpDescribesEveryOption) {
    const CliRun r = cli({"--help"});
    EXPECT_EQ(r.status, 0);
    for (const char* option : {"--server", "--tm", "--user", "--password", "--settings", "--mask", "--sort", "--group",
                               "--save", "--type", "xlsx"})
        EXPECT_TRUE(r.out.contains(QLatin1String(option))) << option;
}

TEST_F(Cli, BadArgumentsExitWithTwo) {
    const QString out = path("out.tab");
    const QStringList base = {"--server", "DEMO-NT", "--tm", "TM1"};
    const QList<QStringList> bad = {
        {"--server"},                                              // value missing
        {"--tm", "TM1", "--settings", Settings, "--save", out},    // no server
        {"--server", "DEMO-NT", "--settings", Settings, "--save", out}, // no TM server
        base + QStringList{"--save", out},                         // no settings
        base + QStringList{"--settings", Settings},                // no output
        base + QStringList{"--settings", Settings, "--save", out, "--bogus"},
        base + QStringList{"--settings", Settings, "--save", path("out.pdf")},          // type from extension
        base + QStringList{"--settings", Settings, "--save", out, "--type", "csv"},     // unknown type
        base + QStringList{"--settings", Settings, "--save", out, "--mask", "no-equals"},
        base + QStringList{"--settings", Settings, "--save", out, "--password", "x"},  // password alone
        // Characters the library's code page cannot carry would reach it as
        // "?" and match another password.
        base + QStringList{"--settings", Settings, "--save", out, "--user", "engineer", "--password",
                           QString::fromUtf8("\xF0\x9F\x94\x91\xF0\x9F\x94\x91")},
        base + QStringList{"--settings", Settings, "--save", out, "--user", QString::fromUtf8("\xE2\x82\xAC\xE4\xB8\xAD"),
                           "--password", "demo"},
    };
    for (const QStringList& args : bad) {
        const CliRun r = cli(args);
        EXPECT_EQ(r.status, 2) << args.join(' ').toStdString();
        EXPECT_FALSE(r.err.isEmpty());
    }
    EXPECT_FALSE(QFile::exists(out));
}

TEST_F(Cli, UnknownColumnsAreBadArgumentsAndWriteNothing) {
    const QString out = path("out.tab");
    CliRun r = cli(demo(out) << "--mask" << "Нет такой=1*");
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.err.contains(QStringLiteral("Нет такой")));
    r = cli(demo(out) << "--sort" << "Nothing");
    EXPECT_EQ(r.status, 2);
    r = cli(demo(out) << "--group" << "Nothing");
    EXPECT_EQ(r.status, 2);
    EXPECT_FALSE(QFile::exists(out));
}

TEST_F(Cli, FailuresOfTheWorkExitWithOne) {
    const QString out = path("out.tab");
    // Unreadable settings file.
    QStringList args = demo(out);
    args[args.indexOf("--settings") + 1] = path("missing.cfg");
    CliRun r = cli(args);
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains("Cannot open file")) << r.err.toStdString();

    // Unknown TM server: the library's message is passed on.
    args = demo(out);
    args[args.indexOf("--tm") + 1] = "TM9";
    r = cli(args);
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains("TM9")) << r.err.toStdString();

    // Unwritable output.
    r = cli(demo(path("no/such/folder/out.tab")));
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains("Cannot create file")) << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(out));

    // An output that is no regular file is left as it is.
    QDir(dir.path()).mkdir("folder.tab");
    r = cli(demo(path("folder.tab")));
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("не обычный файл"))) << r.err.toStdString();
    EXPECT_TRUE(QFileInfo(path("folder.tab")).isDir());
}

#ifndef Q_OS_WIN
TEST_F(Cli, TemplateThatIsNoRegularFileIsRefusedAtOnce) {
    // A FIFO would block the read and a device never end.
    const QString fifo = path("fifo.frf");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    ASSERT_TRUE(QFile::link("/dev/zero", path("zero.frf")));
    for (const QString& t : {fifo, path("zero.frf")}) {
        EXPECT_EQ(cli({"--template-info", t}).status, 1) << t.toStdString();
        EXPECT_EQ(cli({"--template-resave", t, path("out.frf")}).status, 1);
    }
    EXPECT_FALSE(QFile::exists(path("out.frf")));
}
#endif

TEST_F(Cli, WithoutLogOnTheDemoServerRefusesAccess) {
    const QString out = path("out.tab");
    QStringList args = {"--server", "DEMO-NT", "--tm", "TM1", "--user", "engineer", "--password", "wrong",
                        "--settings", Settings, "--save", out};
    const CliRun r = cli(args);
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("Доступ"))) << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(out));
}

TEST_F(Cli, ExportsTheDemoSelectionInThreeFormats) {
    CliRun r = cli(demo(path("points.tab")) << "--group" << "SubName" << "--sort" << "PointNo:desc");
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("Всего записей: ")));
    const QStringList text = lines(path("points.tab"));
    ASSERT_GT(text.size(), 3);
    EXPECT_TRUE(text[0].startsWith(QStringLiteral("№ ПС\t")));
    EXPECT_TRUE(text[0].endsWith(QStringLiteral("\tВладелец\tТелефон")));
    EXPECT_EQ(text[1], QString());
    // Grouped by the second data column: group rows carry the record count.
    EXPECT_TRUE(text[2].startsWith(QStringLiteral("Подстанция : ")));
    EXPECT_TRUE(text[2].contains(QStringLiteral(" Записей: ")));
    // Sorted by point number, descending, inside the group.
    const int pointNo = text[0].split('\t').indexOf(QStringLiteral("№ точки"));
    const int first = text[3].split('\t')[pointNo].toInt();
    const int second = text[4].split('\t')[pointNo].toInt();
    EXPECT_GT(first, second);

    r = cli(demo(path("points.xls")));
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QByteArray xls = *textfile::readBytes(path("points.xls"));
    EXPECT_TRUE(xls.startsWith(QByteArray("\x09\x04\x06\x00\x00\x00\x10\x00", 8)));
    EXPECT_TRUE(xls.endsWith(QByteArray("\x0A\x00\x00\x00", 4)));

    r = cli(demo(path("points.xlsx")));
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(textfile::readBytes(path("points.xlsx"))->startsWith("PK\x03\x04"));
    r = cli(demo(path("book.out")) << "--type" << "xlsx");
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(textfile::readBytes(path("book.out"))->startsWith("PK\x03\x04"));

    // The type option wins over the extension.
    r = cli(demo(path("points.tab.out")) << "--type" << "htm");
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QString html = cp1251::decode(*textfile::readBytes(path("points.tab.out")));
    EXPECT_TRUE(html.startsWith(QStringLiteral("<!DOCTYPE HTML")));
    EXPECT_TRUE(html.contains(QStringLiteral("Владелец")));
}

TEST_F(Cli, MasksSelectRecordsByColumnLabel) {
    CliRun r = cli(demo(path("all.tab")));
    ASSERT_EQ(r.status, 0);
    r = cli(demo(path("ts.tab")) << "--mask" << QStringLiteral("Тип=тс"));
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QStringList all = lines(path("all.tab"));
    const QStringList ts = lines(path("ts.tab"));
    EXPECT_LT(ts.size(), all.size());
    ASSERT_GT(ts.size(), 2);
    const int kind = ts[0].split('\t').indexOf(QStringLiteral("Тип"));
    for (int i = 2; i < ts.size(); ++i)
        EXPECT_EQ(ts[i].split('\t')[kind], QStringLiteral("ТС")) << ts[i].toStdString();
}

TEST_F(Cli, TemplateInfoAndResave) {
    const QString objects = QStringLiteral(OSTRAND_SOURCE_DIR "/tests/report/model/data/objects.frf");
    CliRun r = cli({"--template-info", objects});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith("OK")) << r.out.toStdString();

    // A copy saved anew is the same template, byte for byte.
    const QString copy = path("copy.frf");
    r = cli({"--template-resave", objects, copy});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    const QByteArray original = *textfile::readBytes(objects);
    const QByteArray saved = *textfile::readBytes(copy);
    EXPECT_EQ(saved, original);

    // A damaged template fails both ways and leaves the target alone.
    const QString damaged = path("damaged.frf");
    textfile::writeAtomically(damaged, textfile::readBytes(objects)->left(40));
    r = cli({"--template-info", damaged});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.out.startsWith("FAILED")) << r.out.toStdString();
    r = cli({"--template-resave", damaged, copy});
    EXPECT_EQ(r.status, 1);
    EXPECT_FALSE(r.err.isEmpty());
    EXPECT_EQ(*textfile::readBytes(copy), saved);

    EXPECT_EQ(cli({"--template-info"}).status, 2);
    EXPECT_EQ(cli({"--template-resave", objects}).status, 2);
}

TEST_F(Cli, EvalAndExpandExpressions) {
    CliRun r = cli({"--eval", "FORMATFLOAT('#,##0.00', 1234.5) + ' / ' + UPPERCASE('насос')"});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "1 234.50 / НАСОС\n");
    r = cli({"--expand", "Итого: [2 * 3 #N8.2] шт., [STRTODATE('05.11.1998') #Dd mmmm yyyy]"});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "Итого: 6.00 шт., 5 Ноябрь 1998\n");

    // Errors go to stderr with status 1; bad arguments give 2.
    r = cli({"--eval", "Nonsense + 1"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_EQ(r.err, "Переменная не определена: \"NONSENSE\"\n");
    EXPECT_EQ(cli({"--eval", "7 mod 0"}).status, 1);
    EXPECT_EQ(cli({"--eval"}).status, 2);
    EXPECT_EQ(cli({"--eval", "1", "--expand", "x"}).status, 2);
    EXPECT_EQ(cli({"--eval", "1", "--bogus"}).status, 2);
    EXPECT_EQ(cli({"--eval", "1", "--template", path("none.frf")}).status, 1);
}

TEST_F(Cli, ExpressionsSeeTheTemplateDictionaryAndTheFirstRecord) {
    const QString file = path("vars.frf");
    {
        TfrEngine engine;
        TfrReport report(engine);
        report.pages().add();
        report.dictionary().variables.set(QStringLiteral(" Итоги"), TVariant(QString()));
        report.dictionary().variables.set(QStringLiteral("Порог"), TVariant(QStringLiteral("[HiLimit] * 2")));
        report.dictionary().variables.set(QStringLiteral("Подпись"), TVariant(QStringLiteral("'Инженер'")));
        report.saveToFile(file);
    }
    QStringList args = {"--server", "DEMO-NT", "--tm", "TM1", "--user", "engineer", "--password", "demo",
                        "--settings", Settings, "--template", file};
    CliRun r = cli(args + QStringList({"--expand", "[Подпись]: [PointNo] [DS.\"PointName\"] [Порог = HiLimit * 2]"}));
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith("Инженер: ")) << r.out.toStdString();
    EXPECT_TRUE(r.out.endsWith(" 1\n")) << r.out.toStdString();
    // The first record of the selection, as the grid's first row shows it.
    r = cli(args + QStringList({"--eval", "[PointNo]"}));
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_FALSE(r.out.trimmed().isEmpty());
    // Without the selection the fields are unknown.
    r = cli({"--template", file, "--eval", "[Порог]"});
    EXPECT_EQ(r.status, 1);
}

TEST_F(Cli, ProtectedTemplateIsNeverOverwritten) {
    // Without a password the load fails: resaving a protected template onto
    // itself must neither write a blank report over it nor report success.
    TfrEngine engine;
    TfrReport report(engine);
    ASSERT_TRUE(report.loadFromStream(
                          *textfile::readBytes(QStringLiteral(OSTRAND_SOURCE_DIR "/tests/report/model/data/objects.frf")))
                    .ok());
    report.info.password = QStringLiteral("секрет");
    report.info.passwordProtected = true;
    const QString protectedFile = path("p.frf");
    report.saveToFile(protectedFile);
    const QByteArray before = *textfile::readBytes(protectedFile);

    CliRun r = cli({"--template-resave", protectedFile, protectedFile});
    EXPECT_EQ(r.status, 1);
    EXPECT_FALSE(r.err.isEmpty());
    EXPECT_EQ(*textfile::readBytes(protectedFile), before);
    r = cli({"--template-info", protectedFile});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.out.startsWith("FAILED")) << r.out.toStdString();
}
