#include "grid/gridexport.h"

#include "common/cp1251.h"
#include "common/exception.h"
#include "common/textfile.h"

#include <QIODevice>
#include <charconv>

// --- Stream ------------------------------------------------------------------

namespace {

[[noreturn]] void writeError(QIODevice* device, const QString& name) {
    throw Exception(textfile::TAtomicFile::writeErrorText(name, device->errorString()));
}

} // namespace

TExportStream::TExportStream(QIODevice* device, QString name)
    : m_device(device), m_name(std::move(name)), m_buffer(new char[Capacity]) {}

TExportStream::~TExportStream() = default;

void TExportStream::writeNumber(long long value) {
    char buf[24];
    const auto res = std::to_chars(buf, buf + sizeof buf, value);
    write(buf, std::size_t(res.ptr - buf));
}

void TExportStream::writeSlow(const char* data, std::size_t size) {
    flush();
    if (size >= Capacity) {
        if (m_device) {
            if (m_device->write(data, qint64(size)) != qint64(size))
                writeError(m_device, m_name);
        } else {
            m_memory.append(data, qsizetype(size));
        }
        return;
    }
    std::memcpy(m_buffer.get(), data, size);
    m_used = size;
}

void TExportStream::flush() {
    if (m_used == 0)
        return;
    if (m_device) {
        if (m_device->write(m_buffer.get(), qint64(m_used)) != qint64(m_used))
            writeError(m_device, m_name);
    } else {
        m_memory.append(m_buffer.get(), qsizetype(m_used));
    }
    m_used = 0;
}

// --- Base --------------------------------------------------------------------

TGridExport::TGridExport(const TGridRows& g, QString name) : fileName(std::move(name)), grid(&g) {}

TGridExport::~TGridExport() = default;

void TGridExport::execute() {
    if (grid->attached())
        check();
    textfile::TAtomicFile file(fileName);
    // Without an attached table the file stays empty.
    if (grid->attached()) {
        TExportStream stream(&file.device(), fileName);
        exportToStream(stream);
        stream.flush();
    }
    file.commit();
}

void TGridExport::exportToStream(TExportStream& stream) {
    out = &stream;
    writeAll();
    out = nullptr;
}

void TGridExport::writeAll() {
    columns = grid->visibleColumns();
    groups = grid->groupCount();
    begin();
    rowCounter = 0;
    header();
    const int n = grid->rowCount();
    for (int i = 0; i < n; ++i) {
        grid->prefetchRow(i + 16, false);
        grid->prefetchRow(i + 8, true);
        writeRow(i);
        ++rowCounter;
    }
    footer();
    end();
}

// --- Delimited text ----------------------------------------------------------

TGridExportText::TGridExportText(const TGridRows& g, QString name) : TGridExport(g, std::move(name)) {}

void TGridExportText::exportToStream(TExportStream& stream) {
    m_separator = cp1251::encode(separator);
    m_before = cp1251::encode(before);
    m_after = cp1251::encode(after);
    TGridExport::exportToStream(stream);
}

void TGridExportText::writeFlat(TExportStream& out, QByteArrayView text) {
    const char* p = text.data();
    const char* end = p + text.size();
    const char* run = p;
    for (; p != end; ++p) {
        if (static_cast<unsigned char>(*p) >= 0x20)
            continue;
        out.write(run, std::size_t(p - run));
        out.write(' ');
        run = p + 1;
    }
    out.write(run, std::size_t(end - run));
}

void TGridExportText::header() {
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (i)
            out->write(m_separator);
        writeFlat(*out, cp1251::encode(grid->column(columns[i]).caption));
    }
    out->write("\r\n\r\n", 4);
}

void TGridExportText::writeRow(int rowIndex) {
    const TGridRows::Row r = grid->row(rowIndex);
    if (r.isGroup) {
        writeFlat(*out, grid->groupTextBytes(r.index));
    } else {
        for (std::size_t i = 0; i < columns.size(); ++i) {
            if (i)
                out->write(m_separator);
            out->write(m_before);
            writeFlat(*out, grid->cellBytes(r.index, columns[i]));
            out->write(m_after);
        }
    }
    out->write("\r\n", 2);
}

// --- HTML --------------------------------------------------------------------

namespace {

QByteArray alignWord(TGridAlignment a) {
    switch (a) {
    case TGridAlignment::Right:
        return "RIGHT";
    case TGridAlignment::Center:
        return "CENTER";
    default:
        return "LEFT";
    }
}

QByteArray styleOpen(const TGridFont& f) {
    QByteArray s;
    if (f.bold)
        s += "<B>";
    if (f.italic)
        s += "<I>";
    if (f.underline)
        s += "<U>";
    if (f.strikeOut)
        s += "<STRIKE>";
    return s;
}

QByteArray styleClose(const TGridFont& f) {
    QByteArray s;
    if (f.strikeOut)
        s += "</STRIKE>";
    if (f.underline)
        s += "</U>";
    if (f.italic)
        s += "</I>";
    if (f.bold)
        s += "</B>";
    return s;
}

QByteArray styleLine(const char* cls, const TGridFont& f, const TGridColor& color) {
    return QByteArray(cls) + "{font-family: " + cp1251::encode(f.name) + "; font-size: " + QByteArray::number(f.size) +
           "pt; color: #" + color.hex() + "}\r\n";
}

} // namespace

TGridExportHTML::TGridExportHTML(const TGridRows& g, QString name) : TGridExport(g, std::move(name)) {}

void TGridExportHTML::writeEscaped(TExportStream& out, QByteArrayView text) {
    const char* p = text.data();
    const char* end = p + text.size();
    const char* run = p;
    for (; p != end; ++p) {
        const char c = *p;
        if (c != '&' && c != '<' && c != '>' && c != '"')
            continue;
        out.write(run, std::size_t(p - run));
        switch (c) {
        case '&':
            out.write("&amp;", 5);
            break;
        case '<':
            out.write("&lt;", 4);
            break;
        case '>':
            out.write("&gt;", 4);
            break;
        default:
            out.write("&quot;", 6);
            break;
        }
        run = p + 1;
    }
    out.write(run, std::size_t(end - run));
}

void TGridExportHTML::exportToStream(TExportStream& stream) {
    // The fixed pieces of every record cell, made once.
    const TGridAppearance& a = grid->appearance();
    m_indent = "<TD NOWRAP BGCOLOR=#" + a.groupColor.hex() + " WIDTH=10></TD>";
    m_cellOpen.clear();
    for (int c : grid->visibleColumns()) {
        const TGridColumn& col = grid->column(c);
        m_cellOpen.push_back("<TD NOWRAP ALIGN=\"" + alignWord(col.alignment) + "\" BGCOLOR=#" + col.color.hex() +
                             "><FONT STYLE=\"font-family: " + cp1251::encode(col.font.name) +
                             "; font-size: " + QByteArray::number(col.font.size) + "pt; color: #" +
                             col.font.color.hex() + "\">");
    }
    TGridExport::exportToStream(stream);
}

void TGridExportHTML::begin() {
    const TGridAppearance& a = grid->appearance();
    QByteArray s;
    s += "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 3.2//EN\">\r\n";
    s += "<HTML>\r\n";
    s += "<HEAD>\r\n";
    s += "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=windows-1251\">\r\n";
    out->write(s);
    out->write("<TITLE>", 7);
    writeEscaped(*out, cp1251::encode(a.name));
    s = "</TITLE> \r\n";
    s += "<STYLE>\r\n";
    s += "<!--\r\n";
    s += styleLine(".Band", a.bandFont, a.bandFont.color);
    s += styleLine(".Header", a.headerFont, a.headerFont.color);
    s += styleLine(".Footer", a.font, a.font.color);
    s += styleLine(".RowFooter", a.font, a.rowFooterTextColor);
    s += styleLine(".Group", a.font, a.groupTextColor);
    s += "-->\r\n";
    s += "</STYLE>\r\n";
    s += "</HEAD> \r\n";
    s += "<BODY BGCOLOR=#C0C0C0>\r\n";
    if (a.borderSingle)
        s += "<TABLE BORDER=1 CELLSPACING=0 CELLPADDING=1 BGCOLOR=#C0C0C0><TR><TD>\r\n";
    s += "<TABLE ";
    if (!a.gridLines)
        s += "BORDER=0 CELLSPACING=0 CELLPADDING=2";
    else if (a.look3D)
        s += "BORDER=1 CELLSPACING=0 CELLPADDING=1";
    else
        s += "BORDER=0 CELLSPACING=1 CELLPADDING=2";
    s += " BGCOLOR=#C0C0C0>\r\n";
    out->write(s);
}

void TGridExportHTML::header() {
    const TGridAppearance& a = grid->appearance();
    if (!a.showHeaders)
        return;
    out->write("<TR VALIGN=\"TOP\" class=\"Header\" BGCOLOR=#" + a.headerColor.hex() + ">");
    if (groups > 0)
        out->write("<TD NOWRAP WIDTH=10 COLSPAN=" + QByteArray::number(groups) + "></TD>");
    const QByteArray open = styleOpen(a.headerFont);
    const QByteArray close = styleClose(a.headerFont);
    for (int c : columns) {
        const TGridColumn& col = grid->column(c);
        out->write("<TD NOWRAP WIDTH=" + QByteArray::number(col.width) + " ALIGN=\"" +
                   alignWord(col.headerAlignment) + "\">");
        if (col.caption.isEmpty()) {
            out->write("&nbsp;", 6);
        } else {
            out->write(open);
            writeEscaped(*out, cp1251::encode(col.caption));
            out->write(close);
        }
        out->write("</TD>", 5);
    }
    out->write("</TR>\r\n", 7);
}

void TGridExportHTML::writeRow(int rowIndex) {
    const TGridAppearance& a = grid->appearance();
    const TGridRows::Row r = grid->row(rowIndex);
    if (r.isGroup) {
        out->write("<TR class=\"Group\" BGCOLOR=#" + a.groupColor.hex() + ">");
        for (int i = 0; i < r.level; ++i)
            out->write(m_indent);
        out->write("<TD NOWRAP ALIGN=\"LEFT\" COLSPAN=" +
                   QByteArray::number(qsizetype(columns.size()) + groups - r.level) + ">");
        const QByteArray text = grid->groupTextBytes(r.index);
        if (text.isEmpty()) {
            out->write("&nbsp;", 6);
        } else {
            out->write(styleOpen(a.font));
            writeEscaped(*out, text);
            out->write(styleClose(a.font));
        }
        out->write("</TD></TR>\r\n", 12);
        return;
    }
    out->write("<TR>", 4);
    for (int i = 0; i < groups; ++i)
        out->write(m_indent);
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const TGridColumn& col = grid->column(columns[i]);
        out->write(m_cellOpen[i]);
        const QByteArrayView text = grid->cellBytes(r.index, columns[i]);
        if (text.isEmpty()) {
            out->write("&nbsp;", 6);
        } else if (!col.font.bold && !col.font.italic && !col.font.underline && !col.font.strikeOut) {
            writeEscaped(*out, text);
        } else {
            out->write(styleOpen(col.font));
            writeEscaped(*out, text);
            out->write(styleClose(col.font));
        }
        out->write("</FONT></TD>", 12);
    }
    out->write("</TR>\r\n", 7);
}

void TGridExportHTML::end() {
    out->write("</TABLE>\r\n", 10);
    if (grid->appearance().borderSingle)
        out->write("</TD></TR></TABLE>\r\n", 20);
    out->write("</BODY>\r\n</HTML>\r\n", 18);
}

// --- Spreadsheet (BIFF4) -----------------------------------------------------

namespace {

// Formats of the cells.
constexpr int XfGroup = 23;  // group rows and indent cells
constexpr int XfHeader = 22; // header cells
constexpr int XfColumn = 29; // first column format

// Data bytes of the fixed formats 0 to 28; format 21 takes the border bytes.
constexpr unsigned char FixedXf[29][12] = {
    {0x00, 0x00, 0xF5, 0xFF, 0x20, 0x00, 0x00, 0xCE, 0x00, 0x00, 0x00, 0x00},
    {0x01, 0x00, 0xF5, 0xFF, 0x20, 0xF4, 0x00, 0xCE, 0x00, 0x00, 0x00, 0x00},
    {0x01, 0x00, 0xF5, 0xFF, 0x20, 0xF4, 0x00, 0xCE, 0x00, 0x00, 0x00, 0x00},
    {0x02, 0x00, 0xF5, 0xFF, 0x20, 0xF4, 0x00, 0xCE, 0x00, 0x00, 0x00, 0x00},
    {0x02, 0x00, 0xF5, 0xFF, 0x20, 0xF4, 0x00, 0xCE, 0x00, 0x00, 0x00, 0x00},
    {0x00, 0x00, 0xF5, 0xFF, 0x20, 0xF4, 0x00, 0xCE, 0x00, 0x00, 0x00, 0x00},
    {0x00, 0x00, 0xF5, 0xFF, 0x20, 0xF4, 0x00, 0xCE, 0x00, 0x00, 0x00, 0x00},
    {0x00, 0x00, 0xF5, 0xFF, 0x20, 0xF4, 0x00, 0xCE, 0x00, 0x00, 0x00, 0x00},
    {0x00, 0x00, 0xF5, 0xFF, 0x20, 0xF4, 0x00, 0xCE, 0x00, 0x00, 0x00, 0x00},
    {0x00, 0x00, 0xF5, 0xFF, 0x20, 0xF4, 0x00, 0xCE, 0x00, 0x00, 0x00, 0x00},
    {0x00, 0x00, 0xF5, 0xFF, 0x20, 0xF4, 0x00, 0xCE, 0x00, 0x00, 0x00, 0x00},
    {0x00, 0x00, 0xF5, 0xFF, 0x20, 0xF4, 0x00, 0xCE, 0x00, 0x00, 0x00, 0x00},
    {0x00, 0x00, 0xF5, 0xFF, 0x20, 0xF4, 0x00, 0xCE, 0x00, 0x00, 0x00, 0x00},
    {0x00, 0x00, 0xF5, 0xFF, 0x20, 0xF4, 0x00, 0xCE, 0x00, 0x00, 0x00, 0x00},
    {0x00, 0x00, 0xF5, 0xFF, 0x20, 0xF4, 0x00, 0xCE, 0x00, 0x00, 0x00, 0x00},
    {0x00, 0x00, 0x01, 0x00, 0x20, 0x00, 0x00, 0xCE, 0x00, 0x00, 0x00, 0x00},
    {0x01, 0x21, 0xF5, 0xFF, 0x20, 0xF8, 0x00, 0xCE, 0x00, 0x00, 0x00, 0x00},
    {0x01, 0x1F, 0xF5, 0xFF, 0x20, 0xF8, 0x00, 0xCE, 0x00, 0x00, 0x00, 0x00},
    {0x01, 0x20, 0xF5, 0xFF, 0x20, 0xF8, 0x00, 0xCE, 0x00, 0x00, 0x00, 0x00},
    {0x01, 0x1E, 0xF5, 0xFF, 0x20, 0xF8, 0x00, 0xCE, 0x00, 0x00, 0x00, 0x00},
    {0x01, 0x0D, 0xF5, 0xFF, 0x20, 0xF8, 0x00, 0xCE, 0x00, 0x00, 0x00, 0x00},
    {0x05, 0x00, 0x01, 0x00, 0x21, 0x78, 0x41, 0x03, 0x00, 0x00, 0x00, 0x00},
    {0x06, 0x00, 0x01, 0x00, 0x22, 0x78, 0x41, 0x02, 0x71, 0x71, 0x71, 0x71},
    {0x07, 0x00, 0x01, 0x00, 0x21, 0x78, 0xC1, 0x02, 0x00, 0x00, 0x00, 0x00},
    {0x05, 0x00, 0x01, 0x00, 0x22, 0x78, 0xC1, 0x02, 0xB9, 0xB9, 0xB9, 0xB9},
    {0x05, 0x00, 0x01, 0x00, 0x22, 0x78, 0xC1, 0x02, 0xB9, 0x00, 0xB9, 0x00},
    {0x08, 0x00, 0x01, 0x00, 0x22, 0x78, 0x41, 0x02, 0x71, 0x71, 0x71, 0x00},
    {0x09, 0x00, 0x01, 0x00, 0x21, 0x78, 0xC1, 0x02, 0xB9, 0xB9, 0xB9, 0xB9},
    {0x09, 0x00, 0x01, 0x00, 0x21, 0x78, 0xC1, 0x02, 0xB9, 0x00, 0xB9, 0x00},
};

// Integers that fit the 30-bit RK form.
constexpr std::int32_t RkMin = -(1 << 29);
constexpr std::int32_t RkMax = (1 << 29) - 1;

void writeFont(TExportStream& out, const TGridFont& f, int colour) {
    const QByteArray name = cp1251::encode(f.name).left(255);
    out.writeU16(0x0231);
    out.writeU16(std::uint16_t(7 + name.size()));
    out.writeU16(std::uint16_t(std::clamp(f.size * 20, 0, 0xFFFF)));
    out.writeU16(std::uint16_t((f.bold ? 1 : 0) | (f.italic ? 2 : 0) | (f.underline ? 4 : 0) | (f.strikeOut ? 8 : 0)));
    out.writeU16(std::uint16_t(colour));
    out.write(char(name.size()));
    out.write(name);
}

void writeColour(TExportStream& out, const TGridColor& c) {
    if (c.none) {
        out.writeU32(0);
        return;
    }
    out.write(char(c.red));
    out.write(char(c.green));
    out.write(char(c.blue));
    out.write(char(0));
}

} // namespace

TGridExportExcel::TGridExportExcel(const TGridRows& g, QString name) : TGridExport(g, std::move(name)) {}

void TGridExportExcel::check() {
    const int dataRows = grid->rowCount();
    const int maxDataRows = MaxRows - (grid->appearance().showHeaders ? 1 : 0);
    if (dataRows > maxDataRows)
        throw Exception(QStringLiteral("Выборка содержит %1 строк, а в файл MS-Excel можно записать не более %2 "
                                       "(%3 строк листа). Сохраните выборку в книге Excel (*.xlsx), в текстовом "
                                       "файле с разделителями или в файле HTML.")
                            .arg(dataRows)
                            .arg(maxDataRows)
                            .arg(MaxRows));
    const int cols = grid->groupCount() + int(grid->visibleColumns().size());
    // A column's font index (10 + column) is one byte in the format records.
    if (cols > MaxColumns || int(grid->visibleColumns().size()) > 255 - 10)
        throw Exception(QStringLiteral("Выборка содержит слишком много колонок для файла MS-Excel. "
                                       "Сохраните выборку в книге Excel (*.xlsx), в текстовом файле с "
                                       "разделителями или в файле HTML."));
}

void TGridExportExcel::begin() {
    const TGridAppearance& a = grid->appearance();
    static const unsigned char bof[] = {0x09, 0x04, 0x06, 0x00, 0x00, 0x00, 0x10, 0x00, 0x00, 0x00};
    out->write(reinterpret_cast<const char*>(bof), sizeof bof);
    // The code page of the texts, so that readers need not guess it: 1251.
    static const unsigned char codepage[] = {0x42, 0x00, 0x02, 0x00, 0xE3, 0x04};
    out->write(reinterpret_cast<const char*>(codepage), sizeof codepage);
    static const unsigned char guts[] = {0x80, 0x00, 0x08, 0x00, 0, 0, 0, 0, 0, 0, 0, 0};
    out->write(reinterpret_cast<const char*>(guts), sizeof guts);

    static const unsigned char palette[] = {0x92, 0x00, 0x36, 0x00, 0x0D, 0x00};
    out->write(reinterpret_cast<const char*>(palette), sizeof palette);
    for (const TGridColor* c : {&a.headerFont.color, &a.headerColor, &a.groupTextColor, &a.groupColor, &a.font.color,
                                &a.color, &a.windowFrameColor, &a.windowColor, &a.bandFont.color, &a.bandColor,
                                &a.rowFooterTextColor, &a.rowFooterColor, &a.gridLineColor})
        writeColour(*out, *c);

    static const unsigned char arial[] = {0x31, 0x02, 0x0C, 0x00, 0xC8, 0x00, 0x00, 0x00,
                                          0xFF, 0x7F, 0x05, 'A',  'r',  'i',  'a',  'l'};
    for (int i = 0; i < 4; ++i)
        out->write(reinterpret_cast<const char*>(arial), sizeof arial);
    writeFont(*out, a.font, 12);
    writeFont(*out, a.headerFont, 8);
    writeFont(*out, a.font, 10);
    writeFont(*out, a.bandFont, 16);
    writeFont(*out, a.font, 18);
    for (int c : columns)
        writeFont(*out, grid->column(c).font, 12);

    const unsigned char border = a.gridLines ? 0xA1 : 0x00;
    for (int i = 0; i < 29; ++i) {
        out->write("\x43\x04\x0C\x00", 4);
        unsigned char data[12];
        std::memcpy(data, FixedXf[i], 12);
        if (i == 21)
            std::memset(data + 8, border, 4);
        out->write(reinterpret_cast<const char*>(data), 12);
    }
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const TGridColumn& col = grid->column(columns[i]);
        out->write("\x43\x04\x0C\x00", 4);
        out->write(char(10 + i));
        out->write("\x00\x01\x00", 3);
        out->write(char(col.alignment == TGridAlignment::Right    ? 0x23
                        : col.alignment == TGridAlignment::Center ? 0x22
                                                                  : 0x21));
        out->write("\x78\x41\x03", 3);
        for (int k = 0; k < 4; ++k)
            out->write(char(border));
    }

    auto colInfo = [&](int column, int width) {
        out->write("\x7D\x00\x0C\x00", 4);
        out->writeU16(std::uint16_t(column));
        out->writeU16(std::uint16_t(column));
        out->writeU16(std::uint16_t(width));
        out->writeU16(15);
        out->writeU16(0);
        out->writeU16(0);
    };
    for (int g = 0; g < groups; ++g)
        colInfo(g, 400);
    for (std::size_t i = 0; i < columns.size(); ++i)
        colInfo(groups + int(i), int(std::clamp<long long>(36LL * grid->column(columns[i]).width, 0, 0xFFFF)));

    static const unsigned char dims[] = {0x00, 0x02, 0x0A, 0x00, 0x00, 0x00, 0xFF,
                                         0xFF, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00};
    out->write(reinterpret_cast<const char*>(dims), sizeof dims);
}

void TGridExportExcel::blank(int column, int format) {
    out->write("\x01\x02\x06\x00", 4);
    out->writeU16(std::uint16_t(rowCounter));
    out->writeU16(std::uint16_t(column));
    out->writeU16(std::uint16_t(format));
}

void TGridExportExcel::label(int column, int format, QByteArrayView text) {
    const qsizetype n = std::min<qsizetype>(text.size(), MaxLabel);
    out->write("\x04\x02", 2);
    out->writeU16(std::uint16_t(8 + n));
    out->writeU16(std::uint16_t(rowCounter));
    out->writeU16(std::uint16_t(column));
    out->writeU16(std::uint16_t(format));
    out->writeU16(std::uint16_t(n));
    out->write(text.data(), std::size_t(n));
}

void TGridExportExcel::integer(int column, int format, std::int32_t value) {
    if (value < RkMin || value > RkMax) {
        number(column, format, double(value));
        return;
    }
    out->write("\x7E\x02\x0A\x00", 4);
    out->writeU16(std::uint16_t(rowCounter));
    out->writeU16(std::uint16_t(column));
    out->writeU16(std::uint16_t(format));
    out->writeU32(std::uint32_t(value) * 4u + 2u);
}

void TGridExportExcel::number(int column, int format, double value) {
    out->write("\x03\x02\x0E\x00", 4);
    out->writeU16(std::uint16_t(rowCounter));
    out->writeU16(std::uint16_t(column));
    out->writeU16(std::uint16_t(format));
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    out->writeU32(std::uint32_t(bits));
    out->writeU32(std::uint32_t(bits >> 32));
}

void TGridExportExcel::header() {
    if (!grid->appearance().showHeaders)
        return;
    for (int g = 0; g < groups; ++g)
        blank(g, XfGroup);
    for (std::size_t i = 0; i < columns.size(); ++i)
        label(groups + int(i), XfHeader, cp1251::encode(grid->column(columns[i]).caption));
    ++rowCounter;
}

void TGridExportExcel::writeRow(int rowIndex) {
    const TGridRows::Row r = grid->row(rowIndex);
    if (r.isGroup) {
        for (int g = 0; g < groups; ++g) {
            if (g == r.level)
                label(g, XfGroup, grid->groupTextBytes(r.index));
            else
                blank(g, XfGroup);
        }
        for (std::size_t i = 0; i < columns.size(); ++i)
            blank(groups + int(i), XfGroup);
        return;
    }
    for (int g = 0; g < groups; ++g)
        blank(g, XfGroup);
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const int c = columns[i];
        const int column = groups + int(i);
        const int format = XfColumn + int(i);
        switch (grid->column(c).type) {
        case TFieldType::Integer:
            if (grid->cellIsNull(r.index, c))
                blank(column, format); // empty, as the other writers show it
            else
                integer(column, format, grid->cellInteger(r.index, c));
            break;
        case TFieldType::Float:
            if (grid->cellIsNull(r.index, c))
                blank(column, format);
            else
                number(column, format, grid->cellFloat(r.index, c));
            break;
        default:
            label(column, format, grid->cellBytes(r.index, c));
            break;
        }
    }
}

void TGridExportExcel::end() {
    out->write("\x0A\x00\x00\x00", 4);
}

// --- Functions ---------------------------------------------------------------

void ExportGridToText(const TGridRows& grid, const QString& fileName, bool allRows, const QString& separator,
                      const QString& before, const QString& after) {
    TGridExportText e(grid, fileName);
    e.allRows = allRows;
    e.separator = separator;
    e.before = before;
    e.after = after;
    e.execute();
}

void ExportGridToExcel(const TGridRows& grid, const QString& fileName, bool allRows) {
    TGridExportExcel e(grid, fileName);
    e.allRows = allRows;
    e.execute();
}

void ExportGridToHTML(const TGridRows& grid, const QString& fileName, bool allRows) {
    TGridExportHTML e(grid, fileName);
    e.allRows = allRows;
    e.execute();
}
