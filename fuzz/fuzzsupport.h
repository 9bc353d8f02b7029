#pragma once

// What the fuzz targets share.

#include "common/interaction.h"

#include <QtGlobal>

namespace frfuzz {

// Qt warns about damaged pictures and fonts on stderr: expected here.
inline void quietQtMessages(QtMsgType, const QMessageLogContext&, const QString&) {}

// Nobody answers and nothing is kept: every message box gets OK, every input
// box is cancelled.
class TSilentInteraction : public TUserInteraction {
public:
    Button messageBox(const QString&, const QString&, Icon, Buttons) override { return Ok; }
    std::optional<QString> inputBox(const QString&, const QString&, const QString&) override { return std::nullopt; }
};

} // namespace frfuzz
