#include "report/builder/memoprint.h"

#include "common/textfile.h"
#include "report/model/buildstate.h"
#include "report/render/drawing.h"
#include "report/render/textlayout.h"
#include "report/render/textmeasure.h"

namespace {

TfrMemoPrintState& stateOf(const TfrView& view, TfrPrintContext& c) {
    return c.state.objectState<TfrMemoPrintState>(view);
}

bool highlighted(TfrMemoView& memo, TfrPrintContext& c) {
    return !memo.highlightStr.isEmpty() && c.conditionHolds && c.conditionHolds(memo.highlightStr, memo);
}

TfrFont printFont(TfrMemoView& memo, TfrPrintContext& c) {
    TfrFont font = memo.font;
    if (highlighted(memo, c)) {
        font.style = memo.highlight.fontStyle;
        font.color = memo.highlight.fontColor;
    }
    return font;
}

} // namespace

void TfrMemoBuilder::setUp(TfrView& view, TfrPrintContext& context) const {
    // A faulty highlight condition fails the build here rather than never holding.
    const auto& memo = static_cast<const TfrMemoView&>(view);
    if (!memo.highlightStr.isEmpty() && context.checkExpression)
        context.checkExpression(memo.highlightStr);
}

void TfrMemoBuilder::expand(TfrMemoView& memo, TfrPrintContext& c) {
    QStringList out;
    for (const QString& line : memo.memo) {
        if (line.isEmpty()) {
            out << QString();
            continue;
        }
        const QString value = memo.flag(frflags::TextOnly) || !c.expandLine ? line : c.expandLine(line, memo);
        // A value with line breaks gives several lines; an empty one a line.
        const QStringList lines = textfile::splitLines(value);
        if (lines.isEmpty())
            out << QString();
        else
            out << lines;
    }
    stateOf(memo, c).text = out;
}

std::int32_t TfrMemoBuilder::contentHeight(TfrView& view, TfrPrintContext& c) const {
    auto& memo = static_cast<TfrMemoView&>(view);
    TfrMemoPrintState& s = stateOf(view, c);
    if (c.runScript)
        c.runScript(memo);
    std::int32_t height = 0;
    if (memo.visible) {
        QStringList text = memo.memo;
        if (c.beforePrint)
            c.beforePrint(memo, text);
        if (text == memo.memo)
            expand(memo, c);
        else
            s.text = text;
        const TfrBox box = c.alignedBox ? c.alignedBox(memo) : frBoxOf(memo);
        // AutoWidth memos wrap too; they take the width of their widest line when drawn.
        const TfrTextLayout layout = frLayoutMemo(c.measurer, memo, printFont(memo, c), box, s.text);
        s.text = layout.lines;
        height = layout.textHeight;
        if (memo.flag(frflags::Suppress)) {
            if (s.printed && s.text == s.lastPrinted)
                height = 0;
            if (c.firstOfTwoPasses) {
                s.printed = true;
                s.lastPrinted = s.text;
            }
        }
    }
    // The band prints the memo next; its text is measured already.
    s.measured = true;
    return height;
}

std::int32_t TfrMemoBuilder::minimumHeight(const TfrView& view, TfrPrintContext&) const {
    return frMemoMinHeight(static_cast<const TfrMemoView&>(view));
}

std::int32_t TfrMemoBuilder::remainingHeight(const TfrView& view, std::int32_t height, TfrPrintContext&) const {
    return frMemoRemainHeight(static_cast<const TfrMemoView&>(view), height);
}

std::int32_t TfrMemoBuilder::contentWidth(TfrView& view, TfrPrintContext& c) const {
    auto& memo = static_cast<TfrMemoView&>(view);
    expand(memo, c);
    int widest = 0;
    for (const QString& line : stateOf(view, c).text)
        widest = std::max(widest, c.measurer.width(memo.font, line, memo.charSpacing));
    return widest + 2 * memo.gapX;
}

void TfrMemoBuilder::splitStarts(TfrView& view, TfrPrintContext& c) const {
    TfrMemoPrintState& s = stateOf(view, c);
    if (!frIsLaidOut(s.text))
        s.expand = true;
}

void TfrMemoBuilder::measureDiscarded(const TfrView& view, TfrPrintContext& c) const {
    if (TfrMemoPrintState* s = c.state.findObjectState<TfrMemoPrintState>(view))
        s->measured = false;
}

void TfrMemoBuilder::print(TfrView& view, const TfrPrintPlace& place, bool part, TfrPrintContext& c) const {
    auto& memo = static_cast<TfrMemoView&>(view);
    TfrMemoPrintState& s = stateOf(view, c);
    const bool whole = !part && !s.measured;
    s.measured = false;
    bool changed = false;
    if (whole) {
        if (c.runScript)
            c.runScript(memo);
        if (c.beforePrint) {
            QStringList text = memo.memo;
            c.beforePrint(memo, text);
            changed = text != memo.memo;
            s.text = text;
        }
    }
    if ((whole && !changed) || s.expand)
        expand(memo, c);
    s.expand = false;
    if (!memo.visible)
        return;

    auto& image = static_cast<TfrMemoView&>(printImage(memo, place, c));
    if (highlighted(memo, c)) {
        image.font.style = memo.highlight.fontStyle;
        image.font.color = memo.highlight.fontColor;
        image.fillColor = memo.highlight.fillColor;
    }
    // Prepared pages hold laid-out text: drawing and exporting never wrap it again.
    const TfrTextLayout layout = frLayoutMemo(c.measurer, image, image.font, frBoxOf(image), s.text);
    QStringList rest;
    if (part) {
        const int fitting = frCountFittingLines(c.measurer, image, layout.lines);
        image.memo = layout.lines.mid(0, fitting);
        if (!frIsLaidOut(image.memo))
            image.memo << QString(frLineEnd); // never wrapped again
        rest = layout.lines.mid(fitting);
    } else {
        image.memo = layout.lines;
    }
    if (!(memo.flag(frflags::Suppress) && s.printed && image.memo == s.lastPrinted)) {
        if (c.output)
            c.output(image);
        if (memo.flag(frflags::Suppress)) {
            s.printed = true;
            s.lastPrinted = image.memo;
        }
    }
    s.text = part ? rest : layout.lines;
}

void TfrMemoBuilder::skip(TfrView& view, TfrPrintContext& c) const {
    TfrMemoPrintState& s = stateOf(view, c);
    if (s.measured)
        s.measured = false;
    else if (c.runScript)
        c.runScript(view);
}

void TfrMemoBuilder::forgetPrinted(const TfrView& view, TfrPrintContext& c) const {
    if (TfrMemoPrintState* s = c.state.findObjectState<TfrMemoPrintState>(view)) {
        s->printed = false;
        s->lastPrinted.clear();
    }
}
