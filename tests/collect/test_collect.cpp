// The collector run in-process against the simulated recorder: a whole collection into the archive and
// CSV files, a backward read that stops at what the archive holds, a clear that waits for every record,
// an interrupt, and the exit statuses with the JSON summary read back.
#include "collect/collector.h"
#include "core/archive/recordstore.h"
#include "core/records/recorddecode.h"
#include "core/settings/settingsfiles.h"
#include "sim/simrecorder.h"
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <csignal>
#include <unistd.h>

namespace {
constexpr int Sensors = 20;
const QDateTime First(QDate(2026, 11, 30), QTime(8, 0));

using Memory = QVector<sim::SimRecord>;
Memory demo(int n, const QDateTime &first = First) { return sim::SimRecorder::demoRecords(n, first, Sensors); }

// Whether a request reads record k's registers (function 04, one record or a block).
bool reads(const QByteArray &request, int k)
{
    if (request.size() < 6 || uint8_t(request[1]) != 0x04)
        return false;
    const int start = uint8_t(request[2]) << 8 | uint8_t(request[3]);
    const int quantity = uint8_t(request[4]) << 8 | uint8_t(request[5]);
    const int at = *records::recordStart(k, Sensors);
    return start <= at && at < start + quantity;
}

struct Run {
    int code = -1;
    QString out, err;
    QJsonObject json;
    QJsonObject device(int i) const { return json["devices"].toArray().at(i).toObject(); }
    QList<int> list(int i, const char *key) const
    {
        QList<int> l;
        for (const auto v : device(i)[key].toArray())
            l << v.toInt();
        return l;
    }
};
} // namespace

class TestCollect : public QObject {
    Q_OBJECT
    sim::SimRecorder m_sim;
    std::unique_ptr<QTemporaryDir> m_dir;

    Run collect(const QStringList &args)
    {
        Run r;
        const collect::Io io{[&](const QString &t) { r.out += t; }, [&](const QString &t) { r.err += t; }, false};
        r.code = collect::run(QStringList{"wl8806n-collect", "--appdir", m_dir->path()} + args, io);
        if (args.contains("--json"))
            r.json = QJsonDocument::fromJson(r.out.toUtf8()).object();
        return r;
    }
    QList<QByteArray> archived(const QString &recorder)
    {
        archive::RecordStore store;
        QString error;
        if (!store.open({archive::ArchiveConfig::Sqlite, m_dir->filePath("archive.db"), {}, 0, {}, {}, {}}, &error))
            return {};
        QList<QByteArray> data;
        for (const auto &row : store.period(recorder, QDateTime(QDate(2000, 1, 1), QTime()), QDateTime(QDate(2099, 1, 1), QTime()), &error))
            data << row.data();
        return data;
    }
    static QList<QByteArray> bytes(const Memory &memory)
    {
        QList<QByteArray> out;
        for (const auto &r : memory)
            out << sim::SimRecorder::recordBytes(r);
        return out;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_sim.start());
        m_sim.setLineBaud(115200);
        m_sim.setTurnaroundMs(2);
        m_sim.addDevice(22);
    }
    // A fresh application folder: COM4 is the simulator, a short reply window so failures end soon.
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QString error;
        QFile map(m_dir->filePath("comports.map"));
        QVERIFY(map.open(QIODevice::WriteOnly) && map.write(("COM4=" + m_sim.portPath() + "\n").toUtf8()) > 0);
        map.close();
        QVERIFY(settings::writeComm(m_dir->path(), {4, 115200}, &error));
        QVERIFY(settings::writeReplyWindow(m_dir->path(), {60, 2, 60}, &error));
        m_sim.clearFaults();
        m_sim.clearRequests();
        m_sim.setRecords(demo(12), 21);
        m_sim.setRecords(demo(7, First.addDays(1)), 22);
    }

    // Two devices into the archive and a CSV file each; a second run adds nothing.
    void wholeCollection()
    {
        for (int pass = 0; pass < 2; ++pass) {
            const Run r = collect({"--port", "COM4", "--address", "21,22", "--csv", m_dir->filePath("data.csv"), "--json"});
            QCOMPARE(r.code, collect::Complete);
            QCOMPARE(r.json["status"].toString(), "complete");
            QCOMPARE(r.json["port"].toString(), "COM4");
            const int counts[] = {12, 7};
            for (int i = 0; i < 2; ++i) {
                const auto d = r.device(i);
                QCOMPARE(d["recorder"].toString(), QStringLiteral("COM4-%1").arg(21 + i));
                QCOMPARE(std::tuple(d["address"].toInt(), d["count"].toInt(), d["read"].toInt(), d["added"].toInt()),
                         std::tuple(21 + i, counts[i], counts[i], pass ? 0 : counts[i]));
                QVERIFY(r.list(i, "missing").isEmpty());
                const QString csv = m_dir->filePath(QStringLiteral("data-%1.csv").arg(21 + i));
                QCOMPARE(d["files"].toObject()["csv"].toString(), csv);
                QFile f(csv);
                QVERIFY(f.open(QIODevice::ReadOnly));
                QCOMPARE(f.readAll().count('\n'), counts[i] + 1);  // the heading and a line a record
            }
        }
        QCOMPARE(archived("COM4-21"), bytes(m_sim.records(21)));
        QCOMPARE(archived("COM4-22"), bytes(m_sim.records(22)));
    }

    // Names and limits in the summary; values out of range end with status 3 only when asked; a
    // limits file that cannot be read is said and the run goes on without limits.
    void limits()
    {
        QFile f(m_dir->filePath("sensors.set"));
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write("COM4-21\t1\t东墙\t℃\t\t5.0\nCOM4-21\t2\t西墙\n") > 0);
        f.close();
        Run r = collect({"--port", "COM4", "--address", "21,22", "--json", "--csv", m_dir->filePath("d.csv")});
        QCOMPARE(r.code, collect::Complete);
        QFile csv(m_dir->filePath("d-21.csv"));
        QVERIFY(csv.open(QIODevice::ReadOnly));
        QVERIFY(csv.readLine().startsWith("time,ch1 东墙,ch2 西墙,ch3,"));
        const QJsonArray named = r.device(0)["sensors"].toArray();
        QCOMPARE(named.size(), 2);
        QCOMPARE(named[0].toObject()["name"].toString(), "东墙");
        QCOMPARE(named[0].toObject()["high"].toDouble(), 5.0);
        const QJsonArray outside = r.device(0)["outOfRange"].toArray();
        QCOMPARE(r.device(0)["outOfRangeCount"].toInt(), 12);
        QCOMPARE(outside.size(), 12);
        QCOMPARE(std::tuple(outside[0].toObject()["record"].toInt(), outside[0].toObject()["sensor"].toInt()), std::tuple(1, 1));
        QVERIFY(outside[0].toObject()["value"].toDouble() > 5.0);
        QVERIFY(r.device(1)["outOfRange"].toArray().isEmpty());  // the limits are COM4-21's, not address 22's
        r = collect({"--port", "COM4", "--address", "21", "--fail-on-limits", "--json"});
        QCOMPARE(r.code, collect::OutOfRange);
        QCOMPARE(r.json["status"].toString(), "out-of-range");
        QVERIFY(f.remove() && QDir(m_dir->path()).mkdir("sensors.set"));
        r = collect({"--port", "COM4", "--address", "21", "--fail-on-limits"});
        QCOMPARE(r.code, collect::Complete);
        QVERIFY2(r.err.contains("sensors.set"), qPrintable(r.err));
    }

    // The archive, not the time, says what is new: each case stores the memory before, then reads
    // the memory after from the newest record back.
    void sinceLast_data()
    {
        QTest::addColumn<Memory>("before");
        QTest::addColumn<Memory>("after");
        QTest::addColumn<int>("read");
        QTest::addColumn<int>("added");
        QTest::addColumn<int>("firstRead");
        const Memory ten = demo(10);
        // A block read carries five records: the newest five are read before the one held is met, and
        // the one before it (is it the same record again?).
        QTest::newRow("records added") << ten << demo(14) << 6 << 4 << 10;
        QTest::newRow("nothing new") << ten << ten << 5 << 0 << 10;
        QTest::newRow("cleared, clock set back") << ten << demo(3, First.addDays(-1)) << 3 << 3 << 1;
        QTest::newRow("older than the held one") << ten << (demo(3, First.addDays(-1)) + ten.mid(0, 2) + demo(8, First.addDays(2)))
                                                 << 10 << 8 << 5;
        Memory same = demo(9);
        same << same.last();
        QTest::newRow("identical to the held one") << same << (same + Memory{same.last()}) << 5 << 1 << 9;
    }
    void sinceLast()
    {
        QFETCH(Memory, before);
        QFETCH(Memory, after);
        QFETCH(int, read);
        QFETCH(int, added);
        QFETCH(int, firstRead);
        m_sim.setRecords(before, 21);
        QCOMPARE(collect({"--address", "21"}).code, collect::Complete);
        m_sim.setRecords(after, 21);
        const Run r = collect({"--address", "21", "--since-last", "--json"});
        QCOMPARE(r.code, collect::Complete);
        QCOMPARE(std::tuple(r.device(0)["read"].toInt(), r.device(0)["added"].toInt(), r.device(0)["firstRead"].toInt()),
                 std::tuple(read, added, firstRead));
        QCOMPARE(archived("COM4-21").size(), before.size() + added);
    }

    // A clear only after every record was read and stored, and the count read again is still the
    // count downloaded; what arrived meanwhile is read first.
    void clearAfter_data()
    {
        QTest::addColumn<int>("failing");   // a record that never answers (0: none)
        QTest::addColumn<int>("arriving");  // records the recorder adds during the download
        QTest::addColumn<int>("code");
        QTest::newRow("every record read") << 0 << 0 << int(collect::Complete);
        QTest::newRow("a record fails") << 4 << 0 << int(collect::Missing);
        QTest::newRow("records arrive meanwhile") << 0 << 2 << int(collect::Complete);
        QTest::newRow("one arrives, then fails") << 14 << 2 << int(collect::Missing);
    }
    void clearAfter()
    {
        QFETCH(int, failing);
        QFETCH(int, arriving);
        QFETCH(int, code);
        const Memory full = demo(12 + arriving);
        std::atomic<bool> arrived = false;
        m_sim.setFaultRule([&, failing, arriving](const QByteArray &request, int) {
            if (arriving && reads(request, 5) && !arrived.exchange(true))
                m_sim.setRecords(full, 21);  // the simulator's thread, outside its lock
            sim::FaultSpec f;
            if (failing && reads(request, failing))
                f.fault = sim::Fault::NoReply;
            return f;
        });
        const int coil = m_sim.coilOnCount(3);
        const Run r = collect({"--address", "21", "--clear-after", "--json"});
        QCOMPARE(r.code, code);
        const bool cleared = code == collect::Complete;
        QCOMPARE(r.device(0)["cleared"].toBool(), cleared);
        QCOMPARE(r.device(0)["count"].toInt(), 12 + arriving);
        QCOMPARE(r.list(0, "missing"), failing ? QList<int>{failing} : QList<int>{});
        QCOMPARE(m_sim.coilOnCount(3) - coil, cleared ? 1 : 0);
        QCOMPARE(m_sim.records(21).size(), cleared ? 0 : full.size());
        QCOMPARE(archived("COM4-21").size(), full.size() - (failing ? 1 : 0));
        m_sim.clearFaults();
    }

    // SIGINT ends the download after the exchange under way; what was read is kept, the next device
    // is not visited, and the run ends "missing".
    void interrupted()
    {
        m_sim.setFaultRule([](const QByteArray &request, int) {
            if (reads(request, 6))
                ::kill(::getpid(), SIGINT);
            return sim::FaultSpec{};
        });
        const Run r = collect({"--address", "21,22", "--json"});
        m_sim.clearFaults();
        QCOMPARE(r.code, collect::Missing);
        QVERIFY(r.json["interrupted"].toBool());
        const int read = r.device(0)["read"].toInt();
        QVERIFY2(read >= 5 && read < 12, qPrintable(r.err));
        QCOMPARE(archived("COM4-21").size(), read);
        QCOMPARE(r.device(1)["read"].toInt(), 0);
        QVERIFY(archived("COM4-22").isEmpty());
    }

    void exitStatus_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("named");  // what the one line on standard error names
        const int usage = collect::Usage, unusable = collect::Unusable;
        QTest::newRow("no such port") << QStringList{"--port", "/dev/nonexistent-wl8806n"} << unusable << "/dev/nonexistent-wl8806n";
        QTest::newRow("a silent address") << QStringList{"--address", "30"} << unusable << "未读到记录条数";
        QTest::newRow("address 0") << QStringList{"--address", "0"} << usage << "--address：“0” 不是 1 到 247";
        QTest::newRow("address 248") << QStringList{"--address", "21,248"} << usage << "--address：“248”";
        QTest::newRow("address twice") << QStringList{"--address", "21,20-22"} << usage << "--address";
        QTest::newRow("range backwards") << QStringList{"--address", "5-2"} << usage << "--address";
        QTest::newRow("address text") << QStringList{"--address", "x"} << usage << "--address：“x”";
        QTest::newRow("baud") << QStringList{"--baud", "12"} << usage << "--baud：“12”";
        QTest::newRow("port") << QStringList{"--port", "COM99"} << usage << "--port：“COM99”";
        QTest::newRow("port twice") << QStringList{"--port", "4", "--port", "5"} << usage << "--port";
        QTest::newRow("sensors") << QStringList{"--sensors", "123"} << usage << "--sensors：“123”";
        QTest::newRow("not the recorder's sensors") << QStringList{"--sensors", "33"} << unusable << "记录仪的传感器总数是 20，不是 33";
        QTest::newRow("empty file") << QStringList{"--csv", ""} << usage << "--csv";
        QTest::newRow("nowhere to keep") << QStringList{"--no-archive"} << usage << "--no-archive";
        QTest::newRow("since-last, no archive") << QStringList{"--since-last", "--no-archive", "--txt", "a.txt"} << usage << "--since-last";
        QTest::newRow("since-last and clear") << QStringList{"--since-last", "--clear-after"} << usage << "--clear-after";
        QTest::newRow("demo on a path") << QStringList{"--demo", "--port", "/dev/ttyS0"} << usage << "--port";
        QTest::newRow("unknown option") << QStringList{"--clear"} << usage << "clear";
        QTest::newRow("stray argument") << QStringList{"21"} << usage << "“21”";
    }
    void exitStatus()
    {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QString, named);
        const Run r = collect(args.contains("--address") || args.contains("--port") ? args : args + QStringList{"--address", "21"});
        QCOMPARE(r.code, code);
        QVERIFY2(r.err.contains(named), qPrintable(r.err));
        if (code == collect::Usage) {
            QCOMPARE(r.err.count('\n'), 1);
            QVERIFY(r.out.isEmpty());
            QVERIFY(m_sim.requests().isEmpty());  // nothing was sent
        }
        if (code == collect::Unusable)
            QVERIFY(archived("COM4-21").isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestCollect)
#include "test_collect.moc"
