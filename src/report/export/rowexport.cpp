#include "report/export/formatfilters.h"

#include "common/exception.h"

#include <QIODevice>

std::vector<TfrTextExport::Row> TfrRowExport::pageRows() const {
    const std::vector<Row>& all = lines();
    std::size_t end = all.size();
    while (end > 0 && all[end - 1].empty())
        --end;
    return std::vector<Row>(all.begin(), all.begin() + std::ptrdiff_t(end));
}

void TfrRowExport::write(const QByteArray& bytes) {
    if (stream().write(bytes) != bytes.size())
        throw Exception(stream().errorString());
}

void TfrRowExport::noteDropped() {
    if (m_dropped > 0)
        messages << QStringLiteral("Страница %1: %2 строк(и) текста вне страницы не записаны")
                        .arg(pageNo() + 1)
                        .arg(m_dropped);
}
