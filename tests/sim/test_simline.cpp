// The simulated recorder over its pseudo-terminal: timing, faults, rates, devices.
#include "simtest.h"


#include <memory>

using namespace simtest;

class TestSimLine : public QObject {
    Q_OBJECT

private slots:
    // ---- over the pseudo-terminal -------------------------------------------------------------

    void roundTrip()
    {
        Bus bus;
        QVERIFY(bus.open());
        QVERIFY(bus.sim.portPath().startsWith("/dev/"));
        QCOMPARE(bus.sim.addresses(), QList<uint8_t>{21});
        bus.sim.setClock(Sunday);

        bus.send(readRequest(21, 0x03, 24, 4));
        QCOMPARE(bus.receive(13), readReply(21, 0x03, {2, 1, 2, 1}));

        bus.send(hexFrame("1503007500" "0456C7"));
        const QByteArray clock = bus.receive(13);
        QVERIFY(crcMatches(clock));
        QCOMPARE(clock.left(3), hexFrame("150308"));
        QCOMPARE(clock.mid(9, 2), hexFrame("2026"));
        QCOMPARE(uint8_t(clock[8]), uint8_t(0x12));  // still December, unless this test ran for weeks

        // Writes reach the state the other threads see.
        bus.send(writeSingle(21, 116, 120));
        QCOMPARE(bus.receive(8), writeSingle(21, 116, 120));
        QCOMPARE(bus.sim.holding(116), uint16_t(120));
        bus.sim.setHolding(3, uint16_t(-42));
        bus.send(readRequest(21, 0x03, 3, 1));
        QCOMPARE(bus.receive(7), readReply(21, 0x03, {uint16_t(-42)}));

        // Records set from here come back over the line.
        bus.sim.setRecords(SimRecorder::demoRecords(2, Sunday));
        QCOMPARE(bus.sim.records().size(), 2);
        QCOMPARE(bus.sim.input(23), uint16_t(0x5B26));
        bus.send(readRequest(21, 0x04, 0, 23));
        QCOMPARE(bus.receive(51).mid(3, 46), SimRecorder::recordBytes(bus.sim.records().first()));

        // Without wire timing the answer still comes.
        bus.sim.setWireTiming(false);
        bus.sim.setTurnaroundMs(0);
        bus.send(readRequest(21, 0x03, 104, 1));
        QCOMPARE(bus.receive(7), readReply(21, 0x03, {20}));
    }

    void faults_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QByteArray>("expected");  // what comes back for 06 116 ← 77
        const QByteArray echo = writeSingle(21, 116, 77);
        QByteArray badCrc = echo;
        badCrc[7] = char(badCrc[7] ^ 0xFF);
        QTest::newRow("none") << int(Fault::None) << echo;
        QTest::newRow("no reply") << int(Fault::NoReply) << QByteArray();
        QTest::newRow("bad crc") << int(Fault::BadCrc) << badCrc;
        QTest::newRow("truncated") << int(Fault::Truncated) << echo.left(5);
        QTest::newRow("late") << int(Fault::Late) << echo;
        QTest::newRow("other address") << int(Fault::OtherAddress) << writeSingle(22, 116, 77);
        QTest::newRow("exception") << int(Fault::Exception) << frame({21, 0x86, 0x04});
        QTest::newRow("trailing") << int(Fault::Trailing) << echo + QByteArray::fromHex("02042E5B18");
        QTest::newRow("doubled") << int(Fault::Doubled) << echo + echo;
    }

    void faults()
    {
        QFETCH(int, kind);
        QFETCH(QByteArray, expected);
        Bus bus;
        QVERIFY(bus.open());
        FaultSpec injected;
        injected.fault = Fault(kind);
        injected.lateMs = 300;
        bus.sim.injectFault(injected);
        bus.send(writeSingle(21, 116, 77));
        if (!expected.isEmpty())
            QCOMPARE(bus.receive(int(expected.size())), expected);
        QVERIFY(bus.sim.waitForRequests(1, 5000));
        // The write happened whatever became of the answer, and the fault was used up: the read
        // that follows gets its own answer and nothing else.
        const QByteArray read = readRequest(21, 0x03, 116, 1);
        bus.send(read);
        QCOMPARE(bus.receive(7), readReply(21, 0x03, {77}));
        QCOMPARE(bus.sim.requests(), (QVector<QByteArray>{writeSingle(21, 116, 77), read}));
        QCOMPARE(bus.sim.injected(Fault(kind)), kind == int(Fault::None) ? 0 : 1);
    }

    void wrongRateIsNoise()
    {
        Bus bus;
        QVERIFY(bus.open(9600));
        QCOMPARE(bus.sim.lineBaud(), 19200);
        const QByteArray read = readRequest(21, 0x03, 104, 1);
        bus.send(read);
        QVERIFY(bus.sim.waitForRequests(1, 5000));  // the recorder heard it and did not answer
        QVERIFY(bus.port.setBaudRate(19200));
        bus.send(read);
        QCOMPARE(bus.receive(7), readReply(21, 0x03, {20}));
        QCOMPARE(bus.sim.requests(), (QVector<QByteArray>{read, read}));

        // 14400 has no termios constant; it is still a rate of its own.
        QVERIFY(bus.port.setBaudRate(14400));
        bus.send(read);
        QVERIFY(bus.sim.waitForRequests(3, 5000));
        QVERIFY(bus.port.setBaudRate(19200));
        bus.send(read);
        QCOMPARE(bus.receive(7), readReply(21, 0x03, {20}));

        // A write at the wrong rate changes nothing either.
        QVERIFY(bus.port.setBaudRate(38400));
        bus.send(writeSingle(21, 116, 1));
        QVERIFY(bus.sim.waitForRequests(5, 5000));
        QVERIFY(bus.port.setBaudRate(19200));
        bus.send(readRequest(21, 0x03, 116, 1));
        QCOMPARE(bus.receive(7), readReply(21, 0x03, {59}));

        // Moving the line instead of the port works the same way.
        bus.sim.setLineBaud(38400);
        QCOMPARE(bus.sim.holding(2565), uint16_t(5));
        QVERIFY(bus.port.setBaudRate(38400));
        bus.send(read);
        QCOMPARE(bus.receive(7), readReply(21, 0x03, {20}));
    }

    void rateChangeOverTheLine()
    {
        Bus bus;
        QVERIFY(bus.open(19200));
        const QByteArray toNine = writeSingle(21, 2564, 2);
        bus.send(toNine);
        QCOMPARE(bus.receive(8), toNine);  // the echo at the old rate
        QVERIFY(QTest::qWaitFor([&] { return bus.sim.lineBaud() == 9600; }, 5000));
        QCOMPARE(bus.sim.holding(2562), uint16_t(2));

        // The program still at 19200 is not understood any more.
        const QByteArray rateRead = readRequest(21, 0x03, 2562, 1);
        bus.send(rateRead);
        QVERIFY(bus.sim.waitForRequests(2, 5000));
        QVERIFY(bus.port.setBaudRate(9600));
        bus.send(rateRead);
        QCOMPARE(bus.receive(7), readReply(21, 0x03, {2}));

        // 14400 has no termios constant of its own; it must still be told apart.
        bus.send(writeSingle(21, 2562, 3));
        QCOMPARE(bus.receive(8), writeSingle(21, 2562, 3));
        QVERIFY(QTest::qWaitFor([&] { return bus.sim.lineBaud() == 14400; }, 5000));
        QVERIFY(bus.port.setBaudRate(14400));
        bus.send(readRequest(21, 0x03, 2563, 1));
        QCOMPARE(bus.receive(7), readReply(21, 0x03, {3}));
    }

    void twoDevices()
    {
        Bus bus;
        bus.sim.addDevice(22);
        bus.sim.addDevice(22);
        QCOMPARE(bus.sim.addresses(), (QList<uint8_t>{21, 22}));
        QVERIFY(bus.open());
        bus.sim.setRecords(SimRecorder::demoRecords(3, Sunday), 22);

        for (const auto &[address, value] : {std::pair{21, 30}, std::pair{22, 45}}) {
            bus.send(writeSingle(address, 116, value));
            QCOMPARE(bus.receive(8), writeSingle(address, 116, value));
            bus.send(coil(address, address - 21, true));
            QCOMPARE(bus.receive(8), coil(address, address - 21, true));
        }
        for (const auto &[address, value, count] : {std::tuple{21, 30, 0}, std::tuple{22, 45, 3}}) {
            bus.send(readRequest(address, 0x03, 116, 1));
            QCOMPARE(bus.receive(7), readReply(address, 0x03, {uint16_t(value)}));
            bus.send(readRequest(address, 0x03, 121, 1));
            QCOMPARE(bus.receive(7), readReply(address, 0x03, {uint16_t(count)}));
        }
        QCOMPARE(bus.sim.coilOnCount(0, 21), 1);
        QCOMPARE(bus.sim.coilOnCount(1, 21), 0);
        QCOMPARE(bus.sim.coilOnCount(0, 22), 0);
        QCOMPARE(bus.sim.coilOnCount(1, 22), 1);
        QCOMPARE(bus.sim.records(21).size(), 0);
        QCOMPARE(bus.sim.input(0, 22), uint16_t(0x5B26));
        QCOMPARE(bus.sim.input(0, 21), uint16_t(0xFFFF));

        // A broadcast reaches both and answers nothing.
        QVERIFY(bus.ignored(writeSingle(0, 116, 90)));
        QCOMPARE(bus.sim.holding(116, 21), uint16_t(90));
        QCOMPARE(bus.sim.holding(116, 22), uint16_t(90));

        // Address 23 is nobody; once 22 is gone it is nobody too.
        QVERIFY(bus.ignored(readRequest(23, 0x03, 116, 1)));
        bus.sim.removeDevice(22);
        QCOMPARE(bus.sim.addresses(), QList<uint8_t>{21});
        QVERIFY(bus.ignored(readRequest(22, 0x03, 116, 1)));
    }

    void requestLog()
    {
        Bus bus;
        QVERIFY(bus.open());
        QVERIFY(!bus.sim.waitForRequests(1, 50));
        QVERIFY(bus.sim.requests().isEmpty());

        QByteArray spoiled = readRequest(21, 0x03, 0, 1);
        spoiled[6] = char(spoiled[6] ^ 0x10);
        const QByteArray unknown = frame({21, 0x2B, 0x0E, 0x01, 0x00});  // ends by silence
        const QByteArray a = readRequest(21, 0x03, 104, 1);
        const QByteArray b = readRequest(21, 0x03, 116, 1);

        QVERIFY(bus.ignored(spoiled));                            // + probe
        QVERIFY(bus.ignored(readRequest(99, 0x03, 0, 1)));        // + probe
        bus.send(unknown);
        QCOMPARE(bus.receive(5), frame({21, 0xAB, 0x01}));
        bus.send(a + b);  // two requests in one write are two frames
        QCOMPARE(bus.receive(14), readReply(21, 0x03, {20}) + readReply(21, 0x03, {59}));

        const QByteArray probe = readRequest(21, 0x03, 104, 1);
        QCOMPARE(bus.sim.requests(),
                 (QVector<QByteArray>{spoiled, probe, readRequest(99, 0x03, 0, 1), probe, unknown, a, b}));
        bus.sim.clearRequests();
        QVERIFY(bus.sim.requests().isEmpty());
        bus.send(a);
        QVERIFY(bus.sim.waitForRequests(1, 5000));
        QCOMPARE(bus.receive(7), readReply(21, 0x03, {20}));
    }

    void stopsWithARepliesPending()
    {
        auto bus = std::make_unique<Bus>();
        QVERIFY(bus->open());
        FaultSpec late;
        late.fault = Fault::Late;
        late.lateMs = 60000;
        bus->sim.injectFault(late);
        bus->send(readRequest(21, 0x03, 104, 1));
        QVERIFY(bus->sim.waitForRequests(1, 5000));
        bus->sim.stop();
        QVERIFY(bus->sim.portPath().isEmpty());
        // It starts again on a fresh line.
        QVERIFY(bus->sim.start());
        bus->port.close();
        bus->port.setPortName(bus->sim.portPath());
        QVERIFY(bus->port.open(QIODevice::ReadWrite));
        QVERIFY(bus->port.setBaudRate(19200));
        bus->send(readRequest(21, 0x03, 104, 1));
        QCOMPARE(bus->receive(7), readReply(21, 0x03, {20}));
        bus.reset();  // destroyed while running
    }
};

QTEST_GUILESS_MAIN(TestSimLine)
#include "test_simline.moc"
