#include "report/designer/designeroptions.h"

#include "common/datetime.h"
#include "common/interaction.h"
#include "report/design/designdoc.h"
#include "report/designer/editorparts.h"
#include "report/model/dictionary.h"
#include "report/model/engine.h"
#include "report/model/page.h"
#include "report/model/printer.h"
#include "report/model/report.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFont>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QLineEdit* edit(QWidget* parent, const QString& name, const QString& text, int maxLength = 255) {
    auto* e = new QLineEdit(text, parent);
    e->setObjectName(name);
    e->setMaxLength(maxLength);
    return e;
}

QCheckBox* check(QWidget* parent, const QString& name, const QString& caption, bool on) {
    auto* c = new QCheckBox(caption, parent);
    c->setObjectName(name);
    c->setChecked(on);
    return c;
}

QString dateText(double days) { return datetime::toQDateTime(days).toString(QStringLiteral("dd.MM.yyyy hh:mm")); }

// Entries the dictionary lists show, at most.
constexpr int kMaxListed = 10000;

} // namespace

// ---------------------------------------------------------------- report options

TfrReportOptionsForm::TfrReportOptionsForm(TfrReport& report, QWidget* parent)
    : QDialog(parent), m_report(report), m_initial(frReportOptionsOf(report)) {
    setObjectName(QStringLiteral("TfrDocOptForm"));
    setWindowTitle(QStringLiteral("Параметры отчета"));
    const TfrReportOptions& o = m_initial;
    auto* tabs = new QTabWidget(this);

    auto* general = new QWidget;
    auto* generalLayout = new QVBoxLayout(general);
    auto* printerBox = new QGroupBox(QStringLiteral("Принтер"), general);
    auto* printerLayout = new QVBoxLayout(printerBox);
    m_printer = new QComboBox(printerBox);
    m_printer->setObjectName(QStringLiteral("Printer"));
    m_printer->addItems(report.engine().printer().printers());
    m_printer->setCurrentIndex(o.printerIndex);
    m_chooseAtOpen = check(printerBox, QStringLiteral("ChooseAtOpen"), QStringLiteral("&Выбирать при открытии отчета"),
                           o.chooseAtOpen);
    printerLayout->addWidget(m_printer);
    printerLayout->addWidget(m_chooseAtOpen);
    generalLayout->addWidget(printerBox);
    m_doublePass = check(general, QStringLiteral("DoublePass"), QStringLiteral("Делать два &прохода"), o.doublePass);
    generalLayout->addWidget(m_doublePass);
    generalLayout->addStretch();
    tabs->addTab(general, QStringLiteral("Отчет"));

    auto* info = new QWidget;
    auto* form = new QFormLayout(info);
    m_name = edit(info, QStringLiteral("Name"), o.name);
    m_author = edit(info, QStringLiteral("Author"), o.author);
    form->addRow(QStringLiteral("&Название:"), m_name);
    form->addRow(QStringLiteral("&Автор:"), m_author);
    auto* version = new QHBoxLayout;
    m_major = edit(info, QStringLiteral("Major"), o.versionMajor, 32);
    m_minor = edit(info, QStringLiteral("Minor"), o.versionMinor, 32);
    m_release = edit(info, QStringLiteral("Release"), o.versionRelease, 32);
    m_build = edit(info, QStringLiteral("Build"), o.versionBuild, 32);
    for (QLineEdit* e : {m_major, m_minor, m_release, m_build})
        version->addWidget(e);
    form->addRow(QStringLiteral("&Версия:"), version);
    m_comment = new QPlainTextEdit(o.comment, info);
    m_comment->setObjectName(QStringLiteral("Comment"));
    form->addRow(QStringLiteral("&Описание:"), m_comment);
    auto* created = new QLabel(dateText(report.info.createDate), info);
    created->setObjectName(QStringLiteral("Created"));
    auto* changed = new QLabel(dateText(report.info.lastChangeDate), info);
    changed->setObjectName(QStringLiteral("Changed"));
    form->addRow(QStringLiteral("Создан:"), created);
    form->addRow(QStringLiteral("Изменен:"), changed);
    m_protect = check(info, QStringLiteral("Protect"), QStringLiteral("Защита паролем"), o.protect);
    form->addRow(m_protect);
    tabs->addTab(info, QStringLiteral("Описание"));
    connect(m_protect, &QCheckBox::toggled, this, [this](bool on) { protectionToggled(on); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs);
    layout->addWidget(frOkCancelButtons(*this));
}

void TfrReportOptionsForm::protectionToggled(bool on) {
    m_newPassword.reset();
    if (!on || m_report.info.passwordProtected)
        return;
    TUserInteraction& ui = m_report.engine().interaction();
    m_newPassword = frAskNewPassword(
        [&ui](const QString& caption, const QString& prompt) { return ui.inputBox(caption, prompt, QString()); });
    if (!m_newPassword) {
        const QSignalBlocker block(m_protect);
        m_protect->setChecked(false);
    }
}

TfrReportOptions TfrReportOptionsForm::options() const {
    TfrReportOptions o = m_initial;
    o.printerIndex = m_printer->currentIndex();
    o.chooseAtOpen = m_chooseAtOpen->isChecked();
    o.doublePass = m_doublePass->isChecked();
    o.name = m_name->text();
    o.author = m_author->text();
    o.comment = m_comment->toPlainText().left(65536).replace(u'\n', QStringLiteral("\r\n"));
    o.versionMajor = m_major->text();
    o.versionMinor = m_minor->text();
    o.versionRelease = m_release->text();
    o.versionBuild = m_build->text();
    o.protect = m_protect->isChecked();
    o.newPassword = m_newPassword;
    return o;
}

bool TfrReportOptionsForm::run(TfrDesignDocument& doc, QWidget* parent) {
    TfrReportOptionsForm form(doc.report(), parent);
    if (form.exec() != QDialog::Accepted)
        return false;
    const TfrReportOptions o = form.options();
    // The dialog asked already: nothing more is asked on OK.
    frApplyReportOptions(doc, o, [](const QString&, const QString&) { return std::optional<QString>(); });
    return true;
}

// ---------------------------------------------------------------- page options

TfrPageOptionsForm::TfrPageOptionsForm(const TfrDesignDocument& doc, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TfrPgoptForm"));
    setWindowTitle(QStringLiteral("Параметры страницы"));
    const TfrPageOptions o = frPageOptionsOf(doc);
    const TfrPrinter& printer = doc.engine().printer();
    auto* tabs = new QTabWidget(this);

    auto* paperPage = new QWidget;
    auto* paperLayout = new QVBoxLayout(paperPage);
    auto* size = new QGroupBox(QStringLiteral("Размер"), paperPage);
    auto* sizeLayout = new QFormLayout(size);
    m_paper = new QComboBox(size);
    m_paper->setObjectName(QStringLiteral("Paper"));
    for (const auto& [code, name] : printer.paperList())
        m_paper->addItem(name, code);
    int paper = m_paper->findData(o.paperSize);
    if (paper < 0)
        paper = m_paper->findData(frPaperCustom);
    m_paper->setCurrentIndex(paper);
    m_width = edit(size, QStringLiteral("PaperWidth"), o.width, 16);
    m_height = edit(size, QStringLiteral("PaperHeight"), o.height, 16);
    sizeLayout->addRow(m_paper);
    sizeLayout->addRow(QStringLiteral("&Ширина, мм:"), m_width);
    sizeLayout->addRow(QStringLiteral("&Высота, мм:"), m_height);
    paperLayout->addWidget(size);
    auto* orientation = new QGroupBox(QStringLiteral("Ориентация"), paperPage);
    auto* orientationLayout = new QHBoxLayout(orientation);
    m_portrait = new QRadioButton(QStringLiteral("&Книжная"), orientation);
    m_portrait->setObjectName(QStringLiteral("Portrait"));
    m_landscape = new QRadioButton(QStringLiteral("&Альбомная"), orientation);
    m_landscape->setObjectName(QStringLiteral("Landscape"));
    (o.orientation == poLandscape ? m_landscape : m_portrait)->setChecked(true);
    orientationLayout->addWidget(m_portrait);
    orientationLayout->addWidget(m_landscape);
    paperLayout->addWidget(orientation);
    auto* source = new QGroupBox(QStringLiteral("Источник бумаги"), paperPage);
    auto* sourceLayout = new QVBoxLayout(source);
    m_bin = new QComboBox(source);
    m_bin->setObjectName(QStringLiteral("Bin"));
    for (const auto& [code, name] : printer.binList())
        m_bin->addItem(name, code);
    m_bin->setCurrentIndex((o.bin & 0xFFFF) == 0xFFFF ? 0 : std::max(0, m_bin->findData(o.bin)));
    sourceLayout->addWidget(m_bin);
    paperLayout->addWidget(source);
    paperLayout->addStretch();
    tabs->addTab(paperPage, QStringLiteral("Бумага"));

    auto* marginPage = new QWidget;
    auto* marginLayout = new QVBoxLayout(marginPage);
    auto* margins = new QGroupBox(QStringLiteral("Поля, мм"), marginPage);
    auto* marginGrid = new QFormLayout(margins);
    m_left = edit(margins, QStringLiteral("MarginLeft"), o.marginLeft, 16);
    m_top = edit(margins, QStringLiteral("MarginTop"), o.marginTop, 16);
    m_right = edit(margins, QStringLiteral("MarginRight"), o.marginRight, 16);
    m_bottom = edit(margins, QStringLiteral("MarginBottom"), o.marginBottom, 16);
    marginGrid->addRow(QStringLiteral("&Левое:"), m_left);
    marginGrid->addRow(QStringLiteral("&Верхнее:"), m_top);
    marginGrid->addRow(QStringLiteral("&Правое:"), m_right);
    marginGrid->addRow(QStringLiteral("&Нижнее:"), m_bottom);
    marginLayout->addWidget(margins);
    m_stretch = check(marginPage, QStringLiteral("Stretch"), QStringLiteral("&Растянуть на область печати"),
                      o.stretchToPrintable);
    marginLayout->addWidget(m_stretch);
    marginLayout->addStretch();
    tabs->addTab(marginPage, QStringLiteral("Поля"));

    auto* otherPage = new QWidget;
    auto* otherLayout = new QVBoxLayout(otherPage);
    auto* columns = new QGroupBox(QStringLiteral("Колонки"), otherPage);
    auto* columnsForm = new QFormLayout(columns);
    m_columns = edit(columns, QStringLiteral("Columns"), o.columns, 16);
    m_gap = edit(columns, QStringLiteral("ColumnGap"), o.columnGap, 16);
    columnsForm->addRow(QStringLiteral("&Число:"), m_columns);
    columnsForm->addRow(QStringLiteral("&Промежуток, мм:"), m_gap);
    otherLayout->addWidget(columns);
    m_prevPage = check(otherPage, QStringLiteral("PrintToPrevPage"), QStringLiteral("Печать на предыдущем &листе"),
                       o.printToPrevPage);
    m_unlimited = check(otherPage, QStringLiteral("UnlimitedHeight"), QStringLiteral("&Неограниченная высота"),
                        o.unlimitedHeight);
    otherLayout->addWidget(m_prevPage);
    otherLayout->addWidget(m_unlimited);
    otherLayout->addStretch();
    tabs->addTab(otherPage, QStringLiteral("Прочее"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs);
    layout->addWidget(frOkCancelButtons(*this));
    connect(m_paper, &QComboBox::currentIndexChanged, this, [this] { paperChosen(); });
    connect(m_stretch, &QCheckBox::toggled, this, [this](bool on) {
        for (QLineEdit* e : {m_left, m_top, m_right, m_bottom})
            e->setEnabled(!on);
    });
    for (QLineEdit* e : {m_left, m_top, m_right, m_bottom})
        e->setEnabled(!o.stretchToPrintable);
    paperChosen();
}

void TfrPageOptionsForm::paperChosen() {
    const bool custom = m_paper->currentData().toInt() == frPaperCustom;
    m_width->setEnabled(custom);
    m_height->setEnabled(custom);
}

TfrPageOptions TfrPageOptionsForm::options() const {
    TfrPageOptions o;
    o.paperSize = m_paper->currentIndex() >= 0 ? m_paper->currentData().toInt() : frPaperA4;
    o.width = m_width->text();
    o.height = m_height->text();
    o.orientation = m_landscape->isChecked() ? poLandscape : poPortrait;
    o.bin = m_bin->currentIndex() >= 0 ? m_bin->currentData().toInt() : -1;
    o.marginLeft = m_left->text();
    o.marginTop = m_top->text();
    o.marginRight = m_right->text();
    o.marginBottom = m_bottom->text();
    o.columnGap = m_gap->text();
    o.stretchToPrintable = m_stretch->isChecked();
    o.printToPrevPage = m_prevPage->isChecked();
    o.columns = m_columns->text();
    o.unlimitedHeight = m_unlimited->isChecked();
    return o;
}

bool TfrPageOptionsForm::run(TfrDesignDocument& doc, QWidget* parent) {
    if (doc.page().pageType == ptDialog)
        return false;
    TfrPageOptionsForm form(doc, parent);
    if (form.exec() != QDialog::Accepted)
        return false;
    QString error;
    if (!frApplyPageOptions(doc, form.options(), &error)) {
        doc.engine().interaction().showError(error);
        return false;
    }
    return true;
}

// ---------------------------------------------------------------- dictionary

TfrDictionaryForm::TfrDictionaryForm(TfrReport& report, QWidget* parent)
    : QDialog(parent), m_report(report), m_editor(report) {
    setObjectName(QStringLiteral("TfrDictForm"));
    setWindowTitle(QStringLiteral("Словарь данных"));
    auto* tabs = new QTabWidget(this);
    tabs->setObjectName(QStringLiteral("Tabs"));

    // Variables.
    auto* variablesPage = new QWidget;
    auto* variablesLayout = new QVBoxLayout(variablesPage);
    m_variables = new QListWidget(variablesPage);
    m_variables->setObjectName(QStringLiteral("Variables"));
    m_variables->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    auto* buttons = new QHBoxLayout;
    auto* newCategory = new QPushButton(QStringLiteral("Новая категория"), variablesPage);
    newCategory->setObjectName(QStringLiteral("NewCategory"));
    auto* newVariable = new QPushButton(QStringLiteral("Новая переменная"), variablesPage);
    newVariable->setObjectName(QStringLiteral("NewVariable"));
    auto* remove = new QPushButton(QStringLiteral("Удалить"), variablesPage);
    remove->setObjectName(QStringLiteral("RemoveVariable"));
    buttons->addWidget(newCategory);
    buttons->addWidget(newVariable);
    buttons->addWidget(remove);
    buttons->addStretch();
    auto* valueRow = new QHBoxLayout;
    m_value = edit(variablesPage, QStringLiteral("Value"), QString(), 4096);
    m_expression = new QToolButton(variablesPage);
    m_expression->setObjectName(QStringLiteral("ExpressionButton"));
    m_expression->setText(QStringLiteral("..."));
    m_expression->setToolTip(QStringLiteral("Вставить выражение"));
    valueRow->addWidget(frBuddyLabel(QStringLiteral("&Значение:"), m_value));
    valueRow->addWidget(m_value, 1);
    valueRow->addWidget(m_expression);
    variablesLayout->addLayout(buttons);
    variablesLayout->addWidget(m_variables, 1);
    variablesLayout->addLayout(valueRow);
    tabs->addTab(variablesPage, QStringLiteral("Переменные"));
    connect(newCategory, &QPushButton::clicked, this, [this] {
        const int at = m_editor.addCategory();
        showVariables(at);
        if (at >= 0)
            m_variables->editItem(m_variables->item(at));
    });
    connect(newVariable, &QPushButton::clicked, this, [this] {
        const int at = m_editor.addVariable(m_variables->currentRow());
        showVariables(at);
        if (at >= 0)
            m_variables->editItem(m_variables->item(at));
    });
    connect(remove, &QPushButton::clicked, this, [this] {
        const int row = m_variables->currentRow();
        m_editor.removeEntry(row);
        showVariables(std::min(row, m_editor.variables.count() - 1));
    });
    connect(m_variables, &QListWidget::currentRowChanged, this, [this] { variableChosen(); });
    connect(m_variables, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) { itemRenamed(item); });
    connect(m_value, &QLineEdit::textEdited, this, [this] { valueEdited(); });
    connect(m_expression, &QToolButton::clicked, this, [this] {
        const TfrEditorPickers& pickers = frEditorPickers();
        if (!pickers.expression || !m_value->isEnabled())
            return;
        if (const std::optional<QString> e = pickers.expression(m_report, this)) {
            m_value->setText(*e);
            valueEdited();
        }
    });

    // Data from the database.
    auto* dataPage = new QWidget;
    auto* dataLayout = new QGridLayout(dataPage);
    m_tables = new QListWidget(dataPage);
    m_tables->setObjectName(QStringLiteral("Tables"));
    m_fields = new QListWidget(dataPage);
    m_fields->setObjectName(QStringLiteral("Fields"));
    m_alias = edit(dataPage, QStringLiteral("Alias"), QString());
    m_exclude = check(dataPage, QStringLiteral("Exclude"), QStringLiteral("&Исключить поле из списка"), false);
    auto* aliasRow = new QHBoxLayout;
    aliasRow->addWidget(frBuddyLabel(QStringLiteral("&Псевдоним"), m_alias));
    aliasRow->addWidget(m_alias, 1);
    dataLayout->addWidget(new QLabel(QStringLiteral("Таблицы"), dataPage), 0, 0);
    dataLayout->addWidget(new QLabel(QStringLiteral("Поля"), dataPage), 0, 1);
    dataLayout->addWidget(m_tables, 1, 0);
    dataLayout->addWidget(m_fields, 1, 1);
    dataLayout->addLayout(aliasRow, 2, 0, 1, 2);
    dataLayout->addWidget(m_exclude, 3, 0, 1, 2);
    tabs->addTab(dataPage, QStringLiteral("Данные из БД"));
    connect(m_tables, &QListWidget::currentRowChanged, this, [this] {
        if (m_filling)
            return;
        showFields();
        aliasItemChosen(false);
    });
    connect(m_tables, &QListWidget::itemClicked, this, [this] { aliasItemChosen(false); });
    connect(m_fields, &QListWidget::currentRowChanged, this, [this] {
        if (!m_filling)
            aliasItemChosen(true);
    });
    connect(m_fields, &QListWidget::itemClicked, this, [this] { aliasItemChosen(true); });
    connect(m_alias, &QLineEdit::textEdited, this, [this] { aliasEdited(); });
    connect(m_exclude, &QCheckBox::toggled, this, [this](bool on) { excludeToggled(on); });

    // Band sources.
    auto* sourcesPage = new QWidget;
    auto* sourcesLayout = new QVBoxLayout(sourcesPage);
    m_sources = new QListWidget(sourcesPage);
    m_sources->setObjectName(QStringLiteral("BandSources"));
    m_sourceAlias = edit(sourcesPage, QStringLiteral("SourceAlias"), QString());
    m_sourceExclude = check(sourcesPage, QStringLiteral("SourceExclude"), QStringLiteral("&Исключить из списка"), false);
    auto* sourceRow = new QHBoxLayout;
    sourceRow->addWidget(frBuddyLabel(QStringLiteral("&Псевдоним"), m_sourceAlias));
    sourceRow->addWidget(m_sourceAlias, 1);
    sourcesLayout->addWidget(m_sources, 1);
    sourcesLayout->addLayout(sourceRow);
    sourcesLayout->addWidget(m_sourceExclude);
    tabs->addTab(sourcesPage, QStringLiteral("Источники данных для бэндов"));
    connect(m_sources, &QListWidget::currentRowChanged, this, [this] {
        if (!m_filling)
            sourceChosen();
    });
    connect(m_sourceAlias, &QLineEdit::textEdited, this, [this] {
        const QString name = m_editor.datasets.value(m_sources->currentRow());
        if (name.isEmpty())
            return;
        m_editor.setBandSourceAlias(name, m_sourceAlias->text());
        showSources();
    });
    connect(m_sourceExclude, &QCheckBox::toggled, this, [this](bool on) {
        const QString name = m_editor.datasets.value(m_sources->currentRow());
        if (m_filling || name.isEmpty())
            return;
        m_editor.setBandSourceExcluded(name, on);
        showSources();
    });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs);
    layout->addWidget(frOkCancelButtons(*this));
    resize(520, 420);
    showVariables(m_editor.variables.isEmpty() ? -1 : 0);
    showTables();
    showSources();
}

void TfrDictionaryForm::showVariables(int current) {
    m_filling = true;
    m_variables->clear();
    const TfrVariables& v = m_editor.variables;
    for (int i = 0; i < v.count() && i < kMaxListed; ++i) {
        const QString name = v.name(i);
        auto* item = new QListWidgetItem(TfrDictionaryEditor::isCategory(name) ? name.mid(1) : QStringLiteral("    ") + name);
        item->setFlags(item->flags() | Qt::ItemIsEditable);
        if (TfrDictionaryEditor::isCategory(name)) {
            QFont bold = item->font();
            bold.setBold(true);
            item->setFont(bold);
        }
        m_variables->addItem(item);
    }
    m_variables->setCurrentRow(current);
    m_filling = false;
    variableChosen();
}

void TfrDictionaryForm::variableChosen() {
    if (m_filling)
        return;
    const int row = m_variables->currentRow();
    const bool variable = row >= 0 && row < m_editor.variables.count() &&
                          !TfrDictionaryEditor::isCategory(m_editor.variables.name(row));
    m_value->setEnabled(variable);
    m_expression->setEnabled(variable);
    m_value->setText(variable ? m_editor.variables.value(row).toString() : QString());
}

void TfrDictionaryForm::valueEdited() {
    const int row = m_variables->currentRow();
    if (row >= 0 && row < m_editor.variables.count() && !TfrDictionaryEditor::isCategory(m_editor.variables.name(row)))
        m_editor.variables.setValue(row, TVariant(m_value->text()));
}

void TfrDictionaryForm::itemRenamed(QListWidgetItem* item) {
    if (m_filling)
        return;
    const int row = m_variables->row(item);
    m_editor.renameEntry(row, item->text());
    // The item shows what the entry is called now (a refused name is put back).
    const QString name = m_editor.variables.name(row);
    m_filling = true;
    item->setText(TfrDictionaryEditor::isCategory(name) ? name.mid(1) : QStringLiteral("    ") + name);
    m_filling = false;
}

void TfrDictionaryForm::showTables() {
    m_filling = true;
    const int row = std::max(0, m_tables->currentRow());
    m_tables->clear();
    for (const QString& t : m_editor.tables.mid(0, kMaxListed))
        m_tables->addItem(TfrDictionaryEditor::itemText(t, m_editor.alias(t)));
    if (m_tables->count() > 0)
        m_tables->setCurrentRow(std::min(row, m_tables->count() - 1));
    m_filling = false;
    showFields();
    aliasItemChosen(m_fieldChosen);
}

void TfrDictionaryForm::showFields() {
    const bool was = m_filling;
    m_filling = true;
    const int row = m_fields->currentRow();
    m_fields->clear();
    const QString table = m_editor.tables.value(m_tables->currentRow());
    if (TfrTableSource* source = m_report.dataRegistry().findTable(table)) {
        for (const QString& f : source->fieldNamesOrEmpty().mid(0, kMaxListed)) {
            auto* item = new QListWidgetItem(TfrDictionaryEditor::itemText(f, m_editor.alias(table, f)), m_fields);
            item->setData(Qt::UserRole, f);
            if (m_editor.isExcluded(table, f)) {
                QFont struck = item->font();
                struck.setStrikeOut(true);
                item->setFont(struck);
            }
        }
    }
    if (row >= 0 && row < m_fields->count())
        m_fields->setCurrentRow(row);
    m_filling = was;
}

void TfrDictionaryForm::aliasItemChosen(bool field) {
    m_fieldChosen = field && m_fields->currentItem();
    const QString table = m_editor.tables.value(m_tables->currentRow());
    const QString name = m_fieldChosen ? m_fields->currentItem()->data(Qt::UserRole).toString() : QString();
    const bool was = m_filling;
    m_filling = true;
    m_alias->setEnabled(!table.isEmpty());
    m_alias->setText(table.isEmpty() ? QString() : m_editor.alias(table, name));
    m_exclude->setEnabled(m_fieldChosen);
    m_exclude->setChecked(m_fieldChosen && m_editor.isExcluded(table, name));
    m_filling = was;
}

void TfrDictionaryForm::aliasEdited() {
    const QString table = m_editor.tables.value(m_tables->currentRow());
    if (table.isEmpty())
        return;
    const QString field = m_fieldChosen && m_fields->currentItem() ? m_fields->currentItem()->data(Qt::UserRole).toString() : QString();
    m_editor.setAlias(table, field, m_alias->text());
    const bool was = m_filling;
    m_filling = true;
    if (!field.isEmpty())
        m_exclude->setChecked(m_editor.isExcluded(table, field));
    m_filling = was;
    // The lists show the alias at once; the alias edit keeps its caret.
    m_filling = true;
    m_tables->currentItem()->setText(TfrDictionaryEditor::itemText(table, m_editor.alias(table)));
    m_filling = was;
    showFields();
}

void TfrDictionaryForm::excludeToggled(bool on) {
    if (m_filling || !m_fieldChosen || !m_fields->currentItem())
        return;
    const QString table = m_editor.tables.value(m_tables->currentRow());
    const QString field = m_fields->currentItem()->data(Qt::UserRole).toString();
    m_editor.setExcluded(table, field, on);
    const bool was = m_filling;
    m_filling = true;
    m_alias->setText(m_editor.alias(table, field));
    m_filling = was;
    showFields();
}

void TfrDictionaryForm::showSources() {
    m_filling = true;
    const int row = std::max(0, m_sources->currentRow());
    m_sources->clear();
    for (const QString& d : m_editor.datasets.mid(0, kMaxListed)) {
        auto* item = new QListWidgetItem(TfrDictionaryEditor::itemText(d, m_editor.bandSourceAlias(d)), m_sources);
        if (m_editor.isBandSourceExcluded(d)) {
            QFont struck = item->font();
            struck.setStrikeOut(true);
            item->setFont(struck);
        }
    }
    if (m_sources->count() > 0)
        m_sources->setCurrentRow(std::min(row, m_sources->count() - 1));
    m_filling = false;
    sourceChosen();
}

void TfrDictionaryForm::sourceChosen() {
    const QString name = m_editor.datasets.value(m_sources->currentRow());
    const bool was = m_filling;
    m_filling = true;
    m_sourceAlias->setEnabled(!name.isEmpty());
    m_sourceExclude->setEnabled(!name.isEmpty());
    if (m_sourceAlias->text() != m_editor.bandSourceAlias(name))
        m_sourceAlias->setText(m_editor.bandSourceAlias(name));
    m_sourceExclude->setChecked(!name.isEmpty() && m_editor.isBandSourceExcluded(name));
    m_filling = was;
}

bool TfrDictionaryForm::run(TfrDesignDocument& doc, QWidget* parent) {
    TfrDictionaryForm form(doc.report(), parent);
    if (form.exec() != QDialog::Accepted)
        return false;
    form.editor().apply(doc);
    return true;
}
