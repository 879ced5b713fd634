#pragma once
#include "core/watch/escalation.h"
#include "core/watch/notifier.h"
#include <QObject>
#include <functional>

namespace archive { class RecordStore; }

// The notifier with the archive's outbox (outbox.h) under it: each notification is appended before it
// is first tried, its attempts and next try written after each, settled once the channel took it or it
// was given up. At the next start the waiting ones go out again, in order, after what is left of their
// wait; so a stop, a crash or a kill -9 loses none, and the people are told once the channel is back.
// A "notify-failed" alarm about a channel is not told on that channel. Who hears of each step follows
// notify.set's levels (escalation.h).
namespace watch {

class OutboxNotifier : public QObject {
    Q_OBJECT
public:
    using Log = std::function<void(const QString &)>;
    OutboxNotifier(Notifier &notifier, archive::RecordStore &store, Log log, QObject *parent = nullptr);

    // The step for everyone it goes to: kept, then queued. One the archive cannot keep still goes out,
    // and that is said. How many notifications went out.
    int tell(const Transition &t, const QString &name, const QString &unit);
    // A checkpoint of the archive sent away to be kept, as a notification is: where it went.
    QStringList tellCheckpoint(const QString &line, const QString &shortHash, const QDateTime &at);
    // The raise of every alarm whose next level's time has come, told to that level's new people.
    // active: the rules' active alarms; names: a step's sensor name and unit.
    using Names = std::function<std::pair<QString, QString>(const Transition &)>;
    void escalate(const QList<Transition> &active, const QDateTime &nowUtc, const Names &names);
    // After a restart: how far each open alarm had climbed, from the notifications of its raise the
    // outbox kept. raises: the open alarms' raises.
    bool restoreLevels(const QList<Transition> &raises, QString *error);
    // The notifications an earlier run left waiting, queued again; how many (nothing: *error says why).
    std::optional<int> resume(QString *error);
    // Of these steps, those no channel was ever given (written while no watcher ran, or lost before the
    // outbox kept them); nothing on an error.
    std::optional<QList<Transition>> untold(const QList<Transition> &steps, QString *error) const;

signals:
    // A notification settled: the channel took it, or it was given up (refused for good, or a day of
    // failures) with detail saying why.
    void settled(const QString &channel, qint64 alarmId, bool delivered, const QString &detail);

private:
    void onAttempt(const Notifier::Attempt &a);
    int keep(const Transition &t, const QList<Notifier::Outgoing> &outgoing);
    int keep(qint64 id, const QString &event, const QDateTime &happened, const QList<Notifier::Outgoing> &outgoing);

    Notifier &m_notifier;
    archive::RecordStore &m_store;
    Log m_log;
    Escalation m_escalation;
};

} // namespace watch
