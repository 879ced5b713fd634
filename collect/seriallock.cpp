#include "collect/seriallock.h"
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <cerrno>
#include <csignal>
#include <cstring>

namespace collect {

// QSerialPort does not say where its lock goes; this is the rule it follows.
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
    if (path.isEmpty() || !QFileInfo::exists(path))
        return {};
    QLockFile lock(path);
    // The process id is the lock's first line, in Qt's form and in lockdev's ("%10d") alike.
    qint64 pid = 0;
    QString host, app;
    if (!lock.getLockInfo(&pid, &host, &app) || pid <= 0)
        return {};
    StaleLock result;
    if (::kill(pid_t(pid), 0) == 0 || errno != ESRCH) {
        // Never taken over while its process lives, whatever its age or form: another program may
        // hold the port without a lock Qt would know.
        result.blocking = QStringLiteral("串口锁文件 %1 属于仍在运行的进程 %2").arg(path).arg(pid);
        return result;
    }
    // Qt takes over the lock of an ended process it wrote on this host; a lock of an ended process
    // under another host name (the machine renamed since) or in another tool's form is removed here,
    // though never while a Qt holder keeps its file lock on it.
    lock.setStaleLockTime(0);
    bool removed = lock.tryLock(0);
    if (removed)
        lock.unlock();
    else
        removed = lock.error() == QLockFile::LockFailedError && lock.removeStaleLockFile();
    const int why = errno;
    if (removed)
        result.removed = QStringLiteral("已删除已结束的进程 %1 留下的串口锁文件 %2").arg(pid).arg(path);
    else if (QFileInfo::exists(path))
        result.blocking = QStringLiteral("串口锁文件 %1 是已结束的进程 %2 留下的，但不能删除（%3），请删除它")
                              .arg(path).arg(pid).arg(QString::fromLocal8Bit(std::strerror(why)));
    return result;
}

} // namespace collect
