#pragma once

class TfrEngine;

// Registers the add-in object classes the program offers with an engine, so
// that its templates and prepared reports load, build, draw and export them.
void frRegisterProgramAddIns(TfrEngine& engine);
