// What proves the archive whole: the hash chains find what someone with a database tool changed
// behind the program's back, the chained tables refuse changes, and a day's backup is checked before
// it stands — on a SQLite file and on PostgreSQL.
#include "archivetest.h"
#include "core/archive/backup.h"
#include "core/archive/pgbackupcheck.h"
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <cmath>

using namespace archivetest;

namespace {
// What someone who knows how rows hash writes: records row seq with its port changed and its hash
// made anew on the row before it in its chain (prevSeq), so that the row itself holds.
std::pair<QString, QVariantList> rehashedRecord(const ArchiveConfig &c, qint64 seq, qint64 prevSeq, const QString &port)
{
    const archive::chain::Table &t = archive::chain::table("records");
    QStringList names;
    for (const archive::chain::Column &column : t.columns)
        names << QLatin1String(column.name);
    RawConnection raw(c, QStringLiteral("rehash"));
    QSqlQuery q(raw.db);
    QString prev;
    QVariantList values;
    if (q.exec(QStringLiteral("SELECT hash FROM records WHERE seq = %1").arg(prevSeq)) && q.next())
        prev = q.value(0).toString();
    if (q.exec(QStringLiteral("SELECT %1 FROM records WHERE seq = %2").arg(names.join(QStringLiteral(", "))).arg(seq)) && q.next())
        for (int i = 0; i < names.size(); ++i)
            values << (names[i] == QLatin1String("port") ? QVariant(port) : q.value(i));
    return {QStringLiteral("UPDATE records SET port = ?, hash = ? WHERE seq = %1").arg(seq), {port, archive::chain::rowHash(t, prev, values)}};
}
} // namespace

class TestChain : public QObject {
    Q_OBJECT
    Archives m_archives;

private slots:
    void initTestCase() { m_archives.start(); }

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
        QTest::addColumn<qint64>("rehash");      // > 0: the A record of this seq changed with its hash
        const QStringList all = archive::chain::triggerNames(false) + archive::chain::triggerNames(true);
        QStringList keepAllBut = all;
        keepAllBut.removeAll("records_no_update");
        struct Row { const char *name; QStringList keep; Steps steps; QStringList found; qint64 rehash = 0; };
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
            {"two rows swapped", {}, {{"UPDATE records SET seq = 99 WHERE seq = 2", {}}, {"UPDATE records SET seq = 2 WHERE seq = 3", {}},
              {"UPDATE records SET seq = 3 WHERE seq = 99", {}}}, {"records", "A", "seq=2 taken=2024-01-02 03:05"}},
            {"the audit trail edited", {}, {{"UPDATE audit SET new_value = '99' WHERE seq = 1", {}}}, {"audit", "", "seq=1 kind=created"}},
            {"a trigger dropped", keepAllBut, {}, {"records", "", "-"}},
            {"a trigger dropped and a row changed", keepAllBut, {{"UPDATE records SET port = 'COM9' WHERE seq = 6", {}}}, {"records", "A", "seq=6"}},
            // The row holds, but its chain no longer ends in the hash the program saved.
            {"the last row changed with its hash made anew", {}, {}, {"records", "A", "seq=6"}, 6},
        };
        for (bool pg : {false, true})
            for (const Row &r : rows)
                QTest::addRow("%s: %s", pg ? "postgres" : "sqlite", r.name) << pg << r.keep << r.steps << r.found << r.rehash;
    }
    void tamper()
    {
        using Steps = QList<std::pair<QString, QVariantList>>;
        QFETCH(bool, postgres);
        QFETCH(QStringList, keep);
        QFETCH(Steps, steps);
        QFETCH(QStringList, found);
        QFETCH(qint64, rehash);
        QTemporaryDir dir;
        const auto config = m_archives.fresh(postgres, dir);
        if (!config)
            return;
        QString error;
        {
            RecordStore store;
            QVERIFY2(store.open(*config, &error), qPrintable(error));
            for (const auto &[name, list] : {std::pair{"A", QList{r1, r2}}, {"B", QList{r1, r2}}, {"A", QList{r3}}})
                QVERIFY2(store.records().store({name, 21, 60, readAt, "COM4", records::numbered(list)}, &error), qPrintable(error));
            QVERIFY(store.readings().store("A", 21, readAt, {235, std::nullopt}, &error));
            QVERIFY(store.alarms().append({watch::AlarmEvent::Raised, watch::AlarmKind::High, 1, "A", 21, 1, 250, 200, readAt}, &error));
            QVERIFY(store.audit().append({"A", "sensor-settings", "1#||20.0|", "1#||25.0|"}, &error));
            const auto whole = store.checks().verify(&error);
            QCOMPARE(whole.value_or(archive::chain::Verdict{}).text(), QString("verify: ok rows=10"));
        }
        Steps tampering;
        for (const QString &t : archive::chain::triggerNames(postgres))
            if (!keep.contains(t))
                tampering.append({postgres ? QStringLiteral("DROP TRIGGER %1 ON %2").arg(t, t.section("_no_", 0, 0))
                                           : QStringLiteral("DROP TRIGGER %1").arg(t), {}});
        QCOMPARE(runRaw(*config, tampering + steps), 0);
        if (rehash > 0)
            QCOMPARE(runRaw(*config, {rehashedRecord(*config, rehash, 3, QStringLiteral("COM9"))}), 0);
        RecordStore store;
        QVERIFY2(store.open(*config, &error), qPrintable(error));
        const auto v = store.checks().verify(&error);
        QVERIFY2(v, qPrintable(error));
        QVERIFY(!v->ok);
        QVERIFY2(v->key.startsWith(found[2]), qPrintable(v->text()));
        QCOMPARE(QStringList({v->table, v->recorder}), found.mid(0, 2));
    }

    // A copy SQLite itself finds damaged (an index that no longer matches its table) is refused in
    // SQLite's own words, before its chains are walked.
    void damagedCopyRefused()
    {
        QTemporaryDir dir;
        ArchiveConfig copy;
        copy.sqlitePath = dir.filePath("copy.db");
        QCOMPARE(runRaw(copy, {{"CREATE TABLE t (a INTEGER, b INTEGER)", {}}, {"CREATE INDEX t_a ON t (a)", {}},
                               {"INSERT INTO t VALUES (1, 2), (3, 4)", {}}, {"PRAGMA writable_schema = ON", {}},
                               {"UPDATE sqlite_master SET sql = 'CREATE INDEX t_a ON t (b)' WHERE name = 't_a'", {}}}), 0);
        QString verdict;
        const QString why = archive::checkSqliteCopy(copy.sqlitePath, &verdict);
        QVERIFY2(why.startsWith("备份的完整性检查不通过：") && verdict.isEmpty(), qPrintable(why));
    }

    // A day's backup: refused while the archive's chains are broken (the older backups all stay),
    // made once they are whole again, then restored into a scratch archive and read as the history
    // tab reads it; only then is the backup beyond the kept days removed, each step in the audit trail.
    void backup_data() { bothDatabases(); }
    void backup()
    {
        QFETCH(bool, postgres);
        QTemporaryDir dir;
        auto config = m_archives.fresh(postgres, dir);
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
        QVERIFY(store.records().store({"COM4-21", 21, 60, readAt, "COM4", records::numbered({r1, r2, r3})}, &error));
        QVERIFY(store.records().rename("COM4-21", "冷库", &error));
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
        const auto trail = store.audit().trail(&error).value_or(QList<archive::AuditRow>{});
        QCOMPARE(trail.size(), 5);  // created, the renaming, the failed backup, the backup, the removal
        QVERIFY2(trail[2].newValue.startsWith(b.path + ": ") && trail[2].newValue.contains("table=records"), qPrintable(trail[2].newValue));
        QCOMPARE(QStringList({trail[3].kind, trail[3].newValue, trail[4].kind, trail[4].oldValue}),
                 QStringList({"backup", b.path + ": " + b.verdict, "backup-removed", beyond}));
        // Restored: a scratch archive opened from the copy holds the records under the name shown.
        ArchiveConfig restored;
        restored.sqlitePath = dir.filePath("scratch/archive.db");
        if (postgres) {
            QVERIFY(m_archives.server().createDatabase("restored", &error));
            restored = m_archives.server().config("restored");
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
        for (const auto &row : copy.records().period("冷库", QDateTime(QDate(2000, 1, 1), QTime()), QDateTime(QDate(2099, 1, 1), QTime()), &error))
            read << row.data();
        QCOMPARE(read, (QList<QByteArray>{r1, r2, r3}));
        QCOMPARE(copy.checks().verify(&error)->text(), QString("verify: ok rows=6"));
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
        // The grants the README gives the programs' role, exactly: enough for pg_dump.
        QFile readme(WL_README);
        QVERIFY(readme.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(readme.readAll());
        const qsizetype from = text.indexOf("```sql\n", text.indexOf("give the programs' role no more than it needs")) + 7;
        Statements grants;
        for (QString line : text.mid(from, text.indexOf("```", from) - from).split('\n', Qt::SkipEmptyParts))
            grants.append({line.section(" --", 0, 0).replace(" collector;", " " + user + ";"), {}});
        QVERIFY(grants.size() >= 5);
        ArchiveConfig limited = *config;
        limited.user = user, limited.password = PgServer::PasswordOf;
        const Statements append{{"SELECT wl_append_audit(false, now(), 'x', 'x', NULL, 'x', '', '')", {}}};
        QCOMPARE(runRaw(limited, append), 1);  // a role not granted it may not append
        QCOMPARE(runRaw(*config, grants), 0);
        b = archive::makeBackup(store, limited, today);
        QVERIFY2(b.passed, qPrintable(b.verdict));
        QCOMPARE(b.verdict, QString("verify: ok rows=8（没有建库权限：检查了备份目录和在线存档的链）"));
        QCOMPARE(runRaw(*config, {{"DO $$BEGIN IF EXISTS (SELECT FROM pg_database WHERE datname LIKE 'wl_backup_check%')"
                                   " THEN RAISE 'left behind'; END IF; END$$", {}}}), 0);
        // With the same grants the programs append, and nothing else: no row with a hash of its own,
        // no tip moved by hand.
        RecordStore program;
        QVERIFY2(program.open(limited, &error), qPrintable(error));
        QVERIFY2(program.records().store({"B", 21, 60, readAt, "COM4", records::numbered({r3})}, &error), qPrintable(error));
        QVERIFY2(program.readings().store("B", 21, readAt, {235}, &error), qPrintable(error));
        QVERIFY(program.alarms().append({watch::AlarmEvent::Raised, watch::AlarmKind::High, 1, "B", 21, 1, 250, 200, readAt}, &error));
        const Statements forgeries{
            {"INSERT INTO records (recorder, address, taken, occurrence, words, interval_s, read_at, port, seq, hash)"
             " VALUES ('B', 21, 'x', 0, '\\x00', 60, 'x', 'COM4', 99, 'ab')", {}},
            {"UPDATE chain_tips SET hash = 'ab'", {}},
            {"INSERT INTO chain_tips (tbl, recorder, last_seq, rows, hash) VALUES ('records', 'C', 99, 1, 'ab')", {}},
            {"DELETE FROM chain_tips", {}},
            {"INSERT INTO audit (seq, at, os_user, program, kind, old_value, new_value, hash)"
             " VALUES (99, now(), 'x', 'x', 'x', '', '', 'ab')", {}}};
        QCOMPARE(runRaw(limited, forgeries), forgeries.size());
        QCOMPARE(store.checks().verify(&error)->text(), QString("verify: ok rows=12"));
    }

    // The server's functions hash a row exactly as the program does, whatever its values: seeded
    // random numbers of every size, texts of any characters, times to the millisecond.
    void serverHashesAsProgram()
    {
        QTemporaryDir dir;
        RecordStore store;
        const auto config = m_archives.fresh(true, dir);
        QString error;
        if (!config)
            return;
        QVERIFY2(store.open(*config, &error), qPrintable(error));
        QRandomGenerator random(8806);
        Statements rows;
        const double awkward[] = {0.0, -0.0, 1e5, 12e5, 1e4, 1e-5, 1e-4, 1.2e-4, 123456789012345678.0, 1e10, 1e15, 1e16, 1e21,
                                  5e-324, 1.7976931348623157e308, -3276.8, 9.5, 0.1, NAN, INFINITY, -INFINITY};
        QList<double> values(std::begin(awkward), std::end(awkward));
        for (int i = 0; i < 150; ++i)
            values << std::ldexp(random.generateDouble() * (random.bounded(2) ? 1 : -1), random.bounded(-1070, 1020))
                   << random.bounded(-32768, 32768) / 10.0 << double(random.bounded(1, 100)) * std::pow(10.0, random.bounded(-9, 25));
        const QStringList chars{"a", "'", "\\", "%", "_", ":", "-", "\n", "冷库", "🌡", " "};
        for (int i = 0; i < values.size(); ++i) {
            const QDateTime at = readAt.addMSecs(random.bounded(1 << 30));
            rows.append({"SELECT wl_append_readings(false, ?, 21, ?, ?, ?)", {QString("R"), i, at, values[i]}});
            QString text("");  // an empty text, not a NULL
            for (int k = random.bounded(12); k > 0; --k)
                text += chars[random.bounded(int(chars.size()))];
            rows.append({"SELECT wl_append_audit(false, ?, ?, 'test', ?, 'kind', ?, '')",
                         {at, text, i % 3 ? QVariant(text) : QVariant(), text + text}});
        }
        QCOMPARE(runRaw(*config, rows), 0);
        QCOMPARE(store.checks().verify(&error)->text(), QStringLiteral("verify: ok rows=%1").arg(rows.size() + 1));
    }

    // A backup disk that fills is named as that one, not as the archive's.
    void fullBackupDiskNamed()
    {
        QTemporaryDir dir;
        RecordStore store;
        QString error;
        QVERIFY(store.open({ArchiveConfig::Sqlite, dir.filePath("archive.db")}, &error));
        QVERIFY(!store.checks().copyInto("/dev/full", &error));  // every write: no space left on the device
        QVERIFY2(error.startsWith("磁盘已满，备份 /dev/full 写不进去"), qPrintable(error));
    }

    // The chained tables refuse any change or removal, whoever asks; the rows stay whole.
    void appendOnly_data() { bothDatabases(); }
    void appendOnly()
    {
        QFETCH(bool, postgres);
        QTemporaryDir dir;
        RecordStore store;
        const auto config = m_archives.openFresh(dir, store);
        if (!config)
            return;
        QString error;
        QVERIFY(store.records().store({"A", 21, 60, readAt, "COM4", records::numbered({r1})}, &error));
        QVERIFY(store.readings().store("A", 21, readAt, {235}, &error));
        QVERIFY(store.alarms().append({watch::AlarmEvent::Raised, watch::AlarmKind::High, 1, "A", 21, 1, 250, 200, readAt}, &error));
        QList<std::pair<QString, QVariantList>> attempts;
        for (const char *t : {"records", "readings", "alarms", "audit"}) {
            attempts.append({QStringLiteral("UPDATE %1 SET recorder = 'X'").arg(t), {}});
            attempts.append({QStringLiteral("DELETE FROM %1").arg(t), {}});
            if (postgres)
                attempts.append({QStringLiteral("TRUNCATE %1").arg(t), {}});
        }
        QCOMPARE(runRaw(*config, attempts), attempts.size());
        QCOMPARE(store.checks().verify(&error)->text(), QString("verify: ok rows=4"));
    }
};

QTEST_GUILESS_MAIN(TestChain)
#include "test_chain.moc"
