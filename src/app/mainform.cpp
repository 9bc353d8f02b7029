#include "app/mainform.h"

#include "app/filterdlg.h"
#include "app/icons.h"
#include "app/logindlg.h"
#include "app/registrykeys.h"
#include "common/exception.h"
#include "common/interaction.h"

#include <QAction>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QScreen>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QShowEvent>
#include <QStatusBar>
#include <QToolBar>

namespace {

const QString CategoryServer = QStringLiteral("Сервер");
const QString CategorySelection = QStringLiteral("Выборка");
const QString CategoryReport = QStringLiteral("Отчёт");

// The save dialog's types, in the order of their 1-based indexes.
struct SaveType {
    const char16_t* title;
    const char16_t* pattern;
    const char16_t* suffix;
};
constexpr SaveType SaveTypes[] = {
    {u"Текстовый с разделителями (*.tab)", u"*.tab", u"tab"},
    {u"Таблица MS-Excel (*.xls)", u"*.xls", u"xls"},
    {u"Файл HTML (*.htm)", u"*.htm", u"htm"},
    {u"Книга Excel (*.xlsx)", u"*.xlsx", u"xlsx"},
};

} // namespace

QString TfrmMain::caption() { return QStringLiteral("Экспорт конфигурации ОИК"); }

QString TfrmMain::saveFilter() {
    QStringList parts;
    for (const SaveType& t : SaveTypes)
        parts << QString::fromUtf16(t.title) << QString::fromUtf16(t.pattern);
    return parts.join(u'|');
}

QAction* TfrmMain::makeAction(const QString& name, const QString& text, const QString& category,
                              const QKeySequence& shortcut) {
    auto* action = new QAction(text, this);
    action->setObjectName(name);
    action->setProperty("category", category);
    // The hint, shown as tool tip and in the status bar, is the caption.
    action->setToolTip(text);
    action->setStatusTip(text);
    action->setShortcut(shortcut);
    return action;
}

TfrmMain::TfrmMain(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(caption());

    // ---- Actions.
    actLogonDialog = makeAction(QStringLiteral("actLogonDialog"), QStringLiteral("Установить параметры соединения"),
                                CategoryServer, QKeySequence(Qt::CTRL | Qt::Key_L));
    actLogonDialog->setIcon(appicons::connection());
    actExit = makeAction(QStringLiteral("actExit"), QStringLiteral("Выход"), CategoryServer,
                         QKeySequence(Qt::ALT | Qt::Key_F4));
    actLoadFile = makeAction(QStringLiteral("actLoadFile"), QStringLiteral("Открыть файл настроек..."),
                             CategorySelection, QKeySequence(Qt::CTRL | Qt::Key_O));
    actPerform = makeAction(QStringLiteral("actPerform"), QStringLiteral("Произвести (повторить) выборку"),
                            CategorySelection, QKeySequence(Qt::CTRL | Qt::Key_R));
    actPerform->setIcon(appicons::perform());
    actSaveSelectionAs = makeAction(QStringLiteral("actSaveSelectionAs"), QStringLiteral("Сохранить выборку как..."),
                                    CategorySelection, QKeySequence());
    actSaveSelectionAs->setIcon(appicons::save());
    actShowReport = makeAction(QStringLiteral("actShowReport"), QStringLiteral("Сформировать и напечатать отчёт"),
                               CategoryReport, QKeySequence());
    actShowReport->setIcon(appicons::report());
    actDesignReport = makeAction(QStringLiteral("actDesignReport"), QStringLiteral("Изменить дизайн отчёта"),
                                 CategoryReport, QKeySequence());
    actDesignReport->setIcon(appicons::design());
    acrMoveSelection = makeAction(QStringLiteral("acrMoveSelection"),
                                  QStringLiteral("Перенести таблицу в правую часть"), CategorySelection,
                                  QKeySequence());
    enableReportActions(false);

    connect(actLogonDialog, &QAction::triggered, this, [this] { showLogonDialog(); });
    connect(actExit, &QAction::triggered, this, &QWidget::close);
    connect(actLoadFile, &QAction::triggered, this, [this] {
        if (hooks.loadSettingsFile)
            runGuarded(hooks.loadSettingsFile);
    });
    connect(actPerform, &QAction::triggered, this, [this] {
        if (hooks.performSelection)
            runGuarded(hooks.performSelection);
    });
    connect(actSaveSelectionAs, &QAction::triggered, this, [this] { saveSelectionAs(); });
    connect(actShowReport, &QAction::triggered, this, [this] {
        if (hooks.showReport)
            runGuarded(hooks.showReport);
    });
    connect(actDesignReport, &QAction::triggered, this, [this] {
        if (hooks.designReport)
            runGuarded(hooks.designReport);
    });
    connect(acrMoveSelection, &QAction::triggered, this, [this] {
        if (hooks.moveSelection)
            runGuarded(hooks.moveSelection);
    });

    // ---- Menus.
    mnuServer = menuBar()->addMenu(QStringLiteral("Сервер"));
    mnuServer->setObjectName(QStringLiteral("mnuServer"));
    mnuServer->addAction(actLogonDialog);
    mnuServer->addSeparator();
    mnuServer->addAction(actExit);

    mnuSelection = menuBar()->addMenu(QStringLiteral("Выборка"));
    mnuSelection->setObjectName(QStringLiteral("mnuSelection"));
    mnuSelection->addAction(actLoadFile);
    miRecentFiles = mnuSelection->addAction(QStringLiteral("Список открывавшихся файлов"));
    miRecentFiles->setObjectName(QStringLiteral("miRecentFiles"));
    miRecentFiles->setEnabled(false);
    mnuSelection->addSeparator();
    mnuSelection->addAction(actPerform);
    mnuSelection->addAction(actSaveSelectionAs);

    mnuReport = menuBar()->addMenu(QStringLiteral("Отчёт"));
    mnuReport->setObjectName(QStringLiteral("mnuReport"));
    mnuReport->addAction(actShowReport);
    mnuReport->addAction(actDesignReport);

    // ---- Tool bar: icons only.
    ToolBar1 = addToolBar(QStringLiteral("ToolBar1"));
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setMovable(false);
    ToolBar1->setFloatable(false);
    ToolBar1->setToolButtonStyle(Qt::ToolButtonIconOnly);
    ToolBar1->setIconSize(QSize(16, 16));
    ToolBar1->toggleViewAction()->setEnabled(false);
    ToolBar1->addAction(actLogonDialog);
    ToolBar1->addAction(actPerform);
    ToolBar1->addAction(actSaveSelectionAs);
    ToolBar1->addAction(actShowReport);
    ToolBar1->addAction(actDesignReport);
    setContextMenuPolicy(Qt::NoContextMenu);

    // ---- The grid's place.
    auto* placeholder = new QFrame(this);
    placeholder->setObjectName(QStringLiteral("GridPlaceholder"));
    placeholder->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    placeholder->setBackgroundRole(QPalette::Base);
    placeholder->setAutoFillBackground(true);
    setCentralWidget(placeholder);

    // ---- Status bar with one text panel.
    StatusPanel = new QLabel(this);
    StatusPanel->setObjectName(QStringLiteral("StatusPanel"));
    statusBar()->addWidget(StatusPanel, 1);

    // ---- Recent files at the end of "Выборка".
    m_mru.setMenu(mnuSelection);
    m_mru.setOnClick([this](const QString& path) { openRecentFile(path); });

    // ---- Persistence.
    m_target = std::make_unique<TWidgetPlacementTarget>(this, true, false);
    m_storage = std::make_unique<TFormStorage>(*m_target, regkeys::MainFormBase, QStringLiteral("TfrmMain"));
    m_storage->linkSection(&m_mru, QStringLiteral("MRUManager1"));

    askSaveFile = [this] { return defaultAskSaveFile(); };

    // The client area excludes the menu bar, as the window was designed.
    resize(ClientWidth, ClientHeight + menuBar()->sizeHint().height());
    // Centred on the screen until a stored placement says otherwise.
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(0, 0), size());
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

TfrmMain::~TfrmMain() {
    m_storage->windowDestroyed();
    m_mru.setMenu(nullptr);
}

QList<QAction*> TfrmMain::allActions() const {
    return {actLogonDialog, actExit,       actLoadFile,     actPerform,
            actSaveSelectionAs, actShowReport, actDesignReport, acrMoveSelection};
}

void TfrmMain::enableReportActions(bool enabled) {
    actShowReport->setEnabled(enabled && hooks.showReport);
    actDesignReport->setEnabled(enabled && hooks.designReport);
}

void TfrmMain::setGridWidget(QWidget* grid) {
    if (!grid)
        return;
    QWidget* old = takeCentralWidget();
    setCentralWidget(grid);
    delete old;
}

void TfrmMain::setStatusText(const QString& text) { StatusPanel->setText(text); }

void TfrmMain::showRecordCount(int count) { setStatusText(QStringLiteral("Всего записей: ") + QString::number(count)); }

void TfrmMain::setSettingsFileName(const QString& path) {
    if (path.isEmpty())
        setWindowTitle(caption());
    else
        setWindowTitle(caption() + QStringLiteral(" - ") + QFileInfo(path).fileName());
}

void TfrmMain::runGuarded(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const Exception& e) {
        TUserInteraction::current().showError(e.message());
    } catch (const std::exception& e) {
        TUserInteraction::current().showError(QString::fromLocal8Bit(e.what()));
    }
}

void TfrmMain::showLogonDialog() {
    if (!m_loginDlg)
        return;
    // Placement and server names are restored on showing and stored on
    // closing by the dialog's own storage; the result is not needed.
    m_loginDlg->exec();
}

std::optional<TfrmMain::TSaveChoice> TfrmMain::defaultAskSaveFile() {
    QFileDialog dialog(this, actSaveSelectionAs->text().remove(QStringLiteral("...")));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    QStringList filters;
    for (const SaveType& t : SaveTypes)
        filters << QString::fromUtf16(t.title);
    dialog.setNameFilters(filters);
    dialog.setDefaultSuffix(QStringLiteral("tab"));
    // A name typed without extension gets the one of the chosen type.
    connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog, filters](const QString& filter) {
        const qsizetype i = filters.indexOf(filter);
        if (i >= 0)
            dialog.setDefaultSuffix(QString::fromUtf16(SaveTypes[i].suffix));
    });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return TSaveChoice{dialog.selectedFiles().constFirst(),
                       static_cast<int>(filters.indexOf(dialog.selectedNameFilter())) + 1};
}

std::optional<QString> TfrmMain::askSettingsFile() {
    QFileDialog dialog(this, actLoadFile->text().remove(QStringLiteral("...")));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(QStringLiteral("*.cfg"));
    dialog.setDefaultSuffix(QStringLiteral("cfg"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

void TfrmMain::addRecentFile(const QString& path) {
    m_mru.remove(path);
    m_mru.add(path);
}

void TfrmMain::saveSelectionAs() {
    runGuarded([this] {
        const std::optional<TSaveChoice> choice = askSaveFile ? askSaveFile() : std::nullopt;
        if (!choice)
            return;
        // The chosen type decides the format, whatever the typed extension.
        if (choice->typeIndex < 1 || choice->typeIndex > int(std::size(SaveTypes))) {
            TUserInteraction::current().messageBox(QStringLiteral("Не указан тип файла для записи"),
                                                   TUserInteraction::errorTitle(), TUserInteraction::ErrorIcon,
                                                   TUserInteraction::Ok);
            return;
        }
        if (hooks.writeSelection)
            hooks.writeSelection(choice->fileName, choice->typeIndex);
    });
}

void TfrmMain::openRecentFile(const QString& path) {
    if (hooks.openRecentFile)
        runGuarded([this, path] { hooks.openRecentFile(path); });
}

void TfrmMain::showEvent(QShowEvent* event) {
    if (!event->spontaneous() && !m_restoredOnce) {
        m_restoredOnce = true;
        m_storage->windowShown();
    }
    QMainWindow::showEvent(event);
}

void TfrmMain::closeEvent(QCloseEvent* event) {
    QMainWindow::closeEvent(event);
    if (event->isAccepted())
        m_storage->closeQuery(true, testAttribute(Qt::WA_WState_Created));
}
