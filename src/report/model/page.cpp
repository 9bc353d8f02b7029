#include "report/model/page.h"

#include "common/textfile.h"
#include "report/model/engine.h"
#include "report/model/report.h"

#include <algorithm>

namespace {
bool is(const QString& upper, const char16_t* name) { return upper == QStringView(name); }
TVariant intValue(std::int64_t v) { return TVariant(static_cast<std::int32_t>(v)); }
} // namespace

// ---------------------------------------------------------------- TfrPage

TfrPage::TfrPage(TfrReport* report, std::int32_t size, std::int32_t width, std::int32_t height, std::int32_t bin,
                 std::int32_t orientation)
    : m_report(report) {
    changePaper(size, width, height, bin, orientation);
}

TfrPage::~TfrPage() = default;

bool TfrPage::building() const {
    return m_report && TfrEngine::current().buildingReport == m_report;
}

void TfrPage::changePaper(std::int32_t size, std::int32_t width, std::int32_t height, std::int32_t requestedBin,
                          std::int32_t orient) {
    TfrPrinter& prn = TfrEngine::current().printer();
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
    return margins.right != 0 ? prnInfo.pgw - margins.right : prnInfo.ofx + prnInfo.pw;
}

std::int32_t TfrPage::printableBottom(std::int32_t footerHeight) const {
    std::int32_t b;
    if (!useMargins)
        b = prnInfo.pgh;
    else
        b = margins.bottom != 0 ? prnInfo.pgh - margins.bottom : prnInfo.ofy + prnInfo.ph;
    return b - footerHeight;
}

std::int32_t TfrPage::columnWidth() const {
    const std::int32_t cols = columns > 1 ? columns : 1;
    return (printableRight() - printableLeft() - (cols - 1) * columnGap) / cols;
}

TfrView* TfrPage::add(std::unique_ptr<TfrView> view) {
    view->parentPage = this;
    m_objects.push_back(std::move(view));
    return m_objects.back().get();
}

TfrView* TfrPage::insert(int index, std::unique_ptr<TfrView> view) {
    view->parentPage = this;
    index = std::clamp(index, 0, count());
    auto it = m_objects.insert(m_objects.begin() + index, std::move(view));
    return it->get();
}

std::unique_ptr<TfrView> TfrPage::take(int index) {
    std::unique_ptr<TfrView> v = std::move(m_objects.at(static_cast<std::size_t>(index)));
    m_objects.erase(m_objects.begin() + index);
    v->parentPage = nullptr;
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

void TfrPage::clear() {
    bands.fill(nullptr);
    m_objects.clear();
}

int TfrPage::findObjectById(std::int32_t id) const {
    for (int i = 0; i < count(); ++i)
        if (m_objects[static_cast<std::size_t>(i)]->objectId == id)
            return i;
    return -1;
}

void TfrPage::defineProperties() {
    TfrObject::defineProperties();
    addProperty(QStringLiteral("Name"), frdtString | frdtOneObject);
    addProperty(QStringLiteral("Type"), frdtEnum, QStringLiteral("ptReport;ptDialog"));
    addProperty(QStringLiteral("Visible"), frdtBoolean);
    addProperty(QStringLiteral("BorderStyle"), frdtEnum, QStringLiteral("bsDialog;bsSizeable"), {bsDialog, bsSizeable});
    addProperty(QStringLiteral("Caption"), frdtString);
    addProperty(QStringLiteral("Color"), frdtColor);
    addProperty(QStringLiteral("Left"), frdtInteger);
    addProperty(QStringLiteral("Top"), frdtInteger);
    addProperty(QStringLiteral("Width"), frdtInteger);
    addProperty(QStringLiteral("Height"), frdtInteger);
    addProperty(QStringLiteral("Position"), frdtEnum, QStringLiteral("poDesigned;poScreenCenter"), {poDesigned, poScreenCenter});
    addProperty(QStringLiteral("OnActivate"), frdtHasEditor);
    addProperty(QStringLiteral("Size"), frdtInteger);
    addProperty(QStringLiteral("LeftMargin"), frdtSize | frdtInteger);
    addProperty(QStringLiteral("TopMargin"), frdtSize | frdtInteger);
    addProperty(QStringLiteral("RightMargin"), frdtSize | frdtInteger);
    addProperty(QStringLiteral("BottomMargin"), frdtSize | frdtInteger);
    addProperty(QStringLiteral("Orientation"), frdtEnum, QStringLiteral("poPortrait;poLandscape"));
    addProperty(QStringLiteral("PrintToPrevPage"), frdtBoolean);
    addProperty(QStringLiteral("StretchToPrintable"), frdtBoolean);
    addProperty(QStringLiteral("Columns"), frdtInteger);
    addProperty(QStringLiteral("ColumnWidth"), frdtSize | frdtInteger);
    addProperty(QStringLiteral("ColumnGap"), frdtSize | frdtInteger);
    addProperty(QStringLiteral("OnBeforePrint"), frdtHasEditor);
}


bool TfrPage::setPropValue(const QString& name, const TVariant& v) {
    const QString n = name.toUpper();
    const bool dialog = pageType == ptDialog;
    if (is(n, u"NAME"))
        this->name = v.toString();
    else if (is(n, u"TYPE"))
        pageType = static_cast<std::uint8_t>(enumValue(name, v));
    else if (is(n, u"VISIBLE"))
        visible = v.toBool();
    else if (is(n, u"BORDERSTYLE"))
        borderStyle = static_cast<std::uint8_t>(enumValue(name, v));
    else if (is(n, u"CAPTION"))
        caption = v.toString();
    else if (is(n, u"COLOR"))
        color = static_cast<TfrColor>(v.toInt());
    else if (is(n, u"LEFT"))
        formLeft = v.toInt();
    else if (is(n, u"TOP"))
        formTop = v.toInt();
    else if (is(n, u"WIDTH")) {
        if (dialog)
            formWidth = v.toInt();
        else
            pWidth = frunits::pixelsToTenths(v.toInt());
    } else if (is(n, u"HEIGHT")) {
        if (dialog)
            formHeight = v.toInt();
        else
            pHeight = frunits::pixelsToTenths(v.toInt());
    } else if (is(n, u"POSITION"))
        position = static_cast<std::uint8_t>(enumValue(name, v));
    else if (is(n, u"ONACTIVATE") || is(n, u"ONBEFOREPRINT"))
        script = textfile::splitLines(v.toString());
    else if (is(n, u"SIZE"))
        pSize = v.toInt();
    else if (is(n, u"LEFTMARGIN"))
        margins.left = v.toInt();
    else if (is(n, u"TOPMARGIN"))
        margins.top = v.toInt();
    else if (is(n, u"RIGHTMARGIN"))
        margins.right = v.toInt();
    else if (is(n, u"BOTTOMMARGIN"))
        margins.bottom = v.toInt();
    else if (is(n, u"ORIENTATION"))
        orientation = static_cast<std::uint8_t>(enumValue(name, v));
    else if (is(n, u"PRINTTOPREVPAGE"))
        printToPrevPage = v.toBool();
    else if (is(n, u"STRETCHTOPRINTABLE"))
        setStretchToPrintable(v.toBool());
    else if (is(n, u"COLUMNS"))
        columns = v.toInt();
    else if (is(n, u"COLUMNWIDTH"))
        ; // computed
    else if (is(n, u"COLUMNGAP"))
        columnGap = v.toInt();
    else
        return TfrObject::setPropValue(name, v);
    return true;
}

std::optional<TVariant> TfrPage::getPropValue(const QString& name) {
    const QString n = name.toUpper();
    const bool dialog = pageType == ptDialog;
    if (is(n, u"NAME"))
        return TVariant(this->name);
    if (is(n, u"TYPE"))
        return intValue(pageType);
    if (is(n, u"VISIBLE"))
        return TVariant(visible);
    if (is(n, u"BORDERSTYLE"))
        return intValue(borderStyle);
    if (is(n, u"CAPTION"))
        return TVariant(caption);
    if (is(n, u"COLOR"))
        return intValue(static_cast<std::int32_t>(color));
    if (is(n, u"LEFT"))
        return intValue(formLeft);
    if (is(n, u"TOP"))
        return intValue(formTop);
    if (is(n, u"WIDTH"))
        return intValue(dialog ? formWidth : paperWidthPixels());
    if (is(n, u"HEIGHT"))
        return intValue(dialog ? formHeight : paperHeightPixels());
    if (is(n, u"POSITION"))
        return intValue(position);
    if (is(n, u"ONACTIVATE") || is(n, u"ONBEFOREPRINT"))
        return TVariant(frListText(script));
    if (is(n, u"SIZE"))
        return intValue(pSize);
    if (is(n, u"LEFTMARGIN"))
        return intValue(building() ? printableLeft() : margins.left);
    if (is(n, u"TOPMARGIN"))
        return intValue(building() ? printableTop() : margins.top);
    if (is(n, u"RIGHTMARGIN"))
        return intValue(building() ? printableRight() : margins.right);
    if (is(n, u"BOTTOMMARGIN"))
        return intValue(building() ? printableBottom() : margins.bottom);
    if (is(n, u"ORIENTATION"))
        return intValue(orientation);
    if (is(n, u"PRINTTOPREVPAGE"))
        return TVariant(printToPrevPage);
    if (is(n, u"STRETCHTOPRINTABLE"))
        return TVariant(stretchToPrintable());
    if (is(n, u"COLUMNS"))
        return intValue(columns);
    if (is(n, u"COLUMNWIDTH"))
        return intValue(columnWidth());
    if (is(n, u"COLUMNGAP"))
        return intValue(columnGap);
    return TfrObject::getPropValue(name);
}

// ---------------------------------------------------------------- TfrPages

int TfrPages::add() {
    TfrPrinter& prn = TfrEngine::current().printer();
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
