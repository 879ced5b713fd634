#include "core/archive/outbox.h"
#include "core/archive/sqlstatements.h"
#include <QCoreApplication>
#include <QSqlQuery>
#include <QVariant>

namespace archive {

namespace {
const char *const StateWords[] = {"waiting", "delivered", "given-up"};

QString stateWord(OutboxEntry::State s) { return QLatin1String(StateWords[int(s)]); }

OutboxEntry::State stateOf(const QString &word)
{
    for (int i = 0; i < 3; ++i)
        if (word == QLatin1String(StateWords[i]))
            return OutboxEntry::State(i);
    return OutboxEntry::State::GivenUp;  // a word of a newer program: nothing this one resumes
}

QVariant timeOrNull(const QDateTime &t) { return t.isValid() ? QVariant(sql::utcText(t)) : QVariant(QMetaType::fromType<QString>()); }

// An empty text, never NULL (a null QString binds as NULL).
QString text(const QString &s) { return s.isNull() ? QStringLiteral("") : s; }

QString unwritten() { return QCoreApplication::translate("archive", "通知没有存进存档"); }
} // namespace

QString Outbox::stepKey(qint64 alarmId, const QString &event, const QDateTime &happened)
{
    return QStringLiteral("%1 %2 %3").arg(alarmId).arg(event, sql::utcText(happened));
}

std::optional<qint64> Outbox::append(const OutboxEntry &e, QString *error)
{
    if (!m_c.ready(error) || !m_c.begin(error, unwritten()))
        return std::nullopt;
    QSqlDatabase db = m_c.db();
    QSqlQuery q(db);
    q.prepare(QStringLiteral("INSERT INTO outbox (alarm_id, event, happened, channel, recipients, payload, queued, attempts, due, state,"
                             " outcome, settled, handle) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    for (const QVariant &v : QVariantList{e.alarmId, text(e.event), sql::utcText(e.happened), text(e.channel), text(e.recipients), e.payload.isNull() ? QByteArray("") : e.payload,
                                          sql::utcText(e.queued), e.attempts, sql::utcText(e.due), stateWord(e.state), text(e.outcome),
                                          timeOrNull(e.settled), text(e.handle)})
        q.addBindValue(v);
    QSqlQuery last(db);
    if (!q.exec() || !last.exec(QStringLiteral("SELECT MAX(seq) FROM outbox")) || !last.next()) {
        *error = sql::describe(db, unwritten(), q.lastError().isValid() ? q.lastError() : last.lastError());
        m_c.rollback();
        return std::nullopt;
    }
    const qint64 seq = last.value(0).toLongLong();
    if (!m_c.commit(error, unwritten()))
        return std::nullopt;
    return seq;
}

bool Outbox::update(const OutboxEntry &e, QString *error)
{
    if (!m_c.ready(error))
        return false;
    QSqlDatabase db = m_c.db();
    return sql::execEach(db, QStringLiteral("UPDATE outbox SET attempts = ?, due = ?, state = ?, outcome = ?, settled = ?, handle = ? WHERE seq = ?"),
                         {{e.attempts, sql::utcText(e.due), stateWord(e.state), text(e.outcome), timeOrNull(e.settled), text(e.handle), e.seq}},
                         error);
}

std::optional<QList<OutboxEntry>> Outbox::select(const QString &where, const QVariantList &values, QString *error) const
{
    if (!m_c.ready(error))
        return std::nullopt;
    QSqlDatabase db = m_c.db();
    QSqlQuery q(db);
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT seq, alarm_id, event, happened, channel, recipients, payload, queued, attempts, due, state, outcome,"
                             " settled, handle FROM outbox WHERE %1 ORDER BY seq").arg(where));
    for (const QVariant &v : values)
        q.addBindValue(v);
    if (!q.exec()) {
        *error = sql::describe(db, QCoreApplication::translate("archive", "读不出存档的通知"), q.lastError());
        return std::nullopt;
    }
    QList<OutboxEntry> entries;
    while (q.next())
        entries.append({q.value(0).toLongLong(), q.value(1).toLongLong(), q.value(2).toString(), sql::timeOf(q.value(3)),
                        q.value(4).toString(), q.value(5).toString(), q.value(6).toByteArray(), sql::timeOf(q.value(7)),
                        q.value(8).toInt(), sql::timeOf(q.value(9)), stateOf(q.value(10).toString()), q.value(11).toString(),
                        q.value(12).isNull() ? QDateTime() : sql::timeOf(q.value(12)), q.value(13).toString()});
    return entries;
}

std::optional<QList<OutboxEntry>> Outbox::waiting(QString *error) const
{
    return select(QStringLiteral("state = ?"), {stateWord(OutboxEntry::State::Waiting)}, error);
}

std::optional<QList<OutboxEntry>> Outbox::ofAlarm(qint64 alarmId, QString *error) const
{
    return select(QStringLiteral("alarm_id = ?"), {alarmId}, error);
}

std::optional<QList<OutboxEntry>> Outbox::since(const QDateTime &since, QString *error) const
{
    return select(QStringLiteral("happened >= ?"), {sql::utcText(since)}, error);
}

std::optional<QSet<QString>> Outbox::stepsTold(const QDateTime &since, QString *error) const
{
    const auto entries = this->since(since, error);
    if (!entries)
        return std::nullopt;
    QSet<QString> keys;
    for (const OutboxEntry &e : *entries)
        keys.insert(stepKey(e.alarmId, e.event, e.happened));
    return keys;
}

} // namespace archive
