// The Excel workbook writer (Office Open XML through libxlsxwriter).

#include "grid/gridexport.h"

#include "common/cp1251.h"
#include "common/exception.h"
#include "common/textfile.h"

#include <QFile>
#include <QFileInfo>
#include <xlsxwriter.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <string>

namespace {

// Texts the user sees.
namespace msg {
const char16_t* const TooManyRows = u"Выборка содержит %1 строк, а на лист книги Excel можно записать не более %2. "
                                    u"Сохраните выборку в текстовом файле с разделителями.";
const char16_t* const TooManyColumns = u"Выборка содержит слишком много колонок для книги Excel (более %1). "
                                       u"Сохраните выборку в текстовом файле с разделителями.";
const char16_t* const Failed = u"Ошибка записи книги Excel %1: %2";
const char16_t* const SheetName = u"Выборка";
} // namespace msg

QString text(const char16_t* s) { return QString::fromUtf16(s); }

// UTF-8 of every code page 1251 byte.
struct TUtf8Table {
    std::array<std::array<char, 3>, 256> bytes{};
    std::array<std::uint8_t, 256> length{};

    TUtf8Table() {
        for (int b = 0; b < 256; ++b) {
            const QByteArray u = QString(cp1251::toChar(static_cast<unsigned char>(b))).toUtf8();
            length[std::size_t(b)] = std::uint8_t(u.size());
            std::copy(u.begin(), u.end(), bytes[std::size_t(b)].begin());
        }
    }
};

const TUtf8Table& utf8Table() {
    static const TUtf8Table table;
    return table;
}

// Column width in characters of the sheet from grid pixels, the same measure
// as the spreadsheet writer's (1/256 character = pixels × 36).
double widthInChars(int pixels) { return std::max(1.0, pixels * 36.0 / 256.0); }

// Look of a cell format.
struct TCellLook {
    TGridFont font;
    bool bold = false;
    TGridAlignment alignment = TGridAlignment::Left;
    bool aligned = false; // alignment given
    bool operator==(const TCellLook&) const = default;
};

lxw_format* newFormat(lxw_workbook* book, const TCellLook& look) {
    lxw_format* f = workbook_add_format(book);
    const QByteArray name = look.font.name.toUtf8();
    format_set_font_name(f, name.constData());
    format_set_font_size(f, std::clamp(look.font.size, 1, 409));
    if (look.bold || look.font.bold)
        format_set_bold(f);
    if (look.font.italic)
        format_set_italic(f);
    if (look.font.underline)
        format_set_underline(f, LXW_UNDERLINE_SINGLE);
    if (look.font.strikeOut)
        format_set_font_strikeout(f);
    if (look.aligned)
        format_set_align(f, look.alignment == TGridAlignment::Right    ? LXW_ALIGN_RIGHT
                            : look.alignment == TGridAlignment::Center ? LXW_ALIGN_CENTER
                                                                       : LXW_ALIGN_LEFT);
    return f;
}

} // namespace

struct TGridExportXlsx::Book {
    lxw_workbook* workbook = nullptr;
    lxw_worksheet* sheet = nullptr;
    lxw_format* headerFormat = nullptr;
    lxw_format* groupFormat = nullptr;
    std::vector<lxw_format*> columnFormats;
    // One format per look: the library looks a format up by its contents at
    // every cell until the format is known as its own, which a second format
    // of the same look never becomes.
    std::vector<std::pair<TCellLook, lxw_format*>> formats;
    std::string utf8; // a text being written
    lxw_error error = LXW_NO_ERROR;

    // Writing the workbook happens on close; a book not closed by the writer
    // (an error on the way) is closed here, into the temporary file that is
    // then thrown away.
    ~Book() {
        if (workbook)
            workbook_close(workbook);
    }
    lxw_error close() {
        lxw_workbook* w = workbook;
        workbook = nullptr;
        return workbook_close(w);
    }

    lxw_format* format(const TCellLook& look) {
        for (const auto& [l, f] : formats)
            if (l == look)
                return f;
        formats.emplace_back(look, newFormat(workbook, look));
        return formats.back().second;
    }

    void check(lxw_error e) {
        if (e != LXW_NO_ERROR && error == LXW_NO_ERROR)
            error = e;
    }

    // The code page 1251 text as a zero-terminated UTF-8 text.
    const char* toUtf8(QByteArrayView text) {
        const TUtf8Table& t = utf8Table();
        utf8.clear();
        for (const char c : text) {
            const auto b = static_cast<unsigned char>(c);
            if (b < 0x80) {
                // Most control characters cannot stand in the sheet's XML;
                // all of them are blanks, as in the delimited text.
                utf8.push_back(b < 0x20 ? ' ' : c);
            } else {
                utf8.append(t.bytes[b].data(), t.length[b]);
            }
        }
        return utf8.c_str();
    }

    void label(int row, int column, QByteArrayView text, lxw_format* format) {
        if (text.isEmpty())
            check(worksheet_write_blank(sheet, lxw_row_t(row), lxw_col_t(column), format));
        else
            check(worksheet_write_string(sheet, lxw_row_t(row), lxw_col_t(column), toUtf8(text), format));
    }
};

TGridExportXlsx::TGridExportXlsx(const TGridRows& g, QString name) : TGridExport(g, std::move(name)) {}

TGridExportXlsx::~TGridExportXlsx() = default;

void TGridExportXlsx::check() {
    const long long rows = grid->rowCount() + (grid->appearance().showHeaders ? 1 : 0);
    if (rows > MaxRows)
        throw Exception(text(msg::TooManyRows).arg(rows).arg(MaxRows));
    const long long cols = grid->groupCount() + static_cast<long long>(grid->visibleColumns().size());
    if (cols > MaxColumns)
        throw Exception(text(msg::TooManyColumns).arg(MaxColumns));
}

void TGridExportXlsx::execute() {
    if (grid->attached())
        check();
    textfile::TAtomicFile file(fileName);
    file.closeDevice();
    m_book = std::make_unique<Book>();
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.use_zip64 = LXW_TRUE;
    // The library keeps the rows in temporary files until it packs them, and
    // does not notice when writing those fails: they go beside the target, so
    // that a disk that fills up fails the packing too, which it does notice.
    QByteArray tmpdir = QFile::encodeName(QFileInfo(file.temporaryPath()).absolutePath());
    options.tmpdir = tmpdir.data();
    const QByteArray path = QFile::encodeName(file.temporaryPath());
    m_book->workbook = workbook_new_opt(path.constData(), &options);
    if (!m_book->workbook)
        throw Exception(QStringLiteral("Cannot create file %1").arg(fileName));
    m_book->sheet = workbook_add_worksheet(m_book->workbook, text(msg::SheetName).toUtf8().constData());
    if (grid->attached())
        writeAll();
    errno = 0;
    if (m_book->error == LXW_NO_ERROR)
        m_book->error = m_book->close();
    const int systemError = errno;
    const lxw_error error = m_book->error;
    m_book.reset();
    if (error != LXW_NO_ERROR) {
        QString reason = QString::fromUtf8(lxw_strerror(error));
        // The system's reason, when the library's failure came from it.
        if (systemError != 0)
            reason += QStringLiteral(" (") + qt_error_string(systemError) + u')';
        throw Exception(text(msg::Failed).arg(fileName, reason));
    }
    file.commit();
}

void TGridExportXlsx::begin() {
    Book& b = *m_book;
    const TGridAppearance& a = grid->appearance();
    b.headerFormat = b.format(TCellLook{a.headerFont});
    b.groupFormat = b.format(TCellLook{a.font, true});
    b.columnFormats.clear();
    for (int c : columns) {
        const TGridColumn& col = grid->column(c);
        b.columnFormats.push_back(b.format(TCellLook{col.font, false, col.alignment, true}));
    }
    // Group rows stand above their members.
    worksheet_outline_settings(b.sheet, LXW_TRUE, LXW_FALSE, LXW_TRUE, LXW_FALSE);
    for (int g = 0; g < groups; ++g)
        b.check(worksheet_set_column(b.sheet, lxw_col_t(g), lxw_col_t(g), 400 / 256.0, nullptr));
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const lxw_col_t c = lxw_col_t(groups + int(i));
        b.check(worksheet_set_column(b.sheet, c, c, widthInChars(grid->column(columns[i]).width), nullptr));
    }
}

void TGridExportXlsx::header() {
    if (!grid->appearance().showHeaders)
        return;
    Book& b = *m_book;
    for (std::size_t i = 0; i < columns.size(); ++i)
        b.label(rowCounter, groups + int(i), cp1251::encode(grid->column(columns[i]).caption), b.headerFormat);
    ++rowCounter;
}

void TGridExportXlsx::writeRow(int rowIndex) {
    Book& b = *m_book;
    const TGridRows::Row r = grid->row(rowIndex);
    const auto row = lxw_row_t(rowCounter);
    if (r.level > 0) {
        lxw_row_col_options level{};
        level.level = std::uint8_t(std::min(r.level, MaxOutlineLevel));
        b.check(worksheet_set_row_opt(b.sheet, row, LXW_DEF_ROW_HEIGHT, nullptr, &level));
    }
    if (r.isGroup) {
        b.label(rowCounter, r.level, grid->groupTextBytes(r.index), b.groupFormat);
        return;
    }
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const int c = columns[i];
        const auto column = lxw_col_t(groups + int(i));
        lxw_format* format = b.columnFormats[i];
        const TFieldType type = grid->column(c).type;
        if (type == TFieldType::String) {
            b.label(rowCounter, int(column), grid->cellBytes(r.index, c), format);
        } else if (grid->cellIsNull(r.index, c)) {
            b.check(worksheet_write_blank(b.sheet, row, column, format));
        } else {
            const double v = type == TFieldType::Integer ? double(grid->cellInteger(r.index, c))
                                                          : grid->cellFloat(r.index, c);
            b.check(worksheet_write_number(b.sheet, row, column, v, format));
        }
    }
}

void ExportGridToXlsx(const TGridRows& grid, const QString& fileName, bool allRows) {
    TGridExportXlsx e(grid, fileName);
    e.allRows = allRows;
    e.execute();
}
