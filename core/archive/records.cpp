#include "core/archive/records.h"
#include "core/archive/audit.h"
#include "core/archive/chain.h"
#include "core/archive/renamings.h"
#include "core/archive/sqlstatements.h"
#include <QCoreApplication>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <tuple>

namespace archive {

using sql::describe;
using sql::execEach;

QByteArray StoredRecord::data() const
{
    QByteArray digits = time.mid(2).toLatin1();
    digits.replace('-', "").replace(' ', "").replace(':', "");
    return QByteArray(1, char(0x5B)) + QByteArray::fromHex(digits) + words;
}

std::optional<int> Records::store(const Batch &batch, QString *error)
{
    if (!m_c.ready(error))
        return std::nullopt;
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
    if (!m_c.begin(error, QCoreApplication::translate("archive", "存档数据库不能开始事务")))
        return std::nullopt;
    int added = 0;
    if (!keep(batch, &added, error) || !keepMissing(batch, error)) {
        m_c.rollback();
        return std::nullopt;
    }
    if (!m_c.commit(error, QCoreApplication::translate("archive", "这一批记录没有存进存档")))
        return std::nullopt;
    return added;
}

// The batch's records appended to the recorder's chain, each once.
bool Records::keep(const Batch &batch, int *added, QString *error)
{
    QSqlDatabase db = m_c.db();
    // Under a name that renamed records go by, a record is kept once whatever name it was stored under.
    const auto scope = renamings::scopeOf(db, batch.recorder, error);
    bool ok = scope.has_value();
    QSqlQuery held(db);
    if (ok && !scope->plain)
        ok = held.prepare(QStringLiteral("SELECT 1 FROM records WHERE %1 AND taken = ? AND words = ? AND occurrence = ? LIMIT 1")
                              .arg(scope->where));
    chain::Writer chain(db);
    const chain::Table &table = chain::table("records");
    const QString readAt = batch.readAt.toUTC().toString(Qt::ISODate);
    int occurrence = 0;
    for (qsizetype i = 0; ok && i < batch.records.size(); ++i) {
        const records::Record &r = batch.records[i];
        // The k-th of identical records read one after another is occurrence k − 1: two real
        // records in one minute stay two, and the same memory read again numbers them alike.
        const bool follows = i > 0 && r.position == batch.records[i - 1].position + 1;
        occurrence = follows && r.data == batch.records[i - 1].data ? occurrence + 1 : 0;
        if (!scope->plain) {
            scope->bind(held);
            held.addBindValue(r.timeText());
            held.addBindValue(r.data.mid(6));
            held.addBindValue(occurrence);
            ok = held.exec();
            if (!ok)
                *error = describe(db, sql::cannotRead(), held.lastError());
            if (!ok || held.next())
                continue;
        }
        bool in = false;
        ok = chain.append(table, {batch.recorder, int(batch.address), r.timeText(), occurrence, r.data.mid(6), batch.intervalS,
                                  readAt, batch.port}, error, true, &in).has_value();
        *added += in ? 1 : 0;
    }
    held.finish();
    return ok && chain.finish(error);
}

// What stays to be read of the recorder's memory after the batch, when it says.
bool Records::keepMissing(const Batch &batch, QString *error)
{
    if (batch.count < 0)
        return true;
    QSqlDatabase db = m_c.db();
    QList<QVariantList> read, missing;
    for (const records::Record &r : batch.records)
        read.append({batch.recorder, r.position});
    for (int k : batch.missing)
        missing.append({batch.recorder, k});
    return execEach(db, QStringLiteral("DELETE FROM missing_positions WHERE recorder = ? AND position > ?"),
                    {{batch.recorder, batch.count}}, error)
           && execEach(db, QStringLiteral("DELETE FROM missing_positions WHERE recorder = ? AND position = ?"), read, error)
           && execEach(db, QStringLiteral("INSERT INTO missing_positions (recorder, position) VALUES (?, ?)"
                                          " ON CONFLICT DO NOTHING"), missing, error);
}

std::optional<QList<int>> Records::missingPositions(const QString &recorder, QString *error) const
{
    if (!m_c.ready(error))
        return std::nullopt;
    QSqlDatabase db = m_c.db();
    QSqlQuery q(db);
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT position FROM missing_positions WHERE recorder = ? ORDER BY position"));
    q.addBindValue(recorder);
    if (!q.exec()) {
        *error = describe(db, sql::cannotRead(), q.lastError());
        return std::nullopt;
    }
    QList<int> positions;
    while (q.next())
        positions.append(q.value(0).toInt());
    return positions;
}

QList<StoredRecord> Records::period(const QString &recorder, const QDateTime &from, const QDateTime &to,
                                        QString *error) const
{
    QList<StoredRecord> rows;
    if (!m_c.ready(error))
        return rows;
    const auto scope = renamings::scopeOf(m_c.db(), recorder, error);
    if (!scope)
        return rows;
    QSqlQuery q(m_c.db());
    q.setForwardOnly(true);
    q.prepare(QStringLiteral(
        "SELECT address, taken, occurrence, words, interval_s, read_at, port FROM records"
        " WHERE %1 AND taken >= ? AND taken <= ? ORDER BY taken, occurrence, words, seq").arg(scope->where));
    const QString minute = QStringLiteral("yyyy-MM-dd HH:mm");
    scope->bind(q);
    q.addBindValue(from.toString(minute));
    q.addBindValue(to.toString(minute));
    if (!q.exec()) {
        *error = describe(m_c.db(), sql::cannotRead(),
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
        // The same record stored under two names that now show as one is shown once: the first kept.
        if (!rows.isEmpty() && std::tie(rows.last().time, rows.last().occurrence, rows.last().words)
                                   == std::tie(r.time, r.occurrence, r.words))
            continue;
        rows.append(r);
    }
    return rows;
}

QStringList Records::recorders() const
{
    QString error;
    return m_c.isOpen() ? renamings::shownNames(m_c.db(), &error).value_or(QStringList()) : QStringList();
}

std::optional<bool> Records::holds(const QString &recorder, const QByteArray &data, QString *error) const
{
    if (!m_c.ready(error))
        return std::nullopt;
    const auto scope = renamings::scopeOf(m_c.db(), recorder, error);
    if (!scope)
        return std::nullopt;
    QSqlQuery q(m_c.db());
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT 1 FROM records WHERE %1 AND taken = ? AND words = ? LIMIT 1").arg(scope->where));
    scope->bind(q);
    q.addBindValue(records::Record{0, data}.timeText());
    q.addBindValue(data.mid(6));
    if (!q.exec()) {
        *error = describe(m_c.db(), sql::cannotRead(),
                          q.lastError());
        return std::nullopt;
    }
    return q.next();
}

std::optional<std::pair<QString, QString>> Records::span(const QString &recorder, QString *error) const
{
    if (!m_c.ready(error))
        return std::nullopt;
    const auto scope = renamings::scopeOf(m_c.db(), recorder, error);
    if (!scope)
        return std::nullopt;
    QSqlQuery q(m_c.db());
    q.prepare(QStringLiteral("SELECT MIN(taken), MAX(taken) FROM records WHERE %1").arg(scope->where));
    scope->bind(q);
    if (!q.exec() || !q.next()) {
        *error = describe(m_c.db(), sql::cannotRead(),
                          q.lastError());
        return std::nullopt;
    }
    if (q.value(0).isNull())
        return std::nullopt;
    return std::pair{q.value(0).toString(), q.value(1).toString()};
}

std::optional<int> Records::rename(const QString &from, const QString &to, QString *error)
{
    if (!m_c.ready(error))
        return std::nullopt;
    QSqlDatabase db = m_c.db();
    if (!m_c.begin(error, QCoreApplication::translate("archive", "存档数据库不能开始事务")))
        return std::nullopt;
    const QString failed = QCoreApplication::translate("archive", "记录没有改到新名称下");
    // What goes by the old name now goes by the new one; the audit entry is the renaming itself.
    const auto scope = renamings::scopeOf(db, from, error);
    QSqlQuery count(db);
    bool ok = scope && count.prepare(QStringLiteral("SELECT COUNT(*) FROM records WHERE %1").arg(scope->where));
    if (ok) {
        scope->bind(count);
        ok = count.exec() && count.next();
        if (!ok)
            *error = describe(db, failed, count.lastError());
    }
    const int moved = ok ? count.value(0).toInt() : 0;
    count.finish();
    chain::Writer chain(db);
    ok = ok && chain.append(chain::table("audit"), auditValues({to, QLatin1String(kinds::RenameRecords), from, to}, m_c.program()), error)
         && chain.finish(error);
    ok = ok && execEach(db, QStringLiteral("INSERT INTO missing_positions (recorder, position) SELECT ?, position"
                                           " FROM missing_positions WHERE recorder = ? ON CONFLICT DO NOTHING"), {{to, from}}, error)
         && execEach(db, QStringLiteral("DELETE FROM missing_positions WHERE recorder = ?"), {{from}}, error);
    if (!ok) {
        m_c.rollback();
        return std::nullopt;
    }
    if (!m_c.commit(error, failed))
        return std::nullopt;
    return moved;
}

} // namespace archive
