#include "report/controls/widgets/dialogwindow.h"

#include "report/builder/dialogpage.h"
#include "report/controls/controls.h"
#include "report/controls/widgets/controlwidgets.h"
#include "report/model/page.h"

#include <QApplication>
#include <QScreen>

TfrDialogWindow::TfrDialogWindow(TfrDialogRun& run, QWidget* parent) : QDialog(parent), m_run(run) {
    const TfrPage& page = run.page();
    setWindowTitle(page.caption);
    if (page.borderStyle != bsSizeable)
        setWindowFlag(Qt::MSWindowsFixedSizeDialogHint);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, frcolor::toQColor(page.color));
    setPalette(palette);
    // Bounds as the page keeps them, within sane limits (damaged files).
    const int width = std::clamp(page.formWidth, 50, 4000), height = std::clamp(page.formHeight, 30, 4000);
    resize(width, height);
    if (page.borderStyle != bsSizeable)
        setFixedSize(width, height);
    if (page.position == poScreenCenter) {
        if (const QScreen* screen = QApplication::primaryScreen())
            move(screen->availableGeometry().center() - QPoint(width / 2, height / 2));
    } else {
        move(page.formLeft, page.formTop);
    }
    for (const auto& v : page.objects())
        if (auto* control = frCast<TfrStdControl>(v.get()))
            frCreateControlWidget(*control, this, [this](TfrStdControl& c) { clicked(c); })->setVisible(control->visible);
}

void TfrDialogWindow::ask() {
    m_run.activate();
    if (m_run.modalResult == mrNone)
        exec();
    if (m_error)
        std::rethrow_exception(m_error);
}

void TfrDialogWindow::clicked(TfrStdControl& control) {
    if (m_error)
        return;
    try {
        m_run.click(control);
    } catch (...) {
        // Not through the window system's event loop: ask() throws it again.
        m_error = std::current_exception();
        m_run.modalResult = mrCancel;
    }
    if (const auto* button = frCast<TfrButtonControl>(&control); button && m_run.modalResult == mrNone)
        m_run.modalResult = button->modalResult;
    finishIfAnswered();
}

void TfrDialogWindow::finishIfAnswered() {
    if (m_run.modalResult != mrNone)
        done(m_run.modalResult);
}

void TfrDialogWindow::reject() {
    // Escape presses the cancel button (its script runs); closing the
    // window cancels too.
    for (const auto& v : m_run.page().objects())
        if (auto* button = frCast<TfrButtonControl>(v.get()); button && button->cancel && button->enabled) {
            clicked(*button);
            if (m_run.modalResult != mrNone)
                return;
        }
    m_run.modalResult = mrCancel;
    finishIfAnswered();
}

void frInstallDialogWindows(TfrEngine& engine) {
    frInstallControlPainter();
    frDialogAsker(engine) = [](TfrDialogRun& run) {
        TfrDialogWindow window(run, QApplication::activeWindow());
        window.ask();
    };
}
