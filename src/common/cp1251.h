#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QChar>
#include <QString>
#include <QStringView>

// Windows code page 1251, the single-byte text of every file, library call and
// export of the program. The mapping covers all 256 byte values and is a
// bijection onto its 256 characters (the unassigned byte 0x98 maps to U+0098),
// so any byte sequence survives a decode followed by an encode. Inside the
// program text is a QString holding exactly one QChar per byte.
namespace cp1251 {

// The character of one byte.
QChar toChar(unsigned char byte);
// The byte of one character; characters outside the code page give '?'.
unsigned char toByte(QChar ch);
// Whether a character is one of the code page's 256 characters.
bool isRepresentable(QChar ch);
// Whether every character of a text is.
bool isRepresentable(QStringView text);

QString decode(QByteArrayView bytes);
QByteArray encode(QStringView text);

// Letter case of the code page: Latin and Cyrillic letters (Ё/ё included) and the
// other letter pairs of the page; other characters stay as they are.
QChar toUpper(QChar ch);
QChar toLower(QChar ch);
QString toUpper(QStringView text);
QString toLower(QStringView text);

// The bullet "•" (byte 0x95), used as a field separator in gathered texts.
inline constexpr char16_t Bullet = 0x2022;

} // namespace cp1251
