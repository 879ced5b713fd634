#pragma once
#include <stop_token>

class LinkClock;
class QEventLoop;

// A wait that keeps the window live: a nested event loop ended by a timer, measured on a
// monotonic clock (no busy loop; the CPU stays idle). finish() ends it early, and so does a stop
// requested on the token it watches (at once: the stop quits the loop). On a clock of its own
// (setClock) the wait is that clock's instead.
class Waiter {
public:
    // Returns after at least ms milliseconds, or earlier when finish() is called or stop is
    // requested meanwhile (a stop requested before returns at once). Returns true when the full
    // time passed, false when it was ended early.
    bool wait(int ms, std::stop_token stop = {});
    void finish();
    void setClock(LinkClock *clock) { m_clock = clock; }

private:
    QEventLoop *m_loop = nullptr;
    LinkClock *m_clock = nullptr;
    bool m_finished = false;
};
