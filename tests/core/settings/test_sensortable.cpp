// Sensor names and limits: how a value stands against its limits, what a limit may be, and the file.
#include "core/settings/sensortable.h"
#include "tablerows.h"
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace sensors;

const auto &compareRows() {
    const Sensor both{{}, {}, -50, 300}, lowOnly{{}, {}, 0, {}}, none;
    static const struct { std::optional<int> value; Sensor s; Reading r; } rows[] = {
        {120, both, Reading::Inside},   {-50, both, Reading::Inside},    {300, both, Reading::Inside},
        {-51, both, Reading::Below},    {301, both, Reading::Above},     {{}, both, Reading::NoReading},
        {-1, lowOnly, Reading::Below},  {30000, lowOnly, Reading::Inside}, {-32768, none, Reading::Inside},
        {{}, none, Reading::NoReading},
    }; return rows; }
QString tenths(std::optional<int> v) { return v ? QString::number(*v) : QStringLiteral("-"); }

const auto &limitRows() { static const struct { const char *text; std::optional<int> tenths; const char *shown; } rows[] = {
    {"30", 300, "30.0"}, {" -5.5 ", -55, "-5.5"}, {"+0.5", 5, "0.5"}, {"-0.1", -1, "-0.1"},
    {"6553.5", 65535, "6553.5"}, {"-3276.8", -32768, "-3276.8"}, {"6553.6", {}, ""}, {"1.25", {}, ""},
    {"1e3", {}, ""}, {"", {}, ""}, {"3,5", {}, ""}, {"--1", {}, ""},
}; return rows; }

class TestSensorTable : public QObject {
    Q_OBJECT
private slots:
    void compareWithLimits_data() { tableRows(compareRows(), [](const auto &r) { return tenths(r.value) + " in " + tenths(r.s.low) + ".." + tenths(r.s.high); }); }
    void compareWithLimits()
    {
        const auto &r = tableRow(compareRows());
        QCOMPARE(compare(r.value, r.s), r.r);
    }

    void limits_data() { tableRows(limitRows(), [](const auto &r) { return QStringLiteral("“%1”").arg(r.text); }); }
    void limits()
    {
        const auto &r = tableRow(limitRows());
        QCOMPARE(parseLimit(QString::fromUtf8(r.text)), r.tenths);
        QCOMPARE(limitText(r.tenths), QString::fromLatin1(r.shown));
    }

    // Good lines are kept and bad ones skipped, with one sentence naming the file; what is written reads
    // back the same; a file that cannot be read leaves no sensors and says so.
    void file()
    {
        QVERIFY(!SensorTable::refusal(3, {{}, {}, 300, -50}).isEmpty());
        QVERIFY(!SensorTable::refusal(21, {}).isEmpty());
        QVERIFY(!SensorTable::refusal(1, {QStringLiteral("a\tb"), {}, {}, {}}).isEmpty());
        QVERIFY(SensorTable::refusal(1, {QStringLiteral("东墙, 1 米"), QStringLiteral("℃"), 0, 0}).isEmpty());
        SensorTable t;
        QString problem;
        t.parse("\xEF\xBB\xBF# comment\r\n"
                "冷库一号\t3\t东墙, 1 米\t℃\t-5.0\t30\r\n"
                "冷库一号\t4\t\t\t\t12.5\n"
                "冷库一号\t3\t重复\n"           // the same sensor twice
                "冷库一号\t21\t太大\n"          // no sensor 21
                "COM4-21\t1\ta\tb\t1.25\n"      // two decimals
                "COM4-21\t2\ta\tb\t5\t1\n"      // low above high
                "只有名称\n",
                &problem);
        QCOMPARE(t.sensor("冷库一号", 3), (Sensor{"东墙, 1 米", "℃", -50, 300}));
        QCOMPARE(t.sensor("冷库一号", 4), (Sensor{{}, {}, {}, 125}));
        QCOMPARE(t.displayName("冷库一号", 4), QStringLiteral("4#传感器"));
        QVERIFY(t.sensor("COM4-21", 1).isEmpty() && t.sensor("COM4-21", 2).isEmpty());
        QVERIFY2(problem.contains("sensors.set") && problem.contains("5 行") && problem.contains("第 4 行"), qPrintable(problem));

        t.rename("冷库一号", "一号库");
        SensorTable back;
        QString again;
        back.parse(t.content(), &again);
        QVERIFY2(again.isEmpty(), qPrintable(again));
        QCOMPARE(back.sensor("一号库", 3), t.sensor("一号库", 3));
        QCOMPARE(back.content(), t.content());
        QVERIFY(back.sensor("冷库一号", 3).isEmpty());

        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(SensorTable::fileName()));  // a folder where the file should be
        back.load(dir.path(), &problem);
        QVERIFY(back.isEmpty());
        QVERIFY(problem.contains("sensors.set"));
    }
};

QTEST_GUILESS_MAIN(TestSensorTable)
#include "test_sensortable.moc"
