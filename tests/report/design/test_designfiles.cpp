// Pages, files and settings of the design document.

#include "designfixture.h"

#include "common/registry.h"
#include "common/textfile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

using Pages = DesignTest;

TEST_F(Pages, DeletingPageTwoOfThreeRemovesAndRenumbersSubReports) {
    ASSERT_TRUE(doc->addPage());
    ASSERT_TRUE(doc->addPage());
    EXPECT_EQ(page(2).name, QStringLiteral("Page3"));
    subReport("ShowsTwo", 1);
    subReport("ShowsThree", 2);
    subReport("OnThreeShowsTwo", 1, 2);
    memo("OnTwo", 0, 0, 10, 10, 1);
    ASSERT_TRUE(doc->deletePage(1));
    ASSERT_EQ(report.pages().count(), 2);
    EXPECT_EQ(find("ShowsTwo"), nullptr);
    EXPECT_EQ(find("OnThreeShowsTwo"), nullptr);
    EXPECT_EQ(find("OnTwo"), nullptr);
    EXPECT_EQ(static_cast<TfrSubReportView*>(find("ShowsThree"))->subPage, 1);
    EXPECT_EQ(doc->pageIndex(), 0);
    EXPECT_TRUE(doc->modified());
    ASSERT_TRUE(doc->deletePage(1));
    EXPECT_FALSE(doc->deletePage(0)); // the only page stays
}

TEST_F(Pages, MovedPagesTakeTheirSubReportsAlong) {
    ASSERT_TRUE(doc->addPage(true));
    EXPECT_EQ(page(1).pageType, ptDialog);
    ASSERT_TRUE(doc->addPage());
    subReport("ShowsThree", 2);
    subReport("ShowsTwo", 1);
    ASSERT_TRUE(doc->movePage(2, 0));
    EXPECT_EQ(static_cast<TfrSubReportView*>(find("ShowsThree"))->subPage, 0);
    EXPECT_EQ(static_cast<TfrSubReportView*>(find("ShowsTwo"))->subPage, 2);
    EXPECT_EQ(doc->pageIndex(), 0);
    EXPECT_FALSE(doc->movePage(0, 5));
}

TEST_F(Pages, DialogFormsTakeControlsOnly) {
    ASSERT_TRUE(doc->addPage(true));
    EXPECT_EQ(doc->pageSize(), QSize(380, 300));
    EXPECT_FALSE(doc->insertObject(TfrMemoView::classInfo(), TfrBox{10, 10, 0, 0}));
    EXPECT_FALSE(doc->insertObject(TfrBandView::classInfo(), TfrBox{10, 10, 0, 0}, btMasterData));
}

TEST_F(Pages, AnEditedPreparedPageHasNoFilesOrPages) {
    doc->setPreparedPage(true);
    EXPECT_FALSE(doc->addPage());
    EXPECT_FALSE(doc->save());
    EXPECT_FALSE(doc->saveAs(QStringLiteral("/tmp/x.frf"), TfrDesignFileKind::Report));
    EXPECT_FALSE(doc->open(QStringLiteral("/tmp/x.frf")));
}

class Files : public DesignTest {
protected:
    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    QTemporaryDir dir;
};

TEST_F(Files, SaveAsForcesTheReportExtensionAndClearsModified) {
    memo("M", 10, 10, 40, 20);
    doc->setModified(true);
    EXPECT_TRUE(doc->isUntitled());
    EXPECT_FALSE(doc->save());
    ASSERT_TRUE(doc->saveAs(path("out.txt"), TfrDesignFileKind::Report));
    EXPECT_EQ(report.fileName, path("out.frf"));
    EXPECT_TRUE(QFileInfo::exists(path("out.frf")));
    EXPECT_FALSE(doc->modified());
    EXPECT_EQ(doc->caption(), QStringLiteral("Дизайнер - out.frf"));

    TfrReport loaded(engine);
    ASSERT_TRUE(loaded.loadFromFile(path("out.frf")).ok());
    EXPECT_NE(loaded.findObject(QStringLiteral("M")), nullptr);
}

TEST_F(Files, AFailedSaveKeepsTheOldFileAndTheModifiedFlag) {
    memo("M", 10, 10, 40, 20);
    ASSERT_TRUE(doc->saveAs(path("kept.frf"), TfrDesignFileKind::Report));
    const QByteArray saved = textfile::readFile(path("kept.frf"), 1 << 20);
    // A text the template cannot hold is not taken.
    EXPECT_FALSE(doc->setProperty({find("M")}, QStringLiteral("Memo"), TVariant(QString(70000, u'x'))));
    EXPECT_EQ(find("M")->memo, QStringList{QStringLiteral("M")});
    EXPECT_FALSE(doc->modified());
    select({"M"});
    ASSERT_TRUE(doc->arrowKey(frdesign::TfrDirection::Down, Qt::ControlModifier));
    // A folder in the file's place is refused: nothing is written.
    ASSERT_TRUE(QFile::remove(path("kept.frf")));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("kept.frf")));
    EXPECT_FALSE(doc->save());
    EXPECT_TRUE(QFileInfo(path("kept.frf")).isDir());
    EXPECT_TRUE(doc->modified());
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].title, QStringLiteral("Ошибка"));
    EXPECT_FALSE(doc->saveAs(path("no/such/folder/x.frf"), TfrDesignFileKind::Report));
    EXPECT_EQ(report.fileName, path("kept.frf"));
    // Once the file can be written again, saving succeeds.
    ASSERT_TRUE(QDir(dir.path()).rmdir(QStringLiteral("kept.frf")));
    ASSERT_NO_THROW(textfile::writeAtomically(path("kept.frf"), saved));
    EXPECT_TRUE(doc->save());
    EXPECT_FALSE(doc->modified());
    EXPECT_NE(textfile::readFile(path("kept.frf"), 1 << 20), saved);
}

TEST_F(Files, AProtectedReportIsSavedOnlyWithItsPassword) {
    report.info.passwordProtected = true;
    report.info.password = QStringLiteral("секрет");
    TfrDesignDocument locked(report);
    ui.inputs = {QStringLiteral("не тот")};
    EXPECT_FALSE(locked.saveAs(path("locked.frf"), TfrDesignFileKind::Report));
    EXPECT_FALSE(QFileInfo::exists(path("locked.frf")));
    EXPECT_FALSE(locked.saveAs(path("locked.frd"), TfrDesignFileKind::Dictionary));
    EXPECT_FALSE(QFileInfo::exists(path("locked.frd")));
    ui.inputs = {QStringLiteral("секрет")};
    EXPECT_TRUE(locked.saveAs(path("locked.frf"), TfrDesignFileKind::Report));
    // Given once, it is not asked again.
    EXPECT_TRUE(locked.save());
    EXPECT_EQ(ui.prompts.size(), 3u);
}

TEST_F(Files, OpeningAFileThatCannotBeReadLeavesTheReportAsItWas) {
    memo("M", 10, 10, 40, 20);
    select({"M"});
    ASSERT_TRUE(doc->arrowKey(frdesign::TfrDirection::Down, Qt::ControlModifier));
    QFile bad(path("bad.frf"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write(QByteArray("\x19 not a template at all", 23));
    bad.close();
    const QByteArray before = report.saveToStream();
    EXPECT_FALSE(doc->open(path("bad.frf")));
    EXPECT_EQ(report.saveToStream(), before);
    EXPECT_EQ(doc->undoStack().count(), 1);
    EXPECT_FALSE(ui.messages.empty());
    EXPECT_FALSE(doc->open(path("missing.frf")));

    // A good one replaces the report and empties the undo stack.
    TfrReport other(engine);
    other.pages().add();
    auto v = engine.createObject(gtMemo);
    v->setName(QStringLiteral("Other"));
    other.pages().page(0)->add(std::move(v));
    other.saveToFile(path("good.frf"));
    ASSERT_TRUE(doc->open(path("good.frf")));
    EXPECT_NE(find("Other"), nullptr);
    EXPECT_EQ(find("M"), nullptr);
    EXPECT_TRUE(doc->undoStack().isEmpty());
    EXPECT_EQ(report.fileName, path("good.frf"));
    EXPECT_FALSE(doc->modified());
}

TEST_F(Files, ADictionaryFileReplacesTheDictionaryOnly) {
    memo("M", 10, 10, 40, 20);
    report.dictionary().setVariable(QStringLiteral("Total"), TVariant(QStringLiteral("1")));
    ASSERT_TRUE(doc->saveAs(path("vars"), TfrDesignFileKind::Dictionary));
    report.dictionary().variables.clear();
    report.dictionary().setVariable(QStringLiteral("Kept"), TVariant(QStringLiteral("2")));
    // A damaged dictionary file changes nothing.
    QFile bad(path("bad.frd"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write(QByteArray("\x19\xFE\xFF\xFF\xFF\x7F", 6));
    bad.close();
    EXPECT_FALSE(doc->open(path("bad.frd")));
    EXPECT_TRUE(report.dictionary().variables.contains(QStringLiteral("Kept")));
    ASSERT_TRUE(doc->open(path("vars.frd")));
    EXPECT_TRUE(report.dictionary().variables.contains(QStringLiteral("Total")));
    EXPECT_FALSE(report.dictionary().variables.contains(QStringLiteral("Kept")));
    EXPECT_NE(find("M"), nullptr);
    EXPECT_TRUE(doc->modified());
}

TEST_F(Files, TemplatesStartNewReports) {
    memo("FromTemplate", 10, 10, 40, 20);
    doc->templateFolder = dir.path();
    ASSERT_TRUE(doc->saveAs(QStringLiteral("/elsewhere/blank.txt"), TfrDesignFileKind::Template,
                            {QStringLiteral("Пустой отчёт")}));
    ASSERT_TRUE(QFileInfo::exists(path("blank.frt")));
    doc->newReport();
    EXPECT_EQ(find("FromTemplate"), nullptr);
    EXPECT_EQ(page().name, QStringLiteral("Page1"));
    EXPECT_TRUE(doc->isUntitled());
    EXPECT_FALSE(doc->modified());
    doc->newFromTemplate(path("blank.frt"));
    EXPECT_NE(find("FromTemplate"), nullptr);
    EXPECT_TRUE(doc->isUntitled());
    EXPECT_THROW(doc->newFromTemplate(path("none.frt")), Exception);
    EXPECT_NE(find("FromTemplate"), nullptr);
}

TEST(DesignerSettings, ReadBackAsWrittenAndOutOfRangeAsDefaults) {
    const QTemporaryDir dir;
    const QByteArray previous = qgetenv("OSTRAND_REGISTRY");
    qputenv("OSTRAND_REGISTRY", dir.filePath(QStringLiteral("registry.ini")).toLocal8Bit());
    {
        TRegistry registry(frDesignerRegistryKey());
        TfrDesignerSettings s;
        EXPECT_TRUE(s.gridShow && s.gridAlign && s.bandTitles && s.editAfterInsert);
        s.read(registry);
        EXPECT_EQ(s.gridSize, 4);
        s.gridSize = 18;
        s.units = TfrUnits::Inches;
        s.disableUndo = true;
        s.pagePosition = 3;
        s.write(registry);
        registry.writeInteger(QStringLiteral("Form\\TfrInspForm"), QStringLiteral("SplitPos"), 75);
        registry.flush();
    }
    {
        TRegistry registry(frDesignerRegistryKey());
        TfrDesignerSettings s;
        s.read(registry);
        EXPECT_EQ(s.gridSize, 18);
        EXPECT_EQ(s.units, TfrUnits::Inches);
        EXPECT_TRUE(s.disableUndo);
        EXPECT_EQ(s.pagePosition, 3);
        registry.writeInteger(frDesignerFormSection(), QStringLiteral("GridSize"), 0);
        registry.writeInteger(frDesignerFormSection(), QStringLiteral("Units"), 7);
        s.read(registry);
        EXPECT_EQ(s.gridSize, 4);
        EXPECT_EQ(s.units, TfrUnits::Pixels);
    }
    qputenv("OSTRAND_REGISTRY", previous);
}

TEST(DesignerUnits, LengthsInTheStatusBar) {
    EXPECT_EQ(frFormatLength(36, TfrUnits::Pixels), QStringLiteral("36"));
    EXPECT_EQ(frFormatLength(36, TfrUnits::Millimetres), QStringLiteral("10.00"));
    EXPECT_EQ(frFormatLength(36, TfrUnits::Inches), QStringLiteral("0.39"));
    EXPECT_EQ(frNextUnits(TfrUnits::Inches), TfrUnits::Pixels);
    EXPECT_EQ(frUnitsName(TfrUnits::Millimetres), QStringLiteral("Миллиметры"));
}

using Status = DesignTest;

TEST_F(Status, NamesTheSelectedObjectWithItsTextOrBandType) {
    memo("M", 36, 72, 40, 20).memo = QStringList{QStringLiteral("Первая"), QStringLiteral("Вторая")};
    band("MasterData1", btMasterData, 0, 20);
    select({"M"});
    doc->settings().units = TfrUnits::Millimetres;
    EXPECT_EQ(doc->statusObject(), QStringLiteral("M: Первая"));
    EXPECT_EQ(doc->statusPosition(), QStringLiteral("10.00; 20.00"));
    select({"MasterData1"});
    EXPECT_EQ(doc->statusObject(), QStringLiteral("MasterData1: Master data"));
    doc->clearSelection();
    EXPECT_TRUE(doc->statusObject().isEmpty());
}

} // namespace
