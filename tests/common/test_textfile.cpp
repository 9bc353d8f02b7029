#include "common/exception.h"
#include "common/textfile.h"

#include <QFile>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(TextFile, LineEnds) {
    EXPECT_EQ(textfile::splitLines("a\r\nb\nc\rd"), QStringList({"a", "b", "c", "d"}));
    EXPECT_EQ(textfile::splitLines("a\n"), QStringList({"a"}));
    EXPECT_EQ(textfile::splitLines("a\n\nb\r\n\r\n"), QStringList({"a", "", "b", ""}));
    EXPECT_EQ(textfile::splitLines("\n\r"), QStringList({"", ""}));
    EXPECT_TRUE(textfile::splitLines("").isEmpty());
}

TEST(TextFile, ReadsCodePage1251) {
    QTemporaryDir dir;
    const QString path = dir.filePath("a.cfg");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("\xCF\xF1\r\n\x95x");
    f.close();
    EXPECT_EQ(textfile::readLines(path), QStringList({u"Пс"_qs, u"•x"_qs}));
    try {
        textfile::readLines(dir.filePath("missing.cfg"));
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.message(), "Cannot open file " + dir.filePath("missing.cfg"));
    }
}

TEST(TextFile, FailedWriteKeepsTheOldFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath("out.tab");
    textfile::writeAtomically(path, "old");
    textfile::writeAtomically(path, "new");
    EXPECT_EQ(*textfile::readBytes(path), QByteArray("new"));

    // A target inside a missing folder cannot be created.
    try {
        textfile::writeAtomically(dir.filePath("no/such/file.tab"), "x");
        FAIL();
    } catch (const Exception& e) {
        EXPECT_TRUE(e.message().startsWith("Cannot create file "));
    }
}

#ifndef Q_OS_WIN
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Things under a file name that are not regular files.
struct NonRegular {
    const char* what;
    QString (*make)(const QDir& dir); // the path, or empty when it cannot be made here
};

const NonRegular kNonRegular[] = {
    {"FIFO", [](const QDir& d) {
         const QString p = d.filePath("fifo");
         return ::mkfifo(QFile::encodeName(p).constData(), 0600) == 0 ? p : QString();
     }},
    {"folder", [](const QDir& d) {
         d.mkdir("folder");
         return d.filePath("folder");
     }},
    {"link to /dev/zero", [](const QDir& d) {
         const QString p = d.filePath("zero");
         return QFile::link("/dev/zero", p) ? p : QString();
     }},
    {"link to /dev/null", [](const QDir& d) {
         const QString p = d.filePath("null");
         return QFile::link("/dev/null", p) ? p : QString();
     }},
};

} // namespace

TEST(TextFile, ReadsOnlyRegularFiles) {
    QTemporaryDir tmp;
    const QDir dir(tmp.path());
    for (const NonRegular& n : kNonRegular) {
        SCOPED_TRACE(n.what);
        const QString path = n.make(dir);
        ASSERT_FALSE(path.isEmpty());
        // Refused at once: a FIFO without a writer would block, /dev/zero never ends.
        try {
            textfile::readLines(path);
            FAIL();
        } catch (const Exception& e) {
            EXPECT_TRUE(e.message().contains("не является обычным файлом")) << e.message().toStdString();
            EXPECT_TRUE(e.message().contains(path));
        }
        EXPECT_FALSE(textfile::readBytes(path));
        QFile f;
        EXPECT_THROW(textfile::openRegular(f, path, 100), Exception);
    }
}

TEST(TextFile, SizeBound) {
    QTemporaryDir dir;
    const QString path = dir.filePath("big.cfg");
    textfile::writeAtomically(path, QByteArray(1000, 'x'));
    EXPECT_EQ(textfile::readFile(path, 1000).size(), 1000);
    try {
        textfile::readFile(path, 999);
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.message(), "Файл " + path + " слишком велик: 1000 байт, допускается не более 999");
    }
    QFile f;
    EXPECT_THROW(textfile::openRegular(f, path, 999), Exception);
    textfile::openRegular(f, path, 1000);
    EXPECT_EQ(f.readAll().size(), 1000);
}

TEST(TextFile, WritesOnlyOverRegularFiles) {
    QTemporaryDir tmp;
    const QDir dir(tmp.path());
    for (const NonRegular& n : kNonRegular) {
        SCOPED_TRACE(n.what);
        const QString path = n.make(dir);
        ASSERT_FALSE(path.isEmpty());
        const QFileInfo before(path);
        try {
            textfile::writeAtomically(path, "data");
            FAIL();
        } catch (const Exception& e) {
            EXPECT_TRUE(e.message().contains("это не обычный файл")) << e.message().toStdString();
        }
        // Still what it was, and no temporary file left beside it.
        const QFileInfo after(path);
        EXPECT_EQ(after.isSymLink(), before.isSymLink());
        EXPECT_EQ(after.isDir(), before.isDir());
        EXPECT_FALSE(after.isFile());
    }
    EXPECT_EQ(dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot).size(),
              qsizetype(std::size(kNonRegular)));
}

TEST(TextFile, LinkToRegularFileStaysALink) {
    QTemporaryDir dir;
    const QString target = dir.filePath("real.tab");
    const QString link = dir.filePath("link.tab");
    textfile::writeAtomically(target, "old");
    QFile::setPermissions(target, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup);
    const QFileDevice::Permissions permissions = QFileInfo(target).permissions();
    ASSERT_TRUE(QFile::link(target, link));
    textfile::writeAtomically(link, "new");
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(*textfile::readBytes(target), QByteArray("new"));
    // The replaced file keeps its permissions.
    EXPECT_EQ(QFileInfo(target).permissions(), permissions);
}

TEST(TextFile, WriteErrorGivesTheSystemsReason) {
    // A file size limit makes the system refuse the write as a full disk
    // would; the message must say why, not "Unknown error".
    QTemporaryDir dir;
    const QString path = dir.filePath("out.tab");
    textfile::writeAtomically(path, "old");
    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    QString message;
    try {
        textfile::writeAtomically(path, QByteArray(100000, 'x'));
    } catch (const Exception& e) {
        message = e.message();
    }
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(message.toStdString(), ("Ошибка записи файла " + path + ": " + qt_error_string(EFBIG)).toStdString());
    EXPECT_EQ(*textfile::readBytes(path), QByteArray("old"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}
#endif
