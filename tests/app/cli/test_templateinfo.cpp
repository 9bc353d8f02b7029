#include "app/cli/templateinfo.h"
#include "common/interaction.h"
#include "common/textfile.h"
#include "report/addins/programaddins.h"
#include "report/model/engine.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString kBadFormat = QStringLiteral("Неверный FRF формат");

QByteArray dataFile(const QString& name) {
    const auto bytes = textfile::readBytes(QStringLiteral(OSTRAND_SOURCE_DIR "/tests/report/model/data/") + name);
    if (!bytes)
        throw std::runtime_error("missing test data");
    return *bytes;
}

} // namespace

TEST(TemplateTools, InfoAndResave) {
    TRecordingInteraction ui;
    TfrEngine engine(&ui);
    QTemporaryDir dir;
    const QString path = dir.filePath("o.frf");
    textfile::writeAtomically(path, dataFile("objects.frf"));
    bool ok = false;
    const QString text = frTemplateInfo(engine, path, {}, &ok);
    EXPECT_TRUE(ok);
    EXPECT_TRUE(text.startsWith("OK\n"));
    EXPECT_TRUE(text.contains("Version: 25"));
    EXPECT_TRUE(text.contains("Pages: 2"));
    EXPECT_TRUE(text.contains("memo TfrMemoView \"Memo1\" at 10,110 size 200 x 18"));
    EXPECT_TRUE(text.contains("\"Переменная\" = \"'текст'\""));

    const QString copy = dir.filePath("copy.frf");
    EXPECT_EQ(frResaveTemplate(engine, path, copy), QString());
    const QByteArray a = dataFile("objects.frf"), b = *textfile::readBytes(copy);
    EXPECT_EQ(a.left(a.size() - 8), b.left(b.size() - 8));

    const QString bad = dir.filePath("bad.frf");
    textfile::writeAtomically(bad, a.left(50));
    const QString badInfo = frTemplateInfo(engine, bad, {}, &ok);
    EXPECT_FALSE(ok);
    EXPECT_TRUE(badInfo.startsWith("FAILED\n"));
    EXPECT_TRUE(badInfo.contains(kBadFormat));
    EXPECT_FALSE(frResaveTemplate(engine, bad, copy).isEmpty());
    EXPECT_EQ(*textfile::readBytes(copy), b); // untouched
    EXPECT_TRUE(frTemplateInfo(engine, dir.filePath("absent.frf"), {}, &ok).startsWith("FAILED"));
    EXPECT_TRUE(ui.messages.empty()); // reported, not shown
}


// Original templates keep a chart's picture as a metafile this program cannot
// show: the template still loads whole (the load warns of the chart) and is
// written back as it was.
TEST(TemplateTools, ChartPictureThatCannotBeShownStillLoadsWhole) {
    TRecordingInteraction ui;
    TfrEngine engine(&ui);
    frRegisterProgramAddIns(engine);
    const QString path = QStringLiteral(OSTRAND_SOURCE_DIR "/tests/report/addins/data/charts.frf");
    bool ok = false;
    const QString text = frTemplateInfo(engine, path, {}, &ok);
    EXPECT_TRUE(ok);
    EXPECT_TRUE(text.startsWith("OK\n"));
    EXPECT_TRUE(text.contains("Messages: 1\n  Диаграмма Metafile хранит картинку")) << text.toStdString();
    QTemporaryDir dir;
    const QString copy = dir.filePath("copy.frf");
    EXPECT_EQ(frResaveTemplate(engine, path, copy), QString());
    const QByteArray a = *textfile::readBytes(path), b = *textfile::readBytes(copy);
    EXPECT_EQ(a.left(a.size() - 8), b.left(b.size() - 8)); // all but the date of the last change
}
