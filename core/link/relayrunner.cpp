#include "core/link/relayrunner.h"
#include "core/link/hex.h"
#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

RelayRunner::RelayRunner(const QString &target, const QString &socket, int baud, LinkState &state, QObject *parent)
    : ExchangeRunner(state, parent), m_target(target), m_path(socket), m_baud(baud)
{
    connect(&m_socket, &QLocalSocket::readyRead, this, &RelayRunner::take);
    connect(&m_socket, &QLocalSocket::disconnected, this, &RelayRunner::onGone);
    m_waiter.setClock(m_state.time.clock());
    m_lastActivityNs = m_state.time.nowNs();
}

RelayRunner::~RelayRunner()
{
    m_waiter.finish();
    m_socket.disconnect(this);
    m_socket.abort();
}

QString RelayRunner::open(int com, std::stop_token stop)
{
    close();
    const QString which = com > 0 ? QCoreApplication::translate("Line", "COM%1（%2）").arg(com).arg(m_target) : m_target;
    // Up once the watcher has said which line it is and at what rate: a socket file left by a watcher
    // that has ended refuses at once.
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    connect(&m_socket, &QLocalSocket::errorOccurred, &loop, &QEventLoop::quit);
    connect(&m_socket, &QLocalSocket::disconnected, &loop, &QEventLoop::quit);
    const std::stop_callback onStop(stop, [&loop] { loop.quit(); });
    m_socket.connectToServer(m_path);
    if (!stop.stop_requested() && !m_hello && m_socket.state() != QLocalSocket::UnconnectedState) {
        timer.start(m_connectTimeoutMs);
        m_opening = &loop;
        loop.exec();
        m_opening = nullptr;
    }
    if (m_hello && m_socket.state() == QLocalSocket::ConnectedState) {
        m_up = true;
        return QString();
    }
    const QString why = m_socket.state() == QLocalSocket::ConnectedState
                            ? QCoreApplication::translate("Line", "监视程序 %1 ms 内没有回应").arg(m_connectTimeoutMs)
                            : m_socket.errorString();
    m_socket.abort();
    return QCoreApplication::translate("Line", "无法经由监视程序使用 %1：%2").arg(which, why);
}

void RelayRunner::close()
{
    m_up = m_hello = m_pending = false;
    m_socket.abort();
    m_input.clear();
    m_reply.clear();
}

void RelayRunner::send(const relay::Message &message)
{
    m_socket.write(relay::encode(message));
    m_socket.flush();
}

ExchangeRunner::Result RelayRunner::transfer(const Link::Hold &hold, const ExchangeKind &kind, Exchange &ex)
{
    Result result;
    if (hold.stopped() || !up()) {
        ex.aborted = hold.stopped();
        return result;
    }
    // The watcher keeps this link's guard where the kind keeps none of its own. A request given up
    // while under way there is answered all the same: the id tells that answer from this one's.
    ExchangeKind told = kind;
    if (told.guardMs <= 0)
        told.guardMs = m_state.guardMs;
    m_reply.clear();
    m_pending = true;
    m_answered = m_unconfirmed = false;
    m_started.invalidate();
    m_state.frames.requestSent(ex.request, m_lastActivityNs, 0);
    result.writtenNs = m_state.time.nowNs();
    send(relay::requestFor(++m_id, told, m_state.echo.mode(), ex.request));
    m_lastActivityNs = m_state.time.nowNs();
    ex.sent = true;
    emit requestSent(kind, ex.request);

    waitForAnswer(hold);
    if (hold.cancel().cancelled() && up() && std::exchange(m_pending, false))
        send(relay::GiveUp{m_id});  // one still waiting for its turn never reaches the wire
    // A cancelled command unwinds at once: a click that follows the stop meets a free bus.
    if (kind.pumpAfterWait && !hold.cancel().cancelled())
        QCoreApplication::processEvents();
    if (up() && (m_socket.bytesAvailable() > 0 || m_socket.waitForReadyRead(0)))
        take();
    ex.aborted = hold.stopped();
    ex.reply = std::exchange(m_reply, QByteArray());
    m_state.frames.reply(ex.reply, 0, ex.reply.size(), m_lastActivityNs);
    ex.info = modbus::classifyReply(ex.request, ex.reply);
    if (m_answered && m_unconfirmed)
        ex.info.cls = modbus::ReplyClass::Unconfirmed;
    ex.stateText = hexText(ex.reply);
    return result;
}

void RelayRunner::waitForAnswer(const Link::Hold &hold)
{
    // The watcher runs the exchange when its bus is free (after a poll, another program's exchange):
    // the wait for the turn is as long as the bus is busy; the exchange itself has its own windows and
    // silences at the watcher, which bound it. A watcher that never answers costs a minute from then.
    constexpr qint64 RunningMs = 60'000;
    while (up() && m_pending && !hold.cancel().cancelled()) {
        const qint64 ran = m_started.isValid() ? m_started.elapsed() : -1;
        if (ran >= RunningMs)
            return;
        m_waiter.wait(int(ran < 0 ? RunningMs : RunningMs - ran), hold.cancel().token());
    }
}

void RelayRunner::take()
{
    m_input.append(m_socket.readAll());
    relay::Message message;
    for (;;) {
        const relay::Reader::Next next = m_input.next(&message);
        if (next == relay::Reader::Next::More)
            return;
        if (next == relay::Reader::Next::Broken) {
            m_input.clear();
            m_socket.abort();
            return;
        }
        if (next == relay::Reader::Next::Message)
            onMessage(message);
    }
}

void RelayRunner::onMessage(const relay::Message &message)
{
    if (const auto *hello = std::get_if<relay::Hello>(&message)) {
        m_baud = int(hello->baud);
        m_watcherDevice = hello->device;
        m_hello = true;
        if (m_opening)
            m_opening->quit();
        return;
    }
    // An answer to a request given up is not this one's.
    if (const auto *started = std::get_if<relay::Started>(&message); started && started->id == m_id && m_pending) {
        m_started.start();
        m_waiter.finish();  // from now on the wait is bounded by the exchange's run
    } else if (const auto *answer = std::get_if<relay::Answer>(&message); answer && answer->id == m_id && m_pending) {
        m_pending = false;
        m_answered = true;
        m_unconfirmed = answer->outcome == relay::Outcome::Unconfirmed;
        if (!answer->reply.isEmpty())
            m_state.frames.piece(0, m_lastActivityNs);
        m_reply += answer->reply;
        m_lastActivityNs = m_state.time.nowNs();
        m_waiter.finish();  // even when nothing came: the exchange is over
    }
}

void RelayRunner::onGone()
{
    if (!std::exchange(m_up, false))
        return;
    m_pending = false;
    m_waiter.finish();
    emit lost(QCoreApplication::translate("Line", "监视程序断开了连接"));
}
