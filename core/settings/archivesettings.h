#pragma once
#include "core/archive/archivepassword.h"
#include "core/archive/recordstore.h"
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

// Which archive the records go to: "archive.set" in the application folder, UTF-8, a "key=value"
// line each (blank lines and lines starting with # are ignored), so a site can write it by hand:
//
//   kind=postgres        sqlite (the default) or postgres
//   host=db.site         a name, an address, or the folder of the server's Unix socket
//   port=5432            1–65535
//   database=wl8806n
//   user=collector
//   backup-dir=/srv/wl8806n/backups   where the daily backups go (an absolute folder); none: no backups
//   backup-keep=30       days of backups kept, 1–3650 (30 when not given)
//
// No file means the SQLite file archive.db in the application folder. A password never goes into
// the file: it lives in the user's keyring or in ~/.pgpass. Any line that cannot be used refuses the
// whole file: records must not go to some other archive than the one the site meant.
namespace archive {

inline constexpr char SettingsFileName[] = "archive.set";
inline constexpr qint64 MaxSettingsBytes = 16 * 1024;
inline constexpr int MaxBackupKeepDays = 3650;

// The file's settings (sqlitePath and password left empty), or nothing and a sentence a problem
// naming its line or the key that is missing.
std::optional<ArchiveConfig> parseSettings(const QByteArray &content, QStringList *problems);

// Why the settings cannot be used (naming the box: "端口", "数据库", "用户", "主机"); empty when
// they can. The SQLite archive needs nothing; the server's fields are checked when kept alongside.
QString settingsRefusal(const ArchiveConfig &config);

// The file's text: the kind and, when given, the server's fields, never the password.
QByteArray settingsContent(const ArchiveConfig &config);

// The settings in one line for the audit trail: "kind=sqlite; backup-dir=/srv/b; backup-keep=30".
QString settingsLine(const ArchiveConfig &config);

// Writes archive.set whole; refused settings are not written (the earlier file stays) and *error
// says why.
bool saveSettings(const QString &appDir, const ArchiveConfig &config, QString *error);

// The archive the application folder's archive.set names, sqlitePath filled in (appDir/archive.db);
// nothing and *problems when the file cannot be read or used.
std::optional<ArchiveConfig> configuredArchive(const QString &appDir, QStringList *problems);

// What the settings dialog's OK does: writes archive.set and, for a PostgreSQL archive with a
// password, keeps the password in the keyring. False and *error when archive.set was not written
// (then nothing else is done); *note says when the password could not be kept and what to do instead.
bool saveChoice(const QString &appDir, const ArchiveConfig &config, QString *error, QString *note,
                int keyringTimeoutMs = KeyringTimeoutMs);

// Opens the configured archive. For a PostgreSQL archive the password comes from the keyring when
// one answers; *note then says why there was none to give (the connection goes on without, for
// ~/.pgpass or a server that trusts the user). False and *error when the settings or the archive
// cannot be used. *used, when given, gets the settings the archive was opened with (password included,
// for a pg_dump of it).
bool openConfiguredArchive(RecordStore &store, const QString &appDir, QString *error, QString *note,
                           ArchiveConfig *used = nullptr);
// The same with the file already read: config and problems as configuredArchive gave them.
bool openArchive(RecordStore &store, std::optional<ArchiveConfig> config, const QStringList &problems, QString *error,
                 QString *note, ArchiveConfig *used = nullptr);

} // namespace archive
