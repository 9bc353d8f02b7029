#include "app/shell.h"

#include "app/cmdline.h"
#include "app/filterdlg.h"
#include "app/logindlg.h"
#include "app/maincontroller.h"
#include "app/mainform.h"

#include <QApplication>
#include <QDialog>
#include <QFont>
#include <QLineEdit>

TApplicationShell::TApplicationShell(TfrEngine& reportEngine)
    : m_main(std::make_unique<TfrmMain>()), m_login(std::make_unique<TLoginDlg>()),
      m_filter(std::make_unique<TfrmFilter>()) {
    m_main->setLoginDialog(m_login.get());
    m_main->setFilterDialog(m_filter.get());
    m_controller = std::make_unique<TMainController>(*m_main, *m_login, *m_filter, reportEngine);
}

TApplicationShell::~TApplicationShell() {
    // The main window goes first; the dialogs it uses outlive it.
    m_controller.reset();
    m_main.reset();
    m_filter.reset();
    m_login.reset();
}

void TApplicationShell::readCommandLine(const QString& commandLine) {
    m_login->ServerE->setText(CommandLineKeyValue(commandLine, cmdline::KeyNtServer));
    m_login->TmsE->setText(CommandLineKeyValue(commandLine, cmdline::KeyTmServer));
    m_login->UserE->setText(CommandLineKeyValue(commandLine, cmdline::KeyUser));
    m_login->PasswordE->setText(CommandLineKeyValue(commandLine, cmdline::KeyPassword));
}

bool TApplicationShell::connect(const std::function<int(TLoginDlg&)>& showDialog) {
    if (!m_login->ServerE->text().isEmpty())
        return true;
    m_login->FormStorage1().RestoreFormPlacement();
    const int result = showDialog ? showDialog(*m_login) : m_login->exec();
    return result == QDialog::Accepted;
}

int TApplicationShell::run(QApplication& app, const QString& commandLine) {
    readCommandLine(commandLine);
    if (!connect())
        return 0;
    m_main->show();
    return app.exec();
}

void TApplicationShell::setApplicationFonts() {
    const QString liberation = QStringLiteral("Liberation Sans");
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), liberation);
    QFont::insertSubstitution(QStringLiteral("Arial"), liberation);
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPointSize(9);
    QApplication::setFont(font);
}
