// Downloads 500 records of 20 sensors from the simulated recorder (5 ms turnaround) at 9600, 19200
// and 38400 baud, five ways: (a) the job the window's "读取所有记录" runs (jobs::DownloadAndKeep on
// a link of its own) with block reads off in its reply window, one record a request; (b) the same
// with block reads on; (c) a small libmodbus master reading one record a request; (d) as (a) with the
// bus monitor's frame log observing the link (as while "通信监视" is open: every frame goes into the
// log); (e) as (b) through a second simulated recorder that serves raw RTU behind a TCP listener on
// loopback (a transparent device server) with the same wire model. The runs go a, b, c, d, e, a, b, …
// so that whatever else the machine does falls on all alike; each figure is the median.
// Printed per rate: records per second, the ratio to the wire limit of the requests the mode makes
// and to libmodbus, the CPU time of the thread the job runs on (the window's own thread, in the
// window) in block mode, and with the monitor open against closed (d against a: rate and CPU time),
// and RTU over TCP against the pseudo-terminal (e against b). The last line gives the ratios at 19200
// baud for scripts.
//
// The wire limit counts, per request, the request and the reply at ten bits a character and the
// turnaround, but not the 3.5-character silence the program keeps before each request (libmodbus
// keeps none): one record a request is 8 + (2(N + 3) + 5) bytes. The simulator cuts frames by their
// length, as libmodbus's frames need.
// Run by hand: build/bench/bench_download [records a run]   (500 records: 14 to 15 minutes, most of it wire time)
#include "core/jobs/downloadandkeep.h"
#include "core/link/exchange.h"
#include "core/link/framelog.h"
#include "core/link/hex.h"
#include "core/records/downloadreport.h"
#include "core/records/recorddecode.h"
#include "sim/simrecorder.h"
#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <modbus.h>
#include <vector>

namespace {
constexpr int Bauds[] = {9600, 19200, 38400};
constexpr int ScriptBaud = 19200;  // the rate of the last line
constexpr int Runs = 3;
constexpr double TurnaroundMs = 5.0;
constexpr int Sensors = 20;
constexpr int RecordRegisters = Sensors + 3;
constexpr int PerBlock = 125 / RecordRegisters;  // whole records in one read
constexpr uint8_t Device = 21;

double threadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// The wire time of count records asked perRequest at a time, without the silences between frames.
double wireMs(int baud, int count, int perRequest)
{
    const double charMs = 10.0 * 1000.0 / baud;
    double ms = 0;
    for (int left = count; left > 0; left -= perRequest) {
        const int n = std::min(left, perRequest);
        ms += (8 + 2 * n * RecordRegisters + 5) * charMs + TurnaroundMs;
    }
    return ms;
}

struct Run {
    double wallMs = 0;
    double cpuMs = 0;
    bool exact = false;  // what was read equals the memory, record for record
    qint64 frames = 0;   // frames in the frame log
};

// The download the window's "读取所有记录" runs: the job on a link opened as the window opens it
// (COM4 at baud), with block reads as its reply window says; with the monitor, the link's frame log
// observes every frame as it does while "通信监视" is open. Nothing is kept (the window without an
// archive keeps nothing either).
Run jobDownload(sim::SimRecorder &recorder, int baud, bool blockReads, int count, const QString &expected,
                bool monitor = false)
{
    Run run;
    Link link;
    if (const QString why = link.open(recorder.portPath(), baud, 4); !why.isEmpty()) {
        std::printf("  cannot open %s: %s\n", qPrintable(recorder.portPath()), qPrintable(why));
        return run;
    }
    FrameLog log;
    if (monitor)
        link.setObserver(&log);
    records::ReplyWindow window;
    window.blockReads = blockReads;
    jobs::DownloadAndKeep job(link, window);
    auto hold = link.tryHold();
    if (!hold) {
        std::printf("  the link is busy\n");
        return run;
    }

    QElapsedTimer wall;
    const double cpu0 = threadCpuMs();
    wall.start();
    const jobs::DownloadAndKeep::Result r = job.run(*hold, Device, 1, count, Sensors);
    run.wallMs = wall.nsecsElapsed() / 1e6;
    run.cpuMs = threadCpuMs() - cpu0;
    QString got;
    for (const records::Record &record : r.downloaded.records)
        got += hexText(record.data);
    run.exact = got == expected;
    run.frames = log.size();
    if (const QString message = records::downloadMessage(r.downloaded.outcome); !message.isEmpty())
        std::printf("  the download said: %s\n", qPrintable(message));
    link.setObserver(nullptr);
    return run;
}

Run libmodbusDownload(const QString &path, int baud, int count, const QString &expected)
{
    Run run;
    modbus_t *ctx = modbus_new_rtu(path.toLocal8Bit().constData(), baud, 'N', 8, 1);
    if (!ctx || modbus_set_slave(ctx, Device) != 0 || modbus_connect(ctx) != 0) {
        std::printf("  libmodbus: cannot connect to %s\n", qPrintable(path));
        if (ctx)
            modbus_free(ctx);
        return run;
    }
    modbus_set_response_timeout(ctx, 0, 300000);
    QString got;
    uint16_t regs[RecordRegisters];
    QElapsedTimer wall;
    const double cpu0 = threadCpuMs();
    wall.start();
    for (int k = 1; k <= count; ++k) {
        if (modbus_read_input_registers(ctx, (k - 1) * RecordRegisters, RecordRegisters, regs) != RecordRegisters)
            continue;
        QByteArray bytes;
        for (uint16_t r : regs) {
            bytes.append(char(r >> 8));
            bytes.append(char(r & 0xFF));
        }
        got += hexText(bytes);
    }
    run.wallMs = wall.nsecsElapsed() / 1e6;
    run.cpuMs = threadCpuMs() - cpu0;
    run.exact = got == expected;
    modbus_close(ctx);
    modbus_free(ctx);
    return run;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n == 0 ? 0.0 : n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// The runs of one mode at one rate.
struct Mode {
    const char *name;
    int perRequest;  // records a request, for its wire limit
    std::vector<double> rates, cpuPercent;
    bool exact = true;
    qint64 frames = 0;
    double rate() const { return median(rates); }
    void add(const Run &r, int count)
    {
        rates.push_back(r.wallMs > 0 ? count * 1000.0 / r.wallMs : 0.0);
        cpuPercent.push_back(r.wallMs > 0 ? 100.0 * r.cpuMs / r.wallMs : 0.0);
        exact = exact && r.exact;
        frames = r.frames;
    }
};

// Records a second the wire allows at baud, perRequest records a request.
double wireLimit(int baud, int count, int perRequest)
{
    return count * 1000.0 / wireMs(baud, count, perRequest);
}

// The bus monitor open against closed: records a second, and job thread CPU a record.
struct MonitorCost {
    double rate, cpu;
};

// One rate's table of runs.
MonitorCost printRuns(const Mode (&modes)[5], int baud, int count)
{
    const auto limit = [&](int perRequest) { return wireLimit(baud, count, perRequest); };
    std::printf("\n%d baud: wire limit %.2f records/s one record a request, %.2f records/s %d a request\n", baud,
                limit(1), limit(PerBlock), PerBlock);
    std::printf("  %-37s %9s  %-26s %7s %12s\n", "", "records/s", "(runs)", "of wire", "of libmodbus");
    for (const Mode &m : modes) {
        QString runs;
        for (double r : m.rates)
            runs += QString::asprintf("%.2f ", r);
        std::printf("  %-37s %9.2f  %-26s %7.2f %12.2f%s\n", m.name, m.rate(), qPrintable(runs.trimmed().prepend('(') + ')'),
                    m.rate() / limit(m.perRequest), modes[2].rate() > 0 ? m.rate() / modes[2].rate() : 0.0,
                    m.exact ? "" : "  READ DIFFERS FROM THE MEMORY");
    }
    QString cpuRuns;
    for (double c : modes[1].cpuPercent)
        cpuRuns += QString::asprintf("%.2f ", c);
    std::printf("  job thread CPU in block mode: %.2f %% of the wall time (runs %s; target at most 2 %%)\n",
                median(modes[1].cpuPercent), qPrintable(cpuRuns.trimmed()));
    // CPU per record rather than per second: a slower run would otherwise look cheaper.
    const auto cpuPerRecord = [](const Mode &m) { return median(m.cpuPercent) / std::max(m.rate(), 1e-9); };
    const double rateRatio = modes[0].rate() > 0 ? modes[3].rate() / modes[0].rate() : 0.0;
    const double cpuRatio = cpuPerRecord(modes[0]) > 0 ? cpuPerRecord(modes[3]) / cpuPerRecord(modes[0]) : 0.0;
    std::printf("  bus monitor open against closed: records/s %.3f, job thread CPU a record %.2f "
                "(CPU %.2f %% against %.2f %% of the wall time; %lld frames logged in the last run)\n",
                rateRatio, cpuRatio, median(modes[3].cpuPercent), median(modes[0].cpuPercent),
                static_cast<long long>(modes[3].frames));
    std::printf("  block reads through RTU over TCP against the pseudo-terminal: records/s %.3f\n",
                modes[1].rate() > 0 ? modes[4].rate() / modes[1].rate() : 0.0);
    return {rateRatio, cpuRatio};
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    // The memory holds the records read, and no more fit in the input registers.
    const int count = std::clamp(argc > 1 ? std::atoi(argv[1]) : 500, 1, records::lastAddressableRecord(Sensors));

    sim::SimRecorder recorder, tcpRecorder;
    QString error;
    if (!recorder.start(&error) || !tcpRecorder.start(&error, sim::SimRecorder::Transport::RtuOverTcp)) {
        std::printf("simulated recorder: %s\n", qPrintable(error));
        return 1;
    }
    const auto records = sim::SimRecorder::demoRecords(count, QDateTime(QDate(2026, 1, 1), QTime(0, 0)), Sensors);
    for (sim::SimRecorder *r : {&recorder, &tcpRecorder}) {
        r->setTurnaroundMs(TurnaroundMs);
        r->setRecords(records);
    }
    QString expected;
    for (const auto &r : records)
        expected += hexText(sim::SimRecorder::recordBytes(r));

    std::printf("%d records of %d sensors a run, %.0f ms turnaround, median of %d runs interleaved a, b, c, d, e\n", count,
                Sensors, TurnaroundMs, Runs);
    QElapsedTimer total;
    total.start();
    double single = 0, block = 0, libmodbus = 0, singleWire = 0, monitorRate = 0, monitorCpu = 0, tcpBlock = 0;
    for (const int baud : Bauds) {
        recorder.setLineBaud(baud);
        tcpRecorder.setLineBaud(baud);
        Mode modes[] = {{"(a) program, one record a request", 1, {}, {}},
                        {"(b) program, block reads", PerBlock, {}, {}},
                        {"(c) libmodbus, one record a request", 1, {}, {}},
                        {"(d) as (a), bus monitor open", 1, {}, {}},
                        {"(e) as (b), RTU over TCP on loopback", PerBlock, {}, {}}};
        for (int i = 0; i < Runs; ++i) {
            modes[0].add(jobDownload(recorder, baud, false, count, expected), count);
            modes[1].add(jobDownload(recorder, baud, true, count, expected), count);
            modes[2].add(libmodbusDownload(recorder.portPath(), baud, count, expected), count);
            modes[3].add(jobDownload(recorder, baud, false, count, expected, true), count);
            modes[4].add(jobDownload(tcpRecorder, baud, true, count, expected), count);
            recorder.clearRequests();
            tcpRecorder.clearRequests();
        }
        const auto limit = [&](int perRequest) { return wireLimit(baud, count, perRequest); };
        const MonitorCost monitor = printRuns(modes, baud, count);
        if (baud == ScriptBaud) {
            single = modes[0].rate();
            block = modes[1].rate();
            libmodbus = modes[2].rate();
            singleWire = single / limit(1);
            monitorRate = monitor.rate;
            monitorCpu = monitor.cpu;
            tcpBlock = modes[4].rate();
        }
        std::fflush(stdout);
    }
    std::printf("\ntotal %.1f min\n", total.elapsed() / 60000.0);
    std::printf("ratios: single/libmodbus=%.2f block/libmodbus=%.2f single/wire=%.2f monitor/single=%.3f "
                "monitor-cpu/single-cpu=%.2f tcp/pty=%.2f\n",
                libmodbus > 0 ? single / libmodbus : 0.0, libmodbus > 0 ? block / libmodbus : 0.0, singleWire, monitorRate,
                monitorCpu, block > 0 ? tcpBlock / block : 0.0);
    return 0;
}
