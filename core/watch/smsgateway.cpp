#include "core/watch/smsgateway.h"
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QRegularExpression>
#include <algorithm>
#include <cerrno>
#include <gammu-smsd.h>
#include <gammu.h>
#include <sys/inotify.h>
#include <unistd.h>

namespace watch {

namespace {

// libgammu keeps static buffers (DecodeUnicodeString, the INI reader's, localtime in the files
// service), so no two of its calls may run at once, whichever object makes them.
QMutex &gammuLock()
{
    static QMutex lock;
    return lock;
}

// libgammu's strings are UCS-2 big-endian with a two-byte terminator.
QByteArray toGammu(const QString &text)
{
    QByteArray out;
    out.reserve((text.size() + 1) * 2);
    for (const QChar c : text) {
        out.append(char(c.unicode() >> 8));
        out.append(char(c.unicode() & 0xff));
    }
    out.append(2, '\0');
    return out;
}

QString fromGammu(const unsigned char *s)
{
    QString out;
    for (; s[0] || s[1]; s += 2)
        out.append(QChar(char16_t(s[0] << 8 | s[1])));
    return out;
}

QString fromUtf16(const QByteArray &bytes)
{
    const bool little = bytes.startsWith("\xff\xfe");
    const int start = (little || bytes.startsWith("\xfe\xff")) ? 2 : 0;
    QString out;
    for (int i = start; i + 1 < bytes.size(); i += 2) {
        const auto hi = uchar(bytes[little ? i + 1 : i]), lo = uchar(bytes[little ? i : i + 1]);
        // gammu-smsd 1.42 writes as many bytes as the text has in UTF-8, padding with zeros.
        if (hi == 0 && lo == 0)
            break;
        out.append(QChar(char16_t(hi << 8 | lo)));
    }
    return out;
}

// GSM 03.38: the default alphabet (without the escape at 0x1b) and its extension table, whose
// characters take an escape and so two septets.
const QString &gsmDefault()
{
    static const QString s = QStringLiteral(
        "@£$¥èéùìòÇ\nØø\rÅåΔ_ΦΓΛΩΠΨΣΘΞÆæßÉ !\"#¤%&'()*+,-./0123456789:;<=>?"
        "¡ABCDEFGHIJKLMNOPQRSTUVWXYZÄÖÑÜ§¿abcdefghijklmnopqrstuvwxyzäöñüà");
    return s;
}
const QString &gsmExtension()
{
    static const QString s = QStringLiteral("^{}\\[~]|€\f");
    return s;
}

// The septets the text takes in the default alphabet; nothing when a character is not in it.
std::optional<int> septets(const QString &text)
{
    int n = 0;
    for (const QChar c : text) {
        if (gsmDefault().contains(c))
            n += 1;
        else if (gsmExtension().contains(c))
            n += 2;
        else
            return std::nullopt;
    }
    return n;
}

// gammu-smsd resolves its folders against its working folder, "/" for the packaged service.
QString folder(const QString &value)
{
    return QDir::cleanPath(QDir::isAbsolutePath(value) ? value : QDir::root().absoluteFilePath(value));
}

using Ini = QHash<QString, QHash<QString, QString>>;

// gammu's own INI rules: sections and keys ignore case, ';' and '#' start comments.
Ini parseIni(const QByteArray &bytes)
{
    Ini ini;
    QString section;
    for (const QByteArray &raw : bytes.split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.isEmpty() || line.startsWith(u';') || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            section = line.mid(1, line.size() - 2).trimmed().toLower();
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (eq > 0)
            ini[section].insert(line.left(eq).trimmed().toLower(), line.mid(eq + 1).trimmed());
    }
    return ini;
}

} // namespace

std::optional<SmsdConfig> readSmsdConfig(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QCoreApplication::translate("sms", "gammu-smsd 的配置文件“%1”打不开：%2").arg(path, file.errorString());
        return std::nullopt;
    }
    const Ini ini = parseIni(file.readAll());
    const QHash<QString, QString> smsd = ini.value(QStringLiteral("smsd"));
    SmsdConfig c;
    c.path = QFileInfo(path).absoluteFilePath();
    c.service = smsd.value(QStringLiteral("service")).toLower();
    if (c.service.isEmpty()) {
        if (error)
            *error = QCoreApplication::translate("sms", "gammu-smsd 的配置文件“%1”的 [smsd] 段没有写 service，不知道短信交给谁。")
                         .arg(path);
        return std::nullopt;
    }
    if (c.service != QLatin1String("files"))
        return c;
    c.outbox = folder(smsd.value(QStringLiteral("outboxpath")));
    c.sent = smsd.contains(QStringLiteral("sentsmspath")) ? folder(smsd.value(QStringLiteral("sentsmspath"))) : c.outbox;
    c.error = smsd.contains(QStringLiteral("errorsmspath")) ? folder(smsd.value(QStringLiteral("errorsmspath"))) : c.sent;
    c.inbox = folder(smsd.value(QStringLiteral("inboxpath")));
    const QString format = smsd.value(QStringLiteral("inboxformat")).toLower();
    c.inboxFormat = (format == QLatin1String("unicode") || format == QLatin1String("detail")) ? format : QStringLiteral("standard");
    return c;
}

struct SmsGateway::Smsd {
    GSM_SMSDConfig *config = nullptr;
    ~Smsd()
    {
        const QMutexLocker lock(&gammuLock());
        SMSD_FreeConfig(config);
    }
};

SmsGateway::SmsGateway(SmsdConfig config) : m_config(std::move(config))
{
    if (m_config.service != QLatin1String("files"))
        return;
    m_inotify = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_inotify < 0)
        return;
    // Departures from the outbox too: a copy across file systems is written in full before the outbox
    // file goes, and a sent folder that is the outbox deletes what it sent.
    int watches = 0;
    watches += inotify_add_watch(m_inotify, QFile::encodeName(m_config.sent).constData(), IN_MOVED_TO | IN_CLOSE_WRITE) >= 0;
    if (m_config.error != m_config.sent)
        watches += inotify_add_watch(m_inotify, QFile::encodeName(m_config.error).constData(), IN_MOVED_TO | IN_CLOSE_WRITE) >= 0;
    watches += inotify_add_watch(m_inotify, QFile::encodeName(m_config.outbox).constData(), IN_MOVED_FROM | IN_DELETE) >= 0;
    if (watches == 0) {
        ::close(m_inotify);
        m_inotify = -1;
    }
}

SmsGateway::~SmsGateway()
{
    if (m_inotify >= 0)
        ::close(m_inotify);
}

int SmsGateway::parts(const QString &text)
{
    if (const auto n = septets(text))
        return *n <= 160 ? 1 : (*n + 152) / 153;
    const auto units = int(text.size());
    return units <= 70 ? 1 : (units + 66) / 67;
}

bool SmsGateway::load(QString *error)
{
    if (m_smsd)
        return true;
    const QMutexLocker lock(&gammuLock());
    GSM_SMSDConfig *config = SMSD_NewConfig("wl8806n-watch");
    if (!config) {
        *error = QCoreApplication::translate("sms", "libgammu 没有内存装下 gammu-smsd 的配置。");
        return false;
    }
    // Not the daemon's log: that file or syslog belongs to gammu-smsd; libgammu's complaints go to
    // our own output instead.
    const GSM_Error e = SMSD_ReadConfig(QFile::encodeName(m_config.path).constData(), config, FALSE);
    if (e != ERR_NONE) {
        SMSD_FreeConfig(config);
        *error = QCoreApplication::translate("sms", "libgammu 读不进 gammu-smsd 的配置文件“%1”：%2")
                     .arg(m_config.path, QString::fromUtf8(GSM_ErrorString(e)));
        return false;
    }
    m_smsd = std::make_unique<Smsd>();
    m_smsd->config = config;
    return true;
}

std::optional<QString> SmsGateway::inject(const QString &number, const QString &text, QString *error)
{
    QString dummy;
    if (!error)
        error = &dummy;
    static const QRegularExpression phone(QStringLiteral("^\\+?[0-9]{3,20}$"));
    const QString to = QString(number).remove(u' ').remove(u'-');
    if (!phone.match(to).hasMatch()) {
        *error = QCoreApplication::translate("sms", "“%1”不是能收短信的号码。").arg(number);
        return std::nullopt;
    }
    if (text.isEmpty()) {
        *error = QCoreApplication::translate("sms", "发给 %1 的短信没有内容。").arg(to);
        return std::nullopt;
    }
    if (m_config.service == QLatin1String("files") && !QFileInfo(m_config.outbox).isDir()) {
        *error = QCoreApplication::translate("sms", "gammu-smsd 的发件文件夹“%1”不存在。").arg(m_config.outbox);
        return std::nullopt;
    }
    if (!load(error))
        return std::nullopt;

    const QByteArray body = toGammu(text), recipient = toGammu(to);
    auto sms = std::make_unique<GSM_MultiSMSMessage>();
    GSM_MultiPartSMSInfo info;
    const QMutexLocker lock(&gammuLock());
    GSM_ClearMultiPartSMSInfo(&info);
    info.EntriesNum = 1;
    info.Class = -1;
    info.UnicodeCoding = !septets(text).has_value();
    info.Entries[0].ID = SMS_ConcatenatedTextLong;
    info.Entries[0].Buffer = reinterpret_cast<unsigned char *>(const_cast<char *>(body.constData()));
    GSM_Error e = GSM_EncodeMultiPartSMS(nullptr, &info, sms.get());
    if (e == ERR_NONE && sms->Number == 0)
        e = ERR_EMPTY;
    if (e != ERR_NONE) {
        *error = QCoreApplication::translate("sms", "发给 %1 的短信编不成 SMS：%2").arg(to, QString::fromUtf8(GSM_ErrorString(e)));
        return std::nullopt;
    }
    for (int i = 0; i < sms->Number; ++i) {
        std::copy(recipient.cbegin(), recipient.cend(), sms->SMS[i].Number);
        sms->SMS[i].PDU = SMS_Submit;
    }
    char id[1024] = {};  // the files service writes the outbox file's whole path here
    e = SMSD_InjectSMS(m_smsd->config, sms.get(), id);
    if (e != ERR_NONE) {
        *error = QCoreApplication::translate("sms", "gammu-smsd 没有收下发给 %1 的短信：%2").arg(to, QString::fromUtf8(GSM_ErrorString(e)));
        return std::nullopt;
    }
    const QString newId = QFile::decodeName(id);
    return m_config.service == QLatin1String("files") ? QFileInfo(newId).fileName() : newId;
}

SmsGateway::Outcome SmsGateway::outcome(const QString &id) const
{
    if (m_config.service != QLatin1String("files"))
        return Outcome::Sent;
    if (id.isEmpty() || id.contains(u'/'))
        return Outcome::Unknown;
    const auto in = [&](const QString &dir) { return QFileInfo(dir + u'/' + id).isFile(); };
    if (in(m_config.outbox))
        return Outcome::Waiting;
    if (m_config.error != m_config.sent && in(m_config.error))
        return Outcome::Failed;
    if (in(m_config.sent))
        return Outcome::Sent;
    return Outcome::Unknown;
}

int SmsGateway::changeFd() const
{
    return m_inotify;
}

void SmsGateway::drain()
{
    if (m_inotify < 0)
        return;
    alignas(inotify_event) char buffer[4096];
    while (::read(m_inotify, buffer, sizeof buffer) > 0 || errno == EINTR) {
    }
}

namespace {

struct InboxName {
    QDateTime time;
    QString serial, number;
    int sequence = 0;
};

// IN<yyyyMMdd>_<HHmmss>_<serial>_<sender>_<part>.<txt|bin>; the sender may hold '_' itself.
std::optional<InboxName> parseInboxName(const QString &name)
{
    static const QRegularExpression re(QStringLiteral("^IN(\\d{8})_(\\d{6})_(\\d+)_(.*)_(\\d+)\\.txt$"));
    const QRegularExpressionMatch m = re.match(name);
    if (!m.hasMatch())
        return std::nullopt;
    InboxName n;
    n.time = QDateTime(QDate::fromString(m.captured(1), QStringLiteral("yyyyMMdd")),
                       QTime::fromString(m.captured(2), QStringLiteral("HHmmss")));
    n.serial = m.captured(3);
    n.number = m.captured(4);
    n.sequence = m.captured(5).toInt();
    return n;
}

// The detail format: a gammu SMS backup holding every part; its texts in the order gammu-smsd linked them.
std::optional<QString> readDetail(const QString &path, QString *number)
{
    const auto backup = std::make_unique<GSM_SMS_Backup>();  // thousands of pointers: not on a worker's stack
    const QMutexLocker lock(&gammuLock());
    GSM_ClearSMSBackup(backup.get());
    if (GSM_ReadSMSBackupFile(QFile::encodeName(path).constData(), backup.get()) != ERR_NONE) {
        GSM_FreeSMSBackup(backup.get());
        return std::nullopt;
    }
    QString text;
    for (int i = 0; backup->SMS[i]; ++i) {
        const GSM_SMSMessage &sms = *backup->SMS[i];
        if (i == 0)
            *number = fromGammu(sms.Number);
        if (sms.Coding == SMS_Coding_Default_No_Compression || sms.Coding == SMS_Coding_Unicode_No_Compression)
            text += fromGammu(sms.Text);
    }
    GSM_FreeSMSBackup(backup.get());
    return text;
}

} // namespace

std::optional<QList<SmsGateway::Received>> SmsGateway::received(QString *error) const
{
    QDir dir(m_config.inbox);
    if (m_config.service != QLatin1String("files") || !dir.exists()) {
        if (error)
            *error = m_config.service != QLatin1String("files")
                ? QCoreApplication::translate("sms", "gammu-smsd 的 %1 服务不把收到的短信放进文件夹，读不到回复。")
                      .arg(m_config.service)
                : QCoreApplication::translate("sms", "gammu-smsd 的收件文件夹“%1”不存在。").arg(m_config.inbox);
        return std::nullopt;
    }
    QList<Received> out;
    QHash<QString, std::pair<qsizetype, int>> open;  // serial and sender → message, its last part
    for (const QString &name : dir.entryList({QStringLiteral("IN*")}, QDir::Files, QDir::Name)) {
        const auto parsed = parseInboxName(name);
        if (!parsed)
            continue;
        const QString path = dir.filePath(name);
        QString number = parsed->number, text;
        if (m_config.inboxFormat == QLatin1String("detail")) {
            const auto t = readDetail(path, &number);
            if (!t)
                continue;
            text = *t;
        } else {
            QFile f(path);
            if (!f.open(QIODevice::ReadOnly))
                continue;
            const QByteArray bytes = f.readAll();
            if (bytes.isEmpty())  // just created, its text not written yet: next time
                continue;
            text = m_config.inboxFormat == QLatin1String("unicode") ? fromUtf16(bytes) : QString::fromUtf8(bytes);
        }
        const QString key = parsed->serial + u'_' + parsed->number;
        const auto it = open.find(key);
        if (parsed->sequence > 0 && it != open.end() && it->second + 1 == parsed->sequence) {
            out[it->first].text += text;
            it->second = parsed->sequence;
            continue;
        }
        open.insert(key, {out.size(), parsed->sequence});
        out.append({name, number, text, parsed->time});
    }
    std::stable_sort(out.begin(), out.end(), [](const Received &a, const Received &b) { return a.time < b.time; });
    return out;
}

} // namespace watch
