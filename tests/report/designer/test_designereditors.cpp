// The built-in editors' windows: each opened through the designer's
// registry, changed and confirmed (one undo entry), or changed and cancelled
// (nothing changes).

#include "report/designer/designereditors.h"

#include "designerfixture.h"
#include "report/design/designdoc.h"
#include "report/designer/designerclasses.h"
#include "report/designer/editorparts.h"
#include "report/model/dataset.h"

#include <QAction>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTimer>
#include <QToolButton>

namespace {

class Editors : public DesignerTest {
protected:
    Editors() : saved(frEditorPickers()) {
        // The registry is the process's: what the cases register goes again
        // when they end, so that later cases of the program open no editor.
        for (const TfrObjectClass* cls : classes())
            if (const TfrDesignerClassInfo* info = frDesignerClass(*cls))
                savedClasses.emplace_back(cls, *info);
        frRegisterBuiltInEditors();
        engine.dataRegistry().addDataset(&frDS);
        doc = std::make_unique<TfrDesignDocument>(report, true);
        TfrEditorPickers& p = frEditorPickers();
        p.expression = [this](TfrReport&, QWidget*) { return expression; };
        p.field = [this](TfrReport&, QWidget*) { return field; };
        p.color = [this](TfrColor, QWidget*) { return color; };
        p.openFile = [this](QWidget*, const QString&, const QString& filter) {
            offeredFilter = filter;
            return openFile;
        };
    }
    ~Editors() override {
        frEditorPickers() = saved;
        for (const TfrObjectClass* cls : classes())
            frRegisterDesignerClass(*cls, TfrDesignerClassInfo());
        for (const auto& [cls, info] : savedClasses)
            frRegisterDesignerClass(*cls, info);
        frRegisterPropertyEditor(QStringLiteral("DisplayFormat"), {});
        frRegisterPropertyEditor(QStringLiteral("Highlight"), {}, &TfrMemoView::classInfo());
        frRegisterPropertyEditor(QStringLiteral("OnBeforePrint"), {}, &TfrBandView::classInfo());
    }
    static std::vector<const TfrObjectClass*> classes() {
        return {&TfrMemoView::classInfo(), &TfrPictureView::classInfo(), &TfrBandView::classInfo()};
    }

    struct Run {
        bool changed = false;
        bool opened = false;
    };
    // Opens `editor` on the object and runs `drive` on its window; a window
    // the drive leaves open is cancelled.
    Run run(const TfrDesignerEditor* editor, TfrView& view, std::function<void(QDialog&)> drive) {
        EXPECT_NE(editor, nullptr);
        if (!editor)
            return {};
        Run r;
        QTimer* timer = whenDialog([&r, drive](QDialog& d) {
            r.opened = true;
            drive(d);
            if (d.isVisible())
                d.reject();
        });
        r.changed = (*editor)(*doc, view, nullptr);
        // Nothing opened: the timer must not answer a later case's window.
        if (!r.opened)
            delete timer;
        return r;
    }
    // Runs `drive` on the next modal dialog once it is shown (given up after
    // ten seconds); the timer deletes itself once it found one or gave up.
    static QTimer* whenDialog(std::function<void(QDialog&)> drive) {
        auto* timer = new QTimer;
        timer->setInterval(10);
        auto ticks = std::make_shared<int>(0);
        QObject::connect(timer, &QTimer::timeout, [timer, drive, ticks] {
            auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (modal || ++*ticks > 1000) {
                timer->stop();
                timer->deleteLater();
                if (modal)
                    drive(*modal);
            }
        });
        timer->start();
        return timer;
    }
    Run edit(TfrView& view, std::function<void(QDialog&)> drive) {
        return run(frDesignerEditor(view.objectClass()), view, std::move(drive));
    }
    Run editProperty(TfrView& view, const char* property, std::function<void(QDialog&)> drive) {
        return run(frDesignerPropertyEditor(view.objectClass(), QString::fromLatin1(property)), view, std::move(drive));
    }

    template <class W> static W* child(QWidget& w, const char* name) {
        W* c = w.findChild<W*>(QString::fromLatin1(name));
        EXPECT_NE(c, nullptr) << name;
        return c;
    }
    static void ok(QDialog& d) { d.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click(); }
    static void cancel(QDialog& d) { d.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->click(); }
    static void choose(QListWidget* list, const QString& text) {
        const auto found = list->findItems(text, Qt::MatchExactly);
        ASSERT_FALSE(found.isEmpty()) << text.toStdString();
        list->setCurrentItem(found.first());
    }
    int undoCount() const { return doc->undoStack().count(); }

    TfrEditorPickers saved;
    std::vector<std::pair<const TfrObjectClass*, TfrDesignerClassInfo>> savedClasses;
    std::optional<QString> expression;
    std::optional<QString> field;
    std::optional<TfrColor> color;
    QString openFile, offeredFilter;
    TfrDataset frDS{QStringLiteral("frDS")};
    std::unique_ptr<TfrDesignDocument> doc;
};

// ---------------------------------------------------------------- text editor

TEST_F(Editors, TextEditorStoresTextAndLeavesTheUntouchedScriptEmpty) {
    TfrMemoView& m = memo(QStringLiteral("Memo1"), 10, 10, 100, 20, QStringLiteral("old"));
    m.font.name = QStringLiteral("Times New Roman");
    m.font.size = 14;
    Run r = edit(m, [](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), QStringLiteral("Редактор текста"));
        auto* text = child<QPlainTextEdit>(d, "Memo");
        auto* script = child<QPlainTextEdit>(d, "Script");
        // The memo's own font name at size 10.
        EXPECT_EQ(text->font().family(), QStringLiteral("Times New Roman"));
        EXPECT_EQ(text->font().pointSize(), 10);
        EXPECT_EQ(script->toPlainText(), QStringLiteral("begin\n\nend"));
        text->setPlainText(QStringLiteral("Итого:\n[SUM([Qty])]"));
        ok(d);
    });
    EXPECT_TRUE(r.opened);
    EXPECT_TRUE(r.changed);
    EXPECT_EQ(m.memo, (QStringList{QStringLiteral("Итого:"), QStringLiteral("[SUM([Qty])]")}));
    EXPECT_TRUE(m.script.isEmpty());
    EXPECT_EQ(undoCount(), 1);
    EXPECT_TRUE(doc->modified());

    r = edit(m, [](QDialog& d) {
        child<QPlainTextEdit>(d, "Memo")->setPlainText(QStringLiteral("thrown away"));
        child<QPlainTextEdit>(d, "Script")->setPlainText(QStringLiteral("Memo1.Visible := False"));
        cancel(d);
    });
    EXPECT_TRUE(r.opened);
    EXPECT_FALSE(r.changed);
    EXPECT_EQ(m.memo, (QStringList{QStringLiteral("Итого:"), QStringLiteral("[SUM([Qty])]")}));
    EXPECT_TRUE(m.script.isEmpty());
    EXPECT_EQ(undoCount(), 1);
}

// With syntax highlighting the editor offers the tag dialog; the tag entered
// there is stored with the text on OK (one undo entry) and dropped on Cancel.
TEST_F(Editors, TheHighlightingEditorTakesTheTagWithItsOk) {
    TfrMemoView& m = memo(QStringLiteral("Memo1"), 10, 10, 100, 20, QStringLiteral("text"));
    doc->settings().syntaxHighlight = true;
    // Answers the tag dialog opened over the editor `over`.
    auto enterTag = [](QDialog& over, const QString& tag) {
        auto* timer = new QTimer;
        timer->setInterval(10);
        QObject::connect(timer, &QTimer::timeout, [timer, &over, tag] {
            auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!modal || modal == &over)
                return;
            timer->stop();
            timer->deleteLater();
            EXPECT_EQ(modal->windowTitle(), QStringLiteral("Тэг объекта"));
            child<QLineEdit>(*modal, "Tag")->setText(tag);
            ok(*modal);
        });
        timer->start();
        child<QPushButton>(over, "Tag")->click();
    };
    for (const bool confirm : {false, true}) {
        SCOPED_TRACE(confirm);
        Run r = edit(m, [&](QDialog& d) {
            enterTag(d, QStringLiteral("[PAGE#]"));
            confirm ? ok(d) : cancel(d);
        });
        EXPECT_TRUE(r.opened);
        EXPECT_EQ(r.changed, confirm);
        EXPECT_EQ(m.tag, confirm ? QStringLiteral("[PAGE#]") : QString());
        EXPECT_EQ(m.memo, QStringList{QStringLiteral("text")});
        EXPECT_EQ(undoCount(), confirm ? 1 : 0);
    }
}

TEST_F(Editors, ASyntaxErrorKeepsTheTextEditorOpenAtTheErrorUntilCtrlEnterConfirmsAFix) {
    TfrMemoView& m = memo(QStringLiteral("Memo1"), 10, 10, 100, 20, QStringLiteral("old"));
    bool stayedOpen = false;
    const Run r = edit(m, [&](QDialog& d) {
        auto* script = child<QPlainTextEdit>(d, "Script");
        child<QPlainTextEdit>(d, "Memo")->setPlainText(QStringLiteral("new"));
        script->setPlainText(QStringLiteral("begin\n  a := 1 b := 2\nend"));
        ok(d);
        stayedOpen = d.isVisible();
        EXPECT_EQ(child<QLabel>(d, "Error")->text(), QStringLiteral("Line 2/9: Need \";\" or \"end\" here"));
        EXPECT_EQ(script->textCursor().block().blockNumber(), 1);
        EXPECT_EQ(script->textCursor().positionInBlock(), 8);
        EXPECT_EQ(m.memo, QStringList{QStringLiteral("old")});
        EXPECT_EQ(undoCount(), 0);
        // The caret stands where the separator belongs.
        QTextCursor c = script->textCursor();
        c.insertText(QStringLiteral(";"));
        QTest::keyClick(script, Qt::Key_Return, Qt::ControlModifier);
    });
    EXPECT_TRUE(stayedOpen);
    EXPECT_TRUE(r.changed);
    EXPECT_EQ(m.memo, QStringList{QStringLiteral("new")});
    EXPECT_EQ(m.script, (QStringList{QStringLiteral("begin"), QStringLiteral("  a := 1; b := 2"), QStringLiteral("end")}));
    EXPECT_EQ(undoCount(), 1);
}

TEST_F(Editors, TextEditorInsertsFieldsAndExpressionsAtTheCaretOfTheActivePane) {
    TfrMemoView& m = memo(QStringLiteral("Memo1"), 10, 10, 100, 20, QString());
    m.memo.clear();
    field = QStringLiteral("DS.\"Name\"");
    expression = QStringLiteral("[A] + [B]");
    const Run r = edit(m, [](QDialog& d) {
        auto* text = child<QPlainTextEdit>(d, "Memo");
        text->setFocus();
        QTest::keyClick(text, Qt::Key_Insert);
        child<QPushButton>(d, "InsertExpression")->click();
        ok(d);
    });
    EXPECT_TRUE(r.changed);
    EXPECT_EQ(m.memo, QStringList{QStringLiteral("[DS.\"Name\"][[A] + [B]]")});
}

TEST_F(Editors, RestrictedPanesAreReadOnlyAndBandsShowOnlyTheirScript) {
    TfrMemoView& m = memo(QStringLiteral("Memo1"), 10, 10, 100, 20, QStringLiteral("fixed"));
    m.restrictions = frrfDontEditMemo;
    field = QStringLiteral("DS.\"Name\"");
    Run r = edit(m, [](QDialog& d) {
        auto* text = child<QPlainTextEdit>(d, "Memo");
        EXPECT_TRUE(text->isReadOnly());
        EXPECT_FALSE(child<QPlainTextEdit>(d, "Script")->isReadOnly());
        text->setFocus();
        QTest::keyClick(text, Qt::Key_Insert);
        ok(d);
    });
    EXPECT_FALSE(r.changed);
    EXPECT_EQ(m.memo, QStringList{QStringLiteral("fixed")});
    // Contents that may not be edited open no editor at all.
    m.restrictions = frrfDontEditContents;
    r = edit(m, [](QDialog& d) { ok(d); });
    EXPECT_FALSE(r.opened);

    TfrBandView& b = band(QStringLiteral("PageHeader1"), btPageHeader, 0, 40);
    b.script = QStringList{QStringLiteral("NewPage")};
    r = run(frDesignerPropertyEditor(b.objectClass(), QStringLiteral("OnBeforePrint")), b, [](QDialog& d) {
        EXPECT_EQ(d.findChild<QPlainTextEdit*>(QStringLiteral("Memo")), nullptr);
        auto* script = child<QPlainTextEdit>(d, "Script");
        EXPECT_EQ(script->toPlainText(), QStringLiteral("NewPage"));
        script->setPlainText(QStringLiteral("begin\nend"));
        ok(d);
    });
    EXPECT_TRUE(r.changed);
    EXPECT_EQ(b.script, (QStringList{QStringLiteral("begin"), QStringLiteral("end")}));
    EXPECT_EQ(undoCount(), 1);
}

TEST_F(Editors, TextEditorKeepsTheHeightOfItsTextPane) {
    TfrMemoView& m = memo(QStringLiteral("Memo1"), 10, 10, 100, 20, QStringLiteral("x"));
    doc->settings().splitterPos = 140;
    int shown = 0, left = 0;
    edit(m, [&](QDialog& d) {
        auto* splitter = child<QSplitter>(d, "Splitter");
        shown = splitter->sizes().value(0);
        splitter->setSizes({90, 200});
        left = splitter->sizes().value(0);
        cancel(d);
    });
    EXPECT_EQ(shown, 140);
    EXPECT_EQ(doc->settings().splitterPos, left);
    EXPECT_NE(left, 140);
}

// ---------------------------------------------------------------- picture

TEST_F(Editors, PictureEditorLoadsADecodablePictureAndRefusesADamagedOne) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString good = dir.filePath(QStringLiteral("red.bmp"));
    QImage image(4, 3, QImage::Format_RGB32);
    image.fill(Qt::red);
    ASSERT_TRUE(image.save(good, "BMP"));
    const QString damaged = dir.filePath(QStringLiteral("bad.bmp"));
    {
        QFile f(damaged);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("BM not really");
    }
    auto v = engine.createObject(gtPicture);
    v->setName(QStringLiteral("Picture1"));
    auto& pic = static_cast<TfrPictureView&>(*report.pages().page(0)->add(std::move(v)));

    Run r = edit(pic, [&](QDialog& d) {
        openFile = good;
        child<QPushButton>(d, "Load")->click();
        ok(d);
    });
    EXPECT_TRUE(offeredFilter.contains(QStringLiteral("*.wmf")));
    EXPECT_TRUE(r.changed);
    EXPECT_EQ(pic.picture.kind, TfrPicture::Bitmap);
    EXPECT_EQ(pic.picture.image.size(), QSize(4, 3));
    EXPECT_EQ(undoCount(), 1);

    // A damaged file is refused with a message; the picture stays.
    r = edit(pic, [&](QDialog& d) {
        openFile = damaged;
        child<QPushButton>(d, "Load")->click();
        ok(d);
    });
    EXPECT_FALSE(r.changed);
    EXPECT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(pic.picture.image.size(), QSize(4, 3));

    r = edit(pic, [](QDialog& d) {
        child<QPushButton>(d, "Clear")->click();
        cancel(d);
    });
    EXPECT_FALSE(r.changed);
    EXPECT_FALSE(pic.picture.isEmpty());
    r = edit(pic, [](QDialog& d) {
        child<QPushButton>(d, "Clear")->click();
        ok(d);
    });
    EXPECT_TRUE(r.changed);
    EXPECT_TRUE(pic.picture.isEmpty());
    EXPECT_EQ(undoCount(), 2);
}

// ---------------------------------------------------------------- bands

TEST_F(Editors, DataBandWithARecordCountOpensVirtualAndStoresNone) {
    TfrBandView& b = band(QStringLiteral("MasterData1"), btMasterData, 100, 20);
    b.setDataSourceName(QStringLiteral("5"));
    Run r = edit(b, [](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), QStringLiteral("Источник данных"));
        auto* list = child<QListWidget>(d, "Sources");
        auto* count = child<QSpinBox>(d, "Count");
        EXPECT_EQ(list->currentItem()->text(), QStringLiteral("Виртуальный"));
        EXPECT_EQ(count->value(), 5);
        EXPECT_TRUE(count->isEnabled());
        choose(list, QStringLiteral("[Нет]"));
        EXPECT_FALSE(count->isEnabled());
        ok(d);
    });
    EXPECT_TRUE(r.changed);
    EXPECT_EQ(b.dataSourceName(), QStringLiteral("[Нет]"));
    EXPECT_EQ(undoCount(), 1);

    r = edit(b, [](QDialog& d) {
        auto* list = child<QListWidget>(d, "Sources");
        EXPECT_EQ(list->currentItem()->text(), QStringLiteral("[Нет]"));
        choose(list, QStringLiteral("frDS"));
        cancel(d);
    });
    EXPECT_FALSE(r.changed);
    EXPECT_EQ(b.dataSourceName(), QStringLiteral("[Нет]"));

    // A double click on an entry confirms.
    r = edit(b, [](QDialog& d) {
        auto* list = child<QListWidget>(d, "Sources");
        QListWidgetItem* item = list->findItems(QStringLiteral("Виртуальный"), Qt::MatchExactly).first();
        list->setCurrentItem(item);
        child<QSpinBox>(d, "Count")->setValue(12);
        emit list->itemDoubleClicked(item);
    });
    EXPECT_TRUE(r.changed);
    EXPECT_EQ(b.dataSourceName(), QStringLiteral("12"));
    EXPECT_EQ(undoCount(), 2);
}

TEST_F(Editors, CrossDataBandStoresOnePairPerBandInPageOrder) {
    band(QStringLiteral("PageHeader1"), btPageHeader, 0, 20);
    band(QStringLiteral("MasterData1"), btMasterData, 40, 20);
    band(QStringLiteral("DetailData1"), btDetailData, 80, 20);
    TfrBandView& cross = band(QStringLiteral("CrossData1"), btCrossData, 120, 20);
    Run r = edit(cross, [](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), QStringLiteral("Источники данных"));
        auto* bands = child<QListWidget>(d, "Bands");
        auto* sources = child<QListWidget>(d, "Sources");
        ASSERT_EQ(bands->count(), 2);
        EXPECT_EQ(bands->item(1)->text(), QStringLiteral("DetailData1: Detail data"));
        bands->setCurrentRow(0);
        choose(sources, QStringLiteral("frDS"));
        bands->setCurrentRow(1);
        EXPECT_EQ(sources->currentItem()->text(), QStringLiteral("[Нет]"));
        bands->setCurrentRow(0);
        EXPECT_EQ(sources->currentItem()->text(), QStringLiteral("frDS"));
        ok(d);
    });
    EXPECT_TRUE(r.changed);
    EXPECT_EQ(cross.dataSourceName(), QStringLiteral("MasterData1=frDS;DetailData1=[Нет];"));
    EXPECT_EQ(undoCount(), 1);

    r = edit(cross, [](QDialog& d) {
        auto* bands = child<QListWidget>(d, "Bands");
        bands->setCurrentRow(1);
        choose(child<QListWidget>(d, "Sources"), QStringLiteral("Виртуальный"));
        cancel(d);
    });
    EXPECT_FALSE(r.changed);
    EXPECT_EQ(cross.dataSourceName(), QStringLiteral("MasterData1=frDS;DetailData1=[Нет];"));
}

TEST_F(Editors, CrossDataBandWithoutOtherBandsOpensNothing) {
    band(QStringLiteral("PageFooter1"), btPageFooter, 300, 20);
    TfrBandView& cross = band(QStringLiteral("CrossData1"), btCrossData, 120, 20);
    const Run r = edit(cross, [](QDialog& d) { cancel(d); });
    EXPECT_FALSE(r.opened);
    EXPECT_FALSE(r.changed);
    EXPECT_EQ(undoCount(), 0);
}

TEST_F(Editors, GroupConditionTakesAPickedFieldInBrackets) {
    TfrBandView& g = band(QStringLiteral("GroupHeader1"), btGroupHeader, 40, 20);
    g.setDataSourceName(QStringLiteral("old"));
    field = QStringLiteral("DS.\"Kind\"");
    Run r = edit(g, [](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), QStringLiteral("Группа"));
        auto* condition = child<QLineEdit>(d, "Condition");
        EXPECT_EQ(condition->text(), QStringLiteral("old"));
        auto* pick = child<QToolButton>(d, "PickField");
        EXPECT_EQ(pick->toolTip(), QStringLiteral("Выбор поля БД"));
        pick->click();
        EXPECT_EQ(condition->text(), QStringLiteral("[DS.\"Kind\"]"));
        ok(d);
    });
    EXPECT_TRUE(r.changed);
    EXPECT_EQ(g.groupCondition(), QStringLiteral("[DS.\"Kind\"]"));
    EXPECT_EQ(undoCount(), 1);

    r = edit(g, [](QDialog& d) {
        child<QLineEdit>(d, "Condition")->setText(QStringLiteral("other"));
        cancel(d);
    });
    EXPECT_FALSE(r.changed);
    EXPECT_EQ(g.groupCondition(), QStringLiteral("[DS.\"Kind\"]"));
    EXPECT_EQ(undoCount(), 1);
}

// ---------------------------------------------------------------- formats

TEST_F(Editors, FormatDialogBuildsTheCodeFromCategoryTypeDigitsAndSeparator) {
    TfrMemoView& m = memo(QStringLiteral("Memo1"), 10, 10, 100, 20, QStringLiteral("[Price]"));
    m.formatStr = QStringLiteral("kept");
    Run r = editProperty(m, "DisplayFormat", [](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), QStringLiteral("Формат переменной"));
        auto* categories = child<QListWidget>(d, "Categories");
        auto* types = child<QListWidget>(d, "Types");
        auto* digits = child<QLineEdit>(d, "Digits");
        auto* text = child<QLineEdit>(d, "FormatText");
        EXPECT_EQ(categories->currentRow(), 0);
        EXPECT_FALSE(digits->isEnabled());
        categories->setCurrentRow(1);
        EXPECT_TRUE(digits->isEnabled());
        EXPECT_FALSE(text->isEnabled());
        types->setCurrentRow(1);
        digits->setText(QStringLiteral("3"));
        child<QLineEdit>(d, "Separator")->setText(QStringLiteral(","));
        text->setText(QStringLiteral("ignored: the edit is disabled"));
        ok(d);
    });
    EXPECT_TRUE(r.changed);
    EXPECT_EQ(m.format, frformat::make(1, 1, 3, u','));
    EXPECT_EQ(m.formatStr, QStringLiteral("kept"));
    EXPECT_EQ(undoCount(), 1);

    // The user format of the date category takes the format text.
    r = editProperty(m, "DisplayFormat", [](QDialog& d) {
        EXPECT_EQ(child<QListWidget>(d, "Categories")->currentRow(), 1);
        EXPECT_EQ(child<QListWidget>(d, "Types")->currentRow(), 1);
        EXPECT_EQ(child<QLineEdit>(d, "Digits")->text(), QStringLiteral("3"));
        child<QListWidget>(d, "Categories")->setCurrentRow(2);
        child<QListWidget>(d, "Types")->setCurrentRow(4);
        child<QLineEdit>(d, "FormatText")->setText(QStringLiteral("dd mmmm yyyy"));
        ok(d);
    });
    EXPECT_TRUE(r.changed);
    EXPECT_EQ(frformat::category(m.format), 2u);
    EXPECT_EQ(frformat::formatIndex(m.format), 4u);
    EXPECT_EQ(m.formatStr, QStringLiteral("dd mmmm yyyy"));

    const std::uint32_t before = m.format;
    r = editProperty(m, "DisplayFormat", [](QDialog& d) {
        child<QListWidget>(d, "Categories")->setCurrentRow(4);
        cancel(d);
    });
    EXPECT_FALSE(r.changed);
    EXPECT_EQ(m.format, before);
    EXPECT_EQ(undoCount(), 2);
}

TEST_F(Editors, HighlightDialogSetsConditionStyleAndFill) {
    TfrMemoView& m = memo(QStringLiteral("Memo1"), 10, 10, 100, 20, QStringLiteral("[Qty]"));
    expression = QStringLiteral("[Qty] > 100");
    color = TfrColor(0x00FF00);
    Run r = editProperty(m, "Highlight", [](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), QStringLiteral("Условное выделение"));
        EXPECT_TRUE(child<QCheckBox>(d, "Bold")->isChecked());
        EXPECT_TRUE(child<QRadioButton>(d, "Other")->isChecked());
        child<QToolButton>(d, "InsertExpression")->click();
        EXPECT_EQ(child<QLineEdit>(d, "Condition")->text(), QStringLiteral("[Qty] > 100"));
        child<QCheckBox>(d, "Bold")->setChecked(false);
        child<QCheckBox>(d, "Italic")->setChecked(true);
        child<QPushButton>(d, "FontColor")->click();
        child<QRadioButton>(d, "Transparent")->setChecked(true);
        EXPECT_FALSE(child<QPushButton>(d, "FillColor")->isEnabled());
        ok(d);
    });
    EXPECT_TRUE(r.changed);
    EXPECT_EQ(m.highlightStr, QStringLiteral("[Qty] > 100"));
    EXPECT_EQ(m.highlight.fontStyle, fsItalic);
    EXPECT_EQ(m.highlight.fontColor, 0x00FF00u);
    EXPECT_EQ(m.highlight.fillColor, clTransparent);
    EXPECT_EQ(undoCount(), 1);

    r = editProperty(m, "Highlight", [](QDialog& d) {
        child<QRadioButton>(d, "Other")->setChecked(true);
        child<QPushButton>(d, "FillColor")->click();
        cancel(d);
    });
    EXPECT_FALSE(r.changed);
    EXPECT_EQ(m.highlight.fillColor, clTransparent);
    EXPECT_EQ(undoCount(), 1);
}

// ---------------------------------------------------------------- the window

TEST_F(Editors, CtrlEnterInTheDesignerOpensTheScriptOfTheSelectedBand) {
    band(QStringLiteral("MasterData1"), btMasterData, 100, 20);
    auto form = open();
    TfrDesignDocument& d = form->document();
    ASSERT_TRUE(d.selectNames({QStringLiteral("MasterData1")}));
    bool scriptOnly = false;
    whenDialog([&scriptOnly](QDialog& w) {
        scriptOnly = !w.findChild<QPlainTextEdit*>(QStringLiteral("Memo")) &&
                     w.findChild<QPlainTextEdit*>(QStringLiteral("Script"));
        w.findChild<QPlainTextEdit*>(QStringLiteral("Script"))->setPlainText(QStringLiteral("NewPage"));
        ok(w);
    });
    QAction* action = form->action(QStringLiteral("edit-script"));
    ASSERT_NE(action, nullptr);
    EXPECT_TRUE(action->shortcuts().contains(QKeySequence(Qt::CTRL | Qt::Key_Return)));
    action->trigger();
    EXPECT_TRUE(scriptOnly);
    auto* b = static_cast<TfrBandView*>(report.findObject(QStringLiteral("MasterData1")));
    EXPECT_EQ(b->script, QStringList{QStringLiteral("NewPage")});
    EXPECT_EQ(d.undoStack().count(), 1);
    EXPECT_TRUE(d.modified());
}

} // namespace
