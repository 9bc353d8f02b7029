#include "report/export/pagelist.h"

#include <algorithm>

namespace {

struct Range {
    qint64 first, last;
};

qint64 readNumber(QStringView text, QStringView item) {
    bool ok = false;
    const int n = text.toInt(&ok, 10);
    if (!ok || text.isEmpty() || !std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
        throw EPageListError(QStringLiteral("«%1» не является номером страницы или диапазоном страниц. "
                                            "Введите номера и/или диапазоны страниц, разделенные запятыми. "
                                            "Например, 1,3,5-12")
                                 .arg(item));
    return n;
}

std::vector<Range> parse(const QString& list, int pageCount) {
    if (list.size() > kMaxPageListLength)
        throw EPageListError(QStringLiteral("Список страниц слишком длинный (более %1 символов)").arg(kMaxPageListLength));
    QString text = list;
    text.remove(u' ');
    std::vector<Range> ranges;
    if (text.isEmpty())
        return ranges;
    if (text.endsWith(u'-'))
        text += QString::number(pageCount);
    for (QStringView item : QStringView(text).split(u',')) {
        if (item.isEmpty())
            continue;
        const qsizetype dash = item.indexOf(u'-');
        if (dash < 0) {
            const qint64 n = readNumber(item, item);
            ranges.push_back({n, n});
        } else {
            ranges.push_back({readNumber(item.left(dash), item), readNumber(item.mid(dash + 1), item)});
        }
    }
    return ranges;
}

QString rangeText(const Range& r) {
    return r.first == r.last ? QString::number(r.first) : QStringLiteral("%1-%2").arg(r.first).arg(r.last);
}

} // namespace

TfrPageSelection frSelectPages(const QString& list, int pageCount, TfrPageParity parity) {
    pageCount = std::max(pageCount, 0);
    std::vector<Range> ranges = parse(list, pageCount);
    TfrPageSelection result;
    std::vector<char> chosen(static_cast<std::size_t>(pageCount), ranges.empty() ? 1 : 0);
    QStringList outside;
    for (const Range& r : ranges) {
        if (r.last < r.first)
            continue;
        const qint64 from = std::max<qint64>(r.first, 1), to = std::min<qint64>(r.last, pageCount);
        for (qint64 p = from; p <= to; ++p)
            chosen[static_cast<std::size_t>(p - 1)] = 1;
        // Only the numbers the report does not have are named: the part of
        // the range below its first page and the part past its last.
        if (r.first < 1)
            outside << rangeText({r.first, std::min<qint64>(r.last, 0)});
        if (r.last > pageCount)
            outside << rangeText({std::max<qint64>(r.first, qint64(pageCount) + 1), r.last});
    }
    for (int i = 0; i < pageCount; ++i) {
        const int number = i + 1;
        if (!chosen[static_cast<std::size_t>(i)])
            continue;
        if ((parity == TfrPageParity::Odd && number % 2 == 0) || (parity == TfrPageParity::Even && number % 2 != 0))
            continue;
        result.pages.push_back(i);
    }
    if (!outside.isEmpty())
        result.messages << QStringLiteral("В отчёте %1 стр.; пропущены номера вне отчёта: %2")
                               .arg(pageCount)
                               .arg(outside.join(QStringLiteral(", ")));
    return result;
}

QString frPageListError(const QString& list) {
    try {
        parse(list, 1);
        return {};
    } catch (const EPageListError& e) {
        return e.message();
    }
}
