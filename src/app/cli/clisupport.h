#pragma once

#include "common/interaction.h"

#include <QString>

class QTextStream;
class TfrReport;

// What the commands of ostrand-cli share.

// Nobody is there to answer: messages go to err prefixed with their title,
// questions get the first button offered, input boxes are cancelled or, for
// scripts, get their preset text, so that nothing waits.
class TStreamInteraction : public TUserInteraction {
public:
    enum class Input { Cancel, Preset };
    explicit TStreamInteraction(QTextStream& err, Input input = Input::Cancel) : m_err(err), m_input(input) {}
    Button messageBox(const QString& text, const QString& title, Icon icon, Buttons buttons) override;
    std::optional<QString> inputBox(const QString& caption, const QString& prompt, const QString& preset) override;
    // Messages written so far.
    int count = 0;

private:
    QTextStream& m_err;
    Input m_input;
};

// Loads a template into a report; throws Exception with the reasons when it
// cannot be used.
void loadTemplateOrThrow(TfrReport& report, const QString& fileName);
