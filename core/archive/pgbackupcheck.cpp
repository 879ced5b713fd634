#include "core/archive/pgbackupcheck.h"
#include "core/archive/chain.h"
#include "core/archive/sqlstatements.h"
#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <atomic>

// In namespace archive itself: its texts are translated in the context "archive", as backup.cpp's are.
namespace archive {

namespace {
// Long enough for a large archive on a slow server; a dump or restore that hangs longer is given up.
constexpr int ToolTimeoutMs = 60 * 60 * 1000;

// The SQLSTATE of "permission denied", here: the role may not create databases.
constexpr char InsufficientPrivilege[] = "42501";

enum class Ran { Ok, NotStarted, NotFinished, Failed };

// A PostgreSQL client program, started without a shell.
Ran run(QProcess &p, const QString &program, const QStringList &args, const ArchiveConfig *config = nullptr)
{
    if (config && !config->password.isEmpty()) {
        // Through the environment, never on the command line where any user could read it.
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("PGPASSWORD"), config->password);
        p.setProcessEnvironment(env);
    }
    p.start(program, args);
    if (!p.waitForStarted())
        return Ran::NotStarted;
    if (!p.waitForFinished(ToolTimeoutMs)) {
        p.kill();
        p.waitForFinished();
        return Ran::NotFinished;
    }
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0 ? Ran::Ok : Ran::Failed;
}

QString errorsOf(QProcess &p) { return QString::fromLocal8Bit(p.readAllStandardError()).trimmed(); }

// How pg_dump and pg_restore reach the server, as the archive does.
QStringList serverArgs(const ArchiveConfig &config)
{
    return {QStringLiteral("--no-password"), QStringLiteral("--host=") + config.host,
            QStringLiteral("--port=%1").arg(config.port), QStringLiteral("--username=") + config.user};
}

// A connection named name to database on the archive's server, not yet open.
QSqlDatabase connection(const ArchiveConfig &config, const QString &database, const QString &name)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
    db.setHostName(config.host);
    db.setPort(config.port);
    db.setDatabaseName(database);
    db.setUserName(config.user);
    if (!config.password.isEmpty())
        db.setPassword(config.password);
    db.setConnectOptions(QStringLiteral("connect_timeout=10"));
    return db;
}

// The dump at file restored into the empty database scratch: empty when it was, else why.
QString restore(const ArchiveConfig &config, const QString &scratch, const QString &file)
{
    QProcess p;
    switch (run(p, QStringLiteral("pg_restore"),
                QStringList{QStringLiteral("--no-owner"), QStringLiteral("--no-privileges"), QStringLiteral("--exit-on-error"),
                            QStringLiteral("--dbname=") + scratch}
                    + serverArgs(config) + QStringList{file},
                &config)) {
    case Ran::NotStarted:
        return QCoreApplication::translate("archive", "pg_restore 没有启动（%1；Debian：postgresql-client）").arg(p.errorString());
    case Ran::NotFinished:
        return QCoreApplication::translate("archive", "pg_restore 没有结束");
    case Ran::Failed:
        return QCoreApplication::translate("archive", "pg_restore 恢复不了备份：%1").arg(errorsOf(p));
    case Ran::Ok:
        break;
    }
    return {};
}

// What a role that may not create databases can check: the dump read back by pg_restore --list must
// list the data of every chained table, and the live archive's chains must be whole.
QString checkListAndLive(RecordStore &store, const QString &file, QString *verdict)
{
    QProcess p;
    if (run(p, QStringLiteral("pg_restore"), {QStringLiteral("--list"), file}) != Ran::Ok)
        return QCoreApplication::translate("archive", "pg_restore 读不出备份：%1").arg(errorsOf(p));
    const QString list = QString::fromLocal8Bit(p.readAllStandardOutput());
    for (const chain::Table &t : chain::tables())
        if (!list.contains(QStringLiteral("TABLE DATA public %1 ").arg(QLatin1String(t.name))))
            return QCoreApplication::translate("archive", "备份里没有 %1 表的数据").arg(QLatin1String(t.name));
    QString why;
    const auto v = store.checks().verify(&why);
    if (!v)
        return why;
    *verdict = v->text() + QCoreApplication::translate("archive", "（没有建库权限：检查了备份目录和在线存档的链）");
    return v->ok ? QString() : QCoreApplication::translate("archive", "存档的哈希链断了");
}
} // namespace

QString pgDump(const ArchiveConfig &config, const QString &file)
{
    QProcess p;
    switch (run(p, QStringLiteral("pg_dump"),
                QStringList{QStringLiteral("--format=custom"), QStringLiteral("--file=") + file,
                            QStringLiteral("--dbname=") + config.database}
                    + serverArgs(config),
                &config)) {
    case Ran::NotStarted:
        return QCoreApplication::translate("archive", "pg_dump 没有启动（%1；Debian：postgresql-client）").arg(p.errorString());
    case Ran::NotFinished:
        return QCoreApplication::translate("archive", "pg_dump 没有结束");
    case Ran::Failed:
        return QCoreApplication::translate("archive", "pg_dump 失败：%1").arg(errorsOf(p));
    case Ran::Ok:
        break;
    }
    return {};
}

RestoredDump::RestoredDump(const ArchiveConfig &config, const QString &file)
    : m_scratch(QStringLiteral("wl_backup_check_%1_%2").arg(QCoreApplication::applicationPid()).arg(++counter()))
{
    // Names of digits and fixed letters only: a database name cannot be bound, so it is quoted as it is.
    // CREATE and DROP DATABASE cannot run inside a transaction: this connection holds none.
    QSqlDatabase admin = connection(config, config.database, m_scratch);
    QSqlQuery q(admin);
    if (!admin.open()) {
        error = sql::describe(admin, QCoreApplication::translate("archive", "打不开存档数据库"), admin.lastError());
        return;
    }
    if (!q.exec(QStringLiteral("CREATE DATABASE \"%1\" TEMPLATE template0").arg(m_scratch))) {
        mayNotCreate = q.lastError().nativeErrorCode() == QLatin1String(InsufficientPrivilege);
        error = sql::describe(admin, QCoreApplication::translate("archive", "建不了检查备份用的临时数据库"), q.lastError());
        return;
    }
    m_made = true;
    if (error = restore(config, m_scratch, file); !error.isEmpty())
        return;
    QSqlDatabase copy = connection(config, m_scratch, m_scratch + QStringLiteral("_copy"));
    if (!copy.open())
        error = sql::describe(copy, QCoreApplication::translate("archive", "备份打不开"), copy.lastError());
}

QSqlDatabase RestoredDump::db() const
{
    return QSqlDatabase::database(m_scratch + QStringLiteral("_copy"), false);
}

QString RestoredDump::drop()
{
    QString note;
    if (QSqlDatabase::contains(m_scratch + QStringLiteral("_copy"))) {
        db().close();
        QSqlDatabase::removeDatabase(m_scratch + QStringLiteral("_copy"));
    }
    if (!QSqlDatabase::contains(m_scratch))
        return note;
    {
        QSqlDatabase admin = QSqlDatabase::database(m_scratch, false);
        QSqlQuery q(admin);
        // FORCE: a pg_restore given up on may still be connected to it.
        if (m_made && !q.exec(QStringLiteral("DROP DATABASE IF EXISTS \"%1\" WITH (FORCE)").arg(m_scratch)))
            note = QCoreApplication::translate("archive", "（临时数据库 %1 没有删掉：%2）").arg(m_scratch, q.lastError().text());
        admin.close();
    }
    QSqlDatabase::removeDatabase(m_scratch);
    return note;
}

RestoredDump::~RestoredDump()
{
    drop();
}

std::atomic<int> &RestoredDump::counter()
{
    static std::atomic<int> n{0};
    return n;
}

bool isPgDump(const QString &file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) && f.read(5) == "PGDMP";
}

QString checkPgDump(RecordStore &store, const ArchiveConfig &config, const QString &file, QString *verdict)
{
    RestoredDump copy(config, file);
    if (copy.mayNotCreate)
        return checkListAndLive(store, file, verdict);
    QString why = copy.error;
    if (why.isEmpty())
        if (const auto v = chain::verify(copy.db(), &why)) {
            *verdict = v->text();
            if (!v->ok)
                why = QCoreApplication::translate("archive", "备份的哈希链断了");
        }
    (why.isEmpty() ? *verdict : why) += copy.drop();
    return why;
}

} // namespace archive
