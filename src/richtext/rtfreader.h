#pragma once

#include <QByteArrayView>
#include <QtGlobal>

class QTextDocument;

// Reading Rich Text Format onto a QTextDocument.
//
// The document's units are twips (1/1440 inch): paragraph indents and
// spacing, line heights, tab positions and the default tab distance are kept
// in twips as the RTF states them; font sizes are in points. Read are the
// character formatting (fonts of the font table, sizes, bold, italic,
// underline, strike-out, super- and subscript, hidden text left out, colours
// of the colour table as text and background colours), the code pages of the
// document and of the fonts' character sets for 8-bit text and \'hh, \uN with
// its \uc replacement skipped, paragraphs (alignment, indents, spacing, line
// spacing, tab stops) and the special characters. List texts (\pntext,
// \listtext) stay as text; table rows become paragraphs whose cells are
// separated by tabs, with tab stops at the cells' edges; a field keeps its
// result; pictures, objects, headers, footers, footnotes, style sheets,
// document information and every ignorable destination (\*) are left out.
// Unknown control words are ignored and their text kept.
//
// Everything read is bounded: hostile input ends in an EFormatError with a
// message the user can read, never in a crash, a hang or an unbounded
// allocation.
namespace richtext {

// Largest RTF input read.
inline constexpr qsizetype MaxRtfSize = qsizetype(32) << 20;
// Most characters a document read may hold (paragraph ends included).
inline constexpr qsizetype MaxDocumentChars = qsizetype(4) << 20;
// Most paragraphs a document read may hold.
inline constexpr int MaxParagraphs = 100000;
// Deepest nesting of groups.
inline constexpr int MaxGroupDepth = 128;
// Longest control word (letters) and numeric parameter (digits).
inline constexpr int MaxControlWord = 32;
inline constexpr int MaxParameterDigits = 10;

// Whether bytes are RTF: "{\rtf" after optional blanks and line ends.
bool isRtf(QByteArrayView bytes);

// Replaces the document's contents by what the bytes hold: RTF when they are
// RTF, else plain text (code page 1251, or UTF-8 after a byte order mark),
// one paragraph per line. 8-bit text of a document that names no code page
// is read in code page 1251. The document's undo stack is cleared. Throws
// EFormatError when the input is too large or holds too many characters or
// paragraphs, nests groups too deeply, has a
// control word or a parameter that is too long, binary data (\bin) longer
// than what is left, or ends inside a group; the document is then empty.
void readRtf(QByteArrayView bytes, QTextDocument& document);

} // namespace richtext
