// A column added to the demo report with ostrand-cli --edit is in the report
// built from the edited template.

#include "clirun.h"

#include "common/cp1251.h"
#include "common/textfile.h"
#include "report/model/engine.h"
#include "report/model/page.h"
#include "report/model/report.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString Settings = QStringLiteral(OSTRAND_SOURCE_DIR "/examples/settings/points.cfg");
const QString DemoTemplate = QStringLiteral(OSTRAND_SOURCE_DIR "/examples/settings/points.frf");

TEST(EditReportCli, AColumnAddedToTheDemoReportIsPrinted) {
    qunsetenv("OSTRAND_CONFIG_ROOT");
    const QTemporaryDir dir;
    const QString edited = dir.filePath(QStringLiteral("points.frf"));
    const QStringList commands = {
        // Room for the column: the point names narrower, the columns after them to the left.
        "select Memo5 Memo11", "set Width=250", "select Memo6 Memo7 Memo8 Memo12 Memo13 Memo14", "grid-align off",
        "drag -80 0",
        // The caption in the page header, the value in the data band.
        "insert text 638 122 80 24", "set Memo=Коэфф.", "frame all", "bold", "text-align center",
        "insert text 638 208 80 20", "set Memo=[DS.\"Factor\"]", "bold off", "text-align right"};
    QStringList args = {"--edit", DemoTemplate};
    for (const QString& c : commands)
        args << "--do" << c;
    args << "--save" << edited;
    const CliRun e = cli(args);
    ASSERT_EQ(e.status, 0) << e.err.toStdString();
    ASSERT_TRUE(e.err.isEmpty()) << e.err.toStdString();

    const QString text = dir.filePath(QStringLiteral("points.txt"));
    const CliRun r = cli({"--report", edited, "--server", "DEMO-NT", "--tm", "TM1", "--user", "engineer", "--password",
                          "demo", "--settings", Settings, "--export", "txt", text, "--pages", "1"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QString page = cp1251::decode(textfile::readBytes(text).value_or(QByteArray()));
    const QStringList lines = page.split(u'\n');
    qsizetype header = -1;
    for (qsizetype i = 0; i < lines.size() && header < 0; ++i)
        if (lines[i].contains(QStringLiteral("Верхний предел")))
            header = i;
    ASSERT_GE(header, 0) << page.toStdString();
    EXPECT_TRUE(lines[header].contains(QStringLiteral("Коэфф."))) << lines[header].toStdString();
    EXPECT_GT(lines[header].indexOf(QStringLiteral("Коэфф.")), lines[header].indexOf(QStringLiteral("Верхний предел")));
    // The data lines carry the factors (1, 0.1, 0.01 in the demo configuration).
    int withFactor = 0;
    for (const QString& line : lines)
        if (line.trimmed().endsWith(u'1'))
            ++withFactor;
    EXPECT_GT(withFactor, 5) << page.toStdString();
}

// A list report made from nothing, as a user makes it in the designer: a new
// report, the selection's fields inserted with their headers and bands, the
// page turned to landscape, saved; it prints as a table of the selection.
TEST(EditReportCli, FieldsInsertedIntoANewReportPrintTheSelection) {
    qunsetenv("OSTRAND_CONFIG_ROOT");
    const QTemporaryDir dir;
    const QString edited = dir.filePath(QStringLiteral("fields.frf"));
    const QStringList selection = {"--server", "DEMO-NT", "--tm", "TM1", "--user", "engineer", "--password", "demo",
                                   "--settings", Settings};
    const CliRun e = cli(QStringList{"--edit", DemoTemplate, "--do", "new", "--do",
                                     "insert-fields DS PointNo,PointName,Unit horizontal headers bands", "--do",
                                     "page-options orientation=landscape", "--do", "list", "--save", edited} +
                         selection);
    ASSERT_EQ(e.status, 0) << e.err.toStdString();
    ASSERT_TRUE(e.err.isEmpty()) << e.err.toStdString();
    EXPECT_TRUE(e.out.contains(QStringLiteral("[Master data]"))) << e.out.toStdString();
    TfrEngine engine;
    TfrReport report(engine);
    ASSERT_TRUE(report.loadFromFile(edited).ok());
    ASSERT_EQ(report.pages().count(), 1);
    const TfrPage& saved = *report.pages().page(0);
    EXPECT_EQ(saved.orientation, poLandscape);
    EXPECT_GT(saved.paperWidthPixels(), saved.paperHeightPixels());

    const QString text = dir.filePath(QStringLiteral("fields.txt"));
    const CliRun r = cli(QStringList{"--report", edited, "--export", "txt", text, "--pages", "1"} + selection);
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QString page = cp1251::decode(textfile::readBytes(text).value_or(QByteArray()));
    const QStringList lines = page.split(u'\n');
    ASSERT_FALSE(lines.isEmpty());
    // The headers are the selection's display names; every record gives a line.
    EXPECT_TRUE(page.contains(QStringLiteral("№ точки"))) << page.toStdString();
    EXPECT_TRUE(page.contains(QStringLiteral("Ед. изм."))) << page.toStdString();
    int records = 0;
    for (const QString& line : lines)
        if (!line.trimmed().isEmpty() && line.trimmed().front().isDigit())
            ++records;
    EXPECT_GT(records, 20) << page.toStdString();
}

} // namespace
