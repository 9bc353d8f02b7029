#pragma once

#include "report/render/geometry.h"
#include "report/model/objects.h"

#include <QRect>
#include <QString>
#include <functional>
#include <vector>

class QPainter;
class TfrEngine;
class TfrTextMeasurer;

// One text line of an object as export filters receive it instead of its
// drawing: the draw rectangle, where the line starts, the object, the frame
// sides that belong to this line, the line's text (without marker), and the
// font and alignment it is written in (none for lines of no font).
struct TfrExportLine {
    TfrEdges drawRect;
    std::int32_t x = 0, y = 0;
    const TfrView* view = nullptr;
    std::uint16_t frameTyp = 0;
    QString text;
    const TfrFont* font = nullptr;
    std::uint32_t alignment = frtaLeft;
};
using TfrExportHook = std::function<void(const TfrExportLine&)>;

// Everything one drawing of objects needs: the canvas (none when only the
// export hook listens), the text measurer, the transform, whether the
// designer draws, and the export hook. With a hook set, memos give their
// lines to it and draw neither background nor frame.
struct TfrDrawContext {
    QPainter* painter = nullptr;
    const TfrTextMeasurer* measurer = nullptr;
    TfrDrawTransform transform;
    bool designer = false;
    TfrExportHook exportHook;
    // Part of the canvas worth drawing, in canvas pixels; empty: everything.
    // Long lines and underlines are cut to it, so that damaged coordinates
    // never make a drawing run long.
    QRect visibleArea;
    // Filled by memo drawing: the lines drawn (part measurement counts them).
    int linesDrawn = 0;
};

// The part of the canvas worth drawing on, in the painter's coordinates: the
// context's visible area, else the painter's device, cut to its clip (a
// little wider, so that nothing at its edges is lost). Drawing that loops
// over pixels keeps to it.
QRect frVisibleArea(const TfrDrawContext& context);

// How an object is drawn: the painter of its class (TfrObjectClass::paint),
// else that of the nearest base class with one, the built-in classes having
// the painters below; null when no class of the chain has one.
using TfrObjectPainter = std::function<void(const TfrView& view, TfrDrawContext& context)>;
const TfrObjectPainter* frPainterOf(const TfrObjectClass& objectClass);

// Draws an object with its painter; an object nobody paints is left out.
void frDrawObject(const TfrView& view, TfrDrawContext& context);

// Drawing steps shared by every kind of object.
// The object's background: nothing for the fill colour 0x1FFFFFFF.
void frShowBackground(const TfrView& view, const TfrDrawGeometry& geometry, TfrDrawContext& context);
// The frame lines that are on (`frameTyp`) in the object's frame style: right,
// left, bottom, top. A dashed or dotted frame of width W is W parallel
// one-pixel lines; a double frame is two lines with the fill between them.
// In the designer a frameless object gets a thin grey outline.
void frShowFrame(const TfrView& view, const TfrDrawGeometry& geometry, std::uint16_t frameTyp,
                 TfrDrawContext& context);

// Where an object with nothing to show stands: a small empty-picture sign 1
// pixel right of and 2 below its top-left corner and `caption` in an 8-point
// "Arial" 20 pixels right of and 3 below it, black, cut to the draw rectangle.
void frDrawPlaceholder(const TfrDrawGeometry& geometry, const QString& caption, TfrDrawContext& context);

// The built-in painters.
void frDrawMemo(const TfrView& view, TfrDrawContext& context);
// A memo's text alone (drawn, or given to the export hook), without its
// background and frame: for classes deriving from the memo that draw their
// own box.
void frDrawMemoText(const TfrMemoView& memo, TfrDrawContext& context);
void frDrawLine(const TfrView& view, TfrDrawContext& context);
void frDrawPicture(const TfrView& view, TfrDrawContext& context);
// Bands and sub-report frames: a labelled outline in the designer, nothing elsewhere.
void frDrawOutline(const TfrView& view, TfrDrawContext& context);

// How many of a memo's laid-out lines fit its current height at design size,
// each with its whole pitch above the bottom of the text's clip rectangle
// (the part a split memo prints on this page).
int frCountFittingLines(const TfrTextMeasurer& measurer, const TfrMemoView& memo, const QStringList& lines);

// The visual order (left to right) of the characters of a line read right to
// left (RTLReading): runs of left-to-right letters and numbers keep their
// order inside, the runs and everything between them are laid out from the
// right.
std::vector<qsizetype> frRightToLeftOrder(QStringView line);

// Where a memo with AutoWidth stands when drawn with its text: the width its
// widest line needs; right-aligned horizontal text keeps its right edge,
// vertical text takes the value as its height.
TfrBox frAutoWidthBox(const TfrTextMeasurer& measurer, const TfrMemoView& memo);
