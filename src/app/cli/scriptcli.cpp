#include "app/cli/scriptcli.h"

#include "app/cli/clisupport.h"
#include "common/cp1251.h"
#include "common/exception.h"
#include "common/interaction.h"
#include "common/textfile.h"
#include "report/expr/context.h"
#include "report/expr/interpreter.h"
#include "report/model/engine.h"
#include "report/model/report.h"

#include <QFileInfo>
#include <QTextStream>

namespace {

struct ScriptOptions {
    QString script, templateFile;
    long long maxSteps = scriptcli::defaultMaxSteps;
};

ScriptOptions parseOptions(const QStringList& args) {
    ScriptOptions o;
    bool haveScript = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == u"--run-script") {
            o.script = cliValue(args, i);
            haveScript = true;
        } else if (a == u"--template") {
            o.templateFile = cliValue(args, i);
        } else if (a == u"--max-steps") {
            bool ok = false;
            o.maxSteps = cliValue(args, i).toLongLong(&ok);
            if (!ok || o.maxSteps <= 0)
                throw ECliArguments(QStringLiteral("--max-steps: нужно целое число больше нуля"));
        } else {
            throw ECliArguments(QStringLiteral("Неизвестный параметр «%1» (см. --help)").arg(a));
        }
    }
    if (!haveScript)
        throw ECliArguments(QStringLiteral("Не указан сценарий (--run-script ТЕКСТ или @ФАЙЛ)"));
    return o;
}

// The script text: as given, or the lines of the file named after "@".
QStringList scriptLines(const QString& argument) {
    if (!argument.startsWith(u'@'))
        return textfile::splitLines(argument);
    const QString path = argument.mid(1);
    const QFileInfo info(path);
    if (!info.isFile())
        throw Exception(QStringLiteral("Cannot open file %1").arg(path));
    if (info.size() > scriptcli::maxFileSize)
        throw Exception(QStringLiteral("Файл сценария %1 больше %2 байт").arg(path).arg(scriptcli::maxFileSize));
    const std::optional<QByteArray> bytes = textfile::readBytes(path);
    if (!bytes || bytes->size() > scriptcli::maxFileSize)
        throw Exception(QStringLiteral("Cannot open file %1").arg(path));
    return textfile::splitLines(cp1251::decode(*bytes));
}

void printGlobals(TfrEngine& engine, QTextStream& out) {
    const TfrVariables& globals = engine.globalVariables();
    for (int i = 0; i < globals.count(); ++i) {
        QString value;
        try {
            value = globals.value(i).toString();
        } catch (const Exception& e) {
            value = e.message();
        }
        out << globals.name(i) << u'=' << value << Qt::endl;
    }
}

} // namespace

bool isScriptCommand(const QStringList& arguments) { return arguments.contains(QStringLiteral("--run-script")); }

int runScriptCli(const QStringList& arguments, QTextStream& out, QTextStream& err) {
    TStreamInteraction interaction(err, TStreamInteraction::Input::Preset);
    return runCliCommand(err, [&] {
        const ScriptOptions options = parseOptions(arguments);
        const QStringList source = scriptLines(options.script);
        TfrEngine engine(&interaction);
        installExpressionEvaluator(engine);
        TfrReport report(engine);
        if (!options.templateFile.isEmpty()) {
            loadTemplateOrThrow(report, options.templateFile);
        }
        TfrExprContext context(report);
        TInterpretator interpreter(context);
        interpreter.stepBudget = options.maxSteps;
        QStringList code, errors;
        if (!interpreter.prepareCode(source, code, errors)) {
            err << errors.join(u'\n') << Qt::endl;
            return 1;
        }
        try {
            interpreter.runCode(code);
        } catch (const Exception& e) {
            printGlobals(engine, out);
            err << e.message() << Qt::endl;
            return 1;
        }
        printGlobals(engine, out);
        return 0;
    });
}
