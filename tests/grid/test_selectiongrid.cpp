#include "grid/view/selectiongrid.h"

#include "common/interaction.h"
#include "gridtestutil.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMimeData>

using namespace gridtest;

#if defined(__SANITIZE_ADDRESS__)
// The font configuration library keeps a few allocations until exit that the
// leak checker would report for every widget test.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so"; }
#endif

namespace {

// One application for the whole program, never destroyed: destroying it among
// the other static objects at exit is not safe.
QApplication& app() {
    static int argc = 1;
    static char name[] = "test_gridview";
    static char* argv[] = {name, nullptr};
    static QApplication* a = new QApplication(argc, argv);
    return *a;
}

// Makes the application before any widget of a fixture.
struct WithApp {
    WithApp() { app(); }
};

class SelectionGridTest : public ::testing::Test, private WithApp {
protected:
    void SetUp() override {
        defineTable(table, {"Kind:s:10:Тип", "Name:s:20", "Count:i"});
        addRow(table, {"ТС", "альфа", "3"});
        addRow(table, {"ТИ", "бета", "10"});
        addRow(table, {"ТС", "гамма", "7"});
        grid.resize(600, 400);
        grid.rebuildColumns(table);
    }

    void ctrlDelete() {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Delete, Qt::ControlModifier);
        QApplication::sendEvent(grid.view(), &press);
    }

    // Drops a column named field, dragged from origin, onto a widget.
    void drop(QWidget* target, const QString& field, const char* origin, QPoint at = {5, 5}) {
        QMimeData mime;
        mime.setData(QString::fromLatin1(GridColumnMime), field.toUtf8());
        mime.setProperty("origin", QString::fromLatin1(origin));
        QDragEnterEvent enter(at, Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        ASSERT_TRUE(enter.isAccepted());
        QDropEvent dropEvent(QPointF(at), Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &dropEvent);
    }

    TMemTable table{QStringLiteral("DS")};
    TSelectionGrid grid;
    TRecordingInteraction answers;
    TScopedInteraction scoped{answers};
};

} // namespace

TEST_F(SelectionGridTest, PanelPromptsUntilAColumnIsGrouped) {
    EXPECT_EQ(grid.groupPanel()->promptText(),
              QStringLiteral(" Перетащите сюда заголовок колонки для группировки по ней"));
    EXPECT_TRUE(grid.groupPanel()->buttonTexts().isEmpty());
    grid.groupBy(QStringLiteral("Kind"));
    EXPECT_EQ(grid.groupPanel()->promptText(), QString());
    EXPECT_EQ(grid.groupPanel()->buttonTexts(), QStringList{QStringLiteral("Тип")});
}

TEST_F(SelectionGridTest, ModelShowsRecordsAndGroupRowsReadOnly) {
    auto* m = grid.model();
    ASSERT_EQ(m->rowCount(), 3);
    ASSERT_EQ(m->columnCount(), 3); // RecNo never shown
    EXPECT_EQ(m->headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("Тип"));
    EXPECT_EQ(m->index(1, 1).data().toString(), QStringLiteral("бета"));
    EXPECT_FALSE(m->flags(m->index(0, 0)) & Qt::ItemIsEditable);
    EXPECT_EQ(grid.view()->selectionBehavior(), QAbstractItemView::SelectRows);

    grid.groupBy(QStringLiteral("Kind"));
    ASSERT_EQ(m->rowCount(), 5);
    ASSERT_EQ(m->columnCount(), 3); // one indent column, Name, Count
    EXPECT_TRUE(m->index(0, 0).data(TGridItemModel::IsGroupRole).toBool());
    EXPECT_EQ(m->index(0, 0).data().toString(), QStringLiteral("Тип : ТИ  Записей: 1 "));
    EXPECT_EQ(m->index(1, 1).data().toString(), QStringLiteral("бета"));
    EXPECT_EQ(m->headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), QString());

    grid.toggleGroup(0);
    EXPECT_EQ(m->rowCount(), 4);
    EXPECT_TRUE(m->index(0, 0).data(TGridItemModel::CollapsedRole).toBool());
    grid.toggleGroup(0);
    EXPECT_EQ(m->rowCount(), 5);
}

TEST_F(SelectionGridTest, HeaderClickSortsAndAgainReverses) {
    emit grid.header()->sectionClicked(1); // Name
    EXPECT_EQ(grid.rows().sortField(), QStringLiteral("Name"));
    EXPECT_FALSE(grid.rows().sortDescending());
    EXPECT_EQ(grid.model()->index(0, 1).data().toString(), QStringLiteral("альфа"));
    emit grid.header()->sectionClicked(1);
    EXPECT_TRUE(grid.rows().sortDescending());
    EXPECT_EQ(grid.model()->index(0, 1).data().toString(), QStringLiteral("гамма"));
}

TEST_F(SelectionGridTest, DraggingHeaderIntoPanelGroupsAndBackUngroups) {
    drop(grid.groupPanel(), QStringLiteral("Kind"), "header");
    EXPECT_EQ(grid.rows().groupCount(), 1);
    EXPECT_EQ(grid.model()->rowCount(), 5);
    drop(grid.header()->viewport(), QStringLiteral("Kind"), "group", {grid.header()->sectionViewportPosition(2) + 3, 5});
    EXPECT_EQ(grid.rows().groupCount(), 0);
    // Back where it was dropped: on Count's place.
    EXPECT_EQ(grid.model()->headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("Тип"));
}

TEST_F(SelectionGridTest, CtrlDeleteOnAGroupRowDoesNothing) {
    grid.groupBy(QStringLiteral("Kind"));
    grid.view()->setCurrentIndex(grid.model()->index(0, 0));
    ctrlDelete();
    EXPECT_TRUE(answers.messages.empty());
    EXPECT_EQ(table.recordCount(), 3);
}

TEST_F(SelectionGridTest, CtrlDeleteAsksAndDeletesOnOk) {
    grid.view()->setCurrentIndex(grid.model()->index(1, 0));
    answers.answers = {TUserInteraction::Cancel};
    ctrlDelete();
    ASSERT_EQ(answers.messages.size(), 1u);
    EXPECT_EQ(answers.messages[0].text, QStringLiteral("Delete record?"));
    EXPECT_EQ(answers.messages[0].title, QStringLiteral("Confirm"));
    EXPECT_EQ(answers.messages[0].icon, TUserInteraction::QuestionIcon);
    EXPECT_EQ(answers.messages[0].buttons, TUserInteraction::Ok | TUserInteraction::Cancel);
    EXPECT_EQ(table.recordCount(), 3);

    answers.answers = {TUserInteraction::Ok};
    ctrlDelete();
    EXPECT_EQ(table.recordCount(), 2);
    EXPECT_EQ(grid.model()->rowCount(), 2);
    EXPECT_EQ(grid.model()->index(1, 1).data().toString(), QStringLiteral("гамма"));
}

TEST_F(SelectionGridTest, CtrlDeleteOfSeveralSelectedRows) {
    grid.view()->selectAll();
    grid.view()->selectionModel()->setCurrentIndex(grid.model()->index(0, 0), QItemSelectionModel::NoUpdate);
    answers.answers = {TUserInteraction::Ok};
    ctrlDelete();
    ASSERT_EQ(answers.messages.size(), 1u);
    EXPECT_EQ(answers.messages[0].text, QStringLiteral("Delete all selected records?"));
    EXPECT_EQ(table.recordCount(), 0);
    EXPECT_EQ(grid.model()->rowCount(), 0);
}

TEST_F(SelectionGridTest, DetachShowsNoRowsAndRebuildKeepsGrouping) {
    grid.groupBy(QStringLiteral("Kind"));
    grid.detach();
    EXPECT_EQ(grid.model()->rowCount(), 0);
    EXPECT_EQ(grid.model()->columnCount(), 0);
    grid.rebuildColumns(table);
    EXPECT_EQ(grid.rows().groupCount(), 1);
    EXPECT_EQ(grid.model()->rowCount(), 5);
}

TEST_F(SelectionGridTest, ResizingAHeaderSetsTheExportWidth) {
    grid.header()->resizeSection(1, 123);
    EXPECT_EQ(grid.rows().column(grid.rows().findColumn(QStringLiteral("Name"))).width, 123);
}

TEST_F(SelectionGridTest, DraggingAHeaderOntoAnotherMovesTheColumnBeforeIt) {
    drop(grid.header()->viewport(), QStringLiteral("Count"), "header", {grid.header()->sectionViewportPosition(0) + 3, 5});
    EXPECT_EQ(grid.model()->headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("Count"));
    EXPECT_EQ(grid.rows().visibleColumns().size(), 3u);
    EXPECT_EQ(grid.rows().column(grid.rows().visibleColumns()[0]).fieldName, QStringLiteral("Count"));
}

TEST_F(SelectionGridTest, GroupRowsArePaintedAcrossTheRow) {
    grid.groupBy(QStringLiteral("Kind"));
    grid.show();
    QTableView* v = grid.view();
    const QImage image = v->viewport()->grab().toImage();
    // The last column of the first group row (level 0) carries the group band.
    const int y = v->rowViewportPosition(0) + v->rowHeight(0) / 2;
    const int lastColumn = grid.model()->columnCount() - 1;
    const int x = v->columnViewportPosition(lastColumn) + v->columnWidth(lastColumn) - 3;
    EXPECT_EQ(image.pixelColor(x, y), QColor(0xC0, 0xC0, 0xC0));
    // A record row's data cell is white, its indent cell the group colour.
    const int y1 = v->rowViewportPosition(1) + v->rowHeight(1) / 2;
    EXPECT_EQ(image.pixelColor(x, y1), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(v->columnViewportPosition(0) + 3, y1), QColor(0xC0, 0xC0, 0xC0));
}

TEST_F(SelectionGridTest, ClickOnTheBoxCollapsesAGroup) {
    grid.groupBy(QStringLiteral("Kind"));
    grid.show();
    QTableView* v = grid.view();
    const QPoint box(v->columnViewportPosition(0) + 6, v->rowViewportPosition(0) + v->rowHeight(0) / 2);
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(box), v->viewport()->mapToGlobal(QPointF(box)), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(v->viewport(), &press);
    EXPECT_EQ(grid.model()->rowCount(), 4);
    EXPECT_EQ(grid.rows().rowCount(), 5); // the export still writes every row
}
