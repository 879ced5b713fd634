// The bus monitor's memory: its frame log. A polling loop reads twenty input registers of device 21
// every tick over a pseudo-terminal: the request goes out through a QSerialPort, the reply comes back
// through it and is gathered the way the link gathers it (readAll appended to the reply), so the log is
// handed the same byte arrays the link hands it. First the monitor is closed (nothing logged), then
// open: both frames of every tick logged. What the process grew by with the monitor open, less what it
// grew by closed, over the frames logged is the monitor's cost of a frame. (The panel's table shows
// the log's frames and keeps a sequence number for each row; that is not counted here.)
// Run by hand: build/bench/bench_monitor [frames]   (default: the log's capacity, 100000)
#include "core/link/crc16.h"
#include "core/link/framelog.h"
#include "core/link/frames.h"
#include "sim/rawpty.h"
#include <QCoreApplication>
#include <QSerialPort>
#include <cstdio>
#include <cstdlib>
#include <malloc.h>
#include <unistd.h>

namespace {
qint64 residentBytes()
{
    FILE *f = std::fopen("/proc/self/statm", "r");
    long size = 0, resident = 0;
    if (f) {
        if (std::fscanf(f, "%ld %ld", &size, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return qint64(resident) * ::sysconf(_SC_PAGESIZE);
}

qint64 mallocBytes() { return qint64(mallinfo2().uordblks); }

struct Usage {
    qint64 rss = residentBytes(), heap = mallocBytes();
    Usage since(const Usage &start) const { Usage d; d.rss = rss - start.rss; d.heap = heap - start.heap; return d; }
};

bool writeAll(int fd, const char *data, qsizetype n)
{
    while (n > 0) {
        const ssize_t w = ::write(fd, data, size_t(n));
        if (w <= 0)
            return false;
        data += w;
        n -= w;
    }
    return true;
}

bool readAll(int fd, qsizetype n)
{
    char buffer[256];
    while (n > 0) {
        const ssize_t r = ::read(fd, buffer, size_t(std::min<qsizetype>(n, sizeof buffer)));
        if (r <= 0)
            return false;
        n -= r;
    }
    return true;
}

// Device 21's answer to a read of twenty input registers.
QByteArray answer()
{
    QByteArray a("\x15\x04\x28", 3);
    for (int k = 0; k < 20; ++k)
        a += char(0x01) + char(k);
    appendCrc(a);
    return a;
}

// The line a polling tick goes over: the program's end and the recorder's.
struct PollLine {
    QSerialPort &port;
    int master;
    QByteArray request, answer;
};

// One polling tick: the request out, the reply in, both logged when the monitor is open.
bool tick(const PollLine &line, FrameLog &log, qint64 &timeMs, bool open)
{
    if (open)
        log.append(FrameKind::Sent, timeMs, 100'000, line.request);
    line.port.write(line.request);
    line.port.flush();
    if (!readAll(line.master, line.request.size()) || !writeAll(line.master, line.answer.constData(), line.answer.size()))
        return false;
    QByteArray reply;
    while (reply.size() < line.answer.size()) {
        if (!line.port.waitForReadyRead(10'000))
            return false;
        reply += line.port.readAll();
    }
    if (open)
        log.append(FrameKind::Received, timeMs + 40, 4000, reply.mid(0, reply.size()));
    QCoreApplication::processEvents();
    timeMs += 100;
    return true;
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int frames = argc > 1 ? std::max(2, std::atoi(argv[1])) : int(FrameLog::DefaultCapacity);

    sim::RawPty pty;
    QString error;
    if (!pty.open(&error)) {
        std::fprintf(stderr, "bench_monitor: %s\n", qPrintable(error));
        return 1;
    }
    QSerialPort port;
    port.setPortName(pty.path);
    if (!port.open(QIODevice::ReadWrite)) {
        std::fprintf(stderr, "bench_monitor: %s: %s\n", qPrintable(pty.path), qPrintable(port.errorString()));
        return 1;
    }
    const PollLine poll{port, pty.master, modbus::readRequest(21, modbus::ReadInputRegisters, 0, 20), answer()};

    FrameLog log;
    qint64 timeMs = 1'800'000'000'000;

    const auto run = [&](bool open, int ticks) {
        for (int n = 0; n < ticks; ++n)
            if (!tick(poll, log, timeMs, open)) {
                std::fprintf(stderr, "bench_monitor: the line stopped answering\n");
                std::exit(1);
            }
    };

    // Warming up: the log's stores made once, then emptied (as "清空" does).
    run(true, 500);
    log.clear();

    const int ticks = frames / 2;
    const Usage closedStart;
    run(false, ticks);
    const Usage closed = Usage().since(closedStart);

    const Usage openStart;
    run(true, ticks);
    const Usage open = Usage().since(openStart);

    const int logged = int(log.size());
    const auto perFrame = [logged](qint64 bytes) { return logged > 0 ? bytes / logged : 0; };
    std::printf("closed: %d ticks, grew %lld KB resident, %lld KB heap\n", ticks, closed.rss / 1024, closed.heap / 1024);
    std::printf("open:   %d ticks, %d frames in the log; grew %lld KB resident, %lld KB heap\n", ticks, logged,
                open.rss / 1024, open.heap / 1024);
    std::printf("heap beyond closed: %lld bytes/frame\n", perFrame(open.heap - closed.heap));
    std::printf("monitor: frames=%d bytes/frame=%lld\n", logged, perFrame(open.rss - closed.rss));
    return 0;
}
