#pragma once

#include "report/export/textexport.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

// A Rich Text document of report pages. Each row becomes a paragraph whose
// texts sit on tab stops at their page positions, or a table row whose cells
// start there. Fonts and colours are numbered as they first occur; their
// tables go in front of the body, which is kept in memory until the end.
namespace frrtf {

struct TfrRtfOptions {
    double scaleX = 1.3;
    bool killEmptyLines = true;
    bool exportBitmaps = false;
    bool convertToTable = false;
    bool pageBreaks = true;
};

// A picture placed on a page: its object's place and size in report pixels,
// the picture's own size in pixels and the picture as a bitmap file.
struct TfrRtfPicture {
    std::int32_t x = 0, y = 0, width = 0, height = 0;
    std::int32_t pictureWidth = 0, pictureHeight = 0;
    QByteArray bitmap;
};

// Whether bytes are a bitmap file the picture group can carry: the "BM"
// signature, a header whose file size is the real size, room for the
// bitmap's own header.
bool isBitmapFile(const QByteArray& bytes);

// The group of one picture: an absolutely placed frame holding the bitmap
// inside a metafile of one stretch-bitmap record, all as hexadecimal text.
// scaleX is the document's horizontal scale. The bitmap must be a bitmap
// file (isBitmapFile).
QByteArray pictureGroup(const TfrRtfPicture& picture, double scaleX);

class TfrRtfDocument {
public:
    explicit TfrRtfDocument(const TfrRtfOptions& options = {});

    // What the file starts with: the document's code page (1251, the bytes
    // of every text) and its margins.
    static QByteArray header();

    // Twips of a horizontal page position: 20 per report pixel at scale 1.3.
    std::int32_t twips(std::int32_t x) const;

    // Adds a page: its pictures (when exported), then its rows from row 0 to
    // the last row with cells.
    void addPage(const std::vector<TfrTextExport::Row>& rows, const std::vector<TfrRtfPicture>& pictures = {});

    // What follows the header: the font table, the colour table and the body
    // closed with "\par}". The document is finished after it. Every font
    // names the Cyrillic character set (204), the one of the texts' bytes, so
    // that readers decode the letters under it.
    QByteArray finish();

    const QStringList& fonts() const { return m_fonts; }
    const std::vector<TfrColor>& colors() const { return m_colors; }

private:
    QByteArray rowBytes(const TfrTextExport::Row& row);
    int fontNumber(const QString& name);
    int colorNumber(TfrColor color);

    TfrRtfOptions m_options;
    QStringList m_fonts;
    std::vector<TfrColor> m_colors;
    QByteArray m_body;
    bool m_pageWritten = false;
};

} // namespace frrtf
