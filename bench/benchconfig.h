#pragma once

// A generated configuration for the selection benchmarks: a main tree of
// three node levels with `leaves` leaves, keyed into a lookup tree, and the
// two settings files that select from them (five columns, joined on Key).
// The trees are written once by scripts/gen-config-tree.py under
// <temp>/<folder>/L<leaves> and reused by later runs.

#include "common/cp1251.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStringList>

#include <cstdio>
#include <cstdlib>
#include <map>

namespace benchconfig {

constexpr int kLookupRecords = 10000;

struct TConfig {
    QString base;      // the folder holding everything
    QString root;      // configuration root
    QString mainCfg;   // settings file of the selection
    QStringList trees; // the XML files, for cold runs
};

inline void generate(const QStringList& args) {
    const int rc = QProcess::execute(QStringLiteral("python3"), args);
    if (rc != 0) {
        std::fprintf(stderr, "gen-config-tree.py failed (%d): %s\n", rc, qPrintable(args.join(u' ')));
        std::abort();
    }
}

inline void writeCfg(const QString& path, const QStringList& lines) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        std::abort();
    f.write(cp1251::encode(lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")));
}

inline const TConfig& config(const QString& folder, int leaves) {
    static std::map<std::pair<QString, int>, TConfig> cache;
    auto it = cache.find({folder, leaves});
    if (it != cache.end())
        return it->second;
    TConfig d;
    d.base = QDir::tempPath() + QStringLiteral("/%1/L%2").arg(folder).arg(leaves);
    d.root = d.base + QStringLiteral("/config");
    const QString tm = d.root + QStringLiteral("/BENCH-NT/TM_SERVER/TM1");
    QDir().mkpath(tm);
    const QString script = QStringLiteral(OSTRAND_SOURCE_DIR "/scripts/gen-config-tree.py");
    const QString big = tm + QStringLiteral("/BIG.xml");
    const QString keys = tm + QStringLiteral("/KEYS.xml");
    if (!QFileInfo::exists(big))
        generate({script, "tree", "--leaves", QString::number(leaves), "--keys", QString::number(kLookupRecords),
                  "--out", big});
    if (!QFileInfo::exists(keys))
        generate({script, "lookup", "--records", QString::number(kLookupRecords), "--out", keys});
    d.trees = {big, keys};
    d.mainCfg = d.base + QStringLiteral("/main.cfg");
    writeCfg(d.mainCfg, {"BIG", "LookupFile:keys.cfg", "Level1=Name(string;20;Район;District)",
                         "Level2=Name(string;30;Объект;Object)",
                         "Leaf=Number(int;8;Номер;No), Value(float;8;Значение;Val), Key(int;6;Ключ;Key)",
                         "LookupFields: Owner, Phone"});
    writeCfg(d.base + QStringLiteral("/keys.cfg"),
             {"KEYS", "Record=Key(int;6;Ключ;Key), Owner(string;30;Владелец), Phone(string;20;Телефон)"});
    return cache.emplace(std::pair{folder, leaves}, d).first->second;
}

} // namespace benchconfig
