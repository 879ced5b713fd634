#include "core/link/frames.h"
#include "core/link/crc16.h"
#include "core/link/hex.h"
#include <QCoreApplication>

namespace modbus {

namespace {
QByteArray header(uint8_t addr, uint8_t function, uint16_t a, uint16_t b)
{
    QByteArray f;
    f.reserve(8);
    f.append(char(addr));
    f.append(char(function));
    f.append(char(a >> 8));
    f.append(char(a & 0xFF));
    f.append(char(b >> 8));
    f.append(char(b & 0xFF));
    appendCrc(f);
    return f;
}
} // namespace

QByteArray readRequest(uint8_t addr, uint8_t function, uint16_t start, uint8_t quantity)
{
    return header(addr, function, start, quantity);
}

QByteArray readHolding(uint8_t addr, uint16_t reg, uint8_t quantity)
{
    return header(addr, ReadHoldingRegisters, reg, quantity);
}

QByteArray readInput(uint8_t addr, uint16_t start, uint8_t quantity)
{
    return header(addr, ReadInputRegisters, start, quantity);
}

QByteArray writeRegister(uint8_t addr, uint16_t reg, uint16_t value)
{
    return header(addr, WriteSingleRegister, reg, value);
}

QByteArray writeCoil(uint8_t addr, uint16_t coil, bool on)
{
    return writeCoil(addr, coil, on, 0xFF00);
}

QByteArray writeCoil(uint8_t addr, uint16_t coil, bool on, uint16_t onValue)
{
    return header(addr, WriteSingleCoil, coil, on ? onValue : 0x0000);
}

QByteArray writeRegisters(uint8_t addr, uint16_t start, const QByteArray &data)
{
    const int count = int(data.size() / 2);
    QByteArray f;
    f.reserve(9 + data.size());
    f.append(char(addr));
    f.append(char(WriteMultipleRegisters));
    f.append(char(start >> 8));
    f.append(char(start & 0xFF));
    f.append(char(count >> 8));
    f.append(char(count & 0xFF));
    f.append(char(2 * count));
    f.append(data.left(2 * count));
    appendCrc(f);
    return f;
}

bool isRead(const QByteArray &request)
{
    const uint8_t fn = request.size() > 1 ? uint8_t(request[1]) : 0;
    return fn == ReadHoldingRegisters || fn == ReadInputRegisters;
}

int expectedReplyLength(const QByteArray &request)
{
    if (request.size() < 6)
        return 0;
    switch (uint8_t(request[1])) {
    case 0x01:
    case 0x02: {
        const int n = (uint8_t(request[4]) << 8) | uint8_t(request[5]);
        return (n + 7) / 8 + 5;
    }
    case 0x03:
    case 0x04: {
        const int n = (uint8_t(request[4]) << 8) | uint8_t(request[5]);
        return 2 * n + 5;
    }
    case 0x05:
    case 0x06:
    case 0x0F:
    case 0x10:
        return 8;
    default:
        return 0;
    }
}

namespace {
bool isExceptionFrame(const QByteArray &request, const QByteArray &reply)
{
    return reply.size() >= 5 && uint8_t(reply[1]) == (uint8_t(request[1]) | 0x80)
        && crcMatches(reply.left(5));
}
} // namespace

ReplyInfo classifyReply(const QByteArray &request, const QByteArray &reply)
{
    ReplyInfo info;
    info.expected = expectedReplyLength(request);
    info.received = int(reply.size());
    if (reply.isEmpty()) {
        info.cls = ReplyClass::None;
        return info;
    }
    if (isExceptionFrame(request, reply)) {
        info.exceptionCode = uint8_t(reply[2]);
        info.cls = reply[0] == request[0] ? ReplyClass::Exception : ReplyClass::OtherSender;
        return info;
    }
    const int need = info.expected > 0 ? info.expected : int(reply.size());
    if (reply.size() < need || reply.size() < 5) {
        // A whole frame from someone else (another address or function) that happens to be shorter.
        if (reply.size() >= 4 && crcMatches(reply)
            && (reply[0] != request[0] || (uint8_t(reply[1]) & 0x7F) != uint8_t(request[1])))
            info.cls = ReplyClass::OtherSender;
        else
            info.cls = ReplyClass::Short;
        return info;
    }
    if (!crcMatches(reply.left(need))) {
        info.cls = ReplyClass::CrcMismatch;
        return info;
    }
    if (reply[0] != request[0] || reply[1] != request[1]) {
        info.cls = ReplyClass::OtherSender;
        return info;
    }
    const uint8_t fn = uint8_t(request[1]);
    if ((fn == 0x03 || fn == 0x04) && uint8_t(reply[2]) != need - 5) {
        info.cls = ReplyClass::Short;  // byte count disagrees with the quantity asked
        return info;
    }
    info.cls = ReplyClass::Valid;
    return info;
}

bool replyComplete(const QByteArray &request, const QByteArray &reply)
{
    if (isExceptionFrame(request, reply))
        return true;
    const int need = expectedReplyLength(request);
    return need > 0 && reply.size() >= need && crcMatches(reply.left(need));
}

QString exceptionName(uint8_t code)
{
    switch (code) {
    case 0x01: return QCoreApplication::translate("modbus", "非法功能");
    case 0x02: return QCoreApplication::translate("modbus", "非法数据地址");
    case 0x03: return QCoreApplication::translate("modbus", "非法数据值");
    case 0x04: return QCoreApplication::translate("modbus", "从站设备故障");
    case 0x05: return QCoreApplication::translate("modbus", "确认");
    case 0x06: return QCoreApplication::translate("modbus", "从站设备忙");
    case 0x08: return QCoreApplication::translate("modbus", "存储奇偶性差错");
    case 0x0A: return QCoreApplication::translate("modbus", "网关路径不可用");
    case 0x0B: return QCoreApplication::translate("modbus", "网关目标设备响应失败");
    default: return QCoreApplication::translate("modbus", "未知异常");
    }
}

QString describeReply(const ReplyInfo &info)
{
    switch (info.cls) {
    case ReplyClass::Valid:
        if (info.received > info.expected)
            return QCoreApplication::translate("modbus", "应答帧正确，但其后多出 %1 字节").arg(info.received - info.expected);
        return QCoreApplication::translate("modbus", "应答正确（%1 字节）").arg(info.received);
    case ReplyClass::Exception:
        return QCoreApplication::translate("modbus", "异常应答：代码 %1（%2）")
            .arg(byteHex(info.exceptionCode), exceptionName(info.exceptionCode));
    case ReplyClass::CrcMismatch:
        return QCoreApplication::translate("modbus", "应答CRC校验错误（%1 字节）").arg(info.received);
    case ReplyClass::OtherSender:
        return QCoreApplication::translate("modbus", "应答来自其他地址或功能码");
    case ReplyClass::Short:
        if (info.received >= info.expected)  // long enough, but its byte count is not the one asked
            return QCoreApplication::translate("modbus", "应答字节数与请求不符（收到 %1 字节）").arg(info.received);
        return QCoreApplication::translate("modbus", "应答不完整：收到 %1 字节，应为 %2 字节").arg(info.received).arg(info.expected);
    case ReplyClass::None:
        return QCoreApplication::translate("modbus", "无应答");
    case ReplyClass::Unconfirmed:
        return QCoreApplication::translate("modbus", "再次读取的应答不一致，未采用");
    }
    return QString();
}

} // namespace modbus
