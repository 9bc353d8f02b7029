#pragma once

#include "report/builder/builder.h"

#include <QDialog>
#include <QElapsedTimer>

class QLabel;
class QPushButton;
class TfrReport;

// The window a report is built in: the page being built, the text a script
// assigns to PROGRESS, and "Отмена", which ends the build after the current
// band (the pages built so far stay). It is modal: while the build runs it
// lets the window system deliver input now and then, so that the button is
// seen.
class TfrProgressWindow : public QDialog, public TfrBuildProgress {
public:
    explicit TfrProgressWindow(const TfrReport& report, QWidget* parent = nullptr);

    void pageStarted(int page, int total, bool firstOfTwo) override;
    void scriptText(const QString& text) override;
    bool cancelRequested() override;
    // Hidden while a dialog page is shown, back when it closes.
    void dialogShown(bool shown) override;

    bool cancelled() const { return m_cancelled; }

protected:
    void reject() override; // Escape and closing the window cancel too

private:
    void processInput(bool now);

    QLabel* m_line;
    QLabel* m_script;
    QPushButton* m_cancel;
    QElapsedTimer m_sinceInput;
    bool m_cancelled = false;
    bool m_hiddenForDialog = false;
};

// Builds a report, in the progress window when the report shows progress
// (ShowProgress on and no OnProgress handler), else directly.
TfrBuildResult frBuildReportWithProgress(TfrReport& report, QWidget* parent = nullptr);

// Makes the engine build reports with the progress window.
void installProgressBuilder(TfrEngine& engine);
