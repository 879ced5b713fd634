// A bus scan of the whole address range at one rate against the simulated line (wire timing on, three
// recorders answering), timed against the one-minute target, and at each of the five rates. Run by
// hand: build/bench/bench_scan [wait-ms]
#include "core/link/exchange.h"
#include "core/link/baudrates.h"
#include "core/link/busscan.h"
#include "sim/simrecorder.h"
#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int waitMs = argc > 1 ? std::atoi(argv[1]) : scan::DefaultWaitMs;
    sim::SimRecorder recorder;  // 21
    recorder.addDevice(2);
    recorder.addDevice(120);
    recorder.setFrameEndBySilence(true);
    if (!recorder.start())
        return 1;
    Link link;
    if (!link.open(recorder.portPath(), 19200, 0).isEmpty())
        return 1;
    const auto run = [&](int baud) {
        recorder.setLineBaud(baud);
        link.setBaudRate(baud);
        auto hold = link.tryHold();
        QElapsedTimer t;
        t.start();
        const scan::Outcome out = BusScan(link).run(*hold, scan::Plan{.rates = {baud}, .waitMs = waitMs});
        const double s = t.nsecsElapsed() / 1e9;
        std::printf("%6d baud  %3d addresses  %6.1f s   found %lld   target 60 s   ratio %.2f\n", baud,
                    int(out.asked), s, qsizetype(out.found.size()), s / 60.0);
    };
    std::printf("reply wait %d ms after the bytes\n", waitMs);
    for (int baud : baud::Rates)
        run(baud);
    return 0;
}
