#include "report/model/report.h"

#include "common/datetime.h"
#include "common/exception.h"
#include "common/interaction.h"
#include "report/model/buildstate.h"
#include "report/model/engine.h"

#include <QSet>

void TfrReportInfo::reset() {
    comment.clear();
    name.clear();
    author.clear();
    versionMajor.clear();
    versionMinor.clear();
    versionRelease.clear();
    versionBuild.clear();
    password.clear();
    passwordProtected = false;
    createDate = lastChangeDate = datetime::now();
    generatorByte = 88;
}

TfrReport::TfrReport(TfrEngine& engine) : m_engine(engine), m_pages(*this), m_dictionary(*this) {
    fileName = engine.untitledName();
    info.reset();
}

TfrReport::~TfrReport() = default;

TfrDataRegistry& TfrReport::dataRegistry() const { return m_registry ? *m_registry : m_engine.dataRegistry(); }

TfrPasswordPrompt frPasswordDialog(TUserInteraction& interaction) {
    return [&interaction] {
        return interaction.inputBox(QStringLiteral("Пароль"), QStringLiteral("Введите пароль для открытия отчета"),
                                    QString());
    };
}

QString frPrinterSetupFailedText() { return QStringLiteral("Возникли проблемы с настройкой выбранного принтера."); }

void TfrReport::setPreparedPages(std::shared_ptr<TfrPreparedPages> pages) {
    m_prepared = std::move(pages);
    // A watcher may end its own watch (or start others) while it is told.
    const std::vector<std::weak_ptr<TfrPagesWatcher>> watchers = m_pagesWatchers;
    for (const std::weak_ptr<TfrPagesWatcher>& w : watchers)
        if (const std::shared_ptr<TfrPagesWatcher> watcher = w.lock(); watcher && *watcher)
            (*watcher)();
    std::erase_if(m_pagesWatchers, [](const std::weak_ptr<TfrPagesWatcher>& w) { return w.expired(); });
}

void TfrReport::watchPreparedPages(const std::shared_ptr<TfrPagesWatcher>& watcher) {
    std::erase_if(m_pagesWatchers, [](const std::weak_ptr<TfrPagesWatcher>& w) { return w.expired(); });
    m_pagesWatchers.push_back(watcher);
}

std::unique_ptr<TfrReport> TfrReport::workingCopy() const {
    const QByteArray saved = saveToStream();
    auto copy = std::make_unique<TfrReport>(m_engine);
    const TfrLoadResult loaded = copy->loadFromStream(saved);
    if (!loaded.ok())
        throw Exception(loaded.messages.join(u'\r'));
    static_cast<TfrReportSettings&>(*copy) = *this;
    static_cast<TfrReportEvents&>(*copy) = *this;
    copy->fileName = fileName;
    copy->setDataset(dataset());
    copy->setDataRegistry(&dataRegistry());
    return copy;
}

void TfrReport::clear() {
    m_pages.clear();
    m_dictionary.clear();
    doublePassReport = false;
    info.reset();
}

TfrView* TfrReport::findObject(const QString& name) const {
    for (int i = 0; i < m_pages.count(); ++i)
        if (TfrView* v = m_pages.page(i)->findObject(name))
            return v;
    return nullptr;
}

std::vector<TfrView*> TfrReport::allObjects() const {
    std::vector<TfrView*> out;
    for (int i = 0; i < m_pages.count(); ++i)
        for (const auto& v : m_pages.page(i)->objects())
            out.push_back(v.get());
    return out;
}

bool TfrReport::objectNameExists(const QString& name) const { return findObject(name) != nullptr; }

QString TfrReport::uniquePageName() const {
    QSet<QString> taken;
    for (int i = 0; i < m_pages.count(); ++i)
        taken.insert(m_pages.page(i)->name.toUpper());
    for (int n = 1; n <= 10000; ++n) {
        const QString candidate = QStringLiteral("Page") + QString::number(n);
        if (!taken.contains(candidate.toUpper()))
            return candidate;
    }
    return QString();
}

std::optional<TfrPage*> TfrReport::pageByNumberName(const QString& name) const {
    if (name.size() <= 4 || !name.startsWith(QStringLiteral("PAGE"), Qt::CaseInsensitive) || !name[4].isDigit())
        return std::nullopt;
    bool ok = false;
    const int n = name.mid(4).toInt(&ok);
    return ok && n >= 1 && n <= m_pages.count() ? m_pages.page(n - 1) : nullptr;
}

void TfrReport::changePrinter(const QString& name) {
    TfrPrinter& prn = m_engine.printer();
    if (!keepDefaultPrinter) {
        const int index = prn.indexOfPrinter(name);
        if (index >= 0)
            prn.setPrinterIndex(index);
    }
    printerName = name;
}

void TfrReport::reapplyPagePapers() {
    for (int i = 0; i < m_pages.count(); ++i) {
        TfrPage* p = m_pages.page(i);
        p->changePaper(p->pSize, p->pWidth, p->pHeight, p->bin, p->orientation);
    }
}

bool TfrReport::selectPrinter(int index) {
    TfrPrinter& prn = m_engine.printer();
    const int previous = prn.printerIndex();
    try {
        if (!prn.setPrinterIndex(index))
            throw Exception(QStringLiteral("No printer with index %1").arg(index));
        // A printer that cannot be read falls back to the virtual one: that is a
        // failure to select the requested printer.
        if (prn.printerIndex() != index)
            throw Exception(QStringLiteral("The printer cannot be read"));
        printerName = prn.printerName();
        prn.forgetPaper();
        reapplyPagePapers();
        return true;
    } catch (const Exception&) {
        prn.setPrinterIndex(previous);
        printerName = prn.printerName();
        prn.forgetPaper();
        reapplyPagePapers();
        return false;
    }
}

bool TfrReport::prepareReport() {
    TfrEngine& e = m_engine;
    if (!e.prepareReportHook)
        throw Exception(QStringLiteral("Report building is not available"));
    return e.prepareReportHook(*this);
}

void TfrReport::showPreparedReport() {
    TfrEngine& e = m_engine;
    if (!e.showPreparedReportHook)
        throw Exception(QStringLiteral("Report preview is not available"));
    e.showPreparedReportHook(*this);
}

void TfrReport::showReport() {
    if (prepareReport())
        showPreparedReport();
}

void TfrReport::designReport() {
    TfrEngine& e = m_engine;
    if (!e.designReportHook)
        throw Exception(QStringLiteral("The report designer is not available"));
    e.designReportHook(*this);
}

const TfrPropTable& TfrReport::classProperties() {
    using R = TfrReport;
    static const TfrPropTable table = [] {
        TfrPropTable t;
        auto boolProp = [&t](const QString& name, bool R::*field) {
            TfrPropRec rec;
            rec.name = name;
            rec.kind = frdtBoolean;
            rec.get = [field](const TfrObject& o) { return TVariant(static_cast<const R&>(o).*field); };
            rec.set = [field](TfrObject& o, const TVariant& v) { static_cast<R&>(o).*field = v.toBool(); };
            t.add(std::move(rec));
        };
        t.add<R>(QStringLiteral("Title"), frdtString, [](const R& o) { return TVariant(o.title); },
                 [](R& o, const TVariant& v) { o.title = v.toString(); });
        t.add<R>(QStringLiteral("DefaultCopies"), frdtInteger, [](const R& o) { return TVariant(o.defaultCopies); },
                 [](R& o, const TVariant& v) { o.defaultCopies = v.toInt(); });
        boolProp(QStringLiteral("DefaultCollate"), &R::defaultCollate);
        boolProp(QStringLiteral("DoublePassReport"), &R::doublePassReport);
        boolProp(QStringLiteral("GrayedButtons"), &R::grayedButtons);
        boolProp(QStringLiteral("ModalPreview"), &R::modalPreview);
        boolProp(QStringLiteral("ModifyPrepared"), &R::modifyPrepared);
        boolProp(QStringLiteral("PrintIfEmpty"), &R::printIfEmpty);
        boolProp(QStringLiteral("ShowPrintDialog"), &R::showPrintDialog);
        boolProp(QStringLiteral("ShowProgress"), &R::showProgress);
        return t;
    }();
    return table;
}

TfrBuildScope::TfrBuildScope(TfrReport& report, TfrBuildState& state)
    : m_report(report), m_previous(report.m_buildState) {
    report.m_buildState = &state;
}

TfrBuildScope::~TfrBuildScope() { m_report.m_buildState = m_previous; }

const TfrMargins* TfrBuildState::printableEdges(const TfrPage& page) const {
    const auto it = m_edges.find(&page);
    return it == m_edges.end() ? nullptr : &it->second;
}

TfrDataset* TfrBuildState::datasetOf(const TfrBandView& band) const {
    const auto it = m_datasets.find(&band);
    return it == m_datasets.end() ? nullptr : it->second;
}
