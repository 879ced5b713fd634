#include "core/live/livedecode.h"
#include "core/link/convert.h"
#include "core/link/crc16.h"
#include "core/link/frames.h"
#include <cstdlib>

namespace live {

int wordTenths(uint16_t word)
{
    return convert::registerValue(word);
}

QString wordText(uint16_t word)
{
    return convert::tenthsText(wordTenths(word));
}

std::optional<int> wordReading(uint16_t word)
{
    if (word == 0xFFFF)
        return std::nullopt;
    return wordTenths(word);
}

namespace {
uint16_t wordAt(const QByteArray &frame, int i)
{
    return uint16_t((uint8_t(frame[i]) << 8) | uint8_t(frame[i + 1]));
}
} // namespace

ReplyWords replyWords(const QByteArray &request, const QByteArray &reply)
{
    ReplyWords out;
    if (request.size() < 6)
        return out;
    out.asked = (uint8_t(request[4]) << 8) | uint8_t(request[5]);

    int dataBytes = 0;
    if (modbus::classifyReply(request, reply).cls == modbus::ReplyClass::Valid) {
        dataBytes = 2 * out.asked;
    } else {
        // A shorter frame of its own: the device answered with what it has.
        if (reply.size() < 6 || !crcMatches(reply) || reply[0] != request[0] || reply[1] != request[1])
            return out;
        dataBytes = uint8_t(reply[2]);
        if (dataBytes != reply.size() - 5 || dataBytes > 2 * out.asked)
            return out;
    }
    out.decodable = true;
    for (int k = 0; 2 * k + 1 < dataBytes; ++k)
        out.words.append(wordAt(reply, 3 + 2 * k));
    return out;
}

} // namespace live
