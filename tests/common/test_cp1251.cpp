#include "common/cp1251.h"

#include <QSet>
#include <gtest/gtest.h>

TEST(Cp1251, EveryByteSurvivesDecodeAndEncode) {
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(static_cast<char>(b));
    const QString text = cp1251::decode(all);
    ASSERT_EQ(text.size(), 256);
    EXPECT_EQ(cp1251::encode(text), all);

    // The mapping is a bijection: 256 distinct characters.
    QSet<QChar> seen;
    for (QChar c : text)
        seen.insert(c);
    EXPECT_EQ(seen.size(), 256);
}

TEST(Cp1251, KnownCharacters) {
    EXPECT_EQ(cp1251::toChar(0x95), QChar(0x2022));
    EXPECT_EQ(cp1251::toChar(0x98), QChar(0x0098));
    EXPECT_EQ(cp1251::toChar(0xA8), QChar(0x0401)); // Ё
    EXPECT_EQ(cp1251::toChar(0xB8), QChar(0x0451)); // ё
    EXPECT_EQ(cp1251::toChar(0xB9), QChar(0x2116)); // №
    EXPECT_EQ(cp1251::toChar(0xC0), QChar(0x0410)); // А
    EXPECT_EQ(cp1251::toChar(0xFF), QChar(0x044F)); // я
    EXPECT_EQ(cp1251::toChar(0x88), QChar(0x20AC)); // €
    EXPECT_EQ(cp1251::encode(u"Подстанция №1"), QByteArray("\xCF\xEE\xE4\xF1\xF2\xE0\xED\xF6\xE8\xFF \xB9" "1"));
}

TEST(Cp1251, CharactersOutsideThePageBecomeQuestionMarks) {
    EXPECT_FALSE(cp1251::isRepresentable(QChar(0x4E2D)));
    EXPECT_FALSE(cp1251::isRepresentable(QChar(0x0099)));
    EXPECT_TRUE(cp1251::isRepresentable(QChar(0)));
    EXPECT_EQ(cp1251::encode(QString(QChar(0x4E2D)) + QStringLiteral("x")), QByteArray("?x"));
}

TEST(Cp1251, LetterCase) {
    EXPECT_EQ(cp1251::toUpper(u"абвгдеёжзийклмнопрстуфхцчшщъыьэюя"), QStringLiteral("АБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ"));
    EXPECT_EQ(cp1251::toLower(u"ЁЛКА Tree"), QStringLiteral("ёлка tree"));
    EXPECT_EQ(cp1251::toUpper(u"ўіїєґђ"), QStringLiteral("ЎІЇЄҐЂ"));
    // Characters without a case partner inside the page stay as they are.
    EXPECT_EQ(cp1251::toUpper(u"µ№•1"), QStringLiteral("µ№•1"));
    EXPECT_EQ(cp1251::toLower(QString(QChar(0x0098))), QString(QChar(0x0098)));
}
