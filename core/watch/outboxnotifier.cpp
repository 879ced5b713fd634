#include "core/watch/outboxnotifier.h"
#include "core/archive/recordstore.h"
#include <QCoreApplication>

namespace watch {

OutboxNotifier::OutboxNotifier(Notifier &notifier, archive::RecordStore &store, Log log, QObject *parent)
    : QObject(parent), m_notifier(notifier), m_store(store), m_log(std::move(log))
{
    connect(&m_notifier, &Notifier::attempted, this, &OutboxNotifier::onAttempt);
}

void OutboxNotifier::tell(const Transition &t, const QString &name, const QString &unit)
{
    const QDateTime now = QDateTime::currentDateTimeUtc();
    for (Notifier::Outgoing o : m_notifier.prepare(t, name, unit)) {
        if (t.kind == AlarmKind::NotifyFailed && o.channel == t.recorder)
            continue;
        archive::OutboxEntry e;
        e.alarmId = t.id;
        e.event = eventWord(t.event);
        e.happened = t.time;
        e.channel = o.channel;
        e.recipients = o.to;
        e.payload = o.payload;
        e.queued = e.due = now;
        QString error;
        if (const auto seq = m_store.outbox().append(e, &error))
            o.seq = *seq;
        else if (m_log)
            m_log(QCoreApplication::translate("notify", "通知 %1 报警 %2 没有存进存档，程序退出前送不到就会丢失：%3").arg(o.channel).arg(t.id).arg(error));
        m_notifier.queue(o);
    }
}

std::optional<int> OutboxNotifier::resume(QString *error)
{
    const auto waiting = m_store.outbox().waiting(error);
    if (!waiting)
        return std::nullopt;
    const QDateTime now = QDateTime::currentDateTimeUtc();
    for (const archive::OutboxEntry &e : *waiting)
        m_notifier.queue({e.seq, e.alarmId, e.channel, e.recipients, e.payload, e.attempts, now.msecsTo(e.due), e.queued.msecsTo(now)});
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
    if (a.settled)
        e.settled = now;
    QString error;
    if (!m_store.outbox().update(e, &error) && m_log)
        m_log(QCoreApplication::translate("notify", "通知 %1 报警 %2 的结果没有存进存档：%3").arg(a.channel).arg(a.alarmId).arg(error));
}

} // namespace watch
