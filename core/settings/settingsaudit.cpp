#include "core/settings/settingsaudit.h"
#include "core/archive/audit.h"
#include "core/files/safefile.h"
#include "core/settings/recorders.h"
#include "core/settings/sensortable.h"
#include <QCoreApplication>
#include <QRegularExpression>

namespace settings {

namespace {
// The largest of the files: sensors.set's limit.
constexpr qint64 MaxAuditedBytes = sensors::MaxFileBytes;

// A password typed where it does not belong (notify.set refuses it) is not copied into the trail, which
// keeps what it holds for good: the value of a password= line, the password of a URL's user part.
QString withoutPasswords(QString text)
{
    static const QRegularExpression line(QStringLiteral("^(\\s*password\\s*=)[^\\r\\n]*"),
                                         QRegularExpression::CaseInsensitiveOption | QRegularExpression::MultilineOption);
    static const QRegularExpression url(QStringLiteral("(://[^/@\\s:]*:)[^/@\\s]*@"));
    return text.replace(line, QStringLiteral("\\1***")).replace(url, QStringLiteral("\\1***@"));
}

// A file's content as an entry's new value holds it: after the first line; nothing when the file was gone.
std::optional<QString> contentOf(const QString &newValue)
{
    const qsizetype end = newValue.indexOf(QLatin1Char('\n'));
    return end < 0 ? std::nullopt : std::optional<QString>(newValue.mid(end + 1));
}
} // namespace

const QStringList &auditedSettingsFiles()
{
    // The watcher's three files are named by core/watch, which builds on this folder.
    static const QStringList files{sensors::SensorTable::fileName(), RecorderNames::fileName(), QStringLiteral("alarms.set"),
                                   QStringLiteral("notify.set"), QStringLiteral("watch.set")};
    return files;
}

std::optional<bool> auditSettingsFile(archive::Audit &audit, const QString &appDir, const QString &fileName, Writer writer,
                                      QString *error)
{
    QByteArray bytes;
    QString reason;
    std::optional<QString> now;
    switch (safefile::readBounded(appDir + QLatin1Char('/') + fileName, MaxAuditedBytes, &bytes, &reason)) {
    case safefile::Read::Ok: now = withoutPasswords(QString::fromUtf8(bytes)); break;
    case safefile::Read::Missing: break;
    case safefile::Read::Refused:
        *error = QCoreApplication::translate("settings", "设置文件 %1 %2，未记入审计记录").arg(fileName, reason);
        return std::nullopt;
    }
    std::optional<archive::AuditRow> last;
    QString why;
    if (!audit.latest(QLatin1String(archive::kinds::SettingsFile), fileName, &last, &why)) {
        *error = QCoreApplication::translate("settings", "审计记录未能写入存档：%1").arg(why);
        return std::nullopt;
    }
    const std::optional<QString> before = last ? contentOf(last->newValue) : std::nullopt;
    if (before == now)
        return false;
    const QString how = writer == Writer::Program ? QCoreApplication::translate("settings", "由本程序写入")
                        : !now                    ? QCoreApplication::translate("settings", "在程序之外被删除")
                        : !last                   ? QCoreApplication::translate("settings", "首次记录，不是修改")
                                                  : QCoreApplication::translate("settings", "在程序之外被修改");
    QString after = QCoreApplication::translate("settings", "%1（%2）").arg(fileName, how);
    if (now)
        after += QLatin1Char('\n') + *now;
    if (!audit.append({{}, QLatin1String(archive::kinds::SettingsFile), before.value_or(QString()), after}, &why)) {
        *error = QCoreApplication::translate("settings", "审计记录未能写入存档：%1").arg(why);
        return std::nullopt;
    }
    return true;
}

QStringList auditSettingsFiles(archive::Audit &audit, const QString &appDir)
{
    QStringList problems;
    for (const QString &name : auditedSettingsFiles()) {
        QString error;
        if (!auditSettingsFile(audit, appDir, name, Writer::Outside, &error).has_value() && !problems.contains(error))
            problems << error;
    }
    return problems;
}

} // namespace settings
