#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>

class TBinaryReader;
class TBinaryWriter;

// The primitive encodings of template streams. The reader picks the string
// encodings by the version of the stream being read (TfrEngine::streamVersion):
// from version 23 on strings carry a 16-bit length, before that they end at a
// zero byte. Writers always produce the length-prefixed forms.
//
// Writers refuse what the 16-bit length fields cannot hold (a string or line
// longer than 65535 bytes, a list of more than 65535 lines) with an Exception
// naming the problem, instead of cutting the data silently.
namespace frstream {

constexpr int maxLength = 0xFFFF;

// The version the current reads use.
int version();

QString readString(TBinaryReader& in);
void writeString(TBinaryWriter& out, const QString& text);

QStringList readStrings(TBinaryReader& in);
void writeStrings(TBinaryWriter& out, const QStringList& lines);

// u8 length and that many bytes (old dictionary layout).
QString readShortString(TBinaryReader& in);

bool readBool16(TBinaryReader& in);
void writeBool16(TBinaryWriter& out, bool value);

// Frame width: whole widths up to 10 pixels as themselves, everything else as
// thousandths of a pixel.
float decodeFrameWidth(std::int32_t stored);
std::int32_t encodeFrameWidth(float width);

// Text of the bytes, one character per byte.
QString text(const QByteArray& bytes);
// Bytes of a text for a length field of at most `limit` bytes; throws when longer.
QByteArray bytes(const QString& text, int limit = maxLength);

} // namespace frstream
