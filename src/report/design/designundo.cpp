#include "report/design/designundo.h"

#include "report/design/objectrecord.h"

#include "common/exception.h"
#include "report/model/engine.h"
#include "report/model/page.h"

#include <algorithm>
#include <unordered_map>

void TfrUndoStack::push(TfrUndoEntry entry) {
    if (int(m_entries.size()) >= capacity)
        m_entries.pop_front();
    m_entries.push_back(std::move(entry));
}

std::optional<TfrUndoEntry> TfrUndoStack::pop() {
    if (m_entries.empty())
        return std::nullopt;
    TfrUndoEntry e = std::move(m_entries.back());
    m_entries.pop_back();
    return e;
}

namespace frdesign {

namespace {

std::unique_ptr<TfrView> restored(TfrEngine& engine, const TfrUndoItem& item) {
    std::unique_ptr<TfrView> view = readObjectRecord(engine, item.copy);
    view->objectId = item.objectId;
    return view;
}

// Puts the copies back in place of the objects they were taken from; returns
// copies of the objects as they were.
std::vector<TfrUndoItem> restoreCopies(TfrEngine& engine, TfrPage& page, const std::vector<TfrUndoItem>& items,
                                       std::vector<std::int32_t>* touched) {
    std::vector<TfrUndoItem> before;
    for (const TfrUndoItem& item : items) {
        const int index = page.findObjectById(item.objectId);
        if (index < 0)
            continue;
        // An object the template cannot hold (a line too long) is put back
        // all the same; only taking that back again is not possible.
        try {
            before.push_back(copyItem(page, *page.object(index)));
        } catch (const Exception&) {
        }
        std::unique_ptr<TfrView> view = restored(engine, item);
        page.deleteObject(index);
        page.insert(index, std::move(view));
        if (touched)
            touched->push_back(item.objectId);
    }
    return before;
}

} // namespace

TfrUndoItem copyItem(const TfrPage& page, const TfrView& view) {
    return TfrUndoItem{view.objectId, page.indexOf(&view), objectRecord(view)};
}

std::vector<std::int32_t> pageOrder(const TfrPage& page) {
    std::vector<std::int32_t> ids;
    ids.reserve(std::size_t(page.count()));
    for (const auto& v : page.objects())
        ids.push_back(v->objectId);
    return ids;
}

void restoreOrder(TfrPage& page, const std::vector<std::int32_t>& ids) {
    std::vector<std::unique_ptr<TfrView>> taken;
    taken.reserve(std::size_t(page.count()));
    while (page.count() > 0)
        taken.push_back(page.take(page.count() - 1));
    std::reverse(taken.begin(), taken.end());
    std::unordered_map<std::int32_t, std::size_t> at;
    for (std::size_t i = 0; i < taken.size(); ++i)
        at.emplace(taken[i]->objectId, i);
    for (std::int32_t id : ids) {
        const auto it = at.find(id);
        if (it != at.end() && taken[it->second])
            page.add(std::move(taken[it->second]));
    }
    for (auto& v : taken)
        if (v)
            page.add(std::move(v));
}

TfrUndoEntry applyUndoEntry(TfrEngine& engine, TfrPage& page, const TfrUndoEntry& entry,
                            std::vector<std::int32_t>* touched) {
    TfrUndoEntry inverse;
    inverse.page = entry.page;
    if (!entry.order.empty())
        inverse.order = pageOrder(page);
    switch (entry.kind) {
    case TfrUndoKind::Insert:
        inverse.kind = TfrUndoKind::Delete;
        // Copies are taken with the indices the objects have now, and the
        // objects are deleted from the end of the list, so that putting them
        // back at those indices in ascending order restores the list.
        for (const TfrUndoItem& item : entry.items) {
            const int index = page.findObjectById(item.objectId);
            if (index >= 0)
                inverse.items.push_back(copyItem(page, *page.object(index)));
        }
        std::sort(inverse.items.begin(), inverse.items.end(),
                  [](const TfrUndoItem& a, const TfrUndoItem& b) { return a.index < b.index; });
        for (auto it = inverse.items.rbegin(); it != inverse.items.rend(); ++it)
            page.deleteObject(it->index);
        break;
    case TfrUndoKind::Delete: {
        inverse.kind = TfrUndoKind::Insert;
        std::vector<const TfrUndoItem*> items;
        for (const TfrUndoItem& item : entry.items)
            items.push_back(&item);
        std::sort(items.begin(), items.end(), [](const TfrUndoItem* a, const TfrUndoItem* b) { return a->index < b->index; });
        for (const TfrUndoItem* item : items) {
            page.insert(item->index, restored(engine, *item));
            inverse.items.push_back(TfrUndoItem{item->objectId, item->index, {}});
            if (touched)
                touched->push_back(item->objectId);
        }
        break;
    }
    case TfrUndoKind::Change:
        inverse.kind = TfrUndoKind::Change;
        inverse.items = restoreCopies(engine, page, entry.items, touched);
        break;
    case TfrUndoKind::Order:
        inverse.kind = TfrUndoKind::Order;
        if (touched)
            for (const TfrUndoItem& item : entry.items)
                touched->push_back(item.objectId);
        inverse.items = entry.items;
        for (TfrUndoItem& item : inverse.items)
            item.index = page.findObjectById(item.objectId);
        break;
    }
    inverse.changed = restoreCopies(engine, page, entry.changed, nullptr);
    if (!entry.order.empty())
        restoreOrder(page, entry.order);
    return inverse;
}

} // namespace frdesign
