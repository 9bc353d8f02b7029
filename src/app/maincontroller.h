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
    TfrmMain& m_main;
    TLoginDlg& m_login;
    TfrmFilter& m_filter;
    TSelectionEngine m_engine;
    TSelectionGrid* m_grid; // owned by the main window
    std::unique_ptr<TfrMainReport> m_report;
    QProgressBar* m_progress;
};
