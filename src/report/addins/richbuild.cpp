#include "report/addins/richbuild.h"

#include "common/exception.h"
#include "common/rounding.h"
#include "report/addins/richview.h"
#include "report/expr/parser.h"
#include "report/model/buildstate.h"
#include "richtext/richedit.h"
#include "richtext/richlayout.h"
#include "richtext/rtfreader.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>

#include <algorithm>
#include <vector>

// ---------------------------------------------------------------- documents

void frExpandRich(QTextDocument& document, const std::function<QString(const QString& bracket)>& value) {
    // Brackets are read in the text as it was; `shift` maps its positions to
    // the document's, which the values inserted so far have moved.
    const QString plain = richtext::plainText(document);
    qsizetype p = plain.indexOf(u'[');
    if (p < 0)
        return;
    qsizetype length = plain.size(), shift = 0;
    QTextCursor batch(&document);
    batch.beginEditBlock();
    try {
        while (p >= 0) {
            qsizetype start = p, end = p;
            bool terminated = true;
            const QString inner = frreader::readBracketed(plain, start, end, &terminated);
            if (!terminated || end == start)
                break;
            const QString text = richtext::cleanText(value(inner), true);
            const qsizetype change = text.size() - (end + 1 - start);
            if (length + change > richtext::MaxDocumentChars)
                throw Exception(QStringLiteral("Текст RTF с подставленными значениями длиннее %1 символов")
                                    .arg(richtext::MaxDocumentChars));
            richtext::replaceRange(document, int(start + shift), int(end + 1 + shift), text);
            length += change;
            shift += change;
            p = plain.indexOf(u'[', end + 1);
        }
    } catch (...) {
        batch.endEditBlock();
        throw;
    }
    batch.endEditBlock();
}

namespace {

// A content height of `twips` in report pixels, 8 for (almost) none.
std::int32_t contentPixels(double twips) {
    const std::int32_t h = frRichPixels(twips);
    return h < 2 ? 8 : h;
}

} // namespace

std::int32_t frMeasureRichHeight(const QTextDocument& document, int from, double widthTwips) {
    return contentPixels(richtext::rangeHeight(document, from, widthTwips));
}

std::shared_ptr<const QTextDocument> frRichRange(const std::shared_ptr<const QTextDocument>& document, int from,
                                                 int to) {
    const QTextDocument& doc = *document;
    const int length = richtext::textLength(doc);
    from = std::clamp(from, 0, length);
    to = std::clamp(to, from, length);
    if (from == 0 && to == length)
        return document;
    // A range ending where a paragraph starts ends with the paragraph end before it: left out.
    if (to > from && to < length && doc.findBlock(to).position() == to)
        --to;
    const QTextBlock first = doc.findBlock(from), last = doc.findBlock(std::max(from, to - 1));
    QTextBlockFormat firstFormat = first.blockFormat();
    if (from > first.position()) {
        firstFormat.setTextIndent(0);
        firstFormat.setTopMargin(0);
    }

    auto part = std::make_shared<QTextDocument>();
    part->setUndoRedoEnabled(false);
    part->setDefaultFont(doc.defaultFont());
    part->setDefaultTextOption(doc.defaultTextOption());
    // A cursor wants a document it could change; this one only selects.
    QTextCursor range(const_cast<QTextDocument*>(&doc));
    range.setPosition(from);
    range.setPosition(to, QTextCursor::KeepAnchor);
    QTextCursor(part.get()).insertFragment(range.selection());
    // The paragraphs cut at the range's ends keep their own formats.
    QTextCursor head(part->begin());
    head.setBlockFormat(firstFormat);
    head.setBlockCharFormat(first.charFormat());
    if (part->blockCount() > 1) {
        QTextCursor tail(part->lastBlock());
        tail.setBlockFormat(last.blockFormat());
        tail.setBlockCharFormat(last.charFormat());
    }
    return part;
}

// ---------------------------------------------------------------- building

namespace {

TfrRichPrintState& stateOf(const TfrView& view, TfrPrintContext& c) {
    return c.state.objectState<TfrRichPrintState>(view);
}

// Makes the object ready for a printing: the data field is loaded, the
// report's OnBeforePrint and the object's script run, and the document of
// this printing is the object's own with its brackets expanded (unless
// TextOnly; shared as it is when it has none).
void prepare(TfrRichView& rich, TfrRichPrintState& s, TfrPrintContext& c) {
    if (c.loadDataField)
        c.loadDataField(rich);
    if (c.beforePrint) {
        QStringList text = rich.memo;
        c.beforePrint(rich, text);
    }
    if (c.runScript)
        c.runScript(rich);
    s.prepared = true;
    s.printedUpTo = s.fittedUpTo = 0;
    s.layout.reset();
    s.document = rich.sharedDocument();
    if (!rich.visible || rich.flag(frflags::TextOnly) || !c.expandBracket ||
        !richtext::plainText(*s.document).contains(u'['))
        return;
    std::shared_ptr<QTextDocument> expanded = frCopyRichDocument(*s.document);
    frExpandRich(*expanded, [&](const QString& bracket) { return c.expandBracket(bracket, rich); });
    s.document = std::move(expanded);
}

const richtext::DocumentLayout& layoutOf(const TfrView& view, TfrRichPrintState& s) {
    if (!s.layout)
        s.layout = std::make_unique<richtext::DocumentLayout>(*s.document, frRichTextWidth(view));
    return *s.layout;
}

// Fits the part of `height` pixels that follows what has been printed:
// fittedUpTo is where it ends; returns the bottom of its last line in twips.
double fitPart(const TfrView& view, TfrRichPrintState& s, std::int32_t height) {
    double bottom = 0;
    s.fittedUpTo = layoutOf(view, s).fit(s.printedUpTo, frRichTwips(height - 2 * view.gapY), &bottom);
    return bottom;
}

// The state of an object whose band splits, ready for its parts.
TfrRichPrintState& partState(const TfrView& view, TfrPrintContext& c) {
    TfrRichPrintState& s = stateOf(view, c);
    if (s.expand || !s.prepared) {
        // The band split without measuring the object first. The object is
        // the build's own (measuring asks with it const, printing does not).
        prepare(const_cast<TfrRichView&>(static_cast<const TfrRichView&>(view)), s, c);
        s.expand = false;
        s.measured = true; // the part printed next takes this document
    }
    return s;
}

} // namespace

QStringList TfrRichBuilder::expressionLines(const TfrView& view) const {
    return view.memo + richtext::plainText(static_cast<const TfrRichView&>(view).document()).split(u'\n');
}

std::int32_t TfrRichBuilder::contentHeight(TfrView& view, TfrPrintContext& c) const {
    auto& rich = static_cast<TfrRichView&>(view);
    TfrRichPrintState& s = stateOf(view, c);
    prepare(rich, s, c);
    // The band prints the object next, with the document measured here.
    s.measured = true;
    if (!rich.visible)
        return 0;
    return contentPixels(layoutOf(rich, s).height(0)) + 2 * rich.gapY;
}

std::int32_t TfrRichBuilder::minimumHeight(const TfrView& view, TfrPrintContext& c) const {
    constexpr std::int32_t least = 8;
    TfrRichPrintState& s = partState(view, c);
    if (s.printedUpTo >= richtext::textLength(*s.document))
        return least;
    double line = 0;
    layoutOf(view, s).fit(s.printedUpTo, 0, &line); // the first line alone
    return std::max(least, frRichPixels(line) + 2 * view.gapY);
}

std::int32_t TfrRichBuilder::remainingHeight(const TfrView& view, std::int32_t height, TfrPrintContext& c) const {
    TfrRichPrintState& s = partState(view, c);
    if (s.printedUpTo >= richtext::textLength(*s.document))
        return 0;
    const std::int32_t room = height - 2 * view.gapY;
    const std::int32_t used = frRichPixels(fitPart(view, s, height));
    if (used > room) // not even the first line fits: the part is all left over
        return height;
    return roundHalfEven(2 * double(view.frameWidth)) + 2 * view.gapY + (room - used);
}

void TfrRichBuilder::splitStarts(TfrView& view, TfrPrintContext& c) const {
    TfrRichPrintState& s = stateOf(view, c);
    if (!s.measured)
        s.expand = true;
}

void TfrRichBuilder::print(TfrView& view, const TfrPrintPlace& place, bool part, TfrPrintContext& c) const {
    auto& rich = static_cast<TfrRichView&>(view);
    TfrRichPrintState& s = stateOf(view, c);
    if (part)
        partState(view, c); // the parts after the first print on with the same document
    else if (!s.measured)
        prepare(rich, s, c);
    s.measured = false;
    if (!rich.visible)
        return;
    auto& image = static_cast<TfrRichView&>(printImage(rich, place, c));
    // The document carries the text; the memo's data field means nothing on a prepared page.
    image.memo.clear();
    if (part) {
        fitPart(rich, s, rich.height);
        image.setDocument(frRichRange(s.document, s.printedUpTo, s.fittedUpTo));
        s.printedUpTo = s.fittedUpTo;
    } else {
        image.setDocument(s.document);
    }
    if (c.output)
        c.output(image);
}

void TfrRichBuilder::skip(TfrView& view, TfrPrintContext& c) const {
    TfrRichPrintState& s = stateOf(view, c);
    if (s.measured)
        s.measured = false;
    else if (c.runScript)
        c.runScript(view);
}
