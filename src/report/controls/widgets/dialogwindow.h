#pragma once

#include <QDialog>
#include <exception>

class TfrDialogRun;
class TfrEngine;
class TfrStdControl;

// The modal window a dialog page is asked in: the page's caption, colour,
// border style, size and position, with the platform controls of its objects.
// A button with a modal result closes it with that result, so does a script
// that sets one (the page's on activation, or a click script); Escape and
// closing the window cancel.
class TfrDialogWindow : public QDialog {
public:
    TfrDialogWindow(TfrDialogRun& run, QWidget* parent = nullptr);

    // Runs the page's script, shows the window unless the script set a
    // result, and leaves the result in the run. An error that stopped a
    // script in the window is thrown again here.
    void ask();

    void reject() override;

private:
    void clicked(TfrStdControl& control);
    void finishIfAnswered();

    TfrDialogRun& m_run;
    std::exception_ptr m_error;
};

// Makes the engine ask its dialog pages in TfrDialogWindow (over the active
// window) and installs the control painter.
void frInstallDialogWindows(TfrEngine& engine);
