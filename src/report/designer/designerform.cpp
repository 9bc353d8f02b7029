#include "report/designer/designerform.h"

#include "common/exception.h"
#include "common/interaction.h"
#include "common/registry.h"
#include "report/builder/builder.h"
#include "report/design/designcommands.h"
#include "report/design/designpaint.h"
#include "report/designer/designerclasses.h"
#include "report/designer/designerdialogs.h"
#include "report/designer/designereditors.h"
#include "report/designer/designerfields.h"
#include "report/designer/designeroptions.h"
#include "report/designer/designerinspector.h"
#include "report/designer/propertyeditors.h"
#include "report/icons/icons.h"
#include "report/model/engine.h"
#include "report/model/page.h"
#include "report/model/report.h"
#include "report/preview/pageeditor.h"
#include "report/preview/previewform.h"

#include <algorithm>
#include <tuple>

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QColorDialog>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QComboBox>
#include <QCoreApplication>
#include <QDockWidget>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QTabBar>
#include <QTextBrowser>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWhatsThis>

namespace {

constexpr int kPageMargin = 10;
constexpr int kScrollStep = 200;

// What new objects look like, kept from one designer to the next for the run.
TfrDesignStyle& sessionStyle() {
    static TfrDesignStyle style;
    return style;
}

// A word of a command line (doubled quotes inside quotes).
QString quoted(const QString& text) {
    QString q = text;
    q.replace(u'"', QStringLiteral("\"\""));
    return u'"' + q + u'"';
}

QString colorWord(const QColor& c) { return QStringLiteral("#%1").arg(c.rgb() & 0xFFFFFF, 6, 16, QLatin1Char('0')); }

const QString kHelpCaption = QStringLiteral("Справка: дизайнер отчётов");
// Where the "Вставка поля БД" window keeps whether it is shown.
const QString kFieldWindowSection = QStringLiteral("Form\\TfrInsFieldsForm");

} // namespace

// ---------------------------------------------------------------- the page area

class TfrDesignerPage : public QWidget {
public:
    explicit TfrDesignerPage(TfrDesignerForm& form) : m_form(form), m_doc(form.m_doc) {
        setObjectName(QStringLiteral("PageArea"));
        setFocusPolicy(Qt::StrongFocus);
        setMouseTracking(true);
        setAttribute(Qt::WA_OpaquePaintEvent);
        setAcceptDrops(true); // fields from the "Вставка поля БД" window
    }

    // Room left of the page: the band titles stand there.
    int leftMargin() const { return kPageMargin + (m_doc.settings().bandTitles ? frBandTitleWidth : 0); }
    QPoint origin() const {
        const int w = m_doc.pageSize().width();
        int x = leftMargin();
        if (m_doc.settings().pagePosition == 5)
            x = std::max(x, (width() - w) / 2);
        else if (m_doc.settings().pagePosition == 4)
            x = std::max(x, width() - w - kPageMargin);
        return QPoint(x, kPageMargin);
    }
    QPoint toPage(QPoint p) const { return p - origin(); }
    void fitPage() {
        const QSize size = m_doc.pageSize() + QSize(leftMargin() + kPageMargin, 2 * kPageMargin);
        setMinimumSize(size.boundedTo(QSize(100000, 100000)));
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        QPainter p(this);
        p.fillRect(event->rect(), QColor(0x90, 0x90, 0x90));
        frPaintDesignPage(p, m_doc, origin(), event->rect());
    }
    void mousePressEvent(QMouseEvent* event) override {
        setFocus();
        if (event->button() != Qt::LeftButton)
            return;
        m_form.guarded([&] { m_doc.press(toPage(event->position().toPoint()), event->modifiers()); });
        update();
        m_form.updateStatus();
    }
    void mouseMoveEvent(QMouseEvent* event) override {
        const QPoint p = toPage(event->position().toPoint());
        if (event->buttons() & Qt::LeftButton) {
            m_form.guarded([&] { m_doc.dragTo(p, event->modifiers() & Qt::AltModifier); });
            update();
            m_form.updateStatus();
            return;
        }
        setCursor(cursorAt(p));
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() != Qt::LeftButton)
            return;
        auto released = TfrDesignDocument::Released::Nothing;
        m_form.guarded([&] { released = m_doc.release(toPage(event->position().toPoint()), event->modifiers()); });
        if (released == TfrDesignDocument::Released::Nothing && !m_doc.refusal().isEmpty() && m_doc.tool())
            m_form.m_main->statusBar()->showMessage(m_doc.refusal(), 5000);
        m_form.refresh();
        if (released == TfrDesignDocument::Released::Inserted && m_doc.settings().editAfterInsert) {
            const std::vector<TfrView*> sel = m_doc.selection();
            if (sel.size() == 1 && !sel.front()->objectClass().has(TfrObjectClass::DialogControl))
                m_form.editSelected();
        }
    }
    // A field dragged from the field window becomes one text object.
    void dragEnterEvent(QDragEnterEvent* event) override {
        QString dataset, field;
        if (TfrFieldList::decode(event->mimeData(), &dataset, &field) && m_doc.page().pageType != ptDialog)
            event->acceptProposedAction();
    }
    void dragMoveEvent(QDragMoveEvent* event) override { event->acceptProposedAction(); }
    void dropEvent(QDropEvent* event) override {
        QString dataset, field;
        if (!TfrFieldList::decode(event->mimeData(), &dataset, &field))
            return;
        m_form.guarded([&] { frDropField(m_doc, dataset, field, toPage(event->position().toPoint())); });
        event->acceptProposedAction();
        m_form.refresh();
    }
    // Keys go to the window (the scroll area would take the arrows).
    void keyPressEvent(QKeyEvent* event) override { m_form.keyPressEvent(event); }
    void mouseDoubleClickEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton && m_doc.objectAt(toPage(event->position().toPoint())))
            m_form.editSelected();
    }
    void contextMenuEvent(QContextMenuEvent* event) override {
        const QPoint p = toPage(event->pos());
        if (TfrView* v = m_doc.objectAt(p); v && !m_doc.isSelected(*v))
            m_doc.clickObject(*v, false);
        m_form.refresh();
        QMenu menu(this);
        for (const char* name : {"cut", "copy", "paste", "delete", "select-all", "edit"})
            menu.addAction(m_form.action(QString::fromLatin1(name)));
        // What the classes of the selected objects add, once per class.
        std::vector<const TfrObjectClass*> classes;
        for (const TfrView* v : m_doc.selection()) {
            const TfrObjectClass* cls = &v->objectClass();
            if (std::find(classes.begin(), classes.end(), cls) != classes.end())
                continue;
            classes.push_back(cls);
            const TfrDesignerClassInfo* info = frDesignerClass(*cls);
            if (!info || info->menuEntries.empty())
                continue;
            menu.addSeparator();
            for (const TfrDesignerClassInfo::MenuEntry& entry : info->menuEntries) {
                QAction* a = menu.addAction(entry.caption);
                a->setCheckable(bool(entry.checked));
                a->setChecked(entry.checked && entry.checked(*v));
                connect(a, &QAction::triggered, this, [this, run = entry.run] {
                    run(m_doc);
                    m_form.refresh();
                });
            }
        }
        menu.exec(event->globalPos());
    }

private:
    Qt::CursorShape cursorAt(QPoint p) const {
        if (m_doc.tool())
            return Qt::CrossCursor;
        switch (m_doc.handleAt(p)) {
        case TfrHandle::TopLeft:
        case TfrHandle::BottomRight:
        case TfrHandle::Group: return Qt::SizeFDiagCursor;
        case TfrHandle::TopRight:
        case TfrHandle::BottomLeft: return Qt::SizeBDiagCursor;
        case TfrHandle::Top:
        case TfrHandle::Bottom: return Qt::SizeVerCursor;
        case TfrHandle::Left:
        case TfrHandle::Right: return Qt::SizeHorCursor;
        case TfrHandle::None: break;
        }
        return m_doc.sharedEdgeAt(p) ? Qt::SplitHCursor : Qt::ArrowCursor;
    }

    TfrDesignerForm& m_form;
    TfrDesignDocument& m_doc;
};

// ---------------------------------------------------------------- the window

TfrDesignerForm::TfrDesignerForm(TfrReport& report, QWidget* parent, bool passwordGiven)
    : QDialog(parent), m_doc(report, passwordGiven) {
    setObjectName(QStringLiteral("TfrDesignerForm"));
    setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);
    static const bool editorsRegistered = [] {
        frRegisterPropertyEditors();
        return true;
    }();
    (void)editorsRegistered;
    m_doc.style() = sessionStyle();
    m_doc.chooseBandType = [this](const std::vector<int>& offered) { return TfrBandTypeForm::choose(offered, this); };

    m_main = new QMainWindow(this);
    m_main->setWindowFlags(Qt::Widget);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_main);

    auto* central = new QWidget(m_main);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    m_tabs = new QTabBar(central);
    m_tabs->setObjectName(QStringLiteral("PageTabs"));
    m_tabs->setMovable(true);
    m_tabs->setContextMenuPolicy(Qt::CustomContextMenu);
    m_scroll = new QScrollArea(central);
    m_scroll->setWidgetResizable(true);
    m_page = new TfrDesignerPage(*this);
    m_scroll->setWidget(m_page);
    column->addWidget(m_tabs);
    column->addWidget(m_scroll, 1);
    m_main->setCentralWidget(central);

    buildActions();
    buildMenus();
    buildToolBars();
    buildInspector();
    buildFieldWindow();
    buildStatusBar();
    connect(m_tabs, &QTabBar::currentChanged, this, [this](int index) {
        if (!m_updating && index >= 0 && index != m_doc.pageIndex()) {
            m_doc.setPage(index);
            refresh();
        }
    });
    connect(m_tabs, &QTabBar::tabMoved, this, [this](int from, int to) {
        if (m_updating)
            return;
        m_doc.movePage(from, to);
        refresh();
    });
    connect(m_tabs, &QTabBar::customContextMenuRequested, this, [this](QPoint at) {
        QMenu menu(this);
        for (const char* name : {"add-page", "add-dialog", "delete-page"})
            menu.addAction(action(QString::fromLatin1(name)));
        menu.exec(m_tabs->mapToGlobal(at));
    });

    readSettings();
    // What the designer shows of the report: page 1, its file name.
    m_doc.setPage(0);
    refresh();
}

TfrDesignerForm::~TfrDesignerForm() {
    sessionStyle() = m_doc.style();
    writeSettings();
}

QWidget* TfrDesignerForm::pageArea() const { return m_page; }
QPoint TfrDesignerForm::pageOrigin() const { return m_page->origin(); }

QAction* TfrDesignerForm::action(const QString& name) const {
    const auto it = m_actions.find(name);
    return it == m_actions.end() ? nullptr : it->second;
}

QToolBar* TfrDesignerForm::toolBar(const QString& name) const {
    const auto it = m_toolBars.find(name);
    return it == m_toolBars.end() ? nullptr : it->second;
}

QLabel* TfrDesignerForm::statusLabel(int index) const { return index >= 0 && index < 4 ? m_status[index] : nullptr; }

QAction* TfrDesignerForm::makeAction(const QString& name, const QString& text, const QString& icon,
                                     const QKeySequence& key) {
    auto* a = new QAction(text, this);
    a->setObjectName(name);
    if (!icon.isEmpty())
        a->setIcon(frReportIcon(icon));
    if (!key.isEmpty())
        a->setShortcut(key);
    QString hint = text;
    hint.remove(u'&');
    a->setToolTip(hint);
    a->setStatusTip(hint);
    m_actions[name] = a;
    addAction(a);
    return a;
}

void TfrDesignerForm::buildActions() {
    auto command = [this](const QString& name, const QString& text, const QString& icon, const QKeySequence& key = {}) {
        QAction* a = makeAction(name, text, icon, key);
        connect(a, &QAction::triggered, this, [this, name] { runCommand(name); });
        return a;
    };
    auto handler = [this](const QString& name, const QString& text, const QString& icon, const QKeySequence& key,
                          auto slot) {
        QAction* a = makeAction(name, text, icon, key);
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    // Toggles: the command, or the command with "off".
    auto toggle = [this](const QString& name, const QString& text, const QString& icon, const QKeySequence& key = {}) {
        QAction* a = makeAction(name, text, icon, key);
        a->setCheckable(true);
        connect(a, &QAction::triggered, this, [this, name](bool on) {
            if (!m_updating)
                runCommand(on ? name : name + QStringLiteral(" off"));
        });
        return a;
    };

    // File.
    handler(QStringLiteral("new"), QStringLiteral("Новый отчет"), QStringLiteral("design-new"), {}, [this] { newReport(); });
    handler(QStringLiteral("new-from-template"), QStringLiteral("&Создать..."), QString(), QKeySequence(Qt::CTRL | Qt::Key_N),
            [this] { newFromTemplate(); });
    handler(QStringLiteral("open"), QStringLiteral("&Открыть..."), QStringLiteral("design-open"),
            QKeySequence(Qt::CTRL | Qt::Key_O), [this] { openDialog(); })
        ->setToolTip(QStringLiteral("Открыть отчет"));
    handler(QStringLiteral("save"), QStringLiteral("&Сохранить"), QStringLiteral("design-save"),
            QKeySequence(Qt::CTRL | Qt::Key_S), [this] { save(); })
        ->setToolTip(QStringLiteral("Сохранить отчет"));
    handler(QStringLiteral("save-as"), QStringLiteral("Сохранить &как..."), QString(), {}, [this] { saveAsDialog(); });
    handler(QStringLiteral("dictionary"), QStringLiteral("Словарь &данных..."), QString(), {},
            [this] { runDialog(&TfrDictionaryForm::run); });
    handler(QStringLiteral("report-options"), QStringLiteral("Параметры от&чета..."), QString(), {},
            [this] { runDialog(&TfrReportOptionsForm::run); });
    handler(QStringLiteral("page-options"), QStringLiteral("Параметры ст&раницы..."), QStringLiteral("design-page-options"), {},
            [this] { runDialog(&TfrPageOptionsForm::run); })
        ->setToolTip(QStringLiteral("Опции страницы"));
    handler(QStringLiteral("insert-fields"), QStringLiteral("Вставка полей БД"), QStringLiteral("design-insert-fields"), {},
            [this] { runDialog(&TfrInsertFieldsForm::run); });
    handler(QStringLiteral("preview"), QStringLiteral("Предварительный прос&мотр"), QStringLiteral("design-preview"),
            QKeySequence(Qt::CTRL | Qt::Key_P), [this] { preview(); });
    handler(QStringLiteral("exit"), QStringLiteral("Вы&ход"), QStringLiteral("design-exit"), {}, [this] { close(); })
        ->setToolTip(QStringLiteral("Закрыть окно"));

    // Edit.
    command(QStringLiteral("undo"), QStringLiteral("&Отменить"), QStringLiteral("design-undo"), QKeySequence(Qt::CTRL | Qt::Key_Z));
    command(QStringLiteral("redo"), QStringLiteral("&Повторить"), QStringLiteral("design-redo"), QKeySequence(Qt::CTRL | Qt::Key_Y));
    command(QStringLiteral("cut"), QStringLiteral("&Вырезать"), QStringLiteral("design-cut"), QKeySequence(Qt::CTRL | Qt::Key_X))
        ->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_X), QKeySequence(Qt::SHIFT | Qt::Key_Delete)});
    command(QStringLiteral("copy"), QStringLiteral("&Копировать"), QStringLiteral("design-copy"), QKeySequence(Qt::CTRL | Qt::Key_C))
        ->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_C), QKeySequence(Qt::CTRL | Qt::Key_Insert)});
    // Paste puts the objects at the top-left of the part of the page in view.
    handler(QStringLiteral("paste"), QStringLiteral("Вс&тавить"), QStringLiteral("design-paste"), QKeySequence(Qt::CTRL | Qt::Key_V),
            [this] {
                const QPoint seen = QPoint(m_scroll->horizontalScrollBar()->value(), m_scroll->verticalScrollBar()->value()) -
                                    m_page->origin();
                runCommand(QStringLiteral("paste %1 %2").arg(std::max(0, seen.x())).arg(std::max(0, seen.y())));
            })
        ->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_V), QKeySequence(Qt::SHIFT | Qt::Key_Insert)});
    command(QStringLiteral("delete"), QStringLiteral("&Удалить"), QString(), QKeySequence(Qt::Key_Delete));
    command(QStringLiteral("select-all"), QStringLiteral("Выделить в&се"), QStringLiteral("design-select-all"),
            QKeySequence(Qt::CTRL | Qt::Key_A));
    handler(QStringLiteral("edit"), QStringLiteral("&Редактировать..."), QString(), QKeySequence(Qt::Key_Return),
            [this] { editSelected(); })
        ->setShortcuts({QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});
    // The text and script editor of the selected object (script only for bands and controls).
    handler(QStringLiteral("edit-script"), QStringLiteral("Редактор текста и скрипта"), QString(),
            QKeySequence(Qt::CTRL | Qt::Key_Return), [this] {
                const int page = m_doc.pageIndex();
                if (TfrView* view = m_doc.editTarget())
                    frEditTextAndScript(m_doc, *view, this);
                if (page != m_doc.pageIndex())
                    rebuildTabs();
                refresh();
            })
        ->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)});
    command(QStringLiteral("add-page"), QStringLiteral("До&бавить страницу"), QStringLiteral("design-add-page"));
    command(QStringLiteral("add-dialog"), QStringLiteral("Добавить &форму диалога"), QStringLiteral("design-add-dialog"));
    handler(QStringLiteral("delete-page"), QStringLiteral("У&далить страницу"), QStringLiteral("design-delete-page"), {}, [this] {
        if (m_doc.pageCount() > 1 &&
            m_doc.engine().interaction().messageBox(QStringLiteral("Удалить страницу?"), QStringLiteral("Подтверждение"),
                                                    TUserInteraction::QuestionIcon,
                                                    TUserInteraction::Yes | TUserInteraction::No) == TUserInteraction::Yes)
            runCommand(QStringLiteral("delete-page"));
    });
    command(QStringLiteral("front"), QStringLiteral("Объект &наверх"), QStringLiteral("design-front"));
    command(QStringLiteral("back"), QStringLiteral("Объект вни&з"), QStringLiteral("design-back"));

    // Tools and help.
    handler(QStringLiteral("options"), QStringLiteral("&Опции..."), QString(), {}, [this] { showOptions(); });
    handler(QStringLiteral("help"), QStringLiteral("&Вызов справки"), QStringLiteral("design-help"), QKeySequence(Qt::Key_F1),
            [this] { showHelp(); });
    handler(QStringLiteral("whats-this"), QStringLiteral("&Подсказка"), QString(), QKeySequence(Qt::SHIFT | Qt::Key_F1),
            [] { QWhatsThis::enterWhatsThisMode(); });

    // The grid.
    QAction* gridShow = makeAction(QStringLiteral("grid-show"), QStringLiteral("Координатная сетка"), QStringLiteral("design-grid"),
                                   QKeySequence(Qt::CTRL | Qt::Key_G));
    gridShow->setCheckable(true);
    connect(gridShow, &QAction::triggered, this, [this](bool on) {
        m_doc.settings().gridShow = on;
        refresh();
    });
    toggle(QStringLiteral("grid-align"), QStringLiteral("Выравнивать объекты по сетке"), QStringLiteral("design-grid-align"));
    command(QStringLiteral("fit-grid"), QStringLiteral("Расположить объекты по сетке"), QStringLiteral("design-fit-grid"));

    // Text.
    toggle(QStringLiteral("bold"), QStringLiteral("Утолщение"), QStringLiteral("design-bold"), QKeySequence(Qt::CTRL | Qt::Key_B));
    toggle(QStringLiteral("italic"), QStringLiteral("Курсив"), QStringLiteral("design-italic"), QKeySequence(Qt::CTRL | Qt::Key_I));
    toggle(QStringLiteral("underline"), QStringLiteral("Подчеркивание"), QStringLiteral("design-underline"),
           QKeySequence(Qt::CTRL | Qt::Key_U));
    handler(QStringLiteral("font-color"), QStringLiteral("Цвет текста"), QStringLiteral("design-font-color"), {},
            [this] { pickColor(QStringLiteral("font-color"), false); });
    const struct {
        const char* name;
        const char16_t* text;
        const char* icon;
    } texts[] = {
        {"text-align left", u"Выровнять текст влево", "design-text-left"},
        {"text-align center", u"Центровка текста", "design-text-center"},
        {"text-align right", u"Выровнять текст вправо", "design-text-right"},
        {"text-align justify", u"Выровнять по ширине", "design-text-justify"},
        {"text-layout top", u"Выровнять по верхнему краю", "design-text-top"},
        {"text-layout middle", u"Равномерно по высоте", "design-text-middle"},
        {"text-layout bottom", u"Выровнять по нижнему краю", "design-text-bottom"},
    };
    for (const auto& t : texts)
        command(QString::fromLatin1(t.name), QString::fromUtf16(t.text), QString::fromLatin1(t.icon));
    QAction* vertical = makeAction(QStringLiteral("vertical-text"), QStringLiteral("Горизонтальное/вертикальное расположение текста"),
                                   QStringLiteral("design-text-vertical"));
    vertical->setCheckable(true);
    connect(vertical, &QAction::triggered, this, [this](bool on) {
        if (!m_updating)
            runCommand(on ? QStringLiteral("vertical-text on") : QStringLiteral("vertical-text off"));
    });

    // Frame.
    toggle(QStringLiteral("frame top"), QStringLiteral("Верхняя линия прямоугольника"), QStringLiteral("design-frame-top"));
    toggle(QStringLiteral("frame left"), QStringLiteral("Левая линия прямоугольника"), QStringLiteral("design-frame-left"));
    toggle(QStringLiteral("frame bottom"), QStringLiteral("Нижняя линия прямоугольника"), QStringLiteral("design-frame-bottom"));
    toggle(QStringLiteral("frame right"), QStringLiteral("Правая линия прямоугольника"), QStringLiteral("design-frame-right"));
    command(QStringLiteral("frame all"), QStringLiteral("Все линии рамки"), QStringLiteral("design-frame-all"),
            QKeySequence(Qt::CTRL | Qt::Key_F));
    command(QStringLiteral("frame none"), QStringLiteral("Без рамки"), QStringLiteral("design-frame-none"),
            QKeySequence(Qt::CTRL | Qt::Key_D));
    handler(QStringLiteral("fill"), QStringLiteral("Фон прямоугольника"), QStringLiteral("design-fill-color"), {},
            [this] { pickColor(QStringLiteral("fill"), true); });
    handler(QStringLiteral("frame-color"), QStringLiteral("Цвет рамки"), QStringLiteral("design-frame-color"), {},
            [this] { pickColor(QStringLiteral("frame-color"), false); });
    for (int w = 1; w <= 9; ++w)
        command(QStringLiteral("frame-width %1").arg(w), QStringLiteral("Толщина рамки %1").arg(w), QString(),
                QKeySequence(Qt::CTRL | Qt::Key(Qt::Key_0 + w)));

    // Alignment.
    const struct {
        const char* name;
        const char16_t* text;
    } aligns[] = {
        {"left", u"Выровнять левые края"},
        {"hcenter", u"Центрировать по горизонтали"},
        {"right", u"Выровнять правые края"},
        {"top", u"Выровнять верхние края"},
        {"vcenter", u"Центрировать по вертикали"},
        {"bottom", u"Выровнять нижние края"},
        {"hspread", u"Расположить равномерно по ширине"},
        {"vspread", u"Расположить равномерно по высоте"},
        {"hcenter-window", u"Центрировать по горизонтали в окне"},
        {"vcenter-window", u"Центрировать по вертикали в окне"},
    };
    for (const auto& a : aligns)
        command(QStringLiteral("align ") + QString::fromLatin1(a.name), QString::fromUtf16(a.text),
                QStringLiteral("design-align-") + QString::fromLatin1(a.name));
}

void TfrDesignerForm::buildMenus() {
    QMenuBar* bar = m_main->menuBar();
    auto add = [this](QMenu* menu, std::initializer_list<const char*> names) {
        for (const char* n : names) {
            if (!*n)
                menu->addSeparator();
            else
                menu->addAction(action(QString::fromLatin1(n)));
        }
    };
    QMenu* file = bar->addMenu(QStringLiteral("&Файл"));
    add(file, {"new-from-template", "open", "save", "save-as", "", "dictionary", "report-options", "page-options", "",
               "preview", "", "exit"});
    QMenu* edit = bar->addMenu(QStringLiteral("&Правка"));
    add(edit, {"undo", "redo", "", "cut", "copy", "paste", "delete", "select-all", "edit", "", "add-page", "add-dialog",
               "delete-page", "", "front", "back"});
    QMenu* tools = bar->addMenu(QStringLiteral("&Сервис"));
    QMenu* bars = tools->addMenu(QStringLiteral("&Панели инструментов"));
    bars->setObjectName(QStringLiteral("ToolBarsMenu"));
    add(tools, {"options"});
    QMenu* help = bar->addMenu(QStringLiteral("?"));
    add(help, {"help", "whats-this"});
}

void TfrDesignerForm::buildInspector() {
    m_inspector = new TfrInspector(m_doc);
    auto* dock = new QDockWidget(m_inspector->windowTitle(), m_main);
    dock->setObjectName(QStringLiteral("Inspector"));
    dock->setWidget(m_inspector);
    m_main->addDockWidget(Qt::LeftDockWidgetArea, dock);
    QAction* shown = dock->toggleViewAction();
    shown->setText(QStringLiteral("&Инспектор"));
    if (auto* menu = m_main->menuBar()->findChild<QMenu*>(QStringLiteral("ToolBarsMenu")))
        menu->addAction(shown);
    QAction* show = makeAction(QStringLiteral("inspector"), QStringLiteral("Инспектор объектов"), QString(),
                               QKeySequence(Qt::Key_F11));
    connect(show, &QAction::triggered, this, [this, dock] {
        dock->show();
        dock->raise();
        m_inspector->refresh();
    });
    connect(m_inspector, &TfrInspector::changed, this, &TfrDesignerForm::refresh);
}

void TfrDesignerForm::buildToolBars() {
    auto make = [this](const QString& name, const QString& title) {
        QToolBar* t = m_main->addToolBar(title);
        t->setObjectName(name);
        t->setIconSize(QSize(16, 16));
        m_toolBars[name] = t;
        if (auto* menu = m_main->menuBar()->findChild<QMenu*>(QStringLiteral("ToolBarsMenu")))
            menu->addAction(t->toggleViewAction());
        return t;
    };
    auto add = [this](QToolBar* bar, std::initializer_list<const char*> names) {
        for (const char* n : names) {
            if (!*n)
                bar->addSeparator();
            else
                bar->addAction(action(QString::fromLatin1(n)));
        }
    };
    QToolBar* standard = make(QStringLiteral("Standard"), QStringLiteral("&Стандартная"));
    add(standard, {"new", "open", "save", "preview", "page-options", "", "cut", "copy", "paste", "", "undo", "redo", "", "front", "back",
                   "select-all", "", "add-page", "add-dialog", "delete-page", "", "grid-show", "grid-align", "fit-grid", "",
                   "help", "exit"});

    QToolBar* text = make(QStringLiteral("Text"), QStringLiteral("&Текст"));
    m_fontName = new QComboBox(text);
    m_fontName->setObjectName(QStringLiteral("FontName"));
    m_fontName->setToolTip(QStringLiteral("Шрифт"));
    m_fontName->setEditable(true);
    m_fontName->addItems(QFontDatabase::families());
    m_fontName->setMinimumContentsLength(14);
    connect(m_fontName, &QComboBox::textActivated, this, [this](const QString& name) {
        if (!m_updating)
            runCommand(QStringLiteral("font ") + quoted(name));
    });
    m_fontSize = new QComboBox(text);
    m_fontSize->setObjectName(QStringLiteral("FontSize"));
    m_fontSize->setToolTip(QStringLiteral("Размер шрифта"));
    m_fontSize->setEditable(true);
    for (int size : {5, 6, 7, 8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 36, 48, 72})
        m_fontSize->addItem(QString::number(size));
    connect(m_fontSize, &QComboBox::textActivated, this, [this](const QString& size) {
        if (!m_updating)
            runCommand(QStringLiteral("font-size ") + size.trimmed());
    });
    text->addWidget(m_fontName);
    text->addWidget(m_fontSize);
    add(text, {"bold", "italic", "underline", "font-color", "", "text-align left", "text-align center", "text-align right",
               "text-align justify", "vertical-text", "", "text-layout top", "text-layout middle", "text-layout bottom"});

    QToolBar* frame = make(QStringLiteral("Frame"), QStringLiteral("&Прямоугольник"));
    add(frame, {"frame top", "frame left", "frame bottom", "frame right", "", "frame all", "frame none", "", "fill",
                "frame-color"});
    m_frameWidth = new QComboBox(frame);
    m_frameWidth->setObjectName(QStringLiteral("FrameWidth"));
    m_frameWidth->setToolTip(QStringLiteral("Толщина рамки"));
    for (int w = 0; w <= 10; ++w)
        m_frameWidth->addItem(QString::number(w));
    connect(m_frameWidth, &QComboBox::textActivated, this, [this](const QString& w) {
        if (!m_updating)
            runCommand(QStringLiteral("frame-width ") + w);
    });
    frame->addWidget(m_frameWidth);
    auto* style = new QToolButton(frame);
    style->setObjectName(QStringLiteral("FrameStyle"));
    style->setToolTip(QStringLiteral("Стиль линии"));
    style->setIcon(frReportIcon(QStringLiteral("design-frame-style")));
    style->setPopupMode(QToolButton::InstantPopup);
    auto* styles = new QMenu(style);
    const std::pair<const char*, const char16_t*> styleNames[] = {
        {"solid", u"Сплошная"},       {"dash", u"Штриховая"},         {"dot", u"Пунктирная"},
        {"dashdot", u"Штрихпунктирная"}, {"dashdotdot", u"Штрихпунктирная с двумя точками"}, {"double", u"Двойная"}};
    for (const auto& [name, caption] : styleNames) {
        const QString command = QStringLiteral("frame-style ") + QString::fromLatin1(name);
        connect(styles->addAction(QString::fromUtf16(caption)), &QAction::triggered, this, [this, command] { runCommand(command); });
    }
    style->setMenu(styles);
    frame->addWidget(style);

    buildObjectTools();

    QToolBar* alignment = make(QStringLiteral("Alignment"), QStringLiteral("&Выравнивание"));
    add(alignment, {"align left", "align hcenter", "align right", "align top", "align vcenter", "align bottom", "",
                    "align hspread", "align vspread", "", "align hcenter-window", "align vcenter-window"});
    // The wizards: inserting database fields.
    QToolBar* wizards = make(QStringLiteral("Wizards"), QStringLiteral("&Мастера"));
    add(wizards, {"insert-fields"});
    m_main->insertToolBarBreak(text);
}

void TfrDesignerForm::buildObjectTools() {
    QToolBar* objects = m_main->addToolBar(QStringLiteral("&Объекты"));
    objects->setObjectName(QStringLiteral("Objects"));
    objects->setIconSize(QSize(16, 16));
    m_toolBars[QStringLiteral("Objects")] = objects;
    if (auto* menu = m_main->menuBar()->findChild<QMenu*>(QStringLiteral("ToolBarsMenu")))
        menu->addAction(objects->toggleViewAction());
    m_main->addToolBar(Qt::LeftToolBarArea, objects);
    m_tools = new QActionGroup(this);
    m_tools->setExclusive(true);
    auto tool = [this, objects](const QString& name, const QString& text, const QIcon& icon, const TfrObjectClass* cls) {
        QAction* a = makeAction(QStringLiteral("tool ") + name, text, QString());
        a->setIcon(icon);
        a->setCheckable(true);
        m_tools->addAction(a);
        objects->addAction(a);
        connect(a, &QAction::triggered, this, [this, cls] { chooseTool(cls); });
        return a;
    };
    tool(QStringLiteral("select"), QStringLiteral("Выбрать объект"), frReportIcon(QStringLiteral("design-tool-select")), nullptr)
        ->setChecked(true);
    tool(QStringLiteral("text"), QStringLiteral("Вставить прямоугольник с текстом"), frReportIcon(QStringLiteral("design-tool-text")),
         &TfrMemoView::classInfo());
    tool(QStringLiteral("band"), QStringLiteral("Вставить секцию"), frReportIcon(QStringLiteral("design-tool-band")),
         &TfrBandView::classInfo());
    tool(QStringLiteral("picture"), QStringLiteral("Вставить рисунок"), frReportIcon(QStringLiteral("design-tool-picture")),
         &TfrPictureView::classInfo());
    tool(QStringLiteral("subreport"), QStringLiteral("Вставить вложенный отчет"),
         frReportIcon(QStringLiteral("design-tool-subreport")), &TfrSubReportView::classInfo());
    tool(QStringLiteral("line"), QStringLiteral("Рисовать линии"), frReportIcon(QStringLiteral("design-tool-line")),
         &TfrLineView::classInfo());
    // One button per add-in class the engine knows.
    for (const TfrObjectClass* cls : m_doc.engine().addIns()) {
        const TfrDesignerClassInfo* info = frDesignerClass(*cls);
        const QIcon icon = info && !info->icon.isNull() ? info->icon : frReportIcon(QStringLiteral("design-tool-addin"));
        const QString hint = info && !info->hint.isEmpty() ? info->hint : QStringLiteral("Вставить объект ") + cls->className;
        QAction* a = tool(cls->className, hint, icon, cls);
        a->setProperty("dialogControl", cls->has(TfrObjectClass::DialogControl));
    }
}

void TfrDesignerForm::buildStatusBar() {
    QStatusBar* bar = m_main->statusBar();
    const int widths[] = {75, 110, 110, 0};
    for (int i = 0; i < 4; ++i) {
        m_status[i] = new QLabel(bar);
        m_status[i]->setObjectName(QStringLiteral("Status%1").arg(i));
        if (widths[i])
            m_status[i]->setFixedWidth(widths[i]);
        m_status[i]->setFrameShape(QFrame::StyledPanel);
        bar->addWidget(m_status[i], widths[i] ? 0 : 1);
    }
    m_status[0]->installEventFilter(this);
    m_status[0]->setToolTip(QStringLiteral("Двойной щелчок меняет единицы измерения"));
}

// ---------------------------------------------------------------- commands

void TfrDesignerForm::guarded(const std::function<void()>& body) {
    // What cannot be done is told; the designer stays open on what it has.
    try {
        body();
    } catch (const Exception& e) {
        m_doc.cancelDrag();
        m_doc.engine().interaction().showError(e.message());
    }
}

bool TfrDesignerForm::runCommand(const QString& line) {
    TfrDesignCommandResult result;
    try {
        result = frRunDesignCommand(m_doc, line);
    } catch (const EDesignCommandSyntax& e) {
        result.message = e.message();
    }
    if (!result.applied && !result.message.isEmpty())
        m_main->statusBar()->showMessage(result.message, 5000);
    refresh();
    return result.applied;
}

void TfrDesignerForm::chooseTool(const TfrObjectClass* tool) {
    // Shift held on the button keeps the tool for further insertions.
    m_doc.setTool(tool, QGuiApplication::keyboardModifiers() & Qt::ShiftModifier);
    refresh();
}

void TfrDesignerForm::pickColor(const QString& command, bool fill) {
    QMenu menu(this);
    const QColor colors[] = {Qt::black, Qt::white, Qt::gray, Qt::lightGray, Qt::red, Qt::darkRed, Qt::yellow,
                             Qt::darkYellow, Qt::green, Qt::darkGreen, Qt::cyan, Qt::darkCyan, Qt::blue, Qt::darkBlue,
                             Qt::magenta, Qt::darkMagenta};
    for (const QColor& c : colors) {
        QPixmap swatch(16, 16);
        swatch.fill(c);
        connect(menu.addAction(QIcon(swatch), colorWord(c)), &QAction::triggered, this,
                [this, command, c] { runCommand(command + u' ' + colorWord(c)); });
    }
    menu.addSeparator();
    if (fill)
        connect(menu.addAction(QStringLiteral("Нет заливки")), &QAction::triggered, this,
                [this, command] { runCommand(command + QStringLiteral(" clTransparent")); });
    connect(menu.addAction(QStringLiteral("Другой цвет...")), &QAction::triggered, this, [this, command] {
        const QColor c = QColorDialog::getColor(Qt::black, this);
        if (c.isValid())
            runCommand(command + u' ' + colorWord(c));
    });
    menu.exec(QCursor::pos());
}

void TfrDesignerForm::editSelected() {
    const int page = m_doc.pageIndex();
    TfrView* view = m_doc.editTarget();
    if (view)
        if (const auto* editor = frDesignerEditor(view->objectClass()))
            (*editor)(m_doc, *view, this);
    if (page != m_doc.pageIndex())
        rebuildTabs();
    refresh();
}

bool TfrDesignerForm::confirmDiscard() {
    if (!m_doc.modified() || m_doc.preparedPage())
        return true;
    const QString name = m_doc.isUntitled() ? m_doc.engine().untitledName() : QFileInfo(m_doc.report().fileName).fileName();
    const TUserInteraction::Button answer = m_doc.engine().interaction().messageBox(
        QStringLiteral("Сохранить изменения в ") + name + u'?', QStringLiteral("Подтверждение"),
        TUserInteraction::QuestionIcon, TUserInteraction::Yes | TUserInteraction::No | TUserInteraction::Cancel);
    if (answer == TUserInteraction::Cancel)
        return false;
    if (answer == TUserInteraction::Yes)
        return save();
    return true;
}

void TfrDesignerForm::newReport() {
    if (!confirmDiscard())
        return;
    m_doc.newReport();
    m_fieldWindow->refresh();
    refresh();
}

void TfrDesignerForm::newFromTemplate() {
    if (!confirmDiscard())
        return;
    const QString folder = m_doc.templateFolder.isEmpty() ? QCoreApplication::applicationDirPath() : m_doc.templateFolder;
    TfrTemplateListForm list(folder, this);
    if (list.exec() != QDialog::Accepted || list.chosen().isEmpty())
        return;
    try {
        m_doc.newFromTemplate(list.chosen());
    } catch (const Exception& e) {
        m_doc.engine().interaction().showError(e.message());
    }
    m_fieldWindow->refresh();
    refresh();
}

bool TfrDesignerForm::openFile(const QString& fileName) {
    const bool opened = m_doc.open(fileName, frPasswordDialog(m_doc.engine().interaction()));
    m_fieldWindow->refresh();
    refresh();
    return opened;
}

void TfrDesignerForm::openDialog() {
    const QString file = QFileDialog::getOpenFileName(this, QString(), QString(),
                                                      QStringLiteral("Отчеты (*.frf);;Словари данных (*.frd)"));
    if (file.isEmpty())
        return;
    if (TfrDesignDocument::kindOfFile(file) == TfrDesignFileKind::Report && !confirmDiscard())
        return;
    openFile(file);
}

bool TfrDesignerForm::saveFileAs(const QString& fileName) {
    const bool saved = m_doc.saveAs(fileName, TfrDesignDocument::kindOfFile(fileName));
    refresh();
    return saved;
}

bool TfrDesignerForm::save() {
    if (m_doc.isUntitled()) {
        saveAsDialog();
        return !m_doc.modified();
    }
    const bool saved = m_doc.save();
    refresh();
    return saved;
}

void TfrDesignerForm::saveAsDialog() {
    const QStringList filters = {QStringLiteral("Отчет (*.frf)"), QStringLiteral("Шаблон (*.frt)"),
                                 QStringLiteral("Словарь данных (*.frd)")};
    QString chosen = filters.front();
    QString file = QFileDialog::getSaveFileName(this, QString(), m_doc.isUntitled() ? QString() : m_doc.report().fileName,
                                                filters.join(QStringLiteral(";;")), &chosen);
    if (file.isEmpty())
        return;
    const TfrDesignFileKind kinds[] = {TfrDesignFileKind::Report, TfrDesignFileKind::Template, TfrDesignFileKind::Dictionary};
    const TfrDesignFileKind kind = kinds[std::max<qsizetype>(0, filters.indexOf(chosen))];
    if (kind == TfrDesignFileKind::Template) {
        TfrNewTemplateForm form(this);
        if (form.exec() != QDialog::Accepted)
            return;
        m_doc.saveAs(file, kind, form.description(), form.picture());
    } else {
        m_doc.saveAs(file, kind);
    }
    refresh();
}

void TfrDesignerForm::preview() {
    if (m_doc.preparedPage())
        return;
    TfrReport& report = m_doc.report();
    TfrEngine& engine = m_doc.engine();
    try {
        const bool built = engine.prepareReportHook ? report.prepareReport() : frBuildReport(report).ok();
        if (built)
            frShowPreview(report, this, false); // no page editing: the report is in the designer's hands
    } catch (const Exception& e) {
        engine.interaction().showError(e.message());
    }
    refresh();
}

void TfrDesignerForm::showHelp() {
    auto* help = new QDialog(this);
    help->setObjectName(QStringLiteral("DesignerHelp"));
    help->setAttribute(Qt::WA_DeleteOnClose);
    help->setWindowTitle(kHelpCaption);
    auto* browser = new QTextBrowser(help);
    browser->setObjectName(QStringLiteral("HelpBrowser"));
    browser->setOpenExternalLinks(false);
    browser->setSource(QUrl(QStringLiteral("qrc:/designer/help.html")));
    auto* layout = new QVBoxLayout(help);
    layout->addWidget(browser);
    help->resize(600, 560);
    help->show();
}

void TfrDesignerForm::showOptions() {
    TfrDesignerOptionsForm form(m_doc.settings(), this);
    if (form.exec() == QDialog::Accepted) {
        m_doc.settings() = form.settings();
        showButtonColours();
    }
    refresh();
}

void TfrDesignerForm::buildFieldWindow() {
    m_fieldWindow = new TfrFieldWindow(m_doc.report());
    auto* dock = new QDockWidget(m_fieldWindow->windowTitle(), m_main);
    dock->setObjectName(QStringLiteral("FieldWindow"));
    dock->setWidget(m_fieldWindow);
    m_main->addDockWidget(Qt::RightDockWidgetArea, dock);
    if (auto* menu = m_main->menuBar()->findChild<QMenu*>(QStringLiteral("ToolBarsMenu")))
        menu->addAction(dock->toggleViewAction());
    QAction* show = makeAction(QStringLiteral("field-window"), QStringLiteral("Вставка поля БД"), QString(),
                               QKeySequence(Qt::Key_Insert));
    connect(show, &QAction::triggered, this, [this, dock] {
        m_fieldWindow->refresh();
        dock->show();
        dock->raise();
    });
}

void TfrDesignerForm::runDialog(const std::function<bool(TfrDesignDocument&, QWidget*)>& dialog) {
    if (m_doc.preparedPage())
        return;
    guarded([&] { dialog(m_doc, this); });
    if (!m_doc.refusal().isEmpty())
        m_main->statusBar()->showMessage(m_doc.refusal(), 5000);
    m_fieldWindow->refresh();
    refresh();
}

// ---------------------------------------------------------------- keeping up with the document

void TfrDesignerForm::rebuildTabs() {
    const bool was = m_updating;
    m_updating = true;
    while (m_tabs->count() > m_doc.pageCount())
        m_tabs->removeTab(m_tabs->count() - 1);
    for (int i = 0; i < m_doc.pageCount(); ++i) {
        const TfrPage& p = *m_doc.report().pages().page(i);
        const QString name = p.name.isEmpty() ? QStringLiteral("Страница %1").arg(i + 1) : p.name;
        if (i < m_tabs->count())
            m_tabs->setTabText(i, name);
        else
            m_tabs->addTab(name);
    }
    m_tabs->setCurrentIndex(m_doc.pageIndex());
    m_updating = was;
}

void TfrDesignerForm::updateStatus() {
    m_status[0]->setText(frUnitsName(m_doc.settings().units));
    m_status[1]->setText(m_doc.statusPosition());
    m_status[2]->setText(m_doc.statusSize());
    m_status[3]->setText(m_doc.statusObject());
}

void TfrDesignerForm::updateToolStates() {
    const std::vector<TfrView*> sel = m_doc.selection();
    const bool any = !sel.empty();
    const bool prepared = m_doc.preparedPage();
    auto enable = [this](const char* name, bool on) {
        if (QAction* a = action(QString::fromLatin1(name)))
            a->setEnabled(on);
    };
    const TfrUndoEntry* undo = m_doc.undoStack().top();
    const TfrUndoEntry* redo = m_doc.redoStack().top();
    enable("undo", undo && undo->page == m_doc.pageIndex());
    enable("redo", redo && redo->page == m_doc.pageIndex());
    for (const char* name : {"cut", "copy", "delete", "front", "back", "fit-grid", "edit"})
        enable(name, any);
    enable("paste", m_doc.hasClipboard());
    for (const char* name : {"new", "new-from-template", "open", "save", "save-as", "preview", "add-page", "add-dialog"})
        enable(name, !prepared);
    enable("delete-page", !prepared && m_doc.pageCount() > 1);
    // Report pages only: database fields and page options; nothing of the
    // report while a prepared page is edited.
    const bool reportPage = !prepared && m_doc.page().pageType != ptDialog;
    enable("insert-fields", reportPage);
    enable("page-options", reportPage);
    enable("report-options", !prepared);
    enable("dictionary", !prepared);
    action(QStringLiteral("grid-show"))->setChecked(m_doc.settings().gridShow);
    action(QStringLiteral("grid-align"))->setChecked(m_doc.settings().gridAlign);

    // The text and frame tool bars show the reference object.
    const TfrView* ref = m_doc.referenceObject();
    const auto* memo = frCast<TfrMemoView>(ref);
    const TfrFont& font = memo ? memo->font : m_doc.style().font;
    const std::uint32_t alignment = memo ? memo->alignment : m_doc.style().alignment;
    action(QStringLiteral("bold"))->setChecked(font.style & fsBold);
    action(QStringLiteral("italic"))->setChecked(font.style & fsItalic);
    action(QStringLiteral("underline"))->setChecked(font.style & fsUnderline);
    action(QStringLiteral("vertical-text"))->setChecked(alignment & frtaVertical);
    m_fontName->setCurrentText(font.name);
    m_fontSize->setCurrentText(QString::number(font.size));
    const std::uint16_t frame = ref && ref->objectType != gtBand ? ref->frameTyp : m_doc.style().frameTyp;
    action(QStringLiteral("frame top"))->setChecked(frame & frftTop);
    action(QStringLiteral("frame left"))->setChecked(frame & frftLeft);
    action(QStringLiteral("frame bottom"))->setChecked(frame & frftBottom);
    action(QStringLiteral("frame right"))->setChecked(frame & frftRight);
    m_frameWidth->setCurrentText(QString::number(int(ref ? ref->frameWidth : m_doc.style().frameWidth)));

    // The tool: dialog controls go on dialog forms, the others on pages.
    const bool dialog = m_doc.page().pageType == ptDialog;
    for (QAction* a : m_tools->actions())
        if (a->property("dialogControl").isValid())
            a->setVisible(a->property("dialogControl").toBool() == dialog);
    const TfrObjectClass* tool = m_doc.tool();
    QString toolName = QStringLiteral("tool select");
    if (tool == &TfrMemoView::classInfo())
        toolName = QStringLiteral("tool text");
    else if (tool == &TfrBandView::classInfo())
        toolName = QStringLiteral("tool band");
    else if (tool == &TfrPictureView::classInfo())
        toolName = QStringLiteral("tool picture");
    else if (tool == &TfrSubReportView::classInfo())
        toolName = QStringLiteral("tool subreport");
    else if (tool == &TfrLineView::classInfo())
        toolName = QStringLiteral("tool line");
    else if (tool)
        toolName = QStringLiteral("tool ") + tool->className;
    if (QAction* a = action(toolName))
        a->setChecked(true);
}

void TfrDesignerForm::refresh() {
    const bool was = m_updating;
    m_updating = true;
    setWindowTitle(m_doc.caption());
    rebuildTabs();
    m_page->fitPage();
    m_page->update();
    updateToolStates();
    updateStatus();
    m_inspector->refresh();
    m_updating = was;
}

// ---------------------------------------------------------------- keys, closing, settings

void TfrDesignerForm::keyPressEvent(QKeyEvent* event) {
    using frdesign::TfrDirection;
    const Qt::KeyboardModifiers mods = event->modifiers();
    auto arrow = [&](TfrDirection d) {
        bool moved = false;
        guarded([&] { moved = m_doc.arrowKey(d, mods); });
        if (!moved && !m_doc.refusal().isEmpty())
            m_main->statusBar()->showMessage(m_doc.refusal(), 3000);
        refresh();
    };
    switch (event->key()) {
    case Qt::Key_Left: arrow(TfrDirection::Left); break;
    case Qt::Key_Right: arrow(TfrDirection::Right); break;
    case Qt::Key_Up: arrow(TfrDirection::Up); break;
    case Qt::Key_Down: arrow(TfrDirection::Down); break;
    case Qt::Key_PageUp:
        m_scroll->verticalScrollBar()->setValue(m_scroll->verticalScrollBar()->value() - kScrollStep);
        break;
    case Qt::Key_PageDown:
        m_scroll->verticalScrollBar()->setValue(m_scroll->verticalScrollBar()->value() + kScrollStep);
        break;
    case Qt::Key_Escape:
        // Back to the select tool; Escape never closes the designer.
        if (m_doc.dragMode() != TfrDragMode::None)
            m_doc.cancelDrag();
        m_doc.setTool(nullptr);
        refresh();
        break;
    default:
        QDialog::keyPressEvent(event);
        return;
    }
    event->accept();
}

bool TfrDesignerForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_status[0] && event->type() == QEvent::MouseButtonDblClick) {
        m_doc.settings().units = frNextUnits(m_doc.settings().units);
        updateStatus();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TfrDesignerForm::closeEvent(QCloseEvent* event) {
    if (!confirmDiscard()) {
        event->ignore();
        return;
    }
    writeSettings();
    QDialog::closeEvent(event);
}

void TfrDesignerForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    m_page->setFocus();
}

void TfrDesignerForm::readSettings() {
    const TRegistry registry(frDesignerRegistryKey());
    m_doc.settings().read(registry);
    const QString form = frDesignerFormSection();
    if (registry.valueExists(form, QStringLiteral("Width"))) {
        const int x = registry.readInteger(form, QStringLiteral("XPosition"), 0);
        const int y = registry.readInteger(form, QStringLiteral("YPosition"), 0);
        const int w = std::clamp(registry.readInteger(form, QStringLiteral("Width"), 1000), 300, 20000);
        const int h = std::clamp(registry.readInteger(form, QStringLiteral("Height"), 750), 200, 20000);
        setGeometry(std::clamp(x, -20000, 20000), std::clamp(y, -20000, 20000), w, h);
    } else {
        resize(1000, 750);
    }
    // Maximised unless it was closed in normal state.
    if (registry.readBool(form, QStringLiteral("Maximized"), true))
        setWindowState(windowState() | Qt::WindowMaximized);
    const std::pair<QString, Qt::ToolBarArea> docks[] = {{QStringLiteral("Top"), Qt::TopToolBarArea},
                                                         {QStringLiteral("Bottom"), Qt::BottomToolBarArea},
                                                         {QStringLiteral("Left"), Qt::LeftToolBarArea},
                                                         {QStringLiteral("Right"), Qt::RightToolBarArea}};
    // Each bar goes to its side; where every bar has its place stored, the
    // bars of a side are laid out again in rows (columns on the left and
    // right) by their stored positions.
    struct Place {
        Qt::ToolBarArea area;
        int row, along;
        QToolBar* bar;
        bool operator<(const Place& o) const {
            return std::tie(area, row, along) < std::tie(o.area, o.row, o.along);
        }
    };
    std::vector<Place> places;
    bool allPlaced = true;
    for (const auto& [name, bar] : m_toolBars) {
        const QString section = QStringLiteral("ToolBar\\") + name;
        bar->setVisible(registry.readBool(section, QStringLiteral("isVisible"), true));
        const QString dock = registry.readString(section, QStringLiteral("DockName"));
        Qt::ToolBarArea side = m_main->toolBarArea(bar);
        for (const auto& [dockName, area] : docks)
            if (dock == dockName)
                side = area;
        if (side != m_main->toolBarArea(bar))
            m_main->addToolBar(side, bar);
        allPlaced = allPlaced && registry.valueExists(section, QStringLiteral("XPosition")) &&
                    registry.valueExists(section, QStringLiteral("YPosition"));
        const int x = registry.readInteger(section, QStringLiteral("XPosition"), 0);
        const int y = registry.readInteger(section, QStringLiteral("YPosition"), 0);
        const bool across = side == Qt::TopToolBarArea || side == Qt::BottomToolBarArea;
        places.push_back({side, across ? y : x, across ? x : y, bar});
    }
    if (allPlaced) {
        std::sort(places.begin(), places.end());
        for (const Place& p : places)
            m_main->removeToolBarBreak(p.bar);
        for (std::size_t i = 0; i < places.size(); ++i) {
            const Place& p = places[i];
            if (i > 0 && places[i - 1].area == p.area && places[i - 1].row != p.row)
                m_main->addToolBarBreak(p.area);
            m_main->addToolBar(p.area, p.bar);
        }
    }
    if (auto* fields = m_main->findChild<QDockWidget*>(QStringLiteral("FieldWindow")))
        fields->setVisible(registry.readBool(kFieldWindowSection, QStringLiteral("isVisible"), false));
    showButtonColours();
}

void TfrDesignerForm::showButtonColours() {
    const bool grey = m_doc.settings().grayButtons;
    for (const auto& [name, bar] : m_toolBars)
        for (QAction* a : bar->actions()) {
            const auto [made, added] = m_colourIcons.try_emplace(a, a->icon());
            if (!made->second.isNull())
                a->setIcon(grey ? frGreyedIcon(made->second) : made->second);
        }
}

void TfrDesignerForm::writeSettings() {
    if (m_settingsWritten)
        return;
    m_settingsWritten = true;
    TRegistry registry(frDesignerRegistryKey());
    m_doc.settings().write(registry);
    const QString form = frDesignerFormSection();
    const bool maximized = isMaximized();
    registry.writeBool(form, QStringLiteral("Maximized"), maximized);
    if (!maximized && isVisible()) {
        const QRect g = geometry();
        registry.writeInteger(form, QStringLiteral("XPosition"), g.x());
        registry.writeInteger(form, QStringLiteral("YPosition"), g.y());
        registry.writeInteger(form, QStringLiteral("Width"), g.width());
        registry.writeInteger(form, QStringLiteral("Height"), g.height());
    }
    if (auto* fields = m_main->findChild<QDockWidget*>(QStringLiteral("FieldWindow")))
        registry.writeBool(kFieldWindowSection, QStringLiteral("isVisible"), !fields->isHidden());
    for (const auto& [name, bar] : m_toolBars) {
        const QString section = QStringLiteral("ToolBar\\") + name;
        registry.writeBool(section, QStringLiteral("isVisible"), !bar->isHidden());
        registry.writeBool(section, QStringLiteral("isFloat"), bar->isFloating());
        const Qt::ToolBarArea area = m_main->toolBarArea(bar);
        registry.writeString(section, QStringLiteral("DockName"),
                             area == Qt::LeftToolBarArea     ? QStringLiteral("Left")
                             : area == Qt::RightToolBarArea  ? QStringLiteral("Right")
                             : area == Qt::BottomToolBarArea ? QStringLiteral("Bottom")
                                                             : QStringLiteral("Top"));
        const QRect g = bar->geometry();
        registry.writeInteger(section, QStringLiteral("XPosition"), g.x());
        registry.writeInteger(section, QStringLiteral("YPosition"), g.y());
        registry.writeInteger(section, QStringLiteral("Width"), g.width());
        registry.writeInteger(section, QStringLiteral("Height"), g.height());
    }
    try {
        registry.flush();
    } catch (const Exception&) {
        // A registry that cannot be written costs only the settings.
    }
}
