#include "common/exception.h"
#include "report/expr/formats.h"
#include "report/model/constants.h"

#include <QDate>
#include <gtest/gtest.h>

namespace {

double day(int y, int m, int d) { return double(QDate(1899, 12, 30).daysTo(QDate(y, m, d))); }
double at(int y, int m, int d, int h, int n, int s) { return day(y, m, d) + (h * 3600 + n * 60 + s) / 86400.0; }

} // namespace

TEST(NumberPatterns, Table) {
    struct Case {
        const char16_t* pattern;
        double value;
        const char16_t* expected;
    } cases[] = {
        {u"0.00", 1234.5, u"1234.50"},
        {u"#,##0.00", 1234567.891, u"1 234 567.89"},
        {u"#,##0", -1234.5, u"-1 235"},
        {u"##0.#", 1234.0, u"1234"},
        {u"##0.#", 1234.56, u"1234.6"},
        {u"##0.", 1234.5, u"1235"},
        {u"000", 7, u"007"},
        {u"#", 0, u""},
        {u"0", 0, u"0"},
        {u"0.0", -0.04, u"0.0"},
        {u"0.00;(0.00)", -5.5, u"(5.50)"},
        {u"0.00;(0.00);'ноль'", 0, u"ноль"},
        {u"0.00;;'ноль'", -1, u"-1.00"},
        {u"'Итого: '0.00' руб.'", 12.345, u"Итого: 12.35 руб."},
        {u"\"$\"#,##0", 1000, u"$1 000"},
        {u"0.00E+00", 1234.5, u"1.23E+03"},
        {u"0.0E-0", 0.00012, u"1.2E-4"},
        {u"0.###", 2.5, u"2.5"},
        {u"0.000", 2.0005, u"2.001"},
        {u".00", 12.5, u"12.50"},
        {u"#,##0.00", 0.125, u"0.13"},
        {u"0", 1e20, u"100000000000000000000"},
        {u"0.00", 123456789012345678.0, u"123456789012346000.00"},
        {u"#,##0", 999.5, u"1 000"},
        {u"0.00", -0.001, u"0.00"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(frformats::formatNumber(QString::fromUtf16(c.pattern), c.value), QString::fromUtf16(c.expected))
            << QString::fromUtf16(c.pattern).toStdString() << " " << c.value;
    EXPECT_EQ(frformats::formatNumber(QStringLiteral("#,##0.00"), 1234.5, u','), "1 234,50");
    EXPECT_EQ(frformats::formatNumber(QStringLiteral("0"), 1e300).size(), 301);
}

TEST(NumberPatterns, FixedAndNumberNotation) {
    struct Case {
        double value;
        int decimals;
        bool grouping;
        const char16_t* expected;
    } cases[] = {
        {1234.5, 2, false, u"1234,50"},  {1234.5, 2, true, u"1 234,50"}, {-0.005, 2, false, u"-0,01"},
        {2.5, 0, false, u"3"},           {1e15, 2, false, u"1E15"},      {0.1 + 0.2, 3, false, u"0,300"},
        {-1234567.4, 1, true, u"-1 234 567,4"}, {0, 3, true, u"0,000"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(frformats::formatFixed(c.value, c.decimals, c.grouping, u','), QString::fromUtf16(c.expected))
            << c.value;
}

TEST(DateTimePatterns, Table) {
    const double t = at(1998, 11, 5, 14, 3, 9); // a Thursday
    struct Case {
        const char16_t* pattern;
        const char16_t* expected;
    } cases[] = {
        {u"dd.mm.yy", u"05.11.98"},
        {u"dd.mm.yyyy", u"05.11.1998"},
        {u"d mmm yyyy", u"5 ноя 1998"},
        {u"mmmm", u"Ноябрь"},
        {u"ddd dddd", u"Чт четверг"},
        {u"hh:nn:ss", u"14:03:09"},
        {u"h:n:s", u"14:3:9"},
        {u"h:nn am/pm", u"2:03 pm"},
        {u"dd/mm/yyyy", u"05.11.1998"},
        {u"'Дата:' d \"года\"", u"Дата: 5 года"},
        {u"ddddd", u"05.11.1998"},
        {u"dddddd", u"5 ноября 1998"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(frformats::formatDateTime(QString::fromUtf16(c.pattern), t), QString::fromUtf16(c.expected))
            << QString::fromUtf16(c.pattern).toStdString();
    const char16_t* months[] = {u"янв", u"фев", u"мар", u"апр", u"май", u"июн",
                                u"июл", u"авг", u"сен", u"окт", u"ноя", u"дек"};
    for (int m = 1; m <= 12; ++m)
        EXPECT_EQ(frformats::formatDateTime(QStringLiteral("mmm"), day(2020, m, 1)), QString::fromUtf16(months[m - 1]));
    EXPECT_THROW(frformats::formatDateTime(QStringLiteral("d"), 1e300), Exception);
}

TEST(DisplayFormats, EveryCategory) {
    using namespace frformat;
    const double t = at(1998, 11, 5, 2, 43, 35);
    struct Case {
        TVariant value;
        std::uint32_t format;
        const char16_t* text;
        const char16_t* expected;
    } cases[] = {
        {TVariant(2.0), make(fmtText, 0, 2, u','), u"", u"2"},
        {TVariant(2.0), make(fmtNumber, 1, 2, u','), u"", u"2,00"},
        {TVariant(1234.5), make(fmtNumber, 0, 1, u','), u"", u"1234,5"},
        {TVariant(1234.5), make(fmtNumber, 1, 2, u','), u"", u"1234,50"},
        {TVariant(1234.5), make(fmtNumber, 2, 1, u','), u"", u"1 234,5"},
        {TVariant(1234.5), make(fmtNumber, 3, 2, u','), u"", u"1 234,50"},
        {TVariant(1234.5), make(fmtNumber, 4, 0, u'.'), u"#,##0.00", u"1 234.50"},
        {TVariant(QStringLiteral("12.5")), make(fmtNumber, 1, 1, u'.'), u"", u"12.5"},
        {TVariant(QStringLiteral("abc")), make(fmtNumber, 1, 1, u'.'), u"", u"abc"},
        {TVariant::dateTime(t), make(fmtDate, 0, 0, 0), u"", u"05.11.98"},
        {TVariant::dateTime(t), make(fmtDate, 1, 0, 0), u"", u"05.11.1998"},
        {TVariant::dateTime(t), make(fmtDate, 2, 0, 0), u"", u"5 ноя 1998"},
        {TVariant::dateTime(t), make(fmtDate, 3, 0, 0), u"", u"5 ноября 1998"},
        {TVariant::dateTime(t), make(fmtDate, 4, 0, 0), u"yyyy-mm", u"1998-11"},
        {TVariant(QStringLiteral("05.11.1998")), make(fmtDate, 2, 0, 0), u"", u"5 ноя 1998"},
        {TVariant::dateTime(t), make(fmtTime, 0, 0, 0), u"", u"02:43:35"},
        {TVariant::dateTime(t), make(fmtTime, 1, 0, 0), u"", u"2:43:35"},
        {TVariant::dateTime(t), make(fmtTime, 2, 0, 0), u"", u"02:43"},
        {TVariant::dateTime(t), make(fmtTime, 3, 0, 0), u"", u"2:43"},
        {TVariant(true), make(fmtBoolean, 1, 0, 0), u"", u"Да"},
        {TVariant(std::int32_t(0)), make(fmtBoolean, 0, 0, 0), u"", u"0"},
        {TVariant(std::int32_t(5)), make(fmtBoolean, 2, 0, 0), u"", u"x"},
        {TVariant(false), make(fmtBoolean, 3, 0, 0), u"", u"False"},
        {TVariant(std::int32_t(1)), make(fmtBoolean, 4, 0, 0), u"нет;есть", u"есть"},
        {TVariant(QStringLiteral("abc")), make(fmtBoolean, 1, 0, 0), u"", u"abc"},
        {TVariant::null(), make(fmtNumber, 1, 2, u','), u"", u""},
        {TVariant(), make(fmtDate, 1, 0, 0), u"", u""},
        {TVariant(QStringLiteral("   ")), make(fmtText, 0, 0, 0), u"", u""},
        {TVariant(1e300), make(fmtDate, 1, 0, 0), u"", u"1E300"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(frformats::formatValue(c.value, c.format, QString::fromUtf16(c.text)), QString::fromUtf16(c.expected))
            << std::hex << c.format << " " << c.value.toString().toStdString();
    EXPECT_EQ(frformats::categoryNames(), QStringList({"Текст", "Число", "Дата", "Время", "Логическая"}));
    EXPECT_EQ(frformats::typeName(2, 3), "5 ноября 1998");
}

TEST(EditMasks, FormatText) {
    struct Case {
        const char16_t* mask;
        const char16_t* text;
        const char16_t* expected;
    } cases[] = {
        {u"(00) 00", u"1234", u"(12) 34"},
        {u"00-00", u"12345", u"12-345"},
        {u"00-00", u"1", u"1 -  "},
        {u"!00-00", u"123", u" 1-23"},
        {u"!00-00", u"X12345", u"X123-45"},
        {u"\\(000\\)", u"12", u"(12 )"},
        {u"00/00", u"0511", u"05.11"},
        {u">LL<ll", u"abcd", u"abcd"},
        {u"", u"abc", u"abc"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(frformats::formatMaskText(QString::fromUtf16(c.mask), QString::fromUtf16(c.text)),
                  QString::fromUtf16(c.expected))
            << QString::fromUtf16(c.mask).toStdString();
}
