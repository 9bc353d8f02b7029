#include "selection/filterrows.h"

#include "selection/mask.h"

QString TFilterRows::row(int i) const {
    return i >= 0 && i < count() ? m_rows[i] : QString();
}

QString TFilterRows::key(int i) const {
    const QString r = row(i);
    const qsizetype eq = r.indexOf(u'=');
    return eq < 0 ? r : r.left(eq);
}

QString TFilterRows::value(int i) const {
    const QString r = row(i);
    const qsizetype eq = r.indexOf(u'=');
    return eq < 0 ? QString() : r.mid(eq + 1);
}

void TFilterRows::setValue(int i, const QString& value) {
    if (i < 0 || i >= count())
        return;
    m_rows[i] = key(i) + u'=' + value;
}

QString TFilterRows::mask(int i) const {
    const QString r = row(i);
    const QStringView m = trimBlanks(delimitedField(r, u'=', 2));
    return m.isEmpty() ? QStringLiteral("*") : m.toString();
}
