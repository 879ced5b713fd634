#include "core/archive/migrations.h"
#include "core/archive/recordstore.h"
#include "core/archive/sqlstatements.h"
#include <QCoreApplication>
#include <QUuid>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

// Opening the archive: the connection, and the tables created from the schema or an older archive
// brought up to date by the migration steps, in one transaction under the write lock.
namespace archive {

namespace {
// The tables of a new archive but schema_version, which is made before its version is read.
QStringList newTables(bool postgres)
{
    QStringList s;
    for (const schema::Table &t : schema::tables())
        if (qstrcmp(t.name, "schema_version") != 0)
            s << schema::createStatements(t, postgres);
    return s;
}
} // namespace

bool RecordStore::open(const ArchiveConfig &config, QString *error)
{
    m_version = 0;
    if (!m_connection.connect(config, error) || !createOrUpgrade(error)) {
        m_connection.close();
        return false;
    }
    return true;
}

void RecordStore::limitCache(int kib)
{
    if (isOpen() && !m_connection.postgres())
        QSqlQuery(m_connection.db()).exec(QStringLiteral("PRAGMA cache_size = -%1").arg(kib));
}

// The archive's version, 0 for a database that holds none (a new archive): the table made if need be.
bool RecordStore::readVersion(int *version, QString *error)
{
    QSqlDatabase db = m_connection.db();
    if (!db.tables().contains(QLatin1String("schema_version"))
        && !sql::execAll(db, schema::createStatements(schema::table("schema_version"), m_connection.postgres()), error))
        return false;
    QSqlQuery q(db);
    const bool ok = q.exec(QStringLiteral("SELECT MAX(version) FROM schema_version"));
    *version = ok && q.next() ? q.value(0).toInt() : 0;
    if (!ok)
        *error = sql::describe(db, QCoreApplication::translate("archive", "读不出存档的版本"), q.lastError());
    return ok;
}

namespace {
// A new archive, or one from before it had a name, gets its random id.
bool nameArchive(QSqlDatabase &db, QString *error)
{
    QSqlQuery q(db);
    q.prepare(QStringLiteral("INSERT INTO archive_identity (id, created) SELECT ?, ? WHERE NOT EXISTS (SELECT 1 FROM archive_identity)"));
    q.addBindValue(QUuid::createUuid().toString(QUuid::WithoutBraces));
    q.addBindValue(sql::utcText(QDateTime::currentDateTimeUtc()));
    if (q.exec())
        return true;
    *error = sql::describe(db, QCoreApplication::translate("archive", "存档的标识没有写入"), q.lastError());
    return false;
}
} // namespace

bool RecordStore::createOrUpgrade(QString *error)
{
    QSqlDatabase db = m_connection.db();
    const bool postgres = m_connection.postgres();
    if (!m_connection.begin(error, QCoreApplication::translate("archive", "存档数据库不能开始事务")))
        return false;
    // Two programs creating the tables of a new server database at once: the second waits here and
    // then finds them made.
    int version = 0;
    bool ok = (!postgres || sql::exec(db, QStringLiteral("SELECT pg_advisory_xact_lock(8806)"), error))
              && readVersion(&version, error);
    if (ok && version > schema::Version) {
        *error = QCoreApplication::translate("archive", "存档数据库 %1 是较新版本的程序写的（版本 %2），本程序只认到版本 %3；"
                                                        "请换用新版本的程序").arg(db.databaseName()).arg(version).arg(schema::Version);
        ok = false;
    }
    if (ok && version < schema::Version) {
        const bool created = version == 0;
        const AuditEntry start{{}, QLatin1String(created ? kinds::Created : kinds::Upgrade),
                               created ? QString() : QString::number(version), QString::number(schema::Version)};
        chain::Writer w(db);
        ok = (created ? sql::execAll(db, newTables(postgres) + chain::triggerStatements(postgres), error)
                            && (!postgres || chain::installAppendFunctions(db, error))
                      : migration::upgrade(db, postgres, version, error))
             && nameArchive(db, error)
             && w.append(chain::table("audit"), auditValues(start, m_connection.program()), error) && w.finish(error)
             && sql::exec(db, created ? QStringLiteral("INSERT INTO schema_version (version) VALUES (%1)").arg(schema::Version)
                                      : QStringLiteral("UPDATE schema_version SET version = %1").arg(schema::Version),
                          error);
    }
    // A read-only file opens and reads as any other; a write tells, before a download is spent on it.
    if (ok && !postgres)
        ok = sql::exec(db, QStringLiteral("UPDATE schema_version SET version = version"), error);
    if (!ok) {
        m_connection.rollback();
        return false;
    }
    if (!m_connection.commit(error, QCoreApplication::translate("archive", "存档的表没有建成")))
        return false;
    m_version = schema::Version;
    return true;
}

} // namespace archive
