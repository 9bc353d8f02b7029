#include "report/model/objects.h"

#include "common/exception.h"
#include "common/rounding.h"
#include "common/textfile.h"
#include "report/model/dataset.h"
#include "report/model/buildstate.h"
#include "report/model/engine.h"
#include "report/model/jpeg.h"
#include "report/model/page.h"
#include "report/model/report.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QFileInfo>
#include <QSet>

#include <algorithm>
#include <cmath>

namespace {



TVariant colorValue(TfrColor c) { return TVariant(static_cast<std::int32_t>(c)); }
TVariant intValue(std::int64_t v) { return TVariant(static_cast<std::int32_t>(v)); }
TVariant textValue(const QString& s) { return TVariant(s); }
TVariant boolValue(bool b) { return TVariant(b); }

[[noreturn]] void listIndexError(int index) {
    throw Exception(QStringLiteral("List index out of bounds (%1)").arg(index));
}

bool is(const QString& upper, const char16_t* name) { return upper == QStringView(name); }

// The dataset a band walks in the build under way, if any.
TfrDataset* bandDataset(const TfrBandView& band) {
    const TfrReport* report = band.report();
    const TfrBuildState* state = report ? report->buildState() : nullptr;
    return state ? state->datasetOf(band) : nullptr;
}

} // namespace

TfrColor frColorOf(const TVariant& v) {
    if (v.kind() == TVariant::Kind::Double || v.kind() == TVariant::Kind::DateTime)
        return static_cast<TfrColor>(static_cast<std::int64_t>(std::llround(v.toDouble())));
    return static_cast<TfrColor>(v.toInt());
}

QFont TfrFont::toQFont() const {
    QFont f(name);
    f.setPointSize(size > 0 ? size : 1);
    f.setItalic(style & fsItalic);
    f.setBold(style & fsBold);
    f.setUnderline(style & fsUnderline);
    f.setStrikeOut(style & fsStrikeOut);
    return f;
}

// ---------------------------------------------------------------- TfrObject

TfrObject::~TfrObject() = default;

const TfrPropTable& TfrObject::properties() const {
    static const TfrPropTable table;
    return table;
}

const TfrPropRec* TfrObject::findProperty(QStringView name) const {
    const TfrPropRec* p = properties().find(name);
    if (!p || (p->offered && !p->offered(*this)))
        return nullptr;
    return p;
}

bool TfrObject::setPropValue(const QString& name, const TVariant& value) {
    const TfrPropRec* p = findProperty(name);
    if (!p)
        return false;
    if (p->set)
        p->set(*this, value);
    return true;
}

std::optional<TVariant> TfrObject::getPropValue(const QString& name) const {
    const TfrPropRec* p = findProperty(name);
    if (!p)
        return std::nullopt;
    return p->get(*this);
}

std::optional<TVariant> TfrObject::doMethod(const QString&, const std::vector<TVariant>&) { return std::nullopt; }

std::vector<const TfrPropRec*> TfrObject::propList() const {
    std::vector<const TfrPropRec*> out;
    for (const TfrPropRec& p : properties().entries())
        if (p.listed && (!p.offered || p.offered(*this)))
            out.push_back(&p);
    return out;
}

std::int32_t TfrPropRec::enumValue(const TVariant& value) const {
    if (value.isString())
        for (int i = 0; i < enumNames.size(); ++i)
            if (enumNames[i].compare(value.toString(), Qt::CaseInsensitive) == 0)
                return enumValues[static_cast<std::size_t>(i)];
    return value.toInt();
}

// ---------------------------------------------------------------- TfrPropTable

std::size_t TfrPropTable::Hash::operator()(QStringView s) const noexcept {
    std::size_t h = 14695981039346656037ull;
    for (QChar c : s) {
        h ^= c.toCaseFolded().unicode();
        h *= 1099511628211ull;
    }
    return h;
}

TfrPropTable::TfrPropTable(const TfrPropTable* base) {
    if (base) {
        m_entries = base->m_entries;
        m_index = base->m_index;
    }
}

void TfrPropTable::setEnum(TfrPropRec& rec, const QString& enumText, std::vector<std::int32_t> values) {
    if (enumText.isEmpty())
        return;
    rec.enumNames = enumText.split(u';');
    if (values.empty())
        for (int i = 0; i < rec.enumNames.size(); ++i)
            values.push_back(i);
    rec.enumValues = std::move(values);
}

TfrPropRec* TfrPropTable::findMutable(QStringView name) {
    const auto it = m_index.find(name);
    return it == m_index.end() ? nullptr : &m_entries[it->second];
}

const TfrPropRec* TfrPropTable::find(QStringView name) const {
    const auto it = m_index.find(name);
    return it == m_index.end() ? nullptr : &m_entries[it->second];
}

TfrPropTable& TfrPropTable::add(TfrPropRec rec) {
    if (TfrPropRec* existing = findMutable(rec.name)) {
        *existing = std::move(rec);
        return *this;
    }
    m_index.emplace(rec.name, m_entries.size());
    m_entries.push_back(std::move(rec));
    return *this;
}

TfrPropTable& TfrPropTable::hide(const QString& name) {
    if (TfrPropRec* p = findMutable(name))
        p->listed = false;
    return *this;
}

TfrPropTable& TfrPropTable::hideAll() {
    for (TfrPropRec& p : m_entries)
        p.listed = false;
    return *this;
}

// ---------------------------------------------------------------- TfrView

TfrView::TfrView() = default;
TfrView::~TfrView() = default;

TfrReport* TfrView::report() const { return m_page ? m_page->report() : nullptr; }

void TfrView::setDataField(const QString& field) {
    if (memo.isEmpty())
        memo << field;
    else
        memo[0] = field;
}

void TfrView::setBounds(std::int32_t l, std::int32_t t, std::int32_t w, std::int32_t h) {
    left = l;
    top = t;
    width = w;
    height = h;
}

void TfrView::createUniqueName(TfrReport* rep) {
    setName(QString());
    if (!rep)
        rep = report();
    QSet<QString> taken;
    if (rep) {
        for (TfrView* v : rep->allObjects())
            taken.insert(v->name().toUpper());
    } else if (m_page) {
        for (const auto& v : m_page->objects())
            taken.insert(v->name().toUpper());
    }
    for (int n = 1; n <= 10000; ++n) {
        const QString candidate = baseName() + QString::number(n);
        if (!taken.contains(candidate.toUpper())) {
            setName(candidate);
            return;
        }
    }
}

void TfrView::assign(const TfrView& s) {
    objectType = s.objectType;
    objectVersionMajor = s.objectVersionMajor;
    objectVersionMinor = s.objectVersionMinor;
    left = s.left;
    top = s.top;
    width = s.width;
    height = s.height;
    flags = s.flags;
    frameTyp = s.frameTyp;
    frameWidth = s.frameWidth;
    frameColor = s.frameColor;
    frameStyle = s.frameStyle;
    fillColor = s.fillColor;
    format = s.format;
    formatStr = s.formatStr;
    visible = s.visible;
    gapX = s.gapX;
    gapY = s.gapY;
    restrictions = s.restrictions;
    tag = s.tag;
    memo = s.memo;
    script = s.script;
    bandAlign = s.bandAlign;
}

const TfrPropTable& TfrView::classProperties() {
    using V = TfrView;
    static const TfrPropTable table = [] {
        TfrPropTable t;
        t.add<V>(QStringLiteral("Name"), frdtString | frdtOneObject, [](const V& o) { return textValue(o.name()); },
                 [](V& o, const TVariant& v) { o.setName(v.toString()); });
        t.add<V>(QStringLiteral("Left"), frdtSize | frdtInteger, [](const V& o) { return intValue(o.left); },
                 [](V& o, const TVariant& v) { o.left = v.toInt(); });
        t.add<V>(QStringLiteral("Top"), frdtSize | frdtInteger, [](const V& o) { return intValue(o.top); },
                 [](V& o, const TVariant& v) { o.top = v.toInt(); });
        t.add<V>(QStringLiteral("Width"), frdtSize | frdtInteger, [](const V& o) { return intValue(o.width); },
                 [](V& o, const TVariant& v) { o.width = v.toInt(); });
        t.add<V>(QStringLiteral("Height"), frdtSize | frdtInteger, [](const V& o) { return intValue(o.height); },
                 [](V& o, const TVariant& v) { o.height = v.toInt(); });
        t.add<V>(QStringLiteral("Flags"), frdtInteger, [](const V& o) { return intValue(o.flags); },
                 [](V& o, const TVariant& v) { o.flags = static_cast<std::uint16_t>(v.toInt()); });
        t.add<V>(QStringLiteral("FrameTyp"), frdtInteger, [](const V& o) { return intValue(o.frameTyp); },
                 [](V& o, const TVariant& v) { o.frameTyp = static_cast<std::uint16_t>(v.toInt()); });
        t.add<V>(QStringLiteral("FrameWidth"), frdtFloat, [](const V& o) { return TVariant(double(o.frameWidth)); },
                 [](V& o, const TVariant& v) { o.frameWidth = static_cast<float>(v.toDouble()); });
        t.add<V>(QStringLiteral("FrameColor"), frdtColor, [](const V& o) { return colorValue(o.frameColor); },
                 [](V& o, const TVariant& v) { o.frameColor = frColorOf(v); });
        t.add<V>(
            QStringLiteral("FrameStyle"), frdtEnum, [](const V& o) { return intValue(o.frameStyle); },
            [](V& o, const TVariant& v) {
                o.frameStyle = static_cast<std::uint16_t>(o.properties().find(u"FrameStyle")->enumValue(v));
            },
            QStringLiteral("psSolid;psDash;psDot;psDashDot;psDashDotDot;psDouble"));
        t.add<V>(QStringLiteral("FillColor"), frdtColor, [](const V& o) { return colorValue(o.fillColor); },
                 [](V& o, const TVariant& v) { o.fillColor = frColorOf(v); });
        t.add<V>(QStringLiteral("Tag"), frdtString | frdtHasEditor, [](const V& o) { return textValue(o.tag); },
                 [](V& o, const TVariant& v) { o.tag = v.toString(); });
        t.add<V>(
            QStringLiteral("BandAlign"), frdtEnum, [](const V& o) { return intValue(o.bandAlign); },
            [](V& o, const TVariant& v) {
                o.bandAlign = static_cast<std::uint8_t>(o.properties().find(u"BandAlign")->enumValue(v));
            },
            QStringLiteral("baNone;baLeft;baRight;baCenter;baWidth;baBottom;baTop;baRest"));
        t.add<V>(QStringLiteral("Visible"), frdtBoolean, [](const V& o) { return boolValue(o.visible); },
                 [](V& o, const TVariant& v) { o.visible = v.toBool(); });
        t.add<V>(QStringLiteral("Memo"), frdtOneObject | frdtHasEditor,
                 [](const V& o) { return textValue(frListText(o.memo)); },
                 [](V& o, const TVariant& v) { o.memo = textfile::splitLines(v.toString()); });
        t.add<V>(QStringLiteral("Memo.Count"), frdtInteger, [](const V& o) { return intValue(o.memo.size()); });
        t.add<V>(QStringLiteral("Restrictions"), frdtHasEditor,
                 [](const V& o) { return intValue(o.restrictions & 0xFF); },
                 [](V& o, const TVariant& v) {
                     o.restrictions = static_cast<std::uint16_t>((o.restrictions & 0xFF00) | (v.toInt() & 0xFF));
                 });
        // Reached by scripts, not listed.
        t.add<V>(QStringLiteral("GapX"), frdtInteger, [](const V& o) { return intValue(o.gapX); },
                 [](V& o, const TVariant& v) { o.gapX = v.toInt(); });
        t.add<V>(QStringLiteral("GapY"), frdtInteger, [](const V& o) { return intValue(o.gapY); },
                 [](V& o, const TVariant& v) { o.gapY = v.toInt(); });
        t.add<V>(QStringLiteral("Stretched"), frdtBoolean, [](const V& o) { return boolValue(o.stretched()); },
                 [](V& o, const TVariant& v) { o.setFlag(frflags::Stretched, v.toBool()); });
        t.add<V>(QStringLiteral("DataField"), frdtString, [](const V& o) { return textValue(o.dataField()); },
                 [](V& o, const TVariant& v) { o.setDataField(v.toString()); });
        t.hide(QStringLiteral("GapX")).hide(QStringLiteral("GapY")).hide(QStringLiteral("Stretched"));
        t.hide(QStringLiteral("DataField"));
        return t;
    }();
    return table;
}

std::optional<TVariant> frStringListMethod(QStringList& list, const QString& op, const std::vector<TVariant>& args) {
    auto arg = [&](std::size_t i) { return i < args.size() ? args[i] : TVariant(); };
    if (is(op, u"ADD")) {
        list << arg(0).toString();
        return intValue(list.size() - 1);
    }
    if (is(op, u"CLEAR")) {
        list.clear();
        return TVariant();
    }
    if (is(op, u"DELETE")) {
        const int i = arg(0).toInt();
        if (i < 0 || i >= list.size())
            listIndexError(i);
        list.removeAt(i);
        return TVariant();
    }
    if (is(op, u"INDEXOF")) {
        const QString s = arg(0).toString();
        for (int i = 0; i < list.size(); ++i)
            if (list[i].compare(s, Qt::CaseInsensitive) == 0)
                return intValue(i);
        return intValue(-1);
    }
    return std::nullopt;
}

std::optional<TVariant> TfrView::memoListMethod(const QString& op, const std::vector<TVariant>& args) {
    return frStringListMethod(memo, op, args);
}

std::optional<TVariant> TfrView::doMethod(const QString& name, const std::vector<TVariant>& args) {
    const QString n = name.toUpper();
    if (is(n, u"HIDE")) {
        visible = false;
        return TVariant();
    }
    if (is(n, u"SHOW")) {
        visible = true;
        return TVariant();
    }
    if (n.startsWith(QStringLiteral("MEMO.")))
        return memoListMethod(n.mid(5), args);
    if (is(n, u"SETINDEXPROPERTY") || is(n, u"GETINDEXPROPERTY")) {
        // (property, value, index) / (property, index) on the memo lines.
        const QString prop = args.empty() ? QString() : args[0].toString().toUpper();
        if (prop != u"MEMO" && !(prop == u"LINES" && frCast<TfrMemoView>(this)))
            return std::nullopt;
        if (is(n, u"SETINDEXPROPERTY")) {
            const int i = args.size() > 2 ? args[2].toInt() : 0;
            if (i < 0 || i >= memo.size())
                listIndexError(i);
            memo[i] = args.size() > 1 ? args[1].toString() : QString();
            return TVariant();
        }
        const int i = args.size() > 1 ? args[1].toInt() : 0;
        if (i < 0 || i >= memo.size())
            listIndexError(i);
        return TVariant(memo[i]);
    }
    return TfrObject::doMethod(name, args);
}

// ---------------------------------------------------------------- TfrStretcheable

std::optional<TVariant> TfrStretcheable::doMethod(const QString& name, const std::vector<TVariant>& args) {
    if (name.compare(QStringLiteral("CALCHEIGHT"), Qt::CaseInsensitive) == 0) {
        const TfrReport* rep = report();
        const TfrBuildState* state = rep ? rep->buildState() : nullptr;
        if (state && state->calcHeight)
            return intValue(state->calcHeight(*this));
        return intValue(height);
    }
    return TfrView::doMethod(name, args);
}

// ---------------------------------------------------------------- TfrMemoView

TfrMemoView::TfrMemoView() {
    objectType = gtMemo;
    flags = frflags::Stretched | frflags::WordWrap;
}

void TfrMemoView::assign(const TfrView& source) {
    TfrView::assign(source);
    if (const auto* s = frCast<TfrMemoView>(&source)) {
        font = s->font;
        alignment = s->alignment;
        highlight = s->highlight;
        highlightStr = s->highlightStr;
        lineSpacing = s->lineSpacing;
        charSpacing = s->charSpacing;
    }
}

void TfrMemoView::getBlob(TfrTableSource& table, int fieldIndex) {
    if (table.fieldIsNull(fieldIndex)) {
        memo.clear();
        return;
    }
    QString text = table.fieldValue(fieldIndex).toString();
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    memo = text.split(u'\n');
}

namespace {

// Properties that are one bit of Flags.
template <class T>
TfrPropRec flagProp(const QString& name, std::uint16_t bit) {
    TfrPropRec rec;
    rec.name = name;
    rec.kind = frdtBoolean;
    rec.get = [bit](const TfrObject& o) { return boolValue(static_cast<const T&>(o).flag(bit)); };
    rec.set = [bit](TfrObject& o, const TVariant& v) { static_cast<T&>(o).setFlag(bit, v.toBool()); };
    return rec;
}

template <class T>
void addFlag(TfrPropTable& t, const QString& name, std::uint16_t bit) {
    t.add(flagProp<T>(name, bit));
}

} // namespace

const TfrPropTable& TfrMemoView::classProperties() {
    using M = TfrMemoView;
    static const TfrPropTable table = [] {
        TfrPropTable t(&TfrView::classProperties());
        auto fontName = [](const M& o) { return textValue(o.font.name); };
        auto setFontName = [](M& o, const TVariant& v) { o.font.name = v.toString(); };
        t.add<M>(QStringLiteral("Font.Name"), frdtString, fontName, setFontName);
        t.add<M>(QStringLiteral("Font.Size"), frdtInteger, [](const M& o) { return intValue(o.font.size); },
                 [](M& o, const TVariant& v) { o.font.size = v.toInt(); });
        t.add<M>(QStringLiteral("Font.Style"), frdtInteger, [](const M& o) { return intValue(o.font.style); },
                 [](M& o, const TVariant& v) { o.font.style = static_cast<std::uint16_t>(v.toInt()); });
        t.add<M>(QStringLiteral("Font.Color"), frdtColor, [](const M& o) { return colorValue(o.font.color); },
                 [](M& o, const TVariant& v) { o.font.color = frColorOf(v); });
        t.add<M>(QStringLiteral("Font"), frdtHasEditor, fontName, setFontName);
        t.add<M>(QStringLiteral("Alignment"), frdtInteger,
                 [](const M& o) { return intValue(static_cast<std::int32_t>(o.alignment)); },
                 [](M& o, const TVariant& v) { o.alignment = static_cast<std::uint32_t>(v.toInt()); });
        t.add<M>(QStringLiteral("DisplayFormat"), frdtHasEditor,
                 [](const M& o) { return intValue(static_cast<std::int32_t>(o.format)); },
                 [](M& o, const TVariant& v) { o.format = static_cast<std::uint32_t>(v.toInt()); });
        t.add<M>(QStringLiteral("Highlight"), frdtHasEditor, [](const M& o) { return textValue(o.highlightStr); },
                 [](M& o, const TVariant& v) { o.highlightStr = v.toString(); });
        t.add<M>(QStringLiteral("LineSpacing"), frdtInteger, [](const M& o) { return intValue(o.lineSpacing); },
                 [](M& o, const TVariant& v) { o.lineSpacing = v.toInt(); });
        t.add<M>(QStringLiteral("CharSpacing"), frdtInteger, [](const M& o) { return intValue(o.charSpacing); },
                 [](M& o, const TVariant& v) { o.charSpacing = v.toInt(); });
        // Listed for memos, script-only for other objects.
        for (const char16_t* name : {u"GapX", u"GapY", u"Stretched"}) {
            TfrPropRec rec = *t.find(name);
            rec.listed = true;
            t.add(std::move(rec));
        }
        addFlag<M>(t, QStringLiteral("WordWrap"), frflags::WordWrap);
        addFlag<M>(t, QStringLiteral("WordBreak"), frflags::WordBreak);
        addFlag<M>(t, QStringLiteral("AutoWidth"), frflags::AutoWidth);
        addFlag<M>(t, QStringLiteral("TextOnly"), frflags::TextOnly);
        addFlag<M>(t, QStringLiteral("Suppress"), frflags::Suppress);
        addFlag<M>(t, QStringLiteral("HideZeros"), frflags::HideZeros);
        t.add<M>(QStringLiteral("Lines.Count"), frdtInteger, [](const M& o) { return intValue(o.memo.size()); });
        addFlag<M>(t, QStringLiteral("Underlines"), frflags::Underlines);
        addFlag<M>(t, QStringLiteral("RTLReading"), frflags::RTLReading);
        t.add<M>(QStringLiteral("Lines"), 0, [](const M& o) { return textValue(frListText(o.memo)); },
                 [](M& o, const TVariant& v) { o.memo = textfile::splitLines(v.toString()); });
        t.hide(QStringLiteral("Lines"));
        return t;
    }();
    return table;
}

std::optional<TVariant> TfrMemoView::doMethod(const QString& name, const std::vector<TVariant>& args) {
    const QString n = name.toUpper();
    if (n.startsWith(QStringLiteral("LINES.")))
        return memoListMethod(n.mid(6), args);
    return TfrStretcheable::doMethod(name, args);
}

// ---------------------------------------------------------------- TfrBandView

TfrBandView::TfrBandView() {
    objectType = gtBand;
    format = 0;
    flags = frflags::OnFirstPage | frflags::OnLastPage;
}

void TfrBandView::setBandType(int type) { frameTyp = static_cast<std::uint16_t>(type & 0x7F); }

void TfrBandView::assign(const TfrView& source) {
    TfrView::assign(source);
    if (const auto* s = frCast<TfrBandView>(&source)) {
        childBand = s->childBand;
        master = s->master;
        columns = s->columns;
        columnWidth = s->columnWidth;
        columnGap = s->columnGap;
        newColumnAfter = s->newColumnAfter;
    }
}

namespace {

// Band types as bits of a mask.
constexpr std::uint32_t types(std::initializer_list<int> list) {
    std::uint32_t mask = 0;
    for (int t : list)
        mask |= 1u << t;
    return mask;
}
constexpr std::uint32_t typeRange(int from, int to) {
    std::uint32_t mask = 0;
    for (int t = from; t <= to; ++t)
        mask |= 1u << t;
    return mask;
}
constexpr std::uint32_t kAllTypes = typeRange(0, frBandTypeCount - 1);
constexpr std::uint32_t kDataBands = types({btMasterData, btDetailData, btSubDetailData});

// The band-specific properties and the band types that offer each.
struct TBandProp {
    const char16_t* name;
    std::uint16_t kind;
    std::uint32_t offeredBy;
};
constexpr TBandProp kBandProps[] = {
    {u"ChildBand", frdtString, kAllTypes & ~types({btPageFooter})},
    {u"PrintChildIfInvisible", frdtBoolean, kAllTypes & ~types({btPageFooter})},
    {u"Stretched", frdtBoolean, typeRange(0, 2) | typeRange(4, 12) | typeRange(16, 18) | types({btChild})},
    {u"FormNewPage", frdtBoolean, types({0, 1, 5, 6, 8, 9, 11, 12, 16})},
    {u"PrintIfSubsetEmpty", frdtBoolean, types({btMasterData, btDetailData})},
    {u"Breaked", frdtBoolean, types({0, 1, 16, 17, 21}) | typeRange(4, 12)},
    {u"OnFirstPage", frdtBoolean, types({btPageHeader, btPageFooter})},
    {u"OnLastPage", frdtBoolean, types({btPageFooter})},
    {u"RepeatHeader", frdtBoolean, types({4, 7, 10, 16, 18})},
    {u"DataSource", frdtHasEditor, kDataBands | types({btCrossData})},
    {u"Columns", frdtInteger, kDataBands},
    {u"ColumnWidth", frdtSize | frdtInteger, kDataBands},
    {u"ColumnGap", frdtSize | frdtInteger, kDataBands},
    {u"NewColumnAfter", frdtInteger, kDataBands},
    {u"Condition", frdtHasEditor, types({btGroupHeader})},
    {u"Master", frdtString, types({btGroupHeader})},
};

const TBandProp* findBandProp(QStringView name) {
    for (const TBandProp& p : kBandProps)
        if (name.compare(QStringView(p.name), Qt::CaseInsensitive) == 0)
            return &p;
    return nullptr;
}

bool offeredBy(std::uint32_t mask, int bandType) { return bandType < 32 && (mask >> bandType & 1u); }

} // namespace

bool TfrBandView::offers(int t, QStringView property) {
    const TBandProp* p = findBandProp(property);
    return p && offeredBy(p->offeredBy, t);
}

const TfrPropTable& TfrBandView::classProperties() {
    using B = TfrBandView;
    static const TfrPropTable table = [] {
        // Scripts reach every property of a view; the inspector lists the few
        // that make sense for a band.
        TfrPropTable t(&TfrView::classProperties());
        t.hideAll();
        for (const char16_t* name : {u"Name", u"Left", u"Top", u"Width", u"Height", u"Visible"}) {
            TfrPropRec rec = *t.find(name);
            rec.listed = true;
            t.add(std::move(rec));
        }
        t.add<B>(QStringLiteral("OnBeforePrint"), frdtOneObject | frdtHasEditor,
                 [](const B& o) { return textValue(frListText(o.script)); },
                 [](B& o, const TVariant& v) { o.script = textfile::splitLines(v.toString()); });
        const std::pair<const char16_t*, std::uint16_t> flagBits[] = {
            {u"PrintChildIfInvisible", frflags::PrintChildIfInvisible}, {u"Stretched", frflags::Stretched},
            {u"FormNewPage", frflags::FormNewPage},   {u"PrintIfSubsetEmpty", frflags::PrintIfSubsetEmpty},
            {u"Breaked", frflags::Breaked},           {u"OnFirstPage", frflags::OnFirstPage},
            {u"OnLastPage", frflags::OnLastPage},     {u"RepeatHeader", frflags::RepeatHeader},
        };
        for (const TBandProp& p : kBandProps) {
            const QString name = QString::fromUtf16(p.name);
            TfrPropRec rec;
            rec.name = name;
            for (const auto& [flagName, bit] : flagBits)
                if (name == QStringView(flagName))
                    rec = flagProp<B>(name, bit);
            if (!rec.get) {
                if (name == u"ChildBand") {
                    rec.get = [](const TfrObject& o) { return textValue(static_cast<const B&>(o).childBand); };
                    rec.set = [](TfrObject& o, const TVariant& v) { static_cast<B&>(o).childBand = v.toString(); };
                } else if (name == u"Master") {
                    rec.get = [](const TfrObject& o) { return textValue(static_cast<const B&>(o).master); };
                    rec.set = [](TfrObject& o, const TVariant& v) { static_cast<B&>(o).master = v.toString(); };
                } else if (name == u"DataSource" || name == u"Condition") {
                    rec.get = [](const TfrObject& o) { return textValue(static_cast<const B&>(o).formatStr); };
                    rec.set = [](TfrObject& o, const TVariant& v) { static_cast<B&>(o).formatStr = v.toString(); };
                } else {
                    std::int32_t B::*field = name == u"Columns"       ? &B::columns
                                             : name == u"ColumnWidth" ? &B::columnWidth
                                             : name == u"ColumnGap"   ? &B::columnGap
                                                                      : &B::newColumnAfter;
                    rec.get = [field](const TfrObject& o) { return intValue(static_cast<const B&>(o).*field); };
                    rec.set = [field](TfrObject& o, const TVariant& v) { static_cast<B&>(o).*field = v.toInt(); };
                }
            }
            rec.kind = p.kind;
            rec.offered = [mask = p.offeredBy](const TfrObject& o) {
                return offeredBy(mask, static_cast<const B&>(o).bandType());
            };
            t.add(std::move(rec));
        }
        // No data, or nothing left to walk.
        t.add<B>(QStringLiteral("EOF"), frdtBoolean, [](const B& o) {
            const TfrDataset* ds = bandDataset(o);
            return boolValue(ds ? ds->eof() : true);
        });
        return t;
    }();
    return table;
}

std::optional<TVariant> TfrBandView::doMethod(const QString& name, const std::vector<TVariant>& args) {
    const QString n = name.toUpper();
    if (is(n, u"NEXT") || is(n, u"PRIOR") || is(n, u"FIRST")) {
        if (TfrDataset* ds = bandDataset(*this)) {
            if (is(n, u"NEXT"))
                ds->next();
            else if (is(n, u"PRIOR"))
                ds->prior();
            else
                ds->first();
        }
        return TVariant();
    }
    return TfrView::doMethod(name, args);
}

// ---------------------------------------------------------------- other built-in objects

TfrSubReportView::TfrSubReportView() {
    objectType = gtSubReport;
}

void TfrSubReportView::assign(const TfrView& source) {
    TfrView::assign(source);
    if (const auto* s = frCast<TfrSubReportView>(&source))
        subPage = s->subPage;
}

namespace {

// Decoded pictures may take at most this many pixels per byte of picture data
// (plus a floor for small files): real pictures compress far less, while a few
// hostile bytes claiming a huge image are refused before its memory is taken.
constexpr qint64 kPixelsPerByte = 1024;
constexpr qint64 kPixelFloor = 1 << 20;
constexpr qint64 kPixelCeiling = 32ll << 20;

qint64 pixelBudget(const QByteArray& bytes) {
    return std::min(kPixelCeiling, kPixelFloor + kPixelsPerByte * bytes.size());
}

QImage decodeWithQt(const QByteArray& bytes, const char* format) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    // The size in the picture's header is held to the budget before decoding
    // (the reader's own allocation limit is process-wide and stays untouched).
    const QSize size = reader.size();
    if (size.isValid() && qint64(size.width()) * size.height() > pixelBudget(bytes))
        return QImage();
    return reader.read();
}

} // namespace

void TfrPicture::setData(Kind k, const QByteArray& bytes) {
    kind = k;
    data = bytes;
    image = QImage();
    error.clear();
    switch (k) {
    case Bitmap:
        image = decodeWithQt(bytes, "BMP");
        if (image.isNull())
            error = QStringLiteral("BMP: damaged picture data");
        break;
    case Icon:
        image = decodeWithQt(bytes, "ICO");
        if (image.isNull())
            error = QStringLiteral("ICO: damaged picture data");
        break;
    case Jpeg:
        try {
            image = frjpeg::decode(bytes, pixelBudget(bytes));
        } catch (const Exception& e) {
            error = e.message();
        }
        break;
    default:
        break;
    }
    if (k == None)
        data.clear();
}

TfrPicture::Kind TfrPicture::kindOfFile(const QString& fileName) {
    const QString ext = QFileInfo(fileName).suffix().toLower();
    if (ext == u"bmp")
        return Bitmap;
    if (ext == u"jpg" || ext == u"jpeg")
        return Jpeg;
    if (ext == u"ico")
        return Icon;
    if (ext == u"wmf" || ext == u"emf")
        return Metafile;
    return None;
}

TfrPictureView::TfrPictureView() {
    objectType = gtPicture;
    flags = frflags::Stretched | frflags::PictKeepAspect;
}

void TfrPictureView::assign(const TfrView& source) {
    TfrView::assign(source);
    if (const auto* s = frCast<TfrPictureView>(&source)) {
        picture = s->picture;
        blobType = s->blobType;
    }
}

void TfrPictureView::getBlob(TfrTableSource& table, int fieldIndex) {
    static constexpr TfrPicture::Kind kinds[] = {TfrPicture::Bitmap, TfrPicture::Jpeg, TfrPicture::Icon,
                                                 TfrPicture::Metafile};
    const TfrPicture::Kind kind = blobType < 4 ? kinds[blobType] : TfrPicture::Bitmap;
    if (table.fieldIsNull(fieldIndex)) {
        picture.clear();
        return;
    }
    picture.setData(kind, table.fieldBlob(fieldIndex));
}

void TfrPictureView::loadFromFile(const QString& fileName) {
    const TfrPicture::Kind kind = TfrPicture::kindOfFile(fileName);
    if (kind == TfrPicture::None)
        throw Exception(QStringLiteral("Unknown picture file extension: %1").arg(fileName));
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly))
        throw Exception(QStringLiteral("Cannot open file \"%1\"").arg(fileName));
    TfrPicture loaded;
    loaded.setData(kind, f.readAll());
    if (!loaded.error.isEmpty())
        throw Exception(QStringLiteral("%1: %2").arg(fileName, loaded.error));
    picture = std::move(loaded);
}

const TfrPropTable& TfrPictureView::classProperties() {
    using P = TfrPictureView;
    static const TfrPropTable table = [] {
        TfrPropTable t(&TfrView::classProperties());
        // Setting the picture by name loads a file; an empty name clears it.
        t.add<P>(QStringLiteral("Picture"), frdtHasEditor, [](const P& o) { return intValue(o.picture.kind); },
                 [](P& o, const TVariant& v) {
                     if (v.toString().isEmpty())
                         o.picture.clear();
                     else
                         o.loadFromFile(v.toString());
                 });
        TfrPropRec stretched = *t.find(u"Stretched");
        stretched.listed = true;
        t.add(std::move(stretched));
        addFlag<P>(t, QStringLiteral("Center"), frflags::PictCenter);
        addFlag<P>(t, QStringLiteral("KeepAspect"), frflags::PictKeepAspect);
        TfrPropRec dataField = *t.find(u"DataField");
        dataField.listed = true;
        t.add(std::move(dataField));
        t.add<P>(
            QStringLiteral("BlobType"), frdtEnum, [](const P& o) { return intValue(o.blobType); },
            [](P& o, const TVariant& v) {
                o.blobType = static_cast<std::uint8_t>(o.properties().find(u"BlobType")->enumValue(v));
            },
            QStringLiteral("btBMP;btJPG;btICO;btWMF"));
        return t;
    }();
    return table;
}

std::optional<TVariant> TfrPictureView::doMethod(const QString& name, const std::vector<TVariant>& args) {
    if (name.compare(QStringLiteral("LOADFROMFILE"), Qt::CaseInsensitive) == 0) {
        loadFromFile(args.empty() ? QString() : args[0].toString());
        return TVariant();
    }
    return TfrView::doMethod(name, args);
}

TfrLineView::TfrLineView() {
    objectType = gtLine;
    frameTyp = frftLeft;
    fillColor = clWhite;
}

const TfrPropTable& TfrLineView::classProperties() {
    static const TfrPropTable table = [] {
        TfrPropTable t(&TfrView::classProperties());
        TfrPropRec stretched = *t.find(u"Stretched");
        stretched.listed = true;
        t.add(std::move(stretched));
        return t;
    }();
    return table;
}

TfrControl::TfrControl() { objectType = gtAddIn; }

// ---------------------------------------------------------------- classes

namespace {

template <class T>
TfrObjectClass builtInClass(const char16_t* className, const char16_t* baseName, std::uint8_t kind,
                            const TfrObjectClass* base, TfrExportKind exportKind) {
    TfrObjectClass c;
    c.className = QString::fromUtf16(className);
    c.baseName = QString::fromUtf16(baseName);
    c.kind = kind;
    c.base = base;
    if constexpr (std::is_default_constructible_v<T> && !std::is_abstract_v<T>)
        if (kind != gtAddIn)
            c.create = [] { return std::make_unique<T>(); };
    c.properties = &T::classProperties;
    c.exportKind = exportKind;
    return c;
}

const TfrPicture* pictureOf(const TfrView& view) { return &static_cast<const TfrPictureView&>(view).picture; }

} // namespace

const TfrObjectClass& TfrView::classInfo() {
    static const TfrObjectClass c =
        builtInClass<TfrView>(u"TfrView", u"View", gtAddIn, nullptr, TfrExportKind::None);
    return c;
}

const TfrObjectClass& TfrStretcheable::classInfo() {
    static const TfrObjectClass c =
        builtInClass<TfrStretcheable>(u"TfrStretcheable", u"View", gtAddIn, &TfrView::classInfo(), TfrExportKind::None);
    return c;
}

const TfrObjectClass& TfrMemoView::classInfo() {
    static const TfrObjectClass c =
        builtInClass<TfrMemoView>(u"TfrMemoView", u"Memo", gtMemo, &TfrStretcheable::classInfo(), TfrExportKind::Text);
    return c;
}

const TfrObjectClass& TfrBandView::classInfo() {
    static const TfrObjectClass c =
        builtInClass<TfrBandView>(u"TfrBandView", u"Band", gtBand, &TfrView::classInfo(), TfrExportKind::None);
    return c;
}

const TfrObjectClass& TfrSubReportView::classInfo() {
    static const TfrObjectClass c = builtInClass<TfrSubReportView>(u"TfrSubReportView", u"SubReport", gtSubReport,
                                                                   &TfrView::classInfo(), TfrExportKind::None);
    return c;
}

const TfrObjectClass& TfrPictureView::classInfo() {
    static const TfrObjectClass c = [] {
        TfrObjectClass c = builtInClass<TfrPictureView>(u"TfrPictureView", u"Picture", gtPicture,
                                                        &TfrView::classInfo(), TfrExportKind::Picture);
        c.heldPicture = &pictureOf;
        return c;
    }();
    return c;
}

const TfrObjectClass& TfrLineView::classInfo() {
    static const TfrObjectClass c =
        builtInClass<TfrLineView>(u"TfrLineView", u"Line", gtLine, &TfrStretcheable::classInfo(), TfrExportKind::None);
    return c;
}

const TfrObjectClass& TfrControl::classInfo() {
    static const TfrObjectClass c = [] {
        TfrObjectClass c =
            builtInClass<TfrControl>(u"TfrControl", u"View", gtAddIn, &TfrView::classInfo(), TfrExportKind::None);
        c.flags = TfrObjectClass::DialogControl;
        return c;
    }();
    return c;
}

const TfrObjectClass& TfrNonVisualControl::classInfo() {
    static const TfrObjectClass c = [] {
        TfrObjectClass c = builtInClass<TfrNonVisualControl>(u"TfrNonVisualControl", u"View", gtAddIn,
                                                             &TfrControl::classInfo(), TfrExportKind::None);
        c.flags = TfrObjectClass::DialogControl;
        return c;
    }();
    return c;
}

const TfrPropTable& TfrView::properties() const {
    const TfrObjectClass& c = objectClass();
    return c.properties ? c.properties() : classProperties();
}

const TfrObjectClass* frBuiltInClass(int kind) {
    switch (kind) {
    case gtMemo: return &TfrMemoView::classInfo();
    case gtPicture: return &TfrPictureView::classInfo();
    case gtBand: return &TfrBandView::classInfo();
    case gtSubReport: return &TfrSubReportView::classInfo();
    case gtLine: return &TfrLineView::classInfo();
    default: return nullptr;
    }
}

std::unique_ptr<TfrView> frCreateBuiltInObject(int kind) {
    const TfrObjectClass* c = frBuiltInClass(kind);
    return c ? c->create() : nullptr;
}
