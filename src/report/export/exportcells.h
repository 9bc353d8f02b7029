#pragma once

#include "report/build/geometry.h"
#include "report/model/constants.h"

#include <QString>
#include <cstdint>
#include <vector>

// One positioned text of a row as the CSV, HTML and RTF writers see it: what
// a memo's text line brought (its x, text, font, fill, draw rectangle, frame
// sides and alignment).
struct TfrExportCell {
    std::int32_t x = 0;
    QString text;
    QString fontName;
    std::int32_t fontSize = 10;
    std::uint16_t fontStyle = 0; // fsItalic, fsBold, fsUnderline, fsStrikeOut
    TfrColor fontColor = clBlack;
    std::uint16_t fontCharset = 0;
    TfrColor fillColor = clTransparent;
    TfrEdges rect;
    std::uint16_t frameTyp = 0;
    std::uint32_t alignment = 0;
    // A picture of the HTML writer when not negative: text holds its file
    // name, rect its left, top, width and height.
    int tag = -1;
};

// The cells of one row in x order.
using TfrExportRow = std::vector<TfrExportCell>;
