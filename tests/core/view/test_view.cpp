// What the viewer shows and draws: a record's time, the gaps of a series, the points a chart keeps and
// the audit trail's entries a filter keeps.
#include "core/view/audittrail.h"
#include "core/view/recordvalues.h"
#include "core/view/series.h"
#include "core/view/period.h"
#include "tablerows.h"
#include <QTest>

using namespace view;

const auto &timeRows() { static const struct { const char *hex; int sensors; const char *time; } rows[] = {
    {"5B991231235900010002", 2, "2099-12-31 23:59"}, {"5B0002290000FFFF", 1, "2000-02-29 00:00"},
    {"5B0102290000FFFF", 1, nullptr},   // no 29 February in 2001
    {"5B1804310000FFFF", 1, nullptr},   // nor a 31 April
    {"FFFFFFFFFFFFFFFF", 1, nullptr},   // erased memory
    {"5B18042703210001", 2, nullptr},   // shorter than two sensors
}; return rows; }

const auto &gapRows() { static const struct { int interval; QList<qint64> stepsSecs; QList<int> missing; QStringList expected; } rows[] = {
    {600, {1200}, {}, {"0-1"}}, {600, {1201}, {}, {"0", "1"}},              // twice the interval
    {30, {60, 90}, {}, {"0-2"}}, {30, {91}, {}, {"0", "1"}},               // a minute more than one
    {60, {120, 121, 60}, {}, {"0-1", "2-3"}},
    {600, {600, -60, 600}, {}, {"0-1", "2-3"}},                            // a clock set back
    {600, {600, 600, 600, 600}, {2}, {"0-1", "3-4"}}, {600, {600}, {0, 1}, {}},
    {0, {86400}, {}, {"0-1"}},                                             // interval not known
}; return rows; }

const auto &decimationRows() { static const struct { qsizetype points; int columns; } rows[] = {
    {43200, 800}, {43200, 1}, {43200, 43199}, {43200, 43200}, {5, 800}}; return rows; }

// Entry k of the trail at hour k: recorders "", A, B, A, ""; kinds created, recorder-name, device-write,
// device-write, export. Hours < 0 bound nothing.
const auto &auditFilterRows() { static const struct { const char *name; int from, until; const char *recorder, *kind; QList<qint64> kept; } rows[] = {
    {"all, newest first", -1, -1, "", "", {5, 4, 3, 2, 1}}, {"from kept, until not", 2, 4, "", "", {3, 2}},
    {"a recorder", -1, -1, "A", "", {4, 2}}, {"a kind", -1, -1, "", "device-write", {4, 3}},
    {"both", -1, -1, "A", "device-write", {4}}, {"none left", -1, 3, "B", "", {}},
}; return rows; }

class TestView : public QObject {
    Q_OBJECT
private slots:
    void recordTime_data() { tableRows(timeRows(), [](const auto &r) { return r.hex; }); }
    void recordTime()
    {
        const auto &r = tableRow(timeRows());
        const auto rec = recordValues(QByteArray::fromHex(r.hex), r.sensors);
        QCOMPARE(rec ? rec->time.toString(QStringLiteral("yyyy-MM-dd HH:mm")) : QString(), QString::fromLatin1(r.time));
    }

    // Segments as "first-last" sample indexes; samples one interval apart unless a step is given.
    void gaps_data() { tableRows(gapRows(), [](const auto &r) { return QStringLiteral("every %1 s: %2").arg(r.interval).arg(r.expected.join(u' ')); }); }
    void gaps()
    {
        const auto &r = tableRow(gapRows());
        QVector<Sample> samples{{0, 1}};
        for (qint64 s : r.stepsSecs)
            samples.append({samples.last().msecs + 1000 * s, int(samples.size()) + 1});
        for (int m : r.missing)
            samples[m].tenths.reset();
        QStringList got;
        for (const Segment &seg : segments(samples, r.interval)) {
            const int a = seg.first().tenths - 1, b = seg.last().tenths - 1;
            got << (a == b ? QString::number(a) : QStringLiteral("%1-%2").arg(a).arg(b));
        }
        QCOMPARE(got, r.expected);
    }

    // A month of one-minute records on charts of several widths: every spike survives, the count stays
    // within two a column, the order is kept, and a segment no longer than the width is left whole.
    void decimation_data() { tableRows(decimationRows(), [](const auto &r) { return QStringLiteral("%1 points, %2 columns").arg(r.points).arg(r.columns); }); }
    void decimation()
    {
        Segment month;
        for (int i = 0; i < 43200; ++i)
            month.append({qint64(i) * 60000, (i % 997 == 500) ? 5000 + i : (i % 991 == 7) ? -5000 - i : (i * 7) % 100});
        const auto &r = tableRow(decimationRows());
        const Segment in = month.first(r.points);
        const Segment out = decimate(in, r.columns);
        if (in.size() <= r.columns) {
            QVERIFY(out == in);
            return;
        }
        QVERIFY(out.size() <= 2 * r.columns + 2 && out.size() > r.columns / 2);
        QVERIFY(out.first() == in.first() && out.last() == in.last());
        for (qsizetype k = 1; k < out.size(); ++k)
            QVERIFY(out[k - 1].msecs < out[k].msecs && in[out[k].msecs / 60000] == out[k]);
        for (const Point &p : in)
            if (std::abs(p.tenths) >= 5000 && r.columns >= 86)  // a column holds at most one spike of each sign
                QVERIFY2(out.contains(p), qPrintable(QString::number(p.tenths)));
    }

    // A period from the archive: rows in order, a record of no date left out, the widest record setting
    // the sensors, the longest interval setting the gap rule.
    void period()
    {
        const auto stored = [](const char *time, QByteArray words, int interval) {
            archive::StoredRecord r;
            r.time = QString::fromLatin1(time);
            r.words = words;
            r.intervalS = interval;
            return r;
        };
        const QByteArray two = QByteArray::fromHex("00EBD8F1"), one = QByteArray::fromHex("FFF6");
        const PeriodView p = periodView({stored("2024-01-02 03:00", two, 60), stored("2024-01-02 03:03", two, 120),
                                         stored("2024-04-31 03:04", two, 120), stored("2024-01-02 03:07", one, 120),
                                         stored("2024-01-02 03:12", two, 60)});
        QCOMPARE(p.rows.size(), 4);
        QCOMPARE(std::tuple(p.sensors, p.intervalS, p.skipped), std::tuple(2, 120, 1));
        QCOMPARE(p.rows[2].tenths, (QVector<std::optional<int>>{-10}));
        QCOMPARE(p.rows[3].time, QDateTime(QDate(2024, 1, 2), QTime(3, 12)));
        const auto at = [](int minute) { return QDateTime(QDate(2024, 1, 2), QTime(3, minute)).toMSecsSinceEpoch(); };
        // Sensor 1: 3:00–3:07 steps of at most 4 minutes stay one line (gap rule 240 s); 3:12 is past it.
        QCOMPARE(p.series[0], (QVector<Segment>{{{at(0), 235}, {at(3), 235}, {at(7), -10}}, {{at(12), 235}}}));
        // Sensor 2 never had a reading (D8F1), and the one-value record has none for it.
        QVERIFY(p.series[1].isEmpty());
    }

    void auditFilter_data() { tableRows(auditFilterRows()); }
    void auditFilter()
    {
        const auto &r = tableRow(auditFilterRows());
        const QDateTime t0(QDate(2026, 12, 1), QTime(8, 0), Qt::UTC);
        const char *recorders[] = {"", "A", "B", "A", ""}, *kinds[] = {"created", "recorder-name", "device-write", "device-write", "export"};
        QList<archive::AuditRow> trail;
        for (int k = 1; k <= 5; ++k)
            trail.append({k, t0.addSecs(3600 * k), "u", "window", recorders[k - 1], kinds[k - 1], {}, {}});
        // The bounds in other zones than the entries: the same instants.
        const auto at = [&](int h, int zone) { return h < 0 ? QDateTime() : t0.addSecs(3600 * h).toOffsetFromUtc(zone); };
        QList<qint64> kept;
        for (const archive::AuditRow &row : auditRows(trail, {at(r.from, 8 * 3600), at(r.until, -5 * 3600), r.recorder, r.kind}))
            kept << row.seq;
        QCOMPARE(kept, r.kept);
        QCOMPARE(auditRecorders(trail), QStringList({"A", "B"}));
        QCOMPARE(auditKinds(trail), QStringList({"created", "device-write", "export", "recorder-name"}));
    }
};

QTEST_GUILESS_MAIN(TestView)
#include "test_view.moc"
