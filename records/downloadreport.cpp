#include "records/downloadreport.h"
#include "records/recorddecode.h"

namespace records {

QList<int> missingRecords(const DownloadOutcome &d)
{
    QList<int> out = d.unread;
    if (d.notTriedFrom > 0 && d.end != DownloadOutcome::End::Stopped && d.end != DownloadOutcome::End::Closing)
        for (int k = d.notTriedFrom; k <= d.total; ++k)
            out.append(k);
    return out;
}

namespace {
QString missingText(const DownloadOutcome &d)
{
    const QList<int> missing = missingRecords(d);
    if (missing.isEmpty())
        return QString();
    return QStringLiteral("有 %1 条记录未能读取：第 %2 条。").arg(missing.size()).arg(numberRanges(missing));
}
} // namespace

QString downloadMessage(const DownloadOutcome &d)
{
    using End = DownloadOutcome::End;
    const QString missing = missingText(d);
    switch (d.end) {
    case End::Complete:
        if (missing.isEmpty())
            return QString();
        return QStringLiteral("共 %1 条记录，已读取 %2 条。%3每条记录已重试两次，仍无有效应答。")
            .arg(d.total).arg(d.read).arg(missing);
    case End::Stopped:
        if (missing.isEmpty())
            return QString();
        return QStringLiteral("读取已停止，已读取 %1 条。%2").arg(d.read).arg(missing);
    case End::PortLost:
        return QStringLiteral("读取记录时串口已断开，读取已中止。已读取的 %1 条记录保留在接收区。%2")
            .arg(d.read).arg(missing);
    case End::DeviceSilent:
        return QStringLiteral("设备连续 %1 条记录没有有效应答，读取已中止。已读取 %2 条。%3")
            .arg(SilentRecordsLimit).arg(d.read).arg(missing);
    case End::Closing:
        return QString();
    }
    return QString();
}

QString downloadStatus(const DownloadOutcome &d)
{
    using End = DownloadOutcome::End;
    const int missing = int(missingRecords(d).size());
    switch (d.end) {
    case End::Complete:
        return missing == 0 ? QStringLiteral("读取所有记录：已读取全部 %1 条记录").arg(d.total)
                            : QStringLiteral("读取所有记录：已读取 %1 条，%2 条未能读取").arg(d.read).arg(missing);
    case End::Stopped:
        return QStringLiteral("读取所有记录：已停止，已读取 %1 条").arg(d.read);
    case End::PortLost:
        return QStringLiteral("读取所有记录：串口已断开，已读取 %1 条").arg(d.read);
    case End::DeviceSilent:
        return QStringLiteral("读取所有记录：设备无应答，已读取 %1 条").arg(d.read);
    case End::Closing:
        return QStringLiteral("读取所有记录：窗口关闭，读取已中止");
    }
    return QString();
}

} // namespace records
