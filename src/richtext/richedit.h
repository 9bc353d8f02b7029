#pragma once

#include <QString>
#include <QStringView>
#include <QTextCharFormat>

class QTextDocument;

// Plain-text access to a rich-text document and replacement of character
// ranges.
//
// Character positions count every character of the text and one for every
// paragraph end, so position i is character i of plainText(); the end of the
// last paragraph is not counted. They are the positions of QTextDocument
// (QTextCursor::position) for documents without tables, frames and images,
// which is what the RTF reader makes.
namespace richtext {

// The document's text: paragraph ends and line breaks as '\n', tabs as '\t'.
QString plainText(const QTextDocument& document);

// The number of character positions: plainText().size().
int textLength(const QTextDocument& document);

// The character format of the character at a position (of the paragraph end
// at a paragraph's end); positions outside the text are taken at its end.
QTextCharFormat charFormatAt(const QTextDocument& document, int position);

// The font family and the size in points of a character format, the
// document's default font where the format sets none. A size given in pixels
// counts 96 pixels to the inch.
QString fontFamily(const QTextCharFormat& format, const QTextDocument& document);
double fontPointSize(const QTextCharFormat& format, const QTextDocument& document);

// Replaces the characters from `from` up to `to` (exclusive) by text, which
// takes the character format of the first character replaced (of the
// character at `from` when the range is empty). Positions are clamped into
// the text. Line ends in the text ("\r\n", '\r', '\n') start new paragraphs,
// which keep the format of the paragraph they split; control characters
// other than tabs are left out. Returns the position just after the
// inserted text.
int replaceRange(QTextDocument& document, int from, int to, QStringView text);

// Text as a document holds it: control characters other than tabs, and
// characters that are no text (non-characters, unpaired surrogates, frame and
// object markers), are left out; with lineBreaks, line ends ("\r\n", '\r',
// '\n' and the paragraph separator) become '\n', without, they are left out
// too. Line separators (U+2028) stay: they are line breaks inside a paragraph.
QString cleanText(QStringView text, bool lineBreaks);

} // namespace richtext
