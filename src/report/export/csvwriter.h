#pragma once

#include "report/export/textexport.h"

#include <QChar>
#include <QString>
#include <QStringView>

// Delimited lines of report rows: each cell lands in the field its x gives
// (one field per 64 / scaleX report pixels), so texts printed in one column of
// the page line up in one field.
namespace frcsv {

// Most fields a line gets: a cell further right joins the last field, so
// damaged coordinates cannot make a line of endless delimiters.
inline constexpr std::int32_t maxField = 16383;

// Whether a character may serve as delimiter: not a double quote, CR or LF
// (fields are quoted with double quotes and lines end with CR LF).
bool isValidDelimiter(QChar delimiter);

// A field as written: a text holding the delimiter, a double quote, CR or LF
// is put between double quotes with its own double quotes doubled, so any
// reader gets the text back unchanged; other texts stay as they are.
QString field(QStringView text, QChar delimiter);

// The field number of a cell at x.
std::int32_t fieldOf(std::int32_t x, double scaleX);

// One line (without line end) of a row's cells: (field - previous field)
// delimiters before each cell when positive, so cells that fall into one
// field are joined without a delimiter.
QString line(const TfrTextExport::Row& row, QChar delimiter, double scaleX);

} // namespace frcsv
