// Text layout against a fixed-width measurer (6 pixels a character): line
// breaks, hyphenation, paragraph ends and the heights used for stretching.

#include "report/render/textlayout.h"
#include "report/render/textmeasure.h"

#include <gtest/gtest.h>

namespace {

const QString E = QString(frLineEnd);

QString Q(const char16_t* text) { return QString::fromUtf16(text); }

QStringList wrap(const QString& line, int width, bool wordBreak = false, int charSpacing = 0) {
    TfrFixedMeasurer m(6);
    QStringList out;
    frWrapLine(m, TfrFont(), line, TfrWrapOptions{width, charSpacing, wordBreak}, out);
    return out;
}

} // namespace

TEST(Hyphenation, PointsFollowTheVowelRules) {
    struct Case {
        const char16_t* word;
        std::vector<int> points;
    };
    const Case cases[] = {
        {u"корова", {2, 4}},      // ко-ро-ва
        {u"МОЛОКО", {2, 4}},
        {u"лето", {2}},
        {u"ёлка", {2}},           // Ё is a vowel, ЛК a consonant pair
        {u"подъезд", {}},         // signs never start a syllable
        {u"дом", {}},             // three letters: none
        {u"аура", {2}},           // vowel followed by vowels
        {u"word", {}},            // no Russian vowels
        {u"", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(frHyphenationPoints(QString::fromUtf16(c.word)), c.points) << QString::fromUtf16(c.word).toStdString();
}

TEST(WordWrap, BreaksAsTheRulesSay) {
    struct Case {
        const char16_t* text;
        int width;
        bool wordBreak;
        int charSpacing;
        QStringList lines;
    };
    const Case cases[] = {
        // Fits: one paragraph line with its marker.
        {u"Два слова", 60, false, 0, {Q(u"Два слова") + E}},
        // Breaks at the last blank; the blank is dropped, the paragraph goes on.
        {u"aaa bbb ccc", 42, false, 0, {"aaa bbb", "ccc" + E}},
        // A word longer than the line is cut inside.
        {u"abcdefghij", 24, false, 0, {"abcd", "efgh", "ij" + E}},
        // CR and LF end paragraphs; a final line end adds nothing.
        {u"ab\r\ncd", 100, false, 0, {"ab" + E, "cd" + E}},
        {u"ab\r\n", 100, false, 0, {"ab" + E}},
        {u"ab\n\ncd", 100, false, 0, {"ab" + E, "cd" + E}},
        // Hyphenation at the last point that fits with its hyphen.
        {u"Молоко", 30, true, 0, {Q(u"Моло-"), Q(u"ко") + E}},
        {u"Молоко", 30, false, 0, {Q(u"Молок"), Q(u"о") + E}},
        {u"Пью молоко", 48, true, 0, {Q(u"Пью мо-"), Q(u"локо") + E}},
        {u"Пью молоко", 48, false, 0, {Q(u"Пью"), Q(u"молоко") + E}},
        // Character spacing counts after every character.
        {u"abcd", 30, false, 2, {"abc", "d" + E}},
        // Empty and one-character lines are never wrapped.
        {u"", 0, false, 0, {E}},
        {u"W", 1, false, 0, {"W" + E}},
        // A character wider than the whole line still takes a line of its own.
        {u"ab", 3, false, 0, {"a", "b" + E}},
        // Blanks at a break: the line before keeps the blanks but the last.
        {u"a  bbbbbbbbbb", 30, false, 0, {"a ", "bbbbb", "bbbbb" + E}},
        // A blank that starts the line is no break: the long word after it is
        // cut inside, there is no empty line.
        {u" abcdefghij", 24, false, 0, {" abc", "defg", "hij" + E}},
        {u"ab  cdefghijkl", 24, false, 0, {"ab ", "cdef", "ghij", "kl" + E}},
    };
    for (const Case& c : cases) {
        const QString text = QString::fromUtf16(c.text);
        EXPECT_EQ(wrap(text, c.width, c.wordBreak, c.charSpacing), c.lines)
            << text.toStdString() << " in " << c.width;
    }
}

TEST(WordWrap, NoLineIsWiderThanTheWidth) {
    TfrFixedMeasurer m(6);
    const QString text = QStringLiteral("Съешь же ещё этих мягких французских булок, да выпей чаю. "
                                        "Широкая электрификация южных губерний даст мощный толчок подъёму сельского хозяйства.");
    for (int width : {6, 13, 40, 77, 100, 250})
        for (bool wordBreak : {false, true}) {
            const QStringList lines = wrap(text, width, wordBreak);
            QString joined;
            for (const QString& line : lines) {
                EXPECT_LE(m.width(TfrFont(), frStripLineEnd(line)), std::max(width, 6)) << line.toStdString();
                joined += frStripLineEnd(line);
            }
            // Nothing is lost but the blanks at breaks and the hyphens added.
            QString expected = text;
            expected.remove(u' ');
            joined.remove(u' ');
            if (!wordBreak) {
                EXPECT_EQ(joined, expected) << width;
            }
            EXPECT_TRUE(lines.last().endsWith(frLineEnd));
        }
}

TEST(MemoLayout, HeightsOfLaidOutText) {
    TfrFixedMeasurer m(6);
    TfrMemoView memo;
    memo.setBounds(0, 0, 100, 50); // wrap width 100 - 2 * 2 = 96: 16 characters
    // Arial 10: 13 pixels, pitch 15; the gaps above and below: 1 each.
    TfrTextLayout l = frLayoutMemo(m, memo, {QStringLiteral("one two")});
    EXPECT_EQ(l.lines, QStringList{"one two" + E});
    EXPECT_EQ(l.pitch, 15);
    EXPECT_EQ(l.textHeight, 17);

    l = frLayoutMemo(m, memo, {QStringLiteral("sixteen letters!"), QStringLiteral("seventeen letters")});
    EXPECT_EQ(l.lines, (QStringList{"sixteen letters!" + E, "seventeen", "letters" + E}));
    EXPECT_EQ(l.textHeight, 3 * 15 + 2);

    // Text laid out already is kept line for line.
    const QStringList laidOut{"seventeen letters" + E, QString("x")};
    EXPECT_EQ(frLayoutMemo(m, memo, laidOut).lines, laidOut);

    // Without WordWrap every line is a paragraph, however long.
    memo.setFlag(frflags::WordWrap, false);
    EXPECT_EQ(frLayoutMemo(m, memo, {QStringLiteral("seventeen letters")}).lines,
              QStringList{"seventeen letters" + E});

    // A thick frame widens the gaps: width 3 adds R(1.5) = 2 to GapX, 1 to GapY.
    memo.setFlag(frflags::WordWrap, true);
    memo.frameWidth = 3;
    l = frLayoutMemo(m, memo, {QStringLiteral("sixteen letters!")});
    EXPECT_EQ(l.lines.size(), 2);
    EXPECT_EQ(l.textHeight, 2 * 15 + 2 * 2);

    // Vertical text wraps to the height (50 - 2 = 48: eight characters).
    memo.frameWidth = 1;
    memo.alignment = frtaVertical;
    l = frLayoutMemo(m, memo, {QStringLiteral("eight ch nine")});
    EXPECT_EQ(l.lines, (QStringList{"eight ch", "nine" + E}));
    EXPECT_EQ(l.textHeight, 2 * 15 + 2 * 2); // the gap across is GapX
}

TEST(MemoLayout, DesignerKeepsAWideBracketLineWhole) {
    TfrFixedMeasurer m(6);
    TfrMemoView memo;
    memo.setBounds(0, 0, 40, 20);
    const QStringList text{QStringLiteral("[Long expression here]")};
    EXPECT_EQ(frLayoutMemo(m, memo, memo.font, frBoxOf(memo), text, true).lines, QStringList{text[0] + E});
    EXPECT_GT(frLayoutMemo(m, memo, memo.font, frBoxOf(memo), text, false).lines.size(), 1);
}

TEST(MemoLayout, MinimumAndRemainingHeight) {
    TfrMemoView memo; // frame 1, GapY 1, pitch 15
    EXPECT_EQ(frMemoMinHeight(memo), 2 + 2 + 15);
    // Usable height an exact multiple of the pitch: frame and gaps only.
    EXPECT_EQ(frMemoRemainHeight(memo, 4 + 3 * 15), 4);
    EXPECT_EQ(frMemoRemainHeight(memo, 4 + 3 * 15 + 7), 11);
    memo.frameWidth = 2.5f; // R(5) = 5
    EXPECT_EQ(frMemoRemainHeight(memo, 7 + 2 * 15), 7);
    // A line spacing that would make the pitch vanish still gives whole lines.
    memo.lineSpacing = -100;
    EXPECT_EQ(frMemoMinHeight(memo), 5 + 2 + 1);
    EXPECT_EQ(frMemoRemainHeight(memo, 40), 7);
}

TEST(MemoLayout, AutoWidthFitsTheWidestLine) {
    TfrFixedMeasurer m(6);
    TfrMemoView memo;
    // Widest line 5 characters: 30 + frame 1 + gaps 4 + 1.
    EXPECT_EQ(frAutoWidth(m, memo, {"ab" + E, "abcde" + E, QString()}), 36);
    memo.charSpacing = 1;
    EXPECT_EQ(frAutoWidth(m, memo, {"abcde" + E}), 41);
}

TEST(FontPixels, DesignSizeRoundsScaledSizeTruncates) {
    EXPECT_EQ(frFontPixelHeight(10), 13);  // 13.33
    EXPECT_EQ(frFontPixelHeight(8), 11);   // 10.67
    EXPECT_EQ(frFontPixelHeight(10, 2.0), 26);
    EXPECT_EQ(frFontPixelHeight(9, 2.0), 24);
    EXPECT_EQ(frFontPixelHeight(9, 0.5), 6);  // 6.0
    EXPECT_EQ(frFontPixelHeight(10, 0.7), 9); // 9.33
    // Damaged sizes stay within bounds.
    EXPECT_EQ(frFontPixelHeight(-5), 1);
    EXPECT_EQ(frFontPixelHeight(2000000000), 2000);
}
