// ostrand-cli --report: the demo template over the demo selection to a
// prepared report and a PDF, templates without a selection, and the ways a
// run fails.

#include "app/cli/cli.h"
#include "common/cp1251.h"
#include "common/textfile.h"
#include "report/model/engine.h"
#include "report/model/objects.h"
#include "report/model/report.h"

#include "clirun.h"

#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>
#include <gtest/gtest.h>

namespace {

const QString Settings = QStringLiteral(OSTRAND_SOURCE_DIR "/examples/settings/points.cfg");
const QString DemoTemplate = QStringLiteral(OSTRAND_SOURCE_DIR "/examples/settings/points.frf");

std::optional<QString> pdftotext(const QString& pdf) {
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        return std::nullopt;
    QProcess proc;
    proc.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    if (!proc.waitForFinished(60000) || proc.exitCode() != 0)
        return std::nullopt;
    return QString::fromUtf8(proc.readAllStandardOutput());
}

class ReportCli : public ::testing::Test {
protected:
    void SetUp() override {
        qunsetenv("OSTRAND_CONFIG_ROOT");
        ASSERT_TRUE(dir.isValid());
    }
    QString path(const QString& name) const { return dir.filePath(name); }

    // A template of one data band over `data` printing its line numbers.
    QString numbersTemplate(const QString& data, const QString& text = QStringLiteral("строка [LINE#]"),
                            const QString& name = QStringLiteral("t.frf"), bool printToPrevPage = false) {
        TfrEngine engine;
        TfrReport report(engine);
        TfrPage& page = *report.pages().page(report.pages().add());
        page.printToPrevPage = printToPrevPage;
        auto* band = static_cast<TfrBandView*>(page.add(engine.createObject(gtBand)));
        band->setBandType(btMasterData);
        band->setName(QStringLiteral("Data"));
        band->setBounds(0, 40, 700, 100);
        band->setDataSourceName(data);
        auto* memo = static_cast<TfrMemoView*>(page.add(engine.createObject(gtMemo)));
        memo->setName(QStringLiteral("Memo1"));
        memo->setBounds(40, 40, 400, 20);
        memo->memo = QStringList{text};
        const QString file = path(name);
        report.saveToFile(file);
        return file;
    }
    QTemporaryDir dir;
};

} // namespace

TEST_F(ReportCli, DemoReportToPreparedFileAndPdf) {
    const CliRun r = cli({"--report", DemoTemplate, "--server", "DEMO-NT", "--tm", "TM1", "--user", "engineer",
                          "--password", "demo", "--settings", Settings, "--prepared", path("demo.frp"), "--pdf",
                          path("demo.pdf"), "--export", "txt", path("demo.txt"), "--pages", "2-3"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const CliRun info = cli({"--frp-info", path("demo.frp")});
    ASSERT_EQ(info.status, 0);
    EXPECT_TRUE(info.out.contains("Точки телемеханики"));
    // The variables the main window sets: where the data came from.
    EXPECT_TRUE(info.out.contains("NT-сервер: DEMO-NT")) << info.out.left(2000).toStdString();
    EXPECT_TRUE(info.out.contains("ТМ-сервер: TM1"));
    // The text export of pages 2 and 3: two form feeds, page 2's footer.
    const QByteArray text2 = textfile::readBytes(path("demo.txt")).value_or(QByteArray());
    EXPECT_EQ(text2.count('\f'), 2);
    EXPECT_TRUE(text2.contains(cp1251::encode(QStringLiteral("Страница 2 из"))));
    EXPECT_FALSE(text2.contains(cp1251::encode(QStringLiteral("Страница 1 из"))));
    EXPECT_TRUE(info.out.contains("ПС 220 кВ Северная"));
    EXPECT_TRUE(info.out.contains("Точек на подстанции:"));
    // "Страница 1 из N": two passes know the total.
    EXPECT_TRUE(info.out.contains(QRegularExpression("Страница 1 из [1-9]")));
    const auto text = pdftotext(path("demo.pdf"));
    if (!text)
        GTEST_SKIP() << "pdftotext is not installed";
    EXPECT_TRUE(text->contains("Точки телемеханики"));
    EXPECT_TRUE(text->contains("Всего точек:"));
}

TEST_F(ReportCli, DemoReportInEveryExportFormat) {
    const QStringList selection{"--server", "DEMO-NT", "--tm", "TM1", "--user", "engineer", "--password", "demo",
                                "--settings", Settings};
    // What each format makes of the title: plain code page 1251 text, or in
    // RTF the same bytes written as \'hh.
    const QByteArray title = cp1251::encode(QStringLiteral("Точки телемеханики"));
    QByteArray rtfTitle;
    for (char c : title)
        rtfTitle += static_cast<unsigned char>(c) < 0x80 ? QByteArray(1, c)
                                                          : "\\'" + QByteArray::number(static_cast<unsigned char>(c), 16);
    for (const char* type : {"txt", "csv", "htm", "rtf", "pdf"}) {
        const QString out = path(QStringLiteral("demo.") + QLatin1String(type));
        const CliRun r = cli(QStringList{"--report", DemoTemplate, "--export", type, out, "--pages", "1"} + selection);
        ASSERT_EQ(r.status, 0) << type << ": " << r.err.toStdString();
        const QByteArray bytes = textfile::readBytes(out).value_or(QByteArray());
        if (QByteArray(type) == "pdf")
            EXPECT_TRUE(bytes.startsWith("%PDF-"));
        else
            EXPECT_TRUE(bytes.contains(QByteArray(type) == "rtf" ? rtfTitle : title)) << type;
    }
}

// The demo report's CSV: one field per column, the caption's field holding
// the column's values; points without an upper limit leave its cell empty.
TEST_F(ReportCli, DemoReportCsvHasAFieldPerColumn) {
    const CliRun r = cli({"--report", DemoTemplate, "--export", "csv", path("demo.csv"), "--pages", "1", "--server",
                          "DEMO-NT", "--tm", "TM1", "--user", "engineer", "--password", "demo", "--settings", Settings});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QStringList lines =
        cp1251::decode(textfile::readBytes(path("demo.csv")).value_or(QByteArray())).split(QStringLiteral("\r\n"));
    const auto fieldsOf = [&](const QString& start) {
        for (const QString& line : lines)
            if (line.split(u';').value(1) == start)
                return line.split(u';');
        return QStringList();
    };
    const QStringList header = fieldsOf(QStringLiteral("№ точки"));
    ASSERT_FALSE(header.isEmpty());
    const int name = int(header.indexOf(QStringLiteral("Точка"))), kind = int(header.indexOf(QStringLiteral("Тип"))),
              limit = int(header.indexOf(QStringLiteral("Верхний предел")));
    ASSERT_TRUE(name > 1 && kind > name && limit > kind) << header.join(u';').toStdString();
    const struct {
        const char* number;
        const char* name;
        const char* kind;
        const char* limit;
    } rows[] = {
        {"1", "Ua шин 220 кВ", "ТИ", "242"},
        {"5", "P ВЛ-220 Карьерная", "ТИ", "27.5"},
        {"8", "Положение выключателя ВЛ-220 Карьерная", "ТС", ""},
        {"9", "Включить выключатель ВЛ-220 Карьерная", "ТУ", ""},
    };
    for (const auto& row : rows) {
        const QStringList fields = fieldsOf(QString::fromUtf8(row.number));
        ASSERT_FALSE(fields.isEmpty()) << row.number;
        EXPECT_EQ(fields.value(name), QString::fromUtf8(row.name)) << row.number;
        EXPECT_EQ(fields.value(kind), QString::fromUtf8(row.kind)) << row.number;
        EXPECT_EQ(fields.value(limit), QString::fromUtf8(row.limit)) << row.number;
    }
}

TEST_F(ReportCli, TemplatesWithoutSelectionBuildOnTheirOwn) {
    const CliRun r = cli({"--report", numbersTemplate("3"), "--prepared", path("n.frp")});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const CliRun info = cli({"--frp-info", path("n.frp")});
    EXPECT_EQ(info.out.count("строка "), 3);
    EXPECT_TRUE(info.out.contains("строка 3"));

    // Over frDS without a selection: an empty list, still one page.
    ASSERT_EQ(cli({"--report", numbersTemplate("frDS"), "--prepared", path("e.frp")}).status, 0);
    EXPECT_EQ(cli({"--frp-info", path("e.frp")}).out.count("строка "), 0);
}

// Several templates build one after another into one prepared report; one
// whose page prints on the page before goes on there.
TEST_F(ReportCli, SeveralTemplatesMakeOneReport) {
    const QString first = numbersTemplate("2", "первый [LINE#]", "a.frf");
    const QString second = numbersTemplate("1", "второй [LINE#]", "b.frf");
    const QString third = numbersTemplate("1", "третий [LINE#]", "c.frf", true);
    const CliRun r = cli({"--report", first, "--report", second, "--report", third, "--prepared", path("j.frp")});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QString info = cli({"--frp-info", path("j.frp")}).out;
    const qsizetype one = info.indexOf("первый 1"), two = info.indexOf("первый 2"), three = info.indexOf("второй 1"),
                    four = info.indexOf("третий 1");
    EXPECT_TRUE(one >= 0 && one < two && two < three && three < four) << info.toStdString();
    // Two pages: the third template goes on on the second's page.
    EXPECT_TRUE(info.startsWith("Pages: 2\n")) << info.toStdString();
}

TEST_F(ReportCli, FailuresAndBadArguments) {
    // Arguments.
    EXPECT_EQ(cli({"--report", numbersTemplate("3")}).status, 2);
    EXPECT_EQ(cli({"--report", numbersTemplate("3"), "--prepared", path("x.frp"), "--max-pages", "0"}).status, 2);
    EXPECT_EQ(cli({"--report", numbersTemplate("3"), "--prepared", path("x.frp"), "--bogus"}).status, 2);
    const CliRun mask = cli({"--report", numbersTemplate("3"), "--server", "DEMO-NT", "--tm", "TM1", "--user", "engineer",
                             "--password", "demo", "--settings", Settings, "--mask", "Нет такой=*", "--prepared",
                             path("x.frp")});
    EXPECT_EQ(mask.status, 2);
    EXPECT_TRUE(mask.err.contains("Нет такой")) << mask.err.toStdString();
    // A template that is not there, an expression error, a build past its page limit:
    // status 1 and nothing written.
    EXPECT_EQ(cli({"--report", path("none.frf"), "--prepared", path("x.frp")}).status, 1);
    const CliRun bad = cli({"--report", numbersTemplate("3", "[Nothing]"), "--prepared", path("x.frp")});
    EXPECT_EQ(bad.status, 1);
    EXPECT_TRUE(bad.err.contains("Переменная не определена")) << bad.err.toStdString();
    const CliRun endless = cli({"--report", numbersTemplate("999999999"), "--prepared", path("x.frp"), "--max-pages", "4"});
    EXPECT_EQ(endless.status, 1);
    EXPECT_TRUE(endless.err.contains("4 страниц")) << endless.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(path("x.frp")));
}
