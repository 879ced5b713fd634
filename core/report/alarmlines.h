#pragma once
#include "core/alarm/alarm.h"
#include "core/archive/outbox.h"
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

// One notification as the alarm tab and the report show it, a cell each: the step and its time, by
// what, who, what became of it and when ("已送达", "未送达（放弃）", "等待重试（已试 2 次）").
enum NoticeColumn { NoticeStep, NoticeStepTime, NoticeChannel, NoticeTo, NoticeOutcome, NoticeWhen, NoticeColumns };
QStringList noticeCells(const archive::OutboxEntry &notice);
QStringList noticeHeaders();

} // namespace report
