#pragma once

#include <QWidget>
#include <functional>

class TfrStdControl;

// The platform control (a Qt widget) of a control object, made as a child of
// `parent` and kept in step with the object: what the user changes is written
// into the object at once, and what scripts change in the object reaches the
// widget (through the object's peer, which the widget clears when it goes).
// `clicked` is called when the user clicks the control (for a button: presses
// it). The widget is placed at the object's position and size.
QWidget* frCreateControlWidget(TfrStdControl& control, QWidget* parent,
                               const std::function<void(TfrStdControl& control)>& clicked);

// Installs the process's control painter: controls drawn on any canvas (the
// designer's pages) are their platform controls painted off screen. Needs a
// QApplication.
void frInstallControlPainter();

// Registers with the designer the tool-bar picture and hint of each of the
// nine controls ("Вставить элемент управления 'Edit'"). Called once by the
// program, beside frRegisterProgramAddInEditors.
void frRegisterControlDesignerClasses();
