#include "core/link/exchange.h"
#include "core/link/busshare.h"
#include "core/link/relayrunner.h"
#include "core/link/wirerunner.h"
#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <optional>

namespace {
// The kinds are built before any translation is loaded: they keep the Chinese, shownName() translates.
QString source(const char *text) { return QString::fromUtf8(text); }
} // namespace

namespace kinds {
using I = ExchangeKind::Id;
const ExchangeKind LiveRead{.id = I::LiveRead, .name = source(QT_TRANSLATE_NOOP("kinds", "实时读取")), .firstWaitMs = 200, .secondWaitMs = 300};
const ExchangeKind ParameterReadAll{.id = I::ParameterReadAll, .name = source(QT_TRANSLATE_NOOP("kinds", "读所有参数")),
                                    .firstWaitMs = 100, .secondWaitMs = 500};
const ExchangeKind SingleParameterRead{.id = I::SingleParameterRead, .name = source(QT_TRANSLATE_NOOP("kinds", "读参数"))};
const ExchangeKind RecordCount{.id = I::RecordCount, .name = source(QT_TRANSLATE_NOOP("kinds", "读条数")), .firstWaitMs = 300};
const ExchangeKind RecordRead{.id = I::RecordRead, .name = source(QT_TRANSLATE_NOOP("kinds", "读记录")), .firstWaitMs = 300,
                              .pumpAfterWait = true};
const ExchangeKind IntervalRead{.id = I::IntervalRead, .name = source(QT_TRANSLATE_NOOP("kinds", "读记录时间间隔"))};
const ExchangeKind SensorCountRead{.id = I::SensorCountRead, .name = source(QT_TRANSLATE_NOOP("kinds", "读传感器总数"))};
const ExchangeKind StorageState{.id = I::StorageState, .name = source(QT_TRANSLATE_NOOP("kinds", "存储状态监测"))};
const ExchangeKind ClockRead{.id = I::ClockRead, .name = source(QT_TRANSLATE_NOOP("kinds", "读时钟"))};
const ExchangeKind SetReg{.id = I::SetReg, .name = source(QT_TRANSLATE_NOOP("kinds", "写寄存器")), .firstWaitMs = 300, .pauseAfterMs = 500};
const ExchangeKind SetCoil{.id = I::SetCoil, .name = source(QT_TRANSLATE_NOOP("kinds", "写线圈"))};
const ExchangeKind setRegisters{.id = I::setRegisters, .name = source(QT_TRANSLATE_NOOP("kinds", "写多个寄存器"))};
const ExchangeKind RecordDownload{.id = I::RecordDownload, .name = source(QT_TRANSLATE_NOOP("kinds", "读记录")), .firstWaitMs = 300,
                                  .pumpAfterWait = true};
// Each probe asks another address, so a late answer names its sender: no second read is needed.
const ExchangeKind BusProbe{.id = I::BusProbe, .name = source(QT_TRANSLATE_NOOP("kinds", "总线扫描")), .confirmsAfterFault = false};
} // namespace kinds

QString ExchangeKind::shownName() const { return QCoreApplication::translate("kinds", name.toUtf8().constData()); }

Link::Link(QObject *parent) : QObject(parent) {}

void Link::setClock(LinkClock *clock)
{
    m_state.time.setClock(clock);
    m_waiter.setClock(clock);
}

Link::~Link()
{
    m_waiter.finish();
    if (m_runner)
        m_runner->disconnect(this);
}

Link::Hold::~Hold()
{
    if (m_link && m_owner) {
        m_link->m_held = false;
        m_link->m_command.reset();
        if (!std::exchange(m_link->m_heldQuietly, false))
            emit m_link->busyChanged(false);
        emit m_link->idle();
    }
}

bool Link::Hold::stopped() const
{
    const auto why = m_cancel.reason();
    return why && *why != CancelReason::PortLost;
}

std::optional<Link::Hold> Link::tryHold(Visibility visibility)
{
    if (m_held)
        return std::nullopt;
    m_held = true;
    m_heldQuietly = visibility == Visibility::Quiet;
    m_command.emplace();
    if (!m_heldQuietly)
        emit busyChanged(true);
    return Hold(this, true, *m_command);
}

void Link::cancelCommand(CancelReason why)
{
    if (m_command)
        m_command->cancel(why);
}

void Link::onLost(const QString &reason)
{
    cancelCommand(CancelReason::PortLost);
    emit portLost(reason);
}

QString Link::open(const QString &target, int baud, int com)
{
    // A connection takes a while: the bus is held meanwhile, so a command (or a second open) waits its
    // turn, and closing the window ends the wait.
    const std::optional<Hold> hold = tryHold();
    if (!hold)
        return tr("线路正忙，请稍后再打开");
    close();
    // A line a watcher owns is reached through it; a socket nobody answers any more is passed by.
    if (const QString socket = busshare::socketPath(target); QFileInfo::exists(socket)) {
        auto relay = std::make_unique<RelayRunner>(target, socket, baud, m_state);
        relay->setConnectTimeoutMs(m_connectTimeoutMs);
        if (relay->open(com, hold->cancel().token()).isEmpty())
            return adopt(std::move(relay));
    }
    QString error;
    std::unique_ptr<Line> line = line::make(target, baud, &error);
    if (!line)
        return error;
    line->setConnectTimeoutMs(m_connectTimeoutMs);
    error = line->open(com, hold->cancel().token());
    if (!error.isEmpty())
        return error;
    return attach(std::move(line), com);
}

QString Link::attach(std::unique_ptr<Line> line, int com)
{
    close();
    if (!line->isOpen())
        if (const QString error = line->open(com); !error.isEmpty())
            return error;
    return adopt(std::make_unique<WireRunner>(std::move(line), com, m_state));
}

QString Link::adopt(std::unique_ptr<ExchangeRunner> runner)
{
    connect(runner.get(), &ExchangeRunner::requestSent, this, &Link::requestSent);
    connect(runner.get(), &ExchangeRunner::secondWait, this, &Link::secondWait);
    connect(runner.get(), &ExchangeRunner::lost, this, &Link::onLost);
    connect(runner.get(), &ExchangeRunner::notice, this, &Link::notice);
    connect(runner.get(), &ExchangeRunner::connectionChanged, this, &Link::connectionChanged);
    m_runner = std::move(runner);
    // A port opened afresh was cleared both ways; a device server may still hold an old answer.
    m_state.trust.on(m_runner->reconnects() ? TrustEvent::Fault : TrustEvent::Cleared);
    return QString();
}

void Link::close()
{
    if (!m_runner)
        return;
    m_runner->disconnect(this);
    m_runner->close();
    // A close may come from inside one of the line's signals, or while the runner's transfer waits:
    // the runner goes once that is done.
    if (m_runner.get() == m_transferring)
        m_retired = std::move(m_runner);
    else
        m_runner.release()->deleteLater();
}

bool Link::setBaudRate(int baud) { return m_runner && m_runner->setBaudRate(baud); }
int Link::baudRate() const { return m_runner ? m_runner->baudRate() : 0; }
bool Link::baudRateSettable() const { return !m_runner || m_runner->baudRateSettable(); }
QString Link::portName() const { return m_runner ? m_runner->name() : QString(); }
bool Link::isOpen() const { return m_runner && (m_runner->up() || m_runner->reconnects()); }
bool Link::lineUp() const { return m_runner && m_runner->up(); }
Line *Link::line() const { return m_runner ? m_runner->line() : nullptr; }
bool Link::viaWatcher() const { return m_runner && m_runner->relayed(); }

void Link::setConnectTimeoutMs(int ms)
{
    m_connectTimeoutMs = ms;
    if (m_runner)
        m_runner->setConnectTimeoutMs(ms);
}

void Link::pause(const Hold &hold, int ms)
{
    m_waiter.wait(ms, hold.cancel().token());
}

bool Link::transfer(const Hold &hold, const ExchangeKind &kind, Exchange &ex, bool *doubtful, qint64 *writtenNs)
{
    emit lineTaken(kind);
    *doubtful = false;
    if (!m_runner)  // closed by whoever was told the line was taken
        return false;
    ExchangeRunner *runner = m_transferring = m_runner.get();
    const ExchangeRunner::Result result = runner->transfer(hold, kind, ex);
    m_transferring = nullptr;
    if (m_retired)
        m_retired.release()->deleteLater();
    *doubtful = result.doubtful;
    *writtenNs = result.writtenNs;
    return result.echoFound;
}

namespace {
constexpr uint16_t ClockFirst = 117, ClockWords = 4;  // the recorder's clock: holding 117 … 120

// The seconds of the recorder's clock in eight bytes (minute, second, day, hour, weekday, month,
// century, year, each two BCD digits); nothing for bytes that are no time.
std::optional<qint64> clockSeconds(const char *bytes)
{
    int v[8];
    for (int i = 0; i < 8; ++i) {
        const uint8_t b = uint8_t(bytes[i]);
        if ((b >> 4) > 9 || (b & 15) > 9)
            return std::nullopt;
        v[i] = (b >> 4) * 10 + (b & 15);
    }
    const QDate date(v[6] * 100 + v[7], v[5], v[2]);
    const QTime time(v[3], v[0], v[1]);
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    return QDateTime(date, time, Qt::UTC).toSecsSinceEpoch();
}
} // namespace

bool Link::agrees(const QByteArray &request, const QByteArray &earlier, const QByteArray &later, qint64 elapsedNs)
{
    if (earlier == later)
        return true;
    // A holding read that covers the recorder's clock: the clock moves between two reads. The later
    // answer may be ahead by the time that passed from the first request to the second answer (rounded
    // up, and one second more for the truncation of each), never behind; every other byte the same.
    // An answer to an earlier request is behind by at least the silence kept between.
    if (request.size() < 6 || uint8_t(request[1]) != modbus::ReadHoldingRegisters || earlier.size() != later.size())
        return false;
    const int start = uint8_t(request[2]) << 8 | uint8_t(request[3]);
    const int count = uint8_t(request[4]) << 8 | uint8_t(request[5]);
    const qsizetype at = 3 + 2 * qsizetype(ClockFirst - start);
    if (start > ClockFirst || start + count < ClockFirst + ClockWords || later.size() < at + 2 * ClockWords + 2)
        return false;
    // Every byte but the clock's and the CRC's (which follows the clock) the same.
    const QByteArray noClock(2 * ClockWords, '\0');
    if (earlier.chopped(2).replace(at, noClock.size(), noClock) != later.chopped(2).replace(at, noClock.size(), noClock))
        return false;
    const std::optional<qint64> a = clockSeconds(earlier.constData() + at), b = clockSeconds(later.constData() + at);
    return a && b && *b >= *a && *b - *a <= (elapsedNs + 999'999'999) / 1'000'000'000 + 1;
}

bool Link::confirmRead(const Hold &hold, const ExchangeKind &kind, Exchange &ex, qint64 sentNs)
{
    // The read that went out doubtful may have taken a late answer to an earlier request of the same
    // shape for its own, which no content check can tell; and its own answer may then still be on its
    // way. It is asked again once the line has been silent for the guard, and taken when the answer
    // agrees: an answer to this same request carries the right content, so only a stray one can
    // disagree. Should they not agree, the second read is the one in doubt, and asked once more.
    bool echoFound = false;
    QByteArray before = ex.reply;
    qint64 beforeSentNs = sentNs;
    m_state.trust.on(TrustEvent::ReadAnswered);
    for (int round = 0; round < 2; ++round) {
        Exchange again;
        again.request = ex.request;
        bool doubtful = false;
        qint64 againSentNs = 0;
        echoFound = transfer(hold, kind, again, &doubtful, &againSentNs) || echoFound;
        if (!again.sent || again.aborted || !again.info.exact()) {
            ex = again;
            ex.sent = true;  // the first read went out
            return echoFound;
        }
        const bool agreed = agrees(ex.request, before, again.reply, m_state.time.nowNs() - beforeSentNs);
        ex = again;
        if (agreed) {
            m_state.trust.on(TrustEvent::OwnAnswer);  // in step unless a stray came meanwhile
            return echoFound;
        }
        before = again.reply;
        beforeSentNs = againSentNs;
        m_state.trust.on(TrustEvent::ReadAnswered);
    }
    ex.info.cls = modbus::ReplyClass::Unconfirmed;
    m_state.trust.on(TrustEvent::Fault);  // which answer was whose cannot be told: wait it all out
    return echoFound;
}

Exchange Link::exchange(const Hold &hold, const ExchangeKind &kind, const QByteArray &request,
                        const std::function<void(const Exchange &)> &decode)
{
    Exchange ex;
    ex.request = request;
    emit exchangeStarted(kind);
    if (hold.stopped()) {
        ex.aborted = true;
        emit exchangeFinished(kind, ex);
        return ex;
    }
    if (!isOpen()) {
        ex.closed = true;
        emit exchangeFinished(kind, ex);
        return ex;
    }

    bool doubtful = false;
    qint64 sentNs = 0;
    ex.echoLearned = transfer(hold, kind, ex, &doubtful, &sentNs);
    // Through a watcher, its link confirms on the wire it owns (its runner says no doubt here).
    if (doubtful && kind.confirmsAfterFault && !ex.aborted)
        ex.echoLearned = confirmRead(hold, kind, ex, sentNs) || ex.echoLearned;
    // Replies that never agreed are shown, but nothing is taken from them.
    if (ex.sent && decode && ex.info.cls != modbus::ReplyClass::Unconfirmed)
        decode(ex);
    emit exchangeFinished(kind, ex);
    if (ex.sent && kind.pauseAfterMs > 0)
        m_waiter.wait(kind.pauseAfterMs, hold.cancel().token());
    return ex;
}

Exchange Link::exchanges(const Hold &hold, const ExchangeKind &kind, const QByteArray &request, int attempts,
                         const std::function<bool(const Exchange &)> &taken)
{
    Exchange ex;
    for (int i = 0; i < std::max(attempts, 1); ++i) {
        bool done = false;
        ex = exchange(hold, kind, request, [&](const Exchange &e) { done = taken(e); });
        // An exception is the device's answer: asking again brings the same.
        if (done || !ex.sent || ex.aborted || ex.info.cls == modbus::ReplyClass::Exception)
            break;
    }
    return ex;
}
