#pragma once

#include "report/export/textexport.h"

#include <QByteArray>
#include <QString>
#include <QStringView>

// The pieces of an HTML report page: one table whose rows are the rows of
// every page, each cell carrying its text's colour, size and style.
namespace frhtml {

// Start of the document: the page names its character set (code page 1251,
// the bytes every text is written in) and opens the table.
QByteArray documentStart();
// End of the document: closes the table, the body and the page.
QByteArray documentEnd();

// Texts as cells hold them: &, <, > and " become character references.
QString escape(QStringView text);

// The size attribute of a font size in points: "1" for 6 and 7, "2" for 8
// and 9, empty for 10 to 13, "4" up to 17, "5" up to 23, "6" up to 35, "7"
// for anything else.
QString sizeAttribute(std::int32_t points);

// Picture records: the record of a picture file placed in a row carries the
// picture's number as tag, the file name as text and the rectangle (x, y,
// width, height); text records have no tag.
inline bool isPicture(const TfrTextRec& cell) { return cell.tag >= 0; }
TfrTextRec pictureCell(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height, int number,
                          const QString& fileName);

// One cell: a picture cell refers to its file with its size; a text cell
// opens a font tag with colour and size when they are not the plain ones
// (white and no colour count as none), then <i>, <b>, <u> for the style.
// rawText keeps texts as they are (templates that put markup into memos on
// purpose); otherwise they are escaped.
QString cell(const TfrTextRec& cell, bool rawText);

// A table row of cells (without line end), "<tr>" ... "</tr>".
QString row(const TfrTextExport::Row& row, bool rawText);

} // namespace frhtml
