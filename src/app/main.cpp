// The Ostrand program: connection settings, main window, message loop.

#include "app/cmdline.h"
#include "app/shell.h"
#include "app/widgetinteraction.h"
#include "common/exception.h"
#include "report/model/engine.h"
#include "report/model/printer.h"

#include <QApplication>
#include <QMessageBox>

int main(int argc, char* argv[]) {
    // Taken before QApplication removes the options it recognises from argv.
    const QString commandLine = cmdline::processCommandLine(argc, argv);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Ostrand"));
    TApplicationShell::setProcessNumberFormat();
    TApplicationShell::setApplicationFonts();

    TWidgetInteraction interaction;
    TScopedInteraction installed(interaction);

    try {
        // Reports see the installed printers (without any, the virtual printer).
        TfrEngine::current().printer().attachPlatformPrinters();
        TApplicationShell shell;
        return shell.run(app, commandLine);
    } catch (const Exception& e) {
        QMessageBox::critical(nullptr, TUserInteraction::errorTitle(), e.message());
    } catch (const std::exception& e) {
        QMessageBox::critical(nullptr, TUserInteraction::errorTitle(), QString::fromLocal8Bit(e.what()));
    }
    return 1;
}
