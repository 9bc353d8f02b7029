#include "report/memdata/memtablesource.h"

#include "table/memtable.h"

TfrMemTableSource::TfrMemTableSource(TMemTable& table) : TfrTableSource(table.name()), m_table(table) {}
TfrMemTableSource::TfrMemTableSource(TMemTable& table, const QString& name) : TfrTableSource(name), m_table(table) {}

bool TfrMemTableSource::isOpen() const { return m_table.active(); }
void TfrMemTableSource::open() {
    if (!m_table.active())
        m_table.open();
}
void TfrMemTableSource::close() { m_table.close(); }
void TfrMemTableSource::first() { m_table.first(); }
void TfrMemTableSource::next() { m_table.next(); }
void TfrMemTableSource::prior() { m_table.prior(); }
bool TfrMemTableSource::eof() const { return !m_table.active() || m_table.eof(); }
TfrTableSource::Bookmark TfrMemTableSource::bookmark() const { return m_table.recNo(); }
void TfrMemTableSource::gotoBookmark(Bookmark bookmark) {
    if (bookmark >= 0 && bookmark < m_table.recordCount())
        m_table.setRecNo(static_cast<int>(bookmark));
}

QStringList TfrMemTableSource::fieldNames() const {
    QStringList out;
    if (m_table.active()) {
        for (int i = 0; i < m_table.fieldCount(); ++i)
            out << m_table.field(i).fieldName();
    } else {
        for (const TFieldDef& def : m_table.fieldDefs())
            out << def.name;
    }
    return out;
}

int TfrMemTableSource::fieldIndex(const QString& name) const {
    if (m_table.active()) {
        TField* f = m_table.findField(name);
        return f ? f->index() : -1;
    }
    const auto& defs = m_table.fieldDefs();
    for (std::size_t i = 0; i < defs.size(); ++i)
        if (defs[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    return -1;
}

TfrTableSource::FieldKind TfrMemTableSource::fieldKind(int index) const {
    const auto& defs = m_table.fieldDefs();
    if (index < 0 || index >= static_cast<int>(defs.size()))
        return FieldKind::Other;
    switch (defs[static_cast<std::size_t>(index)].type) {
    case TFieldType::Integer:
        return FieldKind::Integer;
    case TFieldType::Float:
        return FieldKind::Float;
    case TFieldType::String:
        return FieldKind::String;
    }
    return FieldKind::Other;
}

bool TfrMemTableSource::fieldIsNull(int index) const {
    // An empty table or one past its end has no current record: no value.
    if (!m_table.active() || m_table.recNo() < 0 || m_table.isEmpty())
        return true;
    return m_table.field(index).isNull();
}

TVariant TfrMemTableSource::fieldValue(int index) const {
    if (fieldIsNull(index))
        return TVariant::null();
    return m_table.field(index).value();
}

QString TfrMemTableSource::fieldDisplayText(int index) const {
    if (fieldIsNull(index))
        return QString();
    return m_table.field(index).asString();
}

QString TfrMemTableSource::fieldDisplayLabel(int index) const {
    if (index < 0 || index >= m_table.fieldCount())
        return QString();
    return m_table.field(index).displayLabel();
}

int TfrMemTableSource::fieldDisplayWidth(int index) const {
    if (index < 0 || index >= m_table.fieldCount())
        return 0;
    return m_table.field(index).displayWidth();
}

// ---------------------------------------------------------------- data source
