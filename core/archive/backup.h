#pragma once
#include "core/archive/recordstore.h"
#include <QDate>
#include <QString>
#include <QStringList>

// Dated backups of the archive (a day's second copy stands beside its first), each proven before anything older goes. A SQLite archive is
// copied with VACUUM INTO, a PostgreSQL one dumped by pg_dump (custom format, started without a
// shell); either is written beside its dated name and renamed to it only once it passed its check, so
// a half-made or failed copy never stands under that name. The check of a SQLite copy opens it on a
// connection of its own, runs SQLite's integrity check and walks its hash chains; a dump is restored
// by pg_restore into a scratch database, whose chains are walked before it is dropped (where the role
// may not create databases, the dump is only read back by pg_restore --list and the live archive's
// chains are walked, and the verdict says so: pgbackupcheck.h). The outcome goes into the audit
// trail; then, and only when the new copy passed, backups dated more than the kept days before it are
// removed (each one audited) — but for a SQLite copy holding rows the archive no longer has as they
// were: that one is kept, and named.
namespace archive {

struct BackupOutcome {
    bool made = false;      // the copy was written
    bool passed = false;    // and passed its check: it now stands under path
    QString path;           // the dated file
    QString verdict;        // what the check found (the chains' verdict), or why there is no copy
    QStringList removed;    // older backups removed after this one passed
    QStringList held;       // older backups kept beyond their days: they hold rows the archive no longer has (why)
    QString auditError;     // the audit trail refused the entry (the backup itself stands)
};

// The dated file of a backup made on day: archive-YYYY-MM-DD.db (SQLite) or .dump (PostgreSQL); the
// day's second copy and on archive-YYYY-MM-DD.2.db and so on.
QString backupFileName(const ArchiveConfig &config, const QDate &day, int copy = 1);

// The SQLite copy at file: whole (SQLite's integrity check) and its chains unbroken. Empty when it
// passed, else what is wrong; *verdict gets the chains' verdict when they could be walked.
QString checkSqliteCopy(const QString &file, QString *verdict);

// The newest dated backup in dir of the kind given, SQLite files (db) or pg_dump copies (dump), by
// its day, then its copy; empty when there is none.
QString newestBackup(const QString &dir, const QString &kind = QStringLiteral("db"));

// Makes day's backup of the open store (whose settings config is) into config.backupDir.
BackupOutcome makeBackup(RecordStore &store, const ArchiveConfig &config, const QDate &day);

} // namespace archive
