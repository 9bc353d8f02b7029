#include "app/cli/editcli.h"

#include "app/cli/clisupport.h"

#include "common/exception.h"
#include "common/interaction.h"
#include "report/addins/programaddins.h"
#include "report/design/designcommands.h"
#include "report/design/designdoc.h"
#include "report/memdata/mainreport.h"
#include "report/model/engine.h"
#include "report/model/report.h"
#include "selection/selectionengine.h"

#include <QTextStream>

namespace {

// The most commands one run takes.
constexpr int kMaxCommands = 100000;

struct EditOptions {
    QString input, output;
    QStringList lines;
    std::vector<TfrDesignCommand> commands;
    TCliSelectionOptions selection;
};

EditOptions parseOptions(const QStringList& args) {
    EditOptions o;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == u"--edit")
            o.input = cliValue(args, i);
        else if (a == u"--do") {
            const QString line = cliValue(args, i);
            if (o.lines.size() >= kMaxCommands)
                throw ECliArguments(QStringLiteral("--do: не более %1 команд").arg(kMaxCommands));
            try {
                o.commands.push_back(frParseDesignCommand(line));
            } catch (const EDesignCommandSyntax& e) {
                throw ECliArguments(QStringLiteral("--do «%1»: %2").arg(line, e.message()));
            }
            o.lines << line;
        } else if (a == u"--save")
            o.output = cliValue(args, i);
        else if (!o.selection.take(args, i))
            throw ECliArguments(QStringLiteral("Неизвестный параметр «%1» (см. --help)").arg(a));
    }
    if (o.input.isEmpty())
        throw ECliArguments(QStringLiteral("Не указан шаблон отчёта (--edit)"));
    o.selection.check();
    return o;
}

} // namespace

bool isEditCommand(const QStringList& arguments) { return arguments.contains(QStringLiteral("--edit")); }

int runEditCli(const QStringList& arguments, QTextStream& out, QTextStream& err) {
    TStreamInteraction interaction(err);
    TScopedInteraction installed(interaction);
    return runCliCommand(err, [&] {
        const EditOptions options = parseOptions(arguments);
        TfrEngine engine(&interaction);
        frRegisterProgramAddIns(engine);
        // The template is edited as the main window's designer edits it: over
        // the selection's datasets (empty without --settings), so that the
        // field commands see its tables and fields.
        TfrDataRegistry registry(QStringLiteral("frmMain"));
        TCliSelectionHost host(options.selection.server, options.selection.tm, options.selection.masks);
        TSelectionEngine selection(host);
        makeCliSelection(selection, host, options.selection);
        TfrMainReport main(engine, selection.DS(), selection.DS2(), &registry);
        TfrReport& report = main.report();
        loadTemplateOrThrow(report, options.input);
        TfrDesignDocument document(report, true);
        for (std::size_t i = 0; i < options.commands.size(); ++i) {
            const TfrDesignCommandResult result = frRunDesignCommand(document, options.commands[i]);
            out << result.output;
            if (!result.applied)
                err << QStringLiteral("--do «%1»: %2").arg(options.lines[int(i)], result.message) << Qt::endl;
        }
        if (!options.output.isEmpty() &&
            !document.saveAs(options.output, TfrDesignDocument::kindOfFile(options.output)))
            return 1;
        return 0;
    });
}
