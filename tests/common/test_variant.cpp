#include "common/exception.h"
#include "common/variant.h"

#include <gtest/gtest.h>

using K = TVariant::Kind;

TEST(Variant, TextOfEachKind) {
    EXPECT_EQ(TVariant().toString(), QString());
    EXPECT_EQ(TVariant::null().toString(), QString());
    EXPECT_EQ(TVariant(true).toString(), QString("True"));
    EXPECT_EQ(TVariant(false).toString(), QString("False"));
    EXPECT_EQ(TVariant(std::uint8_t(200)).toString(), QString("200"));
    EXPECT_EQ(TVariant(-17).toString(), QString("-17"));
    EXPECT_EQ(TVariant(1.5).toString(), QString("1.5"));
    EXPECT_EQ(TVariant(1.0 / 3).toString(), QString("0.333333333333333"));
    EXPECT_EQ(TVariant::dateTime(2.75).toString(), QString("01.01.1900 18:00:00"));
    EXPECT_EQ(TVariant::dateTime(45000).toString(), QString("15.03.2023"));
}

TEST(Variant, PlusConcatenatesStringsAndAddsNumbers) {
    EXPECT_EQ((TVariant(u"12") + TVariant(u"3")).toString(), QString("123"));
    const TVariant sum = TVariant(u"12") + TVariant(3);
    EXPECT_TRUE(sum.isNumeric());
    EXPECT_DOUBLE_EQ(sum.toDouble(), 15);
    const TVariant mixed = TVariant(2) + TVariant(u"0.5");
    EXPECT_EQ(mixed.kind(), K::Double);
    EXPECT_DOUBLE_EQ(mixed.toDouble(), 2.5);
    EXPECT_THROW(TVariant(u"abc") + TVariant(1), Exception);
    EXPECT_TRUE((TVariant::null() + TVariant(1)).isNull());
    // Integer overflow widens to a double instead of wrapping.
    const TVariant big = TVariant(2147483647) + TVariant(1);
    EXPECT_EQ(big.kind(), K::Double);
    EXPECT_DOUBLE_EQ(big.toDouble(), 2147483648.0);
    // A date plus days stays a date.
    EXPECT_EQ((TVariant::dateTime(1.0) + TVariant(1)).kind(), K::DateTime);
}

TEST(Variant, DoubleToIntegerRoundsTiesToEven) {
    EXPECT_EQ(TVariant(2.5).toInt(), 2);
    EXPECT_EQ(TVariant(3.5).toInt(), 4);
    EXPECT_EQ(TVariant(-2.5).toInt(), -2);
    EXPECT_EQ(TVariant(2.6).toInt(), 3);
    EXPECT_EQ(TVariant(u"4.5").toInt(), 4);
    EXPECT_EQ(TVariant(u"-12").toInt(), -12);
    EXPECT_THROW(TVariant(1e12).toInt(), Exception);
    EXPECT_THROW(TVariant(u"1,5").toDouble(), Exception);
}

TEST(Variant, NullAndEmptyRules) {
    EXPECT_TRUE(TVariant::null() == TVariant::null());
    EXPECT_FALSE(TVariant::null() == TVariant());
    EXPECT_FALSE(TVariant::null() == TVariant(u""));
    EXPECT_FALSE(TVariant(0) == TVariant::null());
    EXPECT_TRUE(TVariant() == TVariant(u""));
    EXPECT_TRUE(TVariant(3) == TVariant(3.0));
    EXPECT_TRUE(TVariant(u"3") == TVariant(3));
    EXPECT_FALSE(TVariant(u"abc") == TVariant(u"ABC"));
    EXPECT_THROW(TVariant::null().toInt(), Exception);
}

TEST(Variant, BooleanConversions) {
    EXPECT_TRUE(TVariant(u"TRUE").toBool());
    EXPECT_FALSE(TVariant(u"false").toBool());
    EXPECT_TRUE(TVariant(u"2").toBool());
    EXPECT_FALSE(TVariant(0.0).toBool());
    EXPECT_EQ(TVariant(true).toInt(), -1);
    EXPECT_THROW(TVariant(u"maybe").toBool(), Exception);
}
