#pragma once

// The windows that put database fields on a page: the "Вставка полей БД"
// dialog (fields of one table as texts with headers and bands) and the
// "Вставка поля БД" tool window, whose fields are dragged onto the page.

#include "report/design/designfields.h"

#include <QDialog>
#include <QListWidget>
#include <QWidget>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QMimeData;
class TfrDesignDocument;
class TfrReport;

// "Вставка полей БД": a table of the dictionary's list, its fields (several
// may be chosen), horizontal or vertical placement, headers, bands.
class TfrInsertFieldsForm : public QDialog {
    Q_OBJECT
public:
    explicit TfrInsertFieldsForm(TfrReport& report, QWidget* parent = nullptr);

    QString dataset() const;
    // The chosen fields in list order.
    QStringList fields() const;
    TfrFieldPlacement placement() const;

    // Shows the dialog on the document's page and inserts the chosen fields
    // on OK; false when cancelled or nothing could be inserted (the reason
    // is the document's refusal()). Dialog forms take no fields.
    static bool run(TfrDesignDocument& document, QWidget* parent);

private:
    void showFields();

    TfrReport& m_report;
    QComboBox* m_tables;
    QListWidget* m_fields;
    QButtonGroup* m_placement;
    QCheckBox* m_headers;
    QCheckBox* m_bands;
};

// The fields list of the tool window: dragging an entry carries its table
// and field.
class TfrFieldList : public QListWidget {
    Q_OBJECT
public:
    explicit TfrFieldList(QWidget* parent = nullptr);
    QString dataset;

    // The format of a dragged field, and reading one back (false when the
    // data holds none).
    static QString mimeType();
    static QMimeData* encode(const QString& dataset, const QString& field);
    static bool decode(const QMimeData* data, QString* dataset, QString* field);

protected:
    QMimeData* mimeData(const QList<QListWidgetItem*>& items) const override;
    QStringList mimeTypes() const override;
};

// "Вставка поля БД": the dictionary's tables and the chosen table's fields.
class TfrFieldWindow : public QWidget {
    Q_OBJECT
public:
    explicit TfrFieldWindow(TfrReport& report, QWidget* parent = nullptr);
    // Lists the tables again (after the dictionary changed), keeping the
    // table shown when it is still there.
    void refresh();
    TfrFieldList* fields() const { return m_fields; }
    QComboBox* tables() const { return m_tables; }

private:
    void showFields();

    TfrReport& m_report;
    QComboBox* m_tables;
    TfrFieldList* m_fields;
};
