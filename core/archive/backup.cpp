#include "core/archive/backup.h"
#include "core/archive/anchors.h"
#include "core/archive/pgbackupcheck.h"
#include "core/archive/sqlstatements.h"
#include "core/files/safefile.h"
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <atomic>
#include <unistd.h>

namespace archive {

namespace {
// archive-YYYY-MM-DD.db, and a later copy of the same day archive-YYYY-MM-DD.2.db
const QRegularExpression &datedName()
{
    static const QRegularExpression re(QStringLiteral("^archive-(\\d{4}-\\d{2}-\\d{2})(?:\\.(\\d+))?\\.(db|dump)$"));
    return re;
}

// The dated backups in dir of the kind (db or dump), oldest first: by day, then by copy.
QStringList dated(const QString &dir, const QString &kind)
{
    QList<std::tuple<QString, int, QString>> found;
    for (const QString &name : QDir(dir).entryList(QDir::Files)) {
        const auto m = datedName().match(name);
        if (m.hasMatch() && m.captured(3) == kind)
            found.append({m.captured(1), m.captured(2).isEmpty() ? 1 : m.captured(2).toInt(), QDir(dir).filePath(name)});
    }
    std::sort(found.begin(), found.end());
    QStringList paths;
    for (const auto &f : found)
        paths << std::get<2>(f);
    return paths;
}

// Backups dated more than keep days before day, in dir.
QStringList expired(const QString &dir, const QDate &day, int keep)
{
    QStringList old;
    const QDate oldestKept = day.addDays(-keep);
    for (const QString &name : QDir(dir).entryList(QDir::Files, QDir::Name)) {
        const auto m = datedName().match(name);
        const QDate d = m.hasMatch() ? QDate::fromString(m.captured(1), Qt::ISODate) : QDate();
        if (d.isValid() && d < oldestKept)
            old << QDir(dir).filePath(name);
    }
    return old;
}

QString kindOf(const ArchiveConfig &config)
{
    return config.kind == ArchiveConfig::Postgres ? QStringLiteral("dump") : QStringLiteral("db");
}
} // namespace

QString checkSqliteCopy(const QString &file, QString *verdict)
{
    static std::atomic<int> counter{0};
    const QString name = QStringLiteral("wl_backup_check_%1").arg(++counter);
    QString why;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(file);
        QSqlQuery q(db);
        if (!db.open()) {
            why = sql::describe(db, QCoreApplication::translate("archive", "备份打不开"), db.lastError());
        } else if (!q.exec(QStringLiteral("PRAGMA integrity_check")) || !q.next()) {
            why = sql::describe(db, QCoreApplication::translate("archive", "备份的完整性检查没有完成"), q.lastError());
        } else if (const QString answer = q.value(0).toString(); answer != QLatin1String("ok")) {
            why = QCoreApplication::translate("archive", "备份的完整性检查不通过：%1").arg(answer);
        } else {
            q.finish();
            const auto v = chain::verify(db, &why);
            if (v) {
                *verdict = v->text();
                if (!v->ok)
                    why = QCoreApplication::translate("archive", "备份的哈希链断了");
            }
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return why;
}

QString backupFileName(const ArchiveConfig &config, const QDate &day, int copy)
{
    return QStringLiteral("archive-%1%2.%3").arg(day.toString(Qt::ISODate), copy > 1 ? QStringLiteral(".%1").arg(copy) : QString(),
                                                  kindOf(config));
}

QString newestBackup(const QString &dir, const QString &kind)
{
    const QStringList all = dir.isEmpty() ? QStringList() : dated(dir, kind);
    return all.isEmpty() ? QString() : all.last();
}

BackupOutcome makeBackup(RecordStore &store, const ArchiveConfig &config, const QDate &day)
{
    BackupOutcome out;
    // A second copy of a day stands beside the first: a poorer copy never replaces a good one.
    for (int copy = 1; out.path.isEmpty() || QFileInfo::exists(out.path); ++copy)
        out.path = QDir(config.backupDir).filePath(backupFileName(config, day, copy));
    const bool postgres = config.kind == ArchiveConfig::Postgres;
    QString why;
    // The copy is made and checked under a temporary name: renamed to its date only when it passed.
    const bool passed = !config.backupDir.isEmpty() && safefile::writeThrough(out.path, [&](int fd, const QByteArray &name, QString *reason) {
        ::close(fd);
        const QString file = QFile::decodeName(name);
        QString error;
        if (postgres) {
            error = pgDump(config, file);
        } else {
            // VACUUM INTO takes only a file that does not exist or is empty.
            if (!store.checks().copyInto(file, &error))
                error = error.isEmpty() ? QCoreApplication::translate("archive", "存档没有复制") : error;
            else
                error.clear();
        }
        if (!error.isEmpty()) {
            *reason = error;
            return false;
        }
        out.made = true;
        *reason = postgres ? checkPgDump(store, config, file, &out.verdict) : checkSqliteCopy(file, &out.verdict);
        return reason->isEmpty();
    }, &why);
    if (config.backupDir.isEmpty())
        why = QCoreApplication::translate("archive", "archive.set 没有给出 backup-dir=");
    out.passed = passed;
    if (!passed)
        out.verdict = out.verdict.isEmpty() ? why : QStringLiteral("%1（%2）").arg(why, out.verdict);
    QString auditError;
    const QString line = QStringLiteral("%1: %2%3").arg(out.path, passed ? QString() : QCoreApplication::translate("archive", "失败："), out.verdict);
    if (!store.audit().append({{}, QLatin1String(kinds::Backup), {}, line}, &auditError))
        out.auditError = auditError;
    if (!passed)
        return out;
    for (const QString &old : expired(config.backupDir, day, config.backupKeepDays)) {
        // A copy that holds rows the archive no longer has, as they were, is what proves it: kept.
        QString unread;  // a file that does not open as a backup proves nothing: it goes as before
        if (const auto v = verifyAgainst(store.checks(), {{}, {old}, {}}, &unread); v && !v->ok) {
            out.held << QStringLiteral("%1: %2").arg(old, v->text());
            continue;
        }
        if (!QFile::remove(old))
            continue;
        out.removed << old;
        if (!store.audit().append({{}, QLatin1String(kinds::BackupRemoved), old, {}}, &auditError))
            out.auditError = auditError;
    }
    return out;
}

} // namespace archive
