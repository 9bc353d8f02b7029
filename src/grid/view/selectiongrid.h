#pragma once

#include "grid/gridrows.h"

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QWidget>
#include <vector>

class QLabel;
class QHBoxLayout;
class QMimeData;
class TSelectionGrid;

// MIME type of a dragged grid column: the column's name in UTF-8; the origin
// ("header" or "group") in the property of the same name.
inline constexpr const char* GridColumnMime = "application/x-ostrand-grid-column";

// Item model over the rows a grid shows: G indent columns, then the columns
// shown in the body. Rows are read on demand from the headless rows.
class TGridItemModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Roles { IsGroupRole = Qt::UserRole + 1, LevelRole, RowRole, CollapsedRole };

    explicit TGridItemModel(TGridRows& rows, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Reads the rows again after they changed.
    void reset();
    // Grid column of a model column (-1 for indent columns).
    int gridColumn(int modelColumn) const;
    int modelColumn(int gridColumn) const;
    int indentColumns() const { return m_groups; }

private:
    TGridRows& m_rows;
    std::vector<int> m_columns;
    int m_groups = 0;
};

// Column headers: a click sorts, a drag moves a column or, dropped on the group
// panel, groups by it; a grouped column dropped here is ungrouped.
class TGridHeader : public QHeaderView {
    Q_OBJECT
public:
    explicit TGridHeader(TSelectionGrid& grid);

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dragMoveEvent(QDragMoveEvent* e) override;
    void dropEvent(QDropEvent* e) override;

private:
    TSelectionGrid& m_grid;
    QPoint m_pressPos;
    int m_pressSection = -1;
};

// The panel above the headers: the prompt while nothing is grouped, else one
// button per grouped column.
class TGroupPanel : public QWidget {
    Q_OBJECT
public:
    explicit TGroupPanel(TSelectionGrid& grid);

    // Shows the grid's current grouping.
    void showGrouping();
    QString promptText() const;
    QStringList buttonTexts() const;

protected:
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dragMoveEvent(QDragMoveEvent* e) override;
    void dropEvent(QDropEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int positionAt(int x) const;

    TSelectionGrid& m_grid;
    QHBoxLayout* m_layout;
    QLabel* m_prompt;
    std::vector<QWidget*> m_buttons;
    QPoint m_pressPos;
};

// Paints group rows across the row, with their collapse/expand box.
class TGridDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit TGridDelegate(TSelectionGrid& grid);
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    static constexpr int ToggleSize = 9;

private:
    TSelectionGrid& m_grid;
};

class TGridTableView : public QTableView {
    Q_OBJECT
public:
    explicit TGridTableView(TSelectionGrid& grid);

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;

private:
    TSelectionGrid& m_grid;
};

// The grid of the selection: a view over TGridRows with a group panel above the
// column headers. Rows are read-only; Ctrl+Delete deletes records after asking.
class TSelectionGrid : public QWidget {
    Q_OBJECT
public:
    explicit TSelectionGrid(QWidget* parent = nullptr);
    ~TSelectionGrid() override;

    // The headless rows the writers read.
    TGridRows& rows() { return m_rows; }
    const TGridRows& rows() const { return m_rows; }

    // Stops following the table: no columns, no rows.
    void detach();
    // Attaches to the table after a selection: columns from the table, RecNo
    // the key, count summaries on the first two data columns, rows reloaded and
    // regrouped and re-sorted as before.
    void rebuildColumns(TMemTable& table);
    // Reloads the rows of the attached table.
    void refresh();

    // The group panel's prompt (process-wide; set at start-up).
    static QString groupPanelPrompt();
    static void setGroupPanelPrompt(const QString& prompt);

    // User operations, also reachable from code.
    void sortByColumn(const QString& fieldName); // toggles the direction on a repeat
    void groupBy(const QString& fieldName, int position = -1);
    void ungroup(const QString& fieldName, int dropModelColumn = -1);
    void setGroupDescending(const QString& fieldName, bool descending);
    void moveColumn(const QString& fieldName, int toModelColumn);
    void toggleGroup(int viewRow);
    // Ctrl+Delete: asks, then deletes the focused record or the selected ones.
    void deleteSelectedRecords();

    TGridTableView* view() const { return m_view; }
    TGridItemModel* model() const { return m_model; }
    TGroupPanel* groupPanel() const { return m_panel; }
    TGridHeader* header() const { return m_header; }

signals:
    // Rows were loaded, sorted, grouped or deleted.
    void rowsChanged();

private:
    friend class TGridHeader;
    void updateView(int keepRow = -1);
    void onSectionResized(int section, int oldSize, int newSize);

    TGridRows m_rows;
    TGridItemModel* m_model;
    TGroupPanel* m_panel;
    TGridTableView* m_view;
    TGridHeader* m_header;
    bool m_applyingWidths = false;
};
