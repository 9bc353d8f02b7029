#include "app/widgetplacement.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace {

constexpr int ShowNormal = 1;
constexpr int ShowMinimized = 2;
constexpr int ShowMaximized = 3;

QScreen* screenOf(const QWidget* window) {
    QScreen* screen = window->screen();
    return screen ? screen : QGuiApplication::primaryScreen();
}

} // namespace

TWidgetPlacementTarget::TWidgetPlacementTarget(QWidget* window, bool mainWindow, bool fixedBorder)
    : m_window(window), m_mainWindow(mainWindow), m_fixedBorder(fixedBorder) {}

TWindowPlacement TWidgetPlacementTarget::placement() const {
    TWindowPlacement p;
    // normalGeometry() is the rectangle a maximised or minimised window returns
    // to; before the first show it is empty and the geometry itself applies.
    QRect normal = m_window->normalGeometry();
    if (!normal.isValid() || (m_window->windowState() & (Qt::WindowMaximized | Qt::WindowMinimized)) == 0)
        normal = m_window->geometry();
    p.left = normal.x();
    p.top = normal.y();
    p.right = normal.x() + normal.width();
    p.bottom = normal.y() + normal.height();
    const Qt::WindowStates state = m_window->windowState();
    if (state & Qt::WindowMinimized)
        p.showCmd = ShowMinimized;
    else if (state & Qt::WindowMaximized)
        p.showCmd = ShowMaximized;
    else
        p.showCmd = ShowNormal;
    return p;
}

QSize TWidgetPlacementTarget::screenSize() const {
    QScreen* screen = screenOf(m_window);
    return screen ? screen->size() : QSize();
}

int TWidgetPlacementTarget::pixelsPerInch() const {
    QScreen* screen = screenOf(m_window);
    return screen ? qRound(screen->logicalDotsPerInch()) : 96;
}

bool TWidgetPlacementTarget::isVisible() const { return m_window->isVisible(); }

bool TWidgetPlacementTarget::isApplicationMinimized() const {
    // The application counts as minimised when none of its visible top-level
    // windows is shown.
    bool anyVisible = false;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (!w->isVisible())
            continue;
        anyVisible = true;
        if (!w->isMinimized())
            return false;
    }
    return anyVisible;
}

void TWidgetPlacementTarget::applyPlacement(const TWindowPlacement& placement) {
    QRect rect(placement.left, placement.top, placement.width(), placement.height());
    if (m_fixedBorder)
        rect.setSize(m_window->size());
    // A rectangle that lies entirely outside every screen (a screen that has gone
    // away since it was stored) would leave the window unreachable.
    bool onScreen = false;
    for (QScreen* screen : QGuiApplication::screens())
        if (screen->availableGeometry().intersects(rect))
            onScreen = true;
    if (!onScreen && !QGuiApplication::screens().isEmpty())
        return;
    m_window->setGeometry(rect);
}

void TWidgetPlacementTarget::applyState(TWindowState state) {
    Qt::WindowStates s = m_window->windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen);
    if (state == TWindowState::Minimized)
        s |= Qt::WindowMinimized;
    else if (state == TWindowState::Maximized)
        s |= Qt::WindowMaximized;
    m_window->setWindowState(s);
}

void TWidgetPlacementTarget::minimizeApplication() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w == m_window || w->isVisible())
            w->setWindowState(w->windowState() | Qt::WindowMinimized);
}
