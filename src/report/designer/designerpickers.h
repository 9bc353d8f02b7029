#pragma once

// The designer's pickers (database field, variable, function with its
// arguments), the expression builder that uses them, and the dialogs of the
// properties Tag and Restrictions. The builder and the field picker are what
// frEditorPickers() asks by default.

#include <QDialog>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class TfrDesignDocument;
class TfrReport;
class TfrView;

// "Выбор поля БД": the dictionary's datasets ("Datasets") and the fields of
// the chosen one ("Fields"), both as the dictionary shows them (aliases where
// defined). Opens on the dataset chosen last in the engine's run; a double
// click on a field confirms.
class TfrFieldPicker : public QDialog {
    Q_OBJECT
public:
    TfrFieldPicker(TfrReport& report, QWidget* parent = nullptr);
    // The chosen field's reference: the real dataset name, a period and the
    // real field name in double quotes; nothing without a chosen field.
    std::optional<QString> reference() const;
    // Shows the picker; the reference, or nothing when cancelled.
    static std::optional<QString> pick(TfrReport& report, QWidget* parent);

private:
    TfrReport& m_report;
    QListWidget* m_datasets;
    QListWidget* m_fields;
};

// The variable picker: the dictionary's categories and the built-in
// variables' category ("Categories"), the variables of the chosen one
// ("Variables"); a double click on a variable confirms.
class TfrVariablePicker : public QDialog {
    Q_OBJECT
public:
    TfrVariablePicker(TfrReport& report, QWidget* parent = nullptr);
    // The chosen variable's name, or nothing.
    std::optional<QString> variable() const;
    static std::optional<QString> pick(TfrReport& report, QWidget* parent);

private:
    QListWidget* m_categories;
    QListWidget* m_variables;
};

// The function browser: the categories of the installed functions and "Все
// функции" ("Categories"), the functions of the chosen one ("Functions"),
// and the chosen function's syntax ("Syntax") and explanation
// ("Explanation"); a double click on a function confirms.
class TfrFunctionBrowser : public QDialog {
    Q_OBJECT
public:
    TfrFunctionBrowser(TfrReport& report, QWidget* parent = nullptr);
    // The chosen function's name, or nothing.
    std::optional<QString> function() const;
    // Shows the browser and returns what the expression builder inserts: a
    // function whose syntax has an argument list goes through the arguments
    // dialog (nothing when that is cancelled), any other is its name as an
    // operand (frExpressionOperand).
    static std::optional<QString> pick(TfrReport& report, QWidget* parent);

private:
    TfrReport& m_report;
    QListWidget* m_categories;
    QListWidget* m_functions;
    QLabel* m_syntax;
    QLabel* m_explanation;
};

// "Аргументы функции": one line per argument box of a function's syntax
// ("Argument1" ...), each with a button ("Argument1Expression" ...) that
// inserts the expression builder's text at its caret.
class TfrFunctionArgumentsForm : public QDialog {
    Q_OBJECT
public:
    TfrFunctionArgumentsForm(TfrReport& report, const QString& function, const QString& syntax,
                             QWidget* parent = nullptr);
    // The call: the name and the non-empty arguments (frFunctionCall).
    QString call() const;

private:
    QString m_function;
    std::vector<QLineEdit*> m_arguments;
};

// "Вставка выражения": the expression ("Expression"), the buttons "&Поле
// БД..." ("InsertField"), "&Переменная..." ("InsertVariable") and
// "&Функция..." ("InsertFunction") that insert at the caret a field
// reference, a variable name (as operands) or a function call, and the
// operator buttons that insert their caption and a space.
class TfrExpressionBuilder : public QDialog {
    Q_OBJECT
public:
    TfrExpressionBuilder(TfrReport& report, QWidget* parent = nullptr);
    // The expression trimmed; nothing when it is empty.
    std::optional<QString> expression() const;
    // Shows the builder; the expression, or nothing when cancelled or empty.
    static std::optional<QString> build(TfrReport& report, QWidget* parent);
    static const QStringList& operators();

private:
    void insert(const QString& text);

    QPlainTextEdit* m_edit;
};

// "Тэг объекта": the object's tag ("Tag") with a button ("InsertExpression",
// hint "Вставить выражение") that inserts the expression builder's text at
// the caret as it is.
class TfrTagForm : public QDialog {
    Q_OBJECT
public:
    TfrTagForm(TfrReport& report, const QString& tag, QWidget* parent = nullptr);
    QString tag() const;

private:
    QLineEdit* m_tag;
};

// "Ограничения объекта": one check box per restriction bit ("Restriction1",
// "Restriction2", "Restriction4" ... named by the bit's value).
class TfrRestrictionsForm : public QDialog {
    Q_OBJECT
public:
    TfrRestrictionsForm(std::uint16_t restrictions, QWidget* parent = nullptr);
    // The given value with the bits of the boxes as checked (other bits kept).
    std::uint16_t restrictions() const;

private:
    std::uint16_t m_value;
    std::vector<std::pair<std::uint16_t, QCheckBox*>> m_boxes;
};

// The property editors of Tag and Restrictions: on OK with a change one undo
// entry of kind change is recorded and the object takes the value (true);
// Cancel or an unchanged value change nothing. The tag is set as the
// inspector sets it (a refusal, for an object whose options are locked or a
// text the template cannot hold, is shown and changes nothing); the
// restrictions are set also when they lock the object's options. The
// inspector's edit buttons open them (frRegisterPropertyEditors,
// propertyeditors.h).
bool frEditTag(TfrDesignDocument& document, TfrView& view, QWidget* parent);
bool frEditRestrictions(TfrDesignDocument& document, TfrView& view, QWidget* parent);
