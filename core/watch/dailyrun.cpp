#include "core/watch/dailyrun.h"
#include <algorithm>

namespace watch {

DailyRun::DailyRun(QTime at, Clock clock, QObject *parent)
    : QObject(parent), m_at(at), m_clock(std::move(clock))
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &DailyRun::check);
}

void DailyRun::start() { aim(m_clock()); }

void DailyRun::check()
{
    const QDateTime now = m_clock();
    if (now >= m_due) {
        m_lastRun = now.date();
        emit run();
    }
    aim(m_clock());
}

// The next `at` after now, on a date it has not run on; the timer set to look again then, or in a
// minute, whichever comes first.
void DailyRun::aim(const QDateTime &now)
{
    QDate date = now.date();
    if (QDateTime(date, m_at) <= now || date == m_lastRun)
        date = date.addDays(1);
    m_due = QDateTime(date, m_at);
    constexpr qint64 lookEveryMs = 60 * 1000;
    m_timer.start(int(std::clamp<qint64>(now.msecsTo(m_due), 0, lookEveryMs)));
}

} // namespace watch
