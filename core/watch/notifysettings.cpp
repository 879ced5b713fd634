#include "core/watch/notifysettings.h"
#include "core/settings/keyvaluelines.h"
#include "core/files/safefile.h"
#include "core/settings/language.h"
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QUrl>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace watch {

namespace {
constexpr int kMaxReported = 10;
const QString fileName = QString::fromLatin1(NotifyFileName);

bool hasControl(const QString &s)
{
    return std::any_of(s.begin(), s.end(), [](QChar c) { return c.category() == QChar::Other_Control; });
}

// A plain address, "name@host": nothing a header or an SMTP command could be split at.
bool isAddress(const QString &s)
{
    static const QRegularExpression address(QStringLiteral(R"(^[^\s<>()\[\],;:"@\\]+@[A-Za-z0-9.-]+$)"));
    return address.match(s).hasMatch() && !s.endsWith(QLatin1Char('.')) && !hasControl(s);
}

// Why a URL cannot be used as the given kind of server; empty when it can.
QString urlRefusal(const QString &text, const QStringList &schemes, const QString &wrongScheme)
{
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty() || hasControl(text))
        return QCoreApplication::translate("notify", "不是完整的网址");
    if (!schemes.contains(url.scheme().toLower()))
        return wrongScheme;
    if (!url.password().isEmpty())
        return QCoreApplication::translate("notify", "口令不写在网址里，请用 password-file= 指明只有自己能读的口令文件");
    return QString();
}
} // namespace

namespace {
QString urlKey(NotifySettings &s, QString NotifySettings::*field, const QString &value, const QStringList &schemes,
               const char *wrongScheme)
{
    const QString why = urlRefusal(value, schemes, QCoreApplication::translate("notify", wrongScheme));
    s.*field = why.isEmpty() ? value : QString();
    return why;
}

QString recipients(NotifySettings &s, const QString &value)
{
    QString why;
    for (const QString &part : value.split(QLatin1Char(','))) {
        const QString address = part.trimmed();
        if (!isAddress(address))
            why = QCoreApplication::translate("notify", "收件人应为逗号分隔的“名字@主机”形式的邮件地址");
        else if (!s.to.contains(address))
            s.to.append(address);
    }
    return why;
}

bool isNumber(const QString &s)
{
    static const QRegularExpression number(QStringLiteral(R"(^\+?[0-9]{3,20}$)"));
    return number.match(s).hasMatch();
}

QString smsPerson(NotifySettings &s, const QString &value)
{
    const qsizetype colon = value.lastIndexOf(QLatin1Char(':'));
    const QString name = value.left(colon).trimmed(), number = value.mid(colon + 1).trimmed().remove(QLatin1Char(' '));
    if (colon <= 0 || name.isEmpty() || hasControl(name) || name.size() > 40 || !isNumber(number))
        return QCoreApplication::translate("notify", "应为“名字:手机号码”，号码为数字，可以 + 开头");
    if (s.person(name))
        return QCoreApplication::translate("notify", "这个名字前面已经有了");
    s.smsTo.append({name, number});
    return QString();
}

// "sms:张三,李四 mail webhook": the channels of one level, each with its people.
QString level(NotifySettings &s, int n, const QString &value)
{
    NotifyLevel l;
    for (const QString &item : value.split(QRegularExpression(QStringLiteral("[\\s;]+")), Qt::SkipEmptyParts)) {
        const QString channel = item.section(QLatin1Char(':'), 0, 0).toLower();
        const QStringList who = item.contains(QLatin1Char(':')) ? item.section(QLatin1Char(':'), 1).split(QLatin1Char(','), Qt::SkipEmptyParts)
                                                                : QStringList{};
        if (channel == u"webhook" && who.isEmpty())
            l.webhook = true;
        else if (channel == u"mail" && who.isEmpty())
            l.mail = QStringList{QStringLiteral("*")};
        else if (channel == u"mail" && std::all_of(who.begin(), who.end(), [](const QString &a) { return isAddress(a.trimmed()); }))
            for (const QString &a : who)
                l.mail.append(a.trimmed());
        else if (channel == u"sms")
            l.sms += who.isEmpty() ? QStringList{QStringLiteral("*")} : who;
        else
            return QCoreApplication::translate("notify", "应为以空格分隔的 webhook、mail、mail:地址,…、sms、sms:名字,…");
    }
    if (l.empty())
        return settings::noValue();
    while (s.levels.size() < n)
        s.levels.append(NotifyLevel{});
    s.levels[n - 1] = l;
    return QString();
}

std::vector<settings::Key<NotifySettings>> levelKeys()
{
    static const QList<QByteArray> names = [] {
        QList<QByteArray> n;
        for (int i = 1; i <= MaxLevels; ++i)
            n.append("level" + QByteArray::number(i));
        return n;
    }();
    std::vector<settings::Key<NotifySettings>> out;
    for (int i = 1; i <= MaxLevels; ++i)
        out.push_back({names[i - 1].constData(), [i](NotifySettings &s, const QString &v) { return level(s, i, v); }});
    return out;
}

const std::vector<settings::Key<NotifySettings>> &keys()
{
    using Key = settings::Key<NotifySettings>;
    static const std::vector<Key> table = [] {
        std::vector<Key> t{
        settings::refusedKey<NotifySettings>("password", [] {
            return QCoreApplication::translate("notify", "口令不写在 notify.set 里：请把它写进一个只有自己能读的文件（chmod 600），用 password-file= 指明");
        }),
        Key{"webhook", [](NotifySettings &s, const QString &v) {
                return urlKey(s, &NotifySettings::webhook, v, {QStringLiteral("http"), QStringLiteral("https")},
                              QT_TRANSLATE_NOOP("notify", "网址应以 http:// 或 https:// 开头"));
            }},
        Key{"smtp", [](NotifySettings &s, const QString &v) {
                return urlKey(s, &NotifySettings::smtpUrl, v, {QStringLiteral("smtp"), QStringLiteral("smtps")},
                              QT_TRANSLATE_NOOP("notify", "网址应以 smtp:// 或 smtps:// 开头"));
            }},
        settings::textKey<NotifySettings>("from", &NotifySettings::from, [](const QString &v) {
            return isAddress(v) ? QString() : QCoreApplication::translate("notify", "发件人不是“名字@主机”形式的邮件地址");
        }),
        Key{"to", recipients, true},
        settings::textKey<NotifySettings>("user", &NotifySettings::user, [](const QString &v) {
            return hasControl(v) ? QCoreApplication::translate("notify", "用户名不能含控制字符") : QString();
        }),
        settings::textKey<NotifySettings>("password-file", &NotifySettings::passwordFile, {}),
        Key{"language", [](NotifySettings &s, const QString &v) {
                const auto l = language::parse(v);
                if (l)
                    s.language = language::code(*l);
                return l ? QString() : QCoreApplication::translate("notify", "语言应为 zh 或 en");
            }},
        settings::textKey<NotifySettings>("sms-smsdrc", &NotifySettings::smsdrc, [](const QString &v) {
            return hasControl(v) ? QCoreApplication::translate("notify", "路径不能含控制字符") : QString();
        }),
        Key{"sms-to", smsPerson, true},
        settings::wholeKey<NotifySettings>("escalate-after", &NotifySettings::escalateAfterMin, 1, 24 * 60),
        };
        for (Key &k : levelKeys())
            t.push_back(std::move(k));
        return t;
    }();
    return table;
}

// Levels that name people nobody listed, or that leave a gap, are told what they can be.
void checkLevels(NotifySettings &s, const std::function<void(const QString &)> &complain)
{
    for (int i = 0; i < s.levels.size(); ++i) {
        NotifyLevel &l = s.levels[i];
        if (l.empty())
            complain(QCoreApplication::translate("notify", "设置文件 %1 没有 level%2=，后面的级别提前").arg(fileName).arg(i + 1));
        for (const QString &name : std::as_const(l.sms))
            if (name != u"*" && !s.person(name))
                complain(QCoreApplication::translate("notify", "设置文件 %1 level%2= 的“%3”不在 sms-to= 里，不发给此人").arg(fileName).arg(i + 1).arg(name));
        l.sms.removeIf([&](const QString &name) { return name != u"*" && !s.person(name); });
    }
    s.levels.removeIf([](const NotifyLevel &l) { return l.empty(); });
    if (!s.smsdrc.isEmpty() && s.smsTo.isEmpty())
        complain(QCoreApplication::translate("notify", "设置文件 %1 有 sms-smsdrc= 却没有 sms-to=（收短信的人），不发短信").arg(fileName));
    if (s.smsdrc.isEmpty() && !s.smsTo.isEmpty())
        complain(QCoreApplication::translate("notify", "设置文件 %1 有 sms-to= 却没有 sms-smsdrc=（gammu-smsd 的配置），不发短信").arg(fileName));
}
} // namespace

NotifySettings parseNotifySettings(const QByteArray &content, QString *problem)
{
    NotifySettings s;
    QStringList seen, problems;
    int bad = 0;
    const auto complain = [&](const QString &sentence) {
        if (++bad <= kMaxReported)
            problems.append(sentence);
    };
    for (const settings::Refusal &r : settings::readKeyValues(content, keys(), s, {true}, &seen))
        complain(QCoreApplication::translate("notify", "设置文件 %1 %2，这一行未使用").arg(fileName, r.text()));
    const bool mail = !s.smtpUrl.isEmpty() || !s.from.isEmpty() || !s.to.isEmpty();
    if (mail && s.smtpUrl.isEmpty() && !seen.contains(u"smtp"))
        complain(QCoreApplication::translate("notify", "设置文件 %1 没有 smtp=（邮件服务器），不发邮件").arg(fileName));
    if (mail && s.from.isEmpty() && !seen.contains(u"from"))
        complain(QCoreApplication::translate("notify", "设置文件 %1 没有 from=（发件人），不发邮件").arg(fileName));
    if (mail && s.to.isEmpty() && !seen.contains(u"to"))
        complain(QCoreApplication::translate("notify", "设置文件 %1 没有 to=（收件人），不发邮件").arg(fileName));
    if (!s.passwordFile.isEmpty() && s.user.isEmpty())
        complain(QCoreApplication::translate("notify", "设置文件 %1 有 password-file= 却没有 user=（登录邮件服务器的用户），口令不会使用").arg(fileName));
    checkLevels(s, complain);
    if (bad > kMaxReported)
        problems.append(QCoreApplication::translate("notify", "……设置文件 %1 共 %2 处无法使用").arg(fileName).arg(bad));
    if (problem)
        *problem = problems.join(QLatin1Char('\n'));
    return s;
}

NotifySettings loadNotifySettings(const QString &appDir, QString *problem)
{
    NotifySettings s;
    if (problem)
        problem->clear();
    safefile::load(QDir(appDir).filePath(fileName), MaxNotifyBytes,
                   [&](const QByteArray &content) { s = parseNotifySettings(content, problem); },
                   [&](const QString &why) {
                       if (problem)
                           *problem = QCoreApplication::translate("notify", "设置文件 %1 %2，未读取，不发通知").arg(fileName, why);
                   });
    if (s.passwordFile.startsWith(QLatin1String("~/")))
        s.passwordFile = QDir::home().filePath(s.passwordFile.mid(2));
    else if (!s.passwordFile.isEmpty())
        s.passwordFile = QDir(appDir).absoluteFilePath(s.passwordFile);
    if (s.smsdrc.startsWith(QLatin1String("~/")))
        s.smsdrc = QDir::home().filePath(s.smsdrc.mid(2));
    else if (!s.smsdrc.isEmpty())
        s.smsdrc = QDir(appDir).absoluteFilePath(s.smsdrc);
    return s;
}

std::optional<SmsPerson> NotifySettings::person(const QString &name) const
{
    for (const SmsPerson &p : smsTo)
        if (p.name == name)
            return p;
    return std::nullopt;
}

QList<NotifyLevel> NotifySettings::effectiveLevels() const
{
    QStringList everyone;
    for (const SmsPerson &p : smsTo)
        everyone.append(p.name);
    QList<NotifyLevel> out;
    for (NotifyLevel l : levels.isEmpty() ? QList<NotifyLevel>{NotifyLevel{true, {QStringLiteral("*")}, {QStringLiteral("*")}}} : levels) {
        l.webhook = l.webhook && hasWebhook();
        l.mail = !hasMail() ? QStringList{} : l.mail.contains(QStringLiteral("*")) ? to : l.mail;
        l.sms = !hasSms() ? QStringList{} : l.sms.contains(QStringLiteral("*")) ? everyone : l.sms;
        l.mail.removeDuplicates();
        l.sms.removeDuplicates();
        out.append(l);
    }
    return out;
}

std::optional<QString> readPassword(const QString &path, QString *problem)
{
    const auto refuse = [&](const QString &why) -> std::optional<QString> {
        if (problem)
            *problem = QCoreApplication::translate("notify", "口令文件 %1 %2，口令未使用").arg(path, why);
        return std::nullopt;
    };
    // Opened first and then looked at: the checks and the read concern the same file.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return refuse(errno == ENOENT ? QCoreApplication::translate("notify", "不存在") : QCoreApplication::translate("notify", "无法打开（%1）").arg(QString::fromLocal8Bit(std::strerror(errno))));
    struct stat st;
    QByteArray bytes;
    QString why;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        why = QCoreApplication::translate("notify", "不是普通文件");
    else if (st.st_uid != ::geteuid())
        why = QCoreApplication::translate("notify", "不属于运行本程序的用户（属主 uid %1，本程序 uid %2）；请用 chown 改为本用户，再执行 chmod 600 %3")
                  .arg(st.st_uid).arg(::geteuid()).arg(path);
    else if ((st.st_mode & 077) != 0)
        why = QCoreApplication::translate("notify", "别人也能读写（权限 %1）；请执行 chmod 600 %2，只让自己读写")
                  .arg(QString::number(st.st_mode & 0777, 8).rightJustified(4, QLatin1Char('0')), path);
    else if (st.st_size > MaxPasswordBytes)
        why = QCoreApplication::translate("notify", "大于 %1 字节，不像一个口令").arg(MaxPasswordBytes);
    else {
        bytes.resize(MaxPasswordBytes + 1);
        const ssize_t n = ::read(fd, bytes.data(), size_t(bytes.size()));
        if (n < 0)
            why = QCoreApplication::translate("notify", "无法读取（%1）").arg(QString::fromLocal8Bit(std::strerror(errno)));
        bytes.resize(std::max<ssize_t>(n, 0));
    }
    ::close(fd);
    if (!why.isEmpty())
        return refuse(why);
    const QString password = QString::fromUtf8(bytes).section(QLatin1Char('\n'), 0, 0).remove(QLatin1Char('\r'));
    if (password.isEmpty())
        return refuse(QCoreApplication::translate("notify", "第一行是空的"));
    return password;
}

} // namespace watch
