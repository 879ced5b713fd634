#include "core/archive/alarms.h"
#include "core/archive/audit.h"
#include "core/archive/chain.h"
#include "core/archive/sqlstatements.h"
#include <QCoreApplication>
#include <QSqlQuery>
#include <QVariant>
#include <cmath>

namespace archive {

namespace {
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

QString cannotRead() { return QCoreApplication::translate("archive", "读不出存档的报警"); }

// A row of alarm_id, event, kind, recorder, address, sensor, value, limit_value, happened, by_name,
// note; nothing for a word a newer program wrote.
std::optional<watch::Transition> stepOf(const QSqlQuery &q)
{
    const auto event = watch::eventFromWord(q.value(1).toString());
    const auto kind = watch::kindFromWord(q.value(2).toString());
    if (!event || !kind)
        return std::nullopt;
    watch::Transition t;
    t.id = q.value(0).toLongLong();
    t.event = *event;
    t.kind = *kind;
    t.recorder = q.value(3).toString();
    t.address = uint8_t(q.value(4).toInt());
    t.sensor = q.value(5).toInt();
    t.value = tenthsOf(q.value(6));
    t.limit = tenthsOf(q.value(7));
    t.time = sql::timeOf(q.value(8));
    t.by = q.value(9).toString();
    t.note = q.value(10).toString();
    return t;
}
} // namespace

bool Alarms::append(const watch::Transition &t, QString *error)
{
    if (!m_c.ready(error))
        return false;
    const QString failed = QCoreApplication::translate("archive", "报警没有存进存档");
    if (!m_c.begin(error, failed))
        return false;
    chain::Writer chain(m_c.db());
    const AuditEntry ack{t.recorder, QLatin1String(kinds::AlarmAck), {},
                         QStringLiteral("#%1 %2%3").arg(t.id).arg(t.by, t.note.isEmpty() ? QString() : "：" + t.note)};
    if (!chain.append(chain::table("alarms"), {t.id, watch::eventWord(t.event), watch::kindWord(t.kind), t.recorder, int(t.address),
                                              t.sensor, number(t.value), number(t.limit), sql::utcText(t.time), t.by, t.note},
                      error)
        || (t.event == watch::AlarmEvent::Acknowledged
            && !chain.append(chain::table("audit"), auditValues(ack, m_c.program()), error))
        || !chain.finish(error)) {
        m_c.rollback();
        return false;
    }
    return m_c.commit(error, failed);
}

std::optional<QList<watch::Transition>> Alarms::steps(AlarmSteps which, const QDateTime &since, QString *error) const
{
    if (!m_c.ready(error))
        return std::nullopt;
    QSqlDatabase db = m_c.db();
    QSqlQuery q(db);
    q.setForwardOnly(true);
    QString select = QStringLiteral("SELECT alarm_id, event, kind, recorder, address, sensor, value, limit_value, happened,"
                                    " by_name, note FROM alarms WHERE happened >= ?");
    if (which == AlarmSteps::OfOpenAlarms)
        select += QStringLiteral(" AND alarm_id NOT IN (SELECT alarm_id FROM alarms WHERE event = 'cleared')");
    q.prepare(select + QStringLiteral(" ORDER BY seq"));
    q.addBindValue(sql::utcText(since.isValid() ? since : QDateTime::fromSecsSinceEpoch(0, Qt::UTC)));
    if (!q.exec()) {
        *error = sql::describe(db, cannotRead(), q.lastError());
        return std::nullopt;
    }
    QList<watch::Transition> steps;
    while (q.next())
        if (const auto t = stepOf(q))
            steps.append(*t);
    return steps;
}

std::optional<qint64> Alarms::lastId(QString *error) const
{
    if (!m_c.ready(error))
        return std::nullopt;
    QSqlDatabase db = m_c.db();
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("SELECT MAX(alarm_id) FROM alarms")) || !q.next()) {
        *error = sql::describe(db, cannotRead(), q.lastError());
        return std::nullopt;
    }
    return q.value(0).toLongLong();
}

} // namespace archive
