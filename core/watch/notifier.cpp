#include "core/watch/notifier.h"
#include "core/watch/notifierworker.h"
#include "core/watch/smsgateway.h"
#include "core/files/safefile.h"
#include "core/watch/message.h"
#include <QCoreApplication>
#include <QDateTime>
#include <QRandomGenerator>
#include <QUrl>
#include <algorithm>
#include <cstring>
#include <mutex>

namespace watch {

namespace notify {
const QString ChannelNames[ChannelCount] = {QStringLiteral("webhook"), QStringLiteral("mail"), QStringLiteral("sms")};

QString waitText(int ms)
{
    if (ms < 1000)
        return QCoreApplication::translate("notify", "%1 毫秒").arg(ms);
    if (ms < 60000)
        return QCoreApplication::translate("notify", "%1 秒").arg(ms / 1000);
    return QCoreApplication::translate("notify", "%1 分钟").arg(ms / 60000);
}
} // namespace notify

using namespace notify;

namespace {
constexpr size_t MaxResponseKept = 512;

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
} // namespace

void Notifier::Worker::report(int channel, const Job &job, bool ok, bool settled, qint64 retryInMs, const QString &detail)
{
    const Notifier::Attempt a{job.seq, job.id, ChannelNames[channel], job.attempts, ok, settled, retryInMs, detail, job.handle};
    QMetaObject::invokeMethod(owner, [o = owner, a] {
        emit o->delivery(a.channel, a.alarmId, a.delivered, a.detail);
        emit o->attempted(a);
    }, Qt::QueuedConnection);
}

bool Notifier::Worker::retryOrGiveUp(Job &job, int *wait) const
{
    *wait = backoff.isEmpty() ? 60000 : backoff.value(std::min<qsizetype>(job.attempts, backoff.size()) - 1);
    const auto now = Clock::now();
    if (std::chrono::duration_cast<Ms>(now - job.queued).count() + *wait > giveUpMs)
        return true;
    job.due = now + Ms(*wait);
    return false;
}

void Notifier::Worker::run()
{
    for (;;) {
        Clock::time_point now = Clock::now();
        {
            std::lock_guard lock(mutex);
            if (stop)
                break;
            for (int c = Webhook; c <= Email; ++c)
                if (!busy[c] && !queues[c].empty() && queues[c].front().due <= now) {
                    busy[c] = true;
                    start(c, queues[c].front());
                }
        }
        int running = 0;
        curl_multi_perform(multi, &running);
        int left = 0;
        while (CURLMsg *m = curl_multi_info_read(multi, &left))
            for (int c = Webhook; c <= Email; ++c)
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
            for (int c = Webhook; c <= Email; ++c)
                if (!busy[c] && !queues[c].empty())
                    wait = std::min<long>(wait, std::max<long>(0, std::chrono::ceil<Ms>(queues[c].front().due - now).count()));
            if (const long smsWait = serviceSms(now); smsWait >= 0)
                wait = std::min(wait, smsWait);
        }
        // gammu-smsd filing a message as sent or failed wakes the worker as a transfer's socket does.
        curl_waitfd filed{smsFd(), CURL_WAIT_POLLIN, 0};
        if (wait > 0)
            curl_multi_poll(multi, &filed, filed.fd >= 0 ? 1 : 0, int(std::min(wait, 60000L)), nullptr);
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
        for (const QString &to : job.to.split(QStringLiteral(", "), Qt::SkipEmptyParts))
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
    int wait = 0;
    const bool tooOld = !ok && !final && retryOrGiveUp(job, &wait);
    const Job done = job;
    if (ok || final || tooOld)
        queues[channel].pop_front();
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
    if (w.settings.hasSms()) {  // read here so that a configuration gammu-smsd cannot use is said at once
        if (auto config = readSmsdConfig(w.settings.smsdrc, &w.smsProblem))
            w.sms = std::make_unique<SmsGateway>(std::move(*config));
    }
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
            if (!job.handle.isEmpty())  // with gammu-smsd already: followed again at the next start
                continue;
            emit delivery(ChannelNames[c], job.id, false,
                          job.seq ? QCoreApplication::translate("notify", "未送达：程序退出，下次启动时再试（已试 %1 次）").arg(attempts)
                                  : QCoreApplication::translate("notify", "未送达：程序退出，放弃（已试 %1 次）").arg(attempts));
        }
}

bool Notifier::hasChannels() const
{
    return m_worker->settings.hasWebhook() || m_worker->settings.hasMail() || m_worker->settings.hasSms();
}

Notifier::Worker::~Worker() = default;

const NotifySettings &Notifier::settings() const
{
    return m_worker->settings;
}

QList<Notifier::Outgoing> Notifier::prepare(const Transition &t, const QString &name, const QString &unit,
                                            const NotifyLevel &who, const QDateTime &since) const
{
    const NotifySettings &s = m_worker->settings;
    QList<Outgoing> out;
    if (who.webhook && s.hasWebhook())
        out.append({.alarmId = t.id, .channel = ChannelNames[Webhook],
                    .to = QUrl(s.webhook).adjusted(QUrl::RemoveUserInfo | QUrl::RemoveQuery | QUrl::RemoveFragment).toString(),
                    .payload = webhookJson(t, name, unit)});
    if (!who.mail.isEmpty() && s.hasMail()) {
        const QByteArray messageId = QStringLiteral("wl8806n.%1.%2.%3@%4")
            .arg(t.id).arg(QDateTime::currentMSecsSinceEpoch()).arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'))
            .arg(s.from.section(QLatin1Char('@'), 1)).toUtf8();
        out.append({.alarmId = t.id, .channel = ChannelNames[Email], .to = who.mail.join(QStringLiteral(", ")),
                    .payload = mailMessage(mailText(t, name, unit, s.english(), s.noAnswerPolls), s.from, who.mail,
                                QDateTime::currentDateTime(), messageId)});
    }
    if (s.hasSms()) {
        const QByteArray text = smsText(t, name, unit, s.english(), s.noAnswerPolls, since).toUtf8();
        for (const QString &person : who.sms)
            if (const auto p = s.person(person))
                out.append({.alarmId = t.id, .channel = ChannelNames[Sms], .to = p->name + QLatin1Char(':') + p->number, .payload = text});
    }
    return out;
}

QList<Notifier::Outgoing> Notifier::prepareCheckpoint(const QString &line, const QString &shortHash, const QDateTime &at) const
{
    const NotifySettings &s = m_worker->settings;
    QList<Outgoing> out;
    if (s.hasWebhook())
        out.append({.channel = ChannelNames[Webhook],
                    .to = QUrl(s.webhook).adjusted(QUrl::RemoveUserInfo | QUrl::RemoveQuery | QUrl::RemoveFragment).toString(),
                    .payload = checkpointJson(line, shortHash, at)});
    const QStringList to = s.effectiveLevels().value(0).mail;
    if (!to.isEmpty() && s.hasMail())
        out.append({.channel = ChannelNames[Email], .to = to.join(QStringLiteral(", ")),
                    .payload = mailMessage(checkpointMail(line, shortHash, at, s.english()), s.from, to, QDateTime::currentDateTime(),
                                           QStringLiteral("wl8806n.checkpoint.%1@%2").arg(shortHash, s.from.section(QLatin1Char('@'), 1)).toUtf8())});
    return out;
}

void Notifier::send(const Transition &t, const QString &name, const QString &unit)
{
    const auto levels = m_worker->settings.effectiveLevels();
    for (const Outgoing &o : prepare(t, name, unit, levels.value(0)))
        queue(o);
}

void Notifier::queue(const Outgoing &o)
{
    Worker &w = *m_worker;
    const int c = int(std::find(std::begin(ChannelNames), std::end(ChannelNames), o.channel) - std::begin(ChannelNames));
    if (!w.thread || c == ChannelCount)
        return;
    const auto now = Clock::now();
    std::optional<Job> dropped;
    {
        std::lock_guard lock(w.mutex);
        std::deque<Job> &q = w.queues[c];
        // The oldest waiting one goes, never the one under way nor an SMS gammu-smsd already holds.
        const auto oldest = std::find_if(q.begin() + (w.busy[c] ? 1 : 0), q.end(), [](const Job &j) { return j.handle.isEmpty(); });
        if (qsizetype(q.size()) >= MaxQueued && oldest != q.end()) {
            dropped = *oldest;
            q.erase(oldest);
        }
        q.push_back(Job{o.seq, o.alarmId, o.to, o.payload, o.attempts, now + Ms(std::max<qint64>(0, o.dueInMs)),
                        now - Ms(std::max<qint64>(0, o.ageMs)), o.handle});
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
