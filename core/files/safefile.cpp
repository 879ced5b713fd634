#include "core/files/safefile.h"
#include <QCoreApplication>
#include <QFile>
#include <QRandomGenerator>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace safefile {

namespace {
QString systemError(int err)
{
    return QString::fromLocal8Bit(std::strerror(err));
}

QString kindOf(mode_t mode)
{
    if (S_ISDIR(mode))
        return QCoreApplication::translate("safefile", "是一个文件夹");
    if (S_ISFIFO(mode))
        return QCoreApplication::translate("safefile", "是一个管道，不是普通文件");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QCoreApplication::translate("safefile", "是一个设备，不是普通文件");
    return QCoreApplication::translate("safefile", "不是普通文件");
}

// Creates target + ".part-XXXXXX" beside it, with the permissions an ordinary new file gets (or those
// of the file it will replace). Returns the descriptor, or -1 with errno set.
int createTemporary(const QByteArray &target, QByteArray *temporary)
{
    struct stat existing;
    const bool replaces = ::stat(target.constData(), &existing) == 0 && S_ISREG(existing.st_mode);
    for (int attempt = 0; attempt < 100; ++attempt) {
        *temporary = target + ".part-"
            + QByteArray::number(QRandomGenerator::global()->generate64() & 0xFFFFFFFFFFFFull, 36);
        const int fd = ::open(temporary->constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            if (replaces)
                ::fchmod(fd, existing.st_mode & 07777);
            return fd;
        }
        if (errno != EEXIST)
            return -1;
    }
    return -1;
}
} // namespace

bool writeWhole(const QString &path, const QByteArray &content, QString *error)
{
    // Our own temporary file and rename rather than QSaveFile: its commit() (Qt 6.4) reports success
    // after a write that ran out of space, and it refuses a target taken by a folder before writing,
    // with a reason of its own. A link is followed, as QSaveFile did: its target is what is replaced.
    const QFileInfo info(path);
    const QString target = info.isSymLink() && info.exists() ? info.canonicalFilePath() : path;
    QString why;
    const bool ok = writeThrough(target, [&content](int fd, const QByteArray &, QString *reason) {
        // A short write is followed by another: the second one fails with the reason (a full disk,
        // a file-size limit) that the short one leaves unsaid.
        bool written = true;
        for (qsizetype done = 0; written && done < content.size();) {
            const ssize_t n = ::write(fd, content.constData() + done, size_t(content.size() - done));
            if (n < 0 && errno == EINTR)
                continue;
            written = n > 0;
            if (!written)
                *reason = writeReason(n < 0 ? errno : ENOSPC);
            done += std::max<ssize_t>(n, 0);
        }
        if (::close(fd) != 0 && written) {
            *reason = writeReason(errno);
            written = false;
        }
        return written;
    }, &why);
    if (!ok && error)
        *error = why;
    return ok;
}

bool writeThrough(const QString &path, const Writer &write, QString *why)
{
    const QByteArray target = QFile::encodeName(path);
    QByteArray temporary;
    const int fd = createTemporary(target, &temporary);
    if (fd < 0) {
        *why = writeReason(errno);
        return false;
    }
    bool ok = write(fd, temporary, why);
    if (ok) {
        // On the disk before it replaces the earlier file.
        const int written = ::open(temporary.constData(), O_RDONLY | O_CLOEXEC);
        if (written < 0 || ::fsync(written) != 0) {
            *why = writeReason(errno);
            ok = false;
        }
        if (written >= 0)
            ::close(written);
    }
    if (ok && ::rename(temporary.constData(), target.constData()) != 0) {
        *why = writeReason(errno);
        ok = false;
    }
    if (!ok)
        ::unlink(temporary.constData());
    return ok;
}

QString writeReason(int err)
{
    switch (err) {
    case ENOENT:
        return QCoreApplication::translate("safefile", "所在的文件夹不存在");
    case EACCES:
    case EPERM:
        return QCoreApplication::translate("safefile", "没有写入权限");
    case ENOSPC:
    case EDQUOT:
        return QCoreApplication::translate("safefile", "磁盘空间不足");
    case EROFS:
        return QCoreApplication::translate("safefile", "磁盘是只读的");
    case EISDIR:
        return QCoreApplication::translate("safefile", "同名的是一个文件夹");
    case ENOTDIR:
        return QCoreApplication::translate("safefile", "路径中有一段不是文件夹");
    default:
        return systemError(err);
    }
}

Read readBounded(const QString &path, qint64 cap, QByteArray *bytes, QString *reason)
{
    bytes->clear();
    const QByteArray native = QFile::encodeName(path);
    struct stat st;
    if (::stat(native.constData(), &st) != 0) {
        if (errno == ENOENT)
            return Read::Missing;
        *reason = systemError(errno);
        return Read::Refused;
    }
    const QString tooLong = QCoreApplication::translate("safefile", "大于 %1 字节").arg(cap);
    if (!S_ISREG(st.st_mode)) {
        *reason = kindOf(st.st_mode);
        return Read::Refused;
    }
    if (st.st_size > cap) {
        *reason = tooLong;
        return Read::Refused;
    }
    // Non-blocking, and checked again once open: the name may have been swapped for a pipe meanwhile.
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        *reason = systemError(errno);
        return Read::Refused;
    }
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        *reason = S_ISREG(st.st_mode) ? systemError(errno) : kindOf(st.st_mode);
        ::close(fd);
        return Read::Refused;
    }
    // One byte more than allowed tells a file that grew since the stat from one that fits.
    bytes->resize(cap + 1);
    qint64 got = 0;
    while (got <= cap) {
        const ssize_t n = ::read(fd, bytes->data() + got, size_t(cap + 1 - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            *reason = systemError(errno);
            ::close(fd);
            bytes->clear();
            return Read::Refused;
        }
        if (n == 0)
            break;
        got += n;
    }
    ::close(fd);
    bytes->resize(got);
    if (got > cap) {
        bytes->clear();
        *reason = tooLong;
        return Read::Refused;
    }
    return Read::Ok;
}

void load(const QString &path, qint64 cap, const std::function<void(const QByteArray &)> &use,
          const std::function<void(const QString &)> &refused)
{
    QByteArray content;
    QString reason;
    switch (readBounded(path, cap, &content, &reason)) {
    case Read::Ok: use(content); break;
    case Read::Missing: break;
    case Read::Refused: refused(reason); break;
    }
}

QString shown(const QString &text, int max)
{
    QString s = text.left(max);
    for (QChar &c : s)
        if (!c.isPrint())
            c = QLatin1Char('?');
    return text.size() > max ? s + QStringLiteral("…") : s;
}
} // namespace safefile
