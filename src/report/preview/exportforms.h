#pragma once

#include <QDialog>
#include <QString>
#include <vector>

class QCheckBox;
class QLineEdit;
class TfrCSVExport;
class TfrHTMExport;
class TfrRTFExport;

// The options dialog of an export filter: check boxes bound to the filter's
// switches, the group "Масштабирование" with the scale edits the filter uses,
// and, for CSV, the delimiter edit. readBack() copies the controls into the
// filter; the filters' dialogs take the options back on OK only, as the text
// export's dialog does.
class TfrExportOptionsForm : public QDialog {
public:
    struct Check {
        QString text;
        bool* value;
    };
    // scaleX may be null (HTML places by rows only); delimiter is shown when
    // given.
    TfrExportOptionsForm(const QString& caption, const std::vector<Check>& checks, double* scaleX, double* scaleY,
                         const QString* delimiter, QWidget* parent = nullptr);

    void readBack();
    QString delimiterText() const;

    std::vector<QCheckBox*> checkBoxes;
    QLineEdit* scaleXEdit = nullptr;
    QLineEdit* scaleYEdit = nullptr;
    QLineEdit* delimiterEdit = nullptr;

private:
    std::vector<Check> m_checks;
    double* m_scaleX;
    double* m_scaleY;
};

// The dialogs of the CSV, HTML and RTF filters ("Экспорт в CSV", "Экспорт в
// HTML", "Экспорт в RTF"): true for OK, which takes the options; cancelling
// leaves the filter as it was. frInstallExportDialogs installs them.
bool frCsvExportOptions(TfrCSVExport& filter, QWidget* parent = nullptr);
bool frHtmExportOptions(TfrHTMExport& filter, QWidget* parent = nullptr);
bool frRtfExportOptions(TfrRTFExport& filter, QWidget* parent = nullptr);
