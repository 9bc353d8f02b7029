#include "textfile.h"

#include "cp1251.h"
#include "exception.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <filesystem>
#include <system_error>

#ifndef Q_OS_WIN
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace textfile {

namespace {

// Texts the user sees.
namespace msg {
const char16_t* const CannotOpen = u"Cannot open file %1";
const char16_t* const CannotCreate = u"Cannot create file %1";
const char16_t* const NotRegular = u"Файл %1 не является обычным файлом (это папка, устройство или канал); он не прочитан";
const char16_t* const TooLarge = u"Файл %1 слишком велик: %2 байт, допускается не более %3";
const char16_t* const TargetNotRegular =
    u"Нельзя записать %1: это не обычный файл (папка, устройство или канал); выберите другое имя файла";
const char16_t* const WriteError = u"Ошибка записи файла %1: %2";
} // namespace msg

QString text(const char16_t* s) { return QString::fromUtf16(s); }

[[noreturn]] void throwTooLarge(const QString& path, qint64 size, qint64 maxSize) {
    throw Exception(text(msg::TooLarge).arg(path).arg(size).arg(maxSize));
}

std::filesystem::path fsPath(const QString& path) {
#ifdef Q_OS_WIN
    return std::filesystem::path(path.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(path).toStdString());
#endif
}

#ifndef Q_OS_WIN
// An open file descriptor, closed with its owner.
struct TDescriptor {
    int fd = -1;
    ~TDescriptor() {
        if (fd >= 0)
            ::close(fd);
    }
};

// Opens a file for reading without blocking (a FIFO would wait for a
// writer), then checks on the descriptor, so that nothing can be swapped in
// between, that it is a regular file within the size bound. Returns its size.
qint64 openRegularDescriptor(TDescriptor& f, const QString& path, qint64 maxSize) {
    f.fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (f.fd < 0)
        throw Exception(text(msg::CannotOpen).arg(path));
    struct stat st {};
    if (::fstat(f.fd, &st) != 0)
        throw Exception(text(msg::CannotOpen).arg(path));
    if (!S_ISREG(st.st_mode))
        throw Exception(text(msg::NotRegular).arg(path));
    if (st.st_size > maxSize)
        throwTooLarge(path, st.st_size, maxSize);
    return st.st_size;
}
#endif

// Whether something exists under the name that a write must not replace: a
// folder, device or FIFO, or a link to one.
bool isNonRegular(const QString& path) {
    const QFileInfo info(path);
    return info.exists() && !info.isFile();
}

} // namespace

QByteArray readFile(const QString& path, qint64 maxSize) {
#ifndef Q_OS_WIN
    TDescriptor f;
    const qint64 size = openRegularDescriptor(f, path, maxSize);
    // The size is a hint: a file that grows while it is read still stops at
    // the bound.
    QByteArray data;
    data.resize(qsizetype(size) + 1);
    qsizetype used = 0;
    for (;;) {
        if (used == data.size()) {
            if (used > maxSize)
                throwTooLarge(path, used, maxSize);
            data.resize(qsizetype(std::min<qint64>(maxSize + 1, qint64(used) * 2 + 4096)));
        }
        const ssize_t n = ::read(f.fd, data.data() + used, std::size_t(data.size() - used));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw Exception(text(msg::CannotOpen).arg(path));
        }
        if (n == 0)
            break;
        used += n;
    }
    if (used > maxSize)
        throwTooLarge(path, used, maxSize);
    data.truncate(used);
    return data;
#else
    const QFileInfo info(path);
    if (info.exists() && !info.isFile())
        throw Exception(text(msg::NotRegular).arg(path));
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw Exception(text(msg::CannotOpen).arg(path));
    if (f.size() > maxSize)
        throwTooLarge(path, f.size(), maxSize);
    QByteArray data = f.read(maxSize + 1);
    if (f.error() != QFileDevice::NoError)
        throw Exception(text(msg::CannotOpen).arg(path));
    if (data.size() > maxSize)
        throwTooLarge(path, data.size(), maxSize);
    return data;
#endif
}

void openRegular(QFile& file, const QString& path, qint64 maxSize) {
#ifndef Q_OS_WIN
    TDescriptor f;
    openRegularDescriptor(f, path, maxSize);
    if (!file.open(f.fd, QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle))
        throw Exception(text(msg::CannotOpen).arg(path));
    f.fd = -1; // the file owns it now
#else
    const QFileInfo info(path);
    if (info.exists() && !info.isFile())
        throw Exception(text(msg::NotRegular).arg(path));
    file.setFileName(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        throw Exception(text(msg::CannotOpen).arg(path));
    if (file.size() > maxSize)
        throwTooLarge(path, file.size(), maxSize);
#endif
}

std::optional<QByteArray> readBytes(const QString& path, qint64 maxSize) {
    try {
        return readFile(path, maxSize);
    } catch (const Exception&) {
        return std::nullopt;
    }
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

QStringList readLines(const QString& path, qint64 maxSize) {
    return splitLines(cp1251::decode(readFile(path, maxSize)));
}

// --- Atomic writing ------------------------------------------------------------

namespace {
// A temporary file written without Qt's buffer: every write reaches the
// system at once and a failure carries the system's reason.
class TUnbufferedTemp : public QTemporaryFile {
public:
    bool openUnbuffered() { return open(QIODevice::ReadWrite | QIODevice::Unbuffered); }
};
} // namespace

// Writes into the temporary file straight through the system, so that a
// failed write (a full disk, a file size limit) carries the system's reason;
// a short write is retried until the system refuses.
class TFileSink : public QIODevice {
public:
    explicit TFileSink(QFile& file) : m_file(file) {}
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override {
#ifndef Q_OS_WIN
        const int fd = m_file.handle();
        qint64 done = 0;
        while (done < size) {
            const ssize_t n = ::write(fd, data + done, std::size_t(size - done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                setErrorString(n < 0 ? qt_error_string(errno) : qt_error_string(ENOSPC));
                return -1;
            }
            done += n;
        }
        return done;
#else
        const qint64 n = m_file.write(data, size);
        if (n != size)
            setErrorString(m_file.errorString());
        return n == size ? n : -1;
#endif
    }

private:
    QFile& m_file;
};

struct TAtomicFile::Impl {
    QString path;      // as the caller named it
    QString finalPath; // the file replaced: the link's target for a link
    TUnbufferedTemp temp;
    TFileSink sink{temp};
};

TAtomicFile::TAtomicFile(const QString& path) : d(std::make_unique<Impl>()) {
    d->path = path;
    d->finalPath = path;
    const QFileInfo info(path);
    if (isNonRegular(path))
        throw Exception(text(msg::TargetNotRegular).arg(path));
    // A link to a regular file stays a link: its target is replaced.
    if (info.isSymLink() && info.exists())
        d->finalPath = info.canonicalFilePath();
    const QFileInfo final(d->finalPath);
    d->temp.setFileTemplate(final.absolutePath() + QStringLiteral("/.") + final.fileName() +
                            QStringLiteral(".XXXXXX"));
    if (!d->temp.openUnbuffered() || !d->sink.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        throw Exception(text(msg::CannotCreate).arg(path));
}

TAtomicFile::~TAtomicFile() = default;

QIODevice& TAtomicFile::device() { return d->sink; }

QString TAtomicFile::temporaryPath() const { return d->temp.fileName(); }

void TAtomicFile::closeDevice() {
    d->sink.close();
    d->temp.close();
}

QString TAtomicFile::writeErrorText(const QString& path, const QString& reason) {
    return text(msg::WriteError).arg(path, reason);
}

void TAtomicFile::commit() {
    d->sink.close();
    if (d->temp.isOpen()) {
        if (!d->temp.flush() || d->temp.error() != QFileDevice::NoError)
            throw Exception(writeErrorText(d->path, d->temp.errorString()));
        d->temp.close();
    }
#ifndef Q_OS_WIN
    // The data must be on the disk before it replaces the old file.
    {
        TDescriptor f;
        f.fd = ::open(QFile::encodeName(d->temp.fileName()).constData(), O_RDONLY | O_CLOEXEC);
        if (f.fd < 0 || ::fsync(f.fd) != 0)
            throw Exception(writeErrorText(d->path, qt_error_string(errno)));
    }
#endif
    // The new file gets the old file's permissions, or those of a newly created file.
    const QFileInfo old(d->finalPath);
    QFileDevice::Permissions permissions = old.exists() ? old.permissions() : QFileDevice::Permissions();
    if (!old.exists()) {
        permissions = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser |
                      QFileDevice::WriteUser | QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                      QFileDevice::ReadOther | QFileDevice::WriteOther;
#ifndef Q_OS_WIN
        const mode_t mask = ::umask(0);
        ::umask(mask);
        if (mask & S_IWGRP)
            permissions &= ~QFileDevice::WriteGroup;
        if (mask & S_IRGRP)
            permissions &= ~QFileDevice::ReadGroup;
        if (mask & S_IWOTH)
            permissions &= ~QFileDevice::WriteOther;
        if (mask & S_IROTH)
            permissions &= ~QFileDevice::ReadOther;
#endif
    }
    QFile::setPermissions(d->temp.fileName(), permissions);
    // Something may have been put under the name meanwhile.
    if (isNonRegular(d->finalPath))
        throw Exception(text(msg::TargetNotRegular).arg(d->path));
    std::error_code ec;
    std::filesystem::rename(fsPath(d->temp.fileName()), fsPath(d->finalPath), ec);
    if (ec)
        throw Exception(writeErrorText(d->path, QString::fromLocal8Bit(ec.message())));
    d->temp.setAutoRemove(false);
}

void writeAtomically(const QString& path, const QByteArray& bytes) {
    TAtomicFile f(path);
    if (f.device().write(bytes) != bytes.size())
        throw Exception(TAtomicFile::writeErrorText(path, f.device().errorString()));
    f.commit();
}

} // namespace textfile
