#include "app/maincontroller.h"

#include "app/filterdlg.h"
#include "app/logindlg.h"
#include "app/mainform.h"
#include "common/exception.h"
#include "grid/gridexport.h"
#include "grid/view/selectiongrid.h"
#include "report/export/exportfilter.h"
#include "report/export/programfilters.h"
#include "report/memdata/mainreport.h"
#include "report/memdata/reportvars.h"
#include "report/model/engine.h"
#include "report/model/report.h"
#include "report/preview/exportdialogs.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QProgressBar>
#include <QStatusBar>

TMainController::TMainController(TfrmMain& main, TLoginDlg& login, TfrmFilter& filter, TfrEngine& reportEngine)
    : m_main(main), m_login(login), m_filter(filter), m_engine(*this), m_grid(new TSelectionGrid),
      m_report(std::make_unique<TfrMainReport>(reportEngine, m_engine.DS(), m_engine.DS2())) {
    m_main.setGridWidget(m_grid);
    // The report's export filters, offered by the preview's save dialog.
    TfrExportFilters& filters = frExportFilters(reportEngine);
    frRegisterProgramFilters(filters);
    frInstallExportDialogs(filters, &m_main);
    // Nothing to save until a selection is shown.
    m_main.actSaveSelectionAs->setEnabled(false);

    // The walk of a large tree reports its progress here; hidden otherwise.
    m_progress = new QProgressBar(&m_main);
    m_progress->setRange(0, 0);
    m_progress->setMaximumWidth(160);
    m_progress->setTextVisible(false);
    m_progress->hide();
    m_main.statusBar()->addPermanentWidget(m_progress);

    auto& hooks = m_main.hooks;
    hooks.loadSettingsFile = [this] { m_engine.LoadSettingsFile(QString(), true); };
    hooks.openRecentFile = [this](const QString& path) { m_engine.LoadSettingsFile(path, true); };
    hooks.performSelection = [this] { m_engine.PerformSelection(true); };
    hooks.writeSelection = [this](const QString& fileName, int typeIndex) { writeSelection(fileName, typeIndex); };
    hooks.moveSelection = [this] { m_engine.MoveSelectionToLookup(); };
    hooks.showReport = [this] { showReport(); };
    hooks.designReport = [this] { designReport(); };
    m_main.enableReportActions(true);
}

TMainController::~TMainController() = default;

void TMainController::writeSelection(const QString& fileName, int typeIndex) {
    const TGridRows& rows = m_grid->rows();
    switch (typeIndex) {
    case 1: ExportGridToText(rows, fileName, true, QStringLiteral("\t"), QString(), QString()); break;
    case 2: ExportGridToExcel(rows, fileName, true); break;
    case 3: ExportGridToHTML(rows, fileName, true); break;
    case 4: ExportGridToXlsx(rows, fileName, true); break;
    default: break; // the window refuses other types before calling
    }
}

QString frTemplatePath(const QString& settingsFile) {
    const QFileInfo info(settingsFile);
    const QString suffix = info.suffix();
    const QString base = suffix.isEmpty() ? settingsFile : settingsFile.chopped(suffix.size() + 1);
    return base + QStringLiteral(".frf");
}

bool TMainController::showReport() {
    if (!m_engine.hasSettingsFile() && !m_engine.LoadSettingsFile(QString(), true))
        return false;
    if (!m_engine.hasSettingsFile())
        return false;
    return showReportOf(m_engine.fileName());
}

bool TMainController::showReportOf(const QString& settingsFile) {
    const QString templateFile = frTemplatePath(settingsFile);
    if (!QFileInfo(templateFile).isFile())
        return designReportOf(settingsFile);
    if (!loadTemplate(templateFile))
        return false;
    m_report->report().showReport();
    return true;
}

bool TMainController::designReport() {
    if (!m_engine.hasSettingsFile() && !m_engine.LoadSettingsFile(QString(), true))
        return false;
    if (!m_engine.hasSettingsFile())
        return false;
    return designReportOf(m_engine.fileName());
}

bool TMainController::designReportOf(const QString& settingsFile) {
    const QString templateFile = frTemplatePath(settingsFile);
    TfrReport& report = m_report->report();
    if (!QFileInfo::exists(templateFile)) {
        // The first design of a report for a settings file starts from an
        // empty template written under the template path.
        report.clear();
        try {
            report.saveToFile(templateFile);
        } catch (const Exception& e) {
            report.engine().interaction().showError(e.message());
            return false;
        }
    }
    if (!loadTemplate(templateFile))
        return false;
    report.designReport();
    return true;
}

bool TMainController::loadTemplate(const QString& templateFile) {
    TfrReport& report = m_report->report();
    TUserInteraction& user = report.engine().interaction();
    const TfrLoadResult loaded = report.loadFromFile(templateFile, frPasswordDialog(user));
    if (!loaded.ok()) {
        if (!loaded.messages.isEmpty())
            user.showError(loaded.messages.join(u'\n'));
        return false;
    }
    // Loaded with damaged objects left out: say which, then go on.
    if (!loaded.messages.isEmpty())
        user.messageBox(loaded.messages.join(u'\n'), QString(), TUserInteraction::WarningIcon, TUserInteraction::Ok);
    SetReportVariables(report, ntServerName(), tmServerName(), m_engine.fileTime());
    return true;
}

std::optional<QString> TMainController::chooseSettingsFile() { return m_main.askSettingsFile(); }

bool TMainController::showFilterDialog(TFilterRows& rows) {
    QStringList edited = rows.rows();
    const bool ok = m_filter.executeOn(edited);
    // The values typed stay in the rows even when the dialog is cancelled.
    rows.clear();
    for (const QString& row : edited)
        rows.add(row);
    return ok;
}

QString TMainController::ntServerName() const { return m_login.ntServer(); }
QString TMainController::tmServerName() const { return m_login.tmServer(); }

void TMainController::setWindowTitle(const QString& title) { m_main.setWindowTitle(title); }

void TMainController::addRecentFile(const QString& path) { m_main.addRecentFile(path); }

void TMainController::detachGrid() {
    m_grid->detach();
    m_main.actSaveSelectionAs->setEnabled(false);
}

void TMainController::attachGrid(TMemTable& table) {
    m_grid->rebuildColumns(table);
    m_main.actSaveSelectionAs->setEnabled(true);
}

void TMainController::setStatusText(const QString& text) { m_main.setStatusText(text); }

void TMainController::beginBusy() {
    m_main.repaint();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_progress->show();
}

void TMainController::endBusy() {
    m_progress->hide();
    QApplication::restoreOverrideCursor();
}

void TMainController::progress(std::int64_t nodes, int records) {
    m_main.setStatusText(QStringLiteral("Выборка: просмотрено узлов %1, записей %2").arg(nodes).arg(records));
    // Keep the window painted and the busy bar moving; input waits for the end.
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}
