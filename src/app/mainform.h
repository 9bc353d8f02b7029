#pragma once

#include "app/formstorage.h"
#include "app/mrumanager.h"
#include "app/widgetplacement.h"

#include <QMainWindow>
#include <functional>
#include <memory>
#include <optional>

class QAction;
class QLabel;
class QMenu;
class QToolBar;
class TLoginDlg;
class TfrmFilter;

// The main window: actions, menus, tool bar, status bar and the place of the
// selection grid. The selection engine, the grid and the report are attached
// by the code that owns them through the hooks below; the window itself only
// runs the connection dialog, the save-file dialog, the recent-files list and
// its own persistence.
class TfrmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit TfrmMain(QWidget* parent = nullptr);
    ~TfrmMain() override;

    static QString caption();
    static constexpr int ClientWidth = 662;
    static constexpr int ClientHeight = 430;

    // ---- Actions (hint = caption; category in the property "category").
    QAction* actLogonDialog;
    QAction* actExit;
    QAction* actLoadFile;
    QAction* actPerform;
    QAction* actSaveSelectionAs;
    QAction* actShowReport;
    QAction* actDesignReport;
    QAction* acrMoveSelection;
    QList<QAction*> allActions() const;

    // ---- Menus, tool bar, status bar.
    QMenu* mnuServer;
    QMenu* mnuSelection;
    QMenu* mnuReport;
    QAction* miRecentFiles; // "Список открывавшихся файлов", always disabled
    QToolBar* ToolBar1;
    QLabel* StatusPanel;

    TMRUManager& MRUManager1() { return m_mru; }
    TFormStorage& FormStorage1() { return *m_storage; }

    // ---- Other windows of the run (not owned).
    void setLoginDialog(TLoginDlg* dialog) { m_loginDlg = dialog; }
    TLoginDlg* loginDialog() const { return m_loginDlg; }
    void setFilterDialog(TfrmFilter* dialog) { m_filterDlg = dialog; }
    TfrmFilter* filterDialog() const { return m_filterDlg; }

    // ---- The grid: replaces the placeholder in the centre (the window takes
    // ownership). Until then gridWidget() is the placeholder.
    void setGridWidget(QWidget* grid);
    QWidget* gridWidget() const { return centralWidget(); }

    // ---- Texts shown by the selection side.
    void setStatusText(const QString& text);
    // "Всего записей: <count>" in the status bar, after each selection.
    void showRecordCount(int count);
    // Caption after a settings file is loaded: caption() " - " name with extension;
    // an empty path gives the bare caption.
    void setSettingsFileName(const QString& path);

    // ---- Hook points for the selection engine, the grid and the report. Each
    // runs inside the action's handler; an Exception escaping it is shown in an
    // error box. Unset hooks do nothing.
    struct THooks {
        // actLoadFile: LoadSettingsFile with fromUser = true (with its open dialog).
        std::function<void()> loadSettingsFile;
        // A recent file was chosen: LoadSettingsFile of this path without the
        // open dialog, as a user-started load.
        std::function<void(const QString& path)> openRecentFile;
        // actPerform: PerformSelection with fromUser = true.
        std::function<void()> performSelection;
        // actSaveSelectionAs, after the save dialog: write all grid rows to
        // fileName as type 1 (tab-delimited text), 2 (spreadsheet) or 3 (HTML).
        std::function<void(const QString& fileName, int typeIndex)> writeSelection;
        // acrMoveSelection: copy DS into DS2.
        std::function<void()> moveSelection;
        // actShowReport / actDesignReport (each action stays disabled until
        // its hook is set and enableReportActions turns them on).
        std::function<void()> showReport;
        std::function<void()> designReport;
    } hooks;

    void enableReportActions(bool enabled);

    // The save dialog's answer: file name and 1-based type index.
    struct TSaveChoice {
        QString fileName;
        int typeIndex = 0;
    };
    // Asks for the file of "Сохранить выборку как..."; replaceable (tests).
    // Returns nothing when cancelled.
    std::function<std::optional<TSaveChoice>()> askSaveFile;
    // Filter text of the save dialog, "|"-separated as designed.
    static QString saveFilter();

    // The open dialog for a settings file ("*.cfg", default extension "cfg");
    // nothing when cancelled.
    std::optional<QString> askSettingsFile();
    // Puts a loaded settings file at the top of the recent list (removed first,
    // then added, so it never appears twice).
    void addRecentFile(const QString& path);

    // Action handlers (public so that the lead code and tests can run them).
    void showLogonDialog();
    void saveSelectionAs();
    void openRecentFile(const QString& path);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QAction* makeAction(const QString& name, const QString& text, const QString& category,
                        const QKeySequence& shortcut);
    void runGuarded(const std::function<void()>& handler);
    std::optional<TSaveChoice> defaultAskSaveFile();

    TMRUManager m_mru;
    std::unique_ptr<TWidgetPlacementTarget> m_target;
    std::unique_ptr<TFormStorage> m_storage;
    TLoginDlg* m_loginDlg = nullptr;
    TfrmFilter* m_filterDlg = nullptr;
    bool m_restoredOnce = false;
};
