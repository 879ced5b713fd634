// The live trend's memory: the window it keeps, devices kept apart, and gaps cut by the read rhythm.
#include "core/view/livehistory.h"
#include "tablerows.h"
#include <QTest>

using view::LiveHistory;

namespace {
constexpr qint64 kT0 = 1'700'000'000'000;  // any time; the history does not look at the clock

// Segments of sensor 0 as "first-last" times in seconds after kT0.
QString spans(const LiveHistory &h, uint8_t device, int sensor = 0)
{
    QStringList out;
    for (const view::Segment &s : h.segments(device, sensor))
        out << QStringLiteral("%1-%2").arg((s.first().msecs - kT0) / 1000).arg((s.last().msecs - kT0) / 1000);
    return out.join(u' ');
}

const auto &windowRows() { static const struct { const char *name; qint64 windowMsecs; int stepMsecs, reads, kept; } rows[] = {
    {"ten minutes at 1 s", 600'000, 1000, 900, 601}, {"fewer reads than fit", 600'000, 1000, 300, 300},
    {"one minute at 250 ms", 60'000, 250, 1000, 241}, {"below a second counts as one", 10, 100, 50, 11},
}; return rows; }

// steps: seconds between successive reads.
const auto &gapRows() { static const struct { const char *name; QList<int> steps; const char *segments; int interval; } rows[] = {
    {"steady", {2, 2, 2}, "0-6", 2},
    // A pause longer than the interval plus a minute is a gap; a shorter one is not.
    {"pause over a minute", {2, 2, 63, 2}, "0-4 67-69", 2}, {"pause under a minute", {2, 2, 61, 2}, "0-67", 2},
    // The median of the steps: one slow step does not widen the rule.
    {"slow poll, one long step", {30, 30, 200, 30, 30}, "0-60 260-320", 30},
    {"slow poll, twice its step", {100, 100, 201}, "0-200 401-401", 100},
    {"sub-second poll", {0, 0, 0}, "0-0", 1}, {"one read", {}, "0-0", 0},
}; return rows; }
} // namespace

class TestLiveHistory : public QObject {
    Q_OBJECT
private slots:
    // Older samples leave as newer ones come; the newest always stays.
    void window_data() { tableRows(windowRows()); }
    void window()
    {
        const auto &r = tableRow(windowRows());
        LiveHistory h(r.windowMsecs);
        for (int i = 0; i < r.reads; ++i)
            h.add(7, kT0 + qint64(i) * r.stepMsecs, {uint16_t(i)});
        const QVector<view::Sample> s = h.samples(7, 0);
        QCOMPARE(s.size(), r.kept);
        QCOMPARE(s.last().msecs, kT0 + qint64(r.reads - 1) * r.stepMsecs);
        QCOMPARE(*s.last().tenths, r.reads - 1);
    }

    // Each device has its own samples and sensor count; the window runs on the newest time of any
    // device; a sensor that a read did not reach has no value in that sample; the clock set back drops
    // what lies ahead of it.
    void devicesApart()
    {
        LiveHistory h(60'000);
        h.add(2, kT0, {0x00EB, 0xFFF6, 7});
        h.add(1, kT0 + 1000, {5});
        h.add(2, kT0 + 2000, {0x0001});
        QCOMPARE(h.devices(), (QVector<uint8_t>{1, 2}));
        QCOMPARE(h.sensors(1), 1);
        QCOMPARE(h.sensors(2), 3);
        QCOMPARE(h.size(1), 1);
        QCOMPARE(h.size(2), 2);
        const QVector<view::Sample> s1 = h.samples(2, 1);
        QCOMPARE(s1.size(), 2);
        QCOMPARE(s1[0].tenths, std::optional<int>(-10));
        QVERIFY(!s1[1].tenths);                       // the second read brought one word only
        QCOMPARE(*h.samples(2, 0)[0].tenths, 235);   // as the box shows it: "23.5"
        QVERIFY(h.samples(1, 1).first().tenths == std::nullopt);
        QVERIFY(h.samples(3, 0).isEmpty());

        h.add(1, kT0 + 62'500, {6});                  // device 2 is no longer read: it fades out
        QCOMPARE(h.size(2), 0);
        QCOMPARE(h.size(1), 1);
        QCOMPARE(h.devices(), (QVector<uint8_t>{1, 2}));

        h.add(1, kT0 + 30'000, {8});                  // the PC clock went back half a minute
        QCOMPARE(h.size(1), 1);
        QCOMPARE(*h.samples(1, 0)[0].tenths, 8);
    }

    void gaps_data() { tableRows(gapRows()); }
    void gaps()
    {
        const auto &r = tableRow(gapRows());
        LiveHistory h(3'600'000);
        qint64 t = kT0;
        h.add(1, t, {1});
        for (int step : r.steps)
            h.add(1, t += step * 1000, {1});
        QCOMPARE(spans(h, 1), QString::fromLatin1(r.segments));
        QCOMPARE(h.intervalSecs(1), r.interval);
    }
};

QTEST_APPLESS_MAIN(TestLiveHistory)
#include "test_livehistory.moc"
