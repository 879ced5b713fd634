#include "link/hex.h"

namespace {
const char kDigits[] = "0123456789ABCDEF";

// Appends " XY" for every byte of [from, to).
QString blankBeforeEach(const QByteArray &bytes, qsizetype from, qsizetype to)
{
    QString s;
    if (to <= from)
        return s;
    s.reserve((to - from) * 3);
    for (qsizetype i = from; i < to; ++i) {
        const uint8_t b = uint8_t(bytes[i]);
        s.append(QLatin1Char(' '));
        s.append(QLatin1Char(kDigits[b >> 4]));
        s.append(QLatin1Char(kDigits[b & 15]));
    }
    return s;
}
} // namespace

QString FormatHex(uint8_t bb)
{
    const QChar d[2] = {QLatin1Char(kDigits[bb >> 4]), QLatin1Char(kDigits[bb & 15])};
    return QString(d, 2);
}

QString requestHex(const QByteArray &frame)
{
    QString s;
    s.reserve(frame.size() * 3);
    for (char c : frame) {
        s += FormatHex(uint8_t(c));
        s += QLatin1Char(' ');
    }
    return s;
}

QString ShowHex(const QByteArray &inx)
{
    return blankBeforeEach(inx, 0, inx.size());
}

QString ShowModbusDateHex(const QByteArray &inx)
{
    if (inx.size() < 6)
        return QString();
    return blankBeforeEach(inx, 3, inx.size() - 2);
}
