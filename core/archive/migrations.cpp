#include "core/archive/migrations.h"
#include "core/archive/chain.h"
#include "core/archive/sqlstatements.h"
#include <QCoreApplication>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

namespace archive::migration {

namespace {
using sql::execAll;

// Version 1 did not record the port a record was read from.
bool addPort(QSqlDatabase &db, bool, QString *error)
{
    return sql::exec(db, QStringLiteral("ALTER TABLE records ADD COLUMN port TEXT NOT NULL DEFAULT ''"), error);
}

// Version 2 did not keep the positions a download left unread.
bool addMissingPositions(QSqlDatabase &db, bool, QString *error)
{
    return sql::exec(db, QStringLiteral("CREATE TABLE IF NOT EXISTS missing_positions ("
                                        " recorder TEXT NOT NULL, position INTEGER NOT NULL, PRIMARY KEY (recorder, position))"),
                     error);
}

QString watchersTable(bool postgres)
{
    return QStringLiteral("CREATE TABLE IF NOT EXISTS watchers (host TEXT NOT NULL PRIMARY KEY, beat %1 NOT NULL,"
                          " lines TEXT NOT NULL)").arg(postgres ? QStringLiteral("TIMESTAMPTZ") : QStringLiteral("TEXT"));
}

// Version 3 had no watcher.
bool addWatchTables(QSqlDatabase &db, bool postgres, QString *error)
{
    const QString time = postgres ? QStringLiteral("TIMESTAMPTZ") : QStringLiteral("TEXT");
    const QString number = postgres ? QStringLiteral("DOUBLE PRECISION") : QStringLiteral("REAL");
    const QString seq = postgres ? QStringLiteral("BIGSERIAL PRIMARY KEY") : QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT");
    return execAll(db, {QStringLiteral("CREATE TABLE IF NOT EXISTS readings (recorder TEXT NOT NULL, address INTEGER NOT NULL,"
                                       " sensor INTEGER NOT NULL, taken %1 NOT NULL, value %2, PRIMARY KEY (recorder, sensor, taken))")
                            .arg(time, number),
                        QStringLiteral("CREATE TABLE IF NOT EXISTS alarms (seq %1, alarm_id BIGINT NOT NULL, event TEXT NOT NULL,"
                                       " kind TEXT NOT NULL, recorder TEXT NOT NULL, address INTEGER NOT NULL, sensor INTEGER NOT NULL,"
                                       " value %2, limit_value %2, happened %3 NOT NULL, by_name TEXT NOT NULL, note TEXT NOT NULL)")
                            .arg(seq, number, time),
                        QStringLiteral("CREATE INDEX IF NOT EXISTS alarms_by_id ON alarms (alarm_id)"), watchersTable(postgres)},
                   error);
}

// The rows of one table already kept start their chains in the order they came: each gets its seq
// (kept where the table had one) and hash.
struct Adoption {
    const char *table, *select, *update;
    bool keepsSeq;
};

bool adopt(QSqlDatabase &db, chain::Writer &w, const Adoption &a, QString *error)
{
    const chain::Table &t = chain::table(a.table);
    // Not forward-only: PostgreSQL would drop the rows not yet fetched at the Writer's first query.
    QSqlQuery q(db);
    if (!q.exec(QLatin1String(a.select))) {
        *error = sql::describe(db, QCoreApplication::translate("archive", "存档没有升级"), q.lastError());
        return false;
    }
    QList<QVariantList> updates;
    const QString table = QLatin1String(a.table);
    while (q.next()) {
        QVariantList values;
        for (int i = a.keepsSeq ? 1 : 0; i < q.record().count(); ++i)
            values << q.value(i);
        const auto seqHash = w.adopt(t, a.keepsSeq ? std::optional(q.value(0).toLongLong()) : std::nullopt, values, error);
        if (!seqHash)
            return false;
        QVariantList update{seqHash->first, seqHash->second};
        if (table == QLatin1String("records"))
            update << values[0] << values[2] << values[4] << values[3];
        else if (table == QLatin1String("readings"))
            update << values[0] << values[2] << values[3];
        else
            update << seqHash->first;
        updates.append(update);
    }
    // Each update names one row by its key; one that finds none would leave a row outside its chain.
    QSqlQuery u(db);
    bool ok = u.prepare(QLatin1String(a.update));
    for (qsizetype i = 0; ok && i < updates.size(); ++i) {
        for (const QVariant &v : updates[i])
            u.addBindValue(v);
        ok = u.exec() && u.numRowsAffected() == 1;
    }
    if (!ok)
        *error = sql::describe(db, QCoreApplication::translate("archive", "存档没有升级：%1 的一行找不到了").arg(table), u.lastError());
    return ok;
}

// Version 4 had no audit trail, no chains and no append-only triggers. (The first archives of version
// 4 had no watchers table either.)
bool addChains(QSqlDatabase &db, bool postgres, QString *error)
{
    const QString time = postgres ? QStringLiteral("TIMESTAMPTZ") : QStringLiteral("TEXT");
    const QStringList tables{
        watchersTable(postgres),
        QStringLiteral("CREATE TABLE audit (seq BIGINT PRIMARY KEY, at %1 NOT NULL, os_user TEXT NOT NULL,"
                       " program TEXT NOT NULL, recorder TEXT, kind TEXT NOT NULL, old_value TEXT NOT NULL,"
                       " new_value TEXT NOT NULL, hash TEXT NOT NULL)").arg(time),
        QStringLiteral("CREATE INDEX audit_by_kind ON audit (kind)"),
        QStringLiteral("CREATE TABLE chain_tips (tbl TEXT NOT NULL, recorder TEXT NOT NULL, last_seq BIGINT NOT NULL,"
                       " rows BIGINT NOT NULL, hash TEXT NOT NULL, PRIMARY KEY (tbl, recorder))"),
        QStringLiteral("ALTER TABLE records ADD COLUMN seq BIGINT"),
        QStringLiteral("ALTER TABLE records ADD COLUMN hash TEXT"),
        QStringLiteral("ALTER TABLE readings ADD COLUMN seq BIGINT"),
        QStringLiteral("ALTER TABLE readings ADD COLUMN hash TEXT"),
        QStringLiteral("ALTER TABLE alarms ADD COLUMN hash TEXT"),
        QStringLiteral("CREATE INDEX records_by_seq ON records (seq)"),
        QStringLiteral("CREATE INDEX records_chain ON records (recorder, seq)"),
        QStringLiteral("CREATE INDEX readings_by_seq ON readings (seq)"),
        QStringLiteral("CREATE INDEX readings_chain ON readings (recorder, seq)"),
        QStringLiteral("CREATE INDEX alarms_chain ON alarms (recorder, seq)")};
    const Adoption adoptions[] = {
        {"records", "SELECT recorder, address, taken, occurrence, words, interval_s, read_at, port FROM records"
                    " ORDER BY read_at, recorder, taken, occurrence, words",
         "UPDATE records SET seq = ?, hash = ? WHERE recorder = ? AND taken = ? AND words = ? AND occurrence = ?", false},
        {"readings", "SELECT recorder, address, sensor, taken, value FROM readings ORDER BY taken, recorder, sensor",
         "UPDATE readings SET seq = ?, hash = ? WHERE recorder = ? AND sensor = ? AND taken = ?", false},
        {"alarms", "SELECT seq, alarm_id, event, kind, recorder, address, sensor, value, limit_value, happened, by_name, note"
                   " FROM alarms ORDER BY seq",
         "UPDATE alarms SET seq = ?, hash = ? WHERE seq = ?", true},
    };
    if (!execAll(db, tables, error))
        return false;
    chain::Writer w(db);
    for (const Adoption &a : adoptions)
        if (!adopt(db, w, a, error))
            return false;
    return w.finish(error) && execAll(db, chain::triggerStatements(postgres, chain::appendOnlyTables(true)), error);
}

// Version 5 kept no notification: one not yet delivered was lost with the watcher.
bool addOutbox(QSqlDatabase &db, bool postgres, QString *error)
{
    const QString time = postgres ? QStringLiteral("TIMESTAMPTZ") : QStringLiteral("TEXT");
    return execAll(db, {QStringLiteral("CREATE TABLE IF NOT EXISTS outbox (seq %1, alarm_id BIGINT NOT NULL, event TEXT NOT NULL,"
                                       " happened %2 NOT NULL, channel TEXT NOT NULL, payload %3 NOT NULL, queued %2 NOT NULL,"
                                       " attempts INTEGER NOT NULL, due %2 NOT NULL, state TEXT NOT NULL, outcome TEXT NOT NULL,"
                                       " settled %2)")
                            .arg(postgres ? QStringLiteral("BIGSERIAL PRIMARY KEY") : QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT"),
                                 time, postgres ? QStringLiteral("BYTEA") : QStringLiteral("BLOB")),
                        QStringLiteral("CREATE INDEX IF NOT EXISTS outbox_waiting ON outbox (state, seq)"),
                        QStringLiteral("CREATE INDEX IF NOT EXISTS outbox_by_alarm ON outbox (alarm_id)")},
                   error);
}
// Version 6 did not say who each notification was for.
bool addRecipients(QSqlDatabase &db, bool, QString *error)
{
    return execAll(db, {QStringLiteral("ALTER TABLE outbox ADD COLUMN recipients TEXT NOT NULL DEFAULT ''")}, error);
}
// Version 7 could not follow an SMS gammu-smsd already held: a restart handed it over again.
bool addHandle(QSqlDatabase &db, bool, QString *error)
{
    return execAll(db, {QStringLiteral("ALTER TABLE outbox ADD COLUMN handle TEXT NOT NULL DEFAULT ''")}, error);
}
// Version 8 had no name for itself: a checkpoint could not tell it from another archive. On SQLite,
// INSERT OR REPLACE could change a chained row without a trigger seeing it.
bool addIdentity(QSqlDatabase &db, bool postgres, QString *error)
{
    return execAll(db, QStringList{QStringLiteral("CREATE TABLE IF NOT EXISTS archive_identity (id TEXT NOT NULL PRIMARY KEY, created %1 NOT NULL)")
                                       .arg(postgres ? QStringLiteral("TIMESTAMPTZ") : QStringLiteral("TEXT"))}
                           + chain::triggerStatements(postgres, postgres ? QStringList{QStringLiteral("archive_identity")} : chain::appendOnlyTables()),
                   error);
}
// Version 9: on PostgreSQL, a role that might append could write any hash and tip it liked. Now it
// appends through the owner's functions (nothing changes on SQLite).
bool addAppendFunctions(QSqlDatabase &db, bool postgres, QString *error)
{
    return !postgres || chain::installAppendFunctions(db, error);
}
} // namespace

const QList<Step> &steps()
{
    static const QList<Step> all{
        {1, "the port a record was read from", addPort},
        {2, "the positions a download left unread", addMissingPositions},
        {3, "the watcher's readings, alarms and beats", addWatchTables},
        {4, "the audit trail, the hash chains and the append-only triggers", addChains},
        {5, "the notifications' outbox", addOutbox},
        {6, "who each notification was for", addRecipients},
        {7, "an SMS's name at gammu-smsd", addHandle},
        {8, "the archive's identity", addIdentity},
        {9, "on a server, appending through the owner's functions", addAppendFunctions},
    };
    return all;
}

bool upgrade(QSqlDatabase &db, bool postgres, int version, QString *error)
{
    for (const Step &s : steps())
        if (s.from >= version && !s.run(db, postgres, error))
            return false;
    return true;
}

} // namespace archive::migration
