// The poller, headless against the simulated recorder: ticks read the device the caller names at
// each one, never while the bus is held; a closed line pauses it (said once each way); a stop ends a
// tick's exchange under way.
#include "core/jobs/poller.h"
#include "simlines.h"
#include <QSignalSpy>
#include <QTest>

class TestPoller : public QObject {
    Q_OBJECT
private slots:
    void walk()
    {
        sim::SimRecorder recorder;
        QVERIFY(recorder.start());
        recorder.addDevice(22);
        Link link;
        QVERIFY(openOn(link, recorder).isEmpty());
        uint8_t next = 21;
        int asked = 0;  // a skipped tick must not move a loop on to its next device
        jobs::Poller poller(link, [&]() -> std::optional<jobs::LiveTarget> {
            ++asked;
            if (next == 0)
                return std::nullopt;
            return jobs::LiveTarget{next, 3, 0, 2};
        });
        QSignalSpy read(&poller, &jobs::Poller::read), paused(&poller, &jobs::Poller::paused);
        const auto device = [&](int i) { return read.at(i).at(0).value<jobs::LiveTarget>().device; };

        poller.tick();
        next = 22;
        poller.tick();
        QCOMPARE(read.size(), 2);
        QVERIFY(device(0) == 21 && device(1) == 22);
        QVERIFY(read.at(1).at(1).value<jobs::LiveReading>().complete());
        {
            const auto held = link.tryHold();  // a command on the bus: the tick waits for the next
            poller.tick();
        }
        QCOMPARE(read.size(), 2);
        QCOMPARE(asked, 2);

        link.close();
        poller.tick();
        poller.tick();
        QVERIFY(link.open(recorder.portPath(), 19200, 0).isEmpty());
        poller.tick();
        QCOMPARE(paused.size(), 2);  // closed once, open again once
        QVERIFY(paused.at(0).at(0).toBool() && !paused.at(1).at(0).toBool());
        QCOMPARE(read.size(), 3);

        // A stop while a tick's read waits for a reply that never comes ends it at once.
        recorder.injectFault(sim::FaultSpec{sim::Fault::NoReply});
        recorder.setFrameHook([&](int) { QMetaObject::invokeMethod(&poller, [&] { poller.stop(); }, Qt::QueuedConnection); });
        poller.start(10);
        QVERIFY(read.wait(5000));
        QVERIFY(read.last().at(2).toBool() && !poller.isActive());
        recorder.setFrameHook({});

        next = 0;  // the caller has nothing more to read: the poller stops
        poller.start(10);
        poller.tick();
        QVERIFY(!poller.isActive());
    }
};

QTEST_GUILESS_MAIN(TestPoller)
#include "test_poller.moc"
