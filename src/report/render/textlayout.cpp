#include "report/render/textlayout.h"

#include "common/cp1251.h"
#include "common/rounding.h"
#include "report/render/textmeasure.h"

#include <algorithm>
#include <limits>

namespace {

std::int32_t sat(std::int64_t v) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, std::numeric_limits<std::int32_t>::min(),
                                                              std::numeric_limits<std::int32_t>::max()));
}

bool isVowel(QChar c) {
    switch (c.unicode()) {
    case u'Ё': case u'А': case u'Е': case u'И': case u'О':
    case u'У': case u'Ы': case u'Э': case u'Ю': case u'Я':
        return true;
    default:
        return false;
    }
}

bool isSign(QChar c) { return c == u'Ъ' || c == u'Ь'; }

bool isLineBreak(QChar c) { return c == u'\r' || c == u'\n'; }

// Characters that end the word hyphenation looks at.
bool endsWord(QChar c) { return c == u' ' || c == u',' || c == u'-' || c == u'.' || isLineBreak(c); }

} // namespace

bool frIsLaidOut(const QStringList& text) {
    for (const QString& line : text)
        if (line.contains(frLineEnd))
            return true;
    return false;
}

QString frStripLineEnd(const QString& line, bool* paragraphEnd) {
    const bool marked = line.endsWith(frLineEnd);
    if (paragraphEnd)
        *paragraphEnd = marked;
    return marked ? line.left(line.size() - 1) : line;
}

std::vector<int> frHyphenationPoints(const QString& word) {
    std::vector<int> points;
    const QString w = cp1251::toUpper(word);
    const int n = static_cast<int>(w.size());
    if (n <= 3)
        return points;
    for (int p = 2; p <= n - 2; ++p) {
        const QChar c1 = w[p - 1], c2 = w[p], c3 = w[p + 1];
        if (isVowel(c1) ? (isVowel(c2) || isVowel(c3)) : (!isVowel(c2) && !isSign(c2) && isVowel(c3)))
            points.push_back(p);
    }
    return points;
}

void frWrapLine(const TfrTextMeasurer& measurer, const TfrFont& font, const QString& line,
                const TfrWrapOptions& options, QStringList& out) {
    const qsizetype n = line.size();
    const std::int64_t limit = options.width;
    const std::int64_t cs = options.charSpacing;
    const bool hasBreaks = line.contains(u'\r') || line.contains(u'\n');

    // Widths of every stretch from prefix sums: measuring is linear in the line.
    std::vector<int> adv;
    adv.reserve(static_cast<std::size_t>(n));
    measurer.advances(font, line, adv);
    std::vector<std::int64_t> prefix(static_cast<std::size_t>(n) + 1, 0);
    for (qsizetype i = 0; i < n; ++i)
        prefix[static_cast<std::size_t>(i) + 1] = prefix[static_cast<std::size_t>(i)] + adv[static_cast<std::size_t>(i)] + cs;
    auto width = [&](qsizetype from, qsizetype to) { // characters from..to-1
        return prefix[static_cast<std::size_t>(to)] - prefix[static_cast<std::size_t>(from)];
    };
    if (!hasBreaks && (n <= 1 || width(0, n) <= limit)) {
        out << line + frLineEnd;
        return;
    }
    std::int64_t hyphenWidth = 0;
    if (options.wordBreak) {
        std::vector<int> h;
        measurer.advances(font, u"-", h);
        hyphenWidth = h.front() + cs;
    }

    qsizetype start = 0, brk = 0, i = 0;
    while (i < n) {
        const QChar c = line[i];
        if (isLineBreak(c)) {
            out << line.mid(start, i - start) + frLineEnd;
            while (i < n && isLineBreak(line[i]))
                ++i;
            start = brk = i;
            if (i >= n)
                return; // the text ended with its line end
            continue;
        }
        if (c == u' ') {
            brk = i++;
            continue;
        }
        // A character that fits, or the first of a line (it stays even when
        // it alone is wider than the line).
        if (i == start || width(start, i + 1) <= limit) {
            ++i;
            continue;
        }
        qsizetype hyphenAfter = -1;
        if (options.wordBreak) {
            const qsizetype wordStart = line[brk] == u' ' ? brk + 1 : brk;
            qsizetype wordEnd = wordStart;
            while (wordEnd < n && !endsWord(line[wordEnd]))
                ++wordEnd;
            for (int p : frHyphenationPoints(line.mid(wordStart, wordEnd - wordStart))) {
                const qsizetype last = wordStart + p - 1; // the letter the hyphen follows
                if (last < start || last >= i)
                    continue;
                if (width(start, last + 1) + hyphenWidth <= limit)
                    hyphenAfter = last;
            }
        }
        if (hyphenAfter >= 0) {
            out << line.mid(start, hyphenAfter - start + 1) + u'-';
            brk = hyphenAfter;
        } else {
            if (brk == start)
                brk = i; // no blank after the line's start: the word is cut inside
            if (line[brk] == u' ') {
                out << line.mid(start, brk - start); // the paragraph goes on
            } else {
                out << line.mid(start, brk - start);
                --brk;
            }
        }
        // Every break moves the start forward, so the scan always ends. The
        // character that did not fit is looked at again on the new line.
        start = brk = brk + 1;
    }
    out << line.mid(start) + frLineEnd;
}

std::int32_t frLinePitch(std::int32_t lineSpacing, std::int32_t fontPixelHeight) {
    return std::max<std::int32_t>(1, sat(std::int64_t(lineSpacing) + fontPixelHeight));
}

TfrTextLayout frLayoutMemo(const TfrTextMeasurer& measurer, const TfrMemoView& memo, const QStringList& text) {
    return frLayoutMemo(measurer, memo, memo.font, frBoxOf(memo), text, false);
}

TfrTextLayout frLayoutMemo(const TfrTextMeasurer& measurer, const TfrMemoView& memo, const TfrFont& font,
                           const TfrBox& box, const QStringList& text, bool designer) {
    const TfrDrawGeometry g = frBeginDraw(memo, box, TfrDrawTransform{});
    const bool vertical = memo.alignment & frtaVertical;
    const std::int32_t gap = vertical ? g.gapX : g.gapY;
    TfrWrapOptions options;
    options.width = sat(vertical ? std::int64_t(box.height) - 2 * std::int64_t(g.gapY)
                                 : std::int64_t(box.width) - 2 * std::int64_t(g.gapX));
    options.charSpacing = memo.charSpacing;
    options.wordBreak = memo.flag(frflags::WordBreak);

    TfrTextLayout layout;
    layout.pitch = frLinePitch(memo.lineSpacing, frFontPixelHeight(font.size));
    const bool laidOut = frIsLaidOut(text);
    for (const QString& line : text) {
        if (laidOut)
            layout.lines << line;
        else if (designer && text.size() == 1 && line.startsWith(u'[') &&
                 measurer.width(font, line, memo.charSpacing) > options.width)
            layout.lines << line + frLineEnd;
        else if (memo.flag(frflags::WordWrap))
            frWrapLine(measurer, font, line, options, layout.lines);
        else
            layout.lines << line + frLineEnd;
    }
    layout.textHeight = sat(std::int64_t(layout.lines.size()) * layout.pitch + 2 * std::int64_t(gap));
    return layout;
}

std::int32_t frMemoMinHeight(const TfrMemoView& memo) {
    const std::int64_t frame = roundHalfEven(2.0 * memo.frameWidth);
    return sat(frame + 2 * std::int64_t(memo.gapY) +
               frLinePitch(memo.lineSpacing, frFontPixelHeight(memo.font.size)));
}

std::int32_t frMemoRemainHeight(const TfrMemoView& memo, std::int32_t height) {
    const std::int64_t frame = roundHalfEven(2.0 * memo.frameWidth);
    const std::int64_t pitch = frLinePitch(memo.lineSpacing, frFontPixelHeight(memo.font.size));
    const std::int64_t gaps = 2 * std::int64_t(memo.gapY);
    return sat(gaps + frame + (std::int64_t(height) - frame - gaps) % pitch);
}

std::int32_t frAutoWidth(const TfrTextMeasurer& measurer, const TfrMemoView& memo, const QStringList& text) {
    QStringList lines;
    for (const QString& line : text)
        lines << frStripLineEnd(line);
    // One final line end of the text is not a line of its own.
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    std::int32_t widest = 0;
    for (const QString& line : lines) {
        QString s = line;
        s.remove(frLineEnd);
        widest = std::max(widest, measurer.width(memo.font, s, memo.charSpacing));
    }
    return roundHalfEven(double(widest) + memo.frameWidth + 2.0 * memo.gapX + 1.0);
}
