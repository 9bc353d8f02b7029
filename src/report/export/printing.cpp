#include "report/export/printing.h"

#include "common/rounding.h"
#include "report/builder/preparedpages.h"
#include "report/model/printer.h"
#include "report/model/report.h"

#include <algorithm>

namespace {

// Where a page is drawn on the sheet, in printer pixels: a page keeping its
// margins is placed so that report pixel 0,0 falls on the paper's corner; a
// page stretching to the printable area fills it inside its margins.
QRect targetOf(const TfrPreparedPage& page) {
    const TfrPrnInfo& i = page.prnInfo;
    if (page.usesMargins())
        return QRect(QPoint(-i.pOfx, -i.pOfy), QPoint(i.pPgw - i.pOfx - 1, i.pPgh - i.pOfy - 1));
    auto scaled = [](std::int32_t v, std::int32_t printer, std::int32_t report) {
        return report > 0 ? roundHalfEven(double(v) * printer / report) : 0;
    };
    const int l = scaled(page.margins.left, i.pPw, i.pw), t = scaled(page.margins.top, i.pPh, i.ph);
    const int r = i.pPw - scaled(page.margins.right, i.pPw, i.pw), b = i.pPh - scaled(page.margins.bottom, i.pPh, i.ph);
    return QRect(QPoint(l, t), QPoint(r - 1, b - 1));
}

class PrintRun {
public:
    PrintRun(TfrEMFPages& pages, TfrPrinter& printer, TfrPrintDevice& device, const std::function<bool(int)>& progress,
             TfrPrintResult& result)
        : m_pages(pages), m_printer(printer), m_device(device), m_progress(progress),
          m_result(result) {}

    void apply(const TfrPreparedPage& p) {
        try {
            m_printer.setPrinterInfo(p.paperSize, p.paperWidth, p.paperHeight, p.orientation, p.bin, true);
        } catch (const std::exception&) {
            m_result.messages << QStringLiteral("Принтер не принял бумагу страницы; страница напечатана на бумаге принтера");
        }
    }

    void begin(const QString& title, int copies) {
        m_title = title;
        m_copies = copies;
        m_device.beginJob(title, copies);
        m_printer.printing = true;
        m_inJob = true;
        m_fresh = true;
        ++m_result.jobs;
    }

    void end() {
        m_printer.printing = false;
        if (m_inJob)
            m_device.endJob();
        m_inJob = false;
    }

    void abort() {
        m_printer.printing = false;
        if (m_inJob)
            m_device.abortJob();
        m_inJob = false;
    }

    // Prints page `index`; false when printing is to stop.
    bool page(int index) {
        TfrPreparedPage& p = m_pages[index];
        if (m_printer.isEqual(p.paperSize, p.paperWidth, p.paperHeight, p.orientation, p.bin)) {
            if (!m_fresh)
                m_device.newSheet();
        } else {
            end();
            apply(p);
            begin(m_title, m_copies);
        }
        m_fresh = false;
        p.prnInfo = m_printer.fillPrnInfo();
        m_pages.setVisible(index, true);
        m_device.drawPage(m_pages, index, targetOf(p));
        m_pages.setVisible(index, false);
        ++m_result.pagesPrinted;
        return !m_progress || m_progress(index + 1);
    }

private:
    TfrEMFPages& m_pages;
    TfrPrinter& m_printer;
    TfrPrintDevice& m_device;
    const std::function<bool(int)>& m_progress;
    TfrPrintResult& m_result;
    QString m_title;
    int m_copies = 1;
    bool m_inJob = false, m_fresh = true;
};

} // namespace

TfrPrintResult frPrintPrepared(TfrReport& report, TfrEMFPages& pages, TfrPrinter& printer, TfrPrintDevice& device,
                               const TfrPrintRequest& request, const std::function<bool(int pageNo)>& progress) {
    TfrPrintResult result;
    const TfrPageSelection selection = frSelectPages(request.pageList, pages.count(), request.parity);
    result.messages = selection.messages;
    if (selection.pages.empty())
        return result;
    const int copies = std::clamp(request.copies, 1, kMaxCopies);
    const bool deviceCopies = !request.collate && device.canCopy();

    PrintRun run(pages, printer, device, progress, result);
    run.apply(pages[selection.pages.front()]);
    pages[selection.pages.front()].prnInfo = printer.fillPrnInfo();
    const QString title = report.title.isEmpty() ? QStringLiteral("Untitled") : report.title;
    if (report.onPrintReport)
        report.onPrintReport();
    run.begin(title, deviceCopies ? copies : 1);
    try {
        bool go = true;
        if (request.collate) {
            for (int c = 0; c < copies && go; ++c)
                for (auto it = selection.pages.begin(); it != selection.pages.end() && go; ++it)
                    go = run.page(*it);
        } else {
            const int repeats = deviceCopies ? 1 : copies;
            for (auto it = selection.pages.begin(); it != selection.pages.end() && go; ++it)
                for (int c = 0; c < repeats && go; ++c)
                    go = run.page(*it);
        }
        if (!go) {
            result.stopped = true;
            run.abort();
            return result;
        }
    } catch (...) {
        run.abort();
        throw;
    }
    run.end();
    return result;
}

QString frPrintProgressCaption(const QString& title) {
    QString caption = QStringLiteral("Подготовка отчета");
    if (!title.isEmpty())
        caption += QStringLiteral(" - ") + title;
    return caption;
}

QString frPrintProgressLabel(int pageNo) { return QStringLiteral("Печатается страница: %1").arg(pageNo); }
