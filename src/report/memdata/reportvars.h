#pragma once

#include <QString>
#include <cstdint>

class TfrReport;

// Sets the four dictionary variables that tell a report where its data came
// from, in this order, each replacing an existing entry or appended at the end:
// the category " Параметры сервера" (empty value), "Машина" (NT server),
// "Сервер" (TM server) and "Файл_изменён" (the configuration file's time, a
// file time in UTC shown in local time as "dd.mm.yyyy hh:nn"). The three values
// are text literals of expressions (in apostrophes, apostrophes inside
// doubled), so that expressions read them back unchanged.
void SetReportVariables(TfrReport& report, const QString& ntServer, const QString& tmServer,
                        std::uint64_t fileTimeUtc);

// The text "Файл_изменён" gets for a file time: local time, "dd.mm.yyyy hh:nn".
QString frFileTimeText(std::uint64_t fileTimeUtc);
