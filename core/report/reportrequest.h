#pragma once
#include "core/report/statistics.h"
#include "core/settings/language.h"
#include <QDateTime>
#include <QString>
#include <optional>

// What a period report is asked for: the window's dialog and the collector's --report both say it so.
namespace report {

struct Period {
    QDateTime from, to;  // minutes, both included: 2026-12-01 00:00 … 2026-12-01 23:59
};

// "daily", "weekly" and "monthly": the last whole day, week (Monday to Sunday) and month before now;
// "2026-11-01..2026-11-30": those days, both included. Nothing, and *error, for anything else.
std::optional<Period> parsePeriod(const QString &text, const QDateTime &now, QString *error);

// Whole days first … last.
Period days(const QDate &first, const QDate &last);

struct Request {
    QString recorder;
    int address = 0;        // 0: as the records of the period say
    QString port;           // empty: as the records say
    QDateTime from, to;     // minutes, both included
    double dhR = DefaultDhR;
    QDateTime madeAt;       // local time
    QString madeBy;         // the OS user
    QString version;        // the program's
    language::Language language = language::Language::Chinese;
};

// The user the program runs as ("anna"); empty when the system does not say.
QString osUser();

} // namespace report
