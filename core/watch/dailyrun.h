#pragma once
#include <QDateTime>
#include <QObject>
#include <QTimer>
#include <functional>

// Something done once a day at a local time of day, whatever the clock does in between. The timer
// wakes at most a minute apart and the wall clock decides: a clock set forward past the time, or a
// machine that slept across it, runs it once on waking; a clock set back aims at the next such time
// the clock shows, except on the date it last ran, so it never runs twice on one date.
namespace watch {

class DailyRun : public QObject {
    Q_OBJECT
public:
    using Clock = std::function<QDateTime()>;
    explicit DailyRun(QTime at, Clock clock = &QDateTime::currentDateTime, QObject *parent = nullptr);

    void start();  // the first run at the next `at` after now
    void check();  // the clock looked at: run when due (the timer's work)
    QDateTime due() const { return m_due; }

signals:
    void run();

private:
    void aim(const QDateTime &now);

    QTime m_at;
    Clock m_clock;
    QDateTime m_due;
    QDate m_lastRun;
    QTimer m_timer;
};

} // namespace watch
