#pragma once

#include "report/export/pagelist.h"

#include <QRect>
#include <QString>
#include <QStringList>
#include <functional>

class TfrEMFPages;
class TfrPrinter;
class TfrReport;

// Where printed pages go: a print job on a real printer (through Qt's print
// support, in the preview library), or a recording device in tests. The
// paper of the job is the report printer's (TfrPrinter) current paper, which
// printing applies before a job begins.
class TfrPrintDevice {
public:
    virtual ~TfrPrintDevice() = default;
    // Whether the device makes copies of a job itself.
    virtual bool canCopy() const = 0;
    // Starts a print job of `copies` copies (1 unless the device makes
    // them); the first page goes on its first sheet. Throws when the printer
    // cannot start one.
    virtual void beginJob(const QString& title, int copies) = 0;
    // A new sheet for the next page of the job.
    virtual void newSheet() = 0;
    // Draws a prepared page onto the current sheet into `target`, in printer
    // pixels of the device.
    virtual void drawPage(TfrEMFPages& pages, int index, const QRect& target) = 0;
    virtual void endJob() = 0;
    // Ends the job without printing what is not printed yet.
    virtual void abortJob() = 0;
};

// What the print dialog asks for.
struct TfrPrintRequest {
    // Page numbers and ranges ("1,3,5-12"); empty: every page.
    QString pageList;
    int copies = 1;
    TfrPageParity parity = TfrPageParity::All;
    bool collate = true;
};

struct TfrPrintResult {
    int jobs = 0;          // print jobs begun
    int pagesPrinted = 0;  // pages drawn, copies counted
    bool stopped = false;  // the progress callback stopped printing
    QStringList messages;  // page numbers skipped, papers the printer refused
};

// The most copies printing makes.
inline constexpr int kMaxCopies = 999;

// Prints a report's prepared pages. The page list is read first (a text that
// is no list throws EPageListError before anything is printed); copies below
// 1 count as 1. The first page's paper is applied to `printer`; with
// collation the whole sequence is printed once per copy, without it each
// page is repeated (or the device makes the copies when it can). A page on
// other paper than the printer holds ends the job, applies its paper and
// begins a new job. Each printed page takes the printer's geometry. After
// every page `progress` gets the page number; returning false aborts the
// job. The job's title is the report's Title, "Untitled" when empty; the
// report's OnPrintReport fires before the first job.
TfrPrintResult frPrintPrepared(TfrReport& report, TfrEMFPages& pages, TfrPrinter& printer, TfrPrintDevice& device,
                               const TfrPrintRequest& request, const std::function<bool(int pageNo)>& progress = {});

// Texts of the printing progress window.
QString frPrintProgressCaption(const QString& title); // "Подготовка отчета" [+ " - " + title]
QString frPrintProgressLabel(int pageNo);              // "Печатается страница: n"
