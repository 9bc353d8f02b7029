// The text export's options dialog: its texts, the pseudographic box that
// follows the frames box, and options taken back on OK only.

#include "report/export/pdfexport.h"
#include "report/export/textexport.h"
#include "report/preview/exportdialogs.h"

#include <QCheckBox>
#include <QLineEdit>
#include <gtest/gtest.h>

namespace {

TEST(TextExportDialog, ShowsAndTakesBackTheOptions) {
    TfrTextExport filter;
    filter.scaleX = 1.3;
    filter.pageBreaks = false;
    TfrTXTExportForm form(filter);
    EXPECT_EQ(form.windowTitle(), "Экспорт в TXT");
    auto* frames = form.findChild<QCheckBox*>("FramesCB");
    auto* pseudo = form.findChild<QCheckBox*>("PseudoCB");
    auto* scaleX = form.findChild<QLineEdit*>("ScaleXE");
    auto* scaleY = form.findChild<QLineEdit*>("ScaleYE");
    ASSERT_TRUE(frames && pseudo && scaleX && scaleY);
    EXPECT_EQ(pseudo->text(), "Использовать &псевдографику");
    EXPECT_EQ(scaleX->text(), "1.3");
    EXPECT_FALSE(form.findChild<QCheckBox*>("PageBreaksCB")->isChecked());
    EXPECT_FALSE(pseudo->isEnabled());
    frames->setChecked(true);
    EXPECT_TRUE(pseudo->isEnabled());
    pseudo->setChecked(true);
    scaleX->setText("2,5");
    scaleY->setText("много");

    form.reject();
    EXPECT_FALSE(filter.exportFrames);
    EXPECT_DOUBLE_EQ(filter.scaleX, 1.3);

    form.accept();
    EXPECT_TRUE(filter.exportFrames);
    EXPECT_TRUE(filter.usePseudographic);
    EXPECT_DOUBLE_EQ(filter.scaleX, 2.5);
    EXPECT_DOUBLE_EQ(filter.scaleY, 1); // a text that is no number gives 1
}

TEST(TextExportDialog, InstalledOnTheTextFilterOnly) {
    TfrExportFilters filters;
    filters.add(std::make_unique<TfrPdfExport>());
    filters.add(std::make_unique<TfrTextExport>());
    frInstallExportDialogs(filters);
    EXPECT_FALSE(static_cast<bool>(filters[0].filter->optionsDialog));
    EXPECT_TRUE(static_cast<bool>(filters[1].filter->optionsDialog));
}

} // namespace
