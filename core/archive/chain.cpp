#include "core/archive/chain.h"
#include "core/archive/sqlstatements.h"
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDateTime>
#include <QLocale>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace archive::chain {

namespace {
using K = Kind;


QDateTime timeOf(const QVariant &v)
{
    const QDateTime t = v.typeId() == QMetaType::QDateTime ? v.toDateTime() : QDateTime::fromString(v.toString(), Qt::ISODate);
    return t.toUTC();
}

QByteArray field(Kind kind, const QVariant &v)
{
    if (v.isNull())
        return QByteArrayLiteral("-");
    QByteArray payload;
    switch (kind) {
    case K::Text: payload = v.toString().toUtf8(); break;
    case K::Int: payload = QByteArray::number(v.toLongLong()); break;
    case K::Blob: payload = v.toByteArray().toHex(); break;
    case K::Real: payload = QByteArray::number(v.toDouble(), 'g', QLocale::FloatingPointShortest); break;
    case K::Time: payload = timeOf(v).toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzzZ")).toLatin1(); break;
    }
    // Length-prefixed: no value can pass for two, whatever characters it holds.
    return "tibrd"[int(kind)] + QByteArray::number(payload.size()) + ':' + payload;
}

int recorderIndex(const Table &t)
{
    for (int i = 0; i < t.columns.size(); ++i)
        if (qstrcmp(t.columns[i].name, "recorder") == 0)
            return i;
    return -1;
}

QString chainOf(const Table &t, const QVariantList &withSeq)
{
    return t.perRecorder ? withSeq.value(recorderIndex(t)).toString() : QString("");  // NOT NULL in chain_tips
}

QString columnList(const Table &t)
{
    QStringList names;
    for (const Column &c : t.columns)
        names << QLatin1String(c.name);
    return names.join(QStringLiteral(", "));
}

// A text column's empty value goes in as '' (a null QString would go in as NULL and read back as one).
QVariant bound(const Column &c, const QVariant &v)
{
    if (c.kind == K::Text && !v.isNull() && v.toString().isNull())
        return QVariant(QString(""));
    return v;
}
} // namespace

const QList<Table> &tables()
{
    static const QList<Table> all{
        {"records", true,
         {{"seq", K::Int}, {"recorder", K::Text}, {"address", K::Int}, {"taken", K::Text}, {"occurrence", K::Int},
          {"words", K::Blob}, {"interval_s", K::Int}, {"read_at", K::Text}, {"port", K::Text}},
         {"taken", "occurrence"}},
        {"readings", true,
         {{"seq", K::Int}, {"recorder", K::Text}, {"address", K::Int}, {"sensor", K::Int}, {"taken", K::Time}, {"value", K::Real}},
         {"sensor", "taken"}},
        {"alarms", true,
         {{"seq", K::Int}, {"alarm_id", K::Int}, {"event", K::Text}, {"kind", K::Text}, {"recorder", K::Text},
          {"address", K::Int}, {"sensor", K::Int}, {"value", K::Real}, {"limit_value", K::Real}, {"happened", K::Time},
          {"by_name", K::Text}, {"note", K::Text}},
         {"alarm_id", "event"}},
        {"audit", false,
         {{"seq", K::Int}, {"at", K::Time}, {"os_user", K::Text}, {"program", K::Text}, {"recorder", K::Text},
          {"kind", K::Text}, {"old_value", K::Text}, {"new_value", K::Text}},
         {"kind"}},
    };
    return all;
}

const Table &table(const char *name)
{
    for (const Table &t : tables())
        if (qstrcmp(t.name, name) == 0)
            return t;
    Q_UNREACHABLE();
}

QString rowHash(const Table &t, const QString &prev, const QVariantList &values)
{
    QByteArray text = QByteArray(t.name) + '\n' + prev.toLatin1() + '\n';
    for (int i = 0; i < t.columns.size(); ++i)
        text += field(t.columns[i].kind, values.value(i));
    return QString::fromLatin1(QCryptographicHash::hash(text, QCryptographicHash::Sha256).toHex());
}

QStringList triggerNames(bool postgres)
{
    QStringList names;
    for (const Table &t : tables()) {
        names << QStringLiteral("%1_no_update").arg(t.name) << QStringLiteral("%1_no_delete").arg(t.name);
        if (postgres)
            names << QStringLiteral("%1_no_truncate").arg(t.name);
    }
    return names;
}

QStringList triggerStatements(bool postgres)
{
    QStringList s;
    if (postgres)
        s << QStringLiteral("CREATE OR REPLACE FUNCTION wl_append_only() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN"
                            " RAISE EXCEPTION '% is append-only: its rows are never changed or removed', TG_TABLE_NAME;"
                            " END $$");
    for (const Table &t : tables()) {
        const QString n = QLatin1String(t.name);
        if (postgres) {
            for (const char *op : {"update", "delete"})
                s << QStringLiteral("CREATE TRIGGER %1_no_%2 BEFORE %3 ON %1 FOR EACH ROW EXECUTE FUNCTION wl_append_only()")
                         .arg(n, QLatin1String(op), QString::fromLatin1(op).toUpper());
            s << QStringLiteral("CREATE TRIGGER %1_no_truncate BEFORE TRUNCATE ON %1 FOR EACH STATEMENT"
                                " EXECUTE FUNCTION wl_append_only()").arg(n);
        } else {
            for (const char *op : {"update", "delete"})
                s << QStringLiteral("CREATE TRIGGER IF NOT EXISTS %1_no_%2 BEFORE %3 ON %1 BEGIN"
                                    " SELECT RAISE(ABORT, '%1 is append-only: its rows are never changed or removed'); END")
                         .arg(n, QLatin1String(op), QString::fromLatin1(op).toUpper());
        }
    }
    return s;
}

std::optional<qint64> Writer::nextSeq(QString *error)
{
    if (m_next > 0)
        return m_next;
    QSqlQuery q(m_db);
    // A seq a removed last row had is not given again: its chain's tip still names it.
    if (!q.exec(QStringLiteral("SELECT MAX(m) FROM (SELECT MAX(seq) AS m FROM records UNION ALL SELECT MAX(seq) FROM readings"
                               " UNION ALL SELECT MAX(seq) FROM alarms UNION ALL SELECT MAX(seq) FROM audit"
                               " UNION ALL SELECT MAX(last_seq) FROM chain_tips) AS x"))
        || !q.next()) {
        *error = sql::describe(m_db, QCoreApplication::translate("archive", "读不出存档的序号"), q.lastError());
        return std::nullopt;
    }
    m_next = q.value(0).toLongLong() + 1;
    return m_next;
}

Writer::Tip *Writer::tip(const Table &t, const QString &recorder, QString *error)
{
    const QPair<QString, QString> key{QLatin1String(t.name), recorder};
    if (auto it = m_tips.find(key); it != m_tips.end())
        return &*it;
    QSqlQuery q(m_db);
    q.prepare(QStringLiteral("SELECT last_seq, rows, hash FROM chain_tips WHERE tbl = ? AND recorder = ?"));
    q.addBindValue(key.first);
    q.addBindValue(recorder);
    if (!q.exec()) {
        *error = sql::describe(m_db, QCoreApplication::translate("archive", "读不出存档的链尾"), q.lastError());
        return nullptr;
    }
    Tip tip;
    if (q.next())
        tip = {q.value(0).toLongLong(), q.value(1).toLongLong(), q.value(2).toString()};
    return &*m_tips.insert(key, tip);
}

std::optional<qint64> Writer::append(const Table &t, const QVariantList &values, QString *error, bool ignoreConflict,
                                     bool *added)
{
    const auto seq = nextSeq(error);
    if (!seq)
        return std::nullopt;
    QVariantList all{*seq};
    for (int i = 1; i < t.columns.size(); ++i)
        all << bound(t.columns[i], values.value(i - 1));
    Tip *last = tip(t, chainOf(t, all), error);
    if (!last)
        return std::nullopt;
    const QString hash = rowHash(t, last->hash, all);
    QSqlQuery q(m_db);
    const QString marks = QStringLiteral("?, ").repeated(t.columns.size());
    q.prepare(QStringLiteral("INSERT INTO %1 (%2, hash) VALUES (%3?)%4")
                  .arg(QLatin1String(t.name), columnList(t), marks,
                       ignoreConflict ? QStringLiteral(" ON CONFLICT DO NOTHING") : QString()));
    for (const QVariant &v : all)
        q.addBindValue(v);
    q.addBindValue(hash);
    if (!q.exec()) {
        *error = sql::describe(m_db, QCoreApplication::translate("archive", "存档数据库拒绝了一行“%1”").arg(QLatin1String(t.name)), q.lastError());
        return std::nullopt;
    }
    const bool in = q.numRowsAffected() > 0;
    if (added)
        *added = in;
    if (in) {
        *last = {*seq, last->rows + 1, hash, true};
        ++m_next;
    }
    return *seq;
}

std::optional<QPair<qint64, QString>> Writer::adopt(const Table &t, std::optional<qint64> seq, const QVariantList &values,
                                                    QString *error)
{
    if (!seq && !(seq = nextSeq(error)))
        return std::nullopt;
    QVariantList all{*seq};
    all.append(values);
    Tip *last = tip(t, chainOf(t, all), error);
    if (!last)
        return std::nullopt;
    const QString hash = rowHash(t, last->hash, all);
    *last = {*seq, last->rows + 1, hash, true};
    m_next = std::max(m_next, *seq + 1);
    return QPair{*seq, hash};
}

bool Writer::finish(QString *error)
{
    QList<QVariantList> rows;
    for (auto it = m_tips.cbegin(); it != m_tips.cend(); ++it)
        if (it->changed)
            rows.append({it.key().first, it.key().second, it->seq, it->rows, it->hash});
    return sql::execEach(m_db, QStringLiteral("INSERT INTO chain_tips (tbl, recorder, last_seq, rows, hash) VALUES (?, ?, ?, ?, ?)"
                                              " ON CONFLICT (tbl, recorder) DO UPDATE SET last_seq = excluded.last_seq,"
                                              " rows = excluded.rows, hash = excluded.hash"),
                         rows, error);
}

QString Verdict::text() const
{
    if (ok)
        return QStringLiteral("verify: ok rows=%1").arg(rows);
    return QStringLiteral("verify: broken table=%1 recorder=%2 row=%3: %4")
        .arg(table, recorder.isEmpty() ? QStringLiteral("-") : recorder, key, what);
}

std::optional<Verdict> verify(QSqlDatabase db, QString *error)
{
    struct TipRow { qint64 seq, rows; QString hash; };
    QMap<QPair<QString, QString>, TipRow> tips;
    QSqlQuery q(db);
    q.setForwardOnly(true);
    const auto failed = [&] {
        *error = sql::describe(db, QCoreApplication::translate("archive", "读不出存档"), q.lastError());
        return std::nullopt;
    };
    if (!q.exec(QStringLiteral("SELECT tbl, recorder, last_seq, rows, hash FROM chain_tips")))
        return failed();
    while (q.next())
        tips.insert({q.value(0).toString(), q.value(1).toString()}, {q.value(2).toLongLong(), q.value(3).toLongLong(), q.value(4).toString()});
    Verdict v;
    const auto broken = [&](const QString &table, const QString &recorder, const QString &key, const QString &what) {
        v = {false, v.rows, table, recorder, key, what};
        return v;
    };
    for (const Table &t : tables()) {
        const QString order = t.perRecorder ? QStringLiteral("recorder, seq") : QStringLiteral("seq");
        if (!q.exec(QStringLiteral("SELECT %1, hash FROM %2 ORDER BY %3").arg(columnList(t), QLatin1String(t.name), order)))
            return failed();
        QString chain, prev, firstKey;
        qint64 count = 0, lastSeq = 0;
        bool started = false;
        // A chain's end must be the tip the program saved: else rows went missing from its end, or the
        // whole chain was put in by hand.
        const auto closeChain = [&]() -> bool {
            const QPair<QString, QString> key{QLatin1String(t.name), chain};
            if (!tips.contains(key)) {
                broken(QLatin1String(t.name), chain, firstKey, QCoreApplication::translate("archive", "这条链不是本程序写入的（链尾没有记载）"));
                return false;
            }
            const TipRow tip = tips.take(key);
            if (tip.seq != lastSeq || tip.rows != count || tip.hash != prev) {
                broken(QLatin1String(t.name), chain, QStringLiteral("seq=%1").arg(tip.seq),
                       QCoreApplication::translate("archive", "链尾应是 seq=%1（共 %2 行），现在是 seq=%3（共 %4 行）：链尾的行被删除或添加了")
                           .arg(tip.seq).arg(tip.rows).arg(lastSeq).arg(count));
                return false;
            }
            return true;
        };
        while (q.next()) {
            QVariantList values;
            for (int i = 0; i < t.columns.size(); ++i)
                values << q.value(i);
            const QString stored = q.value(t.columns.size()).toString();
            const QString recorder = chainOf(t, values);
            if (!started || recorder != chain) {
                if (started && !closeChain())
                    return v;
                started = true;
                chain = recorder;
                prev.clear();
                count = 0;
            }
            QStringList key{QStringLiteral("seq=%1").arg(values[0].toLongLong())};
            for (const QString &k : t.keyColumns)
                for (int i = 0; i < t.columns.size(); ++i)
                    if (k == QLatin1String(t.columns[i].name))
                        key << QStringLiteral("%1=%2").arg(k, values[i].toString());
            if (count == 0)
                firstKey = key.join(QLatin1Char(' '));
            if (stored != rowHash(t, prev, values))
                return broken(QLatin1String(t.name), recorder, key.join(QLatin1Char(' ')),
                              stored.isEmpty() ? QCoreApplication::translate("archive", "这一行没有哈希：不是本程序写入的")
                                               : QCoreApplication::translate("archive", "内容与哈希不符：这一行被改过，或它前面的行被删除、插入或调换了"));
            prev = stored;
            lastSeq = values[0].toLongLong();
            ++count;
            ++v.rows;
        }
        if (started && !closeChain())
            return v;
        for (auto it = tips.cbegin(); it != tips.cend(); ++it)
            if (it.key().first == QLatin1String(t.name) && it->rows > 0)
                return broken(QLatin1String(t.name), it.key().second, QStringLiteral("seq=%1").arg(it->seq),
                              QCoreApplication::translate("archive", "这条链的 %1 行全部不在了").arg(it->rows));
    }
    // Rows that hash right can still be changed by hand where a trigger was taken away.
    const bool postgres = db.driverName() != QLatin1String("QSQLITE");
    if (!q.exec(postgres ? QStringLiteral("SELECT tgname FROM pg_trigger WHERE NOT tgisinternal AND tgenabled <> 'D'")
                         : QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'trigger'")))
        return failed();
    QSet<QString> present;
    while (q.next())
        present.insert(q.value(0).toString());
    for (const QString &name : triggerNames(postgres))
        if (!present.contains(name))
            return broken(name.section(QLatin1Char('_'), 0, 0), QString(), QStringLiteral("-"),
                          QCoreApplication::translate("archive", "触发器 %1 不在了：这张表不再拒绝修改和删除").arg(name));
    return v;
}

} // namespace archive::chain
