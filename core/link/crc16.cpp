#include "core/link/crc16.h"

Crc Crc16(const QByteArray &bytes, int lastIndex)
{
    uint16_t crc = 0xFFFF;
    const int last = std::min<int>(lastIndex, int(bytes.size()) - 1);
    for (int i = 0; i <= last; ++i) {
        crc ^= uint8_t(bytes[i]);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? uint16_t((crc >> 1) ^ 0xA001) : uint16_t(crc >> 1);
    }
    return Crc{uint8_t(crc & 0xFF), uint8_t(crc >> 8)};
}

void appendCrc(QByteArray &frame)
{
    const Crc c = Crc16(frame, int(frame.size()) - 1);
    frame.append(char(c.low));
    frame.append(char(c.high));
}

bool crcMatches(const QByteArray &frame)
{
    const int n = int(frame.size());
    if (n < 3)
        return false;
    const Crc c = Crc16(frame, n - 3);
    return uint8_t(frame[n - 2]) == c.low && uint8_t(frame[n - 1]) == c.high;
}
