#pragma once

#include "report/builder/objectbuild.h"
#include "richtext/richlayout.h"

#include <QString>
#include <functional>
#include <memory>

class QTextDocument;

// Replaces the bracketed expressions of a document's text by their values:
// from the first "[" on, the bracket with its matching "]" (nested brackets
// and brackets inside quotes count as memos read them) is replaced by
// value(its content), which takes the format of the "[" it replaces, and the
// search goes on after the inserted text, which is not read again. A bracket
// that never closes ends the expansion. Errors of `value` propagate; a text
// that would grow past richtext::MaxDocumentChars characters throws
// Exception.
void frExpandRich(QTextDocument& document, const std::function<QString(const QString& bracket)>& value);

// The height in report pixels that the text from `from` needs at a text
// width in twips: the least whole height that holds it, 8 when that is below
// 2 (no text, or almost none).
std::int32_t frMeasureRichHeight(const QTextDocument& document, int from, double widthTwips);

// The characters from `from` up to `to` of a document as a document of their
// own, in their formats. A range that starts inside a paragraph starts a
// paragraph without first-line indent and space before (as a layout from
// there has it); a range that ends at a paragraph end leaves that end out.
std::shared_ptr<const QTextDocument> frRichRange(const std::shared_ptr<const QTextDocument>& document, int from, int to);

// What a build keeps of a rich-text object between its measuring and its
// printing, and between the parts of a split object.
struct TfrRichPrintState {
    // The document of this printing: the object's own, or a copy with its
    // brackets expanded.
    std::shared_ptr<const QTextDocument> document;
    // Its lines at the object's text width, laid out once per printing when
    // first needed: measuring and every part take their heights from it.
    std::unique_ptr<richtext::DocumentLayout> layout;
    // Whether the object was made ready for a printing once in this build.
    bool prepared = false;
    // Measured since it last printed: printing takes the measured document.
    bool measured = false;
    // The band splits: the next part prints a fresh document.
    bool expand = false;
    // The first character not yet printed, and the first that did not fit
    // the part measured last.
    int printedUpTo = 0;
    int fittedUpTo = 0;
};

// The build behaviour of rich-text objects: expanded once per printing,
// measured for band stretching, printed whole or in parts that follow one
// another without losing or repeating a character.
class TfrRichBuilder : public TfrObjectBuilder {
public:
    // The data field and the document's paragraphs.
    QStringList expressionLines(const TfrView& view) const override;
    bool stretches() const override { return true; }
    // The text's height and both gaps (0 for an invisible object).
    std::int32_t contentHeight(TfrView& view, TfrPrintContext& context) const override;
    // Both gaps and the first line still to print, at least 8 pixels: a part
    // is never smaller than the line it has to take.
    std::int32_t minimumHeight(const TfrView& view, TfrPrintContext& context) const override;
    // The room a part of `height` leaves unused below the lines that fit it,
    // and the gaps and frame the next part needs again; `height` when not
    // even the first line fits, 0 when nothing is left to print.
    std::int32_t remainingHeight(const TfrView& view, std::int32_t height, TfrPrintContext& context) const override;
    void splitStarts(TfrView& view, TfrPrintContext& context) const override;
    // A part prints the lines that fit the object's current height from the
    // first character not yet printed on; at least one line, so that every
    // part makes progress.
    void print(TfrView& view, const TfrPrintPlace& place, bool part, TfrPrintContext& context) const override;
    void skip(TfrView& view, TfrPrintContext& context) const override;
};
