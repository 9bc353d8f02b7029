#pragma once

#include <QIcon>
#include <QString>

// Registers with the designer (frRegisterDesignerClass) what it shows of the
// program's add-in classes: the picture and hint of each class's button on
// the object tool bar and its editor. Called once by the program, beside
// frRegisterProgramAddIns.
void frRegisterProgramAddInEditors();

// A tool-bar picture of the add-in classes ("addin-barcode" ...): drawn like
// the designer's own (frReportIcon).
QIcon frAddInIcon(const QString& name);
