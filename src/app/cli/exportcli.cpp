#include "app/cli/exportcli.h"

#include "common/exception.h"
#include "report/builder/preparedpages.h"
#include "report/export/exportfilter.h"
#include "report/export/pagelist.h"
#include "report/export/programfilters.h"
#include "report/model/engine.h"

#include <QTextStream>

namespace {

QString knownTypes(const TfrExportFilters& filters) {
    QStringList types;
    for (int i = 0; i < filters.count(); ++i)
        types << filters[i].extension.mid(2);
    return types.join(QStringLiteral(", "));
}

} // namespace

int frCliExportReport(TfrReport& report, const TfrCliExport& request, QTextStream& err) {
    TfrExportFilters& filters = frExportFilters(report.engine());
    frRegisterProgramFilters(filters);
    TfrExportFilter* filter = filters.findByExtension(request.type);
    if (!filter) {
        err << QStringLiteral("Неизвестный тип экспорта «%1»; допустимы %2").arg(request.type, knownTypes(filters))
            << Qt::endl;
        return 2;
    }
    auto* pages = dynamic_cast<TfrEMFPages*>(report.preparedPages());
    const int count = pages ? pages->count() : 0;
    TfrExportOptions options;
    options.dialogs = false;
    try {
        if (!request.pages.isEmpty()) {
            const TfrPageSelection selection = frSelectPages(request.pages, count);
            for (const QString& m : selection.messages)
                err << m << Qt::endl;
            options.pages = selection.pages;
        }
    } catch (const EPageListError& e) {
        err << QStringLiteral("--pages: ") << e.message() << Qt::endl;
        return 2;
    }
    try {
        frExportReport(report, *filter, request.output, options);
        for (const QString& m : filter->messages)
            err << m << Qt::endl;
        return 0;
    } catch (const Exception& e) {
        err << e.message() << Qt::endl;
        return 1;
    }
}

int runExportCli(TfrEngine& engine, const QStringList& args, QTextStream&, QTextStream& err) {
    if (!args.contains(QStringLiteral("--export")))
        return -1;
    const QString usage = QStringLiteral("Ожидается: --frp FILE.frp --export txt|rtf|csv|htm|pdf OUT [--pages СПИСОК]");
    QString frp;
    TfrCliExport request;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        const int values = a == u"--export" ? 2 : 1;
        if (i + values >= args.size() || (a != u"--frp" && a != u"--export" && a != u"--pages")) {
            err << usage << Qt::endl;
            return 2;
        }
        if (a == u"--frp") {
            frp = args[++i];
        } else if (a == u"--pages") {
            request.pages = args[++i];
        } else {
            request.type = args[++i].toLower();
            request.output = args[++i];
        }
    }
    if (frp.isEmpty()) {
        err << usage << Qt::endl;
        return 2;
    }
    TfrReport report(engine);
    const TfrLoadResult loaded = frLoadPreparedReport(report, frp);
    if (!loaded.ok()) {
        err << QStringLiteral("Подготовленный отчёт %1 не загружен").arg(frp) << Qt::endl;
        for (const QString& m : loaded.messages)
            err << m << Qt::endl;
        return 1;
    }
    return frCliExportReport(report, request, err);
}
