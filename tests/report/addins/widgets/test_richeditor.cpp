// The rich-text editor driven through its tool bar, ruler and text: what OK
// stores (in twips, as templates keep it), what Cancel keeps, the one undo
// entry, files opened and saved from the editor.

#include "editortest.h"

#include "common/textfile.h"
#include "report/addins/richview.h"
#include "report/addins/widgets/addineditors.h"
#include "report/addins/widgets/richeditor.h"
#include "report/designer/designerclasses.h"
#include "report/designer/designerform.h"
#include "report/designer/editorparts.h"
#include "report/memdata/memtablesource.h"
#include "report/model/dataset.h"
#include "report/model/constants.h"
#include "richtext/richedit.h"
#include "richtext/rtfreader.h"
#include "richtext/rtfwriter.h"
#include "table/memtable.h"

#include <QAction>
#include <QComboBox>
#include <QFontComboBox>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QtTest/QTest>

namespace {

using RichEditor = EditorTest;
using Form = TfrRichEditorForm;

// Two paragraphs: "Итог: сумма" and "second line", the first indented by
// half an inch, with spacing, an exact line height and a tab stop.
const char kTwoParagraphs[] = "{\\rtf1\\ansi\\ansicpg1251\\deftab567{\\fonttbl{\\f0 Arial;}}\\f0\\fs20"
                              "\\li720\\sb120\\sa60\\sl-300\\tx2880 "
                              "\\'c8\\'f2\\'ee\\'e3: \\'f1\\'f3\\'ec\\'ec\\'e0\\par\\pard second line}";

void select(Form& f, int from, int to) {
    QTextCursor c(f.editor()->document());
    c.setPosition(from);
    c.setPosition(to, QTextCursor::KeepAnchor);
    f.editor()->setTextCursor(c);
}

void ok(Form& f) { f.action(QStringLiteral("ok"))->trigger(); }

struct Case {
    const char* what;
    std::function<void(Form&)> drive;
    std::function<void(const QTextDocument&)> check; // the object's document after OK
};

TEST_F(RichEditor, OkStoresTheEditedTextWithOneUndoEntry) {
    QString family; // a family the font box offers
    const Case cases[] = {
        {"bold",
         [](Form& f) {
             select(f, 0, 4);
             f.action(QStringLiteral("bold"))->trigger();
         },
         [](const QTextDocument& d) {
             EXPECT_EQ(richtext::charFormatAt(d, 1).fontWeight(), QFont::Bold);
             EXPECT_NE(richtext::charFormatAt(d, 6).fontWeight(), QFont::Bold);
         }},
        {"italic and underline",
         [](Form& f) {
             select(f, 6, 11);
             f.action(QStringLiteral("italic"))->trigger();
             f.action(QStringLiteral("underline"))->trigger();
         },
         [](const QTextDocument& d) {
             EXPECT_TRUE(richtext::charFormatAt(d, 7).fontItalic());
             EXPECT_TRUE(richtext::charFormatAt(d, 7).fontUnderline());
             EXPECT_FALSE(richtext::charFormatAt(d, 2).fontItalic());
         }},
        {"centre and right",
         [](Form& f) {
             select(f, 2, 2);
             f.action(QStringLiteral("center"))->trigger();
             select(f, 14, 14);
             f.action(QStringLiteral("right"))->trigger();
         },
         [](const QTextDocument& d) {
             EXPECT_EQ(d.begin().blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
             EXPECT_TRUE(d.begin().next().blockFormat().alignment() & Qt::AlignRight);
         }},
        {"font size typed",
         [](Form& f) {
             select(f, 0, 11);
             f.sizeBox()->lineEdit()->selectAll();
             QTest::keyClicks(f.sizeBox()->lineEdit(), "14");
             QTest::keyClick(f.sizeBox()->lineEdit(), Qt::Key_Return);
         },
         [](const QTextDocument& d) {
             EXPECT_EQ(richtext::fontPointSize(richtext::charFormatAt(d, 3), d), 14);
             EXPECT_EQ(richtext::fontPointSize(richtext::charFormatAt(d, 13), d), 10);
         }},
        {"font name",
         [&family](Form& f) {
             select(f, 12, 18);
             family = f.fontBox()->itemText(f.fontBox()->count() - 1);
             f.fontBox()->setCurrentFont(QFont(family));
             family = f.fontBox()->currentFont().family();
         },
         [&family](const QTextDocument& d) {
             EXPECT_EQ(richtext::fontFamily(richtext::charFormatAt(d, 13), d), family);
             EXPECT_EQ(richtext::fontFamily(richtext::charFormatAt(d, 2), d), QStringLiteral("Arial"));
         }},
        {"typing and undo",
         [](Form& f) {
             select(f, 11, 11);
             QTest::keyClicks(f.editor(), "xyz");
             f.action(QStringLiteral("undo"))->trigger();
             QTest::keyClicks(f.editor(), "!");
         },
         [](const QTextDocument& d) {
             EXPECT_EQ(richtext::plainText(d), QStringLiteral("Итог: сумма!\nsecond line"));
         }},
        {"bullets on both paragraphs",
         [](Form& f) {
             select(f, 3, 15);
             f.action(QStringLiteral("bullets"))->trigger();
             EXPECT_TRUE(f.action(QStringLiteral("bullets"))->isChecked());
         },
         [](const QTextDocument& d) {
             EXPECT_EQ(richtext::plainText(d), QStringLiteral("\u2022\tИтог: сумма\n\u2022\tsecond line"));
             EXPECT_EQ(d.begin().blockFormat().leftMargin(), 720 + 360);
             EXPECT_EQ(d.begin().blockFormat().textIndent(), -360);
             EXPECT_EQ(d.begin().next().blockFormat().leftMargin(), 360);
         }},
        {"bullets on and off",
         [](Form& f) {
             select(f, 3, 3);
             f.action(QStringLiteral("bullets"))->trigger();
             f.action(QStringLiteral("bullets"))->trigger();
             QTest::keyClicks(f.editor(), "_");
         },
         [](const QTextDocument& d) {
             EXPECT_EQ(richtext::plainText(d), QStringLiteral("Ито_г: сумма\nsecond line"));
             EXPECT_EQ(d.begin().blockFormat().leftMargin(), 720);
             EXPECT_EQ(d.begin().blockFormat().textIndent(), 0);
         }},
        {"expression button and a field",
         [](Form& f) {
             select(f, 6, 11);
             f.askExpression = [] { return std::optional<QString>(QStringLiteral("SUM([Qty])")); };
             f.action(QStringLiteral("expression"))->trigger();
             select(f, 19, 19); // the second paragraph now
             f.insertField(QStringLiteral("DS.\"Name\""));
         },
         [](const QTextDocument& d) {
             EXPECT_EQ(richtext::plainText(d), QStringLiteral("Итог: [SUM([Qty])]\n[DS.\"Name\"]second line"));
         }},
    };
    auto& first = add<TfrRichView>(QStringLiteral("Rich1"));
    first.setDocumentBytes(kTwoParagraphs);
    const QByteArray original = richtext::writeRtf(first.document());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto* rich = frCast<TfrRichView>(report.findObject(QStringLiteral("Rich1")));
        ASSERT_NE(rich, nullptr);
        const int entries = doc->undoStack().count();
        bool opened = false;
        EXPECT_TRUE(run<Form>(frEditRich, *rich,
                              [&](Form& f) {
                                  c.drive(f);
                                  ok(f);
                              },
                              &opened));
        EXPECT_TRUE(opened);
        c.check(rich->document());
        EXPECT_EQ(doc->undoStack().count(), entries + 1);
        // What OK stored is what the template keeps.
        QTextDocument reread;
        richtext::readRtf(richtext::writeRtf(rich->document()), reread);
        EXPECT_EQ(richtext::writeRtf(reread), richtext::writeRtf(rich->document()));
        ASSERT_TRUE(doc->undo());
        rich = frCast<TfrRichView>(report.findObject(QStringLiteral("Rich1")));
        ASSERT_NE(rich, nullptr);
        EXPECT_EQ(richtext::writeRtf(rich->document()), original);
    }
}

TEST_F(RichEditor, ExpressionsAreBracketedOnce) {
    const struct {
        const char16_t* expression;
        const char16_t* inserted;
    } cases[] = {
        {u"SUM([Qty])", u"[SUM([Qty])]"},
        {u"[Qty]", u"[Qty]"},
        {u"[DS.\"Сумма\"]", u"[DS.\"Сумма\"]"},
        {u"[A] + [B]", u"[[A] + [B]]"},
        {u"Date", u"[Date]"},
    };
    auto& rich = add<TfrRichView>(QStringLiteral("Rich1"));
    QTextDocument empty;
    for (const auto& c : cases) {
        Form form(empty, report);
        form.insertExpression(QString::fromUtf16(c.expression));
        EXPECT_EQ(form.editor()->toPlainText(), QString::fromUtf16(c.inserted));
    }
    // By default the button asks the designer's expression builder (answered
    // here by a fake that gives PAGE# and then cancels); a cancelled one
    // inserts nothing.
    const TfrEditorPickers saved = frEditorPickers();
    std::vector<std::optional<QString>> answers = {QStringLiteral("PAGE#"), std::nullopt};
    frEditorPickers().expression = [&answers](TfrReport&, QWidget*) {
        std::optional<QString> answer;
        if (!answers.empty()) {
            answer = answers.front();
            answers.erase(answers.begin());
        }
        return answer;
    };
    Form form(rich.document(), report);
    form.action(QStringLiteral("expression"))->trigger();
    form.action(QStringLiteral("expression"))->trigger();
    frEditorPickers() = saved;
    EXPECT_TRUE(answers.empty());
    EXPECT_EQ(form.editor()->toPlainText(), QStringLiteral("[PAGE#]"));
    EXPECT_FALSE(form.action(QStringLiteral("field"))->isEnabled()) << "the report has no datasets";
}

TEST_F(RichEditor, TheFieldButtonInsertsAReferenceOfTheDictionary) {
    TMemTable table(QStringLiteral("DS"));
    table.addFieldDef(QStringLiteral("Name"), TFieldType::String, 30);
    table.addFieldDef(QStringLiteral("Сумма"), TFieldType::Integer);
    TfrMemTableSource source(table);
    TfrDataRegistry registry;
    registry.addTable(&source);
    report.setDataRegistry(&registry);
    QTextDocument empty;
    Form form(empty, report);
    EXPECT_EQ(form.fieldReferences(), QStringList({"DS.\"Name\"", "DS.\"Сумма\""}));
    QAction* field = form.action(QStringLiteral("field"));
    ASSERT_TRUE(field->isEnabled());
    form.askField = [&form] { return std::optional<QString>(form.fieldReferences().value(1)); };
    field->trigger();
    form.askField = [] { return std::optional<QString>(); };
    field->trigger();
    EXPECT_EQ(form.editor()->toPlainText(), QStringLiteral("[DS.\"Сумма\"]"));
}

TEST_F(RichEditor, TheRulerSetsTheIndentsInTwips) {
    const struct {
        TfrRichRuler::Marker marker;
        int dx;
        double textIndent, left, right; // twips
    } cases[] = {
        {TfrRichRuler::Left, 24, 0, 720 + 360, 0},
        {TfrRichRuler::Left, -100, 0, 0, 0},
        {TfrRichRuler::FirstLine, 48, 720, 720, 0},
        {TfrRichRuler::FirstLine, -24, -360, 720, 0},
        {TfrRichRuler::Right, -48, 0, 720, 720},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "marker " << c.marker << " by " << c.dx);
        report.pages().page(0)->clear();
        auto& rich = add<TfrRichView>(QStringLiteral("Rich1"));
        rich.setDocumentBytes(kTwoParagraphs);
        double tpp = 0;
        EXPECT_TRUE(run<Form>(frEditRich, rich, [&](Form& f) {
            tpp = f.twipsPerPixel();
            select(f, 2, 2);
            TfrRichRuler* ruler = f.ruler();
            EXPECT_DOUBLE_EQ(ruler->leftIndent() * tpp, 720) << "shown in pixels";
            const QPoint from = ruler->markerPoint(c.marker);
            const QPoint to = from + QPoint(int(std::lround(c.dx * 15 / tpp)), 0);
            QTest::mousePress(ruler, Qt::LeftButton, {}, from);
            QTest::mouseMove(ruler, (from + to) / 2);
            QTest::mouseMove(ruler, to);
            QTest::mouseRelease(ruler, Qt::LeftButton, {}, to);
            ok(f);
        }));
        ASSERT_GT(tpp, 0);
        const QTextBlockFormat b = rich.document().begin().blockFormat();
        EXPECT_NEAR(b.textIndent(), c.textIndent, tpp);
        EXPECT_NEAR(b.leftMargin(), c.left, tpp);
        EXPECT_NEAR(b.rightMargin(), c.right, tpp);
        // The second paragraph was not touched.
        EXPECT_EQ(rich.document().begin().next().blockFormat().leftMargin(), 0);
    }
}

TEST_F(RichEditor, CancelAndUnchangedTextsChangeNothing) {
    auto& rich = add<TfrRichView>(QStringLiteral("Rich1"));
    rich.setDocumentBytes(kTwoParagraphs);
    const QByteArray before = richtext::writeRtf(rich.document());
    EXPECT_FALSE(run<Form>(frEditRich, rich, [](Form& f) {
        select(f, 0, 4);
        f.action(QStringLiteral("bold"))->trigger();
        QTest::keyClicks(f.editor(), "abc");
        f.action(QStringLiteral("cancel"))->trigger();
    }));
    EXPECT_FALSE(run<Form>(frEditRich, rich, [](Form& f) { QTest::keyClick(f.editor(), Qt::Key_Escape); }));
    // Shown and stored again without a change: nothing to undo.
    EXPECT_FALSE(run<Form>(frEditRich, rich, [](Form& f) {
        // Shown at screen resolution.
        const double tpp = f.twipsPerPixel();
        const QTextDocument& shown = *f.editor()->document();
        const QTextBlockFormat b = shown.begin().blockFormat();
        EXPECT_DOUBLE_EQ(b.leftMargin() * tpp, 720);
        EXPECT_DOUBLE_EQ(b.topMargin() * tpp, 120);
        EXPECT_DOUBLE_EQ(b.bottomMargin() * tpp, 60);
        EXPECT_DOUBLE_EQ(b.lineHeight() * tpp, 300);
        EXPECT_EQ(b.lineHeightType(), QTextBlockFormat::FixedHeight);
        ASSERT_EQ(b.tabPositions().size(), 1);
        EXPECT_DOUBLE_EQ(b.tabPositions()[0].position * tpp, 2880);
        EXPECT_DOUBLE_EQ(shown.defaultTextOption().tabStopDistance() * tpp, 567);
        ok(f);
    }));
    EXPECT_EQ(richtext::writeRtf(rich.document()), before);
    EXPECT_TRUE(doc->undoStack().isEmpty());
    EXPECT_FALSE(doc->modified());
}

TEST_F(RichEditor, NothingOpensWhenTheContentsMayNotBeEdited) {
    auto& rich = add<TfrRichView>(QStringLiteral("Rich1"));
    rich.restrictions = frrfDontEditContents;
    bool opened = true;
    EXPECT_FALSE(run<Form>(frEditRich, rich, [](Form& f) { ok(f); }, &opened));
    EXPECT_FALSE(opened);
    EXPECT_TRUE(doc->undoStack().isEmpty());
}

TEST_F(RichEditor, FilesOpenedAndSaved) {
    QTemporaryDir dir;
    const QString good = dir.filePath(QStringLiteral("good.rtf"));
    textfile::writeAtomically(good,
                              "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fi-360\\li1440 \\b bold\\b0  plain\\par}");
    const QString cut = dir.filePath(QStringLiteral("cut.rtf"));
    textfile::writeAtomically(cut, "{\\rtf1\\ansi{\\b never closed");
    const QString plain = dir.filePath(QStringLiteral("plain.txt"));
    textfile::writeAtomically(plain, "\xcf\xf0\xe8\xe2\xe5\xf2\r\nline"); // cp1251

    auto& rich = add<TfrRichView>(QStringLiteral("Rich1"));
    rich.setDocumentBytes(kTwoParagraphs);
    const struct {
        QString file;
        bool loads;
        QString text; // the editor's text afterwards
    } cases[] = {
        {good, true, QStringLiteral("bold plain")},
        {plain, true, QStringLiteral("Привет\nline")},
        {cut, false, QStringLiteral("Итог: сумма\nsecond line")},
        {dir.path(), false, QStringLiteral("Итог: сумма\nsecond line")}, // a folder is no file
        {dir.filePath(QStringLiteral("missing.rtf")), false, QStringLiteral("Итог: сумма\nsecond line")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file.toStdString());
        ui.messages.clear();
        Form form(rich.document(), report);
        EXPECT_EQ(form.loadFile(c.file), c.loads);
        EXPECT_EQ(form.editor()->toPlainText().replace(QChar::ParagraphSeparator, u'\n'), c.text);
        EXPECT_EQ(ui.messages.size(), c.loads ? 0u : 1u);
    }

    // Opened from a file and stored: the indents come back in twips.
    EXPECT_TRUE(run<Form>(frEditRich, rich, [&](Form& f) {
        ASSERT_TRUE(f.loadFile(good));
        ok(f);
    }));
    const QTextDocument& d = rich.document();
    EXPECT_EQ(richtext::plainText(d), QStringLiteral("bold plain"));
    EXPECT_EQ(richtext::charFormatAt(d, 1).fontWeight(), QFont::Bold);
    EXPECT_EQ(d.begin().blockFormat().leftMargin(), 1440);
    EXPECT_EQ(d.begin().blockFormat().textIndent(), -360);
    EXPECT_EQ(doc->undoStack().count(), 1);

    // Saved from the editor: what the RTF reader reads back, in twips.
    const QString saved = dir.filePath(QStringLiteral("saved.rtf"));
    {
        Form form(rich.document(), report);
        ASSERT_TRUE(form.saveFile(saved));
    }
    QTextDocument back;
    richtext::readRtf(textfile::readFile(saved, richtext::MaxRtfSize), back);
    EXPECT_EQ(richtext::writeRtf(back), richtext::writeRtf(d));
    // A folder in the way is reported and left alone.
    ui.messages.clear();
    Form form(rich.document(), report);
    EXPECT_FALSE(form.saveFile(dir.path()));
    EXPECT_EQ(ui.messages.size(), 1u);
}

TEST_F(RichEditor, TheDesignerKnowsTheClass) {
    frRegisterProgramAddInEditors();
    const TfrDesignerClassInfo* info = frDesignerClass(TfrRichView::classInfo());
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->hint, QStringLiteral("Вставить RichText объект"));
    EXPECT_FALSE(info->icon.pixmap(16, 16).isNull());
    EXPECT_NE(frDesignerEditor(TfrRichView::classInfo()), nullptr);
    QTextDocument empty;
    Form form(empty, report);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Rich Edit "));
    for (const char* name : {"open", "save", "undo", "bold", "italic", "underline", "left", "center", "right",
                             "bullets", "expression", "field"}) {
        QAction* a = form.action(QString::fromLatin1(name));
        ASSERT_NE(a, nullptr) << name;
        EXPECT_FALSE(a->icon().pixmap(16, 16).isNull()) << name;
    }
}

// "Только текст" takes the opposite of the first selected rich-text object's
// TextOnly to every selected one that may change, leaving memos and
// restricted objects alone, as one undo entry.
TEST_F(RichEditor, TextOnlyIsToggledOnTheSelectionAsOneChange) {
    TfrRichView& first = add<TfrRichView>("Rich1");
    TfrRichView& second = add<TfrRichView>("Rich2");
    TfrRichView& locked = add<TfrRichView>("Rich3");
    TfrMemoView& memo = add<TfrMemoView>("Memo1");
    second.setFlag(frflags::TextOnly, true);
    locked.restrictions = frrfDontModify;
    frRegisterProgramAddInEditors();
    const TfrDesignerClassInfo* info = frDesignerClass(TfrRichView::classInfo());
    ASSERT_NE(info, nullptr);
    ASSERT_EQ(info->menuEntries.size(), 1u);
    EXPECT_EQ(info->menuEntries[0].caption, QStringLiteral("Только текст"));

    EXPECT_FALSE(frToggleRichTextOnly(*doc)); // nothing selected
    doc->clickObject(memo, false);
    EXPECT_FALSE(frToggleRichTextOnly(*doc));
    EXPECT_FALSE(doc->undo());
    doc->selectAll();
    const std::uint16_t memoFlags = memo.flags;
    EXPECT_FALSE(info->menuEntries[0].checked(first));
    info->menuEntries[0].run(*doc);
    EXPECT_TRUE(first.flag(frflags::TextOnly));
    EXPECT_TRUE(second.flag(frflags::TextOnly));
    EXPECT_FALSE(locked.flag(frflags::TextOnly));
    EXPECT_EQ(memo.flags, memoFlags);
    ASSERT_TRUE(frToggleRichTextOnly(*doc)); // and off again
    EXPECT_FALSE(first.flag(frflags::TextOnly));
    EXPECT_FALSE(second.flag(frflags::TextOnly));
    // Undo brings the objects back from their records.
    auto textOnly = [&](const char* name) { return report.findObject(name)->flag(frflags::TextOnly); };
    ASSERT_TRUE(doc->undo());
    EXPECT_TRUE(textOnly("Rich1"));
    EXPECT_TRUE(textOnly("Rich2"));
    ASSERT_TRUE(doc->undo());
    EXPECT_FALSE(textOnly("Rich1"));
    EXPECT_TRUE(textOnly("Rich2"));
    EXPECT_FALSE(doc->undo());
}

TEST_F(RichEditor, TheDesignerShowsTheClassAndOpensTheEditorOnTheSelectedObject) {
    frRegisterProgramAddInEditors();
    auto& rich = add<TfrRichView>(QStringLiteral("Rich1"));
    rich.setDocumentBytes(kTwoParagraphs);
    TfrDesignerForm form(report);
    form.show();
    QAction* tool = form.action(QStringLiteral("tool TfrRichView"));
    ASSERT_NE(tool, nullptr);
    EXPECT_EQ(tool->text(), QStringLiteral("Вставить RichText объект"));
    // A click selects the object, the edit command opens its editor.
    QTest::mouseClick(form.pageArea(), Qt::LeftButton, {}, form.pageOrigin() + QPoint(100, 80));
    ASSERT_TRUE(form.document().isSelected(*report.findObject(QStringLiteral("Rich1"))));
    bool opened = false;
    runWith<Form>([&form] { form.action(QStringLiteral("edit"))->trigger(); return true; },
                  [](Form& f) {
                      select(f, 0, 0);
                      QTest::keyClicks(f.editor(), "A");
                      ok(f);
                  },
                  &opened);
    EXPECT_TRUE(opened);
    EXPECT_EQ(richtext::plainText(rich.document()), QStringLiteral("AИтог: сумма\nsecond line"));
    EXPECT_EQ(form.document().undoStack().count(), 1);

    // The page's context menu offers "Только текст" for it, unchecked.
    bool offered = false, checked = true;
    QTimer timer;
    timer.setInterval(0);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu)
            return;
        timer.stop();
        for (QAction* a : menu->actions())
            if (a->text() == QStringLiteral("Только текст")) {
                offered = true;
                checked = a->isChecked();
                a->trigger();
            }
        menu->close();
    });
    timer.start();
    const QPoint at = form.pageOrigin() + QPoint(100, 80);
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, form.pageArea()->mapToGlobal(at));
    QApplication::sendEvent(form.pageArea(), &event);
    EXPECT_TRUE(offered);
    EXPECT_FALSE(checked);
    EXPECT_TRUE(report.findObject(QStringLiteral("Rich1"))->flag(frflags::TextOnly));
    EXPECT_EQ(form.document().undoStack().count(), 2);
}

} // namespace
