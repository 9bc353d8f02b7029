#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

class TfrEngine;
class TfrPage;
class TfrView;

// Results of dialog pages (and of the buttons that close them).
enum : std::uint16_t { mrNone = 0, mrOk = 1, mrCancel = 2 };

// A dialog page while a build asks it, before any report page is built. The
// page and its controls are those of the build's working copy, so what the
// user enters is what the report's scripts read.
class TfrDialogRun {
public:
    virtual ~TfrDialogRun() = default;
    virtual TfrPage& page() = 0;
    // Runs the page's script (OnActivate): the window calls it once, when it
    // is first activated. The script may set the result (MODALRESULT).
    virtual void activate() = 0;
    // A click on a control: the control becomes the current object and its
    // script runs (compiled now; a script that does not compile does
    // nothing, an error while it runs is shown as a message).
    virtual void click(TfrView& control) = 0;

    // mrNone while the page is asked; a result other than mrNone set by a
    // script or the window ends the asking. mrCancel cancels the build.
    std::int32_t modalResult = mrNone;
};

// How an engine asks a dialog page that has controls and is visible: shows
// it, calls activate(), waits for a result unless the script set one, and
// leaves the result in the run. The widget library installs a modal window
// here, ostrand-cli frAnswerDialogPage with its --set-control values; while
// none is installed a page is answered as frAnswerDialogPage does without
// settings.
using TfrDialogAsker = std::function<void(TfrDialogRun& run)>;
TfrDialogAsker& frDialogAsker(TfrEngine& engine);

// A value to give a control of a dialog page: control name, property and
// the text a user would type.
struct TfrControlSetting {
    QString control;
    QString property;
    QString value;
};

// The asking of a page without a window: runs the page's script; when it
// leaves no result, sets the named properties of the page's controls named
// in `settings` (others are left to the other pages) and takes the page as
// OK.
void frAnswerDialogPage(TfrDialogRun& run, const std::vector<TfrControlSetting>& settings);

// Parses "NAME.PROPERTY=VALUE" (the first "." and the first "=" after it);
// false for text of another form.
bool frParseControlSetting(const QString& text, TfrControlSetting& setting);
