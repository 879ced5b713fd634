// The collector run in-process against the simulated recorder: a whole collection into the archive and
// CSV files, a backward read that stops at what the archive holds, a clear that waits for every record,
// a bad night (two at once, faults, signals, holes, stale locks), and the exit statuses with the JSON
// summary read back.
#include "collect/collector.h"
#include "collect/outputs.h"
#include "collect/seriallock.h"
#include "core/archive/recordstore.h"
#include "permissionbits.h"
#include "core/records/recorddecode.h"
#include "core/link/frames.h"
#include "core/live/livedecode.h"
#include "core/settings/settingsfiles.h"
#include "sim/simrecorder.h"
#include "wholefile.h"
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSqlDatabase>
#include <QSqlQuery>
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

enum Night { Race, Password, BadOutput, Interrupted, Hole, Holes, Hangup, StaleLock, NotADatabase, ReadOnly };

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
        const collect::Io io{[&](const QString &t) { r.out += t; }, [&](const QString &t) { r.err += t; }, false,
                             &m_sim, {}};
        r.code = collect::run(QStringList{"wl8806n-collect", "--appdir", m_dir->path()} + args, io);
        if (args.contains("--json"))
            r.json = QJsonDocument::fromJson(r.out.toUtf8()).object();
        return r;
    }
    // The audit trail's last entries of a kind: "program recorder new value".
    QStringList audited(const char *kind, int last)
    {
        archive::RecordStore store;
        QString error;
        QStringList out;
        if (store.open({archive::ArchiveConfig::Sqlite, m_dir->filePath("archive.db"), {}, 0, {}, {}, {}}, &error))
            for (const auto &row : store.audit().trail(&error, kind).value_or(QList<archive::AuditRow>{}))
                out << row.program + ' ' + row.recorder + ' ' + row.newValue;
        return out.mid(out.size() - last);
    }
    QList<QByteArray> archived(const QString &recorder, QList<int> *missing = nullptr)
    {
        archive::RecordStore store;
        QString error;
        if (!QFile::exists(m_dir->filePath("archive.db"))
            || !store.open({archive::ArchiveConfig::Sqlite, m_dir->filePath("archive.db"), {}, 0, {}, {}, {}}, &error))
            return {};
        if (missing)
            *missing = store.records().missingPositions(recorder, &error).value_or(QList<int>{-1});
        QList<QByteArray> data;
        for (const auto &row : store.records().period(recorder, QDateTime(QDate(2000, 1, 1), QTime()), QDateTime(QDate(2099, 1, 1), QTime()), &error))
            data << row.data();
        return data;
    }
    // The collector as a program of its own, for what needs a process: a signal, two at once.
    std::unique_ptr<QProcess> start(const QStringList &args)
    {
        auto p = std::make_unique<QProcess>();
        p->setReadChannel(QProcess::StandardError);
        p->start(WL_COLLECT, QStringList{"--appdir", m_dir->path(), "--json"} + args);
        return p;
    }
    // Reads a child's standard error until it says what is looked for; false when it ended first.
    static bool until(QProcess &p, QString &err, const QString &pattern)
    {
        while (!err.contains(QRegularExpression(pattern))) {
            if (!p.waitForReadyRead(-1))
                return false;
            err += QString::fromUtf8(p.readAllStandardError());
        }
        return true;
    }
    static Run ended(QProcess &p, const QString &err)
    {
        Run r;
        p.waitForFinished(-1);
        r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        r.err = err + QString::fromUtf8(p.readAllStandardError());
        r.json = QJsonDocument::fromJson(p.readAllStandardOutput()).object();
        return r;
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
        QVERIFY(writeFile(m_dir->filePath("comports.map"), ("COM4=" + m_sim.portPath() + "\n").toUtf8()));
        QVERIFY(settings::writeComm(m_dir->path(), {4, 115200}, &error));
        QVERIFY(settings::writeReplyWindow(m_dir->path(), {60, 2, 60}, &error));
        m_sim.clearFaults();
        m_sim.clearRequests();
        m_sim.setRecords(demo(12), 21);
        m_sim.setRecords(demo(7, First.addDays(1)), 22);
    }

    // Two devices into the archive and a CSV file each, with the sensors' names and limits in the
    // summary and the CSV heading; a second run adds nothing. Values out of range end with status 3
    // only when asked; a limits file that cannot be read is said and the run goes on without limits.
    // On a terminal the bar is drawn at once and at the end, however quick the run; its line is
    // ended once. Into a log, a line at each tenth of the way.
    void progress()
    {
        QStringList said;
        collect::Io io;
        io.err = [&](const QString &s) { said << s; };
        io.errTerminal = true;
        collect::Progress bar(io, QStringLiteral("COM4-21"));
        bar.update(1, 10);
        bar.update(12, 10);
        bar.finish();
        bar.finish();
        QCOMPARE(said.value(0), QStringLiteral("\rCOM4-21 [###---------------------------] 1/10"));
        QCOMPARE(said.mid(said.size() - 2), QStringList({"\rCOM4-21 [##############################] 10/10", "\n"}));
        said.clear();
        io.errTerminal = false;
        collect::Progress log(io, QStringLiteral("COM4-22"));
        for (int done : {0, 1, 2, 3, 3, 20})
            log.update(done, 20);
        log.finish();
        QCOMPARE(said, QStringList({"COM4-22：0/20 条\n", "COM4-22：2/20 条\n", "COM4-22：20/20 条\n"}));
    }

    void wholeCollection()
    {
        QVERIFY(writeFile(m_dir->filePath("sensors.set"), "COM4-21\t1\t东墙\t℃\t-0.5\t5.5\nCOM4-21\t2\t西墙\n"));
        QCOMPARE(collect({"--verify"}).code, collect::Unusable);  // no archive yet, and none made by the check
        QVERIFY(!QFile::exists(m_dir->filePath("archive.db")));
        for (int pass = 0; pass < 2; ++pass) {
            const Run r = collect({"--port", "COM4", "--address", "21,22", "--csv", m_dir->filePath("data.csv"), "--json"});
            QCOMPARE(r.code, collect::Complete);
            QCOMPARE(r.json["status"].toString() + r.json["port"].toString(), "completeCOM4");
            const int counts[] = {12, 7};
            for (int i = 0; i < 2; ++i) {
                const auto d = r.device(i);
                QCOMPARE(d["recorder"].toString(), QStringLiteral("COM4-%1").arg(21 + i));
                QCOMPARE(std::tuple(d["address"].toInt(), d["count"].toInt(), d["read"].toInt(), d["added"].toInt()),
                         std::tuple(21 + i, counts[i], counts[i], pass ? 0 : counts[i]));
                QVERIFY(r.list(i, "missing").isEmpty());
                // Its line on standard error, whole: nothing trails a device that has nothing more to say.
                const QString line = QStringLiteral("设备 %1（COM4-%1）：条数 %2，读出 %2 条，存档新增 %3 条").arg(21 + i).arg(counts[i]).arg(pass ? 0 : counts[i]);
                QVERIFY2(r.err.split(QLatin1Char('\n')).contains(line), qPrintable(r.err));
                QVERIFY2(!r.err.startsWith(QLatin1Char('\n')) && !r.err.contains("\n\n"), qPrintable(r.err));  // no empty note
                const QString csv = m_dir->filePath(QStringLiteral("data-%1.csv").arg(21 + i));
                QCOMPARE(d["files"].toObject()["csv"].toString(), csv);
                QCOMPARE(readFile(csv).count('\n'), counts[i] + 1);  // the heading and a line a record
                QCOMPARE(audited(archive::kinds::Export, 2).value(i), QStringLiteral("collector COM4-%1 ").arg(21 + i) + csv);
                // The limits are COM4-21's, not address 22's.
                QCOMPARE(readFile(csv).startsWith("\xEF\xBB\xBFtime,ch1 东墙,ch2 西墙,ch3,"), i == 0);
                const QJsonObject named = d["sensors"].toArray().at(0).toObject(), outside = d["outOfRange"].toArray().at(0).toObject();
                QCOMPARE(std::tuple(d["sensors"].toArray().size(), named["name"].toString(), named["low"].toDouble(), named["high"].toDouble()),
                         i ? std::tuple(0, QString(), 0.0, 0.0) : std::tuple(2, QString("东墙"), -0.5, 5.5));
                QCOMPARE(std::tuple(d["outOfRangeCount"].toInt(), outside["record"].toInt(), outside["sensor"].toInt()),
                         i ? std::tuple(0, 0, 0) : std::tuple(12, 1, 1));
                // The first record's first value, as read, at the record's time.
                QVERIFY(i || (outside["value"].toDouble() == m_sim.records(21)[0].values[0] / 10.0 && outside["time"] == "2026-11-30 08:00"));
            }
        }
        QCOMPARE(archived("COM4-21"), bytes(m_sim.records(21)));
        QCOMPARE(archived("COM4-22"), bytes(m_sim.records(22)));
        // The chains: whole after the downloads (19 records, the archive's first audit entry, sensors.set's first record and the four files written), broken
        // by a value changed behind the program's back.
        Run check = collect({"--verify"});
        QCOMPARE(std::pair(check.code, check.out), std::pair(int(collect::Complete), QString("verify: ok rows=25\n")));
        // A backup: none without a folder for it; made and checked with one; refused once a chain is broken.
        QCOMPARE(collect({"--backup"}).code, collect::Unusable);
        QVERIFY(writeFile(m_dir->filePath("archive.set"), ("backup-dir=" + m_dir->filePath("backups") + "\n").toUtf8()));
        QVERIFY(QDir().mkpath(m_dir->filePath("backups")));
        check = collect({"--backup"});
        QCOMPARE(check.code, collect::Complete);
        QVERIFY2(check.out.startsWith("backup: ok " + m_dir->filePath("backups/archive-")) && check.out.endsWith(".db verify: ok rows=25\n"),
                 qPrintable(check.out));
        // A checkpoint beside the backup, and one asked for: the archive holds both, and the backup.
        const QString backupFile = check.out.section(' ', 2, 2);
        const Run made = collect({"--checkpoint"});
        QVERIFY2(made.code == collect::Complete && made.out.startsWith("checkpoint: wl8806n-checkpoint/1 "), qPrintable(made.err));
        QVERIFY(!QDir(m_dir->filePath("backups")).entryList({"checkpoint-*.txt"}).isEmpty());
        check = collect({"--verify", "--checkpoint", made.out.mid(12).trimmed(), "--against", backupFile});
        QVERIFY2(check.code == collect::Complete && check.out.startsWith("verify: ok"), qPrintable(check.out + check.err));
        QCOMPARE(collect({"--verify", "--checkpoint", "wl8806n-checkpoint/1 id=x"}).code, collect::Usage);
        check = collect({"--backup"});  // the day's second copy stands beside the first
        QVERIFY2(check.out.startsWith("backup: ok " + backupFile.chopped(3) + ".2.db "), qPrintable(check.out));
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "tamper");
            db.setDatabaseName(m_dir->filePath("archive.db"));
            QVERIFY(db.open() && QSqlQuery(db).exec("DROP TRIGGER records_no_update")
                    && QSqlQuery(db).exec("UPDATE records SET interval_s = 30 WHERE taken = (SELECT MAX(taken) FROM records)"));
        }
        QSqlDatabase::removeDatabase("tamper");
        check = collect({"--verify"});
        QCOMPARE(check.code, collect::Broken);
        QVERIFY2(check.out.startsWith("verify: broken table=records recorder=COM4-22 row=seq="), qPrintable(check.out));
        check = collect({"--backup"});
        QCOMPARE(check.code, collect::Broken);
        QVERIFY2(check.out.startsWith("backup: failed "), qPrintable(check.out));
        Run r = collect({"--port", "COM4", "--address", "21", "--fail-on-limits", "--json"});
        QCOMPARE(r.code, collect::OutOfRange);
        QCOMPARE(r.json["status"].toString(), "out-of-range");
        // Values out of range say less than records missing (1) or a device that cannot be used (2).
        m_sim.setFaultRule([](const QByteArray &request, int) { return sim::FaultSpec{reads(request, 4) ? sim::Fault::NoReply : sim::Fault::None}; });
        for (const auto &[addresses, code] : {std::pair{"21", collect::Missing}, std::pair{"21,30", collect::Unusable}}) {
            r = collect({"--address", addresses, "--fail-on-limits", "--json"});
            QCOMPARE(std::pair(r.code, r.json["status"].toString()), std::pair(int(code), QString(code == collect::Missing ? "missing" : "unusable")));
            QVERIFY(r.device(0)["outOfRangeCount"].toInt() > 0);
        }
        // --set-clock: the PC's time after the records; a write the recorder does not confirm is status 1.
        for (const bool refused : {true, false}) {
            m_sim.setFaultRule([refused](const QByteArray &q, int) { return sim::FaultSpec{refused && q[1] == 0x06 ? sim::Fault::Exception : sim::Fault::None}; });
            m_sim.setClock(QDateTime(QDate(2020, 1, 1), QTime(0, 0)), 21);
            r = collect({"--address", "21", "--set-clock", "--json"});
            QCOMPARE(std::pair(r.code, r.device(0)["clockSet"].toBool()), std::pair(int(refused ? collect::Missing : collect::Complete), !refused));
            QVERIFY2(refused ? r.err.contains("设置时钟：") : m_sim.clock(21) > QDateTime::currentDateTime().addDays(-1), qPrintable(r.err));
            const QStringList writes = audited(archive::kinds::DeviceWrite, 2);
            QVERIFY2(writes.size() == 2 && writes[0].startsWith("collector COM4-21 寄存器 12") && writes[0].contains("（时钟） = ")
                         && writes[0].endsWith("（记录仪拒绝：异常应答：代码 04（从站设备故障））") == refused
                         && writes[1] == "collector COM4-21 线圈 8（设置时钟） = 开", qPrintable(writes.join('\n')));
        }
        m_sim.clearFaults();
        QVERIFY(QFile::remove(m_dir->filePath("sensors.set")) && QDir(m_dir->path()).mkdir("sensors.set"));
        r = collect({"--port", "COM4", "--address", "21", "--fail-on-limits"});
        QVERIFY2(r.code == collect::Complete && r.err.contains("sensors.set"), qPrintable(r.err));
        // The archive deleted: the next download makes a new one, and says it is not the one the backups are of.
        QVERIFY(QFile::remove(m_dir->filePath("archive.db")));
        r = collect({"--port", "COM4", "--address", "21", "--json"});
        QVERIFY2(r.code == collect::Broken && r.err.contains("它被删除后重建了"), qPrintable(r.err));
        QCOMPARE(archived("COM4-21"), bytes(m_sim.records(21)));  // the records are kept all the same
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

    // Stopped before the walk back met a record the archive holds: every position below the ones read
    // is kept missing, for the next run to read.
    void sinceLastStopped()
    {
        m_sim.setRecords(demo(10), 21);
        QCOMPARE(collect({"--address", "21"}).code, collect::Complete);
        m_sim.setRecords(demo(20), 21);
        m_sim.setFaultRule([](const QByteArray &request, int) {
            if (reads(request, 15))
                ::kill(::getpid(), SIGINT);
            return sim::FaultSpec{};
        });
        const Run r = collect({"--address", "21", "--since-last", "--json"});
        m_sim.clearFaults();
        QCOMPARE(r.code, int(collect::Missing));
        const int read = r.device(0)["read"].toInt();
        QList<int> below;
        for (int k = 1; k <= 20 - read; ++k)
            below << k;
        QCOMPARE(r.list(0, "missing"), below);
    }

    // A clear only after every record was read and stored, and the count read again is still the
    // count downloaded; what arrived meanwhile is read first. The memory is cleared (coil 3) only
    // after the recorder confirmed the count written to 0.
    void clearAfter_data()
    {
        // a record that never answers (0: none; -1: the first count read is garbled; -2: stopped at the
        // count read again before the clear; -3: that read never answered; -4: two records gone by then)
        QTest::addColumn<int>("failing");
        QTest::addColumn<int>("arriving");  // records the recorder adds during the download
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("countWrite");  // what becomes of the reply to the count's write
        const int none = int(sim::Fault::None);
        QTest::newRow("every record read") << 0 << 0 << int(collect::Complete) << none;
        QTest::newRow("the count's first answer garbled") << -1 << 0 << int(collect::Complete) << none;
        QTest::newRow("stopped at the count read again") << -2 << 0 << int(collect::Missing) << none;
        QTest::newRow("the count read again unanswered") << -3 << 0 << int(collect::Missing) << none;
        QTest::newRow("fewer records at the count read again") << -4 << 0 << int(collect::Missing) << none;
        QTest::newRow("a record fails") << 4 << 0 << int(collect::Missing) << none;
        QTest::newRow("records arrive meanwhile") << 0 << 2 << int(collect::Complete) << none;
        QTest::newRow("one arrives, then fails") << 14 << 2 << int(collect::Missing) << none;
        QTest::newRow("count write refused") << 0 << 0 << int(collect::Missing) << int(sim::Fault::Exception);
        QTest::newRow("count write unanswered") << 0 << 0 << int(collect::Missing) << int(sim::Fault::NoReply);
    }
    void clearAfter()
    {
        QFETCH(int, failing);
        QFETCH(int, arriving);
        QFETCH(int, code);
        QFETCH(int, countWrite);
        const Memory full = demo(12 + arriving);
        std::atomic<bool> arrived = false;
        std::atomic<int> countReads = 0;
        m_sim.setFaultRule([&, failing, arriving, countWrite](const QByteArray &request, int) {
            if (arriving && reads(request, 5) && !arrived.exchange(true))
                m_sim.setRecords(full, 21);  // the simulator's thread, outside its lock
            sim::FaultSpec f;
            if (failing > 0 && reads(request, failing))
                f.fault = sim::Fault::NoReply;
            const int nth = request.mid(1, 3) == QByteArray::fromHex("030079") ? countReads++ : -1;
            if (failing == -1 && nth == 0)
                f.fault = sim::Fault::BadCrc;
            if (failing == -2 && nth == 1)
                ::kill(::getpid(), SIGINT);
            if (failing == -3 && nth >= 1)
                f.fault = sim::Fault::NoReply;
            if (failing == -4 && nth == 1)
                m_sim.setRecords(demo(10), 21);
            if (uint8_t(request[1]) == 0x10)  // the count's write
                f.fault = sim::Fault(countWrite);
            return f;
        });
        const int coil = m_sim.coilOnCount(3);
        const Run r = collect({"--address", "21", "--clear-after", "--json"});
        QCOMPARE(r.code, code);
        const bool cleared = code == collect::Complete;
        QCOMPARE(r.device(0)["cleared"].toBool(), cleared);
        QCOMPARE(r.err.contains("，条数已清零"), cleared);
        QCOMPARE(r.device(0)["count"].toInt(), 12 + arriving);
        QCOMPARE(r.list(0, "missing"), failing > 0 ? QList<int>{failing} : QList<int>{});
        QCOMPARE(m_sim.coilOnCount(3) - coil, cleared ? 1 : 0);
        const auto sent = m_sim.requests();  // the coil is switched on the wire only after a confirmed count
        QCOMPARE(std::count_if(sent.cbegin(), sent.cend(), [](const QByteArray &q) { return q[1] == 0x05; }), cleared ? 1 : 0);
        QVERIFY2((countWrite == int(sim::Fault::None)) != r.err.contains("清条数未被确认"), qPrintable(r.err));
        QVERIFY2(r.err.contains("清零前再次读条数") == (failing == -3), qPrintable(r.err));  // a stop is no failed read
        QVERIFY2(r.err.contains("清零前条数从 12 变为 10") == (failing == -4), qPrintable(r.err));
        QCOMPARE(m_sim.records(21).size(), cleared ? 0 : failing == -4 ? 10 : full.size());
        QCOMPARE(archived("COM4-21").size(), full.size() - (failing > 0 ? 1 : 0));
        m_sim.clearFaults();
    }

    // A bad night, each row ending with what is on disk: the files (nothing else beside the settings
    // and the archive: no temporary file), the archive's rows, no serial lock, and the exit status.
    void badNight_data()
    {
        QTest::addColumn<int>("night");
        QTest::addColumn<QStringList>("args");   // "@" is the application folder
        QTest::addColumn<int>("code");
        QTest::addColumn<QStringList>("files");  // "name", or "name:lines" for a CSV or text file
        QTest::addColumn<int>("archived");       // COM4-21's rows (−1: as the runs say they added)
        const int complete = collect::Complete, missing = collect::Missing, unusable = collect::Unusable;
        QTest::newRow("two at once on a fresh folder") << int(Race) << QStringList{"--demo"} << complete << QStringList{} << -1;
        QTest::newRow("password line") << int(Password) << QStringList{} << unusable << QStringList{} << 0;
        QTest::newRow("a bad output among good ones")
            << int(BadOutput) << QStringList{"--csv", "/nonexistent/x.csv", "--txt", "@/out.txt", "--xls", "@/out.xls"}
            << missing << QStringList{"out.txt:12", "out.xls"} << 12;
        // Device 22, never reached, is missing too: nothing says it cannot be used.
        QTest::newRow("interrupted beside an earlier file") << int(Interrupted) << QStringList{"--csv", "@/out.csv", "--address", "21,22"} << missing
                                                            << QStringList{"out-21.csv:13", "out-21.partial.csv:6", "out-22.csv:8"} << 12;
        QTest::newRow("a hole, then --since-last") << int(Hole) << QStringList{"--since-last"} << complete << QStringList{} << 12;
        // Stopped at the first of two holes it reads again, it keeps the second one missing.
        QTest::newRow("two holes, --since-last stopped at one") << int(Holes) << QStringList{"--since-last"} << missing << QStringList{} << 10;
        QTest::newRow("SIGHUP") << int(Hangup) << QStringList{"--csv", "@/out.csv", "--xls", "@/out.xls"} << missing
                                << QStringList{"out.partial.csv:6", "out.partial.xls"} << 5;
        QTest::newRow("stale lock") << int(StaleLock) << QStringList{} << complete << QStringList{} << 12;
        QTest::newRow("archive not a database") << int(NotADatabase) << QStringList{"--csv", "@/out.csv", "--clear-after"} << unusable
                                                << QStringList{"out.csv:13"} << 0;
        // With no archive to ask what is new, every record is read into the file.
        QTest::newRow("archive not a database, --since-last") << int(NotADatabase) << QStringList{"--csv", "@/out.csv", "--since-last"}
                                                              << unusable << QStringList{"out.csv:13"} << 0;
        QTest::newRow("read-only archive") << int(ReadOnly) << QStringList{} << unusable << QStringList{} << 12;
    }
    void badNight()
    {
        QFETCH(int, night);
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QStringList, files);
        QFETCH(int, archived);
        args = args.replaceInStrings(QRegularExpression("^@"), m_dir->path()) + QStringList{"--json"};
        if (!args.contains("--address"))
            args << "--address" << "21";
        const QString lock = collect::serialLockPath(m_sim.portPath()), db = m_dir->filePath("archive.db");
        std::atomic<bool> stopped = false;
        // A lock planted here never outlives the row: another program may get the pseudo-terminal next.
        const auto planted = qScopeGuard([&] { readFile(lock).contains("another-name") && QFile::remove(lock); });
        // Records from..to never answer; the first request for one may interrupt the run.
        const auto silent = [&](int from, int to, bool interrupt) {
            m_sim.setFaultRule([&, from, to, interrupt](const QByteArray &request, int) {
                sim::FaultSpec f;
                for (int k = from; k <= to; ++k)
                    if (reads(request, k) && (f.fault = sim::Fault::NoReply, interrupt) && !stopped.exchange(true))
                        ::kill(::getpid(), SIGINT);
                return f;
            });
        };
        Run r;
        QString err;
        switch (Night(night)) {
        case Race: {  // both find the archive's lock held, say they wait, and go on once it is let go
            const auto a = start(args), b = start(args);
            QString errB;
            {
                QSqlDatabase holder = QSqlDatabase::addDatabase("QSQLITE", "holder");
                holder.setDatabaseName(db);
                QSqlQuery q(holder.open() ? holder : QSqlDatabase());
                QVERIFY(q.exec("PRAGMA journal_mode=WAL") && q.exec("BEGIN IMMEDIATE"));
                const bool waited = until(*a, err, "等它写完") || until(*b, errB, "等它写完");
                QVERIFY2(q.exec("ROLLBACK") && waited, qPrintable(err + errB));
            }
            QSqlDatabase::removeDatabase("holder");
            const Run ra = ended(*a, err), rb = ended(*b, errB);
            QCOMPARE(ra.device(0)["read"].toInt() + rb.device(0)["read"].toInt(), 600);
            archived = ra.device(0)["added"].toInt() + rb.device(0)["added"].toInt();
            r.code = std::max(ra.code, rb.code);
            break;
        }
        case Password:
            QVERIFY(writeFile(m_dir->filePath("archive.set"), "# 存档\nkind=postgres\nhost=db\ndatabase=wl\nuser=c\npassword=Sekr1tpw\n"));
            r = collect(args);
            QVERIFY2(r.json["problem"].toString().contains("第 6 行（password=）") && !(r.err + r.out).contains("Sekr1tpw"), qPrintable(r.err));
            break;
        case BadOutput:
            r = collect(args);
            QCOMPARE(r.device(0)["filesFailed"].toObject()["csv"].toString(), "/nonexistent/x.csv");
            break;
        case Interrupted:
            QCOMPARE(collect(args).code, collect::Complete);
            silent(6, 12, true);
            r = collect(args);
            QCOMPARE(std::pair(r.device(0)["status"].toString(), r.device(1)["status"].toString()), std::pair(QString("missing"), QString("missing")));
            break;
        case Hole:
            silent(7, 7, false);
            r = collect(args.mid(1));
            QCOMPARE(std::pair(r.code, r.list(0, "missing")), std::pair(int(collect::Missing), QList<int>{7}));
            m_sim.clearFaults();
            r = collect(args);
            break;
        case Holes:
            m_sim.setFaultRule([](const QByteArray &request, int) {
                return sim::FaultSpec{reads(request, 3) || reads(request, 9) ? sim::Fault::NoReply : sim::Fault::None};
            });
            QCOMPARE(collect(args.mid(1)).list(0, "missing"), (QList<int>{3, 9}));
            silent(3, 3, true);
            r = collect(args);
            QCOMPARE(r.list(0, "missing"), (QList<int>{3, 9}));
            break;
        case Hangup: {  // once the progress shows the download under way; the child waits for a reply meanwhile
            QVERIFY(settings::writeReplyWindow(m_dir->path(), {records::ReplyWindow::MaxWindowMs, 1, 60}, &err));
            silent(6, 12, false);
            const auto child = start(args);
            QVERIFY(until(*child, err, "：[1-9][0-9]*/12 条"));
            ::kill(pid_t(child->processId()), SIGHUP);
            r = ended(*child, err);
            break;
        }
        case StaleLock: {  // of a process that ended before the machine was renamed
            QProcess gone;
            gone.start("true");
            const QByteArray pid = QByteArray::number(gone.waitForStarted(-1) ? gone.processId() : 0);
            QVERIFY(gone.waitForFinished(-1) && writeFile(lock, pid + "\nwl8806n-collect\nanother-name\n"));
            r = collect(args);
            QVERIFY2((r.err + r.json["problem"].toString()).contains("已删除已结束的进程 " + pid + " 留下的串口锁文件 " + lock), qPrintable(r.err));
            break;
        }
        case NotADatabase:
            QVERIFY(writeFile(db, "记录\n"));
            r = collect(args);
            QVERIFY2(r.err.contains("不是存档数据库") && readFile(db) == "记录\n", qPrintable(r.err));
            break;
        case ReadOnly: {  // found before anything is sent
            QCOMPARE(collect(args).code, collect::Complete);
            QVERIFY(QFile::setPermissions(db, QFile::ReadOwner));
            m_sim.clearRequests();
            {
                const PermissionBits bits;
                r = collect(args);
            }
            QVERIFY(QFile::setPermissions(db, QFile::ReadOwner | QFile::WriteOwner));
            QVERIFY2(r.err.contains("只读") && m_sim.requests().isEmpty(), qPrintable(r.err));
            break;
        }
        }
        m_sim.clearFaults();
        QVERIFY2(r.code == code, qPrintable(r.err));
        QCOMPARE(r.json["interrupted"].toBool(), night == Interrupted || night == Holes || night == Hangup);
        QStringList left = QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden, QDir::Name), names;
        left.removeIf([](const QString &name) { return QRegularExpression("^archive\\.db|\\.set$|\\.map$").match(name).hasMatch(); });
        for (const QString &file : files) {
            names << file.section(':', 0, 0);
            QVERIFY(!file.contains(':') || readFile(m_dir->filePath(names.last())).count('\n') == file.section(':', 1).toInt());
        }
        QCOMPARE(left, names);
        QList<int> stillMissing;
        QCOMPARE(this->archived("COM4-21", &stillMissing).size(), archived);
        QVERIFY(!QFile::exists(lock) && (stillMissing.isEmpty() || night != Hole));
        QVERIFY(night != Holes || stillMissing == (QList<int>{3, 9}));
        QCOMPARE(m_sim.records(21).size(), 12);  // never cleared: not with records unread, nor without the archive
    }

    // Live values once a device, as the window's boxes show them; a silent device ends with status 2.
    void liveValues()
    {
        m_sim.setHolding(2, 235);
        m_sim.setHolding(3, 0xFFF6);
        Run r = collect({"--live", "--address", "21,22", "--start", "3", "--count", "2"});
        QCOMPARE(r.code, int(collect::Complete));
        QCOMPARE(r.out, QStringLiteral("21 23.5 -01.0\n22 %1 %2\n").arg(live::wordText(m_sim.holding(2, 22)), live::wordText(m_sim.holding(3, 22))));
        r = collect({"--live", "--address", "21,30", "--function", "4", "--json"});
        QCOMPARE(r.code, int(collect::Unusable));
        QCOMPARE(r.device(0)["values"].toArray().size(), 20);
        QCOMPARE(r.device(1)["status"].toString(), QStringLiteral("unusable"));
        QVERIFY2(r.err.contains("设备 30：") && r.json["status"] == "unusable", qPrintable(r.err));
        QCOMPARE(m_sim.requests().first(), modbus::readHolding(21, 2, 2));
        QVERIFY(!QFile::exists(m_dir->filePath("archive.db")));  // nothing is kept
    }

    void exitStatus_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("named");  // what the one line on standard error names
        const int usage = collect::Usage, unusable = collect::Unusable;
        QTest::newRow("no such port") << QStringList{"--port", "/dev/nonexistent-wl8806n"} << unusable << "/dev/nonexistent-wl8806n";
        QTest::newRow("a silent address") << QStringList{"--address", "30"} << unusable << "未读到记录条数";
        QTest::newRow("port twice") << QStringList{"--port", "4", "--port", "5"} << usage << "--port";
        QTest::newRow("start without live") << QStringList{"--start", "2"} << usage << "--start 只用于 --live";
        QTest::newRow("live start 0") << QStringList{"--live", "--start", "0"} << usage << "--start：“0”";
        QTest::newRow("live into a file") << QStringList{"--live", "--csv", "a.csv"} << usage << "--csv：--live";
        QTest::newRow("no such gateway") << QStringList{"--port", "tcp://127.0.0.1:1"} << unusable << "无法连接 tcp://127.0.0.1:1";
        QTest::newRow("sensors") << QStringList{"--sensors", "123"} << usage << "--sensors：“123”";
        QTest::newRow("not the recorder's sensors") << QStringList{"--sensors", "33"} << unusable << "记录仪的传感器总数是 20，不是 33";
        QTest::newRow("empty file") << QStringList{"--csv", ""} << usage << "--csv";
        QTest::newRow("nowhere to keep") << QStringList{"--no-archive"} << usage << "--no-archive";
        QTest::newRow("since-last, no archive") << QStringList{"--since-last", "--no-archive", "--txt", "a.txt"} << usage << "--since-last";
        QTest::newRow("since-last and clear") << QStringList{"--since-last", "--clear-after"} << usage << "--clear-after";
        QTest::newRow("demo on a path") << QStringList{"--demo", "--port", "/dev/ttyS0"} << usage << "--port";
        QTest::newRow("unknown option") << QStringList{"--clear"} << usage << "clear";
        QTest::newRow("stray argument") << QStringList{"21"} << usage << "“21”";
        QTest::newRow("verify and a device") << QStringList{"--verify"} << usage << "--address：--verify 只检查存档";
        QTest::newRow("backup and a device") << QStringList{"--backup"} << usage << "--address：--backup 只备份存档";
        QTest::newRow("checkpoint and a device") << QStringList{"--checkpoint"} << usage << "--address：--checkpoint 只写检查点";
        QTest::newRow("against without verify") << QStringList{"--against", "a.db"} << usage << "--against 只用于 --verify";
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
