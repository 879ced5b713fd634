// The record archive, the same table of cases on a SQLite file and on a PostgreSQL server that the
// test starts itself: what is kept once, what is kept twice, what is refused, a batch that fails
// half-way, and an archive of the first version brought up to date.
#include "core/archive/backup.h"
#include "core/archive/pgbackupcheck.h"
#include "core/archive/recordstore.h"
#include "permissionbits.h"
#include "pgserver.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

using archive::ArchiveConfig;
using archive::RecordStore;

namespace {
// A record of two sensors: 5B, then the BCD time and the words given in hex (spaces ignored).
QByteArray rec(const char *hex) { return QByteArray(1, char(0x5B)) + QByteArray::fromHex(hex); }
const QByteArray r1 = rec("24 01 02 03 04 0102 0304"), r2 = rec("24 01 02 03 05 0102 0304"),
                 r3 = rec("24 01 02 03 06 0001 0002"), blanks = rec("24 01 02 03 07 FFFF D8F1"),
                 erased(10, char(0xFF));
const QDateTime readAt(QDate(2024, 1, 3), QTime(1, 2), Qt::UTC);

struct Step { QString recorder; QList<QByteArray> records; int added; };  // added −1: refused
struct Case {
    const char *name;
    bool fromV1;            // the archive is one the first version left, holding r1 of "A"
    const char *refused;    // a time that archive's table refuses, to fail a batch half-way
    QList<Step> steps;
    QList<QPair<QString, QList<QByteArray>>> kept;  // each recorder's records afterwards, in time order
};
const QList<Case> cases = {
    {"same memory twice", false, nullptr, {{"A", {r1, r2, r3}, 3}, {"A", {r1, r2, r3}, 0}}, {{"A", {r1, r2, r3}}}},
    {"identical neighbours", false, nullptr,
     {{"A", {r1, r1, r2}, 3}, {"A", {r1, r1, r2}, 0}, {"A", {r1, r1, r1, r2}, 1}}, {{"A", {r1, r1, r1, r2}}}},
    {"blank words as read", false, nullptr, {{"A", {blanks, r3}, 2}}, {{"A", {r3, blanks}}}},
    {"two recorders one address", false, nullptr, {{"A", {r1, r2}, 2}, {"B", {r1, r2}, 2}, {"A", {r2}, 0}},
     {{"A", {r1, r2}}, {"B", {r1, r2}}}},
    {"what is not a record", false, nullptr,
     {{"A", {r1, erased}, -1}, {"A", {r1, r2.chopped(1)}, -1}, {"", {r1}, -1}, {"A", {r1}, 1}}, {{"A", {r1}}}},
    {"insert fails half-way", true, "2024-01-02 03:06", {{"A", {r2, r3, blanks}, -1}}, {{"A", {r1}}}},
    {"upgrade from version 1", true, nullptr, {{"A", {r1, r2}, 1}}, {{"A", {r1, r2}}}},
};

// The archive as the first version of the program left it: no port column, r1 of "A" in it.
void makeVersion1(const ArchiveConfig &c, const char *refused)
{
    const bool pg = c.kind == ArchiveConfig::Postgres;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(pg ? "QPSQL" : "QSQLITE", "v1");
        db.setDatabaseName(pg ? c.database : c.sqlitePath);
        db.setHostName(c.host), db.setPort(c.port), db.setUserName(c.user);
        QVERIFY2(db.open(), qPrintable(db.lastError().text()));
        QSqlQuery q(db);
        const QString check = refused ? QStringLiteral(", CHECK (taken <> '%1')").arg(refused) : QString();
        QVERIFY(q.exec("CREATE TABLE schema_version (version INTEGER NOT NULL)"));
        QVERIFY(q.exec("INSERT INTO schema_version (version) VALUES (1)"));
        QVERIFY2(q.exec(QStringLiteral("CREATE TABLE records (recorder TEXT NOT NULL, address INTEGER NOT NULL,"
                                       " taken TEXT NOT NULL, occurrence INTEGER NOT NULL, words %1 NOT NULL,"
                                       " interval_s INTEGER NOT NULL, read_at TEXT NOT NULL,"
                                       " PRIMARY KEY (recorder, taken, words, occurrence)%2)")
                         .arg(pg ? "BYTEA" : "BLOB", check)),
                 qPrintable(q.lastError().text()));
        QVERIFY(q.prepare("INSERT INTO records VALUES (?, ?, ?, ?, ?, ?, ?)"));
        for (const QVariant &v : {QVariant("A"), QVariant(21), QVariant("2024-01-02 03:04"), QVariant(0),
                                  QVariant(r1.mid(6)), QVariant(60), QVariant("2024-01-03T01:02:00Z")})
            q.addBindValue(v);
        QVERIFY2(q.exec(), qPrintable(q.lastError().text()));
    }
    QSqlDatabase::removeDatabase("v1");
}

// Statements run through a connection of the test's own, as someone with a database tool would:
// each with its bound values. Returns the statements the database refused.
int runRaw(const ArchiveConfig &c, const QList<std::pair<QString, QVariantList>> &statements)
{
    int refused = 0;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(c.kind == ArchiveConfig::Postgres ? "QPSQL" : "QSQLITE", "raw");
        db.setDatabaseName(c.kind == ArchiveConfig::Postgres ? c.database : c.sqlitePath);
        db.setHostName(c.host), db.setPort(c.port), db.setUserName(c.user);
        if (!db.open())
            return -1;
        for (const auto &[sql, values] : statements) {
            QSqlQuery q(db);
            // PostgreSQL prepares no DDL: a statement without values goes as it is.
            if (values.isEmpty()) {
                refused += q.exec(sql) ? 0 : 1;
                continue;
            }
            q.prepare(sql);
            for (const QVariant &v : values)
                q.addBindValue(v);
            refused += q.exec() ? 0 : 1;
        }
    }
    QSqlDatabase::removeDatabase("raw");
    return refused;
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// An archive as version 4 left it: the records of "A", two readings and an alarm.
void makeVersion4(const ArchiveConfig &c, bool strayTable)
{
    const bool pg = c.kind == ArchiveConfig::Postgres;
    const QString time = pg ? "TIMESTAMPTZ" : "TEXT", seq = pg ? "BIGSERIAL PRIMARY KEY" : "INTEGER PRIMARY KEY AUTOINCREMENT";
    const QList<std::pair<QString, QVariantList>> v4{
        {"CREATE TABLE schema_version (version INTEGER NOT NULL)", {}},
        {"INSERT INTO schema_version (version) VALUES (4)", {}},
        {QStringLiteral("CREATE TABLE records (recorder TEXT NOT NULL, address INTEGER NOT NULL, taken TEXT NOT NULL,"
                        " occurrence INTEGER NOT NULL, words %1 NOT NULL, interval_s INTEGER NOT NULL, read_at TEXT NOT NULL,"
                        " port TEXT NOT NULL, PRIMARY KEY (recorder, taken, words, occurrence))").arg(pg ? "BYTEA" : "BLOB"), {}},
        {"CREATE TABLE missing_positions (recorder TEXT NOT NULL, position INTEGER NOT NULL, PRIMARY KEY (recorder, position))", {}},
        {QStringLiteral("CREATE TABLE readings (recorder TEXT NOT NULL, address INTEGER NOT NULL, sensor INTEGER NOT NULL,"
                        " taken %1 NOT NULL, value REAL, PRIMARY KEY (recorder, sensor, taken))").arg(time), {}},
        {QStringLiteral("CREATE TABLE alarms (seq %1, alarm_id BIGINT NOT NULL, event TEXT NOT NULL, kind TEXT NOT NULL,"
                        " recorder TEXT NOT NULL, address INTEGER NOT NULL, sensor INTEGER NOT NULL, value REAL, limit_value REAL,"
                        " happened %2 NOT NULL, by_name TEXT NOT NULL, note TEXT NOT NULL)").arg(seq, time), {}},
        {QStringLiteral("CREATE TABLE watchers (host TEXT NOT NULL PRIMARY KEY, beat %1 NOT NULL, lines TEXT NOT NULL)").arg(time), {}},
        {"INSERT INTO records VALUES (?, 21, ?, 0, ?, 60, '2024-01-03T01:02:00Z', 'COM4')", {"A", "2024-01-02 03:04", r1.mid(6)}},
        {"INSERT INTO records VALUES (?, 21, ?, 0, ?, 60, '2024-01-03T01:02:00Z', 'COM4')", {"A", "2024-01-02 03:05", r2.mid(6)}},
        {"INSERT INTO readings VALUES ('A', 21, 1, '2026-12-08T03:12:00Z', 23.5), ('A', 21, 2, '2026-12-08T03:12:00Z', NULL)", {}},
        {"INSERT INTO alarms (alarm_id, event, kind, recorder, address, sensor, value, limit_value, happened, by_name, note)"
         " VALUES (1, 'raised', 'high', 'A', 21, 1, 25.0, 20.0, '2026-12-08T03:12:00Z', '', '')", {}},
        {strayTable ? "CREATE TABLE chain_tips (x INTEGER)" : "SELECT 1", {}}};
    QCOMPARE(runRaw(c, v4), 0);
}
} // namespace

class TestArchive : public QObject {
    Q_OBJECT
    PgServer m_pg;
    bool m_pgUp = false;
    QString m_pgWhy;
    int m_databases = 0;

    // An empty archive of the kind asked: a file in dir, or a new database on the test's server.
    // Nothing when there is none (the test is then failed or skipped, as the machine warrants).
    std::optional<ArchiveConfig> freshArchive(bool postgres, const QTemporaryDir &dir)
    {
        if (!postgres)
            return ArchiveConfig{ArchiveConfig::Sqlite, dir.filePath("archive.db"), {}, 0, {}, {}, {}};
        if (!m_pgUp && qgetenv("CI") == "true")
            QTest::qFail(qPrintable("no PostgreSQL server for the test: " + m_pgWhy), __FILE__, __LINE__);
        else if (!m_pgUp)
            QTest::qSkip(qPrintable("no PostgreSQL server for the test: " + m_pgWhy), __FILE__, __LINE__);
        if (!m_pgUp)
            return std::nullopt;
        const QString name = QStringLiteral("archive%1").arg(++m_databases);
        QString why;
        if (!m_pg.createDatabase(name, &why)) {
            QTest::qFail(qPrintable(why), __FILE__, __LINE__);
            return std::nullopt;
        }
        return m_pg.config(name);
    }

    // The row's kind of fresh archive, opened in store; nothing when the case cannot go on (QTest says why).
    std::optional<ArchiveConfig> openFresh(const QTemporaryDir &dir, RecordStore &store)
    {
        QFETCH(bool, postgres);
        auto config = freshArchive(postgres, dir);
        QString error;
        if (config && !store.open(*config, &error)) {
            QTest::qFail(qPrintable(error), __FILE__, __LINE__);
            return std::nullopt;
        }
        return config;
    }

    static void bothDatabases()
    {
        QTest::addColumn<bool>("postgres");
        QTest::newRow("sqlite") << false;
        QTest::newRow("postgres") << true;
    }

private slots:
    void initTestCase() { m_pgUp = m_pg.start(&m_pgWhy); }

    void store_data()
    {
        QTest::addColumn<bool>("postgres");
        QTest::addColumn<int>("index");
        for (bool pg : {false, true})
            for (int i = 0; i < cases.size(); ++i)
                QTest::addRow("%s: %s", pg ? "postgres" : "sqlite", cases[i].name) << pg << i;
    }

    void store()
    {
        QFETCH(bool, postgres);
        QFETCH(int, index);
        const Case &c = cases[index];
        QTemporaryDir dir;
        const auto archive = freshArchive(postgres, dir);
        if (!archive)
            return;
        const ArchiveConfig &config = *archive;
        if (c.fromV1)
            makeVersion1(config, c.refused);
        if (QTest::currentTestFailed())
            return;
        // Each batch through a store of its own, as separate downloads would.
        for (const Step &s : c.steps) {
            RecordStore store;
            QString error;
            QVERIFY2(store.open(config, &error), qPrintable(error));
            const auto added = store.store({s.recorder, 21, 60, readAt, "COM4", records::numbered(s.records)}, &error);
            QCOMPARE(added.value_or(-1), s.added);
            QCOMPARE(error.isEmpty(), s.added >= 0);
        }
        RecordStore store;
        QString error;
        QVERIFY2(store.open(config, &error), qPrintable(error));
        QCOMPARE(store.schemaVersion(), RecordStore::SchemaVersion);
        // Its chains whole, its audit trail starting with the archive made or brought up to date.
        QCOMPARE(store.verify(&error).value_or(archive::chain::Verdict{}).ok, true);
        QCOMPARE(store.auditTrail(&error).value_or(QList<archive::AuditRow>{}).value(0).kind, c.fromV1 ? "upgrade" : "created");
        QStringList names;
        for (const auto &[recorder, records] : c.kept) {
            names << recorder;
            const auto rows = store.period(recorder, QDateTime(QDate(2000, 1, 1), QTime(0, 0)),
                                      QDateTime(QDate(2099, 12, 31), QTime(23, 59)), &error);
            QList<QByteArray> data;
            for (const auto &row : rows) {
                data << row.data();
                const bool old = c.fromV1 && recorder == "A" && row.data() == r1;
                QCOMPARE(row.port, old ? QString() : QStringLiteral("COM4"));
                QCOMPARE(std::tuple(row.address, row.intervalS, row.readAt), std::tuple(uint8_t(21), 60, readAt));
            }
            QCOMPARE(data, records);
            // Both ends of a period are in it.
            const auto inside = std::count_if(records.begin(), records.end(), [](auto &r) {
                return records::Record{0, r}.timeText() >= "2024-01-02 03:05" && records::Record{0, r}.timeText() <= "2024-01-02 03:06";
            });
            QCOMPARE(store.period(recorder, QDateTime(QDate(2024, 1, 2), QTime(3, 5)),
                                  QDateTime(QDate(2024, 1, 2), QTime(3, 6)), &error).size(), inside);
        }
        QCOMPARE(store.recorders(), names);
    }

    // Naming a recorder moves its records, merging with what the new name holds; the span and what
    // the archive holds follow.
    void renameAndSpan_data() { bothDatabases(); }
    void renameAndSpan()
    {
        QTemporaryDir dir;
        RecordStore store;
        const auto config = openFresh(dir, store);
        if (!config)
            return;
        QString error;
        QVERIFY(store.store({"COM4-21", 21, 60, readAt, "COM4", {{1, r1}, {3, r2}}, {2, 7}, 7}, &error));
        QVERIFY(store.store({"冷库", 21, 60, readAt, "COM4", records::numbered({r2, r3}), {7}, 9}, &error));
        QVERIFY(!store.span("冷库二号", &error));
        QCOMPARE(store.renameRecorder("COM4-21", "冷库", &error).value_or(-1), 2);
        QCOMPARE(store.recorders(), QStringList{"冷库"});
        QList<QByteArray> kept;
        for (const auto &row : store.period("冷库", QDateTime(QDate(2000, 1, 1), QTime()), QDateTime(QDate(2099, 1, 1), QTime()), &error))
            kept << row.data();
        QCOMPARE(kept, (QList<QByteArray>{r1, r2, r3}));
        QCOMPARE(store.span("冷库", &error), (std::pair{records::Record{0, r1}.timeText(), records::Record{0, r3}.timeText()}));
        // The positions still to read go with the name; a later download drops what it read and what
        // lies past its count.
        QCOMPARE(store.missingPositions("冷库", &error), QList<int>({2, 7}));
        QVERIFY(store.store({"冷库", 21, 60, readAt, "COM4", {{2, r1}}, {}, 6}, &error));
        QCOMPARE(store.missingPositions("冷库", &error), QList<int>());
        // What a backward read asks: the same time with other words, or another recorder's, is not held.
        const std::pair<QString, QByteArray> asked[] = {{"冷库", r1}, {"冷库", r3}, {"冷库", rec("24 01 02 03 06 0001 0003")},
                                                        {"冷库", blanks}, {"COM4-21", r1}};
        QList<bool> held;
        for (const auto &[name, data] : asked)
            held << store.holds(name, data, &error).value_or(false);
        QCOMPARE(held, (QList<bool>{true, true, false, false, false}));
        // The rows stay where they were stored: the old name used again afterwards is a recorder of its own.
        QVERIFY(store.store({"COM4-21", 22, 60, readAt, "COM5", records::numbered({r3, blanks})}, &error) == 2);
        QCOMPARE(store.recorders(), (QStringList{"COM4-21", "冷库"}));
        QCOMPARE(store.period("COM4-21", QDateTime(QDate(2000, 1, 1), QTime()), QDateTime(QDate(2099, 1, 1), QTime()), &error).size(), 2);
        QCOMPARE(store.span("冷库", &error)->second, (records::Record{0, r3}.timeText()));
        QSqlQuery q(QSqlDatabase::database(QSqlDatabase::connectionNames().first()));
        QVERIFY(q.exec("SELECT COUNT(*) FROM records WHERE recorder = 'COM4-21'") && q.next());
        QCOMPARE(q.value(0).toInt(), 4);
        const auto trail = store.auditTrail(&error).value_or(QList<archive::AuditRow>{});
        QCOMPARE(QStringList({trail.last().kind, trail.last().oldValue, trail.last().newValue}),
                 QStringList({"rename-records", "COM4-21", "冷库"}));
        QCOMPARE(store.verify(&error)->text(), QString("verify: ok rows=8"));
    }

    // The watcher's readings are numbers (NULL for none) SQL reads as they are; alarm steps come back
    // as written, and those of alarms not cleared are what a restarted watcher picks up.
    void watchTables_data() { bothDatabases(); }
    void watchTables()
    {
        QTemporaryDir dir;
        RecordStore store;
        const auto config = openFresh(dir, store);
        if (!config)
            return;
        QString error;
        const QDateTime t0(QDate(2026, 12, 8), QTime(3, 12), Qt::UTC);
        for (int i = 0; i < 2; ++i)  // the same poll stored again is kept once
            QVERIFY2(store.storeReadings("冷库", 21, t0, {235, std::nullopt, -15}, &error), qPrintable(error));
        QSqlQuery q(QSqlDatabase::database(QSqlDatabase::connectionNames().first()));
        QVERIFY(q.exec("SELECT sensor, value FROM readings WHERE value IS NULL OR value < 0 OR value > 23.4 ORDER BY sensor"));
        QStringList rows;
        while (q.next())
            rows << QStringLiteral("%1=%2").arg(q.value(0).toInt()).arg(q.value(1).isNull() ? "NULL" : q.value(1).toString());
        QCOMPARE(rows, (QStringList{"1=23.5", "2=NULL", "3=-1.5"}));
        using watch::AlarmEvent, watch::AlarmKind;
        const QList<watch::Transition> steps{
            {AlarmEvent::Raised, AlarmKind::High, 1, "冷库", 21, 3, 250, 200, t0},
            {AlarmEvent::Raised, AlarmKind::NoAnswer, 2, "COM4-22", 22, 0, std::nullopt, std::nullopt, t0.addSecs(60)},
            {AlarmEvent::Acknowledged, AlarmKind::High, 1, "冷库", 21, 3, 250, 200, t0.addSecs(120), "王工", "门已关"},
            {AlarmEvent::Cleared, AlarmKind::NoAnswer, 2, "COM4-22", 22, 0, std::nullopt, std::nullopt, t0.addSecs(180)}};
        for (const auto &step : steps)
            QVERIFY2(store.appendAlarm(step, &error), qPrintable(error));
        QCOMPARE(store.auditTrail(&error)->last().newValue, QString("#1 王工：门已关"));
        QCOMPARE(store.alarmSteps(RecordStore::AlarmSteps::All, {}, &error).value_or(QList<watch::Transition>{}), steps);
        QCOMPARE(store.alarmSteps(RecordStore::AlarmSteps::OfOpenAlarms, {}, &error).value_or(QList<watch::Transition>{}),
                 (QList<watch::Transition>{steps[0], steps[2]}));
        QCOMPARE(store.alarmSteps(RecordStore::AlarmSteps::All, t0.addSecs(120), &error)->size(), 2);
        QCOMPARE(store.lastAlarmId(&error), 2);
        QVERIFY(!store.lastBeat(&error) && error.isEmpty());
        for (const auto &b : {RecordStore::WatcherBeat{"pc1", t0, "COM4"}, {"pc2", t0.addSecs(30), "COM5"}, {"pc1", t0.addSecs(60), "COM4"}})
            QVERIFY2(store.beat(b, &error), qPrintable(error));
        const auto beat = store.lastBeat(&error);
        QCOMPARE(std::tuple(beat->host, beat->beat, beat->lines), std::tuple(QString("pc1"), t0.addSecs(60), QString("COM4")));
    }

    // What someone with a database tool does behind the program's back, and where verify finds it.
    // The archive: "A" r1 r2 (seq 2, 3), "B" r1 r2 (4, 5), "A" r3 (6), A's readings (7, 8), an alarm
    // of A (9) and an audit entry (10) after the one that made the archive (1).
    void tamper_data()
    {
        using Steps = QList<std::pair<QString, QVariantList>>;
        QTest::addColumn<bool>("postgres");
        QTest::addColumn<QStringList>("keep");   // triggers left in place; the others are dropped first
        QTest::addColumn<Steps>("steps");
        QTest::addColumn<QStringList>("found");  // table, recorder, the row named
        const QStringList all = archive::chain::triggerNames(false) + archive::chain::triggerNames(true);
        QStringList keepAllBut = all;
        keepAllBut.removeAll("records_no_update");
        struct Row { const char *name; QStringList keep; Steps steps; QStringList found; };
        const Row rows[] = {
            {"a value changed", {}, {{"UPDATE records SET words = ? WHERE seq = 3", {QByteArray::fromHex("09990304")}}},
             {"records", "A", "seq=3 taken=2024-01-02 03:05"}},
            {"a reading changed", {}, {{"UPDATE readings SET value = 23.6 WHERE seq = 7", {}}}, {"readings", "A", "seq=7 sensor=1"}},
            {"a row deleted", {}, {{"DELETE FROM records WHERE seq = 3", {}}}, {"records", "A", "seq=6 taken=2024-01-02 03:06"}},
            {"the last row deleted", {}, {{"DELETE FROM records WHERE seq = 6", {}}}, {"records", "A", "seq=6"}},
            {"a whole chain deleted", {}, {{"DELETE FROM alarms", {}}}, {"alarms", "A", "seq=9"}},
            {"a row inserted", {},
             {{"INSERT INTO records (recorder, address, taken, occurrence, words, interval_s, read_at, port, seq, hash)"
               " SELECT recorder, address, '2024-01-02 03:09', occurrence, words, interval_s, read_at, port, 5, hash"
               " FROM records WHERE seq = 3", {}}},
             {"records", "A", "seq=5 taken=2024-01-02 03:09"}},
            {"two rows swapped", {},
             {{"UPDATE records SET seq = 99 WHERE seq = 2", {}}, {"UPDATE records SET seq = 2 WHERE seq = 3", {}},
              {"UPDATE records SET seq = 3 WHERE seq = 99", {}}},
             {"records", "A", "seq=2 taken=2024-01-02 03:05"}},
            {"the audit trail edited", {}, {{"UPDATE audit SET new_value = '9' WHERE seq = 1", {}}}, {"audit", "", "seq=1 kind=created"}},
            {"a trigger dropped", keepAllBut, {}, {"records", "", "-"}},
            {"a trigger dropped and a row changed", keepAllBut, {{"UPDATE records SET port = 'COM9' WHERE seq = 6", {}}},
             {"records", "A", "seq=6"}},
        };
        for (bool pg : {false, true})
            for (const Row &r : rows)
                QTest::addRow("%s: %s", pg ? "postgres" : "sqlite", r.name) << pg << r.keep << r.steps << r.found;
    }
    void tamper()
    {
        using Steps = QList<std::pair<QString, QVariantList>>;
        QFETCH(bool, postgres);
        QFETCH(QStringList, keep);
        QFETCH(Steps, steps);
        QFETCH(QStringList, found);
        QTemporaryDir dir;
        const auto config = freshArchive(postgres, dir);
        if (!config)
            return;
        QString error;
        {
            RecordStore store;
            QVERIFY2(store.open(*config, &error), qPrintable(error));
            for (const auto &[name, list] : {std::pair{"A", QList{r1, r2}}, {"B", QList{r1, r2}}, {"A", QList{r3}}})
                QVERIFY2(store.store({name, 21, 60, readAt, "COM4", records::numbered(list)}, &error), qPrintable(error));
            QVERIFY(store.storeReadings("A", 21, readAt, {235, std::nullopt}, &error));
            QVERIFY(store.appendAlarm({watch::AlarmEvent::Raised, watch::AlarmKind::High, 1, "A", 21, 1, 250, 200, readAt}, &error));
            QVERIFY(store.audit({"A", "sensor-settings", "1#||20.0|", "1#||25.0|"}, &error));
            const auto whole = store.verify(&error);
            QCOMPARE(whole.value_or(archive::chain::Verdict{}).text(), QString("verify: ok rows=10"));
        }
        Steps tampering;
        for (const QString &t : archive::chain::triggerNames(postgres))
            if (!keep.contains(t))
                tampering.append({postgres ? QStringLiteral("DROP TRIGGER %1 ON %2").arg(t, t.section('_', 0, 0))
                                           : QStringLiteral("DROP TRIGGER %1").arg(t), {}});
        QCOMPARE(runRaw(*config, tampering + steps), 0);
        RecordStore store;
        QVERIFY2(store.open(*config, &error), qPrintable(error));
        const auto v = store.verify(&error);
        QVERIFY2(v, qPrintable(error));
        QVERIFY(!v->ok);
        QVERIFY2(v->key.startsWith(found[2]), qPrintable(v->text()));
        QCOMPARE(QStringList({v->table, v->recorder}), found.mid(0, 2));
    }

    // A day's backup: refused while the archive's chains are broken (the older backups all stay),
    // made once they are whole again, then restored into a scratch archive and read as the history
    // tab reads it; only then is the backup beyond the kept days removed, each step in the audit trail.
    void backup_data() { bothDatabases(); }
    void backup()
    {
        QFETCH(bool, postgres);
        QTemporaryDir dir;
        auto config = freshArchive(postgres, dir);
        if (!config)
            return;
        config->backupDir = dir.filePath("backups");
        config->backupKeepDays = 30;
        QVERIFY(QDir().mkpath(config->backupDir));
        const QDate today(2026, 12, 8);
        const QString beyond = QDir(config->backupDir).filePath(archive::backupFileName(*config, today.addDays(-31)));
        const QString kept = QDir(config->backupDir).filePath(archive::backupFileName(*config, today.addDays(-30)));
        for (const QString &old : {beyond, kept, dir.filePath("backups/archive-notes.db")})
            QVERIFY(writeBytes(old, "an older backup"));
        RecordStore store;
        QString error;
        QVERIFY2(store.open(*config, &error), qPrintable(error));
        QVERIFY(store.store({"COM4-21", 21, 60, readAt, "COM4", records::numbered({r1, r2, r3})}, &error));
        QVERIFY(store.renameRecorder("COM4-21", "冷库", &error));
        const QString trigger = "records_no_update";
        const QString drop = postgres ? "DROP TRIGGER records_no_update ON records" : "DROP TRIGGER records_no_update";
        QCOMPARE(runRaw(*config, {{drop, {}}}), 0);
        archive::BackupOutcome b = archive::makeBackup(store, *config, today);
        QCOMPARE(std::tuple(b.made, b.passed, b.removed.size()), std::tuple(true, false, 0));
        QVERIFY2(b.verdict.contains("table=records"), qPrintable(b.verdict));
        QCOMPARE(QDir(config->backupDir).entryList(QDir::Files).size(), 3);  // no copy under its name, nothing removed
        for (const QString &statement : archive::chain::triggerStatements(postgres))
            if (statement.contains(trigger + ' '))
                QCOMPARE(runRaw(*config, {{statement, {}}}), 0);
        b = archive::makeBackup(store, *config, today);
        QVERIFY2(b.passed && b.auditError.isEmpty(), qPrintable(b.verdict + b.auditError));
        QCOMPARE(b.path, QDir(config->backupDir).filePath(postgres ? "archive-2026-12-08.dump" : "archive-2026-12-08.db"));
        QCOMPARE(b.removed, QStringList{beyond});
        QCOMPARE(QDir(config->backupDir).entryList(QDir::Files),
                 (QStringList{QFileInfo(kept).fileName(), QFileInfo(b.path).fileName(), "archive-notes.db"}));
        const auto trail = store.auditTrail(&error).value_or(QList<archive::AuditRow>{});
        QCOMPARE(trail.size(), 5);  // created, the renaming, the failed backup, the backup, the removal
        QVERIFY2(trail[2].newValue.startsWith(b.path + ": ") && trail[2].newValue.contains("table=records"), qPrintable(trail[2].newValue));
        QCOMPARE(QStringList({trail[3].kind, trail[3].newValue, trail[4].kind, trail[4].oldValue}),
                 QStringList({"backup", b.path + ": " + b.verdict, "backup-removed", beyond}));
        // Restored: a scratch archive opened from the copy holds the records under the name shown.
        ArchiveConfig restored;
        restored.sqlitePath = dir.filePath("scratch/archive.db");
        if (postgres) {
            QVERIFY(m_pg.createDatabase("restored", &error));
            restored = m_pg.config("restored");
            QProcess p;
            p.start("pg_restore", {"--no-owner", "--host=" + restored.host, "--port=" + QString::number(restored.port),
                                   "--username=" + restored.user, "--dbname=restored", b.path});
            QVERIFY(p.waitForFinished(-1) && p.exitCode() == 0);
        } else {
            QVERIFY(QDir().mkpath(dir.filePath("scratch")) && QFile::copy(b.path, restored.sqlitePath));
        }
        RecordStore copy;
        QVERIFY2(copy.open(restored, &error), qPrintable(error));
        QList<QByteArray> read;
        for (const auto &row : copy.period("冷库", QDateTime(QDate(2000, 1, 1), QTime()), QDateTime(QDate(2099, 1, 1), QTime()), &error))
            read << row.data();
        QCOMPARE(read, (QList<QByteArray>{r1, r2, r3}));
        QCOMPARE(copy.verify(&error)->text(), QString("verify: ok rows=6"));
        if (!postgres)
            return;
        // The check restored the dump into a scratch database: the verdict is the copy's even once the
        // archive has gained rows (8 now). A damaged dump fails with pg_restore's words; a role that may
        // not create databases gets the listing and the live chains, and is told so. No scratch is left.
        QCOMPARE(b.verdict, QString("verify: ok rows=6"));
        QString verdict;
        QCOMPARE(archive::checkPgDump(store, *config, b.path, &verdict), QString());
        QCOMPARE(verdict, QString("verify: ok rows=6"));
        QFile dump(b.path);
        QVERIFY(dump.open(QIODevice::ReadOnly) && writeBytes(dir.filePath("cut.dump"), dump.read(dump.size() * 2 / 3)));
        error = archive::checkPgDump(store, *config, dir.filePath("cut.dump"), &verdict);
        QVERIFY2(error.startsWith("pg_restore 恢复不了备份：pg_restore: error:"), qPrintable(error));
        const QString user = PgServer::PasswordUser;
        QCOMPARE(runRaw(*config, {{"GRANT SELECT ON ALL TABLES IN SCHEMA public TO " + user, {}},
                                  {"GRANT SELECT ON ALL SEQUENCES IN SCHEMA public TO " + user, {}}}), 0);
        ArchiveConfig limited = *config;
        limited.user = user, limited.password = PgServer::PasswordOf;
        b = archive::makeBackup(store, limited, today);
        QVERIFY2(b.passed, qPrintable(b.verdict));
        QCOMPARE(b.verdict, QString("verify: ok rows=8（没有建库权限：检查了备份目录和在线存档的链）"));
        QCOMPARE(runRaw(*config, {{"DO $$BEGIN IF EXISTS (SELECT FROM pg_database WHERE datname LIKE 'wl_backup_check%')"
                                   " THEN RAISE 'left behind'; END IF; END$$", {}}}), 0);
    }

    // The chained tables refuse any change or removal, whoever asks; the rows stay whole.
    void appendOnly_data() { bothDatabases(); }
    void appendOnly()
    {
        QFETCH(bool, postgres);
        QTemporaryDir dir;
        RecordStore store;
        const auto config = openFresh(dir, store);
        if (!config)
            return;
        QString error;
        QVERIFY(store.store({"A", 21, 60, readAt, "COM4", records::numbered({r1})}, &error));
        QVERIFY(store.storeReadings("A", 21, readAt, {235}, &error));
        QVERIFY(store.appendAlarm({watch::AlarmEvent::Raised, watch::AlarmKind::High, 1, "A", 21, 1, 250, 200, readAt}, &error));
        QList<std::pair<QString, QVariantList>> attempts;
        for (const char *t : {"records", "readings", "alarms", "audit"}) {
            attempts.append({QStringLiteral("UPDATE %1 SET recorder = 'X'").arg(t), {}});
            attempts.append({QStringLiteral("DELETE FROM %1").arg(t), {}});
            if (postgres)
                attempts.append({QStringLiteral("TRUNCATE %1").arg(t), {}});
        }
        QCOMPARE(runRaw(*config, attempts), attempts.size());
        QCOMPARE(store.verify(&error)->text(), QString("verify: ok rows=4"));
    }

    // An archive of version 4 gets its chains and triggers in one transaction, its audit trail
    // starting with the upgrade; an upgrade that fails half-way leaves it as it was.
    void upgradeFrom4_data()
    {
        QTest::addColumn<bool>("postgres");
        QTest::addColumn<bool>("blocked");
        for (bool pg : {false, true})
            for (bool blocked : {false, true})
                QTest::addRow("%s%s", pg ? "postgres" : "sqlite", blocked ? ", fails half-way" : "") << pg << blocked;
    }
    void upgradeFrom4()
    {
        QFETCH(bool, postgres);
        QFETCH(bool, blocked);
        QTemporaryDir dir;
        const auto config = freshArchive(postgres, dir);
        if (!config)
            return;
        makeVersion4(*config, blocked);
        if (QTest::currentTestFailed())
            return;
        RecordStore store;
        QString error;
        QCOMPARE(store.open(*config, &error), !blocked);
        if (blocked) {
            // Still version 4: no column, table or trigger of the upgrade is left.
            QCOMPARE(runRaw(*config, {{"SELECT seq FROM records", {}}, {"SELECT hash FROM alarms", {}}, {"SELECT 1 FROM audit", {}},
                                      {"UPDATE schema_version SET version = 4 WHERE version = 4", {}}, {"DELETE FROM alarms", {}}}),
                     3);
            return;
        }
        QCOMPARE(store.verify(&error)->text(), QString("verify: ok rows=6"));
        const auto trail = store.auditTrail(&error).value_or(QList<archive::AuditRow>{});
        QCOMPARE(trail.size(), 1);
        QCOMPARE(QStringList({trail[0].kind, trail[0].oldValue, trail[0].newValue, trail[0].program}),
                 QStringList({"upgrade", "4", "5", "window"}));
        QVERIFY(!trail[0].user.isEmpty());
        QCOMPARE(store.period("A", QDateTime(QDate(2000, 1, 1), QTime()), QDateTime(QDate(2099, 1, 1), QTime()), &error).size(), 2);
        QVERIFY(store.store({"A", 21, 60, readAt, "COM4", records::numbered({r1, r2, r3})}, &error) == 1);
        QCOMPARE(store.verify(&error)->text(), QString("verify: ok rows=7"));
        QCOMPARE(runRaw(*config, {{"UPDATE readings SET value = 1", {}}}), 1);
    }

    // A fault of the file, its folder or the disk is named in words of its own, and the file stays
    // as it was.
    void faults_data()
    {
        QTest::addColumn<int>("fault");
        QTest::addColumn<QString>("named");
        QTest::newRow("not a database") << 0 << "不是存档数据库";
        QTest::newRow("damaged") << 1 << "已损坏";
        QTest::newRow("read-only file") << 2 << "是只读的";
        QTest::newRow("read-only folder") << 3 << "是只读的";
        QTest::newRow("disk full") << 4 << "磁盘已满";
        QTest::newRow("newer version") << 5 << "较新版本";
    }
    void faults()
    {
        QFETCH(int, fault);
        QFETCH(QString, named);
        QTemporaryDir dir;
        const ArchiveConfig config{ArchiveConfig::Sqlite, dir.filePath("archive.db"), {}, 0, {}, {}, {}};
        QFile file(config.sqlitePath);
        QString error;
        if (fault > 0) {
            RecordStore store;
            QVERIFY(store.open(config, &error) && store.store({"A", 21, 60, readAt, "COM4", records::numbered({r1, r2})}, &error));
            QSqlQuery(QSqlDatabase::database(QSqlDatabase::connectionNames().constFirst())).exec(fault == 5 ? "UPDATE schema_version SET version = 9" : "SELECT 1");
        }
        // Not a database: a text file. Damaged: the first page's tree header spoilt.
        QVERIFY(fault > 1 || (file.open(QIODevice::ReadWrite) && file.seek(fault ? 100 : 0) && file.write(fault ? "\xFF" : "记录\n") > 0 && file.flush()));
        file.close();
        QVERIFY(fault < 2 || fault > 3 || QFile::setPermissions(fault == 2 ? file.fileName() : dir.path(), QFile::ReadOwner | QFile::ExeOwner));
        const QByteArray before = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        file.close();
        {
            const PermissionBits bits;
            RecordStore store;
            bool ok = store.open(config, &error);
            QSqlQuery q(QSqlDatabase::database(QSqlDatabase::connectionNames().value(0), false));
            // Disk full: the store's own connection may grow the file no further.
            if (fault == 4 && ok && q.exec("PRAGMA page_count") && q.next() && q.exec("PRAGMA max_page_count = " + q.value(0).toString())) {
                QList<QByteArray> many;
                for (int minute = 0; minute < 300; ++minute)
                    many << rec(QString::asprintf("240102%02d%02d 0102", minute / 60, minute % 60).toLatin1().constData());
                ok = store.store({"A", 21, 60, readAt, "COM4", records::numbered(many)}, &error).has_value();
            }
            QVERIFY(!ok);
        }
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY2(error.contains(named), qPrintable(error));
        QVERIFY(file.open(QIODevice::ReadOnly) && file.readAll() == before);
        QVERIFY(QSqlDatabase::connectionNames().isEmpty());  // a store that failed to open let its connection go
    }
};

QTEST_GUILESS_MAIN(TestArchive)
#include "test_archive.moc"
