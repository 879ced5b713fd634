#pragma once
#include "core/archive/schema.h"
#include <QByteArray>
#include <QList>
#include <QMap>
#include <QPair>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <map>
#include <optional>

// The hash chains over the archive's append-only tables. Every row carries the SHA-256 of its
// canonical content and the hash of the row before it in its chain: one chain a recorder in records,
// readings and alarms, and one chain for the whole audit trail. All rows of all chained tables draw
// their seq from one counter, so a seq says which of two rows in different tables came first (the
// recorder-name mapping relies on it). What each chain's last row is stays in chain_tips, so a
// removed last row is found as well as a removed middle one.
namespace archive::chain {

using Kind = schema::Kind;

struct Column {
    const char *name;
    Kind kind;
};

struct Table {
    const char *name;
    bool perRecorder;        // one chain a recorder (the "recorder" column); else one chain
    QList<Column> columns;   // seq first, then the columns the schema marks hashed, in its order
    QStringList keyColumns;  // what names a row to a person besides its seq
};

// The chained tables of the schema (schema.h), in its order.
const QList<Table> &tables();
const Table &table(const char *name);

// The hash of a row whose values are given in the table's column order (seq first), chained to prev
// (empty for a chain's first row): lower-case hex.
QString rowHash(const Table &t, const QString &prev, const QVariantList &values);

// The triggers that keep the chained tables append-only, as the driver names them.
// The tables only ever appended to: the chained ones, and but for chainedOnly the archive's identity.
QStringList appendOnlyTables(bool chainedOnly = false);
QStringList triggerNames(bool postgres);
QStringList triggerStatements(bool postgres, const QStringList &tables = appendOnlyTables());
// Those of one table (on PostgreSQL, wl_append_only() must be there).
QStringList appendOnlyStatements(const QString &table, bool postgres);

// On PostgreSQL, the functions of the archive's owner through which the chained tables are appended
// to (each computes its row's seq and hash and moves the tip), and the name of a table's.
// Made (again) by the owner in the schema it works in.
bool installAppendFunctions(QSqlDatabase &db, QString *error);
QString appendFunction(const Table &t);

// Appends rows to chains inside a transaction the caller holds (and, on PostgreSQL, the archive's
// write lock). Each chain's tip is read once and saved by finish().
class Writer {
public:
    explicit Writer(QSqlDatabase db) : m_db(db), m_postgres(db.driverName() == QLatin1String("QPSQL")) {}

    // Inserts one row (values in column order without the seq), chained to its recorder's last row.
    // With ignoreConflict a row the table's key already holds is skipped: then *added is false.
    // Nothing and *error when the database refuses. The seq given is returned.
    std::optional<qint64> append(const Table &t, const QVariantList &values, QString *error, bool ignoreConflict = false,
                                 bool *added = nullptr);
    // The seq and hash a row already in the table gets when its chain starts (an upgrade): seq is
    // kept when given, else drawn from the counter.
    std::optional<QPair<qint64, QString>> adopt(const Table &t, std::optional<qint64> seq, const QVariantList &values,
                                                QString *error);
    bool finish(QString *error);

private:
    struct Tip {
        qint64 seq = 0, rows = 0;
        QString hash;
        bool changed = false;
    };
    std::optional<qint64> nextSeq(QString *error);
    Tip *tip(const Table &t, const QString &recorder, QString *error);

    std::optional<qint64> appendThroughOwner(const Table &t, const QVariantList &values, QString *error, bool ignoreConflict,
                                             bool *added);

    QSqlDatabase m_db;
    bool m_postgres;
    qint64 m_next = 0;
    QMap<QPair<QString, QString>, Tip> m_tips;
    std::map<QPair<QString, bool>, QSqlQuery> m_inserts;  // prepared once a writer, by table and ignoreConflict
};

// What a walk of every chain found.
struct Verdict {
    bool ok = true;
    qint64 rows = 0;
    // The first break: where and what differs.
    QString table, recorder, key, what;
    QString source;  // the anchor's, when it is one that does not hold
    QString text() const;
};
// A position a chain must still hold, from a copy kept elsewhere (a checkpoint, a backup): its
// rows-th row, counted from 1, with this hash. As every hash covers the one before it, that one row
// vouches for the whole chain up to it.
struct Anchor {
    QString table, recorder;  // recorder empty: the chain over the whole table
    qint64 rows = 0;
    QString hash;
    QString source;           // names the copy in a verdict
};
// Walks every chain; where anchors are given, each must hold as well.
std::optional<Verdict> verify(QSqlDatabase db, QString *error, const QList<Anchor> &anchors = {});

} // namespace archive::chain
