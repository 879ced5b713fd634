#pragma once
#include "core/link/echomode.h"
#include <algorithm>

// How long a record download waits and how often it asks. Users on a slow or long line widen these;
// the defaults are what the recorder answers within on an ordinary bus.
namespace records {

struct ReplyWindow {
    int recordWindowMs = 300;  // the longest one record read waits for its reply
    int attempts = 3;          // requests without a reply to trust before a record is given up
    int guardMs = 1200;        // silence the line must keep after a failed attempt before the next request
    EchoMode echo = EchoMode::Auto;  // the serial adapter's local echo, for every exchange of the line
    // A download asks for as many whole records as one read carries (125 registers) where the recorder
    // allows it; off: one record a request.
    bool blockReads = true;
    // The longest a network line (a device server, a Modbus TCP gateway) is waited for when it is
    // connected or connected again; not part of any reply window.
    int connectTimeoutMs = 3000;

    // What a user may set (the dialog and the settings file accept these, nothing else).
    static constexpr int MinWindowMs = 20, MaxWindowMs = 60000;
    static constexpr int MinAttempts = 1, MaxAttempts = 10;
    static constexpr int MinGuardMs = 20, MaxGuardMs = 60000;
    static constexpr int MinConnectMs = 100, MaxConnectMs = 60000;

    // The longest wait of any other exchange the programs make (a read of every parameter, a register
    // write and its pause), rounded up.
    static constexpr int LongestCommandWaitMs = 1000;
    // The longest one reply may be waited for: a record read's window or any other exchange's wait.
    int longestWaitMs() const { return std::max(recordWindowMs, LongestCommandWaitMs); }
    // The longest one exchange can take: the connection made again, the guard, and the wait, twice
    // for a read confirmed after a fault.
    int longestExchangeMs() const { return connectTimeoutMs + 2 * (guardMs + longestWaitMs()); }

    bool operator==(const ReplyWindow &) const = default;
};

} // namespace records
