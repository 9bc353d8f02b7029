#pragma once

#include <QString>
#include <functional>
#include <memory>

class QApplication;
class TfrmMain;
class TLoginDlg;
class TfrmFilter;
class TMainController;
class TfrEngine;

// The program body: the three windows of the run and the start-up sequence.
class TApplicationShell {
public:
    // Creates the main window, the connection dialog and the filter dialog,
    // none of them shown. Reports are made with `reportEngine`, which must
    // outlive the shell.
    explicit TApplicationShell(TfrEngine& reportEngine);
    ~TApplicationShell();
    TApplicationShell(const TApplicationShell&) = delete;
    TApplicationShell& operator=(const TApplicationShell&) = delete;

    TfrmMain& mainWindow() { return *m_main; }
    TLoginDlg& loginDialog() { return *m_login; }
    TfrmFilter& filterDialog() { return *m_filter; }
    TMainController& controller() { return *m_controller; }

    // Fills the four connection fields from the keys "-SN", "-PN", "-UN", "-UP".
    void readCommandLine(const QString& commandLine);

    // Whether the main window is to run: at once when an NT server name came
    // from the command line; otherwise after the connection dialog (its stored
    // placement and server names loaded first) closed with OK. showDialog runs
    // the dialog modally and returns its result; by default exec().
    bool connect(const std::function<int(TLoginDlg&)>& showDialog = {});

    // The whole start-up: command line, connection, main window, message loop.
    // Returns the process exit code (0 also when the dialog is cancelled).
    int run(QApplication& app, const QString& commandLine);

    // Liberation Sans wherever the windows ask for MS Sans Serif or Arial, and
    // the application font.
    static void setApplicationFonts();

private:
    std::unique_ptr<TfrmMain> m_main;
    std::unique_ptr<TLoginDlg> m_login;
    std::unique_ptr<TfrmFilter> m_filter;
    std::unique_ptr<TMainController> m_controller;
};
