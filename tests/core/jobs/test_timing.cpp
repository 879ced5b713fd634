// Every job that reads, on a virtual line whose answers come at seeded random times (prompt, within
// the window, past it, past the guard, seconds; lost, cut, doubled, followed by noise; now and then a
// stray copy sooner than any answer could come): thousands of runs, each holding that every record
// kept is the one at its position, every position not kept is named, and no value came from another
// request. A failing seed is printed with the command that replays it. Then scripted lines that once
// put records at the wrong position.
#include "sim/timingfuzz.h"
#include "core/link/exchange.h"
#include "core/link/frames.h"
#include "tablerows.h"
#include <QTest>

using namespace sim::timing;

namespace {
constexpr qint64 Ms = 1'000'000;

// Every read touching record 2 (registers 23 … 45 with 20 sensors) is answered late by lateMs, any other
// after 40 ms; the recorder keeps what it hears while busy and answers in turn. Late by a little more
// than the guard, an answer meets the request sent when the guard ends, inside its window.
template <int lateMs>
sim::Delivery slowRecordTwo(const QByteArray &request, int)
{
    const int start = uint8_t(request[2]) << 8 | uint8_t(request[3]);
    const int quantity = uint8_t(request[4]) << 8 | uint8_t(request[5]);
    const bool touches = request[1] == 4 && start < 46 && start + quantity > 23;
    sim::Delivery d;
    d.lateNs = (touches ? lateMs : 38) * Ms;
    return d;
}

// A copy of the device's previous answer a quarter of the wire time after every request (2 ms for a
// one-register read at 19200 baud).
sim::Delivery strayEveryTime(const QByteArray &, int)
{
    sim::Delivery d;
    d.strayEarly = 0.25;
    return d;
}

const auto &scriptedRows() { static const struct { const char *name; Job job; sim::Plan plan; int held; } rows[] = {
    {"answers to record 2 1.7 s late, queued by the recorder, block reads", Job::DownloadBlocks, slowRecordTwo<1700>, 4},
    {"answers to record 2 1.7 s late, queued by the recorder, one record a request", Job::DownloadSingles, slowRecordTwo<1700>, 4},
    {"answers to record 2 just past the guard, block reads", Job::DownloadBlocks, slowRecordTwo<1300>, 4},
    {"answers to record 2 just past the guard, one record a request", Job::DownloadSingles, slowRecordTwo<1300>, 4},
    {"a stray answer 2 ms after each request", Job::SettingsReads, strayEveryTime, 0},
    {"a stray answer 2 ms after each live read", Job::LiveRead, strayEveryTime, 0},
}; return rows; }

// A device that answers the first request late (lateMs past its window's end, inside the guard), every
// other one at once.
const auto &lateFirstRows() { static const struct { const char *name; int lateMs; } rows[] = {
    {"a late answer 600 ms after the window, half the guard", 600},
    {"a late answer just before the guard would have ended", 950},
}; return rows; }

QString said(const Tally &t)
{
    return QStringLiteral("misplaced %1, unnamed %2, stray taken %3\n").arg(t.misplaced).arg(t.unnamed).arg(t.strayTaken)
         + t.failures.join(QLatin1Char('\n'));
}
} // namespace

class TestTiming : public QObject {
    Q_OBJECT
private slots:
    void seeded_data()
    {
        QTest::addColumn<int>("job");
        QTest::addColumn<int>("seeds");
        for (Job job : Jobs)
            QTest::newRow(jobName(job)) << int(job) << 600;
        // Each exchange a round trip through a real socket: fewer runs.
        QTest::newRow(jobName(Job::DownloadViaWatcher)) << int(Job::DownloadViaWatcher) << 40;
    }
    void seeded()
    {
        QFETCH(int, job);
        QFETCH(int, seeds);
        Tally t;
        for (int seed = 1; seed <= seeds; ++seed)
            run(Job(job), quint64(seed) + quint64(job) * 100'000, t);
        QVERIFY2(t.held(), qPrintable(said(t)));
        QCOMPARE(t.runs, seeds);
    }

    void scripted_data() { tableRows(scriptedRows()); }
    void scripted()
    {
        const auto &r = tableRow(scriptedRows());
        Tally t;
        QStringList wire;
        for (quint64 seed = 1; seed <= 20; ++seed)
            run(r.job, seed, t, r.plan, seed == 1 ? &wire : nullptr, r.held);
        QVERIFY2(t.held(), qPrintable(said(t) + QLatin1Char('\n') + wire.join(QLatin1Char('\n'))));
    }

    // Bytes nobody asked for may be the start of a longer answer still on the wire: the next request waits
    // the guard counted from the last of them, not from before them, or it goes out into that answer.
    void noiseRestartsTheGuard_data() { tableRows(lateFirstRows()); }
    void noiseRestartsTheGuard()
    {
        const auto &r = tableRow(lateFirstRows());
        constexpr int GuardMs = 1200;
        sim::VirtualClock clock;
        auto owned = std::make_unique<sim::VirtualLine>(clock, 19200);
        sim::VirtualLine *line = owned.get();
        line->device(21);
        const qint64 lateNs = qint64(kinds::SingleParameterRead.firstWaitMs + r.lateMs) * Ms;
        line->setPlan([lateNs](const QByteArray &, int serial) {
            sim::Delivery d;
            d.lateNs = serial == 0 ? lateNs : 0;
            return d;
        });
        Link link;
        link.setClock(&clock);
        link.setGuardMs(GuardMs);
        QVERIFY(link.attach(std::move(owned)).isEmpty());
        qint64 heardNs = -1;
        QList<qint64> sentNs;
        QObject::connect(line, &Line::readyRead, &link, [&] {
            if (sentNs.size() == 1)
                heardNs = clock.nowNs();
        });
        QObject::connect(&link, &Link::requestSent, &link, [&](const ExchangeKind &, const QByteArray &) { sentNs << clock.nowNs(); });
        auto hold = link.tryHold();
        const QByteArray request = modbus::readHolding(21, 116, 1);
        QVERIFY(!link.exchange(*hold, kinds::SingleParameterRead, request).info.whole());
        QVERIFY(link.exchange(*hold, kinds::SingleParameterRead, request).info.exact());
        QVERIFY2(heardNs > sentNs.value(0) && sentNs.size() >= 2, "the late answer never came");
        QVERIFY2(sentNs[1] - heardNs >= GuardMs * Ms,
                 qPrintable(QStringLiteral("the next request went out %1 ms after the late answer").arg((sentNs[1] - heardNs) / Ms)));
    }
};

QTEST_GUILESS_MAIN(TestTiming)
#include "test_timing.moc"
