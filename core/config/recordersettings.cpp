#include "core/config/recordersettings.h"
#include "core/config/pollingtable.h"
#include "core/link/frames.h"
#include "core/records/recorddecode.h"
#include <QCoreApplication>

namespace recorder {

QString writeProblem(const Exchange &ex)
{
    if (ex.aborted)
        return QCoreApplication::translate("recorder", "命令已停止");
    if (!ex.sent)
        return QCoreApplication::translate("recorder", "端口未打开，未发送");
    if (!ex.valid())
        return modbus::describeReply(ex.info);
    const bool multiple = ex.request.size() > 1 && uint8_t(ex.request[1]) == modbus::WriteMultipleRegisters;
    const qsizetype compared = multiple ? 6 : ex.request.size();
    if (ex.reply.left(compared) != ex.request.left(compared))
        return QCoreApplication::translate("recorder", "应答与请求不一致");
    return QString();
}

std::optional<int> readInterval(Link &link, const Link::Hold &hold, uint8_t address, int attempts)
{
    std::optional<int> seconds;
    link.exchanges(hold, kinds::IntervalRead, modbus::readHolding(address, IntervalRegister, 1), attempts, [&](const Exchange &ex) {
        if (ex.info.exact())
            if (const auto w = polling::replyWord(ex.reply, 0))
                seconds = *w;
        return seconds.has_value();
    });
    return seconds;
}

std::optional<int> readSensorCount(Link &link, const Link::Hold &hold, uint8_t address, int attempts)
{
    std::optional<int> count;
    link.exchanges(hold, kinds::SensorCountRead, modbus::readHolding(address, SensorCountRegister, 1), attempts, [&](const Exchange &ex) {
        if (ex.info.exact())
            if (const auto w = polling::replyWord(ex.reply, 0); w && *w >= 1 && *w <= records::MaxSensors)
                count = *w;
        // A whole answer that is no record layout is the recorder's word: asking again changes nothing.
        return count.has_value() || ex.info.exact();
    });
    return count;
}

QString sensorCountMismatch(int recorders, int asked)
{
    return QCoreApplication::translate("recorder", "记录仪的传感器总数是 %1，不是 %2").arg(recorders).arg(asked);
}

} // namespace recorder
