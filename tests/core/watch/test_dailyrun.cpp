// The daily download's time: runs at the time each day, once a date whatever the clock does between.
#include "core/watch/dailyrun.h"
#include "tablerows.h"
#include <QSignalSpy>
#include <QTest>

using namespace watch;

// Times are "day hh:mm:ss", days from a Monday. Steps: the clock set to a time and looked at, then
// R if that ran the download, - if not. due: the next run after the last step.
const auto &clockRows() { static const struct { const char *name, *at, *start, *steps, *due; } rows[] = {
    {"started two minutes before: today at the time", "00:12", "0 00:10:47",
     "0 00:11:47 -; 0 00:11:59 -; 0 00:12:00 R; 0 00:13:00 -", "1 00:12:00"},
    {"started after the time: tomorrow", "00:12", "0 00:12:01", "0 00:13:00 -; 0 23:59:59 -; 1 00:12:00 R", "2 00:12:00"},
    {"every day, a week", "02:30", "0 01:00:00",
     "0 02:30:00 R; 1 02:30:00 R; 2 02:30:00 R; 3 02:30:00 R; 4 02:30:00 R; 5 02:30:00 R; 6 02:30:00 R", "7 02:30:00"},
    {"woken late by the timer: runs then", "02:30", "0 01:00:00", "0 02:31:07 R; 0 02:32:00 -", "1 02:30:00"},
    {"clock set forward past the time: once", "00:12", "0 23:00:00", "1 03:00:00 R; 1 03:01:00 -", "2 00:12:00"},
    {"asleep three days: once on waking", "00:12", "0 00:00:00", "3 10:00:00 R; 3 10:01:00 -; 4 00:12:00 R", "5 00:12:00"},
    {"asleep past a day's time, woken just before the next: once that date", "00:12", "0 00:13:00", "2 00:05:00 R; 2 00:12:00 -", "3 00:12:00"},
    {"clock set back minutes across the time: not twice", "00:12", "0 00:00:00", "0 00:12:30 R; 0 00:04:30 -; 0 00:12:00 -", "1 00:12:00"},
    {"clock set back three days: runs at the time it shows", "00:12", "0 00:00:00", "0 00:12:00 R; -3 10:00:00 -; -2 00:12:00 R",
     "-1 00:12:00"},
    {"clock set back an hour before the time: waits for it", "00:12", "0 23:30:00", "0 22:30:00 -; 1 00:11:00 -; 1 00:12:00 R",
     "2 00:12:00"},
}; return rows; }

namespace {
const QDate kMonday(2026, 3, 2);

QDateTime at(const QString &text)  // "day hh:mm:ss"
{
    const QStringList parts = text.split(QLatin1Char(' '));
    return QDateTime(kMonday.addDays(parts.at(0).toInt()), QTime::fromString(parts.at(1), QStringLiteral("HH:mm:ss")));
}
} // namespace

class TestDailyRun : public QObject {
    Q_OBJECT
private slots:
    void clock_data() { tableRows(clockRows()); }
    void clock()
    {
        const auto &row = tableRow(clockRows());
        QDateTime now = at(QLatin1String(row.start));
        DailyRun daily(QTime::fromString(QLatin1String(row.at), QStringLiteral("HH:mm")), [&now] { return now; });
        int runs = 0;
        connect(&daily, &DailyRun::run, this, [&runs] { ++runs; });
        daily.start();
        QStringList got, expected;
        for (const QString &step : QString::fromUtf8(row.steps).split(QStringLiteral("; "))) {
            expected << step;
            now = at(step.left(step.lastIndexOf(QLatin1Char(' '))));
            const int before = runs;
            daily.check();
            got << step.left(step.lastIndexOf(QLatin1Char(' ')) + 1) + (runs > before ? QLatin1Char('R') : QLatin1Char('-'));
        }
        QCOMPARE(got, expected);
        QCOMPARE(daily.due(), at(QLatin1String(row.due)));
    }

    // The real timer and clock: a time two seconds on runs once, and the next run is a day on.
    void realTimer()
    {
        const QDateTime start = QDateTime::currentDateTime();
        const QTime when = start.time().addSecs(2);
        DailyRun daily(QTime(when.hour(), when.minute(), when.second()));
        QSignalSpy ran(&daily, &DailyRun::run);
        daily.start();
        QVERIFY(ran.wait(30000));
        QVERIFY(QDateTime::currentDateTime() >= daily.due().addDays(-1));
        QVERIFY(daily.due() > QDateTime::currentDateTime().addSecs(23 * 3600));
        QCOMPARE(ran.count(), 1);
    }
};

QTEST_GUILESS_MAIN(TestDailyRun)
#include "test_dailyrun.moc"
