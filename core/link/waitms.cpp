#include "core/link/waitms.h"
#include "core/link/linkclock.h"
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

bool Waiter::wait(int ms, std::stop_token stop)
{
    m_finished = stop.stop_requested();
    if (m_finished)
        return false;
    const std::stop_callback onStop(stop, [this] { finish(); });
    if (m_clock) {
        if (ms > 0)
            m_clock->runUntil(m_clock->nowNs() + qint64(ms) * 1'000'000, m_finished);
        return !m_finished;
    }
    QCoreApplication::processEvents();
    if (ms <= 0 || m_finished)
        return !m_finished;
    QElapsedTimer clock;  // monotonic
    clock.start();
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    QEventLoop *outer = m_loop;
    m_loop = &loop;
    for (qint64 left = ms; left > 0 && !m_finished; left = ms - clock.elapsed()) {
        timer.start(int(left));
        loop.exec();
    }
    m_loop = outer;
    return !m_finished;
}

void Waiter::finish()
{
    m_finished = true;
    if (m_loop)
        m_loop->quit();
}
