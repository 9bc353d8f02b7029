#include "report/addins/chart.h"

#include "common/binio.h"
#include "common/exception.h"
#include "common/numformat.h"
#include "report/addins/chartdraw.h"
#include "report/builder/objectbuild.h"
#include "report/model/buildstate.h"
#include "report/render/drawing.h"
#include "report/render/textlayout.h"

#include <QPainter>

#include <algorithm>

namespace {

constexpr std::uint8_t kDataChart = 0, kPictureChart = 1;

// The kind of picture file the bytes hold, by their first bytes; what this
// program does not decode counts as a metafile (kept, not drawn).
TfrPicture::Kind pictureKindOf(const QByteArray& bytes) {
    if (bytes.startsWith("BM"))
        return TfrPicture::Bitmap;
    if (bytes.startsWith("\xFF\xD8\xFF"))
        return TfrPicture::Jpeg;
    if (bytes.startsWith(QByteArrayView("\0\0\1\0", 4)))
        return TfrPicture::Icon;
    return TfrPicture::Metafile;
}

// ---------------------------------------------------------------- building

// What a chart collected since it was last printed: its memo lines and the
// number of the series being filled.
struct TChartCollected {
    bool started = false;
    QStringList memo;
    std::int32_t seriesCounter = 0;
};

// A chart starts collecting from the memo its template gave it.
TChartCollected& collectedOf(const TfrView& chart, TfrPrintContext& c) {
    TChartCollected& collected = c.state.objectState<TChartCollected>(chart);
    if (!collected.started) {
        collected.started = true;
        collected.memo = chart.memo;
    }
    return collected;
}

class TChartBuilder : public TfrObjectBuilder {
public:
    void objectPrinted(TfrView& listener, const TfrView& printed, const QStringList& text,
                       TfrPrintContext& c) const override {
        if (c.firstOfTwoPasses)
            return;
        TChartCollected& collected = collectedOf(listener, c);
        QStringList first;
        if (!text.isEmpty())
            first << frStripLineEnd(text.first());
        frCollectChartText(collected.memo, collected.seriesCounter, static_cast<const TfrChartView&>(listener).settings,
                           printed.name(), first);
    }

    // Writes the chart with what it collected as its memo; the next printed
    // instance collects anew (series counted from the start again, so that
    // it draws the series printed after this one).
    void print(TfrView& view, const TfrPrintPlace& place, bool, TfrPrintContext& c) const override {
        if (c.loadDataField)
            c.loadDataField(view);
        if (c.beforePrint) {
            QStringList text = view.memo;
            c.beforePrint(view, text);
        }
        if (c.runScript)
            c.runScript(view);
        if (!view.visible || !c.output)
            return;
        TChartCollected& collected = collectedOf(view, c);
        TfrView& image = printImage(view, place, c);
        image.memo = collected.memo;
        c.output(image);
        if (!c.firstOfTwoPasses) {
            collected.memo.clear();
            collected.seriesCounter = 0;
        }
    }
};

// ---------------------------------------------------------------- drawing

void paintChart(const TfrView& view, TfrDrawContext& c) {
    const auto* chart = frCast<TfrChartView>(&view);
    if (!chart || !c.painter)
        return;
    QPainter& p = *c.painter;
    const TfrDrawGeometry g = frBeginDraw(view, frBoxOf(view), c.transform);
    const QRectF rect(g.drawRect.left, g.drawRect.top, double(g.drawRect.width()), double(g.drawRect.height()));
    const double scale = std::min(c.transform.sx, c.transform.sy);
    const QColor background =
        frcolor::isTransparent(view.fillColor) ? QColor(Qt::white) : frcolor::toQColor(view.fillColor);
    const TfrChartSettings& s = chart->settings;
    if (chart->drawsData()) {
        if (!frDrawChartMemo(p, rect, scale, s, view.memo, background)) {
            if (c.designer)
                frDrawChart(p, rect, scale, s, TfrChartData{}, background);
            else
                frShowBackground(view, g, c);
        }
    } else if (!chart->pictureImage().isNull()) {
        frShowBackground(view, g, c);
        p.save();
        p.setClipRect(rect, Qt::IntersectClip);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(rect, chart->pictureImage());
        p.restore();
    } else {
        frDrawChart(p, rect, scale, s, TfrChartData{}, background);
    }
    frShowFrame(view, g, view.frameTyp, c);
}

// ---------------------------------------------------------------- properties

// A top count typed as text must be a whole number.
std::int32_t wholeNumber(const TVariant& v) {
    if (!v.isString())
        return v.toInt();
    const QString text = v.toString().trimmed();
    if (const std::optional<std::int32_t> n = numfmt::parseInt(text))
        return *n;
    throw Exception(QStringLiteral("'%1' is not a valid integer value").arg(text));
}

TVariant number(std::int32_t v) { return TVariant(v); }

} // namespace

TfrChartView::TfrChartView() {
    objectType = gtAddIn;
    setFlag(frflags::WantHook, true);
}

const TfrObjectClass& TfrChartView::classInfo() {
    static const TfrObjectClass c = [] {
        TfrObjectClass c = frAddInClass<TfrChartView>(QStringLiteral("TfrChartView"), QStringLiteral("Chart"),
                                                      TfrView::classInfo());
        c.paint = paintChart;
        c.builder = std::make_shared<TChartBuilder>();
        return c;
    }();
    return c;
}

const TfrPropTable& TfrChartView::classProperties() {
    using C = TfrChartView;
    static const TfrPropTable table = [] {
        TfrPropTable t(&TfrView::classProperties());
        t.add<C>(QStringLiteral("Chart"), frdtHasEditor | frdtOneObject,
                 [](const C& o) { return number(std::uint8_t(o.settings.kind)); });
        // The settings one by one, for the chart editor and scripts.
        QStringList settings;
        auto add = [&](const QString& name, std::uint16_t kind, TVariant (*get)(const C&),
                       void (*set)(C&, const TVariant&)) {
            t.add<C>(name, kind, get, set);
            settings << name;
        };
        add(QStringLiteral("Chart.Kind"), frdtInteger, [](const C& o) { return number(std::uint8_t(o.settings.kind)); },
            [](C& o, const TVariant& v) { o.settings.kind = TfrChartKind(std::uint8_t(v.toInt())); });
        const struct {
            const char16_t* name;
            bool TfrChartSettings::*field;
        } switches[] = {
            {u"Chart.View3D", &TfrChartSettings::view3d},
            {u"Chart.SingleSeries", &TfrChartSettings::singleSeries},
            {u"Chart.Legend", &TfrChartSettings::legend},
            {u"Chart.Axes", &TfrChartSettings::axes},
            {u"Chart.Marks", &TfrChartSettings::marks},
            {u"Chart.Multicolored", &TfrChartSettings::multicolored},
        };
        for (const auto& sw : switches) {
            TfrPropRec rec;
            rec.name = QString::fromUtf16(sw.name);
            rec.kind = frdtBoolean;
            rec.get = [field = sw.field](const TfrObject& o) { return TVariant(static_cast<const C&>(o).settings.*field); };
            rec.set = [field = sw.field](TfrObject& o, const TVariant& v) {
                static_cast<C&>(o).settings.*field = v.toBool();
            };
            settings << rec.name;
            t.add(std::move(rec));
        }
        add(QStringLiteral("Chart.MarkStyle"), frdtInteger,
            [](const C& o) { return number(std::uint8_t(o.settings.markStyle)); },
            [](C& o, const TVariant& v) { o.settings.markStyle = TfrChartMarkStyle(std::uint8_t(v.toInt())); });
        add(QStringLiteral("Chart.TopCount"), frdtInteger, [](const C& o) { return number(o.settings.topCount); },
            [](C& o, const TVariant& v) { o.settings.topCount = wholeNumber(v); });
        add(QStringLiteral("Chart.CaptionObject"), frdtString,
            [](const C& o) { return TVariant(o.settings.captionObject); },
            [](C& o, const TVariant& v) { o.settings.captionObject = v.toString(); });
        add(QStringLiteral("Chart.ValueObject"), frdtString, [](const C& o) { return TVariant(o.settings.valueObject); },
            [](C& o, const TVariant& v) { o.settings.valueObject = v.toString(); });
        add(QStringLiteral("Chart.RestCaption"), frdtString, [](const C& o) { return TVariant(o.settings.restCaption); },
            [](C& o, const TVariant& v) { o.settings.restCaption = v.toString(); });
        for (const QString& name : settings)
            t.hide(name);
        return t;
    }();
    return table;
}

bool TfrChartView::drawsData() const {
    return !memo.isEmpty() || !settings.captionObject.isEmpty() || !settings.valueObject.isEmpty();
}

void TfrChartView::setPictureBytes(const QByteArray& bytes) {
    m_picture.setData(bytes.isEmpty() ? TfrPicture::None : pictureKindOf(bytes), bytes);
}

void TfrChartView::assign(const TfrView& source) {
    TfrView::assign(source);
    if (const auto* chart = frCast<TfrChartView>(&source)) {
        settings = chart->settings;
        m_picture = chart->m_picture;
    }
}

void TfrChartView::loadFromStream(TBinaryReader& in, const TfrStreamContext& context) {
    TfrView::loadFromStream(in, context);
    settings = TfrChartSettings();
    const std::uint8_t kind = in.readU8();
    if (kind == kDataChart) {
        settings = frReadChartSettings(in, context.version);
        setPictureBytes(QByteArray());
        return;
    }
    if (kind != kPictureChart)
        throw EFormatError(QStringLiteral("Chart of unknown kind %1").arg(kind));
    const std::int32_t size = in.readI32();
    if (size < 0)
        throw EFormatError(QStringLiteral("Chart picture of %1 bytes").arg(size));
    setPictureBytes(in.readBytes(in.need(size)));
}

void TfrChartView::saveToStream(TBinaryWriter& out, const TfrStreamContext& context) const {
    TfrView::saveToStream(out, context);
    if (drawsData() || m_picture.data.isEmpty()) {
        out.writeU8(kDataChart);
        frWriteChartSettings(out, settings);
        return;
    }
    out.writeU8(kPictureChart);
    out.writeI32(std::int32_t(m_picture.data.size()));
    out.writeBytes(m_picture.data);
}

QString TfrChartView::loadWarning() const {
    if (drawsData() || m_picture.data.isEmpty() || !m_picture.image.isNull())
        return QString();
    return QStringLiteral("Диаграмма %1 хранит картинку, которую программа не показывает: вместо неё "
                          "рисуется пустая диаграмма, а сама картинка сохраняется без изменений")
        .arg(name());
}
