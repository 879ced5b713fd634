// Downloads the same 1,000 records of 20 sensors from the simulated recorder at 19200 baud with a
// 5 ms turnaround, (a) with the window's own "读取所有记录" (the real window, offscreen) and (b) with a
// small libmodbus master reading the same input registers, and prints records per second of each
// against the wire limit, the ratios, and the CPU time the window's thread spent; then (a) again
// through a simulated USB adapter whose latency timer is 16 ms (a common default) and 1 ms.
// Run by hand: build/bench/bench_download [records]
#include "ui/desktop.h"
#include "app/frmmain.h"
#include "panels/port/modbuspanel.h"
#include "core/link/hex.h"
#include "panels/records/recordreadpanel.h"
#include "panels/records/recordspanel.h"
#include "sim/simrecorder.h"
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QTabWidget>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextEdit>
#include <cstdio>
#include <ctime>
#include <modbus.h>

namespace {
constexpr int Baud = 19200;
constexpr double TurnaroundMs = 5.0;
constexpr int Sensors = 20;
constexpr uint8_t Device = 21;

double threadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// The desktop of a run nobody watches: no dialog waits for an answer.
class QuietDesktop : public Desktop {
public:
    explicit QuietDesktop(QString dir) : m_dir(std::move(dir)) {}
    void message(const QString &, const QString &text, Icon) override { messages << text; }
    bool confirm(const QString &, const QString &) override { return true; }
    QString saveFileName(const QString &, const QString &, const QString &) override { return QString(); }
    QString openFileName(const QString &, const QString &, const QString &) override { return QString(); }
    bool openFile(const QString &, Opener) override { return false; }
    std::optional<records::ReplyWindow> editReplyWindow(const records::ReplyWindow &) override { return std::nullopt; }
    QDateTime now() const override { return QDateTime::currentDateTime(); }
    QString appDir() const override { return m_dir; }
    QStringList messages;

private:
    QString m_dir;
};

struct Run {
    double wallMs = 0;
    double cpuMs = 0;
    int read = 0;
};

Run windowDownload(sim::SimRecorder &recorder, int count, const QString &expected)
{
    QTemporaryDir dir;
    QFile map(dir.filePath(QStringLiteral("comports.map")));
    map.open(QIODevice::WriteOnly);
    map.write(QStringLiteral("COM4=%1\n").arg(recorder.portPath()).toUtf8());
    map.close();
    QFile comm(dir.filePath(QStringLiteral("comm.set")));
    comm.open(QIODevice::WriteOnly);
    comm.write("4,19200\r\n");
    comm.close();

    QuietDesktop desktop(dir.path());
    frmMain w(desktop, ComPorts());
    w.show();
    w.load();
    w.SSTab1->setCurrentWidget(w.recordsPanel);  // where the user starts a download from
    w.SSTab1->setCurrentWidget(w.recordsPanel);  // where the user starts a download from
    w.modbusPanel->txtStationID->setText(QString::number(Device));
    w.recordsPanel->txtRecord->setText(QString::number(count));
    w.recordsPanel->txtSensorNum->setText(QString::number(Sensors));
    QApplication::processEvents();

    Run run;
    QElapsedTimer wall;
    const double cpu0 = threadCpuMs();
    wall.start();
    w.recordReadPanel->cmdRedall_Click();
    run.wallMs = wall.nsecsElapsed() / 1e6;
    run.cpuMs = threadCpuMs() - cpu0;
    const QString got = w.recordsPanel->txtReceive->toPlainText();
    run.read = got == expected ? count : -1;
    if (!desktop.messages.isEmpty())
        std::printf("  window said: %s\n", qPrintable(desktop.messages.join(QStringLiteral(" | "))));
    return run;
}

Run libmodbusDownload(const QString &path, int count, const QString &expected)
{
    Run run;
    modbus_t *ctx = modbus_new_rtu(path.toLocal8Bit().constData(), Baud, 'N', 8, 1);
    if (!ctx || modbus_set_slave(ctx, Device) != 0 || modbus_connect(ctx) != 0) {
        std::printf("  libmodbus: cannot connect to %s\n", qPrintable(path));
        if (ctx)
            modbus_free(ctx);
        return run;
    }
    modbus_set_response_timeout(ctx, 0, 300000);
    QString got;
    uint16_t regs[Sensors + 3];
    QElapsedTimer wall;
    const double cpu0 = threadCpuMs();
    wall.start();
    for (int k = 1; k <= count; ++k) {
        if (modbus_read_input_registers(ctx, (k - 1) * (Sensors + 3), Sensors + 3, regs) != Sensors + 3)
            continue;
        QByteArray bytes;
        for (uint16_t r : regs) {
            bytes.append(char(r >> 8));
            bytes.append(char(r & 0xFF));
        }
        got += ShowHex(bytes);
    }
    run.wallMs = wall.nsecsElapsed() / 1e6;
    run.cpuMs = threadCpuMs() - cpu0;
    run.read = got == expected ? count : -1;
    modbus_close(ctx);
    modbus_free(ctx);
    return run;
}
} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000;

    sim::SimRecorder recorder;
    QString error;
    if (!recorder.start(&error)) {
        std::printf("simulated recorder: %s\n", qPrintable(error));
        return 1;
    }
    recorder.setLineBaud(Baud);
    recorder.setTurnaroundMs(TurnaroundMs);
    const auto records = sim::SimRecorder::demoRecords(count, QDateTime(QDate(2026, 1, 1), QTime(0, 0)), Sensors);
    recorder.setRecords(records);
    QString expected;
    for (const auto &r : records)
        expected += ShowHex(sim::SimRecorder::recordBytes(r));

    // Request 8 bytes, reply 2N + 6 data bytes + 5, ten bits a character; the turnaround; the
    // 3.5-character silence before the next request.
    const int bytes = 8 + (2 * Sensors + 6) + 5;
    const double charMs = 10.0 * 1000.0 / Baud;
    const double recordMs = bytes * charMs + TurnaroundMs + 3.5 * charMs;
    const double limit = 1000.0 / recordMs;
    const double gaplessLimit = 1000.0 / (recordMs - 3.5 * charMs);
    std::printf("%d records of %d sensors at %d baud, %.0f ms turnaround\n", count, Sensors, Baud, TurnaroundMs);
    std::printf("wire limit: %d bytes a record, %.2f ms a record, %.2f records/s\n", bytes, recordMs, limit);
    std::printf("            (%.2f records/s for a master that keeps no 3.5-character silence)\n", gaplessLimit);

    const Run a = windowDownload(recorder, count, expected);
    const Run b = libmodbusDownload(recorder.portPath(), count, expected);
    const auto rate = [&](const Run &r) { return r.wallMs > 0 ? count * 1000.0 / r.wallMs : 0.0; };
    std::printf("(a) window \"读取所有记录\": %8.1f ms  %6.2f records/s  %s\n", a.wallMs, rate(a),
                a.read == count ? "text equals the memory" : "TEXT DIFFERS FROM THE MEMORY");
    std::printf("(b) libmodbus master:     %8.1f ms  %6.2f records/s  %s\n", b.wallMs, rate(b),
                b.read == count ? "text equals the memory" : "TEXT DIFFERS FROM THE MEMORY");
    std::printf("ratio (a) / wire limit:   %.3f   (target at least 0.90)\n", rate(a) / limit);
    std::printf("ratio (b) / wire limit:   %.3f   (libmodbus sends the next request as soon as a reply is in:\n"
                "                                   %.3f of the limit without the silence)\n",
                rate(b) / limit, rate(b) / gaplessLimit);
    std::printf("ratio (a) / (b):          %.3f   (target at least 1.00)\n", b.wallMs > 0 ? rate(a) / rate(b) : 0.0);
    std::printf("window thread CPU:        %8.1f ms = %.2f %% of the wall time   (target under 2 %%)\n", a.cpuMs,
                100.0 * a.cpuMs / a.wallMs);
    std::printf("libmodbus thread CPU:     %8.1f ms = %.2f %% of the wall time\n", b.cpuMs, 100.0 * b.cpuMs / b.wallMs);

    // A USB adapter passes received bytes on in batches: what its latency timer costs a download.
    std::printf("through a USB adapter that delivers in batches (62 bytes, or when its latency timer runs out):\n");
    for (int latencyMs : {16, 1}) {
        recorder.setBatchLatencyMs(latencyMs);
        const Run c = windowDownload(recorder, count, expected);
        std::printf("(a) at %2d ms latency:     %8.1f ms  %6.2f records/s  %.3f of the wire limit  %s\n", latencyMs,
                    c.wallMs, rate(c), rate(c) / limit,
                    c.read == count ? "text equals the memory" : "TEXT DIFFERS FROM THE MEMORY");
    }
    recorder.setBatchLatencyMs(0);
    return 0;
}
