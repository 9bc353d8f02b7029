#include "app/cli/clisupport.h"

#include "common/cp1251.h"
#include "common/exception.h"
#include "report/model/report.h"
#include "selection/configaccess/configapi.h"
#include "selection/filterrows.h"

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

bool TCliSelectionHost::showFilterDialog(TFilterRows& rows) {
    for (const QString& spec : m_masks) {
        const qsizetype eq = spec.indexOf(u'=');
        const QString label = spec.left(eq);
        int found = -1;
        for (int i = 0; i < rows.count() && found < 0; ++i)
            if (rows.key(i) == label)
                found = i;
        if (found < 0) {
            QStringList labels;
            for (int i = 0; i < rows.count(); ++i)
                labels << rows.key(i);
            badMask = QStringLiteral("--mask: в выборке нет колонки «%1»; колонки: %2")
                          .arg(label, labels.join(QStringLiteral(", ")));
            return false;
        }
        rows.setValue(found, spec.mid(eq + 1));
    }
    return true;
}

void setCliUser(const QString& user, const QString& password) {
    if (!cp1251::isRepresentable(user) || !cp1251::isRepresentable(password))
        throw Exception(QStringLiteral("Имя пользователя и пароль: символы вне кодовой страницы 1251 недопустимы"));
    const QByteArray u = cp1251::encode(user);
    const QByteArray p = cp1251::encode(password);
    THalvexApi::instance().setUser(u.constData(), p.constData());
}
