#include "core/settings/archivesettings.h"
#include "core/settings/keyvaluelines.h"
#include "core/archive/archivepassword.h"
#include "core/files/safefile.h"
#include <QCoreApplication>
#include <QDir>
#include <QStringDecoder>
#include <algorithm>

namespace archive {

namespace {
constexpr int kMaxReported = 10;
const QString fileName = QString::fromLatin1(SettingsFileName);

bool hasControl(const QString &s)
{
    return std::any_of(s.begin(), s.end(), [](QChar c) {
        return c.category() == QChar::Other_Control || c == QChar::LineSeparator || c == QChar::ParagraphSeparator;
    });
}

QString portRefusal(qint64 port)
{
    return QCoreApplication::translate("archivesettings", "端口 %1 不在 1–65535 之内").arg(port);
}

// Why one field's value cannot be used; empty when it can.
QString fieldRefusal(const QString &caption, const QString &value, bool isHost)
{
    if (hasControl(value))
        return QCoreApplication::translate("archivesettings", "%1不能含换行或其他控制字符").arg(caption);
    if (isHost && value.contains(QLatin1Char(' ')))
        return QCoreApplication::translate("archivesettings", "主机不能含空格");
    return QString();
}
} // namespace

QString settingsRefusal(const ArchiveConfig &config)
{
    const std::tuple<QString, QString, bool> fields[] = {
        {QCoreApplication::translate("archivesettings", "主机"), config.host, true},
        {QCoreApplication::translate("archivesettings", "数据库"), config.database, false},
        {QCoreApplication::translate("archivesettings", "用户"), config.user, false}};
    for (const auto &[caption, value, isHost] : fields)
        if (const QString why = fieldRefusal(caption, value, isHost); !why.isEmpty())
            return why;
    if (config.port < 1 || config.port > 65535)
        return portRefusal(config.port);
    if (!config.backupDir.isEmpty() && !QDir::isAbsolutePath(config.backupDir))
        return QCoreApplication::translate("archivesettings", "备份文件夹应为绝对路径");
    if (hasControl(config.backupDir))
        return QCoreApplication::translate("archivesettings", "%1不能含换行或其他控制字符").arg(QCoreApplication::translate("archivesettings", "备份文件夹"));
    if (config.backupKeepDays < 1 || config.backupKeepDays > MaxBackupKeepDays)
        return QCoreApplication::translate("archivesettings", "备份保留天数应为 1–%1 的整数").arg(MaxBackupKeepDays);
    if (config.kind == ArchiveConfig::Postgres && config.database.trimmed().isEmpty())
        return QCoreApplication::translate("archivesettings", "数据库不能为空");
    if (config.kind == ArchiveConfig::Postgres && config.user.trimmed().isEmpty())
        return QCoreApplication::translate("archivesettings", "用户不能为空");
    return QString();
}

namespace {
// host=, database=, user=: kept as written, refused with a control character (or a host with a blank).
settings::Key<ArchiveConfig> serverKey(const char *name, QString ArchiveConfig::*field, const char *caption)
{
    const bool isHost = field == &ArchiveConfig::host;
    return settings::textKey<ArchiveConfig>(name, field, [=](const QString &v) { return fieldRefusal(QCoreApplication::translate("archivesettings", caption), v, isHost); });
}

const std::vector<settings::Key<ArchiveConfig>> &keys()
{
    using Key = settings::Key<ArchiveConfig>;
    static const std::vector<Key> table{
        settings::refusedKey<ArchiveConfig>("password", [] { return QCoreApplication::translate("archivesettings", "口令不写在文件里，请存入密钥环或 ~/.pgpass"); }),
        Key{"kind", [](ArchiveConfig &c, const QString &v) {
                if (v.compare(u"sqlite", Qt::CaseInsensitive) == 0)
                    c.kind = ArchiveConfig::Sqlite;
                else if (v.compare(u"postgres", Qt::CaseInsensitive) == 0)
                    c.kind = ArchiveConfig::Postgres;
                else
                    return QCoreApplication::translate("archivesettings", "kind 应为 sqlite 或 postgres");
                return QString();
            }},
        settings::wholeKey("port", &ArchiveConfig::port, 1, 65535),
        Key{"backup-dir", [](ArchiveConfig &c, const QString &v) {
                c.backupDir = QDir::cleanPath(v);
                return !QDir::isAbsolutePath(v) ? QCoreApplication::translate("archivesettings", "备份文件夹应为绝对路径") : fieldRefusal(QCoreApplication::translate("archivesettings", "备份文件夹"), v, false);
            }},
        settings::wholeKey("backup-keep", &ArchiveConfig::backupKeepDays, 1, MaxBackupKeepDays),
        serverKey("host", &ArchiveConfig::host, QT_TRANSLATE_NOOP("archivesettings", "主机")),
        serverKey("database", &ArchiveConfig::database, QT_TRANSLATE_NOOP("archivesettings", "数据库")),
        serverKey("user", &ArchiveConfig::user, QT_TRANSLATE_NOOP("archivesettings", "用户")),
    };
    return table;
}
} // namespace

std::optional<ArchiveConfig> parseSettings(const QByteArray &content, QStringList *problems)
{
    ArchiveConfig config;
    int bad = 0;
    const auto complain = [&](const QString &sentence) {
        if (++bad <= kMaxReported && problems)
            problems->append(sentence);
    };
    // Any refused line refuses the file: records must not go to another archive than the one meant.
    for (const settings::Refusal &r : settings::readKeyValues(content, keys(), config))
        complain(QCoreApplication::translate("archivesettings", "设置文件 %1 %2").arg(fileName, r.text()));
    if (bad == 0 && config.kind == ArchiveConfig::Postgres) {
        if (config.database.isEmpty())
            complain(QCoreApplication::translate("archivesettings", "设置文件 %1 没有 database=（PostgreSQL 存档的数据库）").arg(fileName));
        if (config.user.isEmpty())
            complain(QCoreApplication::translate("archivesettings", "设置文件 %1 没有 user=（连接 PostgreSQL 的用户）").arg(fileName));
    }
    if (bad > kMaxReported && problems)
        problems->append(QCoreApplication::translate("archivesettings", "……设置文件 %1 共 %2 处无法使用").arg(fileName).arg(bad));
    if (bad > 0)
        return std::nullopt;
    return config;
}

QByteArray settingsContent(const ArchiveConfig &config)
{
    const bool postgres = config.kind == ArchiveConfig::Postgres;
    QString out = QStringLiteral("# 存档数据库：kind=sqlite（应用程序文件夹中的 %1）或 kind=postgres；"
                                 "口令不写在这里，存在密钥环或 ~/.pgpass 中\r\n")
                      .arg(QLatin1String(DefaultFileName));
    out += QStringLiteral("kind=%1\r\n").arg(postgres ? u"postgres" : u"sqlite");
    // Kept with the SQLite archive too, so that going back to the server needs no retyping.
    const bool server = postgres || !config.host.isEmpty() || !config.database.isEmpty() || !config.user.isEmpty();
    if (server) {
        out += QStringLiteral("host=%1\r\nport=%2\r\n").arg(config.host.trimmed()).arg(config.port);
        out += QStringLiteral("database=%1\r\nuser=%2\r\n").arg(config.database.trimmed(), config.user.trimmed());
    }
    if (!config.backupDir.isEmpty())
        out += QStringLiteral("backup-dir=%1\r\n").arg(config.backupDir);
    if (!config.backupDir.isEmpty() || config.backupKeepDays != ArchiveConfig{}.backupKeepDays)
        out += QStringLiteral("backup-keep=%1\r\n").arg(config.backupKeepDays);
    return out.toUtf8();
}

QString settingsLine(const ArchiveConfig &config)
{
    QStringList lines = QString::fromUtf8(settingsContent(config)).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    lines.removeIf([](const QString &line) { return line.startsWith(QLatin1Char('#')); });
    return lines.join(QStringLiteral("; "));
}

bool saveSettings(const QString &appDir, const ArchiveConfig &config, QString *error)
{
    if (const QString why = settingsRefusal(config); !why.isEmpty()) {
        if (error)
            *error = why;
        return false;
    }
    return safefile::writeWhole(appDir + QLatin1Char('/') + fileName, settingsContent(config), error);
}

std::optional<ArchiveConfig> configuredArchive(const QString &appDir, QStringList *problems)
{
    std::optional<ArchiveConfig> config = ArchiveConfig{};  // no file: the default archive
    safefile::load(appDir + QLatin1Char('/') + fileName, MaxSettingsBytes,
                   [&](const QByteArray &content) { config = parseSettings(content, problems); },
                   [&](const QString &why) {
                       config.reset();
                       problems->append(QCoreApplication::translate("archivesettings", "设置文件 %1 %2，未读取").arg(fileName, why));
                   });
    if (config)
        config->sqlitePath = appDir + QLatin1Char('/') + QLatin1String(DefaultFileName);
    return config;
}

bool saveChoice(const QString &appDir, const ArchiveConfig &config, QString *error, QString *note, int keyringTimeoutMs)
{
    if (!saveSettings(appDir, config, error))
        return false;
    if (config.kind != ArchiveConfig::Postgres || config.password.isEmpty())
        return true;
    const KeyringAnswer kept = storePassword(config, config.password, keyringTimeoutMs);
    if (kept.status != KeyringAnswer::Done)
        *note = QCoreApplication::translate("archivesettings", "口令没有保存（%1）。请把它写进 ~/.pgpass（权限 0600），"
                               "一行“主机:端口:数据库:用户:口令”，程序连接时由 PostgreSQL 读取。")
                    .arg(kept.reason);
    return true;
}

bool openConfiguredArchive(RecordStore &store, const QString &appDir, QString *error, QString *note, ArchiveConfig *used)
{
    QStringList problems;
    const std::optional<ArchiveConfig> config = configuredArchive(appDir, &problems);
    return openArchive(store, config, problems, error, note, used);
}

bool openArchive(RecordStore &store, std::optional<ArchiveConfig> config, const QStringList &problems, QString *error,
                 QString *note, ArchiveConfig *used)
{
    if (!config) {
        *error = problems.join(QLatin1Char('\n'));
        return false;
    }
    if (config->kind == ArchiveConfig::Postgres) {
        const KeyringAnswer answer = readPassword(*config);
        if (answer.status == KeyringAnswer::Done)
            config->password = answer.password;
        else if (note)
            *note = QCoreApplication::translate("archivesettings", "%1，连接时不带口令（PostgreSQL 会查 ~/.pgpass）").arg(answer.reason);
    }
    if (used)
        *used = *config;
    return store.open(*config, error);
}

} // namespace archive
