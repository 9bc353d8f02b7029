#include "textfile.h"

#include "cp1251.h"
#include "exception.h"

#include <QFile>
#include <QSaveFile>

namespace textfile {

std::optional<QByteArray> readBytes(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray data = f.readAll();
    if (f.error() != QFileDevice::NoError)
        return std::nullopt;
    return data;
}

QStringList splitLines(const QString& text) {
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = text[i];
        if (c == u'\r' || c == u'\n') {
            lines << text.mid(start, i - start);
            if (c == u'\r' && i + 1 < n && text[i + 1] == u'\n')
                ++i;
            start = ++i;
        } else {
            ++i;
        }
    }
    if (start < n)
        lines << text.mid(start);
    return lines;
}

QStringList readLines(const QString& path) {
    const auto bytes = readBytes(path);
    if (!bytes)
        throw Exception(QStringLiteral("Cannot open file %1").arg(path));
    return splitLines(cp1251::decode(*bytes));
}

void writeAtomically(const QString& path, const QByteArray& bytes) {
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        throw Exception(QStringLiteral("Cannot create file %1").arg(path));
    if (f.write(bytes) != bytes.size() || !f.commit())
        throw Exception(QStringLiteral("Ошибка записи файла %1: %2").arg(path, f.errorString()));
}

} // namespace textfile
