#include "report/designer/designerinspector.h"

#include "designerfixture.h"
#include "report/design/designdoc.h"
#include "report/designer/editorparts.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>

namespace {

class Inspector : public DesignerTest {
protected:
    template <class W>
    W* editor(TfrDesignerForm& form, const char* property) {
        QWidget* w = form.inspector()->valueEditor(QString::fromLatin1(property));
        if (w && !qobject_cast<W*>(w))
            w = w->findChild<W*>(QString::fromLatin1(property));
        return qobject_cast<W*>(w);
    }
    static void enter(QLineEdit* line, const QString& text, int key = Qt::Key_Return) {
        line->setFocus();
        line->selectAll();
        QTest::keyClicks(line, text);
        QTest::keyClick(line, Qt::Key(key));
    }
};

TEST_F(Inspector, F11ShowsTheSelectionAndAValueEnteredIsOneUndoEntry) {
    TfrMemoView& m = memo(QStringLiteral("Memo1"), 10, 10, 36, 18, QStringLiteral("text"));
    auto form = open();
    TfrDesignDocument& doc = form->document();
    doc.settings().units = TfrUnits::Millimetres;
    ASSERT_TRUE(doc.selectNames({QStringLiteral("Memo1")}));
    form->action(QStringLiteral("inspector"))->trigger();
    EXPECT_TRUE(form->inspector()->isVisible());
    EXPECT_EQ(form->inspector()->table()->item(0, 0)->text(), QStringLiteral("Name"));

    QLineEdit* width = editor<QLineEdit>(*form, "Width");
    ASSERT_NE(width, nullptr);
    EXPECT_EQ(width->text(), QStringLiteral("10.00"));
    const int entries = doc.undoStack().count();
    enter(width, QStringLiteral("5"));
    EXPECT_EQ(m.width, 18);
    EXPECT_EQ(doc.undoStack().count(), entries + 1);
    EXPECT_TRUE(doc.modified());
    EXPECT_EQ(width->text(), QStringLiteral("5.00"));

    // Esc puts the value back and changes nothing, leaving the line included.
    enter(width, QStringLiteral("7"), Qt::Key_Escape);
    EXPECT_EQ(width->text(), QStringLiteral("5.00"));
    form->inspector()->table()->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(m.width, 18);
    EXPECT_EQ(doc.undoStack().count(), entries + 1);

    // A text that is no length is refused with a message.
    enter(width, QStringLiteral("wide"));
    EXPECT_EQ(m.width, 18);
    EXPECT_EQ(width->text(), QStringLiteral("5.00"));
    EXPECT_FALSE(ui.messages.empty());

    // Changes made elsewhere show at once.
    ASSERT_TRUE(form->runCommand(QStringLiteral("set Memo1.Width=36")));
    EXPECT_EQ(width->text(), QStringLiteral("10.00"));

    QComboBox* style = editor<QComboBox>(*form, "FrameStyle");
    ASSERT_NE(style, nullptr);
    style->setCurrentIndex(3);
    emit style->activated(3);
    EXPECT_EQ(m.frameStyle, 3);
    QComboBox* fill = editor<QComboBox>(*form, "FillColor");
    ASSERT_NE(fill, nullptr);
    fill->lineEdit()->setFocus();
    fill->lineEdit()->selectAll();
    QTest::keyClicks(fill->lineEdit(), QStringLiteral("$00FF80"));
    QTest::keyClick(fill->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(m.fillColor, 0x00FF80u);
}

TEST_F(Inspector, SeveralObjectsShareTheirPropertiesAndNamesMayBeRussian) {
    memo(QStringLiteral("Memo1"), 10, 10, 36, 18, QStringLiteral("a"));
    memo(QStringLiteral("Memo2"), 10, 40, 72, 18, QStringLiteral("b"));
    auto form = open();
    TfrDesignDocument& doc = form->document();
    ASSERT_TRUE(doc.selectNames({QStringLiteral("Memo1"), QStringLiteral("Memo2")}));
    form->refresh();
    EXPECT_EQ(form->inspector()->valueEditor(QStringLiteral("Name")), nullptr);
    QLineEdit* width = editor<QLineEdit>(*form, "Width");
    ASSERT_NE(width, nullptr);
    EXPECT_TRUE(width->text().isEmpty());
    const int entries = doc.undoStack().count();
    enter(width, QStringLiteral("50"));
    EXPECT_EQ(report.findObject(QStringLiteral("Memo1"))->width, 50);
    EXPECT_EQ(report.findObject(QStringLiteral("Memo2"))->width, 50);
    EXPECT_EQ(doc.undoStack().count(), entries + 1);

    doc.settings().localizedPropNames = true;
    form->refresh();
    const QTableWidget* table = form->inspector()->table();
    QStringList captions;
    for (int r = 0; r < table->rowCount(); ++r)
        captions << table->item(r, 0)->text();
    EXPECT_TRUE(captions.contains(QStringLiteral("Ширина")));
    EXPECT_FALSE(captions.contains(QStringLiteral("Width")));

    doc.clearSelection();
    form->refresh();
    EXPECT_EQ(table->rowCount(), 0);
}

} // namespace

namespace {

// The edit button of a property opens that property's own editor (here the
// font of a text): a change is one undo entry, a cancelled question changes
// nothing.
TEST_F(Inspector, PropertyButtonsOpenThePropertysOwnEditor) {
    TfrMemoView& m = memo(QStringLiteral("Memo1"), 10, 10, 36, 18, QStringLiteral("text"));
    const TfrEditorPickers saved = frEditorPickers();
    std::optional<TfrFont> font;
    frEditorPickers().font = [&font](const TfrFont&, QWidget*) { return font; };
    auto form = open();
    TfrDesignDocument& doc = form->document();
    ASSERT_TRUE(doc.selectNames({QStringLiteral("Memo1")}));
    form->action(QStringLiteral("inspector"))->trigger();
    auto button = [&form](const char* property) {
        return form->inspector()->findChild<QToolButton*>(QString::fromLatin1(property) + QStringLiteral("Editor"));
    };
    ASSERT_NE(button("Font"), nullptr);
    EXPECT_EQ(editor<QLineEdit>(*form, "Font")->text(), QStringLiteral("Arial"));
    const int entries = doc.undoStack().count();
    button("Font")->click(); // cancelled
    EXPECT_EQ(doc.undoStack().count(), entries);
    font = m.font;
    font->name = QStringLiteral("Courier New");
    font->style = fsBold;
    button("Font")->click();
    EXPECT_EQ(m.font.name, QStringLiteral("Courier New"));
    EXPECT_EQ(m.font.style, fsBold);
    EXPECT_EQ(doc.undoStack().count(), entries + 1);
    EXPECT_EQ(editor<QLineEdit>(*form, "Font")->text(), QStringLiteral("Courier New"));

    frEditorPickers() = saved;
}

} // namespace
