#include "core/link/exchange.h"
#include "core/link/busshare.h"
#include "core/link/crc16.h"
#include "core/link/watcherline.h"
#include "core/link/hex.h"
#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QThread>
#include <cmath>
#include <limits>
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

Link::Link(QObject *parent) : QObject(parent)
{
    m_monotonic.start();
    m_lastActivityNs = nowNs();
}

void Link::setClock(LinkClock *clock)
{
    m_clock = clock;
    m_waiter.setClock(clock);
    m_lastActivityNs = nowNs();
}

Link::Trust Link::nextTrust(Trust now, TrustEvent event)
{
    switch (event) {
    case TrustEvent::Fault:
        return Trust::Unsettled;
    case TrustEvent::GuardKept:
        // Silence for the guard ends what can be waited out; an answer later still cannot be told
        // from one in time but by asking again.
        return now == Trust::Unsettled ? Trust::Doubtful : now;
    case TrustEvent::OwnAnswer:
        // A read another read agreed with, that one sent after a silence.
        return now == Trust::Doubtful ? Trust::InStep : now;
    case TrustEvent::ReadAnswered:
        // The answer taken may have been a late one, and then this read's own is still on its way:
        // the read that confirms it waits for a silence first.
        return now == Trust::InStep ? now : Trust::Unsettled;
    }
    return Trust::Unsettled;
}

Link::~Link()
{
    m_waiter.finish();
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

void Link::onReadyRead()
{
    const QByteArray bytes = m_line->readAll();
    if (!m_collecting) {
        // Nobody asked: a late answer, or noise. Dropped, and the line is not to be trusted until it
        // has been silent for the guard time.
        logNow(FrameKind::Dropped, bytes);
        m_lastActivityNs = nowNs();
        if (!bytes.isEmpty())
            trustEvent(TrustEvent::Fault);
        return;
    }
    takeReply(bytes);
    if (replyIn() && tooEarly()) {
        dropStray();
        return;
    }
    if (replyIn() || (m_line->relayed() && !m_line->answerPending()))
        m_waiter.finish();
}

bool Link::tooEarly() const
{
    // A device answers once the request has reached it and its answer takes its own time on the wire;
    // an adapter may hand bytes on late, never early. A frame complete sooner is an answer to an
    // earlier request that was still on its way. Lines of packets keep no wire time (wireUs 0).
    const qsizetype frame = m_reply.size() - echoLength(m_reply);
    const qint64 wireNs = 1000LL * (m_line->wireUs(m_request.size()) + m_line->wireUs(frame));
    return nowNs() - m_writtenNs < wireNs;
}

void Link::dropStray()
{
    const qsizetype echo = echoLength(m_reply);
    logNow(FrameKind::Dropped, m_reply.mid(echo));
    m_reply.truncate(echo);
    while (!m_replyChunks.isEmpty() && m_replyChunks.back().offset >= echo)
        m_replyChunks.removeLast();
    m_strayDropped = true;
    trustEvent(TrustEvent::Fault);
}

bool Link::echoExpected() const
{
    return m_echoMode == EchoMode::On
        || (m_echoMode == EchoMode::Auto && m_echoingPorts.contains(m_line->name()));
}

qsizetype Link::echoLength(const QByteArray &received) const
{
    // Only the whole request counts as its echo: an echo cut short or spoiled stays in what came,
    // and the reply fails as any garbled reply does. Where the echo is not known yet, only a read
    // can show it, as a read's reply never equals its request (a write's normal reply does).
    if (m_echoMode == EchoMode::Off || !received.startsWith(m_request))
        return 0;
    return modbus::isRead(m_request) || echoExpected() ? m_request.size() : 0;
}

bool Link::replyIn() const
{
    // The start of an echo is no reply, even should it pass for one.
    if (m_echoMode != EchoMode::Off && m_reply.size() < m_request.size() && m_request.startsWith(m_reply))
        return false;
    return modbus::replyComplete(m_request, m_reply.mid(echoLength(m_reply)));
}

qint32 Link::silenceUs() const
{
    return qint32(std::min<qint64>((nowNs() - m_lastActivityNs) / 1000, std::numeric_limits<qint32>::max()));
}

void Link::logNow(FrameKind kind, const QByteArray &bytes)
{
    if (m_log && (!bytes.isEmpty() || kind == FrameKind::NoReply))
        m_log->append(kind, QDateTime::currentMSecsSinceEpoch(), silenceUs(), bytes);
}

void Link::takeReply(const QByteArray &bytes)
{
    if (m_log && !bytes.isEmpty()) {
        // The request's own bytes were still on the wire after the write returned: the silence
        // before the first answer starts when they end.
        const qint32 gap = m_reply.isEmpty() ? std::max<qint32>(0, silenceUs() - m_requestWireUs) : silenceUs();
        m_replyChunks.append({m_reply.size(), QDateTime::currentMSecsSinceEpoch(), gap});
    }
    m_reply += bytes;
    m_lastActivityNs = nowNs();
}

void Link::logReply(qsizetype echo, qsizetype settleStart)
{
    if (!m_log)
        return;
    if (m_reply.isEmpty()) {
        logNow(FrameKind::NoReply, {});
        return;
    }
    if (m_replyChunks.isEmpty())  // the log came while the reply was under way
        return;
    // A frame cut from the middle of a piece followed its bytes before without a gap.
    const auto cut = [&](FrameKind kind, qsizetype from, qsizetype to) {
        if (from >= to)
            return;
        const Chunk *c = &m_replyChunks.front();
        for (const Chunk &k : m_replyChunks)
            if (k.offset <= from)
                c = &k;
        m_log->append(kind, c->timeMs, c->offset == from ? c->gapUs : 0, m_reply.mid(from, to - from));
    };
    const qsizetype replyEnd = std::max(echo, settleStart);
    cut(FrameKind::Echo, 0, echo);
    if (replyEnd > echo)
        cut(FrameKind::Received, echo, replyEnd);
    else
        logNow(FrameKind::NoReply, {});  // the echo alone
    for (qsizetype i = 0; i < m_replyChunks.size(); ++i) {
        const qsizetype from = std::max(m_replyChunks[i].offset, replyEnd);
        const qsizetype to = i + 1 < m_replyChunks.size() ? m_replyChunks[i + 1].offset : m_reply.size();
        cut(FrameKind::Trailing, from, to);
    }
}

void Link::onLost(const QString &reason)
{
    m_waiter.finish();
    if (m_line->reconnects()) {
        // Whatever was under way is cut; the line is connected again before the next request, and
        // what it brings first is not trusted before the guard. A connection the server closed while
        // nothing was asked (an idle time-out) costs nothing worth saying.
        trustEvent(TrustEvent::Fault);
        if (m_collecting)
            emit notice(tr("%1 的连接中断（%2），下一次请求前重新连接").arg(m_line->name(), reason));
        emit connectionChanged(false);
        return;
    }
    cancelCommand(CancelReason::PortLost);
    emit portLost(reason);
}

void Link::onDropped(const QByteArray &bytes)
{
    // An answer to an earlier request: never taken, and a sign that the line is not in step.
    logNow(FrameKind::Dropped, bytes);
    trustEvent(TrustEvent::Fault);
}

bool Link::reconnect(const Hold &hold)
{
    if (m_line->isOpen())
        return true;
    const QString why = m_line->open(m_com, hold.cancel().token());
    if (why.isEmpty()) {
        // A device server connected again may still hold an answer to a request of the old connection.
        m_lastActivityNs = nowNs();
        trustEvent(TrustEvent::Fault);
        emit connectionChanged(true);
        return true;
    }
    if (!hold.cancel().cancelled())
        emit notice(why);
    return false;
}

void Link::keepInterFrameGap(const std::stop_token &stop)
{
    // Modbus wants 3.5 characters of silence between frames; a line of packets keeps none.
    const qint64 left = m_line->gapNs() - (nowNs() - m_lastActivityNs);
    if (left <= 0 || stop.stop_requested())
        return;
    // A gap of a few milliseconds is slept exactly (a timer would round it up to whole
    // milliseconds, which a download pays on every record); a longer one keeps the window live.
    if (left >= 5'000'000)
        m_waiter.wait(int(std::ceil(double(left) / 1e6)), stop);
    else if (m_clock)
        m_clock->sleepNs(left);
    else
        QThread::usleep(quint64((left + 999) / 1000));
}

bool Link::waitForReply(const Hold &hold, int ms)
{
    if (ms <= 0 || replyIn() || !lineUp())
        return false;
    return m_waiter.wait(ms, hold.cancel().token());
}

QString Link::open(const QString &target, int baud, int com)
{
    // A connection takes a while: the bus is held meanwhile, so a command (or a second open) waits its
    // turn, and closing the window ends the wait.
    const std::optional<Hold> hold = tryHold();
    if (!hold)
        return tr("线路正忙，请稍后再打开");
    close();
    QString error;
    std::unique_ptr<Line> line;
    // A line a watcher owns is reached through it; a socket nobody answers any more is passed by.
    if (const QString socket = busshare::socketPath(target); QFileInfo::exists(socket)) {
        line = std::make_unique<WatcherLine>(target, socket, baud);
        line->setConnectTimeoutMs(m_connectTimeoutMs);
        if (!line->open(com, hold->cancel().token()).isEmpty())
            line.reset();
    }
    if (!line) {
        line = line::make(target, baud, &error);
        if (!line)
            return error;
        line->setConnectTimeoutMs(m_connectTimeoutMs);
        error = line->open(com, hold->cancel().token());
        if (!error.isEmpty())
            return error;
    }
    return attach(std::move(line), com);
}

QString Link::attach(std::unique_ptr<Line> line, int com)
{
    close();
    if (!line->isOpen())
        if (const QString error = line->open(com); !error.isEmpty())
            return error;
    connect(line.get(), &Line::relayStarted, this, [this] { m_waiter.finish(); });
    connect(line.get(), &Line::readyRead, this, &Link::onReadyRead);
    connect(line.get(), &Line::lost, this, &Link::onLost);
    connect(line.get(), &Line::dropped, this, &Link::onDropped);
    m_line = std::move(line);
    m_com = com;
    m_lastActivityNs = nowNs();
    // A port opened afresh was cleared both ways; a device server may still hold an old answer.
    m_trust = m_line->reconnects() ? Trust::Unsettled : Trust::InStep;
    return QString();
}

void Link::close()
{
    if (!m_line)
        return;
    m_line->disconnect(this);
    m_line->close();
    // Deleted once the events under way are done: a close may come from inside one of its signals.
    m_line.release()->deleteLater();
}

void Link::setConnectTimeoutMs(int ms)
{
    m_connectTimeoutMs = ms;
    if (m_line)
        m_line->setConnectTimeoutMs(ms);
}

void Link::waitForPeer(const Hold &hold)
{
    if (!m_peerPending)
        return;
    // Bounded all the same: a peer that never finishes costs a minute, not the program.
    const qint64 since = nowNs();
    while (lineUp() && !replyIn() && !hold.cancel().cancelled() && nowNs() - since < 60'000'000'000LL && m_peerPending())
        m_waiter.wait(1, hold.cancel().token());
}

void Link::waitForRelay(const Hold &hold)
{
    // The watcher runs the exchange when its bus is free (after a poll, another program's exchange):
    // the wait for the turn is as long as the bus is busy; the exchange itself has its own windows and
    // silences at the watcher, which bound it. A watcher that never answers costs a minute from then.
    constexpr qint64 RunningMs = 60'000;
    while (lineUp() && m_line->answerPending() && !hold.cancel().cancelled()) {
        const qint64 ran = m_line->relayRunningMs();
        if (ran >= RunningMs)
            return;
        m_waiter.wait(int(ran < 0 ? RunningMs : RunningMs - ran), hold.cancel().token());
    }
}

void Link::pause(const Hold &hold, int ms)
{
    m_waiter.wait(ms, hold.cancel().token());
}

void Link::takeWaiting()
{
    // Bytes that reached the port while no event loop ran (a nested step, a busy PC) are taken now:
    // as part of the reply while one is collected, as dropped otherwise.
    if (lineUp() && m_line->poll())
        onReadyRead();
}

void Link::quietLine(const Hold &hold, int ms)
{
    const qint64 since = nowNs();
    // A line that never falls silent is given up after ten times ms.
    while (!hold.cancel().cancelled() && lineUp() && nowNs() - since < 10'000'000LL * ms) {
        takeWaiting();
        const qint64 leftNs = qint64(ms) * 1'000'000 - (nowNs() - m_lastActivityNs);
        if (leftNs <= 0)
            return;
        m_waiter.wait(int((leftNs + 999'999) / 1'000'000), hold.cancel().token());
    }
}

void Link::settleReply(const Hold &hold)
{
    // Bounded: a line that keeps talking ends the watch after a few rounds all the same.
    for (int round = 0; round < 16 && lineUp() && !hold.cancel().cancelled(); ++round) {
        const qsizetype before = m_reply.size();
        keepInterFrameGap(hold.cancel().token());
        if (!lineUp())
            return;
        takeWaiting();  // whatever reached the port during the gap (readyRead may not have run yet)
        if (m_reply.size() == before)
            return;
    }
}

bool Link::transfer(const Hold &hold, const ExchangeKind &kind, Exchange &ex, bool *doubtful)
{
    *doubtful = false;
    emit lineTaken(kind);
    if (!reconnect(hold)) {
        ex.aborted = hold.stopped();
        return false;
    }
    takeWaiting();
    if (m_trust == Trust::Unsettled && !m_line->relayed()) {
        quietLine(hold, kind.guardMs > 0 ? kind.guardMs : m_guardMs);
        if (!hold.cancel().cancelled() && lineUp())
            trustEvent(TrustEvent::GuardKept);
    }
    keepInterFrameGap(hold.cancel().token());
    if (hold.stopped() || !lineUp()) {  // stopped, or the port went away, before the request
        ex.aborted = hold.stopped();
        return false;
    }
    // Stale input (a late reply to an earlier request) must not be taken for this reply.
    if (m_log)
        logNow(FrameKind::Dropped, m_line->readAll());
    m_line->discardInput();
    m_request = ex.request;
    m_reply.clear();
    m_replyChunks.clear();
    m_collecting = true;
    m_strayDropped = false;
    const bool wentDoubtful = m_trust != Trust::InStep;

    if (m_log) {
        logNow(FrameKind::Sent, ex.request);
        m_requestWireUs = m_line->wireUs(ex.request.size());
    }
    // The far link of a relayed line keeps this link's guard where the kind keeps none of its own.
    ExchangeKind told = kind;
    if (told.guardMs <= 0)
        told.guardMs = m_guardMs;
    m_line->setExchangeKind(told, m_echoMode);
    m_writtenNs = nowNs();
    m_line->write(ex.request);
    m_lastActivityNs = nowNs();
    ex.sent = true;
    emit requestSent(kind, ex.request);

    if (m_line->relayed()) {
        waitForRelay(hold);
        if (hold.cancel().cancelled() && lineUp() && m_line->answerPending())
            m_line->giveUpRequest();
    } else {
        waitForReply(hold, kind.firstWaitMs);
        if (kind.secondWaitMs > 0 && !hold.cancel().cancelled() && lineUp()) {
            emit secondWait(kind, false);
            waitForReply(hold, kind.secondWaitMs);
            emit secondWait(kind, true);
        }
        waitForPeer(hold);
    }
    // A cancelled command unwinds at once: a click that follows the stop meets a free bus.
    if (kind.pumpAfterWait && !hold.cancel().cancelled())
        QCoreApplication::processEvents();
    // A reply that reached the port while this program was not given the processor (a busy PC) is
    // taken all the same: the port is asked once more before the window counts as empty.
    if (lineUp())
        takeWaiting();
    // The line is watched for one more inter-frame gap: bytes that follow belong to this reply (a
    // frame with trailing bytes is no exact frame). The gap is owed before the next request anyway.
    const qsizetype settleStart = m_reply.size();
    if (!m_reply.isEmpty())
        settleReply(hold);
    m_collecting = false;
    ex.aborted = hold.stopped();

    const qsizetype echo = echoLength(m_reply);
    logReply(echo, settleStart);
    ex.echoRemoved = echo > 0;
    ex.reply = m_reply.mid(echo);
    // The first echo seen on a port is said once; from then on every exchange on it expects one.
    const bool echoFound = ex.echoRemoved && !m_echoingPorts.contains(m_line->name());
    if (echoFound)
        m_echoingPorts.insert(m_line->name());
    ex.info = modbus::classifyReply(ex.request, ex.reply);
    if (m_line->relayed() && m_line->answerUnconfirmed())
        ex.info.cls = modbus::ReplyClass::Unconfirmed;
    ex.stateText = hexText(ex.reply);
    // A write's exact answer proves nothing about a read answer still owed (another device's, say): the
    // doubt is left for the next read to settle.
    if (!ex.info.whole() || hold.cancel().cancelled())
        trustEvent(TrustEvent::Fault);
    else if (ex.info.exact() && modbus::isRead(ex.request) && !m_line->relayed())
        *doubtful = wentDoubtful || m_strayDropped;  // the caller decides what it proves
    return echoFound;
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

bool Link::confirmRead(const Hold &hold, const ExchangeKind &kind, Exchange &ex)
{
    // The read that went out doubtful may have taken a late answer to an earlier request of the same
    // shape for its own, which no content check can tell; and its own answer may then still be on its
    // way. It is asked again once the line has been silent for the guard, and taken when the answer
    // agrees: an answer to this same request carries the right content, so only a stray one can
    // disagree. Should they not agree, the second read is the one in doubt, and asked once more.
    bool echoFound = false;
    QByteArray before = ex.reply;
    qint64 beforeSentNs = m_writtenNs;
    trustEvent(TrustEvent::ReadAnswered);
    for (int round = 0; round < 2; ++round) {
        Exchange again;
        again.request = ex.request;
        bool doubtful = false;
        echoFound = transfer(hold, kind, again, &doubtful) || echoFound;
        if (!again.sent || again.aborted || !again.info.exact()) {
            ex = again;
            ex.sent = true;  // the first read went out
            return echoFound;
        }
        const bool agreed = agrees(ex.request, before, again.reply, nowNs() - beforeSentNs);
        ex = again;
        if (agreed) {
            trustEvent(TrustEvent::OwnAnswer);  // in step unless a stray came meanwhile
            return echoFound;
        }
        before = again.reply;
        beforeSentNs = m_writtenNs;
        trustEvent(TrustEvent::ReadAnswered);
    }
    ex.info.cls = modbus::ReplyClass::Unconfirmed;
    trustEvent(TrustEvent::Fault);
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
    ex.echoLearned = transfer(hold, kind, ex, &doubtful);
    // Through a watcher, its link confirms on the wire it owns (transfer says no doubt there).
    if (doubtful && kind.confirmsAfterFault && !ex.aborted)
        ex.echoLearned = confirmRead(hold, kind, ex) || ex.echoLearned;
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
