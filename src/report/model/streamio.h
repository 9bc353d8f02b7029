#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>

class TBinaryReader;
class TBinaryWriter;

// How objects are stored: design (the whole template object) or prepared (the
// expanded text in place of the design fields, prepared pages).
enum class TfrSaveMode : std::uint8_t { Design, Prepared };

// What a load or save of objects needs to know besides the bytes: the format
// version of the stream being read (writers always produce the current one)
// and the save mode. Passed down every load and save.
struct TfrStreamContext {
    int version = 25;
    TfrSaveMode mode = TfrSaveMode::Design;
    // Where an object that loads without a part of it that could not be read
    // says so, in a message naming the object (template loads); null: nobody
    // asks.
    QStringList* messages = nullptr;
    bool design() const { return mode == TfrSaveMode::Design; }
};

// The primitive encodings of template streams. The reader picks the string
// encodings by the version of the stream being read: from version 23 on
// strings carry a 16-bit length, before that they end at a zero byte. Writers
// always produce the length-prefixed forms.
//
// Writers refuse what the 16-bit length fields cannot hold (a string or line
// longer than 65535 bytes, a list of more than 65535 lines) with an Exception
// naming the problem, instead of cutting the data silently.
namespace frstream {

constexpr int maxLength = 0xFFFF;

QString readString(TBinaryReader& in, int version);
void writeString(TBinaryWriter& out, const QString& text);

QStringList readStrings(TBinaryReader& in, int version);
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
