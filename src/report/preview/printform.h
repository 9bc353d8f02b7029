#pragma once

#include "report/export/printing.h"

#include <QDialog>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class TfrPrinter;

// The print dialog: printer (chosen at once on the report printer), copies
// and collation, which pages (all, the current one, a list), odd or even
// pages only, and printing into a PDF file instead of on a printer (the only
// choice, and said so, when no printer is installed). "Свойства..." opens the
// printer's properties where it has them and is disabled elsewhere. A page
// list that is not a list is refused with a message in the dialog. Closing
// without OK selects the printer that was current when the dialog opened.
class TfrPrintForm : public QDialog {
    Q_OBJECT
public:
    TfrPrintForm(TfrPrinter& printer, QWidget* parent = nullptr);

    void setCopies(int copies);
    void setCollate(bool collate);
    // What to print; `currentPage` (0-based) is the page the preview shows.
    TfrPrintRequest request(int currentPage) const;
    bool printToPdf() const;
    // The index of the printer chosen in the report printer's list (the one
    // current when the dialog opened unless another was chosen).
    int chosenPrinter() const;

    void accept() override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void reject() override;

    // The dialog's texts.
    static QString captionText() { return QStringLiteral("Печать"); }
    static QString noPrintersText() {
        return QStringLiteral("Принтеры не установлены: отчёт можно напечатать только в файл PDF.");
    }
    static QString pageHintText() {
        return QStringLiteral("Введите номера и/или диапазоны страниц, разделенные запятыми. Например, 1,3,5-12");
    }

private:
    void choosePrinter(int index);
    void showProperties();
    void updateCollatePicture();
    void updateOk();

    TfrPrinter& m_printer;
    int m_startPrinter;
    int m_chosen;
    QComboBox* m_printers;
    QPushButton* m_properties;
    QSpinBox* m_copies;
    QCheckBox* m_collate;
    QLabel* m_collatePicture;
    QRadioButton* m_all;
    QRadioButton* m_current;
    QRadioButton* m_numbers;
    QLineEdit* m_pageList;
    QLabel* m_error;
    QComboBox* m_parity;
    QCheckBox* m_pdf;
    QLabel* m_noPrinters;
    QPushButton* m_ok;
};
