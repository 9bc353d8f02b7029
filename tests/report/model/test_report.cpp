#include "common/datetime.h"
#include "report/model/engine.h"
#include "report/model/report.h"

#include <QTimeZone>
#include <gtest/gtest.h>

TEST(ReportModel, NewReportDefaults) {
    TfrEngine engine;
    TfrReport r(engine);
    EXPECT_EQ(r.pages().count(), 0);
    EXPECT_EQ(r.fileName, "Untitled");
    EXPECT_EQ(r.defaultCopies, 1);
    EXPECT_TRUE(r.defaultCollate);
    EXPECT_TRUE(r.printIfEmpty);
    EXPECT_TRUE(r.showPrintDialog);
    EXPECT_TRUE(r.showProgress);
    EXPECT_TRUE(r.modalPreview);
    EXPECT_TRUE(r.modifyPrepared);
    EXPECT_FALSE(r.storeInDFM);
    EXPECT_FALSE(r.rebuildPrinter);
    EXPECT_EQ(r.reportType, TfrReportType::rtSimple);
    EXPECT_EQ(r.initialZoom, TfrPreviewZoom::pzDefault);
    EXPECT_EQ(r.previewButtons, 127u); // all but page set-up
    EXPECT_EQ(r.info.generatorByte, 88);
    EXPECT_EQ(r.dataset(), nullptr);
}

TEST(ReportModel, ClearKeepsThePrinterButResetsTheRest) {
    TfrEngine engine;
    TfrReport r(engine);
    r.pages().add();
    r.pages()[0]->add(std::make_unique<TfrMemoView>());
    r.dictionary().setVariable(QStringLiteral("V"), TVariant(QStringLiteral("1")));
    r.keepDefaultPrinter = true;
    r.printerName = QStringLiteral("Office");
    r.doublePassReport = true;
    r.info.name = QStringLiteral("Отчёт");
    r.info.password = QStringLiteral("secret");
    r.info.passwordProtected = true;
    r.info.createDate = r.info.lastChangeDate = 1.0;
    r.info.generatorByte = 1;

    const double before = datetime::now();
    r.clear();
    const double after = datetime::now();
    EXPECT_EQ(r.pages().count(), 0);
    EXPECT_TRUE(r.dictionary().variables.isEmpty());
    EXPECT_TRUE(r.keepDefaultPrinter);
    EXPECT_EQ(r.printerName, "Office");
    EXPECT_FALSE(r.doublePassReport);
    EXPECT_TRUE(r.info.name.isEmpty());
    EXPECT_TRUE(r.info.password.isEmpty());
    EXPECT_FALSE(r.info.passwordProtected);
    EXPECT_EQ(r.info.generatorByte, 88);
    EXPECT_GE(r.info.createDate, before);
    EXPECT_LE(r.info.createDate, after);
    EXPECT_GE(r.info.lastChangeDate, before);
}

TEST(ReportModel, FindObjectSearchesPagesInOrder) {
    TfrEngine engine;
    TfrReport r(engine);
    r.pages().add();
    r.pages().add();
    TfrView* second = r.pages()[1]->add(std::make_unique<TfrMemoView>());
    second->setName(QStringLiteral("Total"));
    TfrView* first = r.pages()[0]->add(std::make_unique<TfrLineView>());
    first->setName(QStringLiteral("TOTAL"));
    EXPECT_EQ(r.findObject(QStringLiteral("total")), first);
    EXPECT_EQ(r.findObject(QStringLiteral("none")), nullptr);
    EXPECT_EQ(r.allObjects().size(), 2u);
}

TEST(ReportModel, BuildAndDesignNeedTheirLayers) {
    TfrEngine scoped;
    TfrReport r(scoped);
    EXPECT_THROW(r.prepareReport(), Exception);
    EXPECT_THROW(r.designReport(), Exception);
    int built = 0, shown = 0;
    scoped.prepareReportHook = [&](TfrReport&) { return ++built == 1; };
    scoped.showPreparedReportHook = [&](TfrReport&) { ++shown; };
    r.showReport();
    r.showReport(); // the second build "fails": nothing is shown
    EXPECT_EQ(built, 2);
    EXPECT_EQ(shown, 1);
}

TEST(ReportModel, EngineStateSlotsAreFreshPerEngine) {
    struct Counter {
        int n = 0;
    };
    TfrEngine one;
    one.state<Counter>().n = 5;
    EXPECT_EQ(one.state<Counter>().n, 5);
    TfrEngine other;
    EXPECT_EQ(other.state<Counter>().n, 0);
}

