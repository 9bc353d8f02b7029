#include "report/expr/functions.h"

#include "common/cp1251.h"
#include "common/interaction.h"
#include "report/expr/aggregates.h"
#include "report/expr/context.h"
#include "report/expr/exprvalues.h"
#include "report/expr/formats.h"
#include "report/model/dataset.h"
#include "report/model/dictionary.h"
#include "report/model/report.h"

#include <algorithm>

// ---------------------------------------------------------------------------
// Installed functions

void TfrInstalledFunctions::add(const TfrFunctionLibrary* library, const QString& name, const QString& category,
                                const QString& description) {
    if (category.isEmpty())
        return;
    for (const TfrFunctionDescription& d : m_entries)
        if (d.name == name)
            return;
    m_entries.push_back({library, name, category, description});
}

void TfrInstalledFunctions::removeLibrary(const TfrFunctionLibrary* library) {
    std::erase_if(m_entries, [library](const TfrFunctionDescription& d) { return d.library == library; });
}

QString TfrInstalledFunctions::description(const QString& name) const {
    for (const TfrFunctionDescription& d : m_entries)
        if (d.name.compare(name, Qt::CaseInsensitive) == 0)
            return d.description;
    return QString();
}

QStringList TfrInstalledFunctions::categories() const {
    QStringList list;
    for (const TfrFunctionDescription& d : m_entries)
        if (!list.contains(d.category))
            list << d.category;
    list.sort();
    return list;
}

QStringList TfrInstalledFunctions::functions(const QString& category) const {
    const bool all = category.isEmpty() || category == allCategories();
    QStringList list;
    for (const TfrFunctionDescription& d : m_entries)
        if (all || d.category == category)
            list << d.name;
    list.sort();
    return list;
}

// ---------------------------------------------------------------------------
// Libraries and their registry

bool TfrFunctionLibrary::tryCall(TfrExprContext& context, const QString& name, const TfrCallArgs& args,
                                 TVariant& result) {
    const int number = m_names.indexOf(name);
    if (number < 0)
        return false;
    execute(context, number, args, result);
    return true;
}

TfrFunctionRegistry::TfrFunctionRegistry() {
    registerLibrary<TfrStdFunctionLibrary>();
    registerLibrary<TDatabaseFunctionLibrary>();
}

TfrFunctionRegistry::~TfrFunctionRegistry() = default;

void TfrFunctionRegistry::registerLibrary(const QString& className, const Factory& create) {
    for (const auto& l : m_libraries)
        if (l->className() == className)
            return;
    if (int(m_libraries.size()) >= maxLibraries)
        throw Exception(QStringLiteral("Нельзя зарегистрировать библиотеку функций %1: их уже %2").arg(className).arg(maxLibraries));
    std::unique_ptr<TfrFunctionLibrary> library = create();
    if (!library)
        return;
    library->registerDescriptions(m_installed);
    m_libraries.push_back(std::move(library));
}

void TfrFunctionRegistry::unregisterLibrary(const QString& className) {
    for (auto it = m_libraries.begin(); it != m_libraries.end(); ++it)
        if ((*it)->className() == className) {
            m_installed.removeLibrary(it->get());
            m_libraries.erase(it);
            return;
        }
}

bool TfrFunctionRegistry::call(TfrExprContext& context, const QString& name, const TfrCallArgs& args,
                               TVariant& result) {
    for (const auto& l : m_libraries)
        if (l->tryCall(context, name, args, result))
            return true;
    return false;
}

// ---------------------------------------------------------------------------
// Standard library

namespace {

enum StdFunction {
    fnAvg, fnCount, fnDayOf, fnFormatDateTime, fnFormatFloat, fnFormatText, fnInput, fnLength, fnLowerCase,
    fnMax, fnMaxNum, fnMessageBox, fnMin, fnMinNum, fnMonthOf, fnNameCase, fnPos, fnSum, fnTrim, fnUpperCase,
    fnYearOf,
};

struct TDescription {
    const char16_t* name;
    const char16_t* category;
    const char16_t* text;
};

const char16_t kAggregate[] = u"Агрегатные";
const char16_t kDates[] = u"Дата и время";
const char16_t kStrings[] = u"Строковые";
const char16_t kOther[] = u"Прочие";
const char16_t kMath[] = u"Арифметические";
const char16_t kLogic[] = u"Логические";
const char16_t kReport[] = u"Отчет";
const char16_t kScript[] = u"Интерпретатор";

// The function browser's list: syntax, "/", explanation.
const TDescription kStdDescriptions[] = {
    {u"AVG", kAggregate, u"AVG(<Выражение> [,ИмяБэнда [,1]])/Вычисляет среднее значение выражения <Выражение> для строк данных [ИмяБэнда]. Если задан параметр [1], в расчет включаются также невидимые бэнды. "},
    {u"COUNT", kAggregate, u"COUNT(<ИмяБэнда>)/Возвращает количество строк данных, образованных бэндом <ИмяБэнда>. Пример: Count(Band1)."},
    {u"MAX", kAggregate, u"MAX(<Выражение> [,ИмяБэнда [,1]])/Вычисляет максимальное значение выражения <Выражение> для строк данных [ИмяБэнда]. Если задан параметр [1], в расчет включаются также невидимые бэнды. "},
    {u"MIN", kAggregate, u"MIN(<Выражение> [,ИмяБэнда [,1]])/Вычисляет минимальное значение выражения <Выражение> для строк данных [ИмяБэнда]. Если задан параметр [1], в расчет включаются также невидимые бэнды. "},
    {u"SUM", kAggregate, u"SUM(<Выражение> [,ИмяБэнда [,1]])/Вычисляет сумму выражения <Выражение> для строк данных [ИмяБэнда]. Если задан параметр [1], в расчет включаются также невидимые бэнды. "},
    {u"DAYOF", kDates, u"DAYOF(<Дата>)/Возвращает номер дня месяца (1..31) даты <Дата>."},
    {u"MONTHOF", kDates, u"MONTHOF(<Дата>)/Возвращает номер месяца (1..12) даты <Дата>."},
    {u"YEAROF", kDates, u"YEAROF(<Дата>)/Возвращает год даты <Дата> (четыре цифры)."},
    {u"STRTODATE", kDates, u"STRTODATE/Преобразует строку в дату."},
    {u"STRTOTIME", kDates, u"STRTOTIME/Преобразует строку во время."},
    {u"DATE", kDates, u"DATE/Возвращает дату начала построения отчета."},
    {u"TIME", kDates, u"TIME/Возвращает время начала построения отчета."},
    {u"FORMATDATETIME", kStrings, u"FORMATDATETIME(<Формат>, <ДатаВремя>)/Возвращает дату и время <ДатаВремя>, отформатированные по строке формата <Формат>."},
    {u"FORMATFLOAT", kStrings, u"FORMATFLOAT(<Формат>, <Число>)/Возвращает число <Число>, отформатированное по строке формата <Формат>."},
    {u"FORMATTEXT", kStrings, u"FORMATTEXT(<Маска>, <Строка>)/Возвращает строку <Строка>, отформатированную по маске <Маска>."},
    {u"LENGTH", kStrings, u"LENGTH(<Строка>)/Возвращает длину строки <Строка>."},
    {u"LOWERCASE", kStrings, u"LOWERCASE(<Строка>)/Возвращает строку <Строка>, переведенную в нижний регистр."},
    {u"NAMECASE", kStrings, u"NAMECASE(<Строка>)/Возвращает строку <Строка> в нижнем регистре с заглавной первой буквой."},
    {u"TRIM", kStrings, u"TRIM(<Строка>)/Возвращает строку <Строка> без начальных и конечных пробелов."},
    {u"UPPERCASE", kStrings, u"UPPERCASE(<Строка>)/Возвращает строку <Строка>, переведенную в верхний регистр."},
    {u"POS", kStrings, u"POS(<Подстрока>, <Строка>)/Возвращает позицию подстроки <Подстрока> в строке <Строка> (0, если ее нет)."},
    {u"COPY", kStrings, u"COPY(<Строка>, <Начало>, <Длина>)/Возвращает часть строки <Строка> длиной <Длина> символов, начиная с символа <Начало>."},
    {u"STR", kStrings, u"STR(<Число>)/Возвращает текст числа <Число>."},
    {u"INPUT", kOther, u"INPUT(<Заголовок> [,Значение])/Показывает окно ввода с заголовком <Заголовок> и начальным значением [Значение]; возвращает введенную строку."},
    {u"MESSAGEBOX", kOther, u"MESSAGEBOX(<Текст>, <Заголовок>, <Кнопки>)/Показывает окно сообщения с текстом <Текст>, заголовком <Заголовок> и кнопками <Кнопки>; возвращает код нажатой кнопки."},
    {u"IF", kOther, u"IF(<Выражение>, <Значение1>, <Значение2>)/Возвращает <Значение1>, если выражение <Выражение> истинно, иначе <Значение2>."},
    {u"PAGE#", kOther, u"PAGE#/Возвращает номер печатаемой страницы."},
    {u"LINE#", kOther, u"LINE#/Возвращает номер строки данных в группе."},
    {u"LINETHROUGH#", kOther, u"LINETHROUGH#/Возвращает сквозной номер строки данных."},
    {u"COLUMN#", kOther, u"COLUMN#/Возвращает номер печатаемой колонки кросс-таблицы."},
    {u"TOTALPAGES", kOther, u"TOTALPAGES/Возвращает общее количество страниц отчета (для двухпроходного отчета)."},
    {u"MAXNUM", kMath, u"MAXNUM(<Число1>, <Число2>)/Возвращает большее из чисел <Число1> и <Число2>."},
    {u"MINNUM", kMath, u"MINNUM(<Число1>, <Число2>)/Возвращает меньшее из чисел <Число1> и <Число2>."},
    {u"MOD", kMath, u"<Число1> MOD <Число2>/Возвращает остаток от деления <Число1> на <Число2>."},
    {u"ROUND", kMath, u"ROUND(<Число>)/Возвращает число <Число>, округленное до целого."},
    {u"FRAC", kMath, u"FRAC(<Число>)/Возвращает дробную часть числа <Число>."},
    {u"INT", kMath, u"INT(<Число>)/Возвращает целую часть числа <Число>."},
    {u"NOT", kLogic, u"NOT <Значение>/Возвращает логическое отрицание значения <Значение>."},
    {u"AND", kLogic, u"<Значение1> AND <Значение2>/Возвращает логическое \"И\" значений <Значение1> и <Значение2>."},
    {u"OR", kLogic, u"<Значение1> OR <Значение2>/Возвращает логическое \"ИЛИ\" значений <Значение1> и <Значение2>."},
    {u"TRUE", kLogic, u"TRUE/Логическое значение \"истина\"."},
    {u"FALSE", kLogic, u"FALSE/Логическое значение \"ложь\"."},
    {u"REPORTCOMMENT", kReport, u"REPORTCOMMENT/Возвращает комментарий отчета."},
    {u"REPORTNAME", kReport, u"REPORTNAME/Возвращает название отчета."},
    {u"REPORTAUTOR", kReport, u"REPORTAUTOR/Возвращает автора отчета."},
    {u"VMAJOR", kReport, u"VMAJOR/Возвращает старший номер версии отчета."},
    {u"VMINOR", kReport, u"VMINOR/Возвращает младший номер версии отчета."},
    {u"VRELEASE", kReport, u"VRELEASE/Возвращает номер выпуска отчета."},
    {u"VBUILD", kReport, u"VBUILD/Возвращает номер сборки отчета."},
    {u"REPORTDATE", kReport, u"REPORTDATE/Возвращает дату создания отчета."},
    {u"REPORTLASTCHANGE", kReport, u"REPORTLASTCHANGE/Возвращает дату последнего изменения отчета."},
    {u"MROK", kScript, u"MROK/Результат диалога: нажата кнопка OK."},
    {u"MRCANCEL", kScript, u"MRCANCEL/Результат диалога: нажата кнопка \"Отмена\"."},
    {u"CURY", kScript, u"CURY/Возвращает вертикальную позицию, в которой будет выведен следующий бэнд."},
    {u"FREESPACE", kScript, u"FREESPACE/Возвращает свободное место на странице ниже текущей позиции."},
    {u"FINALPASS", kScript, u"FINALPASS/Истина во время последнего прохода двухпроходного отчета."},
    {u"PAGEHEIGHT", kScript, u"PAGEHEIGHT/Возвращает высоту страницы, доступную бэндам."},
    {u"PAGEWIDTH", kScript, u"PAGEWIDTH/Возвращает ширину страницы, доступную бэндам."},
    {u"PROGRESS", kScript, u"PROGRESS/Возвращает ход построения отчета."},
    {u"MODALRESULT", kScript, u"MODALRESULT/Результат диалоговой формы."},
    {u"STOPREPORT", kScript, u"STOPREPORT/Прекращает построение отчета."},
    {u"NEWPAGE", kScript, u"NEWPAGE/Начинает новую страницу."},
    {u"NEWCOLUMN", kScript, u"NEWCOLUMN/Начинает новую колонку."},
    {u"SHOWBAND", kScript, u"SHOWBAND(<BandName>)/Выводит бэнд <BandName> на текущей странице."},
    {u"INC", kScript, u"INC(<Число>)/Увеличивает значение переменной <Число> на 1."},
    {u"DEC", kScript, u"DEC(<Число>)/Уменьшает значение переменной <Число> на 1."},
};

QString textOf(TfrExprContext& c, const QString& argument) { return c.evaluate(argument).toString(); }

// The day, month or year of a date-time, read back from its text as the
// patterns "d", "m" and "yyyy" write it.
std::int32_t datePart(TfrExprContext& c, const QString& argument, const QString& pattern) {
    const double dt = frformats::toDateTime(c.evaluate(argument));
    return frformats::formatDateTime(pattern, dt).toInt();
}

TUserInteraction::Buttons buttonsOf(std::int32_t code) {
    switch (code & 0x0F) {
    case 1: return TUserInteraction::Ok | TUserInteraction::Cancel;
    case 2: return TUserInteraction::Abort | TUserInteraction::Retry | TUserInteraction::Ignore;
    case 3: return TUserInteraction::Yes | TUserInteraction::No | TUserInteraction::Cancel;
    case 4: return TUserInteraction::Yes | TUserInteraction::No;
    case 5: return TUserInteraction::Retry | TUserInteraction::Cancel;
    default: return TUserInteraction::Ok;
    }
}

TUserInteraction::Icon iconOf(std::int32_t code) {
    switch (code & 0xF0) {
    case 16: return TUserInteraction::ErrorIcon;
    case 32: return TUserInteraction::QuestionIcon;
    case 48: return TUserInteraction::WarningIcon;
    case 64: return TUserInteraction::InformationIcon;
    default: return TUserInteraction::NoIcon;
    }
}

std::int32_t buttonCode(TUserInteraction::Button b) {
    switch (b) {
    case TUserInteraction::Ok: return 1;
    case TUserInteraction::Cancel: return 2;
    case TUserInteraction::Abort: return 3;
    case TUserInteraction::Retry: return 4;
    case TUserInteraction::Ignore: return 5;
    case TUserInteraction::Yes: return 6;
    case TUserInteraction::No: return 7;
    }
    return 0;
}

bool isBlankOrControl(QChar c) { return c.unicode() <= 32; }

} // namespace

TfrStdFunctionLibrary::TfrStdFunctionLibrary()
    : TfrFunctionLibrary({QStringLiteral("AVG"), QStringLiteral("COUNT"), QStringLiteral("DAYOF"),
                          QStringLiteral("FORMATDATETIME"), QStringLiteral("FORMATFLOAT"), QStringLiteral("FORMATTEXT"),
                          QStringLiteral("INPUT"), QStringLiteral("LENGTH"), QStringLiteral("LOWERCASE"),
                          QStringLiteral("MAX"), QStringLiteral("MAXNUM"), QStringLiteral("MESSAGEBOX"),
                          QStringLiteral("MIN"), QStringLiteral("MINNUM"), QStringLiteral("MONTHOF"),
                          QStringLiteral("NAMECASE"), QStringLiteral("POS"), QStringLiteral("SUM"),
                          QStringLiteral("TRIM"), QStringLiteral("UPPERCASE"), QStringLiteral("YEAROF")}) {}

void TfrStdFunctionLibrary::registerDescriptions(TfrInstalledFunctions& installed) const {
    for (const TDescription& d : kStdDescriptions)
        installed.add(this, QString::fromUtf16(d.name), QString::fromUtf16(d.category), QString::fromUtf16(d.text));
}

void TfrStdFunctionLibrary::execute(TfrExprContext& c, int number, const TfrCallArgs& a, TVariant& result) {
    switch (number) {
    case fnAvg: fraggregates::call(c, fraggregates::Avg, a, result); break;
    case fnCount: fraggregates::call(c, fraggregates::Count, a, result); break;
    case fnMax: fraggregates::call(c, fraggregates::Max, a, result); break;
    case fnMin: fraggregates::call(c, fraggregates::Min, a, result); break;
    case fnSum: fraggregates::call(c, fraggregates::Sum, a, result); break;
    case fnDayOf: result = TVariant(datePart(c, a.p1, QStringLiteral("d"))); break;
    case fnMonthOf: result = TVariant(datePart(c, a.p1, QStringLiteral("m"))); break;
    case fnYearOf: result = TVariant(datePart(c, a.p1, QStringLiteral("yyyy"))); break;
    case fnFormatDateTime: {
        const QString pattern = textOf(c, a.p1);
        result = TVariant(frformats::formatDateTime(pattern, frformats::toDateTime(c.evaluate(a.p2))));
        break;
    }
    case fnFormatFloat: {
        const QString pattern = textOf(c, a.p1);
        result = TVariant(frformats::formatNumber(pattern, c.evaluate(a.p2).toDouble()));
        break;
    }
    case fnFormatText: {
        const QString mask = textOf(c, a.p1);
        result = TVariant(frformats::formatMaskText(mask, textOf(c, a.p2)));
        break;
    }
    case fnInput: {
        const QString prompt = textOf(c, a.p1);
        const QString preset = a.p2.isEmpty() ? QString() : textOf(c, a.p2);
        const std::optional<QString> answer = c.interaction().inputBox(QString(), prompt, preset);
        result = TVariant(answer.value_or(preset));
        break;
    }
    case fnLength: result = TVariant(std::int32_t(textOf(c, a.p1).size())); break;
    case fnLowerCase: result = TVariant(cp1251::toLower(textOf(c, a.p1))); break;
    case fnUpperCase: result = TVariant(cp1251::toUpper(textOf(c, a.p1))); break;
    case fnNameCase: {
        QString s = cp1251::toLower(textOf(c, a.p1));
        if (!s.isEmpty())
            s[0] = cp1251::toUpper(s[0]);
        result = TVariant(s);
        break;
    }
    case fnMaxNum:
    case fnMinNum: {
        const TVariant x = c.evaluate(a.p1), y = c.evaluate(a.p2);
        bool ordered = true;
        const int cmp = frvalues::compare(x, y, ordered);
        const bool first = number == fnMaxNum ? (ordered && cmp > 0) : (ordered && cmp < 0);
        result = first ? x : y;
        break;
    }
    case fnMessageBox: {
        const QString text = textOf(c, a.p1);
        const QString caption = textOf(c, a.p2);
        const std::int32_t code = c.evaluate(a.p3).toInt();
        result = TVariant(buttonCode(c.interaction().messageBox(text, caption, iconOf(code), buttonsOf(code))));
        break;
    }
    case fnPos: {
        const QString needle = textOf(c, a.p1);
        const QString haystack = textOf(c, a.p2);
        result = TVariant(std::int32_t(needle.isEmpty() ? 0 : haystack.indexOf(needle) + 1));
        break;
    }
    case fnTrim: {
        const QString s = textOf(c, a.p1);
        qsizetype b = 0, e = s.size();
        while (b < e && isBlankOrControl(s[b]))
            ++b;
        while (e > b && isBlankOrControl(s[e - 1]))
            --e;
        result = TVariant(s.mid(b, e - b));
        break;
    }
    default: break;
    }
}

// ---------------------------------------------------------------------------
// Database library

TDatabaseFunctionLibrary::TDatabaseFunctionLibrary() : TfrFunctionLibrary({QStringLiteral("FIELDISNULL")}) {}

void TDatabaseFunctionLibrary::registerDescriptions(TfrInstalledFunctions& installed) const {
    installed.add(this, QStringLiteral("FIELDISNULL"), QStringLiteral("Базы данных"),
                  QStringLiteral("FIELDISNULL(<FieldName>)/Возвращает истину, если поле <FieldName> не содержит значения."));
}

void TDatabaseFunctionLibrary::execute(TfrExprContext& c, int number, const TfrCallArgs& a, TVariant& result) {
    result = TVariant(std::int32_t(0));
    const QString field = c.evaluate(a.p1).toString();
    TfrCacheItem item;
    if (!c.report().dictionary().resolveField(field, item) || !item.table) {
        result = TVariant(true);
        return;
    }
    const int index = item.table->fieldIndex(item.field);
    result = TVariant(index < 0 || item.table->fieldIsNull(index));
}
