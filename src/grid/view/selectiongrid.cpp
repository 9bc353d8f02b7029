#include "grid/view/selectiongrid.h"

#include "common/interaction.h"

#include <QApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QPainter>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace {

QString& promptStorage() {
    static QString prompt = QStringLiteral("Перетащите сюда заголовок колонки для группировки по ней");
    return prompt;
}

QColor toQColor(const TGridColor& c, const QColor& fallback) {
    return c.none ? fallback : QColor(c.red, c.green, c.blue);
}

QFont toQFont(const TGridFont& f) {
    QFont font(f.name);
    font.setPointSize(f.size);
    font.setBold(f.bold);
    font.setItalic(f.italic);
    font.setUnderline(f.underline);
    font.setStrikeOut(f.strikeOut);
    return font;
}

constexpr int IndentWidth = 18;

QMimeData* columnMime(const QString& fieldName, const char* origin) {
    auto* mime = new QMimeData;
    mime->setData(QString::fromLatin1(GridColumnMime), fieldName.toUtf8());
    mime->setProperty("origin", QString::fromLatin1(origin));
    return mime;
}

} // namespace

// --- Model -------------------------------------------------------------------

TGridItemModel::TGridItemModel(TGridRows& rows, QObject* parent) : QAbstractTableModel(parent), m_rows(rows) {}

int TGridItemModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_rows.visibleRowCount();
}

int TGridItemModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_groups + int(m_columns.size());
}

int TGridItemModel::gridColumn(int modelColumn) const {
    const int i = modelColumn - m_groups;
    return i >= 0 && i < int(m_columns.size()) ? m_columns[std::size_t(i)] : -1;
}

int TGridItemModel::modelColumn(int gridColumn) const {
    for (std::size_t i = 0; i < m_columns.size(); ++i)
        if (m_columns[i] == gridColumn)
            return m_groups + int(i);
    return -1;
}

void TGridItemModel::reset() {
    beginResetModel();
    m_columns = m_rows.visibleColumns();
    m_groups = m_rows.groupCount();
    endResetModel();
}

QVariant TGridItemModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_rows.visibleRowCount())
        return {};
    const int rowIndex = m_rows.visibleRow(index.row());
    const TGridRows::Row r = m_rows.row(rowIndex);
    switch (role) {
    case IsGroupRole:
        return r.isGroup;
    case LevelRole:
        return r.level;
    case RowRole:
        return rowIndex;
    case CollapsedRole:
        return r.isGroup && m_rows.isCollapsed(r.index);
    case Qt::DisplayRole:
        if (r.isGroup)
            return index.column() == r.level ? QVariant(m_rows.groupText(r.index)) : QVariant();
        if (const int c = gridColumn(index.column()); c >= 0)
            return m_rows.cellText(r.index, c);
        return {};
    case Qt::TextAlignmentRole:
        if (!r.isGroup)
            if (const int c = gridColumn(index.column()); c >= 0) {
                const auto a = m_rows.column(c).alignment;
                return QVariant::fromValue(Qt::Alignment(
                    (a == TGridAlignment::Right ? Qt::AlignRight : a == TGridAlignment::Center ? Qt::AlignHCenter
                                                                                               : Qt::AlignLeft) |
                    Qt::AlignVCenter));
            }
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    default:
        return {};
    }
}

QVariant TGridItemModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal)
        return {};
    if (role == Qt::DisplayRole) {
        const int c = gridColumn(section);
        return c >= 0 ? m_rows.column(c).caption : QString();
    }
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    return {};
}

Qt::ItemFlags TGridItemModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

// --- Header ------------------------------------------------------------------

TGridHeader::TGridHeader(TSelectionGrid& grid) : QHeaderView(Qt::Horizontal), m_grid(grid) {
    setSectionsClickable(true);
    setSectionsMovable(false);
    setHighlightSections(false);
    // Drops arrive at the viewport of an item view.
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

void TGridHeader::mousePressEvent(QMouseEvent* e) {
    m_pressSection = -1;
    if (e->button() == Qt::LeftButton) {
        const int x = e->position().toPoint().x();
        // Not on a section edge, where the press starts a resize.
        const bool onEdge = logicalIndexAt(x - 4) != logicalIndexAt(x + 4);
        const int section = logicalIndexAt(x);
        if (!onEdge && m_grid.model()->gridColumn(section) >= 0) {
            m_pressSection = section;
            m_pressPos = e->position().toPoint();
        }
    }
    QHeaderView::mousePressEvent(e);
}

void TGridHeader::mouseMoveEvent(QMouseEvent* e) {
    if (m_pressSection >= 0 && (e->buttons() & Qt::LeftButton) &&
        (e->position().toPoint() - m_pressPos).manhattanLength() >= QApplication::startDragDistance()) {
        const int c = m_grid.model()->gridColumn(m_pressSection);
        m_pressSection = -1;
        if (c >= 0) {
            auto* drag = new QDrag(this);
            drag->setMimeData(columnMime(m_grid.rows().column(c).fieldName, "header"));
            drag->exec(Qt::MoveAction);
        }
        return;
    }
    QHeaderView::mouseMoveEvent(e);
}

void TGridHeader::mouseReleaseEvent(QMouseEvent* e) {
    m_pressSection = -1;
    QHeaderView::mouseReleaseEvent(e);
}

void TGridHeader::dragEnterEvent(QDragEnterEvent* e) {
    if (e->mimeData()->hasFormat(QString::fromLatin1(GridColumnMime)))
        e->acceptProposedAction();
}

void TGridHeader::dragMoveEvent(QDragMoveEvent* e) {
    if (e->mimeData()->hasFormat(QString::fromLatin1(GridColumnMime)))
        e->acceptProposedAction();
}

void TGridHeader::dropEvent(QDropEvent* e) {
    const QString field = QString::fromUtf8(e->mimeData()->data(QString::fromLatin1(GridColumnMime)));
    const int target = logicalIndexAt(e->position().toPoint().x());
    e->acceptProposedAction();
    if (e->mimeData()->property("origin").toString() == u"group")
        m_grid.ungroup(field, target);
    else
        m_grid.moveColumn(field, target);
}

// --- Group panel -------------------------------------------------------------

TGroupPanel::TGroupPanel(TSelectionGrid& grid) : QWidget(&grid), m_grid(grid) {
    setAcceptDrops(true);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, toQColor(grid.rows().appearance().headerColor, Qt::lightGray));
    setPalette(pal);
    m_layout = new QHBoxLayout(this);
    m_layout->setContentsMargins(4, 4, 4, 4);
    m_layout->setSpacing(4);
    m_prompt = new QLabel(this);
    m_prompt->setTextFormat(Qt::PlainText);
    m_prompt->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_prompt->setWordWrap(false);
    m_layout->addWidget(m_prompt);
    m_layout->addStretch(1);
    setMinimumHeight(fontMetrics().height() + 16);
    showGrouping();
}

QString TGroupPanel::promptText() const {
    return m_prompt->isVisibleTo(const_cast<TGroupPanel*>(this)) ? m_prompt->text() : QString();
}

QStringList TGroupPanel::buttonTexts() const {
    QStringList out;
    for (QWidget* b : m_buttons)
        out << static_cast<QToolButton*>(b)->text();
    return out;
}

void TGroupPanel::showGrouping() {
    for (QWidget* b : m_buttons)
        b->deleteLater();
    m_buttons.clear();
    const TGridRows& rows = m_grid.rows();
    m_prompt->setText(QStringLiteral(" ") + TSelectionGrid::groupPanelPrompt());
    m_prompt->setVisible(rows.groupCount() == 0);
    for (int level = 0; level < rows.groupCount(); ++level) {
        const TGridColumn& c = rows.column(rows.groupColumn(level));
        bool descending = false;
        for (const auto& g : rows.grouping())
            if (g.fieldName.compare(c.fieldName, Qt::CaseInsensitive) == 0)
                descending = g.descending;
        auto* b = new QToolButton(this);
        b->setText(c.caption);
        b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        b->setArrowType(descending ? Qt::DownArrow : Qt::UpArrow);
        b->setProperty("field", c.fieldName);
        b->installEventFilter(this);
        const QString field = c.fieldName;
        connect(b, &QToolButton::clicked, &m_grid, [this, field, descending] {
            m_grid.setGroupDescending(field, !descending);
        });
        m_layout->insertWidget(1 + level, b);
        m_buttons.push_back(b);
    }
    QWidget::update();
}

int TGroupPanel::positionAt(int x) const {
    int pos = 0;
    for (QWidget* b : m_buttons) {
        if (x < b->geometry().center().x())
            break;
        ++pos;
    }
    return pos;
}

bool TGroupPanel::eventFilter(QObject* watched, QEvent* event) {
    // A grouped column's button can be dragged back onto the headers.
    auto* b = qobject_cast<QToolButton*>(watched);
    if (b && event->type() == QEvent::MouseButtonPress) {
        m_pressPos = static_cast<QMouseEvent*>(event)->position().toPoint();
    } else if (b && event->type() == QEvent::MouseMove) {
        auto* me = static_cast<QMouseEvent*>(event);
        if ((me->buttons() & Qt::LeftButton) &&
            (me->position().toPoint() - m_pressPos).manhattanLength() >= QApplication::startDragDistance()) {
            b->setDown(false);
            auto* drag = new QDrag(b);
            drag->setMimeData(columnMime(b->property("field").toString(), "group"));
            drag->exec(Qt::MoveAction);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TGroupPanel::dragEnterEvent(QDragEnterEvent* e) {
    if (e->mimeData()->hasFormat(QString::fromLatin1(GridColumnMime)))
        e->acceptProposedAction();
}

void TGroupPanel::dragMoveEvent(QDragMoveEvent* e) {
    if (e->mimeData()->hasFormat(QString::fromLatin1(GridColumnMime)))
        e->acceptProposedAction();
}

void TGroupPanel::dropEvent(QDropEvent* e) {
    const QString field = QString::fromUtf8(e->mimeData()->data(QString::fromLatin1(GridColumnMime)));
    e->acceptProposedAction();
    m_grid.groupBy(field, positionAt(e->position().toPoint().x()));
}

// --- Delegate ----------------------------------------------------------------

TGridDelegate::TGridDelegate(TSelectionGrid& grid) : QStyledItemDelegate(&grid), m_grid(grid) {}

void TGridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    const TGridAppearance& a = m_grid.rows().appearance();
    const bool selected = option.state & QStyle::State_Selected;
    const QColor lineColor(0xC0, 0xC0, 0xC0);
    painter->save();
    if (!index.data(TGridItemModel::IsGroupRole).toBool()) {
        const bool indent = index.column() < m_grid.model()->indentColumns();
        const QColor bg = indent ? toQColor(a.groupColor, Qt::lightGray)
                          : selected ? option.palette.color(QPalette::Highlight)
                                     : toQColor(a.color, Qt::white);
        painter->fillRect(option.rect, bg);
        if (!indent) {
            painter->setPen(selected ? option.palette.color(QPalette::HighlightedText)
                                     : toQColor(a.font.color, Qt::black));
            painter->setFont(option.font);
            const QRect r = option.rect.adjusted(3, 0, -3, 0);
            const auto align = Qt::Alignment(index.data(Qt::TextAlignmentRole).toInt());
            painter->drawText(r, int(align) | Qt::TextSingleLine,
                              option.fontMetrics.elidedText(index.data().toString(), Qt::ElideRight, r.width()));
            painter->setPen(lineColor);
            painter->drawLine(option.rect.topRight(), option.rect.bottomRight());
        }
        painter->setPen(lineColor);
        painter->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
        painter->restore();
        return;
    }

    // A group row: indent cells before its level, then one band to the right
    // end. Every cell of the band paints its own part, so a partial repaint
    // draws the same picture.
    const int level = index.data(TGridItemModel::LevelRole).toInt();
    const QColor groupColor = toQColor(a.groupColor, Qt::lightGray);
    if (index.column() < level) {
        painter->fillRect(option.rect, groupColor);
        painter->restore();
        return;
    }
    const QTableView* view = m_grid.view();
    const int bandLeft = view->columnViewportPosition(level);
    QRect band(bandLeft, option.rect.top(), std::max(view->viewport()->width(), option.rect.right()) - bandLeft + 1,
               option.rect.height());
    painter->setClipRect(option.rect);
    painter->fillRect(option.rect, selected ? option.palette.color(QPalette::Highlight) : groupColor);
    // The collapse/expand box.
    const QRect box(band.left() + 4, band.center().y() - ToggleSize / 2, ToggleSize, ToggleSize);
    painter->setPen(selected ? option.palette.color(QPalette::HighlightedText) : QColor(Qt::black));
    painter->fillRect(box, Qt::white);
    painter->drawRect(box);
    painter->drawLine(box.left() + 2, box.center().y(), box.right() - 2, box.center().y());
    if (index.data(TGridItemModel::CollapsedRole).toBool())
        painter->drawLine(box.center().x(), box.top() + 2, box.center().x(), box.bottom() - 2);
    // The text: the group row's text lives in the model column of its level.
    const QString text = view->model()->index(index.row(), level).data().toString();
    QFont font = option.font;
    font.setBold(true);
    painter->setFont(font);
    painter->drawText(band.adjusted(ToggleSize + 10, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                      text);
    painter->setPen(QColor(0x80, 0x80, 0x80));
    painter->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
    painter->restore();
}

// --- Table view --------------------------------------------------------------

TGridTableView::TGridTableView(TSelectionGrid& grid) : QTableView(&grid), m_grid(grid) {}

void TGridTableView::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Delete && (e->modifiers() & Qt::ControlModifier)) {
        m_grid.deleteSelectedRecords();
        return;
    }
    const QModelIndex cur = currentIndex();
    if (cur.isValid() && cur.data(TGridItemModel::IsGroupRole).toBool()) {
        const bool collapsed = cur.data(TGridItemModel::CollapsedRole).toBool();
        if (((e->key() == Qt::Key_Plus || e->key() == Qt::Key_Right) && collapsed) ||
            ((e->key() == Qt::Key_Minus || e->key() == Qt::Key_Left) && !collapsed)) {
            m_grid.toggleGroup(cur.row());
            return;
        }
    }
    QTableView::keyPressEvent(e);
}

void TGridTableView::mousePressEvent(QMouseEvent* e) {
    const QModelIndex index = indexAt(e->position().toPoint());
    if (index.isValid() && e->button() == Qt::LeftButton && index.data(TGridItemModel::IsGroupRole).toBool()) {
        const int level = index.data(TGridItemModel::LevelRole).toInt();
        const int x = e->position().toPoint().x() - columnViewportPosition(level);
        if (x >= 0 && x < TGridDelegate::ToggleSize + 8 && index.column() >= level) {
            m_grid.toggleGroup(index.row());
            return;
        }
    }
    QTableView::mousePressEvent(e);
}

void TGridTableView::mouseDoubleClickEvent(QMouseEvent* e) {
    const QModelIndex index = indexAt(e->position().toPoint());
    if (index.isValid() && index.data(TGridItemModel::IsGroupRole).toBool()) {
        m_grid.toggleGroup(index.row());
        return;
    }
    QTableView::mouseDoubleClickEvent(e);
}

// --- Grid --------------------------------------------------------------------

QString TSelectionGrid::groupPanelPrompt() { return promptStorage(); }

void TSelectionGrid::setGroupPanelPrompt(const QString& prompt) { promptStorage() = prompt; }

TSelectionGrid::TSelectionGrid(QWidget* parent) : QWidget(parent) {
    setObjectName(m_rows.appearance().name);
    m_model = new TGridItemModel(m_rows, this);
    m_panel = new TGroupPanel(*this);
    m_view = new TGridTableView(*this);
    m_header = new TGridHeader(*this);
    m_view->setHorizontalHeader(m_header);
    m_view->setModel(m_model);
    m_view->setItemDelegate(new TGridDelegate(*this));
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->setShowGrid(false);
    m_view->setWordWrap(false);
    m_view->setCornerButtonEnabled(false);
    m_view->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_view->setFont(toQFont(m_rows.appearance().font));
    m_header->setFont(toQFont(m_rows.appearance().headerFont));
    m_header->setSortIndicatorShown(false);
    QHeaderView* vh = m_view->verticalHeader();
    vh->setVisible(false);
    vh->setSectionResizeMode(QHeaderView::Fixed);
    vh->setDefaultSectionSize(m_view->fontMetrics().height() + 4);
    m_view->setFrameShape(QFrame::Box);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_panel);
    layout->addWidget(m_view, 1);

    connect(m_header, &QHeaderView::sectionClicked, this, [this](int section) {
        const int c = m_model->gridColumn(section);
        if (c >= 0)
            sortByColumn(m_rows.column(c).fieldName);
    });
    connect(m_header, &QHeaderView::sectionResized, this, &TSelectionGrid::onSectionResized);
}

TSelectionGrid::~TSelectionGrid() = default;

void TSelectionGrid::detach() {
    m_rows.detach();
    updateView();
}

void TSelectionGrid::rebuildColumns(TMemTable& table) {
    setUpdatesEnabled(false);
    m_rows.rebuildColumns(table);
    updateView();
    setUpdatesEnabled(true);
}

void TSelectionGrid::refresh() {
    m_rows.reload();
    updateView();
}

void TSelectionGrid::sortByColumn(const QString& fieldName) {
    const bool again = m_rows.sortField().compare(fieldName, Qt::CaseInsensitive) == 0;
    m_rows.sortBy(fieldName, again ? !m_rows.sortDescending() : false);
    updateView();
}

void TSelectionGrid::groupBy(const QString& fieldName, int position) {
    m_rows.groupBy(fieldName, position);
    updateView();
}

void TSelectionGrid::setGroupDescending(const QString& fieldName, bool descending) {
    m_rows.setGroupDescending(fieldName, descending);
    updateView();
}

void TSelectionGrid::ungroup(const QString& fieldName, int dropModelColumn) {
    const int target = m_model->gridColumn(dropModelColumn);
    const QString targetField = target >= 0 ? m_rows.column(target).fieldName : QString();
    m_rows.ungroup(fieldName);
    // The column comes back where it was dropped: before the column there.
    if (!targetField.isEmpty()) {
        const int from = m_rows.findColumn(fieldName);
        const int to = m_rows.findColumn(targetField);
        if (from >= 0 && to >= 0)
            m_rows.moveColumn(from, from < to ? to - 1 : to);
    }
    updateView();
}

void TSelectionGrid::moveColumn(const QString& fieldName, int toModelColumn) {
    const int from = m_rows.findColumn(fieldName);
    if (from < 0)
        return;
    // Dropping a column of the body on another moves it there; a column that
    // was grouped comes back from the group panel.
    if (!m_rows.isShown(from)) {
        ungroup(fieldName, toModelColumn);
        return;
    }
    // It goes before the column it was dropped on.
    const int to = m_model->gridColumn(toModelColumn);
    if (to >= 0 && to != from) {
        m_rows.moveColumn(from, from < to ? to - 1 : to);
        updateView();
    }
}

void TSelectionGrid::toggleGroup(int viewRow) {
    if (viewRow < 0 || viewRow >= m_rows.visibleRowCount())
        return;
    const int rowIndex = m_rows.visibleRow(viewRow);
    const TGridRows::Row r = m_rows.row(rowIndex);
    if (!r.isGroup)
        return;
    m_rows.setCollapsed(r.index, !m_rows.isCollapsed(r.index));
    m_model->reset();
    const int at = m_rows.visibleIndexOf(rowIndex);
    if (at >= 0)
        m_view->setCurrentIndex(m_model->index(at, std::min(r.level, m_model->columnCount() - 1)));
}

void TSelectionGrid::deleteSelectedRecords() {
    const QModelIndex current = m_view->currentIndex();
    if (!current.isValid() || current.data(TGridItemModel::IsGroupRole).toBool())
        return;
    // Selected rows from the selection's ranges (a whole million rows selected
    // is one range, not a million indexes).
    std::vector<int> selected;
    for (const QItemSelectionRange& range : m_view->selectionModel()->selection())
        for (int r = range.top(); r <= range.bottom(); ++r)
            selected.push_back(r);
    std::sort(selected.begin(), selected.end());
    selected.erase(std::unique(selected.begin(), selected.end()), selected.end());
    if (!std::binary_search(selected.begin(), selected.end(), current.row()))
        selected = {current.row()};
    std::vector<int> rows;
    rows.reserve(selected.size());
    for (int viewRow : selected)
        rows.push_back(m_rows.visibleRow(viewRow));
    const QString text = selected.size() > 1 ? QStringLiteral("Delete all selected records?")
                                             : QStringLiteral("Delete record?");
    if (TUserInteraction::current().messageBox(text, QStringLiteral("Confirm"), TUserInteraction::QuestionIcon,
                                               TUserInteraction::Ok | TUserInteraction::Cancel) != TUserInteraction::Ok)
        return;
    const int keep = current.row();
    m_rows.deleteRows(rows);
    updateView(keep);
}

void TSelectionGrid::updateView(int keepRow) {
    m_model->reset();
    m_panel->showGrouping();
    // Column widths from the rows; indent columns narrow.
    m_applyingWidths = true;
    for (int c = 0; c < m_model->columnCount(); ++c) {
        const int g = m_model->gridColumn(c);
        m_header->resizeSection(c, g >= 0 ? m_rows.column(g).width : IndentWidth);
    }
    m_applyingWidths = false;
    const int sortCol = m_rows.sortField().isEmpty() ? -1 : m_model->modelColumn(m_rows.findColumn(m_rows.sortField()));
    m_header->setSortIndicatorShown(sortCol >= 0);
    if (sortCol >= 0)
        m_header->setSortIndicator(sortCol, m_rows.sortDescending() ? Qt::DescendingOrder : Qt::AscendingOrder);
    if (keepRow >= 0 && m_model->rowCount() > 0) {
        const int row = std::min(keepRow, m_model->rowCount() - 1);
        m_view->setCurrentIndex(m_model->index(row, 0));
    }
    emit rowsChanged();
}

void TSelectionGrid::onSectionResized(int section, int, int newSize) {
    if (m_applyingWidths)
        return;
    const int c = m_model->gridColumn(section);
    if (c >= 0)
        m_rows.setColumnWidth(c, newSize);
}
