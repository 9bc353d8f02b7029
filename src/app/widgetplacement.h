#pragma once

#include "app/formstorage.h"

class QWidget;

// TPlacementTarget for a top-level QWidget. The normal rectangle is the
// window's client geometry in screen coordinates (without the frame the window
// manager adds), which restores to the same place and size; the minimised and
// maximised positions are not kept by the window system here and read -1.
class TWidgetPlacementTarget : public TPlacementTarget {
public:
    TWidgetPlacementTarget(QWidget* window, bool mainWindow, bool fixedBorder);

    TWindowPlacement placement() const override;
    QSize screenSize() const override;
    int pixelsPerInch() const override;
    bool hasFixedBorder() const override { return m_fixedBorder; }
    bool isMainWindow() const override { return m_mainWindow; }
    bool isVisible() const override;
    bool isApplicationMinimized() const override;
    void applyPlacement(const TWindowPlacement& placement) override;
    void applyState(TWindowState state) override;
    void minimizeApplication() override;

private:
    QWidget* m_window;
    bool m_mainWindow;
    bool m_fixedBorder;
};
