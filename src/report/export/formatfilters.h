#pragma once

#include "report/export/rtfwriter.h"
#include "report/export/textexport.h"

#include <QByteArray>
#include <QChar>
#include <QString>
#include <memory>
#include <vector>

// Base of the filters that write the line table row by row (CSV, HTML,
// RTF): the rows of the current page up to the last one with texts, the
// output, and the note about texts left out of the table.
class TfrRowExport : public TfrTextExport {
protected:
    // The rows from 0 to the last one holding records (none for an empty page).
    std::vector<Row> pageRows() const;
    // Writes bytes to the export's output; throws Exception when it fails.
    void write(const QByteArray& bytes);
    // Adds the page's note about texts the line table could not hold.
    void noteDropped();
};

// Delimited text: each row one line, each text in the field its x gives (one
// field per 64 / ScaleX report pixels). No header, no page separator.
class TfrCSVExport : public TfrRowExport {
public:
    QString className() const override { return QStringLiteral("TfrCSVExport"); }
    QString description() const override;
    QString extension() const override { return QStringLiteral("*.csv"); }

    QChar delimiter() const { return m_delimiter; }
    // Takes the first character of a text as delimiter; an empty text, a
    // double quote, CR or LF change nothing (false).
    bool setDelimiter(const QString& text);

    void onEndPage() override;

private:
    QChar m_delimiter = u';';
};

// One HTML table: every row of every page a table row, every text a cell with
// its colour, size and style; pictures optionally as files beside the page
// ("htm" + number + ".bmp" or ".jpg"), each through a temporary file.
class TfrHTMExport : public TfrRowExport {
public:
    QString className() const override { return QStringLiteral("TfrHTMExport"); }
    QString description() const override;
    QString extension() const override { return QStringLiteral("*.htm"); }

    bool exportPictures = false;
    // Texts written as they are, for templates that put markup into memos on
    // purpose; off: texts are escaped and cannot inject markup.
    bool rawTexts = false;

    void onBeginDoc() override;
    void onEndDoc() override;
    void onData(std::int32_t x, std::int32_t y, const TfrView& view) override;
    void onEndPage() override;

private:
    struct Picture {
        std::int32_t x, y, width, height;
        bool jpeg;
        QByteArray data; // the file's bytes
    };
    std::vector<Picture> m_pictures;
    int m_pictureCounter = 0;
};

// Rich Text: each row a paragraph with its texts on tab stops, or a table
// row; fonts and colours collected into the tables in front of the body;
// pictures optionally as bitmaps inside metafile pictures.
class TfrRTFExport : public TfrRowExport {
public:
    TfrRTFExport();
    QString className() const override { return QStringLiteral("TfrRTFExport"); }
    QString description() const override;
    QString extension() const override { return QStringLiteral("*.rtf"); }

    bool exportBitmaps = false;
    bool convertToTable = false;

    void onBeginDoc() override;
    void onEndDoc() override;
    void onData(std::int32_t x, std::int32_t y, const TfrView& view) override;
    void onEndPage() override;

private:
    std::unique_ptr<frrtf::TfrRtfDocument> m_document;
    std::vector<frrtf::TfrRtfPicture> m_pictures;
};
