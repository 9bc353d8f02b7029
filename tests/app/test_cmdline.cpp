#include "app/cmdline.h"
#include "common/cp1251.h"

#include <gtest/gtest.h>

namespace {

const QString Marker = QString(QChar(cp1251::Bullet));

QString value(const QString& commandLine, const QString& key) { return CommandLineKeyValue(commandLine, key); }

} // namespace

TEST(CommandLineKeyValue, ValuesFollowTheirKeysUpToTheNextBlank) {
    const QString line = QStringLiteral("/usr/bin/ostrand -SNSRV -PNTM1 -UNengineer -UPdemo");
    EXPECT_EQ(value(line, cmdline::KeyNtServer), u"SRV");
    EXPECT_EQ(value(line, cmdline::KeyTmServer), u"TM1");
    EXPECT_EQ(value(line, cmdline::KeyUser), u"engineer");
    EXPECT_EQ(value(line, cmdline::KeyPassword), u"demo");
    // The last value runs to the end of the line.
    EXPECT_EQ(value(QStringLiteral("prog -PNTM1"), cmdline::KeyTmServer), u"TM1");
}

TEST(CommandLineKeyValue, MissingOrEmptyKeysGiveTheEmptyString) {
    EXPECT_TRUE(value(QStringLiteral("prog -PNTM1"), cmdline::KeyNtServer).isEmpty());
    EXPECT_TRUE(value(QStringLiteral("prog -SN -PNTM1"), cmdline::KeyNtServer).isEmpty());
    EXPECT_EQ(value(QStringLiteral("prog -SN -PNTM1"), cmdline::KeyTmServer), u"TM1");
    EXPECT_TRUE(value(QStringLiteral("prog -SN"), cmdline::KeyNtServer).isEmpty());
    // Keys are case-sensitive.
    EXPECT_TRUE(value(QStringLiteral("prog -snSRV"), cmdline::KeyNtServer).isEmpty());
}

TEST(CommandLineKeyValue, FirstOccurrenceWinsEvenInsideTheProgramPath) {
    EXPECT_EQ(value(QStringLiteral("prog -SNFIRST -SNSECOND"), cmdline::KeyNtServer), u"FIRST");
    EXPECT_EQ(value(QStringLiteral("/opt/X-SNAP -SNSRV"), cmdline::KeyNtServer), u"AP");
    EXPECT_EQ(value(QStringLiteral("/opt/X-SNAP/bin/ostrand -SNSRV"), cmdline::KeyNtServer), u"AP/bin/ostrand");
    // Also inside another argument.
    EXPECT_EQ(value(QStringLiteral("prog -PNA-SNB"), cmdline::KeyNtServer), u"B");
}

TEST(CommandLineKeyValue, OnlyTheBlankEndsAValue) {
    EXPECT_EQ(value(QStringLiteral("prog -SNa\tb -PNx"), cmdline::KeyNtServer), u"a\tb");
    EXPECT_EQ(value(QStringLiteral("prog \"-SNsrv\" x"), cmdline::KeyNtServer), u"srv\"");
}

TEST(CommandLineKeyValue, MarkedValuesAreHex) {
    EXPECT_EQ(value(QStringLiteral("prog -SN") + Marker + QStringLiteral("4E5431"), cmdline::KeyNtServer), u"NT1");
    // A blank carried in hex survives the cutting at blanks.
    EXPECT_EQ(value(QStringLiteral("prog -PN") + Marker + QStringLiteral("41204243 -SNx"), cmdline::KeyTmServer),
              u"A BC");
    EXPECT_TRUE(value(QStringLiteral("prog -SN") + Marker, cmdline::KeyNtServer).isEmpty());
    // The marker only counts as the first character of the value.
    EXPECT_EQ(value(QStringLiteral("prog -SNA") + Marker + QStringLiteral("41"), cmdline::KeyNtServer),
              QStringLiteral("A") + Marker + QStringLiteral("41"));
}

TEST(DecodeHexValue, PairsBecomeCodePageCharacters) {
    EXPECT_EQ(DecodeHexValue(QStringLiteral("4E5431")), u"NT1");
    EXPECT_EQ(DecodeHexValue(QStringLiteral("4e5431")), u"NT1");
    EXPECT_EQ(DecodeHexValue(QStringLiteral("CFF0")), u"Пр");
    EXPECT_EQ(DecodeHexValue(QString()), u"");
}

TEST(DecodeHexValue, MalformedInputEndsTheDecoding) {
    EXPECT_TRUE(DecodeHexValue(QStringLiteral("4E543")).isEmpty());
    EXPECT_EQ(DecodeHexValue(QStringLiteral("4E5G31")), u"N");
    EXPECT_EQ(DecodeHexValue(QStringLiteral("G14E")), u"");
    EXPECT_EQ(DecodeHexValue(QStringLiteral("4E0031")), u"N1");
    EXPECT_EQ(DecodeHexValue(QStringLiteral("0000")), u"");
}

TEST(ProcessCommandLine, JoinsArgumentsAndReadsTheMarkerByte) {
    const char* utf8[] = {"/usr/bin/ostrand", "-SNDEMO-NT", "-PN\xE2\x80\xA2" "41204243"};
    const QString line = cmdline::processCommandLine(3, utf8);
    EXPECT_EQ(line, QStringLiteral("/usr/bin/ostrand -SNDEMO-NT -PN") + Marker + QStringLiteral("41204243"));
    EXPECT_EQ(CommandLineKeyValue(line, cmdline::KeyTmServer), u"A BC");

    // The raw code page byte 0x95, as a single-byte terminal passes it.
    const char* raw[] = {"ostrand", "-SN\x95" "4E5431"};
    EXPECT_EQ(CommandLineKeyValue(cmdline::processCommandLine(2, raw), cmdline::KeyNtServer), u"NT1");
}
