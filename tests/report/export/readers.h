#pragma once

#include <QByteArray>
#include <QJsonValue>
#include <QString>
#include <QStringList>

// Independent readers of the exported formats (Python's csv module and
// html.parser, unrtf through Python), run as processes. A reader that is
// missing or fails is a test failure: the set-up installs them.
namespace readers {

// Runs a reader script of the readers folder with arguments and returns the
// JSON it printed (null after a failure, which is reported to the test).
QJsonValue run(const QString& script, const QStringList& args);

// Records of a delimited file (code page 1251 unless another encoding is
// named) as lists of fields.
QList<QStringList> csvRecords(const QString& path, QChar delimiter, const QString& encoding = QStringLiteral("cp1251"));

// A file's bytes (empty after a failure, reported to the test).
QByteArray fileBytes(const QString& path);

// Whether a program is on the path.
bool haveProgram(const QString& name);

} // namespace readers
