#include "report/addins/barcodeview.h"

#include "common/binio.h"
#include "common/exception.h"
#include "common/numformat.h"
#include "common/rounding.h"
#include "report/addins/addinprint.h"
#include "report/expr/interpreter.h"
#include "report/render/drawing.h"
#include "report/render/textmeasure.h"

#include <QPainter>
#include <QTransform>
#include <algorithm>
#include <cmath>
#include <limits>

namespace {

const QString kFallbackCode = QStringLiteral("12345678");
// The caption: "Courier New" 12 pixels high, on a strip of 14 pixels.
constexpr int kCaptionPixels = 12;
constexpr int kCaptionStrip = 14;

// The angle a barcode is drawn at: 90, 180 or 270 when the stored angle is
// one of them (modulo 360), else 0.
int drawnAngle(double angle) {
    if (!std::isfinite(angle))
        return 0;
    const double a = std::fmod(std::fmod(angle, 360.0) + 360.0, 360.0);
    return a == 90.0 || a == 180.0 || a == 270.0 ? int(a) : 0;
}

bool upright(int angle) { return angle == 90 || angle == 270; }

std::int32_t zoomed(std::int32_t width, double zoom) {
    if (!std::isfinite(zoom) || zoom <= 0)
        zoom = 1.0;
    const double v = std::min(double(width) * zoom, double(std::numeric_limits<std::int32_t>::max()));
    return roundHalfEven(v);
}

TfrBox boxFor(const TfrBarCodeView& view, std::int32_t patternWidth) {
    TfrBox box = frBoxOf(view);
    if (upright(drawnAngle(view.angle)))
        box.height = zoomed(patternWidth, view.zoom);
    else
        box.width = zoomed(patternWidth, view.zoom);
    return box;
}

// Code coordinates (u along the code, v across it from the far side of the
// bars to the caption) to those of the picture the code is laid out in,
// `along` by `across` pixels at angle 0 (turned counter-clockwise).
QTransform codeToPicture(int angle, double along, double across) {
    switch (angle) {
    case 90: return QTransform(0, -1, 1, 0, 0, along);
    case 180: return QTransform(-1, 0, 0, -1, along, across);
    case 270: return QTransform(0, 1, -1, 0, across, 0);
    default: return QTransform();
    }
}

// The caption centred along the code, in the strip at the caption's edge.
void drawCaption(QPainter& p, const TfrTextMeasurer& m, const QString& text, double along, double across) {
    TfrFont font;
    font.name = QStringLiteral("Courier New");
    font.size = 9; // 12 pixels
    std::vector<int> advances;
    m.advances(font, text, advances);
    std::int64_t width = 0;
    for (int a : advances)
        width += a;
    std::vector<double> lefts;
    lefts.reserve(advances.size());
    double x = (along - double(width)) / 2;
    for (int a : advances) {
        lefts.push_back(x);
        x += a;
    }
    m.drawText(p, font, kCaptionPixels, text, lefts, across - kCaptionPixels, Qt::black);
}

void drawBarcode(const TfrView& view, TfrDrawContext& c) {
    const auto* bar = frCast<TfrBarCodeView>(&view);
    if (!bar || !c.painter || view.width < 0 || view.height < 0)
        return;
    if (view.memo.size() == 1 && view.memo[0].isEmpty())
        return;
    const QString text = frBarcodeText(*bar);
    // What a failed expression prints draws nothing, whatever the type would
    // make of it.
    if (text.trimmed() == u"0")
        return;
    TfrBarcode code = frBarcodeGenerator(*bar, text);
    std::vector<TfrBarElement> elements;
    try {
        elements = code.elements();
    } catch (const Exception&) {
        // A code that cannot be encoded (a number with a sign for a numeric
        // type, a character Code 93 lacks): its place shows, building it has
        // said why.
        const TfrDrawGeometry g = frBeginDraw(view, frBoxOf(view), c.transform);
        frShowBackground(view, g, c);
        frShowFrame(view, g, view.frameTyp, c);
        return;
    }
    std::int64_t along = 0;
    for (const TfrBarElement& e : elements)
        along += e.width;
    along = std::min<std::int64_t>(along, std::numeric_limits<std::int32_t>::max());
    const int angle = drawnAngle(bar->angle);
    const TfrBox box = boxFor(*bar, std::int32_t(along));
    const TfrDrawGeometry g = frBeginDraw(view, box, c.transform);
    frShowBackground(view, g, c);

    // The code is laid out in a picture as long as its pattern and as deep as
    // the object (turned with the code), which is stretched into the object.
    // Bars are filled rectangles: printed, zoomed or exported, they stay sharp.
    const std::int32_t across = upright(angle) ? box.width : box.height;
    const std::int32_t bars = std::max(0, across - (bar->showText ? kCaptionStrip : 0));
    const double pictureWidth = upright(angle) ? double(across) : double(along);
    const double pictureHeight = upright(angle) ? double(along) : double(across);
    if (pictureWidth > 0 && pictureHeight > 0 && g.width > 0 && g.height > 0) {
        QPainter& p = *c.painter;
        p.save();
        QTransform t;
        t.translate(g.x, g.y);
        t.scale(g.width / pictureWidth, g.height / pictureHeight);
        p.setTransform(t, true);
        const QRectF picture(0, 0, pictureWidth, pictureHeight);
        p.setClipRect(picture, Qt::IntersectClip);
        p.fillRect(picture, code.color);
        p.setTransform(codeToPicture(angle, double(along), double(across)), true);
        // POSTNET's short bars stand on the caption's side at angle 0 and
        // hang from the far side at the others.
        const bool standing = code.typ() == bcCodePostNet && angle == 0;
        const std::int32_t shortBars = bars * 2 / 5;
        double u = 0;
        for (const TfrBarElement& e : elements) {
            if (e.bar) {
                const std::int32_t length = e.shortBar ? shortBars : bars;
                p.fillRect(QRectF(u, standing ? bars - length : 0, e.width, length), code.colorBar);
            }
            u += e.width;
        }
        if (bar->showText && c.measurer)
            drawCaption(p, *c.measurer, code.text(), double(along), double(across));
        p.restore();
    }
    frShowFrame(view, g, view.frameTyp, c);
}

// Prepared copies hold the evaluated code and the size it is drawn at.
class TfrBarcodePrinter : public TfrAddInPrinter {
protected:
    void prepare(TfrView& view, TfrView& image, TfrPrintContext& c) const override {
        auto& bar = static_cast<TfrBarCodeView&>(image);
        if (bar.memo.isEmpty())
            return;
        QString& line = bar.memo[0];
        if (line.startsWith(u'[') && c.evaluate) {
            try {
                line = c.evaluate(line, view).toString();
            } catch (const EScriptStopped&) {
                throw;
            } catch (const Exception&) {
                line = QStringLiteral("0");
            }
        }
        if (line.isEmpty() || line.trimmed() == u"0")
            return; // drawn as nothing
        // Data that cannot be encoded fails the build here, naming the object,
        // instead of printing a code that says something else.
        frBarcodeGenerator(bar, line).width();
        const TfrBox box = frBarcodeBox(bar);
        bar.width = box.width;
        bar.height = box.height;
    }
};

TVariant boolValue(bool b) { return TVariant(b); }

} // namespace

TfrBarCodeView::TfrBarCodeView() {
    objectType = gtAddIn;
    memo = QStringList{kFallbackCode};
}

void TfrBarCodeView::assign(const TfrView& source) {
    TfrView::assign(source);
    if (const auto* s = frCast<TfrBarCodeView>(&source)) {
        checksum = s->checksum;
        showText = s->showText;
        barType = s->barType;
        zoom = s->zoom;
        angle = s->angle;
    }
}

void TfrBarCodeView::loadFromStream(TBinaryReader& in, const TfrStreamContext& context) {
    TfrView::loadFromStream(in, context);
    checksum = in.readU8() != 0;
    showText = in.readU8() != 0;
    in.skip(1);
    barType = in.readU8();
    const std::uint8_t convention = in.readU8();
    in.skip(3);
    zoom = in.readF64();
    angle = in.readF64();
    if (convention == 1)
        zoom /= 2;
}

void TfrBarCodeView::saveToStream(TBinaryWriter& out, const TfrStreamContext& context) const {
    TfrView::saveToStream(out, context);
    out.writeU8(checksum ? 1 : 0);
    out.writeU8(showText ? 1 : 0);
    out.writeU8(0);
    out.writeU8(barType);
    out.writeU8(2);
    for (int i = 0; i < 3; ++i)
        out.writeU8(0);
    out.writeF64(zoom);
    out.writeF64(angle);
}

const TfrPropTable& TfrBarCodeView::classProperties() {
    using B = TfrBarCodeView;
    static const TfrPropTable table = [] {
        TfrPropTable t(&TfrView::classProperties());
        t.add<B>(QStringLiteral("Barcode"), frdtHasEditor,
                 [](const B& o) { return TVariant(frBarcodeTypeName(o.barType)); });
        TfrPropRec dataField = *t.find(u"DataField");
        dataField.listed = true;
        t.add(std::move(dataField));
        QStringList names;
        for (int i = 0; i < frBarcodeTypeCount; ++i)
            names << frBarcodeTypeName(i);
        t.add<B>(
            QStringLiteral("BarType"), frdtEnum, [](const B& o) { return TVariant(std::int32_t(o.barType)); },
            [](B& o, const TVariant& v) {
                o.barType = static_cast<std::uint8_t>(o.properties().find(u"BarType")->enumValue(v));
            },
            names.join(u';'));
        t.add<B>(QStringLiteral("Checksum"), frdtBoolean, [](const B& o) { return boolValue(o.checksum); },
                 [](B& o, const TVariant& v) { o.checksum = v.toBool(); });
        t.add<B>(QStringLiteral("ShowText"), frdtBoolean, [](const B& o) { return boolValue(o.showText); },
                 [](B& o, const TVariant& v) { o.showText = v.toBool(); });
        t.add<B>(QStringLiteral("Zoom"), frdtFloat, [](const B& o) { return TVariant(o.zoom); },
                 [](B& o, const TVariant& v) { o.zoom = v.toDouble(); });
        t.add<B>(QStringLiteral("Angle"), frdtFloat, [](const B& o) { return TVariant(o.angle); },
                 [](B& o, const TVariant& v) { o.angle = v.toDouble(); });
        for (const char16_t* name : {u"BarType", u"Checksum", u"ShowText", u"Zoom", u"Angle"})
            t.hide(QString::fromUtf16(name));
        return t;
    }();
    return table;
}

const TfrObjectClass& TfrBarCodeView::classInfo() {
    static const TfrObjectClass c = [] {
        TfrObjectClass c = frAddInClass<TfrBarCodeView>(QStringLiteral("TfrBarCodeView"), QStringLiteral("Bar"),
                                                        TfrView::classInfo());
        c.paint = drawBarcode;
        c.builder = std::make_shared<TfrBarcodePrinter>();
        return c;
    }();
    return c;
}

QString frBarcodeText(const TfrBarCodeView& view) {
    const QString line = view.memo.value(0);
    if (line.isEmpty() || line.startsWith(u'['))
        return kFallbackCode;
    if (frBarcodeTypeNumeric(view.barType) && !numfmt::parseFloat(line))
        return kFallbackCode;
    return line;
}

TfrBarcode frBarcodeGenerator(const TfrBarCodeView& view, const QString& code) {
    TfrBarcode g;
    g.setText(code);
    g.setTyp(static_cast<TfrBarcodeType>(view.barType));
    g.setChecksum(view.checksum);
    g.setAngle(drawnAngle(view.angle));
    g.setModul(1);
    g.setRatio(2.0);
    g.color = frcolor::isTransparent(view.fillColor) ? QColor(Qt::white) : frcolor::toQColor(view.fillColor);
    g.colorBar = Qt::black;
    return g;
}

TfrBox frBarcodeBox(const TfrBarCodeView& view) {
    TfrBarcode g = frBarcodeGenerator(view, frBarcodeText(view));
    return boxFor(view, g.width());
}
