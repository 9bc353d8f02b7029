#include "report/preview/exportreport.h"

#include "common/exception.h"
#include "common/interaction.h"
#include "report/builder/preparedpages.h"
#include "report/export/exportfilter.h"
#include "report/model/engine.h"

#include <QCoreApplication>
#include <QProgressDialog>

bool frExportWithProgress(TfrReport& report, TfrExportFilter& filter, const QString& fileName, QWidget* parent) {
    TUserInteraction& user = report.engine().interaction();
    TfrExportOptions options;
    std::unique_ptr<QProgressDialog> progress;
    if (report.showProgress) {
        progress = std::make_unique<QProgressDialog>(parent);
        progress->setWindowTitle(frExportProgressCaption(report.title));
        progress->setCancelButtonText(QStringLiteral("Отмена"));
        progress->setMinimumDuration(500);
        progress->setWindowModality(Qt::WindowModal);
        progress->setLabelText(QStringLiteral("Формируется страница:  1"));
        options.progress = [&progress](int done, int total) {
            progress->setMaximum(total);
            progress->setValue(done);
            progress->setLabelText(frExportProgressLabel(done, total));
            QCoreApplication::processEvents();
            return !progress->wasCanceled();
        };
    }
    try {
        const bool written = frExportReport(report, filter, fileName, options) == TfrExportResult::Written;
        if (!filter.messages.isEmpty())
            user.messageBox(filter.messages.join(u'\n'), filter.description(), TUserInteraction::InformationIcon,
                            TUserInteraction::Ok);
        return written;
    } catch (const Exception& e) {
        user.showError(e.message());
        return false;
    }
}
