// The watcher's parts: readings, alarm steps and beats, on a SQLite file and on PostgreSQL.
#include "archivetest.h"

using namespace archivetest;

class TestWatchTables : public QObject {
    Q_OBJECT
    Archives m_archives;

private slots:
    void initTestCase() { m_archives.start(); }

    // The watcher's readings are numbers (NULL for none) SQL reads as they are; alarm steps come back
    // as written, and those of alarms not cleared are what a restarted watcher picks up.
    void watchTables_data() { bothDatabases(); }
    void watchTables()
    {
        QTemporaryDir dir;
        RecordStore store;
        const auto config = m_archives.openFresh(dir, store);
        if (!config)
            return;
        QString error;
        const QDateTime t0(QDate(2026, 12, 8), QTime(3, 12), Qt::UTC);
        for (int i = 0; i < 2; ++i)  // the same poll stored again is kept once
            QVERIFY2(store.readings().store("冷库", 21, t0, {235, std::nullopt, -15}, &error), qPrintable(error));
        QSqlQuery q(QSqlDatabase::database(QSqlDatabase::connectionNames().first()));
        QVERIFY(q.exec("SELECT sensor, value FROM readings WHERE value IS NULL OR value < 0 OR value > 23.4 ORDER BY sensor"));
        QStringList rows;
        while (q.next())
            rows << QStringLiteral("%1=%2").arg(q.value(0).toInt()).arg(q.value(1).isNull() ? "NULL" : q.value(1).toString());
        QCOMPARE(rows, (QStringList{"1=23.5", "2=NULL", "3=-1.5"}));
        using watch::AlarmEvent, watch::AlarmKind;
        const QList<watch::Transition> steps{
            {AlarmEvent::Raised, AlarmKind::High, 1, "冷库", 21, 3, 250, 200, t0},
            {AlarmEvent::Raised, AlarmKind::NoAnswer, 2, "COM4-22", 22, 0, std::nullopt, std::nullopt, t0.addSecs(60)},
            {AlarmEvent::Acknowledged, AlarmKind::High, 1, "冷库", 21, 3, 250, 200, t0.addSecs(120), "王工", "门已关"},
            {AlarmEvent::Cleared, AlarmKind::NoAnswer, 2, "COM4-22", 22, 0, std::nullopt, std::nullopt, t0.addSecs(180)}};
        for (const auto &step : steps)
            QVERIFY2(store.alarms().append(step, &error), qPrintable(error));
        QCOMPARE(store.audit().trail(&error)->last().newValue, QString("#1 王工：门已关"));
        QCOMPARE(store.alarms().steps(archive::AlarmSteps::All, {}, &error).value_or(QList<watch::Transition>{}), steps);
        QCOMPARE(store.alarms().steps(archive::AlarmSteps::OfOpenAlarms, {}, &error).value_or(QList<watch::Transition>{}),
                 (QList<watch::Transition>{steps[0], steps[2]}));
        QCOMPARE(store.alarms().steps(archive::AlarmSteps::All, t0.addSecs(120), &error)->size(), 2);
        QCOMPARE(store.alarms().lastId(&error), 2);
        QVERIFY(!store.watchers().last(&error) && error.isEmpty());
        for (const auto &b : {archive::WatcherBeat{"pc1", t0, "COM4"}, {"pc2", t0.addSecs(30), "COM5"}, {"pc1", t0.addSecs(60), "COM4"}})
            QVERIFY2(store.watchers().beat(b, &error), qPrintable(error));
        const auto beat = store.watchers().last(&error);
        QCOMPARE(std::tuple(beat->host, beat->beat, beat->lines), std::tuple(QString("pc1"), t0.addSecs(60), QString("COM4")));
    }
};

QTEST_GUILESS_MAIN(TestWatchTables)
#include "test_watchtables.moc"
