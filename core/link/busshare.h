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
// from the queue. Each request not given up before its turn gets its 'S' and its 'A', in that order; ids
// are the client's own.
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
    void onMessage(QLocalSocket *client, const relay::Message &message);
    void onClientData(QLocalSocket *client);
    void onClientGone(QLocalSocket *client);
    void serveSoon();
    void serve();
    static void send(QLocalSocket *client, const relay::Message &message);

    Link &m_link;
    QLocalServer *m_server = nullptr;
    QList<Pending> m_queue;
    QHash<QLocalSocket *, relay::Reader> m_input;  // each client's bytes not yet a whole message
    bool m_serving = false;
    bool m_serveQueued = false;
};

} // namespace busshare
