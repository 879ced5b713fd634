// The bus scan lists exactly the devices that answer, each at its own rate, never writes, ends at once
// when stopped, and leaves the port at the rate it had.
#include "core/link/busscan.h"
#include "core/link/baudrates.h"
#include "recordingview.h"
#include "sim/simrecorder.h"
#include <QTest>
#include <atomic>

class TestBusScan : public QObject {
    Q_OBJECT
private slots:
    void findsEachDeviceAtItsRate();
};

void TestBusScan::findsEachDeviceAtItsRate()
{
    sim::SimRecorder recorder;  // device 21 at 19200
    recorder.addDevice(5);
    recorder.setDeviceBaud(5, 9600);
    recorder.addDevice(30);
    recorder.addDevice(7);   // another kind of module: it has no register 136
    recorder.addDevice(12);  // a slow one: its answer comes only in the next address's window
    std::atomic<bool> slow = false;  // only where the test waits long enough to tell late from missing
    recorder.setFaultRule([&slow](const QByteArray &q, int) {
        sim::FaultSpec f;
        if (uint8_t(q[0]) == 7)
            f = {.fault = sim::Fault::Exception, .exceptionCode = 0x02};
        else if (uint8_t(q[0]) == 12 && slow)
            f = {.fault = sim::Fault::Late, .lateMs = 160};
        return f;
    });
    recorder.setFrameEndBySilence(true);
    QVERIFY(recorder.start());
    RecordingView view;
    Link link(&view);
    link.port().setPortName(recorder.portPath());
    link.port().setBaudRate(19200);
    QVERIFY(link.port().open(QIODevice::ReadWrite));

    const QList<int> all(baud::Rates.begin(), baud::Rates.end());
    const QString exception = QStringLiteral("异常应答 02（%1）").arg(modbus::exceptionName(2));
    const struct { const char *name; QList<int> rates; int first, last, wait, stopAt; QStringList found; } rows[] = {
        {"the port's rate", {19200}, 1, 11, 60, 0, {"7 19200 " + exception}},
        {"every rate", all, 1, 31, 60, 0, {"5 9600 传感器总数 20", "7 19200 " + exception, "12 19200 传感器总数 20", "21 19200 传感器总数 20",
                                          "30 19200 传感器总数 20"}},
        {"a range, two rates", {9600, 19200}, 6, 25, 60, 0, {"7 19200 " + exception, "12 19200 传感器总数 20", "21 19200 传感器总数 20"}},
        {"a slow device", {19200}, 11, 13, 100, 0, {"12 19200 传感器总数 20 late"}},
        {"stopped", {19200}, 1, 247, 60, 10, {"7 19200 " + exception}},
    };
    for (const auto &r : rows) {
        recorder.clearRequests();
        slow = r.wait == 100;
        auto hold = link.tryHold();
        BusScan scan(link);
        connect(&scan, &BusScan::progress, [&](int, int, int, int address) {
            if (address == r.stopAt)
                hold->cancel().cancel(CancelReason::Stop);
        });
        const scan::Plan plan{.first = r.first, .last = r.last, .rates = r.rates, .waitMs = r.wait};
        const scan::Outcome out = scan.run(*hold, plan);
        QStringList found;
        for (const scan::Found &f : out.found)
            found << QStringLiteral("%1 %2 %3%4").arg(f.address).arg(f.baud).arg(f.answer, f.late ? QStringLiteral(" late") : QString());
        QCOMPARE(found, r.found);
        QCOMPARE(out.end, r.stopAt ? scan::Outcome::End::Stopped : scan::Outcome::End::Complete);
        QCOMPARE(out.asked, r.stopAt ? r.stopAt - r.first : plan.total());
        QCOMPARE(link.port().baudRate(), 19200);
        // Only the probe went out: nothing is ever written.
        const QVector<QByteArray> requests = recorder.requests();
        QCOMPARE(requests.size(), out.asked);
        for (const QByteArray &q : requests)
            QCOMPARE(q.mid(1, 5).toHex(' '), QByteArray("03 00 88 00 01"));
    }
}

QTEST_GUILESS_MAIN(TestBusScan)
#include "test_busscan.moc"
