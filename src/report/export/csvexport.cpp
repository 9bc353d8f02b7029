#include "report/export/csvwriter.h"
#include "report/export/formatfilters.h"

#include "common/cp1251.h"

QString TfrCSVExport::description() const { return QStringLiteral("Файл CSV (*.csv)"); }

bool TfrCSVExport::setDelimiter(const QString& text) {
    if (text.isEmpty() || !frcsv::isValidDelimiter(text[0]))
        return false;
    m_delimiter = text[0];
    return true;
}

void TfrCSVExport::onEndPage() {
    QByteArray bytes;
    for (const Row& row : pageRows()) {
        const QString line = frcsv::line(row, m_delimiter, scaleX);
        if (killEmptyLines && line.isEmpty())
            continue;
        bytes += convertToOEM ? frToOem(line) : cp1251::encode(line);
        bytes += "\r\n";
    }
    write(bytes);
    noteDropped();
    clearLines();
}
