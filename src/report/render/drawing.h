#pragma once

#include "report/render/geometry.h"
#include "report/model/objects.h"

#include <QHash>
#include <QRect>
#include <QString>
#include <functional>
#include <vector>

class QPainter;
class TfrEngine;
class TfrTextMeasurer;

// One text line of a memo as export filters receive it instead of its
// drawing: the draw rectangle, where the line starts, the object, the frame
// sides that belong to this line and the line's text (without marker).
struct TfrExportLine {
    TfrEdges drawRect;
    std::int32_t x = 0, y = 0;
    const TfrView* view = nullptr;
    std::uint16_t frameTyp = 0;
    QString text;
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

// How one class of objects is drawn. The build library registers the
// built-in classes; add-in objects register theirs under their class name.
using TfrObjectPainter = std::function<void(const TfrView& view, TfrDrawContext& context)>;

class TfrPainterRegistry {
public:
    // Registers the built-in classes.
    TfrPainterRegistry();
    void add(const QString& className, TfrObjectPainter painter);
    // The painter of the object's class; for an add-in class registered
    // without one, the painter of the built-in class it derives from; nothing
    // when neither is known.
    const TfrObjectPainter* find(const TfrView& view) const;
    // Draws an object with its painter; an object nobody paints is left out.
    void draw(const TfrView& view, TfrDrawContext& context) const;

private:
    QHash<QString, TfrObjectPainter> m_painters;
};

// The engine's painter registry.
TfrPainterRegistry& frPainters(TfrEngine& engine);

// Drawing steps shared by every kind of object.
// The object's background: nothing for the fill colour 0x1FFFFFFF.
void frShowBackground(const TfrView& view, const TfrDrawGeometry& geometry, TfrDrawContext& context);
// The frame lines that are on (`frameTyp`) in the object's frame style: right,
// left, bottom, top. A dashed or dotted frame of width W is W parallel
// one-pixel lines; a double frame is two lines with the fill between them.
// In the designer a frameless object gets a thin grey outline.
void frShowFrame(const TfrView& view, const TfrDrawGeometry& geometry, std::uint16_t frameTyp,
                 TfrDrawContext& context);

// The built-in painters.
void frDrawMemo(const TfrView& view, TfrDrawContext& context);
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
