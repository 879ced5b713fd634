#include "core/records/recorddecode.h"
#include <QCoreApplication>
#include <QStringList>
#include <algorithm>
#include <cmath>

namespace records {

std::optional<uint16_t> recordStart(long long k, int sensors)
{
    if (k < 1 || sensors < 1 || sensors > MaxSensors || k > lastAddressableRecord(sensors))
        return std::nullopt;
    return uint16_t((k - 1) * registersPerRecord(sensors));
}

int lastAddressableRecord(int sensors)
{
    if (sensors < 1 || sensors > MaxSensors)
        return 0;
    // Record k ends at register k × (N + 3) − 1, which must not pass 65535.
    return 65536 / registersPerRecord(sensors);
}

bool isRecordData(const QByteArray &data, int sensors)
{
    if (sensors < 1 || data.size() != 2 * qsizetype(sensors) + 6 || uint8_t(data[0]) != 0x5B)
        return false;
    int f[5];
    for (int i = 0; i < 5; ++i) {
        const uint8_t b = uint8_t(data[i + 1]);
        if ((b >> 4) > 9 || (b & 0x0F) > 9)
            return false;
        f[i] = (b >> 4) * 10 + (b & 0x0F);
    }
    return f[1] >= 1 && f[1] <= 12 && f[2] >= 1 && f[2] <= 31 && f[3] <= 23 && f[4] <= 59;
}

bool recordTimeBefore(const QByteArray &a, const QByteArray &b)
{
    return a.mid(1, 5) < b.mid(1, 5);
}

QString numberRanges(QList<int> numbers)
{
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    QStringList parts;
    for (qsizetype i = 0; i < numbers.size();) {
        qsizetype j = i;
        while (j + 1 < numbers.size() && numbers[j + 1] == numbers[j] + 1)
            ++j;
        if (j - i >= 2) {
            parts << QStringLiteral("%1-%2").arg(numbers[i]).arg(numbers[j]);
        } else {
            for (qsizetype k = i; k <= j; ++k)
                parts << QString::number(numbers[k]);
        }
        i = j + 1;
    }
    return parts.join(QCoreApplication::translate("records", "、"));
}

QString timeLeftText(qint64 elapsedMs, int done, int total)
{
    if (done <= 0 || total <= done)
        return done >= total && total > 0 ? QCoreApplication::translate("records", "剩余约 0 秒") : QCoreApplication::translate("records", "剩余时间估算中");
    const double leftMs = double(elapsedMs) * (total - done) / done;
    const qint64 s = qint64(std::ceil(leftMs / 1000.0));
    if (s < 60)
        return QCoreApplication::translate("records", "剩余约 %1 秒").arg(s);
    if (s < 3600)
        return QCoreApplication::translate("records", "剩余约 %1 分 %2 秒").arg(s / 60).arg(s % 60, 2, 10, QLatin1Char('0'));
    return QCoreApplication::translate("records", "剩余约 %1 小时 %2 分").arg(s / 3600).arg(s / 60 % 60, 2, 10, QLatin1Char('0'));
}

} // namespace records

namespace {

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9') return u - '0';
    if (u >= 'A' && u <= 'F') return u - 'A' + 10;
    if (u >= 'a' && u <= 'f') return u - 'a' + 10;
    return -1;
}

// A token is one byte: its leading hexadecimal digits (at most two) give the value; a token
// without any gives 0.
int byteOf(const QString &token)
{
    int v = 0;
    for (qsizetype i = 0; i < std::min<qsizetype>(token.size(), 2); ++i) {
        const int d = hexDigit(token[i]);
        if (d < 0)
            break;
        v = v * 16 + d;
    }
    return v;
}

// "00.00": at least two integer digits and exactly two decimals of hundredths.
QString hundredths(int v)
{
    return QStringLiteral("%1.%2").arg(v / 100, 2, 10, QLatin1Char('0')).arg(v % 100, 2, 10, QLatin1Char('0'));
}

using records::NoValue8888;
using records::NoValue9999;

} // namespace

QString DoneData(const QString &RecData, int sensors)
{
    if (RecData.isEmpty() || sensors < 0)
        return QString();
    // The record text begins with a blank, so t[0] is empty and t[k] is data byte k − 1.
    const QStringList t = RecData.split(QLatin1Char(' '));
    const qsizetype u = t.size() - 1;  // data tokens
    if (u < 2 * qsizetype(sensors) + 6)
        return QString();

    QString line = t[2] + QLatin1Char('-') + t[3] + QLatin1Char('-') + t[4] + QLatin1Char(' ') + t[5]
        + QLatin1Char(':') + t[6] + QStringLiteral("  ");
    const auto value = [&](qsizetype i) { return 256 * byteOf(t[i]) + byteOf(t[i + 1]); };
    for (int j = 0; j < sensors; ++j) {
        int v = value(7 + 2 * j);
        if (v == NoValue9999 || v == NoValue8888)
            v = 0;
        line += hundredths(v) + QLatin1Char(' ');
    }
    // Eight further words follow the sensors in some memories; shown only when all are there.
    if (u >= 2 * qsizetype(sensors) + 22) {
        for (int j = 0; j < 8; ++j) {
            int v = value(2 * sensors + 7 + 2 * j);
            if (v == NoValue9999)
                v = 0;
            line += hundredths(v) + QLatin1Char(' ');
        }
    }
    return line + QStringLiteral("\r\n");
}
