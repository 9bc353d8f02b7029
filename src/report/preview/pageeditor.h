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
