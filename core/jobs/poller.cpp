#include "core/jobs/poller.h"

namespace jobs {

Poller::Poller(Link &link, NextTarget next, QObject *parent) : QObject(parent), m_link(link), m_next(std::move(next))
{
    connect(&m_timer, &QTimer::timeout, this, &Poller::tick);
}

void Poller::stop()
{
    const bool was = m_timer.isActive();
    m_timer.stop();
    if (was)
        emit runningChanged(false);
    if (m_tick)
        m_tick->cancel(CancelReason::Stop);
}

void Poller::tick()
{
    // Any command on the bus (another tick included) makes this tick wait for the next.
    if (m_link.busy())
        return;
    const std::optional<LiveTarget> target = m_next();
    if (!target) {
        stop();
        return;
    }
    if (const bool closed = !m_link.isOpen(); closed != m_paused) {
        m_paused = closed;
        emit paused(closed);
    }
    if (m_paused)
        return;
    auto hold = m_link.tryHold(Link::Visibility::Quiet);
    if (!hold)
        return;
    m_tick = hold->cancel();
    const LiveReading reading = readLiveValues(m_link, *hold, *target);
    m_tick.reset();
    emit read(*target, reading, hold->cancel().reason() == CancelReason::Stop);
}

} // namespace jobs
