// SMS through a real gammu-smsd on gammu's dummy phone: messages queued with libgammu come out of the
// phone whole (coding, parts, recipients) and are followed to the sent folder. (Failures and replies in
// each inbox format: the alarm channels' walk.)
#include "core/watch/smsgateway.h"
#include "smsdpeer.h"
#include <QSignalSpy>
#include <QSocketNotifier>
#include <QTest>
#include <poll.h>

using watch::SmsGateway;

class TestSms : public QObject {
    Q_OBJECT
private slots:
    void sentWhole_data();
    void sentWhole();
};

void TestSms::sentWhole_data()
{
    QTest::addColumn<QStringList>("numbers");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("parts");  // 0: refused, nothing queued
    const QString alarm = QStringLiteral("东墙温度 38.5℃ 超过上限 35.0℃，请回复“确认 12”。");
    // 92 characters: one part in 7 bits only (the brackets take two septets each), two in UCS-2.
    const QString ascii = QStringLiteral("Alarm 12, east wall: T 38.5 C > 35.0 C since 23:41 {reply OK 12} [site 3, recorder 21, COM4]");
    QTest::newRow("short ASCII") << QStringList{"+8613800138000"} << ascii << 1;
    QTest::newRow("Chinese, one UCS-2 part") << QStringList{"13800138000"} << alarm << 1;
    // 137 characters: three parts of 67, though two would hold them at 70.
    QTest::newRow("long Chinese, three parts") << QStringList{"13800138000"} << alarm.repeated(4) + QStringLiteral("请尽快处理") << 3;
    QTest::newRow("two recipients") << QStringList{"13800138001", "+8613800138003"} << alarm << 1;
    QTest::newRow("letters in the number") << QStringList{"138001380ab"} << alarm << 0;
    QTest::newRow("too short a number") << QStringList{"+12"} << alarm << 0;
}

void TestSms::sentWhole()
{
    QFETCH(QStringList, numbers);
    QFETCH(QString, text);
    QFETCH(int, parts);
    SmsdPeer peer;
    QString why;
    const auto config = watch::readSmsdConfig(peer.configPath(), &why);
    QVERIFY2(config, qPrintable(why));
    const auto gateway = std::make_unique<SmsGateway>(*config);
    QStringList ids;
    for (const QString &n : numbers) {
        QString error;
        const auto id = gateway->inject(n, text, &error);
        QVERIFY2(bool(id) == (parts > 0) && (id || error.contains(n)), qPrintable(error));
        ids << id.value_or(QString());
    }
    if (!parts) {
        QVERIFY(QDir(peer.folder("outbox")).isEmpty());
        return;
    }
    QCOMPARE(SmsGateway::parts(text), parts);
    // Queued while the daemon is down, sent once it runs; the change descriptor says so.
    QCOMPARE(gateway->outcome(ids[0]), SmsGateway::Outcome::Waiting);
    QCOMPARE(gateway->outcome("OUTC_not_ours.smsbackup"), SmsGateway::Outcome::Unknown);
    gateway->drain();
    QSocketNotifier notifier(gateway->changeFd(), QSocketNotifier::Read);
    QSignalSpy changed(&notifier, &QSocketNotifier::activated);
    QVERIFY(peer.start());
    QTRY_COMPARE_WITH_TIMEOUT(peer.sent().size(), numbers.size(), 60000);
    QVERIFY(changed.count() > 0 || changed.wait(60000));
    notifier.setEnabled(false);
    gateway->drain();
    pollfd pfd{gateway->changeFd(), POLLIN, 0};
    QCOMPARE(::poll(&pfd, 1, 0), 0);
    QSet<QString> got;
    for (const SmsdPeer::SentMessage &m : peer.sent()) {
        QCOMPARE(std::tuple(m.text, m.parts, ids.contains(m.file)), std::tuple(text, parts, true));
        QCOMPARE(gateway->outcome(m.file), SmsGateway::Outcome::Sent);
        got << m.number;
    }
    QCOMPARE(got, QSet<QString>(numbers.begin(), numbers.end()));
}

QTEST_GUILESS_MAIN(TestSms)
#include "test_sms.moc"
