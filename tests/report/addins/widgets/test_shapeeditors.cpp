// The shape's and the check box's editors driven through their controls.

#include "editorfixture.h"

#include "report/addins/shapes.h"

#include <QLineEdit>
#include <QRadioButton>

namespace {

using ShapeEditor = AddInEditorTest;
using CheckBoxEditor = AddInEditorTest;

TEST_F(ShapeEditor, EachKindChosenIsStoredWithOneUndoEntry) {
    for (int kind = 0; kind <= skDiagonal2; ++kind) {
        SCOPED_TRACE(kind);
        auto& shape = add<TfrShapeView>(QStringLiteral("Shape1"), 0, 0, 40, 40);
        shape.shape = kind == skRectangle ? skEllipse : skRectangle;
        const Run run = edit(shape, [&](QDialog& d) {
            EXPECT_EQ(d.windowTitle(), QStringLiteral("Фигура"));
            child<QRadioButton>(d, QStringLiteral("Kind%1").arg(kind))->click();
            ok(d);
        });
        EXPECT_TRUE(run.changed);
        EXPECT_EQ(shape.shape, kind);
        EXPECT_EQ(doc->undoStack().count(), 1);
        ASSERT_TRUE(doc->undo());
        EXPECT_EQ(frCast<TfrShapeView>(report.findObject(QStringLiteral("Shape1")))->shape,
                  shape.shape == skRectangle ? skEllipse : skRectangle);
        report.pages().page(0)->clear();
        doc = std::make_unique<TfrDesignDocument>(report, true);
    }
}

TEST_F(ShapeEditor, OpensOnTheKindAndKeepsOneItDoesNotKnowUnlessAnotherIsChosen) {
    struct Case {
        std::uint8_t stored;
        int click; // -1: none
        bool cancelled;
        std::uint8_t expected;
    };
    const Case cases[] = {
        {skTriangle, -1, false, skTriangle},
        {skTriangle, skEllipse, true, skTriangle},
        {9, -1, false, 9},
        {9, skDiagonal1, false, skDiagonal1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored * 100 + c.click);
        auto& shape = add<TfrShapeView>(QStringLiteral("Shape1"), 0, 0, 40, 40);
        shape.shape = c.stored;
        edit(shape, [&](QDialog& d) {
            for (int k = 0; k <= skDiagonal2; ++k)
                EXPECT_EQ(child<QRadioButton>(d, QStringLiteral("Kind%1").arg(k))->isChecked(), k == c.stored);
            if (c.click >= 0)
                child<QRadioButton>(d, QStringLiteral("Kind%1").arg(c.click))->click();
            c.cancelled ? cancel(d) : ok(d);
        });
        EXPECT_EQ(shape.shape, c.expected);
        EXPECT_EQ(doc->undoStack().count(), c.expected == c.stored ? 0 : 1);
        report.pages().page(0)->clear();
        doc = std::make_unique<TfrDesignDocument>(report, true);
    }
}

TEST_F(CheckBoxEditor, OkStoresExpressionMarkAndColourAndKeepsTheOtherMemoLines) {
    struct Case {
        const char* name;
        QStringList memo;
        std::function<void(QDialog&, AddInEditorTest&)> set;
        QStringList expectedMemo;
        std::uint8_t style;
        TfrColor color;
    };
    const Case cases[] = {
        {"typed, with mark and colour",
         {"1", "kept"},
         [](QDialog& d, AddInEditorTest& t) {
             child<QLineEdit>(d, "Expression")->setText("[Data.\"Flag\"] > 0");
             child<QRadioButton>(d, "Check")->click();
             t.color = 0x0000FF;
             child<QAbstractButton>(d, "Color")->click();
         },
         {"[Data.\"Flag\"] > 0", "kept"},
         csCheck,
         0x0000FF},
        {"a field inserted at the caret",
         {"1"},
         [](QDialog& d, AddInEditorTest& t) {
             auto* e = child<QLineEdit>(d, "Expression");
             e->setText("not ");
             e->end(false);
             t.field = QStringLiteral("Data.\"Flag\"");
             child<QAbstractButton>(d, "InsertField")->click();
         },
         {"not [Data.\"Flag\"]"},
         csCross,
         clBlack},
        {"an expression that is one bracketed expression goes in as it is",
         {},
         [](QDialog& d, AddInEditorTest& t) {
             t.expression = QStringLiteral("[Flag]");
             child<QAbstractButton>(d, "InsertExpression")->click();
         },
         {"[Flag]"},
         csCross,
         clBlack},
        {"two bracketed parts get a further pair",
         {},
         [](QDialog& d, AddInEditorTest& t) {
             t.expression = QStringLiteral("[A] + [B]");
             child<QAbstractButton>(d, "InsertExpression")->click();
         },
         {"[[A] + [B]]"},
         csCross,
         clBlack},
        {"a colour question cancelled keeps the colour",
         {"1"},
         [](QDialog& d, AddInEditorTest& t) {
             t.color.reset();
             child<QAbstractButton>(d, "Color")->click();
             child<QRadioButton>(d, "Check")->click();
         },
         {"1"},
         csCheck,
         clBlack},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto& box = add<TfrCheckBoxView>(QStringLiteral("Check1"), 0, 0, 20, 20);
        box.memo = c.memo;
        const Run run = edit(box, [&](QDialog& d) {
            EXPECT_EQ(d.windowTitle(), QStringLiteral("CheckBox объект"));
            EXPECT_EQ(child<QLineEdit>(d, "Expression")->text(), c.memo.value(0));
            c.set(d, *this);
            ok(d);
        });
        EXPECT_TRUE(run.changed);
        EXPECT_EQ(box.memo, c.expectedMemo);
        EXPECT_EQ(box.checkStyle, c.style);
        EXPECT_EQ(box.checkColor, c.color);
        EXPECT_EQ(doc->undoStack().count(), 1);
        report.pages().page(0)->clear();
        doc = std::make_unique<TfrDesignDocument>(report, true);
    }
}

TEST_F(CheckBoxEditor, CancelAndAnEmptyExpressionOnAnEmptyMemoChangeNothing) {
    const std::function<void(QDialog&)> endings[] = {
        [](QDialog& d) {
            child<QLineEdit>(d, "Expression")->setText("1");
            child<QRadioButton>(d, "Check")->click();
            cancel(d);
        },
        [](QDialog& d) { ok(d); },
    };
    for (const auto& end : endings) {
        auto& box = add<TfrCheckBoxView>(QStringLiteral("Check1"), 0, 0, 20, 20);
        box.memo.clear();
        const QByteArray before = frdesign::objectRecord(box);
        EXPECT_FALSE(edit(box, end).changed);
        EXPECT_TRUE(frdesign::sameRecord(box, before));
        EXPECT_TRUE(doc->undoStack().isEmpty());
        report.pages().page(0)->clear();
    }
}

} // namespace
