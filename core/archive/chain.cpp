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
    case K::Time: payload = sql::timeOf(v).toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzzZ")).toLatin1(); break;
    }
    // Length-prefixed: no value can pass for two, whatever characters it holds.
    return "tibrd"[int(kind)] + QByteArray::number(payload.size()) + ':' + payload;
}

int columnIndex(const Table &t, const QString &name)
{
    for (int i = 0; i < t.columns.size(); ++i)
        if (name == QLatin1String(t.columns[i].name))
            return i;
    return -1;
}

int recorderIndex(const Table &t)
{
    return columnIndex(t, QStringLiteral("recorder"));
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
    static const QList<Table> all = [] {
        QList<Table> list;
        for (const schema::Table &s : schema::tables()) {
            if (s.chain == schema::Table::None)
                continue;
            Table t{s.name, s.chain == schema::Table::PerRecorder, {{"seq", K::Int}}, s.keyColumns};
            for (const schema::Column &c : s.columns)
                if (c.hashed && qstrcmp(c.name, "seq") != 0)
                    t.columns.append({c.name, c.kind});
            list.append(t);
        }
        return list;
    }();
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

QStringList appendOnlyTables(bool chainedOnly)
{
    QStringList names;
    for (const Table &t : tables())
        names << QLatin1String(t.name);
    return chainedOnly ? names : names << QStringLiteral("archive_identity");
}

QStringList triggerNames(bool postgres)
{
    QStringList names;
    for (const QString &t : appendOnlyTables(false)) {
        names << t + QStringLiteral("_no_update") << t + QStringLiteral("_no_delete")
              << t + (postgres ? QStringLiteral("_no_truncate") : QStringLiteral("_no_replace"));
    }
    return names;
}

QStringList appendOnlyStatements(const QString &n, bool postgres)
{
    QStringList s;
    for (const char *op : {"update", "delete"})
        s << (postgres ? QStringLiteral("CREATE TRIGGER %1_no_%2 BEFORE %3 ON %1 FOR EACH ROW EXECUTE FUNCTION wl_append_only()")
                       : QStringLiteral("CREATE TRIGGER IF NOT EXISTS %1_no_%2 BEFORE %3 ON %1 BEGIN"
                                        " SELECT RAISE(ABORT, '%1 is append-only: its rows are never changed or removed'); END"))
                 .arg(n, QLatin1String(op), QString::fromLatin1(op).toUpper());
    if (postgres) {
        s << QStringLiteral("CREATE TRIGGER %1_no_truncate BEFORE TRUNCATE ON %1 FOR EACH STATEMENT"
                            " EXECUTE FUNCTION wl_append_only()").arg(n);
        return s;
    }
    // INSERT OR REPLACE deletes the row it replaces without firing its delete trigger: a row whose key
    // is taken is refused before it goes in.
    QStringList same;
    for (const QString &c : schema::table(n.toLatin1().constData()).primaryKey)
        same << QStringLiteral("%1 = NEW.%1").arg(c);
    s << QStringLiteral("CREATE TRIGGER IF NOT EXISTS %1_no_replace BEFORE INSERT ON %1 WHEN EXISTS (SELECT 1 FROM %1 WHERE %2) BEGIN"
                        " SELECT RAISE(ABORT, '%1 is append-only: a row it holds is never replaced'); END")
             .arg(n, same.join(QStringLiteral(" AND ")));
    return s;
}

QStringList triggerStatements(bool postgres, const QStringList &tables)
{
    QStringList s;
    if (postgres)
        s << QStringLiteral("CREATE OR REPLACE FUNCTION wl_append_only() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN"
                            " RAISE EXCEPTION '% is append-only: its rows are never changed or removed', TG_TABLE_NAME;"
                            " END $$");
    for (const QString &t : tables)
        s << appendOnlyStatements(t, postgres);
    return s;
}

std::optional<qint64> Writer::nextSeq(QString *error)
{
    if (m_next > 0)
        return m_next;
    QSqlQuery q(m_db);
    // A seq a removed last row had is not given again: its chain's tip still names it.
    QStringList highest;
    for (const Table &t : tables())
        highest << QStringLiteral("SELECT MAX(seq) AS m FROM %1").arg(QLatin1String(t.name));
    highest << QStringLiteral("SELECT MAX(last_seq) FROM chain_tips");
    if (!q.exec(QStringLiteral("SELECT MAX(m) FROM (%1) AS x").arg(highest.join(QStringLiteral(" UNION ALL "))))
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

std::optional<qint64> Writer::appendThroughOwner(const Table &t, const QVariantList &values, QString *error, bool ignoreConflict,
                                                 bool *added)
{
    auto [prepared, fresh] = m_inserts.try_emplace({QLatin1String(t.name), false}, m_db);
    QSqlQuery &q = prepared->second;
    if (fresh)
        q.prepare(QStringLiteral("SELECT %1(?%2)").arg(appendFunction(t), QStringLiteral(", ?").repeated(t.columns.size() - 1)));
    q.bindValue(0, ignoreConflict);
    for (int i = 1; i < t.columns.size(); ++i)
        q.bindValue(i, bound(t.columns[i], values.value(i - 1)));
    if (!q.exec() || !q.next()) {
        *error = sql::describe(m_db, QCoreApplication::translate("archive", "存档数据库拒绝了一行“%1”").arg(QLatin1String(t.name)), q.lastError());
        return std::nullopt;
    }
    const bool in = !q.value(0).isNull();
    if (added)
        *added = in;
    const qint64 seq = q.value(0).toLongLong();
    q.finish();
    return seq;
}

std::optional<qint64> Writer::append(const Table &t, const QVariantList &values, QString *error, bool ignoreConflict,
                                     bool *added)
{
    if (m_postgres)
        return appendThroughOwner(t, values, error, ignoreConflict, added);
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
    const QPair<QString, bool> statement{QLatin1String(t.name), ignoreConflict};
    auto [prepared, fresh] = m_inserts.try_emplace(statement, m_db);
    QSqlQuery &q = prepared->second;
    if (fresh) {
        const QString marks = QStringLiteral("?, ").repeated(t.columns.size());
        // A row the key already holds is left out by the statement itself, so the trigger that
        // refuses a replacement never sees it.
        QStringList same;
        for (const QString &c : schema::table(t.name).primaryKey)
            same << QStringLiteral("%1 = ?").arg(c);
        q.prepare(ignoreConflict ? QStringLiteral("INSERT INTO %1 (%2, hash) SELECT %3? WHERE NOT EXISTS (SELECT 1 FROM %1 WHERE %4)")
                                       .arg(QLatin1String(t.name), columnList(t), marks, same.join(QStringLiteral(" AND ")))
                                 : QStringLiteral("INSERT INTO %1 (%2, hash) VALUES (%3?)").arg(QLatin1String(t.name), columnList(t), marks));
    }
    for (int i = 0; i < all.size(); ++i)
        q.bindValue(i, all[i]);
    q.bindValue(int(all.size()), hash);
    const QStringList &key = schema::table(t.name).primaryKey;
    for (int i = 0; ignoreConflict && i < key.size(); ++i)
        q.bindValue(int(all.size()) + 1 + i, all.value(columnIndex(t, key[i])));
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

namespace {
struct TipRow {
    qint64 seq, rows;
    QString hash;
};
using Tips = QMap<QPair<QString, QString>, TipRow>;
using Anchors = QMap<QString, QMultiMap<qint64, Anchor>>;  // a table's, by chain and row

// One table's walk: its chains in turn (by recorder, then seq), each ending at the tip the program saved.
class TableWalk {
public:
    TableWalk(const Table &t, Tips &tips, Anchors anchors, Verdict &v) : m_t(t), m_tips(tips), m_anchors(std::move(anchors)), m_v(v) {}

    // Whether the row (values in column order, then its stored hash) holds; else m_v names the break.
    bool row(const QVariantList &values, const QString &stored)
    {
        const QString recorder = chainOf(m_t, values);
        if (!m_started || recorder != m_chain) {
            if (m_started && !close())
                return false;
            m_started = true;
            m_chain = recorder;
            m_prev.clear();
            m_count = 0;
        }
        QStringList key{QStringLiteral("seq=%1").arg(values[0].toLongLong())};
        for (const QString &k : m_t.keyColumns)
            for (int i = 0; i < m_t.columns.size(); ++i)
                if (k == QLatin1String(m_t.columns[i].name))
                    key << QStringLiteral("%1=%2").arg(k, values[i].toString());
        if (m_count == 0)
            m_firstKey = key.join(QLatin1Char(' '));
        if (stored != rowHash(m_t, m_prev, values))
            return broken(recorder, key.join(QLatin1Char(' ')),
                          stored.isEmpty() ? QCoreApplication::translate("archive", "这一行没有哈希：不是本程序写入的")
                                           : QCoreApplication::translate("archive", "内容与哈希不符：这一行被改过，或它前面的行被删除、插入或调换了"));
        m_prev = stored;
        m_lastSeq = values[0].toLongLong();
        ++m_count;
        ++m_v.rows;
        if (const auto chain = m_anchors.constFind(recorder); chain != m_anchors.cend())
            for (auto a = chain->constFind(m_count); a != chain->cend() && a.key() == m_count; ++a)
                if (a->hash != stored)
                    return broken(recorder, key.join(QLatin1Char(' ')),
                                  QCoreApplication::translate("archive", "与%1不符：链的第 %2 行的哈希不同，这一行或它前面的行被改过")
                                      .arg(a->source).arg(a->rows), a->source);
        return true;
    }

    // After the last row: the last chain closed, and no saved tip of the table left without its rows.
    bool end()
    {
        if (m_started && !close())
            return false;
        for (auto it = m_tips.cbegin(); it != m_tips.cend(); ++it)
            if (it.key().first == QLatin1String(m_t.name) && it->rows > 0)
                return broken(it.key().second, QStringLiteral("seq=%1").arg(it->seq),
                              QCoreApplication::translate("archive", "这条链的 %1 行全部不在了").arg(it->rows));
        for (auto it = m_anchors.cbegin(); it != m_anchors.cend(); ++it)
            if (!shortOf(it.key(), 0))
                return false;
        return true;
    }

private:
    bool broken(const QString &recorder, const QString &key, const QString &what, const QString &source = {})
    {
        m_v = {false, m_v.rows, QLatin1String(m_t.name), recorder, key, what, source};
        return false;
    }

    // A chain's end must be the tip the program saved: else rows went missing from its end, or the
    // whole chain was put in by hand.
    bool close()
    {
        const QPair<QString, QString> key{QLatin1String(m_t.name), m_chain};
        if (!m_tips.contains(key))
            return broken(m_chain, m_firstKey, QCoreApplication::translate("archive", "这条链不是本程序写入的（链尾没有记载）"));
        const TipRow tip = m_tips.take(key);
        if (tip.seq != m_lastSeq || tip.rows != m_count || tip.hash != m_prev)
            return broken(m_chain, QStringLiteral("seq=%1").arg(tip.seq),
                          QCoreApplication::translate("archive", "链尾应是 seq=%1（共 %2 行），现在是 seq=%3（共 %4 行）：链尾的行被删除或添加了")
                              .arg(tip.seq).arg(tip.rows).arg(m_lastSeq).arg(m_count));
        return shortOf(m_chain, m_count) && (m_anchors.remove(m_chain), true);
    }

    // No anchor of the chain may lie beyond the rows it has: else rows went missing, or the archive is
    // an older one than the copy.
    bool shortOf(const QString &chain, qint64 rows)
    {
        const auto anchors = m_anchors.constFind(chain);
        if (anchors == m_anchors.cend() || anchors->isEmpty() || anchors->lastKey() <= rows)
            return true;
        const Anchor &a = anchors->last();
        return broken(chain, QStringLiteral("-"),
                      QCoreApplication::translate("archive", "这条链只有 %1 行，%2记载它有 %3 行：行被删除了，或存档换成了较早的")
                          .arg(rows).arg(a.source).arg(a.rows), a.source);
    }

    const Table &m_t;
    Tips &m_tips;
    Anchors m_anchors;
    Verdict &m_v;
    QString m_chain, m_prev, m_firstKey;
    qint64 m_count = 0, m_lastSeq = 0;
    bool m_started = false;
};
} // namespace

std::optional<Verdict> verify(QSqlDatabase db, QString *error, const QList<Anchor> &anchors)
{
    Tips tips;
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
    for (const Table &t : tables()) {
        const QString order = t.perRecorder ? QStringLiteral("recorder, seq") : QStringLiteral("seq");
        if (!q.exec(QStringLiteral("SELECT %1, hash FROM %2 ORDER BY %3").arg(columnList(t), QLatin1String(t.name), order)))
            return failed();
        Anchors mine;
        for (const Anchor &a : anchors)
            if (a.table == QLatin1String(t.name))
                mine[a.recorder].insert(a.rows, a);
        TableWalk walk(t, tips, mine, v);
        while (q.next()) {
            QVariantList values;
            for (int i = 0; i < t.columns.size(); ++i)
                values << q.value(i);
            if (!walk.row(values, q.value(t.columns.size()).toString()))
                return v;
        }
        if (!walk.end())
            return v;
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
            return Verdict{false, v.rows, name.section(QStringLiteral("_no_"), 0, 0), QString(), QStringLiteral("-"),
                           QCoreApplication::translate("archive", "触发器 %1 不在了：这张表不再拒绝修改和删除").arg(name), QString()};
    return v;
}

} // namespace archive::chain
