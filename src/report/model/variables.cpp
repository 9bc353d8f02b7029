#include "report/model/variables.h"

#include <algorithm>

namespace {
int compareNames(const QString& a, const QString& b) { return QString::compare(a, b, Qt::CaseInsensitive); }
} // namespace

int TfrVariables::sortedPosition(const QString& name, bool* found) const {
    auto it = std::lower_bound(m_entries.begin(), m_entries.end(), name,
                               [](const Entry& e, const QString& n) { return compareNames(e.name, n) < 0; });
    *found = it != m_entries.end() && compareNames(it->name, name) == 0;
    return static_cast<int>(it - m_entries.begin());
}

int TfrVariables::indexOf(const QString& name) const {
    if (m_sorted) {
        bool found = false;
        const int pos = sortedPosition(name, &found);
        return found ? pos : -1;
    }
    for (int i = 0; i < count(); ++i)
        if (compareNames(m_entries[static_cast<std::size_t>(i)].name, name) == 0)
            return i;
    return -1;
}

void TfrVariables::set(const QString& name, const TVariant& value) {
    if (m_sorted) {
        bool found = false;
        const int pos = sortedPosition(name, &found);
        if (found)
            m_entries[static_cast<std::size_t>(pos)].value = value;
        else
            m_entries.insert(m_entries.begin() + pos, Entry{name, value});
        return;
    }
    const int i = indexOf(name);
    if (i >= 0)
        m_entries[static_cast<std::size_t>(i)].value = value;
    else
        m_entries.push_back(Entry{name, value});
}

TVariant TfrVariables::get(const QString& name) const {
    const int i = indexOf(name);
    return i >= 0 ? m_entries[static_cast<std::size_t>(i)].value : TVariant();
}

TVariant TfrVariables::value(int index) const {
    if (index < 0 || index >= count())
        return TVariant(std::int32_t(0));
    return m_entries[static_cast<std::size_t>(index)].value;
}

void TfrVariables::setValue(int index, const TVariant& value) {
    if (index >= 0 && index < count())
        m_entries[static_cast<std::size_t>(index)].value = value;
}

QString TfrVariables::name(int index) const {
    if (index < 0 || index >= count())
        return QString();
    return m_entries[static_cast<std::size_t>(index)].name;
}

void TfrVariables::setName(int index, const QString& name) {
    if (index < 0 || index >= count())
        return;
    m_entries[static_cast<std::size_t>(index)].name = name;
    if (m_sorted)
        setSorted(true); // re-establish the order
}

void TfrVariables::append(const QString& name, const TVariant& value) {
    if (m_sorted) {
        set(name, value);
        return;
    }
    m_entries.push_back(Entry{name, value});
}

void TfrVariables::insert(int position, const QString& name) {
    if (m_sorted) {
        set(name, TVariant(std::int32_t(0)));
        return;
    }
    position = std::clamp(position, 0, count());
    m_entries.insert(m_entries.begin() + position, Entry{name, TVariant(std::int32_t(0))});
}

void TfrVariables::remove(int index) {
    if (index >= 0 && index < count())
        m_entries.erase(m_entries.begin() + index);
}

void TfrVariables::assign(const TfrVariables& other) {
    m_entries = other.m_entries;
    if (m_sorted)
        setSorted(true);
}

void TfrVariables::setSorted(bool sorted) {
    m_sorted = sorted;
    if (m_sorted)
        std::stable_sort(m_entries.begin(), m_entries.end(),
                         [](const Entry& a, const Entry& b) { return compareNames(a.name, b.name) < 0; });
}

QStringList TfrVariables::names() const {
    QStringList out;
    out.reserve(count());
    for (const Entry& e : m_entries)
        out << e.name;
    return out;
}
