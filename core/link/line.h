#pragma once
#include <QByteArray>
#include <QObject>
#include <QString>
#include <memory>
#include <stop_token>

// Where the bytes of the bus enter and leave: a serial port, a TCP connection to a device server
// that passes raw RTU bytes, a Modbus TCP gateway. The link speaks RTU frames (address, PDU, CRC)
// over every line; a line that carries another framing turns it into RTU frames both ways.
//
// A new transport is one class implementing this, plus its URL scheme in makeLine().
class Line : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~Line() override = default;

    // Opens the line, or reconnects one that was lost. Empty when it is up; otherwise why not, for
    // COM com (0: the line named alone). A connection is waited for at most its connect timeout, with
    // the window live; stop ends the wait.
    virtual QString open(int com, std::stop_token stop = {}) = 0;
    virtual void close() = 0;
    // Up now: bytes can be written and read.
    virtual bool isOpen() const = 0;
    // A line that is lost may come back (a TCP connection): the link reconnects it before the next
    // request instead of closing it.
    virtual bool reconnects() const { return false; }
    // The device path or the URL, as the user named it.
    virtual QString name() const = 0;

    virtual void write(const QByteArray &frame) = 0;  // one RTU frame, written through at once
    virtual QByteArray readAll() = 0;                  // the RTU bytes received so far
    // Takes what reached the system while no event loop ran; true when readAll() has something.
    virtual bool poll() = 0;
    virtual void discardInput() = 0;

    // The rate of the bus. A line whose serial side someone else sets (a device server) keeps the rate
    // it was opened with for the timing of replies and refuses any other.
    virtual bool setBaudRate(int baud) = 0;
    virtual int baudRate() const = 0;
    virtual bool baudRateSettable() const { return true; }
    // The silence between frames: 3.5 characters at the line's rate (at least 1.75 ms) on a wire; none
    // where frames travel in packets and the server's serial side keeps the gaps.
    virtual qint64 gapNs() const;
    // How long the request's own bytes take on the wire after the write returns (for the bus log).
    virtual qint32 wireUs(qsizetype bytes) const;

    // A connection is tried at most this long (TCP lines).
    void setConnectTimeoutMs(int ms) { m_connectTimeoutMs = ms; }
    int connectTimeoutMs() const { return m_connectTimeoutMs; }

signals:
    void readyRead();
    // The line went away (a USB adapter pulled out, a connection dropped). A line that reconnects
    // stays open for its user; any other has been closed.
    void lost(const QString &reason);
    // Bytes that arrived and were not passed on (a Modbus TCP reply to another transaction).
    void dropped(const QByteArray &bytes);

private:
    int m_connectTimeoutMs = 3000;
};

namespace line {
enum class Scheme { Serial, RtuOverTcp, ModbusTcp, Unknown };
// What a comports.map entry or a --port value names: a URL "rtu-over-tcp://host:port" or
// "tcp://host:port", another URL (which no line takes), else a serial device path.
Scheme schemeOf(const QString &target);
bool isNetwork(const QString &target);  // one of the URLs a line takes
// A line for target at baud; nullptr with *error when the URL cannot be used.
std::unique_ptr<Line> make(const QString &target, int baud, QString *error);
} // namespace line
