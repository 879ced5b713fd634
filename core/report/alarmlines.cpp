#include "core/report/alarmlines.h"
#include <QCoreApplication>

namespace report {

QMap<qint64, AlarmLine> alarmLines(const QList<watch::Transition> &steps)
{
    QMap<qint64, AlarmLine> lines;
    for (const watch::Transition &t : steps) {
        auto it = lines.find(t.id);
        if (it == lines.end())
            it = lines.insert(t.id, AlarmLine{t, t, {}, {}});
        if (t.event == watch::AlarmEvent::Raised)
            it->raised = t;
        else if (t.event == watch::AlarmEvent::Acknowledged)
            it->acknowledged = t;
        else if (t.event == watch::AlarmEvent::Cleared)
            it->cleared = t;
        it->latest = t;
    }
    return lines;
}

QStringList noticeHeaders()
{
    return {QCoreApplication::translate("notices", "步骤"),     QCoreApplication::translate("notices", "步骤时间"),
            QCoreApplication::translate("notices", "方式"),     QCoreApplication::translate("notices", "通知对象"),
            QCoreApplication::translate("notices", "结果"),     QCoreApplication::translate("notices", "时间")};
}

QStringList noticeCells(const archive::OutboxEntry &e)
{
    const auto local = [](const QDateTime &utc) { return utc.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")); };
    const auto event = watch::eventFromWord(e.event);
    QString step = e.event;
    if (event)
        step = *event == watch::AlarmEvent::Raised         ? QCoreApplication::translate("notices", "报警")
               : *event == watch::AlarmEvent::Repeated     ? QCoreApplication::translate("notices", "重复通知")
               : *event == watch::AlarmEvent::Acknowledged ? QCoreApplication::translate("notices", "确认")
                                                           : QCoreApplication::translate("notices", "解除");
    using State = archive::OutboxEntry::State;
    const QString outcome = e.state == State::Delivered ? QCoreApplication::translate("notices", "已送达")
                            : e.state == State::GivenUp ? QCoreApplication::translate("notices", "未送达（放弃）")
                                                        : QCoreApplication::translate("notices", "等待重试（已试 %1 次）").arg(e.attempts);
    const QString channel = e.channel == QLatin1String("mail") ? QCoreApplication::translate("notices", "邮件")
                            : e.channel == QLatin1String("sms") ? QCoreApplication::translate("notices", "短信")
                                                                : e.channel;
    return {step, local(e.happened), channel,
            e.recipients.isEmpty() ? QStringLiteral("—") : e.recipients, outcome,
            local(e.state == State::Waiting ? e.due : e.settled)};
}

} // namespace report
