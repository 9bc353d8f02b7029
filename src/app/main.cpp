// The Ostrand program: connection settings, main window, message loop.

#include "app/cmdline.h"
#include "app/mainform.h"
#include "app/shell.h"
#include "app/widgetinteraction.h"
#include "common/exception.h"
#include "common/numformat.h"
#include "report/addins/programaddins.h"
#include "report/addins/widgets/addineditors.h"
#include "report/builder/preparedpages.h"
#include "report/controls/widgets/controlwidgets.h"
#include "report/controls/widgets/dialogwindow.h"
#include "report/designer/designer.h"
#include "report/export/exportfilter.h"
#include "report/export/programfilters.h"
#include "report/expr/context.h"
#include "report/model/engine.h"
#include "report/model/report.h"
#include "report/preview/exportdialogs.h"
#include "report/preview/previewform.h"
#include "report/preview/printers.h"
#include "report/preview/progresswindow.h"
#include "app/version.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QTranslator>

#include <cstdio>

namespace {

// "ostrand --preview FILE.frp": the preview window over a prepared-report file.
int previewFile(const QString& fileName, TfrEngine& engine, TUserInteraction& interaction) {
    TfrExportFilters& filters = frExportFilters(engine);
    frRegisterProgramFilters(filters);
    frInstallExportDialogs(filters);
    frInstallPreview(engine);
    frInstallDesigner(engine);
    TfrReport report(engine);
    report.previewButtons |= pbPageSetup;
    const TfrLoadResult result = frLoadPreparedReport(report, fileName);
    if (!result.ok()) {
        interaction.showError(result.messages.join(u'\n'));
        return 1;
    }
    frShowPreview(report);
    return 0;
}

const char* const kUsage =
    "Использование:\n"
    "  ostrand [-SN<NT-сервер>] [-PN<ТМ-сервер>] [-UN<пользователь>] [-UP<пароль>]\n"
    "  ostrand --preview ФАЙЛ.frp\n"
    "\n"
    "Выборка из конфигурации ТМ-сервера, её просмотр, сохранение и отчёты.\n"
    "Значение ключа пишется сразу за ключом (-SNDEMO-NT); с NT-сервером главное окно\n"
    "открывается сразу. Пользователь и пароль только заполняют окно соединения (Ctrl+L).\n"
    "  --preview ФАЙЛ  подготовленный отчёт в окне просмотра\n"
    "  --version       версия программы\n"
    "  --help          эта справка\n"
    "Без окон то же делает ostrand-cli (ostrand-cli --help).\n";

} // namespace

int main(int argc, char* argv[]) {
    // Answered before any window system is asked for.
    if (argc == 2 && qstrcmp(argv[1], "--version") == 0) {
        std::fputs("ostrand " OSTRAND_VERSION "\n", stdout);
        return 0;
    }
    if (argc == 2 && (qstrcmp(argv[1], "--help") == 0 || qstrcmp(argv[1], "-h") == 0)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    const bool previewMode = argc == 3 && qstrcmp(argv[1], "--preview") == 0;
    // Taken before QApplication removes the options it recognises from argv.
    const QString commandLine = cmdline::processCommandLine(argc, argv);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Ostrand"));
    numfmt::usePointAsDecimalSeparator();
    TApplicationShell::setApplicationFonts();

    // Qt's own dialogs (file dialogs, standard buttons) speak Russian too.
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::Russian, QLocale::Russia), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslator);

    TWidgetInteraction interaction;
    TScopedInteraction installed(interaction);

    try {
        // The report engine lives inside the application object's lifetime:
        // its printer devices are gone before the application is.
        TfrEngine reportEngine(&interaction);
        frRegisterProgramAddIns(reportEngine);
        frRegisterProgramAddInEditors();
        frRegisterControlDesignerClasses();
        // Reports see the installed printers (without any, the virtual printer).
        frAttachPlatformPrinters(reportEngine.printer());
        // Dictionary variables holding expressions, and building in the progress window.
        installExpressionEvaluator(reportEngine);
        installProgressBuilder(reportEngine);
        frInstallDialogWindows(reportEngine);
        if (previewMode)
            return previewFile(QString::fromLocal8Bit(argv[2]), reportEngine, interaction);
        TApplicationShell shell(reportEngine);
        // The report actions show built reports in the preview window, whose
        // pages the designer edits.
        frInstallPreview(reportEngine, &shell.mainWindow());
        frInstallDesigner(reportEngine, &shell.mainWindow());
        return shell.run(app, commandLine);
    } catch (const Exception& e) {
        QMessageBox::critical(nullptr, TUserInteraction::errorTitle(), e.message());
    } catch (const std::exception& e) {
        QMessageBox::critical(nullptr, TUserInteraction::errorTitle(), QString::fromLocal8Bit(e.what()));
    }
    return 1;
}
