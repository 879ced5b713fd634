#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

// Whom the watcher tells about alarms: "notify.set" in the application folder, UTF-8, a "key=value"
// line each (blank lines and lines starting with # are ignored), written by hand:
//
//   webhook=https://hooks.site/wl        an HTTP POST of JSON for every step of an alarm
//   smtp=smtp://mail.site:587            or smtps://mail.site:465; STARTTLS when smtp:// offers it
//   from=watch@site
//   to=a@site, b@site                    several, separated by commas or on several to= lines
//   user=watch@site                      the mail server's login, when it wants one
//   password-file=~/.config/wl-smtp      its password: a file only its owner may read (chmod 600)
//   language=zh                          the e-mail's and SMS's language, zh (the default) or en
//   sms-smsdrc=/etc/gammu-smsdrc         SMS through gammu-smsd, the daemon that owns the GSM modem: its
//                                        configuration (relative: from the application folder)
//   sms-to=张三:+8613800000001            a person told by SMS, one line each; a reply from that number
//                                        "确认 12" (or "ACK 12") acknowledges alarm 12 in that name
//   level1=sms:张三,李四 mail             who is told at once: webhook, mail (every to=), mail:a@site,…,
//   level2=sms:王五 mail:boss@site        sms (every sms-to=), sms:NAME,…; level2, level3 … are told too
//   escalate-after=15                    when an alarm is still not acknowledged that many minutes
//                                        after the level before; without level lines everyone is told
//                                        at once. Acknowledgements and clears go to everyone told.
//
// A password never goes into notify.set: a password= line, or a password in a URL, is refused.
// Lines that cannot be used are skipped, each named in a sentence; the others are used.
namespace watch {

inline constexpr char NotifyFileName[] = "notify.set";
inline constexpr qint64 MaxNotifyBytes = 16 * 1024;
inline constexpr qint64 MaxPasswordBytes = 4 * 1024;

struct SmsPerson {
    QString name;
    QString number;  // as written: digits, an optional leading +
    bool operator==(const SmsPerson &) const = default;
};

// Who one escalation level tells.
struct NotifyLevel {
    bool webhook = false;
    QStringList mail;  // addresses
    QStringList sms;   // names of sms-to= people
    bool operator==(const NotifyLevel &) const = default;
    bool empty() const { return !webhook && mail.isEmpty() && sms.isEmpty(); }
};

inline constexpr int MaxLevels = 9;

struct NotifySettings {
    QString webhook;       // http:// or https:// URL; empty: no webhook
    QString smtpUrl;       // smtp://host:port or smtps://host:port; empty: no e-mail
    QString from;
    QStringList to;
    QString user;
    QString passwordFile;  // as written; loadNotifySettings makes it absolute
    QString language;      // "zh", "en" or empty (the window's)
    QString smsdrc;        // gammu-smsd's configuration, absolute after loadNotifySettings; empty: no SMS
    QList<SmsPerson> smsTo;
    QList<NotifyLevel> levels;  // as written, level1 first; empty: one level of everyone
    int escalateAfterMin = 15;
    int noAnswerPolls = 3; // not in the file: alarms.set's comm-lost-polls, for the no-answer e-mail
    bool operator==(const NotifySettings &) const = default;

    bool hasWebhook() const { return !webhook.isEmpty(); }
    bool hasMail() const { return !smtpUrl.isEmpty() && !from.isEmpty() && !to.isEmpty(); }
    bool hasSms() const { return !smsdrc.isEmpty() && !smsTo.isEmpty(); }
    // The levels as they tell: the written ones (limited to the channels that work), or one of everyone.
    QList<NotifyLevel> effectiveLevels() const;
    std::optional<SmsPerson> person(const QString &name) const;
    bool english() const { return language == QLatin1String("en"); }
};

// The file's settings. Lines that cannot be used, and settings that miss a partner (smtp= without
// from= or to=), give one sentence each in *problem (joined by line breaks), naming the file and
// the line, never the value (it may be a secret typed where it does not belong).
NotifySettings parseNotifySettings(const QByteArray &content, QString *problem);

// appDir's notify.set read and parsed; nothing configured when there is no file. A password-file
// path that is relative counts from appDir, "~/" from the home folder.
NotifySettings loadNotifySettings(const QString &appDir, QString *problem);

// The password in the file (its first line, without the line end). The file must be a regular file
// owned by the current user that nobody else may read or write (mode & 077 == 0); otherwise nothing
// and *problem says why and how to fix it (chown, chmod 600).
std::optional<QString> readPassword(const QString &path, QString *problem);

} // namespace watch
