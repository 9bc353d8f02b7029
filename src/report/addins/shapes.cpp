#include "report/addins/shapes.h"

#include "common/binio.h"
#include "common/rounding.h"
#include "report/addins/addinprint.h"
#include "report/render/drawing.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Figures and marks larger than this many pixels across are not drawn: no
// report draws one, and a damaged file cannot make the painter work on it.
constexpr std::int64_t kMaxFigure = std::int64_t(1) << 24;

TVariant intValue(std::int64_t v) { return TVariant(static_cast<std::int32_t>(v)); }

std::int32_t sat(std::int64_t v) {
    return std::int32_t(std::clamp<std::int64_t>(v, std::numeric_limits<std::int32_t>::min(),
                                                 std::numeric_limits<std::int32_t>::max()));
}

// ---------------------------------------------------------------- shape

void drawShape(const TfrView& view, TfrDrawContext& c) {
    const auto* shape = frCast<TfrShapeView>(&view);
    if (!shape || !c.painter)
        return;
    const TfrDrawGeometry g = frBeginDraw(view, frBoxOf(view), c.transform);
    {
        // The fill belongs to the figure: frame lines alone (a double frame
        // without fill between its lines).
        TfrShapeView frame;
        frame.assign(view);
        frame.fillColor = clTransparent;
        frShowFrame(frame, g, frame.frameTyp, c);
    }
    const double x = g.x, y = g.y, r = g.right, b = g.bottom;
    if (r - x > kMaxFigure || b - y > kMaxFigure || r < x || b < y)
        return;
    QPainter& p = *c.painter;
    p.save();
    QPen pen(frcolor::toQColor(view.frameColor), std::max(1, roundHalfEven(g.frameWidth)));
    pen.setJoinStyle(Qt::MiterJoin);
    p.setPen(pen);
    p.setBrush(frcolor::isTransparent(view.fillColor) ? QBrush(Qt::NoBrush) : QBrush(frcolor::toQColor(view.fillColor)));
    const QRectF box(x, y, r - x, b - y); // outlines reach the right and bottom edges
    switch (shape->shape) {
    case skRectangle: p.drawRect(box); break;
    case skRoundRectangle: {
        const double corner = double(std::min(g.width, g.height) / 4);
        p.drawRoundedRect(box, corner / 2, corner / 2);
        break;
    }
    case skEllipse: p.drawEllipse(box); break;
    case skTriangle: {
        const QPointF corners[3] = {{r, b}, {x, b}, {std::floor((x + r) / 2), y}};
        p.drawPolygon(corners, 3);
        break;
    }
    case skDiagonal1: p.drawLine(QPointF(x, b), QPointF(r, y)); break;
    case skDiagonal2: p.drawLine(QPointF(x, y), QPointF(r, b)); break;
    default: break;
    }
    p.restore();
}

// ---------------------------------------------------------------- check box

// The exports' text of a check box.
QString checkText(const TfrCheckBoxView& box) { return box.checked() ? QStringLiteral("X") : QString(); }

void drawMark(QPainter& p, const TfrEdges& dr, std::uint8_t style, const QColor& color) {
    const double side = double(dr.height());
    if (side <= 0 || side > kMaxFigure || dr.width() <= 0 || dr.width() > kMaxFigure)
        return;
    const double left = dr.left + (double(dr.width()) - side) / 2;
    const double top = dr.top;
    auto at = [&](double u, double v) { return QPointF(left + u * side, top + v * side); };
    p.save();
    p.setClipRect(QRectF(dr.left, dr.top, double(dr.width()), side), Qt::IntersectClip);
    p.setRenderHint(QPainter::Antialiasing);
    QPen pen(color, std::max(1.0, side * 0.12), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    if (style == csCheck) {
        const QPointF tick[3] = {at(0.18, 0.52), at(0.42, 0.78), at(0.84, 0.20)};
        p.drawPolyline(tick, 3);
    } else {
        p.drawLine(at(0.22, 0.22), at(0.78, 0.78));
        p.drawLine(at(0.22, 0.78), at(0.78, 0.22));
    }
    p.restore();
}

void drawCheckBox(const TfrView& view, TfrDrawContext& c) {
    const auto* box = frCast<TfrCheckBoxView>(&view);
    if (!box)
        return;
    const TfrDrawGeometry g = frBeginDraw(view, frBoxOf(view), c.transform);
    if (c.exportHook) {
        c.exportHook(TfrExportLine{g.drawRect, sat(std::int64_t(g.x) + g.gapX), sat(std::int64_t(g.y) + g.gapY), &view,
                                   view.frameTyp, checkText(*box), nullptr, frtaLeft});
        return;
    }
    if (!c.painter)
        return;
    frShowBackground(view, g, c);
    if (c.designer || box->checked())
        drawMark(*c.painter, g.drawRect, box->checkStyle, frcolor::toQColor(box->checkColor));
    frShowFrame(view, g, view.frameTyp, c);
}

// A prepared check box holds the value of its expression as a whole number.
class TfrCheckBoxPrinter : public TfrAddInPrinter {
protected:
    void prepare(TfrView& view, TfrView& image, TfrPrintContext& c) const override {
        if (image.memo.isEmpty() || image.memo[0].trimmed().isEmpty() || !c.evaluate)
            return;
        const double value = std::trunc(c.evaluate(image.memo[0], view).toDouble());
        const double limit = double(std::numeric_limits<qint64>::max());
        image.memo[0] = QString::number(std::isnan(value) ? qint64(0) : qint64(std::clamp(value, -limit, limit)));
    }
};

} // namespace

// ---------------------------------------------------------------- TfrShapeView

TfrShapeView::TfrShapeView() { objectType = gtAddIn; }

void TfrShapeView::assign(const TfrView& source) {
    TfrView::assign(source);
    if (const auto* s = frCast<TfrShapeView>(&source))
        shape = s->shape;
}

void TfrShapeView::loadFromStream(TBinaryReader& in, const TfrStreamContext& context) {
    TfrView::loadFromStream(in, context);
    shape = in.readU8();
}

void TfrShapeView::saveToStream(TBinaryWriter& out, const TfrStreamContext& context) const {
    TfrView::saveToStream(out, context);
    out.writeU8(shape);
}

const TfrPropTable& TfrShapeView::classProperties() {
    using S = TfrShapeView;
    static const TfrPropTable table = [] {
        TfrPropTable t(&TfrView::classProperties());
        t.add<S>(
            QStringLiteral("Shape"), frdtEnum, [](const S& o) { return intValue(o.shape); },
            [](S& o, const TVariant& v) {
                o.shape = static_cast<std::uint8_t>(o.properties().find(u"Shape")->enumValue(v));
            },
            QStringLiteral("skRectangle;skRoundRectangle;skEllipse;skTriangle;skDiagonal1;skDiagonal2"));
        return t;
    }();
    return table;
}

const TfrObjectClass& TfrShapeView::classInfo() {
    static const TfrObjectClass c = [] {
        TfrObjectClass c =
            frAddInClass<TfrShapeView>(QStringLiteral("TfrShapeView"), QStringLiteral("Shape"), TfrView::classInfo());
        c.paint = drawShape;
        c.constants = {{QStringLiteral("skRectangle"), skRectangle},   {QStringLiteral("skRoundRectangle"), skRoundRectangle},
                       {QStringLiteral("skEllipse"), skEllipse},       {QStringLiteral("skTriangle"), skTriangle},
                       {QStringLiteral("skDiagonal1"), skDiagonal1},   {QStringLiteral("skDiagonal2"), skDiagonal2}};
        return c;
    }();
    return c;
}

// ---------------------------------------------------------------- TfrCheckBoxView

TfrCheckBoxView::TfrCheckBoxView() {
    objectType = gtAddIn;
    frameTyp = frftLeft | frftTop | frftRight | frftBottom;
    frameWidth = 2;
}

bool TfrCheckBoxView::checked() const {
    const QString line = memo.value(0);
    return !line.isEmpty() && !line.startsWith(u'0');
}

void TfrCheckBoxView::assign(const TfrView& source) {
    TfrView::assign(source);
    if (const auto* s = frCast<TfrCheckBoxView>(&source)) {
        checkStyle = s->checkStyle;
        checkColor = s->checkColor;
    }
}

void TfrCheckBoxView::loadFromStream(TBinaryReader& in, const TfrStreamContext& context) {
    TfrView::loadFromStream(in, context);
    if (context.version <= 23)
        return;
    checkStyle = in.readU8();
    checkColor = in.readU32();
}

void TfrCheckBoxView::saveToStream(TBinaryWriter& out, const TfrStreamContext& context) const {
    TfrView::saveToStream(out, context);
    out.writeU8(checkStyle);
    out.writeU32(checkColor);
}

const TfrPropTable& TfrCheckBoxView::classProperties() {
    using K = TfrCheckBoxView;
    static const TfrPropTable table = [] {
        TfrPropTable t(&TfrView::classProperties());
        t.add<K>(
            QStringLiteral("CheckStyle"), frdtEnum, [](const K& o) { return intValue(o.checkStyle); },
            [](K& o, const TVariant& v) {
                o.checkStyle = static_cast<std::uint8_t>(o.properties().find(u"CheckStyle")->enumValue(v));
            },
            QStringLiteral("csCross;csCheck"));
        t.add<K>(QStringLiteral("CheckColor"), frdtColor, [](const K& o) { return intValue(o.checkColor); },
                 [](K& o, const TVariant& v) { o.checkColor = frColorOf(v); });
        TfrPropRec dataField = *t.find(u"DataField");
        dataField.listed = true;
        t.add(std::move(dataField));
        return t;
    }();
    return table;
}

const TfrObjectClass& TfrCheckBoxView::classInfo() {
    static const TfrObjectClass c = [] {
        TfrObjectClass c = frAddInClass<TfrCheckBoxView>(QStringLiteral("TfrCheckBoxView"), QStringLiteral("Check"),
                                                         TfrView::classInfo());
        c.paint = drawCheckBox;
        c.builder = std::make_shared<TfrCheckBoxPrinter>();
        c.exportKind = TfrExportKind::Text;
        c.constants = {{QStringLiteral("csCross"), csCross}, {QStringLiteral("csCheck"), csCheck}};
        return c;
    }();
    return c;
}
