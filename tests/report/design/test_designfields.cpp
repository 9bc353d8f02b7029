// Inserting database fields as text objects, and a field dropped on the page.

#include "demofixture.h"

#include "report/design/designfields.h"

namespace {

using Fields = DemoDesignTest;

std::vector<TfrMemoView*> textsOf(const std::vector<TfrView*>& views) {
    std::vector<TfrMemoView*> out;
    for (TfrView* v : views)
        if (auto* m = frCast<TfrMemoView>(v))
            out.push_back(m);
    return out;
}

TEST_F(Fields, DemoSelectionSideBySideWithHeadersAndBandsIsSqueezedIntoThePrintableWidth) {
    const QStringList fields = {"SubName", "PointNo", "PointName", "Kind", "Unit", "HiLimit", "Owner"};
    const std::vector<TfrView*> made = frInsertFields(*doc, QStringLiteral("DS"), fields, true, true, true);
    ASSERT_EQ(made.size(), 16u) << doc->refusal().toStdString();

    // One insertion: everything made is selected and goes with one undo.
    EXPECT_EQ(doc->selectionCount(), 16);
    ASSERT_EQ(doc->undoStack().count(), 1);
    EXPECT_EQ(doc->undoStack().top()->kind, TfrUndoKind::Insert);
    EXPECT_EQ(doc->undoStack().top()->items.size(), 16u);
    EXPECT_TRUE(doc->modified());

    const std::vector<TfrMemoView*> texts = textsOf(made);
    ASSERT_EQ(texts.size(), 14u);
    const TfrPage& p = page();
    const int left = p.printableLeft(), top = p.printableTop(), right = p.printableRight();
    ASSERT_EQ(left, 18);
    ASSERT_EQ(right, 740);
    for (int i = 0; i < 7; ++i) {
        const TfrMemoView& header = *texts[std::size_t(2 * i)];
        const TfrMemoView& data = *texts[std::size_t(2 * i + 1)];
        EXPECT_EQ(header.memo, QStringList{ds.fieldByName(fields[i]).displayLabel()});
        EXPECT_TRUE(header.font.style & fsBold);
        EXPECT_FALSE(data.font.style & fsBold);
        EXPECT_EQ(data.memo, QStringList{QStringLiteral("[DS.\"%1\"]").arg(fields[i])});
        EXPECT_EQ(header.top, top);
        EXPECT_EQ(data.top, top + 72);
        EXPECT_EQ(header.left, data.left) << i;
        EXPECT_LE(header.width, data.width) << i;
        if (i > 0) {
            const TfrMemoView& before = *texts[std::size_t(2 * i - 1)];
            EXPECT_GT(data.left, before.left + before.width) << i; // still apart after squeezing
        }
    }
    // Unsqueezed the row would reach 18 + 960; squeezed by 960 / 722 it ends
    // at the printable right edge. PointNo stood 244 pixels from the start,
    // 48 wide (8 "=" of 6 pixels); its header, "№ точки" and three spaces,
    // was 60 wide and is cut to its data's width.
    const TfrMemoView& last = *texts.back();
    EXPECT_NEAR(last.left + last.width, right, 1);
    EXPECT_EQ(box(texts[3]), (TfrBox{18 + 184, top + 72, 36, 20}));
    EXPECT_EQ(texts[2]->width, 36);
    // "Подстанция" and three spaces: 78 pixels, truncated to the grid of 4.
    EXPECT_EQ(texts[0]->width, 76);

    // A page header around the headers, a master data band 72 pixels lower
    // over the report dataset of DS; bands go first in the page's list.
    const auto* header = frCast<TfrBandView>(find(QStringLiteral("PageHeader1")));
    const auto* master = frCast<TfrBandView>(find(QStringLiteral("MasterData1")));
    ASSERT_TRUE(header && master);
    EXPECT_EQ(box(header), (TfrBox{0, top, doc->pageSize().width(), 20}));
    EXPECT_EQ(box(master), (TfrBox{0, top + 72, doc->pageSize().width(), 20}));
    EXPECT_EQ(master->dataSourceName(), QStringLiteral("frDS"));
    EXPECT_EQ(p.object(0)->objectType, gtBand);
    EXPECT_EQ(p.object(1)->objectType, gtBand);

    ASSERT_TRUE(doc->undo());
    EXPECT_EQ(p.count(), 0);
}

TEST_F(Fields, OneUnderTheOtherWithAndWithoutHeaders) {
    // Headers beside their data: two grid steps right of the header.
    const std::vector<TfrView*> made =
        frInsertFields(*doc, QStringLiteral("DS"), {"PointNo", "Kind"}, false, true, true);
    ASSERT_EQ(made.size(), 5u);
    const std::vector<TfrMemoView*> texts = textsOf(made);
    EXPECT_EQ(box(texts[0]), (TfrBox{18, 18, 60, 20}));
    EXPECT_EQ(box(texts[1]), (TfrBox{18 + 8 + 60, 18, 48, 20}));
    EXPECT_EQ(box(texts[2]), (TfrBox{18, 18 + 24, 36, 20})); // "Тип" and three spaces
    EXPECT_EQ(box(texts[3]), (TfrBox{18 + 8 + 36, 18 + 24, 24, 20}));
    // One master data band from the top printable edge to the last object's bottom.
    ASSERT_EQ(find(QStringLiteral("PageHeader1")), nullptr);
    EXPECT_EQ(box(find(QStringLiteral("MasterData1"))), (TfrBox{0, 18, doc->pageSize().width(), 44}));

    // Without headers and bands: data objects only, each a grid step below
    // the one before.
    doc->clearSelection();
    const std::vector<TfrView*> plain =
        frInsertFields(*doc, QStringLiteral("DS"), {"Factor", "Unit"}, false, false, false);
    ASSERT_EQ(plain.size(), 2u);
    EXPECT_EQ(box(plain[0]), (TfrBox{18, 18, 48, 20}));
    EXPECT_EQ(box(plain[1]), (TfrBox{18, 42, 36, 20}));
    EXPECT_EQ(doc->undoStack().count(), 2);
}

TEST_F(Fields, AnExistingPageHeaderIsNotRepeatedAndTheGridSetsTheWidths) {
    band("PageHeader1", btPageHeader, 0, 40);
    ASSERT_TRUE(doc->setGridSize(18));
    const std::vector<TfrView*> made =
        frInsertFields(*doc, QStringLiteral("DS"), {"PointName"}, true, true, true);
    ASSERT_EQ(made.size(), 3u);
    EXPECT_EQ(find(QStringLiteral("PageHeader2")), nullptr);
    // 50 characters of 6 pixels, truncated to multiples of 18; the header,
    // "Точка" and three spaces (48), to 36. Grid 18 gives texts 18 high.
    EXPECT_EQ(box(made[1]), (TfrBox{18, 18 + 72, 288, 18}));
    EXPECT_EQ(made[0]->width, 36);
    EXPECT_EQ(box(find(QStringLiteral("MasterData1"))), (TfrBox{0, 90, doc->pageSize().width(), 18}));
}

TEST_F(Fields, AliasesUnknownFieldsAndDisplayWidthsOutOfRange) {
    report.dictionary().aliases.set(QStringLiteral("DS"), TVariant(QStringLiteral("Выборка")));
    report.dictionary().aliases.set(QStringLiteral("DS.PointNo"), TVariant(QStringLiteral("Номер")));
    ds.fieldByName(QStringLiteral("Kind")).setDisplayWidth(300);
    ds.fieldByName(QStringLiteral("Unit")).setDisplayWidth(0);
    const std::vector<TfrView*> made =
        frInsertFields(*doc, QStringLiteral("Выборка"), {"Номер", "Kind", "Unit", "Nothing"}, true, true, false);
    ASSERT_EQ(made.size(), 8u);
    // The reference names the table and the field; the header shows the
    // table's display name.
    EXPECT_EQ(made[0]->memo, QStringList{QStringLiteral("№ точки")});
    EXPECT_EQ(made[1]->memo, QStringList{QStringLiteral("[DS.\"PointNo\"]")});
    EXPECT_EQ(made[3]->width, 36); // 300 characters count as 6
    EXPECT_EQ(made[5]->width, 36); // and so does 0
    EXPECT_EQ(made[6]->memo, QStringList{QStringLiteral("Nothing")});
    EXPECT_EQ(made[7]->memo, QStringList{QStringLiteral("[DS.\"Nothing\"]")});
    EXPECT_EQ(made[7]->width, 36);
    EXPECT_EQ(frDatasetSourceName(report, QStringLiteral("Выборка")), QStringLiteral("frDS"));
    EXPECT_EQ(frDatasetSourceName(report, QStringLiteral("DS2")), QString()); // no report dataset walks it
}

TEST_F(Fields, DialogFormsAndEmptyChoicesTakeNothing) {
    ASSERT_TRUE(doc->addPage(true));
    EXPECT_TRUE(frInsertFields(*doc, QStringLiteral("DS"), {"PointNo"}, true, true, true).empty());
    EXPECT_FALSE(doc->refusal().isEmpty());
    EXPECT_EQ(page(1).count(), 0);
    ASSERT_TRUE(doc->setPage(0));
    doc->setModified(false);
    EXPECT_TRUE(frInsertFields(*doc, QStringLiteral("DS"), {}, true, true, true).empty());
    EXPECT_EQ(page(0).count(), 0);
    EXPECT_TRUE(doc->undoStack().isEmpty());
    EXPECT_FALSE(doc->modified());
}

TEST_F(Fields, ADroppedFieldIsOneTextHoldingItsReference) {
    ASSERT_TRUE(doc->setGridSize(8));
    TfrView* v = frDropField(*doc, QStringLiteral("DS"), QStringLiteral("Единица измерения"), QPoint(13, 21));
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->memo, QStringList{QStringLiteral("[DS.\"Единица измерения\"]")});
    EXPECT_EQ(box(v), (TfrBox{8, 16, 96, 20}));
    EXPECT_TRUE(doc->isSelected(*v));
    ASSERT_EQ(doc->undoStack().count(), 1);
    EXPECT_EQ(doc->undoStack().top()->kind, TfrUndoKind::Insert);

    // The field window lists names as the dictionary shows them; the text
    // holds the real ones, so that it prints.
    report.dictionary().aliases.set(QStringLiteral("DS"), TVariant(QStringLiteral("Выборка")));
    report.dictionary().aliases.set(QStringLiteral("DS.PointNo"), TVariant(QStringLiteral("Номер")));
    v = frDropField(*doc, QStringLiteral("Выборка"), QStringLiteral("Номер"), QPoint(13, 61));
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->memo, QStringList{QStringLiteral("[DS.\"PointNo\"]")});
}

} // namespace
