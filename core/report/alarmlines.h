#pragma once
#include "core/alarm/alarm.h"
#include <QList>
#include <QMap>
#include <optional>

// An alarm as its steps (the archive's Transitions, in the order appended) leave it: the window's list
// of alarms and the report's table both read them so.
namespace report {

struct AlarmLine {
    watch::Transition raised;  // the raise; the first step read when the raise was not among them
    watch::Transition latest;  // the last step read
    std::optional<watch::Transition> acknowledged, cleared;
};

// The alarms of steps, by number.
QMap<qint64, AlarmLine> alarmLines(const QList<watch::Transition> &steps);

} // namespace report
