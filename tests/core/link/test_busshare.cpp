// One owner per bus: another program's exchanges reach the simulated recorder through the watcher's
// link (BusRelay and RelayRunner), interleaved with the watcher's own polls, each whole and in order on
// the wire; and a client that leaves while it waits in the queue does not disturb the next one.
#include "core/link/busshare.h"
#include "core/link/relayprotocol.h"
#include "simlines.h"
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QtEndian>

class TestBusShare : public QObject {
    Q_OBJECT
private slots:
    void interleaved_data()
    {
        QTest::addColumn<int>("line");
        for (int i = 0; i < 3; ++i)
            QTest::newRow(SimLineNames[i]) << i;
    }

    void interleaved()
    {
        QFETCH(int, line);
        sim::SimRecorder sim;
        QVERIFY(sim.start(nullptr, SimLines[line]));
        sim.setFrameEndBySilence(true);  // frames that met on the wire would run into one, unanswered
        for (uint16_t r = 0; r < 10; ++r)
            sim.setHolding(r, 1000 + r);
        Link watcher;
        watcher.setPeerWitness(&sim);
        QCOMPARE(watcher.open(sim.portPath(), 19200, 0), QString());
        busshare::BusRelay relay(watcher);
        QCOMPARE(relay.listen(sim.portPath()), QString());
        QVector<QByteArray> sent;  // every frame the watcher's link wrote, in order
        connect(&watcher, &Link::requestSent, this, [&](const ExchangeKind &, const QByteArray &r) { sent << r; });

        // The watcher's polls: two reads each, on a timer, whenever the bus is free.
        int polls = 0, pollFaults = 0;
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            auto hold = watcher.tryHold(Link::Visibility::Quiet);
            if (!hold)
                return;
            ++polls;
            for (uint16_t r : {0, 1})
                pollFaults += !watcher.exchange(*hold, kinds::LiveRead, modbus::readHolding(21, r, 1)).info.exact();
        });
        poll.start(5);

        Link client;
        QCOMPARE(client.open(sim.portPath(), 19200, 0), QString());
        QVERIFY(client.viaWatcher());
        for (int i = 0; i < 30 || (polls < 3 && i < 1000); ++i) {
            const uint16_t r = 2 + i % 8;
            auto hold = client.tryHold();
            const Exchange ex = client.exchange(*hold, kinds::SingleParameterRead, modbus::readHolding(21, r, 1));
            QVERIFY2(ex.info.exact(), qPrintable(ex.stateText));
            QCOMPARE(qFromBigEndian<quint16>(ex.reply.constData() + 3), quint16(1000 + r));  // its own reply
        }
        poll.stop();
        QVERIFY(polls >= 3);
        QCOMPARE(pollFaults, 0);
        QCOMPARE(sim.requests(), sent);  // one at a time: each frame whole, as sent, in order
    }

    void leaverDroppedFromQueue()
    {
        sim::SimRecorder sim;
        QVERIFY(sim.start());
        sim.setHolding(5, 4321);
        Link watcher;
        watcher.setPeerWitness(&sim);
        QCOMPARE(watcher.open(sim.portPath(), 19200, 0), QString());
        busshare::BusRelay relay(watcher);
        QCOMPARE(relay.listen(sim.portPath()), QString());
        QSignalSpy queued(&relay, &busshare::BusRelay::requestQueued);

        // Two clients queue while the watcher holds the bus; the first leaves before its turn.
        auto hold = watcher.tryHold(Link::Visibility::Quiet);
        const auto request = [](quint32 id, uint16_t reg) {
            return relay::encode(relay::Request{.id = id, .firstWaitMs = 200, .confirmsAfterFault = false,
                                                .frame = modbus::readHolding(21, reg, 1)});
        };
        QLocalSocket leaver, stayer;
        for (auto [socket, reg] : {std::pair{&leaver, 4}, std::pair{&stayer, 5}}) {
            socket->connectToServer(relay.path());
            QVERIFY(socket->waitForConnected(5000));
            socket->write(request(7, uint16_t(reg)));
            QVERIFY(queued.wait());
        }
        leaver.abort();
        // A window whose command is stopped while its request waits gives the request up.
        Link window;
        QCOMPARE(window.open(sim.portPath(), 19200, 0), QString());
        connect(&relay, &busshare::BusRelay::requestQueued, &window, [&window] { window.cancelCommand(CancelReason::Stop); });
        const Exchange stopped = window.exchange(*window.tryHold(), kinds::SingleParameterRead, modbus::readHolding(21, 6, 1));
        QVERIFY(stopped.aborted);
        QTRY_COMPARE(relay.queued(), 1);
        hold.reset();

        // The stayer gets its hello, its start and its answer, and the bus heard its request alone.
        relay::Reader input;
        QList<relay::Message> messages;
        QTRY_VERIFY([&] {
            input.append(stayer.readAll());
            relay::Message m;
            while (input.next(&m) == relay::Reader::Next::Message)
                messages << m;
            return messages.size() >= 3;
        }());
        QCOMPARE(std::get<relay::Started>(messages[1]).id, 7u);
        const auto &answer = std::get<relay::Answer>(messages[2]);
        QVERIFY(answer.id == 7 && answer.outcome == relay::Outcome::Sent);
        const QByteArray reply = answer.reply;
        QVERIFY(modbus::classifyReply(modbus::readHolding(21, 5, 1), reply).exact());
        QCOMPARE(qFromBigEndian<quint16>(reply.constData() + 3), quint16(4321));
        QCOMPARE(sim.requests(), QVector<QByteArray>{modbus::readHolding(21, 5, 1)});
    }

    // Reads that the watcher asked again after a fault and that never agreed reach the client as
    // such: shown, nothing taken from them.
    void unconfirmedReachesClient()
    {
        sim::SimRecorder sim;
        QVERIFY(sim.start());
        sim.setFrameHook([&sim](int index) { sim.setHolding(5, uint16_t(100 + index)); });  // never the same twice
        sim.injectFault({.fault = sim::Fault::NoReply});
        Link watcher;
        watcher.setPeerWitness(&sim);
        QCOMPARE(watcher.open(sim.portPath(), 19200, 0), QString());
        busshare::BusRelay relay(watcher);
        QCOMPARE(relay.listen(sim.portPath()), QString());
        Link client;
        QCOMPARE(client.open(sim.portPath(), 19200, 0), QString());
        QVERIFY(!client.exchange(*client.tryHold(), kinds::SingleParameterRead, modbus::readHolding(21, 5, 1)).info.exact());
        bool decoded = false;
        const Exchange ex = client.exchange(*client.tryHold(), kinds::SingleParameterRead, modbus::readHolding(21, 5, 1),
                                            [&decoded](const Exchange &) { decoded = true; });
        QCOMPARE(ex.info.cls, modbus::ReplyClass::Unconfirmed);
        QVERIFY(!decoded);
        QCOMPARE(sim.requests().size(), 4);  // the failed read, then the read asked three times
        QCOMPARE(ex.reply.size(), 7);        // the last reply, shown
    }

    // A client that leaves while the bus runs its exchange: the exchange ends, the answer goes to
    // nobody, and the next client is served.
    void leaverDuringItsExchange()
    {
        sim::SimRecorder sim;
        QVERIFY(sim.start());
        sim.setHolding(5, 4321);
        sim.injectFault({.fault = sim::Fault::Late, .lateMs = 300});
        Link watcher;
        watcher.setPeerWitness(&sim);
        QCOMPARE(watcher.open(sim.portPath(), 19200, 0), QString());
        busshare::BusRelay relay(watcher);
        QCOMPARE(relay.listen(sim.portPath()), QString());
        QLocalSocket leaver;
        relay::Reader input;
        // It leaves as soon as the watcher says its exchange has begun.
        connect(&leaver, &QLocalSocket::readyRead, &leaver, [&] {
            input.append(leaver.readAll());
            for (relay::Message m; input.next(&m) == relay::Reader::Next::Message;)
                if (std::holds_alternative<relay::Started>(m))
                    leaver.abort();
        });
        leaver.connectToServer(relay.path());
        QVERIFY(leaver.waitForConnected(5000));
        QSignalSpy finished(&watcher, &Link::exchangeFinished);
        leaver.write(relay::encode(relay::Request{.id = 3, .firstWaitMs = 1000, .confirmsAfterFault = false,
                                                  .frame = modbus::readHolding(21, 4, 1)}));
        QVERIFY(finished.wait(10000));
        Link client;
        QCOMPARE(client.open(sim.portPath(), 19200, 0), QString());
        const Exchange ex = client.exchange(*client.tryHold(), kinds::SingleParameterRead, modbus::readHolding(21, 5, 1));
        QVERIFY2(client.viaWatcher() && ex.info.exact(), qPrintable(ex.stateText));
        QCOMPARE(qFromBigEndian<quint16>(ex.reply.constData() + 3), quint16(4321));
    }
};

QTEST_GUILESS_MAIN(TestBusShare)
#include "test_busshare.moc"
