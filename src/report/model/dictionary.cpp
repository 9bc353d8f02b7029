#include "report/model/dictionary.h"

#include "common/exception.h"
#include "report/model/dataset.h"
#include "report/model/engine.h"
#include "report/model/report.h"

#include <algorithm>
#include <map>

namespace {

bool sameName(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

QStringList sortedNames(QStringList list) {
    std::sort(list.begin(), list.end(), [](const QString& a, const QString& b) {
        return QString::compare(a, b, Qt::CaseInsensitive) < 0;
    });
    return list;
}

// Removes a name from the list of variables being evaluated when the
// evaluation ends, also by an error.
class TEvaluationGuard {
public:
    TEvaluationGuard(QStringList& list, const QString& name) : m_list(list) { m_list.append(name); }
    ~TEvaluationGuard() { m_list.removeLast(); }

private:
    QStringList& m_list;
};

} // namespace

TfrDataRegistry& TfrDataDictionary::registry() const { return m_report.dataRegistry(); }

void TfrDataDictionary::clear() {
    variables.clear();
    aliases.clear();
    bandSources.clear();
    m_cache.clear();
}

TfrTableSource* TfrDataDictionary::defaultTable() const {
    if (defaultTableProvider)
        if (TfrTableSource* t = defaultTableProvider())
            return t;
    if (TfrDataset* ds = m_report.dataset())
        return ds->table();
    return nullptr;
}

bool TfrDataDictionary::resolveField(const QString& reference, TfrCacheItem& item) const {
    const TfrFieldRef ref = frSplitFieldRef(reference);
    if (ref.field.isEmpty())
        return false;
    TfrTableSource* table = ref.hasDataset ? registry().findTable(ref.dataset) : defaultTable();
    if (!table || !table->hasField(ref.field))
        return false;
    item.table = table;
    item.field = ref.field;
    return true;
}

bool TfrDataDictionary::isVariable(const QString& name) {
    const QString key = cacheKey(name);
    if (auto it = m_cache.find(key); it != m_cache.end()) {
        if (it->second.table)
            return true;
        m_cache.erase(it); // the table is gone: resolve the name afresh
    }
    const int index = variables.indexOf(name);
    if (index >= 0) {
        const QString text = variables.value(index).toString();
        TfrCacheItem item;
        if (!text.isEmpty() && text.contains(u'.') && resolveField(text, item))
            m_cache[key] = item;
        return true;
    }
    TfrCacheItem item;
    if (name.contains(u'.')) {
        const TfrFieldRef ref = frSplitFieldRef(name);
        const QString dataset = realDataSetName(ref.dataset);
        QString field = ref.field;
        // A field alias: an AliasTable entry whose value is the alias and whose
        // key is the dataset name, a period and the field.
        const QString prefix = dataset + u'.';
        for (const TfrVariables::Entry& e : aliases.entries())
            if (sameName(e.value.toString(), field) && e.name.startsWith(prefix, Qt::CaseInsensitive)) {
                field = e.name.mid(e.name.lastIndexOf(u'.') + 1);
                break;
            }
        if (!resolveField(dataset + QStringLiteral(".\"") + field + u'"', item))
            return false;
    } else if (!resolveField(name, item)) {
        return false;
    }
    m_cache[key] = item;
    return true;
}

TVariant TfrDataDictionary::value(const QString& name) {
    const QString key = cacheKey(name);
    auto it = m_cache.find(key);
    if ((it == m_cache.end() || !it->second.table) && variables.contains(name)) {
        isVariable(name); // a variable naming a field is read from the field
        it = m_cache.find(key);
    }
    if (it != m_cache.end()) {
        TfrTableSource* table = it->second.table.get();
        if (!table) {
            m_cache.erase(it);
            return TVariant();
        }
        const QString field = it->second.field;
        return table->valueForExpression(field);
    }
    const int index = variables.indexOf(name);
    if (index < 0)
        return TVariant();
    TfrEngine& engine = m_report.engine();
    if (engine.globalVariables().contains(name))
        return engine.globalVariables().get(name);
    const TVariant v = variables.value(index);
    if (!v.isString())
        return v;
    const QString text = v.toString();
    if (text.isEmpty())
        return TVariant();
    if (m_evaluating.contains(key))
        throw Exception(QStringLiteral("Переменная \"%1\" ссылается сама на себя").arg(name));
    TEvaluationGuard guard(m_evaluating, key);
    return engine.evaluate(m_report, text);
}

QString TfrDataDictionary::realDataSetName(const QString& alias) const {
    for (const TfrVariables::Entry& e : aliases.entries())
        if (sameName(e.value.toString(), alias))
            return e.name;
    return alias;
}

QString TfrDataDictionary::realFieldName(const QString& alias) const {
    const QString name = realDataSetName(alias);
    return name.mid(name.lastIndexOf(u'.') + 1);
}

QString TfrDataDictionary::realDataSourceName(const QString& alias) const {
    for (const TfrVariables::Entry& e : bandSources.entries())
        if (sameName(e.value.toString(), alias))
            return e.name;
    return alias;
}

QString TfrDataDictionary::aliasName(const QString& name) const {
    const QString a = aliases.get(name).toString();
    if (!a.isEmpty())
        return a;
    const QString b = bandSources.get(name).toString();
    if (!b.isEmpty())
        return b;
    return name;
}

QStringList TfrDataDictionary::categoryList() const {
    QStringList out;
    for (const TfrVariables::Entry& e : variables.entries())
        if (e.name.startsWith(u' '))
            out << e.name.mid(1);
    return out;
}

QStringList TfrDataDictionary::variablesOf(const QString& category) const {
    QStringList out;
    const int start = variables.indexOf(QStringLiteral(" ") + category);
    if (start < 0)
        return out;
    for (int i = start + 1; i < variables.count(); ++i) {
        const QString n = variables.name(i);
        if (n.isEmpty() || n.startsWith(u' '))
            break;
        out << n;
    }
    return out;
}

QStringList TfrDataDictionary::datasetList() const {
    QStringList out;
    for (TfrTableSource* t : registry().tables()) {
        const QString name = t->name();
        if (!aliases.isEmpty()) {
            const int i = aliases.indexOf(name);
            if (i < 0)
                continue;
            const QString alias = aliases.value(i).toString();
            out << (alias.isEmpty() ? name : alias);
        } else {
            out << name;
        }
    }
    return sortedNames(out);
}

QStringList TfrDataDictionary::fieldList(const QString& dataset) const {
    const QString real = realDataSetName(dataset);
    TfrTableSource* table = registry().findTable(real);
    if (!table)
        return {};
    QStringList out;
    for (const QString& f : table->fieldNamesOrEmpty()) {
        const int i = aliases.indexOf(real + u'.' + f);
        if (i < 0) {
            out << f;
            continue;
        }
        const QString alias = aliases.value(i).toString();
        if (!alias.isEmpty())
            out << alias;
    }
    return out;
}

QStringList TfrDataDictionary::bandSourceList() const {
    QStringList out;
    for (TfrDataset* d : registry().datasets()) {
        if (!bandSources.isEmpty()) {
            const int i = bandSources.indexOf(d->name());
            if (i < 0)
                continue;
            const QString alias = bandSources.value(i).toString();
            out << (alias.isEmpty() ? d->name() : alias);
        } else {
            out << d->name();
        }
    }
    return sortedNames(out);
}

const QStringList& TfrDataDictionary::oldBuiltInNames() {
    static const QStringList names = {
        QStringLiteral("PAGE#"),         QString(),                      QStringLiteral("DATE"),
        QStringLiteral("TIME"),          QStringLiteral("LINE#"),        QStringLiteral("LINETHROUGH#"),
        QStringLiteral("COLUMN#"),       QStringLiteral("CURRENT#"),     QStringLiteral("TOTALPAGES"),
        QStringLiteral("REPORTCOMMENT"), QStringLiteral("REPORTNAME"),   QStringLiteral("REPORTAUTOR"),
        QStringLiteral("VMAJOR"),        QStringLiteral("VMINOR"),       QStringLiteral("VRELEASE"),
        QStringLiteral("VBUILD"),        QStringLiteral("REPORTDATE"),   QStringLiteral("REPORTLASTCHANGE"),
    };
    return names;
}

void TfrDataDictionary::loadOldLayout(const std::vector<TfrOldDictEntry>& entries, const QStringList& names) {
    std::map<QString, QString> remembered; // " " + variable name -> value
    for (const TfrOldDictEntry& e : entries) {
        QString value;
        if (e.kind == 2) {
            if (e.index == 1)
                value = e.text;
            else if (e.index >= 0 && e.index < oldBuiltInNames().size())
                value = oldBuiltInNames()[e.index];
        } else if (e.kind == 1) {
            value = e.dataset + QStringLiteral(".\"") + e.text + u'"';
        }
        remembered[QStringLiteral(" ") + e.variable] = value;
    }
    for (const QString& n : names) {
        // Names are appended as listed (empty separator names may repeat).
        variables.insert(variables.count(), n);
        if (!n.isEmpty() && !n.startsWith(u' ')) {
            variables.setValue(variables.count() - 1, TVariant(QString()));
        } else {
            auto it = remembered.find(n);
            variables.setValue(variables.count() - 1, TVariant(it != remembered.end() ? it->second : QString()));
        }
    }
}

void TfrDataDictionary::convertOldConvention() {
    if (variables.isEmpty())
        return;
    const QString first = variables.name(0);
    if (first.isEmpty() || first.startsWith(u' '))
        return;
    for (int i = 0; i < variables.count(); ++i) {
        const QString n = variables.name(i);
        if (n.isEmpty())
            continue;
        variables.setName(i, n.startsWith(u' ') ? n.mid(1) : QStringLiteral(" ") + n);
    }
}

void TfrDataDictionary::removeStaleAliases() {
    // Rebuilt in one pass: removing entries one by one would be quadratic in
    // the size of the lists a file brings.
    TfrVariables keptAliases;
    for (const TfrVariables::Entry& e : aliases.entries()) {
        TfrCacheItem item;
        if (!e.value.toString().isEmpty() || resolveField(e.name, item))
            keptAliases.append(e.name, e.value);
    }
    aliases.assign(keptAliases);
    TfrVariables keptSources;
    for (const TfrVariables::Entry& e : bandSources.entries())
        if (!e.value.toString().isEmpty())
            keptSources.append(e.name, e.value);
    bandSources.assign(keptSources);
}
