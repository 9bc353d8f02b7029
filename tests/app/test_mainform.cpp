#include "app/cmdline.h"
#include "app/filterdlg.h"
#include "app/logindlg.h"
#include "app/maincontroller.h"
#include "app/mainform.h"
#include "app/shell.h"
#include "common/exception.h"
#include "common/interaction.h"
#include "common/registry.h"
#include "common/textfile.h"
#include "report/export/exportfilter.h"
#include "report/model/engine.h"
#include "report/model/report.h"
#include "testsupport.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QToolBar>
#include <gtest/gtest.h>

namespace {

QStringList captions(const QMenu* menu) {
    QStringList result;
    for (QAction* a : menu->actions())
        result << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return result;
}

class MainFormTest : public ::testing::Test {
protected:
    void SetUp() override { clearRegistry(); }
};

} // namespace

TEST_F(MainFormTest, ActionsAsDesigned) {
    TfrmMain w;
    EXPECT_EQ(w.windowTitle(), u"Экспорт конфигурации ОИК");
    struct Expected {
        QAction* action;
        const char16_t* caption;
        const char16_t* category;
        QKeySequence shortcut;
    };
    const Expected expected[] = {
        {w.actLogonDialog, u"Установить параметры соединения", u"Сервер", QKeySequence(QStringLiteral("Ctrl+L"))},
        {w.actExit, u"Выход", u"Сервер", QKeySequence(QStringLiteral("Alt+F4"))},
        {w.actLoadFile, u"Открыть файл настроек...", u"Выборка", QKeySequence(QStringLiteral("Ctrl+O"))},
        {w.actPerform, u"Произвести (повторить) выборку", u"Выборка", QKeySequence(QStringLiteral("Ctrl+R"))},
        {w.actSaveSelectionAs, u"Сохранить выборку как...", u"Выборка", QKeySequence()},
        {w.actShowReport, u"Сформировать и напечатать отчёт", u"Отчёт", QKeySequence()},
        {w.actDesignReport, u"Изменить дизайн отчёта", u"Отчёт", QKeySequence()},
        {w.acrMoveSelection, u"Перенести таблицу в правую часть", u"Выборка", QKeySequence()},
    };
    ASSERT_EQ(w.allActions().size(), 8);
    for (const Expected& e : expected) {
        const QString caption = QString::fromUtf16(e.caption);
        EXPECT_EQ(e.action->text(), caption);
        EXPECT_EQ(e.action->toolTip(), caption);
        EXPECT_EQ(e.action->property("category").toString(), QString::fromUtf16(e.category)) << caption.toStdString();
        EXPECT_EQ(e.action->shortcut(), e.shortcut) << caption.toStdString();
    }
    EXPECT_FALSE(w.actShowReport->isEnabled());
    EXPECT_FALSE(w.actDesignReport->isEnabled());
}

TEST_F(MainFormTest, MenusToolBarAndStatusBar) {
    TfrmMain w;
    QStringList titles;
    for (QAction* a : w.menuBar()->actions())
        titles << a->text();
    EXPECT_EQ(titles, (QStringList{"Сервер", "Выборка", "Отчёт"}));
    EXPECT_EQ(captions(w.mnuServer), (QStringList{"Установить параметры соединения", "-", "Выход"}));
    EXPECT_EQ(captions(w.mnuSelection), (QStringList{"Открыть файл настроек...", "Список открывавшихся файлов", "-",
                                                     "Произвести (повторить) выборку", "Сохранить выборку как..."}));
    EXPECT_EQ(captions(w.mnuReport), (QStringList{"Сформировать и напечатать отчёт", "Изменить дизайн отчёта"}));
    EXPECT_EQ(w.ToolBar1->actions(), (QList<QAction*>{w.actLogonDialog, w.actPerform, w.actSaveSelectionAs,
                                                      w.actShowReport, w.actDesignReport}));
    EXPECT_EQ(w.ToolBar1->toolButtonStyle(), Qt::ToolButtonIconOnly);
    for (QAction* a : w.ToolBar1->actions())
        EXPECT_FALSE(a->icon().isNull());
    EXPECT_EQ(w.centralWidget()->objectName(), u"GridPlaceholder");
    EXPECT_EQ(w.size().width(), 662);

    w.showRecordCount(42);
    EXPECT_EQ(w.StatusPanel->text(), u"Всего записей: 42");
    w.setSettingsFileName(QStringLiteral("/home/u/Подстанция.cfg"));
    EXPECT_EQ(w.windowTitle(), u"Экспорт конфигурации ОИК - Подстанция.cfg");
}

TEST_F(MainFormTest, RecentFilesFollowTheAlwaysDisabledItem) {
    TfrmMain w;
    w.MRUManager1().add(QStringLiteral("/cfg/one.cfg"));
    w.MRUManager1().add(QStringLiteral("/cfg/sub/two.cfg"));
    EXPECT_EQ(captions(w.mnuSelection).mid(5), (QStringList{"-", "&1 two", "&2 one"}));
    EXPECT_FALSE(w.miRecentFiles->isEnabled());

    // A file loaded again moves to the top instead of appearing twice.
    w.addRecentFile(QStringLiteral("/cfg/one.cfg"));
    EXPECT_EQ(captions(w.mnuSelection).mid(5), (QStringList{"-", "&1 one", "&2 two"}));

    QStringList opened;
    w.hooks.openRecentFile = [&](const QString& path) { opened << path; };
    w.MRUManager1().menuActions().last()->trigger();
    EXPECT_EQ(opened, (QStringList{"/cfg/sub/two.cfg"}));
}

TEST_F(MainFormTest, RecentListLivesInTheMainFormSection) {
    {
        TfrmMain w;
        w.show();
        w.MRUManager1().add(QStringLiteral("/cfg/one.cfg"));
        w.close();
    }
    TRegistry registry(QStringLiteral("Software\\Velmora\\Ostrand\\MainForm"));
    EXPECT_EQ(registry.readString(QStringLiteral("TfrmMain.MRUManager1"), QStringLiteral("Item_0")), u"/cfg/one.cfg");
    EXPECT_EQ(registry.readString(QStringLiteral("TfrmMain"), QStringLiteral("Visible")), u"0");

    TfrmMain again;
    EXPECT_TRUE(again.MRUManager1().items().isEmpty());
    again.show();
    EXPECT_EQ(again.MRUManager1().items(), (QStringList{"/cfg/one.cfg"}));
}

TEST_F(MainFormTest, SaveTypeIndexDecidesTheFormat) {
    TRecordingInteraction interaction;
    TScopedInteraction scoped(interaction);
    TfrmMain w;
    std::vector<std::pair<QString, int>> written;
    w.hooks.writeSelection = [&](const QString& file, int type) { written.emplace_back(file, type); };

    w.askSaveFile = [] { return TfrmMain::TSaveChoice{QStringLiteral("/tmp/out.tab"), 2}; };
    w.actSaveSelectionAs->trigger();
    ASSERT_EQ(written.size(), 1u);
    EXPECT_EQ(written[0].second, 2);

    w.askSaveFile = [] { return std::optional<TfrmMain::TSaveChoice>(); };
    w.actSaveSelectionAs->trigger();
    EXPECT_EQ(written.size(), 1u);

    w.askSaveFile = [] { return TfrmMain::TSaveChoice{QStringLiteral("/tmp/out.xlsx"), 4}; };
    w.actSaveSelectionAs->trigger();
    ASSERT_EQ(written.size(), 2u);
    EXPECT_EQ(written[1].second, 4);

    w.askSaveFile = [] { return TfrmMain::TSaveChoice{QStringLiteral("/tmp/out.tab"), 5}; };
    w.actSaveSelectionAs->trigger();
    EXPECT_EQ(written.size(), 2u);
    ASSERT_EQ(interaction.messages.size(), 1u);
    EXPECT_EQ(interaction.messages[0].text, u"Не указан тип файла для записи");
    EXPECT_EQ(interaction.messages[0].title, u"Ошибка");
    EXPECT_EQ(interaction.messages[0].icon, TUserInteraction::ErrorIcon);

    EXPECT_EQ(TfrmMain::saveFilter(), u"Текстовый с разделителями (*.tab)|*.tab|Таблица MS-Excel (*.xls)|*.xls|"
                                      u"Файл HTML (*.htm)|*.htm|Книга Excel (*.xlsx)|*.xlsx");
}

TEST_F(MainFormTest, SavingIsEnabledOnlyWhileTheGridShowsASelection) {
    TfrEngine reportEngine;
    TApplicationShell shell(reportEngine);
    QAction* save = shell.mainWindow().actSaveSelectionAs;
    EXPECT_FALSE(save->isEnabled());
    TMemTable table(QStringLiteral("DS"));
    table.addFieldDef(QStringLiteral("RecNo"), TFieldType::Integer);
    table.open();
    shell.controller().attachGrid(table);
    EXPECT_TRUE(save->isEnabled());
    // A load that closes DS detaches the grid first (cancelled filter, failed load).
    shell.controller().detachGrid();
    EXPECT_FALSE(save->isEnabled());
}

TEST_F(MainFormTest, ReportExportFiltersAreRegisteredWithTheirDialogs) {
    TfrEngine reportEngine;
    TApplicationShell shell(reportEngine);
    const TfrExportFilters& filters = frExportFilters(reportEngine);
    EXPECT_EQ(filters.saveDialogFilter(), u"Файл отчета (*.frp)|*.frp|Текстовый файл (*.txt)|*.txt|Файл Rich Text (*.rtf)|*.rtf|Файл CSV (*.csv)|*.csv|Файл HTML (*.htm)|*.htm|Файл PDF (*.pdf)|*.pdf");
    for (const char* type : {"txt", "rtf", "csv", "htm"})
        EXPECT_TRUE(static_cast<bool>(filters.findByExtension(QString::fromLatin1(type))->optionsDialog)) << type;
}

TEST_F(MainFormTest, HookErrorsAreShownNotThrown) {
    TRecordingInteraction interaction;
    TScopedInteraction scoped(interaction);
    TfrmMain w;
    w.hooks.performSelection = [] { throw Exception(QStringLiteral("Ошибка выборки")); };
    EXPECT_NO_THROW(w.actPerform->trigger());
    EXPECT_EQ(interaction.texts(), (QStringList{"Ошибка выборки"}));
}

TEST_F(MainFormTest, StartUpSkipsTheDialogWhenTheServerIsGiven) {
    TfrEngine reportEngine;
    TApplicationShell shell(reportEngine);
    shell.readCommandLine(QStringLiteral("ostrand -SNSRV -PNTM1 -UNengineer -UPdemo"));
    int shown = 0;
    EXPECT_TRUE(shell.connect([&](TLoginDlg&) { return ++shown, int(QDialog::Rejected); }));
    EXPECT_EQ(shown, 0);
    EXPECT_EQ(shell.loginDialog().ServerE->text(), u"SRV");
    EXPECT_EQ(shell.loginDialog().TmsE->text(), u"TM1");
    EXPECT_EQ(shell.loginDialog().UserE->text(), u"engineer");
    EXPECT_EQ(shell.loginDialog().PasswordE->text(), u"demo");
    EXPECT_EQ(shell.mainWindow().loginDialog(), &shell.loginDialog());
    EXPECT_EQ(shell.mainWindow().filterDialog(), &shell.filterDialog());
}

TEST_F(MainFormTest, StartUpShowsTheDialogWithStoredNames) {
    {
        TRegistry registry(QStringLiteral("Software\\Velmora\\Ostrand\\LoginDlg"));
        registry.writeString(QStringLiteral("TLoginDlg"), QStringLiteral("TmsE_Text"), QStringLiteral("TM-STORED"));
        registry.flush();
    }
    TfrEngine reportEngine;
    TApplicationShell shell(reportEngine);
    shell.readCommandLine(QStringLiteral("ostrand -SN -PNTM1"));
    QString seenTms;
    EXPECT_FALSE(shell.connect([&](TLoginDlg& dlg) {
        seenTms = dlg.TmsE->text();
        return int(QDialog::Rejected);
    }));
    EXPECT_EQ(seenTms, u"TM-STORED");
    EXPECT_TRUE(shell.connect([](TLoginDlg&) { return int(QDialog::Accepted); }));
}

TEST_F(MainFormTest, RunStartedWithServerWritesNothingOfTheDialog) {
    {
        TfrEngine reportEngine;
        TApplicationShell shell(reportEngine);
        shell.readCommandLine(QStringLiteral("ostrand -SNSRV"));
        EXPECT_TRUE(shell.connect());
    }
    TRegistry registry(QStringLiteral("Software\\Velmora\\Ostrand\\LoginDlg"));
    EXPECT_FALSE(registry.valueExists(QStringLiteral("TLoginDlg"), QStringLiteral("ServerE_Text")));
}

TEST_F(MainFormTest, ShowReportTakesTheTemplateBesideTheSettingsFile) {
    TRecordingInteraction interaction;
    TScopedInteraction scoped(interaction);
    TfrEngine reportEngine(&interaction);
    TApplicationShell shell(reportEngine);
    TfrmMain& w = shell.mainWindow();
    // Neither action needs a settings file beforehand: they ask for one.
    EXPECT_TRUE(w.actShowReport->isEnabled());
    EXPECT_TRUE(w.actDesignReport->isEnabled());
    EXPECT_EQ(frTemplatePath(QStringLiteral("/a/b.d/points.cfg")), u"/a/b.d/points.frf");
    EXPECT_EQ(frTemplatePath(QStringLiteral("/a/b.d/points")), u"/a/b.d/points.frf");

    QStringList variables;
    int shown = 0;
    reportEngine.prepareReportHook = [&](TfrReport& report) {
        variables = report.dictionary().variables.names();
        return true;
    };
    reportEngine.showPreparedReportHook = [&](TfrReport&) { ++shown; };
    int designed = 0;
    reportEngine.designReportHook = [&](TfrReport& report) {
        variables = report.dictionary().variables.names();
        ++designed;
    };
    QTemporaryDir dir;
    const QString cfg = dir.filePath(QStringLiteral("points.cfg"));
    const QString frf = dir.filePath(QStringLiteral("points.frf"));

    // Without a template, showing designs one, first written empty.
    EXPECT_TRUE(shell.controller().showReportOf(cfg));
    EXPECT_EQ(designed, 1);
    EXPECT_EQ(shown, 0);
    EXPECT_TRUE(QFileInfo(frf).isFile());
    EXPECT_TRUE(variables.contains(QStringLiteral("Машина")));
    // The designer closed without saving: the empty template is what is there.
    TfrReport empty(reportEngine);
    ASSERT_TRUE(empty.loadFromFile(frf).ok());
    EXPECT_EQ(empty.pages().count(), 0);
    EXPECT_TRUE(shell.controller().designReportOf(cfg));
    EXPECT_EQ(designed, 2);
    EXPECT_TRUE(interaction.messages.empty());

    ASSERT_TRUE(QFile::remove(frf));
    ASSERT_TRUE(QFile::copy(QStringLiteral(OSTRAND_EXAMPLES_DIR "/settings/points.frf"), frf));
    EXPECT_TRUE(shell.controller().showReportOf(cfg));
    EXPECT_EQ(shown, 1);
    EXPECT_TRUE(variables.contains(QStringLiteral("Файл_изменён")));
    EXPECT_TRUE(interaction.messages.empty());

    // A template that cannot be read is told about, and nothing is built.
    QFile::remove(frf);
    textfile::writeAtomically(frf, QByteArray("not a template"));
    variables.clear();
    EXPECT_FALSE(shell.controller().showReportOf(cfg));
    EXPECT_EQ(shown, 1);
    EXPECT_TRUE(variables.isEmpty());
    ASSERT_EQ(interaction.messages.size(), 1u);
    EXPECT_EQ(interaction.messages[0].title, u"Ошибка");
    EXPECT_FALSE(shell.controller().designReportOf(cfg));
    EXPECT_EQ(designed, 2);

    // A template that cannot be written where it belongs is told about too.
    EXPECT_FALSE(shell.controller().designReportOf(dir.filePath(QStringLiteral("no/such/folder/a.cfg"))));
    EXPECT_EQ(designed, 2);
    EXPECT_EQ(interaction.messages.size(), 3u);
}
