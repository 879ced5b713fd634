#include "core/archive/recordstore.h"
#include "core/archive/sqlstatements.h"
#include "core/records/record.h"
#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace archive {

using sql::describe;
using sql::execEach;

QByteArray StoredRecord::data() const
{
    QByteArray digits = time.mid(2).toLatin1();
    digits.replace('-', "").replace(' ', "").replace(':', "");
    return QByteArray(1, char(0x5B)) + QByteArray::fromHex(digits) + words;
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
        const QByteArray &r = batch.records[i].data;
        if (r.size() % 2 != 0 || !records::isRecordData(r, int((r.size() - 6) / 2))) {
            *error = QCoreApplication::translate("archive", "第 %1 条不是记录，这一批都没有存档").arg(i + 1);
            return std::nullopt;
        }
    }
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    if (!begin(error, QCoreApplication::translate("archive", "存档数据库不能开始事务")))
        return std::nullopt;
    QSqlQuery q(db);
    bool ok = q.prepare(QStringLiteral(
        "INSERT INTO records (recorder, address, taken, occurrence, words, interval_s, read_at, port)"
        " VALUES (?, ?, ?, ?, ?, ?, ?, ?) ON CONFLICT DO NOTHING"));
    const QString readAt = batch.readAt.toUTC().toString(Qt::ISODate);
    int added = 0;
    int occurrence = 0;
    for (qsizetype i = 0; ok && i < batch.records.size(); ++i) {
        const records::Record &r = batch.records[i];
        // The k-th of identical records read one after another is occurrence k − 1: two real
        // records in one minute stay two, and the same memory read again numbers them alike.
        const bool follows = i > 0 && r.position == batch.records[i - 1].position + 1;
        occurrence = follows && r.data == batch.records[i - 1].data ? occurrence + 1 : 0;
        q.addBindValue(batch.recorder);
        q.addBindValue(int(batch.address));
        q.addBindValue(r.timeText());
        q.addBindValue(occurrence);
        q.addBindValue(r.data.mid(6));
        q.addBindValue(batch.intervalS);
        q.addBindValue(readAt);
        q.addBindValue(batch.port);
        ok = q.exec();
        if (ok)
            added += qMax(0, q.numRowsAffected());
    }
    const QString failed = QCoreApplication::translate("archive", "这一批记录没有存进存档");
    if (!ok)
        *error = describe(db, failed, q.lastError());
    q.finish();
    if (ok && batch.count >= 0) {
        QList<QVariantList> read, missing;
        for (const records::Record &r : batch.records)
            read.append({batch.recorder, r.position});
        for (int k : batch.missing)
            missing.append({batch.recorder, k});
        ok = execEach(db, QStringLiteral("DELETE FROM missing_positions WHERE recorder = ? AND position > ?"),
                      {{batch.recorder, batch.count}}, error)
             && execEach(db, QStringLiteral("DELETE FROM missing_positions WHERE recorder = ? AND position = ?"), read, error)
             && execEach(db, QStringLiteral("INSERT INTO missing_positions (recorder, position) VALUES (?, ?)"
                                            " ON CONFLICT DO NOTHING"), missing, error);
    }
    if (!ok) {
        db.rollback();
        return std::nullopt;
    }
    if (!commit(error, failed))
        return std::nullopt;
    return added;
}

std::optional<QList<int>> RecordStore::missingPositions(const QString &recorder, QString *error) const
{
    if (!isOpen()) {
        *error = QCoreApplication::translate("archive", "存档没有打开");
        return std::nullopt;
    }
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    QSqlQuery q(db);
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT position FROM missing_positions WHERE recorder = ? ORDER BY position"));
    q.addBindValue(recorder);
    if (!q.exec()) {
        *error = describe(db, QCoreApplication::translate("archive", "读不出存档"), q.lastError());
        return std::nullopt;
    }
    QList<int> positions;
    while (q.next())
        positions.append(q.value(0).toInt());
    return positions;
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
        *error = describe(QSqlDatabase::database(m_connection, false), QCoreApplication::translate("archive", "读不出存档"),
                          q.lastError());
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
    q.addBindValue(records::Record{0, data}.timeText());
    q.addBindValue(data.mid(6));
    if (!q.exec()) {
        *error = describe(QSqlDatabase::database(m_connection, false), QCoreApplication::translate("archive", "读不出存档"),
                          q.lastError());
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
        *error = describe(QSqlDatabase::database(m_connection, false), QCoreApplication::translate("archive", "读不出存档"),
                          q.lastError());
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
    if (!begin(error, QCoreApplication::translate("archive", "存档数据库不能开始事务")))
        return std::nullopt;
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
    const QString failed = QCoreApplication::translate("archive", "记录没有改到新名称下");
    if (!ok)
        *error = describe(db, failed, copy.lastError().isValid() ? copy.lastError() : drop.lastError());
    copy.finish();
    drop.finish();
    ok = ok && execEach(db, QStringLiteral("INSERT INTO missing_positions (recorder, position) SELECT ?, position"
                                           " FROM missing_positions WHERE recorder = ? ON CONFLICT DO NOTHING"), {{to, from}}, error)
         && execEach(db, QStringLiteral("DELETE FROM missing_positions WHERE recorder = ?"), {{from}}, error);
    if (!ok) {
        db.rollback();
        return std::nullopt;
    }
    if (!commit(error, failed))
        return std::nullopt;
    return moved;
}

} // namespace archive
