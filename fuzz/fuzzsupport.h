#pragma once

// What the fuzz targets share.

#include "common/interaction.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QtGlobal>

namespace frfuzz {

// Qt warns about damaged pictures and fonts on stderr: expected here.
inline void quietQtMessages(QtMsgType, const QMessageLogContext&, const QString&) {}

// A windowless graphical application for targets that draw (fonts, painters),
// with Qt's warnings silenced.
inline void startGuiApplication(int* argc, char*** argv) {
    qInstallMessageHandler(quietQtMessages);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
}

// Counts the inputs of a target that draws and returns the count. Qt drops
// unused font engines from a timer: every 500th input lets it run.
inline int countRun() {
    static int runs = 0;
    if (++runs % 500 == 0)
        QCoreApplication::processEvents();
    return runs;
}

// Nobody answers and nothing is kept: every message box gets OK, every input
// box is cancelled.
class TSilentInteraction : public TUserInteraction {
public:
    Button messageBox(const QString&, const QString&, Icon, Buttons) override { return Ok; }
    std::optional<QString> inputBox(const QString&, const QString&, const QString&) override { return std::nullopt; }
};

} // namespace frfuzz
