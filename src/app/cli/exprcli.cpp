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

#include <QTextStream>

namespace {

struct ExprOptions {
    QString eval, expand, templateFile;
    bool haveEval = false, haveExpand = false;
    TCliSelectionOptions selection;
};

ExprOptions parseOptions(const QStringList& args) {
    ExprOptions o;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == u"--eval") {
            o.eval = cliValue(args, i);
            o.haveEval = true;
        } else if (a == u"--expand") {
            o.expand = cliValue(args, i);
            o.haveExpand = true;
        } else if (a == u"--template")
            o.templateFile = cliValue(args, i);
        else if (!o.selection.take(args, i, false))
            throw ECliArguments(QStringLiteral("Неизвестный параметр «%1» (см. --help)").arg(a));
    }
    if (o.haveEval == o.haveExpand)
        throw ECliArguments(QStringLiteral("Укажите одно из: --eval ВЫРАЖЕНИЕ или --expand ТЕКСТ"));
    o.selection.check();
    return o;
}

} // namespace

bool isExpressionCommand(const QStringList& arguments) {
    return arguments.contains(QStringLiteral("--eval")) || arguments.contains(QStringLiteral("--expand"));
}

int runExpressionCli(const QStringList& arguments, QTextStream& out, QTextStream& err) {
    TStreamInteraction interaction(err, TStreamInteraction::Input::Preset);
    TScopedInteraction installed(interaction); // the selection reports through it
    return runCliCommand(err, [&] {
        const ExprOptions options = parseOptions(arguments);
        TfrEngine engine(&interaction);
        installExpressionEvaluator(engine);
        TfrDataRegistry registry(QStringLiteral("frmMain"));

        // The selection, when asked for: the main window's set-up, frDS over DS.
        TCliSelectionHost host(options.selection.server, options.selection.tm);
        TSelectionEngine selection(host);
        makeCliSelection(selection, host, options.selection);
        if (!options.selection.settings.isEmpty())
            selection.DS().first();
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
    });
}
