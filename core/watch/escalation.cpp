#include "core/watch/escalation.h"
#include <algorithm>

namespace watch {

namespace {
QStringList joined(QStringList a, const QStringList &b)
{
    for (const QString &s : b)
        if (!a.contains(s))
            a.append(s);
    return a;
}

QStringList less(QStringList a, const QStringList &b)
{
    a.removeIf([&](const QString &s) { return b.contains(s); });
    return a;
}
} // namespace

NotifyLevel merged(const NotifyLevel &a, const NotifyLevel &b)
{
    return {a.webhook || b.webhook, joined(a.mail, b.mail), joined(a.sms, b.sms)};
}

NotifyLevel without(const NotifyLevel &a, const NotifyLevel &b)
{
    return {a.webhook && !b.webhook, less(a.mail, b.mail), less(a.sms, b.sms)};
}

Escalation::Escalation(QList<NotifyLevel> levels, int afterMinutes)
    : m_levels(std::move(levels)), m_afterMs(qint64(afterMinutes) * 60'000)
{
    if (m_levels.isEmpty())
        m_levels.append(NotifyLevel{});
}

NotifyLevel Escalation::upTo(int n) const
{
    NotifyLevel all;
    for (int i = 0; i < std::min<int>(n, m_levels.size()); ++i)
        all = merged(all, m_levels[i]);
    return all;
}

NotifyLevel Escalation::audience(const Transition &t)
{
    if (t.event == AlarmEvent::Raised) {
        m_alarms.insert(t.id, State{t, 1});
        return m_levels.first();
    }
    const auto it = m_alarms.constFind(t.id);
    const NotifyLevel told = upTo(it == m_alarms.cend() ? 1 : it->told);
    if (t.event == AlarmEvent::Cleared)
        m_alarms.remove(t.id);
    return told;
}

QList<Escalation::Due> Escalation::due(const QList<Transition> &active, const QDateTime &nowUtc)
{
    QMap<qint64, const Transition *> latest;
    for (const Transition &t : active)
        latest.insert(t.id, &t);
    QList<Due> out;
    for (auto it = m_alarms.begin(); it != m_alarms.end();) {
        const Transition *now = latest.value(it.key());
        if (!now) {
            it = m_alarms.erase(it);
            continue;
        }
        if (now->event != AlarmEvent::Acknowledged && it->told < m_levels.size()) {
            const qint64 elapsed = it->raise.time.msecsTo(nowUtc);
            const int reached = int(std::min<qint64>(m_levels.size(), 1 + elapsed / std::max<qint64>(1, m_afterMs)));
            if (reached > it->told) {
                const NotifyLevel newly = without(upTo(reached), upTo(it->told));
                it->told = reached;
                if (!newly.empty())
                    out.append({it->raise, newly, reached});
            }
        }
        ++it;
    }
    return out;
}

void Escalation::restore(const Transition &raise, int told)
{
    m_alarms.insert(raise.id, State{raise, std::clamp<int>(told, 1, m_levels.size())});
}

} // namespace watch
