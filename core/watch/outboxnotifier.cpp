#include "core/watch/outboxnotifier.h"
#include "core/archive/recordstore.h"
#include <QCoreApplication>
#include <QSet>
#include <algorithm>

namespace watch {

OutboxNotifier::OutboxNotifier(Notifier &notifier, archive::RecordStore &store, Log log, QObject *parent)
    : QObject(parent), m_notifier(notifier), m_store(store), m_log(std::move(log)),
      m_escalation(notifier.settings().effectiveLevels(), notifier.settings().escalateAfterMin)
{
    connect(&m_notifier, &Notifier::attempted, this, &OutboxNotifier::onAttempt);
}

int OutboxNotifier::tell(const Transition &t, const QString &name, const QString &unit)
{
    const NotifyLevel who = m_escalation.audience(t);
    return keep(t, m_notifier.prepare(t, name, unit, who, t.event == AlarmEvent::Raised ? t.time : m_escalation.raisedAt(t.id)));
}

void OutboxNotifier::escalate(const QList<Transition> &active, const QDateTime &nowUtc, const Names &names)
{
    for (const Escalation::Due &due : m_escalation.due(active, nowUtc)) {
        const auto [name, unit] = names(due.raise);
        if (m_log)
            m_log(QCoreApplication::translate("notify", "报警 %1 %2 分钟无人确认，通知第 %3 级").arg(due.raise.id)
                      .arg(due.raise.time.secsTo(nowUtc) / 60).arg(due.level));
        keep(due.raise, m_notifier.prepare(due.raise, name, unit, due.newly, due.raise.time));
    }
}

bool OutboxNotifier::restoreLevels(const QList<Transition> &raises, QString *error)
{
    for (const Transition &raise : raises) {
        const auto entries = m_store.outbox().ofAlarm(raise.id, error);
        if (!entries)
            return false;
        QSet<QString> told;
        for (const archive::OutboxEntry &e : *entries)
            if (e.event == eventWord(AlarmEvent::Raised))
                told.insert(e.channel + QLatin1Char(' ') + e.recipients);
        int level = 1;
        for (int l = m_escalation.levels(); l > 1 && level == 1; --l) {
            const QList<Notifier::Outgoing> sent = m_notifier.prepare(raise, {}, {}, m_escalation.added(l));
            if (!sent.isEmpty() && std::all_of(sent.begin(), sent.end(), [&](const Notifier::Outgoing &o) {
                    return told.contains(o.channel + QLatin1Char(' ') + o.to);
                }))
                level = l;
        }
        m_escalation.restore(raise, level);
    }
    return true;
}

int OutboxNotifier::keep(const Transition &t, const QList<Notifier::Outgoing> &outgoing)
{
    QList<Notifier::Outgoing> mine = outgoing;
    if (t.kind == AlarmKind::NotifyFailed)
        mine.removeIf([&](const Notifier::Outgoing &o) { return o.channel == t.recorder; });
    return keep(t.id, eventWord(t.event), t.time, mine);
}

QStringList OutboxNotifier::tellCheckpoint(const QString &line, const QString &shortHash, const QDateTime &at)
{
    const QList<Notifier::Outgoing> outgoing = m_notifier.prepareCheckpoint(line, shortHash, at);
    keep(0, QStringLiteral("checkpoint"), at, outgoing);
    QStringList where;
    for (const Notifier::Outgoing &o : outgoing)
        where << o.channel + QLatin1Char(' ') + o.to;
    return where;
}

int OutboxNotifier::keep(qint64 id, const QString &event, const QDateTime &happened, const QList<Notifier::Outgoing> &outgoing)
{
    const QDateTime now = QDateTime::currentDateTimeUtc();
    int queued = 0;
    for (Notifier::Outgoing o : outgoing) {
        archive::OutboxEntry e;
        e.alarmId = id;
        e.event = event;
        e.happened = happened;
        e.channel = o.channel;
        e.recipients = o.to;
        e.payload = o.payload;
        e.queued = e.due = now;
        QString error;
        if (const auto seq = m_store.outbox().append(e, &error))
            o.seq = *seq;
        else if (m_log)
            m_log(QCoreApplication::translate("notify", "通知 %1 报警 %2 没有存进存档，程序退出前送不到就会丢失：%3").arg(o.channel).arg(id).arg(error));
        m_notifier.queue(o);
        ++queued;
    }
    return queued;
}

std::optional<int> OutboxNotifier::resume(QString *error)
{
    const auto waiting = m_store.outbox().waiting(error);
    if (!waiting)
        return std::nullopt;
    const QDateTime now = QDateTime::currentDateTimeUtc();
    for (const archive::OutboxEntry &e : *waiting)
        m_notifier.queue({e.seq, e.alarmId, e.channel, e.recipients, e.payload, e.attempts, now.msecsTo(e.due), e.queued.msecsTo(now),
                          e.handle});
    return int(waiting->size());
}

std::optional<QList<Transition>> OutboxNotifier::untold(const QList<Transition> &steps, QString *error) const
{
    if (steps.isEmpty())
        return steps;
    QDateTime since = steps.first().time;
    for (const Transition &t : steps)
        since = std::min(since, t.time);
    const auto told = m_store.outbox().stepsTold(since, error);
    if (!told)
        return std::nullopt;
    QList<Transition> out;
    for (const Transition &t : steps)
        if (!told->contains(archive::Outbox::stepKey(t.id, eventWord(t.event), t.time)))
            out.append(t);
    return out;
}

// Written after every attempt; a row the archive cannot update is tried again from its last state at
// the next start (sent once more rather than lost).
void OutboxNotifier::onAttempt(const Notifier::Attempt &a)
{
    if (a.settled)  // delivered, or given up: no attempt follows
        emit settled(a.channel, a.alarmId, a.delivered, a.detail);
    if (a.seq == 0)
        return;
    const QDateTime now = QDateTime::currentDateTimeUtc();
    archive::OutboxEntry e;
    e.seq = a.seq;
    e.attempts = a.attempts;
    e.due = now.addMSecs(a.retryInMs);
    e.state = !a.settled ? archive::OutboxEntry::State::Waiting
            : a.delivered ? archive::OutboxEntry::State::Delivered : archive::OutboxEntry::State::GivenUp;
    e.outcome = a.detail;
    e.handle = a.handle;
    if (a.settled)
        e.settled = now;
    QString error;
    if (!m_store.outbox().update(e, &error) && m_log)
        m_log(QCoreApplication::translate("notify", "通知 %1 报警 %2 的结果没有存进存档：%3").arg(a.channel).arg(a.alarmId).arg(error));
}

} // namespace watch
