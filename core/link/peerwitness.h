#pragma once

// A peer that can say whether a reply to what it was sent is still on its way (the simulated recorder
// can; a device on a wire cannot). A link given one lets a reply window that runs out while the peer
// says so wait on until the reply is in or the peer has nothing more to send, so how the machine
// schedules the peer never turns a reply into none.
class PeerWitness {
public:
    virtual ~PeerWitness() = default;
    // Called from the link's thread; the peer may run on another.
    virtual bool replyPending() const = 0;
};
