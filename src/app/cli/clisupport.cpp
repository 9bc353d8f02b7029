#include "app/cli/clisupport.h"

#include "common/exception.h"
#include "report/model/report.h"

#include <QTextStream>

TUserInteraction::Button TStreamInteraction::messageBox(const QString& text, const QString& title, Icon, Buttons buttons) {
    m_err << (title.isEmpty() ? QString() : title + QStringLiteral(": ")) << text << Qt::endl;
    ++count;
    for (int b = Ok; b <= Ignore; b <<= 1)
        if (buttons & b)
            return static_cast<Button>(b);
    return Ok;
}

std::optional<QString> TStreamInteraction::inputBox(const QString&, const QString&, const QString& preset) {
    if (m_input == Input::Preset)
        return preset;
    return std::nullopt;
}

void loadTemplateOrThrow(TfrReport& report, const QString& fileName) {
    const TfrLoadResult loaded = report.loadFromFile(fileName);
    if (loaded.ok())
        return;
    QStringList why = loaded.messages;
    why.prepend(QStringLiteral("Не удалось открыть шаблон %1").arg(fileName));
    throw Exception(why.join(u'\n'));
}
