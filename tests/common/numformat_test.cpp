#include "common/numformat.h"
#include "common/rounding.h"

#include <gtest/gtest.h>
#include <cmath>

TEST(NumFormat, GeneralFormatWithFifteenDigits) {
    EXPECT_EQ(numfmt::formatFloat(0), QString("0"));
    EXPECT_EQ(numfmt::formatFloat(-0.0), QString("0"));
    EXPECT_EQ(numfmt::formatFloat(1.5), QString("1.5"));
    EXPECT_EQ(numfmt::formatFloat(-220.25), QString("-220.25"));
    EXPECT_EQ(numfmt::formatFloat(100), QString("100"));
    EXPECT_EQ(numfmt::formatFloat(0.1 + 0.2), QString("0.3"));
    EXPECT_EQ(numfmt::formatFloat(123456789012345.0), QString("123456789012345"));
    EXPECT_EQ(numfmt::formatFloat(1234567890123456.0), QString("1.23456789012346E15"));
    EXPECT_EQ(numfmt::formatFloat(1e20), QString("1E20"));
    EXPECT_EQ(numfmt::formatFloat(0.0001), QString("0.0001"));
    EXPECT_EQ(numfmt::formatFloat(0.00001), QString("1E-5"));
    EXPECT_EQ(numfmt::formatFloat(0.000015), QString("1.5E-5"));
    EXPECT_EQ(numfmt::formatFloat(1.5e-7), QString("1.5E-7"));
    EXPECT_EQ(numfmt::formatFloat(9.9999999999999999), QString("10"));
    EXPECT_EQ(numfmt::formatFloat(NAN), QString("NAN"));
}

TEST(NumFormat, ParseFloatUsesThePoint) {
    EXPECT_EQ(numfmt::parseFloat(u"1.5"), 1.5);
    EXPECT_EQ(numfmt::parseFloat(u" -2.25e2 "), -225.0);
    EXPECT_EQ(numfmt::parseFloat(u"+.5"), 0.5);
    EXPECT_EQ(numfmt::parseFloat(u"7."), 7.0);
    for (const char16_t* bad : {u"", u"1,5", u".", u"e5", u"1e", u"1.5x", u"0x10", u"inf", u"nan", u"1 2", u"1e999"})
        EXPECT_FALSE(numfmt::parseFloat(bad).has_value()) << QString::fromUtf16(bad).toStdString();
}

TEST(NumFormat, ParseIntIsStrictDecimal) {
    EXPECT_EQ(numfmt::parseInt(u"12"), 12);
    EXPECT_EQ(numfmt::parseInt(u"-2147483648"), INT32_MIN);
    EXPECT_EQ(numfmt::parseInt(u"+2147483647"), INT32_MAX);
    for (const char16_t* bad : {u"", u"-", u"12a", u"2147483648", u"-2147483649", u" 1", u"1.0", u"99999999999999999999"})
        EXPECT_FALSE(numfmt::parseInt(bad).has_value()) << QString::fromUtf16(bad).toStdString();
}

TEST(Rounding, TiesGoToEven) {
    EXPECT_EQ(roundHalfEven(0.5), 0);
    EXPECT_EQ(roundHalfEven(1.5), 2);
    EXPECT_EQ(roundHalfEven(-1.5), -2);
    EXPECT_EQ(roundHalfEven(18.0 * 5 / 18), 5);
    EXPECT_EQ(roundHalfEven(2.4999), 2);
    EXPECT_EQ(roundHalfEven(1e300), INT32_MAX);
    EXPECT_EQ(roundHalfEven(NAN), 0);
}
