#include "sim/simrecorder.h"
#include "sim/simline.h"

#include <QDeadlineTimer>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>

namespace sim {


SimRecorder::SimRecorder(QObject *parent)
    : QObject(parent), d(std::make_unique<Impl>())
{
    d->monotonic.start();
}

SimRecorder::~SimRecorder()
{
    stop();
}

bool SimRecorder::start(QString *error, Transport transport)
{
    if (d->thread) {
        if (transport == d->transport)
            return true;
        if (error)
            *error = QStringLiteral("the simulator already serves another kind of line");
        return false;
    }
    d->transport = transport;
    if (transport != Transport::Pty) {
        if (!d->listen(error))
            return false;
    } else if (!d->pty.open(error)) {
        return false;
    } else if (const int flags = ::fcntl(d->pty.master, F_GETFL);
               flags < 0 || ::fcntl(d->pty.master, F_SETFL, flags | O_NONBLOCK) != 0) {
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
    d->owed = 0;  // what was under way dies with the line
    QMutexLocker lock(&d->mutex);
    d->busyUntilNs.clear();  // replies that were pending never go out
}

SimRecorder::Transport SimRecorder::transport() const
{
    return d->transport;
}

QString SimRecorder::portPath() const
{
    if (d->transport == Transport::Pty || d->port == 0)
        return d->pty.path;
    return QStringLiteral("%1://127.0.0.1:%2")
        .arg(QLatin1String(d->transport == Transport::RtuOverTcp ? "rtu-over-tcp" : "tcp"))
        .arg(d->port);
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

void SimRecorder::dropConnection()
{
    // On the line's own thread, where the connection lives.
    if (d->line)
        QMetaObject::invokeMethod(&d->line->context, [this] { d->dropClient(); }, Qt::QueuedConnection);
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

void SimRecorder::setBlockRefusal(BlockRefusal how, uint8_t address)
{
    QMutexLocker lock(&d->mutex);
    if (DeviceState *dev = d->device(address))
        dev->blockRefusal = how;
}

void SimRecorder::addRelay(uint8_t address)
{
    addDevice(address);
    QMutexLocker lock(&d->mutex);
    if (DeviceState *dev = d->device(address))
        dev->relay = true;
}

bool SimRecorder::relayOn(uint8_t address, uint16_t coil) const
{
    QMutexLocker lock(&d->mutex);
    const DeviceState *dev = d->device(address);
    return dev && dev->relay && coil < dev->relayCoils.size() && dev->relayCoils[coil];
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

void SimRecorder::setFrameHook(std::function<void(int)> hook)
{
    QMutexLocker lock(&d->mutex);
    d->frameHook = std::move(hook);
}

bool SimRecorder::replyPending() const
{
    if (!d->thread)
        return false;
    // The kernel's queues first: the line thread counts its work before it takes bytes off them.
    return d->clientWaiting() || d->masterBytesWaiting() || d->owed.load() > 0;
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
