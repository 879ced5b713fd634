#include "core/view/audittrail.h"
#include "core/archive/audit.h"
#include <QCoreApplication>
#include <QSet>
#include <algorithm>

namespace view {

using archive::AuditRow;

QList<AuditRow> auditRows(const QList<AuditRow> &trail, const AuditFilter &filter)
{
    QList<AuditRow> kept;
    for (auto it = trail.crbegin(); it != trail.crend(); ++it) {
        const AuditRow &row = *it;
        if ((filter.from.isValid() && row.at < filter.from) || (filter.until.isValid() && row.at >= filter.until))
            continue;
        if ((!filter.recorder.isEmpty() && row.recorder != filter.recorder) || (!filter.kind.isEmpty() && row.kind != filter.kind))
            continue;
        kept.append(row);
    }
    return kept;
}

namespace {
QStringList distinct(const QList<AuditRow> &trail, QString AuditRow::*field)
{
    QSet<QString> seen;
    for (const AuditRow &row : trail)
        if (!(row.*field).isEmpty())
            seen.insert(row.*field);
    QStringList values(seen.begin(), seen.end());
    std::sort(values.begin(), values.end());
    return values;
}
} // namespace

QStringList auditRecorders(const QList<AuditRow> &trail) { return distinct(trail, &AuditRow::recorder); }
QStringList auditKinds(const QList<AuditRow> &trail) { return distinct(trail, &AuditRow::kind); }

QString auditKindName(const QString &kind)
{
    namespace k = archive::kinds;
    static const std::pair<const char *, const char *> names[] = {
        {k::Created, QT_TRANSLATE_NOOP("view", "存档建立")}, {k::Upgrade, QT_TRANSLATE_NOOP("view", "存档升级")},
        {k::RenameRecords, QT_TRANSLATE_NOOP("view", "记录改名")}, {k::RecorderName, QT_TRANSLATE_NOOP("view", "记录仪名称")},
        {k::ArchiveSettings, QT_TRANSLATE_NOOP("view", "存档设置")}, {k::SensorSettings, QT_TRANSLATE_NOOP("view", "传感器设置")},
        {k::AlarmAck, QT_TRANSLATE_NOOP("view", "报警确认")}, {k::DeviceWrite, QT_TRANSLATE_NOOP("view", "写入记录仪")},
        {k::SettingsLoad, QT_TRANSLATE_NOOP("view", "载入设置文件")}, {k::AlarmSettings, QT_TRANSLATE_NOOP("view", "报警设置")},
        {k::Export, QT_TRANSLATE_NOOP("view", "导出")}, {k::Report, QT_TRANSLATE_NOOP("view", "报告")},
        {k::Backup, QT_TRANSLATE_NOOP("view", "备份")}, {k::BackupRemoved, QT_TRANSLATE_NOOP("view", "删除旧备份")},
        {k::Checkpoint, QT_TRANSLATE_NOOP("view", "检查点")}, {k::SettingsFile, QT_TRANSLATE_NOOP("view", "设置文件")},
    };
    for (const auto &[name, shown] : names)
        if (kind == QLatin1String(name))
            return QCoreApplication::translate("view", shown);
    return kind;
}

QString auditValueText(const QString &kind, const QString &value)
{
    const qsizetype mark = value.indexOf(QLatin1Char('#'));
    const QStringList parts = value.mid(mark + 1).split(QLatin1Char('|'));
    if (kind != QLatin1String(archive::kinds::SensorSettings) || mark < 1 || parts.size() != 4)
        return value;
    static const char *const captions[] = {QT_TRANSLATE_NOOP("view", "名称 %1"), QT_TRANSLATE_NOOP("view", "单位 %1"),
                                           QT_TRANSLATE_NOOP("view", "下限 %1"), QT_TRANSLATE_NOOP("view", "上限 %1")};
    QStringList said;
    for (qsizetype i = 0; i < parts.size(); ++i)
        if (!parts[i].isEmpty())
            said << QCoreApplication::translate("view", captions[i]).arg(parts[i]);
    const QString sensor = value.left(mark + 1);
    return said.isEmpty() ? QCoreApplication::translate("view", "%1 未设置").arg(sensor)
                          : sensor + QLatin1Char(' ') + said.join(QCoreApplication::translate("view", "，"));
}

} // namespace view
