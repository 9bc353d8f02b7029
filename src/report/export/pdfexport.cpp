#include "report/export/pdfexport.h"

#include "common/exception.h"
#include "report/builder/preparedpages.h"
#include "report/export/pdfwriter.h"
#include "report/model/report.h"

void TfrPdfExport::onBeginDoc() {
    m_pages = nullptr;
    m_order.clear();
}

void TfrPdfExport::exportPage(TfrEMFPages& pages, int index) {
    m_pages = &pages;
    m_order.push_back(index);
}

void TfrPdfExport::onEndDoc() {
    if (!m_pages || m_order.empty())
        throw Exception(QStringLiteral("В отчёте нет страниц для записи в PDF"));
    TfrPdfOptions options;
    options.title = report() ? frReportDocumentTitle(*report()) : QString();
    options.pages = m_order;
    frWritePdf(*m_pages, fileName(), options);
    m_pages = nullptr;
    m_order.clear();
}
