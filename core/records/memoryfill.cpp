#include "core/records/memoryfill.h"
#include "core/records/recorddecode.h"
#include <QCoreApplication>

namespace records {

std::optional<MemoryFill> memoryFill(long long count, int sensors)
{
    const int capacity = lastAddressableRecord(sensors);
    if (capacity <= 0 || count < 0 || count > 65535)
        return std::nullopt;
    return MemoryFill{int(count), capacity};
}

QString fillText(const MemoryFill &fill)
{
    return QCoreApplication::translate("records", "已用 %1/%2 条（%3%）").arg(fill.count).arg(fill.capacity).arg(fill.percent());
}

QString fillWarning(const MemoryFill &fill)
{
    if (fill.overCapacity())
        return QCoreApplication::translate("records", "记录条数 %1 超过了存储容量 %2 条，请核对传感器总数，并尽快读取记录后清条数")
            .arg(fill.count).arg(fill.capacity);
    if (!fill.nearlyFull())
        return QString();
    return QCoreApplication::translate("records", "存储已用 %1%（%2/%3 条），请尽快读取记录并清条数")
        .arg(fill.percent()).arg(fill.count).arg(fill.capacity);
}

} // namespace records
