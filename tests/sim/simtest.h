#pragma once
// Frames built by hand (independently of the program's own builders) and a simulator on a line,
// shared by the simulator's tests.
#include "core/link/crc16.h"
#include "sim/simmemory.h"
#include "sim/simrecorder.h"

#include <QSerialPort>
#include <QTest>

namespace simtest {
using namespace sim;

// Bytes followed by their CRC.
inline QByteArray frame(std::initializer_list<int> bytes)
{
    QByteArray f;
    for (int b : bytes)
        f.append(char(b));
    appendCrc(f);
    return f;
}

inline QByteArray hexFrame(const char *hex)
{
    return QByteArray::fromHex(hex);
}

inline QByteArray readRequest(int address, int fn, int start, int quantity)
{
    return frame({address, fn, start >> 8, start & 0xFF, quantity >> 8, quantity & 0xFF});
}

inline QByteArray writeSingle(int address, int reg, int value)
{
    return frame({address, 0x06, reg >> 8, reg & 0xFF, value >> 8, value & 0xFF});
}

inline QByteArray coil(int address, int coilNo, bool on)
{
    return frame({address, 0x05, 0, coilNo, on ? 0xFF : 0, 0});
}

inline QByteArray writeMultiple(int address, int start, const QVector<uint16_t> &values)
{
    QByteArray f;
    for (int b : {address, 0x10, start >> 8, start & 0xFF, 0, int(values.size()), int(values.size()) * 2})
        f.append(char(b));
    for (uint16_t v : values) {
        f.append(char(v >> 8));
        f.append(char(v & 0xFF));
    }
    appendCrc(f);
    return f;
}

// The register values of a good read reply.
inline QVector<uint16_t> replyWords(const QByteArray &reply)
{
    QVector<uint16_t> out;
    for (int i = 3; i + 1 < reply.size() - 2; i += 2)
        out.append(uint16_t((uint8_t(reply[i]) << 8) | uint8_t(reply[i + 1])));
    return out;
}

inline QByteArray readReply(int address, int fn, const QVector<uint16_t> &words)
{
    QByteArray f;
    f.append(char(address));
    f.append(char(fn));
    f.append(char(words.size() * 2));
    for (uint16_t v : words) {
        f.append(char(v >> 8));
        f.append(char(v & 0xFF));
    }
    appendCrc(f);
    return f;
}

// A Sunday afternoon: every clock register reads as its own digits.
inline const QDateTime Sunday(QDate(2026, 12, 6), QTime(14, 30, 45));
inline const qint64 HostT0 = QDateTime(QDate(2031, 5, 17), QTime(8, 0), Qt::UTC).toMSecsSinceEpoch();

inline DeviceState deviceAtSunday()
{
    DeviceState dev;
    dev.setClockAt(Sunday, HostT0);
    return dev;
}

inline Handled run(DeviceState &dev, const QByteArray &request, int lineBaud = 19200, qint64 hostMs = HostT0)
{
    return handleRequest(dev, request, LineContext{hostMs, lineBaud});
}

inline QVector<uint16_t> readHolding(DeviceState &dev, int start, int quantity, qint64 hostMs = HostT0)
{
    return replyWords(run(dev, readRequest(21, 0x03, start, quantity), 19200, hostMs).reply);
}

inline QVector<uint16_t> repeated(uint16_t value, int count)
{
    return QVector<uint16_t>(count, value);
}

// The simulator and a plain serial port on its line, in the test thread.
struct Bus {
    SimRecorder sim;
    QSerialPort port;

    bool open(int baud = 19200)
    {
        QString error;
        if (!sim.start(&error)) {
            qWarning() << "sim start:" << error;
            return false;
        }
        port.setPortName(sim.portPath());
        port.setBaudRate(baud);
        return port.open(QIODevice::ReadWrite) && port.setBaudRate(baud);
    }
    void send(const QByteArray &bytes)
    {
        port.write(bytes);
        port.flush();
    }
    // Waits until n bytes have come in (or five seconds passed) and returns all there are.
    QByteArray receive(int n)
    {
        (void)QTest::qWaitFor([&] { return port.bytesAvailable() >= n; }, 5000);
        return port.readAll();
    }
    // Sends a request the line should ignore, waits until the simulator has taken it off the
    // line, then proves the silence: the next good request's reply is the only thing that comes.
    bool ignored(const QByteArray &request)
    {
        const int seen = int(sim.requests().size());
        send(request);
        if (!sim.waitForRequests(seen + 1, 5000))
            return false;
        const QByteArray probe = readRequest(sim.addresses().value(0, 21), 0x03, 104, 1);
        send(probe);
        const QByteArray expected = readReply(probe[0], 0x03, {sim.holding(104, probe[0])});
        return receive(expected.size()) == expected;
    }
};


} // namespace simtest
