#pragma once
#include "core/link/exchange.h"
#include "core/link/relayprotocol.h"
#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

class QLocalServer;
class QTimer;
class QLocalSocket;

// One owner per bus. The watcher (wl8806n-watch) owns the lines it watches; other programs of the same
// user (the window, the collector) reach such a bus through it, over a local socket, and their
// exchanges run one at a time on the watcher's link between its polls: never two on the wire at once.
//
// The socket: $XDG_RUNTIME_DIR/wl8806n/<key>.sock (the folder mode 0700, the socket the user's alone),
// key the line's canonical device path, or its URL in lower case, with every character other than
// letters, digits, '.', '-' turned into '_' ("/dev/ttyUSB0" → "_dev_ttyUSB0.sock").
//
// The messages: relayprotocol.h.
// Requests are taken first come, first served, each once the watcher's link is free (no poll, no
// download, no other client's exchange under way). A client that goes before its turn is dropped
// from the queue, and its exchange under way is cancelled. Each request not given up before its turn gets
// its 'S' and its 'A', in that order; ids are the client's own.
//
// No client can stall the bus: the waits it asks are cut to the longest the watcher's settings allow, it
// may have at most MaxQueuedPerClient requests waiting, and a request longer than a Modbus RTU frame or
// one past the queue's bound ends its connection. A socket that stops accepting (no file descriptors
// left) or whose file went is made again, at growing intervals while that fails.
namespace busshare {

// The socket of the watcher that owns target (a device path or a URL).
QString socketPath(const QString &target);

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
    // The longest a client's request may wait for its reply (its first and second waits together) and
    // keep the line silent before it; a longer ask is cut to these. 0: as asked.
    void setLongest(int waitMs, int guardMs);

    static constexpr int MaxQueuedPerClient = 8;
    static constexpr int MaxRequestBytes = 256;  // a Modbus RTU frame

signals:
    // A client's request was queued (for tests and logs).
    void requestQueued();
    // What the watcher's log says: a client dropped, the socket lost, the socket back. Once a fault.
    void notice(const QString &text);

private:
    struct Pending {
        QPointer<QLocalSocket> client;
        quint32 id = 0;
        ExchangeKind kind;
        EchoMode echo = EchoMode::Auto;
        QByteArray request;
    };
    void onConnection();
    void onMessage(QLocalSocket *client, const relay::Message &message);
    void onClientData(QLocalSocket *client);
    void onClientGone(QLocalSocket *client);
    void serveSoon();
    void serve();
    void drop(QLocalSocket *client, const QString &why);
    void lookAtSocket();
    static void send(QLocalSocket *client, const relay::Message &message);

    Link &m_link;
    QLocalServer *m_server = nullptr;
    QString m_target;           // what listen() was asked for: made again when lost
    QString m_lost;             // why the socket is lost, said once; empty while it serves
    QTimer *m_look = nullptr;   // looks at the socket now and then
    int m_longestWaitMs = 0, m_longestGuardMs = 0;
    const QLocalSocket *m_running = nullptr;  // the client whose exchange is on the bus
    QList<Pending> m_queue;
    QHash<QLocalSocket *, relay::Reader> m_input;  // each client's bytes not yet a whole message
    bool m_serving = false;
    bool m_serveQueued = false;
};

} // namespace busshare
