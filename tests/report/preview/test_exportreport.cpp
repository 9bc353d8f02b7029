// The preview's save command after its dialog: the prepared report or an
// export under the chosen entry, with the extension of the entry, and errors
// told rather than thrown.

#include "common/interaction.h"
#include "common/textfile.h"
#include "report/build/preparedpages.h"
#include "report/export/programfilters.h"
#include "report/export/exportfilter.h"
#include "report/model/engine.h"
#include "report/preview/exportreport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(SaveReport, EntriesChooseTheFormatAndExtension) {
    TRecordingInteraction interaction;
    TfrEngine engine(&interaction);
    TfrReport report(engine);
    report.showProgress = false;
    report.pages().add();
    frPreparedPages(report).add(*report.pages().page(0));
    frRegisterProgramFilters(frExportFilters(engine));
    QTemporaryDir dir;

    EXPECT_TRUE(frSaveReportTo(report, dir.filePath("a.dat"), 1, nullptr));
    EXPECT_TRUE(frSaveReportTo(report, dir.filePath("a.dat"), 2, nullptr)); // the text filter
    EXPECT_TRUE(frSaveReportTo(report, dir.filePath("b"), 7, nullptr));     // no such entry: the prepared report
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), (QStringList{"a.frp", "a.txt", "b.frp"}));
    EXPECT_EQ(textfile::readBytes(dir.filePath("a.txt")).value_or(""), "\f\r\n");
    EXPECT_TRUE(interaction.messages.empty());

    ASSERT_TRUE(QDir(dir.path()).mkdir("c.txt"));
    EXPECT_FALSE(frSaveReportTo(report, dir.filePath("c.dat"), 2, nullptr));
    ASSERT_EQ(interaction.messages.size(), 1u);
    EXPECT_EQ(interaction.messages[0].title, "Ошибка");
    EXPECT_TRUE(interaction.messages[0].text.contains("c.txt")) << interaction.messages[0].text.toStdString();
}

} // namespace
