#pragma once
#include "core/watch/notifysettings.h"
#include "core/watch/smsgateway.h"
#include <QSet>
#include <functional>
#include <memory>

// The replies people send to an alarm SMS, as gammu-smsd filed them in its inbox: "确认 12" or "ACK 12"
// from a number of sms-to= acknowledges alarm 12 in that person's name. Anything else, and anything
// from a number nobody listed, acknowledges nothing and is said in the log.
namespace watch {

// The alarm a reply acknowledges: "确认 12", "确认12", "ACK 12", "ack #12" (full-width digits and
// spaces as typed on a phone count too); nothing for any other text.
std::optional<qint64> replyAlarm(const QString &text);
// Whether two numbers are one phone: the same digits, or the one written with its country code
// (+86…, 0086…) and the other without it (and without a trunk 0).
bool sameNumber(const QString &a, const QString &b);

class SmsReplies {
public:
    struct Ack {
        qint64 alarmId = 0;
        QString by;      // the person's name in sms-to=
        QString number;  // as gammu-smsd gave it
        bool fresh = true;  // false: it was in the inbox before (a refusal of it need not be said)
    };
    using Log = std::function<void(const QString &)>;
    SmsReplies(SmsdConfig config, QList<SmsPerson> people, Log log);

    // The acknowledgements among the messages not looked at before by this object. The first call
    // takes everything the inbox holds (replies that came while no watcher ran), saying nothing of
    // what it ignores there.
    QList<Ack> take();
    // The inbox folder (empty when gammu-smsd does not file replies in one): worth watching.
    QString inbox() const;

private:
    SmsGateway m_gateway;
    QList<SmsPerson> m_people;
    Log m_log;
    QSet<QString> m_seen;
    bool m_first = true;
};

} // namespace watch
