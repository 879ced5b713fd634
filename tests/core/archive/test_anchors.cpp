// The archive held against copies kept elsewhere. Each attack is what someone with the file or the
// server's tables does, rebuilding every chain with the program's own chain code so that the archive
// alone still checks out; a checkpoint signed before, or an older backup, shows it.
#include "archivetest.h"
#include "core/archive/anchors.h"
#include "core/archive/backup.h"
#include "core/archive/pgbackupcheck.h"
#include <QDir>

using namespace archivetest;

namespace {
// Every chain's hashes made anew from its first row and its tip saved, the triggers dropped
// meanwhile and put back after: what an attacker runs once the rows are as wanted.
Statements rebuilt(const ArchiveConfig &c)
{
    const bool pg = c.kind == ArchiveConfig::Postgres;
    Statements s;
    for (const QString &t : archive::chain::triggerNames(pg))
        s.append({pg ? QStringLiteral("DROP TRIGGER IF EXISTS %1 ON %2").arg(t, t.section("_no_", 0, 0)) : "DROP TRIGGER IF EXISTS " + t, {}});
    RawConnection raw(c, "rebuild");
    for (const archive::chain::Table &t : archive::chain::tables()) {
        QStringList names;
        for (const auto &column : t.columns)
            names << column.name;
        QSqlQuery q(raw.db);
        q.exec(QStringLiteral("SELECT %1 FROM %2 ORDER BY %3seq").arg(names.join(", "), t.name, t.perRecorder ? "recorder, " : ""));
        QMap<QString, std::tuple<QString, qint64, qint64>> tips;  // chain: hash, rows, last seq
        while (q.next()) {
            QVariantList values;
            for (int i = 0; i < names.size(); ++i)
                values << q.value(i);
            auto &[prev, rows, last] = tips[t.perRecorder ? values[names.indexOf("recorder")].toString() : ""];
            prev = archive::chain::rowHash(t, prev, values), ++rows, last = values[0].toLongLong();
            s.append({QStringLiteral("UPDATE %1 SET hash = ? WHERE seq = ?").arg(t.name), {prev, last}});
        }
        s.append({QStringLiteral("DELETE FROM chain_tips WHERE tbl = '%1'").arg(t.name), {}});
        for (auto it = tips.cbegin(); it != tips.cend(); ++it)
            s.append({"INSERT INTO chain_tips (hash, rows, last_seq, tbl, recorder) VALUES (?, ?, ?, ?, ?)",
                      {std::get<0>(*it), std::get<1>(*it), std::get<2>(*it), t.name, it.key()}});
    }
    for (const QString &statement : archive::chain::triggerStatements(pg))
        s.append({statement, {}});
    return s;
}
} // namespace

class TestAnchors : public QObject {
    Q_OBJECT
    Archives m_archives;

    // A's records r1 r2 (seq 2, 3) and, after the older copy, r3 (4) and an audit entry (5); then
    // the anchor; then B's records (6, 7).
    bool fill(const ArchiveConfig &c, const QString &older, const std::function<void(RecordStore &)> &anchor)
    {
        RecordStore store;
        QString error;
        bool ok = store.open(c, &error) && store.records().store({"A", 21, 60, readAt, "COM4", records::numbered({r1, r2})}, &error);
        if (ok && !older.isEmpty())
            ok = store.checks().copyInto(older, &error);
        ok = ok && store.records().store({"A", 21, 60, readAt, "COM4", records::numbered({r3})}, &error)
             && store.audit().append({"A", "sensor-settings", "1#||20.0|", "1#||25.0|"}, &error);
        if (ok && anchor)
            anchor(store);
        ok = ok && store.records().store({"B", 21, 60, readAt, "COM4", records::numbered({r1, r2})}, &error);
        if (!ok)
            qWarning("%s", qPrintable(error));
        return ok;
    }

private slots:
    void initTestCase() { m_archives.start(); }

    void attack_data()
    {
        QTest::addColumn<bool>("postgres");
        QTest::addColumn<QString>("attack");
        QTest::addColumn<bool>("backup");    // the anchor: an older backup (a file or a dump), else a checkpoint
        QTest::addColumn<QStringList>("found");  // in the verdict
        struct Row { const char *attack; bool backup; QStringList found; };
        const QString a4 = "table=records recorder=A row=seq=4 taken=2024-01-02 03:06", a3 = "table=records recorder=A row=seq=3 taken=2024-01-02 03:05",
                      shorter = "table=records recorder=A row=-: 这条链只有 2 行，";
        const Row rows[] = {
            {"none", false, {"verify: ok rows=7"}},
            {"none", true, {"verify: ok rows=7"}},
            {"a value changed", false, {a4, ": 与 ", "的检查点", "不符"}},
            {"a value changed", true, {a3, "backup.db 里的这一行在存档里不在了或被改过"}},
            {"a row deleted", false, {shorter, "的检查点", "记载它有 3 行"}},
            {"a row deleted", true, {a3, "backup.db 里的这一行"}},
            {"an older copy put back", false, {shorter}},
            {"an older copy put back", true, {a4, "backup.db 里的这一行"}},
            {"deleted and made anew", false, {"属于另一个存档"}},
            {"deleted and made anew", true, {"backup.db属于另一个存档"}},
            {"a checkpoint forged with another key", false, {"不是用本程序的签名钥匙签的"}},
            {"another archive's checkpoint", false, {"属于另一个存档"}},
            {"a checkpoint's time moved", false, {"的签名不对"}},
        };
        for (bool pg : {false, true})
            for (const Row &r : rows)
                QTest::addRow("%s: %s, %s", pg ? "postgres" : "sqlite", r.attack, r.backup ? "backup" : "checkpoint")
                    << pg << QString(r.attack) << r.backup << QStringList(r.found).replaceInStrings("backup.db", pg ? "backup.dump" : "backup.db");
    }
    void attack()
    {
        QFETCH(bool, postgres);
        QFETCH(QString, attack);
        QFETCH(bool, backup);
        QFETCH(QStringList, found);
        QTemporaryDir dir;
        auto config = m_archives.fresh(postgres, dir);
        if (!config)
            return;
        QString error;
        const auto key = archive::CheckpointKey::open(dir.filePath("keys/checkpoint.key"), &error);
        QVERIFY2(key, qPrintable(error));
        archive::Anchors anchors{{}, {}, key->publicKey()};
        const QString older = postgres ? QString() : dir.filePath("older.db");
        QVERIFY(fill(*config, older, [&](RecordStore &store) {
            if (backup && postgres)
                QCOMPARE(archive::pgDump(*config, anchors.backups.emplace_back(dir.filePath("backup.dump"))), QString());
            else if (backup)
                QVERIFY(store.checks().copyInto(anchors.backups.emplace_back(dir.filePath("backup.db")), &error));
            else if (const auto c = archive::makeCheckpoint(store.checks(), *key, &error))
                anchors.checkpoints << *c;
        }));
        if (attack == "a value changed" || attack == "a checkpoint forged with another key")
            QCOMPARE(runRaw(*config, {{"DROP TRIGGER records_no_update" + QString(postgres ? " ON records" : ""), {}},
                                      {"UPDATE records SET interval_s = 30 WHERE seq = 3", {}}}), 0);
        if (attack == "a row deleted" || (attack == "an older copy put back" && postgres))
            QCOMPARE(runRaw(*config, {{"DROP TRIGGER records_no_delete" + QString(postgres ? " ON records" : ""), {}},
                                      {attack == "a row deleted" ? "DELETE FROM records WHERE seq = 3" : "DELETE FROM records WHERE seq >= 4", {}}}), 0);
        if (attack == "an older copy put back" && !postgres)
            QVERIFY(QFile::remove(config->sqlitePath) && QFile::copy(older, config->sqlitePath));
        if (attack == "deleted and made anew") {
            if (!postgres)
                QVERIFY(QFile::remove(config->sqlitePath));
            QVERIFY((config = m_archives.fresh(postgres, dir, "anew.db")) && fill(*config, {}, {}));
        }
        QCOMPARE(runRaw(*config, rebuilt(*config)), 0);
        RecordStore store;
        QVERIFY2(store.open(*config, &error), qPrintable(error));
        QCOMPARE(store.checks().verify(&error).value_or(archive::chain::Verdict{false}).ok, true);  // alone, it checks out
        if (attack == "a checkpoint forged with another key")
            anchors.checkpoints = {*archive::makeCheckpoint(store.checks(), *archive::CheckpointKey::open(dir.filePath("theirs.key"), &error), &error)};
        if (attack == "another archive's checkpoint") {
            RecordStore other;
            const auto otherConfig = m_archives.fresh(postgres, dir, "other.db");
            QVERIFY(otherConfig && other.open(*otherConfig, &error));
            anchors.checkpoints = {*archive::makeCheckpoint(other.checks(), *key, &error)};
        }
        if (attack == "a checkpoint's time moved")
            anchors.checkpoints[0].at = anchors.checkpoints[0].at.addSecs(-3600);
        const auto v = archive::verifyAgainst(store.checks(), anchors, &error);
        QVERIFY2(v, qPrintable(error));
        for (const QString &part : found)
            QVERIFY2(v->text().contains(part), qPrintable(v->text()));
        // Past its days, a backup holding rows the archive no longer has is kept; another goes.
        if (!backup || attack.contains("anew"))
            return;
        config->backupDir = dir.filePath("backups");
        const QString expired = config->backupDir + (postgres ? "/archive-2000-01-01.dump" : "/archive-2000-01-01.db");
        QVERIFY(QDir().mkpath(config->backupDir) && QFile::copy(anchors.backups[0], expired));
        const archive::BackupOutcome b = archive::makeBackup(store, *config, QDate(2026, 12, 8));
        QCOMPARE(std::pair(int(b.removed.size()), int(b.held.size())), v->ok ? std::pair(1, 0) : std::pair(0, 1));
    }
};

QTEST_GUILESS_MAIN(TestAnchors)
#include "test_anchors.moc"
