#include "core/settings/appdir.h"
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

#ifndef WL_INSTALL_BINDIR
#define WL_INSTALL_BINDIR "/usr/local/bin"
#endif

namespace {

bool under(const QString &dir, const QString &prefix)
{
    return dir == prefix || dir.startsWith(prefix + u'/');
}

} // namespace

bool installedInSystem(const QString &executableDir, const QString &installBinDir)
{
    // Root can write anywhere, so whether the folder is writable cannot tell an installed copy from
    // a portable one; where it lies can.
    const QString dir = QDir::cleanPath(QDir(executableDir).absolutePath());
    for (const char *system : {"/usr", "/bin", "/sbin"})
        if (under(dir, QLatin1String(system)))
            return true;
    return !installBinDir.isEmpty() && dir == QDir::cleanPath(installBinDir);
}

QString resolveAppDir(const QString &given, const QString &executableDir)
{
    if (!given.isEmpty()) {
        QDir().mkpath(given);
        return QDir(given).absolutePath();
    }
    if (!installedInSystem(executableDir, QStringLiteral(WL_INSTALL_BINDIR))) {
        // Writable for real (a read-only mount can report permissions it does not grant).
        QTemporaryFile probe(executableDir + QStringLiteral("/.wl8806n-XXXXXX"));
        if (QFileInfo(executableDir).isDir() && probe.open())
            return QDir(executableDir).absolutePath();
    }
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(data);
    return data;
}
