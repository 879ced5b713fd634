#include "core/link/busshare.h"
#include <QDataStream>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTimer>
#include <QtEndian>

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

QByteArray frame(char type, const QByteArray &body)
{
    QByteArray out(4, Qt::Uninitialized);
    qToBigEndian<quint32>(quint32(body.size() + 1), out.data());
    out += type;
    return out + body;
}

std::optional<QByteArray> takeMessage(QByteArray &buffer, bool *tooLong)
{
    *tooLong = false;
    if (buffer.size() < 4)
        return std::nullopt;
    const quint32 length = qFromBigEndian<quint32>(buffer.constData());
    if (length == 0 || length > quint32(MaxMessage)) {
        *tooLong = true;
        return std::nullopt;
    }
    if (buffer.size() < qsizetype(4 + length))
        return std::nullopt;
    QByteArray message = buffer.mid(4, length);
    buffer.remove(0, 4 + length);
    return message;
}

namespace {
const ExchangeKind &kindById(uint8_t id)
{
    static const ExchangeKind *const known[] = {
        &kinds::LiveRead, &kinds::ParameterReadAll, &kinds::SingleParameterRead, &kinds::RecordCount, &kinds::RecordRead,
        &kinds::IntervalRead, &kinds::SensorCountRead, &kinds::StorageState, &kinds::ClockRead, &kinds::SetReg,
        &kinds::SetCoil, &kinds::setRegisters, &kinds::RecordDownload, &kinds::BusProbe};
    for (const ExchangeKind *k : known)
        if (uint8_t(k->id) == id)
            return *k;
    return kinds::SingleParameterRead;
}

QByteArray answer(quint32 id, Outcome outcome, const QByteArray &reply)
{
    QByteArray body(5, Qt::Uninitialized);
    qToBigEndian<quint32>(id, body.data());
    body[4] = char(outcome);
    return frame('A', body + reply);
}
} // namespace

BusRelay::BusRelay(Link &link, QObject *parent) : QObject(parent), m_link(link), m_server(new QLocalServer(this))
{
    connect(m_server, &QLocalServer::newConnection, this, &BusRelay::onConnection);
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

QString BusRelay::listen(const QString &target)
{
    m_server->close();
    const QString path = socketPath(target);
    const QString dir = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(dir) || !QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner))
        return tr("无法建立 %1：其他程序将不能经由监视程序使用这条线路").arg(dir);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (m_server->listen(path))
        return QString();
    if (m_server->serverError() == QAbstractSocket::AddressInUseError) {
        QLocalSocket probe;
        probe.connectToServer(path);
        if (probe.waitForConnected(1000))
            return tr("另一个监视程序已在管理 %1（%2）").arg(target, path);
        // Left by a watcher that has ended: nobody answers it.
        QLocalServer::removeServer(path);
        if (m_server->listen(path))
            return QString();
    }
    return tr("无法在 %1 接受其他程序的请求：%2").arg(path, m_server->errorString());
}

void BusRelay::onConnection()
{
    while (QLocalSocket *client = m_server->nextPendingConnection()) {
        connect(client, &QLocalSocket::readyRead, this, [this, client] { onClientData(client); });
        connect(client, &QLocalSocket::disconnected, this, [this, client] { onClientGone(client); });
        QByteArray hello(4, Qt::Uninitialized);
        qToBigEndian<quint32>(quint32(m_link.baudRate()), hello.data());
        send(client, frame('H', hello + m_link.portName().toUtf8()));
    }
}

void BusRelay::onClientData(QLocalSocket *client)
{
    QByteArray &input = m_input[client];
    input += client->readAll();
    bool tooLong = false;
    while (const std::optional<QByteArray> message = takeMessage(input, &tooLong)) {
        if (message->at(0) == 'C' && message->size() >= 5) {
            const quint32 id = qFromBigEndian<quint32>(message->constData() + 1);
            m_queue.removeIf([client, id](const Pending &p) { return p.client == client && p.id == id; });
            continue;
        }
        constexpr int Head = 1 + 4 + 1 + 2 + 2 + 2 + 1;
        if (message->at(0) != 'Q' || message->size() < Head + 4)
            continue;  // nothing a client of this version sends
        QDataStream in(*message);
        in.skipRawData(1);
        quint32 id;
        quint8 kindId, flags;
        quint16 firstMs, secondMs, guardMs;
        in >> id >> kindId >> firstMs >> secondMs >> guardMs >> flags;
        Pending p{client, id, kindById(kindId), flags & 4 ? EchoMode::On : flags & 8 ? EchoMode::Off : EchoMode::Auto,
                  message->mid(Head)};
        p.kind.firstWaitMs = firstMs;
        p.kind.secondWaitMs = secondMs;
        p.kind.guardMs = guardMs;
        p.kind.confirmsAfterFault = flags & 1;
        p.kind.pumpAfterWait = flags & 2;
        p.kind.pauseAfterMs = 0;  // the client keeps its own pause after the reply
        m_queue.append(std::move(p));
        emit requestQueued();
    }
    if (tooLong)
        client->abort();
    serveSoon();
}

void BusRelay::onClientGone(QLocalSocket *client)
{
    m_queue.removeIf([client](const Pending &p) { return p.client == client; });
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
    send(p.client, frame('S', [&] { QByteArray b(4, Qt::Uninitialized); qToBigEndian<quint32>(p.id, b.data()); return b; }()));
    // The client's echo setting holds for its own exchange.
    const EchoMode kept = m_link.echoMode();
    if (p.echo != EchoMode::Auto)
        m_link.setEchoMode(p.echo);
    const Exchange ex = m_link.exchange(*hold, p.kind, p.request);
    m_link.setEchoMode(kept);
    const Outcome outcome = !ex.sent ? Outcome::NotSent
                          : ex.info.cls == modbus::ReplyClass::Unconfirmed ? Outcome::Unconfirmed : Outcome::Sent;
    send(p.client, answer(p.id, outcome, ex.sent ? ex.reply : QByteArray()));
    m_serving = false;
    hold.reset();
}

void BusRelay::send(QLocalSocket *client, const QByteArray &message)
{
    if (client && client->state() == QLocalSocket::ConnectedState) {
        client->write(message);
        client->flush();
    }
}

} // namespace busshare
