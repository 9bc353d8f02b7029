#pragma once

#include "app/formstorage.h"

#include <QList>
#include <QPointer>
#include <QStringList>
#include <functional>

#include <QAction>
#include <QMenu>

// The recent settings files: at most five full paths, most recent first, kept
// in the section "<window class>.MRUManager1" of the main window's storage and
// shown at the end of a menu as "&1 name", "&2 name", ...
class TMRUManager : public TStoredSection {
public:
    static constexpr int Capacity = 5;

    TMRUManager();
    ~TMRUManager() override;
    TMRUManager(const TMRUManager&) = delete;
    TMRUManager& operator=(const TMRUManager&) = delete;

    const QStringList& items() const { return m_items; }
    // A path already present moves to the top; a new one is inserted at the top
    // and entries beyond the capacity drop off the end.
    void add(const QString& path);
    void remove(const QString& path);
    void clear();

    // The menu the entries are appended to (not owned).
    void setMenu(QMenu* menu);
    QMenu* menu() const { return m_menu; }
    // The text shown for an entry; by default bareFileName.
    void setDisplayText(std::function<QString(const QString&)> displayText);
    // Called with the full path when an entry's menu item is chosen.
    void setOnClick(std::function<void(const QString&)> onClick) { m_onClick = std::move(onClick); }
    // The menu items (separator included) added by the last rebuild.
    QList<QAction*> menuActions() const;
    void rebuildMenu();

    void readSection(const TRegistry& registry, const QString& section) override;
    void writeSection(TRegistry& registry, const QString& section) override;

    // "&1" .. "&9", then "&A", "&B", ... for the entry with the given index from 0.
    static QString accelerator(int index);
    // The file name without folder and extension ("/a/b/demo.cfg" gives "demo").
    static QString bareFileName(const QString& path);

private:
    void removeMenuItems();

    QStringList m_items;
    QPointer<QMenu> m_menu;
    QList<QPointer<QAction>> m_actions;
    std::function<QString(const QString&)> m_displayText;
    std::function<void(const QString&)> m_onClick;
};
