#include "report/export/formatfilters.h"
#include "report/export/htmlwriter.h"

#include "common/cp1251.h"
#include "common/textfile.h"
#include "report/model/objects.h"
#include "report/model/report.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>

QString TfrHTMExport::description() const { return QStringLiteral("Файл HTML (*.htm)"); }

void TfrHTMExport::onBeginDoc() {
    m_pictureCounter = 0;
    m_pictures.clear();
    write(frhtml::documentStart());
}

void TfrHTMExport::onEndDoc() { write(frhtml::documentEnd()); }

void TfrHTMExport::onData(std::int32_t x, std::int32_t y, const TfrView& view) {
    if (!exportPictures || !report())
        return;
    const TfrPicture p = frExportPicture(report()->engine(), view);
    if (p.isEmpty())
        return;
    Picture collected{x, y, view.width, view.height, p.kind == TfrPicture::Jpeg, {}};
    if (collected.jpeg) {
        collected.data = p.data;
    } else if (!p.image.isNull()) {
        // Everything else becomes a bitmap file of its decoded image.
        QBuffer buffer(&collected.data);
        buffer.open(QIODevice::WriteOnly);
        p.image.save(&buffer, "BMP");
    }
    if (collected.data.isEmpty()) {
        messages << QStringLiteral("Рисунок %1 не записан: он не прочитан").arg(view.name());
        return;
    }
    m_pictures.push_back(std::move(collected));
}

void TfrHTMExport::onEndPage() {
    const QDir dir = QFileInfo(fileName()).absoluteDir();
    for (const Picture& p : m_pictures) {
        const QString name = QStringLiteral("htm%1.%2").arg(m_pictureCounter).arg(p.jpeg ? "jpg" : "bmp");
        textfile::writeAtomically(dir.filePath(name), p.data);
        if (!insertRecord(rowOf(p.y), frhtml::pictureCell(p.x, p.y, p.width, p.height, m_pictureCounter, name)))
            ++m_dropped;
        ++m_pictureCounter;
    }
    m_pictures.clear();
    QByteArray bytes;
    for (const Row& row : pageRows()) {
        if (killEmptyLines && row.empty())
            continue;
        bytes += cp1251::encode(frhtml::row(row, rawTexts));
        bytes += "\r\n";
    }
    write(bytes);
    noteDropped();
    clearLines();
}
