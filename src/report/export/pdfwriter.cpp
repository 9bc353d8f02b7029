#include "report/export/pdfwriter.h"

#include "common/exception.h"
#include "common/textfile.h"
#include "report/builder/preparedpages.h"
#include "report/model/constants.h"

#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

namespace {

// Canvas pixels per inch: fine enough that whole-pixel geometry stays exact
// at report scale.
constexpr int kResolution = 1200;
// The largest page side PDF readers show (200 inches).
constexpr double kMaxPagePoints = 14400;

QPageLayout layoutOf(const TfrPreparedPage& page) {
    const double toPoints = 72.0 / frunits::kPrinterPixelsPerInch;
    const double w = page.prnInfo.pgw * toPoints, h = page.prnInfo.pgh * toPoints;
    const bool landscape = w > h;
    const QPageSize size(QSizeF(landscape ? h : w, landscape ? w : h), QPageSize::Point, QString(),
                         QPageSize::FuzzyMatch);
    return QPageLayout(size, landscape ? QPageLayout::Landscape : QPageLayout::Portrait, QMarginsF());
}

} // namespace

void frWritePdf(TfrEMFPages& pages, const QString& path, const TfrPdfOptions& options) {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        throw Exception(QStringLiteral("Для записи PDF нужно графическое приложение"));
    std::vector<int> order = options.pages;
    if (order.empty())
        for (int i = 0; i < pages.count(); ++i)
            order.push_back(i);
    if (order.empty())
        throw Exception(QStringLiteral("В отчёте нет страниц для записи в PDF"));
    for (int index : order)
        if (index < 0 || index >= pages.count())
            throw Exception(QStringLiteral("В отчёте нет страницы %1 (страниц: %2)").arg(index + 1).arg(pages.count()));
    for (int index : order) {
        const TfrPrnInfo& info = pages[index].prnInfo;
        const double maxPixels = kMaxPagePoints / 72.0 * frunits::kPrinterPixelsPerInch;
        if (info.pgw <= 0 || info.pgh <= 0 || info.pgw > maxPixels || info.pgh > maxPixels)
            throw Exception(QStringLiteral("Страница %1 размером %2 x %3 точек не может быть записана в PDF")
                                .arg(index + 1).arg(info.pgw).arg(info.pgh));
    }

    textfile::TAtomicFile file(path);
    {
        QPdfWriter writer(&file.device());
        writer.setResolution(kResolution);
        writer.setCreator(QStringLiteral("Ostrand"));
        if (!options.title.isEmpty())
            writer.setTitle(options.title);
        writer.setPageLayout(layoutOf(pages[order.front()]));
        QPainter painter;
        if (!painter.begin(&writer))
            throw Exception(textfile::TAtomicFile::writeErrorText(path, QStringLiteral("PDF не начат")));
        painter.setRenderHint(QPainter::TextAntialiasing);
        const double k = kResolution / frunits::kPrinterPixelsPerInch;
        const int total = static_cast<int>(order.size());
        for (int n = 0; n < total; ++n) {
            const int index = order[static_cast<std::size_t>(n)];
            if (n > 0) {
                writer.setPageLayout(layoutOf(pages[index]));
                writer.newPage();
            }
            const bool wasLoaded = pages[index].page != nullptr;
            pages.draw(index, painter, frPaperCanvasRect(pages[index], k), true, kResolution);
            if (!wasLoaded)
                pages.releasePage(index);
            if (options.progress)
                options.progress(n + 1, total);
        }
        if (!painter.end())
            throw Exception(textfile::TAtomicFile::writeErrorText(path, QStringLiteral("PDF не закончен")));
    }
    file.commit();
}
