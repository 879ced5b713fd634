#pragma once
#include "core/archive/connection.h"
#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QSet>
#include <QString>
#include <optional>

// The notifications of alarm steps, one row a channel: appended before the channel is first tried,
// its attempts and next try written after each failure, settled once the channel took it or it was
// given up. A watcher that stops or is killed resumes the waiting ones in order at its next start.
namespace archive {

struct OutboxEntry {
    enum class State { Waiting, Delivered, GivenUp };
    qint64 seq = 0;
    qint64 alarmId = 0;
    QString event;        // the step's event word (alarm.h)
    QDateTime happened;   // the step's time: with the id and event it names the step
    QString channel;      // "webhook", "mail", "sms"
    QString recipients;   // who it is for: the webhook's address (no query), the mail's recipients
    QByteArray payload;   // what goes out: the JSON, the whole e-mail
    QDateTime queued;     // when it was first handed to the channel
    int attempts = 0;
    QDateTime due;        // the next attempt
    State state = State::Waiting;
    QString outcome;      // the last attempt's, in words
    QDateTime settled;    // delivered or given up
    QString handle;       // an SMS gammu-smsd holds: its name for it (followed there, not handed over again)
};

class Outbox {
public:
    explicit Outbox(Connection &c) : m_c(c) {}
    // Appended waiting; its seq.
    std::optional<qint64> append(const OutboxEntry &entry, QString *error);
    // After an attempt: still waiting until due, or settled (delivered, given up) at settled.
    bool update(const OutboxEntry &entry, QString *error);
    // The waiting ones, in the order they were appended.
    std::optional<QList<OutboxEntry>> waiting(QString *error) const;
    // Every notification of the alarm, in order (who was told, when, by what).
    std::optional<QList<OutboxEntry>> ofAlarm(qint64 alarmId, QString *error) const;
    // The notifications of the steps from since on, in order.
    std::optional<QList<OutboxEntry>> since(const QDateTime &since, QString *error) const;
    // "id event time" of every step with a notification from since on.
    std::optional<QSet<QString>> stepsTold(const QDateTime &since, QString *error) const;
    static QString stepKey(qint64 alarmId, const QString &event, const QDateTime &happened);

private:
    std::optional<QList<OutboxEntry>> select(const QString &where, const QVariantList &values, QString *error) const;
    Connection &m_c;
};

} // namespace archive
