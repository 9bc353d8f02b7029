#pragma once

#include <QByteArray>
#include <QStringView>

class QTextDocument;

// Writing a QTextDocument as Rich Text Format: what the RTF reader reads
// (richtext/rtfreader.h), in the same units.
namespace richtext {

// The bytes of a text in RTF: backslashes and braces get a backslash in
// front; characters of code page 1251 from 0x80 up (Russian letters) are
// written as \'hh, the code page 1251 byte in the seven-bit form every reader
// takes; characters the code page lacks as \uN followed by '?' for readers
// without Unicode (the document declares \uc1). Other characters are written
// as they are.
QByteArray escape(QStringView text);

// The document as RTF in code page 1251 (\ansicpg1251, every font with the
// Cyrillic character set 204): the font table (the document's default font
// first), the colour table, then one paragraph per block with its alignment,
// indents, spacing, line spacing and tab stops, and every run of text in one
// format after \plain and its font, size, bold, italic, underline,
// strike-out, super- or subscript, text colour and background. Tabs, line
// breaks, non-breaking spaces and hyphens and soft hyphens are written as
// their control words; control characters are left out.
QByteArray writeRtf(const QTextDocument& document);

} // namespace richtext
