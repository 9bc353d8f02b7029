#pragma once

class TfrExportFilters;

// Registers the export filters the program offers, in the order its save
// dialog lists them: text (scale 1 by 1), then PDF. Filters already
// registered are kept as they are.
void frRegisterProgramFilters(TfrExportFilters& filters);
