#include "report/model/page.h"

#include "common/textfile.h"
#include "report/model/buildstate.h"
#include "report/model/engine.h"
#include "report/model/report.h"

#include <algorithm>

namespace {
TVariant intValue(std::int64_t v) { return TVariant(static_cast<std::int32_t>(v)); }

// Margins and paper of damaged files may lie anywhere in 32 bits: edges are
// computed wide and kept within range.
std::int32_t clamped(std::int64_t v) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX));
}

} // namespace

// ---------------------------------------------------------------- TfrPage

TfrPage::TfrPage(TfrReport& report, std::int32_t size, std::int32_t width, std::int32_t height, std::int32_t bin,
                 std::int32_t orientation)
    : m_engine(report.engine()), m_report(&report) {
    changePaper(size, width, height, bin, orientation);
}

TfrPage::TfrPage(TfrEngine& engine, const TfrPrnInfo& info) : prnInfo(info), m_engine(engine) {}

TfrPage::~TfrPage() = default;

const TfrMargins* TfrPage::buildEdges() const {
    const TfrBuildState* state = m_report ? m_report->buildState() : nullptr;
    return state ? state->printableEdges(*this) : nullptr;
}

void TfrPage::changePaper(std::int32_t size, std::int32_t width, std::int32_t height, std::int32_t requestedBin,
                          std::int32_t orient) {
    TfrPrinter& prn = m_engine.printer();
    try {
        prn.setPrinterInfo(size, width, height, orient, requestedBin, false);
    } catch (const std::exception&) {
        // The printer refused the paper: take the same dimensions as a custom size.
        try {
            prn.setPrinterInfo(frPaperCustom, width, height, orient, -1, false);
        } catch (const std::exception&) {
            // Even the custom size was refused: the page takes whatever paper the
            // printer holds, so that changing paper never fails.
        }
    }
    prnInfo = prn.fillPrnInfo();
    pSize = prn.paperSize();
    pWidth = prn.paperWidth();
    pHeight = prn.paperHeight();
    orientation = static_cast<std::uint8_t>(prn.orientation());
    bin = (requestedBin & 0xFFFF) == 0xFFFF ? frPageDefaultBin : prn.bin();
}

std::int32_t TfrPage::paperWidthPixels() const { return frunits::tenthsToPixels(pWidth); }
std::int32_t TfrPage::paperHeightPixels() const { return frunits::tenthsToPixels(pHeight); }

std::int32_t TfrPage::printableLeft() const {
    if (!useMargins)
        return 0;
    return margins.left != 0 ? margins.left : prnInfo.ofx;
}

std::int32_t TfrPage::printableTop() const {
    if (!useMargins)
        return 0;
    return margins.top != 0 ? margins.top : prnInfo.ofy;
}

std::int32_t TfrPage::printableRight() const {
    if (!useMargins)
        return prnInfo.pgw;
    return margins.right != 0 ? clamped(std::int64_t(prnInfo.pgw) - margins.right)
                              : clamped(std::int64_t(prnInfo.ofx) + prnInfo.pw);
}

std::int32_t TfrPage::printableBottom(std::int32_t footerHeight) const {
    std::int64_t b;
    if (!useMargins)
        b = prnInfo.pgh;
    else
        b = margins.bottom != 0 ? std::int64_t(prnInfo.pgh) - margins.bottom : std::int64_t(prnInfo.ofy) + prnInfo.ph;
    return clamped(b - footerHeight);
}

std::int32_t TfrPage::columnWidth() const {
    const std::int64_t cols = columns > 1 ? columns : 1;
    return clamped((std::int64_t(printableRight()) - printableLeft() - (cols - 1) * columnGap) / cols);
}

TfrView* TfrPage::add(std::unique_ptr<TfrView> view) {
    view->m_page = this;
    m_objects.push_back(std::move(view));
    return m_objects.back().get();
}

TfrView* TfrPage::insert(int index, std::unique_ptr<TfrView> view) {
    view->m_page = this;
    index = std::clamp(index, 0, count());
    auto it = m_objects.insert(m_objects.begin() + index, std::move(view));
    return it->get();
}

std::unique_ptr<TfrView> TfrPage::take(int index) {
    std::unique_ptr<TfrView> v = std::move(m_objects.at(static_cast<std::size_t>(index)));
    m_objects.erase(m_objects.begin() + index);
    v->m_page = nullptr;
    return v;
}

int TfrPage::indexOf(const TfrView* view) const {
    for (int i = 0; i < count(); ++i)
        if (m_objects[static_cast<std::size_t>(i)].get() == view)
            return i;
    return -1;
}

TfrView* TfrPage::findObject(const QString& name) const {
    for (const auto& v : m_objects)
        if (v->name().compare(name, Qt::CaseInsensitive) == 0)
            return v.get();
    return nullptr;
}

void TfrPage::deleteObject(int index) {
    if (index >= 0 && index < count())
        m_objects.erase(m_objects.begin() + index);
}

void TfrPage::clear() { m_objects.clear(); }

int TfrPage::findObjectById(std::int32_t id) const {
    for (int i = 0; i < count(); ++i)
        if (m_objects[static_cast<std::size_t>(i)]->objectId == id)
            return i;
    return -1;
}

const TfrPropTable& TfrPage::classProperties() {
    using P = TfrPage;
    static const TfrPropTable table = [] {
        TfrPropTable t;
        auto script = [](const P& o) { return TVariant(frListText(o.script)); };
        auto setScript = [](P& o, const TVariant& v) { o.script = textfile::splitLines(v.toString()); };
        t.add<P>(QStringLiteral("Name"), frdtString | frdtOneObject, [](const P& o) { return TVariant(o.name); },
                 [](P& o, const TVariant& v) { o.name = v.toString(); });
        t.add<P>(
            QStringLiteral("Type"), frdtEnum, [](const P& o) { return intValue(o.pageType); },
            [](P& o, const TVariant& v) { o.pageType = static_cast<std::uint8_t>(o.properties().find(u"Type")->enumValue(v)); },
            QStringLiteral("ptReport;ptDialog"));
        t.add<P>(QStringLiteral("Visible"), frdtBoolean, [](const P& o) { return TVariant(o.visible); },
                 [](P& o, const TVariant& v) { o.visible = v.toBool(); });
        t.add<P>(
            QStringLiteral("BorderStyle"), frdtEnum, [](const P& o) { return intValue(o.borderStyle); },
            [](P& o, const TVariant& v) {
                o.borderStyle = static_cast<std::uint8_t>(o.properties().find(u"BorderStyle")->enumValue(v));
            },
            QStringLiteral("bsDialog;bsSizeable"), {bsDialog, bsSizeable});
        t.add<P>(QStringLiteral("Caption"), frdtString, [](const P& o) { return TVariant(o.caption); },
                 [](P& o, const TVariant& v) { o.caption = v.toString(); });
        t.add<P>(QStringLiteral("Color"), frdtColor, [](const P& o) { return intValue(static_cast<std::int32_t>(o.color)); },
                 [](P& o, const TVariant& v) { o.color = frColorOf(v); });
        t.add<P>(QStringLiteral("Left"), frdtInteger, [](const P& o) { return intValue(o.formLeft); },
                 [](P& o, const TVariant& v) { o.formLeft = v.toInt(); });
        t.add<P>(QStringLiteral("Top"), frdtInteger, [](const P& o) { return intValue(o.formTop); },
                 [](P& o, const TVariant& v) { o.formTop = v.toInt(); });
        // A dialog form's bounds; a report page's paper in pixels.
        t.add<P>(
            QStringLiteral("Width"), frdtInteger,
            [](const P& o) { return intValue(o.pageType == ptDialog ? o.formWidth : o.paperWidthPixels()); },
            [](P& o, const TVariant& v) {
                if (o.pageType == ptDialog)
                    o.formWidth = v.toInt();
                else
                    o.pWidth = frunits::pixelsToTenths(v.toInt());
            });
        t.add<P>(
            QStringLiteral("Height"), frdtInteger,
            [](const P& o) { return intValue(o.pageType == ptDialog ? o.formHeight : o.paperHeightPixels()); },
            [](P& o, const TVariant& v) {
                if (o.pageType == ptDialog)
                    o.formHeight = v.toInt();
                else
                    o.pHeight = frunits::pixelsToTenths(v.toInt());
            });
        t.add<P>(
            QStringLiteral("Position"), frdtEnum, [](const P& o) { return intValue(o.position); },
            [](P& o, const TVariant& v) {
                o.position = static_cast<std::uint8_t>(o.properties().find(u"Position")->enumValue(v));
            },
            QStringLiteral("poDesigned;poScreenCenter"), {poDesigned, poScreenCenter});
        t.add<P>(QStringLiteral("OnActivate"), frdtHasEditor, script, setScript);
        t.add<P>(QStringLiteral("Size"), frdtInteger, [](const P& o) { return intValue(o.pSize); },
                 [](P& o, const TVariant& v) { o.pSize = v.toInt(); });
        // While a report is built the margins read as the printable edges the build uses.
        auto margin = [&t](const QString& name, std::int32_t TfrMargins::*side) {
            t.add(TfrPropRec{name, frdtSize | frdtInteger, {}, {}, true,
                             [side](const TfrObject& o) {
                                 const P& page = static_cast<const P&>(o);
                                 const TfrMargins* edges = page.buildEdges();
                                 return intValue((edges ? *edges : page.margins).*side);
                             },
                             [side](TfrObject& o, const TVariant& v) { static_cast<P&>(o).margins.*side = v.toInt(); },
                             {}});
        };
        margin(QStringLiteral("LeftMargin"), &TfrMargins::left);
        margin(QStringLiteral("TopMargin"), &TfrMargins::top);
        margin(QStringLiteral("RightMargin"), &TfrMargins::right);
        margin(QStringLiteral("BottomMargin"), &TfrMargins::bottom);
        t.add<P>(
            QStringLiteral("Orientation"), frdtEnum, [](const P& o) { return intValue(o.orientation); },
            [](P& o, const TVariant& v) {
                o.orientation = static_cast<std::uint8_t>(o.properties().find(u"Orientation")->enumValue(v));
            },
            QStringLiteral("poPortrait;poLandscape"));
        t.add<P>(QStringLiteral("PrintToPrevPage"), frdtBoolean, [](const P& o) { return TVariant(o.printToPrevPage); },
                 [](P& o, const TVariant& v) { o.printToPrevPage = v.toBool(); });
        t.add<P>(QStringLiteral("StretchToPrintable"), frdtBoolean,
                 [](const P& o) { return TVariant(o.stretchToPrintable()); },
                 [](P& o, const TVariant& v) { o.setStretchToPrintable(v.toBool()); });
        t.add<P>(QStringLiteral("Columns"), frdtInteger, [](const P& o) { return intValue(o.columns); },
                 [](P& o, const TVariant& v) { o.columns = v.toInt(); });
        t.add<P>(QStringLiteral("ColumnWidth"), frdtSize | frdtInteger,
                 [](const P& o) { return intValue(o.columnWidth()); }); // computed
        t.add<P>(QStringLiteral("ColumnGap"), frdtSize | frdtInteger, [](const P& o) { return intValue(o.columnGap); },
                 [](P& o, const TVariant& v) { o.columnGap = v.toInt(); });
        t.add<P>(QStringLiteral("OnBeforePrint"), frdtHasEditor, script, setScript);
        return t;
    }();
    return table;
}

// ---------------------------------------------------------------- TfrPages

int TfrPages::add() {
    TfrPrinter& prn = m_report.engine().printer();
    m_pages.push_back(std::make_unique<TfrPage>(m_report, prn.defaultPaper(), 0, 0, -1, poPortrait));
    return count() - 1;
}

void TfrPages::remove(int index) {
    if (index >= 0 && index < count())
        m_pages.erase(m_pages.begin() + index);
}

void TfrPages::move(int from, int to) {
    if (from < 0 || from >= count() || to < 0 || to >= count() || from == to)
        return;
    auto page = std::move(m_pages[static_cast<std::size_t>(from)]);
    m_pages.erase(m_pages.begin() + from);
    m_pages.insert(m_pages.begin() + to, std::move(page));
}

void TfrPages::clear() { m_pages.clear(); }

int TfrPages::indexOf(const TfrPage* page) const {
    for (int i = 0; i < count(); ++i)
        if (m_pages[static_cast<std::size_t>(i)].get() == page)
            return i;
    return -1;
}
