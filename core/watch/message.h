#pragma once
#include "core/alarm/alarm.h"
#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

// What a notification says about one step of an alarm: the webhook's JSON and the e-mail's text.
// name and unit are the sensor's ("东墙 1 米", "℃"), as the sensor table gives them; a no-answer
// alarm has neither.
namespace watch {


// One compact JSON object (written by QJsonDocument: keys in its order, a reader takes them by name),
// values and limits in the sensor's unit, time in UTC:
//   {"address":21,"event":"raised","id":7,"kind":"high","limit":20,"name":"东墙 1 米",
//    "recorder":"COM4-21","sensor":3,"time":"2026-12-08T03:12:00Z","unit":"℃","value":25.5}
// sensor, name, unit, value and limit are absent for no-answer; value (limit) when there is none.
// An acknowledgement adds "by" and "note".
// The UTC offset of a local time as a mail shows it: "UTC+08:00", "UTC-03:30".
QString offsetText(const QDateTime &local);

QByteArray webhookJson(const Transition &t, const QString &name, const QString &unit);

struct Mail {
    QString subject;  // read at a glance: "【报警】COM4-21 东墙 1 米 25.0℃ 高于上限 20.0℃"
    QString body;     // every field on a line of its own, lines ended by "\n"
    bool operator==(const Mail &) const = default;
};
// The e-mail in Chinese, or in English when english is set (the sensor's name stays as it is).
// noAnswerPolls: the failed polls that raise a no-answer alarm (alarms.set), as its e-mail says them.
Mail mailText(const Transition &t, const QString &name, const QString &unit, bool english, int noAnswerPolls = 3);

// An SMS read at a glance on a phone: the mail's subject, since when, and for an alarm nobody has
// acknowledged yet how to do it by reply: "【报警】COM4-21 东墙 1 米 25.0℃ 高于上限 20.0℃，自 12-10 03:12 起。
// 回复 确认 7". since is when the alarm was raised (invalid: the step's own time).
QString smsText(const Transition &t, const QString &name, const QString &unit, bool english, int noAnswerPolls = 3,
                const QDateTime &since = {});

// A checkpoint of the archive sent away to be kept: its line, short hash and time. The webhook's
// event is "checkpoint"; the mail asks to be kept.
QByteArray checkpointJson(const QString &line, const QString &shortHash, const QDateTime &at);
Mail checkpointMail(const QString &line, const QString &shortHash, const QDateTime &at, bool english);

// The whole RFC 5322 message: Date, From, To, Subject (RFC 2047, UTF-8, base64), Message-ID,
// MIME-Version and a text/plain UTF-8 body in base64, lines ended by CRLF. from and to are plain
// addresses (the settings allow nothing else).
QByteArray mailMessage(const Mail &mail, const QString &from, const QStringList &to, const QDateTime &date,
                       const QByteArray &messageId);

} // namespace watch
