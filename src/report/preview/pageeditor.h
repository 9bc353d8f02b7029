#pragma once

#include <functional>

class QWidget;
class TfrEngine;
class TfrReport;

// How the preview edits a prepared page (Ctrl+E, the pop-up entry, a double
// click): the designer installs it. It is given the report holding the
// prepared pages and the 0-based page, and returns true when the page was
// changed. Without one the preview offers no page editing.
using TfrPageEditor = std::function<bool(TfrReport& report, int page, QWidget* parent)>;

// The engine's page editor (empty until installed).
TfrPageEditor& frPageEditor(TfrEngine& engine);

// Whether the preview's tool-bar buttons are drawn grey until the mouse is
// over them, as the designer's own setting says: the designer installs it;
// without one the report's GrayedButtons decides.
std::function<bool()>& frDesignerGreyButtons(TfrEngine& engine);
