// The watcher's alarm rules against a fake clock: each scenario a list of steps and the transitions
// they give; and the file alarms.set.
#include "core/watch/alarmrules.h"
#include "tablerows.h"
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace watch;

// Every sensor of the recorder COM4-21 (address 21) should stay within 0.0 … 20.0. A step is one
// action at second t: "vK=X" readings (X "-": no reading) make a poll that answered, "fail" one that
// did not, "tick" asks for repeats, "ack ID by=… note=…" acknowledges, "drop=K" removes sensor K's
// limits first, "restart" rebuilds the rules from every transition so far, "active" lists them.
// Expected: every transition in order, as "raised high 1 s3 25.0/20.0 @300", "refused" for a refusal.
const auto &scenarioRows() { static const struct { const char *name, *settings, *steps, *expected; } rows[] = {
    {"raised only after the delay", "",
     "t=0 v3=25.0 | t=200 v3=25.0 | t=299 v3=25.0 | t=300 v3=25.0 | t=400 v3=25.0", "raised high 1 s3 25.0/20.0 @300"},
    {"a short excursion raises nothing; on the limit is inside", "",
     "t=0 v3=25.0 | t=200 v3=20.0 | t=300 v3=20.1 | t=599 v3=25.0 | t=600 v3=25.0", "raised high 1 s3 25.0/20.0 @600"},
    {"delay 0 and the deadband", "delay=0", "t=0 v3=20.1 | t=10 v3=20.0 | t=20 v3=19.8 | t=30 v3=19.5 | t=40 v3=19.5",
     "raised high 1 s3 20.1/20.0 @0 | cleared high 1 s3 19.5/20.0 @30"},
    {"deadband 0 clears on the limit", "delay=0\ndeadband=0", "t=0 v3=20.1 | t=10 v3=20.0",
     "raised high 1 s3 20.1/20.0 @0 | cleared high 1 s3 20.0/20.0 @10"},
    // A cold store's low alarm: back at the limit is back inside, not a step later.
    {"low side: on either limit is inside, deadband 0 clears back on the limit", "delay=0\ndeadband=0",
     "t=0 v3=0.0 | t=5 v3=20.0 | t=10 v3=-0.1 | t=20 v3=0.0", "raised low 1 s3 -0.1/0.0 @10 | cleared low 1 s3 0.0/0.0 @20"},
    {"low side", "delay=60\ndeadband=1.0", "t=0 v3=0.0 | t=10 v3=-0.5 | t=70 v3=-0.1 | t=80 v3=0.0 | t=90 v3=0.9 | t=100 v3=1.0",
     "raised low 1 s3 -0.1/0.0 @70 | cleared low 1 s3 1.0/0.0 @100"},
    {"no reading leaves state", "", "t=0 v3=25.0 | t=100 v3=- | t=300 v3=25.0 | t=400 v3=- | t=410 fail | t=500 v3=19.0",
     "raised high 1 s3 25.0/20.0 @300 | cleared high 1 s3 19.0/20.0 @500"},
    {"from above high to below low", "delay=0", "t=0 v3=25.0 v4=30.0 | t=10 v3=-1.0 v4=-",
     "raised high 1 s3 25.0/20.0 @0 | raised high 2 s4 30.0/20.0 @0 | cleared high 1 s3 -1.0/20.0 @10 | raised low 3 s3 -1.0/0.0 @10"},
    {"repeated until acknowledged", "delay=0\nrepeat=600",
     "t=0 v3=25.0 | t=599 tick | t=600 tick | t=700 v3=26.0 | t=1199 tick | t=1210 tick | t=1300 ack 1 by=王 note=开门通风 "
     "| t=2000 tick | t=2100 v3=19.0 | t=3000 tick",
     "raised high 1 s3 25.0/20.0 @0 | repeated high 1 s3 25.0/20.0 @600 | repeated high 1 s3 26.0/20.0 @1210 "
     "| acknowledged high 1 s3 26.0/20.0 @1300 王/开门通风 | cleared high 1 s3 19.0/20.0 @2100"},
    {"repeat 0 never repeats", "delay=0\nrepeat=0", "t=0 v3=25.0 | t=100000 tick", "raised high 1 s3 25.0/20.0 @0"},
    {"acknowledged after the clear, or an unknown id: refused", "delay=0", "t=0 v3=25.0 | t=10 v3=19.0 | t=20 ack 1 by=王 | t=20 ack 9 by=王",
     "raised high 1 s3 25.0/20.0 @0 | cleared high 1 s3 19.0/20.0 @10 | refused | refused"},
    {"acknowledged twice: refused", "delay=0", "t=0 v3=25.0 | t=5 ack 1 by=王 | t=6 ack 1 by=李 | t=10 v3=19.0",
     "raised high 1 s3 25.0/20.0 @0 | acknowledged high 1 s3 25.0/20.0 @5 王/ | refused | cleared high 1 s3 19.0/20.0 @10"},
    {"no answer after three failures, cleared by the next answer", "repeat=0",
     "t=0 fail | t=10 fail | t=20 fail | t=30 fail | restart | t=40 fail | t=50 v3=- | t=60 fail | t=70 fail",
     "raised no-answer 1 @20 | cleared no-answer 1 @50"},
    {"no answer after one failure", "comm-lost-polls=1", "t=0 fail | t=1 fail", "raised no-answer 1 @0"},
    {"restart while active: not raised twice, repeats on schedule, acknowledgement kept", "delay=0\nrepeat=600",
     "t=0 v3=25.0 v5=-1.0 | t=100 ack 2 by=王 note=知道了 | restart | t=200 v3=25.0 v5=-1.0 | t=599 tick | t=600 tick "
     "| active | t=700 v7=30.0 | t=800 ack 2 by=李 | t=900 v3=19.0 v5=0.5",
     "raised high 1 s3 25.0/20.0 @0 | raised low 2 s5 -1.0/0.0 @0 | acknowledged low 2 s5 -1.0/0.0 @100 王/知道了 "
     "| repeated high 1 s3 25.0/20.0 @600 | active repeated high 1 s3 25.0/20.0 @600 "
     "| active acknowledged low 2 s5 -1.0/0.0 @100 王/知道了 | raised high 3 s7 30.0/20.0 @700 | refused "
     "| cleared high 1 s3 19.0/20.0 @900 | cleared low 2 s5 0.5/0.0 @900"},
    {"restart, then the value is back inside", "delay=0", "t=0 v3=25.0 | restart | t=10 v3=19.5",
     "raised high 1 s3 25.0/20.0 @0 | cleared high 1 s3 19.5/20.0 @10"},
    {"restart while pending: the excursion starts afresh", "", "t=0 v3=25.0 | restart | t=300 v3=25.0 | t=600 v3=25.0",
     "raised high 1 s3 25.0/20.0 @600"},
    {"a limit removed clears its alarm", "delay=0", "t=0 v3=25.0 | t=10 drop=3 v3=25.0 | t=20 v3=25.0",
     "raised high 1 s3 25.0/20.0 @0 | cleared high 1 s3 25.0/20.0 @10"},
}; return rows; }

const auto &settingsRows() { static const struct { const char *name, *content; AlarmSettings expected; const char *problem; } rows[] = {
    {"good", "\xEF\xBB\xBF# 报警\r\ndelay=0\r\n\r\n deadband = 1.5 \nrepeat=0\nCOMM-LOST-POLLS=1\n", {0, 15, 0, 1}, nullptr},
    {"empty", "", {}, nullptr},
    {"not a number", "delay=5分钟", {}, "第 1 行（delay=）"},
    {"two decimals", "repeat=60\ndeadband=0.55", {300, 5, 60, 3}, "第 2 行（deadband=）"},
    {"negative deadband", "deadband=-0.5", {}, "第 1 行（deadband=）"},
    {"a day's delay, a week's repeat", "delay=86400\nrepeat=604800", {86400, 5, 604800, 3}, nullptr},
    {"repeat above a week", "repeat=604801", {}, "第 1 行（repeat=）"},
    {"delay above a day", "delay=86401", {}, "第 1 行（delay=）"},
    {"no polls", "comm-lost-polls=0", {}, "第 1 行（comm-lost-polls=）"},
    {"unknown key", "# x\ncolour=red", {}, "第 2 行（colour=）"},
    {"no =", "\n\ndelay 5", {}, "第 3 行："},
    {"set twice", "delay=10\ndelay=20", {10, 5, 1800, 3}, "第 2 行（delay=）"},
    {"not UTF-8", "repeat=\xff", {}, "第 1 行："},
}; return rows; }

namespace {
const QDateTime T0(QDate(2026, 1, 1), QTime(0, 0), Qt::UTC);

QString shown(const Transition &t)
{
    QString s = QStringLiteral("%1 %2 %3").arg(eventWord(t.event), kindWord(t.kind)).arg(t.id);
    if (t.kind != AlarmKind::NoAnswer)
        s += QStringLiteral(" s%1 %2/%3").arg(t.sensor).arg(sensors::limitText(t.value), sensors::limitText(t.limit));
    s += QStringLiteral(" @%1").arg(T0.secsTo(t.time));
    return t.event == AlarmEvent::Acknowledged ? s + QStringLiteral(" %1/%2").arg(t.by, t.note) : s;
}
} // namespace

class TestAlarmRules : public QObject {
    Q_OBJECT
private slots:
    void scenarios_data() { tableRows(scenarioRows()); }
    void scenarios()
    {
        const auto &r = tableRow(scenarioRows());
        QString problem;
        const AlarmSettings settings = parseAlarmSettings(r.settings, &problem);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        QMap<int, sensors::Sensor> limits;
        for (int k = 1; k <= sensors::MaxSensor; ++k)
            limits.insert(k, {{}, {}, 0, 200});
        auto rules = std::make_unique<AlarmRules>(settings);
        QList<Transition> history;
        QStringList got;
        for (const QString &step : QString::fromUtf8(r.steps).split(QLatin1Char('|'))) {
            QDateTime now = T0;
            QVector<std::optional<int>> values(sensors::MaxSensor);
            QString action, by, note;
            qint64 ackId = 0;
            for (const QString &word : step.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
                const QString value = word.section(QLatin1Char('='), 1);
                if (word.startsWith(u"t="))
                    now = T0.addSecs(value.toInt());
                else if (word.startsWith(u"drop="))
                    limits.remove(value.toInt());
                else if (word.startsWith(u"by="))
                    by = value;
                else if (word.startsWith(u"note="))
                    note = value;
                else if (word.startsWith(u'v')) {
                    values[word.section(QLatin1Char('='), 0, 0).mid(1).toInt() - 1] = sensors::parseLimit(value);
                    action = QStringLiteral("observe");
                }
                else if (action == u"ack")
                    ackId = word.toLongLong();
                else
                    action = word;
            }
            QList<Transition> out;
            if (action == u"observe")
                out = rules->observe(QStringLiteral("COM4-21"), 21, values, limits, now);
            else if (action == u"fail")
                out = rules->pollFailed(QStringLiteral("COM4-21"), 21, now);
            else if (action == u"tick")
                out = rules->tick(now);
            else if (action == u"ack") {
                QString error;
                if (const auto t = rules->acknowledge(ackId, by, note, now, &error))
                    out << *t;
                else
                    got << (error.isEmpty() ? QStringLiteral("refused without a reason") : QStringLiteral("refused"));
            } else if (action == u"restart") {
                rules = std::make_unique<AlarmRules>(settings);
                rules->restore(history);
            } else if (action == u"active") {
                for (const Transition &t : rules->active())
                    got << QStringLiteral("active ") + shown(t);
            } else
                QFAIL(qPrintable(QStringLiteral("step “%1”?").arg(step)));
            for (const Transition &t : out) {
                QCOMPARE(t.recorder, QStringLiteral("COM4-21"));
                QCOMPARE(t.address, uint8_t(21));
                got << shown(t);
            }
            history << out;
        }
        QCOMPARE(got.join(QStringLiteral(" | ")), QString::fromUtf8(r.expected));
    }

    void settingsFile_data() { tableRows(settingsRows()); }
    void settingsFile()
    {
        const auto &r = tableRow(settingsRows());
        QString problem;
        QCOMPARE(parseAlarmSettings(r.content, &problem), r.expected);
        if (!r.problem)
            QVERIFY2(problem.isEmpty(), qPrintable(problem));
        else
            QVERIFY2(problem.contains(u"alarms.set") && problem.contains(QString::fromUtf8(r.problem)), qPrintable(problem));
    }

    // A missing file is the defaults and nothing to say; a file is read from the application folder.
    void loadFile()
    {
        QTemporaryDir dir;
        QString problem;
        QCOMPARE(loadAlarmSettings(dir.path(), &problem), AlarmSettings{});
        QVERIFY(problem.isEmpty());
        QFile file(dir.filePath(QStringLiteral("alarms.set")));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("repeat=60\n") > 0);
        file.close();
        QCOMPARE(loadAlarmSettings(dir.path(), &problem).repeatS, 60);
        QVERIFY(problem.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestAlarmRules)
#include "test_alarmrules.moc"
