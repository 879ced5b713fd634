#pragma once

class QEventLoop;

// A wait that keeps the window live: a nested event loop ended by a timer, measured on a
// monotonic clock (no busy loop; the CPU stays idle). finish() ends it early.
class Waiter {
public:
    // Returns after at least ms milliseconds, or earlier when finish() is called meanwhile.
    // Returns true when the full time passed, false when it was finished early.
    bool wait(int ms);
    void finish();

private:
    QEventLoop *m_loop = nullptr;
    bool m_finished = false;
};
