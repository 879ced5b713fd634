// The download engine against the simulated recorder over a pseudo-terminal, no window: a table of
// what each kind of bad reply makes of a record and of the download's end and report; then a soak of
// a thousand-odd requests on a line that goes wrong in every way at once (half plain, half through an
// adapter that echoes and delivers in batches). Whatever the line does, a kept record is exactly the
// memory's record at its position, and the report is true.
#include "core/records/downloadreport.h"
#include "core/records/recorddownload.h"
#include "simlines.h"
#include "tablerows.h"
#include <QSet>
#include <QTest>
#include <random>

using sim::Fault;
using sim::FaultSpec;
using End = records::DownloadOutcome::End;
using Mode = records::DownloadOutcome::Mode;

namespace {
constexpr int Sensors = 20;
const QDateTime FirstRecord(QDate(2026, 11, 30), QTime(8, 0));

struct Bus {
    sim::SimRecorder recorder;
    Link link;
    bool echoLearned = false;  // some exchange found the adapter's echo
    bool open(sim::SimRecorder::Transport transport = sim::SimRecorder::Transport::Pty)
    {
        QObject::connect(&link, &Link::exchangeFinished, [this](const ExchangeKind &, const Exchange &ex) { echoLearned |= ex.echoLearned; });
        if (!recorder.start(nullptr, transport))
            return false;
        recorder.setLineBaud(115200);
        recorder.setTurnaroundMs(2);
        recorder.setFrameEndBySilence(true);
        return openOn(link, recorder, 115200).isEmpty();
    }
};

int recordOf(const QByteArray &request)
{
    return (uint8_t(request[2]) << 8 | uint8_t(request[3])) / (Sensors + 3) + 1;
}

QList<int> range(int a, int b, int step = 1)
{
    QList<int> out;
    for (int k = a; k <= b; k += step)
        out << k;
    return out;
}

// Faults by record: which records get which fault, on their first request only or on every one; the
// records that end unread, how the download ends, and what the user is told (the message, or the
// status line when there is no message).
const auto &outcomeRows() { static const struct { const char *name; int stored, positions; QList<int> faulty; Fault fault; bool always; int lateMs; QList<int> unread; End end; const char *says; } rows[] = {
    {"bad CRC once: the repeat is kept", 4, 4, {2}, Fault::BadCrc, false, 150, {}, End::Complete, "已读取全部 4 条记录"},
    {"late once, into the guard", 4, 4, {2}, Fault::Late, false, 150, {}, End::Complete, "已读取全部 4 条记录"},
    {"truncated once", 4, 4, {3}, Fault::Truncated, false, 150, {}, End::Complete, "已读取全部 4 条记录"},
    {"trailing bytes once", 4, 4, {1}, Fault::Trailing, false, 150, {}, End::Complete, "已读取全部 4 条记录"},
    {"another address once", 4, 4, {4}, Fault::OtherAddress, false, 150, {}, End::Complete, "已读取全部 4 条记录"},
    {"exception once", 4, 4, {2}, Fault::Exception, false, 150, {}, End::Complete, "已读取全部 4 条记录"},
    // Record 1's late answer meets record 2's request: a perfect frame of the wrong record.
    {"late past the record's attempts", 3, 3, {1}, Fault::Late, false, 380, {1}, End::Complete, "第 1 条"},
    {"bad CRC every time: unread", 4, 4, {2}, Fault::BadCrc, true, 150, {2}, End::Complete, "有 1 条记录未能读取：第 2 条"},
    {"trailing bytes every time: unread", 4, 4, {3}, Fault::Trailing, true, 150, {3}, End::Complete, "第 3 条"},
    {"exception every time: unread", 4, 4, {4}, Fault::Exception, true, 150, {4}, End::Complete, "第 4 条"},
    {"ten silent in a row: device silent", 15, 15, range(3, 12), Fault::NoReply, true, 150, range(3, 12), End::DeviceSilent,
     "设备连续 10 条记录没有有效应答，读取已中止。已读取 2 条。有 10 条记录未能读取：第 3-12 条。第 13-15 条未读取"},
    {"ten silent spread out: not silent", 20, 20, range(1, 19, 2), Fault::NoReply, true, 150, range(1, 19, 2), End::Complete, "共 20 条记录，已读取 10 条"},
    {"erased memory: not records", 3, 5, {}, Fault::None, false, 150, {}, End::Complete, "有 2 个位置不是记录（存储区为空或数据无效），未作为记录保存：第 4、5 条"},
}; return rows; }

// Block reads against each way a recorder may take them: the requests that go out ("k×n": n records
// from k; "k": one record), how the records end and the mode reported. A failed attempt makes the next
// reply doubtful, so it is read twice.
const auto &blockRows() { using Refusal = sim::SimRecorder::BlockRefusal; static const struct { const char *name; int stored; Refusal refusal; QList<int> faultySerials; Fault fault; Mode mode; const char *requests; } rows[] = {
    {"five a request, the rest in one", 12, Refusal::None, {}, Fault::None, Mode::Block, "1×5 6×5 11×2"},
    {"exception: one a request", 12, Refusal::Exception, {}, Fault::None, Mode::BlockRefused, "1×5 1 2 3 4 5 6 7 8 9 10 11 12"},
    {"no reply twice, singles answer: one a request", 12, Refusal::NoReply, {}, Fault::None, Mode::BlockRefused,
     "1×5 1 1 2 3 4 5 6×5 6 6 7 8 9 10 11 12"},
    {"wrong length twice: one a request", 12, Refusal::WrongLength, {}, Fault::None, Mode::BlockRefused, "1×5 1 1 2 3 4 5 6×5 6 6 7 8 9 10 11 12"},
    {"first block lost on the line: blocks go on", 12, Refusal::None, {0}, Fault::NoReply, Mode::Block, "1×5 1 1 2 3 4 5 6×5 11×2"},
    {"a later block lost: its records one by one", 12, Refusal::None, {1}, Fault::BadCrc, Mode::Block, "1×5 6×5 6 6 7 8 9 10 11×2"},
    {"a later exception is a line fault", 12, Refusal::None, {1}, Fault::Exception, Mode::Block, "1×5 6×5 6 7 8 9 10 11×2"},
    {"erased memory inside a block", 8, Refusal::None, {}, Fault::None, Mode::Block, "1×5 6×5 11×2"},
}; return rows; }

// echo: and bytes delivered in 1 ms batches.
const auto &soakRows() { static const struct { const char *name; bool echo, blocks; } rows[] = {
    {"plain line", false, false}, {"echoing adapter", true, false}, {"plain line, block reads", false, true}}; return rows; }
} // namespace

class TestDownload : public QObject {
    Q_OBJECT
private slots:
    // The same table over every kind of line.
    void outcomes_data() { tableRowsOver(outcomeRows(), SimLineNames); }
    void outcomes()
    {
        const auto &r = tableRow(outcomeRows());
        QFETCH(int, variant);
        if (r.fault == Fault::BadCrc && SimLines[variant] == sim::SimRecorder::Transport::ModbusTcp)
            QSKIP("Modbus TCP carries no CRC");
        Bus line;
        QVERIFY(line.open(SimLines[variant]));
        const auto memory = sim::SimRecorder::demoRecords(r.stored, FirstRecord, Sensors);
        line.recorder.setRecords(memory);
        QSet<int> asked;  // on the simulator's thread; read after the run
        line.recorder.setFaultRule([&](const QByteArray &request, int) {
            const int k = recordOf(request);
            FaultSpec f{r.faulty.contains(k) && (r.always || !asked.contains(k)) ? r.fault : Fault::None};
            f.lateMs = r.lateMs;
            asked.insert(k);
            return f;
        });
        RecordDownload download(line.link, records::ReplyWindow{40, 3, 80, EchoMode::Auto, false});
        QList<int> kept;
        connect(&download, &RecordDownload::recordRead, this, [&](const records::Record &rec) {
            kept << rec.position;
            QVERIFY2(rec.data == sim::SimRecorder::recordBytes(memory[rec.position - 1]), r.name);
        });
        auto hold = line.link.tryHold();
        const records::DownloadOutcome d = download.run(*hold, 21, 1, r.positions, Sensors);
        QVERIFY2(d.end == r.end && d.unread == r.unread && d.read == kept.size(), r.name);
        QVERIFY2(d.notRecords == range(r.stored + 1, r.positions), r.name);
        // Every position is kept, unread, no record or not tried, and only one of them.
        QList<int> all = kept + r.unread + d.notRecords + (d.notTriedFrom ? range(d.notTriedFrom, r.positions) : QList<int>());
        std::sort(all.begin(), all.end());
        QVERIFY2(all == range(1, r.positions), r.name);
        const QString message = records::downloadMessage(d), shown = message.isEmpty() ? records::downloadStatus(d) : message;
        QVERIFY2(shown.contains(QString::fromUtf8(r.says)), qPrintable(shown));
        QVERIFY2(r.fault == Fault::None || line.recorder.injected(r.fault) > 0, r.name);
    }

    void blockReads_data() { tableRows(blockRows()); }
    void blockReads()
    {
        const auto &r = tableRow(blockRows());
        Bus line;
        QVERIFY(line.open());
        const auto memory = sim::SimRecorder::demoRecords(r.stored, FirstRecord, Sensors);
        line.recorder.setRecords(memory);
        line.recorder.setBlockRefusal(r.refusal);
        line.recorder.setFaultRule([&](const QByteArray &, int serial) {
            return FaultSpec{r.faultySerials.contains(serial) ? r.fault : Fault::None};
        });
        RecordDownload download(line.link, records::ReplyWindow{300, 3, 80});  // wide: the requests are counted
        QList<int> kept;
        QString said;
        connect(&download, &RecordDownload::recordRead, this, [&](const records::Record &rec) {
            kept << rec.position;
            QVERIFY2(rec.data == sim::SimRecorder::recordBytes(memory[rec.position - 1]), r.name);
        });
        connect(&download, &RecordDownload::blockReadsRefused, this, [&](const QString &why) { said += why + u'|'; });
        auto hold = line.link.tryHold();
        const records::DownloadOutcome d = download.run(*hold, 21, 1, 12, Sensors);
        QStringList requests;
        for (const QByteArray &q : line.recorder.requests()) {
            const int n = uint8_t(q[5]) / (Sensors + 3);
            requests << (n == 1 ? QString::number(recordOf(q)) : QStringLiteral("%1×%2").arg(recordOf(q)).arg(n));
        }
        QCOMPARE(requests.join(u' '), QString::fromUtf8(r.requests));
        QVERIFY2(d.mode == r.mode && d.unread.isEmpty() && kept == range(1, r.stored), r.name);
        QVERIFY2(d.notRecords == range(r.stored + 1, 12), r.name);
        QVERIFY2(said.count(u'|') == (r.mode == Mode::BlockRefused), qPrintable(said));  // said once
        QVERIFY2(records::downloadStatus(d).contains(r.mode == Mode::Block ? QStringLiteral("成块读取") : QStringLiteral("记录仪不支持成块读取")), r.name);
    }

    void faultyLineKeepsOnlyTrueRecords_data() { tableRows(soakRows()); }
    void faultyLineKeepsOnlyTrueRecords()
    {
        const auto &[name, echo, blocks] = tableRow(soakRows());
        // Block reads need more records for as many requests.
        const int Stored = blocks ? 500 : 320, Erased = 4;
        const records::ReplyWindow window{20, 3, 60, EchoMode::Auto, blocks};
        // The faults, each with its share of the requests. Late replies come from a busy device and land
        // anywhere from past the record window to past a record's three windows and guards, where only the
        // second read can tell them from the next record.
        const struct { Fault fault; int perMille; } table[] = {
            {Fault::NoReply, 100}, {Fault::BadCrc, 50}, {Fault::Truncated, 50}, {Fault::Late, 20},
            {Fault::Trailing, 30}, {Fault::Doubled, 20}, {Fault::OtherAddress, 20},
        };
        const int BurstPerMille = blocks ? 20 : 8, BurstLength = 10;  // a run of ten silent requests

        Bus line;
        QVERIFY(line.open());
        line.recorder.setEcho(echo);
        line.recorder.setBatchLatencyMs(echo ? 1 : 0);
        auto memory = sim::SimRecorder::demoRecords(Stored, FirstRecord, Sensors);
        memory[101] = memory[100];                          // two identical records within a minute
        memory[300].time = memory[299].time.addDays(-40);   // a clock set back between two records
        line.recorder.setRecords(memory);

        std::mt19937 random(8806);  // touched on the simulator's thread only
        int burstLeft = 0, bursts = 0;
        const QSet<int> spared{101, 102, 300, 301};  // records whose keeping is checked below
        line.recorder.setFaultRule([&](const QByteArray &request, int serial) -> FaultSpec {
            // Whether the recorder takes block reads is judged on the first request; a line fault there
            // would be taken for a refusal.
            if (blocks && serial == 0)
                return {};
            const int first = recordOf(request), last = first + uint8_t(request[5]) / (Sensors + 3) - 1;
            for (int k : spared)
                if (k >= first && k <= last)
                    return {};
            if (burstLeft > 0 || int(random() % 1000) < BurstPerMille) {
                bursts += burstLeft == 0;
                burstLeft = (burstLeft == 0 ? BurstLength : burstLeft) - 1;
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

        RecordDownload download(line.link, window);
        QMap<int, QByteArray> kept;
        QList<int> keptTwice;
        connect(&download, &RecordDownload::recordRead, this, [&](const records::Record &rec) {
            if (kept.contains(rec.position))
                keptTwice << rec.position;
            kept.insert(rec.position, rec.data);
        });
        const int positions = Stored + Erased;
        records::DownloadOutcome d;
        {
            auto hold = line.link.tryHold();
            d = download.run(*hold, 21, 1, positions, Sensors);
        }
        line.recorder.clearFaults();

        // Every kept record is the memory's own record at that position, byte for byte, and kept once.
        QVERIFY(keptTwice.isEmpty());
        for (auto it = kept.cbegin(); it != kept.cend(); ++it)
            QVERIFY2(it.key() <= Stored && it.value() == sim::SimRecorder::recordBytes(memory[it.key() - 1]),
                     qPrintable(QStringLiteral("position %1 holds other bytes").arg(it.key())));
        // The report is true: what was kept is counted, every position not filled is named, once.
        QCOMPARE(d.read, int(kept.size()));
        QList<int> all = kept.keys() + d.notRecords + d.unread + (d.notTriedFrom ? range(d.notTriedFrom, positions) : QList<int>());
        std::sort(all.begin(), all.end());
        QCOMPARE(all, range(1, positions));
        QVERIFY2(d.notRecords.isEmpty() || d.notRecords.first() > Stored, "a record taken for erased memory");
        QVERIFY(kept.contains(102) && kept.contains(301));  // true duplicates and a clock set back are records
        QCOMPARE(line.echoLearned, echo);  // the echo was found, and said
        // A line fault never switches block reads off.
        QCOMPARE(d.mode, blocks ? records::DownloadOutcome::Mode::Block : records::DownloadOutcome::Mode::Single);

        // The line really was that bad, and long enough.
        for (const auto &row : table)
            QVERIFY2(line.recorder.injected(row.fault) > 0, qPrintable(QStringLiteral("fault %1 never injected").arg(int(row.fault))));
        QVERIFY(line.recorder.ignoredWhileBusy() > 0);
        QVERIFY(bursts > 0);
        const int requests = int(line.recorder.requests().size());
        QVERIFY2(requests >= 400 && requests <= 1000, qPrintable(QString::number(requests)));
    }
};

QTEST_GUILESS_MAIN(TestDownload)
#include "test_download.moc"
