#include "report/builder/memoprint.h"

#include "common/textfile.h"
#include "report/render/drawing.h"
#include "report/builder/preparedpages.h"
#include "report/render/textlayout.h"
#include "report/model/engine.h"

namespace {
constexpr std::int32_t kNoWrap = 1 << 30;
} // namespace

TfrMemoPrinter::TfrMemoPrinter(TfrEngine& engine, const TfrTextMeasurer& measurer, TfrMemoHooks hooks)
    : m_engine(engine), m_measurer(measurer), m_hooks(std::move(hooks)),
      m_previousCalculator(engine.heightCalculator) {
    engine.heightCalculator = [this](TfrView& view) { return calcHeight(view); };
}

TfrMemoPrinter::~TfrMemoPrinter() { m_engine.heightCalculator = m_previousCalculator; }

TfrDrawMode TfrMemoPrinter::drawMode(const TfrView& view) const {
    const auto it = m_states.find(&view);
    return it == m_states.end() ? TfrDrawMode::Whole : it->second.mode;
}

void TfrMemoPrinter::setDrawMode(const TfrView& view, TfrDrawMode mode) { state(view).mode = mode; }
void TfrMemoPrinter::requestExpansion(const TfrView& view) { state(view).expand = true; }

void TfrMemoPrinter::forgetLastPrinted(const TfrView& view) {
    State& s = state(view);
    s.printed = false;
    s.lastPrinted.clear();
}

void TfrMemoPrinter::forgetAllPrinted() {
    for (auto& [view, s] : m_states) {
        s.printed = false;
        s.lastPrinted.clear();
    }
}

void TfrMemoPrinter::expand(TfrMemoView& memo) {
    QStringList out;
    for (const QString& line : memo.memo) {
        if (line.isEmpty()) {
            out << QString();
            continue;
        }
        const QString value =
            memo.flag(frflags::TextOnly) || !m_hooks.expandLine ? line : m_hooks.expandLine(line, memo);
        // A value with line breaks gives several lines; an empty one a line.
        const QStringList lines = textfile::splitLines(value);
        if (lines.isEmpty())
            out << QString();
        else
            out << lines;
    }
    memo.memo1 = out;
}

TfrFont TfrMemoPrinter::printFont(const TfrMemoView& memo) const {
    TfrFont font = memo.font;
    if (!memo.highlightStr.isEmpty() && m_hooks.highlightHolds && m_hooks.highlightHolds(memo)) {
        font.style = memo.highlight.fontStyle;
        font.color = memo.highlight.fontColor;
    }
    return font;
}

TfrTextLayout TfrMemoPrinter::layoutForPrint(const TfrMemoView& memo, const TfrFont& font) const {
    TfrBox box = frBoxOf(memo);
    // A memo with AutoWidth takes the width of its text: it is never wrapped.
    if (memo.flag(frflags::AutoWidth)) {
        if (memo.alignment & frtaVertical)
            box.height = kNoWrap;
        else
            box.width = kNoWrap;
    }
    return frLayoutMemo(m_measurer, memo, font, box, memo.memo1);
}

std::int32_t TfrMemoPrinter::calcHeight(TfrView& view) {
    if (dynamic_cast<TfrLineView*>(&view))
        return view.height;
    auto* memo = dynamic_cast<TfrMemoView*>(&view);
    if (!memo)
        return view.height;
    State& s = state(view);
    const TfrDrawMode previous = s.mode;
    s.mode = TfrDrawMode::Height;
    if (m_hooks.runScript)
        m_hooks.runScript(*memo);
    std::int32_t height = 0;
    if (memo->visible) {
        QStringList text = memo->memo;
        if (m_hooks.beforePrint)
            m_hooks.beforePrint(*memo, text);
        if (text == memo->memo)
            expand(*memo);
        else
            memo->memo1 = text;
        const TfrTextLayout layout = layoutForPrint(*memo, printFont(*memo));
        memo->memo1 = layout.lines;
        height = layout.textHeight;
        if (memo->flag(frflags::Suppress)) {
            if (s.printed && memo->memo1 == s.lastPrinted)
                height = 0;
            if (firstOfTwoPasses) {
                s.printed = true;
                s.lastPrinted = memo->memo1;
            }
        }
    }
    // The band prints the memo next; its text is measured already.
    s.mode = previous == TfrDrawMode::Whole ? TfrDrawMode::Height : previous;
    return height;
}

std::int32_t TfrMemoPrinter::minHeight(const TfrView& view) const {
    if (const auto* memo = dynamic_cast<const TfrMemoView*>(&view))
        return frMemoMinHeight(*memo);
    return 1;
}

std::int32_t TfrMemoPrinter::remainHeight(const TfrView& view, std::int32_t height) const {
    if (const auto* memo = dynamic_cast<const TfrMemoView*>(&view))
        return frMemoRemainHeight(*memo, height);
    return 0;
}

void TfrMemoPrinter::print(TfrMemoView& memo, TfrEMFPages& pages, int pageIndex) {
    State& s = state(memo);
    const TfrDrawMode mode = s.mode;
    s.mode = TfrDrawMode::Whole;
    bool changed = false;
    if (mode == TfrDrawMode::Whole) {
        if (m_hooks.runScript)
            m_hooks.runScript(memo);
        if (m_hooks.beforePrint) {
            QStringList text = memo.memo;
            m_hooks.beforePrint(memo, text);
            changed = text != memo.memo;
            memo.memo1 = text;
        }
    }
    if ((mode == TfrDrawMode::Whole && !changed) || s.expand)
        expand(memo);
    s.expand = false;
    if (!memo.visible)
        return;

    const TfrFont designFont = memo.font;
    const TfrColor designFill = memo.fillColor;
    const QString designTag = memo.tag;
    const std::uint8_t designAlign = memo.bandAlign;
    QStringList kept;
    int printedLines = 0;
    try {
        if (!memo.highlightStr.isEmpty() && m_hooks.highlightHolds && m_hooks.highlightHolds(memo)) {
            memo.font.style = memo.highlight.fontStyle;
            memo.font.color = memo.highlight.fontColor;
            memo.fillColor = memo.highlight.fillColor;
        }
        // Prepared pages hold laid-out text: drawing and exporting never wrap it again.
        const TfrTextLayout layout = layoutForPrint(memo, memo.font);
        memo.memo1 = layout.lines;
        if (mode == TfrDrawMode::Part) {
            kept = layout.lines;
            printedLines = frCountFittingLines(m_measurer, memo, layout.lines);
            memo.memo1 = layout.lines.mid(0, printedLines);
            if (!frIsLaidOut(memo.memo1))
                memo.memo1 << QString(frLineEnd); // never wrapped again
        }
        if (memo.tag.contains(u'[') && m_hooks.expandTag)
            memo.tag = m_hooks.expandTag(memo.tag, memo);
        if (memo.bandAlign == baBottom) // placed by the band already
            memo.bandAlign = baNone;
        if (!(memo.flag(frflags::Suppress) && s.printed && memo.memo1 == s.lastPrinted)) {
            pages.appendObject(pageIndex, memo);
            if (memo.flag(frflags::Suppress)) {
                s.printed = true;
                s.lastPrinted = memo.memo1;
            }
        }
    } catch (...) {
        memo.font = designFont;
        memo.fillColor = designFill;
        memo.tag = designTag;
        memo.bandAlign = designAlign;
        throw;
    }
    if (mode == TfrDrawMode::Part)
        memo.memo1 = kept.mid(printedLines);
    memo.font = designFont;
    memo.fillColor = designFill;
    memo.tag = designTag;
    memo.bandAlign = designAlign;
}
