// The editing commands of the design document: inserting, the mouse, keys,
// deleting, the clipboard, order, alignment and the tool-bar commands.

#include "report/design/designdoc.h"

#include "common/exception.h"
#include "common/interaction.h"
#include "report/design/objectrecord.h"
#include "report/model/engine.h"
#include "report/model/page.h"

#include <algorithm>
#include <cmath>
#include <utility>

using frdesign::TfrAlign;
using frdesign::TfrDirection;

namespace {

TfrBox boxOf(const TfrView& v) { return TfrBox{v.left, v.top, v.width, v.height}; }

bool isCrossBand(const TfrView& v) {
    const auto* band = frCast<TfrBandView>(&v);
    return band && band->bandType() >= btCrossHeader && band->bandType() <= btCrossFooter;
}

// Band types a page holds once at most.
bool oncePerPage(int type) {
    const bool repeated = (type >= btMasterHeader && type <= btSubDetailFooter) || type == btGroupHeader ||
                          type == btGroupFooter || type == btChild;
    return !repeated;
}

// A box with positive width and height (its corner moved accordingly).
TfrBox normalized(TfrBox b) {
    if (b.width < 0) {
        b.left += b.width;
        b.width = -b.width;
    }
    if (b.height < 0) {
        b.top += b.height;
        b.height = -b.height;
    }
    return b;
}

} // namespace

bool TfrDesignDocument::isBand(const TfrView& view) const { return view.objectType == gtBand; }
bool TfrDesignDocument::mayMove(const TfrView& view) const { return !(view.restrictions & frrfDontMove); }
bool TfrDesignDocument::maySize(const TfrView& view) const { return !(view.restrictions & frrfDontSize); }

void TfrDesignDocument::placeDragged(TfrView& view, const TfrBox& box) const {
    // Bands span the page: they move and grow up and down only; cross bands
    // run down the page and move and grow sideways only.
    if (isCrossBand(view)) {
        view.left = box.left;
        view.width = box.width;
    } else if (isBand(view)) {
        view.top = box.top;
        view.height = box.height;
    } else {
        view.setBounds(box.left, box.top, box.width, box.height);
    }
}

// ---------------------------------------------------------------- bands

bool TfrDesignDocument::pageHasBandType(const TfrPage& p, int type) const {
    for (const auto& v : p.objects())
        if (const auto* band = frCast<TfrBandView>(v.get()); band && band->bandType() == type)
            return true;
    return false;
}

bool TfrDesignDocument::shownBySubReport(int pageIndex) const {
    for (TfrView* v : m_report.allObjects())
        if (const auto* sub = frCast<TfrSubReportView>(v); sub && sub->subPage == pageIndex)
            return true;
    return false;
}

std::vector<int> TfrDesignDocument::offeredBandTypes() const {
    std::vector<int> types;
    const bool subReportPage = shownBySubReport(m_pageIndex);
    for (int type = btReportTitle; type <= btChild; ++type) {
        if (oncePerPage(type) && pageHasBandType(page(), type))
            continue;
        if (subReportPage && ((type >= btReportTitle && type <= btPageFooter) ||
                              (type >= btColumnHeader && type <= btGroupFooter)))
            continue;
        types.push_back(type);
    }
    return types;
}

bool TfrDesignDocument::reorderBands(TfrPage& p) {
    std::vector<std::int32_t> bands, cross, others;
    std::optional<std::int32_t> overlay;
    for (const auto& v : p.objects()) {
        if (!isBand(*v))
            others.push_back(v->objectId);
        else if (isCrossBand(*v))
            cross.push_back(v->objectId);
        else if (!overlay && static_cast<const TfrBandView&>(*v).bandType() == btOverlay)
            overlay = v->objectId;
        else
            bands.push_back(v->objectId);
    }
    std::vector<std::int32_t> order;
    order.reserve(std::size_t(p.count()));
    if (overlay)
        order.push_back(*overlay);
    order.insert(order.end(), bands.begin(), bands.end());
    order.insert(order.end(), cross.begin(), cross.end());
    order.insert(order.end(), others.begin(), others.end());
    if (order == frdesign::pageOrder(p))
        return false;
    frdesign::restoreOrder(p, order);
    return true;
}

// ---------------------------------------------------------------- inserting

const TfrObjectClass* TfrDesignDocument::onePerPageConflict(const TfrObjectClass& cls) const {
    if (!cls.has(TfrObjectClass::OnePerPage))
        return nullptr;
    for (const auto& v : page().objects())
        if (&v->objectClass() == &cls)
            return &cls;
    return nullptr;
}

QSize TfrDesignDocument::defaultSize(const TfrObjectClass& cls) const {
    if (!cls.isA(TfrMemoView::classInfo()))
        return QSize(36, 36);
    const bool grid18 = m_settings.gridSize == 18;
    int height = grid18 ? 18 : 20;
    const int size = m_style.font.size;
    if (size >= 12 && size <= 13)
        height = 20;
    else if (size >= 14 && size <= 16)
        height = 24;
    return QSize(grid18 ? 108 : 96, height);
}

void TfrDesignDocument::applyStyle(TfrView& view) const {
    if (view.objectType == gtLine)
        view.frameWidth = m_style.lineWidth;
    else if (view.objectType != gtAddIn)
        view.frameWidth = m_style.frameWidth;
    view.frameColor = m_style.frameColor;
    if (view.objectType != gtLine)
        view.fillColor = m_style.fillColor;
    if (auto* memo = frCast<TfrMemoView>(&view)) {
        memo->frameTyp = m_style.frameTyp;
        memo->font = m_style.font;
        memo->alignment = m_style.alignment;
    }
}

TfrView* TfrDesignDocument::insertObject(const TfrObjectClass& cls, const TfrBox& box, int bandType) {
    TfrPage& p = page();
    const bool control = cls.has(TfrObjectClass::DialogControl);
    if (p.pageType == ptDialog && !control) {
        refuse(QStringLiteral("На форму диалога помещаются только элементы управления"));
        return nullptr;
    }
    if (p.pageType != ptDialog && control) {
        refuse(QStringLiteral("Элементы управления помещаются только на форму диалога"));
        return nullptr;
    }
    if (p.count() >= maxObjectsPerPage) {
        refuse(QStringLiteral("На странице может быть не более %1 объектов").arg(maxObjectsPerPage));
        return nullptr;
    }
    const bool band = cls.isA(TfrBandView::classInfo());
    if (band) {
        const std::vector<int> offered = offeredBandTypes();
        if (std::find(offered.begin(), offered.end(), bandType) == offered.end()) {
            refuse(QStringLiteral("Секцию типа «%1» на эту страницу добавить нельзя").arg(frBandName(bandType)));
            return nullptr;
        }
    }
    if (const TfrObjectClass* conflict = onePerPageConflict(cls)) {
        const QString text =
            QStringLiteral("Нельзя помещать два или более объектов %1 на одну страницу.").arg(conflict->className);
        engine().interaction().messageBox(text, TUserInteraction::errorTitle(), TUserInteraction::ErrorIcon,
                                          TUserInteraction::Ok);
        refuse(text);
        return nullptr;
    }
    if (cls.isA(TfrSubReportView::classInfo()) && m_preparedPage) {
        refuse(QStringLiteral("На подготовленную страницу нельзя добавить вложенный отчёт"));
        return nullptr;
    }
    if (cls.isA(TfrSubReportView::classInfo()) && pageCount() >= 256) {
        refuse(QStringLiteral("В отчёте может быть не более 256 страниц"));
        return nullptr;
    }
    std::unique_ptr<TfrView> view;
    try {
        view = cls.kind == gtAddIn ? engine().createObject(gtAddIn, cls.className) : engine().createObject(cls.kind);
    } catch (const Exception& e) {
        refuse(e.message());
        return nullptr;
    }
    if (!view) {
        refuse(QStringLiteral("Объект класса %1 не может быть создан").arg(cls.className));
        return nullptr;
    }

    // Where it stands.
    TfrBox b = box;
    const QSize size = defaultSize(cls);
    if (view->objectType == gtLine) {
        if (b.width == 0 && b.height == 0)
            b.height = size.height();
        b = normalized(b);
        // A line is one side of its box: the longer one.
        if (b.width > b.height)
            b.height = 0;
        else
            b.width = 0;
    } else {
        if (b.width == 0)
            b.width = size.width();
        if (b.height == 0)
            b.height = size.height();
        b = normalized(b);
    }
    const QSize area = pageSize();
    if (band) {
        auto& bv = static_cast<TfrBandView&>(*view);
        bv.setBandType(bandType);
        bv.setBaseName(frBandBaseName(bandType));
        if (isCrossBand(bv)) {
            b.top = 0;
            b.height = area.height();
            if (b.width > area.width() - 10)
                b.width = 40;
        } else {
            b.left = 0;
            b.width = area.width();
        }
    }
    view->setBounds(b.left, b.top, b.width, b.height);
    applyStyle(*view);
    if (auto* sub = frCast<TfrSubReportView>(view.get())) {
        const QString name = m_report.uniquePageName();
        const int index = m_report.pages().add();
        m_report.pages().page(index)->name = name;
        sub->subPage = index;
    }
    view->createUniqueName(&m_report);

    TfrUndoEntry entry;
    entry.kind = TfrUndoKind::Insert;
    entry.page = m_pageIndex;
    const std::vector<std::int32_t> before = frdesign::pageOrder(p);
    TfrView* added = p.add(std::move(view));
    if (band && reorderBands(p))
        entry.order = before;
    entry.items.push_back(TfrUndoItem{added->objectId, p.indexOf(added), {}});
    record(std::move(entry));
    selectObjects({added});
    if (!m_keepTool)
        m_tool = nullptr;
    touch();
    return added;
}

std::vector<TfrView*> TfrDesignDocument::insertObjects(std::vector<std::unique_ptr<TfrView>> views) {
    TfrPage& p = page();
    std::erase_if(views, [](const std::unique_ptr<TfrView>& v) { return !v; });
    if (views.empty()) {
        refuse(QStringLiteral("Нет объектов для вставки"));
        return {};
    }
    for (const auto& v : views) {
        const bool control = v->objectClass().has(TfrObjectClass::DialogControl);
        if (control != (p.pageType == ptDialog)) {
            refuse(p.pageType == ptDialog ? QStringLiteral("На форму диалога помещаются только элементы управления")
                                          : QStringLiteral("Элементы управления помещаются только на форму диалога"));
            return {};
        }
    }
    if (std::int64_t(p.count()) + std::int64_t(views.size()) > maxObjectsPerPage) {
        refuse(QStringLiteral("На странице может быть не более %1 объектов").arg(maxObjectsPerPage));
        return {};
    }
    cancelDrag();
    TfrUndoEntry entry;
    entry.kind = TfrUndoKind::Insert;
    entry.page = m_pageIndex;
    const std::vector<std::int32_t> before = frdesign::pageOrder(p);
    std::vector<TfrView*> added;
    bool bands = false;
    for (auto& view : views) {
        if (view->name().isEmpty() || m_report.objectNameExists(view->name()))
            view->createUniqueName(&m_report);
        bands = bands || isBand(*view);
        added.push_back(p.add(std::move(view)));
    }
    if (bands && reorderBands(p))
        entry.order = before;
    for (const TfrView* v : added)
        entry.items.push_back(TfrUndoItem{v->objectId, p.indexOf(v), {}});
    record(std::move(entry));
    selectObjects(added);
    touch();
    return added;
}

// ---------------------------------------------------------------- the mouse

QPoint TfrDesignDocument::snapped(QPoint p, bool alt) const {
    return m_settings.gridAlign != alt ? frdesign::snapToGrid(p, m_settings.gridSize) : p;
}

QRect TfrDesignDocument::groupBox(TfrView** corner) const {
    const std::vector<TfrView*> sel = selection();
    if (sel.empty())
        return QRect();
    TfrView* c = sel.front();
    std::int32_t left = c->left, top = c->top;
    for (TfrView* v : sel) {
        left = std::min(left, v->left);
        top = std::min(top, v->top);
        const std::int64_t r = std::int64_t(v->left) + v->width, cr = std::int64_t(c->left) + c->width;
        if (r > cr || (r == cr && std::int64_t(v->top) + v->height > std::int64_t(c->top) + c->height))
            c = v;
    }
    if (corner)
        *corner = c;
    return QRect(left, top, c->left + c->width - left, c->top + c->height - top);
}

std::vector<std::pair<TfrHandle, QPoint>> TfrDesignDocument::handles() const {
    std::vector<std::pair<TfrHandle, QPoint>> out;
    const std::vector<TfrView*> sel = selection();
    if (sel.size() == 1) {
        const TfrView& v = *sel.front();
        const int l = v.left, t = v.top, r = v.left + v.width, b = v.top + v.height;
        const int cx = l + v.width / 2, cy = t + v.height / 2;
        out = {{TfrHandle::TopLeft, {l, t}},    {TfrHandle::Top, {cx, t}},       {TfrHandle::TopRight, {r, t}},
               {TfrHandle::Right, {r, cy}},     {TfrHandle::BottomRight, {r, b}}, {TfrHandle::Bottom, {cx, b}},
               {TfrHandle::BottomLeft, {l, b}}, {TfrHandle::Left, {l, cy}}};
    } else if (sel.size() > 1) {
        const QRect g = groupBox();
        out.push_back({TfrHandle::Group, QPoint(g.left() + g.width(), g.top() + g.height())});
    }
    return out;
}

TfrHandle TfrDesignDocument::handleAt(QPoint point) const {
    for (const auto& [handle, at] : handles())
        if (std::abs(point.x() - at.x()) <= 3 && std::abs(point.y() - at.y()) <= 3)
            return handle;
    return TfrHandle::None;
}

bool TfrDesignDocument::sharedEdge(QPoint at, std::int32_t* x, std::vector<std::int32_t>* leftIds,
                                   std::vector<std::int32_t>* rightIds) const {
    const std::vector<TfrView*> sel = selection();
    if (sel.size() < 2)
        return false;
    const TfrView* under = nullptr;
    for (auto it = sel.rbegin(); it != sel.rend() && !under; ++it) {
        const TfrView& v = **it;
        if (!isBand(v) && v.objectType != gtLine && at.y() >= v.top && at.y() <= v.top + v.height &&
            at.x() >= v.left - 2 && at.x() <= v.left + v.width + 2)
            under = &v;
    }
    if (!under)
        return false;
    for (const std::int32_t edge : {under->left, under->left + under->width}) {
        if (std::abs(at.x() - edge) > 2)
            continue;
        std::vector<std::int32_t> lefts, rights;
        for (const TfrView* v : sel) {
            if (isBand(*v))
                continue;
            if (v->left + v->width == edge)
                lefts.push_back(v->objectId);
            if (v->left == edge)
                rights.push_back(v->objectId);
        }
        if (lefts.empty() || rights.empty())
            continue;
        if (x)
            *x = edge;
        if (leftIds)
            *leftIds = std::move(lefts);
        if (rightIds)
            *rightIds = std::move(rights);
        return true;
    }
    return false;
}

bool TfrDesignDocument::sharedEdgeAt(QPoint point) const { return sharedEdge(point, nullptr, nullptr, nullptr); }

void TfrDesignDocument::cancelDrag() {
    if (m_drag.changed) {
        // Back to where everything stood.
        for (std::size_t i = 0; i < m_drag.ids.size(); ++i)
            if (TfrView* v = findId(m_drag.ids[i]))
                v->setBounds(m_drag.boxes[i].left, m_drag.boxes[i].top, m_drag.boxes[i].width, m_drag.boxes[i].height);
    }
    m_drag = Drag();
}

void TfrDesignDocument::beginMove(QPoint from) {
    cancelDrag();
    std::vector<TfrView*> sel = selection();
    // A band dragged alone takes the objects lying wholly inside it along
    // (they join the selection once it moves).
    if (sel.size() == 1 && isBand(*sel.front())) {
        const TfrView& band = *sel.front();
        const QRect r(band.left, band.top, band.width, band.height);
        for (const auto& v : page().objects())
            if (!isBand(*v) && r.contains(QRect(v->left, v->top, v->width, v->height).normalized())) {
                sel.push_back(v.get());
                m_drag.carried.push_back(v->objectId);
            }
    }
    m_drag.mode = TfrDragMode::Move;
    m_drag.from = m_drag.to = from;
    for (TfrView* v : sel) {
        m_drag.ids.push_back(v->objectId);
        m_drag.boxes.push_back(boxOf(*v));
    }
}

bool TfrDesignDocument::beginResize(TfrHandle handle) {
    cancelDrag();
    const std::vector<TfrView*> sel = selection();
    QPoint at;
    bool found = false;
    for (const auto& [h, p] : handles())
        if (h == handle) {
            at = p;
            found = true;
        }
    if (!found)
        return refuse(QStringLiteral("У выделения нет такого маркера"));
    m_drag.mode = handle == TfrHandle::Group ? TfrDragMode::GroupScale : TfrDragMode::Resize;
    m_drag.handle = handle;
    m_drag.from = m_drag.to = at;
    m_drag.group = groupBox();
    for (TfrView* v : sel) {
        m_drag.ids.push_back(v->objectId);
        m_drag.boxes.push_back(boxOf(*v));
    }
    return true;
}

bool TfrDesignDocument::beginSharedEdge(QPoint at) {
    cancelDrag();
    Drag d;
    if (!sharedEdge(at, &d.edge, &d.leftIds, &d.rightIds))
        return refuse(QStringLiteral("Здесь нет общей границы выделенных объектов"));
    d.mode = TfrDragMode::SharedEdge;
    d.from = d.to = QPoint(d.edge, at.y());
    for (const auto* list : {&d.leftIds, &d.rightIds})
        for (std::int32_t id : *list)
            if (TfrView* v = findId(id); v && std::find(d.ids.begin(), d.ids.end(), id) == d.ids.end()) {
                d.ids.push_back(id);
                d.boxes.push_back(boxOf(*v));
            }
    m_drag = std::move(d);
    return true;
}

void TfrDesignDocument::beginRubber(QPoint from) {
    cancelDrag();
    m_drag.mode = TfrDragMode::Rubber;
    m_drag.from = m_drag.to = from;
}

void TfrDesignDocument::beginInsert(QPoint from) {
    cancelDrag();
    m_drag.mode = TfrDragMode::Insert;
    m_drag.from = m_drag.to = from;
}

void TfrDesignDocument::press(QPoint point, Qt::KeyboardModifiers modifiers) {
    const bool shift = modifiers & Qt::ShiftModifier;
    if (m_tool) {
        beginInsert(point);
        return;
    }
    if (const TfrHandle h = handleAt(point); h != TfrHandle::None) {
        beginResize(h);
        return;
    }
    if (sharedEdgeAt(point)) {
        beginSharedEdge(point);
        return;
    }
    if (modifiers & Qt::ControlModifier) {
        if (!shift)
            clearSelection();
        beginRubber(point);
        return;
    }
    if (TfrView* v = objectAt(point)) {
        clickObject(*v, shift);
        if (isSelected(*v))
            beginMove(point);
        else
            cancelDrag();
        return;
    }
    if (!shift)
        clearSelection();
    beginRubber(point);
}

QRect TfrDesignDocument::dragRect() const {
    if (m_drag.mode == TfrDragMode::Rubber)
        return QRect(m_drag.from, m_drag.to).normalized();
    if (m_drag.mode == TfrDragMode::Insert) {
        const QPoint a = snapped(m_drag.from, m_drag.alt), b = snapped(m_drag.to, m_drag.alt);
        return QRect(a, b).normalized();
    }
    return QRect();
}

std::vector<TfrBox> TfrDesignDocument::dragBoxes() const {
    std::vector<TfrBox> out = m_drag.boxes;
    const QPoint delta = snapped(m_drag.to, m_drag.alt) - snapped(m_drag.from, m_drag.alt);
    const auto at = [this](std::size_t i) { return findId(m_drag.ids[i]); };
    switch (m_drag.mode) {
    case TfrDragMode::Move: {
        QPoint d = delta;
        // A band dragged alone moves along its own direction only, and so do
        // the objects it carries.
        if (const TfrView* first = m_drag.ids.empty() ? nullptr : at(0); first && isBand(*first))
            (isCrossBand(*first) ? d.ry() : d.rx()) = 0;
        for (std::size_t i = 0; i < out.size(); ++i)
            if (const TfrView* v = at(i); v && mayMove(*v)) {
                out[i].left += d.x();
                out[i].top += d.y();
            }
        break;
    }
    case TfrDragMode::Resize: {
        if (out.size() != 1)
            break;
        const TfrView* v = at(0);
        if (!v || !maySize(*v))
            break;
        std::int64_t l = out[0].left, t = out[0].top, r = l + out[0].width, b = t + out[0].height;
        switch (m_drag.handle) {
        case TfrHandle::TopLeft: l += delta.x(); t += delta.y(); break;
        case TfrHandle::Top: t += delta.y(); break;
        case TfrHandle::TopRight: r += delta.x(); t += delta.y(); break;
        case TfrHandle::Right: r += delta.x(); break;
        case TfrHandle::BottomRight: r += delta.x(); b += delta.y(); break;
        case TfrHandle::Bottom: b += delta.y(); break;
        case TfrHandle::BottomLeft: l += delta.x(); b += delta.y(); break;
        case TfrHandle::Left: l += delta.x(); break;
        default: break;
        }
        // Lines keep their direction: only their length changes.
        if (v->objectType == gtLine) {
            if (out[0].height == 0)
                b = t = out[0].top;
            else if (out[0].width == 0)
                r = l = out[0].left;
        }
        out[0] = normalized(TfrBox{std::int32_t(l), std::int32_t(t), std::int32_t(r - l), std::int32_t(b - t)});
        break;
    }
    case TfrDragMode::GroupScale: {
        const QRect& g = m_drag.group;
        if (g.width() <= 0 && g.height() <= 0)
            break;
        const double kx = g.width() > 0 ? double(std::max(1, g.width() + delta.x())) / g.width() : 1.0;
        const double ky = g.height() > 0 ? double(std::max(1, g.height() + delta.y())) / g.height() : 1.0;
        for (std::size_t i = 0; i < out.size(); ++i)
            if (const TfrView* v = at(i); v && maySize(*v))
                out[i] = frdesign::scaleInGroup(m_drag.boxes[i], g.topLeft(), kx, ky);
        break;
    }
    case TfrDragMode::SharedEdge: {
        const int dx = delta.x();
        std::vector<TfrBox> moved = out;
        bool valid = true;
        for (std::size_t i = 0; i < out.size(); ++i) {
            const TfrView* v = at(i);
            if (!v) {
                valid = false;
                continue;
            }
            const bool isLeft = std::find(m_drag.leftIds.begin(), m_drag.leftIds.end(), m_drag.ids[i]) != m_drag.leftIds.end();
            const bool isRight = std::find(m_drag.rightIds.begin(), m_drag.rightIds.end(), m_drag.ids[i]) != m_drag.rightIds.end();
            if (isLeft) {
                valid = valid && maySize(*v);
                moved[i].width += dx;
            }
            if (isRight) {
                valid = valid && maySize(*v) && mayMove(*v);
                moved[i].left += dx;
                moved[i].width -= dx;
            }
            valid = valid && moved[i].width > 0;
        }
        if (valid)
            out = std::move(moved);
        break;
    }
    default: break;
    }
    return out;
}

void TfrDesignDocument::takeDragCopies() {
    if (m_drag.entry)
        return;
    TfrUndoEntry entry;
    entry.kind = TfrUndoKind::Change;
    entry.page = m_pageIndex;
    for (std::int32_t id : m_drag.ids)
        if (const TfrView* v = findId(id))
            entry.items.push_back(frdesign::copyItem(page(), *v));
    m_drag.entry = std::move(entry);
}

void TfrDesignDocument::applyDrag() {
    const std::vector<TfrBox> boxes = dragBoxes();
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        TfrView* v = findId(m_drag.ids[i]);
        if (!v || boxOf(*v) == boxes[i])
            continue;
        takeDragCopies();
        placeDragged(*v, boxes[i]);
        if (!m_drag.changed)
            m_selected.insert(m_drag.carried.begin(), m_drag.carried.end());
        m_drag.changed = true;
    }
}

void TfrDesignDocument::dragTo(QPoint point, bool alt) {
    m_drag.to = point;
    m_drag.alt = alt;
    const TfrDragMode mode = m_drag.mode;
    if (mode != TfrDragMode::None && mode != TfrDragMode::Rubber && mode != TfrDragMode::Insert &&
        m_settings.selectionMode != 0)
        applyDrag();
}

TfrDesignDocument::Released TfrDesignDocument::release(QPoint point, Qt::KeyboardModifiers modifiers) {
    const bool alt = modifiers & Qt::AltModifier;
    dragTo(point, alt);
    switch (m_drag.mode) {
    case TfrDragMode::None: return Released::Nothing;
    case TfrDragMode::Rubber: {
        const QRect rect(m_drag.from, m_drag.to);
        m_drag = Drag();
        selectInRect(rect, modifiers & Qt::ShiftModifier);
        return Released::Nothing;
    }
    case TfrDragMode::Insert: {
        QPoint a = snapped(m_drag.from, alt), b = snapped(m_drag.to, alt);
        m_drag = Drag();
        const TfrObjectClass* cls = m_tool;
        if (!cls)
            return Released::Nothing;
        if (cls->isA(TfrLineView::classInfo())) {
            std::vector<TfrBox> boxes;
            for (const auto& v : page().objects())
                if (!isBand(*v))
                    boxes.push_back(boxOf(*v));
            a = frdesign::snapToCorner(a, boxes, m_settings.gridSize);
            b = frdesign::snapToCorner(b, boxes, m_settings.gridSize);
        }
        int bandType = -1;
        if (cls->isA(TfrBandView::classInfo())) {
            const std::vector<int> offered = offeredBandTypes();
            if (offered.empty()) {
                refuse(QStringLiteral("На эту страницу больше нельзя добавить секций"));
                return Released::Nothing;
            }
            const std::optional<int> chosen = chooseBandType ? chooseBandType(offered) : offered.front();
            if (!chosen) {
                refuse(QStringLiteral("Тип секции не выбран"));
                return Released::Nothing;
            }
            bandType = *chosen;
        }
        return insertObject(*cls, TfrBox{a.x(), a.y(), b.x() - a.x(), b.y() - a.y()}, bandType) ? Released::Inserted
                                                                                                 : Released::Nothing;
    }
    default: break;
    }
    applyDrag();
    const Drag drag = std::exchange(m_drag, Drag());
    if (!drag.entry)
        return Released::Nothing;
    // One change entry for the objects that ended elsewhere.
    TfrUndoEntry entry = *drag.entry;
    std::erase_if(entry.items, [&](const TfrUndoItem& item) {
        const auto it = std::find(drag.ids.begin(), drag.ids.end(), item.objectId);
        const TfrView* v = findId(item.objectId);
        return !v || it == drag.ids.end() || boxOf(*v) == drag.boxes[std::size_t(it - drag.ids.begin())];
    });
    if (entry.items.empty())
        return Released::Nothing;
    record(std::move(entry));
    touch();
    return Released::Changed;
}

// ---------------------------------------------------------------- keys

bool TfrDesignDocument::arrowKey(TfrDirection direction, Qt::KeyboardModifiers modifiers) {
    const std::vector<TfrView*> sel = selectionOrRefuse();
    if (sel.empty())
        return false;
    const int dx = direction == TfrDirection::Left ? -1 : direction == TfrDirection::Right ? 1 : 0;
    const int dy = direction == TfrDirection::Up ? -1 : direction == TfrDirection::Down ? 1 : 0;
    auto moveBy = [this](TfrView& v, int x, int y) {
        if (!mayMove(v))
            return false;
        placeDragged(v, TfrBox{v.left + x, v.top + y, v.width, v.height});
        return true;
    };
    if (modifiers & Qt::ControlModifier)
        return changeEach(sel, [&](TfrView& v) { return moveBy(v, dx, dy); });
    if (modifiers & Qt::ShiftModifier)
        return changeEach(sel, [&](TfrView& v) {
            if (!maySize(v))
                return moveBy(v, dx, dy);
            const TfrBox b{v.left, v.top, v.width + dx, v.height + dy};
            if (b.width < 0 || b.height < 0)
                return false;
            placeDragged(v, b);
            return true;
        });
    if (sel.size() != 1)
        return refuse(QStringLiteral("Соседа можно искать только у одного выделенного объекта"));
    TfrView& current = *sel.front();
    std::vector<TfrView*> others;
    std::vector<TfrBox> boxes;
    for (const auto& v : page().objects())
        if (v.get() != &current && !isBand(*v)) {
            others.push_back(v.get());
            boxes.push_back(boxOf(*v));
        }
    const int nearest = frdesign::nearestInDirection(boxOf(current), boxes, direction);
    if (nearest < 0)
        return refuse(QStringLiteral("В этом направлении нет объектов"));
    TfrView& neighbour = *others[std::size_t(nearest)];
    if (modifiers & Qt::AltModifier)
        return changeEach(sel, [&](TfrView& v) {
            if (!mayMove(v))
                return false;
            placeDragged(v, frdesign::moveToTouch(boxOf(v), boxOf(neighbour), direction));
            return true;
        });
    selectObjects({&neighbour});
    return true;
}

// ---------------------------------------------------------------- deleting and the clipboard

bool TfrDesignDocument::deleteSelection() {
    const std::vector<TfrView*> sel = selectionOrRefuse();
    if (sel.empty())
        return false;
    cancelDrag();
    TfrPage& p = page();
    TfrUndoEntry entry;
    entry.kind = TfrUndoKind::Delete;
    entry.page = m_pageIndex;
    QStringList children;
    // From the end of the list towards its start: the indices recorded are
    // those of the list before the command.
    for (auto it = sel.rbegin(); it != sel.rend(); ++it) {
        TfrView* v = *it;
        if (v->restrictions & frrfDontDelete)
            continue;
        if (const auto* band = frCast<TfrBandView>(v); band && band->bandType() == btChild)
            children << v->name();
        entry.items.push_back(frdesign::copyItem(p, *v));
        m_selected.erase(v->objectId);
        p.deleteObject(p.indexOf(v));
    }
    if (entry.items.empty())
        return refuse(QStringLiteral("Выделенные объекты удалять запрещено"));
    for (const auto& v : p.objects()) {
        auto* band = frCast<TfrBandView>(v.get());
        if (!band || band->childBand.isEmpty() || !children.contains(band->childBand, Qt::CaseInsensitive))
            continue;
        entry.changed.push_back(frdesign::copyItem(p, *band));
        band->childBand.clear();
    }
    record(std::move(entry));
    touch();
    return true;
}

bool TfrDesignDocument::copy() {
    const std::vector<TfrView*> sel = selectionOrRefuse();
    if (sel.empty())
        return false;
    std::vector<QByteArray> records;
    records.reserve(sel.size());
    try {
        for (const TfrView* v : sel)
            records.push_back(frdesign::objectRecord(*v));
        setClipboard(std::move(records));
    } catch (const Exception& e) {
        return refuse(e.message());
    }
    return true;
}

bool TfrDesignDocument::cut() { return copy() && deleteSelection(); }

void TfrDesignDocument::setClipboard(std::vector<QByteArray> records) {
    if (records.size() > std::size_t(maxClipboardObjects))
        throw Exception(QStringLiteral("В буфер помещается не более %1 объектов").arg(maxClipboardObjects));
    qsizetype total = 0;
    for (const QByteArray& r : records)
        total += r.size();
    if (total > maxClipboardBytes)
        throw Exception(QStringLiteral("Объекты для буфера больше %1 МБ").arg(maxClipboardBytes >> 20));
    m_clipboard = std::move(records);
}

bool TfrDesignDocument::paste(QPoint at) {
    if (m_clipboard.empty())
        return refuse(QStringLiteral("Буфер пуст"));
    cancelDrag();
    std::vector<std::unique_ptr<TfrView>> views;
    QStringList damaged;
    for (const QByteArray& record : m_clipboard) {
        try {
            views.push_back(frdesign::readObjectRecord(engine(), record));
        } catch (const Exception& e) {
            damaged << e.message();
        }
    }
    if (views.empty())
        return refuse(damaged.isEmpty() ? QStringLiteral("Буфер пуст") : damaged.join(u'\n'));
    std::int64_t minLeft = views.front()->left, minTop = views.front()->top;
    for (const auto& v : views) {
        minLeft = std::min<std::int64_t>(minLeft, v->left);
        minTop = std::min<std::int64_t>(minTop, v->top);
    }
    // On a scrolled page the group's corner goes to the grid.
    QPoint origin = at;
    if (origin != QPoint())
        origin = QPoint(frdesign::roundToGrid(at.x(), m_settings.gridSize), frdesign::roundToGrid(at.y(), m_settings.gridSize));
    std::optional<std::int32_t> bandTop;
    for (const TfrView* v : selection())
        if (isBand(*v)) {
            bandTop = v->top;
            break;
        }

    TfrPage& p = page();
    TfrUndoEntry entry;
    entry.kind = TfrUndoKind::Insert;
    entry.page = m_pageIndex;
    const std::vector<std::int32_t> before = frdesign::pageOrder(p);
    std::vector<TfrView*> pasted;
    bool bands = false;
    for (auto& view : views) {
        if (p.count() >= maxObjectsPerPage)
            break;
        const bool control = view->objectClass().has(TfrObjectClass::DialogControl);
        if (control != (p.pageType == ptDialog))
            continue;
        if (const auto* band = frCast<TfrBandView>(view.get())) {
            if (oncePerPage(band->bandType()) && pageHasBandType(p, band->bandType()))
                continue;
            view->setBaseName(frBandBaseName(band->bandType()));
        }
        if (onePerPageConflict(view->objectClass()))
            continue;
        const auto clampTo = [](std::int64_t v) { return std::int32_t(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX)); };
        const std::int64_t top = bandTop ? std::int64_t(*bandTop) : std::int64_t(origin.y());
        placeDragged(*view, TfrBox{clampTo(origin.x() + (view->left - minLeft)), clampTo(top + (view->top - minTop)),
                                   view->width, view->height});
        if (view->name().isEmpty() || m_report.objectNameExists(view->name()))
            view->createUniqueName(&m_report);
        bands = bands || isBand(*view);
        pasted.push_back(p.add(std::move(view)));
    }
    if (pasted.empty())
        return refuse(QStringLiteral("Объекты буфера на эту страницу не помещаются"));
    if (bands && reorderBands(p))
        entry.order = before;
    for (const TfrView* v : pasted)
        entry.items.push_back(TfrUndoItem{v->objectId, p.indexOf(v), {}});
    record(std::move(entry));
    selectObjects(pasted);
    touch();
    return true;
}

// ---------------------------------------------------------------- order

namespace {

bool reorder(TfrPage& p, const std::unordered_set<std::int32_t>& selected, bool front) {
    std::vector<std::int32_t> moved, rest;
    for (const auto& v : p.objects())
        (selected.count(v->objectId) ? moved : rest).push_back(v->objectId);
    std::vector<std::int32_t> order = front ? rest : moved;
    const std::vector<std::int32_t>& tail = front ? moved : rest;
    order.insert(order.end(), tail.begin(), tail.end());
    if (order == frdesign::pageOrder(p))
        return false;
    frdesign::restoreOrder(p, order);
    return true;
}

} // namespace

bool TfrDesignDocument::changeOrder(bool front) {
    const std::vector<TfrView*> sel = selectionOrRefuse();
    if (sel.empty())
        return false;
    cancelDrag();
    TfrPage& p = page();
    TfrUndoEntry entry;
    entry.kind = TfrUndoKind::Order;
    entry.page = m_pageIndex;
    entry.order = frdesign::pageOrder(p);
    for (const TfrView* v : sel)
        entry.items.push_back(TfrUndoItem{v->objectId, p.indexOf(v), {}});
    const bool moved = reorder(p, m_selected, front);
    // Bands stay in front of the other objects.
    const bool bandsMoved = reorderBands(p);
    if (!moved && !bandsMoved)
        return refuse(front ? QStringLiteral("Объекты уже наверху") : QStringLiteral("Объекты уже внизу"));
    if (frdesign::pageOrder(p) == entry.order)
        return refuse(QStringLiteral("Порядок объектов не изменился"));
    record(std::move(entry));
    touch();
    return true;
}

bool TfrDesignDocument::bringToFront() { return changeOrder(true); }
bool TfrDesignDocument::sendToBack() { return changeOrder(false); }

// ---------------------------------------------------------------- alignment

bool TfrDesignDocument::align(TfrAlign how) {
    const std::vector<TfrView*> sel = selectionOrRefuse();
    if (sel.empty())
        return false;
    cancelDrag();
    const TfrView* band = nullptr;
    for (const TfrView* v : sel)
        if (isBand(*v) && !isCrossBand(*v)) {
            band = v;
            break;
        }
    if (band && (how == TfrAlign::Left || how == TfrAlign::Right)) {
        // The objects of the band side by side from the printable edge.
        const QRect r(band->left, band->top, band->width, band->height);
        std::vector<TfrView*> inside;
        std::vector<TfrBox> boxes;
        for (const auto& v : page().objects())
            if (!isBand(*v) && mayMove(*v) && r.contains(QRect(v->left, v->top, v->width, v->height).normalized())) {
                inside.push_back(v.get());
                boxes.push_back(boxOf(*v));
            }
        if (inside.empty())
            return refuse(QStringLiteral("В секции нет объектов"));
        const bool toRight = how == TfrAlign::Right;
        const std::vector<TfrBox> placed =
            frdesign::sideBySide(boxes, toRight ? page().printableRight() : page().printableLeft(), toRight);
        std::size_t i = 0;
        return changeEach(inside, [&](TfrView& v) {
            placeDragged(v, placed[i++]);
            return true;
        });
    }
    std::vector<TfrView*> objects;
    for (TfrView* v : sel)
        if (!isBand(*v))
            objects.push_back(v);
    if (int(objects.size()) < frdesign::minimumCount(how))
        return refuse(QStringLiteral("Для этой команды нужно выделить не менее %1 объектов").arg(frdesign::minimumCount(how)));
    const TfrView* ref = referenceObject();
    if (!ref || isBand(*ref))
        ref = objects.back();
    std::vector<TfrBox> boxes;
    for (const TfrView* v : objects)
        boxes.push_back(boxOf(*v));
    const std::vector<TfrBox> placed = frdesign::alignBoxes(how, boxes, boxOf(*ref), pageSize());
    std::size_t i = 0;
    return changeEach(objects, [&](TfrView& v) {
        const TfrBox& b = placed[i++];
        if (!mayMove(v))
            return false;
        placeDragged(v, b);
        return true;
    });
}

bool TfrDesignDocument::fitToGrid() {
    const std::vector<TfrView*> sel = selectionOrRefuse();
    if (sel.empty())
        return false;
    cancelDrag();
    const int grid = m_settings.gridSize;
    return changeEach(sel, [&](TfrView& v) {
        const TfrBox fitted = frdesign::fitToGrid(boxOf(v), grid);
        TfrBox b = boxOf(v);
        if (mayMove(v)) {
            b.left = fitted.left;
            b.top = fitted.top;
        }
        if (maySize(v) && v.objectType != gtLine) {
            b.width = fitted.width;
            b.height = fitted.height;
        }
        placeDragged(v, b);
        return true;
    });
}

// ---------------------------------------------------------------- tool-bar commands

namespace {

std::vector<TfrView*> framed(const std::vector<TfrView*>& sel) {
    std::vector<TfrView*> out;
    for (TfrView* v : sel)
        if (v->objectType != gtBand)
            out.push_back(v);
    return out;
}

std::vector<TfrView*> texts(const std::vector<TfrView*>& sel) {
    std::vector<TfrView*> out;
    for (TfrView* v : sel)
        if (frCast<TfrMemoView>(v))
            out.push_back(v);
    return out;
}

} // namespace

bool TfrDesignDocument::setFrameSides(std::uint16_t sides, bool on) {
    sides &= frftLeft | frftTop | frftRight | frftBottom;
    m_style.frameTyp = on ? (m_style.frameTyp | sides) : (m_style.frameTyp & ~sides);
    std::vector<TfrView*> sel;
    for (TfrView* v : framed(selection()))
        if (v->objectType != gtLine)
            sel.push_back(v);
    if (sel.empty())
        return true;
    return changeEach(sel, [&](TfrView& v) {
        v.frameTyp = on ? (v.frameTyp | sides) : (v.frameTyp & ~sides);
        return true;
    });
}

bool TfrDesignDocument::setFrameAll(bool on) { return setFrameSides(frftLeft | frftTop | frftRight | frftBottom, on); }

bool TfrDesignDocument::setFrameWidth(float width) {
    if (!(width >= 0.0f && width <= 100.0f))
        return refuse(QStringLiteral("Толщина рамки может быть от 0 до 100"));
    const std::vector<TfrView*> sel = framed(selection());
    m_style.frameWidth = width;
    if (std::any_of(sel.begin(), sel.end(), [](const TfrView* v) { return v->objectType == gtLine; }))
        m_style.lineWidth = width;
    if (sel.empty())
        return true;
    return changeEach(sel, [&](TfrView& v) {
        v.frameWidth = width;
        return true;
    });
}

bool TfrDesignDocument::setFrameColor(TfrColor color) {
    m_style.frameColor = color;
    const std::vector<TfrView*> sel = framed(selection());
    if (sel.empty())
        return true;
    return changeEach(sel, [&](TfrView& v) {
        v.frameColor = color;
        return true;
    });
}

bool TfrDesignDocument::setFrameStyle(std::uint16_t style) {
    if (style > psDouble)
        return refuse(QStringLiteral("Стиль линии может быть от 0 до 5"));
    const std::vector<TfrView*> sel = framed(selection());
    if (sel.empty())
        return true;
    return changeEach(sel, [&](TfrView& v) {
        v.frameStyle = style;
        return true;
    });
}

bool TfrDesignDocument::setFillColor(TfrColor color) {
    m_style.fillColor = color;
    const std::vector<TfrView*> sel = framed(selection());
    if (sel.empty())
        return true;
    return changeEach(sel, [&](TfrView& v) {
        v.fillColor = color;
        return true;
    });
}

bool TfrDesignDocument::changeTexts(const std::function<void(TfrMemoView&)>& change) {
    const std::vector<TfrView*> sel = texts(selection());
    if (sel.empty())
        return true;
    return changeEach(sel, [&](TfrView& v) {
        change(static_cast<TfrMemoView&>(v));
        return true;
    });
}

bool TfrDesignDocument::setFontName(const QString& name) {
    if (name.trimmed().isEmpty() || name.size() > 64)
        return refuse(QStringLiteral("Не указано имя шрифта"));
    m_style.font.name = name;
    return changeTexts([&](TfrMemoView& m) { m.font.name = name; });
}

bool TfrDesignDocument::setFontSize(int size) {
    if (size < 1 || size > 1500)
        return refuse(QStringLiteral("Размер шрифта может быть от 1 до 1500"));
    m_style.font.size = size;
    return changeTexts([&](TfrMemoView& m) { m.font.size = size; });
}

bool TfrDesignDocument::setFontColor(TfrColor color) {
    m_style.font.color = color;
    return changeTexts([&](TfrMemoView& m) { m.font.color = color; });
}

bool TfrDesignDocument::setFontStyle(std::uint16_t bit, bool on) {
    m_style.font.style = on ? (m_style.font.style | bit) : (m_style.font.style & ~bit);
    return changeTexts([&](TfrMemoView& m) { m.font.style = on ? (m.font.style | bit) : (m.font.style & ~bit); });
}

bool TfrDesignDocument::setTextAlignment(std::uint32_t horizontal) {
    horizontal &= 3;
    m_style.alignment = (m_style.alignment & ~3u) | horizontal;
    return changeTexts([&](TfrMemoView& m) { m.alignment = (m.alignment & ~3u) | horizontal; });
}

bool TfrDesignDocument::setTextLayout(std::uint32_t vertical) {
    vertical &= frtaMiddle | frtaDown;
    const std::uint32_t mask = frtaMiddle | frtaDown;
    m_style.alignment = (m_style.alignment & ~mask) | vertical;
    return changeTexts([&](TfrMemoView& m) { m.alignment = (m.alignment & ~mask) | vertical; });
}

bool TfrDesignDocument::setVerticalText(bool on) {
    m_style.alignment = on ? (m_style.alignment | frtaVertical) : (m_style.alignment & ~frtaVertical);
    return changeTexts([&](TfrMemoView& m) { m.alignment = on ? (m.alignment | frtaVertical) : (m.alignment & ~frtaVertical); });
}

bool TfrDesignDocument::setProperty(const std::vector<TfrView*>& views, const QString& property, const TVariant& value) {
    if (views.empty())
        return refuse(QStringLiteral("Нет выделенных объектов"));
    const QString name = property.toUpper();
    for (const TfrView* view : views) {
        if (view->parentPage() != &page())
            return refuse(QStringLiteral("Объект %1 не на показанной странице").arg(view->name()));
        const TfrPropRec* rec = view->findProperty(property);
        if (!rec)
            return refuse(QStringLiteral("У объекта %1 нет свойства %2").arg(view->name(), property));
        if (!rec->set)
            return refuse(QStringLiteral("Свойство %1 только для чтения").arg(rec->name));
        if (view->restrictions & frrfDontModify)
            return refuse(QStringLiteral("Свойства объекта %1 менять запрещено").arg(view->name()));
        if ((name == u"LEFT" || name == u"TOP") && !mayMove(*view))
            return refuse(QStringLiteral("Объект %1 перемещать запрещено").arg(view->name()));
        if ((name == u"WIDTH" || name == u"HEIGHT") && !maySize(*view))
            return refuse(QStringLiteral("Размер объекта %1 менять запрещено").arg(view->name()));
    }
    if (name == u"NAME") {
        const QString newName = value.toString();
        if (views.size() != 1)
            return refuse(QStringLiteral("Имя задаётся одному объекту"));
        if (newName.isEmpty())
            return refuse(QStringLiteral("Имя объекта не может быть пустым"));
        const TfrView* other = m_report.findObject(newName);
        if (other && other != views.front())
            return refuse(QStringLiteral("Объект с именем %1 уже есть").arg(newName));
    }
    cancelDrag();
    TfrUndoEntry entry = changeEntry(views);
    try {
        for (TfrView* view : views) {
            view->setPropValue(property, value);
            // A value the template could not hold (a text too long) is not taken.
            frdesign::objectRecord(*view);
        }
    } catch (const Exception& e) {
        // A value that cannot be taken may have changed some objects already.
        frdesign::applyUndoEntry(engine(), page(), entry);
        return refuse(e.message());
    }
    std::erase_if(entry.items, [this](const TfrUndoItem& item) {
        const TfrView* v = findId(item.objectId);
        return v && frdesign::sameRecord(*v, item.copy);
    });
    if (entry.items.empty())
        return refuse(QStringLiteral("Ничего не изменилось"));
    record(std::move(entry));
    touch();
    return true;
}

TfrView* TfrDesignDocument::editTarget() {
    TfrView* v = referenceObject();
    if (!v) {
        refuse(QStringLiteral("Нет выделенных объектов"));
        return nullptr;
    }
    if (const auto* sub = frCast<TfrSubReportView>(v)) {
        setPage(sub->subPage);
        return nullptr;
    }
    if (v->restrictions & frrfDontEditContents) {
        refuse(QStringLiteral("Содержимое объекта %1 редактировать запрещено").arg(v->name()));
        return nullptr;
    }
    return v;
}
