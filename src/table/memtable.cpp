#include "table/memtable.h"

#include "common/cp1251.h"
#include "common/exception.h"
#include "common/numformat.h"
#include "common/rounding.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string>
#include <string_view>

// Records are stored by column. Each column keeps its values in chunks of a
// fixed number of record used that are never moved once allocated: 4 bytes
// per integer, 8 per float, and for strings the code page 1251 bytes packed
// into the chunk's byte buffer with one 4-byte end offset per slot. A has-value
// bit per slot completes a value. Appending fills the next slot; deleting a
// record only drops it from the record order, which is kept as an explicit list
// of used from the first deletion on (until then record n is slot n).

namespace {

constexpr int kChunkShift = 10;
constexpr std::uint32_t kChunk = 1u << kChunkShift;
constexpr std::uint32_t kChunkMask = kChunk - 1;

struct Chunk {
    std::uint64_t has[kChunk / 64] = {};
    std::unique_ptr<std::int32_t[]> ints;
    std::unique_ptr<double[]> floats;
    std::unique_ptr<std::uint32_t[]> ends; // strings: end of slot i in bytes
    std::string bytes;
};

struct Column {
    TFieldType type;
    int size;
    std::vector<std::unique_ptr<Chunk>> chunks;
};

// A key value prepared for comparison with a column.
struct KeyPart {
    bool null = false;       // numeric columns: matches records without value
    bool impossible = false; // strings with characters outside the code page
    double num = 0;
    std::string bytes;
};

// The final mix of a 64-bit hash: every input bit reaches the low bits that
// pick the index slot.
std::uint64_t fmix(std::uint64_t h) {
    h ^= h >> 33;
    h *= 0xFF51AFD7ED558CCDull;
    h ^= h >> 33;
    h *= 0xC4CEB9FE1A85EC53ull;
    return h ^ (h >> 33);
}

std::uint64_t mix(std::uint64_t h, std::uint64_t v) { return fmix(h * 0x9E3779B97F4A7C15ull + fmix(v)); }

std::uint64_t hashBytes(std::string_view s) {
    std::uint64_t h = 1469598103934665603ull;
    for (unsigned char c : s) {
        h ^= c;
        h *= 1099511628211ull;
    }
    return h;
}

std::uint64_t hashNumber(double d) {
    if (d == 0)
        d = 0; // -0 and 0 are equal
    return std::bit_cast<std::uint64_t>(d);
}

constexpr std::uint64_t kNullHash = 0x6A09E667F3BCC909ull;

QString closedMessage() { return QStringLiteral("Cannot perform this operation on a closed dataset"); }

} // namespace

// The value of one column of the pending record.
struct TMemTable::Cell {
    bool has = false;
    std::int32_t i = 0;
    double d = 0;
    std::string s;
};

struct TMemTable::Storage {
    std::vector<Column> columns;
    std::uint32_t used = 0;          // used used in every column
    bool identity = true;             // record n is slot n
    std::vector<std::uint32_t> order; // otherwise: the slot of each record
    std::vector<Cell> pending;
    std::vector<KeyPart> scratchKey; // reused by locate
    bool eof = true;
    bool bof = true;

    // Hash index of the records by the key columns of the last Locate: an
    // open-addressing table of distinct key hashes, each with the chain of its
    // records in table order.
    struct LocateIndex {
        std::vector<int> columns;
        std::uint64_t changes = ~0ull;
        std::uint64_t mask = 0;
        struct Slot {
            std::uint64_t hash = 0;
            std::int32_t head = -1; // first record with this hash, -1 for a free slot
        };
        std::vector<Slot> table;
        std::vector<std::int32_t> next; // per record: next record with the same hash, -1 at the end
    } index;

    int count() const { return identity ? static_cast<int>(used) : static_cast<int>(order.size()); }
    std::uint32_t slotOf(int record) const {
        return identity ? static_cast<std::uint32_t>(record) : order[static_cast<std::size_t>(record)];
    }

    const Chunk& chunk(int col, std::uint32_t slot) const {
        return *columns[static_cast<std::size_t>(col)].chunks[slot >> kChunkShift];
    }
    bool has(int col, std::uint32_t slot) const {
        const std::uint32_t i = slot & kChunkMask;
        return (chunk(col, slot).has[i >> 6] >> (i & 63)) & 1u;
    }
    std::int32_t intAt(int col, std::uint32_t slot) const { return chunk(col, slot).ints[slot & kChunkMask]; }
    double floatAt(int col, std::uint32_t slot) const { return chunk(col, slot).floats[slot & kChunkMask]; }
    std::string_view stringAt(int col, std::uint32_t slot) const {
        const Chunk& c = chunk(col, slot);
        const std::uint32_t i = slot & kChunkMask;
        const std::uint32_t begin = i == 0 ? 0 : c.ends[i - 1];
        return std::string_view(c.bytes.data() + begin, c.ends[i] - begin);
    }
    double numberAt(int col, std::uint32_t slot) const {
        return columns[static_cast<std::size_t>(col)].type == TFieldType::Integer ? double(intAt(col, slot))
                                                                                 : floatAt(col, slot);
    }

    // Stores the pending record in the next slot.
    void appendPending() {
        const std::uint32_t slot = used;
        const std::uint32_t i = slot & kChunkMask;
        for (std::size_t c = 0; c < columns.size(); ++c) {
            Column& col = columns[c];
            if (i == 0) {
                auto chunk = std::make_unique<Chunk>();
                switch (col.type) {
                case TFieldType::Integer: chunk->ints = std::make_unique<std::int32_t[]>(kChunk); break;
                case TFieldType::Float: chunk->floats = std::make_unique<double[]>(kChunk); break;
                case TFieldType::String:
                    chunk->ends = std::make_unique<std::uint32_t[]>(kChunk);
                    // Texts of neighbouring records are alike: room for as
                    // much as the previous chunk took, so that it rarely grows.
                    if (!col.chunks.empty())
                        chunk->bytes.reserve(col.chunks.back()->bytes.size() + col.chunks.back()->bytes.size() / 16);
                    break;
                }
                col.chunks.push_back(std::move(chunk));
            }
            Chunk& ch = *col.chunks.back();
            const Cell& cell = pending[c];
            if (cell.has)
                ch.has[i >> 6] |= std::uint64_t(1) << (i & 63);
            switch (col.type) {
            case TFieldType::Integer: ch.ints[i] = cell.has ? cell.i : 0; break;
            case TFieldType::Float: ch.floats[i] = cell.has ? cell.d : 0; break;
            case TFieldType::String:
                if (cell.has)
                    ch.bytes.append(cell.s);
                ch.ends[i] = static_cast<std::uint32_t>(ch.bytes.size());
                // A full chunk gives back a larger spare room (a copy).
                if (i == kChunkMask && ch.bytes.capacity() - ch.bytes.size() > ch.bytes.size() / 8)
                    ch.bytes.shrink_to_fit();
                break;
            }
        }
        ++used;
        if (!identity)
            order.push_back(slot);
    }

    void resetPending() {
        for (Cell& c : pending) {
            c.has = false;
            c.i = 0;
            c.d = 0;
            c.s.clear();
        }
    }

    bool matches(std::uint32_t slot, const std::vector<int>& cols, const std::vector<KeyPart>& key) const {
        for (std::size_t k = 0; k < cols.size(); ++k) {
            const int col = cols[k];
            const KeyPart& part = key[k];
            if (columns[static_cast<std::size_t>(col)].type == TFieldType::String) {
                if (part.impossible)
                    return false;
                const std::string_view s = has(col, slot) ? stringAt(col, slot) : std::string_view();
                if (s != std::string_view(part.bytes))
                    return false;
            } else if (part.null) {
                if (has(col, slot))
                    return false;
            } else if (!has(col, slot) || numberAt(col, slot) != part.num) {
                return false;
            }
        }
        return true;
    }

    std::uint64_t recordHash(std::uint32_t slot, const std::vector<int>& cols) const {
        std::uint64_t h = 0;
        for (int col : cols) {
            if (columns[static_cast<std::size_t>(col)].type == TFieldType::String)
                h = mix(h, hashBytes(has(col, slot) ? stringAt(col, slot) : std::string_view()));
            else
                h = mix(h, has(col, slot) ? hashNumber(numberAt(col, slot)) : kNullHash);
        }
        return h;
    }

    std::uint64_t keyHash(const std::vector<int>& cols, const std::vector<KeyPart>& key) const {
        std::uint64_t h = 0;
        for (std::size_t k = 0; k < cols.size(); ++k) {
            if (columns[static_cast<std::size_t>(cols[k])].type == TFieldType::String)
                h = mix(h, hashBytes(key[k].bytes));
            else
                h = mix(h, key[k].null ? kNullHash : hashNumber(key[k].num));
        }
        return h;
    }

    void buildIndex(const std::vector<int>& cols, std::uint64_t changes) {
        LocateIndex& ix = index;
        ix.columns = cols;
        ix.changes = changes;
        const int n = count();
        std::size_t size = 16;
        while (size < std::size_t(n) * 2)
            size *= 2;
        ix.mask = size - 1;
        ix.table.assign(size, LocateIndex::Slot{});
        ix.next.assign(static_cast<std::size_t>(n), -1);
        std::vector<std::int32_t> tails(size, -1);
        for (int r = 0; r < n; ++r) {
            const std::uint64_t h = recordHash(slotOf(r), cols);
            std::size_t s = h & ix.mask;
            while (ix.table[s].head >= 0 && ix.table[s].hash != h)
                s = (s + 1) & ix.mask;
            if (ix.table[s].head < 0) {
                ix.table[s].hash = h;
                ix.table[s].head = r;
            } else {
                ix.next[static_cast<std::size_t>(tails[s])] = r;
            }
            tails[s] = r;
        }
    }

    // The first record in table order whose key matches, or -1.
    int findIndexed(const std::vector<int>& cols, const std::vector<KeyPart>& key) const {
        const LocateIndex& ix = index;
        const std::uint64_t h = keyHash(cols, key);
        std::size_t s = h & ix.mask;
        while (ix.table[s].head >= 0) {
            if (ix.table[s].hash == h) {
                for (std::int32_t r = ix.table[s].head; r >= 0; r = ix.next[static_cast<std::size_t>(r)])
                    if (matches(slotOf(r), cols, key))
                        return r;
                return -1;
            }
            s = (s + 1) & ix.mask;
        }
        return -1;
    }
};

// ---------------------------------------------------------------------------
// TField

TField::TField(TMemTable& table, TFieldDef def, int index)
    : m_table(table), m_def(std::move(def)), m_index(index) {
    switch (m_def.type) {
    case TFieldType::Integer: m_width = 10; break;
    case TFieldType::Float: m_width = 15; break;
    case TFieldType::String: m_width = m_def.size; break;
    }
}

bool TField::isNull() const {
    const TMemTable::ValueRef src = m_table.valueRef(m_index);
    if (src.cell)
        return !src.cell->has;
    if (src.stored)
        return !m_table.m_storage->has(m_index, src.slot);
    return true;
}

QString TField::asString() const {
    const TMemTable::ValueRef src = m_table.valueRef(m_index);
    if (src.cell) {
        if (!src.cell->has)
            return QString();
        switch (m_def.type) {
        case TFieldType::Integer: return QString::number(src.cell->i);
        case TFieldType::Float: return numfmt::formatFloat(src.cell->d);
        case TFieldType::String: return cp1251::decode(QByteArrayView(src.cell->s.data(), qsizetype(src.cell->s.size())));
        }
    }
    if (!src.stored)
        return QString();
    return m_table.textAt(m_table.m_cursor, m_index);
}

TVariant TField::value() const {
    if (isNull())
        return TVariant::null();
    switch (m_def.type) {
    case TFieldType::Integer: return TVariant(asInteger());
    case TFieldType::Float: return TVariant(asFloat());
    case TFieldType::String: return TVariant(asString());
    }
    return TVariant::null();
}

std::int32_t TField::asInteger() const {
    const TMemTable::ValueRef src = m_table.valueRef(m_index);
    if (isNull())
        return 0;
    switch (m_def.type) {
    case TFieldType::Integer: return src.cell ? src.cell->i : m_table.m_storage->intAt(m_index, src.slot);
    case TFieldType::Float: return TVariant(asFloat()).toInt();
    case TFieldType::String: {
        const QString s = asString();
        if (const auto v = numfmt::parseInt(s))
            return *v;
        throw Exception(QStringLiteral("'%1' is not a valid integer value").arg(s));
    }
    }
    return 0;
}

double TField::asFloat() const {
    const TMemTable::ValueRef src = m_table.valueRef(m_index);
    if (isNull())
        return 0;
    switch (m_def.type) {
    case TFieldType::Integer: return asInteger();
    case TFieldType::Float: return src.cell ? src.cell->d : m_table.m_storage->floatAt(m_index, src.slot);
    case TFieldType::String: {
        const QString s = asString();
        if (const auto v = numfmt::parseFloat(s))
            return *v;
        throw Exception(QStringLiteral("'%1' is not a valid floating point value").arg(s));
    }
    }
    return 0;
}

void TField::setAsString(const QString& text) { setAsStringView(text); }

void TField::setAsStringView(QStringView text) {
    TMemTable::Cell& cell = m_table.pendingCell(m_index);
    switch (m_def.type) {
    case TFieldType::Integer: {
        if (text.isEmpty()) {
            cell.has = false;
            return;
        }
        QStringView t = text;
        while (!t.isEmpty() && t.front() == u' ')
            t = t.mid(1);
        const auto v = numfmt::parseInt(t);
        if (!v)
            throw Exception(QStringLiteral("'%1' is not a valid integer value for field '%2'")
                                .arg(text.toString(), displayLabel()));
        cell.i = *v;
        cell.has = true;
        return;
    }
    case TFieldType::Float: {
        if (text.isEmpty()) {
            cell.has = false;
            return;
        }
        const auto v = numfmt::parseFloat(text);
        if (!v)
            throw Exception(QStringLiteral("'%1' is not a valid floating point value for field '%2'")
                                .arg(text.toString(), displayLabel()));
        cell.d = *v;
        cell.has = true;
        return;
    }
    case TFieldType::String: {
        // At most size characters, ending at the first zero character.
        const qsizetype n = std::min<qsizetype>(text.size(), std::max(m_def.size, 0));
        cell.s.clear();
        for (qsizetype i = 0; i < n; ++i) {
            const QChar ch = text[i];
            const char16_t u = ch.unicode();
            if (u == 0)
                break;
            cell.s.push_back(u < 0x80 ? static_cast<char>(u) : static_cast<char>(cp1251::toByte(ch)));
        }
        cell.has = !cell.s.empty();
        return;
    }
    }
}

void TField::setAsInteger(std::int32_t v) {
    switch (m_def.type) {
    case TFieldType::Integer: {
        TMemTable::Cell& cell = m_table.pendingCell(m_index);
        cell.i = v;
        cell.has = true;
        return;
    }
    case TFieldType::Float: setAsFloat(v); return;
    case TFieldType::String: setAsString(QString::number(v)); return;
    }
}

void TField::setAsFloat(double v) {
    switch (m_def.type) {
    case TFieldType::Integer: setAsInteger(TVariant(v).toInt()); return;
    case TFieldType::Float: {
        TMemTable::Cell& cell = m_table.pendingCell(m_index);
        cell.d = v;
        cell.has = true;
        return;
    }
    case TFieldType::String: setAsString(numfmt::formatFloat(v)); return;
    }
}

void TField::setValue(const TVariant& v) {
    if (v.isNullOrEmpty()) {
        clear();
        return;
    }
    if (v.isString()) {
        setAsString(v.toString());
        return;
    }
    switch (m_def.type) {
    case TFieldType::Integer: setAsInteger(v.toInt()); return;
    case TFieldType::Float: setAsFloat(v.toDouble()); return;
    case TFieldType::String: setAsString(v.toString()); return;
    }
}

void TField::setFromField(const TField& source) {
    if (source.m_def.type != m_def.type || m_def.type == TFieldType::Float) {
        setValue(source.value());
        return;
    }
    TMemTable::Cell& cell = m_table.pendingCell(m_index);
    const TMemTable::ValueRef src = source.m_table.valueRef(source.m_index);
    const TMemTable::Storage* st = source.m_table.m_storage.get();
    const bool has = src.cell ? src.cell->has : (src.stored && st->has(source.m_index, src.slot));
    if (!has) {
        cell.has = false;
        cell.s.clear();
        return;
    }
    if (m_def.type == TFieldType::Integer) {
        cell.i = src.cell ? src.cell->i : st->intAt(source.m_index, src.slot);
        cell.has = true;
        return;
    }
    const std::string_view text = src.cell ? std::string_view(src.cell->s) : st->stringAt(source.m_index, src.slot);
    cell.s.assign(text.substr(0, static_cast<std::size_t>(std::max(m_def.size, 0))));
    cell.has = !cell.s.empty();
}

void TField::clear() {
    TMemTable::Cell& cell = m_table.pendingCell(m_index);
    cell.has = false;
    cell.s.clear();
}

// ---------------------------------------------------------------------------
// TMemTable

TMemTable::TMemTable(QString name) : m_name(std::move(name)) {}

TMemTable::~TMemTable() = default;

void TMemTable::error(const QString& message) const {
    throw Exception(QStringLiteral("%1: %2").arg(m_name, message));
}

void TMemTable::clearFieldDefs() {
    if (active())
        error(QStringLiteral("Cannot perform this operation on an open dataset"));
    m_defs.clear();
}

void TMemTable::addFieldDef(const QString& name, TFieldType type, int size) {
    if (active())
        error(QStringLiteral("Cannot perform this operation on an open dataset"));
    m_defs.push_back({name, type, size});
}

void TMemTable::open() {
    if (active())
        return;
    for (std::size_t i = 0; i < m_defs.size(); ++i) {
        const TFieldDef& d = m_defs[i];
        if (d.name.isEmpty())
            error(QStringLiteral("Field name missing"));
        for (std::size_t j = 0; j < i; ++j)
            if (m_defs[j].name.compare(d.name, Qt::CaseInsensitive) == 0)
                error(QStringLiteral("Duplicate field name '%1'").arg(d.name));
        if (d.type == TFieldType::String && d.size < 0)
            error(QStringLiteral("Invalid size %1 of field '%2'").arg(d.size).arg(d.name));
    }
    auto storage = std::make_unique<Storage>();
    storage->columns.reserve(m_defs.size());
    for (const TFieldDef& d : m_defs)
        storage->columns.push_back(Column{d.type, d.size, {}});
    storage->pending.resize(m_defs.size());
    m_fields.clear();
    for (std::size_t i = 0; i < m_defs.size(); ++i)
        m_fields.push_back(std::unique_ptr<TField>(new TField(*this, m_defs[i], static_cast<int>(i))));
    m_storage = std::move(storage);
    ++m_storageId;
    m_state = State::Browse;
    m_cursor = -1;
    ++m_changes;
}

void TMemTable::close() {
    m_fields.clear();
    m_storage.reset();
    m_state = State::Closed;
    m_cursor = -1;
    ++m_changes;
}

void TMemTable::requireBrowse() const {
    if (m_state == State::Closed)
        error(closedMessage());
    if (m_state == State::Append)
        error(QStringLiteral("Operation not allowed while a record is being appended"));
}

void TMemTable::append() {
    requireBrowse();
    m_storage->resetPending();
    m_state = State::Append;
}

void TMemTable::post() {
    if (m_state != State::Append)
        error(QStringLiteral("Dataset not in edit or insert mode"));
    m_storage->appendPending();
    m_state = State::Browse;
    m_cursor = m_storage->count() - 1;
    m_storage->eof = m_storage->bof = false;
    ++m_changes;
}

void TMemTable::cancel() {
    if (m_state != State::Append)
        return;
    m_storage->resetPending();
    m_state = State::Browse;
}

void TMemTable::deleteRecord() {
    requireBrowse();
    if (m_cursor < 0)
        error(QStringLiteral("Cannot perform this operation on an empty dataset"));
    Storage& st = *m_storage;
    if (st.identity) {
        st.order.resize(st.used);
        for (std::uint32_t i = 0; i < st.used; ++i)
            st.order[i] = i;
        st.identity = false;
    }
    st.order.erase(st.order.begin() + m_cursor);
    const int n = st.count();
    if (m_cursor >= n)
        m_cursor = n - 1;
    st.eof = n == 0;
    st.bof = n == 0;
    ++m_changes;
}

void TMemTable::first() {
    requireBrowse();
    const int n = m_storage->count();
    m_cursor = n > 0 ? 0 : -1;
    m_storage->bof = true;
    m_storage->eof = n == 0;
}

void TMemTable::last() {
    requireBrowse();
    const int n = m_storage->count();
    m_cursor = n - 1;
    m_storage->eof = true;
    m_storage->bof = n == 0;
}

void TMemTable::next() {
    requireBrowse();
    if (m_cursor + 1 < m_storage->count()) {
        ++m_cursor;
        m_storage->eof = m_storage->bof = false;
    } else {
        m_storage->eof = true;
    }
}

void TMemTable::prior() {
    requireBrowse();
    if (m_cursor > 0) {
        --m_cursor;
        m_storage->eof = m_storage->bof = false;
    } else {
        m_storage->bof = true;
    }
}

bool TMemTable::eof() const { return !m_storage || m_storage->eof; }

bool TMemTable::bof() const { return !m_storage || m_storage->bof; }

void TMemTable::setRecNo(int recNo) {
    requireBrowse();
    if (recNo < 0 || recNo >= m_storage->count())
        error(QStringLiteral("Record number %1 out of range").arg(recNo));
    m_cursor = recNo;
    m_storage->eof = m_storage->bof = false;
}

int TMemTable::recordCount() const { return m_storage ? m_storage->count() : 0; }

TField* TMemTable::findField(const QString& name) const {
    for (const auto& f : m_fields)
        if (f->fieldName().compare(name, Qt::CaseInsensitive) == 0)
            return f.get();
    return nullptr;
}

TField& TMemTable::fieldByName(const QString& name) const {
    if (TField* f = findField(name))
        return *f;
    error(QStringLiteral("Field '%1' not found").arg(name));
}

TMemTable::ValueRef TMemTable::valueRef(int column) const {
    ValueRef ref;
    if (m_state == State::Append)
        ref.cell = &m_storage->pending[static_cast<std::size_t>(column)];
    else if (m_storage && m_cursor >= 0) {
        ref.stored = true;
        ref.slot = m_storage->slotOf(m_cursor);
    }
    return ref;
}

TMemTable::Cell& TMemTable::pendingCell(int index) {
    if (m_state != State::Append)
        error(QStringLiteral("Dataset not in edit or insert mode"));
    return m_storage->pending[static_cast<std::size_t>(index)];
}

bool TMemTable::locate(const QString& keyFields, const std::vector<TVariant>& values) {
    if (!active())
        return false;
    requireBrowse();
    const QStringList names = keyFields.split(u';');
    std::vector<int> cols;
    cols.reserve(static_cast<std::size_t>(names.size()));
    for (const QString& n : names)
        cols.push_back(fieldByName(n).index());
    return locate(cols, values);
}

bool TMemTable::locate(const std::vector<int>& cols, const std::vector<TVariant>& values) {
    if (!active())
        return false;
    requireBrowse();
    if (values.size() != cols.size())
        error(QStringLiteral("Locate: %1 key columns but %2 values").arg(cols.size()).arg(values.size()));
    for (int c : cols)
        if (c < 0 || c >= fieldCount())
            error(QStringLiteral("Locate: no column %1").arg(c));

    Storage& st = *m_storage;
    // Key values converted to the column types; a string key for a numeric
    // column converts (and fails like any variant conversion).
    std::vector<KeyPart>& key = st.scratchKey;
    key.resize(cols.size());
    for (std::size_t k = 0; k < cols.size(); ++k) {
        const TVariant& v = values[k];
        KeyPart& part = key[k];
        part.null = part.impossible = false;
        part.num = 0;
        part.bytes.clear();
        if (st.columns[static_cast<std::size_t>(cols[k])].type == TFieldType::String) {
            if (v.isNull())
                throw Exception(QStringLiteral("Could not convert variant of type (Null) into type (String)"));
            const QString s = v.toString();
            for (QChar ch : s) {
                if (!cp1251::isRepresentable(ch) || ch.unicode() == 0)
                    part.impossible = true;
                part.bytes.push_back(static_cast<char>(cp1251::toByte(ch)));
            }
        } else if (v.isNull()) {
            part.null = true;
        } else {
            part.num = v.toDouble();
        }
    }

    const int n = st.count();
    if (n == 0)
        return false;
    if (m_cursor >= 0 && st.matches(st.slotOf(m_cursor), cols, key))
        return true;

    if (st.index.changes != m_changes || st.index.columns != cols)
        st.buildIndex(cols, m_changes);
    const int r = st.findIndexed(cols, key);
    if (r < 0)
        return false;
    m_cursor = r;
    st.eof = st.bof = false;
    return true;
}

void TMemTable::copyFrom(const TMemTable& source) {
    if (&source == this) {
        if (active() && m_state == State::Browse)
            first();
        return;
    }
    close();
    m_defs = source.m_defs;
    open();
    ++m_changes;
    if (!source.m_storage)
        return;
    const Storage& src = *source.m_storage;
    Storage& dst = *m_storage;
    const int n = src.count();
    for (int r = 0; r < n; ++r) {
        const std::uint32_t slot = src.slotOf(r);
        for (std::size_t c = 0; c < dst.columns.size(); ++c) {
            Cell& cell = dst.pending[c];
            const int col = static_cast<int>(c);
            cell.has = src.has(col, slot);
            cell.s.clear();
            if (!cell.has)
                continue;
            switch (dst.columns[c].type) {
            case TFieldType::Integer: cell.i = src.intAt(col, slot); break;
            case TFieldType::Float: cell.d = src.floatAt(col, slot); break;
            case TFieldType::String: cell.s.assign(src.stringAt(col, slot)); break;
            }
        }
        dst.appendPending();
    }
    dst.resetPending();
    m_cursor = n > 0 ? 0 : -1;
    dst.bof = true;
    dst.eof = n == 0;
}

QString TMemTable::textAt(int record, int column) const {
    if (!m_storage || record < 0 || record >= m_storage->count() || column < 0 ||
        column >= static_cast<int>(m_storage->columns.size()))
        return QString();
    const Storage& st = *m_storage;
    const std::uint32_t slot = st.slotOf(record);
    if (!st.has(column, slot))
        return QString();
    switch (st.columns[static_cast<std::size_t>(column)].type) {
    case TFieldType::Integer: return QString::number(st.intAt(column, slot));
    case TFieldType::Float: return numfmt::formatFloat(st.floatAt(column, slot));
    case TFieldType::String: {
        const std::string_view s = st.stringAt(column, slot);
        return cp1251::decode(QByteArrayView(s.data(), qsizetype(s.size())));
    }
    }
    return QString();
}

std::string_view TMemTable::bytesAt(int record, int column, char* buffer) const {
    if (!m_storage || record < 0 || record >= m_storage->count())
        return {};
    const Storage& st = *m_storage;
    const std::uint32_t slot = st.slotOf(record);
    if (!st.has(column, slot))
        return {};
    switch (st.columns[static_cast<std::size_t>(column)].type) {
    case TFieldType::Integer: {
        const auto res = std::to_chars(buffer, buffer + NumberChars, st.intAt(column, slot));
        return std::string_view(buffer, std::size_t(res.ptr - buffer));
    }
    case TFieldType::Float:
        static_assert(NumberChars >= numfmt::FloatChars);
        return std::string_view(buffer, std::size_t(numfmt::formatFloat(st.floatAt(column, slot), buffer)));
    case TFieldType::String: return st.stringAt(column, slot);
    }
    return {};
}

std::uint32_t TMemTable::slotAt(int record) const {
    if (!m_storage || record < 0 || record >= m_storage->count())
        error(QStringLiteral("Record %1 out of range").arg(record));
    return m_storage->slotOf(record);
}

std::string_view TMemTable::stringAtSlot(std::uint32_t slot, int column) const {
    const Storage* st = m_storage.get();
    if (!st || slot >= st->used || column < 0 || column >= static_cast<int>(st->columns.size()) ||
        st->columns[std::size_t(column)].type != TFieldType::String || !st->has(column, slot))
        return {};
    return st->stringAt(column, slot);
}

bool TMemTable::hasValueAt(int record, int column) const {
    if (!m_storage || record < 0 || record >= m_storage->count())
        return false;
    return m_storage->has(column, m_storage->slotOf(record));
}

std::int32_t TMemTable::integerAt(int record, int column) const {
    if (!hasValueAt(record, column))
        return 0;
    const Storage& st = *m_storage;
    return st.columns[std::size_t(column)].type == TFieldType::Integer ? st.intAt(column, st.slotOf(record)) : 0;
}

double TMemTable::floatAt(int record, int column) const {
    if (!hasValueAt(record, column))
        return 0;
    const Storage& st = *m_storage;
    switch (st.columns[std::size_t(column)].type) {
    case TFieldType::Integer: return st.intAt(column, st.slotOf(record));
    case TFieldType::Float: return st.floatAt(column, st.slotOf(record));
    default: return 0;
    }
}

TVariant TMemTable::valueAt(int record, int column) const {
    if (!m_storage || record < 0 || record >= m_storage->count() || column < 0 ||
        column >= static_cast<int>(m_storage->columns.size()))
        return TVariant::null();
    const Storage& st = *m_storage;
    const std::uint32_t slot = st.slotOf(record);
    if (!st.has(column, slot))
        return TVariant::null();
    switch (st.columns[static_cast<std::size_t>(column)].type) {
    case TFieldType::Integer: return TVariant(st.intAt(column, slot));
    case TFieldType::Float: return TVariant(st.floatAt(column, slot));
    case TFieldType::String: return TVariant(textAt(record, column));
    }
    return TVariant::null();
}
