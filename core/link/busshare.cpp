#include "core/link/busshare.h"
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTimer>

namespace busshare {

QString socketPath(const QString &target)
{
    QString key = line::schemeOf(target) == line::Scheme::Serial ? QFileInfo(target).canonicalFilePath() : target.toLower();
    if (key.isEmpty())
        key = target;
    static const QRegularExpression other(QStringLiteral("[^A-Za-z0-9._-]"));
    key.replace(other, QStringLiteral("_"));
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) + QStringLiteral("/wl8806n/") + key
         + QStringLiteral(".sock");
}

namespace {
constexpr int kLookEveryMs = 5000;       // at the socket while it serves
constexpr int kLookAtMostMs = 60 * 1000;  // ... while it cannot be made, the interval doubling up to this
}

BusRelay::BusRelay(Link &link, QObject *parent)
    : QObject(parent), m_link(link), m_server(new QLocalServer(this)), m_look(new QTimer(this))
{
    connect(m_server, &QLocalServer::newConnection, this, &BusRelay::onConnection);
    m_look->setSingleShot(true);
    connect(m_look, &QTimer::timeout, this, &BusRelay::lookAtSocket);
    // The bus is free again (a poll, a download or a client's exchange ended): the next request's turn.
    connect(&m_link, &Link::idle, this, &BusRelay::serveSoon);
}

BusRelay::~BusRelay()
{
    m_server->close();
}

QString BusRelay::path() const
{
    return m_server->fullServerName();
}

void BusRelay::setLongest(int waitMs, int guardMs)
{
    m_longestWaitMs = waitMs;
    m_longestGuardMs = guardMs;
}

// A socket that stopped accepting (Qt closes it and removes its file when an accept fails: no file
// descriptors left) or whose file someone removed is made again; while that fails, at growing
// intervals. Its loss is said once, and its return.
void BusRelay::lookAtSocket()
{
    if (m_lost.isEmpty()) {
        if (m_server->isListening() && QFileInfo::exists(socketPath(m_target))) {
            m_look->start(kLookEveryMs);
            return;
        }
        m_lost = m_server->errorString().isEmpty() ? tr("套接字文件不见了") : m_server->errorString();
        emit notice(tr("%1 暂时不能接受其他程序的请求（%2），稍后再试").arg(m_target, m_lost));
        m_look->setInterval(500);
    }
    if (listen(m_target).isEmpty())
        return;
    m_look->start(std::min(m_look->interval() * 2, kLookAtMostMs));
}

QString BusRelay::listen(const QString &target)
{
    m_target = target;
    m_server->close();
    const QString path = socketPath(target);
    const QString dir = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(dir) || !QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner))
        return tr("无法建立 %1：其他程序将不能经由监视程序使用这条线路").arg(dir);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    bool listening = m_server->listen(path);
    if (!listening && m_server->serverError() == QAbstractSocket::AddressInUseError) {
        QLocalSocket probe;
        probe.connectToServer(path);
        if (probe.waitForConnected(1000))
            return tr("另一个监视程序已在管理 %1（%2）").arg(target, path);
        // Left by a watcher that has ended: nobody answers it.
        QLocalServer::removeServer(path);
        listening = m_server->listen(path);
    }
    if (!listening)
        return tr("无法在 %1 接受其他程序的请求：%2").arg(path, m_server->errorString());  // the caller says it
    if (!std::exchange(m_lost, QString()).isEmpty())
        emit notice(tr("%1 又能接受其他程序的请求了").arg(target));
    m_look->start(kLookEveryMs);
    return QString();
}

void BusRelay::onConnection()
{
    while (QLocalSocket *client = m_server->nextPendingConnection()) {
        connect(client, &QLocalSocket::readyRead, this, [this, client] { onClientData(client); });
        connect(client, &QLocalSocket::disconnected, this, [this, client] { onClientGone(client); });
        send(client, relay::Hello{quint32(m_link.baudRate()), m_link.portName()});
    }
}

void BusRelay::onClientData(QLocalSocket *client)
{
    relay::Reader &input = m_input[client];
    input.append(client->readAll());
    relay::Message message;
    for (;;) {
        const relay::Reader::Next next = input.next(&message);
        if (next == relay::Reader::Next::More)
            break;
        if (next == relay::Reader::Next::Broken) {
            drop(client, tr("消息格式不对"));
            break;
        }
        if (next == relay::Reader::Next::Message) {
            onMessage(client, message);
            if (client->state() != QLocalSocket::ConnectedState)
                return;  // dropped: its reader is gone
        }
    }
    serveSoon();
}

void BusRelay::onMessage(QLocalSocket *client, const relay::Message &message)
{
    if (const auto *giveUp = std::get_if<relay::GiveUp>(&message)) {
        const quint32 id = giveUp->id;
        m_queue.removeIf([client, id](const Pending &p) { return p.client == client && p.id == id; });
    } else if (const auto *request = std::get_if<relay::Request>(&message)) {
        if (request->frame.size() > MaxRequestBytes)
            return drop(client, tr("请求长 %1 字节").arg(request->frame.size()));
        if (std::count_if(m_queue.begin(), m_queue.end(), [client](const Pending &p) { return p.client == client; }) >= MaxQueuedPerClient)
            return drop(client, tr("已有 %1 个请求在等").arg(MaxQueuedPerClient));
        ExchangeKind kind = relay::kindOf(*request);
        if (m_longestWaitMs > 0) {
            kind.firstWaitMs = std::min(kind.firstWaitMs, m_longestWaitMs);
            kind.secondWaitMs = std::min(kind.secondWaitMs, m_longestWaitMs - kind.firstWaitMs);
        }
        if (m_longestGuardMs > 0)
            kind.guardMs = std::min(kind.guardMs, m_longestGuardMs);
        m_queue.append(Pending{client, request->id, kind, request->echo, request->frame});
        emit requestQueued();
    }
    // Anything else is nothing a client sends.
}

// A client that breaks the rules: its connection ends (its queued requests go with it), said in the log.
void BusRelay::drop(QLocalSocket *client, const QString &why)
{
    emit notice(tr("其他程序的连接已断开：%1").arg(why));
    m_input[client].clear();
    client->abort();
}

void BusRelay::onClientGone(QLocalSocket *client)
{
    m_queue.removeIf([client](const Pending &p) { return p.client == client; });
    if (client == m_running)
        m_link.cancelCommand(CancelReason::Stop);  // nobody waits for its answer any more
    m_input.remove(client);
    client->deleteLater();
}

void BusRelay::serveSoon()
{
    if (m_serveQueued || m_queue.isEmpty())
        return;
    m_serveQueued = true;
    QTimer::singleShot(0, this, [this] {
        m_serveQueued = false;
        serve();
    });
}

void BusRelay::serve()
{
    // One request per turn of the bus: a poll that came due meanwhile goes first.
    if (m_serving || m_queue.isEmpty())
        return;
    std::optional<Link::Hold> hold = m_link.tryHold(Link::Visibility::Quiet);
    if (!hold)
        return;  // the bus is free again later: idle brings the turn back
    m_serving = true;
    const Pending p = m_queue.takeFirst();
    send(p.client, relay::Started{p.id});
    // The client's echo setting holds for its own exchange.
    const EchoMode kept = m_link.echoMode();
    if (p.echo != EchoMode::Auto)
        m_link.setEchoMode(p.echo);
    m_running = p.client;
    const Exchange ex = m_link.exchange(*hold, p.kind, p.request);
    m_running = nullptr;
    m_link.setEchoMode(kept);
    using relay::Outcome;
    const Outcome outcome = !ex.sent ? Outcome::NotSent
                          : ex.info.cls == modbus::ReplyClass::Unconfirmed ? Outcome::Unconfirmed : Outcome::Sent;
    send(p.client, relay::Answer{p.id, outcome, ex.sent ? ex.reply : QByteArray()});
    m_serving = false;
    hold.reset();
}

void BusRelay::send(QLocalSocket *client, const relay::Message &message)
{
    if (client && client->state() == QLocalSocket::ConnectedState) {
        client->write(relay::encode(message));
        client->flush();
    }
}

} // namespace busshare
