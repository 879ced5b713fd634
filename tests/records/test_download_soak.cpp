// The download engine against the simulated recorder on a line that goes wrong in every way a real
// one does, a thousand-odd requests in all (half on a plain line, half through an adapter that echoes
// and delivers in batches), with every wait a twentieth of its default. Whatever the
// line does, a kept record is exactly the memory's record at its position, and the report is true.
#include "recordingview.h"
#include "core/records/downloadreport.h"
#include "core/records/recorddownload.h"
#include "sim/simrecorder.h"
#include <QSet>
#include <QTest>
#include <random>

using sim::Fault;
using sim::FaultSpec;

class TestDownloadSoak : public QObject {
    Q_OBJECT
private slots:
    void faultyLineKeepsOnlyTrueRecords_data();
    void faultyLineKeepsOnlyTrueRecords();
    void lateReplyIsWaitedOut();
};

namespace {
struct Line {
    sim::SimRecorder recorder;
    RecordingView view;
    Link link{&view};
    bool open(int baud)
    {
        if (!recorder.start())
            return false;
        recorder.setLineBaud(baud);
        recorder.setTurnaroundMs(2);
        link.port().setPortName(recorder.portPath());
        link.port().setBaudRate(baud);
        return link.port().open(QIODevice::ReadWrite);
    }
};
} // namespace

void TestDownloadSoak::faultyLineKeepsOnlyTrueRecords_data()
{
    QTest::addColumn<bool>("echo");
    QTest::addColumn<int>("batchMs");
    QTest::newRow("plain line") << false << 0;
    QTest::newRow("echoing adapter, 1 ms batches") << true << 1;
}

void TestDownloadSoak::faultyLineKeepsOnlyTrueRecords()
{
    QFETCH(bool, echo);
    QFETCH(int, batchMs);
    constexpr int Baud = 115200, Sensors = 20, Stored = 320, Erased = 4;
    const records::ReplyWindow window{20, 3, 60};
    // The faults, each with its share of the requests. Late replies come from a busy device and land
    // anywhere from past the record window to past a record's three windows and guards, where only the
    // second read can tell them from the next record.
    const struct { Fault fault; int perMille; } table[] = {
        {Fault::NoReply, 100}, {Fault::BadCrc, 50}, {Fault::Truncated, 50}, {Fault::Late, 20},
        {Fault::Trailing, 30}, {Fault::Doubled, 20}, {Fault::OtherAddress, 20},
    };
    constexpr int BurstPerMille = 8, BurstLength = 10;  // a run of ten silent requests

    Line line;
    QVERIFY(line.open(Baud));
    line.recorder.setEcho(echo);
    line.recorder.setBatchLatencyMs(batchMs);
    sim::SimRecorder &recorder = line.recorder;
    Link &link = line.link;
    auto memory = sim::SimRecorder::demoRecords(Stored, QDateTime(QDate(2026, 11, 30), QTime(8, 0)), Sensors);
    memory[101] = memory[100];                          // two identical records within a minute
    memory[300].time = memory[299].time.addDays(-40);   // a clock set back between two records
    recorder.setRecords(memory);

    std::mt19937 random(8806);  // touched on the simulator's thread only
    int burstLeft = 0, bursts = 0;
    // Records whose keeping is checked below get no fault of their own.
    const QSet<int> spared{101, 102, 300, 301};
    recorder.setFaultRule([&](const QByteArray &request, int) -> FaultSpec {
        if (spared.contains(((uint8_t(request[2]) << 8 | uint8_t(request[3])) / (Sensors + 3)) + 1))
            return {};
        if (burstLeft > 0 || int(random() % 1000) < BurstPerMille) {
            if (burstLeft == 0) {
                burstLeft = BurstLength;
                ++bursts;
            }
            --burstLeft;
            return {Fault::NoReply};
        }
        int roll = int(random() % 1000);
        for (const auto &row : table) {
            if ((roll -= row.perMille) >= 0)
                continue;
            FaultSpec f{row.fault};
            const int latest = 4 * (window.recordWindowMs + window.guardMs);
            f.lateMs = window.recordWindowMs * 3 / 2 + int(random() % (latest - window.recordWindowMs * 3 / 2 + 1));
            return f;
        }
        return {};
    });

    RecordDownload download(link, window);
    QMap<int, QByteArray> kept;
    QList<int> keptTwice;
    connect(&download, &RecordDownload::recordRead, this, [&](int k, const QByteArray &data) {
        if (kept.contains(k))
            keptTwice << k;
        kept.insert(k, data);
    });

    const int positions = Stored + Erased;
    records::DownloadOutcome d;
    {
        auto hold = link.tryHold();
        d = download.run(*hold, 21, 1, positions, Sensors);
    }
    recorder.clearFaults();

    // Every kept record is the memory's own record at that position, byte for byte, and kept once.
    QVERIFY(keptTwice.isEmpty());
    for (auto it = kept.cbegin(); it != kept.cend(); ++it) {
        QVERIFY2(it.key() <= Stored, qPrintable(QStringLiteral("erased position %1 kept").arg(it.key())));
        QVERIFY2(it.value() == sim::SimRecorder::recordBytes(memory[it.key() - 1]),
                 qPrintable(QStringLiteral("record %1 holds other bytes").arg(it.key())));
    }
    // The report is true: what was kept is counted, every position not filled is named, once.
    QCOMPARE(d.read, int(kept.size()));
    for (int k : d.notRecords)
        QVERIFY2(k > Stored, qPrintable(QStringLiteral("record %1 taken for erased memory").arg(k)));
    QSet<int> named;
    for (const QList<int> &part : {QList<int>(kept.keys()), d.notRecords, records::missingRecords(d)})
        for (int k : part) {
            QVERIFY2(!named.contains(k), qPrintable(QStringLiteral("position %1 counted twice").arg(k)));
            named.insert(k);
        }
    QCOMPARE(named.size(), positions);
    for (int k = Stored + 1; k <= positions; ++k)
        QVERIFY(!kept.contains(k));
    QCOMPARE(records::downloadStatus(d).contains(QStringLiteral("全部")), d.read == positions);
    QVERIFY(kept.contains(102) && kept.contains(301));  // true duplicates and a clock set back are records
    QCOMPARE(line.view.status.contains(QStringLiteral("回显")), echo);  // the echo was found, and said

    // The line really was that bad, and long enough.
    for (const auto &row : table)
        QVERIFY2(recorder.injected(row.fault) > 0, qPrintable(QStringLiteral("fault %1 never injected").arg(int(row.fault))));
    QVERIFY(recorder.ignoredWhileBusy() > 0);
    QVERIFY(bursts > 0);
    const int requests = int(recorder.requests().size());
    QVERIFY2(requests >= 500 && requests <= 1000, qPrintable(QString::number(requests)));
    qInfo("%d requests, %d kept, %d unread, %d not records, %d late, %d ignored while busy, %d bursts",
          requests, d.read, int(d.unread.size()), int(d.notRecords.size()), recorder.injected(Fault::Late),
          recorder.ignoredWhileBusy(), bursts);
}

void TestDownloadSoak::lateReplyIsWaitedOut()
{
    // Record 1's first answer comes late from a busy device. Landing in a guard, it starts the guard
    // again and the repeat goes to a device that is free. Landing past all of record 1's attempts, in
    // the window of record 2, it is a perfect frame of the wrong record: only the second read shows it.
    const records::ReplyWindow window{100, 3, 400};
    const struct { const char *name; int lateMs; QList<int> kept; int ignored; } rows[] = {
        {"into the guard", window.recordWindowMs + window.guardMs / 2, {1, 2}, 0},
        {"into the next record", 3 * (window.recordWindowMs + window.guardMs) + window.recordWindowMs / 2, {2}, 3},
    };
    for (const auto &r : rows) {
        Line line;
        QVERIFY(line.open(115200));
        const auto memory = sim::SimRecorder::demoRecords(2, QDateTime(QDate(2026, 11, 30), QTime(8, 0)), 20);
        line.recorder.setRecords(memory);
        FaultSpec late{Fault::Late};
        late.lateMs = r.lateMs;
        line.recorder.injectFault(late);
        RecordDownload download(line.link, window);
        QList<int> kept;
        connect(&download, &RecordDownload::recordRead, this, [&](int k, const QByteArray &data) {
            kept << k;
            QVERIFY2(data == sim::SimRecorder::recordBytes(memory[k - 1]), r.name);
        });
        auto hold = line.link.tryHold();
        download.run(*hold, 21, 1, 2, 20);
        QVERIFY2(kept == r.kept, r.name);
        QVERIFY2(line.recorder.ignoredWhileBusy() == r.ignored, r.name);
    }
}

QTEST_GUILESS_MAIN(TestDownloadSoak)
#include "test_download_soak.moc"
