// A bad minute: 20 alarms raised at once, each told to a webhook, by mail and by SMS to three people,
// through the watcher's outbox and notifier, to a real HTTP listener, a real SMTP server (aiosmtpd) and
// a real gammu-smsd on gammu's dummy phone. Prints how long each notification took from the raise to
// its hand-over (the listener's answer, the mail server's acceptance, gammu-smsd's queue); the aim is
// p99 at most 10 s.
// Last line: "alarms: raised=20 sms=N mail=N webhook=N p99_s=…".
#include "scratchstore.h"
#include "core/watch/outboxnotifier.h"
#include "httplistener.h"
#include "smtpserver.h"
#include "watch/smsdpeer.h"
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    constexpr int Alarms = 20;
    HttpListener hook(QList<int>(Alarms, 200));
    SmtpServer smtp;
    SmsdPeer smsd;
    const QString python = smtpPython();
    QString error;
    if (python.isEmpty() || !(error = smtp.start(python)).isEmpty() || !smsd.start()) {
        std::fprintf(stderr, "peers: %s\n", qPrintable(python.isEmpty() ? QStringLiteral("no aiosmtpd") : error));
        return 1;
    }
    QTemporaryDir dir;
    archive::RecordStore store;
    if (!openScratchStore(store, dir))
        return 1;
    const watch::NotifySettings settings = watch::parseNotifySettings(
        QStringLiteral("webhook=%1\nsmtp=%2\nfrom=watch@site.example\nto=keeper@site.example\nsms-smsdrc=%3\n"
                       "sms-to=张三:+8613800000001\nsms-to=李四:+8613800000002\nsms-to=王五:+8613800000003\n")
            .arg(hook.url(), smtp.url(), smsd.configPath()).toUtf8(), &error);
    watch::Notifier notifier(settings, std::nullopt);
    watch::OutboxNotifier outbox(notifier, store, [](const QString &s) { std::fprintf(stderr, "%s\n", qPrintable(s)); });
    QElapsedTimer clock;
    QMap<QString, int> handedOver;
    QList<double> seconds;
    int expected = 0;
    QEventLoop done;
    QObject::connect(&notifier, &watch::Notifier::attempted, &app, [&](const watch::Notifier::Attempt &a) {
        if (!a.delivered && a.handle.isEmpty())
            return;  // a failure: its retry is what counts
        if (a.channel == u"sms" && a.delivered)
            return;  // sent by the phone after the hand-over
        ++handedOver[a.channel];
        seconds.append(clock.nsecsElapsed() / 1e9);
        if (seconds.size() == expected)
            done.quit();
    });
    clock.start();
    const QDateTime now = QDateTime::currentDateTimeUtc();
    for (int i = 1; i <= Alarms; ++i) {
        const watch::Transition t{watch::AlarmEvent::Raised, watch::AlarmKind::High, i, QStringLiteral("COM4-%1").arg(20 + i),
                                  uint8_t(20 + i), 3, 250, 200, now, {}, {}};
        expected += outbox.tell(t, QStringLiteral("东墙 1 米"), QStringLiteral("℃"));
    }
    QTimer::singleShot(120'000, &done, &QEventLoop::quit);  // a channel that never hands over ends the run
    if (seconds.size() < expected)
        done.exec();
    std::sort(seconds.begin(), seconds.end());
    const double p99 = seconds.isEmpty() ? -1 : seconds[std::min<qsizetype>(seconds.size() - 1, qsizetype(0.99 * seconds.size()))];
    std::printf("alarms: raised=%d sms=%d mail=%d webhook=%d p99_s=%.3f\n", Alarms, handedOver.value("sms"),
                handedOver.value("mail"), handedOver.value("webhook"), p99);
    return seconds.size() == expected ? 0 : 1;
}
