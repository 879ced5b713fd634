#include "core/archive/recordstore.h"
#include "core/archive/sqlstatements.h"
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <atomic>
#include <fcntl.h>
#include <unistd.h>

// Opening the archive: the connection, its write lock, and the tables created or brought up to date.
namespace archive {

namespace {std::atomic<int> connectionCounter{0};

// SQLite's primary result codes that name a fault a user can act on.
enum SqliteCode { Busy = 5, Locked = 6, ReadOnly = 8, Corrupt = 11, Full = 13, CantOpen = 14, NotADatabase = 26 };

bool isSqlite(const QSqlDatabase &db)
{
    return db.driverName() == QLatin1String("QSQLITE");
}

QString sqlError(const QString &what, const QSqlError &e)
{
    const QString text = e.text().trimmed();
    return text.isEmpty() ? what : QCoreApplication::translate("archive", "%1：%2").arg(what, text);
}

// Whether this process may write path, by its effective rights.
bool writable(const QString &path)
{
    return ::faccessat(AT_FDCWD, QFile::encodeName(path).constData(), W_OK, AT_EACCESS) == 0;
}

QString readOnlyArchive(const QString &file)
{
    return QCoreApplication::translate("archive", "存档数据库 %1 是只读的（文件或它所在的文件夹不可写），记录存不进去")
        .arg(file);
}
// The key holds no nullable column: a NULL never equals another, so a row holding one would be
// stored again at every download.
QString recordsTable(bool postgres)
{
    return QStringLiteral(
               "CREATE TABLE IF NOT EXISTS records ("
               " recorder TEXT NOT NULL,"
               " address INTEGER NOT NULL,"
               " taken TEXT NOT NULL,"
               " occurrence INTEGER NOT NULL,"
               " words %1 NOT NULL,"
               " interval_s INTEGER NOT NULL,"
               " read_at TEXT NOT NULL,"
               " port TEXT NOT NULL,"
               " PRIMARY KEY (recorder, taken, words, occurrence))")
        .arg(postgres ? QStringLiteral("BYTEA") : QStringLiteral("BLOB"));
}

// The watcher's tables, only ever appended to: a reading a number (NULL for none) at a time, so SQL
// tools and dashboards use them as they are.
QStringList watchTables(bool postgres)
{
    const QString time = postgres ? QStringLiteral("TIMESTAMPTZ") : QStringLiteral("TEXT");
    const QString number = postgres ? QStringLiteral("DOUBLE PRECISION") : QStringLiteral("REAL");
    const QString seq = postgres ? QStringLiteral("BIGSERIAL PRIMARY KEY") : QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT");
    return {QStringLiteral("CREATE TABLE IF NOT EXISTS readings (recorder TEXT NOT NULL, address INTEGER NOT NULL,"
                           " sensor INTEGER NOT NULL, taken %1 NOT NULL, value %2, PRIMARY KEY (recorder, sensor, taken))")
                .arg(time, number),
            QStringLiteral("CREATE TABLE IF NOT EXISTS alarms (seq %1, alarm_id BIGINT NOT NULL, event TEXT NOT NULL,"
                           " kind TEXT NOT NULL, recorder TEXT NOT NULL, address INTEGER NOT NULL, sensor INTEGER NOT NULL,"
                           " value %2, limit_value %2, happened %3 NOT NULL, by_name TEXT NOT NULL, note TEXT NOT NULL)")
                .arg(seq, number, time),
            QStringLiteral("CREATE INDEX IF NOT EXISTS alarms_by_id ON alarms (alarm_id)"),
            // Each watching host's last poll: the window says from it whether a watcher runs.
            QStringLiteral("CREATE TABLE IF NOT EXISTS watchers (host TEXT NOT NULL PRIMARY KEY, beat %1 NOT NULL,"
                           " lines TEXT NOT NULL)").arg(time)};
}

bool execAll(QSqlDatabase &db, const QStringList &statements, QString *error)
{
    for (const QString &s : statements)
        if (!sql::exec(db, s, error))
            return false;
    return true;
}

QString missingTable()
{
    return QStringLiteral("CREATE TABLE IF NOT EXISTS missing_positions ("
                          " recorder TEXT NOT NULL, position INTEGER NOT NULL, PRIMARY KEY (recorder, position))");
}
} // namespace

namespace sql {

QString describe(const QSqlDatabase &db, const QString &what, const QSqlError &e)
{
    bool number = false;
    const int code = e.nativeErrorCode().toInt(&number) & 0xFF;
    if (!isSqlite(db) || !number)
        return sqlError(what, e);
    const QString file = db.databaseName();
    switch (code) {
    case NotADatabase:
        return QCoreApplication::translate("archive", "%1 不是存档数据库（不是 SQLite 数据库文件），程序没有改动它；"
                                                      "请把它移开或改名，程序会新建存档").arg(file);
    case Corrupt:
        return QCoreApplication::translate("archive", "存档数据库 %1 已损坏；请从备份恢复，或把它移开，程序会新建存档")
            .arg(file);
    case ReadOnly:
        return readOnlyArchive(file);
    case Full:
        return QCoreApplication::translate("archive", "磁盘已满，存档数据库 %1 写不进去；请腾出空间").arg(file);
    case Busy:
    case Locked:
        return QCoreApplication::translate("archive", "存档数据库 %1 被另一个程序占用，等了 %2 秒仍未放开")
            .arg(file).arg(RecordStore::BusyTimeoutMs / 1000);
    case CantOpen: {
        const QFileInfo info(file);
        if (info.dir().exists() && !writable(info.exists() ? file : info.path()))
            return readOnlyArchive(file);
        break;
    }
    }
    return sqlError(what, e);
}

bool exec(QSqlDatabase &db, const QString &sql, QString *error)
{
    QSqlQuery q(db);
    if (q.exec(sql))
        return true;
    *error = describe(db, QCoreApplication::translate("archive", "存档数据库拒绝了“%1”").arg(sql.left(40)), q.lastError());
    return false;
}

bool execEach(QSqlDatabase &db, const QString &sql, const QList<QVariantList> &rows, QString *error)
{
    QSqlQuery q(db);
    bool ok = q.prepare(sql);
    for (qsizetype i = 0; ok && i < rows.size(); ++i) {
        for (const QVariant &v : rows[i])
            q.addBindValue(v);
        ok = q.exec();
    }
    if (!ok)
        *error = describe(db, QCoreApplication::translate("archive", "存档数据库拒绝了“%1”").arg(sql.left(40)), q.lastError());
    return ok;
}
} // namespace sql

using sql::describe;
using sql::exec;
using sql::execEach;

RecordStore::RecordStore() = default;

RecordStore::~RecordStore()
{
    closeConnection();
}

void RecordStore::closeConnection()
{
    if (m_connection.isEmpty())
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(m_connection, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_connection);
    m_connection.clear();
    m_version = 0;
}

bool RecordStore::isOpen() const
{
    return !m_connection.isEmpty() && QSqlDatabase::database(m_connection, false).isOpen();
}

bool RecordStore::open(const ArchiveConfig &config, QString *error)
{
    closeConnection();
    const bool postgres = config.kind == ArchiveConfig::Postgres;
    const QString driver = postgres ? QStringLiteral("QPSQL") : QStringLiteral("QSQLITE");
    if (!QSqlDatabase::isDriverAvailable(driver)) {
        *error = QCoreApplication::translate("archive", "没有 %1 数据库驱动（Debian：%2）")
                     .arg(driver, postgres ? QStringLiteral("libqt6sql6-psql") : QStringLiteral("libqt6sql6-sqlite"));
        return false;
    }
    if (!postgres && config.sqlitePath.isEmpty()) {
        *error = QCoreApplication::translate("archive", "没有给出存档文件");
        return false;
    }
    m_connection = QStringLiteral("wl_archive_%1").arg(++connectionCounter);
    if (!connectTo(config, driver, error) || !createOrUpgrade(error)) {
        closeConnection();
        return false;
    }
    return true;
}

bool RecordStore::connectTo(const ArchiveConfig &config, const QString &driver, QString *error)
{
    const bool postgres = config.kind == ArchiveConfig::Postgres;
    QSqlDatabase db = QSqlDatabase::addDatabase(driver, m_connection);
    if (postgres) {
        db.setHostName(config.host);
        db.setPort(config.port);
        db.setDatabaseName(config.database);
        db.setUserName(config.user);
        if (!config.password.isEmpty())
            db.setPassword(config.password);
        db.setConnectOptions(QStringLiteral("connect_timeout=10"));
    } else {
        db.setDatabaseName(config.sqlitePath);
        // Another program writing the same file makes us wait a while, not fail at once.
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(BusyTimeoutMs));
    }
    bool ok = db.open();
    if (!ok)
        *error = describe(db, QCoreApplication::translate("archive", "打不开存档数据库"), db.lastError());
    if (ok && !postgres) {
        QSqlQuery q(db);
        ok = q.exec(QStringLiteral("PRAGMA journal_mode=WAL")) && q.next();
        if (!ok)
            *error = describe(db, QCoreApplication::translate("archive", "存档文件不能用预写日志"), q.lastError());
    }
    return ok;
}

// SQLite: the write lock is taken at BEGIN, so programs writing at once take turns. In a deferred
// transaction that has read, SQLite refuses the later write at once instead of waiting; two collectors
// started together then lost the race to create the tables. When another program holds the lock,
// this one says so once and waits for it up to the busy timeout. PostgreSQL: a plain BEGIN.
bool RecordStore::begin(QString *error, const QString &what)
{
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    if (!isSqlite(db)) {
        // Writers take turns, as on SQLite: each chain's next row needs its last one.
        if (db.transaction()) {
            QSqlQuery lock(db);
            if (lock.exec(QStringLiteral("SELECT pg_advisory_xact_lock(8806)")))
                return true;
            *error = describe(db, what, lock.lastError());
            db.rollback();
            return false;
        }
        *error = describe(db, what, db.lastError());
        return false;
    }
    QSqlQuery q(db);
    const auto beginWaiting = [&](int ms) {
        return q.exec(QStringLiteral("PRAGMA busy_timeout = %1").arg(ms)) && q.exec(QStringLiteral("BEGIN IMMEDIATE"));
    };
    bool ok = beginWaiting(0);
    if (!ok && (q.lastError().nativeErrorCode().toInt() & 0xFF) == Busy) {
        if (m_waitNote)
            m_waitNote(QCoreApplication::translate("archive", "存档数据库 %1 正被另一个程序写入，等它写完……").arg(db.databaseName()));
        ok = beginWaiting(BusyTimeoutMs);
    }
    const QSqlError failure = q.lastError();
    q.exec(QStringLiteral("PRAGMA busy_timeout = %1").arg(BusyTimeoutMs));  // later statements wait as before
    if (!ok)
        *error = describe(db, what, failure);
    return ok;
}

// QSQLite's own commit drops the database's error code; the fault's name needs it.
bool RecordStore::commit(QString *error, const QString &what)
{
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    if (!isSqlite(db)) {
        if (db.commit())
            return true;
        *error = describe(db, what, db.lastError());
    } else {
        QSqlQuery q(db);
        if (q.exec(QStringLiteral("COMMIT")))
            return true;
        *error = describe(db, what, q.lastError());
    }
    db.rollback();
    return false;
}

bool RecordStore::createOrUpgrade(QString *error)
{
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    const bool postgres = !isSqlite(db);
    if (!begin(error, QCoreApplication::translate("archive", "存档数据库不能开始事务")))
        return false;
    // Two programs creating the tables of a new server database at once: the second waits here and
    // then finds them made.
    bool ok = !postgres || exec(db, QStringLiteral("SELECT pg_advisory_xact_lock(8806)"), error);
    ok = ok && (db.tables().contains(QLatin1String("schema_version"))
                || exec(db, QStringLiteral("CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)"), error));
    int version = 0;
    if (ok) {
        QSqlQuery q(db);
        ok = q.exec(QStringLiteral("SELECT MAX(version) FROM schema_version"));
        if (ok && q.next())
            version = q.value(0).toInt();
        if (!ok)
            *error = describe(db, QCoreApplication::translate("archive", "读不出存档的版本"), q.lastError());
    }
    if (ok && version > SchemaVersion) {
        *error = QCoreApplication::translate("archive", "存档数据库 %1 是较新版本的程序写的（版本 %2），本程序只认到版本 %3；"
                                                        "请换用新版本的程序").arg(db.databaseName()).arg(version).arg(SchemaVersion);
        ok = false;
    }
    // A new archive is made as version 4 was, then brought up like any older one: one way to version 5.
    if (ok && version == 0) {
        ok = exec(db, recordsTable(postgres), error) && exec(db, missingTable(), error)
             && execAll(db, watchTables(postgres), error) && startChains(0, error)
             && exec(db, QStringLiteral("INSERT INTO schema_version (version) VALUES (%1)").arg(SchemaVersion), error);
    } else if (ok && version < SchemaVersion) {
        // Version 1 did not record the port a record was read from; version 2 did not keep the
        // positions a download left unread; version 3 had no watcher; version 4 had no audit trail,
        // no chains and no append-only triggers.
        ok = (version >= 2 || exec(db, QStringLiteral("ALTER TABLE records ADD COLUMN port TEXT NOT NULL DEFAULT ''"), error))
             && exec(db, missingTable(), error) && execAll(db, watchTables(postgres), error)
             && startChains(version, error)
             && exec(db, QStringLiteral("UPDATE schema_version SET version = %1").arg(SchemaVersion), error);
    }
    // A read-only file opens and reads as any other; a write tells, before a download is spent on it.
    if (ok && !postgres)
        ok = exec(db, QStringLiteral("UPDATE schema_version SET version = version"), error);
    if (!ok) {
        db.rollback();
        return false;
    }
    if (!commit(error, QCoreApplication::translate("archive", "存档的表没有建成")))
        return false;
    m_version = SchemaVersion;
    return true;
}

} // namespace archive
