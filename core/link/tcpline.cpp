#include "core/link/tcpline.h"
#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

TcpLine::TcpLine(const QString &url, const QString &host, quint16 port, int baud, QObject *parent)
    : Line(parent), m_url(url), m_host(host), m_port(port), m_baud(baud)
{
    connect(&m_socket, &QTcpSocket::readyRead, this, &TcpLine::onReadyRead);
    connect(&m_socket, &QTcpSocket::disconnected, this, &TcpLine::onGone);
    connect(&m_socket, &QTcpSocket::errorOccurred, this, [this] {
        if (m_socket.state() != QAbstractSocket::ConnectedState)
            onGone();
    });
}

QString TcpLine::open(int com, std::stop_token stop)
{
    close();  // a connection made again starts afresh
    const QString which = com > 0 ? QCoreApplication::translate("Line", "COM%1（%2）").arg(com).arg(m_url) : m_url;
    if (stop.stop_requested())
        return QCoreApplication::translate("Line", "连接 %1 已停止").arg(which);
    // Waited for with the window live; the connect timeout is the line's own, not a reply window.
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    bool timedOut = false;
    connect(&timer, &QTimer::timeout, &loop, [&] { timedOut = true; loop.quit(); });
    connect(&m_socket, &QTcpSocket::connected, &loop, &QEventLoop::quit);
    connect(&m_socket, &QTcpSocket::errorOccurred, &loop, &QEventLoop::quit);
    const std::stop_callback onStop(stop, [&loop] { loop.quit(); });
    m_socket.connectToHost(m_host, m_port);
    if (m_socket.state() != QAbstractSocket::ConnectedState && m_socket.state() != QAbstractSocket::UnconnectedState) {
        timer.start(connectTimeoutMs());
        loop.exec();
    }
    if (m_socket.state() == QAbstractSocket::ConnectedState) {
        m_socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);  // a request is one small write: no Nagle delay
        m_up = true;
        return QString();
    }
    const QString why = stop.stop_requested() ? QCoreApplication::translate("Line", "已停止")
                        : timedOut ? QCoreApplication::translate("Line", "%1 ms 内未连上").arg(connectTimeoutMs())
                                   : m_socket.errorString();
    m_socket.abort();
    return QCoreApplication::translate("Line", "无法连接 %1：%2").arg(which, why);
}

void TcpLine::close()
{
    m_up = false;
    m_socket.abort();
    m_received.clear();
    reset();
}

void TcpLine::write(const QByteArray &frame)
{
    m_socket.write(encode(frame));
    m_socket.flush();
}

void TcpLine::onReadyRead()
{
    const QByteArray bytes = decode(m_socket.readAll());
    if (bytes.isEmpty())
        return;
    m_received += bytes;
    emit readyRead();
}

QByteArray TcpLine::readAll()
{
    return std::exchange(m_received, QByteArray());
}

bool TcpLine::poll()
{
    // Asked even with bytes at hand, and again after them: a connection closed behind the last bytes
    // is found now, within the exchange, not at some later event. (Bounded: a stream that never ends.)
    for (int round = 0; round < 8 && isOpen() && m_socket.waitForReadyRead(0); ++round) {
    }
    if (m_socket.bytesAvailable() > 0)
        m_received += decode(m_socket.readAll());
    return !m_received.isEmpty();
}

void TcpLine::discardInput()
{
    m_socket.readAll();
    m_received.clear();
    reset();
}

void TcpLine::onGone()
{
    if (!std::exchange(m_up, false))
        return;  // closed by its user, or never up
    const QString reason = m_socket.errorString();
    m_socket.abort();
    reset();
    emit lost(reason);
}
