// The report-options, page-options, dictionary and field dialogs of the
// designer window, and fields dragged from the "Вставка поля БД" window:
// each dialog changes the report on OK and nothing on Cancel.

#include "designerfixture.h"

#include "report/builder/preparedpages.h"
#include "report/preview/previewform.h"
#include "report/design/designdoc.h"
#include "report/render/textlayout.h"
#include "report/designer/designerfields.h"
#include "report/designer/designeroptions.h"
#include "report/designer/editorparts.h"
#include "report/memdata/mainreport.h"
#include "report/model/dictionary.h"
#include "table/memtable.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDockWidget>
#include <QDropEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

namespace {

class Dialogs : public DesignerTest {
protected:
    Dialogs() : saved(frEditorPickers()) {
        ds.addFieldDef(QStringLiteral("PointNo"), TFieldType::Integer);
        ds.addFieldDef(QStringLiteral("PointName"), TFieldType::String, 50);
        ds.addFieldDef(QStringLiteral("Kind"), TFieldType::String, 4);
        ds.open();
        ds.fieldByName(QStringLiteral("PointNo")).setDisplayLabel(QStringLiteral("№ точки"));
        ds.fieldByName(QStringLiteral("PointNo")).setDisplayWidth(8);
        ds2.addFieldDef(QStringLiteral("Owner"), TFieldType::String, 40);
        ds2.open();
        frEditorPickers().expression = [](TfrReport&, QWidget*) { return std::optional<QString>(QStringLiteral("[DATE]")); };
    }
    ~Dialogs() override { frEditorPickers() = saved; }

    template <class W> static W* child(QWidget& w, const char* name) {
        W* c = w.findChild<W*>(QString::fromLatin1(name));
        EXPECT_NE(c, nullptr) << name;
        return c;
    }
    static void press(QWidget& dialog, QDialogButtonBox::StandardButton which) {
        dialog.findChild<QDialogButtonBox*>()->button(which)->click();
    }
    // Text entered as the user would (key clicks take Latin letters only).
    static void type(QLineEdit* line, const QString& text) {
        line->setText(text);
        emit line->textEdited(text);
    }
    // Triggers a window action that opens a modal dialog and drives it.
    void drive(TfrDesignerForm& form, const char* action, std::function<void(QWidget&)> answer) {
        bool opened = false;
        whenModal([&opened, answer](QWidget& d) {
            opened = true;
            answer(d);
            // A drive that stopped early leaves nothing open.
            if (auto* dialog = qobject_cast<QDialog*>(&d); dialog && dialog->isVisible())
                dialog->reject();
        });
        form.action(QString::fromLatin1(action))->trigger();
        EXPECT_TRUE(opened) << action;
    }

    TfrEditorPickers saved;
    TMemTable ds{QStringLiteral("DS")}, ds2{QStringLiteral("DS2")};
    TfrMainReport main{engine, ds, ds2};
};

TEST_F(Dialogs, TheFileMenuAndTheWizardsBarOfferThem) {
    auto form = open();
    QMenu* file = form->findChild<QMenuBar*>()->actions().front()->menu();
    ASSERT_NE(file, nullptr);
    for (const char* name : {"dictionary", "report-options", "page-options"})
        EXPECT_TRUE(file->actions().contains(form->action(QString::fromLatin1(name)))) << name;
    EXPECT_EQ(form->action(QStringLiteral("page-options"))->toolTip(), QStringLiteral("Опции страницы"));
    EXPECT_TRUE(form->toolBar(QStringLiteral("Standard"))->actions().contains(form->action(QStringLiteral("page-options"))));
    EXPECT_TRUE(form->toolBar(QStringLiteral("Wizards"))->actions().contains(form->action(QStringLiteral("insert-fields"))));
}

TEST_F(Dialogs, ReportOptionsOkAppliesCancelKeeps) {
    auto form = open();
    ui.inputs = {QStringLiteral("секрет"), QStringLiteral("секрет")};
    drive(*form, "report-options", [](QWidget& d) {
        type(child<QLineEdit>(d, "Name"), QStringLiteral("Точки"));
        child<QCheckBox>(d, "DoublePass")->setChecked(true);
        child<QCheckBox>(d, "ChooseAtOpen")->setChecked(false);
        child<QCheckBox>(d, "Protect")->setChecked(true); // asks the password twice
        press(d, QDialogButtonBox::Ok);
    });
    EXPECT_EQ(report.info.name, QStringLiteral("Точки"));
    EXPECT_TRUE(report.doublePassReport);
    EXPECT_TRUE(report.keepDefaultPrinter);
    EXPECT_TRUE(report.info.passwordProtected);
    EXPECT_EQ(report.info.password, QStringLiteral("секрет"));
    EXPECT_EQ(ui.prompts.size(), 2u);
    EXPECT_TRUE(form->document().modified());
    EXPECT_TRUE(form->document().undoStack().isEmpty());

    drive(*form, "report-options", [](QWidget& d) {
        type(child<QLineEdit>(d, "Name"), QStringLiteral("Другое"));
        child<QCheckBox>(d, "Protect")->setChecked(false);
        press(d, QDialogButtonBox::Cancel);
    });
    EXPECT_EQ(report.info.name, QStringLiteral("Точки"));
    EXPECT_TRUE(report.info.passwordProtected);

    // Entries that differ leave the box cleared.
    report.info.passwordProtected = false;
    report.info.password.clear();
    ui.inputs = {QStringLiteral("один"), QStringLiteral("два")};
    drive(*form, "report-options", [](QWidget& d) {
        QCheckBox* protect = child<QCheckBox>(d, "Protect");
        protect->setChecked(true);
        EXPECT_FALSE(protect->isChecked());
        press(d, QDialogButtonBox::Ok);
    });
    EXPECT_FALSE(report.info.passwordProtected);
    EXPECT_EQ(report.info.password, QString());
}

TEST_F(Dialogs, PageOptionsOkAppliesCancelKeeps) {
    auto form = open();
    drive(*form, "page-options", [](QWidget& d) {
        type(child<QLineEdit>(d, "MarginLeft"), QStringLiteral("100"));
        child<QRadioButton>(d, "Landscape")->setChecked(true);
        child<QCheckBox>(d, "UnlimitedHeight")->setChecked(true);
        press(d, QDialogButtonBox::Ok);
    });
    const TfrPage& p = *report.pages().page(0);
    EXPECT_EQ(p.margins.left, 360);
    EXPECT_EQ(p.orientation, poLandscape);
    EXPECT_TRUE(form->document().settings().unlimitedHeight);
    EXPECT_TRUE(form->document().modified());

    drive(*form, "page-options", [](QWidget& d) {
        EXPECT_EQ(child<QLineEdit>(d, "MarginLeft")->text(), QStringLiteral("100"));
        type(child<QLineEdit>(d, "MarginLeft"), QStringLiteral("50"));
        child<QRadioButton>(d, "Portrait")->setChecked(true);
        press(d, QDialogButtonBox::Cancel);
    });
    EXPECT_EQ(p.margins.left, 360);
    EXPECT_EQ(p.orientation, poLandscape);

    // A column count that is no integer is told; the paper stays.
    drive(*form, "page-options", [](QWidget& d) {
        type(child<QLineEdit>(d, "Columns"), QStringLiteral("2.5"));
        child<QRadioButton>(d, "Portrait")->setChecked(true);
        press(d, QDialogButtonBox::Ok);
    });
    EXPECT_EQ(p.orientation, poLandscape);
    ASSERT_FALSE(ui.messages.empty());
    EXPECT_EQ(ui.messages.back().text, QStringLiteral("'2.5' is not a valid integer value"));
}

TEST_F(Dialogs, DictionaryOkAssignsTheCopiesCancelDropsThem) {
    auto form = open();
    drive(*form, "dictionary", [](QWidget& d) {
        child<QPushButton>(d, "NewCategory")->click();
        child<QPushButton>(d, "NewVariable")->click();
        QLineEdit* value = child<QLineEdit>(d, "Value");
        EXPECT_TRUE(value->isEnabled());
        child<QToolButton>(d, "ExpressionButton")->click(); // the expression builder answers [DATE]
        QTest::keyClicks(value, QStringLiteral(" + 1"));
        // Data from the database: an alias for a field.
        auto* tables = child<QListWidget>(d, "Tables");
        tables->setCurrentRow(0);
        ASSERT_EQ(tables->currentItem()->text(), QStringLiteral("DS"));
        auto* fields = child<QListWidget>(d, "Fields");
        ASSERT_EQ(fields->count(), 3);
        fields->setCurrentRow(0);
        type(child<QLineEdit>(d, "Alias"), QStringLiteral("Номер"));
        EXPECT_EQ(fields->item(0)->text(), QStringLiteral("PointNo {Номер}"));
        fields->setCurrentRow(2);
        child<QCheckBox>(d, "Exclude")->setChecked(true);
        press(d, QDialogButtonBox::Ok);
    });
    TfrDataDictionary& dict = report.dictionary();
    EXPECT_EQ(dict.variables.names(), (QStringList{QStringLiteral(" Category1"), QStringLiteral("Variable1")}));
    EXPECT_EQ(dict.variables.get(QStringLiteral("Variable1")).toString(), QStringLiteral("[DATE] + 1"));
    EXPECT_EQ(dict.aliases.get(QStringLiteral("DS.PointNo")).toString(), QStringLiteral("Номер"));
    EXPECT_TRUE(dict.aliases.contains(QStringLiteral("DS.Kind")));
    EXPECT_FALSE(dict.fieldList(QStringLiteral("DS")).contains(QStringLiteral("Kind")));
    EXPECT_TRUE(form->document().modified());

    drive(*form, "dictionary", [](QWidget& d) {
        child<QPushButton>(d, "NewCategory")->click();
        auto* sources = child<QListWidget>(d, "BandSources");
        EXPECT_EQ(sources->count(), 1);
        type(child<QLineEdit>(d, "SourceAlias"), QStringLiteral("Точки"));
        press(d, QDialogButtonBox::Cancel);
    });
    EXPECT_EQ(dict.variables.count(), 2);
    EXPECT_TRUE(dict.bandSources.isEmpty());
}

TEST_F(Dialogs, InsertFieldsOkInsertsCancelNot) {
    auto form = open();
    drive(*form, "insert-fields", [](QWidget& d) {
        auto* tables = child<QComboBox>(d, "Tables");
        tables->setCurrentIndex(tables->findText(QStringLiteral("DS")));
        auto* fields = child<QListWidget>(d, "Fields");
        ASSERT_EQ(fields->count(), 3);
        fields->item(0)->setSelected(true);
        fields->item(1)->setSelected(true);
        child<QCheckBox>(d, "Bands")->setChecked(false);
        press(d, QDialogButtonBox::Ok);
    });
    const TfrPage& p = *report.pages().page(0);
    ASSERT_EQ(p.count(), 4);
    EXPECT_EQ(p.object(0)->memo, QStringList{QStringLiteral("№ точки")});
    EXPECT_EQ(p.object(1)->memo, QStringList{QStringLiteral("[DS.\"PointNo\"]")});
    EXPECT_EQ(form->document().selectionCount(), 4);
    EXPECT_EQ(form->document().undoStack().count(), 1);

    drive(*form, "insert-fields", [](QWidget& d) {
        child<QListWidget>(d, "Fields")->item(2)->setSelected(true);
        press(d, QDialogButtonBox::Cancel);
    });
    EXPECT_EQ(p.count(), 4);
    EXPECT_EQ(form->document().undoStack().count(), 1);
}

TEST_F(Dialogs, AFieldDraggedFromTheFieldWindowBecomesOneText) {
    auto form = open();
    // Hidden until Insert asks for it; shown, it is shown again next time.
    EXPECT_FALSE(form->fieldWindow()->isVisible());
    form->action(QStringLiteral("field-window"))->trigger();
    form.reset();
    form = open();
    TfrFieldWindow* window = form->fieldWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    window->tables()->setCurrentIndex(window->tables()->findText(QStringLiteral("DS")));
    ASSERT_EQ(window->fields()->count(), 3);

    // What the list hands a drag, dropped on the page.
    std::unique_ptr<QMimeData> data(TfrFieldList::encode(QStringLiteral("DS"), window->fields()->item(1)->text()));
    EXPECT_EQ(data->text(), QStringLiteral("[DS.\"PointName\"]"));
    const QPointF at = QPointF(form->pageOrigin() + QPoint(40, 60));
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(form->pageArea(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(at, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(form->pageArea(), &drop);
    const TfrPage& p = *report.pages().page(0);
    ASSERT_EQ(p.count(), 1);
    EXPECT_EQ(p.object(0)->memo, QStringList{QStringLiteral("[DS.\"PointName\"]")});
    EXPECT_EQ(p.object(0)->left, 40);
    EXPECT_EQ(p.object(0)->top, 60);
    EXPECT_EQ(form->document().undoStack().count(), 1);

    // Hidden, the window stays hidden the next time the designer opens.
    auto* dock = qobject_cast<QDockWidget*>(window->parentWidget());
    ASSERT_NE(dock, nullptr);
    dock->hide();
    form.reset();
    form = open();
    EXPECT_FALSE(form->fieldWindow()->isVisible());
    form->action(QStringLiteral("field-window"))->trigger();
    EXPECT_TRUE(form->fieldWindow()->isVisible());
}

} // namespace

namespace {

// A list report made from nothing in the designer window: a new report, the
// selection's fields inserted with their headers and bands, the page turned
// to landscape, the report shown in the preview and saved.
TEST_F(Dialogs, AListReportIsMadeFromNothing) {
    for (const auto& [no, name] : {std::pair{1, "Ввод 10 кВ"}, std::pair{2, "Секция шин"}}) {
        ds.append();
        ds.fieldByName(QStringLiteral("PointNo")).setAsInteger(no);
        ds.fieldByName(QStringLiteral("PointName")).setAsString(QString::fromUtf8(name));
        ds.post();
    }
    auto form = open();
    form->action(QStringLiteral("new"))->trigger();
    TfrDesignDocument& doc = form->document();
    ASSERT_EQ(doc.page().count(), 0);

    drive(*form, "insert-fields", [](QWidget& d) {
        auto* tables = child<QComboBox>(d, "Tables");
        tables->setCurrentIndex(tables->findText(QStringLiteral("DS")));
        auto* fields = child<QListWidget>(d, "Fields");
        fields->item(0)->setSelected(true);
        fields->item(1)->setSelected(true);
        press(d, QDialogButtonBox::Ok);
    });
    drive(*form, "page-options", [](QWidget& d) {
        child<QRadioButton>(d, "Landscape")->setChecked(true);
        press(d, QDialogButtonBox::Ok);
    });
    EXPECT_EQ(doc.page().orientation, poLandscape);

    // The preview shows the two records under their headers.
    QStringList shown;
    drive(*form, "preview", [&shown](QWidget& preview) {
        auto* form = qobject_cast<TfrPreviewForm*>(&preview);
        ASSERT_NE(form, nullptr);
        TfrEMFPages& pages = form->pages();
        for (int i = 0; i < pages.count(); ++i) {
            for (const auto& v : pages.loadPage(i).objects())
                for (const QString& line : v->memo)
                    shown << frStripLineEnd(line);
            pages.releasePage(i);
        }
        preview.close();
    });
    EXPECT_TRUE(shown.contains(QStringLiteral("№ точки"))) << shown.join(u'|').toStdString();
    EXPECT_TRUE(shown.contains(QStringLiteral("Секция шин"))) << shown.join(u'|').toStdString();

    const QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("list.frf"));
    ASSERT_TRUE(doc.saveAs(file, TfrDesignFileKind::Report));
    TfrReport saved(engine);
    ASSERT_TRUE(saved.loadFromFile(file).ok());
    EXPECT_EQ(saved.pages().page(0)->orientation, poLandscape);
    EXPECT_EQ(saved.pages().page(0)->count(), doc.page().count());
}

} // namespace
