#pragma once
#include <QSqlDatabase>
#include <QString>
#include <functional>

// The archive's one database connection, shared by every part of the store (records, readings,
// alarms, watchers, the audit trail, the checks): the same code runs on SQLite (a file, the default)
// and on PostgreSQL (a site server). Writers take turns under the archive's write lock.
namespace archive {

struct ArchiveConfig {
    enum Kind { Sqlite, Postgres };
    Kind kind = Sqlite;
    QString sqlitePath;   // Sqlite: the database file, e.g. archive.db in the application folder
    // Postgres. A host that starts with "/" is the folder of the server's Unix socket.
    QString host;
    int port = 5432;
    QString database;
    QString user;
    // For this run only, from the user's keyring or typed in; never written to a file. Empty: libpq
    // finds one in ~/.pgpass or PGPASSFILE, or the server trusts the local user.
    QString password;
    // Backups (archive.set's backup-dir= and backup-keep=): the folder of the dated copies, empty for
    // none, and how many days of them are kept.
    QString backupDir{};
    int backupKeepDays = 30;
};

// The programs that write the archive, as the audit trail names them.
enum class Program { Window, Collector, Watcher };
QString programWord(Program p);

class Connection {
public:
    // How long a write waits for another program that is writing the same SQLite archive.
    static constexpr int BusyTimeoutMs = 5000;

    Connection() = default;
    ~Connection() { close(); }
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    // Opens a new connection (SQLite in write-ahead-log mode); false and *error when it cannot.
    bool connect(const ArchiveConfig &config, QString *error);
    void close();
    bool isOpen() const;
    // Whether it is open; else false and *error says the archive is not open.
    bool ready(QString *error) const;
    QSqlDatabase db() const { return QSqlDatabase::database(m_name, false); }
    bool postgres() const { return db().driverName() != QLatin1String("QSQLITE"); }

    // SQLite: empty while the file at the archive's path is still the one open, else what became of
    // it (deleted, or another file put in its place). Always empty on PostgreSQL.
    QString fileReplaced() const;

    // A write transaction under the archive's write lock; what names the write in an error.
    bool begin(QString *error, const QString &what);
    // Commits, or rolls back and says why.
    bool commit(QString *error, const QString &what);
    void rollback() { db().rollback(); }

    // Said once when a write waits for another program to finish with the archive.
    void setWaitNote(std::function<void(const QString &)> note) { m_waitNote = std::move(note); }
    // Which program this is, for the audit trail (the window unless set).
    void setProgram(Program p) { m_program = p; }
    Program program() const { return m_program; }

private:
    QString m_name;
    QString m_path;                       // SQLite: the file, and which it was when opened
    quint64 m_device = 0, m_inode = 0;
    Program m_program = Program::Window;
    std::function<void(const QString &)> m_waitNote;
};

} // namespace archive
