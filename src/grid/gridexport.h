#pragma once

#include "grid/gridrows.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

class QIODevice;

// Output of a writer: bytes gathered in a large buffer and handed to the device
// in big blocks (or kept in memory when there is no device).
class TExportStream {
public:
    // name: the file as messages name it.
    explicit TExportStream(QIODevice* device = nullptr, QString name = QString());
    ~TExportStream();
    TExportStream(const TExportStream&) = delete;
    TExportStream& operator=(const TExportStream&) = delete;

    void write(const char* data, std::size_t size) {
        if (size == 0)
            return;
        if (size > Capacity - m_used) {
            writeSlow(data, size);
            return;
        }
        std::memcpy(m_buffer.get() + m_used, data, size);
        m_used += size;
    }
    void write(QByteArrayView bytes) { write(bytes.data(), std::size_t(bytes.size())); }
    void write(char c) {
        if (m_used == Capacity)
            flush();
        m_buffer[m_used++] = c;
    }
    void writeNumber(long long value);
    void writeU16(std::uint16_t v) {
        write(char(v & 0xFF));
        write(char(v >> 8));
    }
    void writeU32(std::uint32_t v) {
        writeU16(std::uint16_t(v & 0xFFFF));
        writeU16(std::uint16_t(v >> 16));
    }
    // Hands the buffered bytes to the device; throws Exception on a write error.
    void flush();
    // Everything written, when the stream has no device.
    const QByteArray& bytes() const { return m_memory; }

private:
    static constexpr std::size_t Capacity = std::size_t(1) << 20;
    void writeSlow(const char* data, std::size_t size);

    QIODevice* m_device;
    QString m_name;
    std::unique_ptr<char[]> m_buffer;
    std::size_t m_used = 0;
    QByteArray m_memory;
};

// Base of the grid writers. execute() writes the grid's rows into the file
// through a temporary file beside it that replaces the target only when all was
// written, so a failed save never destroys an existing file.
class TGridExport {
public:
    TGridExport(const TGridRows& grid, QString fileName);
    virtual ~TGridExport();

    QString fileName;
    const TGridRows* grid;
    // Every row (true) or only the selected ones; the grid model keeps no
    // selection, so both write every row.
    bool allRows = true;
    // Rows written so far (a header row counts).
    int rowCounter = 0;

    virtual void begin() {}
    virtual void end() {}
    virtual void header() {}
    virtual void footer() {}
    virtual void writeRow(int row) = 0;
    // Creates the file, writes it and replaces the target. "Cannot create file %s"
    // when the file cannot be created.
    virtual void execute();
    // Writes the whole grid into a stream: begin, header, rows, footer, end.
    virtual void exportToStream(TExportStream& stream);

protected:
    // Refuses a grid the format cannot hold, before anything is written.
    virtual void check() {}
    // Takes the visible columns and the grouping, then: begin, header, rows,
    // footer, end.
    void writeAll();

    TExportStream* out = nullptr;
    std::vector<int> columns; // visible columns in display order
    int groups = 0;           // grouped-column count
};

// Delimited text: the captions, an empty line, then one line per row. A tab,
// CR, LF or other control character inside a caption, group text or value is
// written as a blank, so that the lines and columns of the file stay as laid
// out (and the texts are those of the Excel workbook, which cannot hold them).
class TGridExportText : public TGridExport {
public:
    TGridExportText(const TGridRows& grid, QString fileName);

    QString separator = QStringLiteral("\t");
    QString before;
    QString after;

    void header() override;
    void writeRow(int row) override;
    void exportToStream(TExportStream& stream) override;

    // Writes a text with every control character (below 0x20) as a blank.
    static void writeFlat(TExportStream& out, QByteArrayView text);

private:
    QByteArray m_separator, m_before, m_after;
};

// An HTML page with one table.
class TGridExportHTML : public TGridExport {
public:
    TGridExportHTML(const TGridRows& grid, QString fileName);

    void begin() override;
    void end() override;
    void header() override;
    void writeRow(int row) override;
    void exportToStream(TExportStream& stream) override;

    // Writes a text with "&", "<", ">" and the double quote as entities.
    static void writeEscaped(TExportStream& out, QByteArrayView text);

private:
    std::vector<QByteArray> m_cellOpen; // per visible column: up to the text
    QByteArray m_cellClose;
    QByteArray m_indent;
};

// An Excel 4.0 worksheet (BIFF4).
class TGridExportExcel : public TGridExport {
public:
    TGridExportExcel(const TGridRows& grid, QString fileName);

    // Rows (the header row included) that readers of this format take: the
    // row limit of the format's generation. Larger selections go to XLSX.
    static constexpr int MaxRows = 16384;
    static constexpr int MaxColumns = 256;
    // Labels longer than this are cut.
    static constexpr int MaxLabel = 255;

    void begin() override;
    void end() override;
    void header() override;
    void writeRow(int row) override;

protected:
    void check() override;

private:
    void blank(int column, int format);
    void label(int column, int format, QByteArrayView text);
    void integer(int column, int format, std::int32_t value);
    void number(int column, int format, double value);
};

// An Excel workbook (Office Open XML), written row by row without holding the
// sheet in memory: the columns, captions and widths of the grid, numbers as
// numbers, group rows in bold with the sheet's outline levels, so that the
// groups fold in the spreadsheet program.
class TGridExportXlsx : public TGridExport {
public:
    TGridExportXlsx(const TGridRows& grid, QString fileName);
    ~TGridExportXlsx() override;

    // Rows and columns of one sheet, and the deepest outline level.
    static constexpr int MaxRows = 1048576;
    static constexpr int MaxColumns = 16384;
    static constexpr int MaxOutlineLevel = 7;

    void execute() override;
    void begin() override;
    void header() override;
    void writeRow(int row) override;

protected:
    void check() override;

private:
    struct Book;
    std::unique_ptr<Book> m_book;
};

// Each creates the writer, sets its fields and runs it.
void ExportGridToText(const TGridRows& grid, const QString& fileName, bool allRows, const QString& separator,
                      const QString& before, const QString& after);
void ExportGridToExcel(const TGridRows& grid, const QString& fileName, bool allRows);
void ExportGridToHTML(const TGridRows& grid, const QString& fileName, bool allRows);
void ExportGridToXlsx(const TGridRows& grid, const QString& fileName, bool allRows);
