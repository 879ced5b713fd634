// The UPS as a real upsd with a dummy-ups driver tells it: the names the watcher's settings take,
// single readings (the alarm channels' walk follows the power through the watch on its own thread).
#include "core/watch/upswatch.h"
#include "upsdpeer.h"
#include <QSignalSpy>
#include <QTest>

using watch::Power;

class TestUps : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void parseUpsName_data();
    void parseUpsName();
    void readUps_data();
    void readUps();

private:
    UpsdPeer m_peer;
};

void TestUps::initTestCase()
{
    QString error;
    QVERIFY2(m_peer.start(&error), qPrintable(error));
}

void TestUps::parseUpsName_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("back");  // none: refused
    QTest::newRow("host") << " ups@nas.local " << "nas.local" << 3493 << "ups@nas.local";
    QTest::newRow("port") << "rack1@10.0.0.5:3494" << "10.0.0.5" << 3494 << "rack1@10.0.0.5:3494";
    QTest::newRow("default port") << "ups@h:3493" << "h" << 3493 << "ups@h";
    QTest::newRow("ipv6") << "ups@[fe80::1]:3495" << "fe80::1" << 3495 << "ups@[fe80::1]:3495";
    QTest::newRow("ipv6 default port") << "ups@[::1]" << "::1" << 3493 << "ups@[::1]";
    for (const char *bad : {"", "ups", "@h", "ups@", "ups@h:", "ups@h:0", "ups@h:65536", "ups@h:x", "my ups@h",
                            "ups@::1", "ups@[::1", "ups@[::1]x", "a@b@c"})
        QTest::newRow(bad) << bad << "" << 0 << "";
}

void TestUps::parseUpsName()
{
    QFETCH(QString, text);
    QFETCH(QString, back);
    QString error;
    const auto name = watch::parseUpsName(text, &error);
    if (back.isEmpty()) {
        QVERIFY(!name);
        QVERIFY(error.contains("名称@主机"));
        return;
    }
    QVERIFY2(name, qPrintable(error));
    QTEST(name->host, "host");
    QTEST(name->port, "port");
    QCOMPARE(watch::upsText(*name), back);
}

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
    QFETCH(int, where);
    QFETCH(QString, ups);
    QFETCH(QString, status);
    QFETCH(QString, error);
    QTcpServer silent, closed;
    QVERIFY(silent.listen(QHostAddress::LocalHost) && closed.listen(QHostAddress::LocalHost));
    const quint16 port = where == Peer ? m_peer.port() : where == Silent ? silent.serverPort() : closed.serverPort();
    closed.close();
    if (!status.isEmpty())
        QVERIFY(m_peer.setStatus(status));
    const watch::UpsState state = watch::readUps({ups, "127.0.0.1", port}, 1000);
    QTEST(state.power, "power");
    QCOMPARE(state.status, status);
    QCOMPARE(state.charge, status.isEmpty() ? std::nullopt : std::optional(87));
    QVERIFY2(error.isEmpty() ? state.error.isEmpty() : state.error.contains(error), qPrintable(state.error));
}

QTEST_GUILESS_MAIN(TestUps)
#include "test_ups.moc"
