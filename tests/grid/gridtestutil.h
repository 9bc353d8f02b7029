#pragma once

#include "common/exception.h"
#include "table/memtable.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <initializer_list>

namespace gridtest {

// A selection table as the selection builder makes it: RecNo (hidden) first,
// then the data columns. Each column is "Name:type:size:label:width" with type
// s, i or f; label and width may be empty.
inline void defineTable(TMemTable& t, const QStringList& columns) {
    t.close();
    t.clearFieldDefs();
    t.addFieldDef(QStringLiteral("RecNo"), TFieldType::Integer);
    struct Attr {
        QString label;
        int width;
    };
    std::vector<Attr> attrs;
    for (const QString& c : columns) {
        const QStringList p = c.split(u':');
        const QChar type = p.value(1, QStringLiteral("s")).at(0);
        t.addFieldDef(p[0], type == u'i' ? TFieldType::Integer : type == u'f' ? TFieldType::Float : TFieldType::String,
                      p.value(2).toInt());
        attrs.push_back({p.value(3), p.value(4).toInt()});
    }
    t.open();
    t.field(0).setVisible(false);
    for (std::size_t i = 0; i < attrs.size(); ++i) {
        TField& f = t.field(int(i) + 1);
        if (!attrs[i].label.isEmpty())
            f.setDisplayLabel(attrs[i].label);
        if (attrs[i].width > 0)
            f.setDisplayWidth(attrs[i].width);
    }
}

// Appends a record; RecNo is numbered from 1 in append order.
inline void addRow(TMemTable& t, const QStringList& values) {
    const int recNo = t.recordCount() + 1;
    t.append();
    t.field(0).setAsInteger(recNo);
    for (int i = 0; i < values.size(); ++i)
        t.field(i + 1).setAsString(values[i]);
    t.post();
}

inline QString errorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const Exception& e) {
        return e.message();
    }
    return QStringLiteral("<no error>");
}

} // namespace gridtest
