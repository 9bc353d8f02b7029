#include "app/cli/reportcli.h"

#include "app/cli/clisupport.h"
#include "app/cli/exportcli.h"

#include "common/exception.h"
#include "common/interaction.h"
#include "report/addins/programaddins.h"
#include "report/builder/builder.h"
#include "report/builder/dialogpage.h"
#include "report/builder/preparedpages.h"
#include "report/export/exportfilter.h"
#include "report/export/pdfwriter.h"
#include "report/expr/context.h"
#include "report/memdata/mainreport.h"
#include "report/memdata/reportvars.h"
#include "report/model/engine.h"
#include "report/model/report.h"
#include "selection/selectionengine.h"

#include <QTextStream>

#include <cstdio>
#include <unistd.h>

namespace {

constexpr int kMostPages = 1000000;

struct ReportOptions {
    QStringList templateFiles;
    QString prepared, pdf;
    std::optional<TfrCliExport> exportTo;
    int maxPages = frDefaultMaxPages;
    std::vector<TfrControlSetting> controls;
    TCliSelectionOptions selection;
};

ReportOptions parseOptions(const QStringList& args) {
    ReportOptions o;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == u"--report")
            o.templateFiles << cliValue(args, i);
        else if (a == u"--prepared")
            o.prepared = cliValue(args, i);
        else if (a == u"--pdf")
            o.pdf = cliValue(args, i);
        else if (a == u"--export") {
            TfrCliExport e = o.exportTo.value_or(TfrCliExport{});
            e.type = cliValue(args, i);
            e.output = cliValue(args, i);
            o.exportTo = e;
        } else if (a == u"--pages") {
            TfrCliExport e = o.exportTo.value_or(TfrCliExport{});
            e.pages = cliValue(args, i);
            o.exportTo = e;
        } else if (a == u"--max-pages") {
            bool ok = false;
            o.maxPages = cliValue(args, i).toInt(&ok);
            if (!ok || o.maxPages < 1 || o.maxPages > kMostPages)
                throw ECliArguments(QStringLiteral("--max-pages: ожидается число от 1 до %1").arg(kMostPages));
        } else if (a == u"--set-control") {
            const QString text = cliValue(args, i);
            TfrControlSetting setting;
            if (!frParseControlSetting(text, setting))
                throw ECliArguments(
                    QStringLiteral("--set-control: ожидается «ИМЯ.СВОЙСТВО=ЗНАЧЕНИЕ», получено «%1»").arg(text));
            o.controls.push_back(setting);
        } else if (!o.selection.take(args, i))
            throw ECliArguments(QStringLiteral("Неизвестный параметр «%1» (см. --help)").arg(a));
    }
    if (o.templateFiles.isEmpty())
        throw ECliArguments(QStringLiteral("Не указан шаблон отчёта (--report)"));
    if (o.exportTo && o.exportTo->output.isEmpty())
        throw ECliArguments(QStringLiteral("--pages: нужен и --export ТИП ФАЙЛ"));
    if (o.prepared.isEmpty() && o.pdf.isEmpty() && !o.exportTo)
        throw ECliArguments(QStringLiteral("Укажите, куда записать отчёт: --prepared OUT.frp, --pdf OUT.pdf "
                                           "и (или) --export ТИП ФАЙЛ"));
    o.selection.check();
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

// Refuses a setting that names no control of a dialog page of the reports, or
// a property the control does not have.
void checkControlSettings(const std::vector<TfrControlSetting>& settings, const std::vector<TfrReport*>& reports) {
    for (const TfrControlSetting& s : settings) {
        const TfrView* control = nullptr;
        for (const TfrReport* r : reports)
            for (int i = 0; !control && i < r->pages().count(); ++i)
                if (const TfrPage* p = r->pages().page(i); p->pageType == ptDialog)
                    control = p->findObject(s.control);
        if (!control)
            throw ECliArguments(QStringLiteral("--set-control: в диалоговых формах отчёта нет элемента «%1»").arg(s.control));
        const TfrPropRec* property = control->properties().find(s.property);
        if (!property || !property->set)
            throw ECliArguments(
                QStringLiteral("--set-control: у элемента «%1» нет изменяемого свойства «%2»").arg(s.control, s.property));
    }
}

} // namespace

bool isReportCommand(const QStringList& arguments) { return arguments.contains(QStringLiteral("--report")); }

int runReportCli(const QStringList& arguments, QTextStream& out, QTextStream& err) {
    (void)out;
    TStreamInteraction interaction(err, TStreamInteraction::Input::Preset);
    TScopedInteraction installed(interaction);
    return runCliCommand(err, [&] {
        const ReportOptions options = parseOptions(arguments);
        TfrEngine engine(&interaction);
        frRegisterProgramAddIns(engine);
        installExpressionEvaluator(engine);
        TfrDataRegistry registry(QStringLiteral("frmMain"));

        TCliSelectionHost host(options.selection.server, options.selection.tm, options.selection.masks);
        TSelectionEngine selection(host);
        makeCliSelection(selection, host, options.selection);
        TfrMainReport main(engine, selection.DS(), selection.DS2(), &registry);
        // Several templates make one report, built one after another over the
        // same selection.
        std::vector<std::unique_ptr<TfrReport>> others;
        TfrCompositeReport composite(engine);
        std::vector<TfrReport*> parts;
        for (qsizetype i = 0; i < options.templateFiles.size(); ++i) {
            TfrReport* part = &main.report();
            if (i > 0) {
                others.push_back(std::make_unique<TfrReport>(engine));
                part = others.back().get();
                part->setDataRegistry(&registry);
                part->setDataset(&main.frDS());
            }
            loadTemplateOrThrow(*part, options.templateFiles[i]);
            // Where the data came from, as the main window tells its reports.
            if (selection.hasSettingsFile())
                SetReportVariables(*part, options.selection.server, options.selection.tm, selection.fileTime());
            composite.reports.emplace_back(part);
            parts.push_back(part);
            // Two passes when a report needs them (for TOTALPAGES).
            composite.doublePassReport = composite.doublePassReport || part->doublePassReport;
        }
        checkControlSettings(options.controls, parts);
        // Dialog pages are answered without windows.
        frDialogAsker(engine) = [&options](TfrDialogRun& run) { frAnswerDialogPage(run, options.controls); };
        const bool joined = options.templateFiles.size() > 1;
        TfrReport& report = joined ? composite : main.report();
        if (joined) {
            composite.title = main.report().title;
            composite.info = main.report().info;
        }

        TerminalProgress terminal(err);
        TfrBuildOptions build;
        build.maxPages = options.maxPages;
        build.maxBandPrints = options.maxPages * frBandPrintsPerPage;
        build.showError = false;
        if (isatty(fileno(stderr)))
            build.progress = &terminal;
        const TfrBuildResult result = joined ? frBuildCompositeReport(composite, build) : frBuildReport(report, build);
        if (result.status == TfrBuildResult::Status::Failed) {
            QString text = result.error;
            text.replace(u'\r', u'\n');
            throw Exception(text);
        }
        if (!options.prepared.isEmpty())
            frSavePreparedReport(report, options.prepared);
        if (!options.pdf.isEmpty()) {
            TfrPdfOptions pdf;
            pdf.title = frReportDocumentTitle(report);
            frWritePdf(frPreparedPages(report), options.pdf, pdf);
        }
        if (options.exportTo)
            return frCliExportReport(report, *options.exportTo, err);
        return 0;
    });
}
