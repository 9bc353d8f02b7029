#pragma once

#include <QDialog>

class QCheckBox;
class QLineEdit;
class TfrExportFilters;
class TfrTextExport;

// The options dialog of the text export ("Экспорт в TXT"): its check boxes
// and the two scales. The options are taken back into the filter on OK only.
class TfrTXTExportForm : public QDialog {
    Q_OBJECT
public:
    explicit TfrTXTExportForm(TfrTextExport& filter, QWidget* parent = nullptr);
    void accept() override;

private:
    TfrTextExport& m_filter;
    QCheckBox* m_killEmptyLines;
    QCheckBox* m_oem;
    QCheckBox* m_frames;
    QCheckBox* m_pseudographic;
    QCheckBox* m_pageBreaks;
    QLineEdit* m_scaleX;
    QLineEdit* m_scaleY;
};

// Installs the option dialogs of the registered filters this library knows
// (by class name); filters without one export without asking.
void frInstallExportDialogs(TfrExportFilters& filters, QWidget* parent = nullptr);
