#include "core/link/hex.h"

namespace {
const char kDigits[] = "0123456789ABCDEF";
} // namespace

QString byteHex(uint8_t byte)
{
    const QChar d[2] = {QLatin1Char(kDigits[byte >> 4]), QLatin1Char(kDigits[byte & 15])};
    return QString(d, 2);
}

QString requestHex(const QByteArray &frame)
{
    QString s;
    s.reserve(frame.size() * 3);
    for (char c : frame) {
        s += byteHex(uint8_t(c));
        s += QLatin1Char(' ');
    }
    return s;
}

QString hexText(const QByteArray &bytes)
{
    QString s;
    s.reserve(bytes.size() * 3);
    for (char c : bytes) {
        const uint8_t b = uint8_t(c);
        s.append(QLatin1Char(' '));
        s.append(QLatin1Char(kDigits[b >> 4]));
        s.append(QLatin1Char(kDigits[b & 15]));
    }
    return s;
}
