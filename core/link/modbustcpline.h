#pragma once
#include "core/link/tcpline.h"

// A Modbus TCP gateway: each request goes out behind an MBAP header (transaction id, protocol 0,
// length, unit id = the device address) without its CRC; the reply to it comes back as an RTU
// frame with its CRC, so the link judges it as any reply. A frame with another transaction id is
// an answer to an earlier request: it is dropped, never taken.
class ModbusTcpLine final : public TcpLine {
    Q_OBJECT
public:
    using TcpLine::TcpLine;

protected:
    QByteArray encode(const QByteArray &frame) override;
    QByteArray decode(const QByteArray &bytes) override;
    void reset() override;

private:
    quint16 m_transaction = 0;  // of the last request
    bool m_answered = false;    // its reply has been passed on
    QByteArray m_pending;       // the start of a frame not complete yet
};
