#pragma once

#include "common/variant.h"
#include "report/model/link.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class TfrDBDataSet;
class TfrDataset;

// What a report needs of an application data table: a cursor with
// first/next/prior/end, bookmarks, field look-up by name and the field names.
// Report datasets walk tables through this interface and the dictionary reads
// field values through it.
class TfrTableSource : public TfrLinkable {
public:
    enum class FieldKind { String, WideString, Boolean, Integer, LargeInt, Float, Currency, DateTime, Blob, Memo, Graphic,
                           FormattedMemo, OleObject, DBaseOle, TypedBinary, DBSpecificBlob, Other };
    using Bookmark = std::int64_t;

    explicit TfrTableSource(QString name) : m_name(std::move(name)) {}
    virtual ~TfrTableSource() = default;
    TfrTableSource(const TfrTableSource&) = delete;
    TfrTableSource& operator=(const TfrTableSource&) = delete;

    // The component name templates use ("DS").
    const QString& name() const { return m_name; }

    virtual bool isOpen() const = 0;
    virtual void open() = 0;
    virtual void close() = 0;
    virtual void first() = 0;
    virtual void next() = 0;
    virtual void prior() = 0;
    virtual bool eof() const = 0;
    virtual Bookmark bookmark() const = 0;
    virtual void gotoBookmark(Bookmark bookmark) = 0;
    virtual bool atBookmark(Bookmark bookmark) const { return bookmark == this->bookmark(); }

    // Field names in table order; may throw.
    virtual QStringList fieldNames() const = 0;
    // Index of a field, names compared without regard to case; -1 when absent.
    virtual int fieldIndex(const QString& name) const = 0;
    virtual FieldKind fieldKind(int index) const = 0;
    virtual bool fieldIsNull(int index) const = 0;
    // The field's native value (null when it holds none).
    virtual TVariant fieldValue(int index) const = 0;
    // The text the field shows; a field with a display-text handler returns it.
    virtual QString fieldDisplayText(int index) const = 0;
    virtual bool fieldHasDisplayHandler(int index) const { return false; }
    // What the designer shows of a field: its display name (the field name
    // unless the table says otherwise) and its display width in characters (0
    // when the table says none).
    virtual QString fieldDisplayLabel(int index) const { return fieldNamesOrEmpty().value(index); }
    virtual int fieldDisplayWidth(int /*index*/) const { return 0; }
    // Raw bytes of a blob field; the default encodes the field's text in code page 1251.
    virtual QByteArray fieldBlob(int index) const;

    bool hasField(const QString& name) const;
    static bool isBlobKind(FieldKind kind);
    bool isBlobField(int index) const { return isBlobKind(fieldKind(index)); }
    // The value an expression sees: the table is opened if closed; display text
    // for fields with a display handler and 64-bit integers; otherwise the native
    // value, with null turned into "" for text, false for boolean and 0 for the rest.
    TVariant valueForExpression(const QString& fieldName);
    // Field names; an error while obtaining them gives an empty list.
    QStringList fieldNamesOrEmpty() const;
private:
    QString m_name;
};

// An indirection to a table, as a data source component is.
class TfrDataSource : public TfrLinkable {
public:
    explicit TfrDataSource(QString name = QString()) : m_name(std::move(name)) {}
    TfrDataSource(const TfrDataSource&) = delete;
    TfrDataSource& operator=(const TfrDataSource&) = delete;

    const QString& name() const { return m_name; }
    TfrTableSource* table() const { return m_table.get(); }
    void setTable(TfrTableSource* table) { m_table = table; }

private:
    QString m_name;
    TfrLink<TfrTableSource> m_table;
};

enum class TfrRangeBegin { rbFirst, rbCurrent };
enum class TfrRangeEnd { reLast, reCurrent, reCount };

// A report dataset: the navigation protocol the band engine drives.
class TfrDataset : public TfrLinkable {
public:
    using Event = std::function<void(TfrDataset&)>;
    using CheckEofEvent = std::function<void(TfrDataset&, bool& eof)>;

    explicit TfrDataset(QString name = QString()) : m_name(std::move(name)) {}
    virtual ~TfrDataset() = default;
    TfrDataset(const TfrDataset&) = delete;
    TfrDataset& operator=(const TfrDataset&) = delete;

    const QString& name() const { return m_name; }
    void setName(const QString& name) { m_name = name; }

    TfrRangeBegin rangeBegin = TfrRangeBegin::rbFirst;
    TfrRangeEnd rangeEnd = TfrRangeEnd::reLast;
    std::int32_t rangeEndCount = 0;
    std::int32_t recNo = 0;

    Event onFirst, onNext, onPrior;
    CheckEofEvent onCheckEOF;

    virtual void init() {}
    virtual void exit() {}
    virtual void first();
    virtual void next();
    virtual void prior();
    virtual bool eof() const;

    // The table this dataset walks, if any (a table-bound dataset).
    virtual TfrTableSource* table() const { return nullptr; }

private:
    QString m_name;
};

// A dataset moved by the application through its events.
class TfrUserDataset : public TfrDataset {
public:
    using TfrDataset::TfrDataset;
};

// The record-count dataset a band creates when its data source is a number.
class TfrVirtualDataset : public TfrUserDataset {
public:
    explicit TfrVirtualDataset(std::int32_t count);
};

// A dataset walking an application table.
class TfrDBDataSet : public TfrDataset {
public:
    using TfrDataset::TfrDataset;

    // The table walked; setting it clears the data source.
    TfrTableSource* dataSet() const { return m_dataSet.get(); }
    void setDataSet(TfrTableSource* table);
    // Setting a data source clears the table.
    TfrDataSource* dataSource() const { return m_dataSource.get(); }
    void setDataSource(TfrDataSource* source);

    bool openDataSource = true;
    bool closeDataSource = false;
    Event onOpen, onClose;

    // The table in use: the data source's when it has one, else the table.
    TfrTableSource* table() const override;

    void init() override;
    void exit() override;
    void first() override;
    void next() override;
    void prior() override;
    bool eof() const override;

private:
    TfrTableSource& requireTable() const; // "Unable to open dataset <name>"

    TfrLink<TfrTableSource> m_dataSet;
    TfrLink<TfrDataSource> m_dataSource;
    bool m_hasBookmark = false;
    TfrTableSource::Bookmark m_bookmark = 0;
    bool m_eofFlag = false;
};

// The named report datasets and tables of one owner (the main window): the
// names templates use ("frDS", "DS", "DS2"), compared without regard to case.
// Nothing is owned: a dataset or table that is destroyed drops out of the
// registry by itself.
class TfrDataRegistry {
public:
    explicit TfrDataRegistry(QString ownerName = QString()) : m_owner(std::move(ownerName)) {}

    const QString& ownerName() const { return m_owner; }
    void setOwnerName(const QString& name) { m_owner = name; }

    void addDataset(TfrDataset* dataset);
    void addTable(TfrTableSource* table);
    void remove(const void* component);
    void clear();

    TfrDataset* findDataset(const QString& name) const;
    TfrTableSource* findTable(const QString& name) const;
    // A name with a prefix "owner." names a component of that owner.
    QString stripOwner(const QString& name) const;

    QStringList datasetNames() const;
    QStringList tableNames() const;
    std::vector<TfrDataset*> datasets() const;
    std::vector<TfrTableSource*> tables() const;

private:
    QString m_owner;
    std::vector<TfrLink<TfrDataset>> m_datasets;
    std::vector<TfrLink<TfrTableSource>> m_tables;
};

// The dataset a band's data source text names: a record-count dataset for a
// text starting with a digit 1-9 (owned by the caller through `owned`), the
// registered report dataset of that name, or nothing. A text with a ";" (cross
// data band pairs) names nothing. The dataset found is initialised. Errors: a
// text naming a table instead of a report dataset, a malformed number.
TfrDataset* frResolveBandDataSource(const QString& text, const TfrDataRegistry& registry,
                                    std::unique_ptr<TfrDataset>& owned);

// A dataset.field reference split at the last period outside double quotes;
// the quotes around the field part are removed.
struct TfrFieldRef {
    QString dataset; // may carry an owner prefix
    QString field;
    bool hasDataset = false;
};
TfrFieldRef frSplitFieldRef(const QString& reference);
