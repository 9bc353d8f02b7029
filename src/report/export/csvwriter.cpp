#include "report/export/csvwriter.h"

#include "common/rounding.h"

#include <algorithm>
#include <cmath>

namespace frcsv {

bool isValidDelimiter(QChar delimiter) {
    return delimiter != u'"' && delimiter != u'\r' && delimiter != u'\n';
}

QString field(QStringView text, QChar delimiter) {
    const bool quoted = std::any_of(text.begin(), text.end(), [delimiter](QChar c) {
        return c == delimiter || c == u'"' || c == u'\r' || c == u'\n';
    });
    if (!quoted)
        return text.toString();
    QString s;
    s.reserve(text.size() + 8);
    s += u'"';
    for (QChar c : text) {
        if (c == u'"')
            s += u'"';
        s += c;
    }
    s += u'"';
    return s;
}

std::int32_t fieldOf(std::int32_t x, double scaleX) {
    const double sx = scaleX > 0 && std::isfinite(scaleX) ? scaleX : 1.0;
    return std::clamp(roundHalfEven(x / (64.0 / sx)), 0, maxField);
}

QString line(const TfrTextExport::Row& row, QChar delimiter, double scaleX) {
    QString s;
    std::int32_t previous = 0;
    for (const TfrTextRec& cell : row) {
        const std::int32_t f = fieldOf(cell.x, scaleX);
        if (f > previous)
            s += QString(f - previous, delimiter);
        s += field(cell.text, delimiter);
        previous = f;
    }
    return s;
}

} // namespace frcsv
