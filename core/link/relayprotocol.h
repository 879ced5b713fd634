#pragma once
#include "core/link/echomode.h"
#include <QByteArray>
#include <QString>
#include <optional>
#include <variant>

struct ExchangeKind;

// The messages between the watcher that owns a bus (busshare.h) and the programs that reach the bus
// through it (relayrunner.h), both ways: a 32-bit length (big-endian) of what follows, a type byte,
// the body. A length of 0 or past MaxMessage ends the connection; a whole message that is none of these
// (another type, a length its type does not have, a value out of range) is passed over.
//   watcher → client, once on connecting: 'H' u32 baud, the line's name (UTF-8)
//   client → watcher: 'Q' u32 id, u8 kind id, u16 first wait ms, u16 second wait ms, u16 guard ms,
//                     u8 flags (1: confirm reads after a fault, 2: pump events after the wait, 4: the
//                     adapter echoes, 8: it does not; neither: the watcher's own echo rule), the RTU
//                     request as the link would write it (at least 4 bytes). A guard of 0 is the
//                     watcher's own.
//   watcher → client: 'S' u32 id — the exchange of that request begins on the wire now
//   watcher → client: 'A' u32 id, u8 outcome (Outcome), the reply bytes as received (the adapter's
//                     echo removed; none when nothing came)
//   client → watcher: 'C' u32 id — the request is no longer wanted: taken from the queue if it still
//                     waits there (no 'S', no 'A' then); one already under way is answered as any
// Ids are the client's own.
namespace relay {

constexpr int MaxMessage = 4096;  // the type byte and the body

enum class Outcome : uint8_t {
    Sent = 0,         // the request went out; the reply (possibly none) follows
    NotSent = 1,      // the watcher's line was closed or lost, or it is stopping: nothing went out
    Unconfirmed = 2,  // the reads asked again after a fault never agreed: the last reply's bytes follow,
                      // not to be taken
};

struct Hello {
    quint32 baud = 0;
    QString device;
};
struct Request {
    quint32 id = 0;
    uint8_t kindId = 0;
    quint16 firstWaitMs = 0, secondWaitMs = 0, guardMs = 0;
    bool confirmsAfterFault = true;
    bool pumpAfterWait = false;
    EchoMode echo = EchoMode::Auto;
    QByteArray frame;
};
struct Started {
    quint32 id = 0;
};
struct Answer {
    quint32 id = 0;
    Outcome outcome = Outcome::Sent;
    QByteArray reply;
};
struct GiveUp {
    quint32 id = 0;
};
using Message = std::variant<Hello, Request, Started, Answer, GiveUp>;

// The request for one exchange of kind (its waits clamped to what the message holds).
Request requestFor(quint32 id, const ExchangeKind &kind, EchoMode echo, const QByteArray &frame);
// The kind the watcher runs a request as: the known kind of its id (an unknown id: a single read) with
// the request's waits; the pause after a write stays the client's.
ExchangeKind kindOf(const Request &request);

// The message framed; empty when it would be longer than MaxMessage.
QByteArray encode(const Message &message);
// The message of one frame's content (type byte first); nothing for one neither side sends.
std::optional<Message> decode(const QByteArray &content);

// Bytes from a socket in, whole messages out.
class Reader {
public:
    enum class Next {
        Message,  // *out holds the next message
        Skipped,  // a whole frame that is no message was passed over
        More,     // the next message is not all here yet
        Broken,   // a length out of bounds: nothing after it can be framed; end the connection
    };
    void append(const QByteArray &bytes) { m_buffer += bytes; }
    Next next(Message *out);
    void clear() { m_buffer.clear(); }

private:
    QByteArray m_buffer;
};

} // namespace relay
