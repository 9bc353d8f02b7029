#include "report/design/designfields.h"

#include "common/rounding.h"
#include "report/design/designdoc.h"
#include "report/design/designgeometry.h"
#include "report/design/designpickers.h"
#include "report/model/dataset.h"
#include "report/model/engine.h"
#include "report/model/page.h"
#include "report/model/report.h"
#include "report/render/textmeasure.h"

#include <algorithm>
#include <memory>

namespace {

// Fields inserted at once, at most (the dialog lists a table's fields).
constexpr int kMaxFields = 1000;
// How far the data row lies below the header row.
constexpr int kRowDistance = 72;
// A display width of 0, or of 256 and more, counts as this many characters.
constexpr int kDefaultChars = 6;

// What the table says of one listed field.
struct FieldFacts {
    QString field;   // the field name the reference uses
    QString display; // its display name
    int chars = kDefaultChars;
};

// The real field name behind a name of the dictionary's field list of a table:
// the field whose alias it is, else the name itself.
QString realField(const TfrDataDictionary& dict, const QString& table, const QString& listed) {
    const QString prefix = table + u'.';
    for (const TfrVariables::Entry& e : dict.aliases.entries())
        if (e.name.startsWith(prefix, Qt::CaseInsensitive) &&
            e.value.toString().compare(listed, Qt::CaseInsensitive) == 0 && e.name.size() > prefix.size())
            return e.name.mid(prefix.size());
    return listed;
}

FieldFacts factsOf(const TfrTableSource* table, const QString& field) {
    FieldFacts f;
    f.field = field;
    f.display = field;
    if (!table)
        return f;
    const int index = table->fieldIndex(field);
    if (index < 0)
        return f;
    f.field = table->fieldNamesOrEmpty().value(index, field);
    f.display = table->fieldDisplayLabel(index);
    const int width = table->fieldDisplayWidth(index);
    f.chars = width <= 0 || width >= 256 ? kDefaultChars : width;
    return f;
}

// A width truncated to a multiple of the grid, at least one grid step.
std::int32_t toGrid(std::int64_t width, int grid) {
    const std::int64_t w = width / grid * grid;
    return std::int32_t(std::clamp<std::int64_t>(w, grid, 1000000));
}

std::unique_ptr<TfrMemoView> newText(TfrDesignDocument& doc) {
    auto view = doc.engine().createObject(gtMemo);
    auto* memo = static_cast<TfrMemoView*>(view.release());
    std::unique_ptr<TfrMemoView> text(memo);
    doc.applyStyle(*text);
    const QSize size = doc.defaultSize(TfrMemoView::classInfo());
    text->setBounds(0, 0, size.width(), size.height());
    return text;
}

std::unique_ptr<TfrBandView> newBand(TfrDesignDocument& doc, int type, std::int32_t top, std::int32_t height) {
    auto view = doc.engine().createObject(gtBand);
    std::unique_ptr<TfrBandView> band(static_cast<TfrBandView*>(view.release()));
    band->setBandType(type);
    band->setBaseName(frBandBaseName(type));
    doc.applyStyle(*band);
    band->setBounds(0, top, doc.pageSize().width(), height);
    return band;
}

bool pageHas(const TfrPage& page, int type) {
    return std::any_of(page.objects().begin(), page.objects().end(), [type](const auto& v) {
        const auto* band = frCast<TfrBandView>(v.get());
        return band && band->bandType() == type;
    });
}

} // namespace

QString frFieldReference(const QString& dataset, const QString& field) {
    return dataset + QStringLiteral(".\"") + field + u'"';
}

QString frDatasetSourceName(TfrReport& report, const QString& dataset) {
    const TfrDataRegistry& registry = report.dataRegistry();
    const TfrTableSource* table = registry.findTable(report.dictionary().realDataSetName(dataset));
    if (!table)
        return QString();
    // The report datasets of the registry belong to the report's own window,
    // so their names need no window prefix.
    for (const TfrDataset* d : registry.datasets())
        if (d->table() == table)
            return d->name();
    return QString();
}

std::vector<TfrView*> frInsertFields(TfrDesignDocument& doc, const QString& dataset, const QStringList& fields,
                                     const TfrFieldPlacement& placement) {
    TfrReport& report = doc.report();
    const TfrPage& page = doc.page();
    if (fields.isEmpty())
        return doc.insertObjects({}); // refused with the document's reason
    const QString tableName = report.dictionary().realDataSetName(dataset);
    const TfrTableSource* table = report.dataRegistry().findTable(tableName);
    const TfrTextMeasurer& measurer = frTextMeasurer(doc.engine());
    const int grid = doc.gridSize();
    const std::int32_t x0 = page.printableLeft(), y0 = page.printableTop();

    std::vector<std::unique_ptr<TfrMemoView>> headers, data;
    std::int64_t x = x0, y = y0;
    for (const QString& listed : fields.mid(0, kMaxFields)) {
        const FieldFacts f = factsOf(table, realField(report.dictionary(), tableName, listed));
        std::unique_ptr<TfrMemoView> header;
        if (placement.headers) {
            header = newText(doc);
            header->font.style |= fsBold;
            header->memo = QStringList{f.display};
            header->left = std::int32_t(x);
            header->top = std::int32_t(y);
            header->width = toGrid(measurer.width(header->font, f.display + QStringLiteral("   ")), grid);
        }
        auto text = newText(doc);
        text->memo = QStringList{u'[' + frFieldReference(tableName, f.field) + u']'};
        text->width = toGrid(std::int64_t(f.chars) * measurer.width(text->font, u"="), grid);
        text->left = std::int32_t(x);
        text->top = std::int32_t(y);
        if (header) {
            if (placement.horizontal)
                text->top = std::int32_t(y + kRowDistance);
            else
                text->left = std::int32_t(std::min<std::int64_t>(x + 2 * grid + header->width, 1000000));
        }
        if (placement.horizontal)
            x = std::min<std::int64_t>(x + grid + text->width, 1000000);
        else
            y = std::min<std::int64_t>(y + grid + text->height, 1000000);
        if (header)
            headers.push_back(std::move(header));
        data.push_back(std::move(text));
    }

    // Side by side, a row passing the printable right edge is squeezed into
    // the printable width.
    const std::int64_t available = std::int64_t(page.printableRight()) - x0;
    const std::int64_t extent = std::int64_t(data.back()->left) + data.back()->width - x0;
    if (placement.horizontal && available > 0 && extent > available) {
        const double k = double(extent) / double(available);
        for (std::size_t i = 0; i < data.size(); ++i) {
            TfrMemoView& d = *data[i];
            d.left = x0 + roundHalfEven((d.left - x0) / k);
            d.width = std::max(1, roundHalfEven(d.width / k));
            if (i < headers.size()) {
                TfrMemoView& h = *headers[i];
                h.left = x0 + roundHalfEven((h.left - x0) / k);
                h.width = std::min(h.width, d.width);
            }
        }
    }

    std::vector<std::unique_ptr<TfrView>> made;
    std::int64_t bottom = y0;
    std::int64_t headerBottom = y0;
    for (std::size_t i = 0; i < data.size(); ++i) {
        if (i < headers.size()) {
            headerBottom = std::max<std::int64_t>(headerBottom, std::int64_t(headers[i]->top) + headers[i]->height);
            bottom = std::max<std::int64_t>(bottom, std::int64_t(headers[i]->top) + headers[i]->height);
            made.push_back(std::move(headers[i]));
        }
        bottom = std::max<std::int64_t>(bottom, std::int64_t(data[i]->top) + data[i]->height);
        made.push_back(std::move(data[i]));
    }
    if (placement.bands) {
        const QString source = frDatasetSourceName(report, dataset);
        std::unique_ptr<TfrBandView> master;
        if (placement.headers && placement.horizontal) {
            const auto height = std::int32_t(headerBottom - y0);
            if (!pageHas(page, btPageHeader))
                made.push_back(newBand(doc, btPageHeader, y0, height));
            master = newBand(doc, btMasterData, y0 + kRowDistance, height);
        } else {
            master = newBand(doc, btMasterData, y0, std::int32_t(bottom - y0));
        }
        master->setDataSourceName(source);
        made.push_back(std::move(master));
    }
    return doc.insertObjects(std::move(made));
}

TfrView* frDropField(TfrDesignDocument& doc, const QString& dataset, const QString& field, QPoint at) {
    auto text = newText(doc);
    // The window lists names as the dictionary shows them; the text holds the real ones.
    text->memo = QStringList{u'[' + frFieldReference(doc.report(), dataset, field) + u']'};
    const QPoint p = doc.settings().gridAlign ? frdesign::snapToGrid(at, doc.gridSize()) : at;
    text->left = std::clamp(p.x(), -1000000, 1000000);
    text->top = std::clamp(p.y(), -1000000, 1000000);
    std::vector<std::unique_ptr<TfrView>> views;
    views.push_back(std::move(text));
    const std::vector<TfrView*> added = doc.insertObjects(std::move(views));
    return added.empty() ? nullptr : added.front();
}
