#include "core/archive/connection.h"
#include "core/archive/sqlstatements.h"
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <atomic>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// The connection, its write lock, and the words for what the database refused.
namespace archive {

namespace {
std::atomic<int> connectionCounter{0};

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
            .arg(file).arg(Connection::BusyTimeoutMs / 1000);
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

bool execAll(QSqlDatabase &db, const QStringList &statements, QString *error)
{
    for (const QString &s : statements)
        if (!exec(db, s, error))
            return false;
    return true;
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

QDateTime timeOf(const QVariant &v)
{
    const QDateTime t = v.typeId() == QMetaType::QDateTime ? v.toDateTime() : QDateTime::fromString(v.toString(), Qt::ISODate);
    return t.toUTC();
}

QString utcText(const QDateTime &t) { return t.toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ssZ")); }

QString cannotRead() { return QCoreApplication::translate("archive", "读不出存档"); }
} // namespace sql

QString programWord(Program p)
{
    switch (p) {
    case Program::Window: return QStringLiteral("window");
    case Program::Collector: return QStringLiteral("collector");
    case Program::Watcher: return QStringLiteral("watcher");
    }
    return {};
}

void Connection::close()
{
    m_path.clear();
    if (m_name.isEmpty())
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(m_name, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_name);
    m_name.clear();
}

bool Connection::isOpen() const
{
    return !m_name.isEmpty() && db().isOpen();
}

bool Connection::ready(QString *error) const
{
    if (isOpen())
        return true;
    *error = QCoreApplication::translate("archive", "存档没有打开");
    return false;
}

bool Connection::connect(const ArchiveConfig &config, QString *error)
{
    close();
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
    m_name = QStringLiteral("wl_archive_%1").arg(++connectionCounter);
    QSqlDatabase db = QSqlDatabase::addDatabase(driver, m_name);
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
        *error = sql::describe(db, QCoreApplication::translate("archive", "打不开存档数据库"), db.lastError());
    if (ok && !postgres) {
        QSqlQuery q(db);
        ok = q.exec(QStringLiteral("PRAGMA journal_mode=WAL")) && q.next();
        if (!ok)
            *error = sql::describe(db, QCoreApplication::translate("archive", "存档文件不能用预写日志"), q.lastError());
        struct stat st {};
        if (ok && ::stat(QFile::encodeName(config.sqlitePath).constData(), &st) == 0)
            m_path = config.sqlitePath, m_device = st.st_dev, m_inode = st.st_ino;
    }
    return ok;
}

QString Connection::fileReplaced() const
{
    if (m_path.isEmpty())
        return {};
    struct stat st {};
    if (::stat(QFile::encodeName(m_path).constData(), &st) != 0)
        return QCoreApplication::translate("archive", "存档文件 %1 被删除了").arg(QDir::toNativeSeparators(m_path));
    if (st.st_dev != m_device || st.st_ino != m_inode)
        return QCoreApplication::translate("archive", "存档文件 %1 被换成了另一个文件").arg(QDir::toNativeSeparators(m_path));
    return {};
}

// SQLite: the write lock is taken at BEGIN, so programs writing at once take turns. In a deferred
// transaction that has read, SQLite refuses the later write at once instead of waiting; two collectors
// started together then lost the race to create the tables. When another program holds the lock,
// this one says so once and waits for it up to the busy timeout. PostgreSQL: a plain BEGIN.
bool Connection::begin(QString *error, const QString &what)
{
    QSqlDatabase db = this->db();
    if (!isSqlite(db)) {
        // Writers take turns, as on SQLite: each chain's next row needs its last one.
        if (db.transaction()) {
            QSqlQuery lock(db);
            if (lock.exec(QStringLiteral("SELECT pg_advisory_xact_lock(8806)")))
                return true;
            *error = sql::describe(db, what, lock.lastError());
            db.rollback();
            return false;
        }
        *error = sql::describe(db, what, db.lastError());
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
        *error = sql::describe(db, what, failure);
    return ok;
}

// QSQLite's own commit drops the database's error code; the fault's name needs it.
bool Connection::commit(QString *error, const QString &what)
{
    QSqlDatabase db = this->db();
    if (!isSqlite(db)) {
        if (db.commit())
            return true;
        *error = sql::describe(db, what, db.lastError());
    } else {
        QSqlQuery q(db);
        if (q.exec(QStringLiteral("COMMIT")))
            return true;
        *error = sql::describe(db, what, q.lastError());
    }
    db.rollback();
    return false;
}

} // namespace archive
