// Charts: the stored settings, what a chart collects from printed memos, how
// its memo becomes series, and its drawing, read back pixel by pixel.

#include "common/binio.h"
#include "report/addins/chartdata.h"
#include "report/addins/chartdraw.h"
#include "chartpixels.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

namespace {

QByteArray written(const TfrChartSettings& s) {
    QByteArray bytes;
    TBinaryWriter out(bytes);
    frWriteChartSettings(out, s);
    return bytes;
}

TfrChartSettings readBack(const QByteArray& bytes, int version = 25) {
    TBinaryReader in(bytes);
    TfrChartSettings s = frReadChartSettings(in, version);
    EXPECT_TRUE(in.atEnd());
    return s;
}

TfrChartSettings someSettings() {
    TfrChartSettings s;
    s.kind = TfrChartKind::HorizontalBars;
    s.view3d = false;
    s.singleSeries = false;
    s.legend = false;
    s.axes = true;
    s.marks = false;
    s.multicolored = false;
    s.markStyle = TfrChartMarkStyle::CaptionValue;
    s.topCount = -7;
    s.reserved[0] = 0xAB;
    s.reserved[35] = 0xCD;
    s.captionObject = QStringLiteral("Имя");
    s.valueObject = QStringLiteral("Sum");
    s.restCaption = QStringLiteral("Прочие");
    return s;
}

} // namespace

TEST(ChartSettings, BlockLayout) {
    const QByteArray b = written(someSettings());
    ASSERT_EQ(b.size(), 8 + 4 + 36 + (2 + 3 + 1) + (2 + 3 + 1) + (2 + 6 + 1));
    EXPECT_EQ(b.left(8), QByteArray("\4\0\0\0\1\0\0\4", 8));
    EXPECT_EQ(b.mid(8, 4), QByteArray("\xF9\xFF\xFF\xFF", 4));
    EXPECT_EQ(std::uint8_t(b[12]), 0xAB);
    EXPECT_EQ(std::uint8_t(b[47]), 0xCD);
    EXPECT_EQ(b.mid(48, 6), QByteArray("\3\0\xC8\xEC\xFF\0", 6)); // "Имя" in code page 1251
    EXPECT_EQ(readBack(b), someSettings());
    EXPECT_EQ(readBack(written(TfrChartSettings{})), TfrChartSettings{});
    EXPECT_EQ(written(TfrChartSettings{}).left(12), QByteArray("\0\1\1\1\0\1\1\0\0\0\0\0", 12));
}

TEST(ChartSettings, UnknownKindAndMarkStyleAreWrittenBackAsRead) {
    QByteArray b = written(TfrChartSettings{});
    b[0] = char(9);
    b[7] = char(200);
    EXPECT_EQ(written(readBack(b)), b);
}

TEST(ChartSettings, OlderStreamsHoldZeroEndedNames) {
    QByteArray b = written(TfrChartSettings{}).left(48);
    b += QByteArray("Name\0Sum\0\0", 10);
    const TfrChartSettings s = readBack(b, 22);
    EXPECT_EQ(s.captionObject, "Name");
    EXPECT_EQ(s.valueObject, "Sum");
    EXPECT_EQ(s.restCaption, "");
}

TEST(ChartSettings, EveryCutBlockIsRefused) {
    const QByteArray b = written(someSettings());
    for (qsizetype n = 0; n < b.size(); ++n) {
        TBinaryReader in(QByteArrayView(b).first(n));
        EXPECT_THROW(frReadChartSettings(in, 25), EFormatError) << n;
    }
}

TEST(ChartSettings, NameTooLongForTheStreamIsRefused) {
    TfrChartSettings s;
    s.restCaption = QString(70000, u'x');
    EXPECT_THROW(written(s), Exception);
}

TEST(ChartData, NumberOfCollectedText) {
    const struct {
        const char16_t* text;
        double value;
    } cases[] = {
        {u"руб. 1234.5 коп.", 1234.5}, // words around the number
        {u"нет данных", 0},
        {u"", 0},
        {u"-", 0},
        {u"  7 ", 7},
        {u"1 234 567.25", 1234567.25}, // thousands separators
        {u"итого: -3 шт", -3},
        {u"5%", 5},
        {u"1e5", 100000},
        {u"1,5", 0}, // "," is no decimal separator
        {u"12-34", 0},
        {u"1e999", 0}, // no finite number
        {u"--5", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(frChartNumber(QStringView(c.text)), c.value) << QString::fromUtf16(c.text).toStdString();
}

TEST(ChartData, EntriesOfALine) {
    EXPECT_EQ(frChartEntries(u"a;b;"), QStringList({"a", "b"}));
    EXPECT_EQ(frChartEntries(u"a;b"), QStringList({"a", "b"}));
    EXPECT_EQ(frChartEntries(u"a;;b;"), QStringList({"a", "", "b"}));
    EXPECT_EQ(frChartEntries(u";"), QStringList({""}));
    EXPECT_EQ(frChartEntries(u""), QStringList());
}

namespace {

TfrChartSettings collecting(bool single) {
    TfrChartSettings s;
    s.singleSeries = single;
    s.captionObject = "Name";
    s.valueObject = "Sum";
    return s;
}

struct Collector {
    explicit Collector(TfrChartSettings s) : settings(std::move(s)) {}
    TfrChartSettings settings;
    QStringList memo;
    std::int32_t counter = 0;
    void print(const QString& name, const QStringList& text) {
        frCollectChartText(memo, counter, settings, name, text);
    }
};

} // namespace

TEST(ChartCollect, SingleSeriesCollectsCaptionsAndValuesOnTwoLines) {
    Collector c{collecting(true)};
    c.print("Other", {"ignored"});
    EXPECT_EQ(c.memo, QStringList({"", ""}));
    for (int i = 1; i <= 5; ++i) {
        c.print("name", {QString("N%1").arg(i), "second line"}); // names compared without case
        c.print("Title", {"not collected"});
        c.print("SUM", {QString::number(i * 10)});
    }
    EXPECT_EQ(c.memo, QStringList({"N1;N2;N3;N4;N5;", "10;20;30;40;50;"}));
    const std::optional<TfrChartData> data = frChartData(c.settings, c.memo);
    ASSERT_TRUE(data);
    ASSERT_EQ(data->series.size(), 1);
    EXPECT_EQ(data->series[0].captions, QStringList({"N1", "N2", "N3", "N4", "N5"}));
    EXPECT_EQ(data->series[0].values, QList<double>({10, 20, 30, 40, 50}));
}

TEST(ChartCollect, SingleSeriesValuePrintedFirstStillGoesToTheValues) {
    Collector c{collecting(true)};
    c.print("Sum", {"5"});
    c.print("Name", {"A"});
    c.print("Sum", {"6"});
    c.print("Name", {"B"});
    c.print("Name", {}); // nothing printed: no entry
    EXPECT_EQ(c.memo, QStringList({"A;B;", "5;6;"}));
}

TEST(ChartCollect, SeveralSeriesFollowTheirTitles) {
    Collector c{collecting(false)};
    c.print("Sum", {"99"}); // before any title: no series
    c.print("Name", {QStringLiteral("План")});
    c.print("Sum", {"1"});
    c.print("Sum", {"2"});
    c.print("Name", {QStringLiteral("Факт")});
    c.print("Sum", {"3"});
    EXPECT_EQ(c.memo, QStringList({QStringLiteral("План;Факт;"), "1;2;", "3;"}));
    const std::optional<TfrChartData> data = frChartData(c.settings, c.memo);
    ASSERT_TRUE(data);
    ASSERT_EQ(data->series.size(), 2);
    EXPECT_EQ(data->series[0].title, QStringLiteral("План"));
    EXPECT_EQ(data->series[0].values, QList<double>({1, 2}));
    EXPECT_EQ(data->series[0].captions, QStringList({"", ""}));
    EXPECT_EQ(data->series[1].title, QStringLiteral("Факт"));
    EXPECT_EQ(data->series[1].values, QList<double>({3}));
}

TEST(ChartCollect, OneNameAloneStillCollectsButLeavesTheMemoAsItIs) {
    TfrChartSettings s;
    s.captionObject = "Name";
    Collector c{s};
    c.print("Sum", {"1"});
    EXPECT_TRUE(c.memo.isEmpty());
    c.print("Name", {"A"});
    EXPECT_EQ(c.memo, QStringList({"A;"}));
}

TEST(ChartData, WhatCannotBeDrawn) {
    const TfrChartSettings single = collecting(true), several = collecting(false);
    const struct {
        const TfrChartSettings& settings;
        QStringList memo;
    } cases[] = {
        {single, {}},
        {single, {"A;B;"}},
        {single, {"", "1;"}},
        {single, {"A;", ""}},
        {single, {"A;B;C;", "1;2;"}}, // unequal counts
        {single, {"A;B;", "1;2;3;"}},
        {several, {"T1;T2;", "1;2;"}}, // two titles, one line of values
        {several, {"T1;", "1;", "2;"}},
    };
    for (const auto& c : cases)
        EXPECT_FALSE(frChartData(c.settings, c.memo)) << c.memo.join('|').toStdString();
    // A last entry without ";" counts as one.
    EXPECT_TRUE(frChartData(single, {"A;B", "1;2"}));
}

TEST(ChartData, PointsAndSeriesAreBounded) {
    const TfrChartSettings single = collecting(true), several = collecting(false);
    auto line = [](qsizetype n, const QString& entry) {
        QString s;
        for (qsizetype i = 0; i < n; ++i)
            s += entry + u';';
        return s;
    };
    EXPECT_TRUE(frChartData(single, {line(maxChartPoints, "A"), line(maxChartPoints, "1")}));
    EXPECT_FALSE(frChartData(single, {line(maxChartPoints + 1, "A"), line(maxChartPoints + 1, "1")}));
    QStringList memo{line(maxChartLines - 1, "T")};
    for (qsizetype i = 1; i < maxChartLines; ++i)
        memo.append("1;");
    EXPECT_TRUE(frChartData(several, memo));
    memo[0] += "T;";
    memo.append("1;");
    EXPECT_FALSE(frChartData(several, memo));
    QStringList heavy{"T1;T2;", line(maxChartPoints / 2, "1"), line(maxChartPoints / 2 + 1, "1")};
    EXPECT_FALSE(frChartData(several, heavy));
}

namespace {

TfrChartSeries grouped(QList<double> values, std::int32_t count, const QString& rest, QStringList captions = {}) {
    TfrChartSeries s;
    for (qsizetype i = 0; i < values.size(); ++i)
        s.captions.append(i < captions.size() ? captions[i] : QString(QChar(char16_t(u'A' + i))));
    s.values = std::move(values);
    frGroupChartTop(s, count, rest);
    return s;
}

} // namespace

TEST(ChartData, TopThreeWithTheRestSummed) {
    TfrChartSettings s = collecting(true);
    s.topCount = 3;
    s.restCaption = "Other";
    const std::optional<TfrChartData> data = frChartData(s, {"A;B;C;D;E;", "10;50;20;40;30;"});
    ASSERT_TRUE(data);
    EXPECT_EQ(data->series[0].captions, QStringList({"B", "D", "E", "Other"}));
    EXPECT_EQ(data->series[0].values, QList<double>({50, 40, 30, 30}));
    s.restCaption.clear();
    EXPECT_EQ(frChartData(s, {"A;B;C;D;E;", "10;50;20;40;30;"})->series[0].values, QList<double>({50, 40, 30}));
}

TEST(ChartData, TopGrouping) {
    const struct {
        QList<double> values;
        std::int32_t count;
        QList<double> expected;
        QStringList captions;
    } cases[] = {
        {{10, 50, 20}, 0, {10, 50, 20}, {"A", "B", "C"}},     // no grouping
        {{10, 50, 20}, -1, {10, 50, 20}, {"A", "B", "C"}},
        {{10, 50, 20}, 3, {10, 50, 20}, {"A", "B", "C"}},     // not fewer than the entries
        {{-5, -50, 10}, 1, {10, -55}, {"C", "R"}},            // negative values by size too
        {{-5, -50, -1}, 2, {-1, -5, -50}, {"C", "A", "R"}},
        {{99999999, 123456789, 5}, 1, {123456789, 99999999 + 5.0}, {"B", "R"}}, // wider than 12 characters
        {{1.23456, 0.5}, 1, {1.235, 0.5}, {"A", "R"}},        // shown to three decimals
        {{7, 7, 7}, 2, {7, 7, 7}, {"C", "B", "R"}},           // equal values: captions descending
    };
    for (const auto& c : cases) {
        const TfrChartSeries s = grouped(c.values, c.count, "R");
        EXPECT_EQ(s.values, c.expected) << c.count;
        EXPECT_EQ(s.captions, c.captions) << c.count;
    }
    const TfrChartSeries cut = grouped({1, 2}, 1, "", {"x", QString(300, u'y')});
    EXPECT_EQ(cut.captions, QStringList({QString(255, u'y')}));
    const double big = std::numeric_limits<double>::max();
    EXPECT_EQ(grouped({big, big, big}, 1, "R").values.last(), big); // the sum held within range
}

TEST(ChartMarks, TextOfEveryStyle) {
    const struct {
        TfrChartMarkStyle style;
        const char16_t* caption;
        double value;
        const char16_t* text;
    } cases[] = {
        {TfrChartMarkStyle::Value, u"Март", 1234.5, u"1 234.5"},
        {TfrChartMarkStyle::Percent, u"Март", 1234.5, u"25 %"},
        {TfrChartMarkStyle::Caption, u"Март", 1234.5, u"Март"},
        {TfrChartMarkStyle::CaptionPercent, u"Март", 1234.5, u"Март 25 %"},
        {TfrChartMarkStyle::CaptionValue, u"Март", 1234.5, u"Март 1 234.5"},
        {TfrChartMarkStyle::Caption, u"", -2, u"-2"},
        {TfrChartMarkStyle::CaptionPercent, u"", -1234.5, u"25 %"},
        {TfrChartMarkStyle::CaptionValue, u"", 0.125, u"0.125"},
        {TfrChartMarkStyle(17), u"Март", 2, u"2"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(frChartMarkText(c.style, QString::fromUtf16(c.caption), c.value, 4938),
                  QString::fromUtf16(c.text));
    EXPECT_EQ(frChartMarkText(TfrChartMarkStyle::Percent, "", 1, 3), "33.33 %");
    EXPECT_EQ(frChartMarkText(TfrChartMarkStyle::Percent, "", 0, 0), "0 %");
    EXPECT_EQ(frChartMarkText(TfrChartMarkStyle::Value, "", 2e20, 0), "2E20");
}

// ---------------------------------------------------------------------------
// Drawing

using namespace chartpixels;

namespace {

const QRgb kBackground = qRgb(255, 255, 255);
const QRgb kMarkFill = qRgb(255, 255, 225);

TfrChartSettings plain(TfrChartKind kind) {
    TfrChartSettings s;
    s.kind = kind;
    s.view3d = false;
    s.legend = false;
    s.marks = false;
    return s;
}

TfrChartData single(QList<double> values) {
    TfrChartSeries s;
    for (qsizetype i = 0; i < values.size(); ++i)
        s.captions.append(QString("P%1").arg(i + 1));
    s.values = std::move(values);
    return TfrChartData{{s}};
}

QImage render(const TfrChartSettings& s, const TfrChartData& data, QSize size = {400, 300}, double scale = 1) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(qRgb(128, 0, 128));
    QPainter p(&image);
    frDrawChart(p, QRectF(QPointF(), QSizeF(size)), scale, s, data, QColor(kBackground));
    return image;
}

} // namespace

TEST(ChartDraw, BarsStandAtHeightsOfTheirValues) {
    const QImage image = render(plain(TfrChartKind::Bars), single({10, 20, 40}));
    const QRect a = bounds(image, color(0)), b = bounds(image, color(1)), c = bounds(image, color(2));
    ASSERT_FALSE(a.isEmpty() || b.isEmpty() || c.isEmpty());
    EXPECT_NEAR(a.bottom(), c.bottom(), 1);
    EXPECT_NEAR(b.bottom(), c.bottom(), 1);
    EXPECT_NEAR(ratio(b.height(), a.height()), 2, 0.1);
    EXPECT_NEAR(ratio(c.height(), a.height()), 4, 0.1);
    EXPECT_LT(a.right(), b.left()); // left to right in their order
    EXPECT_LT(b.right(), c.left());
    EXPECT_NEAR(a.width(), c.width(), 1);
}

TEST(ChartDraw, NegativeBarsHangFromTheBaseline) {
    const QImage image = render(plain(TfrChartKind::Bars), single({30, -15}));
    const QRect up = bounds(image, color(0)), down = bounds(image, color(1));
    EXPECT_NEAR(down.top(), up.bottom(), 3);
    EXPECT_NEAR(ratio(up.height(), down.height()), 2, 0.1);
}

TEST(ChartDraw, HorizontalBarsReachTheLengthsOfTheirValues) {
    const QImage image = render(plain(TfrChartKind::HorizontalBars), single({40, 10, 20}));
    const QRect a = bounds(image, color(0)), b = bounds(image, color(1)), c = bounds(image, color(2));
    EXPECT_NEAR(a.left(), b.left(), 1);
    EXPECT_NEAR(ratio(a.width(), b.width()), 4, 0.1);
    EXPECT_NEAR(ratio(c.width(), b.width()), 2, 0.1);
    EXPECT_LT(a.bottom(), b.top()); // the first at the top
    EXPECT_LT(b.bottom(), c.top());
}

TEST(ChartDraw, SeveralSeriesStandSideBySideInSeriesColours) {
    TfrChartSettings s = plain(TfrChartKind::Bars);
    s.singleSeries = false;
    TfrChartData data;
    data.series = {{"A", {"", ""}, {10, 30}}, {"B", {"", ""}, {20, 10}}};
    const QImage image = render(s, data);
    // Two bars of each colour, those of the first series left in each pair.
    const int mid = image.width() / 2;
    const QRect a1 = bounds(image, color(0), QRect(0, 0, mid, 300)), a2 = bounds(image, color(0), QRect(mid, 0, mid, 300));
    const QRect b1 = bounds(image, color(1), QRect(0, 0, mid, 300)), b2 = bounds(image, color(1), QRect(mid, 0, mid, 300));
    ASSERT_FALSE(a1.isEmpty() || a2.isEmpty() || b1.isEmpty() || b2.isEmpty());
    EXPECT_LT(a1.right(), b1.left());
    EXPECT_LT(a2.right(), b2.left());
    EXPECT_NEAR(ratio(b1.height(), a1.height()), 2, 0.1);
    EXPECT_NEAR(ratio(a2.height(), b2.height()), 3, 0.1);
}

TEST(ChartDraw, MulticolouredPointsTakeTheirOwnColours) {
    TfrChartSettings s = plain(TfrChartKind::Bars);
    const QImage many = render(s, single({10, 20, 30}));
    s.multicolored = false;
    const QImage one = render(s, single({10, 20, 30}));
    for (int i = 0; i < 3; ++i)
        EXPECT_GT(count(many, color(i)), 0) << i;
    EXPECT_GT(count(one, color(0)), count(many, color(0)) * 2);
    EXPECT_EQ(count(one, color(1)), 0);
}

TEST(ChartDraw, LinesAndAreasFollowTheirValues) {
    for (const TfrChartKind kind : {TfrChartKind::Line, TfrChartKind::Area}) {
        TfrChartSettings s = plain(kind);
        s.multicolored = false;
        const QImage image = render(s, single({20, 60, 100}));
        const QRect r = bounds(image, color(0));
        ASSERT_FALSE(r.isEmpty());
        // The topmost pixel of the colour in a column, across the drawing.
        auto topAt = [&](int x) {
            for (int y = 0; y < image.height(); ++y)
                if (image.pixel(x, y) == color(0))
                    return y;
            return -1;
        };
        const int left = topAt(r.left() + 3), middle = topAt(r.center().x()), right = topAt(r.right() - 3);
        EXPECT_GT(left, middle);
        EXPECT_GT(middle, right);
        EXPECT_NEAR(middle, (left + right) / 2.0, 3) << int(kind); // a straight rise
        const int column = r.center().x();
        int filled = 0;
        for (int y = 0; y < image.height(); ++y)
            filled += image.pixel(column, y) == color(0);
        if (kind == TfrChartKind::Area)
            EXPECT_GT(filled, r.height() / 2); // filled down to the baseline
        else
            EXPECT_LT(filled, 6);
    }
}

TEST(ChartDraw, PointsSitAtTheirValues) {
    const QImage image = render(plain(TfrChartKind::Points), single({0, 50, 100}));
    const QRect a = bounds(image, color(0)), b = bounds(image, color(1)), c = bounds(image, color(2));
    ASSERT_FALSE(a.isEmpty() || b.isEmpty() || c.isEmpty());
    EXPECT_LE(a.width(), 9);
    EXPECT_NEAR(b.center().y(), (a.center().y() + c.center().y()) / 2.0, 1);
    EXPECT_GT(a.center().y() - c.center().y(), 200);
}

TEST(ChartDraw, PieSlicesSpanTheirShares) {
    const QImage image = render(plain(TfrChartKind::Pie), single({1, 1, 2}));
    const QRect pie = bounds(image, color(2)) | bounds(image, color(0));
    const QPointF centre(200, 150);
    const double r = 0.8 * 150 - 12;
    EXPECT_NEAR(pie.center().x(), centre.x(), 2);
    // Clockwise from twelve o'clock: a quarter, a quarter, a half.
    const struct {
        double degrees;
        int slice;
    } samples[] = {{5, 0}, {45, 0}, {85, 0}, {95, 1}, {135, 1}, {175, 1}, {185, 2}, {270, 2}, {355, 2}};
    for (const auto& sample : samples) {
        const double a = sample.degrees * std::numbers::pi / 180;
        const QPoint at = (centre + r * QPointF(std::sin(a), -std::cos(a))).toPoint();
        EXPECT_EQ(image.pixel(at), color(sample.slice)) << sample.degrees;
    }
}

TEST(ChartDraw, ThreeDimensionalPieIsSeenFromAboveWithItsRim) {
    TfrChartSettings s = plain(TfrChartKind::Pie);
    s.multicolored = false;
    const QImage flat = render(s, single({1, 1}));
    s.view3d = true;
    const QImage tilted = render(s, single({1, 1}));
    const QRect top = bounds(tilted, color(0)), round = bounds(flat, color(0));
    EXPECT_NEAR(double(top.height()) / top.width(), std::numbers::sqrt2 / 2, 0.03);
    EXPECT_NEAR(double(round.height()) / round.width(), 1, 0.03);
    const QRect rim = bounds(tilted, frChartColor(0).darker(130).rgb());
    ASSERT_FALSE(rim.isEmpty());
    EXPECT_GT(rim.bottom(), top.bottom()); // the rim below the top face
    EXPECT_EQ(count(flat, frChartColor(0).darker(130).rgb()), 0);
}

TEST(ChartDraw, LegendListsThePointsOrTheSeries) {
    TfrChartSettings s = plain(TfrChartKind::Pie);
    s.legend = true;
    const QImage with = render(s, single({1, 2, 3}));
    const QRect right(350, 0, 50, 300);
    QList<QRect> symbols;
    for (int i = 0; i < 3; ++i)
        symbols.append(bounds(with, color(i), right));
    for (int i = 0; i < 3; ++i) {
        ASSERT_FALSE(symbols[i].isEmpty()) << i;
        EXPECT_NEAR(symbols[i].left(), symbols[0].left(), 1);
        EXPECT_LE(symbols[i].width(), 12);
    }
    EXPECT_LT(symbols[0].bottom(), symbols[1].top());
    EXPECT_LT(symbols[1].bottom(), symbols[2].top());
    s.legend = false;
    const QImage without = render(s, single({1, 2, 3}));
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(bounds(without, color(i), QRect(370, 0, 30, 300)).isEmpty());
    // Several series: one entry per series, in the series colours.
    s = plain(TfrChartKind::Bars);
    s.legend = true;
    s.singleSeries = false;
    TfrChartData data;
    data.series = {{"A", {""}, {5}}, {"B", {""}, {5}}, {"C", {""}, {5}}};
    const QImage series = render(s, data);
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(bounds(series, color(i), QRect(360, 0, 40, 300)).isEmpty()) << i;
    EXPECT_TRUE(bounds(series, color(3), QRect(360, 0, 40, 300)).isEmpty());
}

TEST(ChartDraw, ThreeDimensionalWallsForEveryKindButPie) {
    // The floor's left edge runs up and to the right from the plot's front
    // corner: smoothed grey pixels along the diagonal (its first pixels: the
    // lowest horizontal bar covers the rest).
    for (int kind = 0; kind <= 5; ++kind) {
        for (const bool view3d : {false, true}) {
            TfrChartSettings s = plain(TfrChartKind(kind));
            s.view3d = view3d;
            const QImage image = render(s, single({5, 10}));
            // The front corner: the lowest grey pixel of the leftmost grey column.
            int x0 = -1, y0 = -1;
            for (int x = 0; x < image.width() && x0 < 0; ++x)
                for (int y = image.height() - 1; y >= 0; --y)
                    if (grey(image.pixel(x, y))) {
                        x0 = x;
                        y0 = y;
                        break;
                    }
            int diagonal = 0;
            if (x0 >= 0)
                for (int t = 3; t < 16; ++t)
                    diagonal += grey(image.pixel(x0 + t, y0 - t)) || grey(image.pixel(x0 + t + 1, y0 - t));
            const bool walls = view3d && kind != int(TfrChartKind::Pie);
            EXPECT_EQ(diagonal == 13, walls) << kind << " " << view3d << " " << diagonal;
            EXPECT_EQ(x0 >= 0, kind != int(TfrChartKind::Pie)) << kind; // pies have no walls
        }
    }
}

TEST(ChartDraw, ThreeDimensionalBarsShowTopAndSide) {
    TfrChartSettings s = plain(TfrChartKind::Bars);
    const QColor c = frChartColor(0);
    EXPECT_EQ(count(render(s, single({10})), c.lighter(120).rgb()), 0);
    s.view3d = true;
    const QImage image = render(s, single({10}));
    const QRect front = bounds(image, c.rgb()), top = bounds(image, c.lighter(120).rgb()),
                side = bounds(image, c.darker(140).rgb());
    ASSERT_FALSE(front.isEmpty() || top.isEmpty() || side.isEmpty());
    EXPECT_LT(top.top(), front.top());
    EXPECT_GT(side.right(), front.right());
}

TEST(ChartDraw, MarksInEveryStyle) {
    TfrChartSettings s = plain(TfrChartKind::Bars);
    EXPECT_EQ(count(render(s, single({5, 5})), kMarkFill), 0);
    s.marks = true;
    TfrChartData data = single({5, 5});
    data.series[0].captions = {"ABCDEFGH", "ABCDEFGH"};
    // Mark texts "5", "50 %", "ABCDEFGH", "ABCDEFGH 50 %", "ABCDEFGH 5": their
    // boxes widen in this order.
    const TfrChartMarkStyle byWidth[] = {TfrChartMarkStyle::Value, TfrChartMarkStyle::Percent,
                                         TfrChartMarkStyle::Caption, TfrChartMarkStyle::CaptionValue,
                                         TfrChartMarkStyle::CaptionPercent};
    int last = 0;
    for (const TfrChartMarkStyle style : byWidth) {
        s.markStyle = style;
        const QImage image = render(s, data);
        const QRect mark = bounds(image, kMarkFill, QRect(0, 0, 200, 300));
        const QRect bar = bounds(image, color(0));
        ASSERT_FALSE(mark.isEmpty()) << int(style);
        EXPECT_LT(mark.bottom(), bar.top()); // above its bar
        EXPECT_NEAR(mark.center().x(), bar.center().x(), 2);
        EXPECT_GT(mark.width(), last) << int(style);
        last = mark.width();
    }
}

TEST(ChartDraw, PieMarksStandOutsideTheSlices) {
    TfrChartSettings s = plain(TfrChartKind::Pie);
    s.marks = true;
    const QImage image = render(s, single({1, 1}));
    const QRect pie = bounds(image, color(0)) | bounds(image, color(1));
    const QRect marks = bounds(image, kMarkFill);
    ASSERT_FALSE(marks.isEmpty());
    EXPECT_GT(marks.right(), pie.right());  // the first slice's mark at the right
    EXPECT_LT(marks.left(), pie.left());    // the second's at the left
}

TEST(ChartDraw, ScaleEnlargesTheSameChart) {
    TfrChartSettings s = plain(TfrChartKind::Bars);
    s.axes = true;
    s.marks = true;
    s.legend = true;
    const QImage small = render(s, single({10, 30}), {300, 200}, 1);
    const QImage large = render(s, single({10, 30}), {600, 400}, 2);
    for (int i = 0; i < 2; ++i) {
        const QRect a = bounds(small, color(i), QRect(0, 0, 200, 200)), b = bounds(large, color(i), QRect(0, 0, 400, 400));
        EXPECT_NEAR(b.left(), 2 * a.left(), 3) << i;
        EXPECT_NEAR(b.top(), 2 * a.top(), 3) << i;
        EXPECT_NEAR(b.height(), 2 * a.height(), 3) << i;
    }
}

TEST(ChartDraw, UnknownKindDrawsAsLine) {
    TfrChartSettings s = plain(TfrChartKind::Line);
    const QImage line = render(s, single({1, 3, 2}));
    s.kind = TfrChartKind(42);
    EXPECT_EQ(render(s, single({1, 3, 2})), line);
}

TEST(ChartDraw, MemoWithoutDrawableDataDrawsNothing) {
    TfrChartSettings s = collecting(true);
    QImage image(200, 100, QImage::Format_RGB32);
    image.fill(qRgb(10, 20, 30));
    const QImage before = image;
    {
        QPainter p(&image);
        EXPECT_FALSE(frDrawChartMemo(p, QRectF(0, 0, 200, 100), 1, s, {"A;B;C;", "1;2;"}, Qt::white));
    }
    EXPECT_EQ(image, before);
    {
        QPainter p(&image);
        EXPECT_TRUE(frDrawChartMemo(p, QRectF(0, 0, 200, 100), 1, s, {"A;B;", "1;2;"}, Qt::white));
    }
    EXPECT_NE(image, before);
}

TEST(ChartDraw, StaysInsideItsRectangle) {
    for (int kind = 0; kind <= 5; ++kind) {
        TfrChartSettings s;
        s.kind = TfrChartKind(kind);
        s.axes = true;
        QImage image(300, 200, QImage::Format_RGB32);
        image.fill(qRgb(1, 2, 3));
        {
            QPainter p(&image);
            frDrawChart(p, QRectF(50, 40, 200, 120), 1, s, single({-1e300, 5, 1e300, 7}), Qt::white);
        }
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (!QRect(50, 40, 200, 120).contains(x, y)) {
                    ASSERT_EQ(image.pixel(x, y), qRgb(1, 2, 3)) << kind << " " << x << "," << y;
                }
    }
}

TEST(ChartDraw, OddInputsDrawWithoutFailing) {
    const double inf = std::numeric_limits<double>::infinity(), nan = std::numeric_limits<double>::quiet_NaN();
    const TfrChartData many = [] {
        TfrChartData d = single({});
        for (qsizetype i = 0; i < maxChartPoints; ++i) {
            d.series[0].values.append(double(i % 17) - 8);
            d.series[0].captions.append(QString::number(i));
        }
        return d;
    }();
    const TfrChartData odd[] = {
        TfrChartData{},
        single({}),
        single({0, 0}),
        single({inf, nan, -inf, 1}),
        single({std::numeric_limits<double>::max(), -std::numeric_limits<double>::max()}),
        single({5e-324, 1e-320}),
        single({1, 1 + 1e-15}),
        TfrChartData{{{"A", {}, {}}, {"B", {""}, {1}}}},
        many,
    };
    const QSize sizes[] = {{400, 300}, {30, 20}, {1, 1}};
    for (int kind = 0; kind <= 5; ++kind)
        for (const TfrChartData& data : odd)
            for (const QSize size : sizes)
                for (const bool view3d : {false, true}) {
                    TfrChartSettings s;
                    s.kind = TfrChartKind(kind);
                    s.view3d = view3d;
                    s.axes = true;
                    s.singleSeries = data.series.size() < 2;
                    render(s, data, size);
                }
    // Rectangles and scales that give nothing to draw.
    QImage image(10, 10, QImage::Format_RGB32);
    image.fill(qRgb(1, 2, 3));
    const QImage before = image;
    QPainter p(&image);
    for (const double scale : {0.0, -1.0, nan, inf, 1e-9})
        frDrawChart(p, QRectF(0, 0, 10, 10), scale, TfrChartSettings{}, single({1}), Qt::white);
    frDrawChart(p, QRectF(0, 0, 0, 10), 1, TfrChartSettings{}, single({1}), Qt::white);
    p.end();
    EXPECT_EQ(image, before);
}

TEST(ChartDraw, AxesOfEqualValuesStillHaveARange) {
    // Value labels left of the plot show that the scale has ticks.
    const QList<double> equal[] = {{0, 0}, {5, 5}, {-3, -3}, {1e-250, 1e-250}, {-1e-250, 0}};
    for (const TfrChartKind kind : {TfrChartKind::Bars, TfrChartKind::Line})
        for (const QList<double>& values : equal) {
            TfrChartSettings s = plain(kind);
            s.axes = true;
            const QImage image = render(s, single(values));
            int dark = 0;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < 20; ++x)
                    dark += qGray(image.pixel(x, y)) < 100;
            EXPECT_GT(dark, 20) << int(kind) << " " << values[0];
        }
}

#include "chart_input.h"

#include <QDir>
#include <QFile>

// Every input the fuzzer found harmful goes through the fuzzer's steps again
// (undefined behaviour shows under the sanitizer build of the suite).
TEST(ChartFuzzFindings, ReplayHarmlessly) {
    const QDir dir(QStringLiteral(OSTRAND_TEST_DATA_DIR "/fuzz"));
    const QStringList files = dir.entryList(QDir::Files);
    ASSERT_FALSE(files.isEmpty());
    for (const QString& name : files) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << name.toStdString();
        frfuzz::runChartInput(f.readAll());
    }
}
