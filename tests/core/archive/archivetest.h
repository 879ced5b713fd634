#pragma once
// What the archive's tests share: records to store, statements run behind the program's back, and
// an empty archive of either kind (a SQLite file, or a database on a PostgreSQL server the test
// starts itself).
#include "core/archive/recordstore.h"
#include "sim/pgserver.h"
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

using archive::ArchiveConfig;
using archive::RecordStore;

namespace archivetest {
// A record of two sensors: 5B, then the BCD time and the words given in hex (spaces ignored).
inline QByteArray rec(const char *hex) { return QByteArray(1, char(0x5B)) + QByteArray::fromHex(hex); }
inline const QByteArray r1 = rec("24 01 02 03 04 0102 0304"), r2 = rec("24 01 02 03 05 0102 0304"),
                        r3 = rec("24 01 02 03 06 0001 0002"), blanks = rec("24 01 02 03 07 FFFF D8F1"), erased(10, char(0xFF));
inline const QDateTime readAt(QDate(2024, 1, 3), QTime(1, 2), Qt::UTC);
inline const QDateTime always(QDate(2000, 1, 1), QTime()), never(QDate(2099, 1, 1), QTime());

using Statements = QList<std::pair<QString, QVariantList>>;

// A connection of the test's own to the archive, as someone with a database tool would have.
struct RawConnection {
    QSqlDatabase db;
    explicit RawConnection(const ArchiveConfig &c, const QString &name = QStringLiteral("raw"))
    {
        db = QSqlDatabase::addDatabase(c.kind == ArchiveConfig::Postgres ? "QPSQL" : "QSQLITE", name);
        db.setDatabaseName(c.kind == ArchiveConfig::Postgres ? c.database : c.sqlitePath);
        db.setHostName(c.host), db.setPort(c.port), db.setUserName(c.user), db.setPassword(c.password);
        db.open();
    }
    ~RawConnection()
    {
        const QString name = db.connectionName();
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
    }
};

// Statements run through a connection of the test's own, each with its bound values. Returns the
// statements the database refused.
inline int runRaw(const ArchiveConfig &c, const Statements &statements)
{
    RawConnection raw(c);
    if (!raw.db.isOpen())
        return -1;
    int refused = 0;
    for (const auto &[sql, values] : statements) {
        QSqlQuery q(raw.db);
        // PostgreSQL prepares no DDL: a statement without values goes as it is.
        if (values.isEmpty()) {
            refused += q.exec(sql) ? 0 : 1;
            continue;
        }
        q.prepare(sql);
        for (const QVariant &v : values)
            q.addBindValue(v);
        refused += q.exec() ? 0 : 1;
    }
    return refused;
}

inline bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

inline void bothDatabases()
{
    QTest::addColumn<bool>("postgres");
    QTest::newRow("sqlite") << false;
    QTest::newRow("postgres") << true;
}

// Empty archives of either kind.
class Archives {
public:
    void start() { m_up = m_pg.start(&m_why); }
    PgServer &server() { return m_pg; }

    // A file in dir, or a new database on the test's server. Nothing when there is none (the test is
    // then failed or skipped, as the machine warrants).
    std::optional<ArchiveConfig> fresh(bool postgres, const QTemporaryDir &dir, const char *file = "archive.db")
    {
        if (!postgres)
            return ArchiveConfig{ArchiveConfig::Sqlite, dir.filePath(file), {}, 0, {}, {}, {}};
        if (!m_up && qgetenv("CI") == "true")
            QTest::qFail(qPrintable("no PostgreSQL server for the test: " + m_why), __FILE__, __LINE__);
        else if (!m_up)
            QTest::qSkip(qPrintable("no PostgreSQL server for the test: " + m_why), __FILE__, __LINE__);
        if (!m_up)
            return std::nullopt;
        const QString name = QStringLiteral("archive%1").arg(++m_databases);
        QString why;
        if (!m_pg.createDatabase(name, &why)) {
            QTest::qFail(qPrintable(why), __FILE__, __LINE__);
            return std::nullopt;
        }
        return m_pg.config(name);
    }

    // The data row's kind ("postgres") of fresh archive, opened in store; nothing when the case
    // cannot go on (QTest says why).
    std::optional<ArchiveConfig> openFresh(const QTemporaryDir &dir, RecordStore &store)
    {
        QFETCH(bool, postgres);
        auto config = fresh(postgres, dir);
        QString error;
        if (config && !store.open(*config, &error)) {
            QTest::qFail(qPrintable(error), __FILE__, __LINE__);
            return std::nullopt;
        }
        return config;
    }

private:
    PgServer m_pg;
    bool m_up = false;
    QString m_why;
    int m_databases = 0;
};
} // namespace archivetest
