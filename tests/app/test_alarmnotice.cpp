// An alarm raised while the window shows another tab: banner, title, sound and a desktop notification
// (a test server on a private dbus-daemon) whose "确认" leads to the alarm; the acknowledgement or the
// clearing takes it all away. Without a bus the window still tells it, and says once why.
#include "core/settings/archivesettings.h"
#include "panels/alarms/alarmnotice.h"
#include "panels/alarms/alarmpanel.h"
#include "ui/valuelabel.h"
#include "windowfixture.h"
#include <QDBusConnection>
#include <QFrame>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>

using watch::AlarmEvent;
using watch::AlarmKind;

class NotificationServer : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Call { QString summary, body; QStringList actions; QVariantMap hints; int timeout; };
    QList<Call> notified;
    QList<uint> closed;
public slots:
    uint Notify(const QString &, uint, const QString &, const QString &summary, const QString &body,
                const QStringList &actions, const QVariantMap &hints, int timeout)
    {
        notified.append({summary, body, actions, hints, timeout});
        return uint(notified.size()) + 100;
    }
    void CloseNotification(uint id) { closed.append(id); }
signals:
    void ActionInvoked(uint id, const QString &key);
};

class TestAlarmNotice : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        m_bus.start("dbus-daemon", {"--session", "--print-address", "--nofork"});
        QVERIFY(m_bus.waitForReadyRead(60'000));
        m_address = QString::fromUtf8(m_bus.readLine()).trimmed();
        auto server = QDBusConnection::connectToBus(m_address, "server");
        QVERIFY(server.registerObject("/org/freedesktop/Notifications", &m_server, QDBusConnection::ExportAllContents));
        QVERIFY(server.registerService("org.freedesktop.Notifications"));
    }
    void cleanupTestCase()
    {
        m_bus.terminate();
        m_bus.waitForFinished();
    }

    void walk_data()
    {
        QTest::addColumn<int>("early");  // raised before the window starts
        QTest::addColumn<bool>("bus");
        QTest::addColumn<QString>("end");
        QTest::newRow("acknowledged") << 0 << true << "ack";
        QTest::newRow("two alarms") << 1 << true << "ack";
        QTest::newRow("cleared without an acknowledgement") << 0 << true << "clear";
        QTest::newRow("no bus") << 0 << false << "ack";
    }
    void walk()
    {
        QFETCH(int, early);
        QFETCH(bool, bus);
        QFETCH(QString, end);
        qputenv("DBUS_SESSION_BUS_ADDRESS", bus ? m_address.toUtf8() : QByteArray("unix:path=/nonexistent/bus"));
        m_server.notified.clear(), m_server.closed.clear();
        WindowFixture fx;
        fx.writeFile("sensors.set", "COM4-21\t3\t东墙\t℃\t\t20.0\n");
        archive::RecordStore store;
        QString error;
        QVERIFY2(archive::openConfiguredArchive(store, fx.dir.path(), &error, nullptr), qPrintable(error));
        const QDateTime now = fx.desktop->clock;
        const auto raise = [&](qint64 id, AlarmEvent event, int ago) {  // alarm 2 is of sensor 3, 东墙
            QVERIFY(store.alarms().append({event, AlarmKind::High, id, "COM4-21", 21, 5 - int(id), 200 + int(id), 200, now.addSecs(-ago).toUTC(), {}, {}}, &error));
        };
        if (early)
            raise(1, AlarmEvent::Raised, 600);
        frmMain &w = fx.start();
        const QString title = w.windowTitle();
        AlarmNotice &notice = *w.alarmNotice;
        notice.check();
        QCOMPARE(notice.frmAlarmBanner->isVisible(), bool(early));
        QCOMPARE(fx.desktop->alarmSounds, early);

        raise(2, AlarmEvent::Raised, 60);
        notice.check();
        notice.check();  // the second look adds nothing
        int count = early + 1;
        QVERIFY(notice.frmAlarmBanner->isVisible());
        QCOMPARE(notice.lblAlarmBanner->text(), "报警：COM4-21 东墙 高于上限 20.2 ℃（限值 20.0 ℃），自 " + now.addSecs(-60).toString("HH:mm:ss")
                                                   + " 起" + (early ? "（另有 1 条）" : ""));
        QCOMPARE(w.windowTitle(), QString("【报警 %1】").arg(count) + title);
        QCOMPARE(fx.desktop->alarmSounds, count);
        if (bus) {
            QTRY_COMPARE(m_server.notified.size(), count);
            const NotificationServer::Call &call = m_server.notified.last();
            QVERIFY2(call.summary.contains("东墙") && call.body.contains("报警编号 2"), qPrintable(call.summary + call.body));
            QCOMPARE(std::tuple(call.actions, call.hints.value("urgency").toInt(), call.hints.value("resident").toBool(), call.timeout),
                     std::tuple(QStringList({"ack", "确认"}), 2, true, 0));
        } else {
            QVERIFY(w.lblStatusLine->text().contains("桌面通知"));
            w.showStatus({});
            raise(3, AlarmEvent::Raised, 30);
            notice.check();
            QCOMPARE(w.lblStatusLine->text(), "");  // said once
            ++count;
        }

        // The first notification is the one acknowledged: the older alarm of two. Without a bus the
        // banner's button leads to the newest.
        const qint64 told = bus ? (early ? 1 : 2) : 3;
        if (end == "clear") {
            raise(2, AlarmEvent::Cleared, 0);
        } else {
            if (bus)
                emit m_server.ActionInvoked(101, "ack");
            else
                notice.cmdBannerAck->click();
            QTRY_COMPARE(w.tabs->currentWidget(), w.alarmPanel);
            QTRY_VERIFY(w.alarmPanel->lstAlarms->currentItem());
            QCOMPARE(w.alarmPanel->lstAlarms->currentItem()->text(0), QString::number(told));
            QTRY_VERIFY(w.alarmPanel->txtAckBy->hasFocus());
            w.alarmPanel->txtAckBy->setText("王工");
            w.alarmPanel->cmdAckAlarm->click();
        }
        notice.check();
        const int left = count - 1;
        QCOMPARE(notice.frmAlarmBanner->isVisible(), left > 0);
        QCOMPARE(w.windowTitle(), (left ? QString("【报警 %1】").arg(left) : QString()) + title);
        if (bus) {
            QTRY_COMPARE(m_server.closed, QList<uint>({101}));
            QCOMPARE(m_server.notified.size(), count);
        }
    }

private:
    QProcess m_bus;
    QString m_address;
    NotificationServer m_server;
};

QTEST_MAIN(TestAlarmNotice)
#include "test_alarmnotice.moc"
