#include "core/watch/smsreplies.h"
#include <QCoreApplication>
#include <QRegularExpression>

namespace watch {

std::optional<qint64> replyAlarm(const QString &text)
{
    static const QRegularExpression reply(QStringLiteral(R"(^(?:确认|ACK)\s*#?\s*([0-9]{1,15})\s*[.。!！]?$)"),
                                          QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = reply.match(text.normalized(QString::NormalizationForm_KC).trimmed());
    if (!m.hasMatch())
        return std::nullopt;
    bool ok = false;
    const qint64 id = m.captured(1).toLongLong(&ok);
    return ok && id > 0 ? std::optional<qint64>(id) : std::nullopt;
}

namespace {
// Digits only, a leading 00 taken as +; whether it was international.
QString digits(const QString &number, bool *international)
{
    QString d;
    for (const QChar c : number)
        if (c.isDigit())
            d += c;
    *international = number.trimmed().startsWith(QLatin1Char('+'));
    if (!*international && d.startsWith(QLatin1String("00"))) {
        d = d.mid(2);
        *international = true;
    }
    return d;
}
} // namespace

bool sameNumber(const QString &a, const QString &b)
{
    bool ia = false, ib = false;
    const QString da = digits(a, &ia), db = digits(b, &ib);
    if (da.size() < 3 || db.size() < 3)
        return false;
    if (ia == ib)
        return da == db;
    // One with its country code (one to three digits), the other as dialled at home.
    const QString &full = ia ? da : db;
    QString local = ia ? db : da;
    if (local.startsWith(QLatin1Char('0')))
        local = local.mid(1);
    return local.size() >= 6 && full.size() - local.size() >= 1 && full.size() - local.size() <= 3 && full.endsWith(local);
}

SmsReplies::SmsReplies(SmsdConfig config, QList<SmsPerson> people, Log log)
    : m_gateway(std::move(config)), m_people(std::move(people)), m_log(std::move(log))
{
}

QString SmsReplies::inbox() const
{
    return m_gateway.config().inbox;
}

QList<SmsReplies::Ack> SmsReplies::take()
{
    const bool quiet = std::exchange(m_first, false);
    const auto say = [&](const QString &text) {
        if (!quiet && m_log)
            m_log(text);
    };
    QString error;
    const auto received = m_gateway.received(&error);
    if (!received) {
        say(QCoreApplication::translate("watch", "收到的短信读不出：%1").arg(error));
        return {};
    }
    QList<Ack> out;
    QSet<QString> present;  // what the inbox still holds: the rest need not be remembered
    for (const SmsGateway::Received &r : *received)
        present.insert(r.file);
    m_seen.intersect(present);
    for (const SmsGateway::Received &r : *received) {
        if (m_seen.contains(r.file))
            continue;
        m_seen.insert(r.file);
        const auto person = std::find_if(m_people.cbegin(), m_people.cend(), [&](const SmsPerson &p) { return sameNumber(p.number, r.number); });
        const auto id = replyAlarm(r.text);
        if (person == m_people.cend())
            say(QCoreApplication::translate("watch", "收到 %1 的短信，这个号码不在 sms-to= 里，不予理会").arg(r.number));
        else if (!id)
            say(QCoreApplication::translate("watch", "收到%1（%2）的短信“%3”，不是“确认 编号”，不予理会").arg(person->name, r.number, r.text.left(40)));
        else
            out.append({*id, person->name, r.number, !quiet});
    }
    return out;
}

} // namespace watch
