#include "app/cli/reportcli.h"

#include "app/cli/clisupport.h"
#include "app/cli/exportcli.h"

#include "common/exception.h"
#include "common/interaction.h"
#include "report/build/builder.h"
#include "report/build/preparedpages.h"
#include "report/export/pdfwriter.h"
#include "report/expr/context.h"
#include "report/memdata/mainreport.h"
#include "report/memdata/reportvars.h"
#include "report/model/engine.h"
#include "report/model/report.h"
#include "selection/selectionengine.h"

#include <QFileInfo>
#include <QTextStream>

#include <cstdio>
#include <unistd.h>

namespace {

constexpr int kDefaultMaxPages = 10000;
constexpr int kMostPages = 1000000;

struct ReportOptions {
    QString templateFile, prepared, pdf, server, tm, user, password, settings;
    std::optional<TfrCliExport> exportTo;
    QStringList masks;
    bool haveUser = false;
    int maxPages = kDefaultMaxPages;
};

class BadReportArguments : public Exception {
public:
    using Exception::Exception;
};

ReportOptions parseOptions(const QStringList& args) {
    ReportOptions o;
    auto value = [&](int& i) {
        if (i + 1 >= args.size())
            throw BadReportArguments(QStringLiteral("%1: не указано значение").arg(args[i]));
        return args[++i];
    };
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == u"--report")
            o.templateFile = value(i);
        else if (a == u"--prepared")
            o.prepared = value(i);
        else if (a == u"--pdf")
            o.pdf = value(i);
        else if (a == u"--export") {
            TfrCliExport e = o.exportTo.value_or(TfrCliExport{});
            e.type = value(i);
            e.output = value(i);
            o.exportTo = e;
        } else if (a == u"--pages") {
            TfrCliExport e = o.exportTo.value_or(TfrCliExport{});
            e.pages = value(i);
            o.exportTo = e;
        }
        else if (a == u"--max-pages") {
            bool ok = false;
            o.maxPages = value(i).toInt(&ok);
            if (!ok || o.maxPages < 1 || o.maxPages > kMostPages)
                throw BadReportArguments(QStringLiteral("--max-pages: ожидается число от 1 до %1").arg(kMostPages));
        } else if (a == u"--server")
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
        else if (a == u"--mask") {
            const QString mask = value(i);
            if (mask.indexOf(u'=') <= 0)
                throw BadReportArguments(QStringLiteral("--mask: ожидается ЗАГОЛОВОК=МАСКА"));
            o.masks << mask;
        } else
            throw BadReportArguments(QStringLiteral("Неизвестный параметр «%1» (см. --help)").arg(a));
    }
    if (o.templateFile.isEmpty())
        throw BadReportArguments(QStringLiteral("Не указан шаблон отчёта (--report)"));
    if (o.exportTo && o.exportTo->output.isEmpty())
        throw BadReportArguments(QStringLiteral("--pages: нужен и --export ТИП ФАЙЛ"));
    if (o.prepared.isEmpty() && o.pdf.isEmpty() && !o.exportTo)
        throw BadReportArguments(QStringLiteral("Укажите, куда записать отчёт: --prepared OUT.frp, --pdf OUT.pdf "
                                                "и (или) --export ТИП ФАЙЛ"));
    if (!o.settings.isEmpty() && o.server.isEmpty())
        throw BadReportArguments(QStringLiteral("Не указан NT-сервер (--server)"));
    return o;
}

// A progress line on a terminal, rewritten in place.
class TerminalProgress : public TfrBuildProgress {
public:
    explicit TerminalProgress(QTextStream& err) : m_err(err) {}
    ~TerminalProgress() override {
        if (m_shown)
            m_err << Qt::endl;
    }
    void pageStarted(int page, int total, bool firstOfTwo) override {
        m_err << u'\r' << frProgressLine(page, total, firstOfTwo) << QStringLiteral("   ") << Qt::flush;
        m_shown = true;
    }
    bool cancelRequested() override { return false; }

private:
    QTextStream& m_err;
    bool m_shown = false;
};

} // namespace

bool isReportCommand(const QStringList& arguments) { return arguments.contains(QStringLiteral("--report")); }

int runReportCli(const QStringList& arguments, QTextStream& out, QTextStream& err) {
    (void)out;
    TStreamInteraction interaction(err, TStreamInteraction::Input::Preset);
    TScopedInteraction installed(interaction);
    try {
        const ReportOptions options = parseOptions(arguments);
        TfrEngine engine(&interaction);
        installExpressionEvaluator(engine);
        TfrDataRegistry registry(QStringLiteral("frmMain"));

        TCliSelectionHost host(options.server, options.tm, options.masks);
        TSelectionEngine selection(host);
        if (!options.settings.isEmpty()) {
            if (!QFileInfo(options.settings).isFile())
                throw Exception(QStringLiteral("Cannot open file %1").arg(options.settings));
            if (options.haveUser)
                setCliUser(options.user, options.password);
            const bool loaded = selection.LoadSettingsFile(options.settings, true);
            if (!host.badMask.isEmpty())
                throw BadReportArguments(host.badMask);
            if (!loaded || !host.attached)
                throw Exception(QStringLiteral("Выборка не сделана"));
        }
        TfrMainReport main(engine, selection.DS(), selection.DS2(), &registry);
        TfrReport& report = main.report();
        loadTemplateOrThrow(report, options.templateFile);
        // Where the data came from, as the main window tells its reports.
        if (selection.hasSettingsFile())
            SetReportVariables(report, options.server, options.tm, selection.fileTime());

        TerminalProgress terminal(err);
        TfrBuildOptions build;
        build.maxPages = options.maxPages;
        build.maxBandPrints = std::int64_t(options.maxPages) * 2000;
        build.showError = false;
        if (isatty(fileno(stderr)))
            build.progress = &terminal;
        const TfrBuildResult result = frBuildReport(report, build);
        if (result.status == TfrBuildResult::Status::Failed) {
            QString text = result.error;
            text.replace(u'\r', u'\n');
            throw Exception(text);
        }
        if (!options.prepared.isEmpty())
            frSavePreparedReport(report, options.prepared);
        if (!options.pdf.isEmpty()) {
            TfrPdfOptions pdf;
            pdf.title = report.title;
            frWritePdf(frPreparedPages(report), options.pdf, pdf);
        }
        if (options.exportTo)
            return frCliExportReport(report, *options.exportTo, err);
        return 0;
    } catch (const BadReportArguments& e) {
        err << e.message() << Qt::endl << QStringLiteral("Справка: ostrand-cli --help") << Qt::endl;
        return 2;
    } catch (const Exception& e) {
        err << e.message() << Qt::endl;
        return 1;
    }
}
