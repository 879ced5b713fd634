#include "core/watch/notifier.h"
#include "core/files/safefile.h"
#include "core/watch/message.h"
#include <QCoreApplication>
#include <QDateTime>
#include <QRandomGenerator>
#include <QThread>
#include <QUrl>
#include <algorithm>
#include <chrono>
#include <cstring>
#include <curl/curl.h>
#include <deque>
#include <mutex>

namespace watch {

namespace {
using Clock = std::chrono::steady_clock;
using Ms = std::chrono::milliseconds;

enum Channel { Webhook, Email, ChannelCount };
const QString ChannelNames[ChannelCount] = {QStringLiteral("webhook"), QStringLiteral("mail")};
constexpr size_t MaxResponseKept = 512;

struct Job {
    qint64 seq = 0;  // the outbox's row, 0 for none
    qint64 id = 0;
    QByteArray payload;  // the JSON, or the whole e-mail
    int attempts = 0;
    Clock::time_point due;
    Clock::time_point queued;
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

size_t keepResponse(char *data, size_t size, size_t count, void *transfer)
{
    QByteArray &kept = static_cast<Transfer *>(transfer)->response;
    kept.append(data, qsizetype(std::min(size * count, MaxResponseKept - std::min<size_t>(kept.size(), MaxResponseKept))));
    return size * count;
}

size_t readPayload(char *buffer, size_t size, size_t count, void *transfer)
{
    auto *t = static_cast<Transfer *>(transfer);
    const size_t n = std::min(size * count, size_t(t->payload.size() - t->readPos));
    std::memcpy(buffer, t->payload.constData() + t->readPos, n);
    t->readPos += qsizetype(n);
    return n;
}

// "500 毫秒", "30 秒", "15 分钟"
QString waitText(int ms)
{
    if (ms < 1000)
        return QCoreApplication::translate("notify", "%1 毫秒").arg(ms);
    if (ms < 60000)
        return QCoreApplication::translate("notify", "%1 秒").arg(ms / 1000);
    return QCoreApplication::translate("notify", "%1 分钟").arg(ms / 60000);
}
} // namespace

struct Notifier::Worker {
    Notifier *owner = nullptr;
    NotifySettings settings;
    std::optional<QString> password;
    CURLM *multi = nullptr;
    QThread *thread = nullptr;

    std::mutex mutex;  // guards what follows up to the worker-only part
    bool stop = false;
    std::deque<Job> queues[ChannelCount];
    bool busy[ChannelCount] = {};  // the queue's first job is being delivered
    QList<int> backoff{10000, 30000, 60000, 300000, 900000};
    long connectMs = 10000, totalMs = 30000;
    qint64 giveUpMs = 24 * 3600 * 1000LL;

    std::unique_ptr<Transfer> inFlight[ChannelCount];  // the worker thread's only

    void run();
    void start(int channel, const Job &job);
    void finish(int channel, CURLcode result);
    void report(int channel, const Job &job, bool ok, bool settled, qint64 retryInMs, const QString &detail)
    {
        const Notifier::Attempt a{job.seq, job.id, ChannelNames[channel], job.attempts, ok, settled, retryInMs, detail};
        QMetaObject::invokeMethod(owner, [o = owner, a] {
            emit o->delivery(a.channel, a.alarmId, a.delivered, a.detail);
            emit o->attempted(a);
        }, Qt::QueuedConnection);
    }
};

void Notifier::Worker::run()
{
    for (;;) {
        Clock::time_point now = Clock::now();
        {
            std::lock_guard lock(mutex);
            if (stop)
                break;
            for (int c = 0; c < ChannelCount; ++c)
                if (!busy[c] && !queues[c].empty() && queues[c].front().due <= now) {
                    busy[c] = true;
                    start(c, queues[c].front());
                }
        }
        int running = 0;
        curl_multi_perform(multi, &running);
        int left = 0;
        while (CURLMsg *m = curl_multi_info_read(multi, &left))
            for (int c = 0; c < ChannelCount; ++c)
                if (m->msg == CURLMSG_DONE && inFlight[c] && inFlight[c]->easy == m->easy_handle) {
                    finish(c, m->data.result);
                    break;
                }
        long wait = 60000;
        curl_multi_timeout(multi, &wait);
        if (wait < 0)
            wait = 60000;
        now = Clock::now();
        {
            std::lock_guard lock(mutex);
            for (int c = 0; c < ChannelCount; ++c)
                if (!busy[c] && !queues[c].empty())
                    wait = std::min<long>(wait, std::max<long>(0, std::chrono::ceil<Ms>(queues[c].front().due - now).count()));
        }
        if (wait > 0)
            curl_multi_poll(multi, nullptr, 0, int(std::min(wait, 60000L)), nullptr);
    }
    for (auto &t : inFlight)
        if (t) {
            curl_multi_remove_handle(multi, t->easy);
            t.reset();
        }
}

void Notifier::Worker::start(int channel, const Job &job)
{
    auto t = std::make_unique<Transfer>();
    t->payload = job.payload;
    CURL *h = t->easy = curl_easy_init();
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, connectMs);
    curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, totalMs);
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, t->error);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, keepResponse);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, t.get());
    if (channel == Webhook) {
        curl_easy_setopt(h, CURLOPT_URL, settings.webhook.toUtf8().constData());
#if LIBCURL_VERSION_NUM >= 0x075500
        curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
#endif
        t->list = curl_slist_append(t->list, "Content-Type: application/json");
        t->list = curl_slist_append(t->list, "Expect:");  // no wait for a "100 Continue" that may never come
        curl_easy_setopt(h, CURLOPT_HTTPHEADER, t->list);
        curl_easy_setopt(h, CURLOPT_USERAGENT, "wl8806n/" WL_VERSION);
        curl_easy_setopt(h, CURLOPT_POST, 1L);
        curl_easy_setopt(h, CURLOPT_POSTFIELDS, t->payload.constData());
        curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(t->payload.size()));
    } else {
        curl_easy_setopt(h, CURLOPT_URL, settings.smtpUrl.toUtf8().constData());
#if LIBCURL_VERSION_NUM >= 0x075500
        curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "smtp,smtps");
#endif
        curl_easy_setopt(h, CURLOPT_MAIL_FROM, ('<' + settings.from + '>').toUtf8().constData());
        for (const QString &to : settings.to)
            t->list = curl_slist_append(t->list, ('<' + to + '>').toUtf8().constData());
        curl_easy_setopt(h, CURLOPT_MAIL_RCPT, t->list);
        // The others still get the alarm when the server refuses one of the recipients.
#if LIBCURL_VERSION_NUM >= 0x080200
        curl_easy_setopt(h, CURLOPT_MAIL_RCPT_ALLOWFAILS, 1L);
#elif LIBCURL_VERSION_NUM >= 0x074500
        curl_easy_setopt(h, CURLOPT_MAIL_RCPT_ALLLOWFAILS, 1L);
#endif
        // STARTTLS when the server offers it; a password is never sent over a plain connection.
        const bool login = !settings.user.isEmpty();
        curl_easy_setopt(h, CURLOPT_USE_SSL, long(login && password ? CURLUSESSL_ALL : CURLUSESSL_TRY));
        if (login)
            curl_easy_setopt(h, CURLOPT_USERNAME, settings.user.toUtf8().constData());
        if (login && password)
            curl_easy_setopt(h, CURLOPT_PASSWORD, password->toUtf8().constData());
        curl_easy_setopt(h, CURLOPT_UPLOAD, 1L);
        curl_easy_setopt(h, CURLOPT_READFUNCTION, readPayload);
        curl_easy_setopt(h, CURLOPT_READDATA, t.get());
        curl_easy_setopt(h, CURLOPT_INFILESIZE_LARGE, curl_off_t(t->payload.size()));
    }
    curl_multi_add_handle(multi, h);
    inFlight[channel] = std::move(t);
}

void Notifier::Worker::finish(int channel, CURLcode result)
{
    const Transfer &t = *inFlight[channel];
    long code = 0;
    curl_easy_getinfo(t.easy, CURLINFO_RESPONSE_CODE, &code);
    QString why = result == CURLE_OK ? QString() : QString::fromUtf8(*t.error ? t.error : curl_easy_strerror(result));
    bool ok = result == CURLE_OK, final = false;
    if (channel == Webhook && ok) {
        ok = code >= 200 && code < 300;
        why = QStringLiteral("HTTP %1").arg(code);
        if (!ok && !t.response.trimmed().isEmpty())
            why += QStringLiteral(" ") + safefile::shown(QString::fromUtf8(t.response).simplified(), 120);
        // A redirect is not followed (it would carry the alarm elsewhere): the URL needs changing.
        final = code >= 300 && code < 500 && code != 408 && code != 425 && code != 429;
    } else if (channel == Webhook) {
        final = result == CURLE_URL_MALFORMAT || result == CURLE_UNSUPPORTED_PROTOCOL;
    } else if (!ok && code > 0) {
        why += QStringLiteral("（SMTP %1）").arg(code);
        final = code >= 500 && code < 600;  // refused for good: a recipient, the login, the size
    }
    curl_multi_remove_handle(multi, t.easy);
    inFlight[channel].reset();

    std::unique_lock lock(mutex);
    busy[channel] = false;
    if (stop || queues[channel].empty())
        return;
    Job &job = queues[channel].front();
    const int attempts = ++job.attempts;
    const int wait = backoff.isEmpty() ? 60000 : backoff.value(std::min<qsizetype>(attempts, backoff.size()) - 1);
    const auto now = Clock::now();
    const bool tooOld = std::chrono::duration_cast<Ms>(now - job.queued).count() + wait > giveUpMs;
    const Job done = job;
    const bool settled = ok || final || tooOld;
    if (settled)
        queues[channel].pop_front();
    else
        job.due = now + Ms(wait);
    lock.unlock();
    if (ok)
        report(channel, done, true, true, 0, channel == Webhook ? QCoreApplication::translate("notify", "已送达（%1）").arg(why)
                                                                 : QCoreApplication::translate("notify", "已交给邮件服务器"));
    else if (final)
        report(channel, done, false, true, 0, QCoreApplication::translate("notify", "未送达（%1）：服务器拒绝，不再重试").arg(why));
    else if (tooOld)
        report(channel, done, false, true, 0,
               QCoreApplication::translate("notify", "未送达（%1）：已试 %2 次，时间太久，放弃").arg(why, QString::number(attempts)));
    else
        report(channel, done, false, false, wait,
               QCoreApplication::translate("notify", "未送达（%1）：%2后第 %3 次重试").arg(why, waitText(wait), QString::number(attempts)));
}

Notifier::Notifier(NotifySettings settings, std::optional<QString> password, QObject *parent)
    : QObject(parent), m_worker(std::make_unique<Worker>())
{
    static std::once_flag curlReady;
    std::call_once(curlReady, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    Worker &w = *m_worker;
    w.owner = this;
    w.settings = std::move(settings);
    w.password = std::move(password);
    if (!hasChannels())
        return;
    w.multi = curl_multi_init();
    w.thread = QThread::create([&w] { w.run(); });
    w.thread->setObjectName(QStringLiteral("notifier"));
    w.thread->start();
}

Notifier::~Notifier()
{
    Worker &w = *m_worker;
    if (!w.thread)
        return;
    {
        std::lock_guard lock(w.mutex);
        w.stop = true;
    }
    curl_multi_wakeup(w.multi);
    w.thread->wait();
    delete w.thread;
    curl_multi_cleanup(w.multi);
    // Counted with the attempt cut off just now. One the outbox keeps is tried again at the next start.
    for (int c = 0; c < ChannelCount; ++c)
        for (size_t i = 0; i < w.queues[c].size(); ++i) {
            const Job &job = w.queues[c][i];
            const int attempts = job.attempts + (i == 0 && w.busy[c] ? 1 : 0);
            emit delivery(ChannelNames[c], job.id, false,
                          job.seq ? QCoreApplication::translate("notify", "未送达：程序退出，下次启动时再试（已试 %1 次）").arg(attempts)
                                  : QCoreApplication::translate("notify", "未送达：程序退出，放弃（已试 %1 次）").arg(attempts));
        }
}

bool Notifier::hasChannels() const
{
    return m_worker->settings.hasWebhook() || m_worker->settings.hasMail();
}

QList<Notifier::Outgoing> Notifier::prepare(const Transition &t, const QString &name, const QString &unit) const
{
    const Worker &w = *m_worker;
    QList<Outgoing> out;
    if (w.settings.hasWebhook())
        out.append({.alarmId = t.id, .channel = ChannelNames[Webhook],
                    .to = QUrl(w.settings.webhook).adjusted(QUrl::RemoveUserInfo | QUrl::RemoveQuery | QUrl::RemoveFragment).toString(),
                    .payload = webhookJson(t, name, unit)});
    if (w.settings.hasMail()) {
        const QByteArray messageId = QStringLiteral("wl8806n.%1.%2.%3@%4")
            .arg(t.id).arg(QDateTime::currentMSecsSinceEpoch()).arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'))
            .arg(w.settings.from.section(QLatin1Char('@'), 1)).toUtf8();
        out.append({.alarmId = t.id, .channel = ChannelNames[Email], .to = w.settings.to.join(QStringLiteral(", ")),
                    .payload = mailMessage(mailText(t, name, unit, w.settings.english(), w.settings.noAnswerPolls), w.settings.from, w.settings.to,
                                QDateTime::currentDateTime(), messageId)});
    }
    return out;
}

void Notifier::send(const Transition &t, const QString &name, const QString &unit)
{
    for (const Outgoing &o : prepare(t, name, unit))
        queue(o);
}

void Notifier::queue(const Outgoing &o)
{
    Worker &w = *m_worker;
    const int c = o.channel == ChannelNames[Webhook] ? Webhook : o.channel == ChannelNames[Email] ? Email : ChannelCount;
    if (!w.thread || c == ChannelCount)
        return;
    const auto now = Clock::now();
    std::optional<Job> dropped;
    {
        std::lock_guard lock(w.mutex);
        std::deque<Job> &q = w.queues[c];
        if (qsizetype(q.size()) >= MaxQueued) {  // the oldest waiting one goes, never the one under way
            const auto oldest = q.begin() + (w.busy[c] ? 1 : 0);
            dropped = *oldest;
            q.erase(oldest);
        }
        q.push_back(Job{o.seq, o.alarmId, o.payload, o.attempts, now + Ms(std::max<qint64>(0, o.dueInMs)), now - Ms(std::max<qint64>(0, o.ageMs))});
    }
    curl_multi_wakeup(w.multi);
    if (dropped)
        w.report(c, *dropped, false, true, 0,
                 QCoreApplication::translate("notify", "未送达：等待发送的通知超过 %1 条，丢弃最早的一条").arg(MaxQueued));
}

void Notifier::setBackoff(QList<int> ms)
{
    std::lock_guard lock(m_worker->mutex);
    m_worker->backoff = std::move(ms);
}

void Notifier::setTimeouts(int connectMs, int totalMs)
{
    std::lock_guard lock(m_worker->mutex);
    m_worker->connectMs = connectMs;
    m_worker->totalMs = totalMs;
}

void Notifier::setGiveUpAfter(qint64 ms)
{
    std::lock_guard lock(m_worker->mutex);
    m_worker->giveUpMs = ms;
}

} // namespace watch
