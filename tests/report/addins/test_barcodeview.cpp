// The barcode object: its size and drawing at every angle, what builds make of
// its code, what exports get, and every symbology zbar reads, built into a
// prepared report, rendered by ostrand-cli --frp-render and read back.

#include "barcodescan.h"
#include "buildfixture.h"

#include "app/cli/cli.h"
#include "common/rounding.h"
#include "report/addins/barcodeview.h"
#include "report/addins/programaddins.h"
#include "report/export/exportfilter.h"
#include "report/render/drawing.h"

#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QTextStream>

namespace {

std::unique_ptr<TfrBarCodeView> barcode(const QString& code, std::uint8_t type = bcCode39, double angle = 0) {
    auto v = std::make_unique<TfrBarCodeView>();
    v->setBounds(10, 10, 50, 40);
    v->memo = QStringList{code};
    v->barType = type;
    v->angle = angle;
    return v;
}

QImage draw(const TfrView& view, QSize size = {220, 220}) {
    static const TfrFixedMeasurer measurer(6);
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    TfrDrawContext c;
    c.painter = &painter;
    c.measurer = &measurer;
    frDrawObject(view, c);
    return image;
}

bool ink(QRgb p) { return qGray(p) < 128; }

int inkIn(const QImage& image, const QRect& area) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += image.valid(x, y) && ink(image.pixel(x, y)) ? 1 : 0;
    return n;
}

QRect inkBounds(const QImage& image) {
    QRect r;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (ink(image.pixel(x, y)))
                r |= QRect(x, y, 1, 1);
    return r;
}

std::int32_t patternWidth(const TfrBarCodeView& v) { return frBarcodeGenerator(v, frBarcodeText(v)).width(); }

} // namespace

TEST(BarcodeObject, ItsSizeIsThePatternTimesTheZoomAlongTheCode) {
    const auto v = barcode("12345678");
    const std::int32_t w = patternWidth(*v);
    EXPECT_GT(w, 100);
    v->zoom = 2;
    EXPECT_EQ(frBarcodeBox(*v), (TfrBox{10, 10, 2 * w, 40}));
    v->angle = 90; // the height, not the width
    EXPECT_EQ(frBarcodeBox(*v), (TfrBox{10, 10, 50, 2 * w}));
    v->angle = 450; // taken modulo 360
    EXPECT_EQ(frBarcodeBox(*v).height, 2 * w);
    v->angle = 45; // no angle of the object: drawn at 0
    EXPECT_EQ(frBarcodeBox(*v).width, 2 * w);
    v->zoom = 1.25;
    v->angle = 0;
    EXPECT_EQ(frBarcodeBox(*v).width, roundHalfEven(1.25 * w));
    // The caption shows the check digit EAN-13 computes.
    const auto ean = barcode("400638133393", bcCodeEAN13);
    TfrBarcode g = frBarcodeGenerator(*ean, frBarcodeText(*ean));
    g.encode();
    EXPECT_EQ(g.text(), "4006381333931");
}

TEST(BarcodeObject, CodesNotYetKnownAreDrawnAs12345678) {
    const QImage literal = draw(*barcode("12345678"));
    EXPECT_GT(inkIn(literal, literal.rect()), 500);
    EXPECT_EQ(draw(*barcode("[DS.\"PointNo\"]")), literal);
    const auto empty = barcode("");
    empty->memo = QStringList{};
    EXPECT_EQ(draw(*empty), literal);
    // A numeric type: a text that is no number at all.
    const QImage ean = draw(*barcode("12345678", bcCodeEAN13));
    EXPECT_EQ(draw(*barcode("abc", bcCodeEAN13)), ean);
    EXPECT_NE(draw(*barcode("87654321", bcCodeEAN13)), ean);
}

TEST(BarcodeObject, SomeCodesDrawNothingOrOnlyTheirPlace) {
    const QImage blank = draw(TfrView());
    const auto zero = barcode("0", bcCodeEAN13);
    zero->fillColor = 0x0000FF;
    zero->frameTyp = 15;
    EXPECT_EQ(draw(*zero), blank); // what a failed expression prints: not even the fill
    zero->memo = QStringList{""};
    EXPECT_EQ(draw(*zero), blank);
    zero->memo = QStringList{"123"};
    zero->width = -1;
    EXPECT_EQ(draw(*zero), blank);
    // A number EAN-13 cannot encode: its fill and frame, no bars.
    const auto sign = barcode("+5", bcCodeEAN13);
    sign->fillColor = 0x00FFFF;
    const QImage place = draw(*sign);
    EXPECT_EQ(inkIn(place, place.rect()), 0);
    EXPECT_EQ(place.pixel(30, 30), qRgb(255, 255, 0));
}

TEST(BarcodeObject, TheCaptionLiesOnItsSideAtEveryAngle) {
    // Caption strip of 14 pixels on the caption's side: the line 13 pixels in
    // from that edge stays empty, the caption is drawn beyond it, the bars
    // before it. Without a caption the bars fill the whole depth.
    for (const int angle : {0, 90, 180, 270}) {
        const auto v = barcode("12345678", bcCode39, angle);
        const TfrBox b = frBarcodeBox(*v);
        const int right = b.left + b.width, bottom = b.top + b.height; // exclusive
        QRect gap, caption, bars;
        switch (angle) {
        case 0:
            gap = QRect(b.left, bottom - 13, b.width, 1);
            caption = QRect(b.left, bottom - 11, b.width, 8);
            bars = QRect(b.left, b.top, b.width, 12);
            break;
        case 90:
            gap = QRect(right - 13, b.top, 1, b.height);
            caption = QRect(right - 11, b.top, 8, b.height);
            bars = QRect(b.left, b.top, 12, b.height);
            break;
        case 180:
            gap = QRect(b.left, b.top + 13, b.width, 1);
            caption = QRect(b.left, b.top + 4, b.width, 8);
            bars = QRect(b.left, bottom - 12, b.width, 12);
            break;
        default:
            gap = QRect(b.left + 13, b.top, 1, b.height);
            caption = QRect(b.left + 4, b.top, 8, b.height);
            bars = QRect(right - 12, b.top, 12, b.height);
            break;
        }
        const QImage image = draw(*v);
        EXPECT_TRUE(QRect(b.left, b.top, b.width + 1, b.height + 1).contains(inkBounds(image))) << angle;
        EXPECT_EQ(inkIn(image, gap), 0) << angle;
        EXPECT_GT(inkIn(image, caption), 8 * 5 * 4) << angle; // eight characters
        EXPECT_GT(inkIn(image, bars), 12 * 40) << angle;
        v->showText = false;
        EXPECT_GT(inkIn(draw(*v), gap), 20) << angle;
    }
}

TEST(BarcodeObject, TheZoomStretchesTheBars) {
    const auto one = barcode("12345678"), two = barcode("12345678");
    one->showText = two->showText = false;
    two->zoom = 2;
    const QImage a = draw(*one, {400, 60}), b = draw(*two, {400, 60});
    for (int x = 0; x < patternWidth(*one); ++x)
        ASSERT_EQ(ink(a.pixel(10 + x, 30)), ink(b.pixel(10 + 2 * x, 30))) << x;
}

namespace {

class BarcodeBuild : public BuildTest {
public:
    BarcodeBuild() { frRegisterProgramAddIns(engine); }
    TfrBarCodeView& bar(const QString& code, std::uint8_t type = bcCode128B) {
        auto* v = frCast<TfrBarCodeView>(page().add(engine.createObject(gtAddIn, "TfrBarCodeView")));
        v->createUniqueName(&report);
        v->setBounds(40, 0, 30, 40);
        v->memo = QStringList{code};
        v->barType = type;
        return *v;
    }
    std::vector<const TfrBarCodeView*> printed() {
        std::vector<const TfrBarCodeView*> out;
        for (const auto& v : frPreparedPages(report).loadPage(0).objects())
            if (const auto* b = frCast<TfrBarCodeView>(v.get()))
                out.push_back(b);
        return out;
    }
};

} // namespace

TEST_F(BarcodeBuild, PreparedCopiesHoldTheEvaluatedCodeAtItsSize) {
    addRecord("A", "x", 1);
    addRecord("B", "y", 22);
    band(btMasterData, 0, 50, "Data", "frDS");
    TfrBarCodeView& v = bar("[DS.Qty]");
    v.tag = "[DS.Name]";
    v.zoom = 2;
    bar("[NoSuchName]");
    ASSERT_TRUE(build().ok());
    EXPECT_EQ(listing(), (std::vector<QStringList>{{"1", "0", "22", "0"}}));
    const auto copies = printed();
    ASSERT_EQ(copies.size(), 4u);
    EXPECT_EQ(copies[0]->tag, "x");
    EXPECT_EQ(copies[2]->tag, "y");
    EXPECT_EQ(copies[0]->width, frBarcodeBox(*copies[0]).width);
    EXPECT_EQ(copies[0]->width, 2 * frBarcodeGenerator(*copies[0], "1").width());
    EXPECT_GT(copies[2]->width, copies[0]->width);
    EXPECT_EQ(copies[1]->width, 30); // "0": drawn as nothing, left as it is
    // The template keeps its expression.
    EXPECT_EQ(v.memo, QStringList{"[DS.Qty]"});
    frPreparedPages(report).releasePage(0);
}

TEST_F(BarcodeBuild, DataTheTypeCannotEncodeFailsTheBuildNamingTheObject) {
    addRecord("A", "12x", 1);
    band(btMasterData, 0, 50, "Data", "frDS");
    bar("[DS.Name]", bcCodeEAN13);
    const TfrBuildResult result = build();
    ASSERT_FALSE(result.ok());
    EXPECT_TRUE(result.error.contains("Объект: Bar1")) << result.error.toStdString();
    EXPECT_TRUE(result.error.contains("Barcode must be numeric")) << result.error.toStdString();
}

TEST_F(BarcodeBuild, ExportsTakeABarcodeAsAPicture) {
    const auto bar = barcode("12345678");
    TfrBarCodeView& v = *bar;
    class TTexts : public TfrExportFilter {
    public:
        QString className() const override { return "TTexts"; }
        QString description() const override { return {}; }
        QString extension() const override { return {}; }
        void onData(std::int32_t, std::int32_t, const TfrView&) override { ++objects; }
        void onText(const TfrExportLine&) override { ++lines; }
        int objects = 0, lines = 0;
    } filter;
    frExportObject(engine, filter, v);
    EXPECT_EQ(filter.objects, 1);
    EXPECT_EQ(filter.lines, 0);
    v.width = frBarcodeBox(v).width; // as a build leaves it
    const TfrPicture picture = frExportPicture(engine, v);
    ASSERT_FALSE(picture.image.isNull());
    EXPECT_GT(inkIn(picture.image, picture.image.rect()), 1000);
}

// Every symbology zbar reads, at every angle, drawn by ostrand-cli
// --frp-render at 150 dots per inch from a built prepared report. Objects
// are drawn at Modul 1: at 150 dpi a module is 1.6 dots, too narrow for the
// reader, so they are zoomed 2 times, Codabar 3 times: its wide elements are
// only twice its narrow ones (Ratio 2), and at 3.3 dots a module, rounding
// every edge to a dot leaves zbar unable to tell them apart.
TEST_F(BarcodeBuild, PrintedCodesReadBackThroughTheCommandLine) {
    if (!barcodescan::haveScanner())
        GTEST_SKIP() << "zbar-tools is not installed";
    const struct {
        std::uint8_t type;
        QString text;
        bool checksum;
        const char* symbology;
        QString data;
        double zoom = 2;
    } cases[] = {
        {bcCodeEAN13, "400638133393", true, "EAN-13", "4006381333931"},
        {bcCodeEAN8, "9638507", true, "EAN-8", "96385074"},
        {bcCodeUPC_A, "03600029145", true, "EAN-13", "0036000291452"},
        {bcCodeUPC_E0, "1234503", true, "EAN-13", "0012000003455"},
        {bcCode39, "CODE-39 $/+%", true, "CODE-39", "CODE-39 $/+%A"},
        {bcCode39Extended, "Hello", false, "CODE-39", "H+E+L+L+O"},
        {bcCode93, "CODE 93-$/+%.", false, "CODE-93", "CODE 93-$/+%."},
        {bcCode93Extended, "Report 93!", false, "CODE-93", "Report 93!"},
        {bcCode128A, "HELLO\t[1]", false, "CODE-128", "HELLO\t[1]"},
        {bcCode128B, "Ostrand 2026", false, "CODE-128", "Ostrand 2026"},
        {bcCode128C, "123", false, "CODE-128", "0123"},
        {bcCode_2_5_interleaved, "12345678901", false, "I2/5", "1234567890"},
        {bcCodeCodabar, "0123456789-$:/.+", false, "Codabar", "A0123456789-$:/.+B", 3},
        {bcCodeEAN128A, "0112345678901231", false, "CODE-128", "0112345678901231"},
        {bcCodeEAN128B, "10abc", false, "CODE-128", "10abc"},
        {bcCodeEAN128C, "1234567890123", true, "CODE-128", "12345678901231"},
    };
    // One page per code and angle, its paper fitted around the code.
    report.pages().clear();
    constexpr int kQuiet = 40, kMargin = 10;
    std::vector<QString> expected;
    for (const auto& c : cases) {
        for (const int angle : {0, 90, 180, 270}) {
            TfrPage& p = addPage();
            p.margins = {kMargin, kMargin, kMargin, kMargin};
            const int pageIndex = report.pages().count() - 1;
            TfrBandView& title = band(btReportTitle, 0, 10, QStringLiteral("Title%1").arg(pageIndex), {}, pageIndex);
            auto* v = frCast<TfrBarCodeView>(p.add(engine.createObject(gtAddIn, "TfrBarCodeView")));
            v->createUniqueName(&report);
            v->memo = QStringList{c.text};
            v->barType = c.type;
            v->checksum = c.checksum;
            v->angle = angle;
            v->zoom = c.zoom;
            v->setBounds(kQuiet, kQuiet, 60, 60);
            const TfrBox box = frBarcodeBox(*v);
            title.height = box.top + box.height + kQuiet;
            const int w = box.left + box.width + kQuiet + 2 * kMargin, h = title.height + 2 * kMargin;
            p.changePaper(frPaperCustom, frunits::pixelsToTenths(w), frunits::pixelsToTenths(h), -1, poPortrait);
            expected.push_back(QString::fromLatin1(c.symbology) + u':' + c.data +
                               QStringLiteral(" (%1 at %2)").arg(frBarcodeTypeName(c.type)).arg(angle));
        }
    }
    ASSERT_TRUE(build().ok());
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString frp = dir.filePath("codes.frp");
    frSavePreparedReport(report, frp);
    ASSERT_EQ(frPreparedPages(report).count(), int(expected.size()));
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const QString png = dir.filePath(QStringLiteral("page%1.png").arg(i + 1));
        QString out, err;
        QTextStream o(&out), e(&err);
        ASSERT_EQ(runCli({"--frp-render", frp, "--page", QString::number(i + 1), "--png", png, "--dpi", "150"}, o, e), 0)
            << err.toStdString();
        const QList<barcodescan::TSymbol> symbols = barcodescan::scanFile(png);
        const QString what = expected[i].mid(expected[i].lastIndexOf(u'('));
        ASSERT_EQ(symbols.size(), 1) << what.toStdString();
        EXPECT_EQ(symbols[0].type + u':' + QString::fromLatin1(symbols[0].data) + u' ' + what, expected[i]);
    }
}
