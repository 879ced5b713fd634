// Seeded random timings of every job that reads, on virtual time: a million runs by default, spread
// over the jobs, each checked (records at their positions, every position not kept named, no value
// from another request). The last line: "timing: runs=N misplaced=0 unnamed=0 stray-taken=0".
//   bench_timing [RUNS]              the runs, seeds 1 … RUNS
//   bench_timing --job J --seed N    one run replayed with its wire log (J: download-blocks,
//                                    download-singles, live-read, settings-reads, module-pass)
#include "sim/timingfuzz.h"
#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    using namespace sim::timing;
    sim::timing::Tally tally;
    if (args.size() == 5 && args[1] == QLatin1String("--job") && args[3] == QLatin1String("--seed")) {
        Job job;
        bool ok = false;
        const quint64 seed = args[4].toULongLong(&ok);
        if (!jobNamed(args[2], &job) || !ok) {
            std::fprintf(stderr, "bench_timing: no such job or seed\n");
            return 64;
        }
        QStringList log;
        run(job, seed, tally, {}, &log);
        for (const QString &line : log)
            std::printf("%s\n", qPrintable(line));
        for (const QString &f : tally.failures)
            std::printf("FAILED %s\n", qPrintable(f));
    } else {
        const qint64 runs = args.size() > 1 ? args[1].toLongLong() : 1'000'000;
        QElapsedTimer clock;
        clock.start();
        for (qint64 i = 0; i < runs; ++i)
            run(Jobs[i % std::size(Jobs)], quint64(i + 1), tally);
        for (const QString &f : tally.failures)
            std::printf("FAILED %s\n", qPrintable(f));
        std::printf("exchanges=%lld wall=%.1f s (%.1f µs a run)\n", tally.exchanges, double(clock.elapsed()) / 1000,
                    double(clock.nsecsElapsed()) / 1000 / double(std::max<qint64>(runs, 1)));
    }
    std::printf("timing: runs=%lld misplaced=%lld unnamed=%lld stray-taken=%lld\n", tally.runs, tally.misplaced,
                tally.unnamed, tally.strayTaken);
    return tally.held() ? 0 : 1;
}
