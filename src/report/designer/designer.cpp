#include "report/designer/designer.h"

#include "common/exception.h"
#include "common/interaction.h"
#include "common/registry.h"
#include "report/builder/preparedpages.h"
#include "report/design/designsettings.h"
#include "report/designer/designerform.h"
#include "report/model/engine.h"
#include "report/model/page.h"
#include "report/model/report.h"
#include "report/preview/pageeditor.h"

#include <QPointer>

void frDesignReport(TfrReport& report, QWidget* parent, bool passwordGiven) {
    report.changePrinter(report.printerName);
    TfrDesignerForm form(report, parent, passwordGiven);
    form.exec();
}

bool frEditPreparedPage(TfrReport& report, int index, QWidget* parent) {
    TfrEMFPages* pages = frFindPreparedPages(report);
    TUserInteraction& user = report.engine().interaction();
    if (!pages || index < 0 || index >= pages->count())
        return false;
    QByteArray saved;
    try {
        saved = report.saveToStream();
    } catch (const Exception& e) {
        user.showError(e.message());
        return false;
    }
    TfrPage* prepared = nullptr;
    try {
        prepared = &pages->loadPage(index);
    } catch (const Exception& e) {
        user.showError(e.message());
        return false;
    }
    // The page's objects go to the report's only page for the designer.
    report.pages().clear();
    TfrPage& page = *report.pages().page(report.pages().add());
    page.name = report.uniquePageName();
    page.changePaper(prepared->pSize, prepared->pWidth, prepared->pHeight, prepared->bin, prepared->orientation);
    page.margins = prepared->margins;
    page.useMargins = prepared->useMargins;
    page.prnInfo = prepared->prnInfo;
    while (prepared->count() > 0)
        page.add(prepared->take(0));

    bool changed = false;
    {
        TfrDesignerForm form(report, parent, true);
        form.document().setPreparedPage(true);
        form.refresh();
        form.exec();
        changed = form.document().modified();
    }
    changed = changed && user.messageBox(QStringLiteral("Сохранить изменения?"), QStringLiteral("Подтверждение"),
                                         TUserInteraction::QuestionIcon,
                                         TUserInteraction::Yes | TUserInteraction::No) == TUserInteraction::Yes;
    if (changed) {
        while (page.count() > 0)
            prepared->add(page.take(0));
        pages->savePage(index);
    }
    // A page not written back is rebuilt from its stream when next drawn.
    pages->releasePage(index);
    const TfrLoadResult restored = report.loadFromStream(saved);
    if (!restored.ok())
        user.showError(restored.messages.join(u'\n'));
    return changed;
}

void frInstallDesigner(TfrEngine& engine, QWidget* parent) {
    const QPointer<QWidget> window(parent);
    engine.designReportHook = [window](TfrReport& report) { frDesignReport(report, window.data()); };
    frPageEditor(engine) = [](TfrReport& report, int page, QWidget* over) { return frEditPreparedPage(report, page, over); };
    frDesignerGreyButtons(engine) = [] {
        TfrDesignerSettings settings;
        settings.read(TRegistry(frDesignerRegistryKey()));
        return settings.grayButtons;
    };
}
