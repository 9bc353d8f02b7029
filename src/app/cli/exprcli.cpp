#include "app/cli/exprcli.h"

#include "app/cli/clisupport.h"
#include "common/exception.h"
#include "common/interaction.h"
#include "report/expr/context.h"
#include "report/expr/memotext.h"
#include "report/memdata/memtablesource.h"
#include "report/memdata/mainreport.h"
#include "report/model/dataset.h"
#include "report/model/engine.h"
#include "report/model/report.h"
#include "selection/selectionengine.h"

#include <QFileInfo>
#include <QTextStream>

namespace {

struct ExprOptions {
    QString eval, expand, templateFile, server, tm, user, password, settings;
    bool haveEval = false, haveExpand = false, haveUser = false;
};

class BadExprArguments : public Exception {
public:
    using Exception::Exception;
};

ExprOptions parseOptions(const QStringList& args) {
    ExprOptions o;
    auto value = [&](int& i) {
        if (i + 1 >= args.size())
            throw BadExprArguments(QStringLiteral("%1: не указано значение").arg(args[i]));
        return args[++i];
    };
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == u"--eval") {
            o.eval = value(i);
            o.haveEval = true;
        } else if (a == u"--expand") {
            o.expand = value(i);
            o.haveExpand = true;
        } else if (a == u"--template")
            o.templateFile = value(i);
        else if (a == u"--server")
            o.server = value(i);
        else if (a == u"--tm")
            o.tm = value(i);
        else if (a == u"--user") {
            o.user = value(i);
            o.haveUser = true;
        } else if (a == u"--password")
            o.password = value(i);
        else if (a == u"--settings")
            o.settings = value(i);
        else
            throw BadExprArguments(QStringLiteral("Неизвестный параметр «%1» (см. --help)").arg(a));
    }
    if (o.haveEval == o.haveExpand)
        throw BadExprArguments(QStringLiteral("Укажите одно из: --eval ВЫРАЖЕНИЕ или --expand ТЕКСТ"));
    if (!o.settings.isEmpty() && o.server.isEmpty())
        throw BadExprArguments(QStringLiteral("Не указан NT-сервер (--server)"));
    return o;
}

} // namespace

bool isExpressionCommand(const QStringList& arguments) {
    return arguments.contains(QStringLiteral("--eval")) || arguments.contains(QStringLiteral("--expand"));
}

int runExpressionCli(const QStringList& arguments, QTextStream& out, QTextStream& err) {
    TStreamInteraction interaction(err, TStreamInteraction::Input::Preset);
    TScopedInteraction installed(interaction); // the selection reports through it
    try {
        const ExprOptions options = parseOptions(arguments);
        TfrEngine engine(&interaction);
        installExpressionEvaluator(engine);
        TfrDataRegistry registry(QStringLiteral("frmMain"));

        // The selection, when asked for: the main window's set-up, frDS over DS.
        TCliSelectionHost host(options.server, options.tm);
        TSelectionEngine selection(host);
        if (!options.settings.isEmpty()) {
            if (!QFileInfo(options.settings).isFile())
                throw Exception(QStringLiteral("Cannot open file %1").arg(options.settings));
            if (options.haveUser)
                setCliUser(options.user, options.password);
            if (!selection.LoadSettingsFile(options.settings, true) || !host.attached)
                throw Exception(QStringLiteral("Выборка не сделана"));
            selection.DS().first();
        }
        TfrMainReport main(engine, selection.DS(), selection.DS2(), &registry);
        TfrReport& report = main.report();
        if (!options.templateFile.isEmpty())
            loadTemplateOrThrow(report, options.templateFile);

        TfrExprContext context(report);
        if (options.haveEval)
            out << context.evaluate(options.eval).toString() << Qt::endl;
        else
            out << frmemo::expandText(context, options.expand, nullptr) << Qt::endl;
        return 0;
    } catch (const BadExprArguments& e) {
        err << e.message() << Qt::endl << QStringLiteral("Справка: ostrand-cli --help") << Qt::endl;
        return 2;
    } catch (const Exception& e) {
        err << e.message() << Qt::endl;
        return 1;
    }
}
