#include "report/controls/controlpaint.h"

#include "report/controls/controls.h"
#include "report/render/drawing.h"

#include <QPainter>

namespace {

// Controls larger than this many pixels across are not drawn (damaged files).
constexpr int kMaxControl = 1 << 14;

QString shownText(const TfrStdControl& control) {
    if (const auto* c = frCast<TfrLabelControl>(&control))
        return c->caption;
    if (const auto* c = frCast<TfrEditControl>(&control))
        return c->text;
    if (const auto* c = frCast<TfrMemoControl>(&control))
        return c->lines.join(u'\n');
    if (const auto* c = frCast<TfrButtonControl>(&control))
        return c->caption;
    if (const auto* c = frCast<TfrCheckBoxControl>(&control))
        return c->caption;
    if (const auto* c = frCast<TfrComboBoxControl>(&control))
        return c->style == csDropDown ? c->editText : c->text();
    if (const auto* c = frCast<TfrListControl>(&control))
        return c->shownItems().join(u'\n');
    return QString();
}

void drawLikeness(const TfrStdControl& control, QPainter& p, const QRect& r) {
    p.fillRect(r, frcolor::toQColor(control.color));
    const bool button = frCast<TfrButtonControl>(&control) != nullptr;
    if (!frCast<TfrLabelControl>(&control) && !frCast<TfrCheckBoxControl>(&control)) {
        p.setPen(QColor(128, 128, 128));
        p.drawRect(r.adjusted(0, 0, -1, -1));
    }
    QFont font = control.font.toQFont();
    font.setPixelSize(std::max(1, control.font.size * 96 / 72));
    p.setFont(font);
    p.setPen(frcolor::toQColor(control.font.color));
    const bool lines = frCast<TfrMemoControl>(&control) || frCast<TfrListBoxControl>(&control);
    const int flags = (button ? Qt::AlignCenter : Qt::AlignLeft | Qt::AlignTop) | (lines ? 0 : Qt::TextSingleLine);
    p.drawText(r.adjusted(3, 2, -3, -2), flags, shownText(control));
}

} // namespace

TfrControlPainter& frControlPainter() {
    static TfrControlPainter painter;
    return painter;
}

void frDrawControl(const TfrView& view, TfrDrawContext& c) {
    const auto* control = frCast<TfrStdControl>(&view);
    if (!control || !c.painter || c.exportHook)
        return;
    const TfrDrawGeometry g = frBeginDraw(view, frBoxOf(view), c.transform);
    const QRect target(g.x, g.y, g.right - g.x + 1, g.bottom - g.y + 1);
    if (target.width() <= 0 || target.height() <= 0 || target.width() > kMaxControl || target.height() > kMaxControl)
        return;
    QPainter& p = *c.painter;
    p.save();
    p.setClipRect(target, Qt::IntersectClip);
    p.fillRect(target, frcolor::toQColor(clBtnFace));
    if (const TfrControlPainter& painter = frControlPainter())
        painter(*control, p, target);
    else
        drawLikeness(*control, p, target);
    p.restore();
}
