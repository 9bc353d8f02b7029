// The chart object: its stored form, its properties, what it collects from
// the memos printed around it in a build, and how its prepared pages look.

#include "buildfixture.h"
#include "chartpixels.h"

#include "common/binio.h"
#include "common/cp1251.h"
#include "report/addins/chart.h"
#include "report/addins/programaddins.h"
#include "report/export/exportfilter.h"
#include "report/export/formatfilters.h"
#include "report/export/pdfwriter.h"
#include "report/export/textexport.h"
#include "report/render/drawing.h"

#include <QBuffer>
#include <QFile>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cmath>
#include <numbers>

using namespace chartpixels;

namespace {

// The first records of an enhanced metafile (a header and the end record):
// what the original files hold as a chart's picture.
QByteArray enhancedMetafile() {
    QByteArray bytes;
    TBinaryWriter out(bytes);
    out.writeU32(1);  // header record
    out.writeU32(88); // its size
    for (const std::int32_t v : {0, 0, 99, 49, 0, 0, 2600, 1300})
        out.writeI32(v); // bounds, frame
    out.writeU32(0x464D4520); // " EMF"
    out.writeU32(0x10000);
    out.writeU32(108); // bytes of the file
    out.writeU32(2);   // records
    out.writeU16(1);
    out.writeU16(0);
    for (const std::uint32_t v : {0u, 0u, 0u, 1024u, 768u, 320u, 240u})
        out.writeU32(v);
    out.writeU32(14); // end record
    out.writeU32(20);
    out.writeU32(0);
    out.writeU32(16);
    out.writeU32(20);
    return bytes;
}

QByteArray bmpOf(QColor colour) {
    QImage image(8, 6, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    return bytes;
}

QByteArray written(const TfrView& view, TfrSaveMode mode = TfrSaveMode::Design) {
    QByteArray bytes;
    TBinaryWriter out(bytes);
    view.saveToStream(out, TfrStreamContext{25, mode});
    return bytes;
}

// What the common object data of `view` take in its stored form.
QByteArray baseWritten(const TfrView& view) {
    QByteArray bytes;
    TBinaryWriter out(bytes);
    view.TfrView::saveToStream(out, TfrStreamContext{});
    return bytes;
}

QByteArray settingsWritten(const TfrChartSettings& s) {
    QByteArray bytes;
    TBinaryWriter out(bytes);
    frWriteChartSettings(out, s);
    return bytes;
}

void readInto(TfrChartView& chart, const QByteArray& bytes) {
    TBinaryReader in(bytes);
    chart.loadFromStream(in, TfrStreamContext{});
    EXPECT_TRUE(in.atEnd());
}

TfrChartSettings someSettings() {
    TfrChartSettings s;
    s.kind = TfrChartKind::Pie;
    s.legend = false;
    s.markStyle = TfrChartMarkStyle(9); // unknown: kept
    s.topCount = 3;
    for (std::size_t i = 0; i < s.reserved.size(); ++i)
        s.reserved[i] = std::uint8_t(0xA0 + i);
    s.captionObject = QStringLiteral("Name");
    s.valueObject = QStringLiteral("Sum");
    s.restCaption = QStringLiteral("Прочие");
    return s;
}

} // namespace

TEST(ChartView, DataChartStoresItsSettingsBlockAfterTheCommonData) {
    TfrChartView chart;
    chart.setName("Chart1");
    chart.setBounds(10, 20, 300, 200);
    chart.settings = someSettings();
    const QByteArray bytes = written(chart);
    const QByteArray base = baseWritten(chart);
    ASSERT_TRUE(bytes.startsWith(base));
    EXPECT_EQ(bytes.mid(base.size()), QByteArray(1, '\0') + settingsWritten(someSettings()));
    TfrChartView again;
    readInto(again, bytes);
    EXPECT_EQ(again.settings, someSettings());
    EXPECT_EQ(written(again), bytes);
}

TEST(ChartView, WritesTheDataChartUnlessItHoldsAPictureAndNoData) {
    const struct {
        QStringList memo;
        const char* caption;
        const char* value;
        bool picture;
        char kind;
    } cases[] = {
        {{}, "", "", true, 1},
        {{}, "", "", false, 0}, // nothing to keep but the settings
        {{"A;", "1;"}, "", "", true, 0},
        {{}, "Name", "", true, 0},
        {{}, "", "Sum", true, 0},
        {{""}, "", "", true, 0}, // an empty line is a line
    };
    for (const auto& c : cases) {
        TfrChartView chart;
        chart.memo = c.memo;
        chart.settings.captionObject = c.caption;
        chart.settings.valueObject = c.value;
        chart.settings.kind = TfrChartKind::Pie;
        if (c.picture)
            chart.setPictureBytes(bmpOf(Qt::red));
        const QByteArray bytes = written(chart);
        EXPECT_EQ(bytes[baseWritten(chart).size()], c.kind) << c.memo.join('/').toStdString() << c.caption << c.value;
        if (c.kind == 0) {
            TfrChartView again;
            readInto(again, bytes);
            EXPECT_EQ(again.settings, chart.settings) << c.memo.join('/').toStdString() << c.caption << c.value;
        }
    }
}

TEST(ChartView, PictureChartKeepsItsBytesAsRead) {
    for (const QByteArray& picture : {enhancedMetafile(), bmpOf(Qt::red), QByteArray("not a picture")}) {
        TfrChartView chart;
        chart.setName("Chart1");
        chart.settings.kind = TfrChartKind::Pie; // a picture chart stores no settings
        chart.setPictureBytes(picture);
        const QByteArray bytes = written(chart);
        const QByteArray base = baseWritten(chart);
        QByteArray payload;
        TBinaryWriter out(payload);
        out.writeU8(1);
        out.writeI32(std::int32_t(picture.size()));
        out.writeBytes(picture);
        EXPECT_EQ(bytes.mid(base.size()), payload);
        TfrChartView again;
        readInto(again, bytes);
        EXPECT_EQ(again.pictureBytes(), picture);
        EXPECT_EQ(again.settings, TfrChartSettings{});
        EXPECT_EQ(written(again), bytes);
        EXPECT_TRUE(written(again, TfrSaveMode::Prepared).endsWith(payload));
    }
    // A picture chart stored without a picture reads with none.
    TfrChartView empty;
    const QByteArray bytes = baseWritten(empty) + QByteArray("\1\0\0\0\0", 5);
    TfrChartView again;
    readInto(again, bytes);
    EXPECT_TRUE(again.pictureBytes().isEmpty());
    EXPECT_EQ(again.settings, TfrChartSettings{});
}

TEST(ChartView, CutOrDamagedRecordsAreRefused) {
    TfrChartView data;
    data.settings = someSettings();
    TfrChartView picture;
    picture.setPictureBytes(bmpOf(Qt::blue));
    for (const TfrChartView* chart : {&data, &picture}) {
        const QByteArray bytes = written(*chart);
        for (qsizetype n = baseWritten(*chart).size(); n < bytes.size(); ++n) {
            TfrChartView cut;
            TBinaryReader in(bytes.left(n));
            EXPECT_THROW(cut.loadFromStream(in, TfrStreamContext{}), EFormatError) << n;
        }
    }
    QByteArray bytes = baseWritten(picture);
    TBinaryWriter out(bytes);
    out.writeU8(1);
    out.writeI32(-1);
    TfrChartView negative;
    TBinaryReader in(bytes);
    EXPECT_THROW(negative.loadFromStream(in, TfrStreamContext{}), EFormatError);
    QByteArray unknown = baseWritten(picture) + QByteArray(1, '\2');
    TBinaryReader in2(unknown);
    EXPECT_THROW(negative.loadFromStream(in2, TfrStreamContext{}), EFormatError);
}

TEST(ChartView, PropertiesGiveTheSettingsToTheEditor) {
    TfrChartView chart;
    const TfrPropRec* editor = chart.findProperty(u"Chart");
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->kind, 320);
    EXPECT_TRUE(editor->listed);
    // The editor stores its fields in this order; the inspector lists none of them.
    const std::pair<const char16_t*, TVariant> fields[] = {
        {u"Chart.Kind", TVariant(std::int32_t(3))},     {u"Chart.View3D", TVariant(false)},
        {u"Chart.SingleSeries", TVariant(false)},       {u"Chart.Legend", TVariant(false)},
        {u"Chart.Axes", TVariant(true)},                {u"Chart.Marks", TVariant(false)},
        {u"Chart.Multicolored", TVariant(false)},       {u"Chart.MarkStyle", TVariant(std::int32_t(4))},
        {u"Chart.TopCount", TVariant(u" 5 ")},          {u"Chart.CaptionObject", TVariant(u"Name")},
        {u"Chart.ValueObject", TVariant(u"Sum")},       {u"Chart.RestCaption", TVariant(u"Прочие")},
    };
    for (const auto& [name, value] : fields) {
        const TfrPropRec* p = chart.findProperty(QString::fromUtf16(name));
        ASSERT_NE(p, nullptr) << QString::fromUtf16(name).toStdString();
        EXPECT_FALSE(p->listed);
        EXPECT_TRUE(chart.setPropValue(QString::fromUtf16(name), value));
    }
    TfrChartSettings expected;
    expected.kind = TfrChartKind::Bars;
    expected.view3d = expected.singleSeries = expected.legend = expected.marks = expected.multicolored = false;
    expected.axes = true;
    expected.markStyle = TfrChartMarkStyle::CaptionValue;
    expected.topCount = 5;
    expected.captionObject = "Name";
    expected.valueObject = "Sum";
    expected.restCaption = "Прочие";
    EXPECT_EQ(chart.settings, expected);
    EXPECT_EQ(chart.getPropValue("Chart")->toInt(), 3);
    EXPECT_EQ(chart.getPropValue("chart.restcaption")->toString(), "Прочие");
    // A top count typed as anything but a whole number changes nothing.
    for (const char16_t* text : {u"abc", u"1.5", u"", u"99999999999"}) {
        EXPECT_THROW(chart.setPropValue("Chart.TopCount", TVariant(text)), Exception);
        EXPECT_EQ(chart.settings.topCount, 5);
    }
}

// A template of charts as stored (a data chart of each kind with reserved
// bytes set, one of collected lines, picture charts of a metafile and a
// bitmap, a chart with neither names nor picture): it reads as written and
// writes back unchanged.
TEST(ChartView, StoredTemplateReadsAndWritesBackUnchanged) {
    TfrEngine engine;
    frRegisterProgramAddIns(engine);
    TfrReport report(engine);
    QFile file(QStringLiteral(OSTRAND_TEST_DATA_DIR "/charts.frf"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray stored = file.readAll();
    const TfrLoadResult result = report.loadFromStream(stored);
    // Loaded whole; the metafile is reported, once.
    ASSERT_TRUE(result.whole());
    ASSERT_EQ(result.messages.size(), 1);
    EXPECT_TRUE(result.messages[0].startsWith("Диаграмма Metafile хранит картинку")) << result.messages[0].toStdString();
    EXPECT_TRUE(frCast<TfrChartView>(report.findObject("Metafile"))->pictureImage().isNull());
    for (int kind = 0; kind < 6; ++kind) {
        const auto* c = frCast<TfrChartView>(report.findObject(QString("Data%1").arg(kind)));
        ASSERT_NE(c, nullptr) << kind;
        EXPECT_EQ(int(c->settings.kind), kind);
        EXPECT_EQ(c->settings.view3d, kind % 2 == 1);
        EXPECT_EQ(c->settings.singleSeries, kind != 2);
        EXPECT_EQ(int(c->settings.markStyle), kind % 5);
        EXPECT_EQ(c->settings.reserved[std::size_t(kind)], 0x40 + kind);
        EXPECT_EQ(c->settings.valueObject, "Sum");
        EXPECT_TRUE(c->flag(frflags::WantHook));
    }
    EXPECT_EQ(frCast<TfrChartView>(report.findObject("Data3"))->settings.restCaption, "Прочие");
    EXPECT_EQ(report.findObject("Collected")->memo, (QStringList{"А;Б;В;", "1 234.5;-2;3 руб.;"}));
    EXPECT_EQ(frCast<TfrChartView>(report.findObject("Metafile"))->pictureBytes(), enhancedMetafile());
    EXPECT_EQ(frCast<TfrChartView>(report.findObject("Bitmap"))->pictureImage().pixelColor(3, 3), QColor(0, 128, 255));
    EXPECT_TRUE(frCast<TfrChartView>(report.findObject("Empty"))->pictureBytes().isEmpty());
    EXPECT_EQ(report.saveToStream(), stored);
}

// ---------------------------------------------------------------------------
// Building

namespace {

class ChartBuild : public BuildTest {
public:
    ChartBuild() { frRegisterProgramAddIns(engine); }

    // A flat bar chart without legend or marks collecting Name's captions
    // and Sum's values.
    TfrChartView& chart(int y, int width = 300, int height = 200) {
        auto* c = static_cast<TfrChartView*>(page().add(engine.createObject(gtAddIn, "TfrChartView")));
        c->createUniqueName(&report);
        c->setBounds(40, y, width, height);
        c->settings.kind = TfrChartKind::Bars;
        c->settings.view3d = c->settings.legend = c->settings.marks = false;
        c->settings.captionObject = "Name";
        c->settings.valueObject = "Sum";
        return *c;
    }
    TfrMemoView& named(int y, const QString& text, const QString& name) {
        TfrMemoView& m = memo(y, text);
        m.setName(name);
        return m;
    }
    // A data band of the table's records printing Name and Sum.
    void dataBand(const QString& caption = "[Name]", const QString& value = "[Qty]") {
        band(btMasterData, 0, 20, "Data", "frDS");
        named(0, caption, "Name");
        named(0, value, "Sum").setBounds(240, 0, 100, 16);
    }
    void records(const std::vector<std::pair<QString, int>>& rows) {
        for (const auto& [name, qty] : rows)
            addRecord("S", name, qty);
    }

    // The memos of the charts printed on a page, in print order.
    std::vector<QStringList> printedCharts(int index = 0) {
        std::vector<QStringList> out;
        TfrEMFPages& pages = frPreparedPages(report);
        for (const auto& v : pages.loadPage(index).objects())
            if (frCast<TfrChartView>(v.get()))
                out.push_back(v->memo);
        pages.releasePage(index);
        return out;
    }
    // The series the first chart printed on a page draws.
    std::optional<TfrChartData> printedData(int index = 0) {
        TfrEMFPages& pages = frPreparedPages(report);
        std::optional<TfrChartData> data;
        for (const auto& v : pages.loadPage(index).objects())
            if (const auto* c = frCast<TfrChartView>(v.get()); c && !data)
                data = frChartData(c->settings, c->memo);
        pages.releasePage(index);
        return data;
    }

    // A prepared page drawn at `k` picture pixels per report pixel, and
    // where the first chart on it stands.
    QImage renderPage(int index = 0, double k = 1, QRect* chartRect = nullptr) {
        TfrEMFPages& pages = frPreparedPages(report);
        const TfrPreparedPage& p = pages[index];
        QImage image(int(std::lround(p.prnInfo.pgw * k)), int(std::lround(p.prnInfo.pgh * k)), QImage::Format_RGB32);
        image.fill(Qt::white);
        const QRect target = frPaperCanvasRect(p, k);
        {
            QPainter painter(&image);
            pages.draw(index, painter, target);
        }
        if (chartRect) {
            for (const auto& v : pages.loadPage(index).objects())
                if (frCast<TfrChartView>(v.get())) {
                    *chartRect = QRect(target.x() + int(std::lround(v->left * k)), target.y() + int(std::lround(v->top * k)),
                                       int(std::lround(v->width * k)), int(std::lround(v->height * k)));
                    break;
                }
            pages.releasePage(index);
        }
        return image;
    }
    // Only the first chart of a page, drawn.
    QImage renderChart(int index = 0, double k = 1) {
        QRect r;
        const QImage page = renderPage(index, k, &r);
        return page.copy(r);
    }
};

} // namespace

TEST_F(ChartBuild, FiveCaptionsAndValuesFromADataBandIntoASummaryChart) {
    records({{"a", 10}, {"b", 20}, {"c", 30}, {"d", 40}, {"e", 50}});
    dataBand();
    band(btReportSummary, 100, 200, "Summary");
    TfrChartView& c = chart(100);
    ASSERT_TRUE(build().ok());
    EXPECT_EQ(printedCharts(), (std::vector<QStringList>{{"a;b;c;d;e;", "10;20;30;40;50;"}}));
    const QImage image = renderChart();
    for (int i = 0; i < 5; ++i)
        EXPECT_FALSE(bounds(image, color(i)).isEmpty()) << i;
    EXPECT_TRUE(bounds(image, color(5)).isEmpty());
    // The template's chart collected nothing itself.
    EXPECT_TRUE(c.memo.isEmpty());
}

TEST_F(ChartBuild, TopThreeWithTheRestSummedUnderItsCaption) {
    records({{"a", 10}, {"b", 50}, {"c", 20}, {"d", 40}, {"e", 30}});
    dataBand();
    band(btReportSummary, 100, 200, "Summary");
    TfrChartView& c = chart(100);
    c.settings.topCount = 3;
    c.settings.restCaption = "Other";
    ASSERT_TRUE(build().ok());
    const std::optional<TfrChartData> data = printedData();
    ASSERT_TRUE(data);
    ASSERT_EQ(data->series.size(), 1);
    EXPECT_EQ(data->series[0].captions, (QStringList{"b", "d", "e", "Other"}));
    EXPECT_EQ(data->series[0].values, (QList<double>{50, 40, 30, 30}));
    const QImage image = renderChart();
    const QRect b = bounds(image, color(0)), d = bounds(image, color(1)), e = bounds(image, color(2)),
                other = bounds(image, color(3));
    EXPECT_NEAR(ratio(b.height(), other.height()), 5.0 / 3, 0.08);
    EXPECT_NEAR(ratio(d.height(), other.height()), 4.0 / 3, 0.08);
    EXPECT_NEAR(e.height(), other.height(), 1);
    EXPECT_TRUE(bounds(image, color(4)).isEmpty());
}

TEST_F(ChartBuild, ValueTextsWithWordsAndThousandsSeparators) {
    records({{"руб. 1 234.5 коп.", 0}, {"нет данных", 0}, {"итого -2 000 руб", 0}});
    dataBand("[Qty]", "[Name]");
    band(btReportSummary, 100, 200, "Summary");
    chart(100);
    ASSERT_TRUE(build().ok());
    const std::optional<TfrChartData> data = printedData();
    ASSERT_TRUE(data);
    EXPECT_EQ(data->series[0].values, (QList<double>{1234.5, 0, -2000}));
}

TEST_F(ChartBuild, UnequalCountsDrawOnlyTheBackgroundAndFrame) {
    records({{"a", 10}, {"b", 20}, {"c", 30}});
    band(btReportTitle, 0, 20, "Title");
    named(0, "7", "Sum");
    band(btMasterData, 40, 20, "Data", "frDS");
    named(40, "[Name]", "Name");
    band(btReportSummary, 100, 200, "Summary");
    TfrChartView& c = chart(100);
    c.fillColor = 0x00FFFF; // yellow
    c.frameTyp = frftLeft | frftTop | frftRight | frftBottom;
    c.frameColor = 0x0000FF; // red
    ASSERT_TRUE(build().ok());
    EXPECT_EQ(printedCharts(), (std::vector<QStringList>{{"a;b;c;", "7;"}}));
    const QImage image = renderChart();
    // Inside the frame line, only the fill.
    for (int y = 2; y < image.height() - 2; ++y)
        for (int x = 2; x < image.width() - 2; ++x) {
            ASSERT_EQ(image.pixel(x, y), qRgb(255, 255, 0)) << x << "," << y;
        }
    EXPECT_EQ(image.pixel(image.width() / 2, 0), qRgb(255, 0, 0));
}

TEST_F(ChartBuild, SeveralSeriesTitledByTheTitlePrints) {
    addRecord("X", "x1", 10);
    addRecord("X", "x2", 30);
    addRecord("Y", "y1", 20);
    addRecord("Y", "y2", 10);
    band(btGroupHeader, 0, 20, "GroupHeader", "[Sub]");
    named(0, "[Sub]", "Name");
    band(btMasterData, 30, 20, "Data", "frDS");
    named(30, "[Qty]", "Sum");
    band(btReportSummary, 100, 200, "Summary");
    TfrChartView& c = chart(100);
    c.settings.singleSeries = false;
    c.settings.legend = true;
    ASSERT_TRUE(build().ok());
    EXPECT_EQ(printedCharts(), (std::vector<QStringList>{{"X;Y;", "10;30;", "20;10;"}}));
    const std::optional<TfrChartData> data = printedData();
    ASSERT_TRUE(data);
    ASSERT_EQ(data->series.size(), 2);
    EXPECT_EQ(data->series[0].title, "X");
    EXPECT_EQ(data->series[1].title, "Y");
    EXPECT_EQ(data->series[1].values, (QList<double>{20, 10}));
    // Two bars in each series' colour, and a legend entry for each.
    const QImage image = renderChart();
    const QRect legend(image.width() - 60, 0, 60, image.height());
    for (int s = 0; s < 2; ++s) {
        EXPECT_FALSE(bounds(image, color(s), legend).isEmpty()) << s;
        EXPECT_FALSE(bounds(image, color(s), QRect(0, 0, image.width() - 80, image.height())).isEmpty()) << s;
    }
    EXPECT_TRUE(bounds(image, color(2)).isEmpty());
}

TEST_F(ChartBuild, TwoPrintedInstancesOnOnePageCollectApart) {
    for (const bool single : {true, false}) {
        table.close();
        table.open();
        addRecord("X", "a", 10);
        addRecord("X", "b", 30);
        addRecord("Y", "c", 20);
        report.pages().clear();
        addPage();
        band(btGroupHeader, 0, 20, "GroupHeader", "[Sub]");
        named(0, "[Sub]", single ? "Title" : "Name");
        band(btMasterData, 30, 20, "Data", "frDS");
        named(30, "[Name]", single ? "Name" : "Title");
        named(30, "[Qty]", "Sum").setBounds(240, 30, 100, 16);
        band(btGroupFooter, 60, 200, "GroupFooter");
        chart(60).settings.singleSeries = single;
        ASSERT_TRUE(build().ok());
        ASSERT_EQ(frPreparedPages(report).count(), 1);
        if (single)
            EXPECT_EQ(printedCharts(), (std::vector<QStringList>{{"a;b;", "10;30;"}, {"c;", "20;"}}));
        else // each instance its own series, counted from the first again
            EXPECT_EQ(printedCharts(), (std::vector<QStringList>{{"X;", "10;30;"}, {"Y;", "20;"}}));
    }
}

TEST_F(ChartBuild, TheSecondOfTwoPassesCollectsWhatOnePassWould) {
    records({{"a", 1}, {"b", 2}, {"c", 3}});
    dataBand();
    page().objects().front()->flags = frflags::Breaked; // memos of a band that may split print in both passes
    band(btReportSummary, 100, 200, "Summary");
    chart(100);
    report.doublePassReport = true;
    ASSERT_TRUE(build().ok());
    EXPECT_EQ(printedCharts(), (std::vector<QStringList>{{"a;b;c;", "1;2;3;"}}));
}

TEST_F(ChartBuild, TemplateMemoLinesAreTheStartOfWhatIsCollected) {
    records({{"b", 2}});
    dataBand();
    band(btReportSummary, 100, 200, "Summary");
    TfrChartView& c = chart(100);
    c.memo = QStringList{"a;", "1;"};
    ASSERT_TRUE(build().ok());
    EXPECT_EQ(printedCharts(), (std::vector<QStringList>{{"a;b;", "1;2;"}}));
    EXPECT_EQ(c.memo, (QStringList{"a;", "1;"}));
}

TEST_F(ChartBuild, EveryKindDrawnFromAPreparedPage) {
    records({{"a", 10}, {"b", 20}, {"c", 40}});
    dataBand();
    band(btReportSummary, 100, 200, "Summary");
    TfrChartView& c = chart(100);
    auto drawn = [&](TfrChartKind kind, bool legend, bool multicolored = true) {
        c.settings.kind = kind;
        c.settings.legend = legend;
        c.settings.multicolored = multicolored;
        EXPECT_TRUE(build().ok());
        return renderChart(0, 2);
    };
    {
        SCOPED_TRACE("vertical bars");
        const QImage image = drawn(TfrChartKind::Bars, false);
        const QRect a = bounds(image, color(0)), b = bounds(image, color(1)), d = bounds(image, color(2));
        EXPECT_NEAR(ratio(b.height(), a.height()), 2, 0.05);
        EXPECT_NEAR(ratio(d.height(), a.height()), 4, 0.05);
        EXPECT_NEAR(a.bottom(), d.bottom(), 1);
        EXPECT_LT(a.right(), b.left());
    }
    {
        SCOPED_TRACE("horizontal bars");
        const QImage image = drawn(TfrChartKind::HorizontalBars, false);
        const QRect a = bounds(image, color(0)), b = bounds(image, color(1)), d = bounds(image, color(2));
        EXPECT_NEAR(ratio(b.width(), a.width()), 2, 0.05);
        EXPECT_NEAR(ratio(d.width(), a.width()), 4, 0.05);
        EXPECT_NEAR(a.left(), d.left(), 1);
        EXPECT_LT(a.bottom(), b.top());
    }
    for (const TfrChartKind kind : {TfrChartKind::Line, TfrChartKind::Area, TfrChartKind::Points}) {
        SCOPED_TRACE(int(kind));
        const QImage image = drawn(kind, false, false);
        const QRect r = bounds(image, color(0));
        ASSERT_FALSE(r.isEmpty());
        // The colour's topmost pixel, column by column: it rises to the right.
        auto topAt = [&](int x) {
            for (int y = 0; y < image.height(); ++y)
                if (image.pixel(x, y) == color(0))
                    return y;
            return image.height();
        };
        int left = image.height(), right = image.height();
        for (int x = r.left(); x < r.left() + 12; ++x)
            left = std::min(left, topAt(x));
        for (int x = r.right() - 11; x <= r.right(); ++x)
            right = std::min(right, topAt(x));
        EXPECT_GT(left - right, r.height() / 2);
        EXPECT_TRUE(bounds(image, color(1)).isEmpty()); // one colour for the whole series
    }
    {
        SCOPED_TRACE("pie");
        c.settings.view3d = false;
        const QImage image = drawn(TfrChartKind::Pie, false);
        QRect pie;
        for (int i = 0; i < 3; ++i)
            pie |= bounds(image, color(i));
        const QPointF centre = QRectF(pie).center();
        const double r = pie.width() * 0.35;
        // Values 10, 20, 40 of 70, clockwise from twelve o'clock.
        const double ends[] = {360.0 * 10 / 70, 360.0 * 30 / 70, 360};
        for (double degrees = 3; degrees < 360; degrees += 6) {
            const int slice = degrees < ends[0] - 3 ? 0 : degrees > ends[0] + 3 && degrees < ends[1] - 3 ? 1 : degrees > ends[1] + 3 ? 2 : -1;
            if (slice < 0)
                continue;
            const double a = degrees * std::numbers::pi / 180;
            const QPoint at = (centre + r * QPointF(std::sin(a), -std::cos(a))).toPoint();
            EXPECT_EQ(image.pixel(at), color(slice)) << degrees;
        }
        c.settings.view3d = true;
    }
    {
        SCOPED_TRACE("legend");
        for (const TfrChartKind kind : {TfrChartKind::Bars, TfrChartKind::Pie}) {
            const QImage with = drawn(kind, true), without = drawn(kind, false);
            const QRect strip(with.width() - 70, 0, 70, with.height());
            QList<QRect> symbols;
            for (int i = 0; i < 3; ++i) {
                symbols << bounds(with, color(i), strip);
                EXPECT_FALSE(symbols.back().isEmpty()) << i;
                EXPECT_LE(symbols.back().width(), 24) << i;
                EXPECT_TRUE(bounds(without, color(i), QRect(without.width() - 30, 0, 30, without.height())).isEmpty());
            }
            EXPECT_LT(symbols[0].bottom(), symbols[1].top());
            EXPECT_LT(symbols[1].bottom(), symbols[2].top());
        }
    }
}

TEST_F(ChartBuild, PictureChartKeepsItsPictureThroughTheBuild) {
    band(btReportTitle, 0, 200, "Title");
    TfrChartView& shown = chart(0, 100, 60);
    TfrChartView& metafile = chart(80, 100, 60);
    for (TfrChartView* c : {&shown, &metafile})
        c->settings.captionObject = c->settings.valueObject = QString();
    shown.setPictureBytes(bmpOf(QColor(0, 0, 255)));
    metafile.setPictureBytes(enhancedMetafile());
    metafile.setBounds(200, 0, 100, 60);
    ASSERT_TRUE(build().ok());
    TfrEMFPages& pages = frPreparedPages(report);
    std::vector<QByteArray> kept;
    for (const auto& v : pages.loadPage(0).objects())
        if (const auto* c = frCast<TfrChartView>(v.get()))
            kept.push_back(c->pictureBytes());
    pages.releasePage(0);
    EXPECT_EQ(kept, (std::vector<QByteArray>{bmpOf(QColor(0, 0, 255)), enhancedMetafile()}));
    QRect r;
    const QImage page = renderPage(0, 1, &r);
    EXPECT_EQ(page.pixel(r.center()), qRgb(0, 0, 255)); // the picture, stretched over the chart
    EXPECT_EQ(page.pixel(r.right() - 2, r.bottom() - 2), qRgb(0, 0, 255));
    // The metafile's chart is drawn empty: its walls only.
    const QImage empty = page.copy(r.translated(160, 0));
    int walls = 0;
    for (int y = 0; y < empty.height(); ++y)
        for (int x = 0; x < empty.width(); ++x)
            walls += grey(empty.pixel(x, y));
    EXPECT_GT(walls, 50);
}

TEST_F(ChartBuild, DesignerShowsTheEmptyChartUntilDataIsCollected) {
    TfrChartView& c = chart(0, 200, 120);
    c.fillColor = clWhite;
    for (const bool designer : {false, true}) {
        QImage image(240, 160, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter p(&image);
        TfrDrawContext context;
        context.painter = &p;
        context.measurer = measurer.get();
        context.designer = designer;
        frDrawObject(c, context);
        p.end();
        int walls = 0;
        for (int y = 2; y < 118; ++y)
            for (int x = 42; x < 238; ++x)
                walls += grey(image.pixel(x, y));
        EXPECT_EQ(walls > 50, designer);
    }
}

TEST_F(ChartBuild, TextExportsGetNothingPictureExportsTheDrawing) {
    band(btReportTitle, 0, 20, "Title");
    memo(0, "Итог");
    band(btReportSummary, 100, 200, "Summary");
    TfrChartView& c = chart(100);
    c.settings.captionObject = c.settings.valueObject = QString();
    c.memo = QStringList{"a;b;", "10;20;"}; // drawn with the marks "10" and "20"
    c.settings.marks = true;
    ASSERT_TRUE(build().ok());
    QTemporaryDir dir;
    TfrExportOptions headless;
    headless.dialogs = false;
    TfrTextExport text;
    ASSERT_EQ(frExportReport(report, text, dir.filePath("r.txt"), headless), TfrExportResult::Written);
    QFile txt(dir.filePath("r.txt"));
    ASSERT_TRUE(txt.open(QIODevice::ReadOnly));
    EXPECT_EQ(cp1251::decode(txt.readAll()).simplified(), "Итог");
    TfrHTMExport htm;
    htm.exportPictures = true;
    ASSERT_EQ(frExportReport(report, htm, dir.filePath("r.htm"), headless), TfrExportResult::Written);
    const QImage picture(dir.filePath("htm0.bmp"));
    ASSERT_EQ(picture.size(), QSize(600, 400)); // twice the report's resolution
    EXPECT_FALSE(bounds(picture, color(0)).isEmpty());
    EXPECT_FALSE(bounds(picture, color(1)).isEmpty());
}

namespace {

// Runs a poppler tool; nothing when it is missing or fails.
std::optional<QByteArray> poppler(const QString& tool, const QStringList& args) {
    if (QStandardPaths::findExecutable(tool).isEmpty())
        return std::nullopt;
    QProcess proc;
    proc.start(tool, args);
    if (!proc.waitForFinished(60000) || proc.exitStatus() != QProcess::NormalExit || proc.exitCode() != 0)
        return std::nullopt;
    return proc.readAllStandardOutput();
}

} // namespace

TEST_F(ChartBuild, PdfHoldsTheChartAsVectorDrawingWithText) {
    if (QStandardPaths::findExecutable("pdfimages").isEmpty() || QStandardPaths::findExecutable("pdftoppm").isEmpty())
        GTEST_SKIP() << "poppler-utils is not installed";
    records({{"Север", 10}, {"Юг", 30}});
    dataBand();
    band(btReportSummary, 100, 200, "Summary");
    chart(100).settings.legend = true;
    ASSERT_TRUE(build().ok());
    QTemporaryDir dir;
    const QString pdf = dir.filePath("chart.pdf");
    frWritePdf(frPreparedPages(report), pdf);
    // No picture in the file: bars, walls and legend are paths, the captions text.
    const QByteArray images = poppler("pdfimages", {"-list", pdf}).value_or("?");
    EXPECT_EQ(images.count('\n'), 2) << images.toStdString(); // the list's two heading lines only
    const QString text = QString::fromUtf8(poppler("pdftotext", {pdf, "-"}).value_or(QByteArray()));
    EXPECT_TRUE(text.contains("Север") && text.contains("Юг")) << text.toStdString();
    // At 96 dots per inch the page's picture stays below the least limit a
    // decoded picture sets on the image readers of the process (5 MB).
    ASSERT_TRUE(poppler("pdftoppm", {"-r", "96", "-png", "-singlefile", pdf, dir.filePath("chart")}));
    const QImage page(dir.filePath("chart.png"));
    const QRect a = bounds(page, color(0)), b = bounds(page, color(1));
    ASSERT_FALSE(a.isEmpty() || b.isEmpty());
    // Two bars of one baseline, the second three times as high (the
    // legend's symbols lie to their right).
    const QRect barA = bounds(page, color(0), QRect(0, 0, b.left(), page.height()));
    EXPECT_NEAR(ratio(b.height(), barA.height()), 3, 0.05);
}
