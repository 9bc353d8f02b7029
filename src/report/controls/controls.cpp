#include "report/controls/controls.h"

#include "common/binio.h"
#include "common/textfile.h"
#include "report/controls/controlpaint.h"
#include "report/expr/formats.h"
#include "report/model/report.h"
#include "report/model/streamio.h"

#include <QDate>
#include <cmath>

using namespace frstream;
using Change = TfrControlPeer::Change;

namespace {

TVariant intValue(std::int64_t v) { return TVariant(static_cast<std::int32_t>(v)); }
TVariant boolValue(bool v) { return TVariant(v); }
TVariant textValue(const QString& v) { return TVariant(v); }

bool readBool(TBinaryReader& in) { return in.readU8() != 0; }
void writeBool(TBinaryWriter& out, bool v) { out.writeU8(v ? 1 : 0); }

// Days since 30 December 1899 of today.
double today() { return double(QDate(1899, 12, 30).daysTo(QDate::currentDate())); }

// A property that changes the object and tells its peer.
template <class T>
void setAndTell(T& o, Change change, const std::function<void(T&)>& set) {
    set(o);
    o.changed(change);
}

// Display and value parts of a lookup item: the text before and after its first ";".
QString displayPart(const QString& item) {
    const qsizetype semi = item.indexOf(u';');
    return semi < 0 ? item : item.left(semi);
}
QString valuePart(const QString& item) {
    const qsizetype semi = item.indexOf(u';');
    return semi < 0 ? QString() : item.mid(semi + 1).trimmed().left(TfrComboBoxControl::maxValueLength);
}

std::uint8_t enumByte(const TfrObject& o, const char16_t* name, const TVariant& v) {
    return static_cast<std::uint8_t>(o.properties().find(name)->enumValue(v));
}

} // namespace

// ---------------------------------------------------------------- TfrStdControl

TfrStdControl::TfrStdControl() {
    objectType = gtAddIn;
    fillColor = clBtnFace;
    frameTyp = 0;
    font.size = 8;
}

void TfrStdControl::changed(Change change) const {
    if (!m_peer)
        return;
    if (change == Change::Geometry || change == Change::Visible) {
        const TfrReport* rep = report();
        if (!rep || !rep->buildState())
            return;
    }
    m_peer->controlChanged(change);
}

void TfrStdControl::assign(const TfrView& source) {
    TfrControl::assign(source);
    if (const auto* s = frCast<TfrStdControl>(&source)) {
        color = s->color;
        enabled = s->enabled;
        font = s->font;
    }
}

void TfrStdControl::loadFromStream(TBinaryReader& in, const TfrStreamContext& context) {
    TfrControl::loadFromStream(in, context);
    color = in.readU32();
    enabled = readBool(in);
    font.name = readString(in, context.version);
    font.size = in.readI32();
    font.style = in.readU16();
    font.color = in.readU32();
    font.charset = in.readU16();
}

void TfrStdControl::saveToStream(TBinaryWriter& out, const TfrStreamContext& context) const {
    TfrControl::saveToStream(out, context);
    out.writeU32(color);
    writeBool(out, enabled);
    writeString(out, font.name);
    out.writeI32(font.size);
    out.writeU16(font.style);
    out.writeU32(font.color);
    out.writeU16(font.charset);
}

std::optional<TVariant> TfrStdControl::doMethod(const QString& name, const std::vector<TVariant>& args) {
    if (name.compare(u"SETFOCUS", Qt::CaseInsensitive) == 0) {
        changed(Change::Focus);
        return TVariant();
    }
    return TfrControl::doMethod(name, args);
}

const TfrPropTable& TfrStdControl::classProperties() {
    using C = TfrStdControl;
    static const TfrPropTable table = [] {
        // Scripts reach every property of a view; the inspector lists those of a control.
        TfrPropTable t(&TfrView::classProperties());
        t.hideAll();
        for (const char16_t* name : {u"Name", u"Restrictions"}) {
            TfrPropRec rec = *t.find(name);
            rec.listed = true;
            t.add(std::move(rec));
        }
        t.add<C>(QStringLiteral("Left"), frdtSize | frdtInteger, [](const C& o) { return intValue(o.left); },
                 [](C& o, const TVariant& v) { setAndTell<C>(o, Change::Geometry, [&](C& c) { c.left = v.toInt(); }); });
        t.add<C>(QStringLiteral("Top"), frdtSize | frdtInteger, [](const C& o) { return intValue(o.top); },
                 [](C& o, const TVariant& v) { setAndTell<C>(o, Change::Geometry, [&](C& c) { c.top = v.toInt(); }); });
        t.add<C>(QStringLiteral("Width"), frdtSize | frdtInteger, [](const C& o) { return intValue(o.width); },
                 [](C& o, const TVariant& v) { setAndTell<C>(o, Change::Geometry, [&](C& c) { c.width = v.toInt(); }); });
        t.add<C>(QStringLiteral("Height"), frdtSize | frdtInteger, [](const C& o) { return intValue(o.height); },
                 [](C& o, const TVariant& v) { setAndTell<C>(o, Change::Geometry, [&](C& c) { c.height = v.toInt(); }); });
        t.add<C>(QStringLiteral("Visible"), frdtBoolean, [](const C& o) { return boolValue(o.visible); },
                 [](C& o, const TVariant& v) { setAndTell<C>(o, Change::Visible, [&](C& c) { c.visible = v.toBool(); }); });
        t.add<C>(QStringLiteral("Color"), frdtColor, [](const C& o) { return intValue(o.color); },
                 [](C& o, const TVariant& v) { setAndTell<C>(o, Change::Look, [&](C& c) { c.color = frColorOf(v); }); });
        t.add<C>(QStringLiteral("Enabled"), frdtBoolean, [](const C& o) { return boolValue(o.enabled); },
                 [](C& o, const TVariant& v) { setAndTell<C>(o, Change::Look, [&](C& c) { c.enabled = v.toBool(); }); });
        t.add<C>(QStringLiteral("Font"), frdtHasEditor, [](const C& o) { return textValue(o.font.name); });
        t.add<C>(QStringLiteral("Font.Name"), frdtString, [](const C& o) { return textValue(o.font.name); },
                 [](C& o, const TVariant& v) { setAndTell<C>(o, Change::Look, [&](C& c) { c.font.name = v.toString(); }); });
        t.add<C>(QStringLiteral("Font.Size"), frdtInteger, [](const C& o) { return intValue(o.font.size); },
                 [](C& o, const TVariant& v) { setAndTell<C>(o, Change::Look, [&](C& c) { c.font.size = v.toInt(); }); });
        t.add<C>(QStringLiteral("Font.Style"), frdtInteger, [](const C& o) { return intValue(o.font.style); },
                 [](C& o, const TVariant& v) {
                     setAndTell<C>(o, Change::Look, [&](C& c) { c.font.style = static_cast<std::uint16_t>(v.toInt()); });
                 });
        t.add<C>(QStringLiteral("Font.Color"), frdtColor, [](const C& o) { return intValue(o.font.color); },
                 [](C& o, const TVariant& v) { setAndTell<C>(o, Change::Look, [&](C& c) { c.font.color = frColorOf(v); }); });
        t.hide(QStringLiteral("Font.Name")).hide(QStringLiteral("Font.Size")).hide(QStringLiteral("Font.Style"));
        t.hide(QStringLiteral("Font.Color"));
        t.add<C>(QStringLiteral("OnClick"), frdtOneObject | frdtHasEditor,
                 [](const C& o) { return textValue(frListText(o.script)); },
                 [](C& o, const TVariant& v) { o.script = textfile::splitLines(v.toString()); });
        return t;
    }();
    return table;
}

const TfrObjectClass& TfrStdControl::classInfo() {
    static const TfrObjectClass c = [] {
        TfrObjectClass c =
            frAddInClass<TfrStdControl>(QStringLiteral("TfrStdControl"), QStringLiteral("Control"), TfrControl::classInfo());
        c.flags = TfrObjectClass::DialogControl;
        c.exportKind = TfrExportKind::None;
        c.paint = frDrawControl;
        return c;
    }();
    return c;
}

namespace {

// The class of one of the nine controls.
template <class T>
TfrObjectClass controlClass(const char* className, const char* baseName, const TfrObjectClass& base) {
    TfrObjectClass c = frAddInClass<T>(QString::fromLatin1(className), QString::fromLatin1(baseName), base);
    c.flags = TfrObjectClass::DialogControl;
    c.exportKind = TfrExportKind::None;
    return c;
}

} // namespace

// ---------------------------------------------------------------- label

TfrLabelControl::TfrLabelControl() { setBounds(0, 0, 33, 13); }

void TfrLabelControl::assign(const TfrView& source) {
    TfrStdControl::assign(source);
    if (const auto* s = frCast<TfrLabelControl>(&source)) {
        alignment = s->alignment;
        autoSize = s->autoSize;
        caption = s->caption;
        wordWrap = s->wordWrap;
    }
}

void TfrLabelControl::loadFromStream(TBinaryReader& in, const TfrStreamContext& context) {
    TfrStdControl::loadFromStream(in, context);
    alignment = in.readU8();
    autoSize = readBool(in);
    caption = readString(in, context.version);
    wordWrap = readBool(in);
}

void TfrLabelControl::saveToStream(TBinaryWriter& out, const TfrStreamContext& context) const {
    TfrStdControl::saveToStream(out, context);
    out.writeU8(alignment);
    writeBool(out, autoSize);
    writeString(out, caption);
    writeBool(out, wordWrap);
}

const TfrPropTable& TfrLabelControl::classProperties() {
    using L = TfrLabelControl;
    static const TfrPropTable table = [] {
        TfrPropTable t(&TfrStdControl::classProperties());
        t.add<L>(
            QStringLiteral("Alignment"), frdtEnum, [](const L& o) { return intValue(o.alignment); },
            [](L& o, const TVariant& v) {
                setAndTell<L>(o, Change::Content, [&](L& c) { c.alignment = enumByte(c, u"Alignment", v); });
            },
            QStringLiteral("taLeftJustify;taRightJustify;taCenter"));
        t.add<L>(QStringLiteral("AutoSize"), frdtBoolean, [](const L& o) { return boolValue(o.autoSize); },
                 [](L& o, const TVariant& v) { setAndTell<L>(o, Change::Content, [&](L& c) { c.autoSize = v.toBool(); }); });
        t.add<L>(QStringLiteral("Caption"), frdtString, [](const L& o) { return textValue(o.caption); },
                 [](L& o, const TVariant& v) { setAndTell<L>(o, Change::Content, [&](L& c) { c.caption = v.toString(); }); });
        t.add<L>(QStringLiteral("WordWrap"), frdtBoolean, [](const L& o) { return boolValue(o.wordWrap); },
                 [](L& o, const TVariant& v) { setAndTell<L>(o, Change::Content, [&](L& c) { c.wordWrap = v.toBool(); }); });
        return t;
    }();
    return table;
}

const TfrObjectClass& TfrLabelControl::classInfo() {
    static const TfrObjectClass c = [] {
        TfrObjectClass c = controlClass<TfrLabelControl>("TfrLabelControl", "Label", TfrStdControl::classInfo());
        c.constants = {{QStringLiteral("taLeftJustify"), taLeftJustify},
                       {QStringLiteral("taRightJustify"), taRightJustify},
                       {QStringLiteral("taCenter"), taCenter}};
        return c;
    }();
    return c;
}

// ---------------------------------------------------------------- edit

TfrEditControl::TfrEditControl() {
    setBounds(0, 0, 121, 21);
    color = clSystemColor + 5; // clWindow
}

void TfrEditControl::assign(const TfrView& source) {
    TfrStdControl::assign(source);
    if (const auto* s = frCast<TfrEditControl>(&source)) {
        text = s->text;
        readOnly = s->readOnly;
    }
}

void TfrEditControl::loadFromStream(TBinaryReader& in, const TfrStreamContext& context) {
    TfrStdControl::loadFromStream(in, context);
    text = readString(in, context.version);
    readOnly = readBool(in);
}

void TfrEditControl::saveToStream(TBinaryWriter& out, const TfrStreamContext& context) const {
    TfrStdControl::saveToStream(out, context);
    writeString(out, text);
    writeBool(out, readOnly);
}

const TfrPropTable& TfrEditControl::classProperties() {
    using E = TfrEditControl;
    static const TfrPropTable table = [] {
        TfrPropTable t(&TfrStdControl::classProperties());
        t.add<E>(QStringLiteral("Text"), frdtString, [](const E& o) { return textValue(o.text); },
                 [](E& o, const TVariant& v) { setAndTell<E>(o, Change::Content, [&](E& c) { c.text = v.toString(); }); });
        t.add<E>(QStringLiteral("ReadOnly"), frdtBoolean, [](const E& o) { return boolValue(o.readOnly); },
                 [](E& o, const TVariant& v) { setAndTell<E>(o, Change::Content, [&](E& c) { c.readOnly = v.toBool(); }); });
        return t;
    }();
    return table;
}

const TfrObjectClass& TfrEditControl::classInfo() {
    static const TfrObjectClass c = controlClass<TfrEditControl>("TfrEditControl", "Edit", TfrStdControl::classInfo());
    return c;
}

// ---------------------------------------------------------------- memo

TfrMemoControl::TfrMemoControl() {
    setBounds(0, 0, 185, 89);
    color = clSystemColor + 5;
}

void TfrMemoControl::assign(const TfrView& source) {
    TfrStdControl::assign(source);
    if (const auto* s = frCast<TfrMemoControl>(&source)) {
        lines = s->lines;
        readOnly = s->readOnly;
    }
}

void TfrMemoControl::loadFromStream(TBinaryReader& in, const TfrStreamContext& context) {
    TfrStdControl::loadFromStream(in, context);
    const QString text = readString(in, context.version);
    lines = text.isEmpty() ? QStringList() : textfile::splitLines(text);
    readOnly = readBool(in);
}

void TfrMemoControl::saveToStream(TBinaryWriter& out, const TfrStreamContext& context) const {
    TfrStdControl::saveToStream(out, context);
    writeString(out, frListText(lines));
    writeBool(out, readOnly);
}

std::optional<TVariant> TfrMemoControl::doMethod(const QString& name, const std::vector<TVariant>& args) {
    const QString n = name.toUpper();
    if (n.startsWith(QStringLiteral("LINES."))) {
        std::optional<TVariant> result = frStringListMethod(lines, n.mid(6), args);
        if (result)
            changed(Change::Content);
        return result;
    }
    return TfrStdControl::doMethod(name, args);
}

const TfrPropTable& TfrMemoControl::classProperties() {
    using M = TfrMemoControl;
    static const TfrPropTable table = [] {
        TfrPropTable t(&TfrStdControl::classProperties());
        auto setText = [](M& o, const TVariant& v) {
            setAndTell<M>(o, Change::Content, [&](M& c) { c.lines = textfile::splitLines(v.toString()); });
        };
        t.add<M>(QStringLiteral("Lines"), frdtOneObject | frdtHasEditor,
                 [](const M& o) { return textValue(frListText(o.lines)); }, setText);
        t.add<M>(QStringLiteral("Lines.Count"), frdtInteger, [](const M& o) { return intValue(o.lines.size()); });
        t.hide(QStringLiteral("Lines.Count"));
        t.add<M>(QStringLiteral("ReadOnly"), frdtBoolean, [](const M& o) { return boolValue(o.readOnly); },
                 [](M& o, const TVariant& v) { setAndTell<M>(o, Change::Content, [&](M& c) { c.readOnly = v.toBool(); }); });
        t.add<M>(QStringLiteral("Text"), frdtString, [](const M& o) { return textValue(frListText(o.lines)); }, setText);
        t.hide(QStringLiteral("Text"));
        return t;
    }();
    return table;
}

const TfrObjectClass& TfrMemoControl::classInfo() {
    static const TfrObjectClass c = controlClass<TfrMemoControl>("TfrMemoControl", "Memo", TfrStdControl::classInfo());
    return c;
}

// ---------------------------------------------------------------- button

TfrButtonControl::TfrButtonControl() { setBounds(0, 0, 75, 25); }

void TfrButtonControl::setModalResult(std::uint16_t result) {
    modalResult = result;
    cancel = result == mrCancel;
    isDefault = result == mrOk;
}

void TfrButtonControl::assign(const TfrView& source) {
    TfrStdControl::assign(source);
    if (const auto* s = frCast<TfrButtonControl>(&source)) {
        caption = s->caption;
        modalResult = s->modalResult;
        cancel = s->cancel;
        isDefault = s->isDefault;
    }
}

void TfrButtonControl::loadFromStream(TBinaryReader& in, const TfrStreamContext& context) {
    TfrStdControl::loadFromStream(in, context);
    caption = readString(in, context.version);
    setModalResult(in.readU16());
}

void TfrButtonControl::saveToStream(TBinaryWriter& out, const TfrStreamContext& context) const {
    TfrStdControl::saveToStream(out, context);
    writeString(out, caption);
    out.writeU16(modalResult);
}

const TfrPropTable& TfrButtonControl::classProperties() {
    using B = TfrButtonControl;
    static const TfrPropTable table = [] {
        TfrPropTable t(&TfrStdControl::classProperties());
        t.add<B>(QStringLiteral("Cancel"), frdtBoolean, [](const B& o) { return boolValue(o.cancel); },
                 [](B& o, const TVariant& v) { setAndTell<B>(o, Change::Content, [&](B& c) { c.cancel = v.toBool(); }); });
        t.add<B>(QStringLiteral("Caption"), frdtString, [](const B& o) { return textValue(o.caption); },
                 [](B& o, const TVariant& v) { setAndTell<B>(o, Change::Content, [&](B& c) { c.caption = v.toString(); }); });
        t.add<B>(QStringLiteral("Default"), frdtBoolean, [](const B& o) { return boolValue(o.isDefault); },
                 [](B& o, const TVariant& v) { setAndTell<B>(o, Change::Content, [&](B& c) { c.isDefault = v.toBool(); }); });
        t.add<B>(
            QStringLiteral("ModalResult"), frdtEnum, [](const B& o) { return intValue(o.modalResult); },
            [](B& o, const TVariant& v) {
                setAndTell<B>(o, Change::Content, [&](B& c) {
                    c.setModalResult(static_cast<std::uint16_t>(c.properties().find(u"ModalResult")->enumValue(v)));
                });
            },
            QStringLiteral("mrNone;mrOk;mrCancel"));
        return t;
    }();
    return table;
}

const TfrObjectClass& TfrButtonControl::classInfo() {
    static const TfrObjectClass c =
        controlClass<TfrButtonControl>("TfrButtonControl", "Button", TfrStdControl::classInfo());
    return c;
}

// ---------------------------------------------------------------- check box, radio button

TfrCheckBoxControl::TfrCheckBoxControl() { setBounds(0, 0, 97, 17); }

void TfrCheckBoxControl::assign(const TfrView& source) {
    TfrStdControl::assign(source);
    if (const auto* s = frCast<TfrCheckBoxControl>(&source)) {
        alignment = s->alignment;
        checked = s->checked;
        caption = s->caption;
    }
}

void TfrCheckBoxControl::loadFromStream(TBinaryReader& in, const TfrStreamContext& context) {
    TfrStdControl::loadFromStream(in, context);
    alignment = in.readU8();
    checked = readBool(in);
    caption = readString(in, context.version);
}

void TfrCheckBoxControl::saveToStream(TBinaryWriter& out, const TfrStreamContext& context) const {
    TfrStdControl::saveToStream(out, context);
    out.writeU8(alignment);
    writeBool(out, checked);
    writeString(out, caption);
}

const TfrPropTable& TfrCheckBoxControl::classProperties() {
    using K = TfrCheckBoxControl;
    static const TfrPropTable table = [] {
        TfrPropTable t(&TfrStdControl::classProperties());
        t.add<K>(
            QStringLiteral("Alignment"), frdtEnum, [](const K& o) { return intValue(o.alignment); },
            [](K& o, const TVariant& v) {
                setAndTell<K>(o, Change::Content, [&](K& c) { c.alignment = enumByte(c, u"Alignment", v); });
            },
            QStringLiteral("taLeftJustify;taRightJustify"));
        t.add<K>(QStringLiteral("Checked"), frdtBoolean, [](const K& o) { return boolValue(o.checked); },
                 [](K& o, const TVariant& v) { setAndTell<K>(o, Change::Content, [&](K& c) { c.checked = v.toBool(); }); });
        t.add<K>(QStringLiteral("Caption"), frdtString, [](const K& o) { return textValue(o.caption); },
                 [](K& o, const TVariant& v) { setAndTell<K>(o, Change::Content, [&](K& c) { c.caption = v.toString(); }); });
        return t;
    }();
    return table;
}

const TfrObjectClass& TfrCheckBoxControl::classInfo() {
    static const TfrObjectClass c =
        controlClass<TfrCheckBoxControl>("TfrCheckBoxControl", "CheckBox", TfrStdControl::classInfo());
    return c;
}

TfrRadioButtonControl::TfrRadioButtonControl() {
    setBounds(0, 0, 113, 17);
    caption = QStringLiteral("RadioButton");
}

const TfrObjectClass& TfrRadioButtonControl::classInfo() {
    static const TfrObjectClass c =
        controlClass<TfrRadioButtonControl>("TfrRadioButtonControl", "RadioButton", TfrCheckBoxControl::classInfo());
    return c;
}

// ---------------------------------------------------------------- list box, combo box

void TfrListControl::setItemIndex(std::int32_t index) { itemIndex = index >= 0 && index < items.size() ? index : -1; }

void TfrListControl::assign(const TfrView& source) {
    TfrStdControl::assign(source);
    if (const auto* s = frCast<TfrListControl>(&source)) {
        items = s->items;
        itemIndex = s->itemIndex;
    }
}

std::optional<TVariant> TfrListControl::doMethod(const QString& name, const std::vector<TVariant>& args) {
    const QString n = name.toUpper();
    if (n.startsWith(QStringLiteral("ITEMS."))) {
        std::optional<TVariant> result = frStringListMethod(items, n.mid(6), args);
        if (result) {
            setItemIndex(itemIndex);
            changed(Change::Content);
        }
        return result;
    }
    return TfrStdControl::doMethod(name, args);
}

const TfrPropTable& TfrListControl::classProperties() {
    using L = TfrListControl;
    static const TfrPropTable table = [] {
        TfrPropTable t(&TfrStdControl::classProperties());
        t.add<L>(QStringLiteral("Items"), frdtOneObject | frdtHasEditor,
                 [](const L& o) { return textValue(frListText(o.items)); },
                 [](L& o, const TVariant& v) {
                     setAndTell<L>(o, Change::Content, [&](L& c) {
                         const QString text = v.toString();
                         c.items = text.isEmpty() ? QStringList() : textfile::splitLines(text);
                         c.setItemIndex(c.itemIndex);
                     });
                 });
        t.add<L>(QStringLiteral("ItemIndex"), frdtInteger, [](const L& o) { return intValue(o.itemIndex); },
                 [](L& o, const TVariant& v) { setAndTell<L>(o, Change::Content, [&](L& c) { c.setItemIndex(v.toInt()); }); });
        t.add<L>(QStringLiteral("Items.Count"), frdtInteger, [](const L& o) { return intValue(o.items.size()); });
        t.hide(QStringLiteral("Items.Count"));
        return t;
    }();
    return table;
}

const TfrObjectClass& TfrListControl::classInfo() {
    static const TfrObjectClass c =
        controlClass<TfrListControl>("TfrListControl", "List", TfrStdControl::classInfo());
    return c;
}

TfrListBoxControl::TfrListBoxControl() {
    setBounds(0, 0, 121, 97);
    color = clSystemColor + 5;
}

void TfrListBoxControl::loadFromStream(TBinaryReader& in, const TfrStreamContext& context) {
    TfrStdControl::loadFromStream(in, context);
    items = readStrings(in, context.version);
}

void TfrListBoxControl::saveToStream(TBinaryWriter& out, const TfrStreamContext& context) const {
    TfrStdControl::saveToStream(out, context);
    writeStrings(out, items);
}

const TfrObjectClass& TfrListBoxControl::classInfo() {
    static const TfrObjectClass c =
        controlClass<TfrListBoxControl>("TfrListBoxControl", "ListBox", TfrListControl::classInfo());
    return c;
}

TfrComboBoxControl::TfrComboBoxControl() {
    setBounds(0, 0, 145, 21);
    color = clSystemColor + 5;
}

QStringList TfrComboBoxControl::shownItems() const {
    if (style != csLookup)
        return items;
    QStringList shown;
    shown.reserve(items.size());
    for (const QString& item : items)
        shown << displayPart(item);
    return shown;
}

QString TfrComboBoxControl::text() const {
    const QString item = itemIndex >= 0 && itemIndex < items.size() ? items[itemIndex] : QString();
    switch (style) {
    case csDropDownList: return item;
    case csLookup: return valuePart(item);
    default: return editText;
    }
}

void TfrComboBoxControl::setText(const QString& value) {
    if (style != csDropDownList && style != csLookup) {
        editText = value;
        setItemIndex(static_cast<std::int32_t>(items.indexOf(value)));
        return;
    }
    std::int32_t found = static_cast<std::int32_t>(items.indexOf(value));
    for (std::int32_t i = 0; found < 0 && style == csLookup && i < items.size(); ++i)
        if (displayPart(items[i]) == value || valuePart(items[i]) == value)
            found = i;
    setItemIndex(found);
}

void TfrComboBoxControl::assign(const TfrView& source) {
    TfrListControl::assign(source);
    if (const auto* s = frCast<TfrComboBoxControl>(&source)) {
        style = s->style;
        editText = s->editText;
    }
}

void TfrComboBoxControl::loadFromStream(TBinaryReader& in, const TfrStreamContext& context) {
    TfrStdControl::loadFromStream(in, context);
    items = readStrings(in, context.version);
    const int version = objectVersionMajor * 10 + objectVersionMinor;
    style = csDropDown;
    if (version > 10) {
        style = in.readU8();
        // Older files counted the drop-down list as 1 and the lookup as 2.
        if (version <= 20 && style != 0)
            ++style;
    }
}

void TfrComboBoxControl::saveToStream(TBinaryWriter& out, const TfrStreamContext& context) const {
    TfrStdControl::saveToStream(out, context);
    writeStrings(out, items);
    out.writeU8(style);
}

const TfrPropTable& TfrComboBoxControl::classProperties() {
    using C = TfrComboBoxControl;
    static const TfrPropTable table = [] {
        TfrPropTable t(&TfrListControl::classProperties());
        t.add<C>(
            QStringLiteral("Style"), frdtEnum, [](const C& o) { return intValue(o.style); },
            [](C& o, const TVariant& v) {
                setAndTell<C>(o, Change::Content, [&](C& c) { c.style = enumByte(c, u"Style", v); });
            },
            QStringLiteral("csDropDown;csDropDownList;csLookup"), {csDropDown, csDropDownList, csLookup});
        t.add<C>(QStringLiteral("Text"), frdtString, [](const C& o) { return textValue(o.text()); },
                 [](C& o, const TVariant& v) { setAndTell<C>(o, Change::Content, [&](C& c) { c.setText(v.toString()); }); });
        // Choosing an item puts it into a drop-down's edit.
        t.add<C>(QStringLiteral("ItemIndex"), frdtInteger, [](const C& o) { return intValue(o.itemIndex); },
                 [](C& o, const TVariant& v) {
                     setAndTell<C>(o, Change::Content, [&](C& c) {
                         c.setItemIndex(v.toInt());
                         if (c.itemIndex >= 0)
                             c.editText = c.items[c.itemIndex];
                     });
                 });
        return t;
    }();
    return table;
}

const TfrObjectClass& TfrComboBoxControl::classInfo() {
    static const TfrObjectClass c = [] {
        TfrObjectClass c = controlClass<TfrComboBoxControl>("TfrComboBoxControl", "ComboBox", TfrListControl::classInfo());
        c.constants = {{QStringLiteral("csDropDown"), csDropDown},
                       {QStringLiteral("csDropDownList"), csDropDownList},
                       {QStringLiteral("csLookup"), csLookup}};
        return c;
    }();
    return c;
}

// ---------------------------------------------------------------- date edit

TfrDateEditControl::TfrDateEditControl() {
    setBounds(0, 0, 145, 21);
    color = clSystemColor + 5;
    date = today();
}

void TfrDateEditControl::setDate(double days) {
    date = std::isfinite(days) ? std::floor(days) : today();
}

void TfrDateEditControl::assign(const TfrView& source) {
    TfrStdControl::assign(source);
    if (const auto* s = frCast<TfrDateEditControl>(&source)) {
        dateFormat = s->dateFormat;
        date = s->date;
    }
}

void TfrDateEditControl::loadFromStream(TBinaryReader& in, const TfrStreamContext& context) {
    TfrStdControl::loadFromStream(in, context);
    dateFormat = in.readU8();
}

void TfrDateEditControl::saveToStream(TBinaryWriter& out, const TfrStreamContext& context) const {
    TfrStdControl::saveToStream(out, context);
    out.writeU8(dateFormat);
}

const TfrPropTable& TfrDateEditControl::classProperties() {
    using D = TfrDateEditControl;
    static const TfrPropTable table = [] {
        TfrPropTable t(&TfrStdControl::classProperties());
        t.add<D>(QStringLiteral("Date"), frdtFloat, [](const D& o) { return TVariant::dateTime(o.date); },
                 [](D& o, const TVariant& v) { setAndTell<D>(o, Change::Content, [&](D& c) { c.setDate(frformats::toDateTime(v)); }); });
        t.add<D>(
            QStringLiteral("DateFormat"), frdtEnum, [](const D& o) { return intValue(o.dateFormat); },
            [](D& o, const TVariant& v) {
                setAndTell<D>(o, Change::Content, [&](D& c) { c.dateFormat = enumByte(c, u"DateFormat", v); });
            },
            QStringLiteral("dfShort;dfLong"));
        return t;
    }();
    return table;
}

const TfrObjectClass& TfrDateEditControl::classInfo() {
    static const TfrObjectClass c = [] {
        TfrObjectClass c = controlClass<TfrDateEditControl>("TfrDateEditControl", "DateEdit", TfrStdControl::classInfo());
        c.constants = {{QStringLiteral("dfShort"), dfShort}, {QStringLiteral("dfLong"), dfLong}};
        return c;
    }();
    return c;
}

const std::vector<const TfrObjectClass*>& frControlClasses() {
    static const std::vector<const TfrObjectClass*> classes = {
        &TfrLabelControl::classInfo(),    &TfrEditControl::classInfo(),       &TfrMemoControl::classInfo(),
        &TfrButtonControl::classInfo(),   &TfrCheckBoxControl::classInfo(),   &TfrRadioButtonControl::classInfo(),
        &TfrListBoxControl::classInfo(),  &TfrComboBoxControl::classInfo(),   &TfrDateEditControl::classInfo(),
    };
    return classes;
}
