// Undo and redo: every kind of command taken back restores the template's
// bytes exactly, and redo brings the command's result back.

#include "designfixture.h"

#include <functional>

using frdesign::TfrAlign;
using frdesign::TfrDirection;

namespace {

struct UndoCase {
    const char* name;
    TfrUndoKind kind;
    std::function<bool(TfrDesignDocument&)> command;
};

class UndoRestores : public DesignTest, public ::testing::WithParamInterface<UndoCase> {
protected:
    // A page as loaded templates hold it: memos between the bands, a child
    // band another band names.
    void SetUp() override {
        memo("Title", 40, 24, 300, 28);
        band("ReportTitle1", btReportTitle, 20, 84);
        memo("Caption", 40, 122, 100, 24).frameTyp = frftLeft | frftTop;
        memo("Value", 140, 122, 100, 24);
        band("MasterData1", btMasterData, 120, 28).childBand = QStringLiteral("Child1");
        band("Child1", btChild, 160, 20);
        memo("Note", 40, 162, 200, 16);
        subReport("SubReport1", 0);
    }
};

TEST_P(UndoRestores, TheTemplateBytes) {
    const QByteArray before = report.saveToStream();
    ASSERT_TRUE(GetParam().command(*doc)) << doc->refusal().toStdString();
    const QByteArray after = report.saveToStream();
    ASSERT_NE(after, before);
    ASSERT_FALSE(doc->undoStack().isEmpty());
    EXPECT_EQ(doc->undoStack().top()->kind, GetParam().kind);
    ASSERT_TRUE(doc->undo()) << doc->refusal().toStdString();
    EXPECT_EQ(report.saveToStream(), before);
    ASSERT_TRUE(doc->redo()) << doc->refusal().toStdString();
    EXPECT_EQ(report.saveToStream(), after);
    ASSERT_TRUE(doc->undo());
    EXPECT_EQ(report.saveToStream(), before);
    EXPECT_TRUE(doc->modified());
}

bool named(TfrDesignDocument& d, const QStringList& names) { return d.selectNames(names); }

INSTANTIATE_TEST_SUITE_P(
    EachKind, UndoRestores,
    ::testing::Values(
        UndoCase{"InsertText", TfrUndoKind::Insert,
                 [](TfrDesignDocument& d) { return d.insertObject(TfrMemoView::classInfo(), TfrBox{300, 300, 0, 0}) != nullptr; }},
        UndoCase{"InsertBand", TfrUndoKind::Insert,
                 [](TfrDesignDocument& d) {
                     return d.insertObject(TfrBandView::classInfo(), TfrBox{0, 400, 0, 0}, btMasterFooter) != nullptr;
                 }},
        UndoCase{"DeleteChildBand", TfrUndoKind::Delete,
                 [](TfrDesignDocument& d) { return named(d, {"Child1", "Caption"}) && d.deleteSelection(); }},
        UndoCase{"Cut", TfrUndoKind::Delete, [](TfrDesignDocument& d) { return named(d, {"Value", "Note"}) && d.cut(); }},
        UndoCase{"PasteWithBand", TfrUndoKind::Insert,
                 [](TfrDesignDocument& d) {
                     return named(d, {"MasterData1", "Value"}) && d.copy() && named(d, {"Note"}) && d.paste(QPoint(100, 100));
                 }},
        UndoCase{"Drag", TfrUndoKind::Change,
                 [](TfrDesignDocument& d) {
                     if (!named(d, {"Caption", "Value"}))
                         return false;
                     d.beginMove(QPoint(40, 122));
                     return d.release(QPoint(60, 150), Qt::NoModifier) == TfrDesignDocument::Released::Changed;
                 }},
        UndoCase{"SharedEdge", TfrUndoKind::Change,
                 [](TfrDesignDocument& d) {
                     if (!named(d, {"Caption", "Value"}) || !d.beginSharedEdge(QPoint(140, 130)))
                         return false;
                     return d.release(QPoint(160, 130), Qt::NoModifier) == TfrDesignDocument::Released::Changed;
                 }},
        UndoCase{"Align", TfrUndoKind::Change,
                 [](TfrDesignDocument& d) { return named(d, {"Note", "Title"}) && d.align(TfrAlign::Right); }},
        UndoCase{"Key", TfrUndoKind::Change,
                 [](TfrDesignDocument& d) { return named(d, {"Title"}) && d.arrowKey(TfrDirection::Up, Qt::ShiftModifier); }},
        UndoCase{"Font", TfrUndoKind::Change,
                 [](TfrDesignDocument& d) { return named(d, {"Title", "Note"}) && d.setFontSize(14); }},
        UndoCase{"Property", TfrUndoKind::Change,
                 [](TfrDesignDocument& d) {
                     return d.setProperty({d.page().findObject(QStringLiteral("Note"))}, QStringLiteral("Memo"),
                                          TVariant(QStringLiteral("Итого: [COUNT(MasterData1)]")));
                 }},
        UndoCase{"Front", TfrUndoKind::Order, [](TfrDesignDocument& d) { return named(d, {"Title"}) && d.bringToFront(); }},
        UndoCase{"BackOfABand", TfrUndoKind::Order,
                 [](TfrDesignDocument& d) { return named(d, {"Child1", "Note"}) && d.sendToBack(); }}),
    [](const ::testing::TestParamInfo<UndoCase>& info) { return std::string(info.param.name); });

using Undo = DesignTest;

TEST_F(Undo, TheHundredAndFirstActionDropsTheOldestEntry) {
    TfrView& m = memo("M", 0, 0, 10, 10);
    doc->selectObjects({&m});
    for (int i = 0; i < 101; ++i)
        ASSERT_TRUE(doc->arrowKey(TfrDirection::Right, Qt::ControlModifier));
    EXPECT_EQ(find("M")->left, 101);
    EXPECT_EQ(doc->undoStack().count(), TfrUndoStack::capacity);
    while (doc->undo()) {
    }
    // The first move cannot be taken back any more.
    EXPECT_EQ(find("M")->left, 1);
    EXPECT_EQ(doc->redoStack().count(), TfrUndoStack::capacity);
}

TEST_F(Undo, AppliesOnlyOnItsOwnPageAndNewCommandsForgetRedo) {
    memo("M", 0, 0, 10, 10);
    select({"M"});
    ASSERT_TRUE(doc->deleteSelection());
    ASSERT_TRUE(doc->addPage());
    EXPECT_FALSE(doc->undo());
    EXPECT_EQ(doc->refusal(), QStringLiteral("Последнее действие сделано на странице 1"));
    doc->setPage(0);
    ASSERT_TRUE(doc->undo());
    EXPECT_EQ(doc->selection(), std::vector<TfrView*>{find("M")});
    EXPECT_EQ(doc->redoStack().count(), 1);
    ASSERT_TRUE(doc->arrowKey(TfrDirection::Down, Qt::ControlModifier));
    EXPECT_TRUE(doc->redoStack().isEmpty());
}

TEST_F(Undo, NothingIsRecordedWithUndoDisabled) {
    memo("M", 0, 0, 10, 10);
    doc->settings().disableUndo = true;
    select({"M"});
    ASSERT_TRUE(doc->arrowKey(TfrDirection::Down, Qt::ControlModifier));
    EXPECT_TRUE(doc->undoStack().isEmpty());
    EXPECT_TRUE(doc->modified());
}

TEST_F(Undo, PageDeletionEmptiesBothStacks) {
    memo("M", 0, 0, 10, 10);
    select({"M"});
    ASSERT_TRUE(doc->arrowKey(TfrDirection::Down, Qt::ControlModifier));
    ASSERT_TRUE(doc->undo());
    ASSERT_TRUE(doc->arrowKey(TfrDirection::Down, Qt::ControlModifier));
    ASSERT_TRUE(doc->addPage());
    ASSERT_TRUE(doc->deletePage(1));
    EXPECT_TRUE(doc->undoStack().isEmpty());
    EXPECT_TRUE(doc->redoStack().isEmpty());
}

} // namespace
