#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

class QFile;
class QIODevice;

namespace textfile {

// Largest small text input: a settings file, the log-on list.
inline constexpr qint64 MaxTextSize = qint64(4) << 20;
// Largest file readBytes takes by default (templates with their pictures).
inline constexpr qint64 MaxFileSize = qint64(256) << 20;

// The bytes of a regular file of at most maxSize bytes. Nothing else is opened
// (a FIFO, a device or a folder under the name is refused without being read,
// so it can neither block nor stream endlessly). Throws Exception "Cannot open
// file %s" when the file is missing or unreadable, and a message that names
// the file when it is not a regular file or larger than maxSize.
QByteArray readFile(const QString& path, qint64 maxSize);

// Opens a regular file of at most maxSize bytes for reading in pieces through
// file; throws as readFile.
void openRegular(QFile& file, const QString& path, qint64 maxSize);

// The same, nothing instead of an exception.
std::optional<QByteArray> readBytes(const QString& path, qint64 maxSize = MaxFileSize);

// Lines of a text: a line ends at CR, LF or CR LF; a final line end adds no
// empty line.
QStringList splitLines(const QString& text);

// Lines of a code page 1251 file of at most maxSize bytes; throws as readFile.
QStringList readLines(const QString& path, qint64 maxSize = MaxTextSize);

// A file written through a temporary file beside it that replaces the target
// only on commit, so a failed write never destroys an existing file. A target
// that exists and is not a regular file (a device, a FIFO, a folder) is
// refused before anything is created; a symbolic link to a regular file
// stays a link and its target gets the new contents. Without commit the
// temporary file is removed.
class TAtomicFile {
public:
    // Throws Exception "Cannot create file %s" when the temporary file cannot
    // be created, and a message naming the target when it is not a regular file.
    explicit TAtomicFile(const QString& path);
    ~TAtomicFile();
    TAtomicFile(const TAtomicFile&) = delete;
    TAtomicFile& operator=(const TAtomicFile&) = delete;

    // The open temporary file.
    QIODevice& device();
    // Its path, for writers that open files by name: close the device first
    // (closeDevice), then write the file under this path and commit.
    QString temporaryPath() const;
    void closeDevice();
    // Puts the temporary file in the target's place. Throws Exception with the
    // system's reason ("No space left on device") when writing failed.
    void commit();

    // The message of a failed write of a file.
    static QString writeErrorText(const QString& path, const QString& reason);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

// Writes a whole file through a TAtomicFile.
void writeAtomically(const QString& path, const QByteArray& bytes);

} // namespace textfile
