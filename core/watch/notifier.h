#pragma once
#include "core/alarm/alarm.h"
#include "core/watch/notifysettings.h"
#include <QList>
#include <QObject>
#include <QString>
#include <memory>
#include <optional>

// Tells people about every step of an alarm through the channels notify.set names: "webhook" (an
// HTTP POST of the JSON of message.h), "mail" (SMTP) and "sms" (handed to gammu-smsd, which owns the
// GSM modem; notifiersms.cpp). send() only queues and returns at once; one
// worker thread delivers, all channels at the same time (libcurl's multi interface), so a server
// that never answers holds up its own channel only, and only until its time-out.
//
// A failed delivery is tried again after 10 s, 30 s, 1 min, 5 min, then every 15 min, until it
// is a day old; an answer that trying again cannot change (an HTTP redirect or 4xx, an SMTP 5xx
// reply) is not retried. Within a channel the steps go out in the order they were sent, one at a
// time: a later step of an alarm never arrives before an earlier one. Every outcome is reported by
// delivery().
//
// E-mail uses STARTTLS when an smtp:// server offers it; with a login and a password it insists on
// TLS, so the password never crosses a plain connection. A recipient the server refuses does not
// keep the mail from the others.
namespace watch {

class Notifier : public QObject {
    Q_OBJECT
public:
    static constexpr int MaxQueued = 1000;  // per channel; beyond it the oldest waiting step is dropped

    Notifier(NotifySettings settings, std::optional<QString> password, QObject *parent = nullptr);
    // Stops the worker at once: a transfer under way is cut off, waiting steps are abandoned, each
    // reported by delivery() before the destructor returns.
    ~Notifier() override;

    // Queues the step for every configured channel and returns at once.
    void send(const Transition &t, const QString &name, const QString &unit);

    // One notification for one channel: what send() queues, and what an outbox keeps and hands back.
    struct Outgoing {
        qint64 seq = 0;      // its row in the outbox (0: none)
        qint64 alarmId = 0;
        QString channel;     // "webhook", "mail", "sms"
        QString to;          // who it is for: the webhook's address without its query, the recipients
                             // (", "), the SMS's "name:number"
        QByteArray payload;  // the JSON, the whole e-mail, the SMS's text (UTF-8)
        int attempts = 0;    // made before (by an earlier run)
        qint64 dueInMs = 0;  // the wait before the next attempt
        qint64 ageMs = 0;    // since it was first queued: a day of failures gives it up
        QString handle;      // an SMS gammu-smsd already holds: its name for it (followed, not sent again)
    };
    // The step's notification for each of who on the channels configured, nothing queued: one webhook
    // call, one e-mail to who's addresses, one SMS a person. since: when the alarm was raised.
    QList<Outgoing> prepare(const Transition &t, const QString &name, const QString &unit, const NotifyLevel &who,
                            const QDateTime &since = {}) const;
    // A checkpoint of the archive for the webhook and the first level's mail (alarm id 0).
    QList<Outgoing> prepareCheckpoint(const QString &line, const QString &shortHash, const QDateTime &at) const;
    void queue(const Outgoing &outgoing);

    // What became of one attempt, or of a notification dropped unattempted.
    struct Attempt {
        qint64 seq = 0, alarmId = 0;
        QString channel;
        int attempts = 0;
        bool delivered = false;
        bool settled = false;    // delivered, refused for good or given up: no more attempts
        qint64 retryInMs = 0;    // not settled: the wait before the next
        QString detail;
        QString handle;          // an SMS handed to gammu-smsd: its name for it; empty otherwise
    };

    // The waits before the retries, in milliseconds, the last repeating; tests make them short.
    void setBackoff(QList<int> ms);
    // libcurl's connect time-out and the whole transfer's.
    void setTimeouts(int connectMs, int totalMs);
    // A delivery still failing this long after send() is given up.
    void setGiveUpAfter(qint64 ms);

    bool hasChannels() const;
    const NotifySettings &settings() const;

signals:
    // channel "webhook" or "mail"; ok when delivered; detail a sentence for the log. Emitted in the
    // Notifier's thread (queued from the worker), and directly from the destructor.
    void delivery(const QString &channel, qint64 id, bool ok, const QString &detail);
    // The same, with what an outbox keeps; not emitted for the attempts cut off by the destructor
    // (those stay waiting).
    void attempted(const watch::Notifier::Attempt &attempt);

private:
    struct Worker;
    std::unique_ptr<Worker> m_worker;
};

} // namespace watch
