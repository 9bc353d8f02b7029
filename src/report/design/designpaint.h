#pragma once

#include <QPoint>
#include <QRect>
#include <QString>

class QPainter;
class TfrDesignDocument;

// Draws the page area of the document's current page on a canvas whose
// pixels are report pixels (the designer shows pages at their design size):
// the paper and its printable area, the grid, every object through the
// painters the build uses (designer drawing), band titles, the selection's
// handles and what a drag under way shows. `origin` is where the page's
// top-left corner lies on the canvas; only what meets `exposed` (canvas
// pixels) is drawn.
void frPaintDesignPage(QPainter& painter, const TfrDesignDocument& document, QPoint origin, const QRect& exposed);

// The text of a band's title: its type name and its name.
class TfrBandView;
QString frBandTitle(const TfrBandView& band);

// Band titles stand left of the paper, in at most this many canvas pixels:
// the canvas keeps that much room left of the page while they are shown.
inline constexpr int frBandTitleWidth = 150;
