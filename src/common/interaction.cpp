#include "interaction.h"

#include <cstdio>

namespace {
TUserInteraction* g_current = nullptr;

TUserInteraction::Button firstButton(TUserInteraction::Buttons buttons) {
    for (int b = TUserInteraction::Ok; b <= TUserInteraction::Ignore; b <<= 1)
        if (buttons & b)
            return static_cast<TUserInteraction::Button>(b);
    return TUserInteraction::Ok;
}
} // namespace

TUserInteraction& TUserInteraction::current() {
    static TConsoleInteraction console;
    return g_current ? *g_current : console;
}

TUserInteraction* TUserInteraction::install(TUserInteraction* instance) {
    TUserInteraction* previous = g_current;
    g_current = instance;
    return previous;
}

TUserInteraction::Button TConsoleInteraction::messageBox(const QString& text, const QString& title, Icon, Buttons buttons) {
    const QString line = title.isEmpty() ? text : title + QStringLiteral(": ") + text;
    std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
    std::fflush(stderr);
    return firstButton(buttons);
}

std::optional<QString> TConsoleInteraction::inputBox(const QString& caption, const QString& prompt, const QString& defaultText) {
    std::fprintf(stderr, "%s: %s [%s]\n", caption.toLocal8Bit().constData(), prompt.toLocal8Bit().constData(),
                 defaultText.toLocal8Bit().constData());
    return defaultText;
}

TUserInteraction::Button TRecordingInteraction::messageBox(const QString& text, const QString& title, Icon icon, Buttons buttons) {
    messages.push_back({text, title, icon, buttons});
    if (!answers.empty()) {
        const Button b = answers.front();
        answers.erase(answers.begin());
        return b;
    }
    return firstButton(buttons);
}

std::optional<QString> TRecordingInteraction::inputBox(const QString& caption, const QString& prompt, const QString&) {
    prompts.push_back(caption + QStringLiteral(": ") + prompt);
    if (inputs.empty())
        return std::nullopt;
    const bool given = inputs.front().has_value();
    const QString text = given ? *inputs.front() : QString();
    inputs.erase(inputs.begin());
    if (!given)
        return std::nullopt;
    return text;
}

QStringList TRecordingInteraction::texts() const {
    QStringList out;
    for (const auto& m : messages)
        out << m.text;
    return out;
}
