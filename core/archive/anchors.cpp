#include "core/archive/anchors.h"
#include "core/archive/backup.h"
#include "core/archive/pgbackupcheck.h"
#include "core/archive/sqlstatements.h"
#include "core/files/safefile.h"
#include <QCoreApplication>
#include <QDir>
#include <QMap>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <atomic>

namespace archive {

namespace {
QString tr(const char *text)
{
    return QCoreApplication::translate("archive", text);
}

chain::Verdict brokenBy(const QString &what)
{
    return {false, 0, QStringLiteral("-"), QString(), QStringLiteral("-"), what, QString()};
}

// An older backup, open for reading while the archive is held against it: a SQLite file, or a
// pg_dump copy restored into a scratch database on the archive's server.
class Backup {
public:
    Backup(const QString &file, const QSqlDatabase &archive) : m_name(QStringLiteral("wl_anchor_%1").arg(++counter()))
    {
        source = tr("备份 %1 ").arg(QDir::toNativeSeparators(file));
        if (isPgDump(file)) {
            ArchiveConfig server{ArchiveConfig::Postgres, {}, archive.hostName(), archive.port(), archive.databaseName(),
                                 archive.userName(), archive.password()};
            m_dump = std::make_unique<RestoredDump>(server, file);
            if (!m_dump->error.isEmpty())
                error = tr("备份 %1 恢复不了，无法对照：%2").arg(file, m_dump->error);
            return;
        }
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(file);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (!db.open())
            error = sql::describe(db, tr("备份 %1 打不开").arg(file), db.lastError());
    }
    ~Backup()
    {
        if (m_dump)
            return;
        QSqlDatabase::database(m_name, false).close();
        QSqlDatabase::removeDatabase(m_name);
    }
    QSqlDatabase db() const { return m_dump ? m_dump->db() : QSqlDatabase::database(m_name, false); }

    QString error, source;

private:
    static std::atomic<int> &counter()
    {
        static std::atomic<int> n{0};
        return n;
    }
    QString m_name;
    std::unique_ptr<RestoredDump> m_dump;
};

// The backup's id, when it has one (a backup from before archives were named has none).
std::optional<QString> idOf(const Backup &b, QString *error)
{
    if (!b.db().tables().contains(QStringLiteral("archive_identity")))
        return QString();
    QSqlQuery q(b.db());
    if (!q.exec(QStringLiteral("SELECT id FROM archive_identity")) || !q.next()) {
        *error = sql::describe(b.db(), tr("读不出%1的标识").arg(b.source), q.lastError());
        return std::nullopt;
    }
    return q.value(0).toString();
}

std::optional<QList<chain::Anchor>> anchorsOf(const Backup &b, QString *error)
{
    QSqlQuery q(b.db());
    if (!q.exec(QStringLiteral("SELECT tbl, recorder, rows, hash FROM chain_tips"))) {
        *error = sql::describe(b.db(), tr("读不出%1的链尾").arg(b.source), q.lastError());
        return std::nullopt;
    }
    QList<chain::Anchor> all;
    while (q.next())
        all << chain::Anchor{q.value(0).toString(), q.value(1).toString(), q.value(2).toLongLong(), q.value(3).toString(), b.source};
    return all;
}

// The first row of the backup's chain the archive does not hold as it was: its seq and key.
QString firstDifference(QSqlDatabase archive, const Backup &b, const chain::Verdict &v)
{
    const chain::Table *t = nullptr;
    for (const chain::Table &each : chain::tables())
        if (v.table == QLatin1String(each.name))
            t = &each;
    if (!t)
        return {};
    const QString select = QStringLiteral("SELECT seq, hash%1 FROM %2%3 ORDER BY seq")
                               .arg(t->keyColumns.isEmpty() ? QString() : QStringLiteral(", ") + t->keyColumns.join(QStringLiteral(", ")),
                                    QLatin1String(t->name), t->perRecorder ? QStringLiteral(" WHERE recorder = ?") : QString());
    QSqlQuery mine(archive), theirs(b.db());
    for (QSqlQuery *q : {&mine, &theirs}) {
        q->setForwardOnly(true);
        q->prepare(select);
        if (t->perRecorder)
            q->addBindValue(v.recorder);
        if (!q->exec())
            return {};
    }
    while (theirs.next()) {
        const bool here = mine.next();
        if (here && mine.value(0) == theirs.value(0) && mine.value(1) == theirs.value(1))
            continue;
        QStringList key{QStringLiteral("seq=%1").arg(theirs.value(0).toLongLong())};
        for (int i = 0; i < t->keyColumns.size(); ++i)
            key << QStringLiteral("%1=%2").arg(t->keyColumns[i], theirs.value(2 + i).toString());
        return key.join(QLatin1Char(' '));
    }
    return {};
}
} // namespace

std::optional<chain::Verdict> verifyAgainst(const Checks &checks, const Anchors &anchors, QString *error)
{
    const auto id = checks.archiveId(error);
    if (!id)
        return std::nullopt;
    QList<chain::Anchor> all;
    for (const Checkpoint &c : anchors.checkpoints) {
        const QString name = tr("检查点 %1（%2）").arg(c.shortHash(), c.at.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
        if (!signatureHolds(c))
            return brokenBy(tr("%1的签名不对：检查点被改过").arg(name));
        if (c.publicKey != anchors.trustedKey)
            return brokenBy(tr("%1不是用本程序的签名钥匙签的").arg(name));
        if (c.archiveId != *id)
            return brokenBy(tr("%1属于另一个存档（%2），这个存档是 %3：存档被换掉了，或删除后重建了").arg(name, c.archiveId, *id));
        all << c.anchors();
    }
    std::vector<std::unique_ptr<Backup>> backups;
    for (const QString &file : anchors.backups) {
        auto b = std::make_unique<Backup>(file, checks.database());
        if (!b->error.isEmpty()) {
            *error = b->error;
            return std::nullopt;
        }
        const auto theirId = idOf(*b, error);
        const auto theirs = theirId ? anchorsOf(*b, error) : std::nullopt;
        if (!theirs)
            return std::nullopt;
        if (!theirId->isEmpty() && *theirId != *id)
            return brokenBy(tr("%1属于另一个存档（%2），这个存档是 %3：存档被换掉了，或删除后重建了").arg(b->source.trimmed(), *theirId, *id));
        all << *theirs;
        backups.push_back(std::move(b));
    }
    for (const chain::Anchor &a : all)
        if (std::none_of(chain::tables().cbegin(), chain::tables().cend(), [&](const chain::Table &t) { return a.table == QLatin1String(t.name); }))
            return brokenBy(tr("%1记载的表 %2 不是存档的链").arg(a.source, a.table));
    auto v = checks.verify(error, all);
    if (v && !v->ok)
        for (const auto &b : backups)
            if (b->source == v->source)
                if (const QString row = firstDifference(checks.database(), *b, *v); !row.isEmpty()) {
                    v->key = row;
                    v->what = tr("%1里的这一行在存档里不在了或被改过").arg(b->source);
                }
    return v;
}

std::optional<chain::Verdict> verifyKept(const Checks &checks, const QString &backupDir, const QString &keyFile, Anchors anchors,
                                         bool lastBackup, QString *error)
{
    QStringList bad;
    if (!backupDir.isEmpty()) {
        anchors.checkpoints << checkpointsInFolder(backupDir, &bad);
        const bool postgres = checks.database().driverName() == QLatin1String("QPSQL");
        if (const QString last = newestBackup(backupDir, postgres ? QStringLiteral("dump") : QStringLiteral("db")); lastBackup && !last.isEmpty())
            anchors.backups << last;
    }
    if (!bad.isEmpty())
        return brokenBy(tr("备份文件夹里的检查点读不出：%1").arg(bad.first()));
    if (!anchors.checkpoints.isEmpty()) {
        const auto key = CheckpointKey::publicKeyIn(keyFile, error);
        if (!key) {
            *error = tr("检查点无法核对：%1").arg(*error);
            return std::nullopt;
        }
        anchors.trustedKey = *key;
    }
    return verifyAgainst(checks, anchors, error);
}

QString anotherArchiveBefore(const Checks &checks, const QString &backupDir)
{
    QString error;
    const auto id = backupDir.isEmpty() ? std::nullopt : checks.archiveId(&error);
    if (!id)
        return {};
    QStringList bad;
    const QList<Checkpoint> kept = checkpointsInFolder(backupDir, &bad);
    QString theirs = kept.isEmpty() ? QString() : kept.last().archiveId;
    // A pg_dump copy is not restored for this, which runs before every download: the checkpoints say it.
    if (const QString last = newestBackup(backupDir); theirs.isEmpty() && !last.isEmpty())
        theirs = idOf(Backup(last, checks.database()), &error).value_or(QString());
    if (theirs.isEmpty() || theirs == *id)
        return {};
    return tr("存档（%1）不是备份文件夹 %2 里的检查点和备份所属的存档（%3）：它被删除后重建了，或被换掉了")
        .arg(*id, QDir::toNativeSeparators(backupDir), theirs);
}

std::optional<Checkpoint> makeCheckpoint(const Checks &checks, const CheckpointKey &key, QString *error)
{
    Checkpoint c;
    const auto id = checks.archiveId(error);
    const auto tips = id ? checks.tips(error) : std::nullopt;
    if (!tips)
        return std::nullopt;
    c.archiveId = *id;
    const QDateTime now = QDateTime::currentDateTimeUtc();
    c.at = now.addMSecs(-now.time().msec());
    c.chains = *tips;
    key.sign(&c);
    return c;
}

QList<Checkpoint> checkpointsInFolder(const QString &dir, QStringList *bad)
{
    QList<Checkpoint> all;
    for (const QString &name : QDir(dir).entryList({QStringLiteral("checkpoint-*.txt")}, QDir::Files, QDir::Name)) {
        QByteArray bytes;
        QString reason;
        const QString file = QDir(dir).filePath(name);
        if (safefile::readBounded(file, 1 << 20, &bytes, &reason) != safefile::Read::Ok) {
            *bad << QStringLiteral("%1: %2").arg(file, reason);
            continue;
        }
        QStringList unread;
        const QList<Checkpoint> here = checkpointsIn(QString::fromUtf8(bytes), &unread);
        if (here.isEmpty() && unread.isEmpty())
            unread << tr("没有检查点");
        for (const QString &line : unread)
            *bad << QStringLiteral("%1: %2").arg(file, line);
        all << here;
    }
    return all;
}

std::optional<QString> keepCheckpoint(const Checkpoint &c, const QString &dir, QString *error)
{
    const QString file = QDir(dir).filePath(QStringLiteral("checkpoint-%1.txt").arg(c.at.toUTC().toString(QStringLiteral("yyyyMMdd-HHmmss"))));
    if (!safefile::writeWhole(file, (c.text() + QLatin1Char('\n')).toUtf8(), error))
        return std::nullopt;
    return file;
}

std::optional<KeptCheckpoint> takeCheckpoint(RecordStore &store, const ArchiveConfig &config, const QString &keyFile,
                                             const SendAway &sendAway, QString *error)
{
    const auto key = CheckpointKey::open(keyFile, error);
    auto made = key ? makeCheckpoint(store.checks(), *key, error) : std::nullopt;
    if (!made)
        return std::nullopt;
    KeptCheckpoint kept{*made, {}, {}};
    if (!config.backupDir.isEmpty()) {
        const auto file = keepCheckpoint(*made, config.backupDir, error);
        if (!file)
            return std::nullopt;
        kept.where << *file;
    }
    if (sendAway)
        kept.where << sendAway(*made);
    store.audit().append({{}, QLatin1String(kinds::Checkpoint), kept.where.join(QStringLiteral("; ")), made->text()}, &kept.auditError);
    return kept;
}

} // namespace archive
