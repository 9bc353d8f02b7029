#pragma once

#include <QByteArray>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

class TfrEngine;
class TfrPage;
class TfrView;

// Undo and redo of the designer. An entry belongs to one page and names its
// objects by ObjectId, so it stays valid whatever happens to the objects'
// addresses; copies are object records (report/design/objectrecord.h).
enum class TfrUndoKind { Insert = 0, Delete = 1, Change = 2, Order = 3 };

struct TfrUndoItem {
    std::int32_t objectId = 0;
    int index = -1;   // the object's place in the page's list
    QByteArray copy;  // the object's record (delete and change)
};

struct TfrUndoEntry {
    TfrUndoKind kind = TfrUndoKind::Change;
    int page = 0;
    // Insert: the objects inserted; delete: copies of the objects deleted at
    // their indices; change: copies of the objects as they were.
    std::vector<TfrUndoItem> items;
    // Copies of further objects the command changed on the way (the bands
    // whose ChildBand named a child band that was deleted).
    std::vector<TfrUndoItem> changed;
    // The page's order of objects before the command, for commands that
    // reordered the list (order commands, and inserting or pasting bands);
    // empty otherwise.
    std::vector<std::int32_t> order;
};

// A stack of at most `capacity` entries: pushing onto a full stack drops the
// oldest entry.
class TfrUndoStack {
public:
    static constexpr int capacity = 100;

    void push(TfrUndoEntry entry);
    std::optional<TfrUndoEntry> pop();
    const TfrUndoEntry* top() const { return m_entries.empty() ? nullptr : &m_entries.back(); }
    int count() const { return int(m_entries.size()); }
    bool isEmpty() const { return m_entries.empty(); }
    void clear() { m_entries.clear(); }
    const std::deque<TfrUndoEntry>& entries() const { return m_entries; }

private:
    std::deque<TfrUndoEntry> m_entries;
};

namespace frdesign {

// An item holding a copy of an object of `page`.
TfrUndoItem copyItem(const TfrPage& page, const TfrView& view);
// The object ids of a page in list order.
std::vector<std::int32_t> pageOrder(const TfrPage& page);
// Puts the page's objects in the order of `ids`; objects it does not name
// follow in their present order.
void restoreOrder(TfrPage& page, const std::vector<std::int32_t>& ids);

// Takes an entry back on its page (undo, and redo of its inverse) and
// returns the entry that takes that back again. Returns the objects the
// entry restored or re-inserted in `touched`.
TfrUndoEntry applyUndoEntry(TfrEngine& engine, TfrPage& page, const TfrUndoEntry& entry,
                            std::vector<std::int32_t>* touched = nullptr);

} // namespace frdesign
