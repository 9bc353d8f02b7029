#include "app/mrumanager.h"

#include "common/registry.h"

#include <QAction>
#include <QMenu>

TMRUManager::TMRUManager() : m_displayText(&TMRUManager::bareFileName) {}

TMRUManager::~TMRUManager() { removeMenuItems(); }

void TMRUManager::add(const QString& path) {
    if (path.isEmpty())
        return;
    m_items.removeAll(path);
    m_items.prepend(path);
    while (m_items.size() > Capacity)
        m_items.removeLast();
    rebuildMenu();
}

void TMRUManager::remove(const QString& path) {
    if (m_items.removeAll(path) > 0)
        rebuildMenu();
}

void TMRUManager::clear() {
    m_items.clear();
    rebuildMenu();
}

void TMRUManager::setMenu(QMenu* menu) {
    removeMenuItems();
    m_menu = menu;
    rebuildMenu();
}

void TMRUManager::setDisplayText(std::function<QString(const QString&)> displayText) {
    m_displayText = displayText ? std::move(displayText) : std::function<QString(const QString&)>(&bareFileName);
    rebuildMenu();
}

QList<QAction*> TMRUManager::menuActions() const {
    QList<QAction*> result;
    for (const QPointer<QAction>& action : m_actions)
        if (action)
            result << action.data();
    return result;
}

void TMRUManager::removeMenuItems() {
    for (const QPointer<QAction>& action : m_actions) {
        if (!action)
            continue;
        if (m_menu)
            m_menu->removeAction(action);
        // The item may be the one whose click is being handled right now.
        action->deleteLater();
    }
    m_actions.clear();
}

QString TMRUManager::accelerator(int index) {
    const int number = index + 1;
    const QChar ch = number < 10 ? QChar(u'0' + number) : QChar(u'A' + (number - 10));
    return QStringLiteral("&") + ch;
}

QString TMRUManager::bareFileName(const QString& path) {
    const qsizetype slash = qMax(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    QString name = path.mid(slash + 1);
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot > 0)
        name.truncate(dot);
    return name;
}

void TMRUManager::rebuildMenu() {
    removeMenuItems();
    if (!m_menu)
        return;
    if (!m_items.isEmpty() && !m_menu->actions().isEmpty())
        m_actions << m_menu->addSeparator();
    for (int i = 0; i < m_items.size(); ++i) {
        const QString path = m_items[i];
        QString text = m_displayText(path);
        // A "&" in a file name is shown as itself, not as a second accelerator.
        text.replace(u'&', QStringLiteral("&&"));
        QAction* action = m_menu->addAction(accelerator(i) + u' ' + text);
        action->setData(path);
        QObject::connect(action, &QAction::triggered, action, [this, path] {
            if (m_onClick)
                m_onClick(path);
        });
        m_actions << action;
    }
    m_menu->setEnabled(!m_menu->actions().isEmpty());
}

void TMRUManager::readSection(const TRegistry& registry, const QString& section) {
    m_items.clear();
    for (int i = Capacity - 1; i >= 0; --i) {
        const QString path = registry.readString(section, QStringLiteral("Item_%1").arg(i));
        // Numbers attached to entries are read for completeness; the program
        // attaches none.
        (void)registry.readInteger(section, QStringLiteral("User_%1").arg(i), 0);
        if (!path.isEmpty()) {
            m_items.removeAll(path);
            m_items.prepend(path);
        }
    }
    while (m_items.size() > Capacity)
        m_items.removeLast();
    rebuildMenu();
}

void TMRUManager::writeSection(TRegistry& registry, const QString& section) {
    registry.eraseSection(section);
    for (int i = 0; i < m_items.size(); ++i)
        registry.writeString(section, QStringLiteral("Item_%1").arg(i), m_items[i]);
}
