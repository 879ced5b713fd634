#include "core/link/serialdevice.h"
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <optional>
#ifdef __linux__
#include <linux/serial.h>
#include <sys/ioctl.h>
#endif

namespace serialdevice {
namespace {
// A sysfs attribute holding one small number; nothing when it is missing, not a file or not a number.
std::optional<int> readNumber(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    bool ok = false;
    const int n = f.read(16).trimmed().toInt(&ok);
    return ok && n >= 0 ? std::optional<int>(n) : std::nullopt;
}
} // namespace

QString ttyName(const QString &device)
{
    const QString target = QFileInfo(device).canonicalFilePath();
    return QFileInfo(target.isEmpty() ? device : target).fileName();
}

bool present(const QString &device, const QString &sysRoot)
{
    if (!QFileInfo::exists(device))  // follows symlinks: a by-id link of an unplugged adapter is gone too
        return false;
    return readNumber(sysRoot + QStringLiteral("/class/tty/") + ttyName(device) + QStringLiteral("/type")) != 0;
}

bool requestLowLatency(int fd)
{
#ifdef __linux__
    serial_struct info{};
    if (::ioctl(fd, TIOCGSERIAL, &info) != 0)
        return false;
    if (info.flags & ASYNC_LOW_LATENCY)
        return true;
    info.flags |= ASYNC_LOW_LATENCY;
    return ::ioctl(fd, TIOCSSERIAL, &info) == 0;
#else
    (void)fd;
    return false;
#endif
}

QString latencyAdvice(const QString &device, const QString &sysRoot)
{
    // FTDI's driver shows 1 here once the low-latency flag took; other USB chips have no timer.
    const QString path = sysRoot + QStringLiteral("/bus/usb-serial/devices/") + ttyName(device)
                         + QStringLiteral("/latency_timer");
    const auto ms = readNumber(path);
    if (!ms || *ms <= kMaxGoodLatencyMs)
        return QString();
    return QCoreApplication::translate("serialdevice", "USB 适配器延迟计时器为 %1 ms，会拖慢读取；可执行 echo 1 | sudo tee %2").arg(*ms).arg(path);
}

} // namespace serialdevice
