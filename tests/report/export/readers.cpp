#include "readers.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>

namespace readers {

namespace {

QString python() {
    const QString system = QStringLiteral("/usr/bin/python3");
    return QFile::exists(system) ? system : QStandardPaths::findExecutable(QStringLiteral("python3"));
}

} // namespace

bool haveProgram(const QString& name) { return !QStandardPaths::findExecutable(name).isEmpty(); }

QJsonValue run(const QString& script, const QStringList& args) {
    const QString interpreter = python();
    if (interpreter.isEmpty()) {
        ADD_FAILURE() << "python3 is not installed (scripts/setup.sh installs it)";
        return {};
    }
    QProcess proc;
    proc.start(interpreter, QStringList{QStringLiteral(OSTRAND_READERS_DIR "/") + script} + args);
    if (!proc.waitForFinished(120000) || proc.exitStatus() != QProcess::NormalExit || proc.exitCode() != 0) {
        ADD_FAILURE() << script.toStdString() << " failed: " << proc.readAllStandardError().toStdString();
        return {};
    }
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson("[" + proc.readAllStandardOutput() + "]", &error);
    if (error.error != QJsonParseError::NoError) {
        ADD_FAILURE() << script.toStdString() << " printed no JSON: " << error.errorString().toStdString();
        return {};
    }
    return doc.array().at(0);
}

QList<QStringList> csvRecords(const QString& path, QChar delimiter, const QString& encoding) {
    QList<QStringList> records;
    for (const QJsonValue record : run(QStringLiteral("csv_fields.py"), {path, QString(delimiter), encoding}).toArray()) {
        QStringList fields;
        for (const QJsonValue f : record.toArray())
            fields << f.toString();
        records << fields;
    }
    return records;
}

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "cannot read " << path.toStdString();
        return {};
    }
    return f.readAll();
}

} // namespace readers
