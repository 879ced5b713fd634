#include "core/link/relayprotocol.h"
#include "core/link/exchange.h"
#include <QtEndian>
#include <algorithm>

namespace relay {

namespace {
constexpr qsizetype RequestHead = 1 + 4 + 1 + 2 + 2 + 2 + 1;
constexpr qsizetype ShortestFrame = 4;  // address, function, CRC
enum Flag : uint8_t { Confirms = 1, Pumps = 2, Echoes = 4, NoEcho = 8 };

quint16 clampMs(int ms) { return quint16(std::clamp(ms, 0, 65535)); }

void put32(QByteArray &out, quint32 v)
{
    char b[4];
    qToBigEndian<quint32>(v, b);
    out.append(b, 4);
}
void put16(QByteArray &out, quint16 v)
{
    char b[2];
    qToBigEndian<quint16>(v, b);
    out.append(b, 2);
}
quint32 get32(const QByteArray &in, qsizetype at) { return qFromBigEndian<quint32>(in.constData() + at); }
quint16 get16(const QByteArray &in, qsizetype at) { return qFromBigEndian<quint16>(in.constData() + at); }

QByteArray body(const Hello &m)
{
    QByteArray out("H");
    put32(out, m.baud);
    return out + m.device.toUtf8();
}
QByteArray body(const Request &m)
{
    QByteArray out("Q");
    put32(out, m.id);
    out += char(m.kindId);
    put16(out, m.firstWaitMs);
    put16(out, m.secondWaitMs);
    put16(out, m.guardMs);
    out += char((m.confirmsAfterFault ? Confirms : 0) | (m.pumpAfterWait ? Pumps : 0)
                | (m.echo == EchoMode::On ? Echoes : m.echo == EchoMode::Off ? NoEcho : 0));
    return out + m.frame;
}
QByteArray body(const Started &m)
{
    QByteArray out("S");
    put32(out, m.id);
    return out;
}
QByteArray body(const Answer &m)
{
    QByteArray out("A");
    put32(out, m.id);
    out += char(m.outcome);
    return out + m.reply;
}
QByteArray body(const GiveUp &m)
{
    QByteArray out("C");
    put32(out, m.id);
    return out;
}

std::optional<Message> decodeRequest(const QByteArray &in)
{
    if (in.size() < RequestHead + ShortestFrame)
        return std::nullopt;
    const uint8_t flags = uint8_t(in[12]);
    if ((flags & ~(Confirms | Pumps | Echoes | NoEcho)) || ((flags & Echoes) && (flags & NoEcho)))
        return std::nullopt;
    Request r;
    r.id = get32(in, 1);
    r.kindId = uint8_t(in[5]);
    r.firstWaitMs = get16(in, 6);
    r.secondWaitMs = get16(in, 8);
    r.guardMs = get16(in, 10);
    r.confirmsAfterFault = flags & Confirms;
    r.pumpAfterWait = flags & Pumps;
    r.echo = flags & Echoes ? EchoMode::On : flags & NoEcho ? EchoMode::Off : EchoMode::Auto;
    r.frame = in.mid(RequestHead);
    return r;
}
} // namespace

Request requestFor(quint32 id, const ExchangeKind &kind, EchoMode echo, const QByteArray &frame)
{
    return Request{id, uint8_t(kind.id), clampMs(kind.firstWaitMs), clampMs(kind.secondWaitMs), clampMs(kind.guardMs),
                   kind.confirmsAfterFault, kind.pumpAfterWait, echo, frame};
}

ExchangeKind kindOf(const Request &request)
{
    static const ExchangeKind *const known[] = {
        &kinds::LiveRead, &kinds::ParameterReadAll, &kinds::SingleParameterRead, &kinds::RecordCount, &kinds::RecordRead,
        &kinds::IntervalRead, &kinds::SensorCountRead, &kinds::StorageState, &kinds::ClockRead, &kinds::SetReg,
        &kinds::SetCoil, &kinds::setRegisters, &kinds::RecordDownload, &kinds::BusProbe};
    ExchangeKind kind = kinds::SingleParameterRead;
    for (const ExchangeKind *k : known)
        if (uint8_t(k->id) == request.kindId)
            kind = *k;
    kind.firstWaitMs = request.firstWaitMs;
    kind.secondWaitMs = request.secondWaitMs;
    kind.guardMs = request.guardMs;
    kind.confirmsAfterFault = request.confirmsAfterFault;
    kind.pumpAfterWait = request.pumpAfterWait;
    kind.pauseAfterMs = 0;  // the client keeps its own pause after the reply
    return kind;
}

QByteArray encode(const Message &message)
{
    const QByteArray content = std::visit([](const auto &m) { return body(m); }, message);
    if (content.size() > MaxMessage)
        return QByteArray();
    QByteArray out;
    put32(out, quint32(content.size()));
    return out + content;
}

std::optional<Message> decode(const QByteArray &in)
{
    if (in.isEmpty())
        return std::nullopt;
    switch (in[0]) {
    case 'H':
        if (in.size() >= 5)
            return Hello{get32(in, 1), QString::fromUtf8(in.mid(5))};
        break;
    case 'Q':
        return decodeRequest(in);
    case 'S':
        if (in.size() == 5)
            return Started{get32(in, 1)};
        break;
    case 'A':
        if (in.size() >= 6 && uint8_t(in[5]) <= uint8_t(Outcome::Unconfirmed))
            return Answer{get32(in, 1), Outcome(in[5]), in.mid(6)};
        break;
    case 'C':
        if (in.size() == 5)
            return GiveUp{get32(in, 1)};
        break;
    default:
        break;
    }
    return std::nullopt;
}

Reader::Next Reader::next(Message *out)
{
    if (m_buffer.size() < 4)
        return Next::More;
    const quint32 length = get32(m_buffer, 0);
    if (length == 0 || length > quint32(MaxMessage))
        return Next::Broken;
    if (m_buffer.size() < qsizetype(4 + length))
        return Next::More;
    const std::optional<Message> message = decode(m_buffer.mid(4, length));
    m_buffer.remove(0, 4 + length);
    if (!message)
        return Next::Skipped;
    *out = *message;
    return Next::Message;
}

} // namespace relay
