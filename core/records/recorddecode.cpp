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
