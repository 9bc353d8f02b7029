#include "report/designer/designerfields.h"

#include "report/design/designdoc.h"
#include "report/designer/editorparts.h"
#include "report/model/dictionary.h"
#include "report/model/report.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

// Tables of a dictionary, at most (the lists stay usable).
constexpr int kMaxListed = 10000;

void fillTables(QComboBox* combo, TfrReport& report) {
    combo->clear();
    combo->addItems(report.dictionary().datasetList().mid(0, kMaxListed));
}

void fillFields(QListWidget* list, TfrReport& report, const QString& dataset) {
    list->clear();
    if (!dataset.isEmpty())
        list->addItems(report.dictionary().fieldList(dataset).mid(0, kMaxListed));
}

} // namespace

// ---------------------------------------------------------------- the dialog

TfrInsertFieldsForm::TfrInsertFieldsForm(TfrReport& report, QWidget* parent) : QDialog(parent), m_report(report) {
    setObjectName(QStringLiteral("TfrInsertFieldsForm"));
    setWindowTitle(QStringLiteral("Вставка полей БД"));
    m_tables = new QComboBox(this);
    m_tables->setObjectName(QStringLiteral("Tables"));
    m_fields = new QListWidget(this);
    m_fields->setObjectName(QStringLiteral("Fields"));
    m_fields->setSelectionMode(QAbstractItemView::ExtendedSelection);

    auto* placement = new QGroupBox(QStringLiteral("Расположение"), this);
    auto* placementLayout = new QVBoxLayout(placement);
    m_placement = new QButtonGroup(this);
    auto* horizontal = new QRadioButton(QStringLiteral("&Горизонтально"), placement);
    horizontal->setObjectName(QStringLiteral("Horizontal"));
    horizontal->setChecked(true);
    auto* vertical = new QRadioButton(QStringLiteral("&Вертикально"), placement);
    vertical->setObjectName(QStringLiteral("Vertical"));
    m_placement->addButton(horizontal, 0);
    m_placement->addButton(vertical, 1);
    placementLayout->addWidget(horizontal);
    placementLayout->addWidget(vertical);
    m_headers = new QCheckBox(QStringLiteral("&Заголовки"), this);
    m_headers->setObjectName(QStringLiteral("Headers"));
    m_headers->setChecked(true);
    m_bands = new QCheckBox(QStringLiteral("&Секции"), this);
    m_bands->setObjectName(QStringLiteral("Bands"));
    m_bands->setChecked(true);

    QDialogButtonBox* buttons = frOkCancelButtons(*this);

    auto* left = new QVBoxLayout;
    left->addWidget(frBuddyLabel(QStringLiteral("&Таблица:"), m_tables));
    left->addWidget(m_tables);
    left->addWidget(frBuddyLabel(QStringLiteral("&Поля:"), m_fields));
    left->addWidget(m_fields, 1);
    auto* right = new QVBoxLayout;
    right->addWidget(placement);
    right->addWidget(m_headers);
    right->addWidget(m_bands);
    right->addStretch();
    auto* columns = new QHBoxLayout;
    columns->addLayout(left, 1);
    columns->addLayout(right);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns, 1);
    layout->addWidget(buttons);

    fillTables(m_tables, m_report);
    connect(m_tables, &QComboBox::currentTextChanged, this, [this] { showFields(); });
    showFields();
}

void TfrInsertFieldsForm::showFields() { fillFields(m_fields, m_report, m_tables->currentText()); }

QString TfrInsertFieldsForm::dataset() const { return m_tables->currentText(); }

QStringList TfrInsertFieldsForm::fields() const {
    QStringList out;
    for (int i = 0; i < m_fields->count(); ++i)
        if (m_fields->item(i)->isSelected())
            out << m_fields->item(i)->text();
    return out;
}

TfrFieldPlacement TfrInsertFieldsForm::placement() const {
    return TfrFieldPlacement{m_placement->checkedId() != 1, m_headers->isChecked(), m_bands->isChecked()};
}

bool TfrInsertFieldsForm::run(TfrDesignDocument& doc, QWidget* parent) {
    if (doc.page().pageType == ptDialog)
        return false;
    TfrInsertFieldsForm form(doc.report(), parent);
    if (form.exec() != QDialog::Accepted || form.fields().isEmpty())
        return false;
    return !frInsertFields(doc, form.dataset(), form.fields(), form.placement()).empty();
}

// ---------------------------------------------------------------- the tool window

TfrFieldList::TfrFieldList(QWidget* parent) : QListWidget(parent) {
    setObjectName(QStringLiteral("Fields"));
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::DragOnly);
    setSelectionMode(QAbstractItemView::SingleSelection);
}

QString TfrFieldList::mimeType() { return QStringLiteral("application/x-ostrand-report-field"); }

QMimeData* TfrFieldList::encode(const QString& dataset, const QString& field) {
    auto* data = new QMimeData;
    data->setData(mimeType(), (dataset + u'\n' + field).toUtf8());
    data->setText(u'[' + frFieldReference(dataset, field) + u']');
    return data;
}

bool TfrFieldList::decode(const QMimeData* data, QString* dataset, QString* field) {
    if (!data || !data->hasFormat(mimeType()))
        return false;
    const QByteArray bytes = data->data(mimeType());
    if (bytes.size() > 65536)
        return false;
    const QString text = QString::fromUtf8(bytes);
    const qsizetype nl = text.indexOf(u'\n');
    if (nl <= 0 || nl + 1 >= text.size())
        return false;
    *dataset = text.left(nl);
    *field = text.mid(nl + 1);
    return true;
}

QStringList TfrFieldList::mimeTypes() const { return {mimeType()}; }

QMimeData* TfrFieldList::mimeData(const QList<QListWidgetItem*>& items) const {
    if (items.isEmpty() || dataset.isEmpty())
        return nullptr;
    return encode(dataset, items.front()->text());
}

TfrFieldWindow::TfrFieldWindow(TfrReport& report, QWidget* parent) : QWidget(parent), m_report(report) {
    setObjectName(QStringLiteral("TfrInsFieldsForm"));
    setWindowTitle(QStringLiteral("Вставка поля БД"));
    m_tables = new QComboBox(this);
    m_tables->setObjectName(QStringLiteral("Tables"));
    m_fields = new TfrFieldList(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(m_tables);
    layout->addWidget(m_fields, 1);
    connect(m_tables, &QComboBox::currentTextChanged, this, [this] { showFields(); });
    refresh();
}

void TfrFieldWindow::refresh() {
    const QString shown = m_tables->currentText();
    const QSignalBlocker block(m_tables);
    fillTables(m_tables, m_report);
    const int at = m_tables->findText(shown);
    if (at >= 0)
        m_tables->setCurrentIndex(at);
    showFields();
}

void TfrFieldWindow::showFields() {
    m_fields->dataset = m_tables->currentText();
    fillFields(m_fields, m_report, m_fields->dataset);
}
