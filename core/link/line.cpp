#include "core/link/line.h"
#include "core/link/modbustcpline.h"
#include "core/link/serialline.h"
#include "core/link/tcpline.h"
#include <QCoreApplication>
#include <QUrl>
#include <algorithm>

qint64 Line::gapNs() const
{
    // 3.5 characters of 10 bits, never less than 1.75 ms.
    return std::max<qint64>(1'750'000, 35'000'000'000LL / std::max(baudRate(), 1));
}

qint32 Line::wireUs(qsizetype bytes) const
{
    return qint32(bytes * 10'000'000LL / std::max(baudRate(), 1));
}

namespace line {

namespace {
// The URL schemes a user may name a line with; anything else is a serial device path.
struct Named {
    const char *scheme;
    Scheme kind;
};
constexpr Named Schemes[] = {{"rtu-over-tcp", Scheme::RtuOverTcp}, {"tcp", Scheme::ModbusTcp}};
} // namespace

Scheme schemeOf(const QString &target)
{
    const qsizetype sep = target.indexOf(QLatin1String("://"));
    if (sep <= 0)
        return Scheme::Serial;
    const QString scheme = target.left(sep).toLower();
    for (const Named &n : Schemes)
        if (scheme == QLatin1String(n.scheme))
            return n.kind;
    return Scheme::Unknown;
}

bool isNetwork(const QString &target)
{
    const Scheme kind = schemeOf(target);
    return kind == Scheme::RtuOverTcp || kind == Scheme::ModbusTcp;
}

std::unique_ptr<Line> make(const QString &target, int baud, QString *error)
{
    const Scheme kind = schemeOf(target);
    if (kind == Scheme::Serial)
        return std::make_unique<SerialLine>(target, baud);
    const QUrl url(target, QUrl::StrictMode);
    const int port = url.port();
    if (kind == Scheme::Unknown || !url.isValid() || url.host().isEmpty() || port < 1 || !url.path().isEmpty()
        || url.hasQuery() || url.hasFragment() || !url.userInfo().isEmpty()) {
        if (error)
            *error = QCoreApplication::translate("Line", "“%1”不是可用的线路：请写成 rtu-over-tcp://主机:端口 或 tcp://主机:端口，"
                                                         "或串口设备的路径").arg(target);
        return nullptr;
    }
    if (kind == Scheme::RtuOverTcp)
        return std::make_unique<RtuOverTcpLine>(target, url.host(), quint16(port), baud);
    return std::make_unique<ModbusTcpLine>(target, url.host(), quint16(port), baud);
}

} // namespace line
