#include "report/designer/designerpickers.h"

#include "common/interaction.h"
#include "report/design/designdoc.h"
#include "report/design/designpickers.h"
#include "report/designer/editorparts.h"
#include "report/expr/functions.h"
#include "report/model/constants.h"
#include "report/model/dictionary.h"
#include "report/model/objects.h"
#include "report/model/report.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// Makes the entry with the text current, else the first one.
void selectText(QListWidget* list, const QString& text) {
    const auto found = list->findItems(text, Qt::MatchExactly);
    list->setCurrentRow(found.isEmpty() ? 0 : list->row(found.first()));
}

std::optional<QString> currentText(const QListWidget* list) {
    if (!list->currentItem())
        return std::nullopt;
    return list->currentItem()->text();
}

// Two lists side by side under their captions, with OK and Cancel below.
void layOutLists(QDialog& dialog, const QString& leftCaption, QListWidget* left, const QString& rightCaption,
                 QListWidget* right, QWidget* below = nullptr) {
    auto* layout = new QGridLayout(&dialog);
    layout->addWidget(new QLabel(leftCaption, &dialog), 0, 0);
    layout->addWidget(new QLabel(rightCaption, &dialog), 0, 1);
    layout->addWidget(left, 1, 0);
    layout->addWidget(right, 1, 1);
    int row = 2;
    if (below)
        layout->addWidget(below, row++, 0, 1, 2);
    layout->addWidget(frOkCancelButtons(dialog), row, 0, 1, 2);
}

QListWidget* namedList(QDialog& dialog, const char* name) {
    auto* list = new QListWidget(&dialog);
    list->setObjectName(QString::fromLatin1(name));
    return list;
}

} // namespace

// ---------------------------------------------------------------------------
// Field picker

TfrFieldPicker::TfrFieldPicker(TfrReport& report, QWidget* parent)
    : QDialog(parent), m_report(report), m_datasets(namedList(*this, "Datasets")), m_fields(namedList(*this, "Fields")) {
    setWindowTitle(QStringLiteral("Выбор поля БД"));
    m_datasets->addItems(report.dictionary().datasetList());
    connect(m_datasets, &QListWidget::currentTextChanged, this, [this](const QString& dataset) {
        m_fields->clear();
        m_fields->addItems(m_report.dictionary().fieldList(dataset));
        m_fields->setCurrentRow(0);
    });
    selectText(m_datasets, frLastPickedDataset(report.engine()));
    connect(m_fields, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    layOutLists(*this, QStringLiteral("Наборы данных"), m_datasets, QStringLiteral("Поля"), m_fields);
    resize(420, 300);
}

std::optional<QString> TfrFieldPicker::reference() const {
    const auto dataset = currentText(m_datasets);
    const auto field = currentText(m_fields);
    if (!dataset || !field)
        return std::nullopt;
    return frFieldReference(m_report, *dataset, *field);
}

std::optional<QString> TfrFieldPicker::pick(TfrReport& report, QWidget* parent) {
    TfrFieldPicker picker(report, parent);
    if (picker.exec() != QDialog::Accepted)
        return std::nullopt;
    const auto reference = picker.reference();
    if (reference)
        frLastPickedDataset(report.engine()) = *currentText(picker.m_datasets);
    return reference;
}

// ---------------------------------------------------------------------------
// Variable picker

TfrVariablePicker::TfrVariablePicker(TfrReport& report, QWidget* parent)
    : QDialog(parent), m_categories(namedList(*this, "Categories")), m_variables(namedList(*this, "Variables")) {
    setWindowTitle(QStringLiteral("Выбор переменной"));
    const TfrDataDictionary& dictionary = report.dictionary();
    m_categories->addItems(frVariableCategories(dictionary));
    connect(m_categories, &QListWidget::currentTextChanged, this, [this, &dictionary](const QString& category) {
        m_variables->clear();
        m_variables->addItems(frVariablesOf(dictionary, category));
        m_variables->setCurrentRow(0);
    });
    m_categories->setCurrentRow(0);
    connect(m_variables, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    layOutLists(*this, QStringLiteral("Категории"), m_categories, QStringLiteral("Переменные"), m_variables);
    resize(420, 300);
}

std::optional<QString> TfrVariablePicker::variable() const { return currentText(m_variables); }

std::optional<QString> TfrVariablePicker::pick(TfrReport& report, QWidget* parent) {
    TfrVariablePicker picker(report, parent);
    if (picker.exec() != QDialog::Accepted)
        return std::nullopt;
    return picker.variable();
}

// ---------------------------------------------------------------------------
// Function browser and the arguments dialog

TfrFunctionBrowser::TfrFunctionBrowser(TfrReport& report, QWidget* parent)
    : QDialog(parent), m_report(report), m_categories(namedList(*this, "Categories")),
      m_functions(namedList(*this, "Functions")), m_syntax(new QLabel(this)), m_explanation(new QLabel(this)) {
    setWindowTitle(QStringLiteral("Выбор функции"));
    m_syntax->setObjectName(QStringLiteral("Syntax"));
    m_explanation->setObjectName(QStringLiteral("Explanation"));
    m_syntax->setTextFormat(Qt::PlainText);
    m_explanation->setTextFormat(Qt::PlainText);
    m_explanation->setWordWrap(true);
    QFont bold = m_syntax->font();
    bold.setBold(true);
    m_syntax->setFont(bold);
    m_categories->addItem(TfrInstalledFunctions::allCategories());
    m_categories->addItems(frFunctionCategories(report.engine()));
    connect(m_categories, &QListWidget::currentTextChanged, this, [this](const QString& category) {
        m_functions->clear();
        m_functions->addItems(frFunctionsOf(m_report.engine(), category));
        m_functions->setCurrentRow(0);
    });
    connect(m_functions, &QListWidget::currentTextChanged, this, [this](const QString& name) {
        const QString description = frFunctionDescription(m_report.engine(), name);
        m_syntax->setText(frFunctionSyntax(description));
        m_explanation->setText(frFunctionExplanation(description));
    });
    m_categories->setCurrentRow(0);
    connect(m_functions, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    auto* about = new QWidget(this);
    auto* aboutLayout = new QVBoxLayout(about);
    aboutLayout->setContentsMargins(0, 0, 0, 0);
    aboutLayout->addWidget(m_syntax);
    aboutLayout->addWidget(m_explanation);
    layOutLists(*this, QStringLiteral("Категории"), m_categories, QStringLiteral("Функции"), m_functions, about);
    resize(480, 360);
}

std::optional<QString> TfrFunctionBrowser::function() const { return currentText(m_functions); }

std::optional<QString> TfrFunctionBrowser::pick(TfrReport& report, QWidget* parent) {
    std::optional<QString> name;
    {
        TfrFunctionBrowser browser(report, parent);
        if (browser.exec() != QDialog::Accepted)
            return std::nullopt;
        name = browser.function();
    }
    if (!name)
        return std::nullopt;
    const QString syntax = frFunctionSyntax(frFunctionDescription(report.engine(), *name));
    if (frFunctionArgumentCount(syntax) == 0)
        return frExpressionOperand(*name);
    TfrFunctionArgumentsForm arguments(report, *name, syntax, parent);
    if (arguments.exec() != QDialog::Accepted)
        return std::nullopt;
    return arguments.call();
}

TfrFunctionArgumentsForm::TfrFunctionArgumentsForm(TfrReport& report, const QString& function, const QString& syntax,
                                                   QWidget* parent)
    : QDialog(parent), m_function(function) {
    setWindowTitle(QStringLiteral("Аргументы функции"));
    auto* layout = new QGridLayout(this);
    auto* caption = new QLabel(syntax, this);
    caption->setTextFormat(Qt::PlainText);
    layout->addWidget(caption, 0, 0, 1, 3);
    const int count = frFunctionArgumentCount(syntax);
    for (int i = 1; i <= count; ++i) {
        auto* line = new QLineEdit(this);
        line->setObjectName(QStringLiteral("Argument%1").arg(i));
        line->setMinimumWidth(300);
        auto* button = new QToolButton(this);
        button->setObjectName(QStringLiteral("Argument%1Expression").arg(i));
        button->setText(QStringLiteral("..."));
        button->setToolTip(QStringLiteral("Вставить выражение"));
        connect(button, &QToolButton::clicked, this, [this, &report, line] {
            if (const auto e = frEditorPickers().expression(report, this))
                line->insert(*e);
            line->setFocus();
        });
        layout->addWidget(new QLabel(QStringLiteral("Аргумент %1:").arg(i), this), i, 0);
        layout->addWidget(line, i, 1);
        layout->addWidget(button, i, 2);
        m_arguments.push_back(line);
    }
    layout->addWidget(frOkCancelButtons(*this), count + 1, 0, 1, 3);
}

QString TfrFunctionArgumentsForm::call() const {
    QStringList arguments;
    for (const QLineEdit* line : m_arguments)
        arguments << line->text();
    return frFunctionCall(m_function, arguments);
}

// ---------------------------------------------------------------------------
// Expression builder

const QStringList& TfrExpressionBuilder::operators() {
    static const QStringList list = {
        QStringLiteral("+"),  QStringLiteral("-"),  QStringLiteral("*"),   QStringLiteral("/"),
        QStringLiteral("="),  QStringLiteral("<>"), QStringLiteral("<"),   QStringLiteral(">"),
        QStringLiteral("<="), QStringLiteral(">="), QStringLiteral("("),   QStringLiteral(")"),
        QStringLiteral("and"), QStringLiteral("or"), QStringLiteral("not"), QStringLiteral("mod"),
    };
    return list;
}

TfrExpressionBuilder::TfrExpressionBuilder(TfrReport& report, QWidget* parent)
    : QDialog(parent), m_edit(new QPlainTextEdit(this)) {
    setWindowTitle(QStringLiteral("Вставка выражения"));
    m_edit->setObjectName(QStringLiteral("Expression"));
    m_edit->setTabChangesFocus(true);
    m_edit->setMinimumSize(420, 90);

    auto* pickers = new QHBoxLayout;
    const auto pickerButton = [this, pickers](const QString& caption, const char* name, auto ask) {
        auto* button = new QPushButton(caption, this);
        button->setObjectName(QString::fromLatin1(name));
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, [this, ask] {
            if (const auto text = ask())
                insert(*text);
            m_edit->setFocus();
        });
        pickers->addWidget(button);
    };
    pickerButton(QStringLiteral("&Поле БД..."), "InsertField", [this, &report]() -> std::optional<QString> {
        if (const auto field = frEditorPickers().field(report, this))
            return frExpressionOperand(*field);
        return std::nullopt;
    });
    pickerButton(QStringLiteral("&Переменная..."), "InsertVariable", [this, &report]() -> std::optional<QString> {
        if (const auto variable = TfrVariablePicker::pick(report, this))
            return frExpressionOperand(*variable);
        return std::nullopt;
    });
    pickerButton(QStringLiteral("&Функция..."), "InsertFunction",
                 [this, &report] { return TfrFunctionBrowser::pick(report, this); });
    pickers->addStretch();

    auto* operatorGrid = new QGridLayout;
    operatorGrid->setSpacing(2);
    const int perRow = 8;
    for (int i = 0; i < operators().size(); ++i) {
        const QString op = operators()[i];
        auto* button = new QToolButton(this);
        button->setText(op);
        button->setMinimumWidth(36);
        connect(button, &QToolButton::clicked, this, [this, op] {
            insert(op + u' ');
            m_edit->setFocus();
        });
        operatorGrid->addWidget(button, i / perRow, i % perRow);
    }

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Выражение:"), this));
    layout->addWidget(m_edit, 1);
    layout->addLayout(operatorGrid);
    layout->addLayout(pickers);
    layout->addWidget(frOkCancelButtons(*this));
    m_edit->setFocus();
}

void TfrExpressionBuilder::insert(const QString& text) { m_edit->insertPlainText(text); }

std::optional<QString> TfrExpressionBuilder::expression() const {
    const QString text = m_edit->toPlainText().trimmed();
    if (text.isEmpty())
        return std::nullopt;
    return text;
}

std::optional<QString> TfrExpressionBuilder::build(TfrReport& report, QWidget* parent) {
    TfrExpressionBuilder builder(report, parent);
    if (builder.exec() != QDialog::Accepted)
        return std::nullopt;
    return builder.expression();
}

// ---------------------------------------------------------------------------
// Tag and restrictions

TfrTagForm::TfrTagForm(TfrReport& report, const QString& tag, QWidget* parent)
    : QDialog(parent), m_tag(new QLineEdit(tag, this)) {
    setWindowTitle(QStringLiteral("Тэг объекта"));
    m_tag->setObjectName(QStringLiteral("Tag"));
    m_tag->setMinimumWidth(300);
    auto* button = new QToolButton(this);
    button->setObjectName(QStringLiteral("InsertExpression"));
    button->setText(QStringLiteral("..."));
    button->setToolTip(QStringLiteral("Вставить выражение"));
    connect(button, &QToolButton::clicked, this, [this, &report] {
        if (const auto e = frEditorPickers().expression(report, this))
            m_tag->insert(*e);
        m_tag->setFocus();
    });
    auto* row = new QHBoxLayout;
    row->addWidget(m_tag, 1);
    row->addWidget(button);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(frOkCancelButtons(*this));
}

QString TfrTagForm::tag() const { return m_tag->text(); }

TfrRestrictionsForm::TfrRestrictionsForm(std::uint16_t restrictions, QWidget* parent)
    : QDialog(parent), m_value(restrictions) {
    setWindowTitle(QStringLiteral("Ограничения объекта"));
    const std::pair<std::uint16_t, const char16_t*> bits[] = {
        {frrfDontEditMemo, u"Не редактировать &мемо"},
        {frrfDontEditScript, u"Не редактировать &скрипт"},
        {frrfDontEditContents, u"Не редактировать содер&жимое"},
        {frrfDontModify, u"Не изменять &опции"},
        {frrfDontSize, u"Не изменять &размер"},
        {frrfDontMove, u"Не &перемещать"},
        {frrfDontDelete, u"Не &удалять"},
    };
    auto* layout = new QVBoxLayout(this);
    for (const auto& [bit, caption] : bits) {
        auto* box = new QCheckBox(QString::fromUtf16(caption), this);
        box->setObjectName(QStringLiteral("Restriction%1").arg(bit));
        box->setChecked(restrictions & bit);
        layout->addWidget(box);
        m_boxes.emplace_back(bit, box);
    }
    layout->addWidget(frOkCancelButtons(*this));
}

std::uint16_t TfrRestrictionsForm::restrictions() const {
    std::uint16_t value = m_value;
    for (const auto& [bit, box] : m_boxes)
        value = box->isChecked() ? std::uint16_t(value | bit) : std::uint16_t(value & ~bit);
    return value;
}

bool frEditTag(TfrDesignDocument& document, TfrView& view, QWidget* parent) {
    TfrTagForm form(document.report(), view.tag, parent);
    if (form.exec() != QDialog::Accepted || form.tag() == view.tag)
        return false;
    // As the inspector sets it: refused for an object whose options are
    // locked and for a text the template cannot hold.
    if (!document.setProperty({&view}, QStringLiteral("Tag"), TVariant(form.tag()))) {
        document.engine().interaction().showError(document.refusal());
        return false;
    }
    return true;
}

bool frEditRestrictions(TfrDesignDocument& document, TfrView& view, QWidget* parent) {
    TfrRestrictionsForm form(view.restrictions, parent);
    if (form.exec() != QDialog::Accepted || form.restrictions() == view.restrictions)
        return false;
    // Set directly: the restrictions themselves may forbid changing options.
    document.recordChange({&view});
    view.restrictions = form.restrictions();
    return true;
}
