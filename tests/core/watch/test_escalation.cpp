// Who hears of an alarm as it climbs the levels of notify.set, and which SMS replies acknowledge it.
#include "core/watch/escalation.h"
#include "core/watch/smsreplies.h"
#include <QTest>

using namespace watch;

static QString shown(const NotifyLevel &l)
{
    return QStringList{l.webhook ? "webhook" : "", "mail:" + l.mail.join(','), "sms:" + l.sms.join(',')}.join(' ').trimmed();
}
static const QDateTime T0(QDate(2026, 12, 10), QTime(3, 0), Qt::UTC);

class TestEscalation : public QObject {
    Q_OBJECT
private slots:
    void climb_data()
    {
        QTest::addColumn<int>("ackAt");     // minutes after the raise; -1: never
        QTest::addColumn<int>("cleared");   // 1: no longer active
        QTest::addColumn<QList<int>>("looks");  // minutes after the raise the watcher looks
        QTest::addColumn<QStringList>("told");  // "level: people" for each climb
        QTest::addColumn<QString>("finally");   // who the acknowledgement (or clear) goes to
        QTest::newRow("not yet") << -1 << 0 << QList<int>{0, 9} << QStringList{} << "mail: sms:A";
        QTest::newRow("each level on time") << -1 << 0 << QList<int>{10, 19, 20}
            << QStringList{"2: mail:x sms:B", "3: mail: sms:C"} << "mail:x sms:A,B,C";
        QTest::newRow("two levels at one look") << -1 << 0 << QList<int>{25, 60} << QStringList{"3: mail:x sms:B,C"} << "mail:x sms:A,B,C";
        QTest::newRow("acknowledged before the first") << 5 << 0 << QList<int>{25} << QStringList{} << "mail: sms:A";
        QTest::newRow("acknowledged between") << 15 << 0 << QList<int>{12, 40} << QStringList{"2: mail:x sms:B"} << "mail:x sms:A,B";
        QTest::newRow("cleared") << -1 << 1 << QList<int>{30} << QStringList{} << "mail: sms:A";
    }
    void climb()
    {
        QFETCH(int, ackAt);
        QFETCH(int, cleared);
        QFETCH(QList<int>, looks);
        QFETCH(QStringList, told);
        Escalation e({{false, {}, {"A"}}, {false, {"x"}, {"A", "B"}}, {false, {}, {"C", "A"}}}, 10);
        Transition raise{AlarmEvent::Raised, AlarmKind::High, 7, "COM4-21", 21, 3, 250, 200, T0, {}, {}};
        QCOMPARE(shown(e.audience(raise)), "mail: sms:A");
        Transition latest = raise;
        QStringList climbs;
        for (int minute : looks) {
            if (ackAt >= 0 && minute >= ackAt)
                latest.event = AlarmEvent::Acknowledged;
            for (const Escalation::Due &d : e.due(cleared ? QList<Transition>{} : QList<Transition>{latest}, T0.addSecs(60 * minute))) {
                QCOMPARE(d.raise, raise);
                climbs << QString::number(d.level) + ": " + shown(d.newly);
            }
        }
        QCOMPARE(climbs, told);
        latest.event = ackAt >= 0 ? AlarmEvent::Acknowledged : AlarmEvent::Cleared;
        QTEST(shown(e.audience(latest)), "finally");
    }

    void replies_data()
    {
        QTest::addColumn<qint64>("alarm");  // of the reply the row's name is; 0: none
        for (const char *t : {"确认 12", "确认12", "ACK 12", "ack #12", "确认　１２", " 确认 12。"})
            QTest::newRow(t) << qint64(12);
        for (const char *t : {"确认", "12", "不确认 12", "确认 12 13", "ACK 0", "好的", "确认 12345678901234567"})
            QTest::newRow(t) << qint64(0);
    }
    void replies() { QTEST(replyAlarm(QTest::currentDataTag()).value_or(0), "alarm"); }

    void numbers_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<bool>("same");
        QTest::newRow("equal") << "+8613800000001" << "+8613800000001" << true;
        QTest::newRow("country code") << "+8613800000001" << "13800000001" << true;
        QTest::newRow("00 for +") << "008613800000001" << "+86 138-0000-0001" << true;
        QTest::newRow("trunk 0") << "+4930123456" << "030123456" << true;
        QTest::newRow("another number") << "+8613800000001" << "13800000002" << false;
        QTest::newRow("a tail only") << "+8613800000001" << "0001" << false;
        QTest::newRow("longer than a country code") << "+8613800000001" << "800000001" << false;
        QTest::newRow("both local, one longer") << "13800000001" << "3800000001" << false;
        QTest::newRow("same length, one international") << "+13800000001" << "13800000001" << false;
        QTest::newRow("empty") << "" << "" << false;
    }
    void numbers()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QTEST(sameNumber(a, b), "same");
        QTEST(sameNumber(b, a), "same");
    }
};

QTEST_GUILESS_MAIN(TestEscalation)
#include "test_escalation.moc"
