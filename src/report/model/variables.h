#pragma once

#include "common/variant.h"

#include <QString>
#include <QStringList>
#include <vector>

// An ordered list of (name, value) entries whose names are compared without
// regard to case. The dictionary keeps its variables, aliases and band sources
// in such lists; the engine keeps its constants and global variables in sorted
// ones.
class TfrVariables {
public:
    struct Entry {
        QString name;
        TVariant value;
    };

    TfrVariables() = default;
    explicit TfrVariables(bool sorted) : m_sorted(sorted) {}

    // Replaces the value of the first entry with that name or appends a new one
    // (a sorted list inserts it in name order).
    void set(const QString& name, const TVariant& value);
    // The value of the first entry with that name; empty when absent.
    TVariant get(const QString& name) const;
    bool contains(const QString& name) const { return indexOf(name) >= 0; }
    int indexOf(const QString& name) const;

    // Out-of-range reads give the integer 0 / an empty name; writes do nothing.
    TVariant value(int index) const;
    void setValue(int index, const TVariant& value);
    QString name(int index) const;
    void setName(int index, const QString& name);

    // Appends an entry without looking for the name (loading, where the caller
    // keeps names unique); sorted lists insert in name order as set() does.
    void append(const QString& name, const TVariant& value);
    // Adds the name with the value integer 0 at the position (clamped to the list).
    void insert(int position, const QString& name);
    void remove(int index); // out of range does nothing
    void clear() { m_entries.clear(); }
    int count() const { return static_cast<int>(m_entries.size()); }
    bool isEmpty() const { return m_entries.empty(); }
    void assign(const TfrVariables& other);

    bool sorted() const { return m_sorted; }
    void setSorted(bool sorted);

    QStringList names() const;
    const std::vector<Entry>& entries() const { return m_entries; }

private:
    int sortedPosition(const QString& name, bool* found) const;

    std::vector<Entry> m_entries;
    bool m_sorted = false;
};
