#include "core/watch/acknowledge.h"
#include "core/archive/recordstore.h"
#include "core/watch/alarmrules.h"
#include <QCoreApplication>

namespace watch {

std::optional<Transition> acknowledgeInArchive(archive::RecordStore &store, qint64 id, const QString &by,
                                               const QString &note, const QDateTime &nowUtc, QString *error,
                                               bool *refused)
{
    const auto fail = [&](bool refusal, const QString &why) {
        if (refused)
            *refused = refusal;
        if (error)
            *error = why;
        return std::nullopt;
    };
    const QString name = by.trimmed();
    if (name.isEmpty())
        return fail(true, QCoreApplication::translate("alarms", "没有给出确认人"));
    QString why;
    const auto open = store.alarms().steps(archive::AlarmSteps::OfOpenAlarms, {}, &why);
    if (!open)
        return fail(false, why);
    AlarmRules rules{AlarmSettings{}};
    rules.restore(*open);
    const auto step = rules.acknowledge(id, name, note.trimmed(), nowUtc.toUTC(), &why);
    if (!step)
        return fail(true, why);
    if (!store.alarms().append(*step, &why))
        return fail(false, why);
    if (refused)
        *refused = false;
    return step;
}

} // namespace watch
