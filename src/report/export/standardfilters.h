#pragma once

class TfrEngine;

// Registers the report filters the program offers, in the order of its save
// dialog: text (scale 1 by 1), RTF (scale 1.3 by 1, the default entry), CSV
// (delimiter ";"), HTML (scale 1 by 1). Filters already registered are kept.
void frRegisterReportFilters(TfrEngine& engine);
