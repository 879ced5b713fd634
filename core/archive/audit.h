#pragma once
#include "core/archive/connection.h"
#include <QDateTime>
#include <QList>
#include <QString>
#include <QVariantList>
#include <optional>

// The audit trail: what was done to the archive and to the recorders, when, by whom and by which
// program; a chain of its own, only ever appended to.
namespace archive {

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
inline constexpr char Checkpoint[] = "checkpoint";           // a signed checkpoint: its line, and where it went
inline constexpr char SettingsFile[] = "settings-file";      // a settings file's whole content, as a program found or wrote it
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

// An entry's values in the audit chain's column order (without the seq): now (UTC), the user, the program.
QVariantList auditValues(const AuditEntry &entry, Program program);

class Audit {
public:
    explicit Audit(Connection &c) : m_c(c) {}
    // Appends an entry with the time (UTC), the user and the program.
    bool append(const AuditEntry &entry, QString *error);
    // Settings a program found as they are (kind, one line): an entry when they differ from the last
    // the trail holds of that kind, the old value being that one. Returns whether an entry was added.
    std::optional<bool> change(const QString &kind, const QString &line, QString *error);
    // The whole trail, oldest first; only the entries of kind when one is given.
    std::optional<QList<AuditRow>> trail(QString *error, const QString &kind = {}) const;
    // The newest entry of kind whose new value starts with prefix, in *row (nothing when there is none).
    bool latest(const QString &kind, const QString &prefix, std::optional<AuditRow> *row, QString *error) const;

private:
    Connection &m_c;
};

} // namespace archive
