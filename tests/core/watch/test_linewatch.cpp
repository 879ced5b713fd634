// The watcher's poll of one bus against the simulated recorder: every reading kept as a number (none
// where the device has no reading), an alarm raised by a reading and one by a device that stopped
// answering, each step in the archive before it is told, a failed poll never blocking the next.
#include "core/archive/recordstore.h"
#include "core/settings/sensortable.h"
#include "core/watch/linewatch.h"
#include "simlines.h"
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

using namespace watch;

class TestLineWatch : public QObject {
    Q_OBJECT
private slots:
    void pollsKeepAndTell()
    {
        sim::SimRecorder recorder;
        QVERIFY(recorder.start());
        recorder.addDevice(22);
        for (uint16_t reg = 0; reg < 20; ++reg)
            recorder.setHolding(reg, reg == 2 ? 250 : reg == 5 ? 65535 : 100 + reg, 21);
        Link link;
        QVERIFY(openOn(link, recorder, 19200, 4).isEmpty());

        QTemporaryDir dir;
        archive::RecordStore store;
        QString error;
        QVERIFY2(store.open({archive::ArchiveConfig::Sqlite, dir.filePath("archive.db"), {}, 0, {}, {}, {}}, &error), qPrintable(error));
        sensors::SensorTable limits;
        limits.parse("COM4-21\t3\t东墙\t℃\t\t20.0\n", &error);
        AlarmRules rules(parseAlarmSettings("delay=0\ncomm-lost-polls=2\n", &error));
        QList<Transition> told;
        QStringList logged;
        LineWatch watch(link, {"COM4", 4, {21, 22}, 60, {}}, {&store, &limits, &rules, [](uint8_t a) { return QStringLiteral("COM4-%1").arg(a); },
                         [&](const Transition &t) { told << t; }, [&](const QString &s) { logged << s; }});

        const QDateTime t0(QDate(2026, 12, 8), QTime(3, 0), Qt::UTC);
        QVERIFY(watch.poll(t0));                      // 22 silent once: nothing yet
        recorder.removeDevice(22);                    // and still: no answer
        QVERIFY(watch.poll(t0.addSecs(60)));
        {
            auto held = link.tryHold();               // a download of the window's holds the bus
            QVERIFY(!watch.poll(t0.addSecs(120)));
            QCOMPARE(logged.size(), 1);
        }
        QVERIFY(watch.poll(t0.addSecs(180)));

        QCOMPARE(told.size(), 2);
        QCOMPARE(told[0].kind, AlarmKind::High);
        QCOMPARE(std::tuple(told[0].recorder, told[0].sensor, told[0].value, told[0].limit), std::tuple(QString("COM4-21"), 3, std::optional(250), std::optional(200)));
        QCOMPARE(std::tuple(told[1].kind, told[1].recorder, told[1].address), std::tuple(AlarmKind::NoAnswer, QString("COM4-22"), uint8_t(22)));
        QCOMPARE(store.alarms().steps(archive::AlarmSteps::All, {}, &error).value_or(QList<Transition>{}), told);

        QSqlQuery q(QSqlDatabase::database(QSqlDatabase::connectionNames().first()));
        QVERIFY(q.exec("SELECT COUNT(*), COUNT(value), SUM(CASE WHEN sensor = 3 AND value = 25.0 THEN 1 ELSE 0 END),"
                       " SUM(CASE WHEN sensor = 20 AND value = 11.9 THEN 1 ELSE 0 END) FROM readings WHERE recorder = 'COM4-21'"));
        QVERIFY(q.next());
        QCOMPARE((QList<int>{q.value(0).toInt(), q.value(1).toInt(), q.value(2).toInt(), q.value(3).toInt()}), (QList<int>{60, 57, 3, 3}));
    }
};

QTEST_GUILESS_MAIN(TestLineWatch)
#include "test_linewatch.moc"
