#pragma once

#include <QString>
#include <functional>
#include <vector>

class TfrEMFPages;

// What a PDF file of prepared pages holds and who watches it being written.
struct TfrPdfOptions {
    // The document title; empty leaves it out.
    QString title;
    // Zero-based indexes of the pages to write, in order; empty writes all.
    std::vector<int> pages;
    // Told after each page written (pages done, pages to write).
    std::function<void(int done, int total)> progress;
};

// Writes prepared pages as a PDF file: one PDF page per prepared page, of the
// page's paper size and orientation, texts as real text in embedded fonts.
// The file is written through a temporary file: when anything fails (an
// index outside the report, a page that cannot be drawn, the disk) an
// Exception says why and an existing file at `path` stays as it was. Pages
// drawn only for the file are released again, so memory does not grow with
// the page count.
void frWritePdf(TfrEMFPages& pages, const QString& path, const TfrPdfOptions& options = {});
