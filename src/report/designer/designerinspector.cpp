#include "report/designer/designerinspector.h"

#include "common/exception.h"
#include "common/interaction.h"
#include "report/design/designdoc.h"
#include "report/design/designinspector.h"
#include "report/designer/designerclasses.h"
#include "report/model/engine.h"

#include <algorithm>

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTableWidget>
#include <QToolButton>

namespace {

// Lists whose values the inspector offers: booleans, enumerations, colours.
QStringList choicesOf(const TfrDesignDocument& doc, const TfrPropRec& p) {
    if (p.kind & frdtEnum)
        return p.enumNames;
    if (p.kind & frdtBoolean)
        return {QStringLiteral("True"), QStringLiteral("False")};
    if (p.kind & frdtColor)
        return frColorNames(doc.engine());
    return {};
}

} // namespace

TfrInspector::TfrInspector(TfrDesignDocument& document, QWidget* parent) : QWidget(parent), m_doc(document) {
    setObjectName(QStringLiteral("TfrInspForm"));
    setWindowTitle(QStringLiteral("Инспектор объектов"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_table = new QTableWidget(0, 2, this);
    m_table->horizontalHeader()->hide();
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->setColumnWidth(0, m_doc.settings().inspectorSplit);
    connect(m_table->horizontalHeader(), &QHeaderView::sectionResized, this, [this](int column, int, int size) {
        if (column == 0)
            m_doc.settings().inspectorSplit = std::max(size, 20);
    });
    m_table->setSelectionMode(QAbstractItemView::NoSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    layout->addWidget(m_table);
    refresh();
}

QWidget* TfrInspector::valueEditor(const QString& property) const {
    for (std::size_t i = 0; i < m_shown.size(); ++i)
        if (m_shown[i]->name.compare(property, Qt::CaseInsensitive) == 0)
            return m_table->cellWidget(int(i), 1);
    return nullptr;
}

void TfrInspector::refresh() {
    const std::vector<TfrInspectorRow> rows = frInspectorRows(m_doc);
    bool same = rows.size() == m_shown.size();
    for (std::size_t i = 0; same && i < rows.size(); ++i)
        same = rows[i].property == m_shown[i] && rows[i].caption == m_table->item(int(i), 0)->text();
    if (!same)
        rebuild();
    showValues();
}

void TfrInspector::rebuild() {
    m_updating = true;
    m_table->setRowCount(0);
    m_shown.clear();
    const std::vector<TfrInspectorRow> rows = frInspectorRows(m_doc);
    m_table->setRowCount(int(rows.size()));
    for (std::size_t i = 0; i < rows.size(); ++i) {
        m_shown.push_back(rows[i].property);
        m_table->setItem(int(i), 0, new QTableWidgetItem(rows[i].caption));
        m_table->setCellWidget(int(i), 1, makeEditor(*rows[i].property));
    }
    m_texts.assign(rows.size(), QString());
    m_updating = false;
}

QWidget* TfrInspector::makeEditor(const TfrPropRec& p) {
    const QString name = p.name;
    const bool editable = frInspectorEditable(p);
    const QStringList choices = choicesOf(m_doc, p);
    QWidget* editor = nullptr;
    if (editable && !choices.isEmpty()) {
        auto* box = new QComboBox;
        box->addItems(choices);
        // Colours may be typed as "$" and six hexadecimal digits.
        box->setEditable((p.kind & frdtColor) != 0);
        connect(box, &QComboBox::activated, this, [this, box, name] { apply(name, box->currentText()); });
        if (box->lineEdit()) {
            box->lineEdit()->installEventFilter(this);
            connect(box->lineEdit(), &QLineEdit::returnPressed, this, [this, box, name] { apply(name, box->currentText()); });
        }
        box->setFrame(false);
        editor = box;
    } else {
        auto* line = new QLineEdit;
        line->setReadOnly(!editable);
        line->installEventFilter(this);
        connect(line, &QLineEdit::editingFinished, this, [this, line, name] { apply(name, line->text()); });
        line->setFrame(false);
        editor = line;
    }
    editor->setObjectName(name);
    const std::vector<TfrView*> views = m_doc.selection();
    if (!(p.kind & frdtHasEditor) || views.size() != 1 || !frDesignerPropertyEditor(views.front()->objectClass(), name))
        return editor;
    // The object's editor, from the designer's class registry.
    auto* cell = new QWidget;
    auto* row = new QHBoxLayout(cell);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addWidget(editor, 1);
    auto* button = new QToolButton;
    button->setObjectName(name + QStringLiteral("Editor"));
    button->setText(QStringLiteral("..."));
    connect(button, &QToolButton::clicked, this, [this, name] { openEditor(name); });
    row->addWidget(button);
    return cell;
}

void TfrInspector::showValues() {
    m_updating = true;
    const std::vector<TfrInspectorRow> rows = frInspectorRows(m_doc);
    for (std::size_t i = 0; i < rows.size() && i < m_shown.size(); ++i) {
        m_texts[i] = rows[i].text;
        QWidget* editor = valueEditor(m_shown[i]->name);
        // A value with an edit button sits in a cell beside it.
        if (editor && !qobject_cast<QLineEdit*>(editor) && !qobject_cast<QComboBox*>(editor))
            editor = editor->findChild<QWidget*>(m_shown[i]->name);
        if (auto* line = qobject_cast<QLineEdit*>(editor))
            line->setText(rows[i].text.section(u'\n', 0, 0)); // a text of several lines shows its first
        else if (auto* box = qobject_cast<QComboBox*>(editor)) {
            box->setCurrentIndex(box->findText(rows[i].text));
            if (box->isEditable())
                box->setEditText(rows[i].text);
        }
    }
    m_updating = false;
}

void TfrInspector::apply(const QString& property, const QString& text) {
    if (m_updating)
        return;
    for (std::size_t i = 0; i < m_shown.size(); ++i)
        if (m_shown[i]->name == property && (m_texts[i] == text || !frInspectorEditable(*m_shown[i])))
            return; // nothing entered
    bool applied = false;
    QString reason;
    try {
        applied = frInspectorApply(m_doc, property, text);
        reason = m_doc.refusal();
    } catch (const Exception& e) {
        reason = e.message();
    }
    if (!applied && !reason.isEmpty())
        m_doc.engine().interaction().messageBox(reason, windowTitle(), TUserInteraction::WarningIcon,
                                                TUserInteraction::Ok);
    showValues();
    if (applied)
        emit changed();
}

void TfrInspector::openEditor(const QString& property) {
    const std::vector<TfrView*> views = m_doc.selection();
    if (views.size() != 1)
        return;
    if (const auto* editor = frDesignerPropertyEditor(views.front()->objectClass(), property);
        editor && (*editor)(m_doc, *views.front(), this)) {
        refresh();
        emit changed();
    }
}

bool TfrInspector::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::ShortcutOverride && event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    const int key = static_cast<QKeyEvent*>(event)->key();
    // Enter and Esc belong to the value being entered, not to the window's shortcuts.
    if (event->type() == QEvent::ShortcutOverride && (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape)) {
        event->accept();
        return true;
    }
    if (event->type() == QEvent::KeyPress && key == Qt::Key_Escape) {
        showValues(); // Esc puts the shown value back
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
