// SMS through a real gammu-smsd on gammu's dummy phone: messages queued with libgammu come out of the
// phone whole (coding, parts, recipients), are followed to the sent folder (the error folder: the alarm
// channels' walk), and replies the
// phone received are read back from gammu-smsd's inbox in each of its formats.
#include "core/watch/smsgateway.h"
#include "smsdpeer.h"
#include <QSignalSpy>
#include <QSocketNotifier>
#include <QTest>
#include <poll.h>

using watch::SmsGateway;
Q_DECLARE_METATYPE(SmsGateway::Outcome)

namespace {
std::unique_ptr<SmsGateway> gatewayFor(const SmsdPeer &peer)
{
    QString error;
    const auto config = watch::readSmsdConfig(peer.configPath(), &error);
    if (!config)
        qFatal("%s", qPrintable(error));
    return std::make_unique<SmsGateway>(*config);
}
} // namespace

class TestSms : public QObject {
    Q_OBJECT
private slots:
    void sentWhole_data();
    void sentWhole();
    void replyReadBack_data();
    void replyReadBack();
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
    const auto gateway = gatewayFor(peer);
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
    QStringList got;
    for (const SmsdPeer::SentMessage &m : peer.sent()) {
        QCOMPARE(m.text, text);
        QCOMPARE(m.parts, parts);
        QVERIFY(ids.contains(m.file));
        QCOMPARE(gateway->outcome(m.file), SmsGateway::Outcome::Sent);
        got << m.number;
    }
    got.sort();
    numbers.sort();
    QCOMPARE(got, numbers);
}

void TestSms::replyReadBack_data()
{
    QTest::addColumn<QString>("format");
    QTest::newRow("default format") << QString();
    QTest::newRow("unicode") << QStringLiteral("unicode");
    QTest::newRow("detail") << QStringLiteral("detail");
}

void TestSms::replyReadBack()
{
    QFETCH(QString, format);
    SmsdPeer peer(format);
    QVERIFY(peer.start());
    const auto gateway = gatewayFor(peer);
    const QDateTime at(QDate(2026, 12, 9), QTime(23, 41, 7));
    QVERIFY(peer.receive("+8613900139000", QStringLiteral("确认 12"), at));
    QString error;
    QTRY_COMPARE_WITH_TIMEOUT(gateway->received(&error).value_or(QList<SmsGateway::Received>{}).size(), 1, 60000);
    const SmsGateway::Received r = gateway->received(&error)->first();
    QCOMPARE(r.number, QStringLiteral("+8613900139000"));
    QCOMPARE(r.text, QStringLiteral("确认 12"));
    QCOMPARE(r.time, at);
    QVERIFY(QFileInfo::exists(peer.folder("inbox/") + r.file));
}

QTEST_GUILESS_MAIN(TestSms)
#include "test_sms.moc"
