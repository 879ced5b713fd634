#include "core/archive/recordstore.h"
#include "core/archive/sqlstatements.h"
#include "core/alarm/alarm.h"
#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

// The watcher's tables: every live reading, and every step of every alarm. Both are only ever
// appended to; times are UTC ("2026-12-08T03:12:00Z"), values numbers in the sensor's unit.
namespace archive {

using sql::describe;

namespace {
QString utcText(const QDateTime &t) { return t.toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ssZ")); }

QVariant number(std::optional<int> tenths)
{
    return tenths ? QVariant(*tenths / 10.0) : QVariant(QMetaType::fromType<double>());
}

std::optional<int> tenthsOf(const QVariant &v)
{
    if (v.isNull())
        return std::nullopt;
    return int(std::lround(v.toDouble() * 10));
}

// A time as the database gives it back: a timestamp (PostgreSQL) or the text it was written as (SQLite).
QDateTime timeOf(const QVariant &v)
{
    const QDateTime t = v.typeId() == QMetaType::QDateTime ? v.toDateTime() : QDateTime::fromString(v.toString(), Qt::ISODate);
    return t.toUTC();
}

QString notOpen() { return QCoreApplication::translate("archive", "存档没有打开"); }
} // namespace

bool RecordStore::storeReadings(const QString &recorder, uint8_t address, const QDateTime &taken,
                                const QVector<std::optional<int>> &tenths, QString *error)
{
    if (!isOpen()) {
        *error = notOpen();
        return false;
    }
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    const QString failed = QCoreApplication::translate("archive", "读数没有存进存档");
    if (!begin(error, failed))
        return false;
    chain::Writer chain(db);
    bool ok = true;
    for (qsizetype k = 0; ok && k < tenths.size(); ++k)
        ok = chain.append(chain::table("readings"), {recorder, int(address), int(k + 1), utcText(taken), number(tenths[k])},
                          error, true).has_value();
    if (!ok || !chain.finish(error)) {
        db.rollback();
        return false;
    }
    return commit(error, failed);
}

bool RecordStore::appendAlarm(const watch::Transition &t, QString *error)
{
    if (!isOpen()) {
        *error = notOpen();
        return false;
    }
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    const QString failed = QCoreApplication::translate("archive", "报警没有存进存档");
    if (!begin(error, failed))
        return false;
    chain::Writer chain(db);
    if (!chain.append(chain::table("alarms"), {t.id, watch::eventWord(t.event), watch::kindWord(t.kind), t.recorder, int(t.address),
                                              t.sensor, number(t.value), number(t.limit), utcText(t.time), t.by, t.note},
                      error)
        || (t.event == watch::AlarmEvent::Acknowledged
            && !chain.append(chain::table("audit"),
                             auditValues({t.recorder, QLatin1String(kinds::AlarmAck), {},
                                          QStringLiteral("#%1 %2%3").arg(t.id).arg(t.by, t.note.isEmpty() ? QString() : "：" + t.note)}),
                             error))
        || !chain.finish(error)) {
        db.rollback();
        return false;
    }
    return commit(error, failed);
}

std::optional<QList<watch::Transition>> RecordStore::alarmSteps(AlarmSteps which, const QDateTime &since,
                                                                QString *error) const
{
    if (!isOpen()) {
        *error = notOpen();
        return std::nullopt;
    }
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    QSqlQuery q(db);
    q.setForwardOnly(true);
    QString select = QStringLiteral("SELECT alarm_id, event, kind, recorder, address, sensor, value, limit_value, happened,"
                                    " by_name, note FROM alarms WHERE happened >= ?");
    if (which == AlarmSteps::OfOpenAlarms)
        select += QStringLiteral(" AND alarm_id NOT IN (SELECT alarm_id FROM alarms WHERE event = 'cleared')");
    q.prepare(select + QStringLiteral(" ORDER BY seq"));
    q.addBindValue(utcText(since.isValid() ? since : QDateTime::fromSecsSinceEpoch(0, Qt::UTC)));
    if (!q.exec()) {
        *error = describe(db, QCoreApplication::translate("archive", "读不出存档的报警"), q.lastError());
        return std::nullopt;
    }
    QList<watch::Transition> steps;
    while (q.next()) {
        watch::Transition t;
        const auto event = watch::eventFromWord(q.value(1).toString());
        const auto kind = watch::kindFromWord(q.value(2).toString());
        if (!event || !kind)
            continue;  // a word a newer program wrote
        t.id = q.value(0).toLongLong();
        t.event = *event;
        t.kind = *kind;
        t.recorder = q.value(3).toString();
        t.address = uint8_t(q.value(4).toInt());
        t.sensor = q.value(5).toInt();
        t.value = tenthsOf(q.value(6));
        t.limit = tenthsOf(q.value(7));
        t.time = timeOf(q.value(8));
        t.by = q.value(9).toString();
        t.note = q.value(10).toString();
        steps.append(t);
    }
    return steps;
}

std::optional<qint64> RecordStore::lastAlarmId(QString *error) const
{
    if (!isOpen()) {
        *error = notOpen();
        return std::nullopt;
    }
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("SELECT MAX(alarm_id) FROM alarms")) || !q.next()) {
        *error = describe(db, QCoreApplication::translate("archive", "读不出存档的报警"), q.lastError());
        return std::nullopt;
    }
    return q.value(0).toLongLong();
}

bool RecordStore::beat(const WatcherBeat &beat, QString *error)
{
    if (!isOpen()) {
        *error = notOpen();
        return false;
    }
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    return sql::execEach(db, QStringLiteral("INSERT INTO watchers (host, beat, lines) VALUES (?, ?, ?) ON CONFLICT (host)"
                                            " DO UPDATE SET beat = excluded.beat, lines = excluded.lines"),
                         {{beat.host, utcText(beat.beat), beat.lines}}, error);
}

void RecordStore::limitCache(int kib)
{
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    if (isOpen() && db.driverName() == QLatin1String("QSQLITE"))
        QSqlQuery(db).exec(QStringLiteral("PRAGMA cache_size = -%1").arg(kib));
}

std::optional<RecordStore::WatcherBeat> RecordStore::lastBeat(QString *error) const
{
    if (!isOpen()) {
        *error = notOpen();
        return std::nullopt;
    }
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("SELECT host, beat, lines FROM watchers ORDER BY beat DESC LIMIT 1"))) {
        *error = describe(db, QCoreApplication::translate("archive", "读不出存档的报警"), q.lastError());
        return std::nullopt;
    }
    if (!q.next())
        return std::nullopt;
    return WatcherBeat{q.value(0).toString(), timeOf(q.value(1)), q.value(2).toString()};
}

} // namespace archive
