#include "core/link/wirerunner.h"
#include "core/link/hex.h"
#include <QCoreApplication>
#include <QThread>
#include <cmath>

WireRunner::WireRunner(std::unique_ptr<Line> line, int com, LinkState &state, QObject *parent)
    : ExchangeRunner(state, parent), m_line(std::move(line)), m_com(com)
{
    connect(m_line.get(), &Line::readyRead, this, &WireRunner::onReadyRead);
    connect(m_line.get(), &Line::lost, this, &WireRunner::onLost);
    connect(m_line.get(), &Line::dropped, this, &WireRunner::onDropped);
    m_lastActivityNs = nowNs();
    m_waiter.setClock(m_state.time.clock());
}

WireRunner::~WireRunner()
{
    m_waiter.finish();
    m_line->disconnect(this);  // the line goes after this runner's members
}

QString WireRunner::open(int com, std::stop_token stop)
{
    m_com = com;
    return m_line->open(com, stop);
}

void WireRunner::close()
{
    m_line->disconnect(this);
    m_line->close();
}

void WireRunner::onReadyRead()
{
    const QByteArray bytes = m_line->readAll();
    if (!m_collecting) {
        // Nobody asked: a late answer, or noise. Dropped, and the line is not to be trusted until it
        // has been silent for the guard time.
        m_state.frames.now(FrameKind::Dropped, m_lastActivityNs, bytes);
        m_lastActivityNs = nowNs();
        if (!bytes.isEmpty())
            m_state.trust.on(TrustEvent::Fault);
        return;
    }
    takeReply(bytes);
    if (replyIn() && tooEarly()) {
        dropStray();
        return;
    }
    if (replyIn())
        m_waiter.finish();
}

bool WireRunner::tooEarly() const
{
    // A device answers once the request has reached it and its answer takes its own time on the wire;
    // an adapter may hand bytes on late, never early. A frame complete sooner is an answer to an
    // earlier request that was still on its way. Lines of packets keep no wire time (wireUs 0).
    const qsizetype frame = m_reply.size() - echoLength(m_reply);
    const qint64 wireNs = 1000LL * (m_line->wireUs(m_request.size()) + m_line->wireUs(frame));
    return nowNs() - m_writtenNs < wireNs;
}

void WireRunner::dropStray()
{
    const qsizetype echo = echoLength(m_reply);
    m_state.frames.now(FrameKind::Dropped, m_lastActivityNs, m_reply.mid(echo));
    m_reply.truncate(echo);
    m_state.frames.cutFrom(echo);
    m_strayDropped = true;
    m_state.trust.on(TrustEvent::Fault);  // the answer still owed may come any time now
}

bool WireRunner::replyIn() const
{
    if (m_state.echo.mayStartEcho(m_request, m_reply))
        return false;
    return modbus::replyComplete(m_request, m_reply.mid(echoLength(m_reply)));
}

void WireRunner::takeReply(const QByteArray &bytes)
{
    if (!bytes.isEmpty())
        m_state.frames.piece(m_reply.size(), m_lastActivityNs);
    m_reply += bytes;
    m_lastActivityNs = nowNs();
}

void WireRunner::onLost(const QString &reason)
{
    m_waiter.finish();
    if (m_line->reconnects()) {
        // Whatever was under way is cut; the line is connected again before the next request, and
        // what it brings first is not trusted before the guard. A connection the server closed while
        // nothing was asked (an idle time-out) costs nothing worth saying.
        m_state.trust.on(TrustEvent::Fault);
        if (m_collecting)
            emit notice(QCoreApplication::translate("Link", "%1 的连接中断（%2），下一次请求前重新连接").arg(m_line->name(), reason));
        emit connectionChanged(false);
        return;
    }
    emit lost(reason);
}

void WireRunner::onDropped(const QByteArray &bytes)
{
    // An answer to an earlier request: never taken, and a sign that the line is not in step.
    m_state.frames.now(FrameKind::Dropped, m_lastActivityNs, bytes);
    m_state.trust.on(TrustEvent::Fault);
}

bool WireRunner::reconnect(const Link::Hold &hold)
{
    if (m_line->isOpen())
        return true;
    const QString why = m_line->open(m_com, hold.cancel().token());
    if (why.isEmpty()) {
        // A device server connected again may still hold an answer to a request of the old connection.
        m_lastActivityNs = nowNs();
        m_state.trust.on(TrustEvent::Fault);
        emit connectionChanged(true);
        return true;
    }
    if (!hold.cancel().cancelled())
        emit notice(why);
    return false;
}

void WireRunner::keepInterFrameGap(const std::stop_token &stop)
{
    // Modbus wants 3.5 characters of silence between frames; a line of packets keeps none.
    const qint64 left = m_line->gapNs() - (nowNs() - m_lastActivityNs);
    if (left <= 0 || stop.stop_requested())
        return;
    // A gap of a few milliseconds is slept exactly (a timer would round it up to whole
    // milliseconds, which a download pays on every record); a longer one keeps the window live.
    if (left >= 5'000'000)
        m_waiter.wait(int(std::ceil(double(left) / 1e6)), stop);
    else if (LinkClock *clock = m_state.time.clock())
        clock->sleepNs(left);
    else
        QThread::usleep(quint64((left + 999) / 1000));
}

bool WireRunner::waitForReply(const Link::Hold &hold, int ms)
{
    if (ms <= 0 || replyIn() || !up())
        return false;
    return m_waiter.wait(ms, hold.cancel().token());
}

void WireRunner::waitForPeer(const Link::Hold &hold)
{
    if (!m_state.peer)
        return;
    // Bounded all the same: a peer that never finishes costs a minute, not the program.
    const qint64 since = nowNs();
    while (up() && !replyIn() && !hold.cancel().cancelled() && nowNs() - since < 60'000'000'000LL
           && m_state.peer->replyPending())
        m_waiter.wait(1, hold.cancel().token());
}

void WireRunner::takeWaiting()
{
    // Bytes that reached the port while no event loop ran (a nested step, a busy PC) are taken now:
    // as part of the reply while one is collected, as dropped otherwise.
    if (up() && m_line->poll())
        onReadyRead();
}

void WireRunner::quietLine(const Link::Hold &hold, int ms)
{
    const qint64 since = nowNs();
    // A line that never falls silent is given up after ten times ms.
    while (!hold.cancel().cancelled() && up() && nowNs() - since < 10'000'000LL * ms) {
        takeWaiting();
        const qint64 leftNs = qint64(ms) * 1'000'000 - (nowNs() - m_lastActivityNs);
        if (leftNs <= 0)
            return;
        m_waiter.wait(int((leftNs + 999'999) / 1'000'000), hold.cancel().token());
    }
}

void WireRunner::settleReply(const Link::Hold &hold)
{
    // Bounded: a line that keeps talking ends the watch after a few rounds all the same.
    for (int round = 0; round < 16 && up() && !hold.cancel().cancelled(); ++round) {
        const qsizetype before = m_reply.size();
        keepInterFrameGap(hold.cancel().token());
        if (!up())
            return;
        takeWaiting();  // whatever reached the port during the gap (readyRead may not have run yet)
        if (m_reply.size() == before)
            return;
    }
}

bool WireRunner::ready(const Link::Hold &hold, const ExchangeKind &kind, Exchange &ex)
{
    if (!reconnect(hold)) {
        ex.aborted = hold.stopped();
        return false;
    }
    takeWaiting();
    if (m_state.trust.now() == LinkTrust::Unsettled) {
        quietLine(hold, kind.guardMs > 0 ? kind.guardMs : m_state.guardMs);
        if (!hold.cancel().cancelled() && up())
            m_state.trust.on(TrustEvent::GuardKept);  // what could be waited out has been
    }
    keepInterFrameGap(hold.cancel().token());
    if (hold.stopped() || !up()) {  // stopped, or the port went away, before the request
        ex.aborted = hold.stopped();
        return false;
    }
    return true;
}

void WireRunner::send(const ExchangeKind &kind, Exchange &ex)
{
    // Stale input (a late reply to an earlier request) must not be taken for this reply.
    if (m_state.frames.watched())
        m_state.frames.now(FrameKind::Dropped, m_lastActivityNs, m_line->readAll());
    m_line->discardInput();
    m_request = ex.request;
    m_reply.clear();
    m_collecting = true;
    m_strayDropped = false;
    m_state.frames.requestSent(ex.request, m_lastActivityNs, m_state.frames.watched() ? m_line->wireUs(ex.request.size()) : 0);
    m_writtenNs = nowNs();
    m_line->write(ex.request);
    m_lastActivityNs = nowNs();
    ex.sent = true;
    emit requestSent(kind, ex.request);
}

void WireRunner::collect(const Link::Hold &hold, const ExchangeKind &kind)
{
    waitForReply(hold, kind.firstWaitMs);
    if (kind.secondWaitMs > 0 && !hold.cancel().cancelled() && up()) {
        emit secondWait(kind, false);
        waitForReply(hold, kind.secondWaitMs);
        emit secondWait(kind, true);
    }
    waitForPeer(hold);
    // A cancelled command unwinds at once: a click that follows the stop meets a free bus.
    if (kind.pumpAfterWait && !hold.cancel().cancelled())
        QCoreApplication::processEvents();
    // A reply that reached the port while this program was not given the processor (a busy PC) is
    // taken all the same: the port is asked once more before the window counts as empty.
    if (up())
        takeWaiting();
}

ExchangeRunner::Result WireRunner::transfer(const Link::Hold &hold, const ExchangeKind &kind, Exchange &ex)
{
    Result result;
    if (!ready(hold, kind, ex))
        return result;
    const bool wentDoubtful = m_state.trust.now() != LinkTrust::InStep;
    send(kind, ex);
    result.writtenNs = m_writtenNs;
    collect(hold, kind);
    // The line is watched for one more inter-frame gap: bytes that follow belong to this reply (a
    // frame with trailing bytes is no exact frame). The gap is owed before the next request anyway.
    const qsizetype settleStart = m_reply.size();
    if (!m_reply.isEmpty())
        settleReply(hold);
    m_collecting = false;
    ex.aborted = hold.stopped();

    const qsizetype echo = echoLength(m_reply);
    m_state.frames.reply(m_reply, echo, settleStart, m_lastActivityNs);
    ex.echoRemoved = echo > 0;
    ex.reply = m_reply.mid(echo);
    // The first echo seen on a port is said once; from then on every exchange on it expects one.
    result.echoFound = ex.echoRemoved && m_state.echo.learn(name());
    ex.info = modbus::classifyReply(ex.request, ex.reply);
    ex.stateText = hexText(ex.reply);
    // Anything but a whole answer, or a cancel while it came, may leave an answer on its way. A write's
    // exact answer proves nothing about a read answer still owed (another device's, say): the doubt is
    // left for the next read to settle.
    if (!ex.info.whole() || hold.cancel().cancelled())
        m_state.trust.on(TrustEvent::Fault);
    else if (ex.info.exact() && modbus::isRead(ex.request))
        result.doubtful = wentDoubtful || m_strayDropped;
    return result;
}
