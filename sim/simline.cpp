#include "sim/simline.h"

#include "core/link/crc16.h"

#include <QScopeGuard>

#include <utility>

#include <cerrno>
#include <cmath>
#include <cstring>

#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace sim {

void SimRecorder::Impl::onReadable()
{
    ++owed;  // before the read: bytes leave the kernel's queue only while this counts
    const auto done = qScopeGuard([this] { --owed; });
    const auto hangUp = qScopeGuard([this] {  // once what came before the close is handled
        if (line->hungUp)
            dropClient();
    });
    bool fresh = line->buffer.isEmpty();
    const qint64 heldSinceNs = line->lastByteNs;
    const qsizetype held = line->buffer.size();
    if (!readLine())
        return;
    line->lastByteNs = monotonic.nsecsElapsed();
    // A whole request that had waited longer than the gap when more bytes came was ended by the
    // silence, however late this thread looks: the silence timer just had not run yet. It is
    // handled as the frame it was, and the new bytes begin the next one (a late look never joins
    // two frames).
    if (!fresh && bySilence() && transport != Transport::ModbusTcp
        && double(line->lastByteNs - heldSinceNs) >= gapMs() * 1e6) {
        const QByteArray before = line->buffer.left(held);
        if (expectedRequestLength(before) == held && crcMatches(before)) {
            line->buffer.remove(0, held);
            const qint64 arrivedNs = std::exchange(line->lastByteNs, heldSinceNs);
            handleFrame(before, std::exchange(line->runOn, false));
            line->lastByteNs = arrivedNs;
            fresh = true;
        }
    }
    if (transport == Transport::ModbusTcp) {
        frameMbap();
        return;
    }
    if (!bySilence()) {
        frameBuffer();
        return;
    }
    mark(line->framing, true);
    // A master that did not keep the gap after the reply it got garbles the frame it starts, and so
    // does one that starts while a reply is still to come. Both are judged so that a late look by
    // this thread only ever forgives: the time of a write is taken before the write, and bytes
    // already waiting when a reply left began before it.
    if (fresh
        && (std::exchange(line->sentDuring, false) || line->repliesDue > 0
            || double(line->lastByteNs - line->lastWriteNs) < gapMs() * 1e6 / 2))
        line->runOn = true;
    line->silence.start(int(std::ceil(gapMs())));
}

void SimRecorder::Impl::mark(bool &state, bool on)
{
    if (on != state)
        owed += on ? 1 : -1;
    state = on;
}

bool SimRecorder::Impl::masterBytesWaiting() const
{
    QMutexLocker lock(&fdMutex);
    int queued = 0;
    return wireFd >= 0 && ::ioctl(wireFd, FIONREAD, &queued) == 0 && queued > 0;
}

void SimRecorder::Impl::watch(int fd)
{
    line->fd = fd;
    {
        QMutexLocker lock(&fdMutex);
        wireFd = fd;
    }
    line->notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    QObject::connect(line->notifier.get(), &QSocketNotifier::activated, &line->context, [this] { onReadable(); });
}

void SimRecorder::Impl::closeFds()
{
    pty.close();
    if (listenFd >= 0)
        ::close(listenFd);
    listenFd = -1;
    port = 0;
    QMutexLocker lock(&fdMutex);
    wireFd = -1;
}

// Appends what the line holds to the buffer; false when nothing came.
bool SimRecorder::Impl::readLine()
{
    char chunk[512];
    bool got = false;
    for (;;) {
        const ssize_t n = ::read(line->fd, chunk, sizeof chunk);
        if (n > 0) {
            line->buffer.append(chunk, int(n));
            got = true;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) {
            line->notifier->setEnabled(false);  // the line is gone; never spin on it
            line->hungUp = transport != Transport::Pty;
        }
        break;
    }
    return got;
}

// Takes every complete frame off the buffer; what is left waits for more bytes or a silence.
void SimRecorder::Impl::frameBuffer()
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
    mark(line->framing, !buf.isEmpty());
    if (buf.isEmpty()) {
        line->silence.stop();
        return;
    }
    line->silence.start(int(std::ceil(gapMs())));
}

void SimRecorder::Impl::onSilence()
{
    ++owed;
    const auto done = qScopeGuard([this] { --owed; });
    mark(line->framing, false);
    if (line->buffer.isEmpty())
        return;
    // The silence was kept: bytes found waiting now, however they came while this thread was not
    // given the processor, begin the next frame (a late look never joins two frames).
    const QByteArray frame = line->buffer;
    line->buffer.clear();
    handleFrame(frame, std::exchange(line->runOn, false));
    if (bySilence())
        onReadable();
}

namespace {

// A device at another rate hears only noise.
bool hears(int programBaud, const DeviceState &dev)
{
    return programBaud == 0 || programBaud == dev.rate;
}

// The reply as the fault spoils it; the faults of timing and of the line are applied later.
QByteArray spoiledReply(QByteArray reply, const FaultSpec &fault, uint8_t address, uint8_t function)
{
    switch (fault.fault) {
    case Fault::None:
    case Fault::Late:
    case Fault::Split:
    case Fault::EchoCut:
    case Fault::EchoSpoiled:
    case Fault::EchoSplit:
    case Fault::Trailing:
    case Fault::Doubled:
    case Fault::Disconnect:
    case Fault::OtherTransaction:
    case Fault::OtherProtocol:
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
        reply = exceptionReply(address, function, fault.exceptionCode);
        break;
    }
    return reply;
}

void spoilEcho(QByteArray &echoed, const FaultSpec &fault)
{
    if (fault.fault == Fault::EchoCut)
        echoed.chop(std::clamp(fault.truncateBy, 0, int(echoed.size())));
    else if (fault.fault == Fault::EchoSpoiled && !echoed.isEmpty())
        echoed[echoed.size() / 2] = char(echoed[echoed.size() / 2] ^ 0x10);
}

} // namespace

void SimRecorder::Impl::handleFrame(const QByteArray &frame, bool garbled, uint16_t transaction)
{
    const qint64 arrivalNs = line->lastByteNs;
    const int programBaud = this->programBaud();
    const uint8_t address = frame.isEmpty() ? 0 : uint8_t(frame[0]);
    FaultRule ruleCopy;
    int serial = 0;
    // The adapter's echo goes back whatever becomes of the frame, and before any reply.
    QByteArray echoed;
    const auto sendEcho = qScopeGuard([&] { deliver(echoed); });
    noteFrame(frame, echoed);
    {
        QMutexLocker lock(&mutex);
        if (garbled)
            return;
        if (frame.size() < 4 || !crcMatches(frame))
            return;
        if (address == 0)
            return handleBroadcast(frame, programBaud);
        if (!device(address) || !hears(programBaud, *device(address)))
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
        if (!dev || !hears(programBaud, *dev))
            return;
        if (!ruleCopy && !faultQueue.isEmpty())
            fault = faultQueue.takeFirst();
        baud = programBaud ? programBaud : dev->rate;
        turnaround = turnaroundMs;
        wire = wireTiming;
        // The request takes effect whatever becomes of the reply.
        handled = handleRequest(*dev, frame, hostMs());
    }
    spoilEcho(echoed, fault);
    const QByteArray heldEcho = fault.fault == Fault::EchoSplit ? echoed.right(1) : QByteArray();
    echoed.chop(heldEcho.size());
    if (handled.reply.isEmpty())
        return;

    const QByteArray reply = spoiledReply(handled.reply, fault, address, uint8_t(frame[1]));
    // The reply as the line carries it, and what becomes of it there.
    QByteArray out = heldEcho + framed(reply, uint16_t(transaction + (fault.fault == Fault::OtherTransaction)),
                                       fault.fault == Fault::OtherProtocol ? 1 : 0);
    if (fault.fault == Fault::Trailing)
        out += fault.trailing;
    else if (fault.fault == Fault::Doubled)
        out += out;

    double delayMs = turnaround;
    if (fault.fault == Fault::Late)
        delayMs = fault.lateMs;
    else if (wire)
        delayMs += (frame.size() + handled.reply.size()) * 10.0 * 1000.0 / std::max(baud, 1);
    const double elapsedMs = (monotonic.nsecsElapsed() - arrivalNs) / 1e6;
    sendReply(out, std::max(0, int(std::ceil(delayMs - elapsedMs))), fault, address, handled.newBaud);
}

void SimRecorder::Impl::noteFrame(const QByteArray &frame, QByteArray &echoed)
{
    std::function<void(int)> hook;
    int index = 0;
    {
        QMutexLocker lock(&mutex);
        if (echo && transport == Transport::Pty)
            echoed = frame;
        log.append(frame);
        index = int(log.size()) - 1;
        hook = frameHook;
        arrived.wakeAll();
    }
    // The caller's code, without the lock: it may call back in, and the line waits while it runs.
    if (hook)
        hook(index);
}

void SimRecorder::Impl::handleBroadcast(const QByteArray &frame, int programBaud)
{
    const qint64 now = hostMs();
    for (auto &[a, dev] : devices) {
        if (!hears(programBaud, dev))
            continue;
        if (const int newBaud = handleRequest(dev, frame, now).newBaud)
            dev.rate = newBaud;
    }
}

void SimRecorder::Impl::sendReply(const QByteArray &out, int waitMs, const FaultSpec &fault, uint8_t address, int newBaud)
{
    {
        QMutexLocker lock(&mutex);
        if (fault.fault != Fault::None)
            ++injectedCounts[size_t(fault.fault)];
        if (fault.fault == Fault::Late)
            busyUntilNs[address] = std::numeric_limits<qint64>::max();  // until the reply has left
    }
    const int splitPauseMs = fault.fault == Fault::Split ? fault.splitPauseMs : -1;
    const bool due = fault.fault != Fault::Late;  // a late reply is late on purpose
    if (due) {
        ++line->repliesDue;
        ++owed;
    }
    const bool splitLate = fault.splitLate, cut = fault.fault == Fault::Disconnect;
    const int asker = line->connection;  // the reply goes back on the connection that asked, or nowhere
    QTimer::singleShot(waitMs, Qt::PreciseTimer, &line->context, [this, out, newBaud, address, splitPauseMs, due, splitLate, cut, asker] {
        const auto done = qScopeGuard([this, due] {
            if (due) {
                --line->repliesDue;
                --owed;
            }
        });
        if (line->connection != asker) {
            // the connection that asked is gone, and the reply with it
        } else if (cut) {
            deliver(out.left(out.size() / 2));
            dropClient();
        } else if (splitPauseMs >= 0) {
            const QByteArray rest = out.mid(out.size() / 2);
            deliver(out.left(out.size() / 2));
            const bool restDue = due && !splitLate;
            if (restDue) {
                ++line->repliesDue;
                ++owed;
            }
            QTimer::singleShot(splitPauseMs, Qt::PreciseTimer, &line->context, [this, rest, restDue, asker] {
                if (line->connection == asker)
                    deliver(rest);
                if (restDue) {
                    --line->repliesDue;
                    --owed;
                }
            });
        } else {
            deliver(out);
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
void SimRecorder::Impl::deliver(const QByteArray &bytes)
{
    static constexpr int PacketBytes = 62;
    int latencyMs;
    {
        QMutexLocker lock(&mutex);
        latencyMs = transport == Transport::Pty ? batchLatencyMs : 0;
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
    mark(line->holding, !line->held.isEmpty());
}

void SimRecorder::Impl::passHeld()
{
    line->batch.stop();
    writeAll(line->held);
    line->held.clear();
    mark(line->holding, false);
}

void SimRecorder::Impl::writeAll(const QByteArray &bytes)
{
    if (bytes.isEmpty() || line->fd < 0)
        return;
    // Taken before the write: the master cannot have the bytes before this time.
    const qint64 before = monotonic.nsecsElapsed();
    if (masterBytesWaiting())
        line->sentDuring = true;
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = transport == Transport::Pty
                              ? ::write(line->fd, bytes.constData() + done, size_t(bytes.size() - done))
                              : ::send(line->fd, bytes.constData() + done, size_t(bytes.size() - done), MSG_NOSIGNAL);
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
        line->lastWriteNs = before;
}

} // namespace sim
