#pragma once

class QWidget;
class TfrEngine;
class TfrReport;

// Opens the designer on a report, modally over `parent`, as the report's
// design operation does: the template's printer is chosen, a report without
// pages gets one, page 1 is shown. The report is edited in place.
// `passwordGiven`: whoever loaded a protected report asked for its password.
void frDesignReport(TfrReport& report, QWidget* parent = nullptr, bool passwordGiven = false);

// Edits page `index` (0-based) of the report's prepared pages in the
// designer: the template is kept in memory, the rebuilt page becomes the
// report's only page, and after the designer closes with a change the user
// is asked whether to keep it ("Сохранить изменения?"); the page is written
// back on Yes. The template is put back in every case. True when the page
// was changed.
bool frEditPreparedPage(TfrReport& report, int index, QWidget* parent = nullptr);

// Makes TfrReport::designReport of the engine's reports open the designer over
// `parent`, and the preview offer editing its pages.
void frInstallDesigner(TfrEngine& engine, QWidget* parent = nullptr);
