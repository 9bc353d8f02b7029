#include "report/model/dataset.h"

#include "common/cp1251.h"
#include "common/exception.h"
#include "common/numformat.h"

#include <algorithm>

// ---------------------------------------------------------------- table source

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

void TfrDBDataSet::setDataSet(TfrTableSource* table) {
    m_dataSet = table;
    m_dataSource = nullptr;
    m_hasBookmark = false;
}

void TfrDBDataSet::setDataSource(TfrDataSource* source) {
    m_dataSource = source;
    if (source)
        m_dataSet = nullptr;
    m_hasBookmark = false;
}

TfrTableSource* TfrDBDataSet::table() const {
    if (const TfrDataSource* source = m_dataSource.get(); source && source->table())
        return source->table();
    return m_dataSet.get();
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

namespace {

template <class T>
bool listed(const std::vector<TfrLink<T>>& list, const T* item) {
    return std::any_of(list.begin(), list.end(), [item](const TfrLink<T>& l) { return l.get() == item; });
}

template <class T>
std::vector<T*> alive(const std::vector<TfrLink<T>>& list) {
    std::vector<T*> out;
    for (const TfrLink<T>& l : list)
        if (T* item = l.get())
            out.push_back(item);
    return out;
}

} // namespace

void TfrDataRegistry::addDataset(TfrDataset* dataset) {
    std::erase_if(m_datasets, [](const TfrLink<TfrDataset>& l) { return !l; });
    if (dataset && !listed<TfrDataset>(m_datasets, dataset))
        m_datasets.emplace_back(dataset);
}

void TfrDataRegistry::addTable(TfrTableSource* table) {
    std::erase_if(m_tables, [](const TfrLink<TfrTableSource>& l) { return !l; });
    if (table && !listed<TfrTableSource>(m_tables, table))
        m_tables.emplace_back(table);
}

void TfrDataRegistry::remove(const void* component) {
    std::erase_if(m_datasets, [component](const TfrLink<TfrDataset>& l) { return l.refersTo(component); });
    std::erase_if(m_tables, [component](const TfrLink<TfrTableSource>& l) { return l.refersTo(component); });
}

void TfrDataRegistry::clear() {
    m_datasets.clear();
    m_tables.clear();
}

std::vector<TfrDataset*> TfrDataRegistry::datasets() const { return alive(m_datasets); }
std::vector<TfrTableSource*> TfrDataRegistry::tables() const { return alive(m_tables); }

QString TfrDataRegistry::stripOwner(const QString& name) const {
    const int dot = name.indexOf(u'.');
    if (dot > 0 && !m_owner.isEmpty() && name.left(dot).compare(m_owner, Qt::CaseInsensitive) == 0)
        return name.mid(dot + 1);
    return name;
}

TfrDataset* TfrDataRegistry::findDataset(const QString& name) const {
    const QString n = stripOwner(name);
    for (TfrDataset* d : datasets())
        if (d->name().compare(n, Qt::CaseInsensitive) == 0)
            return d;
    return nullptr;
}

TfrTableSource* TfrDataRegistry::findTable(const QString& name) const {
    const QString n = stripOwner(name);
    for (TfrTableSource* t : tables())
        if (t->name().compare(n, Qt::CaseInsensitive) == 0)
            return t;
    return nullptr;
}

QStringList TfrDataRegistry::datasetNames() const {
    QStringList out;
    for (TfrDataset* d : datasets())
        out << d->name();
    return out;
}

QStringList TfrDataRegistry::tableNames() const {
    QStringList out;
    for (TfrTableSource* t : tables())
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
