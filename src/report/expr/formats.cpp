#include "report/expr/formats.h"

#include "common/cp1251.h"
#include "common/exception.h"
#include "common/numformat.h"
#include "report/expr/exprvalues.h"
#include "report/model/constants.h"

#include <QDate>
#include <QStringList>
#include <charconv>
#include <cmath>
#include <string>
#include <string_view>

namespace frformats {

namespace {

// ---------------------------------------------------------------------------
// Decimal digits of a double: value = 0.digits * 10^exponent, at most 15
// significant digits, no trailing zeros; zero has no digits.

struct TDigits {
    std::string digits;
    int exponent = 0;
    bool negative = false;
};

TDigits toDigits(double value) {
    TDigits r;
    r.negative = std::signbit(value) && value != 0;
    if (value == 0)
        return r;
    char buf[40];
    const auto end = std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific, 14).ptr;
    const std::string_view s(buf, std::size_t(end - buf)); // d.ddddddddddddddde±xx
    const auto e = s.find('e');
    r.digits.assign(s.substr(0, 1));
    r.digits.append(s.substr(2, e - 2));
    int exponent = 0;
    std::from_chars(s.data() + e + (s[e + 1] == '+' ? 2 : 1), s.data() + s.size(), exponent);
    r.exponent = exponent + 1;
    while (!r.digits.empty() && r.digits.back() == '0')
        r.digits.pop_back();
    return r;
}

// Keeps the first `keep` digits, rounding half away from zero.
void roundDigits(TDigits& d, int keep) {
    if (keep >= int(d.digits.size()))
        return;
    if (keep < 0) {
        d.digits.clear();
        return;
    }
    const bool up = d.digits[std::size_t(keep)] >= '5';
    d.digits.resize(std::size_t(keep));
    if (up) {
        int i = keep - 1;
        while (i >= 0 && d.digits[std::size_t(i)] == '9') {
            d.digits[std::size_t(i)] = '0';
            --i;
        }
        if (i >= 0) {
            ++d.digits[std::size_t(i)];
        } else {
            d.digits.insert(d.digits.begin(), '1');
            ++d.exponent;
        }
    }
    while (!d.digits.empty() && d.digits.back() == '0')
        d.digits.pop_back();
}

// Integer digits (no leading zeros, empty for 0) and exactly `decimals`
// fraction digits of rounded digits.
void fixedParts(const TDigits& d, int decimals, std::string& integer, std::string& fraction) {
    integer.clear();
    fraction.clear();
    const int n = int(d.digits.size());
    if (d.exponent > 0) {
        for (int i = 0; i < d.exponent; ++i)
            integer += i < n ? d.digits[std::size_t(i)] : '0';
    }
    for (int k = 0; k < decimals; ++k) {
        const int i = d.exponent + k; // digit index of fraction position k
        fraction += i >= 0 && i < n ? d.digits[std::size_t(i)] : '0';
    }
}

// ---------------------------------------------------------------------------
// Number patterns

struct TSection {
    QString text;
    int intPlaceholders = 0;
    int intZeros = 0; // placeholders from the first integer 0 to the point
    int decPlaceholders = 0;
    int decZeros = 0; // decimals up to the last 0
    bool grouping = false;
    bool scientific = false;
    bool expAlwaysSign = false;
    int expDigits = 0;
    char16_t expChar = u'E';
};

QStringList splitSections(const QString& pattern) {
    QStringList sections;
    QString current;
    char16_t quote = 0;
    for (QChar ch : pattern) {
        const char16_t c = ch.unicode();
        if (quote) {
            if (c == quote)
                quote = 0;
        } else if (c == u'\'' || c == u'"') {
            quote = c;
        } else if (c == u';') {
            sections << current;
            current.clear();
            continue;
        }
        current += ch;
    }
    sections << current;
    return sections;
}

TSection analyse(const QString& text) {
    TSection s;
    s.text = text;
    bool afterPoint = false;
    bool seenIntZero = false;
    char16_t quote = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (quote) {
            if (c == quote)
                quote = 0;
            continue;
        }
        switch (c) {
        case u'\'':
        case u'"': quote = c; break;
        case u'0':
        case u'#':
            if (afterPoint) {
                ++s.decPlaceholders;
                if (c == u'0')
                    s.decZeros = s.decPlaceholders;
            } else {
                ++s.intPlaceholders;
                if (c == u'0')
                    seenIntZero = true;
                if (seenIntZero)
                    ++s.intZeros;
            }
            break;
        case u'.':
            if (!s.scientific)
                afterPoint = true;
            break;
        case u',':
            if (!afterPoint)
                s.grouping = true;
            break;
        case u'E':
        case u'e':
            if (!s.scientific && i + 1 < n && (text[i + 1] == u'+' || text[i + 1] == u'-')) {
                s.scientific = true;
                s.expChar = c;
                s.expAlwaysSign = text[i + 1] == u'+';
                qsizetype k = i + 2;
                while (k < n && text[k] == u'0') {
                    ++s.expDigits;
                    ++k;
                }
                i = k - 1;
            }
            break;
        default: break;
        }
    }
    s.expDigits = std::min(s.expDigits, 4);
    return s;
}

// Writes one section for a non-negative value.
QString formatSection(const TSection& s, double value, char16_t decimalSeparator, char16_t thousandSeparator,
                      bool& allZero) {
    TDigits d = toDigits(std::fabs(value));
    std::string integer, fraction;
    int exponentShown = 0;
    if (s.scientific) {
        const int intDigits = std::max(1, s.intPlaceholders);
        const int significant = std::min(15, intDigits + s.decPlaceholders);
        roundDigits(d, significant);
        if (!d.digits.empty())
            exponentShown = d.exponent - intDigits;
        TDigits shifted = d;
        shifted.exponent = d.digits.empty() ? 0 : intDigits;
        fixedParts(shifted, s.decPlaceholders, integer, fraction);
    } else {
        roundDigits(d, d.exponent + s.decPlaceholders);
        fixedParts(d, s.decPlaceholders, integer, fraction);
    }
    allZero = d.digits.empty();
    // Optional decimals: trailing zeros beyond the last 0 placeholder go.
    while (int(fraction.size()) > s.decZeros && !fraction.empty() && fraction.back() == '0')
        fraction.pop_back();
    // Leading zeros up to the 0 placeholders.
    const int minInt = s.scientific ? std::max(1, s.intZeros) : s.intZeros;
    while (int(integer.size()) < minInt)
        integer.insert(integer.begin(), '0');

    QString out;
    const int n = int(integer.size());
    int placeholder = 0; // integer placeholders passed
    int fractionIndex = 0;
    bool afterPoint = false, exponentDone = false;
    char16_t quote = 0;
    auto emitInteger = [&](int from, int to) {
        for (int i = from; i < to; ++i) {
            out += QChar(integer[std::size_t(i)]);
            if (s.grouping && (n - 1 - i) % 3 == 0 && i != n - 1)
                out += QChar(thousandSeparator);
        }
    };
    const QString& t = s.text;
    const qsizetype len = t.size();
    for (qsizetype i = 0; i < len; ++i) {
        const char16_t c = t[i].unicode();
        if (quote) {
            if (c == quote)
                quote = 0;
            else
                out += QChar(c);
            continue;
        }
        switch (c) {
        case u'\'':
        case u'"': quote = c; break;
        case u'0':
        case u'#':
            if (afterPoint) {
                if (fractionIndex < int(fraction.size()))
                    out += QChar(fraction[std::size_t(fractionIndex)]);
                ++fractionIndex;
            } else {
                // Placeholder k of P shows the digit aligned from the right; the
                // first one also shows every digit that has no placeholder.
                const int idx = n - s.intPlaceholders + placeholder;
                if (placeholder == 0)
                    emitInteger(0, std::max(0, idx + 1));
                else if (idx >= 0)
                    emitInteger(idx, idx + 1);
                ++placeholder;
            }
            break;
        case u'.':
            if (!afterPoint && !exponentDone) {
                if (s.intPlaceholders == 0)
                    emitInteger(0, n); // no integer placeholder: the digits stand before the point
                afterPoint = true;
                if (!fraction.empty())
                    out += QChar(decimalSeparator);
            }
            break;
        case u',':
            if (afterPoint)
                out += QChar(c);
            break;
        case u'E':
        case u'e':
            if (s.scientific && !exponentDone && i + 1 < len && (t[i + 1] == u'+' || t[i + 1] == u'-')) {
                exponentDone = true;
                afterPoint = true;
                fractionIndex = int(fraction.size()); // no more digits
                out += QChar(s.expChar);
                if (exponentShown < 0)
                    out += u'-';
                else if (s.expAlwaysSign)
                    out += u'+';
                QString e = QString::number(std::abs(exponentShown));
                while (e.size() < s.expDigits)
                    e.prepend(u'0');
                out += e;
                i += 1;
                while (i + 1 < len && t[i + 1] == u'0')
                    ++i;
            } else {
                out += QChar(c);
            }
            break;
        default: out += QChar(c); break;
        }
    }
    return out;
}

QString specialText(double value) {
    return numfmt::formatFloat(value); // NAN, INF, -INF
}

} // namespace

QString formatNumber(const QString& pattern, double value, char16_t decimalSeparator, char16_t thousandSeparator) {
    if (!std::isfinite(value))
        return specialText(value);
    const QStringList sections = splitSections(pattern);
    int index = 0;
    bool minus = false;
    if (value < 0) {
        if (sections.size() > 1 && !sections[1].isEmpty())
            index = 1;
        else
            minus = true;
    } else if (value == 0 && sections.size() > 2 && !sections[2].isEmpty()) {
        index = 2;
    }
    const TSection s = analyse(sections[index]);
    if (s.intPlaceholders == 0 && s.decPlaceholders == 0 && !s.scientific && index == 0 && pattern.isEmpty())
        return numfmt::formatFloat(value);
    bool allZero = false;
    QString out = formatSection(s, value, decimalSeparator, thousandSeparator, allZero);
    if (minus && !allZero)
        out.prepend(u'-');
    return out;
}

QString formatFixed(double value, int decimals, bool grouping, char16_t decimalSeparator, char16_t thousandSeparator) {
    if (!std::isfinite(value))
        return specialText(value);
    decimals = std::clamp(decimals, 0, 255);
    if (std::fabs(value) >= 1e15) {
        QString s = numfmt::formatFloat(value);
        s.replace(u'.', QChar(decimalSeparator));
        return s;
    }
    TDigits d = toDigits(value);
    roundDigits(d, d.exponent + decimals);
    std::string integer, fraction;
    fixedParts(d, decimals, integer, fraction);
    if (integer.empty())
        integer = "0";
    // Written into one buffer: this runs for every number a memo prints.
    QString out(qsizetype(1 + integer.size() * 4 / 3 + 1 + fraction.size()), Qt::Uninitialized);
    char16_t* p = reinterpret_cast<char16_t*>(out.data());
    char16_t* const begin = p;
    if (d.negative && !d.digits.empty())
        *p++ = u'-';
    const int n = int(integer.size());
    for (int i = 0; i < n; ++i) {
        *p++ = char16_t(integer[std::size_t(i)]);
        if (grouping && (n - 1 - i) % 3 == 0 && i != n - 1)
            *p++ = thousandSeparator;
    }
    if (decimals > 0) {
        *p++ = decimalSeparator;
        for (char c : fraction)
            *p++ = char16_t(c);
    }
    out.truncate(qsizetype(p - begin));
    return out;
}

// ---------------------------------------------------------------------------
// Date-time patterns

namespace {

const char16_t* const kShortMonths[12] = {u"янв", u"фев", u"мар", u"апр", u"май", u"июн",
                                          u"июл", u"авг", u"сен", u"окт", u"ноя", u"дек"};
const char16_t* const kLongMonths[12] = {u"Январь", u"Февраль", u"Март",     u"Апрель",  u"Май",    u"Июнь",
                                         u"Июль",   u"Август",  u"Сентябрь", u"Октябрь", u"Ноябрь", u"Декабрь"};
// Month names as a date writes them ("5 ноября 1998").
const char16_t* const kGenitiveMonths[12] = {u"января", u"февраля", u"марта",    u"апреля",  u"мая",    u"июня",
                                             u"июля",   u"августа", u"сентября", u"октября", u"ноября", u"декабря"};
// Sunday first, as day-of-week numbers of the calendar go here.
const char16_t* const kShortDays[7] = {u"Вс", u"Пн", u"Вт", u"Ср", u"Чт", u"Пт", u"Сб"};
const char16_t* const kLongDays[7] = {u"воскресенье", u"понедельник", u"вторник", u"среда",
                                      u"четверг",     u"пятница",     u"суббота"};

struct TDateParts {
    int year, month, day, dayOfWeek; // dayOfWeek 0 = Sunday
    int hour, minute, second, msec;
};

TDateParts decode(double dt) {
    // Years 1 to 9999.
    if (!(dt > -693594.0 && dt < 2958466.0))
        throw Exception(QStringLiteral("Неверная дата: %1").arg(numfmt::formatFloat(dt)));
    const double days = std::trunc(dt);
    double fraction = std::fabs(dt - days);
    qint64 ms = qint64(std::llround(fraction * 86400000.0));
    if (ms >= 86400000)
        ms = 86399999;
    const QDate date = QDate(1899, 12, 30).addDays(qint64(days));
    TDateParts p{};
    p.year = date.year();
    p.month = date.month();
    p.day = date.day();
    p.dayOfWeek = date.dayOfWeek() % 7;
    p.hour = int(ms / 3600000);
    p.minute = int(ms / 60000 % 60);
    p.second = int(ms / 1000 % 60);
    p.msec = int(ms % 1000);
    return p;
}

QString twoDigits(int v) { return v < 10 ? u'0' + QString::number(v) : QString::number(v); }

int runLength(const QString& t, qsizetype i, char16_t lower) {
    int n = 0;
    while (i + n < t.size() && t[i + n].toLower().unicode() == lower)
        ++n;
    return n;
}

QString formatDateParts(const QString& t, const TDateParts& p, int depth);

QString shortDateText(const TDateParts& p) { return formatDateParts(QStringLiteral("dd/mm/yyyy"), p, 1); }
QString longDateText(const TDateParts& p) {
    return QString::number(p.day) + u' ' + QString::fromUtf16(kGenitiveMonths[p.month - 1]) + u' ' +
           QString::number(p.year);
}

QString formatDateParts(const QString& t, const TDateParts& p, int depth) {
    const bool twelveHour = t.contains(QStringLiteral("am/pm"), Qt::CaseInsensitive) ||
                            t.contains(QStringLiteral("a/p"), Qt::CaseInsensitive);
    QString out;
    const qsizetype n = t.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar ch = t[i];
        const char16_t c = ch.toLower().unicode();
        if (ch == u'"' || ch == u'\'') {
            const qsizetype close = t.indexOf(ch, i + 1);
            const qsizetype end = close < 0 ? n : close;
            out += QStringView(t).mid(i + 1, end - i - 1);
            i = end + 1;
            continue;
        }
        if (c == u'a' && t.mid(i, 5).compare(u"am/pm", Qt::CaseInsensitive) == 0) {
            out += p.hour < 12 ? QStringLiteral("am") : QStringLiteral("pm");
            i += 5;
            continue;
        }
        if (c == u'a' && t.mid(i, 3).compare(u"a/p", Qt::CaseInsensitive) == 0) {
            out += p.hour < 12 ? u'a' : u'p';
            i += 3;
            continue;
        }
        const int run = (c == u'd' || c == u'm' || c == u'y' || c == u'h' || c == u'n' || c == u's' || c == u'z')
                            ? runLength(t, i, c)
                            : 1;
        switch (c) {
        case u'd':
            if (run == 1)
                out += QString::number(p.day);
            else if (run == 2)
                out += twoDigits(p.day);
            else if (run == 3)
                out += QString::fromUtf16(kShortDays[p.dayOfWeek]);
            else if (run == 4)
                out += QString::fromUtf16(kLongDays[p.dayOfWeek]);
            else if (depth == 0)
                out += run == 5 ? shortDateText(p) : longDateText(p);
            break;
        case u'm':
            if (run == 1)
                out += QString::number(p.month);
            else if (run == 2)
                out += twoDigits(p.month);
            else if (run == 3)
                out += QString::fromUtf16(kShortMonths[p.month - 1]);
            else
                out += QString::fromUtf16(kLongMonths[p.month - 1]);
            break;
        case u'y':
            if (run <= 2)
                out += twoDigits(p.year % 100);
            else
                out += QString::number(p.year).rightJustified(4, u'0');
            break;
        case u'h': {
            int h = p.hour;
            if (twelveHour) {
                h %= 12;
                if (h == 0)
                    h = 12;
            }
            out += run == 1 ? QString::number(h) : twoDigits(h);
            break;
        }
        case u'n': out += run == 1 ? QString::number(p.minute) : twoDigits(p.minute); break;
        case u's': out += run == 1 ? QString::number(p.second) : twoDigits(p.second); break;
        case u'z': out += run < 3 ? QString::number(p.msec) : QString::number(p.msec).rightJustified(3, u'0'); break;
        case u'/': out += QChar(kDateSeparator); break;
        case u':': out += QChar(kTimeSeparator); break;
        default: out += ch; break;
        }
        i += run;
    }
    return out;
}

} // namespace

QString formatDateTime(const QString& pattern, double dateTime) {
    return formatDateParts(pattern, decode(dateTime), 0);
}

QString longDate(double dateTime) { return longDateText(decode(dateTime)); }

double toDateTime(const TVariant& value) {
    if (!value.isString())
        return value.toDouble();
    const QString text = value.toString().trimmed();
    if (const auto d = numfmt::parseFloat(text))
        return *d;
    const qsizetype blank = text.indexOf(u' ');
    if (blank < 0) {
        if (text.contains(u':'))
            return frvalues::strToTime(text);
        return frvalues::strToDate(text);
    }
    return frvalues::strToDate(text.left(blank)) + frvalues::strToTime(text.mid(blank + 1));
}

// ---------------------------------------------------------------------------
// Display formats

namespace {

struct TCatalogueRow {
    const char16_t* category;
    const char16_t* types[5];
};

// Names shown by the format dialog; the patterns live in formatValue.
const TCatalogueRow kCatalogue[5] = {
    {u"Текст", {u"[Нет]", u"", u"", u"", u""}},
    {u"Число", {u"1234,5", u"1234,50", u"1 234,5", u"1 234,50", u"Другой"}},
    {u"Дата", {u"05.11.98", u"05.11.1998", u"5 ноя 1998", u"5 ноября 1998", u"Другой"}},
    {u"Время", {u"02:43:35", u"2:43:35", u"02:43", u"2:43", u"Другой"}},
    {u"Логическая", {u"0;1", u"Нет;Да", u"_;x", u"False;True", u"Другой"}},
};

const char16_t* const kDatePatterns[3] = {u"dd.mm.yy", u"dd.mm.yyyy", u"d mmm yyyy"};
const char16_t* const kTimePatterns[4] = {u"hh:nn:ss", u"h:nn:ss", u"hh:nn", u"h:nn"};

QString formatUnguarded(const TVariant& value, std::uint32_t format, const QString& text) {
    const std::uint32_t category = frformat::category(format);
    const std::uint32_t type = frformat::formatIndex(format);
    switch (category) {
    case frformat::fmtNumber: {
        const unsigned char byte = static_cast<unsigned char>(frformat::separator(format));
        const char16_t separator = byte ? cp1251::toChar(byte).unicode() : u'.';
        const int digits = int(frformat::decimals(format));
        const double v = value.toDouble();
        switch (type) {
        case 0: return formatNumber(QStringLiteral("##0.") + QString(digits, u'#'), v, separator);
        case 1: return formatFixed(v, digits, false, separator);
        case 2: return formatNumber(QStringLiteral("#,##0.") + QString(digits, u'#'), v, separator);
        case 3: return formatFixed(v, digits, true, separator);
        case 4: return formatNumber(text, v, separator);
        default: return value.toString();
        }
    }
    case frformat::fmtDate:
        if (type <= 2)
            return formatDateTime(QString::fromUtf16(kDatePatterns[type]), toDateTime(value));
        if (type == 3)
            return longDate(toDateTime(value));
        if (type == 4)
            return formatDateTime(text, toDateTime(value));
        return value.toString();
    case frformat::fmtTime:
        if (type <= 3)
            return formatDateTime(QString::fromUtf16(kTimePatterns[type]), toDateTime(value));
        if (type == 4)
            return formatDateTime(text, toDateTime(value));
        return value.toString();
    case frformat::fmtBoolean: {
        const QString pattern = type < 4 ? QString::fromUtf16(kCatalogue[4].types[type]) : text;
        const qsizetype semicolon = pattern.indexOf(u';');
        if (value.toInt() != 0)
            return semicolon < 0 ? QString() : pattern.mid(semicolon + 1, 255);
        return semicolon < 0 ? pattern : pattern.left(semicolon);
    }
    default: return value.toString();
    }
}

} // namespace

QString formatValue(const TVariant& value, std::uint32_t format, const QString& formatText) {
    if (value.isNullOrEmpty())
        return QString();
    if (value.isString() && value.toString().trimmed().isEmpty())
        return QString();
    try {
        return formatUnguarded(value, format, formatText);
    } catch (const Exception&) {
        return value.toString();
    }
}

const QStringList& categoryNames() {
    static const QStringList names = [] {
        QStringList l;
        for (const TCatalogueRow& row : kCatalogue)
            l << QString::fromUtf16(row.category);
        return l;
    }();
    return names;
}

QString typeName(int category, int type) {
    if (category < 0 || category > 4 || type < 0 || type > 4)
        return QString();
    return QString::fromUtf16(kCatalogue[category].types[type]);
}

// ---------------------------------------------------------------------------
// Edit masks

namespace {

enum class TMaskItem : std::uint8_t { Literal, Data };

struct TMaskToken {
    TMaskItem kind;
    QChar literal;
};

bool isDataPosition(char16_t c) {
    switch (c) {
    case u'0':
    case u'A':
    case u'C':
    case u'L':
    case u'#':
    case u'9':
    case u'a':
    case u'c':
    case u'l': return true;
    default: return false;
    }
}

} // namespace

QString formatMaskText(const QString& mask, const QString& text) {
    std::vector<TMaskToken> tokens;
    tokens.reserve(std::size_t(mask.size()));
    bool fromRight = false;
    for (qsizetype i = 0; i < mask.size(); ++i) {
        const char16_t c = mask[i].unicode();
        if (c == u'\\') {
            if (i + 1 < mask.size())
                tokens.push_back({TMaskItem::Literal, mask[++i]});
            continue;
        }
        if (c == u'!') {
            fromRight = true;
            continue;
        }
        if (c == u'<' || c == u'>')
            continue;
        if (isDataPosition(c))
            tokens.push_back({TMaskItem::Data, QChar()});
        else if (c == u'/')
            tokens.push_back({TMaskItem::Literal, QChar(kDateSeparator)});
        else if (c == u':')
            tokens.push_back({TMaskItem::Literal, QChar(kTimeSeparator)});
        else
            tokens.push_back({TMaskItem::Literal, QChar(c)});
    }
    QString out;
    out.reserve(text.size() + qsizetype(tokens.size()));
    if (!fromRight) {
        qsizetype k = 0;
        for (const TMaskToken& t : tokens) {
            if (t.kind == TMaskItem::Literal) {
                out += t.literal;
            } else {
                out += k < text.size() ? text[k] : QChar(u' ');
                ++k;
            }
        }
        if (k < text.size())
            out += QStringView(text).mid(k);
        return out;
    }
    // From the right: built backwards, then turned round.
    qsizetype k = text.size();
    for (auto it = tokens.rbegin(); it != tokens.rend(); ++it) {
        if (it->kind == TMaskItem::Literal) {
            out += it->literal;
        } else if (k > 0) {
            out += text[--k];
        } else {
            out += u' ';
        }
    }
    for (qsizetype i = k; i > 0; --i)
        out += text[i - 1];
    std::reverse(out.begin(), out.end());
    return out;
}

} // namespace frformats
