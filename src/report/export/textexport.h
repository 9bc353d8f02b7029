#pragma once

#include "report/export/exportfilter.h"
#include "report/model/constants.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

// One text line of a page as the text-based filters keep it: where it
// starts, its text, the memo's font, fill colour, draw rectangle, the frame
// sides of this line and the memo's alignment value.
struct TfrTextRec {
    std::int32_t x = 0;
    QString text;
    QString fontName; // at most 31 characters
    std::int32_t fontSize = 0;
    std::uint16_t fontStyle = 0; // fsItalic, fsBold, fsUnderline, fsStrikeOut
    TfrColor fontColor = clBlack;
    std::uint16_t fontCharset = 0;
    TfrColor fillColor = clTransparent;
    TfrEdges rect;
    std::uint16_t frameTyp = 0;
    std::uint32_t alignment = 0;
    // Free for descendant filters (the HTML filter numbers its pictures).
    int tag = -1;
};

// The text export: every text line of every memo placed on a character grid
// derived from its position (6.5 report pixels a column, 14 a row, divided by
// the scales), optionally with frame lines drawn as plain or DOS box-drawing
// characters, optionally in the DOS code page (866), with a form feed after
// each page. The line table it fills (rows of records sorted by x) is what
// the CSV, HTML and RTF filters reuse.
class TfrTextExport : public TfrExportFilter {
public:
    // Rows a page starts with; the table grows on demand up to maxRows, and
    // text placed beyond (or above the page) is left out with a message.
    // (An A0 sheet at ten times the scale has about 3 300 rows.)
    static constexpr int initialRows = 201;
    static constexpr int maxRows = 1 << 14;
    // Columns a line may reach; text and frames beyond are left out.
    static constexpr int maxColumns = 1 << 12;

    QString className() const override { return QStringLiteral("TfrTextExport"); }
    QString description() const override;
    QString extension() const override { return QStringLiteral("*.txt"); }

    // Options (published properties).
    double scaleX = 1, scaleY = 1;
    bool killEmptyLines = true;
    bool convertToOEM = false;
    bool exportFrames = false;
    bool usePseudographic = false;
    bool pageBreaks = true;

    void onBeginPage() override;
    void onEndPage() override;
    void onText(const TfrExportLine& line) override;
    // With frames, a framed memo without text still gets its frame.
    void onData(std::int32_t x, std::int32_t y, const TfrView& view) override;

    // The line table of the current page.
    using Row = std::vector<TfrTextRec>;
    const std::vector<Row>& lines() const { return m_lines; }
    // Releases every record and empties the table.
    void clearLines() { m_lines.clear(); }

    // The page's output lines built from the line table as the text export
    // writes them, before the code page conversion: frame cells hold
    // frameCode(directions) characters, a page break is a line of "\f".
    QStringList pageLines();
    // A frame cell holding a set of line directions (up 1, right 2, down 4,
    // left 8), and the set a character holds (0 for other characters).
    static QChar frameCode(int directions) { return QChar(char16_t(0xE000 + directions)); }
    static int directionsOf(QChar ch) {
        return ch.unicode() >= 0xE001 && ch.unicode() <= 0xE00F ? ch.unicode() - 0xE000 : 0;
    }
    // The bytes of one output line: frame cells become box-drawing bytes or
    // plain characters, the rest code page 1251 or, converted, 866.
    QByteArray encodeLine(const QString& line) const;

protected:
    // The record of a text line (font and alignment of a memo; a right-aligned
    // line is placed by its rectangle's right edge).
    TfrTextRec makeRecord(const TfrExportLine& line) const;
    // The row of a y position under ScaleY; -1 outside 0..maxRows-1.
    int rowOf(std::int32_t y) const;
    // The column of an x position under ScaleX.
    std::int64_t columnOf(std::int64_t x) const;
    // Inserts a record into a row (the table grows as needed) before the
    // first record whose x is not less than its own; false when the row is
    // outside the table's bound.
    bool insertRecord(int row, TfrTextRec record);
    std::vector<Row>& table() { return m_lines; }
    // Counts text left out; the export's messages say so once per page.
    int m_dropped = 0;

private:
    void flushPendingFrame();

    std::vector<Row> m_lines;
    // The frame of the last framed memo, kept until a line of it comes. The
    // view is only compared with the lines' views while its page is exported.
    TfrTextRec m_pendingFrame;
    int m_pendingRow = -1;
    const TfrView* m_pendingView = nullptr;
};

// A text from code page 1251 characters to DOS code page 866 bytes;
// characters 866 lacks become "?".
QByteArray frToOem(QStringView text);
