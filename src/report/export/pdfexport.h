#pragma once

#include "report/export/exportfilter.h"

#include <vector>

// The PDF export: the exported pages drawn as they are printed, one PDF page
// per prepared page, texts as text (frWritePdf). It writes its file itself
// once it knows the pages.
class TfrPdfExport : public TfrExportFilter {
public:
    TfrPdfExport() { showDialog = false; }
    QString className() const override { return QStringLiteral("TfrPdfExport"); }
    QString description() const override { return QStringLiteral("Файл PDF (*.pdf)"); }
    QString extension() const override { return QStringLiteral("*.pdf"); }
    bool writesOwnFile() const override { return true; }

    void onBeginDoc() override;
    void exportPage(TfrEMFPages& pages, int index) override;
    void onEndDoc() override;

private:
    TfrEMFPages* m_pages = nullptr;
    std::vector<int> m_order;
};
