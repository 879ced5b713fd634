#pragma once
#include "core/archive/connection.h"
#include "core/alarm/alarm.h"
#include <QDateTime>
#include <QList>
#include <QString>
#include <optional>

// Every step of every alarm the watcher raised, only ever appended to; times UTC, values numbers in
// the sensor's unit.
namespace archive {

enum class AlarmSteps { All, OfOpenAlarms };

class Alarms {
public:
    explicit Alarms(Connection &c) : m_c(c) {}
    // One step appended; an acknowledgement goes into the audit trail with it.
    bool append(const watch::Transition &step, QString *error);
    // The steps from since on (all of them for an invalid time), in the order they happened;
    // OfOpenAlarms: only those of alarms not yet cleared (what a restarted watcher picks up again).
    std::optional<QList<watch::Transition>> steps(AlarmSteps which, const QDateTime &since, QString *error) const;
    // The highest alarm number used (0 for none): new alarms number on from it.
    std::optional<qint64> lastId(QString *error) const;

private:
    Connection &m_c;
};

} // namespace archive
