#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

// Everything the engine asks of the user goes through this interface, so that
// no code outside the widget layer opens a modal dialog. The program installs a
// widget implementation; tests install a recording one; the command-line
// program prints to stderr.
class TUserInteraction {
public:
    enum Icon { NoIcon, ErrorIcon, WarningIcon, InformationIcon, QuestionIcon };
    // Buttons of a message box; the answer is one of them.
    enum Button { Ok = 1, Cancel = 2, Yes = 4, No = 8, Abort = 16, Retry = 32, Ignore = 64 };
    using Buttons = int;

    virtual ~TUserInteraction() = default;

    virtual Button messageBox(const QString& text, const QString& title, Icon icon, Buttons buttons) = 0;
    // Returns nothing when the user cancels.
    virtual std::optional<QString> inputBox(const QString& caption, const QString& prompt,
                                            const QString& defaultText) = 0;

    // An error box with the title "Ошибка".
    void showError(const QString& text) { messageBox(text, errorTitle(), ErrorIcon, Ok); }
    // A question with OK and Cancel; true for OK.
    bool confirm(const QString& text, const QString& title) {
        return messageBox(text, title, QuestionIcon, Ok | Cancel) == Ok;
    }

    static QString errorTitle() { return QStringLiteral("Ошибка"); }

    // The process-wide instance (a console one until the program installs its own).
    static TUserInteraction& current();
    // Installs an instance (not owned; nullptr goes back to the console one) and
    // returns the previous one.
    static TUserInteraction* install(TUserInteraction* instance);
};

// Prints every message to stderr as "title: text" and answers with the first
// button offered; input boxes answer with their default text.
class TConsoleInteraction : public TUserInteraction {
public:
    Button messageBox(const QString& text, const QString& title, Icon icon, Buttons buttons) override;
    std::optional<QString> inputBox(const QString& caption, const QString& prompt, const QString& defaultText) override;
};

// Records every call; answers come from queues filled by the test, else the
// first button offered (message boxes) and nothing (input boxes).
class TRecordingInteraction : public TUserInteraction {
public:
    struct Message {
        QString text;
        QString title;
        Icon icon;
        Buttons buttons;
    };
    std::vector<Message> messages;
    std::vector<QString> prompts;
    std::vector<Button> answers;               // consumed from the front
    std::vector<std::optional<QString>> inputs; // consumed from the front

    Button messageBox(const QString& text, const QString& title, Icon icon, Buttons buttons) override;
    std::optional<QString> inputBox(const QString& caption, const QString& prompt, const QString& defaultText) override;

    QStringList texts() const;
};

// Installs an interaction for the lifetime of a scope.
class TScopedInteraction {
public:
    explicit TScopedInteraction(TUserInteraction& instance) : m_previous(TUserInteraction::install(&instance)) {}
    ~TScopedInteraction() { TUserInteraction::install(m_previous); }
    TScopedInteraction(const TScopedInteraction&) = delete;
    TScopedInteraction& operator=(const TScopedInteraction&) = delete;

private:
    TUserInteraction* m_previous;
};
