#pragma once

#include <QRectF>

#include <vector>

class QPainter;
class QTextDocument;

// Layout of a rich-text document into rectangles given in twips, so that a
// document can be measured and printed in parts over pages.
//
// The layout is the same on every device: it never asks a paint device for
// its metrics. Fonts are taken at their size in twips (20 per point) as
// pixel sizes, unhinted, kerning off, without shaping where the script
// needs none (Latin, Cyrillic), with fractional (design) advances, so
// lines break alike on the screen, a printer and in a PDF; the fonts report
// and document texts name are found as their metric-compatible Liberation
// fonts. The document's paragraph indents, spacing, line heights and tab
// stops are in twips (see richtext/rtfreader.h); tab stops count from the
// text's left edge, default stops follow the last one at the document's
// default tab distance, and a paragraph with a hanging first line has a stop
// at its left indent. Needs a QGuiApplication (the font database).
namespace richtext {

inline constexpr double TwipsPerInch = 1440;
inline constexpr double TwipsPerPoint = 20;
// A line fits a rectangle when its bottom passes the rectangle's height by
// less than this (rounding).
inline constexpr double FitTolerance = 0.01;

// One line of a range as formatRange lays it out: its characters (start up
// to end, the paragraph end counted on a paragraph's last line) and its box
// in the rectangle's coordinates, in twips: the text's left edge and width as
// the paragraph's alignment and indents place it, the line's top and height.
struct RangeLine {
    int start = 0, end = 0;
    QRectF box;
};

// Lays the document out from character `from` (a position as richedit.h
// counts them) into `rect`, whose size and place are in twips: line after
// line at the rectangle's width while the lines' bottoms stay inside its
// height. Returns the position of the first character that did not fit, the
// text length when everything from `from` fit. A range whose first line does
// not fit at all still takes that line, so every call with `from` below the
// text length returns more than `from`.
//
// With a painter, the lines taken are drawn as vector text into `rect`,
// clipped to it: the painter's coordinates are twips (scale a pixel painter
// by pixels per inch / 1440). Without one, nothing is drawn. Starting in the
// middle of a paragraph, the rest of it is laid out as if a line started
// there (no first-line indent, no space before).
//
// With `lines`, the lines taken are appended to it.
int formatRange(const QTextDocument& document, int from, const QRectF& rect, QPainter* painter = nullptr,
                std::vector<RangeLine>* lines = nullptr);

// The height in twips that the text from `from` to the end needs at a width
// in twips: formatRange into a rectangle of that width and height fits it
// all, into any lower one not.
double rangeHeight(const QTextDocument& document, int from, double width);

// A document laid out once at a width, from its start: what formatRange and
// rangeHeight say of ranges that start at one of its lines, without laying
// the text out again, so that one text can be measured and split into parts
// many times at the cost of one layout. A range from elsewhere is laid out
// anew. The document must outlive the layout and stay unchanged.
//
// From the document's start it says exactly what they say. From a later
// line it says what a layout from that line says wherever Qt's line
// breaking does not look back past the line's start, which is all ordinary
// text; contrived text can break otherwise there (an unbreakable run longer
// than a line that starts with a number after a tab).
class DocumentLayout {
public:
    DocumentLayout(const QTextDocument& document, double width);

    // The document's lines, from its start.
    const std::vector<RangeLine>& lines() const { return m_lines; }
    // formatRange(document, from, QRectF(0, 0, width, height)); with
    // `bottom`, the bottom of the last line it takes (0 for none).
    int fit(int from, double height, double* bottom = nullptr) const;
    // rangeHeight(document, from, width).
    double height(int from) const;

private:
    // The line starting at `from`, and where a range from there has its top.
    const RangeLine* lineAt(int from, double* top) const;

    const QTextDocument& m_document;
    double m_width;
    std::vector<RangeLine> m_lines;
};

} // namespace richtext
