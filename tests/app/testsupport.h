#pragma once

#include "app/formstorage.h"
#include "common/registry.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <gtest/gtest.h>
#include <vector>

// One QApplication for the whole test program (offscreen platform).
class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "test_app";
        static char* argv[] = {name, nullptr};
        m_app = new QApplication(argc, argv);
    }
    void TearDown() override {
        delete m_app;
        m_app = nullptr;
    }

private:
    QApplication* m_app = nullptr;
};

// Empties the registry file of this test program.
inline void clearRegistry() {
    const QString file = TRegistry::storageFile();
    {
        QSettings settings(file, QSettings::IniFormat);
        settings.clear();
        settings.sync();
    }
    QFile::remove(file);
}

// A window as the storage sees it, recording what is applied to it.
class FakeTarget : public TPlacementTarget {
public:
    TWindowPlacement current{0, 1, {-1, -1}, {-1, -1}, 100, 50, 500, 350};
    QSize screen{1024, 768};
    int dpi = 96;
    bool fixedBorder = false;
    bool mainWindow = false;
    bool visible = false;
    bool appMinimized = false;
    bool positionedBySystem = false;
    bool centres = false;

    std::vector<TWindowPlacement> applied;
    std::vector<TWindowState> states;
    int minimizeCalls = 0;
    int useGivenCalls = 0;

    TWindowPlacement placement() const override { return current; }
    QSize screenSize() const override { return screen; }
    int pixelsPerInch() const override { return dpi; }
    bool hasFixedBorder() const override { return fixedBorder; }
    bool isMainWindow() const override { return mainWindow; }
    bool isVisible() const override { return visible; }
    bool isApplicationMinimized() const override { return appMinimized; }
    bool isPositionedBySystem() const override { return positionedBySystem; }
    bool centresItself() const override { return centres; }
    void useGivenPosition() override {
        ++useGivenCalls;
        centres = false;
    }
    void applyPlacement(const TWindowPlacement& p) override {
        applied.push_back(p);
        current.flags = p.flags;
        current.minPosition = p.minPosition;
        current.maxPosition = p.maxPosition;
        current.left = p.left;
        current.top = p.top;
        current.right = p.right;
        current.bottom = p.bottom;
    }
    void applyState(TWindowState s) override { states.push_back(s); }
    void minimizeApplication() override { ++minimizeCalls; }
};
