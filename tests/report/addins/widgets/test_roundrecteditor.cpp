// "Прямоугольник с тенью" driven through its controls.

#include "editorfixture.h"

#include "report/addins/roundrect.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStackedWidget>

namespace {

using RoundRectEditor = AddInEditorTest;

struct Values {
    QStringList memo;
    std::int32_t shadowWidth;
    TfrColor shadowColor, fillColor;
    bool roundCorners;
    std::int32_t roundSize;
};

void expectValues(const TfrRoundRectView& v, const Values& e) {
    EXPECT_EQ(v.memo, e.memo);
    EXPECT_EQ(v.shadowWidth, e.shadowWidth);
    EXPECT_EQ(v.shadowColor, e.shadowColor);
    EXPECT_EQ(v.fillColor, e.fillColor);
    EXPECT_EQ(v.roundCorners, e.roundCorners);
    EXPECT_EQ(v.roundSize, e.roundSize);
}

QLineEdit* line(QDialog& d, const char* name) { return AddInEditorTest::child<QLineEdit>(d, name); }

TEST_F(RoundRectEditor, OkStoresThePanelsValuesInOneUndoEntry) {
    struct Case {
        const char* name;
        std::function<void(QDialog&, AddInEditorTest&)> set;
        Values expected;
    };
    const Case cases[] = {
        {"shadow panel",
         [](QDialog& d, AddInEditorTest& t) {
             child<QPlainTextEdit>(d, "Memo")->setPlainText("Итого\n[Sum]");
             line(d, "ShadowWidth")->setText("3");
             t.color = 0x00FF00;
             child<QAbstractButton>(d, "ShadowColor")->click();
             child<QCheckBox>(d, "RoundCorners")->setChecked(false);
             line(d, "RoundSize")->setText("4");
         },
         {{"Итого", "[Sum]"}, 3, 0x00FF00, clTransparent, false, 4}},
        {"gradient turned on, a style and an end colour",
         [](QDialog& d, AddInEditorTest& t) {
             child<QCheckBox>(d, "Gradient")->click();
             EXPECT_EQ(line(d, "ShadowWidth")->text(), QStringLiteral("-99"));
             EXPECT_EQ(line(d, "RoundSize")->text(), QStringLiteral("0"));
             EXPECT_EQ(child<QComboBox>(d, "Style")->currentIndex(), 0);
             EXPECT_EQ(child<QStackedWidget>(d, "Panels")->currentIndex(), 1);
             child<QComboBox>(d, "Style")->setCurrentIndex(gsRectangle);
             t.color = 0x0000FF;
             child<QAbstractButton>(d, "EndColor")->click();
             t.color = 0x123456;
             child<QAbstractButton>(d, "BeginColor")->click();
         },
         {{"Memo1"}, TfrRoundRectView::gradientMode, 0x123456, 0x0000FF, true, gsRectangle}},
        {"gradient on and off again gives 10 and 10",
         [](QDialog& d, AddInEditorTest&) {
             child<QCheckBox>(d, "Gradient")->click();
             child<QCheckBox>(d, "Gradient")->click();
             EXPECT_EQ(child<QStackedWidget>(d, "Panels")->currentIndex(), 0);
         },
         {{"Memo1"}, 10, 0x808080, clTransparent, true, 10}},
        {"sizes that are no numbers",
         [](QDialog& d, AddInEditorTest&) {
             line(d, "ShadowWidth")->setText("abc");
             line(d, "RoundSize")->setText("");
         },
         {{"Memo1"}, 6, 0x808080, clTransparent, true, 10}},
        {"the expression and field buttons insert at the caret",
         [](QDialog& d, AddInEditorTest& t) {
             auto* memo = child<QPlainTextEdit>(d, "Memo");
             memo->setPlainText("= ");
             memo->moveCursor(QTextCursor::End);
             t.expression = QStringLiteral("1 + 2");
             child<QAbstractButton>(d, "InsertExpression")->click();
             memo->insertPlainText("\n");
             t.field = QStringLiteral("Data.\"Name\"");
             child<QAbstractButton>(d, "InsertField")->click();
             line(d, "ShadowWidth")->setText("0");
         },
         {{"= [1 + 2]", "[Data.\"Name\"]"}, 0, 0x808080, clTransparent, true, 3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto& rr = add<TfrRoundRectView>(QStringLiteral("RoundRect1"), 0, 0, 100, 40);
        rr.memo = QStringList{"Memo1"};
        rr.shadowWidth = 4;
        rr.roundSize = 3;
        const QByteArray before = frdesign::objectRecord(rr);
        const Run run = edit(rr, [&](QDialog& d) {
            EXPECT_EQ(d.windowTitle(), QStringLiteral("Прямоугольник с тенью"));
            EXPECT_EQ(child<QStackedWidget>(d, "Panels")->currentIndex(), 0);
            c.set(d, *this);
            ok(d);
        });
        EXPECT_TRUE(run.changed);
        expectValues(rr, c.expected);
        ASSERT_EQ(doc->undoStack().count(), 1);
        ASSERT_TRUE(doc->undo());
        EXPECT_TRUE(frdesign::sameRecord(*report.findObject(QStringLiteral("RoundRect1")), before));
        report.pages().page(0)->clear();
        doc = std::make_unique<TfrDesignDocument>(report, true);
    }
}

TEST_F(RoundRectEditor, OpensInGradientModeOnTheStyleAndChangesNothingOnAnUnchangedOkOrCancel) {
    struct Case {
        std::int32_t style;
        int shownStyle;
        bool cancelled;
    };
    const Case cases[] = {{gsVertCenter, gsVertCenter, false}, {-3, 0, true}, {7, -1, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.style);
        auto& rr = add<TfrRoundRectView>(QStringLiteral("RoundRect1"), 0, 0, 100, 40);
        rr.shadowWidth = TfrRoundRectView::gradientMode;
        rr.roundSize = c.style;
        rr.fillColor = 0xFF00FF;
        const QByteArray before = frdesign::objectRecord(rr);
        const Run run = edit(rr, [&](QDialog& d) {
            EXPECT_TRUE(child<QCheckBox>(d, "Gradient")->isChecked());
            EXPECT_EQ(child<QStackedWidget>(d, "Panels")->currentIndex(), 1);
            EXPECT_EQ(child<QComboBox>(d, "Style")->currentIndex(), c.shownStyle);
            EXPECT_EQ(child<TfrColorSwatch>(d, "EndColor")->color(), 0xFF00FFu);
            if (c.cancelled) {
                child<QComboBox>(d, "Style")->setCurrentIndex(1);
                cancel(d);
            } else {
                ok(d);
            }
        });
        // A negative style is drawn as the first, and OK would store that.
        EXPECT_FALSE(run.changed);
        EXPECT_TRUE(frdesign::sameRecord(rr, before));
        EXPECT_TRUE(doc->undoStack().isEmpty());
        report.pages().page(0)->clear();
    }
}

TEST_F(RoundRectEditor, AMemoThatMayNotBeEditedIsShownReadOnlyAndKept) {
    auto& rr = add<TfrRoundRectView>(QStringLiteral("RoundRect1"), 0, 0, 100, 40);
    rr.memo = QStringList{"kept"};
    rr.restrictions = frrfDontEditMemo;
    const Run run = edit(rr, [](QDialog& d) {
        auto* memo = child<QPlainTextEdit>(d, "Memo");
        EXPECT_TRUE(memo->isReadOnly());
        EXPECT_FALSE(child<QAbstractButton>(d, "InsertExpression")->isEnabled());
        EXPECT_FALSE(child<QAbstractButton>(d, "InsertField")->isEnabled());
        memo->setPlainText("changed");
        line(d, "ShadowWidth")->setText("2");
        ok(d);
    });
    EXPECT_TRUE(run.changed);
    EXPECT_EQ(rr.memo, QStringList{"kept"});
    EXPECT_EQ(rr.shadowWidth, 2);
}

TEST_F(RoundRectEditor, TheSampleFollowsTheControls) {
    auto& rr = add<TfrRoundRectView>(QStringLiteral("RoundRect1"), 0, 0, 100, 40);
    rr.memo.clear();
    edit(rr, [this](QDialog& d) {
        auto corner = [&d] {
            const QImage image = child<QLabel>(d, "Sample")->pixmap().toImage();
            return image.pixelColor(image.width() - 3, image.height() - 3);
        };
        // The shadow strip at the bottom right, in the shadow colour.
        EXPECT_EQ(corner(), QColor(0x80, 0x80, 0x80));
        color = 0x00FF00; // 0x00BBGGRR
        child<QAbstractButton>(d, "ShadowColor")->click();
        EXPECT_EQ(corner(), QColor(0, 0xFF, 0));
        line(d, "ShadowWidth")->setText("0");
        EXPECT_NE(corner(), QColor(0, 0xFF, 0));
        // The gradient's begin colour at the right edge.
        child<QCheckBox>(d, "Gradient")->click();
        const QColor right = corner();
        EXPECT_LT(right.red(), 16);
        EXPECT_GT(right.green(), 240);
        EXPECT_LT(right.blue(), 16);
        cancel(d);
    });
}

} // namespace
