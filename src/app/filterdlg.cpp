#include "app/filterdlg.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QTableWidget>

namespace {

// Marks a row that was given without "=".
constexpr int NoSeparatorRole = Qt::UserRole + 1;

} // namespace

QString TfrmFilter::caption() { return QStringLiteral("Фильтр выборки"); }

TfrmFilter::TfrmFilter(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmFilter"));
    setWindowTitle(caption());
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(ClientWidth, ClientHeight);

    grid = new QTableWidget(0, 2, this);
    grid->setObjectName(QStringLiteral("grid"));
    grid->setGeometry(0, 0, GridWidth, GridHeight);
    grid->setHorizontalHeaderLabels({QStringLiteral("Параметр"), QStringLiteral("Значение")});
    grid->verticalHeader()->hide();
    grid->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Interactive);
    grid->horizontalHeader()->setStretchLastSection(true);
    grid->setColumnWidth(0, 140);
    grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setSelectionBehavior(QAbstractItemView::SelectItems);
    grid->setEditTriggers(QAbstractItemView::AllEditTriggers);
    grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 6);

    btnOk = new QPushButton(QStringLiteral("OK"), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnOk->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("Отмена"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setAutoDefault(false);
    const int buttonWidth = 75;
    const int buttonHeight = 25;
    const int top = GridHeight + (ClientHeight - GridHeight - buttonHeight) / 2;
    btnCancel->setGeometry(ClientWidth - 8 - buttonWidth, top, buttonWidth, buttonHeight);
    btnOk->setGeometry(ClientWidth - 8 - 2 * buttonWidth - 6, top, buttonWidth, buttonHeight);

    connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TfrmFilter::clearRows() { grid->setRowCount(0); }

void TfrmFilter::addRow(const QString& row) {
    const qsizetype eq = row.indexOf(u'=');
    const QString key = eq < 0 ? row : row.left(eq);
    const QString value = eq < 0 ? QString() : row.mid(eq + 1);
    const int r = grid->rowCount();
    grid->insertRow(r);
    auto* keyItem = new QTableWidgetItem(key);
    keyItem->setFlags(Qt::ItemIsEnabled);
    // The key column looks like the fixed column it is.
    keyItem->setBackground(palette().button());
    keyItem->setData(NoSeparatorRole, eq < 0);
    auto* valueItem = new QTableWidgetItem(value);
    valueItem->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable);
    grid->setItem(r, 0, keyItem);
    grid->setItem(r, 1, valueItem);
}

int TfrmFilter::rowCount() const { return grid->rowCount(); }

QString TfrmFilter::rowText(int index) const {
    if (index < 0 || index >= grid->rowCount())
        return QString();
    const QTableWidgetItem* keyItem = grid->item(index, 0);
    const QTableWidgetItem* valueItem = grid->item(index, 1);
    const QString key = keyItem ? keyItem->text() : QString();
    const QString value = valueItem ? valueItem->text() : QString();
    if (value.isEmpty() && keyItem && keyItem->data(NoSeparatorRole).toBool())
        return key;
    return key + u'=' + value;
}

void TfrmFilter::setRows(const QStringList& rows) {
    clearRows();
    for (const QString& row : rows)
        addRow(row);
}

QStringList TfrmFilter::rows() const {
    QStringList result;
    for (int i = 0; i < grid->rowCount(); ++i)
        result << rowText(i);
    return result;
}

bool TfrmFilter::execute() {
    return exec() == QDialog::Accepted;
}

bool TfrmFilter::executeOn(QStringList& rowList) {
    setRows(rowList);
    const bool ok = execute();
    rowList = rows();
    return ok;
}

void TfrmFilter::done(int result) {
    // A cell still being edited keeps what was typed, whichever way the dialog
    // closes: moving the current cell away commits the open editor.
    grid->setCurrentItem(nullptr);
    QDialog::done(result);
}

void TfrmFilter::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) {
        if (QScreen* screen = QGuiApplication::primaryScreen()) {
            QRect frame = frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            move(frame.topLeft());
        }
    }
    QDialog::showEvent(event);
}
