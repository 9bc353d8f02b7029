#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

namespace textfile {

// The whole file, or nothing when it cannot be read.
std::optional<QByteArray> readBytes(const QString& path);

// Lines of a text: a line ends at CR, LF or CR LF; a final line end adds no
// empty line.
QStringList splitLines(const QString& text);

// Lines of a code page 1251 file; throws Exception "Cannot open file %s".
QStringList readLines(const QString& path);

// Writes a file through a temporary file beside it that replaces the target
// only when everything was written, so a failed write never destroys an
// existing file. Throws Exception "Cannot create file %s" when the file cannot
// be created, and a write error message when writing fails.
void writeAtomically(const QString& path, const QByteArray& bytes);

} // namespace textfile
