#pragma once
#include <QList>
#include <QString>
#include <QStringList>

// The archive's tables as this version of the program makes them: each column with its type on
// SQLite and on PostgreSQL and whether the hash chain covers it, each table's key and indexes. The
// CREATE statements of a new archive and the chains' column lists both come from here; an older
// archive reaches the same shape through the migration steps (migrations.h).
namespace archive::schema {

// The shape described here; an archive's schema_version row says which one it has.
inline constexpr int Version = 10;

// What a column holds, and so how its value is written into a chain's canonical text: a time is
// compared as the instant it names (PostgreSQL hands back a timestamp where SQLite hands back the
// text written).
enum class Kind { Text, Int, Blob, Real, Time };

struct Column {
    const char *name;
    Kind kind;
    const char *sqlite, *postgres;  // the declared type
    bool notNull;
    bool hashed;                    // the table's chain covers it
};

struct Index {
    const char *name;
    const char *columns;
};

struct Table {
    const char *name;
    QList<Column> columns;   // in the order an archive's tables hold them
    QStringList primaryKey;  // in the key's order
    QList<Index> indexes;
    // The key's one column is numbered by the database (SQLite AUTOINCREMENT, PostgreSQL BIGSERIAL).
    bool serialKey = false;
    // The chain: none (an ordinary table), one over the whole table, or one a recorder (the
    // "recorder" column). A chained table has a seq and a hash column.
    enum Chain { None, Whole, PerRecorder } chain = None;
    QStringList keyColumns{};  // what names a row to a person besides its seq
};

const QList<Table> &tables();
const Table &table(const char *name);

// The statements that make a table and its indexes where they are not yet.
QStringList createStatements(const Table &t, bool postgres);

} // namespace archive::schema
