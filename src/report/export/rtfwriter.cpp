#include "report/export/rtfwriter.h"

#include "common/rounding.h"
#include "richtext/rtfwriter.h"

#include <QtEndian>

#include <algorithm>
#include <cmath>

namespace frrtf {

namespace {

constexpr char crlf[] = "\r\n";
// Longest line of the font and colour tables.
constexpr qsizetype maxTableLine = 254;
// Longest font name a text record keeps.
constexpr qsizetype maxFontName = 31;
constexpr qsizetype bitmapFileHeader = 14;
constexpr qsizetype bitmapInfoHeader = 40;

QByteArray num(long long n) { return QByteArray::number(n); }

// n as little-endian hexadecimal, `bytes` bytes, upper-case digits.
QByteArray littleHex(std::uint32_t n, int bytes) {
    QByteArray s;
    for (int i = 0; i < bytes; ++i)
        s += QByteArray::number((n >> (8 * i)) & 0xFF, 16).toUpper().rightJustified(2, '0');
    return s;
}

// A table "{\name" entries "}" CRLF whose lines never exceed maxTableLine.
QByteArray wrappedTable(const QByteArray& opening, const std::vector<QByteArray>& entries) {
    QByteArray out;
    QByteArray line = opening;
    auto append = [&](const QByteArray& piece) {
        if (line.size() + piece.size() > maxTableLine) {
            out += line + crlf;
            line = piece;
        } else {
            line += piece;
        }
    };
    for (const QByteArray& e : entries)
        append(e);
    append(QByteArrayLiteral("}"));
    out += line + crlf;
    return out;
}

} // namespace

bool isBitmapFile(const QByteArray& bytes) {
    if (bytes.size() < bitmapFileHeader + bitmapInfoHeader || !bytes.startsWith("BM"))
        return false;
    return qFromLittleEndian<quint32>(bytes.constData() + 2) == quint32(bytes.size());
}

QByteArray pictureGroup(const TfrRtfPicture& p, double scaleX) {
    const TfrRtfDocument geometry(TfrRtfOptions{.scaleX = scaleX});
    QByteArray s;
    s += "\\pard\\phmrg\\posx" + num(geometry.twips(p.x)) + "\\posy" + num(roundHalfEven(p.y * 20 / 1.3)) + "\\absh" +
         num(std::int64_t(p.height) * 20) + "\\absw" + num(std::int64_t(p.width) * 20) + "{\\pict\\wmetafile8\\picw" +
         num(roundHalfEven64(p.width * 26.46875)) + "\\pich" + num(roundHalfEven64(p.height * 26.46875)) +
         " \\picbmp\\picbpp4" + crlf;
    const std::uint32_t size = qFromLittleEndian<quint32>(p.bitmap.constData() + 2);
    const std::uint32_t v = size / 2 + 7;
    const QByteArray pw = littleHex(std::uint32_t(p.pictureWidth) & 0xFFFF, 2);
    const QByteArray ph = littleHex(std::uint32_t(p.pictureHeight) & 0xFFFF, 2);
    s += "010009000003" + littleHex(v + 36, 4) + "0000" + littleHex(v, 4) + "0000050000000b0200000000050000000c02" +
         ph + pw + "05000000090200000000050000000102ffffff000400000007010300" + littleHex(v, 4) + "430f2000cc000000" +
         ph + pw + "00000000" + ph + pw + "00000000" + crlf;
    const QByteArray data = p.bitmap.mid(bitmapFileHeader).toHex().toUpper();
    for (qsizetype i = 0; i < data.size(); i += 128) {
        s += data.mid(i, 128);
        if (i + 128 <= data.size())
            s += crlf;
    }
    s += "030000000000}\\par";
    s += crlf;
    return s;
}

TfrRtfDocument::TfrRtfDocument(const TfrRtfOptions& options) : m_options(options) {}

QByteArray TfrRtfDocument::header() {
    return QByteArrayLiteral("{\\rtf1\\ansi\\ansicpg1251\r\n\\margl600\\margr600\\margt600\\margb600\r\n");
}

std::int32_t TfrRtfDocument::twips(std::int32_t x) const {
    const double sx = m_options.scaleX > 0 && std::isfinite(m_options.scaleX) ? m_options.scaleX : 1.0;
    return roundHalfEven(x / (1.3 / sx) * 20);
}

int TfrRtfDocument::fontNumber(const QString& name) {
    const QString n = name.left(maxFontName);
    qsizetype i = m_fonts.indexOf(n);
    if (i < 0) {
        i = m_fonts.size();
        m_fonts.append(n);
    }
    return int(i);
}

int TfrRtfDocument::colorNumber(TfrColor color) {
    auto it = std::find(m_colors.begin(), m_colors.end(), color);
    if (it == m_colors.end())
        it = m_colors.insert(m_colors.end(), color);
    return int(it - m_colors.begin()) + 1;
}

QByteArray TfrRtfDocument::rowBytes(const TfrTextExport::Row& row) {
    const bool table = m_options.convertToTable;
    if (row.empty())
        return m_options.killEmptyLines ? QByteArray() : QByteArrayLiteral("{\\pard \\par}\r\n");
    QByteArray prefix = table ? QByteArrayLiteral("\\trowd \\trgaph108") : QByteArrayLiteral("\\pard");
    QByteArray body;
    // What the previous text of the row set; nothing before the first.
    const QString* lastFont = nullptr;
    std::int64_t lastSize = -1, lastColor = -1;
    int lastStyle = -1;
    std::int32_t rightEdge = 0;
    for (std::size_t i = 0; i < row.size(); ++i) {
        const TfrTextRec& c = row[i];
        if (!table) {
            if (c.alignment == frtaRight)
                prefix += "\\tqr";
            prefix += "\\tx" + num(twips(c.x));
        } else if (i > 0) {
            prefix += "\\cellx" + num(twips(c.x));
        }
        TfrColor color = c.fontColor;
        if (color == clWhite || frcolor::isTransparent(color))
            color = clBlack;
        else if (frcolor::isSystem(color))
            color = frcolor::resolve(color) & 0xFFFFFF;
        QByteArray format;
        if (table || !lastFont || *lastFont != c.fontName)
            format += "\\f" + num(fontNumber(c.fontName));
        if (table || lastSize != c.fontSize)
            format += "\\fs" + num(std::int64_t(c.fontSize) * 2);
        if (table || lastStyle != c.fontStyle) {
            // A bit the previous text had and this one lacks is turned off,
            // or the text would keep the previous style.
            const int before = lastStyle < 0 ? 0 : lastStyle;
            static constexpr struct {
                std::uint16_t bit;
                const char *on, *off;
            } words[] = {{fsItalic, "\\i", "\\i0"}, {fsBold, "\\b", "\\b0"}, {fsUnderline, "\\ul", "\\ul0"}};
            for (const auto& w : words) {
                if (c.fontStyle & w.bit)
                    format += w.on;
                else if (!table && (before & w.bit))
                    format += w.off;
            }
        }
        if (table || lastColor != color)
            format += "\\cf" + num(colorNumber(color));
        lastFont = &c.fontName;
        lastSize = c.fontSize;
        lastStyle = c.fontStyle;
        lastColor = color;
        const QByteArray text = richtext::escape(c.text);
        if (table)
            body += "{" + format + " " + text + "}\\cell ";
        else
            body += "\\tab" + format + " " + text;
        rightEdge = twips(c.rect.right);
    }
    if (table)
        return prefix + "\\cellx" + num(rightEdge) + " \\trleft" + num(twips(row.front().x)) + " \\pard \\intbl " +
               body + "\\pard \\intbl \\row" + crlf;
    return prefix + "{" + body + "\\par}" + crlf;
}

void TfrRtfDocument::addPage(const std::vector<TfrTextExport::Row>& rows, const std::vector<TfrRtfPicture>& pictures) {
    if (m_pageWritten && m_options.pageBreaks)
        m_body += "\\page\r\n";
    if (m_options.exportBitmaps)
        for (const TfrRtfPicture& p : pictures)
            if (isBitmapFile(p.bitmap))
                m_body += pictureGroup(p, m_options.scaleX);
    for (const TfrTextExport::Row& row : rows)
        m_body += rowBytes(row);
    if (m_options.convertToTable)
        m_body += "\\pard\r\n";
    m_pageWritten = true;
}

QByteArray TfrRtfDocument::finish() {
    std::vector<QByteArray> fonts;
    for (qsizetype i = 0; i < m_fonts.size(); ++i)
        fonts.push_back("{\\f" + num(i) + "\\fcharset204 " + richtext::escape(m_fonts[i]) + "}");
    std::vector<QByteArray> colors;
    for (TfrColor c : m_colors)
        colors.push_back("\\red" + num(c & 0xFF) + "\\green" + num((c >> 8) & 0xFF) + "\\blue" +
                         num((c >> 16) & 0xFF) + ";");
    QByteArray out = wrappedTable(QByteArrayLiteral("{\\fonttbl"), fonts);
    out += wrappedTable(QByteArrayLiteral("{\\colortbl;"), colors);
    out += m_body;
    out += "\\par}";
    m_body.clear();
    return out;
}

} // namespace frrtf
