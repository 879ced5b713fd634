#include "core/records/downloadreport.h"
#include "core/records/recorddecode.h"
#include <QCoreApplication>

namespace records {

namespace {
QList<int> notTried(const DownloadOutcome &d)
{
    QList<int> out;
    if (d.notTriedFrom > 0)
        for (int k = d.notTriedFrom; k <= d.last(); ++k)
            out.append(k);
    return out;
}
} // namespace

namespace {
// Every position not filled, named: those that failed, those not reached, those holding no record.
QString unfilledText(const DownloadOutcome &d)
{
    QString text;
    if (!d.unread.isEmpty())
        text += QCoreApplication::translate("records", "有 %1 条记录未能读取：第 %2 条。").arg(d.unread.size()).arg(numberRanges(d.unread));
    if (d.notTriedFrom > 0)
        text += QCoreApplication::translate("records", "第 %1 条未读取。").arg(numberRanges(notTried(d)));
    if (!d.notRecords.isEmpty())
        text += QCoreApplication::translate("records", "有 %1 个位置不是记录（存储区为空或数据无效），未作为记录保存：第 %2 条。")
                    .arg(d.notRecords.size()).arg(numberRanges(d.notRecords));
    return text;
}
} // namespace

QString downloadMessage(const DownloadOutcome &d, bool receiveArea)
{
    using End = DownloadOutcome::End;
    const QString unfilled = unfilledText(d);
    switch (d.end) {
    case End::Complete:
        if (unfilled.isEmpty())
            return QString();
        return QCoreApplication::translate("records", "共 %1 条记录，已读取 %2 条。%3").arg(d.total).arg(d.read).arg(unfilled);
    case End::Stopped:
        // The user stopped it: a message only when something failed on the way; the status line
        // names what was not reached.
        if (d.unread.isEmpty() && d.notRecords.isEmpty())
            return QString();
        return QCoreApplication::translate("records", "读取已停止，已读取 %1 条。%2").arg(d.read).arg(unfilled);
    case End::PortLost:
        if (receiveArea)
            return (d.network ? QCoreApplication::translate("records", "读取记录时连接已断开，读取已中止。已读取的 %1 条记录保留在接收区。%2")
                              : QCoreApplication::translate("records", "读取记录时串口已断开，读取已中止。已读取的 %1 条记录保留在接收区。%2"))
                .arg(d.read).arg(unfilled);
        return (d.network ? QCoreApplication::translate("records", "读取记录时连接已断开，读取已中止。已读取 %1 条。%2")
                          : QCoreApplication::translate("records", "读取记录时串口已断开，读取已中止。已读取 %1 条。%2"))
            .arg(d.read).arg(unfilled);
    case End::DeviceSilent:
        return QCoreApplication::translate("records", "设备连续 %1 条记录没有有效应答，读取已中止。已读取 %2 条。%3")
            .arg(SilentRecordsLimit).arg(d.read).arg(unfilled);
    case End::Closing:
        return QString();
    }
    return QString();
}

QString downloadStatus(const DownloadOutcome &d)
{
    using End = DownloadOutcome::End;
    using Mode = DownloadOutcome::Mode;
    const int unfilled = d.total - d.read;
    QString text;
    switch (d.end) {
    case End::Complete:
        text = d.allRead() ? QCoreApplication::translate("records", "读取所有记录：已读取全部 %1 条记录").arg(d.total)
                           : QCoreApplication::translate("records", "读取所有记录：已读取 %1 条，%2 条未读取或不是记录").arg(d.read).arg(unfilled);
        break;
    case End::Stopped:
        text = QCoreApplication::translate("records", "读取所有记录：已停止，已读取 %1 条%2")
                   .arg(d.read)
                   .arg(d.notTriedFrom > 0 ? QCoreApplication::translate("records", "，第 %1 条未读取").arg(numberRanges(notTried(d))) : QString());
        break;
    case End::PortLost:
        text = (d.network ? QCoreApplication::translate("records", "读取所有记录：连接已断开，已读取 %1 条")
                          : QCoreApplication::translate("records", "读取所有记录：串口已断开，已读取 %1 条")).arg(d.read);
        break;
    case End::DeviceSilent:
        text = QCoreApplication::translate("records", "读取所有记录：设备无应答，已读取 %1 条").arg(d.read);
        break;
    case End::Closing:
        return QCoreApplication::translate("records", "读取所有记录：窗口关闭，读取已中止");
    }
    switch (d.mode) {
    case Mode::Single: return text + QCoreApplication::translate("records", "（逐条读取）");
    case Mode::Block: return text + QCoreApplication::translate("records", "（成块读取）");
    case Mode::BlockRefused: return text + QCoreApplication::translate("records", "（记录仪不支持成块读取：%1，已改为逐条读取）").arg(d.refusal);
    }
    return text;
}

} // namespace records
