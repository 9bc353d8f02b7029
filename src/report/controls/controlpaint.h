#pragma once

#include <QRect>
#include <functional>

class QPainter;
class TfrStdControl;
class TfrView;
struct TfrDrawContext;

// Draws a control where its object stands: the image of its platform control
// when a control painter is installed (the widget library installs one that
// paints the platform control off screen), else a plain likeness (its colour,
// a sunken frame for the edit kinds, its text).
void frDrawControl(const TfrView& view, TfrDrawContext& context);

// Paints the platform control of `control` at its size into `target` (device
// pixels of the painter), the painter's origin at the control's top left.
using TfrControlPainter = std::function<void(const TfrStdControl& control, QPainter& painter, const QRect& target)>;
// The control painter of the process (classes and their painters are
// process-wide); empty: the plain likeness.
TfrControlPainter& frControlPainter();
