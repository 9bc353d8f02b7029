// What the designer gets for every add-in class with an editor.

#include "editorfixture.h"

#include "report/addins/barcodeview.h"
#include "report/addins/chart.h"
#include "report/addins/oleview.h"
#include "report/addins/richview.h"
#include "report/addins/roundrect.h"
#include "report/addins/shapes.h"
#include "report/designer/designerform.h"

#include <QAction>
#include <QImage>
#include <QLineEdit>

namespace {

using AddInEditors = AddInEditorTest;

struct ClassCase {
    const TfrObjectClass& cls;
    const char16_t* hint;
};

const ClassCase kClasses[] = {
    {TfrBarCodeView::classInfo(), u"Вставить штрихкод"},
    {TfrShapeView::classInfo(), u"Вставить фигуру"},
    {TfrCheckBoxView::classInfo(), u"Вставить CheckBox объект"},
    {TfrRoundRectView::classInfo(), u"Вставить прямоугольник с тенью"},
    {TfrOLEView::classInfo(), u"Вставить OLE объект"},
};

TEST_F(AddInEditors, EveryClassHasItsHintAPictureOfItsOwnAndAnEditor) {
    std::vector<QImage> pictures;
    for (const ClassCase& c : kClasses) {
        SCOPED_TRACE(c.cls.className.toStdString());
        const TfrDesignerClassInfo* info = frDesignerClass(c.cls);
        ASSERT_NE(info, nullptr);
        EXPECT_EQ(info->hint, QString::fromUtf16(c.hint));
        EXPECT_TRUE(bool(info->editor));
        const QImage picture = info->icon.pixmap(16, 16).toImage();
        ASSERT_FALSE(picture.isNull());
        for (const QImage& other : pictures)
            EXPECT_NE(picture, other);
        pictures.push_back(picture);
    }
}

TEST_F(AddInEditors, NothingOpensForAnObjectWhoseContentsMayNotBeEdited) {
    for (const ClassCase& c : kClasses) {
        SCOPED_TRACE(c.cls.className.toStdString());
        auto v = engine.createObject(gtAddIn, c.cls.className);
        ASSERT_NE(v, nullptr);
        v->setName(QStringLiteral("Object1"));
        v->restrictions = frrfDontEditContents | frrfDontMove;
        TfrView& view = *report.pages().page(0)->add(std::move(v));
        const QByteArray before = frdesign::objectRecord(view);
        const Run run = edit(view, [](QDialog& d) { ok(d); });
        EXPECT_FALSE(run.opened);
        EXPECT_FALSE(run.changed);
        EXPECT_TRUE(frdesign::sameRecord(view, before));
        EXPECT_TRUE(doc->undoStack().isEmpty());
        // Other restrictions leave the editor open to it.
        view.restrictions = frrfDontEditMemo | frrfDontMove | frrfDontSize;
        EXPECT_TRUE(edit(view, [](QDialog& d) { d.reject(); }).opened);
        report.pages().page(0)->clear();
    }
}

TEST_F(AddInEditors, TheDesignerWindowOffersTheClassesAndOpensTheirEditors) {
    auto& bar = add<TfrBarCodeView>(QStringLiteral("Bar1"), 10, 10, 40, 40);
    TfrDesignerForm form(report);
    form.setWindowState(Qt::WindowNoState);
    form.show();
    QApplication::processEvents();
    for (const ClassCase& c : kClasses)
        EXPECT_EQ(form.action(QStringLiteral("tool ") + c.cls.className)->text(), QString::fromUtf16(c.hint));
    form.document().selectObjects({&bar});
    form.refresh();
    bool opened = false;
    QTimer* timer = whenModal([&opened](QDialog& d) {
        opened = true;
        child<QLineEdit>(d, "Code")->setText("ABC");
        ok(d);
    });
    form.action(QStringLiteral("edit"))->trigger();
    if (!opened)
        delete timer;
    EXPECT_TRUE(opened);
    EXPECT_EQ(bar.memo, QStringList{"ABC"});
    EXPECT_EQ(form.document().undoStack().count(), 1);
    EXPECT_TRUE(form.document().modified());
}

// The inspector's buttons of the add-ins' own properties: "Chart", "Barcode"
// and "OLE" open the class's editor, "DataField" the field picker, whose
// reference the property takes (one undo entry; a cancelled pick nothing).
TEST_F(AddInEditors, InspectorButtonsOpenTheClassEditorOrTheFieldPicker) {
    TfrDesignerForm form(report); // registers the designer's property editors
    const std::pair<const TfrObjectClass*, const char*> buttons[] = {
        {&TfrChartView::classInfo(), "Chart"}, {&TfrBarCodeView::classInfo(), "Barcode"}, {&TfrOLEView::classInfo(), "OLE"}};
    for (const auto& [cls, property] : buttons) {
        const TfrPropRec* p = cls->create()->findProperty(QString::fromLatin1(property));
        ASSERT_NE(p, nullptr) << property;
        EXPECT_TRUE(p->kind & frdtHasEditor) << property;
        ASSERT_NE(frDesignerEditor(*cls), nullptr) << property;
        EXPECT_EQ(frDesignerPropertyEditor(*cls, QString::fromLatin1(property)), frDesignerEditor(*cls)) << property;
    }
    auto& rich = add<TfrRichView>(QStringLiteral("Rich1"), 10, 10, 100, 40);
    const TfrDesignerEditor* picker = frDesignerPropertyEditor(TfrRichView::classInfo(), QStringLiteral("DataField"));
    ASSERT_NE(picker, nullptr);
    EXPECT_NE(picker, frDesignerEditor(TfrRichView::classInfo()));
    field.reset();
    EXPECT_FALSE((*picker)(*doc, rich, nullptr));
    field = QStringLiteral("DS.\"Text\"");
    EXPECT_TRUE((*picker)(*doc, rich, nullptr));
    EXPECT_EQ(rich.dataField(), QStringLiteral("DS.\"Text\""));
    EXPECT_EQ(doc->undoStack().count(), 1);
}

} // namespace
