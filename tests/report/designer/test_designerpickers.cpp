// The pickers and the expression builder driven through their controls, and
// the tag and restrictions dialogs: what OK stores with its one undo entry,
// what Cancel keeps.

#include "designerfixture.h"

#include "report/design/designdoc.h"
#include "report/designer/designerclasses.h"
#include "report/designer/designerinspector.h"
#include "report/designer/designerpickers.h"
#include "report/designer/editorparts.h"
#include "report/designer/propertyeditors.h"
#include "report/expr/functions.h"
#include "report/memdata/memtablesource.h"
#include "report/model/constants.h"
#include "report/model/dataset.h"
#include "report/model/dictionary.h"
#include "table/memtable.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>
#include <QToolButton>
#include <QtTest/QTest>

namespace {

class DesignerPickers : public DesignerTest {
protected:
    DesignerPickers() : saved(frEditorPickers()) {
        first.addFieldDef(QStringLiteral("Name"), TFieldType::String, 30);
        first.addFieldDef(QStringLiteral("Qty"), TFieldType::Integer);
        second.addFieldDef(QStringLiteral("Key"), TFieldType::String, 5);
        registry.addTable(&firstSource);
        registry.addTable(&secondSource);
        report.setDataRegistry(&registry);
        TfrDataDictionary& d = report.dictionary();
        d.setVariable(QStringLiteral(" Параметры сервера"), QString());
        d.setVariable(QStringLiteral("Машина"), QStringLiteral("'M1'"));
        d.setVariable(QStringLiteral("Total"), QStringLiteral("1"));
        doc = std::make_unique<TfrDesignDocument>(report, true);
    }
    ~DesignerPickers() override {
        frEditorPickers() = saved;
        report.setDataRegistry(nullptr);
    }

    // Runs `drive` on the next modal dialog captioned `title` once it shows,
    // then closes it if it is still open. When none shows within `patience`
    // ticks of 10 ms the timer gives up; with `expected` that is a failure
    // and whatever modal window is up is closed so that the test goes on.
    static void whenModal(const QString& title, std::function<void(QDialog&)> drive, bool expected = true,
                          int patience = 1000) {
        auto* timer = new QTimer;
        timer->setInterval(10);
        auto ticks = std::make_shared<int>(0);
        QObject::connect(timer, &QTimer::timeout, [=] {
            auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            const bool found = modal && modal->windowTitle() == title;
            if (!found && ++*ticks <= patience)
                return;
            timer->stop();
            timer->deleteLater();
            if (found) {
                drive(*modal);
            } else if (expected) {
                ADD_FAILURE() << "no dialog " << title.toStdString();
            } else {
                return;
            }
            if (modal && modal->isVisible())
                modal->reject();
        });
        timer->start();
    }

    template <class W> static W* child(QWidget& w, const QString& name) {
        W* c = w.findChild<W*>(name);
        EXPECT_NE(c, nullptr) << name.toStdString();
        return c;
    }
    static QAbstractButton* buttonCaptioned(QWidget& w, const QString& caption) {
        for (QAbstractButton* b : w.findChildren<QAbstractButton*>())
            if (b->text() == caption)
                return b;
        ADD_FAILURE() << "no button " << caption.toStdString();
        return nullptr;
    }
    static void ok(QDialog& d) { d.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click(); }
    static void cancel(QDialog& d) { d.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->click(); }
    static void choose(QListWidget* list, const QString& text) {
        const auto items = list->findItems(text, Qt::MatchExactly);
        ASSERT_EQ(items.size(), 1) << text.toStdString();
        list->setCurrentItem(items.first());
    }
    static void doubleClick(QListWidget* list, const QString& text) {
        choose(list, text);
        const QRect r = list->visualItemRect(list->currentItem());
        // The click before makes the item the pressed one, as a user's first click does.
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, r.center());
    }

    TfrEditorPickers saved;
    TMemTable first{QStringLiteral("DS")};
    TMemTable second{QStringLiteral("DS2")};
    TfrMemTableSource firstSource{first};
    TfrMemTableSource secondSource{second};
    TfrDataRegistry registry{QStringLiteral("frmMain")};
    std::unique_ptr<TfrDesignDocument> doc;
};

const QString kFieldPicker = QStringLiteral("Выбор поля БД");
const QString kBuilder = QStringLiteral("Вставка выражения");
const QString kVariables = QStringLiteral("Выбор переменной");
const QString kFunctions = QStringLiteral("Выбор функции");
const QString kArguments = QStringLiteral("Аргументы функции");

TEST_F(DesignerPickers, TheFieldPickerReturnsTheRealReferenceAndOpensOnTheDatasetChosenLast) {
    TfrDataDictionary& d = report.dictionary();
    d.aliases.set(QStringLiteral("DS"), QStringLiteral("Выборка"));
    d.aliases.set(QStringLiteral("DS.Qty"), QStringLiteral("Количество"));
    d.aliases.set(QStringLiteral("DS2"), QString());
    whenModal(kFieldPicker, [](QDialog& dialog) {
        auto* datasets = child<QListWidget>(dialog, "Datasets");
        auto* fields = child<QListWidget>(dialog, "Fields");
        ASSERT_EQ(datasets->count(), 2);
        EXPECT_EQ(datasets->currentItem()->text(), QStringLiteral("DS2")) << "the first dataset at first";
        choose(datasets, QStringLiteral("Выборка"));
        ASSERT_EQ(fields->count(), 2);
        EXPECT_EQ(fields->item(1)->text(), QStringLiteral("Количество"));
        // A double click on a field confirms.
        doubleClick(fields, QStringLiteral("Количество"));
        EXPECT_FALSE(dialog.isVisible());
    });
    const auto picked = frEditorPickers().field(report, nullptr);
    ASSERT_EQ(picked, std::optional<QString>(QStringLiteral("DS.\"Qty\"")));
    // The reference resolves as a build reads it.
    EXPECT_TRUE(d.isVariable(*picked));

    whenModal(kFieldPicker, [](QDialog& dialog) {
        auto* datasets = child<QListWidget>(dialog, "Datasets");
        EXPECT_EQ(datasets->currentItem()->text(), QStringLiteral("Выборка"));
        choose(datasets, QStringLiteral("DS2"));
        EXPECT_EQ(child<QListWidget>(dialog, "Fields")->currentItem()->text(), QStringLiteral("Key"));
        cancel(dialog);
    });
    EXPECT_EQ(TfrFieldPicker::pick(report, nullptr), std::nullopt);
    // A cancelled pick is not remembered.
    whenModal(kFieldPicker, [](QDialog& dialog) {
        EXPECT_EQ(child<QListWidget>(dialog, "Datasets")->currentItem()->text(), QStringLiteral("Выборка"));
        ok(dialog);
    });
    EXPECT_EQ(TfrFieldPicker::pick(report, nullptr), std::optional<QString>(QStringLiteral("DS.\"Name\"")));
}

TEST_F(DesignerPickers, TheExpressionBuilderInsertsVariablesFieldsFunctionsAndOperatorsAtTheCaret) {
    frEditorPickers().field = [](TfrReport&, QWidget*) { return std::optional<QString>(QStringLiteral("DS.\"Qty\"")); };
    // What the argument boxes' buttons get from the builder.
    frEditorPickers().expression = [](TfrReport&, QWidget*) { return std::optional<QString>(QStringLiteral("[Машина]")); };
    whenModal(kBuilder, [](QDialog& builder) {
        auto* edit = child<QPlainTextEdit>(builder, "Expression");
        const auto pickVariable = [&](const QString& name) {
            whenModal(kVariables, [name](QDialog& picker) {
                auto* categories = child<QListWidget>(picker, "Categories");
                EXPECT_EQ(categories->currentItem()->text(), QStringLiteral("Параметры сервера"));
                doubleClick(child<QListWidget>(picker, "Variables"), name);
            });
            child<QAbstractButton>(builder, "InsertVariable")->click();
        };
        pickVariable(QStringLiteral("Total"));
        edit->insertPlainText(QStringLiteral(" "));
        buttonCaptioned(builder, QStringLiteral("+"))->click();
        pickVariable(QStringLiteral("Машина"));
        EXPECT_EQ(edit->toPlainText(), QStringLiteral("Total + [Машина]"));

        // A function with two argument boxes, one filled through the builder.
        edit->setPlainText(QStringLiteral(" = "));
        edit->moveCursor(QTextCursor::End);
        whenModal(kFunctions, [](QDialog& browser) {
            choose(child<QListWidget>(browser, "Categories"), QStringLiteral("Строковые"));
            choose(child<QListWidget>(browser, "Functions"), QStringLiteral("POS"));
            EXPECT_EQ(child<QLabel>(browser, "Syntax")->text(), QStringLiteral("POS(<Подстрока>, <Строка>)"));
            EXPECT_FALSE(child<QLabel>(browser, "Explanation")->text().isEmpty());
            whenModal(kArguments, [](QDialog& arguments) {
                EXPECT_EQ(arguments.findChild<QLineEdit*>(QStringLiteral("Argument3")), nullptr);
                child<QLineEdit>(arguments, "Argument1")->setText(QStringLiteral("'b'"));
                child<QAbstractButton>(arguments, "Argument2Expression")->click();
                ok(arguments);
            });
            ok(browser);
        });
        child<QAbstractButton>(builder, "InsertFunction")->click();
        EXPECT_EQ(edit->toPlainText(), QStringLiteral(" = POS('b', [Машина])"));

        // Empty boxes are left out of the call; a cancelled arguments dialog inserts nothing.
        edit->clear();
        whenModal(kFunctions, [](QDialog& browser) {
            choose(child<QListWidget>(browser, "Functions"), QStringLiteral("COPY"));
            whenModal(kArguments, [](QDialog& arguments) {
                child<QLineEdit>(arguments, "Argument3")->setText(QStringLiteral(" 2 "));
                ok(arguments);
            });
            ok(browser);
        });
        child<QAbstractButton>(builder, "InsertFunction")->click();
        whenModal(kFunctions, [](QDialog& browser) {
            choose(child<QListWidget>(browser, "Functions"), QStringLiteral("POS"));
            whenModal(kArguments, [](QDialog& arguments) { cancel(arguments); });
            ok(browser);
        });
        child<QAbstractButton>(builder, "InsertFunction")->click();
        EXPECT_EQ(edit->toPlainText(), QStringLiteral("COPY(2)"));

        // Functions without an argument list go in as operands, without the arguments dialog.
        edit->clear();
        for (const char* name : {"TRUE", "PAGE#"}) {
            whenModal(kFunctions, [name](QDialog& browser) {
                choose(child<QListWidget>(browser, "Categories"), TfrInstalledFunctions::allCategories());
                choose(child<QListWidget>(browser, "Functions"), QString::fromLatin1(name));
                whenModal(kArguments, [](QDialog&) { ADD_FAILURE() << "arguments asked"; }, false, 30);
                ok(browser);
            });
            child<QAbstractButton>(builder, "InsertFunction")->click();
            buttonCaptioned(builder, QStringLiteral("or"))->click();
        }
        // The field picker's reference, bracketed for its quotes.
        child<QAbstractButton>(builder, "InsertField")->click();
        EXPECT_EQ(edit->toPlainText(), QStringLiteral("TRUEor [PAGE#]or [DS.\"Qty\"]"));
        edit->setPlainText(QStringLiteral("  Total <> 1 \n"));
        ok(builder);
    });
    EXPECT_EQ(TfrExpressionBuilder::build(report, nullptr), std::optional<QString>(QStringLiteral("Total <> 1")));

    // Cancel, and OK on an empty expression, give nothing.
    whenModal(kBuilder, [](QDialog& builder) {
        child<QPlainTextEdit>(builder, "Expression")->setPlainText(QStringLiteral("Total"));
        cancel(builder);
    });
    EXPECT_EQ(TfrExpressionBuilder::build(report, nullptr), std::nullopt);
    whenModal(kBuilder, [](QDialog& builder) { ok(builder); });
    EXPECT_EQ(TfrExpressionBuilder::build(report, nullptr), std::nullopt);
}

TEST_F(DesignerPickers, TheVariablePickerOffersTheBuiltInVariables) {
    whenModal(kVariables, [](QDialog& picker) {
        auto* categories = child<QListWidget>(picker, "Categories");
        ASSERT_EQ(categories->count(), 2);
        categories->setCurrentRow(1);
        doubleClick(child<QListWidget>(picker, "Variables"), QStringLiteral("PAGE#"));
    });
    EXPECT_EQ(TfrVariablePicker::pick(report, nullptr), std::optional<QString>(QStringLiteral("PAGE#")));
}

TEST_F(DesignerPickers, TheTagDialogStoresTheTagWithOneUndoEntryAndCancelKeepsIt) {
    TfrMemoView& m = memo(QStringLiteral("Memo1"), 10, 10, 100, 20, QStringLiteral("x"));
    m.tag = QStringLiteral("old");
    frRegisterPropertyEditors();
    const TfrDesignerEditor* editor = frDesignerPropertyEditor(m.objectClass(), QStringLiteral("Tag"));
    ASSERT_NE(editor, nullptr);
    // The expression goes in as it is, without brackets.
    frEditorPickers().expression = [](TfrReport&, QWidget*) { return std::optional<QString>(QStringLiteral("[A] + 1")); };
    const int entries = doc->undoStack().count();
    whenModal(QStringLiteral("Тэг объекта"), [](QDialog& d) {
        auto* tag = child<QLineEdit>(d, "Tag");
        EXPECT_EQ(tag->text(), QStringLiteral("old"));
        tag->setCursorPosition(1);
        auto* insert = child<QAbstractButton>(d, "InsertExpression");
        EXPECT_EQ(insert->toolTip(), QStringLiteral("Вставить выражение"));
        insert->click();
        ok(d);
    });
    EXPECT_TRUE((*editor)(*doc, m, nullptr));
    EXPECT_EQ(m.tag, QStringLiteral("o[A] + 1ld"));
    EXPECT_EQ(doc->undoStack().count(), entries + 1);
    EXPECT_TRUE(doc->modified());

    for (const bool confirm : {false, true}) {
        SCOPED_TRACE(confirm ? "unchanged OK" : "Cancel");
        whenModal(QStringLiteral("Тэг объекта"), [confirm](QDialog& d) {
            if (confirm)
                return ok(d);
            child<QLineEdit>(d, "Tag")->setText(QStringLiteral("new"));
            cancel(d);
        });
        EXPECT_FALSE((*editor)(*doc, m, nullptr));
        EXPECT_EQ(m.tag, QStringLiteral("o[A] + 1ld"));
        EXPECT_EQ(doc->undoStack().count(), entries + 1);
    }
    ASSERT_TRUE(doc->undo());
    auto* restored = frCast<TfrMemoView>(report.findObject(QStringLiteral("Memo1")));
    ASSERT_NE(restored, nullptr);
    EXPECT_EQ(restored->tag, QStringLiteral("old"));

    // Locked options refuse the tag as the inspector does: the reason is shown.
    restored->restrictions = frrfDontModify;
    const int undone = doc->undoStack().count();
    whenModal(QStringLiteral("Тэг объекта"), [](QDialog& d) {
        child<QLineEdit>(d, "Tag")->setText(QStringLiteral("new"));
        ok(d);
    });
    EXPECT_FALSE((*editor)(*doc, *restored, nullptr));
    EXPECT_EQ(restored->tag, QStringLiteral("old"));
    EXPECT_EQ(doc->undoStack().count(), undone);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_TRUE(ui.messages[0].text.contains(QStringLiteral("Memo1")));
}

TEST_F(DesignerPickers, TheRestrictionsDialogSetsTheBitsEvenWhenOptionsAreLocked) {
    TfrMemoView& m = memo(QStringLiteral("Memo1"), 10, 10, 100, 20, QStringLiteral("x"));
    // The high byte is kept as a file brought it.
    const std::uint16_t given = frrfDontModify | frrfDontMove | 0x0100;
    m.restrictions = given;
    frRegisterPropertyEditors();
    const TfrDesignerEditor* editor = frDesignerPropertyEditor(m.objectClass(), QStringLiteral("Restrictions"));
    ASSERT_NE(editor, nullptr);
    const int entries = doc->undoStack().count();
    whenModal(QStringLiteral("Ограничения объекта"), [](QDialog& d) {
        const auto boxes = d.findChildren<QCheckBox*>();
        ASSERT_EQ(boxes.size(), 7);
        auto* options = child<QCheckBox>(d, "Restriction8");
        EXPECT_EQ(options->text(), QStringLiteral("Не изменять &опции"));
        EXPECT_TRUE(options->isChecked());
        EXPECT_TRUE(child<QCheckBox>(d, "Restriction32")->isChecked());
        EXPECT_FALSE(child<QCheckBox>(d, "Restriction64")->isChecked());
        options->click();
        child<QCheckBox>(d, "Restriction64")->click();
        ok(d);
    });
    EXPECT_TRUE((*editor)(*doc, m, nullptr));
    EXPECT_EQ(m.restrictions, frrfDontMove | frrfDontDelete | 0x0100);
    EXPECT_EQ(doc->undoStack().count(), entries + 1);

    for (const bool confirm : {false, true}) {
        SCOPED_TRACE(confirm ? "unchanged OK" : "Cancel");
        whenModal(QStringLiteral("Ограничения объекта"), [confirm](QDialog& d) {
            if (confirm)
                return ok(d);
            child<QCheckBox>(d, "Restriction1")->click();
            cancel(d);
        });
        EXPECT_FALSE((*editor)(*doc, m, nullptr));
        EXPECT_EQ(m.restrictions, frrfDontMove | frrfDontDelete | 0x0100);
        EXPECT_EQ(doc->undoStack().count(), entries + 1);
    }
    ASSERT_TRUE(doc->undo());
    EXPECT_EQ(report.findObject(QStringLiteral("Memo1"))->restrictions, given);
}

} // namespace

namespace {

TEST_F(DesignerPickers, TheInspectorsEditButtonsOpenTheTagAndRestrictionsDialogs) {
    TfrMemoView& m = memo(QStringLiteral("Memo1"), 10, 10, 100, 20, QStringLiteral("x"));
    // The designer window registers the property editors before it first opens.
    auto form = open();
    TfrDesignDocument& d = form->document();
    ASSERT_TRUE(d.selectNames({QStringLiteral("Memo1")}));
    form->action(QStringLiteral("inspector"))->trigger();
    const int entries = d.undoStack().count();

    auto* restrictions = form->inspector()->findChild<QToolButton*>(QStringLiteral("RestrictionsEditor"));
    ASSERT_NE(restrictions, nullptr);
    whenModal(QStringLiteral("Ограничения объекта"), [](QDialog& dialog) {
        child<QCheckBox>(dialog, "Restriction16")->click();
        ok(dialog);
    });
    restrictions->click();
    EXPECT_EQ(m.restrictions, frrfDontSize);

    auto* tag = form->inspector()->findChild<QToolButton*>(QStringLiteral("TagEditor"));
    ASSERT_NE(tag, nullptr);
    whenModal(QStringLiteral("Тэг объекта"), [](QDialog& dialog) {
        child<QLineEdit>(dialog, "Tag")->setText(QStringLiteral("t1"));
        ok(dialog);
    });
    tag->click();
    EXPECT_EQ(m.tag, QStringLiteral("t1"));
    EXPECT_EQ(d.undoStack().count(), entries + 2);
    EXPECT_TRUE(d.modified());
}

} // namespace
