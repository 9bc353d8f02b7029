// Drawing of report objects on images, pixel by pixel, with the fixed-width
// measurer (characters are solid blocks, so no font file matters).

#include "report/render/drawing.h"
#include "report/render/textlayout.h"
#include "report/render/textmeasure.h"
#include "report/model/engine.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

namespace {

const QString E = QString(frLineEnd);
const TfrFixedMeasurer kMeasurer(6);

struct Canvas {
    QImage image;
    explicit Canvas(int w = 120, int h = 100) : image(w, h, QImage::Format_RGB32) { image.fill(Qt::white); }
    bool dark(int x, int y) const { return qGray(image.pixel(x, y)) < 128; }
    bool white(int x, int y) const { return image.pixel(x, y) == qRgb(255, 255, 255); }
    QRgb at(int x, int y) const { return image.pixel(x, y); }
    // The first and last dark column of a row; -1 when none.
    std::pair<int, int> darkSpan(int y) const {
        int first = -1, last = -1;
        for (int x = 0; x < image.width(); ++x)
            if (dark(x, y)) {
                if (first < 0)
                    first = x;
                last = x;
            }
        return {first, last};
    }
};

void draw(Canvas& canvas, const TfrView& view, TfrDrawTransform t = {}, const TfrPainterRegistry* registry = nullptr) {
    static const TfrPainterRegistry builtIns;
    QPainter p(&canvas.image);
    TfrDrawContext c;
    c.painter = &p;
    c.measurer = &kMeasurer;
    c.transform = t;
    (registry ? *registry : builtIns).draw(view, c);
}

std::unique_ptr<TfrMemoView> memo(int l, int t, int w, int h, QStringList text = {}) {
    auto m = std::make_unique<TfrMemoView>();
    m->setBounds(l, t, w, h);
    m->memo1 = std::move(text);
    return m;
}

} // namespace

TEST(Drawing, SolidFrameClosesItsCorners) {
    Canvas c;
    auto m = memo(10, 10, 50, 30);
    m->frameTyp = frftLeft | frftTop | frftRight | frftBottom;
    draw(c, *m);
    for (int x = 10; x <= 60; ++x) {
        EXPECT_TRUE(c.dark(x, 10)) << x;
        EXPECT_TRUE(c.dark(x, 40)) << x;
    }
    for (int y = 10; y <= 40; ++y) {
        EXPECT_TRUE(c.dark(10, y)) << y;
        EXPECT_TRUE(c.dark(60, y)) << y;
    }
    EXPECT_TRUE(c.white(35, 25));
    EXPECT_TRUE(c.white(35, 9));
    EXPECT_TRUE(c.white(35, 11));
    EXPECT_TRUE(c.white(61, 25));
}

TEST(Drawing, FrameStylesAndWidths) {
    struct Case {
        std::uint16_t style;
        float width;
        std::vector<int> darkRows;  // rows of the top line at x = 11
        std::vector<int> lightRows; // rows without it
        std::vector<std::pair<int, bool>> along; // (x, dark) on row 10
    };
    const Case cases[] = {
        {psSolid, 1, {10}, {9, 11}, {{10, true}, {35, true}, {60, true}}},
        {psSolid, 3, {9, 10, 11}, {8, 12}, {{8, false}, {9, true}, {35, true}, {61, true}, {62, false}}},
        // Dotted width 3: three parallel dotted lines, dots 3 on 3 off.
        {psDot, 3, {9, 10, 11}, {8, 12}, {{10, true}, {12, true}, {13, false}, {15, false}, {16, true}}},
        {psDot, 1, {10}, {9, 11}, {{10, true}, {13, false}, {16, true}}},
        // Dashes 18 on, 6 off.
        {psDash, 1, {10}, {9, 11}, {{10, true}, {27, true}, {28, false}, {33, false}, {34, true}}},
        // Double: lines one width out and in, the fill (none here) between.
        {psDouble, 1, {9, 11}, {10, 8, 12}, {{35, true}}},
        {psDouble, 2, {7, 8, 11, 12}, {9, 10}, {{35, true}}},
    };
    for (const Case& k : cases) {
        Canvas c;
        auto m = memo(10, 10, 50, 30);
        m->frameTyp = frftTop;
        m->frameStyle = k.style;
        m->frameWidth = k.width;
        draw(c, *m);
        for (int y : k.darkRows)
            EXPECT_TRUE(c.dark(11, y)) << "style " << k.style << " width " << k.width << " row " << y;
        for (int y : k.lightRows)
            EXPECT_TRUE(c.white(11, y)) << "style " << k.style << " width " << k.width << " row " << y;
        for (auto [x, dark] : k.along)
            EXPECT_EQ(c.dark(x, k.darkRows.front()), dark) << "style " << k.style << " x " << x;
        EXPECT_TRUE(c.white(11, 30)); // only the top line
    }
}

TEST(Drawing, DoubleFrameFillsBetweenItsLines) {
    Canvas c;
    auto m = memo(10, 10, 50, 30);
    m->frameTyp = frftTop;
    m->frameStyle = psDouble;
    m->fillColor = 0x00FF00; // green
    draw(c, *m);
    EXPECT_TRUE(c.dark(35, 9));
    EXPECT_EQ(c.at(35, 10), qRgb(0, 255, 0));
    EXPECT_TRUE(c.dark(35, 11));
}

TEST(Drawing, FillPaintsTheObjectAndNoColourPaintsNothing) {
    Canvas c;
    auto m = memo(10, 10, 50, 30);
    m->fillColor = 0x0000FF; // red as 0x00BBGGRR
    draw(c, *m);
    EXPECT_EQ(c.at(10, 10), qRgb(255, 0, 0));
    EXPECT_EQ(c.at(59, 39), qRgb(255, 0, 0));
    EXPECT_TRUE(c.white(60, 39));
    EXPECT_TRUE(c.white(59, 40));
    EXPECT_TRUE(c.white(9, 9));

    Canvas none;
    m->fillColor = clTransparent;
    m->frameTyp = 0;
    draw(none, *m);
    for (int y = 0; y < none.image.height(); ++y)
        for (int x = 0; x < none.image.width(); ++x)
            ASSERT_TRUE(none.white(x, y)) << x << "," << y;
}

TEST(Drawing, HorizontalAlignment) {
    // Box 100 wide: draw rectangle 101 wide, GapX 2, "ab" 12 pixels wide.
    struct Case {
        std::uint32_t alignment;
        int first, last;
    };
    const Case cases[] = {
        {frtaLeft, 2, 12},
        {frtaRight, 86, 96},
        {frtaCenter, 44, 54},
    };
    for (const Case& k : cases) {
        Canvas c;
        auto m = memo(0, 0, 100, 20, {"ab" + E});
        m->alignment = k.alignment;
        draw(c, *m);
        EXPECT_EQ(c.darkSpan(5), std::make_pair(k.first, k.last)) << k.alignment;
    }
}

TEST(Drawing, JustifiedParagraphSpreadsAllButItsLastLine) {
    Canvas c;
    // Wrap width 66 (11 characters): "aaaa bbbb" / "cccc dddd" / "eeee".
    auto m = memo(0, 0, 70, 60, {"aaaa bbbb cccc dddd eeee"});
    m->alignment = frtaJustify;
    draw(c, *m);
    // The draw rectangle is 71 wide: full lines end at 71 - 2 - 1, less the
    // block's one-pixel gap.
    EXPECT_EQ(c.darkSpan(5), std::make_pair(2, 67));
    EXPECT_EQ(c.darkSpan(20), std::make_pair(2, 67));
    EXPECT_EQ(c.darkSpan(35), std::make_pair(2, 24));
    // The blank took the 13 spare pixels: "bbbb" starts at 2 + 30 + 13.
    EXPECT_TRUE(c.dark(45, 5));
    EXPECT_TRUE(c.white(44, 5));
}

TEST(Drawing, VerticalTextReadsBottomToTop) {
    Canvas c;
    auto m = memo(10, 10, 20, 80, {"abc" + E});
    m->alignment = frtaVertical;
    draw(c, *m);
    // Lines run along x from x + GapX; text starts at the draw bottom - GapY
    // (91 - 1) and goes up: "a" covers rows 85..89, "b" 79..83, "c" 73..77.
    EXPECT_TRUE(c.dark(15, 88));
    EXPECT_TRUE(c.dark(15, 76));
    EXPECT_TRUE(c.white(15, 70));
    EXPECT_TRUE(c.white(15, 84)); // between the blocks
    EXPECT_TRUE(c.dark(12, 88));
    EXPECT_TRUE(c.white(11, 88));
    EXPECT_TRUE(c.white(15, 92));
}

TEST(Drawing, VerticalAlignmentMovesTheTextBlock) {
    // Box 40 high, one line of 15 plus gaps: text height 17.
    struct Case {
        std::uint32_t alignment;
        int firstRow;
    };
    const Case cases[] = {{0, 1}, {frtaMiddle, 1 + (41 - 17) / 2}, {frtaDown, 41 - 17 - 1 + 1}};
    for (const Case& k : cases) {
        Canvas c;
        auto m = memo(0, 0, 100, 40, {"ab" + E});
        m->alignment = k.alignment;
        draw(c, *m);
        int first = -1;
        for (int y = 0; y < 60 && first < 0; ++y)
            if (c.dark(3, y))
                first = y;
        EXPECT_EQ(first, k.firstRow) << k.alignment;
    }
}

TEST(Drawing, TextIsClippedToTheObject) {
    Canvas c;
    auto m = memo(0, 0, 30, 20, {"abcdefghijklmnop" + E}); // not wrapped: laid out already
    draw(c, *m);
    // The clip rectangle ends 2 pixels before the draw rectangle's right edge.
    EXPECT_EQ(c.darkSpan(5).second, 28);

    // A line that fits, then one that does not: the second is cut as well.
    Canvas two(60, 60);
    auto lines = memo(0, 0, 30, 40, {"ab" + E, "abcdefghijklmnop" + E});
    draw(two, *lines);
    EXPECT_LT(two.darkSpan(5).second, 20);
    EXPECT_EQ(two.darkSpan(20).second, 28);
}

TEST(Drawing, ScaleMovesAndSizes) {
    Canvas c(150, 100);
    auto m = memo(10, 10, 50, 30);
    m->frameTyp = frftTop | frftRight;
    draw(c, *m, TfrDrawTransform{2.0, 2.0, 5, 0});
    // x' = 10 * 2 + 5, right = 60 * 2 + 5; the frame is R(2 * 1) = 2 wide.
    EXPECT_TRUE(c.dark(25, 20));
    EXPECT_TRUE(c.dark(25, 19));
    EXPECT_TRUE(c.white(25, 21));
    EXPECT_TRUE(c.dark(125, 50));
    EXPECT_TRUE(c.dark(124, 50));
    EXPECT_TRUE(c.white(126, 50));
}

TEST(Drawing, UnderlinesEveryLinePitch) {
    Canvas c;
    auto m = memo(0, 0, 100, 50);
    m->setFlag(frflags::Underlines, true);
    draw(c, *m);
    // Pitch 15; rows y + GapY + 15 i + 2 + 13 while they fit the height.
    for (int y : {16, 31, 46})
        EXPECT_EQ(c.darkSpan(y), std::make_pair(0, 99)) << y;
    EXPECT_EQ(c.darkSpan(61).first, -1);
    EXPECT_EQ(c.darkSpan(17).first, -1);
}

TEST(Drawing, LinesAreOneFrameSide) {
    Canvas c;
    TfrLineView h;
    h.setBounds(10, 20, 50, 1);
    draw(c, h);
    EXPECT_EQ(c.darkSpan(20), std::make_pair(10, 60));
    EXPECT_EQ(c.darkSpan(21).first, -1);

    Canvas v;
    TfrLineView vertical;
    vertical.setBounds(30, 10, 0, 40);
    vertical.frameWidth = 3;
    draw(v, vertical);
    EXPECT_EQ(v.darkSpan(30), std::make_pair(29, 31));
    EXPECT_EQ(v.darkSpan(60).first, -1);
}

TEST(Drawing, PicturesStretchKeepAspectAndCenter) {
    QImage red(4, 2, QImage::Format_RGB32);
    red.fill(Qt::red);
    struct Case {
        std::uint16_t flags;
        std::vector<std::pair<QPoint, bool>> redAt;
    };
    // The draw rectangle of a 20 x 20 picture at (10, 10) is 21 x 21.
    const Case cases[] = {
        {frflags::Stretched, {{{10, 10}, true}, {{30, 30}, true}, {{31, 31}, false}}},
        // Aspect kept: the width stays, the height becomes R(2 * 20 / 4) = 10.
        {frflags::Stretched | frflags::PictKeepAspect, {{{12, 12}, true}, {{12, 19}, true}, {{12, 21}, false}}},
        {frflags::Stretched | frflags::PictKeepAspect | frflags::PictCenter,
         {{{12, 12}, false}, {{12, 16}, true}, {{12, 24}, true}, {{12, 27}, false}}},
        // Own size, top left.
        {0, {{{10, 10}, true}, {{13, 11}, true}, {{14, 11}, false}, {{10, 12}, false}}},
    };
    for (const Case& k : cases) {
        Canvas c;
        TfrPictureView p;
        p.setBounds(10, 10, 20, 20);
        p.flags = k.flags;
        p.picture.kind = TfrPicture::Bitmap;
        p.picture.image = red;
        draw(c, p);
        for (auto [pt, isRed] : k.redAt)
            EXPECT_EQ(c.at(pt.x(), pt.y()) == qRgb(255, 0, 0), isRed)
                << "flags " << k.flags << " at " << pt.x() << "," << pt.y();
    }
}

TEST(Drawing, MetafilesShowAPlaceholder) {
    Canvas c;
    TfrPictureView p;
    p.setBounds(10, 10, 40, 40);
    QByteArray emf(44, '\0');
    emf[0] = 1;                                   // header record
    emf[16] = 19;                                 // bounds 0,0 - 19,19: 20 x 20
    emf[20] = 19;
    emf.replace(40, 4, QByteArray(" EMF"));
    p.picture.setData(TfrPicture::Metafile, emf);
    p.flags = 0; // own size
    draw(c, p);
    EXPECT_FALSE(c.white(10, 20));  // the placeholder's frame
    EXPECT_FALSE(c.white(20, 20));  // its diagonals cross in the middle
    EXPECT_TRUE(c.white(40, 40));   // 20 x 20, not the whole object
    EXPECT_EQ(p.picture.data, emf); // the bytes are kept
}

TEST(Drawing, ExportHookReceivesLinesWithTheirFrameSides) {
    auto m = memo(0, 0, 100, 60, {"one" + E, "two" + E, "three" + E});
    m->frameTyp = frftLeft | frftTop | frftRight | frftBottom;
    std::vector<TfrExportLine> got;
    TfrDrawContext c;
    c.measurer = &kMeasurer;
    c.exportHook = [&](const TfrExportLine& line) { got.push_back(line); };
    frDrawMemo(*m, c);
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0].text, "one");
    EXPECT_EQ(got[0].frameTyp, frftLeft | frftTop | frftRight);
    EXPECT_EQ(got[1].frameTyp, frftLeft | frftRight);
    EXPECT_EQ(got[2].frameTyp, frftLeft | frftRight | frftBottom);
    EXPECT_EQ(got[0].x, 2);
    EXPECT_EQ(got[0].y, 1);
    EXPECT_EQ(got[1].y, 16);
    EXPECT_EQ(got[2].view, m.get());

    got.clear();
    m->memo1 = QStringList{"only" + E};
    frDrawMemo(*m, c);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].frameTyp, m->frameTyp);

    got.clear();
    m->alignment = frtaVertical;
    frDrawMemo(*m, c);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].frameTyp, 0);
}

TEST(Drawing, RightToLeftOrder) {
    auto visual = [](const QString& s) {
        QString out;
        for (qsizetype i : frRightToLeftOrder(s))
            out += s[i];
        return out;
    };
    EXPECT_EQ(visual(QStringLiteral("Привет, мир!")), QStringLiteral("!Привет, мир"));
    EXPECT_EQ(visual(QStringLiteral("123 abc")), QStringLiteral("abc 123"));
    EXPECT_EQ(visual(QStringLiteral("abc 123")), QStringLiteral("abc 123"));
    EXPECT_EQ(visual(QStringLiteral("- abc")), QStringLiteral("abc -"));
    EXPECT_EQ(visual(QString()), QString());
}

TEST(Drawing, PainterRegistryFindsClassesAndBases) {
    class TfrTestView : public TfrView {
    public:
        QString className() const override { return QStringLiteral("TfrTestView"); }
    };
    class TfrFramedMemo : public TfrMemoView {
    public:
        QString className() const override { return QStringLiteral("TfrFramedMemo"); }
    };
    TfrPainterRegistry registry;
    int calls = 0;
    registry.add(QStringLiteral("TfrTestView"), [&](const TfrView&, TfrDrawContext&) { ++calls; });
    Canvas c;
    TfrTestView custom;
    draw(c, custom, {}, &registry);
    EXPECT_EQ(calls, 1);

    // An add-in derived from the memo is drawn as a memo until it registers.
    TfrFramedMemo framed;
    framed.setBounds(10, 10, 20, 20);
    framed.frameTyp = frftTop;
    draw(c, framed, {}, &registry);
    EXPECT_TRUE(c.dark(15, 10));

    class TfrUnknownView : public TfrView {
    public:
        QString className() const override { return QStringLiteral("TfrUnknownView"); }
    };
    TfrUnknownView unknown;
    EXPECT_EQ(registry.find(unknown), nullptr);

    TfrEngine engine;
    EXPECT_NE(frPainters(engine).find(framed), nullptr);
}

TEST(Drawing, DamagedGeometryStaysBounded) {
    // Coordinates, frame widths and sizes at the ends of their ranges draw
    // (nothing much) without running long.
    Canvas c;
    auto m = memo(-2147483647, 2147483000, 2147483647, 2147483647, {"x" + E});
    m->frameTyp = 15;
    m->frameStyle = psDot;
    m->frameWidth = 3.0e30f;
    m->setFlag(frflags::Underlines, true);
    m->lineSpacing = -2147483647;
    m->font.size = 2147483647;
    draw(c, *m, TfrDrawTransform{40.0, 40.0, 0, 0});
    auto wide = memo(0, 0, 2147483647, 2147483647, {"x" + E});
    wide->frameTyp = 15;
    wide->frameStyle = psDashDotDot;
    wide->setFlag(frflags::Underlines, true);
    wide->lineSpacing = -14;
    draw(c, *wide);
    SUCCEED();
}
