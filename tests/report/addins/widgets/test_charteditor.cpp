// The chart editor driven through its controls: what OK stores, what Cancel
// keeps, the one undo entry, and what the designer is told of the class.

#include "editortest.h"

#include "report/addins/chart.h"
#include "report/addins/widgets/addineditors.h"
#include "report/addins/widgets/charteditor.h"
#include "report/designer/designerclasses.h"
#include "report/designer/designerform.h"
#include "report/model/constants.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QToolButton>
#include <QtTest/QTest>

namespace {

using ChartEditor = EditorTest;

void ok(QDialog& form) { form.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click(); }

// Replaces an edit's text as typing over its selected text does.
void type(QLineEdit* edit, const QString& text) {
    edit->selectAll();
    edit->insert(text);
}

struct Case {
    const char* what;
    std::function<void(TfrChartEditorForm&)> drive;
    std::function<void(TfrChartSettings&)> expect; // applied to the settings before the editor
};

TEST_F(ChartEditor, OkStoresWhatTheControlsShowWithOneUndoEntry) {
    const Case cases[] = {
        {"kind button", [](TfrChartEditorForm& f) { f.kindButton(TfrChartKind::Pie)->click(); },
         [](TfrChartSettings& s) { s.kind = TfrChartKind::Pie; }},
        {"horizontal bars", [](TfrChartEditorForm& f) { f.kindButton(TfrChartKind::HorizontalBars)->click(); },
         [](TfrChartSettings& s) { s.kind = TfrChartKind::HorizontalBars; }},
        {"3-D off", [](TfrChartEditorForm& f) { f.option(0)->click(); }, [](TfrChartSettings& s) { s.view3d = false; }},
        {"several series", [](TfrChartEditorForm& f) { f.option(1)->click(); },
         [](TfrChartSettings& s) { s.singleSeries = false; }},
        {"no legend", [](TfrChartEditorForm& f) { f.option(2)->click(); },
         [](TfrChartSettings& s) { s.legend = false; }},
        {"axes", [](TfrChartEditorForm& f) { f.option(3)->click(); }, [](TfrChartSettings& s) { s.axes = true; }},
        {"no marks", [](TfrChartEditorForm& f) { f.option(4)->click(); }, [](TfrChartSettings& s) { s.marks = false; }},
        {"one colour", [](TfrChartEditorForm& f) { f.option(5)->click(); },
         [](TfrChartSettings& s) { s.multicolored = false; }},
        {"memo names",
         [](TfrChartEditorForm& f) {
             f.tabs()->setCurrentIndex(1);
             type(f.captionObjectEdit(), QStringLiteral("Название"));
             type(f.valueObjectEdit(), QStringLiteral("Sum"));
         },
         [](TfrChartSettings& s) {
             s.captionObject = QStringLiteral("Название");
             s.valueObject = QStringLiteral("Sum");
         }},
        {"top count and rest caption",
         [](TfrChartEditorForm& f) {
             f.topCountBox()->setValue(3);
             type(f.restCaptionEdit(), QStringLiteral("Прочие"));
         },
         [](TfrChartSettings& s) {
             s.topCount = 3;
             s.restCaption = QStringLiteral("Прочие");
         }},
        {"mark style", [](TfrChartEditorForm& f) { f.markStyleButton(TfrChartMarkStyle::CaptionValue)->click(); },
         [](TfrChartSettings& s) { s.markStyle = TfrChartMarkStyle::CaptionValue; }},
        {"percent marks", [](TfrChartEditorForm& f) { f.markStyleButton(TfrChartMarkStyle::Percent)->click(); },
         [](TfrChartSettings& s) { s.markStyle = TfrChartMarkStyle::Percent; }},
    };
    auto& first = add<TfrChartView>(QStringLiteral("Chart1"));
    // A chart without memo names is stored as its picture, without settings.
    first.settings.captionObject = QStringLiteral("Name");
    first.settings.valueObject = QStringLiteral("Value");
    first.settings.reserved[0] = 7;
    first.settings.reserved[35] = 9;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // Undo and redo may give the object anew.
        auto* found = frCast<TfrChartView>(report.findObject(QStringLiteral("Chart1")));
        ASSERT_NE(found, nullptr);
        TfrChartView& chart = *found;
        TfrChartSettings expected = chart.settings;
        c.expect(expected);
        const TfrChartSettings before = chart.settings;
        const int entries = doc->undoStack().count();
        bool opened = false;
        EXPECT_TRUE(run<TfrChartEditorForm>(frEditChart, chart,
                                            [&](TfrChartEditorForm& f) {
                                                c.drive(f);
                                                ok(f);
                                            },
                                            &opened));
        EXPECT_TRUE(opened);
        EXPECT_EQ(chart.settings, expected);
        EXPECT_EQ(doc->undoStack().count(), entries + 1);
        EXPECT_TRUE(doc->modified());
        // The entry brings the settings back, and redo the edited ones.
        ASSERT_TRUE(doc->undo());
        auto* undone = frCast<TfrChartView>(report.findObject(QStringLiteral("Chart1")));
        ASSERT_NE(undone, nullptr);
        EXPECT_EQ(undone->settings, before);
        ASSERT_TRUE(doc->redo());
        auto* redone = frCast<TfrChartView>(report.findObject(QStringLiteral("Chart1")));
        ASSERT_NE(redone, nullptr);
        EXPECT_EQ(redone->settings, expected);
    }
}

TEST_F(ChartEditor, CancelAndUnchangedSettingsChangeNothing) {
    auto& chart = add<TfrChartView>(QStringLiteral("Chart1"));
    const TfrChartSettings before = chart.settings;
    EXPECT_FALSE(run<TfrChartEditorForm>(frEditChart, chart, [](TfrChartEditorForm& f) {
        f.kindButton(TfrChartKind::Bars)->click();
        f.option(3)->click();
        f.reject();
    }));
    EXPECT_FALSE(run<TfrChartEditorForm>(frEditChart, chart, [](TfrChartEditorForm& f) { ok(f); }));
    EXPECT_EQ(chart.settings, before);
    EXPECT_TRUE(doc->undoStack().isEmpty());
    EXPECT_FALSE(doc->modified());
}

TEST_F(ChartEditor, ShowsTheObjectsSettingsAndKeepsWhatItDoesNotShow) {
    auto& chart = add<TfrChartView>(QStringLiteral("Chart1"));
    chart.settings.kind = TfrChartKind(9); // a kind this program does not know
    chart.settings.markStyle = TfrChartMarkStyle::Caption;
    chart.settings.axes = true;
    chart.settings.topCount = -2;
    chart.settings.captionObject = QStringLiteral("Name");
    chart.settings.reserved.fill(0xAB);
    TfrChartSettings expected = chart.settings;
    expected.legend = false;
    EXPECT_TRUE(run<TfrChartEditorForm>(frEditChart, chart, [](TfrChartEditorForm& f) {
        EXPECT_EQ(f.windowTitle(), QStringLiteral("Диаграмма"));
        ASSERT_EQ(f.tabs()->count(), 3);
        EXPECT_EQ(f.tabs()->tabText(0), QStringLiteral("Тип"));
        EXPECT_EQ(f.tabs()->tabText(1), QStringLiteral("Данные"));
        EXPECT_EQ(f.tabs()->tabText(2), QStringLiteral("Пометки"));
        for (int k = 0; k < 6; ++k)
            EXPECT_FALSE(f.kindButton(TfrChartKind(k))->isChecked()) << k;
        EXPECT_TRUE(f.option(3)->isChecked());
        EXPECT_TRUE(f.markStyleButton(TfrChartMarkStyle::Caption)->isChecked());
        EXPECT_EQ(f.topCountBox()->value(), -2);
        EXPECT_EQ(f.captionObjectEdit()->text(), QStringLiteral("Name"));
        f.option(2)->click();
        ok(f);
    }));
    EXPECT_EQ(chart.settings, expected);
}

TEST_F(ChartEditor, NothingOpensWhenTheContentsMayNotBeEdited) {
    auto& chart = add<TfrChartView>(QStringLiteral("Chart1"));
    chart.restrictions = frrfDontEditContents;
    bool opened = true;
    EXPECT_FALSE(run<TfrChartEditorForm>(frEditChart, chart, [](TfrChartEditorForm& f) { ok(f); }, &opened));
    EXPECT_FALSE(opened);
    EXPECT_TRUE(doc->undoStack().isEmpty());
    // Other classes are not the chart editor's.
    auto memo = engine.createObject(gtMemo);
    EXPECT_FALSE(run<TfrChartEditorForm>(frEditChart, *memo, [](TfrChartEditorForm& f) { ok(f); }, &opened));
    EXPECT_FALSE(opened);
}

TEST_F(ChartEditor, TheDesignerKnowsTheClass) {
    frRegisterProgramAddInEditors();
    const TfrDesignerClassInfo* info = frDesignerClass(TfrChartView::classInfo());
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->hint, QStringLiteral("Вставить диаграмму"));
    EXPECT_FALSE(info->icon.pixmap(16, 16).isNull());
    EXPECT_NE(frDesignerEditor(TfrChartView::classInfo()), nullptr);
    TfrChartEditorForm form(TfrChartSettings{});
    for (int k = 0; k < 6; ++k)
        EXPECT_FALSE(form.kindButton(TfrChartKind(k))->icon().pixmap(16, 16).isNull()) << k;
}

TEST_F(ChartEditor, TheDesignerShowsTheClassAndOpensTheEditorOnTheSelectedChart) {
    frRegisterProgramAddInEditors();
    auto& chart = add<TfrChartView>(QStringLiteral("Chart1"));
    chart.settings.valueObject = QStringLiteral("Sum");
    TfrDesignerForm form(report);
    form.show();
    QAction* tool = form.action(QStringLiteral("tool TfrChartView"));
    ASSERT_NE(tool, nullptr);
    EXPECT_EQ(tool->text(), QStringLiteral("Вставить диаграмму"));
    // A click selects the object, the edit command opens its editor.
    QTest::mouseClick(form.pageArea(), Qt::LeftButton, {}, form.pageOrigin() + QPoint(100, 80));
    ASSERT_TRUE(form.document().isSelected(*report.findObject(QStringLiteral("Chart1"))));
    bool opened = false;
    runWith<TfrChartEditorForm>([&form] { form.action(QStringLiteral("edit"))->trigger(); return true; },
                                [](TfrChartEditorForm& f) {
                                    f.kindButton(TfrChartKind::Bars)->click();
                                    ok(f);
                                },
                                &opened);
    EXPECT_TRUE(opened);
    EXPECT_EQ(chart.settings.kind, TfrChartKind::Bars);
    EXPECT_EQ(form.document().undoStack().count(), 1);
    // Restricted, the edit command opens nothing.
    chart.restrictions = frrfDontEditContents;
    runWith<TfrChartEditorForm>([&form] { form.action(QStringLiteral("edit"))->trigger(); return true; },
                                [](TfrChartEditorForm& f) { ok(f); }, &opened);
    EXPECT_FALSE(opened);
}

} // namespace
