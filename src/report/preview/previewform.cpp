#include "report/preview/previewform.h"

#include "common/registry.h"
#include "common/rounding.h"
#include "report/builder/preparedpages.h"
#include "report/export/exportfilter.h"
#include "report/model/engine.h"
#include "report/model/printer.h"
#include "report/icons/icons.h"
#include "report/preview/exportreport.h"
#include "report/preview/pageeditor.h"
#include "report/preview/pagesetup.h"
#include "report/preview/previewservices.h"
#include "report/preview/printers.h"
#include "report/preview/printreport.h"

#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMarginsF>
#include <QMenu>
#include <QPageLayout>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrinter>
#include <QProgressDialog>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QStyle>
#include <QTextBrowser>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <optional>

// ---------------------------------------------------------------- texts

namespace {

namespace text {
const QString caption = QStringLiteral("Предварительный просмотр");
const QString pageWord = QStringLiteral("Стр.");
const QString zoomHint = QStringLiteral("Масштаб");
const QString openHint = QStringLiteral("Открыть отчет");
const QString saveHint = QStringLiteral("Сохранить отчет в файле");
const QString printHint = QStringLiteral("Печать отчета");
const QString findHint = QStringLiteral("Поиск");
const QString helpHint = QStringLiteral("Показать справку");
const QString exitHint = QStringLiteral("Выход");
const QString pageSetupHint = QStringLiteral("Параметры страницы");
const QString zoomInHint = QStringLiteral("Увеличить");
const QString zoomOutHint = QStringLiteral("Уменьшить");
const QString firstHint = QStringLiteral("Первая страница");
const QString priorHint = QStringLiteral("Предыдущая страница");
const QString nextHint = QStringLiteral("Следующая страница");
const QString lastHint = QStringLiteral("Последняя страница");
const QString pageFieldHint = QStringLiteral("Номер страницы: введите его и нажмите Enter");
const QString pageOf = QStringLiteral(" из %1");
const QString notFound = QStringLiteral("Текст не найден");
const QString frpFilter = QStringLiteral("Файл отчета (*.frp)");
const QString pageWidth = QStringLiteral("По ширине страницы");
const QString wholePage = QStringLiteral("Страница целиком");
const QString twoPages = QStringLiteral("Две страницы");
const QString editPage = QStringLiteral("Редактировать страницу");
const QString addPage = QStringLiteral("Добавить страницу");
const QString removePage = QStringLiteral("Удалить страницу");
const QString removeQuestion = QStringLiteral("Удалить страницу?");
const QString confirmCaption = QStringLiteral("Подтверждение");
const QString noPagesInFile = QStringLiteral("В файле «%1» нет страниц");
const QString helpCaption = QStringLiteral("Справка: предварительный просмотр");
const QString searchProgress = QStringLiteral("Поиск на странице %1 из %2");
} // namespace text

// The buttons of the tool bar: object name, report button bit, hint, label
// and icon (of the report icon set; the commands the designer has too show
// its pictures).
struct ButtonSpec {
    const char* name;
    std::uint32_t bit;
    const QString* hint;
    const char16_t* label;
    const char* icon;
};
const ButtonSpec kButtons[] = {
    {"btnLoad", pbLoad, &text::openHint, u"Открыть", "design-open"},
    {"btnSave", pbSave, &text::saveHint, u"Сохранить", "design-save"},
    {"btnPrint", pbPrint, &text::printHint, u"Печать", "preview-print"},
    {"btnPageSetup", pbPageSetup, &text::pageSetupHint, u"Параметры", "preview-page-setup"},
    {"btnFind", pbFind, &text::findHint, u"Поиск", "preview-find"},
    {"btnHelp", pbHelp, &text::helpHint, u"Справка", "design-help"},
    {"btnExit", pbExit, &text::exitHint, u"Закрыть", "design-exit"},
};

const QColor kBackground(0x80, 0x80, 0x80); // colour value 8421504
constexpr int kSmallStep = 10, kLargeStep = 200;
// A text line of the wheel's scrolling, in screen pixels (the platform says
// how many lines a notch scrolls).
constexpr int kWheelLine = 20;

const QString kRegistryKey = QStringLiteral("Software\\Folvent");
const QString kPlacementSection = QStringLiteral("Form\\TfrPreviewForm");

} // namespace

TfrPreviewServices& frPreviewServices(TfrEngine& engine) { return engine.state<TfrPreviewServices>(); }

TfrPreviewServices frStandardPreviewServices() {
    TfrPreviewServices s;
    s.print = [](TfrReport& report, int currentPage, QWidget* parent,
                 const std::function<bool(int previousPrinter, int chosenPrinter)>& printerChanged) {
        TfrPrintHooks hooks;
        hooks.printerChanged = printerChanged;
        return frPrintReport(report, currentPage, parent, hooks);
    };
    s.exportFilters = [](TfrEngine& engine) { return frExportFilters(engine).nameFilters().mid(1); };
    s.defaultEntry = [](TfrEngine& engine) { return std::max(0, frExportFilters(engine).defaultEntry() - 1); };
    s.exportReport = [](TfrReport& report, int index, const QString& fileName, QWidget* parent) {
        const TfrExportFilters& filters = frExportFilters(report.engine());
        if (index < 0 || index >= filters.count())
            return false;
        const TfrExportFilterEntry& entry = filters[index];
        return frExportWithProgress(report, *entry.filter, frReplaceExtension(fileName, entry.extension), parent);
    };
    return s;
}

// ---------------------------------------------------------------- the painting box

class TfrPBox : public QWidget {
public:
    explicit TfrPBox(TfrPreviewForm& form) : QWidget(&form), m_form(form) {
        setObjectName(QStringLiteral("PBox"));
        setMouseTracking(true);
        setAttribute(Qt::WA_OpaquePaintEvent);
        setFocusPolicy(Qt::NoFocus);
        setContextMenuPolicy(Qt::DefaultContextMenu);
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        QPainter painter(this);
        m_form.paintPages(painter, event->rect());
    }
    void mousePressEvent(QMouseEvent* event) override { m_form.mousePressed(event); }
    void mouseMoveEvent(QMouseEvent* event) override { m_form.mouseMoved(event); }
    void mouseReleaseEvent(QMouseEvent* event) override { m_form.mouseReleased(event); }
    void mouseDoubleClickEvent(QMouseEvent* event) override { m_form.mouseDoubleClicked(event); }
    void wheelEvent(QWheelEvent* event) override { m_form.wheelTurned(event); }
    void contextMenuEvent(QContextMenuEvent* event) override {
        const bool pageItems = m_form.m_report.modifyPrepared;
        for (QAction* a : m_form.m_menu->actions())
            if (a->property("pageItem").toBool())
                a->setVisible(pageItems && a->property("available").toBool());
        // Shown items can be enabled (hidden actions are always disabled).
        m_form.action(QStringLiteral("mnuRemovePage"))->setEnabled(m_form.canRemovePage());
        m_form.m_menu->popup(event->globalPos());
    }
    void resizeEvent(QResizeEvent*) override { m_form.relayout(); }

private:
    TfrPreviewForm& m_form;
};

// ---------------------------------------------------------------- the search dialog

namespace {

// "Поиск": the text, case sensitivity and where to start.
class TfrPreviewSearchForm : public QDialog {
public:
    explicit TfrPreviewSearchForm(QWidget* parent, const QString& lastText, bool caseSensitive) : QDialog(parent) {
        setObjectName(QStringLiteral("TfrPreviewSearchForm"));
        setWindowTitle(QStringLiteral("Поиск"));
        auto* label = new QLabel(QStringLiteral("Искать &текст"), this);
        edit = new QLineEdit(lastText, this);
        label->setBuddy(edit);
        auto* options = new QGroupBox(QStringLiteral("Опции поиска"), this);
        caseBox = new QCheckBox(QStringLiteral("Различать &регистр"), options);
        caseBox->setChecked(caseSensitive);
        (new QVBoxLayout(options))->addWidget(caseBox);
        auto* where = new QGroupBox(QStringLiteral("Искать"), this);
        fromStart = new QRadioButton(QStringLiteral("С &начала"), where);
        auto* goOn = new QRadioButton(QStringLiteral("&Продолжить"), where);
        fromStart->setChecked(true);
        auto* whereLayout = new QVBoxLayout(where);
        whereLayout->addWidget(fromStart);
        whereLayout->addWidget(goOn);
        auto* buttons = new QDialogButtonBox(this);
        buttons->addButton(QStringLiteral("ОК"), QDialogButtonBox::AcceptRole)->setDefault(true);
        buttons->addButton(QStringLiteral("Отмена"), QDialogButtonBox::RejectRole);
        connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(label);
        layout->addWidget(edit);
        auto* row = new QHBoxLayout;
        row->addWidget(options);
        row->addWidget(where);
        layout->addLayout(row);
        layout->addWidget(buttons);
    }
    QLineEdit* edit;
    QCheckBox* caseBox;
    QRadioButton* fromStart;
};

} // namespace

// ---------------------------------------------------------------- the window

TfrPreviewForm::TfrPreviewForm(TfrReport& report, QWidget* parent)
    : QDialog(parent), m_report(report), m_engine(report.engine()) {
    setObjectName(QStringLiteral("TfrPreviewForm"));
    setWindowTitle(report.title.isEmpty() ? text::caption : text::caption + QStringLiteral(" - ") + report.title);
    setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);
    setSizeGripEnabled(true);
    m_openLink = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    frPreparedPages(report);
    showPages(std::static_pointer_cast<TfrEMFPages>(report.takePreparedPages()));
    report.setPreparedPages(std::make_shared<TfrEMFPages>(m_engine));
    m_watcher = std::make_shared<TfrPagesWatcher>([this] {
        if (!m_lent)
            takePages();
    });
    report.watchPreparedPages(m_watcher);

    const TfrPreviewZoomState& last = m_engine.state<TfrPreviewZoomState>();
    m_mode = last.mode;
    m_zoom = last.zoom;
    switch (report.initialZoom) {
    case TfrPreviewZoom::pzDefault:
        break;
    case TfrPreviewZoom::pzPageWidth:
        m_mode = TfrZoomMode::PageWidth;
        break;
    case TfrPreviewZoom::pzOnePage:
        m_mode = TfrZoomMode::WholePage;
        break;
    case TfrPreviewZoom::pzTwoPages:
        m_mode = TfrZoomMode::TwoPages;
        break;
    }

    m_box = new TfrPBox(*this);
    m_vbar = new QScrollBar(Qt::Vertical, this);
    m_vbar->setObjectName(QStringLiteral("VScrollBar"));
    m_hbar = new QScrollBar(Qt::Horizontal, this);
    m_hbar->setObjectName(QStringLiteral("HScrollBar"));
    for (QScrollBar* bar : {m_vbar, m_hbar}) {
        bar->setSingleStep(kSmallStep);
        bar->setPageStep(kLargeStep);
        bar->setFocusPolicy(Qt::NoFocus);
        bar->setRange(0, 0);
        connect(bar, &QScrollBar::valueChanged, this, [this] { onScroll(); });
    }
    auto pageButton = [this](const char* name, QStyle::StandardPixmap icon, int delta) {
        auto* b = new QToolButton(this);
        b->setObjectName(QString::fromLatin1(name));
        b->setIcon(style()->standardIcon(icon));
        b->setAutoRaise(true);
        b->setFocusPolicy(Qt::NoFocus);
        connect(b, &QToolButton::clicked, this, [this, delta] {
            setCurrentPage(frStepPage(m_current, delta, pageCount()));
        });
        return b;
    };
    m_pageLabel = new QLabel(this);
    m_pageLabel->setObjectName(QStringLiteral("PageLabel"));
    m_pageLabel->setMinimumWidth(110);
    m_infoLabel = new QLabel(this);
    m_infoLabel->setObjectName(QStringLiteral("InfoLabel"));
    m_infoLabel->setMinimumWidth(160);

    buildMenu();
    buildToolBar();

    auto* right = new QVBoxLayout;
    right->setSpacing(0);
    right->addWidget(m_vbar, 1);
    right->addWidget(pageButton("btnPrevPage", QStyle::SP_ArrowUp, -1));
    right->addWidget(pageButton("btnNextPage", QStyle::SP_ArrowDown, 1));
    auto* middle = new QHBoxLayout;
    middle->setSpacing(0);
    middle->addWidget(m_box, 1);
    middle->addLayout(right);
    auto* status = new QHBoxLayout;
    status->addWidget(m_pageLabel);
    status->addWidget(m_infoLabel);
    status->addWidget(m_hbar, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_toolBar);
    layout->addLayout(middle, 1);
    layout->addLayout(status);
    setFocusPolicy(Qt::StrongFocus);

    restorePlacement();
    updateLabels();
}

TfrPreviewForm::~TfrPreviewForm() {
    // The pages the window holds are freed with it; the report keeps its
    // (empty) list.
    m_pages->openLink = nullptr;
}

void TfrPreviewForm::buildToolBar() {
    m_toolBar = new QToolBar(this);
    m_toolBar->setObjectName(QStringLiteral("ToolBar"));
    m_toolBar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_toolBar->setIconSize(QSize(16, 16));
    const std::uint32_t shown = m_report.previewButtons;
    auto addButton = [this](const char* name, const char* icon, const QString& hint, const QString& label = {}) {
        QAction* a = m_toolBar->addAction(frReportIcon(QString::fromLatin1(icon)), label.isEmpty() ? hint : label);
        a->setObjectName(QString::fromLatin1(name));
        a->setToolTip(hint);
        if (QWidget* w = m_toolBar->widgetForAction(a)) {
            w->setFocusPolicy(Qt::NoFocus);
            if (label.isEmpty())
                static_cast<QToolButton*>(w)->setToolButtonStyle(Qt::ToolButtonIconOnly);
        }
        return a;
    };

    // The zoom: a box with the zoom modes and percentages (a percentage can
    // be typed), and a step out and in.
    m_zoomBox = new QComboBox(m_toolBar);
    m_zoomBox->setObjectName(QStringLiteral("ZoomBox"));
    m_zoomBox->setToolTip(text::zoomHint);
    m_zoomBox->setEditable(true);
    m_zoomBox->setInsertPolicy(QComboBox::NoInsert);
    m_zoomBox->setFocusPolicy(Qt::ClickFocus);
    m_zoomBox->setMinimumContentsLength(12);
    for (int percent : kPreviewZoomPercents)
        m_zoomBox->addItem(QString::number(percent) + u'%', QPoint(int(TfrZoomMode::Fixed), percent));
    m_zoomBox->addItem(text::pageWidth, QPoint(int(TfrZoomMode::PageWidth), 0));
    m_zoomBox->addItem(text::wholePage, QPoint(int(TfrZoomMode::WholePage), 0));
    m_zoomBox->addItem(text::twoPages, QPoint(int(TfrZoomMode::TwoPages), 0));
    connect(m_zoomBox, &QComboBox::activated, this, [this](int index) {
        const QPoint choice = m_zoomBox->itemData(index).toPoint();
        setZoom(TfrZoomMode(choice.x()), choice.y());
        setFocus();
    });
    connect(m_zoomBox->lineEdit(), &QLineEdit::returnPressed, this, [this] { applyTypedZoom(); });
    const bool zoom = shown & pbZoom;
    m_toolBar->addWidget(m_zoomBox)->setVisible(zoom);
    connect(addButton("btnZoomOut", "preview-zoom-out", text::zoomOutHint), &QAction::triggered, this,
            [this] { zoomAt(-1, m_box->rect().center()); });
    connect(addButton("btnZoomIn", "preview-zoom-in", text::zoomInHint), &QAction::triggered, this,
            [this] { zoomAt(1, m_box->rect().center()); });
    action(QStringLiteral("btnZoomOut"))->setVisible(zoom);
    action(QStringLiteral("btnZoomIn"))->setVisible(zoom);
    m_toolBar->addSeparator()->setVisible(zoom);

    // Paging: first, previous, the page field ("Стр. N из M"), next, last.
    connect(addButton("btnFirstPage", "preview-first", text::firstHint), &QAction::triggered, this,
            [this] { setCurrentPage(0); });
    connect(addButton("btnPriorPage", "preview-prior", text::priorHint), &QAction::triggered, this,
            [this] { setCurrentPage(frStepPage(m_current, -1, pageCount())); });
    m_pageField = new QSpinBox(m_toolBar);
    m_pageField->setObjectName(QStringLiteral("PageField"));
    m_pageField->setToolTip(text::pageFieldHint);
    m_pageField->setPrefix(text::pageWord + u' ');
    m_pageField->setKeyboardTracking(false);
    m_pageField->setButtonSymbols(QAbstractSpinBox::NoButtons);
    m_pageField->setAlignment(Qt::AlignCenter);
    m_pageField->setFocusPolicy(Qt::ClickFocus);
    connect(m_pageField, &QSpinBox::editingFinished, this, [this] { goToTypedPage(); });
    m_toolBar->addWidget(m_pageField);
    connect(addButton("btnNextPage", "preview-next", text::nextHint), &QAction::triggered, this,
            [this] { setCurrentPage(frStepPage(m_current, 1, pageCount())); });
    connect(addButton("btnLastPage", "preview-last", text::lastHint), &QAction::triggered, this,
            [this] { setCurrentPage(pageCount() - 1); });
    m_toolBar->addSeparator();

    for (const ButtonSpec& b : kButtons) {
        if (b.bit == pbHelp)
            m_toolBar->addSeparator()->setVisible(shown & (pbFind | pbHelp));
        addButton(b.name, b.icon, *b.hint, QString::fromUtf16(b.label))->setVisible(shown & b.bit);
    }
    connect(action(QStringLiteral("btnLoad")), &QAction::triggered, this, [this] { openDialog(); });
    connect(action(QStringLiteral("btnSave")), &QAction::triggered, this, [this] { saveDialog(); });
    connect(action(QStringLiteral("btnPrint")), &QAction::triggered, this, [this] { printPages(); });
    connect(action(QStringLiteral("btnPageSetup")), &QAction::triggered, this, [this] { pageSetup(); });
    connect(action(QStringLiteral("btnFind")), &QAction::triggered, this, [this] { findDialog(); });
    connect(action(QStringLiteral("btnHelp")), &QAction::triggered, this, [this] { showHelp(); });
    connect(action(QStringLiteral("btnExit")), &QAction::triggered, this, [this] { exitPreview(); });
    action(QStringLiteral("btnPrint"))->setEnabled(static_cast<bool>(frPreviewServices(m_engine).print));
    action(QStringLiteral("btnPageSetup"))->setEnabled(hasPrinters());
}

void TfrPreviewForm::buildMenu() {
    m_menu = new QMenu(this);
    m_menu->setObjectName(QStringLiteral("ZoomMenu"));
    m_zoomGroup = new QActionGroup(this);
    auto zoomItem = [this](const QString& caption, TfrZoomMode mode, int percent) {
        QAction* a = m_menu->addAction(caption);
        a->setCheckable(true);
        a->setProperty("mode", int(mode));
        a->setProperty("percent", percent);
        m_zoomGroup->addAction(a);
        connect(a, &QAction::triggered, this, [this, mode, percent] { setZoom(mode, percent); });
    };
    for (int percent : kPreviewZoomPercents)
        zoomItem(QString::number(percent) + u'%', TfrZoomMode::Fixed, percent);
    zoomItem(text::pageWidth, TfrZoomMode::PageWidth, 0);
    zoomItem(text::wholePage, TfrZoomMode::WholePage, 0);
    zoomItem(text::twoPages, TfrZoomMode::TwoPages, 0);

    // The page items: hidden when the menu opens from the zoom button.
    auto pageItem = [](QAction* a, const char* name, bool available) {
        a->setObjectName(QString::fromLatin1(name));
        a->setProperty("pageItem", true);
        a->setProperty("available", available);
        a->setVisible(false);
        return a;
    };
    pageItem(m_menu->addSeparator(), "mnuSeparator", true);
    // Editing a page needs the designer, which installs the page editor.
    connect(pageItem(m_menu->addAction(text::editPage), "mnuEditPage", static_cast<bool>(frPageEditor(m_engine))),
            &QAction::triggered, this, [this] { editPage(); });
    connect(pageItem(m_menu->addAction(text::addPage), "mnuAddPage", true), &QAction::triggered, this,
            [this] { addPage(); });
    connect(pageItem(m_menu->addAction(text::removePage), "mnuRemovePage", true), &QAction::triggered, this,
            [this] { removePage(); });
    connect(pageItem(m_menu->addAction(text::pageSetupHint), "mnuPageSetup",
                     (m_report.previewButtons & pbPageSetup) != 0),
            &QAction::triggered, this, [this] { pageSetup(); });
}

QAction* TfrPreviewForm::action(const QString& objectName) const {
    for (QObject* o : {static_cast<QObject*>(m_toolBar), static_cast<QObject*>(m_menu)})
        if (o)
            if (auto* a = o->findChild<QAction*>(objectName))
                return a;
    return nullptr;
}

int TfrPreviewForm::pageCount() const { return m_pages ? m_pages->count() : 0; }
QWidget* TfrPreviewForm::paintBox() const { return m_box; }
QPoint TfrPreviewForm::scrollPosition() const { return QPoint(m_hbar->value(), m_vbar->value()); }
QString TfrPreviewForm::pageLabelText() const { return m_pageLabel->text(); }
QString TfrPreviewForm::infoLabelText() const { return m_infoLabel->text(); }

bool TfrPreviewForm::hasPrinters() const {
    // The virtual printer is always last: anything before it is installed.
    return m_engine.printer().virtualIndex() > 0;
}

void TfrPreviewForm::setLinkOpener(std::function<bool(const QUrl&)> opener) {
    m_openLink = std::move(opener);
    m_pages->openLink = m_openLink;
}

// ---------------------------------------------------------------- the pages

void TfrPreviewForm::showPages(std::shared_ptr<TfrEMFPages> pages) {
    if (m_pages)
        m_pages->openLink = nullptr;
    m_pages = std::move(pages);
    m_pages->openLink = m_openLink;
}

void TfrPreviewForm::takePages() {
    const TfrEMFPages* given = frFindPreparedPages(m_report);
    const bool replaced = given && given != m_pages.get() && given->count() > 0;
    // A list without pages (a failed build or file) leaves the pages shown.
    if (!replaced && given != m_pages.get())
        return;
    if (replaced)
        showPages(std::static_pointer_cast<TfrEMFPages>(m_report.takePreparedPages()));
    m_report.setPreparedPages(std::make_shared<TfrEMFPages>(m_engine));
    if (replaced) {
        m_search = TfrTextSearch();
        m_current = 0;
        if (m_started)
            relayout();
    }
}

void TfrPreviewForm::lendPages() {
    m_lent = true;
    m_report.setPreparedPages(m_pages);
}

void TfrPreviewForm::endLending() {
    m_lent = false;
    takePages();
}

void TfrPreviewForm::start() {
    m_started = true;
    m_current = 0;
    m_hbar->setValue(0);
    m_vbar->setValue(0);
    relayout();
}

void TfrPreviewForm::relayout() {
    if (!m_started || !m_pages)
        return;
    layoutPages();
    scrollToCurrent();
    updateLabels();
    m_box->update();
}

void TfrPreviewForm::layoutPages() {
    const int count = pageCount();
    m_current = std::clamp(m_current, 0, std::max(0, count - 1));
    std::vector<QSize> sizes;
    sizes.reserve(std::size_t(count));
    for (int i = 0; i < count; ++i) {
        const TfrPrnInfo& info = (*m_pages)[i].prnInfo;
        sizes.emplace_back(info.pgw, info.pgh);
    }
    const QSize box = m_box->size();
    if (count > 0)
        m_zoom = frPreviewZoom(m_mode, m_zoom, box, sizes[std::size_t(m_current)]);
    m_layout = frLayoutPreview(sizes, m_zoom, m_mode, box);
    {
        const QSignalBlocker h(m_hbar), v(m_vbar);
        m_hbar->setRange(0, m_layout.hMax);
        m_vbar->setRange(0, m_layout.vMax);
        m_hbar->setEnabled(m_layout.hMax > 0);
        m_vbar->setEnabled(m_layout.vMax > 0);
    }
    updateZoomMarks();
}

void TfrPreviewForm::scrollToCurrent() {
    const int v = frScrollToPage(m_layout, m_current);
    if (m_vbar->value() != v) {
        const QSignalBlocker block(m_vbar);
        m_vbar->setValue(v);
    }
    m_box->update();
}

void TfrPreviewForm::onScroll() {
    m_current = frPageAtScroll(m_layout, m_vbar->value(), m_current);
    updateLabels();
    m_box->update();
}

void TfrPreviewForm::setCurrentPage(int index) {
    if (pageCount() == 0)
        return;
    m_current = std::clamp(index, 0, pageCount() - 1);
    scrollToCurrent();
    updateLabels();
}

void TfrPreviewForm::setZoom(TfrZoomMode mode, int percent) { zoomAbout(mode, percent, m_box->rect().center()); }

void TfrPreviewForm::zoomAt(int direction, QPoint boxPoint) {
    zoomAbout(TfrZoomMode::Fixed, roundHalfEven(frZoomStep(m_zoom, direction) * 100), boxPoint);
}

void TfrPreviewForm::zoomAbout(TfrZoomMode mode, int percent, QPoint anchor) {
    // The point under the anchor stays there, instead of the view going to
    // the current page's top; the modes that show whole pages show the page
    // under the anchor from its top.
    const TfrPreviewLayout before = m_layout;
    const double zoomBefore = m_zoom;
    const QPoint scroll = scrollPosition();
    const bool wholePages = mode == TfrZoomMode::WholePage || mode == TfrZoomMode::TwoPages;
    m_mode = mode;
    if (mode == TfrZoomMode::Fixed)
        m_zoom = std::clamp(percent / 100.0, kMinPreviewZoom, kMaxPreviewZoom);
    if (m_started && m_pages) {
        if (const int under = frNearestPage(before, scroll + anchor); wholePages && under >= 0)
            m_current = under;
        layoutPages();
        QPoint kept = frScrollKeeping(before, zoomBefore, scroll, m_layout, m_zoom, anchor);
        if (wholePages)
            kept.setY(frScrollToPage(m_layout, m_current));
        {
            const QSignalBlocker h(m_hbar), v(m_vbar);
            m_hbar->setValue(kept.x());
            m_vbar->setValue(kept.y());
        }
        if (!wholePages)
            m_current = frPageAtScroll(m_layout, m_vbar->value(), m_current);
        updateLabels();
        m_box->update();
    } else {
        updateZoomMarks();
    }
    TfrPreviewZoomState& last = m_engine.state<TfrPreviewZoomState>();
    last.mode = m_mode;
    last.zoom = m_zoom;
}

void TfrPreviewForm::applyTypedZoom() {
    const QString typed = m_zoomBox->currentText();
    const int item = m_zoomBox->findText(typed, Qt::MatchFixedString);
    if (item >= 0) {
        const QPoint choice = m_zoomBox->itemData(item).toPoint();
        setZoom(TfrZoomMode(choice.x()), choice.y());
    } else if (const std::optional<double> zoom = frParseZoom(typed)) {
        setZoom(TfrZoomMode::Fixed, roundHalfEven(*zoom * 100));
    } else {
        updateZoomMarks(); // not a zoom: the box shows the zoom again
    }
    setFocus();
}

void TfrPreviewForm::goToTypedPage() {
    if (m_pageField->value() - 1 != m_current)
        setCurrentPage(m_pageField->value() - 1);
    if (m_pageField->hasFocus())
        setFocus();
}

void TfrPreviewForm::updateLabels() {
    m_pageLabel->setText(text::pageWord + u' ' + QString::number(pageCount() ? m_current + 1 : 0) + u'/' +
                         QString::number(pageCount()));
    const QSignalBlocker block(m_pageField);
    m_pageField->setRange(1, std::max(1, pageCount()));
    m_pageField->setSuffix(text::pageOf.arg(pageCount()));
    m_pageField->setValue(m_current + 1);
    m_pageField->setEnabled(pageCount() > 0);
}

void TfrPreviewForm::updateZoomMarks() {
    m_zoomBox->setEditText(frZoomCaption(m_zoom));
    const int percent = roundHalfEven(m_zoom * 100);
    for (QAction* a : m_zoomGroup->actions()) {
        const auto mode = TfrZoomMode(a->property("mode").toInt());
        a->setChecked(mode == m_mode && (mode != TfrZoomMode::Fixed || a->property("percent").toInt() == percent));
    }
}

void TfrPreviewForm::showZoomMenu() { m_zoomBox->showPopup(); }

// ---------------------------------------------------------------- painting

void TfrPreviewForm::paintPages(QPainter& painter, const QRect& region) {
    painter.fillRect(region, kBackground);
    if (!m_pages)
        return;
    const QPoint offset(-m_hbar->value(), -m_vbar->value());
    const QRect boxRect = m_box->rect();
    for (int i = 0; i < int(m_layout.pages.size()) && i < pageCount(); ++i) {
        const QRect r = m_layout.pages[std::size_t(i)].translated(offset);
        TfrPreparedPage& rec = (*m_pages)[i];
        const bool visible = r.top() <= 2000 + boxRect.height() && r.bottom() >= 0 && r.intersects(boxRect);
        if (!visible) {
            if (rec.visible || rec.page)
                m_pages->setVisible(i, false);
            continue;
        }
        rec.visible = true;
        if (!r.adjusted(0, 0, 1, 1).intersects(region))
            continue;
        painter.fillRect(r, Qt::white);
        painter.setPen(Qt::black);
        painter.drawRect(r.adjusted(0, 0, -1, -1));
        painter.drawLine(r.left() + 1, r.bottom() + 1, r.right() + 1, r.bottom() + 1);
        painter.drawLine(r.right() + 1, r.top() + 1, r.right() + 1, r.bottom() + 1);
        painter.save();
        painter.setClipRect(r.intersected(region));
        try {
            m_pages->draw(i, painter, frPageDrawRect(rec, r, m_zoom));
        } catch (const std::exception&) {
            // A damaged page shows what was drawn before the damage.
        }
        painter.restore();
        if (m_search.found() && m_search.hitPage() == i) {
            // The text found under a translucent fill of the platform's
            // highlight colour, framed in it.
            const QRect b = m_search.hitBounds();
            const QRect hit(r.left() + roundHalfEven(b.left() * m_zoom), r.top() + roundHalfEven(b.top() * m_zoom),
                            std::max(1, roundHalfEven(b.width() * m_zoom)),
                            std::max(1, roundHalfEven(b.height() * m_zoom)));
            QColor fill = palette().color(QPalette::Active, QPalette::Highlight);
            const QColor frame = fill;
            fill.setAlpha(96);
            painter.save();
            painter.setPen(QPen(frame, 1));
            painter.setBrush(fill);
            painter.drawRect(hit.adjusted(-2, -1, 1, 0));
            painter.restore();
        }
    }
}

// ---------------------------------------------------------------- keys and mouse

void TfrPreviewForm::keyPressEvent(QKeyEvent* event) {
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    auto scrollBy = [](QScrollBar* bar, int delta) { bar->setValue(bar->value() + delta); };
    auto run = [](QAction* a) {
        if (a && a->isVisible() && a->isEnabled())
            a->trigger();
    };
    switch (event->key()) {
    case Qt::Key_Up:
        scrollBy(m_vbar, -kSmallStep);
        break;
    case Qt::Key_Down:
        scrollBy(m_vbar, kSmallStep);
        break;
    case Qt::Key_Left:
        scrollBy(m_hbar, -kSmallStep);
        break;
    case Qt::Key_Right:
        scrollBy(m_hbar, kSmallStep);
        break;
    case Qt::Key_PageUp:
        if (ctrl)
            setCurrentPage(frStepPage(m_current, -1, pageCount()));
        else
            scrollBy(m_vbar, -kLargeStep);
        break;
    case Qt::Key_PageDown:
        if (ctrl)
            setCurrentPage(frStepPage(m_current, 1, pageCount()));
        else
            scrollBy(m_vbar, kLargeStep);
        break;
    case Qt::Key_Home:
        if (ctrl)
            m_vbar->setValue(0);
        break;
    case Qt::Key_End:
        if (ctrl)
            setCurrentPage(pageCount() - 1);
        break;
    case Qt::Key_Space:
        if (m_zoomBox->isVisibleTo(this))
            showZoomMenu();
        break;
    case Qt::Key_Escape:
        exitPreview();
        break;
    case Qt::Key_F3:
        if (m_search.hasText()) {
            m_search.resumeOnPage(m_current);
            findNext();
        }
        break;
    case Qt::Key_O:
        if (ctrl)
            run(action(QStringLiteral("btnLoad")));
        break;
    case Qt::Key_S:
        if (ctrl)
            run(action(QStringLiteral("btnSave")));
        break;
    case Qt::Key_P:
        if (ctrl)
            run(action(QStringLiteral("btnPrint")));
        break;
    case Qt::Key_F:
        if (ctrl)
            run(action(QStringLiteral("btnFind")));
        break;
    case Qt::Key_E:
        if (ctrl && canEditPage())
            editPage();
        break;
    default:
        QDialog::keyPressEvent(event);
        return;
    }
    event->accept();
}

int TfrPreviewForm::pageAt(QPoint boxPoint) const {
    const QPoint p = boxPoint + QPoint(m_hbar->value(), m_vbar->value());
    for (int i = 0; i < int(m_layout.pages.size()); ++i)
        if (m_layout.pages[std::size_t(i)].contains(p))
            return i;
    return -1;
}

void TfrPreviewForm::clickAt(QPoint boxPoint) {
    const int page = pageAt(boxPoint);
    bool handled = false;
    if (page >= 0) {
        const QRect r = m_layout.pages[std::size_t(page)].translated(-m_hbar->value(), -m_vbar->value());
        const QPoint point(int((boxPoint.x() - r.left()) / m_zoom), int((boxPoint.y() - r.top()) / m_zoom));
        TfrHitResult hit;
        try {
            hit = m_pages->objectAt(page, point, true, &m_report);
        } catch (const std::exception&) {
            // a page that cannot be rebuilt has nothing to click
        }
        if (!m_pages->operator[](page).visible)
            m_pages->releasePage(page);
        handled = hit.handled;
        if (frIsPageLink(hit.text)) {
            if (const std::optional<int> target = frLinkTargetPage(hit.text, pageCount()))
                setCurrentPage(*target);
        } else if (!handled) {
            m_current = page;
            updateLabels();
        }
    }
    m_dragging = !handled;
}

void TfrPreviewForm::hoverAt(QPoint boxPoint) {
    const int page = pageAt(boxPoint);
    TfrHitResult hit;
    if (page >= 0) {
        const QRect r = m_layout.pages[std::size_t(page)].translated(-m_hbar->value(), -m_vbar->value());
        const QPoint point(int((boxPoint.x() - r.left()) / m_zoom), int((boxPoint.y() - r.top()) / m_zoom));
        try {
            hit = m_pages->objectAt(page, point, false, &m_report);
        } catch (const std::exception&) {
        }
        if (!(*m_pages)[page].visible)
            m_pages->releasePage(page);
    }
    m_box->setCursor(hit.handCursor ? Qt::PointingHandCursor : Qt::ArrowCursor);
    QString info;
    if (frIsPageLink(hit.text)) {
        if (const std::optional<int> target = frLinkTargetPage(hit.text, pageCount()))
            info = text::pageWord + u' ' + QString::number(*target + 1);
    } else {
        info = hit.text;
    }
    m_infoLabel->setText(info);
}

void TfrPreviewForm::mousePressed(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    m_dragFrom = event->position().toPoint();
    clickAt(m_dragFrom);
}

void TfrPreviewForm::mouseMoved(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    if (m_dragging && (event->buttons() & Qt::LeftButton)) {
        const QPoint d = p - m_dragFrom;
        m_dragFrom = p;
        m_hbar->setValue(m_hbar->value() - d.x());
        m_vbar->setValue(m_vbar->value() - d.y());
        return;
    }
    hoverAt(p);
}

void TfrPreviewForm::mouseReleased(QMouseEvent*) { m_dragging = false; }

void TfrPreviewForm::mouseDoubleClicked(QMouseEvent* event) {
    const int page = pageAt(event->position().toPoint());
    if (page >= 0) {
        m_current = page;
        updateLabels();
        if (canEditPage())
            editPage();
    }
}

bool TfrPreviewForm::canEditPage() const {
    return frPageEditor(m_engine) && m_report.modifyPrepared && pageCount() > 0;
}

void TfrPreviewForm::editPage() {
    // The pages go back to the report while the designer has the page.
    const TfrPageEditor editor = frPageEditor(m_engine);
    lendPages();
    editor(m_report, m_current, this);
    endLending();
    m_box->update();
}

void TfrPreviewForm::wheelTurned(QWheelEvent* event) {
    event->accept();
    const QPoint angle = event->angleDelta();
    // Ctrl + wheel zooms about the mouse, a step a notch.
    if (event->modifiers() & Qt::ControlModifier) {
        if (angle.y() != 0)
            zoomAt(angle.y() > 0 ? 1 : -1, event->position().toPoint());
        return;
    }
    // The platform's lines a notch (fine-grained wheels send parts of a
    // notch); touch pads give pixels.
    QPoint by = event->pixelDelta();
    if (by.isNull())
        by = angle * (QApplication::wheelScrollLines() * kWheelLine) / 120;
    m_hbar->setValue(m_hbar->value() - by.x());
    m_vbar->setValue(m_vbar->value() - by.y());
}

// ---------------------------------------------------------------- commands

void TfrPreviewForm::showError(const QString& message) {
    m_engine.interaction().messageBox(message, TUserInteraction::errorTitle(), TUserInteraction::ErrorIcon,
                                      TUserInteraction::Ok);
}

void TfrPreviewForm::exitPreview() {
    if (m_report.modalPreview)
        accept();
    else
        close();
}

void TfrPreviewForm::openDialog() {
    const QString file = QFileDialog::getOpenFileName(this, QString(), QString(), text::frpFilter);
    if (!file.isEmpty())
        openFile(file);
}

bool TfrPreviewForm::openFile(const QString& fileName) {
    // The file's pages replace the ones shown only when it has some.
    const TfrEMFPages* shown = m_pages.get();
    const TfrLoadResult result = frLoadPreparedReport(m_report, fileName);
    QString error;
    if (!result.ok())
        error = result.messages.join(u'\n');
    else if (m_pages.get() == shown)
        error = text::noPagesInFile.arg(fileName);
    if (!error.isEmpty()) {
        showError(error);
        return false;
    }
    return true;
}

void TfrPreviewForm::saveDialog() {
    QStringList filters{text::frpFilter};
    const TfrPreviewServices& services = frPreviewServices(m_engine);
    int preselected = 0;
    if (services.exportFilters && services.exportReport) {
        filters += services.exportFilters(m_engine);
        if (services.defaultEntry)
            preselected = std::clamp(services.defaultEntry(m_engine), 0, int(filters.size()) - 1);
    }
    QString chosen = filters.at(preselected);
    const QString file = QFileDialog::getSaveFileName(this, QString(), proposedFileName(preselected),
                                                      filters.join(QStringLiteral(";;")), &chosen);
    if (!file.isEmpty())
        saveFile(file, std::max<int>(0, int(filters.indexOf(chosen))));
}

QString TfrPreviewForm::proposedFileName(int filterIndex) const {
    const QString name = frReportName(m_report);
    if (name.isEmpty())
        return {};
    if (filterIndex <= 0)
        return frReplaceExtension(name, QStringLiteral("*.frp"));
    const TfrPreviewServices& services = frPreviewServices(m_engine);
    const QStringList filters = services.exportFilters ? services.exportFilters(m_engine) : QStringList();
    // The first mask of a dialog filter: "Текстовый файл (*.txt)" gives ".txt".
    const QString filter = filters.value(filterIndex - 1);
    const qsizetype open = filter.lastIndexOf(u'('), close = filter.indexOf(u')', open);
    if (open < 0 || close < 0)
        return name;
    return frReplaceExtension(name, filter.mid(open + 1, close - open - 1).section(u' ', 0, 0));
}

bool TfrPreviewForm::saveFile(const QString& fileName, int filterIndex) {
    const TfrPreviewServices& services = frPreviewServices(m_engine);
    if (filterIndex > 0 && !services.exportReport)
        return false;
    lendPages();
    QString error;
    try {
        if (filterIndex <= 0)
            frSavePreparedReport(m_report, frReplaceExtension(fileName, QStringLiteral("*.frp")));
        else
            services.exportReport(m_report, filterIndex - 1, fileName, this);
    } catch (const Exception& e) {
        error = e.message();
    } catch (const std::exception& e) {
        error = QString::fromLocal8Bit(e.what());
    }
    endLending();
    m_box->update();
    if (!error.isEmpty())
        showError(error);
    return error.isEmpty();
}

void TfrPreviewForm::printPages() {
    const TfrPreviewServices& services = frPreviewServices(m_engine);
    if (!services.print)
        return;
    lendPages();
    QString error;
    try {
        services.print(m_report, m_current, this,
                       [this](int previous, int chosen) { return changePrinter(previous, chosen); });
    } catch (const Exception& e) {
        error = e.message();
    } catch (const std::exception& e) {
        error = QString::fromLocal8Bit(e.what());
    }
    endLending();
    relayout();
    if (!error.isEmpty())
        showError(error);
}

bool TfrPreviewForm::changePrinter(int previous, int chosen) {
    // The report is set up on the printer chosen (its pages take their paper
    // there) and built anew for it when it may be (its data is there, and
    // RebuildPrinter asks for it); otherwise the pages print as they are.
    m_engine.printer().setPrinterIndex(previous);
    if (!m_report.selectPrinter(chosen)) {
        // The report is back on the old printer; nothing is printed.
        m_engine.interaction().messageBox(frPrinterSetupFailedText(), TUserInteraction::errorTitle(),
                                          TUserInteraction::ErrorIcon, TUserInteraction::Ok);
        return false;
    }
    if (!m_report.rebuildPrinter || !m_engine.prepareReportHook || m_pages->loadedFromFile)
        return true;
    const bool built = m_report.prepareReport();
    showLentPages();
    return built;
}

void TfrPreviewForm::showLentPages() {
    // The list the report was given while the pages were lent is shown, and
    // lent on (the user sees the new pages before they are printed).
    m_lent = false;
    takePages();
    lendPages();
    relayout();
    m_box->repaint();
}

void TfrPreviewForm::findDialog() {
    TfrPreviewSearchForm dialog(this, m_search.text(), m_search.caseSensitive());
    if (dialog.exec() == QDialog::Accepted && !dialog.edit->text().isEmpty())
        find(dialog.edit->text(), dialog.caseBox->isChecked(), dialog.fromStart->isChecked());
}

bool TfrPreviewForm::find(const QString& what, bool caseSensitive, bool fromStart) {
    m_search.start(what, caseSensitive, fromStart, m_current);
    return findNext();
}

bool TfrPreviewForm::findNext() {
    if (!m_pages)
        return false;
    // A search through many pages shows where it is and can be stopped.
    QProgressDialog progress(this);
    progress.setWindowTitle(text::findHint);
    progress.setCancelButtonText(QStringLiteral("Отмена"));
    progress.setMinimumDuration(500);
    progress.setWindowModality(Qt::WindowModal);
    progress.setRange(0, pageCount());
    progress.setValue(0);
    const auto goOn = [&progress, count = pageCount()](int page) {
        if (page % 20 == 0) {
            progress.setLabelText(text::searchProgress.arg(page + 1).arg(count));
            progress.setValue(page);
        }
        return !progress.wasCanceled();
    };
    const bool hit = m_search.findNext(
        pageCount(),
        [this](int page) {
            try {
                return frDrawnTexts(*m_pages, page);
            } catch (const std::exception&) {
                return std::vector<TfrDrawnText>(); // a damaged page has no texts to find
            }
        },
        goOn);
    const bool stopped = progress.wasCanceled(); // reset() forgets it
    progress.reset();
    if (!hit) {
        // The old highlight goes; a search the user stopped is not told of.
        m_search.clearHit();
        m_box->update();
        if (!stopped)
            m_engine.interaction().messageBox(text::notFound, text::findHint, TUserInteraction::InformationIcon,
                                              TUserInteraction::Ok);
        return false;
    }
    m_current = m_search.hitPage();
    const QRect page = m_layout.pages.at(std::size_t(m_current));
    const QRect b = m_search.hitBounds();
    const int right = page.left() + roundHalfEven((b.left() + b.width()) * m_zoom);
    const int bottom = page.top() + roundHalfEven((b.top() + b.height()) * m_zoom);
    {
        const QSignalBlocker h(m_hbar), v(m_vbar);
        m_vbar->setValue(frScrollToShow(m_box->height(), bottom, page.top(), m_layout.vMax));
        m_hbar->setValue(frScrollToShow(m_box->width(), right, page.left(), m_layout.hMax));
    }
    updateLabels();
    m_box->update();
    return true;
}

void TfrPreviewForm::addPage() {
    const int at = m_current;
    TfrPage* first = nullptr;
    for (int i = 0; i < m_report.pages().count() && !first; ++i)
        if (m_report.pages()[i]->pageType == ptReport)
            first = m_report.pages()[i];
    if (first) {
        m_pages->insert(at, *first);
    } else if (pageCount() > 0) {
        // Pages read from a file have no template: the new page takes the
        // paper of the current one.
        const TfrPreparedPage& rec = (*m_pages)[at];
        TfrPage paper(m_engine, rec.prnInfo);
        paper.pSize = rec.paperSize;
        paper.pWidth = rec.paperWidth;
        paper.pHeight = rec.paperHeight;
        paper.orientation = rec.orientation;
        paper.bin = rec.bin;
        paper.margins = rec.margins;
        paper.useMargins = rec.usesMargins();
        m_pages->insert(at, paper);
    } else {
        m_pages->insert(at, TfrPage(m_report, frPaperA4, 0, 0, frPageDefaultBin, poPortrait));
    }
    m_search.clearHit();
    relayout();
}

bool TfrPreviewForm::removePage() {
    if (pageCount() <= 1)
        return false;
    if (m_engine.interaction().messageBox(text::removeQuestion, text::confirmCaption, TUserInteraction::QuestionIcon,
                                          TUserInteraction::Yes | TUserInteraction::No) != TUserInteraction::Yes)
        return false;
    m_pages->remove(m_current);
    m_search = TfrTextSearch();
    m_current = 0;
    relayout();
    return true;
}

void TfrPreviewForm::pageSetup() {
    if (!hasPrinters() || pageCount() == 0)
        return;
    // The dialog works on the report printer's own printer, so that what it
    // sets stays with it.
    std::optional<QPrinter> own;
    QPrinter* qp = frQtPrinter(m_engine.printer());
    QPrinter& printer = qp ? *qp : own.emplace(QPrinterInfo::printerInfo(m_engine.printer().printerName()));
    const TfrMargins& m = (*m_pages)[0].margins;
    printer.setPageMargins(QMarginsF(frPixelsToMillimetres(m.left), frPixelsToMillimetres(m.top),
                                     frPixelsToMillimetres(m.right), frPixelsToMillimetres(m.bottom)),
                           QPageLayout::Millimeter);
    QPageSetupDialog dialog(&printer, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const QPageLayout layout = printer.pageLayout();
    const QMarginsF chosen = layout.margins(QPageLayout::Millimeter);
    const QSizeF paper = layout.fullRect(QPageLayout::Millimeter).size(); // as oriented
    TfrPageSetup setup;
    setup.margins = TfrMargins{frMillimetresToPixels(chosen.left()), frMillimetresToPixels(chosen.top()),
                               frMillimetresToPixels(chosen.right()), frMillimetresToPixels(chosen.bottom())};
    const int code = layout.pageSize().windowsId();
    setup.paperSize = code > 0 ? code : frPaperCustom;
    setup.paperWidth = roundHalfEven(paper.width() * 10);
    setup.paperHeight = roundHalfEven(paper.height() * 10);
    setup.orientation = layout.orientation() == QPageLayout::Landscape ? poLandscape : poPortrait;
    applyPageSetup(setup, printer.printerName());
}

void TfrPreviewForm::applyPageSetup(const TfrPageSetup& setup, const QString& printerName) {
    TfrPrinter& printer = m_engine.printer();
    const int chosen = printerName.isEmpty() ? -1 : printer.indexOfPrinter(printerName);
    if (chosen >= 0 && chosen != printer.printerIndex() && !m_report.selectPrinter(chosen)) {
        showError(frPrinterSetupFailedText());
        return;
    }
    if (m_pages->loadedFromFile || !m_engine.prepareReportHook) {
        // Pages that cannot be built again take the paper and margins
        // themselves (printing follows each page's paper).
        const TfrPage paper(m_report, setup.paperSize, setup.paperWidth, setup.paperHeight, frPageDefaultBin,
                            setup.orientation);
        for (int i = 0; i < pageCount(); ++i) {
            TfrPreparedPage& rec = (*m_pages)[i];
            rec.paperSize = std::uint16_t(paper.pSize);
            rec.paperWidth = paper.pWidth;
            rec.paperHeight = paper.pHeight;
            rec.orientation = paper.orientation;
            rec.bin = paper.bin;
            rec.margins = setup.margins;
            rec.prnInfo = paper.prnInfo;
        }
        m_search.clearHit();
        m_current = 0;
        relayout();
        return;
    }
    frApplyPageSetup(m_report, setup);
    // The new pages replace the ones shown, from page 1.
    QString error;
    try {
        m_report.prepareReport();
    } catch (const Exception& e) {
        error = e.message();
    }
    if (!error.isEmpty())
        showError(error);
}

void TfrPreviewForm::showHelp() {
    auto* help = new QDialog(this);
    help->setObjectName(QStringLiteral("PreviewHelp"));
    help->setAttribute(Qt::WA_DeleteOnClose);
    help->setWindowTitle(text::helpCaption);
    auto* browser = new QTextBrowser(help);
    browser->setObjectName(QStringLiteral("HelpBrowser"));
    browser->setOpenExternalLinks(false);
    browser->setSource(QUrl(QStringLiteral("qrc:/preview/help.html")));
    auto* layout = new QVBoxLayout(help);
    layout->addWidget(browser);
    help->resize(560, 520);
    help->show();
}

// ---------------------------------------------------------------- window life

void TfrPreviewForm::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    relayout();
}

void TfrPreviewForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!m_started)
        start();
    setFocus();
}

void TfrPreviewForm::closeEvent(QCloseEvent* event) {
    savePlacement();
    QDialog::closeEvent(event);
}

void TfrPreviewForm::done(int result) {
    savePlacement();
    QDialog::done(result);
}

void TfrPreviewForm::restorePlacement() {
    const TRegistry registry(kRegistryKey);
    const bool maximized = registry.readBool(kPlacementSection, QStringLiteral("Maximized"), true);
    if (registry.valueExists(kPlacementSection, QStringLiteral("Width"))) {
        const int x = registry.readInteger(kPlacementSection, QStringLiteral("XPosition"), 0);
        const int y = registry.readInteger(kPlacementSection, QStringLiteral("YPosition"), 0);
        const int w = std::clamp(registry.readInteger(kPlacementSection, QStringLiteral("Width"), 800), 200, 20000);
        const int h = std::clamp(registry.readInteger(kPlacementSection, QStringLiteral("Height"), 600), 150, 20000);
        setGeometry(std::clamp(x, -20000, 20000), std::clamp(y, -20000, 20000), w, h);
    } else {
        resize(900, 700);
    }
    if (maximized)
        setWindowState(windowState() | Qt::WindowMaximized);
}

void TfrPreviewForm::savePlacement() {
    if (m_placementSaved || !isVisible())
        return;
    m_placementSaved = true;
    TRegistry registry(kRegistryKey);
    const bool maximized = isMaximized();
    registry.writeBool(kPlacementSection, QStringLiteral("Maximized"), maximized);
    if (!maximized) {
        const QRect g = geometry();
        registry.writeInteger(kPlacementSection, QStringLiteral("XPosition"), g.x());
        registry.writeInteger(kPlacementSection, QStringLiteral("YPosition"), g.y());
        registry.writeInteger(kPlacementSection, QStringLiteral("Width"), g.width());
        registry.writeInteger(kPlacementSection, QStringLiteral("Height"), g.height());
    }
    try {
        registry.flush();
    } catch (const Exception&) {
        // A registry that cannot be written costs only the placement.
    }
}

// ---------------------------------------------------------------- entry points

void frShowPreview(TfrReport& report, QWidget* parent) {
    TfrPreparedPages* pages = report.preparedPages();
    if (!pages || pages->count() == 0)
        return;
    if (report.modalPreview) {
        TfrPreviewForm form(report, parent);
        form.exec();
        return;
    }
    auto* form = new TfrPreviewForm(report, parent);
    form->setAttribute(Qt::WA_DeleteOnClose);
    form->show();
    QApplication::processEvents();
}

void frInstallPreview(TfrEngine& engine, QWidget* parent) {
    TfrPreviewServices& services = frPreviewServices(engine);
    if (!services.print && !services.exportReport)
        services = frStandardPreviewServices();
    engine.showPreparedReportHook = [window = QPointer<QWidget>(parent)](TfrReport& report) {
        frShowPreview(report, window.data());
    };
}
