#include "report/model/dataset.h"

#include "common/cp1251.h"
#include "common/exception.h"
#include "common/numformat.h"
#include "table/memtable.h"

#include <algorithm>

// ---------------------------------------------------------------- table source

TfrTableSource::~TfrTableSource() {
    // Datasets and data sources referring to this table forget it.
    for (TfrDBDataSet* ds : std::vector<TfrDBDataSet*>(m_watchers))
        ds->forgetTable(this);
    for (TfrDataSource* src : std::vector<TfrDataSource*>(m_sourceWatchers))
        if (src->m_table == this)
            src->m_table = nullptr;
}

void TfrTableSource::addWatcher(TfrDBDataSet* ds) {
    if (std::find(m_watchers.begin(), m_watchers.end(), ds) == m_watchers.end())
        m_watchers.push_back(ds);
}
void TfrTableSource::removeWatcher(TfrDBDataSet* ds) { std::erase(m_watchers, ds); }
void TfrTableSource::addWatcher(TfrDataSource* ds) {
    if (std::find(m_sourceWatchers.begin(), m_sourceWatchers.end(), ds) == m_sourceWatchers.end())
        m_sourceWatchers.push_back(ds);
}
void TfrTableSource::removeWatcher(TfrDataSource* ds) { std::erase(m_sourceWatchers, ds); }

QByteArray TfrTableSource::fieldBlob(int index) const { return cp1251::encode(fieldValue(index).toString()); }

bool TfrTableSource::hasField(const QString& name) const {
    const QStringList names = fieldNamesOrEmpty();
    for (const QString& n : names)
        if (n.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

bool TfrTableSource::isBlobKind(FieldKind kind) {
    switch (kind) {
    case FieldKind::Blob:
    case FieldKind::Memo:
    case FieldKind::Graphic:
    case FieldKind::FormattedMemo:
    case FieldKind::OleObject:
    case FieldKind::DBaseOle:
    case FieldKind::TypedBinary:
    case FieldKind::DBSpecificBlob:
        return true;
    default:
        return false;
    }
}

TVariant TfrTableSource::valueForExpression(const QString& fieldName) {
    if (!isOpen())
        open();
    const int index = fieldIndex(fieldName);
    if (index < 0)
        throw Exception(QStringLiteral("%1: Field '%2' not found").arg(name(), fieldName));
    const FieldKind kind = fieldKind(index);
    if (fieldHasDisplayHandler(index) || kind == FieldKind::LargeInt)
        return TVariant(fieldDisplayText(index));
    if (fieldIsNull(index)) {
        switch (kind) {
        case FieldKind::String:
        case FieldKind::WideString:
            return TVariant(QString());
        case FieldKind::Boolean:
            return TVariant(false);
        default:
            return TVariant(std::int32_t(0));
        }
    }
    return fieldValue(index);
}

QStringList TfrTableSource::fieldNamesOrEmpty() const {
    try {
        return fieldNames();
    } catch (...) {
        return {};
    }
}

// ---------------------------------------------------------------- memory table

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

// ---------------------------------------------------------------- data source

TfrDataSource::~TfrDataSource() {
    if (m_table)
        m_table->removeWatcher(this);
    for (TfrDBDataSet* ds : std::vector<TfrDBDataSet*>(m_watchers))
        ds->forgetSource(this);
}

void TfrDataSource::setTable(TfrTableSource* table) {
    if (m_table)
        m_table->removeWatcher(this);
    m_table = table;
    if (m_table)
        m_table->addWatcher(this);
}

// ---------------------------------------------------------------- datasets

void TfrDataset::first() {
    recNo = 0;
    if (onFirst)
        onFirst(*this);
}

void TfrDataset::next() {
    ++recNo;
    if (!(rangeEnd == TfrRangeEnd::reCount && recNo >= rangeEndCount))
        if (onNext)
            onNext(*this);
}

void TfrDataset::prior() {
    --recNo;
    if (onPrior)
        onPrior(*this);
}

bool TfrDataset::eof() const {
    bool result = rangeEnd == TfrRangeEnd::reCount && recNo >= rangeEndCount;
    if (onCheckEOF)
        onCheckEOF(const_cast<TfrDataset&>(*this), result);
    return result;
}

TfrVirtualDataset::TfrVirtualDataset(std::int32_t count) {
    rangeEnd = TfrRangeEnd::reCount;
    rangeEndCount = count;
}

TfrDBDataSet::~TfrDBDataSet() {
    if (m_dataSet)
        m_dataSet->removeWatcher(this);
    if (m_dataSource)
        std::erase(m_dataSource->m_watchers, this);
}

void TfrDBDataSet::setDataSet(TfrTableSource* table) {
    if (m_dataSet)
        m_dataSet->removeWatcher(this);
    m_dataSet = table;
    if (m_dataSet)
        m_dataSet->addWatcher(this);
    setDataSource(nullptr);
}

void TfrDBDataSet::setDataSource(TfrDataSource* source) {
    if (m_dataSource)
        std::erase(m_dataSource->m_watchers, this);
    m_dataSource = source;
    if (m_dataSource) {
        m_dataSource->m_watchers.push_back(this);
        if (m_dataSet) {
            m_dataSet->removeWatcher(this);
            m_dataSet = nullptr;
        }
    }
}

void TfrDBDataSet::forgetTable(TfrTableSource* table) {
    if (m_dataSet == table)
        m_dataSet = nullptr;
    m_hasBookmark = false;
}

void TfrDBDataSet::forgetSource(TfrDataSource* source) {
    if (m_dataSource == source)
        m_dataSource = nullptr;
    m_hasBookmark = false;
}

TfrTableSource* TfrDBDataSet::table() const {
    if (m_dataSource && m_dataSource->table())
        return m_dataSource->table();
    return m_dataSet;
}

TfrTableSource& TfrDBDataSet::requireTable() const {
    TfrTableSource* t = table();
    if (!t)
        throw Exception(QStringLiteral("Unable to open dataset ") + name());
    return *t;
}

void TfrDBDataSet::init() {
    TfrTableSource& t = requireTable();
    if (openDataSource)
        t.open();
    if (onOpen)
        onOpen(*this);
    if (rangeBegin == TfrRangeBegin::rbCurrent || rangeEnd == TfrRangeEnd::reCurrent) {
        m_bookmark = t.bookmark();
        m_hasBookmark = true;
    } else {
        m_hasBookmark = false;
    }
    m_eofFlag = false;
}

void TfrDBDataSet::exit() {
    TfrTableSource& t = requireTable();
    if (m_hasBookmark) {
        t.gotoBookmark(m_bookmark);
        m_hasBookmark = false;
    }
    if (onClose)
        onClose(*this);
    if (closeDataSource)
        t.close();
}

void TfrDBDataSet::first() {
    TfrTableSource& t = requireTable();
    if (rangeBegin == TfrRangeBegin::rbFirst)
        t.first();
    else if (m_hasBookmark)
        t.gotoBookmark(m_bookmark);
    m_eofFlag = false;
    TfrDataset::first();
}

void TfrDBDataSet::next() {
    TfrTableSource& t = requireTable();
    m_eofFlag = false;
    if (rangeEnd == TfrRangeEnd::reCurrent && m_hasBookmark && t.atBookmark(m_bookmark)) {
        m_eofFlag = true;
        return;
    }
    t.next();
    TfrDataset::next();
}

void TfrDBDataSet::prior() {
    requireTable().prior();
    TfrDataset::prior();
}

bool TfrDBDataSet::eof() const {
    const TfrTableSource& t = requireTable();
    return TfrDataset::eof() || t.eof() || m_eofFlag;
}

// ---------------------------------------------------------------- registry

void TfrDataRegistry::addDataset(TfrDataset* dataset) {
    if (dataset && std::find(m_datasets.begin(), m_datasets.end(), dataset) == m_datasets.end())
        m_datasets.push_back(dataset);
}

void TfrDataRegistry::addTable(TfrTableSource* table) {
    if (table && std::find(m_tables.begin(), m_tables.end(), table) == m_tables.end())
        m_tables.push_back(table);
}

void TfrDataRegistry::remove(const void* component) {
    std::erase_if(m_datasets, [component](TfrDataset* d) { return d == component; });
    std::erase_if(m_tables, [component](TfrTableSource* t) { return t == component; });
}

void TfrDataRegistry::clear() {
    m_datasets.clear();
    m_tables.clear();
}

QString TfrDataRegistry::stripOwner(const QString& name) const {
    const int dot = name.indexOf(u'.');
    if (dot > 0 && !m_owner.isEmpty() && name.left(dot).compare(m_owner, Qt::CaseInsensitive) == 0)
        return name.mid(dot + 1);
    return name;
}

TfrDataset* TfrDataRegistry::findDataset(const QString& name) const {
    const QString n = stripOwner(name);
    for (TfrDataset* d : m_datasets)
        if (d->name().compare(n, Qt::CaseInsensitive) == 0)
            return d;
    return nullptr;
}

TfrTableSource* TfrDataRegistry::findTable(const QString& name) const {
    const QString n = stripOwner(name);
    for (TfrTableSource* t : m_tables)
        if (t->name().compare(n, Qt::CaseInsensitive) == 0)
            return t;
    return nullptr;
}

QStringList TfrDataRegistry::datasetNames() const {
    QStringList out;
    for (TfrDataset* d : m_datasets)
        out << d->name();
    return out;
}

QStringList TfrDataRegistry::tableNames() const {
    QStringList out;
    for (TfrTableSource* t : m_tables)
        out << t->name();
    return out;
}

TfrDataset* frResolveBandDataSource(const QString& text, const TfrDataRegistry& registry,
                                    std::unique_ptr<TfrDataset>& owned) {
    owned.reset();
    if (text.isEmpty() || text.contains(u';'))
        return nullptr;
    TfrDataset* ds = nullptr;
    if (text[0] >= u'1' && text[0] <= u'9') {
        const auto count = numfmt::parseInt(text);
        if (!count)
            throw Exception(QStringLiteral("'%1' is not a valid integer value").arg(text));
        owned = std::make_unique<TfrVirtualDataset>(*count);
        ds = owned.get();
    } else {
        ds = registry.findDataset(text);
        if (!ds) {
            if (registry.findTable(text))
                throw Exception(QStringLiteral("'%1' is not a report dataset").arg(text));
            return nullptr;
        }
    }
    ds->init();
    return ds;
}

TfrFieldRef frSplitFieldRef(const QString& reference) {
    TfrFieldRef ref;
    bool inQuotes = false;
    int split = -1;
    for (int i = 0; i < reference.size(); ++i) {
        const QChar c = reference[i];
        if (c == u'"')
            inQuotes = !inQuotes;
        else if (c == u'.' && !inQuotes)
            split = i;
    }
    QString field = split >= 0 ? reference.mid(split + 1) : reference;
    if (split >= 0) {
        ref.dataset = reference.left(split);
        ref.hasDataset = true;
    }
    if (field.size() >= 2 && field.startsWith(u'"') && field.endsWith(u'"'))
        field = field.mid(1, field.size() - 2);
    ref.field = field;
    return ref;
}
