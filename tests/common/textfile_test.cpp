#include "common/exception.h"
#include "common/textfile.h"

#include <QFile>
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
