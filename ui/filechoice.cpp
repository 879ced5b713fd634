#include "ui/filechoice.h"
#include "ui/desktop.h"
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

bool makeFolderPath(const QString &path)
{
    return QDir().mkpath(path);
}

QString askSaveName(Desktop &desktop, const QString &title, const QString &folder, const QString &suffix,
                    const QString &name)
{
    makeFolderPath(folder);
    const QString start = name.isEmpty() ? folder : QStringLiteral("%1/%2.%3").arg(folder, name, suffix);
    QString path = desktop.saveFileName(title, start, QStringLiteral("%1 (*.%1)").arg(suffix));
    if (path.isEmpty())
        return QString();
    if (!path.endsWith(QLatin1Char('.') + suffix, Qt::CaseInsensitive)) {
        path += QLatin1Char('.') + suffix;
        if (QFileInfo::exists(path)
            && !desktop.confirm(QCoreApplication::translate("FileChoice", "系统提示"),
                                QCoreApplication::translate("FileChoice", "%1 已存在。\n要替换它吗？").arg(QDir::toNativeSeparators(path))))
            return QString();
    }
    return path;
}
