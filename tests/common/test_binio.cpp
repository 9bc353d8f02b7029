#include "common/binio.h"

#include <gtest/gtest.h>

TEST(BinaryIo, WritesLittleEndianAndReadsBack) {
    QByteArray buf;
    TBinaryWriter w(buf);
    w.writeU8(0xAB);
    w.writeU16(0x1234);
    w.writeI32(-2);
    w.writeF32(1.0f);
    w.writeF64(-0.5);
    w.writeU64(0x0102030405060708ULL);
    EXPECT_EQ(buf.left(7), QByteArray("\xAB\x34\x12\xFE\xFF\xFF\xFF", 7));
    EXPECT_EQ(buf.mid(7, 4), QByteArray("\x00\x00\x80\x3F", 4));

    TBinaryReader r(buf);
    EXPECT_EQ(r.readU8(), 0xAB);
    EXPECT_EQ(r.readU16(), 0x1234);
    EXPECT_EQ(r.readI32(), -2);
    EXPECT_EQ(r.readF32(), 1.0f);
    EXPECT_EQ(r.readF64(), -0.5);
    EXPECT_EQ(r.readU64(), 0x0102030405060708ULL);
    EXPECT_TRUE(r.atEnd());
}

TEST(BinaryIo, ReadsAndSeeksOutsideTheBlockFail) {
    const QByteArray buf("\x01\x02\x03", 3);
    TBinaryReader r(buf);
    EXPECT_THROW(r.readU32(), EFormatError);
    EXPECT_EQ(r.pos(), 0); // a failed read consumes nothing
    EXPECT_THROW(r.readBytes(-1), EFormatError);
    EXPECT_THROW(r.readBytes(4), EFormatError);
    EXPECT_THROW(r.seek(4), EFormatError);
    EXPECT_THROW(r.seek(-1), EFormatError);
    EXPECT_NO_THROW(r.seek(3));
    EXPECT_THROW(r.readU8(), EFormatError);

    QByteArray out;
    TBinaryWriter w(out);
    w.writeU16(1);
    EXPECT_THROW(w.patchU32(0, 5), EFormatError);
}

TEST(BinaryIo, AReaderUpToARecordEndStopsThere) {
    const QByteArray buf("\x01\x02\x03\x04\x05\x06", 6);
    TBinaryReader r(buf);
    r.seek(1);
    TBinaryReader record = r.upTo(4);
    EXPECT_EQ(record.pos(), 1); // offsets stay the block's
    EXPECT_EQ(record.remaining(), 3);
    EXPECT_THROW(record.readU32(), EFormatError);
    EXPECT_THROW(record.readBytes(4), EFormatError);
    EXPECT_EQ(record.readBytes(3), QByteArray("\x02\x03\x04", 3));
    EXPECT_THROW(record.seek(5), EFormatError);
    EXPECT_THROW(r.upTo(0), EFormatError); // before the position
    EXPECT_THROW(r.upTo(7), EFormatError); // past the block
}

// Bytes of the target itself written into it again, while it grows.
TEST(BinaryIo, WritingTheTargetsOwnBytesCopiesThem) {
    QByteArray out;
    TBinaryWriter w(out);
    w.writeBytes("abc");
    for (int i = 0; i < 12; ++i)
        w.writeBytes(out);
    ASSERT_EQ(out.size(), 3 << 12);
    EXPECT_EQ(out, QByteArray("abc").repeated(1 << 12));
    w.writeBytes(QByteArrayView(out).sliced(1, 2));
    EXPECT_TRUE(out.endsWith("abcbc"));
}
