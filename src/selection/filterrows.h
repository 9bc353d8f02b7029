#pragma once

#include <QString>
#include <QStringList>

// The rows of the selection filter dialog without the dialog: an ordered list of
// texts "key=value", one per table column after the record number. Row i belongs
// to table column i + 1; the builder reads the rows by position only.
class TFilterRows {
public:
    void clear() { m_rows.clear(); }
    // Adds a row given as "key=value".
    void add(const QString& row) { m_rows << row; }
    int count() const { return static_cast<int>(m_rows.size()); }
    // Row i (from 0) as text; the empty text when there is no such row.
    QString row(int i) const;
    const QStringList& rows() const { return m_rows; }

    // The text before the row's first "=" (the whole row when it has none).
    QString key(int i) const;
    // The text after the row's first "=" as it stands (empty without "=").
    QString value(int i) const;
    // Replaces everything after the row's first "=" (adds "=" when missing).
    void setValue(int i, const QString& value);

    // The mask of row i as the builder reads it: the text after the first "="
    // up to a second "=", trimmed of blanks and control characters; "*" when
    // that is empty or the row does not exist.
    QString mask(int i) const;

private:
    QStringList m_rows;
};
