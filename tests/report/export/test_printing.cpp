// Printing against a recording device: page lists, odd and even pages, copies
// with and without collation, new jobs when the paper changes, stopping, and
// where pages land on the sheet.

#include "exportfixture.h"

#include "report/export/printing.h"
#include "report/model/printer.h"

#include <gtest/gtest.h>

namespace {

// Writes down what printing asks of it.
class RecordingDevice : public TfrPrintDevice {
public:
    bool canCopy() const override { return copies; }
    void beginJob(const QString& title, int n) override { log << QStringLiteral("job %1 x%2").arg(title).arg(n); }
    void newSheet() override { log << QStringLiteral("sheet"); }
    void drawPage(TfrEMFPages& pages, int index, const QRect& target) override {
        log << QString::number(index + 1);
        targets << target;
    }
    void endJob() override { log << QStringLiteral("end"); }
    void abortJob() override { log << QStringLiteral("abort"); }

    // The pages drawn, in order.
    QString pages() const {
        QStringList out;
        for (const QString& s : log)
            if (s[0].isDigit())
                out << s;
        return out.join(u',');
    }

    bool copies = false;
    QStringList log;
    QList<QRect> targets;
};

class Printing : public ::testing::Test, public ExportFixture {
protected:
    void makePages(int n) {
        for (int i = 0; i < n; ++i)
            put(addPage(), *memo(QStringLiteral("M"), 10, 10, 100, 20, {QStringLiteral("стр. %1").arg(i + 1)}));
    }
    TfrPrintResult print(const TfrPrintRequest& r, const std::function<bool(int)>& progress = {}) {
        return frPrintPrepared(report, pages(), engine.printer(), device, r, progress);
    }
    RecordingDevice device;
};

TEST_F(Printing, PagesCopiesAndCollation) {
    makePages(10);
    const struct {
        const char* list;
        int copies;
        bool collate;
        bool deviceCopies;
        TfrPageParity parity;
        const char* printed;
        const char* job;
    } cases[] = {
        {"1,3,5-12", 1, true, false, TfrPageParity::All, "1,3,5,6,7,8,9,10", "job Untitled x1"},
        {"5-", 1, true, false, TfrPageParity::All, "5,6,7,8,9,10", "job Untitled x1"},
        {"1-2", 3, true, false, TfrPageParity::All, "1,2,1,2,1,2", "job Untitled x1"},
        {"1-2", 3, false, false, TfrPageParity::All, "1,1,1,2,2,2", "job Untitled x1"},
        {"1-2", 3, false, true, TfrPageParity::All, "1,2", "job Untitled x3"},  // the printer makes the copies
        {"1-2", 3, true, true, TfrPageParity::All, "1,2,1,2,1,2", "job Untitled x1"}, // collated: printed here
        {"1-5", 1, true, false, TfrPageParity::Even, "2,4", "job Untitled x1"},
        {"", 1, true, false, TfrPageParity::Odd, "1,3,5,7,9", "job Untitled x1"},
        {"2", 0, true, false, TfrPageParity::All, "2", "job Untitled x1"}, // copies below 1 count as 1
        {"11-20", 1, true, false, TfrPageParity::All, "", ""},              // nothing to print: no job
    };
    for (const auto& c : cases) {
        device.log.clear();
        device.copies = c.deviceCopies;
        TfrPrintRequest r;
        r.pageList = c.list;
        r.copies = c.copies;
        r.collate = c.collate;
        r.parity = c.parity;
        print(r);
        EXPECT_EQ(device.pages(), c.printed) << c.list << " x" << c.copies;
        EXPECT_EQ(device.log.value(0), c.job) << c.list << " x" << c.copies;
        // One job: a new sheet before every page but the first, one end.
        if (*c.printed) {
            EXPECT_EQ(device.log.count("sheet"), device.pages().count(',')) << c.list;
            EXPECT_EQ(device.log.last(), "end");
        }
    }
    EXPECT_EQ(pages()[0].page, nullptr); // the objects are released once printed
}

TEST_F(Printing, NewJobWhenThePaperChanges) {
    report.pages().add();
    report.pages().page(1)->changePaper(frPaperA4, 0, 0, -1, poLandscape);
    report.title = QStringLiteral("Сводка");
    int fired = 0;
    report.onPrintReport = [&] { ++fired; };
    put(addPage(), *memo("A", 0, 0, 10, 10, {"1"}));
    pages().add(*report.pages().page(1));
    pages().add(*report.pages().page(1));
    put(addPage(), *memo("D", 0, 0, 10, 10, {"4"}));
    const TfrPrintResult r = print({});
    EXPECT_EQ(device.log, (QStringList{"job Сводка x1", "1", "end", "job Сводка x1", "2", "sheet", "3", "end",
                                       "job Сводка x1", "4", "end"}));
    EXPECT_EQ(r.jobs, 3);
    EXPECT_EQ(fired, 1);
    EXPECT_FALSE(engine.printer().printing);
    // The landscape page took the printer's geometry.
    EXPECT_EQ(pages()[1].prnInfo.pgw, 1071);
    EXPECT_EQ(pages()[1].prnInfo.pgh, 758);
}

TEST_F(Printing, StoppingAbortsTheJobAndBadListsPrintNothing) {
    makePages(3);
    TfrPrintRequest r;
    r.copies = 2;
    const TfrPrintResult stopped = print(r, [](int pageNo) { return pageNo < 2; });
    EXPECT_TRUE(stopped.stopped);
    EXPECT_EQ(device.log, (QStringList{"job Untitled x1", "1", "sheet", "2", "abort"}));
    EXPECT_FALSE(engine.printer().printing);

    device.log.clear();
    r.pageList = QStringLiteral("1,x");
    EXPECT_THROW(print(r), EPageListError);
    EXPECT_TRUE(device.log.isEmpty());
}

// A platform printer: A4 at 600 dots per inch with a 100 x 120 pixel unprintable border.
class FakePrinter : public TfrPrinterDevice {
public:
    QString name() const override { return QStringLiteral("Laser"); }
    State read() override {
        State s;
        s.paper = m_paper;
        s.papers = {{frPaperA4, QStringLiteral("A4")}};
        s.bins = {{1, QStringLiteral("Верхний лоток")}, {2, QStringLiteral("Нижний лоток")}};
        s.resolutionX = s.resolutionY = 600;
        const bool landscape = m_paper.orientation == poLandscape;
        s.pageWidth = landscape ? 7016 : 4960;
        s.pageHeight = landscape ? 4960 : 7016;
        s.offsetX = 100;
        s.offsetY = 120;
        s.printableWidth = s.pageWidth - 200;
        s.printableHeight = s.pageHeight - 240;
        return s;
    }
    void apply(const TfrPaperSetting& paper) override {
        // The driver feeds from its upper tray unless another is asked for.
        m_paper = paper;
        if (m_paper.bin == -1)
            m_paper.bin = 1;
        applied << paper.bin;
    }

    QList<int> applied; // the bins asked for, in order

private:
    TfrPaperSetting m_paper{frPaperA4, 2100, 2970, poPortrait, 1};
};

TEST_F(Printing, PagesLandOnTheSheetByTheirMargins) {
    std::vector<std::unique_ptr<TfrPrinterDevice>> devices;
    devices.push_back(std::make_unique<FakePrinter>());
    engine.printer().setDevices(std::move(devices));
    ASSERT_FALSE(engine.printer().isVirtual());
    makePages(2);
    pages()[1].marginUse = 0;
    pages()[1].margins = {36, 72, 36, 72};
    print({});
    ASSERT_EQ(device.targets.size(), 2);
    // Report pixel 0,0 on the paper's corner.
    EXPECT_EQ(device.targets[0], QRect(-100, -120, 4960, 7016));
    // Stretched into the printable area (4760 x 6776 printer pixels, 727 x 1035
    // report pixels) inside margins of 36 and 72 report pixels.
    EXPECT_EQ(device.targets[1], QRect(236, 471, 4760 - 472, 6776 - 942));
    EXPECT_EQ(pages()[1].prnInfo.pw, 727);
}

TEST_F(Printing, PagesFeedFromTheirBinsAndABinChangeStartsANewJob) {
    auto devices = std::vector<std::unique_ptr<TfrPrinterDevice>>();
    auto laser = std::make_unique<FakePrinter>();
    FakePrinter& printer = *laser;
    devices.push_back(std::move(laser));
    engine.printer().setDevices(std::move(devices));
    // The bins the driver offers follow the default entry; the current one
    // is where it feeds from.
    const TfrPrinter& prn = engine.printer();
    ASSERT_EQ(prn.binList().size(), 3u);
    EXPECT_EQ(prn.binList()[0].first, -1);
    EXPECT_EQ(prn.binList()[2], std::make_pair(std::int32_t(2), QStringLiteral("Нижний лоток")));
    EXPECT_EQ(prn.bin(), 1);

    // Pages 1 and 4 on the printer's default bin, 2 and 3 on the lower tray,
    // 5 on the upper one.
    report.pages().add();
    report.pages().page(1)->changePaper(frPaperA4, 0, 0, 2, poPortrait);
    EXPECT_EQ(report.pages().page(1)->bin, 2);
    report.pages().add();
    report.pages().page(2)->changePaper(frPaperA4, 0, 0, 1, poPortrait);
    put(addPage(), *memo("A", 0, 0, 10, 10, {"1"}));
    pages().add(*report.pages().page(1));
    pages().add(*report.pages().page(1));
    put(addPage(), *memo("D", 0, 0, 10, 10, {"4"}));
    pages().add(*report.pages().page(2));
    EXPECT_EQ(pages()[0].bin, frPageDefaultBin);
    printer.applied.clear();
    print({});
    // A page on the default bin takes whatever tray the printer feeds from,
    // so page 4 goes on in the job of the lower tray.
    EXPECT_EQ(device.log, (QStringList{"job Untitled x1", "1", "end", "job Untitled x1", "2", "sheet", "3", "sheet",
                                       "4", "end", "job Untitled x1", "5", "end"}));
    // Each job's first page is set up on the printer (forced), asking for its
    // bin; a default bin asks the driver for none.
    EXPECT_EQ(printer.applied, (QList<int>{-1, 2, 1}));
}

} // namespace
