// The watcher's cost: eight simulated recorders on one line, polled as every 10 s but back to back
// (the clock handed to the poll advances 10 s a round), every reading kept in a SQLite archive and
// the alarm rules run on it, some sensors outside their limits. Prints the watcher's own CPU time per
// round as a share of a 10-second period (what it costs at real time) and how much its memory grew
// after the first rounds. Last line: "watch: polls=N cpu=…% rss_growth_kb=…".
//   bench_watch [device polls, default 10000]
#include "core/archive/recordstore.h"
#include "core/settings/sensortable.h"
#include "core/watch/linewatch.h"
#include "sim/simrecorder.h"
#include <QCoreApplication>
#include <QTemporaryDir>
#include <cstdio>
#include <ctime>
#include <unistd.h>

namespace {
double threadCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);  // the watcher's thread, not the simulator's
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

long rssKb()
{
    long pages = 0, resident = 0;
    if (FILE *f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int polls = argc > 1 ? std::max(80, std::atoi(argv[1])) : 10000;
    constexpr int Devices = 8, PeriodS = 10;
    sim::SimRecorder recorder;
    QString error;
    if (!recorder.start(&error)) {
        std::fprintf(stderr, "simulated recorder: %s\n", qPrintable(error));
        return 1;
    }
    recorder.setLineBaud(38400);
    QByteArray limits;
    for (uint8_t a = 21; a < 21 + Devices; ++a) {
        recorder.addDevice(a);
        for (uint16_t reg = 0; reg < 20; ++reg)
            recorder.setHolding(reg, uint16_t(200 + 5 * reg + a), a);
        limits += QStringLiteral("COM4-%1\t3\t\t℃\t15.0\t21.0\nCOM4-%1\t9\t\t℃\t\t24.0\n").arg(a).toUtf8();
    }
    Link link;
    link.setPeerWitness(&recorder);
    if (const QString why = link.open(recorder.portPath(), 38400, 4); !why.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(why));
        return 1;
    }
    QTemporaryDir dir;
    archive::RecordStore store;
    if (!store.open({archive::ArchiveConfig::Sqlite, dir.filePath("archive.db"), {}, 0, {}, {}, {}}, &error)) {
        std::fprintf(stderr, "archive: %s\n", qPrintable(error));
        return 1;
    }
    store.limitCache(512);  // as the watcher does
    sensors::SensorTable table;
    table.parse(limits, &error);
    watch::AlarmRules rules(watch::AlarmSettings{});
    int steps = 0;
    QList<uint8_t> addresses;
    for (uint8_t a = 21; a < 21 + Devices; ++a)
        addresses << a;
    watch::LineWatch watcher(link, {"COM4", 4, addresses, PeriodS, {}},
                             {&store, &table, &rules, [](uint8_t a) { return QStringLiteral("COM4-%1").arg(a); },
                              [&](const watch::Transition &) { ++steps; },
                              [](const QString &s) { std::fprintf(stderr, "%s\n", qPrintable(s)); }});

    const int rounds = polls / Devices, warmUp = std::min(50, rounds / 4);
    QDateTime now(QDate(2026, 12, 8), QTime(0, 0), Qt::UTC);
    double cpu0 = 0;
    long rss0 = 0;
    for (int r = 0; r < rounds; ++r) {
        if (r == warmUp) {
            cpu0 = threadCpuSeconds();
            rss0 = rssKb();
        }
        // A sensor leaves its limit and comes back now and then: raised, repeated and cleared alarms.
        recorder.setHolding(2, uint16_t(r % 90 < 60 ? 200 : 260), 21);
        watcher.poll(now);
        now = now.addSecs(PeriodS);
    }
    const double perRound = (threadCpuSeconds() - cpu0) / (rounds - warmUp);
    const long growth = rssKb() - rss0;
    std::printf("rounds %d of %d devices, %d alarm steps; CPU %.2f ms a round\n", rounds, Devices, steps, perRound * 1e3);
    std::printf("watch: polls=%d cpu=%.3f%% rss_growth_kb=%ld\n", rounds * Devices, perRound / PeriodS * 100, growth);
    return 0;
}
