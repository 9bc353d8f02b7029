#include "grid/collation.h"
#include "grid/gridrows.h"

#include "common/cp1251.h"
#include "gridtestutil.h"

#include <gtest/gtest.h>

#include <QCollator>
#include <QLocale>
#include <QRandomGenerator>

using namespace gridtest;

namespace {

// Texts of all rows in display order: group rows as "G<level>:<text>", records
// as their shown cells joined by "|".
QStringList dump(const TGridRows& g) {
    QStringList out;
    const auto cols = g.visibleColumns();
    for (int i = 0; i < g.rowCount(); ++i) {
        const auto r = g.row(i);
        if (r.isGroup) {
            out << QStringLiteral("G%1:%2").arg(r.level).arg(g.groupText(r.index));
        } else {
            QStringList cells;
            for (int c : cols)
                cells << g.cellText(r.index, c);
            out << cells.join(u'|');
        }
    }
    return out;
}

// Key values (RecNo) of the records in display order.
QList<int> keys(const TGridRows& g) {
    QList<int> out;
    for (int i = 0; i < g.rowCount(); ++i)
        if (!g.row(i).isGroup)
            out << g.cellInteger(g.row(i).index, g.keyColumn());
    return out;
}

class GridRowsTest : public ::testing::Test {
protected:
    TMemTable table{QStringLiteral("DS")};
    TGridRows grid;

    // Kind, Name, Count, Value.
    void fill() {
        defineTable(table, {"Kind:s:10:Тип:8", "Name:s:20::10", "Count:i", "Value:f"});
        addRow(table, {"ТС", "альфа", "3", "1.5"});
        addRow(table, {"ТИ", "бета", "10", ""});
        addRow(table, {"ТС", "гамма", "", "-2"});
        addRow(table, {"ТИ", "дельта", "9", "0.25"});
        addRow(table, {"ТС", "эпсилон", "3", "100"});
        grid.rebuildColumns(table);
    }
};

} // namespace

TEST_F(GridRowsTest, ColumnsComeFromTheTable) {
    fill();
    ASSERT_EQ(grid.columnCount(), 5);
    EXPECT_EQ(grid.keyColumn(), 0);
    EXPECT_FALSE(grid.isShown(0));
    EXPECT_EQ(grid.column(1).caption, QStringLiteral("Тип"));
    EXPECT_EQ(grid.column(2).caption, QStringLiteral("Name")); // no label: the name
    EXPECT_EQ(grid.column(1).width, 6 * 8 + 4);
    EXPECT_EQ(grid.column(2).width, 6 * 10 + 4);
    EXPECT_EQ(grid.column(1).alignment, TGridAlignment::Left);
    EXPECT_EQ(grid.column(3).alignment, TGridAlignment::Right);
    EXPECT_EQ(grid.column(4).alignment, TGridAlignment::Right);
    for (int c = 0; c < 5; ++c)
        EXPECT_EQ(grid.column(c).headerAlignment, TGridAlignment::Left);
    // Count summaries on the first two data columns only.
    EXPECT_FALSE(grid.column(0).hasSummary);
    EXPECT_TRUE(grid.column(1).hasSummary);
    EXPECT_TRUE(grid.column(2).hasSummary);
    EXPECT_FALSE(grid.column(3).hasSummary);
    EXPECT_FALSE(grid.column(4).hasSummary);
    EXPECT_EQ(grid.visibleColumns(), (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(grid.column(3).font.name, QStringLiteral("MS Sans Serif"));
    EXPECT_EQ(grid.column(3).color.hex(), QByteArray("FFFFFF"));
}

TEST_F(GridRowsTest, RowsHoldDisplayTextsInTableOrder) {
    fill();
    EXPECT_EQ(dump(grid), (QStringList{"ТС|альфа|3|1.5", "ТИ|бета|10|", "ТС|гамма||-2", "ТИ|дельта|9|0.25",
                                       "ТС|эпсилон|3|100"}));
    EXPECT_TRUE(grid.cellIsNull(2, 3));
    EXPECT_EQ(grid.cellInteger(2, 3), 0);
    EXPECT_EQ(grid.cellFloat(3, 4), 0.25);
}

TEST_F(GridRowsTest, GroupRowsCarryLevelTextAndCountOnTheFirstTwoDataColumns) {
    fill();
    grid.groupBy(QStringLiteral("Kind"));
    EXPECT_EQ(grid.groupCount(), 1);
    // The grouped column leaves the body.
    EXPECT_EQ(grid.visibleColumns(), (std::vector<int>{2, 3, 4}));
    EXPECT_EQ(dump(grid), (QStringList{"G0:Тип : ТИ  Записей: 2 ", "бета|10|", "дельта|9|0.25",
                                       "G0:Тип : ТС  Записей: 3 ", "альфа|3|1.5", "гамма||-2", "эпсилон|3|100"}));
    EXPECT_EQ(grid.row(1).level, 1);

    // A column without summary: no count.
    grid.setGrouping({{QStringLiteral("Count"), false}});
    EXPECT_EQ(dump(grid), (QStringList{"G0:Count :  ", "ТС|гамма|-2", "G0:Count : 3 ", "ТС|альфа|1.5",
                                       "ТС|эпсилон|100", "G0:Count : 9 ", "ТИ|дельта|0.25", "G0:Count : 10 ",
                                       "ТИ|бета|"}));
}

TEST_F(GridRowsTest, TwoGroupLevelsNestDepthFirst) {
    fill();
    grid.setGrouping({{QStringLiteral("Kind"), false}, {QStringLiteral("Count"), true}});
    EXPECT_EQ(dump(grid),
              (QStringList{"G0:Тип : ТИ  Записей: 2 ", "G1:Count : 10 ", "бета|", "G1:Count : 9 ", "дельта|0.25",
                           "G0:Тип : ТС  Записей: 3 ", "G1:Count : 3 ", "альфа|1.5", "эпсилон|100", "G1:Count :  ",
                           "гамма|-2"}));
    EXPECT_EQ(grid.topLevelRows(), (std::vector<int>{0, 5}));
    EXPECT_EQ(grid.childRows(0), (std::vector<int>{1, 3}));
    EXPECT_EQ(grid.childRows(5), (std::vector<int>{6, 9}));
    EXPECT_EQ(grid.childRows(6), (std::vector<int>{7, 8}));
    EXPECT_EQ(grid.row(2).level, 2);
    EXPECT_EQ(grid.row(1).level, 1);
}

TEST_F(GridRowsTest, OneDataColumnCarriesTheOnlySummary) {
    defineTable(table, {"Name:s:10"});
    addRow(table, {"a"});
    addRow(table, {"a"});
    grid.rebuildColumns(table);
    EXPECT_TRUE(grid.column(1).hasSummary);
    grid.groupBy(QStringLiteral("Name"));
    EXPECT_EQ(grid.groupText(0), QStringLiteral("Name : a  Записей: 2 "));
    EXPECT_TRUE(grid.visibleColumns().empty());
}

TEST_F(GridRowsTest, SortUsesRussianCollationAndIsStable) {
    defineTable(table, {"Name:s:20", "Tag:s:5"});
    const QStringList names{"Яблоко", "жук", "ёж", "еда", "абрикос", "Банан", "жук", "Яблоко"};
    for (const QString& n : names)
        addRow(table, {n, ""});
    grid.rebuildColumns(table);
    grid.sortBy(QStringLiteral("Name"));
    EXPECT_EQ(dump(grid), (QStringList{"абрикос|", "Банан|", "еда|", "ёж|", "жук|", "жук|", "Яблоко|", "Яблоко|"}));
    // Equal values keep table order.
    EXPECT_EQ(keys(grid), (QList<int>{5, 6, 4, 3, 2, 7, 1, 8}));
    grid.sortBy(QStringLiteral("Name"), true);
    EXPECT_EQ(keys(grid), (QList<int>{1, 8, 2, 7, 3, 4, 6, 5}));
    grid.clearSort();
    EXPECT_EQ(keys(grid), (QList<int>{1, 2, 3, 4, 5, 6, 7, 8}));
}

TEST_F(GridRowsTest, NumbersSortByValueWithoutValueFirst) {
    fill();
    grid.sortBy(QStringLiteral("Count"));
    EXPECT_EQ(keys(grid), (QList<int>{3, 1, 5, 4, 2}));
    grid.sortBy(QStringLiteral("Value"));
    EXPECT_EQ(keys(grid), (QList<int>{2, 3, 4, 1, 5}));
}

TEST(GridCollation, RanksFollowTheCollator) {
    QCollator coll{QLocale(QStringLiteral("ru_RU"))};
    QStringList texts{"а", "А", "ё", "Ё", "е", "Е", "еж", "ёж", "Ёлка", "ель", "z", "Z", "10", "9", "a-b", "ab",
                      "№1", "«к»", "я", "Я", "ъ", "ь", "Ы", "ж", "ab ", "Ab"};
    auto* rng = QRandomGenerator::global();
    for (int i = 0; i < 300; ++i) {
        QString s;
        const int len = int(rng->bounded(1, 6));
        for (int k = 0; k < len; ++k)
            s += cp1251::toChar(static_cast<unsigned char>(rng->bounded(0x20, 0x100)));
        texts << s;
    }
    texts.removeDuplicates();
    std::vector<QByteArray> bytes;
    for (const QString& t : texts)
        bytes.push_back(cp1251::encode(t));
    std::vector<QByteArrayView> views(bytes.begin(), bytes.end());
    const auto ranks = gridcollation::rank(views);
    for (qsizetype i = 0; i < texts.size(); ++i)
        for (qsizetype j = 0; j < texts.size(); ++j) {
            const int c = coll.compare(texts[i], texts[j]);
            if (c < 0) {
                EXPECT_LT(ranks[std::size_t(i)], ranks[std::size_t(j)])
                    << texts[i].toStdString() << " < " << texts[j].toStdString();
            }
            if (i != j) {
                EXPECT_NE(ranks[std::size_t(i)], ranks[std::size_t(j)]);
            }
            EXPECT_EQ(gridcollation::compare(texts[i], texts[j]) < 0, ranks[std::size_t(i)] < ranks[std::size_t(j)]);
        }

    // Repeated texts share one rank.
    const QByteArray a = cp1251::encode(u"ёж"), b = cp1251::encode(u"еж"), a2 = cp1251::encode(u"ёж");
    const auto r = gridcollation::rank({QByteArrayView(a), QByteArrayView(b), QByteArrayView(a2)});
    EXPECT_EQ(r[0], r[2]);
    EXPECT_NE(r[0], r[1]);
}

TEST_F(GridRowsTest, DeleteRemovesRecordsFromTableAndRowsButNeverGroupRows) {
    fill();
    grid.groupBy(QStringLiteral("Kind"));
    const int groupsBefore = grid.groupNumberCount();
    // Group rows are never deleted.
    EXPECT_EQ(grid.deleteRows({0, 3}), 0);
    EXPECT_EQ(table.recordCount(), 5);
    EXPECT_EQ(grid.rowCount(), 7);
    // Delete both records of the "ТИ" group: the group disappears.
    EXPECT_EQ(grid.deleteRows({0, 1, 2}), 2);
    EXPECT_EQ(table.recordCount(), 3);
    EXPECT_EQ(grid.groupNumberCount(), groupsBefore - 1);
    EXPECT_EQ(dump(grid), (QStringList{"G0:Тип : ТС  Записей: 3 ", "альфа|3|1.5", "гамма||-2", "эпсилон|3|100"}));
    // Positions in the table moved: deleting "эпсилон" now removes the right one.
    EXPECT_EQ(grid.deleteRecords({grid.row(3).index}), 1);
    QStringList left;
    for (table.first(); !table.eof(); table.next())
        left << table.field(2).asString();
    EXPECT_EQ(left, (QStringList{"альфа", "гамма"}));
    // Already deleted or unknown records are ignored.
    EXPECT_EQ(grid.deleteRecords({4, 99, -1}), 0);
    EXPECT_EQ(table.recordCount(), 2);
}

TEST_F(GridRowsTest, DeleteFindsRecordsByKeyWhenTheTableChanged) {
    fill();
    const int rec = grid.row(4).index; // эпсилон, RecNo 5
    // Someone removed the first record behind the grid's back.
    table.first();
    table.deleteRecord();
    EXPECT_EQ(grid.deleteRecords({rec}), 1);
    QStringList left;
    for (table.first(); !table.eof(); table.next())
        left << table.field(2).asString();
    EXPECT_EQ(left, (QStringList{"бета", "гамма", "дельта"}));
    // Later deletes still find the right records.
    EXPECT_EQ(grid.deleteRecords({1}), 1); // бета
    left.clear();
    for (table.first(); !table.eof(); table.next())
        left << table.field(2).asString();
    EXPECT_EQ(left, (QStringList{"гамма", "дельта"}));
}

TEST_F(GridRowsTest, GroupingAndSortSurviveANewSelectionWhileColumnsAreRebuilt) {
    fill();
    grid.groupBy(QStringLiteral("Kind"));
    grid.sortBy(QStringLiteral("Name"), true);
    grid.setColumnWidth(2, 300);
    grid.moveColumn(4, 1);

    // A new selection: the table is refilled with the same columns.
    grid.detach();
    EXPECT_EQ(grid.rowCount(), 0);
    EXPECT_EQ(grid.columnCount(), 0);
    EXPECT_FALSE(grid.attached());
    defineTable(table, {"Kind:s:10:Тип:8", "Name:s:20::10", "Count:i", "Value:f"});
    addRow(table, {"ТС", "б", "1", ""});
    addRow(table, {"ТС", "в", "2", ""});
    addRow(table, {"ТУ", "а", "3", ""});
    grid.rebuildColumns(table);
    EXPECT_EQ(grid.groupCount(), 1);
    EXPECT_EQ(grid.sortField(), QStringLiteral("Name"));
    EXPECT_EQ(dump(grid), (QStringList{"G0:Тип : ТС  Записей: 2 ", "в|2|", "б|1|", "G0:Тип : ТУ  Записей: 1 ", "а|3|"}));
    // Columns come from the table again: order and widths as the table says.
    EXPECT_EQ(grid.column(2).width, 64);
    EXPECT_EQ(grid.column(4).fieldName, QStringLiteral("Value"));

    // A selection without the grouped column keeps the grouping for later.
    defineTable(table, {"Other:s:5"});
    addRow(table, {"x"});
    grid.rebuildColumns(table);
    EXPECT_EQ(grid.groupCount(), 0);
    EXPECT_EQ(grid.grouping().size(), 1u);
    EXPECT_EQ(dump(grid), (QStringList{"x"}));
}

TEST_F(GridRowsTest, CollapsedGroupsStayInTheRowListButNotAmongVisibleRows) {
    fill();
    grid.groupBy(QStringLiteral("Kind"));
    ASSERT_EQ(grid.rowCount(), 7);
    grid.setCollapsed(0, true); // ТИ
    EXPECT_EQ(grid.rowCount(), 7);
    EXPECT_EQ(grid.visibleRowCount(), 5);
    EXPECT_EQ(grid.visibleRow(1), 3);
    EXPECT_EQ(grid.visibleIndexOf(1), -1);
    // Re-sorting keeps the group collapsed.
    grid.sortBy(QStringLiteral("Count"), true);
    EXPECT_TRUE(grid.isCollapsed(0));
    EXPECT_FALSE(grid.isCollapsed(1));
    grid.setAllCollapsed(false);
    EXPECT_EQ(grid.visibleRowCount(), 7);
    grid.setAllCollapsed(true);
    EXPECT_EQ(grid.visibleRowCount(), 2);
}

TEST_F(GridRowsTest, GroupingByAColumnTwiceMovesIt) {
    fill();
    grid.groupBy(QStringLiteral("Kind"));
    grid.groupBy(QStringLiteral("Count"));
    grid.groupBy(QStringLiteral("kind")); // letter case ignored
    ASSERT_EQ(grid.grouping().size(), 2u);
    EXPECT_EQ(grid.grouping()[1].fieldName, QStringLiteral("kind"));
    EXPECT_EQ(grid.column(grid.groupColumn(0)).fieldName, QStringLiteral("Count"));
    grid.ungroup(QStringLiteral("COUNT"));
    EXPECT_EQ(grid.groupCount(), 1);
    // The key column cannot be grouped.
    grid.groupBy(QStringLiteral("RecNo"));
    EXPECT_EQ(grid.groupCount(), 1);
}

TEST(GridRows, DetachedGridHasNoRows) {
    TGridRows grid;
    EXPECT_FALSE(grid.attached());
    EXPECT_EQ(grid.rowCount(), 0);
    grid.groupBy(QStringLiteral("X"));
    grid.sortBy(QStringLiteral("X"));
    EXPECT_EQ(grid.rowCount(), 0);
    EXPECT_EQ(TGridRows::pixelsForChars(0), 64);
    EXPECT_EQ(TGridRows::pixelsForChars(10), 64);
    EXPECT_EQ(TGridRows::pixelsForChars(1), 10);
}

TEST(GridRowsTable, TextsFollowTheTableStorageWhileItStaysOpen) {
    // String texts are read from the table's storage slots: appends and
    // deletes behind the grid leave the loaded rows as they were; a table
    // closed or reopened behind the grid gives empty texts, never freed memory.
    TMemTable t(QStringLiteral("DS"));
    defineTable(t, {"Name:s:40", "N:i"});
    for (int i = 0; i < 3000; ++i) // several storage chunks
        addRow(t, {QStringLiteral("имя %1").arg(i), QString::number(i)});
    TGridRows g;
    g.rebuildColumns(t);
    const QStringList before = dump(g);
    ASSERT_EQ(before.size(), 3000);
    EXPECT_EQ(before[2999], u"имя 2999|2999"_qs);

    addRow(t, {QStringLiteral("новая"), QStringLiteral("1")});
    t.setRecNo(0);
    t.deleteRecord();
    EXPECT_EQ(dump(g), before);
    // Deleting through the grid keeps the rest of the rows right.
    EXPECT_EQ(g.deleteRows({1}), 1);
    QStringList expected = before;
    expected.removeAt(1);
    EXPECT_EQ(dump(g), expected);

    t.close();
    for (int i = 0; i < g.rowCount(); ++i)
        EXPECT_TRUE(g.cellBytes(g.row(i).index, 1).isEmpty());
    defineTable(t, {"Name:s:40", "N:i"});
    addRow(t, {QStringLiteral("другая"), QStringLiteral("5")});
    EXPECT_TRUE(g.cellBytes(g.row(0).index, 1).isEmpty());
    // Numbers keep the texts of the load.
    EXPECT_EQ(g.cellText(g.row(0).index, 2), u"0"_qs);
    g.reload();
    EXPECT_EQ(dump(g), QStringList{u"другая|5"_qs});
}
