#pragma once
#include "core/link/exchange.h"
#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <optional>

class QLocalServer;
class QLocalSocket;

// One owner per bus. The watcher (wl8806n-watch) owns the lines it watches; other programs of the same
// user (the window, the collector) reach such a bus through it, over a local socket, and their
// exchanges run one at a time on the watcher's link between its polls: never two on the wire at once.
//
// The socket: $XDG_RUNTIME_DIR/wl8806n/<key>.sock (the folder mode 0700, the socket the user's alone),
// key the line's canonical device path, or its URL in lower case, with every character other than
// letters, digits, '.', '-' turned into '_' ("/dev/ttyUSB0" → "_dev_ttyUSB0.sock").
//
// Messages, both ways: a 32-bit length (big-endian) of what follows, a type byte, the body. A message
// longer than MaxMessage ends the connection.
//   watcher → client, once on connecting: 'H' u32 baud, the line's name (UTF-8)
//   client → watcher: 'Q' u32 id, u8 kind id, u16 first wait ms, u16 second wait ms, u16 guard ms,
//                     u8 flags (1: confirm reads after a fault, 2: pump events after the wait, 4: the
//                     adapter echoes, 8: it does not; neither: the watcher's own echo rule), the RTU
//                     request as the link would write it. A guard of 0 is the watcher's own.
//   watcher → client: 'S' u32 id — the exchange of that request begins on the wire now
//   watcher → client: 'A' u32 id, u8 outcome (Outcome), the reply bytes as received (the adapter's
//                     echo removed; none when nothing came)
//   client → watcher: 'C' u32 id — the request is no longer wanted: taken from the queue if it still
//                     waits there (no 'S', no 'A' then); one already under way is answered as any
// Requests are taken first come, first served, each once the watcher's link is free (no poll, no
// download, no other client's exchange under way). A client that goes before its turn is dropped
// from the queue. Each request not given up before its turn gets its 'S' and its 'A', in that order; ids
// are the client's own.
namespace busshare {

constexpr int MaxMessage = 4096;

enum class Outcome : uint8_t {
    Sent = 0,         // the request went out; the reply (possibly none) follows
    NotSent = 1,      // the watcher's line was closed or lost, or it is stopping: nothing went out
    Unconfirmed = 2,  // the reads asked again after a fault never agreed: the last reply's bytes follow,
                      // not to be taken
};

// The socket of the watcher that owns target (a device path or a URL).
QString socketPath(const QString &target);

// One message, framed; and the next whole message taken from the front of buffer (type byte first).
QByteArray frame(char type, const QByteArray &body);
std::optional<QByteArray> takeMessage(QByteArray &buffer, bool *tooLong);

// The watcher's side: serves the clients of one line on its link.
class BusRelay : public QObject {
    Q_OBJECT
public:
    explicit BusRelay(Link &link, QObject *parent = nullptr);
    ~BusRelay() override;  // stops listening; the socket file goes

    // Listens for the clients of target. A socket file that no watcher answers any more is replaced.
    // Empty when listening; otherwise why not (another watcher owns the line, the folder cannot be made).
    QString listen(const QString &target);
    QString path() const;
    int queued() const { return int(m_queue.size()); }

signals:
    // A client's request was queued (for tests and logs).
    void requestQueued();

private:
    struct Pending {
        QPointer<QLocalSocket> client;
        quint32 id = 0;
        ExchangeKind kind;
        EchoMode echo = EchoMode::Auto;
        QByteArray request;
    };
    void onConnection();
    void onClientData(QLocalSocket *client);
    void onClientGone(QLocalSocket *client);
    void serveSoon();
    void serve();
    static void send(QLocalSocket *client, const QByteArray &message);

    Link &m_link;
    QLocalServer *m_server = nullptr;
    QList<Pending> m_queue;
    QHash<QLocalSocket *, QByteArray> m_input;  // each client's bytes not yet a whole message
    bool m_serving = false;
    bool m_serveQueued = false;
};

} // namespace busshare
