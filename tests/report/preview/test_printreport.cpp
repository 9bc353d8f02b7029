// The print button's road without a dialog (ShowPrintDialog off): nothing to
// print, no printer installed.

#include "common/interaction.h"
#include "report/builder/preparedpages.h"
#include "report/model/engine.h"
#include "report/preview/printreport.h"

#include <gtest/gtest.h>

namespace {

TEST(PrintReport, WithoutPagesOrPrintersNothingIsPrinted) {
    TRecordingInteraction interaction;
    TfrEngine engine(&interaction);
    TfrReport report(engine);
    report.showPrintDialog = false;
    EXPECT_FALSE(frPrintReport(report, 0, nullptr)); // no prepared pages: silently nothing
    EXPECT_TRUE(interaction.messages.empty());

    report.pages().add();
    frPreparedPages(report).add(*report.pages().page(0));
    ASSERT_TRUE(engine.printer().isVirtual());
    EXPECT_FALSE(frPrintReport(report, 0, nullptr));
    ASSERT_EQ(interaction.messages.size(), 1u);
    EXPECT_EQ(interaction.messages[0].text, "Нет установленных принтеров");
    EXPECT_EQ(interaction.messages[0].title, "Ошибка");
}

} // namespace
