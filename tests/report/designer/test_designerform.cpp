// The designer window driven with the mouse and keys.

#include "designerfixture.h"

#include "report/builder/builder.h"
#include "report/builder/preparedpages.h"
#include "report/design/objectrecord.h"
#include "report/designer/designerclasses.h"
#include "report/designer/designerdialogs.h"
#include "report/icons/icons.h"
#include "report/preview/pageeditor.h"
#include "report/preview/previewform.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QMainWindow>
#include <QRadioButton>
#include <QStatusBar>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QToolBar>
#include <QWidgetAction>
#include <QtTest/QTest>

namespace {

using Form = DesignerTest;

// Presses at one point of the page, drags through the next and releases at the last.
void drag(TfrDesignerForm& form, QPoint from, QPoint to, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* page = form.pageArea();
    const QPoint o = form.pageOrigin();
    QTest::mousePress(page, Qt::LeftButton, modifiers, o + from);
    QTest::mouseMove(page, o + (from + to) / 2);
    QTest::mouseMove(page, o + to);
    QTest::mouseRelease(page, Qt::LeftButton, modifiers, o + to);
}

TfrBox boxOf(const TfrView* v) { return v ? TfrBox{v->left, v->top, v->width, v->height} : TfrBox{-1, -1, -1, -1}; }
}

// Boxes read in failure messages.
inline std::ostream& operator<<(std::ostream& os, const TfrBox& b) {
    return os << "(" << b.left << ", " << b.top << ", " << b.width << ", " << b.height << ")";
}

namespace {

TEST_F(Form, InsertMoveResizeUndoAndSaveWithTheMouseAndKeys) {
    band("MasterData1", btMasterData, 100, 80);
    auto form = open();
    ASSERT_EQ(form->document().gridSize(), 4);
    form->action(QStringLiteral("tool text"))->trigger();
    drag(*form, QPoint(41, 110), QPoint(141, 133));
    const TfrView* memo = report.findObject(QStringLiteral("Memo1"));
    ASSERT_NE(memo, nullptr);
    EXPECT_EQ(boxOf(memo), (TfrBox{40, 108, 100, 24}));
    EXPECT_TRUE(form->action(QStringLiteral("tool select"))->isChecked());
    EXPECT_EQ(form->statusLabel(3)->text(), QStringLiteral("Memo1"));

    drag(*form, QPoint(90, 120), QPoint(110, 140));
    memo = report.findObject(QStringLiteral("Memo1"));
    EXPECT_EQ(boxOf(memo), (TfrBox{60, 128, 100, 24}));
    // The bottom-right handle.
    drag(*form, QPoint(160, 152), QPoint(180, 160));
    memo = report.findObject(QStringLiteral("Memo1"));
    EXPECT_EQ(boxOf(memo), (TfrBox{60, 128, 120, 32}));
    EXPECT_EQ(form->statusLabel(2)->text(), QStringLiteral("120; 32"));

    QTest::keyClick(form.get(), Qt::Key_Z, Qt::ControlModifier);
    memo = report.findObject(QStringLiteral("Memo1"));
    EXPECT_EQ(boxOf(memo), (TfrBox{60, 128, 100, 24}));
    QTest::keyClick(form->pageArea(), Qt::Key_Right, Qt::ControlModifier);
    memo = report.findObject(QStringLiteral("Memo1"));
    EXPECT_EQ(boxOf(memo), (TfrBox{61, 128, 100, 24}));
    EXPECT_TRUE(form->windowTitle().endsWith(QStringLiteral("Untitled")));

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("made.frf"));
    ASSERT_TRUE(form->saveFileAs(file));
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Дизайнер - made.frf"));
    form.reset();

    // The saved file loads and builds.
    TfrReport saved(engine);
    ASSERT_TRUE(saved.loadFromFile(file).ok());
    ASSERT_NE(saved.findObject(QStringLiteral("Memo1")), nullptr);
    EXPECT_EQ(boxOf(saved.findObject(QStringLiteral("Memo1"))), (TfrBox{61, 128, 100, 24}));
    TfrBuildOptions options;
    options.showError = false;
    const TfrBuildResult built = frBuildReport(saved, options);
    EXPECT_TRUE(built.ok()) << built.error.toStdString();
    EXPECT_EQ(built.pages, 1);
}

TEST_F(Form, ABandIsInsertedOfTheTypeChosenInItsDialog) {
    band("PageHeader1", btPageHeader, 20, 40);
    auto form = open();
    form->action(QStringLiteral("tool band"))->trigger();
    bool headerOffered = true;
    whenModal([&](QWidget& modal) {
        auto* dialog = qobject_cast<TfrBandTypeForm*>(&modal);
        ASSERT_NE(dialog, nullptr);
        headerOffered = dialog->button(btPageHeader)->isEnabled();
        EXPECT_TRUE(dialog->button(btReportTitle)->isChecked());
        dialog->button(btMasterData)->setChecked(true);
        dialog->accept();
    });
    drag(*form, QPoint(100, 200), QPoint(100, 200));
    EXPECT_FALSE(headerOffered);
    const TfrView* b = report.findObject(QStringLiteral("MasterData1"));
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(boxOf(b), (TfrBox{0, 200, 758, 36}));

    // Cancelled, nothing is inserted.
    form->action(QStringLiteral("tool band"))->trigger();
    whenModal([](QWidget& modal) { static_cast<QDialog&>(modal).reject(); });
    drag(*form, QPoint(100, 400), QPoint(100, 400));
    EXPECT_EQ(report.pages().page(0)->count(), 2);
}

TEST_F(Form, ToolBarsHoldEveryCommandWithAPicture) {
    auto form = open();
    for (const char* name : {"Standard", "Text", "Frame", "Objects", "Alignment", "Wizards"}) {
        QToolBar* bar = form->toolBar(QString::fromLatin1(name));
        ASSERT_NE(bar, nullptr) << name;
        for (QAction* a : bar->actions())
            if (!a->isSeparator() && !a->text().isEmpty() && !qobject_cast<QWidgetAction*>(a)) {
                EXPECT_FALSE(a->icon().isNull()) << name << ": " << a->text().toStdString();
            }
    }
    EXPECT_EQ(form->action(QStringLiteral("align hspread"))->toolTip(), QStringLiteral("Расположить равномерно по ширине"));
    EXPECT_EQ(form->action(QStringLiteral("cut"))->shortcuts().size(), 2);
    EXPECT_TRUE(frReportIcon(QStringLiteral("no-such-icon")).isNull());
}

// An add-in class of the test, with a button picture and hint of its own.
class TfrGadgetView : public TfrView {
public:
    TfrGadgetView() { objectType = gtAddIn; }
    const TfrObjectClass& objectClass() const override { return classInfo(); }
    static const TfrObjectClass& classInfo() {
        static const TfrObjectClass c =
            frAddInClass<TfrGadgetView>(QStringLiteral("TfrGadgetView"), QStringLiteral("Gadget"), TfrView::classInfo());
        return c;
    }
};

TEST_F(Form, TheObjectToolBarHasAButtonPerAddInClass) {
    engine.registerClass(TfrGadgetView::classInfo());
    frRegisterDesignerClass(TfrGadgetView::classInfo(),
                            {frReportIcon(QStringLiteral("design-tool-picture")), QStringLiteral("Вставить штуку"), {}});
    auto form = open();
    QAction* tool = form->action(QStringLiteral("tool TfrGadgetView"));
    ASSERT_NE(tool, nullptr);
    EXPECT_EQ(tool->toolTip(), QStringLiteral("Вставить штуку"));
    EXPECT_TRUE(form->toolBar(QStringLiteral("Objects"))->actions().contains(tool));
    tool->trigger();
    drag(*form, QPoint(300, 300), QPoint(300, 300));
    EXPECT_NE(report.findObject(QStringLiteral("Gadget1")), nullptr);
}

TEST_F(Form, UnitsChangeWithADoubleClickInTheStatusBar) {
    memo("M", 36, 72, 36, 18, QStringLiteral("Текст"));
    auto form = open();
    form->document().selectNames({QStringLiteral("M")});
    form->refresh();
    EXPECT_EQ(form->statusLabel(0)->text(), QStringLiteral("Пикселы"));
    EXPECT_EQ(form->statusLabel(1)->text(), QStringLiteral("36; 72"));
    EXPECT_EQ(form->statusLabel(3)->text(), QStringLiteral("M: Текст"));
    QTest::mouseDClick(form->statusLabel(0), Qt::LeftButton);
    EXPECT_EQ(form->statusLabel(0)->text(), QStringLiteral("Миллиметры"));
    EXPECT_EQ(form->statusLabel(1)->text(), QStringLiteral("10.00; 20.00"));
}

TEST_F(Form, ClosingAModifiedReportAsksFirst) {
    memo("M", 36, 72, 36, 18, QStringLiteral("Текст"));
    auto form = open();
    form->document().selectNames({QStringLiteral("M")});
    QTest::keyClick(form->pageArea(), Qt::Key_Down, Qt::ControlModifier);
    ASSERT_TRUE(form->document().modified());
    ui.answers = {TUserInteraction::Cancel};
    EXPECT_FALSE(form->close());
    EXPECT_TRUE(form->isVisible());
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, QStringLiteral("Сохранить изменения в Untitled?"));
    EXPECT_EQ(ui.messages[0].title, QStringLiteral("Подтверждение"));
    ui.answers = {TUserInteraction::No};
    EXPECT_TRUE(form->close());
    // Escape returns to the select tool and never closes the window.
    auto again = open();
    again->action(QStringLiteral("tool line"))->trigger();
    QTest::keyClick(again.get(), Qt::Key_Escape);
    EXPECT_TRUE(again->isVisible());
    EXPECT_EQ(again->document().tool(), nullptr);
}

TEST_F(Form, SettingsAreWrittenWhenTheDesignerCloses) {
    // A registry of its own: the other designers of the program write theirs too.
    const QTemporaryDir dir;
    const QByteArray previous = qgetenv("OSTRAND_REGISTRY");
    qputenv("OSTRAND_REGISTRY", dir.filePath(QStringLiteral("registry.ini")).toLocal8Bit());
    {
        auto form = open();
        form->document().settings().gridSize = 18;
        form->document().settings().units = TfrUnits::Inches;
        form->toolBar(QStringLiteral("Alignment"))->hide();
        form->close();
    }
    auto form = open();
    EXPECT_EQ(form->document().gridSize(), 18);
    EXPECT_EQ(form->document().settings().units, TfrUnits::Inches);
    EXPECT_TRUE(form->toolBar(QStringLiteral("Alignment"))->isHidden());
    form.reset();
    qputenv("OSTRAND_REGISTRY", previous);
}

namespace {

// Whether an image has a pixel that is not grey, and whether it has any at all.
bool hasColour(const QImage& image) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.alpha() > 0 && (c.red() != c.green() || c.green() != c.blue()))
                return true;
        }
    return false;
}

} // namespace

// "Цветные кнопки" off: the tool bars' pictures are grey until the mouse is
// over them; on again, they are in colour.
TEST_F(Form, GreyButtonsTakeTheirColoursUnderTheMouse) {
    const QTemporaryDir dir;
    const QByteArray previous = qgetenv("OSTRAND_REGISTRY");
    qputenv("OSTRAND_REGISTRY", dir.filePath(QStringLiteral("registry.ini")).toLocal8Bit());
    TRegistry(frDesignerRegistryKey()).writeBool(frDesignerFormSection(), QStringLiteral("GrayButtons"), true);
    const QImage colour = frReportIcon(QStringLiteral("design-tool-text")).pixmap(16, 16).toImage();
    ASSERT_TRUE(hasColour(colour));
    {
        auto form = open();
        const QIcon shown = form->action(QStringLiteral("tool text"))->icon();
        const QImage normal = shown.pixmap(16, 16).toImage();
        EXPECT_FALSE(hasColour(normal));
        EXPECT_NE(normal.pixelColor(8, 8).alpha() + normal.pixelColor(4, 4).alpha(), 0);
        EXPECT_EQ(shown.pixmap(16, 16, QIcon::Active).toImage(), colour);
        whenModal([](QWidget& modal) {
            for (QCheckBox* box : modal.findChildren<QCheckBox*>())
                if (box->text() == QStringLiteral("Цветные кнопки"))
                    box->setChecked(true);
            static_cast<QDialog&>(modal).accept();
        });
        form->action(QStringLiteral("options"))->trigger();
        EXPECT_FALSE(form->document().settings().grayButtons);
        EXPECT_EQ(form->action(QStringLiteral("tool text"))->icon().pixmap(16, 16).toImage(), colour);
        form->close();
    }
    qputenv("OSTRAND_REGISTRY", previous);
}

// Tool bars come back on their sides and in their rows, in the order of their
// stored positions, and go on so after the next close.
TEST_F(Form, ToolBarsComeBackInTheirRows) {
    const QTemporaryDir dir;
    const QByteArray previous = qgetenv("OSTRAND_REGISTRY");
    qputenv("OSTRAND_REGISTRY", dir.filePath(QStringLiteral("registry.ini")).toLocal8Bit());
    const struct {
        const char* bar;
        const char* dock;
        int x, y;
    } stored[] = {{"Alignment", "Top", 0, 0}, {"Standard", "Top", 300, 0}, {"Text", "Top", 0, 30},
                  {"Frame", "Top", 400, 30}, {"Objects", "Right", 0, 0}, {"Wizards", "Top", 600, 30}};
    {
        TRegistry registry(frDesignerRegistryKey());
        for (const auto& b : stored) {
            const QString section = QStringLiteral("ToolBar\\") + QString::fromLatin1(b.bar);
            registry.writeString(section, QStringLiteral("DockName"), QString::fromLatin1(b.dock));
            registry.writeInteger(section, QStringLiteral("XPosition"), b.x);
            registry.writeInteger(section, QStringLiteral("YPosition"), b.y);
        }
    }
    for (int round = 0; round < 2; ++round) {
        auto form = open();
        auto* window = qobject_cast<QMainWindow*>(form->toolBar(QStringLiteral("Standard"))->parentWidget());
        ASSERT_NE(window, nullptr);
        QApplication::processEvents();
        auto bar = [&](const char* name) { return form->toolBar(QString::fromLatin1(name)); };
        EXPECT_EQ(window->toolBarArea(bar("Objects")), Qt::RightToolBarArea) << round;
        EXPECT_EQ(window->toolBarArea(bar("Alignment")), Qt::TopToolBarArea) << round;
        EXPECT_FALSE(window->toolBarBreak(bar("Standard"))) << round;
        EXPECT_TRUE(window->toolBarBreak(bar("Text"))) << round;
        EXPECT_FALSE(window->toolBarBreak(bar("Frame"))) << round;
        // Alignment before Standard in the first row, Text before Frame in the second.
        EXPECT_LT(bar("Alignment")->geometry().x(), bar("Standard")->geometry().x()) << round;
        EXPECT_LT(bar("Alignment")->geometry().y(), bar("Text")->geometry().y()) << round;
        EXPECT_LT(bar("Text")->geometry().x(), bar("Frame")->geometry().x()) << round;
        form->close();
    }
    qputenv("OSTRAND_REGISTRY", previous);
}

TEST_F(Form, HelpShowsTheGuide) {
    auto form = open();
    form->showHelp();
    auto* browser = form->findChild<QTextBrowser*>(QStringLiteral("HelpBrowser"));
    ASSERT_NE(browser, nullptr);
    EXPECT_TRUE(browser->toPlainText().contains(QStringLiteral("Дизайнер отчётов")));
    EXPECT_TRUE(browser->toPlainText().contains(QStringLiteral("ostrand-cli --edit")));
}

TEST_F(Form, PreviewBuildsTheTemplateWithoutChangingIt) {
    band("MasterData1", btMasterData, 100, 40).setDataSourceName(QStringLiteral("3"));
    memo("Line", 40, 100, 200, 20, QStringLiteral("строка [LINE#]"));
    frPageEditor(engine) = [](TfrReport&, int, QWidget*) { return false; };
    auto form = open();
    const QByteArray before = report.saveToStream();
    int pages = -1;
    bool editorOffered = true;
    whenModal([&](QWidget& modal) {
        auto* preview = qobject_cast<TfrPreviewForm*>(&modal);
        ASSERT_NE(preview, nullptr);
        pages = preview->pageCount();
        // The program's page editor stays installed, but this preview offers none.
        EXPECT_TRUE(frPageEditor(engine));
        const auto* edit = preview->findChild<QAction*>(QStringLiteral("mnuEditPage"));
        ASSERT_NE(edit, nullptr);
        editorOffered = edit->property("available").toBool();
        preview->close();
    });
    QTest::keyClick(form.get(), Qt::Key_P, Qt::ControlModifier);
    EXPECT_EQ(pages, 1);
    EXPECT_FALSE(editorOffered);
    EXPECT_EQ(report.saveToStream(), before);
    EXPECT_FALSE(form->document().modified());
}

} // namespace
