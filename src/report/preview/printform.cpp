#include "report/preview/printform.h"

#include "report/model/printer.h"
#include "report/preview/printers.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

// The small printer before each printer name.
QIcon printerIcon() {
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setPen(Qt::black);
    p.setBrush(Qt::white);
    p.drawRect(4, 1, 8, 5);
    p.setBrush(Qt::lightGray);
    p.drawRect(1, 6, 14, 6);
    p.setBrush(Qt::white);
    p.drawRect(4, 10, 8, 5);
    return QIcon(pm);
}

// Sheets of two copies of a three-page job: collated 1 2 3 1 2 3, else 1 1 2 2 3 3.
QPixmap collatePicture(bool collate) {
    QPixmap pm(120, 44);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    QFont f = p.font();
    f.setPixelSize(10);
    p.setFont(f);
    const int order[2][6] = {{1, 1, 2, 2, 3, 3}, {1, 2, 3, 1, 2, 3}};
    for (int i = 0; i < 6; ++i) {
        const int group = collate ? i / 3 : i / 2;
        const int x = i * 16 + group * 8, y = (collate ? i % 3 : i % 2) * 4;
        const QRect sheet(x, y, 18, 24);
        p.setPen(Qt::black);
        p.setBrush(Qt::white);
        p.drawRect(sheet);
        p.drawText(sheet, Qt::AlignCenter, QString::number(order[collate ? 1 : 0][i]));
    }
    return pm;
}

} // namespace

TfrPrintForm::TfrPrintForm(TfrPrinter& printer, QWidget* parent)
    : QDialog(parent), m_printer(printer), m_startPrinter(printer.printerIndex()), m_chosen(m_startPrinter) {
    setWindowTitle(captionText());
    setObjectName(QStringLiteral("TfrPrintForm"));

    auto* printerBox = new QGroupBox(QStringLiteral("Принтер"));
    auto* nameLabel = new QLabel(QStringLiteral("&Имя:"));
    m_printers = new QComboBox;
    m_printers->setObjectName(QStringLiteral("PrinterCB"));
    nameLabel->setBuddy(m_printers);
    const QIcon icon = printerIcon();
    for (int i = 0; i < printer.virtualIndex(); ++i)
        m_printers->addItem(icon, printer.printers()[i]);
    if (!printer.isVirtual())
        m_printers->setCurrentIndex(printer.printerIndex());
    m_properties = new QPushButton(QStringLiteral("Свойства..."));
    m_properties->setObjectName(QStringLiteral("PropButton"));
    auto* printerRow = new QHBoxLayout(printerBox);
    printerRow->addWidget(nameLabel);
    printerRow->addWidget(m_printers, 1);
    printerRow->addWidget(m_properties);

    auto* copiesBox = new QGroupBox(QStringLiteral("Копии"));
    auto* copiesLabel = new QLabel(QStringLiteral("Число &копий:"));
    m_copies = new QSpinBox;
    m_copies->setObjectName(QStringLiteral("CopiesE"));
    m_copies->setRange(1, kMaxCopies);
    copiesLabel->setBuddy(m_copies);
    m_collate = new QCheckBox(QStringLiteral("&Разобрать по копиям"));
    m_collate->setObjectName(QStringLiteral("CollateCB"));
    m_collate->setChecked(true);
    m_collatePicture = new QLabel;
    m_collatePicture->setObjectName(QStringLiteral("CollateImage"));
    auto* copiesGrid = new QGridLayout(copiesBox);
    copiesGrid->addWidget(copiesLabel, 0, 0);
    copiesGrid->addWidget(m_copies, 0, 1);
    copiesGrid->addWidget(m_collate, 1, 0, 1, 2);
    copiesGrid->addWidget(m_collatePicture, 0, 2, 2, 1);

    auto* pagesBox = new QGroupBox(QStringLiteral("Страницы"));
    m_all = new QRadioButton(QStringLiteral("&Все"));
    m_all->setObjectName(QStringLiteral("AllRB"));
    m_current = new QRadioButton(QStringLiteral("&Текущая"));
    m_current->setObjectName(QStringLiteral("CurPageRB"));
    m_numbers = new QRadioButton(QStringLiteral("&Номера:"));
    m_numbers->setObjectName(QStringLiteral("PagesRB"));
    m_all->setChecked(true);
    m_pageList = new QLineEdit;
    m_pageList->setObjectName(QStringLiteral("PagesE"));
    auto* hint = new QLabel(pageHintText());
    hint->setWordWrap(true);
    m_error = new QLabel;
    m_error->setObjectName(QStringLiteral("PagesError"));
    m_error->setWordWrap(true);
    m_error->setStyleSheet(QStringLiteral("color: #b00000"));
    m_error->hide();
    auto* pagesGrid = new QGridLayout(pagesBox);
    pagesGrid->addWidget(m_all, 0, 0);
    pagesGrid->addWidget(m_current, 1, 0);
    pagesGrid->addWidget(m_numbers, 2, 0);
    pagesGrid->addWidget(m_pageList, 2, 1);
    pagesGrid->addWidget(hint, 3, 0, 1, 2);
    pagesGrid->addWidget(m_error, 4, 0, 1, 2);

    auto* parityLabel = new QLabel(QStringLiteral("Вывести на &печать:"));
    m_parity = new QComboBox;
    m_parity->setObjectName(QStringLiteral("PrintPagesCB"));
    m_parity->addItems({QStringLiteral("Все страницы диапазона"), QStringLiteral("Нечетные страницы"),
                        QStringLiteral("Четные страницы")});
    parityLabel->setBuddy(m_parity);
    auto* parityRow = new QHBoxLayout;
    parityRow->addWidget(parityLabel);
    parityRow->addWidget(m_parity, 1);

    m_pdf = new QCheckBox(QStringLiteral("Печать в &файл PDF"));
    m_pdf->setObjectName(QStringLiteral("PdfCB"));
    // Without an installed printer the dialog says so and prints into a file.
    m_noPrinters = new QLabel(noPrintersText());
    m_noPrinters->setObjectName(QStringLiteral("NoPrintersLabel"));
    m_noPrinters->setWordWrap(true);
    const bool none = printer.virtualIndex() == 0;
    m_noPrinters->setVisible(none);
    if (none) {
        m_pdf->setChecked(true);
        m_pdf->setEnabled(false);
        m_printers->setEnabled(false);
    }

    auto* buttons = new QDialogButtonBox;
    m_ok = buttons->addButton(QStringLiteral("ОК"), QDialogButtonBox::AcceptRole);
    m_ok->setObjectName(QStringLiteral("btnOk"));
    m_ok->setDefault(true);
    auto* cancel = buttons->addButton(QStringLiteral("Отмена"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("btnCancel"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_noPrinters);
    layout->addWidget(printerBox);
    layout->addWidget(copiesBox);
    layout->addWidget(pagesBox);
    layout->addLayout(parityRow);
    layout->addWidget(m_pdf);
    layout->addWidget(buttons);

    connect(m_printers, &QComboBox::activated, this, &TfrPrintForm::choosePrinter);
    connect(m_properties, &QPushButton::clicked, this, &TfrPrintForm::showProperties);
    connect(m_collate, &QCheckBox::toggled, this, &TfrPrintForm::updateCollatePicture);
    connect(m_numbers, &QRadioButton::clicked, this, [this] { m_pageList->setFocus(); });
    connect(m_pageList, &QLineEdit::textEdited, this, [this] {
        m_numbers->setChecked(true);
        m_error->hide();
    });
    connect(m_pdf, &QCheckBox::toggled, this, &TfrPrintForm::updateOk);
    connect(buttons, &QDialogButtonBox::accepted, this, &TfrPrintForm::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TfrPrintForm::reject);
    m_pageList->installEventFilter(this);
    updateCollatePicture();
    updateOk();
}

bool TfrPrintForm::eventFilter(QObject* watched, QEvent* event) {
    // Entering the page list chooses it.
    if (watched == m_pageList && event->type() == QEvent::FocusIn)
        m_numbers->setChecked(true);
    return QDialog::eventFilter(watched, event);
}

void TfrPrintForm::setCopies(int copies) { m_copies->setValue(copies); }
void TfrPrintForm::setCollate(bool collate) { m_collate->setChecked(collate); }
bool TfrPrintForm::printToPdf() const { return m_pdf->isChecked(); }
int TfrPrintForm::chosenPrinter() const { return m_chosen; }

TfrPrintRequest TfrPrintForm::request(int currentPage) const {
    TfrPrintRequest r;
    if (m_current->isChecked())
        r.pageList = QString::number(currentPage + 1);
    else if (m_numbers->isChecked())
        r.pageList = m_pageList->text();
    r.copies = m_copies->value();
    r.collate = m_collate->isChecked();
    r.parity = static_cast<TfrPageParity>(m_parity->currentIndex());
    return r;
}

void TfrPrintForm::choosePrinter(int index) {
    m_chosen = index;
    m_printer.setPrinterIndex(index);
    updateOk();
}

void TfrPrintForm::showProperties() { frShowPrinterProperties(m_printer, this); }

void TfrPrintForm::updateCollatePicture() { m_collatePicture->setPixmap(collatePicture(m_collate->isChecked())); }

void TfrPrintForm::updateOk() {
    // Without an installed printer only the PDF file can be printed into.
    const bool havePrinter = !m_printer.isVirtual();
    m_properties->setEnabled(havePrinter && !m_pdf->isChecked() && frHasPrinterProperties(m_printer));
    m_ok->setEnabled(havePrinter || m_pdf->isChecked());
}

void TfrPrintForm::accept() {
    if (m_numbers->isChecked()) {
        const QString problem = frPageListError(m_pageList->text());
        if (!problem.isEmpty()) {
            m_error->setText(problem);
            m_error->show();
            m_pageList->setFocus();
            return;
        }
    }
    QDialog::accept();
}

void TfrPrintForm::reject() {
    m_printer.setPrinterIndex(m_startPrinter);
    QDialog::reject();
}
