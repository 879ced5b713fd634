#pragma once
#include "core/link/line.h"
#include <QTcpSocket>

// A TCP connection to the bus. The server's serial side keeps the gaps between frames and its rate
// is set on the server, so this line keeps no gaps and refuses another rate. A dropped connection
// is said once and connected again before the next request.
class TcpLine : public Line {
    Q_OBJECT
public:
    TcpLine(const QString &url, const QString &host, quint16 port, int baud, QObject *parent = nullptr);

    QString open(int com, std::stop_token stop = {}) override;
    void close() override;
    bool isOpen() const override { return m_socket.state() == QAbstractSocket::ConnectedState; }
    bool reconnects() const override { return true; }
    QString name() const override { return m_url; }
    void write(const QByteArray &frame) override;
    QByteArray readAll() override;
    bool poll() override;
    void discardInput() override;
    bool setBaudRate(int baud) override { return baud == m_baud; }
    int baudRate() const override { return m_baud; }
    bool baudRateSettable() const override { return false; }
    qint64 gapNs() const override { return 0; }
    qint32 wireUs(qsizetype) const override { return 0; }

protected:
    // The framing of the stream. Raw RTU passes both ways as it is.
    virtual QByteArray encode(const QByteArray &frame) { return frame; }
    // Takes bytes from the stream; returns the RTU bytes they complete.
    virtual QByteArray decode(const QByteArray &bytes) { return bytes; }
    virtual void reset() {}

private:
    void onReadyRead();
    void onGone();

    QString m_url;
    QString m_host;
    quint16 m_port;
    int m_baud;
    QTcpSocket m_socket;
    QByteArray m_received;  // RTU bytes not read yet
    bool m_up = false;      // connected, and not closed by its user since
};

// A transparent RS485-to-Ethernet server: raw RTU bytes in a TCP stream.
class RtuOverTcpLine final : public TcpLine {
    Q_OBJECT
public:
    using TcpLine::TcpLine;
};
