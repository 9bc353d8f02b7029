// The program's measurer with the platform's fonts: metric-compatible fonts
// stand in for the report fonts, advances are whole pixels and independent of
// the device, and drawing puts ink inside the object only.

#include "report/render/drawing.h"
#include "report/render/textlayout.h"
#include "report/render/textmeasure.h"

#include <QFontInfo>
#include <QImage>
#include <QPainter>
#include <QRawFont>
#include <gtest/gtest.h>

TEST(FontMeasurer, ReportFontsHaveStandIns) {
    TfrFontMeasurer measurer;
    QFont arial(QStringLiteral("Arial"));
    arial.setPixelSize(13);
    EXPECT_EQ(QRawFont::fromFont(arial).familyName().toLower(), QStringLiteral("liberation sans"));
    QFont times(QStringLiteral("Times New Roman"));
    times.setPixelSize(13);
    EXPECT_EQ(QRawFont::fromFont(times).familyName().toLower(), QStringLiteral("liberation serif"));
}

TEST(FontMeasurer, WholePixelAdvancesAddUp) {
    TfrFontMeasurer measurer;
    TfrFont font; // Arial 10: 13 pixels
    const QString text = QStringLiteral("Подстанция Северная 220 кВ");
    std::vector<int> adv;
    measurer.advances(font, text, adv);
    ASSERT_EQ(adv.size(), std::size_t(text.size()));
    int sum = 0;
    for (int a : adv) {
        EXPECT_GT(a, 0);
        EXPECT_LT(a, 13);
        sum += a;
    }
    EXPECT_EQ(measurer.width(font, text), sum);
    EXPECT_EQ(measurer.width(font, text, 2), sum + 2 * int(text.size()));
    // Measuring a second time, or through another measurer, gives the same.
    EXPECT_EQ(TfrFontMeasurer().width(font, text), sum);
    // Bold is wider, a bigger size wider still.
    TfrFont bold = font;
    bold.style = fsBold;
    EXPECT_GT(measurer.width(bold, text), sum);
    TfrFont big = font;
    big.size = 20;
    EXPECT_GT(measurer.width(big, text), measurer.width(bold, text));
}

TEST(FontMeasurer, LineBreaksDoNotDependOnTheScaleDrawn) {
    TfrFontMeasurer measurer;
    TfrMemoView memo;
    memo.setBounds(0, 0, 120, 100);
    memo.memo1 = QStringList{QStringLiteral("Широкая электрификация южных губерний даст мощный толчок")};
    std::vector<std::vector<QString>> seen;
    for (double scale : {0.5, 1.0, 1.37, 6.5}) {
        std::vector<QString> lines;
        TfrDrawContext c;
        c.measurer = &measurer;
        c.transform.sx = c.transform.sy = scale;
        c.exportHook = [&](const TfrExportLine& line) { lines.push_back(line.text); };
        frDrawMemo(memo, c);
        seen.push_back(lines);
    }
    ASSERT_GT(seen[0].size(), 2u);
    for (const auto& lines : seen)
        EXPECT_EQ(lines, seen[0]);
}

TEST(FontMeasurer, TextInkStaysInsideItsObject) {
    TfrFontMeasurer measurer;
    QImage image(200, 60, QImage::Format_RGB32);
    image.fill(Qt::white);
    TfrMemoView memo;
    memo.setBounds(20, 10, 100, 30);
    memo.memo1 = QStringList{QStringLiteral("Ёжик в тумане, очень длинная строка") + QChar(frLineEnd)};
    {
        QPainter p(&image);
        TfrDrawContext c;
        c.painter = &p;
        c.measurer = &measurer;
        frDrawMemo(memo, c);
    }
    int inside = 0, outside = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const bool ink = image.pixel(x, y) != qRgb(255, 255, 255);
            const bool in = x >= 21 && x < 119 && y >= 10 && y < 40;
            (in ? inside : outside) += ink ? 1 : 0;
        }
    EXPECT_GT(inside, 100);
    EXPECT_EQ(outside, 0);
}
