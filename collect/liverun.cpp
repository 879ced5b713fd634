#include "collect/liverun.h"
#include "core/jobs/liveread.h"
#include "core/live/livedecode.h"
#include <QJsonObject>
#include <algorithm>

namespace collect {

int readLive(Link &link, const QList<uint8_t> &addresses, const Options &o, const bool &interrupted, const Io &io,
             QJsonArray &devices)
{
    int code = Complete;
    for (uint8_t a : addresses) {
        QJsonObject device{{"address", a}};
        if (interrupted) {
            device.insert("status", "interrupted");
            devices.append(device);
            code = std::max<int>(code, Missing);
            continue;
        }
        const jobs::LiveReading r = [&] {
            auto hold = link.tryHold(Link::Visibility::Quiet);
            return jobs::readLiveValues(link, *hold, {a, o.function, o.start, o.count});
        }();
        QStringList values;
        for (uint16_t w : r.words)
            values << live::wordText(w);
        const char *status = r.complete() ? "ok" : r.partial() ? "partial" : "unusable";
        device.insert("values", QJsonArray::fromStringList(values));
        device.insert("status", status);
        devices.append(device);
        if (!o.json && !values.isEmpty())
            io.out(QStringLiteral("%1 %2\n").arg(a).arg(values.join(QLatin1Char(' '))));
        if (!r.complete())
            io.err(QStringLiteral("设备 %1：%2%3\n").arg(a).arg(modbus::describeReply(r.exchange.info),
                   r.partial() ? QStringLiteral("；只收到 %1 个值").arg(values.size()) : QString()));
        code = std::max<int>(code, r.complete() ? Complete : r.partial() ? Missing : Unusable);
    }
    return code;
}

} // namespace collect
