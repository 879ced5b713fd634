// The UPS as a real upsd with a dummy-ups driver tells it, one reading at a time (the names: watch.set's
// test; the watch on its own thread: the alarm channels' walk).
#include "core/watch/upswatch.h"
#include "upsdpeer.h"
#include <QTest>

using watch::Power;

class TestUps : public QObject {
    Q_OBJECT
private slots:
    void readUps_data();
    void readUps();

private:
    UpsdPeer peer;  // started by the first row that needs it
};

enum Where { Peer, Closed, Silent };

void TestUps::readUps_data()
{
    QTest::addColumn<int>("where");
    QTest::addColumn<QString>("ups");
    QTest::addColumn<QString>("status");
    QTest::addColumn<Power>("power");
    QTest::addColumn<QString>("error");  // a part of it
    QTest::newRow("mains") << int(Peer) << "dummy" << "OL" << Power::Mains << "";
    QTest::newRow("mains, charging") << int(Peer) << "dummy" << "OL CHRG" << Power::Mains << "";
    QTest::newRow("battery") << int(Peer) << "dummy" << "OB LB" << Power::Battery << "";
    QTest::newRow("off") << int(Peer) << "dummy" << "OFF" << Power::Unknown << "";
    QTest::newRow("unknown ups") << int(Peer) << "nosuch" << "" << Power::Unknown << "没有名为“nosuch”的 UPS";
    QTest::newRow("no upsd") << int(Closed) << "dummy" << "" << Power::Unknown << "连接被拒绝";
    QTest::newRow("never answers") << int(Silent) << "dummy" << "" << Power::Unknown << "毫秒内回答";
}

void TestUps::readUps()
{
    QString why;
    QVERIFY2(peer.port() || peer.start(&why), qPrintable(why));
    QFETCH(int, where);
    QFETCH(QString, ups);
    QFETCH(QString, status);
    QFETCH(QString, error);
    QTcpServer silent, closed;
    QVERIFY(silent.listen(QHostAddress::LocalHost) && closed.listen(QHostAddress::LocalHost));
    const quint16 port = where == Peer ? peer.port() : where == Silent ? silent.serverPort() : closed.serverPort();
    closed.close();
    if (!status.isEmpty())
        QVERIFY(peer.setStatus(status));
    const watch::UpsState state = watch::readUps({ups, "127.0.0.1", port}, 1000);
    QTEST(state.power, "power");
    QCOMPARE(state.status, status);
    QCOMPARE(state.charge, status.isEmpty() ? std::nullopt : std::optional(87));
    QVERIFY2(error.isEmpty() ? state.error.isEmpty() : state.error.contains(error), qPrintable(state.error));
}

QTEST_GUILESS_MAIN(TestUps)
#include "test_ups.moc"
