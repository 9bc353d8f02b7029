#include "selection/filterrows.h"
#include "selection/mask.h"

#include <gtest/gtest.h>

namespace {
bool m(const QString& text, const QString& mask) {
    const bool direct = MatchesMask(text, mask);
    // The compiled form must agree with the plain function.
    EXPECT_EQ(TCompiledMask(mask).matches(text), direct) << text.toStdString() << " / " << mask.toStdString();
    return direct;
}
} // namespace

TEST(MatchesMask, StarAndEmptyMasks) {
    EXPECT_TRUE(m("", "*"));
    EXPECT_TRUE(m("anything", "*"));
    EXPECT_TRUE(m("anything", "***"));
    EXPECT_TRUE(m("", ""));
    EXPECT_FALSE(m("a", ""));
    EXPECT_FALSE(m("", "a*"));
    EXPECT_FALSE(m("", "?"));
}

TEST(MatchesMask, ExamplesOfTheFilter) {
    EXPECT_TRUE(m("abc", "A*"));
    EXPECT_TRUE(m("ABC", "A*"));
    EXPECT_FALSE(m("bac", "A*"));
    EXPECT_TRUE(m("AB", "AB?*"));   // leftover mask accepted when it ends with "*"
    EXPECT_FALSE(m("AB", "AB?"));
    EXPECT_TRUE(m("AB", "*B"));
    EXPECT_TRUE(m("ABXC", "A*C"));
    EXPECT_TRUE(m("AXBYC", "A*B*C"));
    EXPECT_FALSE(m("AC", "A*B"));
    EXPECT_TRUE(m("1,5", "1,*"));
    EXPECT_TRUE(m("abc", "a?c"));
    EXPECT_FALSE(m("abcd", "a?c"));
    EXPECT_TRUE(m("A**B", "A**B")); // equal texts before anything else
}

TEST(MatchesMask, QuirksOfTheAlgorithm) {
    // The tail after the last "*" is compared with the end of the whole text,
    // even where it overlaps characters already matched.
    EXPECT_TRUE(m("AB", "A*AB"));
    EXPECT_FALSE(m("A", "A*A"));
    // Once the text is used up, leftover mask characters fail unless the mask ends with "*".
    EXPECT_FALSE(m("AB", "AB*B"));
    EXPECT_TRUE(m("ABA", "A*A"));
    // A "*" in the mask equal to a "*" in the text is an ordinary character.
    EXPECT_TRUE(m("A*C", "A*C"));
    // A part between two stars is found at its first occurrence only.
    EXPECT_TRUE(m("XAYAZ", "*A*Z"));
    EXPECT_FALSE(m("XAB", "*A*C"));
    EXPECT_TRUE(m("XAB", "*A?*"));
    EXPECT_TRUE(m("abcbxd", "*b?d"));
    EXPECT_FALSE(m("abcabd", "*b?d"));
}

TEST(MatchesMask, CodePageLettersIgnoreCase) {
    EXPECT_TRUE(m("подстанция", "ПОД*"));
    EXPECT_TRUE(m("ПОДСТАНЦИЯ", "под*ция"));
    EXPECT_TRUE(m("ёлка", "Ё*"));
    EXPECT_FALSE(m("подстанция", "ПОТ*"));
    EXPECT_TRUE(m("Ячейка №5", "*№?"));
}

TEST(DelimitedField, FieldsCountFromTheTextBeforeTheFirstSeparator) {
    const QString t = QStringLiteral("•a•b••c");
    const QChar sep(u'•');
    EXPECT_EQ(delimitedField(t, sep, 1), QStringView());
    EXPECT_EQ(delimitedField(t, sep, 2), QStringLiteral("a"));
    EXPECT_EQ(delimitedField(t, sep, 3), QStringLiteral("b"));
    EXPECT_EQ(delimitedField(t, sep, 4), QString());
    EXPECT_EQ(delimitedField(t, sep, 5), QStringLiteral("c"));
    EXPECT_EQ(delimitedField(t, sep, 6), QString());
    EXPECT_EQ(trimBlanks(QStringLiteral(" \t x y\r\n")), QStringLiteral("x y"));
    EXPECT_EQ(trimBlanksRight(QStringLiteral(" x \x01")), QStringLiteral(" x"));
}

TEST(FilterRows, MasksAreReadByPosition) {
    TFilterRows rows;
    rows.add(QStringLiteral("Номер="));
    rows.add(QStringLiteral("Имя= A* "));
    rows.add(QStringLiteral("a=b=c"));    // a label holding "=": part of it is read as the mask
    rows.add(QStringLiteral("Тип=x=y"));  // up to a second "="
    EXPECT_EQ(rows.mask(0), QStringLiteral("*"));
    EXPECT_EQ(rows.mask(1), QStringLiteral("A*"));
    EXPECT_EQ(rows.mask(2), QStringLiteral("b"));
    EXPECT_EQ(rows.mask(3), QStringLiteral("x"));
    EXPECT_EQ(rows.mask(4), QStringLiteral("*"));
    rows.setValue(0, QStringLiteral("12?"));
    EXPECT_EQ(rows.row(0), QStringLiteral("Номер=12?"));
    EXPECT_EQ(rows.key(2), QStringLiteral("a"));
    EXPECT_EQ(rows.value(2), QStringLiteral("b=c"));
    rows.clear();
    EXPECT_EQ(rows.count(), 0);
}
