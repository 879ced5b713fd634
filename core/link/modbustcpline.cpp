#include "core/link/modbustcpline.h"
#include "core/link/crc16.h"
#include <QtEndian>

namespace {
constexpr int HeaderBytes = 7;      // transaction, protocol, length, unit id
constexpr int MaxLength = 1 + 253;  // unit id and the longest PDU
quint16 word(const QByteArray &b, int at) { return qFromBigEndian<quint16>(b.constData() + at); }
void appendWord(QByteArray &b, quint16 v)
{
    b.append(char(v >> 8));
    b.append(char(v & 0xFF));
}
} // namespace

QByteArray ModbusTcpLine::encode(const QByteArray &frame)
{
    // An RTU frame: address, PDU, CRC.
    const QByteArray pdu = frame.mid(1, frame.size() - 3);
    ++m_transaction;
    reset();  // a new request: nothing of an earlier one counts
    QByteArray out;
    out.reserve(HeaderBytes + pdu.size());
    appendWord(out, m_transaction);
    appendWord(out, 0);
    appendWord(out, quint16(1 + pdu.size()));
    out.append(frame.left(1));
    out.append(pdu);
    return out;
}

QByteArray ModbusTcpLine::decode(const QByteArray &bytes)
{
    m_pending += bytes;
    QByteArray rtu;
    while (!m_pending.isEmpty()) {
        // What follows the reply is no part of it: passed on as it came, so the link sees bytes
        // after the frame, as on a wire.
        if (m_answered) {
            rtu += std::exchange(m_pending, QByteArray());
            break;
        }
        if (m_pending.size() < HeaderBytes)
            break;
        const int length = word(m_pending, 4);
        if (word(m_pending, 2) != 0 || length < 2 || length > MaxLength) {
            // Not a Modbus TCP frame: passed on as it is, and the link finds no reply in it.
            rtu += std::exchange(m_pending, QByteArray());
            break;
        }
        if (m_pending.size() < 6 + length)
            break;
        const QByteArray frame = m_pending.left(6 + length);
        m_pending.remove(0, 6 + length);
        if (word(frame, 0) != m_transaction) {
            emit dropped(frame);
            continue;
        }
        QByteArray reply = frame.mid(6);  // unit id and PDU
        appendCrc(reply);
        rtu += reply;
        m_answered = true;
    }
    return rtu;
}

void ModbusTcpLine::reset()
{
    m_pending.clear();
    m_answered = false;
}
