#include "ui/trafficpresenter.h"
#include "core/link/crc16.h"
#include "core/link/hex.h"

namespace {
using Id = ExchangeKind::Id;

// What one kind of exchange shows.
struct Shown {
    enum class Reply { Always, WhenCrcMatches, Never };  // when the reply's hex box shows it
    bool live = true;              // painted as it happens (else: by its runner, at its pace)
    bool clearsState = true;       // the start clears the reply's box as well as the request's
    Reply reply = Reply::Always;
};

Shown shown(Id id)
{
    using R = Shown::Reply;
    switch (id) {
    case Id::ParameterReadAll: return {.clearsState = false};
    case Id::RecordRead: return {.clearsState = false, .reply = R::WhenCrcMatches};
    case Id::setRegisters: return {.reply = R::Never};  // the command shows what it wrote
    case Id::RecordDownload: return {.live = false, .clearsState = false, .reply = R::WhenCrcMatches};
    case Id::BusProbe: return {.live = false};
    case Id::LiveRead: case Id::SingleParameterRead: case Id::RecordCount: case Id::IntervalRead: case Id::SensorCountRead:
    case Id::StorageState: case Id::ClockRead: case Id::SetReg: case Id::SetCoil: break;
    }
    return {};
}

const char *const EchoNotice = QT_TRANSLATE_NOOP("TrafficPresenter", "串口适配器回显了发出的请求，已自动去除回显");
} // namespace

TrafficPresenter::TrafficPresenter(Link &link, TrafficDisplay display, QObject *parent)
    : QObject(parent), m_display(std::move(display))
{
    connect(&link, &Link::exchangeStarted, this, &TrafficPresenter::onStarted);
    connect(&link, &Link::requestSent, this, &TrafficPresenter::onSent);
    connect(&link, &Link::exchangeFinished, this, &TrafficPresenter::onFinished);
}

void TrafficPresenter::onStarted(const ExchangeKind &kind)
{
    const Shown s = shown(kind.id);
    if (!s.live)
        return;
    m_display.command(QString());
    if (s.clearsState)
        m_display.state(QString());
}

// The lamp and the counters follow every exchange, whatever command makes it: each request sent
// turns the lamp yellow and counts one request; the exchange's end turns it green when a Modbus frame
// of the device asked came back (an exception reply too: the device answered) or a broadcast went
// out, which counts one reply, and red otherwise (no reply, a garbled or foreign one, the port
// closed, the exchange stopped).
void TrafficPresenter::onSent(const ExchangeKind &kind, const QByteArray &request)
{
    m_display.lamp(Lamp::Yellow);
    m_display.countRequest();
    if (shown(kind.id).live)
        m_display.command(requestHex(request));
}

void TrafficPresenter::onFinished(const ExchangeKind &kind, const Exchange &ex)
{
    const Shown s = shown(kind.id);
    if (ex.closed) {
        m_display.lamp(Lamp::Red);
        m_display.status(tr("%1：端口未打开，命令未发送").arg(kind.shownName()));
        return;
    }
    if (!ex.sent) {
        m_display.lamp(Lamp::Red);
        return;
    }
    const bool broadcast = !ex.request.isEmpty() && ex.request[0] == 0;
    const bool answered = ex.valid() || ex.info.cls == modbus::ReplyClass::Exception;
    m_display.lamp(answered || (broadcast && !ex.aborted) ? Lamp::Green : Lamp::Red);
    if (answered)
        m_display.countReply();
    if (s.live)
        paint(kind, ex, ex.echoLearned ? tr("；") + tr(EchoNotice) : QString());
    else if (ex.echoLearned)
        m_display.status(tr(EchoNotice));
}

void TrafficPresenter::showExchange(const ExchangeKind &kind, const Exchange &ex)
{
    if (ex.sent)
        paint(kind, ex, QString());
}

void TrafficPresenter::paint(const ExchangeKind &kind, const Exchange &ex, const QString &after)
{
    using R = Shown::Reply;
    const Shown s = shown(kind.id);
    m_display.command(requestHex(ex.request));
    if (s.reply == R::Always || (s.reply == R::WhenCrcMatches && crcMatches(ex.reply)))
        m_display.state(ex.stateText);
    m_display.status(tr("%1：%2").arg(kind.shownName(), modbus::describeReply(ex.info)) + after);
}
