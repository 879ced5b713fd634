#pragma once
#include "core/jobs/liveread.h"
#include <QObject>
#include <QTimer>
#include <functional>
#include <optional>

// Live reads at the ticks of a timer for as long as it runs: one device again and again, or another
// at every tick. A tick that falls due while anything holds the bus is skipped, so polling never
// overlaps an exchange whatever the interval; a tick holds the bus quietly. A tick that finds the
// line closed reads nothing and pauses: said once, until a tick finds the line open again.
namespace jobs {

class Poller : public QObject {
    Q_OBJECT
public:
    // The device of the coming tick, asked afresh at each one; nothing: the poller stops.
    using NextTarget = std::function<std::optional<LiveTarget>()>;

    Poller(Link &link, NextTarget next, QObject *parent = nullptr);

    void start(int intervalMs)
    {
        m_timer.start(intervalMs);
        emit runningChanged(true);
    }
    // The timer stops and a tick's exchange under way ends now.
    void stop();
    bool isActive() const { return m_timer.isActive(); }
    // One tick now, as the timer would run it (also when the timer is not running).
    void tick();

signals:
    // Started, or stopped (by stop(), or when there was no device for a tick).
    void runningChanged(bool running);
    // The line was found closed at a tick (true, once) or open again (false, once).
    void paused(bool closed);
    // A tick's read, done. stopped: stop() came while it ran.
    void read(const jobs::LiveTarget &target, const jobs::LiveReading &reading, bool stopped);

private:
    Link &m_link;
    QTimer m_timer;
    NextTarget m_next;
    std::optional<CommandCancel> m_tick;  // the cancel of the tick under way
    bool m_paused = false;
};

} // namespace jobs
