#include "core/report/alarmlines.h"

namespace report {

QMap<qint64, AlarmLine> alarmLines(const QList<watch::Transition> &steps)
{
    QMap<qint64, AlarmLine> lines;
    for (const watch::Transition &t : steps) {
        auto it = lines.find(t.id);
        if (it == lines.end())
            it = lines.insert(t.id, AlarmLine{t, t, {}, {}});
        if (t.event == watch::AlarmEvent::Raised)
            it->raised = t;
        else if (t.event == watch::AlarmEvent::Acknowledged)
            it->acknowledged = t;
        else if (t.event == watch::AlarmEvent::Cleared)
            it->cleared = t;
        it->latest = t;
    }
    return lines;
}

} // namespace report
