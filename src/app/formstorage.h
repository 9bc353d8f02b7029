#pragma once

#include <QPoint>
#include <QSize>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

class TRegistry;

// The geometry record of a window as it is stored: flags, show command (1
// normal, 2 minimised, 3 maximised), the minimised and maximised positions and
// the normal (restored) rectangle. right and bottom lie just outside the
// rectangle: right = left + width, bottom = top + height.
struct TWindowPlacement {
    int flags = 0;
    int showCmd = 0;
    QPoint minPosition{-1, -1};
    QPoint maxPosition{-1, -1};
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool operator==(const TWindowPlacement&) const = default;
};

enum class TWindowState { Normal, Minimized, Maximized };

// What the storage needs of a window. The real windows are served by
// TWidgetPlacementTarget (widgetplacement.h); tests use a fake.
class TPlacementTarget {
public:
    virtual ~TPlacementTarget() = default;

    // The current placement; showCmd reflects the current state.
    virtual TWindowPlacement placement() const = 0;
    // Size of the screen the window is on, in pixels.
    virtual QSize screenSize() const = 0;
    // Logical pixels per inch of that screen.
    virtual int pixelsPerInch() const = 0;
    // The border does not allow resizing (dialogs).
    virtual bool hasFixedBorder() const = 0;
    // The window is the application's main window.
    virtual bool isMainWindow() const = 0;
    virtual bool isVisible() const = 0;
    // The whole application is minimised (asked only for the main window).
    virtual bool isApplicationMinimized() const = 0;
    // The window system chooses the position of this window (a main window
    // positioned that way starts maximised when nothing is stored).
    virtual bool isPositionedBySystem() const { return false; }
    // The window would centre itself on the screen when shown, and the switch
    // that makes it keep a position given to it instead.
    virtual bool centresItself() const { return false; }
    virtual void useGivenPosition() {}

    // Moves (and, unless the border is fixed, sizes) the window to the normal
    // rectangle of the placement, taking its flags and min/max positions.
    virtual void applyPlacement(const TWindowPlacement& placement) = 0;
    virtual void applyState(TWindowState state) = 0;
    virtual void minimizeApplication() = 0;
    // Brings the window back within its size limits after a restore.
    virtual void adjustToConstraints() {}
};

// A component of the window that keeps its own section under the storage's base
// key ("<window class>.<component name>"), such as the recent-files list.
class TStoredSection {
public:
    virtual ~TStoredSection() = default;
    virtual void readSection(const TRegistry& registry, const QString& section) = 0;
    virtual void writeSection(TRegistry& registry, const QString& section) = 0;
};

// Remembers a window's placement, the sections of linked components and named
// control properties in the registry under baseKey, section = window class name.
// The window forwards its show, close and destroy events to the three hook
// methods; RestoreFormPlacement/SaveFormPlacement may also be called directly.
class TFormStorage {
public:
    static constexpr int LayoutVersion = 0;

    TFormStorage(TPlacementTarget& target, QString baseKey, QString windowClass);

    bool active() const { return m_active; }
    void setActive(bool active) { m_active = active; }

    const QString& baseKey() const { return m_baseKey; }
    const QString& section() const { return m_section; }

    // A control property kept as the value "<control>_<property>"; texts are
    // trimmed of blanks when read.
    void addStoredProperty(const QString& control, const QString& property, std::function<QString()> get,
                           std::function<void(const QString&)> set);
    // A component keeping the section "<window class>.<component name>".
    void linkSection(TStoredSection* component, const QString& componentName);

    void RestoreFormPlacement();
    // Writes only after a restore in this run (an inactive storage writes
    // regardless); duringDestroy decides the "Visible" value.
    void SaveFormPlacement(bool duringDestroy = false);

    // Event hooks.
    void windowShown();
    void closeQuery(bool closeAllowed, bool hasHandle = true);
    void windowDestroyed();

    bool restored() const { return m_restored; }
    bool saved() const { return m_saved; }

    // Where registry errors go; by default an error box of the current
    // TUserInteraction. The show or close that caused the error goes on.
    void setErrorHandler(std::function<void(const QString&)> handler) { m_errorHandler = std::move(handler); }

    // "(<width>x<height>)", appended to the position value names.
    static QString resolutionSuffix(QSize screen);
    // Up to four integers from words separated by blanks or commas; a missing or
    // bad number gives the corresponding default.
    static std::vector<int> parseNumbers(const QString& text, const std::vector<int>& defaults);
    // Windows show command to state: 1, 5, 9 normal; 2, 6, 7 minimised; 3
    // maximised; nothing for other values.
    static std::optional<TWindowState> stateOfShowCmd(int showCmd);

private:
    struct StoredProperty {
        QString name;
        std::function<QString()> get;
        std::function<void(const QString&)> set;
    };
    struct LinkedSection {
        TStoredSection* component;
        QString section;
    };

    void writePlacement(TRegistry& registry, bool duringDestroy);
    void readPlacement(const TRegistry& registry);
    void guarded(const std::function<void()>& operation);

    TPlacementTarget& m_target;
    QString m_baseKey;
    QString m_section;
    bool m_active = true;
    bool m_restored = false;
    bool m_saved = false;
    std::vector<StoredProperty> m_properties;
    std::vector<LinkedSection> m_linked;
    std::function<void(const QString&)> m_errorHandler;
};
