#include "core/settings/appdir.h"
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

QString resolveAppDir(const QString &given, const QString &executableDir)
{
    if (!given.isEmpty()) {
        QDir().mkpath(given);
        return QDir(given).absolutePath();
    }
    // Writable for real (a read-only mount can report permissions it does not grant).
    QTemporaryFile probe(executableDir + QStringLiteral("/.wl8806n-XXXXXX"));
    if (QFileInfo(executableDir).isDir() && probe.open())
        return QDir(executableDir).absolutePath();
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(data);
    return data;
}
