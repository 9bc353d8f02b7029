#pragma once

#include "report/model/dataset.h"

class TMemTable;

// The table interface over an in-memory table. The table must outlive the
// adapter; the bookmark is the record number.
class TfrMemTableSource : public TfrTableSource {
public:
    explicit TfrMemTableSource(TMemTable& table);
    TfrMemTableSource(TMemTable& table, const QString& name);

    TMemTable& table() const { return m_table; }

    bool isOpen() const override;
    void open() override;
    void close() override;
    void first() override;
    void next() override;
    void prior() override;
    bool eof() const override;
    Bookmark bookmark() const override;
    void gotoBookmark(Bookmark bookmark) override;
    QStringList fieldNames() const override;
    int fieldIndex(const QString& name) const override;
    FieldKind fieldKind(int index) const override;
    bool fieldIsNull(int index) const override;
    TVariant fieldValue(int index) const override;
    QString fieldDisplayText(int index) const override;
    QString fieldDisplayLabel(int index) const override;
    int fieldDisplayWidth(int index) const override;

private:
    TMemTable& m_table;
};
