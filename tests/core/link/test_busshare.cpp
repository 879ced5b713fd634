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
#include <sys/resource.h>
#include <unistd.h>

// A simulated recorder on the line given, the watcher's link open on it (with the recorder as its
// witness when asked) and the watcher's relay listening. open() is empty once all are up.
struct Bus {
    sim::SimRecorder sim;
    Link watcher;
    busshare::BusRelay relay{watcher};
    QString open(bool witness = true, sim::SimRecorder::Transport line = sim::SimRecorder::Transport::Pty)
    {
        if (!sim.start(nullptr, line))
            return "no recorder";
        watcher.setPeerWitness(witness ? &sim : nullptr);
        const QString opened = watcher.open(sim.portPath(), 19200, 0);
        return opened.isEmpty() ? relay.listen(sim.portPath()) : opened;
    }
};

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
        Bus bus;
        auto &[sim, watcher, relay] = bus;
        QCOMPARE(bus.open(true, SimLines[line]), QString());
        sim.setFrameEndBySilence(true);  // frames that met on the wire would run into one, unanswered
        for (uint16_t r = 0; r < 10; ++r)
            sim.setHolding(r, 1000 + r);
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
            QCoreApplication::processEvents();  // a poll that fell due meanwhile meets the bus free
        }
        poll.stop();
        QVERIFY(polls >= 3);
        QCOMPARE(pollFaults, 0);
        QCOMPARE(sim.requests(), sent);  // one at a time: each frame whole, as sent, in order
    }

    void leaverDroppedFromQueue()
    {
        Bus bus;
        auto &[sim, watcher, relay] = bus;
        QCOMPARE(bus.open(), QString());
        sim.setHolding(5, 4321);
        QSignalSpy queued(&relay, &busshare::BusRelay::requestQueued);

        // Two clients queue while the watcher holds the bus; the first leaves before its turn.
        auto hold = watcher.tryHold(Link::Visibility::Quiet);
        const auto request = [](quint32 id, uint16_t reg) {
            return relay::encode(relay::Request{.id = id, .firstWaitMs = 200, .confirmsAfterFault = false, .frame = modbus::readHolding(21, reg, 1)});
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
        Bus bus;
        sim::SimRecorder &sim = bus.sim;
        QCOMPARE(bus.open(), QString());
        sim.setFrameHook([&sim](int index) { sim.setHolding(5, uint16_t(100 + index)); });  // never the same twice
        sim.injectFault({.fault = sim::Fault::NoReply});
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

    // A client that leaves while the bus runs its exchange: the exchange is cancelled at once (not
    // waited out to the minute it asked for), the answer goes to nobody, and the next client is served.
    void leaverDuringItsExchange()
    {
        Bus bus;
        auto &[sim, watcher, relay] = bus;
        QCOMPARE(bus.open(), QString());
        sim.setHolding(5, 4321);
        sim.injectFault({.fault = sim::Fault::NoReply});
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
        bool aborted = false;
        connect(&watcher, &Link::exchangeFinished, this, [&aborted](const ExchangeKind &, const Exchange &ex) { aborted = ex.aborted; });
        leaver.write(relay::encode(relay::Request{.id = 3, .firstWaitMs = 60000, .confirmsAfterFault = false,
                                                  .frame = modbus::readHolding(21, 4, 1)}));
        QVERIFY(finished.wait(30000));
        QVERIFY(aborted);
        Link client;
        QCOMPARE(client.open(sim.portPath(), 19200, 0), QString());
        const Exchange ex = client.exchange(*client.tryHold(), kinds::SingleParameterRead, modbus::readHolding(21, 5, 1));
        QVERIFY2(client.viaWatcher() && ex.info.exact(), qPrintable(ex.stateText));
        QCOMPARE(qFromBigEndian<quint16>(ex.reply.constData() + 3), quint16(4321));
    }

    // What a client may ask of the watcher's bus: waits cut to the watcher's longest; a request past a
    // frame's length, or past the queue's bound for one client, ends that client's connection.
    // asks: first and second wait and guard; queued: requests sent while the watcher holds the bus;
    // expected: the waits the bus ran the first with, or "dropped" and nothing on the bus.
    void whatAClientMayAsk_data()
    {
        QTest::addColumn<QList<int>>("asks");
        QTest::addColumn<int>("bytes");
        QTest::addColumn<int>("queued");
        QTest::addColumn<QString>("expected");
        QTest::newRow("65 s waits: cut to the longest") << QList<int>{65535, 65535, 65535} << 8 << 1 << "300 0 100";
        QTest::newRow("waits within the bound: as asked") << QList<int>{200, 100, 40} << 8 << 1 << "200 100 40";
        QTest::newRow("a second wait past the bound: cut") << QList<int>{250, 300, 0} << 8 << 1 << "250 50 0";
        QTest::newRow("a frame of 256 bytes: sent") << QList<int>{200, 0, 0} << 256 << 1 << "200 0 0";
        QTest::newRow("a frame of 257 bytes: dropped") << QList<int>{200, 0, 0} << 257 << 1 << "dropped";
        QTest::newRow("eight queued: served") << QList<int>{200, 0, 0} << 8 << 8 << "200 0 0";
        QTest::newRow("nine queued: dropped") << QList<int>{200, 0, 0} << 8 << 9 << "dropped";
    }
    void whatAClientMayAsk()
    {
        QFETCH(QList<int>, asks);
        QFETCH(int, bytes);
        QFETCH(int, queued);
        QFETCH(QString, expected);
        Bus bus;
        auto &[sim, watcher, relay] = bus;
        QCOMPARE(bus.open(false), QString());
        relay.setLongest(300, 100);
        QStringList ran;
        connect(&watcher, &Link::exchangeStarted, this, [&ran](const ExchangeKind &k) {
            ran << QStringLiteral("%1 %2 %3").arg(k.firstWaitMs).arg(k.secondWaitMs).arg(k.guardMs);
        });
        QByteArray frame = modbus::readHolding(21, 5, 1);
        frame.append(QByteArray(bytes - frame.size(), '\0'));
        auto hold = watcher.tryHold(Link::Visibility::Quiet);
        QLocalSocket client;
        client.connectToServer(relay.path());
        QVERIFY(client.waitForConnected(5000));
        QSignalSpy gone(&client, &QLocalSocket::disconnected);
        for (int i = 0; i < queued; ++i)
            client.write(relay::encode(relay::Request{.id = quint32(i), .firstWaitMs = quint16(asks[0]), .secondWaitMs = quint16(asks[1]),
                                                      .guardMs = quint16(asks[2]), .confirmsAfterFault = false, .frame = frame}));
        if (expected == "dropped") {
            QVERIFY(gone.wait(10000));
            hold.reset();
            QCOMPARE(relay.queued(), 0);
            QCOMPARE(sim.requests().size(), 0);
            return;
        }
        QTRY_COMPARE(relay.queued(), queued);
        hold.reset();
        QTRY_COMPARE(ran.size(), queued);
        QCOMPARE(ran.first(), expected);
        QCOMPARE(gone.count(), 0);
    }

    // Out of file descriptors an accept fails, and the socket closes and its file goes: the relay says
    // so once, makes it again once there are descriptors, and says that; the same for a socket file
    // removed behind its back. A client is served again each time.
    void socketMadeAgain()
    {
        Bus bus;
        QCOMPARE(bus.open(false), QString());
        const QString path = bus.relay.path();
        QSignalSpy notices(&bus.relay, &busshare::BusRelay::notice);
        const auto greeted = [&path] {
            QLocalSocket client;
            QSignalSpy hello(&client, &QLocalSocket::readyRead);
            client.connectToServer(path);
            return hello.wait(10000);
        };
        rlimit kept{};
        QCOMPARE(getrlimit(RLIMIT_NOFILE, &kept), 0);
        rlimit low = kept;
        low.rlim_cur = std::min<rlim_t>(kept.rlim_cur, 256);
        QCOMPARE(setrlimit(RLIMIT_NOFILE, &low), 0);
        QLocalSocket refused;
        refused.connectToServer(path);
        std::vector<int> hoard;
        for (int fd; (fd = ::dup(STDERR_FILENO)) >= 0;)
            hoard.push_back(fd);
        QVERIFY(notices.wait(10000));
        for (int fd : hoard)
            ::close(fd);
        QCOMPARE(setrlimit(RLIMIT_NOFILE, &kept), 0);
        QTRY_COMPARE_WITH_TIMEOUT(notices.size(), 2, 30000);
        QVERIFY(greeted());
        QVERIFY(QFile::remove(path));
        QTRY_COMPARE_WITH_TIMEOUT(notices.size(), 4, 30000);
        QVERIFY(greeted());
        QVERIFY2(notices[0][0].toString().contains("暂时不能接受") && notices[1][0].toString().contains("又能接受"), qPrintable(notices[0][0].toString()));
    }
};

QTEST_GUILESS_MAIN(TestBusShare)
#include "test_busshare.moc"
