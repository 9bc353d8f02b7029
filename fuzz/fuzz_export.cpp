// Fuzz target for what the exports and printing read from outside: a page
// list typed by the user and a prepared-report file. The input's first line
// (up to the first newline, code page 1251) is the page list, the rest the
// file. The list is read for the report's page count with odd or even pages;
// a list that is no list must say why. Every chosen page (up to 20) goes
// through the text export with frames and pseudographics, every row and
// column kept, at scales taken from the input; then through one of the CSV,
// HTML and RTF exports (pictures included) into a file; then printing is
// planned on a device that draws nothing.

#include "fuzzsupport.h"
#include "common/cp1251.h"
#include "common/exception.h"
#include "common/interaction.h"
#include "report/builder/preparedpages.h"
#include "report/export/formatfilters.h"
#include "report/export/pagelist.h"
#include "report/export/printing.h"
#include "report/export/textexport.h"
#include "report/model/engine.h"

#include <QTemporaryDir>
#include <QtGlobal>

#include <cstdint>
#include <cstdlib>

namespace {

// Counts pages instead of printing them.
class NullDevice : public TfrPrintDevice {
public:
    bool canCopy() const override { return false; }
    void beginJob(const QString&, int) override {}
    void newSheet() override {}
    void drawPage(TfrEMFPages&, int, const QRect&) override { ++pages; }
    void endJob() override {}
    void abortJob() override {}
    int pages = 0;
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    frfuzz::startGuiApplication(argc, argv); // fonts
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static frfuzz::TSilentInteraction silent;
    static TfrEngine engine(&silent);
    frfuzz::countRun();
    const QByteArrayView input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const qsizetype eol = input.indexOf('\n');
    const QString list = cp1251::decode(eol < 0 ? input : input.first(eol));
    const QByteArrayView file = eol < 0 ? QByteArrayView() : input.sliced(eol + 1);
    const std::uint8_t knobs = size > 0 ? data[size - 1] : 0;

    TfrReport report(engine);
    TfrEMFPages& pages = frPreparedPages(report);
    pages.loadFromStream(file);
    const auto parity = static_cast<TfrPageParity>(knobs % 3);
    TfrPageSelection selection;
    try {
        selection = frSelectPages(list, pages.count(), parity);
    } catch (const EPageListError& e) {
        if (e.message().isEmpty() || frPageListError(list).isEmpty())
            std::abort(); // a refused list says why, and the check agrees
        return 0;
    }
    int previous = -1;
    for (int i : selection.pages) {
        if (i <= previous || i >= pages.count())
            std::abort(); // ascending, once each, inside the report
        previous = i;
    }

    TfrTextExport text;
    text.exportFrames = true;
    text.usePseudographic = knobs & 8;
    text.killEmptyLines = false;
    text.scaleX = 0.25 + (knobs >> 4) * 0.5;
    text.scaleY = 0.25 + ((knobs >> 2) & 3) * 2.0;
    int exported = 0;
    for (int i : selection.pages) {
        if (++exported > 20)
            break;
        text.onBeginPage();
        try {
            pages.exportPage(i, [&](TfrView& view) { frExportObject(engine, text, view); });
            for (const QString& line : text.pageLines()) {
                if (line.size() > TfrTextExport::maxColumns + 1)
                    std::abort(); // lines stay bounded
                text.encodeLine(line);
            }
        } catch (const Exception&) {
            // damaged page streams end in errors
        }
    }

    if (!selection.pages.empty()) {
        static QTemporaryDir dir;
        TfrCSVExport csv;
        TfrHTMExport html;
        TfrRTFExport rtf;
        html.exportPictures = rtf.exportBitmaps = knobs & 16;
        rtf.convertToTable = knobs & 32;
        TfrExportFilter* filters[] = {&csv, &html, &rtf};
        TfrExportFilter& filter = *filters[(knobs >> 6) % 3];
        TfrExportOptions options;
        options.dialogs = false;
        options.pages = std::vector<int>(selection.pages.begin(),
                                         selection.pages.begin() + std::min<std::size_t>(selection.pages.size(), 20));
        try {
            frExportReport(report, filter, dir.filePath(QStringLiteral("out") + filter.extension().mid(1)), options);
        } catch (const Exception&) {
        }
    }

    if (selection.pages.size() <= 20) {
        NullDevice device;
        TfrPrintRequest request;
        request.pageList = list;
        request.parity = parity;
        request.copies = 1 + knobs % 2;
        request.collate = knobs & 4;
        try {
            frPrintPrepared(report, pages, engine.printer(), device, request);
        } catch (const Exception&) {
        }
        if (device.pages != static_cast<int>(selection.pages.size()) * request.copies)
            std::abort(); // every chosen page, once per copy
    }
    return 0;
}
