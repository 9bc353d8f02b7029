#include "report/export/textexport.h"

#include "common/cp1251.h"
#include "common/exception.h"
#include "common/rounding.h"
#include "report/render/geometry.h"
#include "report/model/objects.h"

#include <QIODevice>
#include <algorithm>
#include <array>
#include <cstdint>

namespace {

constexpr double kColumnPixels = 6.5;
constexpr double kRowPixels = 14.0;

// Line directions of frame cells.
enum : int { dUp = 1, dRight = 2, dDown = 4, dLeft = 8 };
constexpr int kVertical = dUp | dDown, kHorizontal = dLeft | dRight;

// The characters of the direction sets: box-drawing bytes of code page 866
// and plain characters. Sets that are not one of the eleven are drawn as the
// nearest line ("|" or "-" for one direction).
struct FrameChar {
    int directions;
    unsigned char box;
    char plain;
};
constexpr std::array<FrameChar, 15> kFrameChars = {{
    {5, 0xB3, '|'},  {10, 0xC4, '-'}, {6, 0xDA, '+'},  {12, 0xBF, '+'}, {3, 0xC0, '+'},
    {9, 0xD9, '+'},  {11, 0xC1, '+'}, {7, 0xC3, '+'},  {14, 0xC2, '+'}, {13, 0xB4, '+'},
    {15, 0xC5, '+'}, {1, 0xB3, '|'},  {4, 0xB3, '|'},  {2, 0xC4, '-'},  {8, 0xC4, '-'},
}};

// Code page 866, bytes 0x80 to 0xFF.
constexpr std::array<char16_t, 128> kOem = {
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417, 0x0418, 0x0419, 0x041A, 0x041B, 0x041C,
    0x041D, 0x041E, 0x041F, 0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427, 0x0428, 0x0429,
    0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F, 0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436,
    0x0437, 0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F, 0x2591, 0x2592, 0x2593, 0x2502,
    0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510, 0x2514,
    0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F, 0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550,
    0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C,
    0x2588, 0x2584, 0x258C, 0x2590, 0x2580, 0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F, 0x0401, 0x0451, 0x0404, 0x0454, 0x0407,
    0x0457, 0x040E, 0x045E, 0x00B0, 0x2219, 0x00B7, 0x221A, 0x2116, 0x00A4, 0x25A0, 0x00A0,
};

char oemByte(QChar ch) {
    if (ch.unicode() < 0x80)
        return static_cast<char>(ch.unicode());
    for (std::size_t i = 0; i < kOem.size(); ++i)
        if (kOem[i] == ch.unicode())
            return static_cast<char>(0x80 + i);
    return '?';
}

bool onlyFrames(const QString& line) {
    for (QChar ch : line)
        if (ch != u' ' && !TfrTextExport::directionsOf(ch))
            return false;
    return true;
}

} // namespace

QByteArray frToOem(QStringView text) {
    QByteArray out;
    out.reserve(text.size());
    for (QChar ch : text)
        out += oemByte(ch);
    return out;
}

QString TfrTextExport::description() const { return QStringLiteral("Текстовый файл (*.txt)"); }

// ---------------------------------------------------------------- the line table

int TfrTextExport::rowOf(std::int32_t y) const {
    const double sy = scaleY > 0 ? scaleY : 1.0;
    const std::int64_t row = roundHalfEven64(y / (kRowPixels / sy));
    return row < 0 || row >= maxRows ? -1 : static_cast<int>(row);
}

std::int64_t TfrTextExport::columnOf(std::int64_t x) const {
    const double sx = scaleX > 0 ? scaleX : 1.0;
    return roundHalfEven64(x / (kColumnPixels / sx));
}

bool TfrTextExport::insertRecord(int row, TfrTextRec record) {
    if (row < 0 || row >= maxRows)
        return false;
    if (static_cast<std::size_t>(row) >= m_lines.size())
        m_lines.resize(static_cast<std::size_t>(row) + 1);
    Row& r = m_lines[static_cast<std::size_t>(row)];
    const auto at = std::find_if(r.begin(), r.end(), [&](const TfrTextRec& e) { return e.x >= record.x; });
    r.insert(at, std::move(record));
    return true;
}

TfrTextRec TfrTextExport::makeRecord(const TfrExportLine& line) const {
    TfrTextRec rec;
    rec.x = line.x;
    rec.text = line.text;
    if (const auto* memo = dynamic_cast<const TfrMemoView*>(line.view)) {
        rec.fontName = memo->font.name.left(31);
        rec.fontSize = memo->font.size;
        rec.fontStyle = memo->font.style;
        rec.fontColor = memo->font.color;
        rec.fontCharset = memo->font.charset;
        rec.alignment = memo->alignment;
        if (rec.alignment == frtaRight)
            rec.x = line.drawRect.right;
    }
    rec.rect = line.drawRect;
    rec.frameTyp = line.frameTyp;
    rec.fillColor = line.view->fillColor;
    return rec;
}

void TfrTextExport::onBeginPage() {
    clearLines();
    m_pendingView = nullptr;
    m_lines.resize(initialRows);
    m_dropped = 0;
}

void TfrTextExport::onData(std::int32_t, std::int32_t, const TfrView& view) {
    // A framed memo without text gives no line, yet its frame belongs to the
    // page (an empty cell of a table): an empty record carries it unless a
    // line of the memo comes.
    flushPendingFrame();
    const auto* memo = dynamic_cast<const TfrMemoView*>(&view);
    if (!exportFrames || !memo || !view.frameTyp)
        return;
    const TfrDrawGeometry g = frBeginDraw(view, frBoxOf(view), TfrDrawTransform{});
    auto sum = [](std::int64_t a, std::int64_t b) {
        return static_cast<std::int32_t>(std::clamp<std::int64_t>(a + b, INT32_MIN, INT32_MAX));
    };
    const TfrExportLine line{g.drawRect, sum(g.x, g.gapX), sum(g.y, g.gapY), &view, view.frameTyp, QString()};
    m_pendingFrame = makeRecord(line);
    m_pendingRow = rowOf(line.y);
    m_pendingView = &view;
}

void TfrTextExport::flushPendingFrame() {
    if (m_pendingView && !insertRecord(m_pendingRow, std::move(m_pendingFrame)))
        ++m_dropped;
    m_pendingView = nullptr;
}

void TfrTextExport::onText(const TfrExportLine& line) {
    if (!line.view)
        return;
    if (line.view == m_pendingView)
        m_pendingView = nullptr;
    if (!insertRecord(rowOf(line.y), makeRecord(line)))
        ++m_dropped;
}

// ---------------------------------------------------------------- the page's lines

namespace {

// Output lines with frame cells; cells count from 1.
class FrameCanvas {
public:
    explicit FrameCanvas(QStringList& lines) : m_lines(lines) {}

    // n copies of a direction set from cell b of line t (cells below 1 and
    // beyond the last column are left out).
    void draw(int t, std::int64_t b, std::int64_t n, int directions) {
        if (n <= 0)
            return;
        std::int64_t first = std::max<std::int64_t>(b, 1);
        const std::int64_t last = std::min<std::int64_t>(b + n - 1, TfrTextExport::maxColumns);
        if (first > last)
            return;
        QString& line = m_lines[t];
        const qsizetype want = static_cast<qsizetype>(last + 1);
        if (line.size() < want)
            line.append(QString(want - line.size(), u' '));
        for (std::int64_t cell = first; cell <= last; ++cell) {
            QChar& ch = line[static_cast<qsizetype>(cell - 1)];
            ch = TfrTextExport::frameCode(TfrTextExport::directionsOf(ch) | directions);
        }
    }

    // A horizontal border of a cell s..s+w-1 with corners where the side lines are.
    void border(int t, std::int64_t s, std::int64_t w, bool left, bool right, int leftCorner, int rightCorner) {
        std::int64_t b = s, n = w;
        if (left) {
            draw(t, s, 1, leftCorner);
            b = s + 1;
            n = w - 1;
        }
        if (right) {
            draw(t, s + w - 1, 1, rightCorner);
            --n;
        }
        draw(t, b, n, kHorizontal);
    }

private:
    QStringList& m_lines;
};

} // namespace

QStringList TfrTextExport::pageLines() {
    flushPendingFrame();
    QStringList out;
    int last = static_cast<int>(m_lines.size()) - 1;
    while (last >= 0 && m_lines[static_cast<std::size_t>(last)].empty())
        --last;
    FrameCanvas canvas(out);
    for (int r = 0; r <= last; ++r) {
        const Row& row = m_lines[static_cast<std::size_t>(r)];
        int t = static_cast<int>(out.size());
        QString text;
        std::int64_t col = 0;
        for (const TfrTextRec& rec : row) {
            std::int64_t c = columnOf(rec.x);
            if (rec.alignment == frtaRight) {
                c -= rec.text.size();
                // Inside a right frame line, so that the line does not hide the text's end.
                if (exportFrames && (rec.frameTyp & frftRight))
                    --c;
            }
            // Text left of the page starts at its edge; nothing goes beyond the last column.
            c = std::max<std::int64_t>(c, 0);
            if (std::max(c, col) + rec.text.size() > maxColumns) {
                ++m_dropped;
                continue;
            }
            if (c > col)
                text.append(QString(static_cast<qsizetype>(c - col), u' '));
            text += rec.text;
            col = c + rec.text.size();
        }
        if (exportFrames) {
            for (const TfrTextRec& rec : row) {
                if (!rec.frameTyp)
                    continue;
                const std::int64_t s = columnOf(rec.rect.left);
                // The last pixel inside the rectangle (its right edge is the
                // next cell's left edge), so that neighbours share one line.
                const std::int64_t w = columnOf(std::int64_t(rec.rect.right) - 1) - s + 1;
                const bool left = rec.frameTyp & frftLeft, right = rec.frameTyp & frftRight;
                if (rec.frameTyp & frftTop) {
                    if (t > 0) {
                        if (!onlyFrames(out[t - 1])) {
                            out << QString();
                            t = static_cast<int>(out.size());
                        }
                    } else {
                        // Nothing above the text's line (no lines yet, or only
                        // this row's own side lines): a line before it.
                        out.prepend(QString());
                        t = 1;
                    }
                    canvas.border(t - 1, s, w, left, right, dRight | dDown, dDown | dLeft);
                }
                if (rec.frameTyp & frftBottom) {
                    if (t == static_cast<int>(out.size())) {
                        out << QString();
                        t = static_cast<int>(out.size()) - 1;
                        out << QString();
                    } else if (t == static_cast<int>(out.size()) - 1) {
                        out << QString();
                    }
                    canvas.border(t + 1, s, w, left, right, dUp | dRight, dUp | dLeft);
                }
                if (left || right) {
                    if (t >= static_cast<int>(out.size())) {
                        out << QString();
                        t = static_cast<int>(out.size()) - 1;
                    }
                    if (left)
                        canvas.draw(t, s, 1, kVertical);
                    if (right)
                        canvas.draw(t, s + w - 1, 1, kVertical);
                }
            }
        }
        if (killEmptyLines && row.empty())
            continue;
        if (t >= static_cast<int>(out.size())) {
            out << text;
        } else {
            QString& line = out[t];
            for (qsizetype i = 0; i < text.size(); ++i) {
                if (i >= line.size())
                    line.append(text[i]);
                else if (line[i] == u' ')
                    line[i] = text[i];
            }
        }
    }
    if (pageBreaks)
        out << QStringLiteral("\f");
    return out;
}

QByteArray TfrTextExport::encodeLine(const QString& line) const {
    QByteArray bytes;
    bytes.reserve(line.size() + 2);
    for (QChar ch : line) {
        if (const int d = directionsOf(ch)) {
            for (const FrameChar& f : kFrameChars)
                if (f.directions == d) {
                    bytes += usePseudographic ? static_cast<char>(f.box) : f.plain;
                    break;
                }
        } else {
            bytes += convertToOEM ? oemByte(ch) : static_cast<char>(cp1251::toByte(ch));
        }
    }
    return bytes;
}

void TfrTextExport::onEndPage() {
    const QStringList out = pageLines();
    QByteArray bytes;
    for (const QString& line : out) {
        bytes += encodeLine(line);
        bytes += "\r\n";
    }
    if (stream().write(bytes) != bytes.size())
        throw Exception(stream().errorString());
    if (m_dropped > 0)
        messages << QStringLiteral("Страница %1: %2 строк(и) текста вне страницы не записаны").arg(pageNo() + 1).arg(m_dropped);
    clearLines();
}
