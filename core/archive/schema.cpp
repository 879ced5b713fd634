#include "core/archive/schema.h"

namespace archive::schema {

namespace {
using K = Kind;

// Columns most tables share. Text and integers read the same on both databases; a time the watcher
// writes is a timestamp on PostgreSQL and ISO text on SQLite.
Column text(const char *name, bool notNull = true) { return {name, K::Text, "TEXT", "TEXT", notNull, true}; }
Column integer(const char *name) { return {name, K::Int, "INTEGER", "INTEGER", true, true}; }
Column instant(const char *name) { return {name, K::Time, "TEXT", "TIMESTAMPTZ", true, true}; }
Column number(const char *name) { return {name, K::Real, "REAL", "DOUBLE PRECISION", false, true}; }
// The chain's columns, added to the tables of version 4 by ALTER TABLE: so they may hold NULL.
Column seq() { return {"seq", K::Int, "BIGINT", "BIGINT", false, true}; }
Column hash() { return {"hash", K::Text, "TEXT", "TEXT", false, false}; }
Column plain(Column c)
{
    c.hashed = false;
    return c;
}

QString definition(const Column &c, bool postgres)
{
    return QStringLiteral("%1 %2%3").arg(QLatin1String(c.name), QLatin1String(postgres ? c.postgres : c.sqlite),
                                         c.notNull ? QStringLiteral(" NOT NULL") : QString());
}
} // namespace

const QList<Table> &tables()
{
    // The key of records holds no nullable column: a NULL never equals another, so a row holding one
    // would be stored again at every download.
    static const QList<Table> all{
        {"schema_version", {plain(integer("version"))}, {}, {}},
        {"records",
         {text("recorder"), integer("address"), text("taken"), integer("occurrence"),
          {"words", K::Blob, "BLOB", "BYTEA", true, true}, integer("interval_s"), text("read_at"), text("port"), seq(), hash()},
         {"recorder", "taken", "words", "occurrence"},
         {{"records_by_seq", "seq"}, {"records_chain", "recorder, seq"}},
         false, Table::PerRecorder, {"taken", "occurrence"}},
        {"missing_positions", {plain(text("recorder")), plain(integer("position"))}, {"recorder", "position"}, {}},
        // The watcher's tables: a reading a number (NULL for none) at a time, so SQL tools and
        // dashboards use them as they are.
        {"readings",
         {text("recorder"), integer("address"), integer("sensor"), instant("taken"), number("value"), seq(), hash()},
         {"recorder", "sensor", "taken"},
         {{"readings_by_seq", "seq"}, {"readings_chain", "recorder, seq"}},
         false, Table::PerRecorder, {"sensor", "taken"}},
        {"alarms",
         {{"seq", K::Int, "INTEGER", "BIGSERIAL", false, true}, {"alarm_id", K::Int, "BIGINT", "BIGINT", true, true},
          text("event"), text("kind"), text("recorder"), integer("address"), integer("sensor"), number("value"),
          number("limit_value"), instant("happened"), text("by_name"), text("note"), hash()},
         {"seq"},
         {{"alarms_by_id", "alarm_id"}, {"alarms_chain", "recorder, seq"}},
         true, Table::PerRecorder, {"alarm_id", "event"}},
        // Each watching host's last poll: the window says from it whether a watcher runs.
        {"watchers", {plain(text("host")), plain(instant("beat")), plain(text("lines"))}, {"host"}, {}},
        // Every notification of an alarm step, a row a channel, kept before it is first tried and
        // settled once the channel took it or it was given up (outbox.h).
        {"outbox",
         {{"seq", K::Int, "INTEGER", "BIGSERIAL", false, false}, {"alarm_id", K::Int, "BIGINT", "BIGINT", true, false},
          plain(text("event")), plain(instant("happened")), plain(text("channel")), {"payload", K::Blob, "BLOB", "BYTEA", true, false},
          plain(instant("queued")), plain(integer("attempts")), plain(instant("due")), plain(text("state")), plain(text("outcome")),
          {"settled", K::Time, "TEXT", "TIMESTAMPTZ", false, false}, plain(text("recipients")), plain(text("handle"))},
         {"seq"},
         {{"outbox_waiting", "state, seq"}, {"outbox_by_alarm", "alarm_id"}},
         true},
        {"audit",
         {seq(), instant("at"), text("os_user"), text("program"), text("recorder", false), text("kind"), text("old_value"),
          text("new_value"), {"hash", K::Text, "TEXT", "TEXT", true, false}},
         {"seq"},
         {{"audit_by_kind", "kind"}},
         false, Table::Whole, {"kind"}},
        // The archive's name for itself, made once with it: a checkpoint says which archive it is of.
        {"archive_identity", {plain(text("id")), plain(instant("created"))}, {"id"}, {}},
        // What each chain's last row is, so a removed last row is found as well as a removed middle one.
        {"chain_tips",
         {plain(text("tbl")), plain(text("recorder")), {"last_seq", K::Int, "BIGINT", "BIGINT", true, false},
          {"rows", K::Int, "BIGINT", "BIGINT", true, false}, plain(text("hash"))},
         {"tbl", "recorder"}, {}},
    };
    return all;
}

const Table &table(const char *name)
{
    for (const Table &t : tables())
        if (qstrcmp(t.name, name) == 0)
            return t;
    Q_UNREACHABLE();
}

QStringList createStatements(const Table &t, bool postgres)
{
    QStringList columns;
    for (const Column &c : t.columns) {
        QString d = definition(c, postgres);
        if (t.primaryKey == QStringList{QLatin1String(c.name)})
            d += t.serialKey && !postgres ? QStringLiteral(" PRIMARY KEY AUTOINCREMENT") : QStringLiteral(" PRIMARY KEY");
        columns << d;
    }
    if (t.primaryKey.size() > 1)
        columns << QStringLiteral("PRIMARY KEY (%1)").arg(t.primaryKey.join(QStringLiteral(", ")));
    QStringList s{QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (%2)").arg(QLatin1String(t.name), columns.join(QStringLiteral(", ")))};
    for (const Index &i : t.indexes)
        s << QStringLiteral("CREATE INDEX IF NOT EXISTS %1 ON %2 (%3)").arg(QLatin1String(i.name), QLatin1String(t.name),
                                                                           QLatin1String(i.columns));
    return s;
}

} // namespace archive::schema
