// The editors of the built-in objects without their windows: band data
// sources, the cross data band's pairs, group conditions, the text editor's
// text and script, pictures, display formats and highlights.

#include "designfixture.h"

#include "report/design/designeditors.h"
#include "report/model/dataset.h"
#include "report/model/dictionary.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

namespace {

class DesignEditors : public DesignTest {
protected:
    DesignEditors() {
        engine.dataRegistry().addDataset(&frDS);
        engine.dataRegistry().addDataset(&lookup);
    }
    TfrDataDictionary& dictionary() { return report.dictionary(); }
    int undoCount() const { return doc->undoStack().count(); }

    TfrDataset frDS{QStringLiteral("frDS")};
    TfrDataset lookup{QStringLiteral("frDS2")};
};

TEST_F(DesignEditors, DataBandSourceTextsReadAndWrittenAsTheDialogShowsThem) {
    EXPECT_EQ(frBandSourceChoices(dictionary()),
              (QStringList{QStringLiteral("[Нет]"), QStringLiteral("Виртуальный"), QStringLiteral("frDS"),
                           QStringLiteral("frDS2")}));
    EXPECT_EQ(frReadBandSource(dictionary(), QStringLiteral("5")), (TfrBandSource{QStringLiteral("Виртуальный"), 5}));
    EXPECT_EQ(frReadBandSource(dictionary(), QStringLiteral("frds")).entry, QStringLiteral("frDS"));
    // A zero is no record count, and a name that is not offered shows as none.
    EXPECT_EQ(frReadBandSource(dictionary(), QStringLiteral("0")).entry, QStringLiteral("[Нет]"));
    EXPECT_EQ(frReadBandSource(dictionary(), QStringLiteral("Missing")).entry, QStringLiteral("[Нет]"));
    EXPECT_EQ(frReadBandSource(dictionary(), QString()).entry, QStringLiteral("[Нет]"));
    EXPECT_EQ(frReadBandSource(dictionary(), QStringLiteral("99999999999999999999")).count, kMaxVirtualCount);

    // With band source aliases only the listed datasets are offered, by alias;
    // the stored text is the dataset's name.
    dictionary().bandSources.set(QStringLiteral("frDS"), QStringLiteral("Выборка"));
    EXPECT_EQ(frBandSourceChoices(dictionary()).mid(2), QStringList{QStringLiteral("Выборка")});
    EXPECT_EQ(frReadBandSource(dictionary(), QStringLiteral("frDS")).entry, QStringLiteral("Выборка"));
    EXPECT_EQ(frReadBandSource(dictionary(), QStringLiteral("frDS2")).entry, QStringLiteral("[Нет]"));
    EXPECT_EQ(frBandSourceText(dictionary(), {QStringLiteral("Выборка"), 1}), QStringLiteral("frDS"));
    EXPECT_EQ(frBandSourceText(dictionary(), {QStringLiteral("Виртуальный"), 12}), QStringLiteral("12"));
    EXPECT_EQ(frBandSourceText(dictionary(), {QStringLiteral("[Нет]"), 12}), QStringLiteral("[Нет]"));
}

TEST_F(DesignEditors, DataBandSourceAppliesWithOneUndoEntryAndOnlyToDataBands) {
    TfrBandView& master = band(QStringLiteral("MasterData1"), btMasterData, 100, 20);
    TfrBandView& header = band(QStringLiteral("PageHeader1"), btPageHeader, 20, 20);
    master.setDataSourceName(QStringLiteral("5"));

    EXPECT_TRUE(frSetBandSource(*doc, master, {frNoSourceEntry(), 1}));
    EXPECT_EQ(master.dataSourceName(), QStringLiteral("[Нет]"));
    EXPECT_EQ(undoCount(), 1);
    EXPECT_TRUE(doc->modified());
    // The same choice again changes nothing and records nothing.
    EXPECT_FALSE(frSetBandSource(*doc, master, {frNoSourceEntry(), 1}));
    EXPECT_EQ(undoCount(), 1);
    EXPECT_FALSE(frSetBandSource(*doc, header, {QStringLiteral("frDS"), 1}));
    EXPECT_TRUE(header.dataSourceName().isEmpty());
    // The undo entry brings the record count back.
    ASSERT_TRUE(doc->undo());
    EXPECT_EQ(static_cast<TfrBandView*>(find(QStringLiteral("MasterData1")))->dataSourceName(), QStringLiteral("5"));
}

TEST_F(DesignEditors, CrossDataBandPairsOneBandAfterAnotherInPageOrder) {
    band(QStringLiteral("PageHeader1"), btPageHeader, 20, 20);
    TfrBandView& master = band(QStringLiteral("MasterData1"), btMasterData, 60, 20);
    band(QStringLiteral("CrossHeader1"), btCrossHeader, 90, 20);
    TfrBandView& detail = band(QStringLiteral("DetailData1"), btDetailData, 120, 20);
    TfrBandView& cross = band(QStringLiteral("CrossData1"), btCrossData, 160, 20);
    band(QStringLiteral("Overlay1"), btOverlay, 200, 20);

    const std::vector<TfrBandView*> bands = frCrossListedBands(page());
    ASSERT_EQ(bands, (std::vector<TfrBandView*>{&master, &detail}));
    EXPECT_EQ(frCrossBandCaption(detail), QStringLiteral("DetailData1: Detail data"));

    // A text without ";" is the source of every band; pairs name theirs, a
    // band missing from them has none.
    auto sources = frReadCrossSources(dictionary(), bands, QStringLiteral("frDS"));
    EXPECT_EQ(sources, (std::vector<TfrBandSource>(2, {QStringLiteral("frDS"), 1})));
    sources = frReadCrossSources(dictionary(), bands, QStringLiteral("detaildata1=7;Gone=frDS;"));
    EXPECT_EQ(sources, (std::vector<TfrBandSource>{{frNoSourceEntry(), 1}, {frVirtualSourceEntry(), 7}}));

    ASSERT_TRUE(frSetCrossSources(*doc, cross, {{QStringLiteral("frDS"), 1}, {frNoSourceEntry(), 1}}));
    EXPECT_EQ(cross.dataSourceName(), QStringLiteral("MasterData1=frDS;DetailData1=[Нет];"));
    EXPECT_EQ(undoCount(), 1);
    EXPECT_FALSE(frSetCrossSources(*doc, cross, {{QStringLiteral("frDS"), 1}, {frNoSourceEntry(), 1}}));
    // One source for two bands is refused.
    EXPECT_FALSE(frSetCrossSources(*doc, cross, {{QStringLiteral("frDS2"), 1}}));
    EXPECT_EQ(undoCount(), 1);
}

TEST_F(DesignEditors, CrossDataBandWithoutListedBandsTakesNothing) {
    band(QStringLiteral("PageHeader1"), btPageHeader, 20, 20);
    TfrBandView& cross = band(QStringLiteral("CrossData1"), btCrossData, 160, 20);
    EXPECT_TRUE(frCrossListedBands(page()).empty());
    EXPECT_FALSE(frSetCrossSources(*doc, cross, {}));
    EXPECT_EQ(undoCount(), 0);
    EXPECT_FALSE(doc->modified());
}

TEST_F(DesignEditors, GroupConditionIsTheGroupHeadersSourceText) {
    TfrBandView& group = band(QStringLiteral("GroupHeader1"), btGroupHeader, 20, 20);
    TfrBandView& master = band(QStringLiteral("MasterData1"), btMasterData, 60, 20);
    EXPECT_TRUE(frSetGroupCondition(*doc, group, QStringLiteral("[DS.\"Kind\"]")));
    EXPECT_EQ(group.groupCondition(), QStringLiteral("[DS.\"Kind\"]"));
    EXPECT_FALSE(frSetGroupCondition(*doc, group, QStringLiteral("[DS.\"Kind\"]")));
    EXPECT_FALSE(frSetGroupCondition(*doc, master, QStringLiteral("x")));
    EXPECT_EQ(undoCount(), 1);
}

TEST_F(DesignEditors, TextEditorStoresTextAndScriptAndLeavesTheThreeLineFormEmpty) {
    TfrMemoView& m = memo(QStringLiteral("Memo1"), 10, 10, 100, 20);
    m.memo = QStringList{QStringLiteral("a"), QString()};
    EXPECT_EQ(frTextEditorScript(m), QStringLiteral("begin\n\nend"));
    EXPECT_EQ(frTextEditorText(m), QStringLiteral("a\n"));

    // Nothing changed in either pane.
    TfrTextEditResult r = frApplyTextEditor(*doc, m, frTextEditorText(m), frTextEditorScript(m));
    EXPECT_FALSE(r.failed);
    EXPECT_FALSE(r.changed);
    EXPECT_EQ(undoCount(), 0);

    // The three lines with blanks around them are still the empty script.
    r = frApplyTextEditor(*doc, m, QStringLiteral("Итого: [SUM([Qty])]\nшт."), QStringLiteral("  BEGIN \n \nend  "));
    EXPECT_TRUE(r.changed);
    EXPECT_EQ(m.memo, (QStringList{QStringLiteral("Итого: [SUM([Qty])]"), QStringLiteral("шт.")}));
    EXPECT_TRUE(m.script.isEmpty());
    EXPECT_EQ(undoCount(), 1);

    r = frApplyTextEditor(*doc, m, frTextEditorText(m), QStringLiteral("begin\n  Memo1.Visible := False\nend"));
    EXPECT_TRUE(r.changed);
    EXPECT_EQ(m.script, (QStringList{QStringLiteral("begin"), QStringLiteral("  Memo1.Visible := False"),
                                     QStringLiteral("end")}));
    EXPECT_EQ(undoCount(), 2);

    // An emptied text pane leaves no lines.
    r = frApplyTextEditor(*doc, m, QString(), frTextEditorScript(m));
    EXPECT_TRUE(r.changed);
    EXPECT_TRUE(m.memo.isEmpty());
}

TEST_F(DesignEditors, AScriptThatDoesNotCompileStoresNothingAndSaysWhere) {
    TfrMemoView& m = memo(QStringLiteral("Memo1"), 10, 10, 100, 20);
    const TfrTextEditResult r =
        frApplyTextEditor(*doc, m, QStringLiteral("new text"), QStringLiteral("begin\n  a := 1 b := 2\nend"));
    ASSERT_TRUE(r.failed);
    EXPECT_FALSE(r.changed);
    EXPECT_EQ(r.error.text.toStdString(), "Line 2/9: Need \";\" or \"end\" here");
    EXPECT_EQ(r.error.line, 2);
    EXPECT_EQ(r.error.column, 9);
    EXPECT_EQ(m.memo, QStringList{QStringLiteral("Memo1")});
    EXPECT_TRUE(m.script.isEmpty());
    EXPECT_EQ(undoCount(), 0);
    EXPECT_FALSE(doc->modified());
}

TEST_F(DesignEditors, RestrictedPanesAndScriptOnlyObjectsKeepTheirLines) {
    TfrMemoView& m = memo(QStringLiteral("Memo1"), 10, 10, 100, 20);
    m.restrictions = frrfDontEditMemo;
    TfrTextEditResult r = frApplyTextEditor(*doc, m, QStringLiteral("other"), QStringLiteral("x := 1"));
    EXPECT_TRUE(r.changed);
    EXPECT_EQ(m.memo, QStringList{QStringLiteral("Memo1")});
    EXPECT_EQ(m.script, QStringList{QStringLiteral("x := 1")});

    // A script that may not be edited is neither compiled nor stored.
    m.restrictions = frrfDontEditScript;
    m.script = QStringList{QStringLiteral("if then")};
    r = frApplyTextEditor(*doc, m, QStringLiteral("other"), QStringLiteral("y := "));
    EXPECT_FALSE(r.failed);
    EXPECT_EQ(m.memo, QStringList{QStringLiteral("other")});
    EXPECT_EQ(m.script, QStringList{QStringLiteral("if then")});

    // Dialog controls show only their script too; other objects their text.
    TfrControl control;
    EXPECT_FALSE(frTextEditorHasText(control));
    EXPECT_TRUE(frTextEditorHasText(m));

    TfrBandView& b = band(QStringLiteral("MasterData1"), btMasterData, 100, 20);
    b.memo = QStringList{QStringLiteral("kept")};
    EXPECT_FALSE(frTextEditorHasText(b));
    r = frApplyTextEditor(*doc, b, QStringLiteral("ignored"), QStringLiteral("NewPage"));
    EXPECT_TRUE(r.changed);
    EXPECT_EQ(b.memo, QStringList{QStringLiteral("kept")});
    EXPECT_EQ(b.script, QStringList{QStringLiteral("NewPage")});
    EXPECT_EQ(undoCount(), 3);
}

TEST_F(DesignEditors, PicturesLoadOnlyWhenTheyDecode) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString good = dir.filePath(QStringLiteral("dot.bmp"));
    QImage image(3, 2, QImage::Format_RGB32);
    image.fill(Qt::red);
    ASSERT_TRUE(image.save(good, "BMP"));
    const QString damaged = dir.filePath(QStringLiteral("damaged.jpg"));
    {
        QFile f(damaged);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("\xFF\xD8\xFF\xE0 not a picture at all");
    }

    TfrPicture picture;
    EXPECT_TRUE(frLoadPictureFile(good, picture).isEmpty());
    EXPECT_EQ(picture.kind, TfrPicture::Bitmap);
    EXPECT_EQ(picture.image.size(), QSize(3, 2));
    // A damaged file, a missing one and an unknown kind leave the picture as it was.
    EXPECT_FALSE(frLoadPictureFile(damaged, picture).isEmpty());
    EXPECT_FALSE(frLoadPictureFile(dir.filePath(QStringLiteral("none.bmp")), picture).isEmpty());
    EXPECT_FALSE(frLoadPictureFile(dir.filePath(QStringLiteral("x.png")), picture).isEmpty());
    EXPECT_EQ(picture.kind, TfrPicture::Bitmap);
    EXPECT_EQ(picture.image.size(), QSize(3, 2));

    auto v = engine.createObject(gtPicture);
    v->setName(QStringLiteral("Picture1"));
    auto& view = static_cast<TfrPictureView&>(*page().add(std::move(v)));
    EXPECT_TRUE(frSetPicture(*doc, view, picture));
    EXPECT_EQ(view.picture.kind, TfrPicture::Bitmap);
    EXPECT_FALSE(frSetPicture(*doc, view, picture));
    EXPECT_TRUE(frSetPicture(*doc, view, TfrPicture()));
    EXPECT_TRUE(view.picture.isEmpty());
    EXPECT_EQ(undoCount(), 2);
}

TEST_F(DesignEditors, FormatCodesAndHighlightsApplyOnce) {
    // Digits that are no number count as 0; no separator is ",".
    EXPECT_EQ(frDialogFormatCode(1, 1, QStringLiteral("x"), QString()), frformat::make(1, 1, 0, u','));
    EXPECT_EQ(frDialogFormatCode(1, 3, QStringLiteral("3"), QStringLiteral(".;")), frformat::make(1, 3, 3, u'.'));

    TfrMemoView& m = memo(QStringLiteral("Memo1"), 10, 10, 100, 20);
    EXPECT_TRUE(frSetDisplayFormat(*doc, m, frformat::make(2, 4, 0, u','), QStringLiteral("dd mmmm")));
    EXPECT_EQ(m.format, frformat::make(2, 4, 0, u','));
    EXPECT_EQ(m.formatStr, QStringLiteral("dd mmmm"));
    EXPECT_FALSE(frSetDisplayFormat(*doc, m, frformat::make(2, 4, 0, u','), QStringLiteral("dd mmmm")));

    TfrHighlight h = frHighlightOf(m);
    EXPECT_EQ(h.fontStyle, fsBold);
    h.condition = QStringLiteral("[Qty] > 100");
    h.fontStyle = fsItalic | fsUnderline;
    h.fillColor = clTransparent;
    EXPECT_TRUE(frSetHighlight(*doc, m, h));
    EXPECT_EQ(m.highlightStr, QStringLiteral("[Qty] > 100"));
    EXPECT_EQ(m.highlight.fontStyle, fsItalic | fsUnderline);
    EXPECT_EQ(m.highlight.fillColor, clTransparent);
    EXPECT_FALSE(frSetHighlight(*doc, m, h));
    EXPECT_EQ(undoCount(), 2);
}

} // namespace
