#pragma once

#include "report/render/geometry.h"
#include "report/model/objects.h"

#include <QString>
#include <QStringList>
#include <vector>

class TfrTextMeasurer;

// The character ending the last line of a paragraph in laid-out text (a hard
// line end); a line without it was broken by word wrap. Text holding it
// anywhere is laid out already and is never wrapped again.
inline constexpr QChar frLineEnd = QChar(u'\x01');

// Whether a text is laid out already (holds a line-end marker).
bool frIsLaidOut(const QStringList& text);
// A line without its trailing marker; `paragraphEnd` tells whether it had one.
QString frStripLineEnd(const QString& line, bool* paragraphEnd = nullptr);

// Where a Russian word may be hyphenated: the 1-based positions p after which
// a hyphen may stand, ascending. Vowels are А Е Ё И О У Ы Э Ю Я, signs Ъ and
// Ь (either case); words of up to three letters have none. A hyphen may follow
// letter p (2 <= p <= length - 2) when p is a vowel and one of the next two
// letters is one, or when p is no vowel, the next letter neither a vowel nor a
// sign, and the one after it a vowel.
std::vector<int> frHyphenationPoints(const QString& word);

// How one line is wrapped: the width available, the character spacing and
// whether Russian words may be hyphenated.
struct TfrWrapOptions {
    std::int32_t width = 0;
    std::int32_t charSpacing = 0;
    bool wordBreak = false;
};

// Word-wraps one line into `out`. A line that fits (or holds at most one
// character) is output whole; otherwise it breaks at the last blank before the
// first character that does not fit (the blank is dropped), or, with
// hyphenation, at the last hyphenation point of that word that still fits
// with its hyphen; a word longer than the width is cut inside. CR and LF end a
// paragraph. Paragraph ends carry the line-end marker, wrapped lines do not.
// A line never exceeds the width unless one character alone does.
void frWrapLine(const TfrTextMeasurer& measurer, const TfrFont& font, const QString& line,
                const TfrWrapOptions& options, QStringList& out);

// Line pitch: line spacing plus the font's pixel height, at least one pixel.
std::int32_t frLinePitch(std::int32_t lineSpacing, std::int32_t fontPixelHeight);

// A memo's text laid out at design size.
struct TfrTextLayout {
    QStringList lines;       // laid-out lines, markers kept
    std::int32_t textHeight = 0; // lines times pitch plus the gap above and below
    std::int32_t pitch = 0;
};

// Lays out a memo's working text at scale 1 in `box` with `font` (the memo's
// own, or its highlight font): text laid out already is kept as it is; with
// WordWrap every line is wrapped to the box width less the gaps, else every
// line becomes one paragraph. Vertical text wraps to the box height. In the
// designer a single line starting with "[" that is wider than the box stays
// whole.
TfrTextLayout frLayoutMemo(const TfrTextMeasurer& measurer, const TfrMemoView& memo, const TfrFont& font,
                           const TfrBox& box, const QStringList& text, bool designer = false);
TfrTextLayout frLayoutMemo(const TfrTextMeasurer& measurer, const TfrMemoView& memo, const QStringList& text);

// Height worth printing of a memo: the frame, both gaps and one line.
std::int32_t frMemoMinHeight(const TfrMemoView& memo);
// What is left over when `height` is filled with whole lines, plus frame and gaps.
std::int32_t frMemoRemainHeight(const TfrMemoView& memo, std::int32_t height);

// The width a memo with AutoWidth takes for its laid-out text: the widest line
// (markers and one final CR LF removed) plus frame, gaps and one pixel.
std::int32_t frAutoWidth(const TfrTextMeasurer& measurer, const TfrMemoView& memo, const QStringList& text);
