#include "core/archive/recordstore.h"
#include "core/records/recorddecode.h"
#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <atomic>

namespace archive {

namespace {
std::atomic<int> connectionCounter{0};

QString sqlError(const QString &what, const QSqlError &e)
{
    const QString text = e.text().trimmed();
    return text.isEmpty() ? what : QCoreApplication::translate("archive", "%1：%2").arg(what, text);
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

bool exec(QSqlDatabase &db, const QString &sql, QString *error)
{
    QSqlQuery q(db);
    if (q.exec(sql))
        return true;
    *error = sqlError(QCoreApplication::translate("archive", "存档数据库拒绝了“%1”").arg(sql.left(40)), q.lastError());
    return false;
}
} // namespace

QString recordTime(const QByteArray &data)
{
    // Valid BCD reads as its own digits in hex.
    const QByteArray h = data.mid(1, 5).toHex();
    return QStringLiteral("20%1-%2-%3 %4:%5")
        .arg(QLatin1StringView(h.mid(0, 2)), QLatin1StringView(h.mid(2, 2)), QLatin1StringView(h.mid(4, 2)),
             QLatin1StringView(h.mid(6, 2)), QLatin1StringView(h.mid(8, 2)));
}

QByteArray StoredRecord::data() const
{
    QByteArray digits = time.mid(2).toLatin1();
    digits.replace('-', "").replace(' ', "").replace(':', "");
    return QByteArray(1, char(0x5B)) + QByteArray::fromHex(digits) + words;
}

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
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    }
    bool ok = db.open();
    if (!ok)
        *error = sqlError(QCoreApplication::translate("archive", "打不开存档数据库"), db.lastError());
    if (ok && !postgres) {
        QSqlQuery q(db);
        ok = q.exec(QStringLiteral("PRAGMA journal_mode=WAL")) && q.next();
        if (!ok)
            *error = sqlError(QCoreApplication::translate("archive", "存档文件不能用预写日志"), q.lastError());
    }
    return ok;
}

bool RecordStore::createOrUpgrade(QString *error)
{
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    const bool postgres = db.driverName() == QLatin1String("QPSQL");
    if (!db.transaction()) {
        *error = sqlError(QCoreApplication::translate("archive", "存档数据库不能开始事务"), db.lastError());
        return false;
    }
    bool ok = db.tables().contains(QLatin1String("schema_version"))
              || exec(db, QStringLiteral("CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)"), error);
    int version = 0;
    if (ok) {
        QSqlQuery q(db);
        ok = q.exec(QStringLiteral("SELECT MAX(version) FROM schema_version"));
        if (ok && q.next())
            version = q.value(0).toInt();
        if (!ok)
            *error = sqlError(QCoreApplication::translate("archive", "读不出存档的版本"), q.lastError());
    }
    if (ok && version > SchemaVersion) {
        *error = QCoreApplication::translate("archive", "存档是较新的程序写的（版本 %1），本程序只认到版本 %2").arg(version).arg(SchemaVersion);
        ok = false;
    }
    if (ok && version == 0) {
        ok = exec(db, recordsTable(postgres), error)
             && exec(db, QStringLiteral("INSERT INTO schema_version (version) VALUES (2)"), error);
    } else if (ok && version == 1) {
        // Version 1 did not record the port a record was read from.
        ok = exec(db, QStringLiteral("ALTER TABLE records ADD COLUMN port TEXT NOT NULL DEFAULT ''"), error)
             && exec(db, QStringLiteral("UPDATE schema_version SET version = 2"), error);
    }
    if (ok && !db.commit()) {
        *error = sqlError(QCoreApplication::translate("archive", "存档的表没有建成"), db.lastError());
        ok = false;
    }
    if (!ok) {
        db.rollback();
        return false;
    }
    m_version = SchemaVersion;
    return true;
}

std::optional<int> RecordStore::store(const Batch &batch, QString *error)
{
    if (!isOpen()) {
        *error = QCoreApplication::translate("archive", "存档没有打开");
        return std::nullopt;
    }
    if (batch.recorder.trimmed().isEmpty()) {
        *error = QCoreApplication::translate("archive", "没有记录仪的名字，记录没有存档");
        return std::nullopt;
    }
    for (qsizetype i = 0; i < batch.records.size(); ++i) {
        const QByteArray &r = batch.records[i];
        if (r.size() % 2 != 0 || !records::isRecordData(r, int((r.size() - 6) / 2))) {
            *error = QCoreApplication::translate("archive", "第 %1 条不是记录，这一批都没有存档").arg(i + 1);
            return std::nullopt;
        }
    }
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    if (!db.transaction()) {
        *error = sqlError(QCoreApplication::translate("archive", "存档数据库不能开始事务"), db.lastError());
        return std::nullopt;
    }
    QSqlQuery q(db);
    bool ok = q.prepare(QStringLiteral(
        "INSERT INTO records (recorder, address, taken, occurrence, words, interval_s, read_at, port)"
        " VALUES (?, ?, ?, ?, ?, ?, ?, ?) ON CONFLICT DO NOTHING"));
    const QString readAt = batch.readAt.toUTC().toString(Qt::ISODate);
    int added = 0;
    int occurrence = 0;
    for (qsizetype i = 0; ok && i < batch.records.size(); ++i) {
        const QByteArray &r = batch.records[i];
        // The k-th of identical records read one after another is occurrence k − 1: two real
        // records in one minute stay two, and the same memory read again numbers them alike.
        occurrence = i > 0 && r == batch.records[i - 1] ? occurrence + 1 : 0;
        q.addBindValue(batch.recorder);
        q.addBindValue(int(batch.address));
        q.addBindValue(recordTime(r));
        q.addBindValue(occurrence);
        q.addBindValue(r.mid(6));
        q.addBindValue(batch.intervalS);
        q.addBindValue(readAt);
        q.addBindValue(batch.port);
        ok = q.exec();
        if (ok)
            added += qMax(0, q.numRowsAffected());
    }
    if (ok && !db.commit()) {
        *error = sqlError(QCoreApplication::translate("archive", "这一批记录没有存进存档"), db.lastError());
        db.rollback();
        return std::nullopt;
    }
    if (!ok) {
        *error = sqlError(QCoreApplication::translate("archive", "这一批记录没有存进存档"), q.lastError());
        q.finish();
        db.rollback();
        return std::nullopt;
    }
    return added;
}

QList<StoredRecord> RecordStore::period(const QString &recorder, const QDateTime &from, const QDateTime &to,
                                        QString *error) const
{
    QList<StoredRecord> rows;
    if (!isOpen()) {
        *error = QCoreApplication::translate("archive", "存档没有打开");
        return rows;
    }
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.setForwardOnly(true);
    q.prepare(QStringLiteral(
        "SELECT address, taken, occurrence, words, interval_s, read_at, port FROM records"
        " WHERE recorder = ? AND taken >= ? AND taken <= ? ORDER BY taken, occurrence, words"));
    const QString minute = QStringLiteral("yyyy-MM-dd HH:mm");
    q.addBindValue(recorder);
    q.addBindValue(from.toString(minute));
    q.addBindValue(to.toString(minute));
    if (!q.exec()) {
        *error = sqlError(QCoreApplication::translate("archive", "读不出存档"), q.lastError());
        return rows;
    }
    while (q.next()) {
        StoredRecord r;
        r.recorder = recorder;
        r.address = uint8_t(q.value(0).toInt());
        r.time = q.value(1).toString();
        r.occurrence = q.value(2).toInt();
        r.words = q.value(3).toByteArray();
        r.intervalS = q.value(4).toInt();
        r.readAt = QDateTime::fromString(q.value(5).toString(), Qt::ISODate);
        r.port = q.value(6).toString();
        rows.append(r);
    }
    return rows;
}

QStringList RecordStore::recorders() const
{
    QStringList names;
    if (!isOpen())
        return names;
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    if (q.exec(QStringLiteral("SELECT DISTINCT recorder FROM records ORDER BY recorder"))) {
        while (q.next())
            names.append(q.value(0).toString());
    }
    return names;
}

std::optional<bool> RecordStore::holds(const QString &recorder, const QByteArray &data, QString *error) const
{
    if (!isOpen()) {
        *error = QCoreApplication::translate("archive", "存档没有打开");
        return std::nullopt;
    }
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT 1 FROM records WHERE recorder = ? AND taken = ? AND words = ? LIMIT 1"));
    q.addBindValue(recorder);
    q.addBindValue(recordTime(data));
    q.addBindValue(data.mid(6));
    if (!q.exec()) {
        *error = sqlError(QCoreApplication::translate("archive", "读不出存档"), q.lastError());
        return std::nullopt;
    }
    return q.next();
}

std::optional<std::pair<QString, QString>> RecordStore::span(const QString &recorder, QString *error) const
{
    if (!isOpen()) {
        *error = QCoreApplication::translate("archive", "存档没有打开");
        return std::nullopt;
    }
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.prepare(QStringLiteral("SELECT MIN(taken), MAX(taken) FROM records WHERE recorder = ?"));
    q.addBindValue(recorder);
    if (!q.exec() || !q.next()) {
        *error = sqlError(QCoreApplication::translate("archive", "读不出存档"), q.lastError());
        return std::nullopt;
    }
    if (q.value(0).isNull())
        return std::nullopt;
    return std::pair{q.value(0).toString(), q.value(1).toString()};
}

std::optional<int> RecordStore::renameRecorder(const QString &from, const QString &to, QString *error)
{
    if (!isOpen()) {
        *error = QCoreApplication::translate("archive", "存档没有打开");
        return std::nullopt;
    }
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    if (!db.transaction()) {
        *error = sqlError(QCoreApplication::translate("archive", "存档数据库不能开始事务"), db.lastError());
        return std::nullopt;
    }
    QSqlQuery copy(db), drop(db);
    // The WHERE before ON CONFLICT is what lets SQLite read the upsert after a SELECT.
    bool ok = copy.prepare(QStringLiteral(
                  "INSERT INTO records (recorder, address, taken, occurrence, words, interval_s, read_at, port)"
                  " SELECT ?, address, taken, occurrence, words, interval_s, read_at, port FROM records"
                  " WHERE recorder = ? ON CONFLICT DO NOTHING"))
              && drop.prepare(QStringLiteral("DELETE FROM records WHERE recorder = ?"));
    copy.addBindValue(to);
    copy.addBindValue(from);
    drop.addBindValue(from);
    ok = ok && copy.exec() && drop.exec();
    const int moved = ok ? drop.numRowsAffected() : 0;
    if (!ok || !db.commit()) {
        *error = sqlError(QCoreApplication::translate("archive", "记录没有改到新名称下"), copy.lastError().isValid() ? copy.lastError()
                                                               : drop.lastError().isValid() ? drop.lastError()
                                                                                           : db.lastError());
        copy.finish();
        drop.finish();
        db.rollback();
        return std::nullopt;
    }
    return moved;
}

} // namespace archive
