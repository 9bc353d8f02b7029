#include "report/export/exportfilter.h"

#include "common/exception.h"
#include "common/numformat.h"
#include "common/textfile.h"
#include "report/builder/preparedpages.h"
#include "report/render/textmeasure.h"
#include "report/model/engine.h"
#include "report/model/report.h"

#include <QFileInfo>
#include <QPainter>
#include <cmath>
#include <optional>

// ---------------------------------------------------------------- the filter

TfrExportFilter::TfrExportFilter() = default;
TfrExportFilter::~TfrExportFilter() = default;

bool TfrExportFilter::showModal() {
    if (!showDialog || !optionsDialog)
        return true;
    return optionsDialog(*this);
}

QIODevice& TfrExportFilter::stream() const {
    if (!m_stream)
        throw Exception(QStringLiteral("Экспорт не выполняется: файл не открыт"));
    return *m_stream;
}

void TfrExportFilter::exportPage(TfrEMFPages& pages, int index) {
    TfrEngine& engine = pages.engine();
    pages.exportPage(index, [&](TfrView& view) { frExportObject(engine, *this, view); });
}

void frExportObject(TfrEngine& engine, TfrExportFilter& filter, const TfrView& view) {
    filter.onData(view.left, view.top, view);
    if (view.objectClass().exportKind != TfrExportKind::Text)
        return;
    TfrDrawContext c;
    c.measurer = &frTextMeasurer(engine);
    c.exportHook = [&filter](const TfrExportLine& line) { filter.onText(line); };
    frDrawObject(view, c);
}

TfrPicture frExportPicture(TfrEngine& engine, const TfrView& view) {
    const TfrObjectClass& cls = view.objectClass();
    if (cls.exportKind != TfrExportKind::Picture)
        return {};
    if (cls.heldPicture) {
        const TfrPicture* held = cls.heldPicture(view);
        return held ? *held : TfrPicture();
    }
    // Drawn at twice the report's resolution, so that thin bars and lines stay sharp.
    constexpr double kScale = 2;
    const std::int64_t w = std::int64_t(std::llround(view.width * kScale));
    const std::int64_t h = std::int64_t(std::llround(view.height * kScale));
    if (w <= 0 || h <= 0 || w > kMaxPictureSide || h > kMaxPictureSide)
        return {};
    QImage image(int(w), int(h), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    TfrDrawContext c;
    c.painter = &painter;
    c.measurer = &frTextMeasurer(engine);
    c.transform.sx = c.transform.sy = kScale;
    c.transform.ox = -view.left * kScale;
    c.transform.oy = -view.top * kScale;
    frDrawObject(view, c);
    painter.end();
    TfrPicture picture;
    picture.kind = TfrPicture::Bitmap;
    picture.image = image;
    return picture;
}

// ---------------------------------------------------------------- the export

// Sets and clears what a filter sees of the export under way.
class TfrExportRun {
public:
    static void begin(TfrExportFilter& f, TfrReport& report, QIODevice* stream, int pageCount) {
        f.m_report = &report;
        f.m_stream = stream;
        f.m_pageCount = pageCount;
        f.m_pageNo = f.m_pageIndex = -1;
    }
    static void page(TfrExportFilter& f, int no, int index) {
        f.m_pageNo = no;
        f.m_pageIndex = index;
    }
    static void end(TfrExportFilter& f) {
        f.m_report = nullptr;
        f.m_stream = nullptr;
        f.m_pageNo = f.m_pageIndex = -1;
    }
    static void setFileName(TfrExportFilter& f, const QString& name) { f.m_fileName = name; }
};

namespace {

void runPages(TfrExportFilter& filter, TfrEMFPages* pages, const std::vector<int>& order,
              const TfrExportOptions& options) {
    filter.onBeginDoc();
    const int total = static_cast<int>(order.size());
    for (int n = 0; n < total; ++n) {
        TfrExportRun::page(filter, n, order[static_cast<std::size_t>(n)]);
        filter.onBeginPage();
        filter.exportPage(*pages, order[static_cast<std::size_t>(n)]);
        filter.onEndPage();
        if (options.progress && !options.progress(n + 1, total))
            break;
    }
    TfrExportRun::page(filter, -1, -1);
    filter.onEndDoc();
}

} // namespace

TfrExportResult frExportReport(TfrReport& report, TfrExportFilter& filter, const QString& fileName,
                               const TfrExportOptions& options) {
    QString name = fileName;
    bool proceed = true;
    if (filter.onBeforeExport)
        filter.onBeforeExport(name, proceed);
    if (!proceed)
        return TfrExportResult::Cancelled;
    TfrExportRun::setFileName(filter, name);
    if (options.dialogs && !filter.showModal())
        return TfrExportResult::Cancelled;

    TfrEMFPages* pages = frFindPreparedPages(report);
    const int count = pages ? pages->count() : 0;
    std::vector<int> order;
    if (options.pages) {
        for (int i : *options.pages)
            if (i >= 0 && i < count && (order.empty() || i > order.back()))
                order.push_back(i);
    } else {
        for (int i = 0; i < count; ++i)
            order.push_back(i);
    }

    filter.messages.clear();
    std::optional<textfile::TAtomicFile> file;
    if (!filter.writesOwnFile())
        file.emplace(name);
    TfrExportRun::begin(filter, report, file ? &file->device() : nullptr, static_cast<int>(order.size()));
    try {
        runPages(filter, pages, order, options);
    } catch (...) {
        TfrExportRun::end(filter);
        throw;
    }
    TfrExportRun::end(filter);
    if (file)
        file->commit();
    if (filter.onAfterExport)
        filter.onAfterExport(name);
    return TfrExportResult::Written;
}

QString frExportProgressCaption(const QString& title) {
    QString caption = QStringLiteral("Подготовка отчета");
    if (!title.isEmpty())
        caption += QStringLiteral(" - ") + title;
    return caption;
}

QString frExportProgressLabel(int pageNo, int total) {
    return QStringLiteral("Формируется страница:  %1 из %2").arg(pageNo).arg(total);
}

// ---------------------------------------------------------------- options

double frReadScale(const QString& text) {
    QString t = text.trimmed();
    t.replace(u',', u'.');
    bool ok = false;
    const double v = t.toDouble(&ok);
    if (!ok || !std::isfinite(v) || v <= 0)
        return 1.0;
    return v;
}

QString frScaleText(double scale) { return numfmt::formatFloat(scale); }

QString frReplaceExtension(const QString& fileName, const QString& mask) {
    QString ext = mask;
    if (ext.startsWith(u'*'))
        ext.remove(0, 1);
    // Only the last part of the path has an extension.
    const qsizetype slash = std::max(fileName.lastIndexOf(u'/'), fileName.lastIndexOf(u'\\'));
    const qsizetype dot = fileName.lastIndexOf(u'.');
    if (dot > slash && dot > slash + 1)
        return fileName.left(dot) + ext;
    return fileName + ext;
}

QString frReportName(const TfrReport& report) {
    const QString& path = report.fileName;
    const qsizetype slash = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    QString name = path.mid(slash + 1);
    if (const qsizetype dot = name.lastIndexOf(u'.'); dot > 0)
        name.truncate(dot);
    return name == QStringLiteral("Untitled") ? QString() : name;
}

QString frReportDocumentTitle(const TfrReport& report) {
    return report.title.isEmpty() ? frReportName(report) : report.title;
}

// ---------------------------------------------------------------- registry

TfrExportFilter* TfrExportFilters::add(std::unique_ptr<TfrExportFilter> filter) {
    if (!filter)
        return nullptr;
    const QString description = filter->description(), extension = filter->extension();
    return add(std::move(filter), description, extension);
}

TfrExportFilter* TfrExportFilters::add(std::unique_ptr<TfrExportFilter> filter, const QString& description,
                                       const QString& extension) {
    if (!filter)
        return nullptr;
    const QString cls = filter->className();
    for (const TfrExportFilterEntry& e : m_entries)
        if (e.filter->className() == cls && e.extension == extension)
            return nullptr;
    if (count() >= maxFilters)
        throw Exception(QStringLiteral("Зарегистрировано слишком много фильтров экспорта (не более %1)").arg(maxFilters));
    TfrExportFilter* f = filter.get();
    m_owned.push_back(std::move(filter));
    m_entries.push_back({f, description, extension});
    return f;
}

bool TfrExportFilters::remove(const QString& className) {
    for (std::size_t i = m_entries.size(); i-- > 0;) {
        if (m_entries[i].filter->className() == className) {
            m_entries.erase(m_entries.begin() + static_cast<std::ptrdiff_t>(i));
            m_owned.erase(m_owned.begin() + static_cast<std::ptrdiff_t>(i));
            return true;
        }
    }
    return false;
}

TfrExportFilter* TfrExportFilters::findByExtension(const QString& suffix) const {
    const QString mask = QStringLiteral("*.") + suffix;
    for (const TfrExportFilterEntry& e : m_entries)
        if (e.extension.compare(mask, Qt::CaseInsensitive) == 0)
            return e.filter;
    return nullptr;
}

QString frPreparedReportDescription() { return QStringLiteral("Файл отчета (*.frp)"); }

QString TfrExportFilters::saveDialogFilter() const {
    QString s = frPreparedReportDescription() + QStringLiteral("|*.frp");
    for (const TfrExportFilterEntry& e : m_entries)
        s += u'|' + e.description + u'|' + e.extension;
    return s;
}

QStringList TfrExportFilters::nameFilters() const {
    QStringList list{frPreparedReportDescription()};
    for (const TfrExportFilterEntry& e : m_entries) {
        // Qt reads the masks from the parentheses; a description without them gets the mask.
        list << (e.description.contains(u'(') ? e.description
                                               : e.description + QStringLiteral(" (") + e.extension + u')');
    }
    return list;
}

int TfrExportFilters::defaultEntry() const {
    for (int i = 0; i < count(); ++i)
        if (m_entries[static_cast<std::size_t>(i)].filter->isDefault)
            return i + 2;
    return 1;
}

TfrExportFilter* TfrExportFilters::filterOfEntry(int entry) const {
    if (entry < 2 || entry - 2 >= count())
        return nullptr;
    return m_entries[static_cast<std::size_t>(entry - 2)].filter;
}

QString TfrExportFilters::extensionOfEntry(int entry) const {
    if (entry < 2 || entry - 2 >= count())
        return QStringLiteral("*.frp");
    return m_entries[static_cast<std::size_t>(entry - 2)].extension;
}

TfrExportFilters& frExportFilters(TfrEngine& engine) { return engine.state<TfrExportFilters>(); }
