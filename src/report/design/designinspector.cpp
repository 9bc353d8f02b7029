#include "report/design/designinspector.h"

#include "common/exception.h"
#include "report/design/designdoc.h"
#include "report/model/engine.h"
#include "report/model/page.h"

#include <QHash>
#include <cmath>

namespace {

bool dialogPage(const TfrDesignDocument& doc) { return doc.page().pageType == ptDialog; }

TfrUnits lengthUnits(const TfrDesignDocument& doc) {
    return dialogPage(doc) ? TfrUnits::Pixels : doc.settings().units;
}

// A decimal number as the user types it: "." or "," before the decimals.
std::optional<double> readDecimal(QString text) {
    text = text.trimmed().replace(u',', u'.');
    bool ok = false;
    const double v = text.toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return std::nullopt;
    return v;
}

[[noreturn]] void badValue(const QString& text, const QString& what) {
    throw Exception(QStringLiteral("\"%1\" не является %2").arg(text, what));
}

std::int32_t toPixels(double v, TfrUnits units, const QString& text) {
    switch (units) {
    case TfrUnits::Millimetres: v = v / 5.0 * 18.0; break;
    case TfrUnits::Inches: v = v * 25.4 / 5.0 * 18.0; break;
    default: break;
    }
    if (std::fabs(v) > 1e9)
        badValue(text, QStringLiteral("допустимым размером"));
    return static_cast<std::int32_t>(std::lround(v));
}

bool sameValue(const TVariant& a, const TVariant& b) {
    return a.kind() == b.kind() && a.toString() == b.toString();
}

} // namespace

std::optional<std::int32_t> frLengthWithUnits(const QString& text) {
    static const struct {
        const char16_t* suffix;
        TfrUnits units;
    } kSuffixes[] = {{u"mm", TfrUnits::Millimetres}, {u"мм", TfrUnits::Millimetres}, {u"in", TfrUnits::Inches},
                     {u"дюйм", TfrUnits::Inches}, {u"px", TfrUnits::Pixels}};
    const QString t = text.trimmed();
    for (const auto& s : kSuffixes) {
        const QString suffix = QString::fromUtf16(s.suffix);
        if (!t.endsWith(suffix, Qt::CaseInsensitive))
            continue;
        const std::optional<double> v = readDecimal(t.chopped(suffix.size()));
        if (!v)
            badValue(text, QStringLiteral("размером"));
        return toPixels(*v, s.units, text);
    }
    return std::nullopt;
}

QStringList frColorNames(const TfrEngine& engine) {
    QStringList names;
    const TfrVariables& constants = engine.constants();
    for (int i = 0; i < constants.count(); ++i)
        if (constants.name(i).startsWith(u"cl"))
            names.append(constants.name(i));
    return names;
}

bool frInspectorEditable(const TfrPropRec& p) {
    return p.set && (p.kind & (frdtString | frdtInteger | frdtFloat | frdtBoolean | frdtColor | frdtEnum | frdtSize));
}

QString frInspectorText(const TfrDesignDocument& doc, const TfrPropRec& p, const TVariant& value) {
    if (p.kind & frdtSize)
        return frFormatLength(value.toInt(), lengthUnits(doc));
    if (p.kind & frdtEnum) {
        const std::int32_t v = value.toInt();
        for (std::size_t i = 0; i < p.enumValues.size() && i < std::size_t(p.enumNames.size()); ++i)
            if (p.enumValues[i] == v)
                return p.enumNames[qsizetype(i)];
        return QString::number(v);
    }
    if (p.kind & frdtBoolean)
        return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    if (p.kind & frdtColor) {
        const TfrColor c = frColorOf(value);
        const TfrVariables& constants = doc.engine().constants();
        for (const QString& name : frColorNames(doc.engine()))
            if (static_cast<TfrColor>(constants.get(name).toInt()) == c)
                return name;
        return u'$' + QString::number(c & 0xFFFFFF, 16).toUpper().rightJustified(6, u'0');
    }
    if (p.kind & frdtFloat)
        return QString::number(value.toDouble(), 'f', 2);
    if (p.kind & frdtInteger)
        return QString::number(value.toInt());
    return value.toString();
}

TVariant frInspectorValue(const TfrDesignDocument& doc, const TfrPropRec& p, const QString& text) {
    const QString t = text.trimmed();
    if (p.kind & frdtSize) {
        const std::optional<double> v = readDecimal(t);
        if (!v)
            badValue(text, QStringLiteral("числом"));
        return TVariant(toPixels(*v, lengthUnits(doc), text));
    }
    if (p.kind & frdtEnum) {
        for (const QString& name : p.enumNames)
            if (name.compare(t, Qt::CaseInsensitive) == 0)
                return TVariant(name);
        badValue(text, QStringLiteral("одним из значений ") + p.enumNames.join(QStringLiteral(", ")));
    }
    if (p.kind & frdtBoolean) {
        if (t.compare(u"True", Qt::CaseInsensitive) == 0)
            return TVariant(true);
        if (t.compare(u"False", Qt::CaseInsensitive) == 0)
            return TVariant(false);
        badValue(text, QStringLiteral("логическим значением (True или False)"));
    }
    if (p.kind & frdtColor) {
        if (t.startsWith(u'$') && t.size() <= 9) {
            bool ok = false;
            const std::uint32_t v = t.mid(1).toUInt(&ok, 16);
            if (ok && t.size() > 1)
                return TVariant(static_cast<std::int32_t>(v));
        }
        const TfrVariables& constants = doc.engine().constants();
        if (t.startsWith(u"cl", Qt::CaseInsensitive) && constants.contains(t))
            return constants.get(t);
        badValue(text, QStringLiteral("цветом"));
    }
    if (p.kind & frdtFloat) {
        const std::optional<double> v = readDecimal(t);
        if (!v)
            badValue(text, QStringLiteral("числом"));
        return TVariant(*v);
    }
    if (p.kind & frdtInteger) {
        bool ok = false;
        const std::int32_t v = t.toInt(&ok);
        if (!ok)
            badValue(text, QStringLiteral("целым числом"));
        return TVariant(v);
    }
    return TVariant(text);
}

std::vector<TfrInspectorRow> frInspectorRows(const TfrDesignDocument& doc) {
    const std::vector<TfrView*> views = doc.selection();
    std::vector<TfrInspectorRow> rows;
    if (views.empty())
        return rows;
    const bool several = views.size() > 1;
    const bool localized = doc.settings().localizedPropNames;
    for (const TfrPropRec* p : views.front()->propList()) {
        if (several && (p->kind & frdtOneObject))
            continue;
        TfrInspectorRow row;
        row.property = p;
        row.caption = localized ? frLocalizedPropName(p->name) : p->name;
        const TVariant first = p->get(*views.front());
        bool shared = true;
        for (std::size_t i = 1; i < views.size() && shared; ++i) {
            const TfrPropRec* other = views[i]->findProperty(p->name);
            if (!other || !other->listed || other->kind != p->kind)
                shared = false;
            else if (row.uniform && !sameValue(other->get(*views[i]), first))
                row.uniform = false;
        }
        if (!shared)
            continue;
        if (row.uniform)
            row.text = frInspectorText(doc, *p, first);
        rows.push_back(std::move(row));
    }
    return rows;
}

bool frInspectorApply(TfrDesignDocument& doc, const QString& property, const QString& text) {
    const std::vector<TfrView*> views = doc.selection();
    if (views.empty())
        return doc.setProperty(views, property, TVariant(text));
    const TfrPropRec* p = views.front()->findProperty(property);
    if (!p)
        return doc.setProperty(views, property, TVariant(text)); // refused with the reason
    return doc.setProperty(views, p->name, frInspectorValue(doc, *p, text));
}

QString frLocalizedPropName(const QString& name) {
    static const QHash<QString, QString> names = {
        {QStringLiteral("Name"), QStringLiteral("Имя")},
        {QStringLiteral("Left"), QStringLiteral("Слева")},
        {QStringLiteral("Top"), QStringLiteral("Сверху")},
        {QStringLiteral("Width"), QStringLiteral("Ширина")},
        {QStringLiteral("Height"), QStringLiteral("Высота")},
        {QStringLiteral("Flags"), QStringLiteral("Флаги")},
        {QStringLiteral("FrameTyp"), QStringLiteral("Рамка")},
        {QStringLiteral("FrameWidth"), QStringLiteral("Толщина рамки")},
        {QStringLiteral("FrameColor"), QStringLiteral("Цвет рамки")},
        {QStringLiteral("FrameStyle"), QStringLiteral("Стиль рамки")},
        {QStringLiteral("FillColor"), QStringLiteral("Цвет заливки")},
        {QStringLiteral("Tag"), QStringLiteral("Тэг")},
        {QStringLiteral("BandAlign"), QStringLiteral("Выравнивание в бэнде")},
        {QStringLiteral("Visible"), QStringLiteral("Видимый")},
        {QStringLiteral("Memo"), QStringLiteral("Текст")},
        {QStringLiteral("Restrictions"), QStringLiteral("Ограничения")},
        {QStringLiteral("Alignment"), QStringLiteral("Выравнивание")},
        {QStringLiteral("AutoWidth"), QStringLiteral("Автоширина")},
        {QStringLiteral("CharSpacing"), QStringLiteral("Межсимвольный интервал")},
        {QStringLiteral("DisplayFormat"), QStringLiteral("Формат")},
        {QStringLiteral("Font"), QStringLiteral("Шрифт")},
        {QStringLiteral("HideZeros"), QStringLiteral("Скрывать нули")},
        {QStringLiteral("Highlight"), QStringLiteral("Выделение")},
        {QStringLiteral("LineSpacing"), QStringLiteral("Межстрочный интервал")},
        {QStringLiteral("Stretched"), QStringLiteral("Растягиваемый")},
        {QStringLiteral("Suppress"), QStringLiteral("Подавлять повторы")},
        {QStringLiteral("TextOnly"), QStringLiteral("Только текст")},
        {QStringLiteral("Underlines"), QStringLiteral("Подчеркивание строк")},
        {QStringLiteral("WordBreak"), QStringLiteral("Перенос слов")},
        {QStringLiteral("WordWrap"), QStringLiteral("Перенос строк")},
        {QStringLiteral("DataField"), QStringLiteral("Поле БД")},
        {QStringLiteral("GapX"), QStringLiteral("Отступ X")},
        {QStringLiteral("GapY"), QStringLiteral("Отступ Y")},
    };
    return names.value(name, name);
}
