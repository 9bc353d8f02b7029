#include "report/model/report.h"

#include "common/datetime.h"
#include "common/exception.h"
#include "common/interaction.h"
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

TfrReport::TfrReport() : m_pages(this), m_dictionary(this) {
    fileName = TfrEngine::current().untitledName();
    info.reset();
}

TfrReport::~TfrReport() {
    TfrEngine& e = TfrEngine::current();
    if (e.buildingReport == this)
        e.buildingReport = nullptr;
}

TfrDataRegistry& TfrReport::dataRegistry() const {
    return m_registry ? *m_registry : TfrEngine::current().dataRegistry();
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

void TfrReport::changePrinter(const QString& name) {
    TfrPrinter& prn = TfrEngine::current().printer();
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
    TfrPrinter& prn = TfrEngine::current().printer();
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
    } catch (const std::exception&) {
        TUserInteraction::current().messageBox(QStringLiteral("Возникли проблемы с настройкой выбранного принтера."),
                                               TUserInteraction::errorTitle(), TUserInteraction::ErrorIcon,
                                               TUserInteraction::Ok);
        prn.setPrinterIndex(previous);
        printerName = prn.printerName();
        prn.forgetPaper();
        reapplyPagePapers();
        return false;
    }
}

bool TfrReport::prepareReport() {
    TfrEngine& e = TfrEngine::current();
    if (!e.prepareReportHook)
        throw Exception(QStringLiteral("Report building is not available"));
    return e.prepareReportHook(*this);
}

void TfrReport::showPreparedReport() {
    TfrEngine& e = TfrEngine::current();
    if (!e.showPreparedReportHook)
        throw Exception(QStringLiteral("Report preview is not available"));
    e.showPreparedReportHook(*this);
}

void TfrReport::showReport() {
    if (prepareReport())
        showPreparedReport();
}

void TfrReport::designReport() {
    TfrEngine& e = TfrEngine::current();
    if (!e.designReportHook)
        throw Exception(QStringLiteral("The report designer is not available"));
    e.designReportHook(*this);
}

void TfrReport::defineProperties() {
    TfrObject::defineProperties();
}
