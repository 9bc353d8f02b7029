#include "report/memdata/reportvars.h"

#include "common/datetime.h"
#include "report/model/report.h"

QString frFileTimeText(std::uint64_t fileTimeUtc) {
    return datetime::fromFileTime(fileTimeUtc).toLocalTime().toString(QStringLiteral("dd.MM.yyyy HH:mm"));
}

void SetReportVariables(TfrReport& report, const QString& ntServer, const QString& tmServer,
                        std::uint64_t fileTimeUtc) {
    TfrVariables& vars = report.dictionary().variables;
    // A text literal of expressions: apostrophes inside are doubled.
    auto quoted = [](QString s) { return TVariant(u'\'' + s.replace(u'\'', QStringLiteral("''")) + u'\''); };
    vars.set(QStringLiteral(" Параметры сервера"), TVariant(QString()));
    vars.set(QStringLiteral("Машина"), quoted(ntServer));
    vars.set(QStringLiteral("Сервер"), quoted(tmServer));
    vars.set(QStringLiteral("Файл_изменён"), quoted(frFileTimeText(fileTimeUtc)));
}
