#include "core/watch/message.h"
#include "core/settings/sensortable.h"
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdlib>

namespace watch {

QString offsetText(const QDateTime &local)
{
    const int off = local.offsetFromUtc();
    return QStringLiteral("UTC%1%2:%3").arg(QChar(off < 0 ? u'-' : u'+'))
        .arg(std::abs(off) / 3600, 2, 10, QLatin1Char('0')).arg(std::abs(off) % 3600 / 60, 2, 10, QLatin1Char('0'));
}

namespace {

QString utcText(const QDateTime &time)
{
    return time.toUTC().toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss'Z'"));
}

QString L(bool english, QStringView chinese, QStringView inEnglish) { return (english ? inEnglish : chinese).toString(); }

// "25.0℃" in Chinese, "25.0 ℃" in English.
QString reading(std::optional<int> tenths, const QString &unit, bool english)
{
    const QString number = sensors::limitText(tenths);
    return unit.isEmpty() ? number : number + (english ? QStringLiteral(" ") : QString()) + unit;
}

// A subject is one line whatever the names hold.
QString oneLine(QString s)
{
    for (QChar &c : s)
        if (c.category() == QChar::Other_Control || c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
            c = u' ';
    return s;
}

QString tag(const Transition &t, bool e)
{
    const bool na = t.kind == AlarmKind::NoAnswer;
    // The watcher's own alarms say what they are about in their tag, but when they clear.
    static const struct { AlarmKind kind; const char16_t *zh, *en; } own[] = {
        {AlarmKind::ArchiveChanged, u"【存档被改动】", u"ARCHIVE CHANGED "}, {AlarmKind::BackupFailed, u"【备份失败】", u"BACKUP FAILED "},
        {AlarmKind::ArchiveUnwritable, u"【存档无法写入】", u"ARCHIVE UNWRITABLE "},
        {AlarmKind::NotifyFailed, u"【通知送不到】", u"NOTIFICATION UNDELIVERED "}, {AlarmKind::Power, u"【停电】", u"POWER FAILURE "},
        {AlarmKind::SirenFailed, u"【声光报警器失灵】", u"SIREN FAILED "}, {AlarmKind::WatcherDown, u"【值守程序曾停止】", u"WATCHER WAS DOWN "}};
    for (const auto &o : own)
        if (o.kind == t.kind && t.event != AlarmEvent::Cleared)
            return L(e, o.zh, o.en);
    switch (t.event) {
    case AlarmEvent::Raised: return na ? L(e, u"【无应答】", u"NO ANSWER ") : L(e, u"【报警】", u"ALARM ");
    case AlarmEvent::Repeated: return na ? L(e, u"【仍无应答】", u"STILL NO ANSWER ") : L(e, u"【仍在报警】", u"STILL ALARM ");
    case AlarmEvent::Acknowledged: return L(e, u"【已确认】", u"ACKNOWLEDGED ");
    case AlarmEvent::Cleared: break;
    }
    return L(e, u"【报警解除】", u"CLEARED ");
}

// "高于上限", "已不低于下限", "3 次轮询无应答": what the alarm is about.
QString condition(AlarmKind kind, bool cleared, bool e, int noAnswerPolls)
{
    switch (kind) {
    case AlarmKind::High: return cleared ? L(e, u"已不高于上限", u"no longer above high limit") : L(e, u"高于上限", u"above high limit");
    case AlarmKind::Low: return cleared ? L(e, u"已不低于下限", u"no longer below low limit") : L(e, u"低于下限", u"below low limit");
    case AlarmKind::ArchiveChanged:
        return cleared ? L(e, u"存档的哈希链已完整", u"archive chains whole again") : L(e, u"存档的哈希链断了", u"archive hash chain broken");
    case AlarmKind::BackupFailed:
        return cleared ? L(e, u"备份已恢复正常", u"backups work again") : L(e, u"备份失败", u"backup failed");
    case AlarmKind::ArchiveUnwritable:
        return cleared ? L(e, u"存档又能写入了", u"archive writable again") : L(e, u"存档无法写入", u"archive cannot be written");
    case AlarmKind::NotifyFailed:
        return cleared ? L(e, u"通知又能送达了", u"notifications delivered again") : L(e, u"通知送不到", u"a notification was given up");
    case AlarmKind::Power:
        return cleared ? L(e, u"市电已恢复", u"mains power is back") : L(e, u"市电中断，不间断电源在用电池", u"mains failed, the UPS runs on battery");
    case AlarmKind::SirenFailed:
        return cleared ? L(e, u"声光报警器又能开关了", u"the siren switches again") : L(e, u"声光报警器开关失败", u"the siren could not be switched");
    case AlarmKind::WatcherDown:
        return cleared ? L(e, u"已确认值守程序曾停止", u"the watcher's downtime was acknowledged") : L(e, u"值守程序曾停止运行", u"the watcher was not running");
    case AlarmKind::NoAnswer: break;
    }
    if (cleared)
        return L(e, u"恢复应答", u"answers again");
    return L(e, u"%1 次轮询无应答", u"no answer to %1 polls").arg(noAnswerPolls);
}

QString eventText(const Transition &t, bool e)
{
    switch (t.event) {
    case AlarmEvent::Raised: return L(e, u"报警", u"alarm raised");
    case AlarmEvent::Repeated: return L(e, u"仍在报警（尚未确认）", u"alarm still on (not acknowledged)");
    case AlarmEvent::Acknowledged: return L(e, u"报警已确认", u"alarm acknowledged");
    case AlarmEvent::Cleared: break;
    }
    return L(e, u"报警解除", u"alarm cleared");
}
} // namespace

QByteArray checkpointJson(const QString &line, const QString &shortHash, const QDateTime &at)
{
    return QJsonDocument(QJsonObject{{QStringLiteral("event"), QStringLiteral("checkpoint")},
                                     {QStringLiteral("checkpoint"), line},
                                     {QStringLiteral("short"), shortHash},
                                     {QStringLiteral("time"), utcText(at)}})
        .toJson(QJsonDocument::Compact);
}

Mail checkpointMail(const QString &line, const QString &shortHash, const QDateTime &at, bool english)
{
    const QString when = at.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (english)
        return {QStringLiteral("[Checkpoint] archive %1 at %2").arg(shortHash, when),
                QStringLiteral("The archive's signed checkpoint of %1. Keep this mail: it shows later that no record "
                               "the archive held then has been changed.\n\n%2\n").arg(when, line)};
    return {QStringLiteral("【检查点】存档 %1 %2").arg(shortHash, when),
            QStringLiteral("存档在 %1 的签名检查点。请保留这封邮件：日后可用它证明存档当时已有的记录没有被改过。\n\n%2\n").arg(when, line)};
}

QByteArray webhookJson(const Transition &t, const QString &name, const QString &unit)
{
    QJsonObject o{{QStringLiteral("event"), eventWord(t.event)},
                  {QStringLiteral("kind"), kindWord(t.kind)},
                  {QStringLiteral("id"), t.id},
                  {QStringLiteral("recorder"), t.recorder},
                  {QStringLiteral("address"), int(t.address)}};
    if (!aboutSensor(t.kind) && t.kind != AlarmKind::NoAnswer)
        o.insert(QStringLiteral("what"), t.note);
    if (aboutSensor(t.kind)) {
        o.insert(QStringLiteral("sensor"), t.sensor);
        o.insert(QStringLiteral("name"), name);
        o.insert(QStringLiteral("unit"), unit);
        if (t.value)
            o.insert(QStringLiteral("value"), *t.value / 10.0);  // tenths of the unit
        if (t.limit)
            o.insert(QStringLiteral("limit"), *t.limit / 10.0);
    }
    o.insert(QStringLiteral("time"), t.time.isValid() ? QJsonValue(utcText(t.time)) : QJsonValue(QJsonValue::Null));
    if (t.event == AlarmEvent::Acknowledged) {
        o.insert(QStringLiteral("by"), t.by);
        o.insert(QStringLiteral("note"), t.note);
    }
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

Mail mailText(const Transition &t, const QString &name, const QString &unit, bool e, int noAnswerPolls)
{
    const bool na = t.kind == AlarmKind::NoAnswer;
    QStringList what;
    if (!aboutSensor(t.kind) && !na) {
        what << condition(t.kind, t.event == AlarmEvent::Cleared, e, noAnswerPolls);
        if (!t.note.isEmpty() && t.event != AlarmEvent::Acknowledged)
            what << t.note;
    } else if (na) {
        what << L(e, u"%1（地址 %2）%3", u"%1 (address %2) %3")
                    .arg(t.recorder, QString::number(t.address), condition(t.kind, t.event == AlarmEvent::Cleared, e, noAnswerPolls));
    } else {
        what << t.recorder << name;
        if (t.value)
            what << reading(t.value, unit, e);
        what << condition(t.kind, t.event == AlarmEvent::Cleared, e, noAnswerPolls);
        if (t.limit)
            what << reading(t.limit, unit, e);
    }
    if (t.event == AlarmEvent::Acknowledged && !t.by.isEmpty())
        what << L(e, u"由", u"by") << t.by;
    Mail mail;
    mail.subject = oneLine(tag(t, e) + what.join(u' '));

    QStringList body;
    const QString kindText = na ? L(e, u"无应答", u"no answer") : condition(t.kind, false, e, noAnswerPolls);
    body << L(e, u"事件：%1（%2）", u"Event: %1 (%2)").arg(eventText(t, e), kindText);
    if (!aboutSensor(t.kind) && !na) {
        if (!t.note.isEmpty() && t.event != AlarmEvent::Acknowledged)
            body << L(e, u"检查结果：%1", u"Found: %1").arg(t.note);
    } else {
        body << L(e, u"记录仪：%1", u"Recorder: %1").arg(t.recorder);
        body << L(e, u"地址：%1", u"Address: %1").arg(int(t.address));
    }
    if (aboutSensor(t.kind)) {
        body << L(e, u"传感器：%1 号，%2", u"Sensor: %1, %2").arg(t.sensor).arg(name);
        if (t.value)
            body << L(e, u"读数：%1", u"Value: %1").arg(reading(t.value, unit, e));
        if (t.limit)
            body << (t.kind == AlarmKind::High ? L(e, u"上限：%1", u"High limit: %1") : L(e, u"下限：%1", u"Low limit: %1"))
                        .arg(reading(t.limit, unit, e));
    }
    if (t.time.isValid()) {
        const QDateTime local = t.time.toLocalTime();
        body << L(e, u"时间：%1（本地时间，%2）", u"Time: %1 (local time, %2)")
                    .arg(local.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), offsetText(local));
        body << L(e, u"UTC：%1", u"UTC: %1").arg(utcText(t.time));
    }
    body << L(e, u"报警编号：%1", u"Alarm id: %1").arg(t.id);
    if (t.event == AlarmEvent::Acknowledged) {
        body << L(e, u"确认人：%1", u"Acknowledged by: %1").arg(t.by);
        body << L(e, u"备注：%1", u"Note: %1").arg(t.note.isEmpty() ? L(e, u"（无）", u"(none)") : t.note);
    }
    body << QString() << L(e, u"—— WL8806N 值守程序自动发送", u"-- sent by the WL8806N watcher");
    mail.body = body.join(u'\n') + u'\n';
    return mail;
}

QString smsText(const Transition &t, const QString &name, const QString &unit, bool e, int noAnswerPolls,
                const QDateTime &since)
{
    QString text = mailText(t, name, unit, e, noAnswerPolls).subject;
    const QString when = (since.isValid() ? since : t.time).toLocalTime().toString(QStringLiteral("MM-dd HH:mm"));
    if (t.event == AlarmEvent::Raised || t.event == AlarmEvent::Repeated) {
        text += L(e, u"，自 %1 起。", u", since %1. ").arg(when);
        text += L(e, u"回复 确认 %1", u"Reply ACK %1").arg(t.id);
    } else {
        text += L(e, u"，%1", u", %1").arg(t.time.toLocalTime().toString(QStringLiteral("MM-dd HH:mm")));
    }
    return text;
}

namespace {
// RFC 2047 encoded words of at most 42 bytes of UTF-8 each (never a character cut in two), folded
// so that no header line passes 78 characters.
QByteArray encodedWords(const QString &text)
{
    QList<QByteArray> words{QByteArray()};
    for (const char32_t c : text.toUcs4()) {
        const QByteArray bytes = QString::fromUcs4(&c, 1).toUtf8();
        if (words.last().size() + bytes.size() > 42)
            words.append(QByteArray());
        words.last() += bytes;
    }
    QByteArray out;
    for (const QByteArray &word : words)
        out += QByteArray(out.isEmpty() ? "" : "\r\n ") + "=?UTF-8?B?" + word.toBase64() + "?=";
    return out;
}
} // namespace

QByteArray mailMessage(const Mail &mail, const QString &from, const QStringList &to, const QDateTime &date,
                       const QByteArray &messageId)
{
    QByteArray toLine = "To: ";
    qsizetype lineStart = 0;
    for (qsizetype i = 0; i < to.size(); ++i) {
        const QByteArray address = to[i].toUtf8() + (i + 1 < to.size() ? "," : "");
        if (i > 0 && toLine.size() - lineStart + address.size() + 1 > 78) {
            toLine += "\r\n";
            lineStart = toLine.size();
        }
        toLine += (i > 0 ? " " : "") + address;
    }
    QByteArray text = mail.body.toUtf8();
    text.replace("\r\n", "\n").replace('\n', "\r\n");
    const QByteArray encoded = text.toBase64();
    QByteArray body;
    for (qsizetype i = 0; i < encoded.size(); i += 76)
        body += encoded.mid(i, 76) + "\r\n";
    return "Date: " + date.toString(Qt::RFC2822Date).toLatin1() + "\r\n"
           + "From: " + from.toUtf8() + "\r\n"
           + toLine + "\r\n"
           + "Subject: " + encodedWords(mail.subject) + "\r\n"
           + "Message-ID: <" + messageId + ">\r\n"
           + "MIME-Version: 1.0\r\n"
           + "Content-Type: text/plain; charset=UTF-8\r\n"
           + "Content-Transfer-Encoding: base64\r\n"
           + "\r\n" + body;
}

} // namespace watch
