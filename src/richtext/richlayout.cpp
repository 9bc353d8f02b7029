#include "richtext/richlayout.h"

#include "common/fontnames.h"
#include "common/rounding.h"
#include "richtext/richedit.h"

#include <QFont>
#include <QPainter>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

#include <algorithm>
#include <cmath>
#include <limits>
#include <mutex>

namespace richtext {

namespace {

// Bounds of what a document can ask of the layout: widths and line heights
// up to 32 of the largest page sides (22 inches), font sizes in points.
constexpr double kMinWidth = 1;
constexpr double kMaxExtent = 31680 * 32;
constexpr double kMinPoints = 1;
constexpr double kMaxPoints = 1638;
constexpr int kMaxDefaultStops = 256;
// Characters of a paragraph laid out at a time (see layBlock): the first
// window, and the largest one the windows grow to unless a line needs more.
constexpr qsizetype kFirstWindow = 128;
constexpr qsizetype kLayoutWindow = 1024;

void installSubstitutions() {
    static std::once_flag once;
    std::call_once(once, [] {
        for (const auto& [from, to] : fontnames::Substitutes) {
            const QString name = QString::fromUtf16(from);
            if (QFont::substitutes(name).isEmpty())
                QFont::insertSubstitution(name, QString::fromUtf16(to));
        }
    });
}

double finite(double v, double fallback) { return std::isfinite(v) ? v : fallback; }

// A format whose font is at its size in twips, as pixels, and measured the
// same everywhere.
QTextCharFormat layoutFormat(const QTextCharFormat& format, const QTextDocument& doc) {
    QTextCharFormat f = format;
    const double points = std::clamp(finite(fontPointSize(format, doc), 12), kMinPoints, kMaxPoints);
    f.clearProperty(QTextFormat::FontPointSize);
    f.setProperty(QTextFormat::FontPixelSize, roundHalfEven(points * TwipsPerPoint));
    f.setFontFamilies(QStringList{fontFamily(format, doc)});
    f.setFontKerning(false);
    f.setFontHintingPreference(QFont::PreferNoHinting);
    f.setFontStyleStrategy(
        QFont::StyleStrategy(QFont::PreferOutline | QFont::NoSubpixelAntialias | QFont::PreferNoShaping));
    return f;
}

// One line laid out: its characters (start up to end, the paragraph end
// included on a paragraph's last line), the top and height of its box below
// the range's top, and the top of its text, at the box's bottom.
struct Line {
    QTextLine line;
    int start = 0, end = 0;
    double top = 0, height = 0, textTop = 0;
};

// Lays paragraphs out line after line from a position and hands every line
// to a visitor until the visitor says stop.
class Layouter {
public:
    Layouter(const QTextDocument& doc, double width) : m_doc(doc), m_width(std::clamp(finite(width, 0), kMinWidth, kMaxExtent)) {
        installSubstitutions();
        m_defaultTab = finite(doc.defaultTextOption().tabStopDistance(), 0);
        if (m_defaultTab < 1)
            m_defaultTab = 720;
    }

    // visit(const Line&) -> bool (go on)
    template <class Visit>
    void run(int from, Visit&& visit) {
        const int length = textLength(m_doc);
        QTextBlock block = m_doc.findBlock(std::clamp(from, 0, length));
        int offset = from - block.position();
        if (offset > 0 && offset >= block.length() - 1) { // at a paragraph's end: the next one
            block = block.next();
            offset = 0;
        }
        double y = 0;
        for (; block.isValid(); block = block.next(), offset = 0) {
            const QTextBlockFormat pf = block.blockFormat();
            if (offset == 0)
                y += std::max(0.0, finite(pf.topMargin(), 0));
            if (!layBlock(block, offset, y, visit))
                return;
            y += std::max(0.0, finite(pf.bottomMargin(), 0));
        }
    }

private:
    // Lays out the block's text from offset, the first line with the
    // paragraph's first-line indent when it is the paragraph's first.
    //
    // The text is laid out in windows of it: a line that ends inside its
    // window is the line the whole paragraph gives (a line break depends on
    // the text up to the break and the next character), a line that reaches
    // the window's end is laid out again at the start of the next window. So
    // a long paragraph is shaped only as far as it is needed, and a word
    // longer than a line (which the line breaker scans anew for every line)
    // costs no more than the window.
    template <class Visit>
    bool layBlock(const QTextBlock& block, int offset, double& y, Visit& visit) {
        const QTextBlockFormat pf = block.blockFormat();
        const QString text = block.text().mid(offset);
        const int base = block.position() + offset; // position of text[0]
        const int paragraphEnd = std::min(block.position() + block.length(), textLength(m_doc));
        const double left = finite(pf.leftMargin(), 0);
        const double right = finite(pf.rightMargin(), 0);
        const double indent = offset == 0 ? finite(pf.textIndent(), 0) : 0.0;
        const QFont font = layoutFormat(block.charFormat(), m_doc).font();
        const QList<QTextLayout::FormatRange> formats = block.textFormats();
        QTextOption option(pf.alignment() & Qt::AlignHorizontal_Mask);
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        option.setTextDirection(Qt::LeftToRight);
        option.setUseDesignMetrics(true);
        option.setTabStopDistance(m_defaultTab);
        // Tab stops count from a line's start, so a first line that starts
        // elsewhere than the others is laid out on its own.
        bool ownLine = indent != 0 && text.contains(u'\t');
        bool firstLine = true;
        int done = 0; // characters of text laid out
        qsizetype window = kFirstWindow;
        for (;;) {
            const int take = int(std::min<qsizetype>(text.size() - done, window));
            const bool toEnd = done + take == text.size();
            const double x = std::max(0.0, left + (ownLine ? indent : 0.0));
            option.setTabs(tabs(pf, x, m_width - right, ownLine && indent < 0));
            QTextLayout layout(text.mid(done, take), font);
            layout.setFormats(windowFormats(formats, offset + done, take));
            layout.setTextOption(option);
            layout.beginLayout();
            int laid = 0; // characters of the window in lines handed on
            for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
                const double lineX = std::max(0.0, left + (firstLine ? indent : 0.0));
                line.setLineWidth(std::max(kMinWidth, m_width - lineX - right));
                line.setPosition(QPointF(lineX, 0));
                const int lineEnd = line.textStart() + line.textLength();
                if (!toEnd && lineEnd >= take)
                    break;
                const double natural = line.ascent() + line.descent();
                Line l{line, base + done + line.textStart(),
                       done + lineEnd >= text.size() ? paragraphEnd : base + done + lineEnd};
                l.top = y;
                l.height = lineHeight(pf, natural);
                l.textTop = y + l.height - natural;
                y += l.height;
                if (!visit(l))
                    return false;
                laid = lineEnd;
                firstLine = false;
                if (ownLine)
                    break;
            }
            layout.endLayout();
            done += laid;
            if (done >= text.size() || (toEnd && !ownLine))
                return true;
            if (laid == 0)
                window *= 2; // a line longer than the window: again in a larger one
            else
                window = std::max(window, std::min(window * 2, kLayoutWindow));
            if (laid > 0)
                ownLine = false;
        }
    }

    // The formats of the block's characters from `from` on, `count` of them,
    // counted from `from`, at their layout sizes.
    QList<QTextLayout::FormatRange> windowFormats(const QList<QTextLayout::FormatRange>& formats, int from,
                                                  int count) const {
        QList<QTextLayout::FormatRange> out;
        auto it = std::upper_bound(formats.begin(), formats.end(), from,
                                   [](int pos, const QTextLayout::FormatRange& r) { return pos < r.start + r.length; });
        for (; it != formats.end() && it->start < from + count; ++it) {
            const int s = std::max(it->start, from);
            const int e = std::min(it->start + it->length, from + count);
            if (e > s)
                out.append({s - from, e - s, layoutFormat(it->format, m_doc)});
        }
        return out;
    }

    static double lineHeight(const QTextBlockFormat& pf, double natural) {
        const double h = std::clamp(finite(pf.lineHeight(), 0), 0.0, kMaxExtent);
        switch (pf.lineHeightType()) {
        case QTextBlockFormat::ProportionalHeight:
            return h > 0 ? natural * h / 100 : natural;
        case QTextBlockFormat::FixedHeight:
            return h > 0 ? h : natural;
        case QTextBlockFormat::MinimumHeight:
            return std::max(natural, h);
        case QTextBlockFormat::LineDistanceHeight:
            return natural + h;
        default:
            return natural;
        }
    }

    // The paragraph's tab stops for lines starting at x and ending at
    // `end`, counted from the lines' start: its own stops, with `hanging` the
    // stop at the left indent, then default stops after the last of them.
    QList<QTextOption::Tab> tabs(const QTextBlockFormat& pf, double x, double end, bool hanging) const {
        QList<QTextOption::Tab> stops = pf.tabPositions();
        if (hanging)
            stops.append(QTextOption::Tab(finite(pf.leftMargin(), 0), QTextOption::LeftTab));
        std::stable_sort(stops.begin(), stops.end(), [](const auto& a, const auto& b) { return a.position < b.position; });
        QList<QTextOption::Tab> shifted;
        double last = x;
        for (QTextOption::Tab t : stops) {
            const double p = finite(t.position, 0);
            if (p > last) {
                t.position = p - x;
                shifted.append(t);
                last = p;
            }
        }
        double p = (std::floor(last / m_defaultTab) + 1) * m_defaultTab;
        for (int i = 0; i < kMaxDefaultStops && p < end; ++i, p += m_defaultTab)
            shifted.append(QTextOption::Tab(p - x, QTextOption::LeftTab));
        return shifted;
    }

    const QTextDocument& m_doc;
    double m_width;
    double m_defaultTab = 720;
};

} // namespace

int formatRange(const QTextDocument& document, int from, const QRectF& rect, QPainter* painter,
                std::vector<RangeLine>* lines) {
    const int length = textLength(document);
    if (from >= length)
        return length;
    from = std::max(from, 0);
    // An endless height holds everything; no number, nothing.
    const double height = std::isnan(rect.height()) ? 0.0 : rect.height();
    const QRectF area(finite(rect.left(), 0), finite(rect.top(), 0), std::clamp(finite(rect.width(), 0), 0.0, kMaxExtent),
                      std::clamp(height, 0.0, kMaxExtent));
    int fitted = from;
    if (painter) {
        painter->save();
        painter->setClipRect(area, painter->hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
    }
    Layouter(document, rect.width()).run(from, [&](const Line& l) {
        const bool fits = l.top + l.height <= height + FitTolerance;
        if (!fits && fitted > from)
            return false;
        if (painter)
            l.line.draw(painter, QPointF(area.left(), area.top() + l.textTop));
        if (lines) {
            const QRectF text = l.line.naturalTextRect();
            lines->push_back(
                {l.start, l.end, QRectF(area.left() + text.left(), area.top() + l.top, text.width(), l.height)});
        }
        fitted = l.end;
        return fits;
    });
    if (painter)
        painter->restore();
    return std::clamp(fitted, from + 1, length);
}

double rangeHeight(const QTextDocument& document, int from, double width) {
    double bottom = 0;
    if (from < textLength(document))
        Layouter(document, width).run(std::max(from, 0), [&](const Line& l) {
            bottom = l.top + l.height;
            return true;
        });
    return bottom;
}

DocumentLayout::DocumentLayout(const QTextDocument& document, double width) : m_document(document), m_width(width) {
    formatRange(document, 0, QRectF(0, 0, width, std::numeric_limits<double>::infinity()), nullptr, &m_lines);
}

const RangeLine* DocumentLayout::lineAt(int from, double* top) const {
    const auto it = std::lower_bound(m_lines.begin(), m_lines.end(), from,
                                     [](const RangeLine& l, int position) { return l.start < position; });
    if (it == m_lines.end() || it->start != from)
        return nullptr;
    // A range from a paragraph's start has the paragraph's space before above
    // its first line, as the layout from the document's start has.
    const QTextBlock block = m_document.findBlock(from);
    *top = it->box.top() - (block.position() == from ? std::max(0.0, finite(block.blockFormat().topMargin(), 0)) : 0.0);
    return &*it;
}

int DocumentLayout::fit(int from, double height, double* bottom) const {
    double top = 0;
    const RangeLine* first = from < textLength(m_document) ? lineAt(from, &top) : nullptr;
    if (!first) {
        std::vector<RangeLine> lines;
        const int end = formatRange(m_document, from, QRectF(0, 0, m_width, height), nullptr, &lines);
        if (bottom)
            *bottom = lines.empty() ? 0 : lines.back().box.bottom();
        return end;
    }
    // The same test as formatRange's: the first line always, the others while they fit.
    const RangeLine* last = first;
    const RangeLine* const end = m_lines.data() + m_lines.size();
    for (const RangeLine* l = first + 1; l != end && l->box.bottom() - top <= height + FitTolerance; ++l)
        last = l;
    if (bottom)
        *bottom = last->box.bottom() - top;
    return last->end;
}

double DocumentLayout::height(int from) const {
    double top = 0;
    if (from >= textLength(m_document) || !lineAt(from, &top))
        return rangeHeight(m_document, from, m_width);
    return m_lines.back().box.bottom() - top;
}

} // namespace richtext
