// The bus monitor's memory. A polling loop reads twenty input registers of device 21 every tick over a
// pseudo-terminal: the request goes out through a QSerialPort, the reply comes back through it and is
// gathered the way the link gathers it (readAll appended to the reply), so the log is handed the same
// byte arrays the window hands it. First the monitor is closed (nothing logged, the dock hidden), then
// open: both frames of every tick logged, the table catching up every other tick (the panel's 200 ms
// at 100 ms polling) and painted as events are processed. What the process grew by with the monitor
// open, less what it grew by closed, over the frames logged is the monitor's cost of a frame.
// Run by hand: build/bench/bench_monitor [frames]   (default: the log's capacity, 100000)
#include "app/recordingdesktop.h"
#include "core/link/crc16.h"
#include "core/link/framelog.h"
#include "core/link/frames.h"
#include "panels/monitor/busmonitorpanel.h"
#include "sim/rawpty.h"
#include <QApplication>
#include <QDir>
#include <QPushButton>
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
bool tick(const PollLine &line, FrameLog &log, BusMonitorPanel &panel, qint64 &timeMs, bool open, int n)
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
    if (open) {
        log.append(FrameKind::Received, timeMs + 40, 4000, reply.mid(0, reply.size()));
        if (n % 2)
            panel.catchUp();
    }
    QApplication::processEvents();
    timeMs += 100;
    return true;
}
} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
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
    RecordingDesktop desktop(QDir::tempPath());
    BusMonitorPanel panel(log, desktop);
    panel.resize(1000, 400);
    qint64 timeMs = 1'800'000'000'000;

    const auto run = [&](bool open, int ticks) {
        for (int n = 0; n < ticks; ++n)
            if (!tick(poll, log, panel, timeMs, open, n)) {
                std::fprintf(stderr, "bench_monitor: the line stopped answering\n");
                std::exit(1);
            }
    };

    // Warming up: the table drawn and its fonts and caches made once, then emptied.
    panel.show();
    run(true, 500);
    panel.cmdMonitorClear->click();
    QApplication::processEvents();
    panel.hide();
    QApplication::processEvents();

    const int ticks = frames / 2;
    const Usage closedStart;
    run(false, ticks);
    const Usage closed = Usage().since(closedStart);

    const Usage openStart;
    panel.show();
    run(true, ticks);
    panel.catchUp();
    QApplication::processEvents();
    const Usage open = Usage().since(openStart);

    const int logged = int(log.size());
    const auto perFrame = [logged](qint64 bytes) { return logged > 0 ? bytes / logged : 0; };
    std::printf("closed: %d ticks, grew %lld KB resident, %lld KB heap\n", ticks, closed.rss / 1024, closed.heap / 1024);
    std::printf("open:   %d ticks, %d frames in the log, %d rows; grew %lld KB resident, %lld KB heap\n", ticks, logged,
                int(panel.shownFrames().size()), open.rss / 1024, open.heap / 1024);
    std::printf("heap beyond closed: %lld bytes/frame\n", perFrame(open.heap - closed.heap));
    std::printf("monitor: frames=%d bytes/frame=%lld\n", logged, perFrame(open.rss - closed.rss));
    return 0;
}
