#include "grid/gridrows.h"

#include "common/cp1251.h"
#include "grid/collation.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <stdexcept>
#include <new>
#include <numeric>
#include <string_view>
#include <unordered_map>

namespace {

std::uint64_t hashBytes(const char* p, std::size_t n) {
    std::uint64_t h = 0x9E3779B97F4A7C15ull ^ n;
    while (n >= 8) {
        std::uint64_t v;
        std::memcpy(&v, p, 8);
        h = (h ^ v) * 0xBF58476D1CE4E5B9ull;
        h ^= h >> 29;
        p += 8;
        n -= 8;
    }
    std::uint64_t v = 0;
    std::memcpy(&v, p, n);
    h = (h ^ v) * 0x94D049BB133111EBull;
    return h ^ (h >> 32);
}

} // namespace

// Storage of one table column for all loaded records: the has-value flags and,
// for numbers, the values and their display texts, made once at the load (the
// texts of string columns are read from the table).
struct TGridRows::FieldData {
    TFieldType type = TFieldType::String;
    std::vector<std::uint8_t> hasValue;
    std::vector<std::int32_t> ints;
    std::vector<double> floats;
    TByteStore text;                  // numbers: the texts one after another
    std::vector<std::uint32_t> textEnd; // numbers: end of each record's text
    // Sort ranks (0: no value), made on first use after a load.
    mutable std::vector<std::uint32_t> rank;
    mutable bool rankValid = false;
};

void TByteStore::grow(std::size_t n) {
    const std::size_t capacity = std::max({m_capacity + m_capacity / 2, m_size + n, std::size_t(4096)});
    void* p = std::realloc(m_data, capacity);
    if (!p)
        throw std::bad_alloc();
    m_data = static_cast<char*>(p);
    m_capacity = capacity;
}

QByteArray TGridColor::hex() const {
    static const char digits[] = "0123456789ABCDEF";
    QByteArray out(6, '0');
    if (none)
        return out;
    const std::uint8_t c[3] = {red, green, blue};
    for (int i = 0; i < 3; ++i) {
        out[2 * i] = digits[c[i] >> 4];
        out[2 * i + 1] = digits[c[i] & 15];
    }
    return out;
}

TGridRows::TGridRows() = default;
TGridRows::~TGridRows() = default;

int TGridRows::pixelsForChars(int chars) {
    if (chars <= 0)
        return 64;
    const long long px = 6LL * chars + 4;
    return int(std::min<long long>(px, 100000));
}

// --- Table -------------------------------------------------------------------

void TGridRows::detach() {
    m_table = nullptr;
    m_columns.clear();
    m_keyColumn = -1;
    m_keyField = -1;
    m_groupColumns.clear();
    clearRows();
}

void TGridRows::clearRows() {
    m_data.clear();
    m_slots.clear();
    m_storageId = 0;
    m_fields = 0;
    m_loaded = 0;
    m_tablePos.clear();
    m_deleted.clear();
    m_order.clear();
    m_rows.clear();
    m_groups.clear();
    m_collapsed.clear();
    m_visible.clear();
}

void TGridRows::rebuildColumns(TMemTable& table) {
    m_columns.clear();
    m_keyColumn = -1;
    m_keyField = -1;
    m_table = &table;
    const int n = table.active() ? table.fieldCount() : 0;
    int dataColumns = 0;
    for (int i = 0; i < n; ++i) {
        const TField& f = table.field(i);
        TGridColumn c;
        c.fieldIndex = i;
        c.fieldName = f.fieldName();
        c.type = f.dataType();
        c.caption = f.displayLabel().isEmpty() ? f.fieldName() : f.displayLabel();
        c.width = pixelsForChars(f.displayWidth());
        c.visible = f.visible();
        c.alignment = f.alignment() == TField::Alignment::Right ? TGridAlignment::Right : TGridAlignment::Left;
        c.headerAlignment = TGridAlignment::Left;
        c.color = m_appearance.color;
        c.font = m_appearance.font;
        if (m_keyColumn < 0 && f.fieldName().compare(QLatin1String(KeyFieldName), Qt::CaseInsensitive) == 0) {
            m_keyColumn = i;
            m_keyField = i;
        } else if (dataColumns < 2) {
            c.hasSummary = true;
            ++dataColumns;
        }
        m_columns.push_back(std::move(c));
    }
    reload();
}

void TGridRows::reload() {
    clearRows();
    resolveGrouping();
    if (!m_table || !m_table->active()) {
        m_loadedChanges = m_table ? m_table->changeCount() : 0;
        return;
    }
    TMemTable& t = *m_table;
    const int fields = t.fieldCount();
    const int records = t.recordCount();
    m_data.resize(std::size_t(fields));
    m_fields = fields;
    m_storageId = t.storageId();
    // Column by column, as the table stores them.
    m_slots.resize(std::size_t(records));
    m_tablePos.resize(std::size_t(records));
    for (int r = 0; r < records; ++r) {
        m_slots[std::size_t(r)] = t.slotAt(r);
        m_tablePos[std::size_t(r)] = r;
    }
    char number[TMemTable::NumberChars];
    for (int f = 0; f < fields; ++f) {
        FieldData& d = m_data[std::size_t(f)];
        d.type = t.field(f).dataType();
        d.hasValue.resize(std::size_t(records));
        if (d.type == TFieldType::Integer)
            d.ints.resize(std::size_t(records));
        else if (d.type == TFieldType::Float)
            d.floats.resize(std::size_t(records));
        if (d.type != TFieldType::String)
            d.textEnd.resize(std::size_t(records));
        for (int r = 0; r < records; ++r) {
            const bool has = t.hasValueAt(r, f);
            d.hasValue[std::size_t(r)] = has;
            if (d.type == TFieldType::String)
                continue;
            if (d.type == TFieldType::Integer)
                d.ints[std::size_t(r)] = t.integerAt(r, f);
            else
                d.floats[std::size_t(r)] = t.floatAt(r, f);
            if (has) {
                const std::string_view text = t.bytesAt(r, f, number);
                d.text.append(text.data(), text.size());
            }
            d.textEnd[std::size_t(r)] = std::uint32_t(d.text.size());
        }
    }
    m_loaded = records;
    m_deleted.assign(std::size_t(m_loaded), 0);
    m_loadedChanges = t.changeCount();
    regroup(true);
}

// --- Columns -----------------------------------------------------------------

int TGridRows::findColumn(const QString& fieldName) const {
    for (int i = 0; i < columnCount(); ++i)
        if (m_columns[std::size_t(i)].fieldName.compare(fieldName, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

bool TGridRows::isShown(int column) const {
    if (column < 0 || column >= columnCount() || column == m_keyColumn)
        return false;
    if (!m_columns[std::size_t(column)].visible)
        return false;
    return std::find(m_groupColumns.begin(), m_groupColumns.end(), column) == m_groupColumns.end();
}

std::vector<int> TGridRows::visibleColumns() const {
    std::vector<int> out;
    for (int i = 0; i < columnCount(); ++i)
        if (isShown(i))
            out.push_back(i);
    return out;
}

void TGridRows::moveColumn(int from, int to) {
    if (from < 0 || from >= columnCount() || to < 0 || to >= columnCount() || from == to)
        return;
    TGridColumn c = std::move(m_columns[std::size_t(from)]);
    m_columns.erase(m_columns.begin() + from);
    m_columns.insert(m_columns.begin() + to, std::move(c));
    // Column numbers changed: find the key and the grouped columns again.
    m_keyColumn = -1;
    for (int i = 0; i < columnCount(); ++i)
        if (m_columns[std::size_t(i)].fieldIndex == m_keyField)
            m_keyColumn = i;
    resolveGrouping();
}

void TGridRows::setColumnWidth(int column, int pixels) {
    if (column >= 0 && column < columnCount())
        m_columns[std::size_t(column)].width = std::max(0, pixels);
}

// --- Sorting and grouping ----------------------------------------------------

void TGridRows::sortBy(const QString& fieldName, bool descending) {
    m_sortField = fieldName;
    m_sortDescending = descending;
    regroup(true);
}

void TGridRows::setGrouping(std::vector<TGroupColumn> grouping) {
    m_grouping = std::move(grouping);
    m_collapsed.clear();
    resolveGrouping();
    regroup(true);
}

void TGridRows::groupBy(const QString& fieldName, int position) {
    std::vector<TGroupColumn> g = m_grouping;
    bool descending = false;
    for (auto it = g.begin(); it != g.end(); ++it)
        if (it->fieldName.compare(fieldName, Qt::CaseInsensitive) == 0) {
            descending = it->descending;
            g.erase(it);
            break;
        }
    if (position < 0 || position > int(g.size()))
        position = int(g.size());
    g.insert(g.begin() + position, TGroupColumn{fieldName, descending});
    setGrouping(std::move(g));
}

void TGridRows::ungroup(const QString& fieldName) {
    std::vector<TGroupColumn> g = m_grouping;
    std::erase_if(g, [&](const TGroupColumn& c) { return c.fieldName.compare(fieldName, Qt::CaseInsensitive) == 0; });
    setGrouping(std::move(g));
}

void TGridRows::setGroupDescending(const QString& fieldName, bool descending) {
    for (auto& c : m_grouping)
        if (c.fieldName.compare(fieldName, Qt::CaseInsensitive) == 0)
            c.descending = descending;
    regroup(true);
}

void TGridRows::resolveGrouping() {
    m_groupColumns.clear();
    for (const auto& g : m_grouping) {
        const int c = findColumn(g.fieldName);
        if (c >= 0 && c != m_keyColumn &&
            std::find(m_groupColumns.begin(), m_groupColumns.end(), c) == m_groupColumns.end())
            m_groupColumns.push_back(c);
    }
}

const std::vector<std::uint32_t>& TGridRows::ranks(int fieldIndex) const {
    const FieldData& d = m_data.at(std::size_t(fieldIndex));
    if (d.rankValid)
        return d.rank;
    const std::size_t n = std::size_t(m_loaded);
    d.rank.assign(n, 0);
    if (d.type == TFieldType::String) {
        // Distinct texts first when the column repeats its values (judged from
        // its first records), found through an open-addressing hash table of
        // distinct numbers; a column of mostly distinct texts ranks every text.
        std::vector<QByteArrayView> distinct;
        std::vector<std::uint32_t> idOf(n, 0);
        std::size_t tableSize = 16;
        {
            const std::size_t sample = std::min<std::size_t>(n, 4096);
            std::vector<std::string_view> seen;
            for (std::size_t r = 0; r < sample; ++r)
            {
                const QByteArrayView v = fieldBytes(int(r), fieldIndex);
                seen.emplace_back(v.data(), std::size_t(v.size()));
            }
            std::sort(seen.begin(), seen.end());
            const auto unique = std::size_t(std::unique(seen.begin(), seen.end()) - seen.begin());
            if (sample > 0 && unique * 2 > sample) {
                for (std::size_t r = 0; r < n; ++r) {
                    const QByteArrayView v = fieldBytes(int(r), fieldIndex);
                    if (v.isEmpty())
                        continue;
                    distinct.push_back(v);
                    idOf[r] = std::uint32_t(distinct.size());
                }
                tableSize = 0;
            }
        }
        while (tableSize && tableSize < 2 * n)
            tableSize <<= 1;
        std::vector<std::uint32_t> table(tableSize, 0);
        for (std::size_t r = 0; tableSize && r < n; ++r) {
            const QByteArrayView v = fieldBytes(int(r), fieldIndex);
            const auto len = std::size_t(v.size());
            if (len == 0)
                continue; // an empty text is no value
            const char* text = v.data();
            std::size_t slot = std::size_t(hashBytes(text, len)) & (tableSize - 1);
            for (;;) {
                const std::uint32_t id = table[slot];
                if (id == 0) {
                    distinct.emplace_back(text, qsizetype(len));
                    table[slot] = std::uint32_t(distinct.size());
                    idOf[r] = std::uint32_t(distinct.size());
                    break;
                }
                const QByteArrayView& v = distinct[id - 1];
                if (std::size_t(v.size()) == len && std::memcmp(v.data(), text, len) == 0) {
                    idOf[r] = id;
                    break;
                }
                slot = (slot + 1) & (tableSize - 1);
            }
        }
        const std::vector<std::uint32_t> r = gridcollation::rank(distinct);
        for (std::size_t i = 0; i < n; ++i)
            if (idOf[i])
                d.rank[i] = r[idOf[i] - 1] + 1;
    } else {
        std::vector<std::uint32_t> idx;
        idx.reserve(n);
        for (std::size_t r = 0; r < n; ++r)
            if (d.hasValue[r])
                idx.push_back(std::uint32_t(r));
        if (d.type == TFieldType::Integer) {
            std::sort(idx.begin(), idx.end(), [&](std::uint32_t a, std::uint32_t b) { return d.ints[a] < d.ints[b]; });
            std::uint32_t rank = 0;
            for (std::size_t i = 0; i < idx.size(); ++i) {
                if (i == 0 || d.ints[idx[i]] != d.ints[idx[i - 1]])
                    ++rank;
                d.rank[idx[i]] = rank;
            }
        } else {
            std::sort(idx.begin(), idx.end(),
                      [&](std::uint32_t a, std::uint32_t b) { return d.floats[a] < d.floats[b]; });
            std::uint32_t rank = 0;
            for (std::size_t i = 0; i < idx.size(); ++i) {
                if (i == 0 || d.floats[idx[i]] != d.floats[idx[i - 1]])
                    ++rank;
                d.rank[idx[i]] = rank;
            }
        }
    }
    d.rankValid = true;
    return d.rank;
}

void TGridRows::regroup(bool resort) {
    m_rows.clear();
    m_groups.clear();
    m_visible.clear();
    if (m_loaded == 0 && m_order.empty())
        return;

    if (resort) {
        // Start from table order, then sort stably by each key from the least
        // significant (the sort column) to the most (the first grouped column).
        m_order.clear();
        m_order.reserve(std::size_t(m_loaded));
        for (int r = 0; r < m_loaded; ++r)
            if (!m_deleted[std::size_t(r)])
                m_order.push_back(r);

        struct Key {
            int field;
            bool descending;
        };
        std::vector<Key> keys;
        for (int level = 0; level < groupCount(); ++level) {
            const TGridColumn& c = m_columns[std::size_t(m_groupColumns[std::size_t(level)])];
            bool desc = false;
            for (const auto& g : m_grouping)
                if (g.fieldName.compare(c.fieldName, Qt::CaseInsensitive) == 0)
                    desc = g.descending;
            keys.push_back({c.fieldIndex, desc});
        }
        const int sortCol = m_sortField.isEmpty() ? -1 : findColumn(m_sortField);
        if (sortCol >= 0)
            keys.push_back({m_columns[std::size_t(sortCol)].fieldIndex, m_sortDescending});

        std::vector<std::uint64_t> packed(m_order.size());
        for (auto k = keys.rbegin(); k != keys.rend(); ++k) {
            const auto& rank = ranks(k->field);
            for (std::size_t i = 0; i < m_order.size(); ++i) {
                std::uint32_t v = rank[std::size_t(m_order[i])];
                if (k->descending)
                    v = ~v;
                packed[i] = (std::uint64_t(v) << 32) | std::uint32_t(i);
            }
            std::sort(packed.begin(), packed.end());
            std::vector<int> next(m_order.size());
            for (std::size_t i = 0; i < packed.size(); ++i)
                next[i] = m_order[std::size_t(packed[i] & 0xFFFFFFFFu)];
            m_order.swap(next);
        }
    }

    // Walk the sorted records and open a group wherever a grouped value changes.
    const int G = groupCount();
    std::vector<const std::vector<std::uint32_t>*> groupRanks;
    for (int level = 0; level < G; ++level)
        groupRanks.push_back(&ranks(m_columns[std::size_t(m_groupColumns[std::size_t(level)])].fieldIndex));
    m_rows.reserve(m_order.size() + (G ? m_order.size() / 4 : 0));
    std::vector<int> open(std::size_t(G), -1);
    auto closeGroup = [&](int g, int endPos) {
        Group& grp = m_groups[std::size_t(g)];
        grp.count = endPos - grp.first;
        grp.span = int(m_rows.size()) - grp.row - 1;
    };
    for (std::size_t p = 0; p < m_order.size(); ++p) {
        const int rec = m_order[p];
        int changed = G;
        for (int level = 0; level < G; ++level)
            if (p == 0 || (*groupRanks[std::size_t(level)])[std::size_t(rec)] !=
                              (*groupRanks[std::size_t(level)])[std::size_t(m_order[p - 1])]) {
                changed = level;
                break;
            }
        for (int level = G - 1; level >= changed; --level)
            if (open[std::size_t(level)] >= 0)
                closeGroup(open[std::size_t(level)], int(p));
        for (int level = changed; level < G; ++level) {
            Group grp;
            grp.level = level;
            grp.first = int(p);
            grp.row = int(m_rows.size());
            open[std::size_t(level)] = int(m_groups.size());
            m_groups.push_back(grp);
            m_rows.push_back(~std::int32_t(m_groups.size() - 1));
        }
        m_rows.push_back(rec);
    }
    for (int level = G - 1; level >= 0; --level)
        if (open[std::size_t(level)] >= 0)
            closeGroup(open[std::size_t(level)], int(m_order.size()));

    // Collapsed groups are remembered by their values, so they stay collapsed
    // across a re-sort or a delete.
    if (!m_collapsed.isEmpty()) {
        QSet<QByteArray> still;
        for (int g = 0; g < groupNumberCount(); ++g) {
            const QByteArray key = groupKey(g);
            if (m_collapsed.contains(key))
                still.insert(key);
        }
        m_collapsed.swap(still);
    }
    rebuildVisible();
}

QByteArray TGridRows::groupKey(int group) const {
    const Group& grp = m_groups.at(std::size_t(group));
    const int rec = m_order.at(std::size_t(grp.first));
    QByteArray key;
    for (int level = 0; level <= grp.level; ++level) {
        const std::uint32_t r = ranks(m_columns[std::size_t(m_groupColumns[std::size_t(level)])].fieldIndex)[std::size_t(rec)];
        key.append(reinterpret_cast<const char*>(&r), sizeof r);
    }
    return key;
}

// --- Rows --------------------------------------------------------------------

TGridRows::Row TGridRows::row(int i) const {
    const std::int32_t v = m_rows.at(std::size_t(i));
    if (v >= 0)
        return Row{false, groupCount(), v};
    const int g = ~v;
    return Row{true, m_groups[std::size_t(g)].level, g};
}

std::vector<int> TGridRows::topLevelRows() const {
    std::vector<int> out;
    for (int i = 0; i < rowCount();) {
        out.push_back(i);
        const Row r = row(i);
        i += 1 + (r.isGroup ? groupSpan(r.index) : 0);
    }
    return out;
}

std::vector<int> TGridRows::childRows(int rowIndex) const {
    std::vector<int> out;
    const Row r = row(rowIndex);
    if (!r.isGroup)
        return out;
    const int end = rowIndex + 1 + groupSpan(r.index);
    for (int i = rowIndex + 1; i < end;) {
        out.push_back(i);
        const Row c = row(i);
        i += 1 + (c.isGroup ? groupSpan(c.index) : 0);
    }
    return out;
}

QString TGridRows::groupText(int group) const {
    return cp1251::decode(groupTextBytes(group));
}

QByteArray TGridRows::groupTextBytes(int group) const {
    const Group& grp = m_groups.at(std::size_t(group));
    const int column = m_groupColumns.at(std::size_t(grp.level));
    const TGridColumn& c = m_columns[std::size_t(column)];
    QByteArray out = cp1251::encode(c.caption);
    out += " : ";
    out += cellBytes(m_order[std::size_t(grp.first)], column);
    out += ' ';
    if (c.hasSummary) {
        QByteArray summary = cp1251::encode(summaryFormat());
        summary.replace('#', QByteArray::number(grp.count));
        out += summary;
        out += ' ';
    }
    return out;
}

bool TGridRows::isCollapsed(int group) const {
    return !m_collapsed.isEmpty() && m_collapsed.contains(groupKey(group));
}

void TGridRows::setCollapsed(int group, bool collapsed) {
    const QByteArray key = groupKey(group);
    if (collapsed)
        m_collapsed.insert(key);
    else
        m_collapsed.remove(key);
    rebuildVisible();
}

void TGridRows::setAllCollapsed(bool collapsed) {
    m_collapsed.clear();
    if (collapsed)
        for (int g = 0; g < groupNumberCount(); ++g)
            m_collapsed.insert(groupKey(g));
    rebuildVisible();
}

void TGridRows::rebuildVisible() {
    m_visible.clear();
    if (m_collapsed.isEmpty())
        return;
    m_visible.reserve(m_rows.size());
    for (int i = 0; i < rowCount();) {
        m_visible.push_back(i);
        const Row r = row(i);
        if (r.isGroup && m_collapsed.contains(groupKey(r.index)))
            i += 1 + groupSpan(r.index);
        else
            ++i;
    }
}

int TGridRows::visibleIndexOf(int rowIndex) const {
    if (rowIndex < 0 || rowIndex >= rowCount())
        return -1;
    if (m_collapsed.isEmpty())
        return rowIndex;
    const auto it = std::lower_bound(m_visible.begin(), m_visible.end(), rowIndex);
    return it != m_visible.end() && *it == rowIndex ? int(it - m_visible.begin()) : -1;
}

// --- Cells -------------------------------------------------------------------

QByteArrayView TGridRows::fieldBytes(int record, int field) const {
    const FieldData& d = m_data[std::size_t(field)];
    if (d.type == TFieldType::String) {
        // A table that was closed (or reopened) behind the grid shows nothing.
        if (m_table == nullptr || m_table->storageId() != m_storageId)
            return {};
        const std::string_view v = m_table->stringAtSlot(m_slots[std::size_t(record)], field);
        return QByteArrayView(v.data(), qsizetype(v.size()));
    }
    const std::uint32_t begin = record == 0 ? 0 : d.textEnd[std::size_t(record) - 1];
    return QByteArrayView(d.text.data() + begin, qsizetype(d.textEnd[std::size_t(record)] - begin));
}

QByteArrayView TGridRows::cellBytes(int record, int column) const {
    if (record < 0 || record >= m_loaded)
        throw std::out_of_range("grid record");
    return fieldBytes(record, m_columns.at(std::size_t(column)).fieldIndex);
}

QString TGridRows::cellText(int record, int column) const {
    return cp1251::decode(cellBytes(record, column));
}

void TGridRows::prefetchRow(int rowIndex, bool texts) const {
#if defined(__GNUC__)
    if (rowIndex < 0 || rowIndex >= rowCount())
        return;
    const std::int32_t rec = m_rows[std::size_t(rowIndex)];
    if (rec < 0)
        return;
    const std::size_t r = std::size_t(rec);
    if (texts) {
        for (int f = 0; f < m_fields; ++f) {
            const FieldData& d = m_data[std::size_t(f)];
            if (d.type == TFieldType::String)
                __builtin_prefetch(m_table->stringAtSlot(m_slots[r], f).data());
            else
                __builtin_prefetch(d.textEnd.data() + r);
        }
    } else {
        __builtin_prefetch(m_slots.data() + r);
    }
#endif
}

bool TGridRows::cellIsNull(int record, int column) const {
    const FieldData& d = m_data.at(std::size_t(m_columns.at(std::size_t(column)).fieldIndex));
    return !d.hasValue.at(std::size_t(record));
}

std::int32_t TGridRows::cellInteger(int record, int column) const {
    const FieldData& d = m_data.at(std::size_t(m_columns.at(std::size_t(column)).fieldIndex));
    return d.type == TFieldType::Integer ? d.ints.at(std::size_t(record)) : 0;
}

double TGridRows::cellFloat(int record, int column) const {
    const FieldData& d = m_data.at(std::size_t(m_columns.at(std::size_t(column)).fieldIndex));
    if (d.type == TFieldType::Float)
        return d.floats.at(std::size_t(record));
    if (d.type == TFieldType::Integer)
        return d.ints.at(std::size_t(record));
    return 0.0;
}

// --- Delete ------------------------------------------------------------------

int TGridRows::deleteRecords(const std::vector<int>& records) {
    if (!m_table || !m_table->active())
        return 0;
    std::vector<int> recs;
    for (int r : records)
        if (r >= 0 && r < m_loaded && !m_deleted[std::size_t(r)])
            recs.push_back(r);
    std::sort(recs.begin(), recs.end());
    recs.erase(std::unique(recs.begin(), recs.end()), recs.end());
    if (recs.empty())
        return 0;

    TMemTable& t = *m_table;
    // Finds the table position of a record: where it was loaded when the key
    // there still matches, else the record with the same key (the table may have
    // changed behind the grid).
    auto positionOf = [&](int rec) -> int {
        const int pos = m_tablePos[std::size_t(rec)];
        const bool posValid = pos >= 0 && pos < t.recordCount();
        if (m_keyField < 0)
            return posValid && t.changeCount() == m_loadedChanges ? pos : -1;
        const TField& keyField = t.field(m_keyField);
        const FieldData& key = m_data[std::size_t(m_keyField)];
        const bool hasKey = key.hasValue[std::size_t(rec)] != 0;
        const QString keyText =
            cp1251::decode(fieldBytes(rec, m_keyField));
        if (posValid) {
            t.setRecNo(pos);
            if (keyField.isNull() == !hasKey && keyField.asString() == keyText)
                return pos;
        }
        if (!hasKey)
            return -1;
        TVariant value = keyText;
        if (key.type == TFieldType::Integer)
            value = TVariant(key.ints[std::size_t(rec)]);
        else if (key.type == TFieldType::Float)
            value = TVariant(key.floats[std::size_t(rec)]);
        return t.locate(keyField.fieldName(), {value}) ? t.recNo() : -1;
    };

    std::vector<std::pair<int, int>> targets; // table position, record
    for (int rec : recs) {
        const int pos = positionOf(rec);
        if (pos >= 0)
            targets.push_back({pos, rec});
    }
    std::sort(targets.begin(), targets.end(), [](auto& a, auto& b) { return a.first > b.first; });
    std::vector<int> removedPositions;
    int deleted = 0;
    for (const auto& [pos, rec] : targets) {
        t.setRecNo(pos);
        t.deleteRecord();
        m_deleted[std::size_t(rec)] = 1;
        removedPositions.push_back(pos);
        ++deleted;
    }
    // Later records moved up by the number of removed records before them.
    std::sort(removedPositions.begin(), removedPositions.end());
    for (int r = 0; r < m_loaded; ++r) {
        if (m_deleted[std::size_t(r)])
            continue;
        const int pos = m_tablePos[std::size_t(r)];
        m_tablePos[std::size_t(r)] =
            pos - int(std::lower_bound(removedPositions.begin(), removedPositions.end(), pos) - removedPositions.begin());
    }
    std::erase_if(m_order, [&](int r) { return m_deleted[std::size_t(r)] != 0; });
    m_loadedChanges = t.changeCount();
    regroup(false);
    return deleted;
}

int TGridRows::deleteRows(const std::vector<int>& rows) {
    std::vector<int> records;
    for (int r : rows)
        if (r >= 0 && r < rowCount() && !row(r).isGroup)
            records.push_back(row(r).index);
    return deleteRecords(records);
}
