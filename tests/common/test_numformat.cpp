#include "common/numformat.h"
#include "common/rounding.h"

#include <gtest/gtest.h>
#include <cmath>
#include <cstdio>

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

TEST(NumFormat, GeneralFormatAgreesWithPrintfOverManyMagnitudes) {
    // The C library's "%.15g" follows the same rule (fixed notation for
    // exponents -4 to 14, trailing zeros dropped); only its exponent is
    // written differently ("1.5e-05" for "1.5E-5").
    auto reference = [](double v) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.15g", v);
        QString s = QString::fromLatin1(buf);
        const qsizetype e = s.indexOf(u'e');
        if (e >= 0)
            s = s.left(e) + u'E' + QString::number(s.mid(e + 1).toInt());
        return s;
    };
    std::uint64_t state = 12345;
    for (int i = 0; i < 200000; ++i) {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        const double mantissa = double(state >> 11) / double(1ull << 53);
        const int exponent = int((state >> 3) % 60) - 30;
        double v = (mantissa + 0.5) * std::pow(10.0, exponent) * ((state & 1) ? -1 : 1);
        if (i % 7 == 0)
            v = std::round(v * 1000) / 1000; // short decimals, ties of the last digit
        if (v == 0)
            continue; // "0" here, "-0" there
        ASSERT_EQ(numfmt::formatFloat(v), reference(v)) << v;
        char buf[numfmt::FloatChars];
        ASSERT_EQ(QString::fromLatin1(buf, numfmt::formatFloat(v, buf)), reference(v));
    }
}
