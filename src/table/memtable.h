#pragma once

#include "common/variant.h"

#include <QString>
#include <QStringList>
#include <QStringView>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

class TMemTable;

enum class TFieldType { Integer, Float, String };

// One column definition: name, type and, for strings, the maximal length.
struct TFieldDef {
    QString name;
    TFieldType type = TFieldType::String;
    int size = 0;
};

// A column of an open table. Values are read from and written to the table's
// current record (the pending record while appending).
class TField {
public:
    enum class Alignment { Left, Right };

    const QString& fieldName() const { return m_def.name; }
    TFieldType dataType() const { return m_def.type; }
    int size() const { return m_def.size; }
    int index() const { return m_index; }

    // Display attributes used by the grid, the exports and the reports.
    QString displayLabel() const { return m_label.isEmpty() ? m_def.name : m_label; }
    void setDisplayLabel(const QString& label) { m_label = label; }
    int displayWidth() const { return m_width; }
    void setDisplayWidth(int width) { m_width = width; }
    bool visible() const { return m_visible; }
    void setVisible(bool visible) { m_visible = visible; }
    Alignment alignment() const { return m_def.type == TFieldType::String ? Alignment::Left : Alignment::Right; }

    bool isNull() const;
    // No value gives the empty string; integers in decimal; floats in general
    // format with up to 15 significant digits and "." as separator.
    QString asString() const;
    // No value gives null.
    TVariant value() const;
    std::int32_t asInteger() const; // no value gives 0
    double asFloat() const;         // no value gives 0

    // Integer: empty text clears, a decimal integer is stored, anything else fails
    // with "'%s' is not a valid integer value for field '%s'" (text, display label).
    // Float: empty text clears, a number with "." is stored, anything else fails
    // with "'%s' is not a valid floating point value for field '%s'".
    // String: the first size characters are stored; the empty string clears.
    void setAsString(const QString& text);
    // The same without building a QString first.
    void setAsStringView(QStringView text);
    void setAsInteger(std::int32_t v);
    void setAsFloat(double v);
    void setValue(const TVariant& v); // null or empty clears
    void clear();
    // Takes the value of another column's current record (or its absence):
    // integers and strings of the same type are copied as they are (strings cut
    // to this column's size), anything else goes through setValue.
    void setFromField(const TField& source);

private:
    friend class TMemTable;
    TField(TMemTable& table, TFieldDef def, int index);

    TMemTable& m_table;
    TFieldDef m_def;
    int m_index;
    QString m_label;
    int m_width;
    bool m_visible = true;
};

// A table held entirely in memory: typed columns, records in insertion order
// and one cursor. Errors raised with the table as context carry its name as a
// prefix ("DS2: Field 'Owner' not found").
class TMemTable {
public:
    enum class State { Closed, Browse, Append };

    explicit TMemTable(QString name);
    ~TMemTable();
    TMemTable(const TMemTable&) = delete;
    TMemTable& operator=(const TMemTable&) = delete;

    const QString& name() const { return m_name; }

    // Definitions: changed only while closed.
    void clearFieldDefs();
    void addFieldDef(const QString& name, TFieldType type, int size = 0);
    const std::vector<TFieldDef>& fieldDefs() const { return m_defs; }

    State state() const { return m_state; }
    bool active() const { return m_state != State::Closed; }
    // Creates the columns; "Duplicate field name '%s'" / "Field name missing".
    void open();
    // Drops all records and the columns; definitions stay.
    void close();

    void append();
    void post();
    void cancel();
    void deleteRecord(); // the current record

    // Cursor over the records in table order. recNo is 0-based; -1 when empty.
    void first();
    void last();
    void next();
    void prior();
    bool eof() const;
    bool bof() const;
    int recNo() const { return m_cursor; }
    void setRecNo(int recNo);
    int recordCount() const;
    bool isEmpty() const { return recordCount() == 0; }

    int fieldCount() const { return static_cast<int>(m_fields.size()); }
    TField& field(int index) { return *m_fields.at(static_cast<std::size_t>(index)); }
    const TField& field(int index) const { return *m_fields.at(static_cast<std::size_t>(index)); }
    TField* findField(const QString& name) const;     // letter case ignored
    TField& fieldByName(const QString& name) const;   // "Field '%s' not found"

    // First record, current one tried first, whose key columns (names separated
    // by ";") equal the values; it becomes current. The cursor stays on failure.
    bool locate(const QString& keyFields, const std::vector<TVariant>& values);
    // The same with the key columns given by index.
    bool locate(const std::vector<int>& keyColumns, const std::vector<TVariant>& values);

    // Takes over the source's definitions and a copy of every record.
    void copyFrom(const TMemTable& source);

    // Grows whenever records or columns change; lets views notice changes.
    std::uint64_t changeCount() const { return m_changes; }

    // Raises an error prefixed with the table's name.
    [[noreturn]] void error(const QString& message) const;

    // A value of record (0-based, table order) and column without moving the
    // cursor: as text (the rules of TField::asString) and as typed value.
    QString textAt(int record, int column) const;
    TVariant valueAt(int record, int column) const;
    // The same text as code page 1251 bytes without any conversion: a view of
    // the stored bytes of a string column, a number written into buffer (at
    // least NumberChars bytes) otherwise; empty without value. Views of stored
    // bytes stay valid until the table changes.
    static constexpr int NumberChars = 32;
    std::string_view bytesAt(int record, int column, char* buffer) const;
    // Where records keep their values: a slot keeps its values while the table
    // stays open (appends and deletes move none); every open starts a new
    // storage with a new number. stringAtSlot gives the bytes of a string
    // column's value, empty when there is none (or no such slot or column).
    std::uint64_t storageId() const { return m_storageId; }
    std::uint32_t slotAt(int record) const;
    std::string_view stringAtSlot(std::uint32_t slot, int column) const;
    // Whether the value exists, and the number of a numeric column (0 without value).
    bool hasValueAt(int record, int column) const;
    std::int32_t integerAt(int record, int column) const;
    double floatAt(int record, int column) const;

private:
    friend class TField;
    struct Storage;
    struct Cell;
    // Where a column of the current record is read: the pending record, a
    // stored record (slot) or none.
    struct ValueRef {
        const Cell* cell = nullptr;
        bool stored = false;
        std::uint32_t slot = 0;
    };
    ValueRef valueRef(int column) const;
    Cell& pendingCell(int index);
    void requireBrowse() const;

    QString m_name;
    std::vector<TFieldDef> m_defs;
    std::vector<std::unique_ptr<TField>> m_fields;
    std::unique_ptr<Storage> m_storage;
    State m_state = State::Closed;
    int m_cursor = -1;
    std::uint64_t m_changes = 0;
    std::uint64_t m_storageId = 0;
};
