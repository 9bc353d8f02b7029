#include "report/preview/printreport.h"

#include "common/exception.h"
#include "common/interaction.h"
#include "report/builder/preparedpages.h"
#include "report/export/pdfexport.h"
#include "report/export/printing.h"
#include "report/model/engine.h"
#include "report/preview/printers.h"
#include "report/preview/printform.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QPrinter>
#include <QProgressDialog>

namespace {

// A progress window over a run of pages; false once the user stopped it.
class Progress {
public:
    Progress(QWidget* parent, const QString& caption, int total) : m_dialog(parent) {
        m_dialog.setObjectName(QStringLiteral("PrintProgress"));
        m_dialog.setWindowTitle(caption);
        m_dialog.setCancelButtonText(QStringLiteral("Отмена"));
        m_dialog.setRange(0, total);
        m_dialog.setMinimumDuration(500);
        m_dialog.setWindowModality(Qt::WindowModal);
    }
    bool step(int done, const QString& label) {
        m_dialog.setLabelText(label);
        m_dialog.setValue(std::min(done, m_dialog.maximum()));
        QCoreApplication::processEvents();
        return !m_dialog.wasCanceled();
    }

private:
    QProgressDialog m_dialog;
};

void tell(TfrReport& report, const QStringList& messages) {
    if (!messages.isEmpty())
        report.engine().interaction().messageBox(messages.join(u'\n'), TfrPrintForm::captionText(),
                                                 TUserInteraction::InformationIcon, TUserInteraction::Ok);
}

bool printToPdf(TfrReport& report, TfrEMFPages& pages, const TfrPrintRequest& request, QWidget* parent) {
    const TfrPageSelection selection = frSelectPages(request.pageList, pages.count(), request.parity);
    tell(report, selection.messages);
    if (selection.pages.empty())
        return false;
    TfrPdfExport pdf;
    const QString name = frReportName(report);
    const QString file = QFileDialog::getSaveFileName(
        parent, QStringLiteral("Печать в файл PDF"),
        (name.isEmpty() ? QStringLiteral("Отчет") : name) + QStringLiteral(".pdf"), pdf.description());
    if (file.isEmpty())
        return false;
    TfrExportOptions options;
    options.pages = selection.pages;
    options.dialogs = false;
    return frExportReport(report, pdf, frReplaceExtension(file, pdf.extension()), options) == TfrExportResult::Written;
}

std::unique_ptr<TfrPrintDevice> qtJobDevice(TfrPrinter& printer) {
    QPrinter* qp = frQtPrinter(printer);
    return qp ? std::make_unique<TfrQtPrintDevice>(*qp) : nullptr;
}

} // namespace

bool frPrintReport(TfrReport& report, int currentPage, QWidget* parent, const TfrPrintHooks& hooks) {
    if (TfrEMFPages* pages = frFindPreparedPages(report); !pages || pages->count() == 0)
        return false;
    TfrPrinter& printer = report.engine().printer();
    frReadPrintersAgain(printer, hooks.installedPrinters ? hooks.installedPrinters() : frPlatformPrinterDevices());
    TfrPrintRequest request;
    request.copies = report.defaultCopies;
    request.collate = report.defaultCollate;
    bool pdf = false;
    const int before = printer.printerIndex();
    int chosen = before;
    if (report.showPrintDialog) {
        TfrPrintForm form(printer, parent);
        form.setCopies(request.copies);
        form.setCollate(request.collate);
        if ((hooks.runDialog ? hooks.runDialog(form) : form.exec()) != QDialog::Accepted)
            return false;
        request = form.request(currentPage);
        pdf = form.printToPdf();
        chosen = form.chosenPrinter();
    }
    try {
        if (!pdf && chosen != before && hooks.printerChanged && !hooks.printerChanged(before, chosen))
            return false;
        // A rebuild for the new printer gave the report new pages.
        TfrEMFPages* pages = frFindPreparedPages(report);
        if (!pages || pages->count() == 0)
            return false;
        if (pdf)
            return printToPdf(report, *pages, request, parent);
        const std::unique_ptr<TfrPrintDevice> device = hooks.jobDevice ? hooks.jobDevice(printer) : qtJobDevice(printer);
        if (!device) {
            report.engine().interaction().showError(QStringLiteral("Нет установленных принтеров"));
            return false;
        }
        std::unique_ptr<Progress> progress;
        if (report.showProgress && !report.onProgress)
            progress = std::make_unique<Progress>(parent, frPrintProgressCaption(report.title), pages->count());
        const TfrPrintResult result = frPrintPrepared(report, *pages, printer, *device, request, [&](int pageNo) {
            return !progress || progress->step(pageNo, frPrintProgressLabel(pageNo));
        });
        tell(report, result.messages);
        return result.pagesPrinted > 0;
    } catch (const Exception& e) {
        report.engine().interaction().showError(e.message());
        return false;
    }
}
