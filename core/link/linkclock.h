#pragma once
#include <QElapsedTimer>
#include <QtGlobal>

// Where a link's time comes from. The machine's monotonic clock by default; a test or a benchmark
// installs a clock of its own (virtual time, where a wait runs the events that fall due in it at once),
// so thousands of exchanges with seeded timings run in seconds and a failing seed replays exactly.
class LinkClock {
public:
    virtual ~LinkClock() = default;
    // Nanoseconds on a monotonic clock.
    virtual qint64 nowNs() const = 0;
    // Runs what falls due until deadlineNs, returning early once finished is set (by what ran).
    virtual void runUntil(qint64 deadlineNs, const bool &finished) = 0;
    // Lets ns pass without running anything: what falls due meanwhile waits for the next look.
    virtual void sleepNs(qint64 ns) = 0;
};

// The time one link and the runner of its line read: the clock installed, else the machine's.
class LinkTime {
public:
    LinkTime() { m_monotonic.start(); }
    void setClock(LinkClock *clock) { m_clock = clock; }
    LinkClock *clock() const { return m_clock; }
    qint64 nowNs() const { return m_clock ? m_clock->nowNs() : m_monotonic.nsecsElapsed(); }

private:
    LinkClock *m_clock = nullptr;
    QElapsedTimer m_monotonic;
};
