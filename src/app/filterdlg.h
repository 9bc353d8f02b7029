#pragma once

#include <QDialog>
#include <QStringList>

class QPushButton;
class QTableWidget;

// The selection filter dialog: one row per selection column, the column label
// as the key (read-only) and the wildcard mask as the editable value. Rows are
// texts "key=value", split at the first "=".
class TfrmFilter : public QDialog {
    Q_OBJECT
public:
    explicit TfrmFilter(QWidget* parent = nullptr);

    QTableWidget* grid;
    QPushButton* btnOk;
    QPushButton* btnCancel;

    void clearRows();
    // Adds a row "key=value" (a text without "=" is a key with an empty value).
    void addRow(const QString& row);
    int rowCount() const;
    // Row i as "key=value" with the value as it is now in the grid; a row given
    // without "=" and left without a value comes back unchanged.
    QString rowText(int index) const;

    // All rows at once, for wiring to a list of rows kept elsewhere.
    void setRows(const QStringList& rows);
    QStringList rows() const;

    // Shows the dialog modally; true for OK. The edited values stay in the rows
    // whatever the result.
    bool execute();
    // Shows the dialog on a list of rows kept elsewhere and writes the edited
    // rows back into it, also when the dialog is cancelled; true for OK.
    bool executeOn(QStringList& rows);

    static QString caption();
    static constexpr int ClientWidth = 307;
    static constexpr int ClientHeight = 254;
    static constexpr int GridWidth = 306;
    static constexpr int GridHeight = 218;

public slots:
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
};
