#include "sim/simrecorder.h"
#include "sim/rawpty.h"

#include "core/link/crc16.h"
#include "sim/simmemory.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QMutex>
#include <QMutexLocker>
#include <QScopeGuard>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>
#include <QWaitCondition>

#include <algorithm>
#include <array>
#include <limits>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <map>

#include <fcntl.h>
#include <unistd.h>

namespace sim {

struct SimRecorder::Impl {
    // Everything the line needs on its own thread, created and destroyed there.
    struct Line {
        explicit Line(Impl *d)
            : notifier(d->pty.master, QSocketNotifier::Read)
        {
            silence.setSingleShot(true);
            silence.setTimerType(Qt::PreciseTimer);
            QObject::connect(&notifier, &QSocketNotifier::activated, &context, [d] { d->onReadable(); });
            QObject::connect(&silence, &QTimer::timeout, &context, [d] { d->onSilence(); });
            batch.setSingleShot(true);
            batch.setTimerType(Qt::PreciseTimer);
            QObject::connect(&batch, &QTimer::timeout, &context, [d] { d->passHeld(); });
            d->line = this;
        }
        QObject context;  // pending replies die with it
        QSocketNotifier notifier;
        QTimer silence;
        QByteArray buffer;
        qint64 lastByteNs = 0;
        qint64 lastWriteNs = std::numeric_limits<qint64>::min() / 2;  // the last byte sent the master
        bool runOn = false;  // the frame in the buffer began too soon after the reply before it
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
    QVector<QByteArray> log;
    std::array<int, FaultKinds> injectedCounts{};
    int busyIgnored = 0;
    std::map<uint8_t, qint64> busyUntilNs;  // a device with a late reply pending hears nothing

    // Set by start() and stop() only.
    RawPty pty;  // its slave stays open so the master never sees a hang-up while the program is away
    std::unique_ptr<LineThread> thread;

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

    void closeFds() { pty.close(); }

    // The rate the program sends at; the devices' default when the pseudo-terminal cannot tell.
    int sendingBaud() const
    {
        if (const int baud = ptyBaud(pty.master))
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
        return frameEndBySilence;
    }

    void onReadable()
    {
        const bool fresh = line->buffer.isEmpty();
        if (!readLine())
            return;
        line->lastByteNs = monotonic.nsecsElapsed();
        if (!bySilence()) {
            frameBuffer();
            return;
        }
        // A master that did not keep the gap after the reply it got garbles the frame it starts.
        if (fresh && double(line->lastByteNs - line->lastWriteNs) < gapMs() * 1e6 / 2)
            line->runOn = true;
        line->silence.start(int(std::ceil(gapMs())));
    }

    // Appends what the line holds to the buffer; false when nothing came.
    bool readLine()
    {
        char chunk[512];
        bool got = false;
        for (;;) {
            const ssize_t n = ::read(pty.master, chunk, sizeof chunk);
            if (n > 0) {
                line->buffer.append(chunk, int(n));
                got = true;
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK))
                line->notifier.setEnabled(false);  // the line is gone; never spin on it
            break;
        }
        return got;
    }

    // Takes every complete frame off the buffer; what is left waits for more bytes or a silence.
    void frameBuffer()
    {
        QByteArray &buf = line->buffer;
        for (;;) {
            const int n = expectedRequestLength(buf);
            if (n <= 0 || buf.size() < n)
                break;
            const QByteArray frame = buf.left(n);
            buf.remove(0, n);
            handleFrame(frame);
        }
        if (buf.isEmpty()) {
            line->silence.stop();
            return;
        }
        line->silence.start(int(std::ceil(gapMs())));
    }

    void onSilence()
    {
        // Bytes already waiting broke the silence, however late this thread came to look.
        if (bySilence() && readLine()) {
            line->lastByteNs = monotonic.nsecsElapsed();
            line->silence.start(int(std::ceil(gapMs())));
            return;
        }
        if (line->buffer.isEmpty())
            return;
        const QByteArray frame = line->buffer;
        line->buffer.clear();
        handleFrame(frame, std::exchange(line->runOn, false));
    }

    void handleFrame(const QByteArray &frame, bool garbled = false)
    {
        const qint64 arrivalNs = line->lastByteNs;
        const int programBaud = ptyBaud(pty.master);
        // A device at another rate hears only noise.
        const auto hears = [programBaud](const DeviceState &dev) { return programBaud == 0 || programBaud == dev.rate; };
        const uint8_t address = frame.isEmpty() ? 0 : uint8_t(frame[0]);
        FaultRule ruleCopy;
        int serial = 0;
        // The adapter's echo goes back whatever becomes of the frame, and before any reply.
        QByteArray echoed;
        const auto sendEcho = qScopeGuard([&] { deliver(echoed); });
        {
            QMutexLocker lock(&mutex);
            if (echo)
                echoed = frame;
            log.append(frame);
            arrived.wakeAll();
            if (garbled)
                return;
            if (frame.size() < 4 || !crcMatches(frame))
                return;
            if (address == 0) {
                const qint64 now = hostMs();
                for (auto &[a, dev] : devices) {
                    if (!hears(dev))
                        continue;
                    if (const int newBaud = handleRequest(dev, frame, now).newBaud)
                        dev.rate = newBaud;
                }
                return;
            }
            if (!device(address) || !hears(*device(address)))
                return;
            if (auto busy = busyUntilNs.find(address); busy != busyUntilNs.end() && arrivalNs < busy->second) {
                ++busyIgnored;
                return;
            }
            if (rule) {
                ruleCopy = rule;
                serial = ruleSerial++;
            }
        }
        // The rule is the caller's code: run it without the lock so it may call back in.
        FaultSpec fault;
        if (ruleCopy)
            fault = ruleCopy(frame, serial);

        Handled handled;
        double turnaround;
        bool wire;
        int baud;
        {
            QMutexLocker lock(&mutex);
            DeviceState *dev = device(address);
            if (!dev || !hears(*dev))
                return;
            if (!ruleCopy && !faultQueue.isEmpty())
                fault = faultQueue.takeFirst();
            baud = programBaud ? programBaud : dev->rate;
            turnaround = turnaroundMs;
            wire = wireTiming;
            // The request takes effect whatever becomes of the reply.
            handled = handleRequest(*dev, frame, hostMs());
        }
        if (fault.fault == Fault::EchoCut)
            echoed.chop(std::clamp(fault.truncateBy, 0, int(echoed.size())));
        else if (fault.fault == Fault::EchoSpoiled && !echoed.isEmpty())
            echoed[echoed.size() / 2] = char(echoed[echoed.size() / 2] ^ 0x10);
        if (handled.reply.isEmpty())
            return;

        QByteArray reply = handled.reply;
        const int replySize = int(reply.size());
        switch (fault.fault) {
        case Fault::None:
        case Fault::Late:
        case Fault::Split:
        case Fault::EchoCut:
        case Fault::EchoSpoiled:
            break;
        case Fault::NoReply:
            reply.clear();
            break;
        case Fault::BadCrc:
            reply[reply.size() - 1] = char(uint8_t(reply.back()) ^ 0xFF);
            break;
        case Fault::Truncated:
            reply.chop(std::clamp(fault.truncateBy, 0, int(reply.size())));
            break;
        case Fault::OtherAddress:
            reply[0] = char(uint8_t(reply[0]) + 1);
            reply.chop(2);
            appendCrc(reply);
            break;
        case Fault::Exception:
            reply = exceptionReply(address, uint8_t(frame[1]), fault.exceptionCode);
            break;
        case Fault::Trailing:
            reply += fault.trailing;
            break;
        case Fault::Doubled:
            reply += reply;
            break;
        }

        double delayMs = turnaround;
        if (fault.fault == Fault::Late)
            delayMs = fault.lateMs;
        else if (wire)
            delayMs += (frame.size() + replySize) * 10.0 * 1000.0 / std::max(baud, 1);
        const double elapsedMs = (monotonic.nsecsElapsed() - arrivalNs) / 1e6;
        const int waitMs = std::max(0, int(std::ceil(delayMs - elapsedMs)));
        const int newBaud = handled.newBaud;
        {
            QMutexLocker lock(&mutex);
            if (fault.fault != Fault::None)
                ++injectedCounts[size_t(fault.fault)];
            if (fault.fault == Fault::Late)
                busyUntilNs[address] = std::numeric_limits<qint64>::max();  // until the reply has left
        }
        const int splitPauseMs = fault.fault == Fault::Split ? fault.splitPauseMs : -1;
        QTimer::singleShot(waitMs, Qt::PreciseTimer, &line->context, [this, reply, newBaud, address, splitPauseMs] {
            if (splitPauseMs >= 0) {
                const QByteArray rest = reply.mid(reply.size() / 2);
                deliver(reply.left(reply.size() / 2));
                QTimer::singleShot(splitPauseMs, Qt::PreciseTimer, &line->context, [this, rest] { deliver(rest); });
            } else {
                deliver(reply);
            }
            QMutexLocker lock(&mutex);
            busyUntilNs.erase(address);
            // The echo left at the old rate; from now on the device listens at the new one.
            if (DeviceState *dev = device(address); dev && newBaud)
                dev->rate = newBaud;
        });
    }

    // What the line sends the master: at once, or held as a USB adapter holds received bytes until
    // a packet is full or its latency timer runs out.
    void deliver(const QByteArray &bytes)
    {
        static constexpr int PacketBytes = 62;
        int latencyMs;
        {
            QMutexLocker lock(&mutex);
            latencyMs = batchLatencyMs;
        }
        line->held += bytes;
        if (latencyMs <= 0) {
            passHeld();
            return;
        }
        while (line->held.size() >= PacketBytes) {
            writeAll(line->held.left(PacketBytes));
            line->held.remove(0, PacketBytes);
            line->batch.stop();
        }
        if (!line->held.isEmpty() && !line->batch.isActive())
            line->batch.start(latencyMs);
    }

    void passHeld()
    {
        line->batch.stop();
        writeAll(line->held);
        line->held.clear();
    }

    void writeAll(const QByteArray &bytes)
    {
        qsizetype done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(pty.master, bytes.constData() + done, size_t(bytes.size() - done));
            if (n > 0) {
                done += n;
            } else if (n < 0 && errno == EINTR) {
                continue;
            } else {
                qWarning("sim: reply dropped after %lld of %lld bytes: %s", qlonglong(done),
                         qlonglong(bytes.size()), std::strerror(errno));
                break;
            }
        }
        if (done > 0)
            line->lastWriteNs = monotonic.nsecsElapsed();
    }
};

SimRecorder::SimRecorder(QObject *parent)
    : QObject(parent), d(std::make_unique<Impl>())
{
    d->monotonic.start();
}

SimRecorder::~SimRecorder()
{
    stop();
}

bool SimRecorder::start(QString *error)
{
    if (d->thread)
        return true;
    if (!d->pty.open(error))
        return false;
    const int flags = ::fcntl(d->pty.master, F_GETFL);
    if (flags < 0 || ::fcntl(d->pty.master, F_SETFL, flags | O_NONBLOCK) != 0) {
        if (error)
            *error = QStringLiteral("fcntl: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
        d->closeFds();
        return false;
    }
    d->thread = std::make_unique<Impl::LineThread>(d.get());
    d->thread->setObjectName(QStringLiteral("sim line"));
    d->thread->start();
    return true;
}

void SimRecorder::stop()
{
    if (!d->thread)
        return;
    d->thread->quit();
    d->thread->wait();
    d->thread.reset();
    d->closeFds();
    QMutexLocker lock(&d->mutex);
    d->busyUntilNs.clear();  // replies that were pending never go out
}

QString SimRecorder::portPath() const
{
    return d->pty.path;
}

void SimRecorder::addDevice(uint8_t address)
{
    if (address == 0)
        return;
    QMutexLocker lock(&d->mutex);
    if (d->devices.count(address))
        return;
    DeviceState dev;
    dev.address = address;
    dev.rate = d->defaultBaud;
    d->devices.emplace(address, dev);
}

void SimRecorder::removeDevice(uint8_t address)
{
    QMutexLocker lock(&d->mutex);
    d->devices.erase(address);
}

QList<uint8_t> SimRecorder::addresses() const
{
    QMutexLocker lock(&d->mutex);
    QList<uint8_t> out;
    for (const auto &entry : d->devices)
        out.append(entry.first);
    return out;
}

void SimRecorder::setLineBaud(int baud)
{
    QMutexLocker lock(&d->mutex);
    if (baud <= 0)
        return;
    d->defaultBaud = baud;
    for (auto &entry : d->devices)
        entry.second.rate = baud;
}

int SimRecorder::lineBaud() const
{
    QMutexLocker lock(&d->mutex);
    return d->defaultBaud;
}

void SimRecorder::setDeviceBaud(uint8_t address, int baud)
{
    QMutexLocker lock(&d->mutex);
    if (DeviceState *dev = d->device(address); dev && baud > 0)
        dev->rate = baud;
}

int SimRecorder::deviceBaud(uint8_t address) const
{
    QMutexLocker lock(&d->mutex);
    const DeviceState *dev = d->device(address);
    return dev ? dev->rate : 0;
}

namespace {
template <typename T>
void setLocked(QMutex &mutex, T &field, T value)
{
    QMutexLocker lock(&mutex);
    field = value;
}
} // namespace

void SimRecorder::setTurnaroundMs(double ms) { setLocked(d->mutex, d->turnaroundMs, std::max(0.0, ms)); }
void SimRecorder::setWireTiming(bool on) { setLocked(d->mutex, d->wireTiming, on); }
void SimRecorder::setEcho(bool on) { setLocked(d->mutex, d->echo, on); }
void SimRecorder::setBatchLatencyMs(int ms) { setLocked(d->mutex, d->batchLatencyMs, std::max(0, ms)); }
void SimRecorder::setFrameEndBySilence(bool on) { setLocked(d->mutex, d->frameEndBySilence, on); }

void SimRecorder::injectFault(const FaultSpec &fault, int count)
{
    QMutexLocker lock(&d->mutex);
    d->rule = nullptr;
    for (int i = 0; i < count; ++i)
        d->faultQueue.append(fault);
}

void SimRecorder::setFaultRule(FaultRule rule)
{
    QMutexLocker lock(&d->mutex);
    d->faultQueue.clear();
    d->rule = std::move(rule);
    d->ruleSerial = 0;
}

int SimRecorder::injected(Fault fault) const
{
    QMutexLocker lock(&d->mutex);
    return d->injectedCounts[size_t(fault)];
}

int SimRecorder::ignoredWhileBusy() const
{
    QMutexLocker lock(&d->mutex);
    return d->busyIgnored;
}

void SimRecorder::clearFaults()
{
    QMutexLocker lock(&d->mutex);
    d->faultQueue.clear();
    d->rule = nullptr;
    d->ruleSerial = 0;
}

uint16_t SimRecorder::holding(uint16_t reg, uint8_t address) const
{
    QMutexLocker lock(&d->mutex);
    const DeviceState *dev = d->device(address);
    return dev ? dev->holdingAt(reg, Impl::hostMs()) : 0;
}

void SimRecorder::setHolding(uint16_t r, uint16_t value, uint8_t address)
{
    QMutexLocker lock(&d->mutex);
    DeviceState *dev = d->device(address);
    if (!dev || r >= reg::HoldingCount || (r >= reg::Clock && r < reg::Clock + 4))
        return;
    dev->holding[r] = value;
    if (r < reg::LiveCount)
        dev->pinned.set(r);
}

void SimRecorder::setRefusedRegister(uint16_t reg, bool refused, uint8_t address)
{
    QMutexLocker lock(&d->mutex);
    if (DeviceState *dev = d->device(address)) {
        if (refused)
            dev->refused.insert(reg);
        else
            dev->refused.erase(reg);
    }
}

uint16_t SimRecorder::input(uint16_t reg, uint8_t address) const
{
    QMutexLocker lock(&d->mutex);
    const DeviceState *dev = d->device(address);
    return dev ? dev->inputAt(reg) : 0xFFFF;
}

int SimRecorder::coilOnCount(uint16_t coil, uint8_t address) const
{
    QMutexLocker lock(&d->mutex);
    const DeviceState *dev = d->device(address);
    return dev && coil < reg::CoilCount ? dev->coilOn[coil] : 0;
}

void SimRecorder::setRecords(const QVector<SimRecord> &records, uint8_t address)
{
    QMutexLocker lock(&d->mutex);
    if (DeviceState *dev = d->device(address))
        dev->setRecords(records);
}

QVector<SimRecord> SimRecorder::records(uint8_t address) const
{
    QMutexLocker lock(&d->mutex);
    const DeviceState *dev = d->device(address);
    return dev ? dev->records : QVector<SimRecord>{};
}

QDateTime SimRecorder::clock(uint8_t address) const
{
    QMutexLocker lock(&d->mutex);
    const DeviceState *dev = d->device(address);
    return dev ? dev->clockAt(Impl::hostMs()) : QDateTime{};
}

void SimRecorder::setClock(const QDateTime &time, uint8_t address)
{
    QMutexLocker lock(&d->mutex);
    if (DeviceState *dev = d->device(address))
        dev->setClockAt(time, Impl::hostMs());
}

QVector<QByteArray> SimRecorder::requests() const
{
    QMutexLocker lock(&d->mutex);
    return d->log;
}

void SimRecorder::clearRequests()
{
    QMutexLocker lock(&d->mutex);
    d->log.clear();
}

bool SimRecorder::waitForRequests(int count, int timeoutMs) const
{
    QDeadlineTimer deadline(timeoutMs, Qt::PreciseTimer);
    QMutexLocker lock(&d->mutex);
    while (d->log.size() < count) {
        if (!d->arrived.wait(&d->mutex, deadline))
            return d->log.size() >= count;
    }
    return true;
}

} // namespace sim
