#include "report/model/objects.h"

#include "common/exception.h"
#include "common/rounding.h"
#include "common/textfile.h"
#include "report/model/dataset.h"
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


TfrColor toColor(const TVariant& v) {
    if (v.kind() == TVariant::Kind::Double || v.kind() == TVariant::Kind::DateTime)
        return static_cast<TfrColor>(static_cast<std::int64_t>(std::llround(v.toDouble())));
    return static_cast<TfrColor>(v.toInt());
}

TVariant colorValue(TfrColor c) { return TVariant(static_cast<std::int32_t>(c)); }
TVariant intValue(std::int64_t v) { return TVariant(static_cast<std::int32_t>(v)); }

[[noreturn]] void listIndexError(int index) {
    throw Exception(QStringLiteral("List index out of bounds (%1)").arg(index));
}

bool is(const QString& upper, const char16_t* name) { return upper == QStringView(name); }

} // namespace

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

bool TfrObject::setPropValue(const QString&, const TVariant&) { return false; }
std::optional<TVariant> TfrObject::getPropValue(const QString&) { return std::nullopt; }
std::optional<TVariant> TfrObject::doMethod(const QString&, const std::vector<TVariant>&) { return std::nullopt; }
void TfrObject::defineProperties() {}

const std::vector<TfrPropRec>& TfrObject::propList() {
    if (!m_propsBuilt) {
        m_props.clear();
        m_propsBuilt = true;
        defineProperties();
    }
    return m_props;
}

const TfrPropRec* TfrObject::findProperty(const QString& name) {
    for (const TfrPropRec& p : propList())
        if (p.name.compare(name, Qt::CaseInsensitive) == 0)
            return &p;
    return nullptr;
}

bool TfrObject::hasProperty(const QString& name) { return findProperty(name) || getPropValue(name).has_value(); }

void TfrObject::addProperty(const QString& name, std::uint16_t kind, const QString& enumText,
                            std::vector<std::int32_t> enumValues, std::function<bool(TfrObject&)> editor) {
    TfrPropRec rec;
    rec.name = name.left(32);
    rec.kind = kind;
    if (!enumText.isEmpty()) {
        rec.enumNames = enumText.split(u';');
        if (enumValues.empty())
            for (int i = 0; i < rec.enumNames.size(); ++i)
                enumValues.push_back(i);
        rec.enumValues = std::move(enumValues);
    }
    rec.editor = std::move(editor);
    // A subclass may redefine a property of its base: the later definition wins
    // but keeps the earlier position.
    for (TfrPropRec& p : m_props)
        if (p.name.compare(rec.name, Qt::CaseInsensitive) == 0) {
            p = std::move(rec);
            return;
        }
    m_props.push_back(std::move(rec));
}

void TfrObject::deleteProperty(const QString& name) {
    std::erase_if(m_props, [&](const TfrPropRec& p) { return p.name.compare(name, Qt::CaseInsensitive) == 0; });
}

std::int32_t TfrObject::enumValue(const QString& propName, const TVariant& value) {
    if (value.isString()) {
        if (const TfrPropRec* p = findProperty(propName))
            for (int i = 0; i < p->enumNames.size(); ++i)
                if (p->enumNames[i].compare(value.toString(), Qt::CaseInsensitive) == 0)
                    return p->enumValues[static_cast<std::size_t>(i)];
    }
    return value.toInt();
}

// ---------------------------------------------------------------- TfrView

TfrView::TfrView() { objectId = TfrEngine::current().nextObjectId(); }
TfrView::~TfrView() = default;

TfrReport* TfrView::report() const { return parentPage ? parentPage->report() : nullptr; }

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
    } else if (parentPage) {
        for (const auto& v : parentPage->objects())
            taken.insert(v->name().toUpper());
    }
    for (int n = 1; n <= 10000; ++n) {
        const QString candidate = baseName + QString::number(n);
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
    saveMode = s.saveMode;
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

void TfrView::beginDraw(QPainter&) {
    m_savedGeometry = QRect(left, top, width, height);
    m_savedGapX = gapX;
    m_savedGapY = gapY;
    left = roundHalfEven(left * scaleX) + offsetX;
    top = roundHalfEven(top * scaleY) + offsetY;
    width = roundHalfEven(width * scaleX);
    height = roundHalfEven(height * scaleY);
    drawGapX = roundHalfEven(gapX * scaleX);
    drawGapY = roundHalfEven(gapY * scaleY);
    drawRect = QRect(left, top, width, height);
}

void TfrView::restoreCoord() {
    left = m_savedGeometry.x();
    top = m_savedGeometry.y();
    width = m_savedGeometry.width();
    height = m_savedGeometry.height();
    gapX = m_savedGapX;
    gapY = m_savedGapY;
}

QRegion TfrView::clipRegion(bool withMargin) const {
    const int m = withMargin ? 10 : 0;
    return QRegion(left - m, top - m, width + 2 * m, height + 2 * m);
}

void TfrView::defineProperties() {
    TfrObject::defineProperties();
    addProperty(QStringLiteral("Name"), frdtString | frdtOneObject);
    addProperty(QStringLiteral("Left"), frdtSize | frdtInteger);
    addProperty(QStringLiteral("Top"), frdtSize | frdtInteger);
    addProperty(QStringLiteral("Width"), frdtSize | frdtInteger);
    addProperty(QStringLiteral("Height"), frdtSize | frdtInteger);
    addProperty(QStringLiteral("Flags"), frdtInteger);
    addProperty(QStringLiteral("FrameTyp"), frdtInteger);
    addProperty(QStringLiteral("FrameWidth"), frdtFloat);
    addProperty(QStringLiteral("FrameColor"), frdtColor);
    addProperty(QStringLiteral("FrameStyle"), frdtEnum, QStringLiteral("psSolid;psDash;psDot;psDashDot;psDashDotDot;psDouble"));
    addProperty(QStringLiteral("FillColor"), frdtColor);
    addProperty(QStringLiteral("Tag"), frdtString | frdtHasEditor);
    addProperty(QStringLiteral("BandAlign"), frdtEnum,
                QStringLiteral("baNone;baLeft;baRight;baCenter;baWidth;baBottom;baTop;baRest"));
    addProperty(QStringLiteral("Visible"), frdtBoolean);
    addProperty(QStringLiteral("Memo"), frdtOneObject | frdtHasEditor);
    addProperty(QStringLiteral("Memo.Count"), frdtInteger);
    addProperty(QStringLiteral("Restrictions"), frdtHasEditor);
}

bool TfrView::setPropValue(const QString& name, const TVariant& v) {
    const QString n = name.toUpper();
    if (is(n, u"NAME"))
        setName(v.toString());
    else if (is(n, u"LEFT"))
        left = v.toInt();
    else if (is(n, u"TOP"))
        top = v.toInt();
    else if (is(n, u"WIDTH"))
        width = v.toInt();
    else if (is(n, u"HEIGHT"))
        height = v.toInt();
    else if (is(n, u"FLAGS"))
        flags = static_cast<std::uint16_t>(v.toInt());
    else if (is(n, u"FRAMETYP"))
        frameTyp = static_cast<std::uint16_t>(v.toInt());
    else if (is(n, u"FRAMEWIDTH"))
        frameWidth = static_cast<float>(v.toDouble());
    else if (is(n, u"FRAMECOLOR"))
        frameColor = toColor(v);
    else if (is(n, u"FRAMESTYLE"))
        frameStyle = static_cast<std::uint16_t>(enumValue(name, v));
    else if (is(n, u"FILLCOLOR"))
        fillColor = toColor(v);
    else if (is(n, u"TAG"))
        tag = v.toString();
    else if (is(n, u"BANDALIGN"))
        bandAlign = static_cast<std::uint8_t>(enumValue(name, v));
    else if (is(n, u"VISIBLE"))
        visible = v.toBool();
    else if (is(n, u"MEMO"))
        memo = textfile::splitLines(v.toString());
    else if (is(n, u"MEMO.COUNT"))
        ; // read-only
    else if (is(n, u"RESTRICTIONS"))
        restrictions = static_cast<std::uint16_t>((restrictions & 0xFF00) | (v.toInt() & 0xFF));
    else if (is(n, u"GAPX"))
        gapX = v.toInt();
    else if (is(n, u"GAPY"))
        gapY = v.toInt();
    else if (is(n, u"STRETCHED"))
        setFlag(frflags::Stretched, v.toBool());
    else if (is(n, u"DATAFIELD"))
        memo = textfile::splitLines(v.toString());
    else
        return TfrObject::setPropValue(name, v);
    return true;
}

std::optional<TVariant> TfrView::getPropValue(const QString& name) {
    const QString n = name.toUpper();
    if (is(n, u"NAME"))
        return TVariant(m_name);
    if (is(n, u"LEFT"))
        return intValue(left);
    if (is(n, u"TOP"))
        return intValue(top);
    if (is(n, u"WIDTH"))
        return intValue(width);
    if (is(n, u"HEIGHT"))
        return intValue(height);
    if (is(n, u"FLAGS"))
        return intValue(flags);
    if (is(n, u"FRAMETYP"))
        return intValue(frameTyp);
    if (is(n, u"FRAMEWIDTH"))
        return TVariant(double(frameWidth));
    if (is(n, u"FRAMECOLOR"))
        return colorValue(frameColor);
    if (is(n, u"FRAMESTYLE"))
        return intValue(frameStyle);
    if (is(n, u"FILLCOLOR"))
        return colorValue(fillColor);
    if (is(n, u"TAG"))
        return TVariant(tag);
    if (is(n, u"BANDALIGN"))
        return intValue(bandAlign);
    if (is(n, u"VISIBLE"))
        return TVariant(visible);
    if (is(n, u"MEMO"))
        return TVariant(frListText(memo));
    if (is(n, u"MEMO.COUNT"))
        return intValue(memo.size());
    if (is(n, u"RESTRICTIONS"))
        return intValue(restrictions & 0xFF);
    if (is(n, u"GAPX"))
        return intValue(gapX);
    if (is(n, u"GAPY"))
        return intValue(gapY);
    if (is(n, u"STRETCHED"))
        return TVariant(stretched());
    if (is(n, u"DATAFIELD"))
        return TVariant(dataField());
    return TfrObject::getPropValue(name);
}

std::optional<TVariant> TfrView::memoListMethod(const QString& op, const std::vector<TVariant>& args) {
    auto arg = [&](std::size_t i) { return i < args.size() ? args[i] : TVariant(); };
    if (is(op, u"ADD")) {
        memo << arg(0).toString();
        return intValue(memo.size() - 1);
    }
    if (is(op, u"CLEAR")) {
        memo.clear();
        return TVariant();
    }
    if (is(op, u"DELETE")) {
        const int i = arg(0).toInt();
        if (i < 0 || i >= memo.size())
            listIndexError(i);
        memo.removeAt(i);
        return TVariant();
    }
    if (is(op, u"INDEXOF")) {
        const QString s = arg(0).toString();
        for (int i = 0; i < memo.size(); ++i)
            if (memo[i].compare(s, Qt::CaseInsensitive) == 0)
                return intValue(i);
        return intValue(-1);
    }
    return std::nullopt;
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
        if (prop != u"MEMO" && !(prop == u"LINES" && dynamic_cast<TfrMemoView*>(this)))
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
    if (name.compare(QStringLiteral("CALCHEIGHT"), Qt::CaseInsensitive) == 0)
        return intValue(calcHeight());
    return TfrView::doMethod(name, args);
}

// ---------------------------------------------------------------- TfrMemoView

TfrMemoView::TfrMemoView() {
    objectType = gtMemo;
    baseName = QStringLiteral("Memo");
    flags = frflags::Stretched | frflags::WordWrap;
    font.charset = TfrEngine::current().defaultCharset;
}

void TfrMemoView::assign(const TfrView& source) {
    TfrView::assign(source);
    if (const auto* s = dynamic_cast<const TfrMemoView*>(&source)) {
        font = s->font;
        alignment = s->alignment;
        highlight = s->highlight;
        highlightStr = s->highlightStr;
        lineSpacing = s->lineSpacing;
        charSpacing = s->charSpacing;
        memo1 = s->memo1;
    }
}

void TfrMemoView::getBlob(TfrTableSource& table, int fieldIndex) {
    if (table.fieldIsNull(fieldIndex)) {
        memo1.clear();
        return;
    }
    QString text = table.fieldValue(fieldIndex).toString();
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    memo1 = text.split(u'\n');
}

void TfrMemoView::defineProperties() {
    TfrView::defineProperties();
    addProperty(QStringLiteral("Font.Name"), frdtString);
    addProperty(QStringLiteral("Font.Size"), frdtInteger);
    addProperty(QStringLiteral("Font.Style"), frdtInteger);
    addProperty(QStringLiteral("Font.Color"), frdtColor);
    addProperty(QStringLiteral("Font"), frdtHasEditor);
    addProperty(QStringLiteral("Alignment"), frdtInteger);
    addProperty(QStringLiteral("DisplayFormat"), frdtHasEditor);
    addProperty(QStringLiteral("Highlight"), frdtHasEditor);
    addProperty(QStringLiteral("LineSpacing"), frdtInteger);
    addProperty(QStringLiteral("CharSpacing"), frdtInteger);
    addProperty(QStringLiteral("GapX"), frdtInteger);
    addProperty(QStringLiteral("GapY"), frdtInteger);
    addProperty(QStringLiteral("Stretched"), frdtBoolean);
    addProperty(QStringLiteral("WordWrap"), frdtBoolean);
    addProperty(QStringLiteral("WordBreak"), frdtBoolean);
    addProperty(QStringLiteral("AutoWidth"), frdtBoolean);
    addProperty(QStringLiteral("TextOnly"), frdtBoolean);
    addProperty(QStringLiteral("Suppress"), frdtBoolean);
    addProperty(QStringLiteral("HideZeros"), frdtBoolean);
    addProperty(QStringLiteral("Lines.Count"), frdtInteger);
    addProperty(QStringLiteral("Underlines"), frdtBoolean);
    addProperty(QStringLiteral("RTLReading"), frdtBoolean);
}

namespace {
struct FlagProp {
    const char16_t* name;
    std::uint16_t bit;
};
constexpr FlagProp kMemoFlags[] = {
    {u"WORDWRAP", frflags::WordWrap},   {u"WORDBREAK", frflags::WordBreak},   {u"AUTOWIDTH", frflags::AutoWidth},
    {u"TEXTONLY", frflags::TextOnly},   {u"SUPPRESS", frflags::Suppress},     {u"HIDEZEROS", frflags::HideZeros},
    {u"UNDERLINES", frflags::Underlines}, {u"RTLREADING", frflags::RTLReading},
};
} // namespace

bool TfrMemoView::setPropValue(const QString& name, const TVariant& v) {
    const QString n = name.toUpper();
    for (const FlagProp& f : kMemoFlags)
        if (is(n, f.name)) {
            setFlag(f.bit, v.toBool());
            return true;
        }
    if (is(n, u"FONT.NAME") || is(n, u"FONT"))
        font.name = v.toString();
    else if (is(n, u"FONT.SIZE"))
        font.size = v.toInt();
    else if (is(n, u"FONT.STYLE"))
        font.style = static_cast<std::uint16_t>(v.toInt());
    else if (is(n, u"FONT.COLOR"))
        font.color = toColor(v);
    else if (is(n, u"ALIGNMENT"))
        alignment = static_cast<std::uint32_t>(v.toInt());
    else if (is(n, u"DISPLAYFORMAT"))
        format = static_cast<std::uint32_t>(v.toInt());
    else if (is(n, u"HIGHLIGHT"))
        highlightStr = v.toString();
    else if (is(n, u"LINESPACING"))
        lineSpacing = v.toInt();
    else if (is(n, u"CHARSPACING"))
        charSpacing = v.toInt();
    else if (is(n, u"LINES"))
        memo = textfile::splitLines(v.toString());
    else if (is(n, u"LINES.COUNT"))
        ; // read-only
    else
        return TfrStretcheable::setPropValue(name, v);
    return true;
}

std::optional<TVariant> TfrMemoView::getPropValue(const QString& name) {
    const QString n = name.toUpper();
    for (const FlagProp& f : kMemoFlags)
        if (is(n, f.name))
            return TVariant(flag(f.bit));
    if (is(n, u"FONT.NAME") || is(n, u"FONT"))
        return TVariant(font.name);
    if (is(n, u"FONT.SIZE"))
        return intValue(font.size);
    if (is(n, u"FONT.STYLE"))
        return intValue(font.style);
    if (is(n, u"FONT.COLOR"))
        return colorValue(font.color);
    if (is(n, u"ALIGNMENT"))
        return intValue(static_cast<std::int32_t>(alignment));
    if (is(n, u"DISPLAYFORMAT"))
        return intValue(static_cast<std::int32_t>(format));
    if (is(n, u"HIGHLIGHT"))
        return TVariant(highlightStr);
    if (is(n, u"LINESPACING"))
        return intValue(lineSpacing);
    if (is(n, u"CHARSPACING"))
        return intValue(charSpacing);
    if (is(n, u"LINES"))
        return TVariant(frListText(memo));
    if (is(n, u"LINES.COUNT"))
        return intValue(memo.size());
    return TfrStretcheable::getPropValue(name);
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
    baseName = QStringLiteral("Band");
    format = 0;
    flags = frflags::OnFirstPage | frflags::OnLastPage;
}

void TfrBandView::setBandType(int type) {
    frameTyp = static_cast<std::uint16_t>(type & 0x7F);
    invalidatePropList();
}

void TfrBandView::assign(const TfrView& source) {
    TfrView::assign(source);
    if (const auto* s = dynamic_cast<const TfrBandView*>(&source)) {
        childBand = s->childBand;
        master = s->master;
        columns = s->columns;
        columnWidth = s->columnWidth;
        columnGap = s->columnGap;
        newColumnAfter = s->newColumnAfter;
    }
    invalidatePropList();
}

bool TfrBandView::offers(int t, const QString& property) {
    const QString p = property.toUpper();
    auto in = [t](std::initializer_list<int> list) { return std::find(list.begin(), list.end(), t) != list.end(); };
    const bool dataBand = in({btMasterData, btDetailData, btSubDetailData});
    if (is(p, u"CHILDBAND") || is(p, u"PRINTCHILDIFINVISIBLE"))
        return t != btPageFooter;
    if (is(p, u"STRETCHED"))
        return (t >= 0 && t <= 2) || (t >= 4 && t <= 12) || (t >= 16 && t <= 18) || t == btChild;
    if (is(p, u"FORMNEWPAGE"))
        return in({0, 1, 5, 6, 8, 9, 11, 12, 16});
    if (is(p, u"PRINTIFSUBSETEMPTY"))
        return in({btMasterData, btDetailData});
    if (is(p, u"BREAKED"))
        return in({0, 1, 16, 17, 21}) || (t >= 4 && t <= 12);
    if (is(p, u"ONFIRSTPAGE"))
        return in({btPageHeader, btPageFooter});
    if (is(p, u"ONLASTPAGE"))
        return t == btPageFooter;
    if (is(p, u"REPEATHEADER"))
        return in({4, 7, 10, 16, 18});
    if (is(p, u"DATASOURCE"))
        return dataBand || t == btCrossData;
    if (is(p, u"COLUMNS") || is(p, u"COLUMNWIDTH") || is(p, u"COLUMNGAP") || is(p, u"NEWCOLUMNAFTER"))
        return dataBand;
    if (is(p, u"CONDITION") || is(p, u"MASTER"))
        return t == btGroupHeader;
    return false;
}

void TfrBandView::defineProperties() {
    TfrObject::defineProperties();
    const int t = bandType();
    addProperty(QStringLiteral("Name"), frdtString | frdtOneObject);
    addProperty(QStringLiteral("Left"), frdtSize | frdtInteger);
    addProperty(QStringLiteral("Top"), frdtSize | frdtInteger);
    addProperty(QStringLiteral("Width"), frdtSize | frdtInteger);
    addProperty(QStringLiteral("Height"), frdtSize | frdtInteger);
    addProperty(QStringLiteral("Visible"), frdtBoolean);
    addProperty(QStringLiteral("OnBeforePrint"), frdtOneObject | frdtHasEditor);
    const std::pair<const char16_t*, std::uint16_t> props[] = {
        {u"ChildBand", frdtString},        {u"PrintChildIfInvisible", frdtBoolean}, {u"Stretched", frdtBoolean},
        {u"FormNewPage", frdtBoolean},     {u"PrintIfSubsetEmpty", frdtBoolean},    {u"Breaked", frdtBoolean},
        {u"OnFirstPage", frdtBoolean},     {u"OnLastPage", frdtBoolean},            {u"RepeatHeader", frdtBoolean},
        {u"DataSource", frdtHasEditor},    {u"Columns", frdtInteger},               {u"ColumnWidth", frdtSize | frdtInteger},
        {u"ColumnGap", frdtSize | frdtInteger}, {u"NewColumnAfter", frdtInteger},   {u"Condition", frdtHasEditor},
        {u"Master", frdtString},
    };
    for (const auto& [name, kind] : props) {
        const QString n = QString::fromUtf16(name);
        if (offers(t, n))
            addProperty(n, kind);
    }
    addProperty(QStringLiteral("EOF"), frdtBoolean);
}

namespace {
constexpr FlagProp kBandFlags[] = {
    {u"FORMNEWPAGE", frflags::FormNewPage},   {u"PRINTIFSUBSETEMPTY", frflags::PrintIfSubsetEmpty},
    {u"BREAKED", frflags::Breaked},           {u"ONFIRSTPAGE", frflags::OnFirstPage},
    {u"ONLASTPAGE", frflags::OnLastPage},     {u"REPEATHEADER", frflags::RepeatHeader},
    {u"PRINTCHILDIFINVISIBLE", frflags::PrintChildIfInvisible}, {u"STRETCHED", frflags::Stretched},
};
} // namespace

bool TfrBandView::setPropValue(const QString& name, const TVariant& v) {
    const QString n = name.toUpper();
    const int t = bandType();
    for (const FlagProp& f : kBandFlags)
        if (is(n, f.name)) {
            if (!offers(t, n))
                return false;
            setFlag(f.bit, v.toBool());
            return true;
        }
    if (is(n, u"EOF"))
        return true; // read-only
    if (is(n, u"ONBEFOREPRINT")) {
        script = textfile::splitLines(v.toString());
        return true;
    }
    const bool known = is(n, u"CHILDBAND") || is(n, u"MASTER") || is(n, u"COLUMNS") || is(n, u"COLUMNWIDTH") ||
                       is(n, u"COLUMNGAP") || is(n, u"NEWCOLUMNAFTER") || is(n, u"DATASOURCE") || is(n, u"CONDITION");
    if (known) {
        if (!offers(t, n))
            return false;
        if (is(n, u"CHILDBAND"))
            childBand = v.toString();
        else if (is(n, u"MASTER"))
            master = v.toString();
        else if (is(n, u"COLUMNS"))
            columns = v.toInt();
        else if (is(n, u"COLUMNWIDTH"))
            columnWidth = v.toInt();
        else if (is(n, u"COLUMNGAP"))
            columnGap = v.toInt();
        else if (is(n, u"NEWCOLUMNAFTER"))
            newColumnAfter = v.toInt();
        else
            formatStr = v.toString();
        return true;
    }
    return TfrView::setPropValue(name, v);
}

std::optional<TVariant> TfrBandView::getPropValue(const QString& name) {
    const QString n = name.toUpper();
    const int t = bandType();
    for (const FlagProp& f : kBandFlags)
        if (is(n, f.name)) {
            if (!offers(t, n))
                return std::nullopt;
            return TVariant(flag(f.bit));
        }
    if (is(n, u"EOF"))
        return TVariant(dataset ? dataset->eof() : true); // no data: nothing left to walk
    if (is(n, u"ONBEFOREPRINT"))
        return TVariant(frListText(script));
    const bool known = is(n, u"CHILDBAND") || is(n, u"MASTER") || is(n, u"COLUMNS") || is(n, u"COLUMNWIDTH") ||
                       is(n, u"COLUMNGAP") || is(n, u"NEWCOLUMNAFTER") || is(n, u"DATASOURCE") || is(n, u"CONDITION");
    if (known) {
        if (!offers(t, n))
            return std::nullopt;
        if (is(n, u"CHILDBAND"))
            return TVariant(childBand);
        if (is(n, u"MASTER"))
            return TVariant(master);
        if (is(n, u"COLUMNS"))
            return intValue(columns);
        if (is(n, u"COLUMNWIDTH"))
            return intValue(columnWidth);
        if (is(n, u"COLUMNGAP"))
            return intValue(columnGap);
        if (is(n, u"NEWCOLUMNAFTER"))
            return intValue(newColumnAfter);
        return TVariant(formatStr);
    }
    return TfrView::getPropValue(name);
}

std::optional<TVariant> TfrBandView::doMethod(const QString& name, const std::vector<TVariant>& args) {
    const QString n = name.toUpper();
    if (is(n, u"NEXT") || is(n, u"PRIOR") || is(n, u"FIRST")) {
        if (dataset) {
            if (is(n, u"NEXT"))
                dataset->next();
            else if (is(n, u"PRIOR"))
                dataset->prior();
            else
                dataset->first();
        }
        return TVariant();
    }
    return TfrView::doMethod(name, args);
}

// ---------------------------------------------------------------- other built-in objects

TfrSubReportView::TfrSubReportView() {
    objectType = gtSubReport;
    baseName = QStringLiteral("SubReport");
}

void TfrSubReportView::assign(const TfrView& source) {
    TfrView::assign(source);
    if (const auto* s = dynamic_cast<const TfrSubReportView*>(&source))
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
    reader.setAllocationLimit(static_cast<int>(pixelBudget(bytes) * 4 / (1 << 20)) + 1);
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
    baseName = QStringLiteral("Picture");
    flags = frflags::Stretched | frflags::PictKeepAspect;
    TfrEngine::current().addBlobTypeConstants();
}

void TfrPictureView::assign(const TfrView& source) {
    TfrView::assign(source);
    if (const auto* s = dynamic_cast<const TfrPictureView*>(&source)) {
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

void TfrPictureView::defineProperties() {
    TfrView::defineProperties();
    addProperty(QStringLiteral("Picture"), frdtHasEditor);
    addProperty(QStringLiteral("Stretched"), frdtBoolean);
    addProperty(QStringLiteral("Center"), frdtBoolean);
    addProperty(QStringLiteral("KeepAspect"), frdtBoolean);
    addProperty(QStringLiteral("DataField"), frdtString);
    addProperty(QStringLiteral("BlobType"), frdtEnum, QStringLiteral("btBMP;btJPG;btICO;btWMF"));
}

bool TfrPictureView::setPropValue(const QString& name, const TVariant& v) {
    const QString n = name.toUpper();
    if (is(n, u"CENTER"))
        setFlag(frflags::PictCenter, v.toBool());
    else if (is(n, u"KEEPASPECT"))
        setFlag(frflags::PictKeepAspect, v.toBool());
    else if (is(n, u"BLOBTYPE"))
        blobType = static_cast<std::uint8_t>(enumValue(name, v));
    else if (is(n, u"PICTURE")) {
        // Setting the picture by name loads a file; an empty name clears it.
        if (v.toString().isEmpty())
            picture.clear();
        else
            loadFromFile(v.toString());
    } else
        return TfrView::setPropValue(name, v);
    return true;
}

std::optional<TVariant> TfrPictureView::getPropValue(const QString& name) {
    const QString n = name.toUpper();
    if (is(n, u"CENTER"))
        return TVariant(flag(frflags::PictCenter));
    if (is(n, u"KEEPASPECT"))
        return TVariant(flag(frflags::PictKeepAspect));
    if (is(n, u"BLOBTYPE"))
        return intValue(blobType);
    if (is(n, u"PICTURE"))
        return intValue(picture.kind);
    return TfrView::getPropValue(name);
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
    baseName = QStringLiteral("Line");
    frameTyp = frftLeft;
    fillColor = clWhite;
}

void TfrLineView::defineProperties() {
    TfrView::defineProperties();
    addProperty(QStringLiteral("Stretched"), frdtBoolean);
}

TfrControl::TfrControl() { objectType = gtAddIn; }

std::unique_ptr<TfrView> frCreateBuiltInObject(int kind) {
    switch (kind) {
    case gtMemo:
        return std::make_unique<TfrMemoView>();
    case gtPicture:
        return std::make_unique<TfrPictureView>();
    case gtBand:
        return std::make_unique<TfrBandView>();
    case gtSubReport:
        return std::make_unique<TfrSubReportView>();
    case gtLine:
        return std::make_unique<TfrLineView>();
    default:
        return nullptr;
    }
}
