// The bus scan lists exactly the devices that answer, each at its own rate, never writes, ends at once
// when stopped, and leaves the port at the rate it had.
#include "core/link/exchange.h"
#include "core/link/busscan.h"
#include "core/link/baudrates.h"
#include "simlines.h"
#include "tablerows.h"
#include <QTest>

// A window no scheduling delay reaches: only there is what a scan finds judged whole, lateness included.
// A short one may see an answer late or lose it on a busy machine: what it finds must be true.
constexpr int Certain = 1000;

const auto &scanRows() {
    const QList<int> all(baud::Rates.begin(), baud::Rates.end());
    const QString exception = QStringLiteral("异常应答 02（%1）").arg(modbus::exceptionName(2));
    static const struct { const char *name; QList<int> rates; int first, last, wait, stopAt; QStringList found; } rows[] = {
        {"the port's rate", {19200}, 1, 11, 60, 0, {"7 19200 " + exception}},
        {"every rate", all, 1, 31, 60, 0, {"5 9600 传感器总数 20", "7 19200 " + exception, "12 19200 传感器总数 20", "21 19200 传感器总数 20", "30 19200 传感器总数 20"}},
        {"a range, two rates", {9600, 19200}, 6, 25, 60, 0, {"7 19200 " + exception, "12 19200 传感器总数 20", "21 19200 传感器总数 20"}},
        {"each at its own rate, judged whole", {9600, 19200}, 5, 7, Certain, 0, {"5 9600 传感器总数 20", "7 19200 " + exception}},
        {"a slow device", {19200}, 11, 13, Certain, 0, {"12 19200 传感器总数 20 late"}},
        {"stopped", {19200}, 1, 247, 60, 10, {"7 19200 " + exception}},
    }; return rows; }

class TestBusScan : public QObject {
    Q_OBJECT
private slots:
    void findsEachDeviceAtItsRate_data() { tableRows(scanRows()); }
    void findsEachDeviceAtItsRate()
    {
        const auto &r = tableRow(scanRows());
        const bool certain = r.wait >= Certain;
        sim::SimRecorder recorder;  // device 21 at 19200
        recorder.addDevice(5);
        recorder.setDeviceBaud(5, 9600);
        recorder.addDevice(30);
        recorder.addDevice(7);   // another kind of module: it has no register 136
        recorder.addDevice(12);  // a slow one where the wait is certain: its answer comes in the next address's window
        recorder.setFaultRule([late = certain ? r.wait * 3 / 2 : 0](const QByteArray &q, int) {
            sim::FaultSpec f;
            if (uint8_t(q[0]) == 7)
                f = {.fault = sim::Fault::Exception, .exceptionCode = 0x02};
            else if (uint8_t(q[0]) == 12 && late)
                f = {.fault = sim::Fault::Late, .lateMs = late};
            return f;
        });
        recorder.setFrameEndBySilence(true);
        QVERIFY(recorder.start());
        Link link;
        QVERIFY(openOn(link, recorder).isEmpty());

        auto hold = link.tryHold();
        BusScan scan(link);
        bool heard = true;
        connect(&scan, &BusScan::progress, [&](int done, int, int, int address) {
            // Each probe reaches the simulator before the next goes out, so two never run into one frame.
            heard = heard && recorder.waitForRequests(done, 10000);
            if (address == r.stopAt)
                hold->cancel().cancel(CancelReason::Stop);
        });
        const scan::Plan plan{.first = r.first, .last = r.last, .rates = r.rates, .waitMs = r.wait};
        const scan::Outcome out = scan.run(*hold, plan);
        QStringList found;
        for (const scan::Found &f : out.found)
            found << QStringLiteral("%1 %2 %3%4").arg(f.address).arg(f.baud).arg(f.answer, f.late && certain ? QStringLiteral(" late") : QString());
        if (certain)
            QCOMPARE(found, r.found);
        for (const QString &f : found)
            QVERIFY2(r.found.contains(f), qPrintable(f));
        QCOMPARE(out.end, r.stopAt ? scan::Outcome::End::Stopped : scan::Outcome::End::Complete);
        QCOMPARE(out.asked, r.stopAt ? r.stopAt - r.first : plan.total());
        QCOMPARE(link.baudRate(), 19200);
        // Every probe reached the simulator, and only the probe went out, to every address of the range
        // in turn from the first: nothing is ever written.
        QVERIFY(heard && recorder.waitForRequests(out.asked, 10000));
        const QVector<QByteArray> requests = recorder.requests();
        QCOMPARE(requests.size(), out.asked);
        for (int i = 0; i < requests.size(); ++i)
            QCOMPARE(requests[i].toHex(' '), scan::probe(uint8_t(r.first + i % plan.addresses())).toHex(' '));
    }
};

QTEST_GUILESS_MAIN(TestBusScan)
#include "test_busscan.moc"
