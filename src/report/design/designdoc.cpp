// The design document: state, selection, pages, undo and files. The editing
// commands are in designedit.cpp.

#include "report/design/designdoc.h"

#include "common/datetime.h"
#include "common/exception.h"
#include "common/interaction.h"
#include "report/design/objectrecord.h"
#include "report/model/engine.h"
#include "report/model/page.h"

#include <QDir>
#include <QFileInfo>

namespace {

// A file name with its extension replaced by `suffix` ("frf").
QString withSuffix(const QString& fileName, const QString& suffix) {
    const QFileInfo info(fileName);
    if (info.suffix().compare(suffix, Qt::CaseInsensitive) == 0)
        return fileName;
    const QString base = info.suffix().isEmpty() ? fileName : fileName.chopped(info.suffix().size() + 1);
    return base + u'.' + suffix;
}

} // namespace

QString frBandBaseName(int bandType) {
    QString name = frBandName(bandType);
    const qsizetype space = name.indexOf(u' ');
    if (space >= 0) {
        name.remove(space, 1);
        if (space < name.size())
            name[space] = name[space].toUpper();
    }
    return name;
}

TfrDesignDocument::TfrDesignDocument(TfrReport& report, bool passwordGiven)
    : m_report(report), m_passwordGiven(passwordGiven || !report.info.passwordProtected) {
    if (m_report.pages().count() == 0) {
        const int index = m_report.pages().add();
        m_report.pages().page(index)->name = m_report.uniquePageName();
    }
}

TfrEngine& TfrDesignDocument::engine() const { return m_report.engine(); }

bool TfrDesignDocument::refuse(const QString& reason) {
    m_refusal = reason;
    return false;
}

void TfrDesignDocument::touch() { m_modified = true; }

void TfrDesignDocument::record(TfrUndoEntry entry) {
    // Whatever was undone no longer fits the template once it changes.
    m_redo.clear();
    if (undoEnabled())
        m_undo.push(std::move(entry));
}

bool TfrDesignDocument::setGridSize(int size) {
    if (!TfrDesignerSettings::validGridSize(size))
        return refuse(QStringLiteral("Шаг сетки может быть 4, 8 или 18 точек"));
    m_settings.gridSize = size;
    return true;
}

bool TfrDesignDocument::isUntitled() const {
    return m_report.fileName.isEmpty() || m_report.fileName == engine().untitledName();
}

QString TfrDesignDocument::caption() const {
    const QString name = isUntitled() ? engine().untitledName() : QFileInfo(m_report.fileName).fileName();
    return QStringLiteral("Дизайнер - ") + name;
}

// ---------------------------------------------------------------- pages

TfrPage& TfrDesignDocument::page() const { return *m_report.pages().page(m_pageIndex); }
int TfrDesignDocument::pageCount() const { return m_report.pages().count(); }

bool TfrDesignDocument::setPage(int index) {
    if (index < 0 || index >= pageCount())
        return refuse(QStringLiteral("В отчёте нет страницы %1").arg(index + 1));
    cancelDrag();
    m_selected.clear();
    m_pageIndex = index;
    return true;
}

QSize TfrDesignDocument::pageSize() const {
    const TfrPage& p = page();
    if (p.pageType == ptDialog)
        return QSize(p.formWidth, p.formHeight);
    return QSize(p.prnInfo.pgw, p.prnInfo.pgh);
}

bool TfrDesignDocument::addPage(bool dialog) {
    if (m_preparedPage)
        return refuse(QStringLiteral("К подготовленной странице нельзя добавлять страницы"));
    if (pageCount() >= 256)
        return refuse(QStringLiteral("В отчёте может быть не более 256 страниц"));
    const QString name = m_report.uniquePageName();
    const int index = m_report.pages().add();
    TfrPage& p = *m_report.pages().page(index);
    p.name = name;
    if (dialog)
        p.pageType = ptDialog;
    setPage(index);
    touch();
    return true;
}

bool TfrDesignDocument::deletePage(int index) {
    if (m_preparedPage)
        return refuse(QStringLiteral("Подготовленную страницу нельзя удалить"));
    if (pageCount() <= 1)
        return refuse(QStringLiteral("Единственную страницу отчёта удалить нельзя"));
    if (index < 0 || index >= pageCount())
        return refuse(QStringLiteral("В отчёте нет страницы %1").arg(index + 1));
    cancelDrag();
    for (int i = 0; i < pageCount(); ++i) {
        if (i == index)
            continue;
        TfrPage& p = *m_report.pages().page(i);
        for (int k = p.count() - 1; k >= 0; --k) {
            auto* sub = frCast<TfrSubReportView>(p.object(k));
            if (!sub)
                continue;
            if (sub->subPage == index)
                p.deleteObject(k);
            else if (sub->subPage > index)
                --sub->subPage;
        }
    }
    m_report.pages().remove(index);
    m_undo.clear();
    m_redo.clear();
    m_pageIndex = 0;
    m_selected.clear();
    touch();
    return true;
}

bool TfrDesignDocument::movePage(int from, int to) {
    if (m_preparedPage)
        return refuse(QStringLiteral("Подготовленную страницу нельзя переместить"));
    if (from < 0 || from >= pageCount() || to < 0 || to >= pageCount())
        return refuse(QStringLiteral("В отчёте нет такой страницы"));
    if (from == to)
        return refuse(QStringLiteral("Страница уже на этом месте"));
    auto moved = [from, to](int i) {
        if (i == from)
            return to;
        if (from < to && i > from && i <= to)
            return i - 1;
        if (to < from && i >= to && i < from)
            return i + 1;
        return i;
    };
    for (TfrView* v : m_report.allObjects())
        if (auto* sub = frCast<TfrSubReportView>(v))
            sub->subPage = moved(sub->subPage);
    const int shown = moved(m_pageIndex);
    m_report.pages().move(from, to);
    // Copies in undo entries hold the sub-report pages as they were.
    m_undo.clear();
    m_redo.clear();
    setPage(shown);
    touch();
    return true;
}

// ---------------------------------------------------------------- selection

TfrView* TfrDesignDocument::findId(std::int32_t id) const {
    const int index = page().findObjectById(id);
    return index >= 0 ? page().object(index) : nullptr;
}

std::vector<TfrView*> TfrDesignDocument::selection() const {
    std::vector<TfrView*> out;
    if (m_selected.empty())
        return out;
    out.reserve(m_selected.size());
    for (const auto& v : page().objects())
        if (m_selected.count(v->objectId))
            out.push_back(v.get());
    return out;
}

std::vector<TfrView*> TfrDesignDocument::selectionOrRefuse() {
    std::vector<TfrView*> sel = selection();
    if (sel.empty())
        refuse(QStringLiteral("Нет выделенных объектов"));
    return sel;
}

TfrView* TfrDesignDocument::referenceObject() const {
    if (m_reference && m_selected.count(*m_reference))
        if (TfrView* v = findId(*m_reference))
            return v;
    const std::vector<TfrView*> sel = selection();
    return sel.empty() ? nullptr : sel.back();
}

void TfrDesignDocument::clearSelection() {
    m_selected.clear();
    m_reference.reset();
}

void TfrDesignDocument::clickObject(TfrView& view, bool toggle) {
    if (toggle) {
        if (!m_selected.erase(view.objectId))
            m_selected.insert(view.objectId);
    } else if (!isSelected(view)) {
        m_selected = {view.objectId};
    }
    if (m_selected.size() == 1)
        m_reference = *m_selected.begin();
}

void TfrDesignDocument::selectObjects(const std::vector<TfrView*>& views) {
    m_selected.clear();
    for (const TfrView* v : views)
        m_selected.insert(v->objectId);
    m_reference.reset();
    if (views.size() == 1)
        m_reference = views.front()->objectId;
}

bool TfrDesignDocument::selectNames(const QStringList& names) {
    std::vector<TfrView*> views;
    for (const QString& name : names) {
        TfrView* v = page().findObject(name);
        if (!v)
            return refuse(QStringLiteral("На странице нет объекта %1").arg(name));
        views.push_back(v);
    }
    selectObjects(views);
    if (!views.empty())
        m_reference = views.front()->objectId;
    return true;
}

void TfrDesignDocument::selectAll() {
    std::vector<TfrView*> all;
    for (const auto& v : page().objects())
        all.push_back(v.get());
    selectObjects(all);
}

namespace {

// The rectangle an object is hit in: lines and other thin objects are taken
// two pixels wider on each side.
QRect hitRect(const TfrView& v) {
    QRect r = QRect(v.left, v.top, v.width, v.height).normalized();
    if (r.width() < 5)
        r.adjust(-2, 0, 2, 0);
    if (r.height() < 5)
        r.adjust(0, -2, 0, 2);
    return r.adjusted(0, 0, 1, 1);
}

} // namespace

TfrView* TfrDesignDocument::objectAt(QPoint point) const {
    const auto& objects = page().objects();
    for (auto it = objects.rbegin(); it != objects.rend(); ++it)
        if (hitRect(**it).contains(point))
            return it->get();
    return nullptr;
}

void TfrDesignDocument::selectInRect(const QRect& rect, bool add) {
    const QRect r = rect.normalized().adjusted(0, 0, 1, 1);
    std::vector<TfrView*> objects, bands;
    for (const auto& v : page().objects())
        if (hitRect(*v).intersects(r))
            (isBand(*v) ? bands : objects).push_back(v.get());
    const std::vector<TfrView*>& hit = objects.empty() ? bands : objects;
    if (!add)
        clearSelection();
    for (TfrView* v : hit)
        m_selected.insert(v->objectId);
    if (m_selected.size() == 1)
        m_reference = *m_selected.begin();
}

void TfrDesignDocument::setTool(const TfrObjectClass* tool, bool keep) {
    cancelDrag();
    m_tool = tool;
    m_keepTool = tool && keep;
}

// ---------------------------------------------------------------- undo

TfrUndoEntry TfrDesignDocument::changeEntry(const std::vector<TfrView*>& views) const {
    TfrUndoEntry entry;
    entry.kind = TfrUndoKind::Change;
    entry.page = m_pageIndex;
    for (const TfrView* v : views)
        entry.items.push_back(frdesign::copyItem(page(), *v));
    return entry;
}

void TfrDesignDocument::recordChange(const std::vector<TfrView*>& views) {
    record(changeEntry(views));
    touch();
}

bool TfrDesignDocument::changeEach(const std::vector<TfrView*>& views, const std::function<bool(TfrView&)>& change) {
    TfrUndoEntry entry = changeEntry(views);
    std::vector<TfrUndoItem> changed;
    for (std::size_t i = 0; i < views.size(); ++i) {
        if (!change(*views[i]))
            continue;
        if (!frdesign::sameRecord(*views[i], entry.items[i].copy))
            changed.push_back(std::move(entry.items[i]));
    }
    if (changed.empty())
        return refuse(QStringLiteral("Ничего не изменилось"));
    entry.items = std::move(changed);
    record(std::move(entry));
    touch();
    return true;
}

bool TfrDesignDocument::undo() {
    const TfrUndoEntry* top = m_undo.top();
    if (!top)
        return refuse(QStringLiteral("Нечего отменять"));
    if (top->page != m_pageIndex)
        return refuse(QStringLiteral("Последнее действие сделано на странице %1").arg(top->page + 1));
    cancelDrag();
    const TfrUndoEntry entry = *m_undo.pop();
    std::vector<std::int32_t> touched;
    m_redo.push(frdesign::applyUndoEntry(engine(), page(), entry, &touched));
    clearSelection();
    for (std::int32_t id : touched)
        if (findId(id))
            m_selected.insert(id);
    touch();
    return true;
}

bool TfrDesignDocument::redo() {
    const TfrUndoEntry* top = m_redo.top();
    if (!top)
        return refuse(QStringLiteral("Нечего повторять"));
    if (top->page != m_pageIndex)
        return refuse(QStringLiteral("Отменённое действие сделано на странице %1").arg(top->page + 1));
    cancelDrag();
    const TfrUndoEntry entry = *m_redo.pop();
    std::vector<std::int32_t> touched;
    m_undo.push(frdesign::applyUndoEntry(engine(), page(), entry, &touched));
    clearSelection();
    for (std::int32_t id : touched)
        if (findId(id))
            m_selected.insert(id);
    touch();
    return true;
}

// ---------------------------------------------------------------- status bar

QString TfrDesignDocument::statusPosition() const {
    const std::vector<TfrView*> sel = selection();
    if (sel.empty())
        return QString();
    const QRect r = sel.size() == 1 ? QRect(sel[0]->left, sel[0]->top, sel[0]->width, sel[0]->height) : groupBox();
    return frFormatLength(r.left(), m_settings.units) + QStringLiteral("; ") + frFormatLength(r.top(), m_settings.units);
}

QString TfrDesignDocument::statusSize() const {
    const std::vector<TfrView*> sel = selection();
    if (sel.empty())
        return QString();
    const QRect r = sel.size() == 1 ? QRect(sel[0]->left, sel[0]->top, sel[0]->width, sel[0]->height) : groupBox();
    return frFormatLength(r.width(), m_settings.units) + QStringLiteral("; ") +
           frFormatLength(r.height(), m_settings.units);
}

QString TfrDesignDocument::statusObject() const {
    const std::vector<TfrView*> sel = selection();
    if (sel.size() != 1)
        return QString();
    const TfrView& v = *sel.front();
    if (const auto* band = frCast<TfrBandView>(&v))
        return v.name() + QStringLiteral(": ") + frBandName(band->bandType());
    return v.memo.isEmpty() ? v.name() : v.name() + QStringLiteral(": ") + v.memo.front();
}

// ---------------------------------------------------------------- files

TfrDesignFileKind TfrDesignDocument::kindOfFile(const QString& fileName) {
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    if (suffix == u"frt")
        return TfrDesignFileKind::Template;
    if (suffix == u"frd")
        return TfrDesignFileKind::Dictionary;
    return TfrDesignFileKind::Report;
}

void TfrDesignDocument::resetEditing() {
    cancelDrag();
    clearSelection();
    m_undo.clear();
    m_redo.clear();
    m_pageIndex = 0;
    m_tool = nullptr;
    m_keepTool = false;
}

void TfrDesignDocument::setFileName(const QString& name) { m_report.fileName = name; }

void TfrDesignDocument::newReport() {
    m_report.clear();
    const int index = m_report.pages().add();
    m_report.pages().page(index)->name = m_report.uniquePageName();
    setFileName(engine().untitledName());
    resetEditing();
    m_modified = false;
    m_passwordGiven = true;
}

void TfrDesignDocument::newFromTemplate(const QString& fileName) {
    // The template is read into a report of its own first: one that cannot be
    // read leaves the report being edited as it was.
    TfrReport scratch(engine());
    QStringList description;
    QImage picture;
    if (!scratch.loadTemplate(fileName, description, picture, true))
        throw Exception(QStringLiteral("Cannot open file %1").arg(fileName));
    if (scratch.pages().count() == 0)
        scratch.pages().page(scratch.pages().add())->name = scratch.uniquePageName();
    const TfrLoadResult loaded = m_report.loadFromStream(scratch.saveToStream());
    if (!loaded.ok())
        throw Exception(loaded.messages.join(u'\n'));
    setFileName(engine().untitledName());
    resetEditing();
    m_modified = false;
    m_passwordGiven = true;
}

bool TfrDesignDocument::open(const QString& fileName, const TfrPasswordPrompt& password) {
    if (m_preparedPage)
        return refuse(QStringLiteral("В подготовленную страницу нельзя открыть файл"));
    TUserInteraction& user = engine().interaction();
    if (kindOfFile(fileName) == TfrDesignFileKind::Dictionary) {
        TfrDataDictionary& dictionary = m_report.dictionary();
        const TfrVariables variables = dictionary.variables, aliases = dictionary.aliases,
                           sources = dictionary.bandSources;
        try {
            dictionary.loadFromFile(fileName);
        } catch (const Exception& e) {
            dictionary.variables = variables;
            dictionary.aliases = aliases;
            dictionary.bandSources = sources;
            user.showError(e.message());
            return refuse(e.message());
        }
        touch();
        return true;
    }
    // Read into a report of its own first, so that a file that cannot be
    // opened leaves the report being edited (and its undo entries) as it was.
    TfrReport scratch(engine());
    const TfrLoadResult loaded = scratch.loadFromFile(fileName, password);
    if (!loaded.ok()) {
        const QString text = loaded.messages.join(u'\n');
        user.showError(text);
        return refuse(text);
    }
    TfrLoadResult copied;
    try {
        copied = m_report.loadFromStream(scratch.saveToStream());
    } catch (const Exception& e) {
        copied.status = TfrLoadResult::Status::Failed;
        copied.messages << e.message();
    }
    if (!copied.ok()) {
        const QString text = copied.messages.join(u'\n');
        user.showError(text);
        return refuse(text);
    }
    // Loaded with damaged objects left out: say which.
    if (!loaded.messages.isEmpty())
        user.messageBox(loaded.messages.join(u'\n'), QString(), TUserInteraction::WarningIcon, TUserInteraction::Ok);
    setFileName(fileName);
    if (m_report.pages().count() == 0)
        m_report.pages().page(m_report.pages().add())->name = m_report.uniquePageName();
    resetEditing();
    m_modified = false;
    m_passwordGiven = true;
    return true;
}

bool TfrDesignDocument::checkPassword() {
    if (m_passwordGiven || !m_report.info.passwordProtected)
        return true;
    TUserInteraction& user = engine().interaction();
    const std::optional<QString> answer =
        user.inputBox(QStringLiteral("Пароль"), QStringLiteral("Введите пароль для открытия отчета"), QString());
    if (answer && *answer == m_report.info.password) {
        m_passwordGiven = true;
        return true;
    }
    const QString text = QStringLiteral("Отчёт защищён паролем: без пароля он не сохраняется");
    user.showError(text);
    return refuse(text);
}

bool TfrDesignDocument::saveReportFile(const QString& fileName) {
    if (!checkPassword())
        return false;
    const double changed = m_report.info.lastChangeDate;
    m_report.info.lastChangeDate = datetime::now();
    try {
        m_report.saveToFile(fileName);
    } catch (const Exception& e) {
        m_report.info.lastChangeDate = changed;
        engine().interaction().showError(e.message());
        return refuse(e.message());
    }
    m_modified = false;
    return true;
}

bool TfrDesignDocument::save() {
    if (m_preparedPage)
        return refuse(QStringLiteral("Подготовленная страница сохраняется при закрытии дизайнера"));
    if (isUntitled())
        return refuse(QStringLiteral("У отчёта нет имени файла"));
    return saveReportFile(m_report.fileName);
}

bool TfrDesignDocument::saveAs(const QString& fileName, TfrDesignFileKind kind, const QStringList& description,
                               const QImage& picture) {
    if (m_preparedPage)
        return refuse(QStringLiteral("Подготовленная страница сохраняется при закрытии дизайнера"));
    if (fileName.isEmpty())
        return refuse(QStringLiteral("Не указано имя файла"));
    switch (kind) {
    case TfrDesignFileKind::Report: {
        const QString name = withSuffix(fileName, QStringLiteral("frf"));
        if (!saveReportFile(name))
            return false;
        setFileName(name);
        return true;
    }
    case TfrDesignFileKind::Template:
    case TfrDesignFileKind::Dictionary: {
        if (!checkPassword())
            return false;
        const bool tmpl = kind == TfrDesignFileKind::Template;
        QString name = withSuffix(fileName, tmpl ? QStringLiteral("frt") : QStringLiteral("frd"));
        if (tmpl && !templateFolder.isEmpty())
            name = QDir(templateFolder).filePath(QFileInfo(name).fileName());
        try {
            if (tmpl)
                m_report.saveTemplate(name, description, picture);
            else
                m_report.dictionary().saveToFile(name);
        } catch (const Exception& e) {
            engine().interaction().showError(e.message());
            return refuse(e.message());
        }
        return true;
    }
    }
    return false;
}
