#include "report/export/formatfilters.h"

#include "report/model/objects.h"
#include "report/model/report.h"

#include <QBuffer>

TfrRTFExport::TfrRTFExport() { scaleX = 1.3; }

QString TfrRTFExport::description() const { return QStringLiteral("Файл Rich Text (*.rtf)"); }

void TfrRTFExport::onBeginDoc() {
    m_document = std::make_unique<frrtf::TfrRtfDocument>(frrtf::TfrRtfOptions{.scaleX = scaleX,
                                                                              .killEmptyLines = killEmptyLines,
                                                                              .exportBitmaps = exportBitmaps,
                                                                              .convertToTable = convertToTable,
                                                                              .pageBreaks = pageBreaks});
    m_pictures.clear();
    write(frrtf::TfrRtfDocument::header());
}

void TfrRTFExport::onEndDoc() {
    if (!m_document)
        return;
    write(m_document->finish());
    m_document.reset();
}

void TfrRTFExport::onData(std::int32_t x, std::int32_t y, const TfrView& view) {
    if (!exportBitmaps || !report())
        return;
    const TfrPicture p = frExportPicture(report()->engine(), view);
    if (p.isEmpty())
        return;
    frrtf::TfrRtfPicture collected{x, y, view.width, view.height, p.image.width(), p.image.height(), {}};
    if (p.kind == TfrPicture::Bitmap && frrtf::isBitmapFile(p.data)) {
        collected.bitmap = p.data;
    } else if (!p.image.isNull()) {
        // Other kinds (and bitmaps whose header does not fit their bytes)
        // are written as a bitmap of their decoded image.
        QBuffer buffer(&collected.bitmap);
        buffer.open(QIODevice::WriteOnly);
        p.image.save(&buffer, "BMP");
    }
    if (!frrtf::isBitmapFile(collected.bitmap)) {
        messages << QStringLiteral("Рисунок %1 не записан: он не прочитан").arg(view.name());
        return;
    }
    m_pictures.push_back(std::move(collected));
}

void TfrRTFExport::onEndPage() {
    if (m_document)
        m_document->addPage(pageRows(), m_pictures);
    m_pictures.clear();
    noteDropped();
    clearLines();
}
