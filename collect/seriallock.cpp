#include "collect/seriallock.h"
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace collect {

QString serialLockPath(const QString &device)
{
    QString name = device.startsWith(QLatin1String("/dev/")) ? device.mid(5) : device;
    name = QStringLiteral("/LCK..") + name.replace(QLatin1Char('/'), QLatin1Char('_'));
    for (const char *folder : {"/var/lock", "/etc/locks", "/var/spool/locks", "/var/spool/uucp", "/tmp", "/var/tmp",
                               "/var/lock/lockdev", "/run/lock"}) {
        const QFileInfo info(QString::fromLatin1(folder));
        const QString path = info.filePath() + name;
        if (info.isReadable() && (QFile::exists(path) || info.isWritable()))
            return path;
    }
    return QString();
}

StaleLock clearStaleLock(const QString &device)
{
    const QString path = serialLockPath(device);
    const QByteArray native = QFile::encodeName(path);
    const int fd = path.isEmpty() ? -1 : ::open(native.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return {};
    // A Qt holder keeps an flock on its lock while it lives: such a lock is in use, whatever it says.
    char text[64] = {};
    const bool unused = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    const ssize_t n = unused ? ::read(fd, text, sizeof text - 1) : -1;
    // The process id is the first line (Qt, lockdev: "%10d"); the oldest form is four binary bytes.
    qint64 pid = QByteArray(text, int(std::max<ssize_t>(n, 0))).split('\n').value(0).trimmed().toLongLong();
    if (n == int(sizeof(int)) && pid == 0)
        std::memcpy(&pid, text, sizeof(int));
    struct stat held {}, named {};
    const bool ended = unused && pid > 0 && ::kill(pid_t(pid), 0) != 0 && errno == ESRCH;
    // Still the file read: a new holder may have replaced it since.
    const bool same = ::fstat(fd, &held) == 0 && ::stat(native.constData(), &named) == 0 && held.st_ino == named.st_ino
                      && held.st_dev == named.st_dev;
    StaleLock result;
    if (!ended || !same) {
        if (pid > 0 && !ended)
            result.blocking = QStringLiteral("串口锁文件 %1 属于仍在运行的进程 %2").arg(path).arg(pid);
    } else if (::unlink(native.constData()) == 0) {
        result.removed = QStringLiteral("已删除已结束的进程 %1 留下的串口锁文件 %2").arg(pid).arg(path);
    } else {
        result.blocking = QStringLiteral("串口锁文件 %1 是已结束的进程 %2 留下的，但不能删除（%3），请删除它")
                              .arg(path).arg(pid).arg(QString::fromLocal8Bit(std::strerror(errno)));
    }
    ::close(fd);
    return result;
}

} // namespace collect
