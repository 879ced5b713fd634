#pragma once
// The notifier's worker thread and what it holds: shared by the notifier's files only.
#include "core/watch/notifier.h"
#include <QThread>
#include <chrono>
#include <curl/curl.h>
#include <deque>
#include <memory>
#include <mutex>

namespace watch {
class SmsGateway;

namespace notify {
using Clock = std::chrono::steady_clock;
using Ms = std::chrono::milliseconds;

enum Channel { Webhook, Email, Sms, ChannelCount };
extern const QString ChannelNames[ChannelCount];

struct Job {
    qint64 seq = 0;  // the outbox's row, 0 for none
    qint64 id = 0;
    QString to;          // the mail's recipients (", "), the SMS's "name:number"
    QByteArray payload;  // the JSON, the whole e-mail, the SMS's text
    int attempts = 0;
    Clock::time_point due;
    Clock::time_point queued;
    QString handle;      // an SMS handed to gammu-smsd: its name for it
};

// One delivery under way: its easy handle and everything the handle points into.
struct Transfer {
    CURL *easy = nullptr;
    curl_slist *list = nullptr;  // the webhook's headers or the mail's recipients
    QByteArray payload;
    qsizetype readPos = 0;
    QByteArray response;
    char error[CURL_ERROR_SIZE] = {};
    ~Transfer()
    {
        curl_easy_cleanup(easy);
        curl_slist_free_all(list);
    }
};

// "500 毫秒", "30 秒", "15 分钟"
QString waitText(int ms);
// The number of an SMS job's "name:number".
inline QString smsNumber(const QString &to) { return to.mid(to.lastIndexOf(QLatin1Char(':')) + 1); }
} // namespace notify

struct Notifier::Worker {
    using Job = notify::Job;
    using Clock = notify::Clock;
    Notifier *owner = nullptr;
    NotifySettings settings;
    std::optional<QString> password;
    CURLM *multi = nullptr;
    QThread *thread = nullptr;

    std::mutex mutex;  // guards what follows up to the worker-only part
    bool stop = false;
    std::deque<Job> queues[notify::ChannelCount];
    bool busy[notify::ChannelCount] = {};  // webhook, mail: the queue's first job is being delivered
    QList<int> backoff{10000, 30000, 60000, 300000, 900000};
    long connectMs = 10000, totalMs = 30000;
    qint64 giveUpMs = 24 * 3600 * 1000LL;

    std::unique_ptr<notify::Transfer> inFlight[notify::ChannelCount];  // the worker thread's only
    std::unique_ptr<SmsGateway> sms;                                    // the worker thread's only
    QString smsProblem;  // why there is no gateway

    void run();
    void start(int channel, const Job &job);
    void finish(int channel, CURLcode result);
    // After a failed attempt of job (attempts already counted): its next try, or given up. Under the lock.
    // True when settled (given up); *wait the time to the next try.
    bool retryOrGiveUp(Job &job, int *wait) const;
    void report(int channel, const Job &job, bool ok, bool settled, qint64 retryInMs, const QString &detail);

    // SMS (notifiersms.cpp): every waiting one due handed to gammu-smsd, every handed-over one whose
    // outcome gammu-smsd has filed settled or tried again. Under the lock. The wait until the next
    // hand-over is due, in ms (-1: none).
    long serviceSms(Clock::time_point now);
    int smsFd() const;
    ~Worker();
};

} // namespace watch
