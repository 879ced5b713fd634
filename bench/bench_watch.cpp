// The watcher's cost: eight simulated recorders on one line, polled as every second but back to back
// (the watcher's clock advances a second a round), for an hour of that time: each poll as the
// watcher makes it, every reading kept in a SQLite archive, the alarm rules run on it with some
// sensors outside their limits, acknowledgements looked for and the heartbeat written. Prints the
// watcher's own CPU time per round as a share of the 1-second period (what it costs at real time;
// the aim is at most 1 %) and how much its memory grew after the first rounds.
// Last line: "watch: polls=N cpu=…% rss_growth_kb=…".
//   bench_watch [device polls, default 28800: an hour]
#include "scratchstore.h"
#include "core/settings/sensortable.h"
#include "watch/watchservice.h"
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
    constexpr int Devices = 8, PeriodS = 1;
    const int polls = argc > 1 ? std::max(80, std::atoi(argv[1])) : 3600 / PeriodS * Devices;
    sim::SimRecorder recorder;
    QString error;
    if (!recorder.start(&error)) {
        std::fprintf(stderr, "simulated recorder: %s\n", qPrintable(error));
        return 1;
    }
    recorder.setLineBaud(115200);
    QByteArray limits;
    for (uint8_t a = 21; a < 21 + Devices; ++a) {
        recorder.addDevice(a);
        for (uint16_t reg = 0; reg < 20; ++reg)
            recorder.setHolding(reg, uint16_t(200 + 5 * reg + a), a);
        limits += QStringLiteral("COM4-%1\t3\t\t℃\t15.0\t21.0\nCOM4-%1\t9\t\t℃\t\t24.0\n").arg(a).toUtf8();
    }
    auto link = std::make_unique<Link>();
    link->setPeerWitness(&recorder);
    if (const QString why = link->open(recorder.portPath(), 115200, 4); !why.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(why));
        return 1;
    }
    QTemporaryDir dir;
    archive::RecordStore store;
    if (!openScratchStore(store, dir))
        return 1;
    store.limitCache(512);  // as the watcher does
    QDateTime now(QDate(2026, 12, 8), QTime(0, 0), Qt::UTC);
    int steps = 0;
    watch::WatchService::Setup setup;
    setup.host = QStringLiteral("bench");
    setup.store = &store;
    setup.sensors.parse(limits, &error);
    setup.alarms = {.delayS = 10, .deadbandTenths = 5, .repeatS = 60, .commLostPolls = 3};
    setup.tell = [&](const watch::Transition &, const QString &, const QString &) { ++steps; };
    setup.log = [](const QString &s) { std::fprintf(stderr, "%s\n", qPrintable(s)); };
    setup.clock = [&now] { return now; };
    watch::WatchService service(std::move(setup));
    QList<uint8_t> addresses;
    for (uint8_t a = 21; a < 21 + Devices; ++a)
        addresses << a;
    service.add(std::move(link), {"COM4", 4, addresses, PeriodS, {}});

    const int rounds = polls / Devices, warmUp = std::min(50, rounds / 4);
    double cpu0 = 0;
    long rss0 = 0;
    for (int r = 0; r < rounds; ++r) {
        if (r == warmUp) {
            cpu0 = threadCpuSeconds();
            rss0 = rssKb();
        }
        // A sensor leaves its limit and comes back now and then: raised, repeated and cleared alarms.
        recorder.setHolding(2, uint16_t(r % 90 < 60 ? 200 : 260), 21);
        service.pollAll();
        now = now.addSecs(PeriodS);
    }
    const double perRound = (threadCpuSeconds() - cpu0) / (rounds - warmUp);
    const long growth = rssKb() - rss0;
    std::printf("rounds %d of %d devices, %d alarm steps; CPU %.2f ms a round\n", rounds, Devices, steps, perRound * 1e3);
    std::printf("watch: polls=%d cpu=%.3f%% rss_growth_kb=%ld\n", rounds * Devices, perRound / PeriodS * 100, growth);
    return 0;
}
