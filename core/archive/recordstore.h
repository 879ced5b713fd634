#pragma once
#include "core/archive/chain.h"
#include "core/records/record.h"
#include "core/alarm/alarm.h"
#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVector>
#include <cstdint>
#include <functional>
#include <optional>
#include <utility>

// The archive of every record downloaded: one row a record, kept once however often the same memory
// is read again. The same code runs on SQLite (a file, the default) and on PostgreSQL (a site
// server); both take the same statements.
namespace archive {

// The archive file's name in the application folder, the default archive.
inline constexpr char DefaultFileName[] = "archive.db";

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

// One stored record. time is the recorder's own stamp as "YYYY-MM-DD HH:MM" (the year taken as
// 20yy, no time zone); words are the record's big-endian words exactly as read.
struct StoredRecord {
    QString recorder;
    uint8_t address = 0;
    QString time;
    int occurrence = 0;   // 0, 1, … for identical records read one after another
    QByteArray words;
    int intervalS = 0;
    QDateTime readAt;     // UTC
    QString port;         // empty for rows kept from before the port was recorded

    // The record's data bytes as the recorder sent them: 5B, the BCD time, the words.
    QByteArray data() const;
};

// The programs that write the archive, as the audit trail names them.
enum class Program { Window, Collector, Watcher };
QString programWord(Program p);

// The audit trail's kinds of entry: what was done, in a short word.
namespace kinds {
inline constexpr char Created[] = "created";                 // the archive made (new: the version)
inline constexpr char Upgrade[] = "upgrade";                 // an older archive brought up to date
inline constexpr char RenameRecords[] = "rename-records";    // records shown under another name from now on
inline constexpr char RecorderName[] = "recorder-name";      // a name in recorders.set
inline constexpr char ArchiveSettings[] = "archive-settings";
inline constexpr char SensorSettings[] = "sensor-settings";  // a sensor's name, unit or limits
inline constexpr char AlarmAck[] = "alarm-ack";
inline constexpr char DeviceWrite[] = "device-write";        // a register or coil written to a recorder
inline constexpr char SettingsLoad[] = "settings-load";      // a settings file written to a recorder: its path
inline constexpr char AlarmSettings[] = "alarm-settings";    // the watcher's settings as it found them changed
inline constexpr char Export[] = "export";                   // a file of records, readings or the trail written: its path
inline constexpr char Report[] = "report";                   // a report written: its path
inline constexpr char Backup[] = "backup";                   // a backup made: its path and what its check found
inline constexpr char BackupRemoved[] = "backup-removed";    // an old backup removed after a newer one passed
} // namespace kinds

struct AuditEntry {
    QString recorder;  // empty: none
    QString kind;
    QString oldValue, newValue;
};
struct AuditRow {
    qint64 seq = 0;
    QDateTime at;      // UTC
    QString user, program, recorder, kind, oldValue, newValue;
};

class RecordStore {
public:
    // 5: the audit trail, the hash chains and the append-only triggers.
    static constexpr int SchemaVersion = 5;
    // How long a write waits for another program that is writing the same SQLite archive.
    static constexpr int BusyTimeoutMs = 5000;

    RecordStore();
    ~RecordStore();
    RecordStore(const RecordStore &) = delete;
    RecordStore &operator=(const RecordStore &) = delete;

    // Connects, then creates the tables or brings an older archive up to SchemaVersion, under the
    // archive's write lock: programs started together take turns. An archive written by a newer
    // program is refused, and so is anything the database refuses; *error says why, in words of their
    // own for a file that is no database, a damaged one, a read-only one (found here, before anything
    // is read for it), a full disk and a lock that is not released.
    bool open(const ArchiveConfig &config, QString *error);
    // Said once when open() or store() waits for another program to finish with the archive.
    void setWaitNote(std::function<void(const QString &)> note) { m_waitNote = std::move(note); }
    bool isOpen() const;

    struct Batch {
        QString recorder;     // the recorder's name, e.g. "COM4-21"; never empty
        uint8_t address = 0;
        int intervalS = 0;    // the recording interval read before the download
        QDateTime readAt;
        QString port;
        // As read, in download order. Identical records are numbered as one run only where their
        // positions in the memory follow each other.
        QList<records::Record> records;
        // With count ≥ 0 the batch also says what stays to be read: the positions still missing
        // after this download of a memory of count records. Positions read in it, and positions past
        // count (the memory was cleared), are no longer missing.
        QList<int> missing{};
        int count = -1;
    };

    // Stores a batch in one transaction: all of it or nothing. A batch holding anything that is not
    // a record is refused whole before a row is written. Returns the rows added (records already
    // kept add none), or nothing and *error.
    std::optional<int> store(const Batch &batch, QString *error);

    // One recorder's records with from ≤ time ≤ to (minutes; the times' zones are ignored: the
    // recorder's clock has none), in time order.
    QList<StoredRecord> period(const QString &recorder, const QDateTime &from, const QDateTime &to,
                               QString *error) const;
    QStringList recorders() const;
    // The positions of the recorder's memory that downloads left unread (ascending): a backward
    // read reads them again. Nothing and *error when the archive cannot be asked.
    std::optional<QList<int>> missingPositions(const QString &recorder, QString *error) const;
    // Whether the recorder's records hold one with these data bytes (whatever its occurrence):
    // a download that reads backwards stops at the first record the archive already keeps.
    // Nothing and *error when the archive cannot be asked.
    std::optional<bool> holds(const QString &recorder, const QByteArray &data, QString *error) const;
    // The first and last record time of a recorder ("YYYY-MM-DD HH:MM"); nothing when it has none.
    std::optional<std::pair<QString, QString>> span(const QString &recorder, QString *error) const;
    // A recorder given a new name: its records (and the positions it has still to read) are shown
    // under that name from now on, in one transaction. The rows themselves are never changed: the
    // audit trail keeps the renaming (kind RenameRecords), and every read goes through it. A record
    // the new name already holds is shown once. Returns the records that now go by the new name, or
    // nothing and *error.
    std::optional<int> renameRecorder(const QString &from, const QString &to, QString *error);
    int schemaVersion() const { return m_version; }

    // The watcher's live readings: value k of tenths is sensor k + 1, a number in the sensor's unit
    // (NULL for no reading) taken at a UTC time; a reading already kept is not kept twice.
    bool storeReadings(const QString &recorder, uint8_t address, const QDateTime &taken,
                       const QVector<std::optional<int>> &tenths, QString *error);
    // One step of an alarm, appended; an acknowledgement goes into the audit trail with it.
    bool appendAlarm(const watch::Transition &step, QString *error);
    enum class AlarmSteps { All, OfOpenAlarms };
    // The alarm steps from since on (all of them for an invalid time), in the order they happened;
    // OfOpenAlarms: only those of alarms not yet cleared (what a restarted watcher picks up again).
    std::optional<QList<watch::Transition>> alarmSteps(AlarmSteps which, const QDateTime &since, QString *error) const;
    // The highest alarm number used (0 for none): new alarms number on from it.
    std::optional<qint64> lastAlarmId(QString *error) const;
    // A watcher's sign of life after each poll: its host, the time (UTC) and the lines it watches.
    struct WatcherBeat {
        QString host;
        QDateTime beat;
        QString lines;
    };
    bool beat(const WatcherBeat &beat, QString *error);
    // A program that stays open for months keeps SQLite's page cache to kib KiB (the default is
    // about 2 MiB a connection); a server database is not affected.
    void limitCache(int kib);
    // The latest beat of any watcher; nothing when none ever beat (or on an error, in *error).
    std::optional<WatcherBeat> lastBeat(QString *error) const;

    // Which program this is, for the audit trail (the window unless set).
    void setProgram(Program p) { m_program = p; }
    // Appends an entry to the audit trail with the time (UTC), the user and the program.
    bool audit(const AuditEntry &entry, QString *error);
    // Settings a program found as they are (kind, one line): an entry when they differ from the last
    // the trail holds of that kind, the old value being that one. Returns whether an entry was added.
    std::optional<bool> auditChange(const QString &kind, const QString &line, QString *error);
    // The whole audit trail, oldest first; only the entries of kind when one is given.
    std::optional<QList<AuditRow>> auditTrail(QString *error, const QString &kind = {}) const;
    // Walks every hash chain: the first row that does not match, or how many rows all hold.
    std::optional<chain::Verdict> verify(QString *error) const;
    // SQLite: writes a copy of the whole archive into file, which must be empty (VACUUM INTO).
    bool copyInto(const QString &file, QString *error) const;

private:
    struct Scope {
        QString where;        // a condition on records' recorder and seq
        QVariantList values;
        bool plain = true;    // no renaming touches the name: WHERE recorder = ?
    };
    // The rows shown under a name: those stored under it, and those stored under a name later
    // renamed to it, up to the renaming.
    std::optional<Scope> scopeOf(const QString &name, QString *error) const;
    std::optional<QStringList> shownNames(QString *error) const;
    bool startChains(int fromVersion, QString *error);
    QVariantList auditValues(const AuditEntry &entry) const;
    bool connectTo(const ArchiveConfig &config, const QString &driver, QString *error);
    bool createOrUpgrade(QString *error);
    void closeConnection();
    bool begin(QString *error, const QString &what);
    bool commit(QString *error, const QString &what);

    QString m_connection;
    int m_version = 0;
    Program m_program = Program::Window;
    std::function<void(const QString &)> m_waitNote;
};

} // namespace archive
