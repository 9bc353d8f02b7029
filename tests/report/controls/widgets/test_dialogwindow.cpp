// Dialog pages asked in their window while a report is built: typing into
// its controls, pressing its buttons, scripts that answer before it shows;
// and controls painted off screen.

#include "buildfixture.h"

#include "report/addins/programaddins.h"
#include "report/controls/controlpaint.h"
#include "report/controls/controls.h"
#include "report/controls/widgets/controlwidgets.h"
#include "report/controls/widgets/dialogwindow.h"
#include "report/designer/designerclasses.h"
#include "report/designer/designereditors.h"
#include "report/designer/designerform.h"
#include "report/preview/progresswindow.h"
#include "report/render/drawing.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

class DialogWindow : public BuildTest {
public:
    DialogWindow() {
        frRegisterProgramAddIns(engine);
        frInstallDialogWindows(engine);
        page(0).pageType = ptDialog;
        page(0).caption = "Параметры отчёта";
        addPage();
        band(btReportTitle, 0, 40, "Title", QString(), 1);
        auto& edit = control<TfrEditControl>("Edit1");
        edit.setBounds(10, 10, 121, 21);
        auto& ok = control<TfrButtonControl>("ButtonOk");
        ok.caption = "OK";
        ok.setModalResult(mrOk);
        ok.setBounds(10, 60, 75, 25);
        auto& cancel = control<TfrButtonControl>("ButtonCancel");
        cancel.caption = "Отмена";
        cancel.setModalResult(mrCancel);
        cancel.setBounds(100, 60, 75, 25);
    }
    ~DialogWindow() override { frDialogAsker(engine) = nullptr; }

    template <class T>
    T& control(const QString& name) {
        TfrView* v = page(0).add(engine.createObject(gtAddIn, T::classInfo().className));
        v->setName(name);
        return *frCast<T>(v);
    }

    // Runs `act` on the dialog window once it is shown; a window still open
    // after that is closed (and counted) so that no test can hang.
    QTimer* whenShown(std::function<void(QDialog&)> act) {
        auto* timer = new QTimer(qApp);
        timer->setInterval(10);
        QObject::connect(timer, &QTimer::timeout, timer, [this, timer, act] {
            auto* window = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            // A build's progress window may come up first: wait for the dialog itself.
            if (!window || dynamic_cast<TfrProgressWindow*>(window))
                return;
            timer->stop();
            timer->deleteLater();
            ++shown;
            title = window->windowTitle();
            act(*window);
            if (window->isVisible()) {
                ++leftOpen;
                window->done(mrCancel);
            }
        });
        timer->start();
        return timer;
    }

    template <class W>
    static W* child(QDialog& window, const QString& text = QString()) {
        for (W* w : window.findChildren<W*>())
            if constexpr (std::is_same_v<W, QPushButton>) {
                if (w->text() == text)
                    return w;
            } else {
                return w;
            }
        ADD_FAILURE() << "no such control";
        return nullptr;
    }

    int shown = 0, leftOpen = 0;
    QString title;
};

TEST_F(DialogWindow, TypedTextReachesThePreparedPage) {
    auto& combo = control<TfrComboBoxControl>("ComboBox1");
    combo.items = QStringList{"Москва;77", "Тула;71"};
    combo.style = csLookup;
    combo.setBounds(10, 35, 145, 21);
    memo(0, "[Edit1.Text] [ComboBox1.Text]", 1);
    whenShown([](QDialog& window) {
        QLineEdit* edit = child<QLineEdit>(window);
        edit->selectAll();
        // Typed key by key (QTest's own typing knows only Latin letters).
        for (QChar ch : QString("Подстанция 5"))
            QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(ch), Qt::NoModifier);
        QComboBox* list = child<QComboBox>(window);
        EXPECT_EQ(list->itemText(0), "Москва");
        EXPECT_EQ(list->itemText(1), "Тула");
        list->setCurrentIndex(1);
        QTest::mouseClick(child<QPushButton>(window, "OK"), Qt::LeftButton);
    });
    const TfrBuildResult result = build();
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(leftOpen, 0);
    EXPECT_EQ(title, "Параметры отчёта");
    ASSERT_TRUE(result.ok());
    EXPECT_EQ(allTexts(listing()), QStringList{"Подстанция 5 71"});
}

// The progress window of a build makes way for a dialog page while it is shown.
TEST_F(DialogWindow, TheProgressWindowStepsAsideForTheDialog) {
    report.showProgress = true;
    memo(0, "[Edit1.Text]", 1);
    int progressShown = -1;
    whenShown([&](QDialog& window) {
        progressShown = 0;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (dynamic_cast<TfrProgressWindow*>(w) && w->isVisible())
                ++progressShown;
        QTest::mouseClick(child<QPushButton>(window, "OK"), Qt::LeftButton);
    });
    ASSERT_TRUE(frBuildReportWithProgress(report).ok());
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(progressShown, 0);
}

TEST_F(DialogWindow, CancelButtonAndEscapeCancelTheBuild) {
    memo(0, "[Edit1.Text]", 1);
    for (bool escape : {false, true}) {
        SCOPED_TRACE(escape ? "Escape" : "Отмена");
        shown = 0;
        whenShown([escape](QDialog& window) {
            if (escape)
                QTest::keyClick(&window, Qt::Key_Escape);
            else
                QTest::mouseClick(child<QPushButton>(window, "Отмена"), Qt::LeftButton);
        });
        const TfrBuildResult result = build();
        EXPECT_EQ(shown, 1);
        EXPECT_EQ(leftOpen, 0);
        EXPECT_EQ(result.status, TfrBuildResult::Status::Cancelled);
        EXPECT_EQ(frPreparedPages(report).count(), 0);
    }
}

TEST_F(DialogWindow, ScriptsMoveControlsAndAnswerForTheUser) {
    // The page script moves the edit; a click script gives the result.
    page(0).script = QStringList{"Edit1.Left := 200;"};
    auto& go = control<TfrButtonControl>("ButtonGo");
    go.caption = "Дальше";
    go.script = QStringList{"Edit1.Text := 'нажата';", "ModalResult := mrOk;"};
    memo(0, "[Edit1.Text]", 1);
    int editLeft = -1;
    whenShown([&](QDialog& window) {
        editLeft = child<QLineEdit>(window)->x();
        QTest::mouseClick(child<QPushButton>(window, "Дальше"), Qt::LeftButton);
    });
    ASSERT_TRUE(build().ok());
    EXPECT_EQ(editLeft, 200);
    EXPECT_EQ(leftOpen, 0);
    EXPECT_EQ(allTexts(listing()), QStringList{"нажата"});

    // A page script that sets the result answers without showing the window.
    page(0).script = QStringList{"Edit1.Text := 'сразу';", "ModalResult := mrOk;"};
    shown = 0;
    QTimer* waiting = whenShown([](QDialog&) {});
    ASSERT_TRUE(build().ok());
    EXPECT_EQ(shown, 0);
    EXPECT_EQ(allTexts(listing()), QStringList{"сразу"});
    delete waiting;
}

TEST_F(DialogWindow, DeleteClearsTheChoiceOfADropDownList) {
    auto& combo = control<TfrComboBoxControl>("ComboBox1");
    combo.items = QStringList{"Москва", "Тула"};
    combo.style = csDropDownList;
    // The choice is not stored: the page's script makes it.
    page(0).script = QStringList{"ComboBox1.ItemIndex := 1;"};
    memo(0, "[ComboBox1.ItemIndex]", 1);
    whenShown([](QDialog& window) {
        QComboBox* list = child<QComboBox>(window);
        EXPECT_EQ(list->currentIndex(), 1);
        QTest::keyClick(list, Qt::Key_Delete);
        EXPECT_EQ(list->currentIndex(), -1);
        QTest::mouseClick(child<QPushButton>(window, "OK"), Qt::LeftButton);
    });
    ASSERT_TRUE(build().ok());
    EXPECT_EQ(allTexts(listing()), QStringList{"-1"});
}

TEST_F(DialogWindow, ControlsArePaintedOffScreen) {
    // A button painted by the platform is not one flat colour and differs
    // from the plain likeness drawn without the painter.
    auto& button = *frCast<TfrButtonControl>(page(0).findObject("ButtonOk"));
    button.setBounds(0, 0, 75, 25);
    auto draw = [&] {
        QImage image(80, 30, QImage::Format_ARGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        TfrDrawContext context;
        context.painter = &painter;
        frDrawObject(button, context);
        return image;
    };
    const QImage platform = draw();
    const TfrControlPainter saved = frControlPainter();
    frControlPainter() = nullptr;
    const QImage likeness = draw();
    frControlPainter() = saved;
    EXPECT_NE(platform, likeness);
    QSet<QRgb> colours;
    for (int y = 0; y < 25; ++y)
        for (int x = 0; x < 75; ++x)
            colours.insert(platform.pixel(x, y));
    EXPECT_GT(colours.size(), 2);
    EXPECT_EQ(platform.pixel(79, 29), qRgb(255, 255, 255)); // nothing beyond the control
}

// The demo template with a dialog page: its window, as the README shows it
// (the picture stays in the build folder), choosing one substation.
TEST_F(DialogWindow, DemoTemplateAsksForASubstation) {
    ASSERT_EQ(report.loadFromFile(QStringLiteral(OSTRAND_EXAMPLES_DIR "/settings/substation.frf")).status,
              TfrLoadResult::Status::Loaded);
    // Over an empty dataset (the fixture's has other fields): the title tells
    // the choice.
    report.setDataset(&frDS);
    whenShown([](QDialog& window) {
        QComboBox* list = child<QComboBox>(window);
        EXPECT_EQ(list->currentText(), "Все подстанции");
        list->setCurrentIndex(list->findText("ПС 110 кВ Горная"));
        QApplication::processEvents();
        QDir().mkpath(OSTRAND_TEST_OUTPUT_DIR);
        window.grab().save(OSTRAND_TEST_OUTPUT_DIR "/dialog-report.png");
        QTest::mouseClick(child<QPushButton>(window, "OK"), Qt::LeftButton);
    });
    ASSERT_TRUE(build().ok());
    EXPECT_EQ(title, "Точки подстанции");
    EXPECT_TRUE(allTexts(listing()).contains("Точки телемеханики: ПС 110 кВ Горная"));
}

TEST_F(DialogWindow, TheDesignerOffersControlsOnDialogPagesOnly) {
    frRegisterControlDesignerClasses();
    TfrDesignerForm form(report);
    form.setWindowState(Qt::WindowNoState);
    form.show();
    QApplication::processEvents();
    std::vector<QImage> pictures;
    for (const TfrObjectClass* cls : frControlClasses()) {
        SCOPED_TRACE(cls->className.toStdString());
        QAction* tool = form.action(QStringLiteral("tool ") + cls->className);
        ASSERT_TRUE(tool);
        EXPECT_EQ(tool->text(), QStringLiteral("Вставить элемент управления '%1'").arg(cls->baseName));
        EXPECT_TRUE(tool->isVisible()); // the dialog page is the current one
        const QImage picture = frDesignerClass(*cls)->icon.pixmap(24, 24).toImage();
        for (const QImage& other : pictures)
            EXPECT_NE(picture, other);
        pictures.push_back(picture);
    }
    EXPECT_FALSE(form.action("tool TfrBarCodeView")->isVisible());
    TfrDesignDocument& doc = form.document();
    const int before = page(0).count();
    EXPECT_TRUE(doc.insertObject(TfrEditControl::classInfo(), TfrBox{10, 100, 121, 21}));
    EXPECT_FALSE(doc.insertObject(TfrMemoView::classInfo(), TfrBox{10, 130, 100, 20}));
    EXPECT_EQ(page(0).count(), before + 1);
}

// The inspector's OnClick button opens the text editor with the script pane
// only; OK stores the click script.
TEST_F(DialogWindow, TheClickScriptIsEditedInTheScriptPane) {
    frRegisterBuiltInEditors();
    auto& go = control<TfrButtonControl>("ButtonGo");
    TfrDesignDocument doc(report);
    const TfrDesignerEditor* editor = frDesignerPropertyEditor(TfrButtonControl::classInfo(), QStringLiteral("OnClick"));
    ASSERT_TRUE(editor);
    bool memoShown = true;
    whenShown([&memoShown](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), "Редактор текста");
        auto* memo = d.findChild<QPlainTextEdit*>("Memo");
        memoShown = memo && memo->isVisible();
        d.findChild<QPlainTextEdit*>("Script")->setPlainText("ModalResult := mrOk;");
        QTest::mouseClick(child<QPushButton>(d, "ОК"), Qt::LeftButton);
    });
    EXPECT_TRUE((*editor)(doc, go, nullptr));
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(leftOpen, 0);
    EXPECT_FALSE(memoShown);
    EXPECT_EQ(go.script, QStringList{"ModalResult := mrOk;"});
    EXPECT_EQ(doc.undoStack().count(), 1);
}

TEST_F(DialogWindow, StringEditorChangesItemsUnlessRestricted) {
    frRegisterControlDesignerClasses();
    auto& combo = control<TfrComboBoxControl>("ComboBox1");
    combo.items = QStringList{"Москва"};
    TfrDesignDocument doc(report);
    const auto* editor = frDesignerEditor(TfrComboBoxControl::classInfo());
    ASSERT_TRUE(editor);
    EXPECT_EQ(frDesignerEditor(TfrEditControl::classInfo()), nullptr);
    for (bool restricted : {true, false}) {
        SCOPED_TRACE(restricted);
        combo.restrictions = restricted ? frrfDontModify : 0;
        bool opened = false;
        QTimer* timer = whenShown([&opened](QDialog& d) {
            opened = true;
            EXPECT_EQ(d.windowTitle(), "Редактор строк");
            d.findChild<QPlainTextEdit*>("Lines")->setPlainText("Москва;77\nТула;71");
            d.accept();
        });
        const bool changed = (*editor)(doc, combo, nullptr);
        if (!opened)
            delete timer;
        EXPECT_EQ(opened, !restricted);
        EXPECT_EQ(changed, !restricted);
    }
    EXPECT_EQ(combo.items, (QStringList{"Москва;77", "Тула;71"}));
    EXPECT_EQ(doc.undoStack().count(), 1);
}

} // namespace
