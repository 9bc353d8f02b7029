#include "common/interaction.h"
#include "report/model/buildstate.h"
#include "report/model/engine.h"
#include "report/model/page.h"
#include "report/model/report.h"

#include <gtest/gtest.h>

namespace {

// A printer that takes only the papers it lists (and custom sizes unless told
// otherwise), with 600 dpi geometry.
class TFakeDevice : public TfrPrinterDevice {
public:
    TFakeDevice(QString name, std::vector<std::int32_t> papers) : m_name(std::move(name)), m_codes(std::move(papers)) {
        m_paper.size = m_codes.empty() ? frPaperCustom : m_codes.front();
        m_paper.width = 2100;
        m_paper.height = 2970;
    }
    QString name() const override { return m_name; }
    State read() override {
        if (failRead)
            throw Exception(QStringLiteral("cannot read"));
        State s;
        s.paper = m_paper;
        for (std::int32_t c : m_codes)
            s.papers.emplace_back(c, QStringLiteral("Paper %1").arg(c));
        s.bins = {{7, QStringLiteral("Tray 1")}};
        s.resolutionX = s.resolutionY = 600;
        s.pageWidth = 4960;
        s.pageHeight = 7016;
        s.offsetX = s.offsetY = 100;
        s.printableWidth = 4760;
        s.printableHeight = 6816;
        return s;
    }
    void apply(const TfrPaperSetting& p) override {
        ++applies;
        const bool listed = std::find(m_codes.begin(), m_codes.end(), p.size) != m_codes.end();
        if (!(listed || (p.size == frPaperCustom && acceptCustom)))
            throw Exception(QStringLiteral("paper refused"));
        m_paper = p;
        if (const TfrPaperInfo* info = frFindPaper(p.size); info && p.size != frPaperCustom) {
            m_paper.width = p.orientation == poLandscape ? info->height : info->width;
            m_paper.height = p.orientation == poLandscape ? info->width : info->height;
        }
    }

    bool failRead = false;
    bool acceptCustom = true;
    int applies = 0;

private:
    QString m_name;
    std::vector<std::int32_t> m_codes;
    TfrPaperSetting m_paper;
};

TFakeDevice* installDevice(TfrPrinter& prn, std::vector<std::int32_t> papers) {
    auto dev = std::make_unique<TFakeDevice>(QStringLiteral("Office"), std::move(papers));
    TFakeDevice* raw = dev.get();
    std::vector<std::unique_ptr<TfrPrinterDevice>> list;
    list.push_back(std::move(dev));
    prn.setDevices(std::move(list));
    return raw;
}

} // namespace

TEST(ReportPrinter, VirtualPrinterIsTheOnlyOneWithoutDevices) {
    TfrEngine scoped;
    TfrPrinter& prn = scoped.printer();
    ASSERT_EQ(prn.printers().size(), 1);
    EXPECT_EQ(prn.printerName(), "Виртуальный принтер");
    EXPECT_TRUE(prn.isVirtual());
    EXPECT_EQ(prn.paperSize(), 9);
    EXPECT_EQ(prn.paperWidth(), 2100);
    EXPECT_EQ(prn.paperHeight(), 2970);
    EXPECT_EQ(prn.paperList().size(), frVirtualPaperTable().size());
    EXPECT_EQ(prn.paperList().back().second, "Другой");
    ASSERT_EQ(prn.binList().size(), 1u);
    EXPECT_EQ(prn.binList()[0], std::make_pair(std::int32_t(-1), QStringLiteral("По умолчанию")));
}

TEST(ReportPrinter, VirtualPaperTable) {
    EXPECT_EQ(frVirtualPaperTable().size(), 67u);
    const TfrPaperInfo* a3 = frFindPaper(8);
    ASSERT_NE(a3, nullptr);
    EXPECT_EQ(a3->width, 2970);
    EXPECT_EQ(a3->height, 4200);
    EXPECT_EQ(QString::fromUtf16(frFindPaper(20)->name), "#10 Envelope, 4 1/8  x 9 1/2\"");
    EXPECT_EQ(frFindPaper(35)->width, 1760); // B6 envelope is stored wider than high
    EXPECT_EQ(frFindPaper(35)->height, 1250);
    EXPECT_EQ(frFindPaper(48), nullptr);
    EXPECT_EQ(frFindPaper(68)->width, 3220);
}

TEST(ReportPrinter, VirtualGeometryOfA4) {
    TfrEngine scoped;
    TfrPrinter& prn = scoped.printer();
    prn.setPrinterInfo(9, 0, 0, poPortrait, -1, true);
    const TfrPrnInfo info = prn.fillPrnInfo();
    EXPECT_EQ(info.pgw, 758);
    EXPECT_EQ(info.pgh, 1071);
    EXPECT_EQ(info.ofx, 18);
    EXPECT_EQ(info.ofy, 18);
    EXPECT_EQ(info.pw, 722);
    EXPECT_EQ(info.ph, 1035);
    EXPECT_EQ(info.pPgw, 0);
    EXPECT_EQ(info.pPw, 0);

    prn.setPrinterInfo(9, 0, 0, poLandscape, -1, false);
    EXPECT_EQ(prn.paperWidth(), 2970);
    EXPECT_EQ(prn.paperHeight(), 2100);
    EXPECT_EQ(prn.fillPrnInfo().pgw, 1071);
}

TEST(ReportPrinter, CustomAndUnlistedSizesKeepTheirDimensions) {
    TfrEngine scoped;
    TfrPrinter& prn = scoped.printer();
    prn.setPrinterInfo(frPaperCustom, 1000, 500, poPortrait, -1, true);
    EXPECT_EQ(prn.paperWidth(), 1000);
    EXPECT_EQ(prn.paperHeight(), 500);
    EXPECT_EQ(prn.paperIndex(frPaperCustom), static_cast<int>(prn.paperList().size()) - 1);
    EXPECT_EQ(prn.paperIndex(70), static_cast<int>(prn.paperList().size()) - 1);
    EXPECT_EQ(prn.paperIndex(1), 0);
    EXPECT_EQ(prn.binIndex(42), 0);
}

TEST(ReportPrinter, PaperEquality) {
    TfrEngine scoped;
    TfrPrinter& prn = scoped.printer();
    prn.setPrinterInfo(frPaperCustom, 1000, 500, poPortrait, -1, true);
    EXPECT_TRUE(prn.isEqual(frPaperCustom, 1001, 499, poPortrait, 5));
    EXPECT_FALSE(prn.isEqual(frPaperCustom, 1002, 500, poPortrait, -1));
    EXPECT_FALSE(prn.isEqual(frPaperCustom, 1000, 500, poLandscape, -1));
    prn.setPrinterInfo(9, 0, 0, poPortrait, 3, true);
    EXPECT_TRUE(prn.isEqual(9, 1, 1, poPortrait, 3));
    EXPECT_TRUE(prn.isEqual(9, 1, 1, poPortrait, -1));
    EXPECT_TRUE(prn.isEqual(9, 1, 1, poPortrait, 0xFFFF)); // a page's "printer default" bin
    EXPECT_FALSE(prn.isEqual(9, 1, 1, poPortrait, 4));
    EXPECT_FALSE(prn.isEqual(8, 1, 1, poPortrait, 3));
}

TEST(ReportPrinter, ApplyingIsSkippedForEqualPaperAndWhilePrinting) {
    TfrEngine scoped;
    TfrPrinter& prn = scoped.printer();
    TFakeDevice* dev = installDevice(prn, {9, 11});
    prn.setPrinterInfo(11, 0, 0, poPortrait, -1, false);
    EXPECT_EQ(dev->applies, 1);
    prn.setPrinterInfo(11, 0, 0, poPortrait, -1, false);
    EXPECT_EQ(dev->applies, 1);
    prn.setPrinterInfo(11, 0, 0, poPortrait, -1, true);
    EXPECT_EQ(dev->applies, 2);
    prn.printing = true;
    prn.setPrinterInfo(9, 0, 0, poPortrait, -1, true);
    EXPECT_EQ(dev->applies, 2);
    EXPECT_EQ(prn.paperSize(), 11);
}

TEST(ReportPrinter, PlatformGeometryScalesByResolution) {
    TfrEngine scoped;
    TfrPrinter& prn = scoped.printer();
    installDevice(prn, {9});
    EXPECT_EQ(prn.printers(), QStringList({"Office", "Виртуальный принтер"}));
    EXPECT_FALSE(prn.isVirtual());
    ASSERT_EQ(prn.binList().size(), 2u);
    EXPECT_EQ(prn.binList()[1].first, 7);
    const TfrPrnInfo info = prn.fillPrnInfo();
    EXPECT_EQ(info.pPgw, 4960);
    EXPECT_EQ(info.pgw, 757); // 4960 * 91.6256 / 600 = 757.4
    EXPECT_EQ(info.ofx, 15);  // 100 * 91.6256 / 600 = 15.27
    EXPECT_EQ(info.pw, 727);
}

TEST(ReportPrinter, PaperListOfAPrinterIsCappedWithCustomLast) {
    TfrEngine scoped;
    TfrPrinter& prn = scoped.printer();
    std::vector<std::int32_t> codes;
    for (int i = 1; i <= 300; ++i)
        codes.push_back(i < 256 ? i : i + 1000);
    installDevice(prn, codes);
    EXPECT_EQ(prn.paperList().size(), 256u);
    EXPECT_EQ(prn.paperList().back().first, frPaperCustom);
    EXPECT_EQ(prn.paperList()[254].first, 255);
}

TEST(ReportPrinter, UnreadablePrinterFallsBackToTheVirtualOne) {
    TfrEngine scoped;
    TfrPrinter& prn = scoped.printer();
    TFakeDevice* dev = installDevice(prn, {9});
    prn.setPrinterIndex(prn.virtualIndex());
    dev->failRead = true;
    prn.setPrinterIndex(0);
    EXPECT_TRUE(prn.isVirtual());
    EXPECT_FALSE(prn.setPrinterIndex(5));
}

TEST(ReportPage, NewPageTakesThePrintersDefaultPaper) {
    TfrEngine engine;
    TfrReport report(engine);
    const int i = report.pages().add();
    TfrPage* p = report.pages()[i];
    EXPECT_EQ(p->pSize, 9);
    EXPECT_EQ(p->pWidth, 2100);
    EXPECT_EQ(p->pHeight, 2970);
    EXPECT_EQ(p->bin, 0xFFFF);
    EXPECT_EQ(p->orientation, poPortrait);
    EXPECT_EQ(p->prnInfo.pgw, 758);
    // Other fields.
    EXPECT_EQ(p->margins, TfrMargins());
    EXPECT_TRUE(p->useMargins);
    EXPECT_FALSE(p->printToPrevPage);
    EXPECT_EQ(p->columns, 0);
    EXPECT_EQ(p->columnGap, 0);
    EXPECT_EQ(p->pageType, ptReport);
    EXPECT_EQ(p->borderStyle, 3);
    EXPECT_EQ(p->caption, "Form");
    EXPECT_EQ(p->color, 0x8000000Fu);
    EXPECT_EQ(p->formLeft, 220);
    EXPECT_EQ(p->formTop, 120);
    EXPECT_EQ(p->formWidth, 380);
    EXPECT_EQ(p->formHeight, 300);
    EXPECT_EQ(p->position, 4);
    EXPECT_TRUE(p->visible);
    EXPECT_TRUE(p->name.isEmpty());
}

TEST(ReportPage, WidthAndHeightPropertiesConvertPaperTenths) {
    TfrEngine engine;
    TfrReport report(engine);
    TfrPage* p = report.pages()[report.pages().add()];
    EXPECT_EQ(p->getPropValue(QStringLiteral("Width"))->toInt(), 756);
    EXPECT_EQ(p->getPropValue(QStringLiteral("height"))->toInt(), 1069);
    p->setPropValue(QStringLiteral("Width"), TVariant(std::int32_t(100)));
    EXPECT_EQ(p->pWidth, 278); // 100 * 50 / 18 = 277.8
    EXPECT_EQ(p->pSize, 9);    // the paper is not re-validated
    p->pageType = ptDialog;
    EXPECT_EQ(p->getPropValue(QStringLiteral("Width"))->toInt(), 380);
    p->setPropValue(QStringLiteral("Width"), TVariant(std::int32_t(500)));
    EXPECT_EQ(p->formWidth, 500);
    EXPECT_EQ(p->pWidth, 278);
}

TEST(ReportPage, StretchToPrintableIsTheNegationOfUseMargins) {
    TfrEngine engine;
    TfrReport report(engine);
    TfrPage* p = report.pages()[report.pages().add()];
    EXPECT_FALSE(p->getPropValue(QStringLiteral("StretchToPrintable"))->toBool());
    p->setPropValue(QStringLiteral("stretchtoprintable"), TVariant(true));
    EXPECT_FALSE(p->useMargins);
    EXPECT_TRUE(p->getPropValue(QStringLiteral("StretchToPrintable"))->toBool());
    p->setPropValue(QStringLiteral("BorderStyle"), TVariant(QStringLiteral("bsSizeable")));
    EXPECT_EQ(p->borderStyle, 2);
    p->setPropValue(QStringLiteral("Position"), TVariant(QStringLiteral("poDesigned")));
    EXPECT_EQ(p->position, 0);
}

TEST(ReportPage, PrintableEdgesAndColumns) {
    TfrEngine engine;
    TfrReport report(engine);
    TfrPage* p = report.pages()[report.pages().add()];
    EXPECT_EQ(p->printableLeft(), 18);
    EXPECT_EQ(p->printableTop(), 18);
    EXPECT_EQ(p->printableRight(), 740);
    EXPECT_EQ(p->printableBottom(), 1053);
    EXPECT_EQ(p->printableBottom(40), 1013);
    EXPECT_EQ(p->columnWidth(), 722); // Columns 0 is one column
    p->columns = 1;
    EXPECT_EQ(p->columnWidth(), 722);
    p->columns = 3;
    p->columnGap = 11;
    EXPECT_EQ(p->columnWidth(), (722 - 22) / 3);

    p->margins = {36, 54, 72, 90};
    EXPECT_EQ(p->printableLeft(), 36);
    EXPECT_EQ(p->printableTop(), 54);
    EXPECT_EQ(p->printableRight(), 758 - 72);
    EXPECT_EQ(p->printableBottom(), 1071 - 90);
    EXPECT_EQ(p->getPropValue(QStringLiteral("RightMargin"))->toInt(), 72);

    p->useMargins = false;
    EXPECT_EQ(p->printableLeft(), 0);
    EXPECT_EQ(p->printableRight(), 758);
    EXPECT_EQ(p->printableBottom(), 1071);
}

TEST(ReportPage, MarginPropertiesGiveEffectiveEdgesWhileBuilding) {
    TfrEngine scoped;
    TfrReport report(scoped);
    TfrPage* p = report.pages()[report.pages().add()];
    p->margins.right = 0;
    EXPECT_EQ(p->getPropValue(QStringLiteral("LeftMargin"))->toInt(), 0);
    {
        // The build says which edges it uses for the page.
        TfrBuildState state;
        TfrBuildScope building(report, state);
        EXPECT_EQ(p->getPropValue(QStringLiteral("LeftMargin"))->toInt(), 0);
        state.setPrintableEdges(*p, {p->printableLeft(), p->printableTop(), p->printableRight(), p->printableBottom()});
        EXPECT_EQ(p->getPropValue(QStringLiteral("LeftMargin"))->toInt(), 18);
        EXPECT_EQ(p->getPropValue(QStringLiteral("RightMargin"))->toInt(), 740);
    }
    EXPECT_EQ(p->getPropValue(QStringLiteral("LeftMargin"))->toInt(), 0);
}

TEST(ReportPage, RefusedPaperFallsBackToCustomSize) {
    TfrEngine scoped;
    installDevice(scoped.printer(), {9});
    TfrReport report(scoped);
    TfrPage* p = report.pages()[report.pages().add()];
    p->changePaper(11, 1480, 2100, -1, poLandscape);
    EXPECT_EQ(p->pSize, frPaperCustom);
    EXPECT_EQ(p->pWidth, 1480);
    EXPECT_EQ(p->pHeight, 2100);
    EXPECT_EQ(p->orientation, poLandscape);
    EXPECT_EQ(p->bin, 0xFFFF);
    EXPECT_EQ(p->prnInfo.pPgw, 4960);
}

TEST(ReportPage, ChangePaperNeverFails) {
    TfrEngine scoped;
    TFakeDevice* dev = installDevice(scoped.printer(), {9});
    TfrReport report(scoped);
    TfrPage* p = report.pages()[report.pages().add()];
    dev->acceptCustom = false;
    EXPECT_NO_THROW(p->changePaper(11, 1480, 2100, -1, poPortrait));
    EXPECT_EQ(p->pSize, 9); // what the printer holds
}

TEST(ReportPage, BinFollowsThePrinterUnlessDefaultWasAsked) {
    TfrEngine scoped;
    installDevice(scoped.printer(), {9, 11});
    TfrReport report(scoped);
    TfrPage* p = report.pages()[report.pages().add()];
    p->changePaper(11, 0, 0, 7, poPortrait);
    EXPECT_EQ(p->bin, 7);
    EXPECT_EQ(p->pWidth, 1480);
    p->changePaper(9, 0, 0, 0x1FFFF, poPortrait); // low 16 bits 0xFFFF
    EXPECT_EQ(p->bin, 0xFFFF);
}

TEST(ReportPage, ObjectListOperations) {
    TfrEngine engine;
    TfrReport report(engine);
    TfrPage* p = report.pages()[report.pages().add()];
    TfrView* a = p->add(engine.createObject(gtMemo));
    a->setName(QStringLiteral("Title"));
    TfrView* b = p->add(engine.createObject(gtLine));
    b->setName(QStringLiteral("title")); // duplicates are possible; the first wins
    EXPECT_EQ(a->parentPage(), p);
    EXPECT_EQ(a->report(), &report);
    EXPECT_EQ(p->findObject(QStringLiteral("TITLE")), a);
    EXPECT_EQ(p->findObjectById(b->objectId), 1);
    EXPECT_EQ(p->findObjectById(-5), -1);
    auto taken = p->take(0);
    EXPECT_EQ(taken->parentPage(), nullptr);
    EXPECT_EQ(p->findObject(QStringLiteral("title")), b);
    p->deleteObject(7); // out of range does nothing
    p->clear();
    EXPECT_EQ(p->count(), 0);
}

TEST(ReportPages, AddMoveRemoveAndNames) {
    TfrEngine engine;
    TfrReport report(engine);
    TfrPages& pages = report.pages();
    EXPECT_EQ(report.uniquePageName(), "Page1");
    pages[pages.add()]->name = QStringLiteral("Page1");
    pages[pages.add()]->name = QStringLiteral("page3");
    EXPECT_EQ(report.uniquePageName(), "Page2");
    pages[pages.add()]->name = QStringLiteral("Page2");
    EXPECT_EQ(report.uniquePageName(), "Page4");
    pages.move(2, 0);
    EXPECT_EQ(pages[0]->name, "Page2");
    EXPECT_EQ(pages[1]->name, "Page1");
    pages.remove(0);
    EXPECT_EQ(pages.count(), 2);
    EXPECT_EQ(pages.indexOf(pages[1]), 1);
    pages.clear();
    EXPECT_EQ(pages.count(), 0);
}

TEST(ReportPrinterChoice, ChangePrinterHonoursKeepDefaultPrinter) {
    TfrEngine scoped;
    TfrPrinter& prn = scoped.printer();
    installDevice(prn, {9});
    prn.setPrinterIndex(0);
    TfrReport report(scoped);
    report.keepDefaultPrinter = true;
    report.changePrinter(QStringLiteral("Виртуальный принтер"));
    EXPECT_EQ(prn.printerIndex(), 0);
    EXPECT_EQ(report.printerName, "Виртуальный принтер");
    report.keepDefaultPrinter = false;
    report.changePrinter(QStringLiteral("Виртуальный принтер"));
    EXPECT_TRUE(prn.isVirtual());
    report.changePrinter(QStringLiteral("Unknown"));
    EXPECT_TRUE(prn.isVirtual());
    EXPECT_EQ(report.printerName, "Unknown");
}

TEST(ReportPrinterChoice, SelectPrinterReappliesPagesAndRecoversFromFailure) {
    TfrEngine scoped;
    TfrPrinter& prn = scoped.printer();
    TFakeDevice* dev = installDevice(prn, {9, 11});
    prn.setPrinterIndex(prn.virtualIndex());
    TfrReport report(scoped);
    TfrPage* p = report.pages()[report.pages().add()];
    p->changePaper(11, 0, 0, -1, poPortrait);
    EXPECT_EQ(p->prnInfo.pgw, 534); // A5 on the virtual printer

    TRecordingInteraction ui;
    TScopedInteraction scope(ui);
    EXPECT_TRUE(report.selectPrinter(0));
    EXPECT_EQ(report.printerName, "Office");
    EXPECT_EQ(p->pSize, 11);
    EXPECT_EQ(p->prnInfo.pPgw, 4960); // geometry now from the device
    EXPECT_TRUE(ui.messages.empty());

    prn.setPrinterIndex(prn.virtualIndex());
    report.printerName = QStringLiteral("Виртуальный принтер");
    dev->failRead = true;
    EXPECT_FALSE(report.selectPrinter(0));
    EXPECT_TRUE(ui.messages.empty()); // the caller tells the user
    EXPECT_EQ(frPrinterSetupFailedText(), "Возникли проблемы с настройкой выбранного принтера.");
    EXPECT_TRUE(prn.isVirtual());
    EXPECT_EQ(report.printerName, "Виртуальный принтер");
    EXPECT_EQ(p->prnInfo.pgw, 534);
}
