// The notifier's SMS channel. gammu-smsd owns the modem and sends at its own pace, so every message
// due is handed over at once (a slow modem never holds the others back); each is then followed in
// gammu-smsd's folders until it is filed as sent, or as failed and handed over again after the
// channel's waits.
#include "core/watch/notifierworker.h"
#include "core/watch/smsgateway.h"
#include <QCoreApplication>

namespace watch {
using namespace notify;

int Notifier::Worker::smsFd() const
{
    return sms ? sms->changeFd() : -1;
}

long Notifier::Worker::serviceSms(Clock::time_point now)
{
    std::deque<Job> &q = queues[Sms];
    if (q.empty())
        return -1;
    if (sms)
        sms->drain();
    long wait = -1;
    for (auto it = q.begin(); it != q.end();) {
        Job &job = *it;
        bool failed = false;
        QString why;
        if (!job.handle.isEmpty()) {
            const SmsGateway::Outcome outcome = sms ? sms->outcome(job.handle) : SmsGateway::Outcome::Unknown;
            if (outcome == SmsGateway::Outcome::Sent) {
                report(Sms, job, true, true, 0, QCoreApplication::translate("notify", "短信已由 gammu-smsd 发出"));
                it = q.erase(it);
                continue;
            }
            if (outcome == SmsGateway::Outcome::Waiting) {
                ++it;
                continue;
            }
            failed = true;
            why = outcome == SmsGateway::Outcome::Failed ? QCoreApplication::translate("notify", "gammu-smsd 没能发出") : QCoreApplication::translate("notify", "gammu-smsd 的发件箱里找不到它了");
            job.handle.clear();
        } else if (job.due <= now) {
            ++job.attempts;
            QString error = smsProblem;
            const auto handle = sms ? sms->inject(smsNumber(job.to), QString::fromUtf8(job.payload), &error) : std::nullopt;
            if (handle) {
                job.handle = *handle;
                report(Sms, job, false, false, 0, QCoreApplication::translate("notify", "已交给 gammu-smsd 发送"));
                ++it;
                continue;
            }
            failed = true;
            why = error;
        }
        if (failed) {
            int retryIn = 0;
            if (retryOrGiveUp(job, &retryIn)) {
                report(Sms, job, false, true, 0, QCoreApplication::translate("notify", "未送达（%1）：已试 %2 次，时间太久，放弃").arg(why).arg(job.attempts));
                it = q.erase(it);
                continue;
            }
            report(Sms, job, false, false, retryIn, QCoreApplication::translate("notify", "未送达（%1）：%2后第 %3 次重试").arg(why, waitText(retryIn)).arg(job.attempts));
        }
        if (job.handle.isEmpty()) {
            const long left = std::max<long>(0, std::chrono::ceil<Ms>(job.due - now).count());
            wait = wait < 0 ? left : std::min(wait, left);
        }
        ++it;
    }
    // Handed-over messages are looked at again now and then, should a change go unseen.
    if (std::any_of(q.begin(), q.end(), [](const Job &j) { return !j.handle.isEmpty(); }))
        wait = wait < 0 ? 30'000 : std::min(wait, 30'000L);
    return wait;
}

} // namespace watch
