#include "report/addins/chartdata.h"

#include "common/binio.h"
#include "common/numformat.h"
#include "report/expr/formats.h"
#include "report/model/streamio.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>

TfrChartSettings frReadChartSettings(TBinaryReader& in, int version) {
    TfrChartSettings s;
    s.kind = TfrChartKind(in.readU8());
    s.view3d = in.readU8() != 0;
    s.singleSeries = in.readU8() != 0;
    s.legend = in.readU8() != 0;
    s.axes = in.readU8() != 0;
    s.marks = in.readU8() != 0;
    s.multicolored = in.readU8() != 0;
    s.markStyle = TfrChartMarkStyle(in.readU8());
    s.topCount = in.readI32();
    const QByteArray reserved = in.readBytes(qsizetype(s.reserved.size()));
    std::memcpy(s.reserved.data(), reserved.constData(), s.reserved.size());
    s.captionObject = frstream::readString(in, version);
    s.valueObject = frstream::readString(in, version);
    s.restCaption = frstream::readString(in, version);
    return s;
}

void frWriteChartSettings(TBinaryWriter& out, const TfrChartSettings& s) {
    out.writeU8(std::uint8_t(s.kind));
    out.writeU8(s.view3d);
    out.writeU8(s.singleSeries);
    out.writeU8(s.legend);
    out.writeU8(s.axes);
    out.writeU8(s.marks);
    out.writeU8(s.multicolored);
    out.writeU8(std::uint8_t(s.markStyle));
    out.writeI32(s.topCount);
    out.writeBytes(QByteArrayView(s.reserved.data(), qsizetype(s.reserved.size())));
    frstream::writeString(out, s.captionObject);
    frstream::writeString(out, s.valueObject);
    frstream::writeString(out, s.restCaption);
}

namespace {

bool isNamed(const QString& name, const QString& object) {
    return !object.isEmpty() && name.compare(object, Qt::CaseInsensitive) == 0;
}

bool isDigit(QChar c) { return c >= u'0' && c <= u'9'; }

} // namespace

void frCollectChartText(QStringList& memo, std::int32_t& seriesCounter, const TfrChartSettings& s,
                        const QString& name, const QStringList& text) {
    if (!s.captionObject.isEmpty() && !s.valueObject.isEmpty() && memo.size() < 2)
        memo = QStringList{QString(), QString()};
    qsizetype target = 0;
    if (isNamed(name, s.captionObject)) {
        if (!s.singleSeries)
            ++seriesCounter;
    } else if (isNamed(name, s.valueObject)) {
        if (!s.singleSeries && seriesCounter <= 0)
            return; // no title yet: the value belongs to no series
        target = s.singleSeries ? 1 : seriesCounter;
    } else {
        return;
    }
    while (memo.size() <= target)
        memo.append(QString());
    if (!text.isEmpty())
        memo[target] += text.first() + u';';
}

QStringList frChartEntries(QStringView line) {
    QStringList entries;
    qsizetype start = 0;
    while (start < line.size()) {
        qsizetype end = line.indexOf(u';', start);
        if (end < 0)
            end = line.size();
        entries.append(line.mid(start, end - start).toString());
        start = end + 1;
    }
    return entries;
}

double frChartNumber(QStringView text) {
    qsizetype first = 0;
    while (first < text.size() && text[first] != u'-' && !isDigit(text[first]))
        ++first;
    qsizetype last = text.size() - 1;
    while (last >= first && !isDigit(text[last]))
        --last;
    if (last < first)
        return 0;
    QString number = text.mid(first, last - first + 1).toString();
    number.remove(QChar(frformats::kThousandSeparator));
    const std::optional<double> value = numfmt::parseFloat(number);
    return value && std::isfinite(*value) ? *value : 0;
}

void frGroupChartTop(TfrChartSeries& series, std::int32_t count, const QString& restCaption) {
    const qsizetype n = series.values.size();
    if (count <= 0 || count >= n)
        return;
    struct Entry {
        double shown; // the value to three decimals, as it is shown
        double value;
        QString caption;
    };
    std::vector<Entry> entries;
    entries.reserve(std::size_t(n));
    for (qsizetype i = 0; i < n; ++i) {
        const double v = series.values[i];
        const double shown = numfmt::parseFloat(QString::asprintf("%.3f", v)).value_or(v);
        entries.push_back({shown, v, i < series.captions.size() ? series.captions[i].left(255) : QString()});
    }
    std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        return a.shown != b.shown ? a.shown > b.shown : a.caption > b.caption;
    });
    series.captions.clear();
    series.values.clear();
    for (std::int32_t r = 0; r < count; ++r) {
        series.values.append(entries[std::size_t(r)].shown);
        series.captions.append(entries[std::size_t(r)].caption);
    }
    if (restCaption.isEmpty())
        return;
    double rest = 0;
    for (std::size_t r = std::size_t(count); r < entries.size(); ++r)
        rest += entries[r].value;
    series.values.append(std::clamp(rest, -DBL_MAX, DBL_MAX));
    series.captions.append(restCaption);
}

std::optional<TfrChartData> frChartData(const TfrChartSettings& s, const QStringList& memo) {
    if (memo.size() < 2 || memo[0].isEmpty() || memo[1].isEmpty() || memo.size() > maxChartLines)
        return std::nullopt;
    const QStringList captions = frChartEntries(memo[0]);
    TfrChartData data;
    if (s.singleSeries) {
        const QStringList texts = frChartEntries(memo[1]);
        if (texts.size() != captions.size() || texts.size() > maxChartPoints)
            return std::nullopt;
        TfrChartSeries series;
        series.captions = captions;
        for (const QString& t : texts)
            series.values.append(frChartNumber(t));
        frGroupChartTop(series, s.topCount, s.restCaption);
        data.series.append(std::move(series));
        return data;
    }
    if (memo.size() != captions.size() + 1)
        return std::nullopt;
    qsizetype points = 0;
    for (qsizetype j = 1; j < memo.size(); ++j) {
        const QStringList texts = frChartEntries(memo[j]);
        points += texts.size();
        if (points > maxChartPoints)
            return std::nullopt;
        TfrChartSeries series;
        series.title = captions[j - 1];
        for (const QString& t : texts) {
            series.captions.append(QString());
            series.values.append(frChartNumber(t));
        }
        data.series.append(std::move(series));
    }
    return data;
}
