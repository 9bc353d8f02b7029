#include "app/icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <functional>

namespace appicons {
namespace {

// Every pictogram is drawn on a 16 by 16 unit canvas and scaled to the pixmap.
using Painter = std::function<void(QPainter&)>;

QIcon makeIcon(const Painter& paint) {
    QIcon icon;
    for (int size : {16, 24, 32}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 16.0, size / 16.0);
        paint(p);
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

QPen outline(const QColor& color, qreal width = 0.8) {
    QPen pen(color, width);
    pen.setJoinStyle(Qt::RoundJoin);
    pen.setCapStyle(Qt::RoundCap);
    return pen;
}

} // namespace

QIcon connection() {
    return makeIcon([](QPainter& p) {
        // Cable from the lower left into the plug body.
        QPainterPath cable;
        cable.moveTo(1.5, 14.5);
        cable.cubicTo(3.5, 14.5, 3.0, 10.0, 5.5, 10.5);
        p.setPen(outline(QColor(40, 40, 40), 1.4));
        p.setBrush(Qt::NoBrush);
        p.drawPath(cable);
        // Plug body, turned 45 degrees towards the upper right.
        p.save();
        p.translate(8.5, 7.5);
        p.rotate(-45);
        p.setPen(outline(QColor(30, 30, 30)));
        p.setBrush(QColor(70, 110, 190));
        p.drawRoundedRect(QRectF(-3.5, -2.8, 6.0, 5.6), 1.2, 1.2);
        // Two prongs.
        p.setBrush(QColor(225, 190, 60));
        p.setPen(outline(QColor(120, 90, 20), 0.5));
        p.drawRect(QRectF(2.5, -2.0, 3.8, 1.2));
        p.drawRect(QRectF(2.5, 0.8, 3.8, 1.2));
        p.restore();
    });
}

QIcon perform() {
    return makeIcon([](QPainter& p) {
        const QColor green(30, 140, 50);
        p.setPen(QPen(green, 2.2, Qt::SolidLine, Qt::FlatCap));
        p.setBrush(Qt::NoBrush);
        // A circle open in its upper right quarter, from the top round to the right.
        p.drawArc(QRectF(2.5, 3.0, 11.0, 11.0), 90 * 16, 275 * 16);
        // Arrow head at the top end, pointing on clockwise.
        QPainterPath head;
        head.moveTo(12.2, 3.0);
        head.lineTo(7.6, -0.2);
        head.lineTo(7.6, 6.2);
        head.closeSubpath();
        p.setPen(Qt::NoPen);
        p.setBrush(green);
        p.drawPath(head);
    });
}

QIcon save() {
    return makeIcon([](QPainter& p) {
        // Diskette body with a cut corner.
        QPainterPath body;
        body.moveTo(1.5, 1.5);
        body.lineTo(12.5, 1.5);
        body.lineTo(14.5, 3.5);
        body.lineTo(14.5, 14.5);
        body.lineTo(1.5, 14.5);
        body.closeSubpath();
        p.setPen(outline(QColor(20, 40, 90)));
        p.setBrush(QColor(50, 90, 170));
        p.drawPath(body);
        // Metal shutter at the top.
        p.setPen(outline(QColor(90, 90, 90), 0.5));
        p.setBrush(QColor(200, 205, 210));
        p.drawRect(QRectF(4.0, 1.5, 7.0, 4.5));
        p.setBrush(QColor(50, 90, 170));
        p.setPen(Qt::NoPen);
        p.drawRect(QRectF(8.5, 2.3, 1.6, 3.0));
        // Label at the bottom.
        p.setPen(outline(QColor(150, 150, 150), 0.4));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(3.5, 8.5, 9.0, 6.0));
        p.setPen(outline(QColor(160, 160, 200), 0.5));
        p.drawLine(QPointF(4.8, 10.5), QPointF(11.2, 10.5));
        p.drawLine(QPointF(4.8, 12.5), QPointF(11.2, 12.5));
    });
}

QIcon report() {
    return makeIcon([](QPainter& p) {
        // Page coming out of the top.
        p.setPen(outline(QColor(90, 90, 90), 0.6));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(4.0, 1.0, 8.0, 6.0));
        p.setPen(outline(QColor(60, 60, 60), 0.5));
        p.drawLine(QPointF(5.3, 3.0), QPointF(10.7, 3.0));
        p.drawLine(QPointF(5.3, 4.8), QPointF(9.5, 4.8));
        // Printer body.
        p.setPen(outline(QColor(40, 40, 40)));
        p.setBrush(QColor(165, 170, 180));
        p.drawRoundedRect(QRectF(1.0, 6.5, 14.0, 6.0), 1.2, 1.2);
        // Paper tray at the bottom with the printed page.
        p.setBrush(Qt::white);
        p.drawRect(QRectF(3.5, 11.0, 9.0, 4.0));
        p.setPen(outline(QColor(60, 60, 60), 0.5));
        p.drawLine(QPointF(4.8, 13.0), QPointF(11.2, 13.0));
        // Status lamp.
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(40, 170, 60));
        p.drawEllipse(QPointF(12.8, 8.4), 0.8, 0.8);
    });
}

QIcon design() {
    return makeIcon([](QPainter& p) {
        p.save();
        p.translate(8.0, 8.0);
        p.rotate(-45);
        // Body.
        p.setPen(outline(QColor(60, 50, 20), 0.6));
        p.setBrush(QColor(240, 190, 40));
        p.drawRect(QRectF(-4.5, -1.8, 9.0, 3.6));
        // Eraser and its band.
        p.setBrush(QColor(230, 120, 130));
        p.drawRect(QRectF(4.5, -1.8, 2.2, 3.6));
        p.setBrush(QColor(180, 180, 185));
        p.drawRect(QRectF(3.6, -1.8, 0.9, 3.6));
        // Sharpened wood and the lead point.
        QPainterPath tip;
        tip.moveTo(-4.5, -1.8);
        tip.lineTo(-7.5, 0.0);
        tip.lineTo(-4.5, 1.8);
        tip.closeSubpath();
        p.setBrush(QColor(235, 205, 160));
        p.drawPath(tip);
        QPainterPath lead;
        lead.moveTo(-6.5, -0.6);
        lead.lineTo(-7.5, 0.0);
        lead.lineTo(-6.5, 0.6);
        lead.closeSubpath();
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(40, 40, 40));
        p.drawPath(lead);
        p.restore();
        // A drawn line under the pencil.
        p.setPen(outline(QColor(50, 90, 170), 0.9));
        p.drawLine(QPointF(1.0, 15.0), QPointF(6.0, 15.0));
    });
}

} // namespace appicons
