#include "common/cp1251.h"
#include "common/interaction.h"
#include "report/builder/preparedpages.h"
#include "report/render/textlayout.h"
#include "report/render/textmeasure.h"
#include "report/export/exportfilter.h"
#include "report/export/textexport.h"
#include "report/model/constants.h"
#include "report/model/engine.h"
#include "report/model/objects.h"
#include "report/icons/icons.h"
#include "report/preview/pagesetup.h"
#include "report/preview/previewform.h"
#include "report/preview/previewservices.h"
#include "report/preview/printform.h"
#include "report/preview/printreport.h"

#include <QAction>
#include <QToolBar>
#include <QWidgetAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QProgressDialog>
#include <QSpinBox>
#include <QWheelEvent>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QKeyEvent>
#include <QMenu>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <gtest/gtest.h>

namespace {

const QString E = QString(frLineEnd);

// A printer of the tests (A4 at 300 dpi, either way up, all of it
// printable); a broken one cannot be read.
class TestPrinter : public TfrPrinterDevice {
public:
    explicit TestPrinter(QString name, bool broken = false) : m_name(std::move(name)), m_broken(broken) {}
    QString name() const override { return m_name; }
    State read() override {
        if (m_broken)
            throw Exception(QStringLiteral("offline"));
        State s;
        s.paper = m_paper;
        s.papers = {{frPaperA4, QStringLiteral("A4")}};
        s.resolutionX = s.resolutionY = 300;
        const bool landscape = m_paper.orientation == poLandscape;
        s.pageWidth = s.printableWidth = landscape ? 3508 : 2480;
        s.pageHeight = s.printableHeight = landscape ? 2480 : 3508;
        return s;
    }
    void apply(const TfrPaperSetting& paper) override { m_paper.orientation = paper.orientation; }

private:
    QString m_name;
    bool m_broken;
    TfrPaperSetting m_paper{frPaperA4, 2100, 2970, poPortrait, -1};
};

// The printers "Laser", "Plotter" and the broken "Offline", and `more`.
std::vector<std::unique_ptr<TfrPrinterDevice>> testPrinters(const QStringList& more = {}) {
    std::vector<std::unique_ptr<TfrPrinterDevice>> d;
    d.push_back(std::make_unique<TestPrinter>(QStringLiteral("Laser")));
    d.push_back(std::make_unique<TestPrinter>(QStringLiteral("Plotter")));
    d.push_back(std::make_unique<TestPrinter>(QStringLiteral("Offline"), true));
    for (const QString& name : more)
        d.push_back(std::make_unique<TestPrinter>(name));
    return d;
}

// A print job that notes the pages drawn and calls `onPage` for each.
class TestJob : public TfrPrintDevice {
public:
    explicit TestJob(QStringList& log, std::function<void()> onPage = {}) : m_log(log), m_onPage(std::move(onPage)) {}
    bool canCopy() const override { return false; }
    void beginJob(const QString&, int) override {}
    void newSheet() override {}
    void drawPage(TfrEMFPages&, int index, const QRect&) override {
        m_log << QString::number(index + 1);
        if (m_onPage)
            m_onPage();
    }
    void endJob() override {}
    void abortJob() override {}

private:
    QStringList& m_log;
    std::function<void()> m_onPage;
};

class Preview : public ::testing::Test {
protected:
    Preview() {
        frSetTextMeasurer(engine, std::make_shared<TfrFixedMeasurer>());
        report.pages().add();
    }

    TfrEMFPages& pages() { return frPreparedPages(report); }

    // Appends a page and returns its index.
    int addPage() {
        pages().add(*report.pages().page(0));
        return pages().count() - 1;
    }
    // A one-line memo printed on a page (as the builder leaves it).
    void addText(int page, const QString& name, int left, int top, const QString& text, const QString& tag = {}) {
        std::unique_ptr<TfrView> v = engine.createObject(gtMemo, QString());
        v->setName(name);
        v->setBounds(left, top, 200, 20);
        v->tag = tag;
        static_cast<TfrMemoView&>(*v).memo = QStringList{text + E};
        pages().appendObject(page, *v);
    }

    std::unique_ptr<TfrPreviewForm> open() {
        auto form = std::make_unique<TfrPreviewForm>(report);
        form->setWindowState(Qt::WindowNoState);
        form->resize(900, 700);
        form->show();
        QApplication::processEvents();
        return form;
    }

    static void key(TfrPreviewForm& form, int k, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QKeyEvent press(QEvent::KeyPress, k, modifiers);
        QApplication::sendEvent(&form, &press);
    }
    // The point of the painting box over a point of a page (report pixels).
    static QPoint boxPoint(const TfrPreviewForm& form, int page, QPoint at) {
        const QRect r = form.layout().pages.at(std::size_t(page)).translated(-form.scrollPosition());
        return r.topLeft() + QPoint(int(at.x() * form.zoom()) + 1, int(at.y() * form.zoom()) + 1);
    }

    TRecordingInteraction ui;
    TfrEngine engine{&ui};
    TfrReport report{engine};
};

TEST_F(Preview, TakesThePagesOverAndKeysStayWithinThem) {
    for (int i = 0; i < 3; ++i)
        addPage();
    auto form = open();
    EXPECT_EQ(report.preparedPages()->count(), 0); // the window holds them
    ASSERT_EQ(form->pageCount(), 3);

    // Page width: the box less 20 pixels.
    form->setZoom(TfrZoomMode::PageWidth);
    const int pageWidth = form->pages()[0].prnInfo.pgw;
    EXPECT_DOUBLE_EQ(form->zoom(), double(form->paintBox()->width() - 20) / pageWidth);

    form->setZoom(TfrZoomMode::Fixed, 100);
    EXPECT_EQ(form->layout().perRow, 1);
    EXPECT_EQ(form->pageLabelText(), QStringLiteral("Стр. 1/3"));

    key(*form, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(form->currentPage(), 2);
    EXPECT_EQ(form->pageLabelText(), QStringLiteral("Стр. 3/3"));
    key(*form, Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(form->currentPage(), 2);
    EXPECT_EQ(form->scrollPosition().y(), std::min(form->layout().vMax, form->layout().pages[2].top() - 10));

    key(*form, Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(form->scrollPosition().y(), 0);
    EXPECT_EQ(form->currentPage(), 0);
    key(*form, Qt::Key_PageUp, Qt::ControlModifier);
    EXPECT_EQ(form->currentPage(), 0);
    key(*form, Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(form->currentPage(), 1);
    EXPECT_EQ(form->scrollPosition().y(), form->layout().pages[1].top() - 10);

    key(*form, Qt::Key_Home, Qt::ControlModifier);
    key(*form, Qt::Key_PageDown);
    key(*form, Qt::Key_Down);
    EXPECT_EQ(form->scrollPosition().y(), 210);
    key(*form, Qt::Key_Up);
    EXPECT_EQ(form->scrollPosition().y(), 200);
    // Scrolling makes the page under the top of the box current.
    key(*form, Qt::Key_PageDown, Qt::NoModifier);
    for (int i = 0; i < 5; ++i)
        key(*form, Qt::Key_PageDown);
    EXPECT_EQ(form->currentPage(), 1);

    form.reset();
    EXPECT_EQ(report.preparedPages()->count(), 0); // closed: the pages are gone with the window
}

TEST_F(Preview, PagesTheReportIsGivenWhileOpenReplaceTheOnesShown) {
    addPage();
    addText(0, "Old", 10, 10, "old page");
    auto form = open();
    form->setCurrentPage(0);
    // A rebuild while the window is open (the designer's preview, another
    // printer) gives the report a new list: the window shows it and the
    // report holds an empty list again.
    auto rebuilt = std::make_shared<TfrEMFPages>(engine);
    for (int i = 0; i < 4; ++i)
        rebuilt->add(*report.pages().page(0));
    report.setPreparedPages(rebuilt);
    EXPECT_EQ(form->pageCount(), 4);
    EXPECT_EQ(&form->pages(), rebuilt.get());
    EXPECT_EQ(report.preparedPages()->count(), 0);
    // A list without pages (a failed build) leaves the pages shown.
    report.setPreparedPages(std::make_shared<TfrEMFPages>(engine));
    EXPECT_EQ(form->pageCount(), 4);
    // Closed, the window no longer follows the report.
    form.reset();
    report.setPreparedPages(std::make_shared<TfrEMFPages>(engine));
}

TEST_F(Preview, ZoomChosenLastStartsTheNextPreview) {
    addPage();
    {
        auto form = open();
        form->setZoom(TfrZoomMode::Fixed, 50);
        EXPECT_EQ(form->zoomMenu()->actions().at(4)->isChecked(), true); // "50%"
    }
    addPage();
    {
        auto form = open();
        EXPECT_EQ(form->zoomMode(), TfrZoomMode::Fixed);
        EXPECT_DOUBLE_EQ(form->zoom(), 0.5);
    }
    addPage();
    report.initialZoom = TfrPreviewZoom::pzOnePage;
    auto form = open();
    EXPECT_EQ(form->zoomMode(), TfrZoomMode::WholePage);
}

TEST_F(Preview, SearchFindsHitsInDrawingOrderAndF3GoesOn) {
    addPage();
    addPage();
    addPage();
    // Drawn first although lower on the page.
    addText(0, "Memo1", 40, 300, QStringLiteral("вторая alpha"));
    addText(0, "Memo2", 40, 40, QStringLiteral("alpha первая"));
    addText(0, "Memo3", 40, 80, QStringLiteral("beta"));
    addText(1, "Memo4", 40, 500, QStringLiteral("ALPHA"));
    addText(2, "Memo5", 40, 100, QStringLiteral("alpha"));
    auto form = open();
    form->setZoom(TfrZoomMode::Fixed, 100);
    const QImage before = form->paintBox()->grab().toImage();

    ASSERT_TRUE(form->find(QStringLiteral("Alpha"), false, true));
    EXPECT_EQ(form->currentPage(), 0);
    const QRect first = form->search().hitBounds();
    EXPECT_GE(first.top(), 300);
    EXPECT_LT(first.top(), 320);
    EXPECT_EQ(first.width(), 6 * 12); // the fixed measurer: 6 pixels a character

    // The hit is filled: most of its pixels are tinted, the frame around it
    // as well.
    const QRect page = form->layout().pages[0].translated(-form->scrollPosition());
    const QRect onScreen = first.translated(page.topLeft());
    const QImage after = form->paintBox()->grab().toImage();
    int tinted = 0;
    for (int y = onScreen.top(); y <= onScreen.bottom(); ++y)
        for (int x = onScreen.left(); x <= onScreen.right(); ++x)
            tinted += after.pixel(x, y) != before.pixel(x, y);
    EXPECT_GT(tinted, onScreen.width() * onScreen.height() * 3 / 4);
    const QPoint edge(onScreen.left() - 1, onScreen.center().y());
    EXPECT_NE(after.pixel(edge), before.pixel(edge));

    key(*form, Qt::Key_F3);
    EXPECT_EQ(form->currentPage(), 0);
    EXPECT_LT(form->search().hitBounds().top(), 60);
    key(*form, Qt::Key_F3);
    EXPECT_EQ(form->currentPage(), 1); // case ignored
    key(*form, Qt::Key_F3);
    EXPECT_EQ(form->currentPage(), 2);
    EXPECT_TRUE(ui.messages.empty());
    // Nothing more: the user is told, the highlight goes, the page stays.
    const QImage withHit = form->paintBox()->grab().toImage();
    EXPECT_FALSE(form->findNext());
    EXPECT_EQ(form->currentPage(), 2);
    EXPECT_FALSE(form->search().found());
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, QStringLiteral("Текст не найден"));
    EXPECT_NE(form->paintBox()->grab().toImage(), withHit);
    ui.messages.clear();

    // Case-sensitive, from the start.
    ASSERT_TRUE(form->find(QStringLiteral("ALPHA"), true, true));
    EXPECT_EQ(form->currentPage(), 1);

    // F3 on another page than the last hit searches on from that page.
    ASSERT_TRUE(form->find(QStringLiteral("alpha"), false, true));
    EXPECT_EQ(form->currentPage(), 0);
    key(*form, Qt::Key_End, Qt::ControlModifier);
    key(*form, Qt::Key_F3);
    EXPECT_EQ(form->currentPage(), 2);
    // Continuing from the current page skips the pages before it.
    form->setCurrentPage(1);
    ASSERT_TRUE(form->find(QStringLiteral("alpha"), false, false));
    EXPECT_EQ(form->currentPage(), 1);
    EXPECT_FALSE(form->find(QStringLiteral("gamma"), false, true));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, QStringLiteral("Текст не найден"));
}

TEST_F(Preview, PageMenuNeverRemovesTheOnlyPage) {
    addText(addPage(), "A", 40, 40, QStringLiteral("A"));
    auto form = open();
    EXPECT_FALSE(form->canRemovePage());
    EXPECT_FALSE(form->removePage());
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(form->pageCount(), 1);

    // A new empty page goes before the current one.
    form->addPage();
    ASSERT_EQ(form->pageCount(), 2);
    EXPECT_EQ(form->pages()[0].streamSize(), 1); // the version byte only
    EXPECT_EQ(form->pages()[0].paperWidth, form->pages()[1].paperWidth);
    EXPECT_TRUE(form->canRemovePage());
    EXPECT_EQ(form->pageLabelText(), QStringLiteral("Стр. 1/2"));

    ui.answers = {TUserInteraction::No};
    form->setCurrentPage(1);
    EXPECT_FALSE(form->removePage());
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, QStringLiteral("Удалить страницу?"));
    EXPECT_EQ(ui.messages[0].title, QStringLiteral("Подтверждение"));
    EXPECT_EQ(form->pageCount(), 2);

    ui.answers = {TUserInteraction::Yes};
    EXPECT_TRUE(form->removePage());
    ASSERT_EQ(form->pageCount(), 1);
    EXPECT_EQ(form->currentPage(), 0);
    EXPECT_EQ(form->pages()[0].streamSize(), 1); // page "A" was the current one
    EXPECT_FALSE(form->canRemovePage());
}

TEST_F(Preview, SavedPagesOpenAgainAndFailedFilesKeepThePages) {
    addText(addPage(), "Memo1", 40, 40, QStringLiteral("первая"));
    addText(addPage(), "Memo2", 40, 80, QStringLiteral("вторая"));
    const QByteArray streams = pages()[0].stream() + pages()[1].stream();
    QTemporaryDir dir;
    auto form = open();

    // The prepared-report file always gets its extension.
    ASSERT_TRUE(form->saveFile(dir.filePath("report.txt")));
    EXPECT_TRUE(QFile::exists(dir.filePath("report.frp")));
    EXPECT_FALSE(QFile::exists(dir.filePath("report.txt")));
    EXPECT_EQ(form->pageCount(), 2);
    EXPECT_EQ(report.preparedPages()->count(), 0);

    // A directory is no file to write: told, pages kept.
    QDir(dir.path()).mkdir("taken.frp");
    EXPECT_FALSE(form->saveFile(dir.filePath("taken.frp")));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(form->pageCount(), 2);

    // Another window over one page opens the file.
    form.reset();
    addPage();
    form = open();
    ASSERT_EQ(form->pageCount(), 1);
    form->setCurrentPage(0);
    ASSERT_TRUE(form->openFile(dir.filePath("report.frp")));
    ASSERT_EQ(form->pageCount(), 2);
    EXPECT_EQ(form->pages()[0].stream() + form->pages()[1].stream(), streams);
    EXPECT_EQ(form->pageLabelText(), QStringLiteral("Стр. 1/2"));
    EXPECT_EQ(report.preparedPages()->count(), 0);

    // Damaged and missing files: the message, and the pages stay.
    QFile damaged(dir.filePath("damaged.frp"));
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write(QByteArray("\x19garbage that is no prepared report", 35));
    damaged.close();
    const std::size_t told = ui.messages.size();
    EXPECT_FALSE(form->openFile(damaged.fileName()));
    EXPECT_FALSE(form->openFile(dir.filePath("missing.frp")));
    EXPECT_EQ(ui.messages.size(), told + 2);
    EXPECT_EQ(form->pageCount(), 2);
    EXPECT_EQ(form->pages()[0].stream() + form->pages()[1].stream(), streams);
}

TEST_F(Preview, LinksJumpToPagesAndOnlyWebAndMailAddressesLeave) {
    const int first = addPage();
    addPage();
    addPage();
    addText(first, "URL1", 40, 40, QStringLiteral("к странице 2"), QStringLiteral("@2"));
    addText(first, "URL2", 40, 80, QStringLiteral("сайт"), QStringLiteral("https://example.org"));
    addText(first, "URL3", 40, 120, QStringLiteral("файл"), QStringLiteral("file:///etc/passwd"));
    addText(first, "URL4", 40, 160, QStringLiteral("почта"), QStringLiteral("mailto:someone@example.org"));
    addText(first, "URL5", 40, 200, QStringLiteral("к началу"), QStringLiteral("@0"));
    auto form = open();
    std::vector<QUrl> opened;
    form->setLinkOpener([&](const QUrl& url) {
        opened.push_back(url);
        return true;
    });
    // At 25 % the three pages stand in one row: the first stays in view.
    form->setZoom(TfrZoomMode::Fixed, 25);
    ASSERT_EQ(form->layout().perRow, 3);

    form->hoverAt(boxPoint(*form, 0, {100, 45}));
    EXPECT_EQ(form->infoLabelText(), QStringLiteral("Стр. 2"));
    form->clickAt(boxPoint(*form, 0, {100, 45}));
    EXPECT_EQ(form->currentPage(), 1);
    form->clickAt(boxPoint(*form, 0, {100, 205}));
    EXPECT_EQ(form->currentPage(), 0);

    form->hoverAt(boxPoint(*form, 0, {100, 85}));
    EXPECT_EQ(form->infoLabelText(), QStringLiteral("https://example.org"));
    form->clickAt(boxPoint(*form, 0, {100, 85}));
    form->clickAt(boxPoint(*form, 0, {100, 125}));
    form->clickAt(boxPoint(*form, 0, {100, 165}));
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[0], QUrl("https://example.org"));
    EXPECT_EQ(opened[1], QUrl("mailto:someone@example.org"));
    EXPECT_EQ(form->currentPage(), 0);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_TRUE(ui.messages[0].text.contains("file:///etc/passwd"));
}

TEST_F(Preview, ButtonsFollowTheReportAndPrintAndExportGetThePages) {
    struct Case {
        std::uint32_t buttons;
        const char* shown;
        const char* hidden;
    };
    const Case cases[] = {
        {pbZoom | pbLoad | pbSave | pbPrint | pbFind | pbHelp | pbExit, "btnLoad", "btnPageSetup"},
        {pbFind | pbPageSetup, "btnPageSetup", "btnSave"},
        {pbHelp, "btnHelp", "btnExit"},
    };
    for (const Case& c : cases) {
        report.previewButtons = c.buttons;
        TfrPreviewForm form(report);
        EXPECT_TRUE(form.action(c.shown)->isVisible()) << c.shown;
        EXPECT_FALSE(form.action(c.hidden)->isVisible()) << c.hidden;
        EXPECT_FALSE(form.action("btnPrint")->isEnabled()); // no print service
    }

    int printedPage = 0, pagesWhilePrinting = 0, exportedIndex = -1, pagesWhileExporting = 0;
    TfrPreviewServices& services = frPreviewServices(engine);
    services.print = [&](TfrReport& r, int currentPage, QWidget*, const std::function<bool(int, int)>&) {
        printedPage = currentPage + 1;
        pagesWhilePrinting = r.preparedPages()->count();
        return true;
    };
    services.exportFilters = [](TfrEngine&) { return QStringList{QStringLiteral("Текст (*.txt)")}; };
    services.exportReport = [&](TfrReport& r, int index, const QString&, QWidget*) {
        exportedIndex = index;
        pagesWhileExporting = r.preparedPages()->count();
        return true;
    };
    report.previewButtons |= pbPrint;
    addPage();
    addPage();
    auto form = open();
    QAction* print = form->action("btnPrint");
    ASSERT_TRUE(print->isEnabled());
    form->setCurrentPage(1);
    key(*form, Qt::Key_P, Qt::ControlModifier);
    EXPECT_EQ(printedPage, 2);
    EXPECT_EQ(pagesWhilePrinting, 2);
    EXPECT_EQ(form->pageCount(), 2);
    QTemporaryDir dir;
    EXPECT_TRUE(form->saveFile(dir.filePath("out.txt"), 1));
    EXPECT_EQ(exportedIndex, 0);
    EXPECT_EQ(pagesWhileExporting, 2);
    EXPECT_EQ(form->pageCount(), 2);
    EXPECT_EQ(report.preparedPages()->count(), 0);
}

TEST_F(Preview, ExportGoesThroughTheRegisteredFilters) {
    TfrExportFilters& filters = frExportFilters(engine);
    filters.add(std::make_unique<TfrTextExport>())->showDialog = false;
    frPreviewServices(engine) = frStandardPreviewServices();
    addText(addPage(), "Memo1", 40, 40, QStringLiteral("Подстанция Северная"));
    auto form = open();
    QTemporaryDir dir;
    // The file takes the filter's extension.
    ASSERT_TRUE(form->saveFile(dir.filePath("report.frp"), 1));
    QFile out(dir.filePath("report.txt"));
    ASSERT_TRUE(out.open(QIODevice::ReadOnly));
    EXPECT_TRUE(out.readAll().contains(cp1251::encode(QStringLiteral("Подстанция Северная"))));
    EXPECT_FALSE(QFile::exists(dir.filePath("report.frp")));
    EXPECT_EQ(form->pageCount(), 1);
}

TEST_F(Preview, HelpShowsTheGuideFromTheProgram) {
    addPage();
    auto form = open();
    form->action("btnHelp")->trigger();
    auto* browser = form->findChild<QTextBrowser*>();
    ASSERT_NE(browser, nullptr);
    EXPECT_TRUE(browser->toPlainText().contains(QStringLiteral("Предварительный просмотр")));
    EXPECT_TRUE(browser->toPlainText().contains(QStringLiteral("F3")));
}

TEST_F(Preview, APrinterChosenForPrintingIsSetUpForTheReportWhichIsBuiltAnewFirst) {
    engine.printer().setDevices(testPrinters());
    report.rebuildPrinter = true;
    report.showPrintDialog = true;
    report.previewButtons |= pbPrint;
    int builds = 0;
    engine.prepareReportHook = [&](TfrReport& r) {
        ++builds;
        auto rebuilt = std::make_shared<TfrEMFPages>(engine);
        for (int i = 0; i < 3; ++i)
            rebuilt->add(*report.pages().page(0));
        r.setPreparedPages(rebuilt);
        return true;
    };
    addPage();
    std::unique_ptr<TfrPreviewForm> form;

    // What the dialog chooses, the printers installed by then, and what the
    // job saw: the pages on the screen and whether a progress window was up.
    int choose = 1, dialogPrinters = 0, shownWhilePrinting = 0;
    bool progressShown = false;
    QStringList more, printed;
    frPreviewServices(engine).print = [&](TfrReport& r, int current, QWidget* parent,
                                          const std::function<bool(int, int)>& printerChanged) {
        TfrPrintHooks hooks;
        hooks.printerChanged = printerChanged;
        hooks.installedPrinters = [&] { return testPrinters(more); };
        hooks.runDialog = [&](TfrPrintForm& dialog) {
            auto* list = dialog.findChild<QComboBox*>(QStringLiteral("PrinterCB"));
            dialogPrinters = list->count();
            emit list->activated(choose);
            return int(QDialog::Accepted);
        };
        hooks.jobDevice = [&](TfrPrinter&) {
            return std::make_unique<TestJob>(printed, [&] {
                shownWhilePrinting = form->pageCount();
                progressShown = form->findChild<QProgressDialog*>(QStringLiteral("PrintProgress")) != nullptr;
            });
        };
        return frPrintReport(r, current, parent, hooks);
    };
    form = open();

    form->action("btnPrint")->trigger();
    EXPECT_EQ(dialogPrinters, 3);
    EXPECT_EQ(report.printerName, QStringLiteral("Plotter"));
    EXPECT_EQ(builds, 1);
    EXPECT_EQ(shownWhilePrinting, 3); // the new pages were shown before they printed
    EXPECT_EQ(printed, (QStringList{"1", "2", "3"}));
    EXPECT_TRUE(progressShown);
    EXPECT_TRUE(ui.messages.empty());

    // A printer that cannot be set up: the user is told, the report stays on
    // the printer it had, nothing is built or printed.
    choose = 2;
    printed.clear();
    form->action("btnPrint")->trigger();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, frPrinterSetupFailedText());
    EXPECT_EQ(engine.printer().printerName(), QStringLiteral("Plotter"));
    EXPECT_EQ(report.printerName, QStringLiteral("Plotter"));
    EXPECT_EQ(builds, 1);
    EXPECT_TRUE(printed.isEmpty());

    // A printer installed since is offered; the same printer kept prints the
    // pages as they are, without a progress window when the report shows none.
    more = {QStringLiteral("New")};
    choose = 1;
    report.showProgress = false;
    form->action("btnPrint")->trigger();
    EXPECT_EQ(dialogPrinters, 4);
    EXPECT_EQ(builds, 1);
    EXPECT_EQ(printed, (QStringList{"1", "2", "3"}));
    EXPECT_FALSE(progressShown);
}

TEST_F(Preview, PageSetUpTakesOverItsPrinterAndShowsThePagesAgain) {
    engine.printer().setDevices(testPrinters());
    TfrPageSetup landscape;
    landscape.margins = {36, 36, 36, 36};
    landscape.paperSize = frPaperA4;
    landscape.paperWidth = 2100;
    landscape.paperHeight = 2970;
    landscape.orientation = poLandscape;

    // Pages read from a file cannot be built again: they take the paper and
    // margins themselves and are shown again from page 1.
    addPage();
    addPage();
    pages().loadedFromFile = true;
    {
        auto form = open();
        form->setCurrentPage(1);
        form->applyPageSetup(landscape, QStringLiteral("Plotter"));
        EXPECT_EQ(engine.printer().printerName(), QStringLiteral("Plotter"));
        EXPECT_EQ(report.printerName, QStringLiteral("Plotter"));
        EXPECT_EQ(form->currentPage(), 0);
        for (int i = 0; i < 2; ++i) {
            EXPECT_EQ(form->pages()[i].orientation, poLandscape);
            EXPECT_EQ(form->pages()[i].margins.top, 36);
            const QRect shown = form->layout().pages[std::size_t(i)];
            EXPECT_GT(shown.width(), shown.height());
        }
        // A printer that cannot be set up: told, and nothing changes.
        form->applyPageSetup(TfrPageSetup{}, QStringLiteral("Offline"));
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].text, frPrinterSetupFailedText());
        EXPECT_EQ(engine.printer().printerName(), QStringLiteral("Plotter"));
        EXPECT_EQ(form->pages()[0].orientation, poLandscape);
        ui.messages.clear();
    }

    // A report that can be built: its pages take the set-up and it is built
    // anew, on the printer of the dialog.
    pages().loadedFromFile = false;
    int builds = 0;
    engine.prepareReportHook = [&](TfrReport& r) {
        ++builds;
        auto rebuilt = std::make_shared<TfrEMFPages>(engine);
        rebuilt->add(*r.pages().page(0));
        r.setPreparedPages(rebuilt);
        return true;
    };
    auto form = open();
    form->applyPageSetup(landscape, QStringLiteral("Laser"));
    EXPECT_EQ(builds, 1);
    EXPECT_EQ(report.printerName, QStringLiteral("Laser"));
    EXPECT_EQ(report.pages().page(0)->orientation, poLandscape);
    EXPECT_EQ(report.pages().page(0)->margins.left, 36);
    ASSERT_EQ(form->pageCount(), 1);
    EXPECT_EQ(form->pages()[0].orientation, poLandscape);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(Preview, TheToolBarPagesThroughTheReport) {
    for (int i = 0; i < 5; ++i)
        addPage();
    auto form = open();
    QSpinBox* field = form->pageField();
    EXPECT_EQ(field->text(), QStringLiteral("Стр. 1 из 5"));
    form->action("btnLastPage")->trigger();
    EXPECT_EQ(form->currentPage(), 4);
    EXPECT_EQ(field->text(), QStringLiteral("Стр. 5 из 5"));
    form->action("btnPriorPage")->trigger();
    EXPECT_EQ(form->currentPage(), 3);
    form->action("btnFirstPage")->trigger();
    form->action("btnPriorPage")->trigger(); // stays on the first page
    EXPECT_EQ(form->currentPage(), 0);
    form->action("btnNextPage")->trigger();
    EXPECT_EQ(form->currentPage(), 1);
    EXPECT_EQ(form->scrollPosition().y(), form->layout().pages[1].top() - form->layout().pages[0].top());

    // A page typed into the field, Enter: the view goes there; the keys of
    // the window still page.
    const struct {
        const char* typed;
        int page;
    } typed[] = {{"3", 2}, {"5", 4}, {"9", 4}, {"1", 0}}; // 9: no such page, the field refuses it
    for (const auto& t : typed) {
        field->selectAll();
        for (const QString& key : {QString::fromLatin1(t.typed), QString()}) {
            QKeyEvent press(QEvent::KeyPress, key.isEmpty() ? Qt::Key_Return : Qt::Key(key[0].unicode()),
                            Qt::NoModifier, key);
            QApplication::sendEvent(field, &press);
        }
        EXPECT_EQ(form->currentPage(), t.page) << t.typed;
        EXPECT_EQ(field->value(), t.page + 1) << t.typed;
    }
    key(*form, Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(form->currentPage(), 1);
    EXPECT_EQ(field->value(), 2);
    key(*form, Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(form->currentPage(), 0);
    EXPECT_EQ(field->value(), 1);
}

TEST_F(Preview, EveryToolBarButtonHasItsPictureDrawnAtBothScreenScales) {
    addPage();
    auto form = open();
    auto* bar = form->findChild<QToolBar*>();
    ASSERT_NE(bar, nullptr);
    int buttons = 0;
    for (QAction* a : bar->actions()) {
        if (a->isSeparator() || qobject_cast<QWidgetAction*>(a))
            continue;
        ++buttons;
        // Drawn anew at 16 and 32 pixels (100 % and 200 %), not scaled up.
        for (int size : {16, 32}) {
            const QImage image = a->icon().pixmap(QSize(size, size)).toImage();
            ASSERT_EQ(image.size(), QSize(size, size)) << a->objectName().toStdString();
            int opaque = 0;
            for (int y = 0; y < size; ++y)
                for (int x = 0; x < size; ++x)
                    opaque += qAlpha(image.pixel(x, y)) > 0;
            EXPECT_GT(opaque, size * size / 8) << a->objectName().toStdString() << " at " << size;
        }
    }
    EXPECT_EQ(buttons, 13); // zoom out and in, four page buttons, seven commands
    // The commands the designer has show its pictures.
    const QImage open = form->action("btnLoad")->icon().pixmap(32, 32).toImage();
    EXPECT_EQ(open, frReportIcon(QStringLiteral("design-open")).pixmap(32, 32).toImage());
}

TEST_F(Preview, ZoomingKeepsThePointUnderTheMouseOrInTheMiddle) {
    addPage();
    addPage();
    auto form = open();
    form->setZoom(TfrZoomMode::Fixed, 100);
    form->setCurrentPage(1);
    // The point of the second page (in its report pixels) under a point of
    // the box.
    const auto pointUnder = [&](QPoint box) {
        return QPointF(box + form->scrollPosition() - form->layout().pages[1].topLeft()) / form->zoom();
    };
    QWidget* box = form->paintBox();
    const QPoint mouse(box->width() / 3, box->height() / 4);
    const QPointF before = pointUnder(mouse);
    QWheelEvent up(mouse, box->mapToGlobal(mouse), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::ControlModifier,
                   Qt::NoScrollPhase, false);
    QApplication::sendEvent(box, &up);
    EXPECT_GT(form->zoom(), 1.0);
    EXPECT_EQ(form->zoomMode(), TfrZoomMode::Fixed);
    const QPointF after = pointUnder(mouse);
    EXPECT_NEAR(after.x(), before.x(), 1.0);
    EXPECT_NEAR(after.y(), before.y(), 1.0);
    EXPECT_EQ(form->zoomBox()->currentText(), QString::number(qRound(form->zoom() * 100)) + u'%');

    // The buttons and the box zoom about the middle of the view.
    const QPoint middle = box->rect().center();
    QPointF centre = pointUnder(middle);
    form->action("btnZoomOut")->trigger();
    EXPECT_LT(form->zoom(), 1.01);
    EXPECT_NEAR(pointUnder(middle).y(), centre.y(), 1.0);
    centre = pointUnder(middle);
    QComboBox* zoomBox = form->zoomBox();
    zoomBox->setEditText(QStringLiteral("150"));
    emit zoomBox->lineEdit()->returnPressed();
    EXPECT_DOUBLE_EQ(form->zoom(), 1.5);
    EXPECT_NEAR(pointUnder(middle).y(), centre.y(), 1.0);
    // A text that is no zoom leaves the zoom and shows it again.
    zoomBox->setEditText(QStringLiteral("много"));
    emit zoomBox->lineEdit()->returnPressed();
    EXPECT_DOUBLE_EQ(form->zoom(), 1.5);
    EXPECT_EQ(zoomBox->currentText(), QStringLiteral("150%"));
    // The modes of the drop-down.
    const int whole = zoomBox->findText(QStringLiteral("Страница целиком"));
    ASSERT_GE(whole, 0);
    emit zoomBox->activated(whole);
    EXPECT_EQ(form->zoomMode(), TfrZoomMode::WholePage);
    // A mode of whole pages shows the page that was in the middle from its
    // top.
    EXPECT_EQ(form->currentPage(), 1);
    EXPECT_EQ(form->scrollPosition().y(), std::min(form->layout().vMax, form->layout().pages[1].top() - 10));
}

TEST_F(Preview, TheWheelScrollsByThePlatformsLines) {
    addPage();
    addPage();
    auto form = open();
    form->setZoom(TfrZoomMode::Fixed, 100);
    QWidget* box = form->paintBox();
    const auto turn = [&](int lines) {
        QApplication::setWheelScrollLines(lines);
        const int from = form->scrollPosition().y();
        QWheelEvent down(box->rect().center(), box->mapToGlobal(box->rect().center()), QPoint(), QPoint(0, -120),
                         Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(box, &down);
        return form->scrollPosition().y() - from;
    };
    const int saved = QApplication::wheelScrollLines();
    const int one = turn(1), four = turn(4);
    QApplication::setWheelScrollLines(saved);
    EXPECT_GE(one, 12); // a text line at 100 %
    EXPECT_EQ(four, 4 * one);
}

TEST_F(Preview, TheSaveDialogProposesTheReportsName) {
    addPage();
    frPreviewServices(engine).exportFilters = [](TfrEngine&) {
        return QStringList{QStringLiteral("Текстовый файл (*.txt)"), QStringLiteral("Таблица (*.csv *.txt)")};
    };
    auto form = open();
    EXPECT_EQ(form->proposedFileName(0), QString()); // a report of no file
    report.fileName = QStringLiteral("/data/reports/points.frf");
    EXPECT_EQ(form->proposedFileName(0), QStringLiteral("points.frp"));
    EXPECT_EQ(form->proposedFileName(1), QStringLiteral("points.txt"));
    EXPECT_EQ(form->proposedFileName(2), QStringLiteral("points.csv"));
}

} // namespace
