#include "report/preview/progresswindow.h"

#include "report/model/engine.h"
#include "report/model/report.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
// Input is looked at no more often than this while a build runs.
constexpr int kInputIntervalMs = 50;
} // namespace

TfrProgressWindow::TfrProgressWindow(const TfrReport& report, QWidget* parent) : QDialog(parent) {
    setWindowTitle(frProgressCaption(report));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    m_line = new QLabel(frProgressLine(1, 0, report.doublePassReport), this);
    m_script = new QLabel(this);
    m_cancel = new QPushButton(QStringLiteral("Отмена"), this);
    m_line->setMinimumWidth(260);
    layout->addWidget(m_line);
    layout->addWidget(m_script);
    layout->addWidget(m_cancel, 0, Qt::AlignHCenter);
    connect(m_cancel, &QPushButton::clicked, this, [this] { m_cancelled = true; });
    m_sinceInput.start();
}

void TfrProgressWindow::reject() { m_cancelled = true; }

void TfrProgressWindow::processInput(bool now) {
    if (!now && m_sinceInput.elapsed() < kInputIntervalMs)
        return;
    m_sinceInput.restart();
    QApplication::processEvents();
}

void TfrProgressWindow::pageStarted(int page, int total, bool firstOfTwo) {
    m_line->setText(frProgressLine(page, total, firstOfTwo));
    processInput(false);
}

void TfrProgressWindow::scriptText(const QString& text) { m_script->setText(text); }

bool TfrProgressWindow::cancelRequested() {
    processInput(false);
    return m_cancelled;
}

void TfrProgressWindow::dialogShown(bool shown) {
    if (shown && isVisible()) {
        m_hiddenForDialog = true;
        hide();
    } else if (!shown && m_hiddenForDialog) {
        m_hiddenForDialog = false;
        show();
        processInput(true);
    }
}

TfrBuildResult frBuildReportWithProgress(TfrReport& report, QWidget* parent) {
    if (!report.showProgress || report.onProgress)
        return frBuildReport(report);
    TfrProgressWindow window(report, parent);
    window.show();
    QApplication::processEvents();
    TfrBuildOptions options;
    options.progress = &window;
    const TfrBuildResult result = frBuildReport(report, options);
    window.hide();
    return result;
}

void installProgressBuilder(TfrEngine& engine) {
    engine.prepareReportHook = [](TfrReport& report) { return frBuildReportWithProgress(report).ok(); };
}
