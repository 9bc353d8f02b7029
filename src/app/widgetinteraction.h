#pragma once

#include "common/interaction.h"

// TUserInteraction through message boxes and input dialogs; installed by the
// program at start-up.
class TWidgetInteraction : public TUserInteraction {
public:
    Button messageBox(const QString& text, const QString& title, Icon icon, Buttons buttons) override;
    std::optional<QString> inputBox(const QString& caption, const QString& prompt, const QString& defaultText) override;
};
