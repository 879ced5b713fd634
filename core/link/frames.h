#pragma once
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>

// Modbus-RTU request frames, CRC appended, and the classification of replies.
namespace modbus {

enum Function : uint8_t {
    ReadHoldingRegisters = 0x03,
    ReadInputRegisters = 0x04,
    WriteSingleCoil = 0x05,
    WriteSingleRegister = 0x06,
    WriteMultipleRegisters = 0x10,
};

// Live read: the function code is whatever the user chose and is sent unchanged.
QByteArray readRequest(uint8_t addr, uint8_t function, uint16_t start, uint8_t quantity);
QByteArray readHolding(uint8_t addr, uint16_t reg, uint8_t quantity);
QByteArray readInput(uint8_t addr, uint16_t start, uint8_t quantity);
QByteArray writeRegister(uint8_t addr, uint16_t reg, uint16_t value);
QByteArray writeCoil(uint8_t addr, uint16_t coil, bool on);
// A coil write with the value a module takes for "on" (FF00 by the standard; some relays want 0001).
QByteArray writeCoil(uint8_t addr, uint16_t coil, bool on, uint16_t onValue);
// count 1 … 123 registers; data holds 2 × count bytes, big-endian words.
QByteArray writeRegisters(uint8_t addr, uint16_t start, const QByteArray &data);

// A read of registers (03 or 04): its reply carries values, and two of the same shape look alike.
bool isRead(const QByteArray &request);

// Length of the normal reply to a request: 2 × quantity + 5 for reads, 8 for writes;
// 0 when the function code is not one this program knows the reply of.
int expectedReplyLength(const QByteArray &request);

enum class ReplyClass {
    Valid,        // complete, CRC matches, from the device and function asked
    Exception,    // a Modbus exception reply of the device asked
    CrcMismatch,  // long enough, but the CRC does not match
    OtherSender,  // a good frame from another address or with another function code
    Short,        // fewer bytes than the reply needs
    None,         // nothing came
    // Whole frames, but the reads asked again after a failed exchange never brought the same bytes
    // twice: one of them may have been a late answer to an earlier request.
    Unconfirmed,
};

struct ReplyInfo {
    ReplyClass cls = ReplyClass::None;
    uint8_t exceptionCode = 0;  // for Exception
    int expected = 0;           // bytes a normal reply has
    int received = 0;
    // True for a Valid reply that is exactly one frame: nothing follows the CRC. Bytes after a
    // good frame are another frame run into it (a late reply meeting a repeat), or noise.
    bool exact() const { return cls == ReplyClass::Valid && received == expected; }
    // The reply was exactly one whole frame of the device asked, a normal or an exception reply:
    // nothing else of it can still be on its way.
    bool whole() const { return exact() || (cls == ReplyClass::Exception && received == 5); }
};

ReplyInfo classifyReply(const QByteArray &request, const QByteArray &reply);

// True once the bytes received so far form a whole reply to the request
// (a normal reply or an exception reply, CRC matching): the wait may end.
bool replyComplete(const QByteArray &request, const QByteArray &reply);

// Chinese name of a Modbus exception code ("非法数据地址" for 02).
QString exceptionName(uint8_t code);

// The status-line text of a classified reply.
QString describeReply(const ReplyInfo &info);

} // namespace modbus
