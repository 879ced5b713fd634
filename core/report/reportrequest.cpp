#include "core/report/reportrequest.h"
#include <QStringList>
#include <pwd.h>
#include <unistd.h>

namespace report {

Period days(const QDate &first, const QDate &last)
{
    return {QDateTime(first, QTime(0, 0)), QDateTime(last, QTime(23, 59))};
}

std::optional<Period> parsePeriod(const QString &text, const QDateTime &now, QString *error)
{
    const QDate today = now.date();
    const QString t = text.trimmed().toLower();
    if (t == QLatin1String("daily"))
        return days(today.addDays(-1), today.addDays(-1));
    if (t == QLatin1String("weekly")) {
        const QDate monday = today.addDays(1 - today.dayOfWeek());
        return days(monday.addDays(-7), monday.addDays(-1));
    }
    if (t == QLatin1String("monthly")) {
        const QDate first(today.year(), today.month(), 1);
        return days(first.addMonths(-1), first.addDays(-1));
    }
    const QStringList ends = t.split(QStringLiteral(".."));
    if (ends.size() == 2) {
        const QDate first = QDate::fromString(ends[0], Qt::ISODate), last = QDate::fromString(ends[1], Qt::ISODate);
        if (first.isValid() && last.isValid() && ends[0].size() == 10 && ends[1].size() == 10) {
            if (first <= last)
                return days(first, last);
            *error = QStringLiteral("--report：时段 “%1” 的起始日期晚于结束日期").arg(text);
            return std::nullopt;
        }
    }
    *error = QStringLiteral("--report：“%1” 不是 daily、weekly、monthly 或 YYYY-MM-DD..YYYY-MM-DD").arg(text);
    return std::nullopt;
}

QString osUser()
{
    if (const passwd *pw = getpwuid(geteuid()); pw && pw->pw_name)
        return QString::fromLocal8Bit(pw->pw_name);
    return qEnvironmentVariable("USER");
}

} // namespace report
