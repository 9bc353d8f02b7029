// The editing commands of the design document on a report held in memory.

#include "designfixture.h"

#include "report/design/objectrecord.h"

using frdesign::TfrAlign;
using frdesign::TfrDirection;

namespace {

using Edit = DesignTest;

TEST_F(Edit, DraggingSnapsToTheGridUnlessAltIsHeld) {
    doc->setGridSize(8);
    for (const bool alt : {false, true}) {
        TfrView& m = memo(alt ? "WithAlt" : "OnGrid", 0, 0, 40, 20);
        doc->selectObjects({&m});
        doc->beginMove(QPoint(0, 0));
        doc->dragTo(QPoint(13, 21), alt);
        const auto released = doc->release(QPoint(13, 21), alt ? Qt::AltModifier : Qt::NoModifier);
        EXPECT_EQ(released, TfrDesignDocument::Released::Changed);
        EXPECT_EQ(QPoint(m.left, m.top), alt ? QPoint(13, 21) : QPoint(8, 16));
        EXPECT_EQ(m.width, 40);
    }
    // The mouse is snapped, not the object: pressed inside the first grid
    // cell and moved by (13, 21) the object moves by whole grid steps.
    TfrView& m = memo("ByMouse", 200, 200, 40, 20);
    doc->selectObjects({&m});
    doc->press(QPoint(205, 205), Qt::NoModifier);
    EXPECT_EQ(doc->dragMode(), TfrDragMode::Move);
    doc->release(QPoint(218, 226), Qt::NoModifier);
    EXPECT_EQ(QPoint(m.left, m.top), QPoint(216, 224));
}

TEST_F(Edit, ObjectsThatMayNotMoveOrResizeStayWhereTheyAre) {
    TfrView& fixed = memo("Fixed", 100, 100, 40, 20);
    TfrView& free = memo("Free", 200, 100, 40, 20);
    fixed.restrictions = frrfDontMove | frrfDontSize;
    doc->selectObjects({&fixed, &free});
    doc->setGridSize(4);
    doc->beginMove(QPoint(100, 100));
    doc->release(QPoint(120, 140), Qt::NoModifier);
    EXPECT_EQ(box(&fixed), (TfrBox{100, 100, 40, 20}));
    EXPECT_EQ(box(&free), (TfrBox{220, 140, 40, 20}));
    ASSERT_EQ(doc->undoStack().count(), 1);
    EXPECT_EQ(doc->undoStack().top()->items.size(), 1u); // only what moved is recorded

    doc->selectObjects({&fixed});
    ASSERT_TRUE(doc->beginResize(TfrHandle::BottomRight));
    doc->release(QPoint(180, 180), Qt::NoModifier);
    EXPECT_EQ(box(&fixed), (TfrBox{100, 100, 40, 20}));
    EXPECT_EQ(doc->undoStack().count(), 1);
}

TEST_F(Edit, HandlesResizeOneObjectAndABandOnlyUpAndDown) {
    TfrView& m = memo("M", 100, 100, 40, 20);
    doc->selectObjects({&m});
    EXPECT_EQ(doc->handles().size(), 8u);
    EXPECT_EQ(doc->handleAt(QPoint(141, 99)), TfrHandle::TopRight);
    EXPECT_EQ(doc->handleAt(QPoint(120, 120)), TfrHandle::Bottom);
    doc->press(QPoint(140, 120), Qt::NoModifier); // the bottom-right handle
    EXPECT_EQ(doc->dragMode(), TfrDragMode::Resize);
    doc->release(QPoint(161, 137), Qt::NoModifier);
    EXPECT_EQ(box(&m), (TfrBox{100, 100, 60, 36}));
    // Dragged past the opposite edge the object turns round instead of
    // getting a negative width.
    doc->press(QPoint(100, 118), Qt::NoModifier); // the left handle
    doc->release(QPoint(200, 118), Qt::NoModifier);
    EXPECT_EQ(box(&m), (TfrBox{160, 100, 40, 36}));

    TfrView& b = band("MasterData1", btMasterData, 300, 40);
    doc->selectObjects({&b});
    ASSERT_TRUE(doc->beginResize(TfrHandle::BottomRight));
    doc->release(QPoint(700, 360), Qt::NoModifier);
    EXPECT_EQ(box(&b), (TfrBox{0, 300, 760, 60}));
}

TEST_F(Edit, ScalingAGroupKeepsTouchingObjectsTouching) {
    // Three cells of a row and one below; the handle sits at the corner of
    // the object reaching furthest right (the lowest of those).
    memo("A", 10, 10, 33, 20);
    memo("B", 43, 10, 47, 20);
    memo("C", 90, 10, 29, 20);
    memo("D", 10, 30, 109, 17);
    const QPoint corner(119, 47);
    for (const QPoint to : {QPoint(140, 53), QPoint(97, 41), QPoint(250, 47), QPoint(61, 90)}) {
        select({"A", "B", "C", "D"});
        const auto handles = doc->handles();
        ASSERT_EQ(handles.size(), 1u);
        EXPECT_EQ(handles[0].first, TfrHandle::Group);
        EXPECT_EQ(handles[0].second, corner);
        doc->press(corner, Qt::AltModifier);
        EXPECT_EQ(doc->dragMode(), TfrDragMode::GroupScale);
        doc->release(to, Qt::AltModifier);
        const TfrView *a = find("A"), *b = find("B"), *c = find("C"), *d = find("D");
        EXPECT_EQ(a->left + a->width, b->left) << to.x();
        EXPECT_EQ(b->left + b->width, c->left) << to.x();
        EXPECT_EQ(a->top + a->height, d->top) << to.x();
        EXPECT_EQ(c->left + c->width, d->left + d->width) << to.x();
        EXPECT_EQ(QPoint(a->left, a->top), QPoint(10, 10));
        EXPECT_EQ(c->left + c->width, to.x()) << to.x();
        EXPECT_EQ(d->top + d->height, to.y()) << to.y();
        ASSERT_TRUE(doc->undo());
    }
}

TEST_F(Edit, TheSharedEdgeOfTwoSelectedObjectsMoves) {
    TfrView& left = memo("Left", 10, 10, 50, 20);
    TfrView& right = memo("Right", 60, 10, 40, 20);
    doc->selectObjects({&left, &right});
    EXPECT_TRUE(doc->sharedEdgeAt(QPoint(61, 20)));
    EXPECT_FALSE(doc->sharedEdgeAt(QPoint(35, 20)));
    doc->setGridSize(4);
    doc->press(QPoint(61, 20), Qt::NoModifier);
    EXPECT_EQ(doc->dragMode(), TfrDragMode::SharedEdge);
    doc->release(QPoint(73, 20), Qt::NoModifier);
    EXPECT_EQ(box(&left), (TfrBox{10, 10, 62, 20}));
    EXPECT_EQ(box(&right), (TfrBox{72, 10, 28, 20}));
    // Widths stay positive: a drag beyond the right object's far edge changes nothing.
    doc->press(QPoint(72, 20), Qt::NoModifier);
    doc->release(QPoint(120, 20), Qt::NoModifier);
    EXPECT_EQ(box(&right), (TfrBox{72, 10, 28, 20}));
    // A right object that may not move keeps the edge.
    right.restrictions = frrfDontMove;
    doc->press(QPoint(72, 20), Qt::NoModifier);
    doc->release(QPoint(60, 20), Qt::NoModifier);
    EXPECT_EQ(box(&left), (TfrBox{10, 10, 62, 20}));
}

TEST_F(Edit, ClicksSelectTheTopmostObjectAndShiftTogglesIt) {
    TfrView& b = band("MasterData1", btMasterData, 0, 100);
    TfrView& under = memo("Under", 10, 10, 100, 40);
    TfrView& over = memo("Over", 50, 20, 100, 40);
    doc->press(QPoint(60, 30), Qt::NoModifier);
    doc->release(QPoint(60, 30), Qt::NoModifier);
    EXPECT_EQ(doc->selection(), std::vector<TfrView*>{&over});
    doc->press(QPoint(20, 15), Qt::ShiftModifier);
    doc->release(QPoint(20, 15), Qt::ShiftModifier);
    EXPECT_EQ(doc->selection(), (std::vector<TfrView*>{&under, &over}));
    // The reference object stays the first while it stays selected.
    EXPECT_EQ(doc->referenceObject(), &over);
    doc->press(QPoint(60, 30), Qt::ShiftModifier);
    doc->release(QPoint(60, 30), Qt::ShiftModifier);
    EXPECT_EQ(doc->selection(), std::vector<TfrView*>{&under});
    EXPECT_EQ(doc->referenceObject(), &under);
    // The band is hit where no object is.
    doc->press(QPoint(400, 80), Qt::NoModifier);
    doc->release(QPoint(400, 80), Qt::NoModifier);
    EXPECT_EQ(doc->selection(), std::vector<TfrView*>{&b});
}

TEST_F(Edit, ARubberBandSelectsObjectsElseBands) {
    TfrView& b1 = band("PageHeader1", btPageHeader, 0, 40);
    TfrView& b2 = band("MasterData1", btMasterData, 60, 40);
    TfrView& m1 = memo("M1", 10, 10, 50, 20);
    TfrView& m2 = memo("M2", 10, 70, 50, 20);
    memo("M3", 300, 70, 50, 20);
    doc->selectInRect(QRect(QPoint(40, 0), QPoint(45, 80)), false);
    EXPECT_EQ(doc->selection(), (std::vector<TfrView*>{&m1, &m2}));
    doc->selectInRect(QRect(QPoint(600, 30), QPoint(610, 70)), false);
    EXPECT_EQ(doc->selection(), (std::vector<TfrView*>{&b1, &b2}));
    // With Ctrl a rubber band starts on top of objects too.
    doc->press(QPoint(5, 65), Qt::ControlModifier);
    EXPECT_EQ(doc->dragMode(), TfrDragMode::Rubber);
    doc->release(QPoint(320, 75), Qt::ControlModifier);
    EXPECT_EQ(doc->selectionCount(), 2);
}

TEST_F(Edit, ABandDraggedAloneTakesItsObjectsAlong) {
    TfrView& b = band("MasterData1", btMasterData, 100, 40);
    TfrView& inside = memo("Inside", 10, 110, 50, 20);
    TfrView& across = memo("Across", 10, 130, 50, 20);
    doc->selectObjects({&b});
    doc->setGridSize(4);
    doc->press(QPoint(400, 120), Qt::NoModifier);
    doc->release(QPoint(450, 160), Qt::NoModifier);
    EXPECT_EQ(box(&b), (TfrBox{0, 140, 760, 40}));
    EXPECT_EQ(box(&inside), (TfrBox{10, 150, 50, 20}));
    EXPECT_EQ(box(&across), (TfrBox{10, 130, 50, 20}));
    EXPECT_TRUE(doc->isSelected(inside));
}

TEST_F(Edit, BandTypesOnceOnAPageAreOfferedOnce) {
    auto offered = [this](int type) {
        const std::vector<int> t = doc->offeredBandTypes();
        return std::find(t.begin(), t.end(), type) != t.end();
    };
    EXPECT_TRUE(offered(btPageHeader));
    EXPECT_EQ(doc->offeredBandTypes().front(), btReportTitle);
    ASSERT_TRUE(doc->insertObject(TfrBandView::classInfo(), TfrBox{0, 10, 0, 0}, btPageHeader));
    ASSERT_TRUE(doc->insertObject(TfrBandView::classInfo(), TfrBox{0, 60, 0, 0}, btMasterData));
    EXPECT_FALSE(offered(btPageHeader));
    EXPECT_TRUE(offered(btMasterData));
    EXPECT_FALSE(doc->insertObject(TfrBandView::classInfo(), TfrBox{0, 100, 0, 0}, btPageHeader));
    TfrView* second = doc->insertObject(TfrBandView::classInfo(), TfrBox{0, 100, 0, 0}, btMasterData);
    ASSERT_TRUE(second);
    EXPECT_EQ(find("MasterData1")->top, 60);
    EXPECT_EQ(second->name(), QStringLiteral("MasterData2"));
    EXPECT_EQ(find("PageHeader1")->width, doc->pageSize().width());

    // A page a sub-report shows gets no title, page, column or group bands.
    ASSERT_TRUE(doc->insertObject(TfrSubReportView::classInfo(), TfrBox{10, 300, 0, 0}));
    ASSERT_EQ(report.pages().count(), 2);
    EXPECT_EQ(static_cast<TfrSubReportView*>(find("SubReport1"))->subPage, 1);
    doc->setPage(1);
    for (int type : {btReportTitle, btPageFooter, btColumnHeader, btGroupHeader, btGroupFooter})
        EXPECT_FALSE(offered(type)) << type;
    for (int type : {btMasterData, btOverlay, btCrossData, btChild})
        EXPECT_TRUE(offered(type)) << type;
}

TEST_F(Edit, NewObjectsTakeDefaultSizesAndTheStyle) {
    doc->style().font.size = 14;
    doc->style().frameTyp = frftLeft | frftTop;
    doc->style().frameColor = 0x0000FF;
    doc->style().frameWidth = 3;
    TfrView* text = doc->insertObject(TfrMemoView::classInfo(), TfrBox{10, 10, 0, 0});
    ASSERT_TRUE(text);
    EXPECT_EQ(box(text), (TfrBox{10, 10, 96, 24}));
    EXPECT_EQ(static_cast<TfrMemoView*>(text)->font.size, 14);
    EXPECT_EQ(text->frameTyp, frftLeft | frftTop);
    EXPECT_EQ(text->frameColor, 0x0000FFu);
    EXPECT_EQ(text->frameWidth, 3.0f);
    EXPECT_EQ(text->name(), QStringLiteral("Memo1"));
    EXPECT_EQ(doc->selection(), std::vector<TfrView*>{text});

    doc->style().font.size = 10;
    doc->setGridSize(18);
    EXPECT_EQ(box(doc->insertObject(TfrMemoView::classInfo(), TfrBox{0, 40, 0, 0})), (TfrBox{0, 40, 108, 18}));
    TfrView* picture = doc->insertObject(TfrPictureView::classInfo(), TfrBox{0, 80, 0, 0});
    EXPECT_EQ(box(picture), (TfrBox{0, 80, 36, 36}));
    EXPECT_EQ(picture->frameTyp, 0); // frame sides are for text objects
    // A dragged box, and one dragged up and to the left.
    EXPECT_EQ(box(doc->insertObject(TfrMemoView::classInfo(), TfrBox{200, 200, -50, -30})), (TfrBox{150, 170, 50, 30}));
    // A cross band runs down the page, narrowed when dragged as wide as it.
    TfrView* cross = doc->insertObject(TfrBandView::classInfo(), TfrBox{0, 0, 2000, 30}, btCrossData);
    ASSERT_TRUE(cross);
    EXPECT_EQ(box(cross), (TfrBox{0, 0, 40, doc->pageSize().height()}));
}

TEST_F(Edit, LinesAreDrawnToNearbyCornersWithTheLineWidth) {
    memo("Cell", 100, 100, 60, 20);
    doc->setTool(&TfrLineView::classInfo());
    doc->setGridSize(8);
    doc->press(QPoint(157, 126), Qt::AltModifier);
    doc->dragTo(QPoint(30, 123), true);
    EXPECT_EQ(doc->release(QPoint(30, 123), Qt::AltModifier), TfrDesignDocument::Released::Inserted);
    const TfrView* line = find("Line1");
    ASSERT_TRUE(line);
    // The start snapped to the corner (160, 120); the line runs left from it.
    EXPECT_EQ(box(line), (TfrBox{30, 120, 130, 0}));
    EXPECT_EQ(line->frameWidth, 2.0f);
    EXPECT_EQ(doc->tool(), nullptr);
    // With the tool kept, it stays for the next insertion.
    doc->setTool(&TfrMemoView::classInfo(), true);
    doc->press(QPoint(300, 300), Qt::NoModifier);
    doc->release(QPoint(300, 300), Qt::NoModifier);
    EXPECT_EQ(doc->tool(), &TfrMemoView::classInfo());
}

TEST_F(Edit, AOnePerPageAddInIsRefusedWithTheMessage) {
    ASSERT_TRUE(doc->insertObject(TfrOnceView::classInfo(), TfrBox{10, 10, 0, 0}));
    EXPECT_FALSE(doc->insertObject(TfrOnceView::classInfo(), TfrBox{100, 10, 0, 0}));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, QStringLiteral("Нельзя помещать два или более объектов TfrOnceView на одну страницу."));
    EXPECT_EQ(ui.messages[0].title, QStringLiteral("Ошибка"));
    EXPECT_EQ(page().count(), 1);
    // Add-ins keep their own frame width.
    EXPECT_EQ(page().object(0)->frameWidth, 1.0f);
}

TEST_F(Edit, BandsComeFirstWithTheOverlayInFrontAndCrossBandsLast) {
    memo("M1", 0, 0, 10, 10);
    band("PageHeader1", btPageHeader, 0, 20);
    memo("M2", 0, 0, 10, 10);
    band("CrossData1", btCrossData, 0, 20);
    band("MasterData1", btMasterData, 30, 20);
    band("Overlay1", btOverlay, 30, 20);
    ASSERT_TRUE(doc->insertObject(TfrBandView::classInfo(), TfrBox{0, 100, 0, 0}, btMasterFooter));
    QStringList names;
    for (const auto& v : page().objects())
        names << v->name();
    EXPECT_EQ(names, (QStringList{"Overlay1", "PageHeader1", "MasterData1", "MasterFooter1", "CrossData1", "M1", "M2"}));
}

TEST_F(Edit, DeletingSkipsProtectedObjectsAndForgetsChildBands) {
    TfrBandView& master = band("MasterData1", btMasterData, 0, 20);
    TfrBandView& child = band("Child1", btChild, 30, 20);
    master.childBand = QStringLiteral("child1");
    TfrView& kept = memo("Kept", 0, 0, 10, 10);
    kept.restrictions = frrfDontDelete;
    memo("Gone", 0, 0, 10, 10);
    doc->selectObjects({&child, &kept, find("Gone")});
    ASSERT_TRUE(doc->deleteSelection());
    EXPECT_EQ(page().count(), 2);
    EXPECT_TRUE(master.childBand.isEmpty());
    EXPECT_EQ(doc->selection(), std::vector<TfrView*>{&kept});
    EXPECT_FALSE(doc->deleteSelection());
    doc->clearSelection();
    EXPECT_FALSE(doc->deleteSelection());
    EXPECT_FALSE(doc->copy());
    EXPECT_FALSE(doc->align(TfrAlign::Left));
}

TEST_F(Edit, PastingDropsBandsThePageHoldsOnceAndRenamesTakenNames) {
    band("PageHeader1", btPageHeader, 0, 40);
    band("MasterData1", btMasterData, 40, 20);
    memo("Title", 100, 10, 80, 20);
    memo("Value", 120, 44, 40, 16);
    doc->selectAll();
    ASSERT_TRUE(doc->copy());
    ASSERT_TRUE(doc->addPage());
    band("PageHeader1x", btPageHeader, 0, 30, 1);
    ASSERT_TRUE(doc->paste(QPoint(0, 0)));
    // The page header is dropped; the master data band and both memos come,
    // with names of their own, the group's corner at the visible corner.
    QStringList names;
    for (const auto& v : page(1).objects())
        names << v->name();
    EXPECT_EQ(names, (QStringList{"PageHeader1x", "MasterData2", "Memo1", "Memo2"}));
    EXPECT_EQ(box(page(1).object(2)), (TfrBox{100, 10, 80, 20}));
    EXPECT_EQ(box(page(1).object(3)), (TfrBox{120, 44, 40, 16}));
    EXPECT_EQ(doc->selectionCount(), 3);

    // A band selected: the group goes to its top; a scrolled page puts the
    // corner on the grid.
    doc->selectObjects({page(1).object(1)});
    doc->setClipboard({frdesign::objectRecord(*find("Title")), frdesign::objectRecord(*find("Value"))});
    ASSERT_TRUE(doc->paste(QPoint(203, 405)));
    const TfrView* pastedTitle = page(1).object(page(1).count() - 2);
    const TfrView* pastedValue = page(1).object(page(1).count() - 1);
    EXPECT_EQ(QPoint(pastedTitle->left, pastedTitle->top), QPoint(204, 40));
    EXPECT_EQ(QPoint(pastedValue->left, pastedValue->top), QPoint(224, 74));
}

TEST_F(Edit, DamagedClipboardRecordsArePassedOver) {
    memo("Good", 10, 10, 20, 20);
    QByteArray truncated = frdesign::objectRecord(*find("Good"));
    truncated.chop(5);
    doc->setClipboard({truncated, QByteArray("\x07", 1), frdesign::objectRecord(*find("Good"))});
    ASSERT_TRUE(doc->paste());
    EXPECT_EQ(page().count(), 2);
    doc->setClipboard({truncated});
    EXPECT_FALSE(doc->paste());
    EXPECT_THROW(doc->setClipboard(std::vector<QByteArray>(TfrDesignDocument::maxClipboardObjects + 1)), Exception);
}

TEST_F(Edit, ArrowKeysMoveResizeAndWalkToNeighbours) {
    TfrView& a = memo("A", 100, 100, 40, 20);
    TfrView& right = memo("Right", 200, 104, 40, 20);
    memo("FarRight", 300, 100, 40, 20);
    TfrView& below = memo("Below", 90, 160, 40, 20);
    band("MasterData1", btMasterData, 0, 400);
    doc->selectObjects({&a});
    ASSERT_TRUE(doc->arrowKey(TfrDirection::Right, Qt::ControlModifier));
    EXPECT_EQ(box(&a), (TfrBox{101, 100, 40, 20}));
    ASSERT_TRUE(doc->arrowKey(TfrDirection::Down, Qt::ShiftModifier));
    EXPECT_EQ(box(&a), (TfrBox{101, 100, 40, 21}));
    a.restrictions = frrfDontSize;
    ASSERT_TRUE(doc->arrowKey(TfrDirection::Left, Qt::ShiftModifier));
    EXPECT_EQ(box(&a), (TfrBox{100, 100, 40, 21}));
    a.restrictions = 0;
    ASSERT_TRUE(doc->arrowKey(TfrDirection::Right, Qt::AltModifier));
    EXPECT_EQ(box(&a), (TfrBox{160, 100, 40, 21}));
    ASSERT_TRUE(doc->arrowKey(TfrDirection::Right, Qt::NoModifier));
    EXPECT_EQ(doc->selection(), std::vector<TfrView*>{&right});
    ASSERT_TRUE(doc->arrowKey(TfrDirection::Left, Qt::NoModifier));
    EXPECT_EQ(doc->selection(), std::vector<TfrView*>{&a});
    ASSERT_TRUE(doc->arrowKey(TfrDirection::Down, Qt::NoModifier));
    EXPECT_EQ(doc->selection(), std::vector<TfrView*>{&below});
    EXPECT_FALSE(doc->arrowKey(TfrDirection::Down, Qt::NoModifier)); // the band does not count
    EXPECT_EQ(doc->undoStack().count(), 4);
}

struct AlignCase {
    TfrAlign align;
    std::vector<TfrBox> expected; // A, B, C
};

class Align : public DesignTest, public ::testing::WithParamInterface<AlignCase> {};

TEST_P(Align, PlacesTheSelectionByTheReferenceObject) {
    TfrView& a = memo("A", 100, 100, 40, 20);
    TfrView& b = memo("B", 30, 200, 21, 31);
    TfrView& c = memo("C", 250, 50, 60, 10);
    doc->selectObjects({&a});
    doc->clickObject(b, true);
    doc->clickObject(c, true);
    ASSERT_EQ(doc->referenceObject(), &a);
    ASSERT_TRUE(doc->align(GetParam().align)) << doc->refusal().toStdString();
    EXPECT_EQ(box(&a), GetParam().expected[0]);
    EXPECT_EQ(box(&b), GetParam().expected[1]);
    EXPECT_EQ(box(&c), GetParam().expected[2]);
}

// The virtual printer's A4 page is 758 x 1071 report pixels.
INSTANTIATE_TEST_SUITE_P(
    Palette, Align,
    ::testing::Values(
        AlignCase{TfrAlign::Left, {{100, 100, 40, 20}, {100, 200, 21, 31}, {100, 50, 60, 10}}},
        AlignCase{TfrAlign::Right, {{100, 100, 40, 20}, {119, 200, 21, 31}, {80, 50, 60, 10}}},
        AlignCase{TfrAlign::Top, {{100, 100, 40, 20}, {30, 100, 21, 31}, {250, 100, 60, 10}}},
        AlignCase{TfrAlign::Bottom, {{100, 100, 40, 20}, {30, 89, 21, 31}, {250, 110, 60, 10}}},
        AlignCase{TfrAlign::HCenter, {{100, 100, 40, 20}, {110, 200, 21, 31}, {90, 50, 60, 10}}},
        AlignCase{TfrAlign::VCenter, {{100, 100, 40, 20}, {30, 95, 21, 31}, {250, 105, 60, 10}}},
        AlignCase{TfrAlign::HCenterWindow, {{309, 100, 40, 20}, {239, 200, 21, 31}, {459, 50, 60, 10}}},
        AlignCase{TfrAlign::VCenterWindow, {{100, 495, 40, 20}, {30, 595, 21, 31}, {250, 445, 60, 10}}},
        AlignCase{TfrAlign::HSpread, {{140, 100, 40, 20}, {30, 200, 21, 31}, {250, 50, 60, 10}}},
        AlignCase{TfrAlign::VSpread, {{100, 125, 40, 20}, {30, 200, 21, 31}, {250, 50, 60, 10}}}));

TEST_F(Edit, AlignmentNeedsItsCountAndLaysABandsObjectsSideBySide) {
    TfrView& a = memo("A", 300, 110, 40, 20);
    TfrView& b = memo("B", 100, 105, 70, 20);
    TfrView& fixed = memo("Fixed", 500, 105, 30, 20);
    fixed.restrictions = frrfDontMove;
    TfrView& outside = memo("Outside", 200, 300, 30, 20);
    TfrView& mb = band("MasterData1", btMasterData, 100, 40);
    doc->selectObjects({&a, &b});
    EXPECT_FALSE(doc->align(TfrAlign::HSpread));
    doc->selectObjects({&mb});
    ASSERT_TRUE(doc->align(TfrAlign::Left));
    const int edge = page().printableLeft();
    EXPECT_EQ(b.left, edge);
    EXPECT_EQ(a.left, edge + 70);
    EXPECT_EQ(fixed.left, 500);
    EXPECT_EQ(outside.left, 200);
    ASSERT_TRUE(doc->align(TfrAlign::Right));
    EXPECT_EQ(a.left + a.width, page().printableRight());
    EXPECT_EQ(b.left + b.width, a.left);
}

TEST_F(Edit, FittingToTheGridRoundsHalvesToEvenAndKeepsSizes) {
    TfrView& a = memo("A", 12, 20, 2, 36);
    TfrView& b = memo("B", 4, 3, 11, 13);
    doc->setGridSize(8);
    doc->selectObjects({&a, &b});
    ASSERT_TRUE(doc->fitToGrid());
    EXPECT_EQ(box(&a), (TfrBox{16, 16, 8, 32}));
    EXPECT_EQ(box(&b), (TfrBox{0, 0, 8, 16}));
    EXPECT_EQ(doc->undoStack().count(), 1);
    EXPECT_FALSE(doc->fitToGrid()); // nothing changes the second time
    EXPECT_EQ(doc->undoStack().count(), 1);
}

TEST_F(Edit, OrderCommandsKeepBandsInFront) {
    band("MasterData1", btMasterData, 0, 20);
    memo("M1", 0, 0, 10, 10);
    memo("M2", 0, 0, 10, 10);
    doc->selectNames({QStringLiteral("M1")});
    ASSERT_TRUE(doc->bringToFront());
    EXPECT_EQ(page().object(2)->name(), QStringLiteral("M1"));
    EXPECT_FALSE(doc->bringToFront());
    ASSERT_TRUE(doc->sendToBack());
    EXPECT_EQ(page().object(0)->name(), QStringLiteral("MasterData1"));
    EXPECT_EQ(page().object(1)->name(), QStringLiteral("M1"));
    doc->selectNames({QStringLiteral("MasterData1")});
    EXPECT_FALSE(doc->bringToFront()); // a band goes back in front of the others
}

TEST_F(Edit, ToolBarCommandsChangeTheSelectionAndTheStyle) {
    TfrView& m = memo("M", 0, 0, 10, 10);
    TfrView& b = band("MasterData1", btMasterData, 0, 20);
    doc->selectObjects({&m, &b});
    ASSERT_TRUE(doc->setFrameAll(true));
    EXPECT_EQ(m.frameTyp, frftLeft | frftTop | frftRight | frftBottom);
    EXPECT_EQ(static_cast<TfrBandView&>(b).bandType(), btMasterData);
    ASSERT_TRUE(doc->setFontStyle(fsBold, true));
    ASSERT_TRUE(doc->setTextAlignment(frtaCenter));
    ASSERT_TRUE(doc->setTextLayout(frtaMiddle));
    EXPECT_EQ(static_cast<TfrMemoView&>(m).font.style, fsBold);
    EXPECT_EQ(static_cast<TfrMemoView&>(m).alignment, frtaCenter | frtaMiddle);
    EXPECT_EQ(doc->style().alignment, frtaCenter | frtaMiddle);
    EXPECT_FALSE(doc->setFrameWidth(-1));
    EXPECT_EQ(doc->undoStack().count(), 4);
}

TEST_F(Edit, PropertiesAreSetByNameWithinTheRestrictions) {
    TfrView& m = memo("M", 0, 0, 10, 10);
    memo("Other", 0, 0, 10, 10);
    ASSERT_TRUE(doc->setProperty({&m}, QStringLiteral("left"), TVariant(QStringLiteral("25"))));
    EXPECT_EQ(find("M")->left, 25);
    EXPECT_FALSE(doc->setProperty({find("M")}, QStringLiteral("Name"), TVariant(QStringLiteral("other"))));
    EXPECT_FALSE(doc->setProperty({find("M")}, QStringLiteral("NoSuch"), TVariant(1)));
    EXPECT_FALSE(doc->setProperty({find("M")}, QStringLiteral("Left"), TVariant(QStringLiteral("x"))));
    EXPECT_EQ(find("M")->left, 25);
    find("M")->restrictions = frrfDontMove;
    EXPECT_FALSE(doc->setProperty({find("M")}, QStringLiteral("Top"), TVariant(5)));
    EXPECT_EQ(doc->undoStack().count(), 1);
}

} // namespace
