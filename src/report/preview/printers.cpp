#include "report/preview/printers.h"

#include "common/exception.h"
#include "common/rounding.h"
#include "report/model/constants.h"

#include "report/builder/preparedpages.h"

#include <QPageLayout>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPageSize>
#include <QPrinter>
#include <QPrinterInfo>

namespace {

// Paper sources of the print-support module and the platform's bin codes.
struct BinSource {
    QPrinter::PaperSource source;
    std::int32_t code;
    const char16_t* name;
};
constexpr BinSource kBins[] = {
    {QPrinter::Upper, 1, u"Верхний лоток"},
    {QPrinter::Lower, 2, u"Нижний лоток"},
    {QPrinter::Middle, 3, u"Средний лоток"},
    {QPrinter::Manual, 4, u"Ручная подача"},
    {QPrinter::Envelope, 5, u"Конверты"},
    {QPrinter::EnvelopeManual, 6, u"Конверты, ручная подача"},
    {QPrinter::Auto, 7, u"Автовыбор"},
    {QPrinter::Tractor, 8, u"Тракторная подача"},
    {QPrinter::SmallFormat, 9, u"Малый формат"},
    {QPrinter::LargeFormat, 10, u"Большой формат"},
    {QPrinter::LargeCapacity, 11, u"Лоток большой ёмкости"},
    {QPrinter::Cassette, 14, u"Кассета"},
    {QPrinter::FormSource, 15, u"Лоток формы"},
};

// The trays the driver offers; the print support lists them on Windows only
// (elsewhere the driver chooses among what the job asks for).
QList<QPrinter::PaperSource> offeredSources([[maybe_unused]] const QPrinter& printer) {
#if defined(Q_OS_WIN)
    return printer.supportedPaperSources();
#else
    return {};
#endif
}

const BinSource* binOf(QPrinter::PaperSource source) {
    for (const BinSource& b : kBins)
        if (b.source == source)
            return &b;
    return nullptr;
}

// A printer installed on the machine, reached through the print-support module.
class TQtPrinterDevice : public TfrPrinterDevice {
public:
    explicit TQtPrinterDevice(const QPrinterInfo& info) : m_info(info), m_printer(info, QPrinter::HighResolution) {}

    QString name() const override { return m_info.printerName(); }

    QPrinter& printer() { return m_printer; }

    State read() override {
        if (!m_printer.isValid())
            throw Exception(QStringLiteral("Printer %1 is not available").arg(name()));
        State s;
        const QPageLayout layout = m_printer.pageLayout();
        const QPageSize size = layout.pageSize();
        s.paper.size = size.windowsId() > 0 ? size.windowsId() : frPaperCustom;
        const bool landscape = layout.orientation() == QPageLayout::Landscape;
        s.paper.orientation = landscape ? poLandscape : poPortrait;
        // The paper as the device has it: its pixels at its resolution, in
        // tenths of a millimetre, portrait width first.
        const int dpi = m_printer.resolution() > 0 ? m_printer.resolution() : 600;
        const QRect paper = layout.fullRectPixels(dpi);
        const QRect printable = layout.paintRectPixels(dpi);
        auto tenths = [dpi](int pixels) { return roundHalfEven(pixels * 254.0 / dpi); };
        s.paper.width = tenths(landscape ? paper.height() : paper.width());
        s.paper.height = tenths(landscape ? paper.width() : paper.height());
        // The bins the driver offers, and the one it feeds from.
        const BinSource* current = binOf(m_printer.paperSource());
        s.paper.bin = current ? current->code : -1;
        for (QPrinter::PaperSource source : offeredSources(m_printer))
            if (const BinSource* b = binOf(source))
                s.bins.emplace_back(b->code, QString::fromUtf16(b->name));
        for (const QPageSize& ps : m_info.supportedPageSizes()) {
            const int id = ps.windowsId();
            if (id > 0)
                s.papers.emplace_back(id, ps.name().left(64));
        }
        s.papers.emplace_back(frPaperCustom, QStringLiteral("Другой"));
        s.resolutionX = s.resolutionY = dpi;
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
        // A bin the driver does not offer leaves the one it feeds from.
        if (paper.bin != -1) {
            const QList<QPrinter::PaperSource> offered = offeredSources(m_printer);
            for (const BinSource& b : kBins)
                if (b.code == paper.bin && (offered.isEmpty() || offered.contains(b.source)))
                    m_printer.setPaperSource(b.source);
        }
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

void frReadPrintersAgain(TfrPrinter& printer, std::vector<std::unique_ptr<TfrPrinterDevice>> installed) {
    QStringList names;
    for (const auto& d : installed)
        names << d->name();
    const QStringList known = printer.printers().mid(0, printer.virtualIndex());
    if (names == known)
        return;
    const QString selected = known.isEmpty() ? QString() : printer.printerName();
    printer.setDevices(std::move(installed));
    if (const int at = printer.indexOfPrinter(selected); at >= 0 && !selected.isEmpty())
        printer.setPrinterIndex(at);
}

QPrinter* frQtPrinter(TfrPrinter& printer) {
    auto* device = dynamic_cast<TQtPrinterDevice*>(printer.selectedDevice());
    return device ? &device->printer() : nullptr;
}

bool frHasPrinterProperties(TfrPrinter& printer) { return frQtPrinter(printer) != nullptr; }

bool frShowPrinterProperties(TfrPrinter& printer, QWidget* parent) {
    QPrinter* qp = frQtPrinter(printer);
    if (!qp)
        return false;
    QPageSetupDialog dialog(qp, parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    printer.update();
    return true;
}

TfrQtPrintDevice::TfrQtPrintDevice(QPrinter& printer) : m_printer(printer) {}

TfrQtPrintDevice::~TfrQtPrintDevice() {
    if (m_painter && m_painter->isActive())
        m_painter->end();
}

bool TfrQtPrintDevice::canCopy() const { return m_printer.supportsMultipleCopies(); }

void TfrQtPrintDevice::beginJob(const QString& title, int copies) {
    m_printer.setDocName(title);
    m_printer.setCopyCount(copies);
    m_painter = std::make_unique<QPainter>();
    if (!m_painter->begin(&m_printer))
        throw Exception(QStringLiteral("Не удалось начать печать на принтере %1").arg(m_printer.printerName()));
}

void TfrQtPrintDevice::newSheet() {
    if (!m_printer.newPage())
        throw Exception(QStringLiteral("Принтер %1 не начал новый лист").arg(m_printer.printerName()));
}

void TfrQtPrintDevice::drawPage(TfrEMFPages& pages, int index, const QRect& target) {
    if (!m_painter || !m_painter->isActive())
        return;
    pages.draw(index, *m_painter, target, true, m_printer.resolution());
}

void TfrQtPrintDevice::endJob() {
    if (m_painter && m_painter->isActive())
        m_painter->end();
    m_painter.reset();
}

void TfrQtPrintDevice::abortJob() {
    m_printer.abort();
    endJob();
}
