// "Редактор штрих-кода" driven through its controls.

#include "editorfixture.h"

#include "report/addins/barcodeview.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <cmath>

namespace {

using BarcodeEditor = AddInEditorTest;

struct Values {
    QStringList memo;
    int type;
    bool checksum, caption;
    double zoom, angle;
};

void expectValues(const TfrBarCodeView& v, const Values& e) {
    EXPECT_EQ(v.memo, e.memo);
    EXPECT_EQ(v.barType, e.type);
    EXPECT_EQ(v.checksum, e.checksum);
    EXPECT_EQ(v.showText, e.caption);
    EXPECT_EQ(v.zoom, e.zoom);
    EXPECT_EQ(v.angle, e.angle);
}

TEST_F(BarcodeEditor, OkStoresTheControlsAndTheSizeOfTheCodeInOneUndoEntry) {
    struct Case {
        const char* name;
        std::function<void(QDialog&)> set;
        Values expected;
    };
    const Case cases[] = {
        {"code, type, flags, zoom and angle",
         [](QDialog& d) {
             child<QLineEdit>(d, "Code")->setText("400638133393");
             child<QComboBox>(d, "Type")->setCurrentIndex(bcCodeEAN13);
             child<QCheckBox>(d, "Checksum")->setChecked(false);
             child<QCheckBox>(d, "Caption")->setChecked(false);
             child<QPushButton>(d, "ZoomIn")->click();
             child<QPushButton>(d, "ZoomIn")->click();
             child<QRadioButton>(d, "Angle90")->click();
         },
         {{"400638133393"}, bcCodeEAN13, false, false, 3.0, 90.0}},
        {"minus stops at 1",
         [](QDialog& d) {
             child<QLineEdit>(d, "Zoom")->setText("2.5");
             for (int i = 0; i < 3; ++i)
                 child<QPushButton>(d, "ZoomOut")->click();
             child<QRadioButton>(d, "Angle180")->click();
         },
         {{"12345678"}, bcCode39, true, true, 1.0, 180.0}},
        {"a fractional zoom typed",
         [](QDialog& d) { child<QLineEdit>(d, "Zoom")->setText("0.75"); },
         {{"12345678"}, bcCode39, true, true, 0.75, 0.0}},
        {"the expression button inserts the expression bracketed",
         [](QDialog& d) {
             auto* code = child<QLineEdit>(d, "Code");
             code->clear();
             child<QPushButton>(d, "InsertExpression")->click();
             child<QComboBox>(d, "Type")->setCurrentIndex(bcCodeEAN8);
         },
         {{"[Data.\"Number\"]"}, bcCodeEAN8, true, true, 1.0, 0.0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto& bar = add<TfrBarCodeView>(QStringLiteral("Bar1"), 10, 20, 50, 60);
        const QByteArray before = frdesign::objectRecord(bar);
        expression = QStringLiteral("Data.\"Number\"");
        const Run run = edit(bar, [&](QDialog& d) {
            EXPECT_EQ(d.windowTitle(), QStringLiteral("Редактор штрих-кода"));
            c.set(d);
            ok(d);
            EXPECT_FALSE(d.isVisible());
        });
        EXPECT_TRUE(run.opened);
        EXPECT_TRUE(run.changed);
        expectValues(bar, c.expected);
        // The code's own size along the bars, zoomed; the other side stays.
        const std::int32_t along = frBarcodeGenerator(bar, frBarcodeText(bar)).width();
        const bool upright = c.expected.angle == 90.0;
        EXPECT_EQ(upright ? bar.height : bar.width,
                  std::int32_t(std::nearbyint(along * c.expected.zoom))); // halves to even
        EXPECT_EQ(upright ? bar.width : bar.height, upright ? 50 : 60);
        EXPECT_EQ(bar.left, 10);
        ASSERT_EQ(doc->undoStack().count(), 1);
        EXPECT_EQ(doc->undoStack().top()->kind, TfrUndoKind::Change);
        EXPECT_TRUE(doc->modified());
        ASSERT_TRUE(doc->undo());
        const TfrView* restored = report.findObject(QStringLiteral("Bar1"));
        ASSERT_NE(restored, nullptr);
        EXPECT_TRUE(frdesign::sameRecord(*restored, before));
        report.pages().page(0)->clear();
        doc = std::make_unique<TfrDesignDocument>(report, true);
    }
}

TEST_F(BarcodeEditor, CancelOrAnUnchangedOkLeaveTheObjectAndTheUndoListAlone) {
    const std::function<void(QDialog&)> endings[] = {
        [](QDialog& d) {
            child<QLineEdit>(d, "Code")->setText("999");
            child<QRadioButton>(d, "Angle270")->click();
            cancel(d);
        },
        [](QDialog& d) { ok(d); },
    };
    for (const auto& end : endings) {
        auto& bar = add<TfrBarCodeView>(QStringLiteral("Bar1"), 0, 0, 40, 40);
        bar.setBounds(0, 0, frBarcodeBox(bar).width, 40);
        const QByteArray before = frdesign::objectRecord(bar);
        const Run run = edit(bar, end);
        EXPECT_TRUE(run.opened);
        EXPECT_FALSE(run.changed);
        EXPECT_TRUE(frdesign::sameRecord(bar, before));
        EXPECT_TRUE(doc->undoStack().isEmpty());
        EXPECT_FALSE(doc->modified());
        report.pages().page(0)->clear();
    }
}

TEST_F(BarcodeEditor, ACodeTheTypeCannotEncodeKeepsTheDialogOpen) {
    struct Case {
        const char* code;
        int type;
    };
    const Case bad[] = {{"12a4", bcCodeEAN13}, {"+12", bcCode_2_5_interleaved}, {"a\x01", bcCode93}};
    for (const Case& c : bad) {
        SCOPED_TRACE(c.code);
        auto& bar = add<TfrBarCodeView>(QStringLiteral("Bar1"), 0, 0, 40, 40);
        ui.messages.clear();
        const Run run = edit(bar, [&](QDialog& d) {
            child<QLineEdit>(d, "Code")->setText(QString::fromLatin1(c.code));
            child<QComboBox>(d, "Type")->setCurrentIndex(c.type);
            ok(d);
            EXPECT_TRUE(d.isVisible());
            ASSERT_EQ(ui.messages.size(), 1u);
            EXPECT_EQ(ui.messages[0].text, QStringLiteral("Ошибка в коде"));
            EXPECT_EQ(ui.messages[0].title, QStringLiteral("Ошибка"));
            // Corrected, it is taken.
            child<QLineEdit>(d, "Code")->setText("1234");
            ok(d);
            EXPECT_FALSE(d.isVisible());
        });
        EXPECT_TRUE(run.changed);
        EXPECT_EQ(bar.memo, QStringList{"1234"});
        EXPECT_EQ(bar.barType, c.type);
        report.pages().page(0)->clear();
    }
}

TEST_F(BarcodeEditor, AZoomThatIsNoPositiveNumberKeepsTheDialogOpen) {
    auto& bar = add<TfrBarCodeView>(QStringLiteral("Bar1"), 0, 0, 40, 40);
    for (const char* zoom : {"abc", "0", "-2", ""}) {
        SCOPED_TRACE(zoom);
        ui.messages.clear();
        edit(bar, [&](QDialog& d) {
            child<QLineEdit>(d, "Zoom")->setText(zoom);
            ok(d);
            EXPECT_TRUE(d.isVisible());
            EXPECT_EQ(ui.messages.size(), 1u);
        });
        EXPECT_EQ(bar.zoom, 1.0);
    }
}

TEST_F(BarcodeEditor, OpensOnTheObjectsValues) {
    auto& bar = add<TfrBarCodeView>(QStringLiteral("Bar1"), 0, 0, 40, 40);
    bar.memo = QStringList{"[Data.\"Number\"]", "second"};
    bar.barType = bcCodeUPC_A;
    bar.checksum = false;
    bar.zoom = 1.5;
    bar.angle = 270;
    edit(bar, [](QDialog& d) {
        EXPECT_EQ(child<QLineEdit>(d, "Code")->text(), QStringLiteral("[Data.\"Number\"]"));
        EXPECT_EQ(child<QComboBox>(d, "Type")->currentText(), QStringLiteral("UPC_A"));
        EXPECT_FALSE(child<QCheckBox>(d, "Checksum")->isChecked());
        EXPECT_TRUE(child<QCheckBox>(d, "Caption")->isChecked());
        EXPECT_EQ(child<QLineEdit>(d, "Zoom")->text(), QStringLiteral("1.5"));
        EXPECT_TRUE(child<QRadioButton>(d, "Angle270")->isChecked());
        EXPECT_EQ(child<QComboBox>(d, "Type")->count(), frBarcodeTypeCount);
        cancel(d);
    });
}

TEST_F(BarcodeEditor, StoredValuesItCannotShowOpenAsTheNearestChoiceOrNone) {
    auto& bar = add<TfrBarCodeView>(QStringLiteral("Bar1"), 0, 0, 40, 40);
    for (const double angle : {450.0, 45.0, std::nan(""), -90.0}) {
        SCOPED_TRACE(angle);
        bar.angle = angle;
        bar.barType = 40;
        edit(bar, [](QDialog& d) {
            EXPECT_TRUE(child<QRadioButton>(d, "Angle0")->isChecked());
            EXPECT_EQ(child<QComboBox>(d, "Type")->currentIndex(), -1);
            // The type is kept, and a code it cannot encode is refused.
            ok(d);
            EXPECT_TRUE(d.isVisible());
            cancel(d);
        });
        EXPECT_EQ(bar.barType, 40);
    }
}

} // namespace
