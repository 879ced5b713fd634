// Reply classification. First byte: 0 a read-input request, 1 a read-holding request, built from the
// next four bytes (address, start, quantity); otherwise the next eight bytes are the request as they
// are. The rest is the reply.
#include "fuzzcheck.h"
#include "core/link/crc16.h"
#include "core/link/frames.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray in = fuzzBytes(data, size);
    if (in.size() < 9)
        return 0;
    const int mode = uint8_t(in[0]) % 3;
    const uint16_t start = uint16_t(uint8_t(in[2]) << 8 | uint8_t(in[3]));
    const QByteArray request = mode == 0 ? modbus::readInput(uint8_t(in[1]), start, uint8_t(in[4]))
        : mode == 1                      ? modbus::readHolding(uint8_t(in[1]), start, uint8_t(in[4]))
                                         : in.mid(1, 8);
    const QByteArray reply = in.mid(mode < 2 ? 5 : 9);

    const modbus::ReplyInfo info = modbus::classifyReply(request, reply);
    FUZZ_CHECK(info.received == reply.size());
    FUZZ_CHECK(!modbus::describeReply(info).isEmpty());
    // A complete reply ends the wait; only a byte count that disagrees with the quantity can make
    // it Short, and waiting longer would not change that.
    if (modbus::replyComplete(request, reply)) {
        FUZZ_CHECK(info.cls != modbus::ReplyClass::None && info.cls != modbus::ReplyClass::CrcMismatch);
        FUZZ_CHECK(info.cls != modbus::ReplyClass::Short || uint8_t(reply[2]) != info.expected - 5);
    }
    if (info.cls == modbus::ReplyClass::Valid) {
        const int need = info.expected > 0 ? info.expected : int(reply.size());
        FUZZ_CHECK(crcMatches(reply.left(need)) && reply.left(2) == request.left(2));
    }
    return 0;
}
