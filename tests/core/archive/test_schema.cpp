// The archive's shape: a new archive's tables are what the schema table says, on SQLite and on
// PostgreSQL; each migration step takes an archive as the program of that version left it to the
// next version's shape with its rows whole; a whole upgrade goes through open() in one transaction;
// faults of the file are named in words of their own.
#include "archivetest.h"
#include "core/archive/migrations.h"
#include "core/archive/schema.h"
#include "permissionbits.h"
#include <QFile>
#include <QSqlError>
#include <QSqlRecord>

using namespace archivetest;
namespace schema = archive::schema;

namespace {
// Each version's tables as the program of that version made them ("early 4": before the watchers
// table came). On PostgreSQL %1 is a blob, %2 a time, %3 a number, %4 the alarms' numbered key.
const QString recordsV1 = "CREATE TABLE records (recorder TEXT NOT NULL, address INTEGER NOT NULL, taken TEXT NOT NULL,"
                          " occurrence INTEGER NOT NULL, words %1 NOT NULL, interval_s INTEGER NOT NULL, read_at TEXT NOT NULL,"
                          " PRIMARY KEY (recorder, taken, words, occurrence))";
const QStringList v1{"CREATE TABLE schema_version (version INTEGER NOT NULL)", recordsV1};
const QStringList v2{v1[0], QString(recordsV1).replace("read_at TEXT NOT NULL,", "read_at TEXT NOT NULL, port TEXT NOT NULL,")};
const QStringList v3 = v2 + QStringList{"CREATE TABLE missing_positions (recorder TEXT NOT NULL, position INTEGER NOT NULL,"
                                        " PRIMARY KEY (recorder, position))"};
const QStringList early4 = v3 + QStringList{
    "CREATE TABLE readings (recorder TEXT NOT NULL, address INTEGER NOT NULL, sensor INTEGER NOT NULL, taken %2 NOT NULL,"
    " value %3, PRIMARY KEY (recorder, sensor, taken))",
    "CREATE TABLE alarms (seq %4, alarm_id BIGINT NOT NULL, event TEXT NOT NULL, kind TEXT NOT NULL, recorder TEXT NOT NULL,"
    " address INTEGER NOT NULL, sensor INTEGER NOT NULL, value %3, limit_value %3, happened %2 NOT NULL, by_name TEXT NOT NULL,"
    " note TEXT NOT NULL)",
    "CREATE INDEX alarms_by_id ON alarms (alarm_id)"};
const QStringList v4 = early4 + QStringList{"CREATE TABLE watchers (host TEXT NOT NULL PRIMARY KEY, beat %2 NOT NULL, lines TEXT NOT NULL)"};

// An archive of the version (early4: 4 without watchers) with a few rows, as that version kept them.
Statements oldArchive(int version, bool early, bool postgres)
{
    const QStringList &tables = version == 1 ? v1 : version == 2 ? v2 : version == 3 ? v3 : early ? early4 : v4;
    Statements s;
    const QStringList types = postgres ? QStringList{"BYTEA", "TIMESTAMPTZ", "DOUBLE PRECISION", "BIGSERIAL PRIMARY KEY"}
                                       : QStringList{"BLOB", "TEXT", "REAL", "INTEGER PRIMARY KEY AUTOINCREMENT"};
    for (QString t : tables) {
        for (int i = 0; i < types.size(); ++i)
            t.replace(QStringLiteral("%%1").arg(i + 1), types[i]);
        s.append({t, QVariantList{}});
    }
    s.append({QStringLiteral("INSERT INTO schema_version (version) VALUES (%1)").arg(version), QVariantList{}});
    const QString port = version == 1 ? "" : ", ?";
    s.append({"INSERT INTO records VALUES ('A', 21, ?, 0, ?, 60, '2024-01-03T01:02:00Z'" + port + ")",
              QVariantList{"2024-01-02 03:04", r1.mid(6)} + (version == 1 ? QVariantList() : QVariantList{""})});
    if (version >= 2)
        s.append({"INSERT INTO records VALUES ('A', 21, ?, 0, ?, 60, '2024-01-03T01:02:00Z', 'COM4')", {"2024-01-02 03:05", r2.mid(6)}});
    if (version >= 3)
        s.append({"INSERT INTO missing_positions VALUES ('A', 7)", QVariantList{}});
    if (version >= 4) {
        s.append({"INSERT INTO readings VALUES ('A', 21, 1, '2026-12-08T03:12:00Z', 23.5), ('A', 21, 2, '2026-12-08T03:12:00Z', NULL)", QVariantList{}});
        s.append({"INSERT INTO alarms (alarm_id, event, kind, recorder, address, sensor, value, limit_value, happened, by_name, note)"
                  " VALUES (1, 'raised', 'high', 'A', 21, 1, 25.0, 20.0, '2026-12-08T03:12:00Z', '', '')", QVariantList{}});
    }
    if (version >= 4 && !early)
        s.append({"INSERT INTO watchers VALUES ('pc1', '2026-12-08T03:12:00Z', 'COM4')", QVariantList{}});
    return s;
}

// An archive as the program of the version left it: a version past 4 is version 4 taken up by the steps.
bool makeOld(const archive::ArchiveConfig &config, int version, bool early, bool postgres)
{
    if (runRaw(config, oldArchive(std::min(version, 4), early, postgres)) != 0)
        return false;
    if (version < 5)
        return true;
    RawConnection raw(config, "v5");
    QString error;
    bool ok = raw.db.transaction();
    for (int from = 4; ok && from < version; ++from)
        ok = archive::migration::steps()[from - 1].run(raw.db, postgres, &error);
    const char *notice = "INSERT INTO outbox (alarm_id, event, happened, channel, payload, queued, attempts, due, state, outcome)"
                         " VALUES (1, 'raised', '2026-12-08T03:12:00Z', 'webhook', '', '2026-12-08T03:12:00Z', 1,"
                         " '2026-12-08T03:12:10Z', 'waiting', 'HTTP 500')";
    ok = ok && (version < 6 || QSqlQuery(raw.db).exec(notice));
    return ok && QSqlQuery(raw.db).exec(QStringLiteral("UPDATE schema_version SET version = %1").arg(version)) && raw.db.commit();
}

QStringList tableNames(QSqlDatabase db, bool postgres)
{
    QSqlQuery q(db);
    q.exec(postgres ? "SELECT table_name FROM information_schema.tables WHERE table_schema = 'public' AND table_type = 'BASE TABLE'"
                    : "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite_%'");
    QStringList names;
    while (q.next())
        names << q.value(0).toString();
    names.sort();
    return names;
}

// The tables as the database reports them, a line a column ("records.words BLOB not-null key=3"),
// then the indexes of our own.
QStringList shape(QSqlDatabase db, bool postgres)
{
    QStringList lines;
    for (const QString &t : tableNames(db, postgres)) {
        QSqlQuery q(db);
        if (!postgres) {
            q.exec(QStringLiteral("PRAGMA table_info(%1)").arg(t));
            while (q.next())
                lines << QStringLiteral("%1.%2 %3%4 key=%5").arg(t, q.value(1).toString(), q.value(2).toString(),
                                                                 q.value(3).toBool() ? " not-null" : "", q.value(5).toString());
            continue;
        }
        q.prepare("SELECT c.column_name, c.data_type, c.is_nullable, COALESCE(k.ordinal_position, 0) FROM information_schema.columns c"
                  " LEFT JOIN (SELECT kcu.column_name, kcu.ordinal_position FROM information_schema.key_column_usage kcu"
                  " JOIN information_schema.table_constraints tc ON tc.constraint_name = kcu.constraint_name"
                  " AND tc.table_name = kcu.table_name WHERE tc.constraint_type = 'PRIMARY KEY' AND kcu.table_name = ?) k"
                  " ON k.column_name = c.column_name WHERE c.table_schema = 'public' AND c.table_name = ? ORDER BY c.ordinal_position");
        q.addBindValue(t), q.addBindValue(t);
        q.exec();
        while (q.next())
            lines << QStringLiteral("%1.%2 %3%4 key=%5").arg(t, q.value(0).toString(), q.value(1).toString(),
                                                             q.value(2).toString() == "NO" ? " not-null" : "", q.value(3).toString());
    }
    QSqlQuery q(db);
    q.exec(postgres ? "SELECT indexname FROM pg_indexes WHERE schemaname = 'public' AND indexname NOT LIKE '%_pkey'"
                    : "SELECT name FROM sqlite_master WHERE type = 'index' AND sql IS NOT NULL");
    QStringList indexes;
    while (q.next())
        indexes << "index " + q.value(0).toString();
    indexes.sort();
    return lines + indexes;
}

// The same lines as the schema table has them.
QStringList schemaShape(bool postgres)
{
    QList<schema::Table> tables = schema::tables();
    std::sort(tables.begin(), tables.end(), [](auto &a, auto &b) { return qstrcmp(a.name, b.name) < 0; });
    QStringList lines, indexes;
    for (const schema::Table &t : tables) {
        for (const schema::Column &c : t.columns) {
            const int key = int(t.primaryKey.indexOf(c.name)) + 1;
            QString type = postgres ? QString(c.postgres).toLower() : QString(c.sqlite);
            type.replace("timestamptz", "timestamp with time zone").replace("bigserial", "bigint");
            lines << QStringLiteral("%1.%2 %3%4 key=%5").arg(t.name, c.name, type, c.notNull || (postgres && key) ? " not-null" : "").arg(key);
        }
        for (const schema::Index &i : t.indexes)
            indexes << QStringLiteral("index ") + i.name;
    }
    indexes.sort();
    return lines + indexes;
}

// Every row of every table, by the columns it had before (a blob in hex): what a step must keep.
QStringList contents(QSqlDatabase db, bool postgres, const QMap<QString, QStringList> &columns)
{
    QStringList rows;
    for (const QString &t : tableNames(db, postgres)) {
        if (!columns.contains(t))
            continue;
        QSqlQuery q(db);
        QStringList order;
        for (int i = 1; i <= columns[t].size(); ++i)
            order << QString::number(i);
        q.exec(QStringLiteral("SELECT %1 FROM %2 ORDER BY %3").arg(columns[t].join(", "), t, order.join(", ")));
        while (q.next()) {
            QStringList values;
            for (int i = 0; i < columns[t].size(); ++i)
                values << (q.value(i).isNull() ? "NULL" : q.value(i).typeId() == QMetaType::QByteArray ? q.value(i).toByteArray().toHex()
                                                                                                       : q.value(i).toString());
            rows << t + ": " + values.join(" | ");
        }
    }
    return rows;
}
} // namespace

class TestSchema : public QObject {
    Q_OBJECT
    Archives m_archives;

private slots:
    void initTestCase() { m_archives.start(); }

    // A new archive's tables, columns, keys and indexes are the schema table's.
    void freshArchive_data() { bothDatabases(); }
    void freshArchive()
    {
        QFETCH(bool, postgres);
        QTemporaryDir dir;
        RecordStore store;
        const auto config = m_archives.openFresh(dir, store);
        if (!config)
            return;
        RawConnection raw(*config);
        QCOMPARE(shape(raw.db, postgres), schemaShape(postgres));
    }

    void migrationStep_data()
    {
        QTest::addColumn<bool>("postgres");
        QTest::addColumn<int>("from");
        QTest::addColumn<bool>("early");
        QTest::addColumn<QString>("probe");   // a count the step must leave as expected
        QTest::addColumn<int>("expected");
        for (bool pg : {false, true}) {
            const char *db = pg ? "postgres" : "sqlite";
            QTest::addRow("%s: 1 to 2", db) << pg << 1 << false << "SELECT COUNT(*) FROM records WHERE port = ''" << 1;
            QTest::addRow("%s: 2 to 3", db) << pg << 2 << false << "SELECT COUNT(*) FROM missing_positions" << 0;
            QTest::addRow("%s: 3 to 4", db) << pg << 3 << false << "SELECT COUNT(*) FROM watchers" << 0;
            QTest::addRow("%s: 4 to 5", db) << pg << 4 << false << "SELECT COUNT(*) FROM records WHERE hash IS NOT NULL" << 2;
            QTest::addRow("%s: early 4 to 5", db) << pg << 4 << true << "SELECT COUNT(*) FROM watchers" << 0;
            QTest::addRow("%s: 5 to 6", db) << pg << 5 << false << "SELECT COUNT(*) FROM outbox" << 0;
            QTest::addRow("%s: 6 to 7", db) << pg << 6 << false << "SELECT COUNT(*) FROM outbox WHERE recipients = ''" << 1;
            QTest::addRow("%s: 7 to 8", db) << pg << 7 << false << "SELECT COUNT(*) FROM outbox WHERE handle = ''" << 1;
            QTest::addRow("%s: 8 to 9", db) << pg << 8 << false << "SELECT COUNT(*) FROM archive_identity" << 0;
            QTest::addRow("%s: 9 to 10", db) << pg << 9 << false
                                              << (pg ? "SELECT COUNT(*) FROM pg_proc WHERE proname LIKE 'wl_append_%' AND prosecdef" : "SELECT COUNT(*) FROM audit") << (pg ? 4 : 0);
        }
    }
    // The archive as version n left it, then step n: its rows are all there, and its tables are those
    // version n + 1 made (the schema table's, after the last step).
    void migrationStep()
    {
        QFETCH(bool, postgres);
        QFETCH(int, from);
        QFETCH(bool, early);
        QFETCH(QString, probe);
        QFETCH(int, expected);
        const auto &steps = archive::migration::steps();
        QCOMPARE(steps.value(from - 1).from, from);
        const bool last = from == steps.size();
        QCOMPARE(last, from + 1 == schema::Version);
        QTemporaryDir dir;
        const auto before = m_archives.fresh(postgres, dir), next = m_archives.fresh(postgres, dir, "next.db");
        if (!before || !next)
            return;
        QVERIFY(makeOld(*before, from, early, postgres));
        QVERIFY(last || makeOld(*next, from + 1, false, postgres));
        RawConnection raw(*before);
        QMap<QString, QStringList> columns;
        for (const QString &t : tableNames(raw.db, postgres))
            for (int i = 0; i < raw.db.record(t).count(); ++i)
                columns[t] << raw.db.record(t).fieldName(i);
        const QStringList kept = contents(raw.db, postgres, columns);
        QString error;
        QVERIFY(raw.db.transaction());
        QVERIFY2(steps[from - 1].run(raw.db, postgres, &error), qPrintable(error));
        QVERIFY2(raw.db.commit(), qPrintable(raw.db.lastError().text()));
        QCOMPARE(contents(raw.db, postgres, columns), kept);
        QSqlQuery q(raw.db);
        QVERIFY(q.exec(probe) && q.next());
        QCOMPARE(q.value(0).toInt(), expected);
        RawConnection nextRaw(*next, "next");
        QCOMPARE(shape(raw.db, postgres), last ? schemaShape(postgres) : shape(nextRaw.db, postgres));
        if (last)
            QCOMPARE(archive::chain::verify(raw.db, &error).value_or(archive::chain::Verdict{}).text(), "verify: ok rows=5");
    }

    // open() runs the steps from the archive's version on, the audit trail starting with the upgrade;
    // an upgrade that fails half-way leaves the archive as it was.
    void upgrade_data()
    {
        QTest::addColumn<bool>("postgres");
        QTest::addColumn<int>("from");
        QTest::addColumn<bool>("blocked");
        for (bool pg : {false, true}) {
            QTest::addRow("%s: from 1", pg ? "postgres" : "sqlite") << pg << 1 << false;
            QTest::addRow("%s: from 4", pg ? "postgres" : "sqlite") << pg << 4 << false;
            QTest::addRow("%s: from 4, fails half-way", pg ? "postgres" : "sqlite") << pg << 4 << true;
        }
    }
    void upgrade()
    {
        QFETCH(bool, postgres);
        QFETCH(int, from);
        QFETCH(bool, blocked);
        QTemporaryDir dir;
        const auto config = m_archives.fresh(postgres, dir);
        if (!config)
            return;
        QCOMPARE(runRaw(*config, oldArchive(from, false, postgres) + Statements{{blocked ? "CREATE TABLE chain_tips (x INTEGER)" : "SELECT 1", {}}}), 0);
        const QStringList old = shape(RawConnection(*config).db, postgres);
        RecordStore store;
        QString error;
        QCOMPARE(store.open(*config, &error), !blocked);
        if (blocked) {
            QCOMPARE(shape(RawConnection(*config).db, postgres), old);
            return;
        }
        QCOMPARE(shape(RawConnection(*config).db, postgres), schemaShape(postgres));
        const int rows = from == 1 ? 1 : 5;  // records, readings and the alarm, without the audit entry
        QCOMPARE(store.checks().verify(&error)->text(), QStringLiteral("verify: ok rows=%1").arg(rows + 1));
        const auto trail = store.audit().trail(&error).value_or(QList<archive::AuditRow>{});
        QCOMPARE(trail.size(), 1);
        QCOMPARE(QStringList({trail[0].kind, trail[0].oldValue, trail[0].newValue, trail[0].program}),
                 QStringList({"upgrade", QString::number(from), QString::number(schema::Version), "window"}));
        QVERIFY(!trail[0].user.isEmpty());
        const auto kept = store.records().period("A", always, never, &error);
        QCOMPARE(kept.value(0).port, QString());
        QCOMPARE(store.records().store({"A", 21, 60, readAt, "COM4", records::numbered({r1, r2, r3})}, &error), 3 - int(kept.size()));
        QCOMPARE(store.checks().verify(&error)->text(), QStringLiteral("verify: ok rows=%1").arg(rows + 1 + 3 - kept.size()));
        QCOMPARE(runRaw(*config, {{"UPDATE records SET port = 'X'", {}}}), 1);
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
            QVERIFY(store.open(config, &error) && store.records().store({"A", 21, 60, readAt, "COM4", records::numbered({r1, r2})}, &error));
            QSqlQuery(QSqlDatabase::database(QSqlDatabase::connectionNames().constFirst())).exec(fault == 5 ? QString("UPDATE schema_version SET version = %1").arg(schema::Version + 1) : "SELECT 1");
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
                ok = store.records().store({"A", 21, 60, readAt, "COM4", records::numbered(many)}, &error).has_value();
            }
            QVERIFY(!ok);
        }
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY2(error.contains(named), qPrintable(error));
        QVERIFY(file.open(QIODevice::ReadOnly) && file.readAll() == before);
        QVERIFY(QSqlDatabase::connectionNames().isEmpty());  // a store that failed to open let its connection go
    }
};

QTEST_GUILESS_MAIN(TestSchema)
#include "test_schema.moc"
