// Every way an alarm reaches people through a real peer (gammu-smsd on its dummy phone, aiosmtpd, a
// listener, the relay on the simulated bus, upsd with dummy-ups), in one walk: raised → told, power,
// escalation, replies, the watcher's downtime. Each row takes channels down: the others are not held.
#include "core/archive/recordstore.h"
#include "core/watch/outboxnotifier.h"
#include "core/watch/smsreplies.h"
#include "watch/watchservice.h"
#include "sim/simrecorder.h"
#include "httplistener.h"
#include "smtpserver.h"
#include "smsdpeer.h"
#include "upsdpeer.h"
#include <QTest>

using namespace watch;

class TestAlarmChannels : public QObject {
    Q_OBJECT
private slots:
    void walk_data()
    {
        QTest::addColumn<QString>("down");
        QTest::addColumn<QString>("inbox");  // the format gammu-smsd files replies in (empty: its default)
        QTest::newRow("all up") << "" << "";
        QTest::newRow("sms") << "sms" << "unicode";
        QTest::newRow("mail webhook") << "mail webhook" << "detail";
        QTest::newRow("siren ups") << "siren ups" << "standard";
    }
    void walk();
};

void TestAlarmChannels::walk()
{
    QFETCH(QString, down);
    QFETCH(QString, inbox);
    sim::SimRecorder recorder;
    QVERIFY(recorder.start());
    recorder.setHolding(2, 250);  // sensor 3 at 25.0 ℃, its limit 20.0
    if (!down.contains("siren"))
        recorder.addRelay(30);
    HttpListener hook({down.contains("webhook") ? 503 : 200});
    SmtpServer smtp;
    if (!down.contains("mail"))
        START_SMTP(smtp);
    SmsdPeer smsd(inbox);
    QVERIFY(smsd.start(down.contains("sms") ? SmsdPeer::Mode::Failing : SmsdPeer::Mode::Delivering));
    UpsdPeer ups;
    QString error;
    QVERIFY2(ups.start(&error), qPrintable(error));
    if (down.contains("ups"))
        ups.stop();

    QTemporaryDir dir;
    archive::RecordStore store;
    QVERIFY2(store.open({archive::ArchiveConfig::Sqlite, dir.filePath("archive.db"), {}, 0, {}, {}, {}}, &error), qPrintable(error));
    const NotifySettings settings = parseNotifySettings(
        QStringLiteral("webhook=%1\nsmtp=%2\nfrom=watch@site.example\nto=a@site.example, b@site.example\nsms-smsdrc=%3\n"
                       "sms-to=张三:+8613800000001\nsms-to=李四:+8613800000002\nsms-to=王五:+8613800000003\nsms-to=赵六:+8613800000004\n"
                       "level1=webhook mail:a@site.example sms:张三,李四,王五\nlevel2=mail:b@site.example sms:赵六\nescalate-after=1\n")
            .arg(hook.url(), down.contains("mail") ? "smtp://127.0.0.1:9" : smtp.url(), smsd.configPath()).toUtf8(), &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    Notifier notifier(settings, std::nullopt);
    notifier.setBackoff({50});
    QStringList log;
    const auto say = [&log](const QString &s) { log << s; };
    OutboxNotifier outbox(notifier, store, say);
    QList<Transition> steps;
    QDateTime now = QDateTime::currentDateTimeUtc();
    WatchService::Setup setup{.host = "test", .store = &store, .alarms = parseAlarmSettings("delay=0\nrepeat=0\n", &error),
                              .tell = [&](const Transition &t, const QString &name, const QString &unit) { steps << t, outbox.tell(t, name, unit); },
                              .log = say, .outbox = &outbox, .clock = [&now] { return now; }};
    setup.sensors.parse("COM4-21\t3\t东墙\t℃\t\t20.0\n", &error);
    WatchService service(std::move(setup));
    QVERIFY(service.restore(&error));
    auto link = std::make_unique<Link>();
    QVERIFY(link->open(recorder.portPath(), 19200, 4).isEmpty());
    link->setPeerWitness(&recorder);
    service.add(std::move(link), {"COM4", 4, {21}, 600, {}});
    service.addSiren({"COM4", 4, 30, 0, 0xFF00});
    service.watchUps({ups.upsName(), "127.0.0.1", ups.port()}, 3600 * 1000);  // read at each poll
    service.takeReplies(std::make_unique<SmsReplies>(*readSmsdConfig(smsd.configPath(), &error), settings.smsTo, say));
    const auto step = [&](AlarmEvent event, AlarmKind kind) {
        return std::find_if(steps.cbegin(), steps.cend(), [&](const Transition &t) { return t.event == event && t.kind == kind; });
    };
    const auto told = [&](AlarmEvent event, AlarmKind kind) { return step(event, kind) != steps.cend(); };
    const auto smsTo = [&](const QString &number, const QString &text) {
        return std::ranges::count_if(smsd.sent(), [&](const auto &m) { return m.number == number && m.text.contains(text); });
    };
    const auto mailTo = [&](const QString &to) { return QByteArray(smtp.printed).replace("\r\n", "\n").contains(("\nTo: " + to + "\n").toUtf8()); };
    const auto retried = [&](const QString &channel) {
        return std::ranges::any_of(store.outbox().waiting(&error).value_or(QList<archive::OutboxEntry>{}),
                                   [&](const auto &e) { return e.channel == channel && e.attempts >= 2; });
    };

    // Raised: told on every channel of the first level at once, the siren on.
    service.pollAll();
    QVERIFY(told(AlarmEvent::Raised, AlarmKind::High));
    QCOMPARE(service.pollPeriodS(0), 120);  // out of range: every two minutes at most
    QCOMPARE(told(AlarmEvent::Raised, AlarmKind::SirenFailed), down.contains("siren"));
    QCOMPARE(recorder.relayOn(30, 0), !down.contains("siren"));
    if (!down.contains("webhook"))
        QTRY_VERIFY_WITH_TIMEOUT(!hook.requests.isEmpty(), 30000);
    if (!down.contains("mail"))
        QTRY_VERIFY_WITH_TIMEOUT(mailTo("a@site.example"), 30000);
    if (!down.contains("sms"))
        for (const char *number : {"+8613800000001", "+8613800000002", "+8613800000003"})
            QTRY_COMPARE_WITH_TIMEOUT(smsTo(number, "回复 确认 1"), 1, 30000);
    for (const QString &channel : down.split(' ', Qt::SkipEmptyParts))
        if (channel != "siren" && channel != "ups")
            QTRY_VERIFY_WITH_TIMEOUT(retried(channel), 30000);
    QCOMPARE(smsTo("+8613800000004", "确认 1"), 0);  // not on the first level

    // The UPS on battery and back.
    if (down.contains("ups"))
        QTRY_VERIFY_WITH_TIMEOUT(log.join("\n").contains("不间断电源"), 30000);
    for (const auto &[status, event] : {std::pair{"OB", AlarmEvent::Raised}, std::pair{"OL", AlarmEvent::Cleared}})  // on battery, back
        if (!down.contains("ups")) {
            QVERIFY(ups.setStatus(status));
            service.pollAll();
            QTRY_VERIFY_WITH_TIMEOUT(told(event, AlarmKind::Power), 30000);
        }

    // A minute unacknowledged: the second level hears of the raise.
    now = now.addSecs(61);
    service.pollAll();
    if (!down.contains("sms"))
        QTRY_COMPARE_WITH_TIMEOUT(smsTo("+8613800000004", "回复 确认 1"), 1, 30000);
    if (!down.contains("mail"))
        QTRY_VERIFY_WITH_TIMEOUT(mailTo("b@site.example"), 30000);
    QStringList mailed;  // each level's mail went to its own people only
    for (const auto &e : store.outbox().ofAlarm(1, &error).value_or(QList<archive::OutboxEntry>{}))
        if (e.channel == "mail")
            mailed << e.recipients;
    QCOMPARE(mailed, QStringList({"a@site.example", "b@site.example"}));

    // A stranger's "确认" acknowledges nothing; a listed person's does, everywhere.
    QVERIFY(smsd.receive("+8613900000009", "确认 1", QDateTime::currentDateTime()));
    QTRY_VERIFY_WITH_TIMEOUT(log.join("\n").contains("+8613900000009"), 30000);
    QVERIFY(!told(AlarmEvent::Acknowledged, AlarmKind::High));
    QCOMPARE(recorder.relayOn(30, 0), !down.contains("siren"));
    QVERIFY(smsd.receive("13800000002", "确认 1", QDateTime::currentDateTime()));
    QTRY_VERIFY_WITH_TIMEOUT(told(AlarmEvent::Acknowledged, AlarmKind::High), 30000);
    QCOMPARE(step(AlarmEvent::Acknowledged, AlarmKind::High)->by, "李四");
    QVERIFY(!recorder.relayOn(30, 0));
    if (!down.contains("sms"))
        for (const char *number : {"+8613800000001", "+8613800000004"})
            QTRY_COMPARE_WITH_TIMEOUT(smsTo(number, "【已确认】"), 1, 30000);

    // Started again an hour after its last poll: that it was down is an alarm, over once acknowledged.
    now = now.addSecs(3600);
    service.start();
    QVERIFY(told(AlarmEvent::Raised, AlarmKind::WatcherDown));
    QTRY_COMPARE(recorder.relayOn(30, 0), !down.contains("siren"));
    QVERIFY(smsd.receive("13800000001", QString("ACK %1").arg(step(AlarmEvent::Raised, AlarmKind::WatcherDown)->id), QDateTime::currentDateTime()));
    QTRY_VERIFY_WITH_TIMEOUT(told(AlarmEvent::Cleared, AlarmKind::WatcherDown), 30000);
    QVERIFY(!recorder.relayOn(30, 0));

    // The day's check: its signed checkpoint leaves the PC on the webhook and by mail, and the audit
    // trail says where it went.
    service.checkArchive();
    if (!down.contains("webhook"))
        QTRY_VERIFY_WITH_TIMEOUT(std::ranges::any_of(hook.requests, [](const QByteArray &r) { return r.contains(R"("event":"checkpoint")"); }), 30000);
    if (!down.contains("mail"))
        QTRY_VERIFY_WITH_TIMEOUT(smtp.printed.contains("Message-ID: <wl8806n.checkpoint."), 30000);
    const auto trail = store.audit().trail(&error, archive::kinds::Checkpoint).value_or(QList<archive::AuditRow>{});
    QCOMPARE(trail.size(), 1);
    QVERIFY2(trail[0].oldValue.contains("webhook http://127.0.0.1:") && trail[0].oldValue.contains("mail a@site.example"), qPrintable(trail[0].oldValue));
}

QTEST_GUILESS_MAIN(TestAlarmChannels)
#include "test_alarmchannels.moc"
