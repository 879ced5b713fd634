#pragma once
#include <cstdint>

// The line's trust: whether an answer to an earlier request may still be on its way.
//   InStep: every exchange so far ended with its own exact answer; the next request goes out after
//     the inter-frame gap.
//   Unsettled: an answer may still come (an exchange did not end with its exact answer: nothing,
//     a cut or garbled reply, bytes after it, another sender, a cancel; bytes nobody asked for; an
//     answer too early to be real; a line (re)connected, whose device server may hold an old
//     answer; a doubtful read just answered, whose own answer may be the one still coming). No
//     request goes out until the line has been silent for the guard (every byte starting the
//     silence again, and dropped).
//   Doubtful: the guard was kept, but a late answer may have slipped past it: a read is taken only
//     when a later read of the same request, itself sent after a guard's silence, agrees with it.
// One transition function moves it (nextTrust); an exchange that ended well costs nothing.
enum class LinkTrust : uint8_t { InStep, Unsettled, Doubtful };
enum class TrustEvent : uint8_t {
    Fault,        // see Unsettled
    GuardKept,    // the line was silent for the guard before a request
    OwnAnswer,    // an exact answer that can only be the request's own: a confirmed read
    ReadAnswered, // an exact answer to a read that went out doubtful
    Cleared,      // a port opened afresh, cleared both ways: nothing old can come
};

constexpr LinkTrust nextTrust(LinkTrust now, TrustEvent event)
{
    switch (event) {
    case TrustEvent::Fault:
        return LinkTrust::Unsettled;
    case TrustEvent::GuardKept:
        // Silence for the guard ends what can be waited out; an answer later still cannot be told
        // from one in time but by asking again.
        return now == LinkTrust::Unsettled ? LinkTrust::Doubtful : now;
    case TrustEvent::OwnAnswer:
        // A read another read agreed with, that one sent after a silence.
        return now == LinkTrust::Doubtful ? LinkTrust::InStep : now;
    case TrustEvent::ReadAnswered:
        // The answer taken may have been a late one, and then this read's own is still on its way:
        // the read that confirms it waits for a silence first.
        return now == LinkTrust::InStep ? now : LinkTrust::Unsettled;
    case TrustEvent::Cleared:
        return LinkTrust::InStep;
    }
    return LinkTrust::Unsettled;
}

// The trust of one link, moved only by nextTrust.
class TrustKeeper {
public:
    LinkTrust now() const { return m_now; }
    void on(TrustEvent event) { m_now = nextTrust(m_now, event); }

private:
    LinkTrust m_now = LinkTrust::InStep;
};
