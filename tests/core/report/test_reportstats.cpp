// A report's statistics as one table of cases: the mean kinetic temperature's vectors (ΔH/R =
// 10,000 K), excursions with and without gaps, a value on a limit, no reading, a clock set back;
// then the figures of a day checked against the CSV export of the same records.
#include "core/export/exportformats.h"
#include "core/report/reportpdf.h"
#include "core/report/reportrequest.h"
#include "core/report/statistics.h"
#include "sim/simrecorder.h"
#include "tablerows.h"
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <ctime>

namespace {
const QDateTime T0(QDate(2026, 11, 30), QTime(8, 0), Qt::UTC);  // on the recorder's clock
constexpr int None = records::NoValue9999;  // a word the recorder writes for no reading

// A record at minute m after T0 holding the words.
records::Record at(int minute, std::initializer_list<int> words, const QDateTime &base = T0)
{
    const QDateTime t = base.addSecs(60LL * minute);
    const auto bcd = [](int v) { return char((v / 10) << 4 | (v % 10)); };
    QByteArray d{"\x5B"};
    for (int f : {t.date().year() % 100, t.date().month(), t.date().day(), t.time().hour(), t.time().minute()})
        d += bcd(f);
    for (int w : words)
        d += char((w >> 8) & 0xFF), d += char(w & 0xFF);
    return {0, d};
}

// Sensor 1's readings: value v at minutes first, first + 1, … (n of them).
QList<records::Record> run(int first, int n, int v)
{
    QList<records::Record> out;
    for (int k = 0; k < n; ++k)
        out << at(first + k, {v});
    return out;
}

QList<records::Record> series(int first, std::initializer_list<int> values)
{
    QList<records::Record> out;
    for (int v : values)
        out << at(first++, {v});
    return out;
}

const sensors::Sensor Celsius{QString(), QStringLiteral("℃"), 20, 80};  // limits 2.0 … 8.0
const sensors::Sensor Humidity{QString(), QStringLiteral("%RH"), 20, 80};

// Expected: readings, min, max (tenths), mean, MKT (°C; NAN: none), minutes below and above,
// excursions, the first one's minute (-1: none), gaps.
const auto &statRows() { static const struct {
    const char *name; QList<records::Record> recs; sensors::Sensor sensor; int lastMinute;
    int readings, min, max; double mean, mkt; int below, above, excursions, first, gaps;
} rows[] = {
    {"MKT constant 25 °C", run(0, 10, 250), Celsius, 9, 10, 250, 250, 25.0, 25.00, 0, 10, 1, 0, 0},
    {"MKT half 20, half 30", run(0, 10, 200) + run(10, 10, 300), Celsius, 19, 20, 200, 300, 25.0, 26.26, 0, 20, 1, 0, 0},
    {"MKT 23 at 5, 1 at 20", run(0, 23, 50) + run(23, 1, 200), Celsius, 23, 24, 50, 200, 5.625, 6.55, 0, 1, 1, 23, 0},
    {"MKT half 2, half 8", run(0, 6, 20) + run(6, 6, 80), Celsius, 11, 12, 20, 80, 5.0, 5.54, 0, 0, 0, -1, 0},
    // The reading before the gap stands for one interval, not for the half hour nobody saw.
    {"MKT, the gap excluded", run(0, 1, 200) + run(30, 23, 50), Celsius, 52, 24, 50, 200, 5.625, 6.55, 0, 1, 1, 0, 1},
    {"excursions without gaps", series(0, {50, 90, 90, 50, 10, 10, 90, 50}), Humidity, 7, 8, 10, 90, 5.5, NAN, 2, 3, 3, 1, 0},
    {"a value on the limit is inside", series(0, {80, 20, 81, 19, 80}), Humidity, 4, 5, 19, 81, 5.6, NAN, 1, 1, 2, 2, 0},
    {"an excursion across a gap is two", run(0, 2, 90) + run(10, 2, 90), Humidity, 11, 4, 90, 90, 9.0, NAN, 0, 4, 2, 0, 1},
    {"a missing reading ends an excursion", series(0, {90, None, 90, 0xDD48}), Humidity, 3, 2, 90, 90, 9.0, NAN, 0, 2, 2, 0, 0},
    {"no reading", series(0, {None, None, None}), Celsius, 2, 0, 0, 0, NAN, NAN, 0, 0, 0, -1, 0},
    {"one reading has a mean and an MKT", run(0, 1, 250), Celsius, 0, 1, 250, 250, 25.0, 25.00, 0, 1, 1, 0, 0},
    {"a clock set back", series(0, {90, 90, 90}) + series(-30, {90, 10}), Humidity, 2, 5, 10, 90, 7.4, NAN, 1, 4, 3, 0, 0},
}; return rows; }
// Records of sensor 1 at the minutes after T0 (-1: a record whose time is no date).
QList<records::Record> atMinutes(std::initializer_list<int> minutes)
{
    QList<records::Record> out;
    for (int m : minutes)
        out << (m < 0 ? records::Record{0, QByteArray::fromHex("5B261332080000FA")} : at(m, {50}));
    return out;
}

// A period's coverage: the gaps at its start, inside and at its end (the interval register 59: a
// record a minute, a step over 119 s a gap), the records it expects and those it cannot place.
// Gaps as pairs of minutes after T0.
const auto &coverageRows() { static const struct {
    const char *name; QList<records::Record> recs; int intervalS, toMinute, clockEndMinute;
    int records, skipped; qint64 expected; QList<std::pair<int, int>> gaps;
} rows[] = {
    {"a gap before the period's first record", atMinutes({2, 3, 4, 5}), 59, 5, -1, 4, 0, 6, {{0, 2}}},
    {"the first record a minute in: no gap", atMinutes({1, 2, 3, 4, 5}), 59, 5, -1, 5, 0, 6, {}},
    {"a gap after the last record", atMinutes({0, 1, 2, 3}), 59, 5, -1, 4, 0, 6, {{3, 5}}},
    {"the last record a minute before the end: no gap", atMinutes({0, 1, 2, 3, 4}), 59, 5, -1, 5, 0, 6, {}},
    {"a gap inside", atMinutes({0, 1, 3, 4}), 59, 4, -1, 4, 0, 5, {{1, 3}}},
    {"now before the period's end ends it", atMinutes({0, 1, 2, 3}), 59, 10, 4, 4, 0, 5, {}},
    {"now later: the gap up to it", atMinutes({0, 1, 2, 3}), 59, 10, 5, 4, 0, 6, {{3, 5}}},
    {"no interval known: no gaps, nothing expected", atMinutes({2, 3}), 0, 10, -1, 2, 0, -1, {}},
    {"a record whose time is no date is skipped", atMinutes({0, -1, 1}), 59, 1, -1, 2, 1, 2, {}},
    {"no records: the whole period is a gap", atMinutes({}), 59, 5, -1, 0, 0, 6, {{0, 5}}},
    {"no records, no interval known: still one gap", atMinutes({}), 0, 5, -1, 0, 0, -1, {{0, 5}}},
    // Interval register 60: the gap rule is exactly two minutes, and a step of it is no gap.
    {"a step of exactly the gap rule is no gap", atMinutes({0, 2}), 60, 4, -1, 2, 0, 4, {}},
    {"a period of one minute expects one record", atMinutes({0}), 59, 0, -1, 1, 0, 1, {}},
}; return rows; }
} // namespace

class TestReportStats : public QObject {
    Q_OBJECT
private slots:
    void sensorFigures_data() { tableRows(statRows()); }
    void sensorFigures()
    {
        const auto &row = tableRow(statRows());
        const report::Statistics st = report::statistics(row.recs, 59, {row.sensor}, T0, T0.addSecs(60LL * row.lastMinute));
        QCOMPARE(st.sensors.size(), 1);
        const report::SensorStats &s = st.sensors[0];
        QCOMPARE(s.readings, row.readings);
        QCOMPARE(std::pair(s.min ? s.min->tenths : 0, s.max ? s.max->tenths : 0), std::pair(row.min, row.max));
        QCOMPARE(s.mean.has_value(), !std::isnan(row.mean));
        QVERIFY(!s.mean || std::abs(*s.mean - row.mean) < 1e-9);
        QCOMPARE(s.mkt.has_value(), !std::isnan(row.mkt));
        if (s.mkt)
            QCOMPARE(QString::number(*s.mkt, 'f', 2), QString::number(row.mkt, 'f', 2));
        QCOMPARE(std::pair(s.belowMsecs, s.aboveMsecs), std::pair(row.below * 60'000LL, row.above * 60'000LL));
        QCOMPARE(s.excursions, row.excursions);
        QCOMPARE(s.firstExcursion, row.first < 0 ? QDateTime() : T0.addSecs(60LL * row.first));
        QCOMPARE(st.gaps.size(), row.gaps);
        QCOMPARE(st.records, int(row.recs.size()));
    }

    void coverage_data() { tableRows(coverageRows()); }
    void coverage()
    {
        const auto &row = tableRow(coverageRows());
        const QDateTime to = T0.addSecs(60LL * row.toMinute);
        const QDateTime clockEnd = row.clockEndMinute < 0 ? QDateTime() : T0.addSecs(60LL * row.clockEndMinute);
        const report::Statistics st = report::statistics(row.recs, row.intervalS, {Humidity}, T0, to, 10'000, clockEnd);
        QCOMPARE(std::pair(st.from, st.to), std::pair(T0, to));
        QCOMPARE(st.intervalS, row.intervalS);
        QCOMPARE(st.sensors.size(), row.recs.isEmpty() ? 0 : 1);
        QCOMPARE(std::pair(st.records, st.skipped), std::pair(row.records, row.skipped));
        QCOMPARE(st.expected, row.expected);
        QList<std::pair<int, int>> gaps;
        for (const report::Gap &g : st.gaps)
            gaps << std::pair(int(T0.secsTo(g.from) / 60), int(T0.secsTo(g.to) / 60));
        QCOMPARE(gaps, row.gaps);
    }

    // A day of the simulator's records with holes and sensors without readings: the figures are
    // those of the CSV export read back, to the tenth; coverage counts what is there.
    void agreesWithCsv()
    {
        QList<records::Record> recs;
        for (const sim::SimRecord &r : sim::SimRecorder::demoRecords(1440, QDateTime(QDate(2026, 12, 1), QTime(0, 0)), 20))
            recs << records::Record{0, sim::SimRecorder::recordBytes(r)};
        for (int k = 100; k < 160; ++k)
            recs[k].data[6] = char(0xD8), recs[k].data[7] = char(0xF1);  // sensor 1 without readings
        recs.remove(600, 30);                                          // half an hour not recorded
        const report::Statistics st = report::statistics(recs, 59, {}, QDateTime(QDate(2026, 12, 1), QTime(0, 0)),
                                                         QDateTime(QDate(2026, 12, 1), QTime(23, 59)));
        QCOMPARE(std::tuple(st.expected, st.records, st.gaps.size()), std::tuple(1440LL, 1410, qsizetype(1)));
        QCOMPARE(std::pair(st.gaps[0].from.time(), st.gaps[0].msecs()), std::pair(QTime(9, 59), 31 * 60'000LL));

        const QList<QByteArray> lines = exports::csvFile(recs, 0, 20).split('\n').mid(1);
        for (int c = 0; c < 20; ++c) {
            int n = 0;
            double sum = 0, lo = 1e9, hi = -1e9;
            for (const QByteArray &line : lines) {
                const QList<QByteArray> f = line.trimmed().split(',');
                if (f.size() < 21 || f[c + 1] == "-999.9" || f[c + 1] == "-888.8")  // the CSV's words for no reading
                    continue;
                const double v = f[c + 1].toDouble();
                ++n, sum += v, lo = std::min(lo, v), hi = std::max(hi, v);
            }
            const report::SensorStats &s = st.sensors[c];
            QCOMPARE(s.readings, n);
            QCOMPARE(QString::number(s.min->tenths / 10.0, 'f', 1), QString::number(lo, 'f', 1));
            QCOMPARE(QString::number(s.max->tenths / 10.0, 'f', 1), QString::number(hi, 'f', 1));
            QCOMPARE(QString::number(*s.mean, 'f', 1), QString::number(sum / n, 'f', 1));
        }
    }

    // Across a change of daylight-saving time of the PC's zone the recorder's clock goes on as it was
    // set: the same records give the same figures under UTC and Europe/Berlin (no false gap, no lost
    // hour, no excursion split in two).
    void sameInEveryZone_data()
    {
        QTest::addColumn<QDateTime>("base");
        QTest::newRow("clocks forward") << QDateTime(QDate(2026, 3, 29), QTime(1, 30), Qt::UTC);
        QTest::newRow("clocks back") << QDateTime(QDate(2026, 10, 25), QTime(1, 30), Qt::UTC);
    }
    void sameInEveryZone()
    {
        QFETCH(QDateTime, base);
        QList<records::Record> recs;
        for (int m = 0; m < 150; ++m)
            recs << at(m, {m >= 40 && m < 110 ? 90 : 50}, base);
        const auto figures = [&](const char *zone) {
            qputenv("TZ", zone);
            tzset();
            const report::Statistics st = report::statistics(recs, 59, {Humidity}, QDateTime(base.date(), base.time()),
                                                             QDateTime(base.date(), base.time().addSecs(149 * 60)));
            const report::SensorStats &s = st.sensors.value(0);
            return QStringList{QString::number(st.expected), QString::number(st.gaps.size()), QString::number(s.aboveMsecs / 60'000),
                               QString::number(s.excursions), s.firstExcursion.toString("HH:mm")};
        };
        const QStringList utc = figures("UTC"), berlin = figures("Europe/Berlin");
        qunsetenv("TZ");
        tzset();
        QCOMPARE(berlin, utc);
        QCOMPARE(utc, (QStringList{"150", "0", "70", "1", "02:10"}));
    }

    // The interval changed inside the period: what is due counted a stretch at a time, and the mean
    // weighed by time as the MKT is (ten minutes of 10.0, then an hour of 30.0).
    void intervalChanges()
    {
        QList<records::Record> recs = run(0, 10, 100);
        QList<int> intervals(10, 59);
        for (int m = 10; m <= 60; m += 10)
            recs << at(m, {300}), intervals << 599;
        const report::Statistics st = report::statistics(recs, 599, {Celsius}, T0, T0.addSecs(69 * 60), 10'000, {}, intervals);
        QCOMPARE(std::pair(st.expected, st.records), std::pair(16LL, 16));
        QCOMPARE(QString::number(*st.sensors[0].mean, 'f', 3), QString::number((10 * 10.0 + 60 * 30.0) / 70, 'f', 3));
        QVERIFY(st.gaps.isEmpty());
    }

    void periods_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        // Now is Wednesday 2026-12-09 10:00.
        QTest::newRow("daily") << "daily" << "2026-12-08 00:00" << "2026-12-08 23:59";
        QTest::newRow("weekly") << "weekly" << "2026-11-30 00:00" << "2026-12-06 23:59";
        QTest::newRow("monthly") << "monthly" << "2026-11-01 00:00" << "2026-11-30 23:59";
        QTest::newRow("days") << "2026-02-27..2026-03-01" << "2026-02-27 00:00" << "2026-03-01 23:59";
        QTest::newRow("backwards") << "2026-03-01..2026-02-27" << "" << "";
        QTest::newRow("no date") << "2026-02-30..2026-03-01" << "" << "";
        QTest::newRow("yearly") << "yearly" << "" << "";
    }
    void periods()
    {
        QFETCH(QString, text);
        QFETCH(QString, from);
        QFETCH(QString, to);
        QString error;
        const auto p = report::parsePeriod(text, QDateTime(QDate(2026, 12, 9), QTime(10, 0)), &error);
        const QString f = QStringLiteral("yyyy-MM-dd HH:mm");
        QCOMPARE(p ? p->from.toString(f) + "|" + p->to.toString(f) : QStringLiteral("|"), from + "|" + to);
        QCOMPARE(error.contains("--report"), !p);
    }

    // The alarms a report of 08:00 … 09:59 lists: raised before its last minute ends (one raised
    // earlier counts from its first step in the period), with its acknowledgement and clearing, of its
    // recorder only.
    void alarmsOfThePeriod()
    {
        using watch::AlarmEvent;
        QTemporaryDir dir;
        archive::RecordStore store;
        QString error;
        QVERIFY2(store.open({archive::ArchiveConfig::Sqlite, dir.filePath("archive.db"), {}, 0, {}, {}, {}}, &error), qPrintable(error));
        const QDateTime to = T0.addSecs(3600 + 59 * 60);
        const auto step = [&](AlarmEvent e, qint64 id, const QDateTime &at, const QString &recorder = "A") {
            return store.alarms().append({e, watch::AlarmKind::High, id, recorder, 21, 1, 250, 200, at.toUTC(), {}, {}}, &error);
        };
        QVERIFY(step(AlarmEvent::Raised, 1, T0.addSecs(-3600)) && step(AlarmEvent::Cleared, 1, T0.addSecs(600)));
        QVERIFY(step(AlarmEvent::Raised, 2, to.addSecs(59)) && step(AlarmEvent::Acknowledged, 2, to.addSecs(90))
                && step(AlarmEvent::Cleared, 2, to.addSecs(120)));
        QVERIFY(step(AlarmEvent::Raised, 3, to.addSecs(60)));
        QVERIFY(step(AlarmEvent::Raised, 4, T0.addSecs(60), "B"));
        // Of the notifications, those of the listed alarms' steps in the period.
        for (const auto &[id, event, at] : {std::tuple(1, "raised", T0.addSecs(-3600)), std::tuple(1, "cleared", T0.addSecs(600)),
                                            std::tuple(4, "raised", T0.addSecs(60)), std::tuple(2, "acknowledged", to.addSecs(90))})
            QVERIFY(store.outbox().append({.alarmId = id, .event = event, .happened = at.toUTC(), .channel = "mail", .queued = at.toUTC(),
                                           .due = at.toUTC()}, &error));
        // Of the watcher's readings, those of the period outside their limits.
        for (const auto &[recorder, at, value] : {std::tuple("A", T0.addSecs(60), 250), std::tuple("A", T0.addSecs(180), 200),
                                                  std::tuple("A", to.addSecs(60), 260), std::tuple("B", T0.addSecs(60), 270)})
            QVERIFY(store.readings().store(recorder, 21, at.toUTC(), {value, 300}, &error));
        sensors::SensorTable limits;
        limits.parse("A\t1\t\t℃\t\t20.0\n", &error);
        const auto c = report::readContent(store, limits, {"A", 21, {}, T0, to, 10000, to, {}, {}, {}}, &error);
        QVERIFY2(c, qPrintable(error));
        QCOMPARE(c->outside.size(), 1);
        QCOMPARE(std::tuple(c->outside[0].taken, c->outside[0].sensor, c->outside[0].tenths), std::tuple(T0.addSecs(60).toUTC(), 1, 250));
        QStringList got;
        for (const report::AlarmLine &a : c->alarms)
            got << QStringLiteral("%1:%2%3%4").arg(a.raised.id).arg(watch::eventWord(a.raised.event))
                       .arg(a.acknowledged ? "+ack" : "", a.cleared ? "+cleared" : "");
        QCOMPARE(got, (QStringList{"1:cleared+cleared", "2:raised+ack+cleared"}));
        QCOMPARE(c->notices.size(), 1);
        QCOMPARE(report::noticeCells(c->notices[0]).mid(0, 3), QStringList({"解除", T0.addSecs(600).toString("yyyy-MM-dd HH:mm:ss"), "邮件"}));
    }
};

QTEST_GUILESS_MAIN(TestReportStats)
#include "test_reportstats.moc"
