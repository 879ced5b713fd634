#include "core/link/watcherline.h"
#include "core/link/busshare.h"
#include <QCoreApplication>
#include <QDataStream>
#include <QEventLoop>
#include <QTimer>
#include <QtEndian>

WatcherLine::WatcherLine(const QString &target, const QString &socket, int baud, QObject *parent)
    : Line(parent), m_target(target), m_path(socket), m_baud(baud)
{
    connect(&m_socket, &QLocalSocket::readyRead, this, &WatcherLine::take);
    connect(&m_socket, &QLocalSocket::disconnected, this, &WatcherLine::onGone);
}

QString WatcherLine::open(int com, std::stop_token stop)
{
    close();
    const QString which = com > 0 ? QCoreApplication::translate("Line", "COM%1（%2）").arg(com).arg(m_target) : m_target;
    // Up once the watcher has said which line it is and at what rate: a socket file left by a watcher
    // that has ended refuses at once.
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    connect(this, &WatcherLine::relayStarted, &loop, &QEventLoop::quit);  // the hello says so too
    connect(&m_socket, &QLocalSocket::errorOccurred, &loop, &QEventLoop::quit);
    connect(&m_socket, &QLocalSocket::disconnected, &loop, &QEventLoop::quit);
    const std::stop_callback onStop(stop, [&loop] { loop.quit(); });
    m_socket.connectToServer(m_path);
    if (!stop.stop_requested() && !m_hello && m_socket.state() != QLocalSocket::UnconnectedState) {
        timer.start(connectTimeoutMs());
        loop.exec();
    }
    if (m_hello && m_socket.state() == QLocalSocket::ConnectedState) {
        m_up = true;
        return QString();
    }
    const QString why = m_socket.state() == QLocalSocket::ConnectedState
                            ? QCoreApplication::translate("Line", "监视程序 %1 ms 内没有回应").arg(connectTimeoutMs())
                            : m_socket.errorString();
    m_socket.abort();
    return QCoreApplication::translate("Line", "无法经由监视程序使用 %1：%2").arg(which, why);
}

void WatcherLine::close()
{
    m_up = m_hello = m_pending = false;
    m_socket.abort();
    m_input.clear();
    m_received.clear();
}

void WatcherLine::write(const QByteArray &frame)
{
    // A request given up while under way at the watcher is answered all the same: the id tells that
    // answer from this one's.
    m_pending = true;
    m_unconfirmed = false;
    m_started.invalidate();
    QByteArray body;
    QDataStream out(&body, QIODevice::WriteOnly);
    out << ++m_id << quint8(m_kind.id) << quint16(std::clamp(m_kind.firstWaitMs, 0, 65535))
        << quint16(std::clamp(m_kind.secondWaitMs, 0, 65535)) << quint16(std::clamp(m_kind.guardMs, 0, 65535))
        << quint8((m_kind.confirmsAfterFault ? 1 : 0) | (m_kind.pumpAfterWait ? 2 : 0)
                  | (m_echo == EchoMode::On ? 4 : m_echo == EchoMode::Off ? 8 : 0));
    m_socket.write(busshare::frame('Q', body + frame));
    m_socket.flush();
}

void WatcherLine::giveUpRequest()
{
    if (!std::exchange(m_pending, false))
        return;
    QByteArray id(4, Qt::Uninitialized);
    qToBigEndian<quint32>(m_id, id.data());
    m_socket.write(busshare::frame('C', id));
    m_socket.flush();
}

bool WatcherLine::poll()
{
    if (m_socket.bytesAvailable() > 0 || m_socket.waitForReadyRead(0))
        take();
    return !m_received.isEmpty();
}

void WatcherLine::take()
{
    m_input += m_socket.readAll();
    bool tooLong = false;
    while (const std::optional<QByteArray> message = busshare::takeMessage(m_input, &tooLong)) {
        const char type = message->at(0);
        if (type == 'H' && message->size() >= 5) {
            m_baud = int(qFromBigEndian<quint32>(message->constData() + 1));
            m_watcherDevice = QString::fromUtf8(message->mid(5));
            m_hello = true;
            emit relayStarted();
            continue;
        }
        if (message->size() < 5 || qFromBigEndian<quint32>(message->constData() + 1) != m_id || !m_pending)
            continue;  // the answer to a request given up: not this one's
        if (type == 'S') {
            m_started.start();
            emit relayStarted();
        } else if (type == 'A' && message->size() >= 6) {
            m_pending = false;
            m_unconfirmed = busshare::Outcome(message->at(5)) == busshare::Outcome::Unconfirmed;
            m_received += message->mid(6);
            emit readyRead();  // even when nothing came: the exchange is over
        }
    }
    if (tooLong)
        m_socket.abort();
}

void WatcherLine::onGone()
{
    if (!std::exchange(m_up, false))
        return;
    m_pending = false;
    emit lost(QCoreApplication::translate("Line", "监视程序断开了连接"));
}
