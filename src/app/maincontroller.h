#pragma once

#include "selection/selectionengine.h"

#include <memory>

class QLabel;
class QProgressBar;
class TfrEngine;
class TfrMainReport;
class TfrmFilter;
class TfrmMain;
class TLoginDlg;
class TSelectionGrid;

// The report template of a settings file: its path with the extension
// replaced by ".frf".
QString frTemplatePath(const QString& settingsFile);

// Ties the main window to the selection engine, the grid and the report: it is
// the window's side of the selection (open dialog, filter dialog, connection
// settings, title, recent files, grid, status bar, progress) and runs the
// window's selection actions.
class TMainController : public TSelectionHost {
public:
    TMainController(TfrmMain& main, TLoginDlg& login, TfrmFilter& filter, TfrEngine& reportEngine);
    ~TMainController() override;
    TMainController(const TMainController&) = delete;
    TMainController& operator=(const TMainController&) = delete;

    TSelectionEngine& engine() { return m_engine; }
    TSelectionGrid& grid() { return *m_grid; }
    TfrMainReport& report() { return *m_report; }

    // "Сохранить выборку как...": writes every grid row as type 1 (tab-separated
    // text), 2 (spreadsheet), 3 (HTML) or 4 (Excel workbook). Enabled only while
    // the grid shows a selection.
    void writeSelection(const QString& fileName, int typeIndex);

    // "Сформировать и напечатать отчёт": loads a settings file first when
    // none is loaded, then the template beside it (frTemplatePath), sets the
    // report variables, builds the report and shows it in the preview; without
    // a template it designs one. False when no report was shown.
    bool showReport();
    // The steps after the settings file is there.
    bool showReportOf(const QString& settingsFile);
    // "Изменить дизайн отчёта": loads a settings file first when none is
    // loaded; without a template beside it an empty one is written there
    // first; then the template is loaded, the report variables set and the
    // designer opened on it. False when the designer did not open.
    bool designReport();
    bool designReportOf(const QString& settingsFile);

    // TSelectionHost
    std::optional<QString> chooseSettingsFile() override;
    bool showFilterDialog(TFilterRows& rows) override;
    QString ntServerName() const override;
    QString tmServerName() const override;
    void setWindowTitle(const QString& title) override;
    void addRecentFile(const QString& path) override;
    void detachGrid() override;
    void attachGrid(TMemTable& table) override;
    void setStatusText(const QString& text) override;
    void beginBusy() override;
    void endBusy() override;
    void progress(std::int64_t nodes, int records) override;

private:
    // Loads the template into the report and sets the report variables;
    // false (after the messages) when it cannot be used.
    bool loadTemplate(const QString& templateFile);

    TfrmMain& m_main;
    TLoginDlg& m_login;
    TfrmFilter& m_filter;
    TSelectionEngine m_engine;
    TSelectionGrid* m_grid; // owned by the main window
    std::unique_ptr<TfrMainReport> m_report;
    QProgressBar* m_progress;
};
