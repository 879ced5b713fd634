#pragma once
// The simulator's line: the private state behind SimRecorder and the handling of what the master
// sends, on the line's own thread. Only the simulator's own files include this.
#include "sim/simrecorder.h"
#include "sim/rawpty.h"
#include "sim/simmemory.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QMutex>
#include <QMutexLocker>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>
#include <QWaitCondition>

#include <algorithm>
#include <array>
#include <atomic>
#include <limits>
#include <map>
#include <memory>

namespace sim {

struct SimRecorder::Impl {
    // Everything the line needs on its own thread, created and destroyed there.
    struct Line {
        explicit Line(Impl *d)
        {
            silence.setSingleShot(true);
            silence.setTimerType(Qt::PreciseTimer);
            QObject::connect(&silence, &QTimer::timeout, &context, [d] { d->onSilence(); });
            batch.setSingleShot(true);
            batch.setTimerType(Qt::PreciseTimer);
            QObject::connect(&batch, &QTimer::timeout, &context, [d] { d->passHeld(); });
            d->line = this;
            if (d->transport == Transport::Pty) {
                d->watch(d->pty.master);
            } else {
                listening = std::make_unique<QSocketNotifier>(d->listenFd, QSocketNotifier::Read);
                QObject::connect(listening.get(), &QSocketNotifier::activated, &context, [d] { d->acceptClient(); });
            }
        }
        QObject context;  // pending replies die with it
        std::unique_ptr<QSocketNotifier> listening;  // a TCP line's listener
        std::unique_ptr<QSocketNotifier> notifier;   // the bytes the master sends
        int fd = -1;          // what the line reads and writes: the pty's master, or the client's connection
        int connection = 0;   // counts the connections dropped: a reply goes only to the one that asked
        bool hungUp = false;  // the client closed its side; the connection goes once its bytes are handled
        QTimer silence;
        QByteArray buffer;
        qint64 lastByteNs = 0;
        qint64 lastWriteNs = std::numeric_limits<qint64>::min() / 2;  // the last byte sent the master
        bool runOn = false;  // the frame in the buffer began too soon after the reply before it, or during it
        bool sentDuring = false;  // the master's bytes were already waiting when a reply went out
        int repliesDue = 0;       // replies scheduled in their ordinary time and not yet written
        bool framing = false;     // bytes in the buffer wait for the silence that ends their frame
        bool holding = false;     // bytes held for the master
        QTimer batch;     // runs while bytes are held for the master
        QByteArray held;
    };

    class LineThread : public QThread {
    public:
        explicit LineThread(Impl *d) : d(d) {}

    protected:
        void run() override
        {
            Line line(d);
            exec();
            d->dropClient();
            d->line = nullptr;
        }

    private:
        Impl *d;
    };

    Impl() { devices.emplace(uint8_t(21), DeviceState{}); }

    // Guarded by mutex.
    mutable QMutex mutex;
    mutable QWaitCondition arrived;
    std::map<uint8_t, DeviceState> devices;
    int defaultBaud = 19200;  // the rate of a device added
    double turnaroundMs = 5.0;
    bool wireTiming = true;
    bool echo = false;
    int batchLatencyMs = 0;
    bool frameEndBySilence = false;
    QList<FaultSpec> faultQueue;
    FaultRule rule;
    int ruleSerial = 0;
    std::function<void(int)> frameHook;
    QVector<QByteArray> log;
    std::array<int, FaultKinds> injectedCounts{};
    int busyIgnored = 0;
    std::map<uint8_t, qint64> busyUntilNs;  // a device with a late reply pending hears nothing

    // Set by start() and stop() only.
    Transport transport = Transport::Pty;
    RawPty pty;  // its slave stays open so the master never sees a hang-up while the program is away
    int listenFd = -1;  // a TCP line's listener on 127.0.0.1
    int port = 0;
    std::unique_ptr<LineThread> thread;

    // The line's fd as other threads see it (for replyPending): the pty's master, the client's
    // connection, or -1.
    mutable QMutex fdMutex;
    int wireFd = -1;

    // Work under way that ends in bytes for the master (a frame read or being framed, a reply due in
    // its ordinary time, bytes held for a packet): while above 0 a reply may still come. Replies a
    // fault makes late on purpose (Late, a splitLate second half) do not count.
    std::atomic<int> owed{0};

    // The line thread's own.
    Line *line = nullptr;
    QElapsedTimer monotonic;

    static qint64 hostMs() { return QDateTime::currentMSecsSinceEpoch(); }

    DeviceState *device(uint8_t address)
    {
        auto it = devices.find(address);
        return it == devices.end() ? nullptr : &it->second;
    }
    const DeviceState *device(uint8_t address) const
    {
        auto it = devices.find(address);
        return it == devices.end() ? nullptr : &it->second;
    }

    void closeFds();

    // The rate the program's port is set to, read off the pseudo-terminal; 0 when it cannot be told
    // (a TCP line has none).
    int programBaud() const { return transport == Transport::Pty ? ptyBaud(pty.master) : 0; }

    // The rate the program sends at; the devices' default when the line cannot tell.
    int sendingBaud() const
    {
        if (const int baud = programBaud())
            return baud;
        QMutexLocker lock(&mutex);
        return defaultBaud;
    }

    // 3.5 characters of 10 bits at the rate the program sends at, never less than 1.75 ms.
    double gapMs() const
    {
        return std::max(1.75, 35000.0 / std::max(sendingBaud(), 1));
    }
    bool bySilence() const
    {
        QMutexLocker lock(&mutex);
        return frameEndBySilence && transport == Transport::Pty;
    }

    // The line thread's handling of what the master sends and of what goes back to it.
    void onReadable();
    bool readLine();
    void frameBuffer();
    void onSilence();
    void handleFrame(const QByteArray &frame, bool garbled = false, uint16_t transaction = 0);
    void noteFrame(const QByteArray &frame, QByteArray &echoed);  // logged, echoed, the test's hook run
    void handleBroadcast(const QByteArray &frame, int programBaud);  // address 0, with the mutex held
    // The reply goes out after waitMs, split or cut as the fault says; a new rate applies after it.
    void sendReply(const QByteArray &out, int waitMs, const FaultSpec &fault, uint8_t address, int newBaud);
    void deliver(const QByteArray &bytes);
    void passHeld();
    void writeAll(const QByteArray &bytes);
    void mark(bool &state, bool on);  // a piece of work begins or ends, counted in owed
    bool masterBytesWaiting() const;
    void watch(int fd);  // reads what arrives on fd, the line from now on

    // A TCP line's own (simtcp.cpp).
    bool listen(QString *error);
    void acceptClient();
    void dropClient();  // closes the client's connection, if any; a pseudo-terminal stays up
    bool clientWaiting() const;  // a connection waits to be taken
    void frameMbap();
    QByteArray framed(const QByteArray &reply, uint16_t transaction, uint16_t protocol = 0) const;  // the reply as the line carries it
};

} // namespace sim
