// Dialog pages: asked in page order before the first report page is built.

#include "report/builder/dialogpage.h"

#include "report/builder/builderimpl.h"
#include "report/model/engine.h"

namespace {

struct TDialogHooks {
    TfrDialogAsker asker;
};

} // namespace

TfrDialogAsker& frDialogAsker(TfrEngine& engine) { return engine.state<TDialogHooks>().asker; }

void frAnswerDialogPage(TfrDialogRun& run, const std::vector<TfrControlSetting>& settings) {
    run.activate();
    if (run.modalResult != mrNone)
        return;
    for (const TfrControlSetting& s : settings)
        if (TfrView* control = run.page().findObject(s.control))
            control->setPropValue(s.property, TVariant(s.value));
    run.modalResult = mrOk;
}

bool frParseControlSetting(const QString& text, TfrControlSetting& setting) {
    const qsizetype dot = text.indexOf(u'.');
    const qsizetype equals = dot < 0 ? -1 : text.indexOf(u'=', dot);
    if (dot <= 0 || equals <= dot + 1)
        return false;
    setting = {text.left(dot).trimmed(), text.mid(dot + 1, equals - dot - 1).trimmed(), text.mid(equals + 1)};
    return !setting.control.isEmpty() && !setting.property.isEmpty();
}

namespace frbuild {

bool TBuilder::askDialogPages() {
    // One dialog page while it is asked: it takes the modal result the
    // page's scripts set and keeps the build's progress window aside while
    // the page is shown, and gives both back when it ends, also by an exception.
    class TRun : public TfrDialogRun {
    public:
        TRun(TBuilder& builder, TPageRun& run) : m_builder(builder), m_run(run) {
            m_builder.m_state.setModalResult = [this](std::int32_t result) { modalResult = result; };
        }
        ~TRun() override {
            m_builder.m_state.setModalResult = nullptr;
            m_builder.m_state.currentObject = nullptr;
            if (m_progress)
                m_progress->dialogShown(false);
        }
        TRun(const TRun&) = delete;
        TRun& operator=(const TRun&) = delete;

        TfrPage& page() override { return *m_run.page; }
        void activate() override {
            m_builder.setPage(&m_run);
            m_builder.runScript(m_builder.compile(m_run.page->script, m_run.page->name), nullptr);
        }
        void click(TfrView& control) override {
            QStringList code, errors;
            if (!m_builder.m_interpreter.prepareCode(control.script, code, errors))
                return;
            m_builder.setPage(&m_run);
            try {
                m_builder.runScript(code, &control);
            } catch (const EScriptStopped&) {
                throw;
            } catch (const Exception& e) {
                // The page stays open: the user may go on or cancel.
                m_builder.m_failed = false;
                m_builder.m_report.engine().interaction().messageBox(
                    e.message(), TUserInteraction::errorTitle(), TUserInteraction::ErrorIcon, TUserInteraction::Ok);
            }
        }
        // Shows the page: to the asker, or answered without one.
        void show(const TfrDialogAsker& asker) {
            m_progress = m_builder.m_options.progress;
            if (m_progress)
                m_progress->dialogShown(true);
            if (asker)
                asker(*this);
            else
                frAnswerDialogPage(*this, {});
        }

    private:
        TBuilder& m_builder;
        TPageRun& m_run;
        TfrBuildProgress* m_progress = nullptr;
    };

    const TfrDialogAsker& asker = frDialogAsker(m_report.engine());
    for (auto& pageRun : m_runs) {
        TfrPage& page = *pageRun->page;
        if (page.pageType != ptDialog)
            continue;
        bool hasControls = false;
        for (const auto& v : page.objects())
            if (v->objectClass().has(TfrObjectClass::DialogControl) && !frCast<TfrNonVisualControl>(v.get()))
                hasControls = true;
        TRun run(*this, *pageRun);
        if (hasControls && page.visible)
            run.show(asker);
        else
            run.activate();
        if (run.modalResult == mrCancel)
            return false;
    }
    setPage(nullptr);
    return true;
}

} // namespace frbuild
