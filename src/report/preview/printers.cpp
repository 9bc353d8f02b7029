#include "report/preview/printers.h"

#include "common/exception.h"
#include "common/rounding.h"
#include "report/model/constants.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QPrinterInfo>

namespace {

// A printer installed on the machine, reached through the print-support module.
class TQtPrinterDevice : public TfrPrinterDevice {
public:
    explicit TQtPrinterDevice(const QPrinterInfo& info) : m_info(info), m_printer(info, QPrinter::HighResolution) {}

    QString name() const override { return m_info.printerName(); }

    State read() override {
        if (!m_printer.isValid())
            throw Exception(QStringLiteral("Printer %1 is not available").arg(name()));
        State s;
        const QPageLayout layout = m_printer.pageLayout();
        const QPageSize size = layout.pageSize();
        s.paper.size = size.windowsId() > 0 ? size.windowsId() : frPaperCustom;
        const QSizeF mm = size.size(QPageSize::Millimeter);
        const bool landscape = layout.orientation() == QPageLayout::Landscape;
        s.paper.orientation = landscape ? poLandscape : poPortrait;
        s.paper.width = roundHalfEven((landscape ? mm.height() : mm.width()) * 10.0);
        s.paper.height = roundHalfEven((landscape ? mm.width() : mm.height()) * 10.0);
        s.paper.bin = -1;
        for (const QPageSize& ps : m_info.supportedPageSizes()) {
            const int id = ps.windowsId();
            if (id > 0)
                s.papers.emplace_back(id, ps.name().left(64));
        }
        s.papers.emplace_back(frPaperCustom, QStringLiteral("Другой"));
        s.resolutionX = s.resolutionY = m_printer.resolution();
        const QRect paper = layout.fullRectPixels(m_printer.resolution());
        const QRect printable = layout.paintRectPixels(m_printer.resolution());
        s.pageWidth = paper.width();
        s.pageHeight = paper.height();
        s.offsetX = printable.left();
        s.offsetY = printable.top();
        s.printableWidth = printable.width();
        s.printableHeight = printable.height();
        return s;
    }

    void apply(const TfrPaperSetting& paper) override {
        QPageSize size;
        if (paper.size == frPaperCustom) {
            size = QPageSize(QSizeF(paper.width / 10.0, paper.height / 10.0), QPageSize::Millimeter);
        } else {
            const QPageSize::PageSizeId id = QPageSize::id(paper.size);
            if (id == QPageSize::Custom)
                throw Exception(QStringLiteral("Paper %1 is not supported by %2").arg(paper.size).arg(name()));
            size = QPageSize(id);
        }
        if (!m_printer.setPageSize(size))
            throw Exception(QStringLiteral("Paper %1 is not supported by %2").arg(paper.size).arg(name()));
        m_printer.setPageOrientation(paper.orientation == poLandscape ? QPageLayout::Landscape : QPageLayout::Portrait);
        m_printer.setCopyCount(1);
    }

private:
    QPrinterInfo m_info;
    QPrinter m_printer;
};

} // namespace

std::vector<std::unique_ptr<TfrPrinterDevice>> frPlatformPrinterDevices() {
    std::vector<std::unique_ptr<TfrPrinterDevice>> out;
    for (const QPrinterInfo& info : QPrinterInfo::availablePrinters())
        out.push_back(std::make_unique<TQtPrinterDevice>(info));
    return out;
}

void frAttachPlatformPrinters(TfrPrinter& printer) { printer.setDevices(frPlatformPrinterDevices()); }
