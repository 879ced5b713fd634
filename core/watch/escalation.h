#pragma once
#include "core/alarm/alarm.h"
#include "core/watch/notifysettings.h"
#include <QList>
#include <QMap>

// Who hears of each step of an alarm when notify.set orders its people in levels: a raise goes to the
// first level; while the alarm stays active and unacknowledged, each further level is told the raise
// escalate-after minutes after the one before; a repeat, the acknowledgement and the clear go to
// everyone told so far. An acknowledgement stops the climb.
namespace watch {

// Everyone in either.
NotifyLevel merged(const NotifyLevel &a, const NotifyLevel &b);
// Those in a who are not in b.
NotifyLevel without(const NotifyLevel &a, const NotifyLevel &b);

class Escalation {
public:
    // levels as NotifySettings::effectiveLevels gives them; at least one.
    Escalation(QList<NotifyLevel> levels, int afterMinutes);

    // Everyone the step goes to. A raise starts the alarm at the first level; a clear ends it.
    NotifyLevel audience(const Transition &t);

    struct Due {
        Transition raise;      // what the new people are told
        NotifyLevel newly;     // those not told before
        int level = 0;         // the highest level now told, from 1
    };
    // The alarms whose next level's time has come, each taken to the highest level due, with the people
    // not told before. active: the rules' active alarms (their latest steps); an acknowledged one never
    // climbs, and one no longer active is forgotten.
    QList<Due> due(const QList<Transition> &active, const QDateTime &nowUtc);

    // After a restart: the alarm raised by raise, of which the first told levels heard.
    void restore(const Transition &raise, int told);
    int levels() const { return int(m_levels.size()); }
    // When the alarm was raised, as far as it is known here.
    QDateTime raisedAt(qint64 id) const { return m_alarms.value(id).raise.time; }
    // The people a level adds to those before it.
    NotifyLevel added(int level) const { return without(upTo(level), upTo(level - 1)); }
    // The people of the first n levels.
    NotifyLevel upTo(int n) const;

private:
    struct State {
        Transition raise;
        int told = 1;
    };
    QList<NotifyLevel> m_levels;
    qint64 m_afterMs;
    QMap<qint64, State> m_alarms;
};

} // namespace watch
