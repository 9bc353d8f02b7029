#pragma once

#include "grid/gridstyle.h"
#include "table/memtable.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QSet>
#include <QString>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

// Bytes appended without being copied while they grow: the block is enlarged
// in place by the allocator where it can (large blocks are remapped).
class TByteStore {
public:
    TByteStore() = default;
    ~TByteStore() { std::free(m_data); }
    TByteStore(const TByteStore&) = delete;
    TByteStore& operator=(const TByteStore&) = delete;
    TByteStore(TByteStore&& other) noexcept
        : m_data(std::exchange(other.m_data, nullptr)), m_size(std::exchange(other.m_size, 0)),
          m_capacity(std::exchange(other.m_capacity, 0)) {}
    TByteStore& operator=(TByteStore&& other) noexcept {
        if (this != &other) {
            std::free(m_data);
            m_data = std::exchange(other.m_data, nullptr);
            m_size = std::exchange(other.m_size, 0);
            m_capacity = std::exchange(other.m_capacity, 0);
        }
        return *this;
    }

    const char* data() const { return m_data; }
    std::size_t size() const { return m_size; }
    void clear() {
        std::free(m_data);
        m_data = nullptr;
        m_size = m_capacity = 0;
    }
    void append(const char* bytes, std::size_t n) {
        if (n > m_capacity - m_size)
            grow(n);
        if (n)
            std::memcpy(m_data + m_size, bytes, n);
        m_size += n;
    }

private:
    void grow(std::size_t n);
    char* m_data = nullptr;
    std::size_t m_size = 0;
    std::size_t m_capacity = 0;
};

// One column of the grid, made from a table column.
struct TGridColumn {
    int fieldIndex = -1; // index of the table column
    QString fieldName;
    TFieldType type = TFieldType::String;
    QString caption;     // display label, or the name when the label is empty
    int width = 64;      // pixels
    bool visible = true;
    TGridAlignment alignment = TGridAlignment::Left;
    TGridAlignment headerAlignment = TGridAlignment::Left;
    TGridColor color;
    TGridFont font;
    bool hasSummary = false; // carries the count summary " Записей: #"
};

// A grouped column, by name so that the grouping survives a new selection.
struct TGroupColumn {
    QString fieldName;
    bool descending = false;
};

// The rows of the selection grid without any widget: every record of the
// attached table loaded into the grid's own storage, sorted and grouped, with
// group rows above the records of each group. Views and the writers read
// the rows from here. Numbers and their display texts are copied at the load;
// the texts of string columns are read from the table's storage slots, which
// keep them while the table stays open (a table closed behind the grid shows
// empty texts until the grid is detached or loaded again).
//
// Rows are numbered in display order: every top-level row, each followed depth
// first by all its child rows (collapsed groups included). A group row sits at
// level 0 .. groupCount() - 1; a record row at level groupCount().
class TGridRows {
public:
    struct Row {
        bool isGroup = false;
        int level = 0;
        int index = 0; // group number or record number
    };

    static QString summaryFormat() { return QStringLiteral(" Записей: #"); }
    static constexpr const char* KeyFieldName = "RecNo";

    TGridRows();
    ~TGridRows();
    TGridRows(const TGridRows&) = delete;
    TGridRows& operator=(const TGridRows&) = delete;

    const TGridAppearance& appearance() const { return m_appearance; }
    TGridAppearance& appearance() { return m_appearance; }

    // Pixels of a column whose table column is given chars characters of
    // display width: 6 pixels per character (the average character width of the
    // 8-point grid font at 96 pixels per inch) plus 4 pixels of cell margin; a
    // width of 0 or less gives the default 64 pixels.
    static int pixelsForChars(int chars);

    // --- Table ---------------------------------------------------------------
    TMemTable* table() const { return m_table; }
    bool attached() const { return m_table != nullptr; }
    // Stops following the table: no columns, no rows. Sorting and grouping (by
    // column name) are kept for the next attach.
    void detach();
    // Attaches to the table, creates one column per table column in table order,
    // makes RecNo the key column, puts the count summaries on the first two data
    // columns and reloads all rows, regrouped and re-sorted as before.
    void rebuildColumns(TMemTable& table);
    // Reloads every record of the attached table; columns stay as they are.
    void reload();
    // The table's change counter at the last load or delete.
    std::uint64_t loadedChangeCount() const { return m_loadedChanges; }

    // --- Columns (display order) ---------------------------------------------
    int columnCount() const { return int(m_columns.size()); }
    const TGridColumn& column(int i) const { return m_columns.at(std::size_t(i)); }
    TGridColumn& column(int i) { return m_columns.at(std::size_t(i)); }
    int findColumn(const QString& fieldName) const; // letter case ignored; -1
    int keyColumn() const { return m_keyColumn; }
    // Whether a column appears in the body: visible, not the key, not grouped.
    bool isShown(int column) const;
    // Columns shown in the body, in display order.
    std::vector<int> visibleColumns() const;
    void moveColumn(int from, int to);
    void setColumnWidth(int column, int pixels);

    // --- Sorting -------------------------------------------------------------
    // Sorts the records of every group by a column (stable; texts by the Russian
    // collation, numbers by value, no value first). An empty name: table order.
    void sortBy(const QString& fieldName, bool descending = false);
    void clearSort() { sortBy(QString()); }
    const QString& sortField() const { return m_sortField; }
    bool sortDescending() const { return m_sortDescending; }

    // --- Grouping ------------------------------------------------------------
    const std::vector<TGroupColumn>& grouping() const { return m_grouping; }
    void setGrouping(std::vector<TGroupColumn> grouping);
    // Groups by a column at a position of the grouping (-1: last); a column
    // grouped already moves there.
    void groupBy(const QString& fieldName, int position = -1);
    void ungroup(const QString& fieldName);
    void setGroupDescending(const QString& fieldName, bool descending);
    // Number of grouped columns in effect (grouped columns present in the table).
    int groupCount() const { return int(m_groupColumns.size()); }
    // The grid column grouped at a level.
    int groupColumn(int level) const { return m_groupColumns.at(std::size_t(level)); }

    // --- Rows ----------------------------------------------------------------
    int rowCount() const { return int(m_rows.size()); }
    Row row(int i) const;
    int recordCount() const { return int(m_order.size()); }
    std::vector<int> topLevelRows() const;
    std::vector<int> childRows(int row) const;
    int groupNumberCount() const { return int(m_groups.size()); }

    int groupLevel(int group) const { return m_groups.at(std::size_t(group)).level; }
    int groupRecordCount(int group) const { return m_groups.at(std::size_t(group)).count; }
    int groupRow(int group) const { return m_groups.at(std::size_t(group)).row; }
    // Rows below the group row that belong to it (its whole subtree).
    int groupSpan(int group) const { return m_groups.at(std::size_t(group)).span; }
    // Caption, " : ", the value, " ", then with a summary " Записей: N" and " ".
    QString groupText(int group) const;
    QByteArray groupTextBytes(int group) const; // code page 1251

    bool isCollapsed(int group) const;
    void setCollapsed(int group, bool collapsed);
    void setAllCollapsed(bool collapsed);

    // Rows a view shows: those not hidden inside a collapsed group.
    int visibleRowCount() const { return m_collapsed.isEmpty() ? rowCount() : int(m_visible.size()); }
    int visibleRow(int i) const { return m_collapsed.isEmpty() ? i : m_visible.at(std::size_t(i)); }
    // Position of a row among the visible rows, or -1 when hidden.
    int visibleIndexOf(int row) const;

    // --- Cells of a record (by grid column) ----------------------------------
    QByteArrayView cellBytes(int record, int column) const; // display text, cp1251
    QString cellText(int record, int column) const;
    bool cellIsNull(int record, int column) const;
    std::int32_t cellInteger(int record, int column) const; // no value: 0
    double cellFloat(int record, int column) const;         // no value: 0
    // Asks the processor to fetch a row's cell positions (texts false) or, once
    // those are at hand, its texts. Writers call it some rows ahead: grouped or
    // sorted rows visit the storage out of order.
    void prefetchRow(int row, bool texts) const;
    // Position of the record in the table when it was loaded (adjusted by deletes).
    int tablePosition(int record) const { return m_tablePos.at(std::size_t(record)); }

    // Removes records from the table and from the rows; group rows are never
    // deleted (numbers of group rows are ignored), groups that become empty
    // disappear. Returns the number of records deleted.
    int deleteRecords(const std::vector<int>& records);
    // The same by row numbers; group rows among them are skipped.
    int deleteRows(const std::vector<int>& rows);

private:
    struct FieldData;
    struct Group {
        int level = 0;
        int first = 0; // position in m_order of its first record
        int count = 0;
        int row = 0;
        int span = 0;
    };

    void clearRows();
    void resolveGrouping();
    void regroup(bool resort);
    const std::vector<std::uint32_t>& ranks(int fieldIndex) const;
    QByteArray groupKey(int group) const;
    void rebuildVisible();

    TGridAppearance m_appearance;
    TMemTable* m_table = nullptr;
    std::uint64_t m_loadedChanges = 0;
    std::vector<TGridColumn> m_columns;
    int m_keyColumn = -1;
    int m_keyField = -1;

    QString m_sortField;
    bool m_sortDescending = false;
    std::vector<TGroupColumn> m_grouping;
    std::vector<int> m_groupColumns; // grid columns of the effective grouping

    // Display text of a record's table column.
    QByteArrayView fieldBytes(int record, int field) const;

    // Storage per table column, indexed by field index.
    std::vector<FieldData> m_data;
    // Texts of string columns stay in the table: the storage slot of each
    // record, read while the table keeps the storage it had at the load.
    std::vector<std::uint32_t> m_slots;
    std::uint64_t m_storageId = 0;
    int m_fields = 0;
    int m_loaded = 0;                  // records loaded
    std::vector<int> m_tablePos;       // per record
    std::vector<std::uint8_t> m_deleted;

    std::vector<int> m_order;          // records in display order
    std::vector<std::int32_t> m_rows;  // >= 0 record, < 0 ~group
    std::vector<Group> m_groups;
    QSet<QByteArray> m_collapsed;      // group keys (ranks along the path)
    std::vector<int> m_visible;
};
