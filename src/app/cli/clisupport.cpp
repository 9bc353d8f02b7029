#include "app/cli/clisupport.h"

#include "common/cp1251.h"
#include "common/exception.h"
#include "report/model/report.h"
#include "selection/configaccess/configapi.h"
#include "selection/filterrows.h"

#include <QFileInfo>
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

QString cliValue(const QStringList& args, int& i) {
    if (i + 1 >= args.size())
        throw ECliArguments(QStringLiteral("%1: не указано значение").arg(args[i]));
    return args[++i];
}

int runCliCommand(QTextStream& err, const std::function<int()>& body) {
    try {
        return body();
    } catch (const ECliArguments& e) {
        err << e.message() << Qt::endl << QStringLiteral("Справка: ostrand-cli --help") << Qt::endl;
        return 2;
    } catch (const Exception& e) {
        err << e.message() << Qt::endl;
        return 1;
    }
}

bool TCliSelectionOptions::take(const QStringList& args, int& i, bool masksAllowed) {
    const QString& a = args[i];
    if (a == u"--server")
        server = cliValue(args, i);
    else if (a == u"--tm")
        tm = cliValue(args, i);
    else if (a == u"--user") {
        user = cliValue(args, i);
        haveUser = true;
    } else if (a == u"--password")
        password = cliValue(args, i);
    else if (a == u"--settings")
        settings = cliValue(args, i);
    else if (a == u"--mask" && masksAllowed) {
        const QString mask = cliValue(args, i);
        if (mask.indexOf(u'=') <= 0)
            throw ECliArguments(QStringLiteral("--mask: ожидается ЗАГОЛОВОК=МАСКА"));
        masks << mask;
    } else
        return false;
    return true;
}

void TCliSelectionOptions::check() const {
    if (!settings.isEmpty() && server.isEmpty())
        throw ECliArguments(QStringLiteral("Не указан NT-сервер (--server)"));
}

void makeCliSelection(TSelectionEngine& selection, TCliSelectionHost& host, const TCliSelectionOptions& options) {
    if (options.settings.isEmpty())
        return;
    if (!QFileInfo(options.settings).isFile())
        throw Exception(QStringLiteral("Cannot open file %1").arg(options.settings));
    if (options.haveUser)
        setCliUser(options.user, options.password);
    const bool loaded = selection.LoadSettingsFile(options.settings, true);
    if (!host.badMask.isEmpty())
        throw ECliArguments(host.badMask);
    if (!loaded || !host.attached)
        throw Exception(QStringLiteral("Выборка не сделана"));
}
