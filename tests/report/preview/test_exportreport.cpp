// The preview's export after its save dialog: the filter's file under the
// name given, and errors told rather than thrown.

#include "common/interaction.h"
#include "common/textfile.h"
#include "report/builder/preparedpages.h"
#include "report/export/exportfilter.h"
#include "report/export/programfilters.h"
#include "report/model/engine.h"
#include "report/preview/exportreport.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(ExportWithProgress, WritesTheFileOrTellsWhyNot) {
    TRecordingInteraction interaction;
    TfrEngine engine(&interaction);
    TfrReport report(engine);
    report.showProgress = false;
    report.pages().add();
    frPreparedPages(report).add(*report.pages().page(0));
    TfrExportFilters& filters = frExportFilters(engine);
    frRegisterProgramFilters(filters);
    TfrExportFilter* text = filters.findByExtension(QStringLiteral("txt"));
    ASSERT_NE(text, nullptr);
    QTemporaryDir dir;

    EXPECT_TRUE(frExportWithProgress(report, *text, dir.filePath("a.txt"), nullptr));
    EXPECT_EQ(textfile::readBytes(dir.filePath("a.txt")).value_or(""), "\f\r\n");
    EXPECT_TRUE(interaction.messages.empty());

    ASSERT_TRUE(QDir(dir.path()).mkdir("c.txt"));
    EXPECT_FALSE(frExportWithProgress(report, *text, dir.filePath("c.txt"), nullptr));
    ASSERT_EQ(interaction.messages.size(), 1u);
    EXPECT_EQ(interaction.messages[0].title, "Ошибка");
    EXPECT_TRUE(interaction.messages[0].text.contains("c.txt")) << interaction.messages[0].text.toStdString();
}

} // namespace
