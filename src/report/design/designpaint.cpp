#include "report/design/designpaint.h"

#include "report/design/designdoc.h"
#include "report/model/page.h"
#include "report/render/drawing.h"
#include "report/render/textmeasure.h"

#include <QPainter>
#include <QImage>
#include <algorithm>

namespace {

const QColor kGrid(0xA0, 0xA0, 0xA0);
const QColor kMargin(0xC0, 0xC0, 0xE0);
const QColor kTitle(0xE8, 0xE8, 0xF0);
const QColor kTitleText(0x40, 0x40, 0x60);

// One grid point per cell, as a brush tile.
QBrush gridBrush(int size) {
    QImage tile(size, size, QImage::Format_RGB32);
    tile.fill(Qt::white);
    tile.setPixelColor(0, 0, kGrid);
    return QBrush(tile);
}

QRect rectOf(const TfrView& v) { return QRect(v.left, v.top, v.width, v.height).normalized(); }

// A band's title hangs left of the paper at the band's top (a cross band's
// stands inside it, at its top), so that it never hides the band's objects.
void drawBandTitle(QPainter& p, const TfrBandView& band, const QFont& font) {
    const QFontMetrics metrics(font);
    const QString title = metrics.elidedText(frBandTitle(band), Qt::ElideRight, frBandTitleWidth - 8);
    const int width = metrics.horizontalAdvance(title) + 8;
    const int height = std::min(metrics.height() + 2, std::max(band.height, 4));
    const bool cross = band.bandType() >= btCrossHeader && band.bandType() <= btCrossFooter;
    const QRect box = cross ? QRect(band.left + 1, band.top + 1, width, height) : QRect(-width - 2, band.top, width, height);
    p.fillRect(box, kTitle);
    p.setPen(kTitleText);
    p.drawLine(box.topRight() + QPoint(1, 0), box.bottomRight() + QPoint(1, 0));
    p.setFont(font);
    p.drawText(box.adjusted(4, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, title);
}

void drawHandle(QPainter& p, QPoint at) { p.fillRect(QRect(at.x() - 2, at.y() - 2, 5, 5), Qt::black); }

} // namespace

QString frBandTitle(const TfrBandView& band) { return frBandName(band.bandType()) + QStringLiteral(": ") + band.name(); }

void frPaintDesignPage(QPainter& painter, const TfrDesignDocument& doc, QPoint origin, const QRect& exposed) {
    const TfrPage& page = doc.page();
    const QSize size = doc.pageSize();
    const QRect area = exposed.translated(-origin);
    painter.save();
    painter.translate(origin);
    const QRect paper(QPoint(0, 0), size);
    const TfrDesignerSettings& s = doc.settings();
    if (s.gridShow) {
        painter.setBrushOrigin(0, 0);
        painter.fillRect(paper.intersected(area), gridBrush(s.gridSize));
    } else {
        painter.fillRect(paper.intersected(area), Qt::white);
    }
    if (page.pageType != ptDialog) {
        painter.setPen(QPen(kMargin, 0, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRect(QPoint(page.printableLeft(), page.printableTop()),
                               QPoint(page.printableRight() - 1, page.printableBottom() - 1)));
    }

    TfrDrawContext c;
    c.painter = &painter;
    c.measurer = &frTextMeasurer(doc.engine());
    c.designer = true;
    c.visibleArea = area.adjusted(-2, -2, 2, 2);
    const QRect wide = area.adjusted(-4, -4, 4, 4);
    QFont titleFont(QStringLiteral("Arial"));
    titleFont.setPixelSize(10);
    // Bands first, whatever their place in the list, so that every object
    // lies on the band it belongs to.
    for (const auto& v : page.objects())
        if (const auto* band = frCast<TfrBandView>(v.get()); band && wide.intersects(rectOf(*v).adjusted(0, 0, 1, 1))) {
            frDrawObject(*v, c);
            if (s.bandTitles)
                drawBandTitle(painter, *band, titleFont);
        }
    for (const auto& v : page.objects())
        if (v->objectType != gtBand && wide.intersects(rectOf(*v).adjusted(0, 0, 1, 1)))
            frDrawObject(*v, c);

    // The selection.
    const std::vector<TfrView*> sel = doc.selection();
    if (sel.size() > 1) {
        painter.setPen(QPen(QColor(0x30, 0x30, 0x30), 0, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        for (const TfrView* v : sel)
            painter.drawRect(rectOf(*v));
    }
    for (const auto& [handle, at] : doc.handles())
        drawHandle(painter, at);

    // What a drag shows.
    switch (doc.dragMode()) {
    case TfrDragMode::Rubber:
    case TfrDragMode::Insert:
        painter.setPen(QPen(Qt::black, 0, Qt::DashLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(doc.dragRect());
        break;
    case TfrDragMode::None: break;
    default:
        if (s.selectionMode == 0) {
            painter.setPen(QPen(Qt::black, 0, Qt::DashLine));
            painter.setBrush(Qt::NoBrush);
            for (const TfrBox& b : doc.dragBoxes())
                painter.drawRect(QRect(b.left, b.top, b.width, b.height).normalized());
        }
        break;
    }
    painter.restore();
}
