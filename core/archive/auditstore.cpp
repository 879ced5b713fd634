#include "core/archive/chain.h"
#include "core/archive/recordstore.h"
#include "core/archive/sqlstatements.h"
#include <QCoreApplication>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>
#include <limits>
#include <pwd.h>
#include <unistd.h>

// The audit trail, the chains' start in an older archive, and the renamings every read goes through.
namespace archive {

namespace {
QString osUser()
{
    if (const passwd *pw = ::getpwuid(::geteuid()))
        return QString::fromLocal8Bit(pw->pw_name);
    return qEnvironmentVariable("USER", QStringLiteral("uid %1").arg(::geteuid()));
}

QDateTime timeOf(const QVariant &v)
{
    const QDateTime t = v.typeId() == QMetaType::QDateTime ? v.toDateTime() : QDateTime::fromString(v.toString(), Qt::ISODate);
    return t.toUTC();
}

// The tables of version 5; the columns the chains add to older tables are added in startChains.
QStringList chainTables(bool postgres)
{
    const QString time = postgres ? QStringLiteral("TIMESTAMPTZ") : QStringLiteral("TEXT");
    return {QStringLiteral("CREATE TABLE audit (seq BIGINT PRIMARY KEY, at %1 NOT NULL, os_user TEXT NOT NULL,"
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
}

struct Renaming {
    qint64 seq;
    QString from, to;
};

// The name a row stored under raw shows, when it came before all renamings from the first-th on.
QString shown(const QList<Renaming> &renamings, qsizetype first, QString raw)
{
    for (qsizetype i = first; i < renamings.size(); ++i)
        if (raw == renamings[i].from)
            raw = renamings[i].to;
    return raw;
}

std::optional<QList<Renaming>> renamings(QSqlDatabase db, QString *error)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT seq, old_value, new_value FROM audit WHERE kind = ? ORDER BY seq"));
    q.addBindValue(QString::fromLatin1(kinds::RenameRecords));
    if (!q.exec()) {
        *error = sql::describe(db, QCoreApplication::translate("archive", "读不出存档"), q.lastError());
        return std::nullopt;
    }
    QList<Renaming> list;
    while (q.next())
        list.append({q.value(0).toLongLong(), q.value(1).toString(), q.value(2).toString()});
    return list;
}

constexpr qint64 Before = -1, After = std::numeric_limits<qint64>::max();
} // namespace

QString programWord(Program p)
{
    switch (p) {
    case Program::Window: return QStringLiteral("window");
    case Program::Collector: return QStringLiteral("collector");
    case Program::Watcher: return QStringLiteral("watcher");
    }
    return {};
}

QVariantList RecordStore::auditValues(const AuditEntry &e) const
{
    return {QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzzZ")), osUser(),
            programWord(m_program), e.recorder.isEmpty() ? QVariant(QMetaType::fromType<QString>()) : QVariant(e.recorder),
            e.kind, e.oldValue, e.newValue};
}

bool RecordStore::startChains(int fromVersion, QString *error)
{
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    const bool postgres = db.driverName() != QLatin1String("QSQLITE");
    for (const QString &s : chainTables(postgres))
        if (!sql::exec(db, s, error))
            return false;
    // The rows already kept start their chains in the order they came: each gets its seq and hash.
    chain::Writer w(db);
    struct Adoption {
        const char *table, *select, *update;
        bool keepsSeq;
    };
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
    for (const Adoption &a : adoptions) {
        const chain::Table &t = chain::table(a.table);
        // Not forward-only: PostgreSQL would drop the rows not yet fetched at the Writer's first query.
        QSqlQuery q(db);
        if (!q.exec(QLatin1String(a.select))) {
            *error = sql::describe(db, QCoreApplication::translate("archive", "存档没有升级"), q.lastError());
            return false;
        }
        QList<QVariantList> updates;
        while (q.next()) {
            QVariantList values;
            for (int i = a.keepsSeq ? 1 : 0; i < q.record().count(); ++i)
                values << q.value(i);
            const auto seqHash = w.adopt(t, a.keepsSeq ? std::optional(q.value(0).toLongLong()) : std::nullopt, values, error);
            if (!seqHash)
                return false;
            QVariantList update{seqHash->first, seqHash->second};
            const QString table = QLatin1String(a.table);
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
        if (!ok) {
            *error = sql::describe(db, QCoreApplication::translate("archive", "存档没有升级：%1 的一行找不到了").arg(QLatin1String(a.table)), u.lastError());
            return false;
        }
    }
    const AuditEntry start{{}, QLatin1String(fromVersion == 0 ? kinds::Created : kinds::Upgrade),
                           fromVersion == 0 ? QString() : QString::number(fromVersion), QString::number(SchemaVersion)};
    if (!w.append(chain::table("audit"), auditValues(start), error) || !w.finish(error))
        return false;
    for (const QString &s : chain::triggerStatements(postgres))
        if (!sql::exec(db, s, error))
            return false;
    return true;
}

bool RecordStore::audit(const AuditEntry &entry, QString *error)
{
    if (!isOpen()) {
        *error = QCoreApplication::translate("archive", "存档没有打开");
        return false;
    }
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    const QString failed = QCoreApplication::translate("archive", "审计记录没有写进存档");
    if (!begin(error, failed))
        return false;
    chain::Writer w(db);
    if (!w.append(chain::table("audit"), auditValues(entry), error) || !w.finish(error)) {
        db.rollback();
        return false;
    }
    return commit(error, failed);
}

std::optional<QList<AuditRow>> RecordStore::auditTrail(QString *error, const QString &kind) const
{
    if (!isOpen()) {
        *error = QCoreApplication::translate("archive", "存档没有打开");
        return std::nullopt;
    }
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    QSqlQuery q(db);
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT seq, at, os_user, program, recorder, kind, old_value, new_value FROM audit%1 ORDER BY seq")
                  .arg(kind.isEmpty() ? QString() : QStringLiteral(" WHERE kind = ?")));
    if (!kind.isEmpty())
        q.addBindValue(kind);
    if (!q.exec()) {
        *error = sql::describe(db, QCoreApplication::translate("archive", "读不出存档"), q.lastError());
        return std::nullopt;
    }
    QList<AuditRow> rows;
    while (q.next())
        rows.append({q.value(0).toLongLong(), timeOf(q.value(1)), q.value(2).toString(), q.value(3).toString(),
                     q.value(4).toString(), q.value(5).toString(), q.value(6).toString(), q.value(7).toString()});
    return rows;
}

std::optional<bool> RecordStore::auditChange(const QString &kind, const QString &line, QString *error)
{
    const auto earlier = auditTrail(error, kind);
    if (!earlier)
        return std::nullopt;
    const QString last = earlier->isEmpty() ? QString() : earlier->last().newValue;
    if (last == line)
        return false;
    if (!audit({{}, kind, last, line}, error))
        return std::nullopt;
    return true;
}

std::optional<chain::Verdict> RecordStore::verify(QString *error) const
{
    if (!isOpen()) {
        *error = QCoreApplication::translate("archive", "存档没有打开");
        return std::nullopt;
    }
    return chain::verify(QSqlDatabase::database(m_connection, false), error);
}

bool RecordStore::copyInto(const QString &file, QString *error) const
{
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    if (!isOpen() || db.driverName() != QLatin1String("QSQLITE")) {
        *error = QCoreApplication::translate("archive", "存档没有打开");
        return false;
    }
    QSqlQuery q(db);
    if (!q.prepare(QStringLiteral("VACUUM INTO ?")) || (q.addBindValue(file), !q.exec())) {
        *error = sql::describe(db, QCoreApplication::translate("archive", "存档没有复制"), q.lastError());
        return false;
    }
    return true;
}

std::optional<RecordStore::Scope> RecordStore::scopeOf(const QString &name, QString *error) const
{
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    const auto list = renamings(db, error);
    if (!list)
        return std::nullopt;
    QSet<QString> names{name};
    for (const Renaming &r : *list)
        names << r.from << r.to;
    Scope s;
    QStringList parts;
    // Between two renamings (and before the first, after the last) a stored name shows one name.
    for (const QString &raw : names) {
        for (qsizetype j = 0; j <= list->size(); ++j) {
            if (shown(*list, j, raw) != name)
                continue;
            parts << QStringLiteral("(recorder = ? AND seq > ? AND seq < ?)");
            s.values << raw << (j == 0 ? Before : (*list)[j - 1].seq) << (j == list->size() ? After : (*list)[j].seq);
        }
    }
    s.plain = list->isEmpty();
    if (s.plain) {
        s.where = QStringLiteral("recorder = ?");
        s.values = {name};
    } else {
        s.where = parts.isEmpty() ? QStringLiteral("1 = 0") : QStringLiteral("(%1)").arg(parts.join(QStringLiteral(" OR ")));
    }
    return s;
}

std::optional<QStringList> RecordStore::shownNames(QString *error) const
{
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    const auto list = renamings(db, error);
    if (!list)
        return std::nullopt;
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("SELECT DISTINCT recorder FROM records ORDER BY recorder"))) {
        *error = sql::describe(db, QCoreApplication::translate("archive", "读不出存档"), q.lastError());
        return std::nullopt;
    }
    QStringList stored;
    while (q.next())
        stored << q.value(0).toString();
    QSet<QString> renamed;
    for (const Renaming &r : *list)
        renamed << r.from << r.to;
    QSet<QString> shownSet;
    QSqlQuery any(db);
    any.prepare(QStringLiteral("SELECT 1 FROM records WHERE recorder = ? AND seq > ? AND seq < ? LIMIT 1"));
    for (const QString &raw : stored) {
        if (!renamed.contains(raw)) {
            shownSet << raw;
            continue;
        }
        for (qsizetype j = 0; j <= list->size(); ++j) {
            any.addBindValue(raw);
            any.addBindValue(j == 0 ? Before : (*list)[j - 1].seq);
            any.addBindValue(j == list->size() ? After : (*list)[j].seq);
            if (!any.exec()) {
                *error = sql::describe(db, QCoreApplication::translate("archive", "读不出存档"), any.lastError());
                return std::nullopt;
            }
            if (any.next())
                shownSet << shown(*list, j, raw);
        }
    }
    QStringList names(shownSet.begin(), shownSet.end());
    std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) { return a.toUtf8() < b.toUtf8(); });
    return names;
}

} // namespace archive
