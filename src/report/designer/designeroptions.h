#pragma once

// The designer's report-options, page-options and dictionary dialogs. Each
// works on its own copies of the values; OK hands them to the rules of
// report/design/designoptions.h (the report is marked modified; these
// changes are not objects, so no undo entry is recorded), Cancel drops them.

#include "report/design/designoptions.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPlainTextEdit;
class QRadioButton;
class QToolButton;
class TfrDesignDocument;
class TfrReport;

// "Параметры отчета": printer, two passes, the report information, password.
class TfrReportOptionsForm : public QDialog {
    Q_OBJECT
public:
    TfrReportOptionsForm(TfrReport& report, QWidget* parent = nullptr);
    TfrReportOptions options() const;

    // Shows the dialog; OK applies it to the document's report.
    static bool run(TfrDesignDocument& document, QWidget* parent);

private:
    // "Защита паролем" switched on: the password asked twice.
    void protectionToggled(bool on);

    TfrReport& m_report;
    TfrReportOptions m_initial;
    std::optional<QString> m_newPassword;
    QComboBox* m_printer;
    QCheckBox *m_chooseAtOpen, *m_doublePass, *m_protect;
    QLineEdit *m_name, *m_author, *m_major, *m_minor, *m_release, *m_build;
    QPlainTextEdit* m_comment;
};

// "Параметры страницы": paper, orientation, source, margins, columns.
class TfrPageOptionsForm : public QDialog {
    Q_OBJECT
public:
    TfrPageOptionsForm(const TfrDesignDocument& document, QWidget* parent = nullptr);
    TfrPageOptions options() const;

    // Shows the dialog for the current page (report pages only); OK applies
    // it, and a column count that is not an integer is shown as an error.
    static bool run(TfrDesignDocument& document, QWidget* parent);

private:
    void paperChosen();

    QComboBox *m_paper, *m_bin;
    QLineEdit *m_width, *m_height;
    QRadioButton *m_portrait, *m_landscape;
    QLineEdit *m_left, *m_top, *m_right, *m_bottom, *m_gap, *m_columns;
    QCheckBox *m_stretch, *m_prevPage, *m_unlimited;
};

// "Словарь данных": variables in categories, aliases of tables and fields,
// aliases of the band data sources, on copies of the three lists.
class TfrDictionaryForm : public QDialog {
    Q_OBJECT
public:
    TfrDictionaryForm(TfrReport& report, QWidget* parent = nullptr);
    const TfrDictionaryEditor& editor() const { return m_editor; }

    // Shows the dialog; OK assigns the copies back.
    static bool run(TfrDesignDocument& document, QWidget* parent);

private:
    void showVariables(int current);
    void variableChosen();
    void valueEdited();
    void itemRenamed(QListWidgetItem* item);
    void showTables();
    void showFields();
    void aliasItemChosen(bool field);
    void aliasEdited();
    void excludeToggled(bool on);
    void showSources();
    void sourceChosen();

    TfrReport& m_report;
    TfrDictionaryEditor m_editor;
    bool m_filling = false;
    // Variables.
    QListWidget* m_variables;
    QLineEdit* m_value;
    QToolButton* m_expression;
    // Data from the database: the item the alias edits.
    QListWidget *m_tables, *m_fields;
    QLineEdit* m_alias;
    QCheckBox* m_exclude;
    bool m_fieldChosen = false;
    // Band sources.
    QListWidget* m_sources;
    QLineEdit* m_sourceAlias;
    QCheckBox* m_sourceExclude;
};
