// The simulated recorder behind a TCP listener, met by a plain client: raw RTU comes back as the
// pseudo-terminal would send it, Modbus TCP as MBAP frames with the request's transaction id; a
// request may come in pieces, and a client that connects again is served again.
#include "core/link/frames.h"
#include "hexbytes.h"
#include "tablerows.h"
#include "sim/simrecorder.h"
#include <QTcpSocket>
#include <QUrl>

namespace {
using T = sim::SimRecorder::Transport;
using F = sim::Fault;
// firstReply: the MBAP header of the reply to the first request, which meets the fault.
const auto &lineRows() { static const struct { const char *name; T transport; F fault; const char *scheme, *firstReply; } rows[] = {
    {"raw RTU", T::RtuOverTcp, F::None, "rtu-over-tcp", ""},
    {"raw RTU, another transaction: a plain reply", T::RtuOverTcp, F::OtherTransaction, "rtu-over-tcp", ""},
    {"Modbus TCP", T::ModbusTcp, F::None, "tcp", "07 01 00 00 00 05"},
    {"Modbus TCP, another transaction", T::ModbusTcp, F::OtherTransaction, "tcp", "07 02 00 00 00 05"},
}; return rows; }
} // namespace

class TestSimTcp : public QObject {
    Q_OBJECT
private slots:
    void served_data() { tableRows(lineRows()); }
    void served();
};

// Two rounds: a client connects, sends two reads of holding 116 at 21 (on Modbus TCP the second in
// two writes, its first bytes with the first read), takes both replies and closes.
void TestSimTcp::served()
{
    const auto &r = tableRow(lineRows());
    const bool mbap = r.transport == T::ModbusTcp;
    sim::SimRecorder recorder;
    QVERIFY(recorder.start(nullptr, r.transport));
    recorder.injectFault(sim::FaultSpec{r.fault});
    const QUrl url(recorder.portPath());
    QCOMPARE(url.scheme(), QLatin1String(r.scheme));
    // An RTU frame as the line carries it: on Modbus TCP the header, then the frame without its CRC.
    const auto framed = [&](const char *header, const QByteArray &rtu) { return mbap ? hx(header) + rtu.chopped(2) : rtu; };
    const QByteArray rtu = modbus::readHolding(21, 116, 1), reply = withCrc("15 03 02 00 3B");
    const QByteArray a = framed("07 01 00 00 00 06", rtu), b = framed("07 02 00 00 00 06", rtu);
    for (int round = 0; round < 2; ++round) {
        QTcpSocket client;
        client.connectToHost(url.host(), quint16(url.port()));
        QVERIFY(client.waitForConnected(5000));
        client.write(a + b.left(mbap ? 3 : 0));
        QVERIFY(client.waitForBytesWritten(5000) && recorder.waitForRequests(2 * round + 1, 5000));
        client.write(b.mid(mbap ? 3 : 0));
        const QByteArray expected = framed(round == 0 ? r.firstReply : "07 01 00 00 00 05", reply) + framed("07 02 00 00 00 05", reply);
        while (client.bytesAvailable() < expected.size() && client.waitForReadyRead(5000)) {
        }
        QCOMPARE(client.readAll(), expected);
        client.disconnectFromHost();
    }
    // Logged as the RTU frames they stand for, whatever the line.
    QCOMPARE(recorder.requests(), QVector<QByteArray>(4, rtu));
    QCOMPARE(recorder.injected(r.fault), int(r.fault != F::None));
}

QTEST_GUILESS_MAIN(TestSimTcp)
#include "test_simtcp.moc"
