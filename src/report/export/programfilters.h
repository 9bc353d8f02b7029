#pragma once

class TfrExportFilters;

// Registers the export filters the program offers, in the order its save
// dialog lists them: text (scale 1 by 1), RTF (scale 1.3 by 1, the entry the
// dialog preselects), CSV (delimiter ";"), HTML (scale 1 by 1), then PDF.
// Filters already registered are kept as they are.
void frRegisterProgramFilters(TfrExportFilters& filters);
