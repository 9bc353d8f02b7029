// The print dialog: its captions and fields, what it asks printing for, page
// lists it refuses, and the printer it leaves selected.

#include "report/model/constants.h"
#include "report/model/printer.h"
#include "report/preview/printform.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFocusEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <gtest/gtest.h>

namespace {

class NamedPrinter : public TfrPrinterDevice {
public:
    explicit NamedPrinter(QString name) : m_name(std::move(name)) {}
    QString name() const override { return m_name; }
    State read() override {
        State s;
        s.paper = {frPaperA4, 2100, 2970, poPortrait, -1};
        s.resolutionX = s.resolutionY = 300;
        return s;
    }
    void apply(const TfrPaperSetting&) override {}

private:
    QString m_name;
};

void installPrinters(TfrPrinter& printer, const QStringList& names) {
    std::vector<std::unique_ptr<TfrPrinterDevice>> devices;
    for (const QString& n : names)
        devices.push_back(std::make_unique<NamedPrinter>(n));
    printer.setDevices(std::move(devices));
}

template <class T>
T* child(QWidget& w, const char* name) {
    T* c = w.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(c, nullptr) << name;
    return c;
}

TEST(PrintForm, CaptionsAndFields) {
    TfrPrinter printer;
    installPrinters(printer, {"Laser", "Plotter"});
    TfrPrintForm form(printer);
    EXPECT_EQ(form.windowTitle(), "Печать");
    QStringList groups;
    for (const QGroupBox* g : form.findChildren<QGroupBox*>())
        groups << g->title();
    EXPECT_EQ(groups, (QStringList{"Принтер", "Копии", "Страницы"}));
    QStringList labels;
    for (const QLabel* l : form.findChildren<QLabel*>())
        if (!l->text().isEmpty())
            labels << l->text();
    for (const char* text : {"&Имя:", "Число &копий:", "Вывести на &печать:",
                             "Введите номера и/или диапазоны страниц, разделенные запятыми. Например, 1,3,5-12"})
        EXPECT_TRUE(labels.contains(QString::fromUtf8(text))) << text;
    // The installed printers only, the current one chosen.
    auto* printers = child<QComboBox>(form, "PrinterCB");
    EXPECT_EQ(printers->count(), 2);
    EXPECT_EQ(printers->currentText(), "Laser");
    auto* parity = child<QComboBox>(form, "PrintPagesCB");
    EXPECT_EQ(parity->itemText(1), "Нечетные страницы");
    EXPECT_EQ(child<QRadioButton>(form, "AllRB")->text(), "&Все");
    EXPECT_EQ(child<QCheckBox>(form, "CollateCB")->text(), "&Разобрать по копиям");
    EXPECT_EQ(child<QPushButton>(form, "btnOk")->text(), "ОК");
    EXPECT_EQ(child<QPushButton>(form, "btnCancel")->text(), "Отмена");
    // The picture follows the collation box.
    auto* picture = child<QLabel>(form, "CollateImage");
    const QImage collated = picture->pixmap().toImage();
    child<QCheckBox>(form, "CollateCB")->setChecked(false);
    EXPECT_NE(picture->pixmap().toImage(), collated);
}

TEST(PrintForm, RequestFollowsTheChoices) {
    TfrPrinter printer;
    installPrinters(printer, {"Laser"});
    TfrPrintForm form(printer);
    form.setCopies(3);
    form.setCollate(false);
    TfrPrintRequest r = form.request(4);
    EXPECT_EQ(r.pageList, "");
    EXPECT_EQ(r.copies, 3);
    EXPECT_FALSE(r.collate);
    EXPECT_EQ(r.parity, TfrPageParity::All);

    child<QRadioButton>(form, "CurPageRB")->setChecked(true);
    child<QComboBox>(form, "PrintPagesCB")->setCurrentIndex(2);
    r = form.request(4);
    EXPECT_EQ(r.pageList, "5");
    EXPECT_EQ(r.parity, TfrPageParity::Even);

    // Entering the page list chooses it.
    auto* edit = child<QLineEdit>(form, "PagesE");
    edit->setText("2-");
    QFocusEvent focus(QEvent::FocusIn);
    QCoreApplication::sendEvent(edit, &focus);
    EXPECT_TRUE(child<QRadioButton>(form, "PagesRB")->isChecked());
    EXPECT_EQ(form.request(0).pageList, "2-");
    // Copies stay between 1 and the most printing makes.
    auto* copies = child<QSpinBox>(form, "CopiesE");
    copies->setValue(0);
    EXPECT_EQ(form.request(0).copies, 1);
    copies->setValue(100000);
    EXPECT_EQ(form.request(0).copies, kMaxCopies);
}

TEST(PrintForm, RefusesPageListsThatAreNoList) {
    TfrPrinter printer;
    installPrinters(printer, {"Laser"});
    TfrPrintForm form(printer);
    child<QRadioButton>(form, "PagesRB")->setChecked(true);
    child<QLineEdit>(form, "PagesE")->setText("1,5-x");
    form.accept();
    EXPECT_NE(form.result(), QDialog::Accepted);
    auto* error = child<QLabel>(form, "PagesError");
    EXPECT_TRUE(error->isVisibleTo(&form));
    EXPECT_TRUE(error->text().contains("5-x")) << error->text().toStdString();
    // The same text with "Все" chosen is not read.
    child<QRadioButton>(form, "AllRB")->setChecked(true);
    form.accept();
    EXPECT_EQ(form.result(), QDialog::Accepted);
}

TEST(PrintForm, CancelReturnsToThePrinterItStartedWith) {
    TfrPrinter printer;
    installPrinters(printer, {"Laser", "Plotter"});
    {
        TfrPrintForm form(printer);
        emit child<QComboBox>(form, "PrinterCB")->activated(1);
        EXPECT_EQ(printer.printerName(), "Plotter"); // chosen at once
        form.reject();
    }
    EXPECT_EQ(printer.printerName(), "Laser");
    {
        TfrPrintForm form(printer);
        emit child<QComboBox>(form, "PrinterCB")->activated(1);
        form.accept();
    }
    EXPECT_EQ(printer.printerName(), "Plotter");
}

TEST(PrintForm, WithoutPrintersItSaysSoAndPrintsIntoAPdfFile) {
    {
        TfrPrinter printer; // the virtual printer alone
        TfrPrintForm form(printer);
        EXPECT_TRUE(child<QLabel>(form, "NoPrintersLabel")->isVisibleTo(&form));
        EXPECT_EQ(child<QLabel>(form, "NoPrintersLabel")->text(), TfrPrintForm::noPrintersText());
        auto* pdf = child<QCheckBox>(form, "PdfCB");
        EXPECT_TRUE(pdf->isChecked());
        EXPECT_FALSE(pdf->isEnabled()); // the only way to print
        EXPECT_TRUE(child<QPushButton>(form, "btnOk")->isEnabled());
        EXPECT_FALSE(child<QPushButton>(form, "PropButton")->isEnabled());
        EXPECT_TRUE(form.printToPdf());
    }
    // With a printer the PDF file is a choice; printers reached other than
    // through the platform have no properties dialog.
    TfrPrinter printer;
    installPrinters(printer, {"Laser"});
    TfrPrintForm form(printer);
    EXPECT_FALSE(child<QLabel>(form, "NoPrintersLabel")->isVisibleTo(&form));
    EXPECT_FALSE(form.printToPdf());
    EXPECT_TRUE(child<QCheckBox>(form, "PdfCB")->isEnabled());
    EXPECT_FALSE(child<QPushButton>(form, "PropButton")->isEnabled());
}

} // namespace
