// Shapes, check boxes, rounded rectangles and OLE objects drawn onto images at
// scale 1, read back pixel by pixel, and what text exports get of them.

#include "common/exception.h"
#include "report/addins/oleview.h"
#include "report/addins/roundrect.h"
#include "report/addins/shapes.h"
#include "report/export/exportfilter.h"
#include "report/model/engine.h"
#include "report/render/drawing.h"
#include "report/render/textmeasure.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

namespace {

constexpr TfrColor kRed = 0x0000FF, kBlue = 0xFF0000, kGreen = 0x00FF00, kYellow = 0x00FFFF, kGrey = 0x808080;

QRgb rgb(TfrColor c) { return frcolor::toQColor(c).rgb(); }

class AddInDrawing : public ::testing::Test {
protected:
    QImage draw(const TfrView& view, bool designer = false, QSize size = {160, 100}, QColor ground = Qt::white) {
        QImage image(size, QImage::Format_RGB32);
        image.fill(ground);
        QPainter painter(&image);
        TfrDrawContext c;
        c.painter = &painter;
        c.measurer = &measurer;
        c.designer = designer;
        frDrawObject(view, c);
        return image;
    }
    TfrFixedMeasurer measurer{6};
};

// Whether the pixel or one of its neighbours has the colour (edges of curves
// are placed to a pixel).
bool near(const QImage& image, int x, int y, TfrColor color) {
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
            if (image.valid(x + dx, y + dy) && image.pixel(x + dx, y + dy) == rgb(color))
                return true;
    return false;
}

int count(const QImage& image, const QRect& area, const std::function<bool(QRgb)>& which) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += which(image.pixel(x, y)) ? 1 : 0;
    return n;
}

int count(const QImage& image, const QRect& area, TfrColor color) {
    return count(image, area, [&](QRgb p) { return p == rgb(color); });
}

bool close(QRgb a, QRgb b, int tolerance) {
    return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

std::unique_ptr<TfrShapeView> shapeOf(std::uint8_t kind, TfrColor fill = kBlue) {
    auto s = std::make_unique<TfrShapeView>();
    s->setBounds(10, 10, 60, 40); // the figure reaches x 70 and y 50
    s->shape = kind;
    s->frameColor = kRed;
    s->fillColor = fill;
    return s;
}

// What export filters of text receive.
class TRecordingFilter : public TfrExportFilter {
public:
    QString className() const override { return QStringLiteral("TRecordingFilter"); }
    QString description() const override { return {}; }
    QString extension() const override { return {}; }
    void onData(std::int32_t, std::int32_t, const TfrView&) override { ++objects; }
    void onText(const TfrExportLine& line) override { texts << line.text; }
    int objects = 0;
    QStringList texts;
};

} // namespace

TEST_F(AddInDrawing, ShapeKindsFillTheirRectangleEdgesIncluded) {
    const struct {
        std::uint8_t kind;
        std::vector<QPoint> outline, inside, outside;
    } cases[] = {
        {skRectangle, {{10, 10}, {70, 50}, {70, 10}, {10, 50}, {40, 50}}, {{40, 30}, {12, 12}}, {{9, 9}, {71, 51}, {40, 52}}},
        {skRoundRectangle, {{40, 10}, {10, 30}, {70, 30}, {40, 50}}, {{40, 30}, {14, 14}}, {{10, 10}, {70, 50}}},
        {skEllipse, {{40, 10}, {10, 30}, {70, 30}, {40, 50}}, {{40, 30}}, {{12, 12}, {68, 48}}},
        {skTriangle, {{70, 50}, {10, 50}, {40, 10}, {25, 30}}, {{40, 40}}, {{12, 12}, {68, 12}}},
        {skDiagonal1, {{10, 50}, {70, 10}, {40, 30}}, {}, {{40, 40}, {20, 20}}},
        {skDiagonal2, {{10, 10}, {70, 50}, {40, 30}}, {}, {{40, 20}, {20, 40}}},
    };
    for (const auto& c : cases) {
        const QImage image = draw(*shapeOf(c.kind));
        for (const QPoint& p : c.outline)
            EXPECT_TRUE(near(image, p.x(), p.y(), kRed)) << int(c.kind) << " outline at " << p.x() << "," << p.y();
        for (const QPoint& p : c.inside)
            EXPECT_EQ(image.pixel(p), rgb(kBlue)) << int(c.kind) << " inside at " << p.x() << "," << p.y();
        for (const QPoint& p : c.outside)
            EXPECT_EQ(image.pixel(p), qRgb(255, 255, 255)) << int(c.kind) << " outside at " << p.x() << "," << p.y();
    }
    // Exactly to the right and bottom edges, nothing past them.
    const QImage rect = draw(*shapeOf(skRectangle));
    EXPECT_EQ(rect.pixel(70, 30), rgb(kRed));
    EXPECT_EQ(rect.pixel(71, 30), qRgb(255, 255, 255));
    EXPECT_EQ(rect.pixel(40, 51), qRgb(255, 255, 255));
}

TEST_F(AddInDrawing, ATransparentShapeDrawsItsOutlineOnly) {
    for (std::uint8_t kind : {skRectangle, skEllipse, skTriangle}) {
        const QImage image = draw(*shapeOf(kind, clTransparent));
        EXPECT_EQ(count(image, image.rect(), kBlue), 0) << int(kind);
        EXPECT_EQ(image.pixel(40, 40), qRgb(255, 255, 255)) << int(kind);
        EXPECT_GT(count(image, image.rect(), kRed), 60) << int(kind);
    }
    // The frame width in whole pixels: a 3-pixel pen centred on the edge.
    const auto thick = shapeOf(skRectangle);
    thick->frameWidth = 2.6f;
    const QImage image = draw(*thick);
    EXPECT_EQ(image.pixel(40, 9), rgb(kRed));
    EXPECT_EQ(image.pixel(40, 11), rgb(kRed));
    EXPECT_EQ(image.pixel(40, 13), rgb(kBlue));
}

TEST_F(AddInDrawing, ACheckBoxShowsItsMarkForValuesThatAreNotZero) {
    const QRect inside(13, 13, 22, 22);
    const auto mark = [&](const QImage& image) { return count(image, inside, [](QRgb p) { return qGreen(p) > qRed(p) + 60; }); };
    for (std::uint8_t style : {csCross, csCheck}) {
        TfrCheckBoxView box;
        box.setBounds(10, 10, 28, 28);
        box.checkStyle = style;
        box.checkColor = kGreen;
        const struct {
            QStringList memo;
            bool designer;
            bool shown;
        } cases[] = {
            {{"-1"}, false, true}, {{"1"}, false, true},  {{"0"}, false, false},
            {{""}, false, false},  {{}, false, false},    {{"0"}, true, true},
            {{}, true, true},
        };
        for (const auto& c : cases) {
            box.memo = c.memo;
            const QImage image = draw(box, c.designer);
            const std::string what = std::to_string(style) + " '" + c.memo.join('/').toStdString() + "'" +
                                     (c.designer ? " in the designer" : "");
            if (c.shown)
                EXPECT_GT(mark(image), 30) << what;
            else
                EXPECT_EQ(mark(image), 0) << what;
            // The frame, two pixels wide, on all four sides.
            EXPECT_EQ(image.pixel(10, 24), rgb(clBlack)) << what;
            EXPECT_EQ(image.pixel(24, 38), rgb(clBlack)) << what;
        }
    }
}

TEST_F(AddInDrawing, TextExportsGetXForACheckedBox) {
    TfrEngine engine;
    TfrCheckBoxView box;
    box.setBounds(10, 10, 20, 20);
    TRecordingFilter filter;
    for (const char* value : {"-1", "0", "", "5"}) {
        box.memo = QStringList{value};
        frExportObject(engine, filter, box);
    }
    EXPECT_EQ(filter.objects, 4);
    EXPECT_EQ(filter.texts, QStringList({"X", "", "", "X"}));
    EXPECT_TRUE(frExportPicture(engine, box).isEmpty()); // text, not a picture
}

namespace {

std::unique_ptr<TfrRoundRectView> shadowBox(std::int32_t shadow) {
    auto r = std::make_unique<TfrRoundRectView>();
    r->setBounds(10, 10, 100, 60);
    r->shadowWidth = shadow;
    r->shadowColor = kGrey;
    r->roundCorners = false;
    r->fillColor = kYellow;
    r->frameWidth = 1;
    r->font.color = kGreen;
    r->memo = QStringList{"ABC"};
    return r;
}

// The leftmost and rightmost columns holding text (green).
std::pair<int, int> textColumns(const QImage& image) {
    int first = image.width(), last = -1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) == rgb(kGreen)) {
                first = std::min(first, x);
                last = std::max(last, x);
            }
    return {first, last};
}

} // namespace

TEST_F(AddInDrawing, ARoundedRectangleCastsItsShadowRightAndDown) {
    const QColor ground(Qt::blue);
    const QImage image = draw(*shadowBox(6), false, {160, 100}, ground);
    // The box [10, 104) x [10, 64), outlined in the frame colour, and the
    // shadow [16, 110) x [16, 70) behind it.
    EXPECT_EQ(image.pixel(50, 40), rgb(kYellow));
    EXPECT_EQ(image.pixel(10, 40), rgb(clBlack));
    EXPECT_EQ(image.pixel(103, 40), rgb(clBlack));
    EXPECT_EQ(image.pixel(50, 63), rgb(clBlack));
    EXPECT_EQ(image.pixel(106, 40), rgb(kGrey));
    EXPECT_EQ(image.pixel(50, 67), rgb(kGrey));
    EXPECT_EQ(image.pixel(109, 69), rgb(kGrey));
    EXPECT_EQ(image.pixel(110, 40), ground.rgb());
    // Above and left of where the shadow starts nothing is drawn in a build;
    // the designer fills the whole area white first.
    EXPECT_EQ(image.pixel(107, 12), ground.rgb());
    EXPECT_EQ(image.pixel(12, 67), ground.rgb());
    const QImage designer = draw(*shadowBox(6), true, {160, 100}, ground);
    EXPECT_EQ(designer.pixel(107, 12), qRgb(255, 255, 255));
    EXPECT_EQ(designer.pixel(12, 67), qRgb(255, 255, 255));

    // Without all four frame sides the box is outlined in its fill.
    const auto open = shadowBox(6);
    open->frameTyp = frftTop;
    EXPECT_EQ(draw(*open).pixel(10, 40), rgb(kYellow));
}

TEST_F(AddInDrawing, AShadowOfWidthZeroShowsNothingAndLeavesTheTextItsRoom) {
    const QImage none = draw(*shadowBox(0));
    EXPECT_EQ(count(none, none.rect(), kGrey), 0);
    EXPECT_EQ(none.pixel(109, 40), rgb(clBlack)); // the box takes the whole object
    // Right-aligned text moves in by the shadow width.
    const auto right0 = shadowBox(0), right6 = shadowBox(6);
    right0->alignment = right6->alignment = frtaRight;
    const int edge0 = textColumns(draw(*right0)).second, edge6 = textColumns(draw(*right6)).second;
    EXPECT_GT(edge0, 60);
    EXPECT_EQ(edge0 - edge6, 6);
    // Both gaps grow by a quarter of the corner size.
    const auto corner0 = shadowBox(6), corner12 = shadowBox(6);
    corner0->roundSize = 0;
    corner12->roundSize = 12;
    EXPECT_EQ(textColumns(draw(*corner12)).first - textColumns(draw(*corner0)).first, 3);
    // Hostile sizes are taken within the object: nothing is drawn outside it.
    const auto huge = shadowBox(2000000000);
    huge->roundSize = 2000000000;
    const QImage clamped = draw(*huge);
    EXPECT_EQ(count(clamped, clamped.rect(), [](QRgb p) { return p != qRgb(255, 255, 255); }),
              count(clamped, QRect(10, 10, 100, 60), [](QRgb p) { return p != qRgb(255, 255, 255); }));
}

TEST_F(AddInDrawing, GradientsRunFromTheEndToTheBeginColour) {
    // The ellipses start at 1.5 times the rectangle: its corners lie inside
    // the first few, its centre in the last.
    const struct {
        std::int32_t style;
        std::vector<QPoint> end, begin;
        int endTolerance, beginTolerance;
    } cases[] = {
        {gsHorizontal, {{10, 100}}, {{265, 100}}, 0, 0},
        {gsVertical, {{100, 10}}, {{100, 265}}, 0, 0},
        {gsElliptic, {{10, 10}, {265, 265}}, {{138, 138}}, 16, 6},
        {gsRectangle, {{10, 10}, {265, 265}}, {{138, 138}}, 1, 0}, // the first two fill it all
        {gsVertCenter, {{100, 10}, {100, 265}}, {{100, 137}, {100, 138}}, 0, 0},
        {gsHorizCenter, {{10, 100}, {265, 100}}, {{137, 100}, {138, 100}}, 0, 0},
    };
    for (const auto& c : cases) {
        TfrRoundRectView r;
        r.setBounds(10, 10, 256, 256);
        r.shadowWidth = TfrRoundRectView::gradientMode;
        r.roundSize = c.style;
        r.fillColor = kRed;     // end
        r.shadowColor = kBlue;  // begin
        r.frameTyp = 0;
        const QImage image = draw(r, false, {280, 280});
        for (const QPoint& p : c.end)
            EXPECT_TRUE(close(image.pixel(p), rgb(kRed), c.endTolerance)) << c.style << " end at " << p.x() << "," << p.y();
        for (const QPoint& p : c.begin)
            EXPECT_TRUE(close(image.pixel(p), rgb(kBlue), c.beginTolerance))
                << c.style << " begin at " << p.x() << "," << p.y();
        EXPECT_EQ(image.pixel(5, 5), qRgb(255, 255, 255)) << c.style;
    }
    // A negative style is the first; frame sides are drawn over the gradient.
    TfrRoundRectView r;
    r.setBounds(10, 10, 256, 40);
    r.shadowWidth = TfrRoundRectView::gradientMode;
    r.roundSize = -3;
    r.fillColor = kRed;
    r.shadowColor = kBlue;
    r.frameTyp = frftBottom;
    const QImage image = draw(r, false, {280, 60});
    EXPECT_EQ(image.pixel(10, 20), rgb(kRed));
    EXPECT_EQ(image.pixel(265, 20), rgb(kBlue));
    EXPECT_EQ(image.pixel(100, 50), rgb(clBlack));
}

TEST_F(AddInDrawing, GradientColoursInterpolateEachChannel) {
    EXPECT_EQ(frGradientColor(kRed, kBlue, 0, 255).rgb(), rgb(kRed));
    EXPECT_EQ(frGradientColor(kRed, kBlue, 255, 255).rgb(), rgb(kBlue));
    // 255 * 1 / 2 rounds half away from zero, up and down.
    EXPECT_EQ(frGradientColor(kRed, kBlue, 1, 2).rgb(), qRgb(127, 0, 128));
    EXPECT_EQ(frGradientColor(0x000000, 0x0A0A0A, 1, 4).rgb(), qRgb(3, 3, 3)); // 2.5 -> 3
    EXPECT_EQ(frGradientColor(clTransparent, clBlack, 0, 1).rgb(), qRgb(255, 255, 255));
}

TEST_F(AddInDrawing, HugeGradientsDrawOnlyWhatIsSeen) {
    // Rows and columns from the edges to the middle of an object two
    // billion pixels high: only the visible ones are drawn. (Ellipses that
    // large are not drawn at all.)
    for (std::int32_t style : {gsVertCenter, gsHorizCenter, gsHorizontal, gsVertical, gsRectangle}) {
        TfrRoundRectView r;
        r.setBounds(0, 0, 2000000000, 2000000000);
        r.frameTyp = 0;
        r.shadowWidth = TfrRoundRectView::gradientMode;
        r.roundSize = style;
        r.fillColor = kRed;
        r.shadowColor = kBlue;
        const QImage image = draw(r, false, {40, 40});
        EXPECT_EQ(image.pixel(0, 0), rgb(kRed)) << style;
    }
}

TEST_F(AddInDrawing, AnOleObjectShowsItsPlaceholder) {
    TfrOLEView ole;
    ole.setBounds(10, 10, 100, 40);
    ole.fillColor = kYellow;
    const QImage image = draw(ole);
    EXPECT_EQ(image.pixel(60, 45), rgb(kYellow));
    EXPECT_EQ(image.pixel(11, 12), qRgb(0x80, 0x80, 0x80)); // the sign's edge
    EXPECT_EQ(image.pixel(31, 16), rgb(clBlack));            // "[OLE]" from (30, 13)
    // Cut to the object.
    ole.setBounds(10, 10, 25, 40);
    const QImage narrow = draw(ole);
    EXPECT_EQ(count(narrow, QRect(37, 0, 100, 100), clBlack), 0);
    ole.setBounds(10, 10, 0, 40);
    EXPECT_EQ(count(draw(ole), QRect(0, 0, 160, 100), clBlack), 0);
}

TEST_F(AddInDrawing, PicturesForExportsAndTextsOfRoundedRectangles) {
    TfrEngine engine;
    frSetTextMeasurer(engine, std::make_shared<TfrFixedMeasurer>(6));
    const TfrPicture shape = frExportPicture(engine, *shapeOf(skEllipse));
    ASSERT_FALSE(shape.image.isNull());
    EXPECT_EQ(shape.image.size(), QSize(120, 80)); // twice the report's resolution
    TfrOLEView ole;
    ole.setBounds(0, 0, 50, 20);
    EXPECT_FALSE(frExportPicture(engine, ole).image.isNull());
    TRecordingFilter filter;
    const auto round = shadowBox(6);
    round->memo = QStringList{"one", "two"};
    frExportObject(engine, filter, *round);
    EXPECT_EQ(filter.texts, QStringList({"one", "two"}));
}
