#pragma once

#include "report/design/designdoc.h"

#include <QDialog>
#include <QPoint>
#include <functional>
#include <map>
#include <memory>

class QAction;
class QActionGroup;
class QComboBox;
class QLabel;
class QMainWindow;
class QMenu;
class QScrollArea;
class QTabBar;
class QToolBar;
class TfrDesignerPage;
class TfrFieldWindow;
class TfrInspector;
class TfrReport;

// The report designer's window: menus, the tool bars (standard, text, frame,
// objects with one button per registered add-in class, alignment), the page
// tabs, the page area and the status bar over one design document. It only
// turns the mouse and keys into the document's commands; its actions carry
// the commands' names (the same ostrand-cli --edit runs). Settings are read
// when it is made and written when it closes.
class TfrDesignerForm : public QDialog {
    Q_OBJECT
public:
    // `passwordGiven`: the report's password (if any) was asked when it was loaded.
    explicit TfrDesignerForm(TfrReport& report, QWidget* parent = nullptr, bool passwordGiven = false);
    ~TfrDesignerForm() override;

    TfrDesignDocument& document() { return m_doc; }
    // The page area and where the page's corner lies on it.
    QWidget* pageArea() const;
    QPoint pageOrigin() const;
    QAction* action(const QString& name) const;
    QToolBar* toolBar(const QString& name) const;
    QLabel* statusLabel(int index) const;
    TfrInspector* inspector() const { return m_inspector; }
    // The "Вставка поля БД" window (its fields are dragged onto the page).
    TfrFieldWindow* fieldWindow() const { return m_fieldWindow; }

    // Runs a command by name (as the menus and tool bars do); a command that
    // cannot apply says why in the status bar.
    bool runCommand(const QString& line);
    // The file commands without their dialogs.
    bool openFile(const QString& fileName);
    bool saveFileAs(const QString& fileName);
    // Saves to the current file, asking for a name when it has none.
    bool save();
    // Builds the report being edited (the template stays as it is) and shows it.
    void preview();
    void showHelp();
    // Asks whether to save a modified report: false when the user cancels
    // (or saving failed).
    bool confirmDiscard();
    // Brings the window up to date with the document.
    void refresh();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    friend class TfrDesignerPage;
    QAction* makeAction(const QString& name, const QString& text, const QString& icon, const QKeySequence& key = {});
    void buildActions();
    void buildMenus();
    void buildToolBars();
    void buildInspector();
    void buildObjectTools();
    void buildStatusBar();
    void chooseTool(const TfrObjectClass* tool);
    // Runs a step of the mouse or keys; an error is shown instead of leaving the window.
    void guarded(const std::function<void()>& body);
    void pickColor(const QString& command, bool fill);
    void editSelected();
    void newReport();
    void newFromTemplate();
    void openDialog();
    void saveAsDialog();
    void showOptions();
    // The dialogs of the report, the page and the dictionary, and inserting
    // database fields.
    void buildFieldWindow();
    void runDialog(const std::function<bool(TfrDesignDocument&, QWidget*)>& dialog);
    void rebuildTabs();
    void updateStatus();
    void updateToolStates();
    void readSettings();
    // Tool-bar pictures grey or in colour, as the settings say.
    void showButtonColours();
    void writeSettings();

    TfrDesignDocument m_doc;
    QMainWindow* m_main = nullptr;
    TfrDesignerPage* m_page = nullptr;
    TfrInspector* m_inspector = nullptr;
    TfrFieldWindow* m_fieldWindow = nullptr;
    QScrollArea* m_scroll = nullptr;
    QTabBar* m_tabs = nullptr;
    QLabel* m_status[4] = {};
    QComboBox* m_fontName = nullptr;
    QComboBox* m_fontSize = nullptr;
    QComboBox* m_frameWidth = nullptr;
    QActionGroup* m_tools = nullptr;
    std::map<QString, QAction*> m_actions;
    std::map<QString, QToolBar*> m_toolBars;
    std::map<QAction*, QIcon> m_colourIcons; // the tool bars' pictures as made
    bool m_updating = false;
    bool m_settingsWritten = false;
};
