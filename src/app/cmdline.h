#pragma once

#include <QString>
#include <QStringList>

// The four keys that pre-set the connection settings at start-up. A key's value
// follows the key directly ("-SNSERVER1") and ends at the next blank.
namespace cmdline {

inline const QString KeyNtServer = QStringLiteral("-SN");
inline const QString KeyTmServer = QStringLiteral("-PN");
inline const QString KeyUser = QStringLiteral("-UN");
inline const QString KeyPassword = QStringLiteral("-UP");

// The whole command line of the process as one string: the arguments joined
// with single blanks, program path first. Each raw argument is read as UTF-8
// when it is valid UTF-8, otherwise as code page 1251, so that a raw 0x95 byte
// typed on a single-byte terminal still arrives as the hex marker.
QString processCommandLine(int argc, const char* const* argv);
QString joinArguments(const QStringList& arguments);

} // namespace cmdline

// The value of one key in the command line: the text after the first
// occurrence of the key (case-sensitive, anywhere, program path included) up
// to the next blank. A value that starts with the marker "•" (byte 0x95) is
// hex text and goes through DecodeHexValue. No key gives the empty string.
QString CommandLineKeyValue(const QString& commandLine, const QString& key);

// Hex pairs to characters (code page 1251 bytes): odd length gives the empty
// string; the first pair that is not two hex digits ends the decoding; zero
// bytes are dropped.
QString DecodeHexValue(const QString& text);
