// The options dialogs of the CSV, HTML and RTF filters: what they show, what
// OK takes back and what cancelling leaves.

#include "common/interaction.h"
#include "report/builder/preparedpages.h"
#include "report/export/exportfilter.h"
#include "report/export/formatfilters.h"
#include "report/export/programfilters.h"
#include "report/model/engine.h"
#include "report/preview/exportreport.h"
#include "report/preview/exportforms.h"

#include <QApplication>
#include <functional>
#include <QCheckBox>
#include <QDir>
#include <QTemporaryDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// Closes the next dialog that opens: fills it through `fill`, then clicks
// the named button.
void closeNextDialog(const QString& button, std::function<void(TfrExportOptionsForm&)> fill) {
    QTimer::singleShot(0, [button, fill] {
        auto* form = dynamic_cast<TfrExportOptionsForm*>(QApplication::activeModalWidget());
        ASSERT_NE(form, nullptr);
        fill(*form);
        form->findChild<QPushButton*>(button)->click();
    });
}

} // namespace

TEST(ExportForms, CsvTakesScalesSwitchesAndDelimiterOnOk) {
    TfrCSVExport csv;
    auto change = [](TfrExportOptionsForm& form) {
        EXPECT_EQ(form.windowTitle(), "Экспорт в CSV");
        ASSERT_EQ(form.checkBoxes.size(), 2u);
        EXPECT_TRUE(form.checkBoxes[0]->isChecked());
        EXPECT_EQ(form.delimiterEdit->text(), ";");
        form.checkBoxes[0]->setChecked(false);
        form.checkBoxes[1]->setChecked(true);
        form.scaleXEdit->setText("2,5");
        form.scaleYEdit->setText("много");
        form.delimiterEdit->setText("\t");
    };
    closeNextDialog("btnCancel", change);
    EXPECT_FALSE(frCsvExportOptions(csv));
    EXPECT_TRUE(csv.killEmptyLines);
    EXPECT_EQ(csv.delimiter(), u';') << "cancelling changes nothing";
    closeNextDialog("btnOk", change);
    EXPECT_TRUE(frCsvExportOptions(csv));
    EXPECT_FALSE(csv.killEmptyLines);
    EXPECT_TRUE(csv.convertToOEM);
    EXPECT_DOUBLE_EQ(csv.scaleX, 2.5);
    EXPECT_DOUBLE_EQ(csv.scaleY, 1) << "a scale that is not a number gives 1";
    EXPECT_EQ(csv.delimiter(), u'\t');

    for (const char* kept : {"", "\""}) {
        closeNextDialog("btnOk", [kept](TfrExportOptionsForm& form) { form.delimiterEdit->setText(kept); });
        EXPECT_TRUE(frCsvExportOptions(csv));
        EXPECT_EQ(csv.delimiter(), u'\t') << "delimiter " << kept;
    }
}

TEST(ExportForms, HtmlAndRtfShowTheirOptions) {
    TfrHTMExport htm;
    closeNextDialog("btnOk", [](TfrExportOptionsForm& form) {
        EXPECT_EQ(form.windowTitle(), "Экспорт в HTML");
        EXPECT_EQ(form.scaleXEdit, nullptr) << "HTML places by rows only";
        EXPECT_EQ(form.delimiterEdit, nullptr);
        ASSERT_EQ(form.checkBoxes.size(), 3u);
        EXPECT_FALSE(form.checkBoxes[2]->isChecked()) << "texts are escaped by default";
        form.checkBoxes[1]->setChecked(true);
        form.scaleYEdit->setText("0.5");
    });
    EXPECT_TRUE(frHtmExportOptions(htm));
    EXPECT_TRUE(htm.exportPictures);
    EXPECT_FALSE(htm.rawTexts);
    EXPECT_DOUBLE_EQ(htm.scaleY, 0.5);

    TfrRTFExport rtf;
    closeNextDialog("btnOk", [](TfrExportOptionsForm& form) {
        EXPECT_EQ(form.windowTitle(), "Экспорт в RTF");
        EXPECT_EQ(form.scaleXEdit->text(), "1.3");
        ASSERT_EQ(form.checkBoxes.size(), 4u);
        form.checkBoxes[2]->setChecked(true);
        form.checkBoxes[3]->setChecked(false);
    });
    EXPECT_TRUE(frRtfExportOptions(rtf));
    EXPECT_TRUE(rtf.convertToTable);
    EXPECT_FALSE(rtf.pageBreaks);
    EXPECT_DOUBLE_EQ(rtf.scaleX, 1.3);
}

TEST(ExportForms, SaveDialogPreselectsRtfAndTheCsvEntryWritesCsv) {
    TRecordingInteraction interaction;
    TfrEngine engine(&interaction);
    TfrReport report(engine);
    report.showProgress = false;
    report.pages().add();
    frPreparedPages(report).add(*report.pages().page(0));
    TfrExportFilters& filters = frExportFilters(engine);
    frRegisterProgramFilters(filters);
    for (int i = 0; i < filters.count(); ++i)
        filters[i].filter->showDialog = false;
    EXPECT_EQ(filters.defaultEntry(), 3);
    QTemporaryDir dir;
    for (int entry : {3, 4, 5}) {
        TfrExportFilter* filter = filters.filterOfEntry(entry);
        ASSERT_NE(filter, nullptr) << entry;
        EXPECT_TRUE(frExportWithProgress(report, *filter, frReplaceExtension(dir.filePath("r.dat"), filter->extension()),
                                         nullptr))
            << entry;
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), (QStringList{"r.csv", "r.htm", "r.rtf"}));
    EXPECT_TRUE(interaction.messages.empty());
}
